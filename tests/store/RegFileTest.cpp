// Registry files: the exact text regedit writes, every form a reader meets, and every bad
// input refused with its line before anything is written. A wrong byte here is a value
// that comes back different after an export and an import, or a file that imports half.

#include "store/MemoryRegistry.h"
#include "store/RegTransfer.h"
#include "tests/support/RegFileSupport.h"
#include "tests/support/RegistryTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace vs::test {
namespace {

const std::wstring kClassKey = L"Software\\Classes\\CLSID\\{7a1e0001-5e7d-4c1a-9a50-00000000000a}";

// The writer's text for one value: text with escapes, dwords, hex lines broken where
// regedit breaks them (the first at 77 characters, then 25 bytes a line), the string
// types as hex(2) and hex(7), malformed REG_SZ (odd size, no NUL, a NUL or line break
// inside, no bytes) as hex(1), other sizes and types as hex(N), deletions, odd names.
TEST(RegFileWriterTest, WritesEachValueAsRegeditDoes) {
    struct Case {
        RegFileValue value;
        std::u16string line;
    };
    std::vector<std::uint8_t> counting(30);
    for (std::size_t i = 0; i < counting.size(); ++i)
        counting[i] = static_cast<std::uint8_t>(i);
    const Case cases[] = {
        {{L"", false, kRegSz, ToUtf16Bytes(L"a\\b\"c\u00e9")}, u"@=\"a\\\\b\\\"c\u00e9\""},
        {{L"e", false, kRegSz, ToUtf16Bytes(L"")}, u"\"e\"=\"\""},
        {{L"n", false, kRegDword, {0x2a, 0, 0, 0x80}}, u"\"n\"=dword:8000002a"},
        {{L"b", false, kRegBinary, counting},
         u"\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
         u"  17,18,19,1a,1b,1c,1d"},
        {{L"", false, kRegBinary, std::vector<std::uint8_t>(52, 0xab)},
         u"@=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\r\n"
         u"  ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\r\n  ab,ab,ab"},
        {{L"x", false, kRegExpandSz, ToUtf16Bytes(L"%a")}, u"\"x\"=hex(2):25,00,61,00,00,00"},
        {{L"m", false, kRegMultiSz, {'a', 0, 0, 0, 0, 0}}, u"\"m\"=hex(7):61,00,00,00,00,00"},
        {{L"o", false, kRegSz, {'a', 0, 'b'}}, u"\"o\"=hex(1):61,00,62"},
        {{L"t", false, kRegSz, TextBytes(L"a")}, u"\"t\"=hex(1):61,00"},
        {{L"z", false, kRegSz, {'a', 0, 0, 0, 'b', 0, 0, 0}}, u"\"z\"=hex(1):61,00,00,00,62,00,00,00"},
        {{L"l", false, kRegSz, ToUtf16Bytes(L"a\r\n")}, u"\"l\"=hex(1):61,00,0d,00,0a,00,00,00"},
        {{L"s", false, kRegSz, {}}, u"\"s\"=hex(1):"},
        {{L"d", false, kRegDword, {1, 2, 3}}, u"\"d\"=hex(4):01,02,03"},
        {{L"q", false, kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}}, u"\"q\"=hex(b):01,00,00,00,00,00,00,00"},
        {{L"0", false, kRegNone, {}}, u"\"0\"=hex(0):"},
        {{L"u", false, 0x12345, {0xff}}, u"\"u\"=hex(12345):ff"},
        {{L"gone", true, kRegNone, {}}, u"\"gone\"=-"},
        {{L"a\"\\\r\n", false, kRegSz, ToUtf16Bytes(L"v")}, u"\"a\\\"\\\\\\r\\n\"=\"v\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(Wide(c.line)));
        RegFile file;
        file.keys.push_back(RegFileKey{CurrentUser(), kClassKey, false, {c.value}, 0});
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(WriteRegFile(file, bytes), kOk);
        EXPECT_EQ(FileBody(bytes),
                  u"\r\n[HKEY_CURRENT_USER\\" + U16(kClassKey) + u"]\r\n" + c.line + u"\r\n\r\n");
    }
}

TEST(RegFileWriterTest, WholeFileHasMarkHeaderBlankLinesAndRefusesWhatItCannotCarry) {
    RegFile file;
    file.keys.push_back(RegFileKey{LocalMachine(), L"A", true, {}, 0});
    file.keys.push_back(RegFileKey{ClassesRoot(), L"A\\B", false, {}, 0});
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(WriteRegFile(file, bytes), kOk);
    EXPECT_EQ(bytes, V5(u"\r\n[-HKEY_LOCAL_MACHINE\\A]\r\n\r\n[HKEY_CLASSES_ROOT\\A\\B]\r\n\r\n"));

    const std::vector<std::uint8_t> written = bytes;
    std::size_t bad = 0;
    file.keys.push_back(RegFileKey{CurrentUser(), L"line\nbreak", false, {}, 0});
    EXPECT_EQ(WriteRegFile(file, bytes, &bad), kInvalidData);
    EXPECT_EQ(bad, 2u);
    EXPECT_EQ(bytes, written);
    file.keys.back() =
        RegFileKey{CurrentUser(), L"x", false, {{std::wstring(L"a\0b", 3), false, kRegSz, {}, 0}}, 0};
    EXPECT_EQ(WriteRegFile(file, bytes), kInvalidData);
    file.keys.back() = RegFileKey{RootKey(0x80000004u), L"x", false, {}, 0};
    EXPECT_EQ(WriteRegFile(file, bytes), kInvalidParameter);
}

// Forms regedit, Wine and people write, read and written back in this program's form.
TEST(RegFileParserTest, ReadsEveryAcceptedForm) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        std::u16string written; // the body WriteRegFile gives for what was read
    };
    const std::u16string key = u"\r\n[HKEY_CURRENT_USER\\A]\r\n";
    const Case cases[] = {
        {"short root, spaces, comments, default by empty name",
         V5(u"; note\r\n  [hkcu\\A]  \r\n\"\" = \"x\" ; c\r\n@=dword:1\r\n\r\n"),
         key + u"@=\"x\"\r\n@=dword:00000001\r\n\r\n"},
        {"hex continued with spaces and a comment",
         V5(u"[HKEY_CURRENT_USER\\A]\r\n\"b\"=hex: 01 , 02\\\r\n   03,\\\r\n  04 ; end\r\n"),
         key + u"\"b\"=hex:01,02,03,04\r\n\r\n"},
        {"LF and CR line ends, no break at the end", V5(u"[HKEY_CURRENT_USER\\A]\n\"a\"=hex(0):\r\"b\"=-"),
         key + u"\"a\"=hex(0):\r\n\"b\"=-\r\n\r\n"},
        {"escapes and key deletion",
         V5(u"[-HKEY_CURRENT_USER\\A\\B]\r\n[HKEY_CURRENT_USER\\A]\r\n\"q\\\"\"=\"a\\\\b\\n\"\r\n"),
         u"\r\n[-HKEY_CURRENT_USER\\A\\B]\r\n" + key +
             u"\"q\\\"\"=hex(1):61,00,5c,00,62,00,0a,00,00,00\r\n\r\n"},
        {"ANSI text and ANSI hex(2) of a REGEDIT4 file",
         Ansi("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"caf\xe9\"=\"\x80\"\r\n\"e\"=hex(2):41,00\r\n"),
         key + u"\"caf\u00e9\"=\"\u20ac\"\r\n\"e\"=hex(2):41,00,00,00\r\n\r\n"},
        {"a key 511 levels deep", V5(u"[HKEY_CURRENT_USER\\A" + Repeat(u"\\k", 510) + u"]\r\n"),
         u"\r\n[HKEY_CURRENT_USER\\A" + Repeat(u"\\k", 510) + u"]\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RegFileParse parse = ParseRegFile(c.file.data(), c.file.size());
        ASSERT_TRUE(parse.Ok()) << static_cast<int>(parse.issue.error) << " line " << parse.issue.line;
        std::vector<std::uint8_t> written;
        ASSERT_EQ(WriteRegFile(parse.file, written), kOk);
        EXPECT_EQ(FileBody(written), c.written);
    }
}

// Each bad file: its error, its line and its key, and an import that writes nothing.
TEST(RegFileParserTest, RefusesBadInputWithItsLineAndWritesNothing) {
    struct Case {
        std::vector<std::uint8_t> file;
        RegFileError error;
        std::size_t line;
        std::wstring key;
    };
    using E = RegFileError;
    const std::u16string k = u"[HKEY_CURRENT_USER\\A]\r\n";
    const std::wstring kA = L"HKEY_CURRENT_USER\\A";
    const std::u16string nul(1, u'\0');
    std::vector<std::uint8_t> odd = V5(k);
    odd.push_back('x');
    std::vector<std::uint8_t> nulInAnsi = Ansi("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]");
    nulInAnsi[12] = 0;
    const Case cases[] = {
        {{}, E::Empty, 0, L""},
        {{0xFF, 0xFE}, E::Empty, 0, L""},
        {odd, E::Truncated, 3, L""},
        {{0xFE, 0xFF, 0, 'W'}, E::WrongEncoding, 1, L""},
        {Ansi("\xEF\xBB\xBFREGEDIT4\r\n"), E::WrongEncoding, 1, L""},
        {{'R', 0, 'E', 0}, E::WrongEncoding, 1, L""},
        {nulInAnsi, E::WrongEncoding, 3, L""},
        {Ansi("REGEDIT5\r\n"), E::UnknownHeader, 1, L""},
        {Ansi("Windows Registry Editor Version 6.00\r\n"), E::UnknownHeader, 1, L""},
        {Ansi("[HKEY_CURRENT_USER\\A]\r\n"), E::MissingHeader, 1, L""},
        {V5(u"[HKEY_CURRENT_USER\\A\r\n\r\n"), E::UnbalancedBrackets, 2, kA},
        {V5(u"[HKEY_CURRENT_USER\\A"), E::Truncated, 2, kA},
        {V5(u"[HKEY_CURRENT_USER\\A] x\r\n"), E::UnbalancedBrackets, 2, L"HKEY_CURRENT_USER\\A] x"},
        {V5(u"HKEY_CURRENT_USER\\A]\r\n"), E::UnexpectedLine, 2, L""},
        {V5(u"[HKEY_NOWHERE\\A]\r\n"), E::UnknownRoot, 2, L"HKEY_NOWHERE\\A"},
        {V5(u"[HKEY_CURRENT_USER\\A\\\\B]\r\n"), E::BadKeyPath, 2, L"HKEY_CURRENT_USER\\A\\\\B"},
        {V5(u"[HKEY_CURRENT_USER\\A\\]\r\n"), E::BadKeyPath, 2, L"HKEY_CURRENT_USER\\A\\"},
        {V5(u"[HKEY_CURRENT_USER\\A" + nul + u"]\r\n"), E::NulInName, 2, kA + L'\0'},
        {V5(k + u"\"x" + nul + u"\"=\"y\"\r\n"), E::NulInName, 3, kA},
        {V5(u"[HKEY_CURRENT_USER\\" + Repeat(u"n", 256) + u"]\r\n"), E::KeyNameTooLong, 2,
         L"HKEY_CURRENT_USER\\" + std::wstring(256, L'n')},
        {V5(u"[HKEY_CURRENT_USER\\A" + Repeat(u"\\k", 511) + u"]\r\n"), E::KeyPathTooDeep, 2,
         kA + Wide(Repeat(u"\\k", 511))},
        {V5(u"\"x\"=\"y\"\r\n"), E::ValueOutsideKey, 2, L""},
        {V5(u"[-HKEY_CURRENT_USER\\A]\r\n\"x\"=\"y\"\r\n"), E::ValueOutsideKey, 3, kA},
        {V5(k + u"\"x\" \"y\"\r\n"), E::MissingEquals, 3, kA},
        {V5(k + u"\"" + Repeat(u"v", 16384) + u"\"=\"y\"\r\n"), E::ValueNameTooLong, 3, kA},
        {V5(k + u"\"x\"=\"abc\r\n\r\n"), E::UnterminatedString, 3, kA},
        {V5(k + u"\"x\"=\"abc"), E::Truncated, 3, kA},
        {V5(k + u"\"x\"=\"a\\tb\"\r\n"), E::BadEscape, 3, kA},
        {V5(k + u"\"x\"=str:\"a\"\r\n"), E::UnknownValueType, 3, kA},
        {V5(k + u"\"x\"=hex(:01\r\n"), E::BadValueType, 3, kA},
        {V5(k + u"\"x\"=hex(123456789):01\r\n"), E::BadValueType, 3, kA},
        {V5(k + u"\"x\"=hex:0g\r\n"), E::BadHex, 3, kA},
        {V5(k + u"\"x\"=hex:01,,02\r\n"), E::BadHex, 3, kA},
        {V5(k + u"\"x\"=hex:01 02\r\n"), E::BadHex, 3, kA},
        {V5(k + u"\"x\"=hex:01,\r\n\r\n"), E::BadHex, 3, kA},
        {V5(k + u"\"x\"=hex:01,\r\n"), E::BadHex, 3, kA},
        {V5(k + u"\"x\"=hex:01,"), E::Truncated, 3, kA},
        {V5(k + u"\"x\"=hex:01,\\\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n"), E::BadHex, 4, kA},
        {V5(k + u"\"x\"=hex:01,\\\r\n"), E::Truncated, 3, kA},
        {V5(k + u"\"x\"=hex:1,02\r\n"), E::OddHexDigits, 3, kA},
        {V5(k + u"\"x\"=hex:01,\\\r\n  100\r\n"), E::HexByteOutOfRange, 4, kA},
        {V5(k + u"\"x\"=dword:\r\n"), E::BadDword, 3, kA},
        {V5(k + u"\"x\"=dword:12x\r\n"), E::BadDword, 3, kA},
        {V5(k + u"\"x\"=dword:100000000\r\n"), E::DwordOutOfRange, 3, kA},
        {V5(k + u"\"x\"=\"a\" b\r\n"), E::TextAfterValue, 3, kA},
        {V5(k + u"\"x\"=-1\r\n"), E::TextAfterValue, 3, kA},
        {V5(k + u"oops\r\n"), E::UnexpectedLine, 3, kA},
        {V5(k + u"@=\"" + Repeat(u"t", kMaxRegLineChars) + u"\"\r\n"), E::LineTooLong, 3, kA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "expected error " << static_cast<int>(c.error) << " line " << c.line);
        MemoryRegistry target;
        const ImportPlan plan = PlanImport(target, c.file.data(), c.file.size());
        EXPECT_EQ(plan.problem, ImportProblem::BadFile);
        EXPECT_EQ(plan.issue.error, c.error);
        EXPECT_EQ(plan.issue.line, c.line);
        EXPECT_EQ(Narrow(plan.issue.key), Narrow(c.key));
        EXPECT_TRUE(ExecuteImport(target, plan).unchanged);
        EXPECT_EQ(DumpTree(target, CurrentUser(), L""), "[]\n");
    }
    const std::uint8_t none = 0;
    EXPECT_EQ(ParseRegFile(&none, kMaxRegFileBytes + 1).issue.error, E::FileTooLarge);
    RegFileParseOptions strict;
    strict.decodeAnsi = [](std::string_view, std::wstring&) { return false; };
    const auto ansi = Ansi("REGEDIT4\r\n");
    EXPECT_EQ(ParseRegFile(ansi.data(), ansi.size(), strict).issue.error, E::BadAnsiText);
}

// Large files: one value continued over 30,000 lines, 20,000 values in one key and
// 10,000 keys, read and planned whole (a quadratic step would take minutes here).
TEST(RegFileParserTest, LargeFilesParseInLinearTime) {
    std::u16string body = u"[HKEY_CURRENT_USER\\" + U16(kClassKey) + u"]\r\n\"big\"=hex:00";
    for (int line = 0; line < 30000; ++line)
        body += u",\\\r\n  01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18";
    body += u"\r\n";
    for (int value = 0; value < 20000; ++value)
        body += u"\"v" + U16(std::to_wstring(value)) + u"\"=dword:0000002a\r\n";
    for (int key = 0; key < 10000; ++key)
        body += u"[HKEY_CURRENT_USER\\" + U16(kClassKey) + u"\\k" + U16(std::to_wstring(key)) +
                u"]\r\n@=\"x\"\r\n";
    const std::vector<std::uint8_t> file = V5(body);
    MemoryRegistry target;
    const ImportPlan plan = PlanImport(target, file.data(), file.size());
    ASSERT_TRUE(plan.Ready());
    ASSERT_EQ(plan.target.trees.size(), 1u);
    EXPECT_EQ(plan.target.trees[0].key.values.size(), 20001u);
    EXPECT_EQ(plan.target.trees[0].key.values[0].data.size(), 1u + 30000u * 24u);
    EXPECT_EQ(plan.target.trees[0].key.subkeys.size(), 10000u);
}

// Fuzzing: mutated copies of valid files. Whatever is read must be written back and read
// again to the same file; whatever is refused names a line of the file. Under the
// sanitizers, a read past a buffer or an overflow stops the run.
TEST(RegFileParserTest, MutatedFilesAreReadConsistentlyOrRefused) {
    const char* count = std::getenv("VARNOSET_FUZZ_ITERATIONS");
    const char* start = std::getenv("VARNOSET_FUZZ_START");
    const int iterations = count ? std::atoi(count) : 2000;
    const unsigned startValue = start ? static_cast<unsigned>(std::strtoul(start, nullptr, 10)) : 20240501u;
    std::mt19937 random(startValue);
    const std::vector<std::vector<std::uint8_t>> corpus = FuzzCorpus();
    int accepted = 0;
    int imported = 0;
    for (int i = 0; i < iterations; ++i) {
        std::vector<std::uint8_t> file = corpus[random() % corpus.size()];
        Mutate(file, random);
        const RegFileParse parse = ParseRegFile(file.data(), file.size());
        if (!parse.Ok()) {
            EXPECT_TRUE(parse.file.keys.empty());
            EXPECT_LE(parse.issue.line, file.size() + 1) << "iteration " << i;
            continue;
        }
        ++accepted;
        std::vector<std::uint8_t> written;
        ASSERT_EQ(WriteRegFile(parse.file, written), kOk) << "iteration " << i;
        const RegFileParse again = ParseRegFile(written.data(), written.size());
        ASSERT_TRUE(again.Ok()) << "iteration " << i;
        std::vector<std::uint8_t> rewritten;
        ASSERT_EQ(WriteRegFile(again.file, rewritten), kOk);
        ASSERT_EQ(rewritten, written) << "iteration " << i;
        MemoryRegistry target;
        const ImportPlan plan = PlanImport(target, parse.file);
        if (plan.Ready()) {
            ++imported;
            EXPECT_TRUE(ExecuteImport(target, plan).Ok()) << "iteration " << i;
        }
    }
    std::printf("fuzz: %d inputs from start value %u, %d read, %d imported\n", iterations, startValue,
                accepted, imported);
}

// On demand (scripts/fuzz-regfile.sh): the parse speed on files of about 8 and 32 MB; a
// linear parser reads both at the same rate.
TEST(RegFileParserTest, DISABLED_ParseSpeed) {
    for (std::size_t megabytes : {8u, 32u}) {
        std::u16string body;
        for (int key = 0; body.size() * 2 < (megabytes << 20); ++key) {
            body +=
                u"\r\n[HKEY_CURRENT_USER\\" + U16(kClassKey) + u"\\k" + U16(std::to_wstring(key)) + u"]\r\n";
            body +=
                u"@=\"Some text with \\\"quotes\\\" and a path C:\\\\Windows\"\r\n\"n\"=dword:0000002a\r\n";
            body += u"\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
                    u"  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f\r\n";
        }
        const std::vector<std::uint8_t> file = V5(body);
        const auto begin = std::chrono::steady_clock::now();
        const RegFileParse parse = ParseRegFile(file.data(), file.size());
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        ASSERT_TRUE(parse.Ok());
        std::printf("parse: %.1f MB in %.3f s = %.1f MB/s, %zu keys\n", file.size() / 1e6, seconds,
                    file.size() / 1e6 / seconds, parse.file.keys.size());
    }
}

} // namespace
} // namespace vs::test

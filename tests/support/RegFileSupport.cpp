#include "tests/support/RegFileSupport.h"

#include "store/MemoryRegistry.h"
#include "store/NamespaceLocation.h"
#include "store/RegTransfer.h"

#include <cstdio>
#include <optional>

namespace vs::test {

std::u16string U16(std::wstring_view text) {
    std::u16string out;
    for (wchar_t c : text)
        out.push_back(static_cast<char16_t>(c));
    return out;
}

std::wstring Wide(std::u16string_view text) {
    std::wstring out;
    for (char16_t c : text)
        out.push_back(static_cast<wchar_t>(c));
    return out;
}

std::u16string Repeat(std::u16string_view text, std::size_t count) {
    std::u16string out;
    for (std::size_t i = 0; i < count; ++i)
        out += text;
    return out;
}

std::vector<std::uint8_t> V5(std::u16string_view body) {
    const std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n" + std::u16string(body);
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> Ansi(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::u16string FileBody(const std::vector<std::uint8_t>& file) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < file.size(); i += 2)
        text.push_back(static_cast<char16_t>(file[i] | (file[i + 1] << 8)));
    const std::u16string header = u"\uFEFFWindows Registry Editor Version 5.00\r\n";
    if (text.compare(0, header.size(), header) != 0)
        return u"(no header) " + text;
    return text.substr(header.size());
}

namespace {

std::wstring IdText(int number) {
    char text[64];
    std::snprintf(text, sizeof text, "{7a1e%04x-5e7d-4c1a-9a50-0000000000%02x}", number, number & 0xFF);
    return std::wstring(text, text + 38);
}

class Generator {
public:
    Generator(std::mt19937& random, ValueSet set) : random_(random), set_(set) {}

    void Fill(TreeKey& key, int depth, GeneratedTree& tree) {
        ++tree.keys;
        const int values = Below(7);
        for (int i = 0; i < values; ++i) {
            key.values.push_back(Value(i));
            ++tree.values;
        }
        const int subkeys = depth >= 3 ? 0 : Below(4);
        for (int i = 0; i < subkeys; ++i) {
            TreeKey child(KeyName(i));
            Fill(child, depth + 1, tree);
            key.subkeys.push_back(std::move(child));
        }
    }

    // A chain of levels keys below key, built from the bottom up.
    void Chain(TreeKey& key, int levels, GeneratedTree& tree) {
        std::optional<TreeKey> below;
        for (int level = levels - 1; level >= 0; --level) {
            TreeKey link(L"level" + std::to_wstring(level));
            link.values.push_back(Dword(L"n", static_cast<std::uint32_t>(level)));
            if (below)
                link.subkeys.push_back(std::move(*below));
            below = std::move(link);
            ++tree.keys;
            ++tree.values;
        }
        key.subkeys.push_back(std::move(*below));
    }

private:
    int Below(int limit) { return static_cast<int>(random_() % static_cast<unsigned>(limit)); }

    std::wstring Text(int maxLength) {
        static const std::wstring kAlphabet = L"abcXYZ019 \"\\;=[],@-\u00e9\u4e2d\xD83D\xDE00\t";
        std::wstring text;
        for (int length = Below(maxLength + 1); length > 0; --length)
            text.push_back(kAlphabet[static_cast<std::size_t>(Below(static_cast<int>(kAlphabet.size())))]);
        return text;
    }

    std::vector<std::uint8_t> RandomBytes(int maxLength) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(Below(maxLength + 1)));
        for (std::uint8_t& byte : bytes)
            byte = static_cast<std::uint8_t>(random_());
        return bytes;
    }

    std::wstring KeyName(int index) {
        static const std::wstring kNames[] = {
            L"DefaultIcon",          L"k ]x", L"[k]", L"caf\u00e9", L"\u4e2d\xD83D\xDE00", L"trail ",
            std::wstring(250, L'n'), L"Shell"};
        return std::to_wstring(index) + kNames[static_cast<std::size_t>(Below(8))];
    }

    std::wstring ValueName(int index) {
        static const std::wstring kNames[] = {
            L"",        L"a\"b\\c", L"=[]", L";x", L"caf\u00e9", L"\xD83D\xDE00", std::wstring(300, L'v'),
            L"cr\r\nlf"};
        const std::size_t pick = static_cast<std::size_t>(Below(set_ == ValueSet::Plain ? 7 : 8));
        if (index == 0 && pick == 0)
            return L"";
        return std::to_wstring(index) + kNames[pick];
    }

    TreeValue Value(int index) {
        const std::wstring name = ValueName(index);
        const int kinds = set_ == ValueSet::Plain ? 9 : set_ == ValueSet::RegImport ? 12 : 16;
        switch (Below(kinds)) {
        case 0:
            return Sz(name, Text(40));
        case 1:
            return Sz(name, std::wstring(600, L'y') + Text(5));
        case 2:
            return ExpandSz(name, L"%SystemRoot%\\" + Text(10));
        case 3:
            return Raw(name, kRegMultiSz, TextBytes(Text(8) + L'\0' + Text(8) + L'\0' + L'\0'));
        case 4:
            return Raw(name, kRegBinary, RandomBytes(200));
        case 5:
            return Dword(name, static_cast<std::uint32_t>(random_()));
        case 6:
            return Raw(name, kRegQword, RandomBytes(8));
        case 7:
            return Raw(name, kRegNone, RandomBytes(3));
        case 8:
            return Raw(name, 0x12345u + static_cast<std::uint32_t>(Below(3)) * 0x7fff0000u, RandomBytes(5));
        case 9:
            return Sz(name, L"line\r\nbreak" + Text(3));
        case 10:
            return Raw(name, kRegSz, ToUtf16Bytes(Text(3) + L'\0' + Text(3))); // NUL inside
        case 11:
            return Raw(name, kRegDword, RandomBytes(3));
        case 12: {
            std::vector<std::uint8_t> bytes = ToUtf16Bytes(Text(6));
            bytes.pop_back(); // odd size
            return Raw(name, kRegSz, bytes);
        }
        case 13:
            return Raw(name, kRegSz, TextBytes(L"x" + Text(6))); // no terminator
        case 14:
            return Raw(name, kRegSz, {});
        default:
            return Raw(name, kRegExpandSz, TextBytes(L"%x" + Text(3)));
        }
    }

    std::mt19937& random_;
    ValueSet set_;
};

} // namespace

std::vector<GeneratedTree> GenerateTrees(std::mt19937& random, int count, ValueSet set) {
    Generator generator(random, set);
    std::vector<GeneratedTree> trees;
    for (int i = 0; i < count; ++i) {
        const std::wstring id = IdText(i + 1);
        GeneratedTree tree{TreeRef{}, TreeKey{L""}};
        const int kind = i % 11;
        if (kind < 3) {
            const KeyHandle roots[] = {CurrentUser(), LocalMachine(), ClassesRoot()};
            tree.ref.root = roots[kind];
            tree.ref.path = (kind == 2 ? L"CLSID\\" : L"Software\\Classes\\CLSID\\") + id;
        } else {
            const NamespaceLocation& place = NamespaceLocations()[static_cast<std::size_t>(kind - 3)];
            tree.ref.root = place.hive;
            tree.ref.path = std::wstring(place.nameSpacePath) + L"\\" + (i % 2 ? L"hidden" : L"") + id;
        }
        tree.tree.path = tree.ref.path;
        generator.Fill(tree.tree, 0, tree);
        if (i == 0)
            generator.Chain(tree.tree, 300, tree);
        trees.push_back(std::move(tree));
    }
    return trees;
}

std::vector<std::vector<std::uint8_t>> FuzzCorpus() {
    std::mt19937 random(7);
    std::vector<std::vector<std::uint8_t>> corpus;
    MemoryRegistry store;
    const std::vector<GeneratedTree> trees = GenerateTrees(random, 6);
    for (std::size_t i = 1; i < trees.size(); ++i) { // the first holds a long chain of keys
        (void)WriteTree(store, trees[i].ref.root, trees[i].tree);
        corpus.push_back(ExportTrees(store, {trees[i].ref}).bytes);
    }
    corpus.push_back(
        Ansi("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{7a1e0001-5e7d-4c1a-9a50-"
             "000000000001}]\r\n@=\"caf\xe9\"\r\n\"e\"=hex(2):41,42,00\r\n\"d\"=dword:00000010\r\n; c\r\n"
             "[-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{7a1e0002-5e7d-4c1a-9a50-000000000002}]\r\n"));
    corpus.push_back(V5(
        u"\r\n[HKEY_CLASSES_ROOT\\CLSID\\{7a1e0003-5e7d-4c1a-9a50-000000000003}\\k]\r\n"
        u"\"b\"=hex:01,02,\\\r\n  03 ; c\r\n\"s\"=\"a\\\\b\\\"c\"\r\n\"x\"=-\r\n@=hex(7):41,00,00,00\r\n"));
    return corpus;
}

void Mutate(std::vector<std::uint8_t>& file, std::mt19937& random) {
    static const std::u16string kTokens[] = {
        u"\\", u"\"", u"[", u"]",  u",",  u"\r\n", u"\n",   u"=",      u"-",          u";",
        u"@",  u"ff", u"0", u"[-", u"):", u"hex(", u"hex:", u"dword:", u"HKCR\\CLSID"};
    const bool wide = file.size() >= 2 && file[0] == 0xFF && file[1] == 0xFE;
    auto below = [&](std::size_t limit) { return limit ? random() % limit : 0; };
    for (int edits = 1 + static_cast<int>(below(4)); edits > 0; --edits) {
        const std::size_t at = below(file.size() + 1) & (wide ? ~std::size_t{1} : ~std::size_t{0});
        const auto where = file.begin() + static_cast<std::ptrdiff_t>(at);
        switch (below(4)) {
        case 0:
            if (at < file.size())
                file[at] = static_cast<std::uint8_t>(random());
            break;
        case 1:
            file.erase(where, where + static_cast<std::ptrdiff_t>(std::min(file.size() - at, 1 + below(16))));
            break;
        case 2: {
            std::vector<std::uint8_t> bytes;
            for (char16_t c : kTokens[below(std::size(kTokens))]) {
                bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
                if (wide)
                    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
            }
            file.insert(where, bytes.begin(), bytes.end());
            break;
        }
        default:
            file.resize(at);
        }
    }
}

} // namespace vs::test

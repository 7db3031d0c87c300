// VarnosetCli.exe run for real under Wine, the way a script runs it: a process of its own
// whose standard output and error go to files, read back as bytes once it has ended. Its
// json is read by nlohmann/json and its csv by a strict RFC 4180 reader, and the two must
// agree row for row; what it writes is read back from the registry of the test prefix.

#include "framework/VersionInfo.h"
#include "res/resource.h"
#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"
#include "store/NamespaceLocation.h"
#include "store/WinRegistry.h"
#include "tests/support/CsvReader.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/TestPlatform.h"
#include "tests/wine/ModalScript.h"
#include "tests/wine/UiDriver.h"
#include "tests/wine/WizardDriver.h"
#include "wizard/MainWizard.h"

#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

namespace vs::test {
namespace {

using uitest::OwnModulePath;

const wchar_t kUsageStart[] = L"Usage:\r\n  VarnosetCli list [--expert] [--format table|csv|json]\r\n";

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                           static_cast<int>(utf8.size()), nullptr, 0);
    EXPECT_GT(length, 0) << "not UTF-8";
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
    return text;
}

std::string Utf8(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    return bytes;
}

// One argument as the C runtime splits a command line: quoted when it holds blanks or
// quotes or is empty, backslashes doubled before a quote.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

struct CliRun {
    DWORD status = 0xFFFFFFFF;
    std::string outBytes;
    std::wstring out;
    std::wstring err;
};

// A file for a child's standard stream, removed when closed.
class StreamFile {
public:
    StreamFile() {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        wchar_t folder[MAX_PATH] = L"";
        wchar_t path[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, folder);
        GetTempFileNameW(folder, L"cli", 0, path);
        handle_ = CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    }
    ~StreamFile() { CloseHandle(handle_); }
    StreamFile(const StreamFile&) = delete;
    StreamFile& operator=(const StreamFile&) = delete;
    HANDLE Handle() const { return handle_; }
    std::string Bytes() const {
        std::string bytes;
        SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(handle_, buffer, sizeof buffer, &read, nullptr) && read > 0)
            bytes.append(buffer, read);
        return bytes;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

CliRun RunCli(const std::vector<std::wstring>& args) {
    const std::wstring own = OwnModulePath();
    const std::wstring exe = own.substr(0, own.rfind(L'\\')) + L"\\VarnosetCli.exe";
    std::wstring line = Quoted(exe);
    for (const std::wstring& arg : args)
        line += L" " + Quoted(arg);
    StreamFile out;
    StreamFile err;
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = out.Handle();
    start.hStdError = err.Handle();
    PROCESS_INFORMATION process{};
    CliRun run;
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &start, &process)) {
        ADD_FAILURE() << "VarnosetCli.exe did not start: " << GetLastError();
        return run;
    }
    // A bound only for a program that hangs; the wait itself is for its end.
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
    GetExitCodeProcess(process.hProcess, &run.status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.outBytes = out.Bytes();
    run.out = Wide(run.outBytes);
    run.err = Wide(err.Bytes());
    return run;
}

std::wstring EntryPath(int place, const std::wstring& keyName) {
    return std::wstring(PlaceByIndex(place)->nameSpacePath) + L"\\" + keyName;
}

class CliTest : public ::testing::Test {
protected:
    ~CliTest() override {
        for (const std::wstring& clsid : created_) {
            for (KeyHandle hive : {CurrentUser(), LocalMachine()}) {
                RemoveTree(store, hive, ClassKeyPath(clsid));
                RemoveTree(store, hive, Class32KeyPath(clsid));
                if (DesktopIconHidden(store, hive, clsid))
                    (void)SetDesktopIconHidden(store, hive, clsid, false); // the prefix's key stays
            }
            for (const NamespaceLocation& place : NamespaceLocations()) {
                RemoveTree(store, place.hive, EntryPath(place.index, clsid));
                RemoveTree(store, place.hive, EntryPath(place.index, L"hidden" + clsid));
            }
        }
    }

    // Runs create; the new identifier from its output, removed again after the test.
    std::wstring Create(std::vector<std::wstring> args) {
        args.insert(args.begin(), L"create");
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 0u) << Utf8(run.err);
        EXPECT_EQ(run.err, L"");
        const std::wstring clsid = run.out.substr(0, 38);
        EXPECT_EQ(run.out, clsid + L"\r\n");
        created_.push_back(clsid);
        return clsid;
    }
    void Track(const std::wstring& clsid) { created_.push_back(clsid); }

    // The class key as the program reads it: this user's, else the machine's.
    std::string ClassDump(const std::wstring& clsid) {
        const std::string own = DumpTree(store, CurrentUser(), ClassKeyPath(clsid));
        return own != kMissingTree ? own : DumpTree(store, LocalMachine(), ClassKeyPath(clsid));
    }
    // "place:key" for each entry key of clsid, visible or hidden, in place order.
    std::vector<std::string> Entries(const std::wstring& clsid) {
        std::vector<std::string> found;
        for (const NamespaceLocation& place : NamespaceLocations())
            for (const std::wstring& name : {clsid, L"hidden" + clsid})
                if (DumpTree(store, place.hive, EntryPath(place.index, name)) != kMissingTree)
                    found.push_back(std::to_string(place.index) + (name == clsid ? ":shown" : ":hidden"));
        return found;
    }

    WinRegistry store;

private:
    std::vector<std::wstring> created_;
};

// ---------------------------------------------------------------------------------------

TEST_F(CliTest, HelpAndVersionGoToStandardOutput) {
    const CliRun help = RunCli({L"--help"});
    EXPECT_EQ(help.status, 0u);
    EXPECT_EQ(help.out.rfind(kUsageStart, 0), 0u) << Utf8(help.out);
    EXPECT_EQ(help.out.substr(help.out.size() - 2), L"\r\n");
    EXPECT_EQ(help.err, L"");

    const CliRun version = RunCli({L"--version"});
    EXPECT_EQ(version.status, 0u);
    EXPECT_EQ(version.out, GetVersionTitle(true) + L"\r\n") << "the window's own title text";
    EXPECT_EQ(version.err, L"");
}

// The wizard is run in this process on the same registry, with the same choices the
// command line is given; the trees they write must be the same but for the identifier.
class CliCreateTest : public CliTest {
protected:
    CliCreateTest() {
        InitCommonControls();
        (void)CoInitialize(nullptr);
    }
    ~CliCreateTest() override { CoUninitialize(); }

    std::wstring RunWizard(const std::function<void(WizardDriver&)>& choose, const std::wstring& uuid) {
        TestPlatform platform;
        platform.uuids = {uuid};
        CMainWizard wizard(L"", nullptr, 0, store, platform);
        ModalScript script;
        WizardDriver user(script);
        choose(user);
        script.Start();
        EXPECT_EQ(wizard.DoModal(), ID_WIZFINISH);
        EXPECT_TRUE(script.Completed());
        const std::wstring clsid = L"{" + uuid + L"}";
        Track(clsid);
        return clsid;
    }
    // The class key and every place's entry key of clsid, each as its canonical text.
    std::string Object(const std::wstring& clsid) {
        std::string text = "class:\n" + ClassDump(clsid);
        for (KeyHandle hive : {CurrentUser(), LocalMachine()})
            text += "32-bit copy:\n" + DumpTree(store, hive, Class32KeyPath(clsid)) +
                    "desktop icon hidden: " + std::to_string(DesktopIconHidden(store, hive, clsid)) + "\n";
        for (const NamespaceLocation& place : NamespaceLocations())
            text += "place " + std::to_string(place.index) + ":\n" +
                    DumpTree(store, place.hive, EntryPath(place.index, clsid));
        return text;
    }
};

TEST_F(CliCreateTest, CreateWritesWhatTheWizardWritesForTheSameChoices) {
    const std::wstring otherIcon = uitest::SystemDirectory() + L"\\shell32.dll,3";
    struct Case {
        const char* name;
        std::function<void(WizardDriver&)> wizard;
        std::vector<std::wstring> cli;
    };
    const Case cases[] = {
        {"navigation pane, no desktop icon",
         [](WizardDriver& user) {
             user.AwaitStep(1).SetText(IDC_NAME_EDIT, L"Pane").Next(2).SetText(IDC_FOLDER_EDIT, L"C:\\");
             user.Next(3).Next(4).Click(IDC_SCOPE_CURRENT_USER).Click(IDC_PLACE_DESKTOP);
             user.Click(IDC_NAVIGATION_PANE).Click(IDC_HIDE_DESKTOP_ICON).Next(5).Finish();
         },
         {L"--name", L"Pane", L"--folder", L"C:\\", L"--places", L"desktop", L"--nav-pane",
          L"--no-desktop-icon"}},
        {"every check box left as it starts",
         [](WizardDriver& user) {
             user.AwaitStep(1)
                 .SetText(IDC_NAME_EDIT, L"Project Files")
                 .SetText(IDC_INFOTIP_EDIT, L"Shared work");
             user.Next(2).SetText(IDC_FOLDER_EDIT, L"%USERPROFILE%\\Projects").Next(3).Next(4);
             user.Click(IDC_PLACE_DESKTOP).Click(IDC_PLACE_MYCOMPUTER).Next(5).Finish();
         },
         {L"--name", L"Project Files", L"--comment", L"Shared work", L"--folder", L"%USERPROFILE%\\Projects",
          L"--places", L"mycomputer,desktop", L"--all-users"}},
        {"every choice changed",
         [otherIcon](WizardDriver& user) {
             user.AwaitStep(1).SetText(IDC_NAME_EDIT, L"Notes \"daily\"").Click(IDC_ALLOW_RENAME).Next(2);
             user.Click(IDC_FUNCTION_PROGRAM)
                 .SetText(IDC_PROGRAM_EDIT, L"%windir%\\notepad.exe \"C:\\a b.txt\"");
             user.Next(3).SetText(IDC_ICON_LOCATION, otherIcon).Next(4);
             user.Click(IDC_SCOPE_CURRENT_USER).Click(IDC_PLACE_CONTROLPANEL).Click(IDC_PLACE_NETWORK);
             user.Do(
                 [](HWND, HWND page) { SendDlgItemMessageW(page, IDC_CATEGORY_COMBO, CB_SETCURSEL, 3, 0); });
             user.Next(5);
             for (int id : {IDC_FLAG_PROPERTY_SHEET, IDC_FLAG_ALLOW_DELETE, IDC_FLAG_HIDE_IF_DELETED,
                            IDC_FLAG_ALLOW_LINK, IDC_FLAG_REMOVABLE, IDC_FLAG_DRAG_DROP})
                 user.Click(id);
             user.Finish();
         },
         {L"--name", L"Notes \"daily\"", L"--program", L"%windir%\\notepad.exe \"C:\\a b.txt\"", L"--icon",
          otherIcon, L"--places", L"controlpanel-user,network", L"--category", L"3", L"--flags",
          L"rename,property-sheet,delete,hide-if-deleted,link,removable"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring wizardId =
            RunWizard(c.wizard, L"c11c0000-0000-4000-8000-00000000000" + std::to_wstring(++n));
        const std::wstring cliId = Create(c.cli);
        EXPECT_EQ(Object(cliId), Object(wizardId));
        EXPECT_NE(ClassDump(cliId), kMissingTree);
    }
}

// ---------------------------------------------------------------------------------------

// Rows of `list`, as the json gives them and the csv must give them too.
using Rows = std::vector<std::vector<std::string>>;
const std::vector<std::string> kFields = {"Name",  "Location", "Target",         "Description", "Hidden",
                                          "Place", "Class",    "NavigationPane", "DesktopIcon"};

Rows JsonRows(const std::string& bytes) {
    Rows rows;
    const nlohmann::json list = nlohmann::json::parse(bytes); // throws, failing the test, on bad json
    EXPECT_TRUE(list.is_array());
    for (const nlohmann::json& object : list) {
        EXPECT_EQ(object.size(), kFields.size());
        std::vector<std::string> row;
        for (const std::string& field : kFields)
            row.push_back(object.at(field).is_boolean() ? (object.at(field).get<bool>() ? "true" : "false")
                                                        : object.at(field).get<std::string>());
        rows.push_back(row);
    }
    return rows;
}

Rows CsvRows(const std::string& bytes) {
    const std::optional<std::vector<CsvRecord>> records = ReadCsv(bytes);
    EXPECT_TRUE(records) << "not RFC 4180: " << bytes;
    if (!records || records->empty())
        return {};
    EXPECT_EQ(records->front(), kFields);
    return Rows(records->begin() + 1, records->end());
}

// The rows of one class, in list order.
Rows Of(const Rows& rows, const std::wstring& clsid) {
    Rows found;
    for (const auto& row : rows)
        if (row[6] == Utf8(clsid))
            found.push_back(row);
    return found;
}

TEST_F(CliTest, ListFormatsReadBackWithRealReadersAndAgree) {
    const std::wstring odd = L"Comma, \"quoted\"\nnext line \u00e9\u65e5\U0001F600";
    const std::wstring a = Create({L"--name", odd, L"--comment", L"tip, \"too\"", L"--folder", L"C:\\x,y",
                                   L"--places", L"desktop,network", L"--nav-pane", L"--no-desktop-icon"});
    const std::wstring b =
        Create({L"--name", L"Plain", L"--program", L"calc.exe", L"--places", L"mycomputer", L"--all-users"});
    ASSERT_EQ(RunCli({L"hide", a + L"@network-user"}).status, 0u);
    // A registration of someone else's, without the marker: listed in Expert Mode only.
    const std::wstring stock = L"{c11c0000-0000-4000-8000-0000000057c0}";
    Track(stock);
    ASSERT_EQ(WriteTree(store, ClassesRoot(), TreeKey{L"CLSID\\" + stock, {Sz(L"", L"Stock")}}), kOk);
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{EntryPath(0, stock)}), kOk);

    const CliRun json = RunCli({L"list", L"--format", L"json"});
    const CliRun csv = RunCli({L"list", L"--format=csv"});
    const CliRun expert = RunCli({L"list", L"--expert", L"--format", L"json"});
    for (const CliRun* run : {&json, &csv, &expert}) {
        EXPECT_EQ(run->status, 0u);
        EXPECT_EQ(run->err, L"");
    }
    const Rows rows = JsonRows(json.outBytes);
    EXPECT_EQ(CsvRows(csv.outBytes), rows);
    const std::string name = Utf8(odd);
    EXPECT_EQ(Of(rows, a), (Rows{{name, "Desktop (this user)", "C:\\x,y", "tip, \"too\"", "false",
                                  "desktop-user", Utf8(a), "true", "false"},
                                 {name, "Network Neighborhood (this user)", "C:\\x,y", "tip, \"too\"", "true",
                                  "network-user", Utf8(a), "true", "false"}}));
    EXPECT_EQ(Of(rows, b), (Rows{{"Plain", "My Computer (all users)", "calc.exe", "", "false",
                                  "mycomputer-all", Utf8(b), "false", "true"}}));
    EXPECT_EQ(Of(rows, stock), Rows{});
    const Rows stockRows = Of(JsonRows(expert.outBytes), stock);
    ASSERT_EQ(stockRows.size(), 1u);
    EXPECT_EQ(stockRows[0][0] + "|" + stockRows[0][4] + "|" + stockRows[0][5], "Stock|false|desktop-user");
    // The window's order: by name, case ignored.
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(lstrcmpiW(Wide(rows[i - 1][0]).c_str(), Wide(rows[i][0]).c_str()), 0) << i;

    // The table (its layout is the native tests' part): each row on one line, its class
    // followed by the two yes-or-no columns, a line break in a name shown as '?'.
    const CliRun table = RunCli({L"list"});
    EXPECT_EQ(table.status, 0u);
    EXPECT_EQ(table.out.rfind(L"Name ", 0), 0u);
    EXPECT_NE(table.out.find(L"?next line"), std::wstring::npos);
    std::size_t rowsOfA = 0;
    for (std::size_t at = 0; (at = table.out.find(a + L"  yes ", at)) != std::wstring::npos; ++at)
        ++rowsOfA;
    EXPECT_EQ(rowsOfA, 2u);
}

TEST_F(CliTest, CheckFindsAnEntryWithoutClassKeyAndRepairsIt) {
    const std::wstring a = Create({L"--name", L"Left", L"--folder", L"C:\\", L"--places", L"network"});
    ASSERT_TRUE(RemoveTree(store, CurrentUser(), ClassKeyPath(a)));
    auto rowsOf = [&](const std::vector<std::vector<std::string>>& rows) {
        std::vector<std::string> found;
        for (const auto& row : rows)
            if (row.size() == 8 && row[6] == Utf8(a))
                found.push_back(row[0] + "|" + row[3] + "|" + row[7]);
        return found;
    };
    const CliRun json = RunCli({L"check", L"--format", L"json"});
    EXPECT_EQ(json.status, 0u) << Utf8(json.err);
    std::vector<std::vector<std::string>> parsed;
    for (const nlohmann::json& object : nlohmann::json::parse(json.outBytes))
        parsed.push_back({object.at("Kind"), object.at("Name"), object.at("Location"), object.at("Place"),
                          object.at("Key"), object.at("Detail"), object.at("Class"),
                          object.at("Repaired").get<bool>() ? "true" : "false"});
    EXPECT_EQ(rowsOf(parsed), std::vector<std::string>{"dangling-entry|network-user|false"});

    const CliRun csv = RunCli({L"check", L"--repair", L"--format=csv"});
    EXPECT_EQ(csv.status, 0u) << Utf8(csv.err);
    const std::optional<std::vector<CsvRecord>> records = ReadCsv(csv.outBytes);
    ASSERT_TRUE(records);
    EXPECT_EQ(rowsOf(*records), std::vector<std::string>{"dangling-entry|network-user|true"});
    EXPECT_EQ(Entries(a), std::vector<std::string>{});
}

// ---------------------------------------------------------------------------------------

TEST_F(CliTest, EveryCommandChangesWhatTheWindowsCommandChanges) {
    const std::wstring id =
        Create({L"--name", L"Alpha", L"--folder", L"C:\\", L"--places", L"desktop,mycomputer"});
    const std::string created = ClassDump(id);
    auto run = [](std::vector<std::wstring> args) {
        const CliRun result = RunCli(args);
        EXPECT_EQ(result.status, 0u) << Utf8(args[0]) << ": " << Utf8(result.err);
        EXPECT_EQ(result.out + result.err, L"") << Utf8(args[0]);
    };
    using Places = std::vector<std::string>;
    EXPECT_EQ(Entries(id), (Places{"0:shown", "2:shown"}));
    run({L"hide", id + L"@desktop-user"});
    EXPECT_EQ(Entries(id), (Places{"0:hidden", "2:shown"}));
    run({L"hide", id}); // the hidden one stays as it is
    EXPECT_EQ(Entries(id), (Places{"0:hidden", "2:hidden"}));
    run({L"unhide", id});
    EXPECT_EQ(Entries(id), (Places{"0:shown", "2:shown"}));
    run({L"copy", id + L"@mycomputer-user", L"--to", L"network-all"});
    EXPECT_EQ(Entries(id), (Places{"0:shown", "2:shown", "7:shown"}));
    EXPECT_EQ(DumpTree(store, LocalMachine(), EntryPath(7, id)),
              Describe(TreeKey{L"", {Sz(L"SearchHelper", L"Varnoset: Alpha")}}));
    run({L"move", id + L"@network-all", L"--to", L"controlpanel-user"});
    EXPECT_EQ(Entries(id), (Places{"0:shown", "1:shown", "2:shown"}));
    run({L"copy", id, L"--to", L"desktop-user"}); // already there: nothing to do
    EXPECT_EQ(Entries(id), (Places{"0:shown", "1:shown", "2:shown"}));
    EXPECT_EQ(ClassDump(id), created) << "entry commands leave the class key alone";

    run({L"rename", id + L"@controlpanel-user", L"--name", L"Beta"});
    run({L"comment", id, L"--text", L"Tip"});
    run({L"icon", id, L"--location", L"C:\\icons.dll,-2"});
    run({L"position", id, L"--value", L"7"});
    // The four values changed, nothing else.
    std::string expected = created;
    auto replace = [&expected](const std::string& from, const std::string& to) {
        const std::size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    const std::size_t icon = created.find("[DefaultIcon]\n");
    const std::size_t afterIcon = created.find('[', icon + 1);
    replace(created.substr(icon, afterIcon - icon),
            "[DefaultIcon]\n  \"\" REG_SZ 32 \"C:\\u005cicons.dll,-2\"\n");
    replace("  \"\" REG_SZ 12 \"Alpha\"\n", "  \"\" REG_SZ 10 \"Beta\"\n  \"InfoTip\" REG_SZ 8 \"Tip\"\n");
    replace("  \"{305ca226", "  \"SortOrderIndex\" REG_DWORD 4 0x00000007\n  \"{305ca226");
    EXPECT_EQ(ClassDump(id), expected);

    run({L"delete", id + L"@desktop-user"});
    EXPECT_EQ(Entries(id), (Places{"1:shown", "2:shown"}));
    EXPECT_NE(ClassDump(id), kMissingTree) << "the class key stays while entries are left";
    run({L"delete", id});
    EXPECT_EQ(Entries(id), Places{});
    EXPECT_EQ(DumpTree(store, CurrentUser(), ClassKeyPath(id)), kMissingTree);
    EXPECT_EQ(DumpTree(store, LocalMachine(), ClassKeyPath(id)), created)
        << "the copy made for other users stays: the last delete takes the key its record was read from";
}

TEST_F(CliTest, AnExportedObjectDeletedComesBackWholeByImport) {
    const std::wstring id =
        Create({L"--name", L"Round", L"--folder", L"C:\\", L"--places", L"desktop,network"});
    const std::string classKey = ClassDump(id);
    const std::vector<std::string> entries = Entries(id);
    uitest::TempFolder folder;
    const std::wstring file = folder.File(L"round trip.reg");
    EXPECT_EQ(RunCli({L"export", id, L"--out", file}).status, 0u);
    EXPECT_EQ(RunCli({L"delete", id}).status, 0u);
    ASSERT_EQ(ClassDump(id), kMissingTree);
    const CliRun import = RunCli({L"import", file});
    EXPECT_EQ(import.status, 0u) << Utf8(import.err);
    EXPECT_EQ(import.out + import.err, L"");
    EXPECT_EQ(ClassDump(id), classKey);
    EXPECT_EQ(Entries(id), entries);
}

// ---------------------------------------------------------------------------------------

// The class identifiers in this user's classes and in the machine's.
std::vector<std::wstring> ClassNames(RegistryStore& store) {
    std::vector<std::wstring> names;
    for (KeyHandle hive : {CurrentUser(), LocalMachine()}) {
        const std::vector<std::wstring> some = SubkeyNames(store, hive, kClassesPath);
        names.insert(names.end(), some.begin(), some.end());
    }
    return names;
}

TEST_F(CliTest, EachBadInputGetsOneLineAndItsStatusAndChangesNothing) {
    const std::wstring id = Create({L"--name", L"Kept", L"--folder", L"C:\\", L"--places", L"desktop"});
    const std::wstring usage = RunCli({L"--help"}).out;
    auto snapshot = [this, &id] {
        std::string text = ClassDump(id);
        for (const NamespaceLocation& place : NamespaceLocations())
            text += DumpTree(store, place.hive, place.nameSpacePath);
        for (const std::wstring& name : ClassNames(store))
            text += Utf8(name) + "\n";
        return text;
    };
    const std::string before = snapshot();
    const std::wstring unknownId = L"{c11c0000-0000-4000-8000-00000000dead}";
    struct Case {
        std::vector<std::wstring> args;
        DWORD status;
        std::wstring line;
    };
    const Case cases[] = {
        {{}, 2, L"No command given."},
        {{L"frobnicate"}, 2, L"Unknown command: frobnicate"},
        {{L"export", id}, 2, L"export needs the option --out."},
        {{L"import", L"C:\\no such file.reg"}, 1, L"Could not read C:\\no such file.reg."},
        {{L"list", L"--colour"}, 2, L"Unknown option for list: --colour"},
        {{L"rename", id, L"--name"}, 2, L"Option --name needs a value."},
        {{L"hide", L"{1234}"},
         2,
         L"Not a class identifier: {1234} (expected {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx})"},
        {{L"copy", id, L"--to", L"attic-user"},
         2,
         L"Unknown place: attic-user (expected desktop, mycomputer, controlpanel or network, with -user or "
         L"-all)"},
        {{L"move", id, L"--to", L"desktop"},
         2,
         L"Place desktop needs its scope: desktop-user or desktop-all."},
        {{L"create", L"--name", L"X", L"--folder", L"C:\\", L"--places", L"desktop-all"},
         2,
         L"Place desktop-all is all users', but --all-users is not given."},
        {{L"create", L"--name", L"X", L"--folder", L"C:\\", L"--program", L"x.exe", L"--places", L"desktop"},
         2,
         L"--folder and --program cannot be given together."},
        {{L"position", id, L"--value", L"256"}, 2, L"Not a position from 0 to 255: 256"},
        {{L"create", L"--name", std::wstring(290, L'n'), L"--folder", L"C:\\", L"--places", L"desktop"},
         2,
         L"The value of --name is longer than 289 characters."},
        {{L"hide", unknownId}, 1, L"No such object: " + unknownId},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(nothing)"
                                    : Utf8(c.args[0]) + " ... " + Utf8(c.args.back().substr(0, 40)));
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, L"");
        EXPECT_EQ(run.err, c.line + L"\r\n" + (c.status == 2 ? usage : L""));
        EXPECT_EQ(snapshot(), before);
    }
}

} // namespace
} // namespace vs::test

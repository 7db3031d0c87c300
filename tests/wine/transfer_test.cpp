// Export, import and undo in the installed-objects dialog, on the test prefix's registry:
// every changing command is taken back with Ctrl+Z to the whole registry as it was, the
// selection is exported and imported back, bad files are refused with their line and
// write nothing, and a registry changed underneath is overwritten only when the user says
// so. The dialogs the commands open are worked by a script while the command runs.

#include "mainwnd/Places.h"
#include "res/resource.h"
#include "store/BackupFolder.h"
#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"
#include "store/MemoryRegistry.h"
#include "store/NamespaceLocation.h"
#include "store/RegFileParser.h"
#include "tests/support/RegFileSupport.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/MainWindowFixture.h"
#include "tests/wine/UiDriver.h"
#include "tests/wine/WizardDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace vs::test {
namespace {

using uitest::FindDialog;
using uitest::FindOwnedDialog;

constexpr wchar_t kAlpha[] = L"{a1400000-0000-4000-8000-000000000001}";
constexpr wchar_t kBeta[] = L"{b1400000-0000-4000-8000-000000000002}";
constexpr wchar_t kGamma[] = L"{e1400000-0000-4000-8000-000000000005}"; // this user's object
constexpr wchar_t kGood[] = L"{d1400000-0000-4000-8000-000000000004}";  // what the good file adds
constexpr wchar_t kNewUuid[] = L"c1400000-0000-4000-8000-000000000003"; // what the wizard creates
constexpr wchar_t kNew[] = L"{c1400000-0000-4000-8000-000000000003}";
constexpr wchar_t kLost[] = L"{f1400000-0000-4000-8000-000000000006}"; // an entry without class key

std::wstring FullEntry(int place, const std::wstring& keyName) {
    return FullKeyName(PlaceByIndex(place)->hive, EntryPath(place, keyName));
}

// The file name field of the file dialogs (edt1, or the combo box cmb13 around it).
HWND FileNameField(HWND browser) {
    const HWND edit = GetDlgItem(browser, 0x480);
    return edit ? edit : GetDlgItem(browser, 0x47c);
}

// Where two registry texts part, so that a failure does not print megabytes.
std::string Around(const std::string& a, const std::string& b) {
    const auto at =
        static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
    const std::size_t from = at < 100 ? 0 : at - 100;
    return "expected ..." + a.substr(from, 200) + "\n   actual ..." + b.substr(from, 200);
}
#define EXPECT_SAME_REGISTRY(expected, actual)                                                               \
    do {                                                                                                     \
        const std::string expectedText = (expected), actualText = (actual);                                  \
        EXPECT_TRUE(expectedText == actualText) << Around(expectedText, actualText);                         \
    } while (false)

class TransferTest : public MainWindowFixture {
protected:
    TransferTest() : MainWindowFixture({kAlpha, kBeta, kGamma, kGood, kNew, kLost}) {
        platform.uuids = {kNewUuid};
        WriteObject(store, kAlpha, L"Alpha", {{0, L""}, {4, L""}});
        WriteObject(store, kBeta, L"Beta", {{2, L"hidden"}});
        WriteObject(store, kGamma, L"Gamma", {{0, L""}}, CurrentUser());
        WriteEntry(1, kLost);
    }

    // A marked folder object, its class key in the machine's classes unless said, with
    // entries at the places given (their key names with a prefix: "hidden").
    static void WriteObject(RegistryStore& registry, const wchar_t* clsid, const std::wstring& name,
                            const std::vector<std::pair<int, std::wstring>>& entries,
                            KeyHandle classes = LocalMachine()) {
        ASSERT_EQ(WriteTree(registry, classes,
                            TreeKey{ClassKeyPath(clsid),
                                    {Sz(L"", name), Sz(L"SearchHelper", L"Varnoset: " + name)},
                                    {{L"Instance\\InitPropertyBag", {ExpandSz(L"Target", L"C:\\" + name)}}}}),
                  kOk);
        for (const auto& [place, prefix] : entries)
            ASSERT_EQ(
                WriteTree(registry, PlaceByIndex(place)->hive,
                          TreeKey{EntryPath(place, prefix + clsid), {Sz(L"SearchHelper", L"Varnoset: e")}}),
                kOk);
    }

    void OpenOver(RegistryStore* registry = nullptr) {
        Open(SW_SHOW, registry);
        dialog->SetBackupFolder(backups.Path());
    }
    // Both hives whole, but for the keys Wine keeps for itself while it runs.
    std::string Whole() {
        std::istringstream dump(DumpTree(store, CurrentUser(), L"") + DumpTree(store, LocalMachine(), L""));
        std::string whole, line;
        bool skip = false;
        while (std::getline(dump, line)) {
            if (line.rfind("[", 0) == 0)
                skip = line.rfind("[Software\\Wine\\Temporary System Parameters", 0) == 0;
            whole += skip ? "" : line + "\n";
        }
        return whole;
    }
    // Selects a row besides those selected (the window keeps its selection across commands).
    void Select(const std::wstring& name, int place) const {
        MainWindowFixture::Select(name, PlaceLabel(place));
    }

    // Sends a command, or with ctrlKey presses Ctrl and that key in the list, through the
    // window's own loop; a script works what it opens (set up by answer).
    void Run(UINT command, const std::function<void(ModalScript&)>& answer = {}, char ctrlKey = 0,
             Where where = Where::current()) {
        ModalScript script;
        auto control = [](bool down) {
            BYTE keys[256] = {};
            GetKeyboardState(keys);
            keys[VK_CONTROL] = down ? 0x80 : 0;
            SetKeyboardState(keys);
        };
        if (ctrlKey) {
            SetFocus(list);
            script.Do([this, ctrlKey, control] {
                control(true);
                PostMessageW(list, WM_KEYDOWN, static_cast<WPARAM>(ctrlKey), 1);
                PostMessageW(list, WM_KEYUP, static_cast<WPARAM>(ctrlKey), static_cast<LPARAM>(0xC0000001));
            });
            script.Do([=] { control(false); });
        }
        if (answer)
            answer(script);
        if (!ctrlKey)
            return Command(command, script, where);
        script.Do([] { PostQuitMessage(0); });
        script.Start(where);
        dialog->RunMessageLoop();
        ExpectAt(script.Completed(), where, "the script did not run to its end");
    }
    // A script step: once a box or file dialog is owned by the window, notes its text (a
    // file dialog's: the name it offers), types file (if any) and presses button.
    std::function<void(ModalScript&)> Answering(std::wstring& seen, int button, std::wstring file = {}) {
        return [this, &seen, button, file](ModalScript& script) {
            script.Await([this, &seen, button, file] {
                const HWND box = FindOwnedDialog(dialog->Hwnd());
                if (!box)
                    return false;
                seen =
                    FileNameField(box) ? uitest::WindowText(FileNameField(box)) : uitest::MessageBoxText(box);
                if (!file.empty())
                    SetWindowTextW(FileNameField(box), file.c_str());
                uitest::PostClick(box, button);
                return true;
            });
        };
    }
    std::wstring UndoItem() const {
        UniqueMenu menu = dialog->BuildContextMenu();
        wchar_t text[128] = {};
        GetMenuStringW(GetSubMenu(menu.Get(), 0), ID_UNDO, text, 128, MF_BYCOMMAND);
        return text;
    }
    std::vector<std::filesystem::path> Backups() const { return BackupFolder(backups.Path()).List(); }

    uitest::TempFolder backups, files;
};

TEST_F(TransferTest, EveryChangingCommandIsUndoneWithCtrlZToTheWholeRegistryAsBefore) {
    // The good file: a new object for this user in Network Neighborhood, Alpha renamed and
    // Beta's hidden entry removed.
    const std::wstring goodFile = files.File(L"good.reg");
    ASSERT_TRUE(WriteFileBytes(
        goodFile,
        V5(u"\r\n[HKEY_CURRENT_USER\\" + U16(ClassKeyPath(kGood)) + u"]\r\n@=\"Good\"\r\n\"SearchHelper\"=" +
           u"\"Varnoset: Good\"\r\n\r\n[" + U16(FullEntry(3, kGood)) + u"]\r\n\"SearchHelper\"=\"x\"\r\n" +
           u"\r\n[HKEY_LOCAL_MACHINE\\" + U16(ClassKeyPath(kAlpha)) + u"]\r\n@=\"Imported Alpha\"\r\n" +
           u"\r\n[-" + U16(FullEntry(2, std::wstring(L"hidden") + kBeta)) + u"]\r\n")));
    OpenOver();
    auto edit = [](const std::wstring& caption, std::wstring text, int id = IDC_EDIT_TEXT) {
        return [=](ModalScript& script) {
            script.Await([=] {
                const HWND d = FindDialog(caption);
                return d && SetDlgItemTextW(d, id, text.c_str()) && PostMessageW(d, WM_COMMAND, IDOK, 0);
            });
        };
    };
    const auto icon = [](ModalScript& script) {
        script.AwaitDialog(L"Choose Icon", [](HWND chooser) { uitest::ChooseIconAt(chooser, 5); });
    };
    const auto wizard = [](ModalScript& script) { WizardDriver(script).AwaitStep(1).WalkTo(1, 5).Finish(); };
    const auto position = edit(L"Edit Shell Object Position of Alpha", L"42", IDC_POSITION_EDIT);
    const std::wstring copy = L"Copy to Network Neighborhood (all users)",
                       move = L"Move to Control Panel (this user)";
    struct Case {
        std::vector<std::pair<std::wstring, int>> rows;
        UINT command;
        std::wstring name;
        std::vector<int> undoPlaces; // the places the undo notifies, in index order
        std::function<void(ModalScript&)> answer = nullptr;
        const wchar_t* machineCopy = nullptr; // a class key the command copies to the machine's classes
    };
    const Case cases[] = {
        {{{L"Alpha", 0}, {L"Alpha", 4}}, ID_DELETE, L"Delete", {0, 4}},
        {{{L"Alpha", 0}}, ID_HIDE, L"Hide", {0}},
        {{{L"Beta", 2}}, ID_UNHIDE, L"Unhide", {2}},
        {{{L"Alpha", 0}}, ID_COPY_NETWORK_ALL, copy, {7}},
        // ... and this user's object takes its class key along to the machine's classes.
        {{{L"Gamma", 0}}, ID_COPY_NETWORK_ALL, copy, {0, 7}, nullptr, kGamma},
        {{{L"Beta", 2}}, ID_MOVE_CONTROLPANEL_USER, move, {1, 2}},
        {{{L"Alpha", 0}}, ID_RENAME, L"Rename", {0, 4}, edit(L"Edit Shell Object", L"Renamed")},
        {{{L"Alpha", 4}}, ID_CHANGE_COMMENT, L"Change Comment", {0, 4}, edit(L"Edit Shell Object", L"New")},
        {{{L"Alpha", 0}}, ID_CHANGE_ICON, L"Change Icon", {0, 4}, icon},
        {{{L"Alpha", 0}}, ID_SET_EXPLORER_POSITION, L"Set Explorer Position", {0, 4}, position},
        {{}, ID_CREATE_NEW, L"Create New", {4}, wizard},
        {{}, ID_IMPORT, L"Import", {0, 2, 3, 4}},
        {{}, IDC_REPAIR_SELECTED, L"Repair", {1}}, // the check's repair of kLost's entry
        {{{L"Alpha", 0}}, ID_NAVIGATION_PANE, L"Navigation Pane", {0, 4}}, // and its 32-bit copy
        {{{L"Gamma", 0}, {L"Alpha", 4}}, ID_DESKTOP_ICON, L"Desktop Icon", {0, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        const std::string start = Whole();
        SelectNone();
        for (const auto& [name, place] : c.rows)
            Select(name, place);
        if (c.command == ID_IMPORT)
            EXPECT_TRUE(dialog->ImportFile(goodFile));
        else if (c.command == IDC_REPAIR_SELECTED)
            dialog->RepairProblems(dialog->FindProblems(true), {});
        else
            Run(c.command, c.answer);
        EXPECT_EQ(UndoItem(), L"&Undo " + c.name + L"\tCtrl+Z")
            << "no step for a command that changed something";
        if (c.machineCopy)
            EXPECT_EQ(DumpTree(store, LocalMachine(), ClassKeyPath(c.machineCopy)),
                      DumpTree(store, CurrentUser(), ClassKeyPath(c.machineCopy)));
        ASSERT_FALSE(Backups().empty());
        EXPECT_EQ(Backups().back().filename().wstring().substr(24), c.name + L".reg");
        ExpectAsRebuilt();

        platform.notified.clear();
        Run(ID_UNDO, {}, 'Z');
        EXPECT_SAME_REGISTRY(start, Whole());
        ExpectAsRebuilt();
        std::vector<int> folders;
        for (int place : c.undoPlaces)
            folders.push_back(PlaceByIndex(place)->folderCsidl);
        EXPECT_EQ(platform.notified, folders);
        EXPECT_TRUE(dialog->History().Empty());
    }
    EXPECT_EQ(Backups().size(), std::size(cases)) << "one backup per command";
}

// Each class key comes from the classes it stands in, this user's or the machine's.
TEST_F(TransferTest, ExportHoldsEachKeyOfTheSelectionOnceAndImportsBackToTheSameRegistry) {
    // Alpha's desktop icon is hidden for all users, beside a value of a class not exported.
    ASSERT_EQ(
        WriteTree(store, LocalMachine(), TreeKey{kHideDesktopIconsPath, {Dword(kGood, 1), Dword(kAlpha, 1)}}),
        kOk);
    OpenOver();
    for (const auto& [name, place] : {std::pair{L"Alpha", 0}, {L"Alpha", 4}, {L"Beta", 2}, {L"Gamma", 0}})
        Select(name, place);
    const std::wstring file = files.File(L"export.reg");
    std::wstring offered;
    Run(ID_EXPORT, Answering(offered, IDOK, file), 'E');
    EXPECT_EQ(offered, L"Alpha.reg");

    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(file, bytes, kMaxRegFileBytes));
    const RegFileParse parsed = ParseRegFile(bytes.data(), bytes.size());
    std::vector<std::wstring> keys, expected;
    for (const RegFileKey& key : parsed.file.keys)
        keys.push_back(FullKeyName(key.root, key.path));
    auto object = [&](KeyHandle classes, const wchar_t* clsid, std::vector<std::wstring> entries) {
        const std::wstring key = FullKeyName(classes, ClassKeyPath(clsid));
        expected.insert(expected.end(), {key, key + L"\\Instance", key + L"\\Instance\\InitPropertyBag"});
        expected.insert(expected.end(), entries.begin(), entries.end());
    };
    object(LocalMachine(), kAlpha, {FullEntry(4, kAlpha), FullEntry(0, kAlpha)});
    object(LocalMachine(), kBeta, {FullEntry(2, L"hidden" + std::wstring(kBeta))});
    object(CurrentUser(), kGamma, {FullEntry(0, kGamma)});
    expected.push_back(FullKeyName(LocalMachine(), kHideDesktopIconsPath));
    EXPECT_EQ(keys, expected);
    ASSERT_EQ(parsed.file.keys.back().values.size(), 1u) << "only Alpha's desktop-icon value";

    const std::string start = Whole();
    for (const RegFileKey& key : parsed.file.keys)
        if (key.path != kHideDesktopIconsPath)
            RemoveTree(store, key.root, key.path);
    ASSERT_EQ(WriteTree(store, LocalMachine(), TreeKey{kHideDesktopIconsPath, {Dword(kAlpha, 0)}}), kOk);
    EXPECT_TRUE(dialog->ImportFile(file));
    EXPECT_SAME_REGISTRY(start, Whole());
}

TEST_F(TransferTest, TheBackupOfACommandImportedBringsBackTheRegistryBeforeIt) {
    for (KeyHandle hive : {CurrentUser(), LocalMachine()})
        ASSERT_EQ(WriteTree(store, hive, TreeKey{kHideDesktopIconsPath, {Dword(kBeta, 0)}}), kOk);
    OpenOver();
    for (UINT command : {ID_DELETE, ID_DESKTOP_ICON}) {
        const std::string start = Whole();
        SelectNone();
        Select(L"Alpha", 0);
        Select(L"Alpha", 4);
        Run(command);
        ASSERT_FALSE(Backups().empty());
        EXPECT_TRUE(dialog->ImportFile(Backups().back())) << command;
        EXPECT_SAME_REGISTRY(start, Whole());
    }
}

TEST_F(TransferTest, ABadFileIsRefusedWithItsLineAndNothingOfItIsWritten) {
    const std::u16string alpha =
        u"\r\n[HKEY_LOCAL_MACHINE\\" + U16(ClassKeyPath(kAlpha)) + u"]\r\n@=\"Changed\"\r\n";
    const std::pair<std::vector<std::uint8_t>, std::wstring> cases[] = {
        {V5(alpha + u"\"x\"=hex:01,2\r\n"), L"Line 5: A hex byte is written with one digit."},
        {V5(alpha + u"\"x\"=hex:01,\\\r\n"), L"Line 5: The file ends in the middle of a value"},
        {Ansi("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software]\r\n\"n\"=dword:123456789\r\n"),
         L"Line 3: dword: has more than 8 hex digits."},
        {V5(alpha + u"[HKEY_CURRENT_USER\\Software\\Elsewhere]\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software]\r\n"),
         L"These keys do not belong to a shell object:\nLine 5: [HKEY_CURRENT_USER\\Software\\Elsewhere]\n"
         L"Line 7: [-HKEY_LOCAL_MACHINE\\Software]"},
    };
    OpenOver();
    const std::string start = Whole();
    const std::wstring file = files.File(L"bad.reg");
    for (const auto& [bytes, says] : cases) {
        SCOPED_TRACE(testing::PrintToString(says));
        ASSERT_TRUE(WriteFileBytes(file, bytes));
        std::wstring said;
        ModalScript script;
        Answering(said, IDOK)(script);
        script.Start();
        EXPECT_FALSE(dialog->ImportFile(file));
        EXPECT_TRUE(script.Completed());
        EXPECT_EQ(said.rfind(L"Could not import " + file + L".\n\n", 0), 0u) << testing::PrintToString(said);
        EXPECT_NE(said.find(says), std::wstring::npos) << testing::PrintToString(said);
        EXPECT_EQ(said.substr(said.size() - 22), L"\n\nNothing was written.");
        EXPECT_SAME_REGISTRY(start, Whole());
    }
    EXPECT_TRUE(dialog->History().Empty());
    EXPECT_TRUE(Backups().empty());
}

TEST_F(TransferTest, UndoAsksBeforeOverwritingAChangeMadeUnderneathAndNoLeavesItAlone) {
    OpenOver();
    const std::string start = Whole();
    Select(L"Alpha", 0);
    Run(ID_HIDE);
    const std::wstring hidden = std::wstring(L"hidden") + kAlpha;
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{EntryPath(0, hidden), {Sz(L"Added", L"elsewhere")}}),
              kOk);
    const std::string changed = Whole();

    std::wstring asked;
    Run(ID_UNDO, Answering(asked, IDNO));
    EXPECT_EQ(asked, L"Since \"Hide\", these keys were changed by something else:\n" + FullEntry(0, hidden) +
                         L"\n\nUndo anyway and overwrite those changes?");
    EXPECT_SAME_REGISTRY(changed, Whole());
    Run(ID_UNDO, Answering(asked, IDYES), 'Z');
    EXPECT_SAME_REGISTRY(start, Whole());
}

TEST_F(TransferTest, AFailedUndoSaysWhatItCouldNotWriteChangesNothingAndKeepsTheStep) {
    MemoryRegistry memory;
    WriteObject(memory, kAlpha, L"Alpha", {{0, L""}});
    OpenOver(&memory);
    auto whole = [&] { return DumpTree(memory, CurrentUser(), L"") + DumpTree(memory, LocalMachine(), L""); };
    const std::string start = whole();
    Select(L"Alpha", 0);
    Run(ID_HIDE);
    const std::string hidden = whole();

    memory.FailNthCall(MemoryRegistry::Op::SetValue, 1);
    std::wstring said;
    Run(ID_UNDO, Answering(said, IDOK), 'Z');
    EXPECT_EQ(said, L"Could not undo \"Hide\".\n\nWriting the value \"SearchHelper\" of " +
                        FullEntry(0, kAlpha) +
                        L" failed: Access denied.\n\nNothing was changed; \"Hide\" can be undone later.");
    EXPECT_SAME_REGISTRY(hidden, whole());
    Run(ID_UNDO, {}, 'Z');
    EXPECT_SAME_REGISTRY(start, whole());
    dialog.reset(); // it saves its settings into the registry, which goes first
}

} // namespace
} // namespace vs::test

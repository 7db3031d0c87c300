// Export, import and undo in the installed-objects dialog, on the test prefix's registry:
// every changing command is taken back with Ctrl+Z to the whole registry as it was, the
// selection is exported and imported back, bad files are refused with their line and
// write nothing, and a registry changed underneath is overwritten only when the user says
// so. The dialogs the commands open are worked by a script while the command runs.

#include "mainwnd/DeleteObject.h"
#include "mainwnd/ListViewInventory.h"
#include "mainwnd/Places.h"
#include "res/resource.h"
#include "store/BackupFolder.h"
#include "store/MemoryRegistry.h"
#include "store/NamespaceLocation.h"
#include "store/RegFileParser.h"
#include "store/WinRegistry.h"
#include "tests/support/RegFileSupport.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/TestPlatform.h"
#include "tests/wine/ModalScript.h"
#include "tests/wine/UiDriver.h"
#include "tests/wine/WizardDriver.h"

#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

namespace vs::test {
namespace {

using uitest::FindDialog;
using uitest::FindOwnedDialog;
using uitest::PostClick;
using uitest::WindowText;

constexpr wchar_t kAlpha[] = L"{a1400000-0000-4000-8000-000000000001}";
constexpr wchar_t kBeta[] = L"{b1400000-0000-4000-8000-000000000002}";
constexpr wchar_t kGood[] = L"{d1400000-0000-4000-8000-000000000004}";  // what the good file adds
constexpr wchar_t kNewUuid[] = L"c1400000-0000-4000-8000-000000000003"; // what the wizard creates
constexpr wchar_t kNew[] = L"{c1400000-0000-4000-8000-000000000003}";

std::wstring ClassPath(const wchar_t* clsid) {
    return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}
std::wstring EntryPath(int place, const std::wstring& keyName) {
    return std::wstring(PlaceByIndex(place)->nameSpacePath) + L"\\" + keyName;
}
std::wstring FullEntry(int place, const std::wstring& keyName) {
    return FullKeyName(PlaceByIndex(place)->hive, EntryPath(place, keyName));
}
std::u16string U(const std::wstring& text) {
    return U16(text);
}

// The file name field of the file dialogs (edt1, or the combo box cmb13 around it).
HWND FileNameField(HWND browser) {
    if (HWND edit = GetDlgItem(browser, 0x480))
        return edit;
    return GetDlgItem(browser, 0x47c);
}

// A script step: once a box or dialog is owned by the window, notes its text (a file
// dialog: its offered name), lets act fill it in and presses button.
std::function<bool()> Answer(const HWND& owner, std::wstring& seen, int button,
                             std::function<void(HWND)> act = nullptr) {
    return [&owner, &seen, button, act] {
        const HWND box = FindOwnedDialog(owner);
        if (!box)
            return false;
        seen = FileNameField(box) ? WindowText(FileNameField(box)) : uitest::MessageBoxText(box);
        if (act)
            act(box);
        PostClick(box, button);
        return true;
    };
}
std::function<void(HWND)> TypeFileName(const std::wstring& path) {
    return [path](HWND box) { SetWindowTextW(FileNameField(box), path.c_str()); };
}

// Where two registry texts part: the first line that differs in each, for a failure message
// that does not print megabytes.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    std::istringstream a(expected), b(actual);
    std::string left, right;
    for (int line = 1;; ++line) {
        const bool more = static_cast<bool>(std::getline(a, left));
        const bool moreActual = static_cast<bool>(std::getline(b, right));
        if (!more && !moreActual)
            return "no difference";
        if (!more || !moreActual || left != right)
            return "line " + std::to_string(line) + ": expected " + (more ? left : "(end)") + "\n   actual " +
                   (moreActual ? right : "(end)");
    }
}
#define EXPECT_SAME_REGISTRY(expected, actual)                                                               \
    do {                                                                                                     \
        const std::string expectedText = (expected), actualText = (actual);                                  \
        EXPECT_TRUE(expectedText == actualText) << FirstDifference(expectedText, actualText);                \
    } while (false)

class TransferTest : public ::testing::Test {
protected:
    TransferTest() {
        InitCommonControls();
        (void)CoInitialize(nullptr);
        platform.uuids = {kNewUuid};
        for (const wchar_t* clsid : {kAlpha, kBeta, kGood, kNew}) {
            for (KeyHandle hive : {CurrentUser(), LocalMachine()})
                cleanup.Add(hive, ClassPath(clsid));
            for (const NamespaceLocation& place : NamespaceLocations()) {
                cleanup.Add(place.hive, EntryPath(place.index, clsid));
                cleanup.Add(place.hive, EntryPath(place.index, std::wstring(L"hidden") + clsid));
            }
        }
        WriteObject(store, kAlpha, L"Alpha", {{0, L""}, {4, L""}});
        WriteObject(store, kBeta, L"Beta", {{2, L"hidden"}});
    }
    ~TransferTest() override {
        dialog.reset();
        CoUninitialize();
    }

    // A marked folder object in the machine's classes with entries at the places given
    // (with a key name prefix: "hidden").
    static void WriteObject(RegistryStore& registry, const wchar_t* clsid, const std::wstring& name,
                            const std::vector<std::pair<int, std::wstring>>& entries) {
        ASSERT_EQ(WriteTree(registry, LocalMachine(),
                            TreeKey{ClassPath(clsid),
                                    {Sz(L"", name), Sz(L"InfoTip", L"about " + name),
                                     Sz(L"SearchHelper", L"Varnoset: " + name)},
                                    {{L"Instance\\InitPropertyBag", {ExpandSz(L"Target", L"C:\\" + name)}}}}),
                  kOk);
        for (const auto& [place, prefix] : entries)
            ASSERT_EQ(WriteTree(registry, PlaceByIndex(place)->hive,
                                TreeKey{EntryPath(place, prefix + clsid),
                                        {Sz(L"SearchHelper", L"Varnoset: entry")}}),
                      kOk);
    }

    void Open(RegistryStore& registry) {
        dialog = std::make_unique<CDeleteObject>(registry, platform);
        dialog->SetBackupFolder(backups.Path());
        ASSERT_NE(dialog->CreateModeless(), nullptr);
        owner = dialog->Hwnd();
        list = dialog->Item(IDC_OBJECT_LIST);
    }
    // Both hives whole, as one text, but for the keys Wine keeps for itself while it runs.
    std::string Whole() {
        std::istringstream dump(DumpTree(store, CurrentUser(), L"") + DumpTree(store, LocalMachine(), L""));
        std::string whole, line;
        bool skip = false;
        while (std::getline(dump, line)) {
            if (line.rfind("[", 0) == 0)
                skip = line.rfind("[Software\\Wine\\Temporary System Parameters", 0) == 0;
            if (!skip)
                whole += line + "\n";
        }
        return whole;
    }
    // The objects' keys: both class keys and every place.
    std::string Objects() {
        std::string dump;
        for (const wchar_t* clsid : {kAlpha, kBeta})
            dump += DumpTree(store, LocalMachine(), ClassPath(clsid));
        for (const NamespaceLocation& place : NamespaceLocations())
            dump += DumpTree(store, place.hive, place.nameSpacePath);
        return dump;
    }

    void Select(const std::wstring& name, int place) const {
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            if (ListItemText(list, row, 0) != name || ListItemText(list, row, 1) != PlaceLabel(place))
                continue;
            LVITEMW item{};
            item.stateMask = item.state = LVIS_SELECTED;
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            return;
        }
        ADD_FAILURE() << "no row " << testing::PrintToString(name) << " in place " << place;
    }
    // Runs a menu command (or, with ctrlKey, presses Ctrl and that key in the list) while
    // the script answers what it opens.
    void Run(ModalScript& script, UINT command, char ctrlKey = 0, Where where = Where::current()) {
        script.Start(where);
        if (ctrlKey) {
            BYTE keys[256] = {};
            GetKeyboardState(keys);
            keys[VK_CONTROL] = 0x80;
            SetKeyboardState(keys);
            SendMessageW(list, WM_KEYDOWN, static_cast<WPARAM>(ctrlKey), 1);
            keys[VK_CONTROL] = 0;
            SetKeyboardState(keys);
        } else {
            SendMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        }
        ExpectAt(script.Completed(), where, "the script did not run to its end");
    }
    void Run(UINT command, char ctrlKey = 0, Where where = Where::current()) {
        ModalScript none;
        Run(none, command, ctrlKey, where);
    }
    std::wstring UndoItem() const {
        UniqueMenu menu = dialog->BuildContextMenu();
        wchar_t text[128] = {};
        GetMenuStringW(GetSubMenu(menu.Get(), 0), ID_UNDO, text, 128, MF_BYCOMMAND);
        return text;
    }
    std::vector<std::filesystem::path> Backups() const { return BackupFolder(backups.Path()).List(); }

    WinRegistry store;
    TestPlatform platform;
    TreeCleanup cleanup{store};
    uitest::TempFolder backups, files;
    std::unique_ptr<CDeleteObject> dialog;
    HWND owner = nullptr;
    HWND list = nullptr;
};

// The good file: a new object for this user in Network Neighborhood, Alpha renamed, Beta's
// hidden entry removed.
std::vector<std::uint8_t> GoodFile() {
    return V5(u"\r\n[HKEY_CURRENT_USER\\" + U(ClassPath(kGood)) +
              u"]\r\n@=\"Good\"\r\n\"SearchHelper\"=\"Varnoset: Good\"\r\n" + u"\r\n[" +
              U(FullEntry(3, kGood)) + u"]\r\n\"SearchHelper\"=\"Varnoset: entry\"\r\n" +
              u"\r\n[HKEY_LOCAL_MACHINE\\" + U(ClassPath(kAlpha)) + u"]\r\n@=\"Imported Alpha\"\r\n" +
              u"\r\n[-" + U(FullEntry(2, std::wstring(L"hidden") + kBeta)) + u"]\r\n");
}

TEST_F(TransferTest, EveryChangingCommandIsUndoneWithCtrlZToTheWholeRegistryAsBefore) {
    const std::wstring goodFile = files.File(L"good.reg");
    ASSERT_TRUE(WriteFileBytes(goodFile, GoodFile()));
    Open(store);
    auto edit = [](const std::wstring& caption, std::wstring text, int id = IDC_EDIT_TEXT) {
        return [=](ModalScript& script) {
            script.Await([=] {
                const HWND d = FindDialog(caption);
                return d && SetDlgItemTextW(d, id, text.c_str()) && PostMessageW(d, WM_COMMAND, IDOK, 0);
            });
        };
    };
    struct Case {
        const char* name;
        std::vector<std::pair<std::wstring, int>> rows;
        UINT command;
        std::wstring commandName;
        std::vector<int> undoPlaces; // the places the undo notifies, in index order
        std::function<void(ModalScript&)> answer = nullptr;
    };
    const Case cases[] = {
        {"delete", {{L"Alpha", 0}, {L"Alpha", 4}}, ID_DELETE, L"Delete", {0, 4}},
        {"hide", {{L"Alpha", 0}}, ID_HIDE, L"Hide", {0}},
        {"unhide", {{L"Beta", 2}}, ID_UNHIDE, L"Unhide", {2}},
        {"copy", {{L"Alpha", 0}}, ID_COPY_NETWORK_ALL, L"Copy to Network Neighborhood (all users)", {7}},
        {"move", {{L"Beta", 2}}, ID_MOVE_CONTROLPANEL_USER, L"Move to Control Panel (this user)", {1, 2}},
        {"rename", {{L"Alpha", 0}}, ID_RENAME, L"Rename", {0, 4}, edit(L"Edit Shell Object", L"Renamed")},
        {"comment",
         {{L"Alpha", 4}},
         ID_CHANGE_COMMENT,
         L"Change Comment",
         {0, 4},
         edit(L"Edit Shell Object", L"New")},
        {"icon",
         {{L"Alpha", 0}},
         ID_CHANGE_ICON,
         L"Change Icon",
         {0, 4},
         [](ModalScript& script) {
             script.AwaitDialog(L"Choose Icon", [](HWND chooser) { uitest::ChooseIconAt(chooser, 5); });
         }},
        {"position",
         {{L"Alpha", 0}},
         ID_SET_EXPLORER_POSITION,
         L"Set Explorer Position",
         {0, 4},
         edit(L"Edit Shell Object Position of Alpha", L"42", IDC_POSITION_EDIT)},
        {"create",
         {},
         ID_CREATE_NEW,
         L"Create New",
         {4},
         [](ModalScript& script) { WizardDriver(script).AwaitStep(1).WalkTo(1, 5).Finish(); }},
        {"import", {}, ID_IMPORT, L"Import", {0, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string start = Whole();
        for (const auto& [name, place] : c.rows)
            Select(name, place);
        ModalScript script;
        if (c.answer)
            c.answer(script);
        if (c.command == ID_IMPORT)
            EXPECT_TRUE(dialog->ImportFile(goodFile));
        else
            Run(script, c.command);
        EXPECT_FALSE(dialog->History().Empty()) << "the command changed nothing";
        EXPECT_EQ(UndoItem(), L"&Undo " + c.commandName + L"\tCtrl+Z");
        ASSERT_FALSE(Backups().empty());
        EXPECT_EQ(Backups().back().filename().wstring().substr(24), c.commandName + L".reg");

        platform.notified.clear();
        Run(ID_UNDO, 'Z');
        EXPECT_SAME_REGISTRY(start, Whole());
        std::vector<int> folders;
        for (int place : c.undoPlaces)
            folders.push_back(PlaceByIndex(place)->folderCsidl);
        EXPECT_EQ(platform.notified, folders);
        EXPECT_TRUE(dialog->History().Empty());
    }
    EXPECT_EQ(Backups().size(), std::size(cases)) << "one backup per command";
}

TEST_F(TransferTest, ExportHoldsEachKeyOfTheSelectionOnceAndImportsBackToTheSameRegistry) {
    Open(store);
    Select(L"Alpha", 0);
    Select(L"Alpha", 4);
    Select(L"Beta", 2);
    const std::wstring file = files.File(L"export.reg");
    std::wstring offered;
    ModalScript script;
    script.Await(Answer(owner, offered, IDOK, TypeFileName(file)), "the save dialog");
    Run(script, ID_EXPORT, 'E');
    EXPECT_EQ(offered, L"Alpha.reg");

    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(file, bytes, kMaxRegFileBytes));
    const RegFileParse parsed = ParseRegFile(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed.Ok());
    std::vector<std::wstring> keys;
    for (const RegFileKey& key : parsed.file.keys)
        keys.push_back(FullKeyName(key.root, key.path));
    auto classKeys = [](const wchar_t* clsid) {
        const std::wstring top = FullKeyName(LocalMachine(), ClassPath(clsid));
        return std::vector<std::wstring>{top, top + L"\\Instance", top + L"\\Instance\\InitPropertyBag"};
    };
    std::vector<std::wstring> expected = classKeys(kAlpha);
    expected.push_back(FullEntry(0, kAlpha));
    expected.push_back(FullEntry(4, kAlpha));
    for (const std::wstring& key : classKeys(kBeta))
        expected.push_back(key);
    expected.push_back(FullEntry(2, std::wstring(L"hidden") + kBeta));
    EXPECT_EQ(keys, expected);

    const std::string start = Whole();
    for (const wchar_t* clsid : {kAlpha, kBeta})
        ASSERT_TRUE(RemoveTree(store, LocalMachine(), ClassPath(clsid)));
    ASSERT_TRUE(RemoveTree(store, CurrentUser(), EntryPath(0, kAlpha)));
    ASSERT_TRUE(RemoveTree(store, LocalMachine(), EntryPath(4, kAlpha)));
    ASSERT_TRUE(RemoveTree(store, CurrentUser(), EntryPath(2, std::wstring(L"hidden") + kBeta)));
    EXPECT_TRUE(dialog->ImportFile(file));
    EXPECT_SAME_REGISTRY(start, Whole());
}

TEST_F(TransferTest, TheBackupOfACommandImportedBringsBackTheObjectsAsBeforeIt) {
    Open(store);
    const std::string start = Objects();
    Select(L"Alpha", 0);
    Select(L"Alpha", 4);
    Run(ID_DELETE);
    ASSERT_EQ(Backups().size(), 1u);
    std::wstring offered;
    ModalScript script;
    script.Await(Answer(owner, offered, IDOK, TypeFileName(Backups().front().wstring())), "the open dialog");
    Run(script, ID_IMPORT);
    EXPECT_EQ(offered, L"");
    EXPECT_SAME_REGISTRY(start, Objects());
    EXPECT_EQ(UndoItem(), L"&Undo Import\tCtrl+Z");
}

TEST_F(TransferTest, ABadFileIsRefusedWithItsLineAndNothingOfItIsWritten) {
    const std::u16string alpha =
        u"\r\n[HKEY_LOCAL_MACHINE\\" + U(ClassPath(kAlpha)) + u"]\r\n@=\"Changed\"\r\n";
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        std::wstring says;
    };
    const Case cases[] = {
        {"one hex digit", V5(alpha + u"\"x\"=hex:01,2\r\n"),
         L"Line 5: A hex byte is written with one digit."},
        {"cut off", V5(alpha + u"\"x\"=hex:01,\\\r\n"), L"Line 5: The file ends in the middle of a value"},
        {"dword too long",
         Ansi("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{a}]\r\n\"n\"=dword:123456789\r\n"),
         L"Line 3: dword: has more than 8 hex digits."},
        {"no header", Ansi("[HKEY_CURRENT_USER\\Software]\r\n"), L"does not start with"},
        {"key outside", V5(alpha + u"[HKEY_CURRENT_USER\\Software\\Elsewhere]\r\n"),
         L"These keys do not belong to a shell object:\nLine 5: [HKEY_CURRENT_USER\\Software\\Elsewhere]"},
        {"deletion outside", V5(alpha + u"\r\n[-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID]\r\n"),
         L"Line 6: [-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID]"},
    };
    Open(store);
    const std::string start = Whole();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring file = files.File(L"bad.reg");
        ASSERT_TRUE(WriteFileBytes(file, c.file));
        std::wstring said;
        ModalScript script;
        script.Await(Answer(owner, said, IDOK), "the message");
        script.Start();
        EXPECT_FALSE(dialog->ImportFile(file));
        EXPECT_TRUE(script.Completed());
        EXPECT_EQ(said.rfind(L"Could not import " + file + L".\n\n", 0), 0u) << testing::PrintToString(said);
        EXPECT_NE(said.find(c.says), std::wstring::npos) << testing::PrintToString(said);
        EXPECT_EQ(said.substr(said.size() - 20), L"Nothing was written.");
        EXPECT_SAME_REGISTRY(start, Whole());
    }
    EXPECT_TRUE(dialog->History().Empty());
    EXPECT_TRUE(Backups().empty());
}

TEST_F(TransferTest, UndoAsksBeforeOverwritingAChangeMadeUnderneathAndNoLeavesItAlone) {
    Open(store);
    const std::string start = Whole();
    Select(L"Alpha", 0);
    Run(ID_HIDE);
    const std::wstring hidden = std::wstring(L"hidden") + kAlpha;
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{EntryPath(0, hidden), {Sz(L"Added", L"elsewhere")}}),
              kOk);
    const std::string changed = Whole();

    std::wstring asked;
    ModalScript no;
    no.Await(Answer(owner, asked, IDNO), "the question");
    Run(no, ID_UNDO);
    EXPECT_EQ(asked, L"Since \"Hide\", these keys were changed by something else:\n" + FullEntry(0, hidden) +
                         L"\n\nUndo anyway and overwrite those changes?");
    EXPECT_SAME_REGISTRY(changed, Whole());
    EXPECT_FALSE(dialog->History().Empty());

    ModalScript yes;
    yes.Await(Answer(owner, asked, IDYES), "the question");
    Run(yes, ID_UNDO, 'Z');
    EXPECT_SAME_REGISTRY(start, Whole());
}

TEST_F(TransferTest, AFailedUndoSaysWhatItCouldNotWriteChangesNothingAndKeepsTheStep) {
    MemoryRegistry memory;
    WriteObject(memory, kAlpha, L"Alpha", {{0, L""}});
    // The window reads classes through HKEY_CLASSES_ROOT, which this registry keeps apart.
    ASSERT_EQ(WriteTree(memory, ClassesRoot(),
                        TreeKey{std::wstring(L"CLSID\\") + kAlpha,
                                {Sz(L"", L"Alpha"), Sz(L"SearchHelper", L"Varnoset: Alpha")}}),
              kOk);
    Open(memory);
    auto whole = [&] { return DumpTree(memory, CurrentUser(), L"") + DumpTree(memory, LocalMachine(), L""); };
    const std::string start = whole();
    Select(L"Alpha", 0);
    Run(ID_HIDE);
    const std::string hidden = whole();

    memory.FailNthCall(MemoryRegistry::Op::SetValue, 1);
    std::wstring said;
    ModalScript script;
    script.Await(Answer(owner, said, IDOK), "the message");
    Run(script, ID_UNDO, 'Z');
    memory.ClearFaults();
    EXPECT_EQ(said, L"Could not undo \"Hide\".\n\nWriting the value \"SearchHelper\" of " +
                        FullEntry(0, kAlpha) +
                        L" failed: Access denied.\n\nNothing was changed; \"Hide\" can be undone later.");
    EXPECT_SAME_REGISTRY(hidden, whole());

    Run(ID_UNDO, 'Z');
    EXPECT_SAME_REGISTRY(start, whole());
    dialog.reset(); // it saves its settings into the registry, which goes first
}

} // namespace
} // namespace vs::test

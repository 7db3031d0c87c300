#include "Registration.h"

#include "ClassRoots.h"
#include "DesktopIcon.h"
#include "NamespaceLocation.h"
#include "RegKey.h"
#include "ShellNotify.h"

#include <cwctype>

namespace vs {

namespace {

// Shell attribute bits (SFGAO_*).
constexpr std::uint32_t kCanCopy = 0x00000001;
constexpr std::uint32_t kCanMove = 0x00000002;
constexpr std::uint32_t kCanLink = 0x00000004;
constexpr std::uint32_t kCanRename = 0x00000010;
constexpr std::uint32_t kCanDelete = 0x00000020;
constexpr std::uint32_t kHasPropertySheet = 0x00000040;
constexpr std::uint32_t kDropTarget = 0x00000100;
constexpr std::uint32_t kRemovable = 0x02000000;
// HASSUBFOLDER | FILESYSTEM | FOLDER | FILESYSANCESTOR | BROWSABLE.
constexpr std::uint32_t kFolderBits = 0xF8000000;

struct AttributeRule {
    bool ShellObjectSpec::*option;
    std::uint32_t bits;
};
constexpr AttributeRule kAttributeRules[] = {
    {&ShellObjectSpec::allowCopy, kCanCopy},        {&ShellObjectSpec::allowMove, kCanMove},
    {&ShellObjectSpec::allowLink, kCanLink},        {&ShellObjectSpec::allowRename, kCanRename},
    {&ShellObjectSpec::allowDelete, kCanDelete},    {&ShellObjectSpec::allowDragDrop, kDropTarget},
    {&ShellObjectSpec::removableMedia, kRemovable},
};

// The Control Panel category property of the class key.
constexpr wchar_t kCategoryValueName[] = L"{305ca226-d286-468e-b848-2b2e8e697b74} 2";
// The shell's folder-shortcut class, which opens a folder object's target.
constexpr wchar_t kFolderShortcutClass[] = L"{0afaced1-e828-11d1-9187-b532f1e9575d}";
// FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY.
constexpr std::uint32_t kTargetAttributes = 0x15;

struct PropertySheetHandler {
    const wchar_t* keyPath;
    const wchar_t* handlerClass;
};
// The folder property pages a folder object offers, in the order they are written.
constexpr PropertySheetHandler kPropertySheetHandlers[] = {
    {L"ShellEx\\PropertySheetHandlers\\tab 1 general", L"{21b22460-3aea-1069-a2dc-08002b30309d}"},
    {L"ShellEx\\PropertySheetHandlers\\tab 2 customize", L"{ef43ecfe-2ab9-4632-bf21-58909dd177f0}"},
    {L"ShellEx\\PropertySheetHandlers\\tab 3 sharing", L"{f81e9010-6ea4-11ce-a7ff-00aa003ca9f6}"},
    {L"ShellEx\\PropertySheetHandlers\\tab 4 security", L"{1f2e5c40-9550-11ce-99d2-00aa006e086c}"},
};

struct PlaceChoice {
    bool ShellObjectSpec::*chosen;
    int placeIndex; // the current user's row; the all-users row is 4 further on
};
// Entry keys are written in this order, each place notified once its key is complete.
constexpr PlaceChoice kPlaceOrder[] = {
    {&ShellObjectSpec::onDesktop, 0},
    {&ShellObjectSpec::inControlPanel, 1},
    {&ShellObjectSpec::inMyComputer, 2},
    {&ShellObjectSpec::inNetworkNeighborhood, 3},
};
constexpr int kAllUsersOffset = 4;

// The class identifier in braces from UuidToStringW's 8-4-4-4-12 text, lower-cased; nothing
// for any other text, which must not become a key name.
std::optional<std::wstring> BracedClassId(const std::wstring& uuid) {
    constexpr std::size_t kLength = 36;
    if (uuid.size() != kLength)
        return std::nullopt;
    std::wstring braced = L"{";
    for (std::size_t i = 0; i < kLength; ++i) {
        const wchar_t c = uuid[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool valid = dash ? c == L'-' : c < 0x80 && std::iswxdigit(static_cast<std::wint_t>(c));
        if (!valid)
            return std::nullopt;
        braced.push_back(static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))));
    }
    braced.push_back(L'}');
    return braced;
}

// Runs the writes of one key tree in order and keeps the first failure; once a write has
// failed, the later ones are not attempted, since what was written will be removed again.
class TreeWriter {
public:
    explicit TreeWriter(RegistryStore& store) : store_(store) {}

    bool Ok() const { return status_ == kOk; }
    Status Result() const { return status_; }
    void Check(Status status) {
        if (status_ == kOk)
            status_ = status;
    }

    // Creates path below parent, lets fill write its values through Check, flushes the key
    // unless told not to, and closes it.
    template <typename Fill>
    void Key(KeyHandle parent, std::wstring_view path, Fill fill, bool flush = true) {
        if (!Ok())
            return;
        RegKey key(store_);
        Check(key.Create(parent, path));
        if (!Ok())
            return;
        fill(key);
        if (flush)
            Check(key.Flush());
    }

private:
    RegistryStore& store_;
    Status status_ = kOk;
};

void WriteClassSubkeys(TreeWriter& writer, KeyHandle classKey, const ShellObjectSpec& spec) {
    writer.Key(classKey, L"DefaultIcon",
               [&](RegKey& key) { writer.Check(key.SetString(nullptr, spec.iconLocation)); });
    writer.Key(classKey, L"ShellFolder", [&](RegKey& key) {
        writer.Check(key.SetDword(L"Attributes", ShellFolderAttributes(spec)));
        writer.Check(key.SetString(L"WantsFORPARSING", L""));
        if (spec.allowDelete && spec.hideIfDeleted)
            writer.Check(key.SetString(L"HideAsDeletePerUser", L""));
    });
    if (!spec.isFolder) {
        writer.Key(classKey, L"Shell\\Open\\Command", [&](RegKey& key) {
            writer.Check(key.SetString(nullptr, spec.programCommand, kRegExpandSz));
        });
        return;
    }
    // Not flushed on its own: the flush of InitPropertyBag below it follows at once.
    writer.Key(
        classKey, L"Instance",
        [&](RegKey& key) { writer.Check(key.SetString(L"CLSID", kFolderShortcutClass)); }, false);
    writer.Key(classKey, L"Instance\\InitPropertyBag", [&](RegKey& key) {
        writer.Check(key.SetDword(L"Attributes", kTargetAttributes));
        writer.Check(key.SetString(L"Target", spec.folderTarget, kRegExpandSz));
    });
    writer.Key(classKey, L"InProcServer32", [&](RegKey& key) {
        writer.Check(key.SetString(nullptr, L"shdocvw.dll"));
        writer.Check(key.SetString(L"ThreadingModel", L"Apartment"));
    });
    if (!spec.enablePropertySheet)
        return;
    for (const PropertySheetHandler& handler : kPropertySheetHandlers)
        writer.Key(classKey, handler.keyPath,
                   [&](RegKey& key) { writer.Check(key.SetString(nullptr, handler.handlerClass)); });
}

// Removes what was written of a key (name below the key at parentPath) again.
void RemoveKey(RegistryStore& store, KeyHandle hive, const std::wstring& parentPath,
               const std::wstring& name) {
    RegKey parent(store);
    if (parent.Open(hive, parentPath, kKeyReadWrite) == kOk)
        (void)parent.DeleteTree(name.c_str()); // it was just written by this program; nothing more to do
}

} // namespace

std::uint32_t ShellFolderAttributes(const ShellObjectSpec& spec) {
    std::uint32_t bits = 0;
    for (const AttributeRule& rule : kAttributeRules)
        if (spec.*rule.option)
            bits |= rule.bits;
    // The folder property pages exist only for folder objects.
    if (spec.isFolder && spec.enablePropertySheet)
        bits |= kHasPropertySheet;
    if (spec.isFolder)
        bits |= kFolderBits;
    return bits;
}

std::optional<std::wstring> CreateShellObject(RegistryStore& store, Platform& platform,
                                              const ShellObjectSpec& spec, Failures& failures) {
    const KeyHandle classesHive = ClassesHive(spec.allUsers);
    // Without a fresh identifier there is no key of our own to write into.
    const std::optional<std::wstring> uuid = platform.NewUuidText();
    const std::optional<std::wstring> clsid = uuid ? BracedClassId(*uuid) : std::nullopt;
    if (!clsid) {
        failures.push_back({Action::Create, spec.name, ClassesPlace(classesHive), kNoClassIdentifier});
        return std::nullopt;
    }
    const std::wstring marker = kMarkerPrefix + spec.name;

    // The class key comes first, whole, and for the navigation pane its 32-bit copy too;
    // both stay open until every entry is written.
    const bool pin = spec.pinToNavigationPane && spec.onDesktop;
    TreeWriter classWriter(store);
    RegKey classKey(store);
    RegKey copyKey(store);
    auto writeClassKey = [&](RegKey& key, const std::wstring& path) {
        classWriter.Check(key.Create(classesHive, path));
        if (!classWriter.Ok())
            return;
        classWriter.Check(key.SetString(nullptr, spec.name));
        if (!spec.infoTip.empty())
            classWriter.Check(key.SetString(L"InfoTip", spec.infoTip));
        // Written whether or not Control Panel is chosen: the object may be copied there later.
        classWriter.Check(key.SetDword(kCategoryValueName, spec.controlPanelCategory));
        classWriter.Check(key.SetString(kMarkerValueName, marker));
        if (pin)
            classWriter.Check(key.SetDword(kPinnedValueName, 1));
        if (classWriter.Ok())
            classWriter.Check(key.Flush());
        WriteClassSubkeys(classWriter, key.Get(), spec);
    };
    writeClassKey(classKey, ClassKeyPath(*clsid));
    if (pin && classWriter.Ok())
        writeClassKey(copyKey, Class32KeyPath(*clsid));
    if (!classWriter.Ok()) {
        if (classKey.IsOpen()) {
            classKey.Close();
            RemoveKey(store, classesHive, kClassesPath, *clsid);
        }
        if (copyKey.IsOpen()) {
            copyKey.Close();
            RemoveKey(store, classesHive, kClasses32Path, *clsid);
        }
        failures.push_back({Action::Create, spec.name, ClassesPlace(classesHive), classWriter.Result()});
        return std::nullopt;
    }

    int chosen = 0;
    int written = 0;
    for (const PlaceChoice& choice : kPlaceOrder) {
        if (!(spec.*choice.chosen))
            continue;
        ++chosen;
        const NamespaceLocation& place =
            *PlaceByIndex(choice.placeIndex + (spec.allUsers ? kAllUsersOffset : 0));
        TreeWriter entryWriter(store);
        entryWriter.Key(place.hive, std::wstring(place.nameSpacePath) + L"\\" + *clsid,
                        [&](RegKey& key) { entryWriter.Check(key.SetString(kMarkerValueName, marker)); });
        if (entryWriter.Ok()) {
            ++written;
            // The object stands without it, its icon then shown on the desktop as told.
            if (spec.hideDesktopIcon && choice.placeIndex == 0) {
                const Status status = SetDesktopIconHidden(store, classesHive, *clsid, true);
                if (status != kOk)
                    failures.push_back({Action::HideDesktopIcon, spec.name, place.index, status});
            }
        } else {
            // An entry key without its marker would be a registration nobody made.
            RemoveKey(store, place.hive, place.nameSpacePath, *clsid);
            failures.push_back({Action::Create, spec.name, place.index, entryWriter.Result()});
        }
        // Also when the entry key could not be written: Explorer re-reads the folder either way.
        NotifyFolderUpdated(platform, place.index);
    }
    classKey.Close();
    copyKey.Close();
    if (chosen > 0 && written == 0) {
        // A class key that no entry names would stay behind unseen.
        RemoveKey(store, classesHive, kClassesPath, *clsid);
        if (pin)
            RemoveKey(store, classesHive, kClasses32Path, *clsid);
        return std::nullopt;
    }
    return clsid;
}

} // namespace vs

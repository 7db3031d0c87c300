#pragma once
// What the program knows about one class identifier: name, description, target, icon
// location and Explorer sort position, read from the class key (this user's classes
// first, then the machine's; see ClassRoots.h) with the shell's display names as
// fallbacks. Every change goes to the class key it was read from and, where the object has
// one, to the copy of it in the 32-bit view of the same classes, so that the two never
// differ. The inventory reads one record per class identifier and lets every entry of it
// share the record.

#include "Platform.h"
#include "RegKey.h"
#include "RegistryStore.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vs {

class ShellObjectInfo {
public:
    ShellObjectInfo() = default;
    // A record owns its open class key, so it moves but is never copied.
    ShellObjectInfo(ShellObjectInfo&&) = default;
    ShellObjectInfo& operator=(ShellObjectInfo&&) = default;

    // Reads the class key of clsid (in braces) for the entry met at placeIndex. The
    // class key stays open until Release deletes it or the record goes.
    static ShellObjectInfo Read(RegistryStore& store, Platform& platform, int placeIndex,
                                const std::wstring& clsid);

    // The "DefaultIcon" location text as it stands in the registry now; nothing when the
    // class key or its "DefaultIcon" subkey does not open, an empty text when its default
    // value is not a string that fits in 260 characters.
    std::optional<std::wstring> ReadIconLocation() const;

    // Each setter opens the class key for writing, and its 32-bit copy if there is one,
    // writes into both and returns the status of the first open or write that failed, or,
    // for a closed record, the status of its open (which wrote nothing). A key that does
    // not open for writing stops the setter before anything is written.
    [[nodiscard]] Status SetName(const std::wstring& text);
    [[nodiscard]] Status SetDescription(const std::wstring& text);
    [[nodiscard]] Status SetIconLocation(const std::wstring& text);
    [[nodiscard]] Status SetSortOrderIndex(std::int32_t value);
    // Writes "System.IsPinnedToNameSpaceTree" as 1 or 0. Pinning an object without a 32-bit
    // copy first copies its whole class key there; when anything then fails, that new
    // copy goes again.
    [[nodiscard]] Status SetPinned(bool pin);
    // One use less; at the last use closes the class key and deletes its whole tree from
    // the registry, then the 32-bit copy's. The status of the first delete that failed (a
    // key already gone counts as deleted; the copy stays while the class key does), else 0.
    [[nodiscard]] Status Release();
    // The folder of placeIndex; free it with Platform::FreeIdList.
    IdList FolderIdList() const;

    // Whether the class key is open: it opened for reading and no Release has deleted it.
    // A closed record's setters write nothing.
    bool IsOpen() const { return classKey_ && classKey_->IsOpen(); }
    KeyHandle Key() const { return classKey_ ? classKey_->Get() : nullptr; }
    // Whether the class key has a copy in the 32-bit view of its classes.
    bool Has32BitCopy() const { return copyStatus != kFileNotFound; }
    // The copy's key while it is open (for reading), else null.
    KeyHandle CopyKey() const { return copyKey_ ? copyKey_->Get() : nullptr; }

    std::int32_t useCount = 1;
    std::int32_t placeIndex = 0;
    // The status of opening the class key; after Release, kKeyDeleted.
    Status openStatus = kFileNotFound;
    // The hive whose classes hold the class key: CurrentUser() or LocalMachine(); where
    // the key is missing altogether, LocalMachine().
    KeyHandle classesHive = nullptr;
    std::wstring clsid;
    std::wstring name;
    std::wstring description;
    std::wstring target;
    // Where target came from: a folder object's "Target", a program object's command, or
    // neither (the shell's parsing name or the class identifier stand in).
    enum class TargetKind { None, Folder, Program };
    TargetKind targetKind = TargetKind::None;
    // The "DefaultIcon" location, read with the record; hasIconLocation is false when the
    // class key or its "DefaultIcon" subkey does not open, and the text is then empty.
    std::wstring iconLocation;
    bool hasIconLocation = false;
    std::int32_t sortOrderIndex = 256;
    // "System.IsPinnedToNameSpaceTree" is a DWORD other than 0.
    bool pinned = false;
    // The status of opening the 32-bit copy (kFileNotFound: there is none).
    Status copyStatus = kFileNotFound;
    std::wstring parsingName;

private:
    // The steps of Read, in order, each on the open class key.
    void ReadName(Platform& platform);
    void ReadDescription(Platform& platform);
    void ReadSortOrder();
    void ReadTarget(Platform& platform);
    void TakeIconLocation();
    // Opens the class key and the 32-bit copy, when there is one, for writing and runs
    // write on each; the first failed status, else 0.
    template <typename Write> Status WriteBoth(Write write);
    // Copies the class key whole into the 32-bit view; a partial copy is removed again.
    Status Make32BitCopy();
    // Deletes the 32-bit copy's tree; a copy already gone counts as deleted.
    Status Delete32BitCopy();
    // The shell's display name of this object in its place, or nothing when it has none.
    std::optional<std::wstring> ShellName(Platform& platform, std::uint32_t flags);

    Platform* platform_ = nullptr;
    // The one owner of the class key; empty for a record that was never read.
    std::optional<RegKey> classKey_;
    std::optional<RegKey> copyKey_;
};

// Splits an icon location at its last comma into file and index ("file" alone gives
// index 0; the index allows leading blanks and a sign and stops at the first non-digit).
struct IconLocationParts {
    std::wstring file;
    int index = 0;
};
IconLocationParts SplitIconLocation(const std::wstring& location);

} // namespace vs

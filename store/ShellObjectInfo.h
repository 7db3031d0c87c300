#pragma once
// What the program knows about one class identifier: name, description, target, icon
// location and Explorer sort position, read from the class key (this user's classes
// first, then the machine's; see ClassRoots.h) with the shell's display names as
// fallbacks. Every change goes to the class key it was read from. The inventory reads one record per class
// identifier and lets every entry of it share the record.

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

    // Each setter writes into the class key and returns the status of the write, or, for a
    // closed record, the status of its open (which wrote nothing).
    [[nodiscard]] Status SetName(const std::wstring& text);
    [[nodiscard]] Status SetDescription(const std::wstring& text);
    [[nodiscard]] Status SetIconLocation(const std::wstring& text);
    [[nodiscard]] Status SetSortOrderIndex(std::int32_t value);
    // One use less; at the last use closes the class key and deletes its whole tree from
    // the registry. The status of that delete (a class key already gone counts as
    // deleted), else 0.
    [[nodiscard]] Status Release();
    // The folder of placeIndex; free it with Platform::FreeIdList.
    IdList FolderIdList() const;

    // Whether the class key is open: it opened for reading and writing and no Release
    // has deleted it. A closed record's setters write nothing.
    bool IsOpen() const { return classKey_ && classKey_->IsOpen(); }
    KeyHandle Key() const { return classKey_ ? classKey_->Get() : nullptr; }

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
    std::wstring parsingName;

private:
    // The steps of Read, in order, each on the open class key.
    void ReadName(Platform& platform);
    void ReadDescription(Platform& platform);
    void ReadSortOrder();
    void ReadTarget(Platform& platform);
    void TakeIconLocation();
    // The shell's display name of this object in its place, or nothing when it has none.
    std::optional<std::wstring> ShellName(Platform& platform, std::uint32_t flags);

    Platform* platform_ = nullptr;
    // The one owner of the class key; empty for a record that was never read.
    std::optional<RegKey> classKey_;
};

// Splits an icon location at its last comma into file and index ("file" alone gives
// index 0; the index allows leading blanks and a sign and stops at the first non-digit).
struct IconLocationParts {
    std::wstring file;
    int index = 0;
};
IconLocationParts SplitIconLocation(const std::wstring& location);

} // namespace vs

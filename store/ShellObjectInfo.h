#pragma once
// What the program knows about one class identifier: name, description, target, icon
// location and Explorer sort position, read from HKEY_CLASSES_ROOT\CLSID\{guid} with the
// shell's display names as fallbacks. The inventory reads one record per class
// identifier and lets every entry of it share the record.

#include "Platform.h"
#include "RegistryStore.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vs {

class InventoryView;

// Image-list positions of the icons added during one refresh, by location text, so that
// a location shared by several objects is extracted and added only once.
using IconCache = std::map<std::wstring, int>;

class ShellObjectInfo {
public:
    ShellObjectInfo() = default;

    // Reads the class key of clsid (in braces) for the entry met at placeIndex. The
    // class key stays open in `key` until Release, or until the last copy of the record
    // is destroyed.
    static ShellObjectInfo Read(RegistryStore& store, Platform& platform, int placeIndex,
                                const std::wstring& clsid);

    // Reads "DefaultIcon", extracts the icon and appends it to the view's image list;
    // sets iconLocation and imageIndex. Returns the extracted icon (the caller destroys
    // it) or null. With a cache, a location met before reuses its image and nothing is
    // extracted.
    IconHandle LoadIcon(InventoryView& view, IconCache* cache = nullptr);
    // The "DefaultIcon" location text; nothing when the class key or its "DefaultIcon"
    // subkey does not open.
    std::optional<std::wstring> ReadIconLocation() const;

    void SetName(const std::wstring& text);
    void SetDescription(const std::wstring& text);
    void SetIconLocation(const std::wstring& text);
    void SetSortOrderIndex(std::int32_t value);
    // One use less; at the last use closes the class key and deletes its tree.
    void Release();
    // The folder of placeIndex; free it with Platform::FreeIdList.
    IdList FolderIdList() const;

    std::int32_t useCount = 1;
    std::int32_t placeIndex = 0;
    bool isOpen = false;
    KeyHandle key = nullptr;
    std::wstring clsid;
    std::int32_t imageIndex = 0;
    std::wstring name;
    std::wstring description;
    std::wstring target;
    std::wstring iconLocation;
    std::int32_t sortOrderIndex = 256;
    std::wstring parsingName;

private:
    RegistryStore* store_ = nullptr;
    Platform* platform_ = nullptr;
    // Copies of a record share its class key; the last one destroyed closes it unless
    // Release closed it first.
    std::shared_ptr<KeyHandleTag> keyOwner_;
};

// Splits an icon location at its last comma into file and index ("file" alone gives
// index 0; the index allows leading blanks and a sign and stops at the first non-digit).
struct IconLocationParts {
    std::wstring file;
    int index = 0;
};
IconLocationParts SplitIconLocation(const std::wstring& location);

} // namespace vs

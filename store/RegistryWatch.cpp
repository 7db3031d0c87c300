#include "RegistryWatch.h"

#include "ClassRoots.h"
#include "DesktopIcon.h"
#include "MemoryRegistry.h"
#include "NamespaceLocation.h"

namespace vs {

ChangedParts PartsOfKey(KeyHandle hive, std::wstring_view path) {
    ChangedParts parts;
    if (const int place = PlaceIndexOf(hive, path); place >= 0)
        parts.places = static_cast<std::uint8_t>(1u << place);
    auto under = [hive, path](std::wstring_view root) {
        return (hive == CurrentUser() || hive == LocalMachine()) && path.size() >= root.size() &&
               NamesEqual(path.substr(0, root.size()), root) &&
               (path.size() == root.size() || path[root.size()] == L'\\');
    };
    parts.classes = under(kClassesPath) || under(kClasses32Path);
    parts.desktopIcons = under(kHideDesktopIconsPath);
    return parts;
}

MemoryRegistryWatch::MemoryRegistryWatch(MemoryRegistry& registry) : registry_(registry) {
    registry_.SetChangeListener(
        [this](KeyHandle hive, std::wstring_view path) { changed_ |= PartsOfKey(hive, path); });
}

MemoryRegistryWatch::~MemoryRegistryWatch() {
    registry_.SetChangeListener(nullptr);
}

ChangedParts MemoryRegistryWatch::TakeChanges() {
    const ChangedParts taken = changed_;
    changed_ = {};
    return taken;
}

} // namespace vs

#include "WinRegistryWatch.h"

#include "ClassRoots.h"
#include "DesktopIcon.h"
#include "NamespaceLocation.h"

namespace vs {

WinRegistryWatch::WinRegistryWatch() {
    auto watch = [this](KeyHandle hive, const wchar_t* path, ChangedParts parts) {
        Target& target = targets_.emplace_back();
        target.hive = reinterpret_cast<HKEY>(hive);
        target.path = path;
        target.parts = parts;
        target.event.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        Arm(target);
    };
    for (const NamespaceLocation& place : NamespaceLocations())
        watch(place.hive, place.nameSpacePath, {static_cast<std::uint8_t>(1u << place.index), false});
    // The class keys, their 32-bit copies (which the record's writes and the check of its
    // copy read) and the desktop icons hidden, in both scopes.
    for (const KeyHandle hive : {CurrentUser(), LocalMachine()}) {
        watch(hive, kClassesPath, {0, true});
        watch(hive, kClasses32Path, {0, true});
        watch(hive, kHideDesktopIconsPath, {0, false, true});
    }
}

void WinRegistryWatch::Arm(Target& target) {
    target.armed = false;
    target.throughAncestor = false;
    target.key.reset();
    if (!target.event)
        return;
    ResetEvent(target.event.get());
    std::wstring path = target.path;
    HKEY key = nullptr;
    for (;;) {
        const LSTATUS status =
            RegOpenKeyExW(target.hive, path.c_str(), 0, KEY_NOTIFY | KEY_QUERY_VALUE, &key);
        if (status == ERROR_SUCCESS)
            break;
        const std::size_t cut = path.rfind(L'\\');
        if (status != ERROR_FILE_NOT_FOUND || path.empty())
            return;
        path.resize(cut == std::wstring::npos ? 0 : cut);
    }
    target.key.reset(key);
    target.throughAncestor = path.size() != target.path.size();
    target.armed = RegNotifyChangeKeyValue(key, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                           target.event.get(), TRUE) == ERROR_SUCCESS;
}

bool WinRegistryWatch::Signalled(const Target& target) {
    if (!target.armed)
        return false;
    if (WaitForSingleObject(target.event.get(), 0) == WAIT_OBJECT_0)
        return true;
    // A deleted key tells nothing more, also not when it is made again.
    return RegQueryInfoKeyW(target.key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_KEY_DELETED;
}

bool WinRegistryWatch::Pending() {
    for (const Target& target : targets_) {
        if (Signalled(target))
            return true;
    }
    return false;
}

ChangedParts WinRegistryWatch::TakeChanges() {
    ChangedParts changed;
    for (Target& target : targets_) {
        // A key that could not be watched before may be watched now; what it covers is
        // read again all the same.
        if (!target.armed || Signalled(target)) {
            // Below a key that neither existed then nor exists now, nothing changed.
            const bool absent = target.armed && target.throughAncestor;
            Arm(target);
            if (!absent || !target.armed || !target.throughAncestor)
                changed |= target.parts;
        }
    }
    return changed;
}

ChangedParts WinRegistryWatch::Unwatched() const {
    ChangedParts unwatched;
    for (const Target& target : targets_) {
        if (!target.armed)
            unwatched |= target.parts;
    }
    return unwatched;
}

} // namespace vs

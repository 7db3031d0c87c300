#pragma once
// The watch over the Windows registry: one RegNotifyChangeKeyValue per place's NameSpace
// key, per class root and its 32-bit view and per scope's hidden desktop icons, each
// signalling an event of its own, asked without waiting. A key that cannot be opened for
// notification (access denied) or refuses it is reported by Unwatched(), and asked again
// at every TakeChanges.
// A key that does not exist yet is watched through its nearest ancestor that does (a
// change there counts only once the key itself exists), and a watched key that was
// deleted counts as changed, so that a key made again is found.

#include <windows.h>

#include "RegistryWatch.h"

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace vs {

class WinRegistryWatch final : public RegistryWatch {
public:
    WinRegistryWatch();
    bool Pending() override;
    ChangedParts TakeChanges() override;
    ChangedParts Unwatched() const override;

private:
    struct KeyCloser {
        void operator()(HKEY key) const { RegCloseKey(key); }
    };
    struct HandleCloser {
        void operator()(HANDLE handle) const { CloseHandle(handle); }
    };
    struct Target {
        HKEY hive = nullptr;
        std::wstring path;
        ChangedParts parts;
        std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser> key;
        std::unique_ptr<void, HandleCloser> event;
        bool armed = false;
        // The key did not exist: an ancestor is watched.
        bool throughAncestor = false;
    };
    // Opens the key (or its nearest ancestor) again and asks for its next change.
    static void Arm(Target& target);
    static bool Signalled(const Target& target);

    std::vector<Target> targets_;
};

} // namespace vs

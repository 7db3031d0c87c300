#pragma once
// What a command could not do, gathered while it runs so that the window tells the user
// once at its end: which object, where, what was not done, and the registry's status.
// The window words it; the store holds no text beyond the object's name.

#include "RegistryTypes.h"

#include <string>
#include <vector>

namespace vs {

enum class Action {
    Create, // at a place: its entry key; in a scope's classes: the class key
    Delete, // at a place: the entry key; in a scope's classes: the class key after the last entry
    Hide,
    Unhide,
    CopyTo, // the place copied to
    MoveTo, // the place moved to
    Rename, // the class key of the object
    ChangeIcon,
    ChangeComment,
    SetPosition,
    Repair, // a repair of the check for problems: at a place its entry key, else its class key
    Pin,    // the class key (and its 32-bit copy)
    Unpin,
    HideDesktopIcon, // at a Desktop place: the value of its scope
    ShowDesktopIcon,
};

// Where, beyond the place indexes 0 to 7: the class keys of one user or of all users.
inline constexpr int kUserClasses = -1;
inline constexpr int kMachineClasses = -2;

struct Failure {
    Action action;
    std::wstring object; // the object's name as listed or requested
    int place;           // a place index, kUserClasses or kMachineClasses
    Status status;       // never 0
};

using Failures = std::vector<Failure>;

} // namespace vs

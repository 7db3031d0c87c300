#pragma once
// The creation request: what the wizard (or the command line) gathered for one new shell
// object.

#include <cstdint>
#include <string>

namespace vs {

inline constexpr std::uint32_t kNoCategory = 0xFFFFFFFFu;

struct ShellObjectSpec {
    std::wstring name;
    std::wstring infoTip;
    bool allowRename = false;
    bool isFolder = true;
    std::wstring folderTarget;
    std::wstring programCommand;
    std::wstring iconLocation;
    bool allUsers = false;
    bool inMyComputer = false;
    bool onDesktop = false;
    bool inControlPanel = false;
    bool inNetworkNeighborhood = false;
    std::uint32_t controlPanelCategory = kNoCategory;
    bool enablePropertySheet = false;
    bool allowDelete = false;
    bool allowCopy = false;
    bool allowLink = false;
    bool allowMove = false;
    bool removableMedia = false;
    bool allowDragDrop = false;
    bool hideIfDeleted = false;
    // Windows 10 and 11, with onDesktop only: shown in Explorer's navigation pane (the class
    // key also in the 32-bit view), and no icon on the desktop of the chosen scope.
    bool pinToNavigationPane = false;
    bool hideDesktopIcon = false;
};

// The choices a new object starts with before anyone changes them: the wizard's pages show
// them when it opens and the command line applies its options over them, so both write
// the same object for the same choices. The icon location is not among them: it is the
// system's SHELL32.DLL,4, found at run time.
inline ShellObjectSpec NewObjectDefaults() {
    ShellObjectSpec spec;
    spec.allUsers = true;
    spec.allowDragDrop = true;
    return spec;
}

} // namespace vs

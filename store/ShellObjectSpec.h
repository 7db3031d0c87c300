#pragma once
// The creation request: what the wizard gathered for one new shell object.

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
};

} // namespace vs

// The Windows look-up of targets, for TargetChecker's workers.
#include <windows.h>

#include "TargetCheck.h"

namespace vs {

bool TargetExists(const TargetPath& target) {
    if (target.kind == TargetPath::Kind::SearchedProgram) {
        // The folders CreateProcessW looks in, in its order; ".exe" added when the name has
        // no extension.
        wchar_t found[MAX_PATH];
        return SearchPathW(nullptr, target.path.c_str(), L".exe", MAX_PATH, found, nullptr) != 0;
    }
    const DWORD attributes = GetFileAttributesW(target.path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return target.kind == TargetPath::Kind::Folder ? folder : !folder;
}

} // namespace vs

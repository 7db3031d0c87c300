#pragma once
// Writes one new shell object: its class key under HKEY_CLASSES_ROOT\CLSID and one
// NameSpace entry key per chosen place, each place notified after its key is complete.

#include "Platform.h"
#include "RegistryStore.h"
#include "ShellObjectSpec.h"

#include <optional>
#include <string>

namespace vs {

// The marker value written into the class key and every entry key.
inline constexpr wchar_t kMarkerValueName[] = L"SearchHelper";
inline constexpr wchar_t kMarkerPrefix[] = L"Varnoset: ";

// The "ShellFolder" "Attributes" bits for a request.
std::uint32_t ShellFolderAttributes(const ShellObjectSpec& spec);

// Returns the new class identifier in braces, or nothing when none could be generated
// (then nothing is written).
std::optional<std::wstring> CreateShellObject(RegistryStore& store, Platform& platform,
                                              const ShellObjectSpec& spec);

} // namespace vs

#pragma once
// Writes one new shell object: its class key in the classes of the chosen scope
// (ClassRoots.h) and one NameSpace entry key per chosen place, each place notified after
// its key is complete. Nothing is left half-written: without its whole class key no entry
// is written, and a class key that no entry names is removed again.

#include "Failure.h"
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

// The status reported when no class identifier could be generated
// (RPC_S_UUID_NO_ADDRESS, what UuidCreate gives when it cannot make one).
inline constexpr Status kNoClassIdentifier = 1739;

// Returns the new class identifier in braces when the object stands in the registry, or
// nothing when nothing of it was kept. What could not be written is added to failures:
// the class key (place kUserClasses or kMachineClasses; then nothing else is written)
// or each place whose entry key could not be.
std::optional<std::wstring> CreateShellObject(RegistryStore& store, Platform& platform,
                                              const ShellObjectSpec& spec, Failures& failures);

} // namespace vs

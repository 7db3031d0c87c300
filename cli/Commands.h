#pragma once
// VarnosetCli's commands, run against the store like the window's: list, create and the
// commands on an OBJECT. Plain C++; what only Windows gives (the console, the string
// table, the process token, the system folder) comes through CliHost.

#include "cli/Arguments.h"
#include "store/HealthCheck.h"
#include "store/Platform.h"
#include "store/RegistryStore.h"
#include "store/ShellObjectSpec.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vs::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

class CliHost {
public:
    virtual ~CliHost() = default;

    // Standard output and standard error; the text holds whole lines.
    virtual void Out(std::wstring_view text) = 0;
    virtual void Err(std::wstring_view text) = 0;
    // A text of the string table by its id.
    virtual std::wstring Text(unsigned id) = 0;
    // Whether the process runs elevated, so a refused write is no matter of elevation.
    virtual bool Elevated() = 0;
    // The icon a new object starts with in the wizard.
    virtual std::wstring DefaultIconLocation() = 0;
    // The window's order of names.
    virtual int CompareNames(const std::wstring& a, const std::wstring& b) = 0;
    // "<product> Version <version>", as the window's title shows it.
    virtual std::wstring VersionTitle() = 0;
    // Whether a target is there; called from several threads at once, and possibly still
    // running when the check has given it up.
    virtual bool TargetExists(const TargetPath& target) = 0;
    // The system's text for a registry status.
    virtual std::wstring StatusText(long status) { return L"error " + std::to_wstring(status) + L"."; }
    // Reads the ANSI text of a REGEDIT4 file in the system's code page; null: Windows-1252.
    virtual std::function<bool(std::string_view bytes, std::wstring& text)> AnsiDecoder() { return nullptr; }
};

// Parses args (without the program's name), runs the command and returns the exit status:
// kExitDone, kExitFailed (each failure told on standard error) or kExitUsage (one line
// and the usage on standard error; nothing is read or written).
int RunCli(const std::vector<std::wstring>& args, RegistryStore& store, Platform& platform, CliHost& host);

// The request create hands to the registration: the wizard's start with the options over
// it. Without flags the check boxes keep their start; with them exactly the named ones
// are set.
ShellObjectSpec BuildCreateSpec(const CreateOptions& options, const std::wstring& defaultIconLocation);

// A string-table text with %1, %2, ... replaced by args (one pass: "%" in an argument
// stays as it is).
std::wstring FormatText(std::wstring_view pattern, const std::vector<std::wstring>& args);

} // namespace vs::cli

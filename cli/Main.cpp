// Entry point of VarnosetCli: the Windows side of the command line. It hands the
// arguments to the commands with the real registry and shell, and gives them the
// console, the string table, the process's elevation and the system folder.
// windows.h first: the store's Platform.h then removes its ExtractIcon macro for good.
#include <windows.h>

#include "framework/Resources.h"
#include "framework/SystemLibrary.h"
#include "framework/SystemText.h"
#include "framework/VersionInfo.h"
#include "cli/Commands.h"
#include "cli/ListOutput.h"
#include "store/TargetCheck.h"
#include "store/WinPlatform.h"
#include "store/WinRegistry.h"
#include "wizard/LocationIcon.h"

#include <objbase.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class ConsoleHost final : public vs::cli::CliHost {
public:
    void Out(std::wstring_view text) override { Write(GetStdHandle(STD_OUTPUT_HANDLE), text); }
    void Err(std::wstring_view text) override { Write(GetStdHandle(STD_ERROR_HANDLE), text); }

    std::wstring Text(unsigned id) override { return LoadResourceString(id); }

    bool Elevated() override {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return false;
        TOKEN_ELEVATION elevation{};
        DWORD size = 0;
        const BOOL known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
        CloseHandle(token);
        return known && elevation.TokenIsElevated;
    }

    std::wstring DefaultIconLocation() override { return ::DefaultIconLocation(); }

    int CompareNames(const std::wstring& a, const std::wstring& b) override {
        return lstrcmpiW(a.c_str(), b.c_str());
    }

    std::wstring VersionTitle() override { return vs::GetVersionTitle(true); }
    bool TargetExists(const vs::TargetPath& target) override { return vs::TargetExists(target); }

    std::wstring StatusText(long status) override {
        const std::wstring text = SystemMessage(static_cast<unsigned long>(status));
        return text.empty() ? CliHost::StatusText(status) : text;
    }

    std::function<bool(std::string_view, std::wstring&)> AnsiDecoder() override { return AnsiToWide; }

private:
    // A console takes the text as it is, in whatever code page it shows; a file or a pipe
    // gets UTF-8, which every reader of csv and json expects.
    static void Write(HANDLE handle, std::wstring_view text) {
        if (!handle || handle == INVALID_HANDLE_VALUE)
            return;
        DWORD mode = 0;
        if (GetConsoleMode(handle, &mode)) {
            while (!text.empty()) {
                const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 8192));
                DWORD written = 0;
                if (!WriteConsoleW(handle, text.data(), chunk, &written, nullptr) || written == 0)
                    return;
                text.remove_prefix(written);
            }
            return;
        }
        const std::string bytes = vs::cli::ToUtf8(text);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0)
                return;
            done += written;
        }
    }
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    vs::RestrictLibrarySearchToSystem();
    // The shell's display names, asked for objects whose class key has no name, need COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    int status = vs::cli::kExitFailed;
    {
        vs::WinRegistry registry;
        vs::WinPlatform platform;
        ConsoleHost host;
        status = vs::cli::RunCli(args, registry, platform, host);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return status;
}

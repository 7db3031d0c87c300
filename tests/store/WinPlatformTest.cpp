// The real platform services, under Wine: what the store asks of the shell, rpcrt4 and
// kernel32 must come back in the form the callers rely on.
#ifdef _WIN32

#include "store/WinPlatform.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <objbase.h>
#include <shlobj.h>

namespace vs {
namespace {

class WinPlatformTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }

    static std::wstring SystemFile(const wchar_t* name) {
        wchar_t directory[MAX_PATH];
        const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
        return std::wstring(directory, length) + L"\\" + name;
    }

    WinPlatform platform;
};

bool IsLowerCaseUuid(const std::wstring& text) {
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != L'-' : !((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f')))
            return false;
    }
    return true;
}

TEST_F(WinPlatformTest, NewUuidTextIsAFreshLowerCaseUuid) {
    const std::optional<std::wstring> first = platform.NewUuidText();
    const std::optional<std::wstring> second = platform.NewUuidText();
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(IsLowerCaseUuid(*first)) << std::string(first->begin(), first->end());
    EXPECT_TRUE(IsLowerCaseUuid(*second));
    EXPECT_NE(*first, *second);
}

TEST_F(WinPlatformTest, ExtractsAnIconFromShell32AndNoneFromOtherFiles) {
    IconHandle icon = platform.ExtractIcon(SystemFile(L"shell32.dll"), 0);
    ASSERT_NE(icon, nullptr);
    ICONINFO info = {};
    EXPECT_TRUE(GetIconInfo(reinterpret_cast<HICON>(icon), &info));
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    platform.DestroyIcon(icon);
    platform.DestroyIcon(nullptr);

    EXPECT_EQ(platform.ExtractIcon(SystemFile(L"no-such-file.dll"), 0), nullptr);
    EXPECT_EQ(platform.ExtractIcon(SystemFile(L"shell32.dll"), -1), nullptr); // a count, not an icon
    // A file without icons: ExtractIconW answers 1, which is no handle.
    wchar_t directory[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    const std::wstring textFile = std::wstring(directory) + L"varnoset-no-icons.txt";
    HANDLE file = CreateFileW(textFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "plain text", 10, &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(platform.ExtractIcon(textFile, 0), nullptr);
    DeleteFileW(textFile.c_str());
}

TEST_F(WinPlatformTest, ExpandsEnvironmentVariables) {
    wchar_t systemRoot[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH), 0u);
    EXPECT_EQ(platform.ExpandEnvironment(L"%SystemRoot%\\system32"),
              std::wstring(systemRoot) + L"\\system32");
    EXPECT_EQ(platform.ExpandEnvironment(L"no variables"), L"no variables");
    EXPECT_EQ(platform.ExpandEnvironment(L""), L"");
}

TEST_F(WinPlatformTest, ExpansionBeyondTheCapacityKeepsTheTextUnexpanded) {
    const std::wstring longValue(1200, L'x');
    ASSERT_TRUE(SetEnvironmentVariableW(L"VARNOSET_LONG", longValue.c_str()));
    EXPECT_EQ(platform.ExpandEnvironment(L"%VARNOSET_LONG%"), L"%VARNOSET_LONG%");
    SetEnvironmentVariableW(L"VARNOSET_LONG", nullptr);
}

TEST_F(WinPlatformTest, DisplayNameOfAKnownFolderAndNothingForAnUnknownOne) {
    const std::optional<std::wstring> myComputer =
        platform.DisplayName(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", kShgdnNormal);
    ASSERT_TRUE(myComputer);
    EXPECT_FALSE(myComputer->empty());
    // Wine answers an unknown identifier with an empty display name: that must read as none.
    for (const wchar_t* unknown : {L"::{5e1f0c3a-77d2-4b1e-9a0f-0000000000ff}", L"::{not a class id}"}) {
        const std::optional<std::wstring> name = platform.DisplayName(unknown, kShgdnNormal);
        EXPECT_FALSE(name) << "got \"" << std::string(name->begin(), name->end()) << "\"";
        // For parsing, Wine echoes an identifier back; whatever comes, it is never empty.
        const std::optional<std::wstring> parsing = platform.DisplayName(unknown, kShgdnForParsing);
        EXPECT_TRUE(!parsing || !parsing->empty());
    }
}

TEST_F(WinPlatformTest, IndirectStringsResolveOrGiveNothing) {
    EXPECT_EQ(platform.LoadIndirectString(L"plain text"), L"plain text");
    EXPECT_EQ(platform.LoadIndirectString(L"@no-such-module.dll,-12345"), std::nullopt);
}

// Counts the shell's change notifications for the desktop and every folder below it.
class NotificationListener {
public:
    NotificationListener() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            heard_ += message == kMessage;
            return DefWindowProcW(window, message, wParam, lParam);
        };
        windowClass.lpszClassName = L"VarnosetNotificationListener";
        RegisterClassW(&windowClass);
        window_ = CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                nullptr);
        SHGetFolderLocation(nullptr, CSIDL_DESKTOP, nullptr, 0, &desktop_);
        const SHChangeNotifyEntry entry{desktop_, TRUE};
        registration_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel,
                                               SHCNE_ALLEVENTS, kMessage, 1, &entry);
        heard_ = 0;
    }
    ~NotificationListener() {
        SHChangeNotifyDeregister(registration_);
        DestroyWindow(window_);
        CoTaskMemFree(desktop_);
    }

    bool Listening() const { return registration_ != 0; }
    // The notifications heard so far, once those waiting in the queue are delivered.
    int Heard() {
        for (MSG msg; PeekMessageW(&msg, window_, 0, 0, PM_REMOVE);)
            DispatchMessageW(&msg);
        return heard_;
    }

private:
    static constexpr UINT kMessage = WM_APP + 1;
    static inline int heard_ = 0;
    HWND window_ = nullptr;
    PIDLIST_ABSOLUTE desktop_ = nullptr;
    ULONG registration_ = 0;
};

TEST_F(WinPlatformTest, FolderLocationsAndNotificationsIncludingANullList) {
    NotificationListener listener;
    ASSERT_TRUE(listener.Listening());
    int notified = 0;
    for (int csidl : {CSIDL_DESKTOP, CSIDL_CONTROLS, CSIDL_DRIVES, CSIDL_NETWORK}) {
        IdList list = platform.FolderLocation(csidl);
        EXPECT_NE(list, nullptr) << csidl;
        platform.NotifyUpdateDir(list);
        platform.FreeIdList(list);
        EXPECT_EQ(listener.Heard(), ++notified) << csidl;
    }
    // A null list names no folder: nobody hears of it, and freeing it does nothing.
    platform.NotifyUpdateDir(nullptr);
    platform.FreeIdList(nullptr);
    EXPECT_EQ(listener.Heard(), notified);
}

} // namespace
} // namespace vs

#endif

#include "UiDriver.h"

#include "res/resource.h"

#include <chrono>
#include <cstdint>

namespace uitest {

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

namespace {
bool IsDialogClass(HWND window) {
    wchar_t name[16] = L"";
    GetClassNameW(window, name, 16);
    return std::wstring(name) == L"#32770";
}

template <class Match> HWND FindThreadWindow(Match match) {
    struct Search {
        Match* match;
        HWND found;
    } search{&match, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (IsWindowVisible(window) && IsDialogClass(window) && (*s->match)(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
} // namespace

HWND FindDialog(const std::wstring& caption, HWND except) {
    return FindThreadWindow([&](HWND window) { return window != except && WindowText(window) == caption; });
}

HWND FindOwnedDialog(HWND owner) {
    return FindThreadWindow([&](HWND window) { return GetWindow(window, GW_OWNER) == owner; });
}

std::wstring MessageBoxText(HWND box) {
    return ItemText(box, 0xFFFF);
}

std::function<bool()> DismissBox(const HWND& owner, SeenBox& seen) {
    return [&owner, &seen] {
        HWND box = owner ? FindOwnedDialog(owner) : nullptr;
        if (!box)
            return false;
        seen.caption = WindowText(box);
        seen.text = MessageBoxText(box);
        PostClick(box, IDOK);
        return true;
    };
}

void PumpPending(HWND dialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs, HWND dialog) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        PumpPending(dialog);
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PostClick(HWND dialog, int buttonId) {
    PostMessageW(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
}

void PostKey(HWND control, UINT key) {
    PostMessageW(control, WM_KEYDOWN, key, 1);
    PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}

void ChooseIconAt(HWND chooser, int index) {
    const HWND list = GetDlgItem(chooser, IDC_ICON_LIST);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SetFocus(list);
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

OwnerWindow::OwnerWindow(int x, int y, int width, int height) {
    hwnd_ = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

OwnerWindow::~OwnerWindow() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    path_ = std::wstring(base) + L"vs_ui_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                DeleteFileW(File(name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

bool WriteIconFile(const std::wstring& path) {
    constexpr int kSize = 16;
    std::vector<std::uint8_t> bytes;
    auto put16 = [&](std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(static_cast<std::uint16_t>(v));
        put16(static_cast<std::uint16_t>(v >> 16));
    };
    const std::uint32_t pixelBytes = kSize * kSize * 4;
    const std::uint32_t maskBytes = kSize * 4; // one 32-bit aligned row per line
    const std::uint32_t imageBytes = 40 + pixelBytes + maskBytes;
    put16(0); // ICONDIR
    put16(1);
    put16(1);
    bytes.push_back(kSize); // ICONDIRENTRY
    bytes.push_back(kSize);
    bytes.push_back(0);
    bytes.push_back(0);
    put16(1);
    put16(32);
    put32(imageBytes);
    put32(6 + 16);
    put32(40); // BITMAPINFOHEADER, height counts the colour and mask halves
    put32(kSize);
    put32(kSize * 2);
    put16(1);
    put16(32);
    put32(0);
    put32(pixelBytes + maskBytes);
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    for (int i = 0; i < kSize * kSize; ++i)
        put32(0xFF2060C0u); // opaque blue
    bytes.insert(bytes.end(), maskBytes, 0);

    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::wstring OwnModulePath() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring SystemDirectory() {
    wchar_t path[MAX_PATH] = L"";
    GetSystemDirectoryW(path, MAX_PATH);
    return path;
}

} // namespace uitest

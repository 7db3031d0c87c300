#include "UiDriver.h"

#include "res/resource.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>

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

HWND FindThreadDialog(const std::function<bool(HWND)>& match) {
    struct Search {
        const std::function<bool(HWND)>* match;
        HWND found;
    } search{&match, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t name[16] = L"";
            GetClassNameW(window, name, 16);
            if (IsWindowVisible(window) && std::wstring(name) == L"#32770" && (*s->match)(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDialog(const std::wstring& caption, HWND except) {
    return FindThreadDialog([&](HWND window) { return window != except && WindowText(window) == caption; });
}

HWND FindOwnedDialog(HWND owner) {
    return FindThreadDialog([&](HWND window) { return GetWindow(window, GW_OWNER) == owner; });
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
    static int counter = 0;
    const std::wstring name =
        L"vs_ui_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
    path_ = (std::filesystem::temp_directory_path() / name).wstring();
    std::filesystem::create_directory(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool WriteIconFile(const std::wstring& path) {
    constexpr std::uint8_t kSize = 16;
    // 32-bit colours, then a mask of one 32-bit aligned row per line.
    constexpr std::uint32_t kPixelBytes = kSize * kSize * 4, kMaskBytes = kSize * 4;
    // The icon directory and its one entry, up to the image's size and offset.
    std::vector<std::uint8_t> bytes{0, 0, 1, 0, 1, 0, kSize, kSize, 0, 0, 1, 0, 32, 0};
    auto put32 = [&](std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    put32(sizeof(BITMAPINFOHEADER) + kPixelBytes + kMaskBytes);
    put32(6 + 16);
    // The height counts the colour and the mask halves.
    const BITMAPINFOHEADER header{
        sizeof header, kSize, kSize * 2, 1, 32, BI_RGB, kPixelBytes + kMaskBytes, 0, 0, 0, 0};
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&header);
    bytes.insert(bytes.end(), raw, raw + sizeof header);
    for (int i = 0; i < kSize * kSize; ++i)
        put32(0xFF2060C0u); // opaque blue
    bytes.insert(bytes.end(), kMaskBytes, 0);
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file.good();
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

#pragma once
// Helpers for tests that drive real dialogs in-process: finding this thread's dialogs and
// message boxes, pumping messages for modeless dialogs, and a driver that runs steps from
// a thread timer while a modal loop (DialogBox, MessageBox, GetOpenFileName) runs.

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace uitest {

std::wstring WindowText(HWND window);
std::wstring ItemText(HWND dialog, int id);

// A visible dialog-class (#32770) top-level window of this thread with exactly this
// caption, other than except; null when there is none.
HWND FindDialog(const std::wstring& caption, HWND except = nullptr);
// A visible dialog-class window of this thread owned by owner (a message box or a common
// dialog opened over it); null when there is none.
HWND FindOwnedDialog(HWND owner);
// The text of a message box (its static control 0xFFFF).
std::wstring MessageBoxText(HWND box);

// What a message box showed: its caption and text.
struct SeenBox {
    std::wstring caption;
    std::wstring text;
};
// A driver step that waits for a message box over owner (read when the step runs, so it
// may be filled in by an earlier step), records it and presses its OK.
std::function<bool()> DismissBox(const HWND& owner, SeenBox& seen);

// Dispatches this thread's messages for ms milliseconds, through IsDialogMessage of
// dialog when given, so that Enter, Escape and Tab behave as in a modal loop.
void Pump(int ms, HWND dialog = nullptr);
// Pumps until done() is true or timeoutMs passes; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000, HWND dialog = nullptr);

// Presses a push button the way a modal loop sees a click: posted, so that a nested modal
// loop it opens does not block the caller.
void PostClick(HWND dialog, int buttonId);
// Posts a key press (down and up) to a control, as the keyboard would.
void PostKey(HWND control, UINT key);

// Runs steps one after another from a thread timer. A step returns false to be called
// again on the next tick (waiting for a window to appear), true when it is done. Steps
// run inside whatever modal loop is active, so they must post (not send) any action that
// opens another modal loop. If the steps are not done by the deadline, the driver cancels
// every dialog of this thread so that the test ends instead of hanging.
class ModalDriver {
public:
    explicit ModalDriver(std::chrono::milliseconds deadline = std::chrono::milliseconds(8000));
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    ModalDriver& Then(std::function<bool()> step);
    void Start();

    bool Finished() const { return next_ == steps_.size(); }
    bool TimedOut() const { return timedOut_; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    std::vector<std::function<bool()>> steps_;
    std::size_t next_ = 0;
    UINT_PTR timer_ = 0;
    bool busy_ = false;
    bool timedOut_ = false;
    std::chrono::steady_clock::time_point deadlineAt_;
    std::chrono::milliseconds deadline_;
};

// A plain visible top-level window to own dialogs in tests.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int width, int height);
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND Hwnd() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// A fresh folder under the temporary directory, removed with its files at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Writes a one-image 16 x 16 icon file.
bool WriteIconFile(const std::wstring& path);
// The test program's own file name (its resources hold two icons).
std::wstring OwnModulePath();
std::wstring SystemDirectory();

} // namespace uitest

#pragma once
// Helpers for tests that drive real dialogs in-process: finding this thread's dialogs and
// message boxes and pumping messages for modeless dialogs. Modal runs are driven with
// vs::test::ModalScript (ModalScript.h).

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace uitest {

std::wstring WindowText(HWND window);
std::wstring ItemText(HWND dialog, int id);

// A visible dialog-class (#32770) top-level window of this thread that match accepts, or null.
HWND FindThreadDialog(const std::function<bool(HWND)>& match);
// The one with exactly this caption, other than except.
HWND FindDialog(const std::wstring& caption, HWND except = nullptr);
// The one owned by owner (a message box or a common dialog opened over it).
HWND FindOwnedDialog(HWND owner);
// The text of a message box (its static control 0xFFFF).
std::wstring MessageBoxText(HWND box);

// What a message box showed: its caption and text.
struct SeenBox {
    std::wstring caption;
    std::wstring text;
};
// A ModalScript step that waits for a message box over owner (read when the step runs, so it
// may be filled in by an earlier step), records it and presses its OK.
std::function<bool()> DismissBox(const HWND& owner, SeenBox& seen);

// Dispatches every message this thread has queued, through IsDialogMessage of dialog
// when given, so that Enter, Escape and Tab behave as in a modal loop; returns once the
// queue is empty. What a posted key or click does is done when it returns.
void PumpPending(HWND dialog = nullptr);
// Pumps until done() is true; returns done(). The time limit only ends a test that would
// otherwise wait for ever, so it is far beyond what any state takes to come.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 30000, HWND dialog = nullptr);

// Presses a push button the way a modal loop sees a click: posted, so that a nested modal
// loop it opens does not block the caller.
void PostClick(HWND dialog, int buttonId);
// Posts a key press (down and up) to a control, as the keyboard would.
void PostKey(HWND control, UINT key);
// Selects the icon at index in an icon chooser, gives its list the focus and posts OK, as
// a user's click on the icon and on OK would.
void ChooseIconAt(HWND chooser, int index);

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

// A fresh folder under the temporary directory, removed with everything in it at the end.
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

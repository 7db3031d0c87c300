#pragma once
// Drives a modal window from inside its own message loop. The test lists steps, starts
// the script and then enters the modal run (a wizard's DoModal, a dialog's DoModal, a
// command that opens message boxes or common dialogs); a
// thread timer runs one step per tick. WM_TIMER arrives only when the queue holds no
// other message, so everything the previous step posted (button presses, the pages'
// PSM_SETWIZBUTTONS) has been handled before the next step looks.
//
// A step that fails fatally, a wait that times out, or a run that does not end after the
// last step makes the script cancel every window of the thread, so a broken test fails
// instead of hanging.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vs::test {

class ModalScript {
public:
    ModalScript() = default;
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // Runs action once. Actions must not block: open nested modal windows by posting.
    ModalScript& Do(std::function<void()> action);
    // Calls condition on every tick until it holds (at most timeoutMs), failing the test with
    // `what` otherwise. A condition may act once it holds, such as answering a dialog that
    // has appeared; like actions, it must post rather than block.
    // The time limit only ends a test that would otherwise wait for ever.
    ModalScript& Await(std::function<bool()> condition, std::string what = "the step's condition",
                       int timeoutMs = 30000);
    // Waits for the thread's dialog with this caption, then acts on it once.
    ModalScript& AwaitDialog(std::wstring caption, std::function<void(HWND)> act);

    // Starts the ticks; call right before entering the modal run.
    void Start();
    // True when every step ran (and no step asked to abort).
    bool Completed() const { return next_ == steps_.size() && !aborting_; }

private:
    struct Step {
        std::function<bool()> run; // true: done, go on
        std::string what;
        int timeoutMs;
    };
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();
    void Abort(const std::string& why);

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    DWORD stepStarted_ = 0;
    DWORD completedAt_ = 0;
    bool aborting_ = false;
    bool inStep_ = false;
    UINT_PTR timer_ = 0;
};

// True for a property sheet (a wizard): it answers which page it shows.
bool IsPropertySheet(HWND window);

// Cancels every visible top-level window of this thread: nested dialogs with IDCANCEL,
// property sheets with PSBTN_CANCEL.
void CancelThreadWindows();

} // namespace vs::test

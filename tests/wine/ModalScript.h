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
#include <source_location>
#include <string>
#include <vector>

namespace vs::test {

// The line of the test that called a helper: helpers take it as a defaulted last
// parameter and report their failures there, so that a failing step points at the test.
using Where = std::source_location;
// A fatal failure at where: the script stops.
void FailAt(const Where& where, const std::string& message);
// A failure at where unless ok; returns ok.
bool ExpectAt(bool ok, const Where& where, const std::string& message);

class ModalScript {
public:
    ModalScript() = default;
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // Runs action once. Actions must not block: open nested modal windows by posting.
    ModalScript& Do(std::function<void()> action, Where where = Where::current());
    // Calls condition on every tick until it holds (at most timeoutMs), failing the test with
    // `what` otherwise. A condition may act once it holds, such as answering a dialog that
    // has appeared; like actions, it must post rather than block.
    // The time limit only ends a test that would otherwise wait for ever.
    ModalScript& Await(std::function<bool()> condition, std::string what = "the step's condition",
                       int timeoutMs = kWaitMs, Where where = Where::current());
    // Waits for the thread's dialog with this caption, then acts on it once.
    ModalScript& AwaitDialog(std::wstring caption, std::function<void(HWND)> act,
                             Where where = Where::current());

    // Starts the ticks; call right before entering the modal run.
    void Start(Where where = Where::current());
    // True when every step ran (and no step asked to abort).
    bool Completed() const { return next_ == steps_.size() && !aborting_; }

    // Starts the script, runs the window's DoModal and expects every step to have run;
    // the modal result.
    template <class Modal> auto RunModal(Modal& window, Where where = Where::current()) {
        Start(where);
        const auto result = window.DoModal();
        ExpectAt(Completed(), where, "the script did not run to its end");
        return result;
    }

    static constexpr int kWaitMs = 30000;

private:
    struct Step {
        std::function<bool()> run; // true: done, go on
        std::string what;
        int timeoutMs;
        Where where;
    };
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();
    void Abort(const std::string& why, const Where& where);

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    DWORD stepStarted_ = 0;
    DWORD completedAt_ = 0;
    bool aborting_ = false;
    bool inStep_ = false;
    UINT_PTR timer_ = 0;
    Where started_;
};

// True for a property sheet (a wizard): it answers which page it shows.
bool IsPropertySheet(HWND window);

// Cancels every visible top-level window of this thread: nested dialogs with IDCANCEL,
// property sheets with PSBTN_CANCEL.
void CancelThreadWindows();

} // namespace vs::test

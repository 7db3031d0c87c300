#include "tests/wine/ModalScript.h"

#include "tests/wine/UiDriver.h"

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

namespace vs::test {

namespace {
ModalScript* running = nullptr;
constexpr UINT kTickMs = 10;
// After the last step the modal run must end within this time; like the steps' limits,
// it only ends a run that would otherwise never end.
constexpr DWORD kEndTimeoutMs = 30000;
} // namespace

void FailAt(const Where& where, const std::string& message) {
    GTEST_FAIL_AT(where.file_name(), static_cast<int>(where.line())) << message;
}

bool ExpectAt(bool ok, const Where& where, const std::string& message) {
    if (!ok)
        ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << message;
    return ok;
}

ModalScript::~ModalScript() {
    if (timer_)
        KillTimer(nullptr, timer_);
    if (running == this)
        running = nullptr;
}

ModalScript& ModalScript::Do(std::function<void()> action, Where where) {
    steps_.push_back({[action] {
                          action();
                          return true;
                      },
                      "action", 0, where});
    return *this;
}

ModalScript& ModalScript::Await(std::function<bool()> condition, std::string what, int timeoutMs,
                                Where where) {
    steps_.push_back({std::move(condition), std::move(what), timeoutMs, where});
    return *this;
}

ModalScript& ModalScript::AwaitDialog(std::wstring caption, std::function<void(HWND)> act, Where where) {
    return Await(
        [caption = std::move(caption), act = std::move(act)] {
            HWND dialog = uitest::FindDialog(caption);
            if (!dialog)
                return false;
            act(dialog);
            return true;
        },
        "a dialog captioned as expected", kWaitMs, where);
}

void ModalScript::Start(Where where) {
    started_ = where;
    running = this;
    stepStarted_ = GetTickCount();
    timer_ = SetTimer(nullptr, 0, kTickMs, &ModalScript::OnTimer);
}

void CALLBACK ModalScript::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (running)
        running->Tick();
}

void ModalScript::Abort(const std::string& why, const Where& where) {
    if (!aborting_)
        ExpectAt(false, where, "script aborted at step " + std::to_string(next_) + ": " + why);
    aborting_ = true;
}

void ModalScript::Tick() {
    // A step that pumps messages itself (a SendMessage into a nested loop) must not re-enter.
    if (inStep_)
        return;
    if (aborting_) {
        CancelThreadWindows();
        return;
    }
    if (next_ == steps_.size()) {
        if (!completedAt_)
            completedAt_ = GetTickCount();
        else if (GetTickCount() - completedAt_ > kEndTimeoutMs)
            Abort("the modal run did not end after the last step", started_);
        return;
    }
    Step& step = steps_[next_];
    inStep_ = true;
    const bool done = step.run();
    inStep_ = false;
    if (::testing::Test::HasFatalFailure()) {
        Abort("fatal failure in a step", step.where);
        return;
    }
    if (done) {
        ++next_;
        stepStarted_ = GetTickCount();
    } else if (GetTickCount() - stepStarted_ > static_cast<DWORD>(step.timeoutMs)) {
        Abort("timed out waiting for: " + step.what, step.where);
    }
}

bool IsPropertySheet(HWND window) {
    return SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0) != 0;
}

void CancelThreadWindows() {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            if (!IsWindowVisible(window))
                return TRUE;
            if (IsPropertySheet(window))
                PostMessageW(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            else
                PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return TRUE;
        },
        0);
}

} // namespace vs::test

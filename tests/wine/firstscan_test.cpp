// The window's first reading of the registry runs on a thread of its own: held at a gate
// in the registry, the reading leaves the window answering messages and commands, and
// once let through its rows come with what changed while it was held.

#include "framework/Resources.h"
#include "res/resource.h"
#include "store/NamespaceLocation.h"
#include "store/WinPlatform.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/MainWindowFixture.h"
#include "tests/wine/UiDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cwchar>
#include <mutex>
#include <thread>

namespace vs {
namespace {

// The registry, where another thread than the test's stops at the opening of the
// all-users Desktop key (after this user's places) until the gate opens.
class GateRegistry final : public WinRegistry {
public:
    Status OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) override {
        if (GetCurrentThreadId() != owner_ && parent == LocalMachine() && path &&
            std::wcscmp(path, PlaceByIndex(4)->nameSpacePath) == 0) {
            std::unique_lock<std::mutex> lock(mutex_);
            reached_ = true;
            opened_.wait(lock, [this] { return open_; });
        }
        return WinRegistry::OpenKey(parent, path, access, out);
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    bool Reached() {
        std::lock_guard<std::mutex> lock(mutex_);
        return reached_;
    }

private:
    const DWORD owner_ = GetCurrentThreadId();
    std::mutex mutex_;
    std::condition_variable opened_;
    bool reached_ = false, open_ = false;
};

const std::vector<std::wstring> kIds = {L"{6a7e0000-0000-4000-8000-000000000000}",
                                        L"{6a7e0000-0000-4000-8000-000000000001}",
                                        L"{6a7e0000-0000-4000-8000-000000000002}"};

class FirstScanTest : public test::MainWindowFixture {
protected:
    FirstScanTest() : MainWindowFixture(kIds) {}
    ~FirstScanTest() override {
        gate.Open(); // a reading still held ends, and the dialog before the gate and the platform
        dialog.reset();
    }

    void WriteObject(int n, int place, const std::wstring& name) {
        ASSERT_EQ(test::WriteTree(store, ClassesRoot(), {test::ClassPath(kIds[n]), {test::Sz(L"", name)}}),
                  kOk);
        WriteEntry(place, kIds[n]);
    }

    GateRegistry gate;
    WinPlatform real;
};

TEST_F(FirstScanTest, WhileTheReadingIsHeldTheWindowAnswersAndItsRowsComeWithWhatChangedMeanwhile) {
    WriteObject(0, 0, L"Gated A");
    WriteObject(1, 4, L"Gated B");
    dialog = std::make_unique<CDeleteObject>(gate, real);
    dialog->FillAfterShowing();
    ASSERT_NE(dialog->CreateModeless(), nullptr);
    list = dialog->Item(IDC_OBJECT_LIST);
    ShowWindow(dialog->Hwnd(), SW_SHOWNOACTIVATE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return gate.Reached(); }, 30000, dialog->Hwnd()));

    // Held after this user's places: the window is there, says it reads, and answers.
    EXPECT_TRUE(dialog->Reading());
    EXPECT_EQ(RowCount(), 0);
    EXPECT_EQ(uitest::WindowText(dialog->Item(IDC_STATUS)), LoadResourceString(IDS_STATUS_READING));
    std::atomic<bool> answered{false};
    std::thread other([&] {
        SendMessageW(dialog->Hwnd(), WM_NULL, 0, 0);
        answered = true;
    });
    EXPECT_TRUE(uitest::PumpUntil([&] { return answered.load(); }, 30000, dialog->Hwnd()));
    other.join();
    SetWindowTextW(dialog->Item(IDC_FILTER), L"Gated"); // the filter box's command
    // A change in a place the reading has passed; the rows come in name order.
    WriteObject(2, 0, L"New C");

    gate.Open();
    ASSERT_TRUE(uitest::PumpUntil([&] { return !dialog->Reading(); }, 30000, dialog->Hwnd()));
    EXPECT_EQ(test::NamesIn(Names()), (std::vector<std::wstring>{L"Gated A", L"Gated B"}));
    SetWindowTextW(dialog->Item(IDC_FILTER), L"");
    EXPECT_EQ(test::NamesIn(Names()), (std::vector<std::wstring>{L"Gated A", L"Gated B", L"New C"}));
}

} // namespace
} // namespace vs

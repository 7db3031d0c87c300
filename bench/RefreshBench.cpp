// Times the installed-objects list refresh against a raw scan of the same registry.
//
// For each N it writes N registrations into the (throw-away) registry, spread over the
// eight places with 50 distinct icon locations, then times, a few times each:
//   (a) a raw scan: exactly the registry reads a refresh needs, nothing else;
//   (b) CDeleteObject::RefreshList on the real dialog with its real list view, shown.
// It prints minimum and median of both and their ratio, and
//   (c) the check for problems as its dialog runs it (CDeleteObject::FindProblems over the
//       refreshed inventory, then every target looked for on the check's worker threads),
// with its median against the refresh's. Then, on the dialog, the time
// until the list is up to date after a Hide and an Unhide of one row, after a command that
// changed nothing (a copy to the row's own place), and after another program (reg.exe)
// wrote or deleted an entry key, each also as a ratio to the refresh; the time until a
// new dialog is shown, until it first answers a message sent from another thread and the
// longest such message waited before its rows are in; and the working set with the dialog
// open. Run it through
// scripts/bench.sh, which gives it a fresh Wine prefix and a private display.

#include "mainwnd/DeleteObject.h"
#include "mainwnd/Places.h"
#include "res/resource.h"
#include "store/HealthCheck.h"
#include "store/Inventory.h"
#include "store/NamespaceLocation.h"
#include "store/RegKey.h"
#include "store/TargetCheck.h"
#include "store/WinPlatform.h"
#include "store/WinRegistry.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDistinctIcons = 50;

std::wstring ClassId(int n) {
    wchar_t text[64];
    std::swprintf(text, 64, L"{b3e0c0de-0000-4000-8000-%012d}", n);
    return text;
}

void RemovePlaces(vs::RegistryStore& store) {
    for (const vs::NamespaceLocation& place : vs::NamespaceLocations()) {
        vs::RegKey parent(store);
        const std::wstring path(place.nameSpacePath);
        const std::size_t cut = path.rfind(L'\\');
        if (parent.Open(place.hive, path.substr(0, cut), vs::kKeyReadWrite) == vs::kOk)
            (void)parent.DeleteTree(path.substr(cut + 1).c_str());
    }
}

void RemoveClasses(vs::RegistryStore& store, int count) {
    vs::RegKey clsid(store);
    if (clsid.Open(vs::ClassesRoot(), L"CLSID", vs::kKeyReadWrite) != vs::kOk)
        return;
    for (int i = 0; i < count; ++i)
        (void)clsid.DeleteTree(ClassId(i).c_str());
}

// N registrations laid out as the registration writes them: a class key with name,
// tooltip (every third), category, marker, icon and a folder or program target, and one
// marked entry key in place i % 8.
void WriteRegistrations(vs::RegistryStore& store, int count) {
    int failures = 0;
    auto written = [&failures](vs::Status status) { failures += status != vs::kOk; };
    wchar_t systemDir[MAX_PATH];
    GetSystemDirectoryW(systemDir, MAX_PATH);
    for (int i = 0; i < count; ++i) {
        const std::wstring id = ClassId(i);
        const std::wstring name = L"Object " + std::to_wstring((i * 7919) % count);
        const std::wstring marker = L"Varnoset: " + name;
        vs::RegKey key(store);
        written(key.Create(vs::ClassesRoot(), L"CLSID\\" + id));
        written(key.SetString(nullptr, name));
        if (i % 3 == 0)
            written(key.SetString(L"InfoTip", L"Tooltip of " + name));
        written(key.SetDword(L"{305ca226-d286-468e-b848-2b2e8e697b74} 2", 0xFFFFFFFFu));
        written(key.SetString(L"SearchHelper", marker));
        vs::RegKey sub(store);
        written(sub.Create(key.Get(), L"DefaultIcon"));
        written(sub.SetString(nullptr, std::wstring(systemDir) + L"\\shell32.dll," +
                                           std::to_wstring(i % kDistinctIcons)));
        written(sub.Create(key.Get(), L"ShellFolder"));
        written(sub.SetDword(L"Attributes", 0xF8000000u));
        written(sub.SetString(L"WantsFORPARSING", L""));
        if (i % 2 == 0) {
            written(sub.Create(key.Get(), L"Instance\\InitPropertyBag"));
            written(sub.SetDword(L"Attributes", 0x15));
            written(sub.SetString(L"Target", L"C:\\Folder " + std::to_wstring(i), vs::kRegExpandSz));
        } else {
            written(sub.Create(key.Get(), L"Shell\\Open\\Command"));
            written(
                sub.SetString(nullptr, L"notepad.exe file" + std::to_wstring(i) + L".txt", vs::kRegExpandSz));
        }
        const vs::NamespaceLocation& place = vs::NamespaceLocations()[static_cast<std::size_t>(i % 8)];
        vs::RegKey entry(store);
        written(entry.Create(place.hive, std::wstring(place.nameSpacePath) + L"\\" + id));
        written(entry.SetString(L"SearchHelper", marker));
    }
    if (failures)
        std::fprintf(stderr, "%d registry writes of the sample failed\n", failures);
}

// The registry reads of one refresh and nothing else: every place opened and enumerated,
// every entry key opened and its marker read, every class key opened once and its name,
// tooltip, sort position, target and icon location read.
int RawScan(vs::RegistryStore& store) {
    int found = 0;
    std::vector<std::wstring> seen;
    for (const vs::NamespaceLocation& place : vs::NamespaceLocations()) {
        vs::RegKey places(store);
        if (places.Open(place.hive, place.nameSpacePath) != vs::kOk)
            continue;
        for (std::uint32_t index = 0;; ++index) {
            wchar_t name[50];
            std::uint32_t capacity = 50;
            const vs::Status status = store.EnumKey(places.Get(), index, name, &capacity);
            if (status == vs::kNoMoreItems)
                break;
            if (status != vs::kOk)
                continue;
            vs::RegKey entry(store);
            if (entry.Open(places.Get(), name) != vs::kOk)
                continue;
            (void)entry.ReadString(L"SearchHelper", 300);
            ++found;
            // The refresh reopens each entry key to scan below it (nothing there here).
            vs::RegKey below(store);
            if (below.Open(places.Get(), name) == vs::kOk) {
                std::uint32_t childCapacity = 50;
                wchar_t child[50];
                (void)store.EnumKey(below.Get(), 0, child, &childCapacity);
            }
            if (std::find(seen.begin(), seen.end(), name) != seen.end())
                continue;
            seen.emplace_back(name);
            vs::RegKey info(store);
            if (info.Open(vs::ClassesRoot(), std::wstring(L"CLSID\\") + name) != vs::kOk)
                continue;
            (void)info.ReadString(nullptr, 1000);
            std::uint8_t buffer[2000];
            std::uint32_t type = 0, size = 1000;
            (void)store.QueryValue(info.Get(), L"InfoTip", &type, buffer, &size);
            size = 4;
            (void)store.QueryValue(info.Get(), L"SortOrderIndex", &type, buffer, &size);
            vs::RegKey target(store);
            if (target.Open(info.Get(), L"Instance\\InitPropertyBag") == vs::kOk)
                (void)target.ReadString(L"Target", 1000);
            else if (target.Open(info.Get(), L"Shell\\Open\\Command") == vs::kOk)
                (void)target.ReadString(nullptr, 1000);
            vs::RegKey icon(store);
            if (icon.Open(info.Get(), L"DefaultIcon") == vs::kOk) {
                size = 520;
                (void)store.QueryValue(icon.Get(), nullptr, &type, buffer, &size);
            }
        }
    }
    return found;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Min(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Selects and focuses this row alone.
void SelectOnly(HWND list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// The time of a menu command on the dialog, up to the repaint it asked for.
double TimeCommand(HWND window, UINT id) {
    const auto start = Clock::now();
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    PumpMessages();
    return Seconds(Clock::now() - start);
}

// Runs reg.exe of this prefix to its end.
void Reg(const std::wstring& arguments) {
    std::wstring line = L"reg.exe " + arguments;
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &start, &process)) {
        std::fprintf(stderr, "reg.exe did not start\n");
        return;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// Pumps until the list shows rows rows; the time it took, or a negative one after cap.
double UntilRows(HWND list, int rows, std::chrono::seconds cap = std::chrono::seconds(5)) {
    const auto start = Clock::now();
    while (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != rows) {
        if (Clock::now() - start > cap)
            return -1;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        PumpMessages();
    }
    return Seconds(Clock::now() - start);
}

// Another thread that sends a window WM_NULL every 10 ms, as input would reach it: when it
// first answered (from start) and the longest one message waited.
class InputProbe {
public:
    explicit InputProbe(Clock::time_point start)
        : start_(start), thread_([this] {
              while (!stop_) {
                  HWND window = window_;
                  if (!window) {
                      Sleep(1);
                      continue;
                  }
                  const auto sent = Clock::now();
                  DWORD_PTR answer = 0;
                  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer);
                  const auto answered = Clock::now();
                  if (firstAnswer_ < 0)
                      firstAnswer_ = Seconds(answered - start_);
                  longestWait_ = std::max(longestWait_, Seconds(answered - sent));
                  Sleep(10); // at the pace of input, not taking the reading's processor
              }
              done_ = true;
          }) {}
    void Watch(HWND window) { window_ = window; }
    // Stops the thread, answering what it still sends meanwhile.
    void Stop() {
        stop_ = true;
        while (!done_) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            PumpMessages();
        }
        thread_.join();
    }
    double FirstAnswer() const { return firstAnswer_; }
    double LongestWait() const { return longestWait_; }

private:
    Clock::time_point start_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> stop_{false}, done_{false};
    double firstAnswer_ = -1, longestWait_ = 0;
    std::thread thread_;
};

std::size_t WorkingSetKb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)
               ? counters.WorkingSetSize / 1024
               : 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<int> sizes;
    int repeats = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--repeat") == 0 && i + 1 < argc)
            repeats = std::max(1, _wtoi(argv[++i]));
        else
            sizes.push_back(_wtoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {0, 100, 1000, 5000};

    InitCommonControls();
    (void)CoInitialize(nullptr);
    vs::WinRegistry store;
    vs::WinPlatform platform;

    std::printf("%6s  %10s %10s  %10s %10s  %8s %8s  %10s  %10s %10s\n", "N", "scan min", "scan med",
                "refr min", "refr med", "ratio min", "ratio med", "no-list med", "check med", "check/refr");
    struct Figures {
        int n;
        std::vector<double> hide, unhide, unchanged, outside, startup, rowsIn, answers, longestWait;
        double refresh;
        std::size_t workingSetKb;
    };
    std::vector<Figures> more;
    int written = 0;
    for (int n : sizes) {
        RemovePlaces(store);
        RemoveClasses(store, written);
        WriteRegistrations(store, n);
        written = n;

        Figures figures{n, {}, {}, {}, {}, {}, {}, {}, {}, 0, 0};
        for (int r = 0; r < repeats; ++r) {
            const auto start = Clock::now();
            InputProbe probe(start);
            CDeleteObject shown(store, platform);
            shown.FillAfterShowing();
            probe.Watch(shown.CreateModeless());
            ShowWindow(shown.Hwnd(), SW_SHOW);
            UpdateWindow(shown.Hwnd());
            figures.startup.push_back(Seconds(Clock::now() - start));
            (void)UntilRows(shown.List(), n, std::chrono::seconds(60));
            figures.rowsIn.push_back(Seconds(Clock::now() - start));
            probe.Stop();
            figures.answers.push_back(probe.FirstAnswer());
            figures.longestWait.push_back(probe.LongestWait());
        }
        CDeleteObject dialog(store, platform);
        HWND window = dialog.CreateModeless();
        ShowWindow(window, SW_SHOW);
        PumpMessages();
        figures.workingSetKb = WorkingSetKb();
        // A raw scan, an inventory alone and a refresh, one after the other in each round:
        // on a shared machine the three then meet the same load.
        std::vector<double> scans, inventoryOnly, refreshes;
        for (int r = 0; r < repeats; ++r) {
            auto start = Clock::now();
            const int found = RawScan(store);
            scans.push_back(Seconds(Clock::now() - start));
            if (found != n)
                std::fprintf(stderr, "raw scan found %d of %d entries\n", found, n);
            vs::Inventory inventory(store, platform);
            start = Clock::now();
            inventory.Refresh();
            inventoryOnly.push_back(Seconds(Clock::now() - start));
            start = Clock::now();
            dialog.RefreshList();
            PumpMessages(); // the repaint the refresh asked for is part of what the user waits for
            refreshes.push_back(Seconds(Clock::now() - start));
        }
        const int rows = static_cast<int>(SendMessageW(dialog.List(), LVM_GETITEMCOUNT, 0, 0));
        if (rows != n)
            std::fprintf(stderr, "the list shows %d of %d rows\n", rows, n);
        std::vector<double> checks;
        std::size_t problems = 0;
        for (int r = 0; r < repeats; ++r) {
            const auto start = Clock::now();
            std::vector<vs::Problem> found = dialog.FindProblems(true);
            const std::vector<vs::TargetToCheck> targets = vs::TargetsToCheck(dialog.Inventory());
            std::vector<vs::TargetPath> paths;
            for (const vs::TargetToCheck& target : targets)
                paths.push_back(target.target);
            vs::TargetChecker checker(std::move(paths), vs::TargetExists, vs::kTargetTimeLimit,
                                      vs::kTargetWorkers);
            checker.Wait();
            problems =
                found.size() + vs::TargetProblems(dialog.Inventory(), targets, checker.States()).size();
            checks.push_back(Seconds(Clock::now() - start));
        }
        std::printf("%6d  %9.4fs %9.4fs  %9.4fs %9.4fs  %8.2f %8.2f  %9.4fs  %9.4fs %10.2f  (%zu problems)\n",
                    n, Min(scans), Median(scans), Min(refreshes), Median(refreshes),
                    Min(refreshes) / Min(scans), Median(refreshes) / Median(scans), Median(inventoryOnly),
                    Median(checks), Median(checks) / Median(refreshes), problems);
        std::fflush(stdout);
        figures.refresh = Median(refreshes);

        HWND list = dialog.List();
        for (int r = 0; n > 0 && r < repeats; ++r) {
            SelectOnly(list, 0);
            figures.hide.push_back(TimeCommand(window, ID_HIDE));
            figures.unhide.push_back(TimeCommand(window, ID_UNHIDE));
            // A copy to the row's own place writes nothing.
            const vs::ShellObjectEntry* entry = dialog.EntryOfRow(0);
            UINT copy = ID_COPY_FIRST;
            while (copy < ID_COPY_LAST && entry && PlaceByCopyCommand(copy)->index != entry->PlaceIndex())
                ++copy;
            figures.unchanged.push_back(TimeCommand(window, copy));
            // Another program adds the first object to a place it is not in, then takes it away.
            const std::wstring key = L"\"HKCU\\" + std::wstring(vs::NamespaceLocations()[1].nameSpacePath) +
                                     L"\\" + ClassId(0) + L"\"";
            Reg(L"add " + key + L" /v SearchHelper /d Varnoset /f");
            figures.outside.push_back(UntilRows(list, n + 1));
            Reg(L"delete " + key + L" /f");
            (void)UntilRows(list, n);
        }
        more.push_back(std::move(figures));
    }
    std::printf(
        "\nAfter a command or an outside change, until the list is up to date (min / median, and the "
        "median's ratio to a refresh's); a new window until it is shown, until it first answers a message, "
        "the longest a message waited for it before its rows are in, until they are in; the working set "
        "with it open.\n");
    std::printf("%6s  %19s %19s %19s %19s  %17s  %17s  %17s  %17s  %10s\n", "N", "hide", "unhide",
                "unchanged", "outside (reg)", "window shown", "answers input", "longest wait", "rows in",
                "working set");
    for (const Figures& f : more) {
        auto cell = [&f](const std::vector<double>& values) {
            char text[64];
            if (values.empty() || Min(values) < 0)
                std::snprintf(text, sizeof text, "%s", values.empty() ? "-" : "not shown");
            else
                std::snprintf(text, sizeof text, "%.4f/%.4f %4.2f", Min(values), Median(values),
                              f.refresh > 0 ? Median(values) / f.refresh : 0.0);
            return std::string(text);
        };
        std::printf("%6d  %19s %19s %19s %19s  %8.4f/%8.4f  %8.4f/%8.4f  %8.4f/%8.4f  %8.4f/%8.4f  %8zu KB\n",
                    f.n, cell(f.hide).c_str(), cell(f.unhide).c_str(), cell(f.unchanged).c_str(),
                    cell(f.outside).c_str(), Min(f.startup), Median(f.startup), Min(f.answers),
                    Median(f.answers), Min(f.longestWait), Median(f.longestWait), Min(f.rowsIn),
                    Median(f.rowsIn), f.workingSetKb);
    }
    RemovePlaces(store);
    RemoveClasses(store, written);
    return 0;
}

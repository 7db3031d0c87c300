// Times the installed-objects list refresh against a raw scan of the same registry.
//
// For each N it writes N registrations into the (throw-away) registry, spread over the
// eight places with 50 distinct icon locations, then times, a few times each:
//   (a) a raw scan: exactly the registry reads a refresh needs, nothing else;
//   (b) CDeleteObject::RefreshList on the real dialog with its real list view, shown.
// It prints minimum and median of both and their ratio, and
//   (c) the check for problems as its dialog runs it (CDeleteObject::FindProblems over the
//       refreshed inventory, then every target looked for on the check's worker threads),
// with its median against the refresh's. Run it through scripts/bench.sh,
// which gives it a fresh Wine prefix and a private display.

#include "mainwnd/DeleteObject.h"
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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
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
        if (parent.Open(place.hive, path.substr(0, cut)) == vs::kOk)
            (void)parent.DeleteTree(path.substr(cut + 1).c_str());
    }
}

void RemoveClasses(vs::RegistryStore& store, int count) {
    vs::RegKey clsid(store);
    if (clsid.Open(vs::ClassesRoot(), L"CLSID") != vs::kOk)
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
        sizes = {100, 1000, 5000};

    InitCommonControls();
    (void)CoInitialize(nullptr);
    vs::WinRegistry store;
    vs::WinPlatform platform;

    std::printf("%6s  %10s %10s  %10s %10s  %8s %8s  %10s  %10s %10s\n", "N", "scan min", "scan med",
                "refr min", "refr med", "ratio min", "ratio med", "no-list med", "check med", "check/refr");
    int written = 0;
    for (int n : sizes) {
        RemovePlaces(store);
        RemoveClasses(store, written);
        WriteRegistrations(store, n);
        written = n;

        std::vector<double> scans, refreshes;
        for (int r = 0; r < repeats; ++r) {
            const auto start = Clock::now();
            const int found = RawScan(store);
            scans.push_back(Seconds(Clock::now() - start));
            if (found != n)
                std::fprintf(stderr, "raw scan found %d of %d entries\n", found, n);
        }

        std::vector<double> inventoryOnly;
        for (int r = 0; r < repeats; ++r) {
            vs::Inventory inventory(store, platform);
            const auto start = Clock::now();
            inventory.Refresh();
            inventoryOnly.push_back(Seconds(Clock::now() - start));
        }

        CDeleteObject dialog(store, platform);
        HWND window = dialog.CreateModeless();
        ShowWindow(window, SW_SHOW);
        PumpMessages();
        for (int r = 0; r < repeats; ++r) {
            const auto start = Clock::now();
            dialog.RefreshList();
            PumpMessages(); // the repaint the refresh asked for is part of what the user waits for
            refreshes.push_back(Seconds(Clock::now() - start));
        }
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
        const int rows = static_cast<int>(SendMessageW(dialog.List(), LVM_GETITEMCOUNT, 0, 0));
        if (rows != n)
            std::fprintf(stderr, "the list shows %d of %d rows\n", rows, n);
        std::printf("%6d  %9.4fs %9.4fs  %9.4fs %9.4fs  %8.2f %8.2f  %9.4fs  %9.4fs %10.2f  (%zu problems)\n",
                    n, Min(scans), Median(scans), Min(refreshes), Median(refreshes),
                    Min(refreshes) / Min(scans), Median(refreshes) / Median(scans), Median(inventoryOnly),
                    Median(checks), Median(checks) / Median(refreshes), problems);
        std::fflush(stdout);
    }
    RemovePlaces(store);
    RemoveClasses(store, written);
    return 0;
}

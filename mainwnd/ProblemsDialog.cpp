#include "mainwnd/ProblemsDialog.h"

#include "framework/MessageMap.h"
#include "framework/Resources.h"
#include "framework/UniqueHandle.h"
#include "mainwnd/DeleteObject.h"
#include "mainwnd/Places.h"
#include "res/resource.h"
#include "store/RegFile.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>

namespace {

constexpr UINT_PTR kTargetTimer = 1;
constexpr UINT kTargetPollMs = 100;
constexpr int kColumnCount = 5;
constexpr UINT kHeadings[kColumnCount] = {IDS_PROBLEM_COLUMN_KIND, IDS_PROBLEM_COLUMN_NAME,
                                          IDS_PROBLEM_COLUMN_PLACE, IDS_PROBLEM_COLUMN_KEY,
                                          IDS_PROBLEM_COLUMN_DETAIL};
constexpr int kColumnWidths[kColumnCount] = {150, 120, 150, 260, 160};

} // namespace

std::wstring ProblemPlaceText(int place) {
    if (place == vs::kUserClasses || place == vs::kMachineClasses)
        return LoadResourceString(place == vs::kUserClasses ? IDS_PROBLEM_CLASSES_USER
                                                            : IDS_PROBLEM_CLASSES_ALL);
    return PlaceLabel(place);
}

std::wstring ProblemKindText(vs::ProblemKind kind) {
    return LoadResourceString(IDS_PROBLEM_KIND_FIRST + static_cast<UINT>(kind));
}

CProblemsDialog::CProblemsDialog(CDeleteObject& window, vs::TargetChecker::Probe probe)
    : CDialog(IDD_PROBLEMS, window.Hwnd()), window_(window), probe_(std::move(probe)) {}

CProblemsDialog::~CProblemsDialog() = default;

bool CProblemsDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    list_ = Item(IDC_PROBLEM_LIST);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < kColumnCount; ++column) {
        std::wstring heading = LoadResourceString(kHeadings[column]);
        LVCOLUMNW info{};
        info.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        info.cx = kColumnWidths[column];
        info.pszText = heading.data();
        info.iSubItem = column;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
    }
    Check();
    return true;
}

bool CProblemsDialog::HandleMessage(const Message& msg, LRESULT& result) {
    using D = CProblemsDialog;
    static constexpr MessageEntry<D> kMessages[] = {
        {WM_TIMER, 0, 0, 0, &D::OnTimer},
        {WM_DESTROY, 0, 0, 0, &D::OnDestroy},
        {WM_NOTIFY, LVN_COLUMNCLICK, IDC_PROBLEM_LIST, IDC_PROBLEM_LIST, &D::OnColumnClick},
        {WM_NOTIFY, LVN_ITEMCHANGED, IDC_PROBLEM_LIST, IDC_PROBLEM_LIST, &D::OnItemChanged},
        {WM_COMMAND, BN_CLICKED, IDC_REPAIR_SELECTED, IDC_REPAIR_SELECTED, &D::OnRepair},
        {WM_COMMAND, BN_CLICKED, IDC_SHOW_IN_LIST, IDC_SHOW_IN_LIST, &D::OnShowInList},
        {WM_COMMAND, BN_CLICKED, IDC_EDIT_PROBLEM, IDC_EDIT_PROBLEM, &D::OnEdit},
    };
    return Route(this, kMessages, msg, result) || CDialog::HandleMessage(msg, result);
}

void CProblemsDialog::Check() {
    KillTimer(hwnd_, kTargetTimer);
    checker_.reset(); // a worker still waiting for its path finishes on its own
    problems_ = window_.FindProblems(true);
    targets_ = vs::TargetsToCheck(window_.Inventory());
    if (!targets_.empty()) {
        std::vector<vs::TargetPath> paths;
        for (const vs::TargetToCheck& target : targets_)
            paths.push_back(target.target);
        checker_ = std::make_unique<vs::TargetChecker>(std::move(paths), probe_, vs::kTargetTimeLimit,
                                                       vs::kTargetWorkers);
        SetTimer(hwnd_, kTargetTimer, kTargetPollMs, nullptr);
    }
    Fill();
}

LRESULT CProblemsDialog::OnTimer(const Message& msg) {
    if (msg.wParam != kTargetTimer || !checker_ || !checker_->Poll())
        return 0;
    KillTimer(hwnd_, kTargetTimer);
    for (vs::Problem& problem : vs::TargetProblems(window_.Inventory(), targets_, checker_->States()))
        problems_.push_back(std::move(problem));
    checker_.reset();
    Fill();
    return 0;
}

LRESULT CProblemsDialog::OnDestroy(const Message&) {
    KillTimer(hwnd_, kTargetTimer);
    checker_.reset();
    return 0;
}

std::wstring CProblemsDialog::Cell(const vs::Problem& problem, int column) const {
    switch (column) {
    case 0:
        return ProblemKindText(problem.kind);
    case 1:
        return problem.name;
    case 2:
        return ProblemPlaceText(problem.place);
    case 3:
        return vs::FullKeyName(problem.root, problem.keyPath);
    default:
        return problem.detail;
    }
}

void CProblemsDialog::Fill() {
    std::vector<std::size_t> order(problems_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::vector<std::wstring> keys;
    for (const vs::Problem& problem : problems_)
        keys.push_back(Cell(problem, sortColumn_));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int order =
            CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, keys[a].c_str(), -1, keys[b].c_str(), -1) -
            CSTR_EQUAL;
        return descending_ ? order > 0 : order < 0;
    });
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t index : order) {
        const vs::Problem& problem = problems_[index];
        std::wstring text = Cell(problem, 0);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
        item.pszText = text.data();
        item.lParam = static_cast<LPARAM>(index);
        const int row =
            static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (int column = 1; column < kColumnCount && row >= 0; ++column) {
            std::wstring cell = Cell(problem, column);
            LVITEMW sub{};
            sub.iSubItem = column;
            sub.pszText = cell.data();
            SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
        }
    }
    // Each column as wide as its widest text or its heading; the sort arrow on the sorted one.
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    for (int column = 0; column < kColumnCount; ++column) {
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), LVSCW_AUTOSIZE_USEHEADER);
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
            continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == sortColumn_)
            item.fmt |= descending_ ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);

    std::wstring status;
    if (checker_)
        status = FormatResourceString(IDS_PROBLEMS_CHECKING, {std::to_wstring(targets_.size())});
    else if (problems_.empty())
        status = LoadResourceString(IDS_PROBLEMS_NONE);
    else
        status = FormatResourceString(IDS_PROBLEMS_FOUND, {std::to_wstring(problems_.size())});
    SetDlgItemTextW(hwnd_, IDC_PROBLEM_STATUS, status.c_str());
    UpdateButtons();
}

std::vector<const vs::Problem*> CProblemsDialog::Selected() const {
    std::vector<const vs::Problem*> selected;
    for (int row = -1; (row = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                            LVNI_SELECTED))) != -1;) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) &&
            static_cast<std::size_t>(item.lParam) < problems_.size())
            selected.push_back(&problems_[static_cast<std::size_t>(item.lParam)]);
    }
    return selected;
}

void CProblemsDialog::UpdateButtons() {
    const std::vector<const vs::Problem*> selected = Selected();
    const bool repairable = std::any_of(selected.begin(), selected.end(),
                                        [](const vs::Problem* p) { return vs::Repairable(p->kind); });
    // An orphaned class key has no row to show.
    const bool shown = !selected.empty() && selected.front()->kind != vs::ProblemKind::OrphanedClass;
    EnableWindow(Item(IDC_REPAIR_SELECTED), repairable);
    EnableWindow(Item(IDC_SHOW_IN_LIST), shown);
    const bool editable = shown && !vs::Repairable(selected.front()->kind);
    EnableWindow(Item(IDC_EDIT_PROBLEM), editable);
}

LRESULT CProblemsDialog::OnItemChanged(const Message& msg) {
    if (reinterpret_cast<const NMLISTVIEW*>(msg.lParam)->uChanged & LVIF_STATE)
        UpdateButtons();
    return 0;
}

LRESULT CProblemsDialog::OnColumnClick(const Message& msg) {
    const int column = reinterpret_cast<const NMLISTVIEW*>(msg.lParam)->iSubItem;
    descending_ = column == sortColumn_ ? !descending_ : false;
    sortColumn_ = column;
    Fill();
    return 0;
}

LRESULT CProblemsDialog::OnRepair(const Message&) {
    std::vector<vs::Problem> repairs;
    std::vector<bool> keepHidden;
    for (const vs::Problem* problem : Selected()) {
        if (!vs::Repairable(problem->kind))
            continue;
        bool hidden = false;
        if (problem->kind == vs::ProblemKind::ShownAndHidden) {
            // Yes keeps the visible entry, No the hidden one.
            const std::wstring question = FormatResourceString(
                IDS_PROBLEM_KEEP_VISIBLE, {problem->name, ProblemPlaceText(problem->place)});
            const std::wstring caption = LoadResourceString(IDS_PROBLEMS_CAPTION);
            const int answer =
                MessageBoxW(hwnd_, question.c_str(), caption.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDCANCEL)
                return 0;
            hidden = answer == IDNO;
        }
        repairs.push_back(*problem);
        keepHidden.push_back(hidden);
    }
    if (repairs.empty())
        return 0;
    KillTimer(hwnd_, kTargetTimer);
    checker_.reset();
    window_.RepairProblems(repairs, keepHidden); // the inventory is read anew
    Check();
    return 0;
}

LRESULT CProblemsDialog::OnShowInList(const Message&) {
    const std::vector<const vs::Problem*> selected = Selected();
    if (selected.empty() || selected.front()->kind == vs::ProblemKind::OrphanedClass)
        return 0;
    showRequest_ = *selected.front();
    EndDialog(IDC_SHOW_IN_LIST);
    return 0;
}

LRESULT CProblemsDialog::OnEdit(const Message&) {
    const std::vector<const vs::Problem*> selected = Selected();
    if (selected.empty() || vs::Repairable(selected.front()->kind) ||
        selected.front()->kind == vs::ProblemKind::OrphanedClass)
        return 0;
    UINT command = ID_CHANGE_ICON;
    if (selected.front()->kind != vs::ProblemKind::MissingIcon) {
        UniqueMenu menu(CreatePopupMenu());
        const std::wstring rename = LoadResourceString(IDS_PROBLEM_EDIT_RENAME);
        const std::wstring comment = LoadResourceString(IDS_PROBLEM_EDIT_COMMENT);
        AppendMenuW(menu.Get(), MF_STRING, ID_RENAME, rename.c_str());
        AppendMenuW(menu.Get(), MF_STRING, ID_CHANGE_COMMENT, comment.c_str());
        RECT button{};
        GetWindowRect(Item(IDC_EDIT_PROBLEM), &button);
        command = static_cast<UINT>(TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                   button.left, button.bottom, 0, hwnd_, nullptr));
        if (!command)
            return 0;
    }
    showRequest_ = *selected.front();
    editCommand_ = command;
    EndDialog(IDC_EDIT_PROBLEM);
    return 0;
}

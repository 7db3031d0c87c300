// The check for problems from the main window: the dialog, the repairs it asks for, the
// rows it asks to show, and the warning on list rows that have a problem.
#include "mainwnd/DeleteObject.h"

#include "mainwnd/ProblemsDialog.h"
#include "res/resource.h"
#include "store/ShellNotify.h"

#include <commctrl.h>

#include <map>

namespace {

std::wstring JoinPath(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

} // namespace

std::vector<vs::Problem> CDeleteObject::FindProblems(bool orphans) {
    // The list's own images first; a location it gave no icon is tried once more with its
    // environment variables expanded, as Explorer reads it.
    vs::IconCheck expanded = vs::CachedIconCheck(platform_);
    return vs::FindProblems(
        inventory_,
        [&](const std::wstring& location) {
            const std::optional<int> image = view_.ImageOfLocation(location);
            return (image && *image != -1) || expanded(location);
        },
        orphans);
}

LRESULT CDeleteObject::OnCheckProblems(const Message&) {
    if (scan_)
        return 0; // not before every registration is read
    CProblemsDialog dialog(*this, targetProbe_);
    dialog.DoModal();
    if (!dialog.ShowRequest())
        return 0;
    ShowProblem(*dialog.ShowRequest());
    // The edit commands work on the selected rows, which now are the object's.
    if (dialog.EditCommand())
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(dialog.EditCommand(), 0), 0);
    return 0;
}

void CDeleteObject::RepairProblems(const std::vector<vs::Problem>& problems,
                                   const std::vector<bool>& keepHidden) {
    // One step of undo, over the trees the repairs write.
    std::vector<vs::TreeRef> trees;
    for (const vs::Problem& problem : problems)
        for (vs::TreeRef& tree : vs::RepairTrees(problem))
            trees.push_back(std::move(tree));
    if (!BeginChange(IDC_REPAIR_SELECTED, trees))
        return;
    vs::Failures failures;
    for (std::size_t i = 0; i < problems.size(); ++i) {
        vs::Repair(store_, problems[i], i < keepHidden.size() && keepHidden[i], failures);
        if (problems[i].place >= 0)
            NotifyPlace(problems[i].place);
    }
    UpdateList();
    EndChange();
    ReportFailures(failures);
}

void CDeleteObject::ShowProblem(const vs::Problem& problem) {
    // Rows of the object's entries: the one entry of an entry's problem, every entry of its
    // class for a class key's.
    const bool oneEntry =
        problem.kind == vs::ProblemKind::DanglingEntry || problem.kind == vs::ProblemKind::ShownAndHidden;
    const std::wstring entryPath = problem.keyPath;
    auto matches = [&](const vs::ShellObjectEntry& entry) {
        if (oneEntry)
            return entry.hive == problem.root &&
                   vs::NamesEqual(JoinPath(entry.parentPath, entry.keyName), entryPath);
        return entry.info && vs::NamesEqual(entry.info->clsid, problem.clsid);
    };
    bool unlisted = false;
    for (const vs::ShellObjectEntry& entry : inventory_.unlisted)
        unlisted = unlisted || matches(entry);
    if (unlisted && !inventory_.expertMode) {
        inventory_.expertMode = 1;
        inventory_.Refresh();
    }
    if (!filterText_.empty()) {
        filterText_.clear();
        SetWindowTextW(filter_, L""); // its change shows the rows again
    }
    ListPlace place;
    for (const vs::ShellObjectEntry& entry : inventory_.entries)
        if (matches(entry))
            place.selected.push_back({{entry.hive, JoinPath(entry.parentPath, entry.keyName)}});
    if (!place.selected.empty())
        place.focused = place.selected.front();
    ShowRows(place, true);
    SetFocus(list_);
}

void CDeleteObject::FindRowProblems() {
    rowProblems_.assign(inventory_.entries.size(), std::wstring());
    auto add = [this](std::size_t row, const vs::Problem& problem) {
        std::wstring& text = rowProblems_[row];
        text += (text.empty() ? L"" : L"\n") + ProblemKindText(problem.kind);
        if (!problem.detail.empty())
            text += L": " + problem.detail;
    };
    // Icons the list did not load (rows left out) are no matter of a row's warning.
    const std::vector<vs::Problem> problems = vs::FindProblems(
        inventory_,
        [this](const std::wstring& location) { return view_.ImageOfLocation(location).value_or(0) != -1; },
        false);
    std::map<const vs::ShellObjectInfo*, std::vector<std::size_t>> rowsOfClass;
    for (std::size_t row = 0; row < inventory_.entries.size(); ++row)
        rowsOfClass[inventory_.entries[row].info].push_back(row);
    auto rowOf = [this](const vs::ShellObjectEntry* entry) {
        const vs::ShellObjectEntry* first = inventory_.entries.data();
        return entry >= first && entry < first + inventory_.entries.size() ? entry - first : -1;
    };
    for (const vs::Problem& problem : problems) {
        if (problem.kind == vs::ProblemKind::DanglingEntry ||
            problem.kind == vs::ProblemKind::ShownAndHidden) {
            for (const vs::ShellObjectEntry* entry : {problem.entry, problem.twin})
                if (const std::ptrdiff_t row = rowOf(entry); row >= 0)
                    add(static_cast<std::size_t>(row), problem);
        } else if (const auto rows = rowsOfClass.find(problem.info); rows != rowsOfClass.end()) {
            for (std::size_t row : rows->second)
                add(row, problem);
        }
    }
}

const std::wstring& CDeleteObject::RowProblemText(int row) {
    static const std::wstring kNone;
    const LPARAM index = ItemData(row);
    if (index < 0 || static_cast<std::size_t>(index) >= rowProblems_.size())
        return kNone;
    return rowProblems_[static_cast<std::size_t>(index)];
}

LRESULT CDeleteObject::OnGetInfoTip(const Message& msg) {
    auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(msg.lParam);
    // The row's problems first, then its keys and states.
    std::wstring text = RowProblemText(tip->iItem);
    text += (text.empty() ? L"" : L"\n\n") + RowTip(tip->iItem);
    if (!text.empty() && tip->pszText && tip->cchTextMax > 0)
        lstrcpynW(tip->pszText, text.c_str(), tip->cchTextMax);
    return 0;
}

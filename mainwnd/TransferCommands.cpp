// Export, import and undo. Export writes the selected rows' class key and entry key trees
// to a registry file; import checks a file whole, keeps a backup of what it will
// overwrite and writes it as one step of undo; undo takes the last step back, asking
// first when the registry changed since. What fails is said in one message, with the
// line of the file or the key that failed; nothing is ever left half-written.
#include "mainwnd/DeleteObject.h"

#include "framework/FileDialog.h"
#include "framework/Resources.h"
#include "mainwnd/FailureMessage.h"
#include "framework/SystemText.h"
#include "res/resource.h"
#include "store/BackupFolder.h"
#include "store/RegTransfer.h"

#include <commdlg.h>

#include <initializer_list>

namespace {

// At most this many keys are listed in one message; a count stands for the rest.
constexpr std::size_t kListedKeys = 12;

// The texts joined as paragraphs, empty ones left out.
std::wstring Paragraphs(std::initializer_list<std::wstring> texts) {
    std::wstring joined;
    for (const std::wstring& text : texts)
        if (!text.empty())
            joined += (joined.empty() ? L"" : L"\n\n") + text;
    return joined;
}

// One line per item of a list, at most kListedKeys of them, then how many more there are.
template <class Item, class Line> std::wstring Lines(const std::vector<Item>& items, Line line) {
    std::wstring text;
    for (std::size_t i = 0; i < items.size() && i < kListedKeys; ++i)
        text += (i ? L"\n" : L"") + line(items[i]);
    if (items.size() > kListedKeys)
        text += L"\n" + FormatResourceString(IDS_MORE_LINES, {std::to_wstring(items.size() - kListedKeys)});
    return text;
}

std::wstring RegFileErrorText(vs::RegFileError error) {
    static_assert(static_cast<int>(vs::RegFileError::BadAnsiText) ==
                      IDS_REGFILE_BAD_ANSI_TEXT - IDS_REGFILE_ERROR,
                  "one text per registry file error");
    return LoadResourceString(IDS_REGFILE_ERROR + static_cast<UINT>(error));
}

// "Line 12: <what is wrong>", then the key block it stands in.
std::wstring IssueText(const vs::RegFileIssue& issue) {
    const std::wstring what = RegFileErrorText(issue.error);
    std::wstring text =
        issue.line ? FormatResourceString(IDS_AT_LINE, {std::to_wstring(issue.line), what}) : what;
    if (!issue.key.empty())
        text += L"\n" + FormatResourceString(IDS_IN_KEY_BLOCK, {issue.key});
    return text;
}

// A file name made of an object's name: characters a file name cannot hold become '_'.
std::wstring FileNameFor(std::wstring name) {
    for (wchar_t& c : name)
        if (c < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos)
            c = L'_';
    return name + L".reg";
}

// The save or open dialog for a registry file, starting with name; empty when cancelled.
std::wstring AskRegFile(HWND owner, bool save, const std::wstring& name) {
    const DWORD flags = OFN_PATHMUSTEXIST | OFN_DONTADDTORECENT | OFN_HIDEREADONLY |
                        (save ? OFN_OVERWRITEPROMPT | OFN_NOREADONLYRETURN : OFN_FILEMUSTEXIST);
    return AskFileName({.owner = owner,
                        .filterId = IDS_REG_FILTER,
                        .titleId = static_cast<UINT>(save ? IDS_EXPORT_TITLE : IDS_IMPORT_TITLE),
                        .filterIndex = 1,
                        .defaultExtension = L"reg",
                        .flags = flags,
                        .save = save,
                        .capacity = 32768},
                       name);
}

} // namespace

std::wstring CDeleteObject::FailureText(const vs::ChangeReport& report, const std::wstring& unchanged) const {
    auto write = [](const vs::WriteFailure& failure) {
        const std::wstring key =
            vs::FullKeyName(failure.tree.root, failure.key.empty() ? failure.tree.path : failure.key);
        const std::wstring status = StatusText(failure.status);
        return failure.value.empty()
                   ? FormatResourceString(IDS_WRITE_FAILED, {key, status})
                   : FormatResourceString(IDS_WRITE_VALUE_FAILED, {key, failure.value, status});
    };
    return write(report.failure) + L"\n\n" +
           (report.unchanged ? unchanged
                             : FormatResourceString(IDS_NOT_ROLLED_BACK, {write(report.rollbackFailure),
                                                                          BackupFolderPath().wstring()}));
}

int CDeleteObject::ShowMessage(const std::wstring& text, UINT flags) const {
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
    caption.resize(static_cast<std::size_t>(GetWindowTextW(hwnd_, caption.data(), length + 1)));
    return MessageBoxW(hwnd_, text.c_str(), caption.c_str(), flags);
}

// ---- Export ----

LRESULT CDeleteObject::OnExport(const Message&) {
    std::wstring first;
    ForEachSelectedEntry([&first](const vs::ShellObjectEntry& entry) {
        if (first.empty())
            first = entry.GetName().empty() ? entry.keyName : entry.GetName();
    });
    if (first.empty())
        return 0; // nothing selected
    const std::wstring file = AskRegFile(hwnd_, true, FileNameFor(first));
    if (!file.empty())
        (void)ExportSelection(file);
    return 0;
}

bool CDeleteObject::ExportSelection(const std::filesystem::path& file) {
    // The rows' class key trees and entry key trees as they stand, each once.
    const vs::ExportResult result = vs::ExportTrees(store_, SelectedTrees(kClassTrees | kEntryTree, 0));
    if (result.status != vs::kOk) {
        const std::wstring key = vs::FullKeyName(result.failed.root, result.failed.path);
        ShowMessage(result.status == vs::kInvalidData
                        ? FormatResourceString(IDS_EXPORT_BAD_NAME, {key})
                        : FormatResourceString(IDS_EXPORT_READ_FAILED, {key, StatusText(result.status)}),
                    MB_OK | MB_ICONERROR);
        return false;
    }
    if (!vs::WriteFileBytes(file, result.bytes)) {
        ShowMessage(FormatResourceString(IDS_FILE_WRITE_FAILED, {file.wstring()}), MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

// ---- Import ----

LRESULT CDeleteObject::OnImport(const Message&) {
    const std::wstring file = AskRegFile(hwnd_, false, L"");
    if (!file.empty())
        (void)ImportFile(file);
    return 0;
}

bool CDeleteObject::ImportFile(const std::filesystem::path& file) {
    const std::wstring head = FormatResourceString(IDS_IMPORT_FAILED, {file.wstring()});
    const std::wstring nothing = LoadResourceString(IDS_NOTHING_WRITTEN);
    std::vector<std::uint8_t> bytes;
    bool tooLarge = false;
    if (!vs::ReadFileBytes(file, bytes, vs::kMaxRegFileBytes, &tooLarge)) {
        ShowMessage(tooLarge ? Paragraphs({head, RegFileErrorText(vs::RegFileError::FileTooLarge), nothing})
                             : FormatResourceString(IDS_FILE_READ_FAILED, {file.wstring()}),
                    MB_OK | MB_ICONERROR);
        return false;
    }
    vs::RegFileParseOptions options;
    options.decodeAnsi = AnsiToWide;
    const vs::ImportPlan plan = vs::PlanImport(store_, bytes.data(), bytes.size(), options);
    switch (plan.problem) {
    case vs::ImportProblem::None:
        break;
    case vs::ImportProblem::BadFile:
        ShowMessage(Paragraphs({head, IssueText(plan.issue), nothing}), MB_OK | MB_ICONERROR);
        return false;
    case vs::ImportProblem::Refused:
        ShowMessage(
            Paragraphs({head,
                        LoadResourceString(IDS_IMPORT_REFUSED) + L"\n" +
                            Lines(plan.refused,
                                  [](const vs::RefusedKey& key) {
                                      return FormatResourceString(
                                          key.remove ? IDS_REFUSED_KEY_DELETION : IDS_REFUSED_KEY,
                                          {std::to_wstring(key.line), vs::FullKeyName(key.root, key.path)});
                                  }),
                        nothing}),
            MB_OK | MB_ICONERROR);
        return false;
    case vs::ImportProblem::ReadFailed:
        ShowMessage(Paragraphs({head,
                                FormatResourceString(IDS_TREE_NOT_READ,
                                                     {vs::FullKeyName(plan.readTree.root, plan.readTree.path),
                                                      StatusText(plan.readStatus)}),
                                nothing}),
                    MB_OK | MB_ICONERROR);
        return false;
    }

    if (!BeginChange(ID_IMPORT, plan.before))
        return false;
    const vs::ChangeReport report = vs::ExecuteImport(store_, plan);
    EndChange();
    if (report.Ok() || !report.unchanged) {
        NotifyChanges(plan.before, plan.target);
        UpdateList();
    }
    if (!report.Ok())
        ShowFailure(Paragraphs({head, FailureText(report, LoadResourceString(IDS_ROLLED_BACK))}),
                    report.failure.status == vs::kAccessDenied);
    return report.Ok();
}

// ---- Undo ----

void CDeleteObject::UpdateUndoItem(HMENU popup) const {
    const vs::UndoStep* step = history_.Last();
    if (!step) {
        EnableMenuItem(popup, ID_UNDO, MF_BYCOMMAND | MF_GRAYED);
        return;
    }
    const std::wstring text = FormatResourceString(IDS_UNDO_ITEM, {CommandName(step->command)});
    ModifyMenuW(popup, ID_UNDO, MF_BYCOMMAND | MF_STRING | MF_ENABLED, ID_UNDO, text.c_str());
}

LRESULT CDeleteObject::OnUndo(const Message&) {
    const vs::UndoStep* step = history_.Last();
    if (!step)
        return 0;
    const std::wstring name = CommandName(step->command);
    std::vector<vs::TreeRef> changed;
    if (history_.ChangedSince(store_, changed) != vs::kOk || !changed.empty()) {
        const std::wstring keys =
            Lines(changed, [](const vs::TreeRef& tree) { return vs::FullKeyName(tree.root, tree.path); });
        if (ShowMessage(FormatResourceString(IDS_UNDO_CHANGED, {name, keys}),
                        MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
            return 0;
    }
    const vs::Snapshot before = step->before, after = step->after; // the step goes once undone
    const vs::ChangeReport report = history_.Undo(store_);
    if (report.Ok() || !report.unchanged) {
        NotifyChanges(after, before);
        UpdateList();
    }
    if (!report.Ok())
        ShowFailure(Paragraphs({FormatResourceString(IDS_UNDO_FAILED, {name}),
                                FailureText(report, FormatResourceString(IDS_UNDO_KEPT, {name}))}),
                    report.failure.status == vs::kAccessDenied);
    return 0;
}

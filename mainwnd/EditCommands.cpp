// The edit commands: rename, change icon, change comment and set the Explorer position
// of the selected objects. Each asks once per selected row, writes through the row's
// class record and tells the shell which folder changed; at the end it says once what
// could not be written. Each command is one step of undo. Rows that share a class record
// are asked for one after another, so a later answer overwrites an earlier one.
#include "mainwnd/DeleteObject.h"

#include "dialogs/EditTextDialog.h"
#include "dialogs/ExplorerPosition.h"
#include "dialogs/IconDialog.h"
#include "framework/Resources.h"
#include "res/resource.h"

#include "store/ClassRoots.h"

#include <string>

namespace {
// The lead text from the string table, then "<name>":
std::wstring QuotedPrompt(UINT lead, const std::wstring& name) {
    return LoadResourceString(lead) + L"\"" + name + L"\":";
}

// Adds the failure of a class-record write, if it failed.
void Collect(vs::Failures& failures, vs::Action action, const vs::ShellObjectInfo& info, vs::Status status) {
    if (status != vs::kOk)
        failures.push_back({action, info.name, vs::ClassesPlace(info.classesHive), status});
}
} // namespace

LRESULT CDeleteObject::OnRename(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    vs::Failures failures;
    ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
        vs::ShellObjectInfo* info = entry.info;
        if (!info)
            return;
        CEditTextDialog dialog(hwnd_);
        dialog.prompt = QuotedPrompt(IDS_RENAME_PROMPT, info->name);
        dialog.text = info->name;
        if (dialog.DoModal() != IDOK || dialog.text.empty())
            return;
        Collect(failures, vs::Action::Rename, *info, info->SetName(dialog.text));
        NotifyPlace(info->placeIndex);
    });
    UpdateList();
    EndChange();
    ReportFailures(failures);
    return 0;
}

LRESULT CDeleteObject::OnChangeComment(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    vs::Failures failures;
    ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
        vs::ShellObjectInfo* info = entry.info;
        if (!info)
            return;
        CEditTextDialog dialog(hwnd_);
        dialog.prompt = QuotedPrompt(IDS_COMMENT_PROMPT, info->name);
        dialog.text = info->description;
        // An emptied text changes nothing: a comment cannot be removed this way.
        if (dialog.DoModal() != IDOK || dialog.text.empty())
            return;
        Collect(failures, vs::Action::ChangeComment, *info, info->SetDescription(dialog.text));
        NotifyPlace(info->placeIndex);
    });
    UpdateList();
    EndChange();
    ReportFailures(failures);
    return 0;
}

LRESULT CDeleteObject::OnChangeIcon(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    vs::Failures failures;
    ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
        vs::ShellObjectInfo* info = entry.info;
        if (!info)
            return;
        CIconDialog dialog(hwnd_);
        // Refused: the chooser starts on its own default.
        (void)dialog.SetStartIcon(vs::SplitIconLocation(info->iconLocation));
        if (dialog.DoModal() != IDOK)
            return;
        Collect(failures, vs::Action::ChangeIcon, *info,
                info->SetIconLocation(CIconDialog::MakeIconLocation(dialog.icon)));
        NotifyPlace(info->placeIndex);
    });
    UpdateList(); // a new icon location gets its icon
    EndChange();
    ReportFailures(failures);
    return 0;
}

LRESULT CDeleteObject::OnSetExplorerPosition(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    // One dialog for every row. It is owned by this window explicitly: whichever window
    // the application calls its main one, the list must stay disabled while the walk runs,
    // since a command started meanwhile could rebuild the entries under it.
    CExplorerPosition dialog(hwnd_);
    vs::Failures failures;
    ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
        vs::ShellObjectInfo* info = entry.info;
        if (!info)
            return;
        dialog.title = LoadResourceString(IDS_POSITION_TITLE) + info->name;
        dialog.position = info->sortOrderIndex;
        if (dialog.DoModal() != IDOK)
            return;
        Collect(failures, vs::Action::SetPosition, *info, info->SetSortOrderIndex(dialog.position));
        NotifyPlace(info->placeIndex);
    });
    // The list keeps its rows and selection: nothing it shows has changed.
    EndChange();
    ReportFailures(failures);
    return 0;
}

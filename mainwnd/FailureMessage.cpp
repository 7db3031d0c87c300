#include "mainwnd/FailureMessage.h"

#include "framework/Resources.h"
#include "framework/SystemText.h"
#include "res/resource.h"
#include "mainwnd/Places.h"

#include <windows.h>

#include <algorithm>

namespace {

struct Wording {
    vs::Action action;
    UINT atPlace;   // %2 is a place
    UINT inClasses; // %2 is the scope of a class key
};
constexpr Wording kWordings[] = {
    {vs::Action::Create, IDS_FAILED_CREATE_AT, IDS_FAILED_CREATE_CLASS},
    {vs::Action::Delete, IDS_FAILED_DELETE_AT, IDS_FAILED_DELETE_CLASS},
    {vs::Action::Hide, IDS_FAILED_HIDE, IDS_FAILED_HIDE},
    {vs::Action::Unhide, IDS_FAILED_UNHIDE, IDS_FAILED_UNHIDE},
    {vs::Action::CopyTo, IDS_FAILED_COPY, IDS_FAILED_COPY},
    {vs::Action::MoveTo, IDS_FAILED_MOVE, IDS_FAILED_MOVE},
    {vs::Action::Rename, IDS_FAILED_RENAME, IDS_FAILED_RENAME},
    {vs::Action::ChangeIcon, IDS_FAILED_ICON, IDS_FAILED_ICON},
    {vs::Action::ChangeComment, IDS_FAILED_COMMENT, IDS_FAILED_COMMENT},
    {vs::Action::SetPosition, IDS_FAILED_POSITION, IDS_FAILED_POSITION},
    {vs::Action::Repair, IDS_FAILED_REPAIR_AT, IDS_FAILED_REPAIR_CLASS},
    {vs::Action::Pin, IDS_FAILED_PIN, IDS_FAILED_PIN},
    {vs::Action::Unpin, IDS_FAILED_UNPIN, IDS_FAILED_UNPIN},
    {vs::Action::HideDesktopIcon, IDS_FAILED_HIDE_ICON, IDS_FAILED_HIDE_ICON},
    {vs::Action::ShowDesktopIcon, IDS_FAILED_SHOW_ICON, IDS_FAILED_SHOW_ICON},
};

bool InClasses(int place) {
    return place == vs::kUserClasses || place == vs::kMachineClasses;
}

std::wstring PlaceText(int place) {
    if (InClasses(place))
        return LoadResourceString(place == vs::kUserClasses ? IDS_CLASSES_THIS_USER : IDS_CLASSES_ALL_USERS);
    return PlaceLabel(place);
}

} // namespace

std::wstring StatusText(vs::Status status) {
    const std::wstring text = SystemMessage(static_cast<unsigned long>(status));
    return text.empty() ? FormatResourceString(IDS_STATUS_UNKNOWN, {std::to_wstring(status)}) : text;
}

std::wstring DescribeFailure(const vs::Failure& failure) {
    const auto wording = std::find_if(std::begin(kWordings), std::end(kWordings),
                                      [&](const Wording& w) { return w.action == failure.action; });
    return FormatResourceString(InClasses(failure.place) ? wording->inClasses : wording->atPlace,
                                {failure.object, PlaceText(failure.place), StatusText(failure.status)});
}

std::wstring DescribeFailures(const vs::Failures& failures) {
    std::wstring text;
    for (std::size_t i = 0; i < failures.size() && i < kShownFailures; ++i)
        text += (i ? L"\n" : L"") + DescribeFailure(failures[i]);
    if (failures.size() > kShownFailures)
        text += L"\n" +
                FormatResourceString(IDS_FAILED_MORE, {std::to_wstring(failures.size() - kShownFailures)});
    return text;
}

bool AnyAccessDenied(const vs::Failures& failures) {
    return std::any_of(failures.begin(), failures.end(),
                       [](const vs::Failure& failure) { return failure.status == vs::kAccessDenied; });
}

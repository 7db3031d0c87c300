#pragma once
// The check for problems: one row per problem (kind, object, place, registry key, detail),
// sorted by the column whose heading was clicked last. "Repair selected" repairs the rows
// of the kinds that can be repaired (through the main window, as one step of undo) and
// checks again; "Show in list" closes the dialog and has the main window select the
// object's rows. The targets are looked for off the window's thread while the dialog
// stands; one that does not answer in time shows as not checked.

#include "framework/Dialog.h"
#include "store/HealthCheck.h"
#include "store/TargetCheck.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CDeleteObject;

// What the check's rows and the list's tooltips call a kind of problem and its place.
std::wstring ProblemKindText(vs::ProblemKind kind);
std::wstring ProblemPlaceText(int place);

class CProblemsDialog : public CDialog {
public:
    CProblemsDialog(CDeleteObject& window, vs::TargetChecker::Probe probe);
    ~CProblemsDialog() override;

    // The problem "Show in list" or "Edit..." closed the dialog for (its pointers are stale
    // by then), and the edit command to run on its rows (0 for none).
    const std::optional<vs::Problem>& ShowRequest() const { return showRequest_; }
    UINT EditCommand() const { return editCommand_; }
    // What the dialog shows (tests read it): the problems, and whether the targets are done.
    const std::vector<vs::Problem>& Problems() const { return problems_; }
    bool TargetsDone() const { return !checker_; }

protected:
    bool OnInitDialog() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnTimer(const Message& msg);
    LRESULT OnColumnClick(const Message& msg);
    LRESULT OnItemChanged(const Message& msg);
    LRESULT OnRepair(const Message& msg);
    LRESULT OnShowInList(const Message& msg);
    // A missing icon: Change Icon; a target: Rename or Change Comment, as the user picks.
    LRESULT OnEdit(const Message& msg);
    LRESULT OnDestroy(const Message& msg);

    // Checks the window's inventory again and starts looking for the targets.
    void Check();
    // Shows problems_ in the sort order, with the status line and the buttons' states.
    void Fill();
    std::wstring Cell(const vs::Problem& problem, int column) const;
    // The problems of the selected rows.
    std::vector<const vs::Problem*> Selected() const;
    void UpdateButtons();

    CDeleteObject& window_;
    vs::TargetChecker::Probe probe_;
    HWND list_ = nullptr;
    std::vector<vs::Problem> problems_;
    std::vector<vs::TargetToCheck> targets_;
    std::unique_ptr<vs::TargetChecker> checker_;
    int sortColumn_ = 0;
    bool descending_ = false;
    std::optional<vs::Problem> showRequest_;
    UINT editCommand_ = 0;
};

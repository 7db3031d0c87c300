#pragma once
// The five-step wizard that creates a new shell object. Each modal run builds one creation
// request, which its five pages fill in, each its own slice; after Finish the registration
// writes that request (the pages' controls are gone by then).

#include "framework/PropertySheet.h"
#include "store/Failure.h"
#include "store/Platform.h"
#include "store/RegistryStore.h"

#include <string>

class CMainWizard : public CPropertySheet {
public:
    // store and platform receive the new object; both must outlive the run.
    CMainWizard(const wchar_t* caption, HWND parent, UINT startPage, vs::RegistryStore& store,
                vs::Platform& platform);

    // ID_WIZFINISH after Finish, when the new object has been handed to the registration;
    // IDCANCEL when the user cancelled or closed the wizard, and then nothing is written.
    INT_PTR DoModal() override;
    // What the registration could not write after Finish; the caller tells the user.
    const vs::Failures& Failures() const { return failures_; }
    // The class identifier of the object written after Finish; empty when none was.
    const std::wstring& CreatedClass() const { return createdClass_; }

protected:
    void OnInitSheet() override;

private:
    vs::RegistryStore& store_;
    vs::Platform& platform_;
    vs::Failures failures_;
    std::wstring createdClass_;
};

#pragma once
// Moves values between a dialog's controls and its members, in one function that serves
// both directions: towards the controls at initialisation, from them (with validation)
// on OK or Next. The first failed validation shows its message, focuses the control and
// makes every later step a no-op, so DoDataExchange needs no early returns.

#include <windows.h>

#include <string>

class DataExchange {
public:
    DataExchange(HWND dialog, bool toControls) : dialog_(dialog), toControls(toControls) {}

    const HWND dialog_;
    const bool toControls;

    bool Failed() const { return failed_; }

    // Binds a control's window handle by its id.
    void Control(int id, HWND& control);
    // Edit text <-> string. maxChars limits what is read (0: no limit).
    void Text(int id, std::wstring& value, int maxChars = 0);
    // Edit text <-> decimal integer ("%d" both ways); "Enter an integer." when it does not scan.
    void Int(int id, int& value);
    // From the controls only: "Enter an integer between min and max." outside the range.
    void IntRange(int id, int value, int min, int max);
    // Check box or radio button <-> bool (set only when BST_CHECKED).
    void Check(int id, bool& value);
    // List box selection <-> index (-1 for none).
    void ListIndex(int id, int& value);
    // Combo box selection <-> index (-1 for none).
    void ComboIndex(int id, int& value);
    // Towards the controls only: a text the user reads but does not edit (a prompt), and
    // the dialog's own caption.
    void Label(int id, const std::wstring& text);
    void Caption(const std::wstring& text);

    // Shows message, focuses and selects the control, and marks the exchange failed.
    void Fail(int id, const std::wstring& message);

private:
    bool failed_ = false;
};

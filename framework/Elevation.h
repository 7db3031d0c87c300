#pragma once
// Whether the program runs with an administrator's full rights, and starting it again
// with them. The window asks through this interface, so that tests can play a standard
// user: under Wine every process counts as elevated.

#include <windows.h>

class Elevation {
public:
    virtual ~Elevation() = default;
    // Whether the process token is elevated.
    virtual bool IsElevated() = 0;
    // Starts the program's own file again, elevated, with owner as the parent of the
    // consent prompt. False when it was not started, also when the user declined.
    virtual bool StartElevated(HWND owner) = 0;
};

// The real one: TokenElevation of the process token, ShellExecuteExW with "runas".
class WinElevation final : public Elevation {
public:
    bool IsElevated() override;
    bool StartElevated(HWND owner) override;
};

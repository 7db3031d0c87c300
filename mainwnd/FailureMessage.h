#pragma once
// The words for what a command could not do, from the string table: one line per failure,
// such as
//     Could not hide "Project Files" in Desktop (all users): Access is denied.
// with the system's own text for the status.

#include "store/Failure.h"

#include <string>

// The system's text for a status (FormatMessageW), without its line break.
std::wstring StatusText(vs::Status status);
// One line for one failure.
std::wstring DescribeFailure(const vs::Failure& failure);
// The lines of every failure, one per line; beyond kShownFailures, a count of the rest.
inline constexpr std::size_t kShownFailures = 12;
std::wstring DescribeFailures(const vs::Failures& failures);
// Whether restarting elevated could help: some failure was "access denied".
bool AnyAccessDenied(const vs::Failures& failures);

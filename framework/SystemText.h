#pragma once
// Texts the system gives: its message for an error code, and ANSI text in the system's
// code page read as UTF-16. The window and the command line both say them.

#include <string>
#include <string_view>

// FormatMessageW's text for a system error code, without its line break; empty when the
// system has none.
std::wstring SystemMessage(unsigned long code);

// bytes in the system's ANSI code page as UTF-16 (MultiByteToWideChar with CP_ACP); false
// when they are not valid in it.
bool AnsiToWide(std::string_view bytes, std::wstring& text);

#pragma once
// The rows of `list` and the three ways of writing them: an aligned table for people,
// csv (RFC 4180: a header line, CRLF, fields quoted where needed) and a json array of
// objects, both for programs. Texts are UTF-16 here; ToUtf8 makes the bytes of a file or
// pipe.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vs::cli {

// Every line the program writes ends so, as Windows text files and RFC 4180 want it.
inline constexpr wchar_t kNewline[] = L"\r\n";

struct ListRow {
    std::wstring name;
    std::wstring location; // the window's place label, "Desktop (this user)"
    std::wstring target;
    std::wstring description;
    bool hidden = false;
    std::wstring place;          // "desktop-user"
    std::wstring clsid;          // "{...}"
    bool navigationPane = false; // the class is pinned to Explorer's navigation pane
    bool desktopIcon = true;     // the entry's scope does not hide the desktop icon
};

inline constexpr std::size_t kColumnCount = 9;
// The csv header and the json keys. Scripts read them, so they are fixed, not translated.
inline constexpr std::array<const wchar_t*, kColumnCount> kFieldNames = {
    L"Name",  L"Location", L"Target",         L"Description", L"Hidden",
    L"Place", L"Class",    L"NavigationPane", L"DesktopIcon"};

// What the table shows for people: its column headings and the words for yes and no.
struct TableWords {
    std::array<std::wstring, kColumnCount> headings;
    std::wstring yes;
    std::wstring no;
};

// Any rows of texts in the three ways: the table under headings, csv and json under field
// names; in json the cells of a boolean column stand bare ("true", "false").
using Cells = std::vector<std::wstring>;
std::wstring FormatTable(const Cells& headings, const std::vector<Cells>& rows);
std::wstring FormatCsv(const Cells& names, const std::vector<Cells>& rows);
std::wstring FormatJson(const Cells& names, const std::vector<bool>& boolean, const std::vector<Cells>& rows);

std::wstring FormatTable(const std::vector<ListRow>& rows, const TableWords& words);
std::wstring FormatCsv(const std::vector<ListRow>& rows);
std::wstring FormatJson(const std::vector<ListRow>& rows);

// UTF-8 of UTF-16 text (or of UTF-32 where wchar_t is that wide). A surrogate without its
// partner, which registry strings may hold, becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);

} // namespace vs::cli

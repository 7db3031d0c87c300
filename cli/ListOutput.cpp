#include "cli/ListOutput.h"

#include <algorithm>
#include <cstdint>

namespace vs::cli {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Calls take(code point, units) for each character of text: a surrogate pair is one
// character of two units, a lone surrogate is U+FFFD.
template <class Take> void ForEachCodePoint(std::wstring_view text, Take take) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<std::uint32_t>(text[i]);
        std::size_t units = 1;
        if (IsHighSurrogate(c) && i + 1 < text.size() &&
            IsLowSurrogate(static_cast<std::uint32_t>(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            units = 2;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) {
            c = kReplacement;
        }
        take(c, text.substr(i, units));
        i += units - 1;
    }
}

bool IsControl(char32_t c) {
    return c < 0x20 || c == 0x7F;
}

// A cell as the table shows it: control characters (a line break in a name would break
// the row) as '?', as terminal listings show them; its width in characters.
struct Cell {
    std::wstring text;
    std::size_t width = 0;
};
Cell TableCell(std::wstring_view text) {
    Cell cell;
    ForEachCodePoint(text, [&cell](char32_t c, std::wstring_view units) {
        if (IsControl(c))
            cell.text += L'?';
        else if (c == kReplacement)
            cell.text += static_cast<wchar_t>(kReplacement);
        else
            cell.text += units;
        ++cell.width;
    });
    return cell;
}

// The columns that hold yes or no.
constexpr std::size_t kFlagColumns[] = {4, 7, 8};

Cells Fields(const ListRow& row, const std::wstring& yes, const std::wstring& no) {
    auto word = [&](bool flag) { return flag ? yes : no; };
    return {row.name,
            row.location,
            row.target,
            row.description,
            word(row.hidden),
            row.place,
            row.clsid,
            word(row.navigationPane),
            word(row.desktopIcon)};
}

Cells FieldNames() {
    return Cells(kFieldNames.begin(), kFieldNames.end());
}

// RFC 4180: a field holding a comma, a quote or a line break goes in quotes, its quotes
// doubled.
std::wstring CsvField(const std::wstring& text) {
    if (text.find_first_of(L",\"\r\n") == std::wstring::npos)
        return text;
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'"')
            quoted += L'"';
        quoted += c;
    }
    quoted += L'"';
    return quoted;
}

std::wstring JsonString(const std::wstring& text) {
    static constexpr wchar_t kHex[] = L"0123456789abcdef";
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        switch (c) {
        case L'"':
            out += L"\\\"";
            break;
        case L'\\':
            out += L"\\\\";
            break;
        case L'\n':
            out += L"\\n";
            break;
        case L'\r':
            out += L"\\r";
            break;
        case L'\t':
            out += L"\\t";
            break;
        default:
            if (static_cast<std::uint32_t>(c) < 0x20) {
                out += L"\\u00";
                out += kHex[(c >> 4) & 0xF];
                out += kHex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += L'"';
    return out;
}

} // namespace

std::wstring FormatTable(const Cells& headings, const std::vector<Cells>& rows) {
    const std::size_t columns = headings.size();
    std::vector<std::vector<Cell>> cells;
    cells.emplace_back();
    for (const std::wstring& text : headings)
        cells.back().push_back(TableCell(text));
    for (const Cells& row : rows) {
        cells.emplace_back();
        for (std::size_t column = 0; column < columns; ++column)
            cells.back().push_back(TableCell(column < row.size() ? row[column] : std::wstring()));
    }
    std::vector<std::size_t> widths(columns);
    for (const auto& line : cells)
        for (std::size_t column = 0; column < columns; ++column)
            widths[column] = std::max(widths[column], line[column].width);

    std::wstring out;
    for (const auto& line : cells) {
        std::wstring text;
        for (std::size_t column = 0; column < columns; ++column) {
            text += line[column].text;
            if (column + 1 < columns)
                text.append(widths[column] - line[column].width + 2, L' ');
        }
        // Empty last columns leave no blanks at the end of the line.
        text.erase(text.find_last_not_of(L' ') + 1);
        out += text;
        out += kNewline;
    }
    return out;
}

std::wstring FormatCsv(const Cells& names, const std::vector<Cells>& rows) {
    std::wstring out;
    for (std::size_t column = 0; column < names.size(); ++column)
        out += (column ? L"," : L"") + CsvField(names[column]);
    out += kNewline;
    for (const Cells& row : rows) {
        for (std::size_t column = 0; column < names.size(); ++column)
            out += (column ? L"," : L"") + CsvField(column < row.size() ? row[column] : std::wstring());
        out += kNewline;
    }
    return out;
}

std::wstring FormatJson(const Cells& names, const std::vector<bool>& boolean,
                        const std::vector<Cells>& rows) {
    std::wstring out = L"[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out += i ? L"," : L"";
        out += kNewline;
        out += L"  {";
        for (std::size_t column = 0; column < names.size(); ++column) {
            const std::wstring cell = column < rows[i].size() ? rows[i][column] : std::wstring();
            out += column ? L", " : L"";
            out += JsonString(names[column]);
            out += L": ";
            const bool bare = column < boolean.size() && boolean[column];
            out += bare ? (cell == L"true" ? L"true" : L"false") : JsonString(cell);
        }
        out += L"}";
    }
    if (!rows.empty())
        out += kNewline;
    out += L"]";
    out += kNewline;
    return out;
}

std::wstring FormatTable(const std::vector<ListRow>& rows, const TableWords& words) {
    std::vector<Cells> cells;
    for (const ListRow& row : rows)
        cells.push_back(Fields(row, words.yes, words.no));
    return FormatTable(Cells(words.headings.begin(), words.headings.end()), cells);
}

std::wstring FormatCsv(const std::vector<ListRow>& rows) {
    std::vector<Cells> cells;
    for (const ListRow& row : rows)
        cells.push_back(Fields(row, L"true", L"false"));
    return FormatCsv(FieldNames(), cells);
}

std::wstring FormatJson(const std::vector<ListRow>& rows) {
    std::vector<Cells> cells;
    for (const ListRow& row : rows)
        cells.push_back(Fields(row, L"true", L"false"));
    std::vector<bool> boolean(kColumnCount);
    for (std::size_t column : kFlagColumns)
        boolean[column] = true;
    return FormatJson(FieldNames(), boolean, cells);
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&out](char32_t c, std::wstring_view) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    });
    return out;
}

} // namespace vs::cli

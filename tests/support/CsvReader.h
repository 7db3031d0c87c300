#pragma once
// A strict reader of RFC 4180 csv, for tests that read a program's csv back: fields
// separated by commas, records ended by CRLF (the last one too), a field that holds a
// comma, a quote, a CR or an LF quoted, its quotes doubled. Anything else (a quote inside
// an unquoted field, text after a closing quote, a quoted field without its end, a bare
// CR or LF between records, records of differing length) is refused, not guessed at.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vs::test {

using CsvRecord = std::vector<std::string>;

// The records of text (UTF-8 bytes), or nothing when text is no well-formed csv.
std::optional<std::vector<CsvRecord>> ReadCsv(std::string_view text);

} // namespace vs::test

#include "tests/support/CsvReader.h"

namespace vs::test {

std::optional<std::vector<CsvRecord>> ReadCsv(std::string_view text) {
    std::vector<CsvRecord> records;
    CsvRecord record;
    std::size_t at = 0;
    while (at < text.size()) {
        std::string field;
        if (text[at] == '"') {
            for (++at;; ++at) {
                if (at >= text.size())
                    return std::nullopt; // the quoted field never ends
                if (text[at] != '"') {
                    field += text[at];
                } else if (at + 1 < text.size() && text[at + 1] == '"') {
                    field += '"';
                    ++at;
                } else {
                    ++at;
                    break;
                }
            }
        } else {
            while (at < text.size() && text[at] != ',' && text[at] != '\r' && text[at] != '\n') {
                if (text[at] == '"')
                    return std::nullopt;
                field += text[at++];
            }
        }
        record.push_back(std::move(field));
        if (at < text.size() && text[at] == ',') {
            ++at;
            continue;
        }
        if (text.substr(at, 2) != "\r\n")
            return std::nullopt; // text after a closing quote, a bare CR or LF, or no CRLF at the end
        at += 2;
        if (!records.empty() && records.front().size() != record.size())
            return std::nullopt;
        records.push_back(std::move(record));
        record.clear();
    }
    if (!record.empty())
        return std::nullopt; // a comma at the very end
    return records;
}

} // namespace vs::test

#include "RegFileParser.h"

#include <string>

namespace vs {

namespace {

using Text = std::u16string_view;

// Windows-1252 for the bytes 0x80 to 0x9F; every other byte is its own code point. The
// five bytes the code page leaves undefined become the C1 controls, as Windows maps them.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t kHeader5[] = u"Windows Registry Editor Version 5.00";
constexpr char16_t kHeader5Prefix[] = u"Windows Registry Editor Version";
constexpr char16_t kHeader4[] = u"REGEDIT4";
constexpr char16_t kHeaderAnyPrefix[] = u"REGEDIT";

bool DecodeAnsi(const RegFileParseOptions& options, std::string_view bytes, std::u16string& out) {
    out.clear();
    if (!options.decodeAnsi) {
        out.reserve(bytes.size());
        for (char c : bytes) {
            const auto byte = static_cast<std::uint8_t>(c);
            out.push_back(byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t{byte});
        }
        return true;
    }
    std::wstring text;
    if (!options.decodeAnsi(bytes, text))
        return false;
    out.reserve(text.size());
    for (wchar_t c : text)
        out.push_back(static_cast<char16_t>(c));
    return true;
}

std::wstring Wide(Text text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (char16_t c : text)
        wide.push_back(static_cast<wchar_t>(c));
    return wide;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t';
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

std::size_t SkipSpace(Text text, std::size_t at) {
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    return at;
}

Text Trim(Text text) {
    std::size_t begin = SkipSpace(text, 0);
    std::size_t end = text.size();
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool StartsWith(Text text, Text prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Nothing but spaces and perhaps a comment from at on.
bool OnlyCommentFrom(Text text, std::size_t at) {
    at = SkipSpace(text, at);
    return at == text.size() || text[at] == u';';
}

// The line number of position `at`: line breaks are CR, LF and CRLF, as the parser
// reads them. Used for encoding problems, found before the text is split into lines.
template <typename Unit> std::size_t LineAt(const Unit* text, std::size_t at) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < at; ++i) {
        if (text[i] == Unit('\n') || (text[i] == Unit('\r') && !(i + 1 < at && text[i + 1] == Unit('\n'))))
            ++line;
    }
    return line;
}

void AppendUtf16(std::vector<std::uint8_t>& bytes, Text text) {
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

class Parser {
public:
    Parser(Text text, int version, const RegFileParseOptions& options, RegFileParse& result)
        : text_(text), version_(version), options_(options), result_(result) {}

    void Run() {
        Text line;
        while (NextLine(line)) {
            if (continuing_) {
                if (!HexList(line, 0))
                    return;
                continue;
            }
            const std::size_t start = SkipSpace(line, 0);
            if (start == line.size() || line[start] == u';')
                continue;
            const Text rest = line.substr(start);
            bool ok = false;
            if (rest[0] == u'[')
                ok = KeyLine(rest);
            else if (rest[0] == u'@' || rest[0] == u'"')
                ok = ValueLine(rest);
            else
                ok = Fail(RegFileError::UnexpectedLine);
            if (!ok)
                return;
        }
        if (result_.issue.error != RegFileError::None)
            return;
        if (continuing_)
            Fail(RegFileError::Truncated);
    }

private:
    // Reads the next physical line into line (without its break); false at the end or
    // when the line is too long (the failure is then recorded).
    bool NextLine(Text& line) {
        if (pos_ >= text_.size())
            return false;
        ++lineNo_;
        std::size_t end = pos_;
        while (end < text_.size() && text_[end] != u'\r' && text_[end] != u'\n')
            ++end;
        if (end - pos_ > kMaxRegLineChars)
            return Fail(RegFileError::LineTooLong);
        line = text_.substr(pos_, end - pos_);
        unterminated_ = end == text_.size();
        pos_ = end;
        if (pos_ < text_.size() && text_[pos_] == u'\r')
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == u'\n')
            ++pos_;
        return true;
    }

    bool Fail(RegFileError error) { return FailAt(error, lineNo_); }

    bool FailAt(RegFileError error, std::size_t line) {
        result_.issue.error = error;
        result_.issue.line = line;
        result_.issue.key = keyText_;
        return false;
    }

    // A line the file ends in without a line break was cut off: that is its problem.
    bool FailOrTruncated(RegFileError error) { return Fail(unterminated_ ? RegFileError::Truncated : error); }

    bool KeyLine(Text line) {
        const Text trimmed = Trim(line);
        const bool closed = trimmed.size() >= 2 && trimmed.back() == u']';
        Text content = closed ? trimmed.substr(1, trimmed.size() - 2) : trimmed.substr(1);
        keyText_ = Wide(content);
        haveKey_ = false;
        if (!closed)
            return FailOrTruncated(RegFileError::UnbalancedBrackets);
        const bool remove = !content.empty() && content[0] == u'-';
        if (remove) {
            content.remove_prefix(1);
            keyText_.erase(0, 1);
        }
        const std::size_t rootEnd = content.find(u'\\');
        const KeyHandle root = RegistryRootFromName(Wide(content.substr(0, rootEnd)));
        if (!root)
            return Fail(RegFileError::UnknownRoot);
        Text path = rootEnd == Text::npos ? Text() : content.substr(rootEnd + 1);
        if (rootEnd != Text::npos) {
            std::size_t depth = 0;
            std::size_t nameStart = 0;
            for (std::size_t i = 0; i <= path.size(); ++i) {
                if (i < path.size() && path[i] != u'\\')
                    continue;
                const std::size_t length = i - nameStart;
                if (length == 0)
                    return Fail(RegFileError::BadKeyPath);
                if (path.substr(nameStart, length).find(u'\0') != Text::npos)
                    return Fail(RegFileError::NulInName);
                if (length > kMaxKeyNameChars)
                    return Fail(RegFileError::KeyNameTooLong);
                if (++depth > kMaxKeyDepth)
                    return Fail(RegFileError::KeyPathTooDeep);
                nameStart = i + 1;
            }
        }
        RegFileKey key;
        key.root = root;
        key.path = Wide(path);
        key.remove = remove;
        key.line = lineNo_;
        result_.file.keys.push_back(std::move(key));
        haveKey_ = !remove;
        return true;
    }

    // Reads quoted text from text[at] (just after the opening quote) into out; at ends
    // just after the closing quote.
    bool QuotedText(Text text, std::size_t& at, std::u16string& out) {
        out.clear();
        while (at < text.size()) {
            const char16_t c = text[at++];
            if (c == u'"')
                return true;
            if (c != u'\\') {
                out.push_back(c);
                continue;
            }
            if (at == text.size())
                break;
            switch (text[at++]) {
            case u'\\':
                out.push_back(u'\\');
                break;
            case u'"':
                out.push_back(u'"');
                break;
            case u'n':
                out.push_back(u'\n');
                break;
            case u'r':
                out.push_back(u'\r');
                break;
            default:
                return Fail(RegFileError::BadEscape);
            }
        }
        return FailOrTruncated(RegFileError::UnterminatedString);
    }

    bool ValueLine(Text line) {
        if (!haveKey_)
            return Fail(RegFileError::ValueOutsideKey);
        std::size_t at = 1;
        if (line[0] == u'"') {
            if (!QuotedText(line, at, scratch_))
                return false;
            if (scratch_.size() > kMaxValueNameChars)
                return Fail(RegFileError::ValueNameTooLong);
            if (scratch_.find(u'\0') != std::u16string::npos)
                return Fail(RegFileError::NulInName);
            value_.name = Wide(scratch_);
        } else {
            value_.name.clear();
        }
        at = SkipSpace(line, at);
        if (at == line.size() || line[at] != u'=')
            return Fail(RegFileError::MissingEquals);
        at = SkipSpace(line, at + 1);
        value_.remove = false;
        value_.type = kRegNone;
        value_.data.clear();
        value_.line = lineNo_;
        const Text data = line.substr(at);
        if (StartsWith(data, u"\"")) {
            at = 1;
            if (!QuotedText(data, at, scratch_))
                return false;
            if (!OnlyCommentFrom(data, at))
                return Fail(RegFileError::TextAfterValue);
            value_.type = kRegSz;
            AppendUtf16(value_.data, scratch_);
            AppendUtf16(value_.data, Text(u"\0", 1));
            return AddValue();
        }
        if (StartsWith(data, u"dword:"))
            return Dword(data.substr(6));
        if (StartsWith(data, u"hex:")) {
            value_.type = kRegBinary;
            return StartHexList(data, 4);
        }
        if (StartsWith(data, u"hex(")) {
            std::size_t end = 4;
            std::uint32_t type = 0;
            while (end < data.size() && HexDigit(data[end]) >= 0 && end < 13)
                type = type * 16 + static_cast<std::uint32_t>(HexDigit(data[end++]));
            if (end == 4 || end == 13 || end + 1 >= data.size() || data[end] != u')' || data[end + 1] != u':')
                return Fail(RegFileError::BadValueType);
            value_.type = type;
            return StartHexList(data, end + 2);
        }
        if (StartsWith(data, u"-")) {
            if (!OnlyCommentFrom(data, 1))
                return Fail(RegFileError::TextAfterValue);
            value_.remove = true;
            return AddValue();
        }
        return Fail(RegFileError::UnknownValueType);
    }

    bool Dword(Text digits) {
        std::size_t count = 0;
        std::uint64_t number = 0;
        while (count < digits.size() && HexDigit(digits[count]) >= 0) {
            if (count < 16)
                number = number * 16 + static_cast<std::uint64_t>(HexDigit(digits[count]));
            ++count;
        }
        if (count == 0 || !OnlyCommentFrom(digits, count))
            return Fail(RegFileError::BadDword);
        if (count > 8)
            return Fail(RegFileError::DwordOutOfRange);
        value_.type = kRegDword;
        for (int i = 0; i < 4; ++i)
            value_.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
        return AddValue();
    }

    bool StartHexList(Text data, std::size_t at) {
        afterComma_ = false;
        haveByte_ = false;
        return HexList(data, at);
    }

    // Reads comma-separated hex bytes from text[at]; a backslash at the end of the line
    // continues the list on the next one.
    bool HexList(Text text, std::size_t at) {
        continuing_ = false;
        for (;;) {
            at = SkipSpace(text, at);
            if (at == text.size() || text[at] == u';') {
                if (afterComma_)
                    return FailOrTruncated(RegFileError::BadHex);
                return EndHexList();
            }
            const char16_t c = text[at];
            if (c == u'\\' && SkipSpace(text, at + 1) == text.size()) {
                // The next line goes on with a byte, whether or not a comma came first.
                continuing_ = true;
                afterComma_ = afterComma_ || haveByte_;
                return true;
            }
            if (c == u',') {
                if (afterComma_ || !haveByte_)
                    return Fail(RegFileError::BadHex);
                afterComma_ = true;
                ++at;
                continue;
            }
            if (haveByte_ && !afterComma_)
                return Fail(RegFileError::BadHex);
            std::size_t end = at;
            bool allHex = true;
            while (end < text.size() && !IsSpace(text[end]) && text[end] != u',' && text[end] != u';' &&
                   text[end] != u'\\') {
                allHex = allHex && HexDigit(text[end]) >= 0;
                ++end;
            }
            if (end == at || !allHex)
                return Fail(RegFileError::BadHex);
            if (end - at == 1)
                return Fail(RegFileError::OddHexDigits);
            if (end - at > 2)
                return Fail(RegFileError::HexByteOutOfRange);
            value_.data.push_back(
                static_cast<std::uint8_t>(HexDigit(text[at]) * 16 + HexDigit(text[at + 1])));
            haveByte_ = true;
            afterComma_ = false;
            at = end;
        }
    }

    bool EndHexList() {
        if (version_ == 4 && (value_.type == kRegExpandSz || value_.type == kRegMultiSz)) {
            const std::string_view bytes(reinterpret_cast<const char*>(value_.data.data()),
                                         value_.data.size());
            if (!DecodeAnsi(options_, bytes, scratch_))
                return FailAt(RegFileError::BadAnsiText, value_.line);
            value_.data.clear();
            AppendUtf16(value_.data, scratch_);
        }
        return AddValue();
    }

    bool AddValue() {
        result_.file.keys.back().values.push_back(std::move(value_));
        value_ = RegFileValue{};
        return true;
    }

    Text text_;
    int version_;
    const RegFileParseOptions& options_;
    RegFileParse& result_;
    std::size_t pos_ = 0;
    std::size_t lineNo_ = 1; // the header line has been read
    std::wstring keyText_;
    bool haveKey_ = false;
    RegFileValue value_;
    std::u16string scratch_;
    bool unterminated_ = false;
    bool continuing_ = false;
    bool afterComma_ = false;
    bool haveByte_ = false;
};

} // namespace

RegFileParse ParseRegFile(const std::uint8_t* data, std::size_t size, const RegFileParseOptions& options) {
    RegFileParse result;
    auto fail = [&](RegFileError error, std::size_t line) {
        result.issue.error = error;
        result.issue.line = line;
        return result;
    };
    if (size > kMaxRegFileBytes)
        return fail(RegFileError::FileTooLarge, 0);
    if (size == 0 || (size == 2 && data[0] == 0xFF && data[1] == 0xFE))
        return fail(RegFileError::Empty, 0);
    std::u16string text;
    if (data[0] == 0xFF && size >= 2 && data[1] == 0xFE) {
        text.resize((size - 2) / 2);
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(data[2 + 2 * i] | (data[3 + 2 * i] << 8));
        if (size % 2 != 0)
            return fail(RegFileError::Truncated, LineAt(text.data(), text.size()));
    } else if ((size >= 2 && data[0] == 0xFE && data[1] == 0xFF) ||
               (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)) {
        return fail(RegFileError::WrongEncoding, 1);
    } else {
        for (std::size_t i = 0; i < size; ++i)
            if (data[i] == 0)
                return fail(RegFileError::WrongEncoding, LineAt(data, i));
        if (!DecodeAnsi(options, std::string_view(reinterpret_cast<const char*>(data), size), text))
            return fail(RegFileError::BadAnsiText, 0);
    }

    const Text all(text);
    std::size_t headerEnd = 0;
    while (headerEnd < all.size() && all[headerEnd] != u'\r' && all[headerEnd] != u'\n')
        ++headerEnd;
    const Text header = Trim(all.substr(0, headerEnd));
    if (header == kHeader5)
        result.version = 5;
    else if (header == kHeader4)
        result.version = 4;
    else if (StartsWith(header, kHeaderAnyPrefix) || StartsWith(header, kHeader5Prefix))
        return fail(RegFileError::UnknownHeader, 1);
    else
        return fail(RegFileError::MissingHeader, 1);
    if (headerEnd < all.size() && all[headerEnd] == u'\r')
        ++headerEnd;
    if (headerEnd < all.size() && all[headerEnd] == u'\n')
        ++headerEnd;

    Parser parser(all.substr(headerEnd), result.version, options, result);
    parser.Run();
    if (!result.Ok())
        result.file.keys.clear();
    return result;
}

} // namespace vs

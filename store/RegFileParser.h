#pragma once
// Reads a registry file: version 5 ("Windows Registry Editor Version 5.00", UTF-16LE
// with its byte-order mark) and REGEDIT4 (ANSI). The whole file is checked before any of
// it is used, so a bad file yields no key at all, only the first problem: what it is
// (RegFileError), the line it is on and the key block it belongs to. The window turns the
// error into its own text; nothing here is meant for the user to read.
//
// What is accepted, beyond what regedit writes:
//   - blank lines, comment lines starting with ';', spaces and tabs before a line's
//     first item and around '=', a ';' comment after a value's data;
//   - CR, LF and CRLF line ends, and no line end after the last line;
//   - "\n" and "\r" escapes in quoted text besides "\\" and "\"" (Wine writes them);
//   - root names in short form (HKCU, ...) and in any letter case;
//   - hex lists continued with a backslash at the end of a line, spaces around bytes.
// In a REGEDIT4 file, text and the bytes of hex(2) and hex(7) are ANSI and become
// UTF-16LE; in a version 5 file hex bytes are taken as they are.
//
// Reading is linear in the size of the file: every character is looked at a bounded
// number of times, and nothing is searched or copied per line beyond the line itself.

#include "RegFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vs {

inline constexpr std::size_t kMaxRegFileBytes = std::size_t{256} << 20;
// A physical line: room for the longest key path (511 names of 255 characters) and for
// long text values; this program's own files never come near it.
inline constexpr std::size_t kMaxRegLineChars = std::size_t{1} << 20;

enum class RegFileError {
    None,
    FileTooLarge,       // more than kMaxRegFileBytes
    Empty,              // no bytes, or a byte-order mark and nothing else
    Truncated,          // UTF-16 with an odd byte count, or the file ends inside a value
    WrongEncoding,      // UTF-16 big-endian or UTF-8 mark, UTF-16 without its mark, NUL in ANSI
    MissingHeader,      // the first line is no registry file header
    UnknownHeader,      // "REGEDIT..." or "Windows Registry Editor Version ..." of another kind
    LineTooLong,        // a line of more than kMaxRegLineChars characters
    UnexpectedLine,     // a line that is no key, value, comment or blank line
    UnbalancedBrackets, // a key line without its closing bracket, or text after it
    UnknownRoot,        // a key path that does not start with a predefined key
    BadKeyPath,         // an empty key name in the path (doubled or trailing backslash)
    NulInName,          // a key or value name with a NUL character: the registry would cut it short
    KeyNameTooLong,     // a key name of more than 255 characters
    KeyPathTooDeep,     // more than kMaxKeyDepth key names below the root
    ValueOutsideKey,    // a value before any key, or after a key deletion
    MissingEquals,      // a value name not followed by '='
    ValueNameTooLong,   // a value name of more than 16383 characters
    UnterminatedString, // quoted text without its closing quote on the line
    BadEscape,          // a backslash in quoted text followed by anything but \ " n r
    UnknownValueType,   // data that is none of "text", dword:, hex:, hex(N):, -
    BadValueType,       // hex( not followed by 1 to 8 hex digits, ')' and ':'
    BadHex,             // something that is not a hex byte where one is due, or a missing byte
    OddHexDigits,       // a hex byte written with one digit
    HexByteOutOfRange,  // a hex byte written with more than two digits: above 255
    BadDword,           // dword: without hex digits, or followed by other text
    DwordOutOfRange,    // dword: with more than eight hex digits
    TextAfterValue,     // anything but a comment after text, a dword or '-'
    BadAnsiText,        // the ANSI text could not be converted
};

struct RegFileIssue {
    RegFileError error = RegFileError::None;
    std::size_t line = 0; // 1-based; 0 when the problem is the file as a whole
    std::wstring key;     // the key block's name as the file writes it, root included
};

struct RegFileParse {
    RegFile file; // empty unless the whole file was read
    RegFileIssue issue;
    int version = 0; // 4 or 5 once the header was read

    bool Ok() const { return issue.error == RegFileError::None; }
};

struct RegFileParseOptions {
    // Converts ANSI bytes (a REGEDIT4 file, hex(2) and hex(7) data in it) to UTF-16, one
    // unit per wchar_t; returns false when the bytes are not valid in the code page.
    // Unset: Windows-1252, which converts every byte. The window passes the system's
    // ANSI code page (MultiByteToWideChar with CP_ACP and MB_ERR_INVALID_CHARS).
    std::function<bool(std::string_view bytes, std::wstring& text)> decodeAnsi;
};

RegFileParse ParseRegFile(const std::uint8_t* data, std::size_t size,
                          const RegFileParseOptions& options = {});

} // namespace vs

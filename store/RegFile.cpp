#include "RegFile.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace vs {

namespace {

struct RootNames {
    std::uint32_t value;
    const wchar_t* name;
    const wchar_t* shortName;
};

constexpr std::array<RootNames, 5> kRoots = {{
    {0x80000000u, L"HKEY_CLASSES_ROOT", L"HKCR"},
    {0x80000001u, L"HKEY_CURRENT_USER", L"HKCU"},
    {0x80000002u, L"HKEY_LOCAL_MACHINE", L"HKLM"},
    {0x80000003u, L"HKEY_USERS", L"HKU"},
    {0x80000005u, L"HKEY_CURRENT_CONFIG", L"HKCC"},
}};

// A text value longer than this goes out as hex(1), whose lines stay short: a reader
// that limits its line length must still read every file this program writes.
constexpr std::size_t kMaxTextChars = 65536;
// Where regedit breaks a hex line: once it holds this many characters.
constexpr std::size_t kHexLineBreak = 77;

// UTF-16LE output, one code unit at a time.
class Output {
public:
    explicit Output(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    void Unit(std::uint16_t unit) {
        bytes_.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    void Ascii(const char* text) {
        for (; *text; ++text)
            Unit(static_cast<std::uint8_t>(*text));
    }
    void Text(std::wstring_view text) {
        for (wchar_t c : text)
            Unit(static_cast<std::uint16_t>(c));
    }
    void Hex2(std::uint8_t byte) {
        static constexpr char kDigits[] = "0123456789abcdef";
        Unit(static_cast<std::uint8_t>(kDigits[byte >> 4]));
        Unit(static_cast<std::uint8_t>(kDigits[byte & 15]));
    }
    void NewLine() { Ascii("\r\n"); }

private:
    std::vector<std::uint8_t>& bytes_;
};

std::uint16_t UnitAt(const std::vector<std::uint8_t>& data, std::size_t index) {
    return static_cast<std::uint16_t>(data[index * 2] | (data[index * 2 + 1] << 8));
}

// A REG_SZ that reads back from `"text"` exactly: even size, one NUL at the end and
// no other, no line break (a line break would end the line in the file).
bool IsPlainText(const std::vector<std::uint8_t>& data) {
    if (data.size() < 2 || data.size() % 2 != 0 || data.size() / 2 - 1 > kMaxTextChars)
        return false;
    const std::size_t units = data.size() / 2;
    for (std::size_t i = 0; i + 1 < units; ++i) {
        const std::uint16_t unit = UnitAt(data, i);
        if (unit == 0 || unit == '\r' || unit == '\n')
            return false;
    }
    return UnitAt(data, units - 1) == 0;
}

// Writes text between quotes with its escapes; returns the characters written.
std::size_t QuotedText(Output& out, std::wstring_view text) {
    std::size_t length = 2;
    out.Unit('"');
    for (wchar_t c : text) {
        switch (c) {
        case L'\\':
        case L'"':
            out.Unit('\\');
            out.Unit(static_cast<std::uint16_t>(c));
            length += 2;
            break;
        case L'\r':
            out.Ascii("\\r");
            length += 2;
            break;
        case L'\n':
            out.Ascii("\\n");
            length += 2;
            break;
        default:
            out.Unit(static_cast<std::uint16_t>(c));
            ++length;
        }
    }
    out.Unit('"');
    return length;
}

void HexData(Output& out, const RegFileValue& value, std::size_t lineLength) {
    char prefix[24] = "hex:";
    if (value.type != kRegBinary)
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    out.Ascii(prefix);
    lineLength += std::strlen(prefix);
    const std::size_t size = value.data.size();
    for (std::size_t i = 0; i < size; ++i) {
        out.Hex2(value.data[i]);
        if (i + 1 == size)
            break;
        out.Unit(',');
        lineLength += 3;
        if (lineLength >= kHexLineBreak) {
            out.Ascii("\\\r\n  ");
            lineLength = 2;
        }
    }
}

void Value(Output& out, const RegFileValue& value) {
    std::size_t lineLength = 0;
    if (value.name.empty()) {
        out.Ascii("@=");
        lineLength = 2;
    } else {
        lineLength = QuotedText(out, value.name) + 1;
        out.Unit('=');
    }
    if (value.remove) {
        out.Unit('-');
    } else if (value.type == kRegSz && IsPlainText(value.data)) {
        (void)QuotedText(out, FromUtf16Bytes(value.data.data(), value.data.size()));
    } else if (value.type == kRegDword && value.data.size() == 4) {
        out.Ascii("dword:");
        for (std::size_t i = 4; i-- > 0;)
            out.Hex2(value.data[i]);
    } else {
        HexData(out, value, lineLength);
    }
    out.NewLine();
}

// A key name the format cannot carry: a line break would end the key line, a NUL would
// cut the name short where it is read.
bool IsUnwritableKeyPath(std::wstring_view path) {
    return path.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos;
}

} // namespace

std::wstring_view RegistryRootName(KeyHandle root) {
    for (const RootNames& entry : kRoots)
        if (RootKey(entry.value) == root)
            return entry.name;
    return {};
}

KeyHandle RegistryRootFromName(std::wstring_view name) {
    for (const RootNames& entry : kRoots)
        if (NamesEqual(name, entry.name) || NamesEqual(name, entry.shortName))
            return RootKey(entry.value);
    return nullptr;
}

std::vector<std::wstring> SplitKeyPath(std::wstring_view path) {
    std::vector<std::wstring> names;
    if (path.empty())
        return names;
    for (;;) {
        const std::size_t cut = path.find(L'\\');
        names.emplace_back(path.substr(0, cut));
        if (cut == std::wstring_view::npos)
            return names;
        path.remove_prefix(cut + 1);
    }
}

std::wstring JoinKeyPath(const std::vector<std::wstring>& names, std::size_t count) {
    std::wstring path;
    for (std::size_t i = 0; i < count && i < names.size(); ++i) {
        if (i)
            path.push_back(L'\\');
        path += names[i];
    }
    return path;
}

std::wstring FullKeyName(KeyHandle root, std::wstring_view path) {
    std::wstring name(RegistryRootName(root));
    if (!path.empty())
        name.append(L"\\").append(path);
    return name;
}

Status WriteRegFile(const RegFile& file, std::vector<std::uint8_t>& out, std::size_t* badKey) {
    for (std::size_t i = 0; i < file.keys.size(); ++i) {
        const RegFileKey& key = file.keys[i];
        Status status = kOk;
        if (RegistryRootName(key.root).empty())
            status = kInvalidParameter;
        else if (IsUnwritableKeyPath(key.path))
            status = kInvalidData;
        for (const RegFileValue& value : key.values)
            if (value.name.find(L'\0') != std::wstring::npos)
                status = kInvalidData;
        if (status != kOk) {
            if (badKey)
                *badKey = i;
            return status;
        }
    }
    std::vector<std::uint8_t> bytes;
    Output text(bytes);
    text.Unit(0xFEFF);
    text.Ascii("Windows Registry Editor Version 5.00\r\n");
    for (const RegFileKey& key : file.keys) {
        text.NewLine();
        text.Unit('[');
        if (key.remove)
            text.Unit('-');
        text.Text(FullKeyName(key.root, key.path));
        text.Unit(']');
        text.NewLine();
        if (!key.remove)
            for (const RegFileValue& value : key.values)
                Value(text, value);
    }
    text.NewLine();
    out = std::move(bytes);
    return kOk;
}

} // namespace vs

#include "framework/Resources.h"

#include <algorithm>

HINSTANCE ResourceModule() {
    return GetModuleHandleW(nullptr);
}

std::wstring LoadResourceString(UINT id) {
    // With a buffer size of 0, LoadStringW hands out the read-only text itself and its
    // length, so no entry is ever cut to a buffer.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(ResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text)
        return {};
    return std::wstring(text, static_cast<std::size_t>(length));
}

std::wstring FormatResourceString(UINT id, std::initializer_list<std::wstring_view> inserts) {
    const std::wstring pattern = LoadResourceString(id);
    std::wstring text;
    text.reserve(pattern.size());
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern[at] == L'%' && at + 1 < pattern.size() && pattern[at + 1] >= L'1' &&
            pattern[at + 1] <= L'9') {
            const auto index = static_cast<std::size_t>(pattern[at + 1] - L'1');
            if (index < inserts.size()) {
                text += *(inserts.begin() + index);
                ++at;
                continue;
            }
        }
        text += pattern[at];
    }
    return text;
}

std::wstring LoadFilterString(UINT id) {
    std::wstring filter = LoadResourceString(id);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    return filter;
}

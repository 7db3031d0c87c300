#include "BackupFolder.h"

#include "RegistryTypes.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>

namespace vs {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kStampLength = 23; // "2024-05-01 13-45-07-123"
constexpr char kStampPattern[] = "dddd-dd-dd dd-dd-dd-ddd";

struct BackupName {
    std::wstring stamp;
    unsigned long counter = 1;
};

bool EndsWithReg(std::wstring_view name) {
    if (name.size() < 4)
        return false;
    const std::wstring_view tail = name.substr(name.size() - 4);
    return tail[0] == L'.' && FoldCase(tail[1]) == L'R' && FoldCase(tail[2]) == L'E' &&
           FoldCase(tail[3]) == L'G';
}

// The stamp and counter of a backup file's name, or nothing for any other file.
std::optional<BackupName> ParseName(std::wstring_view name) {
    if (name.size() < kStampLength + 4 || !EndsWithReg(name))
        return std::nullopt;
    for (std::size_t i = 0; i < kStampLength; ++i) {
        const bool digit = name[i] >= L'0' && name[i] <= L'9';
        if (kStampPattern[i] == 'd' ? !digit : name[i] != static_cast<wchar_t>(kStampPattern[i]))
            return std::nullopt;
    }
    BackupName parsed{std::wstring(name.substr(0, kStampLength)), 1};
    std::size_t at = kStampLength;
    if (name[at] == L'-') {
        parsed.counter = 0;
        for (++at; at < name.size() && name[at] >= L'0' && name[at] <= L'9'; ++at)
            parsed.counter =
                std::min(parsed.counter * 10 + static_cast<unsigned long>(name[at] - L'0'), 99999999ul);
    }
    if (at != name.size() - 4 && name[at] != L' ')
        return std::nullopt;
    return parsed;
}

std::wstring SafeLabel(std::wstring_view label) {
    std::wstring safe(label);
    for (wchar_t& c : safe)
        if (c < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos)
            c = L'_';
    return safe;
}

} // namespace

bool BackupFolder::Save(const LocalTime& time, std::wstring_view label,
                        const std::vector<std::uint8_t>& bytes, fs::path* saved) const {
    std::error_code error;
    fs::create_directories(folder_, error);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d-%02d-%02d-%03d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second, time.millisecond);
    const std::wstring base(stamp, stamp + std::char_traits<char>::length(stamp));
    const std::wstring tail = label.empty() ? L".reg" : L" " + SafeLabel(label) + L".reg";
    // Backups of one millisecond are counted on, so that their names still sort by age.
    unsigned long counter = 0;
    for (const fs::path& existing : List()) {
        const std::optional<BackupName> name = ParseName(existing.filename().wstring());
        if (name->stamp == base)
            counter = std::max(counter, name->counter);
    }
    const fs::path file =
        folder_ / (base + (counter == 0 ? std::wstring() : L"-" + std::to_wstring(counter + 1)) + tail);
    if (fs::exists(file, error) || error)
        return false;
    if (!WriteFileBytes(file, bytes))
        return false;
    if (saved)
        *saved = file;
    std::vector<fs::path> backups = List();
    for (std::size_t i = 0; i + keep_ < backups.size(); ++i)
        fs::remove(backups[i], error); // a file that cannot be removed now goes next time
    return true;
}

std::vector<fs::path> BackupFolder::List() const {
    std::vector<std::pair<BackupName, fs::path>> found;
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error))
            continue;
        if (auto name = ParseName(it->path().filename().wstring()))
            found.emplace_back(std::move(*name), it->path());
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        if (a.first.stamp != b.first.stamp)
            return a.first.stamp < b.first.stamp;
        if (a.first.counter != b.first.counter)
            return a.first.counter < b.first.counter;
        return a.second < b.second;
    });
    std::vector<fs::path> paths;
    for (auto& entry : found)
        paths.push_back(std::move(entry.second));
    return paths;
}

bool ReadFileBytes(const fs::path& file, std::vector<std::uint8_t>& bytes, std::size_t maxBytes,
                   bool* tooLarge) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    if (tooLarge)
        *tooLarge = !error && size > maxBytes;
    if (error || size > maxBytes)
        return false;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::vector<std::uint8_t> read(static_cast<std::size_t>(size));
    if (size && !in.read(reinterpret_cast<char*>(read.data()), static_cast<std::streamsize>(size)))
        return false;
    bytes = std::move(read);
    return true;
}

bool WriteFileBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (out && !bytes.empty())
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (out)
            return true;
    }
    std::error_code error;
    fs::remove(file, error);
    return false;
}

} // namespace vs

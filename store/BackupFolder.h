#pragma once
// The folder of backup files: one registry file per command, written before the command
// changes anything, named by date, time and command so that the files sort by age:
//     2024-05-01 13-45-07-123 Delete.reg
// Only the newest kKeep files stay; older ones (of this naming only) are removed. The
// caller passes the folder (%LOCALAPPDATA%\Varnoset\Backups) and the local time.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vs {

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

class BackupFolder {
public:
    static constexpr std::size_t kKeep = 100;

    explicit BackupFolder(std::filesystem::path folder, std::size_t keep = kKeep)
        : folder_(std::move(folder)), keep_(keep) {}

    // Writes bytes to a new file of the folder (created when missing) named from time
    // and label (characters a file name cannot hold become '_'; a name already taken
    // gets " 2", " 3", ...), then removes the oldest backups beyond the number kept.
    // False when the file could not be written whole; nothing of it stays then.
    bool Save(const LocalTime& time, std::wstring_view label, const std::vector<std::uint8_t>& bytes,
              std::filesystem::path* saved = nullptr) const;

    // The backup files of the folder, oldest first.
    std::vector<std::filesystem::path> List() const;

private:
    std::filesystem::path folder_;
    std::size_t keep_;
};

// Reads a whole file; false when it cannot be read or holds more than maxBytes (then
// tooLarge, when given, is set).
bool ReadFileBytes(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes, std::size_t maxBytes,
                   bool* tooLarge = nullptr);
// Writes a whole file, replacing one of that name; false (and no file) when that fails.
bool WriteFileBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

} // namespace vs

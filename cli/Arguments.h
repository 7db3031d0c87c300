#pragma once
// The command line of VarnosetCli, parsed into one request or one usage error. Plain C++:
// no registry is read here, so every mistake this finds leaves the registry untouched.
//
// Commands are rows of a table (name, what positional argument they take, which options
// they allow and require); a new command is a new row and, where it needs them, new
// options and request fields.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vs::cli {

enum class Command {
    Help,
    Version,
    List,
    Create,
    Hide,
    Unhide,
    Delete,
    Copy,
    Move,
    Rename,
    Comment,
    Icon,
    Position,
    Check,
    Pin,
    Unpin,
    DesktopIcon,
    Export,
    Import
};
enum class Format { Table, Csv, Json };

// The options of create that name the wizard's check boxes, as bits.
enum CreateFlag : std::uint32_t {
    kFlagRename = 1u << 0,
    kFlagPropertySheet = 1u << 1,
    kFlagDelete = 1u << 2,
    kFlagCopy = 1u << 3,
    kFlagLink = 1u << 4,
    kFlagMove = 1u << 5,
    kFlagRemovable = 1u << 6,
    kFlagDrop = 1u << 7,
    kFlagHideIfDeleted = 1u << 8,
};

// OBJECT: a class identifier in braces, alone (every entry of the class) or with
// "@PLACE" (its entry in that place).
struct ObjectRef {
    std::wstring text;   // as given, for messages
    std::wstring clsid;  // "{...}" as given
    int placeIndex = -1; // 0..7, or -1 for every place
};

// What create was told; anything not given is taken from the wizard's start.
struct CreateOptions {
    std::wstring name;
    std::optional<std::wstring> folder;
    std::optional<std::wstring> program;
    bool onDesktop = false;
    bool inMyComputer = false;
    bool inControlPanel = false;
    bool inNetworkNeighborhood = false;
    bool allUsers = false;
    std::optional<std::wstring> icon;
    std::optional<std::wstring> comment;
    std::optional<std::int32_t> position;
    std::optional<std::uint32_t> category;
    std::optional<std::uint32_t> flags; // CreateFlag bits
    bool pinToNavigationPane = false;   // --nav-pane
    bool hideDesktopIcon = false;       // --no-desktop-icon
};

struct Request {
    Command command = Command::Help;
    bool expert = false;            // list
    Format format = Format::Table;  // list, check
    bool repair = false;            // check
    ObjectRef object;               // the commands on an OBJECT
    std::vector<ObjectRef> objects; // export: every OBJECT, in the order given
    std::wstring file;              // export --out, import FILE
    int targetPlace = -1;           // copy, move: --to
    std::wstring text;              // rename --name, comment --text, icon --location
    std::int32_t position = 0;      // position --value
    bool hideIcon = false;          // desktop-icon --hide (else --show)
    CreateOptions create;
};

// A usage error: the string-table id of its one line and the texts for %1, %2, ...
struct UsageError {
    unsigned messageId = 0;
    std::vector<std::wstring> args;
};

struct ParseResult {
    std::optional<Request> request; // set when the command line is sound
    UsageError error;               // otherwise
};

// args: the command line without the program's own name.
ParseResult ParseArguments(const std::vector<std::wstring>& args);

// The place's command-line name: "desktop-user", "controlpanel-all", ...
std::wstring PlaceName(int placeIndex);

// Length limits of what the program writes, in UTF-16 units: what the inventory reads back
// whole (a longer text would be cut or make the object vanish from the list).
inline constexpr std::size_t kMaxCreateName = 289; // the marker "Varnoset: <name>" is read in 300 units
inline constexpr std::size_t kMaxName = 999;       // names and targets are read in 1000 units
inline constexpr std::size_t kMaxTarget = 999;
inline constexpr std::size_t kMaxComment = 499;      // "InfoTip" is read in 1000 bytes
inline constexpr std::size_t kMaxIconLocation = 259; // "DefaultIcon" is read in MAX_PATH units
inline constexpr std::size_t kMaxFileName = 32767;   // the longest path Windows takes

} // namespace vs::cli

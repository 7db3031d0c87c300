#include "cli/Arguments.h"

#include "res/resource.h"

#include <string_view>
#include <utility>

namespace vs::cli {

namespace {

enum Option : std::uint32_t {
    kOptExpert = 1u << 0,
    kOptFormat = 1u << 1,
    kOptName = 1u << 2,
    kOptFolder = 1u << 3,
    kOptProgram = 1u << 4,
    kOptPlaces = 1u << 5,
    kOptAllUsers = 1u << 6,
    kOptIcon = 1u << 7,
    kOptComment = 1u << 8,
    kOptPosition = 1u << 9,
    kOptCategory = 1u << 10,
    kOptFlags = 1u << 11,
    kOptTo = 1u << 12,
    kOptText = 1u << 13,
    kOptLocation = 1u << 14,
    kOptValue = 1u << 15,
    kOptOut = 1u << 16,
    kOptRepair = 1u << 17,
    kOptNavPane = 1u << 18,
    kOptNoDesktopIcon = 1u << 19,
    kOptShow = 1u << 20,
    kOptHide = 1u << 21,
};

struct OptionSpec {
    const wchar_t* name;
    Option option;
    bool takesValue;
};
constexpr OptionSpec kOptions[] = {
    {L"--expert", kOptExpert, false},
    {L"--format", kOptFormat, true},
    {L"--name", kOptName, true},
    {L"--folder", kOptFolder, true},
    {L"--program", kOptProgram, true},
    {L"--places", kOptPlaces, true},
    {L"--all-users", kOptAllUsers, false},
    {L"--icon", kOptIcon, true},
    {L"--comment", kOptComment, true},
    {L"--position", kOptPosition, true},
    {L"--category", kOptCategory, true},
    {L"--flags", kOptFlags, true},
    {L"--to", kOptTo, true},
    {L"--text", kOptText, true},
    {L"--location", kOptLocation, true},
    {L"--value", kOptValue, true},
    {L"--out", kOptOut, true},
    {L"--repair", kOptRepair, false},
    {L"--nav-pane", kOptNavPane, false},
    {L"--no-desktop-icon", kOptNoDesktopIcon, false},
    {L"--show", kOptShow, false},
    {L"--hide", kOptHide, false},
};

// What a command takes besides its options.
enum class Takes { Nothing, Object, Objects, File };

struct CommandSpec {
    const wchar_t* name;
    Command command;
    Takes takes;
    std::uint32_t allowed;
    std::uint32_t required;
};
constexpr std::uint32_t kCreateOptions = kOptName | kOptFolder | kOptProgram | kOptPlaces | kOptAllUsers |
                                         kOptIcon | kOptComment | kOptPosition | kOptCategory | kOptFlags |
                                         kOptNavPane | kOptNoDesktopIcon;
constexpr CommandSpec kCommands[] = {
    {L"list", Command::List, Takes::Nothing, kOptExpert | kOptFormat, 0},
    {L"create", Command::Create, Takes::Nothing, kCreateOptions, kOptName | kOptPlaces},
    {L"hide", Command::Hide, Takes::Object, 0, 0},
    {L"unhide", Command::Unhide, Takes::Object, 0, 0},
    {L"delete", Command::Delete, Takes::Object, 0, 0},
    {L"copy", Command::Copy, Takes::Object, kOptTo, kOptTo},
    {L"move", Command::Move, Takes::Object, kOptTo, kOptTo},
    {L"rename", Command::Rename, Takes::Object, kOptName, kOptName},
    {L"comment", Command::Comment, Takes::Object, kOptText, kOptText},
    {L"icon", Command::Icon, Takes::Object, kOptLocation, kOptLocation},
    {L"position", Command::Position, Takes::Object, kOptValue, kOptValue},
    {L"export", Command::Export, Takes::Objects, kOptOut, kOptOut},
    {L"import", Command::Import, Takes::File, 0, 0},
    {L"check", Command::Check, Takes::Nothing, kOptFormat | kOptRepair, 0},
    {L"pin", Command::Pin, Takes::Object, 0, 0},
    {L"unpin", Command::Unpin, Takes::Object, 0, 0},
    // Exactly one of --show and --hide, checked after the options.
    {L"desktop-icon", Command::DesktopIcon, Takes::Object, kOptShow | kOptHide, 0},
};

struct NamedBits {
    const wchar_t* name;
    std::uint32_t bits;
};
constexpr NamedBits kFlagNames[] = {
    {L"rename", kFlagRename},
    {L"property-sheet", kFlagPropertySheet},
    {L"delete", kFlagDelete},
    {L"copy", kFlagCopy},
    {L"link", kFlagLink},
    {L"move", kFlagMove},
    {L"removable", kFlagRemovable},
    {L"drop", kFlagDrop},
    {L"hide-if-deleted", kFlagHideIfDeleted},
};
// The bare place names, in place-index order (the current user's row; all users' is 4 on).
constexpr const wchar_t* kPlaceBases[] = {L"desktop", L"controlpanel", L"mycomputer", L"network"};
constexpr int kAllUsersOffset = 4;

// Command, option, place, format and flag names ignore the case of ASCII letters, as
// Windows users expect of a command line.
bool SameWord(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](wchar_t c) {
            return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

bool StartsWithDashes(std::wstring_view text) {
    return text.size() >= 2 && text[0] == L'-' && text[1] == L'-';
}

// Length in UTF-16 units, whatever the width of wchar_t, since that is what the registry stores.
std::size_t Utf16Length(std::wstring_view text) {
    std::size_t length = text.size();
    for (wchar_t c : text)
        length += (static_cast<std::uint32_t>(c) >> 16) != 0 ? 1 : 0; // beyond the BMP: a surrogate pair
    return length;
}

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

bool IsClassId(std::wstring_view text) {
    constexpr std::size_t kLength = 38;
    if (text.size() != kLength || text.front() != L'{' || text.back() != L'}')
        return false;
    for (std::size_t i = 1; i + 1 < kLength; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !IsHexDigit(text[i]))
            return false;
    }
    return true;
}

// A whole number written with digits only, at most `maximum`; nothing otherwise.
std::optional<std::uint32_t> SmallNumber(std::wstring_view text, std::uint32_t maximum) {
    if (text.empty())
        return std::nullopt;
    std::uint32_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - L'0');
        if (value > maximum)
            return std::nullopt;
    }
    return value;
}

std::vector<std::wstring> SplitAtCommas(const std::wstring& text) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(L',', start);
        parts.push_back(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
        if (comma == std::wstring::npos)
            return parts;
        start = comma + 1;
    }
}

struct PlaceWord {
    int base = -1;  // 0..3, or -1 when the word names no place
    int scope = -1; // 0 this user, kAllUsersOffset all users, -1 none given
};
PlaceWord ReadPlaceWord(std::wstring_view text) {
    PlaceWord word;
    std::wstring_view base = text;
    for (const auto& [suffix, scope] : {std::pair{L"-user", 0}, std::pair{L"-all", kAllUsersOffset}}) {
        const std::wstring_view tail(suffix);
        if (text.size() > tail.size() && SameWord(text.substr(text.size() - tail.size()), tail)) {
            base = text.substr(0, text.size() - tail.size());
            word.scope = scope;
            break;
        }
    }
    for (int i = 0; i < 4; ++i)
        if (SameWord(base, kPlaceBases[i]))
            word.base = i;
    return word;
}

// The parse of one command line; each step returns false after recording the first error.
class Parser {
public:
    explicit Parser(const std::vector<std::wstring>& args) : args_(args) {}

    ParseResult Run();

private:
    bool Fail(unsigned id, std::vector<std::wstring> args = {}) {
        result_.error = UsageError{id, std::move(args)};
        return false;
    }
    bool ReadArguments(const CommandSpec& command);
    bool ReadObject(const std::wstring& text);
    bool TakeOption(Option option, const wchar_t* name, const std::wstring& value);
    bool TakeText(const wchar_t* name, const std::wstring& value, std::size_t limit, bool mayBeEmpty,
                  std::wstring& out);
    bool TakePlaces(const std::wstring& value);
    bool TakeFlags(const std::wstring& value);
    bool ScopedPlace(const std::wstring& text, int& placeIndex);
    bool CheckCreate();

    const std::vector<std::wstring>& args_;
    ParseResult result_;
    Request request_;
    std::uint32_t given_ = 0;
    // --places words with their own scope, checked against --all-users at the end.
    std::vector<std::pair<std::wstring, int>> scopedPlaces_;
};

ParseResult Parser::Run() {
    if (args_.empty()) {
        Fail(IDS_CLI_NO_COMMAND);
        return result_;
    }
    // --help anywhere asks for the usage, whatever else the line holds.
    for (const std::wstring& arg : args_) {
        if (SameWord(arg, L"--help")) {
            result_.request = Request{};
            return result_;
        }
    }
    const std::wstring& first = args_.front();
    if (SameWord(first, L"--version")) {
        if (args_.size() > 1) {
            Fail(IDS_CLI_EXTRA_ARGUMENT, {args_[1]});
            return result_;
        }
        request_.command = Command::Version;
        result_.request = request_;
        return result_;
    }
    const CommandSpec* command = nullptr;
    for (const CommandSpec& spec : kCommands)
        if (SameWord(first, spec.name))
            command = &spec;
    if (!command) {
        Fail(StartsWithDashes(first) ? IDS_CLI_UNKNOWN_OPTION : IDS_CLI_UNKNOWN_COMMAND,
             StartsWithDashes(first) ? std::vector<std::wstring>{L"VarnosetCli", first}
                                     : std::vector<std::wstring>{first});
        return result_;
    }
    request_.command = command->command;
    if (!ReadArguments(*command))
        return result_;

    for (const OptionSpec& option : kOptions) {
        if ((command->required & option.option) && !(given_ & option.option)) {
            Fail(IDS_CLI_MISSING_OPTION, {command->name, option.name});
            return result_;
        }
    }
    if ((command->takes == Takes::Object && request_.object.clsid.empty()) ||
        (command->takes == Takes::Objects && request_.objects.empty())) {
        Fail(IDS_CLI_MISSING_OBJECT, {command->name});
        return result_;
    }
    if (command->takes == Takes::File && request_.file.empty()) {
        Fail(IDS_CLI_MISSING_FILE, {command->name});
        return result_;
    }
    if (command->command == Command::Create && !CheckCreate())
        return result_;
    if (command->command == Command::DesktopIcon && !(given_ & kOptShow) == !(given_ & kOptHide)) {
        Fail(IDS_CLI_SHOW_OR_HIDE);
        return result_;
    }
    result_.request = std::move(request_);
    return result_;
}

bool Parser::ReadArguments(const CommandSpec& command) {
    for (std::size_t i = 1; i < args_.size(); ++i) {
        const std::wstring& arg = args_[i];
        if (!StartsWithDashes(arg)) {
            const bool objectDue = command.takes == Takes::Objects ||
                                   (command.takes == Takes::Object && request_.object.clsid.empty());
            if (objectDue) {
                if (!ReadObject(arg))
                    return false;
                if (command.takes == Takes::Objects)
                    request_.objects.push_back(request_.object);
                continue;
            }
            if (command.takes == Takes::File && request_.file.empty()) {
                if (arg.empty())
                    return Fail(IDS_CLI_MISSING_FILE, {command.name});
                request_.file = arg;
                continue;
            }
            return Fail(IDS_CLI_EXTRA_ARGUMENT, {arg});
        }
        const std::size_t equals = arg.find(L'=');
        const std::wstring name = arg.substr(0, equals);
        const OptionSpec* option = nullptr;
        for (const OptionSpec& spec : kOptions)
            if (SameWord(name, spec.name) && (command.allowed & spec.option))
                option = &spec;
        if (!option)
            return Fail(IDS_CLI_UNKNOWN_OPTION, {command.name, name});
        if (given_ & option->option)
            return Fail(IDS_CLI_REPEATED_OPTION, {option->name});
        given_ |= option->option;
        std::wstring value;
        if (!option->takesValue) {
            if (equals != std::wstring::npos)
                return Fail(IDS_CLI_UNEXPECTED_VALUE, {option->name});
        } else if (equals != std::wstring::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args_.size() && !StartsWithDashes(args_[i + 1])) {
            value = args_[++i];
        } else {
            // A value that starts with "--" is most likely the next option: the value was
            // left out. One that really starts so is given as --option=VALUE.
            return Fail(IDS_CLI_MISSING_VALUE, {option->name});
        }
        if (!TakeOption(option->option, option->name, value))
            return false;
    }
    return true;
}

bool Parser::ReadObject(const std::wstring& text) {
    const std::size_t at = text.find(L'@');
    const std::wstring clsid = text.substr(0, at);
    if (!IsClassId(clsid))
        return Fail(IDS_CLI_BAD_CLASS_ID, {clsid});
    int placeIndex = -1;
    if (at != std::wstring::npos && !ScopedPlace(text.substr(at + 1), placeIndex))
        return false;
    request_.object = ObjectRef{text, clsid, placeIndex};
    return true;
}

bool Parser::ScopedPlace(const std::wstring& text, int& placeIndex) {
    const PlaceWord word = ReadPlaceWord(text);
    if (word.base < 0)
        return Fail(IDS_CLI_UNKNOWN_PLACE, {text});
    if (word.scope < 0)
        return Fail(IDS_CLI_PLACE_NEEDS_SCOPE, {text});
    placeIndex = word.base + word.scope;
    return true;
}

bool Parser::TakeText(const wchar_t* name, const std::wstring& value, std::size_t limit, bool mayBeEmpty,
                      std::wstring& out) {
    if (value.empty() && !mayBeEmpty)
        return Fail(IDS_CLI_EMPTY_VALUE, {name});
    if (Utf16Length(value) > limit)
        return Fail(IDS_CLI_TOO_LONG, {name, std::to_wstring(limit)});
    out = value;
    return true;
}

bool Parser::TakeOption(Option option, const wchar_t* name, const std::wstring& value) {
    CreateOptions& create = request_.create;
    const bool creating = request_.command == Command::Create;
    switch (option) {
    case kOptRepair:
        request_.repair = true;
        return true;
    case kOptExpert:
        request_.expert = true;
        return true;
    case kOptAllUsers:
        create.allUsers = true;
        return true;
    case kOptNavPane:
        create.pinToNavigationPane = true;
        return true;
    case kOptNoDesktopIcon:
        create.hideDesktopIcon = true;
        return true;
    case kOptShow:
    case kOptHide:
        request_.hideIcon = option == kOptHide;
        return true;
    case kOptFormat: {
        constexpr std::pair<const wchar_t*, Format> kFormats[] = {
            {L"table", Format::Table}, {L"csv", Format::Csv}, {L"json", Format::Json}};
        for (const auto& [word, format] : kFormats) {
            if (SameWord(value, word)) {
                request_.format = format;
                return true;
            }
        }
        return Fail(IDS_CLI_UNKNOWN_FORMAT, {value});
    }
    case kOptName:
        return TakeText(name, value, creating ? kMaxCreateName : kMaxName, false,
                        creating ? create.name : request_.text);
    case kOptFolder:
        return TakeText(name, value, kMaxTarget, false, create.folder.emplace());
    case kOptProgram:
        return TakeText(name, value, kMaxTarget, false, create.program.emplace());
    case kOptIcon:
        return TakeText(name, value, kMaxIconLocation, false, create.icon.emplace());
    case kOptLocation:
        return TakeText(name, value, kMaxIconLocation, false, request_.text);
    // An empty comment at creation is the wizard's empty tooltip; as a change it would
    // change nothing, as in the window, so it is refused there.
    case kOptComment:
        return TakeText(name, value, kMaxComment, true, create.comment.emplace());
    case kOptText:
        return TakeText(name, value, kMaxComment, false, request_.text);
    case kOptPosition:
    case kOptValue: {
        constexpr std::uint32_t kLastPosition = 255;
        const std::optional<std::uint32_t> number = SmallNumber(value, kLastPosition);
        if (!number)
            return Fail(IDS_CLI_BAD_POSITION, {value});
        (creating ? create.position.emplace() : request_.position) = static_cast<std::int32_t>(*number);
        return true;
    }
    case kOptCategory: {
        constexpr std::uint32_t kLastCategory = 9; // the wizard lists 0 "Other" to 9 "User Accounts"
        const std::optional<std::uint32_t> number = SmallNumber(value, kLastCategory);
        if (!number)
            return Fail(IDS_CLI_BAD_CATEGORY, {value});
        create.category = *number;
        return true;
    }
    case kOptPlaces:
        return TakePlaces(value);
    case kOptFlags:
        return TakeFlags(value);
    case kOptTo:
        return ScopedPlace(value, request_.targetPlace);
    case kOptOut:
        return TakeText(name, value, kMaxFileName, false, request_.file);
    }
    return false;
}

bool Parser::TakePlaces(const std::wstring& value) {
    CreateOptions& create = request_.create;
    bool CreateOptions::*const kChosen[] = {&CreateOptions::onDesktop, &CreateOptions::inControlPanel,
                                            &CreateOptions::inMyComputer,
                                            &CreateOptions::inNetworkNeighborhood};
    for (const std::wstring& part : SplitAtCommas(value)) {
        const PlaceWord word = ReadPlaceWord(part);
        if (word.base < 0)
            return Fail(IDS_CLI_UNKNOWN_PLACE, {part});
        if (word.scope >= 0)
            scopedPlaces_.emplace_back(part, word.scope);
        create.*kChosen[word.base] = true;
    }
    return true;
}

bool Parser::TakeFlags(const std::wstring& value) {
    std::uint32_t flags = 0;
    // An empty list sets no flag at all.
    if (!value.empty()) {
        for (const std::wstring& part : SplitAtCommas(value)) {
            std::uint32_t bits = 0;
            for (const NamedBits& flag : kFlagNames)
                if (SameWord(part, flag.name))
                    bits = flag.bits;
            if (!bits)
                return Fail(IDS_CLI_UNKNOWN_FLAG, {part});
            flags |= bits;
        }
    }
    request_.create.flags = flags;
    return true;
}

bool Parser::CheckCreate() {
    const CreateOptions& create = request_.create;
    if (create.folder && create.program)
        return Fail(IDS_CLI_FOLDER_AND_PROGRAM);
    if (!create.folder && !create.program)
        return Fail(IDS_CLI_NO_FOLDER_OR_PROGRAM);
    // Explorer's navigation pane and the desktop icon belong to the Desktop entry.
    for (const auto& [given, name] : {std::pair{create.pinToNavigationPane, L"--nav-pane"},
                                      std::pair{create.hideDesktopIcon, L"--no-desktop-icon"}})
        if (given && !create.onDesktop)
            return Fail(IDS_CLI_NEEDS_DESKTOP, {name});
    const int scope = create.allUsers ? kAllUsersOffset : 0;
    for (const auto& [word, wordScope] : scopedPlaces_)
        if (wordScope != scope)
            return Fail(wordScope == 0 ? IDS_CLI_PLACE_OF_THIS_USER : IDS_CLI_PLACE_OF_ALL_USERS, {word});
    return true;
}

} // namespace

ParseResult ParseArguments(const std::vector<std::wstring>& args) {
    return Parser(args).Run();
}

std::wstring PlaceName(int placeIndex) {
    if (placeIndex < 0 || placeIndex >= 2 * kAllUsersOffset)
        return std::wstring();
    return std::wstring(kPlaceBases[placeIndex % kAllUsersOffset]) +
           (placeIndex < kAllUsersOffset ? L"-user" : L"-all");
}

} // namespace vs::cli

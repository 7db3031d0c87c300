// The command line's parser: what each sound command line asks for, and the one usage
// error of each faulty one.

#include "cli/Arguments.h"
#include "res/resource.h"
#include "tests/support/RegistryTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vs::cli {
namespace {

using test::Narrow;

const std::wstring kId = L"{6f3a1c52-8d4e-4b7a-9c21-5e0d7b9a3f10}";
const std::wstring kUpperId = L"{6F3A1C52-8D4E-4B7A-9C21-5E0D7B9A3F10}";
const std::wstring kCreate[] = {L"create", L"--name", L"N", L"--folder", L"C:\\"};

std::vector<std::wstring> With(std::initializer_list<std::wstring> head,
                               std::initializer_list<std::wstring> tail) {
    std::vector<std::wstring> args(head);
    args.insert(args.end(), tail);
    return args;
}
std::vector<std::wstring> Create(std::initializer_list<std::wstring> more) {
    std::vector<std::wstring> args(std::begin(kCreate), std::end(kCreate));
    args.insert(args.end(), more);
    return args;
}

template <class T> std::wstring Opt(const std::optional<T>& value) {
    if (!value)
        return L"-";
    if constexpr (std::is_same_v<T, std::wstring>)
        return L"'" + *value + L"'";
    else
        return std::to_wstring(*value);
}

// The request in one line, so that each case states all of it; kId is shown as "id".
std::string Summary(const Request& r) {
    static const wchar_t* kCommands[] = {L"help",    L"version",      L"list",     L"create", L"hide",
                                         L"unhide",  L"delete",       L"copy",     L"move",   L"rename",
                                         L"comment", L"icon",         L"position", L"check",  L"pin",
                                         L"unpin",   L"desktop-icon", L"export",   L"import"};
    std::wstring text = kCommands[static_cast<int>(r.command)];
    switch (r.command) {
    case Command::List:
    case Command::Check:
        text += r.expert ? L" expert" : L"";
        text += r.repair ? L" repair" : L"";
        text += r.format == Format::Csv ? L" csv" : r.format == Format::Json ? L" json" : L" table";
        break;
    case Command::Create: {
        const CreateOptions& c = r.create;
        text +=
            L" name='" + c.name + L"' folder=" + Opt(c.folder) + L" program=" + Opt(c.program) + L" places=";
        text += std::wstring(c.onDesktop ? L"D" : L"") + (c.inControlPanel ? L"C" : L"") +
                (c.inMyComputer ? L"M" : L"") + (c.inNetworkNeighborhood ? L"N" : L"");
        text += (c.allUsers ? L" all" : L" user") + std::wstring(L" icon=") + Opt(c.icon) + L" comment=" +
                Opt(c.comment) + L" position=" + Opt(c.position) + L" category=" + Opt(c.category) +
                L" flags=" + Opt(c.flags);
        text += std::wstring(c.pinToNavigationPane ? L" nav-pane" : L"") +
                (c.hideDesktopIcon ? L" no-icon" : L"");
        break;
    }
    case Command::Help:
    case Command::Version:
        break;
    case Command::Export:
    case Command::Import:
        for (const ObjectRef& object : r.objects)
            text += L" " + (object.clsid == kId ? L"id" : object.clsid) + L"@" +
                    std::to_wstring(object.placeIndex);
        text += L" '" + r.file + L"'";
        break;
    default:
        text += L" " + (r.object.clsid == kId ? L"id" : r.object.clsid) + L"@" +
                std::to_wstring(r.object.placeIndex);
        if (r.command == Command::Copy || r.command == Command::Move)
            text += L" to " + std::to_wstring(r.targetPlace);
        if (r.command == Command::Position)
            text += L" " + std::to_wstring(r.position);
        if (r.command == Command::DesktopIcon)
            text += r.hideIcon ? L" hide" : L" show";
        else if (!r.text.empty())
            text += L" '" + r.text + L"'";
    }
    return Narrow(text);
}

struct Sound {
    std::vector<std::wstring> args;
    std::string request;
};

TEST(Arguments, SoundCommandLinesSayWhatToDo) {
    const std::wstring at = kId + L"@";
    const Sound cases[] = {
        {{L"list"}, "list table"},
        {{L"LIST", L"--Expert", L"--format", L"CSV"}, "list expert csv"},
        {{L"list", L"--format=json"}, "list json"},
        {{L"check"}, "check table"},
        {{L"check", L"--repair", L"--format=csv"}, "check repair csv"},
        {{L"--help"}, "help"},
        {{L"list", L"--format", L"xml", L"--help"}, "help"},
        {{L"--version"}, "version"},
        {{L"hide", kId}, "hide id@-1"},
        {{L"unhide", kUpperId + L"@MyComputer-All"}, "unhide {6F3A1C52-8D4E-4B7A-9C21-5E0D7B9A3F10}@6"},
        {{L"delete", at + L"network-user"}, "delete id@3"},
        {{L"copy", kId, L"--to", L"controlpanel-all"}, "copy id@-1 to 5"},
        {{L"move", L"--to=desktop-all", at + L"desktop-user"}, "move id@0 to 4"},
        {{L"rename", kId, L"--name", L"New, \"quoted\""}, "rename id@-1 'New, \"quoted\"'"},
        {{L"comment", kId, L"--text=--dashes"}, "comment id@-1 '--dashes'"},
        {{L"icon", kId, L"--location", L"shell32.dll,-3"}, "icon id@-1 'shell32.dll,-3'"},
        {{L"position", kId, L"--value", L"255"}, "position id@-1 255"},
        {{L"position", kId, L"--value", L"0"}, "position id@-1 0"},
        {{L"pin", kId}, "pin id@-1"},
        {{L"unpin", at + L"desktop-all"}, "unpin id@4"},
        {{L"desktop-icon", kId, L"--hide"}, "desktop-icon id@-1 hide"},
        {{L"Desktop-Icon", L"--show", at + L"desktop-user"}, "desktop-icon id@0 show"},
        {Create({L"--places", L"desktop", L"--nav-pane", L"--no-desktop-icon"}),
         "create name='N' folder='C:\\' program=- places=D user icon=- comment=- position=- category=- "
         "flags=- nav-pane no-icon"},
        {{L"export", kId, L"--out", L"C:\\a b.reg", at + L"network-all"}, "export id@-1 id@7 'C:\\a b.reg'"},
        {{L"IMPORT", L"C:\\x.reg"}, "import 'C:\\x.reg'"},
        {Create({L"--places", L"desktop,MyComputer,desktop"}),
         "create name='N' folder='C:\\' program=- places=DM user icon=- comment=- position=- category=- "
         "flags=-"},
        {{L"create", L"--places", L"network-all,controlpanel", L"--all-users", L"--program", L"notepad.exe",
          L"--name", L"P", L"--icon", L"x.dll,2", L"--comment", L"", L"--position", L"7", L"--category", L"9",
          L"--flags", L""},
         "create name='P' folder=- program='notepad.exe' places=CN all icon='x.dll,2' comment='' position=7 "
         "category=9 flags=0"},
        {Create({L"--places=desktop-user", L"--flags", L"Rename,drop,hide-if-deleted,property-sheet"}),
         "create name='N' folder='C:\\' program=- places=D user icon=- comment=- position=- category=- "
         "flags=387"},
        {{L"create", L"--name", std::wstring(kMaxCreateName, L'n'), L"--folder",
          std::wstring(kMaxTarget, L'f'), L"--places", L"desktop"},
         ("create name='" + std::string(kMaxCreateName, 'n') + "' folder='" + std::string(kMaxTarget, 'f') +
          "' program=- places=D user icon=- comment=- position=- category=- flags=-")},
    };
    for (const Sound& c : cases) {
        SCOPED_TRACE(Narrow(c.args.empty() ? L"" : c.args[0]) + " ... (" + c.request + ")");
        const ParseResult parsed = ParseArguments(c.args);
        ASSERT_TRUE(parsed.request) << parsed.error.messageId;
        EXPECT_EQ(Summary(*parsed.request), c.request);
    }
}

struct Faulty {
    std::vector<std::wstring> args;
    unsigned messageId;
    std::vector<std::wstring> messageArgs;
};
Faulty BadId(const std::wstring& id) {
    return {{L"hide", id}, IDS_CLI_BAD_CLASS_ID, {id}};
}

TEST(Arguments, EachFaultyCommandLineGetsItsOneError) {
    const std::wstring emoji = L"\U0001F600"; // two UTF-16 units
    std::wstring emojiName;
    for (std::size_t i = 0; i < (kMaxCreateName + 1) / 2; ++i)
        emojiName += emoji;
    const Faulty cases[] = {
        {{}, IDS_CLI_NO_COMMAND, {}},
        {{L"frobnicate"}, IDS_CLI_UNKNOWN_COMMAND, {L"frobnicate"}},
        {{L"verify"}, IDS_CLI_UNKNOWN_COMMAND, {L"verify"}},
        {{L"export", kId}, IDS_CLI_MISSING_OPTION, {L"export", L"--out"}},
        {{L"export", L"--out", L"x.reg"}, IDS_CLI_MISSING_OBJECT, {L"export"}},
        {{L"export", kId, L"{1}", L"--out", L"x.reg"}, IDS_CLI_BAD_CLASS_ID, {L"{1}"}},
        {{L"export", kId, L"--out="}, IDS_CLI_EMPTY_VALUE, {L"--out"}},
        {{L"import"}, IDS_CLI_MISSING_FILE, {L"import"}},
        {{L"import", L""}, IDS_CLI_MISSING_FILE, {L"import"}},
        {{L"import", L"a.reg", L"b.reg"}, IDS_CLI_EXTRA_ARGUMENT, {L"b.reg"}},
        {{L"import", L"a.reg", L"--out", L"b.reg"}, IDS_CLI_UNKNOWN_OPTION, {L"import", L"--out"}},
        {{L"--frob"}, IDS_CLI_UNKNOWN_OPTION, {L"VarnosetCli", L"--frob"}},
        {{L"list", L"--name", L"x"}, IDS_CLI_UNKNOWN_OPTION, {L"list", L"--name"}},
        {{L"check", L"--expert"}, IDS_CLI_UNKNOWN_OPTION, {L"check", L"--expert"}},
        {{L"check", L"--repair=yes"}, IDS_CLI_UNEXPECTED_VALUE, {L"--repair"}},
        {{L"hide", kId, L"--to", L"desktop-user"}, IDS_CLI_UNKNOWN_OPTION, {L"hide", L"--to"}},
        {{L"list", L"--format"}, IDS_CLI_MISSING_VALUE, {L"--format"}},
        {With({L"create", L"--name", L"--folder"}, {L"C:\\", L"--places", L"desktop"}),
         IDS_CLI_MISSING_VALUE,
         {L"--name"}},
        {{L"list", L"--expert=yes"}, IDS_CLI_UNEXPECTED_VALUE, {L"--expert"}},
        {{L"list", L"--expert", L"--EXPERT"}, IDS_CLI_REPEATED_OPTION, {L"--expert"}},
        {{L"copy", kId}, IDS_CLI_MISSING_OPTION, {L"copy", L"--to"}},
        {{L"create", L"--name", L"N", L"--folder", L"C:\\"},
         IDS_CLI_MISSING_OPTION,
         {L"create", L"--places"}},
        {{L"hide"}, IDS_CLI_MISSING_OBJECT, {L"hide"}},
        {{L"hide", kId, kId}, IDS_CLI_EXTRA_ARGUMENT, {kId}},
        {{L"list", L"all"}, IDS_CLI_EXTRA_ARGUMENT, {L"all"}},
        {{L"--version", L"list"}, IDS_CLI_EXTRA_ARGUMENT, {L"list"}},
        BadId(L"{6f3a1c52-8d4e-4b7a-9c21-5e0d7b9a3f1}"),
        BadId(L"{6f3a1c52-8d4e-4b7a-9c21-5e0d7b9a3f1g}"),
        BadId(L"6f3a1c52-8d4e-4b7a-9c21-5e0d7b9a3f10"),
        {{L"hide", L"{6f3a1c52+8d4e-4b7a-9c21-5e0d7b9a3f10}@desktop-user"},
         IDS_CLI_BAD_CLASS_ID,
         {L"{6f3a1c52+8d4e-4b7a-9c21-5e0d7b9a3f10}"}},
        {{L"hide", kId + L"@desk-user"}, IDS_CLI_UNKNOWN_PLACE, {L"desk-user"}},
        {{L"hide", kId + L"@"}, IDS_CLI_UNKNOWN_PLACE, {L""}},
        {{L"hide", kId + L"@desktop"}, IDS_CLI_PLACE_NEEDS_SCOPE, {L"desktop"}},
        {{L"copy", kId, L"--to", L"network"}, IDS_CLI_PLACE_NEEDS_SCOPE, {L"network"}},
        {Create({L"--places", L"desktop,"}), IDS_CLI_UNKNOWN_PLACE, {L""}},
        {Create({L"--places", L"mycomputer,desktop-all"}), IDS_CLI_PLACE_OF_ALL_USERS, {L"desktop-all"}},
        {Create({L"--all-users", L"--places", L"desktop-user"}),
         IDS_CLI_PLACE_OF_THIS_USER,
         {L"desktop-user"}},
        {Create({L"--places", L"desktop", L"--program", L"x.exe"}), IDS_CLI_FOLDER_AND_PROGRAM, {}},
        {{L"create", L"--name", L"N", L"--places", L"desktop"}, IDS_CLI_NO_FOLDER_OR_PROGRAM, {}},
        {{L"position", kId, L"--value", L"256"}, IDS_CLI_BAD_POSITION, {L"256"}},
        {{L"position", kId, L"--value=-1"}, IDS_CLI_BAD_POSITION, {L"-1"}},
        {{L"position", kId, L"--value", L"1x"}, IDS_CLI_BAD_POSITION, {L"1x"}},
        {{L"position", kId, L"--value", L"99999999999"}, IDS_CLI_BAD_POSITION, {L"99999999999"}},
        {Create({L"--places", L"desktop", L"--position", L""}), IDS_CLI_BAD_POSITION, {L""}},
        {Create({L"--places", L"desktop", L"--category", L"10"}), IDS_CLI_BAD_CATEGORY, {L"10"}},
        {{L"list", L"--format", L"xml"}, IDS_CLI_UNKNOWN_FORMAT, {L"xml"}},
        {{L"desktop-icon", kId}, IDS_CLI_SHOW_OR_HIDE, {}},
        {{L"desktop-icon", kId, L"--show", L"--hide"}, IDS_CLI_SHOW_OR_HIDE, {}},
        {{L"pin", kId, L"--hide"}, IDS_CLI_UNKNOWN_OPTION, {L"pin", L"--hide"}},
        {Create({L"--places", L"mycomputer", L"--nav-pane"}), IDS_CLI_NEEDS_DESKTOP, {L"--nav-pane"}},
        {Create({L"--places", L"network", L"--no-desktop-icon"}),
         IDS_CLI_NEEDS_DESKTOP,
         {L"--no-desktop-icon"}},
        {Create({L"--places", L"desktop", L"--flags", L"rename,,copy"}), IDS_CLI_UNKNOWN_FLAG, {L""}},
        {Create({L"--places", L"desktop", L"--flags", L"rename,hide"}), IDS_CLI_UNKNOWN_FLAG, {L"hide"}},
        {{L"create", L"--name=", L"--folder", L"C:\\", L"--places", L"desktop"},
         IDS_CLI_EMPTY_VALUE,
         {L"--name"}},
        {{L"comment", kId, L"--text="}, IDS_CLI_EMPTY_VALUE, {L"--text"}},
        {{L"icon", kId, L"--location="}, IDS_CLI_EMPTY_VALUE, {L"--location"}},
        {{L"create", L"--name", std::wstring(kMaxCreateName + 1, L'n'), L"--folder", L"C:\\", L"--places",
          L"desktop"},
         IDS_CLI_TOO_LONG,
         {L"--name", L"289"}},
        {{L"create", L"--name", emojiName, L"--folder", L"C:\\", L"--places", L"desktop"},
         IDS_CLI_TOO_LONG,
         {L"--name", L"289"}},
        {{L"rename", kId, L"--name", std::wstring(kMaxName + 1, L'n')},
         IDS_CLI_TOO_LONG,
         {L"--name", L"999"}},
        {Create({L"--places", L"desktop", L"--comment", std::wstring(kMaxComment + 1, L'c')}),
         IDS_CLI_TOO_LONG,
         {L"--comment", L"499"}},
        {{L"comment", kId, L"--text", std::wstring(kMaxComment + 1, L'c')},
         IDS_CLI_TOO_LONG,
         {L"--text", L"499"}},
        {{L"icon", kId, L"--location", std::wstring(kMaxIconLocation + 1, L'i')},
         IDS_CLI_TOO_LONG,
         {L"--location", L"259"}},
        {{L"create", L"--name", L"N", L"--program", std::wstring(kMaxTarget + 1, L'p'), L"--places",
          L"desktop"},
         IDS_CLI_TOO_LONG,
         {L"--program", L"999"}},
    };
    for (const Faulty& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(nothing)")
                                    : Narrow(c.args[0]) + " ... " + Narrow(c.args.back()));
        const ParseResult parsed = ParseArguments(c.args);
        ASSERT_FALSE(parsed.request) << Summary(*parsed.request);
        EXPECT_EQ(parsed.error.messageId, c.messageId);
        EXPECT_EQ(parsed.error.args, c.messageArgs);
    }
}

TEST(Arguments, PlaceNamesFollowThePlaceIndexes) {
    const char* expected[] = {"desktop-user", "controlpanel-user", "mycomputer-user", "network-user",
                              "desktop-all",  "controlpanel-all",  "mycomputer-all",  "network-all"};
    for (int index = 0; index < 8; ++index) {
        EXPECT_EQ(Narrow(PlaceName(index)), expected[index]);
        const ParseResult parsed = ParseArguments({L"hide", kId + L"@" + PlaceName(index)});
        ASSERT_TRUE(parsed.request);
        EXPECT_EQ(parsed.request->object.placeIndex, index);
    }
    EXPECT_EQ(PlaceName(8), L"");
}

} // namespace
} // namespace vs::cli

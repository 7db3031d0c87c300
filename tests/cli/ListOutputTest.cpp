// The three forms of `list` and the UTF-8 that files and pipes get, for the texts a
// registry can hold: separators, quotes, line breaks, control characters, letters beyond
// ASCII and beyond the BMP, and surrogates without their partner.

#include "cli/Commands.h"
#include "cli/ListOutput.h"

#include <gtest/gtest.h>

namespace vs::cli {
namespace {

// One UTF-16 unit, whatever the width of wchar_t: lets a test hold a lone surrogate.
std::wstring Unit(std::uint32_t value) {
    return std::wstring(1, static_cast<wchar_t>(value));
}
// A character beyond the BMP as the platform's wchar_t holds it.
std::wstring Astral() {
    return sizeof(wchar_t) == 2 ? Unit(0xD83D) + Unit(0xDE00) : Unit(0x1F600);
}

const std::vector<ListRow> kRows = {
    {L"Plain", L"Desktop (this user)", L"C:\\", L"", false, L"desktop-user", L"{a}"},
    {L"a,\"b\"\r\nc", L"My Computer (all users)", L"t\tx\x01", L"caf\u00e9 \u65e5", true, L"mycomputer-all",
     L"{b}", true, false},
};

TEST(ListOutput, CsvHasAHeaderAndQuotesOnlyFieldsThatNeedIt) {
    EXPECT_EQ(FormatCsv(kRows),
              L"Name,Location,Target,Description,Hidden,Place,Class,NavigationPane,DesktopIcon\r\n"
              L"Plain,Desktop (this user),C:\\,,false,desktop-user,{a},false,true\r\n"
              L"\"a,\"\"b\"\"\r\nc\",My Computer (all users),t\tx\x01,caf\u00e9 \u65e5,true,"
              L"mycomputer-all,{b},true,false\r\n");
    EXPECT_EQ(FormatCsv({}),
              L"Name,Location,Target,Description,Hidden,Place,Class,NavigationPane,DesktopIcon\r\n");
}

TEST(ListOutput, JsonEscapesQuotesBackslashesAndControlCharacters) {
    EXPECT_EQ(FormatJson(kRows),
              L"[\r\n"
              L"  {\"Name\": \"Plain\", \"Location\": \"Desktop (this user)\", \"Target\": \"C:\\\\\", "
              L"\"Description\": \"\", \"Hidden\": false, \"Place\": \"desktop-user\", \"Class\": \"{a}\", "
              L"\"NavigationPane\": false, \"DesktopIcon\": true},\r\n"
              L"  {\"Name\": \"a,\\\"b\\\"\\r\\nc\", \"Location\": \"My Computer (all users)\", "
              L"\"Target\": \"t\\tx\\u0001\", \"Description\": \"caf\u00e9 \u65e5\", \"Hidden\": true, "
              L"\"Place\": \"mycomputer-all\", \"Class\": \"{b}\", \"NavigationPane\": true, "
              L"\"DesktopIcon\": false}\r\n"
              L"]\r\n");
    EXPECT_EQ(FormatJson({}), L"[]\r\n");
}

TEST(ListOutput, TableAlignsColumnsByCharactersAndShowsControlCharactersAsQuestionMarks) {
    const TableWords words{{L"N", L"Location", L"T", L"D", L"H", L"P", L"C", L"NP", L"DI"}, L"yes", L"no"};
    std::vector<ListRow> rows = kRows;
    rows[0].name = Astral() + L"x"; // two characters, whatever the units
    EXPECT_EQ(FormatTable(rows, words),
              L"N         Location                 T     D       H    P               C    NP   DI\r\n" +
                  Astral() +
                  L"x        Desktop (this user)      C:\\           no   desktop-user    {a}  no   yes\r\n"
                  L"a,\"b\"??c  My Computer (all users)  t?x?  caf\u00e9 \u65e5  yes  mycomputer-all  {b}  "
                  L"yes  no\r\n");
}

TEST(ListOutput, Utf8EncodesEveryPlaneAndReplacesLoneSurrogates) {
    EXPECT_EQ(ToUtf8(L"a\u00e9\u20ac" + Astral()), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(ToUtf8(Unit(0xD800) + L"x" + Unit(0xDC00)), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8(Unit(0xDE00) + Unit(0xD83D)), "\xEF\xBF\xBD\xEF\xBF\xBD") << "a pair in the wrong order";
    std::vector<ListRow> rows = {{Unit(0xD800), L"", L"", L"", false, L"", L""}};
    EXPECT_EQ(ToUtf8(FormatTable(rows, TableWords{})).substr(0, 5), "\r\n\xEF\xBF\xBD");
}

TEST(ListOutput, MessagesFillTheirPlaceholdersOnce) {
    EXPECT_EQ(FormatText(L"Could not hide \"%1\" in %2%3", {L"100% %2", L"Desktop", L"."}),
              L"Could not hide \"100% %2\" in Desktop.");
    EXPECT_EQ(FormatText(L"%1-%9%", {L"a"}), L"a-%");
}

} // namespace
} // namespace vs::cli

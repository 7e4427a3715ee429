// The uninstaller's trust in its log: a log text is accepted only when every
// entry stays inside the installation folder (or names a level of it), and
// the path rules behind that hold for double-byte names whose trail byte is
// a backslash.
#include "base/PathHelpers.h"
#include "script/ScriptValueRules.h"
#include "uninst/UninstallPlan.h"

#include <gtest/gtest.h>

namespace {

const char kFolder[] = "C:\\Docs\\Guide\\";
// "表" is 0x95 0x5C: its trail byte is the code of a backslash.
const std::string kTable = "\x95\x5C";

struct LogCase {
    const char* why;
    std::string text;
    bool safe;
};

TEST(UninstallLogCheck, AcceptsOnlyLogsThatStayInside)
{
    const std::string good = "<f>:C:\\Docs? <f>:c:\\docs\\GUIDE? index.htm? <d>:img? img\\a.gif? uninst.exe? ";
    const LogCase cases[] = {
        {"worked example", good, true},
        {"double-byte names ending in 0x5C", "<d>:" + kTable + "? " + kTable + "\\" + kTable + ".htm? ", true},
        {"no created level at all", "index.htm? ", true},
        {"empty", "", false},
        {"cut short after an entry", good + "img\\b.g", false},
        {"zero byte inside", std::string("index.htm\0x? ", 13), false},
        {"file above the folder", "..\\..\\victim.txt? ", false},
        {"folder above the folder", "<d>:img\\..\\..? ", false},
        {"dots and blanks read as the level above", "... \\x.txt? ", false},
        {"forward slashes", "img/../../x.txt? ", false},
        {"another drive", "D:\\Windows\\x.dll? ", false},
        {"absolute folder entry", "<d>:C:\\Windows? ", false},
        {"network path", "\\\\server\\share\\x? ", false},
        {"leading backslash", "\\Windows\\x? ", false},
        {"empty level", "img\\\\a.gif? ", false},
        {"stream name", "index.htm:hidden? ", false},
        {"wildcard", "*.htm? ", false},
        {"created level on another drive", "<f>:D:\\Docs? index.htm? ", false},
        {"created level that is no ancestor", "<f>:C:\\Other? index.htm? ", false},
        {"created level that only starts alike", "<f>:C:\\Doc? index.htm? ", false},
        {"created level below the folder", "<f>:C:\\Docs\\Guide\\img? index.htm? ", false},
        {"drive root as a created level", "<f>:C:\\? index.htm? ", false},
        {"created level with an upward level", "<f>:C:\\Docs\\..\\Docs? index.htm? ", false},
        {"created level after a copied item", "index.htm? <f>:C:\\Docs? ", false},
        // Found by fuzzing: a device name is the device in any folder, and a
        // lead byte before a byte that is no trail byte may be read alone.
        {"device name", "CON? ", false},
        {"device name with an extension, any case", "img\\Nul.txt? ", false},
        {"device name before blanks and a dot", "<d>:com1 .x? ", false},
        {"lead byte before a slash", "\x81/..\\x.txt? ", false},
        {"lead byte before a dot", "a\\\x81..? ", false},
        {"names that only start like devices", "console.htm? nul1? com10? " + kTable + "con? ", true},
    };
    for (const LogCase& c : cases)
        EXPECT_EQ(IsSafeLogText(CString(c.text.data(), static_cast<int>(c.text.size())), kFolder), c.safe) << c.why;
}

TEST(UninstallLogCheck, LevelsCompareByWholeCharactersWithoutRegardToCase)
{
    // The same bytes as "表" but split differently would match byte for byte.
    EXPECT_TRUE(PathHelpers::IsLevelOf(("C:\\" + kTable).c_str(), ("c:\\" + kTable + "\\Guide").c_str()));
    EXPECT_FALSE(PathHelpers::IsLevelOf("C:\\\x95", ("C:\\" + kTable + "\\Guide").c_str()));
    EXPECT_TRUE(PathHelpers::IsInside(("C:\\" + kTable + "\\a.htm").c_str(), ("C:\\" + kTable).c_str()));
    EXPECT_FALSE(PathHelpers::IsInside("C:\\Docs", "C:\\Docs\\"));
    EXPECT_FALSE(PathHelpers::IsInside("C:\\Docs2\\a", "C:\\Docs"));
}

TEST(UninstallLogCheck, RegistryNamesMayBeDeviceNames)
{
    // A key named "Aux" is an ordinary key; a file named so is the device.
    for (const char* name : {"Aux", "CON", "nul.txt"}) {
        EXPECT_TRUE(ScriptValueRules::IsOneKeyLevel(name)) << name;
        EXPECT_FALSE(PathHelpers::StaysInside(name)) << name;
    }
    for (const char* name : {"A\\B", "..", "A/B", "", "\x81/"})
        EXPECT_FALSE(ScriptValueRules::IsOneKeyLevel(name)) << name;
}

} // namespace

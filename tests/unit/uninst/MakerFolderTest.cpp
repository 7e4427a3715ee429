// The folders the clean-up copy tries after the uninstaller: the created
// levels and, for a package where its script puts it, the levels of
// "APPPATH_BASE" below the program-files folder; never that folder or above.
#include "script/ScriptKeys.h"
#include "uninst/MakerFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct LevelsCase {
    const char* why;
    std::string base;          // APPPATH_BASE
    std::string installFolder; // where the uninstaller lies
    std::vector<std::string> created;
    std::vector<std::string> expected; // innermost first
};

TEST(MakerFolder, LevelsOfTheScriptsBaseAndTheCreatedOnesGoInnermostFirst)
{
    const std::string pf = "C:\\Program Files";
    const std::string maker = pf + "\\" + "\x90\xAF\x8C\xA9" + "\x83\x5C\x83\x74\x83\x67"; // 星見ソフト
    const LevelsCase cases[] = {
        {"second package of a maker: the maker's folder too", maker.substr(pf.size() + 1) + "\\B", maker + "\\B\\",
         {maker + "\\B"}, {maker + "\\B", maker}},
        {"first package: the same levels once", maker.substr(pf.size() + 1) + "\\A", maker + "\\A\\",
         {maker, maker + "\\A"}, {maker + "\\A", maker}},
        {"base with backslashes around it, in another case", "\\" + maker.substr(pf.size() + 1) + "\\b\\",
         maker + "\\B\\", {}, {maker + "\\B", maker}},
        {"installed elsewhere: only what the install created", "Maker\\A", "D:\\Docs\\Guide\\",
         {"D:\\Docs", "D:\\Docs\\Guide"}, {"D:\\Docs\\Guide", "D:\\Docs"}},
        {"no base: the program-files folder is the package's folder", "", pf + "\\", {}, {}},
        {"base leading above", "..\\Windows", "C:\\Windows\\", {}, {}},
        {"a log naming the program-files folder or above", "Maker", pf + "\\Maker\\",
         {"C:\\Program Files", pf + "\\Maker"}, {pf + "\\Maker"}},
    };
    for (const LevelsCase& c : cases) {
        UninstallPlan plan;
        plan.Script[0] = {SEC_INSTALL, KEY_APPPATH_BASE, c.base.c_str()};
        plan.ScriptCount = 1;
        plan.InstallFolder = c.installFolder.c_str();
        for (const std::string& level : c.created)
            plan.CreatedLevels.push_back(level.c_str());
        std::vector<std::string> got;
        for (const CString& folder : FoldersRemovedWhenEmpty(plan, (pf + "\\").c_str()))
            got.push_back(folder.str());
        EXPECT_EQ(c.expected, got) << c.why;
    }
}

} // namespace

// The winget installer manifest that tarvelchk makes from a package's script,
// field by field (no copy of winget's JSON schema is to be had offline, so
// the values that schema restricts are checked against its rules here), and
// the dotted version that the checker asks DISPLAY_VERSION to be.
#include "SamplePackage.h"
#include "Text.h"

#include "chk/ScriptCheckParts.h"
#include "chk/ScriptModel.h"
#include "chk/WingetManifest.h"

#include <map>
#include <regex>
#include <string>

namespace chk_test {
namespace {

// The manifest's lines by their path of keys ("InstallerSwitches.Silent",
// "ExpectedReturnCodes[1].ReturnResponse"), for the block style it is
// written in: top-level keys, their maps and lists two blanks in, a list
// item's further keys four blanks in.
std::map<std::string, std::string> Fields(const std::vector<CString>& lines)
{
    std::map<std::string, std::string> fields;
    std::map<std::string, int> counts;
    std::string top, item;
    for (const CString& text : lines) {
        const std::string line = static_cast<const char*>(text);
        if (line.empty() || line[0] == '#')
            continue;
        const size_t indent = line.find_first_not_of(' ');
        std::string rest = line.substr(indent);
        std::string parent = indent == 0 ? "" : indent == 2 ? top + "." : item + ".";
        if (indent == 2 && rest.rfind("- ", 0) == 0) {
            item = top + "[" + std::to_string(counts[top]++) + "]";
            rest = rest.substr(2);
            parent = item + ".";
            if (rest.find(": ") == std::string::npos) {
                fields[item] = rest;
                continue;
            }
        }
        const size_t colon = rest.find(':');
        const std::string key = parent + rest.substr(0, colon);
        if (colon + 1 == rest.size())
            top = key;
        else
            fields[key] = rest.substr(colon + 2);
    }
    return fields;
}

class WingetManifest : public SamplePackage
{
protected:
    bool Make(std::vector<CString>& lines, CString& why)
    {
        WriteScript();
        Chk::CScriptModel model;
        model.Read(FileTree::ReadBytes(Path("setup\\tarvel.eif")));
        return Chk::MakeWingetManifest(model, lines, why);
    }
};

TEST_F(WingetManifest, TheSamplesManifestHasEveryFieldWingetReads)
{
    std::vector<CString> lines;
    CString why;
    ASSERT_TRUE(Make(lines, why)) << why;
    std::map<std::string, std::string> fields = Fields(lines);
    const std::map<std::string, std::string> expected = {
        {"PackageIdentifier", "'Zerdane.ZerdaneSampleGuide'"},
        {"PackageVersion", "'1.0'"},
        {"InstallerType", "exe"},
        {"Scope", "machine"},
        {"InstallModes[0]", "interactive"},
        {"InstallModes[1]", "silent"},
        {"InstallModes[2]", "silentWithProgress"},
        {"InstallerSwitches.Silent", "/PSM /SUPPRESSMSGBOXES"},
        {"InstallerSwitches.SilentWithProgress", "/WD"},
        {"InstallerSwitches.Log", "'/LOG=\"<LOGPATH>\"'"},
        {"ExpectedReturnCodes[0].InstallerReturnCode", "1"},
        {"ExpectedReturnCodes[0].ReturnResponse", "installInProgress"},
        {"ExpectedReturnCodes[1].InstallerReturnCode", "2"},
        {"ExpectedReturnCodes[1].ReturnResponse", "cancelledByUser"},
        {"ExpectedReturnCodes[2].InstallerReturnCode", "5"},
        {"ExpectedReturnCodes[2].ReturnResponse", "cancelledByUser"},
        {"UpgradeBehavior", "install"},
        {"ElevationRequirement", "elevatesSelf"},
        {"ProductCode", "'Zerdane Sample Guide'"},
        // The script's text stays in its code page here; printed, it is UTF-8.
        {"AppsAndFeaturesEntries[0].DisplayName", "'" + dlg::AnsiFromUtf8("サンプルガイド", 932) + "'"},
        {"AppsAndFeaturesEntries[0].Publisher", "'Zerdane'"},
        {"AppsAndFeaturesEntries[0].DisplayVersion", "'1.0'"},
        {"AppsAndFeaturesEntries[0].ProductCode", "'Zerdane Sample Guide'"},
        {"AppsAndFeaturesEntries[0].InstallerType", "exe"},
        {"Installers[0].Architecture", "x86"},
        {"Installers[0].InstallerUrl", "https://<the download of the package>"},
        {"Installers[0].InstallerSha256", "<SHA-256 of that file, in hex>"},
        {"ManifestType", "installer"},
        {"ManifestVersion", "1.6.0"},
    };
    for (const auto& field : expected) {
        EXPECT_EQ(field.second, fields[field.first]) << field.first;
        fields.erase(field.first);
    }
    for (const auto& extra : fields)
        ADD_FAILURE() << "unexpected field " << extra.first << ": " << extra.second;

    // What winget's schema allows for the identifier (two to eight parts of at
    // most 32 characters, no dot, blank or path character in a part).
    const std::regex identifier(R"(^'[^.\s\\/:*?"<>|]{1,32}(\.[^.\s\\/:*?"<>|]{1,32}){1,7}'$)");
    EXPECT_TRUE(std::regex_match(expected.at("PackageIdentifier"), identifier));
}

TEST_F(WingetManifest, TextsAreQuotedAndTheIdentifierKeepsWhatWingetAllows)
{
    Replace("PUBLISHER=Zerdane", "PUBLISHER=O'Brien & Co.: Books");
    Replace("UNINSTALL_KEY=Zerdane Sample Guide", "UNINSTALL_KEY=Guide: a/b #1 " + std::string(40, 'x'));
    std::vector<CString> lines;
    CString why;
    ASSERT_TRUE(Make(lines, why)) << why;
    std::map<std::string, std::string> fields = Fields(lines);
    EXPECT_EQ("'O''Brien & Co.: Books'", fields["AppsAndFeaturesEntries[0].Publisher"]);
    EXPECT_EQ("'Guide: a/b #1 " + std::string(40, 'x') + "'", fields["ProductCode"]);
    // Dots, blanks, colons and slashes dropped, each part cut at 32 characters.
    EXPECT_EQ("'O''Brien&CoBooks.Guideab#1" + std::string(23, 'x') + "'", fields["PackageIdentifier"]);
}

TEST_F(WingetManifest, NoManifestWithoutTheValuesWingetMatchesBy)
{
    const struct {
        const char* from;
        const char* key;
    } cases[] = {
        {"DISPLAY_VERSION=1.0\n", "DISPLAY_VERSION"},
        {"UNINSTALL_KEY=Zerdane Sample Guide\n", "UNINSTALL_KEY"},
        {"UNINSTALL_NAME=サンプルガイド\n", "UNINSTALL_NAME"},
    };
    const std::string sample = script;
    for (const auto& c : cases) {
        script = sample;
        Replace(c.from, "");
        std::vector<CString> lines;
        CString why;
        EXPECT_FALSE(Make(lines, why)) << c.key;
        EXPECT_EQ(0, why.Find(c.key)) << why;
    }
}

TEST(DisplayVersion, IsOneToFourDottedNumbersOfAWord)
{
    const struct {
        const char* text;
        bool dotted;
    } cases[] = {
        {"1", true}, {"1.0", true}, {"2.10.3", true}, {"1.0.3.12", true}, {"65535.0.0.65535", true},
        {"007.1", true}, {"", false}, {"1.0.0.0.0", false}, {"1.", false}, {".1", false}, {"1..2", false},
        {"65536", false}, {"1.0 beta", false}, {"v1.0", false}, {"1,0", false}, {"1.-1", false},
        {"9999999", false}, {" 1.0", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.dotted, Chk::IsDottedVersion(c.text)) << "\"" << c.text << "\"";
}

} // namespace
} // namespace chk_test

// What the three built programs carry for Windows to read before they run:
// the manifest that asks for their rights, code page and look, the version
// resource the UAC prompt and the file's properties show, and imports that
// only ever come from System32. Wine enforces none of it, so the files are read.
#include <gtest/gtest.h>

#include "PeImage.h"
#include "TestPaths.h"
#include "Text.h"
#include "base/Version.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

struct Program
{
    const char* UnixPath;
    const char* FileName;
    const char* Level;
    bool HasWindows;
};

const Program kPrograms[] = {
    {TARVEL_EXE_UNIX_PATH, "tarvel.exe", "requireAdministrator", true},
    {UNINST_EXE_UNIX_PATH, "uninst.exe", "requireAdministrator", true},
    {TARVELCHK_EXE_UNIX_PATH, "tarvelchk.exe", "asInvoker", false},
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(tolower(c)); });
    return text;
}

// The manifest without its comments: an element commented out does not count.
std::string Manifest(const PeImage& image)
{
    std::string xml = image.Resource(24, 1);
    for (size_t at; (at = xml.find("<!--")) != std::string::npos;)
        xml.erase(at, xml.find("-->", at) + 3 - at);
    return xml;
}

// Each start tag of that name, from '<' to '>'.
std::vector<std::string> StartTags(const std::string& xml, const std::string& name)
{
    std::vector<std::string> tags;
    const std::string open = "<" + name;
    for (size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1))
        if (strchr(" \t\r\n/>", xml[at + open.size()]))
            tags.push_back(xml.substr(at, xml.find('>', at) + 1 - at));
    return tags;
}

std::string Attribute(const std::string& tag, const std::string& name)
{
    const size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos)
        return "<none>";
    const size_t value = at + name.size() + 3;
    return tag.substr(value, tag.find('"', value) - value);
}

// The text of the one element of that name, and the namespace it is in.
std::string Text(const std::string& xml, const std::string& name, std::string* ns)
{
    ns->clear();
    const std::vector<std::string> tags = StartTags(xml, name);
    if (tags.size() != 1)
        return "<" + std::to_string(tags.size()) + " elements>";
    *ns = Attribute(tags[0], "xmlns");
    const size_t from = xml.find(tags[0]) + tags[0].size();
    return xml.substr(from, xml.find("</" + name + ">", from) - from);
}

// Every element closed, in order. Windows does not start a program whose
// manifest is not well-formed; this catches the typing slips that do that.
bool WellFormed(const std::string& xml)
{
    std::vector<std::string> open;
    for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
        const size_t end = xml.find('>', at);
        if (end == std::string::npos)
            return false;
        const std::string tag = xml.substr(at + 1, end - at - 1);
        if (tag.empty())
            return false;
        const std::string name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
        if (tag[0] == '?')
            continue;
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1))
                return false;
            open.pop_back();
        } else if (tag.back() != '/') {
            open.push_back(name);
        }
    }
    return open.empty() && !xml.empty();
}

class BuiltProgramsTest : public ::testing::Test
{
protected:
    // Each program read once: they are a few megabytes each.
    static void SetUpTestSuite()
    {
        for (const Program& program : kPrograms)
            EXPECT_TRUE(Images().emplace_back().Load(dlg::WindowsPathFromUnix(program.UnixPath)))
                << program.UnixPath;
    }
    static void TearDownTestSuite() { Images().clear(); }
    static std::vector<PeImage>& Images()
    {
        static std::vector<PeImage> images;
        return images;
    }
    static VersionResource Version(size_t i)
    {
        VersionResource version;
        EXPECT_TRUE(version.Parse(Images()[i].Resource(16, 1))) << "no readable version resource";
        return version;
    }
};

} // namespace

TEST_F(BuiltProgramsTest, ManifestAsksForTheRightsEachProgramNeeds)
{
    for (size_t i = 0; i < std::size(kPrograms); ++i) {
        SCOPED_TRACE(kPrograms[i].FileName);
        const std::string xml = Manifest(Images()[i]);
        EXPECT_TRUE(WellFormed(xml)) << xml;
        const std::vector<std::string> levels = StartTags(xml, "requestedExecutionLevel");
        ASSERT_EQ(levels.size(), 1u) << xml;
        EXPECT_EQ(Attribute(levels[0], "level"), kPrograms[i].Level);
        EXPECT_EQ(Attribute(levels[0], "uiAccess"), "false");
    }
}

TEST_F(BuiltProgramsTest, ManifestDeclaresTheSystemsTheCodePageAndDpiAwareness)
{
    const std::set<std::string> windows7To11 = {
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    for (size_t i = 0; i < std::size(kPrograms); ++i) {
        SCOPED_TRACE(kPrograms[i].FileName);
        const std::string xml = Manifest(Images()[i]);
        std::set<std::string> systems;
        for (const std::string& tag : StartTags(xml, "supportedOS"))
            systems.insert(Lower(Attribute(tag, "Id")));
        EXPECT_EQ(systems, windows7To11);

        std::string ns;
        EXPECT_EQ(Text(xml, "activeCodePage", &ns), "ja-JP");
        EXPECT_EQ(ns, "http://schemas.microsoft.com/SMI/2019/WindowsSettings");
        EXPECT_EQ(Text(xml, "dpiAware", &ns), "true");
        EXPECT_EQ(ns, "http://schemas.microsoft.com/SMI/2005/WindowsSettings");
    }
}

TEST_F(BuiltProgramsTest, OnlyTheProgramsWithWindowsDependOnCommonControls6)
{
    for (size_t i = 0; i < std::size(kPrograms); ++i) {
        SCOPED_TRACE(kPrograms[i].FileName);
        const std::string xml = Manifest(Images()[i]);
        std::string dependency;
        if (const size_t from = xml.find("<dependency>"); from != std::string::npos)
            dependency = xml.substr(from, xml.find("</dependency>", from) - from);
        std::vector<std::string> controls;
        for (const std::string& tag : StartTags(dependency, "assemblyIdentity"))
            if (Attribute(tag, "name") == "Microsoft.Windows.Common-Controls")
                controls.push_back(tag);
        if (!kPrograms[i].HasWindows) {
            EXPECT_TRUE(controls.empty()) << "a console program needs no common controls";
            continue;
        }
        ASSERT_EQ(controls.size(), 1u) << xml;
        EXPECT_EQ(Attribute(controls[0], "type"), "win32");
        EXPECT_EQ(Attribute(controls[0], "version"), "6.0.0.0");
        EXPECT_EQ(Attribute(controls[0], "publicKeyToken"), "6595b64144ccf1df");
        EXPECT_EQ(Attribute(controls[0], "language"), "*");
        const std::string architecture = Attribute(controls[0], "processorArchitecture");
        EXPECT_TRUE(architecture == "*" || architecture == "x86") << architecture;
    }
}

TEST_F(BuiltProgramsTest, VersionResourceSaysWhatEachProgramIsInJapaneseAndEnglish)
{
    const char* keys[] = {"CompanyName",      "FileDescription", "FileVersion", "InternalName",
                          "LegalCopyright",   "OriginalFilename", "ProductName", "ProductVersion"};
    std::set<std::string> descriptions;
    for (size_t i = 0; i < std::size(kPrograms); ++i) {
        SCOPED_TRACE(kPrograms[i].FileName);
        const VersionResource version = Version(i);
        for (const char* block : {"041104B0", "040904B0"}) {
            for (const char* key : keys)
                EXPECT_NE(version.Value(block, key), "") << block << " lacks " << key;
            descriptions.insert(version.Value(block, "FileDescription"));
            EXPECT_EQ(version.Value(block, "OriginalFilename"), kPrograms[i].FileName);
        }
        const DWORD ms = version.Fixed.dwFileVersionMS, ls = version.Fixed.dwFileVersionLS;
        const std::string numbers = std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." +
                                    std::to_string(HIWORD(ls)) + "." + std::to_string(LOWORD(ls));
        EXPECT_EQ(version.Value("041104B0", "FileVersion"), numbers);
        EXPECT_EQ(version.Value("040904B0", "FileVersion"), numbers);
        EXPECT_EQ(version.Translations, (std::vector<WORD>{0x0411, 1200, 0x0409, 1200}));
    }
    // Six blocks, six texts: no program says it is another one.
    EXPECT_EQ(descriptions.size(), 2 * std::size(kPrograms));
}

TEST_F(BuiltProgramsTest, AllThreeCarryTheVersionTheAboutBoxAndTheLogsShow)
{
    for (size_t i = 0; i < std::size(kPrograms); ++i) {
        SCOPED_TRACE(kPrograms[i].FileName);
        const VersionResource version = Version(i);
        for (const char* block : {"041104B0", "040904B0"})
            EXPECT_EQ(version.Value(block, "ProductVersion"), TARVEL_VERSION) << block;
        EXPECT_EQ(version.Fixed.dwProductVersionMS, DWORD(MAKELONG(TARVEL_VERSION_MINOR, TARVEL_VERSION_MAJOR)));
        EXPECT_EQ(version.Fixed.dwProductVersionLS, DWORD(MAKELONG(TARVEL_VERSION_BUILD, TARVEL_VERSION_PATCH)));
    }
}

// A library that is no KnownDLL is searched for in the program's folder
// first, and installers are started from Downloads: a file planted there
// would run inside the elevated installer.
TEST_F(BuiltProgramsTest, ProgramsImportOnlyLibrariesWindowsTakesFromSystem32)
{
    const std::set<std::string> knownDlls = {
        "advapi32.dll", "comdlg32.dll", "gdi32.dll",   "imagehlp.dll", "imm32.dll",    "kernel32.dll",
        "msctf.dll",    "msvcrt.dll",   "normaliz.dll", "nsi.dll",     "ntdll.dll",    "ole32.dll",
        "oleaut32.dll", "psapi.dll",    "rpcrt4.dll",  "sechost.dll",  "setupapi.dll", "shell32.dll",
        "shlwapi.dll",  "user32.dll",   "wldap32.dll", "ws2_32.dll"};
    for (size_t i = 0; i < std::size(kPrograms); ++i) {
        SCOPED_TRACE(kPrograms[i].FileName);
        const std::vector<std::string> imports = Images()[i].ImportedLibraries();
        EXPECT_FALSE(imports.empty()) << "no import table read";
        std::string planted;
        for (const std::string& library : imports)
            if (!knownDlls.count(Lower(library)))
                planted += " " + library;
        EXPECT_EQ(planted, "") << "libraries a file beside the program would replace";
    }
}

// The checker's findings about the package's files, one package per finding:
// every file and folder the script names, looked for as the installer looks,
// and where the install puts them.
#include "SamplePackage.h"

#include <string>

namespace chk_test {
namespace {

const FindingCase kCases[] = {
    {"DestinationPathTooLong", Edit(Swap("APPPATH_BASE=Zerdane", "APPPATH_BASE=" + std::string(230, 'z'))),
     "error", "path-too-long", "APPPATH_BASE", {}},
    {"UninstallerMissing", Edit(Swap("UNINSTALL_FILE=uninst.exe", "UNINSTALL_FILE=remove.exe")), "error",
     "missing-file", "UNINSTALL_FILE", {}},
    {"IconMissing", Edit(Swap("ICON_NAME=guide.ico", "ICON_NAME=other.ico")), "error", "missing-file", "ICON_NAME",
     {}},
    {"WritableFileMissing", Edit(Swap("WRITE_FILE1=GUIDE\\memo.txt", "WRITE_FILE1=GUIDE\\Memo2.txt")), "error",
     "missing-file", "WRITE_FILE1", {}},
    {"DataFolderMissing", Edit(Swap("DATA_PATH=GUIDE", "DATA_PATH=GUIDE\nDATA_PATH2=EXTRA")), "error",
     "missing-folder", "DATA_PATH2", {}},
    {"IconNotAnIcon", Edit([](SamplePackage& p) { p.Write("setup\\guide.ico", "not an icon"); }),
     "warning", "icon-format", "ICON_NAME", {}},
    {"IconWithoutASmallImage", Edit([](SamplePackage& p) {
         std::string icon = FileTree::ReadBytes(p.Path("setup\\guide.ico"));
         icon[4] = 1; // only the first image, 32x32, is listed
         p.Write("setup\\guide.ico", icon);
     }), "warning", "icon-sizes", "ICON_NAME", {}},
    {"BannerMissing", Edit(Swap("BACKGROUND_FILE=banner.bmp", "BACKGROUND_FILE=top.bmp")), "warning",
     "banner-missing", "BACKGROUND_FILE", {}},
    {"BannerNotABitmap", Edit([](SamplePackage& p) {
         p.Write("setup\\banner.bmp", "\x89PNG\r\n\x1a\n not a bitmap");
     }), "warning", "banner-format", "BACKGROUND_FILE", {}},
    {"BannerTooLarge", Edit([](SamplePackage& p) {
         std::string banner = FileTree::ReadBytes(p.Path("setup\\banner.bmp"));
         banner[18] = static_cast<char>(0xE8); // width 1000 in the header; the pixels do not matter here
         banner[19] = 0x03;
         p.Write("setup\\banner.bmp", banner);
     }), "warning", "banner-size", "BACKGROUND_FILE", {}},
    {"WritableFileNotInstalled", Edit(Swap("WRITE_FILE1=GUIDE\\memo.txt", "WRITE_FILE1=GUIDE\\memo.txt\nWRITE_FILE2=setup\\banner.bmp")),
     "warning", "writable-not-installed", "WRITE_FILE2", {}},
    {"TwoDataFoldersOneName", Edit([](SamplePackage& p) {
         p.Replace("DATA_PATH=GUIDE", "DATA_PATH=GUIDE\nDATA_PATH2=EXTRA");
         p.Write("EXTRA\\index.htm", "<html>other</html>");
     }), "warning", "same-destination", "DATA_PATH2", {}},
    {"ShortcutTargetNotInstalled", Edit(Swap("PRODUCT_KEY_FILE1=index.htm", "PRODUCT_KEY_FILE1=start.htm")),
     "error", "key-file-not-installed", "PRODUCT_KEY_FILE1", {}},
    {"SharedLibraryMissing", Edit([](SamplePackage& p) {
         p.MakeShared();
         p.Replace("REG_LIBFILE1=COMMON\\tvshared.dll", "REG_LIBFILE1=COMMON\\tvshared.dll\nREG_LIBFILE2=COMMON\\gone.dll");
     }), "error", "missing-file", "REG_LIBFILE2", {}},
    {"SharedFolderMissing", Edit([](SamplePackage& p) {
         p.MakeShared();
         p.Replace("COMMON_PATH=COMMON", "COMMON_PATH=SHARED");
     }), "error", "missing-folder", "COMMON_PATH", {}},
    {"SharedLibraryOutsideTheSharedFolder", Edit([](SamplePackage& p) {
         p.MakeShared();
         p.Write("LIBS\\tvshared.dll", FileTree::ReadBytes(TESTLIB_V1001));
         p.Replace("REG_LIBFILE1=COMMON\\tvshared.dll", "REG_LIBFILE1=LIBS\\tvshared.dll");
     }), "warning", "library-not-shared", "REG_LIBFILE1", {}},
    {"SharedLibraryNotALibrary", Edit([](SamplePackage& p) {
         p.MakeShared();
         p.Write("COMMON\\tvshared.dll", "text");
     }), "error", "library-format", "REG_LIBFILE1", {}},
    {"SharedLibraryNot32Bit", Edit([](SamplePackage& p) {
         p.MakeShared();
         std::string library = FileTree::ReadBytes(TESTLIB_V1001);
         const size_t pe = static_cast<unsigned char>(library[60]) | (static_cast<unsigned char>(library[61]) << 8);
         library[pe + 4] = 0x64; // machine 0x8664
         library[pe + 5] = static_cast<char>(0x86);
         p.Write("COMMON\\tvshared.dll", library);
     }), "error", "library-format", "REG_LIBFILE1", {}},
    {"SharedLibraryWithoutRegistration", Edit([](SamplePackage& p) { p.MakeShared(TESTLIB_NOREG); }), "error",
     "library-registration", "REG_LIBFILE1", {}},
    {"SharedLibraryWithoutVersion", Edit([](SamplePackage& p) { p.MakeShared(TESTLIB_NOVERSION); }), "error",
     "library-version", "REG_LIBFILE1", {}},
    {"SharedLibraryWithADottedVersionText", Edit([](SamplePackage& p) { p.MakeShared(TESTLIB_DOTTED); }),
     "warning", "library-version-text", "REG_LIBFILE1", {}},
};

class PackageFinding : public SamplePackage, public ::testing::WithParamInterface<FindingCase>
{
};

TEST_P(PackageFinding, GivesExactlyThatFindingAtItsLine)
{
    ExpectExactlyThatFinding(*this, GetParam());
}

INSTANTIATE_TEST_SUITE_P(EachFinding, PackageFinding, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FindingCase>& info) { return info.param.name; });

using DestinationPath = SamplePackage;

// The sample's longest installed names are its script and its uninstaller,
// 10 bytes each; below the widest program-files folder, 23 bytes with its
// backslash, a base of n bytes makes destinations of 23 + n + 1 + 10 bytes.
TEST_F(DestinationPath, Of259BytesPassesAndOf260IsTooLong)
{
    const std::string base = "APPPATH_BASE=Zerdane\\Sample Guide";
    const int line = LineOf(base);

    Replace(base, "APPPATH_BASE=" + std::string(225, 'z'));
    WriteScript();
    CheckRun run = Check();
    EXPECT_EQ(std::set<Reported>(), Faults(run.Reports())) << "259 bytes:\n" << run.Listing();

    Replace("APPPATH_BASE=" + std::string(225, 'z'), "APPPATH_BASE=" + std::string(226, 'z'));
    WriteScript();
    run = Check();
    EXPECT_EQ(std::set<Reported>({{"error", "path-too-long", line}}), Faults(run.Reports()))
        << "260 bytes:\n" << run.Listing();
    EXPECT_NE(std::string::npos, run.Listing().find("the longest destination path is 260 bytes")) << run.Listing();
}

// The warning names what the installer will compare and what was meant.
TEST_F(SamplePackage, DottedVersionTextNamesTheVersionReadAndTheFixedOne)
{
    MakeShared(TESTLIB_DOTTED);
    WriteScript();
    const CheckRun run = Check();
    EXPECT_NE(std::string::npos, run.Listing().find("has the FileVersion text \"1.0.0.3\", which the installer reads "
                                                    "as 1,0,0,0 (its fixed FILEVERSION is 1,0,0,3)"))
        << run.Listing();
}

} // namespace
} // namespace chk_test

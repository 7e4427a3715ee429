// Where the programs take their libraries from: the search narrowed to
// System32, with what older systems allow instead, and the system libraries
// the programs load themselves taken from System32.
#include <gtest/gtest.h>

#include "SeamRecorder.h"
#include "base/SystemLibraries.h"

#include <string>

namespace {

TEST(RestrictSearch, NarrowsTheSearchToSystem32AndDoesNothingElse)
{
    SeamRecorder recorder;
    SystemLibraries::RestrictSearch();
    ASSERT_EQ(recorder.Calls().size(), 1u) << recorder.Listing();
    EXPECT_EQ(recorder.Calls()[0].Entry, "SetDefaultDllDirectories");
    EXPECT_EQ(recorder.Calls()[0].Argument, "0x800") << "LOAD_LIBRARY_SEARCH_SYSTEM32 only";
}

// Windows 7 without its loader update lacks the call; where it refuses, the
// search is as open as there. Either way the current folder goes: an empty
// text, not a null one, which would put it back.
TEST(RestrictSearch, WithoutDefaultDirectoriesTakesTheCurrentFolderOut)
{
    for (bool missing : {true, false}) {
        SeamRecorder recorder;
        if (missing)
            recorder.DefaultDirectoriesMissing();
        else
            recorder.DefaultDirectoriesAnswer(FALSE);
        SystemLibraries::RestrictSearch();
        ASSERT_FALSE(recorder.Calls().empty());
        EXPECT_EQ(recorder.Calls().back().Entry, "SetDllDirectoryA") << recorder.Listing();
        EXPECT_EQ(recorder.Calls().back().Argument, "") << recorder.Listing();
    }
}

TEST(SystemLibrary, ComesFromTheSystemFolder)
{
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, sizeof(system)), 0u);
    HMODULE library = SystemLibraries::Load("version.dll");
    ASSERT_NE(library, nullptr);
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(library, path, sizeof(path)), 0u);
    EXPECT_EQ(lstrcmpiA(path, (std::string(system) + "\\version.dll").c_str()), 0) << path;
    EXPECT_EQ(SystemLibraries::Load("no-such-library.dll"), nullptr);
}

} // namespace

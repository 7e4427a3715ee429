// The checker's entry narrows the library search before it reads anything.
#include "SamplePackage.h"
#include "SeamRecorder.h"

#include "chk/CheckerMain.h"

#include <algorithm>
#include <string>

namespace chk_test {
namespace {

TEST_F(SamplePackage, CheckerNarrowsTheLibrarySearchBeforeReadingThePackage)
{
    WriteScript();
    std::string name = "tarvelchk", quiet = "--quiet", folder = SetupFolder();
    char* argv[] = {&name[0], &quiet[0], &folder[0], nullptr};
    SeamRecorder recorder;
    EXPECT_EQ(Chk::CheckerMain(3, argv), 0);

    const std::vector<SeamCall>& calls = recorder.Calls();
    ASSERT_GE(calls.size(), 2u) << recorder.Listing();
    EXPECT_EQ(calls[0].Entry, "SetDefaultDllDirectories") << recorder.Listing();
    EXPECT_EQ(calls[0].Argument, "0x800");
    // The script was read after it.
    const auto reads = [](const SeamCall& call) { return call.Entry == "ReadFile"; };
    EXPECT_TRUE(std::any_of(calls.begin() + 1, calls.end(), reads)) << recorder.Listing();
}

} // namespace
} // namespace chk_test

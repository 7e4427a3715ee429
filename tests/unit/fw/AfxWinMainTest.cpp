// The entry of the installer and the uninstaller (their WinMain hands straight
// to AfxWinMain): the library search is narrowed before the application
// object does anything, so that nothing it loads comes from the program's
// or the current folder.
#include <gtest/gtest.h>

#include "SeamRecorder.h"
#include "TestSupport.h"
#include "app/TarvelApp.h"

namespace {

// An application whose start is a mark in the record and nothing else.
class ProbeApp : public CWinApp
{
public:
    ProbeApp() : CWinApp("probe") {}
    BOOL InitInstance() override
    {
        SeamRecorder::Current().Add("InitInstance");
        return FALSE;
    }
};

TEST(AfxWinMain, NarrowsTheLibrarySearchBeforeTheApplicationStarts)
{
    SeamRecorder recorder;
    {
        ProbeApp app;
        AfxWinMain(GetModuleHandleA(nullptr), "/PSM");
    }
    ASSERT_EQ(recorder.Calls().size(), 2u) << recorder.Listing();
    EXPECT_EQ(recorder.Calls()[0].Entry, "SetDefaultDllDirectories");
    EXPECT_EQ(recorder.Calls()[0].Argument, "0x800");
    EXPECT_EQ(recorder.Calls()[1].Entry, "InitInstance");
    // The test program's own application is the application again.
    EXPECT_EQ(AfxGetApp(), &TestApp());
}

} // namespace

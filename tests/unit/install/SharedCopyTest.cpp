// The shared copy: installed libraries never replaced by an older or equal
// version yet always queued for registration, other files always copied,
// progress continuing from the main copy, the shared log text, and the undo
// and report of every failure.
#include <gtest/gtest.h>

#include "SharedTestSupport.h"
#include "app/TarvelView.h"
#include "shared/FileVersionInfo.h"

#include <string>
#include <vector>

using namespace shared_test;

namespace {

// Sees every refresh the copy asks for, as the status dialog would.
class ProgressRecorder : public CView
{
public:
    std::vector<int> Positions;
    std::vector<std::string> Items;

    void OnUpdate(CView*, LPARAM, CObject*) override
    {
        CTarvelDoc* doc = static_cast<CTarvelDoc*>(GetDocument());
        Positions.push_back(doc->GetProgress());
    }
    void OnDraw(CDC*) override {}
};

// Copies through the real call, recording what was asked; can fail the
// n-th copy with a given error, or ask for a cancel after the n-th.
struct CopyLog
{
    std::vector<std::string> Destinations;
    int FailAt = -1;
    DWORD FailError = 0;
    int CancelAfter = -1;
    CTarvelView* View = nullptr;
};
CopyLog g_copies;

BOOL WINAPI RecordingCopy(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    int index = static_cast<int>(g_copies.Destinations.size());
    g_copies.Destinations.push_back(to);
    if (index == g_copies.FailAt) {
        SetLastError(g_copies.FailError);
        return FALSE;
    }
    BOOL ok = ::CopyFileA(from, to, failIfExists);
    if (index == g_copies.CancelAfter && g_copies.View)
        g_copies.View->StatusDlg.CancelRequest = 1;
    return ok;
}

BOOL WINAPI FailingCreateDirectory(LPCSTR, LPSECURITY_ATTRIBUTES)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

std::string VersionOf(const std::string& path)
{
    CFileVersionInfo versions;
    return versions.GetFileVersion(path.c_str()).str();
}

// The entries of a log text, without their separators.
std::vector<std::string> Entries(const CString& text)
{
    std::vector<std::string> out;
    std::string rest = text.str();
    for (size_t at; (at = rest.find("? ")) != std::string::npos; rest = rest.substr(at + 2))
        out.push_back(rest.substr(0, at));
    EXPECT_EQ("", rest) << "every entry ends with the separator";
    return out;
}

} // namespace

class SharedCopyTest : public SharedPackage
{
protected:
    void SetUp() override
    {
        SharedPackage::SetUp();
        g_copies = CopyLog();
        Sys().CopyFileA = &RecordingCopy;
        AddLibrary("tvshared.dll");
    }

    // Prepares the shared folder (creating what is missing) and copies.
    int PrepareAndCopy()
    {
        EXPECT_EQ(1, Prepare());
        if (doc.ProgressDivisor <= 1)
            doc.ProgressDivisor = doc.SharedFileCount + 1;
        return CopyShared();
    }

    std::vector<std::string> Registered() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < doc.RegistrationList.GetSize(); ++i)
            out.push_back(doc.RegistrationList[i].str());
        return out;
    }

    bool Copied(const std::string& destination) const
    {
        for (const std::string& d : g_copies.Destinations)
            if (d == destination)
                return true;
        return false;
    }
};

TEST_F(SharedCopyTest, OlderInstalledLibraryIsReplacedAndQueued)
{
    MakeFolder(Root("shared"));
    CopyIn(TESTLIB_V1001, Root("shared\\tvshared.dll"));
    CopyIn(TESTLIB_V1200, Root("common\\tvshared.dll"));

    ASSERT_EQ(1, PrepareAndCopy());
    EXPECT_EQ("1, 2, 0, 0", VersionOf(Root("shared\\tvshared.dll")));
    EXPECT_EQ(std::vector<std::string>{Root("shared\\tvshared.dll")}, Registered());
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(SharedCopyTest, EqualOrNewerInstalledLibraryIsKeptButStillQueued)
{
    MakeFolder(Root("shared"));
    CopyIn(TESTLIB_V1200, Root("common\\tvshared.dll"));

    for (const char* installed : {TESTLIB_V1200, TESTLIB_V2000}) {
        SCOPED_TRACE(installed);
        CopyIn(installed, Root("shared\\tvshared.dll"));
        doc.RegistrationList.RemoveAll();
        g_copies.Destinations.clear();

        ASSERT_EQ(1, PrepareAndCopy());
        EXPECT_FALSE(Copied(Root("shared\\tvshared.dll")));
        EXPECT_EQ(VersionOf(installed), VersionOf(Root("shared\\tvshared.dll")));
        EXPECT_EQ(std::vector<std::string>{Root("shared\\tvshared.dll")}, Registered());
        EXPECT_TRUE(Entries(doc.SharedLogText()).empty()) << "nothing copied, nothing to undo";
    }
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(SharedCopyTest, LibraryNotYetInstalledIsCopiedWithoutVersionCheck)
{
    CopyIn(TESTLIB_NOVERSION, Root("common\\tvshared.dll"));
    ASSERT_EQ(1, PrepareAndCopy());
    EXPECT_TRUE(Exists(Root("shared\\tvshared.dll")));
    EXPECT_EQ(std::vector<std::string>{Root("shared\\tvshared.dll")}, Registered());
}

TEST_F(SharedCopyTest, LibraryWithoutVersionWhereOneIsInstalledStopsAndRollsBack)
{
    MakeFolder(Root("shared"));
    CopyIn(TESTLIB_V1001, Root("shared\\tvshared.dll"));
    CopyIn(TESTLIB_NOVERSION, Root("common\\tvshared.dll"));
    // A counter at 0 that was there before the run is not the run's to
    // remove: the undo leaves it as it found it.
    WriteDword(CounterKey("tvshared.dll"), "SRCHCOUNTER", 0);

    EXPECT_EQ(0, PrepareAndCopy());
    ExpectOneBox(TEXT_OCCURRED);
    EXPECT_EQ("1, 0, 0, 1", VersionOf(Root("shared\\tvshared.dll"))) << "the installed library is untouched";
    EXPECT_TRUE(Registered().empty());
    EXPECT_EQ(0, ReadDword(CounterKey("tvshared.dll"), "SRCHCOUNTER"));
}

TEST_F(SharedCopyTest, InstalledWithoutVersionStopsTooWhileOtherCountersStay)
{
    MakeFolder(Root("shared"));
    CopyIn(TESTLIB_NOVERSION, Root("shared\\tvshared.dll"));
    CopyIn(TESTLIB_V2000, Root("common\\tvshared.dll"));
    WriteDword(CounterKey("other.dll"), "SRCHCOUNTER", 2);

    EXPECT_EQ(0, PrepareAndCopy());
    ExpectOneBox(TEXT_OCCURRED);
    EXPECT_EQ("", VersionOf(Root("shared\\tvshared.dll")));
    EXPECT_EQ(2, ReadDword(CounterKey("other.dll"), "SRCHCOUNTER"));
}

TEST_F(SharedCopyTest, OtherFilesAreAlwaysCopiedOverReadOnlyOnes)
{
    MakeFolder(Root("shared"));
    WriteBytes(Root("shared\\readme.txt"), "old");
    SetFileAttributesA(Root("shared\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    WriteBytes(Root("common\\readme.txt"), "new");
    // Its name is part of the library's: still not the library.
    WriteBytes(Root("shared\\tvshared.dl"), "old");
    WriteBytes(Root("common\\tvshared.dl"), "new");

    ASSERT_EQ(1, PrepareAndCopy());
    EXPECT_EQ("new", ReadBytes(Root("shared\\readme.txt")));
    EXPECT_EQ("new", ReadBytes(Root("shared\\tvshared.dl")));
    EXPECT_TRUE(Registered().empty());
}

TEST_F(SharedCopyTest, ProgressContinuesFromTheMainCopy)
{
    for (char c = 'a'; c <= 'e'; ++c)
        WriteBytes(Root(std::string("common\\") + c + ".txt"), "x");
    doc.SourceList.resize(20);
    doc.ProgressDivisor = 27;
    ProgressRecorder view;
    doc.AddView(&view);

    ASSERT_EQ(1, PrepareAndCopy());
    EXPECT_EQ((std::vector<int>{77, 81, 85, 88, 92}), view.Positions);
    doc.RemoveView(&view);
}

TEST_F(SharedCopyTest, LogTextNamesCreatedLevelsThenWhatTheCopyAdded)
{
    MakeFolder(Root("common\\sub"));
    MakeFolder(Root("common\\old"));
    WriteBytes(Root("common\\sub\\a.txt"), "a");
    WriteBytes(Root("common\\old\\b.txt"), "b");
    doc.SharedFolder = Root("shared\\Maker\\Lib\\").c_str();
    // Already there before the copy: a folder and a file that are not ours.
    MakeFolder(Root("shared"));
    MakeFolder(Root("shared\\Maker"));
    MakeFolder(Root("shared\\Maker\\Lib"));
    MakeFolder(Root("shared\\Maker\\Lib\\old"));
    WriteBytes(Root("shared\\Maker\\Lib\\old\\b.txt"), "theirs");
    ResetJournal();
    TestApp().AddCreatedSharedFolder(Root("shared\\Maker").c_str());
    TestApp().AddCreatedSharedFolder(Root("shared\\Maker\\Lib").c_str());

    ASSERT_EQ(1, PrepareAndCopy());
    std::vector<std::string> entries = Entries(doc.SharedLogText());
    ASSERT_EQ(4u, entries.size()) << doc.SharedLogText().str();
    EXPECT_EQ("<f>:" + Root("shared\\Maker"), entries[0]);
    EXPECT_EQ("<f>:" + Root("shared\\Maker\\Lib"), entries[1]);
    EXPECT_EQ("<d>:sub", entries[2]);
    EXPECT_EQ("sub\\a.txt", entries[3]);
    EXPECT_EQ("b", ReadBytes(Root("shared\\Maker\\Lib\\old\\b.txt"))) << "replaced, but not listed for undo";
}

TEST_F(SharedCopyTest, MoreThanAHundredFilesAndAThousandBytesOfLog)
{
    MakeFolder(Root("common\\a-rather-long-folder-name"));
    const int files = 150;
    for (int i = 0; i < files; ++i)
        WriteBytes(Root("common\\a-rather-long-folder-name\\file-number-" + std::to_string(i) + ".txt"), "x");

    ASSERT_EQ(1, PrepareAndCopy());
    EXPECT_EQ(files + 1, doc.SharedFileCount) << "the list grows past a hundred records";
    EXPECT_GT(doc.SharedLogText().GetLength(), 1000);
    std::vector<std::string> entries = Entries(doc.SharedLogText());
    ASSERT_EQ(static_cast<size_t>(files + 2), entries.size()) << "<f>:, <d>: and every file";
    EXPECT_EQ("<d>:a-rather-long-folder-name", entries[1]);
    EXPECT_TRUE(Exists(Root("shared\\a-rather-long-folder-name\\file-number-149.txt")));
}

TEST_F(SharedCopyTest, FailedCopyIsReportedByItsCause)
{
    WriteBytes(Root("common\\readme.txt"), "x");
    struct Case
    {
        DWORD error;
        const char* text;
    };
    for (Case c : {Case{ERROR_INVALID_DATA, TEXT_NOSPACE}, Case{ERROR_ACCESS_DENIED, TEXT_COPY}}) {
        SCOPED_TRACE(c.text);
        boxes.Clear();
        g_copies = CopyLog();
        g_copies.FailAt = 0;
        g_copies.FailError = c.error;
        EXPECT_EQ(0, PrepareAndCopy());
        ExpectOneBox(c.text);
    }
}

TEST_F(SharedCopyTest, SubFolderThatCannotBeCreatedFailsWithWriteError)
{
    MakeFolder(Root("common\\sub"));
    EXPECT_EQ(1, Prepare());
    Sys().CreateDirectoryA = &FailingCreateDirectory;
    EXPECT_EQ(0, CopyShared());
    ExpectOneBox(TEXT_WRITE);
}

TEST_F(SharedCopyTest, CancelStopsTheCopyAndIsReported)
{
    for (char c = 'a'; c <= 'e'; ++c)
        WriteBytes(Root(std::string("common\\") + c + ".txt"), "x");
    CTarvelView view;
    view.IsStatusShown = 1;
    doc.AddView(&view);
    g_copies.View = &view;
    g_copies.CancelAfter = 1;

    EXPECT_EQ(0, PrepareAndCopy());
    ExpectOneBox(TEXT_CANCEL);
    EXPECT_EQ(2u, g_copies.Destinations.size()) << "nothing is copied after the cancel";
    EXPECT_EQ(1, doc.IsUserCancel);
    doc.RemoveView(&view);
}

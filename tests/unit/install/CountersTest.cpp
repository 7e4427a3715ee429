// Registration and user counters of the shared libraries against the real
// registry and real self-registering libraries: the first install counts the
// product in, a re-install does not count it twice, a failure puts counters,
// registrations and shared files back.
#include <gtest/gtest.h>

#include "SharedTestSupport.h"

#include <string>
#include <vector>

using namespace shared_test;

namespace {

const char PRODUCT[] = "Guide";
const char LANGUAGE[] = "JPN";

// The registry write seams, failing on demand.
LONG WINAPI FailingCreateKey(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD)
{
    return ERROR_ACCESS_DENIED;
}

LONG WINAPI FailingSetValue(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD)
{
    return ERROR_ACCESS_DENIED;
}

} // namespace

class CountersTest : public SharedPackage
{
protected:
    void SetUp() override
    {
        SharedPackage::SetUp();
        Set(SEC_INSTALL, KEY_LIBFILEPATH_BASE, "Unused");
        Set(SEC_INSTALL, KEY_COMMON_PATH, "common");
        Set(SEC_INSTALL, KEY_PRODUCT_NAME1, PRODUCT);
        Set(SEC_INSTALL, KEY_PRODUCT_LANGUAGE1, LANGUAGE);
    }

    std::string ProductKey() const { return "Software\\" + company + "\\" + PRODUCT + "\\" + LANGUAGE; }

    // Puts a library into the package as REG_LIBFILEn = common\<name>.
    void PackLibrary(int n, const char* built, const std::string& name)
    {
        CopyIn(built, Root("common\\" + name));
        Set(SEC_INSTALL, ("REG_LIBFILE" + std::to_string(n)).c_str(), "common\\" + name);
    }

    // The library as an earlier installation left it: in the shared folder, registered.
    void InstallBefore(const std::string& name)
    {
        MakeFolder(Root("shared"));
        CopyIn(TESTLIB_V1001, Root("shared\\" + name));
        ASSERT_EQ(1, doc.CallRegistrationEntry(Root("shared\\" + name).c_str(), TRUE));
    }

    // Loads the shared settings as the package loading does: libraries,
    // product-installed flag, counters before the install.
    void Load()
    {
        ASSERT_EQ(1, doc.LoadSharedComponentSettings());
        ASSERT_EQ(1, doc.IsSharedComponents);
        // Keep the install inside the test's tree, not under Program Files.
        doc.SharedFolder = Root("shared").c_str();
    }

    // The install's shared steps, in RunInstall's order; 1 when all
    // succeeded (the record kept for an undo), else 0 after the run's undo
    // and its one box.
    int Install()
    {
        if (!Prepare())
            return 0;
        doc.ProgressDivisor = doc.SharedFileCount + 1;
        if (!CopyShared())
            return 0;
        const int registered = doc.RegistrationList.GetSize() > 0 ? doc.RegisterSharedLibraries() : 1;
        const int counted = doc.IncrementSharedCounters();
        return Driven(registered && counted);
    }
};

TEST_F(CountersTest, FirstInstallCountsTheProductAndRegistersTheLibrary)
{
    PackLibrary(1, TESTLIB_V1001, "TvShared.DLL");
    Load();
    ASSERT_EQ(1, Install());

    EXPECT_EQ(std::vector<std::string>{"tvshared.dll"}, SubKeys(CounterParent())) << "lower-cased file name";
    EXPECT_EQ(1, ReadDword(CounterKey("tvshared.dll"), "SRCHCOUNTER"));
    EXPECT_EQ(1, ReadDword(MarkKey("tvshared.dll"), "Count")) << "DllRegisterServer ran once";
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(CountersTest, ReinstallOfAnInstalledProductIsNotCountedTwice)
{
    PackLibrary(1, TESTLIB_V1001, "tvshared.dll");
    CreateKey(ProductKey());
    struct Case
    {
        long long before; // -1: no value at all
        long long after;
    };
    for (Case c : {Case{2, 2}, Case{-1, 1}, Case{0, 1}}) {
        SCOPED_TRACE(c.before);
        DeleteKeyTree(CounterParent());
        if (c.before >= 0)
            WriteDword(CounterKey("tvshared.dll"), "SRCHCOUNTER", static_cast<DWORD>(c.before));
        Load();
        EXPECT_EQ(1, doc.IsProductInstalled);
        EXPECT_EQ(1, doc.IncrementSharedCounters());
        EXPECT_EQ(c.after, ReadDword(CounterKey("tvshared.dll"), "SRCHCOUNTER"));
    }
}

TEST_F(CountersTest, FailureAfterCountingPutsAnotherProductsCounterBack)
{
    PackLibrary(1, TESTLIB_V1001, "tvshared.dll");
    WriteDword(CounterKey("tvshared.dll"), "SRCHCOUNTER", 3);
    ASSERT_NO_FATAL_FAILURE(InstallBefore("tvshared.dll"));
    Load();
    ASSERT_EQ(1, Install());
    ASSERT_EQ(4, ReadDword(CounterKey("tvshared.dll"), "SRCHCOUNTER"));

    FailLaterStep(doc);
    EXPECT_EQ(3, ReadDword(CounterKey("tvshared.dll"), "SRCHCOUNTER"));
    EXPECT_TRUE(Exists(Root("shared\\tvshared.dll"))) << "the other products keep their library";
    EXPECT_TRUE(KeyExists(MarkKey("tvshared.dll"))) << "and its registration";
    EXPECT_EQ(1u, boxes.Count()) << "the failure's box, and nothing from the undo";
}

TEST_F(CountersTest, FailureOfTheOnlyUserRemovesCounterRegistrationAndSharedFiles)
{
    PackLibrary(1, TESTLIB_V1001, "tvshared.dll");
    MakeFolder(Root("common\\docs"));
    WriteBytes(Root("common\\docs\\readme.txt"), "shared text");
    Load();
    doc.SharedFolder = Root("shared\\Maker\\Lib").c_str();
    ASSERT_EQ(1, Install());
    ASSERT_EQ(1, ReadDword(CounterKey("tvshared.dll"), "SRCHCOUNTER"));
    ASSERT_TRUE(KeyExists(MarkKey("tvshared.dll")));

    FailLaterStep(doc);
    EXPECT_FALSE(KeyExists(CounterKey("tvshared.dll")));
    EXPECT_FALSE(KeyExists(CounterParent())) << "no counter left: the COUNTER key goes";
    EXPECT_FALSE(KeyExists(MarkKey("tvshared.dll"))) << "DllUnregisterServer ran";
    EXPECT_FALSE(Exists(Root("shared\\Maker\\Lib\\tvshared.dll")));
    EXPECT_FALSE(Exists(Root("shared\\Maker\\Lib\\docs\\readme.txt")));
    EXPECT_FALSE(Exists(Root("shared\\Maker"))) << "the created levels go too";
    EXPECT_TRUE(Exists(Root("common\\tvshared.dll"))) << "the package is never touched";
}

// Another product of the maker counts a library: the undo still takes away
// every file this run added (nothing would count them afterwards) and puts
// that counter back, leaving the maker's COUNTER key that holds it.
TEST_F(CountersTest, UndoTakesWhatThisRunAddedWhileAnotherLibraryStaysCounted)
{
    PackLibrary(1, TESTLIB_V1001, "tvshared.dll");
    PackLibrary(2, TESTLIB_V1001, "tvother.dll");
    WriteBytes(Root("common\\readme.txt"), "shared text");
    WriteDword(CounterKey("tvother.dll"), "SRCHCOUNTER", 3);
    Load();
    ASSERT_EQ(1, Install());

    FailLaterStep(doc);
    EXPECT_FALSE(KeyExists(CounterKey("tvshared.dll")));
    EXPECT_FALSE(Exists(Root("shared\\tvshared.dll")));
    EXPECT_EQ(3, ReadDword(CounterKey("tvother.dll"), "SRCHCOUNTER"));
    EXPECT_FALSE(Exists(Root("shared\\tvother.dll")));
    EXPECT_FALSE(Exists(Root("shared\\readme.txt")));
    EXPECT_FALSE(KeyExists(MarkKey("tvother.dll")));
    EXPECT_TRUE(KeyExists(CounterParent()));
}

TEST_F(CountersTest, FailedReinstallOfTheOnlyUserKeepsItsEarlierInstallation)
{
    // The product is installed and counted once: this run counts nothing,
    // and its undo must not take the library from the earlier installation.
    PackLibrary(1, TESTLIB_V1001, "tvshared.dll");
    CreateKey(ProductKey());
    WriteDword(CounterKey("tvshared.dll"), "SRCHCOUNTER", 1);
    ASSERT_NO_FATAL_FAILURE(InstallBefore("tvshared.dll"));
    Load();
    ASSERT_EQ(1, Install());

    FailLaterStep(doc);
    EXPECT_EQ(1, ReadDword(CounterKey("tvshared.dll"), "SRCHCOUNTER"));
    EXPECT_TRUE(Exists(Root("shared\\tvshared.dll")));
    EXPECT_TRUE(KeyExists(MarkKey("tvshared.dll")));
}

TEST_F(CountersTest, LibraryWhoseEntryFailsFailsTheRegistration)
{
    PackLibrary(1, TESTLIB_V1001, "tvshared.dll");
    PackLibrary(2, TESTLIB_FAILREG, "tvfailreg.dll");
    Load();
    ASSERT_EQ(1, Prepare());
    doc.ProgressDivisor = 3;
    ASSERT_EQ(1, CopyShared());
    ASSERT_EQ(2, doc.RegistrationList.GetSize());

    EXPECT_EQ(0, doc.RegisterSharedLibraries());
    EXPECT_FALSE(KeyExists(MarkKey("tvfailreg.dll")));
    EXPECT_EQ(0, doc.CallRegistrationEntry(Root("shared\\tvfailreg.dll").c_str(), TRUE));
    EXPECT_EQ(1, doc.CallRegistrationEntry(Root("shared\\tvfailreg.dll").c_str(), FALSE));
}

TEST_F(CountersTest, RegistrationEntriesOfARealLibrary)
{
    MakeFolder(Root("shared"));
    CopyIn(TESTLIB_V1200, Root("shared\\tvshared.dll"));
    const CString path = Root("shared\\tvshared.dll").c_str();

    EXPECT_EQ(1, doc.CallRegistrationEntry(path, TRUE));
    EXPECT_TRUE(KeyExists(MarkKey("tvshared.dll")));
    EXPECT_EQ(1, doc.CallRegistrationEntry(path, FALSE));
    EXPECT_FALSE(KeyExists(MarkKey("tvshared.dll")));

    EXPECT_EQ(0, doc.CallRegistrationEntry(Root("shared\\missing.dll").c_str(), TRUE));
    WriteBytes(Root("shared\\notalib.dll"), "not a library");
    EXPECT_EQ(0, doc.CallRegistrationEntry(Root("shared\\notalib.dll").c_str(), TRUE));
    // A library that loads but lacks the entry.
    EXPECT_EQ(0, doc.CallRegistrationEntry("C:\\windows\\system32\\version.dll", TRUE));
}

TEST_F(CountersTest, CounterThatCannotBeWrittenFailsTheCount)
{
    PackLibrary(1, TESTLIB_V1001, "tvshared.dll");
    Load();

    Sys().RegCreateKeyExA = &FailingCreateKey;
    EXPECT_EQ(0, doc.IncrementSharedCounters());
    ResetSystemCalls();

    Sys().RegSetValueExA = &FailingSetValue;
    EXPECT_EQ(0, doc.IncrementSharedCounters());
    EXPECT_EQ(0, doc.CounterRecords[0].CounterNow) << "the failed count is taken back";
    ResetSystemCalls();

    // The undo of that failure takes away the key the count had created.
    BoxRecorder failureBox; // the reset above took the fixture's recorder away
    doc.EndFailedRun();
    EXPECT_EQ(1u, failureBox.Count());
    EXPECT_FALSE(KeyExists(CounterParent()));
}

TEST_F(CountersTest, CounterRecordIsFoundByFileNameWithoutRegardToCase)
{
    PackLibrary(1, TESTLIB_V1001, "Search.DLL");
    PackLibrary(2, TESTLIB_V1001, "other.dll");
    Load();
    EXPECT_EQ(&doc.CounterRecords[0], doc.FindCounterEntry("search.dll"));
    EXPECT_EQ(&doc.CounterRecords[1], doc.FindCounterEntry("OTHER.DLL"));
    EXPECT_EQ(nullptr, doc.FindCounterEntry("third.dll"));
    EXPECT_EQ(nullptr, doc.FindCounterEntry(""));
}

TEST_F(CountersTest, UnreadableCounterFailsTheLoadWithAMessage)
{
    PackLibrary(1, TESTLIB_V1001, "tvshared.dll");
    CreateKey(CounterKey("tvshared.dll"));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, CounterKey("tvshared.dll").c_str(), 0,
                                           KEY_ALL_ACCESS, &key));
    const BYTE eightBytes[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    RegSetValueExA(key, "SRCHCOUNTER", 0, REG_BINARY, eightBytes, sizeof(eightBytes));
    RegCloseKey(key);

    EXPECT_EQ(0, doc.LoadSharedComponentSettings());
    ExpectOneBox(TEXT_OCCURRED);
}

// The run's log: its file (named, numbered, unwritable), its lines, and
// texts of the system's code page written as UTF-8; the boxes that go into
// it, shown or suppressed.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "TestSupport.h"
#include "base/MessageBoxes.h"
#include "base/RunLog.h"

#include <string>
#include <vector>

namespace {

const std::string BOM = "\xEF\xBB\xBF";

// Closes the log and lifts the suppression whatever the test did.
struct LogGuard
{
    ~LogGuard()
    {
        RunLog::Close();
        MessageBoxes::SetSuppressed(false);
    }
};

// The lines after the byte-order mark, without their CR LF; a line without
// one is kept as it is, so that a missing line end shows.
std::vector<std::string> Lines(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t at = bytes.compare(0, BOM.size(), BOM) == 0 ? BOM.size() : 0;
    while (at < bytes.size()) {
        size_t end = bytes.find("\r\n", at);
        lines.push_back(bytes.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? bytes.size() : end + 2;
    }
    return lines;
}

// "2024-05-01 09:30:12.045  " is where the category starts.
const size_t STAMP = 25;

bool IsStamped(const std::string& line)
{
    const char* shape = "dddd-dd-dd dd:dd:dd.ddd  ";
    if (line.size() < STAMP)
        return false;
    for (size_t i = 0; i < STAMP; ++i) {
        const char c = line[i];
        if (shape[i] == 'd' ? !(c >= '0' && c <= '9') : c != shape[i])
            return false;
    }
    return true;
}

TEST(RunLog, ShiftJisTextsBecomeUtf8)
{
    // Code page 932 is the suite's system code page. "表" and "ソ" end in a
    // backslash byte; half-width kana are single bytes above 0x7F.
    ASSERT_EQ(GetACP(), 932u);
    const struct {
        const char* sjis;
        const char* utf8;
    } cases[] = {
        {"", ""},
        {"C:\\Guide\\a.htm", "C:\\Guide\\a.htm"},
        {"C:\\\x95\x5C\\\x83\x5C\x83\x74\x83\x67", "C:\\\xE8\xA1\xA8\\\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88"},
        {"\xB6\xC0\xB6\xC5", "\xEF\xBD\xB6\xEF\xBE\x80\xEF\xBD\xB6\xEF\xBE\x85"},
        // Windows' own table, not JIS's: the wave dash is a full-width tilde.
        {"\x81\x5F\x81\x60", "\xEF\xBC\xBC\xEF\xBD\x9E"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunLog::ToUtf8(c.sjis), c.utf8) << c.sjis;
}

TEST(RunLog, EachEventIsOneStampedLineWrittenAtOnce)
{
    LogGuard guard;
    FileTree::TempTree tree;
    const std::string path = tree / "run.log";
    ASSERT_TRUE(RunLog::Open(path.c_str()));

    RunLog::Line("start", "\x95\x5C one");
    // Written through: readable while the log is still open.
    EXPECT_EQ(Lines(FileTree::ReadBytes(path)).size(), 1u);
    RunLog::Line("box", "first\nsecond\r\nthird\rfourth");
    RunLog::Line("categorylonger", "x");
    RunLog::Failure("copy", "C:\\Guide\\a.htm", ERROR_ACCESS_DENIED);
    RunLog::Close();
    RunLog::Line("after", "goes nowhere");

    const std::string bytes = FileTree::ReadBytes(path);
    EXPECT_EQ(bytes.compare(0, BOM.size(), BOM), 0) << "no byte-order mark";
    const std::vector<std::string> lines = Lines(bytes);
    ASSERT_EQ(lines.size(), 4u) << bytes;
    for (const std::string& line : lines)
        EXPECT_TRUE(IsStamped(line)) << line;
    EXPECT_EQ(lines[0].substr(STAMP), "start     \xE8\xA1\xA8 one");
    EXPECT_EQ(lines[1].substr(STAMP), "box       first / second / third / fourth");
    EXPECT_EQ(lines[2].substr(STAMP), "categorylonger  x");
    EXPECT_EQ(lines[3].substr(STAMP, 46), "failure   copy failed: C:\\Guide\\a.htm, error 5");
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST(RunLog, ALogThatIsThereIsReplaced)
{
    LogGuard guard;
    FileTree::TempTree tree;
    const std::string path = tree / "run.log";
    FileTree::WriteBytes(path, std::string(100, 'x'));
    ASSERT_TRUE(RunLog::Open(path.c_str()));
    RunLog::Close();
    EXPECT_EQ(FileTree::ReadBytes(path), BOM);
}

TEST(RunLog, APathThatCannotBeWrittenIsRefusedWithTheSystemsReason)
{
    LogGuard guard;
    FileTree::TempTree tree;
    FileTree::MakeFolder(tree / "folder");
    const struct {
        std::string path;
        DWORD error;
    } cases[] = {
        {tree / "missing\\run.log", ERROR_PATH_NOT_FOUND},
        {tree / "folder", ERROR_ACCESS_DENIED},
        {tree / "bad|name.log", ERROR_INVALID_NAME},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(RunLog::Open(c.path.c_str())) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
        EXPECT_FALSE(RunLog::IsOpen());
        RunLog::Line("start", "goes nowhere"); // no crash, no file
    }
    EXPECT_FALSE(FileTree::Exists(tree / "missing"));
}

// The first free number of the day, gaps included; the earlier logs stay.
TEST(RunLog, NumberedLogTakesTheFirstFreeNumber)
{
    LogGuard guard;
    FileTree::TempTree tree;
    SYSTEMTIME today;
    GetLocalTime(&today);
    const std::string folder = tree.Root() + "\\";
    auto name = [&](int n) { return std::string(RunLog::NumberedName(today, n)); };
    FileTree::WriteBytes(folder + name(1), "one");
    FileTree::WriteBytes(folder + name(3), "three");

    CString path;
    ASSERT_TRUE(RunLog::OpenNumbered(folder.c_str(), path));
    RunLog::Close();
    EXPECT_EQ(std::string(path), folder + name(2));
    ASSERT_TRUE(RunLog::OpenNumbered(folder.c_str(), path));
    RunLog::Close();
    EXPECT_EQ(std::string(path), folder + name(4));
    EXPECT_EQ(FileTree::ReadBytes(folder + name(1)), "one");
    EXPECT_EQ(FileTree::ReadBytes(folder + name(3)), "three");

    char expected[64];
    wsprintfA(expected, "Tarvel Setup Log %04d-%02d-%02d #012.txt", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ(name(12), expected);
}

TEST(MessageBoxes, DefaultAnswerIsTheDefaultButton)
{
    const struct {
        UINT type;
        int answer;
    } cases[] = {
        {MB_OK | MB_ICONINFORMATION, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
        {MB_RETRYCANCEL, IDRETRY},
        {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCONTINUE},
        {MB_YESNO | MB_DEFBUTTON3, IDYES}, // no third button: the first
        {MB_OK | MB_DEFBUTTON4, IDOK},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessageBoxes::DefaultAnswer(c.type), c.answer) << std::hex << c.type;
}

TEST(MessageBoxes, EveryBoxGoesIntoTheLogShownOrSuppressed)
{
    LogGuard guard;
    FileTree::TempTree tree;
    const std::string path = tree / "run.log";
    ASSERT_TRUE(RunLog::Open(path.c_str()));
    BoxRecorder user(IDOK);
    user.Answer({IDNO});

    EXPECT_EQ(MessageBoxes::Show(nullptr, "\x95\x5C?", "Guide", MB_YESNO), IDNO);
    MessageBoxes::SetSuppressed(true);
    EXPECT_EQ(MessageBoxes::Show(nullptr, "Disk full.\nAbort.", "Guide", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxes::Show(nullptr, "Make it?", "Guide", MB_YESNO | MB_DEFBUTTON2), IDNO);
    RunLog::Close();

    EXPECT_EQ(user.Count(), 1u) << "a suppressed box was shown";
    const std::vector<std::string> lines = Lines(FileTree::ReadBytes(path));
    ASSERT_EQ(lines.size(), 6u);
    const char* expected[] = {
        "box       \"Guide\": \xE8\xA1\xA8?",
        "answer    No",
        "box       \"Guide\": Disk full. / Abort.",
        "answer    OK (default, no box shown)",
        "box       \"Guide\": Make it?",
        "answer    No (default, no box shown)",
    };
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].substr(STAMP), expected[i]);
}

} // namespace

// The interactive run driven through its real windows: the install-folder
// dialog with the script's texts, the folder browser with its edit box, the
// question before a folder is made, Cancel, and the install into the folder
// the user chose.
#include "InstallSupport.h"
#include "Text.h"

#include <functional>

namespace {

constexpr DWORD kTimeoutMs = 30000;

// Control ids of the install-folder dialog and the folder browser.
constexpr int kBrowse = 1000;
constexpr int kFolderFrame = 1005;
constexpr int kFolderPath = 1006;
constexpr int kMessage = 1008;
constexpr int kBrowserTree = 14145;
constexpr int kBrowserInstruction = 14146;
constexpr int kBrowserStatus = 14147;
constexpr int kBrowserEdit = 14148;

const std::string kCaption = e2e::texts::kCaption;
const char kFolderMessage[] = "インストール先を確認してください。";
const char kFrameTitle[] = "インストール先のフォルダ";
const char kOkText[] = "インストール";
const char kCancelText[] = "やめる";
const char kBrowseText[] = "参照...";
const char kSelectText[] = "フォルダを選んでください。";
const char kMakeFolderText[] = "フォルダを作成しますか?";
const char kInvalidText[] = "フォルダ名が正しくありません。";
const char kEndText[] = "インストールが終わりました。";

// The dialog texts on top of the guide package's script.
std::string DialogKeys()
{
    return std::string("MSG_FOLDER_SEL=") + kFolderMessage + "\n" + "FOLDER_TITLE=" + kFrameTitle + "\n" +
           "BUTTON_OK=" + kOkText + "\n" + "BUTTON_CANCEL=" + kCancelText + "\n" + "BUTTON_REF=" + kBrowseText +
           "\n" + "MSG_SELECT_FOLDER=" + kSelectText + "\n" + "MAKE_FOLDER_CONF=" + kMakeFolderText + "\n" +
           "MSG_INSTALL_END=" + kEndText + "\n" + "[ERROR]\nERR_SEL_FOL_INVALID=" + kInvalidText + "\n";
}

using WindowTest = std::function<bool(const dlg::WindowInfo&)>;

// The path control shows a long path with its leading folder names replaced
// by "...": C:\...\Guide stands for C:\Program Files\Guide.
bool ShowsPath(const std::string& shown, const std::string& path)
{
    if (shown == path)
        return true;
    const std::string head = path.substr(0, 3) + "...";
    if (shown.compare(0, head.size(), head) != 0)
        return false;
    const std::string tail = shown.substr(head.size());
    return tail.size() > 1 && tail[0] == '\\' && path.size() > tail.size()
        && path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
}

class InteractiveRun : public e2e::GuideFixture {
protected:
    InteractiveRun() : GuideFixture("Dialog") {}

    void SetUp() override
    {
        GuideFixture::SetUp();
        e2e::GuideScript script;
        script.extraInstall = DialogKeys();
        WriteGuide(script);
        defaultFolder = Installed();
    }

    std::string defaultFolder; // where OK installs without Browse
    const std::string kIndex = "<html><body>Guide</body></html>\r\n";

    // The first visible dialog of the process that passes the test; null when
    // the process ended or the time ran out first. Every message box seen on
    // the way is counted.
    HWND WaitFor(const dlg::Process& process, const WindowTest& test)
    {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < kTimeoutMs) {
            for (HWND hwnd : dlg::TopLevelWindows(process.Id(), true)) {
                dlg::WindowInfo info = dlg::Inspect(hwnd);
                if (info.className == dlg::kDialogClass && test(info))
                    return hwnd;
            }
            if (!process.IsRunning())
                return nullptr;
            Sleep(dlg::kPollMs);
        }
        return nullptr;
    }
    HWND WaitForFolderDialog(const dlg::Process& p)
    {
        return WaitFor(p, [](const dlg::WindowInfo& w) { return w.Has(kFolderPath) && w.Has(kBrowse); });
    }
    HWND WaitForBrowser(const dlg::Process& p)
    {
        return WaitFor(p, [](const dlg::WindowInfo& w) { return w.Has(kBrowserEdit); });
    }
    HWND WaitForBox(const dlg::Process& p)
    {
        return WaitFor(p, [](const dlg::WindowInfo& w) { return w.IsMessageBox(); });
    }
    HWND WaitForEndDialog(const dlg::Process& p)
    {
        return WaitFor(p, [](const dlg::WindowInfo& w) { return w.TextOf(kMessage) == kEndText; });
    }
    // Waits until a control of a window shows the text.
    bool WaitForText(HWND hwnd, int id, const std::string& text)
    {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < kTimeoutMs) {
            if (dlg::Inspect(hwnd).TextOf(id) == text)
                return true;
            Sleep(dlg::kPollMs);
        }
        return false;
    }
    // Waits until the dialog's path control stands for the path.
    bool WaitForPath(HWND dialog, const std::string& path)
    {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < kTimeoutMs) {
            if (ShowsPath(dlg::Inspect(dialog).TextOf(kFolderPath), path))
                return true;
            Sleep(dlg::kPollMs);
        }
        return false;
    }

    // Follows the process to its end; fails on any message box meanwhile.
    void ExpectEndsWithoutBox(const dlg::Process& process, DWORD exitCode)
    {
        DWORD start = GetTickCount();
        while (process.IsRunning() && GetTickCount() - start < kTimeoutMs) {
            for (HWND hwnd : dlg::TopLevelWindows(process.Id(), true)) {
                dlg::WindowInfo info = dlg::Inspect(hwnd);
                if (info.IsMessageBox()) {
                    ADD_FAILURE() << "unexpected box:\n" << dlg::Describe(info);
                    dlg::Click(hwnd, IDOK);
                }
            }
            Sleep(dlg::kPollMs);
        }
        ASSERT_TRUE(process.WaitForExit(kTimeoutMs));
        EXPECT_EQ(process.ExitCode(), exitCode);
    }

    // Browse, type the path, OK: leaves the browser waiting on what follows.
    HWND TypeInBrowser(const dlg::Process& p, HWND dialog, const std::string& path)
    {
        EXPECT_TRUE(dlg::Click(dialog, kBrowse));
        HWND browser = WaitForBrowser(p);
        EXPECT_NE(browser, nullptr);
        if (!browser)
            return nullptr;
        EXPECT_TRUE(dlg::SetText(browser, kBrowserEdit, path));
        EXPECT_TRUE(dlg::Click(browser, IDOK));
        return browser;
    }
};

// --- the dialog and Cancel ----------------------------------------------------------

TEST_F(InteractiveRun, DialogShowsTheScriptsTextsAndCancelEndsSilentlyWithCode2)
{
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitForText(dialog, IDOK, kOkText)) << dlg::Describe(dlg::Inspect(dialog));

    dlg::WindowInfo info = dlg::Inspect(dialog);
    EXPECT_EQ(info.caption, kCaption);
    EXPECT_EQ(info.TextOf(IDOK), kOkText);
    EXPECT_EQ(info.TextOf(IDCANCEL), kCancelText);
    EXPECT_EQ(info.TextOf(kBrowse), kBrowseText);
    EXPECT_EQ(info.TextOf(kFolderFrame), kFrameTitle);
    EXPECT_EQ(info.TextOf(kMessage), kFolderMessage);
    EXPECT_TRUE(ShowsPath(info.TextOf(kFolderPath), defaultFolder)) << info.TextOf(kFolderPath);

    ASSERT_TRUE(dlg::Click(dialog, IDCANCEL));
    ExpectEndsWithoutBox(p, 2);
    EXPECT_FALSE(e2e::Exists(destination.Top()));
}

TEST_F(InteractiveRun, TheCloseBoxIsCancel)
{
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dlg::PostSysClose(dialog));
    ExpectEndsWithoutBox(p, 2);
}

// --- the folder browser --------------------------------------------------------------

TEST_F(InteractiveRun, BrowserHasAnEditBoxAboveTheTreeWithTheStartFolder)
{
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dlg::Click(dialog, kBrowse));
    HWND browser = WaitForBrowser(p);
    ASSERT_NE(browser, nullptr);

    dlg::WindowInfo info = dlg::Inspect(browser);
    EXPECT_EQ(info.caption, kCaption);
    EXPECT_EQ(info.TextOf(kBrowserInstruction), kSelectText);
    EXPECT_EQ(info.TextOf(kBrowserEdit), defaultFolder);
    ASSERT_TRUE(info.Has(kBrowserStatus));
    EXPECT_FALSE(info.Find(kBrowserStatus)->visible);
    EXPECT_TRUE(info.Find(kBrowserEdit)->visible);
    EXPECT_EQ(GetWindowLongW(browser, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);

    RECT tree, edit;
    GetWindowRect(GetDlgItem(browser, kBrowserTree), &tree);
    GetWindowRect(GetDlgItem(browser, kBrowserEdit), &edit);
    EXPECT_EQ(edit.left, tree.left);
    EXPECT_EQ(edit.right, tree.right);
    EXPECT_EQ(edit.top, tree.top - 27);
    EXPECT_EQ(edit.bottom, tree.top - 4);

    // Cancelled, the browser changes nothing.
    ASSERT_TRUE(dlg::Click(browser, IDCANCEL));
    ASSERT_TRUE(dlg::WaitWindowGone(browser, kTimeoutMs));
    EXPECT_TRUE(ShowsPath(dlg::Inspect(dialog).TextOf(kFolderPath), defaultFolder));
    ASSERT_TRUE(dlg::Click(dialog, IDCANCEL));
    ExpectEndsWithoutBox(p, 2);
}

TEST_F(InteractiveRun, AnInvalidTypedPathIsWarnedAboutAndTheBrowserStays)
{
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);
    const std::string tooLong = "C:\\" + std::string(300, 'a');
    for (const std::string& typed : {std::string("C:\\Docs\\"), std::string("C:Docs"), tooLong}) {
        HWND browser = TypeInBrowser(p, dialog, typed);
        ASSERT_NE(browser, nullptr);
        HWND box = WaitForBox(p);
        ASSERT_NE(box, nullptr) << typed;
        dlg::WindowInfo warning = dlg::Inspect(box);
        EXPECT_EQ(warning.caption, kCaption);
        EXPECT_EQ(warning.MessageText(), kInvalidText);
        EXPECT_TRUE(warning.Has(IDOK) && !warning.Has(IDNO));
        ASSERT_TRUE(dlg::Click(box, IDOK));
        ASSERT_TRUE(dlg::WaitWindowGone(box, kTimeoutMs));
        EXPECT_TRUE(IsWindowVisible(browser)) << typed;
        ASSERT_TRUE(dlg::Click(browser, IDCANCEL));
        ASSERT_TRUE(dlg::WaitWindowGone(browser, kTimeoutMs));
    }
    ASSERT_TRUE(dlg::Click(dialog, IDCANCEL));
    ExpectEndsWithoutBox(p, 2);
    EXPECT_FALSE(e2e::Exists("C:\\Docs"));
}

TEST_F(InteractiveRun, AMissingTypedFolderIsAskedAboutAndCreatedLevelByLevel)
{
    const std::string base = package.Path("dest");
    const std::string typed = base + "\\Sub\\Deep";
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);

    // No: nothing is made and the browser stays.
    HWND browser = TypeInBrowser(p, dialog, typed);
    ASSERT_NE(browser, nullptr);
    HWND question = WaitForBox(p);
    ASSERT_NE(question, nullptr);
    dlg::WindowInfo asked = dlg::Inspect(question);
    EXPECT_EQ(asked.MessageText(), kMakeFolderText);
    EXPECT_EQ(asked.caption, "Tarvel");
    EXPECT_TRUE(asked.Has(IDYES) && asked.Has(IDNO));
    ASSERT_TRUE(dlg::Click(question, IDNO));
    ASSERT_TRUE(dlg::WaitWindowGone(question, kTimeoutMs));
    EXPECT_TRUE(IsWindowVisible(browser));
    EXPECT_FALSE(e2e::Exists(base));

    // Yes: every level is made and the dialog shows the new folder.
    ASSERT_TRUE(dlg::Click(browser, IDOK));
    question = WaitForBox(p);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(dlg::Click(question, IDYES));
    ASSERT_TRUE(dlg::WaitWindowGone(browser, kTimeoutMs));
    EXPECT_TRUE(e2e::IsFolder(typed));
    ASSERT_TRUE(WaitForPath(dialog, typed)) << dlg::Describe(dlg::Inspect(dialog));

    // Cancel now: the folders made for a choice given up go again.
    ASSERT_TRUE(dlg::Click(dialog, IDCANCEL));
    ExpectEndsWithoutBox(p, 2);
    EXPECT_FALSE(e2e::Exists(base));
}

// --- installing into the chosen folder -------------------------------------------------

TEST_F(InteractiveRun, OkInstallsIntoTheDefaultFolderAfterOneQuestion)
{
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dlg::Click(dialog, IDOK));

    HWND question = WaitForBox(p);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(dlg::Inspect(question).MessageText(), kMakeFolderText);
    ASSERT_TRUE(dlg::Click(question, IDYES));

    HWND end = WaitForEndDialog(p);
    ASSERT_NE(end, nullptr) << "no end dialog";
    dlg::WindowInfo info = dlg::Inspect(end);
    EXPECT_EQ(info.caption, kCaption);
    EXPECT_EQ(info.TextOf(IDOK), kOkText);
    ASSERT_TRUE(dlg::Click(end, IDOK));
    ExpectEndsWithoutBox(p, 0);
    EXPECT_EQ(e2e::ReadFileBytes(defaultFolder + "\\index.htm"), kIndex);
}

TEST_F(InteractiveRun, BrowseTypeAndOkInstallIntoTheTypedFolder)
{
    const std::string typed = package.Path("dest\\Guide");
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);
    HWND browser = TypeInBrowser(p, dialog, typed);
    ASSERT_NE(browser, nullptr);
    HWND question = WaitForBox(p);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(dlg::Click(question, IDYES));
    ASSERT_TRUE(WaitForPath(dialog, typed));

    // The folder is there now: OK asks nothing more.
    ASSERT_TRUE(dlg::Click(dialog, IDOK));
    HWND end = WaitForEndDialog(p);
    ASSERT_NE(end, nullptr) << "no end dialog";
    ASSERT_TRUE(dlg::Click(end, IDOK));
    ExpectEndsWithoutBox(p, 0);
    EXPECT_EQ(e2e::ReadFileBytes(typed + "\\index.htm"), kIndex);
    EXPECT_FALSE(e2e::Exists(defaultFolder));
}

TEST_F(InteractiveRun, DecliningTheFolderBringsTheDialogBackWithTheSamePath)
{
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dlg::Click(dialog, IDOK));
    HWND question = WaitForBox(p);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(dlg::Click(question, IDNO));

    HWND again = WaitFor(p, [&](const dlg::WindowInfo& w) { return w.hwnd != dialog && w.Has(kFolderPath); });
    ASSERT_NE(again, nullptr) << "the dialog did not come back";
    ASSERT_TRUE(WaitForPath(again, defaultFolder));
    ASSERT_TRUE(dlg::Click(again, IDCANCEL));
    ExpectEndsWithoutBox(p, 2);
    EXPECT_FALSE(e2e::Exists(destination.Top()));
}

TEST_F(InteractiveRun, AFolderTheBrowserMadeGoesAgainWhenPreparationFails)
{
    // The icon is missing, which preparation finds after the folder was made.
    ASSERT_TRUE(DeleteFileA(package.Path("setup\\guide.ico").c_str()));
    const std::string base = package.Path("dest");
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(TypeInBrowser(p, dialog, base + "\\Guide"), nullptr);
    HWND question = WaitForBox(p);
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(dlg::Click(question, IDYES));
    ASSERT_TRUE(WaitForPath(dialog, base + "\\Guide"));
    EXPECT_TRUE(e2e::IsFolder(base + "\\Guide"));

    ASSERT_TRUE(dlg::Click(dialog, IDOK));
    HWND error = WaitForBox(p);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(dlg::Inspect(error).MessageText(), e2e::texts::kFileNotExist);
    ASSERT_TRUE(dlg::Click(error, IDOK));
    ASSERT_TRUE(p.WaitForExit(kTimeoutMs));
    EXPECT_EQ(p.ExitCode(), e2e::kFailedBeforeCopy);
    EXPECT_FALSE(e2e::Exists(base));
}

} // namespace

// --- the about box -------------------------------------------------------------------

namespace {

TEST_F(InteractiveRun, TheAboutCommandOpensTheAboutBoxAndOkClosesIt)
{
    dlg::Process& p = StartInstaller("");
    HWND dialog = WaitForFolderDialog(p);
    ASSERT_NE(dialog, nullptr);
    // The main window's Help menu command, sent while the run waits in its dialog.
    HWND frame = nullptr;
    for (HWND hwnd : dlg::TopLevelWindows(p.Id(), false))
        if (dlg::GetClass(hwnd) == "TarvelFrame")
            frame = hwnd;
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(PostMessageW(frame, WM_COMMAND, 0xE140 /* ID_APP_ABOUT */, 0));

    HWND about = WaitFor(p, [](const dlg::WindowInfo& w) { return w.caption == "バージョン情報 Tarvel"; });
    ASSERT_NE(about, nullptr);
    dlg::WindowInfo info = dlg::Inspect(about);
    bool namesTheProgram = false;
    for (const dlg::Control& c : info.controls)
        namesTheProgram |= c.text.rfind("Tarvel Version", 0) == 0;
    EXPECT_TRUE(namesTheProgram) << dlg::Describe(info);
    ASSERT_TRUE(dlg::Click(about, IDOK));
    ASSERT_TRUE(dlg::WaitWindowGone(about, kTimeoutMs));

    // The run goes on where it was.
    EXPECT_TRUE(IsWindowVisible(dialog));
    ASSERT_TRUE(dlg::Click(dialog, IDCANCEL));
    ExpectEndsWithoutBox(p, 2);
}

} // namespace

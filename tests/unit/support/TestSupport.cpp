#include "TestSupport.h"

#include "FileTree.h"

#include "app/TarvelApp.h"
#include "app/TarvelView.h"
#include "app/TarvelDoc.h"
#include "script/ScriptKeys.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

// The framework's current-application pointer points here for the whole
// test program, as it points at the installer's own object in a real run.
CTarvelApp g_testApp;

BoxRecorder* g_recorder = nullptr;
WideBoxRecorder* g_wideRecorder = nullptr;

} // namespace

CTarvelApp& TestApp()
{
    return g_testApp;
}

int RunSilentSetup()
{
    CTarvelDoc doc;
    CTarvelView view;
    doc.AddView(&view);
    CTarvelApp& app = TestApp();
    const CommandLine::Switches saved = app.Switches;
    app.m_lpCmdLine = "/PSM";
    app.Switches = CommandLine::Parse("/PSM");
    view.RunSetup();
    app.Switches = saved;
    app.m_lpCmdLine = "";
    return app.ExitCode;
}

void FailLaterStep(CTarvelDoc& doc)
{
    doc.Fail(ERROR_CODE_GENERAL, "a later step");
    doc.EndFailedRun();
}

void ResetJournal()
{
    CTarvelApp& app = TestApp();
    app.Changes = ChangeRecord();
}

namespace {

std::vector<std::string> AsStrings(const CStringArray& folders, int count)
{
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(folders[i].str());
    return out;
}

} // namespace

void SetScriptValue(CTarvelDoc& doc, const char* section, const std::string& key, const std::string& value)
{
    int i = 0;
    while (i < doc.ScriptCount && !(doc.SetupScript[i].Section == section && doc.SetupScript[i].Key == key.c_str()))
        ++i;
    doc.SetupScript[i] = ScriptEntry{section, key.c_str(), value.c_str()};
    doc.ScriptCount = std::max(doc.ScriptCount, i + 1);
}

std::vector<std::string> InstallJournal()
{
    CStringArray folders;
    int count = TestApp().GetCreatedInstallFolders(folders);
    return AsStrings(folders, count);
}

std::vector<std::string> SharedJournal()
{
    CStringArray folders;
    int count = TestApp().GetCreatedSharedFolders(folders);
    return AsStrings(folders, count);
}

BoxRecorder::BoxRecorder(int defaultAnswer)
    : m_defaultAnswer(defaultAnswer), m_saved(Sys().MessageBoxA), m_outer(g_recorder)
{
    g_recorder = this;
    Sys().MessageBoxA = &BoxRecorder::FakeMessageBox;
}

BoxRecorder::~BoxRecorder()
{
    Sys().MessageBoxA = m_saved;
    g_recorder = m_outer;
}

void BoxRecorder::Answer(std::vector<int> answers)
{
    m_answers = std::move(answers);
    m_nextAnswer = 0;
}

int WINAPI BoxRecorder::FakeMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    BoxRecorder* self = g_recorder;
    RecordedBox box;
    box.Owner = owner;
    box.Text = text ? text : "";
    box.Caption = caption ? caption : "";
    box.Type = type;
    self->m_boxes.push_back(box);
    if (self->m_nextAnswer < self->m_answers.size())
        return self->m_answers[self->m_nextAnswer++];
    return self->m_defaultAnswer;
}

WideBoxRecorder::WideBoxRecorder() : m_saved(Sys().MessageBoxW), m_outer(g_wideRecorder)
{
    g_wideRecorder = this;
    Sys().MessageBoxW = &WideBoxRecorder::FakeMessageBox;
}

WideBoxRecorder::~WideBoxRecorder()
{
    Sys().MessageBoxW = m_saved;
    g_wideRecorder = m_outer;
}

int WINAPI WideBoxRecorder::FakeMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type)
{
    RecordedWideBox box;
    box.Text = text ? text : L"";
    box.Caption = caption ? caption : L"";
    box.Type = type;
    g_wideRecorder->m_boxes.push_back(box);
    return IDOK;
}

ScriptFolder::ScriptFolder() : m_path(FileTree::NewTempFolder())
{
    char current[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, current);
    if (n > 0 && n < MAX_PATH)
        m_previous = current;
    if (!SetCurrentDirectoryA(m_path.c_str())) {
        FileTree::RemoveTree(m_path);
        throw std::runtime_error("cannot enter " + m_path);
    }
}

ScriptFolder::ScriptFolder(const std::string& scriptBytes) : ScriptFolder()
{
    WriteFile(SETUP_SCRIPT_FILE, scriptBytes);
}

ScriptFolder::~ScriptFolder()
{
    if (!m_previous.empty())
        SetCurrentDirectoryA(m_previous.c_str());
    FileTree::RemoveTree(m_path);
}

void ScriptFolder::WriteFile(const std::string& name, const std::string& bytes) const
{
    std::string path = m_path + "\\" + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size())
        throw std::runtime_error("cannot write " + path);
}

// Shared pieces of the unit tests: the application object the installer's
// code expects, a stand-in for the user at message boxes, and a throw-away
// installer folder holding a setup script.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/SystemCalls.h"

// The application object of the test program (the installer's own lives in
// TheApp.cpp, which the tests do not link). It has no main window unless a
// test gives it one.
class CTarvelApp;
CTarvelApp& TestApp();

// Sets one value of the document's setup script, replacing an earlier one of
// the same section and key, else adding it at the end.
class CTarvelDoc;
void SetScriptValue(CTarvelDoc& doc, const char* section, const std::string& key, const std::string& value);

// One run of the installer in the current folder, as "tarvel.exe /PSM"
// makes it: no dialog, every box answered by whoever answers boxes. Its
// exit code.
int RunSilentSetup();

// A later step of the run fails: the driver's end of the run, its one undo
// of everything the run changed and its one box.
void FailLaterStep(CTarvelDoc& doc);

// Empties both lists of the journal of created folders.
void ResetJournal();
// The journal's lists, oldest first.
std::vector<std::string> InstallJournal();
std::vector<std::string> SharedJournal();

// One message box as the installer asked for it.
struct RecordedBox
{
    HWND Owner = nullptr;
    std::string Text;
    std::string Caption;
    UINT Type = 0;
};

// Answers every message box in its lifetime instead of a user: records it
// and returns the next scripted answer, then the default one. Puts the
// previous MessageBoxA back when it goes.
class BoxRecorder
{
public:
    explicit BoxRecorder(int defaultAnswer = IDOK);
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    // Answers for the next boxes, in order.
    void Answer(std::vector<int> answers);

    const std::vector<RecordedBox>& Boxes() const { return m_boxes; }
    size_t Count() const { return m_boxes.size(); }
    const RecordedBox& Last() const { return m_boxes.back(); }
    void Clear() { m_boxes.clear(); }

private:
    static int WINAPI FakeMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

    std::vector<RecordedBox> m_boxes;
    std::vector<int> m_answers;
    size_t m_nextAnswer = 0;
    int m_defaultAnswer;
    int (WINAPI* m_saved)(HWND, LPCSTR, LPCSTR, UINT);
    BoxRecorder* m_outer;
};

// One wide message box (a text built into the program) as it was asked for.
struct RecordedWideBox
{
    std::wstring Text;
    std::wstring Caption;
    UINT Type = 0;
};

// Answers every wide message box in its lifetime with OK and records it.
// Puts the previous MessageBoxW back when it goes.
class WideBoxRecorder
{
public:
    WideBoxRecorder();
    ~WideBoxRecorder();
    WideBoxRecorder(const WideBoxRecorder&) = delete;
    WideBoxRecorder& operator=(const WideBoxRecorder&) = delete;

    const std::vector<RecordedWideBox>& Boxes() const { return m_boxes; }
    size_t Count() const { return m_boxes.size(); }

private:
    static int WINAPI FakeMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

    std::vector<RecordedWideBox> m_boxes;
    int (WINAPI* m_saved)(HWND, LPCWSTR, LPCWSTR, UINT);
    WideBoxRecorder* m_outer;
};

// A fresh folder under the temp folder, made the current folder for the
// lifetime of the object, as the installer's folder is during a run. The
// previous current folder comes back and the folder is deleted afterwards.
class ScriptFolder
{
public:
    // An empty folder: no setup script.
    ScriptFolder();
    // A folder whose setup script holds exactly these bytes.
    explicit ScriptFolder(const std::string& scriptBytes);
    ~ScriptFolder();
    ScriptFolder(const ScriptFolder&) = delete;
    ScriptFolder& operator=(const ScriptFolder&) = delete;

    // Writes a file (name relative to the folder) with exactly these bytes.
    void WriteFile(const std::string& name, const std::string& bytes) const;
    // The folder's full path, without a trailing backslash.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::string m_previous;
};

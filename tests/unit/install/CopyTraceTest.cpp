// The package copy and the shared copy over an earlier installation, traced
// call by call: every change through the seam table with its paths, every
// refresh with the position and item shown, then the record of changes and
// the log text. Compared with a trace taken from a known good build, so
// that a reworked loop that calls in another order, records another change
// or shows another item is caught at the line where it starts to differ.
#include <gtest/gtest.h>

#include "SharedTestSupport.h"
#include "app/TarvelView.h"
#include "install/PackageCopy.h"

#include <string>
#include <vector>

using namespace shared_test;

namespace {

std::vector<std::string> g_trace;
std::string g_root; // the tree's path, written "<root>" in the trace

std::string Plain(std::string text)
{
    for (size_t at; !g_root.empty() && (at = text.find(g_root)) != std::string::npos;)
        text.replace(at, g_root.size(), "<root>");
    // The aside folder's name carries the process id.
    const std::string pid = "." + std::to_string(GetCurrentProcessId()) + ".";
    for (size_t at; (at = text.find(pid)) != std::string::npos;)
        text.replace(at, pid.size(), ".<pid>.");
    return text;
}

void Trace(const std::string& line) { g_trace.push_back(Plain(line)); }

BOOL WINAPI TracedCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    Trace(std::string("CreateDirectoryA ") + path);
    return CreateDirectoryA(path, security);
}
BOOL WINAPI TracedCopy(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    Trace(std::string("CopyFileA ") + from + " > " + to);
    return CopyFileA(from, to, failIfExists);
}
BOOL WINAPI TracedMove(LPCSTR from, LPCSTR to)
{
    Trace(std::string("MoveFileA ") + from + " > " + to);
    return MoveFileA(from, to);
}
BOOL WINAPI TracedAttributes(LPCSTR path, DWORD attributes)
{
    Trace(std::string("SetFileAttributesA ") + path + " " + std::to_string(attributes));
    return SetFileAttributesA(path, attributes);
}
BOOL WINAPI TracedWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    Trace("WriteFile " + std::to_string(size));
    return WriteFile(file, data, size, written, overlapped);
}

// Each refresh, as the status window would show it.
class TracingView : public CTarvelView
{
public:
    TracingView() { IsStatusShown = 1; }
    void OnUpdate(CView*, LPARAM, CObject*) override
    {
        CTarvelDoc* doc = static_cast<CTarvelDoc*>(GetDocument());
        Trace("update " + std::to_string(doc->GetProgress()) + " " + doc->CurrentItem.str());
    }
};

const char* KindName(Change::Kind kind)
{
    switch (kind) {
    case Change::Kind::FolderCreated: return "folder";
    case Change::Kind::FileWritten: return "written";
    case Change::Kind::FileKeptAside: return "kept";
    case Change::Kind::FileLeft: return "left";
    case Change::Kind::AsideFolder: return "aside-folder";
    case Change::Kind::LibraryRegistered: return "registered";
    case Change::Kind::LibraryReplaced: return "replaced";
    case Change::Kind::KeyCreated: return "key";
    case Change::Kind::ValueSet: return "value";
    }
    return "?";
}

const char* AreaName(Change::Area area)
{
    switch (area) {
    case Change::Area::Package: return "package";
    case Change::Area::Shortcuts: return "shortcuts";
    case Change::Area::Shared: return "shared";
    }
    return "?";
}

// Lines of the trace, one a line, so that a mismatch shows where it starts.
std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

// The shared package's tree, with two data folders beside "common" and an
// earlier installation in "dest" and "shared".
class CopyTraceTest : public SharedPackage
{
protected:
    void SetUp() override
    {
        SharedPackage::SetUp();
        g_trace.clear();
        g_root = tree.Path();
        AddLibrary("old.dll");
        AddLibrary("new.dll");
    }

    void TearDown() override
    {
        g_root.clear();
        SharedPackage::TearDown();
    }

    void Write(const std::string& below, const std::string& bytes, DWORD attributes = 0)
    {
        tree.WriteFile(below, bytes);
        if (attributes)
            SetFileAttributesA(Root(below).c_str(), attributes);
    }

    // What the copy leaves alone must be the same to the byte, time and attributes.
    void Same(const std::string& from, const std::string& to)
    {
        ASSERT_TRUE(CopyFileA(Root(from).c_str(), Root(to).c_str(), FALSE)) << to;
    }

    void TraceSeams()
    {
        Sys().CreateDirectoryA = &TracedCreateDirectory;
        Sys().CopyFileA = &TracedCopy;
        Sys().MoveFileA = &TracedMove;
        Sys().SetFileAttributesA = &TracedAttributes;
        Sys().WriteFile = &TracedWrite;
    }

    void TraceRecord()
    {
        for (const Change& change : doc.Record().Changes())
            Trace(std::string("record ") + KindName(change.Type) + " " + AreaName(change.Where) + " "
                  + change.Path.str() + (change.Aside.IsEmpty() ? "" : " > " + change.Aside.str()));
    }

    TracingView view;
};

TEST_F(CopyTraceTest, PackageCopyOverAnEarlierInstallation)
{
    MakeFolder(Root("GUIDE"));
    MakeFolder(Root("GUIDE\\img"));
    MakeFolder(Root("MORE"));
    MakeFolder(Root("MORE\\new"));
    Write("GUIDE\\index.htm", "index v2");
    Write("GUIDE\\same.htm", "same");
    Write("GUIDE\\img\\a.gif", "gif");
    Write("GUIDE\\settings.ini", "settings", FILE_ATTRIBUTE_READONLY);
    Write("GUIDE\\both.htm", "both, first", FILE_ATTRIBUTE_READONLY);
    Write("MORE\\both.htm", "both, second");
    Write("MORE\\new\\n.htm", "n");
    Write("MORE\\top.htm", "top");
    // The earlier installation: a changed page, a read-only one, one the
    // same, and its folders.
    MakeFolder(Root("dest"));
    MakeFolder(Root("dest\\img"));
    Write("dest\\index.htm", "index v1");
    Write("dest\\top.htm", "top v1", FILE_ATTRIBUTE_READONLY);
    Same("GUIDE\\same.htm", "dest\\same.htm");

    Set(SEC_INSTALL, KEY_DATA_PATH, "GUIDE");
    Set(SEC_INSTALL, "DATA_PATH2", "MORE");
    doc.WritableFiles.Add("GUIDE\\settings.ini");
    doc.InstallFolder = Root("dest\\").c_str();
    int end = 0;
    ASSERT_GT(doc.ScanSourceFolder("..\\GUIDE\\*.*", doc.SourceList, 0, &end), 0);
    ASSERT_GT(doc.ScanSourceFolder("..\\MORE\\*.*", doc.SourceList, end, &end), 0);
    doc.IsSharedComponents = 0;
    doc.AddView(&view);
    TraceSeams();

    const BOOL copied = PackageCopy::CopyFiles(doc);
    ResetSystemCalls();
    doc.RemoveView(&view);
    ASSERT_TRUE(copied);
    TraceRecord();
    Trace("log " + doc.LogText.str());

    const std::vector<std::string> expected = {
        // The aside folder and its journal first: a run killed at any
        // point after it is undone by the next one.
        "CreateDirectoryA <root>\\dest\\~TarvelKept.<pid>.0",
        "SetFileAttributesA <root>\\dest\\~TarvelKept.<pid>.0 2",
        "update 9 <root>\\dest\\both.htm",
        "CopyFileA ..\\GUIDE\\both.htm > <root>\\dest\\both.htm",
        "update 18 <root>\\dest\\img",
        "update 27 <root>\\dest\\img\\a.gif",
        "CopyFileA ..\\GUIDE\\img\\a.gif > <root>\\dest\\img\\a.gif",
        "update 36 <root>\\dest\\index.htm",
        "CreateDirectoryA <root>\\dest\\~TarvelKept.<pid>.0\\0",
        "MoveFileA <root>\\dest\\index.htm > <root>\\dest\\~TarvelKept.<pid>.0\\0\\0",
        "CopyFileA ..\\GUIDE\\index.htm > <root>\\dest\\index.htm",
        "update 45 <root>\\dest\\same.htm",
        "update 54 <root>\\dest\\settings.ini",
        "CopyFileA ..\\GUIDE\\settings.ini > <root>\\dest\\settings.ini",
        "SetFileAttributesA <root>\\dest\\settings.ini 32",
        "update 63 <root>\\dest\\both.htm",
        "SetFileAttributesA <root>\\dest\\both.htm 32",
        "CopyFileA ..\\MORE\\both.htm > <root>\\dest\\both.htm",
        "update 72 <root>\\dest\\new",
        "CreateDirectoryA <root>\\dest\\new",
        "update 81 <root>\\dest\\new\\n.htm",
        "CopyFileA ..\\MORE\\new\\n.htm > <root>\\dest\\new\\n.htm",
        "update 90 <root>\\dest\\top.htm",
        "MoveFileA <root>\\dest\\top.htm > <root>\\dest\\~TarvelKept.<pid>.0\\0\\1",
        "CopyFileA ..\\MORE\\top.htm > <root>\\dest\\top.htm",
        "WriteFile 104",
        "SetFileAttributesA <root>\\dest\\setupf.cfn 33",
        "record aside-folder package <root>\\dest\\~TarvelKept.<pid>.0",
        "record written package <root>\\dest\\both.htm",
        "record written package <root>\\dest\\img\\a.gif",
        "record aside-folder package <root>\\dest\\~TarvelKept.<pid>.0\\0",
        "record kept package <root>\\dest\\index.htm > <root>\\dest\\~TarvelKept.<pid>.0\\0\\0",
        "record written package <root>\\dest\\index.htm",
        "record left package <root>\\dest\\same.htm",
        "record written package <root>\\dest\\settings.ini",
        "record written package <root>\\dest\\both.htm",
        "record folder package <root>\\dest\\new",
        "record written package <root>\\dest\\new\\n.htm",
        "record kept package <root>\\dest\\top.htm > <root>\\dest\\~TarvelKept.<pid>.0\\0\\1",
        "record written package <root>\\dest\\top.htm",
        "record written package <root>\\dest\\setupf.cfn",
        "log both.htm? <d>:img? img\\a.gif? index.htm? same.htm? settings.ini? both.htm? <d>:new? new\\n.htm? top.htm? ",
    };
    EXPECT_EQ(Lines(expected), Lines(g_trace));
}

TEST_F(CopyTraceTest, SharedCopyOverAnEarlierInstallation)
{
    MakeFolder(Root("common\\sub"));
    MakeFolder(Root("common\\kept"));
    CopyIn(TESTLIB_V1200, Root("common\\old.dll"));
    CopyIn(TESTLIB_V1200, Root("common\\new.dll"));
    Write("common\\readme.txt", "readme v2");
    Write("common\\sub\\s.txt", "s");
    Write("common\\kept\\k.txt", "k");
    // Another product's shared folder: an older and a newer library, a
    // read-only readme and a folder of its own.
    MakeFolder(Root("shared"));
    MakeFolder(Root("shared\\kept"));
    CopyIn(TESTLIB_V1001, Root("shared\\old.dll"));
    CopyIn(TESTLIB_V2000, Root("shared\\new.dll"));
    Write("shared\\readme.txt", "readme v1", FILE_ATTRIBUTE_READONLY);

    ASSERT_EQ(1, Prepare());
    doc.SourceList.resize(4);
    doc.ProgressDivisor = static_cast<int>(doc.SourceList.size()) + doc.SharedFileCount + 1;
    doc.AddView(&view);
    TraceSeams();

    const int copied = doc.CopySharedFiles();
    ResetSystemCalls();
    doc.RemoveView(&view);
    ASSERT_EQ(1, copied);
    TraceRecord();
    for (int i = 0; i < doc.RegistrationList.GetSize(); ++i)
        Trace("queued " + doc.RegistrationList[i].str());

    const std::vector<std::string> expected = {
        "update 41 ",
        "update 50 <root>\\shared\\kept",
        "CopyFileA ..\\common\\kept\\k.txt > <root>\\shared\\kept\\k.txt",
        "update 58 <root>\\shared\\kept\\k.txt",
        "update 66 <root>\\shared\\kept\\k.txt",
        "CreateDirectoryA <root>\\shared\\~TarvelKept.<pid>.0",
        "SetFileAttributesA <root>\\shared\\~TarvelKept.<pid>.0 2",
        "CreateDirectoryA <root>\\shared\\~TarvelKept.<pid>.0\\0",
        "MoveFileA <root>\\shared\\old.dll > <root>\\shared\\~TarvelKept.<pid>.0\\0\\0",
        "CopyFileA ..\\common\\old.dll > <root>\\shared\\old.dll",
        "update 75 <root>\\shared\\old.dll",
        "MoveFileA <root>\\shared\\readme.txt > <root>\\shared\\~TarvelKept.<pid>.0\\0\\1",
        "CopyFileA ..\\common\\readme.txt > <root>\\shared\\readme.txt",
        "update 83 <root>\\shared\\readme.txt",
        "CreateDirectoryA <root>\\shared\\sub",
        "update 91 <root>\\shared\\sub",
        "CopyFileA ..\\common\\sub\\s.txt > <root>\\shared\\sub\\s.txt",
        "record written shared <root>\\shared\\kept\\k.txt",
        "record left shared <root>\\shared\\new.dll",
        "record replaced shared <root>\\shared\\old.dll",
        "record aside-folder shared <root>\\shared\\~TarvelKept.<pid>.0",
        "record aside-folder shared <root>\\shared\\~TarvelKept.<pid>.0\\0",
        "record kept shared <root>\\shared\\old.dll > <root>\\shared\\~TarvelKept.<pid>.0\\0\\0",
        "record written shared <root>\\shared\\old.dll",
        "record kept shared <root>\\shared\\readme.txt > <root>\\shared\\~TarvelKept.<pid>.0\\0\\1",
        "record written shared <root>\\shared\\readme.txt",
        "record folder shared <root>\\shared\\sub",
        "record written shared <root>\\shared\\sub\\s.txt",
        "queued <root>\\shared\\new.dll",
        "queued <root>\\shared\\old.dll",
    };
    EXPECT_EQ(Lines(expected), Lines(g_trace));
}

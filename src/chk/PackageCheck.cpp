#include "chk/PackageCheck.h"

#include "base/Links.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "install/PackageLoading.h"
#include "install/Prepare.h"
#include "chk/FileFormats.h"
#include "chk/PackageFiles.h"
#include "chk/SignatureCheck.h"
#include "script/ScriptKeys.h"
#include "script/ScriptProducts.h"
#include "shared/FileVersionInfo.h"

#include <map>
#include <string>
#include <vector>

namespace Chk {

namespace {

// The longest program-files folder a 32-bit installer meets: on 64-bit Windows.
constexpr char WIDEST_PROGRAM_FILES[] = "C:\\Program Files (x86)";
// A path of MAX_PATH bytes or more cannot be created or copied to.
constexpr int LONGEST_PATH = MAX_PATH - 1;

// --- files -------------------------------------------------------------------------

std::string ReadAll(const char* path)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

// The look-up the installer makes for a file it names: FindFirstFileA on the
// path, which also finds a folder, and no wildcards.
enum class Found { File, Folder, Missing, Wildcard, Link };
Found LookUp(const CString& path)
{
    if (path.Find('*') >= 0 || path.Find('?') >= 0)
        return Found::Wildcard;
    WIN32_FIND_DATAA data;
    if (!ScopedFind(path, data).IsOpen())
        return Found::Missing;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Found::Link;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Found::Folder : Found::File;
}

CString LinkText(const CString& path)
{
    return Quote(path) + " is a link (a junction or symbolic link): the installer copies no linked item and "
                         "stops before copying with ERR_MES_ERROR_OCCURRED";
}

// 12345678 as "12,345,678".
CString Number(ULONGLONG n)
{
    CString digits;
    do {
        digits = CString(static_cast<char>('0' + n % 10), 1) + digits;
        n /= 10;
    } while (n);
    CString out;
    for (int i = 0; i < digits.GetLength(); ++i) {
        if (i && (digits.GetLength() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

CString Lower(CString text)
{
    return text.MakeLower();
}

// One folder the install copies: a data folder or the shared files' folder.
struct ScannedFolder
{
    CString Key;
    CString Value;
    int Line = 0;
    bool Scanned = false;
    std::vector<SourceEntry> Items; // paths as the installer forms them: "..\DATA\sub\file"
};

class CPackageCheck
{
public:
    CPackageCheck(const CScriptModel& model, const PackageOptions& options, CFindings& findings)
        : m(model), m_options(options), m_findings(findings)
    {
        for (int i = 0; i < model.Count; ++i)
            m_run.SetupScript[i] = model.Entries[i];
        m_run.ScriptCount = model.Count;
    }

    void Run()
    {
        CheckUninstaller();
        CheckSignatures(m, m_findings);
        CheckIcon();
        CheckBanner();
        ScanDataFolders();
        CheckWritableFiles();
        CheckSharedComponents();
        CheckDestination();
        CheckCollisions();
        CheckProductKeyFiles();
    }

private:
    CString Value(const char* section, const char* key) const { return m.Value(section, key); }
    int Line(const char* section, const char* key) const { return m.LineOf(section, key); }

    // The installer's own scan of a folder, which keeps its failure.
    // False when the folder cannot be listed; m_linked names the link that
    // stopped the installer's scan, if one did.
    bool Scan(const CString& folder, std::vector<SourceEntry>& items)
    {
        m_linked.Empty();
        if (Links::IsLink("..\\" + folder)) {
            m_linked = "..\\" + folder;
            return false;
        }
        int end = 0;
        m_run.Failure = RunError();
        if (Preparation::ScanSourceFolder(m_run, "..\\" + folder + "\\*.*", items, 0, &end) >= 0)
            return true;
        if (m_run.Failure.Operation == "list package, a link")
            m_linked = m_run.Failure.Path;
        return false;
    }

    // A file the installer copies from its own folder.
    bool CheckNamedFile(const char* section, const char* key, const char* what)
    {
        const CString name = Value(section, key);
        if (name.IsEmpty())
            return false; // reported with the script
        const int line = Line(section, key);
        switch (LookUp(name)) {
        case Found::Wildcard:
            m_findings.Error(line, "missing-file",
                             CString(what) + " " + Quote(name) + " holds a wildcard: the installer stops before "
                                 "copying with ERR_MES_ERROR_OCCURRED");
            return false;
        case Found::Missing:
            m_findings.Error(line, "missing-file",
                             CString(what) + " " + Quote(name) + " is not in the setup folder: the installer stops"
                                 + (CString(key) == KEY_UNINSTALL_FILE ? " at once" : " before copying"));
            return false;
        case Found::Folder:
            m_findings.Error(line, "missing-file",
                             CString(what) + " " + Quote(name) + " is a folder, not a file");
            return false;
        case Found::Link:
            m_findings.Error(line, "linked-item", CString(what) + " " + LinkText(name));
            return false;
        default:
            break;
        }
        return true;
    }

    void CheckUninstaller() { CheckNamedFile(SEC_UNINSTALL, KEY_UNINSTALL_FILE, "the uninstaller"); }

    void CheckIcon()
    {
        if (!CheckNamedFile(SEC_INSTALL, KEY_ICON_NAME, "the icon"))
            return;
        const CString name = Value(SEC_INSTALL, KEY_ICON_NAME);
        const int line = Line(SEC_INSTALL, KEY_ICON_NAME);
        const std::vector<IconImage> images = ReadIconImages(ReadAll(name));
        if (images.empty()) {
            m_findings.Warning(line, "icon-format",
                               Quote(name) + " is not an icon file (.ico): the shortcuts show a blank icon");
            return;
        }
        bool small = false, large = false, shown = false;
        for (const IconImage& image : images) {
            small = small || (image.Width == 16 && image.Height == 16 && !image.Png);
            large = large || (image.Width == 32 && image.Height == 32 && !image.Png);
            shown = shown || !image.Png;
        }
        if (!shown)
            m_findings.Warning(line, "icon-format",
                               Quote(name) + " holds only PNG-compressed images, which Windows XP and older "
                                   "cannot show");
        else if (!small || !large)
            m_findings.Warning(line, "icon-sizes",
                               Quote(name) + " lacks a " + (large ? "16x16" : small ? "32x32" : "16x16 and a 32x32")
                                   + " image: Windows scales another one for the Start menu and the desktop");
    }

    void CheckBanner()
    {
        const CString name = Value(SEC_INSTALL, KEY_BACKGROUND_FILE);
        if (name.IsEmpty())
            return;
        const int line = Line(SEC_INSTALL, KEY_BACKGROUND_FILE);
        CFileStatus status;
        if (!CFile::GetStatus(name, status)) {
            m_findings.Warning(line, "banner-missing",
                               "the banner " + Quote(name) + " is not in the setup folder: the install-folder "
                                   "dialog shows no banner");
            return;
        }
        const BitmapInfo bitmap = ReadBitmapInfo(ReadAll(name));
        if (!bitmap.IsBitmap || bitmap.Compression == 4 || bitmap.Compression == 5) {
            m_findings.Warning(line, "banner-format",
                               "the banner " + Quote(name) + " is not a Windows bitmap (BMP) the system can load: "
                                   "the banner stays white");
            return;
        }
        if (!m_options.BannerWidth || !m_options.BannerHeight)
            return;
        CString size;
        size.Format("%dx%d pixels; the banner is %dx%d", bitmap.Width, bitmap.Height, m_options.BannerWidth,
                    m_options.BannerHeight);
        if (bitmap.Width > m_options.BannerWidth || bitmap.Height > m_options.BannerHeight)
            m_findings.Warning(line, "banner-size",
                               "the banner bitmap is " + size + ": it is cut at the right and bottom, not scaled");
        else if (bitmap.Width < m_options.BannerWidth || bitmap.Height < m_options.BannerHeight)
            m_findings.Note(line, "banner-size", "the banner bitmap is " + size + ": it is centred on white");
    }

    void ScanDataFolders()
    {
        for (int i = 1; i <= 5; ++i) {
            ScannedFolder folder;
            folder.Key = KEY_DATA_PATH;
            if (i > 1)
                folder.Key.Format(KEY_DATA_PATH_FMT, i);
            folder.Value = Value(SEC_INSTALL, folder.Key);
            if (folder.Value.IsEmpty())
                break;
            folder.Line = Line(SEC_INSTALL, folder.Key);
            folder.Scanned = Scan(folder.Value, folder.Items);
            if (!folder.Scanned && !m_linked.IsEmpty()) {
                m_findings.Error(folder.Line, "linked-item", "the data folder holds " + LinkText(m_linked));
            } else if (!folder.Scanned) {
                m_findings.Error(folder.Line, "missing-folder",
                                 "the data folder " + Quote("..\\" + folder.Value) + " cannot be read: the "
                                     "installer stops before copying with ERR_MES_FILE_NOT_EXIST");
            } else {
                m_findings.Note(folder.Line, "data-folder", Summary(folder));
            }
            m_data.push_back(folder);
        }
    }

    static CString Summary(const ScannedFolder& folder)
    {
        int files = 0, folders = 0;
        ULONGLONG bytes = 0;
        for (const SourceEntry& item : folder.Items) {
            if (item.Attributes & FILE_ATTRIBUTE_DIRECTORY)
                ++folders;
            else
                ++files;
            bytes += item.Size();
        }
        CString text;
        text.Format(" installs %d file%s and %d folder%s, ", files, files == 1 ? "" : "s", folders,
                    folders == 1 ? "" : "s");
        return Quote(folder.Value) + text + Number(bytes) + " bytes";
    }

    // The item's name below its folder: "..\DATA\sub\x" gives "sub\x".
    static CString Below(const ScannedFolder& folder, const SourceEntry& item)
    {
        return item.Path.Mid(CString("..\\" + folder.Value + "\\").GetLength());
    }

    void CheckWritableFiles()
    {
        for (int i = 1; i <= 5; ++i) {
            CString key;
            key.Format(KEY_WRITE_FILE_FMT, i);
            const CString value = Value(SEC_INSTALL, key);
            if (value.IsEmpty())
                break;
            const int line = Line(SEC_INSTALL, key);
            const CString path = "..\\" + value;
            CFileStatus status;
            if (!CFile::GetStatus(path, status)) {
                m_findings.Error(line, "missing-file",
                                 "the writable file " + Quote(path) + " does not exist: the installer stops at once");
                continue;
            }
            // An installed file stays writable when its package path holds
            // this one, as the copy compares them.
            bool used = false;
            const CString wanted = Lower(path);
            for (const ScannedFolder& folder : m_data) {
                for (const SourceEntry& item : folder.Items)
                    used = used || Lower(item.Path).Find(wanted) >= 0;
            }
            for (const SourceEntry& item : m_shared.Items)
                used = used || Lower(item.Path).Find(wanted) >= 0;
            if (!used)
                m_findings.Warning(line, "writable-not-installed",
                                   Quote(value) + " lies in no data folder the install copies: it keeps no "
                                       "installed file writable");
        }
    }

    void CheckSharedComponents()
    {
        const CString first = Value(SEC_INSTALL, KEY_REG_LIBFILE1);
        if (first.IsEmpty() || first.CompareNoCase(VALUE_NONE) == 0)
            return;
        m_shared.Key = KEY_COMMON_PATH;
        m_shared.Value = Value(SEC_INSTALL, KEY_COMMON_PATH);
        m_shared.Line = Line(SEC_INSTALL, KEY_COMMON_PATH);
        if (!m_shared.Value.IsEmpty()) {
            m_shared.Scanned = Scan(m_shared.Value, m_shared.Items);
            if (!m_shared.Scanned && !m_linked.IsEmpty())
                m_findings.Error(m_shared.Line, "linked-item",
                                 "the shared files' folder holds " + LinkText(m_linked));
            else if (!m_shared.Scanned)
                m_findings.Error(m_shared.Line, "missing-folder",
                                 "the shared files' folder " + Quote("..\\" + m_shared.Value) + " cannot be read: "
                                     "the installer stops before copying");
            else
                m_findings.Note(m_shared.Line, "data-folder", Summary(m_shared));
        }

        for (int i = 1; i <= 5; ++i) {
            CString key;
            key.Format(KEY_REG_LIBFILE_FMT, i);
            const CString value = Value(SEC_INSTALL, key);
            if (value.IsEmpty())
                break;
            CheckLibrary(value, Line(SEC_INSTALL, key));
        }
    }

    void CheckLibrary(const CString& value, int line)
    {
        const CString path = "..\\" + value;
        CFileStatus status;
        if (!CFile::GetStatus(path, status)) {
            m_findings.Error(line, "missing-file",
                             "the shared library " + Quote(path) + " does not exist: the installer stops at once");
            return;
        }
        // The copy registers a shared file whose package path is this one.
        bool copied = false;
        for (const SourceEntry& item : m_shared.Items)
            copied = copied || (!(item.Attributes & FILE_ATTRIBUTE_DIRECTORY) && item.Path.CompareNoCase(path) == 0);
        if (m_shared.Scanned && !copied) {
            m_findings.Warning(line, "library-not-shared",
                               Quote(path) + " is not in the shared files' folder " + Quote("..\\" + m_shared.Value)
                                   + " as the installer names its files: it is never copied or registered");
            return;
        }
        const LibraryInfo library = ReadLibraryInfo(ReadAll(path));
        if (!library.IsPe || !library.IsDll) {
            m_findings.Error(line, "library-format",
                             Quote(path) + " is not a Windows library (DLL): registering it fails after every "
                                 "file was copied, and the install is undone");
            return;
        }
        if (library.Machine != 0x14C) {
            m_findings.Error(line, "library-format",
                             Quote(path) + " is not a 32-bit library: the 32-bit installer cannot load it, so "
                                 "registering it fails after every file was copied");
            return;
        }
        bool registers = false;
        for (const std::string& name : library.Exports)
            registers = registers || name == "DllRegisterServer";
        if (!registers)
            m_findings.Error(line, "library-registration",
                             Quote(path) + " exports no DllRegisterServer: registering it fails after every file "
                                 "was copied, and the install is undone");
        CFileVersionInfo versions;
        const CString version = versions.GetFileVersion(path);
        if (version.IsEmpty()) {
            // A repair or update stops after the copy and is undone: that
            // is an install that fails, if not the first one.
            m_findings.Error(line, "library-version",
                             Quote(path) + " has no FileVersion in a version resource: its first install works, "
                                 "but any later install over it stops with ERR_MES_ERROR_OCCURRED after the copy");
        } else if (!CFileVersionInfo::IsReadWhole(version)) {
            // The installer compares the texts, never the fixed numbers:
            // "1.0.0.3" reads as 1,0,0,0, so every later version reads the
            // same and an installed copy is never replaced.
            const CString fixed = versions.GetFixedFileVersion(path);
            m_findings.Warning(line, "library-version-text",
                               Quote(path) + " has the FileVersion text " + Quote(version)
                                   + ", which the installer reads as " + CFileVersionInfo::VersionAsRead(version)
                                   + (fixed.IsEmpty() ? CString() : " (its fixed FILEVERSION is " + fixed + ")")
                                   + ": write it as four numbers with commas between them, or a later version "
                                     "of the library may never replace an installed one");
        }
    }

    // Where each item lands, relative to the destination, as the copy maps it.
    std::vector<std::pair<CString, const SourceEntry*>> Installed() const
    {
        std::vector<std::pair<CString, const SourceEntry*>> items;
        for (const ScannedFolder& folder : m_data) {
            for (const SourceEntry& item : folder.Items)
                items.push_back({Below(folder, item), &item});
        }
        for (const CString& name : NamedFiles())
            items.push_back({PathHelpers::NamedFileDestination(name), nullptr});
        return items;
    }

    std::vector<CString> NamedFiles() const
    {
        return {Value(SEC_UNINSTALL, KEY_UNINSTALL_FILE), SETUP_SCRIPT_FILE, Value(SEC_INSTALL, KEY_ICON_NAME)};
    }

    void CheckDestination()
    {
        const CString base = Value(SEC_INSTALL, KEY_APPPATH_BASE);
        const int line = Line(SEC_INSTALL, KEY_APPPATH_BASE);
        auto destinationUnder = [&](const CString& programFiles) {
            CString folder = programFiles;
            if (!(base.GetLength() && base[0] == '\\') && !PathHelpers::EndsWithBackslash(folder))
                folder += "\\";
            return PathHelpers::WithTrailingBackslash(folder + base);
        };
        const CString standard = destinationUnder("C:\\Program Files");
        m_findings.Note(line, "destination",
                        "the default destination is " + Quote(PathHelpers::WithoutTrailingBackslash(standard))
                            + " (" + Quote(PathHelpers::WithoutTrailingBackslash(destinationUnder(WIDEST_PROGRAM_FILES)))
                            + " on 64-bit Windows)");

        const CString widest = destinationUnder(WIDEST_PROGRAM_FILES);
        CString longest;
        for (const auto& item : Installed()) {
            const CString path = PathHelpers::WithoutTrailingBackslash(widest) + "\\" + item.first;
            if (path.GetLength() > longest.GetLength())
                longest = path;
        }
        if (longest.GetLength() > LONGEST_PATH) {
            CString text;
            text.Format("the longest destination path is %d bytes, more than the %d a path may have: ",
                        longest.GetLength(), LONGEST_PATH);
            m_findings.Error(line, "path-too-long",
                             text + Quote(longest) + "; the install fails at that file and is undone");
        }
    }

    void CheckCollisions()
    {
        // Lower-cased destination name: the data folder that put it there, and whether it is a folder.
        struct Owner
        {
            size_t Folder;
            bool IsFolder;
        };
        std::map<std::string, Owner> owners;
        std::map<std::pair<size_t, size_t>, std::vector<CString>> clashes;
        for (size_t f = 0; f < m_data.size(); ++f) {
            for (const SourceEntry& item : m_data[f].Items) {
                const CString name = Below(m_data[f], item);
                const bool isFolder = (item.Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                const std::string key = Lower(name).str();
                auto found = owners.find(key);
                if (found == owners.end()) {
                    owners[key] = Owner{f, isFolder};
                    continue;
                }
                if (found->second.Folder != f && !(found->second.IsFolder && isFolder))
                    clashes[{found->second.Folder, f}].push_back(name);
            }
        }
        for (const auto& clash : clashes) {
            const ScannedFolder& earlier = m_data[clash.first.first];
            const ScannedFolder& later = m_data[clash.first.second];
            CString names;
            for (size_t i = 0; i < clash.second.size() && i < 5; ++i)
                names += (i ? ", " : "") + Quote(clash.second[i]);
            if (clash.second.size() > 5)
                names += ", ...";
            m_findings.Warning(later.Line, "same-destination",
                               Quote(earlier.Value) + " and " + Quote(later.Value) + " both put " + names
                                   + " into the destination: the copy from " + Quote(later.Value) + " replaces the other");
        }
        static const char* const namedKeys[][2] = {
            {SEC_UNINSTALL, KEY_UNINSTALL_FILE}, {"", SETUP_SCRIPT_FILE}, {SEC_INSTALL, KEY_ICON_NAME}};
        const std::vector<CString> named = NamedFiles();
        for (size_t n = 0; n < named.size(); ++n) {
            if (named[n].IsEmpty())
                continue;
            const CString lands = PathHelpers::NamedFileDestination(named[n]);
            auto found = owners.find(Lower(lands).str());
            if (found == owners.end())
                continue;
            const int line = *namedKeys[n][0] ? Line(namedKeys[n][0], namedKeys[n][1]) : 0;
            m_findings.Warning(line, "same-destination",
                               Quote(m_data[found->second.Folder].Value) + " holds " + Quote(lands)
                                   + ", which the setup folder's " + Quote(named[n])
                                   + " replaces in the destination");
        }
    }

    void CheckProductKeyFiles()
    {
        std::vector<std::string> installed;
        for (const auto& item : Installed()) {
            if (!item.second || !(item.second->Attributes & FILE_ATTRIBUTE_DIRECTORY))
                installed.push_back(Lower(item.first).str());
        }
        auto isInstalled = [&](const CString& relative) {
            const std::string wanted = Lower(relative).str();
            for (const std::string& name : installed) {
                if (name == wanted)
                    return true;
            }
            return false;
        };
        // Product 1's key file is also the shortcuts' target, whatever PRODUCT_NUM says.
        const CString target = Value(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1);
        if (!target.IsEmpty() && !isInstalled(target))
            m_findings.Error(Line(SEC_INSTALL, KEY_PRODUCT_KEY_FILE1), "key-file-not-installed",
                             Quote(target) + " is not among the files the install puts into the destination: the "
                                 "shortcuts point at nothing");
        const int count = ScriptProducts::Count(Value(SEC_INSTALL, KEY_PRODUCT_NUM));
        for (int i : ScriptProducts::Indexes(m.Entries, m.Count, count)) {
            if (i == 1)
                continue;
            CString key;
            key.Format(KEY_PRODUCT_KEY_FILE_FMT, i);
            const CString file = Value(SEC_INSTALL, key);
            if (!file.IsEmpty() && !isInstalled(file))
                m_findings.Warning(Line(SEC_INSTALL, key), "key-file-not-installed",
                                   Quote(file) + " is not among the files the install puts into the destination");
        }
    }

    const CScriptModel& m;
    const PackageOptions& m_options;
    CFindings& m_findings;
    RunContext m_run;
    CString m_linked;
    std::vector<ScannedFolder> m_data;
    ScannedFolder m_shared;
};

} // namespace

void CheckPackage(const CScriptModel& model, const PackageOptions& options, CFindings& findings)
{
    CPackageCheck(model, options, findings).Run();
}

bool InstallerLoadFails(CString& message)
{
    RunContext run;
    if (PackageLoading::Load(run))
        return false;
    // A load failure without a text of its own is the general error, which
    // the installer words by the script.
    message = run.Failure.Text.IsEmpty() ? run.GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED)
                                         : run.Failure.Text;
    return true;
}

} // namespace Chk

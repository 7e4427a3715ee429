// Package generator of the install benchmark. Writes one package folder:
//
//   ROOT\GUIDE\...          the data files (text that compresses like HTML)
//   ROOT\setup\tarvel.eif   the setup script (the benchmark adds tarvel.exe,
//                           the uninstaller and the icon beside it)
//   ROOT\manifest.txt       what the floor program copies, in install order
//   ROOT\nsis-default.nsi   the same files for NSIS, default compression
//   ROOT\nsis-stored.nsi    the same with SetCompress off
//
//   genpkg.exe ROOT NAME FILES BYTES LAYOUT
//
// LAYOUT "flat" puts every file into GUIDE itself; "nested" makes FILES/100
// top folders, each with 10 sub-folders of 10 files. Every file has its own
// content, so no packer can fold two files into one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <direct.h>

namespace {

const char* const WORDS[] = {
    "the", "guide", "install", "folder", "page", "chapter", "index", "table", "figure", "note",
    "setup", "document", "reader", "section", "example", "value", "option", "window", "button", "file",
    "see", "also", "before", "after", "with", "without", "when", "which", "this", "that", "and", "or",
};

struct Random {
    uint32_t state;
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// Words and tags in the proportions of a help page, exactly `bytes` long.
void WriteText(const std::string& path, uint64_t bytes, uint32_t seed)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "genpkg: cannot write %s\n", path.c_str());
        std::exit(2);
    }
    Random random{seed * 2654435761u + 1};
    std::string chunk;
    uint64_t left = bytes;
    while (left > 0) {
        chunk.clear();
        while (chunk.size() < 65536) {
            const uint32_t r = random.Next();
            if (r % 23 == 0)
                chunk += "</p>\r\n<p>";
            else if (r % 97 == 0)
                chunk += "<a href=\"page" + std::to_string(r % 1000) + ".htm\">";
            chunk += WORDS[(r >> 8) % (sizeof WORDS / sizeof WORDS[0])];
            chunk += ' ';
        }
        const size_t n = left < chunk.size() ? static_cast<size_t>(left) : chunk.size();
        std::fwrite(chunk.data(), 1, n, out);
        left -= n;
    }
    std::fclose(out);
}

void MakeFolder(const std::string& path)
{
    _mkdir(path.c_str());
}

void WriteFile(const std::string& path, const std::string& text)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size()) {
        std::fprintf(stderr, "genpkg: cannot write %s\n", path.c_str());
        std::exit(2);
    }
    std::fclose(out);
}

std::string Crlf(const char* lines)
{
    std::string text;
    for (const char* c = lines; *c; ++c) {
        if (*c == '\n')
            text += '\r';
        text += *c;
    }
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: genpkg ROOT NAME FILES BYTES flat|nested\n");
        return 1;
    }
    const std::string root = argv[1];
    const std::string name = argv[2];
    const int files = std::atoi(argv[3]);
    const uint64_t bytes = std::strtoull(argv[4], nullptr, 10);
    const bool nested = std::string(argv[5]) == "nested";

    MakeFolder(root);
    MakeFolder(root + "\\GUIDE");
    MakeFolder(root + "\\setup");

    // Relative paths below GUIDE, folders before their contents.
    std::string manifest;
    std::string firstFile;
    int written = 0;
    auto addFile = [&](const std::string& relative) {
        WriteText(root + "\\GUIDE\\" + relative, bytes, static_cast<uint32_t>(written++));
        manifest += "F\tGUIDE\\" + relative + "\t" + relative + "\n";
        if (firstFile.empty())
            firstFile = relative;
    };
    char buffer[64];
    if (!nested) {
        for (int i = 0; i < files; ++i) {
            std::snprintf(buffer, sizeof buffer, "page%05d.htm", i);
            addFile(buffer);
        }
    } else {
        for (int t = 0; t < files / 100; ++t) {
            std::snprintf(buffer, sizeof buffer, "part%03d", t);
            const std::string top = buffer;
            MakeFolder(root + "\\GUIDE\\" + top);
            manifest += "D\t" + top + "\n";
            for (int s = 0; s < 10; ++s) {
                std::snprintf(buffer, sizeof buffer, "%s\\sec%d", top.c_str(), s);
                const std::string sub = buffer;
                MakeFolder(root + "\\GUIDE\\" + sub);
                manifest += "D\t" + sub + "\n";
                for (int f = 0; f < 10; ++f) {
                    std::snprintf(buffer, sizeof buffer, "%s\\page%d.htm", sub.c_str(), f);
                    addFile(buffer);
                }
            }
        }
    }
    // The installer copies its three named files last, into the root.
    for (const char* named : {"uninst.exe", "tarvel.eif", "guide.ico"})
        manifest += std::string("F\tsetup\\") + named + "\t" + named + "\n";
    WriteFile(root + "\\manifest.txt", manifest);

    const std::string app = "TarvelBench\\" + name;
    std::string script = Crlf("; Generated by the install benchmark (bench/genpkg.cpp).\n"
                              "[INSTALL]\n"
                              "CAPTION=Tarvel benchmark\n"
                              "MSG_COPY_FILE=Copying files...\n");
    script += "APPPATH_BASE=" + app + "\r\n";
    script += Crlf("DATA_PATH=GUIDE\n"
                   "ICON_NAME=guide.ico\n"
                   "PROGRAM_FOLDER_NAME=TarvelBench\n");
    script += "SHORTCUT_NAME=" + name + "\r\n";
    script += "PRODUCT_KEY_FILE1=" + firstFile + "\r\n";
    script += Crlf("FLAG_DESKTOP_ICON=FALSE\n"
                   "COMPANY_NAME=TarvelBench\n"
                   "PRODUCT_NUM=1\n");
    script += "UNINSTALL_NAME=Tarvel benchmark " + name + "\r\n";
    script += "PRODUCT_NAME1=" + name + "\r\n";
    script += Crlf("PRODUCT_LANGUAGE1=ENU\n"
                   "REG_LIBFILE1=NONE\n"
                   "[UNINSTALL]\n"
                   "UNINSTALL_FILE=uninst.exe\n");
    script += "UNINSTALL_KEY=TarvelBench " + name + "\r\n";
    script += Crlf("[ERROR]\n"
                   "ERR_MES_FILE_NOT_EXIST=A file of the package is missing.\n"
                   "ERR_MES_ERROR_OCCURRED=An error occurred.\n"
                   "ERR_MES_WRITE_ERROR=A folder cannot be created.\n"
                   "ERR_MES_COPY_ERROR=A file cannot be copied.\n"
                   "ERR_MES_NOSPACE=Not enough free space.\n"
                   "ERR_MES_USER_CANCEL=Installation cancelled.\n");
    WriteFile(root + "\\setup\\tarvel.eif", script);

    // makensis runs on the host in ROOT, so its paths use forward slashes.
    for (const char* variant : {"default", "stored"}) {
        std::string nsi = "; Generated by the install benchmark (bench/genpkg.cpp).\n";
        nsi += "Name \"Tarvel benchmark " + name + "\"\n";
        nsi += std::string("OutFile \"nsis-") + variant + ".exe\"\n";
        nsi += "InstallDir \"$PROGRAMFILES\\" + app + "\"\n";
        nsi += "RequestExecutionLevel admin\n";
        if (std::string(variant) == "stored")
            nsi += "SetCompress off\n";
        // Every file differs, so the compiler's search for equal data blocks
        // finds nothing; with 20,000 stored files of one size it takes minutes.
        // It changes only the build, not what the installer does.
        nsi += "SetDatablockOptimize off\n";
        nsi += "Section\n"
               "  SetOutPath \"$INSTDIR\"\n"
               "  File /r \"GUIDE/*.*\"\n"
               "  File \"setup/uninst.exe\"\n"
               "  File \"setup/tarvel.eif\"\n"
               "  File \"setup/guide.ico\"\n"
               "SectionEnd\n";
        WriteFile(root + "\\nsis-" + variant + ".nsi", nsi);
    }
    std::printf("%s: %d files of %llu bytes\n", name.c_str(), written, static_cast<unsigned long long>(bytes));
    return 0;
}

// The run log of the installer and the uninstaller (/LOG) as a deployment
// tool reads it.
#pragma once

#include "InstallSupport.h"

#include <string>
#include <vector>

namespace e2e {

inline const std::string kBom = "\xEF\xBB\xBF";

// The log as a deployment tool reads it: a byte-order mark, then lines in
// UTF-8, each "yyyy-mm-dd hh:mm:ss.mmm  category  text".
struct RunLogFile {
    bool found = false;
    bool hasBom = false;
    std::vector<std::string> lines; // without the time stamp
    std::vector<std::string> badLines;

    explicit RunLogFile(const std::string& path)
    {
        if (!e2e::Exists(path))
            return;
        found = true;
        std::string bytes = e2e::ReadFileBytes(path);
        hasBom = bytes.compare(0, kBom.size(), kBom) == 0;
        size_t at = hasBom ? kBom.size() : 0;
        while (at < bytes.size()) {
            size_t end = bytes.find("\r\n", at);
            const std::string line = bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
            at = end == std::string::npos ? bytes.size() : end + 2;
            if (IsStamped(line) && end != std::string::npos)
                lines.push_back(line.substr(25));
            else
                badLines.push_back(line);
        }
    }

    static bool IsStamped(const std::string& line)
    {
        const char* shape = "dddd-dd-dd dd:dd:dd.ddd  ";
        if (line.size() < 25)
            return false;
        for (size_t i = 0; i < 25; ++i)
            if (shape[i] == 'd' ? !(line[i] >= '0' && line[i] <= '9') : line[i] != shape[i])
                return false;
        return true;
    }

    // The first line of that category whose text holds `part`, or "".
    std::string Find(const std::string& category, const std::string& part = "") const
    {
        for (const std::string& line : lines)
            if (line.compare(0, category.size(), category) == 0 && line.size() > 10
                && line[category.size()] == ' ' && line.find(part, 10) != std::string::npos)
                return line;
        return "";
    }
    bool Has(const std::string& category, const std::string& part = "") const { return !Find(category, part).empty(); }

    std::string All() const
    {
        std::string out;
        for (const std::string& line : lines)
            out += line + "\n";
        for (const std::string& line : badLines)
            out += "NOT A LOG LINE: " + line + "\n";
        return out;
    }
};

// Every log has the same frame: the program's start line with the command
// line, the mode, and the exit code as its very last line.
inline void ExpectLogFrame(const RunLogFile& log, const std::string& program, const std::string& commandLine,
                           const char* mode, DWORD exitCode)
{
    ASSERT_TRUE(log.found) << "no log";
    EXPECT_TRUE(log.hasBom);
    EXPECT_TRUE(log.badLines.empty()) << log.All();
    ASSERT_FALSE(log.lines.empty());
    EXPECT_TRUE(log.Has("start", program + " 2.10, command line: " + commandLine)) << log.All();
    EXPECT_TRUE(log.Has("mode", mode)) << log.All();
    const std::string exitLine = "exit      exit code " + std::to_string(exitCode) + ":";
    EXPECT_EQ(log.lines.back().substr(0, exitLine.size()), exitLine) << log.All();
}

} // namespace e2e

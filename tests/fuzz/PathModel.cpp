#include "PathModel.h"

#include <cctype>

namespace PathModel {
namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

bool IsDevice(std::string name)
{
    // The name before the first dot, trailing blanks dropped, compared
    // without regard to case.
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "con" || name == "prn" || name == "aux" || name == "nul" || name == "conin$" || name == "conout$"
        || name == "clock$")
        return true;
    return name.size() == 4 && (name.compare(0, 3, "com") == 0 || name.compare(0, 3, "lpt") == 0)
        && std::isdigit(static_cast<unsigned char>(name[3]));
}

// One reading: 'pairInvalid' decides whether a lead byte before a byte that
// is no trail byte takes it along.
bool ResolveOnce(const std::string& path, bool pairInvalid, std::vector<std::string>& levels)
{
    levels.clear();
    // Characters: the byte runs that are one character each.
    std::vector<std::string> chars;
    for (size_t i = 0; i < path.size();) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        size_t length = 1;
        if (IsLead(c) && i + 1 < path.size() && path[i + 1] != '\0'
            && (pairInvalid || IsTrail(static_cast<unsigned char>(path[i + 1]))))
            length = 2;
        chars.push_back(path.substr(i, length));
        i += length;
    }
    auto separator = [&](size_t i) { return i < chars.size() && (chars[i] == "\\" || chars[i] == "/"); };
    // "X:" and a separator: the drive-rooted form, nothing else.
    if (chars.size() < 3 || chars[0].size() != 1 || !std::isalpha(static_cast<unsigned char>(chars[0][0]))
        || chars[1] != ":" || !separator(2))
        return false;
    levels.push_back(std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(chars[0][0])))) + ":");
    std::string level;
    bool inStream = false;
    auto endLevel = [&]() {
        std::string name = level;
        level.clear();
        inStream = false;
        if (name.empty())
            return true;
        size_t end = name.size();
        while (end > 0 && (name[end - 1] == '.' || name[end - 1] == ' '))
            --end;
        if (end == 0) {
            if (name == ".")
                return true;
            // "..", "...", ". ." : up, the reading that leads furthest out.
            if (levels.size() <= 1)
                return false;
            levels.pop_back();
            return true;
        }
        if (IsDevice(name))
            return false;
        levels.push_back(name.substr(0, end));
        return true;
    };
    for (size_t i = 3; i < chars.size(); ++i) {
        if (chars[i] == std::string(1, '\0'))
            break;
        if (separator(i)) {
            if (inStream || !endLevel())
                return false; // a stream's name holds no separator: an unknown place
            continue;
        }
        if (chars[i] == ":") {
            if (inStream)
                continue;
            inStream = true;
            continue;
        }
        if (inStream)
            continue;
        const std::string& c = chars[i];
        if (c.size() == 1)
            level += static_cast<char>(std::tolower(static_cast<unsigned char>(c[0])));
        else
            level += c;
    }
    return endLevel();
}

} // namespace

bool Resolve(const std::string& path, std::vector<std::string>& levels)
{
    std::vector<std::string> other;
    return ResolveOnce(path, false, other) && ResolveOnce(path, true, levels);
}

bool StrictlyBelow(const std::string& path, const std::string& root)
{
    for (bool pairInvalid : {false, true}) {
        std::vector<std::string> p, r;
        if (!ResolveOnce(path, pairInvalid, p) || !ResolveOnce(root, pairInvalid, r) || p.size() <= r.size())
            return false;
        for (size_t i = 0; i < r.size(); ++i)
            if (p[i] != r[i])
                return false;
    }
    return true;
}

bool LevelOf(const std::string& level, const std::string& folder)
{
    for (bool pairInvalid : {false, true}) {
        std::vector<std::string> l, f;
        if (!ResolveOnce(level, pairInvalid, l) || !ResolveOnce(folder, pairInvalid, f) || l.size() < 2
            || l.size() > f.size())
            return false;
        for (size_t i = 0; i < l.size(); ++i)
            if (l[i] != f[i])
                return false;
    }
    return true;
}

} // namespace PathModel

// Every call that goes through the seam table, in order, while the recorder
// lives. The calls go on to the entries that were in place when it was made,
// except the two that set the library search: those would change it for the
// whole test program, so they only answer as the test says.
#pragma once

#include "base/SystemCalls.h"

#include <string>
#include <vector>

struct SeamCall
{
    std::string Entry; // the table's entry, e.g. "ReadFile"
    std::string Argument; // SetDefaultDllDirectories: its flags in hex; SetDllDirectoryA: its text
};

class SeamRecorder
{
public:
    SeamRecorder();
    ~SeamRecorder();
    SeamRecorder(const SeamRecorder&) = delete;
    SeamRecorder& operator=(const SeamRecorder&) = delete;

    // What SetDefaultDllDirectories answers (TRUE unless told otherwise);
    // Missing() takes it out of the table, as on Windows 7 without its update.
    void DefaultDirectoriesAnswer(BOOL answer) { m_defaultDirectoriesAnswer = answer; }
    void DefaultDirectoriesMissing();

    const std::vector<SeamCall>& Calls() const { return m_calls; }
    // The entries called, in order, for failure messages.
    std::string Listing() const;

    // For the recording entries.
    static SeamRecorder& Current();
    void Add(const char* entry, std::string argument = std::string()) { m_calls.push_back({entry, argument}); }
    const SystemCalls& Forward() const { return m_forward; }
    BOOL DefaultDirectoriesAnswer() const { return m_defaultDirectoriesAnswer; }

private:
    SystemCalls m_forward;
    std::vector<SeamCall> m_calls;
    BOOL m_defaultDirectoriesAnswer = TRUE;
};

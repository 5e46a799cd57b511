#pragma once
// Runs a built tool as a user would, from a shell command line, and captures what it printed.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

struct ToolResult {
    int code = -1;  // exit code, -1 when the tool did not exit normally (a crash)
    std::string out;
    std::string err;
};

inline std::string readWholeFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// The text as one shell word.
inline std::string shellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

// Runs `command` (already quoted as needed) with standard output and error sent to
// captureBase + ".out" / ".err", and reads them back.
inline ToolResult runCaptured(const std::string& command, const std::string& captureBase)
{
    std::string cmd = command + " >" + shellQuote(captureBase + ".out") + " 2>" + shellQuote(captureBase + ".err");
    int status = std::system(cmd.c_str());
    ToolResult r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readWholeFile(captureBase + ".out");
    r.err = readWholeFile(captureBase + ".err");
    return r;
}

// Number of lines (line breaks) in a tool's output.
inline int lineCount(const std::string& s)
{
    int n = 0;
    for (char c : s) n += c == '\n' ? 1 : 0;
    return n;
}

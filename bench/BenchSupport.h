// What the benchmark programs share: stopping with a message when a timed result is wrong,
// milliseconds of a clock's span, and letting the thread's messages through.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace dkbench
{
using Clock = std::chrono::steady_clock;

// The program's name, as its messages begin.
inline std::string ProgramName()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path);
    name = name.substr(name.find_last_of("\\/") + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

[[noreturn]] inline void Fail(const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", ProgramName().c_str(), what.c_str());
    std::exit(1);
}

inline void Check(bool ok, const std::string& what)
{
    if (!ok)
        Fail(what);
}

inline double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

inline void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}
} // namespace dkbench

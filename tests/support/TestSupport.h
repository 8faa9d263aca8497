// Helpers shared by the test programs: paths, the host journal, running a helper program.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dktest
{
// The folder of the running test program (build/bin), with a trailing backslash.
std::wstring BinDir();

// The component's resource library as the tests read it: mapped from build/bin for its
// resources, as the component maps it.
HMODULE ResourceLibrary();

// The host journal as it stands, oldest entry first.
std::vector<std::wstring> Journal();
// The entries that contain needle.
std::vector<std::wstring> JournalMatching(const std::wstring& needle);

struct ProcessResult
{
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string output; // standard output and error together
};
// Runs a program with the given working folder and collects what it prints.
ProcessResult RunProcess(const std::wstring& commandLine, const std::wstring& workDir, DWORD timeoutMs = 30000);

// Runs one test of a test program (a disabled one: its name starts with DISABLED_) in a
// process of its own, for what holds once per process; the child's early-exit marker is not
// the caller's to touch. Expects it to pass.
void RunTestAlone(const std::wstring& program, const std::wstring& test, const std::wstring& workDir);

// A fresh empty folder under the temporary folder, removed with its files on destruction.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return m_path; }
    // Copies a file from build/bin into this folder.
    bool CopyFromBin(const std::wstring& name) const;

private:
    std::wstring m_path;
};

// The windows of the calling thread, top-level and child.
inline int CountThreadWindows()
{
    int n = 0;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND top, LPARAM p)
        {
            ++*reinterpret_cast<int*>(p);
            ::EnumChildWindows(
                top, [](HWND, LPARAM q) { return ++*reinterpret_cast<int*>(q), TRUE; }, p);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}
} // namespace dktest

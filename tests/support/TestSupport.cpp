// Paths, the host journal and helper processes for the tests.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include "DkHostTest.h"

#include <thread>

namespace dktest
{
std::wstring BinDir()
{
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

std::vector<std::wstring> Journal()
{
    std::vector<std::wstring> out;
    for (int i = 0; i < dkhost_test::JournalSize(); ++i)
        out.emplace_back(dkhost_test::JournalEntry(i));
    return out;
}

std::vector<std::wstring> JournalMatching(const std::wstring& needle)
{
    std::vector<std::wstring> out;
    for (auto& e : Journal())
        if (e.find(needle) != std::wstring::npos)
            out.push_back(e);
    return out;
}

ProcessResult RunProcess(const std::wstring& commandLine, const std::wstring& workDir, DWORD timeoutMs)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return result;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    const BOOL started = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                          workDir.empty() ? nullptr : workDir.c_str(), &si, &pi);
    ::CloseHandle(writeEnd);
    if (!started)
    {
        ::CloseHandle(readEnd);
        result.exitCode = static_cast<DWORD>(-1);
        return result;
    }
    std::thread reader(
        [&]
        {
            char buf[4096];
            DWORD got = 0;
            while (::ReadFile(readEnd, buf, sizeof(buf), &got, nullptr) && got > 0)
                result.output.append(buf, got);
        });
    if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT)
    {
        result.timedOut = true;
        ::TerminateProcess(pi.hProcess, 255);
        ::WaitForSingleObject(pi.hProcess, 5000);
    }
    ::GetExitCodeProcess(pi.hProcess, &result.exitCode);
    reader.join();
    ::CloseHandle(readEnd);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return result;
}

TempDir::TempDir()
{
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    for (unsigned n = ::GetTickCount() ^ ::GetCurrentProcessId();; ++n)
    {
        std::wstring candidate = std::wstring(base) + L"dktest-" + std::to_wstring(n);
        if (::CreateDirectoryW(candidate.c_str(), nullptr))
        {
            m_path = candidate + L"\\";
            break;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
}

TempDir::~TempDir()
{
    if (m_path.empty())
        return;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((m_path + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE)
    {
        do
        {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW((m_path + fd.cFileName).c_str());
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(m_path.c_str());
}

bool TempDir::CopyFromBin(const std::wstring& name) const
{
    return !m_path.empty() && ::CopyFileW((BinDir() + name).c_str(), (m_path + name).c_str(), FALSE);
}
void RunTestAlone(const std::wstring& program, const std::wstring& test, const std::wstring& workDir)
{
    wchar_t marker[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"TEST_PREMATURE_EXIT_FILE", marker, MAX_PATH);
    ::SetEnvironmentVariableW(L"TEST_PREMATURE_EXIT_FILE", nullptr);
    auto r = RunProcess(L"\"" + program + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + test, workDir, 60000);
    if (n > 0 && n < MAX_PATH)
        ::SetEnvironmentVariableW(L"TEST_PREMATURE_EXIT_FILE", marker);
    EXPECT_FALSE(r.timedOut) << r.output;
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("[  PASSED  ] 1 test.")) << r.output;
}
HMODULE ResourceLibrary()
{
    static const HMODULE library = ::LoadLibraryExW((BinDir() + L"DkPEXCtlRes.dll").c_str(), nullptr,
                                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return library;
}
} // namespace dktest

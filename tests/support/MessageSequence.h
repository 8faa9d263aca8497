// Records the messages that reach chosen windows and compares them with an expected
// table; a mismatch prints expected against actual row by row.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace dktest
{
enum MsgFlags
{
    Sent = 0x1,     // the message must be for the window recorded under this name
    WParam = 0x2,   // wParam must match
    LParam = 0x4,   // lParam must match
    Optional = 0x8, // may be missing (depends on the platform's version)
};

struct ExpectedMsg
{
    UINT message;
    int flags;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    const char* window = nullptr; // with Sent: the name given to Watch
};

struct RecordedMsg
{
    std::string window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class MessageRecorder
{
public:
    // Records only these messages (all when empty).
    explicit MessageRecorder(std::set<UINT> only = {}) : m_only(std::move(only)) {}
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void Watch(HWND hwnd, const char* name);
    void Clear() { m_log.clear(); }
    const std::vector<RecordedMsg>& Log() const { return m_log; }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    struct Watched
    {
        HWND hwnd;
        std::string name;
    };
    std::vector<Watched> m_watched;
    std::vector<RecordedMsg> m_log;
    std::set<UINT> m_only;
};

// True when log follows expected (optional rows may be skipped); otherwise prints both.
bool Matches(const std::vector<RecordedMsg>& log, const std::vector<ExpectedMsg>& expected, const char* context);
} // namespace dktest

// The message-sequence recorder.
#include "MessageSequence.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

namespace dktest
{
namespace
{
constexpr UINT_PTR kRecorderId = 0x5251;
} // namespace

MessageRecorder::~MessageRecorder()
{
    for (const Watched& w : m_watched)
        if (::IsWindow(w.hwnd))
            ::RemoveWindowSubclass(w.hwnd, &MessageRecorder::Proc, kRecorderId);
}

void MessageRecorder::Watch(HWND hwnd, const char* name)
{
    if (::SetWindowSubclass(hwnd, &MessageRecorder::Proc, kRecorderId, reinterpret_cast<DWORD_PTR>(this)))
        m_watched.push_back(Watched{hwnd, name});
}

LRESULT CALLBACK MessageRecorder::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    auto* self = reinterpret_cast<MessageRecorder*>(data);
    if (self->m_only.empty() || self->m_only.count(msg))
        for (const Watched& w : self->m_watched)
            if (w.hwnd == hwnd)
                self->m_log.push_back(RecordedMsg{w.name, msg, wParam, lParam});
    if (msg == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, &MessageRecorder::Proc, kRecorderId);
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

namespace
{
bool Same(const RecordedMsg& r, const ExpectedMsg& e)
{
    if (r.message != e.message)
        return false;
    if ((e.flags & Sent) && e.window && r.window != e.window)
        return false;
    if ((e.flags & WParam) && r.wParam != e.wParam)
        return false;
    if ((e.flags & LParam) && r.lParam != e.lParam)
        return false;
    return true;
}
} // namespace

bool Matches(const std::vector<RecordedMsg>& log, const std::vector<ExpectedMsg>& expected, const char* context)
{
    size_t a = 0;
    size_t e = 0;
    bool ok = true;
    while (e < expected.size())
    {
        if (a < log.size() && Same(log[a], expected[e]))
        {
            ++a;
            ++e;
        }
        else if (expected[e].flags & Optional)
            ++e;
        else
        {
            ok = false;
            break;
        }
    }
    ok = ok && a == log.size();
    if (!ok)
    {
        std::printf("%s: message sequence differs\n  %-32s | %s\n", context, "expected", "actual");
        const size_t rows = std::max(expected.size(), log.size());
        for (size_t i = 0; i < rows; ++i)
        {
            char left[64] = "";
            char right[96] = "";
            if (i < expected.size())
                std::snprintf(left, sizeof(left), "%s0x%04x w=%llx%s", expected[i].window ? expected[i].window : "",
                              expected[i].message, static_cast<unsigned long long>(expected[i].wParam),
                              (expected[i].flags & Optional) ? " (opt)" : "");
            if (i < log.size())
                std::snprintf(right, sizeof(right), "%s 0x%04x w=%llx l=%llx", log[i].window.c_str(), log[i].message,
                              static_cast<unsigned long long>(log[i].wParam),
                              static_cast<unsigned long long>(log[i].lParam));
            std::printf("  %-32s | %s\n", left, right);
        }
    }
    return ok;
}
} // namespace dktest

// Catches the message boxes and dialogs the calling thread shows, records their texts and
// closes them, so that no test is ever left waiting on one.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dktest
{
class MessageBoxCatcher
{
public:
    // answer: the command posted to each box (IDOK, IDCANCEL, IDYES, ...); boxesOnly: dialogs
    // with controls to fill (edit boxes, lists) are left alone.
    explicit MessageBoxCatcher(int answer = IDOK, bool boxesOnly = false);
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    // The message texts of the boxes seen so far, in order.
    const std::vector<std::wstring>& Texts() const { return m_texts; }
    const std::vector<std::wstring>& Captions() const { return m_captions; }
    // Runs while each box is up, before it is answered: what the palette might do then.
    void WhileShown(std::function<void()> action) { m_whileShown = std::move(action); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);

    HHOOK m_hook = nullptr;
    int m_answer;
    bool m_boxesOnly;
    std::vector<std::wstring> m_texts;
    HWND m_lastBox = nullptr; // a box activated again is still the one box
    std::vector<std::wstring> m_captions;
    std::function<void()> m_whileShown;
    MessageBoxCatcher* m_previous = nullptr;
};
} // namespace dktest

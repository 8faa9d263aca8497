// Answers for the dialogs an editor opens while the palette runs from a command line: each
// script ("1032=Custom;1030=MYPAT;OK") fills the next dialog as a user fills it, from inside
// the dialog's own modal loop, and ends it with OK or Cancel.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace dkpal
{
struct DialogStep
{
    enum Kind
    {
        Fill,  // a list's entry picked, or an edit box's text typed
        Click, // a button clicked
        Ok,
        Cancel,
    };
    Kind kind = Fill;
    int id = 0;
    std::wstring text;
};

struct DialogScript
{
    std::wstring spec; // as given
    std::vector<DialogStep> steps;
};

// Steps separated by ';': ID=TEXT, a bare ID (a button), and last OK or Cancel (in any letter
// case). False, with why, for anything else.
bool ParseDialogScript(const std::wstring& spec, DialogScript& script, std::wstring& error);

// A window of the dialog class that is a message box (only buttons and texts, its message
// the text 0xFFFF) rather than a dialog to fill.
bool IsMessageBox(HWND window);

// Fills the dialog step by step and ends it. Empty when its OK or Cancel ended it as written;
// else one line saying why not, the dialog cancelled.
std::wstring FillDialog(HWND dialog, const DialogScript& script);

// While one lives, every dialog the thread opens takes the next script queued, or, with none
// queued, is cancelled as one the command line did not answer. One at a time per thread.
class DialogAnswers
{
public:
    DialogAnswers() noexcept;
    ~DialogAnswers();
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    void Queue(DialogScript script, bool first = false);
    size_t Pending() const noexcept { return m_scripts.size(); }
    const DialogScript* Next() const noexcept { return m_scripts.empty() ? nullptr : &m_scripts.front(); }
    void DropNext() noexcept;
    // Dialogs taken so far.
    int Taken() const noexcept { return m_taken; }
    // Why a dialog did not go as written since the last call (empty: every one did).
    std::wstring TakeFailure();

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Fill(HWND, UINT, UINT_PTR timer, DWORD);
    void Activated(HWND window);

    HHOOK m_hook = nullptr;
    std::deque<DialogScript> m_scripts;
    std::vector<HWND> m_seen; // dialogs taken, activated again after a box they showed
    // The dialogs timers will fill once their modal loops run, and with what.
    struct Filling
    {
        UINT_PTR timer;
        HWND dialog;
        DialogScript script;
    };
    std::vector<Filling> m_filling;
    std::vector<std::wstring> m_failures;
    int m_taken = 0;
};
} // namespace dkpal

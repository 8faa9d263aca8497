// Dialog answers from a command line: the script's parser, the filling of a dialog as a user
// fills it, and the hook that hands each dialog the thread opens its script.
#include "DialogAnswers.h"

#include <algorithm>
#include <cwctype>
#include <utility>

namespace dkpal
{
namespace
{
DialogAnswers* g_current = nullptr;

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

bool IsClass(HWND window, const wchar_t* name)
{
    return ::lstrcmpiW(ClassOf(window).c_str(), name) == 0;
}

std::wstring TextOf(HWND window)
{
    const int n = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(std::max(n, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(std::max(::GetWindowTextW(window, text.data(), n + 1), 0)));
    return text;
}

bool SameWord(const std::wstring& a, const wchar_t* b)
{
    return ::lstrcmpiW(a.c_str(), b) == 0;
}

std::wstring StepText(const DialogStep& step)
{
    switch (step.kind)
    {
    case DialogStep::Ok:
        return L"OK";
    case DialogStep::Cancel:
        return L"Cancel";
    case DialogStep::Click:
        return std::to_wstring(step.id);
    default:
        return std::to_wstring(step.id) + L"=" + step.text;
    }
}

// Still up: an ended dialog is hidden until its modal loop destroys it.
bool Showing(HWND dialog)
{
    return ::IsWindow(dialog) && ::IsWindowVisible(dialog);
}

// The button pressed as a user presses it; a dialog without that button takes the command
// as its keyboard gives it (Esc for IDCANCEL).
void Press(HWND dialog, int id)
{
    HWND button = ::GetDlgItem(dialog, id);
    if (button && ::IsWindowVisible(button) && ::IsWindowEnabled(button))
        ::SendMessageW(button, BM_CLICK, 0, 0);
    else
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// Cancelled; a dialog that does not end by its Cancel is ended all the same: a command line
// never waits for a hand.
void CancelDialog(HWND dialog)
{
    if (Showing(dialog))
        Press(dialog, IDCANCEL);
    if (Showing(dialog))
        ::EndDialog(dialog, IDCANCEL);
}

// The entry spelled exactly so (CB_FINDSTRINGEXACT ignores letter case).
LRESULT FindEntry(HWND list, const std::wstring& text)
{
    const LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
    {
        const LRESULT length = ::SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0 || static_cast<size_t>(length) != text.size())
            continue;
        std::wstring entry(static_cast<size_t>(length) + 1, L'\0');
        ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(static_cast<size_t>(length));
        if (entry == text)
            return i;
    }
    return CB_ERR;
}

// One step of filling; empty when it went as a user's would.
std::wstring Apply(HWND dialog, const DialogStep& step, const std::wstring& where)
{
    const std::wstring id = std::to_wstring(step.id);
    HWND control = ::GetDlgItem(dialog, step.id);
    if (!control)
        return where + L" has no control " + id;
    if (!::IsWindowEnabled(control))
        return where + L": its control " + id + L" is disabled";
    if (step.kind == DialogStep::Click)
    {
        ::SendMessageW(control, BM_CLICK, 0, 0);
        return L"";
    }
    if (IsClass(control, L"ComboBox"))
    {
        const LRESULT entry = FindEntry(control, step.text);
        if (entry == CB_ERR)
            return where + L": its list " + id + L" has no entry \"" + step.text + L"\"";
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(step.id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
        return L"";
    }
    if (IsClass(control, L"Edit"))
    {
        // Typed over the whole text, key by key: the edit box tells the dialog of each change.
        ::SendMessageW(control, EM_SETSEL, 0, -1);
        if (step.text.empty())
            ::SendMessageW(control, WM_CLEAR, 0, 0);
        for (wchar_t c : step.text)
            ::SendMessageW(control, WM_CHAR, c, 1);
        if (TextOf(control) != step.text)
            return where + L": its edit box " + id + L" did not take \"" + step.text + L"\"";
        return L"";
    }
    return where + L": its control " + id + L" is neither a list nor an edit box";
}
} // namespace

bool ParseDialogScript(const std::wstring& spec, DialogScript& script, std::wstring& error)
{
    script = DialogScript{spec, {}};
    const std::wstring quoted = L"--dialog \"" + spec + L"\": ";
    size_t start = 0;
    for (;;)
    {
        const size_t end = spec.find(L';', start);
        const std::wstring word = spec.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!script.steps.empty() && script.steps.back().kind >= DialogStep::Ok)
        {
            error = quoted + StepText(script.steps.back()) + L" must be the last answer";
            return false;
        }
        DialogStep step;
        if (SameWord(word, L"OK") || SameWord(word, L"Cancel"))
            step.kind = SameWord(word, L"OK") ? DialogStep::Ok : DialogStep::Cancel;
        else
        {
            const size_t equals = word.find(L'=');
            const std::wstring id = word.substr(0, equals);
            if (id.empty() || id.size() > 5 ||
                !std::all_of(id.begin(), id.end(), [](wchar_t c) { return std::iswdigit(c); }) ||
                std::stoi(id) > 0xFFFF)
            {
                error = quoted + L"\"" + word + L"\" is neither ID=TEXT, a button's ID, OK nor Cancel";
                return false;
            }
            step.kind = equals == std::wstring::npos ? DialogStep::Click : DialogStep::Fill;
            step.id = std::stoi(id);
            if (equals != std::wstring::npos)
                step.text = word.substr(equals + 1);
        }
        script.steps.push_back(std::move(step));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    if (script.steps.back().kind < DialogStep::Ok)
    {
        error = quoted + L"the answers end with OK or Cancel";
        return false;
    }
    return true;
}

bool IsMessageBox(HWND window)
{
    if (!IsClass(window, L"#32770") || !::GetDlgItem(window, 0xFFFF))
        return false;
    bool plain = true;
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM context) -> BOOL
        {
            if (IsClass(child, L"Button") || IsClass(child, L"Static"))
                return TRUE;
            *reinterpret_cast<bool*>(context) = false;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&plain));
    return plain;
}

std::wstring FillDialog(HWND dialog, const DialogScript& script)
{
    const std::wstring title = TextOf(dialog);
    const std::wstring where = L"the dialog \"" + title + L"\"";
    for (const DialogStep& step : script.steps)
    {
        if (!Showing(dialog))
            return where + L" ended before " + StepText(step);
        if (step.kind == DialogStep::Ok || step.kind == DialogStep::Cancel)
        {
            Press(dialog, step.kind == DialogStep::Ok ? IDOK : IDCANCEL);
            if (!Showing(dialog))
                return L"";
            CancelDialog(dialog);
            return where + L" stayed open after " + StepText(step);
        }
        const std::wstring why = Apply(dialog, step, where);
        if (!why.empty())
        {
            CancelDialog(dialog);
            return why;
        }
    }
    // A script always ends with OK or Cancel; one that did not still leaves no dialog up.
    CancelDialog(dialog);
    return L"";
}

DialogAnswers::DialogAnswers() noexcept
{
    g_current = this;
    m_hook = ::SetWindowsHookExW(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId());
}

DialogAnswers::~DialogAnswers()
{
    if (m_hook)
        ::UnhookWindowsHookEx(m_hook);
    for (const Filling& f : m_filling)
        ::KillTimer(nullptr, f.timer);
    g_current = nullptr;
}

void DialogAnswers::Queue(DialogScript script, bool first)
{
    if (first)
        m_scripts.push_front(std::move(script));
    else
        m_scripts.push_back(std::move(script));
}

void DialogAnswers::DropNext() noexcept
{
    if (!m_scripts.empty())
        m_scripts.pop_front();
}

std::wstring DialogAnswers::TakeFailure()
{
    const std::wstring first = m_failures.empty() ? std::wstring() : m_failures.front();
    m_failures.clear();
    return first;
}

LRESULT CALLBACK DialogAnswers::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_current)
        g_current->Activated(reinterpret_cast<HWND>(wParam));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Activation comes as the dialog shows, before its modal loop runs: the filling waits for the
// loop, where a timer of the thread is dispatched as the user's input would be.
void DialogAnswers::Activated(HWND window)
try
{
    if (!IsClass(window, L"#32770") || IsMessageBox(window))
        return;
    std::erase_if(m_seen, [](HWND w) { return !::IsWindow(w); });
    if (std::find(m_seen.begin(), m_seen.end(), window) != m_seen.end())
        return;
    m_seen.push_back(window);
    ++m_taken;
    Filling filling{0, window, {}};
    if (m_scripts.empty())
        m_failures.push_back(L"the dialog \"" + TextOf(window) +
                             L"\" asked for answers the command line did not give (--dialog)");
    else
    {
        filling.script = std::move(m_scripts.front());
        m_scripts.pop_front();
    }
    filling.timer = ::SetTimer(nullptr, 0, 0, &Fill);
    if (filling.timer)
        m_filling.push_back(std::move(filling));
    else
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
}
catch (...)
{
    ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
}

void CALLBACK DialogAnswers::Fill(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    DialogAnswers* self = g_current;
    if (!self)
        return;
    auto it = std::find_if(self->m_filling.begin(), self->m_filling.end(),
                           [timer](const Filling& f) { return f.timer == timer; });
    if (it == self->m_filling.end())
        return;
    const HWND dialog = it->dialog;
    // A modal dialog shows itself once its loop first finds the queue empty, which may come
    // after this timer: it is filled when it shows.
    if (::IsWindow(dialog) && !::IsWindowVisible(dialog))
    {
        it->timer = ::SetTimer(nullptr, 0, 10, &Fill);
        if (!it->timer)
        {
            self->m_filling.erase(it);
            CancelDialog(dialog);
        }
        return;
    }
    try
    {
        const Filling filling = std::move(*it);
        self->m_filling.erase(it);
        const std::wstring why = FillDialog(filling.dialog, filling.script);
        if (!why.empty())
            self->m_failures.push_back(why);
    }
    catch (...)
    {
        CancelDialog(dialog);
    }
}
} // namespace dkpal

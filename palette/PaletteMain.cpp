// dkpex-palette.exe: the Properties palette over a drawing of the stand-in host. With no
// action it is an interactive window (the drawing's objects to select on the left, the
// palette on the right, the last journal entries and Undo below); with actions it does
// them in the order given, as a user would, and ends.
#include "DialogAnswers.h"
#include "Palette.h"

#include "DkHostTest.h"
#include "Unique.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace
{
const wchar_t kUsage[] =
    L"usage: dkpex-palette [DRAWING] [--select SPEC]... [--dump] [--set NAME=TEXT]... [--answer TEXT]...\n"
    L"                     [--click NAME]... [--dialog SPEC]... [--undo] [--journal] [--snapshot FILE.png]\n"
    L"  SPEC: comma-separated class names, handles, or layer:NAME (for example Circle,2A,layer:Walls); a part\n"
    L"        of an entity is its handle, '#' and the part's index (a multileader's leader lines: 68#5001)\n"
    L"  --set NAME=TEXT  types TEXT into the row NAME and presses Enter (a vertex row: the vertex to go to);\n"
    L"                   a row edited in the host's dialog opens it and gives TEXT as its answer\n"
    L"  --answer TEXT    answers the host's next prompt: point x,y[,z], drag x,y[,z], cancel, a colour, ...\n"
    L"  --click NAME     clicks the button of the row NAME (or the label of a dialog row) and waits until the\n"
    L"                   pick or the dialog it started ends\n"
    L"  --dialog SPEC    fills the next dialog an editor opens, as a user would: SPEC is steps separated by ';',\n"
    L"                   ID=TEXT (picks the entry TEXT of a list, or types TEXT into an edit box), ID (clicks\n"
    L"                   that button), and last OK or Cancel; for example \"1032=Custom;1030=MYPAT;OK\". The\n"
    L"                   dialogs take the SPECs in the order given, wherever they stand among the actions\n"
    L"  actions run in the order given; with none the palette stays open for the user\n";

constexpr int kListWidth = 230;
constexpr int kStatusHeight = 64;
constexpr UINT kListId = 100;
constexpr UINT kUndoId = 101;
constexpr UINT kStatusId = 102;
// Texts up to this long are typed key by key; longer ones are put in whole.
constexpr size_t kTypedAtMost = 256;
// A row's own button, and how long a pick it started may take.
constexpr int kRowButtonId = 1043;
constexpr DWORD kPickWaitMs = 20000;

struct Action
{
    std::wstring what;
    std::wstring argument;
};

struct App
{
    // The answers given on the command line, in order.
    std::vector<std::wstring> answers;
    HWND frame = nullptr;
    HWND list = nullptr;
    HWND status = nullptr;
    HWND undo = nullptr;
    dkpal::Palette palette;
    std::vector<LONG_PTR> entities;
};

App* g_app = nullptr;

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// A line of output in UTF-8, whatever the console's code page: no text is cut at a
// character the code page lacks.
void PrintLine(FILE* stream, const std::wstring& line)
{
    const std::wstring text = line + L"\n";
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(n, 0)), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                              nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// A message's lines as one line.
std::wstring OneLine(std::wstring text)
{
    std::replace(text.begin(), text.end(), L'\r', L' ');
    std::replace(text.begin(), text.end(), L'\n', L' ');
    return text;
}

int Fail(int code, const std::wstring& message)
{
    PrintLine(stderr, L"dkpex-palette: " + message);
    return code;
}

void UpdateStatus(void* context)
{
    auto* app = static_cast<App*>(context);
    std::wstring text;
    const int n = dkhost_test::JournalSize();
    for (int i = std::max(0, n - 4); i < n; ++i)
        text += std::wstring(dkhost_test::JournalEntry(i)) + L"\r\n";
    ::SetWindowTextW(app->status, text.c_str());
}

void SelectFromList(App& app)
{
    std::vector<LONG_PTR> ids;
    const int count = static_cast<int>(::SendMessageW(app.list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (::SendMessageW(app.list, LB_GETSEL, i, 0) > 0)
            ids.push_back(app.entities[static_cast<size_t>(i)]);
    app.palette.SetSelection(ids);
    UpdateStatus(&app);
}

void Layout(App& app)
{
    RECT r{};
    ::GetClientRect(app.frame, &r);
    ::MoveWindow(app.list, 0, 0, kListWidth, r.bottom - kStatusHeight, TRUE);
    ::MoveWindow(app.palette.Hwnd(), kListWidth + 4, 0, r.right - kListWidth - 4, r.bottom - kStatusHeight, TRUE);
    ::MoveWindow(app.undo, 4, r.bottom - kStatusHeight + 6, 80, 24, TRUE);
    ::MoveWindow(app.status, 90, r.bottom - kStatusHeight + 4, r.right - 94, kStatusHeight - 8, TRUE);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    App* app = g_app;
    switch (msg)
    {
    case WM_SIZE:
        if (app && app->list)
            Layout(*app);
        return 0;
    case WM_COMMAND:
        if (app && LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_SELCHANGE)
            SelectFromList(*app);
        if (app && LOWORD(wParam) == kUndoId)
        {
            app->palette.DeactivateRow();
            dkhost_test::Undo(1);
            app->palette.RefreshAll();
        }
        return 0;
    case WM_CLOSE:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// Every entity of the drawing, however many it holds.
std::vector<LONG_PTR> AllEntities()
{
    std::vector<LONG_PTR> all(static_cast<size_t>(std::max(0, dkhost_test::Entities(nullptr, 0))));
    all.resize(static_cast<size_t>(
        std::clamp(dkhost_test::Entities(all.data(), static_cast<int>(all.size())), 0, static_cast<int>(all.size()))));
    return all;
}

// The entities a selection spec names; false with the name that matched nothing.
bool Resolve(const std::wstring& spec, std::vector<LONG_PTR>& ids, std::wstring& unknown)
{
    const std::vector<LONG_PTR> all = AllEntities();
    const int n = static_cast<int>(all.size());
    size_t start = 0;
    while (start <= spec.size())
    {
        const size_t comma = spec.find(L',', start);
        const std::wstring token = spec.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        start = comma == std::wstring::npos ? spec.size() + 1 : comma + 1;
        if (token.empty())
            continue;
        bool matched = false;
        auto add = [&](LONG_PTR id)
        {
            matched = true;
            if (std::find(ids.begin(), ids.end(), id) == ids.end())
                ids.push_back(id);
        };
        if (token.rfind(L"layer:", 0) == 0)
        {
            const std::wstring layer = token.substr(6);
            for (int i = 0; i < n; ++i)
            {
                IDispatch* d = nullptr;
                if (FAILED(dkhost_test::GetPaletteObject(all[i], &d)))
                    continue;
                DISPPARAMS none{};
                VARIANT v;
                ::VariantInit(&v);
                d->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
                if (v.vt == VT_BSTR && v.bstrVal && ::CompareStringOrdinal(v.bstrVal, -1, layer.c_str(), -1, TRUE) == 2)
                    add(all[i]);
                ::VariantClear(&v);
                d->Release();
            }
        }
        else
        {
            const std::wstring name = token.rfind(L"handle:", 0) == 0 ? token.substr(7) : token;
            // A part of an entity: its handle, '#' and the part's index (a multileader's leader
            // lines from 5001).
            if (const size_t hash = name.find(L'#'); hash != std::wstring::npos)
            {
                wchar_t* end = nullptr;
                const long index = std::wcstol(name.c_str() + hash + 1, &end, 10);
                const LONG_PTR owner = dkhost_test::EntityByHandle(name.substr(0, hash).c_str());
                if (const LONG_PTR part = owner && end && !*end ? dkhost_test::SubentityOf(owner, index) : 0)
                    add(part);
            }
            for (int i = 0; i < n; ++i)
                if (::CompareStringOrdinal(dkhost_test::EntityClass(all[i]), -1, name.c_str(), -1, TRUE) == 2)
                    add(all[i]);
            if (const LONG_PTR byHandle = dkhost_test::EntityByHandle(name.c_str()))
                add(byHandle);
        }
        if (!matched)
        {
            unknown = token;
            return false;
        }
    }
    return true;
}

// The message boxes shown while the program runs from a command line (a row's refusal, a
// missing resource library, the drawing's undo refusing): each is read and closed as its
// default button would close it, so that nothing ever waits for a hand. The texts are kept
// in order; what no action has reported yet is printed. The dialogs an editor opens are
// filled by the command line's dialog answers instead.
class MessageBoxes
{
public:
    MessageBoxes() noexcept
    {
        s_current = this;
        m_hook = ::SetWindowsHookExW(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId());
    }
    ~MessageBoxes()
    {
        if (m_hook)
            ::UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;
    size_t Count() const noexcept { return m_texts.size(); }
    // The first text shown since `from`, and all up to now taken as reported.
    std::wstring TakeFirstSince(size_t from)
    {
        m_reported = m_texts.size();
        return from < m_texts.size() ? m_texts[from] : std::wstring();
    }
    // Texts nobody has reported yet, taken as reported.
    std::vector<std::wstring> TakeUnreported()
    {
        std::vector<std::wstring> out(m_texts.begin() + static_cast<std::ptrdiff_t>(m_reported), m_texts.end());
        m_reported = m_texts.size();
        return out;
    }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_ACTIVATE && s_current)
        {
            HWND box = reinterpret_cast<HWND>(wParam);
            wchar_t name[32] = {};
            ::GetClassNameW(box, name, 32);
            if (std::wstring(name) == L"DkHostInputDialog")
            {
                // One of the host's own dialogs that no answer on the command line took.
                wchar_t title[256] = {};
                ::GetWindowTextW(box, title, 256);
                s_current->m_texts.push_back(L"the host's dialog \"" + std::wstring(title) +
                                             L"\" asked for an answer the command line did not give");
                ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
            }
            else if (std::wstring(name) == L"#32770" && dkpal::IsMessageBox(box))
            {
                std::wstring text(4096, L'\0');
                text.resize(static_cast<size_t>(::GetDlgItemTextW(box, 0xFFFF, text.data(), 4096)));
                s_current->m_texts.push_back(text.empty() ? L"(a message without text)" : text);
                const LRESULT def = ::SendMessageW(box, DM_GETDEFID, 0, 0);
                const WORD button = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
                ::PostMessageW(box, WM_COMMAND, button, 0);
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline MessageBoxes* s_current = nullptr;
    HHOOK m_hook = nullptr;
    std::vector<std::wstring> m_texts;
    size_t m_reported = 0;
};

MessageBoxes* g_boxes = nullptr;
dkpal::DialogAnswers* g_dialogs = nullptr;

// The hatch rows: the pattern name, typed or picked in the host's pattern palette, and the
// pattern type, chosen in the editor's own dialog.
const wchar_t kPatternNameEditor[] = L"DkPePropertyEditorHatchPatternName";
const wchar_t kPatternTypeEditor[] = L"DkPePropertyEditorEllipsisHatchPatternType";
// The dialog's list of pattern types.
constexpr int kPatternTypeList = 1032;

// Journal entries that say so, from entry `from` on.
int JournalCount(const wchar_t* entry, int from = 0)
{
    int n = 0;
    for (int i = std::max(from, 0); i < dkhost_test::JournalSize(); ++i)
        if (std::wstring(dkhost_test::JournalEntry(i)) == entry)
            ++n;
    return n;
}

// The changes the host has seen begin so far.
int ChangesSoFar()
{
    return JournalCount(L"modeless start OPM_CHGPROP");
}

// The rows whose list ends with an entry that opens the host's colour dialog.
bool OpensColorDialog(const std::wstring& editor)
{
    return editor == L"DkPePropertyEditorColor" || editor == L"DkPePropertyEditorCustomColor";
}

// A click on a row's value, as the user makes it to edit the row.
void ClickValue(const App& app, HWND control)
{
    ::SendMessageW(control, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(app.frame),
                   MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
    ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    Pump();
}

// A window of that id anywhere inside a window.
HWND FindDescendant(HWND parent, int id);

// The rows whose label opens the host's dialog (no edit box, no button).
bool OpensDialogFromLabel(const std::wstring& editor)
{
    return editor == L"DkPeDlgLaunchCtrl";
}

// What the host's property page did since `runs` page runs, after the row's dialog was asked
// for: nothing (the row opened no dialog, or a message said why), cancelled, refused, or done.
int DialogOutcome(const std::wstring& name, int runs, size_t shownBefore, int journalFrom)
{
    const std::wstring message = g_boxes ? g_boxes->TakeFirstSince(shownBefore) : std::wstring();
    if (!message.empty())
        return Fail(1, L"the row \"" + name + L"\": " + OneLine(message));
    // The first object sits on a locked layer: the row refused the dialog and had the palette
    // rebuild its selection.
    if (dkhost_test::PageRuns() == runs && JournalCount(L"modeless end OPM_CHGSELECTION", journalFrom) > 0)
        return Fail(1, L"the row \"" + name + L"\" left the selected objects on a locked layer as they are");
    if (dkhost_test::PageRuns() == runs)
        return Fail(1, L"the row \"" + name + L"\" opened no dialog");
    const HRESULT hr = dkhost_test::LastPageResult();
    if (hr == S_FALSE)
        return Fail(1, L"the row \"" + name + L"\": its dialog was cancelled");
    if (FAILED(hr))
        return Fail(1,
                    L"the row \"" + name + L"\": its dialog changed nothing: " + OneLine(dkhost_test::LastPageError()));
    return 0;
}

// Opens the row's dialog as the user does, by its own button or, with none, by a click on its
// label, the text queued as the dialog's answer; the dialog is done when the click returns.
int SetThroughDialog(App& app, const std::wstring& name, const std::wstring& text, HWND control, HWND button)
{
    const int runs = dkhost_test::PageRuns();
    const size_t shownBefore = g_boxes ? g_boxes->Count() : 0;
    const int pending = dkhost_test::PendingAnswers();
    const int journalFrom = dkhost_test::JournalSize();
    dkhost_test::PushAnswer(text.c_str());
    if (button)
        ::SendMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(kRowButtonId, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
    else
        ClickValue(app, control);
    Pump();
    // A dialog that never asked leaves its answer to nobody.
    if (dkhost_test::PendingAnswers() > pending)
        dkhost_test::ClearAnswers();
    return DialogOutcome(name, runs, shownBefore, journalFrom);
}

// Presses the row's own button, as a click on it does.
void PressRowButton(HWND button)
{
    ::SendMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(kRowButtonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

// A row edited in its editor's own dialog: the button opens it, and unless the command line
// answers that dialog itself, its type list takes the text and OK ends it. How the dialog went
// is told after the action.
int SetInOwnDialog(const std::wstring& name, const std::wstring& text, HWND button)
{
    if (!button || !::IsWindowVisible(button))
        return Fail(1, L"the row \"" + name + L"\" has no button to click");
    if (!::IsWindowEnabled(button))
        return Fail(1, L"the button of the row \"" + name + L"\" cannot be clicked now");
    const bool own = g_dialogs && g_dialogs->Pending() == 0;
    if (own)
        g_dialogs->Queue(
            dkpal::DialogScript{std::to_wstring(kPatternTypeList) + L"=" + text + L";OK",
                                {{dkpal::DialogStep::Fill, kPatternTypeList, text}, {dkpal::DialogStep::Ok, 0, L""}}},
            true);
    const int taken = g_dialogs ? g_dialogs->Taken() : 0;
    const size_t shownBefore = g_boxes ? g_boxes->Count() : 0;
    PressRowButton(button);
    Pump();
    if (g_dialogs && g_dialogs->Taken() == taken)
    {
        if (own)
            g_dialogs->DropNext();
        const std::wstring message = g_boxes ? g_boxes->TakeFirstSince(shownBefore) : std::wstring();
        return Fail(1,
                    L"the row \"" + name + L"\" opened no dialog" + (message.empty() ? L"" : L": " + OneLine(message)));
    }
    return 0;
}

// Activates the row, types the text and presses Enter, as the user does.
int SetRow(App& app, const std::wstring& assignment)
{
    const size_t equals = assignment.find(L'=');
    if (equals == std::wstring::npos)
        return Fail(2, L"--set takes NAME=TEXT, not \"" + assignment + L"\"");
    const std::wstring name = assignment.substr(0, equals);
    std::wstring text = assignment.substr(equals + 1);
    const int row = app.palette.FindRow(name);
    if (row < 0)
        return Fail(2, L"no row named \"" + name + L"\" for this selection");
    // A row's text is one line: a tab or a line end would be lost in the typing.
    if (std::any_of(text.begin(), text.end(), [](wchar_t c) { return c < L' ' || c == 0x7F; }))
        return Fail(1, L"the row \"" + name + L"\" takes one line of text, without tabs or control characters");
    if (app.palette.IsPlain(row))
        return Fail(1, L"the row \"" + name + L"\" has no editor yet and is read-only");
    HWND control = app.palette.RowWindow(row);
    {
        // A click on a dialog row's label opens its dialog at once: the answer goes first.
        const auto rows = app.palette.Dump();
        const auto shown = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.name == name; });
        if (shown != rows.end() && OpensDialogFromLabel(shown->editor))
        {
            if (shown->state.find(L"read-only") != std::wstring::npos)
                return Fail(1, L"the row \"" + name + L"\" is read-only for this selection");
            return SetThroughDialog(app, name, text, control, nullptr);
        }
    }
    ClickValue(app, control);
    HWND typing = ::GetFocus();
    if (!typing || (typing != control && !::IsChild(control, typing)))
    {
        // Without a window manager the keyboard focus may stay put: type where the row edits,
        // its edit box or its list when it has one (rather than one of its buttons or a swatch),
        // wherever the row keeps it (a row of two editors keeps only one of them shown).
        typing = FindDescendant(control, 1038);
        if (!typing || !::IsWindowVisible(typing))
            typing = FindDescendant(control, 1002);
        if (!typing || !::IsWindowVisible(typing))
            typing = ::GetWindow(control, GW_CHILD);
        while (typing && !::IsWindowVisible(typing))
            typing = ::GetWindow(typing, GW_HWNDNEXT);
    }
    if (!typing)
        return Fail(1, L"the row \"" + name + L"\" offers nothing to type into");
    // A value the row refuses: the message the row shows, or no change at all although the
    // value typed or chosen is not the row's value.
    const auto rows = app.palette.Dump();
    const auto before = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.name == name; });
    if (before != rows.end() && before->state.find(L"read-only") != std::wstring::npos)
        return Fail(1, L"the row \"" + name + L"\" is read-only for this selection");
    // A row whose edit box cannot be typed into, with a button of its own: the button opens the
    // dialog the row is edited in.
    HWND edit = FindDescendant(control, 1038);
    HWND button = FindDescendant(control, kRowButtonId);
    const bool typable = edit && ::IsWindowVisible(edit) && ::IsWindowEnabled(edit) &&
                         !(::GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY);
    const std::wstring editor = before != rows.end() ? before->editor : std::wstring();
    if (editor == kPatternTypeEditor)
        return SetInOwnDialog(name, text, button);
    // A pattern name is typed only where it comes from the host's list; the row's button still
    // picks one (--click).
    if (editor == kPatternNameEditor && !typable)
        return Fail(1, L"the row \"" + name + L"\" is read-only for this selection");
    if (!typable && button && ::IsWindowVisible(button) && ::IsWindowEnabled(button))
        return SetThroughDialog(app, name, text, control, button);
    const bool password = before != rows.end() && before->editor == L"DkPePropertyEditorPwdText";
    const std::wstring given = password ? L"the password typed" : L"\"" + text + L"\"";
    const int changes = ChangesSoFar();
    const int journalBefore = dkhost_test::JournalSize();
    std::wstring message;
    bool answered = false;
    // The entry the list shows already: choosing it changes nothing, and that is no refusal.
    bool alreadyChosen = false;
    {
        const size_t shownBefore = g_boxes ? g_boxes->Count() : 0;
        wchar_t windowClass[32] = {};
        ::GetClassNameW(typing, windowClass, 32);
        if (::lstrcmpiW(windowClass, WC_COMBOBOXW) == 0)
        {
            // A drop-down: open the list, go to the entry and close the list with Enter.
            LRESULT entry = ::SendMessageW(typing, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(text.c_str()));
            if (entry == CB_ERR && before != rows.end() && OpensColorDialog(before->editor))
            {
                // Any other colour is the user's answer to the colour dialog the list's last
                // entry opens.
                entry = ::SendMessageW(typing, CB_GETCOUNT, 0, 0) - 1;
                dkhost_test::PushAnswer(text.c_str());
                answered = true;
            }
            else if (entry == CB_ERR)
                return Fail(1, L"the row \"" + name + L"\" offers no entry \"" + text + L"\"");
            else
            {
                alreadyChosen = entry == ::SendMessageW(typing, CB_GETCURSEL, 0, 0);
                // The entry as the list spells it (the list finds it in any letter case).
                const LRESULT length = ::SendMessageW(typing, CB_GETLBTEXTLEN, static_cast<WPARAM>(entry), 0);
                std::wstring spelled(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
                ::SendMessageW(typing, CB_GETLBTEXT, static_cast<WPARAM>(entry),
                               reinterpret_cast<LPARAM>(spelled.data()));
                spelled.resize(static_cast<size_t>(std::max<LRESULT>(length, 0)));
                text = spelled;
            }
            ::SendMessageW(typing, CB_SHOWDROPDOWN, TRUE, 0);
            ::SendMessageW(typing, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
        }
        else
        {
            // The typed text replaces the row's, also when it is empty. A long text goes in at
            // once, as a paste would, past the edit's typing limit (the row judges its length).
            ::SendMessageW(typing, EM_SETSEL, 0, -1);
            ::SendMessageW(typing, WM_CLEAR, 0, 0);
            if (text.size() > kTypedAtMost)
            {
                ::SendMessageW(typing, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
                ::SendMessageW(typing, EM_SETSEL, static_cast<WPARAM>(-1), -1);
            }
            else
                for (wchar_t c : text)
                    ::SendMessageW(typing, WM_CHAR, c, 1);
        }
        ::SendMessageW(typing, WM_KEYDOWN, VK_RETURN, 1);
        ::SendMessageW(typing, WM_KEYUP, VK_RETURN, 0xC0000001);
        Pump();
        if (g_boxes)
            message = g_boxes->TakeFirstSince(shownBefore);
        // An answer no dialog asked for answers nothing later.
        if (answered && dkhost_test::PendingAnswers() > 0)
        {
            dkhost_test::ClearAnswers();
            return Fail(1, L"the row \"" + name + L"\" offers no entry \"" + text + L"\"");
        }
    }
    if (!message.empty())
    {
        // One line; a message about a password is not quoted (it may repeat the password).
        message = OneLine(message);
        return Fail(1, L"the row \"" + name + L"\" refused " + given + (password ? L"" : L": " + message));
    }
    // Objects the write had to skip (on a locked layer): the change did not wholly happen.
    if (JournalCount(L"modeless end OPM_CHGSELECTION", journalBefore) > 0)
        return Fail(1, L"the row \"" + name + L"\" left the selected objects on a locked layer as they are");
    // The varies entry stands for the objects' different values: it is never a value to give.
    if (alreadyChosen && before != rows.end() && before->state.rfind(L"varies", 0) == 0)
        return Fail(1, L"the row \"" + name + L"\" refused " + given + L": the selected objects' values differ");
    if (!alreadyChosen && ChangesSoFar() == changes && app.palette.ValueText(row) != text)
    {
        const auto after = app.palette.Dump();
        const auto shown = std::find_if(after.begin(), after.end(), [&](const auto& r) { return r.name == name; });
        if (shown == after.end() || shown->text != text)
            return Fail(1, L"the row \"" + name + L"\" refused " + given + L": nothing was changed");
    }
    return 0;
}

// A window of that id anywhere inside a window.
HWND FindDescendant(HWND parent, int id)
{
    struct Search
    {
        int id;
        HWND found;
    } search{id, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL
        {
            auto* s = reinterpret_cast<Search*>(context);
            if (::GetDlgCtrlID(child) != s->id)
                return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Journal entries from `from` on that begin so.
int JournalStarting(const std::wstring& prefix, int from)
{
    int n = 0;
    for (int i = std::max(from, 0); i < dkhost_test::JournalSize(); ++i)
        if (std::wstring(dkhost_test::JournalEntry(i)).rfind(prefix, 0) == 0)
            ++n;
    return n;
}

// Pumps messages until every point input the host started since journal entry `from` has
// ended and the row's button can be clicked again (or is gone); false when that takes too long.
bool WaitForPick(HWND button, int from)
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        Pump();
        const int started =
            JournalStarting(L"point input 3 prompt", from) + JournalStarting(L"point input 7 prompt", from);
        const int ended =
            JournalStarting(L"point input ended", from) + JournalStarting(L"point input cancelled by its caller", from);
        if (ended >= started && (!::IsWindow(button) || ::IsWindowEnabled(button)))
        {
            Pump();
            return true;
        }
        if (::GetTickCount() - start > kPickWaitMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Activates the row and clicks its own button, as the user does, then waits for the pick it
// started to end (it takes its points from the answers given before).
int ClickRowButton(App& app, const std::wstring& name)
{
    const int row = app.palette.FindRow(name);
    if (row < 0)
        return Fail(2, L"no row named \"" + name + L"\" for this selection");
    if (app.palette.IsPlain(row))
        return Fail(1, L"the row \"" + name + L"\" has no editor yet and no button to click");
    HWND control = app.palette.RowWindow(row);
    const int runs = dkhost_test::PageRuns();
    const size_t shownBefore = g_boxes ? g_boxes->Count() : 0;
    const int journalFrom = dkhost_test::JournalSize();
    std::wstring editor;
    {
        // A dialog row's label is its button: the click opens the dialog.
        const auto rows = app.palette.Dump();
        const auto shown = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.name == name; });
        if (shown != rows.end())
            editor = shown->editor;
        if (OpensDialogFromLabel(editor))
        {
            ClickValue(app, control);
            Pump();
            return DialogOutcome(name, runs, shownBefore, journalFrom);
        }
    }
    ClickValue(app, control);
    HWND button = FindDescendant(control, kRowButtonId);
    if (!button || !::IsWindowVisible(button))
        return Fail(1, L"the row \"" + name + L"\" has no button to click");
    if (!::IsWindowEnabled(button))
        return Fail(1, L"the button of the row \"" + name + L"\" cannot be clicked now");
    const int from = dkhost_test::JournalSize();
    PressRowButton(button);
    // The pattern palette is modal: the click is over when it returns, and a custom pattern
    // picked there leaves the row's button disabled for good.
    if (editor == kPatternNameEditor)
        Pump();
    else if (!WaitForPick(button, from))
        return Fail(1, L"the pick of the row \"" + name + L"\" did not end");
    // An answer the host's point input could not read ends the pick with nothing.
    for (int i = from; i < dkhost_test::JournalSize(); ++i)
    {
        const std::wstring entry = dkhost_test::JournalEntry(i);
        if (entry.rfind(L"point input refused ", 0) == 0)
            return Fail(1, L"the row \"" + name + L"\": the host's point input refused " + entry.substr(20));
    }
    if (editor == kPatternNameEditor && JournalCount(L"pattern palette cancelled", from) > 0)
        return Fail(1, L"the row \"" + name + L"\": the pattern palette was cancelled");
    // The button opened the row's dialog, or refused it for a locked layer: it is done, and
    // says how it went.
    if (dkhost_test::PageRuns() != runs || JournalCount(L"modeless end OPM_CHGSELECTION", from) > 0)
        return DialogOutcome(name, runs, shownBefore, from);
    return 0;
}

// Answers given on the command line that no prompt took: the run did not go as written.
int ReportUnaskedAnswers(const App& app)
{
    const int pending = dkhost_test::PendingAnswers();
    if (pending <= 0)
        return 0;
    dkhost_test::ClearAnswers();
    const size_t n = app.answers.size();
    const std::wstring first =
        static_cast<size_t>(pending) <= n ? L" \"" + app.answers[n - static_cast<size_t>(pending)] + L"\"" : L"";
    return Fail(1, L"no prompt took the answer" + first);
}

void Dump(App& app)
{
    for (const dkpal::RowDump& row : app.palette.Dump())
        PrintLine(stdout,
                  row.category + L" | " + row.name + L" | " + row.editor + L" | " + row.text + L" | " + row.state);
}

int Run(const std::wstring& drawing, const std::vector<std::wstring>& selections, const std::vector<Action>& actions,
        const std::vector<dkpal::DialogScript>& scripts)
{
    int line = 0;
    // Without a user at the palette, no message or dialog waits for one.
    std::unique_ptr<MessageBoxes> boxes;
    std::unique_ptr<dkpal::DialogAnswers> dialogs;
    if (!actions.empty())
    {
        boxes = std::make_unique<MessageBoxes>();
        dialogs = std::make_unique<dkpal::DialogAnswers>();
        for (const dkpal::DialogScript& script : scripts)
            dialogs->Queue(script);
    }
    g_boxes = boxes.get();
    g_dialogs = dialogs.get();
    const dkfw::ScopeExit noBoxes(
        []
        {
            g_boxes = nullptr;
            g_dialogs = nullptr;
        });
    // Messages no action reported: each printed, and the run fails.
    auto reportMessages = [&](int rc)
    {
        if (!boxes)
            return rc;
        // Each text once, however often it was shown.
        std::vector<std::wstring> told;
        for (const std::wstring& text : boxes->TakeUnreported())
            if (std::find(told.begin(), told.end(), text) == told.end())
            {
                told.push_back(text);
                rc = Fail(1, L"message: " + OneLine(text));
            }
        return rc;
    };
    // A dialog that did not go as its answers say: one line, with the message that kept it
    // open (shown since `shownBefore`).
    auto reportDialogs = [&](int rc, size_t shownBefore)
    {
        const std::wstring why = dialogs ? dialogs->TakeFailure() : std::wstring();
        if (why.empty() || rc)
            return rc;
        const std::wstring message = boxes ? boxes->TakeFirstSince(shownBefore) : std::wstring();
        return Fail(1, why + (message.empty() ? L"" : L": " + OneLine(message)));
    };
    const HRESULT loaded =
        drawing.empty() ? dkhost_test::LoadSampleDrawing() : dkhost_test::LoadDrawingFile(drawing.c_str(), &line);
    if (FAILED(loaded))
    {
        // The host says why, and where: FILE:LINE: reason, as compilers do.
        std::wstring why = dkhost_test::LastLoadError();
        if (why.empty())
            why = L"the drawing cannot be read";
        const std::wstring file = drawing.empty() ? L"the sample drawing" : drawing;
        return Fail(2, file + (line ? L":" + std::to_wstring(line) : L"") + L": " + why);
    }

    std::vector<LONG_PTR> selected;
    for (const std::wstring& spec : selections)
    {
        std::wstring unknown;
        if (!Resolve(spec, selected, unknown))
            return Fail(2, L"nothing in the drawing is called \"" + unknown + L"\"");
    }
    if (selections.empty() && !actions.empty())
    {
        std::wstring unknown;
        Resolve(L"Text", selected, unknown);
    }

    App app;
    g_app = &app;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"DkPexPaletteFrame";
    ::RegisterClassExW(&wc);
    const std::wstring title = L"Properties - " + std::wstring(dkhost_test::DrawingName());
    app.frame = ::CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40,
                                  720, 640, nullptr, nullptr, wc.hInstance, nullptr);
    if (!app.frame)
        return Fail(1, L"cannot create the palette window");
    dkhost_test::SetMainWindow(app.frame);
    HFONT guiFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    app.list =
        ::CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT, 0,
                          0, 10, 10, app.frame, reinterpret_cast<HMENU>(kListId), wc.hInstance, nullptr);
    app.undo = ::CreateWindowExW(0, L"BUTTON", L"Undo", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 10, 10, app.frame,
                                 reinterpret_cast<HMENU>(kUndoId), wc.hInstance, nullptr);
    app.status = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 10, 10,
                                   app.frame, reinterpret_cast<HMENU>(kStatusId), wc.hInstance, nullptr);
    for (HWND w : {app.list, app.undo, app.status})
        ::SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont), FALSE);
    const RECT paletteRect{kListWidth + 4, 0, 700, 560};
    if (!app.palette.Create(app.frame, paletteRect))
        return Fail(1, L"cannot create the palette");
    app.palette.SetStatusCallback(&UpdateStatus, &app);

    const std::vector<LONG_PTR> all = AllEntities();
    const int n = static_cast<int>(all.size());
    for (int i = 0; i < n; ++i)
    {
        const std::wstring item =
            std::wstring(dkhost_test::EntityHandle(all[i])) + L"  " + dkhost_test::EntityClass(all[i]);
        ::SendMessageW(app.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        app.entities.push_back(all[i]);
        if (std::find(selected.begin(), selected.end(), all[i]) != selected.end())
            ::SendMessageW(app.list, LB_SETSEL, TRUE, i);
    }
    Layout(app);
    ::ShowWindow(app.frame, SW_SHOW);
    ::UpdateWindow(app.frame);
    app.palette.SetSelection(selected);
    dkhost_test::ClearJournal();
    UpdateStatus(&app);
    Pump();

    int rc = 0;
    for (const Action& a : actions)
    {
        const size_t shownBefore = boxes ? boxes->Count() : 0;
        if (a.what == L"--dump")
            Dump(app);
        else if (a.what == L"--set")
            rc = SetRow(app, a.argument);
        else if (a.what == L"--answer")
        {
            app.answers.push_back(a.argument);
            dkhost_test::PushAnswer(a.argument.c_str());
        }
        else if (a.what == L"--click")
            rc = ClickRowButton(app, a.argument);
        else if (a.what == L"--undo")
        {
            app.palette.DeactivateRow();
            if (dkhost_test::Undo(1) == 0)
                rc = Fail(1, L"nothing to undo");
            app.palette.RefreshAll();
        }
        else if (a.what == L"--journal")
        {
            for (int i = 0; i < dkhost_test::JournalSize(); ++i)
                PrintLine(stdout, L"journal: " + std::wstring(dkhost_test::JournalEntry(i)));
        }
        else if (a.what == L"--snapshot")
        {
            Pump();
            const HRESULT hr = dkpal::WriteWindowPng(app.frame, a.argument.c_str());
            if (FAILED(hr))
                rc = Fail(1, L"cannot write " + a.argument);
            else
                PrintLine(stdout, L"snapshot: " + a.argument);
        }
        Pump();
        rc = reportDialogs(rc, shownBefore);
        rc = reportMessages(rc);
        if (rc)
            break;
    }

    if (rc == 0)
        rc = ReportUnaskedAnswers(app);
    if (rc == 0 && dialogs && dialogs->Next())
        rc = Fail(1, L"no dialog took the answers \"" + dialogs->Next()->spec + L"\"");
    dkhost_test::ClearAnswers();
    if (actions.empty())
    {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    app.palette.SetSelection({});
    ::DestroyWindow(app.frame);
    g_app = nullptr;
    Pump();
    return reportMessages(rc);
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring drawing;
    std::vector<std::wstring> selections;
    std::vector<Action> actions;
    std::vector<dkpal::DialogScript> scripts;
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring arg = argv[i];
        const bool takesValue = arg == L"--select" || arg == L"--set" || arg == L"--snapshot" || arg == L"--answer" ||
                                arg == L"--click" || arg == L"--dialog";
        if (arg == L"--help" || arg == L"-h")
        {
            std::fwprintf(stdout, L"%ls", kUsage);
            return 0;
        }
        if (takesValue && i + 1 >= argc)
            return Fail(2, arg + L" needs a value");
        if (arg == L"--select")
            selections.push_back(argv[++i]);
        else if (arg == L"--dialog")
        {
            std::wstring why;
            scripts.emplace_back();
            if (!dkpal::ParseDialogScript(argv[++i], scripts.back(), why))
                return Fail(2, why);
        }
        else if (takesValue)
            actions.push_back(Action{arg, argv[++i]});
        else if (arg == L"--dump" || arg == L"--undo" || arg == L"--journal")
            actions.push_back(Action{arg, L""});
        else if (arg.rfind(L"--", 0) == 0)
            return Fail(2, L"unknown option " + arg + L" (see --help)");
        else if (drawing.empty())
            drawing = arg;
        else
            return Fail(2, L"one drawing at a time: " + arg);
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int rc = Run(drawing, selections, actions, scripts);
    dkhost_test::ResetDrawing();
    ::CoUninitialize();
    return rc;
}

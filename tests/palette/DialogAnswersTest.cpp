// The command line's dialog answers: their parsing, and a dialog of the test's own (a type
// list, a name box it enables for one type, a button that picks a name, OK refused for a name
// it cannot find) filled from inside its modal loop as a user fills it.
#include "DialogAnswers.h"
#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using dkpal::DialogStep;

constexpr int kTypes = 1032;
constexpr int kName = 1030;
constexpr int kPick = 1029;

// A dialog template in memory: the dialog, then its items, each aligned on a DWORD.
class Template
{
public:
    explicit Template(const wchar_t* title)
    {
        Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
        Dword(0);
        m_words.push_back(0); // item count, set as items come
        for (short v : {10, 10, 200, 100})
            m_words.push_back(static_cast<WORD>(v));
        m_words.push_back(0); // no menu
        m_words.push_back(0); // the dialog class
        Text(title);
        m_words.push_back(8);
        Text(L"MS Shell Dlg");
    }
    void Item(WORD atom, int id, DWORD style, const wchar_t* text, short y)
    {
        while (m_words.size() % 2)
            m_words.push_back(0);
        Dword(WS_CHILD | WS_VISIBLE | style);
        Dword(0);
        for (short v : {short(5), y, short(150), short(12)})
            m_words.push_back(static_cast<WORD>(v));
        m_words.push_back(static_cast<WORD>(id));
        m_words.push_back(0xFFFF);
        m_words.push_back(atom);
        Text(text);
        m_words.push_back(0); // no creation data
        ++m_words[4];
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void Dword(DWORD d)
    {
        m_words.push_back(LOWORD(d));
        m_words.push_back(HIWORD(d));
    }
    void Text(const wchar_t* s)
    {
        for (; *s; ++s)
            m_words.push_back(*s);
        m_words.push_back(0);
    }
    std::vector<WORD> m_words;
};

// What the dialog was told, as "ID NOTIFICATION", and the name it ended with.
struct Seen
{
    std::vector<std::wstring> told;
    std::wstring name;
};

INT_PTR CALLBACK TypeDialog(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Seen* seen = reinterpret_cast<Seen*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    switch (msg)
    {
    case WM_INITDIALOG:
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        for (const wchar_t* type : {L"User defined", L"Predefined", L"Custom"})
            ::SendDlgItemMessageW(dialog, kTypes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type));
        ::SendDlgItemMessageW(dialog, kTypes, CB_SETCURSEL, 1, 0);
        ::EnableWindow(::GetDlgItem(dialog, kName), FALSE);
        return TRUE;
    case WM_COMMAND:
    {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        wchar_t name[64] = {};
        ::GetDlgItemTextW(dialog, kName, name, 64);
        if (code == CBN_SELCHANGE)
        {
            const LRESULT at = ::SendDlgItemMessageW(dialog, kTypes, CB_GETCURSEL, 0, 0);
            seen->told.push_back(std::to_wstring(id) + L" selchange " + std::to_wstring(at));
            ::EnableWindow(::GetDlgItem(dialog, kName), at == 2);
        }
        else if (code == EN_CHANGE)
            seen->told.push_back(std::to_wstring(id) + L" change");
        else if (id == kPick && code == BN_CLICKED)
            ::SetDlgItemTextW(dialog, kName, L"STONES");
        else if (id == IDOK && std::wstring(name) != L"NOWHERE")
        {
            seen->name = name;
            ::EndDialog(dialog, IDOK);
        }
        else if (id == IDCANCEL)
            ::EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

INT_PTR OpenTypeDialog(Seen& seen)
{
    Template t(L"Hatch type");
    t.Item(0x0085, kTypes, CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL, L"", 5);
    t.Item(0x0081, kName, WS_BORDER | ES_AUTOHSCROLL, L"", 20);
    t.Item(0x0080, kPick, BS_PUSHBUTTON, L"Pick...", 35);
    t.Item(0x0080, IDOK, BS_DEFPUSHBUTTON, L"OK", 50);
    t.Item(0x0080, IDCANCEL, BS_PUSHBUTTON, L"Cancel", 65);
    return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), t.Get(), nullptr, &TypeDialog,
                                     reinterpret_cast<LPARAM>(&seen));
}

dkpal::DialogScript Parsed(const wchar_t* spec)
{
    dkpal::DialogScript script;
    std::wstring why;
    EXPECT_TRUE(dkpal::ParseDialogScript(spec, script, why)) << why;
    return script;
}

TEST(DialogAnswers, ParsesStepsAndRefusesAnythingElseWithWhy)
{
    const dkpal::DialogScript script = Parsed(L"1032=Custom;1030=a=b;1029;1030=;ok");
    ASSERT_EQ(5u, script.steps.size());
    EXPECT_EQ(DialogStep::Fill, script.steps[0].kind);
    EXPECT_EQ(1032, script.steps[0].id);
    EXPECT_EQ(L"Custom", script.steps[0].text);
    EXPECT_EQ(L"a=b", script.steps[1].text) << "the text runs to the next ';'";
    EXPECT_EQ(DialogStep::Click, script.steps[2].kind);
    EXPECT_EQ(1029, script.steps[2].id);
    EXPECT_EQ(L"", script.steps[3].text);
    EXPECT_EQ(DialogStep::Ok, script.steps[4].kind);
    EXPECT_EQ(DialogStep::Cancel, Parsed(L"Cancel").steps[0].kind);

    const struct
    {
        const wchar_t* spec;
        const wchar_t* why;
    } bad[] = {
        {L"", L"\"\" is neither"},
        {L"1032=Custom", L"the answers end with OK or Cancel"},
        {L"OK;Cancel", L"OK must be the last answer"},
        {L"1032=Custom;;OK", L"\"\" is neither"},
        {L"Type=Custom;OK", L"\"Type=Custom\" is neither"},
        {L"70000;OK", L"\"70000\" is neither"},
        {L"-1;OK", L"\"-1\" is neither"},
    };
    for (const auto& c : bad)
    {
        SCOPED_TRACE(c.spec);
        dkpal::DialogScript script;
        std::wstring why;
        EXPECT_FALSE(dkpal::ParseDialogScript(c.spec, script, why));
        EXPECT_NE(std::wstring::npos, why.find(c.why)) << why;
        EXPECT_EQ(0u, why.find(L"--dialog \"" + std::wstring(c.spec) + L"\": ")) << why;
    }
}

TEST(DialogAnswers, FillDialogsAsAUserDoesAndCancelWhatCannotBeDone)
{
    const struct
    {
        const wchar_t* spec; // null: no answers queued
        INT_PTR ended;
        const wchar_t* name;
        const wchar_t* failure; // a piece of it; empty: none
        std::vector<std::wstring> told;
    } cases[] = {
        {L"1032=Custom;1030=MYPAT;OK",
         IDOK,
         L"MYPAT",
         L"",
         {L"1032 selchange 2", L"1030 change", L"1030 change", L"1030 change", L"1030 change", L"1030 change"}},
        {L"1032=Custom;1029;OK", IDOK, L"STONES", L"", {}},
        {L"1032=Predefined;Cancel", IDCANCEL, L"", L"", {L"1032 selchange 1"}},
        // The name box is enabled only for a custom pattern, as a user finds it.
        {L"1030=MYPAT;OK", IDCANCEL, L"", L"the dialog \"Hatch type\": its control 1030 is disabled", {}},
        {L"1032=custom;OK", IDCANCEL, L"", L"the dialog \"Hatch type\": its list 1032 has no entry \"custom\"", {}},
        {L"1099=x;OK", IDCANCEL, L"", L"the dialog \"Hatch type\" has no control 1099", {}},
        {L"1032=Custom;1030=NOWHERE;OK", IDCANCEL, L"", L"the dialog \"Hatch type\" stayed open after OK", {}},
        {nullptr, IDCANCEL, L"", L"the dialog \"Hatch type\" asked for answers the command line did not give", {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.spec ? c.spec : L"(none)");
        dkpal::DialogAnswers answers;
        if (c.spec)
            answers.Queue(Parsed(c.spec));
        Seen seen;
        EXPECT_EQ(c.ended, OpenTypeDialog(seen));
        EXPECT_EQ(c.name, seen.name);
        EXPECT_EQ(1, answers.Taken());
        EXPECT_EQ(0u, answers.Pending());
        const std::wstring failure = answers.TakeFailure();
        EXPECT_EQ(0u, failure.find(c.failure)) << failure;
        EXPECT_EQ(*c.failure == 0, failure.empty()) << failure;
        if (!c.told.empty())
        {
            EXPECT_EQ(c.told, seen.told);
        }
    }
}

TEST(DialogAnswers, EachDialogTakesTheNextAnswersAndMessageBoxesTakeNone)
{
    dkpal::DialogAnswers answers;
    answers.Queue(Parsed(L"1032=User defined;OK"));
    answers.Queue(Parsed(L"1032=Custom;1030=MYPAT;OK"));
    {
        dktest::MessageBoxCatcher boxes;
        ::MessageBoxW(nullptr, L"The hatch pattern was not found in the pattern files.", L"DkHost", MB_OK);
        ASSERT_EQ(1u, boxes.Texts().size());
    }
    EXPECT_EQ(0, answers.Taken()) << "a message box is no dialog to fill";
    Seen first;
    Seen second;
    EXPECT_EQ(IDOK, OpenTypeDialog(first));
    EXPECT_EQ(IDOK, OpenTypeDialog(second));
    EXPECT_EQ(std::vector<std::wstring>{L"1032 selchange 0"}, first.told);
    EXPECT_EQ(L"MYPAT", second.name);
    EXPECT_EQ(2, answers.Taken());
    EXPECT_EQ(L"", answers.TakeFailure());
}

} // namespace

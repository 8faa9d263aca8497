// The text and password editors end to end, in real windows through the palette's
// container: clicking, typing and the keys that commit or cancel, the unspecified text,
// the text tip, read-only rows, and windows and GDI objects given back.
#include "MessageBoxCatcher.h"
#include "MessageSequence.h"
#include "PaletteFixture.h"
#include "StandInGlue.h"

#include "DkPEXCtl.h"

namespace
{
using dktest::PaletteFixture;

constexpr DISPID kTextString = 100;

class TextEditor : public PaletteFixture
{
protected:
    size_t UndoGroups() { return dktest::JournalMatching(L"undo group begin").size(); }
    // A command that drives the palette sets the row's value.
    void PresetByCommand(const wchar_t* text)
    {
        dkhost_test::SetCommandFlags(0x8000000);
        VARIANT v;
        v.vt = VT_BSTR;
        v.bstrVal = ::SysAllocString(text);
        EXPECT_EQ(S_OK, m_host.Control()->SetValue(&v, ValueSpecified));
        ::SysFreeString(v.bstrVal);
        dkhost_test::SetCommandFlags(0);
    }
    // What a window shows, pixel by pixel.
    static std::vector<COLORREF> Pixels(HWND hwnd)
    {
        RECT r{};
        ::GetClientRect(hwnd, &r);
        dkfw::WindowDc dc(hwnd);
        dkfw::UniqueMemoryDc memory(::CreateCompatibleDC(dc.Get()));
        dkfw::UniqueHbitmap bitmap(::CreateCompatibleBitmap(dc.Get(), r.right, r.bottom));
        dkfw::SelectObjectScope select(memory.Get(), bitmap.Get());
        ::BitBlt(memory.Get(), 0, 0, r.right, r.bottom, dc.Get(), 0, 0, SRCCOPY);
        std::vector<COLORREF> out;
        for (int y = 0; y < r.bottom; ++y)
            for (int x = 0; x < r.right; ++x)
                out.push_back(::GetPixel(memory.Get(), x, y));
        return out;
    }
    void EditText(const std::wstring& text)
    {
        Click(Control(), 5, 5);
        ASSERT_NE(nullptr, Edit()) << "a click opens the edit box";
        Type(Edit(), text);
    }
};

TEST_F(TextEditor, ClickTypeEnterWritesOnceAndShowsTheObjectsValue)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40", L"41"}, kTextString));
    Click(Control(), 5, 5);
    ASSERT_NE(nullptr, Edit());
    EXPECT_TRUE(::IsWindowVisible(Edit()));
    wchar_t varies[64] = {};
    ::LoadStringW(dktest::ResourceLibrary(), 228, varies, 64);
    EXPECT_EQ(varies, WindowText(Edit())) << "two different texts: the row varies";

    Type(Edit(), L"Hall");
    Key(Edit(), VK_RETURN);
    EXPECT_EQ(L"Hall", Property(0, kTextString));
    EXPECT_EQ(L"Hall", Property(1, kTextString));
    EXPECT_EQ(1u, UndoGroups());
    EXPECT_EQ(L"Hall", WindowText(Edit())) << "the row shows the objects' value";
    EXPECT_EQ((std::vector<std::wstring>{L"OnClick", L"OnBeginPropertyUpdate", L"OnEndPropertyUpdate", L"OnKeyDown"}),
              EventNames());
    EXPECT_EQ(VK_RETURN, m_host.Events()->Events().back().arg1);

    Key(Edit(), VK_RETURN);
    EXPECT_EQ(1u, UndoGroups()) << "the same text again writes nothing";
}

TEST_F(TextEditor, EscapeRestoresTheObjectsValueAndWritesNothing)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    EditText(L"Garage");
    Key(Edit(), VK_ESCAPE);
    EXPECT_EQ(L"Living room", WindowText(Edit()));
    Key(Edit(), VK_RETURN);
    EXPECT_EQ(L"Living room", Property(0, kTextString));
    EXPECT_EQ(0u, UndoGroups());
    m_host.Release();

    // A password of four stars, four letters typed over it: Escape puts the stars back
    // (the password edit shows stars of any text), and the focus leaving writes nothing.
    VARIANT stars;
    stars.vt = VT_BSTR;
    stars.bstrVal = ::SysAllocString(L"****");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&stars, &named, 1, 1};
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPwdText, {L"40"}, kTextString));
    ASSERT_EQ(S_OK, m_objects[0]->Invoke(kTextString, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                         nullptr));
    ::SysFreeString(stars.bstrVal);
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    dkhost_test::ClearJournal();
    Click(Control(), 5, 5);
    ASSERT_NE(nullptr, Edit(1049));
    ::SendMessageW(Edit(1049), EM_SETSEL, 0, -1);
    Type(Edit(1049), L"abcd");
    Key(Edit(1049), VK_ESCAPE);
    ASSERT_EQ(S_OK, m_host.Deactivate());
    Pump(0);
    EXPECT_EQ(L"****", Property(0, kTextString));
    EXPECT_EQ(0u, UndoGroups());
}

TEST_F(TextEditor, TabAndFocusLossCommit)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    EditText(L"Study");
    Key(Edit(), VK_TAB);
    EXPECT_EQ(L"Study", Property(0, kTextString));
    ASSERT_FALSE(m_host.Events()->Events().empty());
    EXPECT_EQ(L"OnKeyDown", m_host.Events()->Events().back().name);
    EXPECT_EQ(VK_TAB, m_host.Events()->Events().back().arg1);
    EXPECT_EQ(0, WindowText(Edit()).find(L"Study")) << "no tab character typed";

    EditText(L"Library");
    ::SetFocus(Edit());
    ::SetFocus(m_palette.Get());
    EXPECT_EQ(L"Library", Property(0, kTextString));
    EXPECT_EQ(2u, UndoGroups());
}

TEST_F(TextEditor, UnspecifiedTextInAnyCaseWritesTheUnspecifiedState)
{
    const LONG_PTR id = dkhost_test::EntityByHandle(L"40");
    dkhost_test::SetUnspecified(id, kTextString, true, false, L"*By style*");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    EditText(L"*BY STYLE*");
    Key(Edit(), VK_RETURN);
    EXPECT_EQ(L"Living room", Property(0, kTextString)) << "the string itself is not written";
    auto unspecified = m_objects[0].Query<IPropertyUnspecified>();
    VARIANT varId;
    varId.vt = VT_I4;
    varId.lVal = kTextString;
    VARIANT_BOOL is = VARIANT_FALSE;
    ASSERT_TRUE(unspecified);
    unspecified->IsValueUnspecified(varId, &is);
    EXPECT_TRUE(is);
    EXPECT_EQ(L"*By style*", WindowText(Edit())) << "the row shows the unspecified text";
}

TEST_F(TextEditor, UnspecifiedPopUpSitsUnderTheRowAndWritesTheStateWhenClicked)
{
    const LONG_PTR id = dkhost_test::EntityByHandle(L"40");
    dkhost_test::SetUnspecified(id, kTextString, true, false, L"*By style*");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    Click(Control(), 5, 5);
    HWND popup = nullptr;
    for (HWND w = ::FindWindowExW(nullptr, nullptr, L"DkPeTextTip", nullptr); w;
         w = ::FindWindowExW(nullptr, w, L"DkPeTextTip", nullptr))
        if (::IsWindowVisible(w))
            popup = w;
    ASSERT_NE(nullptr, popup) << "the pop-up offers the unspecified state while editing";
    EXPECT_EQ(L"*By style*", WindowText(popup));
    RECT row{};
    RECT r{};
    ::GetWindowRect(Control(), &row);
    ::GetWindowRect(popup, &r);
    EXPECT_EQ(row.left, r.left);
    EXPECT_EQ(row.bottom, r.top);
    EXPECT_EQ(row.right, r.right);
    EXPECT_EQ(row.bottom - row.top, r.bottom - r.top);

    Click(popup, 4, 4);
    EXPECT_FALSE(::IsWindowVisible(popup));
    auto unspecified = m_objects[0].Query<IPropertyUnspecified>();
    VARIANT varId;
    varId.vt = VT_I4;
    varId.lVal = kTextString;
    VARIANT_BOOL is = VARIANT_FALSE;
    unspecified->IsValueUnspecified(varId, &is);
    EXPECT_TRUE(is);
    EXPECT_EQ(1u, UndoGroups());

    // The palette scrolls the row away: the pop-up goes.
    ASSERT_EQ(S_OK, m_host.Deactivate());
    Click(Control(), 5, 5);
    ASSERT_TRUE(::IsWindowVisible(popup));
    ::SetWindowPos(Control(), nullptr, kRow.left, kRow.top + 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump(150);
    EXPECT_FALSE(::IsWindowVisible(popup));
}

TEST_F(TextEditor, RefusedWriteKeepsTheOldTextAndTellsTheUser)
{
    const LONG_PTR id = dkhost_test::EntityByHandle(L"40");
    dkhost_test::SetPropertyFault(id, kTextString, false, static_cast<SCODE>(0x80201010), L"The text is referenced.");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    dktest::MessageBoxCatcher boxes;
    EditText(L"Cellar");
    Key(Edit(), VK_RETURN);
    EXPECT_EQ((std::vector<std::wstring>{L"The text is referenced."}), boxes.Texts());
    EXPECT_EQ(L"Living room", WindowText(Edit()));
    EXPECT_EQ(L"Living room", Property(0, kTextString));
}

// The object took the text but could not update itself: the user is told, and the row shows
// what the object now holds rather than the text before.
TEST_F(TextEditor, AFailedUpdateShowsWhatTheObjectNowHolds)
{
    dkhost_test::SetUpdateResult(dkhost_test::EntityByHandle(L"40"), E_FAIL);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    dktest::MessageBoxCatcher boxes;
    EditText(L"Cellar");
    Key(Edit(), VK_RETURN);
    dkhost_test::SetUpdateResult(dkhost_test::EntityByHandle(L"40"), S_OK);
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(L"Cellar", Property(0, kTextString));
    EXPECT_EQ(L"Cellar", WindowText(Edit()));
}

// A row takes what a property's text holds, 65535 characters: typing stops there and says
// so; a longer text put in whole is refused whole, never cut.
TEST_F(TextEditor, TextIsBoundedAndNeverSilentlyCut)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    EditText(L"");
    const std::wstring longest(65535, L'x');
    {
        dktest::MessageBoxCatcher boxes;
        ::SetWindowTextW(Edit(), longest.substr(5).c_str());
        ::SendMessageW(Edit(), EM_SETSEL, 65530, 65530);
        const size_t groups = UndoGroups();
        ::SendMessageW(Edit(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(std::wstring(100, L'x').c_str()));
        Pump(0);
        ASSERT_EQ(1u, boxes.Texts().size()) << "the paste the limit cut is told";
        EXPECT_NE(std::wstring::npos, boxes.Texts()[0].find(L"at most 65535 characters")) << boxes.Texts()[0];
        EXPECT_EQ(L"Living room", Property(0, kTextString)) << "the message's focus commits nothing";
        EXPECT_EQ(groups, UndoGroups());
        EXPECT_EQ(65535u, WindowText(Edit()).size());
        Type(Edit(), L"y");
        EXPECT_EQ(2u, boxes.Texts().size()) << "the key the limit stopped is told";
        Key(Edit(), VK_RETURN);
        EXPECT_EQ(2u, boxes.Texts().size());
    }
    EXPECT_EQ(longest.size(), Property(0, kTextString).size()) << "written whole";
    EXPECT_TRUE(longest == Property(0, kTextString));

    dktest::MessageBoxCatcher boxes;
    ::SetWindowTextW(Edit(), std::wstring(70000, L'z').c_str());
    Key(Edit(), VK_RETURN);
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(L"The value was not changed: the text has 70000 characters, and a property's text holds at most 65535.",
              boxes.Texts()[0]);
    EXPECT_TRUE(longest == Property(0, kTextString));
    EXPECT_EQ(longest.size(), WindowText(Edit()).size());
}

// The palette may drop a row while the row's write waits on a message box: the write
// closes its change over the objects it was given and ends without touching freed memory,
// and the control then goes with its windows.
TEST_F(TextEditor, ARowDroppedUnderItsRefusedWriteEndsTheWriteAndThenGoes)
{
    const int windowsBefore = dktest::CountThreadWindows();
    const LONG_PTR id = dkhost_test::EntityByHandle(L"40");
    dkhost_test::SetPropertyFault(id, kTextString, false, static_cast<SCODE>(0x80201010), L"The text is referenced.");
    for (const bool typed : {true, false})
    {
        SCOPED_TRACE(typed ? "typed into the edit" : "set through the control");
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40", L"41"}, kTextString));
        const std::wstring before41 = Property(1, kTextString);
        dktest::MessageBoxCatcher boxes;
        boxes.WhileShown([this] { m_host.Release(); });
        dkhost_test::ClearJournal();
        const std::wstring written = typed ? L"Cellar" : L"Attic";
        if (typed)
        {
            EditText(written);
            Key(Edit(), VK_RETURN);
        }
        else
        {
            IDkPiPropertyEditControl2* control = m_host.Control(); // the palette's reference only
            VARIANT v;
            v.vt = VT_BSTR;
            v.bstrVal = ::SysAllocString(written.c_str());
            EXPECT_EQ(S_OK, control->SetValue(&v, ValueSpecified));
            ::SysFreeString(v.bstrVal);
        }
        Pump(0);
        EXPECT_EQ((std::vector<std::wstring>{L"1 of the 2 selected objects did not take the new value:\n"
                                             L"The text is referenced."}),
                  boxes.Texts());
        EXPECT_EQ(nullptr, m_host.Control());
        EXPECT_EQ(L"Living room", Property(0, kTextString));
        EXPECT_EQ(written, Property(1, kTextString));
        EXPECT_EQ(1u, UndoGroups());
        EXPECT_EQ(1u, dktest::JournalMatching(L"undo group end").size());
        EXPECT_EQ(windowsBefore, dktest::CountThreadWindows()) << "the control went with its windows";
        EXPECT_EQ(1, dkhost_test::Undo(1));
        EXPECT_EQ(before41, Property(1, kTextString));
    }
}

// While a refused write's message is up the palette deactivates the row and then draws it
// inactive (a password row makes its masked edit again) or activates and clicks it (a text
// row makes its edit again): the edit whose Enter runs the write is not freed under it.
TEST_F(TextEditor, AnEditReplacedUnderItsOwnEnterStaysWholeUntilItIsDone)
{
    const LONG_PTR id = dkhost_test::EntityByHandle(L"40");
    dkhost_test::SetPropertyFault(id, kTextString, false, static_cast<SCODE>(0x80201010), L"Refused.");
    for (const bool password : {true, false})
    {
        SCOPED_TRACE(password ? "password" : "text");
        ASSERT_EQ(S_OK, Row(password ? CLSID_DkPePropertyEditorPwdText : CLSID_DkPePropertyEditorText, {L"40", L"41"},
                            kTextString));
        ::UpdateWindow(Control());
        Pump(0);
        Click(Control(), 5, 5);
        HWND edit = Edit(password ? 1049 : 1038);
        ASSERT_NE(nullptr, edit);
        Type(edit, L"Cellar");
        dktest::MessageBoxCatcher boxes;
        boxes.WhileShown(
            [this, password]
            {
                auto inPlace = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IOleInPlaceObject>();
                inPlace->InPlaceDeactivate();
                if (password)
                    m_host.DrawnText(20);
                else
                {
                    m_host.Activate(OLEIVERB_INPLACEACTIVATE);
                    Click(Control(), 5, 5);
                }
            });
        Key(edit, VK_RETURN);
        Pump(0);
        EXPECT_EQ(1u, boxes.Texts().size());
        EXPECT_EQ(L"Cellar", Property(1, kTextString));
        m_host.Release();
    }
}

TEST_F(TextEditor, LongTextShowsATipThatLeavesWithTheCursor)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"46"}, kTextString)); // a long note
    HWND control = Control();
    RECT client{};
    ::GetClientRect(control, &client);
    // The text's width as the control measures it: its own DC and font.
    int width = 0;
    {
        dkfw::ComPtr<IUnknown> fontUnknown;
        m_host.Control()->get_Font(fontUnknown.Put());
        auto font = fontUnknown.Query<IFont>();
        HFONT hfont = nullptr;
        font->get_hFont(&hfont);
        dkfw::WindowDc dc(control);
        dkfw::SelectObjectScope select(dc.Get(), hfont);
        const std::wstring text = Property(0, kTextString);
        RECT r = client;
        ::DrawTextW(dc.Get(), text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP | DT_EXTERNALLEADING);
        width = r.right - r.left;
    }
    ASSERT_GT(width, client.right) << "the note is wider than the row";

    POINT inside{10, 10};
    ::ClientToScreen(control, &inside);
    ::SetCursorPos(inside.x, inside.y);
    ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    Pump(450);
    HWND tip = ::FindWindowExW(nullptr, nullptr, L"DkPeTextTip", nullptr);
    ASSERT_NE(nullptr, tip);
    EXPECT_TRUE(::IsWindowVisible(tip));
    RECT r{};
    ::GetWindowRect(tip, &r);
    EXPECT_EQ(width + 5, r.right - r.left);
    EXPECT_EQ(client.bottom + 2, r.bottom - r.top);
    RECT desktop{};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    RECT within{};
    EXPECT_TRUE(::IntersectRect(&within, &r, &desktop) && ::EqualRect(&within, &r)) << "the tip stays on the desktop";

    ::SetCursorPos(inside.x, inside.y + 200);
    Pump(450);
    EXPECT_FALSE(::IsWindowVisible(tip)) << "gone within 300 ms of the cursor leaving";
}

TEST_F(TextEditor, APopUpAndATipAtRestWakeNothingAndGoWhenTheirRowOrTheCursorLeaves)
{
    dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(L"46"), kTextString, true, false, L"*By style*");
    // The visible pop-up (the unspecified one, or the text tip).
    auto shown = [](bool textTip)
    {
        for (HWND w = ::FindWindowExW(nullptr, nullptr, L"DkPeTextTip", nullptr); w;
             w = ::FindWindowExW(nullptr, w, L"DkPeTextTip", nullptr))
            if (::IsWindowVisible(w) && (::GetWindowLongPtrW(w, GWLP_USERDATA) == 1042) == textTip)
                return w;
        return HWND{};
    };
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"46"}, kTextString)); // a long note
    Click(Control(), 5, 5);
    const HWND popup = shown(false);
    ASSERT_NE(nullptr, popup);
    POINT inside{10, 10};
    ::ClientToScreen(Control(), &inside);
    ::SetCursorPos(inside.x, inside.y);
    ::SendMessageW(Control(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    Pump(450);
    const HWND tip = shown(true);
    ASSERT_NE(nullptr, tip) << "the note's tip shows under the resting cursor";

    EXPECT_EQ(0, Pump(2000)) << "WM_TIMER messages while nothing moves";
    EXPECT_TRUE(::IsWindowVisible(popup));
    EXPECT_TRUE(::IsWindowVisible(tip));

    ::SetCursorPos(inside.x, inside.y + 200);
    Pump(450);
    EXPECT_FALSE(::IsWindowVisible(tip)) << "gone once the cursor left";
    TRACKMOUSEEVENT tracked{sizeof(tracked), TME_QUERY};
    ::TrackMouseEvent(&tracked);
    EXPECT_NE(tip, tracked.hwndTrack) << "the hidden tip still has the cursor tracked";

    // The pop-up goes at once, with no message pumped, when the row or a window holding it
    // moves or hides; it stays when a window holding it only grows.
    const struct
    {
        const char* what;
        bool palette;
        int x, y, cx, cy;
        UINT flags;
        bool goes;
    } kChanges[] = {
        {"row moves", false, kRow.left, kRow.top + 60, 0, 0, SWP_NOSIZE, true},
        {"row hides", false, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_HIDEWINDOW, true},
        {"palette moves", true, 230, 200, 0, 0, SWP_NOSIZE, true},
        {"palette hides", true, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_HIDEWINDOW, true},
        {"palette grows", true, 0, 0, 500, 400, SWP_NOMOVE, false},
    };
    for (const auto& change : kChanges)
    {
        SCOPED_TRACE(change.what);
        m_host.Release();
        ::SetWindowPos(m_palette.Get(), nullptr, 200, 200, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"46"}, kTextString));
        Click(Control(), 5, 5);
        const HWND up = shown(false);
        ASSERT_NE(nullptr, up);
        ::SetWindowPos(change.palette ? m_palette.Get() : Control(), nullptr, change.x, change.y, change.cx, change.cy,
                       change.flags | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_EQ(change.goes, !::IsWindowVisible(up));
    }
}

TEST_F(TextEditor, ReadOnlyEditSendsItsRightClicksToThePalette)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    Click(Control(), 5, 5);
    ASSERT_NE(nullptr, Edit());
    Key(Edit(), VK_ESCAPE);
    ASSERT_EQ(S_OK, m_host.Deactivate());

    // The property becomes read-only: the edit stays, read-only.
    dkpal::Selection selection;
    selection.objects = {m_objects[0].Get()};
    selection.dynProps = {nullptr};
    selection.dispids = {kTextString};
    ASSERT_EQ(S_OK, m_host.Init(selection, true));
    Click(Control(), 5, 5);
    EXPECT_TRUE(::GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY);
    m_host.Events()->Clear();
    Click(Edit(), 6, 7, WM_RBUTTONDOWN);
    ASSERT_EQ(1u, m_host.Events()->Events().size());
    const auto& e = m_host.Events()->Events()[0];
    EXPECT_EQ(L"OnRButtonDown", e.name);
    EXPECT_EQ(MAKELPARAM(kRow.left + 6, kRow.top + 7), e.arg2);
}

TEST_F(TextEditor, RightClickWhileEditingGoesToTheEdit)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    Click(Control(), 5, 5);
    dktest::MessageRecorder recorder({WM_RBUTTONDOWN});
    recorder.Watch(Control(), "control");
    recorder.Watch(Edit(), "edit");
    Click(Control(), 12, 4, WM_RBUTTONDOWN);
    Pump(0);
    EXPECT_TRUE(dktest::Matches(recorder.Log(),
                                {{WM_RBUTTONDOWN, dktest::Sent, 0, 0, "control"},
                                 {WM_RBUTTONDOWN, dktest::Sent | dktest::LParam, 0, MAKELPARAM(12, 4), "edit"}},
                                "right click while editing"));
    // The menu is the edit's own; the palette hears a click.
    EXPECT_EQ(L"OnClick", EventNames().back());
}

TEST_F(TextEditor, ACommandDrivingThePaletteShowsItsValueBeforeWriting)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    PresetByCommand(L"Scullery");
    HWND preset = Edit(4321);
    ASSERT_NE(nullptr, preset) << "a hidden edit holds the value";
    EXPECT_FALSE(::IsWindowVisible(preset));
    EXPECT_EQ(L"Scullery", WindowText(preset));
    EXPECT_EQ(L"Scullery", Property(0, kTextString));

    // The palette's identifier of the row heard the value written.
    IDkPiPropertyIdentifier* identifier = nullptr;
    ASSERT_EQ(S_OK, m_host.Control()->GetPropertyIdentifier(&identifier));
    EXPECT_EQ(nullptr, identifier) << "this palette gave the row none";

    // The user edits the row afterwards: the row's own edit box takes every character, also
    // past the row's width.
    const std::wstring longText(200, L'w');
    EditText(longText);
    EXPECT_TRUE(::GetWindowLongW(Edit(), GWL_STYLE) & ES_AUTOHSCROLL);
    EXPECT_TRUE(::IsWindowVisible(Edit()));
    Key(Edit(), VK_RETURN);
    EXPECT_EQ(longText, Property(0, kTextString));
}

TEST_F(TextEditor, APresetPasswordRowKeepsItsMaskedEdit)
{
    // The command comes before the row was ever drawn: no plain edit holds the password.
    dkpal::Selection selection;
    dkfw::ComPtr<IDispatch> text;
    dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"40"), text.Put());
    m_objects = {text};
    selection.objects = {text.Get()};
    selection.dynProps = {nullptr};
    selection.dispids = {kTextString};
    ASSERT_EQ(S_OK, m_host.Create(CLSID_DkPePropertyEditorPwdText, m_palette.Get(), m_frame, kRow, m_ambient));
    ASSERT_EQ(S_OK, m_host.Init(selection, false));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_INPLACEACTIVATE));
    PresetByCommand(L"Scullery");
    EXPECT_EQ(nullptr, Edit(4321));
    ASSERT_NE(nullptr, Edit(1049));
    // The masked edit holds the preset; asked from outside, it gives masks only.
    EXPECT_EQ(std::wstring(8, static_cast<wchar_t>(::SendMessageW(Edit(1049), EM_GETPASSWORDCHAR, 0, 0))),
              WindowText(Edit(1049)));
    ::UpdateWindow(Control());
    Click(Control(), 5, 5);
    Pump(0);
    HWND edit = Edit(1049);
    ASSERT_NE(nullptr, edit);
    EXPECT_TRUE(::IsWindowVisible(edit));
    EXPECT_TRUE(::GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD);
    EXPECT_EQ(nullptr, Edit(1038));
    EXPECT_EQ(nullptr, Edit(4321)) << "the preset's plain edit gave way";
}

TEST_F(TextEditor, TheEditsTextStartsWhereTheRowDrewIt)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    Click(Control(), 5, 5);
    ASSERT_NE(nullptr, Edit());
    // The inactive row draws its text 2 pixels from the left.
    EXPECT_EQ(2, static_cast<short>(LOWORD(::SendMessageW(Edit(), EM_POSFROMCHAR, 0, 0))));
    auto font = dkpal::MakeFont(L"Tahoma", 12);
    ASSERT_EQ(S_OK, m_host.Control()->put_Font(font.Get()));
    EXPECT_EQ(2, static_cast<short>(LOWORD(::SendMessageW(Edit(), EM_POSFROMCHAR, 0, 0)))) << "after a new font";
}

// A password never shows: not in a tip over a row too narrow for it, not in what the row
// draws (the palette's dumps and pictures), writable or read-only.
TEST_F(TextEditor, APasswordRowShowsOnlyMasks)
{
    constexpr RECT kNarrow{20, 30, 80, 50};
    const std::wstring secret = L"correct horse battery staple";
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(secret.c_str());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&v, &named, 1, 1};
    for (const bool readOnly : {false, true})
    {
        SCOPED_TRACE(readOnly);
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPwdText, {L"40"}, kTextString, readOnly));
        ASSERT_EQ(S_OK, m_objects[0]->Invoke(kTextString, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                             nullptr));
        ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
        ASSERT_EQ(S_OK, m_host.Move(kNarrow));
        ::UpdateWindow(Control());
        Pump(0);
        const std::wstring drawn = m_host.DrawnText(20);
        EXPECT_EQ(secret.size(), drawn.size());
        EXPECT_EQ(std::wstring::npos, drawn.find_first_of(L"abcdefghijklmnopqrstuvwxyz")) << "masks only";
        // The mouse over the password edit: it makes no tip of its own.
        auto tips = []
        {
            int n = 0;
            for (HWND tip = ::FindWindowExW(nullptr, nullptr, L"DkPeTextTip", nullptr); tip;
                 tip = ::FindWindowExW(nullptr, tip, L"DkPeTextTip", nullptr))
                ++n;
            return n;
        };
        const int before = tips();
        if (HWND edit = Edit(1049))
            ::SendMessageW(edit, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
        Pump(0);
        EXPECT_EQ(before, tips());

        // Another window asks every window of the row for its text, or to draw the row's tip
        // into a window of its own: it gets masks or nothing, and nothing is drawn.
        std::vector<HWND> windows{Control()};
        ::EnumChildWindows(
            Control(),
            [](HWND child, LPARAM list)
            {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windows));
        dkfw::UniqueHwnd foreign(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 300, 400, 240, 24, nullptr,
                                                   nullptr, nullptr, nullptr));
        ::UpdateWindow(foreign.Get());
        const std::vector<COLORREF> blank = Pixels(foreign.Get());
        // The mask can change, never go.
        if (HWND edit = Edit(1049))
        {
            for (WPARAM asked : {WPARAM(0), WPARAM(0x10000), WPARAM(L'x')})
                ::SendMessageW(edit, EM_SETPASSWORDCHAR, asked, 0);
            EXPECT_TRUE(::GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD);
            EXPECT_NE(0, ::SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0));
            // The row's own tip, asked to draw by the edit, gets masks: the same picture
            // whatever the password's letters.
            ::SendMessageW(Control(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 1));
            Pump(0);
            if (HWND tip = ::FindWindowExW(nullptr, nullptr, L"DkPeTextTip", nullptr))
            {
                ::ShowWindow(tip, SW_SHOWNOACTIVATE);
                std::vector<std::vector<COLORREF>> shots;
                for (const wchar_t* letters : {L"iiiiiiiiiiii", L"WWWWWWWWWWWW"})
                {
                    ::SetWindowTextW(edit, letters);
                    ::SendMessageW(edit, 0x8001, 1042, reinterpret_cast<LPARAM>(tip));
                    shots.push_back(Pixels(tip));
                }
                EXPECT_EQ(shots[0], shots[1]) << "the tip shows the password's letters";
            }
        }
        for (HWND w : windows)
        {
            wchar_t text[128] = {};
            ::SendMessageW(w, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
            EXPECT_EQ(std::wstring::npos, std::wstring(text).find_first_of(L"abcdefghijklmnopqrstuvwxyz"));
            ::SendMessageW(w, 0x8001, 1042, reinterpret_cast<LPARAM>(foreign.Get()));
            EXPECT_EQ(blank, Pixels(foreign.Get())) << "a window of another's was drawn into";
        }
        m_host.Release();
    }
    ::SysFreeString(v.bstrVal);
}

TEST_F(TextEditor, WritablePasswordRowNeverDrawsItsValue)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPwdText, {L"40"}, kTextString));
    ::UpdateWindow(Control());
    Pump(0);
    HWND edit = Edit(1049);
    ASSERT_NE(nullptr, edit) << "the row is drawn by the password edit";
    EXPECT_TRUE(::IsWindowVisible(edit));
    EXPECT_TRUE(::GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD);
    EXPECT_NE(0, ::SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0));
    EXPECT_EQ(nullptr, Edit(1038)) << "no plain edit ever shows the text";

    Click(Control(), 5, 5);
    Type(edit, L"s3cret");
    Key(edit, VK_RETURN);
    EXPECT_EQ(L"s3cret", Property(0, kTextString));
}

TEST_F(TextEditor, AThousandRowsLeaveNoWindowOrGdiObjectBehind)
{
    // One row first, so that what lives for the process (window classes, texts) exists.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, kTextString));
    m_host.Release();
    Pump(0);
    const Resources before = CountResources();
    for (int i = 0; i < 1000; ++i)
    {
        ASSERT_EQ(S_OK, Row(i % 2 ? CLSID_DkPePropertyEditorPwdText : CLSID_DkPePropertyEditorText, {L"40", L"41"},
                            kTextString));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        m_host.Control()->put_BackColor(RGB(i % 256, 0, 0));
        m_host.Release();
    }
    Pump(0);
    ExpectSameResources(before, CountResources());
}
} // namespace

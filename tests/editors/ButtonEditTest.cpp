// The button-edit family over real objects: the calculator button's exchange with the
// host's calculator (what it is handed, what comes back and is written), and a property
// that turns read-only between two edits. The editor is the test library's, built on the
// exported family base as the product's numeric editors are.
#include "MessageBoxCatcher.h"
#include "PaletteFixture.h"
#include "TestEditorProbe.h"

#include "DkPEXCtl.h"
#include "dked.h"

#include <commctrl.h>

namespace
{
using dktest::PaletteFixture;

constexpr DISPID kTextString = 100;

class ButtonEdit : public PaletteFixture
{
protected:
    void SetUp() override
    {
        PaletteFixture::SetUp();
        for (const auto& [clsid, progId] : {std::pair{&kTestNumberEditorClsid, kTestNumberEditorProgId},
                                            std::pair{&kTestDialogEditorClsid, kTestDialogEditorProgId}})
            ASSERT_EQ(S_OK, dkhost_test::RegisterControlClass(*clsid, progId, L"Test editor",
                                                              (dktest::BinDir() + L"DkPeTestEditors.dll").c_str(),
                                                              &LIBID_DKPEXCTLLib));
    }
    void TearDown() override
    {
        PaletteFixture::TearDown();
        dkhost_test::UnregisterControlClass(kTestNumberEditorClsid, kTestNumberEditorProgId);
        dkhost_test::UnregisterControlClass(kTestDialogEditorClsid, kTestDialogEditorProgId);
        SetLinearUnits(2);
    }

    static void SetLinearUnits(int units)
    {
        resbuf rb{};
        rb.restype = RTSHORT;
        rb.resval.rint = static_cast<short>(units);
        dkedSetVar(L"LUNITS", &rb);
    }

    // A row over the two texts with the calculator button, opened for editing.
    void OpenWithCalculator()
    {
        ASSERT_EQ(S_OK, Row(kTestNumberEditorClsid, {L"40", L"41"}, kTextString));
        auto calculator = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeCalculatorCtrl>();
        ASSERT_TRUE(calculator);
        ASSERT_EQ(S_OK, calculator->SetCalculatorMode(static_cast<USHORT>(VARIANT_TRUE)));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        ASSERT_NE(nullptr, Edit());
        ASSERT_NE(nullptr, Edit(1046));
    }
};

TEST_F(ButtonEdit, InchesAloneReachTheCalculatorAsZeroFeetAndItsResultIsWritten)
{
    OpenWithCalculator();
    const std::pair<const wchar_t*, const wchar_t*> inputs[] = {
        {L"6\"", L"0' 6\""}, {L"-6\"", L"-0' 6\""}, {L"1'6\"", L"1'6\""}, {L"12", L"12"}, {L"-", L"-"},
    };
    for (const auto& [typed, handed] : inputs)
    {
        EXPECT_EQ(handed, Calculate(typed, L"6*3")) << typed;
        EXPECT_FALSE(m_readOnlyCall);
    }
    EXPECT_EQ(L"18", WindowText(Edit()));
    EXPECT_EQ(L"18", Property(0, kTextString));
    EXPECT_EQ(L"18", Property(1, kTextString));

    // In fractional units the calculator is handed the number the text stands for.
    SetLinearUnits(5);
    EXPECT_EQ(L"1.5", Calculate(L"1 1/2", L"2.25"));
    EXPECT_EQ(L"2.25", Property(0, kTextString));
    EXPECT_EQ(L"not a number", Calculate(L"not a number", L"cancel")) << "text that does not parse goes as it is";
}

TEST_F(ButtonEdit, APointOrACancelledCalculatorLeavesNoNumberBehind)
{
    OpenWithCalculator();
    // A point is no value for this editor: the edit box is emptied before the commit.
    Calculate(L"7", L"1,2,3");
    EXPECT_EQ(L"", WindowText(Edit()));
    EXPECT_EQ(L"", Property(0, kTextString));

    // Cancelled: the text typed stays and is what gets written.
    Calculate(L"Hall", L"cancel");
    EXPECT_EQ(L"Hall", WindowText(Edit()));
    EXPECT_EQ(L"Hall", Property(1, kTextString));
    EXPECT_EQ(0, dkhost_test::PendingAnswers());
}

TEST_F(ButtonEdit, APropertyMadeReadOnlyBetweenTwoEditsLosesItsOwnButton)
{
    OpenWithCalculator();
    ASSERT_NE(nullptr, Edit(1043));
    EXPECT_FALSE(::GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY);
    ASSERT_EQ(S_OK, m_host.Deactivate());
    for (const wchar_t* handle : {L"40", L"41"})
        dkhost_test::SetEditable(dkhost_test::EntityByHandle(handle), kTextString, false);
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0)) << "the palette tells the row its objects changed";
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(nullptr, Edit(1043)) << "the editor's own button is not for read-only properties";
    ASSERT_NE(nullptr, Edit(1046)) << "the calculator shows read-only values too";
    EXPECT_TRUE(::IsWindowVisible(Edit(1046)));
    ASSERT_NE(nullptr, Edit());
    EXPECT_TRUE(::GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY);

    // The calculator is read-only too: whatever is answered, nothing is written.
    const std::wstring before = Property(0, kTextString);
    EXPECT_EQ(before, Calculate(before, L"99"));
    EXPECT_TRUE(m_readOnlyCall);
    EXPECT_EQ(before, Property(0, kTextString));
}

TEST_F(ButtonEdit, TabCommitsAndMovesToTheFirstButton)
{
    OpenWithCalculator();
    ::SetFocus(Edit());
    ::SetWindowTextW(Edit(), L"Porch");
    Key(Edit(), VK_TAB);
    Pump(0);
    EXPECT_EQ(L"Porch", Property(0, kTextString));
    EXPECT_EQ(L"Porch", Property(1, kTextString));
    EXPECT_EQ(Edit(1043), ::GetFocus()) << "the first button, not the next row";
}

TEST_F(ButtonEdit, TheDialogButtonAndAltDownOpenTheRowsDialog)
{
    const CLSID page = {0x1234abcd, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
    dkhost_test::SetPropertyPage(dkhost_test::EntityByHandle(L"40"), kTextString, page);
    ASSERT_EQ(S_OK, Row(kTestDialogEditorClsid, {L"40"}, kTextString));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_NE(nullptr, Edit(1043));
    EXPECT_EQ(L"Living room", WindowText(Edit()));
    RECT button{};
    RECT control{};
    ::GetWindowRect(Edit(1043), &button);
    ::GetWindowRect(Control(), &control);
    EXPECT_EQ(control.right, button.right) << "the dialog button sits on the right";

    // Nobody registered the page: each way of asking tells the user which class is missing.
    dktest::MessageBoxCatcher boxes;
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    Pump(0);
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_NE(std::wstring::npos, boxes.Texts()[0].find(L"{1234ABCD-0000-0000-0102-030405060708}"));
    EXPECT_NE(nullptr, Edit(1043)) << "the button is still there after the dialog";

    ::SetFocus(Edit());
    ::SendMessageW(Edit(), WM_SYSKEYDOWN, VK_DOWN, MAKELPARAM(1, KF_ALTDOWN));
    EXPECT_EQ(2u, boxes.Texts().size()) << "Alt+Down";
    ::SendMessageW(Edit(), WM_SYSKEYDOWN, VK_LEFT, MAKELPARAM(1, KF_ALTDOWN));
    ::SendMessageW(Edit(), WM_SYSKEYDOWN, VK_DOWN, MAKELPARAM(1, 0));
    EXPECT_EQ(2u, boxes.Texts().size()) << "Alt+Left and a Down without Alt are not the dialog's";
}

// The text a tooltip window of the thread holds for the button (a popup's owner is the
// top-level window, so the tooltip is found by the tool it holds).
std::wstring TooltipOf(HWND button)
{
    struct Search
    {
        HWND button;
        std::wstring text;
        bool found;
    } search{button, L"", false};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM l) -> BOOL
        {
            auto* s = reinterpret_cast<Search*>(l);
            wchar_t cls[64] = {};
            ::GetClassNameW(w, cls, 64);
            if (_wcsicmp(cls, TOOLTIPS_CLASSW) != 0)
                return TRUE;
            TTTOOLINFOW info{};
            info.cbSize = sizeof(info);
            info.hwnd = s->button;
            info.uId = reinterpret_cast<UINT_PTR>(s->button);
            if (!::SendMessageW(w, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)))
                return TRUE;
            wchar_t buf[600] = {};
            info.lpszText = buf;
            ::SendMessageW(w, TTM_GETTEXTW, 600, reinterpret_cast<LPARAM>(&info));
            s->text = buf;
            s->found = true;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found ? search.text : L"<no tooltip>";
}

class TextEx : public PaletteFixture
{
protected:
    void OpenText()
    {
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorTextEx, {L"40"}, kTextString));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        ASSERT_NE(nullptr, Edit());
    }
    LONG_PTR Text40() { return dkhost_test::EntityByHandle(L"40"); }
};

TEST_F(TextEx, TheExpressionButtonTellsTheExpressionCutToItsTooltip)
{
    const std::wstring longExpression = L"concat(" + std::wstring(400, L'x') + L")";
    dkhost_test::SetExpression(Text40(), kTextString, true, longExpression.c_str());
    OpenText();
    ASSERT_NE(nullptr, Edit(1047));
    const std::wstring tip = TooltipOf(Edit(1047));
    EXPECT_EQ(259u, tip.size()) << "a tooltip holds 259 characters and its end";
    EXPECT_EQ(0u, tip.find(L"Expression: concat(xxx"));
    RECT button{};
    RECT control{};
    ::GetWindowRect(Edit(1047), &button);
    ::GetWindowRect(Control(), &control);
    EXPECT_EQ(control.right, button.right) << "on the row's right end";
    m_host.Release();

    // Without expression support the row has no expression button.
    dkhost_test::SetExpression(Text40(), kTextString, false, nullptr);
    OpenText();
    EXPECT_EQ(nullptr, Edit(1047));
}

TEST_F(TextEx, TextThePropertyRefusesBecomesItsExpressionWhereItTakesOne)
{
    dkhost_test::SetPropertyFault(Text40(), kTextString, false, static_cast<SCODE>(0x80201010),
                                  L"The text is referenced.");
    // No expressions: the refusal stands and nothing changes.
    {
        OpenText();
        dktest::MessageBoxCatcher boxes;
        ::SetWindowTextW(Edit(), L"Cellar");
        Key(Edit(), VK_RETURN);
        Pump(0);
        EXPECT_EQ(L"Living room", Property(0, kTextString));
        EXPECT_EQ(L"Living room", WindowText(Edit()));
        EXPECT_EQ(1u, boxes.Texts().size());
        m_host.Release();
    }
    // With expressions: the text becomes the expression; the value is the host's to derive.
    dkhost_test::SetExpression(Text40(), kTextString, true, nullptr);
    OpenText();
    ASSERT_NE(nullptr, Edit(1047));
    EXPECT_EQ(L"Expression: None", TooltipOf(Edit(1047)));
    // The button's picture as the screen shows it.
    auto picture = [](HWND button)
    {
        ::UpdateWindow(button);
        dkfw::WindowDc dc(button);
        std::vector<COLORREF> pixels;
        for (int y = 2; y < 16; ++y)
            for (int x = 2; x < 16; ++x)
                pixels.push_back(::GetPixel(dc.Get(), x, y));
        return pixels;
    };
    const auto before = picture(Edit(1047));
    {
        dktest::MessageBoxCatcher boxes;
        ::SetWindowTextW(Edit(), L"Cellar");
        Key(Edit(), VK_RETURN);
        Pump(0);
    }
    EXPECT_EQ(L"Living room", Property(0, kTextString));
    // The shown button tells the new state at once.
    ASSERT_NE(nullptr, Edit(1047));
    EXPECT_EQ(L"Expression: Cellar", TooltipOf(Edit(1047)));
    EXPECT_NE(before, picture(Edit(1047)));
    m_host.Release();
    OpenText();
    ASSERT_NE(nullptr, Edit(1047));
    EXPECT_EQ(L"Expression: Cellar", TooltipOf(Edit(1047)));
}
} // namespace

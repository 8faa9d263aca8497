// The colour pickers over the sample drawing through the palette's container: the list and
// its encodings, the recent colours, the colour dialog as the scripted user answers it, the
// foreground over the view's background, the swatches, and the objects' special values.
#include "MessageBoxCatcher.h"
#include "DropDownFixture.h"
#include "TestSupport.h"

#include "DkPeColorCombo.h"

#include "DkPEXCtl.h"
#include "dkcm.h"

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kColor = 1;
constexpr DISPID kDimLineColor = 107;
constexpr DISPID kTextFill = 108;
constexpr DISPID kMaskColor = 109;

const std::vector<std::wstring> kStandard = {L"ByLayer", L"ByBlock", L"Red",     L"Yellow", L"Green",
                                             L"Cyan",    L"Blue",    L"Magenta", L"White"};

class ColorEditor : public DropDownFixture
{
protected:
    void SetUp() override
    {
        DropDownFixture::SetUp();
        dkhost_test::ClearRecentColors();
        dkhost_test::SetViewColors(RGB(33, 40, 48));
    }
    void TearDown() override
    {
        m_host.Release();
        dkhost_test::ClearRecentColors();
        dkhost_test::SetColorClassAvailable(true);
        EXPECT_EQ(0, dkhost_test::PendingAnswers()) << "every answer was asked for";
        dkhost_test::ClearAnswers();
        DropDownFixture::TearDown();
    }

    // A row of the class, tuned as the palette tunes it before it reads, then activated.
    void Open(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid, bool noMeta = false,
              bool allowNone = false, bool fixedForeground = true)
    {
        ASSERT_EQ(S_OK, Row(clsid, handles, dispid));
        auto tune = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeColorCtrl>();
        ASSERT_TRUE(tune);
        tune->SetNoMetaColor(noMeta);
        tune->SetAllowNoneColor(allowNone);
        tune->SetFixedForeground(fixedForeground);
        ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        Pump(0);
    }

    // The select-colour entry, the dialog answered so.
    void ChooseInDialog(const wchar_t* answer)
    {
        dkhost_test::PushAnswer(answer);
        Choose(static_cast<int>(Entries().size()) - 1);
    }

    // An object's colour as the host keeps it; vt tells how it came.
    DkCmColor ColorOf(size_t i, DISPID dispid, VARTYPE& vt)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        vt = v.Type();
        DkCmColor c;
        if (vt == VT_I4)
            c.setColorIndex(v.Get().lVal);
        dkfw::ComPtr<IDkDbColor> object;
        if (vt == VT_DISPATCH && SUCCEEDED(v.Get().pdispVal->QueryInterface(IID_IDkDbColor, object.PutVoid())))
        {
            LONG entity = 0;
            dkfw::UniqueBstr name, book;
            object->get_EntityColor(&entity);
            object->get_ColorName(name.Put());
            object->get_BookName(book.Put());
            c.setEntityColor(entity);
            c.setNames(name.Get(), book.Get());
        }
        return c;
    }
    DkCmColor ColorOf(size_t i, DISPID dispid = kColor)
    {
        VARTYPE vt = VT_EMPTY;
        return ColorOf(i, dispid, vt);
    }

    static DkCmColor Index(int index)
    {
        DkCmColor c;
        c.setColorIndex(index);
        return c;
    }
    static DkCmColor True(BYTE r, BYTE g, BYTE b)
    {
        DkCmColor c;
        c.setRGB(r, g, b);
        return c;
    }
    size_t UndoGroups() { return dktest::JournalMatching(L"undo group begin").size(); }
};

std::vector<std::wstring> Plus(std::vector<std::wstring> a, const std::vector<std::wstring>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The list, and each entry written in the encoding the first object reads in: colour objects
// (a new one per write, names kept) or plain indexes.
TEST_F(ColorEditor, TheListAndEachChoiceInTheObjectsOwnEncoding)
{
    Open(CLSID_DkPePropertyEditorColor, {L"2A", L"30"}, kColor);
    EXPECT_EQ(Plus(kStandard, {L"Select Color..."}), Entries());
    EXPECT_EQ(L"ByLayer", SelectedText());
    Choose(L"Red");
    EXPECT_EQ(1u, UndoGroups()) << "one change over both";
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(Index(1), ColorOf(0, kColor, vt));
    EXPECT_EQ(VT_DISPATCH, vt);
    EXPECT_EQ(Index(1), ColorOf(1));
    Choose(L"ByBlock");
    EXPECT_EQ(Index(0), ColorOf(1));
    m_host.Release();

    // The dimension line's colour is a plain index.
    Open(CLSID_DkPePropertyEditorColor, {L"65"}, kDimLineColor);
    EXPECT_EQ(L"Blue", SelectedText());
    Choose(L"Green");
    EXPECT_EQ(Index(3), ColorOf(0, kDimLineColor, vt));
    EXPECT_EQ(VT_I4, vt);
    m_host.Release();

    // A named true colour the lists do not offer: read, it joins the recent colours at their
    // top, selected, and the host hears of it; written elsewhere, its names go along.
    dkhost_test::ClearJournal();
    Open(CLSID_DkPePropertyEditorColor, {L"2B"}, kColor);
    EXPECT_EQ(Plus(kStandard, {L"Brick red", L"Select Color..."}), Entries());
    EXPECT_EQ(L"Brick red", SelectedText());
    EXPECT_EQ(1u, dktest::JournalMatching(L"recent colour \"Brick red\"").size());
    m_host.Release();
    Open(CLSID_DkPePropertyEditorColor, {L"2A"}, kColor);
    Choose(L"Brick red");
    const DkCmColor written = ColorOf(0);
    EXPECT_EQ(DkCmColor::kByColor, written.colorMethod());
    EXPECT_STREQ(L"Brick red", written.colorName());
    EXPECT_STREQ(L"Site colours", written.bookName());
}

// Differing colours show the varies entry, which writes nothing; a plain colour index the
// list lacks joins the recent colours, "Color N".
TEST_F(ColorEditor, VariesWritesNothingAndAnUnknownIndexBecomesRecent)
{
    Open(CLSID_DkPePropertyEditorColor, {L"2A", L"2B"}, kColor);
    EXPECT_EQ(Plus(kStandard, {L"*VARIES*", L"Select Color..."}), Entries());
    EXPECT_EQ(L"*VARIES*", SelectedText());
    Choose(L"Red");
    Choose(L"*VARIES*");
    EXPECT_EQ(Index(1), ColorOf(1)) << "nothing written";
    EXPECT_EQ(L"Red", SelectedText());
    EXPECT_EQ(Plus(kStandard, {L"Select Color..."}), Entries()) << "the varies entry left";
    m_host.Release();

    VARIANT thirty;
    thirty.vt = VT_I4;
    thirty.lVal = 30;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&thirty, &put, 1, 1};
    dkfw::ComPtr<IDispatch> line;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"37"), line.Put()));
    ASSERT_EQ(S_OK, line->Invoke(kColor, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
    Open(CLSID_DkPePropertyEditorColor, {L"37"}, kColor);
    EXPECT_EQ(L"Color 30", SelectedText());
    EXPECT_EQ(9, static_cast<int>(::SendMessageW(Combo(), CB_GETCURSEL, 0, 0))) << "the top of the recent colours";
}

// The dialog starts from the current colour and gives what the user chose (then first among
// the recent colours); a cancel or a refused answer puts the current entry back. A full
// recent list lets its oldest colour go from the list too.
TEST_F(ColorEditor, TheColourDialogWritesTheChosenColourOrNothing)
{
    for (int i = 0; i < 8; ++i)
    {
        DkCmColor c;
        c.setColorIndex(20 + i);
        AddColorFromOPMToAllControls(c);
    }
    Open(CLSID_DkPePropertyEditorColor, {L"2A"}, kColor);
    Choose(L"Green");
    ASSERT_EQ(L"Color 20", Entries()[16]) << "the oldest recent colour, last";
    dkhost_test::ClearJournal();
    ChooseInDialog(L"212,208,200");
    EXPECT_EQ((std::vector<std::wstring>{L"colour dialog \"3\" meta yes layer \"7\" tabs 7"}),
              dktest::JournalMatching(L"colour dialog \""));
    EXPECT_EQ(True(212, 208, 200), ColorOf(0));
    EXPECT_EQ(L"212,208,200", SelectedText());
    const auto entries = Entries();
    EXPECT_EQ(L"212,208,200", entries[9]);
    EXPECT_EQ(L"Color 21", entries[16]) << "Color 20 dropped out";
    EXPECT_EQ(1u, UndoGroups());

    for (const wchar_t* answer : {L"cancel", L"300"})
    {
        ChooseInDialog(answer);
        EXPECT_EQ(L"212,208,200", SelectedText()) << "back to the current entry";
        EXPECT_EQ(True(212, 208, 200), ColorOf(0));
    }
    EXPECT_EQ(1u, UndoGroups()) << "nothing written";

    // Without colour objects only index colours are offered.
    m_host.Release();
    Open(CLSID_DkPePropertyEditorColor, {L"65"}, kDimLineColor);
    dkhost_test::ClearJournal();
    ChooseInDialog(L"40");
    EXPECT_EQ(1u, dktest::JournalMatching(L"colour dialog \"5\" meta yes layer \"7\" tabs 1").size());
    EXPECT_EQ(Index(40), ColorOf(0, kDimLineColor));
}

// No meta colours: the list starts at Red and the dialog offers none; with fixed foreground
// the foreground is written as white over a dark view and black over a light one, without it
// as index 7. The None entry stands before the select-colour entry.
TEST_F(ColorEditor, WithoutMetaColoursTheForegroundFollowsTheBackground)
{
    Open(CLSID_DkPePropertyEditorColor, {L"45"}, kMaskColor, true);
    EXPECT_EQ(Plus({kStandard.begin() + 2, kStandard.end()}, {L"Select Color..."}), Entries());
    EXPECT_EQ(L"White", SelectedText());
    Choose(L"Red");
    Choose(L"White");
    EXPECT_EQ(True(255, 255, 255), ColorOf(0, kMaskColor));
    dkhost_test::SetViewColors(RGB(250, 250, 240));
    Choose(L"Red");
    Choose(L"White");
    EXPECT_EQ(True(0, 0, 0), ColorOf(0, kMaskColor));
    dkhost_test::ClearJournal();
    ChooseInDialog(L"ByLayer");
    EXPECT_EQ(1u, dktest::JournalMatching(L"colour dialog \"7\" meta no").size()) << "from the entry chosen";
    EXPECT_EQ(True(0, 0, 0), ColorOf(0, kMaskColor)) << "a meta colour is no answer here";
    m_host.Release();

    Open(CLSID_DkPePropertyEditorColor, {L"45"}, kMaskColor, true, false, false);
    Choose(L"Red");
    Choose(L"White");
    EXPECT_EQ(Index(7), ColorOf(0, kMaskColor));
    m_host.Release();

    dkhost_test::ClearRecentColors();
    Open(CLSID_DkPePropertyEditorColor, {L"50"}, 110, true, true);
    EXPECT_EQ(Plus({kStandard.begin() + 2, kStandard.end()}, {L"None", L"Select Color..."}), Entries());
    EXPECT_EQ(L"None", SelectedText());
    Choose(L"Cyan");
    Choose(L"None");
    EXPECT_EQ(DkCmColor::kNone, ColorOf(0, 110).colorMethod());
}

// Down on the closed list stops before the select-colour entry.
TEST_F(ColorEditor, StepsThroughTheClosedListNeverOpenTheDialog)
{
    Open(CLSID_DkPePropertyEditorColor, {L"2A"}, kColor);
    Choose(L"Magenta");
    ::SendMessageW(Combo(), WM_KEYDOWN, VK_DOWN, 1);
    Pump(0);
    EXPECT_EQ(L"White", SelectedText());
    ::SendMessageW(Combo(), WM_KEYDOWN, VK_DOWN, 1);
    ::SendMessageW(Combo(), WM_KEYDOWN, VK_RIGHT, 1);
    Pump(0);
    EXPECT_EQ(L"White", SelectedText());
    EXPECT_EQ(0u, dktest::JournalMatching(L"colour dialog").size());
}

// An entry's swatch: a 10 x 10 square framed in the text colour, index 7 split black and
// white, the text from 18 pixels in; ByLayer over layers of different colours has none, and
// overridden in the viewport it shows the label on the override background.
TEST_F(ColorEditor, SwatchesAndTheViewportLabel)
{
    Open(CLSID_DkPePropertyEditorColor, {L"2A", L"30"}, kColor);
    const COLORREF frame = RGB(10, 20, 30);
    auto draw = [&](ULONGLONG kind, const DkCmColor& colour, const wchar_t* text, HDC dc)
    {
        COwnerDrawItemColor item;
        item.m_data = kind;
        item.m_color = colour;
        item.m_text = text;
        item.m_textColor = frame;
        RECT r{0, 0, 120, 18};
        ::SetBkColor(dc, RGB(255, 255, 255));
        item.Draw(dc, &r, ODA_DRAWENTIRE, 0, 0);
    };
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 120, 18);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);

    draw(1, Index(1), L"Red", dc);
    EXPECT_EQ(frame, ::GetPixel(dc, 2, 4)) << "the frame's top left";
    EXPECT_EQ(frame, ::GetPixel(dc, 11, 13)) << "its bottom right";
    EXPECT_EQ(dkedGetRGB(1), ::GetPixel(dc, 6, 8)) << "filled with the index's colour";
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(dc, 12, 8)) << "nothing right of it";
    draw(7, Index(7), L"White", dc);
    EXPECT_EQ(RGB(0, 0, 0), ::GetPixel(dc, 3, 12));
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(dc, 10, 5));
    // Walls and Doors differ: ByLayer stands for no one colour.
    draw(256, CDkPeColorCombo::ByLayerColor(), L"ByLayer", dc);
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(dc, 2, 4)) << "no swatch";
    m_host.Release();

    // Doors alone: its colour is overridden in the current viewport.
    Open(CLSID_DkPePropertyEditorColor, {L"30"}, kColor);
    EXPECT_TRUE(CDkPeColorCombo::ByLayerOverridden());
    EXPECT_EQ(Index(6), CDkPeColorCombo::ByLayerColor());
    draw(256, Index(256), L"ByLayer", dc);
    EXPECT_EQ(dkedGetRGB(6), ::GetPixel(dc, 6, 8));
    EXPECT_EQ(dkedGetVpOvrBackgColorValue(), ::GetPixel(dc, 19, 1)) << "the label's background";
    EXPECT_EQ(L"ByLayer (VP)", CDkPeColorCombo::ViewportOverrideLabel());

    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

// The objects' special values: after the recent colours, shown when every object holds the
// same one, varies when they differ, written on the unspecified path; an ordinary colour
// gives them up, and the dialog opened from one starts at ByLayer.
TEST_F(ColorEditor, SpecialValuesAreShownAndWrittenBesideTheColours)
{
    Open(CLSID_DkPePropertyEditorCustomColor, {L"65"}, kTextFill);
    EXPECT_EQ(Plus(kStandard, {L"Background", L"Empty", L"Select Color..."}), Entries());
    EXPECT_EQ(L"Background", SelectedText());
    dkhost_test::ClearJournal();
    ChooseInDialog(L"cancel");
    EXPECT_EQ(1u, dktest::JournalMatching(L"colour dialog \"ByLayer\"").size()) << "started at ByLayer";
    EXPECT_EQ(L"Background", SelectedText());
    m_host.Release();

    Open(CLSID_DkPePropertyEditorCustomColor, {L"65", L"66"}, kTextFill);
    EXPECT_EQ(L"*VARIES*", SelectedText()) << "only one holds a special value";
    dkhost_test::ClearJournal();
    Choose(L"Empty");
    EXPECT_EQ((std::vector<std::wstring>{L"custom value Empty on 65", L"custom value Empty on 66"}),
              dktest::JournalMatching(L"custom value"));
    EXPECT_EQ(1u, UndoGroups());
    m_host.Control()->Refresh(0); // as the palette reads its rows again after a change
    EXPECT_EQ(L"Empty", SelectedText());
    EXPECT_EQ(Plus(kStandard, {L"Background", L"Empty", L"Select Color..."}), Entries())
        << "no unspecified entry for the special value's write";

    // A recent colour moves the special values down; they keep their meaning.
    ChooseInDialog(L"90");
    EXPECT_EQ(Index(90), ColorOf(1, kTextFill));
    EXPECT_EQ(L"Color 90", SelectedText());
    EXPECT_EQ(Plus(kStandard, {L"Color 90", L"Background", L"Empty", L"Select Color..."}), Entries());
    Choose(L"Background");
    EXPECT_EQ(L"Background", SelectedText());
    m_host.Control()->Refresh(0);
    EXPECT_EQ(L"Background", SelectedText());
    m_host.Release();

    // Objects without special values: the colour editor's list.
    dkhost_test::ClearRecentColors();
    Open(CLSID_DkPePropertyEditorCustomColor, {L"30"}, kColor);
    EXPECT_EQ(Plus(kStandard, {L"Select Color..."}), Entries());
    Choose(L"Yellow");
    EXPECT_EQ(Index(2), ColorOf(0));
}

// Without the host's colour class a choice writes nothing and says why; the row shows what
// the objects hold.
TEST_F(ColorEditor, AMissingColourClassWritesNothingAndSaysSo)
{
    Open(CLSID_DkPePropertyEditorColor, {L"2A"}, kColor);
    dkhost_test::SetColorClassAvailable(false);
    dktest::MessageBoxCatcher boxes;
    Choose(L"Red");
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_NE(std::wstring::npos, boxes.Texts()[0].find(L"colour object could not be made"));
    EXPECT_EQ(L"ByLayer", SelectedText());
    EXPECT_EQ(Index(256), ColorOf(0));
    EXPECT_EQ(0u, UndoGroups());
}

TEST_F(ColorEditor, ManyRowsLeaveNoWindowOrGdiObjectBehind)
{
    Open(CLSID_DkPePropertyEditorColor, {L"2A"}, kColor);
    m_host.Release();
    Pump(0);
    const Resources before = CountResources();
    for (int i = 0; i < 100; ++i)
    {
        if (i % 2)
            Open(CLSID_DkPePropertyEditorCustomColor, {L"65", L"66"}, kTextFill);
        else
            Open(CLSID_DkPePropertyEditorColor, {L"2A", L"2B"}, kColor, false, true);
        ::SendMessageW(Combo(), CB_SHOWDROPDOWN, TRUE, 0);
        ::RedrawWindow(Combo(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ::SendMessageW(Combo(), CB_SHOWDROPDOWN, FALSE, 0);
        m_host.Release();
    }
    Pump(0);
    ExpectSameResources(before, CountResources());
}
} // namespace

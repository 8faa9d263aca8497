// The style pickers and the text justification over the sample drawing through the palette's
// container: the sorted list with the annotative marker, what follows the write of a style,
// the justification that keeps the text in place, the mixed-selection filter, and the
// faults of the drawing's database and objects.
#include "DropDownFixture.h"
#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "DkPEXCtl.h"

#include <cmath>

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kHeight = 101;
constexpr DISPID kRotation = 102;
constexpr DISPID kStyleName = 103;
constexpr DISPID kAlignment = 104;
constexpr DISPID kOblique = 105;
constexpr DISPID kWidthFactor = 106;
constexpr DISPID kInsertionPoint = 107;
constexpr DISPID kAlignmentPoint = 108;
constexpr DISPID kUpsideDown = 109;
constexpr DISPID kBackward = 110;
constexpr DISPID kTextAnnotative = 111;
constexpr DISPID kMTextAnnotative = 110;
constexpr DISPID kStyleOfOthers = 100; // dimensions, multileaders, tables
constexpr DISPID kDimAnnotative = 109;
constexpr DISPID kAttachment = 104;

// The marker icon's fill.
constexpr COLORREF kMarkerBlue = RGB(0x20, 0x60, 0xC0);

const std::vector<std::wstring> kTextStyles = {L"Notes", L"Site|Notes", L"Standard", L"Titles"};

class StyleEditor : public DropDownFixture
{
protected:
    void TearDown() override
    {
        m_host.Release();
        dkhost_test::SetNoAnnotativeExtension(false);
        dkhost_test::SetOpenFault(dkhost_test::StyleContainerId(L"text"), false);
        dkhost_test::SetElementFault(dkhost_test::EntityByHandle(L"40"), kAlignmentPoint, false);
        dkhost_test::SetWorkingDatabaseCurrent(true);
        DropDownFixture::TearDown();
    }

    void Open(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid)
    {
        m_host.Release();
        ASSERT_EQ(S_OK, Row(clsid, handles, dispid));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        Pump(0);
    }

    dkfw::UniqueVariant Value(size_t i, DISPID dispid) const
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v;
    }
    double Number(size_t i, DISPID dispid) const
    {
        const auto v = Value(i, dispid);
        return v.Type() == VT_R8 ? v.Get().dblVal : v.Type() == VT_I4 ? v.Get().lVal : NAN;
    }
    bool Flag(size_t i, DISPID dispid) const
    {
        const auto v = Value(i, dispid);
        return v.Type() == VT_BOOL && v.Get().boolVal;
    }
    std::vector<double> Point(size_t i, DISPID dispid) const
    {
        std::vector<double> out;
        const auto v = Value(i, dispid);
        if (v.Type() != (VT_ARRAY | VT_R8))
            return out;
        double* data = nullptr;
        ::SafeArrayAccessData(v.Get().parray, reinterpret_cast<void**>(&data));
        out.assign(data, data + v.Get().parray->rgsabound[0].cElements);
        ::SafeArrayUnaccessData(v.Get().parray);
        return out;
    }
    static void ExpectPoint(const std::vector<double>& p, double x, double y)
    {
        ASSERT_EQ(3u, p.size());
        EXPECT_NEAR(x, p[0], 1e-9);
        EXPECT_NEAR(y, p[1], 1e-9);
    }

    // Draws entry index as the list does and answers the marker's pixels and where the text
    // begins (its leftmost dark pixel).
    std::pair<int, int> DrawEntry(int index)
    {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 200, 18);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
        HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
        const RECT all{0, 0, 200, 18};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        DRAWITEMSTRUCT item{ODT_COMBOBOX,        1002, static_cast<UINT>(index), ODA_DRAWENTIRE, 0, Combo(), dc,
                            RECT{0, 0, 200, 18}, 0};
        ::SendMessageW(Control(), WM_DRAWITEM, 1002, reinterpret_cast<LPARAM>(&item));
        int marker = 0;
        int textLeft = -1;
        for (int x = 0; x < 200; ++x)
            for (int y = 0; y < 18; ++y)
            {
                const COLORREF c = ::GetPixel(dc, x, y);
                marker += c == kMarkerBlue;
                if (textLeft < 0 && c == RGB(0, 0, 0))
                    textLeft = x;
            }
        ::SelectObject(dc, oldFont);
        ::SelectObject(dc, oldBitmap);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        return {marker, textLeft};
    }
    bool Marked(const std::wstring& entry) { return DrawEntry(IndexOf(entry)).first > 10; }
};

// The objects' styles in the locale's order whatever order the table has, the unspecified and
// varies entries last; annotative styles marked, except a dependent record's and tables'.
TEST_F(StyleEditor, SortedStylesMarkedWhenAnnotativeWithTheSpecialEntriesLast)
{
    Open(CLSID_DkPePropertyEditorTextStyle, {L"40"}, kStyleName);
    EXPECT_EQ(kTextStyles, Entries()) << "the table holds Standard, Titles, Notes, Site|Notes";
    EXPECT_EQ(L"Notes", SelectedText());
    EXPECT_TRUE(Marked(L"Titles"));
    EXPECT_FALSE(Marked(L"Site|Notes")) << "annotative, but dependent on an external reference";
    EXPECT_FALSE(Marked(L"Notes"));
    const auto [marker, markedText] = DrawEntry(IndexOf(L"Titles"));
    const auto [none, plainText] = DrawEntry(IndexOf(L"Notes"));
    EXPECT_EQ(plainText + 19, markedText) << "the text makes room for the marker";
    EXPECT_LE(plainText, 3);
    dkhost_test::SetWorkingDatabaseCurrent(false);
    EXPECT_EQ((std::pair{0, -1}), DrawEntry(IndexOf(L"Titles"))) << "nothing of another drawing";
    dkhost_test::SetWorkingDatabaseCurrent(true);

    for (const wchar_t* h : {L"40", L"42"})
        dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(h), kStyleName, true, false, nullptr);
    Open(CLSID_DkPePropertyEditorTextStyle, {L"40", L"42"}, kStyleName);
    auto expected = kTextStyles;
    expected.insert(expected.end(), {L"*Unspecified*", L"*VARIES*"});
    EXPECT_EQ(expected, Entries());
    EXPECT_EQ(L"*VARIES*", SelectedText());
    EXPECT_FALSE(Marked(L"*VARIES*"));

    Open(CLSID_DkPePropertyEditorDimStyle, {L"66"}, kStyleOfOthers);
    EXPECT_EQ((std::vector<std::wstring>{L"Architectural", L"Standard"}), Entries());
    EXPECT_TRUE(Marked(L"Architectural"));
    Open(CLSID_DkPePropertyEditorMLeaderStyle, {L"68"}, kStyleOfOthers);
    EXPECT_EQ((std::vector<std::wstring>{L"Callout", L"Standard"}), Entries());
    EXPECT_TRUE(Marked(L"Callout"));
    EXPECT_FALSE(Marked(L"Standard"));
    Open(CLSID_DkPePropertyEditorTableStyle, {L"69"}, kStyleOfOthers);
    EXPECT_EQ((std::vector<std::wstring>{L"Door schedule", L"Standard"}), Entries());
    EXPECT_EQ(L"Door schedule", SelectedText());
    EXPECT_FALSE(Marked(L"Door schedule"));
    EXPECT_FALSE(Marked(L"Standard"));
}

// A new text style brings its width factor, oblique angle, upside-down and backward flags
// and its annotative state to the texts that change style, in one undo step; a text that had
// the style already keeps its own values.
TEST_F(StyleEditor, ATextTakesItsNewStylesSettingsInOneStep)
{
    Open(CLSID_DkPePropertyEditorTextStyle, {L"40", L"42"}, kStyleName);
    const int depth = dkhost_test::UndoDepth();
    Choose(L"Titles");
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    EXPECT_EQ(L"Titles", Property(0, kStyleName));
    EXPECT_DOUBLE_EQ(0.8, Number(0, kWidthFactor));
    EXPECT_NEAR(0.2618, Number(0, kOblique), 1e-4);
    EXPECT_TRUE(Flag(0, kUpsideDown));
    EXPECT_TRUE(Flag(0, kBackward));
    EXPECT_TRUE(Flag(0, kTextAnnotative));
    EXPECT_DOUBLE_EQ(1.0, Number(1, kWidthFactor)) << "42 had Titles already";
    EXPECT_DOUBLE_EQ(0.0, Number(1, kOblique));
    EXPECT_FALSE(Flag(1, kUpsideDown));
    EXPECT_FALSE(Flag(1, kBackward));

    dkhost_test::Undo(1);
    EXPECT_EQ(L"Notes", Property(0, kStyleName));
    EXPECT_DOUBLE_EQ(1.0, Number(0, kWidthFactor));
    EXPECT_DOUBLE_EQ(0.0, Number(0, kOblique));
    EXPECT_FALSE(Flag(0, kUpsideDown));
    EXPECT_FALSE(Flag(0, kTextAnnotative));

    // The other styled objects take only the annotative state; a multiline text only when
    // its style changes.
    Open(CLSID_DkPePropertyEditorMTextStyle, {L"46"}, kStyleName);
    Choose(L"Titles");
    EXPECT_TRUE(Flag(0, kMTextAnnotative));
    Open(CLSID_DkPePropertyEditorDimStyle, {L"66"}, kStyleOfOthers);
    Choose(L"Architectural");
    EXPECT_TRUE(Flag(0, kDimAnnotative));
    Choose(L"Standard");
    EXPECT_FALSE(Flag(0, kDimAnnotative));
}

// A text and a multiline text take a new style together, each what it has of the style's
// settings; the unspecified entry takes no style's settings, and neither says it failed.
TEST_F(StyleEditor, StylesWithoutAStyleSettingOrWithoutAStyleAreNoFailures)
{
    Open(CLSID_DkPePropertyEditorTextStyle, {L"41", L"45"}, kStyleName);
    dktest::MessageBoxCatcher boxes;
    Choose(L"Notes");
    EXPECT_EQ(0u, boxes.Texts().size()) << "a multiline text has no backward flag to take";
    EXPECT_EQ(L"Notes", Property(1, kStyleName));
    EXPECT_FALSE(Flag(1, kMTextAnnotative));

    dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(L"40"), kStyleName, true, false, nullptr);
    Open(CLSID_DkPePropertyEditorTextStyle, {L"40"}, kStyleName);
    const int depth = dkhost_test::UndoDepth();
    Choose(L"*Unspecified*");
    EXPECT_EQ(0u, boxes.Texts().size());
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    EXPECT_DOUBLE_EQ(1.0, Number(0, kWidthFactor));
}

// Without the annotative extension nothing is marked or synchronised; a text style table
// that cannot be opened leaves the new style with the annotative state it took, and says
// the text did not take all of it.
TEST_F(StyleEditor, DatabaseFaultsKeepTheNewStyle)
{
    dkhost_test::SetNoAnnotativeExtension(true);
    Open(CLSID_DkPePropertyEditorTextStyle, {L"40"}, kStyleName);
    EXPECT_FALSE(Marked(L"Titles"));
    Choose(L"Titles");
    EXPECT_EQ(L"Titles", Property(0, kStyleName));
    EXPECT_FALSE(Flag(0, kTextAnnotative));
    EXPECT_DOUBLE_EQ(0.8, Number(0, kWidthFactor));
    dkhost_test::Undo(1);
    dkhost_test::SetNoAnnotativeExtension(false);

    dkhost_test::SetOpenFault(dkhost_test::StyleContainerId(L"text"), true);
    Open(CLSID_DkPePropertyEditorTextStyle, {L"40"}, kStyleName);
    EXPECT_FALSE(Marked(L"Titles")) << "the table could not be read";
    dktest::MessageBoxCatcher boxes;
    Choose(L"Titles");
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(L"Titles", Property(0, kStyleName));
    EXPECT_TRUE(Flag(0, kTextAnnotative)) << "the annotative state comes from the style's record itself";
    EXPECT_DOUBLE_EQ(1.0, Number(0, kWidthFactor));
    dkhost_test::Undo(1);
    dkhost_test::SetOpenFault(dkhost_test::StyleContainerId(L"text"), false);

    // A style the text refuses: one message, and the list shows what the text holds.
    dkhost_test::SetPropertyFault(dkhost_test::EntityByHandle(L"40"), kStyleName, false, E_FAIL, L"Style in use.");
    Open(CLSID_DkPePropertyEditorTextStyle, {L"40"}, kStyleName);
    dktest::MessageBoxCatcher refusal;
    Choose(L"Standard");
    ASSERT_EQ(1u, refusal.Texts().size())
        << std::string(refusal.Texts().front().begin(), refusal.Texts().front().end());
    EXPECT_EQ(L"Notes", Property(0, kStyleName));
    EXPECT_EQ(L"Notes", SelectedText());
    dkhost_test::SetPropertyFault(dkhost_test::EntityByHandle(L"40"), kStyleName, false, 0, nullptr);

    // Another drawing being worked on: the row does not open.
    m_host.Release();
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorTextStyle, {L"40"}, kStyleName));
    dkhost_test::SetWorkingDatabaseCurrent(false);
    m_host.Activate(OLEIVERB_UIACTIVATE);
    Pump(0);
    EXPECT_FALSE(Combo() && ::IsWindowVisible(Combo())) << "no list opens";
    EXPECT_EQ(L"", m_host.DrawnText(20)) << "nor does the row show another drawing's style";
    dkhost_test::SetWorkingDatabaseCurrent(true);
    EXPECT_EQ(L"Notes", Property(0, kStyleName));
}

// Left to Right and back: the reference point stays where the text was placed.
TEST_F(StyleEditor, AJustificationChangeKeepsTheReferencePoint)
{
    Open(CLSID_DkPePropertyEditorTextJustify, {L"40"}, kAlignment);
    EXPECT_EQ(15u, Entries().size());
    EXPECT_EQ(L"Left", SelectedText());
    const int depth = dkhost_test::UndoDepth();
    Choose(L"Right");
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    EXPECT_EQ(2, Number(0, kAlignment));
    ExpectPoint(Point(0, kAlignmentPoint), 10, 10);
    ExpectPoint(Point(0, kInsertionPoint), 10 - 16.5, 10);
    Choose(L"Left");
    ExpectPoint(Point(0, kInsertionPoint), 10, 10);

    // Center to Left: the insertion point moves onto the former alignment point.
    Open(CLSID_DkPePropertyEditorTextJustify, {L"41"}, kAlignment);
    Choose(L"Left");
    ExpectPoint(Point(0, kInsertionPoint), 95.25, 10);
}

// To a two-point justification: the second point at the extent measured unturned; away from
// one, rotation 0 and the worked-out size back to 1.
TEST_F(StyleEditor, TwoPointJustificationsAreMeasuredAndLeftCleanly)
{
    Open(CLSID_DkPePropertyEditorTextJustify, {L"42"}, kAlignment);
    Choose(L"Fit");
    EXPECT_EQ(5, Number(0, kAlignment));
    ExpectPoint(Point(0, kInsertionPoint), 115, 40);
    ExpectPoint(Point(0, kAlignmentPoint), 115 + 10.5, 40);
    EXPECT_DOUBLE_EQ(0.0, Number(0, kRotation)) << "measured with rotation 0";
    EXPECT_DOUBLE_EQ(3.5, Number(0, kHeight));
    EXPECT_NEAR(1.0, Number(0, kWidthFactor), 1e-9);

    Choose(L"Aligned");
    EXPECT_DOUBLE_EQ(1.0, Number(0, kWidthFactor)) << "Fit to Aligned writes the width factor";
    Choose(L"Center");
    EXPECT_DOUBLE_EQ(0.0, Number(0, kRotation));
    EXPECT_DOUBLE_EQ(1.0, Number(0, kHeight)) << "leaving Aligned resets the height";
    ExpectPoint(Point(0, kAlignmentPoint), 115, 40);

    Open(CLSID_DkPePropertyEditorTextJustify, {L"40"}, kAlignment);
    Choose(L"Aligned");
    ExpectPoint(Point(0, kAlignmentPoint), 26.5, 10);
    EXPECT_DOUBLE_EQ(2.5, Number(0, kHeight));
    Choose(L"Middle");
    EXPECT_DOUBLE_EQ(1.0, Number(0, kHeight));
    ExpectPoint(Point(0, kAlignmentPoint), 10, 10);
}

// A single-line text with a multiline attribute offers none of the justifications 0 to 5; a
// single-line attribute filters nothing.
TEST_F(StyleEditor, AMixedSelectionOffersOnlyTheSharedJustifications)
{
    Open(CLSID_DkPePropertyEditorTextJustify, {L"40", L"64"}, kAlignment);
    const auto entries = Entries();
    ASSERT_EQ(10u, entries.size());
    EXPECT_EQ(L"Top left", entries[0]);
    EXPECT_EQ(L"Bottom right", entries[8]);
    EXPECT_EQ(L"*VARIES*", entries[9]);
    EXPECT_EQ(-1, IndexOf(L"Left"));
    EXPECT_EQ(9, Selected());
    Choose(L"Top center");
    EXPECT_EQ(7, Number(0, kAlignment));
    EXPECT_EQ(7, Number(1, kAlignment)) << "attributes name their justification with the same DISPID";

    Open(CLSID_DkPePropertyEditorTextJustify, {L"40", L"61"}, kAlignment);
    EXPECT_EQ(16u, Entries().size()) << "fifteen and varies";

    // The same row handed a selection whose shared justification it does not offer shows
    // none, not the last selection's.
    Open(CLSID_DkPePropertyEditorTextJustify, {L"41"}, kAlignment);
    EXPECT_EQ(L"Center", SelectedText());
    m_host.Deactivate();
    Pump(0);
    dkpal::Selection selection;
    std::vector<dkfw::ComPtr<IDispatch>> objects;
    for (const wchar_t* h : {L"42", L"64"})
    {
        dkfw::ComPtr<IDispatch> d;
        dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(h), d.Put());
        selection.objects.push_back(d.Get());
        selection.dynProps.push_back(nullptr);
        selection.dispids.push_back(kAlignment);
        objects.push_back(d);
    }
    VARIANT left;
    left.vt = VT_I4;
    left.lVal = 0;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&left, &named, 1, 1};
    ASSERT_EQ(S_OK,
              objects[1]->Invoke(kAlignment, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
    ASSERT_EQ(S_OK, m_host.Init(selection, false));
    EXPECT_EQ(std::wstring::npos, m_host.DrawnText(20).find(L"Center"));
}

// A coordinate write that fails stops the placement, the justification stays and one undo
// restores everything; an object without the named properties is refused before any change.
TEST_F(StyleEditor, PlacementFaultsAreUndoneWhole)
{
    dkhost_test::SetElementFault(dkhost_test::EntityByHandle(L"40"), kAlignmentPoint, true);
    Open(CLSID_DkPePropertyEditorTextJustify, {L"40"}, kAlignment);
    {
        dktest::MessageBoxCatcher boxes;
        Choose(L"Right");
        EXPECT_EQ(1u, boxes.Texts().size());
    }
    EXPECT_EQ(2, Number(0, kAlignment));
    // The host placed Right itself; the move of the alignment point failed.
    ExpectPoint(Point(0, kInsertionPoint), -6.5, 10);
    dkhost_test::Undo(1);
    EXPECT_EQ(0, Number(0, kAlignment));
    ExpectPoint(Point(0, kInsertionPoint), 10, 10);

    Open(CLSID_DkPePropertyEditorTextJustify, {L"45"}, kAttachment);
    const double before = Number(0, kAttachment);
    const int depth = dkhost_test::UndoDepth();
    dktest::MessageBoxCatcher boxes;
    Choose(before == 1 ? 1 : 0);
    EXPECT_EQ(before, Number(0, kAttachment)) << "a multiline text has no alignment point";
    EXPECT_EQ(depth, dkhost_test::UndoDepth());
    EXPECT_EQ(1u, boxes.Texts().size());
}
} // namespace

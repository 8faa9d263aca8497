// The lineweight and linetype pickers over the sample drawing through the palette's
// container: their lists and the values each entry writes, ByLayer standing for the
// selection's layers, the samples' places and pixels, the linetype table changing, and the
// faults that leave the drawing as it was.
#include "DropDownFixture.h"
#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "LineSamples.h"

#include "DkPEXCtl.h"
#include "dkcm.h"

#include <algorithm>

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kLinetype = 3;
constexpr DISPID kLineweight = 5;

const std::vector<std::wstring> kLinetypes = {L"ByLayer", L"ByBlock", L"Center",      L"Continuous",
                                              L"Dashed",  L"Hidden",  L"Site|Dashdot"};

class LineEditor : public DropDownFixture
{
protected:
    void TearDown() override
    {
        DropDownFixture::TearDown();
        dkhost_test::SetLineweightUnits(false);
        dkhost_test::SetLineweightsListed(-1);
        dkhost_test::SetReservedName(0, L"ByLayer");
        dkhost_test::SetReservedName(1, L"ByBlock");
        dkhost_test::SetWorkingDatabaseCurrent(true);
        EXPECT_EQ(0, dkhost_test::Reactors(LinetypeTable())) << "the list's reactor left with it";
    }
    static LONG_PTR LinetypeTable()
    {
        DkDbDatabase* db = dkdbHostApplicationServices()->workingDatabase();
        return db ? db->linetypeTableId().asOldId() : 0;
    }

    void Open(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid)
    {
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
    LONG Weight(size_t i) const
    {
        dkfw::UniqueVariant v = Value(i, kLineweight);
        return v.Type() == VT_I4 ? v.Get().lVal : -100;
    }
    std::wstring Type(size_t i) const
    {
        dkfw::UniqueVariant v = Value(i, kLinetype);
        return v.Type() == VT_BSTR ? std::wstring(v.Get().bstrVal) : L"<none>";
    }
    COwnerDrawItem* Item(int index) const
    {
        const LRESULT data = ::SendMessageW(Combo(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
        return data == CB_ERR ? nullptr : reinterpret_cast<COwnerDrawItem*>(data);
    }
};

// A canvas to draw entries on, white, with the palette's font.
class Canvas
{
public:
    Canvas(int width, int height) : m_width(width), m_height(height)
    {
        HDC screen = ::GetDC(nullptr);
        m_dc = ::CreateCompatibleDC(screen);
        m_bitmap = ::CreateCompatibleBitmap(screen, width, height);
        ::ReleaseDC(nullptr, screen);
        m_oldBitmap = ::SelectObject(m_dc, m_bitmap);
        m_oldFont = ::SelectObject(m_dc, ::GetStockObject(DEFAULT_GUI_FONT));
    }
    ~Canvas()
    {
        ::SelectObject(m_dc, m_oldFont);
        ::SelectObject(m_dc, m_oldBitmap);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    void Draw(COwnerDrawItem& item, UINT state = 0)
    {
        RECT r{0, 0, m_width, m_height};
        const RECT all{0, 0, m_width, m_height};
        ::FillRect(m_dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::SetBkColor(m_dc, RGB(255, 255, 255));
        item.Draw(m_dc, &r, ODA_DRAWENTIRE, state, 0);
    }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc, x, y); }
    // Columns from..to (exclusive) holding a pixel of colour.
    int Columns(int from, int to, COLORREF colour) const
    {
        int n = 0;
        for (int x = from; x < to; ++x)
            for (int y = 0; y < m_height; ++y)
                if (At(x, y) == colour)
                {
                    ++n;
                    break;
                }
        return n;
    }
    // Rows holding a pixel of colour in columns from..to.
    std::vector<int> Rows(int from, int to, COLORREF colour) const
    {
        std::vector<int> rows;
        for (int y = 0; y < m_height; ++y)
            for (int x = from; x < to; ++x)
                if (At(x, y) == colour)
                {
                    rows.push_back(y);
                    break;
                }
        return rows;
    }

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_oldBitmap, m_oldFont;
};

constexpr COLORREF kBlack = RGB(0, 0, 0);

// ByLayer, ByBlock, Default, then the host's lineweights to 2.11 mm; each writes its value.
TEST_F(LineEditor, TheLineweightListAndTheValueOfEachEntry)
{
    Open(CLSID_DkPePropertyEditorLWeight, {L"31"}, kLineweight);
    auto entries = Entries();
    ASSERT_EQ(27u, entries.size());
    EXPECT_EQ((std::vector<std::wstring>{L"ByLayer", L"ByBlock", L"Default", L"0.00 mm", L"0.05 mm"}),
              std::vector<std::wstring>(entries.begin(), entries.begin() + 5));
    EXPECT_EQ(L"2.11 mm", entries.back());
    EXPECT_EQ(L"0.35 mm", SelectedText());
    const int depth = dkhost_test::UndoDepth();
    const std::pair<const wchar_t*, LONG> choices[] = {
        {L"ByLayer", -1}, {L"ByBlock", -2}, {L"Default", -3}, {L"0.50 mm", 50}, {L"2.11 mm", 211}};
    for (const auto& [text, value] : choices)
    {
        Choose(text);
        EXPECT_EQ(value, Weight(0)) << std::string(text, text + wcslen(text));
    }
    EXPECT_EQ(depth + 5, dkhost_test::UndoDepth()) << "one change each";
    m_host.Release();

    // Differing lineweights: varies last, after the host's list; it writes nothing.
    Open(CLSID_DkPePropertyEditorLWeight, {L"30", L"31"}, kLineweight);
    entries = Entries();
    ASSERT_EQ(28u, entries.size());
    EXPECT_EQ(L"2.11 mm", entries[26]);
    EXPECT_EQ(L"*VARIES*", entries[27]);
    EXPECT_EQ(27, Selected());
    const int before = dkhost_test::UndoDepth();
    ::SendMessageW(Combo(), CB_SETCURSEL, 3, 0);
    Choose(27);
    EXPECT_EQ(before, dkhost_test::UndoDepth()) << "varies writes nothing";
    EXPECT_EQ(-1, Weight(0));
    m_host.Release();

    // In inches, and from a host that lists only five lineweights: the list ends there, and
    // the circle's 2.11 mm is not in it (no entry chosen, none shown, nothing written).
    dkhost_test::SetLineweightUnits(true);
    dkhost_test::SetLineweightsListed(5);
    Open(CLSID_DkPePropertyEditorLWeight, {L"31"}, kLineweight);
    EXPECT_EQ((std::vector<std::wstring>{L"ByLayer", L"ByBlock", L"Default", L"0.000\"", L"0.002\"", L"0.004\"",
                                         L"0.005\"", L"0.006\""}),
              Entries());
    EXPECT_EQ(-1, Selected());
    EXPECT_EQ(211, Weight(0));
}

// ByLayer's bar is the selection's layers' lineweight, none when they differ; under a
// viewport override the entry shows the label on the override background.
TEST_F(LineEditor, ByLayerStandsForTheSelectionsLayers)
{
    Canvas canvas(300, 18);
    Open(CLSID_DkPePropertyEditorLWeight, {L"2A", L"38"}, kLineweight);
    EXPECT_EQ(50, CComboLWeight::ByLayerLineweight()) << "both on Walls";
    EXPECT_FALSE(CComboLWeight::ByLayerOverridden());
    canvas.Draw(*Item(0));
    EXPECT_EQ((std::vector<int>{8, 9}), canvas.Rows(2, 65, kBlack)) << "a bar two pixels thick at the middle";
    m_host.Release();

    Open(CLSID_DkPePropertyEditorLWeight, {L"2A", L"30"}, kLineweight);
    EXPECT_EQ(kLineweightVariesSentinel, CComboLWeight::ByLayerLineweight());
    canvas.Draw(*Item(0));
    EXPECT_EQ(0, canvas.Columns(0, 65, kBlack)) << "no sample";
    m_host.Release();

    Open(CLSID_DkPePropertyEditorLWeight, {L"30"}, kLineweight);
    EXPECT_TRUE(CComboLWeight::ByLayerOverridden()) << "Doors' lineweight is overridden in the viewport";
    EXPECT_EQ(35, CComboLWeight::ByLayerLineweight());
    canvas.Draw(*Item(0));
    EXPECT_EQ(dkedGetVpOvrBackgColorValue(), canvas.At(71, 1)) << "the label's background";
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(69, 1));
}

// The sample's place: 70 pixels in a wide row (drawn to left + 65), half a narrow one, none
// for the varies entry; the text after it; tips with room for it.
TEST_F(LineEditor, TheSampleTakesItsPlaceBeforeTheText)
{
    COwnerDrawItemLWeight heavy;
    heavy.m_data = 23;
    heavy.m_lineweight = 211;
    heavy.m_text = L"2.11 mm";
    EXPECT_EQ(70, SampleWidth(heavy, 300));
    EXPECT_EQ(50, SampleWidth(heavy, 100));
    Canvas wide(300, 18);
    wide.Draw(heavy);
    EXPECT_EQ(63, wide.Columns(2, 70, kBlack)) << "the bar from left + 2 to left + 65";
    EXPECT_EQ(kBlack, wide.At(64, 9));
    EXPECT_NE(kBlack, wide.At(65, 9));
    EXPECT_EQ(0, wide.Columns(0, 70, kBlack) - 63) << "the text starts at left + 70";
    EXPECT_GT(wide.Columns(70, 300, kBlack), 0);
    const std::vector<int> rows = wide.Rows(2, 65, kBlack);
    EXPECT_EQ(8u, rows.size()) << "211 / 25 pixels thick";
    wide.Draw(heavy, ODS_SELECTED);
    EXPECT_EQ(63, wide.Columns(2, 65, kBlack)) << "selected, the sample stays on the list's background";
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), wide.At(69, 1)) << "the highlight from the text on";

    COwnerDrawItemLWeight varies;
    varies.m_trailing = kTrailingVaries;
    varies.m_text = L"*VARIES*";
    EXPECT_EQ(0, SampleWidth(varies, 300));

    EXPECT_EQ(120, SampleTipWidth(60));
    EXPECT_EQ(140, SampleTipWidth(70));
    EXPECT_EQ(151, SampleTipWidth(81));
}

// ByLayer, ByBlock, then by name; the display texts map to the names the drawing stores.
TEST_F(LineEditor, TheLinetypeListWritesTheDrawingsNames)
{
    dkhost_test::SetReservedName(0, L"VonLayer");
    dkhost_test::SetReservedName(1, L"VonBlock");
    Open(CLSID_DkPePropertyEditorLType, {L"2B", L"38"}, kLinetype);
    auto expected = kLinetypes;
    expected[0] = L"VonLayer";
    expected[1] = L"VonBlock";
    expected.push_back(L"*VARIES*");
    EXPECT_EQ(expected, Entries());
    EXPECT_EQ(L"*VARIES*", SelectedText());
    Choose(L"VonLayer");
    EXPECT_EQ(L"ByLayer", Type(0));
    EXPECT_EQ(L"ByLayer", Type(1));
    Choose(L"VonBlock");
    EXPECT_EQ(L"ByBlock", Type(0));
    Choose(L"Continuous");
    EXPECT_EQ(L"Continuous", Type(0));
    Choose(L"Hidden");
    EXPECT_EQ(L"Hidden", Type(1));

    // A linetype of an external reference cannot be chosen.
    const int depth = dkhost_test::UndoDepth();
    Choose(L"Site|Dashdot");
    EXPECT_EQ(depth, dkhost_test::UndoDepth());
    EXPECT_EQ(L"Hidden", Type(0));
}

// Samples: a pattern's dashes and gaps, ByLayer's the layers' linetype (Dashed in the
// viewport for Doors, with the label), nothing while the drawing is not the current one's.
TEST_F(LineEditor, LinetypeSamplesFollowTheirPatterns)
{
    Open(CLSID_DkPePropertyEditorLType, {L"30"}, kLinetype);
    Canvas canvas(300, 18);
    canvas.Draw(*Item(IndexOf(L"Dashed")));
    std::wstring seen;
    for (int x = 2; x < 20; ++x)
        seen += canvas.At(x, 9) == kBlack ? L'#' : L'.';
    EXPECT_EQ(L"####...######...##", seen) << "6 on, 3 off from the entry's left";
    canvas.Draw(*Item(IndexOf(L"Continuous")));
    EXPECT_EQ(63, canvas.Columns(2, 65, kBlack)) << "solid";
    canvas.Draw(*Item(0));
    EXPECT_EQ(dkedGetVpOvrBackgColorValue(), canvas.At(71, 1)) << "Doors' linetype is overridden";
    seen.clear();
    for (int x = 2; x < 20; ++x)
        seen += canvas.At(x, 9) == kBlack ? L'#' : L'.';
    EXPECT_EQ(L"####...######...##", seen) << "ByLayer is Dashed in this viewport";

    // A linetype of an external reference: its name greyed.
    canvas.Draw(*Item(IndexOf(L"Site|Dashdot")));
    EXPECT_GT(canvas.Columns(70, 300, RGB(102, 102, 102)), 5);
    EXPECT_EQ(0, canvas.Columns(70, 300, kBlack));

    // The viewport's override taken away and refreshed: ByLayer is the layer's own again.
    ASSERT_TRUE(dkhost_test::SetLayerViewportLinetype(L"Doors", 1, nullptr));
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    canvas.Draw(*Item(0));
    EXPECT_EQ(63, canvas.Columns(2, 65, kBlack)) << "Doors draws solid";
    EXPECT_NE(dkedGetVpOvrBackgColorValue(), canvas.At(71, 1));

    dkhost_test::SetWorkingDatabaseCurrent(false);
    canvas.Draw(*Item(IndexOf(L"Dashed")));
    EXPECT_EQ(0, canvas.Columns(0, 300, kBlack)) << "nothing of another drawing";
    dkhost_test::SetWorkingDatabaseCurrent(true);
}

// Linetypes loaded, renamed or purged show at the next opening; one purged between the
// listing and the choice is refused by the host with one message and the list read again.
TEST_F(LineEditor, TheListFollowsTheLinetypeTable)
{
    Open(CLSID_DkPePropertyEditorLType, {L"2B"}, kLinetype);
    m_host.Deactivate();
    Pump(0);
    const int dots[] = {0, -2};
    ASSERT_NE(0, dkhost_test::AddLinetype(L"Dots", dots, 2));
    ASSERT_TRUE(dkhost_test::RenameLinetype(L"Center", L"Axis"));
    EXPECT_EQ(kLinetypes, Entries()) << "nothing listed inside the notifications";
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    Pump(0);
    EXPECT_EQ((std::vector<std::wstring>{L"ByLayer", L"ByBlock", L"Axis", L"Continuous", L"Dashed", L"Dots", L"Hidden",
                                         L"Site|Dashdot"}),
              Entries());
    EXPECT_EQ(L"Dashed", SelectedText());

    ASSERT_TRUE(dkhost_test::PurgeLinetype(L"Dots"));
    const int depth = dkhost_test::UndoDepth();
    dktest::MessageBoxCatcher boxes;
    Choose(L"Dots");
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(depth, dkhost_test::UndoDepth());
    EXPECT_EQ(L"Dashed", Type(0));
    EXPECT_EQ(-1, IndexOf(L"Dots"));
    EXPECT_EQ(L"Dashed", SelectedText());
}

// While the working drawing is not the current document's, neither row activates and
// nothing is written.
TEST_F(LineEditor, AnotherDrawingsRowsDoNotActivate)
{
    for (const auto& [clsid, dispid] :
         {std::pair{CLSID_DkPePropertyEditorLWeight, kLineweight}, std::pair{CLSID_DkPePropertyEditorLType, kLinetype}})
    {
        ASSERT_EQ(S_OK, Row(clsid, {L"31"}, dispid));
        dkhost_test::SetWorkingDatabaseCurrent(false);
        const int depth = dkhost_test::UndoDepth();
        m_host.Activate(OLEIVERB_UIACTIVATE);
        Pump(0);
        EXPECT_TRUE(!Combo() || !::IsWindowVisible(Combo()));
        EXPECT_EQ(depth, dkhost_test::UndoDepth());
        dkhost_test::SetWorkingDatabaseCurrent(true);
        m_host.Release();
    }
}

TEST_F(LineEditor, ManyRowsLeaveNoWindowOrGdiObjectBehind)
{
    Open(CLSID_DkPePropertyEditorLType, {L"30"}, kLinetype);
    m_host.Release();
    Pump(0);
    const Resources before = CountResources();
    for (int i = 0; i < 60; ++i)
    {
        if (i % 2)
            Open(CLSID_DkPePropertyEditorLWeight, {L"30", L"31"}, kLineweight);
        else
            Open(CLSID_DkPePropertyEditorLType, {L"2B", L"30"}, kLinetype);
        ::SendMessageW(Combo(), CB_SHOWDROPDOWN, TRUE, 0);
        ::RedrawWindow(Combo(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ::SendMessageW(Combo(), CB_SHOWDROPDOWN, FALSE, 0);
        m_host.Release();
    }
    Pump(0);
    ExpectSameResources(before, CountResources());
}
} // namespace

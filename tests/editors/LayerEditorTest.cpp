// The layer picker over the sample drawing through the palette's container: the sorted list
// with the varies entry last, the layers that cannot be chosen, the host told around a move
// to a frozen or hidden layer, the list kept honest while the layer table changes, the
// entries' drawing, and the faults of the drawing's database.
#include "DropDownFixture.h"
#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "ComboLayer.h"

#include "DkPEXCtl.h"
#include "dkcm.h"

#include <algorithm>

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kLayer = 2;

const std::vector<std::wstring> kLayers = {L"0",        L"Dims",   L"Doors",  L"Existing",  L"Furniture",
                                           L"Hatch",    L"Hidden", L"Site",   L"Site|Grid", L"Text",
                                           L"Viewport", L"Walls",  L"Windows"};

class LayerEditor : public DropDownFixture
{
protected:
    void TearDown() override
    {
        DropDownFixture::TearDown();
        dkhost_test::SetNoWorkingDatabase(false);
        dkhost_test::SetOpenFault(dkhost_test::LayerTableId(), false);
        dkhost_test::SetOpenFault(dkhost_test::LayerId(L"Walls"), false);
        EXPECT_EQ(0, dkhost_test::Reactors(dkhost_test::LayerTableId())) << "the list's reactor left with it";
    }

    void Open(std::vector<const wchar_t*> handles)
    {
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLayer, handles, kLayer));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        Pump(0);
    }
    // The row is left and clicked again.
    void Reactivate()
    {
        m_host.Deactivate();
        Pump(0);
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        Pump(0);
    }
    std::wstring LayerOf(size_t i) const
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(kLayer, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v.Type() == VT_BSTR ? std::wstring(v.Get().bstrVal) : L"<none>";
    }
    // The layer entry of the row's list (the list holds nothing else).
    const COwnerDrawItemLayer* Item(const std::wstring& text) const
    {
        const LRESULT data = ::SendMessageW(Combo(), CB_GETITEMDATA, static_cast<WPARAM>(IndexOf(text)), 0);
        return data == CB_ERR || !data
                   ? nullptr
                   : static_cast<const COwnerDrawItemLayer*>(reinterpret_cast<COwnerDrawItem*>(data));
    }
    bool Greyed(const std::wstring& text) const
    {
        const COwnerDrawItemLayer* item = Item(text);
        EXPECT_NE(nullptr, item) << std::string(text.begin(), text.end());
        return item && item->m_bGreyed;
    }
    int Position(const std::vector<std::wstring>& journal, const wchar_t* entry) const
    {
        const auto at = std::find(journal.begin(), journal.end(), entry);
        return at == journal.end() ? -1 : static_cast<int>(at - journal.begin());
    }
};

// The layers in the combo's order with the varies entry last and selected; choosing it
// writes nothing, choosing a layer moves every object in one change.
TEST_F(LayerEditor, TheSortedListWithVariesLastAndOneChangeForAll)
{
    Open({L"30", L"36"});
    auto expected = kLayers;
    expected.push_back(L"*VARIES*");
    EXPECT_EQ(expected, Entries());
    EXPECT_EQ(static_cast<int>(kLayers.size()), Selected());
    const int depth = dkhost_test::UndoDepth();
    Choose(static_cast<int>(kLayers.size()));
    EXPECT_EQ(depth, dkhost_test::UndoDepth()) << "varies writes nothing";

    Choose(IndexOf(L"Walls"));
    EXPECT_EQ(L"Walls", LayerOf(0));
    EXPECT_EQ(L"Walls", LayerOf(1));
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    // The palette reads the row again after a write.
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_EQ(kLayers, Entries()) << "one layer now: the varies entry is gone";
    EXPECT_EQ(L"Walls", SelectedText());
    const auto journal = dktest::Journal();
    EXPECT_EQ(-1, Position(journal, L"modeless start OPM_CHGLAYER")) << "Walls is neither frozen nor off";

    dkhost_test::Undo(1);
    EXPECT_EQ(L"Doors", LayerOf(0));
    EXPECT_EQ(L"Windows", LayerOf(1));
}

// Objects moved onto a frozen or hidden layer vanish: the host hears of it around the change.
TEST_F(LayerEditor, AMoveToAFrozenOrHiddenLayerIsAnnouncedAroundTheChange)
{
    for (const wchar_t* layer : {L"Furniture", L"Hidden"})
    {
        Open({L"30", L"31"});
        dkhost_test::ClearJournal();
        Choose(layer);
        EXPECT_EQ(layer, LayerOf(0));
        EXPECT_EQ(layer, LayerOf(1));
        const auto journal = dktest::Journal();
        const int layerStart = Position(journal, L"modeless start OPM_CHGLAYER");
        const int propStart = Position(journal, L"modeless start OPM_CHGPROP");
        const int propEnd = Position(journal, L"modeless end OPM_CHGPROP");
        const int layerEnd = Position(journal, L"modeless end OPM_CHGLAYER");
        EXPECT_TRUE(layerStart >= 0 && layerStart < propStart && propStart < propEnd && propEnd < layerEnd)
            << layerStart << " " << propStart << " " << propEnd << " " << layerEnd;
        dkhost_test::Undo(1);
        m_host.Release();
    }
}

// A layer of an external reference cannot be chosen, nor a frozen layer with nothing
// selected: the choice is refused, nothing is written and the row shows the objects' layer.
TEST_F(LayerEditor, LayersThatCannotBeChosenAreRefused)
{
    Open({L"30"});
    const int depth = dkhost_test::UndoDepth();
    EXPECT_TRUE(Greyed(L"Site|Grid"));
    EXPECT_FALSE(Greyed(L"Furniture")) << "frozen, but objects are selected";
    EXPECT_FALSE(Greyed(L"Site"));
    Choose(IndexOf(L"Site|Grid"));
    EXPECT_EQ(L"Doors", LayerOf(0));
    EXPECT_EQ(depth, dkhost_test::UndoDepth());
    EXPECT_EQ(L"Doors", SelectedText());
    m_host.Release();

    Open({});
    EXPECT_EQ(kLayers, Entries());
    EXPECT_TRUE(Greyed(L"Furniture"));
    EXPECT_TRUE(Greyed(L"Site|Grid"));
    EXPECT_FALSE(Greyed(L"Hidden")) << "off is not frozen";
    dkhost_test::ClearJournal();
    Choose(IndexOf(L"Furniture"));
    EXPECT_EQ(depth, dkhost_test::UndoDepth());
    const auto journal = dktest::Journal();
    EXPECT_EQ(-1, Position(journal, L"modeless start OPM_CHGLAYER"));
    EXPECT_EQ(-1, Position(journal, L"modeless start OPM_CHGPROP"));
}

// Objects that take the unspecified state for their layer: its entry after the layers and
// before the varies entry; chosen, the objects are left unspecified.
TEST_F(LayerEditor, TheUnspecifiedEntryStandsAfterTheLayers)
{
    for (const wchar_t* h : {L"30", L"36"})
        dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(h), kLayer, true, false, nullptr);
    Open({L"30", L"36"});
    auto expected = kLayers;
    expected.insert(expected.end(), {L"*Unspecified*", L"*VARIES*"});
    EXPECT_EQ(expected, Entries());
    EXPECT_EQ(L"*VARIES*", SelectedText());
    Choose(IndexOf(L"*Unspecified*"));
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    expected.pop_back();
    EXPECT_EQ(expected, Entries());
    EXPECT_EQ(L"*Unspecified*", SelectedText());
}

// Layers added, renamed or purged in the host show at the next activation, never inside the
// notification; the objects' own layer renamed shows under its new name.
TEST_F(LayerEditor, TheListFollowsTheLayerTableAtTheNextActivation)
{
    Open({L"30"});
    EXPECT_EQ(1, dkhost_test::Reactors(dkhost_test::LayerTableId()));
    m_host.Deactivate();
    Pump(0);
    ASSERT_NE(0, dkhost_test::AddLayer(L"Annotation", 2));
    ASSERT_TRUE(dkhost_test::RenameLayer(L"Walls", L"Partitions"));
    ASSERT_TRUE(dkhost_test::RenameLayer(L"Doors", L"Openings"));
    ASSERT_TRUE(dkhost_test::PurgeLayer(L"Hidden"));
    EXPECT_EQ(kLayers, Entries()) << "nothing listed inside the notifications";

    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    Pump(0);
    const std::vector<std::wstring> now = {L"0",     L"Annotation", L"Dims",       L"Existing", L"Furniture",
                                           L"Hatch", L"Openings",   L"Partitions", L"Site",     L"Site|Grid",
                                           L"Text",  L"Viewport",   L"Windows"};
    EXPECT_EQ(now, Entries());
    EXPECT_EQ(L"Openings", SelectedText());

    // A state change also makes the next activation list again: Furniture thawed and chosen
    // needs no announcement.
    ASSERT_TRUE(dkhost_test::SetLayerState(L"Furniture", false, false, false));
    Reactivate();
    dkhost_test::ClearJournal();
    Choose(IndexOf(L"Furniture"));
    EXPECT_EQ(L"Furniture", LayerOf(0));
    EXPECT_EQ(-1, Position(dktest::Journal(), L"modeless start OPM_CHGLAYER"));
}

// A layer purged between the listing and the choice: the host refuses it with one message,
// nothing is written and the list shows the table as it is, on the objects' real layer.
TEST_F(LayerEditor, ALayerPurgedBeforeTheChoiceIsRefusedWithOneMessage)
{
    ASSERT_NE(0, dkhost_test::AddLayer(L"Scratch", 1));
    Open({L"30", L"31"});
    const int scratch = IndexOf(L"Scratch");
    ASSERT_GE(scratch, 0);
    ASSERT_TRUE(dkhost_test::PurgeLayer(L"Scratch"));
    const int depth = dkhost_test::UndoDepth();
    dktest::MessageBoxCatcher boxes;
    Choose(scratch);
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(depth, dkhost_test::UndoDepth());
    EXPECT_EQ(L"Doors", LayerOf(0));
    EXPECT_EQ(L"Doors", LayerOf(1));
    EXPECT_EQ(-1, IndexOf(L"Scratch"));
    EXPECT_EQ(L"Doors", SelectedText());
}

// The entries' drawing: a greyed name 40 % of the way to white; an overridden layer's name on
// the viewport-override background, as wide as the name and two pixels more, unless selected.
TEST_F(LayerEditor, GreyedAndOverriddenEntriesAreDrawnSo)
{
    Open({L"30"});
    ASSERT_NE(nullptr, Item(L"Doors"));
    EXPECT_TRUE(Item(L"Doors")->m_bOverridden) << "Doors has overrides in the current viewport";
    EXPECT_TRUE(Item(L"Walls")->m_bOverridden) << "its plot style is overridden in the current viewport";
    EXPECT_FALSE(Item(L"Windows")->m_bOverridden);
    EXPECT_EQ(0u, Item(L"Windows")->m_textColor >> 24) << "a colour to draw with, not a system colour's number";

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 160, 18);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
    HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    const COLORREF white = RGB(255, 255, 255);
    auto draw = [&](COwnerDrawItemLayer& item, UINT state)
    {
        RECT r{0, 0, 160, 18};
        ::SetBkColor(dc, white);
        item.Draw(dc, &r, ODA_DRAWENTIRE, state, 0);
    };
    auto count = [&](COLORREF colour)
    {
        int n = 0;
        for (int x = 0; x < 160; ++x)
            for (int y = 0; y < 18; ++y)
                n += ::GetPixel(dc, x, y) == colour;
        return n;
    };

    COwnerDrawItemLayer greyed;
    greyed.m_text = L"Site|Grid";
    greyed.m_bGreyed = true;
    draw(greyed, 0);
    EXPECT_GT(count(RGB(102, 102, 102)), 10);
    EXPECT_EQ(0, count(RGB(0, 0, 0))) << "no black text";
    draw(greyed, ODS_SELECTED);
    EXPECT_GT(count(RGB(102, 102, 102)), 10) << "greyed also when selected";

    COwnerDrawItemLayer doors;
    doors.m_text = L"Doors";
    doors.m_bOverridden = true;
    draw(doors, 0);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, L"Doors", 5, &size);
    const COLORREF back = dkedGetVpOvrBackgColorValue();
    EXPECT_EQ(back, ::GetPixel(dc, 1, 0));
    EXPECT_EQ(back, ::GetPixel(dc, size.cx + 2, 17));
    EXPECT_EQ(white, ::GetPixel(dc, size.cx + 4, 1)) << "as wide as the name and two more";
    EXPECT_EQ(white, ::GetPixel(dc, 0, 1));
    draw(doors, ODS_SELECTED);
    EXPECT_EQ(0, count(back)) << "a selected entry is highlighted instead";

    // An ampersand is part of the name: "R&D" is drawn as wide as its three characters.
    auto rightmost = [&]
    {
        int x = -1;
        for (int px = 0; px < 160; ++px)
            for (int y = 0; y < 18; ++y)
                if (::GetPixel(dc, px, y) == RGB(0, 0, 0))
                    x = px;
        return x;
    };
    COwnerDrawItemLayer amp;
    amp.m_text = L"RD";
    draw(amp, 0);
    const int plain = rightmost();
    amp.m_text = L"R&D";
    draw(amp, 0);
    SIZE ampersand{};
    ::GetTextExtentPoint32W(dc, L"&", 1, &ampersand);
    EXPECT_GE(rightmost(), plain + ampersand.cx - 1);

    ::SelectObject(dc, oldFont);
    ::SelectObject(dc, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

// The database's faults: a record that does not open is left out; a table that does not open
// or no working database fails the activation, and nothing is written.
TEST_F(LayerEditor, DatabaseFaultsLeaveOutOrFailAndWriteNothing)
{
    dkhost_test::SetOpenFault(dkhost_test::LayerId(L"Walls"), true);
    Open({L"30"});
    EXPECT_EQ(-1, IndexOf(L"Walls"));
    EXPECT_EQ(L"Doors", SelectedText());
    m_host.Release();
    dkhost_test::SetOpenFault(dkhost_test::LayerId(L"Walls"), false);

    // A table that stops opening while the row shows: a refresh keeps the list and the
    // entry; an activation fails, and nothing is written.
    Open({L"30"});
    ASSERT_NE(0, dkhost_test::AddLayer(L"Zed", 3));
    dkhost_test::SetOpenFault(dkhost_test::LayerTableId(), true);
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_EQ(kLayers, Entries());
    EXPECT_EQ(L"Doors", SelectedText());
    m_host.Deactivate();
    Pump(0);
    const int before = dkhost_test::UndoDepth();
    m_host.Activate(OLEIVERB_UIACTIVATE);
    Pump(0);
    EXPECT_FALSE(::IsWindowVisible(Combo())) << "no list to choose from";
    EXPECT_EQ(before, dkhost_test::UndoDepth());
    dkhost_test::SetOpenFault(dkhost_test::LayerTableId(), false);
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_NE(-1, IndexOf(L"Zed")) << "listed once the table opens again";
    m_host.Release();
    dkhost_test::SetOpenFault(dkhost_test::LayerTableId(), false);

    dkhost_test::SetNoWorkingDatabase(true);
    const int depth = dkhost_test::UndoDepth();
    ASSERT_TRUE(SUCCEEDED(Row(CLSID_DkPePropertyEditorLayer, {L"30"}, kLayer)));
    m_host.Activate(OLEIVERB_UIACTIVATE);
    Pump(0);
    EXPECT_EQ(nullptr, Combo()) << "no list without a drawing";
    EXPECT_EQ(depth, dkhost_test::UndoDepth());
}

// The drawing replaced while the row lives: its table said goodbye, and closing the row
// afterwards reaches nothing of it.
TEST_F(LayerEditor, ClosingAfterTheDrawingWasReplacedTouchesNothing)
{
    Open({L"30"});
    const long stray = dkhost_test::StrayReactorRemovals();
    m_host.Deactivate();
    Pump(0);
    ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
    m_host.Release();
    m_objects.clear();
    EXPECT_EQ(stray, dkhost_test::StrayReactorRemovals());
}

TEST_F(LayerEditor, ManyRowsLeaveNoWindowOrGdiObjectOrReactorBehind)
{
    Open({L"30"});
    m_host.Release();
    Pump(0);
    const Resources before = CountResources();
    for (int i = 0; i < 60; ++i)
    {
        Open(i % 2 ? std::vector<const wchar_t*>{L"30", L"32"} : std::vector<const wchar_t*>{L"31"});
        ::SendMessageW(Combo(), CB_SHOWDROPDOWN, TRUE, 0);
        ::RedrawWindow(Combo(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ::SendMessageW(Combo(), CB_SHOWDROPDOWN, FALSE, 0);
        m_host.Release();
    }
    Pump(0);
    ExpectSameResources(before, CountResources());
}
} // namespace

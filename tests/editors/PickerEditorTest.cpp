// The rows over the host's picker lists: plot style names (the override in the viewport, the
// colour-dependent drawing, the dialog entry), plot style tables (a table not installed),
// arrowheads and block shapes (positions written, the user entry's block chooser).
#include "DropDownFixture.h"
#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "DkHostTest.h"
#include "DkPEXCtl.h"
#include "DkPiHost.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kPlotStyle = 6;
constexpr DISPID kArrow1 = 62;
constexpr DISPID kArrow2 = 63;
constexpr DISPID kBlock1 = 65;
constexpr DISPID kBlock2 = 66;
constexpr DISPID kPlotStyleTable = 101;
constexpr DISPID kContentBlock = 25;
constexpr DISPID kContentBlockName = 9;
constexpr DISPID kCalloutBlock = 100;

class PickerRows : public DropDownFixture
{
protected:
    void TearDown() override
    {
        dkhost_test::SetPlotStyleMode(false);
        dkhost_test::SetDocumentLockRefused(false);
        dkhost_test::ClearAnswers();
        DropDownFixture::TearDown();
    }
    // The pixels of entry index as the open list draws it (through the row's relay).
    std::vector<COLORREF> DrawEntry(int index)
    {
        constexpr int kWidth = 160;
        constexpr int kHeight = 18;
        std::vector<COLORREF> pixels;
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, kWidth, kHeight);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_COMBOBOX;
        item.CtlID = 1002;
        item.itemID = static_cast<UINT>(index);
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = Combo();
        item.hDC = dc;
        item.rcItem = RECT{0, 0, kWidth, kHeight - 2};
        item.itemData = static_cast<ULONG_PTR>(::SendMessageW(Combo(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
        ::SendMessageW(Control(), WM_DRAWITEM, 1002, reinterpret_cast<LPARAM>(&item));
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                pixels.push_back(::GetPixel(dc, x, y));
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        return pixels;
    }
    HRESULT Refresh()
    {
        auto control = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPiPropertyEditControl>();
        return control ? control->Refresh(0) : E_NOINTERFACE;
    }
};

TEST_F(PickerRows, PlotStyleNamesWriteTheChosenNameAndTheEmptyEntryWritesNothingAtAll)
{
    dkhost_test::ClearUndo();
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"2A", L"30"}, kPlotStyle));
    EXPECT_EQ(L"*VARIES*", m_host.DrawnText(20));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(L"*VARIES*", SelectedText());
    EXPECT_GE(IndexOf(L"Style 1"), 0);
    EXPECT_GE(IndexOf(L"Thin grey"), 0);
    Choose(L"Style 1");
    EXPECT_EQ(L"Style 1", Property(0, kPlotStyle));
    EXPECT_EQ(L"Style 1", Property(1, kPlotStyle));
    EXPECT_EQ(1, dkhost_test::UndoDepth()) << "one change";
    ASSERT_EQ(S_OK, Refresh()) << "as the palette refreshes a row after a write";
    EXPECT_EQ(L"Style 1", SelectedText());
    EXPECT_LT(IndexOf(L"*VARIES*"), 0) << "the varies entry goes with the difference";
    // The empty name: listed as None, written as "".
    Put(L"30", kPlotStyle, L"");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"30"}, kPlotStyle));
    EXPECT_EQ(L"None", m_host.DrawnText(20));
    Put(L"30", kPlotStyle, L"Style 2");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"30"}, kPlotStyle));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    Choose(L"None");
    EXPECT_EQ(L"", Property(0, kPlotStyle));
    ASSERT_EQ(S_OK, Refresh());
    EXPECT_EQ(L"None", SelectedText());
    // The varies entry is never written.
    dkhost_test::ClearJournal();
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"2A", L"30"}, kPlotStyle));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    Choose(L"*VARIES*");
    EXPECT_TRUE(dktest::JournalMatching(L"set ").empty());
}

TEST_F(PickerRows, AColourDependentDrawingShowsByColorReadOnlyAndNeverVaries)
{
    dkhost_test::SetPlotStyleMode(true);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"2A", L"30"}, kPlotStyle));
    EXPECT_EQ(L"ByColor", m_host.DrawnText(20));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(!Combo() || !::IsWindowVisible(Combo())) << "read-only: no list to choose from";
}

TEST_F(PickerRows, TheByLayerEntryShowsTheViewportOverrideOnlyWhenEveryLayerHasOne)
{
    Put(L"2A", kPlotStyle, L"ByLayer");
    Put(L"30", kPlotStyle, L"ByLayer");
    Put(L"2B", kPlotStyle, L"ByLayer");
    // 2A and 2B lie on Walls, overridden in the current viewport; 30 on Doors, which is not.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"2A", L"2B"}, kPlotStyle));
    EXPECT_EQ(L"ByLayer (VP)", m_host.DrawnText(20));
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"2A", L"30"}, kPlotStyle));
    EXPECT_EQ(L"ByLayer", m_host.DrawnText(20));
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"30", L"2A"}, kPlotStyle));
    EXPECT_EQ(L"ByLayer", m_host.DrawnText(20));
}

TEST_F(PickerRows, TheDialogEntryWritesItsChoiceInsideADocumentLockAndARefusedLockDoesNothing)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"30"}, kPlotStyle));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    const int other = static_cast<int>(Entries().size()) - 1;
    dkhost_test::PushAnswer(L"Thin grey");
    Choose(other);
    EXPECT_EQ(L"Thin grey", Property(0, kPlotStyle));
    EXPECT_EQ(L"Thin grey", SelectedText());
    EXPECT_EQ(0, dkhost_test::DocumentLocks()) << "the lock was given back";
    EXPECT_EQ(Combo(), ::GetFocus());
    dkhost_test::SetDocumentLockRefused(true);
    dkhost_test::PushAnswer(L"Style 1");
    Choose(static_cast<int>(Entries().size()) - 1);
    EXPECT_EQ(L"Thin grey", Property(0, kPlotStyle));
    EXPECT_EQ(1, dkhost_test::PendingAnswers()) << "no dialog without the lock";
    EXPECT_EQ(L"Thin grey", SelectedText());
    EXPECT_EQ(Combo(), ::GetFocus()) << "the row keeps the focus";
    dkhost_test::SetDocumentLockRefused(false);
    dkhost_test::ClearAnswers();
}

TEST_F(PickerRows, TheDialogEntryReachedByKeysOnTheClosedListOpensOnlyWhenCommitted)
{
    Put(L"30", kPlotStyle, L"Style 2");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleName, {L"30"}, kPlotStyle));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_EQ(L"Style 2", SelectedText());
    dkhost_test::PushAnswer(L"Style 1");
    Key(Combo(), VK_DOWN);
    Key(Combo(), VK_DOWN);
    Pump(0);
    EXPECT_EQ(L"Other...", SelectedText());
    EXPECT_EQ(1, dkhost_test::PendingAnswers()) << "browsing the list opens no dialog";
    EXPECT_EQ(L"Style 2", Property(0, kPlotStyle));
    Key(Combo(), VK_RETURN);
    Pump(0);
    EXPECT_EQ(0, dkhost_test::PendingAnswers());
    EXPECT_EQ(L"Style 1", Property(0, kPlotStyle));
    EXPECT_EQ(L"Style 1", SelectedText());
}

TEST_F(PickerRows, ATableNotInstalledIsListedMissingAndCannotBeChosen)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPlotStyleTable, {L"75"}, kPlotStyleTable));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(L"Contractor.dkps", SelectedText());
    const int missing = Selected();
    Choose(L"Greys.dkps");
    EXPECT_EQ(L"Greys.dkps", Property(0, kPlotStyleTable));
    dkhost_test::ClearJournal();
    Choose(missing);
    EXPECT_EQ(L"Greys.dkps", Property(0, kPlotStyleTable)) << "a missing table is not chosen";
    EXPECT_EQ(L"Greys.dkps", SelectedText());
}

TEST_F(PickerRows, AnArrowheadIsItsPositionWrittenToEverySelectedDimensionAsOneChange)
{
    dkhost_test::ClearUndo();
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorDimArrowHead, {L"65", L"66"}, kArrow1));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(L"*VARIES*", SelectedText());
    EXPECT_GE(static_cast<int>(Entries().size()), 21);
    Choose(3);
    EXPECT_EQ(L"3", Property(0, kArrow1));
    EXPECT_EQ(L"3", Property(1, kArrow1));
    EXPECT_EQ(1, dkhost_test::UndoDepth());
    EXPECT_EQ(3, Selected());
}

TEST_F(PickerRows, OnlyTheVariesEntryLosesItsPictureNotTheArrowheadsDrawnAfterIt)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorDimArrowHead, {L"66"}, kArrow1));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    const auto plain = DrawEntry(0);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorDimArrowHead, {L"65", L"66"}, kArrow1));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    const int varies = IndexOf(L"*VARIES*");
    ASSERT_GE(varies, 0);
    EXPECT_TRUE(DrawEntry(0) == plain) << "the first arrowhead drawn after the values were read";
    DrawEntry(varies);
    EXPECT_TRUE(DrawEntry(0) == plain) << "the first arrowhead drawn after the varies entry";
}

TEST_F(PickerRows, TheUserArrowNamesTheChosenBlockThroughTheBlockPropertyThenTheRowReadsItsOwnAgain)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorDimArrowHead, {L"65"}, kArrow1));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dkhost_test::PushAnswer(L"Arrow");
    Choose(20);
    EXPECT_EQ(L"Arrow", Property(0, kBlock1));
    EXPECT_EQ(L"20", Property(0, kArrow1));
    const std::wstring secondBlock = Property(0, kBlock2);
    // Chosen again before the row read anew: the block of the same arrowhead.
    dkhost_test::PushAnswer(L"Door");
    Choose(20);
    EXPECT_EQ(L"Door", Property(0, kBlock1));
    EXPECT_EQ(secondBlock, Property(0, kBlock2));
    ASSERT_EQ(S_OK, Refresh());
    EXPECT_EQ(20, Selected()) << "the row reads its own property again";
    // The user entry chosen again after the refresh: another block.
    dkhost_test::PushAnswer(L"_Dot");
    Choose(20);
    EXPECT_EQ(L"_Dot", Property(0, kBlock1));
    EXPECT_EQ(0, dkhost_test::PendingAnswers());
    ASSERT_EQ(S_OK, Refresh());
    Choose(3);
    EXPECT_EQ(L"3", Property(0, kArrow1)) << "the next choice goes to the arrowhead, not the block name";
    // A cancelled chooser writes nothing.
    dkhost_test::PushAnswer(L"cancel");
    dkhost_test::ClearJournal();
    Choose(20);
    EXPECT_EQ(L"3", Property(0, kArrow1));
    EXPECT_EQ(3, Selected());
}

TEST_F(PickerRows, ABlockNamedWithAnUnderscoreIsNotPreselectedAndAMissingResourceLibraryIsTold)
{
    // Dimension 66's second arrow is the block Arrow; the multileader's second line shows _Dot.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorDimArrowHead, {L"66"}, kArrow2));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dkhost_test::PushAnswer(L"cancel");
    dkhost_test::ClearJournal();
    Choose(20);
    ASSERT_EQ(S_OK, Refresh());
    Choose(5);
    dkhost_test::PushAnswer(L"cancel");
    dkhost_test::ClearJournal();
    Choose(20);
    const auto preselected = dktest::JournalMatching(L"block chooser");
    ASSERT_FALSE(preselected.empty());
    // The resource library taken away: the user is told and nothing is written.
    const std::filesystem::path kit = dktest::BinDir() + L"KitMFCRes.DLL";
    const std::filesystem::path aside = dktest::BinDir() + L"KitMFCRes.aside";
    std::filesystem::rename(kit, aside);
    dktest::MessageBoxCatcher boxes;
    dkhost_test::PushAnswer(L"Arrow");
    Choose(20);
    std::filesystem::rename(aside, kit);
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(L"KitMFCRes.dll not found", boxes.Texts()[0]);
    EXPECT_EQ(L"5", Property(0, kArrow2));
}

TEST_F(PickerRows, AMultileadersUserBlockNamesItsContentAndAnUnsavedDrawingRefusesACalloutsBlock)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPredefBlock, {L"68"}, kContentBlock));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_GE(static_cast<int>(Entries().size()), 7);
    dkhost_test::PushAnswer(L"Door");
    Choose(6);
    EXPECT_EQ(L"Door", Property(0, kContentBlockName));
    EXPECT_EQ(L"6", Property(0, kContentBlock));
    // The sample drawing was never saved: a callout's block cannot come from its file.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPredefBlock, {L"59"}, kCalloutBlock));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dktest::MessageBoxCatcher boxes;
    dkhost_test::PushAnswer(L"Door");
    Choose(6);
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(std::wstring::npos, boxes.Texts()[0].find(L"%s"));
    EXPECT_EQ(1, dkhost_test::PendingAnswers()) << "no chooser shown";
    dkhost_test::ClearAnswers();
}

TEST_F(PickerRows, ASavedDrawingsCalloutTakesABlockOfTheFileAsOneChange)
{
    // A drawing opened from its file, as saved.
    const std::wstring file = dktest::BinDir() + L"callout.dkd";
    {
        std::ofstream out(std::filesystem::path(file), std::ios::binary);
        out << "drawing name=callout.dkd plotstyles=named\nblock Door\nentity Callout handle=59 "
               "BlockType=dkBlockHexagon\n";
    }
    ASSERT_EQ(S_OK, dkhost_test::LoadDrawingFile(file.c_str(), nullptr));
    dkhost_test::ClearUndo();
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorPredefBlock, {L"59"}, kCalloutBlock));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dkhost_test::PushAnswer(L"Door");
    Choose(6);
    EXPECT_EQ(L"Door", Property(0, 8713));
    EXPECT_EQ(file, Property(0, 8714));
    EXPECT_EQ(1, dkhost_test::UndoDepth()) << "the path and the name, one change";
    // A block the saved file lacks: told with its name, nothing written.
    dkhost_test::AddBlock(L"Fresh", false);
    ASSERT_EQ(S_OK, Refresh());
    dktest::MessageBoxCatcher boxes;
    dkhost_test::PushAnswer(L"Fresh");
    Choose(6);
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_NE(std::wstring::npos, boxes.Texts()[0].find(L"\"Fresh\""));
    EXPECT_EQ(L"Door", Property(0, 8713));
    EXPECT_EQ(1, dkhost_test::UndoDepth());
}
} // namespace

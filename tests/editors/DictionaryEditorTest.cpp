// The material and visual style rows: the drawing's materials in the combo's sorted order,
// the reserved names in the user's words and written as stored, a material added while the
// list was closed, no list at all without a working drawing; the visual styles in the host's
// order after the anonymous one, which changes nothing.
#include "DropDownFixture.h"
#include "TestSupport.h"

#include "DkHostTest.h"
#include "DkPEXCtl.h"

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kMaterial = 7;
constexpr DISPID kVisualStyle = 300;

class DictionaryRows : public DropDownFixture
{
protected:
    void TearDown() override
    {
        dkhost_test::SetReservedName(11, L"Global");
        dkhost_test::SetNoWorkingDatabase(false);
        dkhost_test::SetVisualStylesUnreadable(false);
        dkhost_test::SetReactorFault(false);
        DropDownFixture::TearDown();
    }
};

TEST_F(DictionaryRows, ListTheMaterialsSortedAndWriteTheOneChosenAsOneChange)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorMaterial, {L"31"}, kMaterial));
    EXPECT_EQ(L"Brick", m_host.DrawnText(20));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ((std::vector<std::wstring>{L"Brick", L"ByBlock", L"ByLayer", L"Glass", L"Global"}), Entries());
    EXPECT_EQ(L"Brick", SelectedText());
    dkhost_test::ClearUndo();
    Choose(L"Glass");
    EXPECT_EQ(L"Glass", Property(0, kMaterial));
    EXPECT_EQ(1, dkhost_test::UndoDepth());

    // Two objects of different materials: the varies entry, which writes nothing.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorMaterial, {L"31", L"30"}, kMaterial));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(L"*VARIES*", SelectedText());
    dkhost_test::ClearUndo();
    Choose(L"*VARIES*");
    EXPECT_EQ(0, dkhost_test::UndoDepth());
}

TEST_F(DictionaryRows, ReservedNamesShowInTheUsersWordsAndAreWrittenAsStored)
{
    dkhost_test::SetReservedName(11, L"Global (all)");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorMaterial, {L"31"}, kMaterial));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_LT(IndexOf(L"Global"), 0);
    Choose(L"Global (all)");
    EXPECT_EQ(L"Global", Property(0, kMaterial));
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorMaterial, {L"31"}, kMaterial));
    EXPECT_EQ(L"Global (all)", m_host.DrawnText(20));
}

TEST_F(DictionaryRows, AMaterialAddedWhileTheListIsClosedIsListedInItsPlaceAtTheNextOpening)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorMaterial, {L"31"}, kMaterial));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_LT(IndexOf(L"Concrete"), 0);
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_HIDE));
    ASSERT_NE(0, dkhost_test::AddMaterial(L"Concrete"));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(3, IndexOf(L"Concrete")) << "in its sorted place, after ByLayer";
    EXPECT_EQ(L"Brick", SelectedText());

    // The same when the dictionary would not take the list's reactor.
    dkhost_test::SetReactorFault(true);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorMaterial, {L"31"}, kMaterial));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_HIDE));
    ASSERT_NE(0, dkhost_test::AddMaterial(L"Adobe"));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(0, IndexOf(L"Adobe"));
    EXPECT_EQ(L"Brick", SelectedText());
}

// The drawing replaced while the row lives: its dictionary said goodbye. The list keeps the
// names it showed, writes nothing, and closing the row reaches nothing of the old drawing.
TEST_F(DictionaryRows, AfterTheDrawingWasReplacedTheListKeepsItsNamesAndWritesNothing)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorMaterial, {L"31"}, kMaterial));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    const auto names = Entries();
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_HIDE));
    const long stray = dkhost_test::StrayReactorRemovals();
    ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
    dkhost_test::ClearUndo();
    m_host.Activate(OLEIVERB_UIACTIVATE);
    EXPECT_EQ(names, Entries());
    Choose(L"Glass");
    EXPECT_EQ(0, dkhost_test::UndoDepth());
    m_host.Release();
    m_objects.clear();
    EXPECT_EQ(stray, dkhost_test::StrayReactorRemovals());
}

TEST_F(DictionaryRows, WithoutAWorkingDrawingNothingIsListedOrWritten)
{
    dkhost_test::SetNoWorkingDatabase(true);
    Row(CLSID_DkPePropertyEditorMaterial, {L"31"}, kMaterial);
    m_host.Activate(OLEIVERB_UIACTIVATE);
    EXPECT_TRUE(!Combo() || Entries().empty());
    EXPECT_EQ(L"Brick", Property(0, kMaterial));
}

TEST_F(DictionaryRows, VisualStylesFollowTheAnonymousOneInTheHostsOrderAndItWritesNothing)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorVisualStyle, {L"76"}, kVisualStyle));
    EXPECT_EQ(L"Realistic", m_host.DrawnText(20));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ((std::vector<std::wstring>{L"Custom", L"2dWireframe", L"Realistic", L"Conceptual"}), Entries());
    EXPECT_EQ(L"Realistic", SelectedText());
    dkhost_test::ClearUndo();
    Choose(L"Conceptual");
    EXPECT_EQ(L"Conceptual", Property(0, kVisualStyle));
    EXPECT_EQ(1, dkhost_test::UndoDepth());
    dkhost_test::ClearJournal();
    Choose(L"Custom");
    EXPECT_TRUE(dktest::JournalMatching(L"undo group begin").empty());
    EXPECT_EQ(L"Conceptual", Property(0, kVisualStyle));
    EXPECT_EQ(L"Conceptual", SelectedText()) << "the list goes back to the value's entry";

    // Visual styles the host cannot tell: nothing listed, nothing written.
    dkhost_test::SetVisualStylesUnreadable(true);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorVisualStyle, {L"77"}, kVisualStyle));
    m_host.Activate(OLEIVERB_UIACTIVATE);
    EXPECT_TRUE(!Combo() || Entries().empty());
    EXPECT_EQ(L"Conceptual", Property(0, kVisualStyle));
}
} // namespace

// The material rows: the drawing's materials in the combo's sorted order, the reserved names
// in the user's words and written as stored, a material added while the list was closed, and
// no list at all without a working drawing.
#include "DropDownFixture.h"

#include "DkHostTest.h"
#include "DkPEXCtl.h"

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kMaterial = 7;

class MaterialRows : public DropDownFixture
{
protected:
    void TearDown() override
    {
        dkhost_test::SetReservedName(11, L"Global");
        dkhost_test::SetNoWorkingDatabase(false);
        DropDownFixture::TearDown();
    }
};

TEST_F(MaterialRows, ListTheMaterialsSortedAndWriteTheOneChosenAsOneChange)
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

TEST_F(MaterialRows, ReservedNamesShowInTheUsersWordsAndAreWrittenAsStored)
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

TEST_F(MaterialRows, AMaterialAddedWhileTheListIsClosedIsListedInItsPlaceAtTheNextOpening)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorMaterial, {L"31"}, kMaterial));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_LT(IndexOf(L"Concrete"), 0);
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_HIDE));
    ASSERT_NE(0, dkhost_test::AddMaterial(L"Concrete"));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(3, IndexOf(L"Concrete")) << "in its sorted place, after ByLayer";
    EXPECT_EQ(L"Brick", SelectedText());
}

TEST_F(MaterialRows, WithoutAWorkingDrawingNothingIsListedOrWritten)
{
    dkhost_test::SetNoWorkingDatabase(true);
    Row(CLSID_DkPePropertyEditorMaterial, {L"31"}, kMaterial);
    m_host.Activate(OLEIVERB_UIACTIVATE);
    EXPECT_TRUE(!Combo() || Entries().empty());
    EXPECT_EQ(L"Brick", Property(0, kMaterial));
}
} // namespace

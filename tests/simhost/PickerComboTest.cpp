// The user-interface library's picker combos: the entries each lists (positions as item data,
// the entry that stands for a dialog or a block of the user's), pictures before the library's
// entries only, the dialog entry's state bits and the selection put back when it chooses
// nothing, and the plot style dialog answered by the scripted user.
#include "DkHostTest.h"
#include "TestSupport.h"
#include "dkcm.h"
#include "dkui.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
// A combo whose last library entry runs a dialog that answers as told and notes the state
// the combo was in meanwhile.
class DialogCombo : public CDkUiMRUComboBox
{
public:
    bool answer = false;
    unsigned stateInDialog = 0;
    void AddItems() noexcept override
    {
        for (const wchar_t* text : {L"First", L"Second", L"Other..."})
            ::SendMessageW(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    bool OnSelectOther() noexcept override
    {
        stateInDialog = State();
        return answer;
    }

protected:
    int OtherEntry() const noexcept override { return 2; }
};

class PickerCombo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearJournal();
        m_parent = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300, nullptr,
                                     nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_parent);
    }
    void TearDown() override
    {
        dkhost_test::ClearAnswers();
        ::DestroyWindow(m_parent);
    }

    void Create(CDkUiMRUComboBox& combo)
    {
        ASSERT_TRUE(
            combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL, RECT{0, 0, 200, 200}, m_parent, 1002));
    }

    static std::vector<std::wstring> Entries(const CDkUiMRUComboBox& combo)
    {
        std::vector<std::wstring> out;
        for (int i = 0; combo.GetLBString(i, nullptr, 0) >= 0; ++i)
        {
            std::vector<wchar_t> text(static_cast<size_t>(combo.GetLBString(i, nullptr, 0)) + 1);
            combo.GetLBString(i, text.data(), static_cast<int>(text.size()));
            out.emplace_back(text.data());
        }
        return out;
    }

    static LPARAM Data(const CDkUiMRUComboBox& combo, int index)
    {
        return ::SendMessageW(combo.Hwnd(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    }

    // The user opens the list, moves to an entry and closes the list on it.
    static void Choose(CDkUiMRUComboBox& combo, int index)
    {
        ::SendMessageW(combo.Hwnd(), CB_SHOWDROPDOWN, TRUE, 0);
        ::SendMessageW(combo.Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(combo.Hwnd(), CB_SHOWDROPDOWN, FALSE, 0);
        combo.OnSelEndOk();
    }

    static int Selected(const CDkUiMRUComboBox& combo)
    {
        return static_cast<int>(::SendMessageW(combo.Hwnd(), CB_GETCURSEL, 0, 0));
    }

    HWND m_parent = nullptr;
};

struct PickerCase
{
    const char* name;
    std::function<std::unique_ptr<CDkUiMRUComboBox>()> make;
    size_t count;
    // Entries checked by position.
    std::vector<std::pair<int, std::wstring>> entries;
    bool pictures;
};

TEST_F(PickerCombo, EachPickerListsItsEntriesAtTheirPositions)
{
    const PickerCase cases[] = {
        {"arrowheads",
         [] { return std::make_unique<CDkUiArrowHeadComboBox>(); },
         21,
         {{0, L"Closed filled"}, {3, L"Dot"}, {17, L"Origin indicator"}, {19, L"None"}, {20, L"User Arrow..."}},
         true},
        {"block shapes",
         [] { return std::make_unique<CDkUiPredefBlockComboBox>(); },
         7,
         {{0, L"Circle"}, {5, L"Diamond"}, {6, L"User Block..."}},
         true},
        {"plot style names",
         [] { return std::make_unique<CDkUiPlotStyleNamesComboBox>(); },
         8,
         {{0, L"ByLayer"},
          {1, L"ByBlock"},
          {2, L"None"},
          {3, L"Normal"},
          {4, L"Style 1"},
          {6, L"Thin grey"},
          {7, L"Other..."}},
         false},
        {"plot style tables with None",
         [] { return std::make_unique<CDkUiPlotStyleTablesComboBox>(true); },
         5,
         {{0, L"None"}, {2, L"Greys.dkps"}},
         false},
        {"plot style tables",
         [] { return std::make_unique<CDkUiPlotStyleTablesComboBox>(false); },
         4,
         {{0, L"Fine lines.dkps"}},
         false},
    };
    for (const PickerCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto combo = c.make();
        Create(*combo);
        const auto entries = Entries(*combo);
        ASSERT_EQ(c.count, entries.size());
        for (const auto& [at, text] : c.entries)
            EXPECT_EQ(text, entries[static_cast<size_t>(at)]) << at;
        for (int i = 0; i < static_cast<int>(entries.size()); ++i)
            EXPECT_EQ(i, Data(*combo, i)) << "an entry's item data is its position";
        EXPECT_EQ(c.pictures, combo->ImageWidth() > 0);
        EXPECT_EQ(0u, combo->State());
        // The library's entries anew: nothing doubled.
        combo->AddItems();
        EXPECT_EQ(c.count, Entries(*combo).size());
    }
}

TEST_F(PickerCombo, TheCallersEntriesComeLastAndHaveNoPicture)
{
    CDkUiArrowHeadComboBox arrows;
    Create(arrows);
    EXPECT_EQ(21, arrows.AddItemToList(L"Dot", 77));
    EXPECT_EQ(77, Data(arrows, 21));
    // The same text, drawn without the picture before it.
    EXPECT_GT(arrows.MeasureItemWidth(3), arrows.MeasureItemWidth(21));
    EXPECT_EQ(arrows.ImageWidth(), arrows.MeasureItemWidth(3) - arrows.MeasureItemWidth(21) - 4);
    EXPECT_EQ(0, arrows.MeasureItemWidth(22));
    arrows.AddItems();
    EXPECT_EQ(21u, Entries(arrows).size()) << "the library's entries anew drop the caller's";

    arrows.SetUseOrigin2(true);
    EXPECT_EQ(L"Origin indicator 2", Entries(arrows)[17]);
    EXPECT_EQ(17, Data(arrows, 17));
    arrows.SetUseOrigin2(false);
    EXPECT_EQ(L"Origin indicator", Entries(arrows)[17]);
}

TEST_F(PickerCombo, TheDialogEntryRunsInItsStateAndPutsTheSelectionBackWhenNothingIsChosen)
{
    DialogCombo combo;
    Create(combo);
    ::SendMessageW(combo.Hwnd(), CB_SETCURSEL, 1, 0);
    Choose(combo, 2);
    // By value: the constant is no symbol of the host's library.
    EXPECT_EQ(+CDkUiMRUComboBox::kStateInDialog, combo.stateInDialog);
    EXPECT_EQ(0u, combo.State()) << "the bit goes with the dialog";
    EXPECT_EQ(1, Selected(combo)) << "the entry shown before the list opened";

    combo.stateInDialog = 0;
    Choose(combo, 0);
    EXPECT_EQ(0u, combo.stateInDialog) << "an ordinary entry runs no dialog";
    combo.answer = true;
    Choose(combo, 2);
    EXPECT_EQ(2, Selected(combo)) << "the dialog's choice stays";
}

TEST_F(PickerCombo, OtherPicksANamedPlotStyleFromTheHostsDialog)
{
    CDkUiPlotStyleNamesComboBox names;
    Create(names);
    Choose(names, 4); // Style 1
    struct Case
    {
        const wchar_t* answer;
        int selected;
        const wchar_t* journal;
    };
    const Case cases[] = {
        {L"thin GREY", 6, L"plot style dialog \"Style 1\" -> \"Thin grey\""},
        {L"cancel", 6, L"plot style dialog \"Thin grey\" -> cancelled"},
        {L"Nowhere", 6, L"plot style dialog \"Thin grey\" -> no plot style \"Nowhere\""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.answer, c.answer + wcslen(c.answer)));
        dkhost_test::ClearJournal();
        dkhost_test::PushAnswer(c.answer);
        Choose(names, 7);
        EXPECT_EQ(c.selected, Selected(names));
        EXPECT_EQ(std::vector<std::wstring>{c.journal}, dktest::Journal());
        EXPECT_EQ(0, dkhost_test::PendingAnswers());
    }
}

TEST_F(PickerCombo, ColourDependentPlotStylesListOnlyByColorInTheUsersWords)
{
    dkhost_test::SetReservedName(9, L"Par couleur");
    CDkUiPlotStyleNamesComboBox names;
    Create(names);
    names.SetColorDependentMode();
    EXPECT_EQ(std::vector<std::wstring>{L"Par couleur"}, Entries(names));
    Choose(names, 0);
    EXPECT_TRUE(dktest::Journal().empty()) << "no Other... entry, no dialog";

    struct Case
    {
        const wchar_t* stored;
        const wchar_t* shown;
    };
    for (const Case& c : {Case{L"BYCOLOR", L"Par couleur"}, Case{L"ByLayer", L"ByLayer"}, Case{L"Style 1", L"Style 1"}})
    {
        DkString name(c.stored);
        LocalizeReservedPlotStyleStrings(name);
        EXPECT_STREQ(c.shown, name.kwszPtr());
    }
    dkhost_test::SetReservedName(9, L"ByColor");
}

TEST_F(PickerCombo, AMissingTableIsListedOnceAndMarked)
{
    CDkUiPlotStyleTablesComboBox tables(true);
    Create(tables);
    EXPECT_EQ(5, tables.AddMissingStyleTable(L"Contractor.dkps", true));
    EXPECT_EQ(5, Selected(tables));
    EXPECT_EQ(5, tables.AddMissingStyleTable(L"Contractor.dkps", false)) << "listed already";
    EXPECT_EQ(2, tables.AddMissingStyleTable(L"Greys.dkps", false)) << "an installed table is no missing one";
    EXPECT_EQ(6u, Entries(tables).size());
    EXPECT_TRUE(tables.IsMissing(5));
    for (int i : {-1, 0, 2, 6})
        EXPECT_FALSE(tables.IsMissing(i)) << i;
    EXPECT_EQ(-1, tables.AddMissingStyleTable(L"", true));
}
} // namespace

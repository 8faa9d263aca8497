// The hatch rows: the choices re-evaluated after a write, the ISO pen widths, the gradients
// with their previews, the pattern name typed or picked, the pattern type in its dialog, and
// the dialog offered to the host.
#include "DropDownFixture.h"
#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "ComboWindows.h"
#include "DkHostTest.h"
#include "DkPEXCtl.h"
#include "DkPiHost.h"
#include "dkdb.h"
#include "dkstring.h"

#include <functional>
#include <vector>

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kPatternName = 100;
constexpr DISPID kPatternType = 101;
constexpr DISPID kPenWidth = 106;
constexpr DISPID kGradient = 107;
constexpr DISPID kIslandStyle = 111;

// Drives the next pattern type dialog as a user: one step per tick of a thread timer, which
// the dialog's own loop runs. A dialog still open after the last step is cancelled.
class DialogScript
{
public:
    using Step = std::function<void(HWND)>;

    explicit DialogScript(std::vector<Step> steps) : m_steps(std::move(steps))
    {
        t_current = this;
        m_timer = ::SetTimer(nullptr, 0, 20, &DialogScript::Tick);
    }
    ~DialogScript()
    {
        ::KillTimer(nullptr, m_timer);
        t_current = nullptr;
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // The dialog outlived the script's steps.
    bool LeftOpen() const { return m_leftOpen; }

    static void Pick(HWND dialog, int id, const std::wstring& text)
    {
        HWND list = ::GetDlgItem(dialog, id);
        const LRESULT at =
            ::SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
        ASSERT_NE(CB_ERR, at) << std::string(text.begin(), text.end());
        ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    static void Press(HWND dialog, int id)
    {
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
    }
    static std::wstring Text(HWND dialog, int id)
    {
        wchar_t text[300] = {};
        HWND item = ::GetDlgItem(dialog, id);
        const LRESULT at = ::SendMessageW(item, CB_GETCURSEL, 0, 0);
        wchar_t cls[32] = {};
        ::GetClassNameW(item, cls, 32);
        if (std::wstring(cls) == L"ComboBox")
        {
            if (at != CB_ERR)
                ::SendMessageW(item, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text));
        }
        else
            ::GetWindowTextW(item, text, 300);
        return text;
    }
    static std::vector<std::wstring> Entries(HWND dialog, int id)
    {
        std::vector<std::wstring> out;
        HWND list = ::GetDlgItem(dialog, id);
        const int n = static_cast<int>(::SendMessageW(list, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i)
        {
            wchar_t text[300] = {};
            ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            out.emplace_back(text);
        }
        return out;
    }
    static bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }

private:
    static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found)
    {
        wchar_t cls[16] = {};
        ::GetClassNameW(hwnd, cls, 16);
        if (std::wstring(cls) == L"#32770" && ::GetDlgItem(hwnd, 1032) && ::IsWindowVisible(hwnd))
        {
            *reinterpret_cast<HWND*>(found) = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        DialogScript* self = t_current;
        HWND dialog = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), &DialogScript::FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!self || !dialog)
            return;
        if (self->m_next < self->m_steps.size())
            self->m_steps[self->m_next++](dialog);
        else
        {
            self->m_leftOpen = true;
            ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }

    static thread_local DialogScript* t_current;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_leftOpen = false;
    UINT_PTR m_timer = 0;
};
thread_local DialogScript* DialogScript::t_current = nullptr;

class HatchRows : public DropDownFixture
{
protected:
    void SetUp() override
    {
        DropDownFixture::SetUp();
        dkhost_test::ClearUndo();
    }
    void TearDown() override
    {
        dkhost_test::SetDragging(false);
        dkhost_test::SetLayerState(L"Hatch", false, false, false);
        DropDownFixture::TearDown();
    }

    // The hatch's pattern set as the host sets it (not through a row).
    static void SetPattern(const wchar_t* handle, long type, const wchar_t* name)
    {
        dkfw::ComPtr<IDispatch> object;
        dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), object.Put());
        auto hatch = object.Query<IDkEntity>();
        ASSERT_TRUE(hatch);
        dkfw::UniqueBstr pattern(name);
        ASSERT_EQ(S_OK, hatch->SetPattern(type, pattern.Get()));
        dkhost_test::ClearUndo();
    }
    std::wstring Pattern(size_t i) { return Property(i, kPatternName) + L"/" + Property(i, kPatternType); }

    void Enter(const std::wstring& text)
    {
        ::SetWindowTextW(Edit(), text.c_str());
        Key(Edit(), VK_RETURN);
        Pump(0);
    }
    bool EditReadOnly() const { return (::GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY) != 0; }
    bool Shown(HWND hwnd) const { return hwnd && ::IsWindowVisible(hwnd); }
    // A read-only row offers neither typing nor its button.
    bool RowReadOnly() const { return (!Edit() || EditReadOnly()) && !Shown(Edit(1043)); }
    HRESULT Refresh()
    {
        auto control = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPiPropertyEditControl>();
        return control ? control->Refresh(0) : E_NOINTERFACE;
    }
};

TEST_F(HatchRows, PenWidthsLeaveOutTheNoWidthChoiceAndEveryWriteFillsTheHatchAnew)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorHatchISOPenWidth, {L"50", L"51"}, kPenWidth));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    const auto entries = Entries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(L"0.13 mm", entries.front()) << "the choice of value -1 is gone";
    EXPECT_EQ(L"*VARIES*", entries.back());
    EXPECT_EQ(static_cast<int>(entries.size()) - 1, Selected()) << "the varies entry moved up with the list";

    dkhost_test::ClearJournal();
    Choose(L"0.35 mm");
    EXPECT_EQ(L"35", Property(0, kPenWidth));
    EXPECT_EQ(L"35", Property(1, kPenWidth));
    EXPECT_EQ(2u, dktest::JournalMatching(L"evaluate hatch").size());

    // A hatch that cannot be filled anew is the user's to hear of, with the host's reason.
    dkhost_test::SetEvaluateFault(dkhost_test::EntityByHandle(L"51"), L"The boundary is not closed.");
    dktest::MessageBoxCatcher boxes;
    Choose(L"0.50 mm");
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_NE(std::wstring::npos, boxes.Texts()[0].find(L"The boundary is not closed."));
    dkhost_test::SetEvaluateFault(dkhost_test::EntityByHandle(L"51"), nullptr);

    // Any other choice of a hatch fills it anew as well.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorHatchEnum, {L"50"}, kIslandStyle));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dkhost_test::ClearJournal();
    Choose(L"Ignore");
    EXPECT_EQ(1u, dktest::JournalMatching(L"evaluate hatch").size());
}

TEST_F(HatchRows, GradientEntriesShowTheirPreviewOnlyForTheFirstNine)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorGradientPattern, {L"50"}, kGradient));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_GE(Entries().size(), 10u);
    auto item = [this](int i)
    { return reinterpret_cast<COwnerDrawItemBmp*>(::SendMessageW(Combo(), CB_GETITEMDATA, i, 0)); };
    EXPECT_FALSE(item(9)->m_bitmap);
    EXPECT_FALSE(item(9)->m_blank) << "an entry without a preview keeps its text's place";

    // Each of the first nine entries shows the resource library's bitmap of its position.
    HMODULE resources = ::LoadLibraryExW((dktest::BinDir() + L"DkPEXCtlRes.dll").c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(resources);
    const UINT previews[] = {170, 164, 167, 171, 165, 163, 169, 168, 166};
    for (int i = 0; i < 9; ++i)
    {
        SCOPED_TRACE(i);
        ASSERT_TRUE(item(i)->m_bitmap);
        HBITMAP expected =
            static_cast<HBITMAP>(::LoadImageW(resources, MAKEINTRESOURCEW(previews[i]), IMAGE_BITMAP, 0, 0, 0));
        std::vector<BYTE> a(14 * 14 * 4);
        std::vector<BYTE> b(a.size());
        EXPECT_GT(::GetBitmapBits(expected, static_cast<LONG>(a.size()), a.data()), 0);
        EXPECT_GT(::GetBitmapBits(item(i)->m_bitmap.Get(), static_cast<LONG>(b.size()), b.data()), 0);
        EXPECT_TRUE(a == b) << "not bitmap " << previews[i];
        ::DeleteObject(expected);
    }
    ::FreeLibrary(resources);

    Choose(L"SPHERICAL");
    EXPECT_EQ(L"SPHERICAL", Property(0, kGradient));
}

TEST_F(HatchRows, PatternNamesAreTypedOnlyOverPredefinedPatternsAndAUserDefinedOneMakesTheRowReadOnly)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorHatchPatternName, {L"50"}, kPatternName));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_FALSE(EditReadOnly());
    EXPECT_TRUE(::IsWindowEnabled(Edit(1043)));
    const int depth = dkhost_test::UndoDepth();
    Enter(L"HONEY");
    EXPECT_EQ(L"HONEY/1", Pattern(0)) << "a predefined name stays predefined";
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());

    // A custom pattern is named in the type's dialog: no typing, no palette.
    SetPattern(L"50", DkDbHatch::kCustomDefined, L"MYPAT");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorHatchPatternName, {L"50"}, kPatternName));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(EditReadOnly());
    EXPECT_FALSE(::IsWindowEnabled(Edit(1043)));
    EXPECT_TRUE(Shown(Edit(1043))) << "the row itself is not read-only";
    // Nor by the keyboard or the host's button action.
    dkhost_test::PushAnswer(L"NET");
    dkhost_test::PushAnswer(L"NET");
    ::SendMessageW(Edit(), WM_SYSKEYDOWN, VK_DOWN, 1 | (KF_ALTDOWN << 16));
    auto control = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPiPropertyEditControl2>();
    ASSERT_TRUE(control);
    EXPECT_EQ(E_FAIL, control->InvokeCommand(L"", 0x18));
    Pump(0);
    dkhost_test::ClearAnswers();
    EXPECT_EQ(L"MYPAT/2", Pattern(0));

    SetPattern(L"51", DkDbHatch::kUserDefined, L"_USER");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorHatchPatternName, {L"50", L"51"}, kPatternName));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(RowReadOnly());
    ASSERT_EQ(S_OK, Refresh());
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(RowReadOnly()) << "through every re-read";
}

TEST_F(HatchRows, AnUnknownNameIsTakenBackOnItsHatchAloneAndTheUserHearsTheHostsReason)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorHatchPatternName, {L"50", L"51"}, kPatternName));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dkhost_test::SetEvaluateFault(dkhost_test::EntityByHandle(L"51"), L"No pattern STARS here.");
    dktest::MessageBoxCatcher boxes;
    Enter(L"STARS");
    dkhost_test::SetEvaluateFault(dkhost_test::EntityByHandle(L"51"), nullptr);
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(L"No pattern STARS here.", boxes.Texts()[0]);
    EXPECT_EQ(L"STARS/1", Pattern(0));
    EXPECT_EQ(L"BRICK/1", Pattern(1)) << "that hatch's step was undone";
    EXPECT_EQ(1, dkhost_test::UndoDepth()) << "the other hatch's step stays";
    EXPECT_EQ(L"*VARIES*", WindowText(Edit())) << "the row shows the real names";

    // Two hatches failing for one reason: the user hears it once; a refused pattern is told.
    dkhost_test::SetEvaluateFault(dkhost_test::EntityByHandle(L"50"), L"The boundary is not closed.");
    dkhost_test::SetEvaluateFault(dkhost_test::EntityByHandle(L"51"), L"The boundary is not closed.");
    Enter(L"GRASS");
    dkhost_test::SetEvaluateFault(dkhost_test::EntityByHandle(L"50"), nullptr);
    dkhost_test::SetEvaluateFault(dkhost_test::EntityByHandle(L"51"), nullptr);
    ASSERT_EQ(2u, boxes.Texts().size());
    EXPECT_EQ(L"The boundary is not closed.", boxes.Texts()[1]);
    EXPECT_EQ(L"STARS/1", Pattern(0));
    dkhost_test::SetPatternFault(dkhost_test::EntityByHandle(L"50"), true);
    Enter(L"GRASS");
    dkhost_test::SetPatternFault(dkhost_test::EntityByHandle(L"50"), false);
    EXPECT_EQ(3u, boxes.Texts().size()) << "the refusal is told";

    // A hatch on a locked layer is left alone, and the host hears the selection changed.
    dkhost_test::SetLayerState(L"Hatch", false, false, true);
    dkhost_test::ClearJournal();
    Enter(L"NET");
    EXPECT_EQ(L"STARS/1", Pattern(0));
    EXPECT_FALSE(dktest::JournalMatching(L"OPM_CHGSELECTION").empty());
}

TEST_F(HatchRows, ThePaletteButtonPicksANameUnlessTheUserCancelsOrDragsOrAHatchIsLocked)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorHatchPatternName, {L"50"}, kPatternName));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dkhost_test::PushAnswer(L"cancel");
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    Pump(0);
    EXPECT_EQ(L"ANSI31/1", Pattern(0));
    dkhost_test::PushAnswer(L"GRASS");
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    Pump(0);
    EXPECT_EQ(L"GRASS/1", Pattern(0));
    EXPECT_EQ(L"GRASS", WindowText(Edit()));

    dkhost_test::ClearJournal();
    dkhost_test::SetDragging(true);
    dkhost_test::PushAnswer(L"ok");
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    dkhost_test::SetDragging(false);
    EXPECT_FALSE(dktest::JournalMatching(L"task dialog OPM.DkPEXCtl.CannotModifyProperty").empty());
    dkhost_test::SetLayerState(L"Hatch", false, false, true);
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    EXPECT_TRUE(dktest::JournalMatching(L"pattern palette").empty()) << "no palette for either";
}

TEST_F(HatchRows, TheTypeDialogStartsFromTheHatchesAndWritesTypeAndNameTogether)
{
    SetPattern(L"51", DkDbHatch::kPreDefined, L"DRVK_ISOWAVE");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipsisHatchPatternType, {L"51"}, kPatternType));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(L"Predefined", WindowText(Edit()));
    std::wstring selected;
    {
        DialogScript script({[&](HWND d)
                             {
                                 selected = DialogScript::Text(d, 1031);
                                 EXPECT_FALSE(DialogScript::Enabled(d, 1030));
                                 DialogScript::Press(d, IDCANCEL);
                             }});
        ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    }
    EXPECT_EQ(L"ISOWAVE", selected) << "an ISO pattern is listed without the host's prefix";
    EXPECT_EQ(0, dkhost_test::UndoDepth()) << "Cancel writes nothing";

    // Two hatches of different patterns: no common name. An unknown custom name keeps the
    // dialog open; a known one is written to both, one undo step each.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipsisHatchPatternType, {L"50", L"51"}, kPatternType));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    std::wstring custom = L"<unread>";
    std::vector<std::wstring> journal;
    dkhost_test::ClearJournal();
    {
        DialogScript script({[&](HWND d)
                             {
                                 EXPECT_EQ(L"", DialogScript::Text(d, 1031));
                                 // The palette hands the row another selection meanwhile.
                                 m_objects.push_back(m_objects[0]);
                                 dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"53"),
                                                               m_objects.back().Put());
                                 dkpal::Selection other{{m_objects.back().Get()}, {nullptr}, {kPatternType}};
                                 EXPECT_EQ(S_OK, m_host.Init(other, false));
                                 DialogScript::Pick(d, 1032, L"Custom");
                                 custom = DialogScript::Text(d, 1030);
                                 EXPECT_TRUE(DialogScript::Enabled(d, 1030));
                                 EXPECT_FALSE(DialogScript::Enabled(d, 1031));
                                 ::SetDlgItemTextW(d, 1030, L"NOSUCH");
                                 dkhost_test::PushAnswer(L"ok");
                                 DialogScript::Press(d, IDOK);
                             },
                             [&](HWND d)
                             {
                                 journal = dktest::JournalMatching(L"task dialog");
                                 ::SetDlgItemTextW(d, 1030, L"MYPAT");
                                 DialogScript::Press(d, IDOK);
                             }});
        ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
        EXPECT_FALSE(script.LeftOpen());
    }
    EXPECT_EQ(L"", custom);
    ASSERT_EQ(1u, journal.size());
    EXPECT_NE(std::wstring::npos, journal[0].find(L"OPM.DkPEXCtl.PatternNameNotFound"));
    EXPECT_EQ(L"MYPAT/2", Pattern(0));
    EXPECT_EQ(L"MYPAT/2", Pattern(1));
    EXPECT_EQ(L"_USER/0", Pattern(2)) << "the dialog writes to the hatches it started from";
    EXPECT_EQ(2, dkhost_test::UndoDepth());
    dkhost_test::Undo(2);
    EXPECT_EQ(L"ANSI31/1", Pattern(0));
}

TEST_F(HatchRows, TheTypeRowRefusesWhileDraggingAndStopsAtALockedHatch)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipsisHatchPatternType, {L"50"}, kPatternType));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    DialogScript script({});
    dkhost_test::SetDragging(true);
    dkhost_test::PushAnswer(L"ok");
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    dkhost_test::SetDragging(false);
    dkhost_test::SetLayerState(L"Hatch", false, false, true);
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    EXPECT_FALSE(script.LeftOpen()) << "no dialog opened";
    EXPECT_FALSE(dktest::JournalMatching(L"OPM_CHGSELECTION").empty());
}

TEST_F(HatchRows, TheExportedDialogOffersTheNonEmptyTypeNamesAndHandsBackTheChoiceOnlyOnOk)
{
    HMODULE module = ::GetModuleHandleW(L"DkPEXCtl.drx");
    ASSERT_TRUE(module);
    using Export = int (*)(DkDbHatch::HatchPatternType&, DkString&, const wchar_t*);
    auto getHatchPattern = reinterpret_cast<Export>(::GetProcAddress(module, "GetHatchPattern"));
    ASSERT_TRUE(getHatchPattern);

    DkDbHatch::HatchPatternType type = DkDbHatch::kPreDefined;
    DkString name(L"BRICK");
    std::vector<std::wstring> types;
    {
        DialogScript script({[&](HWND d)
                             {
                                 types = DialogScript::Entries(d, 1032);
                                 DialogScript::Pick(d, 1032, L"User");
                                 DialogScript::Press(d, IDCANCEL);
                             }});
        EXPECT_EQ(0, getHatchPattern(type, name, L"User;;Predefined;Custom;"));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"User", L"Predefined", L"Custom"}), types);
    EXPECT_EQ(DkDbHatch::kPreDefined, type);
    EXPECT_STREQ(L"BRICK", name.kwszPtr());
    {
        DialogScript script({[&](HWND d)
                             {
                                 DialogScript::Pick(d, 1031, L"HEX");
                                 DialogScript::Press(d, IDOK);
                             }});
        EXPECT_EQ(1, getHatchPattern(type, name, nullptr));
    }
    EXPECT_EQ(DkDbHatch::kPreDefined, type);
    EXPECT_STREQ(L"HEX", name.kwszPtr());
}
} // namespace

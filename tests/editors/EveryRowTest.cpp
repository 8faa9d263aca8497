// Every built editor class driven the same way, as a container and a user would: any number
// of in-place deactivations, hidings and activations keep the row editable and give back
// their windows; the mouse wheel over an active row never changes a value; a choice made on
// a closed list waits for its commit.
#include "MessageSequence.h"
#include "PaletteFixture.h"

#include "DkPEXCtl.h"

namespace
{
using dktest::PaletteFixture;

enum class Input
{
    Typed,  // the row's edit box takes the text, Enter commits
    Chosen, // the row's drop-down closes on another entry
};

struct BuiltRow
{
    const char* name;
    const CLSID* clsid;
    const wchar_t* handle;
    DISPID dispid;
    Input input;
    const wchar_t* text; // typed text, for typed rows
    UINT editId;         // the edit box typed into
    const IID* family;   // the configuration interface of the class's family, if any
};

const BuiltRow kBuiltRows[] = {
    {"Text", &CLSID_DkPePropertyEditorText, L"40", 100, Input::Typed, L"Hall", 1038, nullptr},
    {"PwdText", &CLSID_DkPePropertyEditorPwdText, L"40", 100, Input::Typed, L"s3cret", 1049, nullptr},
    {"TextEx", &CLSID_DkPePropertyEditorTextEx, L"45", 100, Input::Typed, L"First floor", 1038,
     &IID_IDkPeButtonEditCtrl},
    {"Numeric", &CLSID_DkPePropertyEditorNumeric, L"30", 8, Input::Typed, L"12", 1038, &IID_IDkPeButtonEditCtrl},
    {"DRVKNumeric", &CLSID_DkPePropertyEditorDRVKNumeric, L"30", 101, Input::Typed, L"9", 1038,
     &IID_IDkPeButtonEditCtrl},
    {"NumericArea", &CLSID_DkPePropertyEditorNumericArea, L"30", 104, Input::Typed, L"200", 1038,
     &IID_IDkPeButtonEditCtrl},
    {"EllipseEndAngle", &CLSID_DkPePropertyEditorEllipseEndAngle, L"37", 104, Input::Typed, L"90", 1038,
     &IID_IDkPeButtonEditCtrl},
    {"Enum", &CLSID_DkPePropertyEditorEnum, L"46", 104, Input::Chosen, nullptr, 1002, &IID_IDkPeButtonPicture},
    {"Bool", &CLSID_DkPePropertyEditorBool, L"30", 9, Input::Chosen, nullptr, 1002, &IID_IDkPeButtonPicture},
    {"Pick2Points", &CLSID_DkPePick2PointsCtrl, L"38", 102, Input::Typed, L"0.4", 1038, &IID_IDkPeButtonEditCtrl},
    {"HatchEnum", &CLSID_DkPePropertyEditorHatchEnum, L"53", 111, Input::Chosen, nullptr, 1002,
     &IID_IDkPeButtonPicture},
    {"HatchISOPenWidth", &CLSID_DkPePropertyEditorHatchISOPenWidth, L"54", 106, Input::Chosen, nullptr, 1002,
     &IID_IDkPeButtonPicture},
    {"GradientPattern", &CLSID_DkPePropertyEditorGradientPattern, L"52", 107, Input::Chosen, nullptr, 1002,
     &IID_IDkPeButtonPicture},
    {"HatchPatternName", &CLSID_DkPePropertyEditorHatchPatternName, L"50", 100, Input::Typed, L"BRICK", 1038,
     &IID_IDkPeButtonEditCtrl},
    {"PlotStyleName", &CLSID_DkPePropertyEditorPlotStyleName, L"2A", 6, Input::Chosen, nullptr, 1002,
     &IID_IDkPeButtonPicture},
    {"PlotStyleTable", &CLSID_DkPePropertyEditorPlotStyleTable, L"74", 101, Input::Chosen, nullptr, 1002,
     &IID_IDkPeButtonPicture},
    {"DimArrowHead", &CLSID_DkPePropertyEditorDimArrowHead, L"65", 62, Input::Chosen, nullptr, 1002,
     &IID_IDkPeButtonPicture},
    {"PredefBlock", &CLSID_DkPePropertyEditorPredefBlock, L"68", 25, Input::Chosen, nullptr, 1002,
     &IID_IDkPeButtonPicture},
    {"Material", &CLSID_DkPePropertyEditorMaterial, L"31", 7, Input::Chosen, nullptr, 1002, &IID_IDkPeButtonPicture},
    {"VisualStyle", &CLSID_DkPePropertyEditorVisualStyle, L"76", 300, Input::Chosen, nullptr, 1002,
     &IID_IDkPeButtonPicture},
    {"LightLampColor", &CLSID_DkPePropertyEditorLightLampColor, L"80", 200, Input::Typed, L"3200", 1038, nullptr},
    {"LightLampPreset", &CLSID_DkPePropertyEditorLightLampColor, L"81", 200, Input::Chosen, nullptr, 1002, nullptr},
    {"LightIntensity", &CLSID_DkPePropertyEditorLightIntensity, L"80", 201, Input::Typed, L"1200 cd", 1038,
     &IID_IDkPeButtonEditCtrl},
    {"SectionLayer", &CLSID_DkPePropertySectionLayerCombo, L"85", 94, Input::Chosen, nullptr, 1002,
     &IID_IDkPeButtonPicture},
};

class EveryRow : public PaletteFixture
{
protected:
    size_t UndoGroups() { return dktest::JournalMatching(L"undo group begin").size(); }

    // The property's value as text, whatever its type (an array's elements joined by ",").
    std::wstring Value(DISPID dispid)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[0]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        auto asText = [](VARIANT* value)
        {
            dkfw::UniqueVariant text;
            ::VariantChangeType(text.Put(), value, 0, VT_BSTR);
            return std::wstring(text.Type() == VT_BSTR && text.Get().bstrVal ? text.Get().bstrVal : L"");
        };
        if (v.Type() != (VT_ARRAY | VT_VARIANT))
            return asText(v.Addr());
        std::wstring joined;
        LONG lower = 0;
        LONG upper = -1;
        ::SafeArrayGetLBound(v.Get().parray, 1, &lower);
        ::SafeArrayGetUBound(v.Get().parray, 1, &upper);
        for (LONG i = lower; i <= upper; ++i)
        {
            dkfw::UniqueVariant element;
            ::SafeArrayGetElement(v.Get().parray, &i, element.Put());
            joined += (i > lower ? L"," : L"") + asText(element.Addr());
        }
        return joined;
    }

    HRESULT InPlaceDeactivate()
    {
        auto inPlace = dkfw::ComPtr<IDkPiPropertyEditControl2>(m_host.Control()).Query<IOleInPlaceObject>();
        return inPlace ? inPlace->InPlaceDeactivate() : E_NOINTERFACE;
    }

    // What the user edits with: the edit box or the drop-down, a live visible window.
    HWND Target(const BuiltRow& row) const
    {
        HWND target = Edit(row.editId);
        return target && ::IsWindowVisible(target) ? target : nullptr;
    }

    // The user's edit: typed text and Enter, or the list opened, another entry, Enter.
    void Commit(const BuiltRow& row)
    {
        HWND target = Target(row);
        ASSERT_NE(nullptr, target);
        if (row.input == Input::Typed)
        {
            ::SendMessageW(target, EM_SETSEL, 0, -1);
            Type(target, row.text);
        }
        else
        {
            const int count = static_cast<int>(::SendMessageW(target, CB_GETCOUNT, 0, 0));
            const int current = static_cast<int>(::SendMessageW(target, CB_GETCURSEL, 0, 0));
            ASSERT_GT(count, 1);
            ::SendMessageW(target, CB_SHOWDROPDOWN, TRUE, 0);
            ::SendMessageW(target, CB_SETCURSEL, static_cast<WPARAM>((current + 1) % count), 0);
        }
        Key(target, VK_RETURN);
        Pump(0);
    }
};

TEST_F(EveryRow, SurvivesDeactivationHidingAndActivationAndGivesItsWindowsBack)
{
    for (const BuiltRow& row : kBuiltRows)
    {
        SCOPED_TRACE(row.name);
        // A first row of the class, so that what lives for the process exists.
        ASSERT_EQ(S_OK, Row(*row.clsid, {row.handle}, row.dispid));
        m_host.Release();
        Pump(0);
        const Resources before = CountResources();

        ASSERT_EQ(S_OK, Row(*row.clsid, {row.handle}, row.dispid));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        Pump(0);
        ASSERT_NE(nullptr, Target(row));
        const Resources active = CountResources();
        for (int i = 0; i < 5; ++i)
        {
            ASSERT_EQ(S_OK, InPlaceDeactivate());
            EXPECT_EQ(nullptr, Control()) << "the control's window goes with the deactivation";
            ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
            ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_HIDE));
            ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
            Pump(0);
            ASSERT_TRUE(::IsWindowVisible(Control())) << "a hidden row activated is shown";
            ASSERT_NE(nullptr, Target(row)) << "cycle " << i;
        }
        ExpectSameResources(active, CountResources());

        const std::wstring old = Value(row.dispid);
        const int depth = dkhost_test::UndoDepth();
        Commit(row);
        EXPECT_EQ(depth + 1, dkhost_test::UndoDepth()) << "one undoable change";
        EXPECT_NE(old, Value(row.dispid));

        dkhost_test::Undo(1);
        m_host.Release();
        Pump(0);
        ExpectSameResources(before, CountResources());
    }
}

// The button-edit and the drop-down families' picture interfaces, answered by each class of
// the family; once the control is closed they refuse.
TEST_F(EveryRow, EachClassAnswersItsFamilysConfigurationInterface)
{
    for (const BuiltRow& row : kBuiltRows)
    {
        if (!row.family)
            continue;
        SCOPED_TRACE(row.name);
        ASSERT_EQ(S_OK, Row(*row.clsid, {row.handle}, row.dispid));
        dkfw::ComPtr<IUnknown> control(m_host.Control());
        // Both interfaces put their four picture members first, in the same order.
        dkfw::ComPtr<IDkPeButtonPicture> pictures;
        ASSERT_EQ(S_OK, control->QueryInterface(*row.family, pictures.PutVoid()));
        dkfw::ComPtr<IUnknown> picture;
        EXPECT_EQ(S_OK, pictures->get_DefaultPicture(picture.Put()));
        control.Query<IOleObject>()->Close(OLECLOSE_NOSAVE);
        EXPECT_EQ(E_FAIL, pictures->get_DefaultPicture(picture.Put()));
        EXPECT_EQ(E_FAIL, pictures->put_DisabledPicture(nullptr));
        m_host.Release();
    }
}

TEST_F(EveryRow, TheWheelOverAnActiveRowScrollsThePaletteAndWritesNothing)
{
    for (const BuiltRow& row : kBuiltRows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(S_OK, Row(*row.clsid, {row.handle}, row.dispid));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        HWND target = Target(row);
        ASSERT_NE(nullptr, target);
        dktest::MessageRecorder palette({WM_MOUSEWHEEL});
        palette.Watch(m_palette.Get(), "palette");
        const std::wstring old = Value(row.dispid);
        dkhost_test::ClearJournal();
        for (const short delta : {-WHEEL_DELTA, -WHEEL_DELTA, WHEEL_DELTA})
            ::SendMessageW(target, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(kRow.left + 5, kRow.top + 5));
        Pump(0);
        EXPECT_EQ(0u, UndoGroups());
        EXPECT_EQ(old, Value(row.dispid));
        EXPECT_EQ(3u, palette.Log().size()) << "each notch reaches the palette";
        m_host.Release();
    }
}

TEST_F(EveryRow, KeysOnAClosedListChooseAndTheChoiceIsCommittedAsAChoiceIs)
{
    for (const BuiltRow& row : kBuiltRows)
    {
        if (row.input != Input::Chosen)
            continue;
        SCOPED_TRACE(row.name);
        // Each commit in turn: Enter, Tab, the row losing the focus, the list opened and closed.
        for (int commit = 0; commit < 4; ++commit)
        {
            SCOPED_TRACE(commit);
            ASSERT_EQ(S_OK, Row(*row.clsid, {row.handle}, row.dispid));
            ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
            HWND combo = Target(row);
            ASSERT_NE(nullptr, combo);
            const int current = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
            const std::wstring old = Value(row.dispid);
            dkhost_test::ClearJournal();
            Key(combo, current == 0 ? VK_DOWN : VK_UP);
            Pump(0);
            EXPECT_NE(current, static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0))) << "a choice is made";
            EXPECT_EQ(0u, UndoGroups()) << "but nothing is written yet";
            EXPECT_EQ(old, Value(row.dispid));
            switch (commit)
            {
            case 0:
                Key(combo, VK_RETURN);
                break;
            case 1:
                Key(combo, VK_TAB);
                break;
            case 2:
                ::SetFocus(combo);
                ::SendMessageW(combo, WM_KILLFOCUS, reinterpret_cast<WPARAM>(m_palette.Get()), 0);
                break;
            default:
                ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
                Key(combo, VK_RETURN);
                break;
            }
            Pump(0);
            EXPECT_EQ(1u, UndoGroups());
            EXPECT_NE(old, Value(row.dispid));
            dkhost_test::Undo(1);
            m_host.Release();
        }

        // A list opened, moved through, closed with a cancel and then left writes nothing.
        ASSERT_EQ(S_OK, Row(*row.clsid, {row.handle}, row.dispid));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        HWND combo = Target(row);
        ASSERT_NE(nullptr, combo);
        const int current = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
        dkhost_test::ClearJournal();
        ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        Key(combo, current == 0 ? VK_DOWN : VK_UP);
        ::SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
        ::SetFocus(combo);
        ::SendMessageW(combo, WM_KILLFOCUS, reinterpret_cast<WPARAM>(m_palette.Get()), 0);
        Pump(0);
        EXPECT_EQ(0u, UndoGroups());
        EXPECT_EQ(current, static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)));
        m_host.Release();
    }
}
} // namespace

namespace
{
using dktest::PaletteFixture;

class ChoiceAfterChoice : public EveryRow
{
protected:
    void Open()
    {
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorBool, {L"30"}, 9));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        m_combo = Edit(1002);
        ASSERT_NE(nullptr, m_combo);
    }
    // The other of the two entries, chosen with the keyboard on the closed list.
    void Other()
    {
        Key(m_combo, ::SendMessageW(m_combo, CB_GETCURSEL, 0, 0) == 0 ? VK_DOWN : VK_UP);
        Pump(0);
    }
    // The other entry chosen on the closed list and committed with Enter.
    void OtherAndEnter()
    {
        Other();
        Key(m_combo, VK_RETURN);
        Pump(0);
    }
    // The list opened, moved to the other entry and closed with a cancel.
    void OpenMoveAndCancel()
    {
        ::SendMessageW(m_combo, CB_SHOWDROPDOWN, TRUE, 0);
        Key(m_combo, ::SendMessageW(m_combo, CB_GETCURSEL, 0, 0) == 0 ? VK_DOWN : VK_UP);
        ::SendMessageW(m_combo, CB_SHOWDROPDOWN, FALSE, 0);
    }
    void LoseFocus()
    {
        ::SetFocus(m_combo);
        ::SendMessageW(m_combo, WM_KILLFOCUS, reinterpret_cast<WPARAM>(m_palette.Get()), 0);
        Pump(0);
    }
    HWND m_combo = nullptr;
};

// Each later choice is committed as the first one was, whatever committed the one before:
// a commit leaves nothing behind that swallows the next.
TEST_F(ChoiceAfterChoice, IsCommittedLikeTheFirst)
{
    Open();
    dkhost_test::ClearJournal();
    // Tab with the list open; then a closed-list choice and Enter.
    ::SendMessageW(m_combo, CB_SHOWDROPDOWN, TRUE, 0);
    Key(m_combo, ::SendMessageW(m_combo, CB_GETCURSEL, 0, 0) == 0 ? VK_DOWN : VK_UP);
    Key(m_combo, VK_TAB);
    Pump(0);
    EXPECT_EQ(1u, UndoGroups());
    OtherAndEnter();
    EXPECT_EQ(2u, UndoGroups()) << "after Tab with the list open";
    // Enter, then a choice the focus loss commits.
    Other();
    LoseFocus();
    EXPECT_EQ(3u, UndoGroups()) << "after Enter";
    // Yes is the first entry, No the second.
    DISPPARAMS none{};
    dkfw::UniqueVariant visible;
    m_objects[0]->Invoke(9, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, visible.Put(), nullptr, nullptr);
    ASSERT_EQ(VT_BOOL, visible.Type());
    EXPECT_EQ(visible.Get().boolVal ? 0 : 1, static_cast<int>(::SendMessageW(m_combo, CB_GETCURSEL, 0, 0)))
        << "the row shows what the object holds";
}

// A property that turns read-only after a commit gives up its list and takes no more choices.
TEST_F(ChoiceAfterChoice, AListThatTurnsReadOnlyAfterACommitTakesNoMore)
{
    Open();
    dkhost_test::ClearJournal();
    OtherAndEnter();
    ASSERT_EQ(1u, UndoGroups());
    dkhost_test::SetEditable(dkhost_test::EntityByHandle(L"30"), 9, false);
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_FALSE(::IsWindowVisible(m_combo));
    OtherAndEnter();
    EXPECT_EQ(1u, UndoGroups());
}

// A cancel whose handling is still posted when the row is deactivated: it takes back the
// open list's entry then, and leaves nothing behind for the next activation.
TEST_F(ChoiceAfterChoice, ACancelStillOnItsWayWhenTheRowIsLeft)
{
    Open();
    dkhost_test::ClearJournal();
    const std::wstring before = Value(9);
    OpenMoveAndCancel();
    ASSERT_EQ(S_OK, m_host.Deactivate());
    Pump(0);
    EXPECT_EQ(0u, UndoGroups()) << "the cancelled entry is not written";
    EXPECT_EQ(before, Value(9));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    OtherAndEnter();
    EXPECT_EQ(1u, UndoGroups()) << "the next choice counts";
}

// A choice committed, the row left and edited again: an open list the focus loss cancels
// writes nothing.
TEST_F(ChoiceAfterChoice, ACancelledListAfterACommitWritesNothing)
{
    Open();
    dkhost_test::ClearJournal();
    OtherAndEnter();
    ASSERT_EQ(1u, UndoGroups());
    ASSERT_EQ(S_OK, m_host.Deactivate());
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    const std::wstring before = Value(9);
    OpenMoveAndCancel();
    LoseFocus();
    EXPECT_EQ(1u, UndoGroups());
    EXPECT_EQ(before, Value(9));
    // The next choice still counts.
    OtherAndEnter();
    EXPECT_EQ(2u, UndoGroups());
}
} // namespace

namespace
{
// Where the text of a row is on the screen: the box of its text-coloured pixels (left of the
// row's buttons, when it shows them).
RECT TextOnScreen(HWND control, int width = -1)
{
    RECT r{};
    ::GetWindowRect(control, &r);
    if (width >= 0)
        r.right = std::min<LONG>(r.right, r.left + width);
    dkfw::WindowDc screen(nullptr);
    RECT box{LONG_MAX, LONG_MAX, -1, -1};
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
        {
            const COLORREF c = ::GetPixel(screen.Get(), x, y);
            if (GetRValue(c) < 96 && GetGValue(c) < 96 && GetBValue(c) < 96)
            {
                box.left = std::min<LONG>(box.left, x - r.left);
                box.top = std::min<LONG>(box.top, y - r.top);
                box.right = std::max<LONG>(box.right, x - r.left);
                box.bottom = std::max<LONG>(box.bottom, y - r.top);
            }
        }
    return box;
}

// The text of a typed row stays where it is when the row becomes active.
TEST_F(EveryRow, TheTextDoesNotMoveWhenTheRowActivates)
{
    for (const BuiltRow& row : kBuiltRows)
    {
        if (row.input != Input::Typed)
            continue;
        SCOPED_TRACE(row.name);
        ASSERT_EQ(S_OK, Row(*row.clsid, {row.handle}, row.dispid));
        ::RedrawWindow(Control(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pump(0);
        const RECT inactive = TextOnScreen(Control());
        ASSERT_GE(inactive.right, 0) << "the row shows its text";
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        HWND edit = Target(row);
        ASSERT_NE(nullptr, edit);
        ::SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
        ::HideCaret(edit);
        ::RedrawWindow(Control(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pump(0);
        // The buttons' pictures are no text.
        RECT box{};
        ::GetWindowRect(edit, &box);
        RECT control{};
        ::GetWindowRect(Control(), &control);
        const RECT active = TextOnScreen(Control(), box.right - control.left);
        EXPECT_EQ(inactive.left, active.left);
        EXPECT_EQ(inactive.top, active.top);
        m_host.Release();
    }
}
} // namespace

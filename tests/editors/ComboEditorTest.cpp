// The drop-down editors over real objects through the palette's container: closing the
// list on an entry, Escape and Tab, refused choices, read-only rows, the choices of each
// origin with their special entries and value matching, and the list's text tips.
#include "MessageBoxCatcher.h"
#include "DropDownFixture.h"
#include "TestSupport.h"

#include "ComboWindows.h"

#include "DkPEXCtl.h"
#include "TestEditorProbe.h"
#include "dkui.h"

#include <algorithm>

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kVisible = 9;
constexpr DISPID kClosed = 101;
constexpr DISPID kAttachment = 104;
constexpr DISPID kDynamic = -23;
constexpr int kRowHeight = 20;

class ComboEditor : public DropDownFixture
{
protected:
    void TearDown() override
    {
        m_host.Release();
        m_dynamic.clear();
        DropDownFixture::TearDown();
    }

    void Open(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid, bool readOnly = false)
    {
        ASSERT_EQ(S_OK, Row(clsid, handles, dispid, readOnly));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    }

    // A row of a dynamic property over circles.
    void OpenDynamic(const CLSID& clsid, IUnknown* property, std::vector<const wchar_t*> handles)
    {
        ASSERT_EQ(S_OK, Row(clsid, handles, kDynamic, false, property));
    }

    // A dynamic property of circles of the given type with its choices.
    IUnknown* Dynamic(const wchar_t* name, VARTYPE vt, std::vector<const wchar_t*> names, std::vector<VARIANT> values)
    {
        dkfw::ComPtr<IUnknown> p;
        EXPECT_EQ(S_OK, dkhost_test::AddDynamicProperty(name, L"Circle", vt, p.Put()));
        if (!names.empty())
            EXPECT_EQ(S_OK, dkhost_test::SetDynamicChoices(p.Get(), names.data(), values.data(),
                                                           static_cast<int>(names.size())));
        m_dynamic.push_back(p);
        return p.Get();
    }

    static void SetDynamicValue(IUnknown* property, const wchar_t* handle, VARIANT v)
    {
        auto dyn = dkfw::ComPtr<IUnknown>(property).Query<IDynamicProperty>();
        ASSERT_TRUE(dyn);
        ASSERT_EQ(S_OK, dyn->SetValue(dkhost_test::EntityByHandle(handle), v));
    }

    // The user moves to entry index and closes the list with Escape.
    void ChooseAndCancel(int index)
    {
        ::SendMessageW(Combo(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(Control(), WM_COMMAND, MAKEWPARAM(1002, CBN_SELENDCANCEL), reinterpret_cast<LPARAM>(Combo()));
        Pump(0);
    }

    LONG Number(size_t i, DISPID dispid)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        dkfw::UniqueVariant n;
        ::VariantChangeType(n.Put(), v.Addr(), 0, VT_I4);
        return n.Get().lVal;
    }

    size_t UndoGroups() { return dktest::JournalMatching(L"undo group begin").size(); }

    std::vector<dkfw::ComPtr<IUnknown>> m_dynamic;
};

VARIANT I4(LONG v)
{
    VARIANT x;
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}

TEST_F(ComboEditor, ClosingOnTheCurrentEntryOrWithEscapeWritesNothingAndAChoiceWritesOnce)
{
    Open(CLSID_DkPePropertyEditorBool, {L"30", L"31"}, kVisible);
    ASSERT_NE(nullptr, Combo());
    EXPECT_TRUE(::IsWindowVisible(Combo()));
    EXPECT_EQ((std::vector<std::wstring>{L"Yes", L"No"}), Entries()) << "the resource texts";
    EXPECT_EQ(0, Selected());
    dkhost_test::ClearJournal();

    Choose(0);
    EXPECT_EQ(0u, UndoGroups()) << "the current entry again";
    // The keyboard: the list opened (the palette keeps the row's focus meanwhile), the other
    // entry highlighted, Escape.
    BOOL keep = FALSE;
    ASSERT_EQ(S_OK, m_host.Control()->get_KeepFocus(&keep));
    EXPECT_FALSE(keep);
    ::SendMessageW(Combo(), CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_EQ(S_OK, m_host.Control()->get_KeepFocus(&keep));
    EXPECT_EQ(static_cast<BOOL>(static_cast<short>(VARIANT_TRUE)), keep);
    Key(Combo(), VK_DOWN);
    Key(Combo(), VK_ESCAPE);
    Pump(0);
    EXPECT_FALSE(::SendMessageW(Combo(), CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(0, Selected());
    EXPECT_EQ(0u, UndoGroups());
    ChooseAndCancel(1);
    EXPECT_EQ(0, Selected()) << "Escape puts the current entry back";
    EXPECT_EQ(0u, UndoGroups());
    EXPECT_EQ(-1, Number(0, kVisible));

    Choose(1);
    EXPECT_EQ(1u, UndoGroups()) << "one change over both circles";
    EXPECT_EQ(0, Number(0, kVisible));
    EXPECT_EQ(0, Number(1, kVisible));
    EXPECT_EQ(1, Selected());

    // A confirmation in the same close sequence as a cancel wins over it.
    ::SendMessageW(Combo(), CB_SETCURSEL, 0, 0);
    ::SendMessageW(Control(), WM_COMMAND, MAKEWPARAM(1002, CBN_SELENDCANCEL), reinterpret_cast<LPARAM>(Combo()));
    ::SendMessageW(Control(), WM_COMMAND, MAKEWPARAM(1002, CBN_SELENDOK), reinterpret_cast<LPARAM>(Combo()));
    Pump(0);
    EXPECT_EQ(-1, Number(0, kVisible));
    EXPECT_EQ(0, Selected());
}

TEST_F(ComboEditor, MixedSelectionsEndWithTheVariesEntryWhichChangesNothing)
{
    Open(CLSID_DkPePropertyEditorBool, {L"38", L"39"}, kClosed);
    EXPECT_EQ((std::vector<std::wstring>{L"Yes", L"No", L"*VARIES*"}), Entries());
    EXPECT_EQ(2, Selected());
    dkhost_test::ClearJournal();
    Choose(2);
    EXPECT_EQ(0u, UndoGroups());
    Choose(0);
    EXPECT_EQ(1u, UndoGroups());
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0)) << "the palette refreshes its rows after a change";
    EXPECT_EQ((std::vector<std::wstring>{L"Yes", L"No"}), Entries()) << "the objects agree now";
    m_host.Release();

    // The enumeration of the type description (46 offers no names of its own), in its
    // order, and varies last.
    Open(CLSID_DkPePropertyEditorEnum, {L"46", L"45"}, kAttachment);
    auto entries = Entries();
    ASSERT_EQ(10u, entries.size());
    EXPECT_EQ(L"dkTopLeft", entries[0]);
    EXPECT_EQ(L"dkBottomRight", entries[8]);
    EXPECT_EQ(L"*VARIES*", entries[9]);
    EXPECT_EQ(9, Selected());
    dkhost_test::ClearJournal();
    Choose(9);
    EXPECT_EQ(0u, UndoGroups());
    Choose(4);
    EXPECT_EQ(5, Number(0, kAttachment));
    EXPECT_EQ(5, Number(1, kAttachment));
    EXPECT_EQ(9u, Entries().size());
    EXPECT_EQ(4, Selected());
}

TEST_F(ComboEditor, ARefusedChoiceShowsWhatTheObjectsReallyHold)
{
    dkhost_test::SetPropertyFault(dkhost_test::EntityByHandle(L"31"), kVisible, false, E_FAIL, L"Frozen circle.");
    Open(CLSID_DkPePropertyEditorBool, {L"30", L"31"}, kVisible);
    dktest::MessageBoxCatcher boxes;
    Choose(1);
    EXPECT_EQ(0, Number(0, kVisible));
    EXPECT_EQ(-1, Number(1, kVisible)) << "refused";
    EXPECT_EQ((std::vector<std::wstring>{L"Yes", L"No", L"*VARIES*"}), Entries()) << "refilled";
    EXPECT_EQ(2, Selected());
    EXPECT_EQ(1u, boxes.Texts().size());
    m_host.Release();
    Open(CLSID_DkPePropertyEditorBool, {L"31"}, kVisible);
    dktest::MessageBoxCatcher single;
    Choose(1);
    EXPECT_EQ(1u, single.Texts().size());
}

// The palette drops the row while its refused choice's message is up: the key that
// committed the choice, in the combo's own window, ends without a crash, the write went on
// over the objects it was given, and the control goes with its windows.
TEST_F(ComboEditor, ARowDroppedUnderItsKeyedChoiceEndsTheWriteAndThenGoes)
{
    const int windowsBefore = dktest::CountThreadWindows();
    dkhost_test::SetPropertyFault(dkhost_test::EntityByHandle(L"30"), kVisible, false, E_FAIL, L"Frozen circle.");
    Open(CLSID_DkPePropertyEditorBool, {L"30", L"31"}, kVisible);
    dktest::MessageBoxCatcher boxes;
    boxes.WhileShown([this] { m_host.Release(); });
    dkhost_test::ClearJournal();
    ::SetFocus(Combo());
    Key(Combo(), VK_DOWN); // "Yes" to "No" on the closed list: a choice, not yet a change
    Key(Combo(), VK_RETURN);
    Pump(0);
    EXPECT_EQ((std::vector<std::wstring>{L"1 of the 2 selected objects did not take the new value:\n"
                                         L"Frozen circle."}),
              boxes.Texts());
    EXPECT_EQ(nullptr, m_host.Control());
    EXPECT_EQ(-1, Number(0, kVisible)) << "refused";
    EXPECT_EQ(0, Number(1, kVisible));
    EXPECT_EQ(1u, UndoGroups());
    EXPECT_EQ(1u, dktest::JournalMatching(L"undo group end").size());
    EXPECT_EQ(windowsBefore, dktest::CountThreadWindows());
}

// The palette deactivates and activates the row again while its refused choice's message
// is up: the combo whose key runs the write is not freed under it, and the choice is not
// written twice.
TEST_F(ComboEditor, AComboReplacedUnderItsOwnKeyStaysWholeUntilItIsDone)
{
    dkhost_test::SetPropertyFault(dkhost_test::EntityByHandle(L"30"), kVisible, false, E_FAIL, L"Frozen circle.");
    Open(CLSID_DkPePropertyEditorBool, {L"30", L"31"}, kVisible);
    HWND combo = Combo();
    dktest::MessageBoxCatcher boxes;
    boxes.WhileShown(
        [this]
        {
            auto inPlace = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IOleInPlaceObject>();
            inPlace->InPlaceDeactivate();
            m_host.Activate(OLEIVERB_UIACTIVATE);
        });
    dkhost_test::ClearJournal();
    ::SetFocus(combo);
    Key(combo, VK_DOWN);
    Key(combo, VK_RETURN);
    Pump(0);
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(0, Number(1, kVisible));
    EXPECT_EQ(1u, UndoGroups());
}

// The palette's sink, hearing a written value or a dialog's start, gives the row another
// identifier or none: the row tells only the identifier it holds while it tells it.
TEST_F(ComboEditor, AnIdentifierReplacedWhileItHearsAValueIsNotCalledFreed)
{
    class Swapping : public dkfw::ComImplements<IDkPiPropertyIdentifier>
    {
    public:
        IDkPiPropertyEditControl2* control = nullptr;
        bool takeAway = false;
        int heard = 0;
        STDMETHODIMP GetDisplayName(BSTR*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetDescription(BSTR*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetCategoryName(BSTR*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetDispId(DISPID*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetEditorClsid(CLSID*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetEditorConfig(VARIANT*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetFlags(ULONG*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP IsDynamic(BOOL*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetObjectCount(LONG*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetRowIndex(LONG*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetOwnerWindow(HWND*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetLastValue(VARIANT*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP GetLastText(BSTR*) noexcept override { return E_NOTIMPL; }
        STDMETHODIMP ResetNotifications() noexcept override { return S_OK; }
        STDMETHODIMP OnValueTextWritten(BSTR) noexcept override { return S_OK; }
        STDMETHODIMP OnValueWritten(VARIANT) noexcept override
        {
            ++heard;
            if (!control)
                return S_OK;
            IDkPiPropertyEditControl2* c = std::exchange(control, nullptr);
            if (takeAway)
                return c->PutPropertyIdentifier(nullptr);
            dkfw::ComObject<Swapping>* next = nullptr;
            dkfw::ComObject<Swapping>::Create(&next);
            c->PutPropertyIdentifier(next);
            next->Release();
            return S_OK;
        }
    };
    for (const bool dialog : {true, false})
    {
        SCOPED_TRACE(dialog ? "a dialog's start" : "a choice written");
        if (dialog)
        {
            const CLSID page = {0x1234abcd, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
            dkhost_test::SetPropertyPage(dkhost_test::EntityByHandle(L"40"), 100, page);
            ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorText, {L"40"}, 100));
        }
        else
            Open(CLSID_DkPePropertyEditorBool, {L"30"}, kVisible);
        dkfw::ComObject<Swapping>* first = nullptr;
        ASSERT_EQ(S_OK, dkfw::ComObject<Swapping>::Create(&first));
        first->control = m_host.Control();
        first->takeAway = !dialog;
        ASSERT_EQ(S_OK, m_host.Control()->PutPropertyIdentifier(first));
        first->Release(); // the row's reference only
        dktest::MessageBoxCatcher boxes;
        if (dialog)
            m_host.Control()->InvokeCommand(L"Contents", 0x8);
        else
            Choose(1);
        Pump(0);
        m_host.Release();
    }
}

TEST_F(ComboEditor, AReadOnlyRowNeverDropsDown)
{
    Open(CLSID_DkPePropertyEditorBool, {L"30"}, kVisible, true);
    EXPECT_TRUE(!Combo() || !::IsWindowVisible(Combo()));
    EXPECT_EQ(L"Yes", m_host.DrawnText(kRowHeight));
}

TEST_F(ComboEditor, TabCommitsAndIsPassedToThePalette)
{
    Open(CLSID_DkPePropertyEditorBool, {L"30"}, kVisible);
    ::SendMessageW(Combo(), CB_SETCURSEL, 1, 0);
    Key(Combo(), VK_TAB);
    Pump(0);
    EXPECT_EQ(0, Number(0, kVisible));
    ASSERT_FALSE(m_host.Events()->Events().empty());
    EXPECT_EQ(L"OnKeyDown", m_host.Events()->Events().back().name);
    EXPECT_EQ(VK_TAB, m_host.Events()->Events().back().arg1);

    // Shift and Ctrl with a letter reach the palette too (its shortcuts), the list closed.
    BYTE keys[256] = {};
    ASSERT_TRUE(::GetKeyboardState(keys));
    BYTE pressed[256];
    std::copy(std::begin(keys), std::end(keys), pressed);
    pressed[VK_SHIFT] = pressed[VK_CONTROL] = 0x80;
    ::SetKeyboardState(pressed);
    Key(Combo(), 'L');
    ::SetKeyboardState(keys);
    EXPECT_EQ(L"OnKeyDown", m_host.Events()->Events().back().name);
    EXPECT_EQ('L', m_host.Events()->Events().back().arg1);
    Key(Combo(), 'M');
    EXPECT_NE('M', m_host.Events()->Events().back().arg1) << "a plain letter stays in the list";

    // With the list open, Tab commits the entry chosen in it and closes the list.
    ::SendMessageW(Combo(), CB_SHOWDROPDOWN, TRUE, 0);
    ::SendMessageW(Combo(), CB_SETCURSEL, 0, 0);
    Key(Combo(), VK_TAB);
    Pump(0);
    EXPECT_EQ(-1, Number(0, kVisible));
    EXPECT_FALSE(::SendMessageW(Combo(), CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(VK_TAB, m_host.Events()->Events().back().arg1);
}

TEST_F(ComboEditor, TheVariesEntryLeavesWhenEveryObjectIsUnspecified)
{
    for (const wchar_t* h : {L"38", L"39"})
        dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(h), kClosed, true, false, nullptr);
    Open(CLSID_DkPePropertyEditorBool, {L"38", L"39"}, kClosed);
    EXPECT_EQ((std::vector<std::wstring>{L"Yes", L"No", L"*Unspecified*", L"*VARIES*"}), Entries());
    EXPECT_EQ(3, Selected());
    for (const wchar_t* h : {L"38", L"39"})
        dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(h), kClosed, true, true, nullptr);
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_EQ((std::vector<std::wstring>{L"Yes", L"No", L"*Unspecified*"}), Entries());
    EXPECT_EQ(2, Selected());

    // Objects that no longer take the unspecified state for this property (they still do for
    // another) lose its entry; varies moves up.
    for (const wchar_t* h : {L"38", L"39"})
        dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(h), kClosed, true, false, nullptr);
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_EQ((std::vector<std::wstring>{L"Yes", L"No", L"*Unspecified*", L"*VARIES*"}), Entries());
    for (const wchar_t* h : {L"38", L"39"})
    {
        dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(h), kVisible, true, false, nullptr);
        dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(h), kClosed, false, false, nullptr);
    }
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_EQ((std::vector<std::wstring>{L"Yes", L"No", L"*VARIES*"}), Entries());
    EXPECT_EQ(2, Selected());
}

TEST_F(ComboEditor, ACommandDrivingThePaletteShowsItsEntryBeforeWriting)
{
    const wchar_t* names[] = {L"Top left", L"Top centre", L"Top right"};
    const LONG unused[] = {0, 0, 0};
    dkhost_test::SetPredefined(dkhost_test::EntityByHandle(L"45"), kAttachment, names, unused, 3, true);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEnum, {L"45"}, kAttachment));
    EXPECT_EQ(nullptr, Combo()) << "an inactive row has no list yet";
    dkhost_test::SetCommandFlags(0x8000000);
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(L"Top centre");
    m_host.Control()->SetValue(&v, ValueSpecified);
    ::SysFreeString(v.bstrVal);
    ASSERT_NE(nullptr, Combo()) << "the list is made for the preset";
    EXPECT_FALSE(::IsWindowVisible(Combo()));
    EXPECT_EQ(1, Selected()) << "the entry whose text collates equal";
    VARIANT index = I4(2);
    m_host.Control()->SetValue(&index, ValueSpecified);
    EXPECT_EQ(2, Selected()) << "an integer is the entry's index";
    dkhost_test::SetCommandFlags(0);
}

TEST_F(ComboEditor, ChoicesFromBrowsingTakeTheirValuesFromTheTypeWhenTheObjectHasNone)
{
    const wchar_t* names[] = {L"Top left", L"Top centre", L"Top right", L"Middle left", L"Middle centre"};
    const LONG unused[] = {0, 0, 0, 0, 0};
    for (const wchar_t* h : {L"45", L"46"})
        dkhost_test::SetPredefined(dkhost_test::EntityByHandle(h), kAttachment, names, unused, 5, true);
    Open(CLSID_DkPePropertyEditorEnum, {L"45"}, kAttachment);
    EXPECT_EQ((std::vector<std::wstring>{L"Top left", L"Top centre", L"Top right", L"Middle left", L"Middle centre"}),
              Entries());
    EXPECT_EQ(0, Selected());
    Choose(4);
    EXPECT_EQ(5, Number(0, kAttachment)) << "the fifth constant of the enumeration";
    m_host.Release();

    // The yes/no editor takes the first two predefined strings as its texts.
    const wchar_t* shown[] = {L"Shown", L"Hidden"};
    dkhost_test::SetPredefined(dkhost_test::EntityByHandle(L"30"), kVisible, shown, unused, 2, true);
    Open(CLSID_DkPePropertyEditorBool, {L"30"}, kVisible);
    EXPECT_EQ((std::vector<std::wstring>{L"Shown", L"Hidden"}), Entries());
}

TEST_F(ComboEditor, DynamicChoicesMatchFloatsWithinAMillionthAndWideIntegersByTheirLowPart)
{
    VARIANT wide[3];
    for (int i = 0; i < 3; ++i)
    {
        wide[i].vt = VT_I8;
        wide[i].llVal = (static_cast<LONGLONG>(7) << 32) | (i * 5);
    }
    IUnknown* finish = Dynamic(L"Finish", VT_I4, {L"Matte", L"Satin", L"Gloss"}, {wide[0], wide[1], wide[2]});
    SetDynamicValue(finish, L"30", I4(5));
    OpenDynamic(CLSID_DkPePropertyEditorEnum, finish, {L"30"});
    EXPECT_EQ(L"Satin", m_host.DrawnText(kRowHeight));
    m_host.Release();

    VARIANT tenth;
    tenth.vt = VT_R4;
    tenth.fltVal = 0.1f;
    VARIANT half;
    half.vt = VT_R4;
    half.fltVal = 0.5f;
    IUnknown* level = Dynamic(L"Level", VT_R8, {L"Low", L"High"}, {tenth, half});
    for (const auto& [value, shown] : {std::pair{0.1000005, L"Low"}, std::pair{0.100002, L""}})
    {
        VARIANT v;
        v.vt = VT_R8;
        v.dblVal = value;
        SetDynamicValue(level, L"30", v);
        OpenDynamic(CLSID_DkPePropertyEditorEnum, level, {L"30"});
        EXPECT_EQ(shown, m_host.DrawnText(kRowHeight)) << value;
        m_host.Release();
    }

    // Three choices are no yes/no pair: the editor keeps its own texts.
    IUnknown* three = Dynamic(L"Three", VT_BOOL, {L"One", L"Two", L"Three"}, {I4(0), I4(1), I4(2)});
    OpenDynamic(CLSID_DkPePropertyEditorBool, three, {L"30"});
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ((std::vector<std::wstring>{L"Yes", L"No"}), Entries());
}

TEST_F(ComboEditor, TheUnspecifiedEntryFollowsTheChoicesAndWritesTheState)
{
    for (const wchar_t* h : {L"45", L"46"})
        dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(h), kAttachment, true, false, nullptr);
    Open(CLSID_DkPePropertyEditorEnum, {L"46"}, kAttachment);
    auto entries = Entries();
    ASSERT_EQ(10u, entries.size());
    EXPECT_EQ(L"*Unspecified*", entries[9]);
    dkhost_test::ClearJournal();
    dktest::MessageBoxCatcher boxes;
    Choose(9);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(1u, UndoGroups());
    EXPECT_EQ(9, Number(0, kAttachment)) << "the unspecified state, not the number -1000";
    EXPECT_EQ(9, Selected());
}
TEST_F(ComboEditor, OnlyEntriesTooLongForTheListGetATipOnTheGreyBands)
{
    const wchar_t* longName = L"A finish whose name is far too long for the row to show it whole";
    IUnknown* finish = Dynamic(L"Finish", VT_I4, {L"Matte", longName}, {I4(0), I4(1)});
    SetDynamicValue(finish, L"30", I4(0));
    OpenDynamic(CLSID_DkPePropertyEditorEnum, finish, {L"30"});
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_NE(nullptr, Combo());
    ::SendMessageW(Combo(), CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{sizeof(info)};
    ASSERT_TRUE(::GetComboBoxInfo(Combo(), &info));
    HWND list = info.hwndList;
    ASSERT_NE(nullptr, list);

    // The long entry's width as the control measures text: its own DC and font.
    int width = 0;
    {
        dkfw::ComPtr<IUnknown> fontUnknown;
        m_host.Control()->get_Font(fontUnknown.Put());
        HFONT hfont = nullptr;
        fontUnknown.Query<IFont>()->get_hFont(&hfont);
        dkfw::WindowDc dc(Control());
        dkfw::SelectObjectScope select(dc.Get(), hfont);
        RECT r{0, 0, 2000, 100};
        ::DrawTextW(dc.Get(), longName, -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP | DT_EXTERNALLEADING);
        width = r.right - r.left;
    }
    auto hover = [&](int index)
    {
        RECT entry{};
        ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&entry));
        POINT pt{entry.left + 5, (entry.top + entry.bottom) / 2};
        POINT screen = pt;
        ::ClientToScreen(list, &screen);
        ::SetCursorPos(screen.x, screen.y);
        ::SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
        Pump(450);
        for (HWND w = ::FindWindowExW(nullptr, nullptr, L"DkPeTextTip", nullptr); w;
             w = ::FindWindowExW(nullptr, w, L"DkPeTextTip", nullptr))
            if (::IsWindowVisible(w))
                return w;
        return HWND{};
    };
    EXPECT_EQ(nullptr, hover(0)) << "Matte fits";
    HWND tip = hover(1);
    ASSERT_NE(nullptr, tip);
    RECT r{};
    ::GetWindowRect(tip, &r);
    EXPECT_EQ(width + 5, r.right - r.left);

    // Inside its frame, right of the text, the tip shows the 64 bands from 255 to 218.
    RECT client{};
    ::GetClientRect(tip, &client);
    const int height = client.bottom;
    dkfw::WindowDc dc(tip);
    for (int y = 1; y < height - 1; ++y)
    {
        int band = 0;
        while (band < 63 && (band + 1) * height / 64 <= y)
            ++band;
        const int grey = (16320 - 37 * band) / 64;
        EXPECT_EQ(RGB(grey, grey, grey), ::GetPixel(dc.Get(), client.right - 2, y)) << "row " << y;
    }
    ::SendMessageW(Combo(), CB_SHOWDROPDOWN, FALSE, 0);
}
TEST_F(ComboEditor, ObjectsWithAPropertyPageGetASquareDialogButtonAtTheRowsEnd)
{
    Open(CLSID_DkPePropertyEditorBool, {L"31"}, kVisible);
    EXPECT_EQ(nullptr, Edit(1039)) << "no dialog, no button";
    m_host.Release();

    const CLSID page = {0x3A1C5E60, 0x1D2B, 0x4C3A, {0x9F, 0x10, 0, 0, 0, 0, 0x0E, 0x01}};
    // The button shows where the object maps a page at all (asked with the dynamic
    // property's id); the page opened is the row property's.
    dkhost_test::SetPropertyPage(dkhost_test::EntityByHandle(L"30"), kDynamic, page);
    dkhost_test::SetPropertyPage(dkhost_test::EntityByHandle(L"30"), kVisible, page);
    Open(CLSID_DkPePropertyEditorBool, {L"30", L"31"}, kVisible);
    HWND button = Edit(1039);
    ASSERT_NE(nullptr, button);
    EXPECT_TRUE(::IsWindowVisible(button));
    RECT b{};
    RECT control{};
    RECT combo{};
    ::GetWindowRect(button, &b);
    ::GetWindowRect(Control(), &control);
    ::GetWindowRect(Combo(), &combo);
    const int h = control.bottom - control.top;
    EXPECT_EQ(h, b.right - b.left);
    EXPECT_EQ(h, b.bottom - b.top);
    EXPECT_EQ(control.right, b.right);
    EXPECT_LE(combo.right, b.left) << "the list stops before the button";

    // The button opens the object's page through the host (here a page nobody registered).
    {
        dktest::MessageBoxCatcher boxes;
        ::SendMessageW(button, BM_CLICK, 0, 0);
        Pump(0);
        ASSERT_EQ(1u, boxes.Texts().size());
        EXPECT_NE(std::wstring::npos, boxes.Texts()[0].find(L"is not registered")) << "the page was asked for";
    }
    EXPECT_EQ(L"OnEndPropertyUpdate", m_host.Events()->Events().back().name);
    EXPECT_TRUE(::IsWindowVisible(Combo())) << "the row is active again";
    ASSERT_EQ(S_OK, m_host.Deactivate());
    EXPECT_FALSE(::IsWindowVisible(button));
}
TEST_F(ComboEditor, FiveHundredRowsLeaveNoWindowOrGdiObjectBehind)
{
    Open(CLSID_DkPePropertyEditorEnum, {L"46"}, kAttachment);
    m_host.Release();
    Pump(0);
    const Resources before = CountResources();
    for (int i = 0; i < 500; ++i)
    {
        if (i % 2)
            Open(CLSID_DkPePropertyEditorBool, {L"38", L"39"}, kClosed);
        else
            Open(CLSID_DkPePropertyEditorEnum, {L"46", L"45"}, kAttachment);
        ASSERT_NE(nullptr, Combo());
        ::SendMessageW(Combo(), CB_SHOWDROPDOWN, TRUE, 0);
        ::SendMessageW(Combo(), CB_SHOWDROPDOWN, FALSE, 0);
        m_host.Release();
    }
    Pump(0);
    ExpectSameResources(before, CountResources());
}

// The open row follows what the palette does to it: hiding and showing, a new font, the
// property turning read-only.
TEST_F(ComboEditor, TheOpenRowFollowsThePalette)
{
    Open(CLSID_DkPePropertyEditorBool, {L"30"}, kVisible);
    HWND combo = Combo();
    ASSERT_NE(nullptr, combo);
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_HIDE));
    EXPECT_FALSE(::IsWindowVisible(combo));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_SHOW));
    EXPECT_TRUE(::IsWindowVisible(Control()));
    EXPECT_FALSE(::IsWindowVisible(combo)) << "shown as a row, not yet active";
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(::IsWindowVisible(combo));

    auto font = dkpal::MakeFont(L"Tahoma", 14);
    ASSERT_TRUE(font);
    ASSERT_EQ(S_OK, m_host.Control()->put_Font(font.Get()));
    HFONT handle = nullptr;
    font.Query<IFont>()->get_hFont(&handle);
    EXPECT_EQ(reinterpret_cast<WPARAM>(handle), static_cast<WPARAM>(::SendMessageW(combo, WM_GETFONT, 0, 0)));

    dkhost_test::SetEditable(dkhost_test::EntityByHandle(L"30"), kVisible, false);
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_FALSE(::IsWindowVisible(combo)) << "a read-only property gives up its list";
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_FALSE(::IsWindowVisible(combo));
    EXPECT_EQ(L"Yes", m_host.DrawnText(kRowHeight));
}

// A host library's drop-down of pictured entries built on the component's owner-drawn combo.
TEST_F(ComboEditor, PicturedEntriesShowTheirPictureAndAreDeletedWithTheList)
{
    constexpr DISPID kTextString = 100;
    ASSERT_EQ(S_OK, dkhost_test::RegisterControlClass(kTestPictureComboClsid, kTestPictureComboProgId, L"Test combo",
                                                      (dktest::BinDir() + L"DkPeTestEditors.dll").c_str(),
                                                      &LIBID_DKPEXCTLLib));
    HMODULE editors = ::LoadLibraryW((dktest::BinDir() + L"DkPeTestEditors.dll").c_str());
    auto deleted = reinterpret_cast<TestItemsDeletedFn>(::GetProcAddress(editors, "TestItemsDeleted"));
    ASSERT_NE(nullptr, deleted);
    const int deletedBefore = deleted();

    Open(kTestPictureComboClsid, {L"40"}, kTextString);
    ASSERT_NE(nullptr, Combo());
    EXPECT_EQ((std::vector<std::wstring>{L"Hall", L"Porch", L"None", L"Study"}), Entries());
    Choose(1);
    EXPECT_EQ(L"Porch", Property(0, kTextString));

    // The open list's first entry carries the expression button's picture in its corner.
    ::SendMessageW(Combo(), CB_SHOWDROPDOWN, TRUE, 0);
    Pump(0);
    COMBOBOXINFO info{sizeof(info)};
    ASSERT_TRUE(::GetComboBoxInfo(Combo(), &info));
    RECT entry{};
    ::SendMessageW(info.hwndList, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&entry));
    // How many pixels of the picture's 14 x 14 corner, without its outer pixel (a frame may
    // lie over it), a window shows with the picture at (x0, y0).
    auto shows = [](HWND window, UINT id, int x0, int y0)
    {
        dkfw::UniqueHbitmap picture(static_cast<HBITMAP>(
            ::LoadImageW(dktest::ResourceLibrary(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
        EXPECT_TRUE(picture);
        HDC memory = ::CreateCompatibleDC(nullptr);
        const HGDIOBJ old = ::SelectObject(memory, picture.Get());
        dkfw::WindowDc dc(window);
        int same = 0;
        for (int y = 1; y < 13; ++y)
            for (int x = 1; x < 13; ++x)
                same += ::GetPixel(memory, x, y) == ::GetPixel(dc.Get(), x0 + x, y0 + y);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
        return same;
    };
    EXPECT_EQ(12 * 12, shows(info.hwndList, 173, entry.left, entry.top));
    // An entry that is not selected lies on the list's own colour: the grey bands are the
    // tips' alone.
    RECT blank{};
    ::SendMessageW(info.hwndList, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&blank));
    {
        dkfw::WindowDc dc(info.hwndList);
        EXPECT_EQ(::GetSysColor(COLOR_WINDOW), ::GetPixel(dc.Get(), blank.right - 3, blank.bottom - 2));
    }
    ::SendMessageW(Combo(), CB_SHOWDROPDOWN, FALSE, 0);
    Pump(0);

    // The closed list's face in the themed look shows the entry's picture where the face's
    // entry starts, inside the face's frame.
    ASSERT_TRUE(dkuiIsThemed());
    ::RedrawWindow(Combo(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    int found = 0;
    for (int at = 0; at <= 3; ++at)
        found += shows(Combo(), 174, at, at) == 12 * 12;
    EXPECT_EQ(1, found);

    // Each entry's data goes with the list: the counted one once per filling.
    m_host.Release();
    Pump(0);
    EXPECT_EQ(deletedBefore + 1, deleted());
    dkhost_test::UnregisterControlClass(kTestPictureComboClsid, kTestPictureComboProgId);
}
} // namespace

namespace
{
// An entry of an owner-drawn list that has no item of its own: its tip shows its text
// centred, as the owner-drawn list's entries are.
TEST(OwnerDrawnList, AnEntryWithoutAnItemIsCentredInItsTip)
{
    dkfw::UniqueHwnd parent(
        ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(parent);
    CPeComboCustom combo(nullptr);
    ASSERT_TRUE(combo.CreateCombo(CPropComboBox::kStyle, RECT{0, 0, 200, 20}, parent.Get(), 1002));
    ASSERT_EQ(0, ::SendMessageW(combo.Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Attic")));
    constexpr int kWidth = 200;
    constexpr int kHeight = 20;
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB}};
    void* bits = nullptr;
    dkfw::UniqueHbitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap);
    HDC dc = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, bitmap.Get());
    ::SetBkMode(dc, TRANSPARENT);
    combo.DrawTipEntry(dc, RECT{0, 0, kWidth, kHeight}, 0);
    const COLORREF back = ::GetPixel(dc, 0, 0);
    int left = kWidth;
    int right = -1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (::GetPixel(dc, x, y) != back)
            {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ASSERT_LT(left, right) << "the text is drawn";
    EXPECT_NEAR(left, kWidth - 1 - right, 3) << "as far from the left as from the right";
}
} // namespace

namespace
{
constexpr DISPID kDirection = 105;

LONG Direction(IDispatch* d)
{
    DISPPARAMS none{};
    dkfw::UniqueVariant v;
    d->Invoke(kDirection, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
    return v.Type() == VT_I4 ? v.Get().lVal : -1;
}

// A multiline text's direction: three entries writing 1, 3 and 5; the other horizontal and
// vertical values show their kind's entry; differing directions show the varies entry last,
// which writes nothing; the unspecified entry before it.
TEST_F(ComboEditor, TheDirectionOfAMultilineText)
{
    const std::vector<std::wstring> fixed = {L"Left to right", L"Top to bottom", L"By style"};
    Open(CLSID_DkPePropertyEditorMTextDir, {L"45"}, kDirection);
    EXPECT_EQ(fixed, Entries());
    EXPECT_EQ(0, Selected());
    const LONG written[] = {3, 5, 1};
    for (int i = 0; i < 3; ++i)
    {
        Choose((i + 1) % 3);
        EXPECT_EQ(written[i], Direction(m_objects[0].Get()));
    }
    for (const auto& [value, entry] : {std::pair{2, 0}, std::pair{4, 1}, std::pair{5, 2}})
    {
        VARIANT v;
        v.vt = VT_I4;
        v.lVal = value;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&v, &named, 1, 1};
        ASSERT_EQ(S_OK, m_objects[0]->Invoke(kDirection, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                             nullptr));
        ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
        EXPECT_EQ(entry, Selected()) << value;
    }
    Choose(2);
    Choose(1);
    EXPECT_EQ(3, Direction(m_objects[0].Get())) << "the vertical entry writes 3";
    m_host.Release();

    for (const wchar_t* h : {L"45", L"46"})
        dkhost_test::SetUnspecified(dkhost_test::EntityByHandle(h), kDirection, true, false, nullptr);
    Open(CLSID_DkPePropertyEditorMTextDir, {L"45", L"46"}, kDirection);
    auto expected = fixed;
    expected.insert(expected.end(), {L"*Unspecified*", L"*VARIES*"});
    EXPECT_EQ(expected, Entries());
    EXPECT_EQ(4, Selected());
    const int depth = dkhost_test::UndoDepth();
    Choose(4);
    EXPECT_EQ(depth, dkhost_test::UndoDepth());
    Choose(3);
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth()) << "the unspecified entry writes";
}
} // namespace

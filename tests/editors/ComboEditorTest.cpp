// The drop-down editors over real objects through the palette's container: closing the
// list on an entry, Escape and Tab, refused choices, read-only rows, the choices of each
// origin with their special entries and value matching, and the list's text tips.
#include "MessageBoxCatcher.h"
#include "PaletteFixture.h"
#include "TestSupport.h"

#include "DkPEXCtl.h"

namespace
{
using dktest::PaletteFixture;

constexpr DISPID kVisible = 9;
constexpr DISPID kClosed = 101;
constexpr DISPID kAttachment = 104;
constexpr DISPID kDynamic = -23;
constexpr int kRowHeight = 20;

class ComboEditor : public PaletteFixture
{
protected:
    void TearDown() override
    {
        m_host.Release();
        m_dynamic.clear();
        PaletteFixture::TearDown();
    }

    HWND Combo() const { return Edit(1002); }

    void Open(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid, bool readOnly = false)
    {
        ASSERT_EQ(S_OK, Row(clsid, handles, dispid, readOnly));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    }

    // A row of a dynamic property over circles.
    void OpenDynamic(const CLSID& clsid, IUnknown* property, std::vector<const wchar_t*> handles)
    {
        dkpal::Selection selection;
        m_objects.clear();
        for (const wchar_t* h : handles)
        {
            dkfw::ComPtr<IDispatch> d;
            dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(h), d.Put());
            selection.objects.push_back(d.Get());
            selection.dynProps.push_back(property);
            selection.dispids.push_back(kDynamic);
            m_objects.push_back(d);
        }
        ASSERT_EQ(S_OK, m_host.Create(clsid, m_palette.Get(), m_frame, kRow, m_ambient));
        ASSERT_EQ(S_OK, m_host.Init(selection, false));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_INPLACEACTIVATE));
        Pump(0);
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

    // The user closes the open list on entry index.
    void Choose(int index)
    {
        ::SendMessageW(Combo(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(Control(), WM_COMMAND, MAKEWPARAM(1002, CBN_SELENDOK), reinterpret_cast<LPARAM>(Combo()));
        Pump(0);
    }

    // The user moves to entry index and closes the list with Escape.
    void ChooseAndCancel(int index)
    {
        ::SendMessageW(Combo(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(Control(), WM_COMMAND, MAKEWPARAM(1002, CBN_SELENDCANCEL), reinterpret_cast<LPARAM>(Combo()));
        Pump(0);
    }

    std::vector<std::wstring> Entries() const
    {
        std::vector<std::wstring> out;
        const int n = static_cast<int>(::SendMessageW(Combo(), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i)
        {
            wchar_t buf[256] = {};
            ::SendMessageW(Combo(), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
            out.emplace_back(buf);
        }
        return out;
    }
    int Selected() const { return static_cast<int>(::SendMessageW(Combo(), CB_GETCURSEL, 0, 0)); }

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

    // The enumeration of the type description, in its order, and varies last.
    Open(CLSID_DkPePropertyEditorEnum, {L"45", L"46"}, kAttachment);
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
    Open(CLSID_DkPePropertyEditorEnum, {L"45"}, kAttachment);
    auto entries = Entries();
    ASSERT_EQ(10u, entries.size());
    EXPECT_EQ(L"*Unspecified*", entries[9]);
    dkhost_test::ClearJournal();
    dktest::MessageBoxCatcher boxes;
    Choose(9);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(1u, UndoGroups());
    EXPECT_EQ(1, Number(0, kAttachment)) << "the unspecified state, not the number -1000";
    EXPECT_EQ(9, Selected());
}
} // namespace

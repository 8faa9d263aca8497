// Writing a value to the selection as one undoable change: failures and their messages,
// skipped objects, the host's notifications, the drag refusal, a change the host takes
// back, dialogs and highlights.
#include "EditorFixture.h"

#include <cmath>

namespace
{
using dktest::EditorTest;
using dktest::MessageBoxCatcher;

constexpr DISPID kColor = 1;
constexpr DISPID kRadius = 101;

class Transaction : public EditorTest
{
protected:
    void Circles(int n, const wchar_t* layer = nullptr)
    {
        for (int i = 0; i < n; ++i)
        {
            Add(L"Circle");
            Put(m_objects.back().Get(), kRadius, R8(1));
        }
        if (layer)
            for (auto& o : m_objects)
            {
                VARIANT v;
                v.vt = VT_BSTR;
                v.bstrVal = ::SysAllocString(layer);
                Put(o.Get(), 2, v);
                ::SysFreeString(v.bstrVal);
            }
        dkhost_test::ClearJournal();
    }
    void Refuse(size_t i, SCODE code, const wchar_t* description)
    {
        dkhost_test::SetPropertyFault(m_ids[i], kRadius, false, code, description);
    }
    HRESULT Write(double radius)
    {
        VARIANT v = R8(radius);
        return m_editor.SetPropertyValue(&v, ValueSpecified);
    }
    std::vector<std::wstring> Matching(const wchar_t* what) { return dktest::JournalMatching(what); }
};

TEST_F(Transaction, SecondOfThreeFailsWithOneMessage)
{
    Circles(3);
    Refuse(1, static_cast<SCODE>(0x80201001), L"Radius is locked by a constraint.");
    ASSERT_EQ(S_OK, Select(kRadius));
    MessageBoxCatcher boxes;
    EXPECT_EQ(S_OK, Write(2.5));
    EXPECT_EQ((std::vector<std::wstring>{L"1 of the 3 selected objects did not take the new value:\n"
                                         L"Radius is locked by a constraint."}),
              boxes.Texts());
    EXPECT_EQ(1, m_editor.Failed());
    EXPECT_DOUBLE_EQ(2.5, Real(0, kRadius));
    EXPECT_DOUBLE_EQ(1.0, Real(1, kRadius));
    EXPECT_DOUBLE_EQ(2.5, Real(2, kRadius));
    EXPECT_EQ(1u, Matching(L"undo group begin").size());
    EXPECT_EQ(2, dkhost_test::EntityUpdates(m_ids[0]) + dkhost_test::EntityUpdates(m_ids[2]));

    EXPECT_EQ(1, dkhost_test::Undo(1));
    EXPECT_DOUBLE_EQ(1.0, Real(0, kRadius));
    EXPECT_DOUBLE_EQ(1.0, Real(2, kRadius));
}

// Hearing the write begin, the palette hands the row another selection and lets the old
// objects go: the write goes on over the objects it was given, alive until it is done.
TEST_F(Transaction, ASelectionHandedOverDuringTheWriteStaysAliveUntilTheWriteIsDone)
{
    Circles(4);
    dkfw::ComPtr<IDispatch> fourth = m_objects[3];
    m_objects[3].Reset();
    std::vector<IDispatch*> three{m_objects[0].Get(), m_objects[1].Get(), m_objects[2].Get()};
    auto objs = dktest::MakeArray(VT_DISPATCH, three);
    auto dyn = dktest::MakeArray(VT_UNKNOWN, std::vector<IUnknown*>(3, nullptr));
    auto ids = dktest::MakeArray(VT_I4, std::vector<LONG>(3, kRadius));
    ASSERT_EQ(S_OK, m_editor.Handle_InitEditControl(objs.Addr(), dyn.Addr(), ids.Addr(), 0));
    std::vector<ULONG> refsDuring;
    m_events.onBegin = [&]
    {
        auto other = dktest::MakeArray(VT_DISPATCH, std::vector<IDispatch*>{fourth.Get()});
        auto otherDyn = dktest::MakeArray(VT_UNKNOWN, std::vector<IUnknown*>{nullptr});
        auto otherIds = dktest::MakeArray(VT_I4, std::vector<LONG>{kRadius});
        EXPECT_EQ(S_OK, m_editor.Handle_InitEditControl(other.Addr(), otherDyn.Addr(), otherIds.Addr(), 0));
        objs.Reset();
        for (int i = 0; i < 3; ++i)
        {
            m_objects[static_cast<size_t>(i)].Reset();
            refsDuring.push_back(dkhost_test::PaletteObjectRefs(m_ids[static_cast<size_t>(i)]));
        }
    };
    EXPECT_EQ(S_OK, Write(2.5));
    m_events.onBegin = nullptr;
    EXPECT_EQ((std::vector<ULONG>{2, 2, 2}), refsDuring) << "the write's own reference and the host's";
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(1u, dkhost_test::PaletteObjectRefs(m_ids[i])) << "given back when the write was done";
        ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(m_ids[i], m_objects[i].Put()));
        EXPECT_DOUBLE_EQ(2.5, Real(i, kRadius));
    }
    m_objects[3] = fourth;
    EXPECT_DOUBLE_EQ(1.0, Real(3, kRadius)) << "the new selection was not part of the write";
    EXPECT_EQ(1, m_editor.Count());
}

// The drawing's undo group is taken at its word: a refused begin writes nothing and says so
// (written without it, the change would land as one undo step per object, and its end would
// close a group a running command had opened); a refused end is told, the values stand.
TEST_F(Transaction, TheUndoGroupsAnswersAreHeeded)
{
    Circles(2);
    ASSERT_EQ(S_OK, Select(kRadius));
    const int depth = dkhost_test::UndoDepth();
    {
        dkhost_test::SetUndoGroupFault(true, false);
        MessageBoxCatcher boxes;
        EXPECT_EQ(E_FAIL, Write(4));
        dkhost_test::SetUndoGroupFault(false, false);
        EXPECT_EQ(1u, boxes.Texts().size());
        EXPECT_DOUBLE_EQ(1.0, Real(0, kRadius));
        EXPECT_DOUBLE_EQ(1.0, Real(1, kRadius));
        EXPECT_TRUE(Matching(L"undo group end").empty()) << "no end for a group never begun";
        EXPECT_EQ(depth, dkhost_test::UndoDepth());
        EXPECT_EQ(1u, Matching(L"modeless end OPM_CHGPROP").size()) << "the host's change is still closed";
    }
    dkhost_test::ClearJournal();
    {
        dkhost_test::SetUndoGroupFault(false, true);
        MessageBoxCatcher boxes;
        EXPECT_EQ(S_OK, Write(5));
        dkhost_test::SetUndoGroupFault(false, false);
        EXPECT_EQ(1u, boxes.Texts().size()) << "the refused end is told";
        EXPECT_DOUBLE_EQ(5.0, Real(0, kRadius));
        EXPECT_DOUBLE_EQ(5.0, Real(1, kRadius));
        EXPECT_EQ(1u, Matching(L"undo group end refused").size());
    }
}

// However many objects refuse, the user hears of them once, when the write is done: how
// many of the selection, and up to five different reasons in the order met.
TEST_F(Transaction, RefusalsAreToldOnceWithUpToFiveReasons)
{
    Circles(6);
    for (size_t i = 0; i < 6; ++i)
        Refuse(i, static_cast<SCODE>(0x80201000 + i), (L"refused " + std::to_wstring(i)).c_str());
    ASSERT_EQ(S_OK, Select(kRadius));
    {
        MessageBoxCatcher boxes;
        EXPECT_EQ(DISP_E_EXCEPTION, Write(3)) << "every object failed: the last failure";
        EXPECT_EQ((std::vector<std::wstring>{L"6 of the 6 selected objects did not take the new value:\n"
                                             L"refused 0\nrefused 1\nrefused 2\nrefused 3\nrefused 4"}),
                  boxes.Texts());
        EXPECT_EQ(6, m_editor.Failed());
    }

    m_editor.Cleanup();
    m_objects.resize(3);
    m_ids.resize(3);
    for (size_t i = 0; i < 2; ++i)
        Refuse(i, static_cast<SCODE>(0x80201777), L"same reason");
    dkhost_test::SetPropertyFault(m_ids[2], kRadius, false, 0, nullptr);
    ASSERT_EQ(S_OK, Select(kRadius));
    MessageBoxCatcher boxes;
    EXPECT_EQ(S_OK, Write(3));
    EXPECT_EQ((std::vector<std::wstring>{L"2 of the 3 selected objects did not take the new value:\nsame reason"}),
              boxes.Texts());
    EXPECT_EQ(2, m_editor.Failed());
}

// Objects that fail without a word of their own are still counted and told, with the
// system's text for the failure, or what the drawing knows (the object is gone); the change
// stays one undo step, which takes back the values written and the erase a reactor did.
TEST_F(Transaction, SilentFailuresAreToldAndTheChangeStaysOneStep)
{
    Circles(4);
    Refuse(0, E_ACCESSDENIED, nullptr);
    dkhost_test::EraseWhenWritten(m_ids[1], m_ids[2]);
    dkhost_test::SetUpdateResult(m_ids[3], E_OUTOFMEMORY);
    ASSERT_EQ(S_OK, Select(kRadius));
    const int depth = dkhost_test::UndoDepth();
    MessageBoxCatcher boxes;
    EXPECT_EQ(S_OK, Write(7)) << "the second object took the value";
    ASSERT_EQ(1u, boxes.Texts().size());
    const std::wstring& text = boxes.Texts()[0];
    EXPECT_EQ(0u, text.find(L"3 of the 4 selected objects did not take the new value:\n")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L"The object has been erased.")) << text;
    EXPECT_EQ(4u, static_cast<size_t>(std::count(text.begin(), text.end(), L'\n') + 1)) << text;
    EXPECT_EQ(3, m_editor.Failed());
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    EXPECT_EQ(1u, Matching(L"undo group end").size());
    EXPECT_DOUBLE_EQ(7.0, Real(1, kRadius));

    EXPECT_EQ(1, dkhost_test::Undo(1));
    EXPECT_DOUBLE_EQ(1.0, Real(1, kRadius));
    EXPECT_DOUBLE_EQ(1.0, Real(3, kRadius));
    EXPECT_DOUBLE_EQ(1.0, Real(2, kRadius)) << "the erased circle is back";
    dkhost_test::EraseWhenWritten(m_ids[1], 0);
}

TEST_F(Transaction, LockedLayerObjectsAreSkippedInAStillBracketedChange)
{
    Circles(2, L"Existing"); // the sample's locked layer
    dkhost_test::SetLayerState(L"Existing", false, false, false);
    for (auto& o : m_objects)
    {
        VARIANT l;
        l.vt = VT_BSTR;
        l.bstrVal = ::SysAllocString(L"Existing");
        Put(o.Get(), 2, l);
        ::SysFreeString(l.bstrVal);
    }
    dkhost_test::SetLayerState(L"Existing", false, false, true);
    dkhost_test::ClearJournal();
    ASSERT_EQ(S_OK, Select(kRadius));
    EXPECT_EQ(S_OK, Write(9));
    EXPECT_DOUBLE_EQ(1.0, Real(0, kRadius));
    EXPECT_DOUBLE_EQ(1.0, Real(1, kRadius));
    EXPECT_EQ((std::vector<std::wstring>{L"modeless start OPM_CHGPROP", L"undo group begin \"Property change\"",
                                         L"undo group end", L"modeless end OPM_CHGPROP", L"progress meter off",
                                         L"command prompt", L"modeless end OPM_CHGSELECTION"}),
              dktest::Journal());
    EXPECT_EQ((std::vector<std::string>{"BeginPropertyUpdate", "EndPropertyUpdate"}), m_events.fired);

    // Told with a refusal, the skipped objects count among those left unchanged.
    Add(L"Circle");
    Refuse(2, static_cast<SCODE>(0x80201001), L"Radius is locked by a constraint.");
    m_editor.Cleanup();
    ASSERT_EQ(S_OK, Select(kRadius));
    MessageBoxCatcher boxes;
    EXPECT_EQ(DISP_E_EXCEPTION, Write(9));
    EXPECT_EQ((std::vector<std::wstring>{L"3 of the 3 selected objects did not take the new value:\n"
                                         L"Radius is locked by a constraint.\n"
                                         L"Objects on a locked layer, or outside the reference being edited, were "
                                         L"left as they are."}),
              boxes.Texts());
}

TEST_F(Transaction, RefusedKindsAndDragsTouchNothing)
{
    Circles(2);
    ASSERT_EQ(S_OK, Select(kRadius));
    VARIANT v = R8(4);
    EXPECT_EQ(E_INVALIDARG, m_editor.SetPropertyValue(&v, ValueVaries));
    EXPECT_EQ(E_POINTER, m_editor.SetPropertyValue(nullptr, ValueSpecified));
    // No NaN or infinity is handed on, alone or in a point.
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL})
    {
        VARIANT n = R8(bad);
        EXPECT_EQ(E_INVALIDARG, m_editor.SetPropertyValue(&n, ValueSpecified)) << bad;
        dkfw::UniqueVariant point;
        point.Addr()->vt = VT_ARRAY | VT_R8;
        point.Addr()->parray = ::SafeArrayCreateVector(VT_R8, 0, 3);
        double* xyz = nullptr;
        ::SafeArrayAccessData(point.Get().parray, reinterpret_cast<void**>(&xyz));
        xyz[0] = 1;
        xyz[1] = bad;
        xyz[2] = 0;
        ::SafeArrayUnaccessData(point.Get().parray);
        EXPECT_EQ(E_INVALIDARG, m_editor.SetPropertyValue(point.Addr(), ValueSpecified)) << bad;
        VARIANT byRef;
        byRef.vt = VT_BYREF | VT_R8;
        byRef.pdblVal = &bad;
        EXPECT_EQ(E_INVALIDARG, m_editor.SetPropertyValue(&byRef, ValueSpecified)) << bad;
        dkfw::UniqueVariant variants;
        variants.Addr()->vt = VT_ARRAY | VT_VARIANT;
        variants.Addr()->parray = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
        VARIANT* items = nullptr;
        ::SafeArrayAccessData(variants.Get().parray, reinterpret_cast<void**>(&items));
        items[0] = R8(1);
        items[1] = R8(bad);
        ::SafeArrayUnaccessData(variants.Get().parray);
        EXPECT_EQ(E_INVALIDARG, m_editor.SetPropertyValue(variants.Addr(), ValueSpecified)) << bad;
    }
    EXPECT_DOUBLE_EQ(1.0, Real(0, kRadius));
    EXPECT_TRUE(m_events.fired.empty());
    EXPECT_TRUE(dktest::Journal().empty());

    dkhost_test::SetDragging(true);
    dkhost_test::PushAnswer(L"ok");
    EXPECT_EQ(E_FAIL, Write(4));
    EXPECT_EQ((std::vector<std::wstring>{L"task dialog OPM.DkPEXCtl.CannotModifyProperty"}), dktest::Journal());
    EXPECT_DOUBLE_EQ(1.0, Real(0, kRadius));
    EXPECT_TRUE(m_events.fired.empty());

    // With nobody scripted, the host's dialog reaches the user.
    MessageBoxCatcher boxes;
    EXPECT_EQ(E_FAIL, Write(4));
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(L"Properties cannot be changed while objects are being dragged.", boxes.Texts()[0]);
}

TEST_F(Transaction, ExpressionsNeedTextAndUnspecifiedWritesTheState)
{
    Circles(2);
    ASSERT_EQ(S_OK, Select(kRadius));
    VARIANT number = I4(3);
    {
        MessageBoxCatcher boxes;
        EXPECT_EQ(E_INVALIDARG, m_editor.SetPropertyValue(&number, ValueExpression));
        EXPECT_EQ(1u, boxes.Texts().size());
    }

    for (LONG_PTR id : m_ids)
        dkhost_test::SetUnspecified(id, kRadius, true, false, nullptr);
    dkfw::UniqueVariant read;
    ValueType type;
    m_editor.GetPropertyValue(read.Put(), type);
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"*Unspecified*");
    EXPECT_EQ(S_OK, m_editor.SetPropertyValue(&text, ValueUnspecified));
    ::SysFreeString(text.bstrVal);
    EXPECT_EQ(S_OK, m_editor.GetPropertyValue(read.Put(), type));
    EXPECT_EQ(ValueUnspecified, type);
}

TEST_F(Transaction, QuietDuringAPaletteCommand)
{
    Circles(2);
    Refuse(0, static_cast<SCODE>(0x80201001), L"no");
    ASSERT_EQ(S_OK, Select(kRadius));
    dkhost_test::SetCommandFlags(0x8000000);
    MessageBoxCatcher boxes;
    EXPECT_EQ(S_OK, Write(2));
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(0, m_editor.Failed()) << "failures are not counted while a palette command runs";
}

TEST_F(Transaction, AChangeTheHostTakesBackIsUndoneAndTheSelectionKept)
{
    Circles(2);
    const LONG_PTR selected[] = {m_ids[0], m_ids[1]};
    dkhost_test::SetPickfirst(selected, 2);
    dkhost_test::SetUpdateResult(m_ids[1], static_cast<HRESULT>(0x80200149));
    const int setsBefore = dkhost_test::OpenSelectionSets();
    ASSERT_EQ(S_OK, Select(kRadius));
    MessageBoxCatcher boxes;
    EXPECT_EQ(static_cast<HRESULT>(0x80200149), Write(6)) << "although the first object took the value";
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_DOUBLE_EQ(1.0, Real(0, kRadius)) << "the group was undone";
    EXPECT_DOUBLE_EQ(1.0, Real(1, kRadius));
    const auto journal = dktest::Journal();
    auto at = [&](const wchar_t* entry) { return std::find(journal.begin(), journal.end(), entry) - journal.begin(); };
    EXPECT_LT(at(L"undo group end"), at(L"modeless start OPM_ERRORCONDITION"));
    EXPECT_LT(at(L"modeless start OPM_ERRORCONDITION"), at(L"pickfirst set 2 objects"));
    EXPECT_LT(at(L"pickfirst set 2 objects"), at(L"modeless end OPM_ERRORCONDITION"));
    LONG_PTR now[4] = {};
    EXPECT_EQ(2, dkhost_test::Pickfirst(now, 4));
    EXPECT_EQ(setsBefore, dkhost_test::OpenSelectionSets()) << "every selection set was freed";
}

TEST_F(Transaction, DynamicPropertyFailuresReportTheirErrorInformation)
{
    IUnknown* props[2] = {};
    ASSERT_EQ(2, dkhost_test::DynamicPropertiesOf(L"Circle", props, 2));
    dkfw::ComPtr<IUnknown> rating = dkfw::ComPtr<IUnknown>::Attach(props[0]);
    props[1]->Release();
    AddExisting(L"30");
    AddExisting(L"31");
    dkhost_test::SetDynamicFault(rating.Get(), L"Rating comes from the door schedule.");
    ASSERT_EQ(S_OK, Select(-23, {rating.Get(), rating.Get()}));
    MessageBoxCatcher boxes;
    VARIANT v = I4(30);
    EXPECT_EQ(E_FAIL, m_editor.SetPropertyValue(&v, ValueSpecified));
    EXPECT_EQ(2, m_editor.Failed());
    EXPECT_EQ((std::vector<std::wstring>{L"2 of the 2 selected objects did not take the new value:\n"
                                         L"Rating comes from the door schedule."}),
              boxes.Texts())
        << "the same failure twice: told once, as for the objects' own properties";
    m_editor.Cleanup();
    dkhost_test::SetDynamicFault(rating.Get(), nullptr);
}

TEST_F(Transaction, SubEntitiesAreHighlightedOnce)
{
    Add(L"Polyline");
    DkArray<DkDbFullSubentPath> paths;
    DkDbFullSubentPath path;
    path.ids = {DkDbObjectId(m_ids[0])};
    path.subentIndex = 1;
    paths.append(path).append(path);
    m_editor.Unhighlight();
    m_editor.Highlight(paths);
    m_editor.Highlight(paths);
    m_editor.Unhighlight();
    m_editor.Unhighlight();
    EXPECT_EQ(1u, Matching(L"highlight push").size());
    EXPECT_EQ(1u, Matching(L"highlight pop").size());
}

TEST_F(Transaction, PropertyDialogsByCommandOrByPropertyPage)
{
    IUnknown* props[2] = {};
    ASSERT_EQ(2, dkhost_test::DynamicPropertiesOf(L"Circle", props, 2));
    dkfw::ComPtr<IUnknown> tag = dkfw::ComPtr<IUnknown>::Attach(props[1]);
    props[0]->Release();
    dkhost_test::SetDynamicCommand(tag.Get(), L"_TAGEDIT ");
    AddExisting(L"30");
    ASSERT_EQ(S_OK, Select(-23, {tag.Get()}));
    CString name = L"Room tag";
    EXPECT_EQ(1, m_editor.LaunchOPMPropertyDialog(name));
    EXPECT_EQ(1u, Matching(L"command _TAGEDIT ").size());
    EXPECT_EQ((std::vector<std::string>{"OperationStart", "OperationEnd"}), m_events.fired);
    dkhost_test::SetDynamicCommand(tag.Get(), nullptr);

    // A property page class nobody registered: the user is told which.
    m_editor.Cleanup();
    const CLSID page = {0x1234abcd, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
    dkhost_test::SetPropertyPage(m_ids[0], kColor, page);
    ASSERT_EQ(S_OK, Select(kColor));
    MessageBoxCatcher boxes;
    EXPECT_EQ(0, m_editor.LaunchOPMPropertyDialog(name));
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_NE(std::wstring::npos, boxes.Texts()[0].find(L"{1234ABCD-0000-0000-0102-030405060708}"));
}
} // namespace

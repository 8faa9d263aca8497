// Reading a property over the selection: the common value, varies, unspecified, the
// host's tolerated failures, read-only and expression states, and untrusted selections.
#include "EditorFixture.h"

#include <cmath>

namespace
{
using dktest::EditorTest;
using dktest::MakeArray;

constexpr DISPID kColor = 1;
constexpr DISPID kLayer = 2;
constexpr DISPID kTransparency = 8;
constexpr DISPID kThickness = 10;
constexpr DISPID kRadius = 101;
constexpr DISPID kTextString = 100;

class ValueAccess : public EditorTest
{
protected:
    ValueType Read(dkfw::UniqueVariant& value)
    {
        ValueType type = ValueVaries;
        EXPECT_EQ(S_OK, m_editor.GetPropertyValue(value.Put(), type));
        return type;
    }
    std::wstring Text(const dkfw::UniqueVariant& v)
    {
        return v.Type() == VT_BSTR && v.Get().bstrVal ? v.Get().bstrVal : L"<not text>";
    }
};

TEST_F(ValueAccess, OneObjectIsItsOwnCommonValue)
{
    const LONG_PTR id = Add(L"Circle");
    Put(m_objects[0].Get(), kRadius, R8(4.5));
    ASSERT_EQ(S_OK, Select(kRadius));
    dkfw::UniqueVariant v;
    EXPECT_EQ(ValueSpecified, Read(v));
    EXPECT_DOUBLE_EQ(4.5, v.Get().dblVal);
    EXPECT_EQ(1, dkhost_test::PropertyReads(id));
}

TEST_F(ValueAccess, ReadingStopsAtTheFirstDifference)
{
    for (LONG transparency : {5, 5, 7, 5})
    {
        Add(L"Circle");
        ASSERT_EQ(S_OK, Put(m_objects.back().Get(), kTransparency, I4(transparency)));
    }
    ASSERT_EQ(S_OK, Select(kTransparency));
    dkfw::UniqueVariant v;
    EXPECT_EQ(ValueVaries, Read(v));
    EXPECT_EQ(1, dkhost_test::PropertyReads(m_ids[2]));
    EXPECT_EQ(0, dkhost_test::PropertyReads(m_ids[3])) << "the fourth object is never read";
}

TEST_F(ValueAccess, ComparisonRules)
{
    struct Case
    {
        const char* what;
        VARIANT a;
        VARIANT b;
        HRESULT hr;
        int result;
    };
    dkfw::UniqueBstr upper(L"Walls");
    dkfw::UniqueBstr lower(L"wALLS");
    VARIANT ba{};
    ba.vt = VT_BSTR;
    ba.bstrVal = upper.Get();
    VARIANT bb{};
    bb.vt = VT_BSTR;
    bb.bstrVal = lower.Get();
    VARIANT i2{};
    i2.vt = VT_I2;
    i2.iVal = 5;
    auto array = MakeArray(VT_R8, std::vector<double>{1, 2});
    VARIANT empty{};
    const Case cases[] = {
        {"equal doubles", R8(1.0), R8(1.0), S_OK, 0},
        {"NaN against NaN", R8(std::nan("")), R8(std::nan("")), S_OK, -1},
        {"texts that differ in case", ba, bb, S_OK, 0},
        {"I4 against I2", I4(5), i2, E_FAIL, 99},
        {"arrays", array.Get(), array.Get(), S_OK, -1},
        {"empty values", empty, empty, S_OK, -1},
        {"different integers", I4(5), I4(7), S_OK, -1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        VARIANT a = c.a;
        VARIANT b = c.b;
        int result = 99;
        EXPECT_EQ(c.hr, m_editor.ComparePropertyValue(&a, &b, result));
        EXPECT_EQ(c.result, result);
    }
}

TEST_F(ValueAccess, UnspecifiedObjectsShowTheirTextOrVary)
{
    for (int i = 0; i < 3; ++i)
        Add(L"Circle");
    for (int i = 0; i < 2; ++i)
        dkhost_test::SetUnspecified(m_ids[i], kThickness, true, true, L"*By style*");
    dkhost_test::SetUnspecified(m_ids[2], kThickness, true, false, L"*By style*");
    dkfw::UniqueVariant v;

    ASSERT_EQ(S_OK, Select(kThickness));
    m_objects.pop_back();
    EXPECT_EQ(ValueVaries, Read(v)) << "two unspecified, one with a value";

    m_editor.Cleanup();
    ASSERT_EQ(S_OK, Select(kThickness));
    EXPECT_EQ(ValueUnspecified, Read(v));
    wchar_t varies[128] = {};
    ::LoadStringW(dktest::ResourceLibrary(), 228, varies, 128);
    ASSERT_NE(0, varies[0]);
    EXPECT_EQ(varies, Text(v)) << "both unspecified: the varies text";
    EXPECT_TRUE(m_editor.UnspecifiedAllowed());
    EXPECT_EQ(L"*By style*", m_editor.GetUnspecifiedString());
}

TEST_F(ValueAccess, NullTextsReadAsEmpty)
{
    Add(L"Text");
    VARIANT nullText{};
    nullText.vt = VT_BSTR;
    nullText.bstrVal = nullptr;
    ASSERT_EQ(S_OK, Put(m_objects[0].Get(), kTextString, nullText));
    ASSERT_EQ(S_OK, Select(kTextString));
    dkfw::UniqueVariant v;
    EXPECT_EQ(ValueSpecified, Read(v));
    ASSERT_EQ(VT_BSTR, v.Type());
    EXPECT_NE(nullptr, v.Get().bstrVal);
    EXPECT_EQ(0u, ::SysStringLen(v.Get().bstrVal));
}

TEST_F(ValueAccess, HostFailuresOfFourClassesAreToleratedOthersReturned)
{
    dkfw::UniqueVariant v;
    ValueType type;
    AddExisting(L"72"); // a view border: colour and layer belong to its view
    ASSERT_EQ(S_OK, Select(kLayer));
    EXPECT_EQ(S_OK, m_editor.GetPropertyValue(v.Put(), type));
    EXPECT_EQ(ValueVaries, type);
    EXPECT_EQ(VT_EMPTY, v.Type());

    m_editor.Cleanup();
    m_objects.clear();
    AddExisting(L"70"); // a map image: no thickness of its own
    ASSERT_EQ(S_OK, Select(kThickness));
    EXPECT_EQ(S_OK, m_editor.GetPropertyValue(v.Put(), type));
    EXPECT_EQ(ValueSpecified, type);
    EXPECT_EQ(VT_EMPTY, v.Type());

    m_editor.Cleanup();
    m_objects.clear();
    Add(L"Circle");
    dkhost_test::SetPropertyFault(m_ids.back(), kRadius, true, static_cast<SCODE>(0x80200003), L"no");
    ASSERT_EQ(S_OK, Select(kRadius));
    EXPECT_EQ(DISP_E_EXCEPTION, m_editor.GetPropertyValue(v.Put(), type)) << "only the listed classes are tolerated";
}

TEST_F(ValueAccess, ReadOnlyComesFromThePaletteOrTheObjects)
{
    Add(L"Circle");
    Add(L"Circle");
    ASSERT_EQ(S_OK, Select(kRadius));
    dkfw::UniqueVariant v;
    Read(v);
    EXPECT_FALSE(m_editor.ReadOnly());
    dkhost_test::SetEditable(m_ids[1], kRadius, false);
    Read(v);
    EXPECT_TRUE(m_editor.ReadOnly()) << "the second object cannot be edited";

    std::vector<IDispatch*> objects{m_objects[0].Get()};
    auto objs = MakeArray(VT_DISPATCH, objects);
    auto dyn = MakeArray(VT_UNKNOWN, std::vector<IUnknown*>{nullptr});
    auto ids = MakeArray(VT_I4, std::vector<LONG>{kRadius});
    ASSERT_EQ(S_OK, m_editor.Handle_InitEditControl(objs.Addr(), dyn.Addr(), ids.Addr(), 1));
    Read(v);
    EXPECT_TRUE(m_editor.ReadOnly()) << "the palette's flag";
}

TEST_F(ValueAccess, ExpressionStateFollowsTheObjects)
{
    Add(L"Circle");
    Add(L"Circle");
    dkfw::UniqueVariant v;
    struct Case
    {
        const wchar_t* first;
        const wchar_t* second;
        int state;
        const wchar_t* expression;
    };
    for (const Case& c : {Case{nullptr, nullptr, 0, L""}, Case{L"d/2", L"d/2", 3, L"d/2"}, Case{L"d/2", L"d/3", 2, L""},
                          Case{L"", L"", 1, L""}})
    {
        SCOPED_TRACE(c.state);
        dkhost_test::SetExpression(m_ids[0], kRadius, c.first != nullptr, c.first);
        dkhost_test::SetExpression(m_ids[1], kRadius, c.second != nullptr, c.second);
        m_editor.Cleanup();
        ASSERT_EQ(S_OK, Select(kRadius));
        Read(v);
        EXPECT_EQ(c.state, m_editor.ExpressionState());
        EXPECT_EQ(c.expression, m_editor.Expression());
    }
}

TEST_F(ValueAccess, DynamicPropertiesReadThroughTheirOwnInterface)
{
    IUnknown* props[4] = {};
    ASSERT_EQ(2, dkhost_test::DynamicPropertiesOf(L"Circle", props, 4));
    dkfw::ComPtr<IUnknown> rating = dkfw::ComPtr<IUnknown>::Attach(props[0]);
    props[1]->Release();
    AddExisting(L"30");
    AddExisting(L"31");
    auto dyn2 = rating.Query<IDynamicProperty2>();
    dyn2->SetValue(m_objects[0].Get(), I4(60));
    dyn2->SetValue(m_objects[1].Get(), I4(60));
    ASSERT_EQ(S_OK, Select(-23, {rating.Get(), rating.Get()}));
    dkfw::UniqueVariant v;
    EXPECT_EQ(ValueSpecified, Read(v));
    EXPECT_EQ(60, v.Get().lVal);
    dkhost_test::SetDynamicReadOnly(rating.Get(), true);
    Read(v);
    EXPECT_TRUE(m_editor.ReadOnly());
    m_editor.Cleanup();
    dkhost_test::SetDynamicReadOnly(rating.Get(), false);

    // A writable dynamic property cannot lift the palette's read-only flag.
    std::vector<IDispatch*> objects{m_objects[0].Get()};
    auto objs = MakeArray(VT_DISPATCH, objects);
    auto dyn = MakeArray(VT_UNKNOWN, std::vector<IUnknown*>{rating.Get()});
    auto ids = MakeArray(VT_I4, std::vector<LONG>{-23});
    ASSERT_EQ(S_OK, m_editor.Handle_InitEditControl(objs.Addr(), dyn.Addr(), ids.Addr(), 1));
    Read(v);
    EXPECT_TRUE(m_editor.ReadOnly()) << "the palette's flag stands";
    m_editor.Cleanup();
}

TEST_F(ValueAccess, GetsAndPutsPassTheUsersDefaultLocale)
{
    Add(L"Circle");
    ASSERT_EQ(S_OK, Select(kRadius));
    dkfw::UniqueVariant v;
    Read(v);
    EXPECT_EQ(0x400u, dkhost_test::LastPropertyLocale(m_ids[0]));
    VARIANT r = R8(4.5);
    ASSERT_EQ(S_OK, m_editor.SetPropertyValue(&r, ValueSpecified));
    EXPECT_EQ(0x400u, dkhost_test::LastPropertyLocale(m_ids[0]));
}

TEST_F(ValueAccess, SelectionIdsSkipObjectsWithoutOne)
{
    Add(L"Line");
    Add(L"Arc");
    ASSERT_EQ(S_OK, Select(kColor));
    DkArray<DkDbObjectId> ids;
    ASSERT_EQ(S_OK, m_editor.GetCurrentSelectionObjectIdArray(ids));
    ASSERT_EQ(2, ids.length());
    EXPECT_EQ(m_ids[0], ids[0].asOldId());
    EXPECT_EQ(m_ids[1], ids[1].asOldId());
}

// The palette's arrays are untrusted: each malformed one is refused and the earlier
// selection stays as it was, with no reference taken.
TEST_F(ValueAccess, MalformedSelectionsAreRefusedAndChangeNothing)
{
    Add(L"Circle");
    Add(L"Circle");
    ASSERT_EQ(S_OK, Select(kRadius));
    IDispatch* a = m_objects[0].Get();
    IDispatch* b = m_objects[1].Get();

    auto objs = MakeArray(VT_DISPATCH, std::vector<IDispatch*>{a, b});
    auto dyn = MakeArray(VT_UNKNOWN, std::vector<IUnknown*>{nullptr, nullptr});
    auto ids = MakeArray(VT_I4, std::vector<LONG>{kRadius, kRadius});
    auto shortIds = MakeArray(VT_I4, std::vector<LONG>{kRadius});
    auto wrongType = MakeArray(VT_I4, std::vector<LONG>{1, 2});
    auto nullElement = MakeArray(VT_DISPATCH, std::vector<IDispatch*>{a, nullptr});
    auto dynIds = MakeArray(VT_I4, std::vector<LONG>{-23, -23});
    dkfw::UniqueVariant twoDims;
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {1, 0}};
    twoDims.Addr()->vt = VT_ARRAY | VT_DISPATCH;
    twoDims.Addr()->parray = ::SafeArrayCreate(VT_DISPATCH, 2, bounds);
    dkfw::UniqueVariant lowerOne;
    lowerOne.Addr()->vt = VT_ARRAY | VT_DISPATCH;
    lowerOne.Addr()->parray = ::SafeArrayCreateVector(VT_DISPATCH, 1, 2);
    VARIANT missing{};
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    VARIANT nothing{};
    VARIANT null{};
    null.vt = VT_NULL;
    VARIANT nullArray{};
    nullArray.vt = VT_ARRAY | VT_DISPATCH;
    const ULONG refsBefore = dkhost_test::PaletteObjectRefs(m_ids[0]);

    struct Case
    {
        const char* what;
        VARIANT* objs;
        VARIANT* dyn;
        VARIANT* ids;
    };
    const Case cases[] = {
        {"null objects pointer", nullptr, dyn.Addr(), ids.Addr()},
        {"null dynamic properties pointer", objs.Addr(), nullptr, ids.Addr()},
        {"null DISPIDs pointer", objs.Addr(), dyn.Addr(), nullptr},
        {"objects as a missing argument", &missing, dyn.Addr(), ids.Addr()},
        {"no objects", &nothing, dyn.Addr(), ids.Addr()},
        {"null objects", &null, dyn.Addr(), ids.Addr()},
        {"DISPIDs missing", objs.Addr(), dyn.Addr(), &missing},
        {"dynamic properties empty", objs.Addr(), &nothing, ids.Addr()},
        {"objects of the wrong type", wrongType.Addr(), dyn.Addr(), ids.Addr()},
        {"DISPIDs of the wrong type", objs.Addr(), dyn.Addr(), objs.Addr()},
        {"arrays of unequal length", objs.Addr(), dyn.Addr(), shortIds.Addr()},
        {"two dimensions", twoDims.Addr(), dyn.Addr(), ids.Addr()},
        {"lower bound 1", lowerOne.Addr(), dyn.Addr(), ids.Addr()},
        {"a null array", &nullArray, dyn.Addr(), ids.Addr()},
        {"a null object", nullElement.Addr(), dyn.Addr(), ids.Addr()},
        {"dynamic DISPIDs without dynamic properties", objs.Addr(), dyn.Addr(), dynIds.Addr()},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(E_FAIL, m_editor.Handle_InitEditControl(c.objs, c.dyn, c.ids, 0));
        EXPECT_EQ(2, m_editor.Count());
        EXPECT_EQ(refsBefore, dkhost_test::PaletteObjectRefs(m_ids[0]));
    }

    // By-reference arrays are the palette's right.
    VARIANT byRef{};
    byRef.vt = VT_BYREF | VT_ARRAY | VT_DISPATCH;
    byRef.pparray = &objs.Addr()->parray;
    EXPECT_EQ(S_OK, m_editor.Handle_InitEditControl(&byRef, dyn.Addr(), ids.Addr(), 0));
}
} // namespace

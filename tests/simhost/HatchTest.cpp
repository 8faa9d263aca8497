// A hatch's pattern through the host's entity interface: set as one step of undo, evaluated
// against the host's pattern lists with the reason of a failure, the faults the host injects,
// and the names a hatch gives its enumerated values.
#include "DkHostTest.h"
#include "TestSupport.h"
#include "dkdb.h"
#include "dked.h"

#include "DkPiHost.h"

#include "ComPtr.h"
#include "Unique.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using dkfw::ComPtr;
using dkfw::UniqueBstr;
using dkfw::UniqueVariant;

constexpr DISPID kPatternName = 100;
constexpr DISPID kPatternType = 101;

class Hatch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearJournal();
        dkhost_test::ClearUndo();
    }

    static LONG_PTR Id(const wchar_t* handle) { return dkhost_test::EntityByHandle(handle); }

    ComPtr<IDkEntity> Entity(const wchar_t* handle)
    {
        ComPtr<IDispatch> d;
        EXPECT_EQ(S_OK, dkhost_test::GetPaletteObject(Id(handle), d.Put())) << handle;
        ComPtr<IDkEntity> e;
        if (d)
        {
            EXPECT_EQ(S_OK, d->QueryInterface(IID_IDkEntity, e.PutVoid())) << handle;
        }
        return e;
    }

    // The hatch's pattern as its entity interface reads it: "TYPE NAME".
    static std::wstring Pattern(IDkEntity* e)
    {
        long type = -1;
        UniqueBstr name;
        EXPECT_EQ(S_OK, e->get_PatternType(&type));
        EXPECT_EQ(S_OK, e->get_PatternName(name.Put()));
        return std::to_wstring(type) + L" " + std::wstring(name.View());
    }

    static HRESULT SetPattern(IDkEntity* e, long type, const wchar_t* name)
    {
        UniqueBstr text;
        if (name)
            text = UniqueBstr(std::wstring_view(name));
        return e->SetPattern(type, text.Get());
    }

    // The description of the thread's error information, "(none)" without any.
    static std::wstring ErrorDescription()
    {
        ComPtr<IErrorInfo> info;
        if (::GetErrorInfo(0, info.Put()) != S_OK || !info)
            return L"(none)";
        UniqueBstr text;
        info->GetDescription(text.Put());
        return std::wstring(text.View());
    }

    static HRESULT Put(const wchar_t* handle, DISPID dispid, VARIANT value)
    {
        ComPtr<IDispatch> d;
        dkhost_test::GetPaletteObject(Id(handle), d.Put());
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        return d->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                         nullptr);
    }

    static DkDbUndoController* Controller() { return dkDocManager()->curDocument()->database()->undoController(); }
};

TEST_F(Hatch, SetPatternIsOneStepOfUndoThatGivesBackTypeAndName)
{
    ComPtr<IDkEntity> brick = Entity(L"51");
    ASSERT_TRUE(brick);
    EXPECT_EQ(L"1 BRICK", Pattern(brick.Get()));
    ASSERT_EQ(S_OK, SetPattern(brick.Get(), 2, L"STONES"));
    EXPECT_EQ(L"2 STONES", Pattern(brick.Get()));
    EXPECT_EQ(1, dkhost_test::UndoDepth()) << "type and name together";
    EXPECT_EQ(1u, dktest::JournalMatching(L"set pattern hatch 51 2 \"STONES\"").size());

    // Hatch by hatch without a group, as the pattern row writes: the controller's undo(1) takes
    // back the last hatch's step only.
    ComPtr<IDkEntity> ansi = Entity(L"50");
    ASSERT_EQ(S_OK, SetPattern(ansi.Get(), 1, L"FOO"));
    EXPECT_EQ(E_FAIL, ansi->Evaluate());
    ASSERT_EQ(Drvk::eOk, Controller()->undo(1));
    EXPECT_EQ(L"1 ANSI31", Pattern(ansi.Get()));
    EXPECT_EQ(L"2 STONES", Pattern(brick.Get()));
    EXPECT_EQ(1u, dktest::JournalMatching(L"undo Hatch pattern (2 values)").size());
    ASSERT_EQ(1, dkhost_test::Undo(1));
    EXPECT_EQ(L"1 BRICK", Pattern(brick.Get()));
}

TEST_F(Hatch, SetPatternKeepsAPredefinedNameAPredefinedPatternAndRefusesBadArguments)
{
    ComPtr<IDkEntity> e = Entity(L"50");
    ASSERT_TRUE(e);
    const struct
    {
        long type;
        const wchar_t* name;
        const wchar_t* stored;
    } cases[] = {
        {2, L"BRICK", L"1 BRICK"},
        {2, L"ISOWAVE", L"1 ISOWAVE"},
        {2, L"DRVK_ISO02W100", L"1 DRVK_ISO02W100"},
        {2, L"MYPAT", L"2 MYPAT"},
        {2, L"NOWHERE", L"2 NOWHERE"},
        {1, L"NOWHERE", L"1 NOWHERE"},
        {0, L"_USER", L"0 _USER"},
        {0, L"", L"0 "},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(S_OK, SetPattern(e.Get(), c.type, c.name));
        EXPECT_EQ(c.stored, Pattern(e.Get()));
    }

    // Refused before anything changes.
    const int depth = dkhost_test::UndoDepth();
    EXPECT_EQ(E_INVALIDARG, SetPattern(e.Get(), 3, L"BRICK"));
    EXPECT_EQ(E_INVALIDARG, SetPattern(e.Get(), -1, L"BRICK"));
    EXPECT_EQ(E_INVALIDARG, SetPattern(e.Get(), 1, nullptr));
    EXPECT_EQ(E_INVALIDARG, SetPattern(e.Get(), 2, L""));
    dkhost_test::SetPatternFault(Id(L"50"), true);
    EXPECT_EQ(E_FAIL, SetPattern(e.Get(), 1, L"BRICK"));
    EXPECT_EQ(L"0 ", Pattern(e.Get()));
    EXPECT_EQ(depth, dkhost_test::UndoDepth());
    dkhost_test::SetPatternFault(Id(L"50"), false);
    EXPECT_EQ(S_OK, SetPattern(e.Get(), 1, L"BRICK"));

    // A hatch on a locked layer stays as it is.
    int line = 0;
    ASSERT_EQ(S_OK, dkhost_test::LoadDrawingText(L"layer Old locked\n"
                                                 L"entity Hatch handle=H Layer=Old Coordinates=0,0,1,0,1,1 "
                                                 L"PatternName=NET PatternType=dkHatchPreDefined\n",
                                                 &line));
    ComPtr<IDkEntity> locked = Entity(L"H");
    EXPECT_TRUE(FAILED(SetPattern(locked.Get(), 1, L"BRICK")));
    EXPECT_EQ(L"1 NET", Pattern(locked.Get()));
}

TEST_F(Hatch, EvaluateFindsThePatternOrSaysWhichItCannotFind)
{
    // Every sample hatch's pattern is found.
    for (const wchar_t* handle : {L"50", L"51", L"52", L"53", L"54", L"57"})
    {
        SCOPED_TRACE(handle);
        ComPtr<IDkEntity> e = Entity(handle);
        ASSERT_TRUE(e);
        EXPECT_EQ(S_OK, e->Evaluate());
    }

    // Set through the palette's property puts, which take any name.
    const struct
    {
        long type;
        const wchar_t* name;
        bool found;
    } cases[] = {
        {0, L"ANYTHING", true}, {1, L"DRVK_ISOWAVE", true}, {1, L"MYPAT", false}, {1, L"FOO", false},
        {2, L"STONES", true},   {2, L"ANSI31", true},       {2, L"FOO", false},
    };
    ComPtr<IDkEntity> e = Entity(L"50");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        UniqueVariant name;
        name.Addr()->vt = VT_BSTR;
        name.Addr()->bstrVal = ::SysAllocString(c.name);
        VARIANT type;
        type.vt = VT_I4;
        type.lVal = c.type;
        ASSERT_EQ(S_OK, Put(L"50", kPatternType, type));
        ASSERT_EQ(S_OK, Put(L"50", kPatternName, name.Get()));
        const std::wstring before = Pattern(e.Get());
        const int depth = dkhost_test::UndoDepth();
        dkhost_test::ClearJournal();
        const HRESULT hr = e->Evaluate();
        const std::wstring why = ErrorDescription();
        EXPECT_EQ(c.found ? S_OK : E_FAIL, hr);
        EXPECT_EQ(c.found ? L"(none)"
                          : L"The hatch pattern \"" + std::wstring(c.name) + L"\" was not found in the pattern files.",
                  why);
        EXPECT_EQ(before, Pattern(e.Get())) << "nothing stored";
        EXPECT_EQ(depth, dkhost_test::UndoDepth()) << "no step of undo";
        EXPECT_EQ(1u,
                  dktest::JournalMatching(c.found ? L"evaluate hatch 50" : L"evaluate hatch 50 failed: The").size());
    }
}

TEST_F(Hatch, InjectedFaultsAndEntitiesThatAreNoHatch)
{
    ComPtr<IDkEntity> e = Entity(L"51");
    dkhost_test::SetEvaluateFault(Id(L"51"), L"The pattern file is locked.");
    EXPECT_EQ(E_FAIL, e->Evaluate()) << "even a pattern that is found";
    EXPECT_EQ(L"The pattern file is locked.", ErrorDescription());
    dkhost_test::SetEvaluateFault(Id(L"51"), L"");
    EXPECT_EQ(E_FAIL, e->Evaluate());
    EXPECT_EQ(L"(none)", ErrorDescription());
    dkhost_test::SetEvaluateFault(Id(L"51"), nullptr);
    EXPECT_EQ(S_OK, e->Evaluate());

    // Without the entity interface; the other hatches keep theirs.
    dkhost_test::SetNoHatchInterface(Id(L"51"), true);
    ComPtr<IDispatch> d;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(Id(L"51"), d.Put()));
    ComPtr<IDkEntity> none;
    EXPECT_EQ(E_NOINTERFACE, d->QueryInterface(IID_IDkEntity, none.PutVoid()));
    EXPECT_TRUE(Entity(L"50"));
    dkhost_test::SetNoHatchInterface(Id(L"51"), false);
    EXPECT_EQ(S_OK, d->QueryInterface(IID_IDkEntity, none.PutVoid()));

    // A circle has no pattern, and answers so however it is asked.
    ComPtr<IDkEntity> circle = Entity(L"30");
    long type = 0;
    UniqueBstr name;
    EXPECT_EQ(E_NOTIMPL, SetPattern(circle.Get(), 1, L"BRICK"));
    EXPECT_EQ(E_NOTIMPL, circle->get_PatternType(&type));
    EXPECT_EQ(E_NOTIMPL, circle->get_PatternName(name.Put()));
    EXPECT_EQ(E_NOTIMPL, circle->Evaluate());
    EXPECT_EQ(E_POINTER, e->get_PatternType(nullptr));
    EXPECT_EQ(E_POINTER, e->get_PatternName(nullptr));

    // An erased hatch answers as every erased object does.
    dkhost_test::EraseWhenWritten(Id(L"30"), Id(L"51"));
    VARIANT radius;
    radius.vt = VT_R8;
    radius.dblVal = 6;
    ASSERT_EQ(S_OK, Put(L"30", 101, radius));
    EXPECT_EQ(E_UNEXPECTED, SetPattern(e.Get(), 1, L"NET"));
    EXPECT_EQ(E_UNEXPECTED, e->get_PatternType(&type));
    EXPECT_EQ(E_UNEXPECTED, e->Evaluate());
}

TEST_F(Hatch, ChoicesComeInTheirValuesOrder)
{
    ComPtr<IDispatch> d;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(Id(L"52"), d.Put()));
    ComPtr<IPerPropertyBrowsing> browsing;
    ASSERT_EQ(S_OK, d->QueryInterface(IID_IPerPropertyBrowsing, browsing.PutVoid()));
    // Each choice as "NAME=VALUE".
    auto choices = [&](DISPID dispid)
    {
        std::vector<std::wstring> out;
        CALPOLESTR strings{};
        CADWORD cookies{};
        EXPECT_EQ(S_OK, browsing->GetPredefinedStrings(dispid, &strings, &cookies));
        for (ULONG i = 0; i < strings.cElems; ++i)
        {
            UniqueVariant value;
            EXPECT_EQ(S_OK, browsing->GetPredefinedValue(dispid, cookies.pElems[i], value.Put()));
            const std::wstring shown = value.Type() == VT_I4     ? std::to_wstring(value.Get().lVal)
                                       : value.Type() == VT_BSTR ? std::wstring(value.Get().bstrVal)
                                                                 : L"?";
            out.push_back(std::wstring(strings.pElems[i]) + L"=" + shown);
            ::CoTaskMemFree(strings.pElems[i]);
        }
        ::CoTaskMemFree(strings.pElems);
        ::CoTaskMemFree(cookies.pElems);
        return out;
    };
    using List = std::vector<std::wstring>;
    EXPECT_EQ((List{L"User defined=0", L"Predefined=1", L"Custom=2"}), choices(101));
    EXPECT_EQ((List{L"Default=-1", L"0.13 mm=13", L"0.18 mm=18", L"0.25 mm=25", L"0.35 mm=35", L"0.50 mm=50",
                    L"0.70 mm=70", L"1.00 mm=100", L"1.40 mm=140", L"2.00 mm=200"}),
              choices(106));
    EXPECT_EQ((List{L"Normal=0", L"Outer=1", L"Ignore=2"}), choices(111));
    const List gradients = choices(107);
    const List pictured = {L"LINEAR=LINEAR",
                           L"CYLINDER=CYLINDER",
                           L"INVCYLINDER=INVCYLINDER",
                           L"SPHERICAL=SPHERICAL",
                           L"HEMISPHERICAL=HEMISPHERICAL",
                           L"CURVED=CURVED",
                           L"INVSPHERICAL=INVSPHERICAL",
                           L"INVHEMISPHERICAL=INVHEMISPHERICAL",
                           L"INVCURVED=INVCURVED"};
    ASSERT_GE(gradients.size(), 11u);
    EXPECT_EQ(pictured, List(gradients.begin(), gradients.begin() + 9));
}
} // namespace

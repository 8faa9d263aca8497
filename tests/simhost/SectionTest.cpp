// Sections as the section layer rows meet them: the layer values they take and refuse, undo,
// the settings object that tells a live, 2D or 3D section apart, and its references.
#include "DkHostTest.h"

#include "DkPiHost.h"

#include "ComPtr.h"
#include "Unique.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace
{
using dkfw::ComPtr;
using dkfw::UniqueVariant;

constexpr DISPID kCutLayer = 52;
constexpr DISPID kFillLayer = 78;
constexpr DISPID kBackgroundLayer = 94;
constexpr DISPID kForegroundLayer = 114;
constexpr DISPID kTangencyLayer = 133;

class Sections : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearUndo();
    }

    static ComPtr<IDispatch> Object(const wchar_t* handle)
    {
        ComPtr<IDispatch> d;
        EXPECT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), d.Put())) << handle;
        return d;
    }

    static std::wstring Text(IDispatch* d, DISPID id)
    {
        DISPPARAMS none{};
        UniqueVariant v;
        EXPECT_EQ(S_OK,
                  d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr));
        return v.Type() == VT_BSTR && v.Get().bstrVal ? v.Get().bstrVal : L"?";
    }

    // A write, with the reason of a refusal.
    static HRESULT Put(IDispatch* d, DISPID id, const wchar_t* text, std::wstring* why = nullptr)
    {
        UniqueVariant value;
        value.Put()->vt = VT_BSTR;
        value.Addr()->bstrVal = ::SysAllocString(text);
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{value.Addr(), &named, 1, 1};
        dkfw::UniqueExcepInfo excep;
        const HRESULT hr =
            d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, excep.Addr(), nullptr);
        if (why)
            *why = excep.Get().bstrDescription ? excep.Get().bstrDescription : L"";
        return hr;
    }

    // What a section's settings answer for a property: the value, or the failure.
    static LONG Setting(IDispatch* settings, DISPID id)
    {
        DISPPARAMS none{};
        UniqueVariant v;
        const HRESULT hr =
            settings->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return FAILED(hr) ? hr : v.Type() == VT_I4 ? v.Get().lVal : -1;
    }
};

TEST_F(Sections, TakeAPatternOrALayerOfTheDrawingAndRefuseAnythingElseUndoably)
{
    const struct
    {
        const wchar_t* value;
        bool taken;
    } cases[] = {
        {L"Walls*", true},   {L"*-cut", true}, {L"A*B*", true},      {L"Hatch", true},
        {L"hatch", true},    {L"*", true},     {L"Furniture", true}, {L"Site|Grid", true},
        {L"Nowhere", false}, {L"", false},     {L"Wall", false},     {L"Walls ", false},
    };
    auto section = Object(L"86");
    ASSERT_EQ(L"*", Text(section.Get(), kBackgroundLayer));
    int taken = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.value);
        const std::wstring before = Text(section.Get(), kBackgroundLayer);
        std::wstring why;
        const HRESULT hr = Put(section.Get(), kBackgroundLayer, c.value, &why);
        if (c.taken)
        {
            ASSERT_EQ(S_OK, hr);
            EXPECT_EQ(c.value, Text(section.Get(), kBackgroundLayer));
            ++taken;
            continue;
        }
        EXPECT_EQ(DISP_E_EXCEPTION, hr);
        EXPECT_NE(std::wstring::npos, why.find(L"\"" + std::wstring(c.value) + L"\" does not exist")) << why;
        EXPECT_EQ(before, Text(section.Get(), kBackgroundLayer)) << "a refused value leaves the section alone";
    }
    EXPECT_EQ(taken, dkhost_test::UndoDepth()) << "a step for each value taken, none for a refusal";

    // Undone step by step, back to the drawing's own.
    ASSERT_EQ(1, dkhost_test::Undo(1));
    EXPECT_EQ(L"Furniture", Text(section.Get(), kBackgroundLayer));
    ASSERT_EQ(taken - 1, dkhost_test::Undo(taken - 1));
    EXPECT_EQ(L"*", Text(section.Get(), kBackgroundLayer));
    ASSERT_EQ(S_OK, Put(section.Get(), kCutLayer, L"Dims"));
    ASSERT_EQ(1, dkhost_test::Undo(1));
    EXPECT_EQ(L"Walls", Text(section.Get(), kCutLayer));
}

TEST_F(Sections, SettingsTellWhatEachKindMakesAndCountTheirReferences)
{
    const struct
    {
        const wchar_t* handle;
        LONG makes2d; // property 133
        LONG makes3d; // property 94
    } kinds[] = {{L"84", 0, 0}, {L"85", 1, 0}, {L"86", 0, 1}};
    for (const auto& k : kinds)
    {
        SCOPED_TRACE(k.handle);
        {
            auto section = Object(k.handle).Query<IDkSection>();
            ASSERT_TRUE(section);
            IDispatch* settings = nullptr;
            ASSERT_EQ(S_OK, section->get_Settings(&settings));
            EXPECT_EQ(k.makes2d, Setting(settings, kTangencyLayer));
            EXPECT_EQ(k.makes3d, Setting(settings, kBackgroundLayer));
            for (DISPID other : {kCutLayer, kFillLayer, kForegroundLayer, DISPID(0)})
                EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Setting(settings, other)) << other;
            // A new object at each call, with one reference: the caller's.
            ComPtr<IDispatch> again;
            ASSERT_EQ(S_OK, section->get_Settings(again.Put()));
            EXPECT_NE(settings, again.Get());
            EXPECT_EQ(2u, settings->AddRef());
            EXPECT_EQ(1u, settings->Release());
            EXPECT_EQ(0u, settings->Release());
        }
        EXPECT_EQ(1u, dkhost_test::PaletteObjectRefs(dkhost_test::EntityByHandle(k.handle)))
            << "only the host's own reference is left";
    }

    // Other objects are no sections.
    auto circle = Object(L"30");
    IDkSection* none = reinterpret_cast<IDkSection*>(1);
    EXPECT_EQ(E_NOINTERFACE, circle->QueryInterface(IID_IDkSection, reinterpret_cast<void**>(&none)));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(2u, dkhost_test::PaletteObjectRefs(dkhost_test::EntityByHandle(L"30"))) << "the test's and the host's";
}

TEST_F(Sections, ADrawingFileNamesTheKindAndANewSectionTakesTheLayersOfWhatItCuts)
{
    int line = 0;
    ASSERT_EQ(S_OK,
              dkhost_test::LoadDrawingText(L"entity Section handle=90 Kind=3D\nentity Section handle=91\n", &line));
    for (const auto& [handle, makes3d] : {std::pair{L"90", 1L}, std::pair{L"91", 0L}})
    {
        ComPtr<IDispatch> settings;
        auto section = Object(handle).Query<IDkSection>();
        ASSERT_TRUE(section && SUCCEEDED(section->get_Settings(settings.Put())));
        EXPECT_EQ(makes3d, Setting(settings.Get(), kBackgroundLayer)) << "live unless the file says";
    }
    EXPECT_EQ(L"*", Text(Object(L"91").Get(), kFillLayer));

    for (const wchar_t* bad : {L"entity Section Kind=flat\n", L"entity Section Kind\n",
                               L"entity Section CutLayer=Nowhere\n", L"entity Circle Kind=2d\n"})
        EXPECT_NE(S_OK, dkhost_test::LoadDrawingText(bad, &line)) << std::wstring(bad).c_str();
}
} // namespace

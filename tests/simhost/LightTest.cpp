// Photometric lights as the light editors meet them: the lamp colour and intensity values, what
// the lights refuse, their pages; the scene module's service, its web preview and its faults.
#include "DkHostTest.h"
#include "TestSupport.h"
#include "dkrx.h"
#include "dkscene.h"

#include "DkPiHost.h"

#include "ComPtr.h"
#include "Unique.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace
{
using dkfw::ComPtr;
using dkfw::UniqueBstr;
using dkfw::UniqueVariant;

constexpr DISPID kLampColor = 200;
constexpr DISPID kIntensity = 201;
constexpr DISPID kWebFile = 202;
constexpr DISPID kWebPreview = 203;
constexpr DISPID kFilterColor = 204;
constexpr DISPID kIntensityLocked = 206;

VARIANT I4(LONG n)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

VARIANT I2(SHORT n)
{
    VARIANT v;
    v.vt = VT_I2;
    v.iVal = n;
    return v;
}

VARIANT R8(double d)
{
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = d;
    return v;
}

UniqueVariant Text(const wchar_t* text)
{
    UniqueVariant v;
    v.Put()->vt = VT_BSTR;
    v.Addr()->bstrVal = ::SysAllocString(text);
    return v;
}

// A one-dimensional array of VARIANTs.
UniqueVariant Array(std::initializer_list<VARIANT> items)
{
    UniqueVariant v;
    SAFEARRAY* sa = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    LONG i = 0;
    for (VARIANT item : items)
    {
        ::SafeArrayPutElement(sa, &i, &item);
        ++i;
    }
    v.Put()->vt = VT_ARRAY | VT_VARIANT;
    v.Addr()->parray = sa;
    return v;
}

std::vector<UniqueVariant> Elements(const VARIANT& v)
{
    std::vector<UniqueVariant> out;
    if (v.vt != (VT_ARRAY | VT_VARIANT))
        return out;
    LONG lo = 0;
    LONG hi = -1;
    ::SafeArrayGetLBound(v.parray, 1, &lo);
    ::SafeArrayGetUBound(v.parray, 1, &hi);
    for (LONG i = lo; i <= hi; ++i)
    {
        UniqueVariant e;
        ::SafeArrayGetElement(v.parray, &i, e.Put());
        out.push_back(std::move(e));
    }
    return out;
}

// A lamp colour as read: its mode, temperature or preset, and colour, each of its own type.
struct Lamp
{
    int mode = -1;
    double value = -1;
    COLORREF color = 0;
};

class Lights : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::InstallHostClasses());
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearUndo();
        dkhost_test::ClearJournal();
    }
    void TearDown() override { dkhost_test::ClearAnswers(); }

    static ComPtr<IDispatch> Object(const wchar_t* handle)
    {
        ComPtr<IDispatch> d;
        EXPECT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), d.Put())) << handle;
        return d;
    }

    static UniqueVariant Get(const wchar_t* handle, DISPID id)
    {
        DISPPARAMS none{};
        UniqueVariant v;
        EXPECT_EQ(S_OK, Object(handle)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, v.Put(),
                                               nullptr, nullptr));
        return v;
    }

    // A write, with the reason of a refusal.
    static HRESULT Put(const wchar_t* handle, DISPID id, const VARIANT& value, std::wstring* why = nullptr)
    {
        VARIANT arg = value;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&arg, &named, 1, 1};
        dkfw::UniqueExcepInfo excep;
        const HRESULT hr = Object(handle)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                                  nullptr, excep.Addr(), nullptr);
        if (why)
            *why = excep.Get().bstrDescription ? excep.Get().bstrDescription : L"";
        return hr;
    }

    static Lamp LampOf(const wchar_t* handle)
    {
        const UniqueVariant v = Get(handle, kLampColor);
        const std::vector<UniqueVariant> e = Elements(v.Get());
        Lamp lamp;
        EXPECT_EQ(3u, e.size()) << "mode, value and colour";
        if (e.size() != 3)
            return lamp;
        EXPECT_EQ(VT_I2, e[0].Type());
        lamp.mode = e[0].Get().iVal;
        EXPECT_EQ(lamp.mode == 0 ? VT_R8 : VT_I2, e[1].Type());
        lamp.value = e[1].Type() == VT_R8 ? e[1].Get().dblVal : e[1].Get().iVal;
        EXPECT_EQ(VT_I4, e[2].Type());
        lamp.color = static_cast<COLORREF>(e[2].Get().lVal);
        return lamp;
    }

    // The intensity's text and its locked flag.
    static std::pair<std::wstring, LONG> IntensityOf(const wchar_t* handle)
    {
        const UniqueVariant v = Get(handle, kIntensity);
        const std::vector<UniqueVariant> e = Elements(v.Get());
        EXPECT_EQ(2u, e.size());
        if (e.size() != 2 || e[0].Type() != VT_BSTR || e[1].Type() != VT_I4)
            return {L"?", -1};
        return {e[0].Get().bstrVal, e[1].Get().lVal};
    }

    // Runs the page the first light maps the property to over the lights, as the component does.
    static HRESULT RunPage(const std::vector<const wchar_t*>& handles, DISPID dispid, std::wstring& display)
    {
        CLSID page{};
        auto browsing = Object(handles[0]).Query<IPerPropertyBrowsing>();
        EXPECT_TRUE(browsing);
        if (!browsing || FAILED(browsing->MapPropertyToPage(dispid, &page)))
            return E_FAIL;
        ComPtr<IUnknown> made;
        if (FAILED(::CoCreateInstance(page, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, made.PutVoid())))
            return E_FAIL;
        auto dialog = made.Query<IDkPropertyPageDialog2>();
        EXPECT_TRUE(dialog);
        if (!dialog)
            return E_NOINTERFACE;
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_UNKNOWN, 0, static_cast<ULONG>(handles.size()));
        for (LONG i = 0; i < static_cast<LONG>(handles.size()); ++i)
            ::SafeArrayPutElement(sa, &i, Object(handles[static_cast<size_t>(i)]).Get());
        UniqueVariant selection;
        selection.Addr()->vt = VT_ARRAY | VT_UNKNOWN;
        selection.Addr()->parray = sa;
        UniqueBstr text(display.c_str());
        const HRESULT hr = dialog->RunDialog(text.Addr(), selection.Get());
        display = std::wstring(text.View());
        return hr;
    }
};

// Each light reads its lamp as the value it holds: a temperature with the colour of that
// temperature, a preset with the preset's swatch, the custom preset with the light's own colour.
TEST_F(Lights, LampColorReadsModeValueAndTheColourItGives)
{
    const Lamp daylight = LampOf(L"80");
    EXPECT_EQ(0, daylight.mode);
    EXPECT_EQ(6500.0, daylight.value);
    EXPECT_GE(GetRValue(daylight.color), 240) << "6500 K is near white";
    EXPECT_GE(GetGValue(daylight.color), 240);
    EXPECT_GE(GetBValue(daylight.color), 240);

    const Lamp preset = LampOf(L"81");
    EXPECT_EQ(1, preset.mode);
    EXPECT_EQ(3.0, preset.value);
    EXPECT_EQ(0xDDF9FFu, preset.color);

    const Lamp custom = LampOf(L"82");
    EXPECT_EQ(1, custom.mode);
    EXPECT_EQ(14.0, custom.value);
    EXPECT_EQ(0x3080FFu, custom.color);
}

// A written lamp colour is taken in either mode, element types as a caller may give them, and
// read back with its colour; one undo step each; the custom preset keeps the light's colour.
TEST_F(Lights, LampColorTakesATemperatureOrAPresetUndoably)
{
    ASSERT_EQ(S_OK, Put(L"80", kLampColor, Array({I4(0), R8(2000)}).Get()));
    Lamp warm = LampOf(L"80");
    EXPECT_EQ(0, warm.mode);
    EXPECT_EQ(2000.0, warm.value);
    EXPECT_GT(GetRValue(warm.color), GetBValue(warm.color) + 100) << "a warm lamp is red, not blue";

    ASSERT_EQ(S_OK, Put(L"80", kLampColor, Array({I2(0), I4(15000), I4(0)}).Get()))
        << "as read: the colour passed over";
    const Lamp cold = LampOf(L"80");
    EXPECT_EQ(15000.0, cold.value);
    EXPECT_GT(GetBValue(cold.color), GetRValue(cold.color)) << "a cold lamp is blue";

    ASSERT_EQ(S_OK, Put(L"80", kLampColor, Array({I4(1), I4(5)}).Get()));
    EXPECT_EQ(1, LampOf(L"80").mode);
    EXPECT_EQ(0xD7F4FFu, LampOf(L"80").color);

    EXPECT_EQ(3, dkhost_test::UndoDepth());
    ASSERT_EQ(1, dkhost_test::Undo(1));
    EXPECT_EQ(15000.0, LampOf(L"80").value);
    ASSERT_EQ(2, dkhost_test::Undo(2));
    EXPECT_EQ(6500.0, LampOf(L"80").value);

    // Away from the custom preset and back: the light's own colour is still there.
    ASSERT_EQ(S_OK, Put(L"82", kLampColor, Array({I4(0), R8(3200)}).Get()));
    ASSERT_EQ(S_OK, Put(L"82", kLampColor, Array({I4(1), I4(14)}).Get()));
    EXPECT_EQ(0x3080FFu, LampOf(L"82").color);
}

// What the light cannot take is refused with a reason the user can read, and leaves the lamp
// and the undo history as they were.
TEST_F(Lights, LampColorRefusesWhatIsNoLampColorWithAReason)
{
    UniqueVariant twoDimensions;
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {1, 0}};
    twoDimensions.Put()->vt = VT_ARRAY | VT_VARIANT;
    twoDimensions.Addr()->parray = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    struct Case
    {
        const char* what;
        UniqueVariant value;
        const wchar_t* reason; // a part of the description
    };
    Case cases[] = {
        {"a number", UniqueVariant(), L"mode"},
        {"text", Text(L"kelvin 3200"), L"mode"},
        {"one element", Array({I4(0)}), L"mode"},
        {"four elements", Array({I4(0), R8(3200), I4(0), I4(0)}), L"mode"},
        {"two dimensions", std::move(twoDimensions), L"mode"},
        {"mode 2", Array({I4(2), R8(3200)}), L"mode"},
        {"mode as text", Array({Text(L"0").Get(), R8(3200)}), L"mode"},
        {"999 K", Array({I4(0), R8(999)}), L"1000 K to 20000 K"},
        {"20001 K", Array({I4(0), R8(20001)}), L"1000 K to 20000 K"},
        {"preset 15", Array({I4(1), I4(15)}), L"0 to 14"},
        {"preset -1", Array({I4(1), I4(-1)}), L"0 to 14"},
        {"preset 2.5", Array({I4(1), R8(2.5)}), L"0 to 14"},
    };
    *cases[0].value.Put() = R8(6500);
    for (Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::wstring why;
        EXPECT_EQ(DISP_E_EXCEPTION, Put(L"80", kLampColor, c.value.Get(), &why));
        EXPECT_NE(std::wstring::npos, why.find(c.reason)) << std::string(why.begin(), why.end());
        EXPECT_EQ(6500.0, LampOf(L"80").value);
        EXPECT_EQ(0, dkhost_test::UndoDepth());
    }
}

// An intensity is written as text and kept as the light shows it; what is no intensity, and
// any write to a locked light, is refused with the reason.
TEST_F(Lights, IntensityIsWrittenAsTextShownInOneFormAndLockedLightsRefuseIt)
{
    const std::pair<const wchar_t*, const wchar_t*> taken[] = {
        {L"1200 cd", L"1200 cd"}, {L"1200", L"1200 cd"}, {L"  0.5LM ", L"0.5 lm"}, {L"300lx", L"300 lx"}};
    for (const auto& [written, shown] : taken)
    {
        ASSERT_EQ(S_OK, Put(L"80", kIntensity, Text(written).Get())) << std::wstring(written).c_str();
        EXPECT_EQ(std::make_pair(std::wstring(shown), 0L), IntensityOf(L"80"));
    }
    ASSERT_EQ(S_OK, Put(L"80", kIntensity, R8(250)));
    EXPECT_EQ(L"250 cd", IntensityOf(L"80").first);

    for (const wchar_t* refused : {L"warm", L"-5 cd", L"", L"12 W", L"12 cd x"})
    {
        std::wstring why;
        EXPECT_EQ(DISP_E_EXCEPTION, Put(L"80", kIntensity, Text(refused).Get(), &why)) << refused;
        EXPECT_NE(std::wstring::npos, why.find(L"intensity")) << std::string(why.begin(), why.end());
        EXPECT_EQ(L"250 cd", IntensityOf(L"80").first);
    }

    EXPECT_EQ(std::make_pair(std::wstring(L"1500 cd"), 1L), IntensityOf(L"83"));
    std::wstring why;
    EXPECT_EQ(DISP_E_EXCEPTION, Put(L"83", kIntensity, Text(L"1200 cd").Get(), &why));
    EXPECT_NE(std::wstring::npos, why.find(L"locked"));
    EXPECT_EQ(L"1500 cd", IntensityOf(L"83").first);
    VARIANT unlocked;
    unlocked.vt = VT_BOOL;
    unlocked.boolVal = VARIANT_FALSE;
    ASSERT_EQ(S_OK, Put(L"83", kIntensityLocked, unlocked));
    EXPECT_EQ(S_OK, Put(L"83", kIntensity, Text(L"1200 cd").Get()));
    EXPECT_EQ(std::make_pair(std::wstring(L"1200 cd"), 0L), IntensityOf(L"83"));
}

// The preview shows the web file and cannot be written; the filter is a colour of the light's
// own, never its layer's or block's.
TEST_F(Lights, WebPreviewFollowsTheWebFileAndTheFilterIsNoMetaColour)
{
    ASSERT_EQ(S_OK, Put(L"82", kWebFile, Text(L"C:\\webs\\spot.dkweb").Get()));
    const UniqueVariant preview = Get(L"82", kWebPreview);
    ASSERT_EQ(VT_BSTR, preview.Type());
    EXPECT_STREQ(L"C:\\webs\\spot.dkweb", preview.Get().bstrVal);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Put(L"82", kWebPreview, Text(L"x.dkweb").Get()));

    for (LONG meta : {0L, 256L})
    {
        std::wstring why;
        EXPECT_EQ(DISP_E_EXCEPTION, Put(L"82", kFilterColor, I4(meta), &why)) << meta;
        EXPECT_NE(std::wstring::npos, why.find(L"ByLayer")) << std::string(why.begin(), why.end());
    }
    EXPECT_EQ(S_OK, Put(L"82", kFilterColor, I4(1)));
}

// The test switch hands out any value in place of the light's, and only while it is set.
TEST_F(Lights, ARawValueStandsInForTheLampColourWhileSet)
{
    const LONG_PTR light = dkhost_test::EntityByHandle(L"80");
    const UniqueVariant mode2 = Array({I2(2), R8(3200), I4(0)});
    dkhost_test::SetRawPropertyValue(light, kLampColor, &mode2.Get());
    const std::vector<UniqueVariant> e = Elements(Get(L"80", kLampColor).Get());
    ASSERT_EQ(3u, e.size());
    EXPECT_EQ(2, e[0].Get().iVal);
    dkhost_test::SetRawPropertyValue(light, kLampColor, nullptr);
    EXPECT_EQ(0, LampOf(L"80").mode);
}

// The lamp colour's and intensity's pages write the answer to every selected light as one
// undo group: "kelvin N" and "preset N" for the lamp, the text for the intensity. A refused
// answer writes nothing and says why.
TEST_F(Lights, PagesWriteTheAnswerToEveryLightOrNothing)
{
    for (DISPID dispid : {kLampColor, kIntensity})
    {
        CLSID page{};
        ASSERT_EQ(S_OK, Object(L"80").Query<IPerPropertyBrowsing>()->MapPropertyToPage(dispid, &page));
        EXPECT_TRUE(page == dkhost_test::kObjectsPageClsid);
    }

    struct Case
    {
        DISPID dispid;
        const wchar_t* answer;
        const wchar_t* display;
    };
    const Case cases[] = {
        {kLampColor, L"kelvin 3200", L"3200 K"},
        {kLampColor, L"Preset 5", L"Preset 5"},
        {kIntensity, L"1200 lm", L"1200 lm"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::wstring(c.answer).c_str());
        const int depth = dkhost_test::UndoDepth();
        dkhost_test::PushAnswer(c.answer);
        std::wstring display = L"shown";
        ASSERT_EQ(S_OK, RunPage({L"80", L"81"}, c.dispid, display));
        EXPECT_EQ(c.display, display);
        EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    }
    for (const wchar_t* h : {L"80", L"81"})
    {
        EXPECT_EQ(1, LampOf(h).mode);
        EXPECT_EQ(5.0, LampOf(h).value);
        EXPECT_EQ(L"1200 lm", IntensityOf(h).first);
    }
    ASSERT_EQ(2, dkhost_test::Undo(2));
    EXPECT_EQ(3200.0, LampOf(L"81").value) << "the intensity's and the preset's steps undone, the temperature's kept";
    EXPECT_EQ(L"1500 cd", IntensityOf(L"81").first);

    // Refused: a lamp that is neither, a kelvin out of range, a locked light among the selected.
    struct Refusal
    {
        DISPID dispid;
        const wchar_t* answer;
        std::vector<const wchar_t*> handles;
        const wchar_t* why;
    };
    const Refusal refusals[] = {
        {kLampColor, L"warm", {L"80"}, L"mode"},
        {kLampColor, L"kelvin 90000", {L"80"}, L"20000 K"},
        {kIntensity, L"900 cd", {L"80", L"83"}, L"locked"},
    };
    for (const Refusal& r : refusals)
    {
        SCOPED_TRACE(std::wstring(r.answer).c_str());
        const int depth = dkhost_test::UndoDepth();
        dkhost_test::PushAnswer(r.answer);
        std::wstring display = L"shown";
        EXPECT_EQ(DISP_E_EXCEPTION, RunPage(r.handles, r.dispid, display));
        EXPECT_NE(std::wstring::npos, std::wstring(dkhost_test::LastPageError()).find(r.why));
        EXPECT_EQ(depth, dkhost_test::UndoDepth());
        EXPECT_EQ(3200.0, LampOf(L"80").value);
        EXPECT_EQ(L"1500 cd", IntensityOf(L"80").first) << "the light before the locked one took nothing";
    }
}

// The scene module as the web preview reaches it: by its service in the system registry and
// the dynamic linker's look-up of its export, under each of its faults.
class SceneModule : public ::testing::Test
{
protected:
    void SetUp() override { dkhost_test::SetSceneModuleFault(dkhost_test::kSceneModuleOk); }
    void TearDown() override { dkhost_test::SetSceneModuleFault(dkhost_test::kSceneModuleOk); }

    static DkRxDynamicLinker* Linker()
    {
        return DkRxDynamicLinker::cast(dkrxSysRegistry()->at(DKRX_DYNAMIC_LINKER_OBJ));
    }

    // The preview function as the component finds it: the module loaded when its service is
    // missing, then the linker asked.
    static DkGenWebPreviewFn Preview()
    {
        if (!dkrxServiceIsRegistered(DKSCENEUI_SERVICE))
            dkrxLoadModule(DKSCENEUI_MODULE, false);
        return reinterpret_cast<DkGenWebPreviewFn>(
            Linker()->getSymbolAddress(DKSCENEUI_SERVICE, DKSCENEUI_WEB_PREVIEW));
    }
};

TEST_F(SceneModule, EachFaultStopsThePreviewWhereItSays)
{
    struct Case
    {
        int fault;
        bool loads, registers, exports;
        const wchar_t* journaled;
    };
    const Case cases[] = {
        {dkhost_test::kSceneModuleOk, true, true, true, L"genWebPreview -> DkSceneUI.drx"},
        {dkhost_test::kSceneModuleMissing, false, false, false, L"dkrxLoadModule DkSceneUI.drx cannot be loaded"},
        {dkhost_test::kSceneModuleNoService, true, false, false, L"no module registered the service"},
        {dkhost_test::kSceneModuleNoPreview, true, true, false, L"DkSceneUI.drx exports no such symbol"},
    };
    ASSERT_TRUE(Linker());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.fault);
        dkhost_test::SetSceneModuleFault(c.fault);
        EXPECT_FALSE(dkrxServiceIsRegistered(DKSCENEUI_SERVICE)) << "each fault starts without the module";
        dkhost_test::ClearJournal();
        EXPECT_EQ(c.loads, dkrxLoadModule(DKSCENEUI_MODULE, false));
        EXPECT_EQ(c.registers, dkrxServiceIsRegistered(DKSCENEUI_SERVICE));
        EXPECT_EQ(c.registers, dkrxSysRegistry()->at(DKSCENEUI_SERVICE) != nullptr);
        EXPECT_EQ(c.exports, Linker()->getSymbolAddress(DKSCENEUI_SERVICE, DKSCENEUI_WEB_PREVIEW) != nullptr);
        EXPECT_EQ(1u, dktest::JournalMatching(c.journaled).size());
    }
}

// A service taken out and put back by the test switch is the module's again; a symbol the
// module does not export, or a service nobody registered, has no address.
TEST_F(SceneModule, TheRegistryAndTheSwitchAgree)
{
    ASSERT_TRUE(Preview());
    EXPECT_EQ(nullptr, Linker()->getSymbolAddress(DKSCENEUI_SERVICE, "noSuchExport"));
    EXPECT_EQ(nullptr, Linker()->getSymbolAddress(L"NoSuchService", DKSCENEUI_WEB_PREVIEW));
    dkhost_test::SetServiceRegistered(DKSCENEUI_SERVICE, false);
    EXPECT_FALSE(dkrxServiceIsRegistered(DKSCENEUI_SERVICE));
    EXPECT_EQ(nullptr, Linker()->getSymbolAddress(DKSCENEUI_SERVICE, DKSCENEUI_WEB_PREVIEW));
    dkhost_test::SetServiceRegistered(DKSCENEUI_SERVICE, true);
    EXPECT_TRUE(dkrxServiceIsRegistered(DKSCENEUI_SERVICE));
    EXPECT_NE(nullptr, Linker()->getSymbolAddress(DKSCENEUI_SERVICE, DKSCENEUI_WEB_PREVIEW));

    // A service put up by the switch alone belongs to no module: no symbol is found for it.
    dkhost_test::SetServiceRegistered(L"Test_Service", true);
    EXPECT_TRUE(dkrxServiceIsRegistered(L"Test_Service"));
    EXPECT_EQ(nullptr, Linker()->getSymbolAddress(L"Test_Service", DKSCENEUI_WEB_PREVIEW));
    dkhost_test::SetServiceRegistered(L"Test_Service", false);
    EXPECT_FALSE(dkrxServiceIsRegistered(L"Test_Service"));
}

// A bitmap to draw a preview into, white to start with.
class Canvas
{
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_dc(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
        m_bitmap.Reset(
            ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0));
        m_old = ::SelectObject(m_dc.Get(), m_bitmap.Get());
        std::fill(m_bits, m_bits + width * height, 0xFFFFFFu);
    }
    ~Canvas() { ::SelectObject(m_dc.Get(), m_old); }
    HDC Dc() const { return m_dc.Get(); }
    // The box of the pixels that are no longer white (empty when none).
    RECT Drawn() const
    {
        RECT box{m_width, m_height, -1, -1};
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if ((m_bits[y * m_width + x] & 0xFFFFFFu) != 0xFFFFFFu)
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                           std::max<LONG>(box.bottom, y + 1)};
        return box.right < 0 ? RECT{} : box;
    }

private:
    int m_width, m_height;
    dkfw::UniqueMemoryDc m_dc;
    dkfw::UniqueHbitmap m_bitmap;
    DWORD* m_bits = nullptr;
    HGDIOBJ m_old = nullptr;
};

// The sample's web file is drawn as an outline inside the bounds, centred and as large as they
// allow; a file that is missing or no web file draws nothing and says so.
TEST_F(SceneModule, WebPreviewDrawsAReadableFileAndNothingElse)
{
    ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
    DkGenWebPreviewFn preview = Preview();
    ASSERT_TRUE(preview);

    dkfw::ComPtr<IDispatch> light;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"80"), light.Put()));
    DISPPARAMS none{};
    UniqueVariant file;
    ASSERT_EQ(S_OK, light->Invoke(kWebPreview, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, file.Put(), nullptr, nullptr));
    {
        Canvas canvas(200, 40);
        const RECT bounds{60, 4, 140, 36};
        dkhost_test::ClearJournal();
        ASSERT_TRUE(preview(file.Get().bstrVal, canvas.Dc(), &bounds, 0));
        const RECT drawn = canvas.Drawn();
        EXPECT_GE(drawn.left, bounds.left);
        EXPECT_LE(drawn.right, bounds.right);
        EXPECT_GE(drawn.top, bounds.top);
        EXPECT_LE(drawn.bottom, bounds.bottom);
        EXPECT_GE(drawn.bottom - drawn.top, (bounds.bottom - bounds.top) * 3 / 4) << "scaled to fit";
        EXPECT_NEAR((drawn.left + drawn.right) / 2.0, (bounds.left + bounds.right) / 2.0, 2.0) << "centred";
        EXPECT_EQ(1u, dktest::JournalMatching(L"genWebPreview Downlight.dkweb ok").size());
    }

    dktest::TempDir dir;
    const std::pair<const char*, const char*> bad[] = {
        {"header.dkweb", "WEB 1\n0 100\n90 0\n"},      {"backwards.dkweb", "DKWEB 1\n0 100\n50 80\n40 60\n"},
        {"negative.dkweb", "DKWEB 1\n0 100\n90 -1\n"}, {"words.dkweb", "DKWEB 1\n0 bright\n90 0\n"},
        {"dark.dkweb", "DKWEB 1\n0 0\n90 0\n"},
    };
    std::vector<std::wstring> files{dir.Path() + L"missing.dkweb"};
    for (const auto& [name, text] : bad)
    {
        files.push_back(dir.Path() + std::wstring(name, name + std::strlen(name)));
        std::ofstream(files.back().c_str(), std::ios::binary) << text;
    }
    for (const std::wstring& f : files)
    {
        SCOPED_TRACE(std::string(f.begin(), f.end()));
        Canvas canvas(80, 20);
        const RECT bounds{0, 0, 80, 20};
        dkhost_test::ClearJournal();
        EXPECT_FALSE(preview(f.c_str(), canvas.Dc(), &bounds, 0));
        EXPECT_EQ(0, canvas.Drawn().right) << "nothing drawn";
        EXPECT_EQ(1u, dktest::JournalMatching(L"unreadable").size());
    }
}
} // namespace

// The light rows: the lamp colour by temperature (typed, with its swatch) or preset (listed),
// switching with the value's mode; the intensity with its page button; the web preview drawn
// by the host's scene module, and nothing when any part of it is missing.
#include "DropDownFixture.h"
#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "DkHostTest.h"
#include "DkPEXCtl.h"
#include "DkPiHost.h"

#include <cwchar>
#include <vector>

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kLampColor = 200;
constexpr DISPID kIntensity = 201;
constexpr DISPID kWebPreview = 203;
constexpr DISPID kWebFile = 202;
// The sample's lights: at 6500 K, on preset 3, on the custom preset, with a locked intensity.
const wchar_t* const kWarm = L"80";
const wchar_t* const kPreset3 = L"81";
const wchar_t* const kCustom = L"82";
const wchar_t* const kLocked = L"83";

constexpr UINT kSwatchId = 1040;
constexpr UINT kButtonId = 1043;
constexpr int kRowHeight = 20;

class LightRows : public DropDownFixture
{
protected:
    void TearDown() override
    {
        dkhost_test::ClearAnswers();
        dkhost_test::SetSceneModuleFault(0);
        dkhost_test::SetCommandFlags(0);
        for (const wchar_t* h : {kWarm, kPreset3, kCustom, kLocked})
            dkhost_test::SetRawPropertyValue(dkhost_test::EntityByHandle(h), kLampColor, nullptr);
        DropDownFixture::TearDown();
    }

    // The lamp colour of a light as the host holds it: mode, temperature or preset, colour.
    struct Lamp
    {
        int mode = -1;
        double setting = 0;
        LONG color = 0;
    };
    static Lamp LampOf(const wchar_t* handle)
    {
        dkfw::ComPtr<IDispatch> object;
        dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), object.Put());
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        Lamp lamp;
        if (!object ||
            FAILED(object->Invoke(kLampColor, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr)) ||
            v.Type() != (VT_ARRAY | VT_VARIANT))
            return lamp;
        auto element = [&](LONG i, VARTYPE vt)
        {
            dkfw::UniqueVariant e;
            dkfw::UniqueVariant converted;
            ::SafeArrayGetElement(v.Get().parray, &i, e.Put());
            ::VariantChangeType(converted.Put(), e.Addr(), 0, vt);
            return vt == VT_R8 ? converted.Get().dblVal : static_cast<double>(converted.Get().lVal);
        };
        lamp.mode = static_cast<int>(element(0, VT_I4));
        lamp.setting = element(1, VT_R8);
        lamp.color = static_cast<LONG>(element(2, VT_I4));
        return lamp;
    }
    static void PutLamp(const wchar_t* handle, int mode, double setting)
    {
        SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
        VARIANT e;
        e.vt = VT_I4;
        e.lVal = mode;
        LONG i = 0;
        ::SafeArrayPutElement(array, &i, &e);
        if (mode == 0)
        {
            e.vt = VT_R8;
            e.dblVal = setting;
        }
        else
            e.lVal = static_cast<LONG>(setting);
        i = 1;
        ::SafeArrayPutElement(array, &i, &e);
        dkfw::UniqueVariant value;
        value.Addr()->vt = VT_ARRAY | VT_VARIANT;
        value.Addr()->parray = array;
        PutValue(handle, kLampColor, *value.Addr());
    }

    // The inactive row drawn into a bitmap of 200 x kRowHeight, pixel by pixel (row-major).
    std::vector<COLORREF> DrawnRow()
    {
        std::vector<COLORREF> pixels;
        auto view = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IViewObject>();
        EXPECT_TRUE(view);
        if (!view)
            return pixels;
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 200, kRowHeight);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        const RECT all{0, 0, 200, kRowHeight};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        const RECTL bounds{0, 0, 200, kRowHeight};
        EXPECT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0));
        for (int y = 0; y < kRowHeight; ++y)
            for (int x = 0; x < 200; ++x)
                pixels.push_back(::GetPixel(dc, x, y));
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        return pixels;
    }
    static COLORREF At(const std::vector<COLORREF>& pixels, int x, int y)
    {
        return pixels.at(static_cast<size_t>(y * 200 + x));
    }
    HRESULT Refresh()
    {
        auto control = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPiPropertyEditControl>();
        return control ? control->Refresh(0) : E_NOINTERFACE;
    }
    // The pixels the inactive row draws other than its background.
    int InkedPixels()
    {
        const auto pixels = DrawnRow();
        int n = 0;
        for (COLORREF c : pixels)
            n += c != At(pixels, 199, 0);
        return n;
    }
    bool Shown(UINT id) const { return Edit(id) && ::IsWindowVisible(Edit(id)); }
    std::wstring PresetName(int preset) const
    {
        wchar_t text[128] = {};
        ::LoadStringW(dktest::ResourceLibrary(), static_cast<UINT>(254 + preset), text, 128);
        return text;
    }
    void TypeAndEnter(const std::wstring& text)
    {
        ::SetWindowTextW(Edit(), L"");
        Type(Edit(), text);
        Key(Edit(), VK_RETURN);
        Pump(0);
    }
};

TEST_F(LightRows, ATemperatureShowsInKelvinBesideItsSwatchAndATypedOneIsWrittenAsOneChange)
{
    const Lamp before = LampOf(kWarm);
    ASSERT_EQ(0, before.mode);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor));
    EXPECT_EQ(L"6500.000 K", m_host.DrawnText(kRowHeight));
    // The swatch: 10 x 10 at left + 2, centred, framed, filled with the light's colour.
    const auto pixels = DrawnRow();
    EXPECT_EQ(static_cast<COLORREF>(before.color), At(pixels, 7, 9));
    EXPECT_NE(static_cast<COLORREF>(before.color), At(pixels, 2, 9)) << "the frame";
    EXPECT_NE(At(pixels, 7, 9), At(pixels, 7, 2)) << "above the swatch is the row";

    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_TRUE(Shown(1038));
    EXPECT_TRUE(Shown(kSwatchId));
    EXPECT_TRUE(Shown(kButtonId));
    EXPECT_FALSE(Shown(1002)) << "no preset list in temperature mode";
    RECT edit{};
    ::GetWindowRect(Edit(), &edit);
    POINT origin{edit.left, edit.top};
    ::ScreenToClient(Control(), &origin);
    EXPECT_EQ(kRowHeight, origin.x) << "the edit box starts one row-height right";
    EXPECT_EQ(L"6500.000 K", WindowText(Edit()));

    dkhost_test::ClearUndo();
    TypeAndEnter(L"3200");
    const Lamp after = LampOf(kWarm);
    EXPECT_EQ(0, after.mode);
    EXPECT_DOUBLE_EQ(3200.0, after.setting);
    EXPECT_EQ(1, dkhost_test::UndoDepth());
    EXPECT_EQ(L"3200.000 K", WindowText(Edit()));
    // The text the row shows, unit and all, writes the same number.
    dkhost_test::ClearUndo();
    TypeAndEnter(L"4100.500 K");
    EXPECT_DOUBLE_EQ(4100.5, LampOf(kWarm).setting);
}

TEST_F(LightRows, ATemperatureTheLightRefusesIsToldOnceAndTheOldTextComesBack)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dkhost_test::ClearUndo();
    for (const wchar_t* typed : {L"50000", L"warm"})
    {
        dktest::MessageBoxCatcher boxes;
        TypeAndEnter(typed);
        EXPECT_EQ(1u, boxes.Texts().size()) << typed;
        EXPECT_EQ(L"6500.000 K", WindowText(Edit())) << typed;
        EXPECT_DOUBLE_EQ(6500.0, LampOf(kWarm).setting);
        EXPECT_EQ(0, dkhost_test::UndoDepth());
    }
}

TEST_F(LightRows, WhileAPaletteCommandRunsTheTemperatureWrittenIsTheValueHandedIn)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ::SetWindowTextW(Edit(), L"2700");
    dkhost_test::SetCommandFlags(0x8000000);
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_R8;
    value.Addr()->dblVal = 5000;
    EXPECT_EQ(S_OK, m_host.Control()->SetValue(value.Addr(), ValueSpecified));
    dkhost_test::SetCommandFlags(0);
    EXPECT_DOUBLE_EQ(5000.0, LampOf(kWarm).setting) << "not the edit's 2700";
}

TEST_F(LightRows, ThePresetListHoldsTheFourteenPresetsAndWritesTheChosenOne)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kPreset3}, kLampColor));
    EXPECT_EQ(PresetName(3), m_host.DrawnText(kRowHeight));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_TRUE(Shown(1002));
    EXPECT_FALSE(Shown(1038));
    EXPECT_FALSE(Shown(kSwatchId));
    const auto entries = Entries();
    ASSERT_EQ(14u, entries.size()) << "no custom or varies entry for preset 3";
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(PresetName(i), entries[static_cast<size_t>(i)]);
    EXPECT_EQ(3, Selected());
    dkhost_test::ClearUndo();
    Choose(5);
    const Lamp lamp = LampOf(kPreset3);
    EXPECT_EQ(1, lamp.mode);
    EXPECT_EQ(5, static_cast<int>(lamp.setting));
    EXPECT_EQ(1, dkhost_test::UndoDepth());
}

TEST_F(LightRows, TheCustomEntryShowsOnlyForTheCustomPresetAndDifferingPresetsShowVaries)
{
    const Lamp custom = LampOf(kCustom);
    ASSERT_EQ(1, custom.mode);
    ASSERT_EQ(14, static_cast<int>(custom.setting));
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kCustom}, kLampColor));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_EQ(15u, Entries().size());
    EXPECT_EQ(14, Selected());
    EXPECT_EQ(L"Custom", SelectedText());
    // The inactive row draws the custom entry's swatch in the light's own colour, text at 18.
    ASSERT_EQ(S_OK, m_host.Deactivate());
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kCustom}, kLampColor));
    EXPECT_EQ(static_cast<COLORREF>(custom.color), At(DrawnRow(), 7, 9));

    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kPreset3, kCustom}, kLampColor));
    EXPECT_EQ(L"*VARIES*", m_host.DrawnText(kRowHeight));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(L"*VARIES*", SelectedText());
    EXPECT_LT(IndexOf(L"Custom"), 0);
    dkhost_test::ClearUndo();
    Choose(L"*VARIES*");
    EXPECT_EQ(0, dkhost_test::UndoDepth()) << "the varies entry writes nothing";
    EXPECT_EQ(3, static_cast<int>(LampOf(kPreset3).setting));
}

TEST_F(LightRows, TheRowFollowsTheModeOfTheValueAtEveryRefresh)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_TRUE(Shown(1038));
    PutLamp(kWarm, 1, 13);
    ASSERT_EQ(S_OK, Refresh());
    Pump(0);
    EXPECT_TRUE(Shown(1002)) << "the preset list shows at once in the active row";
    EXPECT_FALSE(Shown(1038));
    EXPECT_FALSE(Shown(kSwatchId));
    EXPECT_FALSE(Shown(kButtonId));
    EXPECT_EQ(13, Selected());
    PutLamp(kWarm, 0, 6500);
    ASSERT_EQ(S_OK, Refresh());
    Pump(0);
    EXPECT_FALSE(Shown(1002));
    EXPECT_TRUE(Shown(1038));
    EXPECT_EQ(L"6500.000 K", WindowText(Edit()));
}

TEST_F(LightRows, TheLightsPageTurnsATemperatureIntoAPresetThroughTheRowsButton)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_TRUE(Shown(kButtonId));
    dkhost_test::PushAnswer(L"preset 5");
    ::SendMessageW(Edit(kButtonId), BM_CLICK, 0, 0);
    Pump(0);
    EXPECT_EQ(1, LampOf(kWarm).mode);
    EXPECT_TRUE(Shown(1002));
    EXPECT_FALSE(Shown(1038));
    EXPECT_EQ(5, Selected());
}

TEST_F(LightRows, AMalformedLampValueFailsTheRowAndARefreshKeepsWhatItShowed)
{
    const LONG_PTR light = dkhost_test::EntityByHandle(kWarm);
    dkfw::UniqueVariant notArray;
    notArray.Addr()->vt = VT_I4;
    notArray.Addr()->lVal = 6500;
    dkhost_test::SetRawPropertyValue(light, kLampColor, notArray.Addr());
    EXPECT_EQ(E_FAIL, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor));

    // A mode that is neither, and an array short of its colour.
    auto array = [](std::vector<LONG> items)
    {
        dkfw::UniqueVariant v;
        SAFEARRAY* a = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
        for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i)
        {
            VARIANT e;
            e.vt = VT_I4;
            e.lVal = items[static_cast<size_t>(i)];
            ::SafeArrayPutElement(a, &i, &e);
        }
        v.Addr()->vt = VT_ARRAY | VT_VARIANT;
        v.Addr()->parray = a;
        return v;
    };
    std::vector<dkfw::UniqueVariant> bad;
    bad.push_back(array({2, 6500, 0xFFFFFF}));
    bad.push_back(array({0, 6500}));
    for (auto& value : bad)
    {
        dkhost_test::SetRawPropertyValue(light, kLampColor, value.Addr());
        EXPECT_EQ(E_FAIL, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor));
    }

    dkhost_test::SetRawPropertyValue(light, kLampColor, nullptr);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor));
    dkhost_test::SetRawPropertyValue(light, kLampColor, notArray.Addr());
    Refresh();
    EXPECT_EQ(L"6500.000 K", m_host.DrawnText(kRowHeight));
}

TEST_F(LightRows, IntensityHasItsButtonOnlyForOneUnlockedLight)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightIntensity, {kWarm}, kIntensity));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(Shown(kButtonId));
    const std::wstring text = WindowText(Edit());
    EXPECT_NE(std::wstring::npos, text.find(L"cd")) << std::string(text.begin(), text.end());

    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightIntensity, {kLocked}, kIntensity));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_FALSE(Edit(kButtonId));

    // Two lights of the same intensity: the text, and no button.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightIntensity, {kWarm, kPreset3}, kIntensity));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(text, WindowText(Edit()));
    EXPECT_FALSE(Edit(kButtonId));
}

TEST_F(LightRows, IntensitysPageLeavesTheEditBoxAsWideAsBefore)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightIntensity, {kWarm}, kIntensity));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    RECT edit{};
    RECT button{};
    ::GetWindowRect(Edit(), &edit);
    ::GetWindowRect(Edit(kButtonId), &button);
    for (int i = 0; i < 2; ++i)
    {
        dkhost_test::PushAnswer(L"cancel");
        ::SendMessageW(Edit(kButtonId), BM_CLICK, 0, 0);
        Pump(0);
        RECT now{};
        ::GetWindowRect(Edit(), &now);
        EXPECT_EQ(edit.right, now.right) << "after page " << i;
        ::GetWindowRect(Edit(kButtonId), &now);
        EXPECT_EQ(button.left, now.left) << "after page " << i;
    }
}

TEST_F(LightRows, AReadOnlyLampColorTakesNeitherATemperatureNorAPreset)
{
    // Read-only as the palette says, and as the light itself says.
    for (const bool byObject : {false, true})
    {
        SCOPED_TRACE(byObject ? "the light says" : "the palette says");
        for (const wchar_t* light : {kWarm, kPreset3})
            dkhost_test::SetEditable(dkhost_test::EntityByHandle(light), kLampColor, !byObject);
        dkhost_test::ClearUndo();

        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor, !byObject));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        if (Edit())
        {
            ::SetWindowTextW(Edit(), L"3000");
            Key(Edit(), VK_RETURN);
            Pump(0);
        }
        EXPECT_DOUBLE_EQ(6500.0, LampOf(kWarm).setting);

        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kPreset3}, kLampColor, !byObject));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        EXPECT_FALSE(Shown(1002));
        Choose(6);
        EXPECT_EQ(3, static_cast<int>(LampOf(kPreset3).setting));
        EXPECT_EQ(0, dkhost_test::UndoDepth());
    }
    for (const wchar_t* light : {kWarm, kPreset3})
        dkhost_test::SetEditable(dkhost_test::EntityByHandle(light), kLampColor, true);
}

TEST_F(LightRows, IntensityIsWrittenAsTypedAndARefusalLeavesTheOldText)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightIntensity, {kWarm}, kIntensity));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dkhost_test::ClearUndo();
    TypeAndEnter(L"1200 cd");
    EXPECT_EQ(L"1200 cd", WindowText(Edit()));
    EXPECT_EQ(1, dkhost_test::UndoDepth());
    dktest::MessageBoxCatcher boxes;
    TypeAndEnter(L"warm");
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(L"1200 cd", WindowText(Edit()));
    EXPECT_EQ(1, dkhost_test::UndoDepth());
}

TEST_F(LightRows, TheWebPreviewIsDrawnByTheSceneModuleAndNothingIsDrawnWhenAPartIsMissing)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightWebPreview, {kWarm}, kWebPreview));
    dkhost_test::ClearJournal();
    EXPECT_GT(InkedPixels(), 10) << "an outline of the web";
    EXPECT_EQ(1u, dktest::JournalMatching(L"genWebPreview Downlight.dkweb ok").size());

    dktest::MessageBoxCatcher boxes;
    for (int fault : {1, 2, 3})
    {
        dkhost_test::SetSceneModuleFault(fault);
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightWebPreview, {kWarm}, kWebPreview)) << fault;
        EXPECT_EQ(0, InkedPixels()) << fault;
        EXPECT_EQ(0, InkedPixels()) << "drawn again: " << fault;
    }
    dkhost_test::SetSceneModuleFault(0);
    Put(kWarm, kWebFile, L"C:\\nowhere\\missing.dkweb");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightWebPreview, {kWarm}, kWebPreview));
    EXPECT_EQ(0, InkedPixels());
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(LightRows, RowsOfEveryLightEditorGiveBackWhatTheyTook)
{
    auto once = [this]
    {
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kWarm}, kLampColor));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightLampColor, {kPreset3, kCustom}, kLampColor));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        ::SendMessageW(Combo(), CB_SHOWDROPDOWN, TRUE, 0);
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightIntensity, {kWarm}, kIntensity));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorLightWebPreview, {kWarm}, kWebPreview));
        InkedPixels();
        m_host.Release();
        Pump(0);
    };
    once();
    const Resources before = CountResources();
    for (int i = 0; i < 5; ++i)
        once();
    ExpectSameResources(before, CountResources());
    m_objects.clear();
    for (const wchar_t* h : {kWarm, kPreset3, kCustom})
        EXPECT_EQ(1u, dkhost_test::PaletteObjectRefs(dkhost_test::EntityByHandle(h))) << "the drawing's own";
}
} // namespace

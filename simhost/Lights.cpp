// Photometric lights: lamp colours from temperatures and presets, intensities as text, and the
// forms the light reads, takes and keeps them in.
#include "Lights.h"

#include "ColorObject.h"
#include "dkcm.h"

#include "Unique.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace dkhost
{
namespace
{
const COLORREF kPresetSwatches[] = {0xFFFFFF, 0xE5FDFF, 0xE5FDFF, 0xDDF9FF, 0xF9FFF8, 0xD7F4FF, 0xFCFCFF,
                                    0xDBF8FF, 0xDBF8FF, 0xE1FAFF, 0xEAFFEA, 0xDEFFDE, 0xCCEDFF, 0xCCE6FF};
constexpr COLORREF kWhite = 0xFFFFFF;

BYTE Channel(double x) noexcept
{
    return static_cast<BYTE>(std::clamp(x, 0.0, 255.0) + 0.5);
}

std::wstring Trimmed(const std::wstring& s)
{
    const size_t first = s.find_first_not_of(L" \t");
    const size_t last = s.find_last_not_of(L" \t");
    return first == std::wstring::npos ? std::wstring() : s.substr(first, last - first + 1);
}

std::wstring Lower(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// The elements of a one-dimensional array of VARIANTs, from its lower bound; false for any
// other value.
bool Elements(const VARIANT& v, std::vector<dkfw::UniqueVariant>& out)
{
    out.clear();
    if (v.vt != (VT_ARRAY | VT_VARIANT) || !v.parray || ::SafeArrayGetDim(v.parray) != 1)
        return false;
    LONG lo = 0;
    LONG hi = -1;
    if (FAILED(::SafeArrayGetLBound(v.parray, 1, &lo)) || FAILED(::SafeArrayGetUBound(v.parray, 1, &hi)))
        return false;
    for (LONG i = lo; i <= hi && i - lo < 16; ++i)
    {
        dkfw::UniqueVariant e;
        if (FAILED(::SafeArrayGetElement(v.parray, &i, e.Put())))
            return false;
        out.push_back(std::move(e));
    }
    return true;
}

// A whole number held by a VARIANT of a numeric type (an integral double counts).
bool WholeNumber(const VARIANT& v, LONG& n)
{
    dkfw::UniqueVariant r;
    if (v.vt == VT_BSTR || v.vt == VT_EMPTY || v.vt == VT_NULL ||
        FAILED(::VariantChangeType(r.Put(), const_cast<VARIANT*>(&v), 0, VT_R8)))
        return false;
    const double d = r.Get().dblVal;
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 2147483647.0)
        return false;
    n = static_cast<LONG>(d);
    return true;
}

bool Number(const VARIANT& v, double& d)
{
    dkfw::UniqueVariant r;
    if (v.vt == VT_BSTR || v.vt == VT_EMPTY || v.vt == VT_NULL ||
        FAILED(::VariantChangeType(r.Put(), const_cast<VARIANT*>(&v), 0, VT_R8)))
        return false;
    d = r.Get().dblVal;
    return true;
}

HRESULT MakeArray(std::vector<VARIANT>& items, VARIANT* out)
{
    SAFEARRAY* sa = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    if (!sa)
        return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i)
        if (const HRESULT hr = ::SafeArrayPutElement(sa, &i, &items[static_cast<size_t>(i)]); FAILED(hr))
        {
            ::SafeArrayDestroy(sa);
            return hr;
        }
    out->vt = VT_ARRAY | VT_VARIANT;
    out->parray = sa;
    return S_OK;
}

VARIANT Long(LONG n)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

VARIANT Short(LONG n)
{
    VARIANT v;
    v.vt = VT_I2;
    v.iVal = static_cast<SHORT>(n);
    return v;
}

VARIANT Real(double d)
{
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = d;
    return v;
}

const VARIANT& Stored(const Record& r, const wchar_t* name)
{
    static const VARIANT empty{};
    const int i = r.cls ? r.cls->SlotIndex(name) : -1;
    return i < 0 ? empty : r.values[static_cast<size_t>(i)].Get();
}

bool KeptLampColor(const VARIANT& written, VARIANT* kept, std::wstring& why)
{
    std::vector<dkfw::UniqueVariant> e;
    if (!Elements(written, e) || e.size() < 2 || e.size() > 3)
    {
        why = L"A lamp color is a mode (0 a color temperature, 1 a preset) and a temperature or a preset.";
        return false;
    }
    LONG mode = -1;
    if (!WholeNumber(e[0].Get(), mode) || (mode != 0 && mode != 1))
    {
        why = L"A lamp color's mode is 0 (a color temperature) or 1 (a preset).";
        return false;
    }
    std::vector<VARIANT> items{Long(mode)};
    if (mode == 0)
    {
        double kelvin = 0;
        if (!Number(e[1].Get(), kelvin) || !std::isfinite(kelvin) || kelvin < kLowestKelvin || kelvin > kHighestKelvin)
        {
            why = L"A color temperature is from 1000 K to 20000 K.";
            return false;
        }
        items.push_back(Real(kelvin));
    }
    else
    {
        LONG preset = -1;
        if (!WholeNumber(e[1].Get(), preset) || preset < 0 || preset > kCustomLampPreset)
        {
            why = L"A lamp color preset is from 0 to 14.";
            return false;
        }
        items.push_back(Long(preset));
    }
    return SUCCEEDED(MakeArray(items, kept));
}

// "1200", "1200 cd", "0.5lm": the number and the unit, or false.
bool KeptIntensity(const VARIANT& written, VARIANT* kept, std::wstring& why)
{
    const wchar_t* rule = L"An intensity is a number of 0 or more, followed by cd, lm or lx.";
    dkfw::UniqueVariant text;
    if (written.vt == VT_BSTR)
        text.CopyFrom(written);
    else if (written.vt & VT_ARRAY ||
             FAILED(::VariantChangeType(text.Put(), const_cast<VARIANT*>(&written), 0, VT_BSTR)))
    {
        why = rule;
        return false;
    }
    const std::wstring given = Trimmed(text.Get().bstrVal ? text.Get().bstrVal : L"");
    wchar_t* end = nullptr;
    double d = given.empty() || !(std::iswdigit(given[0]) || given[0] == L'.' || given[0] == L'-' || given[0] == L'+')
                   ? NAN
                   : std::wcstod(given.c_str(), &end);
    if (!std::isfinite(d))
    {
        why = rule;
        return false;
    }
    if (d < 0)
    {
        why = L"An intensity cannot be negative.";
        return false;
    }
    std::wstring unit = Lower(Trimmed(end));
    if (unit.empty())
        unit = L"cd";
    if (unit != L"cd" && unit != L"lm" && unit != L"lx")
    {
        why = rule;
        return false;
    }
    wchar_t number[40];
    std::swprintf(number, 40, L"%.10g", d + 0.0); // -0 is 0
    const std::wstring shown = std::wstring(number) + L" " + unit;
    kept->vt = VT_BSTR;
    kept->bstrVal = ::SysAllocString(shown.c_str());
    return kept->bstrVal != nullptr;
}
} // namespace

COLORREF KelvinColor(double kelvin) noexcept
{
    // A fit of the colours of a black body to sRGB, good enough for a lamp's swatch.
    const double t = std::clamp(kelvin, kLowestKelvin, kHighestKelvin) / 100.0;
    const double red = t <= 66 ? 255 : 329.698727446 * std::pow(t - 60, -0.1332047592);
    const double green =
        t <= 66 ? 99.4708025861 * std::log(t) - 161.1195681661 : 288.1221695283 * std::pow(t - 60, -0.0755148492);
    const double blue = t >= 66 ? 255 : t <= 19 ? 0 : 138.5177312231 * std::log(t - 10) - 305.0447927307;
    return RGB(Channel(red), Channel(green), Channel(blue));
}

COLORREF PresetColor(int preset) noexcept
{
    return preset >= 0 && preset < kCustomLampPreset ? kPresetSwatches[preset] : 0;
}

bool KeptLightValue(LightValue kind, const VARIANT& written, VARIANT* kept, std::wstring& why)
try
{
    ::VariantInit(kept);
    return kind == LightValue::LampColor   ? KeptLampColor(written, kept, why)
           : kind == LightValue::Intensity ? KeptIntensity(written, kept, why)
                                           : false;
}
catch (...)
{
    why = L"Out of memory.";
    return false;
}

bool IntensityLocked(const Record& light) noexcept
{
    const VARIANT& v = Stored(light, L"IntensityLocked");
    return v.vt == VT_BOOL && v.boolVal != VARIANT_FALSE;
}

HRESULT ReadLightValue(const Record& light, const PropertySlot& slot, VARIANT* out)
try
{
    ::VariantInit(out);
    const VARIANT& kept = light.values[static_cast<size_t>(light.cls->SlotIndex(slot.dispid))].Get();
    std::vector<VARIANT> items;
    if (slot.light == LightValue::Intensity)
    {
        if (kept.vt != VT_BSTR)
            return E_UNEXPECTED;
        items = {kept, Long(IntensityLocked(light) ? 1 : 0)}; // the text is copied by the array
        return MakeArray(items, out);
    }
    std::vector<dkfw::UniqueVariant> e;
    if (slot.light != LightValue::LampColor || !Elements(kept, e) || e.size() != 2)
        return E_UNEXPECTED;
    const LONG mode = e[0].Get().lVal;
    if (mode == 0)
    {
        const double kelvin = e[1].Get().dblVal;
        items = {Short(0), Real(kelvin), Long(static_cast<LONG>(KelvinColor(kelvin)))};
    }
    else
    {
        const LONG preset = e[1].Get().lVal;
        const VARIANT& custom = Stored(light, L"LampCustomColor");
        const COLORREF colour = preset == kCustomLampPreset
                                    ? (custom.vt == VT_I4 ? static_cast<COLORREF>(custom.lVal) : kWhite)
                                    : PresetColor(preset);
        items = {Short(1), Short(preset), Long(static_cast<LONG>(colour))};
    }
    return MakeArray(items, out);
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT LampColorFromText(const std::wstring& text, VARIANT* out)
try
{
    ::VariantInit(out);
    const std::wstring given = Trimmed(text);
    const size_t blank = given.find_first_of(L" \t");
    const std::wstring word = Lower(given.substr(0, blank));
    const std::wstring rest = blank == std::wstring::npos ? std::wstring() : Trimmed(given.substr(blank));
    wchar_t* end = nullptr;
    const double d = rest.empty() ? NAN : std::wcstod(rest.c_str(), &end);
    const bool number = std::isfinite(d) && end && !*end;
    if (number && word == L"kelvin")
    {
        std::vector<VARIANT> items{Long(0), Real(d)};
        return MakeArray(items, out);
    }
    if (number && word == L"preset" && d == std::floor(d) && std::fabs(d) < 1e9)
    {
        std::vector<VARIANT> items{Long(1), Long(static_cast<LONG>(d))};
        return MakeArray(items, out);
    }
    out->vt = VT_BSTR;
    out->bstrVal = ::SysAllocString(text.c_str());
    return out->bstrVal ? S_OK : E_OUTOFMEMORY;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

std::wstring LightValueText(const VARIANT& v)
{
    std::vector<dkfw::UniqueVariant> e;
    if (!Elements(v, e) || e.size() < 2)
        return L"";
    if (e[0].Type() == VT_BSTR)
        return e[0].Get().bstrVal ? e[0].Get().bstrVal : L"";
    LONG mode = -1;
    double second = 0;
    if (!WholeNumber(e[0].Get(), mode) || !Number(e[1].Get(), second))
        return L"";
    wchar_t text[48];
    if (mode == 0)
        std::swprintf(text, 48, L"%g K", second);
    else if (second == kCustomLampPreset)
        return L"Custom";
    else
        std::swprintf(text, 48, L"Preset %g", second);
    return text;
}

void InitLight(Record& light)
{
    auto set = [&](const wchar_t* name, const VARIANT& v)
    {
        if (const int i = light.cls->SlotIndex(name); i >= 0)
            light.values[static_cast<size_t>(i)].CopyFrom(v);
    };
    std::vector<VARIANT> lamp{Long(0), Real(6500)};
    dkfw::UniqueVariant v;
    if (SUCCEEDED(MakeArray(lamp, v.Put())))
        set(L"LampColor", v.Get());
    v.Put()->vt = VT_BSTR;
    v.Addr()->bstrVal = ::SysAllocString(L"1500 cd");
    set(L"Intensity", v.Get());
    set(L"LampCustomColor", Long(static_cast<LONG>(kWhite)));
    DkCmColor white;
    white.setRGB(255, 255, 255);
    v.Put()->vt = VT_DISPATCH;
    if (SUCCEEDED(NewColorObject(white, &v.Addr()->pdispVal)))
        set(L"FilterColor", v.Get());
}
} // namespace dkhost

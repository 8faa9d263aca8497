// Photometric lights: the lamp colour (a colour temperature or one of the host's preset lamp
// colours) and the intensity, each kept in one form, read in another and written in a third.
#pragma once

#include "Drawing.h"

#include <windows.h>

#include <string>

namespace dkhost
{
// The presets 0 to 13 are the host's lamps; 14 is the light's own colour.
constexpr int kCustomLampPreset = 14;
constexpr double kLowestKelvin = 1000;
constexpr double kHighestKelvin = 20000;

// The colour a lamp of that temperature gives, 0x00BBGGRR (the temperature is clamped to the
// range a light takes).
COLORREF KelvinColor(double kelvin) noexcept;
// A host preset's swatch, 0 to 13 (black for any other).
COLORREF PresetColor(int preset) noexcept;

// A value written to a light's property as the light keeps it, or false with why the light
// refuses it. A lamp colour is written as a one-dimensional array of VARIANTs (mode 0 and the
// temperature, or mode 1 and the preset; a third element, the colour, is the light's to work
// out and is passed over) and kept as (VT_I4 mode, VT_R8 kelvin) or (VT_I4 1, VT_I4 preset). An
// intensity is written as text, a number of 0 or more and optionally a unit (cd, lm or lx; cd
// when none), and kept as the text shown, "1200 cd".
bool KeptLightValue(LightValue kind, const VARIANT& written, VARIANT* kept, std::wstring& why);
// The value a light's property reads: a lamp colour as (VT_I2 mode, VT_R8 kelvin or VT_I2 preset,
// VT_I4 colour), an intensity as (its text, VT_I4 1 when locked else 0).
HRESULT ReadLightValue(const Record& light, const PropertySlot& slot, VARIANT* out);
// A lamp colour as the user words it, "kelvin 3200" or "preset 5" (any letter case), as the value
// to write; any other text stays text, which the light refuses with its reason.
HRESULT LampColorFromText(const std::wstring& text, VARIANT* out);
// A light's value as text ("3200 K", "Preset 5", "Custom", "1500 cd"); empty for other values.
std::wstring LightValueText(const VARIANT& v);
// Whether the light's intensity is locked.
bool IntensityLocked(const Record& light) noexcept;
// What a new light holds: 6500 K, 1500 cd, white as its filter and custom colour.
void InitLight(Record& light);
} // namespace dkhost

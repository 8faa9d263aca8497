// Lineweights and linetypes as the host lists and draws them, and the symbol utilities'
// linetype names.
#pragma once

#include "DkHostApi.h"
#include "dkdb.h"
#include "dkstring.h"

#include <windows.h>

// The n-th of the host's standard lineweights (0 first, in hundredths of a millimetre) with
// its display text in the units the user chose for lineweights (millimetres or inches);
// negative, the text emptied, when the host has no n-th lineweight.
DKHOST_API int GetLineWeightFromDrvk(DkString& text, int n) noexcept;

// A lineweight's sample: a bar in the DC's text colour across rect from left to right,
// max(1, lineweight / 25) pixels thick, centred on rect's bottom edge (the thickness t
// covers the rows bottom - t / 2 to bottom - t / 2 + t - 1). Nothing for a lineweight below
// zero. scale is 1 for the palette's lists.
DKHOST_API void DrawLWLine(HDC dc, int lineweight, const RECT& rect, int scale) noexcept;

// A linetype's sample: a line 1 pixel thick on rect's bottom row, in the DC's text colour,
// from rect's left to right, the record's dashes and gaps (in pixels) repeated from the left
// edge; solid for a linetype without dashes (Continuous). Nothing for an id that is not an
// open-able linetype record.
DKHOST_API void DrawLTypePattern(HDC dc, DkDbObjectId linetype, const RECT& rect, int scale) noexcept;

// The symbol utilities' linetype names: the tests (letter case ignored) and the global
// names the drawing stores.
namespace DkDbSymUtil
{
DKHOST_API bool isLinetypeByLayer(const wchar_t* name) noexcept;
DKHOST_API bool isLinetypeByBlock(const wchar_t* name) noexcept;
DKHOST_API bool isLinetypeContinuous(const wchar_t* name) noexcept;
DKHOST_API const wchar_t* linetypeByLayerName() noexcept;
DKHOST_API const wchar_t* linetypeByBlockName() noexcept;
DKHOST_API const wchar_t* linetypeContinuousName() noexcept;
} // namespace DkDbSymUtil

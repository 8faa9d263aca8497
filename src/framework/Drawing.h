// Small drawing helpers shared by the editors.
#pragma once

#include <windows.h>

namespace dkfw
{
// Fills rect from top colour to bottom colour in horizontal bands, one band per step of
// the colour, at most 64.
void FillVerticalGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom) noexcept;
} // namespace dkfw

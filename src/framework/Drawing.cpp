// Drawing helpers.
#include "Drawing.h"

#include "Unique.h"

#include <algorithm>
#include <cstdlib>

namespace dkfw
{
void FillVerticalGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom) noexcept
{
    const int height = rect.bottom - rect.top;
    if (height <= 0 || rect.right <= rect.left)
        return;
    const int spread =
        std::max({std::abs(GetRValue(top) - GetRValue(bottom)), std::abs(GetGValue(top) - GetGValue(bottom)),
                  std::abs(GetBValue(top) - GetBValue(bottom))});
    const int bands = std::clamp(std::min(spread + 1, height), 1, 64);
    auto mix = [&](int a, int b, int i) { return bands == 1 ? a : a + (b - a) * i / (bands - 1); };
    for (int i = 0; i < bands; ++i)
    {
        RECT band{rect.left, rect.top + height * i / bands, rect.right, rect.top + height * (i + 1) / bands};
        const COLORREF c = RGB(mix(GetRValue(top), GetRValue(bottom), i), mix(GetGValue(top), GetGValue(bottom), i),
                               mix(GetBValue(top), GetBValue(bottom), i));
        UniqueHbrush brush(::CreateSolidBrush(c));
        ::FillRect(dc, &band, brush.Get());
    }
}
} // namespace dkfw

// The host's lineweights and linetype samples, the symbol utilities' linetype names, and the
// test controls of linetypes and of the layers' lineweights and linetypes.
#include "dklw.h"

#include "DkHostTest.h"
#include "Drawing.h"

#include "Unique.h"

#include <algorithm>
#include <cstdio>

namespace dkhost
{
namespace
{
// The standard lineweights, in hundredths of a millimetre, in the host's order.
constexpr int kLineweights[] = {0,  5,  9,  13, 15, 18,  20,  25,  30,  35,  40,  50,
                                53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
constexpr int kCount = static_cast<int>(sizeof(kLineweights) / sizeof(kLineweights[0]));

bool g_inches = false;
int g_listed = kCount;

bool Is(const wchar_t* name, const wchar_t* reserved)
{
    return name && ::CompareStringOrdinal(name, -1, reserved, -1, TRUE) == CSTR_EQUAL;
}

Record* LayerNamed(const wchar_t* name)
{
    Drawing& d = CurrentDrawing();
    return name ? d.FindInTable(d.layerTable, name) : nullptr;
}
} // namespace
} // namespace dkhost

using namespace dkhost;

int GetLineWeightFromDrvk(DkString& text, int n) noexcept
try
{
    if (n < 0 || n >= std::min(g_listed, kCount))
    {
        text = DkString();
        return -1;
    }
    const int value = kLineweights[n];
    wchar_t buffer[32];
    if (g_inches)
        std::swprintf(buffer, 32, L"%.3f\"", value / 2540.0);
    else
        std::swprintf(buffer, 32, L"%.2f mm", value / 100.0);
    text = DkString(buffer);
    return value;
}
catch (...)
{
    return -1;
}

void DrawLWLine(HDC dc, int lineweight, const RECT& rect, int) noexcept
{
    if (!dc || lineweight < 0 || rect.right <= rect.left)
        return;
    const int thickness = std::max(1, lineweight / 25);
    const int top = rect.bottom - thickness / 2;
    const RECT bar{rect.left, top, rect.right, top + thickness};
    dkfw::UniqueHbrush brush(::CreateSolidBrush(::GetTextColor(dc)));
    ::FillRect(dc, &bar, brush.Get());
}

void DrawLTypePattern(HDC dc, DkDbObjectId linetype, const RECT& rect, int) noexcept
{
    DkDbLinetypeTableRecord* record = nullptr;
    if (!dc || dkdbOpenObject(record, linetype, DkDb::kForRead) != Drvk::eOk || !record)
        return;
    std::vector<int> pattern;
    for (int i = 0; i < record->numDashes(); ++i)
        pattern.push_back(record->dashLengthAt(i));
    record->close();
    const COLORREF colour = ::GetTextColor(dc);
    // A dash of length 0 is a dot.
    auto length = [&](size_t i) { return std::max(1, std::abs(pattern[i])); };
    size_t segment = 0;
    int remaining = pattern.empty() ? 0 : length(0);
    for (int x = rect.left; x < rect.right; ++x)
    {
        if (pattern.empty() || pattern[segment] >= 0)
            ::SetPixelV(dc, x, rect.bottom, colour);
        if (!pattern.empty() && --remaining == 0)
        {
            segment = (segment + 1) % pattern.size();
            remaining = length(segment);
        }
    }
}

bool DkDbSymUtil::isLinetypeByLayer(const wchar_t* name) noexcept
{
    return Is(name, L"ByLayer");
}
bool DkDbSymUtil::isLinetypeByBlock(const wchar_t* name) noexcept
{
    return Is(name, L"ByBlock");
}
bool DkDbSymUtil::isLinetypeContinuous(const wchar_t* name) noexcept
{
    return Is(name, L"Continuous");
}
const wchar_t* DkDbSymUtil::linetypeByLayerName() noexcept
{
    return L"ByLayer";
}
const wchar_t* DkDbSymUtil::linetypeByBlockName() noexcept
{
    return L"ByBlock";
}
const wchar_t* DkDbSymUtil::linetypeContinuousName() noexcept
{
    return L"Continuous";
}

namespace dkhost_test
{
void SetLineweightUnits(bool inches) noexcept
{
    g_inches = inches;
}

void SetLineweightsListed(int count) noexcept
{
    g_listed = count < 0 ? kCount : count;
}

LONG_PTR AddLinetype(const wchar_t* name, const int* pattern, int count) noexcept
try
{
    Drawing& d = CurrentDrawing();
    if (!name || !*name || d.FindInTable(d.linetypeTable, name))
        return 0;
    Record& r = d.Add(RecordKind::Linetype, d.linetypeTable, name);
    if (pattern && count > 0)
        r.pattern.assign(pattern, pattern + count);
    d.NotifyModified(r.id);
    return r.id;
}
catch (...)
{
    return 0;
}

bool RenameLinetype(const wchar_t* name, const wchar_t* newName) noexcept
try
{
    Drawing& d = CurrentDrawing();
    Record* r = name ? d.FindInTable(d.linetypeTable, name) : nullptr;
    if (!r || !newName || !*newName || Is(r->name.c_str(), L"ByLayer") || Is(r->name.c_str(), L"ByBlock") ||
        Is(r->name.c_str(), L"Continuous"))
        return false;
    if (Record* other = d.FindInTable(d.linetypeTable, newName); other && other != r)
        return false;
    d.Rename(*r, newName);
    return true;
}
catch (...)
{
    return false;
}

bool PurgeLinetype(const wchar_t* name) noexcept
try
{
    Drawing& d = CurrentDrawing();
    Record* r = name ? d.FindInTable(d.linetypeTable, name) : nullptr;
    if (!r || Is(r->name.c_str(), L"ByLayer") || Is(r->name.c_str(), L"ByBlock") ||
        Is(r->name.c_str(), L"Continuous") || d.InUse(*r))
        return false;
    d.Purge(*r);
    return true;
}
catch (...)
{
    return false;
}

LONG_PTR LinetypeId(const wchar_t* name) noexcept
{
    Drawing& d = CurrentDrawing();
    const Record* r = name ? d.FindInTable(d.linetypeTable, name) : nullptr;
    return r ? r->id : 0;
}

bool SetLayerLineweight(const wchar_t* name, int lineweight) noexcept
{
    Record* r = LayerNamed(name);
    if (!r)
        return false;
    r->lineweight = lineweight;
    CurrentDrawing().NotifyModified(r->id);
    return true;
}

bool SetLayerViewportLineweight(const wchar_t* name, LONG_PTR viewport, bool overridden, int lineweight) noexcept
try
{
    Record* r = LayerNamed(name);
    if (!r || !viewport)
        return false;
    if (overridden)
        r->viewportLineweights[viewport] = lineweight;
    else
        r->viewportLineweights.erase(viewport);
    CurrentDrawing().NotifyModified(r->id);
    return true;
}
catch (...)
{
    return false;
}

bool SetLayerViewportLinetype(const wchar_t* name, LONG_PTR viewport, const wchar_t* linetype) noexcept
try
{
    Drawing& d = CurrentDrawing();
    Record* r = LayerNamed(name);
    Record* l = linetype ? d.FindInTable(d.linetypeTable, linetype) : nullptr;
    if (!r || !viewport || (linetype && !l))
        return false;
    if (l)
        r->viewportLinetypes[viewport] = l->id;
    else
        r->viewportLinetypes.erase(viewport);
    d.NotifyModified(r->id);
    return true;
}
catch (...)
{
    return false;
}
} // namespace dkhost_test

// The drawing's units: the host's variables, and numbers as a row's text and back.
#include "DrawingUnits.h"

#include "ResourceOverride.h"
#include "dkdb.h"
#include "dked.h"
#include "dkunits.h"

#include "DkPEXCtl.h"
#include "Unique.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace
{
using ToText = dkpex::HostToText;
using FromText = int (*)(const wchar_t*, int, double*) noexcept;

// The conversions of a numeric data type: distance, angle, plain number, raw angle.
struct Conversion
{
    ToText toText;
    FromText fromText;
    int unit;
};

bool ConversionOf(int type, Conversion& c)
{
    switch (type)
    {
    case PE_DRVK_DISTANCE:
        c = {&dkdbRToS, &dkdbDisToF, -1};
        return true;
    case PE_DRVK_ANGLE:
        c = {&dkdbAngToS, &dkdbAngToF, -1};
        return true;
    case PE_DRVK_NOUNITS:
        c = {&dkdbRToS, &dkdbDisToF, 2};
        return true;
    case PE_DRVK_RAW_ANGLE:
        c = {&dkdbRawAngToS, &dkdbRawAngToF, -1};
        return true;
    default:
        return false;
    }
}
} // namespace

namespace dkpex
{
bool IsCurrentDocumentDatabase() noexcept
{
    DkDbDatabase* working = dkdbHostApplicationServices()->workingDatabase();
    DkApDocument* doc = dkDocManager() ? dkDocManager()->curDocument() : nullptr;
    return working && doc && doc->database() == working;
}

int HostShort(const wchar_t* name, int fallback) noexcept
{
    resbuf rb{};
    return dkedGetVar(name, &rb) == RTNORM && rb.restype == RTSHORT ? rb.resval.rint : fallback;
}

bool FormatNumericValue(const VARIANT& value, std::wstring& text)
{
    text.clear();
    CTemporaryResourceOverride resources;
    if (!IsCurrentDocumentDatabase())
        return false;
    switch (value.vt)
    {
    case VT_I2:
        text = std::to_wstring(value.iVal);
        break;
    case VT_I4:
    case VT_INT:
        text = std::to_wstring(value.lVal);
        break;
    case VT_R4:
    case VT_R8:
        LengthText(value.vt == VT_R4 ? value.fltVal : value.dblVal, -1, text);
        break;
    default:
        break;
    }
    return true;
}

bool FormatByNumericType(const VARIANT& value, int type, std::wstring& text)
{
    text.clear();
    Conversion c{};
    dkfw::UniqueVariant d;
    if (!ConversionOf(type, c) || FAILED(::VariantChangeType(d.Put(), const_cast<VARIANT*>(&value), 0, VT_R8)))
        return false;
    return c.toText == &dkdbRToS ? LengthText(d.Get().dblVal, c.unit, text)
                                 : HostNumberText(c.toText, d.Get().dblVal, c.unit, -1, text);
}

bool LengthText(double value, int unit, std::wstring& text)
{
    // A length whose text in the drawing's units is too long for the host (1e120 in decimal)
    // is shown in scientific units rather than as nothing.
    return HostNumberText(&dkdbRToS, value, unit, -1, text) ||
           (std::isfinite(value) && HostNumberText(&dkdbRToS, value, 1, -1, text));
}

bool HostNumberText(HostToText toText, double value, int unit, int prec, std::wstring& text)
{
    text.clear();
    std::array<wchar_t, 4 * kDkUnitsBufferSize> buf{};
    if (toText(value, unit, prec, buf.data()) != RTNORM)
        return false;
    const auto end = std::find(buf.begin(), buf.begin() + kDkUnitsBufferSize, L'\0');
    if (end == buf.begin() + kDkUnitsBufferSize)
        return false;
    text.assign(buf.begin(), end);
    return true;
}

bool ParseByNumericType(const std::wstring& text, int type, VARIANT* value)
{
    Conversion c{};
    double d = 0;
    if (!ConversionOf(type, c) || c.fromText(text.c_str(), c.unit, &d) != RTNORM)
        return false;
    ::VariantClear(value);
    value->vt = VT_R8;
    value->dblVal = d;
    return true;
}
} // namespace dkpex

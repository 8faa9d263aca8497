// CPropertyEditorNumericArea: areas, in square inches and square feet with feet-and-inches
// units; several hatches read, every other time, as the area of their union.
#include "PropertyEditorNumericArea.h"

#include <algorithm>

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "dkdb.h"
#include "dkunits.h"

#include "ComPtr.h"
#include "Unique.h"

#include <memory>

namespace
{
constexpr double kSquareFoot = 144;
const CLSID kHatchClass = {0x07BD7878, 0x35B2, 0x4F1F, {0xA0, 0xAF, 0x84, 0xF1, 0x02, 0xCE, 0x86, 0x74}};
// Shared by every area editor of the module: each read over several hatches flips it, so
// such reads alternate between the union of the hatches and the ordinary reading.
bool g_unionAreaShown = false;

// Engineering and architectural units show areas in square inches and square feet.
bool FeetAndInches()
{
    const int units = dkpex::HostShort(L"LUNITS", 2);
    return units == 3 || units == 4;
}
} // namespace

CPropertyEditorNumericArea::CPropertyEditorNumericArea()
    : CDkPeButtonEditTempl<CPropertyEditorNumericArea, CDkPeNumericEditBase>(false)
{
}

long CPropertyEditorNumericArea::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids,
                                                        short bReadOnly)
{
    return InitLearningValueType(objs, dynProps, dispids, bReadOnly);
}

void CPropertyEditorNumericArea::FormatNumber(const VARIANT& value, CString& text)
{
    if (!FeetAndInches())
    {
        dkpex::FormatNumericValue(value, text);
        return;
    }
    text.clear();
    double area = 0;
    std::wstring inches;
    std::wstring feet;
    if (NumericAsDouble(value, area) && dkpex::HostNumberText(&dkdbRToS, area, 2, -1, inches) &&
        dkpex::HostNumberText(&dkdbRToS, area / kSquareFoot, 2, -1, feet))
        text = dkpex::FormatResString(IDS_AREA_FEET_INCHES, {inches.c_str(), feet.c_str()});
}

bool CPropertyEditorNumericArea::ParseNumber(const CString& text, VARIANT* value)
{
    if (!FeetAndInches())
        return IsCurrentDocumentDatabase() && ParseNumericText(text, m_propertyType, value);
    // The square inches lead the row's own text; what follows them is the row's own too
    // ("sq in", the square feet in brackets), or says square feet. Anything else is refused
    // rather than read as square inches.
    const size_t start = text.find_first_not_of(L' ');
    const size_t blank = start == CString::npos ? CString::npos : text.find(L' ', start);
    const CString number = start == CString::npos ? CString() : text.substr(start, blank - start);
    CString rest = blank == CString::npos ? CString() : text.substr(blank);
    rest.erase(0, std::min(rest.size(), rest.find_first_not_of(L' ')));
    while (!rest.empty() && rest.back() == L' ')
        rest.pop_back();
    const bool squareFeet = rest == L"sq ft";
    if (!rest.empty() && !squareFeet && rest != L"sq in" && rest.rfind(L"sq in (", 0) != 0)
        return false;
    double area = 0;
    if (dkdbDisToF(number.c_str(), 2, &area) != RTNORM)
        return false;
    if (squareFeet)
        area *= 144;
    ::VariantClear(value);
    value->vt = VT_R8;
    value->dblVal = area;
    return true;
}

long CPropertyEditorNumericArea::ReadValue(VARIANT* value, ValueType& valueType)
{
    if (m_nObjects > 1 && AllHatches())
    {
        g_unionAreaShown = !g_unionAreaShown;
        if (g_unionAreaShown)
        {
            // The union is no value of any one hatch: the row stays read-only from now on,
            // through the later ordinary reads too.
            m_bInitReadOnly = TRUE;
            SetReadOnlyFlag(TRUE);
            return ReadUnionArea(value, valueType);
        }
    }
    return FAILED(CDkPeCtrlBase::GetPropertyValue(value, valueType)) ? E_FAIL : S_OK;
}

bool CPropertyEditorNumericArea::AllHatches()
{
    for (int i = 0; i < m_nObjects; ++i)
    {
        CLSID cls{};
        if (!m_ppObjects || !ObjectClassId(m_ppObjects[i], cls) || cls != kHatchClass)
            return false;
    }
    return true;
}

long CPropertyEditorNumericArea::ReadUnionArea(VARIANT* value, ValueType& valueType)
{
    valueType = ValueUnspecified;
    std::unique_ptr<DkDbRegion> united;
    for (int i = 0; i < m_nObjects; ++i)
    {
        dkfw::ComPtr<IDkBaseObject> base;
        LONG_PTR id = 0;
        if (FAILED(m_ppObjects[i]->QueryInterface(IID_IDkBaseObject, base.PutVoid())) || FAILED(base->GetObjectId(&id)))
            return E_FAIL;
        DkDbHatch* hatch = nullptr;
        if (dkdbOpenObject(hatch, DkDbObjectId(id), DkDb::kForRead) != Drvk::eOk || !hatch)
            return E_FAIL;
        DkDbRegion* region = nullptr;
        const Drvk::ErrorStatus es = hatch->getRegionArea(region);
        hatch->close();
        std::unique_ptr<DkDbRegion> next(region);
        if (es != Drvk::eOk || !next)
            return E_FAIL;
        if (!united)
            united = std::move(next);
        else if (united->booleanOper(DkDb::kBoolUnite, next.get()) != Drvk::eOk)
            return E_FAIL;
    }
    double area = 0;
    if (!united || united->getArea(area) != Drvk::eOk)
        return E_FAIL;
    ::VariantClear(value);
    value->vt = VT_R8;
    value->dblVal = area;
    valueType = ValueSpecified;
    return S_OK;
}

bool CPropertyEditorNumericArea::GetCalculatorInput(CString& text)
{
    CDkPeButtonEditBase::GetCalculatorInput(text);
    if (!FeetAndInches())
        return true;
    // The calculator takes the square feet, the part in parentheses.
    text.erase(0, std::min(text.find_first_not_of(L' '), text.size()));
    if (const size_t open = text.find(L'('); open != CString::npos)
    {
        text.erase(0, open + 1);
        text.erase(text.find_last_not_of(L')') + 1);
    }
    return true;
}

bool CPropertyEditorNumericArea::SetCalculatorResult(const CalculatorResult& result)
{
    if ((result.kind == 1 || result.kind == 2) && (result.unit.IsArea() || result.unit.IsUnitless()))
        return CDkPeButtonEditBase::SetCalculatorResult(result);
    return true;
}

// The numeric editors: numbers as text in the drawing's units and text back to numbers.
#include "NumericEditors.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "dkdb.h"
#include "dked.h"
#include "dkunits.h"

#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <cwchar>

namespace
{
constexpr double kFullTurn = 6.283185307179586;
constexpr double kTolerance = 1e-6;
constexpr double kSquareFoot = 144;
const CLSID kHatchClass = {0x07BD7878, 0x35B2, 0x4F1F, {0xA0, 0xAF, 0x84, 0xF1, 0x02, 0xCE, 0x86, 0x74}};
// Shared by every area editor of the module: each read over several hatches flips it, so
// such reads alternate between the union of the hatches and the ordinary reading.
bool g_unionAreaShown = false;
// Values of a foreign type are taken while the host runs a command carrying this flag.
constexpr int kAcceptAnyTypeFlag = 0x8000000;

bool AsDouble(const VARIANT& value, double& d)
{
    dkfw::UniqueVariant r8;
    if (FAILED(::VariantChangeType(r8.Addr(), const_cast<VARIANT*>(&value), 0, VT_R8)))
        return false;
    d = r8.Get().dblVal;
    return true;
}

// A full turn reads as the full turn of the angular units ("360.0000", "400g"), not as zero.
void RewriteFullTurn(CString& text)
{
    UINT a = 0;
    UINT b = 0;
    CTemporaryResourceOverride resources;
    switch (CDkPeButtonEditBase::HostShort(L"AUNITS", 0))
    {
    case 0:
        a = IDS_FULL_TURN_DEGREES;
        b = IDS_FULL_TURN_DECIMAL_MARK;
        break;
    case 1:
        a = IDS_FULL_TURN_DEGREES;
        b = IDS_FULL_TURN_DEGREE_MARK;
        break;
    case 2:
    {
        a = IDS_FULL_TURN_GRADS;
        const std::wstring mark = dkpex::LoadResString(IDS_FULL_TURN_DECIMAL_MARK);
        b = !mark.empty() && text.find(mark[0]) != CString::npos ? IDS_FULL_TURN_DECIMAL_MARK : IDS_FULL_TURN_GRAD_MARK;
        break;
    }
    default:
        return;
    }
    const std::wstring turn = dkpex::LoadResString(a);
    const std::wstring mark = dkpex::LoadResString(b);
    const size_t at = mark.empty() ? CString::npos : text.find(mark[0]);
    text = turn + (at == CString::npos ? CString() : text.substr(at));
}

// Engineering and architectural units show areas in square inches and square feet.
bool FeetAndInches()
{
    const int units = CDkPeButtonEditBase::HostShort(L"LUNITS", 2);
    return units == 3 || units == 4;
}

// The type a value read tells; nothing read counts as a real.
VARTYPE OrReal(VARTYPE vt)
{
    return vt == VT_EMPTY ? static_cast<VARTYPE>(VT_R8) : vt;
}

bool ValidInteger(const CString& text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == L' ')
        ++i;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        ++i;
    if (i >= text.size())
        return false;
    for (; i < text.size(); ++i)
        if (!(text[i] >= L'0' && text[i] <= L'9') && text[i] != L',')
            return false;
    return true;
}
} // namespace

bool ParseNumericText(const CString& text, VARTYPE type, VARIANT* value)
{
    ::VariantClear(value);
    double d = 0;
    switch (type)
    {
    case VT_I2:
    case VT_I4:
    case VT_INT:
        if (!ValidInteger(text))
            break;
        value->vt = type;
        if (type == VT_I2)
            value->iVal = static_cast<SHORT>(std::wcstol(text.c_str(), nullptr, 10));
        else
            value->lVal = std::wcstol(text.c_str(), nullptr, 10);
        return true;
    case VT_R4:
    case VT_R8:
        if (dkdbDisToF(text.c_str(), -1, &d) != RTNORM)
            break;
        value->vt = type;
        if (type == VT_R4)
            value->fltVal = static_cast<float>(d);
        else
            value->dblVal = d;
        return true;
    default:
        break;
    }
    value->vt = VT_ERROR;
    value->scode = DISP_E_TYPEMISMATCH;
    return false;
}

CDkPeNumericEditBase::CDkPeNumericEditBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv,
                                           bool needsCurrentDatabase)
    : CDkPeButtonEditBase(events, priv), m_needsCurrentDatabase(needsCurrentDatabase)
{
    // The calculator and expression buttons sit at the row's right end.
    m_buttonSide = kRight;
}

long CDkPeNumericEditBase::GetPropertyValue(VARIANT* value, ValueType& valueType)
{
    if (!value)
        return E_POINTER;
    if (m_needsCurrentDatabase && !IsCurrentDocumentDatabase())
        return E_FAIL;
    dkfw::UniqueVariant read;
    const long hr = ReadValue(read.Addr(), valueType);
    if (FAILED(hr))
        return hr;
    if (m_expressionState != 0)
        SetExpressionButton(m_expressionState);
    ::VariantClear(value);
    if (valueType != ValueSpecified)
    {
        read.DetachTo(value);
        return S_OK;
    }
    CString text;
    FormatNumber(read.Get(), text);
    value->vt = VT_BSTR;
    value->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}

long CDkPeNumericEditBase::SetPropertyValue(VARIANT* value, ValueType valueType)
{
    if (!value)
        return E_POINTER;
    if (valueType == ValueUnspecified || value->vt == VT_BSTR)
    {
        CString text;
        if (value->vt == VT_BSTR)
            text = value->bstrVal ? value->bstrVal : L"";
        else if (dkfw::UniqueVariant s; SUCCEEDED(::VariantChangeType(s.Addr(), value, 0, VT_BSTR)) && s.Get().bstrVal)
            text = s.Get().bstrVal;
        if (m_bUnspecifiedAllowed && text == m_unspecifiedText)
            return CDkPeCtrlBase::SetPropertyValue(value, ValueUnspecified);
        dkfw::UniqueVariant converted;
        if (ParseNumber(text, converted.Addr()))
            return CDkPeCtrlBase::SetPropertyValue(converted.Addr(), valueType);
        if (m_expressionState == 0)
            return E_FAIL;
        dkfw::UniqueVariant expression;
        expression.Addr()->vt = VT_BSTR;
        expression.Addr()->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return CDkPeCtrlBase::SetPropertyValue(expression.Addr(), ValueExpression);
    }
    if (value->vt != m_propertyType && !dkedIsInCommandStack(kAcceptAnyTypeFlag))
        return E_FAIL;
    return CDkPeCtrlBase::SetPropertyValue(value, valueType);
}

long CDkPeNumericEditBase::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    result = -1;
    if (!a || !b)
        return E_POINTER;
    CString first;
    CString second;
    FormatNumber(*a, first);
    FormatNumber(*b, second);
    result = ::CompareStringOrdinal(first.data(), static_cast<int>(first.size()), second.data(),
                                    static_cast<int>(second.size()), TRUE) == CSTR_EQUAL
                 ? 0
                 : -1;
    return S_OK;
}

long CDkPeNumericEditBase::ReadValue(VARIANT* value, ValueType& valueType)
{
    return CDkPeCtrlBase::GetPropertyValue(value, valueType);
}

long CDkPeNumericEditBase::InitLearningValueType(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    if (FAILED(CDkPeEditBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)))
        return E_FAIL;
    m_propertyType = LearnValueType();
    return S_OK;
}

VARTYPE CDkPeNumericEditBase::LearnValueType()
{
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0] || !m_pDispids)
        return VT_R8;
    dkfw::UniqueVariant v;
    if (m_pDispids[0] == kDynamicPropertyDispid)
    {
        IUnknown* dyn = m_ppDynProps ? m_ppDynProps[0] : nullptr;
        if (!dyn)
            return VT_R8;
        VARTYPE vt = VT_EMPTY;
        if (dkfw::ComPtr<IDynamicProperty2> p2; SUCCEEDED(dyn->QueryInterface(IID_IDynamicProperty2, p2.PutVoid())))
        {
            if (SUCCEEDED(p2->GetValueType(&vt)) && vt != VT_EMPTY)
                return vt;
            if (SUCCEEDED(p2->GetValue(m_ppObjects[0], v.Put())))
                return OrReal(v.Type());
        }
        if (dkfw::ComPtr<IDynamicProperty> p; SUCCEEDED(dyn->QueryInterface(IID_IDynamicProperty, p.PutVoid())))
        {
            if (SUCCEEDED(p->GetValueType(&vt)) && vt != VT_EMPTY)
                return vt;
            dkfw::ComPtr<IDispatch> object;
            if (SUCCEEDED(m_ppObjects[0]->QueryInterface(IID_IDispatch, object.PutVoid())) &&
                SUCCEEDED(GetDynamicPropertyValue(object.Get(), p.Get(), v.Put())))
                return OrReal(v.Type());
        }
        return VT_R8;
    }
    dkfw::ComPtr<IDispatch> object;
    if (FAILED(m_ppObjects[0]->QueryInterface(IID_IDispatch, object.PutVoid())))
        return VT_R8;
    DISPPARAMS none{};
    if (FAILED(object->Invoke(m_pDispids[0], IID_NULL, kPropertyLocale, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr,
                              nullptr)))
        return VT_R8;
    return OrReal(v.Type());
}

CPropertyEditorNumeric::CPropertyEditorNumeric()
    : CDkPeNumericEditBase(static_cast<CIPropEditUIEvents*>(this), static_cast<CDkPeBasePrivate*>(this), true)
{
}

long CPropertyEditorNumeric::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    return InitLearningValueType(objs, dynProps, dispids, bReadOnly);
}

void CPropertyEditorNumeric::FormatNumber(const VARIANT& value, CString& text)
{
    FormatNumericValue(value, text);
}

bool CPropertyEditorNumeric::ParseNumber(const CString& text, VARIANT* value)
{
    return IsCurrentDocumentDatabase() && ParseNumericText(text, m_propertyType, value);
}

CPropertyEditorNumericArea::CPropertyEditorNumericArea()
    : CDkPeNumericEditBase(static_cast<CIPropEditUIEvents*>(this), static_cast<CDkPeBasePrivate*>(this), false)
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
        FormatNumericValue(value, text);
        return;
    }
    text.clear();
    double area = 0;
    wchar_t inches[kDkUnitsBufferSize];
    wchar_t feet[kDkUnitsBufferSize];
    if (AsDouble(value, area) && dkdbRToS(area, 2, -1, inches) == RTNORM &&
        dkdbRToS(area / kSquareFoot, 2, -1, feet) == RTNORM)
        text = dkpex::FormatResString(IDS_AREA_FEET_INCHES, {inches, feet});
}

bool CPropertyEditorNumericArea::ParseNumber(const CString& text, VARIANT* value)
{
    if (!FeetAndInches())
        return IsCurrentDocumentDatabase() && ParseNumericText(text, m_propertyType, value);
    // The square inches lead the display text; the rest of it is ignored.
    const size_t start = text.find_first_not_of(L' ');
    const CString number = start == CString::npos ? CString() : text.substr(start, text.find(L' ', start) - start);
    double area = 0;
    if (dkdbDisToF(number.c_str(), 2, &area) != RTNORM)
        return false;
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

CPropertyEditorDRVKNumeric::CPropertyEditorDRVKNumeric()
    : CDkPeNumericEditBase(static_cast<CIPropEditUIEvents*>(this), static_cast<CDkPeBasePrivate*>(this), true)
{
    m_numericDataType = PE_DRVK_NOUNITS;
}

HRESULT CPropertyEditorDRVKNumeric::SetNumericDataType(DkPeNumericType dataType) noexcept
{
    switch (dataType)
    {
    case PE_DRVK_DISTANCE:
    case PE_DRVK_ANGLE:
    case PE_DRVK_NOUNITS:
    case PE_DRVK_RAW_ANGLE:
        m_numericDataType = dataType;
        return S_OK;
    default:
        return E_FAIL;
    }
}

void CPropertyEditorDRVKNumeric::FormatNumber(const VARIANT& value, CString& text)
{
    text.clear();
    if (IsCurrentDocumentDatabase())
        FormatByNumericType(value, m_numericDataType, text);
}

bool CPropertyEditorDRVKNumeric::ParseNumber(const CString& text, VARIANT* value)
{
    return IsCurrentDocumentDatabase() && ParseByNumericType(text, m_numericDataType, value);
}

CPropertyEditorEllipseEndAngle::CPropertyEditorEllipseEndAngle()
    : CDkPeNumericEditBase(static_cast<CIPropEditUIEvents*>(this), static_cast<CDkPeBasePrivate*>(this), false)
{
    m_numericDataType = PE_DRVK_ANGLE;
}

HRESULT CPropertyEditorEllipseEndAngle::SetNumericDataType(DkPeNumericType dataType) noexcept
{
    if (dataType != PE_DRVK_DISTANCE && dataType != PE_DRVK_ANGLE && dataType != PE_DRVK_NOUNITS)
        return E_FAIL;
    m_numericDataType = dataType;
    return S_OK;
}

void CPropertyEditorEllipseEndAngle::FormatNumber(const VARIANT& value, CString& text)
{
    text.clear();
    double d = 0;
    if (m_numericDataType != PE_DRVK_ANGLE || !FormatByNumericType(value, PE_DRVK_ANGLE, text) || !AsDouble(value, d))
        return;
    if (std::fabs(d - kFullTurn) < kTolerance)
        RewriteFullTurn(text);
}

bool CPropertyEditorEllipseEndAngle::ParseNumber(const CString& text, VARIANT* value)
{
    if (m_numericDataType != PE_DRVK_ANGLE || !ParseByNumericType(text, PE_DRVK_ANGLE, value))
        return false;
    if (std::fabs(value->dblVal) < kTolerance && (text.empty() || text[0] != L'0'))
        value->dblVal = kFullTurn;
    return true;
}

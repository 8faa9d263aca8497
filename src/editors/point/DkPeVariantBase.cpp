// CDkPeVariantBase: a vertex component over the selection, its writes, the vertex mark and
// the step to the next row.
#include "DkPeVariantBase.h"

#include "DkPeNumericEditBase.h"
#include "ObjectProperties.h"
#include "VertexMark.h"

#include "dkdb.h"
#include "dked.h"
#include "dkunits.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"

#include "HResult.h"
#include "Unique.h"

#include <algorithm>

namespace
{
using dkfw::ComPtr;

// Values of another type than text are taken while the host runs a command carrying this flag.
constexpr int kAcceptAnyTypeFlag = 0x8000000;

// The classes whose vertices have x and y only; their z is the object's elevation.
const CLSID kTwoCoordinateClasses[] = {
    {0x3C66A2DE, 0xEBCF, 0x48CF, {0x8B, 0x0E, 0x75, 0x59, 0x5F, 0x40, 0xEB, 0x24}},
    {0xE8B54D88, 0xEE03, 0x4C0F, {0x85, 0x8D, 0x87, 0x90, 0x24, 0xBB, 0x88, 0x11}},
    {0xA4236B96, 0x6EB4, 0x49AA, {0x88, 0xDC, 0xE4, 0x4E, 0xE4, 0x58, 0xF8, 0x1E}},
    {0xB8C86F77, 0x7A21, 0x4448, {0x85, 0xE5, 0x92, 0xFE, 0x27, 0xA6, 0x56, 0x94}},
    {0xE8051DE4, 0x757F, 0x47AC, {0x8C, 0x1C, 0xBB, 0x15, 0x29, 0x66, 0x19, 0xCC}},
    {0xBC1CA64C, 0x2F2B, 0x4120, {0xAD, 0xF7, 0xF7, 0x47, 0x8B, 0x0A, 0xD6, 0x7D}},
};
// A hatch's boundary vertices have two coordinates too.
constexpr CLSID kHatchClass = {0x07BD7878, 0x35B2, 0x4F1F, {0xA0, 0xAF, 0x84, 0xF1, 0x02, 0xCE, 0x86, 0x74}};
constexpr DISPID kHatchVerticesDispid = 26;
// Splines step from x to y and from y to z.
constexpr CLSID kSplineClass = {0x0CD182D2, 0x2865, 0x4233, {0x81, 0x90, 0x95, 0xEE, 0xC9, 0xA7, 0x99, 0x97}};
// The first two classes above read some elements as nothing at all.
constexpr SCODE kThicknessElsewhereCode = static_cast<SCODE>(0x80200003);
constexpr DISPID kThicknessDispid = 10;
constexpr DISPID kColorDispid = 1;

bool IsTwoCoordinateClass(const CLSID& cls, DISPID dispid)
{
    return std::any_of(std::begin(kTwoCoordinateClasses), std::end(kTwoCoordinateClasses),
                       [&](const CLSID& c) { return ::IsEqualCLSID(c, cls) != FALSE; }) ||
           (::IsEqualCLSID(cls, kHatchClass) && dispid == kHatchVerticesDispid);
}

} // namespace

CDkPeVariantBase::CDkPeVariantBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv)
    : CDkPeButtonEditBase(events, priv)
{
    m_numericDataType = PE_DRVK_OTHER;
    m_buttonSide = kRight;
}

long CDkPeVariantBase::Cleanup()
{
    EraseVertexMark();
    unhighlightSubEntities();
    return CDkPeButtonEditBase::Cleanup();
}

long CDkPeVariantBase::SetDwCookies(const VARIANT& cookies)
{
    if (cookies.vt != (VT_ARRAY | VT_I4) || !cookies.parray || ::SafeArrayGetDim(cookies.parray) != 1)
        return E_FAIL;
    LONG low = 0, high = -1;
    ::SafeArrayGetLBound(cookies.parray, 1, &low);
    ::SafeArrayGetUBound(cookies.parray, 1, &high);
    std::vector<ULONG> copied(static_cast<size_t>(std::max<LONG>(0, high - low + 1)));
    LONG* data = nullptr;
    if (!copied.empty())
    {
        if (FAILED(::SafeArrayAccessData(cookies.parray, reinterpret_cast<void**>(&data))))
            return E_FAIL;
        std::transform(data, data + copied.size(), copied.begin(), [](LONG c) { return static_cast<ULONG>(c); });
        ::SafeArrayUnaccessData(cookies.parray);
    }
    m_cookies = std::move(copied);
    return S_OK;
}

long CDkPeVariantBase::SetGroupOffset(ULONG offset)
{
    m_groupOffset = offset;
    Handle_Refresh();
    if (HWND control = ControlHwnd())
        ::InvalidateRect(control, nullptr, TRUE);
    return S_OK;
}

long CDkPeVariantBase::SetElementCount(ULONG count)
{
    m_elementCount = count;
    return S_OK;
}

long CDkPeVariantBase::SetNumericType(int type)
{
    m_numericDataType = type;
    return S_OK;
}

bool CDkPeVariantBase::TwoCoordinateObject(int index) const
{
    CLSID cls{};
    return index < m_nObjects && m_ppObjects[index] && ObjectClassId(m_ppObjects[index], cls) &&
           IsTwoCoordinateClass(cls, m_pDispids[index]);
}

bool CDkPeVariantBase::TwoCoordinateSelection() const
{
    if (m_nObjects < 1)
        return false;
    for (int i = 0; i < m_nObjects; ++i)
        if (!TwoCoordinateObject(i))
            return false;
    return true;
}

void CDkPeVariantBase::UpdateReadOnly()
{
    if (m_alwaysRW)
    {
        m_bPropReadOnly = FALSE;
        return;
    }
    m_bPropReadOnly = m_bInitReadOnly;
    if (m_pDispids[0] != kDynamicPropertyDispid)
    {
        AskEditable(0);
        return;
    }
    IUnknown* dyn = m_ppDynProps ? m_ppDynProps[0] : nullptr;
    BOOL readOnly = FALSE;
    if (ComPtr<IDynamicProperty2> two; dyn && SUCCEEDED(dyn->QueryInterface(IID_IDynamicProperty2, two.PutVoid())))
        two->IsReadOnly(&readOnly);
    else if (ComPtr<IDynamicProperty> one; dyn && SUCCEEDED(dyn->QueryInterface(IID_IDynamicProperty, one.PutVoid())))
        one->IsReadOnly(&readOnly);
    m_bPropReadOnly = readOnly;
}

bool CDkPeVariantBase::ExcusedFailure(int index, ULONG cookie, HRESULT hr) const
{
    CLSID cls{};
    if (!ObjectClassId(m_ppObjects[index], cls) ||
        !(::IsEqualCLSID(cls, kTwoCoordinateClasses[0]) || ::IsEqualCLSID(cls, kTwoCoordinateClasses[1])))
        return false;
    const DISPID dispid = m_pDispids[index];
    if (dispid == kThicknessDispid && (hr == DISP_E_EXCEPTION || hr == kThicknessElsewhereCode))
        return true;
    return dispid == kColorDispid && hr == E_FAIL && (cookie % 4 == 2 || cookie % 4 == 3);
}

HRESULT CDkPeVariantBase::ReadOne(int index, ULONG cookie, VARIANT* value, bool& hasExpression, CString& expression,
                                  bool& noInterface)
{
    hasExpression = false;
    expression.clear();
    noInterface = false;
    IUnknown* object = m_ppObjects[index];
    if (!object)
        return E_FAIL;
    IUnknown* holder = m_ppDynProps && m_ppDynProps[index] ? m_ppDynProps[index] : object;
    const dkpex::ElementAccess elements(holder, object);
    if (!elements.Available())
    {
        noInterface = true;
        return E_NOINTERFACE;
    }
    const DISPID dispid = m_pDispids[index];
    ::VariantClear(value);
    HRESULT hr = elements.Get(dispid, cookie, value);
    if (ComPtr<IDkPropertyElementExpressions> expressions;
        SUCCEEDED(holder->QueryInterface(IID_IDkPropertyElementExpressions, expressions.PutVoid())))
    {
        LONG has = 0;
        dkfw::UniqueBstr text;
        if (SUCCEEDED(expressions->GetElementHasExpression(dispid, object, cookie, &has)) && has == 1)
        {
            hasExpression = true;
            if (SUCCEEDED(expressions->GetElementExpression(dispid, object, cookie, text.Put())))
                expression = text.View();
        }
    }
    if (FAILED(hr) && ExcusedFailure(index, cookie, hr))
    {
        ::VariantClear(value);
        hr = S_OK;
    }
    return hr;
}

long CDkPeVariantBase::ReadElement(VARIANT* value, ValueType& valueType, const ULONG* cookie)
try
{
    m_expression.clear();
    m_expressionState = 0;
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0])
        return E_FAIL;
    UpdateReadOnly();
    if (!cookie && m_cookies.empty())
        return E_FAIL;
    bool hasExpression = false;
    bool noInterface = false;
    CString expression;
    HRESULT hr =
        ReadOne(0, cookie ? *cookie : m_cookies[0] + m_groupOffset, value, hasExpression, expression, noInterface);
    if (hasExpression)
    {
        m_expression = expression;
        m_expressionState = expression.empty() ? 1 : 3;
    }
    if (FAILED(hr) || cookie)
        return hr;
    valueType = ValueSpecified;
    if (m_nObjects == 1)
        return S_OK;
    // The first value's text, made once for every comparison of this read.
    m_firstRead = value;
    m_firstText.emplace();
    FormatElement(*value, *m_firstText);
    const dkfw::ScopeExit readDone(
        [this]
        {
            m_firstText.reset();
            m_firstRead = nullptr;
        });
    const bool firstExpressionWasEmpty = m_expression.empty();
    bool anyExpression = hasExpression;
    dkfw::UniqueVariant other;
    for (int i = 1; i < m_nObjects; ++i)
    {
        // Objects beyond the cookies the palette handed over have no element of this row.
        if (static_cast<size_t>(i) >= m_cookies.size())
            return E_FAIL;
        hr = ReadOne(i, m_cookies[static_cast<size_t>(i)] + m_groupOffset, other.Put(), hasExpression, expression,
                     noInterface);
        if (noInterface)
            break;
        if (FAILED(hr))
            return hr;
        anyExpression = anyExpression || hasExpression;
        UpdateExpressionSupportState(firstExpressionWasEmpty, anyExpression, expression);
        int result = -1;
        ComparePropertyValue(value, other.Addr(), result);
        if (result != 0)
        {
            valueType = ValueVaries;
            return S_OK;
        }
    }
    return S_OK;
}
catch (const std::bad_alloc&)
{
    return E_OUTOFMEMORY;
}

long CDkPeVariantBase::FormatElement(const VARIANT& value, CString& text)
{
    text.clear();
    if (value.vt == VT_EMPTY)
        return S_OK;
    if (m_numericDataType == PE_DRVK_NOUNITS)
    {
        if (!IsCurrentDocumentDatabase())
            return E_FAIL;
        return dkpex::FormatByNumericType(value, PE_DRVK_NOUNITS, text) ? S_OK : E_FAIL;
    }
    return dkpex::FormatNumericValue(value, text) ? S_OK : E_FAIL;
}

long CDkPeVariantBase::GetPropertyValue(VARIANT* value, ValueType& valueType)
try
{
    if (!value)
        return E_POINTER;
    valueType = ValueSpecified;
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0])
        return E_FAIL;
    // The objects that report no value of their own first.
    HRESULT hr = S_OK;
    bool firstUnspecified = false;
    for (int i = 0; i < m_nObjects && SUCCEEDED(hr); ++i)
    {
        bool unspecified = false;
        dkfw::UniqueVariant scratch;
        hr = m_pDispids[i] == kDynamicPropertyDispid
                 ? CheckPropertyForUnspecifiedValue(m_ppDynProps[i], m_ppObjects[i], scratch.Addr(), &unspecified)
                 : CheckPropertyForUnspecifiedValue(m_pDispids[i], static_cast<IDispatch*>(m_ppObjects[i]),
                                                    scratch.Addr(), &unspecified);
        if (FAILED(hr))
            break;
        if (i == 0)
        {
            firstUnspecified = unspecified;
            valueType = unspecified ? ValueUnspecified : ValueSpecified;
        }
        else if (unspecified != firstUnspecified)
        {
            valueType = ValueVaries;
            break;
        }
    }
    dkfw::UniqueVariant read;
    if (FAILED(hr) || valueType == ValueSpecified)
    {
        valueType = ValueSpecified;
        hr = ReadElement(read.Addr(), valueType);
        if (FAILED(hr))
            return hr;
    }
    if (m_expressionState != 0)
        SetExpressionButton(m_expressionState);
    ::VariantClear(value);
    if (valueType != ValueSpecified)
        return S_OK;
    if (read.Type() != VT_EMPTY)
        m_propertyValueType = read.Type();
    CString text;
    RETURN_IF_FAILED(FormatElement(read.Get(), text));
    value->vt = VT_BSTR;
    value->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}
catch (const std::bad_alloc&)
{
    return E_OUTOFMEMORY;
}

long CDkPeVariantBase::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    if (!a || !b)
        return E_POINTER;
    if (a->vt != b->vt)
    {
        result = -1;
        return S_FALSE;
    }
    if (a->vt != VT_R8 && a->vt != VT_R4)
        return S_FALSE;
    // A read formats its first value once.
    const CString* first = m_firstText && a == m_firstRead ? &*m_firstText : nullptr;
    result =
        SameShownNumber(*a, *b, first, [this](const VARIANT& v, CString& text) { FormatElement(v, text); }) ? 0 : -1;
    return S_FALSE;
}

long CDkPeVariantBase::SetPropertyValue(VARIANT* value, ValueType valueType)
try
{
    if (!value)
        return E_POINTER;
    if (RefusedDuringDrag())
        return E_FAIL;
    auto clearUnspecified = [this]
    {
        if (!m_bUnspecifiedAllowed)
            return;
        for (int i = 0; i < m_nObjects; ++i)
            if (m_pDispids[i] == kDynamicPropertyDispid)
                SetPropertyValueAsUnspecified(m_ppDynProps[i], m_ppObjects[i], 0);
            else
                SetPropertyValueAsUnspecified(m_pDispids[i], static_cast<IDispatch*>(m_ppObjects[i]), 0);
    };
    if (valueType != ValueUnspecified && value->vt != VT_BSTR)
    {
        if (!dkedIsInCommandStack(kAcceptAnyTypeFlag))
            return E_FAIL;
        clearUnspecified();
        if (value->vt & VT_ARRAY)
            return CDkPeCtrlBase::SetPropertyValue(value, ValueSpecified);
        return WriteElement(value, valueType);
    }
    CString text;
    if (value->vt == VT_BSTR)
        text = value->bstrVal ? value->bstrVal : L"";
    if (m_bUnspecifiedAllowed && text == m_unspecifiedText)
        return CDkPeCtrlBase::SetPropertyValue(value, ValueUnspecified);
    if (valueType != ValueSpecified)
        return S_OK;
    dkfw::UniqueVariant converted;
    bool parsed = false;
    if (IsCurrentDocumentDatabase())
    {
        if (m_numericDataType == PE_DRVK_NOUNITS)
        {
            double d = 0;
            parsed = dkdbDisToF(text.c_str(), 2, &d) == RTNORM;
            converted.Addr()->vt = VT_R8;
            converted.Addr()->dblVal = d;
        }
        else
            parsed = ParseNumericText(text, m_propertyValueType, converted.Addr());
    }
    if (!parsed)
    {
        // Text that is no number becomes the element's expression where the element takes one.
        if (m_expressionState == 0)
        {
            TellUser(NotAValueMessage(text).c_str());
            return E_FAIL;
        }
        clearUnspecified();
        dkfw::UniqueVariant expression;
        expression.Addr()->vt = VT_BSTR;
        expression.Addr()->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return WriteElement(expression.Addr(), ValueExpression);
    }
    clearUnspecified();
    return WriteElement(converted.Addr(), ValueSpecified);
}
catch (const std::bad_alloc&)
{
    return E_OUTOFMEMORY;
}

void CDkPeVariantBase::TellObjectError(HRESULT hr, EXCEPINFO* excep)
{
    if (hr != DISP_E_EXCEPTION)
        return;
    std::wstring description;
    if (excep && excep->pfnDeferredFillIn)
        excep->pfnDeferredFillIn(excep);
    if (excep && excep->bstrDescription)
        description.assign(excep->bstrDescription, ::SysStringLen(excep->bstrDescription));
    else
    {
        ComPtr<IErrorInfo> info;
        dkfw::UniqueBstr text;
        if (::GetErrorInfo(0, info.Put()) != S_OK || !info || FAILED(info->GetDescription(text.Put())))
            return;
        description = text.View();
    }
    HWND frame = nullptr;
    GetFrameHandle(frame);
    ::MessageBoxW(frame, description.c_str(), L"", MB_OK | MB_ICONEXCLAMATION);
}

long CDkPeVariantBase::WriteElement(VARIANT* value, ValueType valueType)
try
{
    if (!value)
        return E_POINTER;
    if (valueType != ValueSpecified && valueType != ValueExpression)
        return E_INVALIDARG;
    if (valueType == ValueExpression && value->vt != VT_BSTR)
        return E_INVALIDARG;
    m_bDoNextVariantItem = FALSE;
    if (m_nObjects < 1 || m_cookies.size() < static_cast<size_t>(m_nObjects))
        return E_FAIL;
    if (!EveryObjectHasTheElement())
        return E_FAIL;
    const ULONG offset = m_groupOffset;
    const std::vector<ULONG> cookies = m_cookies;
    std::vector<DISPID> dispids(m_pDispids, m_pDispids + m_nObjects);
    bool skipped = false;
    bool ran = false;
    // An object that refuses with an exception says why in its error information.
    ::SetErrorInfo(0, nullptr);
    const long hr = ChangeEachObject(
        [&](int i, IUnknown* object, IUnknown* dynProp) -> HRESULT
        {
            ran = true;
            IUnknown* holder = dynProp ? dynProp : object;
            const dkpex::ElementAccess elements(holder, object);
            if (!elements.Available())
                return S_FALSE;
            const ULONG cookie = cookies[static_cast<size_t>(i)] + offset;
            HRESULT result = E_NOINTERFACE;
            if (valueType == ValueSpecified)
                result = elements.Set(dispids[static_cast<size_t>(i)], cookie, *value);
            else if (ComPtr<IDkPropertyElementExpressions> expressions;
                     SUCCEEDED(holder->QueryInterface(IID_IDkPropertyElementExpressions, expressions.PutVoid())))
                result =
                    expressions->SetElementExpression(dispids[static_cast<size_t>(i)], object, cookie, value->bstrVal);
            if (FAILED(result))
                TellObjectError(result);
            return result;
        },
        skipped);
    if (SUCCEEDED(hr) && m_pPropertyIdentifier)
        if (const ComPtr<IDkPiPropertyIdentifier> identifier(m_pPropertyIdentifier); identifier)
        {
            dkfw::UniqueVariant copy;
            if (SUCCEEDED(copy.CopyFrom(*value)))
                identifier->OnValueWritten(copy.Get());
        }
    StepToNextRow();
    // Once the change ran, an object's refusal is the object's to tell (it was shown); the
    // row reads what the objects hold at the palette's refresh.
    return ran || SUCCEEDED(hr) ? S_OK : hr;
}
catch (const std::bad_alloc&)
{
    return E_OUTOFMEMORY;
}

bool CDkPeVariantBase::EveryObjectHasTheElement()
{
    if (m_nObjects < 1 || m_cookies.size() < static_cast<size_t>(m_nObjects))
        return false;
    for (int i = 0; i < m_nObjects; ++i)
    {
        IUnknown* object = m_ppObjects[i];
        const dkpex::ElementAccess elements(m_ppDynProps && m_ppDynProps[i] ? m_ppDynProps[i] : object, object);
        dkfw::UniqueVariant probe;
        if (!object || !elements.Available() ||
            FAILED(elements.Get(m_pDispids[i], m_cookies[static_cast<size_t>(i)] + m_groupOffset, probe.Put())))
            return false;
    }
    return true;
}

void CDkPeVariantBase::StepToNextRow()
{
    const ULONG n = m_elementCount;
    if (n == 0 || m_cookies.empty() || m_nObjects < 1)
        return;
    CLSID cls{};
    const bool known = ObjectClassId(m_ppObjects[0], cls);
    ULONG t = n > 1 ? n - 1 : 1;
    if (known && std::any_of(std::begin(kTwoCoordinateClasses), std::end(kTwoCoordinateClasses),
                             [&](const CLSID& c) { return ::IsEqualCLSID(c, cls) != FALSE; }))
        t = 1;
    else if (known && ::IsEqualCLSID(cls, kSplineClass))
        t = 2;
    if (m_cookies[0] % n < t)
        m_bDoNextVariantItem = TRUE;
}

void CDkPeVariantBase::EraseVertexMark() noexcept
{
    dkpex::EraseVertexMark();
}

void CDkPeVariantBase::MarkVertex()
{
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0] || m_elementCount == 0)
        return;
    unhighlightSubEntities();
    DkArray<DkDbFullSubentPath> paths(0, 4);
    dkpex::MarkVertex(m_ppObjects[0], m_pDispids[0], m_groupOffset / m_elementCount, paths);
    if (paths.length() > 0)
        highlightSubEntities(paths);
}

long CDkPeVariantBase::BeginEdit(const RECT& rect)
{
    const long hr = CDkPeButtonEditBase::BeginEdit(rect);
    if (SUCCEEDED(hr) && m_elementCount != 0)
        MarkVertex();
    return hr;
}

long CDkPeVariantBase::EndEdit()
{
    const long hr = CDkPeButtonEditBase::EndEdit();
    EraseVertexMark();
    unhighlightSubEntities();
    return hr;
}

long CDkPeVariantBase::ShowElement()
{
    const long hr = ReadText();
    if (FAILED(hr))
    {
        // A vertex that cannot be read shows nothing rather than another vertex's value.
        m_text.clear();
        if (HasEditWindow())
            m_pEdit->SetText(m_text);
    }
    return hr;
}

long CDkPeVariantBase::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    if (FAILED(CDkPeCtrlBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)))
        return E_FAIL;
    ShowElement();
    return S_OK;
}

long CDkPeVariantBase::Handle_Refresh()
{
    const long hr = ShowElement();
    if (SUCCEEDED(hr) && HasEditWindow() && m_state >= kStateEditing)
        m_pEdit->ResetSelection();
    if (m_state >= kStateEditing)
    {
        EraseVertexMark();
        if (m_elementCount != 0)
            MarkVertex();
    }
    return hr;
}

long CDkPeVariantBase::MouseClick(UINT flags, POINT point)
{
    const long hr = CDkPeButtonEditBase::MouseClick(flags, point);
    if (flags != 0 && m_elementCount != 0)
        MarkVertex();
    return hr;
}

// CDkPeNumericEditBase: values read as text in the drawing's units, text written through
// the editor's parser, comparison at display precision; ParseNumericText.
#include "DkPeNumericEditBase.h"

#include "dkdb.h"
#include "dked.h"
#include "dkunits.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"

#include "HResult.h"
#include "Unique.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>

namespace
{
// Values of a foreign type are taken while the host runs a command carrying this flag.
constexpr int kAcceptAnyTypeFlag = 0x8000000;

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

namespace
{
// Two numbers of one type with the same bits (a NaN included: it shows as itself).
bool SameNumber(const VARIANT& a, const VARIANT& b)
{
    if (a.vt != b.vt)
        return false;
    switch (a.vt)
    {
    case VT_I2:
        return a.iVal == b.iVal;
    case VT_I4:
    case VT_INT:
        return a.lVal == b.lVal;
    case VT_R4:
        return std::memcmp(&a.fltVal, &b.fltVal, sizeof(float)) == 0;
    case VT_R8:
        return std::memcmp(&a.dblVal, &b.dblVal, sizeof(double)) == 0;
    default:
        return false;
    }
}
} // namespace

std::wstring TextForMessage(const std::wstring& text)
{
    constexpr size_t kShown = 40;
    return text.size() <= kShown ? text : text.substr(0, kShown) + L"...";
}

std::wstring NotAValueMessage(const std::wstring& text)
{
    return dkpex::FormatResString(IDS_NOT_A_VALUE, {TextForMessage(text).c_str()});
}

bool NumericAsDouble(const VARIANT& value, double& d)
{
    dkfw::UniqueVariant r8;
    if (FAILED(::VariantChangeType(r8.Addr(), const_cast<VARIANT*>(&value), 0, VT_R8)))
        return false;
    d = r8.Get().dblVal;
    return true;
}

bool ParseNumericText(const CString& text, VARTYPE type, VARIANT* value)
{
    ::VariantClear(value);
    double d = 0;
    switch (type)
    {
    case VT_I2:
    case VT_I4:
    case VT_INT:
    {
        // Blanks around the number are no part of it, as in every other numeric row.
        CString trimmed = text;
        while (!trimmed.empty() && trimmed.back() == L' ')
            trimmed.pop_back();
        if (!ValidInteger(trimmed))
            break;
        // The whole text is the number, and the number fits the type: "1,000" is not read
        // as 1, nor 70000 as a 16-bit 4464.
        wchar_t* end = nullptr;
        errno = 0;
        const long long n = std::wcstoll(trimmed.c_str(), &end, 10);
        const long long low = type == VT_I2 ? SHRT_MIN : INT32_MIN;
        const long long high = type == VT_I2 ? SHRT_MAX : INT32_MAX;
        if (!end || *end != L'\0' || errno == ERANGE || n < low || n > high)
            break;
        value->vt = type;
        if (type == VT_I2)
            value->iVal = static_cast<SHORT>(n);
        else
            value->lVal = static_cast<LONG>(n);
        return true;
    }
    case VT_R4:
    case VT_R8:
        // A real too large for a single-precision property is refused, not stored as infinity.
        if (dkdbDisToF(text.c_str(), -1, &d) != RTNORM || !std::isfinite(d) ||
            (type == VT_R4 && std::fabs(d) > FLT_MAX))
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
    m_first.reading = true;
    m_first.valid = false;
    const long hr = [&]
    {
        const dkfw::ScopeExit readDone([this] { m_first.reading = m_first.valid = false; });
        return ReadValue(read.Addr(), valueType);
    }();
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
        if (m_expressionState == 0 || !m_expressionFallback)
        {
            TellRefused(text);
            return E_FAIL;
        }
        dkfw::UniqueVariant expression;
        expression.Addr()->vt = VT_BSTR;
        expression.Addr()->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return CDkPeCtrlBase::SetPropertyValue(expression.Addr(), ValueExpression);
    }
    if (value->vt != m_propertyType && !dkedIsInCommandStack(kAcceptAnyTypeFlag))
        return E_FAIL;
    return CDkPeCtrlBase::SetPropertyValue(value, valueType);
}

void CDkPeNumericEditBase::TellRefused(const CString& text)
{
    const std::wstring shown = TextForMessage(text);
    std::wstring message;
    if (m_propertyType == VT_I2 || m_propertyType == VT_I4 || m_propertyType == VT_INT)
    {
        const bool shortType = m_propertyType == VT_I2;
        message = dkpex::FormatResString(IDS_NOT_A_WHOLE_NUMBER,
                                         {shown.c_str(), std::to_wstring(shortType ? SHRT_MIN : INT32_MIN).c_str(),
                                          std::to_wstring(shortType ? SHRT_MAX : INT32_MAX).c_str()});
    }
    else
        message = NotAValueMessage(text);
    TellUser(message.c_str());
}

long CDkPeNumericEditBase::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    result = -1;
    if (!a || !b)
        return E_POINTER;
    const CString* first = nullptr;
    if (m_first.reading && !SameNumber(*a, *b))
    {
        if (!m_first.valid || !SameNumber(m_first.value, *a))
        {
            FormatNumber(*a, m_first.text);
            m_first.value = *a; // a number: nothing owned
            m_first.valid = SameNumber(m_first.value, *a);
        }
        first = &m_first.text;
    }
    result =
        SameShownNumber(*a, *b, first, [this](const VARIANT& v, CString& text) { FormatNumber(v, text); }) ? 0 : -1;
    return S_OK;
}

bool SameShownNumber(const VARIANT& a, const VARIANT& b, const CString* firstText,
                     const std::function<void(const VARIANT&, CString&)>& format)
{
    // The same number, bit for bit, shows the same text: nothing to format.
    if (SameNumber(a, b))
        return true;
    CString own;
    if (!firstText)
    {
        format(a, own);
        firstText = &own;
    }
    CString second;
    format(b, second);
    return ::CompareStringOrdinal(firstText->data(), static_cast<int>(firstText->size()), second.data(),
                                  static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

void CDkPeNumericEditBase::FormatNumber(const VARIANT& value, CString& text)
{
    dkpex::FormatNumericValue(value, text);
}

bool CDkPeNumericEditBase::ParseNumber(const CString& text, VARIANT* value)
{
    return IsCurrentDocumentDatabase() && ParseNumericText(text, m_propertyType, value);
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

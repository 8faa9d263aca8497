// CDkPeCtrlBase: reading the property over the selection, comparing values, the
// unspecified and expression states, dynamic properties and the selection's ids.
#include "DkPeCtrlBase.h"
#include "WipedText.h"

#include "SharedTexts.h"

#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

namespace
{
using dkfw::ComPtr;

// Host classes whose properties report fixed failures when read; the failure means "no
// value here", not an error.
const CLSID kThicknessElsewhere[] = {
    {0xE8B54D88, 0xEE03, 0x4C0F, {0x85, 0x8D, 0x87, 0x90, 0x24, 0xBB, 0x88, 0x11}},
    {0x3C66A2DE, 0xEBCF, 0x48CF, {0x8B, 0x0E, 0x75, 0x59, 0x5F, 0x40, 0xEB, 0x24}},
};
const CLSID kSetByView[] = {
    {0xF2136C59, 0x8155, 0x45D9, {0xB0, 0xFB, 0xC5, 0xA8, 0xA8, 0x84, 0x64, 0x7A}},
    {0xBA5E6315, 0x1CCB, 0x420A, {0x89, 0xE7, 0xB2, 0x0A, 0x7C, 0xF9, 0xF8, 0x22}},
};
constexpr SCODE kThicknessElsewhereCode = static_cast<SCODE>(0x80200003);
constexpr SCODE kSetByViewCode = static_cast<SCODE>(0x80200002);

VARIANT DispidId(long dispid)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = dispid;
    return v;
}

// The object itself as the id of a dynamic property's value; no reference is taken.
VARIANT ObjectId(IUnknown* object)
{
    VARIANT v;
    v.vt = VT_UNKNOWN;
    v.punkVal = object;
    return v;
}

bool ClassIs(IDispatch* object, const CLSID (&ids)[2])
{
    CLSID cls{};
    return CDkPeCtrlBase::ObjectClassId(object, cls) && (cls == ids[0] || cls == ids[1]);
}

// A BSTR null string reads as empty; an untyped null array as an empty array.
void NormaliseRead(VARIANT* value)
{
    if (value->vt == VT_BSTR && !value->bstrVal)
        value->bstrVal = ::SysAllocString(L"");
    else if (value->vt == VT_ARRAY && !value->parray)
        value->parray = ::SafeArrayCreateVector(VT_EMPTY, 0, 0);
}

// The dynamic property's two interfaces; at most one is set.
struct DynamicInterfaces
{
    ComPtr<IDynamicProperty2> two;
    ComPtr<IDynamicProperty> one;
    explicit DynamicInterfaces(IUnknown* dynProp)
    {
        if (!dynProp)
            return;
        if (FAILED(dynProp->QueryInterface(IID_IDynamicProperty2, two.PutVoid())))
            dynProp->QueryInterface(IID_IDynamicProperty, one.PutVoid());
    }
    explicit operator bool() const { return two || one; }
    BOOL ReadOnly() const
    {
        BOOL readOnly = FALSE;
        if (two)
            two->IsReadOnly(&readOnly);
        else if (one)
            one->IsReadOnly(&readOnly);
        return readOnly;
    }
};
} // namespace

bool CDkPeCtrlBase::ObjectClassId(IUnknown* object, CLSID& cls) noexcept
{
    ComPtr<IDkBaseObject> base;
    return object && SUCCEEDED(object->QueryInterface(IID_IDkBaseObject, base.PutVoid())) &&
           SUCCEEDED(base->GetClassId(&cls));
}

LONG_PTR CDkPeCtrlBase::ObjectDatabaseId(IUnknown* object) noexcept
{
    ComPtr<IDkBaseObject> base;
    LONG_PTR id = 0;
    if (!object || FAILED(object->QueryInterface(IID_IDkBaseObject, base.PutVoid())) || FAILED(base->GetObjectId(&id)))
        return 0;
    return id;
}

long CDkPeCtrlBase::GetCurrentSelectionObjectIdArray(DkArray<DkDbObjectId>& ids)
{
    for (int i = 0; i < m_nObjects; ++i)
        if (const LONG_PTR id = ObjectDatabaseId(m_ppObjects[i]); id != 0)
            ids.append(DkDbObjectId(id));
    return S_OK;
}

long CDkPeCtrlBase::GetDynamicPropertyValue(IDispatch* object, IDynamicProperty* dynProp, VARIANT* value)
{
    if (!dynProp)
        return E_POINTER;
    LONG_PTR id = 0;
    ComPtr<IDkBaseObject> base;
    if (object && SUCCEEDED(object->QueryInterface(IID_IDkBaseObject, base.PutVoid())))
        base->GetObjectId(&id);
    return dynProp->GetValue(id, value);
}

long CDkPeCtrlBase::SetDynamicPropertyValue(IDispatch* object, IDynamicProperty* dynProp, VARIANT* value)
{
    if (!dynProp || !value)
        return E_POINTER;
    LONG_PTR id = 0;
    ComPtr<IDkBaseObject> base;
    if (object && SUCCEEDED(object->QueryInterface(IID_IDkBaseObject, base.PutVoid())))
        base->GetObjectId(&id);
    return dynProp->SetValue(id, *value);
}

namespace
{
// The unspecified check over the asked party, shared by both kinds of property.
template <class Self>
long CheckUnspecified(Self& self, IUnknown* party, VARIANT varId, VARIANT* value, bool* isUnspecified, bool& allowedOut,
                      CString& textOut)
{
    if (!party || !value || !isUnspecified)
        return E_POINTER;
    ComPtr<IPropertyUnspecified> unspecified;
    if (FAILED(party->QueryInterface(IID_IPropertyUnspecified, unspecified.PutVoid())))
        return S_OK;
    VARIANT_BOOL allowed = VARIANT_FALSE;
    HRESULT hr = unspecified->IsUnspecifiedAllowed(varId, &allowed);
    if (FAILED(hr) || !allowed)
    {
        allowedOut = false;
        textOut.clear();
        return hr;
    }
    allowedOut = true;
    dkfw::UniqueBstr text;
    if (SUCCEEDED(unspecified->GetUnspecifiedText(varId, text.Put())) && text.Get())
        textOut = text.View();
    else
        textOut = dkpex::UnspecifiedText();
    VARIANT_BOOL is = VARIANT_FALSE;
    hr = unspecified->IsValueUnspecified(varId, &is);
    if (SUCCEEDED(hr) && is)
    {
        ::VariantClear(value);
        value->vt = VT_BSTR;
        value->bstrVal = ::SysAllocStringLen(textOut.data(), static_cast<UINT>(textOut.size()));
        *isUnspecified = true;
    }
    (void)self;
    return hr;
}

long SetUnspecified(IUnknown* party, VARIANT varId, int flag)
{
    if (!party)
        return E_POINTER;
    ComPtr<IPropertyUnspecified> unspecified;
    if (FAILED(party->QueryInterface(IID_IPropertyUnspecified, unspecified.PutVoid())))
        return E_FAIL;
    VARIANT_BOOL allowed = VARIANT_FALSE;
    if (FAILED(unspecified->IsUnspecifiedAllowed(varId, &allowed)) || !allowed)
        return E_FAIL;
    return SUCCEEDED(unspecified->SetValueUnspecified(varId, flag ? VARIANT_TRUE : VARIANT_FALSE)) ? S_OK : E_FAIL;
}

long CheckExpression(IUnknown* party, VARIANT varId, VARIANT* value, bool* hasExpression)
{
    ComPtr<IPropertyExpression> expression;
    if (FAILED(party->QueryInterface(IID_IPropertyExpression, expression.PutVoid())))
        return S_OK;
    VARIANT_BOOL is = VARIANT_FALSE;
    if (FAILED(expression->IsExpressionProperty(varId, &is)) || !is)
        return S_OK;
    *hasExpression = true;
    dkfw::UniqueBstr text;
    const HRESULT hr = expression->GetExpression(varId, text.Put());
    if (FAILED(hr))
        return E_FAIL;
    ::VariantClear(value);
    value->vt = VT_BSTR;
    value->bstrVal = text.Detach();
    if (!value->bstrVal)
        value->bstrVal = ::SysAllocString(L"");
    return S_OK;
}

long SetExpression(IUnknown* party, VARIANT varId, wchar_t* text)
{
    ComPtr<IPropertyExpression> expression;
    if (FAILED(party->QueryInterface(IID_IPropertyExpression, expression.PutVoid())))
        return E_FAIL;
    VARIANT_BOOL is = VARIANT_FALSE;
    if (FAILED(expression->IsExpressionProperty(varId, &is)) || !is)
        return E_FAIL;
    dkfw::UniqueBstr bstr(text);
    return SUCCEEDED(expression->SetExpression(varId, bstr.Get())) ? S_OK : E_FAIL;
}
} // namespace

long CDkPeCtrlBase::CheckPropertyForUnspecifiedValue(IUnknown* dynProp, IUnknown* object, VARIANT* value,
                                                     bool* isUnspecified)
{
    return CheckUnspecified(*this, dynProp, ObjectId(object), value, isUnspecified, m_bUnspecifiedAllowed,
                            m_unspecifiedText);
}

long CDkPeCtrlBase::CheckPropertyForUnspecifiedValue(long dispid, IDispatch* object, VARIANT* value,
                                                     bool* isUnspecified)
{
    return CheckUnspecified(*this, object, DispidId(dispid), value, isUnspecified, m_bUnspecifiedAllowed,
                            m_unspecifiedText);
}

long CDkPeCtrlBase::SetPropertyValueAsUnspecified(long dispid, IDispatch* object, int flag)
{
    return SetUnspecified(object, DispidId(dispid), flag);
}

long CDkPeCtrlBase::SetPropertyValueAsUnspecified(IUnknown* dynProp, IUnknown* object, int flag)
{
    return SetUnspecified(dynProp, ObjectId(object), flag);
}

long CDkPeCtrlBase::CheckPropertyForExpression(IUnknown* dynProp, IUnknown* object, VARIANT* value, bool* hasExpression)
{
    if (!dynProp || !object || !value || !hasExpression)
        return E_POINTER;
    *hasExpression = false;
    return CheckExpression(dynProp, ObjectId(object), value, hasExpression);
}

long CDkPeCtrlBase::CheckPropertyForExpression(long dispid, IDispatch* object, VARIANT* value, bool* hasExpression)
{
    if (!object || !value || !hasExpression)
        return E_POINTER;
    *hasExpression = false;
    return CheckExpression(object, DispidId(dispid), value, hasExpression);
}

long CDkPeCtrlBase::SetPropertyExpressionAsString(long dispid, IDispatch* object, wchar_t* text)
{
    if (!object || !text)
        return E_POINTER;
    return SetExpression(object, DispidId(dispid), text);
}

long CDkPeCtrlBase::SetPropertyExpressionAsString(IUnknown* dynProp, IUnknown* object, wchar_t* text)
{
    if (!dynProp || !object || !text)
        return E_POINTER;
    return SetExpression(dynProp, ObjectId(object), text);
}

long CDkPeCtrlBase::GetPropertyExpressionHelper(long dispid, IDispatch* object, CString& text, bool& has)
{
    text.clear();
    dkfw::UniqueVariant v;
    const long hr = CheckPropertyForExpression(dispid, object, v.Addr(), &has);
    if (SUCCEEDED(hr) && has && v.Type() == VT_BSTR)
        text = v.Get().bstrVal ? v.Get().bstrVal : L"";
    return hr;
}

long CDkPeCtrlBase::GetPropertyExpressionHelper(IUnknown* dynProp, IUnknown* object, CString& text, bool& has)
{
    text.clear();
    dkfw::UniqueVariant v;
    const long hr = CheckPropertyForExpression(dynProp, object, v.Addr(), &has);
    if (SUCCEEDED(hr) && has && v.Type() == VT_BSTR)
        text = v.Get().bstrVal ? v.Get().bstrVal : L"";
    return hr;
}

long CDkPeCtrlBase::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    if (!a || !b || a->vt != b->vt)
        return E_FAIL;
    bool equal = false;
    switch (a->vt)
    {
    case VT_I2:
    case VT_BOOL:
        equal = a->iVal == b->iVal;
        break;
    case VT_I4:
        equal = a->lVal == b->lVal;
        break;
    case VT_I8:
        equal = a->llVal == b->llVal;
        break;
    case VT_R4:
        // NaN compares unequal to everything, itself included.
        equal =
            a->fltVal == a->fltVal && b->fltVal == b->fltVal && !(a->fltVal < b->fltVal) && !(a->fltVal > b->fltVal);
        break;
    case VT_R8:
        equal =
            a->dblVal == a->dblVal && b->dblVal == b->dblVal && !(a->dblVal < b->dblVal) && !(a->dblVal > b->dblVal);
        break;
    case VT_BSTR:
        equal = ::CompareStringOrdinal(a->bstrVal ? a->bstrVal : L"", static_cast<int>(::SysStringLen(a->bstrVal)),
                                       b->bstrVal ? b->bstrVal : L"", static_cast<int>(::SysStringLen(b->bstrVal)),
                                       TRUE) == CSTR_EQUAL;
        break;
    default:
        equal = false;
        break;
    }
    result = equal ? 0 : -1;
    return S_OK;
}

// The property get of a DISPID property with the host's tolerated failures.
long CDkPeCtrlBase::ReadDispatchProperty(int index, VARIANT* value, ValueType& valueType)
{
    auto* object = static_cast<IDispatch*>(m_ppObjects[index]);
    const long dispid = m_pDispids[index];
    DISPPARAMS none{};
    dkfw::UniqueExcepInfo excep;
    if (value->vt != VT_EMPTY)
        ::VariantClear(value);
    HRESULT hr =
        object->Invoke(dispid, IID_NULL, kPropertyLocale, DISPATCH_PROPERTYGET, &none, value, excep.Addr(), nullptr);
    if (hr == DISP_E_EXCEPTION)
    {
        const SCODE code = excep.Get().scode;
        if (code == kThicknessElsewhereCode && dispid == 10 && ClassIs(object, kThicknessElsewhere))
        {
            ::VariantClear(value);
            return S_OK;
        }
        if (code == kSetByViewCode && ClassIs(object, kSetByView))
        {
            ::VariantClear(value);
            if (dispid == 1 || dispid == 2)
                valueType = ValueVaries;
            return S_OK;
        }
        return hr;
    }
    if (SUCCEEDED(hr))
        NormaliseRead(value);
    return hr;
}

long CDkPeCtrlBase::ReadDynamicProperty(int index, VARIANT* value, IDynamicProperty2* two, IDynamicProperty* one)
{
    ::VariantClear(value);
    if (two)
        return two->GetValue(m_ppObjects[index], value);
    return GetDynamicPropertyValue(static_cast<IDispatch*>(m_ppObjects[index]), one, value);
}

// A DISPID property becomes read-only when an object says it cannot be edited, or cannot
// say.
void CDkPeCtrlBase::AskEditable(int index)
{
    if (m_bPropReadOnly)
        return;
    ComPtr<IPropertyExtension> extension;
    if (FAILED(m_ppObjects[index]->QueryInterface(IID_IPropertyExtension, extension.PutVoid())))
        return;
    BOOL editable = FALSE;
    if (FAILED(extension->IsEditable(m_pDispids[index], &editable)))
        editable = FALSE;
    m_bPropReadOnly = !editable;
}

long CDkPeCtrlBase::GetPropertyValue(VARIANT* value, ValueType& valueType)
try
{
    if (!value)
        return E_POINTER;
    valueType = ValueSpecified;
    m_bPropReadOnly = m_bInitReadOnly;
    m_expressionState = 0;
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0])
        return E_FAIL;

    // The first object is read fully.
    bool firstUnspecified = false;
    bool firstHasExpression = false;
    HRESULT hr = S_OK;
    IUnknown* first = m_ppObjects[0];
    if (m_pDispids[0] != kDynamicPropertyDispid)
    {
        auto* object = static_cast<IDispatch*>(first);
        hr = CheckPropertyForUnspecifiedValue(m_pDispids[0], object, value, &firstUnspecified);
        if (SUCCEEDED(hr) && firstUnspecified)
            valueType = ValueUnspecified;
        else
            hr = ReadDispatchProperty(0, value, valueType);
        GetPropertyExpressionHelper(m_pDispids[0], object, m_expression, firstHasExpression);
        if (firstHasExpression)
            m_expressionState = m_expression.empty() ? 1 : 3;
        if (FAILED(hr))
            return hr;
        AskEditable(0);
    }
    else
    {
        DynamicInterfaces dyn(m_ppDynProps[0]);
        if (!dyn)
            return E_FAIL;
        hr = CheckPropertyForUnspecifiedValue(m_ppDynProps[0], first, value, &firstUnspecified);
        if (SUCCEEDED(hr) && firstUnspecified)
            valueType = ValueUnspecified;
        GetPropertyExpressionHelper(m_ppDynProps[0], first, m_expression, firstHasExpression);
        if (firstHasExpression)
            m_expressionState = m_expression.empty() ? 1 : 3;
        if (!firstUnspecified)
        {
            hr = ReadDynamicProperty(0, value, dyn.two.Get(), dyn.one.Get());
            // The palette's read-only flag stands; the dynamic property can only add to it.
            if (SUCCEEDED(hr) && !m_bPropReadOnly)
                m_bPropReadOnly = dyn.ReadOnly();
        }
    }
    if (FAILED(hr) || m_nObjects == 1 || valueType == ValueVaries)
        return FAILED(hr) ? hr : S_OK;

    // The others only until the row varies. The scratch values live across the loop: a
    // large selection reads each object with no allocation of its own.
    const bool firstExpressionWasEmpty = m_expression.empty();
    bool anyExpression = firstHasExpression;
    dkfw::UniqueVariant other;
    const dkpex::WipeOnExit<VARIANT> wipeOther(*other.Addr());
    dkfw::UniqueVariant expression;
    CString otherExpression;
    for (int i = 1; i < m_nObjects; ++i)
    {
        // Each object's value may be a password: wiped before its memory goes.
        dkpex::Wipe(*other.Addr());
        other.Reset();
        expression.Reset();
        otherExpression.clear();
        bool otherUnspecified = false;
        bool otherHasExpression = false;
        const bool dynamic = m_pDispids[i] == kDynamicPropertyDispid;
        if (dynamic)
        {
            DynamicInterfaces dyn(m_ppDynProps[i]);
            if (!dyn)
                continue;
            hr = CheckPropertyForUnspecifiedValue(m_ppDynProps[i], m_ppObjects[i], other.Addr(), &otherUnspecified);
            if (!otherUnspecified)
            {
                hr = ReadDynamicProperty(i, other.Addr(), dyn.two.Get(), dyn.one.Get());
                if (!m_bPropReadOnly && SUCCEEDED(hr))
                    m_bPropReadOnly = dyn.ReadOnly();
            }
            CheckPropertyForExpression(m_ppDynProps[i], m_ppObjects[i], expression.Addr(), &otherHasExpression);
        }
        else
        {
            auto* object = static_cast<IDispatch*>(m_ppObjects[i]);
            if (!object)
                continue;
            hr = CheckPropertyForUnspecifiedValue(m_pDispids[i], object, other.Addr(), &otherUnspecified);
            if (!otherUnspecified)
                hr = ReadDispatchProperty(i, other.Addr(), valueType);
            CheckPropertyForExpression(m_pDispids[i], object, expression.Addr(), &otherHasExpression);
            if (!m_bPropReadOnly)
            {
                if (FAILED(hr))
                    return hr;
                AskEditable(i);
            }
        }
        if (otherHasExpression && expression.Type() == VT_BSTR && expression.Get().bstrVal)
            otherExpression = expression.Get().bstrVal;
        if (FAILED(hr))
            return hr;
        anyExpression = anyExpression || otherHasExpression;
        UpdateExpressionSupportState(firstExpressionWasEmpty, anyExpression, otherExpression);
        if (valueType == ValueVaries)
            return S_OK;

        if (!firstUnspecified && !otherUnspecified)
        {
            int result = -1;
            if (FAILED(ComparePropertyValue(value, other.Addr(), result)) || result != 0)
            {
                valueType = ValueVaries;
                return S_OK;
            }
        }
        else if (firstUnspecified != otherUnspecified)
        {
            valueType = ValueVaries;
            return S_OK;
        }
        else
        {
            // Both unspecified: the row shows that the objects differ, and stays unspecified.
            ::VariantClear(value);
            value->vt = VT_BSTR;
            value->bstrVal = ::SysAllocString(dkpex::VariesText().c_str());
        }
    }
    return S_OK;
}
catch (const std::bad_alloc&)
{
    return E_OUTOFMEMORY;
}

bool CDkPeCtrlBase::ShownText(const VARIANT& value, ValueType valueType, CString& text) const
{
    if (valueType == ValueVaries)
        text = dkpex::VariesText();
    else if (valueType == ValueUnspecified)
        text = m_unspecifiedText;
    else if (value.vt == VT_BSTR)
        text = value.bstrVal ? value.bstrVal : L"";
    else
        return false;
    return true;
}

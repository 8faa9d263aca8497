// The palette object: property access through IDispatch, with the host's rules and faults.
#include "PaletteObject.h"

#include "CustomValues.h"
#include "Hyperlinks.h"
#include "Journal.h"
#include "Patterns.h"
#include "PropertyPage.h"
#include "Sections.h"

#include "HResult.h"

#include <olectl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace dkhost
{
namespace
{
// The codes the host puts in the exceptions it raises.
constexpr SCODE kInvalidValue = static_cast<SCODE>(0x80200005);
constexpr SCODE kLockedLayer = static_cast<SCODE>(0x80200006);

// A point: a one-dimensional array of two or three doubles, made three.
bool ToPoint(const VARIANT& in, VARIANT* out)
{
    if (in.vt != (VT_ARRAY | VT_R8) || !in.parray || ::SafeArrayGetDim(in.parray) != 1)
        return false;
    LONG lo = 0;
    LONG hi = -1;
    ::SafeArrayGetLBound(in.parray, 1, &lo);
    ::SafeArrayGetUBound(in.parray, 1, &hi);
    const LONG n = hi - lo + 1;
    if (n < 2 || n > 3)
        return false;
    SAFEARRAY* sa = ::SafeArrayCreateVector(VT_R8, 0, 3);
    if (!sa)
        return false;
    double* src = nullptr;
    double* dst = nullptr;
    ::SafeArrayAccessData(in.parray, reinterpret_cast<void**>(&src));
    ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&dst));
    for (LONG i = 0; i < 3; ++i)
        dst[i] = i < n ? src[i] : 0.0;
    ::SafeArrayUnaccessData(sa);
    ::SafeArrayUnaccessData(in.parray);
    out->vt = VT_ARRAY | VT_R8;
    out->parray = sa;
    return true;
}
} // namespace

namespace
{
// The reason of a failure, as the thread's error information.
void SetErrorText(const wchar_t* text) noexcept
{
    ICreateErrorInfo* create = nullptr;
    if (FAILED(::CreateErrorInfo(&create)))
        return;
    create->SetDescription(const_cast<LPOLESTR>(text));
    create->SetSource(const_cast<LPOLESTR>(L"DkHost"));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))))
    {
        ::SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
}
} // namespace

HRESULT RaiseException(EXCEPINFO* excep, SCODE code, const std::wstring& description) noexcept
{
    if (excep)
    {
        *excep = EXCEPINFO{};
        excep->bstrSource = ::SysAllocString(L"DkHost");
        excep->bstrDescription = ::SysAllocString(description.c_str());
        excep->scode = code;
    }
    return DISP_E_EXCEPTION;
}

HRESULT PaletteObject::QueryExtra(REFIID riid, void** ppv) noexcept
{
    void* p = nullptr;
    if (riid == IID_IDkEntity && !noEntityInterface)
        p = static_cast<IDkEntity*>(this);
    else if (riid == IID_IPropertyUnspecified && AnyTraits([](auto& t) { return t.unspecifiedAllowed; }))
        p = static_cast<IPropertyUnspecified*>(this);
    else if (riid == IID_IPropertyExpression && AnyTraits([](auto& t) { return t.expressionSupported; }))
        p = static_cast<IPropertyExpression*>(this);
    else if (riid == IID_IPropertyExtension && AnyTraits([](auto& t) { return t.hasEditable; }))
        p = static_cast<IPropertyExtension*>(this);
    // Every entity shows its hyperlinks and maps them to a page.
    else if (riid == IID_IPerPropertyBrowsing && Rec())
        p = static_cast<IPerPropertyBrowsing*>(this);
    else if ((riid == IID_IDkPropertyElements || riid == IID_IDkPropertyElementsOf ||
              riid == IID_IDkPropertyElementExpressions) &&
             Rec() &&
             std::any_of(Rec()->cls->slots.begin(), Rec()->cls->slots.end(),
                         [](const PropertySlot& s) { return s.vt == VT_VARIANT && s.light == LightValue::None; }))
    {
        if (riid == IID_IDkPropertyElements && answersElements)
            p = static_cast<IDkPropertyElements*>(this);
        else if (riid == IID_IDkPropertyElementsOf && answersElementsOf)
            p = static_cast<IDkPropertyElementsOf*>(this);
        else if (riid == IID_IDkPropertyElementExpressions && AnyTraits([](auto& t) { return t.expressionSupported; }))
            p = static_cast<IDkPropertyElementExpressions*>(this);
    }
    else if (riid == IID_IDkAttributeKind && Rec() && Rec()->cls->name == L"Attribute" && Rec()->attributeKind == 0)
        p = static_cast<IDkAttributeKind*>(this);
    else if (riid == IID_IDkAttributeDefinitionKind && Rec() && Rec()->cls->name == L"Attribute" &&
             Rec()->attributeKind == 1)
        p = static_cast<IDkAttributeDefinitionKind*>(this);
    else if (riid == IID_IDkDialogOnReadOnly && dialogOnReadOnly)
        p = static_cast<IDkDialogOnReadOnly*>(this);
    else if (riid == IID_IDkPropertyCustomValues && AnyTraits([](auto& t) { return !t.custom.empty(); }))
        p = static_cast<IDkPropertyCustomValues*>(this);
    else if (riid == IID_IDkBaseObject2 && Rec() && Rec()->subentIndex)
        p = static_cast<IDkBaseObject2*>(this);
    else if (riid == IID_IDkCallout && Rec() && Rec()->cls->name == L"Callout")
        p = static_cast<IDkCallout*>(this);
    else if (riid == IID_IDkSection && Rec() && Rec()->cls->name == L"Section")
        p = static_cast<IDkSection*>(this);
    if (!p)
        return E_NOINTERFACE;
    *ppv = p;
    AsDispatch()->AddRef();
    return S_OK;
}

const PropertyTraits* PaletteObject::FindTraits(DISPID dispid) const noexcept
{
    auto it = m_traits.find(dispid);
    return it == m_traits.end() ? nullptr : &it->second;
}

const PropertyTraits* PaletteObject::TraitsOf(const VARIANT& varId) const noexcept
{
    return varId.vt == VT_I4 ? FindTraits(varId.lVal) : nullptr;
}

ITypeInfo* PaletteObject::TypeInfo() const noexcept
{
    const Record* r = Rec();
    return typeInfo ? typeInfo.Get() : r ? r->cls->typeInfo.Get() : nullptr;
}

STDMETHODIMP PaletteObject::GetTypeInfoCount(UINT* count) noexcept
{
    RETURN_HR_IF(E_POINTER, !count);
    *count = 1;
    return S_OK;
}

STDMETHODIMP PaletteObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = nullptr;
    RETURN_HR_IF(DISP_E_BADINDEX, index != 0);
    ITypeInfo* info = TypeInfo();
    RETURN_HR_IF(E_UNEXPECTED, !info);
    info->AddRef();
    *out = info;
    return S_OK;
}

STDMETHODIMP PaletteObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept
{
    ITypeInfo* info = TypeInfo();
    RETURN_HR_IF(E_UNEXPECTED, !info);
    return info->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP PaletteObject::Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excep, UINT* argErr) noexcept
try
{
    Record* r = Rec();
    RETURN_HR_IF(E_UNEXPECTED, !r || r->erased);
    const PropertySlot* slot = r->cls->Slot(id);
    if (!slot)
        return InvokeVertexMember(id, locale, flags, params, result, excep);
    lastLocale = locale;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
        return Put(*slot, locale, params, excep, argErr);
    if (flags & DISPATCH_PROPERTYGET)
        return Get(*slot, params, result, excep);
    return DISP_E_MEMBERNOTFOUND;
}
DK_CATCH_RETURN()

HRESULT PaletteObject::InvokeVertexMember(DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                          EXCEPINFO* excep) noexcept
try
{
    Record* r = Rec();
    dkfw::UniqueBstr name;
    UINT got = 0;
    if (FAILED(r->cls->typeInfo->GetNames(id, name.Put(), 1, &got)) || got != 1)
        return DISP_E_MEMBERNOTFOUND;
    // The members that read or write one vertex of a list: the list, and whether it writes.
    const std::wstring member(name.View());
    const wchar_t* list = member == L"Coordinate"                                        ? L"Coordinates"
                          : member == L"GetControlPoint" || member == L"SetControlPoint" ? L"ControlPoints"
                          : member == L"GetFitPoint" || member == L"SetFitPoint"         ? L"FitPoints"
                                                                                         : nullptr;
    const PropertySlot* slot = list ? r->cls->Slot(list) : nullptr;
    RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, !slot);
    const bool write = member == L"Coordinate" ? (flags & DISPATCH_PROPERTYPUT) != 0 : member[0] == L'S';
    const UINT args = params ? params->cArgs : 0;
    RETURN_HR_IF(DISP_E_BADPARAMCOUNT, args != (write ? 2u : 1u));
    // Arguments come last first: the index is the last.
    dkfw::UniqueVariant index;
    RETURN_HR_IF(DISP_E_TYPEMISMATCH, FAILED(::VariantChangeType(index.Put(), &params->rgvarg[args - 1], 0, VT_I4)));
    dkfw::UniqueVariant whole;
    RETURN_IF_FAILED(m_drawing->GetValue(*r, *slot, whole.Put()));
    std::vector<double> numbers = Doubles(whole.Get());
    const size_t perGroup = static_cast<size_t>(ElementsPerGroup(*slot));
    // A control point's weight is not one of its coordinates.
    const size_t coordinates = perGroup == 4 ? 3 : perGroup;
    const LONG i = index.Get().lVal;
    RETURN_HR_IF(DISP_E_BADINDEX, i < 0 || (static_cast<size_t>(i) + 1) * perGroup > numbers.size());
    const size_t first = static_cast<size_t>(i) * perGroup;
    auto array = [](const double* data, size_t n, VARIANT* out)
    {
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(n));
        if (!sa)
            return E_OUTOFMEMORY;
        double* to = nullptr;
        ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&to));
        std::copy(data, data + n, to);
        ::SafeArrayUnaccessData(sa);
        out->vt = VT_ARRAY | VT_R8;
        out->parray = sa;
        return S_OK;
    };
    if (!write)
    {
        RETURN_HR_IF(E_POINTER, !result);
        ::VariantInit(result);
        return array(numbers.data() + first, coordinates, result);
    }
    const VARIANT* arg = &params->rgvarg[0];
    if (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal)
        arg = arg->pvarVal;
    const std::vector<double> point = Doubles(*arg);
    RETURN_HR_IF(DISP_E_TYPEMISMATCH, point.size() < 2 || point.size() > 3);
    for (size_t k = 0; k < coordinates && k < point.size(); ++k)
        numbers[first + k] = point[k];
    dkfw::UniqueVariant changed;
    RETURN_IF_FAILED(array(numbers.data(), numbers.size(), changed.Addr()));
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{changed.Addr(), &named, 1, 1};
    return Invoke(slot->dispid, IID_NULL, locale, DISPATCH_PROPERTYPUT, &put, nullptr, excep, nullptr);
}
DK_CATCH_RETURN()

HRESULT PaletteObject::Get(const PropertySlot& slot, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep) noexcept
{
    RETURN_HR_IF(DISP_E_BADPARAMCOUNT, params && params->cArgs != 0);
    ++reads;
    Record* r = Rec();
    const PropertyTraits* traits = FindTraits(slot.dispid);
    if (traits && traits->getFault)
        return RaiseException(excep, traits->getFault, traits->faultDescription);
    // Classes whose data lives elsewhere cannot report these properties.
    if (slot.dispid == 10 && r->cls->readFailure == ReadFailure::ThicknessElsewhere)
        return RaiseException(excep, static_cast<SCODE>(0x80200003), L"Not available for this object.");
    if ((slot.dispid == 1 || slot.dispid == 2) && r->cls->readFailure == ReadFailure::SetByView)
        return RaiseException(excep, static_cast<SCODE>(0x80200002), L"Set by the view this object belongs to.");
    if (!result)
        return S_OK;
    if (traits && traits->raw)
        return ::VariantCopy(result, traits->raw->Addr());
    RETURN_IF_FAILED(m_drawing->GetValue(*r, slot, result));
    if (slot.hyperlinks && hyperlinksUnreadable)
    {
        // The same hyperlinks, none of whose items can be read.
        HyperlinkList items;
        HyperlinksOf(*result, items);
        ::VariantClear(result);
        result->vt = VT_DISPATCH;
        return NewHyperlinks(items, true, &result->pdispVal);
    }
    return S_OK;
}

HRESULT PaletteObject::Put(const PropertySlot& slot, LCID locale, DISPPARAMS* params, EXCEPINFO* excep,
                           UINT* argErr) noexcept
{
    RETURN_HR_IF(DISP_E_BADPARAMCOUNT, !params || params->cArgs != 1);
    RETURN_HR_IF(DISP_E_PARAMNOTFOUND, params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
                                           params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT);
    RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, slot.readOnly);
    const VARIANT* arg = &params->rgvarg[0];
    if (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal)
        arg = arg->pvarVal;
    dkfw::UniqueVariant value;
    bool converted = false;
    if (slot.hyperlinks)
    {
        // A collection of hyperlinks (each read), or addresses as text: "a|b".
        HyperlinkList items;
        dkfw::UniqueVariant text;
        const bool read =
            HyperlinksOf(*arg, items) ||
            (SUCCEEDED(::VariantChangeTypeEx(text.Put(), const_cast<VARIANT*>(arg), locale, 0, VT_BSTR)) &&
             HyperlinksOf(text.Get(), items));
        converted = read && SUCCEEDED(NewHyperlinks(items, false, &value.Put()->pdispVal));
        if (converted)
            value.Addr()->vt = VT_DISPATCH;
    }
    else if (slot.vt == VT_DISPATCH)
    {
        // A colour: one of the host's colour objects, or an index.
        std::wstring description;
        const HRESULT hr = KeepColor(*arg, locale, value.Put(), description);
        if (hr == DISP_E_EXCEPTION)
            return RaiseException(excep, kInvalidValue, description);
        converted = SUCCEEDED(hr);
    }
    else if (slot.light != LightValue::None)
        // A light's value of its own form: what the light takes is the light's to judge, and
        // to say why not.
        converted = SUCCEEDED(value.CopyFrom(*arg));
    else if (slot.vt == VT_VARIANT)
        converted = IsNumberList(slot) ? SUCCEEDED(value.CopyFrom(*arg)) && value.Type() == (VT_ARRAY | VT_R8)
                                       : ToPoint(*arg, value.Put());
    else
        // Typed text converts by the caller's locale.
        converted = SUCCEEDED(::VariantChangeTypeEx(value.Put(), const_cast<VARIANT*>(arg), locale, 0, slot.vt));
    if (!converted)
    {
        if (argErr)
            *argErr = 0;
        return DISP_E_TYPEMISMATCH;
    }
    Record* r = Rec();
    const PropertyTraits* traits = FindTraits(slot.dispid);
    if (traits && traits->putFault)
        return RaiseException(excep, traits->putFault, traits->faultDescription);
    // A part of an entity lies on its entity's layer.
    const Record* layered = r->subentIndex ? m_drawing->Find(r->owner) : r;
    const int layerSlot = layered ? layered->cls->SlotIndex(L"Layer") : -1;
    const VARIANT& layer = layerSlot < 0 ? VARIANT{} : layered->values[static_cast<size_t>(layerSlot)].Get();
    if (layer.vt == VT_BSTR)
        if (Record* l = m_drawing->FindInTable(m_drawing->layerTable, layer.bstrVal, ::SysStringLen(layer.bstrVal));
            l && l->locked)
            return RaiseException(excep, kLockedLayer, L"The object is on a locked layer.");
    std::wstring description;
    {
        // The value and the special value it replaces are one step of undo.
        const auto held = m_traits.find(slot.dispid);
        const bool replaces = held != m_traits.end() && held->second.customHeld != -1;
        if (replaces)
            m_drawing->BeginGroup(L"");
        const dkfw::ScopeExit ended(
            [this, replaces]
            {
                if (replaces)
                    m_drawing->EndGroup();
            });
        if (FAILED(m_drawing->PutValue(*r, slot, value.Get(), description)))
            return RaiseException(excep, kInvalidValue, description);
        // An ordinary value takes the place of a special one.
        HoldCustomValue(slot.dispid, -1);
    }
    ++writes;
    if (Record* victim = eraseWhenWritten ? m_drawing->Find(eraseWhenWritten) : nullptr)
        m_drawing->Erase(*victim);
    return S_OK;
}

STDMETHODIMP PaletteObject::GetDatabase(IUnknown** database) noexcept
{
    RETURN_HR_IF(E_POINTER, !database);
    *database = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP PaletteObject::GetObjectId(LONG_PTR* id) noexcept
{
    RETURN_HR_IF(E_POINTER, !id);
    // A part is no object of the drawing: its entity is.
    const Record* r = Rec();
    *id = !r ? 0 : r->subentIndex ? r->owner : m_id;
    return S_OK;
}

STDMETHODIMP PaletteObject::GetOwnerObjectId(LONG_PTR* id) noexcept
{
    RETURN_HR_IF(E_POINTER, !id);
    const Record* r = Rec();
    RETURN_HR_IF(E_UNEXPECTED, !r || !r->subentIndex);
    *id = r->owner;
    return S_OK;
}

STDMETHODIMP PaletteObject::GetSubentIndex(long* index) noexcept
{
    RETURN_HR_IF(E_POINTER, !index);
    const Record* r = Rec();
    RETURN_HR_IF(E_UNEXPECTED, !r || !r->subentIndex);
    *index = r->subentIndex;
    return S_OK;
}

STDMETHODIMP PaletteObject::IsCallout(BOOL* callout) noexcept
{
    RETURN_HR_IF(E_POINTER, !callout);
    const Record* r = Rec();
    *callout = r && r->cls->name == L"Callout" ? TRUE : FALSE;
    return S_OK;
}

STDMETHODIMP PaletteObject::get_Settings(IDispatch** settings) noexcept
{
    RETURN_HR_IF(E_POINTER, !settings);
    *settings = nullptr;
    const Record* r = Rec();
    RETURN_HR_IF(E_UNEXPECTED, !r || r->erased || r->cls->name != L"Section");
    return NewSectionSettings(r->sectionKind, settings);
}

STDMETHODIMP PaletteObject::GetClassId(CLSID* clsid) noexcept
{
    RETURN_HR_IF(E_POINTER, !clsid);
    Record* r = Rec();
    RETURN_HR_IF(E_UNEXPECTED, !r);
    *clsid = r->cls->classId;
    return S_OK;
}

STDMETHODIMP PaletteObject::Update() noexcept
{
    ++updates;
    return Rec() ? updateResult : E_UNEXPECTED;
}

namespace
{
bool IsHatch(const Record& r) noexcept
{
    return r.cls->name == L"Hatch";
}

// A stored value of a hatch by its property's name.
const VARIANT& StoredValue(const Record& r, const wchar_t* name) noexcept
{
    static const VARIANT empty{};
    const int i = r.cls->SlotIndex(name);
    return i < 0 ? empty : r.values[static_cast<size_t>(i)].Get();
}
} // namespace

HRESULT PaletteObject::Hatch(Record*& r) const noexcept
{
    r = Rec();
    if (r && !IsHatch(*r))
        return E_NOTIMPL;
    return !r || r->erased ? E_UNEXPECTED : S_OK;
}

// The type and the name change together, as one step of undo: undoing it gives the hatch both
// back. A custom name the predefined list holds makes the hatch predefined.
STDMETHODIMP PaletteObject::SetPattern(long type, BSTR name) noexcept
try
{
    Record* r = nullptr;
    RETURN_IF_FAILED(Hatch(r));
    ::SetErrorInfo(0, nullptr);
    RETURN_HR_IF(E_INVALIDARG, type < DkDbHatch::kUserDefined || type > DkDbHatch::kCustomDefined);
    const std::wstring given = name ? std::wstring(name, ::SysStringLen(name)) : std::wstring();
    RETURN_HR_IF(E_INVALIDARG, type != DkDbHatch::kUserDefined && given.empty());
    if (patternFault)
    {
        JournalAdd(L"set pattern hatch " + r->handle + L" failed");
        return E_FAIL;
    }
    const VARIANT& layer = StoredValue(*r, L"Layer");
    if (layer.vt == VT_BSTR)
        if (Record* l = m_drawing->FindInTable(m_drawing->layerTable, layer.bstrVal, ::SysStringLen(layer.bstrVal));
            l && l->locked)
        {
            SetErrorText(L"The object is on a locked layer.");
            return kLockedLayer;
        }
    const long stored = type == DkDbHatch::kCustomDefined && IsPredefinedPattern(given)
                            ? static_cast<long>(DkDbHatch::kPreDefined)
                            : type;
    dkfw::UniqueVariant typeValue;
    typeValue.Addr()->vt = VT_I4;
    typeValue.Addr()->lVal = stored;
    dkfw::UniqueVariant nameValue;
    nameValue.Addr()->vt = VT_BSTR;
    nameValue.Addr()->bstrVal = ::SysAllocString(given.c_str());
    RETURN_HR_IF(E_OUTOFMEMORY, !nameValue.Get().bstrVal);
    std::wstring description;
    {
        m_drawing->BeginGroup(L"Hatch pattern");
        const dkfw::ScopeExit ended([this] { m_drawing->EndGroup(); });
        RETURN_IF_FAILED(m_drawing->PutValue(*r, *r->cls->Slot(L"PatternType"), typeValue.Get(), description));
        RETURN_IF_FAILED(m_drawing->PutValue(*r, *r->cls->Slot(L"PatternName"), nameValue.Get(), description));
    }
    JournalAdd(L"set pattern hatch " + r->handle + L" " + std::to_wstring(stored) + L" \"" + given + L"\"");
    return S_OK;
}
DK_CATCH_RETURN()

STDMETHODIMP PaletteObject::get_PatternType(long* type) noexcept
{
    Record* r = nullptr;
    RETURN_IF_FAILED(Hatch(r));
    RETURN_HR_IF(E_POINTER, !type);
    const VARIANT& v = StoredValue(*r, L"PatternType");
    *type = v.vt == VT_I4 ? v.lVal : 0;
    return S_OK;
}

STDMETHODIMP PaletteObject::get_PatternName(BSTR* name) noexcept
{
    Record* r = nullptr;
    RETURN_IF_FAILED(Hatch(r));
    RETURN_HR_IF(E_POINTER, !name);
    const VARIANT& v = StoredValue(*r, L"PatternName");
    *name = v.vt == VT_BSTR && v.bstrVal ? ::SysAllocStringLen(v.bstrVal, ::SysStringLen(v.bstrVal))
                                         : ::SysAllocString(L"");
    return *name ? S_OK : E_OUTOFMEMORY;
}

// Fills the hatch anew: a pattern the host cannot find fails, saying which, and leaves the
// hatch as it is. Lines of the user's own (a user-defined hatch) need no pattern file.
STDMETHODIMP PaletteObject::Evaluate() noexcept
try
{
    Record* r = nullptr;
    RETURN_IF_FAILED(Hatch(r));
    ::SetErrorInfo(0, nullptr);
    const VARIANT& typeValue = StoredValue(*r, L"PatternType");
    const VARIANT& nameValue = StoredValue(*r, L"PatternName");
    const long type = typeValue.vt == VT_I4 ? typeValue.lVal : 0;
    const std::wstring name = nameValue.vt == VT_BSTR && nameValue.bstrVal ? nameValue.bstrVal : L"";
    const bool found = type == DkDbHatch::kUserDefined || IsPredefinedPattern(name) ||
                       (type == DkDbHatch::kCustomDefined && IsCustomPattern(name));
    if (found && !evaluateFault)
    {
        JournalAdd(L"evaluate hatch " + r->handle);
        return S_OK;
    }
    const std::wstring why = evaluateFault ? evaluateFaultDescription
                                           : L"The hatch pattern \"" + name + L"\" was not found in the pattern files.";
    JournalAdd(L"evaluate hatch " + r->handle + L" failed" + (why.empty() ? L"" : L": " + why));
    if (!why.empty())
        SetErrorText(why.c_str());
    return E_FAIL;
}
DK_CATCH_RETURN()

STDMETHODIMP PaletteObject::IsValueUnspecified(VARIANT varId, VARIANT_BOOL* unspecified) noexcept
{
    RETURN_HR_IF(E_POINTER, !unspecified);
    const PropertyTraits* t = TraitsOf(varId);
    *unspecified = t && t->unspecified ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP PaletteObject::SetValueUnspecified(VARIANT varId, VARIANT_BOOL unspecified) noexcept
{
    RETURN_HR_IF(E_INVALIDARG, varId.vt != VT_I4);
    auto it = m_traits.find(varId.lVal);
    RETURN_HR_IF(E_FAIL, it == m_traits.end() || !it->second.unspecifiedAllowed);
    const bool now = unspecified != VARIANT_FALSE;
    if (it->second.unspecified != now)
        if (Record* r = Rec())
        {
            // Undo puts the state back as any value.
            const bool before = it->second.unspecified;
            Drawing* drawing = m_drawing;
            const LONG_PTR id = m_id;
            const DISPID dispid = varId.lVal;
            try
            {
                drawing->RecordRestore(*r,
                                       [drawing, id, dispid, before]
                                       {
                                           if (PaletteObject* p = drawing->CachedPaletteObject(id))
                                               p->Traits(dispid).unspecified = before;
                                       });
            }
            catch (...)
            {
                return E_OUTOFMEMORY;
            }
        }
    it->second.unspecified = now;
    // Unspecified is a value of its own: no special value is held beside it.
    if (unspecified)
        HoldCustomValue(varId.lVal, -1);
    return S_OK;
}

void PaletteObject::HoldCustomValue(DISPID dispid, int held) noexcept
try
{
    auto it = m_traits.find(dispid);
    Record* r = Rec();
    if (it == m_traits.end() || it->second.customHeld == held || !r)
        return;
    const int before = std::exchange(it->second.customHeld, held);
    Drawing* drawing = m_drawing;
    const LONG_PTR id = m_id;
    drawing->RecordRestore(*r,
                           [drawing, id, dispid, before]
                           {
                               if (PaletteObject* p = drawing->CachedPaletteObject(id))
                                   p->Traits(dispid).customHeld = before;
                           });
}
catch (...)
{
    // Out of memory: the value is held, without its way back.
}

STDMETHODIMP PaletteObject::IsUnspecifiedAllowed(VARIANT varId, VARIANT_BOOL* allowed) noexcept
{
    RETURN_HR_IF(E_POINTER, !allowed);
    const PropertyTraits* t = TraitsOf(varId);
    *allowed = t && t->unspecifiedAllowed ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP PaletteObject::GetUnspecifiedText(VARIANT varId, BSTR* text) noexcept
{
    RETURN_HR_IF(E_POINTER, !text);
    const PropertyTraits* t = TraitsOf(varId);
    *text = nullptr;
    RETURN_HR_IF(E_FAIL, !t || t->unspecifiedText.empty());
    *text = ::SysAllocString(t->unspecifiedText.c_str());
    return *text ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP PaletteObject::IsExpressionProperty(VARIANT varId, VARIANT_BOOL* isExpression) noexcept
{
    RETURN_HR_IF(E_POINTER, !isExpression);
    const PropertyTraits* t = TraitsOf(varId);
    *isExpression = t && t->expressionSupported ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP PaletteObject::GetExpression(VARIANT varId, BSTR* expression) noexcept
{
    RETURN_HR_IF(E_POINTER, !expression);
    const PropertyTraits* t = TraitsOf(varId);
    *expression = nullptr;
    RETURN_HR_IF(E_FAIL, !t || !t->expressionSupported);
    *expression = ::SysAllocString(t->expression.c_str());
    return *expression ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP PaletteObject::SetExpression(VARIANT varId, BSTR expression) noexcept
try
{
    RETURN_HR_IF(E_INVALIDARG, varId.vt != VT_I4);
    auto it = m_traits.find(varId.lVal);
    RETURN_HR_IF(E_FAIL, it == m_traits.end() || !it->second.expressionSupported);
    it->second.expression = expression ? expression : L"";
    return S_OK;
}
DK_CATCH_RETURN()

STDMETHODIMP PaletteObject::IsVisible(DISPID, BOOL* visible) noexcept
{
    RETURN_HR_IF(E_POINTER, !visible);
    *visible = TRUE;
    return S_OK;
}

STDMETHODIMP PaletteObject::IsEditable(DISPID dispid, BOOL* editable) noexcept
{
    RETURN_HR_IF(E_POINTER, !editable);
    const PropertyTraits* t = FindTraits(dispid);
    *editable = t && t->hasEditable ? (t->editable ? TRUE : FALSE) : TRUE;
    return S_OK;
}

STDMETHODIMP PaletteObject::GetDisplayName(DISPID dispid, BSTR* name) noexcept
{
    RETURN_HR_IF(E_POINTER, !name);
    Record* r = Rec();
    const PropertySlot* slot = r ? r->cls->Slot(dispid) : nullptr;
    *name = slot ? ::SysAllocString(slot->name.c_str()) : nullptr;
    return slot ? S_OK : E_INVALIDARG;
}

// Only the hyperlinks have a text of their own: their first address.
STDMETHODIMP PaletteObject::GetDisplayString(DISPID dispid, BSTR* text) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !text);
    *text = nullptr;
    Record* r = Rec();
    const PropertySlot* slot = r ? r->cls->Slot(dispid) : nullptr;
    RETURN_HR_IF(E_NOTIMPL, !slot || !slot->hyperlinks);
    RETURN_HR_IF(E_UNEXPECTED, r->erased);
    RETURN_HR_IF(E_FAIL, hyperlinksUnreadable);
    std::wstring address;
    RETURN_HR_IF(E_FAIL, !FirstAddress(r->values[static_cast<size_t>(r->cls->SlotIndex(dispid))].Get(), address));
    *text = ::SysAllocString(address.c_str());
    return *text ? S_OK : E_OUTOFMEMORY;
}
DK_CATCH_RETURN()

STDMETHODIMP PaletteObject::MapPropertyToPage(DISPID dispid, CLSID* page) noexcept
{
    RETURN_HR_IF(E_POINTER, !page);
    *page = CLSID_NULL;
    const PropertyTraits* t = FindTraits(dispid);
    Record* r = Rec();
    if (t && t->page)
        *page = *t->page;
    else if (const PropertySlot* slot = r ? r->cls->Slot(dispid) : nullptr)
        *page = DefaultPage(*r, *slot);
    if (*page == CLSID_NULL)
        return PERPROP_E_NOPAGEAVAILABLE;
    // The page, once made, runs on the property it was last found for.
    NoteMappedProperty(m_id, dispid, *page);
    return S_OK;
}

namespace
{
// The justifications of single-line text, each name's value its position.
const wchar_t* const kJustifications[] = {L"Left",        L"Center",        L"Right",         L"Aligned",
                                          L"Middle",      L"Fit",           L"Top left",      L"Top center",
                                          L"Top right",   L"Middle left",   L"Middle center", L"Middle right",
                                          L"Bottom left", L"Bottom center", L"Bottom right"};

Choice Named(const std::wstring& name, LONG value)
{
    Choice c;
    c.name = name;
    c.value.Addr()->vt = VT_I4;
    c.value.Addr()->lVal = value;
    return c;
}
} // namespace

namespace
{
Choice NamedText(const std::wstring& name)
{
    Choice c;
    c.name = name;
    c.value.Addr()->vt = VT_BSTR;
    c.value.Addr()->bstrVal = ::SysAllocString(name.c_str());
    if (!c.value.Get().bstrVal)
        throw std::bad_alloc();
    return c;
}

// A hatch's own names for its pattern type, ISO pen width (the host's default first, then
// the widths in hundredths of a millimetre), gradient and island style; false for any other
// property.
bool HatchChoices(const std::wstring& property, std::vector<Choice>& out)
{
    if (property == L"PatternType")
        for (const wchar_t* name : {L"User defined", L"Predefined", L"Custom"})
            out.push_back(Named(name, static_cast<LONG>(out.size())));
    else if (property == L"ISOPenWidth")
    {
        out.push_back(Named(L"Default", -1));
        for (LONG width : {13, 18, 25, 35, 50, 70, 100, 140, 200})
        {
            wchar_t text[16];
            std::swprintf(text, 16, L"%ld.%02ld mm", width / 100, width % 100);
            out.push_back(Named(text, width));
        }
    }
    else if (property == L"GradientName")
        for (const std::wstring& name : GradientNames())
            out.push_back(NamedText(name));
    else if (property == L"IslandStyle")
        for (const wchar_t* name : {L"Normal", L"Outer", L"Ignore"})
            out.push_back(Named(name, static_cast<LONG>(out.size())));
    else
        return false;
    return true;
}
} // namespace

static bool HasJustifications(const Record& r)
{
    return r.cls->name == L"Text" || r.cls->name == L"Attribute";
}

// Objects that name a style offer their table's names; text and attributes their
// justifications. Those objects also name the constants of their other enumerations.
bool PaletteObject::OffersChoices() const
{
    const Record* r = Rec();
    return r && (HasJustifications(*r) || m_drawing->StyleContainer(*r));
}

bool PaletteObject::LoadChoices(DISPID dispid)
{
    m_choicesFor = DISPID_UNKNOWN;
    m_choices.clear();
    Record* r = Rec();
    if (!r)
        return false;
    const PropertySlot* slot = r->cls->Slot(dispid);
    const PropertyTraits* t = FindTraits(dispid);
    if (t && !t->predefined.empty())
        for (const auto& [name, value] : t->predefined)
            m_choices.push_back(Named(name, value));
    else if (!slot)
        return false;
    else if (IsHatch(*r) && HatchChoices(slot->name, m_choices))
    {
        // The names the hatch gives its values itself.
    }
    else if (slot->name == L"StyleName")
    {
        const LONG_PTR container = m_drawing->StyleContainer(*r);
        const Record* table = container ? m_drawing->Find(container) : nullptr;
        for (LONG_PTR id : table ? table->children : std::vector<LONG_PTR>())
            if (const Record* style = m_drawing->Find(id); style && !style->erased)
            {
                Choice c;
                c.name = style->name;
                c.value.Addr()->vt = VT_BSTR;
                c.value.Addr()->bstrVal = ::SysAllocString(style->name.c_str());
                if (!c.value.Get().bstrVal)
                    return false;
                m_choices.push_back(std::move(c));
            }
    }
    else if (slot->name == L"Alignment" && HasJustifications(*r))
        for (LONG i = 0; i < static_cast<LONG>(std::size(kJustifications)); ++i)
            m_choices.push_back(Named(kJustifications[i], i));
    else if (slot->isEnum)
        for (size_t i = 0; i < slot->enumValues.size() && i < slot->enumNames.size(); ++i)
            m_choices.push_back(Named(slot->enumNames[i], slot->enumValues[i]));
    else
        return false;
    m_choicesFor = dispid;
    return true;
}

STDMETHODIMP PaletteObject::GetPredefinedStrings(DISPID dispid, CALPOLESTR* strings, CADWORD* cookies) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !strings || !cookies);
    *strings = CALPOLESTR{};
    *cookies = CADWORD{};
    RETURN_HR_IF(E_NOTIMPL, !LoadChoices(dispid) || m_choices.empty());
    const ULONG n = static_cast<ULONG>(m_choices.size());
    strings->pElems = static_cast<LPOLESTR*>(::CoTaskMemAlloc(n * sizeof(LPOLESTR)));
    cookies->pElems = static_cast<DWORD*>(::CoTaskMemAlloc(n * sizeof(DWORD)));
    if (!strings->pElems || !cookies->pElems)
    {
        ::CoTaskMemFree(strings->pElems);
        ::CoTaskMemFree(cookies->pElems);
        *strings = CALPOLESTR{};
        *cookies = CADWORD{};
        return E_OUTOFMEMORY;
    }
    for (ULONG i = 0; i < n; ++i)
    {
        const std::wstring& text = m_choices[i].name;
        strings->pElems[i] = static_cast<LPOLESTR>(::CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
        if (strings->pElems[i])
            wcscpy(strings->pElems[i], text.c_str());
        cookies->pElems[i] = i;
    }
    strings->cElems = cookies->cElems = n;
    return S_OK;
}
DK_CATCH_RETURN()

STDMETHODIMP PaletteObject::GetPredefinedValue(DISPID dispid, DWORD cookie, VARIANT* value) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !value);
    ::VariantInit(value);
    if (m_choicesFor != dispid && !LoadChoices(dispid))
        return E_INVALIDARG;
    RETURN_HR_IF(E_INVALIDARG, cookie >= m_choices.size());
    const PropertyTraits* t = FindTraits(dispid);
    RETURN_HR_IF(E_NOTIMPL, t && t->predefinedValueNotImpl);
    return ::VariantCopy(value, m_choices[cookie].value.Addr());
}
DK_CATCH_RETURN()

bool PaletteObject::Elements(DISPID dispid, std::vector<double>& numbers, int& perGroup)
{
    Record* r = Rec();
    const PropertySlot* slot = r && !r->erased ? r->cls->Slot(dispid) : nullptr;
    if (!slot || slot->vt != VT_VARIANT || slot->light != LightValue::None)
        return false;
    dkfw::UniqueVariant whole;
    if (FAILED(m_drawing->GetValue(*r, *slot, whole.Put())))
        return false;
    numbers = Doubles(whole.Get());
    perGroup = ElementsPerGroup(*slot);
    return true;
}

STDMETHODIMP PaletteObject::GetElementValue(DISPID dispid, DWORD cookie, VARIANT* value) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !value);
    ::VariantInit(value);
    std::vector<double> numbers;
    int perGroup = 0;
    RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, !Elements(dispid, numbers, perGroup));
    const PropertyTraits* t = FindTraits(dispid);
    RETURN_HR_IF(E_FAIL, t && t->elementGetFault);
    RETURN_HR_IF(DISP_E_BADINDEX, cookie >= numbers.size());
    value->vt = VT_R8;
    value->dblVal = numbers[cookie];
    return S_OK;
}
DK_CATCH_RETURN()

STDMETHODIMP PaletteObject::SetElementValue(DISPID dispid, DWORD cookie, VARIANT value) noexcept
try
{
    std::vector<double> numbers;
    int perGroup = 0;
    RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, !Elements(dispid, numbers, perGroup));
    const PropertyTraits* t = FindTraits(dispid);
    RETURN_HR_IF(E_FAIL, t && t->elementFault &&
                             (t->elementFaultCookie < 0 || static_cast<DWORD>(t->elementFaultCookie) == cookie));
    dkfw::UniqueVariant number;
    RETURN_HR_IF(DISP_E_TYPEMISMATCH, FAILED(::VariantChangeType(number.Put(), &value, 0, VT_R8)));
    RETURN_HR_IF(DISP_E_BADINDEX, cookie >= numbers.size());
    numbers[cookie] = number.Get().dblVal;
    SAFEARRAY* sa = ::SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(numbers.size()));
    RETURN_HR_IF(E_OUTOFMEMORY, !sa);
    double* data = nullptr;
    ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&data));
    std::copy(numbers.begin(), numbers.end(), data);
    ::SafeArrayUnaccessData(sa);
    dkfw::UniqueVariant changed;
    changed.Addr()->vt = VT_ARRAY | VT_R8;
    changed.Addr()->parray = sa;
    // The element goes in as the whole property would, with the same checks; the reason of
    // a refusal is the error information of the call.
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{changed.Addr(), &named, 1, 1};
    dkfw::UniqueExcepInfo excep;
    const HRESULT hr = Invoke(dispid, IID_NULL, lastLocale ? lastLocale : LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                              &params, nullptr, excep.Addr(), nullptr);
    if (hr == DISP_E_EXCEPTION)
        SetErrorText(excep.Get().bstrDescription ? excep.Get().bstrDescription : L"");
    return hr;
}
DK_CATCH_RETURN()

HRESULT PaletteObject::ElementCounts(DISPID dispid, LONG* count, short* perGroupOut, LONG* groups) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !count && !perGroupOut && !groups);
    std::vector<double> numbers;
    int perGroup = 0;
    RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, !Elements(dispid, numbers, perGroup));
    if (count)
        *count = static_cast<LONG>(numbers.size());
    if (perGroupOut)
        *perGroupOut = static_cast<short>(perGroup);
    if (groups)
        *groups = perGroup > 0 ? static_cast<LONG>(numbers.size()) / perGroup : 0;
    return S_OK;
}
DK_CATCH_RETURN()

STDMETHODIMP PaletteObject::GetElementHasExpression(DISPID dispid, IUnknown*, DWORD cookie, LONG* has) noexcept
{
    RETURN_HR_IF(E_POINTER, !has);
    const PropertyTraits* t = FindTraits(dispid);
    // Every element of a property that takes expressions can hold one (its text empty until set).
    *has = t && t->expressionSupported ? 1 : 0;
    return S_OK;
}

STDMETHODIMP PaletteObject::SetElementExpression(DISPID dispid, IUnknown*, DWORD cookie, BSTR text) noexcept
try
{
    Record* r = Rec();
    RETURN_HR_IF(E_UNEXPECTED, !r || r->erased);
    auto it = m_traits.find(dispid);
    RETURN_HR_IF(E_NOTIMPL, it == m_traits.end() || !it->second.expressionSupported);
    auto& expressions = it->second.elementExpressions;
    // Undone like a value.
    const auto before = expressions.find(cookie);
    const bool had = before != expressions.end();
    const std::wstring old = had ? before->second : std::wstring();
    Drawing* drawing = m_drawing;
    const LONG_PTR id = m_id;
    drawing->RecordRestore(*r,
                           [drawing, id, dispid, cookie, had, old]
                           {
                               PaletteObject* p = drawing->CachedPaletteObject(id);
                               if (!p)
                                   return;
                               auto& e = p->Traits(dispid).elementExpressions;
                               if (had)
                                   e[cookie] = old;
                               else
                                   e.erase(cookie);
                           });
    expressions[cookie] = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    JournalAdd(L"element expression " + r->handle + L" " + std::to_wstring(dispid) + L"/" + std::to_wstring(cookie) +
               L" \"" + expressions[cookie] + L"\"");
    return S_OK;
}
DK_CATCH_RETURN()

STDMETHODIMP PaletteObject::GetElementExpression(DISPID dispid, IUnknown*, DWORD cookie, BSTR* text) noexcept
{
    RETURN_HR_IF(E_POINTER, !text);
    *text = nullptr;
    const PropertyTraits* t = FindTraits(dispid);
    const auto it = t ? t->elementExpressions.find(cookie) : std::map<DWORD, std::wstring>::const_iterator();
    RETURN_HR_IF(S_FALSE, !t || it == t->elementExpressions.end());
    *text = ::SysAllocString(it->second.c_str());
    return *text ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP PaletteObject::get_MultilineFlag(VARIANT_BOOL* multiline) noexcept
{
    RETURN_HR_IF(E_POINTER, !multiline);
    Record* r = Rec();
    RETURN_HR_IF(E_UNEXPECTED, !r);
    *multiline = r->multiline ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP PaletteObject::GetCustomValues(DISPID dispid, LONG* count, BSTR** names, LONG** ids) noexcept
{
    const PropertyTraits* t = FindTraits(dispid);
    static const CustomValues none;
    return ListCustomValues(t && !t->customFault ? t->custom : none, count, names, ids);
}

STDMETHODIMP PaletteObject::GetCustomValue(DISPID dispid, LONG id, VARIANT* value) noexcept
{
    const PropertyTraits* t = FindTraits(dispid);
    static const CustomValues none;
    return CustomValueAt(t ? t->custom : none, id, value, E_INVALIDARG);
}

STDMETHODIMP PaletteObject::GetCurrentCustomValue(IUnknown*, DISPID dispid, VARIANT* value) noexcept
{
    const PropertyTraits* t = FindTraits(dispid);
    static const CustomValues none;
    return CustomValueAt(t ? t->custom : none, t ? t->customHeld : -1, value, E_FAIL);
}

STDMETHODIMP PaletteObject::SetCustomValue(VARIANT varId, VARIANT value) noexcept
try
{
    RETURN_HR_IF(E_INVALIDARG, varId.vt != VT_I4);
    auto it = m_traits.find(varId.lVal);
    RETURN_HR_IF(E_FAIL, it == m_traits.end());
    const int found = FindCustomValue(it->second.custom, value);
    RETURN_HR_IF(E_INVALIDARG, found < 0);
    HoldCustomValue(varId.lVal, found);
    JournalAdd(L"custom value " + it->second.custom[static_cast<size_t>(found)].first + L" on " +
               (Rec() ? Rec()->handle : std::wstring()));
    return S_OK;
}
DK_CATCH_RETURN()
} // namespace dkhost

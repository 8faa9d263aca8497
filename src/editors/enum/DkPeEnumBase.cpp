// CDkPeEnumBase: the choices of a property that takes one value out of a set, from the
// object itself (a dynamic property's choices, IPerPropertyBrowsing, or the enumeration its
// type description names), with the unspecified and varies entries.
#include "DkPeEnumBase.h"

#include "SharedTexts.h"

#include "ComPtr.h"
#include "HResult.h"

#include <cmath>

namespace
{
constexpr double kTolerance = 1e-6;

bool IsSpecial(const VARIANT& v, LONG value)
{
    return v.vt == VT_I4 && v.lVal == value;
}

bool SameValue(const VARIANT& a, const VARIANT& b)
{
    if (a.vt == VT_NULL && b.vt == VT_NULL)
        return true;
    return a.vt == b.vt &&
           ::VarCmp(const_cast<VARIANT*>(&a), const_cast<VARIANT*>(&b), CDkPeCtrlBase::kPropertyLocale, 0) == VARCMP_EQ;
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    dkfw::UniqueBstr x(a.c_str());
    dkfw::UniqueBstr y(b.c_str());
    return ::VarBstrCmp(x.Get(), y.Get(), CDkPeCtrlBase::kPropertyLocale, 0) == VARCMP_EQ;
}
} // namespace

void FreePredefined(CALPOLESTR& strings, CADWORD& cookies)
{
    for (ULONG i = 0; i < strings.cElems; ++i)
        ::CoTaskMemFree(strings.pElems[i]);
    ::CoTaskMemFree(strings.pElems);
    ::CoTaskMemFree(cookies.pElems);
    strings = CALPOLESTR{};
    cookies = CADWORD{};
}

dkfw::ComPtr<IDispatch> FirstDispatch(int count, IUnknown** objects)
{
    dkfw::ComPtr<IDispatch> d;
    if (count > 0 && objects && objects[0])
        objects[0]->QueryInterface(IID_IDispatch, d.PutVoid());
    return d;
}

bool CDkPeEnumBase::Matches(const VARIANT& item, const VARIANT& value)
{
    if (item.vt == VT_R4 || item.vt == VT_R8)
    {
        dkfw::UniqueVariant v;
        if (FAILED(::VariantChangeType(v.Put(), const_cast<VARIANT*>(&value), 0, item.vt)))
            return false;
        const double difference =
            item.vt == VT_R4 ? static_cast<double>(item.fltVal) - v.Get().fltVal : item.dblVal - v.Get().dblVal;
        return difference > -kTolerance && difference < kTolerance;
    }
    if (item.vt == VT_I8 && value.vt == VT_I4)
        return static_cast<LONG>(item.llVal & 0xFFFFFFFF) == value.lVal;
    return SameValue(item, value);
}

CDkPeEnumBase::CDkPeEnumBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv) : CDkPeComboBase(events, priv) {}

long CDkPeEnumBase::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    m_nCurrentIndex = -1;
    m_currentText.clear();
    if (m_pCombo && m_pCombo->Hwnd())
        ::SendMessageW(m_pCombo->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    return CDkPeComboBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly);
}

const TypeEnumeration& CDkPeEnumBase::Enumeration()
{
    if (m_enumeration)
        return *m_enumeration;
    m_enumeration = std::make_unique<TypeEnumeration>();
    auto object = FirstDispatch(m_nObjects, m_ppObjects);
    dkfw::ComPtr<ITypeInfo> info;
    if (!object || !m_pDispids || FAILED(object->GetTypeInfo(0, LOCALE_SYSTEM_DEFAULT, info.Put())))
        return *m_enumeration;
    const dkfw::TypeAttributes attr(info.Get());
    if (!attr)
        return *m_enumeration;
    HREFTYPE ref = 0;
    bool found = false;
    for (UINT i = 0; i < attr->cVars && !found; ++i)
    {
        const dkfw::VarDescription var(info.Get(), i);
        if (var && var->memid == m_pDispids[0] && var->elemdescVar.tdesc.vt == VT_USERDEFINED)
        {
            ref = var->elemdescVar.tdesc.hreftype;
            found = true;
        }
    }
    for (UINT i = 0; i < attr->cFuncs && !found; ++i)
    {
        const dkfw::FuncDescription func(info.Get(), i);
        if (func && func->memid == m_pDispids[0] && func->elemdescFunc.tdesc.vt == VT_USERDEFINED)
        {
            ref = func->elemdescFunc.tdesc.hreftype;
            found = true;
        }
    }
    dkfw::ComPtr<ITypeInfo> enumInfo;
    if (!found || FAILED(info->GetRefTypeInfo(ref, enumInfo.Put())))
        return *m_enumeration;
    const dkfw::TypeAttributes enumAttr(enumInfo.Get());
    if (!enumAttr)
        return *m_enumeration;
    auto result = std::make_unique<TypeEnumeration>();
    const int count = enumAttr->cVars;
    result->values.resize(static_cast<size_t>(count));
    result->names.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
    {
        const dkfw::VarDescription var(enumInfo.Get(), static_cast<UINT>(i));
        if (!var)
            return *m_enumeration;
        if (var->varkind == VAR_CONST && var->lpvarValue)
            result->values[static_cast<size_t>(i)].CopyFrom(*var->lpvarValue);
        dkfw::UniqueBstr name;
        UINT got = 0;
        if (SUCCEEDED(enumInfo->GetNames(var->memid, name.Put(), 1, &got)) && got == 1)
            result->names[static_cast<size_t>(i)] = name.View();
    }
    result->count = count;
    m_enumeration = std::move(result);
    return *m_enumeration;
}

void CDkPeEnumBase::Append(LONG value, const std::wstring& name)
{
    EnumItem item;
    item.value.Put()->vt = VT_I4;
    item.value.Addr()->lVal = value;
    item.name = name;
    m_items.push_back(std::move(item));
}

bool CDkPeEnumBase::RemoveSpecial(LONG value, const std::wstring& name)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    bool removed = false;
    for (size_t i = m_items.size(); i-- > 0;)
        if (SameValue(m_items[i].value.Get(), v) && SameText(m_items[i].name, name))
        {
            m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
            removed = true;
        }
    return removed;
}

bool CDkPeEnumBase::UpdateUnspecifiedEntry()
{
    return UpdateTrailingEntry(m_trailing.unspecified, m_bUnspecifiedAllowed, kUnspecifiedValue,
                               GetUnspecifiedString());
}

bool CDkPeEnumBase::UpdateVariesEntry(ValueType kind)
{
    dkpex::EnsureSharedTexts();
    return UpdateTrailingEntry(m_trailing.varies, kind == ValueVaries, kVariesValue, dkpex::VariesText());
}

bool CDkPeEnumBase::UpdateTrailingEntry(int& entry, bool wanted, LONG value, const std::wstring& text)
{
    if (wanted)
    {
        if (!CTrailingEntries::Appear(entry, static_cast<int>(m_items.size())))
            return false;
        Append(value, text);
        return true;
    }
    if (entry == -1)
        return false;
    // The other entry moves up only when an entry in front of it went.
    if (RemoveSpecial(value, text))
        return m_trailing.Leave(entry);
    entry = -1;
    return true;
}

long CDkPeEnumBase::LoadItems(ValueType kind)
{
    m_items.clear();
    m_trailing.Reset();
    IUnknown* dyn = m_nObjects > 0 && m_ppDynProps ? m_ppDynProps[0] : nullptr;
    if (dyn)
    {
        m_choices.Reset();
        long count = 0;
        if (FAILED(dyn->QueryInterface(IID_IDynamicPropertyChoices, m_choices.PutVoid())) ||
            FAILED(m_choices->GetChoiceCount(&count)))
            return E_FAIL;
        for (long i = 0; i < count; ++i)
        {
            dkfw::UniqueBstr name;
            EnumItem item;
            if (SUCCEEDED(m_choices->GetChoiceName(i, name.Put())) &&
                SUCCEEDED(m_choices->GetChoiceValue(i, item.value.Put())))
            {
                item.name = name.View();
                m_items.push_back(std::move(item));
            }
        }
    }
    else
    {
        auto object = FirstDispatch(m_nObjects, m_ppObjects);
        if (!object)
            return E_FAIL;
        m_browsing.Reset();
        if (FAILED(object->QueryInterface(IID_IPerPropertyBrowsing, m_browsing.PutVoid())))
        {
            const TypeEnumeration& e = Enumeration();
            for (int i = 0; i < e.count; ++i)
            {
                EnumItem item;
                item.value.CopyFrom(e.values[static_cast<size_t>(i)].Get());
                if (item.value.Type() == VT_EMPTY)
                {
                    item.value.Put()->vt = VT_I4;
                    item.value.Addr()->lVal = 0;
                }
                item.name = e.names[static_cast<size_t>(i)];
                m_items.push_back(std::move(item));
            }
        }
        else
        {
            CALPOLESTR strings{};
            CADWORD cookies{};
            const HRESULT hr = m_browsing->GetPredefinedStrings(m_pDispids[0], &strings, &cookies);
            if (FAILED(hr))
                return E_FAIL;
            HRESULT result = S_OK;
            for (ULONG i = 0; i < strings.cElems; ++i)
            {
                EnumItem item;
                item.name = strings.pElems[i] ? strings.pElems[i] : L"";
                const DWORD cookie = i < cookies.cElems ? cookies.pElems[i] : i;
                const HRESULT got = m_browsing->GetPredefinedValue(m_pDispids[0], cookie, item.value.Put());
                if (got == E_NOTIMPL)
                {
                    const TypeEnumeration& e = Enumeration();
                    if (static_cast<int>(i) < e.count)
                        item.value.CopyFrom(e.values[i].Get());
                    else
                        item.value.Reset();
                }
                else if (FAILED(got))
                {
                    result = got;
                    break;
                }
                m_items.push_back(std::move(item));
            }
            FreePredefined(strings, cookies);
            if (FAILED(result))
                return result;
        }
    }
    UpdateUnspecifiedEntry();
    UpdateVariesEntry(kind);
    return S_OK;
}

bool CDkPeEnumBase::NoteTrailingEntry(size_t index)
{
    const VARIANT& value = m_items[index].value.Get();
    if (IsSpecial(value, kVariesValue))
        m_trailing.varies = static_cast<int>(index);
    else if (IsSpecial(value, kUnspecifiedValue))
        m_trailing.unspecified = static_cast<int>(index);
    else
        return false;
    return true;
}

long CDkPeEnumBase::FillList()
{
    if (!m_pCombo || !m_pCombo->Hwnd())
        return E_FAIL;
    HWND combo = m_pCombo->Hwnd();
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < m_items.size(); ++i)
    {
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_items[i].name.c_str()));
        NoteTrailingEntry(i);
    }
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
    ::InvalidateRect(combo, nullptr, TRUE);
    ::UpdateWindow(combo);
    return S_OK;
}

int CDkPeEnumBase::GetCurrentIndex()
{
    dkfw::UniqueVariant value;
    ValueType kind = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), kind)))
        return -1;
    const bool hasWindow = m_pCombo && m_pCombo->Hwnd();
    if (m_items.empty() || !m_enumeration)
    {
        if (FAILED(LoadItems(kind)))
            return -1;
        if (hasWindow)
            FillList();
    }
    else if ((UpdateUnspecifiedEntry() || UpdateVariesEntry(kind)) && hasWindow)
        FillList();
    if (kind == ValueUnspecified)
        return m_trailing.unspecified;
    if (kind == ValueVaries)
        return m_trailing.varies;
    for (size_t i = 0; i < m_items.size(); ++i)
        if (Matches(m_items[i].value.Get(), value.Get()))
            return static_cast<int>(i);
    return -1;
}

long CDkPeEnumBase::CommitSelection(int index)
{
    if (m_items.empty() || index < 0 || index >= static_cast<int>(m_items.size()))
        return E_FAIL;
    dkfw::UniqueVariant value;
    value.CopyFrom(m_items[static_cast<size_t>(index)].value.Get());
    const ValueType kind = IsSpecial(value.Get(), kUnspecifiedValue) ? ValueUnspecified : ValueSpecified;
    const long hr = SetPropertyValue(value.Addr(), kind);
    if (FAILED(hr))
        return hr;
    LoadItems(kind);
    FillList();
    return hr;
}

CString CDkPeEnumBase::GetItemText(int index)
{
    if (m_pCombo && m_pCombo->Hwnd())
        return CDkPeComboBase::GetItemText(index);
    if (m_items.empty() || index < 0 || index >= static_cast<int>(m_items.size()))
        return CString();
    return m_items[static_cast<size_t>(index)].name;
}

// Dynamic properties.
#include "DynamicProperty.h"

#include "Drawing.h"
#include "Journal.h"

#include "HResult.h"

namespace dkhost
{
DynamicProperty::DynamicProperty(std::wstring name, std::wstring className, VARTYPE vt)
    : m_name(std::move(name)), m_className(std::move(className)), m_vt(vt)
{
    ::CoCreateGuid(&m_guid);
}

HRESULT DynamicProperty::QueryExtra(REFIID riid, void** ppv) noexcept
{
    if (riid == IID_IDynamicPropertyChoices && !m_choices.empty())
        *ppv = static_cast<IDynamicPropertyChoices*>(this);
    else if (riid == IID_IDkPropertyDialog && !m_command.empty())
        *ppv = static_cast<IDkPropertyDialog*>(this);
    else if (riid == IID_IDkPropertyCustomValues && !m_custom.empty())
        *ppv = static_cast<IDkPropertyCustomValues*>(this);
    else
        return E_NOINTERFACE;
    AsUnknown()->AddRef();
    return S_OK;
}

STDMETHODIMP DynamicProperty::GetGUID(GUID* guid) noexcept
{
    RETURN_HR_IF(E_POINTER, !guid);
    *guid = m_guid;
    return S_OK;
}

STDMETHODIMP DynamicProperty::GetDisplayName(BSTR* name) noexcept
{
    RETURN_HR_IF(E_POINTER, !name);
    *name = ::SysAllocString(m_name.c_str());
    return S_OK;
}

STDMETHODIMP DynamicProperty::IsEnabled(LONG_PTR objectId, BOOL* enabled) noexcept
{
    RETURN_HR_IF(E_POINTER, !enabled);
    *enabled = CurrentDrawing().Find(objectId) != nullptr;
    return S_OK;
}

STDMETHODIMP DynamicProperty::IsReadOnly(BOOL* readOnly) noexcept
{
    RETURN_HR_IF(E_POINTER, !readOnly);
    *readOnly = m_readOnly;
    return S_OK;
}

STDMETHODIMP DynamicProperty::GetDescription(BSTR* text) noexcept
{
    RETURN_HR_IF(E_POINTER, !text);
    *text = ::SysAllocString((m_name + L" (added by the host)").c_str());
    return S_OK;
}

STDMETHODIMP DynamicProperty::GetValueName(BSTR* name) noexcept
{
    return GetDisplayName(name);
}

STDMETHODIMP DynamicProperty::GetValueType(VARTYPE* vt) noexcept
{
    RETURN_HR_IF(E_POINTER, !vt);
    *vt = m_vt;
    return S_OK;
}

STDMETHODIMP DynamicProperty::GetValue(LONG_PTR objectId, VARIANT* value) noexcept
{
    RETURN_HR_IF(E_POINTER, !value);
    ::VariantInit(value);
    RETURN_HR_IF(E_INVALIDARG, !CurrentDrawing().Find(objectId));
    auto it = m_values.find(objectId);
    if (it == m_values.end())
        return ::VariantChangeType(value, value, 0, m_vt);
    return ::VariantCopy(value, const_cast<VARIANT*>(&it->second.Get()));
}

STDMETHODIMP DynamicProperty::SetValue(LONG_PTR objectId, VARIANT value) noexcept
try
{
    RETURN_HR_IF(E_INVALIDARG, !CurrentDrawing().Find(objectId));
    if (!m_fault.empty() || m_readOnly)
    {
        // The host reports why through the thread's error information.
        ICreateErrorInfo* create = nullptr;
        if (SUCCEEDED(::CreateErrorInfo(&create)))
        {
            create->SetDescription(const_cast<LPOLESTR>(m_readOnly ? L"The property is read-only." : m_fault.c_str()));
            create->SetSource(const_cast<LPOLESTR>(L"DkHost"));
            IErrorInfo* info = nullptr;
            if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))))
            {
                ::SetErrorInfo(0, info);
                info->Release();
            }
            create->Release();
        }
        return E_FAIL;
    }
    dkfw::UniqueVariant converted;
    RETURN_IF_FAILED(::VariantChangeType(converted.Put(), &value, 0, m_vt));
    m_values[objectId] = std::move(converted);
    // An ordinary value takes the place of a special one.
    m_customHeld.erase(objectId);
    return S_OK;
}
DK_CATCH_RETURN()

LONG_PTR DynamicProperty::IdOf(IUnknown* object) noexcept
{
    IDkBaseObject* base = nullptr;
    LONG_PTR id = 0;
    if (object && SUCCEEDED(object->QueryInterface(IID_IDkBaseObject, reinterpret_cast<void**>(&base))))
    {
        base->GetObjectId(&id);
        base->Release();
    }
    return id;
}

STDMETHODIMP DynamicProperty::IsEnabled(IUnknown* object, BOOL* enabled) noexcept
{
    return IsEnabled(IdOf(object), enabled);
}

STDMETHODIMP DynamicProperty::GetValue(IUnknown* object, VARIANT* value) noexcept
{
    return GetValue(IdOf(object), value);
}

STDMETHODIMP DynamicProperty::SetValue(IUnknown* object, VARIANT value) noexcept
{
    return SetValue(IdOf(object), value);
}

STDMETHODIMP DynamicProperty::GetChoiceCount(long* count) noexcept
{
    RETURN_HR_IF(E_POINTER, !count);
    *count = static_cast<long>(m_choices.size());
    return S_OK;
}

STDMETHODIMP DynamicProperty::GetChoiceName(long index, BSTR* name) noexcept
{
    RETURN_HR_IF(E_POINTER, !name);
    RETURN_HR_IF(E_INVALIDARG, index < 0 || static_cast<size_t>(index) >= m_choices.size());
    *name = ::SysAllocString(m_choices[static_cast<size_t>(index)].first.c_str());
    return S_OK;
}

STDMETHODIMP DynamicProperty::GetChoiceValue(long index, VARIANT* value) noexcept
{
    RETURN_HR_IF(E_POINTER, !value);
    ::VariantInit(value);
    RETURN_HR_IF(E_INVALIDARG, index < 0 || static_cast<size_t>(index) >= m_choices.size());
    return ::VariantCopy(value, const_cast<VARIANT*>(&m_choices[static_cast<size_t>(index)].second.Get()));
}

std::vector<DynamicProperty*>& DynamicProperties()
{
    static std::vector<DynamicProperty*> properties;
    return properties;
}

void ClearDynamicProperties()
{
    for (DynamicProperty* p : DynamicProperties())
        p->AsUnknown()->Release();
    DynamicProperties().clear();
}
STDMETHODIMP DynamicProperty::GetCustomValues(DISPID, LONG* count, BSTR** names, LONG** ids) noexcept
{
    return ListCustomValues(m_custom, count, names, ids);
}

STDMETHODIMP DynamicProperty::GetCustomValue(DISPID, LONG id, VARIANT* value) noexcept
{
    return CustomValueAt(m_custom, id, value, E_INVALIDARG);
}

STDMETHODIMP DynamicProperty::GetCurrentCustomValue(IUnknown* object, DISPID, VARIANT* value) noexcept
{
    const auto it = m_customHeld.find(IdOf(object));
    return CustomValueAt(m_custom, it == m_customHeld.end() ? -1 : it->second, value, E_FAIL);
}

// The object designated as the unspecified state designates it: by its palette object.
STDMETHODIMP DynamicProperty::SetCustomValue(VARIANT varId, VARIANT value) noexcept
try
{
    RETURN_HR_IF(E_INVALIDARG, varId.vt != VT_UNKNOWN && varId.vt != VT_DISPATCH);
    const LONG_PTR id = IdOf(varId.punkVal);
    RETURN_HR_IF(E_INVALIDARG, !CurrentDrawing().Find(id));
    const int found = FindCustomValue(m_custom, value);
    RETURN_HR_IF(E_INVALIDARG, found < 0);
    m_customHeld[id] = found;
    const Record* r = CurrentDrawing().Find(id);
    JournalAdd(L"custom value " + m_custom[static_cast<size_t>(found)].first + L" on " + r->handle);
    return S_OK;
}
DK_CATCH_RETURN()
} // namespace dkhost

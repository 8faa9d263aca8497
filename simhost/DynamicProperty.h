// A dynamic property: a property the host adds to the objects of a class, stored by the
// host per object, reached through IDynamicProperty (by id) or IDynamicProperty2 (by
// object), with choices when it has any.
#pragma once

#include "CustomValues.h"
#include "DkPiHost.h"

#include "ComObject.h"
#include "Unique.h"

#include <map>
#include <unordered_map>
#include <string>
#include <vector>

namespace dkhost
{
class DynamicProperty : public dkfw::ComImplements<IDynamicProperty, IDynamicProperty2>,
                        public IDynamicPropertyChoices,
                        public IDkPropertyDialog,
                        public IDkPropertyCustomValues
{
public:
    DynamicProperty(std::wstring name, std::wstring className, VARTYPE vt);

    const std::wstring& ClassName() const noexcept { return m_className; }
    void SetChoices(std::vector<std::pair<std::wstring, dkfw::UniqueVariant>> choices)
    {
        m_choices = std::move(choices);
    }
    void SetReadOnly(bool readOnly) noexcept { m_readOnly = readOnly; }
    void SetCustomValues(CustomValues values)
    {
        m_custom = std::move(values);
        m_customHeld.clear();
    }
    void SetFault(const wchar_t* description) { m_fault = description ? description : L""; }
    // Edited by a command of the host instead of in place (empty: not).
    void SetCommand(const wchar_t* command) { m_command = command ? command : L""; }
    IUnknown* AsUnknown() noexcept { return static_cast<IDynamicProperty*>(this); }

    // IDynamicProperty
    STDMETHODIMP GetGUID(GUID* guid) noexcept override;
    STDMETHODIMP GetDisplayName(BSTR* name) noexcept override;
    STDMETHODIMP IsEnabled(LONG_PTR objectId, BOOL* enabled) noexcept override;
    STDMETHODIMP IsReadOnly(BOOL* readOnly) noexcept override;
    STDMETHODIMP GetDescription(BSTR* text) noexcept override;
    STDMETHODIMP GetValueName(BSTR* name) noexcept override;
    STDMETHODIMP GetValueType(VARTYPE* vt) noexcept override;
    STDMETHODIMP GetValue(LONG_PTR objectId, VARIANT* value) noexcept override;
    STDMETHODIMP SetValue(LONG_PTR objectId, VARIANT value) noexcept override;
    STDMETHODIMP Connect(IUnknown*) noexcept override { return S_OK; }
    STDMETHODIMP Disconnect() noexcept override { return S_OK; }

    // IDynamicProperty2: the same by object.
    STDMETHODIMP IsEnabled(IUnknown* object, BOOL* enabled) noexcept override;
    STDMETHODIMP GetValue(IUnknown* object, VARIANT* value) noexcept override;
    STDMETHODIMP SetValue(IUnknown* object, VARIANT value) noexcept override;

    // IDynamicPropertyChoices
    STDMETHODIMP GetChoiceCount(long* count) noexcept override;
    STDMETHODIMP GetChoiceName(long index, BSTR* name) noexcept override;
    STDMETHODIMP GetChoiceValue(long index, VARIANT* value) noexcept override;

    // IDkPropertyDialog
    DkPropertyDialogFunction STDMETHODCALLTYPE GetDialogFunction() noexcept override { return nullptr; }
    LPCWSTR STDMETHODCALLTYPE GetCommandText() noexcept override { return m_command.c_str(); }

    // IDkPropertyCustomValues: the property's special values, held per object.
    STDMETHODIMP GetCustomValues(DISPID, LONG* count, BSTR** names, LONG** ids) noexcept override;
    STDMETHODIMP GetCustomValue(DISPID, LONG id, VARIANT* value) noexcept override;
    STDMETHODIMP GetCurrentCustomValue(IUnknown* object, DISPID, VARIANT* value) noexcept override;
    STDMETHODIMP SetCustomValue(VARIANT varId, VARIANT value) noexcept override;

protected:
    HRESULT QueryExtra(REFIID riid, void** ppv) noexcept override;

private:
    static LONG_PTR IdOf(IUnknown* object) noexcept;

    std::wstring m_name;
    std::wstring m_className;
    VARTYPE m_vt;
    GUID m_guid{};
    bool m_readOnly = false;
    std::wstring m_fault;
    std::wstring m_command;
    std::unordered_map<LONG_PTR, dkfw::UniqueVariant> m_values;
    std::vector<std::pair<std::wstring, dkfw::UniqueVariant>> m_choices;
    CustomValues m_custom;
    std::unordered_map<LONG_PTR, int> m_customHeld; // by object id
};

// The dynamic properties of the current drawing, one reference each.
std::vector<DynamicProperty*>& DynamicProperties();
void ClearDynamicProperties();
} // namespace dkhost

// CDkPePropertyEditorCustomColor: the special values of the objects as colour-list entries,
// read over the selection and written through the unspecified-value path of a change.
#include "PropertyEditorCustomColor.h"

#include "ComPtr.h"
#include "HResult.h"

#include <utility>

namespace
{
// The entry of a special value: it carries its record, as recent colours move it about.
class CCustomColorEntry : public COwnerDrawItemColor
{
public:
    bool IsCustom() const noexcept override { return true; }
    const DKPE_CUSTOM_STRINGINFO* record = nullptr;
};

const CCustomColorEntry* CustomEntry(const CComboColor* combo, int index)
{
    return combo ? dynamic_cast<const CCustomColorEntry*>(combo->ColorItem(index)) : nullptr;
}

// The custom values of an object: on its dynamic property when it has one, else its own.
dkfw::ComPtr<IDkPropertyCustomValues> CustomValuesOf(IUnknown* dynProp, IUnknown* object)
{
    dkfw::ComPtr<IDkPropertyCustomValues> custom;
    if (dynProp && SUCCEEDED(dynProp->QueryInterface(IID_IDkPropertyCustomValues, custom.PutVoid())))
        return custom;
    if (object)
        object->QueryInterface(IID_IDkPropertyCustomValues, custom.PutVoid());
    return custom;
}

bool SameValue(const VARIANT& a, const VARIANT& b)
{
    if (a.vt != b.vt)
        return false;
    if (a.vt == VT_EMPTY)
        return true;
    return ::VarCmp(const_cast<VARIANT*>(&a), const_cast<VARIANT*>(&b), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}
} // namespace

long CDkPePropertyEditorCustomColor::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids,
                                                            short bReadOnly)
{
    // Another selection may offer other special values.
    DropCustomValues();
    return CDkPeColorCombo::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly);
}

void CDkPePropertyEditorCustomColor::DropCustomValues()
{
    if (CComboColor* combo = ColorCombo(); combo && combo->Hwnd())
        for (int i = combo->Count(); i-- > 0;)
            if (CustomEntry(combo, i))
                ::SendMessageW(combo->Hwnd(), CB_DELETESTRING, static_cast<WPARAM>(i), 0);
    m_custom.clear();
    m_bLoaded = false;
}

void CDkPePropertyEditorCustomColor::LoadCustomValues()
{
    CComboColor* combo = ColorCombo();
    if (!combo || !combo->Hwnd() || m_nObjects < 1 || !m_pDispids)
        return;
    if (!m_bLoaded)
    {
        m_bLoaded = true;
        const auto custom = CustomValuesOf(m_ppDynProps ? m_ppDynProps[0] : nullptr, m_ppObjects[0]);
        LONG count = 0;
        BSTR* names = nullptr;
        LONG* ids = nullptr;
        if (!custom || FAILED(custom->GetCustomValues(m_pDispids[0], &count, &names, &ids)))
            return;
        const dkfw::ScopeExit freed(
            [&]
            {
                for (LONG i = 0; names && i < count; ++i)
                    ::SysFreeString(names[i]);
                ::CoTaskMemFree(names);
                ::CoTaskMemFree(ids);
            });
        for (LONG i = 0; names && ids && i < count; ++i)
        {
            auto record = std::make_unique<DKPE_CUSTOM_STRINGINFO>();
            record->name = names[i] ? names[i] : L"";
            if (SUCCEEDED(custom->GetCustomValue(m_pDispids[0], ids[i], record->value.Put())))
                m_custom.push_back(std::move(record));
        }
    }
    // Entries for the records the list lacks (all of them in a list made again).
    for (const auto& record : m_custom)
    {
        bool listed = false;
        for (int i = combo->RecentPosition(); i < combo->Count() && !listed; ++i)
            if (const CCustomColorEntry* entry = CustomEntry(combo, i); entry && entry->record == record.get())
                listed = true;
        if (listed)
            continue;
        if (::SendMessageW(combo->Hwnd(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(record->name.c_str())) != CB_ERR)
            continue;
        // After the recent colours and the special values before it, ahead of the entries
        // that hold no colour.
        int before = -1;
        for (int i = combo->RecentPosition(); i < combo->Count() && before < 0; ++i)
            if (const COwnerDrawItemColor* item = combo->ColorItem(i);
                item && !item->IsCustom() && item->Kind() >= kEntrySelectColor)
                before = i;
        auto entry = std::make_unique<CCustomColorEntry>();
        entry->m_data = kEntryUnspecified;
        entry->m_text = record->name;
        entry->record = record.get();
        record->index = combo->InsertEntry(before, std::move(entry));
    }
}

CDkPePropertyEditorCustomColor::Held CDkPePropertyEditorCustomColor::ReadHeld(dkfw::UniqueVariant& common)
{
    int answered = 0;
    bool differ = false;
    dkfw::UniqueVariant value;
    for (int i = 0; i < m_nObjects; ++i)
    {
        IUnknown* dynProp = m_ppDynProps ? m_ppDynProps[i] : nullptr;
        const auto custom = CustomValuesOf(dynProp, m_ppObjects[i]);
        value.Reset();
        if (!custom || FAILED(custom->GetCurrentCustomValue(m_ppObjects[i], m_pDispids[i], value.Put())))
            continue;
        if (answered++ == 0)
            common.CopyFrom(value.Get());
        else if (!SameValue(common.Get(), value.Get()))
            differ = true;
    }
    if (answered == 0)
        return Held::None;
    return answered < m_nObjects || differ ? Held::Mixed : Held::Same;
}

int CDkPePropertyEditorCustomColor::GetCurrentIndex()
{
    if (!EnsureCombo())
        return -1;
    LoadCustomValues();
    UpdateByLayerColor();
    dkfw::UniqueVariant value;
    ValueType kind = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), kind)))
        return -1;
    dkfw::UniqueVariant common;
    const Held held = m_custom.empty() ? Held::None : ReadHeld(common);
    if (held == Held::Mixed)
        kind = ValueVaries;
    else if (held == Held::Same)
        kind = ValueSpecified; // whatever colours the objects keep besides
    UpdateSpecialEntries(kind);
    if (held == Held::Same)
    {
        const CComboColor* combo = ColorCombo();
        for (int i = 0; combo && i < combo->Count(); ++i)
            if (const CCustomColorEntry* entry = CustomEntry(combo, i);
                entry && entry->record && SameValue(entry->record->value.Get(), common.Get()))
                return i;
    }
    return IndexOfValue(value.Get(), kind);
}

long CDkPePropertyEditorCustomColor::CommitSelection(int index)
{
    m_pChosen = nullptr;
    CComboColor* combo = ColorCombo();
    const COwnerDrawItemColor* item = combo ? combo->ColorItem(index) : nullptr;
    if (!item)
        return E_UNEXPECTED;
    if (item->Kind() == kEntryVaries)
        return S_OK;
    const CCustomColorEntry* entry = CustomEntry(combo, index);
    if (!entry || !entry->record)
        return CDkPeColorCombo::CommitSelection(index);
    // Each object is made to hold the special value on the unspecified-value path of the
    // change, which this editor's override takes.
    m_pChosen = entry->record;
    const bool allowed = std::exchange(m_bUnspecifiedAllowed, true);
    const bool borrowed = std::exchange(m_bUnspecifiedBorrowed, !allowed);
    const dkfw::ScopeExit restore(
        [&]
        {
            m_bUnspecifiedAllowed = allowed;
            m_bUnspecifiedBorrowed = borrowed;
            m_pChosen = nullptr;
        });
    dkfw::UniqueVariant empty;
    return SetPropertyValue(empty.Addr(), ValueUnspecified);
}

long CDkPePropertyEditorCustomColor::GetDialogStartColor(DkCmColor& color)
{
    color = DkCmColor();
    const std::wstring text = GetItemText(m_nReturnIndex);
    for (const auto& record : m_custom)
        if (::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, record->name.c_str(), -1, text.c_str(), -1) ==
            CSTR_EQUAL)
        {
            color.setColorIndex(256);
            break;
        }
    return S_OK;
}

long CDkPePropertyEditorCustomColor::SetPropertyValueAsUnspecified(long dispid, IDispatch* object, int flag)
{
    dkfw::ComPtr<IDkPropertyCustomValues> custom;
    if (m_pChosen && object && SUCCEEDED(object->QueryInterface(IID_IDkPropertyCustomValues, custom.PutVoid())))
    {
        VARIANT id;
        id.vt = VT_I4;
        id.lVal = dispid;
        return custom->SetCustomValue(id, m_pChosen->value.Get());
    }
    dkfw::ComPtr<IPropertyUnspecified> unspecified;
    if (!object || FAILED(object->QueryInterface(IID_IPropertyUnspecified, unspecified.PutVoid())))
        return E_FAIL;
    return CDkPeColorCombo::SetPropertyValueAsUnspecified(dispid, object, flag);
}

long CDkPePropertyEditorCustomColor::SetPropertyValueAsUnspecified(IUnknown* dynProp, IUnknown* object, int flag)
{
    dkfw::ComPtr<IDkPropertyCustomValues> custom;
    if (m_pChosen && dynProp && SUCCEEDED(dynProp->QueryInterface(IID_IDkPropertyCustomValues, custom.PutVoid())))
    {
        VARIANT id;
        id.vt = VT_UNKNOWN;
        id.punkVal = object;
        return custom->SetCustomValue(id, m_pChosen->value.Get());
    }
    dkfw::ComPtr<IPropertyUnspecified> unspecified;
    if (!dynProp || FAILED(dynProp->QueryInterface(IID_IPropertyUnspecified, unspecified.PutVoid())))
        return E_FAIL;
    return CDkPeColorCombo::SetPropertyValueAsUnspecified(dynProp, object, flag);
}

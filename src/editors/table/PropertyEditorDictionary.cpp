// The material picker and what the dictionary pickers share.
#include "PropertyEditorDictionary.h"

#include "SharedTexts.h"
#include "dkcm.h"

#include "HResult.h"
#include "Unique.h"

#include <memory>
#include <utility>

namespace
{
// The reserved names a dictionary may hold: ByLayer, ByBlock, Global.
constexpr int kReservedNames[] = {0, 1, 11};

// The working database, or null.
DkDbDatabase* WorkingDatabase() noexcept
{
    DkDbHostApplicationServices* services = dkdbHostApplicationServices();
    return services ? services->workingDatabase() : nullptr;
}
} // namespace

CDkPeDictionaryBase::CDkPeDictionaryBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv, DkDbObjectId dictionary)
    : CDkPeContainerBase(events, priv), m_dictionaryId(dictionary)
{
    m_bNeedsCurrentDocument = TRUE;
}

std::wstring CDkPeDictionaryBase::Localized(const std::wstring& name)
{
    for (int which : kReservedNames)
        if (const wchar_t* stored = dkdbGetReservedString(which, false); stored && name == stored)
            if (const wchar_t* localized = dkdbGetReservedString(which, true))
                return localized;
    return name;
}

DkDbDatabase* CDkPeDictionaryBase::DictionaryDatabase() const noexcept
{
    return DatabaseOf(m_dictionaryId);
}

CComboWatching* CDkPeDictionaryBase::DictionaryCombo() const noexcept
{
    return dynamic_cast<CComboWatching*>(m_pCombo.get());
}

COwnerDrawItemMaterial* CDkPeDictionaryBase::Entry(int index) const
{
    CComboWatching* combo = DictionaryCombo();
    return combo && index >= 0 ? dynamic_cast<COwnerDrawItemMaterial*>(combo->Item(index)) : nullptr;
}

int CDkPeDictionaryBase::FindStored(const std::wstring& name) const
{
    CComboWatching* combo = DictionaryCombo();
    const int count = combo ? combo->Count() : 0;
    for (int i = 0; i < count; ++i)
        if (const COwnerDrawItemMaterial* item = Entry(i); item && !item->m_trailing && item->m_stored == name)
            return i;
    return -1;
}

long CDkPeDictionaryBase::FillList()
try
{
    CComboWatching* combo = DictionaryCombo();
    if (m_dictionaryId.isNull() || !combo || !combo->Hwnd())
        return E_FAIL;
    if (combo->IsFilled())
        return S_OK;
    // Names that could not all be read are tried again when next wanted, not only after the
    // dictionary's next change.
    combo->SetFilled(true);
    dkfw::ScopeExit unfinished([combo] { combo->SetFilled(false); });
    ::SendMessageW(combo->Hwnd(), CB_RESETCONTENT, 0, 0);
    const long hr = combo->Watching() ? AppendNames() : E_FAIL;
    if (SUCCEEDED(hr))
        unfinished.Dismiss();
    return hr;
}
DK_CATCH_RETURN()

long CDkPeDictionaryBase::AppendName(const std::wstring& name, ULONGLONG data)
try
{
    CComboWatching* combo = DictionaryCombo();
    if (!combo)
        return E_FAIL;
    auto item = std::make_unique<COwnerDrawItemMaterial>();
    item->m_stored = name;
    item->m_text = Localized(name);
    item->m_data = data;
    item->m_fillColor = BackColour();
    item->m_textColor = ForeColour();
    if (combo->AddItem(item.get()) < 0)
        return E_FAIL;
    item.release();
    return S_OK;
}
DK_CATCH_RETURN()

CString CDkPeDictionaryBase::GetItemText(int index)
{
    const COwnerDrawItemLayer* item = Entry(index);
    return item ? item->m_text : CString();
}

int CDkPeDictionaryBase::GetCurrentIndex()
{
    if (!EnsureCombo())
        return -1;
    FillList();
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), type)))
        return -1;
    m_lastType = type;
    CComboWatching* combo = DictionaryCombo();
    if (!combo)
        return -1;
    UpdateTrailingEntries(*combo, type,
                          [this]
                          {
                              auto item = std::make_unique<COwnerDrawItemMaterial>();
                              item->m_fillColor = BackColour();
                              item->m_textColor = ForeColour();
                              return std::unique_ptr<COwnerDrawItem>(std::move(item));
                          });
    if (type != ValueSpecified)
        return TrailingIndex(*combo, type);
    if (value.Type() != VT_BSTR || !value.Get().bstrVal)
        return -1;
    return FindStored(std::wstring(value.Get().bstrVal, ::SysStringLen(value.Get().bstrVal)));
}

long CDkPeDictionaryBase::BeginEdit(const RECT& rect)
{
    const long hr = ReadStaleList();
    return FAILED(hr) ? hr : CDkPeContainerBase::BeginEdit(rect);
}

long CDkPeDictionaryBase::EndEdit()
{
    const long hr = CDkPeContainerBase::EndEdit();
    if (std::exchange(m_bWroteNothing, false))
        Handle_Refresh();
    return hr;
}

long CDkPeDictionaryBase::Handle_Refresh()
{
    const long hr = CDkPeContainerBase::Handle_Refresh();
    // A value the list lacks: the row goes on showing its text, but no entry stands for the
    // value any more (choosing the one shown writes it, and the next opening reads anew).
    if (FAILED(hr) && m_pCombo && m_pCombo->Hwnd())
    {
        m_nCurrentIndex = -1;
        ::SendMessageW(m_pCombo->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
    return hr;
}

long CDkPeDictionaryBase::CommitSelection(int index)
try
{
    CComboWatching* combo = DictionaryCombo();
    if (index < 0 || m_dictionaryId.isNull() || !combo || !combo->Watching())
        return E_FAIL;
    const COwnerDrawItemMaterial* item = Entry(index);
    if (!item)
        return E_POINTER;
    if (item->m_bGreyed || item->m_trailing == kTrailingVaries)
        return E_FAIL;
    if (WritesNothing(*item))
    {
        m_bWroteNothing = true;
        return S_OK;
    }
    const ValueType type = item->m_trailing == kTrailingUnspecified ? ValueUnspecified : ValueSpecified;
    const std::wstring& name = type == ValueUnspecified ? item->m_text : item->m_stored;
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_BSTR;
    value.Addr()->bstrVal = ::SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    if (!value.Get().bstrVal)
        return E_OUTOFMEMORY;
    return SetPropertyValue(value.Addr(), type);
}
DK_CATCH_RETURN()

CPropertyEditorMaterial::CPropertyEditorMaterial()
    : CDkPeComboTempl(WorkingDatabase() ? WorkingDatabase()->materialDictionaryId() : DkDbObjectId())
{
}

long CPropertyEditorMaterial::CreateComboWindow(const RECT& rect)
{
    return CreateDictionaryCombo<CComboMaterial>(CComboMaterial::kStyle, rect);
}

long CPropertyEditorMaterial::AppendNames()
{
    DkDbDictionary* dictionary = nullptr;
    if (dkdbOpenObject(dictionary, m_dictionaryId, DkDb::kForRead) != Drvk::eOk || !dictionary)
        return E_FAIL;
    long hr = S_OK;
    {
        const std::unique_ptr<DkDbDictionaryIterator> it(dictionary->newIterator());
        hr = it ? S_OK : E_POINTER;
        for (; it && !it->done(); it->next())
            if (const wchar_t* name = it->name(); name && *name && FAILED(hr = AppendName(name)))
                break;
    }
    dictionary->close();
    return hr;
}

CPropertyEditorVisualStyle::CPropertyEditorVisualStyle()
    : CDkPeComboTempl(WorkingDatabase() ? WorkingDatabase()->visualStyleDictionaryId() : DkDbObjectId())
{
}

long CPropertyEditorVisualStyle::CreateComboWindow(const RECT& rect)
{
    return CreateDictionaryCombo<CComboVisualStyle>(CComboVisualStyle::kStyle, rect);
}

long CPropertyEditorVisualStyle::AppendNames()
{
    // The utilities read the working drawing: only the one whose dictionary the list watches.
    DkArray<DkString> names;
    if (WorkingDatabase() != DictionaryDatabase() || !DkVSUtil::getVSList(names))
        return E_FAIL;
    const wchar_t* anonymous = DkVSUtil::getAnonymousVSName();
    RETURN_IF_FAILED(AppendName(anonymous ? anonymous : L"", kAnonymous));
    for (int i = 0; i < names.length(); ++i)
        RETURN_IF_FAILED(AppendName(names[i].kwszPtr()));
    return S_OK;
}

long CPropertyEditorVisualStyle::Handle_Refresh()
{
    // The list as the dictionary has it now, then the value's entry.
    if (CComboWatching* combo = DictionaryCombo(); combo && combo->Hwnd() && !combo->IsFilled())
        FillList();
    return CDkPeDictionaryBase::Handle_Refresh();
}

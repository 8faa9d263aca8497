// The linetype picker.
#include "PropertyEditorLType.h"

#include "DrawingUnits.h"
#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "HResult.h"
#include "Unique.h"

namespace
{
std::wstring g_continuousText;

// The display text of a name the drawing stores, and the other way round.
std::wstring Displayed(const std::wstring& name)
{
    if (DkDbSymUtil::isLinetypeByLayer(name.c_str()))
        return dkpex::ReservedName(0);
    if (DkDbSymUtil::isLinetypeByBlock(name.c_str()))
        return dkpex::ReservedName(1);
    if (DkDbSymUtil::isLinetypeContinuous(name.c_str()))
        return g_continuousText;
    return name;
}

std::wstring Stored(const std::wstring& text)
{
    auto same = [&](const std::wstring& shown)
    { return ::CompareStringOrdinal(text.c_str(), -1, shown.c_str(), -1, TRUE) == CSTR_EQUAL; };
    if (same(dkpex::ReservedName(0)))
        return DkDbSymUtil::linetypeByLayerName();
    if (same(dkpex::ReservedName(1)))
        return DkDbSymUtil::linetypeByBlockName();
    if (same(g_continuousText))
        return DkDbSymUtil::linetypeContinuousName();
    return text;
}
} // namespace

CPropertyEditorLType::CPropertyEditorLType()
{
    m_bNeedsCurrentDocument = TRUE;
    if (g_continuousText.empty())
        g_continuousText = dkpex::LoadResString(IDS_CONTINUOUS);
    dkpex::ViewportOverrideLabel();
    if (DkDbHostApplicationServices* services = dkdbHostApplicationServices())
        if (DkDbDatabase* database = services->workingDatabase())
            m_tableId = database->linetypeTableId();
}

CComboLType* CPropertyEditorLType::TypeCombo() const noexcept
{
    return dynamic_cast<CComboLType*>(m_pCombo.get());
}

std::unique_ptr<COwnerDrawItemLType> CPropertyEditorLType::MakeItem() const
{
    auto item = std::make_unique<COwnerDrawItemLType>(TypeCombo());
    item->m_fillColor = BackColour();
    item->m_textColor = ForeColour();
    return item;
}

long CPropertyEditorLType::CreateComboWindow(const RECT& rect)
{
    return CreateTableCombo<CComboLType>(CPropComboBox::kStyle, rect);
}

void CPropertyEditorLType::UpdateByLayerLinetype()
{
    CComboLType* combo = TypeCombo();
    if (!combo)
        return;
    const DkDbObjectId viewport = dkedGetCurViewportObjectId();
    const auto [linetype, overridden] = ByLayerValue(DkDbObjectId(), DkDbObjectId(),
                                                     [&](const DkDbLayerTableRecord& layer, bool& isOverride) {
                                                         return layer.linetypeObjectIdInViewport(viewport, isOverride);
                                                     });
    combo->m_byLayerLinetype = linetype;
    combo->m_bByLayerOverridden = overridden;
}

long CPropertyEditorLType::PrepareFill()
{
    // A drawing that left memory has nothing left to list.
    const CComboLType* combo = TypeCombo();
    if (combo && !combo->Watching())
        return E_FAIL;
    UpdateByLayerLinetype();
    return S_OK;
}

long CPropertyEditorLType::AddRecord(DkDbSymbolTableRecord* record)
try
{
    CComboLType* combo = TypeCombo();
    DkDbLinetypeTableRecord* linetype = DkDbLinetypeTableRecord::cast(record);
    if (!combo || !linetype || !linetype->getName())
        return E_FAIL;
    std::unique_ptr<COwnerDrawItemLType> item = MakeItem();
    const std::wstring name = linetype->getName();
    item->m_data = static_cast<ULONGLONG>(linetype->objectId().asOldId());
    item->m_bGreyed = linetype->isDependent();
    item->m_text = Displayed(name);
    // ByLayer first, ByBlock just after it; the others in the order they come.
    int at = -1;
    if (DkDbSymUtil::isLinetypeByLayer(name.c_str()))
    {
        item->m_bByLayer = true;
        at = 0;
    }
    else if (DkDbSymUtil::isLinetypeByBlock(name.c_str()))
    {
        const COwnerDrawItemLType* first = combo->TypeItem(0);
        at = first && first->IsByLayer() ? 1 : 0;
    }
    if (combo->InsertItem(at, item.get()) < 0)
        return E_FAIL;
    item.release();
    return S_OK;
}
DK_CATCH_RETURN()

int CPropertyEditorLType::GetCurrentIndex()
{
    if (!EnsureCombo())
        return -1;
    FillList();
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), type)))
        return -1;
    CComboLType* combo = TypeCombo();
    UpdateTrailingEntries(*combo, type, [this] { return std::unique_ptr<COwnerDrawItem>(MakeItem()); });
    if (type != ValueSpecified)
        return TrailingIndex(*combo, type);
    if (value.Type() != VT_BSTR || !value.Get().bstrVal)
        return -1;
    const std::wstring name(value.Get().bstrVal, ::SysStringLen(value.Get().bstrVal));
    if (DkDbSymUtil::isLinetypeByLayer(name.c_str()))
        UpdateByLayerLinetype();
    return combo->FindByName(Displayed(name));
}

long CPropertyEditorLType::BeginEdit(const RECT& rect)
{
    // ByLayer's sample follows the selection's layers, unless ByLayer is what the row shows.
    CComboLType* combo = TypeCombo();
    const COwnerDrawItemLType* current = combo ? combo->TypeItem(m_nCurrentIndex) : nullptr;
    if (m_state < kStateEditing && !IsPropertyReadOnly())
    {
        // Another drawing's row does not activate: nothing of it is read.
        if (m_bNeedsCurrentDocument && !IsCurrentDocumentDatabase())
            return E_FAIL;
        if (!(current && current->IsByLayer()))
            UpdateByLayerLinetype();
        // The table changed since the list was made: listed again, the objects' entry found
        // in the new list.
        if (combo && combo->Hwnd() && !combo->IsFilled())
        {
            if (FAILED(FillList()))
                return E_FAIL;
            SelectCurrentEntry();
        }
    }
    return CDkPeSymbolTableBase::BeginEdit(rect);
}

long CPropertyEditorLType::Handle_Refresh()
{
    if (const CComboLType* combo = TypeCombo(); combo && !combo->IsFilled())
        UpdateByLayerLinetype();
    return CDkPeSymbolTableBase::Handle_Refresh();
}

long CPropertyEditorLType::CommitSelection(int index)
try
{
    CComboLType* combo = TypeCombo();
    const COwnerDrawItemLType* item = combo && index >= 0 ? combo->TypeItem(index) : nullptr;
    DkDbHostApplicationServices* services = dkdbHostApplicationServices();
    if (m_tableId.isNull() || !item || !services || !services->workingDatabase() || !combo->Watching())
        return E_FAIL;
    if (item->m_bGreyed || item->m_trailing == kTrailingVaries)
    {
        // Refused: the list is read again, as the drawing has it now.
        combo->SetFilled(false);
        return E_FAIL;
    }
    const std::wstring stored = item->m_trailing ? item->m_text : Stored(item->m_text);
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_BSTR;
    value.Addr()->bstrVal = ::SysAllocStringLen(stored.data(), static_cast<UINT>(stored.size()));
    if (!value.Get().bstrVal)
        return E_OUTOFMEMORY;
    const ValueType type = item->m_trailing == kTrailingUnspecified ? ValueUnspecified : ValueSpecified;
    return FAILED(SetPropertyValue(value.Addr(), type)) ? E_FAIL : S_OK;
}
DK_CATCH_RETURN()

long CPropertyEditorLType::GetTextTipWidth(int& width)
{
    const long hr = CDkPeSymbolTableBase::GetTextTipWidth(width);
    width = SampleTipWidth(width);
    return hr;
}

long CPropertyEditorLType::GetComboTextTipWidth(int index, int& width)
{
    const long hr = CDkPeSymbolTableBase::GetComboTextTipWidth(index, width);
    width = SampleTipWidth(width);
    return hr;
}

CString CPropertyEditorLType::GetItemText(int index)
{
    CComboLType* combo = TypeCombo();
    const COwnerDrawItem* item = combo ? combo->Item(index) : nullptr;
    return item ? item->m_text : CString();
}

// The layer picker: its entries, its list and the editor.
#include "PropertyEditorLayer.h"

#include "dkcm.h"

#include "HResult.h"
#include "Unique.h"

#include <memory>

namespace
{
// A layer of the table by name, opened for read for the scope.
class LayerByName
{
public:
    LayerByName(DkDbObjectId table, const std::wstring& name) noexcept
    {
        DkDbSymbolTable* t = nullptr;
        if (table.isNull() || dkdbOpenObject(t, table, DkDb::kForRead) != Drvk::eOk)
            return;
        DkDbObjectId id;
        const bool found = t->getAt(name.c_str(), id) == Drvk::eOk;
        t->close();
        if (found && dkdbOpenObject(m_layer, id, DkDb::kForRead) != Drvk::eOk)
            m_layer = nullptr;
    }
    ~LayerByName()
    {
        if (m_layer)
            m_layer->close();
    }
    LayerByName(const LayerByName&) = delete;
    LayerByName& operator=(const LayerByName&) = delete;
    DkDbLayerTableRecord* operator->() const noexcept { return m_layer; }
    explicit operator bool() const noexcept { return m_layer != nullptr; }

private:
    DkDbLayerTableRecord* m_layer = nullptr;
};

bool Overridden(const DkDbLayerTableRecord& layer)
{
    const DkDbObjectId viewport = dkedGetCurViewportObjectId();
    return !viewport.isNull() && layer.hasOverrides(viewport);
}
} // namespace

void COwnerDrawItemLayer::Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT)
{
    if (!rect || !(itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)))
        return;
    CEntryPainter painter(dc, *rect, itemAction, itemState, 2);
    if (!painter.Highlighted() || m_bGreyed)
        ::SetTextColor(dc, m_textColor);
    // The name on the viewport-override background, just as wide as the name and a pixel
    // more on either side.
    if (m_bOverridden && !painter.Highlighted() && !painter.FocusOnly())
        painter.MarkOverride(m_text, 1, 2);
    if (m_bGreyed)
        ::SetTextColor(dc, GreyedColour(::GetTextColor(dc)));
    // The name as the layer spells it: an ampersand is part of it, not a mnemonic.
    painter.Finish(m_text);
}

CComboLayer::CComboLayer(CDkPeComboBase* owner, DkDbDatabase* database) noexcept
    : CComboOwnerDraw(owner), m_tableId(database ? database->layerTableId() : DkDbObjectId()),
      m_reactor(this, database, m_tableId)
{
}

CComboLayer::~CComboLayer() = default;

COwnerDrawItemLayer* CComboLayer::LayerItem(int index) const
{
    return index < 0 ? nullptr : dynamic_cast<COwnerDrawItemLayer*>(Item(index));
}

CPropertyEditorLayer::CPropertyEditorLayer()
{
    m_bNeedsCurrentDocument = TRUE;
    if (DkDbHostApplicationServices* services = dkdbHostApplicationServices())
        if (DkDbDatabase* database = services->workingDatabase())
            m_tableId = database->layerTableId();
}

CComboLayer* CPropertyEditorLayer::LayerCombo() const noexcept
{
    return dynamic_cast<CComboLayer*>(m_pCombo.get());
}

long CPropertyEditorLayer::PrepareFill()
{
    // The drawing the table belonged to has left memory: there is nothing left to list.
    const CComboLayer* combo = LayerCombo();
    return combo && !combo->Watching() ? E_FAIL : S_OK;
}

long CPropertyEditorLayer::CreateComboWindow(const RECT& rect)
{
    return CreateTableCombo<CComboLayer>(CComboLayer::kStyle, rect);
}

long CPropertyEditorLayer::AddRecord(DkDbSymbolTableRecord* record)
try
{
    CComboLayer* combo = LayerCombo();
    DkDbLayerTableRecord* layer = DkDbLayerTableRecord::cast(record);
    if (!combo || !layer || !layer->getName())
        return E_FAIL;
    auto item = std::make_unique<COwnerDrawItemLayer>();
    item->m_text = layer->getName();
    item->m_fillColor = BackColour();
    item->m_textColor = ForeColour();
    item->m_bOverridden = Overridden(*layer);
    const bool nothingSelected = m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0];
    item->m_bGreyed = layer->isDependent() || (layer->isFrozen() && nothingSelected);
    if (combo->AddItem(item.get()) < 0)
        return E_FAIL;
    item.release();
    return S_OK;
}
DK_CATCH_RETURN()

std::unique_ptr<COwnerDrawItem> CPropertyEditorLayer::MakeTrailing() const
{
    auto item = std::make_unique<COwnerDrawItemLayer>();
    item->m_fillColor = BackColour();
    item->m_textColor = ForeColour();
    return item;
}

void CPropertyEditorLayer::UpdateTrailing(ValueType type)
{
    if (CComboLayer* combo = LayerCombo())
        UpdateTrailingEntries(*combo, type, [this] { return MakeTrailing(); });
}

void CPropertyEditorLayer::RefreshOverrideMark(const std::wstring& name)
{
    CComboLayer* combo = LayerCombo();
    LayerByName layer(m_tableId, name);
    if (!combo || !layer)
        return;
    if (COwnerDrawItemLayer* item = combo->LayerItem(combo->FindByName(name)))
        item->m_bOverridden = Overridden(*layer.operator->());
}

int CPropertyEditorLayer::GetCurrentIndex()
{
    if (!EnsureCombo())
        return -1;
    FillList();
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), type)))
        return -1;
    m_lastType = type;
    UpdateTrailing(type);
    if (type != ValueSpecified)
        return TrailingIndex(*LayerCombo(), type);
    if (value.Type() != VT_BSTR || !value.Get().bstrVal)
        return -1;
    const std::wstring name(value.Get().bstrVal, ::SysStringLen(value.Get().bstrVal));
    RefreshOverrideMark(name);
    return LayerCombo()->FindByName(name);
}

long CPropertyEditorLayer::BeginEdit(const RECT& rect)
{
    // Every activation lists the layers as the drawing has them now.
    if (m_state < kStateEditing && !IsPropertyReadOnly())
    {
        if (m_bNeedsCurrentDocument && !IsCurrentDocumentDatabase())
            return E_FAIL;
        if (!EnsureCombo())
            return E_FAIL;
        LayerCombo()->SetFilled(false);
        const long hr = FillList();
        if (FAILED(hr))
            return hr;
        UpdateTrailing(m_lastType);
        // The objects' layer may have a new name since it was read.
        SelectCurrentEntry();
    }
    return CDkPeSymbolTableBase::BeginEdit(rect);
}

long CPropertyEditorLayer::CommitSelection(int index)
try
{
    CComboLayer* combo = LayerCombo();
    const COwnerDrawItemLayer* item = combo && index >= 0 ? combo->LayerItem(index) : nullptr;
    if (m_tableId.isNull() || !item || !combo->Watching())
        return E_FAIL;
    if (item->m_bGreyed || item->m_trailing == kTrailingVaries)
    {
        // Refused: the list is read again, as the drawing has it now.
        combo->SetFilled(false);
        return E_FAIL;
    }
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_BSTR;
    value.Addr()->bstrVal = ::SysAllocStringLen(item->m_text.data(), static_cast<UINT>(item->m_text.size()));
    if (!value.Get().bstrVal)
        return E_OUTOFMEMORY;
    const ValueType type = item->m_trailing == kTrailingUnspecified ? ValueUnspecified : ValueSpecified;
    // Objects moved to a frozen or hidden layer vanish from view: the host is told around it.
    bool vanishing = false;
    if (type == ValueSpecified)
        if (LayerByName layer(m_tableId, item->m_text); layer)
            vanishing = layer->isFrozen() || layer->isOff();
    const CDkPeModelessOperation announce(L"OPM_CHGLAYER", vanishing);
    return SetPropertyValue(value.Addr(), type);
}
DK_CATCH_RETURN()

CString CPropertyEditorLayer::GetItemText(int index)
{
    CComboLayer* combo = LayerCombo();
    const COwnerDrawItemLayer* item = combo ? combo->LayerItem(index) : nullptr;
    return item ? item->m_text : CString();
}

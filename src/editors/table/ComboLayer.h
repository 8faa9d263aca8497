// The layer picker's list: its entries and the sorted combo that watches the layer table.
#pragma once

#include "DkPeSymbolTableBase.h"

// One layer of the list (or the varies or unspecified entry after the layers).
class DKPEX_API COwnerDrawItemLayer : public COwnerDrawItem
{
public:
    void Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT itemIdOrFace) override;

    COLORREF m_textColor = 0;
    // The layer cannot be chosen.
    bool m_bGreyed = false;
    // The layer has overrides in the current viewport.
    bool m_bOverridden = false;
};

class DkDbLayerReactor final : public CRecordListReactor
{
public:
    using CRecordListReactor::CRecordListReactor;
};

// The sorted list of layers, watching the layer table of the database it was made for.
class DKPEX_API CComboLayer : public CComboOwnerDraw
{
public:
    static constexpr DWORD kStyle =
        WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_SORT | CBS_HASSTRINGS;

    CComboLayer(CDkPeComboBase* owner, DkDbDatabase* database) noexcept;
    ~CComboLayer() override;

    COwnerDrawItemLayer* LayerItem(int index) const;
    // The layer table has not left memory (its drawing was not closed or replaced).
    bool Watching() const noexcept { return m_reactor.List() != nullptr; }

private:
    DkDbObjectId m_tableId;
    DkDbLayerReactor m_reactor;
};

// The entries of the lineweight and linetype lists: a drawn sample before the text, ByLayer
// showing what it stands for in the selection (and the viewport-override label when the
// current viewport overrides it), and the two lists.
#pragma once

#include "DkPeSymbolTableBase.h"
#include "dklw.h"

#include <string>

// The sample's width in an entry width wide: none for the varies and unspecified entries,
// half the width below 141 pixels, else 70. The text starts after it.
DKPEX_API LONG SampleWidth(const COwnerDrawItem& item, LONG width) noexcept;
// The text tip's width for a text t wide: room for the sample too.
DKPEX_API int SampleTipWidth(int textWidth) noexcept;

// An entry with a sample: background, highlight, the override label, the text from the
// sample on, then the sample clipped to its own place.
class DKPEX_API COwnerDrawItemSample : public COwnerDrawItem
{
public:
    void Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT itemIdOrFace) override;

    COLORREF m_textColor = 0;

protected:
    // The ByLayer entry under a viewport override shows the label instead of its name.
    virtual bool OverriddenByLayer() const noexcept = 0;
    // Draws the sample into rect (from the entry's left and top to the sample's right edge
    // and the entry's vertical middle).
    virtual void DrawSample(HDC dc, const RECT& rect) const = 0;
    // Nothing at all is drawn (the drawing is not the current document's).
    virtual bool Hidden() const noexcept { return false; }
    // The entry cannot be chosen: its text is greyed.
    virtual bool Greyed() const noexcept { return false; }
};

// A lineweight entry: m_data is its place in the host's list (29 ByLayer, 30 ByBlock,
// 31 Default; -1 for the varies and unspecified entries).
class DKPEX_API COwnerDrawItemLWeight : public COwnerDrawItemSample
{
public:
    static constexpr ULONGLONG kByLayer = 29;
    static constexpr ULONGLONG kByBlock = 30;
    static constexpr ULONGLONG kDefault = 31;
    static constexpr ULONGLONG kNoPlace = static_cast<ULONGLONG>(-1);

    COwnerDrawItemLWeight() { m_data = kNoPlace; }
    int m_lineweight = -3;

protected:
    bool OverriddenByLayer() const noexcept override;
    void DrawSample(HDC dc, const RECT& rect) const override;
};

class CComboLType;

// A linetype entry: m_data is the linetype record's id (0 for the varies and unspecified
// entries).
class DKPEX_API COwnerDrawItemLType : public COwnerDrawItemSample
{
public:
    explicit COwnerDrawItemLType(const CComboLType* combo) noexcept : m_combo(combo) {}
    bool IsByLayer() const noexcept { return m_bByLayer; }

    bool m_bGreyed = false;
    bool m_bByLayer = false;

protected:
    bool OverriddenByLayer() const noexcept override;
    void DrawSample(HDC dc, const RECT& rect) const override;
    bool Hidden() const noexcept override;
    bool Greyed() const noexcept override { return m_bGreyed; }

private:
    const CComboLType* m_combo;
};

// The lineweight list.
class DKPEX_API CComboLWeight : public CPeComboCustom
{
public:
    using CPeComboCustom::CPeComboCustom;
    virtual void SetOwnerEditor(CDkPeComboBase* editor);
    COwnerDrawItemLWeight* WeightItem(int index) const;
    // What ByLayer stands for in the selection (kLineweightVariesSentinel when the layers
    // differ) and whether the current viewport overrides it; shared by every lineweight list.
    static int ByLayerLineweight() noexcept;
    static bool ByLayerOverridden() noexcept;
    static void SetByLayer(int lineweight, bool overridden) noexcept;
};

constexpr int kLineweightVariesSentinel = 9999;

class DkDbLTypeReactor final : public CRecordListReactor
{
public:
    using CRecordListReactor::CRecordListReactor;
};

// The linetype list, in the order it is filled, watching the linetype table; names are found
// in any letter case.
class DKPEX_API CComboLType : public CComboOwnerDraw
{
public:
    CComboLType(CDkPeComboBase* owner, DkDbDatabase* database) noexcept;
    ~CComboLType() override;

    int FindByName(const std::wstring& name) const override;
    COwnerDrawItemLType* TypeItem(int index) const;
    bool Watching() const noexcept { return m_reactor.List() != nullptr; }

    // The linetype ByLayer stands for (null when the layers differ) and the override mark.
    DkDbObjectId m_byLayerLinetype;
    bool m_bByLayerOverridden = false;

private:
    DkDbObjectId m_tableId;
    DkDbLTypeReactor m_reactor;
};

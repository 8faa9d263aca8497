// The line-sample entries and the lineweight and linetype lists.
#include "LineSamples.h"

#include "DrawingUnits.h"
#include "SharedTexts.h"
#include "dkcm.h"

#include "Unique.h"

#include <algorithm>

namespace
{
constexpr LONG kWideSample = 70;
constexpr LONG kNarrowRow = 141;
int g_byLayerLineweight = -3;
bool g_byLayerLineweightOverridden = false;
} // namespace

LONG SampleWidth(const COwnerDrawItem& item, LONG width) noexcept
{
    if (item.m_trailing)
        return 0;
    return width < kNarrowRow ? width / 2 : kWideSample;
}

int SampleTipWidth(int textWidth) noexcept
{
    return 2 * textWidth <= 2 * kWideSample ? 2 * textWidth : textWidth + kWideSample;
}

void COwnerDrawItemSample::Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT)
{
    if (!rect || !(itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)) || Hidden())
        return;
    const LONG s = SampleWidth(*this, rect->right - rect->left);
    {
        CEntryPainter painter(dc, *rect, itemAction, itemState, s);
        if (!painter.Highlighted() || Greyed())
            ::SetTextColor(dc, m_textColor);
        if (Greyed())
            ::SetTextColor(dc, GreyedColour(m_textColor));
        const std::wstring* shown = &m_text;
        std::wstring label;
        if (OverriddenByLayer() && !painter.FocusOnly())
        {
            label = dkpex::ViewportOverrideLabel();
            shown = &label;
            painter.MarkOverride(label, 0, 0);
        }
        painter.Finish(*shown);
    }
    if (s <= 5 || (itemAction & ODA_FOCUS))
        return;
    // The sample, in the entry's text colour, within its own place.
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, rect->left + 2, rect->top + 1, rect->left + s - 5, rect->bottom - 1);
    // The highlight starts at the text: the sample stays on the list's own background.
    ::SetTextColor(dc, m_textColor);
    DrawSample(dc, RECT{rect->left, rect->top, rect->left + s - 5, rect->top + (rect->bottom - rect->top) / 2});
    ::RestoreDC(dc, saved);
}

bool COwnerDrawItemLWeight::OverriddenByLayer() const noexcept
{
    return m_data == kByLayer && CComboLWeight::ByLayerOverridden();
}

void COwnerDrawItemLWeight::DrawSample(HDC dc, const RECT& rect) const
{
    if (m_data == kNoPlace)
        return;
    const int lineweight = m_data == kByLayer ? CComboLWeight::ByLayerLineweight() : m_lineweight;
    if (lineweight != kLineweightVariesSentinel)
        DrawLWLine(dc, lineweight, rect, 1);
}

bool COwnerDrawItemLType::OverriddenByLayer() const noexcept
{
    return m_bByLayer && m_combo && m_combo->m_bByLayerOverridden;
}

void COwnerDrawItemLType::DrawSample(HDC dc, const RECT& rect) const
{
    const DkDbObjectId linetype = m_bByLayer ? (m_combo ? m_combo->m_byLayerLinetype : DkDbObjectId())
                                             : DkDbObjectId(static_cast<LONG_PTR>(m_data));
    if (!linetype.isNull())
        DrawLTypePattern(dc, linetype, rect, 1);
}

bool COwnerDrawItemLType::Hidden() const noexcept
{
    return !dkpex::IsCurrentDocumentDatabase();
}

void CComboLWeight::SetOwnerEditor(CDkPeComboBase* editor)
{
    SetOwner(editor);
}

COwnerDrawItemLWeight* CComboLWeight::WeightItem(int index) const
{
    return index < 0 ? nullptr : dynamic_cast<COwnerDrawItemLWeight*>(Item(index));
}

int CComboLWeight::ByLayerLineweight() noexcept
{
    return g_byLayerLineweight;
}

bool CComboLWeight::ByLayerOverridden() noexcept
{
    return g_byLayerLineweightOverridden;
}

void CComboLWeight::SetByLayer(int lineweight, bool overridden) noexcept
{
    g_byLayerLineweight = lineweight;
    g_byLayerLineweightOverridden = overridden;
}

CComboLType::CComboLType(CDkPeComboBase* owner, DkDbDatabase* database) noexcept
    : CComboOwnerDraw(owner), m_tableId(database ? database->linetypeTableId() : DkDbObjectId()),
      m_reactor(this, database, m_tableId)
{
}

CComboLType::~CComboLType() = default;

int CComboLType::FindByName(const std::wstring& name) const
{
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (const COwnerDrawItem* item = Item(i);
            item && !item->m_trailing &&
            ::CompareStringOrdinal(item->m_text.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
            return i;
    return -1;
}

COwnerDrawItemLType* CComboLType::TypeItem(int index) const
{
    return index < 0 ? nullptr : dynamic_cast<COwnerDrawItemLType*>(Item(index));
}

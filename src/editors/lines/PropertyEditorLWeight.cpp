// The lineweight picker.
#include "PropertyEditorLWeight.h"

#include "DrawingUnits.h"
#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "HResult.h"
#include "Unique.h"

namespace
{
// The host's list ends at 2.11 mm, and has no more places than ByLayer's.
constexpr int kLastLineweight = 211;
constexpr int kMostPlaces = 29;

std::wstring g_defaultText;
} // namespace

CPropertyEditorLWeight::CPropertyEditorLWeight()
{
    m_bNeedsCurrentDocument = TRUE;
    if (g_defaultText.empty())
        g_defaultText = dkpex::LoadResString(IDS_LINEWEIGHT_DEFAULT);
    dkpex::ViewportOverrideLabel();
}

CComboLWeight* CPropertyEditorLWeight::WeightCombo() const noexcept
{
    return dynamic_cast<CComboLWeight*>(m_pCombo.get());
}

std::unique_ptr<COwnerDrawItemLWeight> CPropertyEditorLWeight::MakeItem() const
{
    auto item = std::make_unique<COwnerDrawItemLWeight>();
    item->m_fillColor = BackColour();
    item->m_textColor = ForeColour();
    return item;
}

void CPropertyEditorLWeight::RecolourEntries()
{
    CComboLWeight* combo = WeightCombo();
    const int count = combo ? combo->Count() : 0;
    for (int i = 0; i < count; ++i)
        if (COwnerDrawItemLWeight* item = combo->WeightItem(i))
        {
            item->m_fillColor = BackColour();
            item->m_textColor = ForeColour();
        }
    if (combo && combo->Hwnd())
        ::InvalidateRect(combo->Hwnd(), nullptr, TRUE);
}

long CPropertyEditorLWeight::Handle_put_ForeColor(OLE_COLOR color)
{
    const OLE_COLOR before = m_foreColor;
    const long hr = CDkPeComboBase::Handle_put_ForeColor(color);
    if (m_foreColor != before)
        RecolourEntries();
    return hr;
}

long CPropertyEditorLWeight::Handle_put_BackColor(OLE_COLOR color)
{
    // Also asked on every colour query of the list: only a new colour repaints.
    const OLE_COLOR before = m_backColor;
    const long hr = CDkPeComboBase::Handle_put_BackColor(color);
    if (m_backColor != before)
        RecolourEntries();
    return hr;
}

long CPropertyEditorLWeight::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!dkpex::IsCurrentDocumentDatabase())
        return S_OK;
    return DrawSelectedEntry(info, 0);
}

long CPropertyEditorLWeight::GetTextTipWidth(int& width)
{
    const long hr = CDkPeComboBase::GetTextTipWidth(width);
    width = SampleTipWidth(width);
    return hr;
}

long CPropertyEditorLWeight::GetComboTextTipWidth(int index, int& width)
{
    const long hr = CDkPeComboBase::GetComboTextTipWidth(index, width);
    width = SampleTipWidth(width);
    return hr;
}

long CPropertyEditorLWeight::CreateComboWindow(const RECT& rect)
try
{
    HWND control = ControlHwnd();
    auto combo = std::make_unique<CComboLWeight>(this);
    if (!control || !combo->CreateCombo(CPropComboBox::kStyle, rect, control, kComboId))
        return E_FAIL;
    combo->SetOwnerEditor(this);
    ::SendMessageW(combo->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
    m_pCombo = std::move(combo);
    m_bListed = false;
    return S_OK;
}
DK_CATCH_RETURN()

bool CPropertyEditorLWeight::Append(ULONGLONG place, int lineweight, const std::wstring& text)
{
    std::unique_ptr<COwnerDrawItemLWeight> item = MakeItem();
    item->m_data = place;
    item->m_lineweight = lineweight;
    item->m_text = text;
    if (WeightCombo()->AddItem(item.get()) < 0)
        return false;
    item.release();
    return true;
}

long CPropertyEditorLWeight::FillList()
try
{
    CComboLWeight* combo = WeightCombo();
    if (!combo || !combo->Hwnd())
        return E_FAIL;
    if (m_bListed)
        return S_OK;
    ::SendMessageW(combo->Hwnd(), CB_RESETCONTENT, 0, 0);
    if (!Append(COwnerDrawItemLWeight::kByLayer, -1, dkpex::ReservedName(0)) ||
        !Append(COwnerDrawItemLWeight::kByBlock, -2, dkpex::ReservedName(1)) ||
        !Append(COwnerDrawItemLWeight::kDefault, -3, g_defaultText))
        return E_FAIL;
    // The host's lineweights in its order, to 2.11 mm: a host with fewer ends the list early.
    for (int n = 0; n < kMostPlaces; ++n)
    {
        DkString text;
        const int lineweight = GetLineWeightFromDrvk(text, n);
        if (lineweight < 0)
            break;
        if (!Append(static_cast<ULONGLONG>(n), lineweight, text.kwszPtr()))
            return E_FAIL;
        if (lineweight >= kLastLineweight)
            break;
    }
    // No entry is chosen until the objects' value is read: a value the list lacks shows no
    // entry rather than ByLayer's.
    m_bListed = true;
    return S_OK;
}
DK_CATCH_RETURN()

void CPropertyEditorLWeight::UpdateByLayerLineweight()
{
    const DkDbObjectId viewport = dkedGetCurViewportObjectId();
    const auto [lineweight, overridden] = ByLayerValue(-3, kLineweightVariesSentinel,
                                                       [&](const DkDbLayerTableRecord& layer, bool& isOverride)
                                                       { return layer.lineWeightInViewport(viewport, isOverride); });
    CComboLWeight::SetByLayer(lineweight, overridden);
}

int CPropertyEditorLWeight::GetCurrentIndex()
{
    if (!EnsureCombo())
        return -1;
    FillList();
    UpdateByLayerLineweight();
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), type)))
        return -1;
    CComboLWeight* combo = WeightCombo();
    UpdateTrailingEntries(*combo, type, [this] { return std::unique_ptr<COwnerDrawItem>(MakeItem()); });
    if (type != ValueSpecified)
        return TrailingIndex(*combo, type);
    dkfw::UniqueVariant number;
    if (FAILED(::VariantChangeType(number.Addr(), value.Addr(), 0, VT_I4)))
        return -1;
    const int count = combo->Count();
    for (int i = 0; i < count; ++i)
        if (const COwnerDrawItemLWeight* item = combo->WeightItem(i);
            item && !item->m_trailing && item->m_lineweight == number.Get().lVal)
            return i;
    return -1;
}

long CPropertyEditorLWeight::CommitSelection(int index)
{
    CComboLWeight* combo = WeightCombo();
    if (!combo)
        return E_UNEXPECTED;
    const COwnerDrawItemLWeight* item = combo->WeightItem(index);
    if (item && item->m_trailing == kTrailingVaries)
        return E_FAIL;
    VARIANT value;
    value.vt = VT_I4;
    value.lVal = item ? item->m_lineweight : -1;
    const ValueType type = item && item->m_trailing == kTrailingUnspecified ? ValueUnspecified : ValueSpecified;
    return SetPropertyValue(&value, type);
}

CString CPropertyEditorLWeight::GetItemText(int index)
{
    CComboLWeight* combo = WeightCombo();
    const COwnerDrawItem* item = combo ? combo->Item(index) : nullptr;
    return item ? item->m_text : CString();
}

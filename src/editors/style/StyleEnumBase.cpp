// The style editors' common part: the sorted list, the annotative marker, the annotative
// state an object takes from its style.
#include "StyleEnumBase.h"

#include "DrawingUnits.h"
#include "ResourceIds.h"
#include "ResourceOverride.h"

#include "dkdb.h"

#include "ComModule.h"
#include "DkPiHost.h"
#include "Unique.h"

#include <algorithm>
#include <numeric>

namespace
{
constexpr int kIconSize = 16;
constexpr int kTextLeft = 2;

bool IsSpecialItem(const EnumItem& item)
{
    const VARIANT& v = item.value.Get();
    return v.vt == VT_I4 && (v.lVal == CDkPeEnumBase::kUnspecifiedValue || v.lVal == CDkPeEnumBase::kVariesValue);
}
} // namespace

CStyleComboBox::CStyleComboBox(CStyleEnumBase* owner) noexcept : CPropComboBox(owner), m_styleOwner(owner)
{
    CTemporaryResourceOverride resources;
    m_icon = static_cast<HICON>(::LoadImageW(dkfw::ResourceHandle(), MAKEINTRESOURCEW(IDI_ANNOTATIVE), IMAGE_ICON,
                                             kIconSize, kIconSize, LR_DEFAULTCOLOR));
}

CStyleComboBox::~CStyleComboBox()
{
    DestroyWindow();
    if (m_icon)
        ::DestroyIcon(m_icon);
}

std::wstring CStyleComboBox::EntryText(int index) const
{
    return m_styleOwner ? std::wstring(m_styleOwner->GetItemText(index)) : ItemText(index);
}

void CStyleComboBox::DrawEntry(HDC dc, const RECT& rect, int index, bool selected) const
{
    const bool marked = Marked(index);
    const std::wstring text = EntryText(index);
    const int mode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF colour = selected ? ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT)) : ::GetTextColor(dc);
    RECT r = rect;
    r.left += kTextLeft + (marked ? kMarkedTextShift : 0);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (marked && m_icon)
        ::DrawIconEx(dc, rect.left + kTextLeft, rect.top, m_icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
    ::SetTextColor(dc, colour);
    ::SetBkMode(dc, mode);
}

void CStyleComboBox::DrawItem(const DRAWITEMSTRUCT& item) noexcept
{
    const int index = static_cast<int>(item.itemID);
    if (index < 0 || !(item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)) ||
        !dkpex::IsCurrentDocumentDatabase())
        return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (!selected)
        ::SetTextColor(item.hDC, ::GetSysColor(COLOR_WINDOWTEXT));
    DrawEntry(item.hDC, item.rcItem, index, selected);
    if (item.itemState & ODS_FOCUS)
        ::DrawFocusRect(item.hDC, &item.rcItem);
}

void CStyleComboBox::DrawTipEntry(HDC dc, const RECT& rect, int index)
{
    FillItemBackground(dc, rect, ::GetSysColor(COLOR_INFOBK));
    DrawEntry(dc, rect, index, false);
}

CStyleEnumBase::CStyleEnumBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv) : CDkPeEnumBase(events, priv)
{
    m_bNeedsCurrentDocument = TRUE;
}

CStyleComboBox* CStyleEnumBase::StyleCombo() const noexcept
{
    return dynamic_cast<CStyleComboBox*>(m_pCombo.get());
}

long CStyleEnumBase::CreateComboWindow(const RECT& rect)
{
    if (m_pCombo && m_pCombo->Hwnd())
        return S_OK;
    HWND control = ControlHwnd();
    auto combo = std::make_unique<CStyleComboBox>(this);
    if (!control || !combo->CreateCombo(CStyleComboBox::kStyle, rect, control, kComboId))
    {
        combo->DestroyWindow();
        return E_FAIL;
    }
    m_pCombo = std::move(combo);
    return S_OK;
}

long CStyleEnumBase::LoadItems(ValueType kind)
{
    const long hr = CDkPeEnumBase::LoadItems(kind);
    if (FAILED(hr))
        return hr;
    // The styles sorted as the user's locale orders them (equal names keep their order),
    // the unspecified entry and then the varies entry after them.
    std::vector<EnumItem> styles;
    std::vector<EnumItem> unspecified;
    std::vector<EnumItem> varies;
    for (EnumItem& item : m_items)
    {
        if (!IsSpecialItem(item))
            styles.push_back(std::move(item));
        else if (item.value.Get().lVal == kUnspecifiedValue)
            unspecified.push_back(std::move(item));
        else
            varies.push_back(std::move(item));
    }
    std::vector<dkfw::UniqueBstr> keys;
    keys.reserve(styles.size());
    for (const EnumItem& item : styles)
        keys.emplace_back(item.name.c_str());
    std::vector<size_t> order(styles.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b)
                     { return ::VarBstrCmp(keys[a].Get(), keys[b].Get(), LOCALE_USER_DEFAULT, 0) == VARCMP_LT; });
    m_items.clear();
    for (size_t i : order)
        m_items.push_back(std::move(styles[i]));
    m_trailing.Reset();
    for (auto* special : {&unspecified, &varies})
        for (EnumItem& item : *special)
        {
            (special == &unspecified ? m_trailing.unspecified : m_trailing.varies) = static_cast<int>(m_items.size());
            m_items.push_back(std::move(item));
        }
    return S_OK;
}

long CStyleEnumBase::FillList()
{
    CStyleComboBox* combo = StyleCombo();
    HWND hwnd = combo ? combo->Hwnd() : (m_pCombo ? m_pCombo->Hwnd() : nullptr);
    if (!hwnd)
        return E_FAIL;
    ::SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
    if (combo)
        combo->ResetMarks();
    for (size_t i = 0; i < m_items.size(); ++i)
    {
        const EnumItem& item = m_items[i];
        const LRESULT at = ::SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.name.c_str()));
        if (at < 0)
            continue;
        const bool special = IsSpecialItem(item);
        if (combo)
            combo->AddMark(!special && IsAnnotativeStyle(item.name));
        if (special && item.value.Get().lVal == kVariesValue)
            m_trailing.varies = static_cast<int>(at);
        else if (special)
            m_trailing.unspecified = static_cast<int>(at);
    }
    ::SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
    ::InvalidateRect(hwnd, nullptr, TRUE);
    ::UpdateWindow(hwnd);
    return S_OK;
}

CString CStyleEnumBase::GetItemText(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_items.size())
        return CString();
    return m_items[static_cast<size_t>(index)].name;
}

int CStyleEnumBase::GetCurrentIndex()
{
    if ((!m_pCombo || !m_pCombo->Hwnd()) && FAILED(CreateComboWindow(RECT{0, 0, 120, 14})))
        return -1;
    return CDkPeEnumBase::GetCurrentIndex();
}

long CStyleEnumBase::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    if (!RowNeedsDrawing(info))
        return S_OK;
    CStyleComboBox* combo = StyleCombo();
    const bool current = IsCurrentDocumentDatabase();
    if ((!combo || m_nCurrentIndex < 0) && current)
        return CDkPeEnumBase::Handle_OnDraw(info);
    PaintRow(info,
             [&](HDC dc, RECT bounds)
             {
                 // Another drawing's styles are not this one's: its row stays blank.
                 if (combo && m_nCurrentIndex >= 0 && current)
                     combo->DrawEntry(dc, bounds, m_nCurrentIndex, false);
             });
    return S_OK;
}

long CStyleEnumBase::GetComboTextTipWidth(int index, int& width)
{
    const long hr = CDkPeEnumBase::GetComboTextTipWidth(index, width);
    if (SUCCEEDED(hr) && StyleCombo() && StyleCombo()->Marked(index))
        width += CStyleComboBox::kMarkedTextShift;
    return hr;
}

bool CStyleEnumBase::IsAnnotativeStyle(const std::wstring&)
{
    return false;
}

std::wstring CStyleEnumBase::ChosenName() const
{
    HWND hwnd = m_pCombo ? m_pCombo->Hwnd() : nullptr;
    const int index = hwnd ? static_cast<int>(::SendMessageW(hwnd, CB_GETCURSEL, 0, 0)) : -1;
    if (index < 0)
        return std::wstring();
    if (StyleCombo())
        return std::wstring(const_cast<CStyleEnumBase*>(this)->GetItemText(index));
    return m_pCombo->ItemText(index);
}

bool CStyleEnumBase::ChoseSpecialEntry() const
{
    HWND hwnd = m_pCombo ? m_pCombo->Hwnd() : nullptr;
    const int index = hwnd ? static_cast<int>(::SendMessageW(hwnd, CB_GETCURSEL, 0, 0)) : -1;
    return index >= 0 && static_cast<size_t>(index) < m_items.size() &&
           IsSpecialItem(m_items[static_cast<size_t>(index)]);
}

long CStyleEnumBase::SyncAnnotative(IDispatch* object)
{
    dkfw::ComPtr<IDkBaseObject> base;
    LONG_PTR id = 0;
    HRESULT hr = object ? object->QueryInterface(IID_IDkBaseObject, base.PutVoid()) : E_POINTER;
    if (SUCCEEDED(hr))
        hr = base->GetObjectId(&id);
    DkDbObject* opened = nullptr;
    if (FAILED(hr) || dkdbOpenObject(opened, DkDbObjectId(id), DkDb::kForRead) != Drvk::eOk || !opened)
        return E_FAIL;
    if (auto* extension = DkDbAnnotativeObjectPE::cast(opened->queryX(DkDbAnnotativeObjectPE::desc())))
        if (opened->upgradeOpen() == Drvk::eOk)
        {
            bool modified = false;
            extension->setFromStyle(opened, modified);
        }
    opened->close();
    return hr;
}

bool CStyleEnumBase::AnnotativeInTable(DkDbObjectId tableId, const std::wstring& name)
{
    DkDbSymbolTable* table = nullptr;
    if (tableId.isNull() || dkdbOpenObject(table, tableId, DkDb::kForRead) != Drvk::eOk || !table)
        return false;
    DkDbSymbolTableIterator* it = nullptr;
    bool answer = false;
    if (table->newIterator(it) == Drvk::eOk && it)
    {
        for (it->start(); !it->done(); it->step())
        {
            DkDbObjectId id;
            DkDbSymbolTableRecord* record = nullptr;
            if (it->getRecordId(id) != Drvk::eOk || dkdbOpenObject(record, id, DkDb::kForRead) != Drvk::eOk || !record)
                continue;
            const wchar_t* recordName = record->getName();
            const bool candidate = !record->isDependent() && recordName && *recordName && name == recordName;
            auto* extension =
                candidate ? DkDbAnnotativeObjectPE::cast(record->queryX(DkDbAnnotativeObjectPE::desc())) : nullptr;
            if (extension)
                answer = extension->annotative(record);
            record->close();
            if (extension)
                break;
        }
        delete it;
    }
    table->close();
    return answer;
}

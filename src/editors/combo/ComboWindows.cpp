// The combo editors' drop-down windows and list entries.
#include "ComboWindows.h"

#include "DkPeComboBase.h"
#include "ResourceOverride.h"

#include "ComModule.h"
#include "dkcm.h"

#include <windowsx.h>

#include <vector>

namespace
{
constexpr UINT kTipFormat = DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr int kPictureSize = 14;
constexpr UINT kBlankBitmap = 0xFFFF;

void FillSolid(HDC dc, const RECT& rect, COLORREF colour)
{
    dkfw::UniqueHbrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rect, brush.Get());
}
} // namespace

void FillItemBackground(HDC dc, const RECT& rect, COLORREF colour)
{
    if (colour != ::GetSysColor(COLOR_INFOBK) || !CPropTextTooltip::IsTipWindow(::WindowFromDC(dc)))
    {
        FillSolid(dc, rect, colour);
        return;
    }
    const int height = rect.bottom - rect.top;
    for (int i = 0; i < 64; ++i)
    {
        const RECT band{rect.left, rect.top + i * height / 64, rect.right, rect.top + (i + 1) * height / 64};
        if (band.bottom <= band.top)
            continue;
        const int grey = (16320 - 37 * i) / 64;
        FillSolid(dc, band, RGB(grey, grey, grey));
    }
}

COLORREF GreyedColour(COLORREF c) noexcept
{
    auto channel = [](int v) { return static_cast<BYTE>(255 - (255 - v) * 3 / 5); };
    return RGB(channel(GetRValue(c)), channel(GetGValue(c)), channel(GetBValue(c)));
}

COwnerDrawItem::~COwnerDrawItem() = default;

void COwnerDrawItem::Draw(HDC dc, RECT* rect, UINT, UINT, UINT itemIdOrFace)
{
    // Drawn outside the list (a tip or the face), the entry keeps what is under it.
    DrawCentred(dc, rect, itemIdOrFace != kFaceItemId);
}

void COwnerDrawItem::DrawFace(HDC dc, RECT* rect)
{
    DrawCentred(dc, rect, true);
}

void COwnerDrawItem::DrawCentred(HDC dc, RECT* rect, bool fill)
{
    if (!rect)
        return;
    const COLORREF back = ::SetBkColor(dc, m_fillColor);
    if (fill)
        ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
    const COLORREF text = ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), rect,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    ::SetTextColor(dc, text);
    ::SetBkColor(dc, back);
}

CEntryPainter::CEntryPainter(HDC dc, const RECT& rect, UINT itemAction, UINT itemState, LONG textLeft) noexcept
    : m_dc(dc), m_text(rect), m_highlight(rect), m_focus((itemAction & ODA_FOCUS) != 0), m_savedBack(::GetBkColor(dc)),
      m_savedText(::GetTextColor(dc))
{
    const bool selected = itemState & ODS_SELECTED;
    const bool entireOrSelect = itemAction & (ODA_DRAWENTIRE | ODA_SELECT);
    m_highlighted = selected && entireOrSelect;
    const bool themedField = dkuiIsThemed() && (itemState & ODS_COMBOBOXEDIT);
    if (!themedField && !selected && entireOrSelect)
        FillItemBackground(dc, rect, m_savedBack);
    m_text.left += textLeft;
    m_highlight.left = std::max(rect.left, m_text.left - 2);
    m_clip.Reset(::CreateRectRgn(std::max(rect.left, m_text.left - 3), rect.top, rect.right, rect.bottom));
    ::SelectClipRgn(dc, m_clip.Get());
    if (m_highlighted)
    {
        ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_HIGHLIGHT));
        ::FillRect(dc, &m_highlight, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    else if (!selected && (itemAction & ODA_SELECT))
        FillItemBackground(dc, m_highlight, m_savedBack);
}

CEntryPainter::~CEntryPainter()
{
    ::SelectClipRgn(m_dc, nullptr);
    ::SetTextColor(m_dc, m_savedText);
    ::SetBkColor(m_dc, m_savedBack);
}

void CEntryPainter::MarkOverride(const std::wstring& text, LONG shift, LONG extra) noexcept
{
    SIZE size{};
    ::GetTextExtentPoint32W(m_dc, text.c_str(), static_cast<int>(text.size()), &size);
    const LONG left = m_text.left - shift;
    const RECT mark{left, m_text.top, std::min(m_text.right, left + size.cx + extra), m_text.bottom};
    const COLORREF back = dkedGetVpOvrBackgColorValue();
    FillSolid(m_dc, mark, back);
    ::SetBkColor(m_dc, back);
}

void CEntryPainter::Finish(const std::wstring& text) noexcept
{
    if (!m_focus)
        ::DrawTextW(m_dc, text.c_str(), static_cast<int>(text.size()), &m_text, kTipFormat);
    else
        ::DrawFocusRect(m_dc, &m_highlight);
    ::SelectClipRgn(m_dc, nullptr);
}

void COwnerDrawItemBmp::Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT)
{
    if (!rect || !(itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)))
        return;
    CEntryPainter painter(dc, *rect, itemAction, itemState, m_blank ? 1 : 16);
    painter.Finish(m_text);
    if (!m_blank && m_bitmap)
    {
        const dkfw::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
        const dkfw::SelectObjectScope picture(memory.Get(), m_bitmap.Get());
        ::BitBlt(dc, rect->left, rect->top, kPictureSize, kPictureSize, memory.Get(), 0, 0, SRCCOPY);
    }
}

CPeBaseComboBox::~CPeBaseComboBox() = default;

LONG_PTR CPeBaseComboBox::GetItemDataPtr(int) const
{
    return -1;
}

CCustomLBox::~CCustomLBox() = default;

CDkPeComboBase* CCustomLBox::Editor() const noexcept
{
    auto* combo = dynamic_cast<CPropComboWindow*>(m_combo);
    return combo ? combo->Owner() : nullptr;
}

UINT CCustomLBox::TextFormat() const noexcept
{
    return kTipFormat;
}

int CCustomLBox::TipWidth(int index) const noexcept
{
    int width = 0;
    CDkPeComboBase* editor = Editor();
    if (!editor || FAILED(editor->GetComboTextTipWidth(index, width)))
        return 0;
    return width;
}

bool CCustomLBox::GetTipRect(RECT& rect) const
{
    rect = RECT{};
    if (m_hover < 0 || !Hwnd())
        return false;
    RECT entry{};
    if (::SendMessageW(Hwnd(), LB_GETITEMRECT, static_cast<WPARAM>(m_hover), reinterpret_cast<LPARAM>(&entry)) ==
        LB_ERR)
        return false;
    const int width = TipWidth(m_hover);
    if (entry.right - entry.left >= width)
        return false;
    ::MapWindowPoints(Hwnd(), nullptr, reinterpret_cast<POINT*>(&entry), 2);
    rect = entry;
    rect.right = entry.left + width + 1 + 2;
    rect.bottom -= 1;
    return true;
}

void CCustomLBox::OnMouseMove(POINT pt) noexcept
{
    const LRESULT hit = ::SendMessageW(Hwnd(), LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
    const int index = HIWORD(hit) ? -1 : static_cast<int>(LOWORD(hit));
    if (index < 0)
    {
        m_hover = -1;
        m_tip.Hide();
        return;
    }
    if (index == m_hover)
        return;
    m_tip.Hide();
    m_hover = index;
    RECT entry{};
    if (::SendMessageW(Hwnd(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&entry)) == LB_ERR)
        return;
    const int width = TipWidth(index);
    if (entry.right - entry.left >= width)
        return;
    if (!m_tip.Exists() && !m_tip.Create(Hwnd()))
        return;
    m_tip.SetOwner(Hwnd());
    m_tipRect = entry;
    m_tipRect.right = entry.left + width + 5;
    m_tip.Place(Hwnd(), m_tipRect);
}

void CCustomLBox::DrawTip() noexcept
{
    CDkPeComboBase* editor = Editor();
    auto* combo = editor ? editor->Combo() : nullptr;
    if (!m_tip.Exists() || !combo || m_hover < 0)
        return;
    RECT client{};
    ::GetClientRect(m_tip.Hwnd(), &client);
    dkfw::WindowDc dc(m_tip.Hwnd());
    if (!dc)
        return;
    const int saved = ::SaveDC(dc.Get());
    if (HFONT font = editor->ControlFont())
        ::SelectObject(dc.Get(), font);
    ::SetBkMode(dc.Get(), TRANSPARENT);
    ::SetBkColor(dc.Get(), ::GetSysColor(COLOR_INFOBK));
    if (TextFormat() != (kTipFormat | DT_CENTER))
        ::SetTextColor(dc.Get(), ::GetSysColor(COLOR_INFOTEXT));
    combo->DrawTipEntry(dc.Get(), client, m_hover);
    ::RestoreDC(dc.Get(), saved);
}

bool CCustomLBox::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
{
    // A click in the list commits a choice, whose write may let the palette drop the row.
    CDkPeComboBase* editor = Editor();
    const dkfw::CallScope call(editor ? editor->ControlLifetime() : nullptr);
    if (!HandleMessage(msg, wParam, lParam, result))
        result = Default(msg, wParam, lParam);
    return true;
}

bool CCustomLBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
{
    switch (msg)
    {
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return false;
    case WM_LBUTTONUP:
        if (!HideTipOnlyWhenCreated() || m_tip.Exists())
            m_tip.Hide();
        return false;
    case CPropTextTooltip::kDrawMessage:
        if (wParam == static_cast<WPARAM>(CPropTextTooltip::kTipId))
            DrawTip();
        result = 0;
        return true;
    default:
        return false;
    }
}

CPeCustomLBox::CPeCustomLBox(CPeComboCustom* combo) noexcept : CCustomLBox(combo), m_custom(combo) {}

CDkPeComboBase* CPeCustomLBox::Editor() const noexcept
{
    return m_custom ? m_custom->Owner() : nullptr;
}

UINT CPeCustomLBox::TextFormat() const noexcept
{
    return kTipFormat | DT_CENTER;
}

// The drop-down lies flat in the row: no dialog frame, client edge or static edge.
void CPropComboWindow::FlattenFrame(HWND hwnd) noexcept
{
    const LONG_PTR ex = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    const LONG_PTR flat = ex & ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
    if (flat == ex)
        return;
    ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, flat);
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void CPropComboWindow::NoteCreated() noexcept
{
    dkfw::NoteWindowCreated();
}

void CPropComboWindow::NoteGone() noexcept
{
    dkfw::NoteWindowDestroyed();
}

LONG_PTR CPropComboWindow::GetItemDataPtr(int index) const
{
    return Hwnd() ? static_cast<LONG_PTR>(::SendMessageW(Hwnd(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0)) : -1;
}

std::wstring CPropComboWindow::ItemText(int index) const
{
    const int length = EntryText(index, nullptr, 0);
    if (length < 0)
        return std::wstring();
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    EntryText(index, text.data(), static_cast<int>(text.size()));
    return std::wstring(text.data());
}

void CPropComboWindow::DrawTipEntry(HDC dc, const RECT& rect, int index)
{
    DrawTipText(dc, rect, index, kTipFormat);
}

void CPropComboWindow::DrawTipText(HDC dc, const RECT& rect, int index, UINT format)
{
    FillItemBackground(dc, rect, ::GetSysColor(COLOR_INFOBK));
    const std::wstring text = ItemText(index);
    RECT r = rect;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

bool CPropComboWindow::IsDropped() const noexcept
{
    return Hwnd() && ::SendMessageW(Hwnd(), CB_GETDROPPEDSTATE, 0, 0);
}

LRESULT CPropComboWindow::ChooseWhileClosed(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    const LRESULT before = ::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0);
    m_bClosedChoice = true;
    const LRESULT result = OwnProcedure(msg, wParam, lParam);
    m_bClosedChoice = false;
    if (::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0) != before)
        m_bClosedChoiceWaits = true;
    return result;
}

bool CPropComboWindow::PreTranslateKey(WPARAM key, LPARAM flags) noexcept
try
{
    if (!m_owner)
        return false;
    if (key == VK_TAB)
    {
        // The choice is committed and the list, if open, closes before the palette moves on.
        m_owner->EndEdit();
        if (IsDropped())
            ::SendMessageW(Hwnd(), CB_SHOWDROPDOWN, FALSE, 0);
        m_owner->Fire_OnKeyDown(key, flags);
        return true;
    }
    if (key == VK_RETURN && !IsDropped())
    {
        m_owner->EndEdit();
        m_owner->Fire_OnKeyDown(key, flags);
        return true;
    }
    if (key == VK_ESCAPE && !IsDropped())
    {
        // A choice made on the closed list is taken back.
        ::SendMessageW(Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(m_owner->CurrentIndex()), 0);
        m_bClosedChoiceWaits = false;
        return true;
    }
    const bool shiftCtrl = (::GetKeyState(VK_SHIFT) & 0x8000) && (::GetKeyState(VK_CONTROL) & 0x8000);
    if (shiftCtrl && ::IsCharAlphaW(static_cast<wchar_t>(key)) && !::SendMessageW(Hwnd(), CB_GETDROPPEDSTATE, 0, 0))
        m_owner->Fire_OnKeyDown(key, flags);
    return false;
}
catch (...)
{
    // The key is the combo's own then; nothing leaves for the host's library.
    return false;
}

void CPropComboWindow::FlattenBorder() noexcept
{
    dkfw::WindowDc dc(Hwnd());
    if (!dc)
        return;
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    dkfw::UniqueHbrush back(::CreateSolidBrush(::GetBkColor(dc.Get())));
    RECT outer = client;
    for (int i = 0; i < 2; ++i)
    {
        ::FrameRect(dc.Get(), &outer, back.Get());
        ::InflateRect(&outer, -1, -1);
    }
    RECT arrow{client.right - ::GetSystemMetrics(SM_CXHTHUMB), client.top, client.right, client.bottom};
    ::InflateRect(&arrow, -2, -2);
    for (int i = 0; i < 2; ++i)
    {
        ::FrameRect(dc.Get(), &arrow, ::GetSysColorBrush(COLOR_BTNFACE));
        ::InflateRect(&arrow, 1, 1);
    }
}

bool CPropComboWindow::RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
{
    const dkfw::CallScope call(m_owner ? m_owner->ControlLifetime() : nullptr);
    if (!HandleMessage(msg, wParam, lParam, result))
        result = OwnProcedure(msg, wParam, lParam);
    return true;
}

bool CPropComboWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
try
{
    switch (msg)
    {
    case WM_PAINT:
        if (HostMessage(msg, wParam, lParam, result))
            return true;
        result = OwnProcedure(msg, wParam, lParam);
        FlattenBorder();
        return true;
    case WM_KEYDOWN:
        if (PreTranslateKey(wParam, lParam))
        {
            result = 0;
            return true;
        }
        if (IsDropped())
            return false;
        result = ChooseWhileClosed(msg, wParam, lParam);
        return true;
    case WM_CHAR:
        if (IsDropped())
            return false;
        result = ChooseWhileClosed(msg, wParam, lParam);
        return true;
    case WM_MOUSEWHEEL:
        // Over the closed list the wheel scrolls the palette, as over any row; it moves
        // through the open list only.
        if (IsDropped())
            return false;
        result = ::SendMessageW(::GetParent(Hwnd()), msg, wParam, lParam);
        return true;
    case WM_KILLFOCUS:
        result = OwnProcedure(msg, wParam, lParam);
        if (m_owner && !IsDropped())
            m_owner->CommitChoiceOnFocusLoss();
        return true;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (m_owner)
        {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            HWND parent = ::GetParent(Hwnd());
            ::MapWindowPoints(Hwnd(), parent, &pt, 1);
            if (msg == WM_RBUTTONDOWN)
                m_owner->Fire_OnRButtonDown(wParam, MAKELPARAM(pt.x, pt.y));
            else
                m_owner->Fire_OnMButtonDown(wParam, MAKELPARAM(pt.x, pt.y));
        }
        return false;
    case CPropTextTooltip::kDrawMessage:
        // Only the row's own tip asks: no other window gets the entry drawn into it.
        if (m_owner && wParam == static_cast<WPARAM>(CPropTextTooltip::kTipId))
            if (HWND tip = reinterpret_cast<HWND>(lParam); tip && tip == m_owner->TextTipWindow())
            {
                RECT client{};
                ::GetClientRect(tip, &client);
                dkfw::WindowDc dc(tip);
                const int saved = ::SaveDC(dc.Get());
                if (HFONT font = m_owner->ControlFont())
                    ::SelectObject(dc.Get(), font);
                ::SetBkMode(dc.Get(), TRANSPARENT);
                ::SetTextColor(dc.Get(), ::GetSysColor(COLOR_INFOTEXT));
                DrawTipEntry(dc.Get(), client, static_cast<int>(::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0)));
                ::RestoreDC(dc.Get(), saved);
            }
        result = 0;
        return true;
    default:
        return HostMessage(msg, wParam, lParam, result);
    }
}
catch (...)
{
    // Nothing leaves for the host's library: the message goes to the combo itself.
    return false;
}

CPeComboCustom::CPeComboCustom(CDkPeComboBase* owner) noexcept : CPropComboBox(owner), m_customList(this) {}

CPeComboCustom::~CPeComboCustom()
{
    DeleteAllItems();
    // The window goes before the list box that serves it.
    DestroyWindow();
}

bool CPeComboCustom::CreateCombo(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept
{
    m_createRect = rect;
    SetListBox(&m_listBox);
    if (!Create(style, rect, parent, id))
        return false;
    FlattenFrame(Hwnd());
    SetListBox(&m_customList);
    SetMtUiParent(::GetParent(parent));
    return true;
}

int CPeComboCustom::AddItem(COwnerDrawItem* item)
{
    if (!item || !Hwnd())
        return CB_ERR;
    // Straight to the combo's list box, which holds the entries: a list of thousands of
    // records is filled without the combo passing each message on.
    HWND list = m_customList.Hwnd();
    const int index = static_cast<int>(
        list ? ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item->m_text.c_str()))
             : ::SendMessageW(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item->m_text.c_str())));
    if (index < 0)
        return CB_ERR;
    ::SendMessageW(list ? list : Hwnd(), list ? LB_SETITEMDATA : CB_SETITEMDATA, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(item));
    return index;
}

int CPeComboCustom::InsertItem(int index, COwnerDrawItem* item)
{
    if (!item || !Hwnd())
        return CB_ERR;
    const int at = static_cast<int>(::SendMessageW(Hwnd(), CB_INSERTSTRING, static_cast<WPARAM>(index),
                                                   reinterpret_cast<LPARAM>(item->m_text.c_str())));
    if (at < 0)
        return CB_ERR;
    ::SendMessageW(Hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(item));
    return at;
}

int CPeComboCustom::Count() const noexcept
{
    return Hwnd() ? static_cast<int>(::SendMessageW(Hwnd(), CB_GETCOUNT, 0, 0)) : 0;
}

int CPeComboCustom::FindTrailing(BYTE kind) const
{
    const int count = Count();
    // The two stand after every entry of the list's own.
    for (int i = count - 1; i >= 0 && i >= count - 2; --i)
        if (const COwnerDrawItem* item = Item(i); item && item->m_trailing == kind)
            return i;
    return -1;
}

void CPeComboCustom::SetTrailing(BYTE kind, bool wanted, const std::wstring& text,
                                 const std::function<std::unique_ptr<COwnerDrawItem>()>& make)
{
    if (const int at = FindTrailing(kind); at >= 0)
    {
        const COwnerDrawItem* item = Item(at);
        if (wanted && item && ::CompareStringOrdinal(item->m_text.c_str(), -1, text.c_str(), -1, TRUE) == CSTR_EQUAL)
            return;
        ::SendMessageW(Hwnd(), CB_DELETESTRING, static_cast<WPARAM>(at), 0);
    }
    if (!wanted)
        return;
    std::unique_ptr<COwnerDrawItem> item = make();
    if (!item)
        return;
    item->m_text = text;
    item->m_trailing = kind;
    // Inserted rather than added: a sorted list leaves an inserted entry where it is put.
    const int at = kind == kTrailingUnspecified ? FindTrailing(kTrailingVaries) : -1;
    if (InsertItem(at, item.get()) >= 0)
        item.release();
}

COwnerDrawItem* CPeComboCustom::Item(int index) const
{
    const LONG_PTR data = GetItemDataPtr(index);
    return data == CB_ERR || data == 0 ? nullptr : reinterpret_cast<COwnerDrawItem*>(data);
}

void CPeComboCustom::DrawItem(const DRAWITEMSTRUCT& item) noexcept
{
    if (static_cast<int>(item.itemID) < 0)
        return;
    if (COwnerDrawItem* entry = Item(static_cast<int>(item.itemID)))
    {
        RECT r = item.rcItem;
        entry->Draw(item.hDC, &r, item.itemAction, item.itemState, item.itemID);
    }
}

void CPeComboCustom::MeasureItem(MEASUREITEMSTRUCT& item) noexcept
{
    item.itemHeight = static_cast<UINT>(std::max<LONG>(1, m_createRect.bottom - m_createRect.top));
}

void CPeComboCustom::DeleteItem(const DELETEITEMSTRUCT& item) noexcept
{
    delete reinterpret_cast<COwnerDrawItem*>(item.itemData);
}

void CPeComboCustom::DeleteAllItems() noexcept
{
    if (!Hwnd())
        return;
    const int count = static_cast<int>(::SendMessageW(Hwnd(), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        delete Item(i);
        ::SendMessageW(Hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(i), 0);
    }
}

void CPeComboCustom::DrawTipEntry(HDC dc, const RECT& rect, int index)
{
    if (COwnerDrawItem* entry = index >= 0 ? Item(index) : nullptr)
    {
        FillItemBackground(dc, rect, ::GetSysColor(COLOR_INFOBK));
        RECT r = rect;
        entry->Draw(dc, &r, ODA_DRAWENTIRE, 0, kFaceItemId);
        return;
    }
    // An entry without an item of its own: its text, centred as the owner-drawn list's are.
    DrawTipText(dc, rect, index, kTipFormat | DT_CENTER);
}

bool CPeComboCustom::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
{
    if (msg == WM_DESTROY)
        DeleteAllItems();
    return CPropComboBox::OnMessage(msg, wParam, lParam, result);
}

int CComboOwnerDraw::FindByName(const std::wstring& name) const
{
    if (!Hwnd())
        return -1;
    // The list finds a name in any letter case: each entry it finds is compared exactly,
    // from the top, until the search comes round again.
    int from = -1;
    for (;;)
    {
        const int at = static_cast<int>(::SendMessageW(Hwnd(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(from),
                                                       reinterpret_cast<LPARAM>(name.c_str())));
        if (at == CB_ERR || at <= from)
            return -1;
        if (ItemText(at) == name)
            return at;
        from = at;
    }
}

int CComboBmp::AddItem(const std::wstring& text, UINT bitmapId, bool blank)
{
    auto item = std::make_unique<COwnerDrawItemBmp>();
    item->m_blank = blank;
    {
        CTemporaryResourceOverride resources;
        item->m_bitmap.Reset(
            static_cast<HBITMAP>(::LoadImageW(dkfw::ResourceHandle(), MAKEINTRESOURCEW(blank ? kBlankBitmap : bitmapId),
                                              IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    }
    item->m_text = text;
    const int index = CPeComboCustom::AddItem(item.get());
    if (index < 0)
        return -1;
    item.release();
    return index;
}

void CComboBmp::SetOwnerEditor(CDkPeComboBase* editor)
{
    SetOwner(editor);
    m_ownerEditor = editor;
}

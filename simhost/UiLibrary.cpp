// The host's user-interface library: thin windows over the common controls.
#include "dkui.h"
#include "UiLibrary.h"

#include "WindowSubclass.h"

#include <commctrl.h>

#include <vector>

namespace
{
using Subclasses = dkfw::WindowSubclass<CMtUiWnd>;
bool g_themed = true;
// Kept as the entry's position plus one: no property reads as none.
const wchar_t kSelectionBefore[] = L"DkUiSelectionBefore";

void NoteSelection(HWND combo, LRESULT selection)
{
    ::SetPropW(combo, kSelectionBefore, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(selection + 1)));
}

void DrawText(HDC dc, const wchar_t* text, int length, RECT r, UINT format)
{
    ::DrawTextW(dc, text, length, &r, format);
}
} // namespace

CMtUiWnd::~CMtUiWnd()
{
    DestroyWindow();
}

bool CMtUiWnd::Attach(HWND hwnd) noexcept
{
    if (m_hwnd || !Subclasses::Install(hwnd, this, &CMtUiWnd::Proc, m_original))
        return false;
    m_hwnd = hwnd;
    OnAttached();
    return true;
}

HWND CMtUiWnd::Detach() noexcept
{
    HWND hwnd = m_hwnd;
    if (hwnd)
    {
        Subclasses::Uninstall(hwnd, &CMtUiWnd::Proc);
        m_hwnd = nullptr;
    }
    return hwnd;
}

void CMtUiWnd::DestroyWindow() noexcept
{
    if (HWND hwnd = Detach())
    {
        OnWindowGone();
        ::DestroyWindow(hwnd);
    }
}

bool CMtUiWnd::CreateChild(const wchar_t* windowClass, DWORD style, const RECT& rect, HWND parent, UINT id) noexcept
{
    if (m_hwnd)
        return false;
    HWND hwnd = ::CreateWindowExW(0, windowClass, L"", style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!hwnd)
        return false;
    if (!Attach(hwnd))
    {
        ::DestroyWindow(hwnd);
        return false;
    }
    return true;
}

bool CMtUiWnd::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) noexcept
{
    return false;
}

LRESULT CMtUiWnd::Default(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::CallWindowProcW(m_original, m_hwnd, msg, wParam, lParam);
}

void CMtUiWnd::OnAttached() noexcept {}
void CMtUiWnd::OnWindowGone() noexcept {}

LRESULT CALLBACK CMtUiWnd::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    Subclasses::Entry entry{};
    if (!Subclasses::Find(hwnd, entry))
        return Subclasses::ClassDefault(hwnd, msg, wParam, lParam);
    CMtUiWnd* self = entry.self;
    if (msg == WM_NCDESTROY)
    {
        Subclasses::Gone(hwnd, &CMtUiWnd::Proc, entry);
        if (self && self->m_hwnd == hwnd)
        {
            self->m_hwnd = nullptr;
            self->OnWindowGone();
        }
        return ::CallWindowProcW(entry.original, hwnd, msg, wParam, lParam);
    }
    LRESULT result = 0;
    if (self && self->OnMessage(msg, wParam, lParam, result))
        return result;
    return ::CallWindowProcW(entry.original, hwnd, msg, wParam, lParam);
}

bool CMtUiComboBox::Create(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept
{
    return CreateChild(WC_COMBOBOXW, style, rect, parent, id);
}

void CMtUiComboBox::OnAttached() noexcept
{
    AttachList();
}

void CMtUiComboBox::SetListBox(CMtUiListBox* list) noexcept
{
    if (m_list && m_list != list)
        m_list->Detach();
    m_list = list;
    AttachList();
}

void CMtUiComboBox::AttachList() noexcept
{
    COMBOBOXINFO info{sizeof(info)};
    if (m_list && !m_list->Hwnd() && Hwnd() && ::GetComboBoxInfo(Hwnd(), &info) && info.hwndList)
        m_list->Attach(info.hwndList);
}

int CMtUiComboBox::GetLBString(int index, wchar_t* buffer, int capacity) const noexcept
{
    if (!Hwnd())
        return -1;
    const LRESULT length = ::SendMessageW(Hwnd(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return -1;
    if (buffer && capacity > 0)
    {
        std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
        ::SendMessageW(Hwnd(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        lstrcpynW(buffer, text.data(), capacity);
    }
    return static_cast<int>(length);
}

void CMtUiComboBox::DrawItem(const DRAWITEMSTRUCT& item) noexcept
{
    const bool selected = item.itemState & ODS_SELECTED;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (static_cast<int>(item.itemID) < 0)
        return;
    const int length = GetLBString(static_cast<int>(item.itemID), nullptr, 0);
    std::vector<wchar_t> text(static_cast<size_t>(length > 0 ? length : 0) + 1);
    GetLBString(static_cast<int>(item.itemID), text.data(), static_cast<int>(text.size()));
    const int mode = ::SetBkMode(item.hDC, TRANSPARENT);
    const COLORREF color = ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT r = item.rcItem;
    r.left += 2;
    DrawText(item.hDC, text.data(), -1, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SetTextColor(item.hDC, color);
    ::SetBkMode(item.hDC, mode);
    if (item.itemState & ODS_FOCUS)
        ::DrawFocusRect(item.hDC, &item.rcItem);
}

void CMtUiComboBox::MeasureItem(MEASUREITEMSTRUCT& item) noexcept
{
    item.itemHeight = static_cast<UINT>(::GetSystemMetrics(SM_CYMENU));
}

void CMtUiComboBox::DeleteItem(const DELETEITEMSTRUCT&) noexcept {}

int dkhost::SelectionBeforeDrop(HWND combo) noexcept
{
    return static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropW(combo, kSelectionBefore))) - 1;
}

bool CMtUiComboBox::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
{
    // What the list showed before it opened, so that a dialog entry cancelled can put it back.
    const bool closed = !::SendMessageW(Hwnd(), CB_GETDROPPEDSTATE, 0, 0);
    if (closed &&
        (msg == WM_LBUTTONDOWN || msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN || (msg == CB_SHOWDROPDOWN && wParam)))
        NoteSelection(Hwnd(), ::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0));
    if (closed && msg == CB_SETCURSEL)
    {
        result = Default(msg, wParam, lParam);
        NoteSelection(Hwnd(), result);
        return true;
    }
    if (msg != WM_PAINT || !g_themed)
        return false;
    PaintThemedFace();
    result = 0;
    return true;
}

void CMtUiComboBox::PaintThemedFace() noexcept
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(Hwnd(), &ps);
    if (!dc)
        return;
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    const bool enabled = ::IsWindowEnabled(Hwnd());
    ::FillRect(dc, &client, ::GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    const int arrow = ::GetSystemMetrics(SM_CXVSCROLL);
    RECT field = client;
    field.right -= arrow;
    const int index = static_cast<int>(::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0));
    const int length = index < 0 ? -1 : GetLBString(index, nullptr, 0);
    const LONG_PTR style = ::GetWindowLongPtrW(Hwnd(), GWL_STYLE);
    if (index >= 0 && (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)))
    {
        // An owner-drawn entry draws itself in the themed field, told so by its state.
        const bool focused = ::GetFocus() == Hwnd() && !::SendMessageW(Hwnd(), CB_GETDROPPEDSTATE, 0, 0);
        DRAWITEMSTRUCT item{ODT_COMBOBOX};
        item.CtlID = static_cast<UINT>(::GetDlgCtrlID(Hwnd()));
        item.itemID = static_cast<UINT>(index);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = ODS_COMBOBOXEDIT | (focused ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        item.hwndItem = Hwnd();
        item.hDC = dc;
        item.rcItem = field;
        ::InflateRect(&item.rcItem, -1, -1);
        item.itemData = static_cast<ULONG_PTR>(::SendMessageW(Hwnd(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
        const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
        const HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
        ::SetBkColor(dc, ::GetSysColor(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
        ::SetTextColor(dc, ::GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        DrawItem(item);
        if (old)
            ::SelectObject(dc, old);
    }
    else if (length >= 0)
    {
        std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
        GetLBString(index, text.data(), static_cast<int>(text.size()));
        const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
        const HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
        const int mode = ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        field.left += 3;
        DrawText(dc, text.data(), -1, field, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        ::SetBkMode(dc, mode);
        if (old)
            ::SelectObject(dc, old);
    }
    RECT button{client.right - arrow, client.top, client.right, client.bottom};
    ::DrawFrameControl(dc, &button, DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_FLAT | (enabled ? 0 : DFCS_INACTIVE));
    ::EndPaint(Hwnd(), &ps);
}

bool CMtUiOwnerDrawButton::Create(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept
{
    return CreateChild(WC_BUTTONW, style | BS_OWNERDRAW, rect, parent, id);
}

void CMtUiOwnerDrawButton::DrawItem(const DRAWITEMSTRUCT& item) noexcept
{
    ::DrawFrameControl(item.hDC, const_cast<RECT*>(&item.rcItem), DFC_BUTTON,
                       DFCS_BUTTONPUSH | ((item.itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
}

bool dkuiIsThemed() noexcept
{
    return g_themed;
}

void dkuiSetThemed(bool themed) noexcept
{
    g_themed = themed;
}

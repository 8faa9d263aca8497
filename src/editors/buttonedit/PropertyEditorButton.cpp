// The buttons of the button-edit editors.
#include "PropertyEditorButton.h"

#include "DkPeButtonEditBase.h"

#include "ComModule.h"

#include <commctrl.h>
#include <windowsx.h>

CPropertyEditorButton::CPropertyEditorButton(IPicture* picture, IPicture* disabled) noexcept
    : m_background(::GetSysColor(COLOR_BTNFACE)), m_frame(::GetSysColor(COLOR_BTNSHADOW))
{
    SetPictures(picture, disabled);
}

CPropertyEditorButton::~CPropertyEditorButton()
{
    m_tooltip.Reset();
    DestroyNow();
}

bool CPropertyEditorButton::Create(HWND parent, const RECT& rect, UINT id) noexcept
{
    return CMtUiOwnerDrawButton::Create(kStyle, rect, parent, id);
}

void CPropertyEditorButton::OnAttached() noexcept
{
    dkfw::NoteWindowCreated();
}

void CPropertyEditorButton::OnWindowGone() noexcept
{
    dkfw::NoteWindowDestroyed();
}

void CPropertyEditorButton::SetColors(OLE_COLOR background, OLE_COLOR frame) noexcept
{
    // System colours (the palette's usual ones) become the colours they stand for.
    if (FAILED(::OleTranslateColor(background, nullptr, &m_background)))
        m_background = ::GetSysColor(COLOR_BTNFACE);
    if (FAILED(::OleTranslateColor(frame, nullptr, &m_frame)))
        m_frame = ::GetSysColor(COLOR_BTNSHADOW);
}

void CPropertyEditorButton::SetPictures(IPicture* picture, IPicture* disabled) noexcept
{
    m_picture = dkfw::ComPtr<IPicture>(picture);
    m_disabled = dkfw::ComPtr<IPicture>(disabled);
    Measure();
}

// Each picture's size as it reports it; a picture narrower than the button is centred.
void CPropertyEditorButton::Measure() noexcept
{
    auto size = [](IPicture* p)
    {
        OLE_XSIZE_HIMETRIC w = 0;
        OLE_YSIZE_HIMETRIC h = 0;
        if (p)
        {
            p->get_Width(&w);
            p->get_Height(&h);
        }
        return SIZE{w, h};
    };
    m_pictureSize = size(m_picture.Get());
    m_disabledSize = size(m_disabled.Get());
    auto offset = [this](const SIZE& s) {
        return s.cx < m_width ? POINT{(m_width - s.cx) / 2, (m_width - s.cx) / 2} : POINT{0, 0};
    };
    m_pictureOffset = offset(m_pictureSize);
    m_disabledOffset = offset(m_disabledSize);
}

void CPropertyEditorButton::SetSize(int width, int height) noexcept
{
    if (width > 0)
        m_width = width;
    if (height > 0)
        m_height = height;
    Measure();
}

void CPropertyEditorButton::SetTooltip(const std::wstring& text) noexcept
{
    if (!Hwnd() || text.empty())
        return;
    if (!m_tooltip)
    {
        m_tooltip.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                          Hwnd(), nullptr, ::GetModuleHandleW(nullptr), nullptr));
        if (!m_tooltip)
            return;
        ::SendMessageW(m_tooltip.Get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, 32767);
        ::SendMessageW(m_tooltip.Get(), TTM_SETDELAYTIME, TTDT_INITIAL, 200);
        ::SendMessageW(m_tooltip.Get(), TTM_SETDELAYTIME, TTDT_RESHOW, 200);
        ::SendMessageW(m_tooltip.Get(), TTM_ACTIVATE, TRUE, 0);
    }
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = Hwnd();
    info.uId = reinterpret_cast<UINT_PTR>(Hwnd());
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(m_tooltip.Get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    ::SendMessageW(m_tooltip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void CPropertyEditorButton::Enable(bool enabled) noexcept
{
    m_enabled = enabled;
    if (Hwnd())
    {
        ::EnableWindow(Hwnd(), enabled);
        ::InvalidateRect(Hwnd(), nullptr, TRUE);
        ::UpdateWindow(Hwnd());
    }
}

void CPropertyEditorButton::DrawEllipsis(HDC dc, const RECT& r, bool focused) noexcept
{
    dkfw::UniqueHbrush back(::CreateSolidBrush(m_background));
    ::FillRect(dc, &r, back.Get());
    dkfw::UniqueHpen pen(::CreatePen(PS_SOLID, 1, m_frame));
    {
        dkfw::SelectObjectScope selectPen(dc, pen.Get());
        dkfw::SelectObjectScope selectBrush(dc, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
    for (int x : {r.left + 5, r.left + 8, r.left + 11})
    {
        const RECT dot{x, r.top + 8, x + 2, r.top + 10};
        ::FillRect(dc, &dot, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    if (focused)
    {
        RECT f = r;
        ::InflateRect(&f, -m_focusInset, -m_focusInset);
        ::DrawFocusRect(dc, &f);
    }
}

void CPropertyEditorButton::DrawFace(HDC dc, int width, int height, bool pressed, bool focused) noexcept
{
    RECT face{0, 0, width - 1, height - 1};
    dkfw::UniqueHbrush back(::CreateSolidBrush(m_background));
    ::FillRect(dc, &face, back.Get());
    dkfw::UniqueHpen pen(::CreatePen(PS_SOLID, 1, m_frame));
    {
        dkfw::SelectObjectScope selectPen(dc, pen.Get());
        dkfw::SelectObjectScope selectBrush(dc, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(dc, 0, 0, width - 1, height - 1);
    }
    // The picture alone shows always; with both, the state picks; a disabled picture alone
    // shows nothing.
    const bool useDisabled = m_picture && m_disabled && !m_enabled;
    IPicture* picture = useDisabled ? m_disabled.Get() : m_picture.Get();
    const SIZE size = useDisabled ? m_disabledSize : m_pictureSize;
    const POINT offset = useDisabled ? m_disabledOffset : m_pictureOffset;
    if (picture)
    {
        const int shift = pressed ? 1 : 0;
        picture->Render(dc, offset.x + shift, offset.y + shift, m_width - 2 * offset.x, m_height - 2 * offset.y, 0,
                        size.cy - 1, size.cx, -size.cy, nullptr);
    }
    if (focused)
    {
        RECT f{0, 0, width, height};
        ::InflateRect(&f, -m_focusInset, -m_focusInset);
        ::DrawFocusRect(dc, &f);
    }
}

void CPropertyEditorButton::DrawItem(const DRAWITEMSTRUCT& item) noexcept
{
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    if (!m_picture && !m_disabled)
    {
        const RECT r{0, 0, m_width, m_height};
        DrawEllipsis(item.hDC, r, focused);
        return;
    }
    DrawFace(item.hDC, item.rcItem.right - item.rcItem.left, item.rcItem.bottom - item.rcItem.top,
             (item.itemState & ODS_SELECTED) != 0, focused);
}

bool CPropertyEditorButton::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
{
    const dkfw::CallScope call(m_owner ? m_owner->ControlLifetime() : nullptr);
    if (!HandleMessage(msg, wParam, lParam, result))
        result = Default(msg, wParam, lParam);
    return true;
}

bool CPropertyEditorButton::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
{
    switch (msg)
    {
    case WM_LBUTTONDOWN:
        ::SetFocus(Hwnd());
        return false;
    case WM_KEYDOWN:
        if (!m_owner)
            return false;
        if (wParam == VK_TAB)
        {
            m_owner->Fire_OnKeyDown(VK_TAB, lParam);
            result = 0;
            return true;
        }
        if (wParam == VK_RETURN)
        {
            ::PostMessageW(::GetParent(Hwnd()), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(Hwnd()), BN_CLICKED),
                           reinterpret_cast<LPARAM>(Hwnd()));
            result = 0;
            return true;
        }
        if ((::GetKeyState(VK_SHIFT) & 0x8000) && (::GetKeyState(VK_CONTROL) & 0x8000) && wParam >= 'A' &&
            wParam <= 'Z')
            m_owner->Fire_OnKeyDown(wParam, lParam);
        return false;
    case WM_RBUTTONDOWN:
        if (m_owner)
        {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::MapWindowPoints(Hwnd(), ::GetParent(Hwnd()), &pt, 1);
            m_owner->Fire_OnRButtonDown(wParam, MAKELPARAM(pt.x, pt.y));
        }
        result = 0;
        return true;
    default:
        return false;
    }
}

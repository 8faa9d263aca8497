// The dialog-launch row.
#include "DkPeDlgLaunchCtrl.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"

#include "ComModule.h"
#include "Drawing.h"
#include "Unique.h"

#include <olectl.h>

CDkPeDlgLaunchCtrl::CDkPeDlgLaunchCtrl()
{
    CTemporaryResourceOverride resources;
    HICON icon = static_cast<HICON>(::LoadImageW(dkfw::ResourceHandle(), MAKEINTRESOURCEW(IDI_DIALOG_LAUNCH),
                                                 IMAGE_ICON, kIconWidth, kIconHeight, LR_DEFAULTCOLOR));
    if (!icon)
        return;
    PICTDESC desc{sizeof(desc), PICTYPE_ICON};
    desc.icon.hicon = icon;
    // The picture owns the icon from here on.
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, m_picture.PutVoid())))
    {
        ::DestroyIcon(icon);
    }
}

CDkPeDlgLaunchCtrl::~CDkPeDlgLaunchCtrl() = default;

long CDkPeDlgLaunchCtrl::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    const long hr = CDkPeCtrlBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly);
    if (FAILED(hr))
        return hr;
    return Handle_Refresh();
}

long CDkPeDlgLaunchCtrl::Handle_Refresh()
{
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    const long hr = GetPropertyValue(value.Put(), type);
    if (FAILED(hr))
        return hr;
    // A value that is no text leaves the row as it was.
    CString text;
    if (!ShownText(value.Get(), type, text))
        return E_FAIL;
    m_text = text;
    if (HWND hwnd = ControlHwnd())
        ::InvalidateRect(hwnd, nullptr, TRUE);
    return S_OK;
}

long CDkPeDlgLaunchCtrl::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    HDC dc = info.hdcDraw;
    const RECT bounds{info.prcBounds->left, info.prcBounds->top, info.prcBounds->right, info.prcBounds->bottom};
    const int saved = ::SaveDC(dc);
    BOOL handled = FALSE;
    Handle_OnCtlColor(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0, handled);
    dkfw::SelectObjectScope font(dc, ControlFont());
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &bounds, nullptr, 0, nullptr);
    if (m_picture)
    {
        OLE_XSIZE_HIMETRIC w = 0;
        OLE_YSIZE_HIMETRIC h = 0;
        m_picture->get_Width(&w);
        m_picture->get_Height(&h);
        const int top = bounds.top + IconTop(bounds.bottom - bounds.top);
        m_picture->Render(dc, bounds.left + kIconLeft, top, kIconWidth, kIconHeight, 0, h, w, -h, nullptr);
    }
    RECT text = bounds;
    text.left += kTextLeft;
    ::DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &text,
                DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    ::RestoreDC(dc, saved);
    return S_OK;
}

long CDkPeDlgLaunchCtrl::GetTextTipWidth(int& width)
{
    // The text starts after the icon: the tip is wanted once text and icon outgrow the row.
    const long hr = GetStringWidth(m_text, &width);
    if (SUCCEEDED(hr))
        width += kTextLeft;
    return hr;
}

void CDkPeDlgLaunchCtrl::Launch()
{
    if (IsPropertyReadOnly())
        return;
    CString text = m_text;
    const CString before = text;
    LaunchOPMPropertyDialog(text);
    if (text != before)
    {
        m_text = text;
        if (HWND hwnd = ControlHwnd())
            ::InvalidateRect(hwnd, nullptr, TRUE);
    }
}

LRESULT CDkPeDlgLaunchCtrl::Handle_OnLButtonDown(UINT, WPARAM, LPARAM, BOOL& handled)
{
    if (HWND hwnd = ControlHwnd())
        ::PostMessageW(hwnd, kLaunchMessage, 0, 0);
    handled = FALSE;
    return 0;
}

LRESULT CDkPeDlgLaunchCtrl::OnDeferredLaunch(UINT, WPARAM, LPARAM, BOOL& handled)
{
    Launch();
    handled = TRUE;
    return 0;
}

LRESULT CDkPeDlgLaunchCtrl::Handle_OnLButtonDblClk(UINT, WPARAM, LPARAM, BOOL& handled)
{
    Launch();
    handled = FALSE;
    return 0;
}

LRESULT CDkPeDlgLaunchCtrl::Handle_OnKeyDown(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    handled = TRUE;
    if (wParam == VK_RIGHT || wParam == VK_SPACE)
    {
        Launch();
        return 0;
    }
    return CDkPeCtrlBase::Fire_OnKeyDown(wParam, lParam);
}

bool CDkPeDlgLaunchCtrl::RouteFamilyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
try
{
    if (msg != kLaunchMessage || !Editor())
        return false;
    BOOL handled = TRUE;
    result = OnDeferredLaunch(msg, wParam, lParam, handled);
    return handled != FALSE;
}
catch (...)
{
    return false;
}

// CDkPeDlgLaunchCtrl: a row drawn as a small icon and the property's text; a click, a double
// click, the right arrow or the space bar opens the property's dialog.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeBaseTempl.h"

#include "ComPtr.h"

#include <ocidl.h>

class CDkPeDlgLaunchCtrl : public CDkPeBaseTempl<CDkPeDlgLaunchCtrl, CDkPeCtrlBase>
{
public:
    using ClassInterfaces = dkpex::Interfaces<>;
    // Posted by a click so that the click is over before the dialog starts.
    static constexpr UINT kLaunchMessage = WM_USER + 1;
    static constexpr int kIconLeft = 2;
    static constexpr int kIconWidth = 16;
    static constexpr int kIconHeight = 12;
    static constexpr int kTextLeft = 20;

    CDkPeDlgLaunchCtrl();
    ~CDkPeDlgLaunchCtrl() override;
    static const CLSID& ClassId() noexcept { return CLSID_DkPeDlgLaunchCtrl; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long Handle_Refresh() override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long GetTextTipWidth(int& width) override;
    LRESULT Handle_OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnLButtonDblClk(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    virtual LRESULT OnDeferredLaunch(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);

    const CString& DisplayText() const noexcept { return m_text; }
    // Where the icon goes in a row of that height.
    static int IconTop(int rowHeight) noexcept { return rowHeight > kIconHeight ? (rowHeight - kIconHeight) / 2 : 0; }

protected:
    bool RouteFamilyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;

private:
    // The property's dialog, unless the row is read-only.
    void Launch();

    CString m_text;
    dkfw::ComPtr<IPicture> m_picture;
};

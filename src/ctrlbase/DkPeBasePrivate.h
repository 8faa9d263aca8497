// The two abstract interfaces through which an editor reaches its glue: window services
// and event firing.
#pragma once

#include "Lifetime.h"

#include <windows.h>

#include <ole2.h>

// Window services of the glue. It is also the control's lifetime: an editor's call that can
// re-enter the palette (which may drop the row meanwhile) runs in a dkfw::CallScope on it, so
// that the control and its editor part stay whole until the call is done.
class CDkPeBasePrivate : public dkfw::Lifetime
{
public:
    // The control's window, or null before it is created.
    virtual HWND GetControlWindow() = 0;
    // The in-place site, with a reference; S_FALSE and null when the control has none.
    virtual HRESULT GetInPlaceSite(IOleInPlaceSite** site) = 0;
    // Handle_DoVerbHide, then the window is hidden.
    virtual HRESULT HideControl(LPCRECT pos, HWND parent) = 0;
    // The window is shown, then Handle_DoVerbShow.
    virtual HRESULT ShowControl(LPCRECT pos, HWND parent) = 0;
    // Takes the client rectangle, then Handle_DoVerbUIActivate unless UI activation is suppressed.
    virtual HRESULT UIActivateControl(LPCRECT pos, HWND parent) = 0;

protected:
    ~CDkPeBasePrivate() = default;
};

// Event firing of the glue: each a call of the events proxy.
class CIPropEditUIEvents
{
public:
    virtual HRESULT FireKeyDown(WPARAM wParam, LPARAM lParam) = 0;
    virtual HRESULT FireKeyUp(WPARAM wParam, LPARAM lParam) = 0;
    // point: packed low word x, high word y, in the palette window's client coordinates.
    virtual HRESULT FireRButtonDown(WPARAM wParam, LPARAM point) = 0;
    virtual HRESULT FireMButtonDown(WPARAM wParam, LPARAM point) = 0;
    virtual HRESULT FireBeginPropertyUpdate() = 0;
    virtual HRESULT FireEndPropertyUpdate() = 0;
    virtual HRESULT FireClick() = 0;
    virtual HRESULT FireOperationStart(long code) = 0;
    virtual HRESULT FireOperationEnd(long code) = 0;

protected:
    ~CIPropEditUIEvents() = default;
};

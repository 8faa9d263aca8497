// The events proxies: each Fire_ call reaches every sink connected to the control's point.
#pragma once

#include "DkPiHost.h"

#include "ComPtr.h"
#include "ConnectionPoint.h"

#include <ocidl.h>

// Events to the palette. Sinks connect for IDkPiPropertyEditEventsSink2 and are called
// through it.
template <class T> class CProxyIDkPiPropertyEditEventsSink
{
public:
    HRESULT Fire_OnClick()
    {
        return Each([](auto* s) { return s->OnClick(); });
    }
    HRESULT Fire_OnDblClick()
    {
        return Each([](auto* s) { return s->OnDblClick(); });
    }
    HRESULT Fire_OnKeyDown(LONG_PTR pnChar, LONG_PTR keyData)
    {
        return Each([&](auto* s) { return s->OnKeyDown(pnChar, keyData); });
    }
    HRESULT Fire_OnKeyUp(LONG_PTR pnChar, LONG_PTR keyData)
    {
        return Each([&](auto* s) { return s->OnKeyUp(pnChar, keyData); });
    }
    HRESULT Fire_OnRButtonDown(UINT_PTR wParam, LONG_PTR lParam)
    {
        return Each([&](auto* s) { return s->OnRButtonDown(wParam, lParam); });
    }
    HRESULT Fire_OnMButtonDown(UINT_PTR wParam, LONG_PTR lParam)
    {
        return Each([&](auto* s) { return s->OnMButtonDown(wParam, lParam); });
    }
    HRESULT Fire_OnBeginPropertyUpdate()
    {
        return Each([](auto* s) { return s->OnBeginPropertyUpdate(); });
    }
    HRESULT Fire_OnEndPropertyUpdate()
    {
        return Each([](auto* s) { return s->OnEndPropertyUpdate(); });
    }
    HRESULT Fire_OnOperationStart(LONG code)
    {
        return Each([&](auto* s) { return s->OnOperationStart(code); });
    }
    HRESULT Fire_OnOperationEnd(LONG code)
    {
        return Each([&](auto* s) { return s->OnOperationEnd(code); });
    }

private:
    // The result of the last sink called, S_OK with none.
    template <class F> HRESULT Each(F call)
    {
        dkfw::ConnectionPoint* point = static_cast<T*>(this)->FindPoint(IID_IDkPiPropertyEditEventsSink2);
        if (!point)
            return S_OK;
        HRESULT hr = S_OK;
        for (auto& sink : point->Sinks())
            if (auto events = sink.template Query<IDkPiPropertyEditEventsSink2>())
                hr = call(events.Get());
        return hr;
    }
};

// Property change notifications.
template <class T> class CProxyIPropertyNotifySink
{
public:
    HRESULT Fire_OnChanged(DISPID dispid)
    {
        return Each([&](IPropertyNotifySink* s) { return s->OnChanged(dispid); });
    }
    HRESULT Fire_OnRequestEdit(DISPID dispid)
    {
        return Each([&](IPropertyNotifySink* s) { return s->OnRequestEdit(dispid); });
    }

private:
    template <class F> HRESULT Each(F call)
    {
        dkfw::ConnectionPoint* point = static_cast<T*>(this)->FindPoint(IID_IPropertyNotifySink);
        if (!point)
            return S_OK;
        HRESULT hr = S_OK;
        for (auto& sink : point->Sinks())
            if (auto notify = sink.template Query<IPropertyNotifySink>())
                hr = call(notify.Get());
        return hr;
    }
};

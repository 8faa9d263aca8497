// CDkPeBaseTempl<T, Base, GlueBases...>: the glue of one editor class T. It is the COM
// control (contract interfaces, OLE control, events, and the interfaces a kind of glue adds as
// GlueBases) and the control window's message map, and forwards each call to the editor part:
// the family base Base, on CDkPeCtrlBase, made after every base of the glue so that the
// pointers it is handed point at made objects.
#pragma once

#include "DkPeCtrlBase.h"
#include "DkPeEditorPart.h"
#include "DkPeEventProxies.h"
#include "DkPeGlue.h"

#include "DkPEXCtl.h"
#include "DkPiHost.h"

#include "ComObject.h"
#include "Dispatch.h"
#include "HResult.h"
#include "OleControl.h"
#include "Unique.h"

#include <olectl.h>

#include <type_traits>
#include <utility>

template <class T, class Base, class... GlueBases>
class CDkPeBaseTempl : public CDkPeBasePrivate,
                       public IDkPiPropertyEditControl2,
                       public dkfw::OleControl,
                       public CProxyIDkPiPropertyEditEventsSink<CDkPeBaseTempl<T, Base, GlueBases...>>,
                       public CProxyIPropertyNotifySink<CDkPeBaseTempl<T, Base, GlueBases...>>,
                       public CIPropEditUIEvents,
                       public IDkPeEditorPart,
                       public dkfw::ComRoot,
                       public GlueBases...,
                       public Base
{
    using EventsProxy = CProxyIDkPiPropertyEditEventsSink<CDkPeBaseTempl<T, Base, GlueBases...>>;
    static_assert(std::is_base_of_v<CDkPeCtrlBase, Base>, "the family base is an editor part");

public:
    // A class's configuration interfaces besides its family's (which each kind of glue answers
    // in QueryGlueInterfaces, so that no class's list can hide them).
    using ClassInterfaces = dkpex::Interfaces<>;

    HRESULT InternalQueryInterface(REFIID riid, void** ppv) noexcept
    {
        return dkfw::QueryTable<CDkPeBaseTempl,
                                dkfw::Chain<IDkPiPropertyEditControl2, IDkPiPropertyEditControl, IDispatch>, IOleObject,
                                dkfw::Chain<IOleInPlaceObjectWindowless, IOleInPlaceObject, IOleWindow>,
                                IOleInPlaceActiveObject, dkfw::Chain<IViewObjectEx, IViewObject2, IViewObject>,
                                IOleControl, IQuickActivate, IConnectionPointContainer>(this, riid, ppv);
    }

    // IDispatch over DKPEXCTLLib's description of the control interface.
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !count);
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept override
    {
        return dkfw::DispatchGetTypeInfo(IID_IDkPiPropertyEditControl, index, out);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept override
    {
        return dkfw::DispatchGetIDsOfNames(IID_IDkPiPropertyEditControl, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                        UINT* argErr) noexcept override
    {
        return dkfw::DispatchInvoke(IID_IDkPiPropertyEditControl, static_cast<IDkPiPropertyEditControl*>(this), id,
                                    flags, params, result, excep, argErr);
    }

    // IDkPeEditorPart
    STDMETHODIMP GetEditorPart(CDkPeCtrlBase** part) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !part);
        *part = Editor();
        return *part ? S_OK : E_UNEXPECTED;
    }

    // IDkPiPropertyEditControl
    STDMETHODIMP InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, BOOL readOnly) noexcept override
    try
    {
        const dkfw::CallScope call(OwnerLifetime());
        CDkPeCtrlBase* editor = Editor();
        RETURN_HR_IF(E_UNEXPECTED, !editor);
        ApplyAmbient(DISPID_UNKNOWN);
        return editor->Handle_InitEditControl(objs, dynProps, dispids, static_cast<short>(readOnly));
    }
    DK_CATCH_RETURN()

    STDMETHODIMP Refresh(ULONG) noexcept override
    try
    {
        const dkfw::CallScope call(OwnerLifetime());
        CDkPeCtrlBase* editor = Editor();
        RETURN_HR_IF(E_UNEXPECTED, !editor);
        editor->Handle_Refresh();
        if (ControlWindow())
            ::InvalidateRect(ControlWindow(), nullptr, TRUE);
        return S_OK;
    }
    DK_CATCH_RETURN()

    STDMETHODIMP get_KeepFocus(BOOL* pVal) noexcept override
    try
    {
        CDkPeCtrlBase* editor = Editor();
        RETURN_HR_IF(E_UNEXPECTED, !editor);
        RETURN_HR_IF(E_POINTER, !pVal);
        short keep = 0;
        const HRESULT hr = editor->Handle_get_KeepFocus(&keep);
        *pVal = keep;
        return hr;
    }
    DK_CATCH_RETURN()

    STDMETHODIMP put_BackColor(OLE_COLOR c) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_put_BackColor, c);
    }
    STDMETHODIMP get_BackColor(OLE_COLOR* c) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_get_BackColor, c);
    }
    STDMETHODIMP put_ForeColor(OLE_COLOR c) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_put_ForeColor, c);
    }
    STDMETHODIMP get_ForeColor(OLE_COLOR* c) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_get_ForeColor, c);
    }
    STDMETHODIMP put_ReadOnlyBackColor(OLE_COLOR c) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_put_ReadOnlyBackColor, c);
    }
    STDMETHODIMP get_ReadOnlyBackColor(OLE_COLOR* c) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_get_ReadOnlyBackColor, c);
    }
    STDMETHODIMP put_ReadOnlyForeColor(OLE_COLOR c) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_put_ReadOnlyForeColor, c);
    }
    STDMETHODIMP get_ReadOnlyForeColor(OLE_COLOR* c) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_get_ReadOnlyForeColor, c);
    }
    STDMETHODIMP put_Font(IUnknown* font) noexcept override { return Forward(&CDkPeCtrlBase::Handle_put_Font, font); }
    STDMETHODIMP get_Font(IUnknown** font) noexcept override { return Forward(&CDkPeCtrlBase::Handle_get_Font, font); }

    // IDkPiPropertyEditControl2
    STDMETHODIMP GetPropertyIdentifier(IDkPiPropertyIdentifier** out) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_GetPropertyIdentifier, out);
    }
    STDMETHODIMP PutPropertyIdentifier(IDkPiPropertyIdentifier* in) noexcept override
    {
        return Forward(&CDkPeCtrlBase::Handle_PutPropertyIdentifier, in);
    }
    STDMETHODIMP SetValue(VARIANT* value, ValueType how) noexcept override
    try
    {
        const dkfw::CallScope call(OwnerLifetime());
        CDkPeCtrlBase* editor = Editor();
        RETURN_HR_IF(E_UNEXPECTED, !editor);
        return editor->SetPropertyValue(value, how);
    }
    DK_CATCH_RETURN()

    STDMETHODIMP InvokeCommand(LPCWSTR name, int flags) noexcept override
    try
    {
        const dkfw::CallScope call(OwnerLifetime());
        CDkPeCtrlBase* editor = Editor();
        RETURN_HR_IF(E_UNEXPECTED, !editor);
        if ((flags & dkpex::kCommandLaunchDialog) && (flags & dkpex::kCommandButtonAction))
            return ButtonAction();
        if (flags & dkpex::kCommandLaunchDialog)
        {
            CString text = name ? name : L"";
            return editor->LaunchOPMPropertyDialog(text);
        }
        return E_UNEXPECTED;
    }
    DK_CATCH_RETURN()

    // CDkPeBasePrivate
    HWND GetControlWindow() override { return ControlWindow(); }
    HRESULT GetInPlaceSite(IOleInPlaceSite** site) override
    {
        if (!site)
            return E_POINTER;
        *site = InPlaceSite();
        if (!*site)
            return S_FALSE;
        (*site)->AddRef();
        return S_OK;
    }
    HRESULT HideControl(LPCRECT pos, HWND parent) override { return DoVerbHide(pos, parent); }
    HRESULT ShowControl(LPCRECT pos, HWND parent) override { return DoVerbShow(pos, parent); }
    HRESULT UIActivateControl(LPCRECT pos, HWND parent) override { return DoVerbUIActivate(pos, parent); }

    // CIPropEditUIEvents: a sink may run the palette's code, which may drop the row.
    HRESULT FireKeyDown(WPARAM w, LPARAM l) override { return Fire(&EventsProxy::Fire_OnKeyDown, w, l); }
    HRESULT FireKeyUp(WPARAM w, LPARAM l) override { return Fire(&EventsProxy::Fire_OnKeyUp, w, l); }
    HRESULT FireRButtonDown(WPARAM w, LPARAM pt) override { return Fire(&EventsProxy::Fire_OnRButtonDown, w, pt); }
    HRESULT FireMButtonDown(WPARAM w, LPARAM pt) override { return Fire(&EventsProxy::Fire_OnMButtonDown, w, pt); }
    HRESULT FireBeginPropertyUpdate() override { return Fire(&EventsProxy::Fire_OnBeginPropertyUpdate); }
    HRESULT FireEndPropertyUpdate() override { return Fire(&EventsProxy::Fire_OnEndPropertyUpdate); }
    HRESULT FireClick() override { return Fire(&EventsProxy::Fire_OnClick); }
    HRESULT FireOperationStart(long code) override { return Fire(&EventsProxy::Fire_OnOperationStart, code); }
    HRESULT FireOperationEnd(long code) override { return Fire(&EventsProxy::Fire_OnOperationEnd, code); }

    // dkfw::Lifetime: a call holds a reference; the editor part the container closed while
    // calls ran is torn down when the last of them is done, then the reference goes.
    void EnterCall() noexcept override
    {
        if (m_final)
            return;
        ++m_calls;
        static_cast<IOleObject*>(this)->AddRef();
    }
    void LeaveCall() noexcept override
    {
        if (m_final)
            return;
        if (--m_calls == 0)
        {
            if (m_teardownPending)
            {
                m_teardownPending = false;
                TearDownEditor();
            }
            else if (CDkPeCtrlBase* editor = Editor())
                editor->DropRetiredWindows();
        }
        static_cast<IOleObject*>(this)->Release();
    }

    // The editor part, or null once it is torn down.
    CDkPeCtrlBase* Editor() noexcept { return m_editorGone ? nullptr : static_cast<Base*>(this); }

protected:
    // The glue's own bases are made before the family base, which is handed the two
    // interfaces it reaches the glue through (and the family's own arguments).
    template <class... Args>
    explicit CDkPeBaseTempl(Args&&... args)
        : Base(static_cast<CIPropEditUIEvents*>(this), static_cast<CDkPeBasePrivate*>(this),
               std::forward<Args>(args)...)
    {
        AddConnectionPoint(IID_IDkPiPropertyEditEventsSink2);
        AddConnectionPoint(IID_IPropertyNotifySink);
    }

    // The family's button action (the button-edit glue overrides it).
    virtual HRESULT ButtonAction() noexcept { return E_UNEXPECTED; }
    // Routes a family puts in front of the base map.
    virtual bool RouteFamilyMessage(UINT, WPARAM, LPARAM, LRESULT&) noexcept { return false; }

    // While set, UI activation does not reach the editor.
    bool m_bSuppressUIActivate = false;

    HRESULT QueryExtra(REFIID riid, void** ppv) noexcept override
    {
        if (riid == IID_IDkPeEditorPart)
        {
            *ppv = static_cast<IDkPeEditorPart*>(this);
            static_cast<IUnknown*>(*ppv)->AddRef();
            return S_OK;
        }
        if (SUCCEEDED(QueryGlueInterfaces(riid, ppv)))
            return S_OK;
        return QueryFamily(riid, ppv, typename T::ClassInterfaces{});
    }

    void FinalRelease() noexcept override
    {
        // From here on the control is going: no call holds it any more.
        m_final = true;
        // The window's messages reach the editor, so the window goes first.
        InPlaceDeactivate();
        DestroyWindowNow();
        TearDownEditor();
    }

    // dkfw::OleControl
    const CLSID& ControlClsid() const noexcept override { return T::ClassId(); }

    HRESULT OnDraw(ATL_DRAWINFO& info) noexcept override
    try
    {
        CDkPeCtrlBase* editor = Editor();
        return editor ? editor->Handle_OnDraw(info) : S_OK;
    }
    DK_CATCH_RETURN()

    HRESULT DoVerbShow(LPCRECT pos, HWND parent) noexcept override
    try
    {
        if (ControlWindow())
            ::ShowWindow(ControlWindow(), SW_SHOW);
        CDkPeCtrlBase* editor = Editor();
        return editor ? editor->Handle_DoVerbShow(pos, parent) : S_OK;
    }
    DK_CATCH_RETURN()

    HRESULT DoVerbHide(LPCRECT pos, HWND parent) noexcept override
    try
    {
        if (CDkPeCtrlBase* editor = Editor())
            editor->Handle_DoVerbHide(pos, parent);
        if (ControlWindow())
            ::ShowWindow(ControlWindow(), SW_HIDE);
        return S_OK;
    }
    DK_CATCH_RETURN()

    HRESULT DoVerbUIActivate(LPCRECT, HWND parent) noexcept override
    try
    {
        RECT client{};
        if (ControlWindow())
            ::GetClientRect(ControlWindow(), &client);
        CDkPeCtrlBase* editor = Editor();
        if (m_bSuppressUIActivate || !editor)
            return S_OK;
        return editor->Handle_DoVerbUIActivate(&client, parent);
    }
    DK_CATCH_RETURN()

    HRESULT OnObjectRectsSet(LPCRECT rect, LPCRECT clip) noexcept override
    try
    {
        CDkPeCtrlBase* editor = Editor();
        return editor ? editor->Handle_SetObjectRects(rect, clip) : S_OK;
    }
    DK_CATCH_RETURN()

    void OnBeforeUIDeactivate() noexcept override
    try
    {
        HWND hwnd = ControlWindow();
        if (!hwnd || !::GetParent(hwnd))
            return;
        if (CDkPeCtrlBase* editor = Editor())
            editor->Handle_UIDeactivate();
        ::InvalidateRect(hwnd, nullptr, TRUE);
    }
    catch (...)
    {
    }

    void OnAmbientChanged(DISPID dispid) noexcept override { ApplyAmbient(dispid); }

    void OnClosed() noexcept override
    {
        // An editor call still running (its write waiting on a message box, say) keeps its
        // part whole until it is done.
        if (m_calls > 0)
            m_teardownPending = true;
        else
            TearDownEditor();
    }

    // Every message of the control's window runs in the control's life.
    dkfw::Lifetime* OwnerLifetime() noexcept override { return static_cast<CDkPeBasePrivate*>(this); }

    bool RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override
    try
    {
        if (dkpex::IsReflectedControlMessage(msg))
        {
            result = ::DefWindowProcW(ControlWindow(), msg - OCM__BASE, wParam, lParam);
            return true;
        }
        if (RouteFamilyMessage(msg, wParam, lParam, result))
            return true;
        return RouteBaseMessage(msg, wParam, lParam, result);
    }
    catch (...)
    {
        return false;
    }

private:
    template <class Method, class... Args> HRESULT Fire(Method method, Args... args) noexcept
    {
        const dkfw::CallScope call(OwnerLifetime());
        return (this->*method)(args...);
    }

    template <class Handler, class Arg> HRESULT Forward(Handler handler, Arg arg) noexcept
    try
    {
        const dkfw::CallScope call(OwnerLifetime());
        CDkPeCtrlBase* editor = Editor();
        RETURN_HR_IF(E_UNEXPECTED, !editor);
        return (editor->*handler)(arg);
    }
    DK_CATCH_RETURN()

protected:
    // The family's configuration interfaces: each kind of glue answers its own and asks the
    // glue it is built on.
    virtual HRESULT QueryGlueInterfaces(REFIID, void**) noexcept { return E_NOINTERFACE; }
    template <class... I> HRESULT QueryFamily(REFIID riid, void** ppv, dkpex::Interfaces<I...>) noexcept
    {
        [[maybe_unused]] T* self = static_cast<T*>(this);
        (void)(((riid == __uuidof(I) ? (*ppv = static_cast<I*>(self), true) : false) || ...));
        if (!*ppv)
            return E_NOINTERFACE;
        static_cast<IUnknown*>(*ppv)->AddRef();
        return S_OK;
    }

private:
    void TearDownEditor() noexcept
    try
    {
        if (m_editorGone)
            return;
        // The class's own cleanup first (a running pick, a highlight, linked rows), then its
        // family's.
        static_cast<CDkPeCtrlBase*>(static_cast<T*>(this))->Cleanup();
        m_editorGone = true;
    }
    catch (...)
    {
        // The editor part keeps what it had; nothing leaves for the container.
    }

    // Ambient properties into the control's own: at window creation all four, later the
    // font and the two colours on their change (or on DISPID_UNKNOWN, all of them).
    void ApplyAmbient(DISPID dispid) noexcept
    try
    {
        CDkPeCtrlBase* editor = Editor();
        if (!editor)
            return;
        const bool all = dispid == DISPID_UNKNOWN;
        dkfw::UniqueVariant v;
        if ((all || dispid == DISPID_FONT || dispid == DISPID_AMBIENT_FONT) &&
            SUCCEEDED(GetAmbientProperty(DISPID_AMBIENT_FONT, v.Put())) &&
            (v.Type() == VT_DISPATCH || v.Type() == VT_UNKNOWN) && v.Get().punkVal)
            editor->Handle_put_Font(v.Get().punkVal);
        if ((all || dispid == DISPID_FORECOLOR || dispid == DISPID_AMBIENT_FORECOLOR) &&
            SUCCEEDED(GetAmbientColor(DISPID_AMBIENT_FORECOLOR, v)))
            editor->Handle_put_ForeColor(v.Get().lVal);
        if ((all || dispid == DISPID_BACKCOLOR || dispid == DISPID_AMBIENT_BACKCOLOR) &&
            SUCCEEDED(GetAmbientColor(DISPID_AMBIENT_BACKCOLOR, v)))
            editor->Handle_put_BackColor(v.Get().lVal);
    }
    catch (...)
    {
        // The editor part keeps what it had; nothing leaves for the container.
    }

    void ApplyCreationAmbient() noexcept
    try
    {
        CDkPeCtrlBase* editor = Editor();
        if (!editor)
            return;
        dkfw::UniqueVariant v;
        if (SUCCEEDED(GetAmbientColor(DISPID_AMBIENT_BACKCOLOR, v)))
            editor->Handle_put_BackColor(v.Get().lVal);
        if (SUCCEEDED(GetAmbientColor(dkpex::kAmbientReadOnlyBackColor, v)))
            editor->Handle_put_ReadOnlyBackColor(v.Get().lVal);
        if (SUCCEEDED(GetAmbientColor(dkpex::kAmbientReadOnlyForeColor, v)))
            editor->Handle_put_ReadOnlyForeColor(v.Get().lVal);
        if (SUCCEEDED(GetAmbientProperty(DISPID_AMBIENT_FONT, v.Put())) &&
            (v.Type() == VT_DISPATCH || v.Type() == VT_UNKNOWN) && v.Get().punkVal)
            editor->Handle_put_Font(v.Get().punkVal);
    }
    catch (...)
    {
        // The editor part keeps what it had; nothing leaves for the container.
    }

    HRESULT GetAmbientColor(DISPID dispid, dkfw::UniqueVariant& v) noexcept
    {
        RETURN_IF_FAILED(GetAmbientProperty(dispid, v.Put()));
        return ::VariantChangeType(v.Addr(), v.Addr(), 0, VT_I4);
    }

    bool RouteBaseMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
    {
        CDkPeCtrlBase* editor = Editor();
        BOOL handled = TRUE;
        switch (msg)
        {
        case WM_CREATE:
            ApplyCreationAmbient();
            result = editor ? editor->Handle_OnCreate(msg, wParam, lParam, handled) : 0;
            return true;
        case WM_LBUTTONDOWN:
            if (editor && (result = editor->Handle_OnLButtonDown(msg, wParam, lParam, handled), handled))
                return true;
            EventsProxy::Fire_OnClick();
            return false;
        case WM_LBUTTONDBLCLK:
            if (editor && (result = editor->Handle_OnLButtonDblClk(msg, wParam, lParam, handled), handled))
                return true;
            EventsProxy::Fire_OnDblClick();
            return false;
        case WM_RBUTTONDOWN:
            if (!editor)
                return false;
            if (result = editor->Handle_OnRButtonDown(msg, wParam, lParam, handled), handled)
                return true;
            editor->Fire_OnRButtonDown(wParam, lParam);
            return false;
        case WM_MBUTTONDOWN:
            if (!editor)
                return false;
            if (result = editor->Handle_OnMButtonDown(msg, wParam, lParam, handled), handled)
                return true;
            editor->Fire_OnMButtonDown(wParam, lParam);
            return false;
        case WM_KEYDOWN:
            if (!editor)
                return false;
            editor->Handle_OnKeyDown(msg, wParam, lParam, handled);
            result = 0;
            return true;
        case WM_KEYUP:
            // The palette hears the release of every key it heard pressed in the row.
            if (!editor)
                return false;
            editor->Fire_OnKeyUp(wParam, lParam);
            result = 0;
            return true;
        case WM_MOUSEACTIVATE:
            if (HIWORD(lParam) != WM_MBUTTONDOWN)
                return false;
            result = 0;
            return true;
        case dkpex::kWmCtlColor:
            if (!editor)
                return false;
            result = reinterpret_cast<LRESULT>(editor->Handle_OnCtlColor(msg, wParam, lParam, handled));
            return true;
        case WM_MOUSEMOVE:
            return editor && (result = editor->Handle_OnMouseMove(msg, wParam, lParam, handled), handled);
        case WM_MOUSELEAVE:
            return editor && (result = editor->Handle_OnMouseLeave(msg, wParam, lParam, handled), handled);
        case CPropTextTooltip::kDrawMessage:
            return editor && (result = editor->Handle_OnDrawTooltip(msg, wParam, lParam, handled), handled);
        case WM_GETDLGCODE:
            result = DLGC_WANTALLKEYS;
            return true;
        case WM_ERASEBKGND:
            if (!editor)
            {
                result = 1;
                return true;
            }
            result = editor->Handle_OnEraseBackground(msg, wParam, lParam, handled);
            return handled;
        default:
            return false;
        }
    }

    bool m_editorGone = false;
    // Calls running in the control, a teardown waiting for them, the control going.
    int m_calls = 0;
    bool m_teardownPending = false;
    bool m_final = false;
};

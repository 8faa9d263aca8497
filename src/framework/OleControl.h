// The in-place OLE control: IOleObject, IOleInPlaceObjectWindowless,
// IOleInPlaceActiveObject, IViewObjectEx, IOleControl, IQuickActivate and
// IConnectionPointContainer over one child window. Its IUnknown is the final class's.
#pragma once

#include "ComPtr.h"
#include "ConnectionPoint.h"
#include "Window.h"

#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

#include <memory>
#include <vector>

// What a control is asked to draw: the device context and bounds, as the framework hands
// them to the control's drawing code (from WM_PAINT or IViewObject::Draw).
struct ATL_DRAWINFO
{
    UINT cbSize;
    DWORD dwDrawAspect;
    LONG lindex;
    DVTARGETDEVICE* ptd;
    HDC hicTargetDev;
    HDC hdcDraw;
    LPCRECTL prcBounds;
    LPCRECTL prcWBounds;
    BOOL bOptimize;
    BOOL bZoomed;
    BOOL bRectInHimetric;
    SIZEL ZoomNum;
    SIZEL ZoomDen;
};

namespace dkfw
{
class OleControl : public IOleObject,
                   public IOleInPlaceObjectWindowless,
                   public IOleInPlaceActiveObject,
                   public IViewObjectEx,
                   public IOleControl,
                   public IQuickActivate,
                   public IConnectionPointContainer,
                   protected WindowBase
{
public:
    // The styles of every control window: WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN.
    static constexpr DWORD kWindowStyle = 0x56000000;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) noexcept override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) noexcept override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) noexcept override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) noexcept override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                        LPCRECT posRect) noexcept override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) noexcept override;
    STDMETHODIMP Update() noexcept override { return S_OK; }
    STDMETHODIMP IsUpToDate() noexcept override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) noexcept override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* userType) noexcept override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) noexcept override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) noexcept override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) noexcept override;
    STDMETHODIMP Unadvise(DWORD connection) noexcept override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) noexcept override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) noexcept override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) noexcept override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place object and the active object)
    STDMETHODIMP GetWindow(HWND* hwnd) noexcept override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

    // IOleInPlaceObject, IOleInPlaceObjectWindowless
    STDMETHODIMP InPlaceDeactivate() noexcept override;
    STDMETHODIMP UIDeactivate() noexcept override;
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) noexcept override;
    STDMETHODIMP ReactivateAndUndo() noexcept override { return E_NOTIMPL; }
    STDMETHODIMP OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) noexcept override { return S_FALSE; }
    STDMETHODIMP GetDropTarget(IDropTarget**) noexcept override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG) noexcept override { return S_FALSE; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }

    // IViewObject, IViewObject2, IViewObjectEx
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDev, HDC hdc,
                      LPCRECTL bounds, LPCRECTL wBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                      ULONG_PTR contArg) noexcept override;
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) noexcept override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) noexcept override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) noexcept override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) noexcept override;
    STDMETHODIMP GetRect(DWORD, LPRECTL) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStatus(DWORD* status) noexcept override;
    STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT pt, LONG, DWORD* hit) noexcept override;
    STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG, DWORD* hit) noexcept override;
    STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) noexcept override
    {
        return E_NOTIMPL;
    }

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) noexcept override;
    STDMETHODIMP OnMnemonic(MSG*) noexcept override { return S_OK; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID dispid) noexcept override;
    STDMETHODIMP FreezeEvents(BOOL) noexcept override { return S_OK; }

    // IQuickActivate
    STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) noexcept override;
    STDMETHODIMP SetContentExtent(LPSIZEL size) noexcept override;
    STDMETHODIMP GetContentExtent(LPSIZEL size) noexcept override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) noexcept override;

    HWND ControlWindow() const noexcept { return Hwnd(); }
    IOleInPlaceSite* InPlaceSite() const noexcept { return m_inPlaceSite.Get(); }
    bool IsInPlaceActive() const noexcept { return m_inPlaceActive; }
    bool IsUIActive() const noexcept { return m_uiActive; }
    // An ambient property of the client site; fails without a site or a dispatch on it.
    HRESULT GetAmbientProperty(DISPID dispid, VARIANT* value) const noexcept;
    ConnectionPoint* FindPoint(const IID& iid) const noexcept;

protected:
    OleControl() noexcept;
    ~OleControl() override;

    // The connection point for iid; the first one added is the control's events.
    ConnectionPoint& AddConnectionPoint(const IID& iid);

    // What the final class supplies.
    virtual const CLSID& ControlClsid() const noexcept = 0;
    // The control's own message routes; false sends the message on to the framework's.
    virtual bool RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept = 0;
    virtual HRESULT OnDraw(ATL_DRAWINFO& info) noexcept = 0;
    virtual HRESULT DoVerbShow(LPCRECT pos, HWND parent) noexcept;
    virtual HRESULT DoVerbHide(LPCRECT pos, HWND parent) noexcept;
    virtual HRESULT DoVerbUIActivate(LPCRECT pos, HWND parent) noexcept;
    virtual void OnAmbientChanged(DISPID) noexcept {}
    // The window moved to pos; rect is pos at the origin.
    virtual HRESULT OnObjectRectsSet(LPCRECT rect, LPCRECT clip) noexcept;
    // Before the framework's own UI deactivation.
    virtual void OnBeforeUIDeactivate() noexcept {}
    // The container closed the control.
    virtual void OnClosed() noexcept {}

    HRESULT InPlaceActivate(LONG verb, LPCRECT posHint) noexcept;
    void FireViewChange() noexcept;

private:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) final;
    bool FrameworkMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
    HRESULT UIActivate() noexcept;
    void Paint() noexcept;

    ComPtr<IOleClientSite> m_clientSite;
    ComPtr<IOleInPlaceSite> m_inPlaceSite;
    ComPtr<IOleInPlaceFrame> m_frame;
    ComPtr<IOleInPlaceUIWindow> m_doc;
    ComPtr<IOleAdviseHolder> m_oleAdvise;
    ComPtr<IAdviseSink> m_viewSink;
    DWORD m_viewAspects = 0;
    DWORD m_viewFlags = 0;
    SIZEL m_extent{2540, 508};
    bool m_inPlaceActive = false;
    bool m_uiActive = false;
    std::vector<std::unique_ptr<ConnectionPoint>> m_points;
};
} // namespace dkfw

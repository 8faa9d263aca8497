// The palette's container side of one row: the site a control lives in (client site,
// in-place site, ambient properties), the frame it is given, the sink that records its
// events, and ControlHost, which creates, sites, drives and releases one control.
#pragma once

#include "DkPEXCtl.h"
#include "DkPiHost.h"

#include "ComObject.h"
#include "ComPtr.h"
#include "HResult.h"

#include <ocidl.h>
#include <ole2.h>

#include <string>
#include <type_traits>
#include <vector>

namespace dkpal
{
// Colours and font a palette gives its rows.
struct Ambient
{
    OLE_COLOR back = 0x80000000 | COLOR_WINDOW;
    OLE_COLOR fore = 0x80000000 | COLOR_WINDOWTEXT;
    OLE_COLOR readOnlyBack = 0x80000000 | COLOR_BTNFACE;
    OLE_COLOR readOnlyFore = 0x80000000 | COLOR_GRAYTEXT;
    dkfw::ComPtr<IFontDisp> font;
};

// The frame window the controls are told about; owner of their message boxes.
class PaletteFrame : public dkfw::ComImplements<dkfw::Chain<IOleInPlaceFrame, IOleInPlaceUIWindow, IOleWindow>>
{
public:
    explicit PaletteFrame(HWND frame) noexcept : m_frame(frame) {}
    HWND Window() const noexcept { return m_frame; }
    IOleInPlaceActiveObject* ActiveObject() const noexcept { return m_active.Get(); }

    STDMETHODIMP GetWindow(HWND* hwnd) noexcept override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) noexcept override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) noexcept override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) noexcept override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) noexcept override;
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) noexcept override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) noexcept override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) noexcept override { return S_FALSE; }

private:
    HWND m_frame;
    dkfw::ComPtr<IOleInPlaceActiveObject> m_active;
};

// One recorded event: its name and its two arguments (0 where it has none).
struct Event
{
    std::wstring name;
    LONG_PTR arg1 = 0;
    LONG_PTR arg2 = 0;
};

// Told of each event a row's control fires, after it is recorded.
class EventListener
{
public:
    virtual void OnControlEvent(const Event& event) noexcept = 0;

protected:
    ~EventListener() = default;
};

class EventRecorder : public dkfw::ComImplements<dkfw::Chain<IDkPiPropertyEditEventsSink2, IDkPiPropertyEditEventsSink>>
{
public:
    void SetListener(EventListener* listener) noexcept { m_listener = listener; }
    const std::vector<Event>& Events() const noexcept { return m_events; }
    void Clear() noexcept { m_events.clear(); }
    // Tells the listener (without recording it) of something the site saw.
    void Notify(const wchar_t* name) noexcept
    {
        if (m_listener)
            m_listener->OnControlEvent(Event{name, 0, 0});
    }

    STDMETHODIMP OnClick() noexcept override { return Add(L"OnClick"); }
    STDMETHODIMP OnDblClick() noexcept override { return Add(L"OnDblClick"); }
    STDMETHODIMP OnKeyDown(LONG_PTR c, LONG_PTR d) noexcept override { return Add(L"OnKeyDown", c, d); }
    STDMETHODIMP OnKeyUp(LONG_PTR c, LONG_PTR d) noexcept override { return Add(L"OnKeyUp", c, d); }
    STDMETHODIMP OnRButtonDown(UINT_PTR w, LONG_PTR l) noexcept override { return Add(L"OnRButtonDown", w, l); }
    STDMETHODIMP OnMButtonDown(UINT_PTR w, LONG_PTR l) noexcept override { return Add(L"OnMButtonDown", w, l); }
    STDMETHODIMP OnBeginPropertyUpdate() noexcept override { return Add(L"OnBeginPropertyUpdate"); }
    STDMETHODIMP OnEndPropertyUpdate() noexcept override { return Add(L"OnEndPropertyUpdate"); }
    STDMETHODIMP OnOperationStart(LONG code) noexcept override { return Add(L"OnOperationStart", code); }
    STDMETHODIMP OnOperationEnd(LONG code) noexcept override { return Add(L"OnOperationEnd", code); }

private:
    HRESULT Add(const wchar_t* name, LONG_PTR a = 0, LONG_PTR b = 0) noexcept;
    std::vector<Event> m_events;
    EventListener* m_listener = nullptr;
};

// The site of one control inside the palette window.
class ControlSite : public dkfw::ComImplements<IOleClientSite, dkfw::Chain<IOleInPlaceSite, IOleWindow>, IDispatch>
{
public:
    ControlSite(HWND palette, PaletteFrame* frame, const Ambient& ambient) noexcept;
    // The site tells the row's listener when its control makes itself the active row.
    void SetEvents(EventRecorder* events) noexcept { m_events = events; }
    void SetRect(const RECT& rect) noexcept { m_rect = rect; }
    const RECT& Rect() const noexcept { return m_rect; }
    bool InPlaceActive() const noexcept { return m_inPlaceActive; }
    bool UIActive() const noexcept { return m_uiActive; }

    // IOleClientSite
    STDMETHODIMP SaveObject() noexcept override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** out) noexcept override;
    STDMETHODIMP ShowObject() noexcept override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* hwnd) noexcept override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() noexcept override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() noexcept override;
    STDMETHODIMP OnUIActivate() noexcept override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) noexcept override;
    STDMETHODIMP Scroll(SIZE) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) noexcept override;
    STDMETHODIMP OnInPlaceDeactivate() noexcept override;
    STDMETHODIMP DiscardUndoState() noexcept override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() noexcept override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT rect) noexcept override;

    // IDispatch: the ambient properties.
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) noexcept override;

private:
    HWND m_palette;
    dkfw::ComPtr<IOleInPlaceFrame> m_frame;
    Ambient m_ambient;
    RECT m_rect{};
    EventRecorder* m_events = nullptr; // not owned: the host owns both
    bool m_inPlaceActive = false;
    bool m_uiActive = false;
};

// The selection a row edits: parallel arrays, as the palette hands them to InitEditControl.
struct Selection
{
    std::vector<IDispatch*> objects; // not owned
    std::vector<IUnknown*> dynProps; // not owned; null where the DISPID is not -23
    std::vector<LONG> dispids;
};

// Creates one control by CLSID through COM, sites it in a palette window and drives it the
// way the palette does. Everything it took is given back by Release (or its destructor).
class ControlHost
{
public:
    ControlHost() = default;
    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    HRESULT Create(REFCLSID clsid, HWND palette, PaletteFrame* frame, const RECT& rect, const Ambient& ambient);
    // The same, from the class object of the control's class.
    HRESULT Create(IClassFactory& factory, HWND palette, PaletteFrame* frame, const RECT& rect,
                   const Ambient& ambient);
    // InitEditControl with the selection as SAFEARRAYs, then the colours and the font.
    HRESULT Init(const Selection& selection, bool readOnly);
    // Shows the control in place (OLEIVERB_INPLACEACTIVATE) or makes it the active row
    // (OLEIVERB_UIACTIVATE).
    HRESULT Activate(LONG verb = OLEIVERB_INPLACEACTIVATE);
    HRESULT Deactivate();
    HRESULT Move(const RECT& rect);
    void Release();

    IDkPiPropertyEditControl2* Control() const noexcept { return m_control.Get(); }
    HWND Window() const;
    // The text the control draws of its value in a row of the given height (wide enough
    // that nothing is cut), as its IViewObject paints it.
    std::wstring DrawnText(int height) const;
    EventRecorder* Events() const noexcept { return m_events; }
    ControlSite* Site() const noexcept { return m_site; }

private:
    HRESULT SiteControl(HWND palette, PaletteFrame* frame, const RECT& rect, const Ambient& ambient);

    dkfw::ComPtr<IDkPiPropertyEditControl2> m_control;
    dkfw::ComPtr<IOleObject> m_oleObject;
    dkfw::ComObject<ControlSite>* m_site = nullptr;
    dkfw::ComObject<EventRecorder>* m_events = nullptr;
    dkfw::ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
    HWND m_palette = nullptr;
    Ambient m_ambient;
};

// A VARIANT holding a zero-based SAFEARRAY of vt with the given elements.
template <class Item> HRESULT MakeArray(VARTYPE vt, const std::vector<Item>& items, VARIANT* out)
{
    ::VariantInit(out);
    SAFEARRAY* sa = ::SafeArrayCreateVector(vt, 0, static_cast<ULONG>(items.size()));
    RETURN_HR_IF(E_OUTOFMEMORY, !sa);
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i)
    {
        // SafeArrayPutElement takes the interface itself (with a reference), or a pointer to the value.
        void* element;
        if constexpr (std::is_pointer_v<Item>)
            element = items[i];
        else
            element = const_cast<Item*>(&items[i]);
        const HRESULT hr = ::SafeArrayPutElement(sa, &i, element);
        if (FAILED(hr))
        {
            ::SafeArrayDestroy(sa);
            return hr;
        }
    }
    out->vt = VT_ARRAY | vt;
    out->parray = sa;
    return S_OK;
}

// Makes a standard font object for the rows (the palette's font).
dkfw::ComPtr<IFontDisp> MakeFont(const wchar_t* face, int pointSize);
} // namespace dkpal

// The in-place OLE control.
#include "OleControl.h"

#include "ComModule.h"
#include "HResult.h"
#include "Unique.h"

namespace dkfw
{
namespace
{
const wchar_t kControlWindowClass[] = L"DkPeCtrlWindow";
} // namespace

OleControl::OleControl() noexcept = default;

OleControl::~OleControl() = default;

ConnectionPoint& OleControl::AddConnectionPoint(const IID& iid)
{
    m_points.push_back(std::make_unique<ConnectionPoint>(static_cast<IConnectionPointContainer*>(this), iid));
    return *m_points.back();
}

ConnectionPoint* OleControl::FindPoint(const IID& iid) const noexcept
{
    for (const auto& p : m_points)
        if (p->Iid() == iid)
            return p.get();
    return nullptr;
}

// --- IOleObject ------------------------------------------------------------------------

STDMETHODIMP OleControl::SetClientSite(IOleClientSite* site) noexcept
{
    m_clientSite = ComPtr<IOleClientSite>(site);
    if (!site)
        m_inPlaceSite.Reset();
    return S_OK;
}

STDMETHODIMP OleControl::GetClientSite(IOleClientSite** site) noexcept
{
    return m_clientSite.CopyTo(site);
}

STDMETHODIMP OleControl::Close(DWORD) noexcept
{
    const CallScope call(OwnerLifetime());
    InPlaceDeactivate();
    if (m_oleAdvise)
        m_oleAdvise->SendOnClose();
    m_oleAdvise.Reset();
    m_viewSink.Reset();
    for (auto& p : m_points)
        p->UnadviseAll();
    OnClosed();
    return S_OK;
}

STDMETHODIMP OleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent,
                                LPCRECT posRect) noexcept
{
    const CallScope call(OwnerLifetime());
    if (activeSite && !m_clientSite)
        SetClientSite(activeSite);
    switch (verb)
    {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
        RETURN_IF_FAILED(InPlaceActivate(verb, posRect));
        return DoVerbShow(posRect, parent);
    case OLEIVERB_INPLACEACTIVATE:
        RETURN_IF_FAILED(InPlaceActivate(verb, posRect));
        FireViewChange();
        return S_OK;
    case OLEIVERB_UIACTIVATE:
        RETURN_IF_FAILED(InPlaceActivate(verb, posRect));
        // A row hidden earlier is edited where the user sees it.
        if (Hwnd() && !::IsWindowVisible(Hwnd()))
            ::ShowWindow(Hwnd(), SW_SHOW);
        return DoVerbUIActivate(posRect, parent);
    case OLEIVERB_HIDE:
        return DoVerbHide(posRect, parent);
    case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
    default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT OleControl::DoVerbShow(LPCRECT, HWND) noexcept
{
    if (Hwnd())
        ::ShowWindow(Hwnd(), SW_SHOW);
    return S_OK;
}

HRESULT OleControl::DoVerbHide(LPCRECT, HWND) noexcept
{
    if (Hwnd())
        ::ShowWindow(Hwnd(), SW_HIDE);
    return S_OK;
}

HRESULT OleControl::DoVerbUIActivate(LPCRECT, HWND) noexcept
{
    return S_OK;
}

HRESULT OleControl::InPlaceActivate(LONG verb, LPCRECT) noexcept
{
    RETURN_HR_IF(E_UNEXPECTED, !m_clientSite);
    if (!m_inPlaceSite)
        RETURN_IF_FAILED(m_clientSite->QueryInterface(IID_IOleInPlaceSite, m_inPlaceSite.PutVoid()));
    if (!m_inPlaceActive)
    {
        RETURN_HR_IF(E_FAIL, m_inPlaceSite->CanInPlaceActivate() != S_OK);
        RETURN_IF_FAILED(m_inPlaceSite->OnInPlaceActivate());
        m_inPlaceActive = true;
    }

    HWND parent = nullptr;
    RETURN_IF_FAILED(m_inPlaceSite->GetWindow(&parent));
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> doc;
    RECT pos{};
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{sizeof(frameInfo)};
    RETURN_IF_FAILED(m_inPlaceSite->GetWindowContext(frame.Put(), doc.Put(), &pos, &clip, &frameInfo));
    m_frame = frame;
    m_doc = doc;

    if (!Hwnd())
    {
        HINSTANCE instance = CurrentModule() ? CurrentModule()->Instance() : ::GetModuleHandleW(nullptr);
        if (!CreateWindowOf(kControlWindowClass, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, 0, kWindowStyle, pos, parent,
                            instance))
            return E_FAIL;
    }
    else
    {
        if (::GetParent(Hwnd()) != parent)
            ::SetParent(Hwnd(), parent);
        SetObjectRects(&pos, &clip);
    }
    if (verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY)
        return UIActivate();
    return S_OK;
}

HRESULT OleControl::UIActivate() noexcept
{
    if (m_uiActive)
        return S_OK;
    m_uiActive = true;
    if (FAILED(m_inPlaceSite->OnUIActivate()))
    {
        m_uiActive = false;
        return E_FAIL;
    }
    HWND focus = ::GetFocus();
    if (Hwnd() && focus != Hwnd() && !::IsChild(Hwnd(), focus))
        ::SetFocus(Hwnd());
    auto active = static_cast<IOleInPlaceActiveObject*>(this);
    if (m_frame)
    {
        m_frame->SetActiveObject(active, nullptr);
        m_frame->SetBorderSpace(nullptr);
    }
    if (m_doc)
    {
        m_doc->SetActiveObject(active, nullptr);
        m_doc->SetBorderSpace(nullptr);
    }
    return S_OK;
}

STDMETHODIMP OleControl::EnumVerbs(IEnumOLEVERB** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    return ::OleRegEnumVerbs(ControlClsid(), out);
}

STDMETHODIMP OleControl::GetUserClassID(CLSID* clsid) noexcept
{
    RETURN_HR_IF(E_POINTER, !clsid);
    *clsid = ControlClsid();
    return S_OK;
}

STDMETHODIMP OleControl::GetUserType(DWORD form, LPOLESTR* userType) noexcept
{
    RETURN_HR_IF(E_POINTER, !userType);
    return ::OleRegGetUserType(ControlClsid(), form, userType);
}

STDMETHODIMP OleControl::SetExtent(DWORD aspect, SIZEL* size) noexcept
{
    RETURN_HR_IF(E_POINTER, !size);
    RETURN_HR_IF(DV_E_DVASPECT, aspect != DVASPECT_CONTENT);
    m_extent = *size;
    return S_OK;
}

STDMETHODIMP OleControl::GetExtent(DWORD aspect, SIZEL* size) noexcept
{
    RETURN_HR_IF(E_POINTER, !size);
    RETURN_HR_IF(DV_E_DVASPECT, aspect != DVASPECT_CONTENT);
    *size = m_extent;
    return S_OK;
}

STDMETHODIMP OleControl::Advise(IAdviseSink* sink, DWORD* connection) noexcept
{
    RETURN_HR_IF(E_POINTER, !connection);
    if (!m_oleAdvise)
        RETURN_IF_FAILED(::CreateOleAdviseHolder(m_oleAdvise.Put()));
    return m_oleAdvise->Advise(sink, connection);
}

STDMETHODIMP OleControl::Unadvise(DWORD connection) noexcept
{
    return m_oleAdvise ? m_oleAdvise->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP OleControl::EnumAdvise(IEnumSTATDATA** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = nullptr;
    return m_oleAdvise ? m_oleAdvise->EnumAdvise(out) : E_FAIL;
}

STDMETHODIMP OleControl::GetMiscStatus(DWORD aspect, DWORD* status) noexcept
{
    RETURN_HR_IF(E_POINTER, !status);
    return ::OleRegGetMiscStatus(ControlClsid(), aspect, status);
}

// --- In-place object -------------------------------------------------------------------

STDMETHODIMP OleControl::GetWindow(HWND* hwnd) noexcept
{
    RETURN_HR_IF(E_POINTER, !hwnd);
    *hwnd = Hwnd();
    return *hwnd ? S_OK : E_FAIL;
}

STDMETHODIMP OleControl::InPlaceDeactivate() noexcept
{
    const CallScope call(OwnerLifetime());
    UIDeactivate();
    if (!m_inPlaceActive)
        return S_OK;
    m_inPlaceActive = false;
    DestroyWindowNow();
    if (m_inPlaceSite)
        m_inPlaceSite->OnInPlaceDeactivate();
    m_frame.Reset();
    m_doc.Reset();
    m_inPlaceSite.Reset();
    return S_OK;
}

STDMETHODIMP OleControl::UIDeactivate() noexcept
{
    const CallScope call(OwnerLifetime());
    OnBeforeUIDeactivate();
    if (!m_uiActive)
        return S_OK;
    m_uiActive = false;
    if (m_frame)
        m_frame->SetActiveObject(nullptr, nullptr);
    if (m_doc)
        m_doc->SetActiveObject(nullptr, nullptr);
    if (m_inPlaceSite)
        m_inPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

STDMETHODIMP OleControl::SetObjectRects(LPCRECT pos, LPCRECT clip) noexcept
{
    const CallScope call(OwnerLifetime());
    RETURN_HR_IF(E_POINTER, !pos);
    HWND hwnd = Hwnd();
    if (!hwnd)
        return S_OK;
    RECT now{};
    ::GetWindowRect(hwnd, &now);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&now), 2);
    if (::EqualRect(&now, pos))
        return S_OK;
    ::SetWindowPos(hwnd, nullptr, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT atOrigin{0, 0, pos->right - pos->left, pos->bottom - pos->top};
    return OnObjectRectsSet(&atOrigin, clip);
}

HRESULT OleControl::OnObjectRectsSet(LPCRECT, LPCRECT) noexcept
{
    return S_OK;
}

// --- View ------------------------------------------------------------------------------

STDMETHODIMP OleControl::Draw(DWORD aspect, LONG index, void*, DVTARGETDEVICE* target, HDC targetDev, HDC hdc,
                              LPCRECTL bounds, LPCRECTL wBounds, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                              ULONG_PTR) noexcept
{
    const CallScope call(OwnerLifetime());
    RETURN_HR_IF(E_INVALIDARG, !hdc || !bounds);
    ATL_DRAWINFO di{};
    di.cbSize = sizeof(di);
    di.dwDrawAspect = aspect;
    di.lindex = index;
    di.ptd = target;
    di.hicTargetDev = targetDev;
    di.hdcDraw = hdc;
    di.prcBounds = bounds;
    di.prcWBounds = wBounds;
    return OnDraw(di);
}

STDMETHODIMP OleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) noexcept
{
    m_viewAspects = aspects;
    m_viewFlags = flags;
    m_viewSink = ComPtr<IAdviseSink>(sink);
    return S_OK;
}

STDMETHODIMP OleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) noexcept
{
    if (aspects)
        *aspects = m_viewAspects;
    if (flags)
        *flags = m_viewFlags;
    return sink ? m_viewSink.CopyTo(sink) : S_OK;
}

STDMETHODIMP OleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) noexcept
{
    return GetExtent(aspect, size);
}

STDMETHODIMP OleControl::GetViewStatus(DWORD* status) noexcept
{
    RETURN_HR_IF(E_POINTER, !status);
    *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
    return S_OK;
}

STDMETHODIMP OleControl::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT pt, LONG, DWORD* hit) noexcept
{
    RETURN_HR_IF(E_POINTER, !bounds || !hit);
    RETURN_HR_IF(E_FAIL, aspect != DVASPECT_CONTENT);
    *hit = ::PtInRect(bounds, pt) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP OleControl::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG, DWORD* hit) noexcept
{
    RETURN_HR_IF(E_POINTER, !bounds || !rect || !hit);
    RETURN_HR_IF(E_FAIL, aspect != DVASPECT_CONTENT);
    RECT common{};
    *hit = ::IntersectRect(&common, bounds, rect) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

void OleControl::FireViewChange() noexcept
{
    if (Hwnd())
        ::InvalidateRect(Hwnd(), nullptr, TRUE);
    else if (m_viewSink)
        m_viewSink->OnViewChange(DVASPECT_CONTENT, -1);
}

// --- IOleControl, IQuickActivate -------------------------------------------------------

STDMETHODIMP OleControl::GetControlInfo(CONTROLINFO* info) noexcept
{
    RETURN_HR_IF(E_POINTER, !info);
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP OleControl::OnAmbientPropertyChange(DISPID dispid) noexcept
{
    OnAmbientChanged(dispid);
    return S_OK;
}

HRESULT OleControl::GetAmbientProperty(DISPID dispid, VARIANT* value) const noexcept
{
    RETURN_HR_IF(E_POINTER, !value);
    ::VariantInit(value);
    RETURN_HR_IF(E_FAIL, !m_clientSite);
    auto dispatch = m_clientSite.Query<IDispatch>();
    RETURN_HR_IF(E_FAIL, !dispatch);
    DISPPARAMS none{};
    return dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr,
                            nullptr);
}

STDMETHODIMP OleControl::QuickActivate(QACONTAINER* container, QACONTROL* control) noexcept
{
    RETURN_HR_IF(E_POINTER, !container || !control);
    RETURN_HR_IF(E_INVALIDARG, container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL));
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink)
        SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    control->dwEventCookie = 0;
    control->dwPropNotifyCookie = 0;
    if (container->pUnkEventSink && !m_points.empty())
        m_points.front()->Advise(container->pUnkEventSink, &control->dwEventCookie);
    if (container->pPropertyNotifySink)
        if (ConnectionPoint* p = FindPoint(IID_IPropertyNotifySink))
            p->Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
    control->dwMiscStatus = 0;
    GetMiscStatus(DVASPECT_CONTENT, &control->dwMiscStatus);
    control->dwViewStatus = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
    control->dwPointerActivationPolicy = 0;
    OnAmbientChanged(DISPID_UNKNOWN);
    return S_OK;
}

STDMETHODIMP OleControl::SetContentExtent(LPSIZEL size) noexcept
{
    return SetExtent(DVASPECT_CONTENT, size);
}

STDMETHODIMP OleControl::GetContentExtent(LPSIZEL size) noexcept
{
    return GetExtent(DVASPECT_CONTENT, size);
}

STDMETHODIMP OleControl::EnumConnectionPoints(IEnumConnectionPoints** out) noexcept
try
{
    std::vector<ConnectionPoint*> points;
    for (auto& p : m_points)
        points.push_back(p.get());
    return EnumConnectionPointsOf(points.data(), points.size(), out);
}
DK_CATCH_RETURN()

STDMETHODIMP OleControl::FindConnectionPoint(REFIID riid, IConnectionPoint** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = FindPoint(riid);
    if (!*out)
        return CONNECT_E_NOCONNECTION;
    (*out)->AddRef();
    return S_OK;
}

// --- The control window ----------------------------------------------------------------

bool OleControl::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // The object may be released by what a message does; it stays alive until the message is done.
    const ComPtr<IOleObject> alive(static_cast<IOleObject*>(this));
    return RouteMessage(msg, wParam, lParam, result) || FrameworkMessage(msg, wParam, lParam, result);
}

bool OleControl::FrameworkMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) noexcept
{
    switch (msg)
    {
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_MOUSEACTIVATE:
        // A click on the control makes it the active object of its container.
        if (m_inPlaceActive && !m_uiActive)
            DoVerb(OLEIVERB_UIACTIVATE, nullptr, nullptr, 0, ::GetParent(Hwnd()), nullptr);
        result = MA_ACTIVATE;
        return true;
    case WM_SETFOCUS:
        if (m_inPlaceActive && !m_uiActive)
            DoVerb(OLEIVERB_UIACTIVATE, nullptr, nullptr, 0, ::GetParent(Hwnd()), nullptr);
        return false;
    default:
        return false;
    }
}

void OleControl::Paint() noexcept
{
    PaintDc paint(Hwnd());
    if (!paint)
        return;
    HDC hdc = paint.Get();
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    RECTL bounds{client.left, client.top, client.right, client.bottom};
    ATL_DRAWINFO di{};
    di.cbSize = sizeof(di);
    di.dwDrawAspect = DVASPECT_CONTENT;
    di.lindex = -1;
    di.hdcDraw = hdc;
    di.prcBounds = &bounds;
    OnDraw(di);
}
} // namespace dkfw

// The palette's container side of one row.
#include "ControlSite.h"

#include "HResult.h"
#include "Unique.h"

#include <olectl.h>

namespace dkpal
{
using dkfw::ComPtr;

STDMETHODIMP PaletteFrame::GetWindow(HWND* hwnd) noexcept
{
    RETURN_HR_IF(E_POINTER, !hwnd);
    *hwnd = m_frame;
    return S_OK;
}

STDMETHODIMP PaletteFrame::SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) noexcept
{
    m_active = ComPtr<IOleInPlaceActiveObject>(active);
    return S_OK;
}

HRESULT EventRecorder::Add(const wchar_t* name, LONG_PTR a, LONG_PTR b) noexcept
try
{
    m_events.push_back(Event{name, a, b});
    if (m_listener)
        m_listener->OnControlEvent(m_events.back());
    return S_OK;
}
DK_CATCH_RETURN()

ControlSite::ControlSite(HWND palette, PaletteFrame* frame, const Ambient& ambient) noexcept
    : m_palette(palette), m_frame(frame), m_ambient(ambient)
{
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ControlSite::GetWindow(HWND* hwnd) noexcept
{
    RETURN_HR_IF(E_POINTER, !hwnd);
    *hwnd = m_palette;
    return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceActivate() noexcept
{
    m_inPlaceActive = true;
    return S_OK;
}

STDMETHODIMP ControlSite::OnUIActivate() noexcept
{
    m_uiActive = true;
    if (m_events)
        m_events->Notify(L"UIActivate");
    return S_OK;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                           LPOLEINPLACEFRAMEINFO info) noexcept
{
    RETURN_HR_IF(E_POINTER, !frame || !doc || !pos || !clip || !info);
    m_frame.CopyTo(frame);
    *doc = nullptr;
    *pos = m_rect;
    ::GetClientRect(m_palette, clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = m_frame ? static_cast<PaletteFrame*>(m_frame.Get())->Window() : nullptr;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP ControlSite::OnUIDeactivate(BOOL) noexcept
{
    m_uiActive = false;
    return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceDeactivate() noexcept
{
    m_inPlaceActive = false;
    return S_OK;
}

STDMETHODIMP ControlSite::OnPosRectChange(LPCRECT rect) noexcept
{
    RETURN_HR_IF(E_POINTER, !rect);
    m_rect = *rect;
    return S_OK;
}

STDMETHODIMP ControlSite::GetTypeInfoCount(UINT* count) noexcept
{
    RETURN_HR_IF(E_POINTER, !count);
    *count = 0;
    return S_OK;
}

STDMETHODIMP ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                 UINT*) noexcept
{
    RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, !(flags & DISPATCH_PROPERTYGET));
    RETURN_HR_IF(E_POINTER, !result);
    ::VariantInit(result);
    auto color = [result](OLE_COLOR c)
    {
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(c);
        return S_OK;
    };
    switch (id)
    {
    case DISPID_AMBIENT_BACKCOLOR:
    case DISPID_BACKCOLOR:
        return color(m_ambient.back);
    case DISPID_AMBIENT_FORECOLOR:
    case DISPID_FORECOLOR:
        return color(m_ambient.fore);
    case -2000:
        return color(m_ambient.readOnlyBack);
    case -2001:
        return color(m_ambient.readOnlyFore);
    case DISPID_AMBIENT_FONT:
    case DISPID_FONT:
        RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, !m_ambient.font);
        result->vt = VT_DISPATCH;
        m_ambient.font.CopyTo(reinterpret_cast<IFontDisp**>(&result->pdispVal));
        return S_OK;
    case DISPID_AMBIENT_USERMODE:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

namespace
{
int CALLBACK CollectText(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM context)
{
    if (record->iType == EMR_EXTTEXTOUTW)
    {
        const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
        const auto* chars =
            reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
        reinterpret_cast<std::wstring*>(context)->append(chars, text->emrtext.nChars);
    }
    return 1;
}
} // namespace

ControlHost::~ControlHost()
{
    Release();
}

HRESULT ControlHost::Create(REFCLSID clsid, HWND palette, PaletteFrame* frame, const RECT& rect, const Ambient& ambient)
try
{
    Release();
    RETURN_IF_FAILED(
        ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDkPiPropertyEditControl2, m_control.PutVoid()));
    return SiteControl(palette, frame, rect, ambient);
}
DK_CATCH_RETURN()

HRESULT ControlHost::Create(IClassFactory& factory, HWND palette, PaletteFrame* frame, const RECT& rect,
                            const Ambient& ambient)
try
{
    Release();
    RETURN_IF_FAILED(factory.CreateInstance(nullptr, IID_IDkPiPropertyEditControl2, m_control.PutVoid()));
    return SiteControl(palette, frame, rect, ambient);
}
DK_CATCH_RETURN()

HRESULT ControlHost::SiteControl(HWND palette, PaletteFrame* frame, const RECT& rect, const Ambient& ambient)
try
{
    m_palette = palette;
    m_ambient = ambient;
    m_oleObject = m_control.Query<IOleObject>();
    RETURN_HR_IF(E_NOINTERFACE, !m_oleObject);

    RETURN_IF_FAILED(dkfw::ComObject<ControlSite>::Create(&m_site, palette, frame, ambient));
    m_site->SetRect(rect);
    RETURN_IF_FAILED(m_oleObject->SetClientSite(m_site));

    RETURN_IF_FAILED(dkfw::ComObject<EventRecorder>::Create(&m_events));
    m_site->SetEvents(m_events);
    auto container = m_control.Query<IConnectionPointContainer>();
    RETURN_HR_IF(E_NOINTERFACE, !container);
    RETURN_IF_FAILED(container->FindConnectionPoint(IID_IDkPiPropertyEditEventsSink2, m_point.Put()));
    return m_point->Advise(static_cast<IDkPiPropertyEditEventsSink2*>(m_events), &m_cookie);
}
DK_CATCH_RETURN()

HRESULT ControlHost::Init(const Selection& selection, bool readOnly)
{
    RETURN_HR_IF(E_UNEXPECTED, !m_control);
    dkfw::UniqueVariant objs;
    dkfw::UniqueVariant dyn;
    dkfw::UniqueVariant ids;
    RETURN_IF_FAILED(MakeArray(VT_DISPATCH, selection.objects, objs.Put()));
    RETURN_IF_FAILED(MakeArray(VT_UNKNOWN, selection.dynProps, dyn.Put()));
    RETURN_IF_FAILED(MakeArray(VT_I4, selection.dispids, ids.Put()));
    RETURN_IF_FAILED(m_control->InitEditControl(objs.Addr(), dyn.Addr(), ids.Addr(), readOnly ? TRUE : FALSE));
    m_control->put_BackColor(m_ambient.back);
    m_control->put_ForeColor(m_ambient.fore);
    m_control->put_ReadOnlyBackColor(m_ambient.readOnlyBack);
    m_control->put_ReadOnlyForeColor(m_ambient.readOnlyFore);
    if (m_ambient.font)
        m_control->put_Font(m_ambient.font.Get());
    return S_OK;
}

HRESULT ControlHost::Activate(LONG verb)
{
    RETURN_HR_IF(E_UNEXPECTED, !m_oleObject);
    const RECT rect = m_site->Rect();
    return m_oleObject->DoVerb(verb, nullptr, m_site, 0, m_palette, &rect);
}

HRESULT ControlHost::Deactivate()
{
    RETURN_HR_IF(E_UNEXPECTED, !m_control);
    auto inPlace = m_control.Query<IOleInPlaceObject>();
    return inPlace ? inPlace->UIDeactivate() : E_NOINTERFACE;
}

HRESULT ControlHost::Move(const RECT& rect)
{
    RETURN_HR_IF(E_UNEXPECTED, !m_control);
    m_site->SetRect(rect);
    auto inPlace = m_control.Query<IOleInPlaceObject>();
    RECT clip{};
    ::GetClientRect(m_palette, &clip);
    return inPlace ? inPlace->SetObjectRects(&rect, &clip) : E_NOINTERFACE;
}

HWND ControlHost::Window() const
{
    HWND hwnd = nullptr;
    if (auto window = m_control.Query<IOleWindow>())
        window->GetWindow(&hwnd);
    return hwnd;
}

std::wstring ControlHost::DrawnText(int height) const
{
    auto view = m_control.Query<IViewObject>();
    if (!view)
        return L"";
    dkfw::WindowDc screen(nullptr);
    HDC meta = ::CreateEnhMetaFileW(screen.Get(), nullptr, nullptr, nullptr);
    if (!meta)
        return L"";
    const RECTL bounds{0, 0, 4000, height};
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, meta, &bounds, nullptr, nullptr, 0);
    HENHMETAFILE emf = ::CloseEnhMetaFile(meta);
    std::wstring text;
    ::EnumEnhMetaFile(nullptr, emf, &CollectText, &text, nullptr);
    ::DeleteEnhMetaFile(emf);
    return text;
}

void ControlHost::Release()
{
    if (m_point)
    {
        m_point->Unadvise(m_cookie);
        m_point.Reset();
    }
    if (m_oleObject)
    {
        m_oleObject->Close(OLECLOSE_NOSAVE);
        m_oleObject->SetClientSite(nullptr);
        m_oleObject.Reset();
    }
    m_control.Reset();
    if (m_site)
    {
        m_site->SetEvents(nullptr);
        m_site->Release();
        m_site = nullptr;
    }
    if (m_events)
    {
        m_events->Release();
        m_events = nullptr;
    }
}

ComPtr<IFontDisp> MakeFont(const wchar_t* face, int pointSize)
{
    FONTDESC desc{sizeof(desc)};
    desc.lpstrName = const_cast<LPOLESTR>(face);
    desc.cySize.int64 = static_cast<LONGLONG>(pointSize) * 10000;
    desc.sWeight = FW_NORMAL;
    desc.sCharset = DEFAULT_CHARSET;
    ComPtr<IFontDisp> font;
    ::OleCreateFontIndirect(&desc, IID_IFontDisp, font.PutVoid());
    return font;
}
} // namespace dkpal

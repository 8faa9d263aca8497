// CDkPeCtrlBase: construction, the selection, colours and font, events to the palette and
// the window operations every editor shares.
#include "DkPeCtrlBase.h"

#include "DrawingUnits.h"

#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "ComPtr.h"
#include "HResult.h"

#include <olectl.h>
#include <windowsx.h>

#include <utility>

namespace
{
using dkfw::ComPtr;

// An argument counts as absent when it is VT_NULL or an error code with any of these bits.
constexpr ULONG kAbsentErrorBits = 0x80020004;

bool IsErrorAbsent(const VARIANT& v)
{
    return (v.vt & ~VT_BYREF) == VT_ERROR && (static_cast<ULONG>(v.scode) & kAbsentErrorBits) != 0;
}

bool IsAbsent(const VARIANT& v)
{
    return v.vt == VT_NULL || IsErrorAbsent(v);
}

// The one-dimensional, zero-based array of element type vt that v holds, or null.
SAFEARRAY* ArrayOf(const VARIANT& v, VARTYPE vt)
{
    if ((v.vt & ~VT_BYREF) != (VT_ARRAY | vt))
        return nullptr;
    SAFEARRAY* sa = (v.vt & VT_BYREF) ? (v.pparray ? *v.pparray : nullptr) : v.parray;
    if (!sa || ::SafeArrayGetDim(sa) != 1)
        return nullptr;
    VARTYPE elementType = VT_EMPTY;
    if (FAILED(::SafeArrayGetVartype(sa, &elementType)) || elementType != vt)
        return nullptr;
    LONG lower = 0;
    if (FAILED(::SafeArrayGetLBound(sa, 1, &lower)) || lower != 0)
        return nullptr;
    return sa;
}

LONG CountOf(SAFEARRAY* sa)
{
    LONG upper = -1;
    return SUCCEEDED(::SafeArrayGetUBound(sa, 1, &upper)) ? upper + 1 : -1;
}

// Holds a SAFEARRAY's data for reading.
class ArrayData
{
public:
    explicit ArrayData(SAFEARRAY* sa) noexcept : m_sa(sa)
    {
        if (FAILED(::SafeArrayAccessData(sa, &m_data)))
            m_data = nullptr;
    }
    ~ArrayData()
    {
        if (m_data)
            ::SafeArrayUnaccessData(m_sa);
    }
    ArrayData(const ArrayData&) = delete;
    ArrayData& operator=(const ArrayData&) = delete;
    template <class T> T* As() const noexcept { return static_cast<T*>(m_data); }

private:
    SAFEARRAY* m_sa;
    void* m_data = nullptr;
};

COLORREF Translate(OLE_COLOR c)
{
    COLORREF out = 0;
    return SUCCEEDED(::OleTranslateColor(c, nullptr, &out)) ? out : static_cast<COLORREF>(c);
}
} // namespace

CDkPeCtrlBase::CDkPeCtrlBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv)
    : m_highlightedPaths(0, 8), m_state(kStateCreated), m_bPropReadOnly(FALSE), m_bInitReadOnly(FALSE),
      m_bChangeNotified(FALSE), m_nFailed(0), m_bBusy(FALSE)
{
    Initialize();
    m_pUIEvents = events;
    m_pPrivate = priv;
    m_expressionState = 0;
}

void CDkPeCtrlBase::Initialize()
{
    m_nObjects = 0;
    m_ppObjects = nullptr;
    m_ppDynProps = nullptr;
    m_pDispids = nullptr;
    m_bDoNextVariantItem = FALSE;
    m_bUnspecifiedAllowed = false;
    m_bEditBoxReadOnly = false;
    m_pPresetEdit = nullptr;
    m_pFont = nullptr;
    m_pPropertyIdentifier = nullptr;
    dkpex::EnsureSharedTexts();
    m_foreColor = m_readOnlyForeColor = 0;
    m_backColor = m_readOnlyBackColor = ::GetSysColor(COLOR_WINDOW);
    m_backBrush.Reset(::CreateSolidBrush(m_backColor));
    m_readOnlyBackBrush.Reset(::CreateSolidBrush(m_readOnlyBackColor));
}

CDkPeCtrlBase::~CDkPeCtrlBase()
{
    Cleanup();
    if (m_pFont)
        m_pFont->Release();
    if (m_pPropertyIdentifier)
        m_pPropertyIdentifier->Release();
}

long CDkPeCtrlBase::Cleanup()
{
    DropRetiredWindows();
    ReleaseSelection();
    return S_OK;
}

void CDkPeCtrlBase::ReleaseReferences() noexcept
{
    // A write running over these objects keeps them from here on.
    for (CDkPeSelectionHold* hold = m_pHolds; hold; hold = hold->next)
        hold->TakeReferences();
    // Counted out first: an object's last release may run code that reaches this control.
    const int count = std::exchange(m_nObjects, 0);
    for (int i = 0; i < count; ++i)
    {
        if (m_ppObjects && m_ppObjects[i])
            m_ppObjects[i]->Release();
        if (m_ppDynProps && m_ppDynProps[i])
            m_ppDynProps[i]->Release();
    }
}

void CDkPeCtrlBase::ReleaseSelection() noexcept
{
    ReleaseReferences();
    m_nCapacity = 0;
    delete[] m_ppObjects;
    delete[] m_ppDynProps;
    delete[] m_pDispids;
    m_ppObjects = nullptr;
    m_ppDynProps = nullptr;
    m_pDispids = nullptr;
    m_nObjects = 0;
}

long CDkPeCtrlBase::BeginEdit(const RECT&)
{
    return S_OK;
}

long CDkPeCtrlBase::EndEdit()
{
    m_textTip.Hide();
    m_textTip.SetOwner(ControlHwnd());
    return S_OK;
}

long CDkPeCtrlBase::SetState(int& state)
{
    m_state = state;
    return S_OK;
}

long CDkPeCtrlBase::GetState(int& state)
{
    state = m_state;
    return S_OK;
}

long CDkPeCtrlBase::PreSetPropertyValue(IDispatch*, long)
{
    return S_OK;
}

long CDkPeCtrlBase::MouseClick(UINT, POINT)
{
    return S_OK;
}

long CDkPeCtrlBase::DoubleClick(const RECT&)
{
    return S_OK;
}

long CDkPeCtrlBase::PropertySysKeyDown(UINT, UINT, UINT, bool& handled)
{
    handled = false;
    return S_OK;
}

long CDkPeCtrlBase::GetTextTipWidth(int& width)
{
    width = 100;
    return S_OK;
}

long CDkPeCtrlBase::GetFrameHandle(HWND& hwnd)
{
    hwnd = nullptr;
    ComPtr<IOleInPlaceSite> site;
    if (!m_pPrivate || FAILED(m_pPrivate->GetInPlaceSite(site.Put())) || !site)
        return E_FAIL;
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> doc;
    RECT pos{};
    RECT clip{};
    OLEINPLACEFRAMEINFO info{sizeof(info)};
    if (SUCCEEDED(site->GetWindowContext(frame.Put(), doc.Put(), &pos, &clip, &info)))
        hwnd = info.hwndFrame;
    return S_OK;
}

long CDkPeCtrlBase::SetReadOnlyFlag(int readOnly)
{
    m_bPropReadOnly = readOnly;
    return S_OK;
}

long CDkPeCtrlBase::PropReadOnly(int& readOnly)
{
    readOnly = m_bPropReadOnly;
    return S_OK;
}

long CDkPeCtrlBase::EditBoxReadOnly(bool& readOnly)
{
    readOnly = m_bEditBoxReadOnly;
    return S_OK;
}

long CDkPeCtrlBase::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
try
{
    if (!objs || !dynProps || !dispids || IsErrorAbsent(*objs))
        return E_FAIL;
    if (objs->vt == VT_EMPTY || objs->vt == VT_NULL || IsAbsent(*dynProps) || IsAbsent(*dispids) ||
        dynProps->vt == VT_EMPTY || dispids->vt == VT_EMPTY)
        return E_FAIL;
    SAFEARRAY* objArray = ArrayOf(*objs, VT_DISPATCH);
    SAFEARRAY* dynArray = ArrayOf(*dynProps, VT_UNKNOWN);
    SAFEARRAY* idArray = ArrayOf(*dispids, VT_I4);
    if (!objArray || !dynArray || !idArray)
        return E_FAIL;
    // The palette's arrays are untrusted: equal lengths, no missing object, no missing
    // dynamic property where the DISPID asks for one, or nothing changes.
    const LONG count = CountOf(objArray);
    if (count < 0 || CountOf(dynArray) != count || CountOf(idArray) != count)
        return E_FAIL;
    ArrayData objData(objArray);
    ArrayData dynData(dynArray);
    ArrayData idData(idArray);
    if (count > 0 && (!objData.As<IDispatch*>() || !dynData.As<IUnknown*>() || !idData.As<LONG>()))
        return E_FAIL;
    for (LONG i = 0; i < count; ++i)
    {
        if (!objData.As<IDispatch*>()[i])
            return E_FAIL;
        if (idData.As<LONG>()[i] == kDynamicPropertyDispid && !dynData.As<IUnknown*>()[i])
            return E_FAIL;
    }

    // A selection of about the size of the one before uses its arrays again: a palette handing
    // a large selection over and over pays for no fresh memory. Otherwise the arrays are made
    // to measure (every entry is written below: they need no clearing first).
    const bool reuse = m_ppObjects && m_ppDynProps && m_pDispids && count <= m_nCapacity && 2 * count >= m_nCapacity;
    std::unique_ptr<IUnknown*[]> objects;
    std::unique_ptr<IUnknown*[]> dyn;
    std::unique_ptr<int[]> ids;
    if (!reuse)
    {
        objects = std::make_unique_for_overwrite<IUnknown*[]>(static_cast<size_t>(count));
        dyn = std::make_unique_for_overwrite<IUnknown*[]>(static_cast<size_t>(count));
        ids = std::make_unique_for_overwrite<int[]>(static_cast<size_t>(count));
    }
    // The new selection's references are taken before the old ones go: an object in both
    // stays alive throughout.
    auto dynamicOf = [&](LONG i)
    { return idData.As<LONG>()[i] == kDynamicPropertyDispid ? dynData.As<IUnknown*>()[i] : nullptr; };
    for (LONG i = 0; i < count; ++i)
    {
        objData.As<IDispatch*>()[i]->AddRef();
        if (IUnknown* d = dynamicOf(i))
            d->AddRef();
    }
    // A new selection replaces the old one; the family's windows stay, but no tip of the
    // old objects' text.
    ReleaseReferences();
    m_textTip.Hide();
    if (!reuse)
    {
        ReleaseSelection();
        m_ppObjects = objects.release();
        m_ppDynProps = dyn.release();
        m_pDispids = ids.release();
        m_nCapacity = count;
    }
    for (LONG i = 0; i < count; ++i)
    {
        m_pDispids[i] = idData.As<LONG>()[i];
        m_ppObjects[i] = objData.As<IDispatch*>()[i];
        m_ppDynProps[i] = dynamicOf(i);
    }
    m_nObjects = count;
    m_nFailed = 0;
    m_bInitReadOnly = bReadOnly;
    return S_OK;
}
DK_CATCH_RETURN()

long CDkPeCtrlBase::Handle_get_KeepFocus(short* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = FALSE;
    return S_OK;
}

long CDkPeCtrlBase::Handle_Refresh()
{
    return S_OK;
}

long CDkPeCtrlBase::Handle_put_ForeColor(OLE_COLOR color)
{
    m_foreColor = color;
    return S_OK;
}

long CDkPeCtrlBase::Handle_get_ForeColor(OLE_COLOR* color)
{
    if (!color)
        return E_POINTER;
    *color = m_foreColor;
    return S_OK;
}

long CDkPeCtrlBase::Handle_put_BackColor(OLE_COLOR color)
{
    if (color != m_backColor)
    {
        m_backColor = color;
        m_backBrush.Reset(::CreateSolidBrush(Translate(color)));
    }
    return S_OK;
}

long CDkPeCtrlBase::Handle_get_BackColor(OLE_COLOR* color)
{
    if (!color)
        return E_POINTER;
    *color = m_backColor;
    return S_OK;
}

long CDkPeCtrlBase::Handle_put_ReadOnlyForeColor(OLE_COLOR color)
{
    m_readOnlyForeColor = color;
    return S_OK;
}

long CDkPeCtrlBase::Handle_get_ReadOnlyForeColor(OLE_COLOR* color)
{
    if (!color)
        return E_POINTER;
    *color = m_readOnlyForeColor;
    return S_OK;
}

long CDkPeCtrlBase::Handle_put_ReadOnlyBackColor(OLE_COLOR color)
{
    if (color != m_readOnlyBackColor)
    {
        m_readOnlyBackColor = color;
        m_readOnlyBackBrush.Reset(::CreateSolidBrush(Translate(color)));
    }
    return S_OK;
}

long CDkPeCtrlBase::Handle_get_ReadOnlyBackColor(OLE_COLOR* color)
{
    if (!color)
        return E_POINTER;
    *color = m_readOnlyBackColor;
    return S_OK;
}

bool CDkPeCtrlBase::IsCurrentDocumentDatabase() noexcept
{
    return dkpex::IsCurrentDocumentDatabase();
}

COLORREF CDkPeCtrlBase::ForeColour() const noexcept
{
    return Translate(m_foreColor);
}

COLORREF CDkPeCtrlBase::BackColour() const noexcept
{
    return Translate(m_backColor);
}

HFONT CDkPeCtrlBase::ControlFont() const noexcept
{
    HFONT font = nullptr;
    if (m_pFont)
        m_pFont->get_hFont(&font);
    return font;
}

long CDkPeCtrlBase::Handle_put_Font(IUnknown* font)
{
    if (!font)
        return E_POINTER;
    if (font == m_pFont)
        return S_OK;
    IFont* old = m_pFont;
    m_pFont = nullptr;
    font->QueryInterface(IID_IFont, reinterpret_cast<void**>(&m_pFont));
    if (old)
        old->Release();
    return S_OK;
}

long CDkPeCtrlBase::Handle_get_Font(IUnknown** font)
{
    if (!font)
        return E_POINTER;
    *font = m_pFont;
    if (m_pFont)
        m_pFont->AddRef();
    return S_OK;
}

long CDkPeCtrlBase::Fire_OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    return m_pUIEvents ? m_pUIEvents->FireKeyDown(wParam, lParam) : 0;
}

long CDkPeCtrlBase::Fire_OnKeyUp(WPARAM wParam, LPARAM lParam)
{
    return m_pUIEvents ? m_pUIEvents->FireKeyUp(wParam, lParam) : 0;
}

long CDkPeCtrlBase::FirePointEvent(bool right, WPARAM wParam, LPARAM lParam)
{
    if (!m_pUIEvents)
        return 0;
    HWND control = ControlHwnd();
    HWND parent = control ? ::GetParent(control) : nullptr;
    if (!parent)
        return 0;
    // The palette wants the point in its own window's client coordinates.
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::MapWindowPoints(control, parent, &pt, 1);
    const LPARAM packed = MAKELPARAM(pt.x, pt.y);
    return right ? m_pUIEvents->FireRButtonDown(wParam, packed) : m_pUIEvents->FireMButtonDown(wParam, packed);
}

long CDkPeCtrlBase::Fire_OnRButtonDown(WPARAM wParam, LPARAM lParam)
{
    return FirePointEvent(true, wParam, lParam);
}

long CDkPeCtrlBase::Fire_OnMButtonDown(WPARAM wParam, LPARAM lParam)
{
    return FirePointEvent(false, wParam, lParam);
}

long CDkPeCtrlBase::Handle_OnDraw(ATL_DRAWINFO&)
{
    return S_OK;
}

long CDkPeCtrlBase::Handle_SetObjectRects(const RECT*, const RECT*)
{
    return S_OK;
}

long CDkPeCtrlBase::Handle_DoVerbHide(const RECT*, HWND)
{
    if (!m_bBusy && m_state >= kStateEditing)
    {
        EndEdit();
        m_state = kStatePlaced;
    }
    return S_OK;
}

long CDkPeCtrlBase::Handle_DoVerbShow(const RECT*, HWND)
{
    return S_OK;
}

long CDkPeCtrlBase::Handle_DoVerbUIActivate(const RECT* pos, HWND)
{
    if (pos)
        BeginEdit(*pos);
    return S_OK;
}

long CDkPeCtrlBase::Handle_UIDeactivate()
{
    if (m_state >= kStateEditing)
        EndEdit();
    m_state = kStatePlaced;
    return S_OK;
}

HBRUSH CDkPeCtrlBase::Handle_OnCtlColor(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    HDC hdc = reinterpret_cast<HDC>(wParam);
    const DWORD type = hdc ? ::GetObjectType(hdc) : 0;
    if (type != OBJ_DC && type != OBJ_MEMDC)
        return nullptr;
    handled = TRUE;
    const bool readOnly = IsPropertyReadOnly();
    const COLORREF fore = Translate(readOnly ? m_readOnlyForeColor : m_foreColor);
    COLORREF back = Translate(readOnly ? m_readOnlyBackColor : m_backColor);
    if (m_textTip.Exists() && ::WindowFromDC(hdc) == m_textTip.Hwnd())
        back = ::GetSysColor(COLOR_INFOBK);
    ::SetTextColor(hdc, fore);
    ::SetBkColor(hdc, back);
    ::SetBkMode(hdc, TRANSPARENT);
    // The brush follows the stored colour, not the tip's.
    return readOnly ? m_readOnlyBackBrush.Get() : m_backBrush.Get();
}

LRESULT CDkPeCtrlBase::Handle_OnKeyDown(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    handled = TRUE;
    return Fire_OnKeyDown(wParam, lParam);
}

LRESULT CDkPeCtrlBase::Handle_OnLButtonDown(UINT, WPARAM, LPARAM, BOOL& handled)
{
    handled = FALSE;
    return 0;
}

LRESULT CDkPeCtrlBase::Handle_OnRButtonDown(UINT, WPARAM, LPARAM, BOOL& handled)
{
    handled = FALSE;
    return 0;
}

LRESULT CDkPeCtrlBase::Handle_OnMButtonDown(UINT, WPARAM, LPARAM, BOOL& handled)
{
    handled = FALSE;
    return 0;
}

LRESULT CDkPeCtrlBase::Handle_OnLButtonDblClk(UINT, WPARAM, LPARAM, BOOL& handled)
{
    handled = FALSE;
    return 0;
}

LRESULT CDkPeCtrlBase::Handle_OnCreate(UINT, WPARAM, LPARAM, BOOL&)
{
    return S_OK;
}

LRESULT CDkPeCtrlBase::Handle_OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return Handle_ShowTextTip(msg, wParam, lParam, handled);
}

LRESULT CDkPeCtrlBase::Handle_OnMouseLeave(UINT, WPARAM, LPARAM, BOOL& handled)
{
    handled = FALSE;
    return 0;
}

LRESULT CDkPeCtrlBase::Handle_ShowTextTip(UINT, WPARAM, LPARAM, BOOL&)
{
    HWND control = ControlHwnd();
    RECT client{};
    if (!control || !::GetClientRect(control, &client))
        return E_FAIL;
    int width = 0;
    if (FAILED(GetTextTipWidth(width)))
        return E_FAIL;
    if (client.right - client.left >= width)
        return S_OK;
    if (!m_textTip.Exists() && !m_textTip.Create(control))
        return E_FAIL;
    RECT tip = client;
    tip.bottom += 2;
    tip.right = tip.left + width + 5;
    return ShowTextTooltip(tip);
}

LRESULT CDkPeCtrlBase::Handle_OnDrawTooltip(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    if (wParam != static_cast<WPARAM>(CPropTextTooltip::kTipId) || !m_textTip.Exists())
        return 0;
    RECT client{};
    ::GetClientRect(m_textTip.Hwnd(), &client);
    dkfw::WindowDc dc(m_textTip.Hwnd());
    if (!dc)
        return 0;
    RECTL bounds{client.left, client.top, client.right, client.bottom};
    ATL_DRAWINFO di{};
    di.cbSize = sizeof(di);
    di.dwDrawAspect = DVASPECT_CONTENT;
    di.lindex = -1;
    di.hdcDraw = dc.Get();
    di.prcBounds = &bounds;
    Handle_OnDraw(di);
    return 0;
}

LRESULT CDkPeCtrlBase::Handle_OnEraseBackground(UINT, WPARAM, LPARAM, BOOL& handled)
{
    handled = TRUE;
    return 1;
}

long CDkPeCtrlBase::GetComboTextTipWidth(int, int& width)
{
    width = 0;
    return S_OK;
}

long CDkPeCtrlBase::SetDoNextVariantItem(int value)
{
    m_bDoNextVariantItem = value;
    return S_OK;
}

long CDkPeCtrlBase::GetDoNextVariantItem(int& value)
{
    value = m_bDoNextVariantItem;
    return S_OK;
}

long CDkPeCtrlBase::SetChangeNotified(int value)
{
    m_bChangeNotified = value;
    return S_OK;
}

long CDkPeCtrlBase::GetChangeNotified(int& value)
{
    value = m_bChangeNotified;
    return S_OK;
}

long CDkPeCtrlBase::Handle_PutPropertyIdentifier(IDkPiPropertyIdentifier* identifier)
{
    if (identifier)
        identifier->AddRef();
    // Every reference taken is given back: a replaced identifier too.
    if (IDkPiPropertyIdentifier* old = std::exchange(m_pPropertyIdentifier, identifier))
        old->Release();
    return S_OK;
}

long CDkPeCtrlBase::Handle_GetPropertyIdentifier(IDkPiPropertyIdentifier** identifier)
{
    if (!identifier)
        return E_POINTER;
    *identifier = m_pPropertyIdentifier;
    return S_OK;
}

long CDkPeCtrlBase::FireClick()
{
    return m_pUIEvents ? m_pUIEvents->FireClick() : 0;
}

CString CDkPeCtrlBase::GetUnspecifiedString() const
{
    return m_unspecifiedText;
}

long CDkPeCtrlBase::GetStringWidth(CString text, int* width)
{
    HWND control = ControlHwnd();
    RECT client{};
    if (!m_pFont || !control || !::GetClientRect(control, &client))
        return E_FAIL;
    if (!width)
        return E_INVALIDARG;
    HFONT font = nullptr;
    if (FAILED(m_pFont->get_hFont(&font)))
        return E_FAIL;
    dkfw::WindowDc dc(control);
    if (!dc)
        return E_FAIL;
    dkfw::SelectObjectScope select(dc.Get(), font);
    RECT r = client;
    const int h = ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r,
                              DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP | DT_EXTERNALLEADING);
    if (h != 0 && !text.empty())
        *width = r.right - r.left;
    return S_OK;
}

long CDkPeCtrlBase::ShowTextTooltip(RECT rect)
{
    HWND control = ControlHwnd();
    if (!control || !m_textTip.Exists() || ::IsWindowVisible(m_textTip.Hwnd()))
        return S_OK;
    return m_textTip.Place(control, rect);
}

long CDkPeCtrlBase::UpdateExpressionSupportState(bool firstWasEmpty, bool anyExpression, const CString& text)
{
    if (!anyExpression)
        m_expressionState = 0;
    else if (text != m_expression)
    {
        m_expression.clear();
        m_expressionState = 2;
    }
    else if (!m_expression.empty())
        m_expressionState = 3;
    else
        m_expressionState = firstWasEmpty ? 1 : 2;
    return S_OK;
}

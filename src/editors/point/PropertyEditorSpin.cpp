// CPropertyEditorSpin: the vertex number, its range from the host's element interface, the
// linked coordinate rows moved to the vertex, the up-down control wrapping around.
#include "PropertyEditorSpin.h"

#include "DkPeNumericEditBase.h"
#include "ObjectProperties.h"
#include "VertexMark.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"

#include "Unique.h"

#include <commctrl.h>

#include <climits>
#include <cwchar>

namespace
{
using dkfw::ComPtr;
} // namespace

CPeSpinButtonCtrl::~CPeSpinButtonCtrl()
{
    DestroyNow();
}

bool CPeSpinButtonCtrl::Create(HWND parent, const RECT& rect) noexcept
{
    HWND hwnd = ::CreateWindowExW(0, UPDOWN_CLASSW, L"", kStyle, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kId)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!hwnd)
        return false;
    if (!Attach(hwnd))
    {
        ::DestroyWindow(hwnd);
        return false;
    }
    return true;
}

bool CPeSpinButtonCtrl::OnSubclassMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_KEYDOWN && m_owner && wParam >= 'A' && wParam <= 'Z' && (::GetKeyState(VK_SHIFT) & 0x8000) &&
        (::GetKeyState(VK_CONTROL) & 0x8000))
    {
        m_owner->Fire_OnKeyDown(wParam, lParam);
        return false;
    }
    if (msg == WM_PAINT)
    {
        result = CallDefault(msg, wParam, lParam);
        Flatten();
        return true;
    }
    // The wheel scrolls the palette, as over the row's edit box; it never steps the vertex.
    if (msg == WM_MOUSEWHEEL)
    {
        result = ::SendMessageW(::GetParent(Hwnd()), WM_MOUSEWHEEL, wParam, lParam);
        return true;
    }
    return false;
}

// Two one-pixel frames in the face colour over each arrow button: the buttons look flat.
void CPeSpinButtonCtrl::Flatten() noexcept
{
    HWND hwnd = Hwnd();
    RECT client{};
    if (!hwnd || !::GetClientRect(hwnd, &client))
        return;
    HDC dc = ::GetDC(hwnd);
    if (!dc)
        return;
    HBRUSH face = ::GetSysColorBrush(COLOR_BTNFACE);
    const int half = (client.right - client.left) / 2;
    for (RECT r : {RECT{client.left, client.top, half - 1, client.bottom},
                   RECT{half + 1, client.top, client.right, client.bottom}})
        for (int frame = 0; frame < 2 && r.right > r.left && r.bottom > r.top; ++frame)
        {
            ::FrameRect(dc, &r, face);
            ::InflateRect(&r, -1, -1);
        }
    ::ReleaseDC(hwnd, dc);
}

HRESULT STDMETHODCALLTYPE CPropertyEditorSpin::SetControls(VARIANT controls) noexcept
try
{
    RETURN_HR_IF(E_FAIL, !Editor());
    if (controls.vt != (VT_ARRAY | VT_UNKNOWN) || !controls.parray || ::SafeArrayGetDim(controls.parray) != 1)
        return E_FAIL;
    LONG low = 0, high = -1;
    ::SafeArrayGetLBound(controls.parray, 1, &low);
    ::SafeArrayGetUBound(controls.parray, 1, &high);
    std::vector<ComPtr<IUnknown>> linked;
    IUnknown** data = nullptr;
    if (high >= low)
    {
        if (FAILED(::SafeArrayAccessData(controls.parray, reinterpret_cast<void**>(&data))))
            return E_FAIL;
        for (LONG i = 0; i <= high - low; ++i)
            linked.emplace_back(data[i]);
        ::SafeArrayUnaccessData(controls.parray);
    }
    m_linked = std::move(linked);
    return S_OK;
}
DK_CATCH_RETURN()

long CPropertyEditorSpin::Cleanup()
{
    m_linked.clear();
    if (m_spin)
    {
        m_spin->DestroyNow();
        Retire(m_spin);
    }
    dkpex::EraseVertexMark();
    unhighlightSubEntities();
    return CDkPeEditBase::Cleanup();
}

HRESULT CPropertyEditorSpin::ReadGroups(LONG& count)
{
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0])
        return E_FAIL;
    IUnknown* object = m_ppObjects[0];
    const dkpex::ElementAccess elements(m_ppDynProps && m_ppDynProps[0] ? m_ppDynProps[0] : object, object);
    if (!elements.Available())
        return E_NOINTERFACE;
    short perGroup = 0;
    HRESULT hr = elements.GroupCount(m_pDispids[0], count);
    if (SUCCEEDED(hr))
        hr = elements.Grouping(m_pDispids[0], perGroup);
    if (SUCCEEDED(hr))
        m_perGroup = perGroup;
    return hr;
}

void CPropertyEditorSpin::UpdateReadOnly()
{
    if (m_alwaysWritable)
    {
        m_bPropReadOnly = FALSE;
        return;
    }
    m_bPropReadOnly = m_bInitReadOnly;
    if (!m_bPropReadOnly && m_nObjects > 0 && m_pDispids[0] != kDynamicPropertyDispid)
        AskEditable(0);
}

void CPropertyEditorSpin::MoveControls(int index)
{
    const ULONG offset = static_cast<ULONG>(m_perGroup) * static_cast<ULONG>(index < 0 ? 0 : index);
    // A row's move refreshes it, which may reach the palette: the list is walked on a copy.
    const std::vector<ComPtr<IUnknown>> linked = m_linked;
    for (const auto& control : linked)
        if (ComPtr<IDkPeVariantCtrl> variant;
            control && SUCCEEDED(control->QueryInterface(IID_IDkPeVariantCtrl, variant.PutVoid())))
            variant->SetGroupOffset(offset);
}

void CPropertyEditorSpin::MarkCurrent()
{
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0])
        return;
    unhighlightSubEntities();
    DkArray<DkDbFullSubentPath> paths(0, 4);
    dkpex::MarkVertex(m_ppObjects[0], m_pDispids[0], static_cast<ULONG>(m_current - 1), paths);
    if (paths.length() > 0)
        highlightSubEntities(paths);
}

void CPropertyEditorSpin::ShowCurrent()
{
    m_text = std::to_wstring(m_current);
    if (HasEditWindow())
        m_pEdit->SetText(m_text);
}

long CPropertyEditorSpin::GetPropertyValue(VARIANT* value, ValueType& valueType)
{
    if (!value)
        return E_POINTER;
    UpdateReadOnly();
    if (m_last == -1)
    {
        LONG count = 0;
        if (FAILED(ReadGroups(count)))
            return E_FAIL;
        m_last = m_first + static_cast<int>(count) - 1;
    }
    if (m_last < m_first)
        return E_FAIL;
    if (m_current > m_last)
        m_current = m_first;
    valueType = ValueSpecified;
    ::VariantClear(value);
    value->vt = VT_BSTR;
    value->bstrVal = ::SysAllocString(std::to_wstring(m_current).c_str());
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}

long CPropertyEditorSpin::SetPropertyValue(VARIANT* value, ValueType)
{
    if (!value)
        return E_POINTER;
    if (value->vt != VT_BSTR)
        return S_OK;
    const wchar_t* text = value->bstrVal ? value->bstrVal : L"";
    wchar_t* end = nullptr;
    const long n = std::wcstol(text, &end, 10);
    while (end && *end == L' ')
        ++end;
    if (!end || end == text || *end != L'\0' || n < m_first || n > m_last)
    {
        const std::wstring low = std::to_wstring(m_first);
        const std::wstring high = std::to_wstring(m_last);
        const std::wstring shown = TextForMessage(text);
        TellUser(dkpex::FormatResString(IDS_NOT_A_WHOLE_NUMBER, {shown.c_str(), low.c_str(), high.c_str()}).c_str());
        return E_FAIL;
    }
    if (HWND spin = SpinWindow())
        ::SendMessageW(spin, UDM_SETPOS, 0, MAKELPARAM(static_cast<short>(n), 0));
    if (n != m_current)
    {
        m_current = static_cast<int>(n);
        MoveControls(m_current - 1);
        if (m_state >= kStateEditing)
            MarkCurrent();
    }
    return S_OK;
}

long CPropertyEditorSpin::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    // Other objects: their vertices are counted again and the row starts at the first, as
    // the coordinate rows the palette hands them to do.
    m_last = -1;
    m_current = m_first;
    const long hr = CDkPeEditBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly);
    if (HWND spin = SpinWindow(); spin && m_last >= m_first)
    {
        ::SendMessageW(spin, UDM_SETRANGE, 0, MAKELPARAM(static_cast<short>(m_last), static_cast<short>(m_first)));
        ::SendMessageW(spin, UDM_SETPOS, 0, MAKELPARAM(static_cast<short>(m_current), 0));
    }
    return hr;
}

long CPropertyEditorSpin::Handle_Refresh()
{
    LONG count = 0;
    if (SUCCEEDED(ReadGroups(count)) && m_first + static_cast<int>(count) - 1 != m_last)
    {
        // The object gained or lost vertices: back to the first.
        m_last = -1;
        m_current = m_first;
        dkfw::UniqueVariant scratch;
        ValueType type = ValueSpecified;
        GetPropertyValue(scratch.Addr(), type);
        if (HWND spin = SpinWindow())
            ::SendMessageW(spin, UDM_SETRANGE, 0, MAKELPARAM(static_cast<short>(m_last), static_cast<short>(m_first)));
        MoveControls(m_current - 1);
    }
    ShowCurrent();
    UpdateReadOnly();
    if (m_state >= kStateEditing)
    {
        dkpex::EraseVertexMark();
        MarkCurrent();
    }
    return S_OK;
}

int CPropertyEditorSpin::SplitOf(const RECT& rect) noexcept
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    return width > 6 * height ? rect.right - 2 * height : rect.left + 2 * (width / 3);
}

long CPropertyEditorSpin::BeginEdit(const RECT& rect)
{
    if (IsPropertyReadOnly())
        return S_OK;
    const int split = SplitOf(rect);
    const LPARAM range = MAKELPARAM(static_cast<short>(m_last), static_cast<short>(m_first));
    if (m_spin && !m_spin->Hwnd())
        Retire(m_spin);
    if (!m_spin)
    {
        HWND control = ControlHwnd();
        auto spin = std::make_unique<CPeSpinButtonCtrl>(this);
        if (!control || !spin->Create(control, RECT{split, rect.top, rect.right, rect.bottom}))
            return E_FAIL;
        ::SendMessageW(spin->Hwnd(), UDM_SETBASE, 10, 0);
        m_spin = std::move(spin);
    }
    ::SendMessageW(m_spin->Hwnd(), UDM_SETRANGE, 0, range);
    ::SendMessageW(m_spin->Hwnd(), UDM_SETPOS, 0, MAKELPARAM(static_cast<short>(m_current), 0));
    m_spin->SetOwner(this);
    const int stateBefore = m_state;
    const long hr = CDkPeEditBase::BeginEdit(rect);
    if (FAILED(hr))
        return hr;
    if (stateBefore < kStateEditing)
    {
        m_state = kStateEditing;
        Handle_SetObjectRects(&rect, &rect);
        ::ShowWindow(m_spin->Hwnd(), SW_SHOWNOACTIVATE);
    }
    MarkCurrent();
    return S_OK;
}

long CPropertyEditorSpin::Handle_SetObjectRects(const RECT* pos, const RECT* clip)
{
    if (m_state < kStateEditing || !pos)
        return S_OK;
    // The control's own children are placed from its origin.
    const RECT row{0, 0, pos->right - pos->left, pos->bottom - pos->top};
    const int split = SplitOf(row);
    if (HWND spin = SpinWindow())
        ::SetWindowPos(spin, HWND_TOP, split, row.top, row.right - split, row.bottom - row.top, SWP_NOACTIVATE);
    const RECT edit{pos->left, pos->top, pos->left + split - 1, pos->bottom};
    return CDkPeEditBase::Handle_SetObjectRects(&edit, clip);
}

long CPropertyEditorSpin::Handle_DoVerbShow(const RECT* pos, HWND parent)
{
    const long hr = CDkPeEditBase::Handle_DoVerbShow(pos, parent);
    if (m_state >= kStateEditing)
        for (HWND w : {HasEditWindow() ? m_pEdit->Hwnd() : nullptr, SpinWindow()})
            if (w)
            {
                ::ShowWindow(w, SW_SHOWNOACTIVATE);
                ::SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                ::InvalidateRect(w, nullptr, TRUE);
            }
    return hr;
}

long CPropertyEditorSpin::Handle_DoVerbHide(const RECT* pos, HWND parent)
{
    const long hr = CDkPeEditBase::Handle_DoVerbHide(pos, parent);
    if (HWND spin = SpinWindow())
        ::ShowWindow(spin, SW_HIDE);
    return hr;
}

long CPropertyEditorSpin::Handle_UIDeactivate()
{
    if (HWND spin = SpinWindow())
    {
        ::ShowWindow(spin, SW_HIDE);
        ::InvalidateRect(spin, nullptr, TRUE);
    }
    dkpex::EraseVertexMark();
    return CDkPeEditBase::Handle_UIDeactivate();
}

long CPropertyEditorSpin::MouseClick(UINT flags, POINT point)
{
    const long hr = CDkPeEditBase::MouseClick(flags, point);
    if (HWND spin = SpinWindow(); spin && m_state >= kStateEditing)
        ::ShowWindow(spin, SW_SHOWNOACTIVATE);
    if (flags != 0)
        MarkCurrent();
    return hr;
}

bool CPropertyEditorSpin::OnSpinDelta(int delta)
{
    HWND spin = SpinWindow();
    if (!spin)
        return false;
    int next = static_cast<short>(LOWORD(::SendMessageW(spin, UDM_GETPOS, 0, 0))) + delta;
    bool wrapped = false;
    if (next > m_last)
    {
        next = m_first;
        wrapped = true;
    }
    else if (next < m_first)
    {
        next = m_last;
        wrapped = true;
    }
    if (wrapped)
        ::SendMessageW(spin, UDM_SETPOS, 0, MAKELPARAM(static_cast<short>(next), 0));
    if (next != m_current)
    {
        m_current = next;
        MoveControls(m_current - 1);
        ShowCurrent();
        MarkCurrent();
    }
    return wrapped;
}

bool CPropertyEditorSpin::RouteFamilyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
try
{
    if (msg == WM_NOTIFY && Editor())
    {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->idFrom == CPeSpinButtonCtrl::kId && header->code == UDN_DELTAPOS)
        {
            const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
            result = OnSpinDelta(change->iDelta) ? 1 : 0;
            return true;
        }
    }
    return CDkPeEditTempl::RouteFamilyMessage(msg, wParam, lParam, result);
}
catch (...)
{
    return false;
}

// CPropertyEditorVariant: the coordinate row with its pick button; the pick, its reports
// and the picked point written to every selected object. CPropertyEditorNoPickVariant: the
// row without a button, which may be told to stay writable.
#include "PropertyEditorVariant.h"

#include "DkPeNumericEditBase.h"
#include "ObjectProperties.h"

#include "dkdb.h"
#include "dked.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"

#include "Unique.h"

#include <algorithm>

namespace
{
using dkfw::ComPtr;

constexpr DISPID kControlPointsDispid = 2;
constexpr DISPID kFitPointsDispid = 4;

// A point as an array of reals (the first n coordinates).
HRESULT PointVariant(const double* xyz, ULONG n, VARIANT* out)
{
    SAFEARRAY* sa = ::SafeArrayCreateVector(VT_R8, 0, n);
    if (!sa)
        return E_OUTOFMEMORY;
    double* data = nullptr;
    ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&data));
    std::copy(xyz, xyz + n, data);
    ::SafeArrayUnaccessData(sa);
    ::VariantInit(out);
    out->vt = VT_ARRAY | VT_R8;
    out->parray = sa;
    return S_OK;
}

// The member that writes one vertex of the object's list: "Coordinate" as a property, or
// the control or fit point methods of those lists.
bool VertexWriter(IDispatch* object, DISPID dispid, DISPID& member, WORD& flags)
{
    if (dkpex::MemberOfName(object, L"Coordinate", member))
    {
        flags = DISPATCH_PROPERTYPUT;
        return true;
    }
    flags = DISPATCH_METHOD;
    return (dispid == kControlPointsDispid && dkpex::MemberOfName(object, L"SetControlPoint", member)) ||
           (dispid == kFitPointsDispid && dkpex::MemberOfName(object, L"SetFitPoint", member));
}

void FocusMainWindow()
{
    if (HWND main = dkedGetMainWindow())
        ::SetFocus(main);
}
} // namespace

LRESULT CPropertyEditorVariant::Handle_OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    if (!FindButton(kOwnButton))
        AddButton(IDB_PICK_POINT, IDB_PICK_POINT_DISABLED, kOwnButton, false);
    return CDkPeVariantBase::Handle_OnCreate(msg, wParam, lParam, handled);
}

long CPropertyEditorVariant::BeginEdit(const RECT& rect)
{
    const long hr = CDkPeVariantBase::BeginEdit(rect);
    if (SUCCEEDED(hr) && !m_tooltipSet && FindButton(kOwnButton) && FindButton(kOwnButton)->window)
    {
        CTemporaryResourceOverride resources;
        SetButtonTooltip(dkpex::LoadResString(IDS_PICK_POINT_TIP), kOwnButton);
        m_tooltipSet = true;
    }
    return hr;
}

long CPropertyEditorVariant::Cleanup()
{
    m_pick.Cancel();
    return CDkPeVariantBase::Cleanup();
}

long CPropertyEditorVariant::Handle_UIDeactivate()
{
    if (m_pick.Running())
    {
        m_pick.Cancel();
        EnableButtons(true);
        FocusMainWindow();
    }
    return CDkPeVariantBase::Handle_UIDeactivate();
}

bool CPropertyEditorVariant::ReadBasePoint(double point[3])
{
    // The row's own read decides its expression state; the base point's reads do not.
    const CString expression = m_expression;
    const int expressionState = m_expressionState;
    const dkfw::ScopeExit restore(
        [&]
        {
            m_expression = expression;
            m_expressionState = expressionState;
        });
    const bool two = TwoCoordinateSelection();
    for (ULONG k = 0; k < (two ? 2u : 3u); ++k)
    {
        const ULONG cookie = m_groupOffset + k;
        dkfw::UniqueVariant v;
        ValueType type = ValueSpecified;
        if (FAILED(ReadElement(v.Addr(), type, &cookie)) || !NumericAsDouble(v.Get(), point[k]))
            return false;
    }
    if (two)
    {
        point[2] = 0;
        ComPtr<IDispatch> object;
        DISPID elevation = DISPID_UNKNOWN;
        dkfw::UniqueVariant z;
        DISPPARAMS none{};
        if (SUCCEEDED(m_ppObjects[0]->QueryInterface(IID_IDispatch, object.PutVoid())) &&
            dkpex::MemberOfName(object.Get(), L"Elevation", elevation) &&
            SUCCEEDED(object->Invoke(elevation, IID_NULL, kPropertyLocale, DISPATCH_PROPERTYGET, &none, z.Put(),
                                     nullptr, nullptr)))
            NumericAsDouble(z.Get(), point[2]);
    }
    return true;
}

long CPropertyEditorVariant::OnButtonClicked(int id)
{
    if (id != kOwnButton)
        return CDkPeVariantBase::OnButtonClicked(id);
    if (IsPropertyReadOnly())
        return S_OK;
    if (RefusedDuringDrag())
        return E_FAIL;
    if (m_pick.Running() || m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0])
        return E_FAIL;
    double base[3] = {0, 0, 0};
    if (!ReadBasePoint(base))
        return E_FAIL;
    std::wstring prompt;
    {
        CTemporaryResourceOverride resources;
        prompt = dkpex::LoadResString(IDS_PICK_POINT_PROMPT);
    }
    m_pick.pending.Reset();
    const HRESULT hr = m_pick.Start(this,
                                    [&](IDkPointInput* input) -> HRESULT
                                    {
                                        dkfw::UniqueBstr text(prompt);
                                        dkfw::UniqueVariant point;
                                        RETURN_IF_FAILED(input->SetFirstPrompt(text.Get()));
                                        RETURN_IF_FAILED(PointVariant(base, 3, point.Addr()));
                                        RETURN_IF_FAILED(input->SetBasePoint(point.Get()));
                                        return input->SetKind(dkpex::kPointInputOnePoint);
                                    });
    if (FAILED(hr))
        return E_FAIL;
    if (m_pick.Running())
    {
        EnableButtons(false);
        FocusMainWindow();
    }
    return S_FALSE;
}

bool CPropertyEditorVariant::OnPointInputRunning(const VARIANT& value)
{
    const dkfw::CallScope call(ControlLifetime());
    if (value.vt != (VT_ARRAY | VT_R8))
        return false;
    return SUCCEEDED(m_pick.pending.CopyFrom(value));
}

void CPropertyEditorVariant::OnPointInputEnded(LONG status)
{
    // The write may let the palette drop the row: the control stays whole until the end.
    const dkfw::CallScope call(ControlLifetime());
    m_pick.Ended();
    ApplyPickedPoint(status == dkpex::kPointInputAccepted);
}

bool CPropertyEditorVariant::SetCalculatorPoint(const double point[3])
{
    if (!point || FAILED(PointVariant(point, 3, m_pick.pending.Put())))
        return false;
    ApplyPickedPoint(true);
    return true;
}

bool CPropertyEditorVariant::WriteByMember(const double point[3], long& hr)
{
    ComPtr<IDispatch> first;
    DISPID member = DISPID_UNKNOWN;
    WORD flags = 0;
    if (FAILED(m_ppObjects[0]->QueryInterface(IID_IDispatch, first.PutVoid())) ||
        !VertexWriter(first.Get(), m_pDispids[0], member, flags))
        return false;
    // Without a vertex number there is no vertex to move; a vertex some object lacks moves
    // in none.
    hr = S_OK;
    if (m_elementCount == 0)
        return true;
    if (!EveryObjectHasTheElement())
    {
        hr = E_FAIL;
        return true;
    }
    const LONG index = static_cast<LONG>(m_groupOffset / m_elementCount);
    // A polyline's vertex is x and y in its plane; its elevation stays.
    ULONG n = 3;
    const LONG_PTR id = CDkPeCtrlBase::ObjectDatabaseId(m_ppObjects[0]);
    if (DkDbPolyline* polyline = nullptr;
        id != 0 && dkdbOpenObject(polyline, DkDbObjectId(id), DkDb::kForRead) == Drvk::eOk)
    {
        n = 2;
        polyline->close();
    }
    std::vector<DISPID> dispids(m_pDispids, m_pDispids + m_nObjects);
    bool skipped = false;
    hr = ChangeEachObject(
        [&](int i, IUnknown* object, IUnknown*) -> HRESULT
        {
            ComPtr<IDispatch> d;
            DISPID own = DISPID_UNKNOWN;
            WORD ownFlags = 0;
            if (FAILED(object->QueryInterface(IID_IDispatch, d.PutVoid())) ||
                !VertexWriter(d.Get(), dispids[static_cast<size_t>(i)], own, ownFlags))
                return E_FAIL;
            VARIANT args[2];
            RETURN_IF_FAILED(PointVariant(point, n, &args[0]));
            args[1].vt = VT_I4;
            args[1].lVal = index;
            DISPID named = DISPID_PROPERTYPUT;
            DISPPARAMS params{args, ownFlags == DISPATCH_PROPERTYPUT ? &named : nullptr, 2,
                              ownFlags == DISPATCH_PROPERTYPUT ? 1u : 0u};
            dkfw::UniqueVariant result;
            dkfw::UniqueExcepInfo excep;
            const HRESULT called =
                d->Invoke(own, IID_NULL, kPropertyLocale, ownFlags, &params, result.Put(), excep.Addr(), nullptr);
            ::VariantClear(&args[0]);
            if (FAILED(called))
                TellObjectError(called, excep.Addr());
            return called;
        },
        skipped);
    return true;
}

void CPropertyEditorVariant::ApplyPickedPoint(bool accepted)
try
{
    double point[3] = {0, 0, 0};
    const VARIANT& pending = m_pick.pending.Get();
    bool havePoint = false;
    if (pending.vt == (VT_ARRAY | VT_R8) && pending.parray && ::SafeArrayGetDim(pending.parray) == 1)
    {
        LONG low = 0, high = -1;
        ::SafeArrayGetLBound(pending.parray, 1, &low);
        ::SafeArrayGetUBound(pending.parray, 1, &high);
        const LONG n = std::min<LONG>(3, high - low + 1);
        double* data = nullptr;
        if (n >= 2 && SUCCEEDED(::SafeArrayAccessData(pending.parray, reinterpret_cast<void**>(&data))))
        {
            std::copy(data, data + n, point);
            ::SafeArrayUnaccessData(pending.parray);
            havePoint = true;
        }
    }
    if (accepted && havePoint && m_nObjects > 0 && m_ppObjects && m_ppObjects[0])
    {
        long hr = S_OK;
        if (!WriteByMember(point, hr))
        {
            // The point is the property's whole value.
            dkfw::UniqueVariant whole;
            if (SUCCEEDED(PointVariant(point, TwoCoordinateSelection() ? 2 : 3, whole.Addr())))
                CDkPeCtrlBase::SetPropertyValue(whole.Addr(), ValueSpecified);
        }
        EraseVertexMark();
        MarkVertex();
    }
    EndPick();
}
catch (...)
{
    EndPick();
}

void CPropertyEditorVariant::EndPick()
{
    m_pick.pending.Reset();
    EnableButtons(true);
}

HRESULT STDMETHODCALLTYPE CPropertyEditorNoPickVariant::SetAlwaysRW(BOOL alwaysRW) noexcept
{
    return Call(
        [&](CPropertyEditorNoPickVariant* t)
        {
            t->m_alwaysRW = alwaysRW != FALSE;
            return S_OK;
        });
}

long CPropertyEditorNoPickVariant::DoubleClick(const RECT& rect)
{
    BeginEdit(rect);
    return CDkPeEditBase::MouseClick(0, POINT{0, 0});
}

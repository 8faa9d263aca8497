// CDkPePick2PointsCtrl: the distance row; its pick asks the host for two points and writes
// the distance between them.
#include "DkPePick2PointsCtrl.h"

#include "DkPeNumericEditBase.h"
#include "DrawingUnits.h"

#include "dked.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"

#include "Unique.h"

namespace
{
// Values of another type are taken while the host runs a command carrying this flag.
constexpr int kAcceptAnyTypeFlag = 0x8000000;

void FocusMainWindow()
{
    if (HWND main = dkedGetMainWindow())
        ::SetFocus(main);
}
} // namespace

CDkPePick2PointsCtrl::CDkPePick2PointsCtrl()
{
    m_buttonSide = kRight;
    m_bEditBoxReadOnly = false;
    m_numericDataType = PE_DRVK_DISTANCE;
}

HRESULT STDMETHODCALLTYPE CDkPePick2PointsCtrl::SetPrompts(BSTR first, BSTR second) noexcept
{
    return Call(
        [&](CDkPePick2PointsCtrl* t)
        {
            if (first)
                t->m_firstPrompt = std::wstring(first, ::SysStringLen(first));
            if (second)
                t->m_secondPrompt = std::wstring(second, ::SysStringLen(second));
            return S_OK;
        });
}

std::wstring CDkPePick2PointsCtrl::FirstPrompt() const
{
    return m_firstPrompt ? *m_firstPrompt : dkpex::LoadResString(IDS_PICK_FIRST_PROMPT);
}

std::wstring CDkPePick2PointsCtrl::SecondPrompt() const
{
    return m_secondPrompt ? *m_secondPrompt : dkpex::LoadResString(IDS_PICK_SECOND_PROMPT);
}

LRESULT CDkPePick2PointsCtrl::Handle_OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    if (!FindButton(kOwnButton))
        AddButton(IDB_PICK_TWO_POINTS, IDB_PICK_TWO_POINTS_DISABLED, kOwnButton, false);
    return CDkPeButtonEditBase::Handle_OnCreate(msg, wParam, lParam, handled);
}

long CDkPePick2PointsCtrl::BeginEdit(const RECT& rect)
{
    const long hr = CDkPeButtonEditBase::BeginEdit(rect);
    if (SUCCEEDED(hr))
        SetButtonTooltip(dkpex::LoadResString(IDS_PICK_DISTANCE_TIP), kOwnButton);
    return hr;
}

long CDkPePick2PointsCtrl::Cleanup()
{
    m_pick.Cancel();
    return CDkPeButtonEditBase::Cleanup();
}

long CDkPePick2PointsCtrl::SetPropertyValue(VARIANT* value, ValueType valueType)
{
    if (!value)
        return E_POINTER;
    if (valueType == ValueUnspecified || value->vt == VT_BSTR)
    {
        const CString text = value->vt == VT_BSTR && value->bstrVal ? value->bstrVal : L"";
        if (m_bUnspecifiedAllowed && text == m_unspecifiedText)
        {
            dkfw::UniqueVariant unspecified;
            unspecified.Addr()->vt = VT_BSTR;
            unspecified.Addr()->bstrVal = ::SysAllocString(text.c_str());
            return CDkPeCtrlBase::SetPropertyValue(unspecified.Addr(), ValueUnspecified);
        }
        // A distance in the drawing's units, never an expression.
        dkfw::UniqueVariant distance;
        if (!IsCurrentDocumentDatabase() || !dkpex::ParseByNumericType(text, m_numericDataType, distance.Addr()))
        {
            TellUser(NotAValueMessage(text).c_str());
            return E_FAIL;
        }
        return CDkPeCtrlBase::SetPropertyValue(distance.Addr(), ValueSpecified);
    }
    if (value->vt != m_propertyValueType && !dkedIsInCommandStack(kAcceptAnyTypeFlag))
        return E_FAIL;
    return CDkPeCtrlBase::SetPropertyValue(value, valueType);
}

long CDkPePick2PointsCtrl::OnButtonClicked(int id)
{
    if (id != kOwnButton)
        return CDkPeButtonEditBase::OnButtonClicked(id);
    if (m_pick.Running() || IsPropertyReadOnly())
        return E_FAIL;
    const std::wstring first = FirstPrompt();
    const std::wstring second = SecondPrompt();
    m_pick.pending.Reset();
    const HRESULT hr = m_pick.Start(this,
                                    [&](IDkPointInput* input) -> HRESULT
                                    {
                                        dkfw::UniqueBstr one(first);
                                        dkfw::UniqueBstr two(second);
                                        RETURN_IF_FAILED(input->SetFirstPrompt(one.Get()));
                                        RETURN_IF_FAILED(input->SetSecondPrompt(two.Get()));
                                        return input->SetKind(dkpex::kPointInputTwoPoints);
                                    });
    if (FAILED(hr))
        return E_FAIL;
    if (m_pick.Running())
    {
        EnableButtons(false);
        FocusMainWindow();
    }
    return S_OK;
}

bool CDkPePick2PointsCtrl::OnPointInputRunning(const VARIANT& value)
{
    const dkfw::CallScope call(ControlLifetime());
    if (value.vt != VT_R8)
        return false;
    return SUCCEEDED(m_pick.pending.CopyFrom(value));
}

void CDkPePick2PointsCtrl::OnPointInputEnded(LONG status)
{
    // The write may let the palette drop the row: the control stays whole until the end.
    const dkfw::CallScope call(ControlLifetime());
    m_pick.Ended();
    if (status == dkpex::kPointInputAccepted && m_pick.pending.Type() == VT_R8)
    {
        dkfw::UniqueVariant distance;
        distance.CopyFrom(m_pick.pending.Get());
        CDkPeCtrlBase::SetPropertyValue(distance.Addr(), ValueSpecified);
    }
    m_pick.pending.Reset();
    EnableButtons(true);
}

long CDkPePick2PointsCtrl::Handle_UIDeactivate()
{
    if (m_pick.Running())
    {
        m_pick.Cancel();
        EnableButtons(true);
        FocusMainWindow();
    }
    return CDkPeButtonEditBase::Handle_UIDeactivate();
}

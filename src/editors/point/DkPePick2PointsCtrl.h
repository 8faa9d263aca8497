// CDkPePick2PointsCtrl: a distance typed, or measured in the drawing between two points the
// user picks.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeButtonEditTempl.h"
#include "PointInput.h"

#include <optional>
#include <string>

class CDkPePick2PointsCtrl : public CDkPeButtonEditTempl<CDkPePick2PointsCtrl, CDkPeButtonEditBase>,
                             public IDkPePick2PointsCtrl,
                             public CPointInputOwner
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPePick2PointsCtrl, IDkPeCalculatorCtrl>;

    CDkPePick2PointsCtrl();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePick2PointsCtrl; }

    HRESULT STDMETHODCALLTYPE SetPrompts(BSTR first, BSTR second) noexcept override;

    long Cleanup() override;
    long BeginEdit(const RECT& rect) override;
    long SetPropertyValue(VARIANT* value, ValueType valueType) override;
    long Handle_UIDeactivate() override;
    LRESULT Handle_OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    long OnButtonClicked(int id) override;

    bool Picking() const noexcept { return m_pick.Running(); }
    // The prompts the next pick asks with.
    std::wstring FirstPrompt() const;
    std::wstring SecondPrompt() const;

    // CPointInputOwner
    bool OnPointInputRunning(const VARIANT& value) override;
    void OnPointInputEnded(LONG status) override;

private:
    std::optional<std::wstring> m_firstPrompt; // the component's own until set
    std::optional<std::wstring> m_secondPrompt;
    CPointPick m_pick;
    VARTYPE m_propertyValueType = VT_R8;
};

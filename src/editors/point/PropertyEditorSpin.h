// CPropertyEditorSpin: the current-vertex row above a list's coordinate rows: a 1-based
// vertex number typed or stepped with a horizontal up-down control; every linked
// coordinate row follows it.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeEditBase.h"
#include "DkPeEditTempl.h"

#include "ComPtr.h"
#include "Subclass.h"

#include <memory>
#include <vector>

// The up-down control of the row, its arrows drawn flat.
class CPeSpinButtonCtrl : public dkfw::SubclassedWindow
{
public:
    static constexpr UINT kId = 1041;
    static constexpr DWORD kStyle =
        0x400000E4; // WS_CHILD | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_HORZ | UDS_NOTHOUSANDS

    explicit CPeSpinButtonCtrl(CDkPeCtrlBase* owner) noexcept : m_owner(owner) {}
    ~CPeSpinButtonCtrl() override;
    bool Create(HWND parent, const RECT& rect) noexcept;
    void SetOwner(CDkPeCtrlBase* owner) noexcept { m_owner = owner; }

protected:
    bool OnSubclassMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    dkfw::Lifetime* OwnerLifetime() noexcept override { return m_owner ? m_owner->ControlLifetime() : nullptr; }

private:
    void Flatten() noexcept;
    CDkPeCtrlBase* m_owner; // not owned
};

class CPropertyEditorSpin : public CDkPeEditTempl<CPropertyEditorSpin, CDkPeEditBase>, public IDkPeSpinCtrl
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeSpinCtrl>;

    CPropertyEditorSpin() = default;
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorSpin; }

    HRESULT STDMETHODCALLTYPE SetControls(VARIANT controls) noexcept override;

    long Cleanup() override;
    long BeginEdit(const RECT& rect) override;
    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long SetPropertyValue(VARIANT* value, ValueType valueType) override;
    long Handle_Refresh() override;
    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long Handle_SetObjectRects(const RECT* pos, const RECT* clip) override;
    long Handle_DoVerbShow(const RECT* pos, HWND parent) override;
    long Handle_DoVerbHide(const RECT* pos, HWND parent) override;
    long Handle_UIDeactivate() override;
    long MouseClick(UINT flags, POINT point) override;

    // The up-down control's change by delta: true when the row applied it (wrapped around).
    bool OnSpinDelta(int delta);
    // Every linked coordinate row to vertex index.
    void MoveControls(int index);

    int Current() const noexcept { return m_current; }
    HWND SpinWindow() const noexcept { return m_spin ? m_spin->Hwnd() : nullptr; }

protected:
    bool RouteFamilyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;

private:
    HRESULT ReadGroups(LONG& count);
    void UpdateReadOnly();
    void MarkCurrent();
    void ShowCurrent();
    // Where the up-down control starts in a row.
    static int SplitOf(const RECT& rect) noexcept;

    bool m_alwaysWritable = true;
    int m_first = 1;
    int m_last = -1;
    int m_current = 1;
    std::vector<dkfw::ComPtr<IUnknown>> m_linked;
    short m_perGroup = 0;
    std::unique_ptr<CPeSpinButtonCtrl> m_spin;
};

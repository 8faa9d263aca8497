// CPropertyEditorVariant and CPropertyEditorNoPickVariant: the coordinate rows, with and
// without a button that picks the vertex's new position in the drawing.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeButtonEditTempl.h"
#include "DkPeVariantBase.h"
#include "PointInput.h"

// The glue both coordinate classes share: the numeric kind and the vertex addressing.
template <class T>
class CDkPeVariantTempl : public CDkPeButtonEditTempl<T, CDkPeVariantBase>,
                          public IDkPeNumericEditor,
                          public IDkPeVariantCtrl
{
public:
    HRESULT STDMETHODCALLTYPE SetNumericDataType(DkPeNumericType dataType) noexcept override
    {
        return this->Call([&](T* t) { return t->SetNumericType(dataType); });
    }
    HRESULT STDMETHODCALLTYPE SetDwCookies(VARIANT cookies) noexcept override
    {
        return this->Call([&](T* t) { return t->CDkPeVariantBase::SetDwCookies(cookies); });
    }
    HRESULT STDMETHODCALLTYPE SetGroupOffset(ULONG offset) noexcept override
    {
        const dkfw::CallScope call(this->OwnerLifetime());
        return this->Call([&](T* t) { return t->CDkPeVariantBase::SetGroupOffset(offset); });
    }
    HRESULT STDMETHODCALLTYPE SetElementCount(ULONG count) noexcept override
    {
        return this->Call([&](T* t) { return t->CDkPeVariantBase::SetElementCount(count); });
    }

protected:
    CDkPeVariantTempl() = default;
};

class CPropertyEditorVariant : public CDkPeVariantTempl<CPropertyEditorVariant>, public CPointInputOwner
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeNumericEditor, IDkPeVariantCtrl, IDkPeCalculatorCtrl>;

    CPropertyEditorVariant() = default;
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorVariant; }

    long Cleanup() override;
    long BeginEdit(const RECT& rect) override;
    long Handle_UIDeactivate() override;
    LRESULT Handle_OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    long OnButtonClicked(int id) override;
    bool SetCalculatorPoint(const double point[3]) override;

    // The pick's end: the pending point written when accepted.
    void ApplyPickedPoint(bool accepted);
    bool Picking() const noexcept { return m_pick.Running(); }

    // CPointInputOwner
    bool OnPointInputRunning(const VARIANT& value) override;
    void OnPointInputEnded(LONG status) override;

private:
    // The first object's vertex as a three-element point: the pick's base point.
    bool ReadBasePoint(double point[3]);
    // The picked point written by the objects' vertex member; false when they have none.
    bool WriteByMember(const double point[3], long& hr);
    void EndPick();

    CPointPick m_pick;
    bool m_tooltipSet = false;
};

class CPropertyEditorNoPickVariant : public CDkPeVariantTempl<CPropertyEditorNoPickVariant>, public IDkPeNoPickVariantRW
{
public:
    using ClassInterfaces =
        dkpex::Interfaces<IDkPeNumericEditor, IDkPeVariantCtrl, IDkPeNoPickVariantRW, IDkPeCalculatorCtrl>;

    CPropertyEditorNoPickVariant() = default;
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorNoPickVariant; }

    HRESULT STDMETHODCALLTYPE SetAlwaysRW(BOOL alwaysRW) noexcept override;
    long DoubleClick(const RECT& rect) override;
};

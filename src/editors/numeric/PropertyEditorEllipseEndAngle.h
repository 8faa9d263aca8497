// CPropertyEditorEllipseEndAngle: the end angle of an elliptical arc.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeButtonEditTempl.h"
#include "DkPeNumericEditBase.h"

class CPropertyEditorEllipseEndAngle
    : public CDkPeButtonEditTempl<CPropertyEditorEllipseEndAngle, CDkPeNumericEditBase>,
      public IDkPeNumericEditor
{
public:
    // The class offers no calculator to the palette.
    using ClassInterfaces = dkpex::Interfaces<IDkPeNumericEditor>;

    CPropertyEditorEllipseEndAngle();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorEllipseEndAngle; }

    HRESULT STDMETHODCALLTYPE SetNumericDataType(DkPeNumericType dataType) noexcept override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
};

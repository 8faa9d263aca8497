// CPropertyEditorEllipseEndAngle: the end angle of an elliptical arc.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeBaseTempl.h"
#include "DkPeNumericEditBase.h"

class CPropertyEditorEllipseEndAngle : public CDkPeNumericEditBase,
                                       public CDkPeButtonEditTempl<CPropertyEditorEllipseEndAngle>,
                                       public IDkPeNumericEditor
{
public:
    // The class offers no calculator to the palette.
    using FamilyInterfaces = dkpex::FamilyInterfaces<IDkPeNumericEditor>;

    CPropertyEditorEllipseEndAngle();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorEllipseEndAngle; }

    HRESULT STDMETHODCALLTYPE SetNumericDataType(DkPeNumericType dataType) noexcept override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
};

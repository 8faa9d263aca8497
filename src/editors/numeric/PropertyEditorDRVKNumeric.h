// CPropertyEditorDRVKNumeric: a double as a distance, an angle, a raw angle or a plain number.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeBaseTempl.h"
#include "DkPeNumericEditBase.h"

class CPropertyEditorDRVKNumeric : public CDkPeNumericEditBase,
                                   public CDkPeButtonEditTempl<CPropertyEditorDRVKNumeric>,
                                   public IDkPeNumericEditor
{
public:
    using FamilyInterfaces = dkpex::FamilyInterfaces<IDkPeNumericEditor, IDkPeCalculatorCtrl>;

    CPropertyEditorDRVKNumeric();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorDRVKNumeric; }

    HRESULT STDMETHODCALLTYPE SetNumericDataType(DkPeNumericType dataType) noexcept override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
};

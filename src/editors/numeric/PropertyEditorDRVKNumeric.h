// CPropertyEditorDRVKNumeric: a double as a distance, an angle, a raw angle or a plain number.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeButtonEditTempl.h"
#include "DkPeNumericEditBase.h"

class CPropertyEditorDRVKNumeric : public CDkPeButtonEditTempl<CPropertyEditorDRVKNumeric, CDkPeNumericEditBase>,
                                   public IDkPeNumericEditor
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeNumericEditor, IDkPeCalculatorCtrl>;

    CPropertyEditorDRVKNumeric();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorDRVKNumeric; }

    HRESULT STDMETHODCALLTYPE SetNumericDataType(DkPeNumericType dataType) noexcept override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
};

// CPropertyEditorNumericArea: an area in the drawing's units.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeButtonEditTempl.h"
#include "DkPeNumericEditBase.h"

// An area; with feet-and-inches units shown in square inches and square feet. Several
// hatches read, every other time, as the area of their union.
class CPropertyEditorNumericArea : public CDkPeButtonEditTempl<CPropertyEditorNumericArea, CDkPeNumericEditBase>
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeCalculatorCtrl>;

    CPropertyEditorNumericArea();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorNumericArea; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
    long ReadValue(VARIANT* value, ValueType& valueType) override;
    bool GetCalculatorInput(CString& text) override;
    bool SetCalculatorResult(const CalculatorResult& result) override;

private:
    bool AllHatches();
    long ReadUnionArea(VARIANT* value, ValueType& valueType);
};

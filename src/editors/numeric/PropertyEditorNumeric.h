// CPropertyEditorNumeric: any numeric property, shown and taken in its own value type.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeBaseTempl.h"
#include "DkPeNumericEditBase.h"

class CPropertyEditorNumeric : public CDkPeNumericEditBase, public CDkPeButtonEditTempl<CPropertyEditorNumeric>
{
public:
    using FamilyInterfaces = dkpex::FamilyInterfaces<IDkPeCalculatorCtrl>;

    CPropertyEditorNumeric();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorNumeric; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
};

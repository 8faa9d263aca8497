// CPropertyEditorTextEx: a text property that can also be driven by an expression, shown on
// the row's expression button; text the property refuses becomes its expression.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeButtonEditTempl.h"
#include "DkPeButtonEditBase.h"

class CPropertyEditorTextEx : public CDkPeButtonEditTempl<CPropertyEditorTextEx, CDkPeButtonEditBase>
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeCalculatorCtrl>;

    CPropertyEditorTextEx();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorTextEx; }

    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long SetPropertyValue(VARIANT* value, ValueType valueType) override;
};

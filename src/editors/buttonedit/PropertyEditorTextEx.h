// CPropertyEditorTextEx: a text property that can also be driven by an expression, shown on
// the row's expression button; text the property refuses becomes its expression.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeBaseTempl.h"
#include "DkPeButtonEditBase.h"

class CPropertyEditorTextEx : public CDkPeButtonEditBase, public CDkPeButtonEditTempl<CPropertyEditorTextEx>
{
public:
    using FamilyInterfaces = dkpex::FamilyInterfaces<IDkPeCalculatorCtrl>;

    CPropertyEditorTextEx();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorTextEx; }

    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long SetPropertyValue(VARIANT* value, ValueType valueType) override;
};

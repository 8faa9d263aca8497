// CPropertyEditorNumeric: any numeric property, shown and taken in its own value type.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeButtonEditTempl.h"
#include "DkPeNumericEditBase.h"

class CPropertyEditorNumeric : public CDkPeButtonEditTempl<CPropertyEditorNumeric, CDkPeNumericEditBase>
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeCalculatorCtrl>;

    CPropertyEditorNumeric();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorNumeric; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
};

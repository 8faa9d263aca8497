// CPropertyEditorEnum: a property that takes one value of its own set of choices.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeBaseTempl.h"
#include "DkPeEnumBase.h"

class CPropertyEditorEnum : public CDkPeEnumBase, public CDkPeComboTempl<CPropertyEditorEnum>
{
public:
    CPropertyEditorEnum();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorEnum; }
};

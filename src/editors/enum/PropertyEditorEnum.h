// CPropertyEditorEnum: a property that takes one value of its own set of choices.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "DkPeEnumBase.h"

class CPropertyEditorEnum : public CDkPeComboTempl<CPropertyEditorEnum, CDkPeEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorEnum; }
};

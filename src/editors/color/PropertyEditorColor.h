// CPropertyEditorColor: the palette's colour picker.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeColorCombo.h"
#include "DkPeColorGlue.h"

class CPropertyEditorColor : public CDkPeColorTempl<CPropertyEditorColor, CDkPeColorCombo>
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeColorCtrl>;
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorColor; }
};

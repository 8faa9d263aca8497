// CPropertyEditorText: a text property, edited in the row's edit box.
#pragma once

#include "DkPeEditTempl.h"
#include "DkPeEditBase.h"

class CPropertyEditorText : public CDkPeEditTempl<CPropertyEditorText, CDkPeEditBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorText; }
};

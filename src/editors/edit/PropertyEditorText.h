// CPropertyEditorText: a text property, edited in the row's edit box.
#pragma once

#include "DkPeBaseTempl.h"
#include "DkPeEditBase.h"

class CPropertyEditorText : public CDkPeEditBase, public CDkPeEditTempl<CPropertyEditorText>
{
public:
    CPropertyEditorText() : CDkPeEditBase(static_cast<CIPropEditUIEvents*>(this), static_cast<CDkPeBasePrivate*>(this))
    {
    }
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorText; }
};

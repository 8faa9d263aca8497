// CPropertyEditorPwdText: a password property; a writable row shows only mask characters.
#pragma once

#include "DkPeBaseTempl.h"
#include "DkPeEditBase.h"

class CPropertyEditorPwdText : public CDkPeEditBase, public CDkPeEditTempl<CPropertyEditorPwdText>
{
public:
    CPropertyEditorPwdText()
        : CDkPeEditBase(static_cast<CIPropEditUIEvents*>(this), static_cast<CDkPeBasePrivate*>(this))
    {
    }
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorPwdText; }

    long BeginEdit(const RECT& rect) override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;

private:
    // The password edit over the whole row, made once.
    bool EnsurePasswordEdit() noexcept;
};

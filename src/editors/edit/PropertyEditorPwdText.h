// CPropertyEditorPwdText: a password property; the row shows only mask characters, in its
// edit while the property is writable and drawn while it is read-only.
#pragma once

#include "DkPeEditTempl.h"
#include "DkPeEditBase.h"

class CPropertyEditorPwdText : public CDkPeEditTempl<CPropertyEditorPwdText, CDkPeEditBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorPwdText; }

    long BeginEdit(const RECT& rect) override;
    long GetTextTipWidth(int& width) override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long Handle_SetObjectRects(const RECT* pos, const RECT* clip) override;
    // A command's value goes into the password edit, never into a plain one.
    void PresetValue(const std::wstring& text, bool isInteger, long long number) override;

private:
    // The password edit over the whole row, made again when its window went with an
    // earlier control window or a command's preset put a plain edit in its place.
    bool EnsurePasswordEdit() noexcept;
    // The single-line password edit over the row, its masks where the other rows' text is.
    void PlacePasswordEdit() noexcept;
    // The row's text as the password edit masks it.
    std::wstring Mask() const;
};

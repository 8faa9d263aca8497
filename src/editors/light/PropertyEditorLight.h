// The other light editors: a light's intensity, typed as text with a button to the light's
// page, and a preview of the light's photometric web drawn into its row.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeBaseTempl.h"
#include "DkPeButtonEditTempl.h"

// The intensity as the light gives it, [text, locked]: the text is the row's; a locked light,
// or several, get no button.
class CPropertyEditorLightIntensity : public CDkPeButtonEditTempl<CPropertyEditorLightIntensity, CDkPeButtonEdit>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorLightIntensity; }

    long BeginEdit(const RECT& rect) override;
    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long ComparePropertyValue(VARIANT* a, VARIANT* b, int& result) override;

private:
    // The value read says the light is locked; two objects' values were compared (several
    // are selected). Both are told afresh at every read.
    bool m_bLockedByValue = false;
    bool m_bCompared = false;
    ValueType m_valueType = ValueSpecified;
};

// The preview of the light's web file, drawn by the host's scene module.
class CPropertyEditorLightWebPreview : public CDkPeBaseTempl<CPropertyEditorLightWebPreview, CDkPeCtrlBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorLightWebPreview; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long Handle_Refresh() override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;

    const CString& WebFile() const noexcept { return m_webFile; }

private:
    long ReadWebFile();

    CString m_webFile;
    ValueType m_valueType = ValueSpecified;
    // The scene module was asked for once since the last read: a missing module is not
    // looked for again at every paint.
    bool m_bModuleTried = false;
};

// The intensity and web preview editors of photometric lights.
#include "PropertyEditorLight.h"

#include "LightValues.h"

#include "ResourceIds.h"
#include "dkrx.h"
#include "dkscene.h"

#include "HResult.h"
#include "Unique.h"

#include <utility>

// --- Intensity ---

long CPropertyEditorLightIntensity::GetPropertyValue(VARIANT* value, ValueType& valueType)
{
    if (!value)
        return E_POINTER;
    m_bLockedByValue = false;
    m_bCompared = false;
    dkfw::UniqueVariant read;
    RETURN_IF_FAILED(CDkPeCtrlBase::GetPropertyValue(read.Put(), valueType));
    m_valueType = valueType;
    dkfw::UniqueVariant text;
    if (read.Type() == VT_BSTR)
        text = std::move(read);
    else
        RETURN_IF_FAILED(dkpex::ArrayElement(read.Get(), 0, VT_BSTR, text));
    dkfw::UniqueVariant locked;
    m_bLockedByValue = SUCCEEDED(dkpex::ArrayElement(read.Get(), 1, VT_I4, locked)) && locked.Get().lVal == 1;
    ::VariantClear(value);
    *value = text.Get();
    text.Addr()->vt = VT_EMPTY;
    return S_OK;
}

long CPropertyEditorLightIntensity::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    if (!a || !b)
        return E_FAIL;
    m_bCompared = true;
    if (SUCCEEDED(dkpex::CompareVariantArrays(*a, *b, result)))
        return S_OK;
    return CDkPeButtonEdit::ComparePropertyValue(a, b, result);
}

long CPropertyEditorLightIntensity::BeginEdit(const RECT& rect)
{
    const bool wantsButton = m_valueType != ValueVaries && !m_bLockedByValue && !m_bCompared;
    if (!wantsButton)
        DropButtons();
    else if (m_buttons.empty())
        AddButton(IDB_LAMP_COLOR, IDB_LAMP_COLOR, kOwnButton, false);
    const long hr = CDkPeButtonEdit::BeginEdit(rect);
    // A row already active lays its edit box out anew when its button came or went, over the
    // whole row: after the light's page the rectangle handed in is the edit box's own, which
    // would leave the box one button narrower at every click.
    RECT row{};
    if (HWND control = ControlHwnd(); control && ::GetClientRect(control, &row))
        Handle_SetObjectRects(&row, &row);
    return hr;
}

// --- Web preview ---

long CPropertyEditorLightWebPreview::ReadWebFile()
{
    m_bModuleTried = false;
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    RETURN_IF_FAILED(GetPropertyValue(value.Put(), type));
    m_valueType = type;
    m_webFile = value.Type() == VT_BSTR && value.Get().bstrVal ? value.Get().bstrVal : L"";
    return S_OK;
}

long CPropertyEditorLightWebPreview::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids,
                                                            short bReadOnly)
{
    if (FAILED(CDkPeCtrlBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)))
        return E_FAIL;
    return ReadWebFile();
}

long CPropertyEditorLightWebPreview::Handle_Refresh()
{
    return ReadWebFile();
}

long CPropertyEditorLightWebPreview::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    HDC dc = info.hdcDraw;
    const RECT bounds{info.prcBounds->left, info.prcBounds->top, info.prcBounds->right, info.prcBounds->bottom};
    {
        const int saved = ::SaveDC(dc);
        BOOL handled = FALSE;
        if (HBRUSH back = Handle_OnCtlColor(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0, handled))
            ::FillRect(dc, &bounds, back);
        ::RestoreDC(dc, saved);
    }
    if (m_valueType == ValueVaries || m_webFile.empty())
        return S_OK;
    if (!dkrxServiceIsRegistered(DKSCENEUI_SERVICE))
    {
        if (m_bModuleTried)
            return S_OK;
        m_bModuleTried = true;
        dkrxLoadModule(DKSCENEUI_MODULE, false, false);
    }
    DkRxDictionary* registry = dkrxSysRegistry();
    DkRxDynamicLinker* linker = DkRxDynamicLinker::cast(registry ? registry->at(DKRX_DYNAMIC_LINKER_OBJ) : nullptr);
    auto preview =
        linker ? reinterpret_cast<DkGenWebPreviewFn>(linker->getSymbolAddress(DKSCENEUI_SERVICE, DKSCENEUI_WEB_PREVIEW))
               : nullptr;
    if (preview)
    {
        const int saved = ::SaveDC(dc);
        preview(m_webFile.c_str(), dc, &bounds, 0);
        ::RestoreDC(dc, saved);
    }
    return S_OK;
}

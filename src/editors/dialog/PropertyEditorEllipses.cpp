// The ellipsis-button dialog editors.
#include "PropertyEditorEllipses.h"

#include "ObjectProperties.h"
#include "SharedTexts.h"

#include "ComPtr.h"
#include "Unique.h"

CDkPeEllipsisButtonEdit::CDkPeEllipsisButtonEdit(CIPropEditUIEvents* events, CDkPeBasePrivate* priv)
    : CDkPeButtonEdit(events, priv)
{
}

long CDkPeEllipsisButtonEdit::BeginEdit(const RECT& rect)
{
    // Whether a read-only row keeps its button follows the selection the row shows now.
    const bool shown = IsPropertyReadOnly() && ShownWhenReadOnly();
    if (m_buttons.empty())
        AddButton(0, 0, kOwnButton, shown);
    else
        m_buttons.front()->shownWhenReadOnly = shown;
    return CDkPeButtonEdit::BeginEdit(rect);
}

CPropertyEditorEllipses::CPropertyEditorEllipses()
{
    m_bEditBoxReadOnly = true;
}

bool CPropertyEditorEllipses::ShownWhenReadOnly()
{
    if (m_nObjects != 1 || !m_ppObjects || !m_ppObjects[0] || !m_pDispids || m_pDispids[0] != kDynamicPropertyDispid)
        return false;
    dkfw::ComPtr<IUnknown> marker;
    return SUCCEEDED(m_ppObjects[0]->QueryInterface(IID_IDkDialogOnReadOnly, marker.PutVoid()));
}

CPropertyEditorEditButton::CPropertyEditorEditButton() = default;

CPropertyEditorEllipsesHyperlinks::CPropertyEditorEllipsesHyperlinks()
{
    m_bEditBoxReadOnly = true;
}

long CPropertyEditorEllipsesHyperlinks::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids,
                                                               short bReadOnly)
{
    const long hr = CDkPeEditBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly);
    if (FAILED(hr))
        return hr;
    // A row the palette hands over read-only stays so; otherwise the first object decides.
    if (!m_bInitReadOnly && m_nObjects > 0 && m_ppObjects && m_ppObjects[0] && m_pDispids)
    {
        m_bPropReadOnly = FALSE;
        AskEditable(0);
    }
    return S_OK;
}

long CPropertyEditorEllipsesHyperlinks::Handle_Refresh()
{
    const long hr = CDkPeButtonEdit::Handle_Refresh();
    // The hyperlinks are the dialog's to change, whatever the objects say of the property,
    // unless the palette made the row read-only.
    if (SUCCEEDED(hr))
        m_bPropReadOnly = m_bInitReadOnly;
    return hr;
}

std::optional<std::wstring> CPropertyEditorEllipsesHyperlinks::FirstAddress(IDispatch* links)
{
    dkfw::ComPtr<IDkHyperlinks> collection;
    dkfw::ComPtr<IDkHyperlink> first;
    dkfw::UniqueBstr address;
    if (!links || FAILED(links->QueryInterface(IID_IDkHyperlinks, collection.PutVoid())) ||
        FAILED(collection->Item(0, first.Put())) || !first || FAILED(first->get_URL(address.Put())))
        return std::nullopt;
    return std::wstring(address.View());
}

long CPropertyEditorEllipsesHyperlinks::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    if (a && b && a->vt == VT_DISPATCH && b->vt == VT_DISPATCH)
    {
        result = FirstAddress(a->pdispVal) == FirstAddress(b->pdispVal) ? 0 : -1;
        return S_OK;
    }
    return CDkPeButtonEdit::ComparePropertyValue(a, b, result);
}

CPropertyEditorAttributeValue::CPropertyEditorAttributeValue()
{
    m_bEditBoxReadOnly = true;
    m_buttonSide = kRight;
    m_numericDataType = PE_DRVK_OTHER;
    m_buttonsShown = true;
    m_bPropReadOnly = FALSE;
}

long CPropertyEditorAttributeValue::PropReadOnly(int& readOnly)
{
    CDkPeButtonEdit::PropReadOnly(readOnly);
    if (m_mixedKinds)
        readOnly = TRUE;
    return S_OK;
}

long CPropertyEditorAttributeValue::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids,
                                                           short bReadOnly)
{
    if (FAILED(CDkPeEditBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)))
        return E_FAIL;
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    if (SUCCEEDED(GetPropertyValue(value.Put(), type)))
    {
        ApplyAttributeKind();
        ShowValueText(value.Get(), type);
    }
    return S_OK;
}

void CPropertyEditorAttributeValue::ApplyAttributeKind()
{
    int multiline = 0;
    for (int i = 0; i < m_nObjects; ++i)
        if (m_ppObjects && dkpex::AttributeIsMultiline(m_ppObjects[i]))
            ++multiline;
    m_mixedKinds = multiline != 0 && multiline != m_nObjects;
    if (multiline == m_nObjects && m_nObjects > 0)
    {
        // Every attribute holds several lines: they are edited in the dialog.
        m_bEditBoxReadOnly = true;
        m_buttonSide = kRight;
        m_buttonsShown = true;
    }
    else
    {
        // One line each: a plain text row; a mix: a read-only row. No button either way.
        m_bEditBoxReadOnly = m_mixedKinds;
        m_buttonSide = kNoSide;
        m_buttonsShown = false;
    }
    if (m_pEdit && m_pEdit->Hwnd())
        ::SendMessageW(m_pEdit->Hwnd(), EM_SETREADONLY, m_bEditBoxReadOnly || IsPropertyReadOnly(), 0);
    for (auto& b : m_buttons)
        if (b->window && b->window->Hwnd() && !m_buttonsShown)
            ::ShowWindow(b->window->Hwnd(), SW_HIDE);
    if (HWND control = ControlHwnd(); control && m_state >= kStateEditing)
    {
        RECT client{};
        ::GetClientRect(control, &client);
        Handle_SetObjectRects(&client, &client);
    }
}

CString CPropertyEditorAttributeValue::DialogText()
{
    // The attribute's dialog reads the text itself.
    return CString();
}

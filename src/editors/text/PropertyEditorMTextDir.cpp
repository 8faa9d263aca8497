// The multiline text's direction.
#include "PropertyEditorMTextDir.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "HResult.h"
#include "Unique.h"

namespace
{
// The values the three entries write.
constexpr LONG kWritten[3] = {1, 3, 5};
} // namespace

CPropertyEditorMTextDir::CPropertyEditorMTextDir()
{
    m_bNeedsCurrentDocument = TRUE;
    for (int i = 0; i < 3; ++i)
        m_texts[i] = dkpex::LoadResString(IDS_MTEXT_DIRECTION_FIRST + i);
}

long CPropertyEditorMTextDir::FillList()
{
    HWND combo = m_pCombo ? m_pCombo->Hwnd() : nullptr;
    if (!combo)
        return E_FAIL;
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& text : m_texts)
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (m_bUnspecifiedAllowed)
        m_nUnspecified = static_cast<int>(
            ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_unspecifiedText.c_str())));
    if (m_nVaries > 0)
        m_nVaries = static_cast<int>(
            ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(dkpex::VariesText().c_str())));
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
    return S_OK;
}

int CPropertyEditorMTextDir::GetCurrentIndex()
{
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), type)))
        return -1;
    int index = -1;
    if (type == ValueUnspecified)
        index = m_nUnspecified = 3;
    else
    {
        m_nUnspecified = -1;
        if (type == ValueVaries)
            index = m_nVaries = m_bUnspecifiedAllowed ? 4 : 3;
        else
        {
            m_nVaries = -1;
            m_nCurrentIndex = -1;
            dkfw::UniqueVariant number;
            if (SUCCEEDED(::VariantChangeType(number.Addr(), value.Addr(), 0, VT_I4)))
            {
                const LONG v = number.Get().lVal;
                index = v == 1 || v == 2 ? 0 : v == 3 || v == 4 ? 1 : v == 5 ? 2 : -1;
            }
        }
    }
    // A list made for other entries after the three is made again.
    if (HWND combo = m_pCombo ? m_pCombo->Hwnd() : nullptr)
    {
        const int wanted = 3 + (m_bUnspecifiedAllowed ? 1 : 0) + (m_nVaries > 0 ? 1 : 0);
        if (::SendMessageW(combo, CB_GETCOUNT, 0, 0) != wanted)
            FillList();
    }
    return index;
}

CString CPropertyEditorMTextDir::GetItemText(int index)
{
    if (m_pCombo && m_pCombo->Hwnd())
        return CDkPeComboBase::GetItemText(index);
    if (index >= 0 && index < 3)
        return m_texts[index];
    if (index >= 0 && index == m_nUnspecified)
        return m_unspecifiedText;
    if (index >= 0 && index == m_nVaries)
        return dkpex::VariesText();
    return CString();
}

long CPropertyEditorMTextDir::CommitSelection(int index)
{
    VARIANT value;
    if (index >= 0 && index < 3)
    {
        value.vt = VT_I4;
        value.lVal = kWritten[index];
        return SetPropertyValue(&value, ValueSpecified);
    }
    if (index >= 0 && index == m_nUnspecified)
    {
        value.vt = VT_EMPTY;
        return SetPropertyValue(&value, ValueUnspecified);
    }
    return E_FAIL;
}

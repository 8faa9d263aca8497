// CPropertyEditorBool: the yes/no editor, with the constraint form switch.
#include "PropertyEditorBool.h"

#include "DkPeEnumBase.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "ComPtr.h"

namespace
{
constexpr DISPID kConstraintFormDispid = 85;
// The second base-object interface of the host; its class-id query sits where
// IDkBaseObject's does.
const IID kBaseObject2 = {0xB374D885, 0xEECE, 0x4138, {0x8C, 0x82, 0x3F, 0xB2, 0x0C, 0x53, 0x87, 0x88}};
// Classes whose constraint form changes with dispatch id 85.
const CLSID kConstraintFormClasses[] = {
    {0x5B1197B8, 0xB852, 0x4C5B, {0xB9, 0xB0, 0xB0, 0x4D, 0x5D, 0x1A, 0x90, 0x86}},
    {0xAD5078D0, 0xC038, 0x438A, {0x8B, 0x42, 0xB1, 0xF1, 0x6A, 0x6F, 0xED, 0x4C}},
    {0x37ACB9D6, 0x9FA4, 0x496E, {0xA5, 0x50, 0xBA, 0x1B, 0x74, 0xC3, 0x1E, 0x0A}},
    {0xB63A17A3, 0x07C5, 0x46F6, {0xAB, 0x22, 0x98, 0x1E, 0xDF, 0xD8, 0x75, 0xB8}},
    {0xBA31C14D, 0xF408, 0x405B, {0x92, 0x8A, 0x19, 0x2D, 0xB5, 0x6F, 0x8C, 0xCE}},
    {0xE2AEE1D6, 0x7BBB, 0x4D6A, {0x9B, 0x96, 0xD5, 0x29, 0xD5, 0x6E, 0x7C, 0xCD}},
};
} // namespace

void CPropertyEditorBool::LoadTexts()
{
    if (!m_firstText.empty())
        return;
    IUnknown* dyn = m_nObjects > 0 && m_ppDynProps ? m_ppDynProps[0] : nullptr;
    dkfw::ComPtr<IDynamicPropertyChoices> choices;
    long count = 0;
    if (dyn && SUCCEEDED(dyn->QueryInterface(IID_IDynamicPropertyChoices, choices.PutVoid())) &&
        SUCCEEDED(choices->GetChoiceCount(&count)) && count == 2)
    {
        dkfw::UniqueBstr first;
        dkfw::UniqueBstr second;
        choices->GetChoiceName(0, first.Put());
        choices->GetChoiceName(1, second.Put());
        m_firstText = first.View();
        m_secondText = second.View();
        return;
    }
    auto object = FirstDispatch(m_nObjects, m_ppObjects);
    dkfw::ComPtr<IPerPropertyBrowsing> browsing;
    CALPOLESTR strings{};
    CADWORD cookies{};
    if (object && m_pDispids && SUCCEEDED(object->QueryInterface(IID_IPerPropertyBrowsing, browsing.PutVoid())) &&
        SUCCEEDED(browsing->GetPredefinedStrings(m_pDispids[0], &strings, &cookies)))
    {
        if (strings.cElems > 0 && strings.pElems[0])
            m_firstText = strings.pElems[0];
        if (strings.cElems > 1 && strings.pElems[1])
            m_secondText = strings.pElems[1];
        FreePredefined(strings, cookies);
        return;
    }
    m_firstText = dkpex::LoadResString(IDS_BOOL_FIRST);
    m_secondText = dkpex::LoadResString(IDS_BOOL_SECOND);
}

void CPropertyEditorBool::DeleteEntry(int& index)
{
    if (index != -1 && m_pCombo && m_pCombo->Hwnd())
        ::SendMessageW(m_pCombo->Hwnd(), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    m_trailing.Leave(index);
}

long CPropertyEditorBool::FillList()
{
    if (!m_pCombo || !m_pCombo->Hwnd())
        return E_FAIL;
    LoadTexts();
    HWND combo = m_pCombo->Hwnd();
    auto add = [combo](const std::wstring& text)
    { return static_cast<int>(::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()))); };
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    add(m_firstText);
    add(m_secondText);
    if (m_bUnspecifiedAllowed)
        m_trailing.unspecified = add(GetUnspecifiedString());
    if (m_trailing.varies > 0)
    {
        dkpex::EnsureSharedTexts();
        m_trailing.varies = add(dkpex::VariesText());
    }
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
    return S_OK;
}

int CPropertyEditorBool::GetCurrentIndex()
{
    dkfw::UniqueVariant value;
    ValueType kind = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), kind)))
        return -1;
    // An entry that appears while the list exists is added to it at once.
    auto appear = [this](int& index, int at)
    {
        if (CTrailingEntries::Appear(index, at) && m_pCombo && m_pCombo->Hwnd())
            FillList();
    };
    if (m_bUnspecifiedAllowed)
    {
        appear(m_trailing.unspecified, 2);
        // Every object agreeing on the unspecified state leaves nothing varying.
        if (kind == ValueUnspecified)
        {
            DeleteEntry(m_trailing.varies);
            return m_trailing.unspecified;
        }
    }
    else
        DeleteEntry(m_trailing.unspecified);
    if (kind == ValueVaries)
    {
        appear(m_trailing.varies, m_bUnspecifiedAllowed ? 3 : 2);
        return m_trailing.varies;
    }
    DeleteEntry(m_trailing.varies);
    dkfw::UniqueVariant number;
    const bool nonZero = SUCCEEDED(::VariantChangeType(number.Put(), value.Addr(), 0, VT_I4)) && number.Get().lVal != 0;
    return nonZero ? 0 : 1;
}

CString CPropertyEditorBool::GetItemText(int index)
{
    LoadTexts();
    if (index == m_trailing.unspecified && index != -1)
        return GetUnspecifiedString();
    if (index == m_trailing.varies && index != -1)
    {
        dkpex::EnsureSharedTexts();
        return dkpex::VariesText();
    }
    return index == 0 ? m_firstText : m_secondText;
}

bool CPropertyEditorBool::ChangesConstraintForm()
{
    if (!m_pDispids || m_nObjects < 1 || m_pDispids[0] != kConstraintFormDispid)
        return false;
    for (int i = 0; i < m_nObjects; ++i)
    {
        if (!m_ppObjects[i])
            continue;
        dkfw::ComPtr<IDkBaseObject> base;
        if (FAILED(m_ppObjects[i]->QueryInterface(IID_IDkBaseObject, base.PutVoid())) &&
            FAILED(m_ppObjects[i]->QueryInterface(kBaseObject2, base.PutVoid())))
            continue;
        CLSID cls{};
        if (FAILED(base->GetClassId(&cls)))
            continue;
        for (const CLSID& c : kConstraintFormClasses)
            if (cls == c)
                return true;
    }
    return false;
}

long CPropertyEditorBool::CommitSelection(int index)
{
    dkfw::UniqueVariant value;
    ValueType kind = ValueSpecified;
    if (index == m_trailing.unspecified && index != -1)
        kind = ValueUnspecified;
    else if (index == m_trailing.varies && index != -1)
        kind = ValueVaries;
    else
    {
        value.Put()->vt = VT_BOOL;
        value.Addr()->boolVal = index == 0 ? VARIANT_TRUE : VARIANT_FALSE;
    }
    const CDkPeModelessOperation constraintForm(L"OPM_CHGCONSTRFORM", ChangesConstraintForm());
    return SetPropertyValue(value.Addr(), kind);
}

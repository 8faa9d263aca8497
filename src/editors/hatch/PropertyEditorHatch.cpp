// The hatch editors.
#include "PropertyEditorHatch.h"

#include "HatchPatternTypeDialog.h"
#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "ComPtr.h"
#include "Unique.h"

#include <cstdio>

namespace
{
using dkfw::ComPtr;

// The preview of a gradient entry, by the entry's position; later entries have none.
constexpr UINT kGradientPreviews[] = {
    IDB_GRADIENT_LINEAR,       IDB_GRADIENT_CYLINDER,         IDB_GRADIENT_INVCYLINDER,
    IDB_GRADIENT_SPHERICAL,    IDB_GRADIENT_HEMISPHERICAL,    IDB_GRADIENT_CURVED,
    IDB_GRADIENT_INVSPHERICAL, IDB_GRADIENT_INVHEMISPHERICAL, IDB_GRADIENT_INVCURVED,
};
constexpr UINT kNoPreview = static_cast<UINT>(-1);
// A gradient entry's text starts after its picture.
constexpr int kGradientTextOffset = 21;
// The operation a hatch's pattern change runs in.
constexpr long kPatternOperation = 24;

ComPtr<IDkEntity> HatchOf(IUnknown* object)
{
    ComPtr<IDkEntity> hatch;
    if (object)
        object->QueryInterface(IID_IDkEntity, hatch.PutVoid());
    return hatch;
}

// The pattern type of one object; false when it tells none.
bool PatternTypeOf(IUnknown* object, long& type)
{
    const ComPtr<IDkEntity> hatch = HatchOf(object);
    return hatch && SUCCEEDED(hatch->get_PatternType(&type));
}
} // namespace

long EvaluateHatch(IUnknown* object)
{
    ComPtr<IDkEntity> hatch;
    if (!object)
        return E_POINTER;
    const HRESULT hr = object->QueryInterface(IID_IDkEntity, hatch.PutVoid());
    return FAILED(hr) ? hr : hatch->Evaluate();
}

CPropertyEditorHatchEnum::CPropertyEditorHatchEnum()
{
    m_bNeedsCurrentDocument = TRUE;
}

long CPropertyEditorHatchEnum::PostSetPropertyValue(IDispatch* object)
{
    return EvaluateHatch(object);
}

CPropertyEditorHatchISOPenWidth::CPropertyEditorHatchISOPenWidth()
{
    m_bNeedsCurrentDocument = TRUE;
}

long CPropertyEditorHatchISOPenWidth::PostSetPropertyValue(IDispatch* object)
{
    return EvaluateHatch(object);
}

long CPropertyEditorHatchISOPenWidth::LoadItems(ValueType kind)
{
    const long hr = CDkPeEnumBase::LoadItems(kind);
    if (FAILED(hr))
        return hr;
    // The width the hatch takes when none is chosen is no choice of the user's.
    VARIANT none;
    none.vt = VT_I4;
    none.lVal = -1;
    for (auto item = m_items.begin(); item != m_items.end(); ++item)
    {
        if (item->value.Type() != VT_I4 || ::VarCmp(item->value.Addr(), &none, LOCALE_USER_DEFAULT, 0) != VARCMP_EQ)
            continue;
        m_items.erase(item);
        for (int* special : {&m_trailing.unspecified, &m_trailing.varies})
            if (*special > 0)
                --*special;
        break;
    }
    return S_OK;
}

CPropertyEditorGradientPattern::CPropertyEditorGradientPattern()
{
    m_bNeedsCurrentDocument = TRUE;
}

CComboBmp* CPropertyEditorGradientPattern::BmpCombo() const noexcept
{
    return dynamic_cast<CComboBmp*>(m_pCombo.get());
}

long CPropertyEditorGradientPattern::CreateComboWindow(const RECT& rect)
{
    HWND control = ControlHwnd();
    if (!control)
        return E_FAIL;
    auto combo = std::make_unique<CComboBmp>(this);
    if (!combo->CreateCombo(CPropComboBox::kStyle, rect, control, kComboId))
    {
        combo->DestroyWindow();
        return E_FAIL;
    }
    combo->SetOwnerEditor(this);
    ::SendMessageW(combo->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
    m_pCombo = std::move(combo);
    return S_OK;
}

long CPropertyEditorGradientPattern::FillList()
{
    CComboBmp* combo = BmpCombo();
    if (!combo || !combo->Hwnd())
        return E_FAIL;
    ::SendMessageW(combo->Hwnd(), CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < m_items.size(); ++i)
    {
        const bool special = NoteTrailingEntry(i);
        combo->AddItem(m_items[i].name, i < std::size(kGradientPreviews) ? kGradientPreviews[i] : kNoPreview, special);
    }
    ::SendMessageW(combo->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
    ::InvalidateRect(combo->Hwnd(), nullptr, TRUE);
    ::UpdateWindow(combo->Hwnd());
    return S_OK;
}

int CPropertyEditorGradientPattern::GetCurrentIndex()
{
    if (!m_pCombo && !EnsureCombo())
        return -1;
    return CDkPeEnumBase::GetCurrentIndex();
}

long CPropertyEditorGradientPattern::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    if (!RowNeedsDrawing(info))
        return S_OK;
    CComboBmp* combo = BmpCombo();
    const int selected =
        combo && combo->Hwnd() ? static_cast<int>(::SendMessageW(combo->Hwnd(), CB_GETCURSEL, 0, 0)) : -1;
    COwnerDrawItem* item = selected >= 0 ? combo->Item(selected) : nullptr;
    if (!item)
        return CDkPeEnumBase::Handle_OnDraw(info);
    PaintRow(info,
             [&](HDC dc, RECT bounds)
             {
                 ::InflateRect(&bounds, -1, -1);
                 item->Draw(dc, &bounds, ODA_DRAWENTIRE, 0, kFaceItemId);
             });
    return S_OK;
}

long CPropertyEditorGradientPattern::GetTextTipWidth(int& width)
{
    CComboBmp* combo = BmpCombo();
    return GetComboTextTipWidth(
        combo && combo->Hwnd() ? static_cast<int>(::SendMessageW(combo->Hwnd(), CB_GETCURSEL, 0, 0)) : -1, width);
}

long CPropertyEditorGradientPattern::GetComboTextTipWidth(int index, int& width)
{
    width = 0;
    CComboBmp* combo = BmpCombo();
    const COwnerDrawItem* item = combo && combo->Hwnd() && index >= 0 ? combo->Item(index) : nullptr;
    if (!item)
        return S_OK;
    const long hr = GetStringWidth(item->m_text, &width);
    width += kGradientTextOffset;
    return hr;
}

// --- The pattern name -------------------------------------------------------------------

CPropertyEditorHatchPatternName::CPropertyEditorHatchPatternName()
{
    m_bEditBoxReadOnly = true;
}

long CPropertyEditorHatchPatternName::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids,
                                                             short bReadOnly)
{
    const long hr = CDkPeEllipsisButtonEdit::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly);
    if (FAILED(hr))
        return hr;
    CheckUserDefined();
    return S_OK;
}

long CPropertyEditorHatchPatternName::Handle_Refresh()
{
    const long hr = CDkPeEllipsisButtonEdit::Handle_Refresh();
    if (FAILED(hr))
        return hr;
    CheckUserDefined();
    ApplyEditable();
    return S_OK;
}

long CPropertyEditorHatchPatternName::PropReadOnly(int& readOnly)
{
    CDkPeEllipsisButtonEdit::PropReadOnly(readOnly);
    if (m_anyUserDefined)
        readOnly = TRUE;
    return S_OK;
}

long CPropertyEditorHatchPatternName::CheckUserDefined()
{
    m_anyUserDefined = false;
    for (int i = 0; i < m_nObjects && m_ppObjects; ++i)
    {
        ComPtr<IDkEntity> hatch;
        long type = DkDbHatch::kPreDefined;
        HRESULT hr = m_ppObjects[i] ? m_ppObjects[i]->QueryInterface(IID_IDkEntity, hatch.PutVoid()) : E_POINTER;
        if (SUCCEEDED(hr))
            hr = hatch->get_PatternType(&type);
        if (FAILED(hr))
            return hr;
        if (type == DkDbHatch::kUserDefined)
        {
            m_anyUserDefined = true;
            m_bPropReadOnly = TRUE;
            return S_OK;
        }
    }
    return S_OK;
}

bool CPropertyEditorHatchPatternName::IsEditable()
{
    if (m_text == dkpex::VariesText() || m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0])
        return true;
    long type = DkDbHatch::kUserDefined;
    return PatternTypeOf(m_ppObjects[0], type) && type == DkDbHatch::kPreDefined;
}

void CPropertyEditorHatchPatternName::ApplyEditable()
{
    const bool editable = IsEditable();
    m_bEditBoxReadOnly = !editable;
    EnableButtons(editable);
    if (m_pEdit && m_pEdit->Hwnd())
        ::SendMessageW(m_pEdit->Hwnd(), EM_SETREADONLY, !editable || IsPropertyReadOnly(), 0);
}

long CPropertyEditorHatchPatternName::BeginEdit(const RECT& rect)
{
    const bool editable = IsEditable();
    m_bEditBoxReadOnly = !editable;
    const long hr = CDkPeEllipsisButtonEdit::BeginEdit(rect);
    if (FAILED(hr))
        return hr;
    ApplyEditable();
    // The button the activation focused may have been disabled since: the focus stays in the
    // row, on its edit box.
    HWND focus = ::GetFocus();
    if ((!focus || !::IsWindowEnabled(focus)) && m_pEdit && m_pEdit->Hwnd() && ::IsWindowVisible(m_pEdit->Hwnd()))
        ::SetFocus(m_pEdit->Hwnd());
    return S_OK;
}

long CPropertyEditorHatchPatternName::SetPropertyValue(VARIANT* value, ValueType valueType)
{
    if (!value)
        return E_POINTER;
    if (valueType != ValueSpecified)
        return E_FAIL;
    dkfw::UniqueVariant text;
    if (FAILED(::VariantChangeType(text.Addr(), value, 0, VT_BSTR)))
        return E_INVALIDARG;
    return ApplyName(std::wstring(text.Get().bstrVal ? text.Get().bstrVal : L""));
}

long CPropertyEditorHatchPatternName::ApplyName(const std::wstring& name, const std::vector<ComPtr<IDkEntity>>* checked)
{
    const CDkPeUpdateEvents change(m_pUIEvents);
    bool skipped = false;
    std::vector<std::wstring> reasons;
    auto apply = [&](IDkEntity* hatch) -> HRESULT
    {
        dkfw::UniqueBstr pattern(name);
        ::SetErrorInfo(0, nullptr);
        if (!hatch)
        {
            NoteFailure(E_NOINTERFACE, reasons);
            return E_FAIL;
        }
        if (const HRESULT set = hatch->SetPattern(DkDbHatch::kCustomDefined, pattern.Get()); FAILED(set))
        {
            NoteFailure(set, reasons);
            return E_FAIL;
        }
        ::SetErrorInfo(0, nullptr);
        if (const HRESULT evaluated = hatch->Evaluate(); FAILED(evaluated))
            TakeBackFailedStep(evaluated, reasons);
        return S_OK;
    };
    if (checked)
    {
        for (const ComPtr<IDkEntity>& hatch : *checked)
            if (apply(hatch.Get()) != S_OK)
                break;
    }
    else
        VisitHeldSelection(
            [&](int, IUnknown* object, IUnknown*) -> HRESULT
            {
                if (!IsObjectWritable(object))
                {
                    skipped = true;
                    return S_OK;
                }
                return apply(HatchOf(object).Get());
            });
    if (skipped)
        dkedSendModelessOperationEnded(L"OPM_CHGSELECTION");
    else
        ActivateMainWindow();
    TellReasons(reasons);
    if (!skipped && reasons.empty() && m_pPropertyIdentifier)
    {
        const ComPtr<IDkPiPropertyIdentifier> identifier(m_pPropertyIdentifier);
        dkfw::UniqueVariant written;
        written.Addr()->vt = VT_BSTR;
        written.Addr()->bstrVal = ::SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        if (written.Get().bstrVal)
            identifier->OnValueWritten(written.Get());
    }
    return S_OK;
}

long CPropertyEditorHatchPatternName::OnButtonClicked(int)
{
    // Alt+Down and the host's button action reach here without the button: a custom or
    // user-defined pattern is not picked in the palette, however the click comes.
    if (!IsEditable() || IsPropertyReadOnly())
        return E_FAIL;
    if (dkedIsDragging())
    {
        TellCannotModify();
        return E_FAIL;
    }
    // The hatches checked here are the ones the picked name goes to.
    bool allWritable = true;
    std::vector<ComPtr<IDkEntity>> hatches;
    VisitHeldSelection(
        [&](int, IUnknown* object, IUnknown*) -> HRESULT
        {
            allWritable = IsObjectWritable(object);
            if (allWritable)
                hatches.push_back(HatchOf(object));
            return allWritable ? S_OK : S_FALSE;
        });
    if (!allWritable)
    {
        dkedSendModelessOperationEnded(L"OPM_CHGSELECTION");
        return E_FAIL;
    }
    CString text = m_pEdit && m_pEdit->Hwnd() ? m_pEdit->Text() : m_text;
    const CDkPeOperationScope operation(m_pUIEvents, m_pPropertyIdentifier, text, kPatternOperation);
    DkString chosen(text);
    if (pattern_palette(DkString(text), chosen) != 0)
        return S_OK;
    text = chosen.kwszPtr();
    m_text = text;
    if (m_pEdit && m_pEdit->Hwnd())
        m_pEdit->SetText(m_text);
    ApplyName(text, &hatches);
    Handle_Refresh();
    if (HWND control = ControlHwnd(); control && m_state >= kStateEditing)
    {
        RECT client{};
        ::GetClientRect(control, &client);
        Handle_SetObjectRects(&client, &client);
    }
    return S_OK;
}

// --- The pattern type -------------------------------------------------------------------

CPropertyEditorEllipsisHatchPatternType::CPropertyEditorEllipsisHatchPatternType()
{
    // The type is chosen in the dialog only.
    m_bEditBoxReadOnly = true;
}

long CPropertyEditorEllipsisHatchPatternType::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids,
                                                                     short bReadOnly)
{
    if (const long hr = CDkPeCtrlBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly); FAILED(hr))
        return hr;
    if (!m_typeNamesRead && m_nObjects > 0 && m_ppObjects && m_ppObjects[0] && m_pDispids)
    {
        m_typeNamesRead = true;
        ComPtr<IPerPropertyBrowsing> browsing;
        CALPOLESTR strings{};
        CADWORD cookies{};
        if (SUCCEEDED(m_ppObjects[0]->QueryInterface(IID_IPerPropertyBrowsing, browsing.PutVoid())) &&
            SUCCEEDED(browsing->GetPredefinedStrings(m_pDispids[0], &strings, &cookies)))
        {
            for (ULONG i = 0; i < strings.cElems; ++i)
                m_typeNames.emplace_back(strings.pElems[i] ? strings.pElems[i] : L"");
            FreePredefined(strings, cookies);
        }
    }
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    if (SUCCEEDED(GetPropertyValue(value.Put(), type)))
        ShowValueText(value.Get(), type);
    return S_OK;
}

long CPropertyEditorEllipsisHatchPatternType::FormatValueText(CString& text, const VARIANT& value)
{
    text.clear();
    dkfw::UniqueVariant number;
    if (value.vt == VT_BSTR)
    {
        text = value.bstrVal ? value.bstrVal : L"";
        return S_OK;
    }
    if (FAILED(::VariantChangeType(number.Addr(), const_cast<VARIANT*>(&value), 0, VT_I4)))
        return S_OK;
    const LONG position = number.Get().lVal;
    if (position >= 0 && position < static_cast<LONG>(m_typeNames.size()))
        text = m_typeNames[static_cast<size_t>(position)];
    return S_OK;
}

long CPropertyEditorEllipsisHatchPatternType::OnButtonClicked(int)
{
    if (RefusedDuringDrag())
        return E_FAIL;
    const CString shown = m_pEdit && m_pEdit->Hwnd() ? m_pEdit->Text() : m_text;
    const CDkPeOperationScope operation(m_pUIEvents, m_pPropertyIdentifier, shown, kPatternOperation);
    std::wstring common;
    bool first = true;
    // The hatches the dialog starts from are the ones it writes to, whatever selection the
    // palette hands the row while the dialog is open.
    std::vector<ComPtr<IDkEntity>> hatches;
    const long read = VisitHeldSelection(
        [&](int, IUnknown* object, IUnknown*) -> HRESULT
        {
            if (!IsObjectWritable(object))
            {
                dkedSendModelessOperationEnded(L"OPM_CHGSELECTION");
                return E_FAIL;
            }
            const ComPtr<IDkEntity> hatch = HatchOf(object);
            dkfw::UniqueBstr name;
            if (!hatch || FAILED(hatch->get_PatternName(name.Put())))
                return E_FAIL;
            hatches.push_back(hatch);
            if (first)
                common = name.View();
            else if (common != name.View())
                common.clear();
            first = false;
            return S_OK;
        });
    if (FAILED(read))
        return E_FAIL;

    CHatchPatternTypeDialog dialog;
    dialog.m_typeNames = m_typeNames;
    dialog.m_type = -1;
    for (size_t i = 0; i < m_typeNames.size(); ++i)
        if (m_typeNames[i] == shown)
            dialog.m_type = static_cast<int>(i);
    dialog.m_name = common;
    HWND frame = nullptr;
    GetFrameHandle(frame);
    if (!dialog.Show(frame))
        return S_OK;
    std::vector<std::wstring> reasons;
    for (const ComPtr<IDkEntity>& hatch : hatches)
    {
        // A hatch that has the type and name already is left as it is: no step of its own.
        long type = -1;
        dkfw::UniqueBstr current;
        if (SUCCEEDED(hatch->get_PatternType(&type)) && SUCCEEDED(hatch->get_PatternName(current.Put())) &&
            type == dialog.m_type && current.View() == dialog.m_name)
            continue;
        dkfw::UniqueBstr name(dialog.m_name);
        ::SetErrorInfo(0, nullptr);
        if (const HRESULT set = hatch->SetPattern(dialog.m_type, name.Get()); FAILED(set))
        {
            NoteFailure(set, reasons);
            break;
        }
        ::SetErrorInfo(0, nullptr);
        if (const HRESULT evaluated = hatch->Evaluate(); FAILED(evaluated))
            TakeBackFailedStep(evaluated, reasons);
    }
    TellReasons(reasons);
    if (HWND main = dkedGetMainWindow())
        ::SetFocus(main);
    Handle_Refresh();
    return S_OK;
}

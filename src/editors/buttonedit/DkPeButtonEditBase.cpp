// The button-edit family base: buttons, their layout and drawing, the expression and
// calculator buttons, and numbers as text.
#include "DkPeButtonEditBase.h"

#include "PictureSlot.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"
#include "dkunits.h"

#include "ComModule.h"
#include "HResult.h"

#include <cstdio>

namespace
{
constexpr size_t kTooltipBuffer = 260;
const wchar_t kHeightSample[] = L"WOyg";

} // namespace

CDkPeButtonEditBase::CDkPeButtonEditBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv)
    : CDkPeEditBase(events, priv)
{
}

CDkPeButtonEditBase::~CDkPeButtonEditBase()
{
    CDkPeButtonEditBase::Cleanup();
}

bool CDkPeButtonEditBase::LoadPicture(UINT bitmapId, dkfw::UniqueHbitmap& bitmap, dkfw::ComPtr<IPicture>& picture)
{
    bitmap.Reset();
    picture.Reset();
    if (!bitmapId)
        return false;
    CTemporaryResourceOverride resources;
    bitmap.Reset(static_cast<HBITMAP>(::LoadImageW(dkfw::ResourceHandle(), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0,
                                                   0, LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT)));
    if (!bitmap)
        return false;
    // The picture shows the record's bitmap and does not own it.
    PICTDESC desc{sizeof(desc), PICTYPE_BITMAP};
    desc.bmp.hbitmap = bitmap.Get();
    return SUCCEEDED(::OleCreatePictureIndirect(&desc, IID_IPicture, FALSE, picture.PutVoid()));
}

CustomButton& CDkPeButtonEditBase::AddButton(UINT bitmapId, UINT disabledBitmapId, USHORT id, bool shownWhenReadOnly)
{
    auto record = std::make_unique<CustomButton>();
    record->id = id;
    record->shownWhenReadOnly = shownWhenReadOnly;
    if (LoadPicture(bitmapId, record->bitmap, record->picture) && disabledBitmapId)
        LoadPicture(disabledBitmapId, record->disabledBitmap, record->disabledPicture);
    m_buttons.push_back(std::move(record));
    return *m_buttons.back();
}

bool CDkPeButtonEditBase::SetButtonBitmaps(CustomButton* record, UINT bitmapId, UINT disabledBitmapId)
{
    if (!record)
        return false;
    record->picture.Reset();
    record->disabledPicture.Reset();
    LoadPicture(bitmapId, record->bitmap, record->picture);
    LoadPicture(disabledBitmapId, record->disabledBitmap, record->disabledPicture);
    if (record->window)
        record->window->SetPictures(record->picture.Get(), record->disabledPicture.Get());
    return true;
}

void CDkPeButtonEditBase::SetExpressionButton(int state)
{
    if (state < 1 || state > 3)
        return;
    const UINT bitmap = IDB_EXPRESSION_NONE + static_cast<UINT>(state - 1);
    CustomButton* record = FindButton(kExpressionButton);
    if (!record)
    {
        AddButton(bitmap, bitmap, kExpressionButton, true);
        return;
    }
    SetButtonBitmaps(record, bitmap, bitmap);
    // A shown button takes its new picture and tip at once, not at the next activation.
    if (record->window && record->window->Hwnd())
    {
        ::InvalidateRect(record->window->Hwnd(), nullptr, TRUE);
        TooltipForExpression();
    }
}

void CDkPeButtonEditBase::SetButtonTooltip(const std::wstring& text, USHORT id)
{
    if (text.empty())
        return;
    for (auto& b : m_buttons)
        if (b->id == id && b->window && b->window->Hwnd())
        {
            b->window->SetTooltip(text.substr(0, kTooltipBuffer - 1));
            return;
        }
}

void CDkPeButtonEditBase::EnableButtons(bool enable)
{
    for (auto& b : m_buttons)
        if (b->window && b->window->Hwnd())
            b->window->Enable(enable);
}

CustomButton* CDkPeButtonEditBase::FindButton(USHORT id) const noexcept
{
    for (const auto& b : m_buttons)
        if (b->id == id)
            return b.get();
    return nullptr;
}

long CDkPeButtonEditBase::FormatValueText(CString& text, const VARIANT& value)
{
    if (value.vt == VT_BSTR)
    {
        text = value.bstrVal ? value.bstrVal : L"";
        return S_OK;
    }
    IUnknown* asked = m_nObjects > 0 ? (m_ppDynProps[0] ? m_ppDynProps[0] : m_ppObjects[0]) : nullptr;
    if (!asked)
        return E_FAIL;
    dkfw::ComPtr<IPerPropertyBrowsing> browsing;
    dkfw::UniqueBstr display;
    if (SUCCEEDED(asked->QueryInterface(IID_IPerPropertyBrowsing, browsing.PutVoid())) &&
        SUCCEEDED(browsing->GetDisplayString(m_pDispids[0], display.Put())))
    {
        text = display.View();
        return S_OK;
    }
    text.clear();
    switch (value.vt)
    {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_INT:
        if (m_numericDataType == PE_DRVK_NOUNITS)
        {
            if (IsCurrentDocumentDatabase())
                dkpex::FormatByNumericType(value, PE_DRVK_NOUNITS, text);
        }
        else
            dkpex::FormatNumericValue(value, text);
        break;
    default:
        break;
    }
    return S_OK;
}

long CDkPeButtonEditBase::GetPropertyValue(VARIANT* value, ValueType& valueType)
{
    if (!value)
        return E_POINTER;
    dkfw::UniqueVariant read;
    const long hr = CDkPeCtrlBase::GetPropertyValue(read.Addr(), valueType);
    if (FAILED(hr))
        return hr;
    CString text;
    FormatValueText(text, read.Get());
    ::VariantClear(value);
    value->vt = VT_BSTR;
    value->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}

void CDkPeButtonEditBase::DropButtons()
{
    for (auto& b : m_buttons)
        if (b && b->window)
        {
            b->window->DestroyWindow();
            Retire(b->window);
        }
    m_buttons.clear();
}

long CDkPeButtonEditBase::Cleanup()
{
    DropEdit();
    DropButtons();
    return CDkPeEditBase::Cleanup();
}

long CDkPeButtonEditBase::BeginEdit(const RECT& rect)
{
    const bool readOnly = IsPropertyReadOnly();
    HWND control = ControlHwnd();
    const int h = rect.bottom - rect.top;
    for (auto& b : m_buttons)
    {
        if (!b)
            return E_FAIL;
        // A button whose window went with an earlier control window is made again.
        if (b->window && (!b->window->Hwnd() || (readOnly && !b->shownWhenReadOnly)))
        {
            b->window->DestroyWindow();
            Retire(b->window);
        }
        if (!b->window && (!readOnly || b->shownWhenReadOnly))
        {
            auto button = std::make_unique<CPropertyEditorButton>(b->picture.Get(), b->disabledPicture.Get());
            button->SetOwner(this);
            button->SetSize(h, h);
            button->SetColors(m_backColor, ::GetSysColor(COLOR_BTNSHADOW));
            if (!control || !button->Create(control, RECT{0, 0, h, h}, b->id))
                return E_FAIL;
            b->window = std::move(button);
        }
    }
    const int stateBefore = m_state;
    // The edit box opens as the family's; the buttons join it when the row first activates.
    const long hr = CDkPeEditBase::BeginEdit(rect);
    if (FAILED(hr))
        return hr;
    if (m_pEdit && m_pEdit->Hwnd() && !m_bEditBoxReadOnly)
        ::SendMessageW(m_pEdit->Hwnd(), EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
    if (stateBefore < kStateEditing)
    {
        m_state = kStateEditing;
        Handle_SetObjectRects(&rect, &rect);
        if (m_buttonsShown && !m_buttons.empty() && m_buttons.front()->window && m_pEdit)
            m_pEdit->SetTabNavigation(m_buttons.front()->window->Hwnd());
    }
    if (m_buttonsShown)
    {
        for (auto& b : m_buttons)
            if (b->window && b->window->Hwnd() && (!readOnly || b->shownWhenReadOnly))
                ::ShowWindow(b->window->Hwnd(), SW_SHOW);
        if (m_bEditBoxReadOnly)
            for (auto& b : m_buttons)
                if (b->window && b->window->Hwnd())
                {
                    ::SetFocus(b->window->Hwnd());
                    break;
                }
    }
    TooltipForExpression();
    return S_OK;
}

void CDkPeButtonEditBase::TooltipForExpression()
{
    if (m_expressionState == 0)
        return;
    const std::wstring name = dkpex::LoadResString(IDS_EXPRESSION_TIP);
    const std::wstring state = m_expressionState == 1   ? dkpex::LoadResString(IDS_NONE)
                               : m_expressionState == 2 ? dkpex::VariesText()
                               : m_expressionState == 3 ? m_expression
                                                        : dkpex::LoadResString(IDS_NONE);
    // "%s: %s" into the tooltip's buffer of 260 characters: a long expression is cut.
    SetButtonTooltip((name + L": " + state).substr(0, kTooltipBuffer - 1), kExpressionButton);
}

long CDkPeButtonEditBase::Handle_SetObjectRects(const RECT* pos, const RECT*)
{
    if (m_state < kStateEditing || !pos)
        return S_OK;
    // The control's window is the row: its children are placed from its own origin.
    const RECT row{0, 0, pos->right - pos->left, pos->bottom - pos->top};
    RECT r = row;
    const int h = r.bottom - r.top;
    RECT last = r;
    bool placed = false;
    for (auto& b : m_buttons)
    {
        if (!b->window || !b->window->Hwnd())
            continue;
        RECT place = r;
        if (m_buttonSide == kRight)
            place.left = r.right - h;
        else if (m_buttonSide == kLeft)
            place.right = r.left + h;
        ::SetWindowPos(b->window->Hwnd(), HWND_TOP, place.left, place.top, place.right - place.left,
                       place.bottom - place.top, SWP_NOACTIVATE);
        last = place;
        placed = true;
        if (m_buttonSide == kRight)
            r.right = place.left - 1;
        else if (m_buttonSide == kLeft)
            r.left = place.right + 1;
    }
    RECT edit = row;
    edit.left += EditLeftInset();
    if (placed && m_buttonSide == kRight)
        edit.right = last.left - 1;
    else if (placed && m_buttonSide == kLeft)
        edit.left = last.right + 1;
    if (m_pEdit && m_pEdit->Hwnd())
    {
        HWND e = m_pEdit->Hwnd();
        ::SetWindowPos(e, HWND_TOP, edit.left, edit.top, edit.right - edit.left, edit.bottom - edit.top,
                       SWP_NOACTIVATE);
        // Centre the text: measured with the edit's own DC, the sample when it is empty.
        dkfw::WindowDc dc(e);
        SIZE extent{};
        {
            dkfw::SelectObjectScope font(dc.Get(), reinterpret_cast<HFONT>(::SendMessageW(e, WM_GETFONT, 0, 0)));
            const std::wstring text = m_pEdit->Text().empty() ? std::wstring(kHeightSample) : m_pEdit->Text();
            ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
        }
        RECT window{};
        ::GetWindowRect(e, &window);
        const int H = window.bottom - window.top;
        const int T = extent.cy;
        RECT client{};
        ::GetClientRect(e, &client);
        m_pEdit->SetFormatRect(RECT{2, std::max(0, (H - T) / 2 + (H % 2 == 0 ? 1 : 0)), client.right, client.bottom});
        if (CPropNoDefaultWnd* popup = m_pEdit->Popup(); popup && popup->IsUp() && !popup->SitsUnderRow())
            popup->HidePopup();
    }
    return S_OK;
}

long CDkPeButtonEditBase::Handle_DoVerbShow(const RECT* pos, HWND parent)
{
    CDkPeEditBase::Handle_DoVerbShow(pos, parent);
    if (m_state >= kStateEditing && m_buttonsShown)
        for (auto& b : m_buttons)
            if (b->window && b->window->Hwnd())
            {
                ::ShowWindow(b->window->Hwnd(), SW_SHOW);
                ::BringWindowToTop(b->window->Hwnd());
                ::InvalidateRect(b->window->Hwnd(), nullptr, TRUE);
            }
    return S_OK;
}

long CDkPeButtonEditBase::Handle_DoVerbHide(const RECT* pos, HWND parent)
{
    CDkPeEditBase::Handle_DoVerbHide(pos, parent);
    for (auto& b : m_buttons)
        if (b->window && b->window->Hwnd())
            ::ShowWindow(b->window->Hwnd(), SW_HIDE);
    return S_OK;
}

long CDkPeButtonEditBase::Handle_UIDeactivate()
{
    for (auto& b : m_buttons)
        if (b->window && b->window->Hwnd())
        {
            ::ShowWindow(b->window->Hwnd(), SW_HIDE);
            ::InvalidateRect(b->window->Hwnd(), nullptr, TRUE);
        }
    return CDkPeEditBase::Handle_UIDeactivate();
}

LRESULT CDkPeButtonEditBase::OnButtonCommand(WORD notifyCode, WORD id, HWND, BOOL& handled)
{
    if (id < kOwnButton || id > kLastButtonId || notifyCode != BN_CLICKED)
    {
        handled = FALSE;
        if (m_pUIEvents)
            m_pUIEvents->FireEndPropertyUpdate();
        return 0;
    }
    const CDkPeUpdateEvents update(m_pUIEvents);
    if (id == kCalculatorButton)
        InvokeCalculator();
    else if (id == kExpressionButton)
        OnExpressionButton();
    else
        OnButtonClicked(id);
    for (auto& b : m_buttons)
        if (b->id == id && b->window && b->window->Hwnd())
        {
            if (m_buttonsShown && ::IsWindowVisible(b->window->Hwnd()))
                ::InvalidateRect(b->window->Hwnd(), nullptr, TRUE);
            break;
        }
    return 0;
}

LRESULT CDkPeButtonEditBase::OnEditKillFocus(WORD notifyCode, WORD id, HWND, BOOL& handled)
{
    if (notifyCode != EN_KILLFOCUS || id != CEditEx::kId)
    {
        handled = FALSE;
        return 0;
    }
    if (m_pEdit && m_pEdit->Hwnd() && !m_pEdit->Committing() && m_state >= kStateEditing)
        EndEdit();
    return 0;
}

LRESULT CDkPeButtonEditBase::OnDrawButtonItem(UINT, WPARAM id, LPARAM drawItem, BOOL& handled)
{
    handled = FALSE;
    if (id < kOwnButton || id > kLastButtonId || !drawItem)
        return 0;
    for (auto& b : m_buttons)
        if (b->id == id && b->window)
        {
            b->window->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(drawItem));
            handled = TRUE;
            return TRUE;
        }
    return 0;
}

long CDkPeButtonEditBase::GetDefaultPicture(IUnknown** picture)
{
    return dkpex::GetPictureSlot(m_buttons.empty() ? nullptr : m_buttons.front()->picture.Get(), picture);
}

long CDkPeButtonEditBase::PutDefaultPicture(IUnknown* picture)
{
    return m_buttons.empty() ? S_OK : dkpex::PutPictureSlot(m_buttons.front()->picture, picture);
}

long CDkPeButtonEditBase::GetDisabledPicture(IUnknown** picture)
{
    return dkpex::GetPictureSlot(m_buttons.empty() ? nullptr : m_buttons.front()->disabledPicture.Get(), picture);
}

long CDkPeButtonEditBase::PutDisabledPicture(IUnknown* picture)
{
    return m_buttons.empty() ? S_OK : dkpex::PutPictureSlot(m_buttons.front()->disabledPicture, picture);
}

long CDkPeButtonEditBase::OnButtonClicked(int)
{
    return S_OK;
}

long CDkPeButtonEditBase::RunButtonAction()
{
    return m_buttons.empty() ? E_UNEXPECTED : OnButtonClicked(m_buttons.front()->id);
}

long CDkPeButtonEditBase::ApplyCalculatorMode(VARIANT_BOOL mode)
{
    if (m_expressionState == 0 && mode == VARIANT_TRUE)
        AddButton(IDB_CALCULATOR, IDB_CALCULATOR_DISABLED, kCalculatorButton, true);
    if (m_buttonSide == kNoSide)
        m_buttonSide = kRight;
    return S_OK;
}

bool CDkPeButtonEditBase::GetCalculatorInput(CString& text)
{
    text = m_pEdit && m_pEdit->Hwnd() ? m_pEdit->Text() : m_text;
    double distance = 0;
    if (dkpex::HostShort(L"LUNITS", -1) == 5 && dkdbDisToF(text.c_str(), 5, &distance) == RTNORM)
    {
        wchar_t buf[64];
        std::swprintf(buf, 64, L"%.15g", distance);
        text = buf;
    }
    return true;
}

bool CDkPeButtonEditBase::SetCalculatorPoint(const double*)
{
    return true;
}

bool CDkPeButtonEditBase::SetCalculatorResult(const CalculatorResult& result)
{
    if (!m_pEdit || !m_pEdit->Hwnd())
        return true;
    if (result.kind == 0)
    {
        SetCalculatorPoint(result.point);
        m_pEdit->SetText(L"");
    }
    else if (result.kind == 1 || result.kind == 2)
    {
        wchar_t buf[64];
        std::swprintf(buf, 64, L"%.16g", result.real);
        m_pEdit->SetText(buf);
    }
    else
        m_pEdit->SetText(L"");
    return true;
}

long CDkPeButtonEditBase::InvokeCalculator()
{
    bool loadedHere = false;
    // The calculator's module beside the component, by its full path.
    const std::wstring path =
        dkfw::FileBesideModule(dkfw::CurrentModule() ? dkfw::CurrentModule()->Instance() : nullptr, L"DkMgd.dll");
    HMODULE module = path.empty() ? nullptr : ::GetModuleHandleW(path.c_str());
    if (!module && !path.empty())
    {
        module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        loadedHere = module != nullptr;
    }
    if (!module)
        return S_OK;
    auto invoke = reinterpret_cast<DkCalInvokeDialogFn>(::GetProcAddress(module, "InvokeDialog"));
    if (!invoke)
    {
        if (loadedHere)
            ::FreeLibrary(module);
        return S_OK;
    }
    std::wstring title;
    CString input;
    {
        CTemporaryResourceOverride resources;
        title = dkpex::LoadResString(IDS_CALCULATOR_TITLE);
        GetCalculatorInput(input);
    }
    // Inches alone read as zero feet and so many inches.
    if (input.find(L'"') != CString::npos && input.find(L'\'') == CString::npos)
    {
        if (!input.empty() && input[0] == L'-')
            input = L"-0' " + input.substr(1);
        else
            input = L"0' " + input;
    }
    const bool readOnly = IsPropertyReadOnly();
    m_bBusy = TRUE;
    CalculatorResult result;
    if (invoke(&result, title.c_str(), input.c_str(), !readOnly) && !m_bEditBoxReadOnly)
        SetCalculatorResult(result);
    m_bBusy = FALSE;
    EndEdit();
    return S_OK;
}

long CDkPeButtonEditBase::OnExpressionButton()
{
    return E_NOTIMPL;
}

CDkPeButtonEdit::CDkPeButtonEdit(CIPropEditUIEvents* events, CDkPeBasePrivate* priv) : CDkPeButtonEditBase(events, priv)
{
    m_buttonSide = kRight;
    m_numericDataType = PE_DRVK_OTHER;
}

long CDkPeButtonEdit::OnButtonClicked(int)
{
    CString text = DialogText();
    const CString before = text;
    LaunchOPMPropertyDialog(text);
    // A dialog that changed the property hands back the text the row shows now.
    if (text != before)
    {
        m_text = text;
        if (m_pEdit && m_pEdit->Hwnd())
            m_pEdit->SetText(m_text);
    }
    // The dialog may have changed what the row may do: buttons and read-only state anew.
    if (m_pEdit && m_pEdit->Hwnd())
    {
        RECT client{};
        ::GetClientRect(m_pEdit->Hwnd(), &client);
        BeginEdit(client);
    }
    return S_OK;
}

CString CDkPeButtonEdit::DialogText()
{
    return m_pEdit && m_pEdit->Hwnd() ? m_pEdit->Text() : m_text;
}

long CDkPeButtonEdit::Handle_Refresh()
{
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    const long hr = GetPropertyValue(value.Put(), type);
    if (FAILED(hr))
        return hr;
    ShowValueText(value.Get(), type);
    return S_OK;
}

void CDkPeButtonEditBase::ShowValueText(const VARIANT& value, ValueType valueType)
{
    if (!ShownText(value, valueType, m_text))
        FormatValueText(m_text, value);
    if (m_pEdit && m_pEdit->Hwnd())
        m_pEdit->SetText(m_text);
}

long CDkPeButtonEdit::PropertySysKeyDown(UINT key, UINT, UINT flags, bool& handled)
{
    handled = false;
    // Only a row that shows its dialog button opens the dialog from the keyboard.
    const CustomButton* own = m_buttons.empty() ? nullptr : m_buttons.front().get();
    if ((key == VK_UP || key == VK_DOWN) && (flags & KF_ALTDOWN) && own && own->id && m_buttonsShown && own->window &&
        own->window->Hwnd())
    {
        OnButtonClicked(own->id);
        handled = true;
    }
    return S_OK;
}

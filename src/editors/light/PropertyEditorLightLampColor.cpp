// The lamp colour editor and its two editors: the temperature in kelvin with its swatch, and
// the list of preset lamp colours.
#include "PropertyEditorLightLampColor.h"

#include "LightValues.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"
#include "dkcm.h"

#include "ComModule.h"
#include "HResult.h"
#include "Unique.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace
{
constexpr int kSwatch = 10;
// The command kind whose value a write takes as it is handed in.
constexpr int kPaletteCommand = 0x8000000;

// The presets' swatches, in the presets' order.
constexpr COLORREF kPresetColors[CDkPeComboPresetColor::kPresetCount] = {
    0xFFFFFF, 0xE5FDFF, 0xE5FDFF, 0xDDF9FF, 0xF9FFF8, 0xD7F4FF, 0xFCFCFF,
    0xDBF8FF, 0xDBF8FF, 0xE1FAFF, 0xEAFFEA, 0xDEFFDE, 0xCCEDFF, 0xCCE6FF,
};

// The custom preset's colour, for every preset list of the component.
COLORREF g_customColor = 0xFFFFFF;

CString TemperatureText(double kelvin)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"%.3f K", kelvin);
    return text;
}

RECT SwatchBox(const RECT& row)
{
    const LONG top = row.top + std::max<LONG>(0, (row.bottom - row.top - kSwatch) / 2);
    return RECT{row.left + 2, top, row.left + 2 + kSwatch, top + kSwatch};
}
} // namespace

HRESULT ReadLampColorValue(const VARIANT& value, LampColorValue& lamp)
{
    dkfw::UniqueVariant mode;
    RETURN_IF_FAILED(dkpex::ArrayElement(value, 0, VT_I4, mode));
    LampColorValue read;
    read.mode = mode.Get().lVal;
    if (read.mode != LampColorValue::kTemperature && read.mode != LampColorValue::kPreset)
        return E_FAIL;
    dkfw::UniqueVariant setting;
    RETURN_IF_FAILED(dkpex::ArrayElement(value, 1, read.mode == LampColorValue::kTemperature ? VT_R8 : VT_I4, setting));
    if (read.mode == LampColorValue::kTemperature)
        read.kelvin = setting.Get().dblVal;
    else
    {
        read.preset = setting.Get().lVal;
        if (read.preset < 0 || read.preset > CDkPeComboPresetColor::kPresetCustom)
            return E_FAIL;
    }
    dkfw::UniqueVariant color;
    RETURN_IF_FAILED(dkpex::ArrayElement(value, 2, VT_I4, color));
    read.color = static_cast<COLORREF>(color.Get().lVal) & 0xFFFFFF;
    lamp = read;
    return S_OK;
}

long WriteLampColorValue(CDkPeCtrlBase& editor, int mode, const VARIANT& element)
{
    dkfw::UniqueVariant first;
    first.Addr()->vt = VT_I4;
    first.Addr()->lVal = mode;
    dkfw::UniqueVariant value;
    RETURN_IF_FAILED(dkpex::MakeVariantArray({&first.Get(), &element}, value));
    return editor.CDkPeCtrlBase::SetPropertyValue(value.Addr(), ValueSpecified);
}

void DrawLampSwatch(HDC dc, const RECT& box, COLORREF frame, COLORREF fill)
{
    HPALETTE palette = GetDrvkPaletteHandle();
    HPALETTE oldPalette = palette ? ::SelectPalette(dc, palette, FALSE) : nullptr;
    if (palette)
        ::RealizePalette(dc);
    FillItemBackground(dc, box, frame);
    FillItemBackground(dc, RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, fill);
    if (palette)
        ::SelectPalette(dc, oldPalette, FALSE);
}

// --- The swatch window ---

bool CKelvinColorWnd::Create(HWND parent, const RECT& rect) noexcept
{
    HWND hwnd = ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kId)),
                                  dkfw::CurrentModule() ? dkfw::CurrentModule()->Instance() : nullptr, nullptr);
    if (!hwnd)
        return false;
    if (!Attach(hwnd))
    {
        ::DestroyWindow(hwnd);
        return false;
    }
    return true;
}

dkfw::Lifetime* CKelvinColorWnd::OwnerLifetime() noexcept
{
    return m_owner ? m_owner->ControlLifetime() : nullptr;
}

// --- The temperature editor ---

CDkPeEditKelvinColor::CDkPeEditKelvinColor(CIPropEditUIEvents* events, CDkPeBasePrivate* priv, CDkPeLightColor* owner)
    : CDkPeButtonEdit(events, priv), m_owner(owner)
{
}

CDkPeEditKelvinColor::~CDkPeEditKelvinColor()
{
    CDkPeEditKelvinColor::Cleanup();
}

long CDkPeEditKelvinColor::Cleanup()
{
    if (m_pSwatch)
        m_pSwatch->DestroyNow();
    Retire(m_pSwatch);
    return CDkPeButtonEdit::Cleanup();
}

void CDkPeEditKelvinColor::SetValue(ValueType valueType, double kelvin, COLORREF color)
{
    m_valueType = valueType;
    m_kelvin = kelvin;
    m_color = color;
    ShowValue();
}

void CDkPeEditKelvinColor::ShowValue()
{
    if (m_valueType == ValueSpecified)
        m_text = TemperatureText(m_kelvin);
    else
        m_text = m_valueType == ValueVaries ? dkpex::VariesText() : m_unspecifiedText;
    if (HasEditWindow() && m_state >= kStateEditing)
    {
        m_pEdit->SetText(m_text);
        m_pEdit->ResetSelection();
        // The swatch comes or goes with the varies text: the edit box moves with it.
        RECT client{};
        if (HWND control = ControlHwnd(); control && ::GetClientRect(control, &client))
            Handle_SetObjectRects(&client, &client);
    }
    if (m_pSwatch && m_pSwatch->Hwnd())
        ::InvalidateRect(m_pSwatch->Hwnd(), nullptr, TRUE);
}

long CDkPeEditKelvinColor::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    // The value comes from the lamp colour editor, which read it first.
    if (FAILED(CDkPeCtrlBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)))
        return E_FAIL;
    ShowValue();
    return S_OK;
}

long CDkPeEditKelvinColor::Handle_Refresh()
{
    // A write or the light's page may have changed the mode: the lamp colour editor decides.
    return m_owner ? m_owner->Handle_Refresh() : E_FAIL;
}

long CDkPeEditKelvinColor::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    return a && b ? dkpex::CompareVariantArrays(*a, *b, result) : E_FAIL;
}

long CDkPeEditKelvinColor::GetPropertyValue(VARIANT* value, ValueType& valueType)
{
    // The row's text: the temperature as it shows it.
    if (!value)
        return E_POINTER;
    dkfw::UniqueVariant read;
    RETURN_IF_FAILED(CDkPeCtrlBase::GetPropertyValue(read.Put(), valueType));
    LampColorValue lamp;
    RETURN_IF_FAILED(ReadLampColorValue(read.Get(), lamp));
    if (lamp.mode != LampColorValue::kTemperature)
        return E_FAIL;
    const CString text = TemperatureText(lamp.kelvin);
    ::VariantClear(value);
    value->vt = VT_BSTR;
    value->bstrVal = ::SysAllocString(text.c_str());
    return value->bstrVal ? S_OK : E_OUTOFMEMORY;
}

long CDkPeEditKelvinColor::SetPropertyValue(VARIANT* value, ValueType)
{
    if (!value)
        return E_POINTER;
    dkfw::UniqueVariant kelvin;
    if (dkedIsInCommandStack(kPaletteCommand))
    {
        // A command's value is written as it is handed in, a number where it reads as one.
        RETURN_IF_FAILED(::VariantCopy(kelvin.Addr(), value));
        ::VariantChangeType(kelvin.Addr(), kelvin.Addr(), 0, VT_R8);
    }
    else
    {
        // The number the text starts with: "6500.000 K" writes 6500; a text without one
        // writes 0, which no light takes.
        const CString text = value->vt == VT_BSTR ? CString(value->bstrVal ? value->bstrVal : L"")
                             : HasEditWindow()    ? m_pEdit->Text()
                                                  : m_text;
        kelvin.Addr()->vt = VT_R8;
        kelvin.Addr()->dblVal = std::wcstod(text.c_str(), nullptr);
    }
    return WriteLampColorValue(*this, LampColorValue::kTemperature, kelvin.Get());
}

long CDkPeEditKelvinColor::BeginEdit(const RECT& rect)
{
    m_rowHeight = rect.bottom - rect.top;
    HWND control = ControlHwnd();
    if (m_pSwatch && !m_pSwatch->Hwnd())
        Retire(m_pSwatch);
    if (!m_pSwatch && control)
    {
        auto swatch = std::make_unique<CKelvinColorWnd>(this);
        if (swatch->Create(control, RECT{0, 0, m_rowHeight, m_rowHeight}))
        {
            swatch->m_frameColor = ForeColour();
            m_pSwatch = std::move(swatch);
        }
    }
    if (m_buttons.empty())
        AddButton(IDB_LAMP_COLOR, IDB_LAMP_COLOR, kOwnButton, false);
    const long hr = CDkPeButtonEdit::BeginEdit(rect);
    PlaceSwatch();
    return hr;
}

int CDkPeEditKelvinColor::EditLeftInset() const noexcept
{
    return SwatchShown() ? m_rowHeight : 0;
}

void CDkPeEditKelvinColor::PlaceSwatch()
{
    if (!m_pSwatch || !m_pSwatch->Hwnd())
        return;
    if (SwatchShown() && m_state >= kStateEditing)
    {
        ::SetWindowPos(m_pSwatch->Hwnd(), HWND_TOP, 0, 0, m_rowHeight, m_rowHeight, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        ::InvalidateRect(m_pSwatch->Hwnd(), nullptr, TRUE);
    }
    else
        ::ShowWindow(m_pSwatch->Hwnd(), SW_HIDE);
}

long CDkPeEditKelvinColor::Handle_SetObjectRects(const RECT* pos, const RECT* clip)
{
    if (pos)
        m_rowHeight = pos->bottom - pos->top;
    const long hr = CDkPeButtonEdit::Handle_SetObjectRects(pos, clip);
    PlaceSwatch();
    return hr;
}

long CDkPeEditKelvinColor::Handle_DoVerbHide(const RECT* pos, HWND parent)
{
    const long hr = CDkPeButtonEdit::Handle_DoVerbHide(pos, parent);
    if (m_pSwatch && m_pSwatch->Hwnd())
        ::ShowWindow(m_pSwatch->Hwnd(), SW_HIDE);
    return hr;
}

long CDkPeEditKelvinColor::Handle_DoVerbShow(const RECT* pos, HWND parent)
{
    const long hr = CDkPeButtonEdit::Handle_DoVerbShow(pos, parent);
    PlaceSwatch();
    return hr;
}

long CDkPeEditKelvinColor::Handle_UIDeactivate()
{
    const long hr = CDkPeButtonEdit::Handle_UIDeactivate();
    if (m_pSwatch && m_pSwatch->Hwnd())
        ::ShowWindow(m_pSwatch->Hwnd(), SW_HIDE);
    return hr;
}

void CDkPeEditKelvinColor::HideWindows()
{
    m_state = kStatePlaced;
    if (HasEditWindow())
    {
        ::ShowWindow(m_pEdit->Hwnd(), SW_HIDE);
        m_pEdit->HideUnspecifiedPopup();
    }
    if (m_pSwatch && m_pSwatch->Hwnd())
        ::ShowWindow(m_pSwatch->Hwnd(), SW_HIDE);
    for (auto& b : m_buttons)
        if (b->window && b->window->Hwnd())
            ::ShowWindow(b->window->Hwnd(), SW_HIDE);
}

long CDkPeEditKelvinColor::OnButtonClicked(int)
{
    CString text = DialogText();
    LaunchOPMPropertyDialog(text);
    // The page may have set a temperature or turned the light to a preset.
    return Handle_Refresh();
}

long CDkPeEditKelvinColor::GetTextTipWidth(int& width)
{
    const long hr = CDkPeButtonEdit::GetTextTipWidth(width);
    if (SUCCEEDED(hr) && SwatchShown())
        width += m_rowHeight;
    return hr;
}

long CDkPeEditKelvinColor::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    if (!SwatchShown())
        return DrawRowText(info, m_text);
    const RECT bounds{info.prcBounds->left, info.prcBounds->top, info.prcBounds->right, info.prcBounds->bottom};
    const LONG h = bounds.bottom - bounds.top;
    const RECT swatchArea{bounds.left, bounds.top, bounds.left + h, bounds.bottom};
    {
        HDC dc = info.hdcDraw;
        const int saved = ::SaveDC(dc);
        BOOL handled = FALSE;
        HBRUSH back = Handle_OnCtlColor(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), 0, handled);
        if (back && !(m_textTip.Exists() && ::WindowFromDC(dc) == m_textTip.Hwnd()))
            ::FillRect(dc, &swatchArea, back);
        DrawLampSwatch(dc, SwatchBox(swatchArea), m_pSwatch ? m_pSwatch->m_frameColor : ForeColour(), m_color);
        ::RestoreDC(dc, saved);
    }
    const RECTL textBounds{bounds.left + h, bounds.top, bounds.right, bounds.bottom};
    ATL_DRAWINFO text = info;
    text.prcBounds = &textBounds;
    return DrawRowText(text, m_text);
}

bool CDkPeEditKelvinColor::DrawSwatch(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    {
        dkfw::UniqueHbrush back(::CreateSolidBrush(BackColour()));
        ::FillRect(dc, &item.rcItem, back.Get());
    }
    DrawLampSwatch(dc, SwatchBox(item.rcItem), m_pSwatch ? m_pSwatch->m_frameColor : ForeColour(), m_color);
    return true;
}

// --- The preset list ---

void CPresetColorItem::Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT)
{
    if (!rect || !(itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)))
        return;
    const bool varies = Preset() == CDkPeComboPresetColor::kPresetVaries;
    CEntryPainter painter(dc, *rect, itemAction, itemState, varies ? 2 : 18);
    if (!painter.Highlighted())
        ::SetTextColor(dc, m_textColor);
    painter.Finish(m_text);
    if (!varies)
        DrawLampSwatch(dc, SwatchBox(*rect), m_textColor, CDkPeComboPresetColor::PresetColor(Preset()));
}

CPresetColorItem* CPeComboPresetColor::PresetItem(int index) const
{
    return dynamic_cast<CPresetColorItem*>(Item(index));
}

int CPeComboPresetColor::FindPreset(int preset) const
{
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (const CPresetColorItem* item = PresetItem(i); item && item->Preset() == preset)
            return i;
    return -1;
}

CDkPeComboPresetColor::CDkPeComboPresetColor(CIPropEditUIEvents* events, CDkPeBasePrivate* priv, CDkPeLightColor* owner)
    : CDkPeComboBase(events, priv), m_owner(owner)
{
    m_bNeedsCurrentDocument = TRUE;
    m_buttonSide = 2;
}

COLORREF CDkPeComboPresetColor::PresetColor(int preset) noexcept
{
    if (preset >= 0 && preset < kPresetCount)
        return kPresetColors[preset];
    return preset == kPresetCustom ? g_customColor : 0xFFFFFF;
}

void CDkPeComboPresetColor::SetCustomColor(COLORREF color) noexcept
{
    g_customColor = color;
}

void CDkPeComboPresetColor::SetValue(ValueType valueType, int preset)
{
    m_valueType = valueType;
    m_preset = valueType == ValueVaries ? kPresetVaries : preset;
}

CPeComboPresetColor* CDkPeComboPresetColor::PresetCombo() const noexcept
{
    return dynamic_cast<CPeComboPresetColor*>(m_pCombo.get());
}

long CDkPeComboPresetColor::CreateComboWindow(const RECT& rect)
try
{
    return CreateComboOf(rect, [this] { return std::make_unique<CPeComboPresetColor>(this); });
}
DK_CATCH_RETURN()

std::unique_ptr<CPresetColorItem> CDkPeComboPresetColor::MakeItem(int preset, const std::wstring& text) const
{
    auto item = std::make_unique<CPresetColorItem>();
    item->m_data = static_cast<ULONGLONG>(preset);
    item->m_text = text;
    item->m_fillColor = BackColour();
    item->m_textColor = ForeColour();
    return item;
}

long CDkPeComboPresetColor::FillList()
try
{
    CPeComboPresetColor* combo = PresetCombo();
    if (!combo || !combo->Hwnd())
        return E_FAIL;
    // The presets are fixed: the list holds them from its first filling on.
    if (combo->FindPreset(0) == 0)
        return S_OK;
    ::SendMessageW(combo->Hwnd(), CB_RESETCONTENT, 0, 0);
    CTemporaryResourceOverride resources;
    for (int preset = 0; preset < kPresetCount; ++preset)
    {
        auto item = MakeItem(preset, dkpex::LoadResString(IDS_LAMP_PRESET_FIRST + static_cast<UINT>(preset)));
        if (combo->AddItem(item.get()) < 0)
            return E_FAIL;
        item.release();
    }
    return S_OK;
}
DK_CATCH_RETURN()

int CDkPeComboPresetColor::GetCurrentIndex()
{
    if (!m_pCombo || !m_pCombo->Hwnd())
    {
        Retire(m_pCombo);
        if (FAILED(CreateComboWindow(RECT{0, 0, 120, 14})) || !PresetCombo())
            return -1;
        FillList();
    }
    CPeComboPresetColor* combo = PresetCombo();
    if (FAILED(FillList()))
        return -1;
    // After the presets: the light's own colour while the value is that, the varies entry
    // while the lights differ.
    const bool varies = m_valueType == ValueVaries;
    const bool custom = !varies && m_preset == kPresetCustom;
    for (int i = combo->Count() - 1; i >= kPresetCount; --i)
    {
        const CPresetColorItem* item = combo->PresetItem(i);
        const bool wanted =
            item && ((item->Preset() == kPresetVaries && varies) || (item->Preset() == kPresetCustom && custom));
        if (!wanted)
            ::SendMessageW(combo->Hwnd(), CB_DELETESTRING, static_cast<WPARAM>(i), 0);
    }
    auto add = [&](int preset, const std::wstring& text)
    {
        if (combo->FindPreset(preset) >= 0)
            return;
        auto item = MakeItem(preset, text);
        if (combo->AddItem(item.get()) >= 0)
            item.release();
    };
    if (custom)
        add(kPresetCustom, dkpex::LoadResString(IDS_LAMP_PRESET_CUSTOM));
    if (varies)
        add(kPresetVaries, dkpex::VariesText());
    return combo->FindPreset(m_preset);
}

long CDkPeComboPresetColor::CommitSelection(int index)
{
    CPeComboPresetColor* combo = PresetCombo();
    const CPresetColorItem* item = combo ? combo->PresetItem(index) : nullptr;
    if (!item || item->Preset() == kPresetVaries)
        return E_FAIL;
    VARIANT preset;
    preset.vt = VT_I4;
    preset.lVal = item->Preset();
    return WriteLampColorValue(*this, LampColorValue::kPreset, preset);
}

long CDkPeComboPresetColor::Handle_OnDraw(ATL_DRAWINFO& info)
{
    return DrawSelectedEntry(info, 0);
}

long CDkPeComboPresetColor::OnLaunchDialog()
{
    CString text = m_currentText;
    LaunchOPMPropertyDialog(text);
    // The page may have set another preset or turned the light to a temperature: the lamp
    // colour editor decides which editor shows.
    return m_owner ? m_owner->Handle_Refresh() : E_FAIL;
}

void CDkPeComboPresetColor::HideWindows()
{
    m_state = kStatePlaced;
    if (m_pCombo && m_pCombo->Hwnd())
    {
        ::SendMessageW(m_pCombo->Hwnd(), CB_SHOWDROPDOWN, FALSE, 0);
        ::ShowWindow(m_pCombo->Hwnd(), SW_HIDE);
    }
    if (m_pButton && m_pButton->Hwnd())
        ::ShowWindow(m_pButton->Hwnd(), SW_HIDE);
}

// --- The lamp colour editor ---

CDkPeLightColor::CDkPeLightColor(CIPropEditUIEvents* events, CDkPeBasePrivate* priv)
    : CDkPeCtrlBase(events, priv), m_pKelvin(std::make_unique<CDkPeEditKelvinColor>(events, priv, this)),
      m_pPreset(std::make_unique<CDkPeComboPresetColor>(events, priv, this))
{
    AdoptPart(*m_pKelvin);
    AdoptPart(*m_pPreset);
}

CDkPeLightColor::~CDkPeLightColor() = default;

CDkPeCtrlBase* CDkPeLightColor::Current() const noexcept
{
    switch (m_mode)
    {
    case LampColorValue::kTemperature:
        return m_pKelvin.get();
    case LampColorValue::kPreset:
        return m_pPreset.get();
    default:
        return nullptr;
    }
}

long CDkPeLightColor::ReadMode()
{
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    RETURN_IF_FAILED(CDkPeCtrlBase::GetPropertyValue(value.Put(), type));
    LampColorValue lamp;
    RETURN_IF_FAILED(ReadLampColorValue(value.Get(), lamp));
    if (lamp.mode == LampColorValue::kTemperature)
        m_pKelvin->SetValue(type, lamp.kelvin, lamp.color);
    else
    {
        if (lamp.preset == CDkPeComboPresetColor::kPresetCustom)
            CDkPeComboPresetColor::SetCustomColor(lamp.color);
        m_pPreset->SetValue(type, lamp.preset);
    }
    m_mode = lamp.mode;
    // Only this editor reads: what the read found of the property's read-only state (the
    // palette's flag, an object that says it may not change) holds for both editors.
    m_pKelvin->SetReadOnlyFlag(m_bPropReadOnly);
    m_pPreset->SetReadOnlyFlag(m_bPropReadOnly);
    return S_OK;
}

long CDkPeLightColor::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    // A control handed another selection keeps its window: the editor that showed may be
    // the other mode's now.
    const Shown before = WhatShows();
    if (FAILED(CDkPeCtrlBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)) || FAILED(ReadMode()))
        return E_FAIL;
    if (FAILED(m_pKelvin->Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)) ||
        FAILED(m_pPreset->Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)))
        return E_FAIL;
    ShowMode(before);
    return S_OK;
}

long CDkPeLightColor::Handle_Refresh()
{
    const Shown before = WhatShows();
    RETURN_IF_FAILED(ReadMode());
    long hr = S_OK;
    if (m_mode == LampColorValue::kPreset)
        hr = m_pPreset->Handle_Refresh();
    ShowMode(before);
    return hr;
}

CDkPeLightColor::Shown CDkPeLightColor::WhatShows() const
{
    Shown shown;
    shown.editor = Current();
    if (shown.editor)
        shown.editor->GetState(shown.state);
    return shown;
}

void CDkPeLightColor::ShowMode(const Shown& before)
{
    if (m_mode == LampColorValue::kTemperature)
        m_pPreset->HideWindows();
    else
        m_pKelvin->HideWindows();
    // An active row shows the other editor at once when the mode changed under it.
    CDkPeCtrlBase* now = Current();
    RECT client{};
    if (now != before.editor && before.state >= kStateEditing && ControlHwnd() &&
        ::GetClientRect(ControlHwnd(), &client))
        now->BeginEdit(client);
    if (HWND control = ControlHwnd())
        ::InvalidateRect(control, nullptr, TRUE);
}

long CDkPeLightColor::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    return a && b ? dkpex::CompareVariantArrays(*a, *b, result) : E_FAIL;
}

long CDkPeLightColor::Cleanup()
{
    // Both editors' windows go, whichever mode shows.
    m_pKelvin->Cleanup();
    m_pPreset->Cleanup();
    return CDkPeCtrlBase::Cleanup();
}

bool CDkPeLightColor::RouteChildMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    auto isKelvinChild = [](UINT id)
    {
        return id == CEditEx::kId || id == CDkPeEditBase::kPresetEditId || id == CKelvinColorWnd::kId ||
               (id >= CDkPeButtonEditBase::kOwnButton && id <= CDkPeButtonEditBase::kLastButtonId);
    };
    HWND control = ControlHwnd();
    switch (msg)
    {
    case WM_COMMAND:
    {
        const UINT id = LOWORD(wParam);
        if (id == CDkPeComboBase::kComboId || id == CDkPeComboBase::kDialogButtonId)
            return m_comboRoute.Route(*m_pPreset, control, msg, wParam, lParam, result);
        if (id >= CDkPeButtonEditBase::kOwnButton && id <= CDkPeButtonEditBase::kLastButtonId &&
            m_mode != LampColorValue::kTemperature)
        {
            result = 0;
            return true;
        }
        return isKelvinChild(id) && (dkpex::RouteButtonMessage(*m_pKelvin, msg, wParam, lParam, result) ||
                                     dkpex::RouteEditMessage(*m_pKelvin, msg, wParam, lParam, result));
    }
    case dkpex::CComboRoute::kPostedCancel:
        return m_comboRoute.Route(*m_pPreset, control, msg, wParam, lParam, result);
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    {
        const UINT id = static_cast<UINT>(wParam);
        if (id == CDkPeComboBase::kComboId)
            return m_comboRoute.Route(*m_pPreset, control, msg, wParam, lParam, result);
        if (id == CKelvinColorWnd::kId && msg == WM_DRAWITEM && lParam)
        {
            result = m_pKelvin->DrawSwatch(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return true;
        }
        return isKelvinChild(id) && dkpex::RouteButtonMessage(*m_pKelvin, msg, wParam, lParam, result);
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    {
        const UINT id = static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        if (isKelvinChild(id))
            return dkpex::RouteEditMessage(*m_pKelvin, msg, wParam, lParam, result);
        return m_comboRoute.Route(*m_pPreset, control, msg, wParam, lParam, result);
    }
    default:
        return false;
    }
}

long CDkPeLightColor::BeginEdit(const RECT& rect)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.BeginEdit(rect); });
}

long CDkPeLightColor::EndEdit()
{
    return Forward([&](CDkPeCtrlBase& current) { return current.EndEdit(); });
}

long CDkPeLightColor::GetPropertyValue(VARIANT* value, ValueType& valueType)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.GetPropertyValue(value, valueType); });
}

long CDkPeLightColor::SetPropertyValue(VARIANT* value, ValueType valueType)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.SetPropertyValue(value, valueType); });
}

long CDkPeLightColor::MouseClick(UINT flags, POINT point)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.MouseClick(flags, point); });
}

long CDkPeLightColor::DoubleClick(const RECT& rect)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.DoubleClick(rect); });
}

long CDkPeLightColor::PropertySysKeyDown(UINT key, UINT repeat, UINT flags, bool& handled)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.PropertySysKeyDown(key, repeat, flags, handled); });
}

long CDkPeLightColor::GetTextTipWidth(int& width)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.GetTextTipWidth(width); });
}

long CDkPeLightColor::GetComboTextTipWidth(int index, int& width)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.GetComboTextTipWidth(index, width); });
}

long CDkPeLightColor::Handle_get_KeepFocus(short* pVal)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.Handle_get_KeepFocus(pVal); });
}

long CDkPeLightColor::Handle_OnDraw(ATL_DRAWINFO& info)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.Handle_OnDraw(info); });
}

long CDkPeLightColor::Handle_SetObjectRects(const RECT* pos, const RECT* clip)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.Handle_SetObjectRects(pos, clip); });
}

long CDkPeLightColor::Handle_DoVerbHide(const RECT* pos, HWND parent)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.Handle_DoVerbHide(pos, parent); });
}

long CDkPeLightColor::Handle_DoVerbShow(const RECT* pos, HWND parent)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.Handle_DoVerbShow(pos, parent); });
}

long CDkPeLightColor::Handle_DoVerbUIActivate(const RECT* pos, HWND parent)
{
    return Forward([&](CDkPeCtrlBase& current) { return current.Handle_DoVerbUIActivate(pos, parent); });
}

long CDkPeLightColor::Handle_UIDeactivate()
{
    return Forward([&](CDkPeCtrlBase& current) { return current.Handle_UIDeactivate(); });
}

HBRUSH CDkPeLightColor::Handle_OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    CDkPeCtrlBase* current = Current();
    if (!current)
    {
        handled = FALSE;
        return nullptr;
    }
    return current->Handle_OnCtlColor(msg, wParam, lParam, handled);
}

LRESULT CDkPeLightColor::Handle_OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return ForwardMessage(&CDkPeCtrlBase::Handle_OnKeyDown, msg, wParam, lParam, handled);
}

LRESULT CDkPeLightColor::Handle_OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return ForwardMessage(&CDkPeCtrlBase::Handle_OnLButtonDown, msg, wParam, lParam, handled);
}

LRESULT CDkPeLightColor::Handle_OnRButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return ForwardMessage(&CDkPeCtrlBase::Handle_OnRButtonDown, msg, wParam, lParam, handled);
}

LRESULT CDkPeLightColor::Handle_OnMButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return ForwardMessage(&CDkPeCtrlBase::Handle_OnMButtonDown, msg, wParam, lParam, handled);
}

LRESULT CDkPeLightColor::Handle_OnLButtonDblClk(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return ForwardMessage(&CDkPeCtrlBase::Handle_OnLButtonDblClk, msg, wParam, lParam, handled);
}

LRESULT CDkPeLightColor::Handle_OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return ForwardMessage(&CDkPeCtrlBase::Handle_OnMouseMove, msg, wParam, lParam, handled);
}

LRESULT CDkPeLightColor::Handle_ShowTextTip(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return ForwardMessage(&CDkPeCtrlBase::Handle_ShowTextTip, msg, wParam, lParam, handled);
}

LRESULT CDkPeLightColor::Handle_OnDrawTooltip(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return ForwardMessage(&CDkPeCtrlBase::Handle_OnDrawTooltip, msg, wParam, lParam, handled);
}

LRESULT CDkPeLightColor::Handle_OnEraseBackground(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    return ForwardMessage(&CDkPeCtrlBase::Handle_OnEraseBackground, msg, wParam, lParam, handled);
}

// What both editors take, whichever mode shows: the control's creation, its font, colours,
// read-only state and the palette's identifier of the property.
LRESULT CDkPeLightColor::Handle_OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    BOOL kelvinHandled = handled;
    m_pKelvin->Handle_OnCreate(msg, wParam, lParam, kelvinHandled);
    return m_pPreset->Handle_OnCreate(msg, wParam, lParam, handled);
}

long CDkPeLightColor::Handle_put_Font(IUnknown* font)
{
    CDkPeCtrlBase::Handle_put_Font(font);
    m_pKelvin->Handle_put_Font(font);
    return m_pPreset->Handle_put_Font(font);
}

long CDkPeLightColor::Handle_put_ForeColor(OLE_COLOR color)
{
    CDkPeCtrlBase::Handle_put_ForeColor(color);
    m_pKelvin->Handle_put_ForeColor(color);
    return m_pPreset->Handle_put_ForeColor(color);
}

long CDkPeLightColor::Handle_put_BackColor(OLE_COLOR color)
{
    CDkPeCtrlBase::Handle_put_BackColor(color);
    m_pKelvin->Handle_put_BackColor(color);
    return m_pPreset->Handle_put_BackColor(color);
}

long CDkPeLightColor::Handle_put_ReadOnlyForeColor(OLE_COLOR color)
{
    CDkPeCtrlBase::Handle_put_ReadOnlyForeColor(color);
    m_pKelvin->Handle_put_ReadOnlyForeColor(color);
    return m_pPreset->Handle_put_ReadOnlyForeColor(color);
}

long CDkPeLightColor::Handle_put_ReadOnlyBackColor(OLE_COLOR color)
{
    CDkPeCtrlBase::Handle_put_ReadOnlyBackColor(color);
    m_pKelvin->Handle_put_ReadOnlyBackColor(color);
    return m_pPreset->Handle_put_ReadOnlyBackColor(color);
}

long CDkPeLightColor::SetReadOnlyFlag(int readOnly)
{
    CDkPeCtrlBase::SetReadOnlyFlag(readOnly);
    m_pKelvin->SetReadOnlyFlag(readOnly);
    return m_pPreset->SetReadOnlyFlag(readOnly);
}

long CDkPeLightColor::Handle_PutPropertyIdentifier(IDkPiPropertyIdentifier* identifier)
{
    CDkPeCtrlBase::Handle_PutPropertyIdentifier(identifier);
    m_pKelvin->Handle_PutPropertyIdentifier(identifier);
    return m_pPreset->Handle_PutPropertyIdentifier(identifier);
}

bool CPropertyEditorLightLampColor::RouteFamilyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
try
{
    return Editor() && RouteChildMessage(msg, wParam, lParam, result);
}
catch (...)
{
    return false;
}

// The lamp colour of a photometric light: a colour temperature in kelvin, typed into an edit
// box beside a swatch of the colour it gives, or one of the preset lamp colours, chosen from
// a list. The row shows whichever of the two editors the value's mode calls for, and decides
// again at every refresh.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeBaseTempl.h"
#include "DkPeButtonEditBase.h"
#include "DkPeComboBase.h"
#include "DkPeFamilyRoutes.h"

#include "Subclass.h"

#include <memory>

// A lamp colour value as the light gives it: the mode, the temperature or the preset, and
// the colour the object works out for either.
struct LampColorValue
{
    enum Mode
    {
        kTemperature = 0,
        kPreset = 1,
    };
    int mode = kPreset;
    double kelvin = 0;
    int preset = 0;
    COLORREF color = 0;
};

// The value read as a lamp colour: a one-dimensional array of VARIANTs, read from its lower
// bound, with a mode of 0 or 1 and the three elements; E_FAIL (or what the array access
// reports) otherwise.
HRESULT ReadLampColorValue(const VARIANT& value, LampColorValue& lamp);

// Writes [VT_I4 mode, element] to every selected object through editor's change: a
// VT_ARRAY | VT_VARIANT of two elements.
long WriteLampColorValue(CDkPeCtrlBase& editor, int mode, const VARIANT& element);

// A lamp colour's swatch in box (10 x 10): a frame and the colour inside, drawn with the
// application palette; either colour on the tips' bands when it is the info-tip colour.
void DrawLampSwatch(HDC dc, const RECT& box, COLORREF frame, COLORREF fill);

class CDkPeLightColor;

// The swatch at the left of the temperature row: a static control its parent draws.
class CKelvinColorWnd : public dkfw::SubclassedWindow
{
public:
    static constexpr UINT kId = 1040;

    explicit CKelvinColorWnd(CDkPeCtrlBase* owner) noexcept : m_owner(owner) {}
    bool Create(HWND parent, const RECT& rect) noexcept;

    COLORREF m_frameColor = 0;

protected:
    bool OnSubclassMessage(UINT, WPARAM, LPARAM, LRESULT&) override { return false; }
    dkfw::Lifetime* OwnerLifetime() noexcept override;

private:
    CDkPeCtrlBase* m_owner;
};

// The temperature editor: the temperature as "%.3f K", a swatch of the colour, the edit box
// and one button that opens the light's page.
class CDkPeEditKelvinColor : public CDkPeButtonEdit
{
public:
    CDkPeEditKelvinColor(CIPropEditUIEvents* events, CDkPeBasePrivate* priv, CDkPeLightColor* owner);
    ~CDkPeEditKelvinColor() override;

    long Cleanup() override;
    long BeginEdit(const RECT& rect) override;
    long ComparePropertyValue(VARIANT* a, VARIANT* b, int& result) override;
    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long SetPropertyValue(VARIANT* value, ValueType valueType) override;
    long GetTextTipWidth(int& width) override;
    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long Handle_Refresh() override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long Handle_SetObjectRects(const RECT* pos, const RECT* clip) override;
    long Handle_DoVerbHide(const RECT* pos, HWND parent) override;
    long Handle_DoVerbShow(const RECT* pos, HWND parent) override;
    long Handle_UIDeactivate() override;
    long OnButtonClicked(int id) override;

    // The value read, as the row's text and swatch.
    void SetValue(ValueType valueType, double kelvin, COLORREF color);
    // Another mode shows: every window of the editor hides, nothing is committed.
    void HideWindows();
    // The swatch's owner drawing.
    bool DrawSwatch(const DRAWITEMSTRUCT& item);

    ValueType m_valueType = ValueSpecified;
    double m_kelvin = 0;
    COLORREF m_color = 0;

protected:
    int EditLeftInset() const noexcept override;

private:
    bool SwatchShown() const noexcept { return m_valueType != ValueVaries; }
    // The row's text from the value held.
    void ShowValue();
    void PlaceSwatch();

    CDkPeLightColor* m_owner;
    std::unique_ptr<CKelvinColorWnd> m_pSwatch;
    int m_rowHeight = 0;
};

// A preset lamp colour's entry: its preset index in m_data (300 for the varies entry).
class CPresetColorItem : public COwnerDrawItem
{
public:
    void Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT itemIdOrFace) override;
    int Preset() const noexcept { return static_cast<int>(m_data); }

    COLORREF m_textColor = 0;
};

// The list of preset lamp colours.
class CPeComboPresetColor : public CPeComboCustom
{
public:
    using CPeComboCustom::CPeComboCustom;
    CPresetColorItem* PresetItem(int index) const;
    // The entry of preset index, or -1.
    int FindPreset(int preset) const;
};

// The preset editor: the fourteen presets, the light's own colour while it has one, and the
// varies entry while the lights differ.
class CDkPeComboPresetColor : public CDkPeComboBase
{
public:
    static constexpr int kPresetCount = 14;
    static constexpr int kPresetCustom = 14;
    static constexpr int kPresetVaries = 300;

    CDkPeComboPresetColor(CIPropEditUIEvents* events, CDkPeBasePrivate* priv, CDkPeLightColor* owner);

    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long CreateComboWindow(const RECT& rect) override;
    long FillList() override;
    long CommitSelection(int index) override;
    int GetCurrentIndex() override;
    long OnLaunchDialog() override;

    // The value read: the preset, or kPresetVaries.
    void SetValue(ValueType valueType, int preset);
    // Another mode shows: the list and its button hide, nothing is committed.
    void HideWindows();
    // The swatch colour of a preset (the light's own for the custom one).
    static COLORREF PresetColor(int preset) noexcept;
    // The colour of the custom preset, as the last light read with it gave it.
    static void SetCustomColor(COLORREF color) noexcept;

    ValueType m_valueType = ValueSpecified;
    int m_preset = 0;

private:
    CPeComboPresetColor* PresetCombo() const noexcept;
    CDkPeLightColor* m_owner;
    std::unique_ptr<CPresetColorItem> MakeItem(int preset, const std::wstring& text) const;
};

// The lamp colour editor: both editors, made with this control's events and window, and the
// one of the value's mode in front.
class CDkPeLightColor : public CDkPeCtrlBase
{
public:
    CDkPeLightColor(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);
    ~CDkPeLightColor() override;

    long Cleanup() override;
    long BeginEdit(const RECT& rect) override;
    long EndEdit() override;
    long ComparePropertyValue(VARIANT* a, VARIANT* b, int& result) override;
    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long SetPropertyValue(VARIANT* value, ValueType valueType) override;
    long MouseClick(UINT flags, POINT point) override;
    long DoubleClick(const RECT& rect) override;
    long PropertySysKeyDown(UINT key, UINT repeat, UINT flags, bool& handled) override;
    long GetTextTipWidth(int& width) override;
    long GetComboTextTipWidth(int index, int& width) override;
    long SetReadOnlyFlag(int readOnly) override;
    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long Handle_get_KeepFocus(short* pVal) override;
    long Handle_Refresh() override;
    long Handle_put_ForeColor(OLE_COLOR color) override;
    long Handle_put_BackColor(OLE_COLOR color) override;
    long Handle_put_ReadOnlyForeColor(OLE_COLOR color) override;
    long Handle_put_ReadOnlyBackColor(OLE_COLOR color) override;
    long Handle_put_Font(IUnknown* font) override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long Handle_SetObjectRects(const RECT* pos, const RECT* clip) override;
    long Handle_DoVerbHide(const RECT* pos, HWND parent) override;
    long Handle_DoVerbShow(const RECT* pos, HWND parent) override;
    long Handle_DoVerbUIActivate(const RECT* pos, HWND parent) override;
    long Handle_UIDeactivate() override;
    HBRUSH Handle_OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnRButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnMButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnLButtonDblClk(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_ShowTextTip(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnDrawTooltip(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnEraseBackground(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    long Handle_PutPropertyIdentifier(IDkPiPropertyIdentifier* identifier) override;

    int Mode() const noexcept { return m_mode; }
    CDkPeEditKelvinColor& KelvinEditor() const noexcept { return *m_pKelvin; }
    CDkPeComboPresetColor& PresetEditor() const noexcept { return *m_pPreset; }

protected:
    // The message of a child window, to the editor that owns the child; false when it is
    // none of theirs.
    bool RouteChildMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    // The editor of the current mode, or null for a mode that has none.
    CDkPeCtrlBase* Current() const noexcept;
    // The call made on the editor of the current mode; E_FAIL without one.
    template <class Call> long Forward(Call call) const
    {
        CDkPeCtrlBase* current = Current();
        return current ? call(*current) : E_FAIL;
    }
    // The message to the editor of the current mode; unhandled without one.
    LRESULT ForwardMessage(LRESULT (CDkPeCtrlBase::*handler)(UINT, WPARAM, LPARAM, BOOL&), UINT msg, WPARAM wParam,
                           LPARAM lParam, BOOL& handled) const
    {
        CDkPeCtrlBase* current = Current();
        if (!current)
        {
            handled = FALSE;
            return 0;
        }
        return (current->*handler)(msg, wParam, lParam, handled);
    }
    // The editor that shows and its state, before a read may change the mode.
    struct Shown
    {
        CDkPeCtrlBase* editor = nullptr;
        int state = kStateCreated;
    };
    Shown WhatShows() const;
    // The windows of the mode not shown hide; an active row activates the editor of a new
    // mode.
    void ShowMode(const Shown& before);
    // Reads the value and hands it to the editor of its mode, which becomes current; the
    // value stays as it was when the read fails.
    long ReadMode();

    int m_mode = LampColorValue::kPreset;
    std::unique_ptr<CDkPeEditKelvinColor> m_pKelvin;
    std::unique_ptr<CDkPeComboPresetColor> m_pPreset;
    dkpex::CComboRoute m_comboRoute;
};

class CPropertyEditorLightLampColor : public CDkPeBaseTempl<CPropertyEditorLightLampColor, CDkPeLightColor>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorLightLampColor; }

protected:
    bool RouteFamilyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;
};

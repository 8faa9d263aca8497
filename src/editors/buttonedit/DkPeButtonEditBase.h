// CDkPeButtonEditBase: the edit-box editor with a row of small square buttons on one side:
// the editor's own (1043), the calculator (1046) and the expression state (1047).
#pragma once

#include "DkPEXCtl.h"
#include "DkPeEditBase.h"
#include "DrawingUnits.h"
#include "PropertyEditorButton.h"
#include "dkcal.h"

#include <memory>
#include <vector>

// One button of a button-edit editor.
struct CustomButton
{
    CustomButton() = default;
    CustomButton(const CustomButton&) = delete;
    CustomButton& operator=(const CustomButton&) = delete;

    dkfw::ComPtr<IPicture> picture;
    dkfw::ComPtr<IPicture> disabledPicture;
    std::unique_ptr<CPropertyEditorButton> window;
    USHORT id = 0;
    dkfw::UniqueHbitmap bitmap;
    dkfw::UniqueHbitmap disabledBitmap;
    bool shownWhenReadOnly = false;
};

class DKPEX_API CDkPeButtonEditBase : public CDkPeEditBase
{
public:
    static constexpr USHORT kOwnButton = 1043;
    static constexpr USHORT kCalculatorButton = 1046;
    static constexpr USHORT kExpressionButton = 1047;
    // Button ids run from the editor's own button to this one.
    static constexpr USHORT kLastButtonId = 1048;
    enum Side
    {
        kNoSide = 0,
        kLeft = 1,
        kRight = 2,
    };

    CDkPeButtonEditBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);
    ~CDkPeButtonEditBase() override;

    // The family's operations, after those of CDkPeCtrlBase, in this order.
    virtual LRESULT OnButtonCommand(WORD notifyCode, WORD id, HWND hwnd, BOOL& handled);
    virtual LRESULT OnEditKillFocus(WORD notifyCode, WORD id, HWND hwnd, BOOL& handled);
    virtual LRESULT OnDrawButtonItem(UINT msg, WPARAM id, LPARAM drawItem, BOOL& handled);
    virtual long GetDefaultPicture(IUnknown** picture);
    virtual long PutDefaultPicture(IUnknown* picture);
    virtual long GetDisabledPicture(IUnknown** picture);
    virtual long PutDisabledPicture(IUnknown* picture);
    virtual long OnButtonClicked(int id);
    virtual long FormatValueText(CString& text, const VARIANT& value);
    virtual bool GetCalculatorInput(CString& text);
    virtual bool SetCalculatorPoint(const double point[3]);
    virtual bool SetCalculatorResult(const CalculatorResult& result);
    virtual long InvokeCalculator();
    virtual long OnExpressionButton();

    long Cleanup() override;
    long BeginEdit(const RECT& rect) override;
    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long Handle_SetObjectRects(const RECT* pos, const RECT* clip) override;
    long Handle_DoVerbHide(const RECT* pos, HWND parent) override;
    long Handle_DoVerbShow(const RECT* pos, HWND parent) override;
    long Handle_UIDeactivate() override;

    // The glue's calls.
    long RunButtonAction();
    long ApplyCalculatorMode(VARIANT_BOOL mode);

    // For subclasses.
    CustomButton& AddButton(UINT bitmapId, UINT disabledBitmapId, USHORT id, bool shownWhenReadOnly);
    bool SetButtonBitmaps(CustomButton* record, UINT bitmapId, UINT disabledBitmapId);
    void SetExpressionButton(int state);
    void SetButtonTooltip(const std::wstring& text, USHORT id);
    void EnableButtons(bool enable);
    // The row's text for a value read (FormatValueText for a value that is no text), shown in
    // the edit box when there is one.
    void ShowValueText(const VARIANT& value, ValueType valueType);
    CustomButton* FindButton(USHORT id) const noexcept;
    // Every button goes, its window with it.
    void DropButtons();

    int ButtonCount() const noexcept { return static_cast<int>(m_buttons.size()); }
    int ButtonSide() const noexcept { return m_buttonSide; }

protected:
    // What the edit box leaves free at the row's left edge (a family's own picture there).
    virtual int EditLeftInset() const noexcept { return 0; }

    std::vector<std::unique_ptr<CustomButton>> m_buttons;
    int m_buttonSide = kNoSide;
    int m_numericDataType = PE_DRVK_NOUNITS;
    bool m_buttonsShown = true;

private:
    static bool LoadPicture(UINT bitmapId, dkfw::UniqueHbitmap& bitmap, dkfw::ComPtr<IPicture>& picture);
    void TooltipForExpression();
};

// The button-edit editor whose own button opens the host's dialog for the row: a click, or
// Alt with the up or down arrow.
class DKPEX_API CDkPeButtonEdit : public CDkPeButtonEditBase
{
public:
    CDkPeButtonEdit(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);

    long PropertySysKeyDown(UINT key, UINT repeat, UINT flags, bool& handled) override;
    long Handle_Refresh() override;
    long OnButtonClicked(int id) override;

protected:
    // The text the dialog starts from: the row's own.
    virtual CString DialogText();
};

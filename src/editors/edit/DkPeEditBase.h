// CDkPeEditBase: the row shows the property as text; a click puts a single-line edit over
// it; Enter, Tab or losing the focus commit, Escape throws the typing away.
#pragma once

#include "DkPeCtrlBase.h"
#include "DkPeValueView.h"
#include "EditEx.h"

#include <memory>

class DKPEX_API CDkPeEditBase : public CDkPeCtrlBase, public CDkPeValueView
{
public:
    CDkPeEditBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);
    ~CDkPeEditBase() override;

    long Cleanup() override;
    long BeginEdit(const RECT& rect) override;
    long EndEdit() override;
    long MouseClick(UINT flags, POINT point) override;
    long DoubleClick(const RECT& rect) override;
    long GetTextTipWidth(int& width) override;
    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long Handle_get_KeepFocus(short* pVal) override;
    long Handle_Refresh() override;
    long Handle_put_Font(IUnknown* font) override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long Handle_SetObjectRects(const RECT* pos, const RECT* clip) override;
    long Handle_DoVerbHide(const RECT* pos, HWND parent) override;
    long Handle_DoVerbShow(const RECT* pos, HWND parent) override;
    long Handle_UIDeactivate() override;
    LRESULT Handle_OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnRButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    LRESULT Handle_OnLButtonDblClk(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;

    // The edit box stopped typing or pasting at its limit: the user is told, not left with a
    // text silently cut.
    void OnTextLimit();

    CEditEx* Edit() const noexcept { return m_pEdit.get(); }
    // Puts text in the family's edit (made hidden, id 4321, when there is none yet), so that
    // the row shows a value a command is about to write.
    void PresetText(const std::wstring& text);
    void PresetValue(const std::wstring& text, bool, long long) override { PresetText(text); }
    bool CurrentEntryText(std::wstring&) override { return false; }
    const CString& Text() const noexcept { return m_text; }

    // The id of the hidden edit a command's preset makes; it is never the row's edit box.
    static constexpr UINT kPresetEditId = 4321;

private:
    // A message of the row's own while it edits: the focus it takes commits nothing.
    void TellWhileEditing(const std::wstring& text);
    bool m_bTelling = false;

protected:
    // The edit object and its window, when the window still exists (the control's window,
    // and its children with it, go at every in-place deactivation).
    bool HasEditWindow() const noexcept { return m_pEdit && m_pEdit->Hwnd(); }
    // Forgets the edit object (destroying its window, if any).
    void DropEdit() noexcept;
    // The row's text from the objects' value; E_FAIL for a specified value that is not text.
    long ReadText();
    // Draws text (the row's text unless a family shows it otherwise) in the bounds as an
    // inactive row.
    long DrawRowText(ATL_DRAWINFO& info, const CString& text);
    // The height of the row's text in dc, with a sample when the row is empty.
    int TextHeight(HDC dc) const noexcept;
    // Where a row's text starts in a row of the given height: moved down by half the free
    // height, then centred in what is left. The inactive row and the edit boxes put it there,
    // so that it does not move when the row activates.
    static int RowTextTop(int height, int textHeight) noexcept;

    CString m_text;
    BOOL m_reserved = FALSE;
    std::unique_ptr<CEditEx> m_pEdit;
};

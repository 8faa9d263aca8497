// CDkPeComboBase: the row shows the property's current entry; activation lays a drop-down
// list over the row (and, for objects with a property dialog, a square button that opens
// it); closing the list on another entry writes that entry's value to every object.
#pragma once

#include "ComboWindows.h"
#include "DkPeCtrlBase.h"
#include "DkPeValueView.h"
#include "PropertyEditorButton.h"

#include "ComPtr.h"

#include <functional>
#include <memory>
#include <utility>

class DKPEX_API CDkPeComboBase : public CDkPeCtrlBase, public CDkPeValueView
{
public:
    static constexpr UINT kComboId = 1002;
    static constexpr UINT kDialogButtonId = 1039;
    // After a confirmed choice closed the list.
    static constexpr int kStateChosen = 5;

    CDkPeComboBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);
    ~CDkPeComboBase() override;

    long Cleanup() override;
    long BeginEdit(const RECT& rect) override;
    long EndEdit() override;
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
    HBRUSH Handle_OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    long GetComboTextTipWidth(int index, int& width) override;

    // The family's operations, in this order.
    virtual long OnButtonClicked(WORD notification);
    virtual long GetDefaultPicture(IUnknown** out);
    virtual long PutDefaultPicture(IUnknown* picture);
    virtual long GetDisabledPicture(IUnknown** out);
    virtual long PutDisabledPicture(IUnknown* picture);
    virtual long OnSelEndCancel();
    virtual long OnSelEndOk();
    virtual LRESULT OnDrawItem(UINT msg, UINT id, DRAWITEMSTRUCT* item, BOOL& handled);
    virtual LRESULT OnMeasureItem(UINT msg, UINT id, MEASUREITEMSTRUCT* item, BOOL& handled);
    virtual LRESULT OnDeleteItem(UINT msg, UINT id, DELETEITEMSTRUCT* item, BOOL& handled);
    virtual long OnLaunchDialog();
    virtual long CreateComboWindow(const RECT& rect);
    virtual long FillList();
    virtual long CommitSelection(int index);
    virtual CString GetItemText(int index);
    virtual int GetCurrentIndex();

    CPropComboWindow* Combo() const noexcept { return m_pCombo.get(); }
    int CurrentIndex() const noexcept { return m_nCurrentIndex; }
    const CString& CurrentText() const noexcept { return m_currentText; }
    // Fire_OnKeyDown for the drop-down's keys.
    using CDkPeCtrlBase::ControlFont;
    using CDkPeCtrlBase::Fire_OnKeyDown;
    // The text tip over the row now follows the closed combo.
    void RefreshTipOwner() noexcept;
    // A command's value shown as the list's entry: the entry at an integer's index, or the
    // first whose text collates equal to the text (the list is made hidden and filled when
    // there is none yet).
    void PresetValue(const std::wstring& text, bool isInteger, long long number) override;
    bool CurrentEntryText(std::wstring& text) override;
    // The combo lost the focus with a choice made on its closed list: commit it there.
    void CommitChoiceOnFocusLoss();
    // The list opens: a choice made while it was closed is now the open list's to commit or
    // cancel.
    void OnDropDown();
    // The list closed with a cancel whose handling is posted (so that a confirmation of the
    // same close wins); an ending that comes first takes it as a cancel.
    void SetCancelPending(bool pending) noexcept { m_bCancelPending = pending; }

protected:
    // The first object offers a property dialog or page (asked until one is found).
    bool HasDialog();
    // The combo over the control window, filled, made when there is none; false on failure.
    bool EnsureCombo();
    // The value's entry chosen again: the current index and text follow it (an index of -1
    // keeps the text), and the combo shows it.
    void SelectCurrentEntry();
    // The combo make gives, created over the control window with the row's font as the
    // editor's combo; E_FAIL (and none) when it cannot be created.
    template <class Make> long CreateComboOf(const RECT& rect, Make make)
    {
        HWND control = ControlHwnd();
        if (!control)
            return E_FAIL;
        auto combo = make();
        if (!combo->CreateCombo(CPropComboWindow::kStyle, rect, control, kComboId))
        {
            combo->DestroyWindow();
            return E_FAIL;
        }
        ::SendMessageW(combo->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
        m_pCombo = std::move(combo);
        return S_OK;
    }
    // The varies and unspecified entries after an owner-drawn list's own, as a value of type
    // wants them (make gives a new entry of the list's type); the entry of a varies or
    // unspecified value, or -1 for an ordinary one.
    void UpdateTrailingEntries(CPeComboCustom& combo, ValueType type,
                               const std::function<std::unique_ptr<COwnerDrawItem>()>& make);
    static int TrailingIndex(const CPeComboCustom& combo, ValueType type);
    // Each layer the selected entities lie on, once, opened for read, until visit answers
    // false; the current document's current layer when no selected object has a layer.
    void VisitSelectedLayers(const std::function<bool(const DkDbLayerTableRecord&)>& visit);
    // What ByLayer stands for over those layers: the value read(layer, isOverride) gives for
    // each, differs when two disagree (initial when no layer is found), and whether the
    // current viewport overrides it on every layer.
    template <class V, class Read> std::pair<V, bool> ByLayerValue(V initial, V differs, Read read)
    {
        V result = initial;
        bool overridden = false;
        bool any = false;
        VisitSelectedLayers(
            [&](const DkDbLayerTableRecord& layer)
            {
                bool isOverride = false;
                const V value = read(layer, isOverride);
                if (!any)
                {
                    result = value;
                    overridden = isOverride;
                    any = true;
                }
                else
                {
                    overridden = overridden && isOverride;
                    if (!(value == result))
                        result = differs;
                }
                return !(result == differs && !overridden);
            });
        return {result, overridden};
    }
    // The inactive row of an owner-drawn list: the selected entry drawn as it is listed,
    // moved shift pixels right; without one, the text the row showed last.
    long DrawSelectedEntry(ATL_DRAWINFO& info, int shift);
    // Whether the inactive row is drawn here (not while another window of it is edited in);
    // a row read before its window existed is read first.
    bool RowNeedsDrawing(ATL_DRAWINFO& info);
    // The row's colours, font and background on the DC, then draw puts the entry in bounds.
    void PaintRow(ATL_DRAWINFO& info, const std::function<void(HDC, RECT)>& draw);

    int m_nCurrentIndex = -1;
    int m_nHighlight = 0;
    CString m_currentText;
    std::unique_ptr<CPropComboWindow> m_pCombo;
    BOOL m_bCancel = FALSE;
    dkfw::ComPtr<IPicture> m_defaultPicture;
    dkfw::ComPtr<IPicture> m_disabledPicture;
    int m_buttonSide = 2;
    std::unique_ptr<CPropertyEditorButton> m_pButton;
    BOOL m_bHasDialog = FALSE;
    BOOL m_bNeedsCurrentDocument = FALSE;
    // A commit on losing the focus leaves the focus where it went.
    bool m_bKeepFocusAway = false;
    // A choice is being written (CommitSelection runs).
    bool m_bWriting = false;
    bool m_bCancelPending = false;
};

// CDkPeComboBase: activation, layout, closing and committing, refresh, hiding and showing,
// the dialog button and the inactive row.
#include "DkPeComboBase.h"

#include "PictureSlot.h"
#include "SharedTexts.h"

#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

#include <olectl.h>

#include <algorithm>
#include <set>
#include <utility>

namespace
{
// The colour query the inactive row's drawing makes (the 16-bit WM_CTLCOLOR).
constexpr UINT kWmCtlColor = 0x0019;
constexpr UINT kRowTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | DT_NOPREFIX | DT_END_ELLIPSIS;

int Height(const RECT& r)
{
    return r.bottom - r.top;
}

// The drop-down over a row of width w and height h: its own border hidden outside the row,
// about nine entries when open.
RECT ComboRect(int w, int h)
{
    return RECT{-2, -2, w + 2, 9 * h};
}
} // namespace

CDkPeComboBase::CDkPeComboBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv) : CDkPeCtrlBase(events, priv) {}

CDkPeComboBase::~CDkPeComboBase()
{
    CDkPeComboBase::Cleanup();
}

long CDkPeComboBase::Cleanup()
{
    if (m_pButton)
        m_pButton->DestroyNow();
    Retire(m_pButton);
    if (m_pCombo)
        m_pCombo->DestroyWindow();
    Retire(m_pCombo);
    return CDkPeCtrlBase::Cleanup();
}

bool CDkPeComboBase::HasDialog()
{
    if (m_bHasDialog || m_nObjects < 1)
        return m_bHasDialog;
    IUnknown* asked = m_ppDynProps && m_ppDynProps[0] ? m_ppDynProps[0] : m_ppObjects[0];
    if (!asked)
        return false;
    dkfw::ComPtr<IDkPropertyDialog> dialog;
    if (SUCCEEDED(asked->QueryInterface(IID_IDkPropertyDialog, dialog.PutVoid())))
    {
        const wchar_t* command = nullptr;
        if (dialog->GetDialogFunction() || ((command = dialog->GetCommandText()) && *command))
            m_bHasDialog = TRUE;
    }
    if (!m_bHasDialog)
    {
        dkfw::ComPtr<IPerPropertyBrowsing> browsing;
        CLSID page = CLSID_NULL;
        if (SUCCEEDED(asked->QueryInterface(IID_IPerPropertyBrowsing, browsing.PutVoid())) &&
            SUCCEEDED(browsing->MapPropertyToPage(kDynamicPropertyDispid, &page)) && page != CLSID_NULL)
            m_bHasDialog = TRUE;
    }
    return m_bHasDialog;
}

long CDkPeComboBase::BeginEdit(const RECT& row)
{
    if (m_bNeedsCurrentDocument && !IsCurrentDocumentDatabase())
        return E_FAIL;
    const bool readOnly = IsPropertyReadOnly();
    if (readOnly)
    {
        if (m_pCombo && m_pCombo->Hwnd())
        {
            ::ShowWindow(m_pCombo->Hwnd(), SW_HIDE);
            ::InvalidateRect(m_pCombo->Hwnd(), nullptr, TRUE);
        }
        return S_OK;
    }
    if (m_pCombo && m_pCombo->Hwnd() && ::GetFocus() != m_pCombo->Hwnd())
        ::SetFocus(m_pCombo->Hwnd());
    if (m_state == kStateEditing)
        return S_OK;

    HWND control = ControlHwnd();
    if (!control)
        return E_FAIL;
    const int h = Height(row);
    // A button whose window went with an earlier control window is made again.
    if (m_pButton && !m_pButton->Hwnd())
        Retire(m_pButton);
    if (HasDialog() && !m_pButton)
    {
        auto button = std::make_unique<CPropertyEditorButton>(m_defaultPicture.Get(),
                                                              m_defaultPicture ? m_disabledPicture.Get() : nullptr);
        button->SetOwner(this);
        button->SetColors(m_backColor, ::GetSysColor(COLOR_BTNSHADOW));
        button->SetSize(h, h);
        if (!button->Create(control, RECT{0, 0, h, h}, kDialogButtonId))
            return E_FAIL;
        m_pButton = std::move(button);
    }
    const int w = (row.right - row.left) - (m_pButton ? h : 0);
    if (!m_pCombo || !m_pCombo->Hwnd())
    {
        Retire(m_pCombo);
        if (FAILED(CreateComboWindow(ComboRect(w, h))) || !m_pCombo || !m_pCombo->Hwnd())
        {
            if (m_pCombo)
                m_pCombo->DestroyWindow();
            Retire(m_pCombo);
            return E_FAIL;
        }
    }
    if (m_state < kStateEditing)
    {
        // A new activation: nothing of an earlier one's closing is left.
        m_bCancel = FALSE;
        m_bCancelPending = false;
        m_pCombo->TakeClosedChoice();
        // Also for a combo a command's preset made before the row had a size.
        ::SetWindowLongPtrW(m_pCombo->Hwnd(), GWLP_ID, kComboId);
        ::SendMessageW(m_pCombo->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
        ::SendMessageW(m_pCombo->Hwnd(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), h - 2);
        ::SendMessageW(m_pCombo->Hwnd(), CB_SETITEMHEIGHT, 0, h - 2);
        FillList();
    }
    ::ShowWindow(m_pCombo->Hwnd(), SW_SHOW);
    if (m_pButton && m_pButton->Hwnd())
        ::ShowWindow(m_pButton->Hwnd(), SW_SHOW);
    ::SetFocus(m_pCombo->Hwnd());
    m_state = kStateEditing;
    const RECT atOrigin{0, 0, row.right - row.left, h};
    Handle_SetObjectRects(&atOrigin, &atOrigin);
    m_pPresetEdit = m_pCombo->Hwnd();
    return S_OK;
}

long CDkPeComboBase::Handle_SetObjectRects(const RECT* pos, const RECT*)
{
    if (m_state < kStateEditing || !pos || !m_pCombo || !m_pCombo->Hwnd())
        return S_OK;
    const int h = Height(*pos);
    int right = pos->right - pos->left;
    const bool buttonShown = m_pButton && m_pButton->Hwnd();
    if (buttonShown)
    {
        ::SetWindowPos(m_pButton->Hwnd(), nullptr, right - h, 0, h, h, SWP_NOZORDER | SWP_NOACTIVATE);
        right -= h;
    }
    const int width = (right + 2) - (0 - 2) - (buttonShown ? 2 : 0);
    ::SetWindowPos(m_pCombo->Hwnd(), nullptr, -2, -2, width, 9 * (h + 4), SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(m_pCombo->Hwnd(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), h - 2);
    return S_OK;
}

long CDkPeComboBase::EndEdit()
{
    if (m_state < kStateEditing || !m_pCombo || !m_pCombo->Hwnd())
        return E_FAIL;
    // An ending while the choice's write runs (the palette deactivating or dropping the row
    // while the write's message is up) is that write's: the choice is not written twice.
    if (m_bWriting)
        return S_OK;
    HWND combo = m_pCombo->Hwnd();
    m_nHighlight = 0;
    const int chosen = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
    // Whatever ends here, a choice made on the closed list no longer waits, and a cancel still
    // on its way is this ending's.
    m_pCombo->TakeClosedChoice();
    if (std::exchange(m_bCancelPending, false))
        m_bCancel = TRUE;
    if (chosen != m_nCurrentIndex)
        m_state = kStateEditing;
    if (m_state >= kStateCommitting)
    {
        // The commit ran already: a cancel that its closing of the list posted has nothing
        // left to take back.
        m_bCancel = FALSE;
        return S_OK;
    }
    if (!m_bCancel && chosen != CB_ERR)
    {
        if (chosen == m_nCurrentIndex)
            return S_OK;
        // A property that turned read-only meanwhile takes no choice.
        if (IsPropertyReadOnly())
        {
            ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
            return S_OK;
        }
        m_state = kStateCommitting;
        ::SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
        const long hr = [&]
        {
            m_bWriting = true;
            const dkfw::ScopeExit written([this] { m_bWriting = false; });
            return CommitSelection(chosen);
        }();
        if (FAILED(hr) || m_nFailed > 0)
        {
            if (GetCurrentIndex() != m_nCurrentIndex)
            {
                FillList();
                m_nCurrentIndex = GetCurrentIndex();
            }
        }
        else
            m_nCurrentIndex = chosen;
        // The combo may have gone with a refresh the write caused.
        if (!m_pCombo || !m_pCombo->Hwnd())
            return m_nCurrentIndex == -1 ? E_FAIL : S_OK;
        combo = m_pCombo->Hwnd();
        ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
        ::SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(combo, nullptr, TRUE);
        ::UpdateWindow(combo);
        if (m_nCurrentIndex == -1)
            return E_FAIL;
        m_currentText = GetItemText(m_nCurrentIndex);
        RefreshTipOwner();
        if (!m_bKeepFocusAway)
            ::SetFocus(combo);
        if (HWND control = ControlHwnd())
            ::InvalidateRect(control, nullptr, TRUE);
        return S_OK;
    }
    if (m_bCancel)
    {
        m_bCancel = FALSE;
        if (chosen != m_nCurrentIndex)
        {
            ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
            ::InvalidateRect(combo, nullptr, TRUE);
            ::UpdateWindow(combo);
        }
        return S_OK;
    }
    m_nCurrentIndex = -1;
    return E_FAIL;
}

void CDkPeComboBase::RefreshTipOwner() noexcept
{
    m_textTip.Hide();
    m_textTip.SetOwner(ControlHwnd());
}

long CDkPeComboBase::Handle_Refresh()
{
    const int index = GetCurrentIndex();
    if (index == -1)
        return E_FAIL;
    m_nCurrentIndex = index;
    m_currentText = GetItemText(index);
    if (m_pCombo && m_pCombo->Hwnd())
    {
        if (::SendMessageW(m_pCombo->Hwnd(), CB_GETCURSEL, 0, 0) == index)
            ::InvalidateRect(m_pCombo->Hwnd(), nullptr, TRUE);
        else
            ::SendMessageW(m_pCombo->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    // Active, also after a commit.
    if (m_state >= kStateEditing)
    {
        const bool readOnly = IsPropertyReadOnly();
        if (readOnly)
            Handle_UIDeactivate();
        else if (m_pCombo && m_pCombo->Hwnd())
            ::ShowWindow(m_pCombo->Hwnd(), SW_SHOW);
    }
    return S_OK;
}

long CDkPeComboBase::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    if (FAILED(CDkPeCtrlBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)))
        return E_FAIL;
    Handle_Refresh();
    return S_OK;
}

long CDkPeComboBase::Handle_get_KeepFocus(short* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_pCombo && m_pCombo->Hwnd() && ::SendMessageW(m_pCombo->Hwnd(), CB_GETDROPPEDSTATE, 0, 0)
                ? static_cast<short>(VARIANT_TRUE)
                : 0;
    return S_OK;
}

long CDkPeComboBase::Handle_put_Font(IUnknown* font)
{
    if (!font)
        return E_POINTER;
    CDkPeCtrlBase::Handle_put_Font(font);
    HFONT handle = nullptr;
    const long hr = m_pFont ? m_pFont->get_hFont(&handle) : E_FAIL;
    if (m_pCombo && m_pCombo->Hwnd())
    {
        ::SendMessageW(m_pCombo->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(handle), TRUE);
        ::InvalidateRect(m_pCombo->Hwnd(), nullptr, TRUE);
    }
    return hr;
}

HBRUSH CDkPeComboBase::Handle_OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    Handle_put_BackColor(0x80000000 | COLOR_WINDOW);
    return CDkPeCtrlBase::Handle_OnCtlColor(msg, wParam, lParam, handled);
}

long CDkPeComboBase::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    HDC dc = info.hdcDraw;
    HWND control = ControlHwnd();
    const HWND target = ::WindowFromDC(dc);
    if (m_state >= kStateEditing && target != control)
        return S_OK;
    const int saved = ::SaveDC(dc);
    BOOL handled = FALSE;
    HBRUSH back = Handle_OnCtlColor(kWmCtlColor, reinterpret_cast<WPARAM>(dc), 0, handled);
    if (HFONT font = ControlFont())
        ::SelectObject(dc, font);
    RECT bounds{info.prcBounds->left, info.prcBounds->top, info.prcBounds->right, info.prcBounds->bottom};
    if (back && (!control || target != control))
        ::FillRect(dc, &bounds, back);
    ::OffsetRect(&bounds, 2, 2);
    ::DrawTextW(dc, m_currentText.c_str(), static_cast<int>(m_currentText.size()), &bounds, kRowTextFormat);
    ::RestoreDC(dc, saved);
    return S_OK;
}

void CDkPeComboBase::SelectCurrentEntry()
{
    const int index = GetCurrentIndex();
    m_nCurrentIndex = index;
    if (index >= 0)
        m_currentText = GetItemText(index);
    if (m_pCombo && m_pCombo->Hwnd())
        ::SendMessageW(m_pCombo->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool CDkPeComboBase::EnsureCombo()
{
    if (m_pCombo && m_pCombo->Hwnd())
        return true;
    Retire(m_pCombo);
    HWND control = ControlHwnd();
    RECT client{};
    if (!control || !::GetClientRect(control, &client))
        return false;
    if (FAILED(CreateComboWindow(RECT{0, 0, client.right, client.bottom})) || !m_pCombo || !m_pCombo->Hwnd())
    {
        if (m_pCombo)
            m_pCombo->DestroyWindow();
        Retire(m_pCombo);
        return false;
    }
    FillList();
    return true;
}

void CDkPeComboBase::UpdateTrailingEntries(CPeComboCustom& combo, ValueType type,
                                           const std::function<std::unique_ptr<COwnerDrawItem>()>& make)
{
    combo.SetTrailing(kTrailingVaries, type == ValueVaries, dkpex::VariesText(), make);
    combo.SetTrailing(kTrailingUnspecified, m_bUnspecifiedAllowed, m_unspecifiedText, make);
}

int CDkPeComboBase::TrailingIndex(const CPeComboCustom& combo, ValueType type)
{
    return type == ValueVaries        ? combo.FindTrailing(kTrailingVaries)
           : type == ValueUnspecified ? combo.FindTrailing(kTrailingUnspecified)
                                      : -1;
}

void CDkPeComboBase::VisitSelectedLayers(const std::function<bool(const DkDbLayerTableRecord&)>& visit)
{
    bool any = false;
    auto open = [&](DkDbObjectId layerId)
    {
        DkDbLayerTableRecord* layer = nullptr;
        if (dkdbOpenObject(layer, layerId, DkDb::kForRead) != Drvk::eOk || !layer)
            return true;
        any = true;
        const bool more = visit(*layer);
        layer->close();
        return more;
    };
    DkArray<DkDbObjectId> ids;
    GetCurrentSelectionObjectIdArray(ids);
    std::set<DkDbObjectId> visited;
    for (int i = 0; i < ids.length(); ++i)
    {
        DkDbEntity* entity = nullptr;
        if (dkdbOpenObject(entity, ids[i], DkDb::kForRead) != Drvk::eOk || !entity)
            continue;
        const DkDbObjectId layer = entity->layerId();
        entity->close();
        if (visited.insert(layer).second && !open(layer))
            return;
    }
    if (!any)
        if (DkApDocument* document = dkDocManager() ? dkDocManager()->curDocument() : nullptr)
            if (DkDbDatabase* database = document->database())
                open(database->clayer());
}

bool CDkPeComboBase::RowNeedsDrawing(ATL_DRAWINFO& info)
{
    HWND control = ControlHwnd();
    if (m_state >= kStateEditing && ::WindowFromDC(info.hdcDraw) != control)
        return false;
    // A row read before its window existed has its list made now.
    if ((!m_pCombo || !m_pCombo->Hwnd()) && m_nObjects > 0 && control)
        Handle_Refresh();
    return true;
}

void CDkPeComboBase::PaintRow(ATL_DRAWINFO& info, const std::function<void(HDC, RECT)>& draw)
{
    HDC dc = info.hdcDraw;
    const int saved = ::SaveDC(dc);
    BOOL handled = FALSE;
    Handle_OnCtlColor(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), 0, handled);
    if (HFONT font = ControlFont())
        ::SelectObject(dc, font);
    const RECT bounds{info.prcBounds->left, info.prcBounds->top, info.prcBounds->right, info.prcBounds->bottom};
    FillItemBackground(dc, bounds, ::GetBkColor(dc));
    draw(dc, bounds);
    ::RestoreDC(dc, saved);
}

long CDkPeComboBase::DrawSelectedEntry(ATL_DRAWINFO& info, int shift)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    if (!RowNeedsDrawing(info))
        return S_OK;
    auto* combo = dynamic_cast<CPeComboCustom*>(m_pCombo.get());
    const int selected =
        combo && combo->Hwnd() ? static_cast<int>(::SendMessageW(combo->Hwnd(), CB_GETCURSEL, 0, 0)) : -1;
    COwnerDrawItem* item = combo && selected >= 0 ? combo->Item(selected) : nullptr;
    // A value the list lacks (a record renamed or gone since the row was read): the row goes
    // on showing what it showed.
    if (!item)
        return m_currentText.empty() ? S_OK : CDkPeComboBase::Handle_OnDraw(info);
    PaintRow(info,
             [&](HDC dc, RECT bounds)
             {
                 ::OffsetRect(&bounds, shift, 0);
                 item->Draw(dc, &bounds, ODA_DRAWENTIRE, 0, kFaceItemId);
             });
    return S_OK;
}

long CDkPeComboBase::Handle_DoVerbHide(const RECT*, HWND)
{
    if (m_state >= kStateEditing)
    {
        if (!m_bBusy)
            EndEdit();
        m_state = kStatePlaced;
    }
    if (m_pCombo && m_pCombo->Hwnd())
        ::ShowWindow(m_pCombo->Hwnd(), SW_HIDE);
    if (m_pButton && m_pButton->Hwnd())
        ::ShowWindow(m_pButton->Hwnd(), SW_HIDE);
    return S_OK;
}

long CDkPeComboBase::Handle_DoVerbShow(const RECT*, HWND)
{
    if (m_state < kStateEditing)
        return S_OK;
    auto raise = [](HWND hwnd)
    {
        ::ShowWindow(hwnd, SW_SHOW);
        ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::InvalidateRect(hwnd, nullptr, TRUE);
    };
    if (m_pCombo && m_pCombo->Hwnd())
        raise(m_pCombo->Hwnd());
    if (m_bHasDialog && m_pButton && m_pButton->Hwnd())
        raise(m_pButton->Hwnd());
    return S_OK;
}

long CDkPeComboBase::Handle_UIDeactivate()
{
    if (m_pButton && m_pButton->Hwnd())
    {
        ::ShowWindow(m_pButton->Hwnd(), SW_HIDE);
        ::InvalidateRect(m_pButton->Hwnd(), nullptr, TRUE);
    }
    if (m_state >= kStateEditing)
        EndEdit();
    m_state = kStatePlaced;
    if (m_pCombo && m_pCombo->Hwnd())
    {
        ::ShowWindow(m_pCombo->Hwnd(), SW_HIDE);
        ::InvalidateRect(m_pCombo->Hwnd(), nullptr, TRUE);
    }
    return S_OK;
}

long CDkPeComboBase::GetTextTipWidth(int& width)
{
    return GetStringWidth(m_currentText, &width);
}

long CDkPeComboBase::GetComboTextTipWidth(int index, int& width)
{
    return GetStringWidth(GetItemText(index), &width);
}

long CDkPeComboBase::OnButtonClicked(WORD notification)
{
    if (notification != 0)
        return S_FALSE;
    const CDkPeUpdateEvents update(m_pUIEvents);
    OnLaunchDialog();
    if (m_pButton && m_pButton->Hwnd() && ::IsWindowVisible(m_pButton->Hwnd()))
        ::InvalidateRect(m_pButton->Hwnd(), nullptr, TRUE);
    return S_OK;
}

long CDkPeComboBase::GetDefaultPicture(IUnknown** out)
{
    return dkpex::GetPictureSlot(m_defaultPicture.Get(), out);
}

long CDkPeComboBase::PutDefaultPicture(IUnknown* picture)
{
    return dkpex::PutPictureSlot(m_defaultPicture, picture);
}

long CDkPeComboBase::GetDisabledPicture(IUnknown** out)
{
    return dkpex::GetPictureSlot(m_disabledPicture.Get(), out);
}

long CDkPeComboBase::PutDisabledPicture(IUnknown* picture)
{
    return dkpex::PutPictureSlot(m_disabledPicture, picture);
}

long CDkPeComboBase::OnSelEndCancel()
{
    // A row no longer active has nothing to take back.
    if (m_state < kStateEditing)
        return S_OK;
    m_bCancel = TRUE;
    return EndEdit();
}

void CDkPeComboBase::PresetValue(const std::wstring& text, bool isInteger, long long number)
{
    if (!m_pCombo || !m_pCombo->Hwnd())
    {
        // Made as activation makes it, over the row: owner-drawn entries take their height
        // from the rectangle the list is made with.
        Retire(m_pCombo);
        HWND control = ControlHwnd();
        RECT row{};
        if (control)
            ::GetClientRect(control, &row);
        if (SUCCEEDED(CreateComboWindow(ComboRect(row.right, row.bottom))) && m_pCombo && m_pCombo->Hwnd())
            FillList();
    }
    if (!m_pCombo || !m_pCombo->Hwnd())
        return;
    HWND combo = m_pCombo->Hwnd();
    int index = -1;
    if (isInteger)
        index = static_cast<int>(number);
    else
    {
        const int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count && index < 0; ++i)
        {
            const CString entry = GetItemText(i);
            if (::CompareStringW(LOCALE_USER_DEFAULT, 0, entry.c_str(), static_cast<int>(entry.size()), text.c_str(),
                                 static_cast<int>(text.size())) == CSTR_EQUAL)
                index = i;
        }
    }
    if (index >= 0)
        ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool CDkPeComboBase::CurrentEntryText(std::wstring& text)
{
    const int index = GetCurrentIndex();
    if (index < 0)
        return false;
    text = GetItemText(index);
    return true;
}

void CDkPeComboBase::OnDropDown()
{
    if (m_pCombo)
        m_pCombo->TakeClosedChoice();
}

void CDkPeComboBase::CommitChoiceOnFocusLoss()
{
    // A write that is running moves the focus itself (the host takes it back to the drawing);
    // only a choice made on the closed list waits for its commit here.
    if (m_state < kStateEditing || m_bWriting || !m_pCombo || !m_pCombo->Hwnd() || !m_pCombo->TakeClosedChoice())
        return;
    const int chosen = static_cast<int>(::SendMessageW(m_pCombo->Hwnd(), CB_GETCURSEL, 0, 0));
    if (chosen == CB_ERR || chosen == m_nCurrentIndex)
        return;
    m_bKeepFocusAway = true;
    const dkfw::ScopeExit back([this] { m_bKeepFocusAway = false; });
    EndEdit();
}

long CDkPeComboBase::OnSelEndOk()
{
    // The closed list confirms every key's selection at once: that is a choice, committed
    // later as any choice is.
    if (m_pCombo && m_pCombo->ChoosingWhileClosed())
        return S_OK;
    m_bCancel = FALSE;
    const long hr = EndEdit();
    m_state = kStateChosen;
    return hr;
}

LRESULT CDkPeComboBase::OnDrawItem(UINT, UINT id, DRAWITEMSTRUCT* item, BOOL& handled)
{
    handled = TRUE;
    if (!item)
        return FALSE;
    if (id == kComboId && m_pCombo)
    {
        // In the themed look the host library paints the whole face, the entry through the
        // combo's own drawing.
        if (dkuiIsThemed() && (item->itemState & ODS_COMBOBOXEDIT) && m_pCombo->Hwnd())
        {
            ::InvalidateRect(m_pCombo->Hwnd(), nullptr, FALSE);
            ::SendMessageW(m_pCombo->Hwnd(), WM_PAINT, 0, 0);
        }
        else
            m_pCombo->DrawItem(*item);
        return TRUE;
    }
    if (id == kDialogButtonId && m_pButton)
    {
        m_pButton->DrawItem(*item);
        return TRUE;
    }
    handled = FALSE;
    return FALSE;
}

LRESULT CDkPeComboBase::OnMeasureItem(UINT, UINT id, MEASUREITEMSTRUCT* item, BOOL& handled)
{
    handled = TRUE;
    if (!item || id != kComboId)
    {
        handled = FALSE;
        return FALSE;
    }
    if (auto* custom = dynamic_cast<CPeComboCustom*>(m_pCombo.get()))
        custom->MeasureItem(*item);
    else
    {
        RECT client{};
        if (HWND control = ControlHwnd())
            ::GetClientRect(control, &client);
        item->itemHeight = static_cast<UINT>(std::max<LONG>(1, client.bottom - 2));
    }
    return TRUE;
}

LRESULT CDkPeComboBase::OnDeleteItem(UINT, UINT id, DELETEITEMSTRUCT* item, BOOL& handled)
{
    handled = TRUE;
    if (item && id == kComboId)
        if (auto* custom = dynamic_cast<CPeComboCustom*>(m_pCombo.get()))
            custom->DeleteItem(*item);
    return TRUE;
}

long CDkPeComboBase::OnLaunchDialog()
{
    CString text = m_currentText;
    LaunchOPMPropertyDialog(text);
    RECT client{};
    if (m_pCombo && m_pCombo->Hwnd())
        ::GetClientRect(m_pCombo->Hwnd(), &client);
    return BeginEdit(client);
}

long CDkPeComboBase::CreateComboWindow(const RECT& rect)
{
    HWND control = ControlHwnd();
    auto combo = std::make_unique<CPropComboBox>(this);
    if (!control || !combo->CreateCombo(CPropComboBox::kStyle, rect, control, kComboId))
        return E_FAIL;
    m_pCombo = std::move(combo);
    return S_OK;
}

long CDkPeComboBase::FillList()
{
    return E_NOTIMPL;
}

long CDkPeComboBase::CommitSelection(int)
{
    return E_NOTIMPL;
}

CString CDkPeComboBase::GetItemText(int index)
{
    if (!m_pCombo || !m_pCombo->Hwnd() || index < 0)
        return CString();
    return m_pCombo->ItemText(index);
}

int CDkPeComboBase::GetCurrentIndex()
{
    return -1;
}

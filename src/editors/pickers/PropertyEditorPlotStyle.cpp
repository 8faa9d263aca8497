// The plot style name and plot style table rows.
#include "PropertyEditorPlotStyle.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "Unique.h"
#include "dkcm.h"
#include "dked.h"

#include <algorithm>

namespace
{
constexpr UINT kEntryFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr UINT kStyleBusy = CDkUiMRUComboBox::kStateInDialog | CDkUiMRUComboBox::kStateTakingChoice;

// Whether the selected layers' plot style was found overridden in the current viewport.
bool g_layerOverridden = false;

DkDbDatabase* ActiveDatabase() noexcept
{
    DkApDocManager* manager = dkDocManager();
    DkApDocument* document = manager ? manager->curDocument() : nullptr;
    return document ? document->database() : nullptr;
}

// Plot styles follow the colours in the drawing the user works in.
bool ActiveIsColorDependent() noexcept
{
    const DkDbDatabase* database = ActiveDatabase();
    return database && database->plotStyleMode();
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) noexcept
{
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

const std::wstring& EmptyNameText()
{
    static const std::wstring text = dkpex::LoadResString(IDS_NONE);
    return text;
}

// The override label, made once for every plot style name row.
const std::wstring& OverrideText()
{
    static const std::wstring text = dkpex::FormatResString(IDS_VIEWPORT_OVERRIDE, {dkpex::ReservedName(0).c_str()});
    return text;
}

// The closed row's background: the DC's colour, or bands from white down to light grey
// where that colour is the window's.
void FillRowBackground(HDC dc, const RECT& rect)
{
    const COLORREF back = ::GetBkColor(dc);
    if (back != ::GetSysColor(COLOR_WINDOW))
    {
        dkfw::UniqueHbrush brush(::CreateSolidBrush(back));
        ::FillRect(dc, &rect, brush.Get());
        return;
    }
    const int height = std::max<LONG>(1, rect.bottom - rect.top);
    for (int y = 0; y < height; ++y)
    {
        const int level = 0xFF - (0xFF - 0xDA) * y / std::max(1, height - 1);
        dkfw::UniqueHbrush brush(::CreateSolidBrush(RGB(level, level, level)));
        const RECT line{rect.left, rect.top + y, rect.right, rect.top + y + 1};
        ::FillRect(dc, &line, brush.Get());
    }
}

// The text of a row or entry on one line; the ByLayer word of overridden layers as the
// override label on the override colour, as wide as the label and 3 pixels more.
void DrawPlotStyleText(HDC dc, RECT rect, const std::wstring& text)
{
    const bool overridden = g_layerOverridden && text == dkpex::ReservedName(0);
    const std::wstring& shown = overridden ? OverrideText() : text;
    rect.left += 2;
    if (overridden)
    {
        SIZE size{};
        ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
        const RECT mark{rect.left, rect.top, std::min(rect.right, rect.left + size.cx + 3), rect.bottom};
        const COLORREF colour = dkedGetVpOvrBackgColorValue();
        dkfw::UniqueHbrush brush(::CreateSolidBrush(colour));
        ::FillRect(dc, &mark, brush.Get());
        ::SetBkColor(dc, colour);
    }
    const int mode = ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &rect, kEntryFormat);
    ::SetBkMode(dc, mode);
}

// The owner-draw relay of both rows: the entry a little taller, into the combo's drawing.
bool RelayEntry(CPropComboWindow* combo, UINT id, const DRAWITEMSTRUCT* item)
{
    if (id != CDkPeComboBase::kComboId || !combo || !item)
        return false;
    DRAWITEMSTRUCT entry = *item;
    entry.rcItem.bottom += 2;
    combo->DrawItem(entry);
    return true;
}
} // namespace

// --- The combos -------------------------------------------------------------------------

CComboBoxPlotStyleName::CComboBoxPlotStyleName(CPropertyEditorPlotStyleName* editor) noexcept
    : CPropComboBoxOn(editor), m_editor(editor)
{
}

bool CComboBoxPlotStyleName::OnSelectOther() noexcept
try
{
    ::SetFocus(dkedGetMainWindow());
    DkApDocManager* manager = dkDocManager();
    DkApDocument* document = manager ? manager->curDocument() : nullptr;
    if (!document || manager->lockDocument(document, DkApDocManager::kWrite) != Drvk::eOk)
    {
        // No dialog after all: the row keeps the focus.
        if (Hwnd())
            ::SetFocus(Hwnd());
        return false;
    }
    const bool chosen = CDkUiPlotStyleNamesComboBox::OnSelectOther();
    if (chosen && m_editor)
        m_editor->ApplyIndex(static_cast<int>(::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0)));
    manager->unlockDocument(document);
    if (Hwnd())
        ::SetFocus(Hwnd());
    return chosen;
}
catch (...)
{
    return false;
}

void CComboBoxPlotStyleName::DrawItem(const DRAWITEMSTRUCT& item) noexcept
try
{
    if (!(item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)))
        return;
    const int index = static_cast<int>(item.itemID);
    const std::wstring text = index >= 0 ? ItemText(index) : std::wstring(m_editor ? m_editor->CurrentText() : L"");
    RECT r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const int saved = ::SaveDC(item.hDC);
    ::SetBkColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    ::FillRect(item.hDC, &r, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    DrawPlotStyleText(item.hDC, r, text);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_COMBOBOXEDIT))
        ::DrawFocusRect(item.hDC, &r);
    ::RestoreDC(item.hDC, saved);
}
catch (...)
{
}

CComboBoxPlotStyleTable::CComboBoxPlotStyleTable(CPlotStyleEditorBase* editor) noexcept : CPropComboBoxOn(editor, true)
{
}

// --- Both rows ----------------------------------------------------------------------------

CDkUiMRUComboBox* CPlotStyleEditorBase::PlotCombo() const noexcept
{
    return dynamic_cast<CDkUiMRUComboBox*>(m_pCombo.get());
}

void CPlotStyleEditorBase::UpdateTrailingEntries()
{
    CDkUiMRUComboBox* combo = PlotCombo();
    HWND hwnd = combo ? combo->Hwnd() : nullptr;
    if (!hwnd)
        return;
    auto find = [hwnd](const std::wstring& text)
    {
        return static_cast<int>(
            ::SendMessageW(hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
    };
    const std::wstring& varies = dkpex::VariesText();
    if (m_text != varies)
    {
        if (const int at = find(varies); at >= 0)
            ::SendMessageW(hwnd, CB_DELETESTRING, static_cast<WPARAM>(at), 0);
        m_variesIndex = -1;
    }
    else
    {
        m_variesIndex = find(varies);
        if (m_variesIndex < 0)
            m_variesIndex = combo->AddItemToList(varies.c_str(), 0);
    }
    const int unspecified = m_unspecifiedText.empty() ? -1 : find(m_unspecifiedText);
    if (m_bUnspecifiedAllowed && !m_unspecifiedText.empty() && unspecified < 0)
        combo->AddItemToList(m_unspecifiedText.c_str(), 0);
    else if (!m_bUnspecifiedAllowed && unspecified >= 0)
        ::SendMessageW(hwnd, CB_DELETESTRING, static_cast<WPARAM>(unspecified), 0);
}

long CPlotStyleEditorBase::FillList()
{
    CDkUiMRUComboBox* combo = PlotCombo();
    HWND hwnd = combo ? combo->Hwnd() : nullptr;
    if (!hwnd)
        return E_FAIL;
    ListHostEntries(*combo);
    UpdateTrailingEntries();
    m_nCurrentIndex = EntryOf(m_text);
    ::SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
    return S_OK;
}

CString CPlotStyleEditorBase::GetItemText(int index)
{
    return index == -2 ? m_text : CDkPeComboBase::GetItemText(index);
}

bool CPlotStyleEditorBase::ValueText(const VARIANT& value, ValueType kind, CString& text)
{
    if (kind == ValueSpecified)
    {
        text = value.vt == VT_BSTR && value.bstrVal ? value.bstrVal : L"";
        return true;
    }
    return ShownText(value, kind, text);
}

int CPlotStyleEditorBase::EntryOf(const CString& text)
{
    HWND hwnd = m_pCombo ? m_pCombo->Hwnd() : nullptr;
    if (!hwnd)
        return -2;
    return static_cast<int>(
        ::SendMessageW(hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
}

int CPlotStyleEditorBase::GetCurrentIndex()
{
    dkfw::UniqueVariant value;
    ValueType kind = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Addr(), kind)))
        return -1;
    CString text;
    if (!ValueText(value.Get(), kind, text))
        return -1;
    m_text = text.empty() ? EmptyNameText() : text;
    UpdateTrailingEntries();
    const int index = EntryOf(m_text);
    AfterRead();
    return index;
}

long CPlotStyleEditorBase::ApplyIndex(int index)
{
    HWND hwnd = m_pCombo ? m_pCombo->Hwnd() : nullptr;
    if (!hwnd)
        return E_UNEXPECTED;
    if (index < 0)
        return E_FAIL;
    std::wstring text = m_pCombo->ItemText(index);
    if (SameIgnoringCase(text, EmptyNameText()))
        text.clear();
    if (!text.empty() && text == m_unspecifiedText)
    {
        dkfw::UniqueVariant none;
        return SetPropertyValue(none.Addr(), ValueUnspecified);
    }
    if (!text.empty() && text == dkpex::VariesText())
        return E_FAIL;
    const int previous = m_nCurrentIndex;
    m_nCurrentIndex = index;
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_BSTR;
    value.Addr()->bstrVal = ::SysAllocString(text.c_str());
    if (!value.Get().bstrVal)
        return E_OUTOFMEMORY;
    const long hr = SetPropertyValue(value.Addr(), ValueSpecified);
    if (FAILED(hr))
    {
        m_nCurrentIndex = previous;
        if (m_pCombo && m_pCombo->Hwnd())
            ::SendMessageW(m_pCombo->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(previous), 0);
        return hr;
    }
    DkString shown(text);
    LocalizeReservedPlotStyleStrings(shown);
    m_text = shown.isEmpty() ? EmptyNameText() : std::wstring(shown.kwszPtr());
    return hr;
}

// --- The plot style name ------------------------------------------------------------------

CPropertyEditorPlotStyleName::CPropertyEditorPlotStyleName()
{
    m_bNeedsCurrentDocument = TRUE;
}

CComboBoxPlotStyleName* CPropertyEditorPlotStyleName::NameCombo() const noexcept
{
    return dynamic_cast<CComboBoxPlotStyleName*>(m_pCombo.get());
}

long CPropertyEditorPlotStyleName::CreateComboWindow(const RECT& rect)
{
    return CreateComboOf(rect,
                         [this]
                         {
                             auto combo = std::make_unique<CComboBoxPlotStyleName>(this);
                             if (ActiveIsColorDependent())
                                 combo->SetColorDependentMode();
                             return combo;
                         });
}

bool CPropertyEditorPlotStyleName::ValueText(const VARIANT& value, ValueType kind, CString& text)
{
    if (kind == ValueSpecified && value.vt != VT_BSTR)
        return false;
    if (!CPlotStyleEditorBase::ValueText(value, kind, text))
        return false;
    if (kind == ValueSpecified)
    {
        DkString name(text);
        LocalizeReservedPlotStyleStrings(name);
        text = name.kwszPtr();
    }
    if (ActiveIsColorDependent())
        text = dkpex::ReservedName(9);
    return true;
}

void CPropertyEditorPlotStyleName::AfterRead()
{
    if (ActiveIsColorDependent())
        return;
    // Every layer must report the override: the first that does not ends the asking.
    const DkDbObjectId viewport = dkedGetCurViewportObjectId();
    bool overridden = false;
    VisitSelectedLayers(
        [&](const DkDbLayerTableRecord& layer)
        {
            layer.plotStyleNameId(viewport, overridden);
            return overridden;
        });
    g_layerOverridden = overridden;
}

long CPropertyEditorPlotStyleName::CommitSelection(int index)
{
    CComboBoxPlotStyleName* combo = NameCombo();
    if (!combo || !combo->Hwnd())
        return E_UNEXPECTED;
    if (combo->State() & kStyleBusy)
        return S_OK;
    if (index >= 0 && index == combo->OtherEntry())
    {
        // The dialog entry chosen on the closed list: the host's dialog writes its own choice;
        // the row then reads what was written.
        combo->CDkUiPlotStyleNamesComboBox::OnSelEndOk();
        return E_ABORT;
    }
    return ApplyIndex(index);
}

long CPropertyEditorPlotStyleName::OnSelEndOk()
{
    CComboBoxPlotStyleName* combo = NameCombo();
    if (combo && combo->ChoosingWhileClosed())
        return S_OK;
    if (combo)
        combo->CDkUiPlotStyleNamesComboBox::OnSelEndOk();
    SetCancelPending(false);
    m_bCancel = FALSE;
    const long hr = EndEdit();
    m_state = kStateChosen;
    return hr;
}

long CPropertyEditorPlotStyleName::PropReadOnly(int& readOnly)
{
    const DkDbHostApplicationServices* services = dkdbHostApplicationServices();
    const DkDbDatabase* working = services ? services->workingDatabase() : nullptr;
    if (working && working->plotStyleMode())
    {
        SetReadOnlyFlag(TRUE);
        readOnly = TRUE;
        return S_OK;
    }
    return CPlotStyleEditorBase::PropReadOnly(readOnly);
}

long CPropertyEditorPlotStyleName::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    // With plot styles following the colours every object shows the same word.
    if (ActiveIsColorDependent())
    {
        result = 0;
        return S_OK;
    }
    return CPlotStyleEditorBase::ComparePropertyValue(a, b, result);
}

long CPropertyEditorPlotStyleName::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    if (!RowNeedsDrawing(info))
        return S_OK;
    HDC dc = info.hdcDraw;
    const int saved = ::SaveDC(dc);
    BOOL handled = FALSE;
    Handle_OnCtlColor(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), 0, handled);
    if (HFONT font = ControlFont())
        ::SelectObject(dc, font);
    const RECT bounds{info.prcBounds->left, info.prcBounds->top, info.prcBounds->right, info.prcBounds->bottom};
    FillRowBackground(dc, bounds);
    DrawPlotStyleText(dc, bounds, m_text);
    ::RestoreDC(dc, saved);
    return S_OK;
}

LRESULT CPropertyEditorPlotStyleName::OnDrawItem(UINT msg, UINT id, DRAWITEMSTRUCT* item, BOOL& handled)
{
    if (!RelayEntry(m_pCombo.get(), id, item))
        return CPlotStyleEditorBase::OnDrawItem(msg, id, item, handled);
    handled = TRUE;
    return TRUE;
}

// --- The plot style table -----------------------------------------------------------------

CPropertyEditorPlotStyleTable::CPropertyEditorPlotStyleTable()
{
    m_bNeedsCurrentDocument = TRUE;
}

CComboBoxPlotStyleTable* CPropertyEditorPlotStyleTable::TableCombo() const noexcept
{
    return dynamic_cast<CComboBoxPlotStyleTable*>(m_pCombo.get());
}

long CPropertyEditorPlotStyleTable::CreateComboWindow(const RECT& rect)
{
    return CreateComboOf(rect, [this] { return std::make_unique<CComboBoxPlotStyleTable>(this); });
}

int CPropertyEditorPlotStyleTable::EntryOf(const CString& text)
{
    const int found = CPlotStyleEditorBase::EntryOf(text);
    CComboBoxPlotStyleTable* combo = TableCombo();
    // A table the drawing names that is not installed is listed, marked missing.
    if (found != -1 || !combo || text == dkpex::VariesText() || text == m_unspecifiedText || text == EmptyNameText())
        return found;
    return combo->AddMissingStyleTable(text.c_str(), true);
}

long CPropertyEditorPlotStyleTable::CommitSelection(int index)
{
    if (!IsCurrentDocumentDatabase())
        return E_FAIL;
    if (!m_pCombo || !m_pCombo->Hwnd())
        return E_UNEXPECTED;
    return ApplyIndex(index);
}

long CPropertyEditorPlotStyleTable::ApplyIndex(int index)
{
    CComboBoxPlotStyleTable* combo = TableCombo();
    if (combo && index >= 0 && combo->IsMissing(index))
        return E_FAIL;
    return CPlotStyleEditorBase::ApplyIndex(index);
}

LRESULT CPropertyEditorPlotStyleTable::OnDrawItem(UINT msg, UINT id, DRAWITEMSTRUCT* item, BOOL& handled)
{
    if (id != kComboId || !item || !m_pCombo)
        return CPlotStyleEditorBase::OnDrawItem(msg, id, item, handled);
    handled = TRUE;
    if (static_cast<int>(item->itemID) >= 0)
        return RelayEntry(m_pCombo.get(), id, item);
    // The closed face without an entry of its own: the row's text, centred.
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    RECT r = item->rcItem;
    ::InflateRect(&r, -1, -1);
    const int saved = ::SaveDC(item->hDC);
    ::FillRect(item->hDC, &r, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::SetTextColor(item->hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    ::SetBkMode(item->hDC, TRANSPARENT);
    ::DrawTextW(item->hDC, m_text.c_str(), static_cast<int>(m_text.size()), &r, kEntryFormat | DT_CENTER);
    ::RestoreDC(item->hDC, saved);
    return TRUE;
}

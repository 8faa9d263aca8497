// The user-interface library's picker combos: the owner-drawn base with pictures before the
// entries, the entry that opens a dialog, and the plot style, plot style table, arrowhead and
// block shape pickers.
#include "dkui.h"

#include "Drawing.h"
#include "PlotStyles.h"
#include "UiLibrary.h"

#include "dkcm.h"

#include "Unique.h"

#include <cmath>
#include <iterator>
#include <string>
#include <vector>

namespace
{
// How many of a combo's entries are the library's own (kept with the window, the caller's
// entries come after them).
const wchar_t kLibraryEntries[] = L"DkUiLibraryEntries";
constexpr int kPictureWidth = 28;
constexpr int kGap = 4;
// A plot style table that is listed but not installed.
constexpr LPARAM kMissingTable = -1;

const wchar_t* const kArrowheads[] = {
    L"Closed filled",
    L"Closed blank",
    L"Closed",
    L"Dot",
    L"Architectural tick",
    L"Oblique",
    L"Open",
    L"Right angle",
    L"Open 30",
    L"Dot small",
    L"Dot blank",
    L"Dot small blank",
    L"Box",
    L"Box filled",
    L"Datum triangle",
    L"Datum triangle filled",
    L"Integral",
    L"Origin indicator",
    L"Small",
    L"None",
};
constexpr int kOriginEntry = 17;
const wchar_t kOrigin2[] = L"Origin indicator 2";
const wchar_t kUserArrow[] = L"User Arrow...";
const wchar_t* const kBlockShapes[] = {L"Circle", L"Box", L"Hexagon", L"Slot", L"Triangle", L"Diamond"};
const wchar_t kUserBlock[] = L"User Block...";
const wchar_t kOther[] = L"Other...";

int Count(HWND combo)
{
    return static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
}

// The library's entries of a combo: texts, each entry's item data its position.
void Fill(HWND combo, const std::vector<std::wstring>& texts)
{
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& text : texts)
    {
        const LRESULT at = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (at >= 0)
            ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), at);
    }
    ::SetPropW(combo, kLibraryEntries, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(Count(combo))));
}

int LibraryEntries(HWND combo)
{
    return static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropW(combo, kLibraryEntries)));
}

std::wstring EntryText(const CMtUiComboBox& combo, int index)
{
    const int length = combo.GetLBString(index, nullptr, 0);
    if (length < 0)
        return {};
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    combo.GetLBString(index, text.data(), static_cast<int>(text.size()));
    return text.data();
}

// Pen and brush of the entry's text colour; a hollow shape is filled with the background.
struct Ink
{
    Ink(HDC dc, COLORREF ink, COLORREF ground, int width)
        : pen(::CreatePen(PS_SOLID, width, ink)), solid(::CreateSolidBrush(ink)), hollow(::CreateSolidBrush(ground)),
          selectPen(dc, pen.Get()), dc(dc)
    {
    }
    void Fill(bool filled) { ::SelectObject(dc, filled ? solid.Get() : hollow.Get()); }
    dkfw::UniqueHpen pen;
    dkfw::UniqueHbrush solid, hollow;
    dkfw::SelectObjectScope selectPen;
    HDC dc;
};

void Line(HDC dc, int x0, int y0, int x1, int y1)
{
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
}

void Triangle(HDC dc, POINT a, POINT b, POINT c)
{
    const POINT p[] = {a, b, c};
    ::Polygon(dc, p, 3);
}

// An arrowhead at the left end of a short dimension line.
void DrawArrowhead(HDC dc, const RECT& r, int index, COLORREF ink, COLORREF ground)
{
    const int cy = (r.top + r.bottom) / 2;
    const int a = std::max(2, static_cast<int>(std::min<LONG>(4, (r.bottom - r.top) / 3)));
    const int tx = r.left + 3;
    const int length = 3 * a;
    const int rx = r.right - 2;
    Ink pen(dc, ink, ground, index == 4 ? 2 : 1);
    dkfw::SelectObjectScope brush(dc, pen.hollow.Get());
    // Where the dimension line starts: at the tip, or behind a closed shape.
    int lineFrom = tx;
    switch (index)
    {
    case 0:  // closed filled
    case 1:  // closed blank
    case 2:  // closed
    case 18: // small
    {
        const int s = index == 18 ? a / 2 + 1 : a;
        pen.Fill(index == 0 || index == 18);
        Triangle(dc, {tx, cy}, {tx + 3 * s, cy - s}, {tx + 3 * s, cy + s});
        lineFrom = index == 2 ? tx : tx + 3 * s;
        break;
    }
    case 3:  // dot
    case 9:  // dot small
    case 10: // dot blank
    case 11: // dot small blank
    case 17: // origin indicator
    {
        const int s = index == 9 || index == 11 ? a / 2 + 1 : a;
        pen.Fill(index == 3 || index == 9);
        ::Ellipse(dc, tx, cy - s, tx + 2 * s + 1, cy + s + 1);
        lineFrom = index == 17 ? tx + 2 * s : tx + s;
        break;
    }
    case 4: // architectural tick
    case 5: // oblique
        Line(dc, tx + a - a, cy + a, tx + a + a, cy - a);
        lineFrom = tx;
        break;
    case 6: // open
    case 7: // right angle
    case 8: // open 30
    {
        const int spread = index == 7 ? length : index == 8 ? a / 2 + 1 : a;
        Line(dc, tx + length, cy - spread, tx, cy);
        Line(dc, tx, cy, tx + length, cy + spread);
        break;
    }
    case 12: // box
    case 13: // box filled
        pen.Fill(index == 13);
        ::Rectangle(dc, tx, cy - a, tx + 2 * a + 1, cy + a + 1);
        lineFrom = tx + 2 * a;
        break;
    case 14: // datum triangle
    case 15: // datum triangle filled
        pen.Fill(index == 15);
        Triangle(dc, {tx, cy - a}, {tx, cy + a}, {tx + length, cy});
        lineFrom = tx + length;
        break;
    case 16: // integral
        ::Arc(dc, tx, cy - 2 * a, tx + 2 * a, cy, tx + 2 * a, cy - a, tx + a, cy);
        ::Arc(dc, tx + a, cy, tx + 3 * a, cy + 2 * a, tx + a, cy + a, tx + 2 * a, cy);
        lineFrom = tx + a;
        break;
    default: // none
        break;
    }
    Line(dc, lineFrom, cy, rx, cy);
}

// A block shape centred in the picture's box.
void DrawBlockShape(HDC dc, const RECT& r, int index, COLORREF ink, COLORREF ground)
{
    const int cx = (r.left + r.right) / 2;
    const int cy = (r.top + r.bottom) / 2;
    const int s = std::max(3, static_cast<int>(std::min<LONG>((r.bottom - r.top) / 2 - 2, (r.right - r.left) / 2 - 2)));
    Ink pen(dc, ink, ground, 1);
    dkfw::SelectObjectScope brush(dc, pen.hollow.Get());
    switch (index)
    {
    case 0:
        ::Ellipse(dc, cx - s, cy - s, cx + s + 1, cy + s + 1);
        break;
    case 1:
        ::Rectangle(dc, cx - s, cy - s, cx + s + 1, cy + s + 1);
        break;
    case 2:
    {
        POINT p[6];
        for (int i = 0; i < 6; ++i)
            p[i] = {cx + static_cast<LONG>(std::lround(s * std::cos(i * 3.14159265 / 3))),
                    cy + static_cast<LONG>(std::lround(s * std::sin(i * 3.14159265 / 3)))};
        ::Polygon(dc, p, 6);
        break;
    }
    case 3:
        ::RoundRect(dc, cx - 2 * s + 2, cy - s / 2 - 1, cx + 2 * s - 1, cy + s / 2 + 2, s + 2, s + 2);
        break;
    case 4:
        Triangle(dc, {cx, cy - s}, {cx + s, cy + s}, {cx - s, cy + s});
        break;
    case 5:
    {
        const POINT p[] = {{cx, cy - s}, {cx + s, cy}, {cx, cy + s}, {cx - s, cy}};
        ::Polygon(dc, p, 4);
        break;
    }
    default:
        break;
    }
}
} // namespace

bool CDkUiMRUComboBox::Create(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept
{
    // The library draws its entries: a picture before each text.
    style = (style & ~CBS_OWNERDRAWVARIABLE) | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
    if (!CMtUiComboBox::Create(style, rect, parent, id))
        return false;
    AddItems();
    return true;
}

void CDkUiMRUComboBox::AddItems() noexcept
{
    if (Hwnd())
        Fill(Hwnd(), {});
}

int CDkUiMRUComboBox::AddItemToList(const wchar_t* text, LPARAM value) noexcept
{
    if (!Hwnd() || !text)
        return -1;
    const LRESULT at = ::SendMessageW(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at < 0)
        return -1;
    ::SendMessageW(Hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(at), value);
    return static_cast<int>(at);
}

int CDkUiMRUComboBox::ImageWidth() noexcept
{
    // The arrowhead and block shape pickers show pictures; the plot style pickers none.
    const bool pictures = dynamic_cast<CDkUiArrowHeadComboBox*>(this) || dynamic_cast<CDkUiPredefBlockComboBox*>(this);
    return pictures ? kPictureWidth : 0;
}

int CDkUiMRUComboBox::MeasureItemWidth(int index) noexcept
try
{
    const std::wstring text = EntryText(*this, index);
    if (!Hwnd() || index < 0 || index >= Count(Hwnd()))
        return 0;
    dkfw::WindowDc dc(Hwnd());
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
    dkfw::SelectObjectScope select(dc.Get(), font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    const int picture = index < LibraryEntries(Hwnd()) ? ImageWidth() : 0;
    return 2 + (picture ? picture + kGap : 0) + size.cx + 2;
}
catch (...)
{
    return 0;
}

void CDkUiMRUComboBox::OnSelEndOk() noexcept
{
    if (!Hwnd())
        return;
    const int chosen = static_cast<int>(::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0));
    if (chosen < 0)
        return;
    if (chosen != OtherEntry())
    {
        m_previous = chosen; // the most recent choice
        return;
    }
    if (const int before = dkhost::SelectionBeforeDrop(Hwnd()); before >= 0 && before != chosen)
        m_previous = before;
    m_state |= kStateInDialog;
    const bool picked = OnSelectOther();
    m_state &= ~kStateInDialog;
    if (picked)
        m_previous = static_cast<int>(::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(m_previous), 0);
}

bool CDkUiMRUComboBox::OnSelectOther() noexcept
{
    return false;
}

void CDkUiMRUComboBox::DrawItem(const DRAWITEMSTRUCT& item) noexcept
try
{
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const COLORREF ground = ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int index = static_cast<int>(item.itemID);
    if (index < 0)
        return;
    // A table that is not installed reads grey.
    const auto* tables = dynamic_cast<const CDkUiPlotStyleTablesComboBox*>(this);
    const bool grey = disabled || (tables && tables->IsMissing(index));
    const COLORREF ink = ::GetSysColor(grey ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    RECT text = item.rcItem;
    text.left += 2;
    const int picture = index < LibraryEntries(Hwnd()) ? ImageWidth() : 0;
    if (picture > 0)
    {
        const RECT box{text.left, item.rcItem.top + 1, text.left + picture, item.rcItem.bottom - 1};
        const COLORREF old = ::SetTextColor(item.hDC, ink);
        const COLORREF oldGround = ::SetBkColor(item.hDC, ground);
        DrawImage(item.hDC, box, index);
        ::SetBkColor(item.hDC, oldGround);
        ::SetTextColor(item.hDC, old);
        text.left += picture + kGap;
    }
    const std::wstring label = EntryText(*this, index);
    const int mode = ::SetBkMode(item.hDC, TRANSPARENT);
    const COLORREF old = ::SetTextColor(item.hDC, ink);
    ::DrawTextW(item.hDC, label.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SetTextColor(item.hDC, old);
    ::SetBkMode(item.hDC, mode);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_COMBOBOXEDIT))
        ::DrawFocusRect(item.hDC, &item.rcItem);
}
catch (...)
{
}

void CDkUiMRUComboBox::MeasureItem(MEASUREITEMSTRUCT& item) noexcept
{
    item.itemHeight = static_cast<UINT>(std::max(16, ::GetSystemMetrics(SM_CYMENU)));
}

void CDkUiMRUComboBox::DrawImage(HDC, const RECT&, int) noexcept {}

int CDkUiMRUComboBox::OtherEntry() const noexcept
{
    return -1;
}

void CDkUiPlotStyleNamesComboBox::SetColorDependentMode() noexcept
{
    m_colorDependent = true;
    AddItems();
}

void CDkUiPlotStyleNamesComboBox::AddItems() noexcept
try
{
    if (!Hwnd())
        return;
    std::vector<std::wstring> texts;
    if (m_colorDependent)
        texts.push_back(dkdbGetReservedString(9, true));
    else
    {
        // "None" stands for an object without a plot style name of its own.
        texts = {dkdbGetReservedString(0, true), dkdbGetReservedString(1, true), L"None"};
        for (std::wstring& name : dkhost::NamedPlotStyles(dkhost::CurrentDrawing()))
            texts.push_back(std::move(name));
        texts.push_back(kOther);
    }
    Fill(Hwnd(), texts);
}
catch (...)
{
}

int CDkUiPlotStyleNamesComboBox::OtherEntry() const noexcept
{
    return m_colorDependent || !Hwnd() ? -1 : LibraryEntries(Hwnd()) - 1;
}

bool CDkUiPlotStyleNamesComboBox::OnSelectOther() noexcept
try
{
    const std::wstring current = m_previous >= 0 ? EntryText(*this, m_previous) : std::wstring();
    std::wstring chosen;
    if (!dkhost::RunPlotStyleDialog(current, chosen))
        return false;
    m_state |= kStateTakingChoice;
    LRESULT at =
        ::SendMessageW(Hwnd(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(chosen.c_str()));
    if (at == CB_ERR)
    {
        // A style the list lacks goes in before "Other...", which stays last.
        const int other = OtherEntry();
        at = ::SendMessageW(Hwnd(), CB_INSERTSTRING, static_cast<WPARAM>(other),
                            reinterpret_cast<LPARAM>(chosen.c_str()));
        if (at >= 0)
        {
            ::SetPropW(Hwnd(), kLibraryEntries, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(other + 2)));
            for (int i = 0; i < Count(Hwnd()); ++i)
                ::SendMessageW(Hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(i), i);
        }
    }
    ::SendMessageW(Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    m_state &= ~kStateTakingChoice;
    return at >= 0;
}
catch (...)
{
    m_state &= ~kStateTakingChoice;
    return false;
}

void CDkUiPlotStyleTablesComboBox::AddItems() noexcept
try
{
    if (!Hwnd())
        return;
    std::vector<std::wstring> texts;
    if (m_firstOption)
        texts.push_back(L"None");
    for (const std::wstring& table : dkhost::InstalledPlotStyleTables())
        texts.push_back(table);
    Fill(Hwnd(), texts);
}
catch (...)
{
}

int CDkUiPlotStyleTablesComboBox::AddMissingStyleTable(const wchar_t* name, bool select) noexcept
{
    if (!Hwnd() || !name || !*name)
        return -1;
    LRESULT at = ::SendMessageW(Hwnd(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    if (at == CB_ERR)
    {
        at = ::SendMessageW(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (at < 0)
            return -1;
        ::SendMessageW(Hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(at), kMissingTable);
    }
    if (select)
        ::SendMessageW(Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    return static_cast<int>(at);
}

bool CDkUiPlotStyleTablesComboBox::IsMissing(int index) const noexcept
{
    return Hwnd() && index >= 0 && index < Count(Hwnd()) &&
           ::SendMessageW(Hwnd(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0) == kMissingTable;
}

void CDkUiArrowHeadComboBox::SetUseOrigin2(bool use) noexcept
{
    if (m_origin2 == use)
        return;
    m_origin2 = use;
    if (!Hwnd() || LibraryEntries(Hwnd()) <= kOriginEntry)
        return;
    const LRESULT selected = ::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0);
    ::SendMessageW(Hwnd(), CB_DELETESTRING, kOriginEntry, 0);
    ::SendMessageW(Hwnd(), CB_INSERTSTRING, kOriginEntry,
                   reinterpret_cast<LPARAM>(use ? kOrigin2 : kArrowheads[kOriginEntry]));
    ::SendMessageW(Hwnd(), CB_SETITEMDATA, kOriginEntry, kOriginEntry);
    ::SendMessageW(Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void CDkUiArrowHeadComboBox::AddItems() noexcept
try
{
    if (!Hwnd())
        return;
    std::vector<std::wstring> texts(std::begin(kArrowheads), std::end(kArrowheads));
    if (m_origin2)
        texts[kOriginEntry] = kOrigin2;
    texts.push_back(kUserArrow);
    Fill(Hwnd(), texts);
}
catch (...)
{
}

void CDkUiArrowHeadComboBox::DrawImage(HDC dc, const RECT& rect, int index) noexcept
{
    if (index >= 0 && index < static_cast<int>(std::size(kArrowheads)))
        DrawArrowhead(dc, rect, index, ::GetTextColor(dc), ::GetBkColor(dc));
}

void CDkUiPredefBlockComboBox::AddItems() noexcept
try
{
    if (!Hwnd())
        return;
    std::vector<std::wstring> texts(std::begin(kBlockShapes), std::end(kBlockShapes));
    texts.push_back(kUserBlock);
    Fill(Hwnd(), texts);
}
catch (...)
{
}

void CDkUiPredefBlockComboBox::DrawImage(HDC dc, const RECT& rect, int index) noexcept
{
    if (index >= 0 && index < static_cast<int>(std::size(kBlockShapes)))
        DrawBlockShape(dc, rect, index, ::GetTextColor(dc), ::GetBkColor(dc));
}

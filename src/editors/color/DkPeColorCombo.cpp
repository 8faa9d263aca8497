// CDkPeColorCombo: the colour list and its entries, reading a colour over the selection,
// writing one (as a colour object or an index), the colour dialog and the recent colours.
#include "DkPeColorCombo.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

#include <algorithm>
#include <cwchar>
#include <utility>

namespace
{
constexpr int kSwatch = 10;
// What a swatch adds to an entry's text.
constexpr int kSwatchWidth = 21;

// What ByLayer stands for in the last selection read, for every colour list.
DkCmColor g_byLayerColor = []
{
    DkCmColor c;
    c.setColorIndex(256);
    return c;
}();
bool g_byLayerOverridden = false;

DkCmColor IndexColor(int index)
{
    DkCmColor c;
    c.setColorIndex(index);
    return c;
}

bool IsSpecialKind(ULONGLONG kind)
{
    return kind >= kEntrySelectColor && kind <= kEntryNone;
}

// The foreground colour: index 7 or the foreground method.
bool IsForeground(const DkCmColor& c)
{
    return c.colorMethod() == DkCmColor::kForeground || (c.colorMethod() == DkCmColor::kByACI && c.colorIndex() == 7);
}

// The colour a host colour object holds; false when it is none.
bool ObjectColor(IUnknown* object, DkCmColor& color)
{
    dkfw::ComPtr<IDkDbColor> c;
    LONG value = 0;
    if (!object || FAILED(object->QueryInterface(IID_IDkDbColor, c.PutVoid())) || FAILED(c->get_EntityColor(&value)) ||
        color.setEntityColor(value) != Drvk::eOk)
        return false;
    dkfw::UniqueBstr name;
    dkfw::UniqueBstr book;
    c->get_ColorName(name.Put());
    c->get_BookName(book.Put());
    color.setNames(name.Get(), book.Get());
    return true;
}

COLORREF Translated(OLE_COLOR c)
{
    COLORREF out = 0;
    return SUCCEEDED(::OleTranslateColor(c, nullptr, &out)) ? out : 0;
}

void Fill(HDC dc, const RECT& r, COLORREF colour)
{
    dkfw::UniqueHbrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &r, brush.Get());
}
} // namespace

std::wstring ColorDisplayName(const DkCmColor& color)
{
    const int index = color.colorIndex();
    if (color.colorMethod() == DkCmColor::kByACI && index > 257)
        return std::wstring();
    switch (color.colorMethod())
    {
    case DkCmColor::kByLayer:
        return dkpex::ReservedName(0);
    case DkCmColor::kByBlock:
        return dkpex::ReservedName(1);
    case DkCmColor::kByColor:
    {
        const int length = color.displayName(nullptr, 0);
        std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
        color.displayName(text.data(), static_cast<int>(text.size()));
        text.resize(static_cast<size_t>(std::max(length, 0)));
        return text;
    }
    case DkCmColor::kByACI:
    case DkCmColor::kForeground:
        break;
    default:
        return std::wstring();
    }
    if (index == 256)
        return dkpex::ReservedName(0);
    if (index == 0)
        return dkpex::ReservedName(1);
    if (index >= 1 && index <= 7)
        return dkpex::LoadResString(IDS_COLOR_RED + static_cast<UINT>(index - 1));
    if (index == 257)
        return dkpex::LoadResString(IDS_SELECT_COLOR);
    const std::wstring number = std::to_wstring(index);
    return dkpex::FormatResString(IDS_COLOR_INDEX, {number.c_str()});
}

void COwnerDrawItemColor::Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT)
{
    if (!rect || !(itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)))
        return;
    const ULONGLONG kind = Kind();
    CEntryPainter painter(dc, *rect, itemAction, itemState, kind == kEntryVaries || kind == kEntryUnspecified ? 2 : 18);
    if (!painter.Highlighted())
        ::SetTextColor(dc, m_textColor);
    const std::wstring* shown = &m_text;
    if (kind == kEntryByLayer && CDkPeColorCombo::ByLayerOverridden() && !painter.FocusOnly())
    {
        // The viewport's own colour: the label on its own background.
        shown = &CDkPeColorCombo::ViewportOverrideLabel();
        painter.MarkOverride(*shown, 0, 0);
    }
    painter.Finish(*shown);
    const int top = rect->top + std::max<LONG>(0, (rect->bottom - rect->top - kSwatch) / 2);
    DrawSwatch(dc, RECT{rect->left + 2, top, rect->left + 2 + kSwatch, top + kSwatch});
}

void COwnerDrawItemColor::DrawSwatch(HDC dc, const RECT& swatch) const
{
    const ULONGLONG kind = Kind();
    if (kind == kEntryVaries || kind == kEntryUnspecified)
        return;
    const DkCmColor colour = kind == kEntryByLayer ? CDkPeColorCombo::ByLayerColor() : m_color;
    const bool ordinary = kind < kEntrySelectColor;
    if (ordinary && colour.colorMethod() == DkCmColor::kNone)
        return; // what ByLayer stands for differs over the selection
    HPALETTE palette = GetDrvkPaletteHandle();
    HPALETTE oldPalette = palette ? ::SelectPalette(dc, palette, FALSE) : nullptr;
    if (palette)
        ::RealizePalette(dc);
    {
        dkfw::UniqueHbrush frame(::CreateSolidBrush(m_textColor));
        ::FrameRect(dc, &swatch, frame.Get());
    }
    const RECT inside{swatch.left + 1, swatch.top + 1, swatch.right - 1, swatch.bottom - 1};
    if (kind == kEntrySelectColor)
    {
        // A small mosaic of index colours.
        static const int kMosaic[] = {9, 4, 5, 2, 1, 3, 4, 6};
        for (int i = 0; i < 8; ++i)
        {
            const LONG x = inside.left + (i % 4) * 2;
            const LONG y = inside.top + 1 + (i / 4) * 3;
            Fill(dc, RECT{x, y, x + 2, y + 3}, dkedGetRGB(kMosaic[i]));
        }
    }
    else if (kind == kEntryNone)
    {
        dkfw::UniqueHpen pen(::CreatePen(PS_SOLID, 1, m_textColor));
        const dkfw::SelectObjectScope selected(dc, pen.Get());
        ::MoveToEx(dc, swatch.left, swatch.bottom - 1, nullptr);
        ::LineTo(dc, swatch.right, swatch.top - 1);
    }
    else if (ordinary && kind != kEntryByLayer && IsForeground(colour))
    {
        // The foreground: black below the diagonal, white above it.
        const LONG size = inside.right - inside.left;
        for (LONG y = 0; y < size; ++y)
        {
            const LONG split = inside.left + y + 1;
            Fill(dc, RECT{inside.left, inside.top + y, split, inside.top + y + 1}, RGB(0, 0, 0));
            Fill(dc, RECT{split, inside.top + y, inside.right, inside.top + y + 1}, RGB(255, 255, 255));
        }
    }
    else
    {
        COLORREF fill = RGB(255, 255, 255);
        switch (colour.colorMethod())
        {
        case DkCmColor::kByBlock:
            fill = dkedGetRGB(7);
            break;
        case DkCmColor::kByACI:
            fill = dkedGetRGB(colour.colorIndex());
            break;
        case DkCmColor::kByColor:
            fill = RGB(colour.red(), colour.green(), colour.blue());
            break;
        default:
            break;
        }
        Fill(dc, inside, fill);
    }
    if (palette)
        ::SelectPalette(dc, oldPalette, FALSE);
}

CComboColor::CComboColor(CDkPeColorCombo* editor, bool colorObjects, bool noMetaColors, bool allowNone) noexcept
    : CPeComboCustom(editor), m_colorObjects(colorObjects), m_noMetaColors(noMetaColors), m_allowNone(allowNone),
      m_editor(editor)
{
}

void CComboColor::SetOwnerEditor(CDkPeColorCombo* editor)
{
    SetOwner(editor);
    m_editor = editor;
    if (!editor || !Hwnd())
        return;
    CTemporaryResourceOverride resources;
    m_recentAt = 0;
    for (int index : {0, 1, 2, 3, 4, 5, 6, 7, 256})
    {
        if (m_noMetaColors && (index == 0 || index == 256))
            continue;
        const DkCmColor colour = IndexColor(index);
        if (InsertColor(index == 256 ? 0 : -1, static_cast<ULONGLONG>(index), colour, ColorDisplayName(colour)) >= 0)
            ++m_recentAt;
    }
    InsertColor(-1, kEntrySelectColor, DkCmColor(), dkpex::LoadResString(IDS_SELECT_COLOR));
    RefreshRecentColors();
}

int CComboColor::InsertColor(int index, ULONGLONG kind, const DkCmColor& color, const std::wstring& text)
{
    auto item = std::make_unique<COwnerDrawItemColor>();
    item->m_data = kind;
    item->m_color = color;
    item->m_text = text;
    return InsertEntry(index, std::move(item));
}

int CComboColor::InsertEntry(int index, std::unique_ptr<COwnerDrawItemColor> item)
{
    if (!item)
        return -1;
    OLE_COLOR fore = 0;
    OLE_COLOR back = 0xFFFFFF;
    if (m_editor)
    {
        m_editor->Handle_get_ForeColor(&fore);
        m_editor->Handle_get_BackColor(&back);
    }
    item->m_textColor = Translated(fore);
    item->m_fillColor = Translated(back);
    const int at = index < 0 ? AddItem(item.get()) : InsertItem(index, item.get());
    if (at < 0)
        return -1;
    item.release();
    return at;
}

void CComboColor::RefreshRecentColors()
{
    if (!Hwnd())
        return;
    for (COwnerDrawItemColor* item = ColorItem(m_recentAt); item && !IsSpecialKind(item->Kind());
         item = ColorItem(m_recentAt))
        if (::SendMessageW(Hwnd(), CB_DELETESTRING, static_cast<WPARAM>(m_recentAt), 0) == CB_ERR)
            break;
    CTemporaryResourceOverride resources;
    const int count = GetMRUInfo(2, 0, nullptr);
    int at = m_recentAt;
    for (int n = 0; n < count; ++n)
    {
        DkCmColor colour;
        if (GetMRUInfo(3, n, &colour) &&
            InsertColor(at, static_cast<ULONGLONG>(colour.colorIndex()), colour, ColorDisplayName(colour)) >= 0)
            ++at;
    }
}

COwnerDrawItemColor* CComboColor::ColorItem(int index) const
{
    return index < 0 ? nullptr : dynamic_cast<COwnerDrawItemColor*>(Item(index));
}

int CComboColor::FindColor(const DkCmColor& color) const
{
    const bool none = color.colorMethod() == DkCmColor::kNone;
    for (int i = 0, n = Count(); i < n; ++i)
    {
        const COwnerDrawItemColor* item = ColorItem(i);
        if (!item || item->IsCustom())
            continue;
        const ULONGLONG kind = item->Kind();
        if (none ? kind == kEntryNone : !IsSpecialKind(kind) && item->m_color == color)
            return i;
    }
    return -1;
}

int CComboColor::FindKind(ULONGLONG kind) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (const COwnerDrawItemColor* item = ColorItem(i); item && !item->IsCustom() && item->Kind() == kind)
            return i;
    return -1;
}

void CComboColor::MeasureItem(MEASUREITEMSTRUCT& item) noexcept
{
    // As high as the row the list stands in, whatever rectangle it was made with.
    RECT client{};
    if (HWND parent = Hwnd() ? ::GetParent(Hwnd()) : nullptr)
        ::GetClientRect(parent, &client);
    if (client.bottom > 2)
        item.itemHeight = static_cast<UINT>(client.bottom - 2);
    else
        CPeComboCustom::MeasureItem(item);
}

bool CComboColor::PreTranslateKey(WPARAM key, LPARAM flags) noexcept
{
    // Stepping through the closed list never opens the colour dialog.
    if ((key == VK_DOWN || key == VK_RIGHT) && !(::GetKeyState(VK_MENU) & 0x8000) && !IsDropped())
    {
        const int current = static_cast<int>(::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0));
        if (const COwnerDrawItemColor* next = ColorItem(current + 1); next && next->Kind() == kEntrySelectColor)
            return true;
    }
    return CPropComboBox::PreTranslateKey(key, flags);
}

CDkPeColorCombo::CDkPeColorCombo(CIPropEditUIEvents* events, CDkPeBasePrivate* priv) : CDkPeComboBase(events, priv)
{
    m_bNeedsCurrentDocument = TRUE;
    dkpex::ViewportOverrideLabel();
}

const DkCmColor& CDkPeColorCombo::ByLayerColor() noexcept
{
    return g_byLayerColor;
}

bool CDkPeColorCombo::ByLayerOverridden() noexcept
{
    return g_byLayerOverridden;
}

const std::wstring& CDkPeColorCombo::ViewportOverrideLabel()
{
    return dkpex::ViewportOverrideLabel();
}

CComboColor* CDkPeColorCombo::ColorCombo() const noexcept
{
    return dynamic_cast<CComboColor*>(m_pCombo.get());
}

long CDkPeColorCombo::SetNoMetaColor(BOOL noMetaColors)
{
    if (noMetaColors && !m_bNoMetaColor)
    {
        m_bNoMetaColor = 1;
        SettingsChanged();
    }
    return S_OK;
}

long CDkPeColorCombo::SetAllowNoneColor(BOOL allowNone)
{
    if (allowNone && !m_bAllowNone)
    {
        m_bAllowNone = 1;
        SettingsChanged();
    }
    return S_OK;
}

long CDkPeColorCombo::SetFixedForeground(BOOL fixedForeground)
{
    if (!fixedForeground)
        m_bFixedForeground = 0;
    return S_OK;
}

long CDkPeColorCombo::GetDialogStartColor(DkCmColor& color)
{
    color = DkCmColor();
    return S_OK;
}

void CDkPeColorCombo::SettingsChanged()
{
    // A list made before the palette tuned the row is made again at the next read.
    if (m_pCombo && m_state < kStateEditing)
    {
        m_pCombo->DestroyWindow();
        Retire(m_pCombo);
        m_nCurrentIndex = -1;
    }
}

long CDkPeColorCombo::CreateComboWindow(const RECT& rect)
{
    HWND control = ControlHwnd();
    if (!control)
        return E_FAIL;
    auto combo = std::make_unique<CComboColor>(this, m_bColorObjects != 0, m_bNoMetaColor != 0, m_bAllowNone != 0);
    if (!combo->CreateCombo(CPropComboBox::kStyle, rect, control, kComboId))
        return E_FAIL;
    m_pCombo = std::move(combo);
    ColorCombo()->SetOwnerEditor(this);
    ::SendMessageW(m_pCombo->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
    return S_OK;
}

long CDkPeColorCombo::FillList()
{
    CComboColor* combo = ColorCombo();
    if (!combo || !combo->Hwnd())
        return E_FAIL;
    const COwnerDrawItemColor* current = combo->ColorItem(m_nCurrentIndex);
    const bool hadEntry = current != nullptr;
    const bool custom = current && current->IsCustom();
    const DkCmColor colour = current ? current->m_color : DkCmColor();
    const ULONGLONG kind = current ? current->Kind() : 0;
    const std::wstring text = current ? current->m_text : std::wstring();
    combo->RefreshRecentColors();
    if (custom)
    {
        // A special value's entry, wherever the recent colours moved it.
        m_nCurrentIndex = -1;
        for (int i = combo->RecentPosition(); i < combo->Count() && m_nCurrentIndex < 0; ++i)
            if (const COwnerDrawItemColor* item = combo->ColorItem(i); item && item->IsCustom() && item->m_text == text)
                m_nCurrentIndex = i;
    }
    else if (hadEntry)
        m_nCurrentIndex = IsSpecialKind(kind) ? combo->FindKind(kind) : combo->FindColor(colour);
    ::SendMessageW(combo->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
    return S_OK;
}

void CDkPeColorCombo::UpdateByLayerColor()
{
    const DkDbObjectId viewport = dkedGetCurViewportObjectId();
    const auto [colour, overridden] =
        ByLayerValue(IndexColor(256), DkCmColor(),
                     [&](const DkDbLayerTableRecord& layer, bool& isOverride)
                     { return IndexColor(layer.colorIndexInViewport(viewport, isOverride)); });
    g_byLayerColor = colour;
    g_byLayerOverridden = overridden;
}

long CDkPeColorCombo::GetPropertyValue(VARIANT* value, ValueType& valueType)
{
    const long hr = CDkPeComboBase::GetPropertyValue(value, valueType);
    if (SUCCEEDED(hr))
        DecideColorObjects();
    return hr;
}

void CDkPeColorCombo::DecideColorObjects()
{
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0] || !m_pDispids)
        return;
    dkfw::UniqueVariant v;
    HRESULT hr = E_FAIL;
    if (m_pDispids[0] == kDynamicPropertyDispid)
    {
        IUnknown* dyn = m_ppDynProps ? m_ppDynProps[0] : nullptr;
        dkfw::ComPtr<IDynamicProperty2> two;
        dkfw::ComPtr<IDynamicProperty> one;
        if (dyn && SUCCEEDED(dyn->QueryInterface(IID_IDynamicProperty2, two.PutVoid())))
            hr = two->GetValue(m_ppObjects[0], v.Put());
        else if (dyn && SUCCEEDED(dyn->QueryInterface(IID_IDynamicProperty, one.PutVoid())))
            hr = GetDynamicPropertyValue(static_cast<IDispatch*>(m_ppObjects[0]), one.Get(), v.Put());
    }
    else
    {
        DISPPARAMS none{};
        hr = static_cast<IDispatch*>(m_ppObjects[0])
                 ->Invoke(m_pDispids[0], IID_NULL, kPropertyLocale, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr,
                          nullptr);
    }
    dkfw::ComPtr<IDkDbColor> colour;
    const bool objects = SUCCEEDED(hr) && v.Type() == VT_DISPATCH && v.Get().pdispVal &&
                         SUCCEEDED(v.Get().pdispVal->QueryInterface(IID_IDkDbColor, colour.PutVoid()));
    m_bColorObjects = objects ? 1 : 0;
    if (CComboColor* combo = ColorCombo())
        combo->m_colorObjects = objects;
}

void CDkPeColorCombo::UpdateSpecialEntries(ValueType kind)
{
    CComboColor* combo = ColorCombo();
    if (!combo || !combo->Hwnd())
        return;
    dkpex::EnsureSharedTexts();
    CTemporaryResourceOverride resources;
    struct Special
    {
        ULONGLONG kind;
        bool wanted;
        std::wstring text;
    };
    const Special specials[] = {
        {kEntryVaries, kind == ValueVaries, dkpex::VariesText()},
        {kEntryUnspecified, m_bUnspecifiedAllowed && !m_bUnspecifiedBorrowed, GetUnspecifiedString()},
        {kEntryNone, m_bAllowNone != 0, dkpex::LoadResString(IDS_NONE)},
    };
    for (size_t s = 0; s < std::size(specials); ++s)
    {
        const Special& special = specials[s];
        int at = combo->FindKind(special.kind);
        if (at >= 0)
        {
            const COwnerDrawItemColor* item = combo->ColorItem(at);
            const bool sameText = ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, item->m_text.c_str(), -1,
                                                   special.text.c_str(), -1) == CSTR_EQUAL;
            if (special.wanted && sameText)
                continue;
            ::SendMessageW(combo->Hwnd(), CB_DELETESTRING, static_cast<WPARAM>(at), 0);
        }
        if (!special.wanted)
            continue;
        // Before the first of the entries that follow it.
        int before = -1;
        for (size_t later = s + 1; later < std::size(specials) && before < 0; ++later)
            before = combo->FindKind(specials[later].kind);
        if (before < 0)
            before = combo->FindKind(kEntrySelectColor);
        combo->InsertColor(before, special.kind, DkCmColor(), special.text);
    }
}

long CDkPeColorCombo::VariantToColor(const VARIANT& value, DkCmColor& color) const
{
    if (m_bColorObjects)
        return value.vt == VT_DISPATCH && ObjectColor(value.pdispVal, color) ? S_OK : E_FAIL;
    dkfw::UniqueVariant index;
    if (FAILED(::VariantChangeType(index.Put(), const_cast<VARIANT*>(&value), 0, VT_I4)))
        return E_FAIL;
    return color.setColorIndex(index.Get().lVal & 0xFFFF) == Drvk::eOk ? S_OK : E_FAIL;
}

long CDkPeColorCombo::ColorToVariant(const DkCmColor& color, VARIANT* value) const
{
    if (!value)
        return E_POINTER;
    ::VariantInit(value);
    DkCmColor written = color;
    if (m_bNoMetaColor && m_bFixedForeground && IsForeground(written))
    {
        // The foreground as it shows over the drawing's background.
        COLORREF background = RGB(255, 255, 255);
        dkedGetCurrentColors(&background, 1);
        const int average = (GetRValue(background) + GetGValue(background) + GetBValue(background)) / 3;
        if (average < 128)
            written.setRGB(255, 255, 255);
        else
            written.setRGB(0, 0, 0);
    }
    if (!m_bColorObjects)
    {
        // An index property keeps the foreground as index 7: black or white would become
        // whichever index lies nearest.
        value->vt = VT_I4;
        value->lVal = color.colorIndex() & 0xFFFF;
        return S_OK;
    }
    dkfw::ComPtr<IDkDbColor> object;
    RETURN_IF_FAILED(::CoCreateInstance(CLSID_DkDbColor, nullptr, CLSCTX_ALL, IID_IDkDbColor, object.PutVoid()));
    RETURN_IF_FAILED(object->put_EntityColor(written.entityColor()));
    if (*written.colorName() || *written.bookName())
    {
        dkfw::UniqueBstr name(std::wstring(written.colorName()));
        dkfw::UniqueBstr book(std::wstring(written.bookName()));
        RETURN_IF_FAILED(object->SetNames(name.Get(), book.Get()));
    }
    IDispatch* dispatch = nullptr;
    RETURN_IF_FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    value->vt = VT_DISPATCH;
    value->pdispVal = dispatch;
    return S_OK;
}

int CDkPeColorCombo::IndexOfValue(const VARIANT& value, ValueType kind)
{
    CComboColor* combo = ColorCombo();
    if (!combo)
        return -1;
    if (kind == ValueVaries)
        return combo->FindKind(kEntryVaries);
    if (kind == ValueUnspecified)
        return combo->FindKind(kEntryUnspecified);
    DkCmColor colour;
    if (FAILED(VariantToColor(value, colour)))
        return -1;
    int index = combo->FindColor(colour);
    if (index < 0)
    {
        AddRecentColor(colour);
        index = combo->FindColor(colour);
    }
    return index;
}

int CDkPeColorCombo::GetCurrentIndex()
{
    if (!EnsureCombo())
        return -1;
    UpdateByLayerColor();
    dkfw::UniqueVariant value;
    ValueType kind = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), kind)))
        return -1;
    UpdateSpecialEntries(kind);
    return IndexOfValue(value.Get(), kind);
}

void CDkPeColorCombo::AddRecentColor(const DkCmColor& color)
{
    CComboColor* combo = ColorCombo();
    if (!combo || color.colorMethod() == DkCmColor::kNone || color.colorIndex() > 257 || combo->FindColor(color) >= 0)
        return;
    if (GetMRUInfo(0, 0, nullptr))
    {
        // The colour that drops out of the host's list leaves this one too.
        DkCmColor out;
        if (GetMRUInfo(1, 0, &out))
        {
            for (int i = combo->RecentPosition(); i < combo->Count(); ++i)
            {
                const COwnerDrawItemColor* item = combo->ColorItem(i);
                if (!item || IsSpecialKind(item->Kind()))
                    break;
                if (item->m_color == out)
                {
                    ::SendMessageW(combo->Hwnd(), CB_DELETESTRING, static_cast<WPARAM>(i), 0);
                    break;
                }
            }
        }
    }
    {
        CTemporaryResourceOverride resources;
        combo->InsertColor(combo->RecentPosition(), static_cast<ULONGLONG>(color.colorIndex()), color,
                           ColorDisplayName(color));
    }
    AddColorFromOPMToAllControls(color);
}

bool CDkPeColorCombo::RunColorDialog(DkCmColor& color)
{
    DkCmColor layerColour = IndexColor(7);
    if (DkDbHostApplicationServices* services = dkdbHostApplicationServices())
        if (DkDbDatabase* database = services->workingDatabase())
        {
            DkDbLayerTableRecord* layer = nullptr;
            if (dkdbOpenObject(layer, database->clayer(), DkDb::kForRead) == Drvk::eOk && layer)
            {
                layerColour = IndexColor(layer->colorIndex());
                layer->close();
            }
        }
    if (!dkedSetColorDialogTrueColor(color, !m_bNoMetaColor, layerColour, m_bColorObjects ? 7 : 1))
        return false;
    AddRecentColor(color);
    return true;
}

long CDkPeColorCombo::CommitSelection(int index)
{
    CComboColor* combo = ColorCombo();
    const COwnerDrawItemColor* item = combo ? combo->ColorItem(index) : nullptr;
    if (!item)
        return E_UNEXPECTED;
    switch (item->Kind())
    {
    case kEntrySelectColor:
        m_nReturnIndex = m_nCurrentIndex;
        m_bDialogPending = 1;
        return S_OK;
    case kEntryVaries:
        return E_FAIL;
    case kEntryUnspecified:
    {
        dkfw::UniqueVariant empty;
        return SetPropertyValue(empty.Addr(), ValueUnspecified);
    }
    default:
        break;
    }
    const DkCmColor colour = item->m_color;
    dkfw::UniqueVariant value;
    const long hr = ColorToVariant(colour, value.Put());
    if (FAILED(hr))
    {
        wchar_t code[16];
        std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
        CTemporaryResourceOverride resources;
        TellUser(dkpex::FormatResString(IDS_COLOR_NOT_MADE, {code}).c_str());
        return hr;
    }
    return SetPropertyValue(value.Addr(), ValueSpecified);
}

long CDkPeColorCombo::EndEdit()
{
    const long hr = CDkPeComboBase::EndEdit();
    // A choice of the select-colour entry that no confirmed close ends (a key on the closed
    // list, the focus leaving) opens the dialog here.
    if (m_bInSelEndOk || !m_bDialogPending)
        return hr;
    if (FAILED(hr) || m_bKeepFocusAway)
    {
        // The focus went elsewhere: no dialog pops up where the user no longer is.
        const int back = std::exchange(m_nReturnIndex, -1);
        m_bDialogPending = 0;
        if (m_bKeepFocusAway && m_pCombo && m_pCombo->Hwnd())
        {
            m_nCurrentIndex = back;
            ::SendMessageW(m_pCombo->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(back), 0);
            m_currentText = GetItemText(back);
        }
        return hr;
    }
    return RunPendingDialog();
}

long CDkPeColorCombo::OnSelEndOk()
{
    if (m_pCombo && m_pCombo->ChoosingWhileClosed())
        return S_OK;
    m_bCancel = FALSE;
    long hr = S_OK;
    {
        m_bInSelEndOk = true;
        const dkfw::ScopeExit done([this] { m_bInSelEndOk = false; });
        hr = EndEdit();
    }
    m_state = kStateChosen;
    if (!m_bDialogPending)
        return hr;
    if (FAILED(hr))
    {
        m_bDialogPending = 0;
        m_nReturnIndex = -1;
        return hr;
    }
    return RunPendingDialog();
}

long CDkPeColorCombo::RunPendingDialog()
{
    CComboColor* combo = ColorCombo();
    const int back = m_nReturnIndex;
    DkCmColor colour;
    const COwnerDrawItemColor* item = combo && combo->Hwnd() ? combo->ColorItem(back) : nullptr;
    if (item && (item->Kind() == kEntryVaries || item->Kind() == kEntryUnspecified))
        GetDialogStartColor(colour);
    else if (item)
        colour = item->m_color;
    // Done with before the dialog runs: an ending of the row while it is up opens no other.
    m_bDialogPending = 0;
    m_nReturnIndex = -1;
    if (!combo || !combo->Hwnd() || (back >= 0 && !item))
        return E_FAIL;
    const bool chosen = RunColorDialog(colour);
    // The dialog may have let the palette close the row.
    if (!m_pCombo || !m_pCombo->Hwnd() || ColorCombo() != combo)
        return E_FAIL;
    HWND list = combo->Hwnd();
    const int found = chosen ? combo->FindColor(colour) : -1;
    if (found < 0)
    {
        // Cancelled: the entry that was current before is current again.
        m_nCurrentIndex = back;
        ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(back), 0);
        m_currentText = GetItemText(back);
        ::InvalidateRect(list, nullptr, TRUE);
        if (HWND control = ControlHwnd())
            ::InvalidateRect(control, nullptr, TRUE);
        return E_FAIL;
    }
    ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    long hr = S_OK;
    {
        m_bWriting = true;
        const dkfw::ScopeExit written([this] { m_bWriting = false; });
        hr = CommitSelection(found);
    }
    if (FAILED(hr) || m_nFailed > 0)
    {
        FillList();
        m_nCurrentIndex = GetCurrentIndex();
    }
    else
        m_nCurrentIndex = found;
    // The list may have gone with a refresh the write caused.
    if (!m_pCombo || !m_pCombo->Hwnd())
        return hr;
    list = m_pCombo->Hwnd();
    ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
    ::InvalidateRect(list, nullptr, TRUE);
    m_currentText = GetItemText(m_nCurrentIndex);
    RefreshTipOwner();
    if (HWND control = ControlHwnd())
        ::InvalidateRect(control, nullptr, TRUE);
    return hr;
}

long CDkPeColorCombo::ComparePropertyValue(VARIANT* a, VARIANT* b, int& result)
{
    if (!a || !b)
        return E_INVALIDARG;
    auto colourType = [](VARTYPE vt) { return vt == VT_DISPATCH || vt == VT_I4; };
    if (!colourType(a->vt) || !colourType(b->vt))
        return CDkPeComboBase::ComparePropertyValue(a, b, result);
    if (a->vt != b->vt)
        return E_FAIL;
    if (a->vt == VT_I4)
    {
        result = a->lVal == b->lVal ? 0 : -1;
        return S_OK;
    }
    DkCmColor x;
    DkCmColor y;
    if (!ObjectColor(a->pdispVal, x) || !ObjectColor(b->pdispVal, y))
        return E_FAIL;
    result = x == y ? 0 : -1;
    return S_OK;
}

CString CDkPeColorCombo::GetItemText(int index)
{
    const CComboColor* combo = ColorCombo();
    const COwnerDrawItemColor* item = combo ? combo->ColorItem(index) : nullptr;
    return item ? item->m_text : CString();
}

long CDkPeColorCombo::GetTextTipWidth(int& width)
{
    return GetComboTextTipWidth(m_nCurrentIndex, width);
}

long CDkPeColorCombo::GetComboTextTipWidth(int index, int& width)
{
    width = 0;
    const CComboColor* combo = ColorCombo();
    const COwnerDrawItemColor* item = combo ? combo->ColorItem(index) : nullptr;
    if (!item)
        return S_OK;
    const long hr = GetStringWidth(item->m_text, &width);
    width += kSwatchWidth;
    return hr;
}

long CDkPeColorCombo::Handle_OnDraw(ATL_DRAWINFO& info)
{
    return DrawSelectedEntry(info, 1);
}

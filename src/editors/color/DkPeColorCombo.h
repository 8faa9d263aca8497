// CDkPeColorCombo: the colour pickers. The drop-down lists ByLayer, ByBlock, the seven
// standard colours, the user's recent colours, on demand the varies, unspecified and None
// entries, and last the entry that opens the host's colour dialog; each entry has a swatch.
// A property's values are the host's colour objects or plain colour indexes, whichever the
// first selected object gives.
#pragma once

#include "DkPeComboBase.h"
#include "dkcm.h"

#include <memory>
#include <string>

class CDkPeColorCombo;

// What a colour entry is: an index colour (0 to 255, true colours by their nearest index),
// ByLayer, or one of the entries that hold no colour.
enum : ULONGLONG
{
    kEntryByLayer = 256,
    kEntrySelectColor = 257,
    kEntryVaries = 258,
    kEntryUnspecified = 259,
    kEntryNone = 260,
};

// The text a colour's entry shows: the reserved names, the standard colours' names, a true
// colour's own name or parts, "Color N" for other indexes; empty for none.
DKPEX_API std::wstring ColorDisplayName(const DkCmColor& color);

// One entry of a colour list: its kind in m_data, its colour and swatch.
class DKPEX_API COwnerDrawItemColor : public COwnerDrawItem
{
public:
    void Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT itemIdOrFace) override;
    ULONGLONG Kind() const noexcept { return m_data; }
    // An entry of a special value of the objects (a derived editor's), never the unspecified one.
    virtual bool IsCustom() const noexcept { return false; }

    COLORREF m_textColor = 0; // the text and the swatch's frame
    DkCmColor m_color;

private:
    void DrawSwatch(HDC dc, const RECT& swatch) const;
};

// The drop-down of the colour pickers.
class DKPEX_API CComboColor : public CPeComboCustom
{
public:
    CComboColor(CDkPeColorCombo* editor, bool colorObjects, bool noMetaColors, bool allowNone) noexcept;

    // Fills the fixed part for the editor: the standard colours, the select-colour entry,
    // then the recent colours.
    void SetOwnerEditor(CDkPeColorCombo* editor);
    // The recent colours again, as the host now has them.
    void RefreshRecentColors();
    // A new entry of kind and colour before index (-1: at the end); its index, or -1.
    int InsertColor(int index, ULONGLONG kind, const DkCmColor& color, const std::wstring& text);
    // An entry made elsewhere, in the editor's colours, the list owning it.
    int InsertEntry(int index, std::unique_ptr<COwnerDrawItemColor> item);
    COwnerDrawItemColor* ColorItem(int index) const;
    // The first entry that stands for color (a none colour: the None entry only); -1 if none.
    int FindColor(const DkCmColor& color) const;
    // The first entry of kind that is no special value's; -1 if none.
    int FindKind(ULONGLONG kind) const;
    int RecentPosition() const noexcept { return m_recentAt; }
    void MeasureItem(MEASUREITEMSTRUCT& item) noexcept override;

    bool m_colorObjects; // which tabs the colour dialog shows
    bool m_noMetaColors;
    bool m_allowNone;

protected:
    bool PreTranslateKey(WPARAM key, LPARAM flags) noexcept override;

private:
    CDkPeColorCombo* m_editor;
    int m_recentAt = 0;
};

class DKPEX_API CDkPeColorCombo : public CDkPeComboBase
{
public:
    CDkPeColorCombo(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);

    long EndEdit() override;
    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long ComparePropertyValue(VARIANT* a, VARIANT* b, int& result) override;
    long GetTextTipWidth(int& width) override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long GetComboTextTipWidth(int index, int& width) override;
    long OnSelEndOk() override;
    long CreateComboWindow(const RECT& rect) override;
    long FillList() override;
    long CommitSelection(int index) override;
    CString GetItemText(int index) override;
    int GetCurrentIndex() override;

    // The family's operations, in this order.
    virtual long SetNoMetaColor(BOOL noMetaColors);
    virtual long SetAllowNoneColor(BOOL allowNone);
    virtual long SetFixedForeground(BOOL fixedForeground);
    // Where the colour dialog starts when it is opened from the varies or unspecified entry.
    virtual long GetDialogStartColor(DkCmColor& color);

    CComboColor* ColorCombo() const noexcept;
    // What ByLayer stands for in the selection (none when its layers differ) and whether the
    // current viewport overrides it; shared by every colour list.
    static const DkCmColor& ByLayerColor() noexcept;
    static bool ByLayerOverridden() noexcept;
    // The label a ByLayer entry shows while the viewport overrides it.
    static const std::wstring& ViewportOverrideLabel();

    long VariantToColor(const VARIANT& value, DkCmColor& color) const;
    long ColorToVariant(const DkCmColor& color, VARIANT* value) const;

protected:
    void UpdateByLayerColor();
    // The varies, unspecified and None entries as the value read wants them.
    void UpdateSpecialEntries(ValueType kind);
    // The entry of a value read: the varies or unspecified entry, or the colour's (added as a
    // recent colour when the list has none).
    int IndexOfValue(const VARIANT& value, ValueType kind);
    // The chosen colour of the dialog, started at color; false when cancelled.
    bool RunColorDialog(DkCmColor& color);
    // A new recent colour: first among the recent entries, the host told.
    void AddRecentColor(const DkCmColor& color);
    // Opens the colour dialog the select-colour entry asked for and commits what it gives.
    long RunPendingDialog();

    int m_nReturnIndex = -1;
    BYTE m_bDialogPending = 0;
    BYTE m_bColorObjects = 1;
    BYTE m_bNoMetaColor = 0;
    BYTE m_bAllowNone = 0;
    BYTE m_bFixedForeground = 1;
    // The unspecified-value path carries another value for the write running: no entry for it.
    bool m_bUnspecifiedBorrowed = false;

private:
    // Drops the list made for other settings, when it is not in use.
    void SettingsChanged();
    // Which kind of value the property takes, from the first object's current value.
    void DecideColorObjects();

    bool m_bInSelEndOk = false;
};

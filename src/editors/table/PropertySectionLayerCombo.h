// CPropertySectionLayerCombo: the layer a section puts one kind of its generated geometry on.
// The value is a layer of the drawing, or a naming pattern around "*" (the section's own
// layer, as the host reads it): "*" alone, a prefix before it or a suffix after it. The list
// offers the pattern first, then an entry that opens the dialog naming a new prefix or suffix,
// then the layers in table order. The naming last confirmed is remembered per user, per kind
// of section and per property.
#pragma once

#include "ComboLayer.h"
#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "DkPeSymbolTableBase.h"

#include <memory>
#include <string>

// How the pattern names the layer: the section's own layer, or that name with a prefix or a
// suffix.
struct CSectionLayerNaming
{
    static constexpr int kNone = 0;
    static constexpr int kPrefix = 1;
    static constexpr int kSuffix = 2;

    int option = kNone;
    std::wstring text;

    bool operator==(const CSectionLayerNaming&) const = default;
    // The value the naming writes: "*", text + "*" or "*" + text.
    std::wstring Pattern() const;
    // The naming a pattern value stands for (a leading "*": a suffix, another: a prefix; every
    // "*" taken out of the text); an empty text is the section's own layer.
    static CSectionLayerNaming FromPattern(const std::wstring& value);
};

class DKPEX_API COwnerDrawItemSectionLayer : public COwnerDrawItem
{
public:
    static constexpr BYTE kLayerOrPattern = 0;
    static constexpr BYTE kSeparator = 1;
    static constexpr BYTE kNewName = 2;

    void Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT itemIdOrFace) override;

    COLORREF m_textColor = 0;
    BYTE m_kind = kLayerOrPattern;
};

// The list, in the order it is filled, watching the layer table of its database.
class DKPEX_API CDkSectionLayerCombo : public CComboWatchingOf<DkDbLayerReactor>
{
public:
    // Not sorted: the first three entries keep their places.
    static constexpr DWORD kStyle =
        WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
    static constexpr int kPatternEntry = 0;
    static constexpr int kNewNameEntry = 1;
    static constexpr int kFirstLayer = 3;

    using CComboWatchingOf::CComboWatchingOf;
    COwnerDrawItemSectionLayer* Entry(int index) const;
    // The layer's entry: of exactly that name, else of that name in any letter case (as the
    // drawing finds its layers); -1 for none.
    int FindLayer(const std::wstring& name) const;
};

class CPropertySectionLayerCombo : public CDkPeComboTempl<CPropertySectionLayerCombo, CDkPeContainerBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertySectionLayerCombo; }

    CPropertySectionLayerCombo();

    long BeginEdit(const RECT& rect) override;
    long EndEdit() override;
    long CreateComboWindow(const RECT& rect) override;
    long FillList() override;
    long CommitSelection(int index) override;
    int GetCurrentIndex() override;
    CString GetItemText(int index) override;

    CDkSectionLayerCombo* SectionCombo() const noexcept;
    const CSectionLayerNaming& Naming() const noexcept { return m_naming; }

    // The kinds of section, as the remembered namings are kept.
    static constexpr int kLiveSection = 1;
    static constexpr int kSection2d = 2;
    static constexpr int kSection3d = 4;
    // The kind of the first selected object's section, or 0 when it tells none.
    int SectionKind() const;

private:
    // The naming the remembered one, or the property's default suffix, offers.
    CSectionLayerNaming OfferedNaming() const;
    // The naming shown by the pattern entry follows a value read: a filled list gets its
    // pattern entry anew.
    void TakeNaming(const CSectionLayerNaming& naming);
    std::wstring PatternText() const;
    // An entry of the list in the editor's colours.
    std::unique_ptr<COwnerDrawItemSectionLayer> MakeEntry(const std::wstring& text, BYTE kind) const;
    // The new-name dialog over the palette, the naming stored when it is confirmed.
    bool AskNewNaming();

    // Fields, in this order: what the write is (0 a value, 2 unspecified), the naming.
    int m_valueKind = 0;
    CSectionLayerNaming m_naming;
    DkDbObjectId m_tableId;
    // The entry chosen was the new name's: the list shows the pattern entry once written.
    bool m_bNamedAnew = false;
};

// The pickers of names the drawing keeps in a dictionary rather than a symbol table: the
// materials, and the visual styles. Each lists its names in an owner-drawn combo watching the
// dictionary, shows the selection's common name and writes the name chosen.
#pragma once

#include "ComboLayer.h"
#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "DkPeSymbolTableBase.h"

#include <string>

// A name of the list, drawn as a layer's entry (without a viewport's override): the name as
// the user reads it, and as the drawing stores it.
class DKPEX_API COwnerDrawItemMaterial : public COwnerDrawItemLayer
{
public:
    std::wstring m_stored;
};

class DkDbMaterialReactor final : public CRecordListReactor
{
public:
    using CRecordListReactor::CRecordListReactor;
};

// The materials, sorted by the combo, watching the material dictionary.
class DKPEX_API CComboMaterial : public CComboWatchingOf<DkDbMaterialReactor>
{
public:
    static constexpr DWORD kStyle =
        WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_SORT | CBS_HASSTRINGS;

    using CComboWatchingOf::CComboWatchingOf;
};

class DkDbVisualStyleReactor final : public CRecordListReactor
{
public:
    using CRecordListReactor::CRecordListReactor;
};

// The visual styles in the host's order (the combo does not sort), watching the visual style
// dictionary.
class DKPEX_API CComboVisualStyle : public CComboWatchingOf<DkDbVisualStyleReactor>
{
public:
    static constexpr DWORD kStyle =
        WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS;

    using CComboWatchingOf::CComboWatchingOf;
};

// What the dictionary pickers share: the dictionary, the list of its names as entries, the
// value's entry and the write of the name chosen.
class DKPEX_API CDkPeDictionaryBase : public CDkPeContainerBase
{
public:
    CDkPeDictionaryBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv, DkDbObjectId dictionary);

    long BeginEdit(const RECT& rect) override;
    long EndEdit() override;
    long FillList() override;
    long Handle_Refresh() override;
    long CommitSelection(int index) override;
    int GetCurrentIndex() override;
    CString GetItemText(int index) override;

    // The name as the user reads it: ByLayer, ByBlock and Global in the user's words.
    static std::wstring Localized(const std::wstring& name);

protected:
    CComboWatching* DictionaryCombo() const noexcept;
    COwnerDrawItemMaterial* Entry(int index) const;
    // The entry of the name as the drawing stores it, or -1.
    int FindStored(const std::wstring& name) const;
    // The database the dictionary belongs to; null when it does not open.
    DkDbDatabase* DictionaryDatabase() const noexcept;
    // Appends the dictionary's names to the emptied list: E_FAIL when they cannot be read, another
    // failure when reading them broke off (either way the list is read again when next wanted).
    virtual long AppendNames() = 0;
    // Appends an entry with the name, in the editor's colours; data marks it for the picker.
    long AppendName(const std::wstring& name, ULONGLONG data = 0);
    // An entry that writes nothing when chosen (S_OK, no change).
    virtual bool WritesNothing(const COwnerDrawItemLayer&) const { return false; }
    // The list made for the dictionary's database; E_FAIL without one.
    template <class Combo> long CreateDictionaryCombo(DWORD style, const RECT& rect) noexcept
    {
        return CreateContainerCombo<Combo>(style, rect, ControlHwnd() ? DictionaryDatabase() : nullptr, m_dictionaryId);
    }

    DkDbObjectId m_dictionaryId;
    ValueType m_lastType = ValueSpecified;

private:
    // The entry chosen wrote nothing: the list goes back to the value's entry.
    bool m_bWroteNothing = false;
};

class CPropertyEditorMaterial : public CDkPeComboTempl<CPropertyEditorMaterial, CDkPeDictionaryBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorMaterial; }

    CPropertyEditorMaterial();

    long CreateComboWindow(const RECT& rect) override;

protected:
    long AppendNames() override;
};

class CPropertyEditorVisualStyle : public CDkPeComboTempl<CPropertyEditorVisualStyle, CDkPeDictionaryBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorVisualStyle; }

    CPropertyEditorVisualStyle();

    long Handle_Refresh() override;
    long CreateComboWindow(const RECT& rect) override;

protected:
    long AppendNames() override;
    // The anonymous visual style: listed first, it changes nothing when chosen.
    bool WritesNothing(const COwnerDrawItemLayer& item) const override { return item.m_data == kAnonymous; }

private:
    static constexpr ULONGLONG kAnonymous = 1;
};

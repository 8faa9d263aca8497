// CDkPeEnumBase: the drop-down editors of properties that take one value out of a set; the
// choices come from the object itself (a dynamic property's choices, IPerPropertyBrowsing,
// or the enumeration its type description names).
#pragma once

#include "DkPeComboBase.h"
#include "TrailingEntries.h"

#include "ComPtr.h"
#include "Unique.h"

#include <memory>
#include <vector>

// One choice: the text shown and the value written when it is chosen.
struct EnumItem
{
    dkfw::UniqueVariant value;
    std::wstring name;
};

// The constants of a property's enumeration type, index for index.
struct TypeEnumeration
{
    std::vector<dkfw::UniqueVariant> values;
    std::vector<std::wstring> names;
    int count = 0;
};

// Frees the strings and cookies IPerPropertyBrowsing::GetPredefinedStrings handed out.
void FreePredefined(CALPOLESTR& strings, CADWORD& cookies);
// The first selected object's IDispatch (null when it has none).
dkfw::ComPtr<IDispatch> FirstDispatch(int count, IUnknown** objects);

class CDkPeEnumBase : public CDkPeComboBase
{
public:
    // The values of the entries that do not come from the object.
    static constexpr LONG kUnspecifiedValue = -1000;
    static constexpr LONG kVariesValue = -1001;

    CDkPeEnumBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);

    // A new selection: until it is read, the row shows no entry of the last one.
    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long FillList() override;
    long CommitSelection(int index) override;
    CString GetItemText(int index) override;
    int GetCurrentIndex() override;
    // Rebuilds the choices from the object, then the special entries for kind.
    virtual long LoadItems(ValueType kind);

    const std::vector<EnumItem>& Items() const noexcept { return m_items; }
    // The value matching of the list: floats within 1e-6, a 64-bit choice by the low 32
    // bits of a 32-bit value, otherwise the same type and an equal comparison.
    static bool Matches(const VARIANT& item, const VARIANT& value);

protected:
    // Notes where the varies or unspecified entry stands when item index is one; true then.
    bool NoteTrailingEntry(size_t index);
    // Each answers whether the list changed.
    bool UpdateUnspecifiedEntry();
    bool UpdateVariesEntry(ValueType kind);
    const TypeEnumeration& Enumeration();

    dkfw::ComPtr<IPerPropertyBrowsing> m_browsing;
    dkfw::ComPtr<IDynamicPropertyChoices> m_choices;
    std::unique_ptr<TypeEnumeration> m_enumeration;
    std::vector<EnumItem> m_items;
    CTrailingEntries m_trailing;

private:
    void Append(LONG value, const std::wstring& name);
    // The unspecified or the varies entry (entry) appears at the end when wanted, or leaves;
    // true when the list changed.
    bool UpdateTrailingEntry(int& entry, bool wanted, LONG value, const std::wstring& text);
    // Removes every entry of this value and text; true when one went.
    bool RemoveSpecial(LONG value, const std::wstring& name);
};

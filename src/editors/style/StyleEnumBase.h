// CStyleEnumBase: the drop-down editors of the style an object names (a dimension's, a
// text's, a table's, a multileader's). The object offers its styles; the list shows them
// sorted, an annotative style marked with an icon, and after a style is written each editor
// brings the object in line with its new style.
#pragma once

#include "DkPeEnumBase.h"

#include <vector>

class CStyleEnumBase;

// The style drop-down's list part: its text tip draws a hovered entry as the list does.
using CStyleListBox = CCustomLBox;

// The style drop-down: one mark per entry (an annotative style), drawn with the marker
// icon before the text; the entries' texts come from the editor.
class CStyleComboBox : public CPropComboBox
{
public:
    // Child, vertical scroll bar, owner-drawn variable-height drop-down list that scrolls its
    // text, keeping the entries' texts (for finding an entry by its text and type-ahead).
    static constexpr DWORD kStyle = 0x4020006B | CBS_HASSTRINGS;
    // The text's place after the marker.
    static constexpr int kMarkedTextShift = 19;

    explicit CStyleComboBox(CStyleEnumBase* owner) noexcept;
    ~CStyleComboBox() override;

    void ResetMarks() noexcept { m_marks.clear(); }
    void AddMark(bool annotative) { m_marks.push_back(annotative ? 1 : 0); }
    bool Marked(int index) const noexcept
    {
        return index >= 0 && static_cast<size_t>(index) < m_marks.size() && m_marks[static_cast<size_t>(index)];
    }
    // Entry index in rect: the marker, then the text, in the highlight colours when selected.
    void DrawEntry(HDC dc, const RECT& rect, int index, bool selected) const;

    void DrawItem(const DRAWITEMSTRUCT& item) noexcept override;
    void DrawTipEntry(HDC dc, const RECT& rect, int index) override;

private:
    std::wstring EntryText(int index) const;

    std::vector<BYTE> m_marks;
    HICON m_icon = nullptr;
    CStyleEnumBase* m_styleOwner;
};

class CStyleEnumBase : public CDkPeEnumBase
{
public:
    CStyleEnumBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);

    long CreateComboWindow(const RECT& rect) override;
    long FillList() override;
    CString GetItemText(int index) override;
    int GetCurrentIndex() override;
    long LoadItems(ValueType kind) override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long GetComboTextTipWidth(int index, int& width) override;

    // Whether the style of that name is annotative (never, unless an editor knows better).
    virtual bool IsAnnotativeStyle(const std::wstring& name);

protected:
    CStyleComboBox* StyleCombo() const noexcept;
    // The text of the drop-down's current selection; empty without one.
    std::wstring ChosenName() const;
    // The drop-down's current selection is the unspecified or the varies entry: no style.
    bool ChoseSpecialEntry() const;
    // The object takes its annotative state from its style.
    static long SyncAnnotative(IDispatch* object);
    // The annotative state of the first record of a symbol table whose name is name
    // (dependent and unnamed records skipped).
    static bool AnnotativeInTable(DkDbObjectId table, const std::wstring& name);
};

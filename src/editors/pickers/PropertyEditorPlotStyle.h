// The plot style editors over the host's own plot style lists: an object's plot style name
// (with the layer's override in the current viewport shown on the ByLayer entry, and a
// dialog entry that picks from the drawing's plot styles), and a layout's plot style table.
// The value is kept as text.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "dkui.h"

class CPlotStyleEditorBase;
class CPropertyEditorPlotStyleName;

// The object's plot style names; the host's dialog entry writes its choice at once.
class CComboBoxPlotStyleName : public CPropComboBoxOn<CDkUiPlotStyleNamesComboBox>
{
public:
    explicit CComboBoxPlotStyleName(CPropertyEditorPlotStyleName* editor) noexcept;
    bool OnSelectOther() noexcept override;
    void DrawItem(const DRAWITEMSTRUCT& item) noexcept override;

private:
    CPropertyEditorPlotStyleName* m_editor;
};

// The installed plot style tables, "None" first.
class CComboBoxPlotStyleTable : public CPropComboBoxOn<CDkUiPlotStyleTablesComboBox>
{
public:
    explicit CComboBoxPlotStyleTable(CPlotStyleEditorBase* editor) noexcept;
};

// What both editors share: the list around the host's entries (varies and unspecified), the
// entry of the current text, and the write of an entry's text.
class CPlotStyleEditorBase : public CDkPeComboBase
{
public:
    using CDkPeComboBase::CDkPeComboBase;

    long FillList() override;
    CString GetItemText(int index) override;
    int GetCurrentIndex() override;
    // Writes the text of entry index: the empty name as "", the unspecified entry as no value
    // of the objects' own; the varies entry is refused. On failure the previous entry is
    // selected again.
    virtual long ApplyIndex(int index);

protected:
    CDkUiMRUComboBox* PlotCombo() const noexcept;
    // The varies entry while the values differ, the unspecified one while the property
    // takes it, after the host's entries.
    void UpdateTrailingEntries();
    // The text the row shows for a value read; false when the value is no plot style.
    virtual bool ValueText(const VARIANT& value, ValueType kind, CString& text);
    // The entry of text, or -1; the table editor lists a table it does not know as missing.
    virtual int EntryOf(const CString& text);
    // After the current text was read (the name editor's override check).
    virtual void AfterRead() {}
    // The host's own entries listed anew before each filling (the table list keeps its own).
    virtual void ListHostEntries(CDkUiMRUComboBox&) {}

    CString m_text;
    int m_variesIndex = -1;
};

class CPropertyEditorPlotStyleName : public CDkPeComboTempl<CPropertyEditorPlotStyleName, CPlotStyleEditorBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorPlotStyleName; }
    CPropertyEditorPlotStyleName();

    long CreateComboWindow(const RECT& rect) override;
    long CommitSelection(int index) override;
    long OnSelEndOk() override;
    long PropReadOnly(int& readOnly) override;
    long ComparePropertyValue(VARIANT* a, VARIANT* b, int& result) override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    LRESULT OnDrawItem(UINT msg, UINT id, DRAWITEMSTRUCT* item, BOOL& handled) override;

protected:
    bool ValueText(const VARIANT& value, ValueType kind, CString& text) override;
    void AfterRead() override;
    void ListHostEntries(CDkUiMRUComboBox& combo) override { combo.AddItems(); }

private:
    CComboBoxPlotStyleName* NameCombo() const noexcept;
};

class CPropertyEditorPlotStyleTable : public CDkPeComboTempl<CPropertyEditorPlotStyleTable, CPlotStyleEditorBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorPlotStyleTable; }
    CPropertyEditorPlotStyleTable();

    long CreateComboWindow(const RECT& rect) override;
    long CommitSelection(int index) override;
    long ApplyIndex(int index) override;
    LRESULT OnDrawItem(UINT msg, UINT id, DRAWITEMSTRUCT* item, BOOL& handled) override;

protected:
    int EntryOf(const CString& text) override;

private:
    CComboBoxPlotStyleTable* TableCombo() const noexcept;
};

// The picture pickers over the host's own lists: arrowheads (of dimensions, leaders,
// multileaders and their leader lines) and the block shapes of a multileader's or callout's
// content. The value is the list position; the list's last "user" entry opens the host's
// block chooser and writes the chosen block's name to the object's block property instead.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "dkui.h"

#include <string>
#include <utility>
#include <vector>

// A picture combo's entries drawn as text only: set before the varies or unspecified entry
// is drawn, it takes the picture away from the next drawing only.
class CTextOnlyEntry
{
public:
    virtual ~CTextOnlyEntry() = default;
    void SetTextOnly(bool textOnly) noexcept { m_textOnly = textOnly; }

protected:
    bool TakeTextOnly() noexcept { return std::exchange(m_textOnly, false); }

private:
    bool m_textOnly = false;
};

template <class HostCombo> class CPictureComboOn : public CPropComboBoxOn<HostCombo>, public CTextOnlyEntry
{
public:
    using CPropComboBoxOn<HostCombo>::CPropComboBoxOn;

    int ImageWidth() noexcept override { return TakeTextOnly() ? 0 : HostCombo::ImageWidth(); }
    // The mark holds for the one entry it was set for: the library draws its caller's entries
    // without asking for a picture width, and the mark must not fall to the next entry.
    void DrawItem(const DRAWITEMSTRUCT& item) noexcept override
    {
        HostCombo::DrawItem(item);
        TakeTextOnly();
    }
    // A tip shows the entry whole, picture and text, on the tip's colours.
    void DrawTipEntry(HDC dc, const RECT& rect, int index) override
    {
        FillItemBackground(dc, rect, ::GetSysColor(COLOR_INFOBK));
        DRAWITEMSTRUCT entry{};
        entry.CtlType = ODT_COMBOBOX;
        entry.CtlID = CDkPeComboBase::kComboId;
        entry.itemID = static_cast<UINT>(index);
        entry.itemAction = ODA_DRAWENTIRE;
        entry.hwndItem = this->Hwnd();
        entry.hDC = dc;
        entry.rcItem = rect;
        entry.itemData = static_cast<ULONG_PTR>(this->GetItemDataPtr(index));
        HostCombo::DrawItem(entry);
    }
};

class CComboBoxDimArrow : public CPictureComboOn<CDkUiArrowHeadComboBox>
{
public:
    using CPictureComboOn::CPictureComboOn;
};

class CComboBoxPredefBlock : public CPictureComboOn<CDkUiPredefBlockComboBox>
{
public:
    using CPictureComboOn::CPictureComboOn;
};

// What both pickers share: the host's list with the varies and unspecified entries after it,
// the position written as the value, the user entry's block chooser.
class CPictureEditorBase : public CDkPeComboBase
{
public:
    using CDkPeComboBase::CDkPeComboBase;

    long FillList() override;
    int GetCurrentIndex() override;
    long CommitSelection(int index) override;
    // The user entry chosen again opens the chooser again: another block may be wanted.
    long OnSelEndOk() override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long GetTextTipWidth(int& width) override;
    long GetComboTextTipWidth(int index, int& width) override;
    LRESULT OnDrawItem(UINT msg, UINT id, DRAWITEMSTRUCT* item, BOOL& handled) override;
    LRESULT OnMeasureItem(UINT msg, UINT id, MEASUREITEMSTRUCT* item, BOOL& handled) override;

    // The list's entry that opens the block chooser.
    virtual bool IsUserEntry(int index) const = 0;
    // Non-zero when a chosen block was written.
    virtual int ChooseUserBlock() = 0;

protected:
    // The arrowhead picker writes an entry even when it is the current one, and reads no
    // block name as a position.
    virtual bool IsArrowPicker() const noexcept { return false; }
    // Before the value is read.
    virtual void BeforeRead() {}
    CDkUiMRUComboBox* PickerCombo() const noexcept;
    // The varies or unspecified entry's text: drawn without a picture.
    bool IsTextOnlyEntry(const std::wstring& text) const;
    // The host's block chooser over the active drawing, the shared resource library loaded
    // while it runs: true with the chosen name (never empty). current is preselected unless
    // it is empty or starts with "_"; a missing library is told to the user.
    bool ChooseBlock(const std::wstring& current, const wchar_t* title, std::wstring& chosen);
};

class CPropertyEditorDimArrowHead : public CDkPeComboTempl<CPropertyEditorDimArrowHead, CPictureEditorBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorDimArrowHead; }
    CPropertyEditorDimArrowHead();
    ~CPropertyEditorDimArrowHead() override;

    long CreateComboWindow(const RECT& rect) override;
    bool IsUserEntry(int index) const override { return index == kUserEntry; }
    int ChooseUserBlock() override;

    static constexpr int kUserEntry = 20;

protected:
    bool IsArrowPicker() const noexcept override { return true; }
    void BeforeRead() override;

private:
    // The block of the first object's arrowhead and the property that takes a block name; 0
    // for an object without arrowheads.
    DISPID CurrentArrowBlock(std::wstring& name);
    // The selection's own identifiers, put back.
    void RestoreDispids();

    bool m_bDispidsReplaced = false;
    std::vector<int> m_savedDispids;
};

class CPropertyEditorPredefBlock : public CDkPeComboTempl<CPropertyEditorPredefBlock, CPictureEditorBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorPredefBlock; }
    CPropertyEditorPredefBlock();

    long CreateComboWindow(const RECT& rect) override;
    bool IsUserEntry(int index) const override { return index == kUserEntry; }
    int ChooseUserBlock() override;

    static constexpr int kUserEntry = 6;
};

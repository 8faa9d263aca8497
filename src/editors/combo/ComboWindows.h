// The drop-down windows of the combo editors: the plain drop-down list, the owner-drawn
// one whose entries own their data, the list boxes that give long entries a text tip, and
// the entries themselves. Exported with the combo base, for the host's editor libraries.
#pragma once

#include "DkPeExport.h"
#include "PropTextTooltip.h"
#include "dkui.h"

#include "Unique.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>

class CDkPeComboBase;

// In place of an item index: the entry is drawn outside the list (the closed combo's face
// or a text tip).
constexpr UINT kFaceItemId = 1042;

// A solid fill, except for the info-tip colour in a text tip's window, which gets the tips'
// white-to-grey bands (the info-tip colour can be the window colour: lists stay solid).
DKPEX_API void FillItemBackground(HDC dc, const RECT& rect, COLORREF colour);

// What the entries with something before their text share in drawing: the background, the
// highlight of a selected entry (or the fill of one that lost it), the text clipped to its
// own part of the row from textLeft on. The DC's colours are put back when it goes.
class DKPEX_API CEntryPainter
{
public:
    CEntryPainter(HDC dc, const RECT& rect, UINT itemAction, UINT itemState, LONG textLeft) noexcept;
    ~CEntryPainter();
    CEntryPainter(const CEntryPainter&) = delete;
    CEntryPainter& operator=(const CEntryPainter&) = delete;

    // The entry is drawn in the highlight colours.
    bool Highlighted() const noexcept { return m_highlighted; }
    // Only the focus rectangle is drawn (no text).
    bool FocusOnly() const noexcept { return m_focus; }
    const RECT& TextRect() const noexcept { return m_text; }
    // The text (or the focus rectangle), then the clip ends.
    void Finish(const std::wstring& text) noexcept;
    // A value overridden in the current viewport: text's place, from shift pixels before the
    // text on and extra pixels wider than text, filled with the viewport-override background,
    // which becomes the text's background.
    void MarkOverride(const std::wstring& text, LONG shift, LONG extra) noexcept;

private:
    HDC m_dc;
    RECT m_text;
    RECT m_highlight;
    bool m_highlighted;
    bool m_focus;
    COLORREF m_savedBack;
    COLORREF m_savedText;
    dkfw::UniqueHrgn m_clip;
};

// The text colour of an entry that cannot be chosen: the colour moved 40 % of the way to white.
DKPEX_API COLORREF GreyedColour(COLORREF colour) noexcept;

// The entries after a list's own: the unspecified one, then the varies one.
constexpr BYTE kTrailingVaries = 1;
constexpr BYTE kTrailingUnspecified = 2;

// One entry of an owner-drawn list: its text drawn centred on its fill colour.
class DKPEX_API COwnerDrawItem
{
public:
    COwnerDrawItem() = default;
    COwnerDrawItem(const COwnerDrawItem&) = delete;
    COwnerDrawItem& operator=(const COwnerDrawItem&) = delete;
    virtual ~COwnerDrawItem();
    virtual void Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT itemIdOrFace);
    virtual void DrawFace(HDC dc, RECT* rect);

    std::wstring m_text;
    ULONGLONG m_data = 0; // a record identifier or value of the derived kinds
    // An entry after the list's own: kTrailingVaries or kTrailingUnspecified (0: none).
    BYTE m_trailing = 0;
    dkfw::UniqueHbitmap m_bitmap;
    COLORREF m_fillColor = 0xFFFFFF;

private:
    // Black text centred on the fill colour, the fill painted or not.
    void DrawCentred(HDC dc, RECT* rect, bool fill);
};

// An entry with a 14 x 14 picture before its text; a blank entry has no picture.
class DKPEX_API COwnerDrawItemBmp : public COwnerDrawItem
{
public:
    void Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT itemIdOrFace) override;

    dkfw::UniqueHbitmap m_bitmap2;
    bool m_blank = false;
};

// What a list box asks of the combo it serves: the data of an entry.
class DKPEX_API CPeBaseComboBox
{
public:
    virtual ~CPeBaseComboBox();
    virtual LONG_PTR GetItemDataPtr(int index) const;
};

class CPropComboWindow;

// The drop-down list of a combo: a text tip over entries too long for the list.
class DKPEX_API CCustomLBox : public CMtUiListBox
{
public:
    explicit CCustomLBox(CPeBaseComboBox* combo) noexcept : m_combo(combo) {}
    ~CCustomLBox() override;

    // The tip's rectangle in screen coordinates; false (and an empty rectangle) when no
    // entry is hovered or its text fits.
    bool GetTipRect(RECT& rect) const;
    int HoveredItem() const noexcept { return m_hover; }
    bool TipShown() const noexcept { return m_tip.Exists() && ::IsWindowVisible(m_tip.Hwnd()); }

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
    virtual CDkPeComboBase* Editor() const noexcept;
    virtual UINT TextFormat() const noexcept;
    virtual bool HideTipOnlyWhenCreated() const noexcept { return true; }

    CPeBaseComboBox* m_combo;
    int m_hover = -1;
    CPropTextTooltip m_tip;
    RECT m_tipRect{};

private:
    void OnMouseMove(POINT pt) noexcept;
    void DrawTip() noexcept;
    int TipWidth(int index) const noexcept;
};

class CPeComboCustom;

// The drop-down list of an owner-drawn combo: centred tip text, the owner reached through
// the combo.
class DKPEX_API CPeCustomLBox : public CCustomLBox
{
public:
    explicit CPeCustomLBox(CPeComboCustom* combo) noexcept;

protected:
    CDkPeComboBase* Editor() const noexcept override;
    UINT TextFormat() const noexcept override;
    bool HideTipOnlyWhenCreated() const noexcept override { return false; }

private:
    CPeComboCustom* m_custom;
};

// The drop-down of a combo editor as the editor reaches it, whichever combo class of the
// host's library it is made of: a drop-down list of texts over the row, its border flattened
// in the classic look; Tab commits and moves on.
class DKPEX_API CPropComboWindow : public CPeBaseComboBox
{
public:
    // Child, vertical scroll bar, tab stop, owner-drawn variable-height drop-down list of
    // strings.
    static constexpr DWORD kStyle = 0x40210223;

    virtual HWND Hwnd() const noexcept = 0;
    virtual void DestroyWindow() noexcept = 0;
    virtual bool CreateCombo(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept = 0;
    virtual void DrawItem(const DRAWITEMSTRUCT& item) noexcept = 0;
    // Draws entry index (or the face) as the text tip shows it.
    virtual void DrawTipEntry(HDC dc, const RECT& rect, int index);

    CDkPeComboBase* Owner() const noexcept { return m_owner; }
    void SetOwner(CDkPeComboBase* owner) noexcept { m_owner = owner; }
    LONG_PTR GetItemDataPtr(int index) const override;
    std::wstring ItemText(int index) const;
    // A key or the wheel is moving the selection of the closed list: what it selects is a
    // choice, not yet a change (Enter, Tab, losing the focus or closing the list commit it).
    bool ChoosingWhileClosed() const noexcept { return m_bClosedChoice; }
    // A choice made on the closed list waits for its commit; true once, then forgotten.
    bool TakeClosedChoice() noexcept { return std::exchange(m_bClosedChoiceWaits, false); }
    bool IsDropped() const noexcept;

protected:
    explicit CPropComboWindow(CDkPeComboBase* owner) noexcept : m_owner(owner) {}
    // The host combo's parts: the text of list entry index (its length, or -1), the
    // library's handling of a message (true when handled), the window's own procedure.
    virtual int EntryText(int index, wchar_t* buffer, int capacity) const noexcept = 0;
    virtual bool HostMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept = 0;
    virtual LRESULT OwnProcedure(UINT msg, WPARAM wParam, LPARAM lParam) noexcept = 0;
    // After creation: flat in the row, pop-ups belonging to the palette's window.
    static void FlattenFrame(HWND hwnd) noexcept;
    // Every message, the combo's own procedure included, runs in the control's life.
    bool RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
    // Keys before the combo sees them; true when consumed.
    virtual bool PreTranslateKey(WPARAM key, LPARAM flags) noexcept;
    // The plain text of entry index on the tip's grey bands, drawn with format.
    void DrawTipText(HDC dc, const RECT& rect, int index, UINT format);
    static void NoteCreated() noexcept;
    static void NoteGone() noexcept;

    CDkPeComboBase* m_owner;

private:
    void FlattenBorder() noexcept;
    // The combo's own handling of a key that chooses on the closed list.
    LRESULT ChooseWhileClosed(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    bool m_bClosedChoice = false;
    bool m_bClosedChoiceWaits = false;
};

// The drop-down over a combo class of the host's library; it drops down through a list box
// of ours.
template <class HostCombo> class CPropComboBoxOn : public HostCombo, public CPropComboWindow
{
public:
    template <class... Args>
    explicit CPropComboBoxOn(CDkPeComboBase* owner, Args&&... args) noexcept
        : HostCombo(std::forward<Args>(args)...), CPropComboWindow(owner), m_listBox(this)
    {
    }
    ~CPropComboBoxOn() override { HostCombo::DestroyWindow(); }

    HWND Hwnd() const noexcept override { return HostCombo::Hwnd(); }
    void DestroyWindow() noexcept override { HostCombo::DestroyWindow(); }
    bool CreateCombo(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept override
    {
        this->SetListBox(&m_listBox);
        if (!this->Create(style, rect, parent, id))
            return false;
        FlattenFrame(Hwnd());
        this->SetMtUiParent(::GetParent(parent));
        return true;
    }
    void DrawItem(const DRAWITEMSTRUCT& item) noexcept override { HostCombo::DrawItem(item); }

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override
    {
        return RouteMessage(msg, wParam, lParam, result);
    }
    void OnAttached() noexcept override
    {
        HostCombo::OnAttached();
        NoteCreated();
    }
    void OnWindowGone() noexcept override { NoteGone(); }
    int EntryText(int index, wchar_t* buffer, int capacity) const noexcept override
    {
        return this->GetLBString(index, buffer, capacity);
    }
    bool HostMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override
    {
        return HostCombo::OnMessage(msg, wParam, lParam, result);
    }
    LRESULT OwnProcedure(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override
    {
        return this->Default(msg, wParam, lParam);
    }

    CCustomLBox m_listBox;
};

// The drop-down of the combo editors over the library's plain combo box.
class DKPEX_API CPropComboBox : public CPropComboBoxOn<CMtUiComboBox>
{
public:
    explicit CPropComboBox(CDkPeComboBase* owner) noexcept : CPropComboBoxOn(owner) {}
};

// An owner-drawn combo whose entries are COwnerDrawItem objects it owns; every entry is as
// high as the rectangle it was created with.
class DKPEX_API CPeComboCustom : public CPropComboBox
{
public:
    explicit CPeComboCustom(CDkPeComboBase* owner) noexcept;
    ~CPeComboCustom() override;

    bool CreateCombo(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept override;
    int AddItem(COwnerDrawItem* item);
    int InsertItem(int index, COwnerDrawItem* item);
    COwnerDrawItem* Item(int index) const;
    int Count() const noexcept;
    // The entry of a trailing kind, or -1.
    int FindTrailing(BYTE kind) const;
    // The trailing entry of kind present with text, or absent; a present one with another
    // text is made anew. The unspecified entry goes before the varies one; make gives a new
    // entry of the list's own type.
    void SetTrailing(BYTE kind, bool wanted, const std::wstring& text,
                     const std::function<std::unique_ptr<COwnerDrawItem>()>& make);

    void DrawItem(const DRAWITEMSTRUCT& item) noexcept override;
    void MeasureItem(MEASUREITEMSTRUCT& item) noexcept override;
    void DeleteItem(const DELETEITEMSTRUCT& item) noexcept override;
    void DrawTipEntry(HDC dc, const RECT& rect, int index) override;

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;

    RECT m_createRect{};
    CPeCustomLBox m_customList;

private:
    void DeleteAllItems() noexcept;
};

// The base of the owner-drawn combos that list the records of the drawing and find their
// entries by name. The filled mark says the list holds the records as the drawing has them.
class DKPEX_API CComboOwnerDraw : public CPeComboCustom
{
public:
    using CPeComboCustom::CPeComboCustom;
    // The first entry whose text is name (case-sensitive), or -1.
    virtual int FindByName(const std::wstring& name) const;
    bool IsFilled() const noexcept { return m_bFilled; }
    void SetFilled(bool filled) noexcept { m_bFilled = filled; }

private:
    bool m_bFilled = false;
};

// An owner-drawn combo of pictured entries from the resource library.
class DKPEX_API CComboBmp : public CPeComboCustom
{
public:
    using CPeComboCustom::AddItem;
    using CPeComboCustom::CPeComboCustom;
    // An entry with bitmap bitmapId (none for a blank entry); its index, or -1.
    int AddItem(const std::wstring& text, UINT bitmapId, bool blank);
    virtual void SetOwnerEditor(CDkPeComboBase* editor);

protected:
    CDkPeComboBase* m_ownerEditor = nullptr;
};

// The host's user-interface library as the component builds on it: windows over the
// common controls whose messages a derived class sees first; the combo box whose drop-down
// list a list box of the caller's takes over; the owner-drawn button; and the switch
// between the library's themed look and the classic one.
#pragma once

#include "DkHostApi.h"

#include <windows.h>

// A window of the library: created by a derived class or taken over, its messages reach
// OnMessage before the window's own procedure. The window goes with the object.
class DKHOST_API CMtUiWnd
{
public:
    CMtUiWnd() noexcept = default;
    CMtUiWnd(const CMtUiWnd&) = delete;
    CMtUiWnd& operator=(const CMtUiWnd&) = delete;
    virtual ~CMtUiWnd();

    HWND Hwnd() const noexcept { return m_hwnd; }
    bool Attach(HWND hwnd) noexcept;
    // Lets the window go, undestroyed: its messages no longer reach the object.
    HWND Detach() noexcept;
    void DestroyWindow() noexcept;

protected:
    // Creates a child window of the class and takes it over; false (and no window) when
    // either fails or the object already has a window.
    bool CreateChild(const wchar_t* windowClass, DWORD style, const RECT& rect, HWND parent, UINT id) noexcept;
    // True with result set when handled; otherwise the window's own procedure runs.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    // The window has been attached; it has been destroyed (after its last message).
    virtual void OnAttached() noexcept;
    virtual void OnWindowGone() noexcept;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    HWND m_hwnd = nullptr;
    WNDPROC m_original = nullptr; // the window's own procedure
};

class CMtUiListBox;

// A drop-down combo box. Owner-drawn styles get their items drawn, measured and deleted
// through the virtual operations when the parent forwards WM_DRAWITEM, WM_MEASUREITEM and
// WM_DELETEITEM; by default an item is its text. In the themed look the library paints the
// closed face itself: a flat field with the current entry's text and a flat arrow.
class DKHOST_API CMtUiComboBox : public CMtUiWnd
{
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept;
    // The drop-down list is handled by list from now on (replacing an earlier one); list
    // must live as long as the combo's window.
    void SetListBox(CMtUiListBox* list) noexcept;
    CMtUiListBox* ListBox() const noexcept { return m_list; }
    // The top-level window the combo's pop-ups belong to.
    void SetMtUiParent(HWND parent) noexcept { m_mtUiParent = parent; }
    HWND MtUiParent() const noexcept { return m_mtUiParent; }
    // The text of list entry index: its length, or -1 for no such entry. The buffer (may
    // be null to ask for the length) gets at most capacity characters with the terminator.
    int GetLBString(int index, wchar_t* buffer, int capacity) const noexcept;

    virtual void DrawItem(const DRAWITEMSTRUCT& item) noexcept;
    virtual void MeasureItem(MEASUREITEMSTRUCT& item) noexcept;
    virtual void DeleteItem(const DELETEITEMSTRUCT& item) noexcept;

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;
    void OnAttached() noexcept override;

private:
    void PaintThemedFace() noexcept;
    void AttachList() noexcept;

    CMtUiListBox* m_list = nullptr;
    HWND m_mtUiParent = nullptr;
};

// The library's combo boxes of the drawing's named things.
class DKHOST_API CDkUiComboBox : public CMtUiComboBox
{
};

// A combo box whose entries are the library's own (a picture before the text, the picture
// as wide as ImageWidth), filled by AddItems when created; most recent choices first. One
// entry can stand for "choose another through a dialog": picking it runs OnSelectOther.
class DKHOST_API CDkUiMRUComboBox : public CDkUiComboBox
{
public:
    // State bits: the combo runs its dialog; the dialog's choice is being put in the list.
    static constexpr unsigned kStateInDialog = 32;
    static constexpr unsigned kStateTakingChoice = 64;

    // Creates the window and fills it with the library's entries.
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept;
    // The library's entries, anew (those added with AddItemToList are dropped).
    virtual void AddItems() noexcept;
    // An entry of the caller's, drawn as text only, after the library's own; value is its item
    // data. The entry's position, or -1.
    int AddItemToList(const wchar_t* text, LPARAM value) noexcept;
    // The width of the pictures before the entries' texts (0: none).
    virtual int ImageWidth() noexcept;
    // The width entry index takes when drawn in full: picture, gap and text in the combo's
    // font; 0 for no such entry.
    int MeasureItemWidth(int index) noexcept;
    // The list closed on a choice: the choice becomes the most recent, and the dialog entry
    // runs OnSelectOther.
    virtual void OnSelEndOk() noexcept;
    // The dialog entry was chosen: true when the dialog chose an entry, which is then
    // selected; false (selection put back) otherwise. The base has no dialog.
    virtual bool OnSelectOther() noexcept;
    unsigned State() const noexcept { return m_state; }
    // The entry that runs OnSelectOther (-1: none).
    virtual int OtherEntry() const noexcept;

    void DrawItem(const DRAWITEMSTRUCT& item) noexcept override;
    void MeasureItem(MEASUREITEMSTRUCT& item) noexcept override;

protected:
    // The picture of entry index drawn into rect (nothing by default).
    virtual void DrawImage(HDC dc, const RECT& rect, int index) noexcept;

    unsigned m_state = 0;
    int m_previous = -1; // the selection before the list opened on the dialog entry
};

// The drawing's plot style names: the named plot styles of the drawing's table, ByLayer and
// ByBlock first and an "Other..." entry last that picks from the plot style dialog. In the
// colour-dependent mode only the ByColor word is listed.
class DKHOST_API CDkUiPlotStyleNamesComboBox : public CDkUiMRUComboBox
{
public:
    void SetColorDependentMode() noexcept;
    void AddItems() noexcept override;
    bool OnSelectOther() noexcept override;
    int OtherEntry() const noexcept override;

private:
    bool m_colorDependent = false;
};

// The plot style tables installed, "None" first when constructed with the first option.
// A table the drawing names that is not installed can be listed as missing.
class DKHOST_API CDkUiPlotStyleTablesComboBox : public CDkUiMRUComboBox
{
public:
    explicit CDkUiPlotStyleTablesComboBox(bool firstOption) noexcept : m_firstOption(firstOption) {}
    void AddItems() noexcept override;
    // The entry of a table that is not installed: added (and selected when select) unless
    // listed; its position, or -1.
    int AddMissingStyleTable(const wchar_t* name, bool select) noexcept;
    bool IsMissing(int index) const noexcept;

private:
    bool m_firstOption;
};

// The arrowheads with their pictures, in the host's order (the value of an arrowhead is its
// position), the user's own arrow block last (position 20).
class DKHOST_API CDkUiArrowHeadComboBox : public CDkUiMRUComboBox
{
public:
    // Entry 17 reads as the second origin indicator.
    void SetUseOrigin2(bool use) noexcept;
    void AddItems() noexcept override;

protected:
    void DrawImage(HDC dc, const RECT& rect, int index) noexcept override;

private:
    bool m_origin2 = false;
};

// The block shapes a multileader or callout can show, the user's own block last (position 6).
class DKHOST_API CDkUiPredefBlockComboBox : public CDkUiMRUComboBox
{
public:
    void AddItems() noexcept override;

protected:
    void DrawImage(HDC dc, const RECT& rect, int index) noexcept override;
};

// A list box, standing alone or as a combo box's drop-down list.
class DKHOST_API CMtUiListBox : public CMtUiWnd
{
};

// A push button drawn by DrawItem when its parent forwards WM_DRAWITEM.
class DKHOST_API CMtUiOwnerDrawButton : public CMtUiWnd
{
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept;
    virtual void DrawItem(const DRAWITEMSTRUCT& item) noexcept;
};

// The library's look: themed (the default) or classic.
DKHOST_API bool dkuiIsThemed() noexcept;
DKHOST_API void dkuiSetThemed(bool themed) noexcept;

// A modal dialog of the library, made from a template of a resource module. A dialog given a
// name comes back where the user last left a dialog of that name (the placement is kept in
// the current profile); the first time, it is centred over its parent.
class DKHOST_API CDkUiDialog
{
public:
    CDkUiDialog(UINT templateId, HWND parent, HINSTANCE resources) noexcept;
    virtual ~CDkUiDialog();
    CDkUiDialog(const CDkUiDialog&) = delete;
    CDkUiDialog& operator=(const CDkUiDialog&) = delete;

    // The name the placement is kept under (at most 63 characters); none: not kept.
    void SetDialogName(const wchar_t* name) noexcept;
    // Runs the dialog to its end: IDOK, IDCANCEL or what EndDialog was given; -1 when the
    // template gave no dialog.
    INT_PTR DoModal() noexcept;
    HWND Hwnd() const noexcept { return m_hwnd; }
    HWND GetDlgItem(int id) const noexcept { return m_hwnd ? ::GetDlgItem(m_hwnd, id) : nullptr; }

protected:
    // The controls exist; answers whether the system sets the focus (to the first control).
    virtual bool OnInitDialog() noexcept;
    // A control's notification (OK and Cancel go to OnOK and OnCancel instead).
    virtual void OnCommand(WORD id, WORD code, HWND control) noexcept;
    virtual void OnOK() noexcept;
    virtual void OnCancel() noexcept;
    void EndDialog(INT_PTR result) noexcept;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    UINT m_template;
    HWND m_parent;
    HINSTANCE m_resources;
    wchar_t m_name[64] = {};
    HWND m_hwnd = nullptr;
};

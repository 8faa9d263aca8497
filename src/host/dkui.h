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

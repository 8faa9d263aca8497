// CPropNoDefaultWnd: the pop-up under an edited row that offers the unspecified state.
#pragma once

#include "Subclass.h"
#include "Window.h"

class CDkPeCtrlBase;

class CPropNoDefaultWnd : public dkfw::WindowBase
{
public:
    // The pop-up of an editor's edit box (its row is the edit's parent).
    CPropNoDefaultWnd(dkfw::SubclassedWindow* edit, CDkPeCtrlBase* owner) noexcept;
    ~CPropNoDefaultWnd() override;

    // Places the pop-up under the edit's row with the editor's unspecified text, and shows
    // it when the edit is visible; it goes when the row, or a window holding it, moves or hides.
    void ShowUnder() noexcept;
    void HidePopup() noexcept;
    bool IsUp() const noexcept { return Hwnd() && ::IsWindowVisible(Hwnd()); }
    // Still placed where the row's placement puts it.
    bool SitsUnderRow() const noexcept;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    dkfw::Lifetime* OwnerLifetime() noexcept override;

private:
    bool Create() noexcept;
    HWND Row() const noexcept;
    RECT RowRect() const noexcept;
    void WatchRow() noexcept;
    void StopWatchingRow() noexcept;
    bool LeftItsRow(HWND changed) const noexcept;
    static LRESULT CALLBACK RowWatch(int code, WPARAM wParam, LPARAM lParam) noexcept;
    void Paint() noexcept;
    void Choose() noexcept;

public:
    RECT m_rect;                     // where the pop-up is placed
    dkfw::SubclassedWindow* m_pEdit; // the edit it belongs to (not owned)
    CDkPeCtrlBase* m_pOwner;         // the edit's editor (not owned)
    bool m_bWatching;                // in the thread's list of pop-ups watching their rows
    CPropNoDefaultWnd* m_pNextUp;    // the next pop-up of that list
};

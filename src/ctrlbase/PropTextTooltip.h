// CPropTextTooltip: the pop-up that shows a row's whole text when it does not fit the row.
#pragma once

#include "Window.h"

// A pop-up of the tip's window class (also the unspecified pop-up's), owned by owner.
bool CreateTipStyleWindow(dkfw::WindowBase& window, HWND owner) noexcept;

class CPropTextTooltip : public dkfw::WindowBase
{
public:
    // The tip's identifier: its window's user data, and wParam of the owner's draw message.
    static constexpr int kTipId = 1042;
    // The message the tip sends its owner to have the content drawn (application message + 1).
    static constexpr UINT kDrawMessage = 0x8001;

    CPropTextTooltip() noexcept;
    ~CPropTextTooltip() override;

    // hwnd is a text tip's window.
    static bool IsTipWindow(HWND hwnd) noexcept;

    // Creates the tip window, owned by owner; false when it cannot be created.
    bool Create(HWND owner) noexcept;
    bool Exists() const noexcept { return Hwnd() != nullptr; }
    void SetOwner(HWND owner) noexcept { m_hOwner = owner; }
    HWND Owner() const noexcept { return m_hOwner; }

    // Places the tip over rect (client coordinates of control), kept on the desktop. A tip not
    // shown yet shows kDelayMs later if the cursor is then inside it; it goes when the cursor
    // leaves.
    long Place(HWND control, RECT rect) noexcept;
    void Hide() noexcept;

    static constexpr UINT_PTR kTimerId = 2;
    static constexpr UINT kDelayMs = 300;
    // How often, at most, the platform looks for the cursor leaving a tip that is up.
    static constexpr UINT kLeaveCheckMs = 250;

private:
    void OnDelayOver() noexcept;
    void ShowTip() noexcept;
    void StopWatching() noexcept;
    void Paint() noexcept;
    void ForwardClick(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

public:
    RECT m_hotRect;       // client coordinates of the tip: the tip stays while the cursor is inside
    UINT_PTR m_nTimer;    // the delay before the tip shows, 0 when none
    bool m_bTracking;     // the system reports the cursor leaving the tip
    HWND m_hOwner;        // the window that draws the tip's content
    BOOL m_bShown;        // the tip is meant to be visible
    BOOL m_bPlaced;       // a position was set
    BOOL m_bPaintPending; // the owner must still draw the content
};

// A window bound to a C++ object: the object is attached at WM_NCCREATE and detached at
// WM_NCDESTROY; messages reach its ProcessWindowMessage.
#pragma once

#include "Lifetime.h"

#include <windows.h>

namespace dkfw
{
class WindowBase
{
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    virtual ~WindowBase();

    HWND Hwnd() const noexcept { return m_hwnd; }

    // Creates the window of a class registered for the module (registered once, on first use).
    HWND CreateWindowOf(const wchar_t* className, UINT classStyle, DWORD exStyle, DWORD style, const RECT& rect,
                        HWND parent, HINSTANCE instance, HBRUSH background = nullptr,
                        const wchar_t* cursor = IDC_ARROW) noexcept;
    void DestroyWindowNow() noexcept;

protected:
    // Return true with result set when the message is handled; otherwise it goes to
    // DefWindowProc.
    virtual bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // After WM_NCDESTROY, with the window gone.
    virtual void OnFinalMessage() noexcept {}
    // The object whose life each message of the window runs in (the window's own object
    // goes with it); null when the window's object lives on its own.
    virtual Lifetime* OwnerLifetime() noexcept { return nullptr; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    HWND m_hwnd = nullptr;
};
} // namespace dkfw

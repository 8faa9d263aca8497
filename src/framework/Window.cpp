// The window procedure shared by every framework window.
#include "Window.h"

#include "ComModule.h"

namespace dkfw
{
WindowBase::~WindowBase()
{
    // The derived object is gone by now: the window's last messages go to DefWindowProc.
    if (m_hwnd && ::IsWindow(m_hwnd))
    {
        HWND hwnd = m_hwnd;
        ::SetWindowLongPtrW(hwnd, 0, 0);
        m_hwnd = nullptr;
        NoteWindowDestroyed();
        ::DestroyWindow(hwnd);
    }
}

HWND WindowBase::CreateWindowOf(const wchar_t* className, UINT classStyle, DWORD exStyle, DWORD style, const RECT& rect,
                                HWND parent, HINSTANCE instance, HBRUSH background, const wchar_t* cursor) noexcept
{
    WNDCLASSEXW probe{sizeof(probe)};
    if (!::GetClassInfoExW(instance, className, &probe))
    {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.style = classStyle;
        wc.lpfnWndProc = &WindowBase::WindowProc;
        wc.cbWndExtra = sizeof(LONG_PTR); // the bound object; GWLP_USERDATA stays the window's own
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, cursor);
        wc.hbrBackground = background;
        wc.lpszClassName = className;
        if (!RegisterModuleWindowClass(wc))
            return nullptr;
    }
    return ::CreateWindowExW(exStyle, className, L"", style, rect.left, rect.top, rect.right - rect.left,
                             rect.bottom - rect.top, parent, nullptr, instance, this);
}

void WindowBase::DestroyWindowNow() noexcept
{
    if (m_hwnd && ::IsWindow(m_hwnd))
        ::DestroyWindow(m_hwnd);
}

LRESULT CALLBACK WindowBase::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* self = reinterpret_cast<WindowBase*>(::GetWindowLongPtrW(hwnd, 0));
    if (msg == WM_NCCREATE)
    {
        self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        ::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
        NoteWindowCreated();
    }
    if (!self)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    // The message runs in its owner's life: nothing it does frees the object under it.
    const CallScope call(self->OwnerLifetime());
    return self->Dispatch(hwnd, msg, wParam, lParam);
}

LRESULT WindowBase::Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    LRESULT result = 0;
    bool handled = false;
    // No exception leaves for the system: a handler that throws leaves the message unhandled.
    try
    {
        handled = ProcessWindowMessage(msg, wParam, lParam, result);
    }
    catch (...)
    {
        handled = false;
    }
    if (msg == WM_NCDESTROY)
    {
        ::SetWindowLongPtrW(hwnd, 0, 0);
        m_hwnd = nullptr;
        NoteWindowDestroyed();
        const LRESULT r = handled ? result : ::DefWindowProcW(hwnd, msg, wParam, lParam);
        OnFinalMessage();
        return r;
    }
    return handled ? result : ::DefWindowProcW(hwnd, msg, wParam, lParam);
}
} // namespace dkfw

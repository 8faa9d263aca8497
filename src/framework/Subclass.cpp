// Subclassed standard controls.
#include "Subclass.h"

#include "ComModule.h"

namespace dkfw
{
namespace
{
constexpr UINT_PTR kSubclassId = 0x444B; // one subclass of ours per control
} // namespace

SubclassedWindow::~SubclassedWindow()
{
    DestroyNow();
}

bool SubclassedWindow::Attach(HWND hwnd) noexcept
{
    if (!hwnd || m_hwnd ||
        !::SetWindowSubclass(hwnd, &SubclassedWindow::Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_hwnd = hwnd;
    NoteWindowCreated();
    return true;
}

void SubclassedWindow::DestroyNow() noexcept
{
    if (HWND hwnd = m_hwnd)
    {
        // The object is going: the control's last messages go to its own procedure.
        ::RemoveWindowSubclass(hwnd, &SubclassedWindow::Proc, kSubclassId);
        m_hwnd = nullptr;
        NoteWindowDestroyed();
        ::DestroyWindow(hwnd);
    }
}

LRESULT SubclassedWindow::CallDefault(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::DefSubclassProc(m_hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data) noexcept
{
    auto* self = reinterpret_cast<SubclassedWindow*>(data);
    if (msg == WM_NCDESTROY)
    {
        ::RemoveWindowSubclass(hwnd, &SubclassedWindow::Proc, kSubclassId);
        if (self && self->m_hwnd == hwnd)
        {
            self->m_hwnd = nullptr;
            NoteWindowDestroyed();
        }
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    // The message, the control's own procedure included, runs in the owner's life.
    const CallScope call(self ? self->OwnerLifetime() : nullptr);
    LRESULT result = 0;
    // No exception leaves for the system: a handler that throws leaves the message to the control.
    try
    {
        if (self && self->OnSubclassMessage(msg, wParam, lParam, result))
            return result;
    }
    catch (...)
    {
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}
} // namespace dkfw

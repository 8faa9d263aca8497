// Subclassed standard controls.
#include "Subclass.h"

#include "ComModule.h"
#include "WindowSubclass.h"

namespace dkfw
{
namespace
{
using Subclasses = WindowSubclass<SubclassedWindow>;
} // namespace

SubclassedWindow::~SubclassedWindow()
{
    DestroyNow();
}

bool SubclassedWindow::Attach(HWND hwnd) noexcept
{
    if (m_hwnd || !Subclasses::Install(hwnd, this, &SubclassedWindow::Proc, m_original))
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
        Subclasses::Uninstall(hwnd, &SubclassedWindow::Proc);
        m_hwnd = nullptr;
        NoteWindowDestroyed();
        ::DestroyWindow(hwnd);
    }
}

LRESULT SubclassedWindow::CallDefault(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::CallWindowProcW(m_original, m_hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    Subclasses::Entry entry{};
    if (!Subclasses::Find(hwnd, entry))
        return Subclasses::ClassDefault(hwnd, msg, wParam, lParam);
    SubclassedWindow* self = entry.self;
    if (msg == WM_NCDESTROY)
    {
        Subclasses::Gone(hwnd, &SubclassedWindow::Proc, entry);
        if (self && self->m_hwnd == hwnd)
        {
            self->m_hwnd = nullptr;
            NoteWindowDestroyed();
        }
        return ::CallWindowProcW(entry.original, hwnd, msg, wParam, lParam);
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
    return ::CallWindowProcW(entry.original, hwnd, msg, wParam, lParam);
}
} // namespace dkfw

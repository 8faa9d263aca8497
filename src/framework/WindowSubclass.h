// Windows subclassed by replacing their procedure, each window's object found from its
// handle in a table of the module. (A window property, the other way, is looked up by the
// system outside the process on some platforms, once per message and subclass.)
#pragma once

#include <windows.h>

#include <new>
#include <unordered_map>

namespace dkfw
{
template <class Object> class WindowSubclass
{
public:
    // What a message of the window runs with: its object (null once the object has let the
    // window go while a later subclass still stands on ours) and the procedure before ours.
    struct Entry
    {
        Object* self;
        WNDPROC original;
    };

    // Puts proc before the window's procedure for self; false when the window is another
    // thread's, has an object of ours already or cannot be subclassed. original: the
    // procedure before. A window whose earlier object let it go while a later subclass
    // stood on ours is taken over where ours still stands in its chain. (A subclass of the
    // common controls must come after ours: taking itself off, it puts back what it found.)
    static bool Install(HWND hwnd, Object* self, WNDPROC proc, WNDPROC& original) noexcept
    {
        if (!hwnd || ::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId())
            return false;
        if (Table().Adopt(hwnd, self, original))
            return true;
        original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
        if (!original || !Table().Add(hwnd, Entry{self, original}))
            return false;
        if (::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)))
            return true;
        Table().Remove(hwnd);
        return false;
    }

    // The window's messages go to its own procedure again. Where a later subclass stands
    // on ours, ours stays in the chain and passes every message on until the window goes.
    static void Uninstall(HWND hwnd, WNDPROC proc) noexcept
    {
        Entry entry{};
        if (!Table().Find(hwnd, entry))
            return;
        if (Unhook(hwnd, proc, entry.original))
            Table().Remove(hwnd);
        else
            Table().Orphan(hwnd);
    }

    static bool Find(HWND hwnd, Entry& entry) noexcept { return Table().Find(hwnd, entry); }

    // For a message of a window no longer in the table (a frame further out still calling
    // our procedure after it came off): the window class's own procedure.
    static LRESULT ClassDefault(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
    {
        const auto proc = reinterpret_cast<WNDPROC>(::GetClassLongPtrW(hwnd, GCLP_WNDPROC));
        return proc ? ::CallWindowProcW(proc, hwnd, msg, wParam, lParam) : ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    // The window's last message (WM_NCDESTROY) has come: the entry goes.
    static void Gone(HWND hwnd, WNDPROC proc, const Entry& entry) noexcept
    {
        Unhook(hwnd, proc, entry.original);
        Table().Remove(hwnd);
    }

private:
    // A window's messages all arrive on the thread that made it; the lock only keeps the
    // table whole across threads.
    class Hooks
    {
    public:
        bool Add(HWND hwnd, const Entry& entry) noexcept
        {
            const Guard guard(m_lock);
            try
            {
                return m_entries.emplace(hwnd, entry).second;
            }
            catch (const std::bad_alloc&)
            {
                return false;
            }
        }
        bool Adopt(HWND hwnd, Object* self, WNDPROC& original) noexcept
        {
            const Guard guard(m_lock);
            const auto it = m_entries.find(hwnd);
            if (it == m_entries.end() || it->second.self)
                return false;
            it->second.self = self;
            original = it->second.original;
            return true;
        }
        bool Find(HWND hwnd, Entry& entry) noexcept
        {
            const SharedGuard guard(m_lock);
            const auto it = m_entries.find(hwnd);
            if (it == m_entries.end())
                return false;
            entry = it->second;
            return true;
        }
        void Orphan(HWND hwnd) noexcept
        {
            const Guard guard(m_lock);
            if (const auto it = m_entries.find(hwnd); it != m_entries.end())
                it->second.self = nullptr;
        }
        void Remove(HWND hwnd) noexcept
        {
            const Guard guard(m_lock);
            m_entries.erase(hwnd);
        }

    private:
        struct Guard
        {
            explicit Guard(SRWLOCK& lock) noexcept : m_lock(lock) { ::AcquireSRWLockExclusive(&m_lock); }
            ~Guard() { ::ReleaseSRWLockExclusive(&m_lock); }
            SRWLOCK& m_lock;
        };
        struct SharedGuard
        {
            explicit SharedGuard(SRWLOCK& lock) noexcept : m_lock(lock) { ::AcquireSRWLockShared(&m_lock); }
            ~SharedGuard() { ::ReleaseSRWLockShared(&m_lock); }
            SRWLOCK& m_lock;
        };
        SRWLOCK m_lock = SRWLOCK_INIT;
        std::unordered_map<HWND, Entry> m_entries;
    };

    // Never destroyed: a window's last messages may come after the module's statics go.
    static Hooks& Table() noexcept
    {
        static Hooks& hooks = *new Hooks;
        return hooks;
    }

    // Our procedure comes off only while it is the window's first.
    static bool Unhook(HWND hwnd, WNDPROC proc, WNDPROC original) noexcept
    {
        if (::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(proc))
            return false;
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        return true;
    }
};
} // namespace dkfw

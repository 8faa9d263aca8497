// The library's modal dialog: made from a template of a resource module, centred over its
// parent the first time, and back where the user left it after that (kept per profile).
#include "dked.h"
#include "dkui.h"

#include "Journal.h"
#include "Profiles.h"

#include "Unique.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>
#include <utility>

namespace
{
std::wstring PlacementKey(const wchar_t* name)
{
    const std::wstring profile = dkhost::CurrentProfileKey();
    return profile.empty() ? profile : profile + L"\\Dialogs\\" + name;
}

bool ReadCorner(const std::wstring& key, const wchar_t* value, LONG& out)
{
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS)
        return false;
    out = static_cast<LONG>(data);
    return true;
}

// Where a dialog of that name was left, while that still shows it on a monitor.
bool Remembered(HWND dialog, const wchar_t* name, POINT& at)
{
    const std::wstring key = PlacementKey(name);
    RECT r{};
    if (key.empty() || !ReadCorner(key, L"Left", at.x) || !ReadCorner(key, L"Top", at.y) ||
        !::GetWindowRect(dialog, &r))
        return false;
    const RECT there{at.x, at.y, at.x + (r.right - r.left), at.y + (r.bottom - r.top)};
    return ::MonitorFromRect(&there, MONITOR_DEFAULTTONULL) != nullptr;
}

void Remember(HWND dialog, const wchar_t* name)
{
    const std::wstring key = PlacementKey(name);
    RECT r{};
    if (key.empty() || ::IsIconic(dialog) || !::GetWindowRect(dialog, &r))
        return;
    dkfw::UniqueHkey k;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.Put(), nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const auto& [value, corner] : {std::pair{L"Left", r.left}, std::pair{L"Top", r.top}})
    {
        const DWORD data = static_cast<DWORD>(corner);
        ::RegSetValueExW(k.Get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    }
}

// Centred over the parent's window (the work area without one), kept inside the work area.
void Centre(HWND dialog, HWND parent)
{
    HWND over = parent ? ::GetAncestor(parent, GA_ROOT) : nullptr;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    RECT d{};
    RECT around{};
    if (!::GetMonitorInfoW(::MonitorFromWindow(over ? over : dialog, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !::GetWindowRect(dialog, &d))
        return;
    if (!over || !::GetWindowRect(over, &around))
        around = monitor.rcWork;
    const RECT& work = monitor.rcWork;
    const LONG width = d.right - d.left;
    const LONG height = d.bottom - d.top;
    const LONG x =
        std::max(work.left, std::min(around.left + (around.right - around.left - width) / 2, work.right - width));
    const LONG y =
        std::max(work.top, std::min(around.top + (around.bottom - around.top - height) / 2, work.bottom - height));
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
} // namespace

CDkUiDialog::CDkUiDialog(UINT templateId, HWND parent, HINSTANCE resources) noexcept
    : m_template(templateId), m_parent(parent), m_resources(resources)
{
}

CDkUiDialog::~CDkUiDialog() = default;

void CDkUiDialog::SetDialogName(const wchar_t* name) noexcept
{
    const size_t length = name ? std::min(std::wcslen(name), std::size(m_name) - 1) : 0;
    std::wmemcpy(m_name, name ? name : L"", length);
    m_name[length] = L'\0';
}

INT_PTR CDkUiDialog::DoModal() noexcept
{
    HWND owner = m_parent ? m_parent : dkedGetMainWindow();
    return ::DialogBoxParamW(m_resources, MAKEINTRESOURCEW(m_template), owner, &CDkUiDialog::Proc,
                             reinterpret_cast<LPARAM>(this));
}

bool CDkUiDialog::OnInitDialog() noexcept
{
    return true;
}

void CDkUiDialog::OnCommand(WORD, WORD, HWND) noexcept {}

void CDkUiDialog::OnOK() noexcept
{
    EndDialog(IDOK);
}

void CDkUiDialog::OnCancel() noexcept
{
    EndDialog(IDCANCEL);
}

void CDkUiDialog::EndDialog(INT_PTR result) noexcept
{
    if (m_hwnd)
        ::EndDialog(m_hwnd, result);
}

INT_PTR CALLBACK CDkUiDialog::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
try
{
    auto* self = reinterpret_cast<CDkUiDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (msg == WM_INITDIALOG)
    {
        self = reinterpret_cast<CDkUiDialog*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
        POINT at{};
        if (self->m_name[0] && Remembered(hwnd, self->m_name, at))
            ::SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        else
            Centre(hwnd, self->m_parent ? self->m_parent : dkedGetMainWindow());
        if (self->m_name[0])
            dkhost::JournalAdd(L"dialog " + std::wstring(self->m_name) + L" shown");
        return self->OnInitDialog() ? TRUE : FALSE;
    }
    if (!self)
        return FALSE;
    switch (msg)
    {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            self->OnOK();
        else if (LOWORD(wParam) == IDCANCEL)
            self->OnCancel();
        else
            self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    // However the dialog ends, it is still where the user left it as it goes.
    case WM_DESTROY:
        if (self->m_name[0])
            Remember(hwnd, self->m_name);
        return FALSE;
    case WM_NCDESTROY:
        self->m_hwnd = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}
catch (...)
{
    return FALSE;
}

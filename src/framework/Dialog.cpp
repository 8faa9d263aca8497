// Modal dialogs from resource templates.
#include "Dialog.h"

namespace dkfw
{
ModalDialog::~ModalDialog() = default;

INT_PTR ModalDialog::Run(HINSTANCE module, UINT templateId, HWND owner) noexcept
{
    const INT_PTR result = ::DialogBoxParamW(module, MAKEINTRESOURCEW(templateId), owner, &ModalDialog::Procedure,
                                             reinterpret_cast<LPARAM>(this));
    m_hwnd = nullptr;
    return result;
}

void ModalDialog::End(INT_PTR result) noexcept
{
    if (m_hwnd)
        ::EndDialog(m_hwnd, result);
}

INT_PTR CALLBACK ModalDialog::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (msg == WM_INITDIALOG)
    {
        self = reinterpret_cast<ModalDialog*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
    }
    if (!self)
        return FALSE;
    try
    {
        switch (msg)
        {
        case WM_INITDIALOG:
            return self->OnInitDialog() ? TRUE : FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED)
                self->OnOK();
            else if (LOWORD(wParam) == IDCANCEL)
                self->OnCancel();
            else
                self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        default:
            return FALSE;
        }
    }
    catch (...)
    {
        // A handler that fails (out of memory, most likely) ends the dialog as cancelled.
        ::EndDialog(hwnd, IDCANCEL);
        return TRUE;
    }
}
} // namespace dkfw

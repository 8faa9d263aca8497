// A modal dialog made from a template of a resource module, its messages handled by a C++
// object that outlives it.
#pragma once

#include <windows.h>

namespace dkfw
{
class ModalDialog
{
public:
    ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;
    virtual ~ModalDialog();

    // Runs the dialog to its end: IDOK, IDCANCEL or what End was given; -1 when the
    // template could not be made into a dialog.
    INT_PTR Run(HINSTANCE module, UINT templateId, HWND owner) noexcept;
    HWND Hwnd() const noexcept { return m_hwnd; }
    HWND Item(int id) const noexcept { return m_hwnd ? ::GetDlgItem(m_hwnd, id) : nullptr; }

protected:
    // The controls exist; answers whether the system sets the focus (to the first control).
    virtual bool OnInitDialog() { return true; }
    // A control's notification (OK and Cancel go to OnOK and OnCancel instead).
    virtual void OnCommand(WORD, WORD, HWND) {}
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    void End(INT_PTR result) noexcept;

private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    HWND m_hwnd = nullptr;
};
} // namespace dkfw

// A standard control subclassed by a C++ object: messages reach OnSubclassMessage first,
// the control's own procedure after. The subclass is removed with the object.
#pragma once

#include "Lifetime.h"

#include <windows.h>

namespace dkfw
{
class SubclassedWindow
{
public:
    SubclassedWindow() = default;
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;
    virtual ~SubclassedWindow();

    // Takes over hwnd (and destroys it with this object).
    bool Attach(HWND hwnd) noexcept;
    HWND Hwnd() const noexcept { return m_hwnd; }
    void DestroyNow() noexcept;

protected:
    // True with result set when handled; otherwise the control's own procedure runs.
    virtual bool OnSubclassMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    LRESULT CallDefault(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    // The object whose life each message of the control runs in, the control's own
    // procedure included; null when this object lives on its own.
    virtual Lifetime* OwnerLifetime() noexcept { return nullptr; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    HWND m_hwnd = nullptr;
    WNDPROC m_original = nullptr; // the control's own procedure
};
} // namespace dkfw

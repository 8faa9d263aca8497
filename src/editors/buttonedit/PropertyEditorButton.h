// CPropertyEditorButton: one small square button of a button-edit editor, drawn by its
// owner (a picture, or an ellipsis when it has none), with a tooltip.
#pragma once

#include "dkui.h"

#include "ComPtr.h"
#include "Unique.h"

#include <ocidl.h>
#include <olectl.h>

#include <string>

class CDkPeCtrlBase;

class CPropertyEditorButton : public CMtUiOwnerDrawButton
{
public:
    static constexpr DWORD kStyle = 0x4003800B; // WS_CHILD | WS_GROUP | WS_TABSTOP | BS_FLAT | BS_OWNERDRAW

    CPropertyEditorButton(IPicture* picture, IPicture* disabled) noexcept;
    ~CPropertyEditorButton() override;

    bool Create(HWND parent, const RECT& rect, UINT id) noexcept;
    // The window goes now (the object stays).
    void DestroyNow() noexcept { DestroyWindow(); }
    void SetOwner(CDkPeCtrlBase* owner) noexcept { m_owner = owner; }
    void SetColors(OLE_COLOR background, OLE_COLOR frame) noexcept;
    void SetSize(int width, int height) noexcept;
    void SetPictures(IPicture* picture, IPicture* disabled) noexcept;
    void SetTooltip(const std::wstring& text) noexcept;
    void Enable(bool enabled) noexcept;
    void DrawItem(const DRAWITEMSTRUCT& item) noexcept override;

protected:
    // Every message, the button's own procedure included, runs in the control's life.
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
    void OnAttached() noexcept override;
    void OnWindowGone() noexcept override;

private:
    void DrawEllipsis(HDC dc, const RECT& r, bool focused) noexcept;
    void DrawFace(HDC dc, int width, int height, bool pressed, bool focused) noexcept;
    void Measure() noexcept;

    COLORREF m_background;
    COLORREF m_frame;
    dkfw::ComPtr<IPicture> m_picture;
    dkfw::ComPtr<IPicture> m_disabled;
    CDkPeCtrlBase* m_owner = nullptr;
    dkfw::UniqueHwnd m_tooltip;
    SIZE m_pictureSize{};
    SIZE m_disabledSize{};
    POINT m_pictureOffset{};
    POINT m_disabledOffset{};
    int m_width = 15;
    int m_height = 15;
    int m_focusInset = 2;
    bool m_enabled = true;
};

// CEditEx: the edit box of the edit editors, over the standard edit control; CPWEdit: its
// password form.
#pragma once

#include "PropNoDefaultWnd.h"
#include "PropTextTooltip.h"

#include "Subclass.h"

#include <memory>
#include <string>

class CDkPeCtrlBase;

class CEditEx : public dkfw::SubclassedWindow
{
public:
    static constexpr UINT kId = 1038;
    static constexpr DWORD kStyle = 0x40010084;         // WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL | ES_MULTILINE
    static constexpr DWORD kReadOnlyStyle = 0x40010884; // the same with ES_READONLY
    // The longest text a row takes: what a property's text holds. Typing and pasting stop
    // there (and the user is told); a longer text put in by other means is refused whole.
    static constexpr size_t kMaxTextLength = 65535;

    explicit CEditEx(CDkPeCtrlBase* owner) noexcept;
    ~CEditEx() override;

    // Creates the edit window over rect, a child of parent.
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept;
    // The edit's window goes now (a password edit's buffer overwritten first).
    virtual void DestroyEdit() noexcept { DestroyNow(); }
    std::wstring Text() const;
    void SetText(const std::wstring& text) noexcept;
    bool IsReadOnly() const noexcept;
    // Caret hidden; all selected (nothing when read-only); caret in view; no typing seen yet.
    void ResetSelection() noexcept;
    void SetTabNavigation(HWND next) noexcept;
    // Shows or hides the unspecified pop-up as m_bUnspecifiedHint says.
    void UpdateUnspecifiedHint() noexcept;
    void HideUnspecifiedPopup() noexcept;
    CDkPeCtrlBase* Owner() const noexcept { return m_pOwner; }
    CPropNoDefaultWnd* Popup() const noexcept { return m_pNoDefaultWnd.get(); }
    void SetFont(HFONT font) noexcept { m_font = font; }
    // Enter is being handled: the commit it runs is the only one.
    bool Committing() const noexcept { return m_bCommitting != FALSE; }
    // Where the text goes, with no margins of the edit's own: the edit's text then starts
    // where the inactive row draws it (a font change puts the font's margins back).
    void SetFormatRect(const RECT& rect) noexcept;

    BOOL m_bKeepFocus = FALSE;
    bool m_bUnspecifiedHint = false;

protected:
    bool OnSubclassMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    dkfw::Lifetime* OwnerLifetime() noexcept override;
    virtual bool OnKeyDown(WPARAM key, LPARAM lParam) noexcept;
    virtual void ShowEditTip() noexcept;
    void DrawEditTip(HWND tip) noexcept;
    // What a tip of the edit shows: its text (a password edit's masks).
    virtual std::wstring TipText() const;
    LPARAM ToControl(LPARAM clientPoint) const noexcept;

    CDkPeCtrlBase* m_pOwner;
    HWND m_pNextFocus = nullptr;
    BOOL m_bCommitting = FALSE;
    std::unique_ptr<CPropNoDefaultWnd> m_pNoDefaultWnd;
    RECT m_noDefaultRect{};
    CPropTextTooltip m_textTip;
    RECT m_tipRect{};
    BOOL m_bTabNavigation = FALSE;
    HFONT m_font = nullptr; // the control font (the editor's IFont owns it)
    // Text() is reading: the password edit then hands over its real text.
    mutable bool m_bOwnRead = false;
};

class CPWEdit : public CEditEx
{
public:
    static constexpr UINT kId = 1049;
    static constexpr DWORD kStyle = 0x400100A0; // WS_CHILD | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL

    using CEditEx::CEditEx;

    // The mask the edit shows for text.
    std::wstring Masked(const std::wstring& text) const;

protected:
    bool OnSubclassMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // A password is never shown in a tip of the edit's own, not even masked; the row's tip
    // shows masks.
    void ShowEditTip() noexcept override {}
    std::wstring TipText() const override;

public:
    // The control's own buffer is overwritten before the window goes.
    ~CPWEdit() override;
    void DestroyEdit() noexcept override;

private:
    void WipeBuffer() noexcept;

private:
    BOOL m_bActivated = FALSE; // the first click after gaining the focus was reported
};

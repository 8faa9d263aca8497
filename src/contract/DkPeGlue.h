// What every glue template shares: interface lists, the contract's command flags, the
// reflected control messages and the ambient properties a control reads.
#pragma once

#include <windows.h>

#include <olectl.h>

namespace dkpex
{
// A list of configuration interfaces: a glue's (its family's) or a class's own.
template <class... I> struct Interfaces
{
};

// Flags of the fourth appended operation.
constexpr int kCommandLaunchDialog = 0x8;
constexpr int kCommandButtonAction = 0x10;

// Reflected control messages the control window answers with the default procedure of the
// original message.
inline bool IsReflectedControlMessage(UINT msg) noexcept
{
    switch (msg)
    {
    case OCM_DRAWITEM:
    case OCM_MEASUREITEM:
    case OCM_DELETEITEM:
    case OCM_VKEYTOITEM:
    case OCM_CHARTOITEM:
    case OCM_COMPAREITEM:
    case OCM_NOTIFY:
    case OCM_COMMAND:
    case OCM_HSCROLL:
    case OCM_VSCROLL:
    case OCM_CTLCOLORMSGBOX:
    case OCM_CTLCOLOREDIT:
    case OCM_CTLCOLORLISTBOX:
    case OCM_CTLCOLORBTN:
    case OCM_CTLCOLORDLG:
    case OCM_CTLCOLORSCROLLBAR:
    case OCM_CTLCOLORSTATIC:
    case OCM_PARENTNOTIFY:
        return true;
    default:
        return false;
    }
}

// The 16-bit control-colour message the control window still answers.
constexpr UINT kWmCtlColor = 0x0019;

// The ambient properties a control takes from its site.
constexpr DISPID kAmbientReadOnlyBackColor = -2000;
constexpr DISPID kAmbientReadOnlyForeColor = -2001;
} // namespace dkpex

// CDkPeComboTempl<T, Base>: the glue of the drop-down editors.
#pragma once

#include "DkPeBaseTempl.h"
#include "DkPeComboBase.h"
#include "DkPePictureGlue.h"

// The combo glue: the drop-down's notifications and owner drawing go to the family, and
// IDkPeButtonPicture to its picture operations; a family's own glue comes as Extra. A
// cancelled close is posted, so that a confirmation the combo sends in the same close
// sequence wins.
template <class T, class Base, class... Extra>
class CDkPeComboTempl : public CDkPeBaseTempl<T, Base, CDkPePictureGlue<T, IDkPeButtonPicture>, Extra...>
{
    static_assert(std::is_base_of_v<CDkPeComboBase, Base>, "the drop-down glue serves the drop-down family");

public:
protected:
    using CDkPeBaseTempl<T, Base, CDkPePictureGlue<T, IDkPeButtonPicture>, Extra...>::CDkPeBaseTempl;

    HRESULT QueryGlueInterfaces(REFIID riid, void** ppv) noexcept override
    {
        return this->QueryFamily(riid, ppv, dkpex::Interfaces<IDkPeButtonPicture>{});
    }

    bool RouteFamilyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override
    try
    {
        if (!this->Editor())
            return false;
        T* t = static_cast<T*>(this);
        BOOL handled = TRUE;
        switch (msg)
        {
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            result = reinterpret_cast<LRESULT>(t->Handle_OnCtlColor(msg, wParam, lParam, handled));
            return handled;
        case WM_DRAWITEM:
            result = t->OnDrawItem(msg, static_cast<UINT>(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam), handled);
            return handled;
        case WM_MEASUREITEM:
            result =
                t->OnMeasureItem(msg, static_cast<UINT>(wParam), reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), handled);
            return handled;
        case WM_DELETEITEM:
            result =
                t->OnDeleteItem(msg, static_cast<UINT>(wParam), reinterpret_cast<DELETEITEMSTRUCT*>(lParam), handled);
            return handled;
        case WM_COMMAND:
            if (LOWORD(wParam) == kDropDown && HIWORD(wParam) == CBN_SELENDCANCEL)
            {
                // An ending that comes before the posted cancel takes it as a cancel only
                // when an open list closed (the list is still open while it tells): a closed
                // list cancels whenever it loses the focus.
                t->SetCancelPending(t->Combo() && t->Combo()->IsDropped());
                m_cancelPosted = true;
                ::PostMessageW(this->GetControlWindow(), kPostedCancel, 0, 0);
            }
            else if (LOWORD(wParam) == kDropDown && HIWORD(wParam) == CBN_SELENDOK)
            {
                m_cancelPosted = false;
                t->SetCancelPending(false);
                t->OnSelEndOk();
            }
            else if (LOWORD(wParam) == kDropDown && HIWORD(wParam) == CBN_DROPDOWN)
                t->OnDropDown();
            else if (LOWORD(wParam) == kDialogButton && HIWORD(wParam) == BN_CLICKED)
                t->OnButtonClicked(HIWORD(wParam));
            else
                return false;
            result = 0;
            return true;
        case kPostedCancel:
            if (m_cancelPosted)
            {
                m_cancelPosted = false;
                t->SetCancelPending(false);
                t->OnSelEndCancel();
            }
            result = 0;
            return true;
        default:
            return false;
        }
    }
    catch (...)
    {
        return false;
    }

private:
    // The drop-down and the dialog button, child windows of the control.
    static constexpr UINT kDropDown = CDkPeComboBase::kComboId;
    static constexpr UINT kDialogButton = CDkPeComboBase::kDialogButtonId;
    static constexpr UINT kPostedCancel = WM_USER + 1;

    bool m_cancelPosted = false;
};

// CDkPeEditTempl<T, Base>: the glue of the edit-box editors.
#pragma once

#include "DkPeBaseTempl.h"
#include "DkPeEditBase.h"

// The kinds of glue: the same base, with the routes each family puts in front. The edit
// glue colours the family's edit box.
template <class T, class Base, class... GlueBases> class CDkPeEditTempl : public CDkPeBaseTempl<T, Base, GlueBases...>
{
    static_assert(std::is_base_of_v<CDkPeEditBase, Base>, "the edit glue serves the edit-box family");

protected:
    using CDkPeBaseTempl<T, Base, GlueBases...>::CDkPeBaseTempl;

    bool RouteFamilyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override
    try
    {
        CDkPeCtrlBase* editor = this->Editor();
        if (!editor)
            return false;
        if (msg == WM_COMMAND && HIWORD(wParam) == EN_MAXTEXT && LOWORD(wParam) == CEditEx::kId)
        {
            static_cast<CDkPeEditBase*>(editor)->OnTextLimit();
            result = 0;
            return true;
        }
        if (msg != WM_CTLCOLOREDIT && msg != WM_CTLCOLORSTATIC)
            return false;
        BOOL handled = TRUE;
        result = reinterpret_cast<LRESULT>(editor->Handle_OnCtlColor(msg, wParam, lParam, handled));
        return handled;
    }
    catch (...)
    {
        return false;
    }
};

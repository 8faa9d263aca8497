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
        if (msg != WM_CTLCOLOREDIT && msg != WM_CTLCOLORSTATIC)
            return false;
        CDkPeCtrlBase* editor = this->Editor();
        if (!editor)
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

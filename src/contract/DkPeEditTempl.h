// CDkPeEditTempl<T, Base>: the glue of the edit-box editors.
#pragma once

#include "DkPeBaseTempl.h"
#include "DkPeEditBase.h"
#include "DkPeFamilyRoutes.h"

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
        return editor && dkpex::RouteEditMessage(*static_cast<CDkPeEditBase*>(editor), msg, wParam, lParam, result);
    }
    catch (...)
    {
        return false;
    }
};

// CDkPeComboTempl<T, Base>: the glue of the drop-down editors.
#pragma once

#include "DkPeBaseTempl.h"
#include "DkPeComboBase.h"
#include "DkPeFamilyRoutes.h"
#include "DkPePictureGlue.h"

// The combo glue: the drop-down's notifications and owner drawing go to the family, and
// IDkPeButtonPicture to its picture operations; a family's own glue comes as Extra.
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
        return this->Editor() &&
               m_route.Route(*static_cast<T*>(this), this->GetControlWindow(), msg, wParam, lParam, result);
    }
    catch (...)
    {
        return false;
    }

private:
    dkpex::CComboRoute m_route;
};

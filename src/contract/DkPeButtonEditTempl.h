// CDkPeButtonEditTempl<T, Base>: the glue of the button-edit editors.
#pragma once

#include "DkPeButtonEditBase.h"
#include "DkPeEditTempl.h"
#include "DkPePictureGlue.h"

// The button-edit glue: the edit glue plus IDkPeButtonEditCtrl, forwarded to the family's
// picture operations, IDkPeCalculatorCtrl for the classes that list it, and the family's
// button action for the fourth appended operation.
template <class T, class Base>
class CDkPeButtonEditTempl
    : public CDkPeEditTempl<T, Base, CDkPePictureGlue<T, IDkPeButtonEditCtrl>, IDkPeCalculatorCtrl>
{
    using Glue = CDkPeEditTempl<T, Base, CDkPePictureGlue<T, IDkPeButtonEditCtrl>, IDkPeCalculatorCtrl>;

    static_assert(std::is_base_of_v<CDkPeButtonEditBase, Base>, "the button-edit glue serves the button-edit family");

public:
    using CDkPePictureGlue<T, IDkPeButtonEditCtrl>::Call;

    // mode is a VARIANT_BOOL.
    STDMETHODIMP SetCalculatorMode(BOOL mode) noexcept override
    {
        return Call([&](T* t) { return t->ApplyCalculatorMode(static_cast<VARIANT_BOOL>(mode)); });
    }

protected:
    using Glue::Glue;

    HRESULT QueryGlueInterfaces(REFIID riid, void** ppv) noexcept override
    {
        if (SUCCEEDED(this->QueryFamily(riid, ppv, dkpex::Interfaces<IDkPeButtonEditCtrl>{})))
            return S_OK;
        return Glue::QueryGlueInterfaces(riid, ppv);
    }

    HRESULT ButtonAction() noexcept override
    {
        return Call([](T* t) { return t->RunButtonAction(); });
    }

    // Button clicks, the edit box losing the focus and the buttons' painting go to the
    // family, in front of the edit colours.
    bool RouteFamilyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override
    {
        if (this->Editor())
        {
            try
            {
                if (dkpex::RouteButtonMessage(*static_cast<T*>(this), msg, wParam, lParam, result))
                    return true;
            }
            catch (...)
            {
            }
        }
        return Glue::RouteFamilyMessage(msg, wParam, lParam, result);
    }
};

// CDkPeColorGlue<T>: IDkPeColorCtrl of the colour pickers, forwarded to the family's
// operations.
#pragma once

#include "DkPeColorCombo.h"
#include "DkPeComboTempl.h"

#include "DkPEXCtl.h"
#include "HResult.h"

template <class T> class CDkPeColorGlue : public IDkPeColorCtrl
{
public:
    STDMETHODIMP SetNoMetaColor(BOOL noMetaColors) noexcept override
    {
        return Call([&](CDkPeColorCombo* c) { return c->SetNoMetaColor(noMetaColors); });
    }
    STDMETHODIMP SetAllowNoneColor(BOOL allowNone) noexcept override
    {
        return Call([&](CDkPeColorCombo* c) { return c->SetAllowNoneColor(allowNone); });
    }
    STDMETHODIMP SetFixedForeground(BOOL fixedForeground) noexcept override
    {
        return Call([&](CDkPeColorCombo* c) { return c->SetFixedForeground(fixedForeground); });
    }

private:
    // f with the family part (whose operations share the interface's names), or E_FAIL
    // once the editor is torn down.
    template <class F> HRESULT Call(F f) noexcept
    try
    {
        T* t = static_cast<T*>(this);
        RETURN_HR_IF(E_FAIL, !t->Editor());
        return f(static_cast<CDkPeColorCombo*>(t));
    }
    DK_CATCH_RETURN()
};

// The glue of a colour picker class T on the family part Base.
template <class T, class Base> using CDkPeColorTempl = CDkPeComboTempl<T, Base, CDkPeColorGlue<T>>;

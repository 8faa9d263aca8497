// CDkPePictureGlue<T, I>: the picture members of the button-edit and drop-down glues.
#pragma once

#include "HResult.h"

#include <windows.h>

// The four picture members that IDkPeButtonEditCtrl and IDkPeButtonPicture share,
// forwarded to T's GetDefaultPicture, PutDefaultPicture, GetDisabledPicture and
// PutDisabledPicture; E_FAIL once the editor is torn down.
template <class T, class I> class CDkPePictureGlue : public I
{
public:
    STDMETHODIMP put_DefaultPicture(IUnknown* picture) noexcept override
    {
        return Call([&](T* t) { return t->PutDefaultPicture(picture); });
    }
    STDMETHODIMP get_DefaultPicture(IUnknown** picture) noexcept override
    {
        return Call([&](T* t) { return t->GetDefaultPicture(picture); });
    }
    STDMETHODIMP put_DisabledPicture(IUnknown* picture) noexcept override
    {
        return Call([&](T* t) { return t->PutDisabledPicture(picture); });
    }
    STDMETHODIMP get_DisabledPicture(IUnknown** picture) noexcept override
    {
        return Call([&](T* t) { return t->GetDisabledPicture(picture); });
    }

protected:
    // f with the editor, or E_FAIL without one; exceptions become their HRESULT.
    template <class F> HRESULT Call(F f) noexcept
    try
    {
        T* t = static_cast<T*>(this);
        RETURN_HR_IF(E_FAIL, !t->Editor());
        return f(t);
    }
    DK_CATCH_RETURN()
};

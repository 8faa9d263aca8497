// The picture members that the button-edit and drop-down families keep for their buttons:
// one way to hand a picture out and to take one in.
#pragma once

#include "ComPtr.h"

#include <ocidl.h>
#include <olectl.h>

namespace dkpex
{
// The held picture's IUnknown with a reference added, or null when none is held; E_POINTER
// for a null out-pointer.
inline long GetPictureSlot(IPicture* held, IUnknown** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (held)
        held->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out));
    return S_OK;
}

// Keeps the object's IPicture (none for null or an object that is no picture).
inline long PutPictureSlot(dkfw::ComPtr<IPicture>& slot, IUnknown* object) noexcept
{
    slot.Reset();
    if (object)
        object->QueryInterface(IID_IPicture, slot.PutVoid());
    return S_OK;
}
} // namespace dkpex

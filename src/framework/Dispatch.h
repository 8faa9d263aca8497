// IDispatch over the module's type library, for a dual interface the object implements.
#pragma once

#include <oaidl.h>

namespace dkfw
{
// described: the dual interface whose type information drives the calls; instance: the
// object's pointer of that interface.
HRESULT DispatchGetTypeInfo(REFIID described, UINT index, ITypeInfo** out) noexcept;
HRESULT DispatchGetIDsOfNames(REFIID described, LPOLESTR* names, UINT count, DISPID* ids) noexcept;
HRESULT DispatchInvoke(REFIID described, void* instance, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* excep, UINT* argErr) noexcept;
} // namespace dkfw

// IDispatch through ITypeInfo::Invoke.
#include "Dispatch.h"

#include "ComModule.h"
#include "ComPtr.h"
#include "HResult.h"

namespace dkfw
{
namespace
{
HRESULT TypeInfo(REFIID described, bool vtable, ITypeInfo** out) noexcept
{
    ComModule* module = CurrentModule();
    RETURN_HR_IF(E_UNEXPECTED, !module);
    return module->GetTypeInfo(described, vtable, out);
}
} // namespace

HRESULT DispatchGetTypeInfo(REFIID described, UINT index, ITypeInfo** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = nullptr;
    RETURN_HR_IF(DISP_E_BADINDEX, index != 0);
    return TypeInfo(described, false, out);
}

HRESULT DispatchGetIDsOfNames(REFIID described, LPOLESTR* names, UINT count, DISPID* ids) noexcept
{
    ComPtr<ITypeInfo> info;
    RETURN_IF_FAILED(TypeInfo(described, true, info.Put()));
    return info->GetIDsOfNames(names, count, ids);
}

HRESULT DispatchInvoke(REFIID described, void* instance, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* excep, UINT* argErr) noexcept
{
    ComPtr<ITypeInfo> info;
    RETURN_IF_FAILED(TypeInfo(described, true, info.Put()));
    return info->Invoke(instance, id, flags, params, result, excep, argErr);
}
} // namespace dkfw

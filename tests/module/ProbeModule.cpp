// DkPEXCtlProbe.drx: the module of DkPEXCtl.drx, entry points and all, with one test class
// in its automatic object list, so that class objects, locks and the host handshake can be
// exercised before any editor class is built. Also reports the shared texts it loaded.
#include "ComModule.h"
#include "ComObject.h"
#include "SharedTexts.h"

#include "ProbeIds.h"

namespace
{
class ProbeObject : public dkfw::ComImplements<IPersist>
{
public:
    STDMETHODIMP GetClassID(CLSID* clsid) noexcept override
    {
        if (!clsid)
            return E_POINTER;
        *clsid = kProbeClsid;
        return S_OK;
    }
};

dkfw::ObjectMapEntry g_probeEntry{&kProbeClsid, &dkfw::CreateInstanceOf<ProbeObject>};
dkfw::AutoObjectEntry g_probeRegistration(g_probeEntry);
} // namespace

extern "C" __declspec(dllexport) const wchar_t* ProbeVariesText()
{
    dkpex::EnsureSharedTexts();
    return dkpex::VariesText().c_str();
}

extern "C" __declspec(dllexport) const wchar_t* ProbeUnspecifiedText()
{
    dkpex::EnsureSharedTexts();
    return dkpex::UnspecifiedText().c_str();
}

// CDrxComModule: the COM module of DkPEXCtl.drx, which also makes the host load the library
// as a host module the first time the module is locked.
#pragma once

#include "ComModule.h"

class CDrxComModule : public dkfw::ComModule
{
public:
    LONG Lock() noexcept override;
    LONG Unlock() noexcept override;
    bool RegisteredWithHost() const noexcept { return registeredWithHost; }

private:
    // Set once the host accepted the library as a loaded module; asked at most once per
    // process after that.
    bool registeredWithHost = false;
};

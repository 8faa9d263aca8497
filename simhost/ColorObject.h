// The host's colour object: one drawing colour as automation hands it over, and the class
// the host registers in its process so that anyone there can create one.
#pragma once

#include "DkPiHost.h"
#include "dkcm.h"

namespace dkhost
{
// A new colour object holding color, with a reference.
HRESULT NewColorObject(const DkCmColor& color, IDispatch** out) noexcept;
// The colour an object holds: false when it is not a colour object of the host.
bool ColorOf(IUnknown* object, DkCmColor& color) noexcept;
// The colour class, registered for this thread's apartment when COM is running here
// (again after it was taken away), or taken away.
void RegisterColorClass() noexcept;
void RevokeColorClass() noexcept;
} // namespace dkhost

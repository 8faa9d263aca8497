// The host's point input: a class registered in the host's process like its colour class.
#pragma once

namespace dkhost
{
// The class registered for this thread's apartment (again after it was taken away), or taken
// away (a broken installation).
void RegisterPointInputClass() noexcept;
void RevokePointInputClass() noexcept;
} // namespace dkhost

// The process-wide texts shared by all controls.
#include "SharedTexts.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"

namespace dkpex
{
namespace
{
std::wstring g_varies;
std::wstring g_unspecified;
} // namespace

void EnsureSharedTexts()
{
    if (!g_varies.empty() && !g_unspecified.empty())
        return;
    g_varies = LoadResString(IDS_VARIES);
    g_unspecified = LoadResString(IDS_UNSPECIFIED);
}

const std::wstring& VariesText() noexcept
{
    return g_varies;
}

const std::wstring& UnspecifiedText() noexcept
{
    return g_unspecified;
}
} // namespace dkpex

// The process-wide texts shared by all controls.
#include "SharedTexts.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "dkcm.h"

namespace dkpex
{
namespace
{
std::wstring g_varies;
std::wstring g_unspecified;
std::wstring g_overrideLabel;
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

std::wstring ReservedName(int which)
{
    const wchar_t* name = dkdbGetReservedString(which, true);
    return name ? name : L"";
}

const std::wstring& ViewportOverrideLabel()
{
    // Made again when the host's word for ByLayer changed, so that the label and the ByLayer
    // entries always say the same.
    static std::wstring madeFor;
    const std::wstring byLayer = ReservedName(0);
    if (g_overrideLabel.empty() || byLayer != madeFor)
    {
        g_overrideLabel = FormatResString(IDS_VIEWPORT_OVERRIDE, {byLayer.c_str()});
        madeFor = byLayer;
    }
    return g_overrideLabel;
}
} // namespace dkpex

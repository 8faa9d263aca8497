// DkSceneUI.drx: the host's scene user-interface module, loaded on demand. Once loaded it
// registers its service; it draws previews of photometric web files. A web file is text of the
// host's own: a first line "DKWEB 1", then one "angle intensity" pair a line, the angle in
// degrees from straight down (0 to 180, increasing), the intensity in candela; blank lines and
// lines starting with '#' are passed over. Built a second time without the preview, as the
// module was before it drew them (DkSceneUIOld.drx).
#include "HostModules.h"
#include "dkrx.h"
#include "dkscene.h"

#include "Unique.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace
{
constexpr DWORD kMaxFileBytes = 1u << 20;
constexpr size_t kMaxSamples = 4096;
constexpr double kPi = 3.14159265358979323846;
constexpr COLORREF kOutline = RGB(32, 32, 32);

class SceneService final : public DkRxObject
{
};
SceneService g_service;

#ifndef DKSCENEUI_WITHOUT_WEB_PREVIEW
struct Sample
{
    double angle;   // degrees from straight down
    double candela; // the intensity at that angle
};

std::wstring BaseName(const wchar_t* path)
{
    const std::wstring s = path ? path : L"";
    return s.substr(s.find_last_of(L"\\/") + 1);
}

std::string Trimmed(const std::string& s)
{
    const size_t first = s.find_first_not_of(" \t\r");
    const size_t last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

bool ReadBytes(const wchar_t* path, std::string& bytes)
{
    if (!path || !*path)
        return false;
    HANDLE opened =
        ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    const dkfw::UniqueHandle file(opened);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxFileBytes)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() || (::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                             got == bytes.size());
}

// The samples of a web file; false when the file cannot be read or is no web file.
bool ReadWebFile(const wchar_t* path, std::vector<Sample>& samples)
{
    std::string bytes;
    if (!ReadBytes(path, bytes))
        return false;
    std::istringstream in(bytes);
    std::string line;
    bool header = false;
    while (std::getline(in, line))
    {
        line = Trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (!header)
        {
            if (line != "DKWEB 1")
                return false;
            header = true;
            continue;
        }
        char* end = nullptr;
        const double angle = std::strtod(line.c_str(), &end);
        const char* rest = end;
        const double candela = std::strtod(rest, &end);
        if (end == rest || !Trimmed(end).empty() || !std::isfinite(angle) || !std::isfinite(candela) || angle < 0 ||
            angle > 180 || candela < 0 || (!samples.empty() && angle <= samples.back().angle) ||
            samples.size() >= kMaxSamples)
            return false;
        samples.push_back(Sample{angle, candela});
    }
    return samples.size() >= 2 &&
           std::any_of(samples.begin(), samples.end(), [](const Sample& s) { return s.candela > 0; });
}

// The distribution in the light's vertical plane, the same on both sides of the light: each
// sample on the right, then again mirrored on the left, scaled to fit bounds (inset by 2 pixels)
// around its centre, with the light's own position; empty when bounds are too small to draw in.
std::vector<POINT> Outline(const std::vector<Sample>& samples, const RECT& bounds, POINT& light)
{
    std::vector<double> xs, ys;
    for (const Sample& s : samples)
    {
        xs.push_back(s.candela * std::sin(s.angle * kPi / 180));
        ys.push_back(s.candela * std::cos(s.angle * kPi / 180)); // down the screen is down
    }
    const double half = *std::max_element(xs.begin(), xs.end());
    const double top = std::min(0.0, *std::min_element(ys.begin(), ys.end()));
    const double bottom = std::max(0.0, *std::max_element(ys.begin(), ys.end()));
    const double width = bounds.right - bounds.left - 4;
    const double height = bounds.bottom - bounds.top - 4;
    if (width < 2 || height < 2)
        return {};
    const double scale =
        std::min(half > 0 ? width / (2 * half) : width, bottom > top ? height / (bottom - top) : height);
    const double cx = (bounds.left + bounds.right) / 2.0;
    const double cy = (bounds.top + bounds.bottom) / 2.0 - (top + bottom) / 2 * scale;
    auto at = [&](double x, double y) { return POINT{std::lround(cx + x * scale), std::lround(cy + y * scale)}; };
    std::vector<POINT> outline;
    for (size_t i = 0; i < xs.size(); ++i)
        outline.push_back(at(xs[i], ys[i]));
    for (size_t i = xs.size(); i-- > 0;)
        outline.push_back(at(-xs[i], ys[i]));
    light = at(0, 0);
    return outline;
}
#endif
} // namespace

extern "C" __declspec(dllexport) unsigned int dkrxGetApiVersion(unsigned int) noexcept
{
    return kDkRxApiVersion;
}

extern "C" __declspec(dllexport) DkRx::AppRetCode dkrxEntryPoint(DkRx::AppMsgCode msg, void* appId) noexcept
{
    switch (msg)
    {
    case DkRx::kInitAppMsg:
        if (dkhost_modules::SceneModuleFault() == 2)
        {
            dkhost_modules::Journal(L"DkSceneUI.drx registers no service");
            return DkRx::kRetOK;
        }
        return dkhost_modules::RegisterService(appId, DKSCENEUI_SERVICE, &g_service) ? DkRx::kRetOK : DkRx::kRetError;
    case DkRx::kUnloadAppMsg:
        dkhost_modules::UnregisterService(appId, DKSCENEUI_SERVICE);
        return DkRx::kRetOK;
    default:
        return DkRx::kRetOK;
    }
}

#ifndef DKSCENEUI_WITHOUT_WEB_PREVIEW
// Draws the web file's distribution as a dark outline, with the light's position marked.
extern "C" __declspec(dllexport) bool genWebPreview(const wchar_t* webFile, HDC dc, const RECT* bounds,
                                                    int /*flags*/) noexcept
try
{
    static_assert(std::is_convertible_v<decltype(&genWebPreview), DkGenWebPreviewFn>);
    const std::wstring name = BaseName(webFile);
    std::vector<Sample> samples;
    if (!ReadWebFile(webFile, samples))
    {
        dkhost_modules::Journal((L"genWebPreview " + name + L" unreadable").c_str());
        return false;
    }
    if (!dc || !bounds)
    {
        dkhost_modules::Journal((L"genWebPreview " + name + L" has nothing to draw on").c_str());
        return false;
    }
    POINT light{};
    const std::vector<POINT> outline = Outline(samples, *bounds, light);
    if (!outline.empty())
    {
        const dkfw::UniqueHpen pen(::CreatePen(PS_SOLID, 1, kOutline));
        const dkfw::UniqueHbrush mark(::CreateSolidBrush(kOutline));
        const dkfw::SelectObjectScope penIn(dc, pen.Get());
        const dkfw::SelectObjectScope hollow(dc, ::GetStockObject(HOLLOW_BRUSH));
        ::Polygon(dc, outline.data(), static_cast<int>(outline.size()));
        const RECT dot{light.x - 1, light.y - 1, light.x + 2, light.y + 2};
        ::FillRect(dc, &dot, mark.Get());
    }
    dkhost_modules::Journal((L"genWebPreview " + name + L" ok").c_str());
    return true;
}
catch (...)
{
    return false;
}
#endif

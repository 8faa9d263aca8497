// The host's colours: the colour value, the index colours' palette, the view colours, the
// reserved names, the recent colours and the colour dialog (answered by the scripted user
// when answers are queued, else by a small real dialog).
#include "dkcm.h"

#include "ColorObject.h"
#include "DkHostTest.h"
#include "InputDialog.h"
#include "Journal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <deque>
#include <string>

namespace dkhost
{
bool NextAnswer(std::wstring& answer);

namespace
{
constexpr LONG kValueMask = 0x00FFFFFF;
constexpr size_t kRecentCapacity = 8;

LONG Pack(DkCmColor::Method method, LONG value)
{
    return static_cast<LONG>((static_cast<ULONG>(method) << 24) | (static_cast<ULONG>(value) & kValueMask));
}

// The index colours: 1 to 9 named and greys, 10 to 249 twenty-four hues in five shades at
// full and half strength, 250 to 255 greys from dark to white.
const std::array<COLORREF, 256>& Palette()
{
    static const std::array<COLORREF, 256> table = []
    {
        std::array<COLORREF, 256> t{};
        t.fill(RGB(255, 255, 255));
        const COLORREF named[] = {RGB(255, 0, 0),     RGB(255, 255, 0),   RGB(0, 255, 0),
                                  RGB(0, 255, 255),   RGB(0, 0, 255),     RGB(255, 0, 255),
                                  RGB(255, 255, 255), RGB(128, 128, 128), RGB(192, 192, 192)};
        for (int i = 0; i < 9; ++i)
            t[static_cast<size_t>(i + 1)] = named[i];
        const double shades[] = {1.0, 0.65, 0.5, 0.3, 0.15};
        for (int i = 10; i < 250; ++i)
        {
            const double hue = (i - 10) / 10 * 15.0;
            const int variant = (i - 10) % 10;
            const double value = shades[variant / 2];
            const double saturation = variant % 2 ? 0.5 : 1.0;
            // Hue, saturation and value to red, green and blue.
            const double h = hue / 60.0;
            const double c = value * saturation;
            const double x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1));
            double r = 0, g = 0, b = 0;
            switch (static_cast<int>(h) % 6)
            {
            case 0:
                r = c, g = x;
                break;
            case 1:
                r = x, g = c;
                break;
            case 2:
                g = c, b = x;
                break;
            case 3:
                g = x, b = c;
                break;
            case 4:
                r = x, b = c;
                break;
            default:
                r = c, b = x;
                break;
            }
            const double m = value - c;
            auto byte = [](double v) { return static_cast<BYTE>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
            t[static_cast<size_t>(i)] = RGB(byte(r + m), byte(g + m), byte(b + m));
        }
        const BYTE greys[] = {51, 80, 105, 130, 190, 255};
        for (int i = 0; i < 6; ++i)
            t[static_cast<size_t>(250 + i)] = RGB(greys[i], greys[i], greys[i]);
        return t;
    }();
    return table;
}

COLORREF g_background = RGB(33, 40, 48);
COLORREF g_crosshairs = RGB(255, 255, 255);
COLORREF g_text = RGB(255, 255, 255);
LONG_PTR g_viewport = 1;
// The user's words for ByLayer, ByBlock and ByColor.
std::wstring g_reserved[4] = {L"ByLayer", L"ByBlock", L"ByColor", L"Global"};
std::deque<DkCmColor> g_recent;

void CopyName(wchar_t* to, const wchar_t* from)
{
    ::lstrcpynW(to, from ? from : L"", DkCmColor::kNameCapacity);
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// A colour as the journal and the dialog write it: ByLayer, ByBlock, none, foreground, an
// index, red,green,blue or a colour name.
std::wstring ColorText(const DkCmColor& color)
{
    switch (color.colorMethod())
    {
    case DkCmColor::kByLayer:
        return L"ByLayer";
    case DkCmColor::kByBlock:
        return L"ByBlock";
    case DkCmColor::kNone:
        return L"none";
    case DkCmColor::kForeground:
        return L"foreground";
    default:
        break;
    }
    wchar_t text[DkCmColor::kNameCapacity + 16];
    color.displayName(text, static_cast<int>(std::size(text)));
    return text;
}

bool ParseNumber(const std::wstring& text, int low, int high, int& out)
{
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return false;
    out = std::stoi(text);
    return out >= low && out <= high;
}

std::wstring Trim(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return L"";
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The colour a user's text names: ByLayer or ByBlock (in the user's words too, where meta
// colours are allowed), an index 1 to 255, or red,green,blue (where true colours are
// offered).
bool ParseColor(const std::wstring& input, bool allowMeta, bool trueColors, DkCmColor& color, std::wstring& error)
{
    const std::wstring text = Trim(input);
    auto names = [&](const wchar_t* stored, const std::wstring& user)
    { return SameText(text, stored) || (!user.empty() && SameText(text, user)); };
    const bool byLayer = names(L"ByLayer", g_reserved[0]);
    const bool byBlock = names(L"ByBlock", g_reserved[1]);
    if (byLayer || byBlock)
    {
        if (!allowMeta)
        {
            error = L"ByLayer and ByBlock are not offered here.";
            return false;
        }
        color.setColorIndex(byLayer ? 256 : 0);
        return true;
    }
    int index = 0;
    if (ParseNumber(text, 1, 255, index))
    {
        color.setColorIndex(index);
        return true;
    }
    int parts[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i)
    {
        const size_t comma = text.find(L',', start);
        if ((comma == std::wstring::npos) != (i == 2) ||
            !ParseNumber(Trim(text.substr(start, comma - start)), 0, 255, parts[i]))
        {
            error = L"Type ByLayer, ByBlock, an index from 1 to 255 or red,green,blue.";
            return false;
        }
        start = comma + 1;
    }
    if (!trueColors)
    {
        error = L"Only index colours are offered here.";
        return false;
    }
    color.setRGB(static_cast<BYTE>(parts[0]), static_cast<BYTE>(parts[1]), static_cast<BYTE>(parts[2]));
    return true;
}
} // namespace
} // namespace dkhost

using namespace dkhost;

DkCmColor::DkCmColor() noexcept : m_value(Pack(kNone, 0)), m_colorName{}, m_bookName{} {}

DkCmColor::Method DkCmColor::colorMethod() const noexcept
{
    return static_cast<Method>(static_cast<ULONG>(m_value) >> 24);
}

void DkCmColor::setColorMethod(Method method) noexcept
{
    const Method was = colorMethod();
    switch (method)
    {
    case kByLayer:
        m_value = Pack(method, 256);
        break;
    case kByBlock:
        m_value = Pack(method, 0);
        break;
    case kForeground:
        m_value = Pack(method, 7);
        break;
    case kNone:
        m_value = Pack(method, 0);
        break;
    case kByACI:
        // The index the colour stands for, within the index colours.
        m_value = Pack(method, std::clamp(colorIndex(), 1, 255));
        break;
    case kByColor:
        if (was != kByColor)
        {
            const COLORREF rgb = dkedGetRGB(std::clamp(colorIndex(), 1, 255));
            m_value = Pack(method, (static_cast<LONG>(GetRValue(rgb)) << 16) |
                                       (static_cast<LONG>(GetGValue(rgb)) << 8) | GetBValue(rgb));
        }
        break;
    default:
        return;
    }
    if (colorMethod() != kByColor || was != kByColor)
        m_colorName[0] = m_bookName[0] = L'\0';
}

int DkCmColor::colorIndex() const noexcept
{
    switch (colorMethod())
    {
    case kByLayer:
        return 256;
    case kByBlock:
        return 0;
    case kByACI:
        return static_cast<int>(m_value & 0xFFFF);
    case kForeground:
        return 7;
    case kByColor:
        return dkedNearestColorIndex(RGB(red(), green(), blue()));
    default:
        return 257;
    }
}

Drvk::ErrorStatus DkCmColor::setColorIndex(int index) noexcept
{
    if (index < 0 || index > 256)
        return Drvk::eInvalidInput;
    m_value = index == 256 ? Pack(kByLayer, 256) : index == 0 ? Pack(kByBlock, 0) : Pack(kByACI, index);
    m_colorName[0] = m_bookName[0] = L'\0';
    return Drvk::eOk;
}

Drvk::ErrorStatus DkCmColor::setRGB(BYTE r, BYTE g, BYTE b) noexcept
{
    m_value = Pack(kByColor, (static_cast<LONG>(r) << 16) | (static_cast<LONG>(g) << 8) | b);
    m_colorName[0] = m_bookName[0] = L'\0';
    return Drvk::eOk;
}

BYTE DkCmColor::red() const noexcept
{
    if (colorMethod() == kByColor)
        return static_cast<BYTE>((m_value >> 16) & 0xFF);
    return colorMethod() == kByACI ? GetRValue(dkedGetRGB(colorIndex())) : 0;
}

BYTE DkCmColor::green() const noexcept
{
    if (colorMethod() == kByColor)
        return static_cast<BYTE>((m_value >> 8) & 0xFF);
    return colorMethod() == kByACI ? GetGValue(dkedGetRGB(colorIndex())) : 0;
}

BYTE DkCmColor::blue() const noexcept
{
    if (colorMethod() == kByColor)
        return static_cast<BYTE>(m_value & 0xFF);
    return colorMethod() == kByACI ? GetBValue(dkedGetRGB(colorIndex())) : 0;
}

LONG DkCmColor::entityColor() const noexcept
{
    return m_value;
}

Drvk::ErrorStatus DkCmColor::setEntityColor(LONG value) noexcept
{
    const auto method = static_cast<Method>(static_cast<ULONG>(value) >> 24);
    switch (method)
    {
    case kByLayer:
    case kByBlock:
    case kForeground:
    case kNone:
        m_value = Pack(method, method == kByLayer ? 256 : method == kForeground ? 7 : 0);
        break;
    case kByACI:
        if ((value & kValueMask) > 255 || (value & kValueMask) < 1)
            return Drvk::eInvalidInput;
        m_value = value;
        break;
    case kByColor:
        m_value = value;
        break;
    default:
        return Drvk::eInvalidInput;
    }
    // Names belong to the true colour they were given with.
    m_colorName[0] = m_bookName[0] = L'\0';
    return Drvk::eOk;
}

void DkCmColor::setNames(const wchar_t* colorName, const wchar_t* bookName) noexcept
{
    CopyName(m_colorName, colorName);
    CopyName(m_bookName, bookName);
}

int DkCmColor::displayName(wchar_t* buffer, int capacity) const noexcept
{
    wchar_t text[kNameCapacity + 16];
    if (colorMethod() == kByColor && m_colorName[0])
        ::lstrcpynW(text, m_colorName, kNameCapacity);
    else if (colorMethod() == kByColor)
        std::swprintf(text, std::size(text), L"%d,%d,%d", red(), green(), blue());
    else
        std::swprintf(text, std::size(text), L"%d", colorIndex());
    if (buffer && capacity > 0)
        ::lstrcpynW(buffer, text, capacity);
    return static_cast<int>(std::wcslen(text));
}

bool DkCmColor::operator==(const DkCmColor& other) const noexcept
{
    return m_value == other.m_value &&
           (colorMethod() != kByColor ||
            (std::wcscmp(m_colorName, other.m_colorName) == 0 && std::wcscmp(m_bookName, other.m_bookName) == 0));
}

COLORREF dkedGetRGB(int index) noexcept
{
    return index >= 0 && index < 256 ? Palette()[static_cast<size_t>(index)] : RGB(255, 255, 255);
}

HPALETTE GetDrvkPaletteHandle() noexcept
{
    static HPALETTE palette = []
    {
        struct
        {
            WORD version = 0x300;
            WORD count = 256;
            PALETTEENTRY entries[256];
        } log{};
        for (size_t i = 0; i < 256; ++i)
            log.entries[i] = {GetRValue(Palette()[i]), GetGValue(Palette()[i]), GetBValue(Palette()[i]), 0};
        return ::CreatePalette(reinterpret_cast<LOGPALETTE*>(&log));
    }();
    return palette;
}

int dkedNearestColorIndex(COLORREF rgb) noexcept
{
    int best = 1;
    long bestDistance = 0x7FFFFFFF;
    for (int i = 1; i < 256; ++i)
    {
        const COLORREF c = Palette()[static_cast<size_t>(i)];
        const long dr = GetRValue(c) - GetRValue(rgb), dg = GetGValue(c) - GetGValue(rgb),
                   db = GetBValue(c) - GetBValue(rgb);
        const long distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance)
        {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

int dkedGetCurrentColors(COLORREF* colors, int capacity) noexcept
{
    const COLORREF all[] = {g_background, g_crosshairs, g_text};
    for (int i = 0; colors && i < capacity && i < 3; ++i)
        colors[i] = all[i];
    return 3;
}

COLORREF dkedGetVpOvrBackgColorValue() noexcept
{
    return RGB(255, 221, 170);
}

DkDbObjectId dkedGetCurViewportObjectId() noexcept
{
    return DkDbObjectId(g_viewport);
}

const wchar_t* dkdbGetReservedString(int which, bool localized) noexcept
{
    switch (which)
    {
    case 0:
        return localized ? g_reserved[0].c_str() : L"ByLayer";
    case 1:
        return localized ? g_reserved[1].c_str() : L"ByBlock";
    case 9:
        return localized ? g_reserved[2].c_str() : L"ByColor";
    case 11:
        return localized ? g_reserved[3].c_str() : L"Global";
    default:
        return nullptr;
    }
}

int GetMRUInfo(int kind, int n, DkCmColor* color) noexcept
{
    switch (kind)
    {
    case 0:
        return g_recent.size() >= kRecentCapacity ? 1 : 0;
    case 1:
        if (g_recent.size() < kRecentCapacity || !color)
            return 0;
        *color = g_recent.back();
        return 1;
    case 2:
        return static_cast<int>(g_recent.size());
    case 3:
        if (n < 0 || static_cast<size_t>(n) >= g_recent.size() || !color)
            return 0;
        *color = g_recent[static_cast<size_t>(n)];
        return 1;
    default:
        return 0;
    }
}

void AddColorFromOPMToAllControls(const DkCmColor& color) noexcept
try
{
    const auto method = color.colorMethod();
    if (method != DkCmColor::kByACI && method != DkCmColor::kByColor)
        return;
    JournalAdd(L"recent colour \"" + ColorText(color) + L"\"");
    g_recent.erase(std::remove(g_recent.begin(), g_recent.end(), color), g_recent.end());
    g_recent.push_front(color);
    if (g_recent.size() > kRecentCapacity)
        g_recent.pop_back();
}
catch (...)
{
}

bool dkedSetColorDialogTrueColor(DkCmColor& color, bool allowMetaColors, const DkCmColor& currentLayerColor,
                                 int tabs) noexcept
try
{
    JournalAdd(L"colour dialog \"" + ColorText(color) + L"\" meta " + (allowMetaColors ? L"yes" : L"no") +
               L" layer \"" + ColorText(currentLayerColor) + L"\" tabs " + std::to_wstring(tabs));
    const bool trueColors = tabs != 1;
    DkCmColor chosen;
    std::wstring answer;
    bool accepted = false;
    if (NextAnswer(answer))
    {
        std::wstring error;
        accepted = answer != L"cancel" && ParseColor(answer, allowMetaColors, trueColors, chosen, error);
    }
    else
        accepted = RunInputDialog(L"Select Color", ColorText(color), true,
                                  [&](const std::wstring& text, std::wstring& error)
                                  { return ParseColor(text, allowMetaColors, trueColors, chosen, error); });
    if (!accepted)
    {
        JournalAdd(L"colour dialog cancelled");
        return false;
    }
    JournalAdd(L"colour dialog chose \"" + ColorText(chosen) + L"\"");
    color = chosen;
    return true;
}
catch (...)
{
    return false;
}

namespace dkhost_test
{
void SetViewColors(COLORREF background) noexcept
{
    g_background = background;
}

void SetReservedName(int which, const wchar_t* name) noexcept
try
{
    if (which == 0 || which == 1)
        g_reserved[which] = name ? name : L"";
    else if (which == 9 || which == 11)
        g_reserved[which == 9 ? 2 : 3] = name ? name : L"";
}
catch (...)
{
}

void SetCurrentViewport(LONG_PTR viewport) noexcept
{
    g_viewport = viewport;
}

void ClearRecentColors() noexcept
{
    g_recent.clear();
}

void SetColorClassAvailable(bool available) noexcept
{
    if (available)
        RegisterColorClass();
    else
        RevokeColorClass();
}
} // namespace dkhost_test

// The host's unit conversions: numbers as text in the drawing's units and back.
#include "dked.h"
#include "dkunits.h"

#include "DkHostTest.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <numeric>
#include <string>
#include <vector>

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;
constexpr size_t kLongestInput = 256;

int SysShort(const wchar_t* name, int fallback)
{
    resbuf rb{};
    return dkedGetVar(name, &rb) == RTNORM && rb.restype == RTSHORT ? rb.resval.rint : fallback;
}

double SysReal(const wchar_t* name, double fallback)
{
    resbuf rb{};
    return dkedGetVar(name, &rb) == RTNORM && rb.restype == RTREAL ? rb.resval.rreal : fallback;
}

int Put(const std::wstring& text, wchar_t* out)
{
    if (!out)
        return RTERROR;
    if (text.size() + 1 > static_cast<size_t>(kDkUnitsBufferSize))
    {
        out[0] = L'\0';
        return RTERROR;
    }
    std::wmemcpy(out, text.c_str(), text.size() + 1);
    return RTNORM;
}

// An integer count of 10^-decimals as decimal text: exact, no rounding of its own.
std::wstring Decimals(long long count, int decimals)
{
    std::wstring digits = std::to_wstring(count);
    if (decimals == 0)
        return digits;
    if (digits.size() <= static_cast<size_t>(decimals))
        digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), L'0');
    digits.insert(digits.size() - static_cast<size_t>(decimals), 1, L'.');
    return digits;
}

// Zero suppression of decimal text: DIMZIN 4 drops a leading zero, 8 trailing zeros.
std::wstring Suppress(std::wstring text, int dimzin)
{
    if ((dimzin & 8) && text.find(L'.') != std::wstring::npos)
    {
        while (text.back() == L'0')
            text.pop_back();
        if (text.back() == L'.')
            text.pop_back();
    }
    if ((dimzin & 4) && text.size() > 1 && text[0] == L'0' && text[1] == L'.')
        text.erase(0, 1);
    return text;
}

// |value| scaled to an integer count, or false when it is too large to count.
bool Count(double value, double scale, long long& count)
{
    const double scaled = std::fabs(value) * scale;
    if (!std::isfinite(scaled) || scaled > 9.0e15)
        return false;
    count = std::llround(scaled);
    return true;
}

// A length as whole units (feet of 12 inches, or inches) and the rest in parts of 1/per
// inch: by an integer count where one holds it, else (values beyond 9e15 parts) the whole
// units as printf writes them and the rest from the exact remainder.
struct Split
{
    std::wstring whole;
    long long rest = 0;
    bool zero = true;
};

bool SplitLength(double value, double inchesPerWhole, long long per, Split& out)
{
    const long long partsPerWhole = static_cast<long long>(inchesPerWhole) * per;
    long long count = 0;
    if (Count(value, static_cast<double>(per), count))
    {
        out.whole = std::to_wstring(count / partsPerWhole);
        out.rest = count % partsPerWhole;
        out.zero = count == 0;
        return true;
    }
    const double a = std::fabs(value);
    if (!std::isfinite(a))
        return false;
    const double remainder = std::fmod(a, inchesPerWhole);
    double whole = (a - remainder) / inchesPerWhole;
    out.rest = std::llround(remainder * static_cast<double>(per));
    if (out.rest >= partsPerWhole)
    {
        out.rest -= partsPerWhole;
        whole += 1;
    }
    std::vector<wchar_t> buf(400);
    std::swprintf(buf.data(), buf.size(), L"%.0f", whole);
    out.whole = buf.data();
    out.zero = false;
    return true;
}

int Linear(double value, int unit, int prec, wchar_t* out)
{
    if (unit < 1 || unit > 5)
        return RTREJ;
    if (!std::isfinite(value))
        return RTERROR;
    const int dimzin = SysShort(L"DIMZIN", 0);
    const bool inputForm = SysShort(L"UNITMODE", 0) == 1;
    const std::wstring sign = value < 0 ? L"-" : L"";
    switch (unit)
    {
    case 1:
    {
        // Scientific: a mantissa from 1 to 10 and a signed exponent of two digits or more,
        // for every finite value (the smallest subnormals included), rounded as printf does.
        wchar_t buf[64];
        std::swprintf(buf, 64, L"%.*e", prec, std::fabs(value));
        const std::wstring printed = buf;
        const size_t e = printed.find(L'e');
        if (e == std::wstring::npos)
            return RTERROR;
        const int exponent = std::stoi(printed.substr(e + 1));
        const std::wstring m = Suppress(printed.substr(0, e), dimzin & 8);
        const bool zero = printed.find_first_of(L"123456789") >= e;
        wchar_t exp[16];
        std::swprintf(exp, 16, L"E%c%02d", exponent < 0 ? L'-' : L'+', std::abs(exponent));
        return Put((zero ? L"" : sign) + m + exp, out);
    }
    case 2:
    {
        long long count = 0;
        if (Count(value, std::pow(10.0, prec), count))
            return Put((count ? sign : L"") + Suppress(Decimals(count, prec), dimzin), out);
        // Beyond an integer count: the digits as printf gives them, refused only when they do
        // not fit the buffer.
        std::vector<wchar_t> buf(400);
        std::swprintf(buf.data(), buf.size(), L"%.*f", prec, std::fabs(value));
        return Put(sign + Suppress(buf.data(), dimzin), out);
    }
    case 3:
    case 4:
    {
        // Feet and inches: decimal inches (engineering) or fractions of 2^prec (architectural).
        const bool architectural = unit == 4;
        const long long per = architectural ? (1LL << prec) : static_cast<long long>(std::pow(10.0, prec));
        Split split;
        if (!SplitLength(value, 12, per, split))
            return RTERROR;
        const long long rest = split.rest;
        // DIMZIN 0 suppresses zero feet and zero inches, 1 shows both, 2 shows zero feet,
        // 3 shows zero inches.
        const int z = dimzin & 3;
        const bool showFeet = split.whole != L"0" || z == 1 || z == 2;
        const bool showInches = rest != 0 || z == 1 || z == 3 || !showFeet;
        std::wstring inches;
        if (architectural)
        {
            const long long whole = rest / per;
            long long num = rest % per;
            long long den = per;
            const long long g = std::gcd(num, den);
            if (num)
            {
                num /= g;
                den /= g;
            }
            const std::wstring fraction = std::to_wstring(num) + L"/" + std::to_wstring(den);
            // After feet a fraction keeps its zero inches: 1'-0 1/2".
            inches = !num                  ? std::to_wstring(whole)
                     : !whole && !showFeet ? fraction
                                           : std::to_wstring(whole) + (inputForm ? L"-" : L" ") + fraction;
        }
        else
            inches = Suppress(Decimals(rest, prec), dimzin & 8);
        std::wstring text = split.zero ? L"" : sign;
        if (showFeet)
            text += split.whole + L"'";
        if (showFeet && showInches && !inputForm)
            text += L"-";
        if (showInches)
            text += inches + L"\"";
        return Put(text, out);
    }
    case 5:
    {
        const long long per = 1LL << prec;
        Split split;
        if (!SplitLength(value, 1, per, split))
            return RTERROR;
        const std::wstring& whole = split.whole;
        long long num = split.rest;
        long long den = per;
        const long long g = std::gcd(num, den);
        if (num)
        {
            num /= g;
            den /= g;
        }
        const std::wstring fraction = std::to_wstring(num) + L"/" + std::to_wstring(den);
        const std::wstring text = !num               ? whole
                                  : whole == L"0"    ? fraction
                                                     : whole + (inputForm ? L"-" : L" ") + fraction;
        return Put((split.zero ? L"" : sign) + text, out);
    }
    default:
        return RTREJ;
    }
}

// In [0, 2 pi): a tiny negative angle plus a full turn can round to the full turn itself.
double Normalize(double a)
{
    a = std::fmod(a, kTwoPi);
    if (a < 0)
        a += kTwoPi;
    return a >= kTwoPi ? 0.0 : a;
}

// Degrees as degrees, minutes and seconds at a precision, counted in its smallest unit.
struct DmsResolution
{
    long long perDegree;
    int level; // 0 degrees, 1 minutes, 2 seconds
    int secondDecimals;
};

DmsResolution Resolution(int prec)
{
    if (prec <= 0)
        return {1, 0, 0};
    if (prec <= 2)
        return {60, 1, 0};
    if (prec <= 4)
        return {3600, 2, 0};
    const int decimals = prec - 4;
    return {3600 * static_cast<long long>(std::pow(10.0, decimals)), 2, decimals};
}

std::wstring DmsText(long long count, const DmsResolution& r)
{
    const long long degrees = count / r.perDegree;
    std::wstring text = std::to_wstring(degrees) + L"d";
    if (r.level >= 1)
    {
        const long long perMinute = r.perDegree / 60;
        text += std::to_wstring((count % r.perDegree) / perMinute) + L"'";
        if (r.level >= 2)
            text += Decimals(count % perMinute, r.secondDecimals) + L"\"";
    }
    return text;
}

int Angular(double radians, int unit, int prec, wchar_t* out)
{
    if (unit < 0 || unit > 4)
        return RTREJ;
    if (!std::isfinite(radians))
        return RTERROR;
    const bool inputForm = SysShort(L"UNITMODE", 0) == 1;
    const double a = Normalize(radians);
    // A number at a precision in [0, full): only a rounding that reaches the full turn itself
    // shows as 0 (a radian count below 2 pi stays, whatever the precision).
    auto circular = [&](double value, double full, const wchar_t* suffix)
    {
        const long long per = static_cast<long long>(std::pow(10.0, prec));
        long long count = std::llround(value * static_cast<double>(per));
        if (static_cast<double>(count) >= full * static_cast<double>(per))
            count = 0;
        return Put(Decimals(count, prec) + suffix, out);
    };
    switch (unit)
    {
    case 0:
        return circular(a * 180.0 / kPi, 360.0, L"");
    case 2:
        return circular(a * 200.0 / kPi, 400.0, L"g");
    case 3:
        return circular(a, kTwoPi, L"r");
    case 1:
    case 4:
    {
        const DmsResolution r = Resolution(prec);
        const long long full = 360 * r.perDegree;
        long long t = std::llround(a * 180.0 / kPi * static_cast<double>(r.perDegree)) % full;
        if (unit == 1)
            return Put(DmsText(t, r), out);
        // Surveyor's units: a bearing from north or south towards east or west.
        const long long quarter = 90 * r.perDegree;
        if (t % quarter == 0)
            return Put(std::wstring(1, L"ENWS"[t / quarter]), out);
        const wchar_t ns = t < 2 * quarter ? L'N' : L'S';
        const wchar_t ew = t < quarter || t > 3 * quarter ? L'E' : L'W';
        const long long bearing = ns == L'N' ? std::llabs(quarter - t) : std::llabs(3 * quarter - t);
        const std::wstring gap = inputForm ? L"" : L" ";
        return Put(std::wstring(1, ns) + gap + DmsText(bearing, r) + gap + std::wstring(1, ew), out);
    }
    default:
        return RTREJ;
    }
}

// --- Reading text -----------------------------------------------------------------------

struct Scanner
{
    const wchar_t* s;
    size_t n;
    size_t i = 0;
    bool End() const { return i >= n; }
    wchar_t Peek(size_t ahead = 0) const { return i + ahead < n ? s[i + ahead] : L'\0'; }
    // ASCII digits only: the conversion reads no other, so no other is taken.
    bool Digit(size_t ahead = 0) const { return Peek(ahead) >= L'0' && Peek(ahead) <= L'9'; }
    void Spaces()
    {
        while (Peek() == L' ' || Peek() == L'\t')
            ++i;
    }
};

bool Digits(Scanner& sc, std::wstring& out)
{
    const size_t start = sc.i;
    while (sc.Digit())
        ++sc.i;
    out.assign(sc.s + start, sc.i - start);
    return !out.empty();
}

// An unsigned number: decimal (with an exponent), a fraction "a/b" or a mixed number
// "w a/b" or "w-a/b" (the mixed forms only where allowed).
bool Unsigned(Scanner& sc, double& out, bool allowMixed)
{
    std::wstring whole;
    const bool hasWhole = Digits(sc, whole);
    if (sc.Peek() == L'/' && hasWhole)
    {
        ++sc.i;
        std::wstring den;
        if (!Digits(sc, den))
            return false;
        const double d = std::wcstod(den.c_str(), nullptr);
        if (d == 0)
            return false;
        out = std::wcstod(whole.c_str(), nullptr) / d;
        return std::isfinite(out);
    }
    std::wstring text = whole;
    bool decimal = false;
    if (sc.Peek() == L'.' && (hasWhole || sc.Digit(1)))
    {
        ++sc.i;
        std::wstring fraction;
        Digits(sc, fraction);
        text += L"." + fraction;
        decimal = true;
    }
    if (!hasWhole && !decimal)
        return false;
    if ((sc.Peek() == L'E' || sc.Peek() == L'e') &&
        (sc.Digit(1) || ((sc.Peek(1) == L'+' || sc.Peek(1) == L'-') && sc.Digit(2))))
    {
        text += L"E";
        ++sc.i;
        if (sc.Peek() == L'+' || sc.Peek() == L'-')
            text += sc.s[sc.i++];
        std::wstring exponent;
        Digits(sc, exponent);
        text += exponent;
        decimal = true;
    }
    out = std::wcstod(text.c_str(), nullptr);
    if (!std::isfinite(out))
        return false;
    // A mixed number: the whole part, a space or hyphen, and a fraction.
    if (allowMixed && !decimal && (sc.Peek() == L' ' || sc.Peek() == L'-'))
    {
        Scanner look = sc;
        ++look.i;
        std::wstring num;
        std::wstring den;
        if (Digits(look, num) && look.Peek() == L'/')
        {
            ++look.i;
            if (!Digits(look, den) || std::wcstod(den.c_str(), nullptr) == 0)
                return false;
            out += std::wcstod(num.c_str(), nullptr) / std::wcstod(den.c_str(), nullptr);
            sc = look;
        }
    }
    return std::isfinite(out);
}

// The text without leading and trailing blanks; false for empty, over-long or control text.
bool Clean(const wchar_t* str, std::wstring& text)
{
    if (!str)
        return false;
    const size_t n = std::wcslen(str);
    if (n > kLongestInput)
        return false;
    size_t a = 0;
    size_t b = n;
    while (a < b && (str[a] == L' ' || str[a] == L'\t'))
        ++a;
    while (b > a && (str[b - 1] == L' ' || str[b - 1] == L'\t'))
        --b;
    text.assign(str + a, b - a);
    for (wchar_t c : text)
        if (c < 0x20)
            return false;
    return !text.empty();
}

int Distance(const wchar_t* str, double* result)
{
    std::wstring text;
    if (!result || !Clean(str, text))
        return RTERROR;
    Scanner sc{text.c_str(), text.size()};
    double sign = 1;
    if (sc.Peek() == L'-' || sc.Peek() == L'+')
        sign = sc.s[sc.i++] == L'-' ? -1 : 1;
    double first = 0;
    if (!Unsigned(sc, first, true))
        return RTERROR;
    double inches = first;
    if (sc.Peek() == L'\'')
    {
        // Feet, then inches after a blank, a hyphen or nothing.
        ++sc.i;
        const double feet = first;
        inches = 0;
        sc.Spaces();
        if (sc.Peek() == L'-')
            ++sc.i;
        sc.Spaces();
        if (!sc.End())
        {
            if (!Unsigned(sc, inches, true))
                return RTERROR;
            if (sc.Peek() == L'"')
                ++sc.i;
        }
        inches += 12 * feet;
    }
    else if (sc.Peek() == L'"')
        ++sc.i;
    if (!sc.End())
        return RTERROR;
    *result = sign * inches;
    return std::isfinite(*result) ? RTNORM : RTERROR;
}

// Degrees from "45d30'15"", "45.5d", "30'" and the like, or from a plain number.
bool Degrees(Scanner& sc, double& degrees, bool& marked)
{
    degrees = 0;
    marked = false;
    bool any = false;
    for (int part = 0; part < 3; ++part)
    {
        Scanner look = sc;
        double v = 0;
        if (!Unsigned(look, v, false))
            break;
        const wchar_t mark = look.Peek();
        const double scale = mark == L'd' || mark == L'D' ? 1.0
                             : mark == L'\''              ? 1.0 / 60
                             : mark == L'"'               ? 1.0 / 3600
                                                          : 0;
        if (scale == 0)
        {
            if (any)
                return false;
            sc = look;
            degrees = v;
            return true;
        }
        ++look.i;
        sc = look;
        degrees += v * scale;
        any = marked = true;
    }
    return any;
}

int Angle(const wchar_t* str, int unit, double* result)
{
    std::wstring text;
    if (!result || !Clean(str, text))
        return RTERROR;
    Scanner sc{text.c_str(), text.size()};
    const wchar_t first = static_cast<wchar_t>(std::towupper(sc.Peek()));
    double radians = 0;
    if (first == L'N' || first == L'S' || first == L'E' || first == L'W')
    {
        ++sc.i;
        if (sc.End())
            radians = (first == L'E' ? 0 : first == L'N' ? 90 : first == L'W' ? 180 : 270) * kPi / 180;
        else
        {
            if (first != L'N' && first != L'S')
                return RTERROR;
            sc.Spaces();
            double b = 0;
            bool marked = false;
            if (!Degrees(sc, b, marked) || b > 90)
                return RTERROR;
            sc.Spaces();
            const wchar_t ew = static_cast<wchar_t>(std::towupper(sc.Peek()));
            if (ew != L'E' && ew != L'W')
                return RTERROR;
            ++sc.i;
            if (!sc.End())
                return RTERROR;
            const double deg = first == L'N' ? (ew == L'E' ? 90 - b : 90 + b) : (ew == L'E' ? 270 + b : 270 - b);
            radians = deg * kPi / 180;
        }
    }
    else
    {
        double sign = 1;
        if (sc.Peek() == L'-' || sc.Peek() == L'+')
            sign = sc.s[sc.i++] == L'-' ? -1 : 1;
        double value = 0;
        bool marked = false;
        if (!Degrees(sc, value, marked))
            return RTERROR;
        const wchar_t suffix = static_cast<wchar_t>(std::towlower(sc.Peek()));
        if (!marked && (suffix == L'g' || suffix == L'r'))
        {
            ++sc.i;
            radians = suffix == L'g' ? value * kPi / 200 : value;
        }
        else if (marked)
            radians = value * kPi / 180;
        else
            radians = unit == 2 ? value * kPi / 200 : unit == 3 ? value : value * kPi / 180;
        if (!sc.End())
            return RTERROR;
        radians *= sign;
    }
    if (!std::isfinite(radians))
        return RTERROR;
    *result = radians;
    return RTNORM;
}

using Formatter = int (*)(double, int, int, wchar_t*);

// Characters a host that ignores the buffer contract writes past every result (tests).
int g_overrun = 0;
long g_toText = 0; // number-to-text conversions so far

// Number to text with the drawing's mode and precision where the caller says -1.
int ToText(double value, int unit, int prec, wchar_t* str, const wchar_t* unitVar, int unitDefault,
           const wchar_t* precVar, Formatter format) noexcept
try
{
    ++g_toText;
    unit = unit == -1 ? SysShort(unitVar, unitDefault) : unit;
    prec = prec == -1 ? SysShort(precVar, 4) : prec;
    if (prec < 0 || prec > 8)
        return RTREJ;
    const int rc = format(value, unit, prec, str);
    if (rc == RTNORM && g_overrun > 0)
    {
        // The caller's buffer is taken to be large enough, whatever the contract says.
        wchar_t* end = str + std::wcslen(str);
        std::fill_n(end, g_overrun, L'9');
        end[g_overrun] = L'\0';
    }
    return rc;
}
catch (...)
{
    return RTERROR;
}
} // namespace

int dkdbRToS(double value, int unit, int prec, wchar_t* str) noexcept
{
    return ToText(value, unit, prec, str, L"LUNITS", 2, L"LUPREC", &Linear);
}

int dkdbDisToF(const wchar_t* str, int unit, double* result) noexcept
try
{
    unit = unit == -1 ? SysShort(L"LUNITS", 2) : unit;
    if (unit < 1 || unit > 5)
        return RTREJ;
    return Distance(str, result);
}
catch (...)
{
    return RTERROR;
}

int dkdbRawAngToS(double value, int unit, int prec, wchar_t* str) noexcept
{
    return ToText(value, unit, prec, str, L"AUNITS", 0, L"AUPREC", &Angular);
}

int dkdbRawAngToF(const wchar_t* str, int unit, double* result) noexcept
try
{
    unit = unit == -1 ? SysShort(L"AUNITS", 0) : unit;
    if (unit < 0 || unit > 4)
        return RTREJ;
    double radians = 0;
    const int rc = Angle(str, unit, &radians);
    if (rc == RTNORM)
        *result = Normalize(radians);
    return rc;
}
catch (...)
{
    return RTERROR;
}

// The drawing's angles start at "ANGBASE" and run counter-clockwise, or clockwise with
// "ANGDIR" 1.
int dkdbAngToS(double value, int unit, int prec, wchar_t* str) noexcept
{
    const double base = SysReal(L"ANGBASE", 0);
    const bool clockwise = SysShort(L"ANGDIR", 0) == 1;
    return dkdbRawAngToS(clockwise ? base - value : value - base, unit, prec, str);
}

int dkdbAngToF(const wchar_t* str, int unit, double* result) noexcept
{
    double user = 0;
    const int rc = dkdbRawAngToF(str, unit, &user);
    if (rc != RTNORM)
        return rc;
    const double base = SysReal(L"ANGBASE", 0);
    const bool clockwise = SysShort(L"ANGDIR", 0) == 1;
    const double angle = Normalize(clockwise ? base - user : base + user);
    if (!std::isfinite(angle))
        return RTERROR; // no NaN leaves the host, whatever its settings
    *result = angle;
    return RTNORM;
}

namespace dkhost_test
{
void SetUnitsOverrun(int extra) noexcept
{
    g_overrun = extra < 0 ? 0 : extra;
}

long UnitTextConversions() noexcept
{
    return g_toText;
}
} // namespace dkhost_test

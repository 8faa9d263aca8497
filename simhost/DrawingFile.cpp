// The host's drawing files: a line per table record, entity or setting, read into a new
// drawing. The sample drawing is such a file, embedded in DkHost.dll.
#include "ColorObject.h"
#include "DkHostTest.h"
#include "Drawing.h"
#include "DynamicProperty.h"
#include "Hyperlinks.h"
#include "Journal.h"
#include "Lights.h"
#include "Sections.h"

#include "Unique.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <fstream>
#include <sstream>

namespace dkhost
{
namespace
{
// What a drawing may hold, so that a hostile file cannot stall or exhaust the host.
constexpr size_t kMaxFileBytes = 16u << 20;
constexpr int kMaxLines = 100000;
constexpr size_t kMaxNumbers = 8192; // numbers in one value: an outline of 4096 vertices

// Why the last drawing was refused; empty when it was read.
std::wstring g_loadError;

struct Token
{
    std::wstring key;
    std::wstring value;
    bool hasValue = false;
};

// Words separated by blanks; "quoted text" keeps its blanks; key=value pairs split. A quote
// left open (a line cut short) is refused.
bool Tokenize(const std::wstring& line, std::vector<Token>& out)
{
    size_t i = 0;
    bool open = false;
    auto word = [&]()
    {
        std::wstring w;
        if (i < line.size() && line[i] == L'"')
        {
            for (++i; i < line.size() && line[i] != L'"'; ++i)
                w += line[i];
            open = open || i >= line.size();
            ++i;
            return w;
        }
        while (i < line.size() && !std::iswspace(line[i]) && line[i] != L'=')
            w += line[i++];
        return w;
    };
    while (i < line.size())
    {
        if (std::iswspace(line[i]))
        {
            ++i;
            continue;
        }
        Token t;
        t.key = word();
        if (i < line.size() && line[i] == L'=')
        {
            ++i;
            t.value = word();
            t.hasValue = true;
        }
        out.push_back(std::move(t));
    }
    if (open)
        g_loadError = L"a quoted text is not closed";
    return !open;
}

// A number that is the whole text and finite: "1.5e" or "2,,3" is a line cut short.
bool WholeNumber(const std::wstring& text, double& d)
{
    wchar_t* end = nullptr;
    d = std::wcstod(text.c_str(), &end);
    return !text.empty() && !std::iswspace(text[0]) && end && *end == L'\0' && std::isfinite(d);
}

bool WholeInteger(const std::wstring& text, long& n)
{
    wchar_t* end = nullptr;
    errno = 0;
    n = std::wcstol(text.c_str(), &end, 10);
    return !text.empty() && !std::iswspace(text[0]) && end && *end == L'\0' && errno == 0;
}

// Numbers separated by commas, each whole; false (with why) otherwise.
bool Numbers(const std::wstring& name, const std::wstring& text, std::vector<double>& out)
{
    size_t start = 0;
    while (start <= text.size())
    {
        if (out.size() >= kMaxNumbers)
        {
            g_loadError = name + L" holds more than " + std::to_wstring(kMaxNumbers) + L" numbers";
            return false;
        }
        const size_t comma = std::min(text.find(L',', start), text.size());
        double d = 0;
        if (!WholeNumber(text.substr(start, comma - start), d))
        {
            g_loadError = name + L" has \"" + text.substr(start, std::min<size_t>(comma - start, 40)) +
                          L"\" where a number belongs";
            return false;
        }
        out.push_back(d);
        start = comma + 1;
    }
    return true;
}

bool Flag(const std::vector<Token>& tokens, const wchar_t* name)
{
    for (const Token& t : tokens)
        if (!t.hasValue && t.key == name)
            return true;
    return false;
}

// A list "Name:value|Name|..." of names with numbers; a number left out is the entry's
// position.
struct NamedValues
{
    std::vector<std::wstring> names;
    std::vector<LONG> values;
    std::vector<const wchar_t*> Names() const
    {
        std::vector<const wchar_t*> raw;
        for (const auto& n : names)
            raw.push_back(n.c_str());
        return raw;
    }
};

bool ParseNamedValues(const std::wstring& text, NamedValues& list)
{
    std::wstringstream ss(text);
    std::wstring item;
    while (std::getline(ss, item, L'|'))
    {
        const size_t colon = item.find(L':');
        long n = static_cast<long>(list.values.size());
        if (colon != std::wstring::npos && !WholeInteger(item.substr(colon + 1), n))
        {
            g_loadError = L"\"" + item + L"\" has no whole number after its colon";
            return false;
        }
        list.names.push_back(item.substr(0, colon));
        list.values.push_back(static_cast<LONG>(n));
    }
    return true;
}

const Token* Find(const std::vector<Token>& tokens, const wchar_t* name)
{
    for (const Token& t : tokens)
        if (t.hasValue && t.key == name)
            return &t;
    return nullptr;
}

// An enumeration constant of the host's type library by name.
bool EnumConstant(const ObjectClass& cls, const PropertySlot& slot, const std::wstring& text, LONG& value)
{
    dkfw::ComPtr<ITypeLib> lib;
    UINT index = 0;
    if (FAILED(cls.typeInfo->GetContainingTypeLib(lib.Put(), &index)))
        return false;
    MEMBERID id = 0;
    USHORT found = 1;
    dkfw::ComPtr<ITypeInfo> info;
    std::wstring name = text;
    if (FAILED(lib->FindName(name.data(), 0, info.Put(), &id, &found)) || found == 0)
    {
        g_loadError = slot.name + L" has no value called \"" + text + L"\"";
        return false;
    }
    VARDESC* vd = nullptr;
    TYPEATTR* ta = nullptr;
    bool ok = false;
    if (SUCCEEDED(info->GetTypeAttr(&ta)))
    {
        for (UINT v = 0; v < ta->cVars && !ok; ++v)
            if (SUCCEEDED(info->GetVarDesc(v, &vd)))
            {
                if (vd->memid == id && vd->lpvarValue)
                {
                    value = vd->lpvarValue->lVal;
                    ok = true;
                }
                info->ReleaseVarDesc(vd);
            }
        info->ReleaseTypeAttr(ta);
    }
    return ok;
}

// A value of the slot's type from its text: numbers, enumeration names, yes/no, points.
bool ToValue(const ObjectClass& cls, const PropertySlot& slot, const std::wstring& text, VARIANT* out)
{
    ::VariantInit(out);
    if (slot.light != LightValue::None)
    {
        // A lamp colour as the user words it ("kelvin 6500", "preset 3"); an intensity as its text.
        dkfw::UniqueVariant written;
        if (slot.light == LightValue::LampColor)
        {
            if (FAILED(LampColorFromText(text, written.Put())))
                return false;
        }
        else
        {
            written.Put()->vt = VT_BSTR;
            written.Addr()->bstrVal = ::SysAllocString(text.c_str());
        }
        std::wstring why;
        if (!KeptLightValue(slot.light, written.Get(), out, why))
        {
            g_loadError = slot.name + L" does not take \"" + text.substr(0, 40) + L"\": " + why;
            return false;
        }
        return true;
    }
    if (slot.vt == VT_VARIANT)
    {
        std::vector<double> n;
        if (!Numbers(slot.name, text, n))
            return false;
        if (!IsNumberList(slot))
        {
            // A point: x,y or x,y,z.
            if (n.size() < 2 || n.size() > 3)
            {
                g_loadError = slot.name + L" is a point of two or three numbers";
                return false;
            }
            n.resize(3, 0.0);
        }
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(n.size()));
        if (!sa)
            return false;
        double* data = nullptr;
        ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&data));
        std::copy(n.begin(), n.end(), data);
        ::SafeArrayUnaccessData(sa);
        out->vt = VT_ARRAY | VT_R8;
        out->parray = sa;
        return true;
    }
    const bool named = !text.empty() && !std::iswdigit(text[0]) && text[0] != L'-';
    if (slot.hyperlinks)
    {
        // Addresses separated by "|".
        out->vt = VT_DISPATCH;
        return SUCCEEDED(NewHyperlinks(ParseHyperlinks(text), false, &out->pdispVal));
    }
    if (slot.vt == VT_DISPATCH)
    {
        // A colour: a colour's name (dkRed), an index, or red,green,blue followed by the
        // colour's book and name: "200,30,30|Site colours|Brick red".
        const size_t bar = text.find(L'|');
        const std::wstring first = text.substr(0, bar);
        if (first.find(L',') != std::wstring::npos)
        {
            long parts[3] = {-1, -1, -1};
            size_t at = 0;
            for (int i = 0; i < 3; ++i)
            {
                const size_t comma = first.find(L',', at);
                if ((comma == std::wstring::npos) != (i == 2) ||
                    !WholeInteger(first.substr(at, comma - at), parts[i]) || parts[i] < 0 || parts[i] > 255)
                {
                    g_loadError = slot.name + L" takes red,green,blue from 0 to 255, not \"" + first + L"\"";
                    return false;
                }
                at = comma + 1;
            }
            DkCmColor color;
            color.setRGB(static_cast<BYTE>(parts[0]), static_cast<BYTE>(parts[1]), static_cast<BYTE>(parts[2]));
            if (bar != std::wstring::npos)
            {
                const size_t second = text.find(L'|', bar + 1);
                if (second == std::wstring::npos)
                {
                    g_loadError = slot.name + L" names a book and a colour: \"red,green,blue|book|name\"";
                    return false;
                }
                color.setNames(text.substr(second + 1).c_str(), text.substr(bar + 1, second - bar - 1).c_str());
            }
            out->vt = VT_DISPATCH;
            return SUCCEEDED(NewColorObject(color, &out->pdispVal));
        }
        VARIANT index;
        index.vt = VT_I4;
        long n = 0;
        if (named ? !EnumConstant(cls, slot, text, index.lVal) : !WholeInteger(text, n))
        {
            if (!named)
                g_loadError = slot.name + L" does not take \"" + text.substr(0, 40) + L"\"";
            return false;
        }
        if (!named)
            index.lVal = static_cast<LONG>(n);
        std::wstring why;
        if (FAILED(KeepColor(index, 0, out, why)))
        {
            g_loadError = why.empty() ? slot.name + L" does not take \"" + text + L"\"" : why;
            return false;
        }
        return true;
    }
    if (slot.isEnum && named)
    {
        out->vt = VT_I4;
        return EnumConstant(cls, slot, text, out->lVal);
    }
    VARIANT src;
    src.vt = VT_BSTR;
    std::wstring t = text;
    if (slot.vt == VT_BOOL)
    {
        const bool yes = t == L"yes" || t == L"true" || t == L"1";
        if (!yes && t != L"no" && t != L"false" && t != L"0")
        {
            g_loadError = slot.name + L" is yes or no, not \"" + t + L"\"";
            return false;
        }
        t = yes ? L"-1" : L"0";
    }
    HRESULT hr = S_OK;
    if (slot.vt == VT_BSTR || slot.vt == VT_BOOL)
    {
        src.bstrVal = ::SysAllocString(t.c_str());
        hr = ::VariantChangeTypeEx(out, &src, 0, 0, slot.vt);
        ::SysFreeString(src.bstrVal);
    }
    else
    {
        // Numbers in files are written with a point and no grouping, and are wholly numbers.
        double d = 0;
        long n = 0;
        VARIANT number;
        const bool real = slot.vt == VT_R8 || slot.vt == VT_R4;
        number.vt = real ? VT_R8 : VT_I4;
        if (real ? WholeNumber(t, d) : WholeInteger(t, n))
        {
            if (real)
                number.dblVal = d;
            else
                number.lVal = static_cast<LONG>(n);
            hr = ::VariantChangeType(out, &number, 0, slot.vt); // overflow of a narrower type refused
        }
        else
            hr = DISP_E_TYPEMISMATCH;
    }
    if (FAILED(hr))
        g_loadError = slot.name + L" does not take \"" + t.substr(0, 40) + L"\"";
    return SUCCEEDED(hr);
}

RecordKind KindOf(const std::wstring& word, LONG_PTR& container, Drawing& d)
{
    struct Entry
    {
        const wchar_t* word;
        RecordKind kind;
        LONG_PTR Drawing::*container;
    };
    static const Entry entries[] = {
        {L"layer", RecordKind::Layer, &Drawing::layerTable},
        {L"linetype", RecordKind::Linetype, &Drawing::linetypeTable},
        {L"textstyle", RecordKind::TextStyle, &Drawing::textStyleTable},
        {L"dimstyle", RecordKind::DimStyle, &Drawing::dimStyleTable},
        {L"block", RecordKind::Block, &Drawing::blockTable},
        {L"material", RecordKind::DictionaryEntry, &Drawing::materials},
        {L"visualstyle", RecordKind::DictionaryEntry, &Drawing::visualStyles},
        {L"mleaderstyle", RecordKind::DictionaryEntry, &Drawing::mleaderStyles},
        {L"tablestyle", RecordKind::DictionaryEntry, &Drawing::tableStyles},
        {L"plotstyle", RecordKind::DictionaryEntry, &Drawing::plotStyles},
    };
    for (const Entry& e : entries)
        if (word == e.word)
        {
            container = d.*e.container;
            return e.kind;
        }
    container = 0;
    return RecordKind::Entity;
}

// UTF-8 into text; the caller has bounded the size. Bytes that are not UTF-8 (a file cut in
// the middle of a character, or in another encoding) are refused with the line they are on.
bool FromUtf8(const char* bytes, size_t size, std::wstring& text, int& badLine)
{
    const int length = static_cast<int>(std::min(size, kMaxFileBytes));
    const int n = length ? ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, length, nullptr, 0) : 0;
    if (length && n <= 0)
    {
        badLine = 1;
        for (int start = 0; start < length; ++badLine)
        {
            const char* newline = static_cast<const char*>(std::memchr(bytes + start, '\n', length - start));
            const int end = newline ? static_cast<int>(newline - bytes) : length;
            if (end > start &&
                ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes + start, end - start, nullptr, 0) <= 0)
                break;
            start = end + 1;
        }
        g_loadError = L"the text is not UTF-8";
        return false;
    }
    text.assign(static_cast<size_t>(n), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, bytes, length, text.data(), n);
    return true;
}

// One line into the drawing; false when it is not understood. A drawing read aside takes
// only what the drawing holds: the host's settings and the objects' extras are the current
// document's.
bool ReadLine(Drawing& d, const std::wstring& line, bool aside)
{
    std::vector<Token> tokens;
    if (!Tokenize(line, tokens))
        return false;
    if (tokens.empty() || tokens[0].key.empty() || tokens[0].key[0] == L'#')
        return tokens.empty() || !tokens[0].key.empty();
    const std::wstring& what = tokens[0].key;
    if (what == L"drawing")
    {
        if (const Token* name = Find(tokens, L"name"))
            d.fileName = name->value;
        // Objects and layers name plot styles, or the plot styles follow the colours.
        if (const Token* mode = Find(tokens, L"plotstyles"))
        {
            if (mode->value != L"named" && mode->value != L"color")
            {
                g_loadError = L"plotstyles is named or color, not \"" + mode->value + L"\"";
                return false;
            }
            d.colorDependentPlotStyles = mode->value == L"color";
        }
        return true;
    }
    if (aside && (what == L"sysvar" || what == L"predefined" || what == L"custom" || what == L"dynprop"))
        return true;
    if (what == L"sysvar" && tokens.size() == 3)
    {
        resbuf now{};
        if (dkedGetVar(tokens[1].key.c_str(), &now) != RTNORM)
            return false;
        resbuf rb{};
        rb.restype = now.restype;
        const wchar_t* text = tokens[2].key.c_str();
        wchar_t* end = nullptr;
        if (now.restype == RTSTR)
        {
            ::free(now.resval.rstring);
            rb.resval.rstring = const_cast<wchar_t*>(text);
        }
        else if (now.restype == RTREAL)
            rb.resval.rreal = std::wcstod(text, &end);
        else
        {
            const long n = std::wcstol(text, &end, 10);
            rb.resval.rint = static_cast<short>(n);
            if (n != rb.resval.rint)
                end = nullptr;
        }
        // The whole value is read, and the variable takes it (a unit setting in its range, a
        // finite angle), or the drawing is refused.
        if ((now.restype != RTSTR && (!end || end == text || *end)) || dkedSetVar(tokens[1].key.c_str(), &rb) != RTNORM)
        {
            g_loadError = tokens[1].key + L" does not take " + tokens[2].key;
            return false;
        }
        return true;
    }
    LONG_PTR container = 0;
    const RecordKind kind = KindOf(what, container, d);
    if (container && tokens.size() >= 2)
    {
        if (tokens[1].hasValue || tokens[1].key.empty())
        {
            g_loadError = what + L" needs a name";
            return false;
        }
        static const wchar_t* const kFlags[] = {L"frozen",   L"off",        L"locked", L"dependent",
                                                L"vpfrozen", L"annotative", L"xref"};
        auto isFlag = [](const std::wstring& w)
        { return std::any_of(std::begin(kFlags), std::end(kFlags), [&](const wchar_t* f) { return w == f; }); };
        // A record's settings: color=, linetype=, flags; a bare word right after the name is
        // its description. Anything else is refused rather than dropped.
        long color = -1;
        long vpColor = -1;
        long lineweight = -3, vpLineweight = -4;
        LONG_PTR linetype = 0, vpLinetype = 0;
        LONG_PTR plotStyle = 0, vpPlotStyle = 0;
        std::vector<int> pattern;
        double width = 1.0, oblique = 0.0;
        long flagBits = 0;
        auto isLineweight = [](long v) { return v == -3 || (v >= 0 && v <= 211); };
        for (size_t i = 2; i < tokens.size(); ++i)
        {
            const Token& t = tokens[i];
            if (!t.hasValue && (isFlag(t.key) || i == 2))
                continue;
            if (t.hasValue && t.key == L"color" && WholeInteger(t.value, color) && color >= 1 && color <= 255)
                continue;
            // The colour, lineweight and linetype the current viewport overrides the layer's with.
            if (t.hasValue && t.key == L"vpcolor" && WholeInteger(t.value, vpColor) && vpColor >= 1 && vpColor <= 255)
                continue;
            if (t.hasValue && t.key == L"lineweight" && WholeInteger(t.value, lineweight) && isLineweight(lineweight))
                continue;
            if (t.hasValue && t.key == L"vplineweight" && WholeInteger(t.value, vpLineweight) &&
                isLineweight(vpLineweight))
                continue;
            if (t.hasValue && (t.key == L"linetype" || t.key == L"vplinetype"))
                if (Record* l = d.FindInTable(d.linetypeTable, t.value))
                {
                    (t.key == L"linetype" ? linetype : vpLinetype) = l->id;
                    continue;
                }
            // A layer's plot style, and the one the current viewport overrides it with.
            if (t.hasValue && (t.key == L"plotstyle" || t.key == L"vpplotstyle") && kind == RecordKind::Layer)
                if (Record* style = d.FindInTable(d.plotStyles, t.value))
                {
                    (t.key == L"plotstyle" ? plotStyle : vpPlotStyle) = style->id;
                    continue;
                }
            // A linetype's dashes (positive) and gaps (negative) in pixels.
            if (t.hasValue && t.key == L"pattern" && kind == RecordKind::Linetype)
            {
                pattern.clear();
                bool ok = !t.value.empty();
                for (size_t at = 0; ok && at <= t.value.size();)
                {
                    const size_t comma = std::min(t.value.find(L',', at), t.value.size());
                    long part = 0;
                    ok = WholeInteger(t.value.substr(at, comma - at), part) && part >= -1000 && part <= 1000;
                    pattern.push_back(static_cast<int>(part));
                    at = comma + 1;
                }
                if (ok)
                    continue;
            }
            // A text style's width factor, oblique angle in degrees and flag bits.
            if (t.hasValue && kind == RecordKind::TextStyle)
            {
                wchar_t* end = nullptr;
                const double x = std::wcstod(t.value.c_str(), &end);
                const bool number = !t.value.empty() && end && !*end && std::isfinite(x);
                if (t.key == L"width" && number && x > 0 && x <= 100)
                {
                    width = x;
                    continue;
                }
                if (t.key == L"oblique" && number && x > -85 && x < 85)
                {
                    oblique = x * 3.14159265358979323846 / 180;
                    continue;
                }
                if (t.key == L"flags" && WholeInteger(t.value, flagBits) && flagBits >= 0 && flagBits <= 255)
                    continue;
            }
            g_loadError = t.key == L"color" || t.key == L"vpcolor"
                              ? L"a colour index is from 1 to 255, not \"" + t.value + L"\""
                          : t.key == L"linetype" || t.key == L"vplinetype"
                              ? L"linetype \"" + t.value + L"\" is not in the drawing"
                          : t.key == L"lineweight" || t.key == L"vplineweight"
                              ? L"a lineweight is -3 or from 0 to 211, not \"" + t.value + L"\""
                          : t.key == L"plotstyle" || t.key == L"vpplotstyle"
                              ? L"plot style \"" + t.value + L"\" is not in the drawing"
                          : t.key == L"pattern" ? L"a pattern is whole numbers of pixels, not \"" + t.value + L"\""
                                                : L"\"" + t.key + L"\" is not a setting of " + what;
            return false;
        }
        Record* r = d.FindInTable(container, tokens[1].key);
        if (!r)
            r = &d.Add(kind, container, tokens[1].key);
        if (tokens.size() >= 3 && !tokens[2].hasValue && !isFlag(tokens[2].key))
            r->comment = tokens[2].key;
        if (color > 0)
            r->color = static_cast<int>(color);
        if (linetype)
            r->linetype = linetype;
        r->frozen = Flag(tokens, L"frozen");
        r->off = Flag(tokens, L"off");
        r->locked = Flag(tokens, L"locked");
        r->dependent = Flag(tokens, L"dependent");
        if (Flag(tokens, L"vpfrozen"))
            r->frozenInViewports.insert(1);
        if (vpColor > 0)
            r->viewportColors[1] = static_cast<int>(vpColor);
        r->lineweight = static_cast<int>(lineweight);
        if (vpLineweight != -4)
            r->viewportLineweights[1] = static_cast<int>(vpLineweight);
        if (vpLinetype)
            r->viewportLinetypes[1] = vpLinetype;
        if (plotStyle)
            r->plotStyle = plotStyle;
        if (vpPlotStyle)
            r->viewportPlotStyles[1] = vpPlotStyle;
        r->xref = Flag(tokens, L"xref");
        if (!pattern.empty())
            r->pattern = pattern;
        r->annotative = Flag(tokens, L"annotative");
        r->widthFactor = width;
        r->oblique = oblique;
        r->flagBits = static_cast<int>(flagBits);
        return true;
    }
    if (what == L"entity" && tokens.size() >= 2)
    {
        const ObjectClass* cls = d.Class(tokens[1].key);
        if (!cls)
            return false;
        LONG_PTR owner = 0;
        if (const Token* o = Find(tokens, L"owner"))
        {
            Record* ownerRecord = d.FindByHandle(o->value);
            if (!ownerRecord)
                return false;
            owner = ownerRecord->id;
        }
        // A leader line is a part of its multileader, with no handle of its own.
        const Record* ownerRecord = d.Find(owner);
        if (cls->name == L"MLeaderLine" && (!ownerRecord || !ownerRecord->cls || ownerRecord->cls->name != L"MLeader"))
        {
            g_loadError = L"a leader line's owner is a multileader";
            return false;
        }
        Record& r = d.AddEntity(*cls, owner);
        const Token* descriptions = nullptr;
        for (size_t i = 2; i < tokens.size(); ++i)
        {
            const Token& t = tokens[i];
            if (t.key == L"owner")
                continue;
            if (t.key == L"multiline" && !t.hasValue && cls->name == L"Attribute")
            {
                r.multiline = true;
                continue;
            }
            // An attribute that tells its kind only as attribute definitions do.
            if (t.key == L"definitionkind" && !t.hasValue && cls->name == L"Attribute")
            {
                r.attributeKind = dkhost_test::kAttributeKindDefinition;
                continue;
            }
            // The hyperlinks' descriptions, in the order of their addresses.
            if (t.key == L"HyperlinkDescriptions" && t.hasValue)
            {
                descriptions = &t;
                continue;
            }
            if (t.key == L"surface" && !t.hasValue)
            {
                r.surfaceDriven = true;
                continue;
            }
            // What a section makes: live, 2D or 3D geometry.
            if (t.key == L"Kind" && cls->name == L"Section")
            {
                if (!t.hasValue || !SectionKindFromText(t.value, r.sectionKind))
                {
                    g_loadError = L"a section's Kind is live, 2d or 3d, not \"" + t.value + L"\"";
                    return false;
                }
                continue;
            }
            if (t.key == L"handle" && r.subentIndex)
            {
                g_loadError = L"a leader line has no handle";
                return false;
            }
            if (t.key == L"handle")
            {
                // Each entity's own: never empty, never another's.
                if (!d.SetHandle(r, t.value))
                {
                    g_loadError = t.value.empty() ? L"a handle is empty" : L"handle " + t.value + L" is used twice";
                    return false;
                }
                continue;
            }
            const PropertySlot* slot = cls->Slot(t.key);
            if (!slot || !t.hasValue)
            {
                g_loadError = L"\"" + t.key + L"\" is not a property of " + cls->name + (slot ? L" with a value" : L"");
                return false;
            }
            dkfw::UniqueVariant v;
            if (!ToValue(*cls, *slot, t.value, v.Put()))
                return false;
            // What the host's own put would refuse is refused here too.
            std::wstring why;
            if (!d.Validate(r, *slot, v.Get(), why))
            {
                g_loadError = why;
                return false;
            }
            d.StoreRaw(r, cls->SlotIndex(slot->dispid), v.Get());
        }
        if (descriptions)
        {
            const int i = cls->SlotIndex(L"Hyperlink");
            HyperlinkList items;
            if (i < 0 || !HyperlinksOf(r.values[static_cast<size_t>(i)].Get(), items) || items.empty())
            {
                g_loadError = L"HyperlinkDescriptions describes the addresses of Hyperlink, and there are none";
                return false;
            }
            std::wstring addresses;
            for (const Hyperlink& h : items)
                addresses += (addresses.empty() ? L"" : L"|") + h.address;
            dkfw::UniqueVariant v;
            v.Put()->vt = VT_DISPATCH;
            if (FAILED(NewHyperlinks(ParseHyperlinks(addresses, descriptions->value), false, &v.Addr()->pdispVal)))
                return false;
            d.StoreRaw(r, i, v.Get());
        }
        return true;
    }
    // Names (with values) an object's IPerPropertyBrowsing offers for a property; notimpl
    // leaves the values to the type description.
    if (what == L"predefined")
    {
        const Token* handle = Find(tokens, L"handle");
        const Token* dispid = Find(tokens, L"dispid");
        const Token* names = Find(tokens, L"names");
        Record* r = handle ? d.FindByHandle(handle->value) : nullptr;
        if (!r || !dispid || !names)
            return false;
        NamedValues list;
        long id = 0;
        if (!ParseNamedValues(names->value, list))
            return false;
        if (!WholeInteger(dispid->value, id))
        {
            g_loadError = L"dispid is a whole number, not \"" + dispid->value + L"\"";
            return false;
        }
        const std::vector<const wchar_t*> raw = list.Names();
        dkhost_test::SetPredefined(r->id, id, raw.data(), list.values.data(), static_cast<int>(raw.size()),
                                   Flag(tokens, L"notimpl"));
        return true;
    }
    // Special values an object offers for a property beside its ordinary ones, and the one
    // it holds (none without held).
    if (what == L"custom")
    {
        const Token* handle = Find(tokens, L"handle");
        const Token* dispid = Find(tokens, L"dispid");
        const Token* names = Find(tokens, L"names");
        const Token* held = Find(tokens, L"held");
        Record* r = handle ? d.FindByHandle(handle->value) : nullptr;
        NamedValues list;
        long id = 0;
        if (!r || !dispid || !names || !ParseNamedValues(names->value, list) || !WholeInteger(dispid->value, id))
        {
            g_loadError = L"custom takes handle=, dispid= and names=\"NAME:ID|...\"";
            return false;
        }
        int heldIndex = -1;
        for (size_t i = 0; held && i < list.names.size(); ++i)
            if (list.names[i] == held->value)
                heldIndex = static_cast<int>(i);
        if (held && heldIndex < 0)
        {
            g_loadError = L"held=\"" + held->value + L"\" is none of the names";
            return false;
        }
        const std::vector<const wchar_t*> raw = list.Names();
        dkhost_test::SetCustomValues(r->id, id, raw.data(), list.values.data(), static_cast<int>(raw.size()), heldIndex,
                                     false);
        return true;
    }
    if (what == L"dynprop" && tokens.size() >= 2)
    {
        for (size_t i = 2; i < tokens.size(); ++i)
        {
            const Token& t = tokens[i];
            const bool known =
                t.hasValue ? t.key == L"class" || t.key == L"type" || t.key == L"choices" : t.key == L"readonly";
            if (!known || (t.hasValue && t.value.empty()))
            {
                g_loadError = L"\"" + t.key + L"\" is not a setting of dynprop";
                return false;
            }
        }
        const Token* cls = Find(tokens, L"class");
        const Token* type = Find(tokens, L"type");
        const VARTYPE vt = !type || type->value == L"BSTR" ? VT_BSTR
                           : type->value == L"R8"          ? VT_R8
                           : type->value == L"BOOL"        ? VT_BOOL
                           : type->value == L"I4"          ? VT_I4
                                                           : VT_EMPTY;
        if (vt == VT_EMPTY)
        {
            g_loadError = L"a dynamic property's type is BSTR, R8, BOOL or I4";
            return false;
        }
        IUnknown* p = nullptr;
        if (FAILED(dkhost_test::AddDynamicProperty(tokens[1].key.c_str(), cls ? cls->value.c_str() : L"*", vt, &p)))
            return false;
        const dkfw::ComPtr<IUnknown> held = dkfw::ComPtr<IUnknown>::Attach(p);
        if (const Token* choices = Find(tokens, L"choices"))
        {
            NamedValues list;
            if (!ParseNamedValues(choices->value, list))
                return false;
            std::vector<VARIANT> values;
            for (LONG n : list.values)
            {
                VARIANT v;
                v.vt = VT_I4;
                v.lVal = n;
                values.push_back(v);
            }
            const std::vector<const wchar_t*> raw = list.Names();
            dkhost_test::SetDynamicChoices(p, raw.data(), values.data(), static_cast<int>(values.size()));
        }
        dkhost_test::SetDynamicReadOnly(p, Flag(tokens, L"readonly"));
        return true;
    }
    return false;
}
} // namespace

// The lines of a drawing's text into d; false with the reason and the line not taken.
bool ReadText(Drawing& d, const std::wstring& text, int& number, bool aside)
{
    g_loadError.clear();
    number = 0;
    // A byte order mark is no part of the first line.
    std::wstringstream in(!text.empty() && text[0] == L'\xFEFF' ? text.substr(1) : text);
    std::wstring line;
    while (std::getline(in, line))
    {
        ++number;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (number > kMaxLines)
            g_loadError = L"a drawing has at most " + std::to_wstring(kMaxLines) + L" lines";
        if (!g_loadError.empty() || !ReadLine(d, line, aside))
        {
            if (g_loadError.empty())
                g_loadError = L"the line is not understood";
            return false;
        }
    }
    // Every line ends with a line end: a file without one at its end was cut short.
    if (!text.empty() && text.back() != L'\n')
    {
        g_loadError = L"the last line has no line end: the file may be cut short";
        return false;
    }
    number = 0;
    return true;
}

HRESULT LoadDrawing(const std::wstring& text, int* errorLine)
{
    ResetDrawing();
    ClearDynamicProperties();
    int number = 0;
    const bool read = ReadText(CurrentDrawing(), text, number, false);
    if (errorLine)
        *errorLine = number;
    if (!read)
    {
        ResetDrawing();
        return E_INVALIDARG;
    }
    JournalAdd(L"drawing opened " + CurrentDrawing().fileName);
    return S_OK;
}

// A drawing file's text: E_INVALIDARG (with why, and the line) for a file too large or not
// UTF-8, the system's error for one that cannot be opened or read.
HRESULT ReadFileText(const std::wstring& path, DWORD share, std::wstring& text, int& badLine)
{
    badLine = 0;
    g_loadError.clear();
    HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
    {
        const HRESULT hr = HRESULT_FROM_WIN32(::GetLastError());
        g_loadError = L"the file cannot be opened";
        return hr;
    }
    const dkfw::UniqueHandle file(opened);
    // The size is checked before anything is read, and again as it is read (a file that grows).
    LARGE_INTEGER size{};
    std::string bytes;
    char buf[65536];
    DWORD got = 0;
    bool tooLarge =
        !::GetFileSizeEx(file.Get(), &size) || static_cast<unsigned long long>(size.QuadPart) > kMaxFileBytes;
    while (!tooLarge && ::ReadFile(file.Get(), buf, sizeof(buf), &got, nullptr) && got > 0)
    {
        bytes.append(buf, got);
        tooLarge = bytes.size() > kMaxFileBytes;
    }
    if (tooLarge)
    {
        g_loadError = L"a drawing file has at most " + std::to_wstring(kMaxFileBytes >> 20) + L" MiB";
        return E_INVALIDARG;
    }
    return FromUtf8(bytes.data(), bytes.size(), text, badLine) ? S_OK : E_INVALIDARG;
}

// Where the sample's own files are, in its text.
constexpr wchar_t kSampleFiles[] = L"$(SAMPLEFILES)";

// A resource of the host's, or null.
const char* Embedded(const wchar_t* name, DWORD& size)
{
    HMODULE host = HostModule();
    HRSRC res = ::FindResourceW(host, name, RT_RCDATA);
    HGLOBAL data = res ? ::LoadResource(host, res) : nullptr;
    size = res ? ::SizeofResource(host, res) : 0;
    return data ? static_cast<const char*>(::LockResource(data)) : nullptr;
}

// Writes the sample's web file into a folder of the user's temporary files and returns the
// folder. A file that cannot be written is left out: the lights then name a file that is not
// there, as a drawing from elsewhere may.
std::wstring WriteSampleFiles()
{
    wchar_t temp[MAX_PATH];
    const DWORD n = ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = (n > 0 && n < MAX_PATH ? std::wstring(temp, n) : std::wstring()) + L"DkHostSample";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    DWORD size = 0;
    const char* bytes = Embedded(L"SAMPLEWEB", size);
    HANDLE opened = bytes ? ::CreateFileW((folder + L"\\Downlight.dkweb").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                          nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                          : INVALID_HANDLE_VALUE;
    if (opened != INVALID_HANDLE_VALUE)
    {
        const dkfw::UniqueHandle file(opened);
        DWORD written = 0;
        ::WriteFile(file.Get(), bytes, size, &written, nullptr);
    }
    return folder;
}

std::wstring FullPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    const DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(full, n) : path;
}
} // namespace dkhost

Drvk::ErrorStatus dkhost::ReadDrawingAside(Drawing& d, const std::wstring& path, bool allowShare)
{
    std::wstring text;
    int line = 0;
    const HRESULT hr =
        ReadFileText(path, allowShare ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ, text, line);
    if (FAILED(hr))
        return hr == E_INVALIDARG ? Drvk::eBadDwgHeader : Drvk::eFileAccessErr;
    if (!ReadText(d, text, line, true))
        return Drvk::eBadDwgHeader;
    d.path = FullPath(path);
    return Drvk::eOk;
}

namespace dkhost_test
{
HRESULT LoadDrawingText(const wchar_t* text, int* errorLine) noexcept
try
{
    return dkhost::LoadDrawing(text ? text : L"", errorLine);
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT LoadDrawingFile(const wchar_t* path, int* errorLine) noexcept
try
{
    if (errorLine)
        *errorLine = 0;
    std::wstring text;
    int badLine = 0;
    const std::wstring given = path ? path : L"";
    if (const HRESULT hr = dkhost::ReadFileText(given, FILE_SHARE_READ, text, badLine); FAILED(hr))
    {
        if (errorLine)
            *errorLine = badLine;
        return hr;
    }
    const HRESULT hr = dkhost::LoadDrawing(text, errorLine);
    // A drawing read from a file has a name and a folder of its own.
    if (SUCCEEDED(hr))
        dkhost::CurrentDrawing().path = dkhost::FullPath(given);
    return hr;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

const wchar_t* LastLoadError() noexcept
{
    return dkhost::g_loadError.c_str();
}

HRESULT LoadSampleDrawing() noexcept
try
{
    DWORD size = 0;
    const char* bytes = dkhost::Embedded(L"SAMPLE", size);
    if (!bytes)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_NOT_FOUND);
    int line = 0;
    std::wstring text;
    if (!dkhost::FromUtf8(bytes, size, text, line))
        return E_INVALIDARG;
    // The files the sample names travel inside the host: they are written out where it says.
    const std::wstring folder = dkhost::WriteSampleFiles();
    for (size_t at = text.find(dkhost::kSampleFiles); at != std::wstring::npos;
         at = text.find(dkhost::kSampleFiles, at))
    {
        text.replace(at, std::wcslen(dkhost::kSampleFiles), folder);
        at += folder.size();
    }
    return dkhost::LoadDrawing(text, &line);
}
catch (...)
{
    return E_OUTOFMEMORY;
}
} // namespace dkhost_test

// The host's drawing files: a line per table record, entity or setting, read into a new
// drawing. The sample drawing is such a file, embedded in DkHost.dll.
#include "DkHostTest.h"
#include "Drawing.h"
#include "DynamicProperty.h"
#include "Journal.h"

#include "Unique.h"

#include <algorithm>
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

// Words separated by blanks; "quoted text" keeps its blanks; key=value pairs split.
std::vector<Token> Tokenize(const std::wstring& line)
{
    std::vector<Token> out;
    size_t i = 0;
    auto word = [&]()
    {
        std::wstring w;
        if (i < line.size() && line[i] == L'"')
        {
            for (++i; i < line.size() && line[i] != L'"'; ++i)
                w += line[i];
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
    return out;
}

std::vector<double> Numbers(const std::wstring& text)
{
    std::vector<double> out;
    std::wstringstream ss(text);
    std::wstring part;
    while (std::getline(ss, part, L','))
        out.push_back(std::wcstod(part.c_str(), nullptr));
    return out;
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

NamedValues ParseNamedValues(const std::wstring& text)
{
    NamedValues list;
    std::wstringstream ss(text);
    std::wstring item;
    while (std::getline(ss, item, L'|'))
    {
        const size_t colon = item.find(L':');
        list.names.push_back(item.substr(0, colon));
        list.values.push_back(colon == std::wstring::npos ? static_cast<LONG>(list.values.size())
                                                          : std::wcstol(item.c_str() + colon + 1, nullptr, 10));
    }
    return list;
}

const Token* Find(const std::vector<Token>& tokens, const wchar_t* name)
{
    for (const Token& t : tokens)
        if (t.hasValue && t.key == name)
            return &t;
    return nullptr;
}

// A value of the slot's type from its text: numbers, enumeration names, yes/no, points.
bool ToValue(const ObjectClass& cls, const PropertySlot& slot, const std::wstring& text, VARIANT* out)
{
    ::VariantInit(out);
    if (slot.vt == VT_VARIANT)
    {
        std::vector<double> n = Numbers(text);
        if (n.size() > kMaxNumbers)
        {
            g_loadError = slot.name + L" holds more than " + std::to_wstring(kMaxNumbers) + L" numbers";
            return false;
        }
        if (slot.name != L"Coordinates")
            n.resize(3, 0.0);
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
    if (slot.isEnum && !text.empty() && !std::iswdigit(text[0]) && text[0] != L'-')
    {
        // An enumeration constant by name.
        dkfw::ComPtr<ITypeLib> lib;
        UINT index = 0;
        if (FAILED(cls.typeInfo->GetContainingTypeLib(lib.Put(), &index)))
            return false;
        MEMBERID id = 0;
        USHORT found = 1;
        dkfw::ComPtr<ITypeInfo> info;
        std::wstring name = text;
        if (FAILED(lib->FindName(name.data(), 0, info.Put(), &id, &found)) || found == 0)
            return false;
        VARDESC* vd = nullptr;
        UINT got = 0;
        TYPEATTR* ta = nullptr;
        bool ok = false;
        if (SUCCEEDED(info->GetTypeAttr(&ta)))
        {
            for (UINT v = 0; v < ta->cVars && !ok; ++v)
                if (SUCCEEDED(info->GetVarDesc(v, &vd)))
                {
                    if (vd->memid == id && vd->lpvarValue)
                    {
                        out->vt = VT_I4;
                        out->lVal = vd->lpvarValue->lVal;
                        ok = true;
                    }
                    info->ReleaseVarDesc(vd);
                }
            info->ReleaseTypeAttr(ta);
        }
        (void)got;
        return ok;
    }
    VARIANT src;
    src.vt = VT_BSTR;
    std::wstring t = text;
    if (slot.vt == VT_BOOL)
        t = (t == L"yes" || t == L"true" || t == L"1") ? L"-1" : L"0";
    src.bstrVal = ::SysAllocString(t.c_str());
    // Numbers in files are written with a point whatever the user's locale.
    const HRESULT hr =
        ::VariantChangeTypeEx(out, &src, MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), 0), 0, slot.vt);
    ::SysFreeString(src.bstrVal);
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

} // namespace

// UTF-8 into text; the caller has bounded the size.
std::wstring FromUtf8(const char* bytes, size_t size)
{
    const int length = static_cast<int>(std::min(size, kMaxFileBytes));
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes, length, nullptr, 0);
    std::wstring text(static_cast<size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, bytes, length, text.data(), n);
    return text;
}

namespace
{
// One line into the drawing; false when it is not understood.
bool ReadLine(Drawing& d, const std::wstring& line)
{
    std::vector<Token> tokens = Tokenize(line);
    if (tokens.empty() || tokens[0].key[0] == L'#')
        return true;
    const std::wstring& what = tokens[0].key;
    if (what == L"drawing")
    {
        if (const Token* name = Find(tokens, L"name"))
            d.fileName = name->value;
        return true;
    }
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
        if ((now.restype != RTSTR && (!end || end == text || *end)) ||
            dkedSetVar(tokens[1].key.c_str(), &rb) != RTNORM)
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
        Record* r = d.FindInTable(container, tokens[1].key);
        if (!r)
            r = &d.Add(kind, container, tokens[1].key);
        if (tokens.size() >= 3 && !tokens[2].hasValue)
            r->comment = tokens[2].key;
        if (const Token* c = Find(tokens, L"color"))
            r->color = std::wcstol(c->value.c_str(), nullptr, 10);
        if (const Token* lt = Find(tokens, L"linetype"))
            if (Record* l = d.FindInTable(d.linetypeTable, lt->value))
                r->linetype = l->id;
        r->frozen = Flag(tokens, L"frozen");
        r->off = Flag(tokens, L"off");
        r->locked = Flag(tokens, L"locked");
        r->dependent = Flag(tokens, L"dependent");
        if (Flag(tokens, L"vpfrozen"))
            r->frozenInViewports.insert(1);
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
        Record& r = d.AddEntity(*cls, owner);
        for (size_t i = 2; i < tokens.size(); ++i)
        {
            const Token& t = tokens[i];
            if (t.key == L"owner")
                continue;
            if (t.key == L"handle")
            {
                r.handle = t.value;
                continue;
            }
            const PropertySlot* slot = cls->Slot(t.key);
            dkfw::UniqueVariant v;
            if (!slot || !t.hasValue || !ToValue(*cls, *slot, t.value, v.Put()))
                return false;
            d.StoreRaw(r, cls->SlotIndex(slot->dispid), v.Get());
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
        const NamedValues list = ParseNamedValues(names->value);
        const std::vector<const wchar_t*> raw = list.Names();
        dkhost_test::SetPredefined(r->id, std::wcstol(dispid->value.c_str(), nullptr, 10), raw.data(),
                                   list.values.data(), static_cast<int>(raw.size()), Flag(tokens, L"notimpl"));
        return true;
    }
    if (what == L"dynprop" && tokens.size() >= 2)
    {
        const Token* cls = Find(tokens, L"class");
        const Token* type = Find(tokens, L"type");
        const VARTYPE vt = !type || type->value == L"BSTR" ? VT_BSTR
                           : type->value == L"R8"          ? VT_R8
                           : type->value == L"BOOL"        ? VT_BOOL
                                                           : VT_I4;
        IUnknown* p = nullptr;
        if (FAILED(dkhost_test::AddDynamicProperty(tokens[1].key.c_str(), cls ? cls->value.c_str() : L"*", vt, &p)))
            return false;
        if (const Token* choices = Find(tokens, L"choices"))
        {
            const NamedValues list = ParseNamedValues(choices->value);
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
        p->Release();
        return true;
    }
    return false;
}
} // namespace

HRESULT LoadDrawing(const std::wstring& text, int* errorLine)
{
    ResetDrawing();
    ClearDynamicProperties();
    g_loadError.clear();
    std::wstringstream in(text);
    std::wstring line;
    int number = 0;
    while (std::getline(in, line))
    {
        ++number;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (number > kMaxLines)
            g_loadError = L"a drawing has at most " + std::to_wstring(kMaxLines) + L" lines";
        if (!g_loadError.empty() || !ReadLine(CurrentDrawing(), line))
        {
            if (g_loadError.empty())
                g_loadError = L"the line is not understood";
            ResetDrawing();
            if (errorLine)
                *errorLine = number;
            return E_INVALIDARG;
        }
    }
    if (errorLine)
        *errorLine = 0;
    JournalAdd(L"drawing opened " + CurrentDrawing().fileName);
    return S_OK;
}
} // namespace dkhost

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
    dkhost::g_loadError.clear();
    HANDLE opened = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
    {
        const HRESULT hr = HRESULT_FROM_WIN32(::GetLastError());
        dkhost::g_loadError = L"the file cannot be opened";
        return hr;
    }
    const dkfw::UniqueHandle file(opened);
    // The size is checked before anything is read, and again as it is read (a file that grows).
    LARGE_INTEGER size{};
    std::string bytes;
    char buf[65536];
    DWORD got = 0;
    bool tooLarge = !::GetFileSizeEx(file.Get(), &size) || static_cast<unsigned long long>(size.QuadPart) > dkhost::kMaxFileBytes;
    while (!tooLarge && ::ReadFile(file.Get(), buf, sizeof(buf), &got, nullptr) && got > 0)
    {
        bytes.append(buf, got);
        tooLarge = bytes.size() > dkhost::kMaxFileBytes;
    }
    if (tooLarge)
    {
        dkhost::g_loadError = L"a drawing file has at most " + std::to_wstring(dkhost::kMaxFileBytes >> 20) + L" MiB";
        return E_INVALIDARG;
    }
    return dkhost::LoadDrawing(dkhost::FromUtf8(bytes.data(), bytes.size()), errorLine);
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
    HMODULE host = dkhost::HostModule();
    HRSRC res = ::FindResourceW(host, L"SAMPLE", RT_RCDATA);
    HGLOBAL data = res ? ::LoadResource(host, res) : nullptr;
    const char* bytes = data ? static_cast<const char*>(::LockResource(data)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_NOT_FOUND);
    int line = 0;
    return dkhost::LoadDrawing(dkhost::FromUtf8(bytes, ::SizeofResource(host, res)), &line);
}
catch (...)
{
    return E_OUTOFMEMORY;
}
} // namespace dkhost_test

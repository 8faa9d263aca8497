// Sections: kinds, layer values and the settings object.
#include "Sections.h"

#include "ComObject.h"
#include "HResult.h"

namespace dkhost
{
namespace
{
constexpr DISPID kMakes2d = 133;
constexpr DISPID kMakes3d = 94;

// What a section makes, as automation reads it; no type information, no names.
class SectionSettings : public dkfw::ComImplements<IDispatch>
{
public:
    int kind = kLiveSection;

    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !count);
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override
    {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) noexcept override
    {
        for (UINT i = 0; ids && i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) noexcept override
    {
        RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, (id != kMakes2d && id != kMakes3d) || !(flags & DISPATCH_PROPERTYGET));
        RETURN_HR_IF(DISP_E_BADPARAMCOUNT, params && params->cArgs != 0);
        if (result)
        {
            ::VariantInit(result);
            result->vt = VT_I4;
            result->lVal = kind == (id == kMakes2d ? k2dSection : k3dSection) ? 1 : 0;
        }
        return S_OK;
    }
};
} // namespace

bool SectionKindFromText(const std::wstring& text, int& kind) noexcept
{
    auto is = [&](const wchar_t* word)
    { return ::CompareStringOrdinal(text.c_str(), -1, word, -1, TRUE) == CSTR_EQUAL; };
    kind = is(L"live") ? kLiveSection : is(L"2d") ? k2dSection : is(L"3d") ? k3dSection : 0;
    return kind != 0;
}

bool IsSectionLayer(const ObjectClass& cls, const PropertySlot& slot) noexcept
{
    const std::wstring& n = slot.name;
    return cls.name == L"Section" && slot.vt == VT_BSTR && n.size() > 5 && n != L"Layer" &&
           n.compare(n.size() - 5, 5, L"Layer") == 0;
}

bool AcceptSectionLayer(Drawing& d, const std::wstring& value, std::wstring& description)
{
    if (value.find(L'*') != std::wstring::npos || d.FindInTable(d.layerTable, value))
        return true;
    description = L"Layer \"" + value + L"\" does not exist, and a layer name pattern needs a \"*\".";
    return false;
}

HRESULT NewSectionSettings(int kind, IDispatch** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = nullptr;
    dkfw::ComObject<SectionSettings>* object = nullptr;
    RETURN_IF_FAILED(dkfw::ComObject<SectionSettings>::Create(&object));
    object->kind = kind;
    *out = object;
    return S_OK;
}
} // namespace dkhost

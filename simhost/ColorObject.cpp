// The host's colour object and its class.
#include "ColorObject.h"

#include "HostClass.h"

#include "ComObject.h"
#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

#include <cwchar>

namespace dkhost
{
namespace
{
// The members' names, as automation asks for them.
struct Member
{
    const wchar_t* name;
    DISPID id;
};
constexpr Member kMembers[] = {{L"EntityColor", 1}, {L"ColorName", 2},  {L"BookName", 3}, {L"SetNames", 4},
                               {L"ColorMethod", 5}, {L"ColorIndex", 6}, {L"SetRGB", 7}};

class ColorObject : public dkfw::ComImplements<dkfw::Chain<IDkDbColor, IDispatch>>
{
public:
    DkCmColor color;

    // IDispatch, over the members above (no type information).
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
    // One member at a time; its parameters go by position only, so they have no names.
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !names || !ids);
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        if (count == 0 || !names[0])
            return DISP_E_UNKNOWNNAME;
        for (const Member& m : kMembers)
            if (::CompareStringOrdinal(names[0], -1, m.name, -1, TRUE) == CSTR_EQUAL)
                ids[0] = m.id;
        return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) noexcept override
    try
    {
        RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, id < 1 || id > 7);
        const UINT args = params ? params->cArgs : 0;
        const UINT named = params ? params->cNamedArgs : 0;
        // Arguments come last first.
        auto arg = [&](UINT i, VARTYPE vt, VARIANT& out) -> HRESULT
        {
            ::VariantInit(&out);
            return ::VariantChangeType(&out, &params->rgvarg[args - 1 - i], 0, vt);
        };
        if (flags & DISPATCH_PROPERTYPUT)
        {
            RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, id != 1 && id != 6);
            RETURN_HR_IF(DISP_E_BADPARAMCOUNT, args != 1);
            RETURN_HR_IF(DISP_E_PARAMNOTFOUND, named != 1 || !params->rgdispidNamedArgs ||
                                                   params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT);
            dkfw::UniqueVariant v;
            // An entity colour is a bit pattern: a value past the signed range is taken as it is.
            if (FAILED(arg(0, VT_I4, *v.Put())))
                RETURN_IF_FAILED(arg(0, VT_UI4, *v.Put()));
            return id == 1 ? put_EntityColor(v.Get().lVal) : put_ColorIndex(v.Get().lVal);
        }
        RETURN_HR_IF(DISP_E_NONAMEDARGS, named != 0);
        if (id == 4 || id == 7)
        {
            RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, !(flags & DISPATCH_METHOD));
            RETURN_HR_IF(DISP_E_BADPARAMCOUNT, args != (id == 4 ? 2u : 3u));
            dkfw::UniqueVariant a, b, c;
            if (id == 4)
            {
                RETURN_IF_FAILED(arg(0, VT_BSTR, *a.Put()));
                RETURN_IF_FAILED(arg(1, VT_BSTR, *b.Put()));
                return SetNames(a.Get().bstrVal, b.Get().bstrVal);
            }
            RETURN_IF_FAILED(arg(0, VT_I4, *a.Put()));
            RETURN_IF_FAILED(arg(1, VT_I4, *b.Put()));
            RETURN_IF_FAILED(arg(2, VT_I4, *c.Put()));
            return SetRGB(a.Get().lVal, b.Get().lVal, c.Get().lVal);
        }
        RETURN_HR_IF(DISP_E_MEMBERNOTFOUND, !(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)));
        RETURN_HR_IF(DISP_E_BADPARAMCOUNT, args != 0);
        // A caller may read a property and drop what it read.
        dkfw::UniqueVariant value;
        VARIANT& v = *value.Put();
        HRESULT hr = S_OK;
        if (id == 2 || id == 3)
        {
            v.vt = VT_BSTR;
            hr = id == 2 ? get_ColorName(&v.bstrVal) : get_BookName(&v.bstrVal);
        }
        else
        {
            v.vt = VT_I4;
            hr = id == 1 ? get_EntityColor(&v.lVal) : id == 5 ? get_ColorMethod(&v.lVal) : get_ColorIndex(&v.lVal);
        }
        if (SUCCEEDED(hr) && result)
            value.DetachTo(result);
        return hr;
    }
    DK_CATCH_RETURN()

    // IDkDbColor
    STDMETHODIMP get_EntityColor(LONG* value) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !value);
        *value = color.entityColor();
        return S_OK;
    }
    STDMETHODIMP put_EntityColor(LONG value) noexcept override
    {
        return color.setEntityColor(value) == Drvk::eOk ? S_OK : E_INVALIDARG;
    }
    STDMETHODIMP get_ColorName(BSTR* name) noexcept override { return Text(color.colorName(), name); }
    STDMETHODIMP get_BookName(BSTR* name) noexcept override { return Text(color.bookName(), name); }
    STDMETHODIMP SetNames(BSTR colorName, BSTR bookName) noexcept override
    {
        // Names belong to true colours only.
        RETURN_HR_IF(E_FAIL, color.colorMethod() != DkCmColor::kByColor &&
                                 ((colorName && *colorName) || (bookName && *bookName)));
        color.setNames(colorName, bookName);
        return S_OK;
    }
    STDMETHODIMP get_ColorMethod(LONG* method) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !method);
        *method = color.colorMethod();
        return S_OK;
    }
    STDMETHODIMP get_ColorIndex(LONG* index) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !index);
        *index = color.colorIndex();
        return S_OK;
    }
    STDMETHODIMP put_ColorIndex(LONG index) noexcept override
    {
        return color.setColorIndex(index) == Drvk::eOk ? S_OK : E_INVALIDARG;
    }
    STDMETHODIMP SetRGB(LONG red, LONG green, LONG blue) noexcept override
    {
        auto byte = [](LONG v) { return v >= 0 && v <= 255; };
        RETURN_HR_IF(E_INVALIDARG, !byte(red) || !byte(green) || !byte(blue));
        color.setRGB(static_cast<BYTE>(red), static_cast<BYTE>(green), static_cast<BYTE>(blue));
        return S_OK;
    }

private:
    static HRESULT Text(const wchar_t* text, BSTR* out) noexcept
    {
        RETURN_HR_IF(E_POINTER, !out);
        *out = ::SysAllocString(text);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
};

HostClass<ColorObject> g_colorClass(CLSID_DkDbColor);
} // namespace

HRESULT NewColorObject(const DkCmColor& color, IDispatch** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = nullptr;
    dkfw::ComObject<ColorObject>* object = nullptr;
    RETURN_IF_FAILED(dkfw::ComObject<ColorObject>::Create(&object));
    object->color = color;
    *out = static_cast<IDkDbColor*>(object);
    return S_OK;
}

bool ColorOf(IUnknown* object, DkCmColor& color) noexcept
{
    if (!object)
        return false;
    dkfw::ComPtr<IDkDbColor> c;
    LONG value = 0;
    dkfw::UniqueBstr name, book;
    if (FAILED(object->QueryInterface(IID_IDkDbColor, c.PutVoid())) || FAILED(c->get_EntityColor(&value)) ||
        color.setEntityColor(value) != Drvk::eOk)
        return false;
    c->get_ColorName(name.Put());
    c->get_BookName(book.Put());
    color.setNames(name.Get(), book.Get());
    return true;
}

void RegisterColorClass() noexcept
{
    g_colorClass.Register();
}

void RevokeColorClass() noexcept
{
    g_colorClass.Revoke();
}
} // namespace dkhost

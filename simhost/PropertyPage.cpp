// The host's property pages: the objects page (IDkPropertyPageDialog2), the ids page
// (IDkPropertyPageDialog) and the plain page (neither), served in process by DkHost.dll.
#include "PropertyPage.h"

#include "DkHostTest.h"
#include "HostClass.h"
#include "InputDialog.h"
#include "Journal.h"
#include "Lights.h"

#include "DkPiHost.h"

#include "ComObject.h"
#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

#include <ocidl.h>

#include <cwchar>
#include <vector>

namespace dkhost
{
bool NextAnswer(std::wstring& answer);

using dkhost_test::kIdsPageClsid;
using dkhost_test::kObjectsPageClsid;
using dkhost_test::kPlainPageClsid;

namespace
{
// The property a page of the class runs on: the one last mapped to it.
struct Mapping
{
    LONG_PTR id = 0;
    DISPID dispid = 0;
    CLSID page = CLSID_NULL;
};
Mapping g_mapped;

HRESULT g_runFault = S_OK;
int g_runs = 0;
HRESULT g_lastResult = S_OK;
std::wstring g_lastError;

// One selected object as the page sees it.
struct Target
{
    dkfw::ComPtr<IDispatch> object;
    std::wstring handle;
    DISPID dispid = 0;
};

HRESULT Finish(HRESULT hr, const std::wstring& why)
{
    g_lastResult = hr;
    g_lastError = why;
    if (FAILED(hr))
        JournalAdd(L"property page failed: " + why);
    return hr;
}

std::wstring HexResult(HRESULT hr)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// The property's name as the palette shows it (its row of the class), else its own.
std::wstring DisplayNameOf(const Record& r, const PropertySlot& slot)
{
    const dkhost_test::PropertyDescription* rows = nullptr;
    const int n = dkhost_test::PropertyDescriptionsOf(r.cls->name.c_str(), &rows);
    for (int i = 0; i < n; ++i)
        if (rows[i].dispid == slot.dispid && rows[i].component < 0 && rows[i].elementCount == 0)
            return rows[i].name;
    return slot.name;
}

// The text a row shows for the property of an object: its display string where it has one
// (hyperlinks), else the value as text.
std::wstring DisplayText(const Target& t)
{
    dkfw::ComPtr<IPerPropertyBrowsing> browsing;
    dkfw::UniqueBstr display;
    if (SUCCEEDED(t.object->QueryInterface(IID_IPerPropertyBrowsing, browsing.PutVoid())) &&
        SUCCEEDED(browsing->GetDisplayString(t.dispid, display.Put())))
        return std::wstring(display.View());
    DISPPARAMS none{};
    dkfw::UniqueVariant value, text;
    if (FAILED(t.object->Invoke(t.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.Put(),
                                nullptr, nullptr)) ||
        FAILED(::VariantChangeType(text.Put(), value.Addr(), 0, VT_BSTR)))
        return LightValueText(value.Get()); // a light's lamp colour or intensity, else nothing
    return text.Get().bstrVal ? std::wstring(text.Get().bstrVal) : L"";
}

// Runs the dialog of the property last mapped to the page over the objects, and writes what
// it answers to every one of them as one step of undo.
HRESULT Run(const CLSID& page, BSTR* displayName, std::vector<Target>& targets)
{
    ++g_runs;
    RETURN_HR_IF(E_POINTER, !displayName);
    if (targets.empty())
        return Finish(E_INVALIDARG, L"no object is selected");
    Drawing& d = CurrentDrawing();
    Record* mapped = d.Find(g_mapped.id);
    const PropertySlot* slot =
        g_mapped.page == page && mapped && mapped->cls ? mapped->cls->Slot(g_mapped.dispid) : nullptr;
    if (!slot)
        return Finish(E_UNEXPECTED, L"no property of an object was mapped to this page");
    const std::wstring property = slot->name;
    const std::wstring name = DisplayNameOf(*mapped, *slot);
    std::wstring handles;
    for (Target& t : targets)
    {
        // Each object's own DISPID of the property, by its name.
        LPOLESTR names[] = {const_cast<LPOLESTR>(property.c_str())};
        if (FAILED(t.object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &t.dispid)))
            t.dispid = g_mapped.dispid;
        // What the dialog starts from is read from every object: one that cannot be read (an
        // erased object) fails the run.
        DISPPARAMS none{};
        dkfw::UniqueVariant value;
        if (const HRESULT hr = t.object->Invoke(t.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                                value.Put(), nullptr, nullptr);
            FAILED(hr))
            return Finish(hr, L"the " + name + L" of " + t.handle + L" cannot be read");
        handles += (handles.empty() ? L"" : L",") + t.handle;
    }
    const std::wstring shown = *displayName ? std::wstring(*displayName, ::SysStringLen(*displayName)) : L"";
    JournalAdd(L"property page \"" + name + L"\" on " + handles + L" shows \"" + shown + L"\"");

    std::wstring answer;
    bool answered = false;
    if (NextAnswer(answer))
        answered = answer != L"cancel";
    else
        answered = RunInputDialog(name, shown, true,
                                  [&answer](const std::wstring& text, std::wstring&)
                                  {
                                      answer = text;
                                      return true;
                                  });
    if (!answered)
    {
        JournalAdd(L"property page cancelled");
        return Finish(S_FALSE, L"the dialog was cancelled");
    }
    JournalAdd(L"property page answered \"" + answer + L"\"");
    if (FAILED(g_runFault))
        return Finish(g_runFault, L"the page failed (" + HexResult(g_runFault) + L")");

    // Every object takes the text, or none keeps it.
    const size_t depth = d.UndoDepth();
    JournalAdd(L"undo group begin \"" + name + L"\"");
    d.BeginGroup(name);
    HRESULT failed = S_OK;
    std::wstring why;
    // A lamp colour is answered in words, "kelvin 3200" or "preset 5"; anything else is text.
    const bool lamp = slot->light == LightValue::LampColor;
    for (const Target& t : targets)
    {
        dkfw::UniqueVariant value;
        if (lamp)
            LampColorFromText(answer, value.Put());
        else
        {
            value.Put()->vt = VT_BSTR;
            value.Addr()->bstrVal = ::SysAllocStringLen(answer.data(), static_cast<UINT>(answer.size()));
        }
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{value.Addr(), &named, 1, 1};
        dkfw::UniqueExcepInfo excep;
        failed = t.object->Invoke(t.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                                  excep.Addr(), nullptr);
        if (FAILED(failed))
        {
            why = t.handle + L" refused \"" + answer + L"\"" +
                  (excep.Get().bstrDescription ? L": " + std::wstring(excep.Get().bstrDescription) : L"");
            break;
        }
    }
    d.EndGroup();
    JournalAdd(L"undo group end");
    if (FAILED(failed))
    {
        if (d.UndoDepth() > depth)
            d.UndoSteps(1);
        return Finish(failed, why);
    }
    const std::wstring now = DisplayText(targets[0]);
    BSTR text = ::SysAllocStringLen(now.data(), static_cast<UINT>(now.size()));
    if (!text)
        return Finish(E_OUTOFMEMORY, L"out of memory");
    ::SysFreeString(*displayName);
    *displayName = text;
    return Finish(S_OK, L"");
}

// A selected object of the drawing, by its palette object.
bool TargetOf(IUnknown* object, Target& t)
{
    if (!object || FAILED(object->QueryInterface(IID_IDispatch, t.object.PutVoid())))
        return false;
    dkfw::ComPtr<IDkBaseObject> base;
    LONG_PTR id = 0;
    if (SUCCEEDED(object->QueryInterface(IID_IDkBaseObject, base.PutVoid())))
        base->GetObjectId(&id);
    const Record* r = id ? CurrentDrawing().Find(id) : nullptr;
    t.handle = r ? r->handle : L"?";
    return true;
}

class ObjectsPage : public dkfw::ComImplements<IDkPropertyPageDialog2>
{
public:
    STDMETHODIMP RunDialog(BSTR* displayName, VARIANT selection) noexcept override
    try
    {
        std::vector<Target> targets;
        SAFEARRAY* sa = selection.parray;
        const VARTYPE element = static_cast<VARTYPE>(selection.vt & ~VT_ARRAY);
        if (!(selection.vt & VT_ARRAY) || (element != VT_UNKNOWN && element != VT_DISPATCH) || !sa ||
            ::SafeArrayGetDim(sa) != 1)
        {
            ++g_runs;
            return Finish(E_INVALIDARG, L"the selection is not an array of objects");
        }
        LONG lo = 0;
        LONG hi = -1;
        ::SafeArrayGetLBound(sa, 1, &lo);
        ::SafeArrayGetUBound(sa, 1, &hi);
        for (LONG i = lo; i <= hi; ++i)
        {
            dkfw::ComPtr<IUnknown> object;
            Target t;
            if (FAILED(::SafeArrayGetElement(sa, &i, object.PutVoid())) || !TargetOf(object.Get(), t))
            {
                ++g_runs;
                return Finish(E_INVALIDARG, L"an element of the selection is not an object of the drawing");
            }
            targets.push_back(std::move(t));
        }
        return Run(kObjectsPageClsid, displayName, targets);
    }
    DK_CATCH_RETURN()
};

class IdsPage : public dkfw::ComImplements<IDkPropertyPageDialog>
{
public:
    STDMETHODIMP RunDialog(BSTR* displayName, const LONG_PTR* ids, long count) noexcept override
    try
    {
        std::vector<Target> targets;
        for (long i = 0; ids && i < count; ++i)
        {
            dkfw::ComPtr<IDispatch> object;
            Target t;
            if (FAILED(CurrentDrawing().PaletteObjectOf(ids[i], object.Put())) || !TargetOf(object.Get(), t))
            {
                ++g_runs;
                return Finish(E_INVALIDARG, L"object id " + std::to_wstring(ids[i]) + L" is no entity of the drawing");
            }
            targets.push_back(std::move(t));
        }
        return Run(kIdsPageClsid, displayName, targets);
    }
    DK_CATCH_RETURN()
};

// A page whose dialog the palette cannot run: it offers neither dialog interface.
class PlainPage : public dkfw::ComImplements<IPersist>
{
public:
    STDMETHODIMP GetClassID(CLSID* clsid) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !clsid);
        *clsid = kPlainPageClsid;
        return S_OK;
    }
};

HostClass<ObjectsPage> g_objectsPage(kObjectsPageClsid);
HostClass<IdsPage> g_idsPage(kIdsPageClsid);
HostClass<PlainPage> g_plainPage(kPlainPageClsid);
} // namespace

CLSID DefaultPage(const Record& r, const PropertySlot& slot) noexcept
{
    const std::wstring& c = r.cls->name;
    const std::wstring& n = slot.name;
    if (slot.hyperlinks || (c == L"RasterImage" && n == L"ImageFile") || (c == L"Attribute" && n == L"TextString") ||
        (c == L"MText" && n == L"Columns") || slot.light != LightValue::None)
        return kObjectsPageClsid;
    if (c == L"Dimension" && n == L"TextOverride")
        return kIdsPageClsid;
    return CLSID_NULL;
}

void NoteMappedProperty(LONG_PTR id, DISPID dispid, const CLSID& page) noexcept
{
    g_mapped = Mapping{id, dispid, page};
}
} // namespace dkhost

// DkHost.dll as the in-process server of its page classes.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept
{
    using namespace dkhost;
    RETURN_HR_IF(E_POINTER, !ppv);
    *ppv = nullptr;
    IClassFactory* factory = clsid == kObjectsPageClsid ? static_cast<IClassFactory*>(&g_objectsPage)
                             : clsid == kIdsPageClsid   ? static_cast<IClassFactory*>(&g_idsPage)
                             : clsid == kPlainPageClsid ? static_cast<IClassFactory*>(&g_plainPage)
                                                        : nullptr;
    return factory ? factory->QueryInterface(riid, ppv) : CLASS_E_CLASSNOTAVAILABLE;
}

// The host's library stays as long as the host does.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() noexcept
{
    return S_FALSE;
}

namespace dkhost_test
{
void SetPageRunFault(HRESULT hr) noexcept
{
    dkhost::g_runFault = hr;
}

int PageRuns() noexcept
{
    return dkhost::g_runs;
}

HRESULT LastPageResult() noexcept
{
    return dkhost::g_lastResult;
}

const wchar_t* LastPageError() noexcept
{
    return dkhost::g_lastError.c_str();
}
} // namespace dkhost_test

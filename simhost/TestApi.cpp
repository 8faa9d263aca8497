// The stand-in host's test and demo controls over the drawing and its objects.
#include "DkHostTest.h"
#include "Drawing.h"
#include "DynamicProperty.h"
#include "PaletteObject.h"

#include <vector>

namespace dkhost
{
namespace
{
HMODULE g_hostModule = nullptr;

Record* Entity(LONG_PTR id)
{
    Record* r = CurrentDrawing().Find(id);
    return r && r->kind == RecordKind::Entity ? r : nullptr;
}

// The palette object of an entity, made if need be (the host's cache keeps it).
PaletteObject* ObjectOf(LONG_PTR id)
{
    if (!Entity(id))
        return nullptr;
    IDispatch* d = nullptr;
    if (FAILED(CurrentDrawing().PaletteObjectOf(id, &d)))
        return nullptr;
    d->Release();
    return CurrentDrawing().CachedPaletteObject(id);
}

// Names and values given side by side, as a list of named values.
CustomValues NamedValues(const wchar_t* const* names, const LONG* values, int count)
{
    CustomValues list;
    for (int i = 0; i < count; ++i)
        list.emplace_back(names[i], values[i]);
    return list;
}
} // namespace

HMODULE HostModule() noexcept
{
    return g_hostModule;
}
} // namespace dkhost

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        dkhost::g_hostModule = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

using namespace dkhost;

namespace dkhost_test
{
void ResetDrawing() noexcept
try
{
    dkhost::ClearDynamicProperties();
    dkhost::ResetDrawing();
}
catch (...)
{
}

const wchar_t* DrawingName() noexcept
{
    return CurrentDrawing().fileName.c_str();
}

LONG_PTR AddEntity(const wchar_t* className) noexcept
try
{
    const ObjectClass* cls = className ? CurrentDrawing().Class(className) : nullptr;
    return cls ? CurrentDrawing().AddEntity(*cls, 0).id : 0;
}
catch (...)
{
    return 0;
}

LONG_PTR EntityByHandle(const wchar_t* handle) noexcept
{
    Record* r = handle ? CurrentDrawing().FindByHandle(handle) : nullptr;
    return r ? r->id : 0;
}

int Entities(LONG_PTR* ids, int capacity) noexcept
try
{
    const auto all = CurrentDrawing().Entities();
    for (int i = 0; ids && i < capacity && static_cast<size_t>(i) < all.size(); ++i)
        ids[i] = all[static_cast<size_t>(i)];
    return static_cast<int>(all.size());
}
catch (...)
{
    return 0;
}

const wchar_t* EntityClass(LONG_PTR id) noexcept
{
    Record* r = Entity(id);
    return r ? r->cls->name.c_str() : nullptr;
}

const wchar_t* EntityHandle(LONG_PTR id) noexcept
{
    Record* r = Entity(id);
    return r ? r->handle.c_str() : nullptr;
}

HRESULT GetPaletteObject(LONG_PTR id, IDispatch** out) noexcept
try
{
    return CurrentDrawing().PaletteObjectOf(id, out);
}
catch (...)
{
    return E_OUTOFMEMORY;
}

ULONG PaletteObjectRefs(LONG_PTR id) noexcept
{
    PaletteObject* p = CurrentDrawing().CachedPaletteObject(id);
    return p ? p->Refs() : 0;
}

long PropertyReads(LONG_PTR id) noexcept
{
    PaletteObject* p = CurrentDrawing().CachedPaletteObject(id);
    return p ? p->reads : 0;
}

LCID LastPropertyLocale(LONG_PTR id) noexcept
{
    PaletteObject* p = CurrentDrawing().CachedPaletteObject(id);
    return p ? p->lastLocale : 0;
}

long EntityUpdates(LONG_PTR id) noexcept
{
    PaletteObject* p = CurrentDrawing().CachedPaletteObject(id);
    return p ? p->updates : 0;
}

void SetPropertyFault(LONG_PTR id, DISPID dispid, bool onGet, SCODE code, const wchar_t* description) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
    {
        PropertyTraits& t = p->Traits(dispid);
        (onGet ? t.getFault : t.putFault) = code;
        t.faultDescription = description ? description : L"";
    }
}
catch (...)
{
}

void SetRawPropertyValue(LONG_PTR id, DISPID dispid, const VARIANT* value) noexcept
try
{
    PaletteObject* p = ObjectOf(id);
    if (!p)
        return;
    std::shared_ptr<dkfw::UniqueVariant> raw;
    if (value)
    {
        raw = std::make_shared<dkfw::UniqueVariant>();
        if (FAILED(raw->CopyFrom(*value)))
            return;
    }
    p->Traits(dispid).raw = std::move(raw);
}
catch (...)
{
}

void SetUnspecified(LONG_PTR id, DISPID dispid, bool allowed, bool unspecified, const wchar_t* text) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
    {
        PropertyTraits& t = p->Traits(dispid);
        t.unspecifiedAllowed = allowed;
        t.unspecified = unspecified;
        t.unspecifiedText = text ? text : L"";
    }
}
catch (...)
{
}

void SetExpression(LONG_PTR id, DISPID dispid, bool supported, const wchar_t* expression) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
    {
        PropertyTraits& t = p->Traits(dispid);
        t.expressionSupported = supported;
        t.expression = expression ? expression : L"";
    }
}
catch (...)
{
}

void SetEditable(LONG_PTR id, DISPID dispid, bool editable) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
    {
        PropertyTraits& t = p->Traits(dispid);
        t.hasEditable = true;
        t.editable = editable;
    }
}
catch (...)
{
}

void SetPredefined(LONG_PTR id, DISPID dispid, const wchar_t* const* names, const LONG* values, int count,
                   bool valueNotImplemented) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
    {
        PropertyTraits& t = p->Traits(dispid);
        t.predefined = NamedValues(names, values, count);
        t.predefinedValueNotImpl = valueNotImplemented;
    }
}
catch (...)
{
}

void SetCustomValues(LONG_PTR id, DISPID dispid, const wchar_t* const* names, const LONG* values, int count, int held,
                     bool listFails) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
    {
        PropertyTraits& t = p->Traits(dispid);
        t.custom = NamedValues(names, values, count);
        t.customHeld = held < count ? held : -1;
        t.customFault = listFails;
    }
}
catch (...)
{
}

void SetUpdateResult(LONG_PTR id, HRESULT hr) noexcept
{
    if (PaletteObject* p = ObjectOf(id))
        p->updateResult = hr;
}

void EraseWhenWritten(LONG_PTR trigger, LONG_PTR victim) noexcept
{
    if (PaletteObject* p = ObjectOf(trigger))
        p->eraseWhenWritten = victim;
}

void SetPropertyPage(LONG_PTR id, DISPID dispid, const CLSID& page) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
        p->Traits(dispid).page = page;
}
catch (...)
{
}

void SetEvaluateFault(LONG_PTR id, const wchar_t* description) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
    {
        p->evaluateFault = description != nullptr;
        p->evaluateFaultDescription = description ? description : L"";
    }
}
catch (...)
{
}

void SetPatternFault(LONG_PTR id, bool fail) noexcept
{
    if (PaletteObject* p = ObjectOf(id))
        p->patternFault = fail;
}

void SetNoHatchInterface(LONG_PTR id, bool none) noexcept
{
    if (PaletteObject* p = ObjectOf(id))
        p->noEntityInterface = none;
}

void SetHyperlinksUnreadable(LONG_PTR id, bool unreadable) noexcept
{
    if (PaletteObject* p = ObjectOf(id))
        p->hyperlinksUnreadable = unreadable;
}

void SetAttributeKind(LONG_PTR id, int kind) noexcept
{
    if (Record* r = Entity(id); r && kind >= kAttributeKindCurrent && kind <= kAttributeKindNone)
        r->attributeKind = kind;
}

void SetAttributeMultiline(LONG_PTR id, bool multiline) noexcept
{
    if (Record* r = Entity(id))
        r->multiline = multiline;
}

void SetDialogOnReadOnly(LONG_PTR id, bool answers) noexcept
{
    if (PaletteObject* p = ObjectOf(id))
        p->dialogOnReadOnly = answers;
}

bool SetImageTypeInfoLacking(LONG_PTR id, const wchar_t* name) noexcept
try
{
    Record* r = Entity(id);
    PaletteObject* p = r && r->cls->name == L"RasterImage" ? ObjectOf(id) : nullptr;
    if (!p)
        return false;
    if (!name)
    {
        p->typeInfo.Reset();
        return true;
    }
    const std::wstring lacking = name;
    const wchar_t* other = lacking == L"ImageHeight"  ? L"DkRasterImageNoHeight"
                           : lacking == L"ImageWidth" ? L"DkRasterImageNoWidth"
                                                      : nullptr;
    dkfw::ComPtr<ITypeInfo> info = other ? CurrentDrawing().TypeInfoNamed(other) : dkfw::ComPtr<ITypeInfo>();
    if (!info)
        return false;
    p->typeInfo = info;
    return true;
}
catch (...)
{
    return false;
}

LONG_PTR AddLayer(const wchar_t* name, int color) noexcept
try
{
    Drawing& d = CurrentDrawing();
    if (!name || d.FindInTable(d.layerTable, name))
        return 0;
    Record& r = d.Add(RecordKind::Layer, d.layerTable, name);
    r.color = color;
    d.NotifyModified(r.id);
    return r.id;
}
catch (...)
{
    return 0;
}

bool SetLayerState(const wchar_t* name, bool frozen, bool off, bool locked) noexcept
{
    Drawing& d = CurrentDrawing();
    Record* r = name ? d.FindInTable(d.layerTable, name) : nullptr;
    if (!r)
        return false;
    r->frozen = frozen;
    r->off = off;
    r->locked = locked;
    d.NotifyModified(r->id);
    return true;
}

bool RenameLayer(const wchar_t* name, const wchar_t* newName) noexcept
try
{
    Drawing& d = CurrentDrawing();
    Record* r = name ? d.FindInTable(d.layerTable, name) : nullptr;
    if (!r || !newName || !*newName || r->name == L"0")
        return false;
    // Another layer's name is taken; the layer's own in another letter case is not.
    if (Record* other = d.FindInTable(d.layerTable, newName); other && other != r)
        return false;
    d.Rename(*r, newName);
    return true;
}
catch (...)
{
    return false;
}

bool PurgeLayer(const wchar_t* name) noexcept
try
{
    Drawing& d = CurrentDrawing();
    Record* r = name ? d.FindInTable(d.layerTable, name) : nullptr;
    if (!r || r->name == L"0" || d.InUse(*r))
        return false;
    d.Purge(*r);
    return true;
}
catch (...)
{
    return false;
}

bool SetLayerViewportColor(const wchar_t* name, LONG_PTR viewport, int color) noexcept
try
{
    Drawing& d = CurrentDrawing();
    Record* r = name ? d.FindInTable(d.layerTable, name) : nullptr;
    if (!r || !viewport || color < 0 || color > 255)
        return false;
    if (color == 0)
        r->viewportColors.erase(viewport);
    else
        r->viewportColors[viewport] = color;
    d.NotifyModified(r->id);
    return true;
}
catch (...)
{
    return false;
}

LONG_PTR LayerId(const wchar_t* name) noexcept
{
    Drawing& d = CurrentDrawing();
    const Record* r = name ? d.FindInTable(d.layerTable, name) : nullptr;
    return r ? r->id : 0;
}

namespace
{
LONG_PTR ContainerOf(const wchar_t* which) noexcept
{
    const Drawing& d = CurrentDrawing();
    const std::wstring w = which ? which : L"";
    return w == L"text"      ? d.textStyleTable
           : w == L"dim"     ? d.dimStyleTable
           : w == L"mleader" ? d.mleaderStyles
           : w == L"table"   ? d.tableStyles
                             : 0;
}
} // namespace

LONG_PTR AddTextStyle(const wchar_t* name, bool annotative, bool dependent) noexcept
try
{
    Drawing& d = CurrentDrawing();
    if (!name || !*name || d.FindInTable(d.textStyleTable, name))
        return 0;
    Record& r = d.Add(RecordKind::TextStyle, d.textStyleTable, name);
    r.annotative = annotative;
    r.dependent = dependent;
    d.NotifyModified(r.id);
    return r.id;
}
catch (...)
{
    return 0;
}

LONG_PTR StyleId(const wchar_t* container, const wchar_t* name) noexcept
try
{
    const LONG_PTR c = ContainerOf(container);
    Record* r = c && name ? CurrentDrawing().FindInTable(c, name) : nullptr;
    return r ? r->id : 0;
}
catch (...)
{
    return 0;
}

LONG_PTR StyleContainerId(const wchar_t* container) noexcept
{
    return ContainerOf(container);
}

void SetElementFault(LONG_PTR id, DISPID dispid, bool fail) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
    {
        p->Traits(dispid).elementFault = fail;
        p->Traits(dispid).elementFaultCookie = -1;
    }
}
catch (...)
{
}

void SetElementFaultAt(LONG_PTR id, DISPID dispid, long cookie) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
    {
        p->Traits(dispid).elementFault = true;
        p->Traits(dispid).elementFaultCookie = cookie;
    }
}
catch (...)
{
}

void SetElementReadFault(LONG_PTR id, DISPID dispid, bool fail) noexcept
try
{
    if (PaletteObject* p = ObjectOf(id))
        p->Traits(dispid).elementGetFault = fail;
}
catch (...)
{
}

void SetElementForms(LONG_PTR id, bool plain, bool withObject) noexcept
{
    if (PaletteObject* p = ObjectOf(id))
    {
        p->answersElements = plain;
        p->answersElementsOf = withObject;
    }
}

LONG_PTR LayerTableId() noexcept
{
    return CurrentDrawing().layerTable;
}

int UndoDepth() noexcept
{
    return static_cast<int>(CurrentDrawing().UndoDepth());
}

void ClearUndo() noexcept
{
    CurrentDrawing().ClearUndo();
}

int Undo(int steps) noexcept
try
{
    return CurrentDrawing().UndoSteps(steps);
}
catch (...)
{
    return 0;
}

HRESULT AddDynamicProperty(const wchar_t* name, const wchar_t* className, VARTYPE vt, IUnknown** property) noexcept
try
{
    if (!name || !className || !property)
        return E_POINTER;
    dkfw::ComObject<DynamicProperty>* p = nullptr;
    const HRESULT hr = dkfw::ComObject<DynamicProperty>::Create(&p, name, className, vt);
    if (FAILED(hr))
        return hr;
    DynamicProperties().push_back(p);
    *property = p->AsUnknown();
    (*property)->AddRef();
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

namespace
{
DynamicProperty* Own(IUnknown* property)
{
    for (DynamicProperty* p : DynamicProperties())
        if (p->AsUnknown() == property)
            return p;
    return nullptr;
}
} // namespace

HRESULT SetDynamicCustomValues(IUnknown* property, const wchar_t* const* names, const LONG* values, int count) noexcept
try
{
    DynamicProperty* p = Own(property);
    if (!p)
        return E_INVALIDARG;
    p->SetCustomValues(NamedValues(names, values, count));
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT SetDynamicChoices(IUnknown* property, const wchar_t* const* names, const VARIANT* values, int count) noexcept
try
{
    DynamicProperty* p = Own(property);
    if (!p)
        return E_INVALIDARG;
    std::vector<std::pair<std::wstring, dkfw::UniqueVariant>> choices;
    for (int i = 0; i < count; ++i)
    {
        dkfw::UniqueVariant v;
        v.CopyFrom(values[i]);
        choices.emplace_back(names[i], std::move(v));
    }
    p->SetChoices(std::move(choices));
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT SetDynamicReadOnly(IUnknown* property, bool readOnly) noexcept
{
    DynamicProperty* p = Own(property);
    if (!p)
        return E_INVALIDARG;
    p->SetReadOnly(readOnly);
    return S_OK;
}

HRESULT SetDynamicFault(IUnknown* property, const wchar_t* description) noexcept
try
{
    DynamicProperty* p = Own(property);
    if (!p)
        return E_INVALIDARG;
    p->SetFault(description);
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT SetDynamicCommand(IUnknown* property, const wchar_t* command) noexcept
try
{
    DynamicProperty* p = Own(property);
    if (!p)
        return E_INVALIDARG;
    p->SetCommand(command);
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

int DynamicPropertiesOf(const wchar_t* className, IUnknown** out, int capacity) noexcept
{
    int n = 0;
    for (DynamicProperty* p : DynamicProperties())
    {
        // Every entity's: a layout and a multileader's leader line are no entities.
        const std::wstring cls = className ? className : L"";
        if (p->ClassName() == L"*" ? cls == L"Layout" || cls == L"MLeaderLine" : p->ClassName() != cls)
            continue;
        if (out && n < capacity)
        {
            out[n] = p->AsUnknown();
            out[n]->AddRef();
        }
        ++n;
    }
    return n;
}
} // namespace dkhost_test

namespace dkhost_test
{
LONG_PTR SubentityOf(LONG_PTR owner, long index) noexcept
{
    Record* part = CurrentDrawing().Subentity(owner, index);
    return part ? part->id : 0;
}

LONG_PTR AddBlock(const wchar_t* name, bool xref) noexcept
try
{
    Drawing& d = CurrentDrawing();
    if (!name || !*name || d.FindInTable(d.blockTable, name))
        return 0;
    Record& r = d.Add(RecordKind::Block, d.blockTable, name);
    r.xref = xref;
    d.NotifyModified(r.id);
    return r.id;
}
catch (...)
{
    return 0;
}

LONG_PTR BlockId(const wchar_t* name) noexcept
{
    Drawing& d = CurrentDrawing();
    const Record* r = name ? d.FindInTable(d.blockTable, name) : nullptr;
    return r ? r->id : 0;
}

void SetPlotStyleMode(bool colorDependent) noexcept
{
    CurrentDrawing().colorDependentPlotStyles = colorDependent;
}

LONG_PTR AddPlotStyle(const wchar_t* name) noexcept
try
{
    Drawing& d = CurrentDrawing();
    if (!name || !*name || d.FindInTable(d.plotStyles, name))
        return 0;
    Record& r = d.Add(RecordKind::DictionaryEntry, d.plotStyles, name);
    d.NotifyModified(r.id);
    return r.id;
}
catch (...)
{
    return 0;
}

LONG_PTR AddMaterial(const wchar_t* name) noexcept
try
{
    Drawing& d = CurrentDrawing();
    if (!name || !*name || d.FindInTable(d.materials, name))
        return 0;
    Record& r = d.Add(RecordKind::DictionaryEntry, d.materials, name);
    d.NotifyModified(r.id);
    return r.id;
}
catch (...)
{
    return 0;
}

LONG_PTR PlotStyleId(const wchar_t* name) noexcept
{
    Drawing& d = CurrentDrawing();
    const Record* r = name ? d.FindInTable(d.plotStyles, name) : nullptr;
    return r ? r->id : 0;
}

bool SetLayerViewportPlotStyle(const wchar_t* layer, LONG_PTR viewport, const wchar_t* style) noexcept
try
{
    Drawing& d = CurrentDrawing();
    Record* r = layer ? d.FindInTable(d.layerTable, layer) : nullptr;
    const Record* s = style ? d.FindInTable(d.plotStyles, style) : nullptr;
    if (!r || !viewport || (style && !s))
        return false;
    if (s)
        r->viewportPlotStyles[viewport] = s->id;
    else
        r->viewportPlotStyles.erase(viewport);
    d.NotifyModified(r->id);
    return true;
}
catch (...)
{
    return false;
}
} // namespace dkhost_test

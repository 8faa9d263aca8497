// The drawing database: classes from the host's type library, records, property values
// with their derived values and the host's rules, the undo history.
#include "Drawing.h"
#include "Region.h"

#include "ColorObject.h"
#include "dkcm.h"
#include "Hyperlinks.h"
#include "PointInput.h"
#include "Journal.h"
#include "Lights.h"
#include "PaletteObject.h"
#include "Sections.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

namespace dkhost
{
namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;

std::unique_ptr<Drawing> g_drawing;

double Normalize(double a)
{
    a = std::fmod(a, kTwoPi);
    return a < 0 ? a + kTwoPi : a;
}

// Names of table records match in any letter case.
std::wstring Folded(const wchar_t* s, size_t n)
{
    std::wstring out(s, n);
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

double AsDouble(const VARIANT& v)
{
    return v.vt == VT_R8 ? v.dblVal : 0.0;
}

} // namespace

int ElementsPerGroup(const PropertySlot& slot) noexcept
{
    return slot.name == L"Coordinates" ? 2 : slot.name == L"ControlPoints" ? 4 : 3;
}

bool IsNumberList(const PropertySlot& slot) noexcept
{
    return slot.name == L"Coordinates" || slot.name == L"ControlPoints" || slot.name == L"FitPoints";
}

std::vector<double> Doubles(const VARIANT& v)
{
    std::vector<double> out;
    if (v.vt != (VT_ARRAY | VT_R8) || !v.parray)
        return out;
    LONG lo = 0;
    LONG hi = -1;
    ::SafeArrayGetLBound(v.parray, 1, &lo);
    ::SafeArrayGetUBound(v.parray, 1, &hi);
    double* data = nullptr;
    if (FAILED(::SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&data))))
        return out;
    out.assign(data, data + (hi - lo + 1));
    ::SafeArrayUnaccessData(v.parray);
    return out;
}

namespace
{
void SetDouble(VARIANT* out, double d)
{
    out->vt = VT_R8;
    out->dblVal = d;
}

// A multiline text's columns: "None", "Dynamic" or "Static N" (N from 1 to 99).
bool ValidColumns(const std::wstring& text)
{
    if (text == L"None" || text == L"Dynamic")
        return true;
    if (text.rfind(L"Static ", 0) != 0 || text.size() < 8 || text.size() > 9 || text[7] == L'0')
        return false;
    return std::all_of(text.begin() + 7, text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// The host's own messages when it refuses a value.
bool Refuse(std::wstring& description, const std::wstring& text)
{
    description = text;
    return false;
}

// A choice among the host's shapes and the block of the user's own that replaces them: naming
// the block makes the choice the user's, a shape of the host's takes the block away.
struct ShapeAndBlock
{
    const wchar_t* cls;
    const wchar_t* type;
    const wchar_t* block;
    LONG user;
};
constexpr LONG kUserArrow = 20;
constexpr LONG kUserBlock = 6;
const ShapeAndBlock kShapesAndBlocks[] = {
    {L"Dimension", L"Arrowhead1Type", L"Arrowhead1Block", kUserArrow},
    {L"Dimension", L"Arrowhead2Type", L"Arrowhead2Block", kUserArrow},
    {L"Leader", L"ArrowheadType", L"ArrowheadBlock", kUserArrow},
    {L"MLeader", L"ArrowheadType", L"ArrowheadBlock", kUserArrow},
    {L"MLeaderLine", L"ArrowheadType", L"ArrowheadBlock", kUserArrow},
    {L"MLeader", L"ContentBlockType", L"ContentBlockName", kUserBlock},
    {L"Callout", L"BlockType", L"BlockName", kUserBlock},
};

const ShapeAndBlock* ShapeAndBlockOf(const std::wstring& cls, const std::wstring& property)
{
    for (const ShapeAndBlock& p : kShapesAndBlocks)
        if (cls == p.cls && (property == p.type || property == p.block))
            return &p;
    return nullptr;
}

// A path from a drive's root or a share: "C:\x\y.dkd", "\\server\x.dkd".
bool IsFullPath(const std::wstring& path)
{
    return (path.size() > 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) || path.rfind(L"\\\\", 0) == 0;
}
} // namespace

const PropertySlot* ObjectClass::Slot(DISPID dispid) const noexcept
{
    const int i = SlotIndex(dispid);
    return i < 0 ? nullptr : &slots[static_cast<size_t>(i)];
}

const PropertySlot* ObjectClass::Slot(const std::wstring& name) const noexcept
{
    for (const PropertySlot& s : slots)
        if (SameText(s.name, name))
            return &s;
    return nullptr;
}

int ObjectClass::SlotIndex(DISPID dispid) const noexcept
{
    for (size_t i = 0; i < slots.size(); ++i)
        if (slots[i].dispid == dispid)
            return static_cast<int>(i);
    return -1;
}

int ObjectClass::SlotIndex(const wchar_t* name) const noexcept
{
    for (size_t i = 0; name && i < slots.size(); ++i)
        if (slots[i].name == name)
            return static_cast<int>(i);
    return -1;
}

Drawing::Drawing(LONG_PTR firstId) : m_nextId(firstId)
{
    LoadClasses();
    layerTable = Add(RecordKind::Table, 0, L"Layers").id;
    linetypeTable = Add(RecordKind::Table, 0, L"Linetypes").id;
    textStyleTable = Add(RecordKind::Table, 0, L"TextStyles").id;
    dimStyleTable = Add(RecordKind::Table, 0, L"DimStyles").id;
    blockTable = Add(RecordKind::Table, 0, L"Blocks").id;
    materials = Add(RecordKind::Dictionary, 0, L"Materials").id;
    visualStyles = Add(RecordKind::Dictionary, 0, L"VisualStyles").id;
    mleaderStyles = Add(RecordKind::Dictionary, 0, L"MLeaderStyles").id;
    tableStyles = Add(RecordKind::Dictionary, 0, L"TableStyles").id;
    plotStyles = Add(RecordKind::Dictionary, 0, L"PlotStyles").id;
    Add(RecordKind::DictionaryEntry, plotStyles, L"Normal");
    Add(RecordKind::DictionaryEntry, materials, L"ByBlock");
    Add(RecordKind::DictionaryEntry, materials, L"ByLayer");
    modelSpace = Add(RecordKind::Block, blockTable, L"*Model_Space").id;
    Add(RecordKind::Linetype, linetypeTable, L"ByBlock");
    Add(RecordKind::Linetype, linetypeTable, L"ByLayer");
    Add(RecordKind::Linetype, linetypeTable, L"Continuous").comment = L"Solid line";
    Add(RecordKind::Layer, layerTable, L"0");
    Add(RecordKind::TextStyle, textStyleTable, L"Standard");
    Add(RecordKind::DimStyle, dimStyleTable, L"Standard");
}

Drawing::~Drawing()
{
    for (auto& [id, object] : m_palette)
    {
        object->Detach();
        object->AsDispatch()->Release();
    }
}

namespace
{
// What the host computes for each slot, found once per class.
void Classify(ObjectClass& cls)
{
    auto index = [&](const wchar_t* name)
    {
        const PropertySlot* s = cls.Slot(name);
        return s ? cls.SlotIndex(s->dispid) : -1;
    };
    cls.radius = index(L"Radius");
    cls.startAngle = index(L"StartAngle");
    cls.endAngle = index(L"EndAngle");
    cls.startPoint = index(L"StartPoint");
    cls.endPoint = index(L"EndPoint");
    cls.coordinates = index(L"Coordinates");
    cls.closed = index(L"Closed");
    struct Rule
    {
        const wchar_t* cls;
        const wchar_t* slot;
        Derived derived;
    };
    static const Rule rules[] = {
        {nullptr, L"Handle", Derived::Handle},
        {nullptr, L"ObjectName", Derived::ObjectName},
        {L"Circle", L"Diameter", Derived::CircleDiameter},
        {L"Circle", L"Circumference", Derived::CircleCircumference},
        {L"Circle", L"Area", Derived::CircleArea},
        {L"Arc", L"TotalAngle", Derived::ArcTotalAngle},
        {L"Arc", L"ArcLength", Derived::ArcLength},
        {L"Arc", L"Area", Derived::ArcArea},
        {L"Line", L"Length", Derived::LineLength},
        {L"Line", L"Angle", Derived::LineAngle},
        {L"Polyline", L"Area", Derived::PolylineArea},
        {L"Polyline", L"Length", Derived::PolylineLength},
        {L"Hatch", L"Area", Derived::HatchArea},
        {L"PhotometricLight", L"WebPreview", Derived::LightWebPreview},
    };
    for (PropertySlot& slot : cls.slots)
        for (const Rule& r : rules)
            if ((!r.cls || cls.name == r.cls) && slot.name == r.slot)
                slot.derived = r.derived;
    if (cls.name == L"PhotometricLight")
        for (PropertySlot& slot : cls.slots)
            slot.light = slot.name == L"LampColor"   ? LightValue::LampColor
                         : slot.name == L"Intensity" ? LightValue::Intensity
                                                     : LightValue::None;
    if (cls.name == L"GeoMapImage" || cls.name == L"PointCloud")
        cls.readFailure = ReadFailure::ThicknessElsewhere;
    if (cls.name == L"ViewBorder" || cls.name == L"ViewSymbol")
        cls.readFailure = ReadFailure::SetByView;
}
} // namespace

void Drawing::LoadClasses()
{
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(HostModule(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || FAILED(::LoadTypeLibEx(path, REGKIND_NONE, m_typeLib.Put())))
        return;
    for (UINT i = 0; i < m_typeLib->GetTypeInfoCount(); ++i)
    {
        TYPEKIND kind;
        dkfw::ComPtr<ITypeInfo> info;
        if (FAILED(m_typeLib->GetTypeInfoType(i, &kind)) || kind != TKIND_DISPATCH ||
            FAILED(m_typeLib->GetTypeInfo(i, info.Put())))
            continue;
        auto cls = std::make_unique<ObjectClass>();
        dkfw::UniqueBstr name;
        info->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr);
        cls->name = std::wstring(name.View()).substr(2); // "DkCircle" -> "Circle"
        cls->typeInfo = info;
        TYPEATTR* ta = nullptr;
        if (FAILED(info->GetTypeAttr(&ta)))
            continue;
        // Hidden descriptions are other views of a class, not classes of their own.
        if (ta->wTypeFlags & TYPEFLAG_FHIDDEN)
        {
            info->ReleaseTypeAttr(ta);
            continue;
        }
        cls->classId = ta->guid;
        for (UINT v = 0; v < ta->cVars; ++v)
        {
            VARDESC* vd = nullptr;
            if (FAILED(info->GetVarDesc(v, &vd)))
                continue;
            PropertySlot slot;
            slot.dispid = vd->memid;
            slot.readOnly = (vd->wVarFlags & VARFLAG_FREADONLY) != 0;
            slot.vt = vd->elemdescVar.tdesc.vt;
            dkfw::UniqueBstr member;
            UINT got = 0;
            info->GetNames(vd->memid, member.Put(), 1, &got);
            slot.name = std::wstring(member.View());
            slot.hyperlinks = slot.vt == VT_DISPATCH && slot.name == L"Hyperlink";
            if (slot.vt == VT_USERDEFINED)
            {
                slot.vt = VT_I4;
                slot.isEnum = true;
                dkfw::ComPtr<ITypeInfo> enumInfo;
                TYPEATTR* ea = nullptr;
                if (SUCCEEDED(info->GetRefTypeInfo(vd->elemdescVar.tdesc.hreftype, enumInfo.Put())) &&
                    SUCCEEDED(enumInfo->GetTypeAttr(&ea)))
                {
                    for (UINT k = 0; k < ea->cVars; ++k)
                    {
                        VARDESC* ev = nullptr;
                        if (SUCCEEDED(enumInfo->GetVarDesc(k, &ev)))
                        {
                            if (ev->varkind == VAR_CONST && ev->lpvarValue)
                            {
                                slot.enumValues.push_back(ev->lpvarValue->lVal);
                                dkfw::UniqueBstr constant;
                                UINT named = 0;
                                enumInfo->GetNames(ev->memid, constant.Put(), 1, &named);
                                slot.enumNames.emplace_back(constant.View());
                            }
                            enumInfo->ReleaseVarDesc(ev);
                        }
                    }
                    enumInfo->ReleaseTypeAttr(ea);
                }
            }
            info->ReleaseVarDesc(vd);
            cls->slots.push_back(std::move(slot));
        }
        info->ReleaseTypeAttr(ta);
        Classify(*cls);
        m_classes.push_back(std::move(cls));
    }
}

dkfw::ComPtr<ITypeInfo> Drawing::TypeInfoNamed(const std::wstring& name) const
{
    for (UINT i = 0; m_typeLib && i < m_typeLib->GetTypeInfoCount(); ++i)
    {
        dkfw::UniqueBstr found;
        if (SUCCEEDED(m_typeLib->GetDocumentation(static_cast<INT>(i), found.Put(), nullptr, nullptr, nullptr)) &&
            found.View() == name)
        {
            dkfw::ComPtr<ITypeInfo> info;
            m_typeLib->GetTypeInfo(i, info.Put());
            return info;
        }
    }
    return {};
}

const ObjectClass* Drawing::Class(const std::wstring& name) const noexcept
{
    for (const auto& c : m_classes)
        if (SameText(c->name, name))
            return c.get();
    return nullptr;
}

Record* Drawing::Find(LONG_PTR id) noexcept
{
    auto it = m_records.find(id);
    return it == m_records.end() ? nullptr : it->second.get();
}

Record* Drawing::FindByHandle(const std::wstring& handle) noexcept
try
{
    const auto it = m_handles.find(Folded(handle.data(), handle.size()));
    return it == m_handles.end() ? nullptr : Find(it->second);
}
catch (...)
{
    return nullptr;
}

bool Drawing::SetHandle(Record& r, const std::wstring& handle)
{
    const std::wstring key = Folded(handle.data(), handle.size());
    if (handle.empty() || r.kind != RecordKind::Entity)
        return false;
    if (const auto it = m_handles.find(key); it != m_handles.end())
        return it->second == r.id;
    m_handles.erase(Folded(r.handle.data(), r.handle.size()));
    m_handles.emplace(key, r.id);
    r.handle = handle;
    return true;
}

Record* Drawing::FindInTable(LONG_PTR table, const std::wstring& name) noexcept
{
    return FindInTable(table, name.data(), name.size());
}

Record* Drawing::FindInTable(LONG_PTR table, const wchar_t* name, size_t length) noexcept
try
{
    Record* t = Find(table);
    if (!t || !name)
        return nullptr;
    auto it = t->index.find(Folded(name, length));
    Record* r = it == t->index.end() ? nullptr : Find(it->second);
    return r && !r->erased ? r : nullptr;
}
catch (...)
{
    return nullptr;
}

Record& Drawing::Add(RecordKind kind, LONG_PTR owner, const std::wstring& name)
{
    auto r = std::make_unique<Record>();
    r->id = m_nextId++;
    r->owner = owner;
    r->kind = kind;
    r->name = name;
    Record& ref = *r;
    // A new layer draws with solid lines, and plots with the Normal style.
    if (kind == RecordKind::Layer)
    {
        if (const Record* solid = FindInTable(linetypeTable, L"Continuous"))
            ref.linetype = solid->id;
        if (const Record* normal = FindInTable(plotStyles, L"Normal"))
            ref.plotStyle = normal->id;
    }
    m_records.emplace(ref.id, std::move(r));
    if (Record* o = Find(owner))
    {
        o->children.push_back(ref.id);
        if (!name.empty())
            o->index.emplace(Folded(name.data(), name.size()), ref.id);
    }
    return ref;
}

Record& Drawing::AddEntity(const ObjectClass& cls, LONG_PTR owner)
{
    Record& r = Add(RecordKind::Entity, owner ? owner : modelSpace, L"");
    r.cls = &cls;
    r.values.resize(cls.slots.size());
    if (cls.name == L"MLeaderLine")
    {
        // A part of its multileader: no handle, the next of its owner's leader lines.
        long lines = 0;
        for (LONG_PTR id : Find(r.owner)->children)
            lines += Find(id)->subentIndex ? 1 : 0;
        r.subentIndex = kFirstLeaderLine + lines;
    }
    else
    {
        // The next handle no entity holds yet.
        wchar_t buf[16];
        do
            std::swprintf(buf, 16, L"%X", m_nextHandle++);
        while (!SetHandle(r, buf));
    }
    // Every entity starts as the host creates it: on layer 0, by layer.
    auto set = [&](const wchar_t* name, VARIANT v)
    {
        if (const PropertySlot* s = cls.Slot(name))
            StoreRaw(r, cls.SlotIndex(s->dispid), v);
    };
    // What the host's constructors give every other property: zero, no, empty, the origin.
    for (size_t i = 0; i < cls.slots.size(); ++i)
    {
        const PropertySlot& slot = cls.slots[i];
        dkfw::UniqueVariant zero;
        VARIANT* z = zero.Addr();
        switch (slot.vt)
        {
        case VT_R8:
            z->vt = VT_R8;
            z->dblVal = 0;
            break;
        case VT_BOOL:
            z->vt = VT_BOOL;
            z->boolVal = VARIANT_FALSE;
            break;
        case VT_I4:
            z->vt = VT_I4;
            z->lVal = slot.isEnum && !slot.enumValues.empty() ? slot.enumValues[0] : 0;
            break;
        case VT_BSTR:
            z->vt = VT_BSTR;
            z->bstrVal = ::SysAllocString(L"");
            break;
        case VT_VARIANT:
            if (slot.name == L"Normal")
            {
                // Flat in the drawing's plane.
                z->vt = VT_ARRAY | VT_R8;
                z->parray = ::SafeArrayCreateVector(VT_R8, 0, 3);
                if (z->parray)
                {
                    double* data = nullptr;
                    ::SafeArrayAccessData(z->parray, reinterpret_cast<void**>(&data));
                    data[2] = 1.0;
                    ::SafeArrayUnaccessData(z->parray);
                }
            }
            else if (!IsNumberList(slot))
            {
                z->vt = VT_ARRAY | VT_R8;
                z->parray = ::SafeArrayCreateVector(VT_R8, 0, 3);
            }
            break;
        default:
            break;
        }
        StoreRaw(r, static_cast<int>(i), zero.Get());
    }
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(L"0");
    set(L"Layer", v);
    ::SysFreeString(v.bstrVal);
    v.bstrVal = ::SysAllocString(L"ByLayer");
    set(L"Linetype", v);
    set(L"PlotStyleName", v);
    set(L"Material", v);
    ::SysFreeString(v.bstrVal);
    // Colours by layer; a hatch's background none, a text's mask the foreground colour; no
    // hyperlinks.
    for (size_t i = 0; i < cls.slots.size(); ++i)
        if (cls.slots[i].hyperlinks)
        {
            dkfw::UniqueVariant none;
            none.Put()->vt = VT_DISPATCH;
            if (SUCCEEDED(NewHyperlinks({}, false, &none.Addr()->pdispVal)))
                StoreRaw(r, static_cast<int>(i), none.Get());
        }
        else if (IsColor(cls.slots[i]))
        {
            DkCmColor color;
            if (cls.slots[i].name == L"BackgroundFillColor")
                color.setColorIndex(7);
            else if (cls.slots[i].name != L"BackgroundColor")
                color.setColorIndex(256);
            dkfw::UniqueVariant kept;
            kept.Put()->vt = VT_DISPATCH;
            if (SUCCEEDED(NewColorObject(color, &kept.Addr()->pdispVal)))
                StoreRaw(r, static_cast<int>(i), kept.Get());
        }
    v.vt = VT_I4;
    v.lVal = -1;
    set(L"Lineweight", v);
    v.lVal = 0;
    set(L"Transparency", v);
    v.vt = VT_R8;
    v.dblVal = 1.0;
    set(L"LinetypeScale", v);
    v.vt = VT_BOOL;
    v.boolVal = VARIANT_TRUE;
    set(L"Visible", v);
    if (cls.name == L"MText")
    {
        v.vt = VT_BSTR;
        v.bstrVal = ::SysAllocString(L"None");
        set(L"Columns", v);
        ::SysFreeString(v.bstrVal);
    }
    if (cls.name == L"PhotometricLight")
        InitLight(r);
    // A new section puts what it makes on the layers of the objects it cuts.
    if (cls.name == L"Section")
        for (size_t i = 0; i < cls.slots.size(); ++i)
            if (IsSectionLayer(cls, cls.slots[i]))
            {
                dkfw::UniqueVariant any;
                any.Put()->vt = VT_BSTR;
                any.Addr()->bstrVal = ::SysAllocString(L"*");
                StoreRaw(r, static_cast<int>(i), any.Get());
            }
    return r;
}

std::vector<LONG_PTR> Drawing::Entities() const
{
    std::vector<LONG_PTR> out;
    for (const auto& [id, r] : m_records)
        if (r->kind == RecordKind::Entity && !r->erased && !r->subentIndex)
            out.push_back(id);
    // In the drawing's order: ids are handed out in increasing order.
    std::sort(out.begin(), out.end());
    return out;
}

Record* Drawing::Subentity(LONG_PTR owner, long index) noexcept
{
    const Record* o = Find(owner);
    if (!o)
        return nullptr;
    for (LONG_PTR id : o->children)
        if (Record* part = Find(id); part && part->subentIndex == index && !part->erased)
            return part;
    return nullptr;
}

void Drawing::StoreRaw(Record& r, int slot, const VARIANT& value)
{
    if (slot >= 0 && static_cast<size_t>(slot) < r.values.size())
        r.values[static_cast<size_t>(slot)].CopyFrom(value);
}

HRESULT Drawing::GetValue(Record& r, const PropertySlot& slot, VARIANT* out)
{
    ::VariantInit(out);
    const ObjectClass& cls = *r.cls;
    auto stored = [&](int i) -> const VARIANT&
    {
        static const VARIANT empty{};
        return i < 0 ? empty : r.values[static_cast<size_t>(i)].Get();
    };
    auto text = [out](const std::wstring& s)
    {
        out->vt = VT_BSTR;
        out->bstrVal = ::SysAllocString(s.c_str());
        return out->bstrVal ? S_OK : E_OUTOFMEMORY;
    };
    auto real = [out](double d)
    {
        SetDouble(out, d);
        return S_OK;
    };
    const double radius = AsDouble(stored(cls.radius));
    const double total = Normalize(AsDouble(stored(cls.endAngle)) - AsDouble(stored(cls.startAngle)));
    switch (slot.derived)
    {
    case Derived::None:
        break;
    case Derived::Handle:
        return text(r.handle);
    case Derived::ObjectName:
        return text(cls.name);
    case Derived::CircleDiameter:
        return real(2 * radius);
    case Derived::CircleCircumference:
        return real(kTwoPi * radius);
    case Derived::CircleArea:
        return real(kPi * radius * radius);
    case Derived::ArcTotalAngle:
        return real(total);
    case Derived::ArcLength:
        return real(radius * total);
    case Derived::ArcArea:
        return real(0.5 * radius * radius * (total - std::sin(total)));
    case Derived::LineLength:
    case Derived::LineAngle:
    {
        const auto a = Doubles(stored(cls.startPoint));
        const auto b = Doubles(stored(cls.endPoint));
        if (a.size() < 3 || b.size() < 3)
            return real(0);
        const double dx = b[0] - a[0];
        const double dy = b[1] - a[1];
        const double dz = b[2] - a[2];
        return real(slot.derived == Derived::LineLength ? std::sqrt(dx * dx + dy * dy + dz * dz)
                                                        : Normalize(std::atan2(dy, dx)));
    }
    case Derived::PolylineArea:
    case Derived::PolylineLength:
    {
        const auto p = Doubles(stored(cls.coordinates));
        const bool closed = stored(cls.closed).vt == VT_BOOL && stored(cls.closed).boolVal;
        const size_t n = p.size() / 2;
        double area = 0;
        double length = 0;
        for (size_t i = 0; i < n; ++i)
        {
            const size_t j = (i + 1) % n;
            area += p[2 * i] * p[2 * j + 1] - p[2 * j] * p[2 * i + 1];
            if (j != 0 || closed)
                length += std::hypot(p[2 * j] - p[2 * i], p[2 * j + 1] - p[2 * i + 1]);
        }
        return real(slot.derived == Derived::PolylineArea ? std::fabs(area) / 2 : length);
    }
    case Derived::HatchArea:
    {
        double area = 0;
        if (!UnionArea({LoopOf(Doubles(stored(cls.coordinates)))}, area))
            return E_FAIL; // an outline that crosses itself too often to be measured
        return real(area);
    }
    case Derived::LightWebPreview:
    {
        const VARIANT& file = stored(cls.SlotIndex(L"WebFile"));
        return text(file.vt == VT_BSTR && file.bstrVal ? file.bstrVal : L"");
    }
    }
    if (slot.light != LightValue::None)
        return ReadLightValue(r, slot, out);
    // Objects name no plot style while the drawing's plot styles follow the colours.
    if (slot.name == L"PlotStyleName" && colorDependentPlotStyles)
        return text(dkdbGetReservedString(9, false));
    const int i = cls.SlotIndex(slot.dispid);
    const VARIANT& kept = r.values[static_cast<size_t>(i)].Get();
    // Hyperlinks, like a colour, are handed out as a new object.
    if (slot.hyperlinks)
    {
        HyperlinkList items;
        if (!HyperlinksOf(kept, items))
            return E_UNEXPECTED;
        out->vt = VT_DISPATCH;
        return NewHyperlinks(items, false, &out->pdispVal);
    }
    // A colour is handed out as a new colour object: what the reader does with it is not
    // the drawing's.
    if (slot.vt == VT_DISPATCH)
    {
        DkCmColor color;
        if (kept.vt != VT_DISPATCH || !ColorOf(kept.pdispVal, color))
            return E_UNEXPECTED;
        out->vt = VT_DISPATCH;
        return NewColorObject(color, &out->pdispVal);
    }
    return ::VariantCopy(out, const_cast<VARIANT*>(&kept));
}

HRESULT KeepColor(const VARIANT& in, LCID locale, VARIANT* out, std::wstring& description) noexcept
try
{
    ::VariantInit(out);
    DkCmColor color;
    if (in.vt == VT_DISPATCH || in.vt == VT_UNKNOWN)
    {
        if (!ColorOf(in.punkVal, color))
            return DISP_E_TYPEMISMATCH;
    }
    else
    {
        dkfw::UniqueVariant index;
        if (FAILED(::VariantChangeTypeEx(index.Put(), const_cast<VARIANT*>(&in), locale, 0, VT_I4)))
            return DISP_E_TYPEMISMATCH;
        if (index.Get().lVal < 0 || index.Get().lVal > 256)
        {
            description = L"Colour index must be from 0 to 256.";
            return DISP_E_EXCEPTION;
        }
        color.setColorIndex(index.Get().lVal);
    }
    out->vt = VT_DISPATCH;
    return NewColorObject(color, &out->pdispVal);
}
catch (...)
{
    return E_OUTOFMEMORY;
}

bool Drawing::Validate(const Record& r, const PropertySlot& slot, const VARIANT& value,
                       std::wstring& description) noexcept
try
{
    const std::wstring& c = r.cls->name;
    const std::wstring& n = slot.name;
    const double d = value.vt == VT_R8 ? value.dblVal : 0;
    const std::wstring text = value.vt == VT_BSTR && value.bstrVal ? value.bstrVal : L"";
    if ((value.vt == VT_R8 || value.vt == VT_R4) && !std::isfinite(value.vt == VT_R8 ? d : value.fltVal))
        return Refuse(description, n + L" must be a finite number.");
    if (value.vt == (VT_ARRAY | VT_R8))
        for (double x : Doubles(value))
            if (!std::isfinite(x))
                return Refuse(description, n + L" must be finite numbers.");
    // Colour objects are checked as they are kept (KeepColor); a plain colour index need not
    // be one of the named colours.
    if (slot.hyperlinks)
    {
        HyperlinkList items;
        return value.vt == VT_DISPATCH && HyperlinksOf(value, items)
                   ? true
                   : Refuse(description, L"Hyperlinks must be a list of addresses.");
    }
    if (slot.light != LightValue::None)
    {
        dkfw::UniqueVariant kept;
        return KeptLightValue(slot.light, value, kept.Put(), description);
    }
    // A light's filter is a colour of its own: it follows neither its layer nor its block.
    if (c == L"PhotometricLight" && n == L"FilterColor")
        if (DkCmColor color; value.vt == VT_DISPATCH && ColorOf(value.pdispVal, color) &&
                             (color.colorMethod() == DkCmColor::kByLayer || color.colorMethod() == DkCmColor::kByBlock))
            return Refuse(description, L"A light's filter color cannot be ByLayer or ByBlock.");
    if (slot.vt == VT_DISPATCH)
        return value.vt == VT_DISPATCH && value.pdispVal ? true : Refuse(description, n + L" must be a colour.");
    if (c == L"PhotometricLight" && n == L"LampCustomColor" && (value.lVal < 0 || value.lVal > 0xFFFFFF))
        return Refuse(description, L"A lamp's custom color is a color from 0x000000 to 0xFFFFFF.");
    if (c == L"MText" && n == L"Columns" && !ValidColumns(text))
        return Refuse(description, L"Columns is None, Dynamic, or Static and a number of columns from 1 to 99.");
    if (n == L"DimensionLineColor")
        return value.lVal >= 0 && value.lVal <= 256 ? true
                                                    : Refuse(description, L"Colour index must be from 0 to 256.");
    if (slot.isEnum)
    {
        for (LONG e : slot.enumValues)
            if (e == value.lVal)
                return true;
        return Refuse(description, L"That is not a valid value for " + n + L".");
    }
    const UINT length = value.vt == VT_BSTR && value.bstrVal ? ::SysStringLen(value.bstrVal) : 0;
    if (IsSectionLayer(*r.cls, slot))
        return AcceptSectionLayer(*this, text, description);
    if (n == L"Layer" && !FindInTable(layerTable, value.bstrVal, length))
        return Refuse(description, L"Layer \"" + text + L"\" does not exist.");
    if (n == L"Linetype" && !FindInTable(linetypeTable, value.bstrVal, length))
        return Refuse(description, L"Linetype \"" + text + L"\" is not loaded.");
    if (n == L"StyleName" && StyleContainer(r) && !FindInTable(StyleContainer(r), text))
        return Refuse(description, (c == L"Dimension" ? L"Dimension style \""
                                    : c == L"MLeader" ? L"Multileader style \""
                                    : c == L"Table"   ? L"Table style \""
                                                      : L"Text style \"") +
                                       text + L"\" does not exist.");
    if (n == L"Name" && c == L"BlockReference" && !FindInTable(blockTable, text))
        return Refuse(description, L"Block \"" + text + L"\" does not exist.");
    if (n == L"PlotStyleName")
    {
        if (colorDependentPlotStyles)
            return Refuse(description, L"The drawing's plot styles follow the colours: an object names none.");
        if (!text.empty() && !SameText(text, L"ByLayer") && !SameText(text, L"ByBlock") &&
            !FindInTable(plotStyles, text))
            return Refuse(description, L"Plot style \"" + text + L"\" is not in the drawing.");
    }
    // The block an arrowhead or a multileader's content draws is one of the drawing's own; a
    // callout's block is read from its saved drawing.
    if (const ShapeAndBlock* p = ShapeAndBlockOf(c, n); p && n == p->block && c != L"Callout")
    {
        const Record* block = FindInTable(blockTable, text);
        if (!block || text.empty() || text[0] == L'*')
            return Refuse(description, L"Block \"" + text + L"\" is not in the drawing.");
        if (block->xref)
            return Refuse(description, L"Block \"" + text + L"\" is an external reference to another drawing.");
    }
    if (c == L"Callout" && n == L"BlockName" && text.empty())
        return Refuse(description, L"A callout's block needs a name.");
    if (c == L"Callout" && n == L"BlockDrawing" && !IsFullPath(text))
        return Refuse(description, L"A callout's drawing is named by its full path, not \"" + text + L"\".");
    if ((n == L"Radius" || n == L"Diameter" || n == L"Circumference" || n == L"Height" || n == L"TextHeight" ||
         n == L"ImageWidth" || n == L"ImageHeight" || n == L"PatternScale" || n == L"LinetypeScale" ||
         (c == L"Circle" && n == L"Area")) &&
        !(d > 0))
        return Refuse(description, n + L" must be positive.");
    if (n == L"Transparency" && (value.lVal < 0 || value.lVal > 90))
        return Refuse(description, L"Transparency must be from 0 to 90.");
    if ((n == L"Brightness" || n == L"Contrast" || n == L"Fade") && (value.lVal < 0 || value.lVal > 100))
        return Refuse(description, n + L" must be from 0 to 100.");
    if (n == L"Coordinates" && (Doubles(value).size() < 4 || Doubles(value).size() % 2))
        return Refuse(description, L"A polyline needs at least two vertices of two coordinates each.");
    if (n == L"ControlPoints" && (Doubles(value).size() < 8 || Doubles(value).size() % 4))
        return Refuse(description, L"A spline needs at least two control points of x, y, z and weight each.");
    if (n == L"FitPoints" && Doubles(value).size() % 3)
        return Refuse(description, L"A spline's fit points have x, y and z each.");
    if (n == L"Normal")
    {
        const auto d3 = Doubles(value);
        if (d3.size() != 3 || std::hypot(d3[0], d3[1], d3[2]) < 1e-9)
            return Refuse(description, L"A normal is a direction: not all of its numbers are 0.");
    }
    if (n == L"Coordinates" && c == L"Hatch" && LoopOf(Doubles(value)).empty())
        return Refuse(description, L"A hatch boundary needs at least three vertices of two coordinates each.");
    return true;
}
catch (...)
{
    description = L"Out of memory.";
    return false;
}

HRESULT Drawing::PutValue(Record& r, const PropertySlot& slot, const VARIANT& value, std::wstring& description)
{
    const std::wstring& c = r.cls->name;
    const std::wstring& n = slot.name;
    const double d = value.vt == VT_R8 ? value.dblVal : 0;
    if (!Validate(r, slot, value, description))
        return DISP_E_EXCEPTION;
    if (slot.light == LightValue::Intensity && IntensityLocked(r))
    {
        description = L"The light's intensity is locked.";
        return DISP_E_EXCEPTION;
    }
    // A layout plots with a table installed (a drawing may name one that is not, from elsewhere).
    if (c == L"Layout" && n == L"PlotStyleTable" && value.bstrVal && *value.bstrVal &&
        !IsInstalledPlotStyleTable(value.bstrVal))
    {
        description = L"Plot style table \"" + std::wstring(value.bstrVal) + L"\" is not installed.";
        return DISP_E_EXCEPTION;
    }

    // Derived properties write what they derive from.
    auto put = [&](const wchar_t* name, double v)
    {
        const int i = r.cls->SlotIndex(r.cls->Slot(name)->dispid);
        RecordBefore(r, i);
        VARIANT x;
        x.vt = VT_R8;
        x.dblVal = v;
        StoreRaw(r, i, x);
    };
    if (c == L"Circle" && n == L"Diameter")
        put(L"Radius", d / 2);
    else if (c == L"Circle" && n == L"Circumference")
        put(L"Radius", d / kTwoPi);
    else if (c == L"Circle" && n == L"Area")
        put(L"Radius", std::sqrt(d / kPi));
    else if (c == L"Arc" && (n == L"StartAngle" || n == L"EndAngle"))
        put(n.c_str(), Normalize(d));
    else if (slot.light != LightValue::None)
    {
        // A light keeps its lamp colour and intensity in one form, however they were written.
        dkfw::UniqueVariant kept;
        if (!KeptLightValue(slot.light, value, kept.Put(), description))
            return DISP_E_EXCEPTION;
        const int i = r.cls->SlotIndex(slot.dispid);
        RecordBefore(r, i);
        StoreRaw(r, i, kept.Get());
    }
    else if (n == L"Layer" || n == L"Linetype")
    {
        // An entity refers to its layer and linetype records: a name reads back as the record
        // spells it.
        const Record* record =
            FindInTable(n == L"Layer" ? layerTable : linetypeTable, value.bstrVal, ::SysStringLen(value.bstrVal));
        if (!record)
        {
            Refuse(description, n + L" \"" + std::wstring(value.bstrVal) + L"\" does not exist.");
            return DISP_E_EXCEPTION;
        }
        dkfw::UniqueVariant spelled;
        spelled.Addr()->vt = VT_BSTR;
        spelled.Addr()->bstrVal = ::SysAllocString(record->name.c_str());
        if (!spelled.Get().bstrVal)
            return E_OUTOFMEMORY;
        const int i = r.cls->SlotIndex(slot.dispid);
        RecordBefore(r, i);
        StoreRaw(r, i, spelled.Get());
    }
    else if (n == L"PlotStyleName" && value.bstrVal && *value.bstrVal)
    {
        // A name reads back as the drawing spells it.
        const Record* style = FindInTable(plotStyles, value.bstrVal, ::SysStringLen(value.bstrVal));
        const std::wstring spelled = style                                 ? style->name
                                     : SameText(value.bstrVal, L"ByBlock") ? L"ByBlock"
                                                                           : L"ByLayer";
        dkfw::UniqueVariant v;
        v.Addr()->vt = VT_BSTR;
        v.Addr()->bstrVal = ::SysAllocString(spelled.c_str());
        if (!v.Get().bstrVal)
            return E_OUTOFMEMORY;
        const int i = r.cls->SlotIndex(slot.dispid);
        RecordBefore(r, i);
        StoreRaw(r, i, v.Get());
    }
    else if (const ShapeAndBlock* p = ShapeAndBlockOf(c, n))
    {
        // The shape and its block change together, as one step.
        BeginGroup(L"");
        const dkfw::ScopeExit ended([this] { EndGroup(); });
        const int i = r.cls->SlotIndex(slot.dispid);
        RecordBefore(r, i);
        // A block of the drawing is named as the drawing spells it.
        const Record* block = n == p->block && c != L"Callout"
                                  ? FindInTable(blockTable, value.bstrVal, ::SysStringLen(value.bstrVal))
                                  : nullptr;
        dkfw::UniqueVariant spelled;
        spelled.Addr()->vt = VT_BSTR;
        spelled.Addr()->bstrVal = block ? ::SysAllocString(block->name.c_str()) : nullptr;
        StoreRaw(r, i, block ? spelled.Get() : value);
        VARIANT other{};
        if (n == p->block)
        {
            other.vt = VT_I4;
            other.lVal = p->user;
            StoreDerived(r, p->type, other);
        }
        else if (value.lVal != p->user)
        {
            other.vt = VT_BSTR;
            other.bstrVal = ::SysAllocString(L"");
            StoreDerived(r, p->block, other);
            ::SysFreeString(other.bstrVal);
        }
    }
    else
    {
        const int i = r.cls->SlotIndex(slot.dispid);
        RecordBefore(r, i);
        StoreRaw(r, i, value);
        if (c == L"Text" || c == L"Attribute")
            KeepTextInPlace(*this, r, n);
    }
    NotifyModified(r.id);
    return S_OK;
}

void Drawing::StoreDerived(Record& r, const wchar_t* name, const VARIANT& value)
{
    const PropertySlot* slot = r.cls ? r.cls->Slot(name) : nullptr;
    if (!slot)
        return;
    const int i = r.cls->SlotIndex(slot->dispid);
    const VARIANT& now = r.values[static_cast<size_t>(i)].Get();
    const bool same = value.vt == now.vt &&
                      ((value.vt & VT_ARRAY) ? Doubles(value) == Doubles(now)
                                             : ::VarCmp(const_cast<VARIANT*>(&value), const_cast<VARIANT*>(&now),
                                                        LOCALE_USER_DEFAULT, 0) == VARCMP_EQ);
    if (same)
        return;
    RecordBefore(r, i);
    StoreRaw(r, i, value);
}

LONG_PTR Drawing::StyleContainer(const Record& entity) const noexcept
{
    if (!entity.cls || !entity.cls->Slot(L"StyleName"))
        return 0;
    const std::wstring& c = entity.cls->name;
    return c == L"Dimension" ? dimStyleTable
           : c == L"MLeader" ? mleaderStyles
           : c == L"Table"   ? tableStyles
                             : textStyleTable;
}

void Drawing::RecordBefore(Record& r, int slot)
{
    if (m_groupDepth == 0)
        m_undo.push_back(UndoStep{});
    UndoStep& step = m_undo.back();
    BeforeImage image;
    image.id = r.id;
    image.slot = slot;
    if (slot != kErasedImage)
        image.value.CopyFrom(r.values[static_cast<size_t>(slot)].Get());
    step.images.push_back(std::move(image));
}

void Drawing::RecordRestore(Record& r, std::function<void()> restore)
{
    if (m_groupDepth == 0)
        m_undo.push_back(UndoStep{});
    BeforeImage image;
    image.id = r.id;
    image.slot = kRestoreImage;
    image.restore = std::move(restore);
    m_undo.back().images.push_back(std::move(image));
}

void Drawing::Erase(Record& r)
{
    if (r.erased || r.kind != RecordKind::Entity)
        return;
    RecordBefore(r, kErasedImage);
    r.erased = true;
    JournalAdd(L"erase " + r.handle);
    NotifyModified(r.id);
}

void Drawing::BeginGroup(const std::wstring& label)
{
    if (m_groupDepth++ == 0)
        m_undo.push_back(UndoStep{label, {}});
}

void Drawing::EndGroup()
{
    if (m_groupDepth > 0)
        --m_groupDepth;
    // A group in which nothing changed leaves no step to undo.
    if (m_groupDepth == 0 && !m_undo.empty() && m_undo.back().images.empty())
        m_undo.pop_back();
}

int Drawing::UndoSteps(int steps)
{
    int done = 0;
    for (; done < steps && !m_undo.empty(); ++done)
    {
        UndoStep step = std::move(m_undo.back());
        m_undo.pop_back();
        // Later changes first, so the earliest before-image of a value wins.
        for (auto it = step.images.rbegin(); it != step.images.rend(); ++it)
            if (Record* r = Find(it->id))
            {
                if (it->slot == kErasedImage)
                    r->erased = false;
                else if (it->slot == kRestoreImage)
                {
                    if (it->restore)
                        it->restore();
                }
                else
                    StoreRaw(*r, it->slot, it->value.Get());
                NotifyModified(r->id);
            }
        JournalAdd(L"undo " + (step.label.empty() ? std::wstring(L"(change)") : step.label) + L" (" +
                   std::to_wstring(step.images.size()) + L" values)");
    }
    return done;
}

HRESULT Drawing::PaletteObjectOf(LONG_PTR id, IDispatch** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    Record* r = Find(id);
    if (!r || r->kind != RecordKind::Entity)
        return E_INVALIDARG;
    auto it = m_palette.find(id);
    if (it == m_palette.end())
    {
        dkfw::ComObject<PaletteObject>* object = nullptr;
        const HRESULT hr = dkfw::ComObject<PaletteObject>::Create(&object, this, id);
        if (FAILED(hr))
            return hr;
        it = m_palette.emplace(id, object).first;
    }
    *out = it->second->AsDispatch();
    (*out)->AddRef();
    return S_OK;
}

PaletteObject* Drawing::CachedPaletteObject(LONG_PTR id) const noexcept
{
    auto it = m_palette.find(id);
    return it == m_palette.end() ? nullptr : it->second;
}

void Drawing::NotifyModified(LONG_PTR id)
{
    Record* r = Find(id);
    Record* owner = r ? Find(r->owner) : nullptr;
    if (!owner)
        return;
    for (DkDbObjectReactor* reactor : std::vector<DkDbObjectReactor*>(owner->reactors))
        reactor->modified(DkDbObjectId(id));
}

void Drawing::Rename(Record& r, const std::wstring& name)
{
    Record* owner = Find(r.owner);
    if (owner)
    {
        owner->index.erase(Folded(r.name.data(), r.name.size()));
        owner->index.emplace(Folded(name.data(), name.size()), r.id);
    }
    // Entities name their layer and linetype: they read the new name, and so does what undo
    // puts back.
    if (const wchar_t* naming = NamingProperty(r))
    {
        auto follow = [&](dkfw::UniqueVariant& v)
        {
            if (v.Type() == VT_BSTR && SameText(v.Get().bstrVal ? v.Get().bstrVal : L"", r.name))
            {
                dkfw::UniqueVariant renamed;
                renamed.Addr()->vt = VT_BSTR;
                renamed.Addr()->bstrVal = ::SysAllocString(name.c_str());
                v = std::move(renamed);
            }
        };
        for (auto& [id, e] : m_records)
            if (e->kind == RecordKind::Entity)
                if (const int slot = e->cls->SlotIndex(naming); slot >= 0)
                    follow(e->values[static_cast<size_t>(slot)]);
        for (UndoStep& step : m_undo)
            for (BeforeImage& image : step.images)
                if (const Record* e = Find(image.id);
                    e && e->kind == RecordKind::Entity && image.slot >= 0 && image.slot == e->cls->SlotIndex(naming))
                    follow(image.value);
    }
    r.name = name;
    NotifyModified(r.id);
}

const wchar_t* Drawing::NamingProperty(const Record& r) noexcept
{
    return r.kind == RecordKind::Layer ? L"Layer" : r.kind == RecordKind::Linetype ? L"Linetype" : nullptr;
}

bool Drawing::InUse(const Record& record) const
{
    const wchar_t* naming = NamingProperty(record);
    auto names = [&](const VARIANT& v) { return v.vt == VT_BSTR && v.bstrVal && SameText(v.bstrVal, record.name); };
    for (const auto& [id, e] : m_records)
    {
        if (e->kind == RecordKind::Entity)
            if (const int slot = e->cls->SlotIndex(naming);
                slot >= 0 && names(e->values[static_cast<size_t>(slot)].Get()))
                return true;
        // Layers use linetypes, in their own right and in viewports.
        if (e->kind == RecordKind::Layer && record.kind == RecordKind::Linetype && !e->erased)
        {
            if (e->linetype == record.id)
                return true;
            for (const auto& [viewport, linetype] : e->viewportLinetypes)
                if (linetype == record.id)
                    return true;
        }
    }
    // What undo would put back counts too, as would an erased entity that undo brings back.
    for (const UndoStep& step : m_undo)
        for (const BeforeImage& image : step.images)
            if (const auto it = m_records.find(image.id); it != m_records.end())
                if (const Record& e = *it->second;
                    e.kind == RecordKind::Entity && image.slot >= 0 && image.slot == e.cls->SlotIndex(naming))
                    if (names(image.value.Get()))
                        return true;
    return false;
}

void Drawing::Purge(Record& r)
{
    if (Record* owner = Find(r.owner))
        owner->index.erase(Folded(r.name.data(), r.name.size()));
    r.erased = true;
    NotifyModified(r.id);
}

void Drawing::SayGoodbye() noexcept
{
    for (auto& [id, r] : m_records)
    {
        // Detached first: a reactor told may not reach this drawing again.
        const std::vector<DkDbObjectReactor*> told = std::move(r->reactors);
        r->reactors.clear();
        for (DkDbObjectReactor* reactor : told)
            reactor->goodbye(DkDbObjectId(id));
    }
}

// A drawing opened: the host's classes are there to be created in its process.
Drawing& CurrentDrawing()
{
    if (!g_drawing)
    {
        g_drawing = std::make_unique<Drawing>();
        RegisterColorClass();
        RegisterPointInputClass();
    }
    return *g_drawing;
}

void ResetDrawing()
{
    // The drawing it replaces leaves memory: whoever watches its objects is told first.
    if (g_drawing)
        g_drawing->SayGoodbye();
    g_drawing = std::make_unique<Drawing>();
    RegisterColorClass();
    RegisterPointInputClass();
}
} // namespace dkhost

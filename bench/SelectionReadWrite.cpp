// Reading and writing one row over 1 000 to 1 000 000 selected objects through the real
// editor classes, created through the registry and sited as the palette sites them:
// InitEditControl, Refresh, and a value typed (or an entry chosen) and Enter. Each figure
// is measured against its floor, a bare loop in this process making every host call the
// editor must make per object, run in the same round just before it:
// - the read: the unspecified, expression and editable questions, the property get (or the
//   dynamic property's), and the comparison with the first value;
// - InitEditControl: a reference taken on and given back for every object and every
//   dynamic property (the control holds both), and the read;
// - the write: the start and end notifications and one undo group, and per object the
//   entity and layer opens, the reference-editing check, the break key off and on, the
//   put and Update; then, for the rows typed into, the read, since they read back what
//   they wrote.
// The figure is the median over the rounds, the ratio the median of the rounds' ratios.
// Every round checks what it timed and the program stops with a message when anything is
// wrong. Usage: bench-selection-read-write [LARGEST [ROUNDS [ROW]]], ROW one of the rows'
// names below (text, numeric, drvknumeric, ...) to time that row alone.
#include "BenchSupport.h"
#include "ControlSite.h"
#include "DkHostTest.h"

#include "ComPtr.h"
#include "Unique.h"
#include "dkdb.h"
#include "dked.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{
using dkbench::Check;
using dkbench::Clock;
using dkbench::Fail;
using dkbench::Ms;
using dkbench::Pump;
using dkfw::ComPtr;
constexpr DISPID kDynamic = -23;
constexpr UINT kEditId = 1038;
constexpr UINT kComboId = 1002;

std::string Narrow(const std::wstring& w)
{
    return std::string(w.begin(), w.end());
}

template <class F> double Time(F f)
{
    const auto start = Clock::now();
    f();
    return Ms(Clock::now() - start);
}

// One row of the benchmark: an editor class over a property of a class of objects, and two
// values, each as the host holds it, as the user types or chooses it and as the row shows it.
struct Kind
{
    const char* name;
    const wchar_t* entityClass;
    const wchar_t* row; // the row's name in the host's description (null: the custom row)
    VARIANT values[2];
    const wchar_t* typed[2];
    const wchar_t* shown[2];
    bool combo = false;      // a list: an entry is chosen, and nothing is read back
    bool interfaces = false; // the objects answer the unspecified, expression and editable questions
};

VARIANT Real(double d)
{
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = d;
    return v;
}
VARIANT Long(LONG l)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = l;
    return v;
}
VARIANT Bool(bool b)
{
    VARIANT v;
    v.vt = VT_BOOL;
    v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
VARIANT Text(const wchar_t* s)
{
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(s);
    return v;
}

// The selection as the palette hands it over.
struct Selection
{
    std::vector<IDispatch*> objects; // one reference each
    std::vector<LONG_PTR> ids;
    IUnknown* dynamic = nullptr; // the custom row's property (not owned)
    DISPID dispid = 0;
    dkfw::UniqueVariant objs, dyn, dispids;

    IDynamicProperty* Dynamic() const { return static_cast<IDynamicProperty*>(dynamic); }
};

template <class Item> void MakeArray(VARTYPE vt, const std::vector<Item>& items, VARIANT* out)
{
    SAFEARRAY* sa = ::SafeArrayCreateVector(vt, 0, static_cast<ULONG>(items.size()));
    Check(sa != nullptr, "no memory for the selection's arrays");
    void* data = nullptr;
    ::SafeArrayAccessData(sa, &data);
    std::memcpy(data, items.data(), items.size() * sizeof(Item));
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN)
        for (const Item& item : items)
            if (item)
                reinterpret_cast<IUnknown*>(item)->AddRef();
    ::SafeArrayUnaccessData(sa);
    out->vt = VT_ARRAY | vt;
    out->parray = sa;
}

// --- The floors: the host calls alone ---------------------------------------------------

VARIANT VarId(DISPID dispid)
{
    return Long(dispid);
}

bool Same(const VARIANT& a, const VARIANT& b)
{
    if (a.vt != b.vt)
        return false;
    switch (a.vt)
    {
    case VT_BSTR:
        return ::CompareStringOrdinal(a.bstrVal, -1, b.bstrVal, -1, TRUE) == CSTR_EQUAL;
    case VT_R8:
        return a.dblVal == b.dblVal;
    case VT_I4:
        return a.lVal == b.lVal;
    case VT_BOOL:
        return a.boolVal == b.boolVal;
    default:
        return false;
    }
}

LONG_PTR IdOf(IUnknown* object)
{
    ComPtr<IDkBaseObject> base;
    LONG_PTR id = 0;
    if (SUCCEEDED(object->QueryInterface(IID_IDkBaseObject, base.PutVoid())))
        base->GetObjectId(&id);
    return id;
}

// What the read asks of each object, all objects holding one value.
void FloorRead(const Selection& s)
{
    VARIANT first;
    ::VariantInit(&first);
    VARIANT v;
    ::VariantInit(&v);
    bool readOnly = false;
    for (size_t i = 0; i < s.objects.size(); ++i)
    {
        IDispatch* object = s.objects[i];
        const VARIANT varId = VarId(s.dispid);
        if (s.dispid == kDynamic)
        {
            ComPtr<IUnknown> two;
            ComPtr<IDynamicProperty> one;
            s.dynamic->QueryInterface(IID_IDynamicProperty2, two.PutVoid());
            s.dynamic->QueryInterface(IID_IDynamicProperty, one.PutVoid());
            ComPtr<IPropertyUnspecified> unspecified;
            s.dynamic->QueryInterface(IID_IPropertyUnspecified, unspecified.PutVoid());
            one->GetValue(IdOf(object), &v);
            if (!readOnly)
            {
                BOOL ro = FALSE;
                one->IsReadOnly(&ro);
                readOnly = ro != FALSE;
            }
            ComPtr<IPropertyExpression> expression;
            s.dynamic->QueryInterface(IID_IPropertyExpression, expression.PutVoid());
        }
        else
        {
            ComPtr<IPropertyUnspecified> unspecified;
            if (SUCCEEDED(object->QueryInterface(IID_IPropertyUnspecified, unspecified.PutVoid())))
            {
                VARIANT_BOOL b = VARIANT_FALSE;
                unspecified->IsUnspecifiedAllowed(varId, &b);
                dkfw::UniqueBstr text;
                unspecified->GetUnspecifiedText(varId, text.Put());
                unspecified->IsValueUnspecified(varId, &b);
            }
            DISPPARAMS none{};
            object->Invoke(s.dispid, IID_NULL, 0x400, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
            ComPtr<IPropertyExpression> expression;
            if (SUCCEEDED(object->QueryInterface(IID_IPropertyExpression, expression.PutVoid())))
            {
                VARIANT_BOOL is = VARIANT_FALSE;
                expression->IsExpressionProperty(varId, &is);
                dkfw::UniqueBstr text;
                if (is)
                    expression->GetExpression(varId, text.Put());
            }
            ComPtr<IPropertyExtension> extension;
            if (!readOnly && SUCCEEDED(object->QueryInterface(IID_IPropertyExtension, extension.PutVoid())))
            {
                BOOL editable = FALSE;
                extension->IsEditable(s.dispid, &editable);
                readOnly = !editable;
            }
        }
        if (i == 0)
            ::VariantCopy(&first, &v);
        else if (!Same(first, v))
            Fail("the floor's objects differ");
        ::VariantClear(&v);
    }
    ::VariantClear(&first);
}

void FloorInit(const Selection& s)
{
    for (IDispatch* d : s.objects)
    {
        d->AddRef();
        if (s.dynamic)
            s.dynamic->AddRef();
    }
    for (IDispatch* d : s.objects)
    {
        d->Release();
        if (s.dynamic)
            s.dynamic->Release();
    }
    FloorRead(s);
}

// What the write asks of the host, then the read back.
void FloorWrite(const Selection& s, const Kind& kind, const VARIANT& value)
{
    dkedSendModelessOperationStart(L"OPM_CHGPROP");
    DkDbUndoController* undo = dkDocManager()->curDocument()->database()->undoController();
    undo->undoGroup(DkDb::kUndoGroupBegin, L"Property change");
    const VARIANT varId = VarId(s.dispid);
    for (IDispatch* object : s.objects)
    {
        const LONG_PTR id = IdOf(object);
        DkDbEntity* entity = nullptr;
        if (dkdbOpenObject(entity, DkDbObjectId(id), DkDb::kForRead) != Drvk::eOk)
            Fail("the floor cannot open an entity");
        const DkDbObjectId layerId = entity->layerId();
        const bool attribute = DkDbAttribute::cast(entity) != nullptr;
        entity->close();
        DkDbLayerTableRecord* layer = nullptr;
        if (dkdbOpenObject(layer, layerId, DkDb::kForRead) != Drvk::eOk)
            Fail("the floor cannot open a layer");
        const bool locked = layer->isLocked();
        layer->close();
        if (locked || (dkedIsInRefEdit() && !attribute))
            Fail("the floor's object cannot be written");
        HRESULT hr = S_OK;
        if (s.dispid == kDynamic)
        {
            ComPtr<IUnknown> two;
            ComPtr<IDynamicProperty> one;
            s.dynamic->QueryInterface(IID_IDynamicProperty2, two.PutVoid());
            s.dynamic->QueryInterface(IID_IDynamicProperty, one.PutVoid());
            ::SetErrorInfo(0, nullptr);
            hr = one->SetValue(IdOf(object), value);
        }
        else
        {
            dkedDisableUsrbrk();
            ComPtr<IPropertyUnspecified> unspecified;
            if (kind.interfaces && SUCCEEDED(object->QueryInterface(IID_IPropertyUnspecified, unspecified.PutVoid())))
            {
                VARIANT_BOOL allowed = VARIANT_FALSE;
                unspecified->IsUnspecifiedAllowed(varId, &allowed);
                if (allowed)
                    unspecified->SetValueUnspecified(varId, VARIANT_FALSE);
            }
            VARIANT arg = value;
            DISPID named = DISPID_PROPERTYPUT;
            DISPPARAMS params{&arg, &named, 1, 1};
            dkfw::UniqueExcepInfo excep;
            hr = object->Invoke(s.dispid, IID_NULL, 0x400, DISPATCH_PROPERTYPUT, &params, nullptr, excep.Addr(),
                                nullptr);
            dkedEnableUsrbrk();
        }
        ComPtr<IDkEntity> update;
        if (SUCCEEDED(hr) && SUCCEEDED(object->QueryInterface(IID_IDkEntity, update.PutVoid())))
            hr = update->Update();
        Check(SUCCEEDED(hr), "the floor's write was refused");
    }
    undo->undoGroup(DkDb::kUndoGroupEnd);
    dkedSendModelessOperationEnded(L"OPM_CHGPROP");
    if (!kind.combo)
        FloorRead(s);
}

// --- The measured side: the editor in a palette window ---------------------------------

struct Stage
{
    HWND frame = nullptr;
    HWND palette = nullptr;
    dkfw::ComObject<dkpal::PaletteFrame>* paletteFrame = nullptr;
    dkpal::Ambient ambient;
};

// The value of an object as the host holds it.
void HostValue(const Selection& s, size_t i, VARIANT* out)
{
    ::VariantInit(out);
    if (s.dispid == kDynamic)
    {
        s.Dynamic()->GetValue(s.ids[i], out);
        return;
    }
    DISPPARAMS none{};
    s.objects[i]->Invoke(s.dispid, IID_NULL, 0x400, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
}

void CheckHeld(const Selection& s, const VARIANT& wanted, const std::string& what)
{
    for (size_t i = 0; i < s.objects.size(); ++i)
    {
        dkfw::UniqueVariant v;
        HostValue(s, i, v.Put());
        const bool nearly = v.Type() == VT_R8 && wanted.vt == VT_R8 &&
                            std::fabs(v.Get().dblVal - wanted.dblVal) <= 1e-9 * std::max(1.0, std::fabs(wanted.dblVal));
        Check(nearly || Same(v.Get(), wanted), what + ": object " + std::to_string(i) + " does not hold the value");
    }
    Check(dkhost_test::UndoDepth() == 1, what + ": not exactly one undo step");
    dkhost_test::ClearUndo();
}

void CheckShown(dkpal::ControlHost& host, const wchar_t* wanted, const std::string& what)
{
    HWND control = host.Window();
    HWND combo = ::GetDlgItem(control, kComboId);
    std::wstring shown;
    if (combo && ::IsWindowVisible(combo))
    {
        wchar_t buf[256] = {};
        ::GetWindowTextW(combo, buf, 256);
        shown = buf;
    }
    else
        shown = host.DrawnText(20);
    Check(shown == wanted, what + ": the row shows \"" + Narrow(shown) + "\", not \"" + Narrow(wanted) + "\"");
}

// The user clicks the row and types the text, or opens its list at the entry.
HWND Prepare(dkpal::ControlHost& host, HWND frame, const Kind& kind, int which)
{
    HWND control = host.Window();
    ::SendMessageW(control, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(frame), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
    ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    Pump();
    HWND target = ::GetDlgItem(control, kind.combo ? kComboId : kEditId);
    Check(target != nullptr, std::string(kind.name) + ": the row offers nothing to type into");
    if (kind.combo)
    {
        const LRESULT entry = ::SendMessageW(target, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(kind.typed[which]));
        Check(entry != CB_ERR, std::string(kind.name) + ": no such entry");
        ::SendMessageW(target, CB_SHOWDROPDOWN, TRUE, 0);
        ::SendMessageW(target, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    }
    else
    {
        ::SendMessageW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kind.typed[which]));
        ::SendMessageW(target, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    }
    return target;
}

struct Figures
{
    std::vector<double> ms, ratios, floors;
    void Add(double measured, double floor)
    {
        ms.push_back(measured);
        ratios.push_back(measured / floor);
        floors.push_back(floor);
    }
    static double Median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};

std::map<std::string, std::map<size_t, double>> g_best;      // the best round's ms, by figure and size
std::map<std::string, std::map<size_t, double>> g_bestFloor; // the same for the floors

void Print(const std::string& name, size_t n, const Figures& f, const char* floor)
{
    const double ms = Figures::Median(f.ms);
    std::printf("figure %s-%zu: %.2f ms (ratio %.2f to %s)\n", name.c_str(), n, ms, Figures::Median(f.ratios), floor);
    std::fflush(stdout);
    g_best[name][n] = *std::min_element(f.ms.begin(), f.ms.end());
    g_bestFloor[name][n] = *std::min_element(f.floors.begin(), f.floors.end());
}

void Measure(Stage& stage, const Kind& kind, Selection& s, int rounds)
{
    const std::string name = kind.name;
    const size_t n = s.objects.size();
    // The editor class the host's description names for the row (the custom row's as the palette picks it).
    std::wstring progId = L"DkPEXCtl.DkPePropertyEditorEnum.16";
    int numericType = -1;
    if (kind.row)
    {
        const dkhost_test::PropertyDescription* d = nullptr;
        const int count = dkhost_test::PropertyDescriptionsOf(kind.entityClass, &d);
        const auto* found =
            std::find_if(d, d + count, [&](const auto& r) { return std::wcscmp(r.name, kind.row) == 0; });
        Check(found != d + count && found->editor, name + ": no such row");
        progId = found->editor;
        numericType = found->numericType;
    }
    CLSID clsid{};
    Check(SUCCEEDED(::CLSIDFromProgID(progId.c_str(), &clsid)), name + ": the editor class is not registered");
    dkpal::ControlHost host;
    const RECT rect{120, 0, 400, 19};
    Check(SUCCEEDED(host.Create(clsid, stage.palette, stage.paletteFrame, rect, stage.ambient)),
          name + ": the editor cannot be created");
    if (auto numeric = ComPtr<IUnknown>(host.Control()).Query<IDkPeNumericEditor>(); numeric && numericType >= 0)
        numeric->SetNumericDataType(static_cast<DkPeNumericType>(numericType));
    IDkPiPropertyEditControl2* control = host.Control();
    Check(SUCCEEDED(control->InitEditControl(s.objs.Addr(), s.dyn.Addr(), s.dispids.Addr(), FALSE)) &&
              SUCCEEDED(host.Activate(OLEIVERB_INPLACEACTIVATE)),
          name + ": the editor cannot be placed");

    Figures init, read, write;
    for (int r = 0; r < rounds; ++r)
    {
        const int x = r % 2;
        const int y = 1 - x;
        const std::string round = name + "-" + std::to_string(n) + " round " + std::to_string(r + 1);
        // Before each timed call the objects take the value the row does not show, so that
        // what the row shows afterwards proves it read them.
        dkhost_test::ClearUndo();
        FloorWrite(s, kind, kind.values[x]);
        CheckHeld(s, kind.values[x], round + " (floor)");
        const double initFloor = Time([&] { FloorInit(s); });
        HRESULT hr = E_FAIL;
        const double initMs =
            Time([&] { hr = control->InitEditControl(s.objs.Addr(), s.dyn.Addr(), s.dispids.Addr(), FALSE); });
        Check(hr == S_OK, round + ": InitEditControl failed");
        CheckShown(host, kind.shown[x], round + " after InitEditControl");
        init.Add(initMs, initFloor);

        FloorWrite(s, kind, kind.values[y]);
        CheckHeld(s, kind.values[y], round + " (floor)");
        const double readFloor = Time([&] { FloorRead(s); });
        const double readMs = Time([&] { hr = control->Refresh(0); });
        Check(hr == S_OK, round + ": Refresh failed");
        CheckShown(host, kind.shown[y], round + " after Refresh");
        read.Add(readMs, readFloor);

        // The floor's write, timed, then the objects back at the value the row shows; the
        // row's write changes them to the other value.
        const double writeFloor = Time([&] { FloorWrite(s, kind, kind.values[x]); });
        CheckHeld(s, kind.values[x], round + " (floor)");
        FloorWrite(s, kind, kind.values[y]);
        dkhost_test::ClearUndo();
        HWND target = Prepare(host, stage.frame, kind, x);
        const long readsBefore = s.dispid == kDynamic ? 0 : dkhost_test::PropertyReads(s.ids.back());
        const double writeMs = Time([&] { ::SendMessageW(target, WM_KEYDOWN, VK_RETURN, 1); });
        ::SendMessageW(target, WM_KEYUP, VK_RETURN, 0xC0000001);
        Check(s.dispid == kDynamic || kind.combo || dkhost_test::PropertyReads(s.ids.back()) > readsBefore,
              round + ": the row did not read back what it wrote");
        CheckHeld(s, kind.values[x], round + " (the row's write)");
        CheckShown(host, kind.shown[x], round + " after the write");
        write.Add(writeMs, writeFloor);
        host.Deactivate();
        Pump();
    }
    Print("init-" + name, n, init, "host-calls");
    Print("read-" + name, n, read, "host-calls");
    Print("write-" + name, n, write, "host-calls");
    host.Release();
}
} // namespace

int main(int argc, char** argv)
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const size_t largest = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const std::string only = argc > 3 ? argv[3] : "";
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring bin(exe);
    bin = bin.substr(0, bin.find_last_of(L"\\/") + 1);
    Check(SUCCEEDED(dkhost_test::InstallModule((bin + L"DkPEXCtl.drx").c_str(), nullptr)),
          "the component cannot be installed");

    Stage stage;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DkBenchPalette";
    ::RegisterClassExW(&wc);
    stage.frame = ::CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 420,
                                    200, nullptr, nullptr, wc.hInstance, nullptr);
    stage.palette = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 400, 180,
                                      stage.frame, nullptr, wc.hInstance, nullptr);
    ::ShowWindow(stage.frame, SW_SHOW);
    dkfw::ComObject<dkpal::PaletteFrame>::Create(&stage.paletteFrame, stage.frame);
    stage.ambient.font = dkpal::MakeFont(L"Tahoma", 9);

    Kind kinds[] = {
        {"text",
         L"Text",
         L"Contents",
         {Text(L"Hall A"), Text(L"Hall B")},
         {L"Hall A", L"Hall B"},
         {L"Hall A", L"Hall B"}},
        {"numeric", L"Circle", L"Transparency", {Long(10), Long(20)}, {L"10", L"20"}, {L"10", L"20"}},
        {"drvknumeric", L"Circle", L"Radius", {Real(2), Real(3)}, {L"2", L"3"}, {L"2.0000", L"3.0000"}},
        {"numericarea", L"Circle", L"Area", {Real(12), Real(13)}, {L"12", L"13"}, {L"12.0000", L"13.0000"}},
        {"bool", L"Circle", L"Visible", {Bool(false), Bool(true)}, {L"No", L"Yes"}, {L"No", L"Yes"}, true},
        {"enum", L"Circle", nullptr, {Long(1), Long(2)}, {L"Grade A", L"Grade B"}, {L"Grade A", L"Grade B"}, true},
        {"drvknumeric-interfaces",
         L"Circle",
         L"Radius",
         {Real(2), Real(3)},
         {L"2", L"3"},
         {L"2.0000", L"3.0000"},
         false,
         true},
    };
    std::printf("median of %d rounds per figure; each ratio against the host calls the same work must make\n", rounds);
    for (size_t n = 1; n <= largest; n = n == 1 ? 1000 : n * 10)
    {
        dkhost_test::ResetDrawing();
        IUnknown* grade = nullptr;
        dkhost_test::AddDynamicProperty(L"Grade", L"Circle", VT_I4, &grade);
        const wchar_t* names[] = {L"Grade A", L"Grade B"};
        const VARIANT choices[] = {Long(1), Long(2)};
        dkhost_test::SetDynamicChoices(grade, names, choices, 2);
        std::map<std::wstring, std::vector<LONG_PTR>> entities;
        for (const wchar_t* c : {L"Circle", L"Text"})
            for (size_t i = 0; i < n; ++i)
                entities[c].push_back(dkhost_test::AddEntity(c));
        for (const Kind& kind : kinds)
        {
            if (!only.empty() && only != kind.name)
                continue;
            Selection s;
            s.ids = entities[kind.entityClass];
            s.dynamic = kind.row ? nullptr : grade;
            for (LONG_PTR id : s.ids)
            {
                IDispatch* d = nullptr;
                dkhost_test::GetPaletteObject(id, &d);
                s.objects.push_back(d);
            }
            if (kind.row)
            {
                const dkhost_test::PropertyDescription* d = nullptr;
                const int count = dkhost_test::PropertyDescriptionsOf(kind.entityClass, &d);
                s.dispid = std::find_if(d, d + count, [&](const auto& r) { return std::wcscmp(r.name, kind.row) == 0; })
                               ->dispid;
            }
            else
                s.dispid = kDynamic;
            if (kind.interfaces)
                for (LONG_PTR id : s.ids)
                {
                    dkhost_test::SetUnspecified(id, s.dispid, true, false, L"*By size*");
                    dkhost_test::SetExpression(id, s.dispid, true, L"");
                    dkhost_test::SetEditable(id, s.dispid, true);
                }
            MakeArray(VT_DISPATCH, s.objects, s.objs.Put());
            MakeArray(VT_UNKNOWN, std::vector<IUnknown*>(n, s.dynamic), s.dyn.Put());
            MakeArray(VT_I4, std::vector<LONG>(n, s.dispid), s.dispids.Put());
            Measure(stage, kind, s, rounds);
            for (IDispatch* d : s.objects)
                d->Release();
        }
        grade->Release();
        dkhost_test::ClearJournal();
    }
    // Flat: what each further object costs, from 1 000 objects to the largest selection (the
    // time of one object, the row's own work of drawing and placing, taken off; the best
    // rounds, which the machine's other work disturbs least). The floor's own line beside
    // it: the host's calls cost more per object once a selection outgrows the caches.
    std::printf("ns per further object (best time less the best time for one object, over the objects after it;\n"
                "the floor's best time per object below each):\n");
    auto line = [](const char* label, const std::map<size_t, double>& sizes, bool less)
    {
        double lo = 1e300, hi = 0;
        std::printf("  %-30s", label);
        for (const auto& [n, ms] : sizes)
        {
            if (n == 1)
                continue;
            const double ns =
                less ? (ms - sizes.at(1)) * 1e6 / static_cast<double>(n - 1) : ms * 1e6 / static_cast<double>(n);
            std::printf(" %9.1f", ns);
            lo = std::min(lo, ns);
            hi = std::max(hi, ns);
        }
        std::printf("   (largest/smallest %.2f)\n", hi / lo);
    };
    for (const auto& [name, sizes] : g_best)
    {
        line(name.c_str(), sizes, true);
        line("  floor", g_bestFloor[name], false);
    }
    for (Kind& kind : kinds)
        for (VARIANT& v : kind.values)
            ::VariantClear(&v);
    stage.paletteFrame->Release();
    ::DestroyWindow(stage.frame);
    dkhost_test::ResetDrawing();
    ::CoUninitialize();
    return 0;
}

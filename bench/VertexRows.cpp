// A coordinate row over many polylines: the "Vertex X" row (every polyline's x of its second
// vertex), created through the registry and sited as the palette sites it, over OBJECTS
// polylines of four vertices that all share that x. Two figures, each the best of ROUNDS:
// read (Refresh: every object's element read and compared) and write (a number typed and
// Enter: one undo group, every object's element set), per object. Their floors, timed in
// the same round just before: for the read, per object the calls the row must make (the
// unspecified question, the element interface found and its element got, the expression
// interface asked for); for the write, the start and end notifications and one undo group,
// and per object its id, the entity and layer opens and the reference-editing check that
// tell whether it may change, the break key off and on, the element got (that it exists)
// and set. Every round checks the row's text and every object's value.
// Usage: bench-vertex-rows [OBJECTS [ROUNDS]].
#include "BenchPalette.h"

#include "ComPtr.h"
#include "DkPiHost.h"
#include "Unique.h"
#include "dkdb.h"
#include "dked.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
using dkbench::Check;
using dkbench::Clock;
using dkbench::Ms;
using dkbench::Pump;
using dkfw::ComPtr;
constexpr DISPID kCoordinates = 100;
constexpr DWORD kSecondX = 2; // the x of the second vertex
constexpr UINT kEditId = 1038;

VARIANT Real(double d)
{
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = d;
    return v;
}

double FloorRead(const std::vector<ComPtr<IDispatch>>& objects)
{
    const auto start = Clock::now();
    double sum = 0;
    for (const auto& o : objects)
    {
        ComPtr<IPropertyUnspecified> unspecified;
        o->QueryInterface(IID_IPropertyUnspecified, unspecified.PutVoid());
        ComPtr<IDkPropertyElementsOf> elements;
        Check(SUCCEEDED(o->QueryInterface(IID_IDkPropertyElementsOf, elements.PutVoid())), "no elements");
        dkfw::UniqueVariant v;
        elements->GetElementValue(kCoordinates, o.Get(), kSecondX, v.Put());
        sum += v.Get().dblVal;
        ComPtr<IDkPropertyElementExpressions> expressions;
        o->QueryInterface(IID_IDkPropertyElementExpressions, expressions.PutVoid());
    }
    const double ms = Ms(Clock::now() - start);
    Check(sum == sum, "the floor read nothing");
    return ms;
}

double FloorWrite(const std::vector<ComPtr<IDispatch>>& objects, const std::vector<LONG_PTR>& ids, double value)
{
    const auto start = Clock::now();
    dkedSendModelessOperationStart(L"OPM_CHGPROP");
    DkDbUndoController* undo = dkdbHostApplicationServices()->workingDatabase()->undoController();
    undo->undoGroup(DkDb::kUndoGroupBegin, L"Property change");
    for (size_t i = 0; i < objects.size(); ++i)
    {
        ComPtr<IDkBaseObject> base;
        LONG_PTR id = 0;
        if (SUCCEEDED(objects[i]->QueryInterface(IID_IDkBaseObject, base.PutVoid())))
            base->GetObjectId(&id);
        Check(id == ids[i], "an object lost its id");
        DkDbEntity* entity = nullptr;
        if (dkdbOpenObject(entity, DkDbObjectId(id), DkDb::kForRead) == Drvk::eOk)
        {
            const DkDbObjectId layerId = entity->layerId();
            entity->close();
            DkDbLayerTableRecord* layer = nullptr;
            if (dkdbOpenObject(layer, layerId, DkDb::kForRead) == Drvk::eOk)
                layer->close();
        }
        dkedIsInRefEdit();
        dkedDisableUsrbrk();
        ComPtr<IDkPropertyElementsOf> elements;
        objects[i]->QueryInterface(IID_IDkPropertyElementsOf, elements.PutVoid());
        dkfw::UniqueVariant probe;
        elements->GetElementValue(kCoordinates, objects[i].Get(), kSecondX, probe.Put());
        elements->SetElementValue(kCoordinates, objects[i].Get(), kSecondX, Real(value));
        dkedEnableUsrbrk();
    }
    undo->undoGroup(DkDb::kUndoGroupEnd);
    dkedSendModelessOperationEnded(L"OPM_CHGPROP");
    return Ms(Clock::now() - start);
}

double ElementOf(const ComPtr<IDispatch>& o)
{
    ComPtr<IDkPropertyElementsOf> elements;
    o->QueryInterface(IID_IDkPropertyElementsOf, elements.PutVoid());
    dkfw::UniqueVariant v;
    return elements && SUCCEEDED(elements->GetElementValue(kCoordinates, o.Get(), kSecondX, v.Put())) ? v.Get().dblVal
                                                                                                      : -1;
}

void Run(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    dkbench::BenchPalette bench;

    dkhost_test::ResetDrawing();
    std::vector<ComPtr<IDispatch>> objects;
    std::vector<LONG_PTR> ids;
    dkpal::Selection selection;
    std::vector<LONG> cookies;
    for (int i = 0; i < count; ++i)
    {
        const LONG_PTR id = dkhost_test::AddEntity(L"Polyline");
        ComPtr<IDispatch> o;
        Check(id != 0 && SUCCEEDED(dkhost_test::GetPaletteObject(id, o.Put())), "no polyline");
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_R8, 0, 8);
        double* data = nullptr;
        ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&data));
        const double xy[8] = {0, 0, 5, static_cast<double>(i % 97), 10, 3, 0, 7};
        std::copy(xy, xy + 8, data);
        ::SafeArrayUnaccessData(sa);
        dkfw::UniqueVariant points;
        points.Addr()->vt = VT_ARRAY | VT_R8;
        points.Addr()->parray = sa;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS put{points.Addr(), &named, 1, 1};
        Check(SUCCEEDED(o->Invoke(kCoordinates, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr)),
              "the polyline takes no vertices");
        selection.objects.push_back(o.Get());
        selection.dynProps.push_back(nullptr);
        selection.dispids.push_back(kCoordinates);
        cookies.push_back(0);
        objects.push_back(o);
        ids.push_back(id);
    }
    dkhost_test::ClearUndo();

    const CLSID clsid = dkbench::BenchPalette::EditorOf(L"Polyline", L"Vertex X");
    std::vector<double> readFloor, read, writeFloor, write;
    {
        dkpal::ControlHost host;
        const RECT rect{120, 0, 400, 19};
        Check(SUCCEEDED(host.Create(clsid, bench.palette, bench.paletteFrame, rect, bench.ambient)), "no row");
        auto variant = ComPtr<IUnknown>(host.Control()).Query<IDkPeVariantCtrl>();
        Check(static_cast<bool>(variant), "the row takes no cookies");
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(count));
        LONG* data = nullptr;
        ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&data));
        std::copy(cookies.begin(), cookies.end(), data);
        ::SafeArrayUnaccessData(sa);
        dkfw::UniqueVariant v;
        v.Addr()->vt = VT_ARRAY | VT_I4;
        v.Addr()->parray = sa;
        Check(SUCCEEDED(variant->SetDwCookies(v.Get())) && SUCCEEDED(variant->SetElementCount(2)) &&
                  SUCCEEDED(variant->SetGroupOffset(2)),
              "the row refuses its vertex");
        Check(SUCCEEDED(host.Init(selection, false)) && SUCCEEDED(host.Activate(OLEIVERB_UIACTIVATE)),
              "the row cannot be placed");
        Pump();
        HWND edit = ::GetDlgItem(host.Window(), kEditId);
        Check(edit != nullptr, "the row has no edit box");
        for (int r = 0; r < rounds; ++r)
        {
            const double value = 6 + r;
            readFloor.push_back(FloorRead(objects));
            auto start = Clock::now();
            host.Control()->Refresh(0);
            read.push_back(Ms(Clock::now() - start));
            wchar_t shown[64] = {};
            ::GetWindowTextW(edit, shown, 64);
            Check(std::wstring(shown).rfind(r == 0 ? L"5" : std::to_wstring(static_cast<int>(value - 1)), 0) == 0,
                  "round " + std::to_string(r + 1) + ": the row does not show the objects' x");

            writeFloor.push_back(FloorWrite(objects, ids, value - 0.5));
            const std::wstring typed = std::to_wstring(static_cast<int>(value));
            ::SetWindowTextW(edit, typed.c_str());
            start = Clock::now();
            ::SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
            write.push_back(Ms(Clock::now() - start));
            for (const auto& o : objects)
                Check(ElementOf(o) == value, "round " + std::to_string(r + 1) + ": an object kept its x");
            Pump();
            dkhost_test::ClearUndo();
        }
        host.Release();
    }
    using dkbench::Best;
    using dkbench::Mean;
    const double n = static_cast<double>(count);
    auto report =
        [&](const char* name, const char* floorName, const std::vector<double>& ms, const std::vector<double>& floor)
    {
        std::printf("figure %s-%d: %.2f ms (best of %d; mean %.2f ms; %.0f ns per object)\n", floorName, count,
                    Best(floor), rounds, Mean(floor), 1e6 * Best(floor) / n);
        std::printf("figure %s-%d: %.2f ms (best of %d; mean %.2f ms; %.0f ns per object; ratio %.2f)\n", name, count,
                    Best(ms), rounds, Mean(ms), 1e6 * Best(ms) / n, Best(ms) / Best(floor));
    };
    report("read-vertex", "element-gets", read, readFloor);
    report("write-vertex", "element-sets", write, writeFloor);
}
} // namespace

int main(int argc, char** argv)
{
    return dkbench::Main(argc, argv, Run);
}

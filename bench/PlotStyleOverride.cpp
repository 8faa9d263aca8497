// The plot style name row's viewport-override check over a large selection: OBJECTS lines
// (ByLayer plot style) spread over LAYERS layers, the row created through the registry and
// sited as the palette sites it. A refresh reads the value and then asks the selected
// objects' layers whether the current viewport overrides their plot style, stopping at the
// first layer that does not. The check's cost is the refresh with every layer overridden
// (every object opened, every layer asked) less the refresh of the same selection whose
// first layer is not overridden (the check stops at the first object); both run in each
// round, and both gather the objects' database ids before the check. Its floor, timed in the
// same round: a bare loop opening each object by its database id for its layer, and asking
// each layer once. The figure is the median over the
// rounds. Usage: bench-plot-style-override [OBJECTS [LAYERS [ROUNDS]]].
#include "BenchPalette.h"

#include "ComPtr.h"
#include "Unique.h"
#include "dkcm.h"
#include "dkdb.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace
{
using dkbench::Check;
using dkbench::Clock;
using dkbench::Ms;
using dkbench::Pump;
constexpr DISPID kPlotStyle = 6;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string Narrow(const std::wstring& w)
{
    return std::string(w.begin(), w.end());
}

// A line put on layer L<layer>, as the user would.
void MoveToLayer(LONG_PTR id, int layer)
{
    dkfw::ComPtr<IDispatch> object;
    Check(SUCCEEDED(dkhost_test::GetPaletteObject(id, object.Put())), "a line has no palette object");
    dkfw::UniqueVariant name;
    name.Addr()->vt = VT_BSTR;
    name.Addr()->bstrVal = ::SysAllocString((L"L" + std::to_wstring(layer)).c_str());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{name.Addr(), &named, 1, 1};
    Check(SUCCEEDED(object->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr)),
          "a line cannot be moved to its layer");
}

// The check's host calls alone, over the objects' database ids.
double Floor(const std::vector<LONG_PTR>& ids)
{
    const auto start = Clock::now();
    const DkDbObjectId viewport = dkedGetCurViewportObjectId();
    std::set<DkDbObjectId> layers;
    for (LONG_PTR id : ids)
    {
        DkDbEntity* entity = nullptr;
        if (dkdbOpenObject(entity, DkDbObjectId(id), DkDb::kForRead) != Drvk::eOk)
            continue;
        layers.insert(entity->layerId());
        entity->close();
    }
    int overridden = 0;
    for (DkDbObjectId id : layers)
    {
        DkDbLayerTableRecord* layer = nullptr;
        if (dkdbOpenObject(layer, id, DkDb::kForRead) != Drvk::eOk)
            continue;
        bool isOverride = false;
        layer->plotStyleNameId(viewport, isOverride);
        overridden += isOverride ? 1 : 0;
        layer->close();
    }
    const double ms = Ms(Clock::now() - start);
    Check(overridden == static_cast<int>(layers.size()), "the floor found a layer without its override");
    return ms;
}

void Run(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int layerCount = argc > 2 ? std::max(2, std::atoi(argv[2])) : 50;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    dkbench::BenchPalette bench;

    // Every layer's plot style overridden in the current viewport, but for the last one.
    std::wstring text =
        L"drawing name=\"Override.dkd\" plotstyles=named\nplotstyle \"Style 1\"\nplotstyle \"Thin grey\"\n";
    for (int l = 0; l < layerCount; ++l)
        text += L"layer L" + std::to_wstring(l) + (l + 1 < layerCount ? L" vpplotstyle=\"Thin grey\"\n" : L"\n");
    // A drawing text holds at most 100 000 lines: the lines beyond are added and moved.
    const int inText = std::min(count, 90000);
    for (int i = 0; i < inText; ++i)
        text += L"entity Line Layer=L" + std::to_wstring(i % (layerCount - 1)) +
                L" PlotStyleName=ByLayer StartPoint=0,0,0 EndPoint=1,1,0\n";
    int errorLine = 0;
    Check(SUCCEEDED(dkhost_test::LoadDrawingText(text.c_str(), &errorLine)),
          "the drawing was refused at line " + std::to_string(errorLine) + ": " + Narrow(dkhost_test::LastLoadError()));
    for (int i = inText; i < count; ++i)
        MoveToLayer(dkhost_test::AddEntity(L"Line"), i % (layerCount - 1));
    dkhost_test::ClearUndo();
    dkhost_test::SetCurrentViewport(1);
    std::vector<LONG_PTR> ids(static_cast<size_t>(count) + 1);
    const int found = dkhost_test::Entities(ids.data(), static_cast<int>(ids.size()));
    Check(found == count, "the drawing lacks lines");
    ids.resize(static_cast<size_t>(found));
    std::vector<IDispatch*> objects;
    for (LONG_PTR id : ids)
    {
        IDispatch* object = nullptr;
        Check(SUCCEEDED(dkhost_test::GetPaletteObject(id, &object)), "a line has no palette object");
        objects.push_back(object);
    }
    // The same lines after one on the layer without an override: the check ends there.
    const LONG_PTR stopper = dkhost_test::AddEntity(L"Line");
    IDispatch* first = nullptr;
    Check(SUCCEEDED(dkhost_test::GetPaletteObject(stopper, &first)), "no line to stop the check");
    MoveToLayer(stopper, layerCount - 1);
    std::vector<IDispatch*> stopped;
    stopped.push_back(first);
    stopped.insert(stopped.end(), objects.begin(), objects.end());

    const CLSID clsid = dkbench::BenchPalette::EditorOf(L"Line", L"Plot style");
    auto refresh = [&](const std::vector<IDispatch*>& selection)
    {
        dkpal::Selection s;
        for (IDispatch* object : selection)
        {
            s.objects.push_back(object);
            s.dynProps.push_back(nullptr);
            s.dispids.push_back(kPlotStyle);
        }
        dkpal::ControlHost host;
        const RECT rect{120, 0, 400, 19};
        Check(SUCCEEDED(host.Create(clsid, bench.palette, bench.paletteFrame, rect, bench.ambient)) &&
                  SUCCEEDED(host.Init(s, false)),
              "the plot style row cannot be placed");
        Pump();
        auto control = dkfw::ComPtr<IUnknown>(host.Control()).Query<IDkPiPropertyEditControl>();
        const auto start = Clock::now();
        Check(control && SUCCEEDED(control->Refresh(0)), "the row cannot be refreshed");
        const double ms = Ms(Clock::now() - start);
        const std::wstring shown = host.DrawnText(19);
        host.Release();
        Pump();
        return std::make_pair(ms, shown);
    };

    std::vector<double> floor, checks, ratios;
    for (int r = 0; r < rounds; ++r)
    {
        const double f = Floor(ids);
        const auto all = refresh(objects);
        const auto early = refresh(stopped);
        Check(all.second.find(L"(") != std::wstring::npos, "the row does not show the override");
        Check(early.second.find(L"(") == std::wstring::npos, "the row shows an override the first layer lacks");
        const double check = std::max(0.0, all.first - early.first);
        floor.push_back(f);
        checks.push_back(check);
        ratios.push_back(check / f);
    }
    for (IDispatch* object : stopped)
        object->Release();
    std::printf("figure override-floor-%d-on-%d: %.2f ms (median of %d; %.0f ns per object)\n", count, layerCount,
                Median(floor), rounds, 1e6 * Median(floor) / count);
    std::printf("figure override-check-%d-on-%d: %.2f ms (median of %d; %.0f ns per object; ratio %.2f)\n", count,
                layerCount, Median(checks), rounds, 1e6 * Median(checks) / count, Median(ratios));
}
} // namespace

int main(int argc, char** argv)
{
    return dkbench::Main(argc, argv, Run);
}

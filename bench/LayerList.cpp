// Listing the layers of a large drawing: the layer row of one circle, created through the
// registry and sited as the palette sites it, over a drawing of 10 000 layers added in
// shuffled order. Each activation lists the layer table anew (its filled mark cleared, the
// table read, sorted and put in the sorted list); the figure is one activation, timed over
// ROUNDS activations (best and mean). Its floor, timed in the same run just before each
// activation: the same names, in the order the editor adds them, added with LB_ADDSTRING to
// a fresh plain sorted list box of the same size (strings, not owner-drawn). Every round
// checks that the list holds every layer and shows the circle's.
// Usage: bench-layer-list [LAYERS [ROUNDS]].
#include "BenchPalette.h"

#include "ComPtr.h"
#include "Unique.h"
#include "dkstring.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace
{
using dkbench::Check;
using dkbench::Clock;
using dkbench::Fail;
using dkbench::Ms;
using dkbench::Pump;
constexpr UINT kComboId = 1002;

// The floor: the names added to a plain sorted list box as large as the row's list.
double FloorListing(HWND parent, const std::vector<std::wstring>& names, const RECT& size)
{
    HWND list = ::CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VSCROLL | LBS_HASSTRINGS | LBS_SORT, size.left,
                                  size.top, size.right - size.left, size.bottom - size.top, parent, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    Check(list != nullptr, "the floor's list box cannot be made");
    const auto start = Clock::now();
    for (const std::wstring& name : names)
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    const double ms = Ms(Clock::now() - start);
    Check(::SendMessageW(list, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(names.size()), "the floor lost names");
    ::DestroyWindow(list);
    return ms;
}

void Run(int argc, char** argv)
{
    const int layers = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    dkbench::BenchPalette bench;

    // The drawing: layer 0 and the others in shuffled order, names of mixed case and length.
    dkhost_test::ResetDrawing();
    const std::vector<std::wstring> names = dkbench::ShuffledNames(L"0", layers, {L"A-", L"wall ", L"Floor_"}, 1000003);
    for (size_t i = 1; i < names.size(); ++i)
        Check(dkhost_test::AddLayer(names[i].c_str(), 1 + static_cast<int>(i % 250)) != 0, "a layer was refused");
    const LONG_PTR circle = dkhost_test::AddEntity(L"Circle");
    // In the order the editor adds them.
    std::vector<std::wstring> added = names;
    std::stable_sort(added.begin(), added.end(),
                     [](const std::wstring& a, const std::wstring& b) { return DkString(a).compare(b.c_str()) < 0; });

    const CLSID clsid = dkbench::BenchPalette::EditorOf(L"Circle", L"Layer");

    double floorBest = 0, floorMean = 0, best = 0, mean = 0;
    {
        dkfw::ComPtr<IDispatch> object;
        Check(SUCCEEDED(dkhost_test::GetPaletteObject(circle, object.Put())), "no circle");
        dkpal::Selection selection;
        selection.objects.push_back(object.Get());
        selection.dynProps.push_back(nullptr);
        selection.dispids.push_back(2);
        dkpal::ControlHost host;
        const RECT rect{120, 0, 400, 19};
        Check(SUCCEEDED(host.Create(clsid, bench.palette, bench.paletteFrame, rect, bench.ambient)) &&
                  SUCCEEDED(host.Init(selection, false)) && SUCCEEDED(host.Activate(OLEIVERB_INPLACEACTIVATE)),
              "the layer row cannot be placed");
        Pump();
        HWND combo = ::GetDlgItem(host.Window(), kComboId);
        Check(combo != nullptr, "the layer row has no list");
        RECT size{};
        ::SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&size));
        ::MapWindowPoints(nullptr, bench.palette, reinterpret_cast<POINT*>(&size), 2);

        std::vector<double> floor, listing;
        for (int r = 0; r < rounds; ++r)
        {
            floor.push_back(FloorListing(bench.palette, added, size));
            const auto start = Clock::now();
            Check(SUCCEEDED(host.Activate(OLEIVERB_UIACTIVATE)), "the row cannot be activated");
            listing.push_back(Ms(Clock::now() - start));
            combo = ::GetDlgItem(host.Window(), kComboId);
            Check(::SendMessageW(combo, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(names.size()),
                  "round " + std::to_string(r + 1) + ": the list does not hold every layer");
            wchar_t shown[64] = {};
            ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)),
                           reinterpret_cast<LPARAM>(shown));
            Check(std::wstring(shown) == L"0", "round " + std::to_string(r + 1) + ": the circle's layer is not shown");
            host.Deactivate();
            Pump();
        }
        floorBest = dkbench::Best(floor);
        floorMean = dkbench::Mean(floor);
        best = dkbench::Best(listing);
        mean = dkbench::Mean(listing);
        host.Release();
    }
    const double perLayer = 1e6 * best / static_cast<double>(names.size());
    const double floorPerLayer = 1e6 * floorBest / static_cast<double>(names.size());
    std::printf("figure list-box-layer-list-%d: %.2f ms (best of %d; mean %.2f ms; %.0f ns per layer)\n", layers,
                floorBest, rounds, floorMean, floorPerLayer);
    std::printf("figure layer-list-%d: %.2f ms (best of %d; mean %.2f ms; %.0f ns per layer; ratio %.2f)\n", layers,
                best, rounds, mean, perLayer, best / floorBest);
}
} // namespace

int main(int argc, char** argv)
{
    return dkbench::Main(argc, argv, Run);
}

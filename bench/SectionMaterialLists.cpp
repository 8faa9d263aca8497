// Listing a large drawing's layers in a section's layer row and its materials in a circle's
// material row. Each row is created through the registry and sited as the palette sites it;
// each activation after a deactivation makes the row's list anew and fills it (the section's:
// its three entries, then every layer in table order; the material's: every material, which
// the combo sorts). The figure is one activation, timed over ROUNDS activations (best and
// mean). Its floor, timed in the same run just before each activation: the same names, in
// the order the editor adds them, added with CB_ADDSTRING and CB_SETITEMDATA to a fresh plain
// owner-drawn combo of the same kind (sorted for the materials). Every round checks that the
// list holds every name and shows the object's value.
// Usage: bench-section-material-lists [LAYERS [MATERIALS [ROUNDS]]].
#include "BenchPalette.h"

#include "ComPtr.h"
#include "Unique.h"

#include <algorithm>
#include <chrono>
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
constexpr UINT kComboId = 1002;

struct ListRow
{
    std::string figure;
    const wchar_t* className;
    const wchar_t* rowName;
    DISPID dispid;
    LONG_PTR entity;
    // The names in the order the editor adds them, and whether its combo sorts them.
    std::vector<std::wstring> added;
    bool sorted;
    // What the open list holds and shows.
    size_t entries;
    std::wstring shown;
};

// The floor: the names added to a plain owner-drawn combo as large as the row's list.
double FloorListing(HWND parent, const ListRow& row, const RECT& size)
{
    const DWORD style =
        WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | (row.sorted ? CBS_SORT : 0);
    HWND combo = ::CreateWindowExW(0, L"COMBOBOX", L"", style, size.left, size.top, size.right - size.left,
                                   size.bottom - size.top, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    Check(combo != nullptr, "the floor's combo cannot be made");
    const auto start = Clock::now();
    LPARAM data = 1;
    for (const std::wstring& name : row.added)
    {
        const LRESULT at = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), data++);
    }
    const double ms = Ms(Clock::now() - start);
    Check(::SendMessageW(combo, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(row.added.size()), "the floor lost names");
    ::DestroyWindow(combo);
    return ms;
}

void Measure(dkbench::BenchPalette& bench, const ListRow& row, int rounds)
{
    const CLSID clsid = dkbench::BenchPalette::EditorOf(row.className, row.rowName);
    std::vector<double> floor, listing;
    {
        dkfw::ComPtr<IDispatch> object;
        Check(SUCCEEDED(dkhost_test::GetPaletteObject(row.entity, object.Put())), "no object for the row");
        dkpal::Selection selection;
        selection.objects.push_back(object.Get());
        selection.dynProps.push_back(nullptr);
        selection.dispids.push_back(row.dispid);
        dkpal::ControlHost host;
        const RECT rect{120, 0, 400, 19};
        Check(SUCCEEDED(host.Create(clsid, bench.palette, bench.paletteFrame, rect, bench.ambient)) &&
                  SUCCEEDED(host.Init(selection, false)) && SUCCEEDED(host.Activate(OLEIVERB_UIACTIVATE)),
              "the row cannot be placed");
        Pump();
        HWND combo = ::GetDlgItem(host.Window(), kComboId);
        Check(combo != nullptr, "the row has no list");
        RECT size{};
        ::SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&size));
        ::MapWindowPoints(nullptr, bench.palette, reinterpret_cast<POINT*>(&size), 2);
        host.Deactivate();
        Pump();

        for (int r = 0; r < rounds; ++r)
        {
            const std::string round = "round " + std::to_string(r + 1) + ": ";
            floor.push_back(FloorListing(bench.palette, row, size));
            const auto start = Clock::now();
            Check(SUCCEEDED(host.Activate(OLEIVERB_UIACTIVATE)), round + "the row cannot be activated");
            listing.push_back(Ms(Clock::now() - start));
            combo = ::GetDlgItem(host.Window(), kComboId);
            Check(::SendMessageW(combo, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(row.entries),
                  round + "the list does not hold every name");
            wchar_t shown[64] = {};
            ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)),
                           reinterpret_cast<LPARAM>(shown));
            Check(row.shown == shown, round + "the object's value is not shown");
            host.Deactivate();
            Pump();
        }
        host.Release();
    }
    const double floorBest = dkbench::Best(floor);
    const double best = dkbench::Best(listing);
    const double count = static_cast<double>(row.added.size());
    std::printf("figure combo-%s: %.2f ms (best of %d; mean %.2f ms; %.0f ns per name)\n", row.figure.c_str(),
                floorBest, rounds, dkbench::Mean(floor), 1e6 * floorBest / count);
    std::printf("figure %s: %.2f ms (best of %d; mean %.2f ms; %.0f ns per name; ratio %.2f)\n", row.figure.c_str(),
                best, rounds, dkbench::Mean(listing), 1e6 * best / count, best / floorBest);
}

void PutText(LONG_PTR entity, DISPID dispid, const wchar_t* text)
{
    dkfw::ComPtr<IDispatch> object;
    Check(SUCCEEDED(dkhost_test::GetPaletteObject(entity, object.Put())), "no object to set up");
    VARIANT value{};
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(text);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    const HRESULT hr = object->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    ::VariantClear(&value);
    Check(SUCCEEDED(hr), "the object's value cannot be set up");
}

void Run(int argc, char** argv)
{
    const int layers = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int materials = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
    dkbench::BenchPalette bench;

    // The drawing: layer 0 and the others in shuffled order, then as many materials.
    dkhost_test::ResetDrawing();
    const std::vector<std::wstring> layerNames =
        dkbench::ShuffledNames(L"0", layers, {L"A-", L"wall ", L"Floor_"}, 1000003);
    for (size_t i = 1; i < layerNames.size(); ++i)
        Check(dkhost_test::AddLayer(layerNames[i].c_str(), 1 + static_cast<int>(i % 250)) != 0, "a layer was refused");
    const std::vector<std::wstring> materialNames =
        dkbench::ShuffledNames(L"Brick", materials, {L"Stone ", L"glass-", L"Wood_"}, 500009);
    for (const std::wstring& name : materialNames)
        Check(dkhost_test::AddMaterial(name.c_str()) != 0, "a material was refused");

    ListRow section{"section-layer-list-" + std::to_string(layers),
                    L"Section",
                    L"Cut layer",
                    52,
                    dkhost_test::AddEntity(L"Section"),
                    {},
                    false,
                    0,
                    L"<Section layer>"};
    PutText(section.entity, section.dispid, L"*");
    section.added = {L"<Section layer>", L"New layer name...", L""};
    section.added.insert(section.added.end(), layerNames.begin(), layerNames.end());
    section.entries = section.added.size();
    Measure(bench, section, rounds);

    ListRow material{"material-list-" + std::to_string(materials),
                     L"Circle",
                     L"Material",
                     7,
                     dkhost_test::AddEntity(L"Circle"),
                     {},
                     true,
                     0,
                     L"Brick"};
    PutText(material.entity, material.dispid, L"Brick");
    // ByLayer and ByBlock come with every drawing's dictionary.
    material.added = materialNames;
    material.added.insert(material.added.end(), {L"ByLayer", L"ByBlock"});
    material.entries = material.added.size();
    Measure(bench, material, rounds);
}
} // namespace

int main(int argc, char** argv)
{
    return dkbench::Main(argc, argv, Run);
}

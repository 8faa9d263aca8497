// Listing the text styles of a large drawing: the style row of one text, created through the
// registry and sited as the palette sites it, over a drawing of 2 000 text styles added in
// shuffled order, a tenth of them annotative. Each activation fills the list: the object's
// styles sorted, and each entry asked whether its style is annotative (a walk of the style
// table to the record of that name). The figure is one activation, timed over ROUNDS
// activations (best and mean), per entry. Its floor, timed in the same run just before each
// activation: per name, the same walk of the table to the record, opening each record on the
// way, and the name added to a plain drop-down list. Every round checks that the list holds
// every style and shows the text's.
// Usage: bench-text-style-list [STYLES [ROUNDS]].
#include "BenchPalette.h"

#include "ComPtr.h"
#include "Unique.h"
#include "dkdb.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace
{
using dkbench::Check;
using dkbench::Clock;
using dkbench::Ms;
using dkbench::Pump;
constexpr UINT kComboId = 1002;
constexpr DISPID kStyleName = 103;

// The walk the editor makes per entry: from the table's start to the record of that name.
bool WalkTo(DkDbObjectId tableId, const std::wstring& name)
{
    DkDbSymbolTable* table = nullptr;
    if (dkdbOpenObject(table, tableId, DkDb::kForRead) != Drvk::eOk || !table)
        return false;
    DkDbSymbolTableIterator* it = nullptr;
    bool found = false;
    if (table->newIterator(it) == Drvk::eOk && it)
    {
        for (it->start(); !it->done() && !found; it->step())
        {
            DkDbObjectId id;
            DkDbSymbolTableRecord* record = nullptr;
            if (it->getRecordId(id) != Drvk::eOk || dkdbOpenObject(record, id, DkDb::kForRead) != Drvk::eOk)
                continue;
            found = !record->isDependent() && name == record->getName();
            record->close();
        }
        delete it;
    }
    table->close();
    return found;
}

double FloorListing(HWND parent, const std::vector<std::wstring>& names, DkDbObjectId table)
{
    HWND combo = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0, 0,
                                   280, 200, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    Check(combo != nullptr, "the floor's list cannot be made");
    const auto start = Clock::now();
    for (const std::wstring& name : names)
    {
        WalkTo(table, name);
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    const double ms = Ms(Clock::now() - start);
    Check(::SendMessageW(combo, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(names.size()), "the floor lost names");
    ::DestroyWindow(combo);
    return ms;
}

void Run(int argc, char** argv)
{
    const int styles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    dkbench::BenchPalette bench;

    // The drawing: Standard and the others in shuffled order, every tenth annotative.
    dkhost_test::ResetDrawing();
    const std::vector<std::wstring> names =
        dkbench::ShuffledNames(L"Standard", styles, {L"Notes-", L"title ", L"Dim_"}, 100003);
    for (size_t i = 1; i < names.size(); ++i)
        Check(dkhost_test::AddTextStyle(names[i].c_str(), i % 10 == 0, false) != 0, "a style was refused");
    const LONG_PTR text = dkhost_test::AddEntity(L"Text");
    dkfw::ComPtr<IDispatch> object;
    Check(SUCCEEDED(dkhost_test::GetPaletteObject(text, object.Put())), "no text");
    {
        dkfw::UniqueVariant style;
        style.Addr()->vt = VT_BSTR;
        style.Addr()->bstrVal = ::SysAllocString(names.back().c_str());
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{style.Addr(), &named, 1, 1};
        Check(SUCCEEDED(
                  object->Invoke(kStyleName, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr)),
              "the text does not take a style");
    }
    const DkDbObjectId table(dkhost_test::StyleContainerId(L"text"));

    const CLSID clsid = dkbench::BenchPalette::EditorOf(L"Text", L"Style");

    std::vector<double> floor, listing;
    {
        dkpal::Selection selection;
        selection.objects.push_back(object.Get());
        selection.dynProps.push_back(nullptr);
        selection.dispids.push_back(kStyleName);
        dkpal::ControlHost host;
        const RECT rect{120, 0, 400, 19};
        Check(SUCCEEDED(host.Create(clsid, bench.palette, bench.paletteFrame, rect, bench.ambient)) &&
                  SUCCEEDED(host.Init(selection, false)) && SUCCEEDED(host.Activate(OLEIVERB_INPLACEACTIVATE)),
              "the style row cannot be placed");
        Pump();
        for (int r = 0; r < rounds; ++r)
        {
            floor.push_back(FloorListing(bench.palette, names, table));
            const auto start = Clock::now();
            Check(SUCCEEDED(host.Activate(OLEIVERB_UIACTIVATE)), "the row cannot be activated");
            listing.push_back(Ms(Clock::now() - start));
            HWND combo = ::GetDlgItem(host.Window(), kComboId);
            Check(::SendMessageW(combo, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(names.size()),
                  "round " + std::to_string(r + 1) + ": the list does not hold every style");
            wchar_t shown[128] = {};
            ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)),
                           reinterpret_cast<LPARAM>(shown));
            Check(names.back() == shown, "round " + std::to_string(r + 1) + ": the text's style is not shown");
            host.Deactivate();
            Pump();
        }
        host.Release();
    }
    using dkbench::Best;
    using dkbench::Mean;
    const double entries = static_cast<double>(names.size());
    std::printf("figure walk-and-add-style-list-%d: %.2f ms (best of %d; mean %.2f ms; %.0f ns per entry)\n", styles,
                Best(floor), rounds, Mean(floor), 1e6 * Best(floor) / entries);
    std::printf("figure text-style-list-%d: %.2f ms (best of %d; mean %.2f ms; %.0f ns per entry; ratio %.2f)\n",
                styles, Best(listing), rounds, Mean(listing), 1e6 * Best(listing) / entries,
                Best(listing) / Best(floor));
}
} // namespace

int main(int argc, char** argv)
{
    return dkbench::Main(argc, argv, Run);
}

// What the benchmarks that site one row share: the component installed from the program's
// folder, a palette window in a frame with the palette's font, the editor class of a row
// the host describes, and the best and mean of the rounds' figures.
#pragma once

#include "BenchSupport.h"
#include "ControlSite.h"
#include "DkHostTest.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace dkbench
{
class BenchPalette
{
public:
    BenchPalette()
    {
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring bin(exe);
        bin = bin.substr(0, bin.find_last_of(L"\\/") + 1);
        Check(SUCCEEDED(dkhost_test::InstallModule((bin + L"DkPEXCtl.drx").c_str(), nullptr)),
              "the component cannot be installed");
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DkBenchPalette";
        ::RegisterClassExW(&wc);
        frame = ::CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 420, 300,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        palette = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 400, 280,
                                    frame, nullptr, wc.hInstance, nullptr);
        ::ShowWindow(frame, SW_SHOW);
        dkfw::ComObject<dkpal::PaletteFrame>::Create(&paletteFrame, frame);
        ambient.font = dkpal::MakeFont(L"Tahoma", 9);
    }
    ~BenchPalette()
    {
        if (paletteFrame)
            paletteFrame->Release();
        ::DestroyWindow(frame);
    }
    BenchPalette(const BenchPalette&) = delete;
    BenchPalette& operator=(const BenchPalette&) = delete;

    // The editor class of the row of that name of a class.
    static CLSID EditorOf(const wchar_t* className, const wchar_t* rowName)
    {
        const dkhost_test::PropertyDescription* d = nullptr;
        const int count = dkhost_test::PropertyDescriptionsOf(className, &d);
        const auto* row = std::find_if(d, d + count, [&](const auto& r) { return std::wstring(r.name) == rowName; });
        Check(row != d + count && row->editor, "no such row");
        CLSID clsid{};
        Check(SUCCEEDED(::CLSIDFromProgID(row->editor, &clsid)), "the row's editor is not registered");
        return clsid;
    }

    HWND frame = nullptr;
    HWND palette = nullptr;
    dkfw::ComObject<dkpal::PaletteFrame>* paletteFrame = nullptr;
    dkpal::Ambient ambient;
};

// first, then count names of three kinds (by their prefix), each ending in a number and its
// position, in an order shuffled the same way in every run.
inline std::vector<std::wstring> ShuffledNames(const wchar_t* first, int count, const wchar_t* const (&prefixes)[3],
                                               unsigned modulus)
{
    std::vector<std::wstring> names{first};
    std::mt19937 random(20261206);
    for (int i = 0; i < count; ++i)
    {
        const unsigned n = random();
        names.push_back(prefixes[n % 3] + std::to_wstring(n % modulus) + L"-" + std::to_wstring(i));
    }
    std::shuffle(names.begin() + 1, names.end(), random);
    return names;
}

inline double Best(const std::vector<double>& ms)
{
    return *std::min_element(ms.begin(), ms.end());
}

inline double Mean(const std::vector<double>& ms)
{
    double sum = 0;
    for (double m : ms)
        sum += m;
    return sum / static_cast<double>(ms.size());
}
// A benchmark program's whole run: COM started, run given the command line, the drawing
// emptied again.
inline int Main(int argc, char** argv, void (*run)(int, char**))
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    run(argc, argv);
    dkhost_test::ResetDrawing();
    ::CoUninitialize();
    return 0;
}
} // namespace dkbench

// The palette over and over: opening and closing it until 10 000 rows were built, with the
// windows, the component's GDI objects and the process's memory read as it goes; then the
// time to build the palette for a 40-row selection.
#include "DkHostTest.h"
#include "Palette.h"
#include "StandInGlue.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace
{
// Committed memory of the process (the platform reports it as the page file usage).
size_t CommittedBytes()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc));
    return pmc.PagefileUsage ? pmc.PagefileUsage : pmc.WorkingSetSize;
}

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}
} // namespace

int main()
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring bin(exe);
    bin = bin.substr(0, bin.find_last_of(L"\\/") + 1);
    dkhost_test::InstallModule((bin + L"DkPEXCtl.drx").c_str(), nullptr);
    dkhost_test::LoadSampleDrawing();
    auto counts = reinterpret_cast<void (*)(long*, long*)>(
        ::GetProcAddress(::LoadLibraryW((bin + L"DkPEXCtl.drx").c_str()), "DkPeResourceCounts"));

    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DkBenchFrame";
    ::RegisterClassExW(&wc);
    HWND frame = ::CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 500, 700,
                                   nullptr, nullptr, wc.hInstance, nullptr);
    ::ShowWindow(frame, SW_SHOW);
    {
        dkpal::Palette palette;
        palette.Create(frame, RECT{0, 0, 480, 660});
        const std::vector<LONG_PTR> texts = {dkhost_test::EntityByHandle(L"40"), dkhost_test::EntityByHandle(L"41")};

        auto report = [&](const char* when, int rows)
        {
            long gdi = 0;
            long frames = 0;
            if (counts)
                counts(&gdi, &frames);
            std::printf("%-10s rows %6d  windows %4d  component GDI objects %4ld  committed memory %7.1f MiB\n", when,
                        rows, dktest::CountThreadWindows(), gdi,
                        static_cast<double>(CommittedBytes()) / (1024.0 * 1024.0));
        };
        palette.SetSelection(texts);
        palette.SetSelection({});
        Pump();
        report("warm", 0);
        int rows = 0;
        while (rows < 10000)
        {
            palette.SetSelection(texts);
            rows += palette.RowCount();
            palette.SetSelection({});
            Pump();
            if (rows % 5000 < palette.RowCount() + 21 && rows >= 5000 && rows < 5000 + 22)
                report("halfway", rows);
        }
        report("end", rows);

        // Twenty more properties on every text make a selection of about 40 rows.
        for (int i = 0; i < 20; ++i)
        {
            IUnknown* p = nullptr;
            dkhost_test::AddDynamicProperty((L"Note " + std::to_wstring(i + 1)).c_str(), L"Text", VT_BSTR, &p);
            p->Release();
        }
        palette.SetSelection(texts);
        const int fortyish = palette.RowCount();
        palette.SetSelection({});
        const int rounds = 50;
        double best = 1e300;
        double total = 0;
        for (int i = 0; i < rounds; ++i)
        {
            const auto start = std::chrono::steady_clock::now();
            palette.SetSelection(texts);
            Pump();
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            best = std::min(best, ms);
            total += ms;
            palette.SetSelection({});
            Pump();
        }
        std::printf("building the palette for %d rows (2 objects): %.2f ms best, %.2f ms mean over %d builds\n",
                    fortyish, best, total / rounds, rounds);
    }
    ::DestroyWindow(frame);
    dkhost_test::ResetDrawing();
    ::CoUninitialize();
    return 0;
}

// The palette over and over: opening and closing it until 10 000 rows were built, with the
// windows, the component's GDI objects and the process's memory read as it goes; then a
// selection of about 40 rows opened, painted and closed, each timed apart, and the same
// rows shown for other objects (a palette re-used as users click from object to object),
// with the windows that creates.
#include "DkHostTest.h"
#include "Palette.h"
#include "StandInGlue.h"

#include "ComPtr.h"
#include "Unique.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>
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

double Ms(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "bench-palette-open-close: %s\n", what);
    std::exit(1);
}

// The best of the rounds, with their median beside it.
void Figure(const char* name, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("figure %s: %.2f ms (best; median %.2f)\n", name, ms.front(), ms[ms.size() / 2]);
}

// The windows the thread creates while it lives.
class CreationCount
{
public:
    CreationCount() noexcept
        : m_hook(::SetWindowsHookExW(WH_CBT, &CreationCount::Hook, nullptr, ::GetCurrentThreadId()))
    {
        s_created = 0;
    }
    ~CreationCount() { ::UnhookWindowsHookEx(m_hook); }
    CreationCount(const CreationCount&) = delete;
    CreationCount& operator=(const CreationCount&) = delete;
    int Windows() const noexcept { return s_created; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_CREATEWND)
            ++s_created;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline int s_created = 0;
    HHOOK m_hook;
};

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

        // A line, a circle and a text: their common properties and 27 custom ones of every
        // kind make about 40 rows. Two such selections show the same rows.
        const VARTYPE kinds[] = {VT_BSTR, VT_I4, VT_R8, VT_BOOL};
        std::vector<dkfw::ComPtr<IDynamicProperty>> custom;
        for (int i = 0; i < 27; ++i)
        {
            IUnknown* p = nullptr;
            dkhost_test::AddDynamicProperty((L"Note " + std::to_wstring(i + 1)).c_str(), L"*", kinds[i % 4], &p);
            custom.push_back(dkfw::ComPtr<IUnknown>::Attach(p).Query<IDynamicProperty>());
        }
        std::vector<LONG_PTR> mixed[2];
        for (auto& selection : mixed)
            for (const wchar_t* c : {L"Line", L"Circle", L"Text"})
                selection.push_back(dkhost_test::AddEntity(c));
        // Each selection's first note tells which one the rows show.
        for (int s = 0; s < 2; ++s)
            for (LONG_PTR id : mixed[s])
            {
                dkfw::UniqueVariant v;
                v.Addr()->vt = VT_BSTR;
                v.Addr()->bstrVal = ::SysAllocString(s ? L"second" : L"first");
                custom[0]->SetValue(id, v.Get());
            }

        palette.SetSelection(mixed[0]);
        const int rowCount = palette.RowCount();
        const int note = palette.FindRow(L"Note 1");
        int controls = 0;
        for (int r = 0; r < rowCount; ++r)
            controls += palette.IsPlain(r) ? 0 : 1;
        if (note < 0 || palette.IsPlain(note) || rowCount < 35)
            Fail("the mixed selection does not show its custom rows");
        palette.SetSelection({});
        Pump();

        // Every round checks the rows it timed: each editor row has its visible control,
        // and shows the selection it was given.
        auto check = [&](int s)
        {
            int now = 0;
            for (int r = 0; r < palette.RowCount(); ++r)
                if (!palette.IsPlain(r) && ::IsWindowVisible(palette.RowWindow(r)))
                    ++now;
            if (palette.RowCount() != rowCount || now != controls)
                Fail("a row lost its control");
            if (palette.Dump()[static_cast<size_t>(note)].text != (s ? L"second" : L"first"))
                Fail("the rows do not show the selection");
        };
        const int rounds = 30;
        std::vector<double> open, paint, close, reselect;
        int created = 0;
        for (int i = 0; i < rounds; ++i)
        {
            auto start = std::chrono::steady_clock::now();
            palette.SetSelection(mixed[0]);
            open.push_back(Ms(start));
            start = std::chrono::steady_clock::now();
            Pump();
            paint.push_back(Ms(start));
            check(0);
            // Clicking from object to object: the same rows for other objects.
            {
                const CreationCount count;
                start = std::chrono::steady_clock::now();
                palette.SetSelection(mixed[1]);
                Pump();
                reselect.push_back(Ms(start));
                created += count.Windows();
            }
            check(1);
            start = std::chrono::steady_clock::now();
            palette.SetSelection({});
            Pump();
            close.push_back(Ms(start));
        }
        std::printf("%d rows (%d with controls) of a line, a circle and a text; %d rounds:\n", rowCount, controls,
                    rounds);
        Figure("palette-open-40", open);
        Figure("palette-paint-40", paint);
        std::vector<double> both(open.size());
        for (size_t i = 0; i < open.size(); ++i)
            both[i] = open[i] + paint[i];
        Figure("palette-open-paint-40", both);
        Figure("palette-close-40", close);
        Figure("palette-reselect-40", reselect);
        std::printf("figure palette-reselect-40-windows: %d windows created\n", created);
        if (created != 0)
            Fail("showing the same rows for other objects created windows");
    }
    ::DestroyWindow(frame);
    dkhost_test::ResetDrawing();
    ::CoUninitialize();
    return 0;
}

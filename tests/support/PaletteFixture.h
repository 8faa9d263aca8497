// A palette window over the stand-in host's sample drawing, with the container library
// siting one product control at a time, as the palette does.
#pragma once

#include "ControlSite.h"
#include "DkHostTest.h"
#include "StandInGlue.h"
#include "TestSupport.h"

#include "ComPtr.h"
#include "Unique.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dktest
{
class PaletteFixture : public ::testing::Test
{
protected:
    static constexpr RECT kRow{20, 30, 220, 50};

    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::InstallModule((BinDir() + L"DkPEXCtl.drx").c_str(), nullptr));
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = ::GetSysColorBrush(COLOR_WINDOW);
        wc.lpszClassName = L"DkTestPaletteWindow";
        ::RegisterClassExW(&wc);
        m_palette.Reset(::CreateWindowExW(0, wc.lpszClassName, L"palette", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 200,
                                          200, 400, 300, nullptr, nullptr, wc.hInstance, nullptr));
        ASSERT_TRUE(m_palette);
        ::ShowWindow(m_palette.Get(), SW_SHOW);
        ::UpdateWindow(m_palette.Get());
        ASSERT_EQ(S_OK, dkfw::ComObject<dkpal::PaletteFrame>::Create(&m_frame, m_palette.Get()));
        m_ambient.font = dkpal::MakeFont(L"Tahoma", 9);
        dkhost_test::ClearJournal();
    }

    void TearDown() override
    {
        m_host.Release();
        m_objects.clear();
        if (m_frame)
        {
            EXPECT_EQ(0u, m_frame->Release()) << "every reference on the frame was given back";
        }
        m_frame = nullptr;
        m_palette.Reset();
        Pump(0);
    }

    // Sites a control of the class over the objects with the given handles, shown in place;
    // with a dynamic property, a row of that property (dispid -23).
    HRESULT Row(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid, bool readOnly = false,
                IUnknown* dynamicProperty = nullptr)
    {
        dkpal::Selection selection;
        m_objects.clear();
        for (const wchar_t* h : handles)
        {
            dkfw::ComPtr<IDispatch> d;
            dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(h), d.Put());
            selection.objects.push_back(d.Get());
            selection.dynProps.push_back(dynamicProperty);
            selection.dispids.push_back(dynamicProperty ? -23 : dispid);
            m_objects.push_back(d);
        }
        HRESULT hr = m_host.Create(clsid, m_palette.Get(), m_frame, kRow, m_ambient);
        if (SUCCEEDED(hr))
            hr = m_host.Init(selection, readOnly);
        if (SUCCEEDED(hr))
            hr = m_host.Activate(OLEIVERB_INPLACEACTIVATE);
        Pump(0);
        return hr;
    }

    // Puts the text in the edit box, queues the user's answer and clicks the calculator;
    // returns what the calculator was handed ("<n calls>" unless it was called once) and
    // notes whether it was handed the value read-only.
    std::wstring Calculate(const std::wstring& text, const wchar_t* answer)
    {
        ::SetWindowTextW(Edit(), text.c_str());
        dkhost_test::ClearJournal();
        dkhost_test::PushAnswer(answer);
        ::SendMessageW(Edit(1046), BM_CLICK, 0, 0);
        Pump(0);
        const auto calls = dktest::JournalMatching(L"calculator \"");
        if (calls.size() != 1)
            return L"<" + std::to_wstring(calls.size()) + L" calls>";
        const std::wstring prefix = L"calculator \"Calculator\" input \"";
        const std::wstring readOnly = L"\" read-only";
        if (calls[0].substr(0, prefix.size()) != prefix)
            return calls[0];
        std::wstring rest = calls[0].substr(prefix.size());
        m_readOnlyCall = rest.size() >= readOnly.size() && rest.ends_with(readOnly);
        rest.resize(rest.size() - (m_readOnlyCall ? readOnly.size() : 1));
        return rest;
    }
    bool m_readOnlyCall = false;

    // What the component holds of the system (GDI objects and frame windows, by its own
    // count) and the windows of the thread, to compare before and after many rows.
    struct Resources
    {
        long gdi = 0;
        long frames = 0;
        int windows = 0;
    };
    static Resources CountResources()
    {
        using CountsFn = void (*)(long*, long*);
        static const auto counts = reinterpret_cast<CountsFn>(
            ::GetProcAddress(::LoadLibraryW((BinDir() + L"DkPEXCtl.drx").c_str()), "DkPeResourceCounts"));
        Resources r;
        EXPECT_NE(nullptr, counts);
        if (counts)
            counts(&r.gdi, &r.frames);
        r.windows = CountThreadWindows();
        return r;
    }
    static void ExpectSameResources(const Resources& before, const Resources& after)
    {
        EXPECT_EQ(before.windows, after.windows);
        EXPECT_EQ(before.frames, after.frames);
        EXPECT_EQ(before.gdi, after.gdi);
    }

    // Handles the thread's pending messages, for at least ms milliseconds; returns how many
    // of them were WM_TIMER.
    static int Pump(DWORD ms)
    {
        int timers = 0;
        const DWORD end = ::GetTickCount() + ms;
        do
        {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            {
                timers += msg.message == WM_TIMER;
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (ms)
                ::Sleep(10);
        } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
        return timers;
    }

    HWND Control() const { return m_host.Window(); }
    HWND Edit(UINT id = 1038) const { return ::GetDlgItem(Control(), static_cast<int>(id)); }

    // Types text into a window as the keyboard would, then optionally a key.
    static void Type(HWND hwnd, const std::wstring& text)
    {
        for (wchar_t c : text)
            ::SendMessageW(hwnd, WM_CHAR, c, 1);
    }
    static void Key(HWND hwnd, UINT vk) { ::SendMessageW(hwnd, WM_KEYDOWN, vk, 1); }
    // A click as the system delivers it: mouse activation first, then the button.
    static void Click(HWND hwnd, int x, int y, UINT msg = WM_LBUTTONDOWN)
    {
        ::SendMessageW(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(::GetAncestor(hwnd, GA_ROOT)),
                       MAKELPARAM(HTCLIENT, msg));
        ::SendMessageW(hwnd, msg, msg == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON, MAKELPARAM(x, y));
    }

    static std::wstring WindowText(HWND hwnd)
    {
        std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
        text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
        return text;
    }

    // The property of selected object i as text, whatever its type.
    std::wstring Property(size_t i, DISPID dispid)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        dkfw::UniqueVariant text;
        ::VariantChangeType(text.Put(), v.Addr(), 0, VT_BSTR);
        return text.Type() == VT_BSTR && text.Get().bstrVal ? text.Get().bstrVal : L"";
    }

    // The host's object takes value as the property, as if set elsewhere (no undo step kept).
    static void PutValue(const wchar_t* handle, DISPID dispid, VARIANT& value)
    {
        dkfw::ComPtr<IDispatch> object;
        ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), object.Put()));
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        ASSERT_EQ(S_OK, object->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
        dkhost_test::ClearUndo();
    }
    static void Put(const wchar_t* handle, DISPID dispid, const wchar_t* text)
    {
        dkfw::UniqueVariant value;
        value.Addr()->vt = VT_BSTR;
        value.Addr()->bstrVal = ::SysAllocString(text);
        PutValue(handle, dispid, *value.Addr());
    }

    std::vector<std::wstring> EventNames() const
    {
        std::vector<std::wstring> out;
        for (const auto& e : m_host.Events()->Events())
            out.push_back(e.name);
        return out;
    }

    dkfw::UniqueHwnd m_palette;
    dkfw::ComObject<dkpal::PaletteFrame>* m_frame = nullptr;
    dkpal::Ambient m_ambient;
    dkpal::ControlHost m_host;
    std::vector<dkfw::ComPtr<IDispatch>> m_objects;
};
} // namespace dktest

// A palette window over the stand-in host's sample drawing, with the container library
// siting one product control at a time, as the palette does.
#pragma once

#include "ControlSite.h"
#include "DkHostTest.h"
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

    // Sites a control of the class over the objects with the given handles, shown in place.
    HRESULT Row(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid, bool readOnly = false)
    {
        dkpal::Selection selection;
        m_objects.clear();
        for (const wchar_t* h : handles)
        {
            dkfw::ComPtr<IDispatch> d;
            dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(h), d.Put());
            selection.objects.push_back(d.Get());
            selection.dynProps.push_back(nullptr);
            selection.dispids.push_back(dispid);
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

    // Handles the thread's pending messages, for at least ms milliseconds.
    static void Pump(DWORD ms)
    {
        const DWORD end = ::GetTickCount() + ms;
        do
        {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (ms)
                ::Sleep(10);
        } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
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
        wchar_t buf[512] = {};
        ::GetWindowTextW(hwnd, buf, 512);
        return buf;
    }

    std::wstring Property(size_t i, DISPID dispid)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v.Type() == VT_BSTR && v.Get().bstrVal ? v.Get().bstrVal : L"";
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

// Stand-ins for an editor's glue, for editors derived straight from CDkPeCtrlBase in tests
// and benchmarks: events recorded by name, window services of an editor not yet placed.
#pragma once

#include "DkPeBasePrivate.h"
#include "TestSupport.h"

#include <functional>
#include <string>
#include <vector>

namespace dktest
{
class RecordingEvents : public CIPropEditUIEvents
{
public:
    std::vector<std::string> fired;
    std::function<void()> onBegin; // what the palette does when it hears a write begin
    HRESULT FireKeyDown(WPARAM, LPARAM) override { return Add("KeyDown"); }
    HRESULT FireKeyUp(WPARAM, LPARAM) override { return Add("KeyUp"); }
    HRESULT FireRButtonDown(WPARAM, LPARAM) override { return Add("RButtonDown"); }
    HRESULT FireMButtonDown(WPARAM, LPARAM) override { return Add("MButtonDown"); }
    HRESULT FireBeginPropertyUpdate() override
    {
        if (onBegin)
            onBegin();
        return Add("BeginPropertyUpdate");
    }
    HRESULT FireEndPropertyUpdate() override { return Add("EndPropertyUpdate"); }
    HRESULT FireClick() override { return Add("Click"); }
    HRESULT FireOperationStart(long) override { return Add("OperationStart"); }
    HRESULT FireOperationEnd(long) override { return Add("OperationEnd"); }

private:
    HRESULT Add(const char* name)
    {
        fired.emplace_back(name);
        return S_OK;
    }
};

// A glue without a window or a site, as for an editor not yet placed.
class NoWindow : public CDkPeBasePrivate
{
public:
    HWND GetControlWindow() override { return nullptr; }
    HRESULT GetInPlaceSite(IOleInPlaceSite** site) override
    {
        *site = nullptr;
        return S_FALSE;
    }
    HRESULT HideControl(LPCRECT, HWND) override { return S_OK; }
    HRESULT ShowControl(LPCRECT, HWND) override { return S_OK; }
    HRESULT UIActivateControl(LPCRECT, HWND) override { return S_OK; }
    // Nothing to keep alive: the test owns the editor.
    void EnterCall() noexcept override {}
    void LeaveCall() noexcept override {}
};
} // namespace dktest

// The host's point input driven from a row's button: the class that asks the user for
// points in the drawing, and the listener its reports reach.
#pragma once

#include "DkPiHost.h"

#include "ComObject.h"
#include "ComPtr.h"
#include "Unique.h"

#include <ocidl.h>

namespace dkpex
{
// The host's status of a point input that ended normally; -1 while it runs.
constexpr LONG kPointInputAccepted = 5100;
constexpr LONG kPointInputRunning = -1;
// The point input's kinds: two points measured as their distance, one point from a base.
constexpr LONG kPointInputTwoPoints = 3;
constexpr LONG kPointInputOnePoint = 7;

// A new point input of the host's, or null when the host does not offer the class.
dkfw::ComPtr<IDkPointInput> CreatePointInput() noexcept;
} // namespace dkpex

// Who hears a point input's reports: the row that started it.
class CPointInputOwner
{
public:
    // A value while the input runs; false when it is not of the kind the row asked for (the
    // host hears E_FAIL and the value is ignored).
    virtual bool OnPointInputRunning(const VARIANT& value) = 0;
    // The input ended with this status; the listener lets the input go afterwards.
    virtual void OnPointInputEnded(LONG status) = 0;

protected:
    ~CPointInputOwner() = default;
};

// The sink connected to a running point input: running reports and the end go to its owner.
class CPointInputListener : public dkfw::ComImplements<IPropertyNotifySink>
{
public:
    // Connects to the input's IPropertyNotifySink connection point for owner.
    HRESULT Connect(IDkPointInput* input, CPointInputOwner* owner) noexcept;
    // Cancels the input when asked, ends the connection and lets the input go.
    void Disconnect(bool cancel) noexcept;
    bool Connected() const noexcept { return static_cast<bool>(m_input); }

    // IPropertyNotifySink
    STDMETHODIMP OnChanged(DISPID dispid) noexcept override;
    STDMETHODIMP OnRequestEdit(DISPID) noexcept override { return S_OK; }

private:
    CPointInputOwner* m_owner = nullptr; // not owned
    dkfw::ComPtr<IDkPointInput> m_input;
    dkfw::ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

// A row's pick: the host's point input it runs (one at a time), the listener connected to
// it, the value last reported.
class CPointPick
{
public:
    CPointPick() = default;
    CPointPick(const CPointPick&) = delete;
    CPointPick& operator=(const CPointPick&) = delete;
    ~CPointPick() { Cancel(); }

    bool Running() const noexcept { return m_running; }
    // Makes the host's point input, has configure set it up, then connects owner to its
    // reports with them off, gives the focus to the drawing, turns the reports on and
    // starts the input. E_FAIL (nothing running) when the class is missing or a step fails.
    template <class Configure> HRESULT Start(CPointInputOwner* owner, Configure configure) noexcept
    {
        if (m_running)
            return E_FAIL;
        dkfw::ComPtr<IDkPointInput> input = dkpex::CreatePointInput();
        if (!input)
            return E_FAIL;
        if (FAILED(configure(input.Get())))
            return E_FAIL;
        return Connect(owner, input.Get());
    }
    // A running input cancelled and let go.
    void Cancel() noexcept;
    // The input ended of itself: the listener lets it go.
    void Ended() noexcept { m_running = false; }

    // The value the running input last reported.
    dkfw::UniqueVariant pending;

private:
    HRESULT Connect(CPointInputOwner* owner, IDkPointInput* input) noexcept;

    dkfw::ComObject<CPointInputListener>* m_listener = nullptr;
    bool m_running = false;
};

// The listeners of the coordinate rows' pick and of the measured distance.
using PPGetPointInputListener = CPointInputListener;
using PPGetInputListener = CPointInputListener;

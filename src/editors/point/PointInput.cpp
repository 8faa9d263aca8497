// The host's point input and the listener of its reports.
#include "PointInput.h"

#include "dked.h"

namespace
{
// {9307A809-170D-4A75-B8EC-D3C462D2F4DB}
constexpr CLSID kPointInputClass = {0x9307A809, 0x170D, 0x4A75, {0xB8, 0xEC, 0xD3, 0xC4, 0x62, 0xD2, 0xF4, 0xDB}};

// The reports the listener takes: a running value and the end.
constexpr DISPID kRunningReport = 1;
constexpr DISPID kEndReport = 2;
} // namespace

namespace dkpex
{
dkfw::ComPtr<IDkPointInput> CreatePointInput() noexcept
{
    dkfw::ComPtr<IDkPointInput> input;
    if (FAILED(::CoCreateInstance(kPointInputClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDkPointInput, input.PutVoid())))
        input.Reset();
    return input;
}
} // namespace dkpex

HRESULT CPointInputListener::Connect(IDkPointInput* input, CPointInputOwner* owner) noexcept
{
    Disconnect(false);
    if (!input || !owner)
        return E_POINTER;
    dkfw::ComPtr<IConnectionPointContainer> container;
    RETURN_IF_FAILED(input->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
    dkfw::ComPtr<IConnectionPoint> point;
    RETURN_IF_FAILED(container->FindConnectionPoint(IID_IPropertyNotifySink, point.Put()));
    DWORD cookie = 0;
    RETURN_IF_FAILED(point->Advise(static_cast<IPropertyNotifySink*>(this), &cookie));
    m_owner = owner;
    m_input = dkfw::ComPtr<IDkPointInput>(input);
    m_point = std::move(point);
    m_cookie = cookie;
    return S_OK;
}

void CPointInputListener::Disconnect(bool cancel) noexcept
{
    // Taken first: a report the cancel or the unadvise sets off finds the listener idle.
    dkfw::ComPtr<IDkPointInput> input = std::move(m_input);
    dkfw::ComPtr<IConnectionPoint> point = std::move(m_point);
    const DWORD cookie = std::exchange(m_cookie, 0);
    m_owner = nullptr;
    if (cancel && input)
        input->Cancel();
    if (point && cookie)
        point->Unadvise(cookie);
}

STDMETHODIMP CPointInputListener::OnChanged(DISPID dispid) noexcept
try
{
    if (dispid != kRunningReport && dispid != kEndReport)
        return S_OK;
    if (!m_input || !m_owner)
        return S_OK;
    // The listener stays whole while its owner hears the report.
    dkfw::ComPtr<IPropertyNotifySink> self(this);
    LONG status = 0;
    RETURN_IF_FAILED(m_input->GetStatus(&status));
    if (status == dkpex::kPointInputRunning)
    {
        dkfw::UniqueVariant value;
        RETURN_IF_FAILED(m_input->GetValue(value.Put()));
        return m_owner->OnPointInputRunning(value.Get()) ? S_OK : E_FAIL;
    }
    m_owner->OnPointInputEnded(status);
    Disconnect(false);
    return S_OK;
}
DK_CATCH_RETURN()

void CPointPick::Cancel() noexcept
{
    if (m_listener)
    {
        m_listener->Disconnect(m_running);
        m_listener->Release();
        m_listener = nullptr;
    }
    m_running = false;
}

HRESULT CPointPick::Connect(CPointInputOwner* owner, IDkPointInput* input) noexcept
{
    if (!m_listener && FAILED(dkfw::ComObject<CPointInputListener>::Create(&m_listener)))
        return E_FAIL;
    RETURN_IF_FAILED(input->SetNotify(0));
    RETURN_IF_FAILED(m_listener->Connect(input, owner));
    m_running = true;
    if (HWND main = dkedGetMainWindow())
        ::SetFocus(main);
    if (FAILED(input->SetNotify(-1)) || FAILED(input->Start()))
    {
        m_listener->Disconnect(false);
        m_running = false;
        return E_FAIL;
    }
    return S_OK;
}

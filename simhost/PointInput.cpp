// The host's point input. The user's answers come from the scripted queue ("point x,y[,z]",
// "drag x,y[,z]" for a position passed over on the way, "cancel"), else from a small window
// that asks for a point; the input runs after Start returns, as the user's clicks would.
#include "PointInput.h"

#include "HostClass.h"

#include "DkHostTest.h"
#include "InputDialog.h"
#include "Journal.h"

#include "DkPiHost.h"

#include "ComObject.h"
#include "ConnectionPoint.h"
#include "HResult.h"
#include "Unique.h"

#include <array>
#include <cmath>
#include <cwchar>
#include <map>
#include <optional>
#include <string>

namespace dkhost
{
bool NextAnswer(std::wstring& answer);

namespace
{
constexpr CLSID kPointInputClass = {0x9307A809, 0x170D, 0x4A75, {0xB8, 0xEC, 0xD3, 0xC4, 0x62, 0xD2, 0xF4, 0xDB}};
constexpr LONG kRunning = -1;
constexpr LONG kNormal = 5100;  // RTNORM
constexpr LONG kError = -5001;  // RTERROR
constexpr LONG kCancel = -5002; // RTCAN
constexpr LONG kTwoPoints = 3;
constexpr LONG kFromBasePoint = 7;

// Running reports of the wrong type (tests).
bool g_wrongRunningType = false;

using Point = std::array<double, 3>;

// "x,y" or "x,y,z".
std::optional<Point> ParsePoint(const std::wstring& text)
{
    Point p{};
    const wchar_t* at = text.c_str();
    for (int i = 0; i < 3; ++i)
    {
        wchar_t* end = nullptr;
        p[static_cast<size_t>(i)] = std::wcstod(at, &end);
        if (end == at || !std::isfinite(p[static_cast<size_t>(i)]))
            return std::nullopt;
        at = end;
        while (*at == L' ')
            ++at;
        if (*at == 0)
            return i >= 1 ? std::optional<Point>(p) : std::nullopt;
        if (*at != L',' || i == 2)
            return std::nullopt;
        ++at;
    }
    return std::nullopt;
}

HRESULT PointVariant(const Point& p, VARIANT* out)
{
    SAFEARRAY* sa = ::SafeArrayCreateVector(VT_R8, 0, 3);
    if (!sa)
        return E_OUTOFMEMORY;
    double* data = nullptr;
    ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&data));
    std::copy(p.begin(), p.end(), data);
    ::SafeArrayUnaccessData(sa);
    out->vt = VT_ARRAY | VT_R8;
    out->parray = sa;
    return S_OK;
}

HRESULT Text(const std::wstring& text, BSTR* out)
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = ::SysAllocString(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

class PointInput;
// The inputs waiting for their turn, by timer: each holds its input alive.
std::map<UINT_PTR, dkfw::ComPtr<IDkPointInput>>& Waiting()
{
    static std::map<UINT_PTR, dkfw::ComPtr<IDkPointInput>> waiting;
    return waiting;
}

class PointInput : public dkfw::ComImplements<IDkPointInput, IConnectionPointContainer>
{
public:
    PointInput() : m_point(this, IID_IPropertyNotifySink) {}

    STDMETHODIMP GetValue(VARIANT* value) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !value);
        ::VariantInit(value);
        if (m_running && g_wrongRunningType)
            return Text(L"not a value", &value->bstrVal) == S_OK ? (value->vt = VT_BSTR, S_OK) : E_OUTOFMEMORY;
        if (m_distance)
        {
            value->vt = VT_R8;
            value->dblVal = *m_distance;
            return S_OK;
        }
        return m_last ? PointVariant(*m_last, value) : S_FALSE;
    }
    STDMETHODIMP GetValueText(BSTR* text) noexcept override
    {
        return Text(m_distance ? std::to_wstring(*m_distance) : std::wstring(), text);
    }
    STDMETHODIMP GetStatus(LONG* status) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !status);
        *status = m_status;
        return S_OK;
    }
    STDMETHODIMP GetFirstPoint(VARIANT* point) noexcept override { return PointOut(m_first, point); }
    STDMETHODIMP GetSecondPoint(VARIANT* point) noexcept override { return PointOut(m_second, point); }
    STDMETHODIMP SetKeywords(BSTR keywords) noexcept override { return Keep(m_keywords, keywords); }
    STDMETHODIMP GetKeywords(BSTR* keywords) noexcept override { return Text(m_keywords, keywords); }
    STDMETHODIMP SetFlags(LONG flags) noexcept override { return Keep(m_flags, flags); }
    STDMETHODIMP GetFlags(LONG* flags) noexcept override { return Give(m_flags, flags); }
    STDMETHODIMP SetFirstPrompt(BSTR prompt) noexcept override { return Keep(m_prompts[0], prompt); }
    STDMETHODIMP GetFirstPrompt(BSTR* prompt) noexcept override { return Text(m_prompts[0], prompt); }
    STDMETHODIMP SetSecondPrompt(BSTR prompt) noexcept override { return Keep(m_prompts[1], prompt); }
    STDMETHODIMP GetSecondPrompt(BSTR* prompt) noexcept override { return Text(m_prompts[1], prompt); }
    STDMETHODIMP SetSnapModes(LONG modes) noexcept override { return Keep(m_snapModes, modes); }
    STDMETHODIMP GetSnapModes(LONG* modes) noexcept override { return Give(m_snapModes, modes); }
    STDMETHODIMP SetTracking(LONG tracking) noexcept override { return Keep(m_tracking, tracking); }
    STDMETHODIMP GetTracking(LONG* tracking) noexcept override { return Give(m_tracking, tracking); }
    STDMETHODIMP SetBasePoint(VARIANT point) noexcept override
    {
        if (point.vt != (VT_ARRAY | VT_R8) || !point.parray || ::SafeArrayGetDim(point.parray) != 1 ||
            point.parray->rgsabound[0].cElements < 2 || point.parray->rgsabound[0].cElements > 3)
            return E_INVALIDARG;
        Point p{};
        double* data = nullptr;
        ::SafeArrayAccessData(point.parray, reinterpret_cast<void**>(&data));
        std::copy(data, data + point.parray->rgsabound[0].cElements, p.begin());
        ::SafeArrayUnaccessData(point.parray);
        m_base = p;
        return S_OK;
    }
    STDMETHODIMP GetBasePoint(VARIANT* point) noexcept override { return PointOut(m_base, point); }
    STDMETHODIMP SetKind(LONG kind) noexcept override
    {
        RETURN_HR_IF(E_INVALIDARG, kind != kTwoPoints && kind != kFromBasePoint);
        m_kind = kind;
        return S_OK;
    }
    STDMETHODIMP GetKind(LONG* kind) noexcept override { return Give(m_kind, kind); }
    STDMETHODIMP SetNotify(LONG notify) noexcept override { return Keep(m_notify, notify); }

    STDMETHODIMP Start() noexcept override
    try
    {
        RETURN_HR_IF(E_FAIL, m_running || m_kind == 0);
        m_running = true;
        m_status = kRunning;
        m_first.reset();
        m_second.reset();
        m_last.reset();
        m_distance.reset();
        JournalAdd(L"point input " + std::to_wstring(m_kind) + L" prompt \"" + m_prompts[0] + L"\"" +
                   (m_kind == kTwoPoints ? L" then \"" + m_prompts[1] + L"\"" : std::wstring()));
        // The user answers once the caller is back in its message loop.
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 0, &PointInput::Turn);
        RETURN_HR_IF(E_FAIL, !timer);
        Waiting()[timer] = dkfw::ComPtr<IDkPointInput>(static_cast<IDkPointInput*>(this));
        m_timer = timer;
        return S_OK;
    }
    DK_CATCH_RETURN()

    STDMETHODIMP Cancel() noexcept override
    try
    {
        RETURN_HR_IF(S_FALSE, !m_running);
        // The caller knows: no report follows.
        JournalAdd(L"point input cancelled by its caller");
        m_running = false;
        m_status = kCancel;
        Forget();
        return S_OK;
    }
    DK_CATCH_RETURN()

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override
    {
        dkfw::ConnectionPoint* points[] = {&m_point};
        return dkfw::EnumConnectionPointsOf(points, 1, out);
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) noexcept override
    {
        dkfw::ConnectionPoint* points[] = {&m_point};
        return dkfw::FindConnectionPointIn(points, 1, riid, out);
    }

private:
    static void CALLBACK Turn(HWND, UINT, UINT_PTR timer, DWORD) noexcept
    try
    {
        ::KillTimer(nullptr, timer);
        const auto it = Waiting().find(timer);
        if (it == Waiting().end())
            return;
        const dkfw::ComPtr<IDkPointInput> hold = it->second;
        Waiting().erase(it);
        auto* self = static_cast<PointInput*>(hold.Get());
        self->m_timer = 0;
        self->Run();
    }
    catch (...)
    {
    }

    // The user's answers until the input ends.
    void Run()
    {
        while (m_running)
        {
            const std::wstring& prompt = m_prompts[m_kind == kTwoPoints && m_first ? 1 : 0];
            std::wstring answer;
            if (!NextAnswer(answer))
            {
                std::optional<Point> typed;
                const bool given = RunInputDialog(prompt, L"", true,
                                                  [&typed](const std::wstring& text, std::wstring& error)
                                                  {
                                                      typed = ParsePoint(text);
                                                      if (!typed)
                                                          error = L"A point is x,y or x,y,z.";
                                                      return typed.has_value();
                                                  });
                answer = given && typed ? L"point " + std::to_wstring((*typed)[0]) + L"," +
                                              std::to_wstring((*typed)[1]) + L"," + std::to_wstring((*typed)[2])
                                        : L"cancel";
            }
            if (answer == L"cancel")
            {
                End(kCancel);
                return;
            }
            const bool drag = answer.rfind(L"drag ", 0) == 0;
            const bool point = answer.rfind(L"point ", 0) == 0;
            const auto p = drag || point ? ParsePoint(answer.substr(drag ? 5 : 6)) : std::nullopt;
            if (!p)
            {
                JournalAdd(L"point input refused \"" + answer + L"\"");
                End(kError);
                return;
            }
            if (m_kind == kTwoPoints && !m_first)
            {
                if (point)
                    m_first = *p;
                continue;
            }
            m_last = *p;
            if (m_kind == kTwoPoints)
                m_distance = std::hypot((*p)[0] - (*m_first)[0], (*p)[1] - (*m_first)[1], (*p)[2] - (*m_first)[2]);
            if (point && m_kind == kTwoPoints)
                m_second = *p;
            // Every position is reported while the input runs, the last one too.
            Notify(1);
            if (point)
            {
                End(kNormal);
                return;
            }
        }
    }

    void End(LONG status)
    {
        m_running = false;
        m_status = status;
        JournalAdd(L"point input ended " + std::to_wstring(status));
        Notify(2);
    }

    void Notify(DISPID dispid)
    {
        if (m_notify != -1)
            return;
        const dkfw::ComPtr<IDkPointInput> hold(static_cast<IDkPointInput*>(this));
        for (const auto& sink : m_point.Sinks())
        {
            dkfw::ComPtr<IPropertyNotifySink> notify;
            if (SUCCEEDED(sink->QueryInterface(IID_IPropertyNotifySink, notify.PutVoid())))
                notify->OnChanged(dispid);
        }
    }

    void Forget() noexcept
    {
        if (m_timer)
        {
            ::KillTimer(nullptr, m_timer);
            Waiting().erase(m_timer);
            m_timer = 0;
        }
    }

    static HRESULT PointOut(const std::optional<Point>& p, VARIANT* out)
    {
        RETURN_HR_IF(E_POINTER, !out);
        ::VariantInit(out);
        return p ? PointVariant(*p, out) : S_FALSE;
    }
    static HRESULT Keep(std::wstring& to, BSTR from)
    {
        to = from ? std::wstring(from, ::SysStringLen(from)) : std::wstring();
        return S_OK;
    }
    static HRESULT Keep(LONG& to, LONG from)
    {
        to = from;
        return S_OK;
    }
    static HRESULT Give(LONG from, LONG* to)
    {
        RETURN_HR_IF(E_POINTER, !to);
        *to = from;
        return S_OK;
    }

    dkfw::ConnectionPoint m_point;
    std::wstring m_prompts[2];
    std::wstring m_keywords;
    LONG m_flags = 0, m_snapModes = 0, m_tracking = 0, m_kind = 0, m_notify = 0;
    LONG m_status = 0;
    bool m_running = false;
    UINT_PTR m_timer = 0;
    std::optional<Point> m_base, m_first, m_second, m_last;
    std::optional<double> m_distance;
};

HostClass<PointInput> g_class(kPointInputClass);
} // namespace

void RegisterPointInputClass() noexcept
{
    g_class.Register();
}

void RevokePointInputClass() noexcept
{
    g_class.Revoke();
}
} // namespace dkhost

void dkhost_test::SetPointInputAvailable(bool available) noexcept
{
    if (available)
        dkhost::RegisterPointInputClass();
    else
        dkhost::RevokePointInputClass();
}

void dkhost_test::SetPointInputWrongType(bool wrong) noexcept
{
    dkhost::g_wrongRunningType = wrong;
}

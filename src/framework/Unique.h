// RAII owners for BSTR, VARIANT, handles, and a scope guard.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <oleauto.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace dkfw
{
// Owns a value whose release is a free function; Traits gives Invalid() and Close(v).
template <class Traits> class UniqueAny
{
public:
    using Value = decltype(Traits::Invalid());
    UniqueAny() noexcept = default;
    explicit UniqueAny(Value v) noexcept : m_v(v) { Note(v); }
    UniqueAny(UniqueAny&& o) noexcept : m_v(o.Release()) {}
    UniqueAny& operator=(UniqueAny&& o) noexcept
    {
        if (this != &o)
            Reset(o.Release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    ~UniqueAny() { Reset(); }

    void Reset(Value v = Traits::Invalid()) noexcept
    {
        Note(v);
        Value old = std::exchange(m_v, v);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }
    Value Release() noexcept { return std::exchange(m_v, Traits::Invalid()); }
    Value Get() const noexcept { return m_v; }
    Value* Put() noexcept
    {
        Reset();
        return &m_v;
    }
    explicit operator bool() const noexcept { return m_v != Traits::Invalid(); }

private:
    static void Note(Value v) noexcept
    {
        if constexpr (requires { Traits::Acquired(v); })
            if (v != Traits::Invalid())
                Traits::Acquired(v);
    }
    Value m_v = Traits::Invalid();
};

struct HmoduleTraits
{
    static HMODULE Invalid() noexcept { return nullptr; }
    static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};
struct HandleTraits
{
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct HkeyTraits
{
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY h) noexcept { ::RegCloseKey(h); }
};
struct MemoryDcTraits
{
    static HDC Invalid() noexcept { return nullptr; }
    static void Acquired(HDC) noexcept;
    static void Close(HDC h) noexcept;
};
struct HwndTraits
{
    static HWND Invalid() noexcept { return nullptr; }
    static void Close(HWND h) noexcept { ::DestroyWindow(h); }
};
// GDI objects the framework's owners hold, for balance checks: every GDI object the
// component makes is made into one of them.
long LiveGdiObjects() noexcept;
void NoteGdiObject(long delta) noexcept;

template <class H> struct GdiTraits
{
    static H Invalid() noexcept { return nullptr; }
    static void Acquired(H) noexcept { NoteGdiObject(1); }
    static void Close(H h) noexcept
    {
        ::DeleteObject(h);
        NoteGdiObject(-1);
    }
};
using UniqueHmodule = UniqueAny<HmoduleTraits>;
using UniqueHbrush = UniqueAny<GdiTraits<HBRUSH>>;
using UniqueHfont = UniqueAny<GdiTraits<HFONT>>;
using UniqueHpen = UniqueAny<GdiTraits<HPEN>>;
using UniqueHbitmap = UniqueAny<GdiTraits<HBITMAP>>;
using UniqueHrgn = UniqueAny<GdiTraits<HRGN>>;
using UniqueHandle = UniqueAny<HandleTraits>;
using UniqueHkey = UniqueAny<HkeyTraits>;
using UniqueHwnd = UniqueAny<HwndTraits>;
// A memory device context (CreateCompatibleDC), counted with the GDI objects.
using UniqueMemoryDc = UniqueAny<MemoryDcTraits>;

inline void MemoryDcTraits::Acquired(HDC) noexcept
{
    NoteGdiObject(1);
}
inline void MemoryDcTraits::Close(HDC h) noexcept
{
    ::DeleteDC(h);
    NoteGdiObject(-1);
}

// The exception record of IDispatch::Invoke: its strings are freed with it.
class UniqueExcepInfo
{
public:
    UniqueExcepInfo() noexcept = default;
    UniqueExcepInfo(const UniqueExcepInfo&) = delete;
    UniqueExcepInfo& operator=(const UniqueExcepInfo&) = delete;
    ~UniqueExcepInfo() { Free(); }
    void Reset() noexcept
    {
        Free();
        m_e = EXCEPINFO{};
    }
    EXCEPINFO* Addr() noexcept { return &m_e; }
    const EXCEPINFO& Get() const noexcept { return m_e; }

private:
    // Most calls raise nothing: the common case stays out of the platform.
    void Free() noexcept
    {
        for (BSTR* s : {&m_e.bstrSource, &m_e.bstrDescription, &m_e.bstrHelpFile})
            if (*s)
                ::SysFreeString(*s);
    }
    EXCEPINFO m_e{};
};

// A description a type information hands out (TYPEATTR, VARDESC, FUNCDESC), given back to it.
template <class D, HRESULT (STDMETHODCALLTYPE ITypeInfo::*Get)(UINT, D**), void (STDMETHODCALLTYPE ITypeInfo::*Put)(D*)>
class TypeDescription
{
public:
    TypeDescription(ITypeInfo* info, UINT index) noexcept : m_info(info)
    {
        if (!info || FAILED((info->*Get)(index, &m_d)))
            m_d = nullptr;
    }
    TypeDescription(const TypeDescription&) = delete;
    TypeDescription& operator=(const TypeDescription&) = delete;
    ~TypeDescription()
    {
        if (m_d)
            (m_info->*Put)(m_d);
    }
    const D* operator->() const noexcept { return m_d; }
    explicit operator bool() const noexcept { return m_d != nullptr; }

private:
    ITypeInfo* m_info;
    D* m_d = nullptr;
};
using VarDescription = TypeDescription<VARDESC, &ITypeInfo::GetVarDesc, &ITypeInfo::ReleaseVarDesc>;
using FuncDescription = TypeDescription<FUNCDESC, &ITypeInfo::GetFuncDesc, &ITypeInfo::ReleaseFuncDesc>;

// A type information's TYPEATTR, given back to it.
class TypeAttributes
{
public:
    explicit TypeAttributes(ITypeInfo* info) noexcept : m_info(info)
    {
        if (!info || FAILED(info->GetTypeAttr(&m_a)))
            m_a = nullptr;
    }
    TypeAttributes(const TypeAttributes&) = delete;
    TypeAttributes& operator=(const TypeAttributes&) = delete;
    ~TypeAttributes()
    {
        if (m_a)
            m_info->ReleaseTypeAttr(m_a);
    }
    const TYPEATTR* operator->() const noexcept { return m_a; }
    explicit operator bool() const noexcept { return m_a != nullptr; }

private:
    ITypeInfo* m_info;
    TYPEATTR* m_a = nullptr;
};

class UniqueBstr
{
public:
    UniqueBstr() noexcept = default;
    explicit UniqueBstr(std::wstring_view s) : m_b(::SysAllocStringLen(s.data(), static_cast<UINT>(s.size())))
    {
        if (!m_b && !s.empty())
            throw std::bad_alloc();
    }
    UniqueBstr(UniqueBstr&& o) noexcept : m_b(o.Detach()) {}
    UniqueBstr& operator=(UniqueBstr&& o) noexcept
    {
        if (this != &o)
            Attach(o.Detach());
        return *this;
    }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    ~UniqueBstr() { ::SysFreeString(m_b); }

    void Attach(BSTR b) noexcept { ::SysFreeString(std::exchange(m_b, b)); }
    BSTR Detach() noexcept { return std::exchange(m_b, nullptr); }
    BSTR Get() const noexcept { return m_b; }
    BSTR* Put() noexcept
    {
        Attach(nullptr);
        return &m_b;
    }
    // The address of the string held, for an in/out parameter.
    BSTR* Addr() noexcept { return &m_b; }
    UINT Length() const noexcept { return ::SysStringLen(m_b); }
    std::wstring_view View() const noexcept { return {m_b ? m_b : L"", Length()}; }

private:
    BSTR m_b = nullptr;
};

class UniqueVariant
{
public:
    // VariantInit sets the type to VT_EMPTY and nothing else; done here without the call.
    UniqueVariant() noexcept { m_v.vt = VT_EMPTY; }
    UniqueVariant(UniqueVariant&& o) noexcept : m_v(o.m_v) { o.m_v.vt = VT_EMPTY; }
    UniqueVariant& operator=(UniqueVariant&& o) noexcept
    {
        if (this != &o)
        {
            Reset();
            m_v = o.m_v;
            o.m_v.vt = VT_EMPTY;
        }
        return *this;
    }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { Reset(); }

    void Reset() noexcept
    {
        // A VARIANT that owns nothing (empty, or a number or flag by value) is cleared here:
        // the common cases of a read stay out of the platform.
        switch (m_v.vt)
        {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_R8:
        case VT_BOOL:
        case VT_CY:
        case VT_DATE:
        case VT_ERROR:
            m_v.vt = VT_EMPTY;
            break;
        default:
            ::VariantClear(&m_v);
            break;
        }
    }
    HRESULT CopyFrom(const VARIANT& src) noexcept
    {
        Reset();
        return ::VariantCopy(&m_v, const_cast<VARIANT*>(&src));
    }
    // Moves the value out to a caller-owned VARIANT, which must be empty.
    void DetachTo(VARIANT* out) noexcept
    {
        *out = m_v;
        m_v.vt = VT_EMPTY;
    }
    VARIANT* Put() noexcept
    {
        Reset();
        return &m_v;
    }
    const VARIANT& Get() const noexcept { return m_v; }
    VARIANT* Addr() noexcept { return &m_v; }
    VARTYPE Type() const noexcept { return m_v.vt; }

private:
    VARIANT m_v;
};

// A device context of a window, released with the window.
class WindowDc
{
public:
    explicit WindowDc(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~WindowDc()
    {
        if (m_dc)
            ::ReleaseDC(m_hwnd, m_dc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint and EndPaint of a window's WM_PAINT.
class PaintDc
{
public:
    explicit PaintDc(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::BeginPaint(hwnd, &m_ps)) {}
    ~PaintDc()
    {
        if (m_dc)
            ::EndPaint(m_hwnd, &m_ps);
    }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC Get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// Selects an object into a DC and puts the previous one back.
class SelectObjectScope
{
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) noexcept : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectObjectScope()
    {
        if (m_old)
            ::SelectObject(m_dc, m_old);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

template <class F> class ScopeExit
{
public:
    explicit ScopeExit(F f) noexcept : m_f(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit()
    {
        if (m_armed)
            m_f();
    }
    void Dismiss() noexcept { m_armed = false; }

private:
    F m_f;
    bool m_armed = true;
};
} // namespace dkfw

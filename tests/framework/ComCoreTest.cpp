// The COM core: generated QueryInterface, reference counting with the module lock,
// aggregation, the class factory, the object map and the automatic object list.
#include "ComModule.h"
#include "ComObject.h"
#include "ComPtr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

struct ITestBase : IUnknown
{
    virtual int STDMETHODCALLTYPE Value() = 0;
};
__CRT_UUID_DECL(ITestBase, 0x6c1f0b52, 0x0d3e, 0x4b7a, 0x9e, 0x21, 0x4a, 0x5b, 0x77, 0x10, 0x01, 0x01)
struct ITestDerived : ITestBase
{
    virtual int STDMETHODCALLTYPE Twice() = 0;
};
__CRT_UUID_DECL(ITestDerived, 0x6c1f0b52, 0x0d3e, 0x4b7a, 0x9e, 0x21, 0x4a, 0x5b, 0x77, 0x10, 0x01, 0x02)

namespace
{
using dkfw::ComPtr;

const CLSID kWidgetClsid = {0x6c1f0b52, 0x0d3e, 0x4b7a, {0x9e, 0x21, 0x4a, 0x5b, 0x77, 0x10, 0x02, 0x01}};
const CLSID kUnboundClsid = {0x6c1f0b52, 0x0d3e, 0x4b7a, {0x9e, 0x21, 0x4a, 0x5b, 0x77, 0x10, 0x02, 0x02}};
const CLSID kAutoClsid = {0x6c1f0b52, 0x0d3e, 0x4b7a, {0x9e, 0x21, 0x4a, 0x5b, 0x77, 0x10, 0x02, 0x03}};

class Widget : public dkfw::ComImplements<dkfw::Chain<ITestDerived, ITestBase>, IPersist>
{
public:
    static inline int s_live = 0;
    static inline HRESULT s_constructResult = S_OK;

    Widget() { ++s_live; }
    ~Widget() override { --s_live; }

    int STDMETHODCALLTYPE Value() override { return 7; }
    int STDMETHODCALLTYPE Twice() override { return 14; }
    STDMETHODIMP GetClassID(CLSID* clsid) noexcept override
    {
        *clsid = kWidgetClsid;
        return S_OK;
    }

protected:
    HRESULT FinalConstruct() noexcept override { return s_constructResult; }
};

// An outer object for aggregation: counts its references and the queries it forwards.
class Outer final : public IUnknown
{
public:
    ULONG refs = 1;
    int queries = 0;
    ComPtr<IUnknown> inner;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        ++queries;
        if (riid == IID_IUnknown)
        {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

std::vector<std::string> g_hookCalls;
void WidgetHook(bool init) noexcept
{
    g_hookCalls.push_back(init ? "widget init" : "widget term");
}
void AutoHook(bool init) noexcept
{
    g_hookCalls.push_back(init ? "auto init" : "auto term");
}

dkfw::ObjectMapEntry g_autoEntry{&kAutoClsid, &dkfw::CreateInstanceOf<Widget>, nullptr, &AutoHook};
dkfw::AutoObjectEntry g_autoRegistration(g_autoEntry);

class ComCore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_hookCalls.clear();
        Widget::s_constructResult = S_OK;
        m_module.Init(m_map, ::GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override
    {
        m_module.Term();
        EXPECT_EQ(0, Widget::s_live);
    }

    ComPtr<IClassFactory> Factory(REFCLSID clsid)
    {
        ComPtr<IClassFactory> f;
        EXPECT_EQ(S_OK, m_module.GetClassObject(clsid, IID_IClassFactory, f.PutVoid()));
        return f;
    }

    dkfw::ObjectMapEntry m_map[2] = {
        {&kUnboundClsid},
        {&kWidgetClsid, &dkfw::CreateInstanceOf<Widget>, nullptr, &WidgetHook},
    };
    dkfw::ComModule m_module;
};

TEST_F(ComCore, QueryInterfaceAnswersTheListedInterfacesWithOneIdentity)
{
    ComPtr<ITestDerived> derived;
    ASSERT_EQ(S_OK, Factory(kWidgetClsid)->CreateInstance(nullptr, __uuidof(ITestDerived), derived.PutVoid()));

    auto base = derived.Query<ITestBase>();
    ASSERT_TRUE(base);
    EXPECT_EQ(static_cast<ITestBase*>(derived.Get()), base.Get()) << "a chained base shares the derived pointer";
    EXPECT_EQ(7, base->Value());

    auto persist = derived.Query<IPersist>();
    ASSERT_TRUE(persist);
    EXPECT_EQ(derived.Query<IUnknown>().Get(), persist.Query<IUnknown>().Get());

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, derived->QueryInterface(IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, derived->QueryInterface(IID_IUnknown, nullptr));
}

TEST_F(ComCore, ObjectsHoldTheModuleLockForTheirLife)
{
    EXPECT_EQ(S_OK, m_module.CanUnloadNow());
    ComPtr<IUnknown> obj;
    ASSERT_EQ(S_OK, Factory(kWidgetClsid)->CreateInstance(nullptr, IID_IUnknown, obj.PutVoid()));
    EXPECT_EQ(1, m_module.LockCount());
    EXPECT_EQ(S_FALSE, m_module.CanUnloadNow());
    obj.Reset();
    EXPECT_EQ(0, Widget::s_live);
    EXPECT_EQ(S_OK, m_module.CanUnloadNow());
}

TEST_F(ComCore, FailedConstructionDestroysTheObjectAndReportsWhy)
{
    Widget::s_constructResult = E_ACCESSDENIED;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_ACCESSDENIED, Factory(kWidgetClsid)->CreateInstance(nullptr, IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, Widget::s_live);
    EXPECT_EQ(0, m_module.LockCount());
}

TEST_F(ComCore, AggregatedObjectDelegatesToItsOuterUnknown)
{
    Outer outer;
    auto factory = Factory(kWidgetClsid);
    void* out = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, __uuidof(ITestBase), &out));
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, outer.inner.PutVoid()));
    EXPECT_EQ(1u, outer.refs) << "creating the inner object takes no reference on the outer one";

    ComPtr<ITestBase> base;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(__uuidof(ITestBase), base.PutVoid()));
    EXPECT_EQ(2u, outer.refs) << "an interface of the inner object counts on the outer one";

    const int before = outer.queries;
    auto persist = base.Query<IPersist>();
    EXPECT_TRUE(persist);
    EXPECT_EQ(before + 1, outer.queries) << "queries on an inner interface go to the outer unknown";
    persist.Reset();
    base.Reset();
    EXPECT_EQ(1u, outer.refs);
    outer.inner.Reset();
    EXPECT_EQ(0, Widget::s_live);
}

TEST_F(ComCore, ClassObjectIsMadeOnceAndLockServerKeepsTheModule)
{
    ComPtr<IUnknown> first;
    ComPtr<IUnknown> second;
    ASSERT_EQ(S_OK, m_module.GetClassObject(kWidgetClsid, IID_IUnknown, first.PutVoid()));
    ASSERT_EQ(S_OK, m_module.GetClassObject(kWidgetClsid, IID_IUnknown, second.PutVoid()));
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(S_OK, m_module.CanUnloadNow()) << "a cached class object alone does not lock the module";

    auto factory = first.Query<IClassFactory>();
    factory->LockServer(TRUE);
    EXPECT_EQ(S_FALSE, m_module.CanUnloadNow());
    factory->LockServer(FALSE);
    EXPECT_EQ(S_OK, m_module.CanUnloadNow());
}

TEST_F(ComCore, UnboundAndUnknownClassesAreNotAvailable)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, m_module.GetClassObject(kUnboundClsid, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, m_module.GetClassObject(IID_IUnknown, IID_IClassFactory, &out));
    EXPECT_EQ(E_POINTER, m_module.GetClassObject(kWidgetClsid, IID_IClassFactory, nullptr));
    EXPECT_EQ(E_NOINTERFACE, m_module.GetClassObject(kWidgetClsid, IID_IDispatch, &out));
}

TEST_F(ComCore, AutomaticObjectListIsSearchedAfterTheMap)
{
    ComPtr<IPersist> obj;
    ASSERT_EQ(S_OK, Factory(kAutoClsid)->CreateInstance(nullptr, IID_IPersist, obj.PutVoid()));
    CLSID clsid{};
    obj->GetClassID(&clsid);
    EXPECT_EQ(kWidgetClsid, clsid);
}

TEST_F(ComCore, InitAndTermRunEveryClassHook)
{
    EXPECT_EQ((std::vector<std::string>{"widget init", "auto init"}), g_hookCalls);
    g_hookCalls.clear();
    m_module.Term();
    EXPECT_EQ((std::vector<std::string>{"widget term", "auto term"}), g_hookCalls);
    m_module.Term();
    EXPECT_EQ(2u, g_hookCalls.size()) << "a second Term does nothing";
}

TEST(ModuleWindowClasses, AreUnregisteredTogether)
{
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DkTestClassA";
    ASSERT_NE(0, dkfw::RegisterModuleWindowClass(wc));
    wc.lpszClassName = L"DkTestClassB";
    ASSERT_NE(0, dkfw::RegisterModuleWindowClass(wc));

    dkfw::UnregisterModuleWindowClasses();
    WNDCLASSEXW probe{sizeof(probe)};
    EXPECT_FALSE(::GetClassInfoExW(wc.hInstance, L"DkTestClassA", &probe));
    EXPECT_FALSE(::GetClassInfoExW(wc.hInstance, L"DkTestClassB", &probe));
}
} // namespace

#include "Subclass.h"
#include "Window.h"

#include <stdexcept>

namespace
{
// Handlers that throw: the window procedures keep the exception from the system and treat
// the message as not handled.
class ThrowingWindow : public dkfw::WindowBase
{
protected:
    bool ProcessWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        if (msg == WM_USER + 7)
            throw std::runtime_error("handler failed");
        result = 0;
        return false;
    }
};

class ThrowingEdit : public dkfw::SubclassedWindow
{
protected:
    bool OnSubclassMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override
    {
        if (msg == WM_GETTEXTLENGTH)
            throw std::bad_alloc();
        return false;
    }
};

TEST(WindowProcedures, AHandlerThatThrowsLeavesTheMessageToTheDefault)
{
    ThrowingWindow window;
    ASSERT_NE(nullptr, window.CreateWindowOf(L"DkTestThrowingWindow", 0, 0, WS_POPUP, RECT{0, 0, 10, 10}, nullptr,
                                             ::GetModuleHandleW(nullptr)));
    EXPECT_EQ(0, ::SendMessageW(window.Hwnd(), WM_USER + 7, 0, 0)) << "DefWindowProc's answer";
    window.DestroyWindowNow();

    HWND edit = ::CreateWindowExW(0, L"EDIT", L"abc", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, edit);
    ThrowingEdit subclassed;
    ASSERT_TRUE(subclassed.Attach(edit));
    EXPECT_EQ(3, ::SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0)) << "the edit's own answer";
    subclassed.DestroyNow();
}

class AnsweringEdit : public dkfw::SubclassedWindow
{
protected:
    bool OnSubclassMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        if (msg != WM_GETTEXTLENGTH)
            return false;
        result = 42;
        return true;
    }
};

// A subclass another party put on the control after ours.
WNDPROC g_before = nullptr;
std::vector<UINT> g_laterSaw;
LRESULT g_lengthAtDestroy = -1;
LRESULT CALLBACK LaterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_laterSaw.push_back(msg);
    if (msg == WM_DESTROY)
        g_lengthAtDestroy = ::SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
    return ::CallWindowProcW(g_before, hwnd, msg, wParam, lParam);
}

TEST(WindowProcedures, ASubclassLaterThanOursStaysWholeWhenOurObjectGoesFirst)
{
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"abc", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, edit);
    {
        AnsweringEdit first;
        ASSERT_TRUE(first.Attach(edit));
        EXPECT_FALSE(AnsweringEdit().Attach(edit)) << "one object of ours per control";
        EXPECT_EQ(42, ::SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
        first.DestroyNow();
    }
    edit = ::CreateWindowExW(0, L"EDIT", L"abc", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, edit);
    {
        AnsweringEdit ours;
        ASSERT_TRUE(ours.Attach(edit));
        g_laterSaw.clear();
        g_before =
            reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterProc)));
        EXPECT_EQ(42, ::SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0)) << "through the later subclass to ours";
        ours.DestroyNow();
    }
    EXPECT_FALSE(::IsWindow(edit));
    EXPECT_NE(g_laterSaw.end(), std::find(g_laterSaw.begin(), g_laterSaw.end(), UINT{WM_NCDESTROY}))
        << "the later subclass saw the control to its end";
    EXPECT_EQ(3, g_lengthAtDestroy) << "the object let go before the control went: the edit's own answer";
}
} // namespace

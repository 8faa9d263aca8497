// DkPEXCtl.drx as the host and COM see it: loading with and without its resource library,
// the object map, the exports, the host handshake and the module lock.
#include "DkHostTest.h"
#include "DrxComModule.h"
#include "ObjectMap.h"
#include "ProbeIds.h"
#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "TestSupport.h"
#include "dkrx.h"

#include "ComModule.h"
#include "ComPtr.h"

#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
using dkfw::ComPtr;
using dktest::BinDir;
using dktest::Journal;
using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(WINAPI*)();
using EntryPointFn = DkRx::AppRetCode (*)(DkRx::AppMsgCode, void*);
using ApiVersionFn = unsigned int (*)(unsigned int);
using TextFn = const wchar_t* (*)();

// One of the module's builds, loaded into this process as COM would load it.
class Library : public ::testing::Test
{
protected:
    explicit Library(const wchar_t* name) : m_name(name) {}

    void SetUp() override
    {
        m_module = ::LoadLibraryW((BinDir() + m_name).c_str());
        ASSERT_NE(nullptr, m_module);
        getClassObject = Proc<GetClassObjectFn>("DllGetClassObject");
        canUnloadNow = Proc<CanUnloadFn>("DllCanUnloadNow");
        entryPoint = Proc<EntryPointFn>("dkrxEntryPoint");
        ASSERT_TRUE(getClassObject && canUnloadNow && entryPoint);
        dkhost_test::ClearJournal();
    }
    void TearDown() override { dkhost_test::SetServiceRegistered(DKRX_DYNAMIC_LINKER_OBJ, true); }

    template <class F> F Proc(const char* name) { return reinterpret_cast<F>(::GetProcAddress(m_module, name)); }

    std::wstring m_name;
    HMODULE m_module = nullptr; // stays loaded for the process, as with COM
    GetClassObjectFn getClassObject = nullptr;
    CanUnloadFn canUnloadNow = nullptr;
    EntryPointFn entryPoint = nullptr;
};

class ProductLibrary : public Library
{
protected:
    ProductLibrary() : Library(L"DkPEXCtl.drx") {}
};

class ProbeLibrary : public Library
{
protected:
    ProbeLibrary() : Library(L"DkPEXCtlProbe.drx") {}

    ComPtr<IClassFactory> Factory()
    {
        ComPtr<IClassFactory> f;
        EXPECT_EQ(S_OK, getClassObject(kProbeClsid, IID_IClassFactory, f.PutVoid()));
        return f;
    }
    std::vector<std::wstring> HostLoads() { return dktest::JournalMatching(L"dkrxLoadModule DkPEXCtlProbe.drx"); }
};

TEST_F(ProductLibrary, EveryClassOfTheTypeLibraryIsInTheMapAndOnlyBuiltOnesAreAvailable)
{
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(S_OK, ::LoadTypeLibEx((BinDir() + m_name).c_str(), REGKIND_NONE, lib.Put()));
    int classes = 0;
    int built = 0;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i)
    {
        TYPEKIND kind;
        ComPtr<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS ||
            FAILED(lib->GetTypeInfo(i, info.Put())) || FAILED(info->GetTypeAttr(&attr)))
            continue;
        ++classes;
        ComPtr<IClassFactory> factory;
        const HRESULT hr = getClassObject(attr->guid, IID_IClassFactory, factory.PutVoid());
        // The map's rows stand in the type library's order; a row with a creator is a built
        // class, which hands out its class object; every other class answers that it is not
        // available (what each built class answers, the editors' tests check).
        const auto map = dkpex::ObjectMap();
        ASSERT_LT(static_cast<size_t>(classes - 1), map.size());
        const dkfw::ObjectMapEntry& row = map[static_cast<size_t>(classes - 1)];
        ASSERT_NE(nullptr, row.clsid);
        EXPECT_TRUE(IsEqualCLSID(attr->guid, *row.clsid)) << "class " << classes;
        const bool isBuilt = row.createInstance != nullptr;
        EXPECT_EQ(isBuilt ? S_OK : CLASS_E_CLASSNOTAVAILABLE, hr) << "class " << classes;
        EXPECT_EQ(isBuilt, factory.Get() != nullptr);
        built += isBuilt;
        info->ReleaseTypeAttr(attr);
    }
    EXPECT_EQ(47, classes);
    EXPECT_EQ(47u, dkpex::ObjectMap().size());
    EXPECT_GT(built, 0);
    EXPECT_EQ(E_POINTER, getClassObject(CLSID_NULL, IID_IClassFactory, nullptr));
    EXPECT_EQ(S_OK, canUnloadNow());
}

TEST_F(ProductLibrary, ExportsTheHostEntryPointsAndNoSelfRegistration)
{
    EXPECT_EQ(nullptr, ::GetProcAddress(m_module, "DllRegisterServer"));
    EXPECT_EQ(nullptr, ::GetProcAddress(m_module, "DllUnregisterServer"));
    auto version = Proc<ApiVersionFn>("dkrxGetApiVersion");
    ASSERT_NE(nullptr, version);
    EXPECT_EQ(0x120000u, version(0));
    EXPECT_EQ(0x120000u, version(0x120000));
}

TEST_F(ProductLibrary, InitialiseMessageUnlocksTheApplicationThenDeclaresItMdiAware)
{
    void* appId = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(DkRx::kRetOK, entryPoint(DkRx::kInitAppMsg, appId));
    EXPECT_EQ((std::vector<std::wstring>{L"DynamicLinker.unlockApplication app=0x1234",
                                         L"DynamicLinker.registerAppMDIAware app=0x1234"}),
              Journal());
}

TEST_F(ProductLibrary, OtherMessagesTouchNothing)
{
    for (int msg : {0, 2, 3, 4, 5, 99, -1})
    {
        SCOPED_TRACE(msg);
        EXPECT_EQ(DkRx::kRetOK, entryPoint(static_cast<DkRx::AppMsgCode>(msg), reinterpret_cast<void*>(0x1234)));
    }
    EXPECT_TRUE(Journal().empty());
}

TEST_F(ProductLibrary, InitialiseWithoutALinkerServiceSkipsTheCalls)
{
    dkhost_test::SetServiceRegistered(DKRX_DYNAMIC_LINKER_OBJ, false);
    EXPECT_EQ(DkRx::kRetOK, entryPoint(DkRx::kInitAppMsg, reinterpret_cast<void*>(0x1234)));
    dkhost_test::RegisterForeignService(DKRX_DYNAMIC_LINKER_OBJ);
    EXPECT_EQ(DkRx::kRetOK, entryPoint(DkRx::kInitAppMsg, reinterpret_cast<void*>(0x1234)));
    EXPECT_TRUE(Journal().empty());
}

TEST_F(ProbeLibrary, SameClassObjectEveryTime)
{
    ComPtr<IUnknown> first;
    ComPtr<IUnknown> second;
    ASSERT_EQ(S_OK, getClassObject(kProbeClsid, IID_IUnknown, first.PutVoid()));
    ASSERT_EQ(S_OK, getClassObject(kProbeClsid, IID_IClassFactory, second.PutVoid()));
    EXPECT_EQ(first.Get(), second.Query<IUnknown>().Get());
    EXPECT_EQ(S_OK, canUnloadNow());
}

// What happens at the first lock happens once per process: each of these runs alone.
TEST(ProbeLibraryAlone, FirstLockLoadsTheLibraryIntoTheHostOnceAndLocksKeepItLoaded)
{
    dktest::RunTestAlone(BinDir() + L"module_test.exe",
                         L"ProbeLibrary.DISABLED_FirstLockLoadsTheLibraryIntoTheHostOnceAndLocksKeepItLoaded",
                         BinDir());
}

TEST(ProbeLibraryAlone, RefusedHostLoadIsAskedAgainAtTheNextFirstLock)
{
    dktest::RunTestAlone(BinDir() + L"module_test.exe",
                         L"ProbeLibrary.DISABLED_RefusedHostLoadIsAskedAgainAtTheNextFirstLock", BinDir());
}

TEST_F(ProbeLibrary, DISABLED_FirstLockLoadsTheLibraryIntoTheHostOnceAndLocksKeepItLoaded)
{
    auto factory = Factory();
    EXPECT_TRUE(HostLoads().empty()) << "no host load before the first lock";
    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, canUnloadNow());
    const std::vector<std::wstring> expected = {
        L"dkrxLoadModule DkPEXCtlProbe.drx print=0 cmd=1",
        L"DynamicLinker.unlockApplication",
        L"DynamicLinker.registerAppMDIAware",
        L"dkrxEntryPoint DkPEXCtlProbe.drx kInitAppMsg -> 0",
    };
    const auto journal = Journal();
    ASSERT_EQ(expected.size(), journal.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(0u, journal[i].find(expected[i])) << journal[i];
    }
    EXPECT_NE(std::wstring::npos, journal[1].find(L"(DkPEXCtlProbe.drx)")) << "the host's own application id";

    factory->LockServer(FALSE);
    EXPECT_EQ(S_OK, canUnloadNow());

    ComPtr<IPersist> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPersist, object.PutVoid()));
    EXPECT_EQ(S_FALSE, canUnloadNow()) << "a live object keeps the library";
    object.Reset();
    EXPECT_EQ(S_OK, canUnloadNow());
    EXPECT_EQ(1u, HostLoads().size()) << "the host is asked once per process";
}

TEST_F(ProbeLibrary, DISABLED_RefusedHostLoadIsAskedAgainAtTheNextFirstLock)
{
    auto factory = Factory();
    dkhost_test::RefuseModuleLoads(true);
    ASSERT_EQ(S_OK, factory->LockServer(TRUE)) << "the lock succeeds whatever the host says";
    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(2u, HostLoads().size()) << "asked once (and refused) at count 0, not at count 1";
    factory->LockServer(FALSE);
    factory->LockServer(FALSE);

    dkhost_test::RefuseModuleLoads(false);
    factory->LockServer(TRUE);
    factory->LockServer(FALSE);
    factory->LockServer(TRUE);
    factory->LockServer(FALSE);
    const auto loads = HostLoads();
    ASSERT_EQ(3u, loads.size());
    EXPECT_EQ(L"dkrxLoadModule DkPEXCtlProbe.drx refused", loads[1]);
    EXPECT_EQ(1u, dktest::JournalMatching(L"kInitAppMsg").size());
}

TEST_F(ProbeLibrary, SharedTextsComeFromTheResourceLibrary)
{
    // The component maps its resource library for the resources alone: no code of it is loaded.
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"DkPEXCtlRes.dll"));
    HMODULE res = dktest::ResourceLibrary();
    ASSERT_NE(nullptr, res);
    wchar_t varies[256] = {};
    wchar_t unspecified[256] = {};
    ASSERT_GT(::LoadStringW(res, IDS_VARIES, varies, 256), 0);
    ASSERT_GT(::LoadStringW(res, IDS_UNSPECIFIED, unspecified, 256), 0);
    EXPECT_STREQ(varies, Proc<TextFn>("ProbeVariesText")());
    EXPECT_STREQ(unspecified, Proc<TextFn>("ProbeUnspecifiedText")());
}

// The library is loaded from a folder that lacks DkPEXCtlRes.dll (or holds it, as a
// control), in a child process that catches the message box.
std::string LoadInFolder(bool withResources)
{
    dktest::TempDir dir;
    for (const wchar_t* f : {L"DkPEXCtl.drx", L"DkHost.dll", L"dkpex-loadprobe.exe"})
        EXPECT_TRUE(dir.CopyFromBin(f));
    if (withResources)
    {
        EXPECT_TRUE(dir.CopyFromBin(L"DkPEXCtlRes.dll"));
    }
    auto r = dktest::RunProcess(L"\"" + dir.Path() + L"dkpex-loadprobe.exe\" \"" + dir.Path() + L"DkPEXCtl.drx\"",
                                dir.Path());
    EXPECT_FALSE(r.timedOut) << r.output;
    EXPECT_EQ(0u, r.exitCode) << r.output;
    return r.output;
}

TEST(ResourceLibrary, MissingResourceLibraryFailsTheLoadWithItsMessage)
{
    const std::string without = LoadInFolder(false);
    EXPECT_NE(std::string::npos, without.find("loaded=0")) << without;
    EXPECT_NE(std::string::npos, without.find("box: DkPEXCtl resource only DLL load failed\r\n")) << without;

    const std::string with = LoadInFolder(true);
    EXPECT_NE(std::string::npos, with.find("loaded=1")) << with;
    EXPECT_EQ(std::string::npos, with.find("box:")) << with;
}

// A host in a folder of its own, the component in another, and the current folder holding
// libraries planted under the component's libraries' names: the component loads, and no code
// of a planted library runs.
TEST(ResourceLibrary, ALibraryPlantedInTheCurrentFolderNeverRuns)
{
    dktest::TempDir host;
    dktest::TempDir component;
    dktest::TempDir current;
    for (const wchar_t* f : {L"dkpex-loadprobe.exe", L"DkHost.dll"})
        ASSERT_TRUE(host.CopyFromBin(f));
    for (const wchar_t* f : {L"DkPEXCtl.drx", L"DkPEXCtlRes.dll", L"DkHost.dll"})
        ASSERT_TRUE(component.CopyFromBin(f));
    for (const wchar_t* name : {L"DkPEXCtlRes.dll", L"DkMgd.dll"})
        ASSERT_TRUE(::CopyFileW((BinDir() + L"DkPeTestPlanted.dll").c_str(), (current.Path() + name).c_str(), FALSE));
    auto r = dktest::RunProcess(
        L"\"" + host.Path() + L"dkpex-loadprobe.exe\" \"" + component.Path() + L"DkPEXCtl.drx\"", current.Path());
    EXPECT_FALSE(r.timedOut) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("loaded=1")) << r.output;
    EXPECT_EQ(std::string::npos, r.output.find("box:")) << r.output;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((current.Path() + L"planted-ran").c_str()))
        << "a planted library ran";
}

TEST(ResourceOverride, ScopesSwitchToTheResourceLibraryAndPutBackWhatTheyFound)
{
    HINSTANCE own = ::GetModuleHandleW(nullptr);
    HMODULE res = ::LoadLibraryW((BinDir() + L"DkPEXCtlRes.dll").c_str());
    ASSERT_NE(nullptr, res);
    dkfw::SetResourceHandle(own);
    dkpex::SetResourceLibrary(nullptr);
    {
        CTemporaryResourceOverride scope;
        EXPECT_EQ(own, dkfw::ResourceHandle()) << "nothing to switch to yet";
    }
    dkpex::SetResourceLibrary(res);
    {
        CTemporaryResourceOverride outer;
        EXPECT_EQ(res, dkfw::ResourceHandle());
        {
            CTemporaryResourceOverride inner;
            EXPECT_EQ(res, dkfw::ResourceHandle());
        }
        EXPECT_EQ(res, dkfw::ResourceHandle()) << "the inner scope found the library and keeps it";
    }
    EXPECT_EQ(own, dkfw::ResourceHandle());
    EXPECT_FALSE(dkpex::LoadResString(IDS_VARIES).empty());
    EXPECT_EQ(own, dkfw::ResourceHandle());
    EXPECT_TRUE(dkpex::LoadResString(9999).empty());
}

TEST(DrxComModule, HostThatRefusesTheModuleIsAskedAgainAtTheNextFirstLock)
{
    // This program is no host module, so the host refuses it: the lock still counts.
    CDrxComModule module;
    module.Init({}, ::GetModuleHandleW(nullptr), nullptr);
    dkhost_test::ClearJournal();
    EXPECT_EQ(1, module.Lock());
    EXPECT_EQ(2, module.Lock());
    EXPECT_EQ(1, module.Unlock());
    EXPECT_EQ(0, module.Unlock());
    EXPECT_EQ(1, module.Lock());
    EXPECT_FALSE(module.RegisteredWithHost());
    const auto refusals = dktest::JournalMatching(L"is not a host module");
    EXPECT_EQ(2u, refusals.size());
    module.Unlock();
    module.Term();
}
} // namespace

// The host's property pages, entities' hyperlink collections, attribute kinds and the type
// information of raster images, as the component meets them.
#include "DkHostTest.h"
#include "TestSupport.h"

#include "DkPiHost.h"

#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <string>
#include <vector>

namespace
{
using dkfw::ComPtr;
using dkfw::UniqueBstr;
using dkfw::UniqueVariant;

constexpr DISPID kHyperlink = 13;
constexpr DISPID kTextOverride = 102;
constexpr DISPID kColumns = 111;

class Pages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::InstallHostClasses());
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearJournal();
        dkhost_test::ClearUndo();
    }
    void TearDown() override
    {
        dkhost_test::SetPageRunFault(S_OK);
        dkhost_test::ClearAnswers();
    }

    static ComPtr<IDispatch> Object(const wchar_t* handle)
    {
        ComPtr<IDispatch> d;
        EXPECT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), d.Put())) << handle;
        return d;
    }

    // What the row shows: the display string where the object gives one, else the text.
    static std::wstring Shown(const wchar_t* handle, DISPID dispid)
    {
        auto object = Object(handle);
        UniqueBstr display;
        if (auto browsing = object.Query<IPerPropertyBrowsing>();
            browsing && SUCCEEDED(browsing->GetDisplayString(dispid, display.Put())))
            return std::wstring(display.View());
        DISPPARAMS none{};
        UniqueVariant v;
        object->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v.Type() == VT_BSTR ? std::wstring(v.Get().bstrVal) : L"?";
    }

    // The component's way in: the first object maps the property, the page class is created
    // in process, the dialog runs over the selection by the interface the page offers.
    static HRESULT RunPage(const std::vector<const wchar_t*>& handles, DISPID dispid, std::wstring& display)
    {
        CLSID page{};
        auto browsing = Object(handles[0]).Query<IPerPropertyBrowsing>();
        RETURN_IF_FAILED(browsing ? browsing->MapPropertyToPage(dispid, &page) : E_NOINTERFACE);
        ComPtr<IUnknown> made;
        RETURN_IF_FAILED(::CoCreateInstance(page, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, made.PutVoid()));
        UniqueBstr text(display.c_str());
        HRESULT hr = E_NOINTERFACE;
        if (auto newer = made.Query<IDkPropertyPageDialog2>())
        {
            SAFEARRAY* sa = ::SafeArrayCreateVector(VT_UNKNOWN, 0, static_cast<ULONG>(handles.size()));
            for (LONG i = 0; i < static_cast<LONG>(handles.size()); ++i)
                ::SafeArrayPutElement(sa, &i, Object(handles[static_cast<size_t>(i)]).Get());
            UniqueVariant selection;
            selection.Addr()->vt = VT_ARRAY | VT_UNKNOWN;
            selection.Addr()->parray = sa;
            hr = newer->RunDialog(text.Addr(), selection.Get());
        }
        else if (auto older = made.Query<IDkPropertyPageDialog>())
        {
            std::vector<LONG_PTR> ids;
            for (const wchar_t* h : handles)
                ids.push_back(dkhost_test::EntityByHandle(h));
            hr = older->RunDialog(text.Addr(), ids.data(), static_cast<long>(ids.size()));
        }
        display = std::wstring(text.View());
        return hr;
    }
};

// Each page class offers the dialog interface it is named for; both that offer one write the
// answer to every selected object as one undo group, journaled, and hand back the new text.
TEST_F(Pages, EachPageRunsOverTheSelectionAsOneUndoGroup)
{
    struct Case
    {
        std::vector<const wchar_t*> handles;
        DISPID dispid;
        CLSID page;
        const wchar_t* answer;
        const wchar_t* shown; // the text handed back and shown by every object
        const wchar_t* title; // the property as the dialog names it: its row's name
    };
    const Case cases[] = {
        {{L"30", L"31"},
         kHyperlink,
         dkhost_test::kObjectsPageClsid,
         L"http://a.invalid|http://b.invalid",
         L"http://a.invalid",
         L"Hyperlink"},
        {{L"65", L"66"}, kTextOverride, dkhost_test::kIdsPageClsid, L"<> min", L"<> min", L"Text override"},
        {{L"45", L"46"}, kColumns, dkhost_test::kObjectsPageClsid, L"Static 3", L"Static 3", L"Columns"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "dispid " << c.dispid);
        CLSID page{};
        ASSERT_EQ(S_OK, Object(c.handles[0]).Query<IPerPropertyBrowsing>()->MapPropertyToPage(c.dispid, &page));
        EXPECT_TRUE(page == c.page);
        const std::wstring before = Shown(c.handles[1], c.dispid);
        const int depth = dkhost_test::UndoDepth();
        dkhost_test::ClearJournal();
        dkhost_test::PushAnswer(c.answer);
        std::wstring display = L"as the row showed it";
        ASSERT_EQ(S_OK, RunPage(c.handles, c.dispid, display));
        EXPECT_EQ(c.shown, display);
        for (const wchar_t* h : c.handles)
            EXPECT_EQ(c.shown, Shown(h, c.dispid)) << h;
        EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
        EXPECT_EQ(1u, dktest::JournalMatching(L"undo group begin").size());
        EXPECT_EQ(1u, dktest::JournalMatching(std::wstring(L"property page \"") + c.title + L"\" on " + c.handles[0] +
                                              L"," + c.handles[1] + L" shows \"as the row showed it\"")
                          .size());
        EXPECT_EQ(S_OK, dkhost_test::LastPageResult());
        ASSERT_EQ(1, dkhost_test::Undo(1));
        EXPECT_EQ(before, Shown(c.handles[1], c.dispid)) << "one step takes the whole change back";
    }

    // A page without either dialog interface: nothing the palette can run.
    ComPtr<IUnknown> plain;
    ASSERT_EQ(S_OK, ::CoCreateInstance(dkhost_test::kPlainPageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                       plain.PutVoid()));
    EXPECT_FALSE(plain.Query<IDkPropertyPageDialog2>());
    EXPECT_FALSE(plain.Query<IDkPropertyPageDialog>());
}

// A cancelled dialog, a failing run, an object that refuses the answer and an erased object
// leave every object as it was, with nothing to undo.
TEST_F(Pages, ACancelledFailedOrRefusedRunWritesNothing)
{
    struct Case
    {
        const char* what;
        std::vector<const wchar_t*> handles;
        DISPID dispid;
        const wchar_t* answer;
        HRESULT fault;
        bool erase; // the last object is erased first
        HRESULT result;
        const wchar_t* why;
    };
    const Case cases[] = {
        {"cancelled", {L"30", L"31"}, kHyperlink, L"cancel", S_OK, false, S_FALSE, L"cancelled"},
        {"failing run",
         {L"30", L"31"},
         kHyperlink,
         L"http://c.invalid",
         E_ACCESSDENIED,
         false,
         E_ACCESSDENIED,
         L"0x80070005"},
        {"locked layer",
         {L"30", L"32"},
         kHyperlink,
         L"http://c.invalid",
         S_OK,
         false,
         DISP_E_EXCEPTION,
         L"locked layer"},
        {"refused text", {L"45", L"46"}, kColumns, L"Static 0", S_OK, false, DISP_E_EXCEPTION, L"Columns is None"},
        {"erased object", {L"30", L"31"}, kHyperlink, L"http://c.invalid", S_OK, true, E_UNEXPECTED, L"cannot be read"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearUndo();
        dkhost_test::SetPageRunFault(c.fault);
        std::vector<std::wstring> before;
        for (const wchar_t* h : c.handles)
            before.push_back(Shown(h, c.dispid));
        if (c.erase)
        {
            dkhost_test::EraseWhenWritten(dkhost_test::EntityByHandle(L"40"),
                                          dkhost_test::EntityByHandle(c.handles[1]));
            VARIANT text{};
            text.vt = VT_BSTR;
            text.bstrVal = ::SysAllocString(L"x");
            DISPID named = DISPID_PROPERTYPUT;
            DISPPARAMS put{&text, &named, 1, 1};
            ASSERT_EQ(S_OK,
                      Object(L"40")->Invoke(100, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
            ::SysFreeString(text.bstrVal);
            dkhost_test::ClearUndo();
        }
        dkhost_test::PushAnswer(c.answer);
        std::wstring display = L"unchanged";
        EXPECT_EQ(c.result, RunPage(c.handles, c.dispid, display));
        EXPECT_EQ(L"unchanged", display);
        EXPECT_NE(std::wstring::npos, std::wstring(dkhost_test::LastPageError()).find(c.why))
            << dkhost_test::LastPageError();
        EXPECT_EQ(before[0], Shown(c.handles[0], c.dispid));
        if (!c.erase)
        {
            EXPECT_EQ(before[1], Shown(c.handles[1], c.dispid));
        }
        EXPECT_EQ(0, dkhost_test::UndoDepth());
        EXPECT_EQ(c.erase ? 1 : 0, dkhost_test::PendingAnswers()) << "an unreadable object fails before asking";
        dkhost_test::SetPageRunFault(S_OK);
        dkhost_test::ClearAnswers();
    }
}

// With no answer scripted, a window titled with the property's name asks, starting from the
// row's text.
TEST_F(Pages, WithoutAnAnswerAWindowAsks)
{
    static std::wstring title, shown;
    title.clear();
    shown.clear();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50,
                                      [](HWND, UINT, UINT_PTR id, DWORD)
                                      {
                                          HWND dialog = ::FindWindowW(L"DkHostInputDialog", nullptr);
                                          if (!dialog)
                                              return;
                                          ::KillTimer(nullptr, id);
                                          wchar_t text[256] = {};
                                          ::GetWindowTextW(dialog, text, 256);
                                          title = text;
                                          ::GetWindowTextW(::GetDlgItem(dialog, 100), text, 256);
                                          shown = text;
                                          ::SetWindowTextW(::GetDlgItem(dialog, 100), L"http://typed.invalid");
                                          ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                                      });
    std::wstring display = L"http://example.invalid/column";
    const HRESULT hr = RunPage({L"31"}, kHyperlink, display);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(L"Hyperlink", title);
    EXPECT_EQ(L"http://example.invalid/column", shown);
    EXPECT_EQ(L"http://typed.invalid", Shown(L"31", kHyperlink));
}

// The pages are classes of DkHost.dll in the registry; a property may map to one nobody
// registered, or to none at all.
TEST_F(Pages, AreRegisteredAsClassesOfTheHostLibrary)
{
    wchar_t server[MAX_PATH] = {};
    DWORD size = sizeof(server);
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegGetValueW(HKEY_LOCAL_MACHINE,
                             L"Software\\Classes\\CLSID\\{3A1C5E60-1D2B-4C3A-9F10-000000000201}\\InprocServer32",
                             nullptr, RRF_RT_REG_SZ, nullptr, server, &size));
    EXPECT_EQ(::GetModuleHandleW(L"DkHost.dll"), ::GetModuleHandleW(server));

    const LONG_PTR circle = dkhost_test::EntityByHandle(L"30");
    auto browsing = Object(L"30").Query<IPerPropertyBrowsing>();
    const CLSID nobody = {0x1234abcd, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
    dkhost_test::SetPropertyPage(circle, kHyperlink, nobody);
    CLSID page{};
    ASSERT_EQ(S_OK, browsing->MapPropertyToPage(kHyperlink, &page));
    ComPtr<IUnknown> made;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              ::CoCreateInstance(page, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, made.PutVoid()));
    dkhost_test::SetPropertyPage(circle, kHyperlink, CLSID_NULL);
    EXPECT_EQ(PERPROP_E_NOPAGEAVAILABLE, browsing->MapPropertyToPage(kHyperlink, &page));
    EXPECT_EQ(PERPROP_E_NOPAGEAVAILABLE, browsing->MapPropertyToPage(101, &page)) << "a radius has no dialog";
}

// The items of an object's hyperlinks, in the order the drawing file lists them.
std::vector<std::wstring> Items(const wchar_t* handle)
{
    std::vector<std::wstring> items;
    ComPtr<IDispatch> object;
    dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), object.Put());
    if (!object)
        return {L"(no object)"};
    DISPPARAMS none{};
    UniqueVariant v;
    if (FAILED(object->Invoke(kHyperlink, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr)) ||
        v.Type() != VT_DISPATCH)
        return {L"(no collection)"};
    ComPtr<IDkHyperlinks> list;
    long count = 0;
    if (FAILED(v.Get().pdispVal->QueryInterface(IID_IDkHyperlinks, list.PutVoid())) || FAILED(list->get_Count(&count)))
        return {L"(no IDkHyperlinks)"};
    for (long i = 0; i < count; ++i)
    {
        ComPtr<IDkHyperlink> item;
        UniqueBstr address, description;
        if (FAILED(list->Item(i, item.Put())) || FAILED(item->get_URL(address.Put())))
        {
            items.emplace_back(L"(unreadable)");
            continue;
        }
        item->get_URLDescription(description.Put());
        items.push_back(std::wstring(address.View()) + L" / " + std::wstring(description.View()));
    }
    ComPtr<IDkHyperlink> past;
    if (SUCCEEDED(list->Item(count, past.Put())))
        items.emplace_back(L"(an item past the end)");
    return items;
}

TEST_F(Pages, HyperlinksAreACollectionTheDrawingFileListsAndAPutReplaces)
{
    int line = 0;
    ASSERT_EQ(S_OK,
              dkhost_test::LoadDrawingText(L"entity Line handle=A1 Hyperlink=\"http://a.invalid|http://b.invalid\" "
                                           L"HyperlinkDescriptions=\"First\"\n"
                                           L"entity Line handle=A2\n",
                                           &line))
        << dkhost_test::LastLoadError();
    EXPECT_EQ((std::vector<std::wstring>{L"http://a.invalid / First", L"http://b.invalid / "}), Items(L"A1"));
    EXPECT_EQ(std::vector<std::wstring>{}, Items(L"A2"));
    EXPECT_EQ(L"http://a.invalid", Shown(L"A1", kHyperlink));
    EXPECT_EQ(L"", Shown(L"A2", kHyperlink)) << "no hyperlink: an empty display string";

    // Text puts in addresses; an empty text takes every hyperlink away; undo brings them back.
    auto put = [](const wchar_t* handle, const wchar_t* text)
    {
        UniqueVariant v;
        v.Put()->vt = VT_BSTR;
        v.Addr()->bstrVal = ::SysAllocString(text);
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{v.Addr(), &named, 1, 1};
        return Object(handle)->Invoke(kHyperlink, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                      nullptr);
    };
    ASSERT_EQ(S_OK, put(L"A2", L"http://c.invalid"));
    EXPECT_EQ(std::vector<std::wstring>{L"http://c.invalid / "}, Items(L"A2"));
    ASSERT_EQ(S_OK, put(L"A1", L""));
    EXPECT_EQ(std::vector<std::wstring>{}, Items(L"A1"));
    ASSERT_EQ(1, dkhost_test::Undo(1));
    EXPECT_EQ(2u, Items(L"A1").size());

    // An object whose items cannot be read: no address, no display string.
    dkhost_test::SetHyperlinksUnreadable(dkhost_test::EntityByHandle(L"A1"), true);
    EXPECT_EQ((std::vector<std::wstring>{L"(unreadable)", L"(unreadable)"}), Items(L"A1"));
    UniqueBstr display;
    EXPECT_EQ(E_FAIL, Object(L"A1").Query<IPerPropertyBrowsing>()->GetDisplayString(kHyperlink, display.Put()));

    EXPECT_EQ(E_INVALIDARG, dkhost_test::LoadDrawingText(L"entity Line HyperlinkDescriptions=\"Lonely\"\n", &line));
    EXPECT_EQ(1, line);
    EXPECT_NE(std::wstring::npos, std::wstring(dkhost_test::LastLoadError()).find(L"HyperlinkDescriptions"));
}

// Attributes tell whether they hold several lines through the current kind interface, through
// the older one of attribute definitions, or not at all; any object may keep its dialog on
// read-only rows.
TEST_F(Pages, AttributesAnswerOneKindInterfaceAndObjectsTheReadOnlyDialogMarker)
{
    struct Case
    {
        const wchar_t* handle;
        int kind; // -1: as the sample has it
        bool current, definition, multiline;
    };
    const Case cases[] = {
        {L"61", -1, true, false, false},
        {L"62", -1, false, true, false}, // "definitionkind" in the sample
        {L"64", -1, true, false, true},
        {L"64", dkhost_test::kAttributeKindDefinition, false, true, true},
        {L"61", dkhost_test::kAttributeKindNone, false, false, false},
        {L"40", -1, false, false, false}, // a text is no attribute
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << std::wstring(c.handle).c_str() << " kind " << c.kind);
        if (c.kind >= 0)
            dkhost_test::SetAttributeKind(dkhost_test::EntityByHandle(c.handle), c.kind);
        auto object = Object(c.handle);
        auto current = object.Query<IDkAttributeKind>();
        auto definition = object.Query<IDkAttributeDefinitionKind>();
        EXPECT_EQ(c.current, static_cast<bool>(current));
        EXPECT_EQ(c.definition, static_cast<bool>(definition));
        VARIANT_BOOL flag = 7;
        if (current)
        {
            ASSERT_EQ(S_OK, current->get_MultilineFlag(&flag));
        }
        if (definition)
        {
            ASSERT_EQ(S_OK, definition->get_MultilineFlag(&flag));
        }
        if (current || definition)
        {
            EXPECT_EQ(c.multiline ? VARIANT_TRUE : VARIANT_FALSE, flag);
        }
    }

    EXPECT_FALSE(Object(L"30").Query<IDkDialogOnReadOnly>());
    dkhost_test::SetDialogOnReadOnly(dkhost_test::EntityByHandle(L"30"), true);
    EXPECT_TRUE(Object(L"30").Query<IDkDialogOnReadOnly>());
}

// An image names both of its sizes in its type information, with the DISPIDs its rows use;
// the switch hands out a description that lacks one of them, while the object still answers
// both DISPIDs.
TEST_F(Pages, ImagesNameTheirSizesInTheirTypeInformation)
{
    auto ids = [](const wchar_t* handle)
    {
        std::vector<DISPID> found;
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(S_OK, Object(handle)->GetTypeInfo(0, ::GetSystemDefaultLCID(), info.Put()));
        for (const wchar_t* name : {L"ImageWidth", L"ImageHeight"})
        {
            LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
            DISPID id = 0;
            found.push_back(info && SUCCEEDED(info->GetIDsOfNames(names, 1, &id)) ? id : -1);
        }
        return found;
    };
    auto size = [](DISPID dispid)
    {
        DISPPARAMS none{};
        UniqueVariant v;
        Object(L"56")->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v.Type() == VT_R8 ? v.Get().dblVal : -1.0;
    };
    const LONG_PTR image = dkhost_test::EntityByHandle(L"56");
    EXPECT_EQ((std::vector<DISPID>{101, 102}), ids(L"56"));
    EXPECT_EQ(200.0, size(101));
    EXPECT_EQ(100.0, size(102));

    ASSERT_TRUE(dkhost_test::SetImageTypeInfoLacking(image, L"ImageHeight"));
    EXPECT_EQ((std::vector<DISPID>{101, -1}), ids(L"56"));
    EXPECT_EQ(100.0, size(102));
    ASSERT_TRUE(dkhost_test::SetImageTypeInfoLacking(image, L"ImageWidth"));
    EXPECT_EQ((std::vector<DISPID>{-1, 102}), ids(L"56"));
    EXPECT_FALSE(dkhost_test::SetImageTypeInfoLacking(image, L"Rotation"));
    EXPECT_FALSE(dkhost_test::SetImageTypeInfoLacking(dkhost_test::EntityByHandle(L"30"), L"ImageWidth"));
    ASSERT_TRUE(dkhost_test::SetImageTypeInfoLacking(image, nullptr));
    EXPECT_EQ((std::vector<DISPID>{101, 102}), ids(L"56"));
    EXPECT_EQ(0, dkhost_test::AddEntity(L"RasterImageNoHeight")) << "another view of images, no class of objects";
}
} // namespace

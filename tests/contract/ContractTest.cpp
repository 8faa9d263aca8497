// The control contract end to end: a control created through COM by CLSID from the
// registration, sited in a palette window by the container library, driven as the palette
// drives it. The editor is the test library's, derived from the exported CDkPeCtrlBase.
#include "ControlSite.h"
#include "CountedObject.h"
#include "DkHostTest.h"
#include "TestEditorProbe.h"
#include "TestSupport.h"

#include "Unique.h"

#include <olectl.h>

#include <algorithm>

#include <gtest/gtest.h>

namespace
{
using dkfw::ComPtr;
using dktest::BinDir;

constexpr RECT kRowRect{30, 40, 230, 60};

class Contract : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::InstallModule((BinDir() + L"DkPEXCtl.drx").c_str(), nullptr));
        for (const auto& [clsid, progId] : {std::pair{&kTestEditorClsid, kTestEditorProgId},
                                            std::pair{&kTestButtonEditorClsid, kTestButtonEditorProgId},
                                            std::pair{&kTestNumberEditorClsid, kTestNumberEditorProgId}})
            ASSERT_EQ(S_OK, dkhost_test::RegisterControlClass(*clsid, progId, L"Test editor",
                                                              (BinDir() + L"DkPeTestEditors.dll").c_str(),
                                                              &LIBID_DKPEXCTLLib));
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DkTestPalette";
        ::RegisterClassExW(&wc);
        m_palette.Reset(::CreateWindowExW(0, L"DkTestPalette", L"palette", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100,
                                          100, 400, 300, nullptr, nullptr, wc.hInstance, nullptr));
        ASSERT_TRUE(m_palette);
        ::ShowWindow(m_palette.Get(), SW_SHOW);
        ASSERT_EQ(S_OK, dkfw::ComObject<dkpal::PaletteFrame>::Create(&m_frame, m_palette.Get()));
        m_ambient.font = dkpal::MakeFont(L"Tahoma", 9);
        m_ambient.back = RGB(250, 250, 240);
        m_ambient.readOnlyBack = RGB(200, 200, 200);
    }

    void TearDown() override
    {
        m_host.Release();
        if (m_frame)
        {
            EXPECT_EQ(0u, m_frame->Release()) << "the control gave back every reference on the frame";
            m_frame = nullptr;
        }
        m_palette.Reset();
        dkhost_test::UnregisterControlClass(kTestEditorClsid, kTestEditorProgId);
        dkhost_test::UnregisterControlClass(kTestButtonEditorClsid, kTestButtonEditorProgId);
        dkhost_test::UnregisterControlClass(kTestNumberEditorClsid, kTestNumberEditorProgId);
    }

    HRESULT CreateRow() { return m_host.Create(kTestEditorClsid, m_palette.Get(), m_frame, kRowRect, m_ambient); }

    ComPtr<ITestEditorProbe> Probe() { return ComPtr<IUnknown>(m_host.Control()).Query<ITestEditorProbe>(); }

    std::wstring Log()
    {
        dkfw::UniqueBstr log;
        Probe()->GetLog(log.Put());
        return std::wstring(log.View());
    }

    const std::vector<dkpal::Event>& Events() { return m_host.Events()->Events(); }

    dkfw::UniqueHwnd m_palette;
    dkfw::ComObject<dkpal::PaletteFrame>* m_frame = nullptr;
    dkpal::Ambient m_ambient;
    dkpal::ControlHost m_host;
};

TEST_F(Contract, OneInterfacePointerServesTheControlInterfacesAndDispatch)
{
    ASSERT_EQ(S_OK, CreateRow());
    IDkPiPropertyEditControl2* control = m_host.Control();
    ComPtr<IDkPiPropertyEditControl> base;
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IDkPiPropertyEditControl, base.PutVoid()));
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
    EXPECT_EQ(static_cast<void*>(control), static_cast<void*>(base.Get()));
    EXPECT_EQ(static_cast<void*>(control), static_cast<void*>(dispatch.Get()));
    for (const IID* iid :
         {&IID_IOleObject, &IID_IOleInPlaceObject, &IID_IOleInPlaceObjectWindowless, &IID_IOleInPlaceActiveObject,
          &IID_IViewObjectEx, &IID_IOleControl, &IID_IQuickActivate, &IID_IConnectionPointContainer, &IID_IOleWindow})
    {
        ComPtr<IUnknown> p;
        EXPECT_EQ(S_OK, control->QueryInterface(*iid, p.PutVoid()));
    }
}

TEST_F(Contract, DispatchDrivesTheControlThroughTheTypeLibrary)
{
    ASSERT_EQ(S_OK, CreateRow());
    auto dispatch = ComPtr<IUnknown>(m_host.Control()).Query<IDispatch>();
    LPOLESTR name = const_cast<LPOLESTR>(L"BackColor");
    DISPID id = 0;
    ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(DISPID_BACKCOLOR, id);

    VARIANT color;
    color.vt = VT_I4;
    color.lVal = RGB(1, 2, 3);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&color, &named, 1, 1};
    ASSERT_EQ(S_OK, dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr,
                                     nullptr));
    OLE_COLOR back = 0;
    ASSERT_EQ(S_OK, m_host.Control()->get_BackColor(&back));
    EXPECT_EQ(RGB(1, 2, 3), back);
}

TEST_F(Contract, OleObjectAnswersFromTheClassRegistration)
{
    ASSERT_EQ(S_OK, CreateRow());
    auto ole = ComPtr<IUnknown>(m_host.Control()).Query<IOleObject>();
    CLSID clsid{};
    ASSERT_EQ(S_OK, ole->GetUserClassID(&clsid));
    EXPECT_EQ(kTestEditorClsid, clsid);
    DWORD misc = 0;
    ASSERT_EQ(S_OK, ole->GetMiscStatus(DVASPECT_CONTENT, &misc));
    EXPECT_EQ(131473u, misc);
    LPOLESTR userType = nullptr;
    ASSERT_EQ(S_OK, ole->GetUserType(USERCLASSTYPE_FULL, &userType));
    EXPECT_STREQ(L"Test editor", userType);
    ::CoTaskMemFree(userType);
    ComPtr<IEnumOLEVERB> verbs;
    ASSERT_EQ(S_OK, ole->EnumVerbs(verbs.Put()));
    OLEVERB verb{};
    ULONG got = 0;
    ASSERT_EQ(S_OK, verbs->Next(1, &verb, &got));
    EXPECT_EQ(0, verb.lVerb);
    ::CoTaskMemFree(verb.lpszVerbName);
}

TEST_F(Contract, WindowTakesTheAmbientPropertiesWhenItIsCreated)
{
    ASSERT_EQ(S_OK, CreateRow());
    ASSERT_EQ(S_OK, m_host.Activate());
    HWND window = m_host.Window();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(0x56000000, ::GetWindowLongW(window, GWL_STYLE) & 0x56000000);
    EXPECT_EQ(m_palette.Get(), ::GetParent(window));
    RECT r{};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, m_palette.Get(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(::EqualRect(&r, &kRowRect));
    OLE_COLOR back = 0;
    OLE_COLOR readOnlyBack = 0;
    m_host.Control()->get_BackColor(&back);
    m_host.Control()->get_ReadOnlyBackColor(&readOnlyBack);
    EXPECT_EQ(m_ambient.back, back);
    EXPECT_EQ(m_ambient.readOnlyBack, readOnlyBack);
    EXPECT_EQ(L"Handle_OnCreate font\n", Log());
}

TEST_F(Contract, CallsAfterTheEditorPartIsGoneAnswerUnexpected)
{
    ASSERT_EQ(S_OK, CreateRow());
    IDkPiPropertyEditControl2* control = m_host.Control();
    ASSERT_EQ(S_OK, control->Refresh(0));
    ComPtr<IUnknown>(control).Query<IOleObject>()->Close(OLECLOSE_NOSAVE);

    VARIANT v;
    ::VariantInit(&v);
    OLE_COLOR color = 0;
    BOOL keep = FALSE;
    ComPtr<IUnknown> font;
    IDkPiPropertyIdentifier* identifier = nullptr;
    EXPECT_EQ(E_UNEXPECTED, control->InitEditControl(&v, &v, &v, FALSE));
    EXPECT_EQ(E_UNEXPECTED, control->Refresh(0));
    EXPECT_EQ(E_UNEXPECTED, control->get_KeepFocus(&keep));
    EXPECT_EQ(E_UNEXPECTED, control->put_BackColor(0));
    EXPECT_EQ(E_UNEXPECTED, control->get_ReadOnlyForeColor(&color));
    EXPECT_EQ(E_UNEXPECTED, control->get_Font(font.Put()));
    EXPECT_EQ(E_UNEXPECTED, control->GetPropertyIdentifier(&identifier));
    EXPECT_EQ(E_UNEXPECTED, control->SetValue(&v, ValueSpecified));
    EXPECT_EQ(E_UNEXPECTED, control->InvokeCommand(L"x", 0x8));
}

TEST_F(Contract, ButtonEditGlueForwardsPicturesAndTheButtonAction)
{
    ASSERT_EQ(S_OK, m_host.Create(kTestButtonEditorClsid, m_palette.Get(), m_frame, kRowRect, m_ambient));
    IDkPiPropertyEditControl2* control = m_host.Control();
    auto pictures = ComPtr<IUnknown>(control).Query<IDkPeButtonEditCtrl>();
    ASSERT_TRUE(pictures);
    dktest::CountedObject picture;
    ASSERT_EQ(S_OK, pictures->put_DefaultPicture(&picture));
    ComPtr<IUnknown> back;
    ASSERT_EQ(S_OK, pictures->get_DefaultPicture(back.Put()));
    EXPECT_EQ(static_cast<IUnknown*>(&picture), back.Get());
    back.Reset();
    EXPECT_EQ(0x00040123, control->InvokeCommand(L"Radius", 0x18)) << "both bits: the family's button action";
    EXPECT_EQ(E_UNEXPECTED, control->InvokeCommand(L"Radius", 0x10));

    // The plain editor is no button-edit editor: both bits answer E_UNEXPECTED.
    dkpal::ControlHost plain;
    ASSERT_EQ(S_OK, plain.Create(kTestEditorClsid, m_palette.Get(), m_frame, kRowRect, m_ambient));
    EXPECT_EQ(E_UNEXPECTED, plain.Control()->InvokeCommand(L"Radius", 0x18));
    plain.Release();
    pictures.Reset();
    m_host.Release();
    EXPECT_EQ(1u, picture.Refs()) << "the editor gave its picture back";
}

TEST_F(Contract, RefreshAnswersOkWhateverTheFlags)
{
    ASSERT_EQ(S_OK, CreateRow());
    for (ULONG flags : {0ul, 1ul, 2ul, 0x80000000ul, 0xFFFFFFFFul})
        EXPECT_EQ(S_OK, m_host.Control()->Refresh(flags)) << flags;
}

TEST_F(Contract, ClicksReachThePaletteInItsOwnCoordinates)
{
    ASSERT_EQ(S_OK, CreateRow());
    ASSERT_EQ(S_OK, m_host.Activate());
    HWND window = m_host.Window();
    ::SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 7));
    ::SendMessageW(window, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(150, 3));
    ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ::SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(1, 1));
    const auto& events = Events();
    ASSERT_EQ(4u, events.size());
    EXPECT_EQ(L"OnRButtonDown", events[0].name);
    EXPECT_EQ(MK_RBUTTON, events[0].arg1);
    EXPECT_EQ(MAKELPARAM(kRowRect.left + 5, kRowRect.top + 7), events[0].arg2);
    EXPECT_EQ(L"OnMButtonDown", events[1].name);
    EXPECT_EQ(MAKELPARAM(kRowRect.left + 150, kRowRect.top + 3), events[1].arg2);
    EXPECT_EQ(L"OnClick", events[2].name);
    EXPECT_EQ(L"OnDblClick", events[3].name);
}

TEST_F(Contract, KeysReachTheSinkAsKeyDownAndKeyUp)
{
    ASSERT_EQ(S_OK, CreateRow());
    ASSERT_EQ(S_OK, m_host.Activate());
    HWND window = m_host.Window();
    EXPECT_EQ(DLGC_WANTALLKEYS, ::SendMessageW(window, WM_GETDLGCODE, 0, 0));
    ::SendMessageW(window, WM_KEYDOWN, VK_TAB, 0x000F0001);
    ::SendMessageW(window, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001));
    const auto& events = Events();
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(L"OnKeyDown", events[0].name);
    EXPECT_EQ(VK_TAB, events[0].arg1);
    EXPECT_EQ(0x000F0001, events[0].arg2);
    EXPECT_EQ(L"OnKeyUp", events[1].name);
    EXPECT_EQ(static_cast<LONG_PTR>(static_cast<LPARAM>(0xC00F0001)), events[1].arg2);
}

TEST_F(Contract, VerbsReachTheEditorInTheirOrder)
{
    ASSERT_EQ(S_OK, CreateRow());
    ASSERT_EQ(S_OK, m_host.Activate());
    Probe()->ClearLog();
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_SHOW));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(m_host.Site()->UIActive());
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_HIDE));
    EXPECT_FALSE(::IsWindowVisible(m_host.Window()));
    EXPECT_EQ(L"Handle_DoVerbShow visible\n"
              L"Handle_DoVerbUIActivate 0,0,200,20\n"
              L"BeginEdit 0,0,200,20\n"
              L"Handle_DoVerbHide visible\n"
              L"EndEdit\n",
              Log());
    int state = -1;
    Probe()->GetStateValue(&state);
    EXPECT_EQ(1, state);

    Probe()->ClearLog();
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_EQ(S_OK, m_host.Deactivate());
    EXPECT_FALSE(m_host.Site()->UIActive());
    EXPECT_EQ(L"Handle_DoVerbUIActivate 0,0,200,20\nBeginEdit 0,0,200,20\nHandle_UIDeactivate\nEndEdit\n", Log());
}

TEST_F(Contract, ObjectRectsMoveTheWindowOnlyWhenTheyChange)
{
    ASSERT_EQ(S_OK, CreateRow());
    ASSERT_EQ(S_OK, m_host.Activate());
    Probe()->ClearLog();
    ASSERT_EQ(S_OK, m_host.Move(kRowRect));
    EXPECT_EQ(L"", Log()) << "the window already occupies the rectangle";
    const RECT moved{30, 60, 280, 82};
    ASSERT_EQ(S_OK, m_host.Move(moved));
    EXPECT_EQ(L"Handle_SetObjectRects 0,0,250,22\n", Log());
    RECT r{};
    ::GetWindowRect(m_host.Window(), &r);
    ::MapWindowPoints(nullptr, m_palette.Get(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(::EqualRect(&r, &moved));
}

TEST_F(Contract, ColoursKeepTheirBrushUntilTheyChange)
{
    ASSERT_EQ(S_OK, CreateRow());
    ASSERT_EQ(S_OK, m_host.Activate());
    IDkPiPropertyEditControl2* control = m_host.Control();
    HBRUSH back = nullptr;
    HBRUSH readOnly = nullptr;
    control->put_BackColor(RGB(10, 20, 30));
    Probe()->GetBrushes(&back, &readOnly);
    control->put_BackColor(RGB(10, 20, 30));
    HBRUSH backAgain = nullptr;
    Probe()->GetBrushes(&backAgain, &readOnly);
    EXPECT_EQ(back, backAgain) << "the same colour keeps the same brush";
    control->put_BackColor(RGB(11, 20, 30));
    HBRUSH changed = nullptr;
    Probe()->GetBrushes(&changed, &readOnly);
    EXPECT_NE(back, changed);
    LOGBRUSH lb{};
    ASSERT_NE(0, ::GetObjectW(changed, sizeof(lb), &lb));
    EXPECT_EQ(RGB(11, 20, 30), lb.lbColor);

    // The control-colour answer: the stored brush, with the text colour set in the DC.
    dkfw::WindowDc dc(m_host.Window());
    control->put_ForeColor(RGB(200, 0, 0));
    const auto brush =
        reinterpret_cast<HBRUSH>(::SendMessageW(m_host.Window(), 0x0019, reinterpret_cast<WPARAM>(dc.Get()), 0));
    EXPECT_EQ(changed, brush);
    EXPECT_EQ(RGB(200, 0, 0), ::GetTextColor(dc.Get()));
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc.Get()));
}

TEST_F(Contract, ReleasingTheControlGivesBackEveryReference)
{
    dktest::CountedObject objects[3];
    dktest::CountedObject dynProp;
    ASSERT_EQ(S_OK, CreateRow());
    dkpal::Selection selection;
    for (auto& o : objects)
        selection.objects.push_back(&o);
    selection.dynProps = {nullptr, &dynProp, nullptr};
    selection.dispids = {7, -23, 7};
    ASSERT_EQ(S_OK, m_host.Init(selection, false));
    int count = 0;
    Probe()->GetSelectionCount(&count);
    EXPECT_EQ(3, count);
    for (auto& o : objects)
        EXPECT_EQ(2u, o.Refs()) << "one reference per selected object while the row lives";
    EXPECT_EQ(2u, dynProp.Refs());
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));

    dkpal::EventRecorder* events = m_host.Events();
    events->AddRef();
    IOleClientSite* site = m_host.Site();
    site->AddRef();
    HMODULE editors = ::GetModuleHandleW(L"DkPeTestEditors.dll");
    ASSERT_NE(nullptr, editors);
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(editors, "DllCanUnloadNow"));
    EXPECT_EQ(S_FALSE, canUnload());

    m_host.Release();
    for (auto& o : objects)
        EXPECT_EQ(1u, o.Refs());
    EXPECT_EQ(1u, dynProp.Refs());
    EXPECT_EQ(0u, events->Release()) << "the sink was given back";
    EXPECT_EQ(0u, site->Release()) << "the site was given back";
    EXPECT_EQ(S_OK, canUnload()) << "no control, window or lock left in the editor library";
}
} // namespace

namespace
{
class NotASink : public IUnknown
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = riid == IID_IUnknown ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
};

TEST_F(Contract, ConnectionPointsAnswerAsTheyShould)
{
    ASSERT_EQ(S_OK, CreateRow());
    auto container = ComPtr<IUnknown>(m_host.Control()).Query<IConnectionPointContainer>();
    ComPtr<IConnectionPoint> old;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDkPiPropertyEditEventsSink, old.Put()))
        << "sinks connect for the newer events interface";

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(points.Put()));
    IConnectionPoint* found[3] = {};
    ULONG got = 0;
    EXPECT_EQ(S_FALSE, points->Next(3, found, &got));
    ASSERT_EQ(2u, got);
    IID iids[2];
    for (ULONG i = 0; i < got; ++i)
    {
        found[i]->GetConnectionInterface(&iids[i]);
        found[i]->Release();
    }
    EXPECT_EQ(IID_IDkPiPropertyEditEventsSink2, iids[0]);
    EXPECT_EQ(IID_IPropertyNotifySink, iids[1]);

    ComPtr<IConnectionPoint> events;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IDkPiPropertyEditEventsSink2, events.Put()));
    NotASink notASink;
    DWORD cookie = 0;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, events->Advise(&notASink, &cookie));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, events->Unadvise(12345));

    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(S_OK, events->EnumConnections(connections.Put()));
    CONNECTDATA data{};
    ASSERT_EQ(S_OK, connections->Next(1, &data, nullptr)) << "the palette's own sink";
    EXPECT_NE(0u, data.dwCookie);
    data.pUnk->Release();
    EXPECT_EQ(S_FALSE, connections->Next(1, &data, nullptr));
    ASSERT_EQ(S_OK, connections->Reset());
    ComPtr<IEnumConnections> clone;
    ASSERT_EQ(S_OK, connections->Clone(clone.Put()));
    EXPECT_EQ(S_FALSE, clone->Skip(2));
}

TEST_F(Contract, QuickActivationConnectsTheEventsAndTellsTheStatus)
{
    ComPtr<IDkPiPropertyEditControl2> control;
    ASSERT_EQ(S_OK, ::CoCreateInstance(kTestEditorClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDkPiPropertyEditControl2,
                                       control.PutVoid()));
    dkfw::ComObject<dkpal::ControlSite>* site = nullptr;
    ASSERT_EQ(S_OK, dkfw::ComObject<dkpal::ControlSite>::Create(&site, m_palette.Get(), m_frame, m_ambient));
    dkfw::ComObject<dkpal::EventRecorder>* events = nullptr;
    ASSERT_EQ(S_OK, dkfw::ComObject<dkpal::EventRecorder>::Create(&events));
    QACONTAINER container{sizeof(container)};
    container.pClientSite = site;
    container.pUnkEventSink = static_cast<IDkPiPropertyEditEventsSink2*>(events);
    QACONTROL answer{sizeof(answer)};
    auto quick = ComPtr<IUnknown>(control.Get()).Query<IQuickActivate>();
    ASSERT_EQ(S_OK, quick->QuickActivate(&container, &answer));
    EXPECT_NE(0u, answer.dwEventCookie);
    EXPECT_EQ(131473u, answer.dwMiscStatus);
    site->SetRect(kRowRect);
    auto ole = ComPtr<IUnknown>(control.Get()).Query<IOleObject>();
    ASSERT_EQ(S_OK, ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, m_palette.Get(), &kRowRect));
    HWND window = nullptr;
    ComPtr<IUnknown>(control.Get()).Query<IOleWindow>()->GetWindow(&window);
    ::SendMessageW(window, WM_KEYDOWN, VK_F2, 0);
    ASSERT_EQ(1u, events->Events().size());
    EXPECT_EQ(VK_F2, events->Events()[0].arg1);

    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
    ole.Reset();
    quick.Reset();
    control.Reset();
    EXPECT_EQ(0u, static_cast<IOleClientSite*>(site)->Release());
    EXPECT_EQ(0u, static_cast<IDkPiPropertyEditEventsSink2*>(events)->Release());
}

TEST_F(Contract, DispatchRefusesWhatTheTypeLibraryDoesNotDescribe)
{
    ASSERT_EQ(S_OK, CreateRow());
    auto dispatch = ComPtr<IUnknown>(m_host.Control()).Query<IDispatch>();
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, info.Put()));
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, info.Put()));
    DISPPARAMS none{};
    VARIANT result;
    ::VariantInit(&result);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              dispatch->Invoke(4242, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    LPOLESTR name = const_cast<LPOLESTR>(L"NoSuchMember");
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
}
} // namespace

namespace
{
RECT ChildRect(HWND control, int id)
{
    RECT r{};
    HWND child = ::GetDlgItem(control, id);
    if (!child)
        return RECT{-1, -1, -1, -1};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, control, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::wstring Show(const RECT& r)
{
    return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
           std::to_wstring(r.bottom);
}
} // namespace

TEST_F(Contract, ButtonEditLaysButtonsOutFromTheirSideOrOverTheWholeRow)
{
    constexpr RECT kWholeRow{0, 0, 200, 20};
    // No side: the button and the edit box both take the whole row.
    ASSERT_EQ(S_OK, m_host.Create(kTestNumberEditorClsid, m_palette.Get(), m_frame, kRowRect, m_ambient));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    HWND control = m_host.Window();
    EXPECT_TRUE(SameRect(kWholeRow, ChildRect(control, 1043))) << Show(ChildRect(control, 1043));
    EXPECT_TRUE(SameRect(kWholeRow, ChildRect(control, 1038))) << Show(ChildRect(control, 1038));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(control, 1043)));
    m_host.Release();

    // The calculator asked for: a second button, both on the right, each one pixel apart.
    ASSERT_EQ(S_OK, m_host.Create(kTestNumberEditorClsid, m_palette.Get(), m_frame, kRowRect, m_ambient));
    auto calculator = ComPtr<IUnknown>(m_host.Control()).Query<IDkPeCalculatorCtrl>();
    ASSERT_TRUE(calculator);
    ASSERT_EQ(S_OK, calculator->SetCalculatorMode(static_cast<BOOL>(static_cast<USHORT>(VARIANT_TRUE))));
    calculator.Reset();
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    control = m_host.Window();
    EXPECT_TRUE(SameRect(RECT{180, 0, 200, 20}, ChildRect(control, 1043))) << Show(ChildRect(control, 1043));
    EXPECT_TRUE(SameRect(RECT{159, 0, 179, 20}, ChildRect(control, 1046))) << Show(ChildRect(control, 1046));
    EXPECT_TRUE(SameRect(RECT{0, 0, 158, 20}, ChildRect(control, 1038))) << Show(ChildRect(control, 1038));

    // The palette moves the row: the buttons follow the row's new right end.
    ASSERT_EQ(S_OK, m_host.Move(RECT{30, 40, 330, 60}));
    EXPECT_TRUE(SameRect(RECT{280, 0, 300, 20}, ChildRect(control, 1043))) << Show(ChildRect(control, 1043));
    EXPECT_TRUE(SameRect(RECT{0, 0, 258, 20}, ChildRect(control, 1038))) << Show(ChildRect(control, 1038));
    m_host.Release();

    // Any non-zero mode but VARIANT_TRUE adds no calculator; the side still becomes the right.
    ASSERT_EQ(S_OK, m_host.Create(kTestNumberEditorClsid, m_palette.Get(), m_frame, kRowRect, m_ambient));
    calculator = ComPtr<IUnknown>(m_host.Control()).Query<IDkPeCalculatorCtrl>();
    ASSERT_EQ(S_OK, calculator->SetCalculatorMode(1));
    calculator.Reset();
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    control = m_host.Window();
    EXPECT_EQ(nullptr, ::GetDlgItem(control, 1046));
    EXPECT_TRUE(SameRect(RECT{180, 0, 200, 20}, ChildRect(control, 1043))) << Show(ChildRect(control, 1043));
}

TEST_F(Contract, ButtonEditCentresTheTextByTheEditBoxsOwnMeasure)
{
    for (const int height : {20, 21, 22, 30})
    {
        ASSERT_EQ(S_OK, m_host.Create(kTestNumberEditorClsid, m_palette.Get(), m_frame, RECT{30, 40, 230, 40 + height},
                                      m_ambient));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        HWND edit = ::GetDlgItem(m_host.Window(), 1038);
        ASSERT_NE(nullptr, edit);
        // The edit box is empty: it is centred as its sample reads in the edit box's font.
        ASSERT_EQ(0, ::GetWindowTextLengthW(edit));
        HDC dc = ::GetDC(edit);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(edit, WM_GETFONT, 0, 0)));
        SIZE sample{};
        ::GetTextExtentPoint32W(dc, L"WOyg", 4, &sample);
        ::SelectObject(dc, old);
        ::ReleaseDC(edit, dc);
        RECT format{};
        ::SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        const int expected = (height - sample.cy) / 2 + (height % 2 == 0 ? 1 : 0);
        EXPECT_EQ(std::max(0, expected), format.top) << "row " << height << ", text " << sample.cy;
        m_host.Release();
    }
}

TEST_F(Contract, ButtonEditClicksRunTheButtonsActionBetweenTheUpdateEvents)
{
    ASSERT_EQ(S_OK, m_host.Create(kTestNumberEditorClsid, m_palette.Get(), m_frame, kRowRect, m_ambient));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    HWND button = ::GetDlgItem(m_host.Window(), 1043);
    ASSERT_NE(nullptr, button);
    m_host.Events()->Clear();
    ::SendMessageW(button, BM_CLICK, 0, 0);
    std::wstring seen;
    for (const auto& e : m_host.Events()->Events())
        seen += e.name + (e.name == L"OnKeyDown" ? L" " + std::to_wstring(e.arg1) : L"") + L";";
    EXPECT_EQ(L"OnBeginPropertyUpdate;OnKeyDown " + std::to_wstring(0x7000 + 1043) + L";OnEndPropertyUpdate;", seen);

    // A notification other than a click from a button is not the family's.
    m_host.Events()->Clear();
    ::SendMessageW(m_host.Window(), WM_COMMAND, MAKEWPARAM(1043, BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(button));
    for (const auto& e : m_host.Events()->Events())
        EXPECT_NE(L"OnKeyDown", e.name);

    // The glue's button action is the first button's.
    EXPECT_EQ(S_OK, m_host.Control()->InvokeCommand(L"Radius", 0x18));
    ComPtr<IUnknown> none;
    auto pictures = ComPtr<IUnknown>(m_host.Control()).Query<IDkPeButtonEditCtrl>();
    ASSERT_TRUE(pictures);
    EXPECT_EQ(S_OK, pictures->get_DefaultPicture(none.Put()));
    EXPECT_EQ(nullptr, none.Get()) << "a button without a bitmap has no picture: it draws an ellipsis";
    EXPECT_EQ(E_POINTER, pictures->get_DefaultPicture(nullptr));
}

namespace
{
// A button that has only a disabled picture is a picture button without a picture: neither
// the picture nor the ellipsis' dots.
TEST_F(Contract, AButtonWithOnlyADisabledPictureShowsNeitherItNorTheDots)
{
    ASSERT_EQ(S_OK, m_host.Create(kTestNumberEditorClsid, m_palette.Get(), m_frame, kRowRect, m_ambient));
    auto pictures = ComPtr<IUnknown>(m_host.Control()).Query<IDkPeButtonEditCtrl>();
    ASSERT_TRUE(pictures);
    PICTDESC desc{sizeof(desc), PICTYPE_BITMAP};
    desc.bmp.hbitmap = static_cast<HBITMAP>(
        ::LoadImageW(dktest::ResourceLibrary(), MAKEINTRESOURCEW(173), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    ASSERT_NE(nullptr, desc.bmp.hbitmap);
    ComPtr<IPicture> picture;
    ASSERT_EQ(S_OK, ::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, picture.PutVoid()));
    ASSERT_EQ(S_OK, pictures->put_DisabledPicture(picture.Get()));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    HWND button = ::GetDlgItem(m_host.Window(), 1043);
    ASSERT_NE(nullptr, button);
    ::RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    // Neither the picture's dark strokes nor the black dots are on the button.
    dkfw::WindowDc dc(button);
    RECT client{};
    ::GetClientRect(button, &client);
    int strokes = 0;
    int dots = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
        {
            const COLORREF c = ::GetPixel(dc.Get(), x, y);
            strokes += c == RGB(0, 0, 0x80);
            dots += c == RGB(0, 0, 0);
        }
    EXPECT_EQ(0, strokes);
    EXPECT_EQ(0, dots);

    // With the picture too, the enabled button shows the picture.
    m_host.Release();
    ASSERT_EQ(S_OK, m_host.Create(kTestNumberEditorClsid, m_palette.Get(), m_frame, kRowRect, m_ambient));
    pictures = ComPtr<IUnknown>(m_host.Control()).Query<IDkPeButtonEditCtrl>();
    ASSERT_EQ(S_OK, pictures->put_DefaultPicture(picture.Get()));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    button = ::GetDlgItem(m_host.Window(), 1043);
    ASSERT_NE(nullptr, button);
    ::RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    dkfw::WindowDc shown(button);
    strokes = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            strokes += ::GetPixel(shown.Get(), x, y) == RGB(0, 0, 0x80);
    EXPECT_GT(strokes, 5);
}
} // namespace

namespace
{
// A write that ends early (out of memory in an object's write) still closes what it opened:
// the host's change and its undo group, and the palette's update events.
TEST_F(Contract, AWriteThatEndsEarlyStillClosesItsBrackets)
{
    ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
    ASSERT_EQ(S_OK, CreateRow());
    ComPtr<IDispatch> text;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"40"), text.Put()));
    dkpal::Selection selection;
    selection.objects = {text.Get()};
    selection.dynProps = {nullptr};
    selection.dispids = {100};
    ASSERT_EQ(S_OK, m_host.Init(selection, false));
    ASSERT_EQ(S_OK, Probe()->FailNextWrite());
    dkhost_test::ClearJournal();
    m_host.Events()->Clear();
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(L"Cellar");
    EXPECT_EQ(E_OUTOFMEMORY, m_host.Control()->SetValue(&v, ValueSpecified));
    ::SysFreeString(v.bstrVal);
    const auto journal = dktest::Journal();
    auto at = [&](const wchar_t* entry)
    { return std::find(journal.begin(), journal.end(), std::wstring(entry)) - journal.begin(); };
    const auto start = at(L"modeless start OPM_CHGPROP");
    const auto end = at(L"modeless end OPM_CHGPROP");
    const auto groupEnd = at(L"undo group end");
    ASSERT_LT(static_cast<size_t>(end), journal.size()) << "the change is ended";
    EXPECT_LT(start, groupEnd);
    EXPECT_LT(groupEnd, end) << "the undo group is closed inside it";
    std::wstring events;
    for (const auto& e : Events())
        events += e.name + L";";
    EXPECT_EQ(L"OnBeginPropertyUpdate;OnEndPropertyUpdate;", events);
    m_host.Release();
    text.Reset();
    dkhost_test::ResetDrawing();
}
} // namespace

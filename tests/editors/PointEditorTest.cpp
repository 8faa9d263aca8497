// The vertex rows over the sample drawing: a coordinate row addressed by cookie and vertex,
// its mark in the drawing, the step to the next row, expressions and refusals; the pick of
// a vertex and of a distance through the host's point input; the vertex number row with its
// up-down control moving the linked rows.
#include "MessageBoxCatcher.h"
#include "PaletteFixture.h"

#include "DkPEXCtl.h"
#include "DkPeCtrlBase.h"
#include "DkPeEditorPart.h"

#include <commctrl.h>

#include <cmath>
#include <utility>

namespace
{
using dktest::PaletteFixture;

constexpr DISPID kCoordinates = 100; // a polyline's vertices (x, y)
constexpr DISPID kGlobalWidth = 102;
constexpr DISPID kElevation = 103;
constexpr DISPID kControlPoints = 2; // a spline's (x, y, z, weight)
constexpr DISPID kFitPoints = 4;     // a spline's (x, y, z)
constexpr DISPID kLineStart = 100;
constexpr UINT kPickButton = 1043;
constexpr UINT kSpinId = 1041;

// A linked row as the vertex number row sees it: the offsets it was moved to.
class OffsetRecorder : public dkfw::ComImplements<IDkPeVariantCtrl>
{
public:
    STDMETHODIMP SetDwCookies(VARIANT) noexcept override { return S_OK; }
    STDMETHODIMP SetGroupOffset(ULONG offset) noexcept override
    {
        offsets.push_back(offset);
        return S_OK;
    }
    STDMETHODIMP SetElementCount(ULONG) noexcept override { return S_OK; }
    std::vector<ULONG> offsets;
};

class PointEditor : public PaletteFixture
{
protected:
    void TearDown() override
    {
        m_host.Release();
        dkhost_test::SetPointInputAvailable(true);
        dkhost_test::SetPointInputWrongType(false);
        dkhost_test::ClearAnswers();
        dkhost_test::SetDragging(false);
        dkhost_test::SetLayerState(L"Walls", false, false, false);
        PaletteFixture::TearDown();
    }

    // A coordinate row of the class over the objects: each object's cookie, the elements
    // per vertex and the vertex, then active.
    void Coordinate(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid, std::vector<LONG> cookies,
                    ULONG count, ULONG vertex, bool activate = true)
    {
        // As the palette does: the row is told its elements before it reads them.
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
        ASSERT_EQ(S_OK, m_host.Create(clsid, m_palette.Get(), m_frame, kRow, m_ambient));
        auto variant = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeVariantCtrl>();
        ASSERT_TRUE(variant);
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(cookies.size()));
        for (LONG i = 0; i < static_cast<LONG>(cookies.size()); ++i)
            ::SafeArrayPutElement(sa, &i, &cookies[static_cast<size_t>(i)]);
        dkfw::UniqueVariant v;
        v.Addr()->vt = VT_ARRAY | VT_I4;
        v.Addr()->parray = sa;
        ASSERT_EQ(S_OK, variant->SetDwCookies(v.Get()));
        ASSERT_EQ(S_OK, variant->SetElementCount(count));
        ASSERT_EQ(S_OK, variant->SetGroupOffset(vertex * count));
        ASSERT_EQ(S_OK, m_host.Init(selection, false));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_INPLACEACTIVATE));
        if (activate)
        {
            ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        }
        Pump(0);
    }

    double Element(size_t i, DISPID dispid, DWORD cookie)
    {
        auto elements = dkfw::ComPtr<IDispatch>(m_objects[i]).Query<IDkPropertyElements>();
        dkfw::UniqueVariant v;
        if (!elements || FAILED(elements->GetElementValue(dispid, cookie, v.Put())) || v.Type() != VT_R8)
            return NAN;
        return v.Get().dblVal;
    }
    double Real(size_t i, DISPID dispid)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v.Type() == VT_R8 ? v.Get().dblVal : NAN;
    }
    void Enter(const std::wstring& text)
    {
        ::SetWindowTextW(Edit(), text.c_str());
        Key(Edit(), VK_RETURN);
        Pump(0);
    }
    std::vector<double> Marks()
    {
        double xyz[30] = {};
        const int n = dkhost_test::Marks(xyz, 10);
        return std::vector<double>(xyz, xyz + 3 * std::max(0, std::min(n, 10)));
    }
    bool NextRowWanted()
    {
        auto part = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeEditorPart>();
        CDkPeCtrlBase* editor = nullptr;
        int flag = 0;
        if (part && SUCCEEDED(part->GetEditorPart(&editor)) && editor)
            editor->GetDoNextVariantItem(flag);
        return flag != 0;
    }
    bool ButtonEnabled() { return Edit(kPickButton) && ::IsWindowEnabled(Edit(kPickButton)); }
    // Clicks the row's pick button and lets the host's point input answer.
    void Pick(std::initializer_list<const wchar_t*> answers)
    {
        for (const wchar_t* a : answers)
            dkhost_test::PushAnswer(a);
        ::SendMessageW(Edit(kPickButton), BM_CLICK, 0, 0);
        Pump(50);
    }
    size_t UndoGroups() { return dktest::JournalMatching(L"undo group begin").size(); }
};

TEST_F(PointEditor, ARowShowsAndMarksItsElementOfTheCurrentVertex)
{
    // Fit points (x, y, z): cookie 1 at the third vertex is element 7, the y of (80, 90, 0).
    Coordinate(CLSID_DkPePropertyEditorNoPickVariant, {L"3A"}, kFitPoints, {1}, 3, 2);
    EXPECT_NEAR(90.0, std::stod(WindowText(Edit())), 1e-9);
    auto marks = Marks();
    ASSERT_EQ(3u, marks.size()) << "one mark in the whole drawing";
    EXPECT_EQ(80.0, marks[0]);
    EXPECT_EQ(90.0, marks[1]);
    Enter(L"91");
    EXPECT_EQ(91.0, Element(0, kFitPoints, 7));
    EXPECT_EQ(40.0, Element(0, kFitPoints, 3)) << "no other element moves";
    m_host.Deactivate();
    EXPECT_TRUE(Marks().empty()) << "the mark goes with the row";

    // A polyline's vertex lies in its plane: its mark is at the elevation.
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"39"}, kCoordinates, {0}, 2, 1);
    marks = Marks();
    ASSERT_EQ(3u, marks.size());
    EXPECT_EQ(30.0, marks[0]);
    EXPECT_EQ(80.0, marks[1]);
    EXPECT_EQ(2.5, marks[2]);
    m_host.Release();

    // A surface-driven object shows the surface's parts at the vertex instead of a cross.
    const LONG_PTR polyline = dkhost_test::EntityByHandle(L"39");
    dkhost_test::SetSurfaceDriven(polyline, true);
    dkhost_test::ClearJournal();
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"39"}, kCoordinates, {0}, 2, 1);
    EXPECT_EQ(2u, dktest::JournalMatching(L"highlight push 39 subent 2").size());
    EXPECT_TRUE(Marks().empty());
    m_host.Release();
    EXPECT_EQ(2u, dktest::JournalMatching(L"highlight pop 39 subent 2").size()) << "the highlight goes with the row";
    dkhost_test::SetSurfaceDriven(polyline, false);
}

TEST_F(PointEditor, OnlyTheLeadingComponentsAskForTheNextRow)
{
    struct Case
    {
        const wchar_t* handle;
        DISPID dispid;
        LONG cookie;
        ULONG count;
        bool next;
    };
    const Case cases[] = {
        {L"2A", kLineStart, 0, 3, true},    {L"2A", kLineStart, 2, 3, false},    {L"39", kCoordinates, 0, 2, true},
        {L"39", kCoordinates, 1, 2, false}, {L"3A", kControlPoints, 1, 4, true}, {L"3A", kControlPoints, 2, 4, false},
    };
    for (const Case& c : cases)
    {
        m_host.Release();
        Coordinate(CLSID_DkPePropertyEditorVariant, {c.handle}, c.dispid, {c.cookie}, c.count, 0);
        dkhost_test::ClearJournal();
        Enter(L"7");
        EXPECT_EQ(7.0, Element(0, c.dispid, static_cast<DWORD>(c.cookie))) << c.handle;
        EXPECT_EQ(c.next, NextRowWanted()) << c.handle << " cookie " << c.cookie;
        EXPECT_EQ(1u, UndoGroups()) << "one undoable change";
    }
}

TEST_F(PointEditor, SeveralObjectsVaryAtDisplayPrecisionAndTakeOneChange)
{
    // Each object its own cookie: the y of the third vertex of one, the second of the other.
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"38", L"39"}, kCoordinates, {5, 1}, 2, 0);
    EXPECT_EQ(80.0, std::stod(WindowText(Edit())));
    m_host.Release();
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"38", L"39"}, kCoordinates, {4, 1}, 2, 0);
    EXPECT_EQ(L"*VARIES*", WindowText(Edit()));
    dkhost_test::ClearJournal();
    Enter(L"12");
    EXPECT_EQ(12.0, Element(0, kCoordinates, 4));
    EXPECT_EQ(12.0, Element(1, kCoordinates, 1));
    EXPECT_EQ(1u, UndoGroups());

    // An object on a locked layer keeps its vertex, and the palette hears of the selection.
    dkhost_test::SetLayerState(L"Walls", false, false, true);
    dkhost_test::ClearJournal();
    Enter(L"13");
    EXPECT_EQ(12.0, Element(0, kCoordinates, 4));
    EXPECT_EQ(13.0, Element(1, kCoordinates, 1));
    EXPECT_EQ(1u, dktest::JournalMatching(L"modeless end OPM_CHGSELECTION").size());
}

TEST_F(PointEditor, TextThatIsNoNumberIsAnExpressionOnlyWhereTheElementTakesOne)
{
    const LONG_PTR polyline = dkhost_test::EntityByHandle(L"39");
    {
        Coordinate(CLSID_DkPePropertyEditorVariant, {L"39"}, kCoordinates, {0}, 2, 0);
        dktest::MessageBoxCatcher boxes;
        Enter(L"abc");
        EXPECT_EQ(1u, boxes.Texts().size()) << "the user is told";
        EXPECT_EQ(10.0, Element(0, kCoordinates, 0));
    }
    m_host.Release();
    dkhost_test::SetExpression(polyline, kCoordinates, true, nullptr);
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"39"}, kCoordinates, {0}, 2, 1);
    Enter(L"d1+2");
    auto expressions = dkfw::ComPtr<IDispatch>(m_objects[0]).Query<IDkPropertyElementExpressions>();
    ASSERT_TRUE(expressions);
    dkfw::UniqueBstr text;
    ASSERT_EQ(S_OK, expressions->GetElementExpression(kCoordinates, m_objects[0].Get(), 2, text.Put()));
    EXPECT_EQ(L"d1+2", std::wstring(text.View()));
    dkfw::UniqueBstr other;
    expressions->GetElementExpression(kCoordinates, m_objects[0].Get(), 0, other.Put());
    EXPECT_EQ(L"", std::wstring(other.View())) << "only the row's element";
    m_host.Release();
    dkhost_test::SetExpression(polyline, kCoordinates, false, nullptr);
}

TEST_F(PointEditor, BadAddressesAndFailingObjectsWriteNothing)
{
    const LONG_PTR polyline = dkhost_test::EntityByHandle(L"39");
    // No element interface: nothing to show.
    dkhost_test::SetElementForms(polyline, false, false);
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"39"}, kCoordinates, {0}, 2, 0);
    EXPECT_EQ(L"", WindowText(Edit()));
    m_host.Release();
    dkhost_test::SetElementForms(polyline, true, true);

    // Cookies must be an array of numbers; a vertex past the list is refused.
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"39"}, kCoordinates, {0}, 2, 7);
    auto variant = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeVariantCtrl>();
    dkfw::UniqueVariant notArray;
    notArray.Addr()->vt = VT_I4;
    EXPECT_EQ(E_FAIL, variant->SetDwCookies(notArray.Get()));
    dkhost_test::ClearJournal();
    {
        dktest::MessageBoxCatcher boxes;
        Enter(L"5");
    }
    EXPECT_EQ(0u, UndoGroups());
    EXPECT_EQ(10.0, Element(0, kCoordinates, 0));
    m_host.Release();

    // The first object's own error is told once; the objects after it are not written.
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"38", L"39"}, kCoordinates, {0, 0}, 2, 0);
    dkhost_test::SetElementFault(dkhost_test::EntityByHandle(L"38"), kCoordinates, true);
    {
        dktest::MessageBoxCatcher boxes;
        Enter(L"5");
        EXPECT_LE(boxes.Texts().size(), 1u);
    }
    EXPECT_EQ(10.0, Element(1, kCoordinates, 0));
    dkhost_test::SetElementFault(dkhost_test::EntityByHandle(L"38"), kCoordinates, false);

    // While the user drags, the host refuses.
    dkhost_test::SetDragging(true);
    {
        dktest::MessageBoxCatcher boxes;
        Enter(L"6");
    }
    dkhost_test::SetDragging(false);
    EXPECT_EQ(0.0, Element(0, kCoordinates, 0));
}

TEST_F(PointEditor, APickedPointMovesThePolylineVertexInItsPlane)
{
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"39"}, kCoordinates, {0}, 2, 1);
    ASSERT_NE(nullptr, Edit(kPickButton));
    dkhost_test::ClearJournal();
    Pick({L"drag 40,5", L"point 45,10"});
    EXPECT_EQ(45.0, Element(0, kCoordinates, 2));
    EXPECT_EQ(10.0, Element(0, kCoordinates, 3));
    EXPECT_EQ(2.5, Real(0, kElevation)) << "the plane stays";
    EXPECT_EQ(1u, UndoGroups());
    EXPECT_TRUE(ButtonEnabled());
    const auto started = dktest::JournalMatching(L"point input 7 prompt");
    ASSERT_EQ(1u, started.size());
    EXPECT_NE(std::wstring::npos, started[0].find(L"vertex")) << started[0];

    // Cancelled: nothing written, the button works again.
    dkhost_test::ClearJournal();
    Pick({L"cancel"});
    EXPECT_EQ(45.0, Element(0, kCoordinates, 2));
    EXPECT_EQ(0u, UndoGroups());
    EXPECT_TRUE(ButtonEnabled());

    // No point input class: nothing starts, and a later click tries again.
    dkhost_test::SetPointInputAvailable(false);
    Pick({});
    EXPECT_TRUE(ButtonEnabled());
    dkhost_test::SetPointInputAvailable(true);
    dkhost_test::ClearAnswers();
    Pick({L"point 50,12"});
    EXPECT_EQ(50.0, Element(0, kCoordinates, 2));

    // A running value of the wrong kind is ignored.
    dkhost_test::SetPointInputWrongType(true);
    Pick({L"drag 1,1", L"point 2,2"});
    dkhost_test::SetPointInputWrongType(false);
    EXPECT_EQ(50.0, Element(0, kCoordinates, 2));
    EXPECT_TRUE(ButtonEnabled());
}

// A row the palette drops while the picked point is written.
struct DropAtTheWritesEnd : dkpal::EventListener
{
    dkpal::ControlHost* host = nullptr;
    int ends = 0;
    void OnControlEvent(const dkpal::Event& e) noexcept override
    {
        // The first end is the button click's own; the second the write's.
        if (e.name == L"OnEndPropertyUpdate" && host && ++ends == 2)
            std::exchange(host, nullptr)->Release();
    }
};

TEST_F(PointEditor, APickedPointMovesEveryObjectOrNoneAndTellsAnObjectsRefusal)
{
    // The fourth vertex is only the first polyline's.
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"38", L"39"}, kCoordinates, {0, 0}, 2, 3);
    dkhost_test::ClearJournal();
    Pick({L"point 45,10"});
    EXPECT_EQ(0.0, Element(0, kCoordinates, 6));
    EXPECT_EQ(0u, UndoGroups());
    EXPECT_TRUE(ButtonEnabled());
    m_host.Release();

    const LONG_PTR polyline = dkhost_test::EntityByHandle(L"39");
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"39"}, kCoordinates, {0}, 2, 1);
    dkhost_test::SetPropertyFault(polyline, kCoordinates, false, static_cast<SCODE>(0x80070005), L"Not here.");
    {
        dktest::MessageBoxCatcher boxes;
        Pick({L"point 45,10"});
        ASSERT_EQ(1u, boxes.Texts().size());
        EXPECT_EQ(L"Not here.", boxes.Texts()[0]);
    }
    dkhost_test::SetPropertyFault(polyline, kCoordinates, false, 0, nullptr);
    EXPECT_EQ(30.0, Element(0, kCoordinates, 2));
    EXPECT_TRUE(ButtonEnabled());

    // The row dropped by the palette while it writes the picked point finishes safely.
    DropAtTheWritesEnd drop;
    drop.host = &m_host;
    m_host.Events()->SetListener(&drop);
    Pick({L"point 46,11"});
    EXPECT_EQ(nullptr, drop.host) << "the palette dropped the row";
    EXPECT_EQ(46.0, Element(0, kCoordinates, 2));
}

TEST_F(PointEditor, ASecondClickOrADeactivationDuringAPick)
{
    Coordinate(CLSID_DkPePropertyEditorVariant, {L"39"}, kCoordinates, {0}, 2, 0);
    dkhost_test::ClearJournal();
    // The host answers once the palette is back in its message loop.
    ::SendMessageW(Edit(kPickButton), BM_CLICK, 0, 0);
    EXPECT_FALSE(ButtonEnabled());
    ::SendMessageW(Control(), WM_COMMAND, MAKEWPARAM(kPickButton, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Edit(kPickButton)));
    EXPECT_EQ(1u, dktest::JournalMatching(L"point input 7").size()) << "one pick at a time";
    m_host.Deactivate();
    EXPECT_EQ(1u, dktest::JournalMatching(L"point input cancelled by its caller").size());
    dkhost_test::PushAnswer(L"point 99,99");
    Pump(50);
    EXPECT_EQ(10.0, Element(0, kCoordinates, 0));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(ButtonEnabled());
    dkhost_test::ClearAnswers();
}

TEST_F(PointEditor, TheDistanceRowMeasuresBetweenTwoPickedPoints)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePick2PointsCtrl, {L"38"}, kGlobalWidth));
    auto pick = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPePick2PointsCtrl>();
    ASSERT_TRUE(pick);
    dkfw::UniqueBstr second(L"B");
    ASSERT_EQ(S_OK, pick->SetPrompts(nullptr, second.Get()));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    dkhost_test::ClearJournal();
    Pick({L"point 0,0", L"drag 10,10", L"point 30,40"});
    EXPECT_EQ(50.0, Real(0, kGlobalWidth));
    const auto started = dktest::JournalMatching(L"point input 3 prompt");
    ASSERT_EQ(1u, started.size());
    EXPECT_EQ(L"point input 3 prompt \"Specify first point:\" then \"B\"", started[0]);
    EXPECT_TRUE(ButtonEnabled());

    Pick({L"point 0,0", L"cancel"});
    EXPECT_EQ(50.0, Real(0, kGlobalWidth));

    // Typed text is a distance or nothing, even where the property takes expressions.
    dkhost_test::SetExpression(dkhost_test::EntityByHandle(L"38"), kGlobalWidth, true, nullptr);
    m_host.Control()->Refresh(0);
    {
        dktest::MessageBoxCatcher boxes;
        Enter(L"abc");
        EXPECT_EQ(1u, boxes.Texts().size());
    }
    EXPECT_EQ(50.0, Real(0, kGlobalWidth));
    Enter(L"0.5");
    EXPECT_EQ(0.5, Real(0, kGlobalWidth));
    dkhost_test::SetExpression(dkhost_test::EntityByHandle(L"38"), kGlobalWidth, false, nullptr);
}

class SpinEditor : public PointEditor
{
protected:
    void OpenSpin(const wchar_t* handle, DISPID dispid)
    {
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorSpin, {handle}, dispid));
        ASSERT_EQ(S_OK, dkfw::ComObject<OffsetRecorder>::Create(&m_linked));
        auto spin = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeSpinCtrl>();
        ASSERT_TRUE(spin);
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
        LONG i = 0;
        ::SafeArrayPutElement(sa, &i, static_cast<IUnknown*>(static_cast<IDkPeVariantCtrl*>(m_linked)));
        dkfw::UniqueVariant v;
        v.Addr()->vt = VT_ARRAY | VT_UNKNOWN;
        v.Addr()->parray = sa;
        ASSERT_EQ(S_OK, spin->SetControls(v.Get()));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        Pump(0);
    }
    void TearDown() override
    {
        m_host.Release();
        if (m_linked)
        {
            EXPECT_EQ(0u, m_linked->Release()) << "the row gave its linked rows back";
        }
        m_linked = nullptr;
        PointEditor::TearDown();
    }
    void Step(int delta)
    {
        HWND spin = Edit(kSpinId);
        NMUPDOWN change{{spin, kSpinId, static_cast<UINT>(UDN_DELTAPOS)}, 0, delta};
        change.iPos = static_cast<short>(LOWORD(::SendMessageW(spin, UDM_GETPOS, 0, 0)));
        if (::SendMessageW(Control(), WM_NOTIFY, kSpinId, reinterpret_cast<LPARAM>(&change)) == 0)
            ::SendMessageW(spin, UDM_SETPOS, 0, MAKELPARAM(change.iPos + delta, 0));
        Pump(0);
    }
    dkfw::ComObject<OffsetRecorder>* m_linked = nullptr;
};

TEST_F(SpinEditor, TheVertexNumberWrapsAndMovesTheLinkedRows)
{
    OpenSpin(L"38", kCoordinates); // four vertices of two elements
    EXPECT_EQ(L"1", WindowText(Edit()));
    Step(-1);
    EXPECT_EQ(L"4", WindowText(Edit())) << "down at the first is the last";
    ASSERT_FALSE(m_linked->offsets.empty());
    EXPECT_EQ(6u, m_linked->offsets.back());
    Step(1);
    EXPECT_EQ(L"1", WindowText(Edit())) << "up at the last is the first";
    EXPECT_EQ(0u, m_linked->offsets.back());
    Step(1);
    EXPECT_EQ(L"2", WindowText(Edit()));

    // The wheel over the arrows scrolls the palette; the vertex stays.
    const size_t before = m_linked->offsets.size();
    ::SendMessageW(Edit(kSpinId), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(180, 40));
    ::SendMessageW(Edit(kSpinId), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(180, 40));
    Pump(0);
    EXPECT_EQ(L"2", WindowText(Edit()));
    EXPECT_EQ(before, m_linked->offsets.size());

    Enter(L"3");
    EXPECT_EQ(4u, m_linked->offsets.back());
    const auto marks = Marks();
    ASSERT_EQ(3u, marks.size());
    EXPECT_EQ(120.0, marks[0]) << "vertex 3 is marked";
    EXPECT_EQ(80.0, marks[1]);

    const size_t moves = m_linked->offsets.size();
    {
        dktest::MessageBoxCatcher boxes;
        Enter(L"9");
        EXPECT_EQ(1u, boxes.Texts().size());
    }
    EXPECT_EQ(moves, m_linked->offsets.size()) << "a number out of range moves nothing";
}

TEST_F(SpinEditor, ASurfaceDrivenObjectsHighlightGoesWithTheRow)
{
    const LONG_PTR polyline = dkhost_test::EntityByHandle(L"38");
    dkhost_test::SetSurfaceDriven(polyline, true);
    dkhost_test::ClearJournal();
    OpenSpin(L"38", kCoordinates);
    Step(1);
    m_host.Release();
    EXPECT_EQ(dktest::JournalMatching(L"highlight push").size(), dktest::JournalMatching(L"highlight pop").size());
    dkhost_test::SetSurfaceDriven(polyline, false);
}

TEST_F(SpinEditor, TheUpDownControlTakesTheRowsRightEnd)
{
    OpenSpin(L"3A", kControlPoints);
    RECT r{};
    HWND spin = Edit(kSpinId);
    ASSERT_NE(nullptr, spin);
    ::GetWindowRect(spin, &r);
    ::MapWindowPoints(nullptr, Control(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(160, r.left) << "a row wider than six heights: two heights from the right";
    auto inPlace = dkfw::ComPtr<IDkPiPropertyEditControl2>(m_host.Control()).Query<IOleInPlaceObject>();
    const RECT narrow{20, 30, 120, 50};
    ASSERT_EQ(S_OK, inPlace->SetObjectRects(&narrow, &narrow));
    ::GetWindowRect(spin, &r);
    ::MapWindowPoints(nullptr, Control(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(66, r.left) << "otherwise the last third";
}

TEST_F(SpinEditor, AListThatLosesVerticesStartsAgainAtTheFirst)
{
    OpenSpin(L"3A", kControlPoints); // five control points
    Enter(L"5");
    EXPECT_EQ(16u, m_linked->offsets.back());
    // The spline loses two control points.
    SAFEARRAY* sa = ::SafeArrayCreateVector(VT_R8, 0, 12);
    double* data = nullptr;
    ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&data));
    for (int k = 0; k < 12; ++k)
        data[k] = k % 4 == 3 ? 1.0 : k;
    ::SafeArrayUnaccessData(sa);
    dkfw::UniqueVariant points;
    points.Addr()->vt = VT_ARRAY | VT_R8;
    points.Addr()->parray = sa;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{points.Addr(), &named, 1, 1};
    ASSERT_EQ(S_OK,
              m_objects[0]->Invoke(kControlPoints, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
    m_host.Control()->Refresh(0);
    EXPECT_EQ(L"1", WindowText(Edit()));
    EXPECT_EQ(0u, m_linked->offsets.back());
}
} // namespace

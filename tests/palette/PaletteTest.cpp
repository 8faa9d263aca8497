// The palette over the sample drawing, driven as a user drives it, and the palette
// program's command line.
#include "DkHostTest.h"
#include "Palette.h"
#include "TestSupport.h"

#include "Unique.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace
{
using dktest::BinDir;

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

class PaletteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::InstallModule((BinDir() + L"DkPEXCtl.drx").c_str(), nullptr));
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DkTestPaletteFrame";
        ::RegisterClassExW(&wc);
        m_frame.Reset(::CreateWindowExW(0, wc.lpszClassName, L"frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 50, 50,
                                        420, 500, nullptr, nullptr, wc.hInstance, nullptr));
        ::ShowWindow(m_frame.Get(), SW_SHOW);
        ASSERT_TRUE(m_palette.Create(m_frame.Get(), RECT{0, 0, 400, 460}));
        dkhost_test::ClearJournal();
    }
    void TearDown() override
    {
        m_palette.SetSelection({});
        Pump();
    }

    void Select(std::initializer_list<const wchar_t*> handles)
    {
        std::vector<LONG_PTR> ids;
        for (const wchar_t* h : handles)
            ids.push_back(dkhost_test::EntityByHandle(h));
        m_palette.SetSelection(ids);
        Pump();
    }

    const dkpal::RowDump* Row(const std::vector<dkpal::RowDump>& rows, const wchar_t* name)
    {
        auto it = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.name == name; });
        return it == rows.end() ? nullptr : &*it;
    }

    std::wstring TextOf(const wchar_t* handle)
    {
        dkfw::ComPtr<IDispatch> d;
        dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), d.Put());
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        d->Invoke(100, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v.Type() == VT_BSTR ? v.Get().bstrVal : L"";
    }

    // A click on a row's value, then typing and Enter where the keyboard goes.
    void TypeInto(int row, const std::wstring& text, UINT key = VK_RETURN)
    {
        HWND control = m_palette.RowWindow(row);
        ASSERT_NE(nullptr, control);
        ::SendMessageW(control, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(m_frame.Get()),
                       MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
        ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        Pump();
        HWND edit = ::GetDlgItem(control, 1038);
        ASSERT_NE(nullptr, edit);
        for (wchar_t c : text)
            ::SendMessageW(edit, WM_CHAR, c, 1);
        ::SendMessageW(edit, WM_KEYDOWN, key, 1);
        Pump();
    }

    dkfw::UniqueHwnd m_frame;
    dkpal::Palette m_palette;
};

TEST_F(PaletteTest, RowsAreTheSelectionsCommonPropertiesGroupedByCategory)
{
    Select({L"30", L"35"}); // a circle and an arc
    const auto rows = m_palette.Dump();
    ASSERT_NE(nullptr, Row(rows, L"Radius"));
    EXPECT_NE(nullptr, Row(rows, L"Center X"));
    EXPECT_EQ(nullptr, Row(rows, L"Diameter")) << "arcs have no diameter";
    EXPECT_EQ(nullptr, Row(rows, L"Start angle")) << "circles have no start angle";
    // Each category's rows stand together.
    std::vector<std::wstring> seen;
    for (const auto& r : rows)
    {
        if (seen.empty() || seen.back() != r.category)
        {
            EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), r.category)) << "category split";
            seen.push_back(r.category);
        }
    }
    const auto* radius = Row(rows, L"Radius");
    EXPECT_EQ(L"DkPePropertyEditorDRVKNumeric", radius->editor);
    EXPECT_EQ(L"*VARIES*", radius->text);
    EXPECT_EQ(L"varies", radius->state);
    const auto* layer = Row(rows, L"Layer");
    EXPECT_EQ(L"Doors", layer->text);
}

// A value that is an array (a light's lamp colour and intensity) is the same for two objects
// exactly when every element is: the palette's own reading tells them apart element by element.
TEST_F(PaletteTest, ArrayValuesVaryWhereAnElementDiffers)
{
    Select({L"80", L"83"}); // the same lamp; the same intensity text, one of them locked
    EXPECT_EQ(L"0, 6500, 16449279", m_palette.ValueText(m_palette.FindRow(L"Lamp color")));
    EXPECT_EQ(L"*VARIES*", m_palette.ValueText(m_palette.FindRow(L"Intensity")));
    Select({L"80", L"81"}); // a temperature and a preset
    EXPECT_EQ(L"*VARIES*", m_palette.ValueText(m_palette.FindRow(L"Lamp color")));
    EXPECT_EQ(L"1500 cd, 0", m_palette.ValueText(m_palette.FindRow(L"Intensity")));
}

TEST_F(PaletteTest, UserTypesAValueThatReachesEveryObjectAsOneChange)
{
    Select({L"40", L"41"});
    const int contents = m_palette.FindRow(L"Contents");
    ASSERT_GE(contents, 0);
    EXPECT_EQ(L"*VARIES*", Row(m_palette.Dump(), L"Contents")->text) << "what the editor draws";
    dkhost_test::ClearJournal();
    TypeInto(contents, L"Hall");
    EXPECT_EQ(L"Hall", TextOf(L"40"));
    EXPECT_EQ(L"Hall", TextOf(L"41"));
    EXPECT_EQ(m_palette.FindRow(L"Height"), m_palette.ActiveRow()) << "Enter moves on from a row of text";
    const auto journal = dktest::Journal();
    ASSERT_GE(journal.size(), 4u);
    EXPECT_EQ(L"modeless start OPM_CHGPROP", journal[0]);
    EXPECT_EQ(1u, dktest::JournalMatching(L"modeless end OPM_CHGPROP").size());
    EXPECT_EQ(L"Hall", Row(m_palette.Dump(), L"Contents")->text);
    // The row's identifier heard the value the control wrote.
    IDkPiPropertyIdentifier* identifier = nullptr;
    m_palette.RowControl(contents)->GetPropertyIdentifier(&identifier);
    ASSERT_NE(nullptr, identifier);
    dkfw::UniqueVariant last;
    ASSERT_EQ(S_OK, identifier->GetLastValue(last.Put()));
    ASSERT_EQ(VT_BSTR, last.Type());
    EXPECT_STREQ(L"Hall", last.Get().bstrVal);

    m_palette.DeactivateRow();
    ASSERT_EQ(1, dkhost_test::Undo(1));
    m_palette.RefreshAll();
    EXPECT_EQ(L"Living room", TextOf(L"40"));
    EXPECT_EQ(L"Kitchen", TextOf(L"41"));
    EXPECT_EQ(L"*VARIES*", Row(m_palette.Dump(), L"Contents")->text);
}

// After a drop-down's change the row's identifier hears the value and the entry's text.
TEST_F(PaletteTest, AListsChangeTellsTheIdentifierItsEntry)
{
    Select({L"30"});
    const int visible = m_palette.FindRow(L"Visible");
    ASSERT_GE(visible, 0);
    ASSERT_TRUE(m_palette.ActivateRow(visible));
    HWND combo = ::GetDlgItem(m_palette.RowWindow(visible), 1002);
    ASSERT_NE(nullptr, combo);
    ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    ::SendMessageW(combo, CB_SETCURSEL, 1, 0);
    ::SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 1);
    Pump();
    IDkPiPropertyIdentifier* identifier = nullptr;
    m_palette.RowControl(visible)->GetPropertyIdentifier(&identifier);
    ASSERT_NE(nullptr, identifier);
    dkfw::UniqueVariant last;
    ASSERT_EQ(S_OK, identifier->GetLastValue(last.Put()));
    EXPECT_EQ(VT_BOOL, last.Type());
    dkfw::UniqueBstr text;
    ASSERT_EQ(S_OK, identifier->GetLastText(text.Put()));
    EXPECT_EQ(L"No", std::wstring(text.View()));
}

TEST_F(PaletteTest, TabMovesToTheNextRowThatCanBeEdited)
{
    Select({L"40"});
    const int contents = m_palette.FindRow(L"Contents");
    const int height = m_palette.FindRow(L"Height");
    const int thickness = m_palette.FindRow(L"Thickness");
    const int hyperlink = m_palette.FindRow(L"Hyperlink");
    ASSERT_GE(contents, 0);
    ASSERT_EQ(contents + 1, height);
    ASSERT_EQ(thickness + 1, hyperlink);
    ASSERT_GT(contents, hyperlink + 1) << "the sample has plain rows between";
    TypeInto(contents, L"Hall", VK_TAB);
    EXPECT_EQ(height, m_palette.ActiveRow());
    EXPECT_EQ(L"Hall", TextOf(L"40"));
    m_palette.DeactivateRow();
    TypeInto(thickness, L"2", VK_TAB);
    EXPECT_EQ(hyperlink, m_palette.ActiveRow());
    EXPECT_EQ(L"2.0000", Row(m_palette.Dump(), L"Thickness")->text);
    // Tab on the hyperlink row's own button leaves the row.
    HWND button = ::GetDlgItem(m_palette.RowWindow(hyperlink), 1043);
    ASSERT_NE(nullptr, button);
    ::SendMessageW(button, WM_KEYDOWN, VK_TAB, 1);
    Pump();
    const int material = m_palette.FindRow(L"Material");
    ASSERT_GT(material, hyperlink + 1) << "the sample has a plain row between";
    EXPECT_EQ(material, m_palette.ActiveRow()) << "the plain rows between are passed over";
}

TEST_F(PaletteTest, EnterLeavesACoordinateRowOnlyWhereItsEditorAsks)
{
    Select({L"39"});
    const int x = m_palette.FindRow(L"Vertex X");
    const int y = m_palette.FindRow(L"Vertex Y");
    ASSERT_EQ(x + 1, y);
    TypeInto(x, L"15");
    EXPECT_EQ(y, m_palette.ActiveRow()) << "after a polyline's x comes its y";
    TypeInto(y, L"81");
    EXPECT_EQ(y, m_palette.ActiveRow()) << "after its y the row stays";
    const auto rows = m_palette.Dump();
    EXPECT_EQ(L"15.0000", Row(rows, L"Vertex X")->text);
    EXPECT_EQ(L"81.0000", Row(rows, L"Vertex Y")->text);
}

TEST_F(PaletteTest, AnotherObjectStartsTheVertexRowAgainAtItsFirstVertex)
{
    Select({L"39"});
    TypeInto(m_palette.FindRow(L"Vertex"), L"3");
    EXPECT_EQ(L"30.0000", Row(m_palette.Dump(), L"Vertex X")->text);
    m_palette.DeactivateRow();
    Select({L"38"}); // the same rows: the controls stay
    auto rows = m_palette.Dump();
    EXPECT_EQ(L"1", Row(rows, L"Vertex")->text);
    EXPECT_EQ(L"0.0000", Row(rows, L"Vertex X")->text);
    TypeInto(m_palette.FindRow(L"Vertex"), L"4");
    rows = m_palette.Dump();
    EXPECT_EQ(L"4", Row(rows, L"Vertex")->text) << "the new object's four vertices";
    EXPECT_EQ(L"80.0000", Row(rows, L"Vertex Y")->text);
}

TEST_F(PaletteTest, AVertexRowMovesItsOwnCoordinateRows)
{
    Select({L"3A"});
    TypeInto(m_palette.FindRow(L"Control point"), L"3");
    auto rows = m_palette.Dump();
    EXPECT_EQ(L"3", Row(rows, L"Control point")->text);
    EXPECT_EQ(L"40.0000", Row(rows, L"Control point X")->text);
    EXPECT_EQ(L"95.0000", Row(rows, L"Control point Y")->text);
    EXPECT_EQ(L"1.0000", Row(rows, L"Weight")->text);
    EXPECT_EQ(L"0.0000", Row(rows, L"Fit point X")->text) << "the other list stays at its first vertex";
    TypeInto(m_palette.FindRow(L"Weight"), L"2");
    rows = m_palette.Dump();
    EXPECT_EQ(L"2.0000", Row(rows, L"Weight")->text);
    EXPECT_EQ(L"3", Row(rows, L"Control point")->text) << "a write keeps the vertex shown";
}

TEST_F(PaletteTest, TheKeyboardAloneReachesTheRowsThatCanBeEdited)
{
    Select({L"40"});
    const int first = m_palette.FindRow(L"Color");
    const int tag = m_palette.FindRow(L"Room tag");
    ::SendMessageW(m_palette.Hwnd(), WM_KEYDOWN, VK_DOWN, 1);
    Pump();
    EXPECT_EQ(first, m_palette.ActiveRow()) << "the first row that can be edited";
    HWND list = ::GetDlgItem(m_palette.RowWindow(first), 1002);
    EXPECT_TRUE(list && ::IsWindowVisible(list)) << "and it is being edited";
    m_palette.DeactivateRow();
    ::SendMessageW(m_palette.Hwnd(), WM_KEYDOWN, VK_UP, 1);
    Pump();
    EXPECT_EQ(tag, m_palette.ActiveRow()) << "upwards from nothing: the last one";
}

// Clicking from text to text: the same rows take the new object and keep their windows;
// a selection with other rows builds them anew; nothing is held once the palette is empty.
TEST_F(PaletteTest, TheSameRowsForAnotherObjectKeepTheirControls)
{
    Select({L"40"});
    const int contents = m_palette.FindRow(L"Contents");
    ASSERT_GE(contents, 0);
    std::vector<HWND> windows;
    for (int r = 0; r < m_palette.RowCount(); ++r)
        windows.push_back(m_palette.RowWindow(r));
    ASSERT_TRUE(m_palette.ActivateRow(contents));
    const int before = dktest::CountThreadWindows();

    Select({L"41"});
    EXPECT_EQ(-1, m_palette.ActiveRow()) << "the active row lets go";
    EXPECT_EQ(before, dktest::CountThreadWindows());
    for (int r = 0; r < m_palette.RowCount(); ++r)
        EXPECT_EQ(windows[static_cast<size_t>(r)], m_palette.RowWindow(r)) << "row " << r;
    EXPECT_EQ(L"Kitchen", Row(m_palette.Dump(), L"Contents")->text);
    EXPECT_EQ(1u, dkhost_test::PaletteObjectRefs(dkhost_test::EntityByHandle(L"40"))) << "let go of";
    TypeInto(contents, L"Hall");
    EXPECT_EQ(L"Hall", TextOf(L"41"));
    EXPECT_EQ(L"Living room", TextOf(L"40")) << "the object no longer selected is left alone";
    m_palette.DeactivateRow();

    // The row's identifier holds nothing of the objects before.
    Select({L"40"});
    IDkPiPropertyIdentifier* identifier = nullptr;
    ASSERT_EQ(S_OK, m_palette.RowControl(contents)->GetPropertyIdentifier(&identifier));
    dkfw::UniqueVariant last;
    identifier->GetLastValue(last.Put());
    EXPECT_EQ(VT_EMPTY, last.Type());

    // An object whose text cannot be read leaves the row to the palette; the next object
    // that reads well gets its control back.
    const LONG_PTR faulty = dkhost_test::EntityByHandle(L"40");
    dkhost_test::SetPropertyFault(faulty, 100, true, static_cast<SCODE>(0x80200010), L"Not readable.");
    Select({L"40"});
    EXPECT_TRUE(m_palette.IsPlain(contents));
    dkhost_test::SetPropertyFault(faulty, 100, true, 0, nullptr);
    Select({L"41"});
    ASSERT_FALSE(m_palette.IsPlain(contents));
    EXPECT_EQ(L"Hall", Row(m_palette.Dump(), L"Contents")->text);

    Select({L"30"}); // a circle: other rows
    EXPECT_EQ(nullptr, Row(m_palette.Dump(), L"Contents"));
    ASSERT_NE(nullptr, Row(m_palette.Dump(), L"Radius"));
    Select({});
    EXPECT_EQ(1u, dkhost_test::PaletteObjectRefs(dkhost_test::EntityByHandle(L"40")));
    EXPECT_EQ(1u, dkhost_test::PaletteObjectRefs(dkhost_test::EntityByHandle(L"41")));
}

// A point shows one row a coordinate; a list shows its vertex row, then the coordinate rows
// of its current vertex. Each coordinate row tells its control the element it shows for every
// object and the elements of a vertex; a vertex row steps its own list's coordinate rows only.
TEST_F(PaletteTest, PointsAndListsShowOneRowACoordinate)
{
    struct Expected
    {
        const wchar_t* name;
        int component; // -1: the vertex row
        int elementCount;
        const wchar_t* value; // as the palette reads it: at the first vertex
    };
    struct Case
    {
        std::initializer_list<const wchar_t*> handles;
        std::vector<Expected> rows;
    };
    const Case cases[] = {
        {{L"2A", L"2B"},
         {{L"Start X", 0, 3, L"*VARIES*"},
          {L"Start Y", 1, 3, L"0"},
          {L"Start Z", 2, 3, L"0"},
          {L"End X", 0, 3, L"120"},
          {L"End Y", 1, 3, L"*VARIES*"},
          {L"End Z", 2, 3, L"0"}}},
        {{L"30", L"35"},
         {{L"Center X", 0, 3, L"*VARIES*"}, {L"Center Y", 1, 3, L"*VARIES*"}, {L"Center Z", 2, 3, L"0"}}},
        {{L"60"}, {{L"Position X", 0, 3, L"40"}, {L"Position Y", 1, 3, L"0"}, {L"Position Z", 2, 3, L"0"}}},
        {{L"39"}, {{L"Vertex", -1, 2, L"1"}, {L"Vertex X", 0, 2, L"10"}, {L"Vertex Y", 1, 2, L"80"}}},
        {{L"38", L"39"},
         {{L"Vertex", -1, 2, L"1"}, {L"Vertex X", 0, 2, L"*VARIES*"}, {L"Vertex Y", 1, 2, L"*VARIES*"}}},
        {{L"3A"},
         {{L"Control point", -1, 4, L"1"},
          {L"Control point X", 0, 4, L"0"},
          {L"Control point Y", 1, 4, L"90"},
          {L"Control point Z", 2, 4, L"0"},
          {L"Weight", 3, 4, L"1"},
          {L"Fit point", -1, 3, L"1"},
          {L"Fit point X", 0, 3, L"0"},
          {L"Fit point Y", 1, 3, L"90"},
          {L"Fit point Z", 2, 3, L"0"}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << std::wstring(*c.handles.begin()).c_str());
        Select(c.handles);
        const auto rows = m_palette.Dump();
        const int first = m_palette.FindRow(c.rows[0].name);
        ASSERT_GE(first, 0);
        std::vector<std::wstring> stepped; // the coordinate rows after the last vertex row
        const dkpal::RowDump* vertexRow = nullptr;
        for (size_t i = 0; i < c.rows.size(); ++i)
        {
            const Expected& e = c.rows[i];
            SCOPED_TRACE(::testing::Message() << std::wstring(e.name).c_str());
            ASSERT_EQ(first + static_cast<int>(i), m_palette.FindRow(e.name)) << "in this order, together";
            const dkpal::RowDump& row = rows[static_cast<size_t>(first) + i];
            EXPECT_EQ(L"Geometry", row.category);
            EXPECT_EQ(e.value, m_palette.ValueText(first + static_cast<int>(i)));
            if (e.component < 0)
            {
                EXPECT_TRUE(row.cookies.empty());
                if (vertexRow)
                    EXPECT_EQ(stepped, vertexRow->linked);
                vertexRow = &row;
                stepped.clear();
                continue;
            }
            EXPECT_EQ(std::vector<LONG>(c.handles.size(), e.component), row.cookies) << "one cookie an object";
            EXPECT_EQ(e.elementCount, row.elementCount);
            EXPECT_TRUE(row.linked.empty());
            stepped.push_back(e.name);
        }
        if (vertexRow)
            EXPECT_EQ(stepped, vertexRow->linked);
    }
    for (const wchar_t* gone : {L"Start", L"Center", L"Vertices", L"Position"})
        EXPECT_EQ(nullptr, Row(m_palette.Dump(), gone)) << std::wstring(gone).c_str();
}

// The host's description of every list row of the sample's objects agrees with the objects:
// a vertex has the elements the row says, the row's element is one of them, and each kind of
// row names its editor: a vertex row the spin, a coordinate row a coordinate editor.
TEST_F(PaletteTest, ListRowsAgreeWithTheObjectsElements)
{
    std::vector<LONG_PTR> ids(64);
    ids.resize(static_cast<size_t>(dkhost_test::Entities(ids.data(), static_cast<int>(ids.size()))));
    int seen = 0;
    for (LONG_PTR id : ids)
    {
        const dkhost_test::PropertyDescription* d = nullptr;
        const int count = dkhost_test::PropertyDescriptionsOf(dkhost_test::EntityClass(id), &d);
        dkfw::ComPtr<IDispatch> object;
        ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(id, object.Put()));
        for (int i = 0; i < count; ++i)
        {
            if (d[i].elementCount == 0)
            {
                EXPECT_EQ(-1, d[i].component) << d[i].name;
                continue;
            }
            SCOPED_TRACE(::testing::Message() << std::wstring(dkhost_test::EntityHandle(id)).c_str() << " "
                                              << std::wstring(d[i].name).c_str());
            ++seen;
            auto elements = object.Query<IDkPropertyElements>();
            ASSERT_TRUE(elements);
            short perGroup = 0;
            ASSERT_EQ(S_OK, elements->GetElementGrouping(d[i].dispid, &perGroup));
            EXPECT_EQ(d[i].elementCount, perGroup);
            EXPECT_LT(d[i].component, d[i].elementCount);
            const std::wstring editor = d[i].editor ? d[i].editor : L"";
            if (d[i].component < 0)
                EXPECT_EQ(L"DkPEXCtl.DkPePropertyEditorSpin.16", editor);
            else if (d[i].component == 3)
            {
                EXPECT_EQ(L"DkPEXCtl.DkPePropertyEditorNoPickVariant.16", editor) << "a weight is not picked";
                EXPECT_EQ(2, d[i].numericType) << "nor a distance";
            }
            else
            {
                EXPECT_EQ(L"DkPEXCtl.DkPePropertyEditorVariant.16", editor);
                EXPECT_EQ(0, d[i].numericType);
            }
        }
    }
    EXPECT_GE(seen, 60) << "every point and list of the sample";

    // The polyline's width is picked as two points, with prompts of its own.
    const dkhost_test::PropertyDescription* d = nullptr;
    const int count = dkhost_test::PropertyDescriptionsOf(L"Polyline", &d);
    const auto* width =
        std::find_if(d, d + count, [](const auto& r) { return std::wstring(r.name) == L"Global width"; });
    ASSERT_NE(d + count, width);
    EXPECT_STREQ(L"DkPEXCtl.DkPePick2PointsCtrl.16", width->editor);
    EXPECT_STREQ(L"Specify first point of the width:", width->firstPrompt);
    EXPECT_STREQ(L"Specify second point:", width->secondPrompt);
}

struct ProgramCase
{
    const wchar_t* arguments;
    DWORD exitCode;
    const char* output; // a piece of what it prints
};

TEST(PaletteProgram, AnswersBadArgumentsWithOneLineAndExitCode2)
{
    const ProgramCase cases[] = {
        {L"--bogus", 2, "unknown option --bogus"},
        {L"--select", 2, "--select needs a value"},
        {L"--select NoSuchThing --dump", 2, "nothing in the drawing is called \"NoSuchThing\""},
        {L"--select 68#5003 --dump", 2, "nothing in the drawing is called \"68#5003\""},
        {L"--select 30#5001 --dump", 2, "nothing in the drawing is called \"30#5001\""},
        {L"--select 40 --set NoRow=1", 2, "no row named \"NoRow\""},
        {L"--select 40 --set Contents", 2, "--set takes NAME=TEXT"},
        {L"--select 39 --answer", 2, "--answer needs a value"},
        {L"--select 39 --click", 2, "--click needs a value"},
        {L"--select 39 --click Vertices", 2, "no row named \"Vertices\""},
        {L"--select 50 --dialog \"1032=Custom;1030=MYPAT\" --click Type", 2,
         "--dialog \"1032=Custom;1030=MYPAT\": the answers end with OK or Cancel"},
        {L"C:\\no\\such.dkd --dump", 2, "C:\\no\\such.dkd: the file cannot be opened"},
    };
    for (const ProgramCase& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << std::wstring(c.arguments).c_str());
        auto r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" " + c.arguments, BinDir());
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(c.exitCode, r.exitCode);
        EXPECT_NE(std::string::npos, r.output.find(c.output)) << r.output;
        EXPECT_EQ(1, std::count(r.output.begin(), r.output.end(), '\n')) << r.output;
    }
}

TEST(PaletteProgram, SetsUndoesAndDumpsInTheOrderGiven)
{
    auto r = dktest::RunProcess(
        L"\"" + BinDir() + L"dkpex-palette.exe\" --select 40,42 --set Contents=Porch --journal --undo --journal",
        BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("journal: modeless start OPM_CHGPROP")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("journal: undo Property change (2 values)")) << r.output;

    // A multileader's leader line is selected by the multileader's handle and its index: its own
    // rows only, none of an entity's.
    auto line = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" --select 68#5002 --dump", BinDir(), 60000);
    EXPECT_EQ(0u, line.exitCode) << line.output;
    EXPECT_NE(std::string::npos, line.output.find("Leaders | Arrowhead | ")) << line.output;
    EXPECT_EQ(std::string::npos, line.output.find("| Layer |")) << line.output;

    auto dump = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" --select 30,31 --dump", BinDir(), 60000);
    EXPECT_NE(std::string::npos,
              dump.output.find("Geometry | Radius | DkPePropertyEditorDRVKNumeric | *VARIES* | varies"))
        << dump.output;
}

int Occurrences(const std::string& text, const std::string& needle)
{
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++n;
    return n;
}

// The text a dump shows in the row of that name (the first such row).
std::string DumpText(const std::string& output, const std::string& row)
{
    const size_t line = output.find("| " + row + " | ");
    if (line == std::string::npos)
        return "";
    const size_t text = output.find(" | ", line + row.size() + 4); // past the editor
    const size_t end = text == std::string::npos ? text : output.find(" | ", text + 3);
    return end == std::string::npos ? "" : output.substr(text + 3, end - text - 3);
}

// A feet-and-inches entry typed in architectural units lands as inches in every circle,
// one undoable change, and reads back in the drawing's units.
TEST(PaletteProgram, SetsADistanceInArchitecturalUnits)
{
    dktest::TempDir dir;
    const std::wstring path = dir.Path() + L"arch.dkd";
    const char drawing[] = "drawing name=\"Arch.dkd\"\nsysvar LUNITS 4\nsysvar LUPREC 4\nlayer Walls color=1\n"
                           "entity Circle handle=30 Layer=Walls Center=0,0,0 Radius=5\n"
                           "entity Circle handle=31 Layer=Walls Center=50,0,0 Radius=7.5\n";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, drawing, sizeof(drawing) - 1, &written, nullptr);
    ::CloseHandle(file);

    auto r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" \"" + path +
                                    L"\" --select Circle --set \"Radius=1'-6 1/2\\\"\" --journal --dump --undo --dump",
                                BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(1, Occurrences(r.output, "journal: undo group begin")) << r.output;
    const size_t set = r.output.find("Geometry | Radius | DkPePropertyEditorDRVKNumeric | 1'-6 1/2\" | value");
    ASSERT_NE(std::string::npos, set) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("Geometry | Radius | DkPePropertyEditorDRVKNumeric | *VARIES*", set))
        << "undone: " << r.output;
}
} // namespace

namespace
{
void WriteFileText(const std::wstring& path, const std::string& text)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

// Every entity of a drawing of any size can be selected; a drawing beyond what the host takes
// is refused at once with the line and the reason.
TEST(PaletteProgram, SelectsInALargeDrawingAndRefusesAHostileOneWithWhy)
{
    dktest::TempDir dir;
    std::string large = "layer Walls color=1\n";
    for (int i = 1; i <= 1500; ++i)
        large += "entity Circle handle=C" + std::to_string(i) + " Layer=Walls Radius=" + std::to_string(i) + "\n";
    WriteFileText(dir.Path() + L"large.dkd", large);
    auto r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" \"" + dir.Path() +
                                    L"large.dkd\" --select C1500 --dump",
                                BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("Radius | DkPePropertyEditorDRVKNumeric | 1500.0000")) << r.output;

    std::string hostile = "layer Hatch color=8\nentity Hatch handle=H Coordinates=0,0";
    for (int i = 1; i < 10000; ++i)
        hostile += "," + std::to_string(i % 2 ? i : -i) + "," + std::to_string(i % 3);
    WriteFileText(dir.Path() + L"hostile.dkd", hostile + "\n");
    r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" \"" + dir.Path() + L"hostile.dkd\" --dump",
                           BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(2u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("hostile.dkd:2: Coordinates holds more than 8192 numbers")) << r.output;
    EXPECT_EQ(1, std::count(r.output.begin(), r.output.end(), '\n')) << r.output;

    // A byte order mark is read past; bytes that are no UTF-8 are refused where they stand.
    WriteFileText(dir.Path() + L"bom.dkd",
                  "\xEF\xBB\xBFlayer Walls color=1\nentity Circle handle=B1 Layer=Walls Radius=2\n");
    r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" \"" + dir.Path() + L"bom.dkd\" --select B1 --dump",
                           BinDir(), 60000);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("Radius | DkPePropertyEditorDRVKNumeric | 2.0000")) << r.output;
    WriteFileText(dir.Path() + L"latin1.dkd", "layer Walls\nentity Text TextString=\"Caf\xE9\"\n");
    r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" \"" + dir.Path() + L"latin1.dkd\" --dump", BinDir(),
                           60000);
    EXPECT_EQ(2u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("latin1.dkd:2: the text is not UTF-8")) << r.output;
}

TEST(PaletteProgram, WritesAPictureOfItself)
{
    dktest::TempDir dir;
    const std::wstring path = dir.Path() + L"palette.png";
    auto r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" --select 40,41 --snapshot \"" + path + L"\"",
                                BinDir(), 60000);
    ASSERT_EQ(0u, r.exitCode) << r.output;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    unsigned char header[24] = {};
    DWORD got = 0;
    ::ReadFile(file, header, sizeof(header), &got, nullptr);
    const DWORD size = ::GetFileSize(file, nullptr);
    ::CloseHandle(file);
    ASSERT_EQ(24u, got);
    EXPECT_EQ(0, std::memcmp(header, "\x89PNG\r\n\x1a\n", 8));
    const unsigned width = (header[16] << 24) | (header[17] << 16) | (header[18] << 8) | header[19];
    const unsigned height = (header[20] << 24) | (header[21] << 16) | (header[22] << 8) | header[23];
    EXPECT_EQ(720u, width) << "the whole palette window";
    EXPECT_EQ(640u, height);
    EXPECT_GT(size, 4000u) << "more than one flat colour";
}
} // namespace

namespace
{
// Choices of each origin as the sample offers them; a choice made by name in the list is
// written to every selected object in one change.
TEST(PaletteProgram, ChoosesAnEntryOfEachOrigin)
{
    auto dump = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" --select 46 --dump", BinDir(), 60000);
    EXPECT_NE(std::string::npos, dump.output.find("Text | Justify | DkPePropertyEditorEnum | dkBottomRight | value"))
        << "the type description's constants\n"
        << dump.output;

    auto r = dktest::RunProcess(
        L"\"" + BinDir() + L"dkpex-palette.exe\" --select 45,46 --set \"Justify=Middle centre\" --dump --journal",
        BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("Text | Justify | DkPePropertyEditorEnum | Middle centre | value"))
        << "the first object's browsing names, the type's values: both agree now\n"
        << r.output;
    EXPECT_EQ(1, Occurrences(r.output, "journal: undo group begin")) << r.output;

    auto circles = dktest::RunProcess(L"\"" + BinDir() +
                                          L"dkpex-palette.exe\" --select 30,31 --set \"Fire rating=60 minutes\" "
                                          L"--set Visible=No --dump",
                                      BinDir(), 60000);
    EXPECT_EQ(0u, circles.exitCode) << circles.output;
    EXPECT_NE(std::string::npos,
              circles.output.find("Custom | Fire rating | DkPePropertyEditorEnum | 60 minutes | value"))
        << circles.output;
    EXPECT_NE(std::string::npos, circles.output.find("General | Visible | DkPePropertyEditorBool | No | value"))
        << circles.output;

    // The constraint's form switch is announced around its change; other yes/no rows are not.
    auto form = dktest::RunProcess(L"\"" + BinDir() +
                                       L"dkpex-palette.exe\" --select 67 --set Annotational=Yes --set Visible=No "
                                       L"--journal",
                                   BinDir(), 60000);
    EXPECT_EQ(0u, form.exitCode) << form.output;
    EXPECT_EQ(1, Occurrences(form.output, "journal: modeless start OPM_CHGCONSTRFORM")) << form.output;
    EXPECT_EQ(2, Occurrences(form.output, "journal: modeless start OPM_CHGPROP")) << form.output;
    const size_t start = form.output.find("journal: modeless start OPM_CHGCONSTRFORM");
    const size_t end = form.output.find("journal: modeless end OPM_CHGCONSTRFORM");
    const size_t change = form.output.find("journal: undo group begin");
    EXPECT_TRUE(start < change && change < end) << form.output;

    auto wrong = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" --select 30 --set \"Visible=Maybe\"",
                                    BinDir(), 60000);
    EXPECT_EQ(1u, wrong.exitCode);
    EXPECT_NE(std::string::npos, wrong.output.find("offers no entry \"Maybe\"")) << wrong.output;
}
} // namespace

namespace
{
// The sample's map image has a password: the program shows it only as masks, before and
// after it is set, and the password typed is what the object holds afterwards.
TEST(PaletteProgram, ShowsAPasswordOnlyAsMasks)
{
    auto r = dktest::RunProcess(L"\"" + BinDir() +
                                    L"dkpex-palette.exe\" --select 70 --dump --set \"Map service password=new secret\" "
                                    L"--dump --set \"Map service password=new secret\" --journal",
                                BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(std::string::npos, r.output.find("Tile-Key")) << r.output;
    EXPECT_EQ(std::string::npos, r.output.find("secret")) << r.output;
    std::vector<size_t> lengths;
    const std::string row = "Map service password | DkPePropertyEditorPwdText | ";
    for (size_t at = r.output.find(row); at != std::string::npos; at = r.output.find(row, at + 1))
    {
        const size_t start = at + row.size();
        const std::string text = r.output.substr(start, r.output.find(" | ", start) - start);
        EXPECT_EQ(std::string::npos, text.find_first_not_of(text.substr(0, 1))) << "one mask character: " << text;
        lengths.push_back(text.size());
    }
    EXPECT_EQ((std::vector<size_t>{13, 10}), lengths) << "\"Tile-Key 7731\", then \"new secret\"";
    // The second setting types the same text again: the object holds it, nothing changes.
    EXPECT_EQ(1, Occurrences(r.output, "journal: undo group begin")) << r.output;
}
} // namespace

namespace
{
// A click on a row without its own button, and an answer no prompt takes, end the program with
// exit code 1 and one line.
TEST(PaletteProgram, RefusesAClickWithoutAButtonAndAnAnswerNobodyAsks)
{
    struct Case
    {
        const wchar_t* arguments;
        const char* line;
    };
    for (const Case& c :
         {Case{L"--select 40 --click Contents", "dkpex-palette: the row \"Contents\" has no button to click"},
          Case{L"--select 40 --click Handle", "dkpex-palette: the row \"Handle\" has no editor yet and no button"},
          Case{L"--select 40 --answer \"point 1,2\" --answer cancel --set Contents=Hall",
               "dkpex-palette: no prompt took the answer \"point 1,2\""},
          Case{L"--select 50 --dialog \"1032=Custom;OK\" --set Scale=2 --dialog Cancel",
               "dkpex-palette: no dialog took the answers \"1032=Custom;OK\""}})
    {
        SCOPED_TRACE(c.line);
        auto r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" " + c.arguments, BinDir(), 60000);
        ASSERT_FALSE(r.timedOut) << r.output;
        EXPECT_EQ(1u, r.exitCode) << r.output;
        EXPECT_EQ(0u, r.output.find(c.line)) << r.output;
        EXPECT_EQ(1, Occurrences(r.output, "\n")) << "one line: " << r.output;
    }
}

// A value the row refuses ends the program with exit code 1 and one line: the message the
// row showed (closed, so that nothing waits), or the refusal of a text that does not parse.
TEST(PaletteProgram, PicksAVertexAndMeasuresADistance)
{
    auto r = dktest::RunProcess(L"\"" + BinDir() +
                                    L"dkpex-palette.exe\" --select 39 --set Vertex=2 --set \"Vertex X=15\" "
                                    L"--answer \"point 45,10\" --click \"Vertex X\" --dump --undo --dump",
                                BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    const size_t second = r.output.find("| Vertex X |", r.output.find("| Vertex X |") + 1);
    ASSERT_NE(std::string::npos, second) << r.output;
    EXPECT_EQ("45.0000", DumpText(r.output, "Vertex X")) << r.output;
    EXPECT_EQ("10.0000", DumpText(r.output, "Vertex Y"));
    EXPECT_EQ("2.5000", DumpText(r.output, "Elevation"));
    EXPECT_EQ("15.0000", DumpText(r.output.substr(second - 12), "Vertex X")) << "the pick was one change";

    auto distance = dktest::RunProcess(L"\"" + BinDir() +
                                           L"dkpex-palette.exe\" --select 39 --answer \"point 0,0\" "
                                           L"--answer \"point 30,40\" --click \"Global width\" --dump",
                                       BinDir(), 60000);
    EXPECT_EQ(0u, distance.exitCode) << distance.output;
    EXPECT_EQ("50.0000", DumpText(distance.output, "Global width")) << distance.output;

    auto cancelled = dktest::RunProcess(L"\"" + BinDir() +
                                            L"dkpex-palette.exe\" --select 39 --answer cancel --click \"Vertex Y\" "
                                            L"--dump",
                                        BinDir(), 60000);
    EXPECT_EQ(0u, cancelled.exitCode) << cancelled.output;
    EXPECT_EQ("80.0000", DumpText(cancelled.output, "Vertex Y")) << cancelled.output;
}

TEST(PaletteProgram, AnswersARefusedValueWithOneLineAndExitCode1)
{
    struct Case
    {
        const wchar_t* set;
        const char* line;
    };
    // Refused by the host, by the row's own reading of the text, by a locked layer, by a
    // read-only row: each with why, in one line.
    for (const Case& c :
         {Case{L"30 --set \"Transparency=500\"", "dkpex-palette: the row \"Transparency\" refused \"500\": "},
          Case{L"30 --set \"Transparency=abc\"", "dkpex-palette: the row \"Transparency\" refused \"abc\": The value "
                                                 "was not changed: \"abc\" is not a whole "
                                                 "number"},
          Case{L"30 --set Radius=1e400",
               "dkpex-palette: the row \"Radius\" refused \"1e400\": The value was not changed"},
          Case{L"30 --set Radius=nan", "dkpex-palette: the row \"Radius\" refused \"nan\": The value was not changed"},
          Case{L"30,32 --set Radius=9",
               "dkpex-palette: the row \"Radius\" left the selected objects on a locked layer as they are"},
          Case{L"50,51 --set Area=10", "dkpex-palette: the row \"Area\" is read-only for this selection"}})
    {
        SCOPED_TRACE(c.line);
        auto r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" --select " + c.set, BinDir(), 60000);
        ASSERT_FALSE(r.timedOut) << r.output;
        EXPECT_EQ(1u, r.exitCode) << r.output;
        EXPECT_EQ(0u, r.output.find(c.line)) << r.output;
        EXPECT_EQ(1, Occurrences(r.output, "\n")) << "one line: " << r.output;
    }
    // No refusal: the value the row holds already, an entry named in another letter case, an
    // empty text.
    for (const wchar_t* accepted :
         {L"--select 30 --set Transparency=0", L"--select 30 --set Visible=yes", L"--select 40 --set Contents= --dump",
          L"--select \"\" --dump", L"--select ,,, --dump"})
    {
        auto r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" " + accepted, BinDir(), 60000);
        EXPECT_EQ(0u, r.exitCode) << r.output;
    }
}
} // namespace

// The colour rows from the command line: an entry by its text, any other colour as the
// answer to the colour dialog, the special values of the text fill, and what the dialog or
// the list cannot take.
TEST(PaletteProgram, SetsAColourByItsEntryOrThroughTheColourDialog)
{
    const std::wstring palette = L"\"" + BinDir() + L"dkpex-palette.exe\" ";
    auto r = dktest::RunProcess(palette + L"--select 2A,30 --dump --set \"Color=212,208,200\" --journal --dump",
                                BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("General | Color | DkPePropertyEditorColor | ByLayer | value"))
        << r.output;
    const size_t opened = r.output.find("journal: colour dialog \"ByLayer\" meta yes layer \"7\" tabs 7");
    const size_t chose = r.output.find("journal: colour dialog chose \"212,208,200\"");
    const size_t recent = r.output.find("journal: recent colour \"212,208,200\"");
    const size_t change = r.output.find("journal: undo group begin");
    EXPECT_TRUE(opened < chose && chose < recent && recent < change) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("General | Color | DkPePropertyEditorColor | 212,208,200 | value"))
        << r.output;
    EXPECT_EQ(1, Occurrences(r.output, "journal: undo group begin")) << r.output;

    auto mixed = dktest::RunProcess(palette + L"--select 2B,30 --dump", BinDir(), 60000);
    EXPECT_NE(std::string::npos, mixed.output.find("| Color | DkPePropertyEditorColor | *VARIES* | varies"))
        << mixed.output;
    auto named = dktest::RunProcess(palette + L"--select 30 --dump --set Color=Red --dump", BinDir(), 60000);
    EXPECT_EQ(0u, named.exitCode) << named.output;
    EXPECT_NE(std::string::npos, named.output.find("| Color | DkPePropertyEditorColor | ByLayer (VP) | value"))
        << "the viewport overrides the layer's colour\n"
        << named.output;
    EXPECT_NE(std::string::npos, named.output.find("| Color | DkPePropertyEditorColor | Red | value")) << named.output;

    auto fill = dktest::RunProcess(palette + L"--select 65,66 --dump --set \"Text fill=Empty\" --journal --dump",
                                   BinDir(), 60000);
    EXPECT_EQ(0u, fill.exitCode) << fill.output;
    EXPECT_NE(std::string::npos, fill.output.find("| Text fill | DkPePropertyEditorCustomColor | *VARIES* |"))
        << fill.output;
    EXPECT_NE(std::string::npos, fill.output.find("journal: custom value Empty on 66")) << fill.output;
    EXPECT_NE(std::string::npos, fill.output.find("| Text fill | DkPePropertyEditorCustomColor | Empty | value"))
        << fill.output;

    for (const wchar_t* refused : {L"Color=blah", L"Color=Select Color...", L"Mask color=ByLayer"})
    {
        auto no = dktest::RunProcess(palette + L"--select 45 --set \"" + refused + L"\" --journal", BinDir(), 60000);
        ASSERT_FALSE(no.timedOut);
        EXPECT_EQ(1u, no.exitCode) << no.output;
        EXPECT_EQ(0, Occurrences(no.output, "journal: undo group begin")) << no.output;
    }
}

namespace
{
// The layer row: a layer picked by its entry, the host told around a move to a frozen layer;
// a layer of an external reference and the varies entry are refused.
TEST(PaletteProgram, MovesObjectsToALayerByItsEntry)
{
    const std::wstring palette = L"\"" + BinDir() + L"dkpex-palette.exe\" ";
    auto r = dktest::RunProcess(palette + L"--select 30,31 --set Layer=Furniture --journal --dump", BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    const size_t layerStart = r.output.find("journal: modeless start OPM_CHGLAYER");
    const size_t propStart = r.output.find("journal: modeless start OPM_CHGPROP");
    const size_t propEnd = r.output.find("journal: modeless end OPM_CHGPROP");
    const size_t layerEnd = r.output.find("journal: modeless end OPM_CHGLAYER");
    EXPECT_TRUE(layerStart < propStart && propStart < propEnd && propEnd < layerEnd && layerEnd != std::string::npos)
        << r.output;
    EXPECT_NE(std::string::npos, r.output.find("General | Layer | DkPePropertyEditorLayer | Furniture | value"))
        << r.output;

    for (const wchar_t* refused : {L"--select 30 --set \"Layer=Site|Grid\"", L"--select 30,36 --set Layer=*VARIES*"})
    {
        auto no = dktest::RunProcess(palette + refused, BinDir(), 60000);
        ASSERT_FALSE(no.timedOut);
        EXPECT_EQ(1u, no.exitCode) << no.output;
        EXPECT_NE(std::string::npos, no.output.find("the row \"Layer\" refused")) << no.output;
    }
}
} // namespace

namespace
{
// The lineweight and linetype rows: each picks the entry of the text given; a linetype of an
// external reference is refused.
TEST(PaletteProgram, SetsLineweightsAndLinetypesByTheirEntries)
{
    const std::wstring palette = L"\"" + BinDir() + L"dkpex-palette.exe\" ";
    auto r = dktest::RunProcess(palette + L"--select 30,31 --dump --set \"Lineweight=0.50 mm\" --set Linetype=Hidden "
                                          L"--journal --dump",
                                BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("| Lineweight | DkPePropertyEditorLWeight | *VARIES* | varies"))
        << r.output;
    EXPECT_NE(std::string::npos, r.output.find("| Linetype | DkPePropertyEditorLType | ByLayer (VP) | value"))
        << "Doors' linetype is overridden in the current viewport\n"
        << r.output;
    EXPECT_NE(std::string::npos, r.output.find("| Lineweight | DkPePropertyEditorLWeight | 0.50 mm | value"))
        << r.output;
    EXPECT_NE(std::string::npos, r.output.find("| Linetype | DkPePropertyEditorLType | Hidden | value")) << r.output;
    EXPECT_EQ(2, Occurrences(r.output, "journal: undo group begin")) << r.output;

    auto no = dktest::RunProcess(palette + L"--select 31 --set \"Linetype=Site|Dashdot\"", BinDir(), 60000);
    ASSERT_FALSE(no.timedOut);
    EXPECT_EQ(1u, no.exitCode) << no.output;
    EXPECT_NE(std::string::npos, no.output.find("the row \"Linetype\" refused")) << no.output;
}
} // namespace

namespace
{
TEST(PaletteProgram, SetsAMultilineTextsDirectionByItsEntry)
{
    const std::wstring palette = L"\"" + BinDir() + L"dkpex-palette.exe\" ";
    auto r = dktest::RunProcess(palette + L"--select 45 --set \"Direction=Top to bottom\" --dump", BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("| Direction | DkPePropertyEditorMTextDir | Top to bottom | value"))
        << r.output;
}

// A style by its name: the text that changes style takes the style's settings; a text is
// re-justified in place; a justification a mixed selection cannot share is not offered.
TEST(PaletteProgram, SetsStylesAndJustificationsByTheirNames)
{
    const std::wstring palette = L"\"" + BinDir() + L"dkpex-palette.exe\" ";
    auto r = dktest::RunProcess(palette + L"--select 40,42 --set \"Style=Titles\" --journal --dump", BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("journal: annotative 40 yes")) << r.output;
    EXPECT_EQ(std::string::npos, r.output.find("journal: annotative 42")) << "42 had the style already";
    EXPECT_NE(std::string::npos, r.output.find("| Style | DkPePropertyEditorTextStyle | Titles | value")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("| Width factor | DkPePropertyEditorDRVKNumeric | *VARIES* | varies"))
        << r.output;

    r = dktest::RunProcess(palette + L"--select 40 --set \"Justify=Right\" --dump", BinDir(), 60000);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("| Justify | DkPePropertyEditorTextJustify | Right | value"))
        << r.output;
    // The insertion point moved onto the former one, however the rows show the numbers.
    EXPECT_EQ(0u, DumpText(r.output, "Position X").rfind("-6.5", 0)) << r.output;
    EXPECT_EQ(0u, DumpText(r.output, "Position Y").rfind("10", 0)) << r.output;

    r = dktest::RunProcess(palette + L"--select 40,64 --set \"Justify=Left\"", BinDir(), 60000);
    EXPECT_EQ(1u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("offers no entry \"Left\"")) << r.output;
    EXPECT_EQ(1, std::count(r.output.begin(), r.output.end(), '\n')) << r.output;
}

// A spline holds its layer under a DISPID of its own: the row common to a spline and a
// polyline reads and writes each object's own property.
TEST(PaletteProgram, ARowCommonByNameUsesEachObjectsOwnDispid)
{
    const std::wstring palette = L"\"" + BinDir() + L"dkpex-palette.exe\" ";
    auto r = dktest::RunProcess(palette + L"--select 3A,39 --dump --set Layer=Walls --dump", BinDir(), 60000);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("| Layer | DkPePropertyEditorLayer | *VARIES* | varies")) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("| Layer | DkPePropertyEditorLayer | Walls | value")) << r.output;
}
} // namespace

namespace
{
// The rows edited in the host's dialog.
std::string RunPalette(const std::wstring& arguments, DWORD& exitCode)
{
    auto r = dktest::RunProcess(L"\"" + BinDir() + L"dkpex-palette.exe\" " + arguments, BinDir(), 60000);
    EXPECT_FALSE(r.timedOut) << r.output;
    exitCode = r.exitCode;
    return r.output;
}

// An object's hyperlinks show as their first address, whichever draws the row.
TEST(PaletteProgram, ShowsTheFirstAddressOfAnObjectsHyperlinks)
{
    DWORD rc = 0;
    const std::string one = RunPalette(L"--select 55 --dump", rc);
    EXPECT_EQ(0u, rc) << one;
    EXPECT_EQ("http://example.invalid/site", DumpText(one, "Hyperlink")) << one;
    const std::string none = RunPalette(L"--select 30,31 --dump", rc);
    EXPECT_EQ("", DumpText(none, "Hyperlink")) << none;
    const std::string mixed = RunPalette(L"--select 30,55 --dump", rc);
    EXPECT_EQ("*VARIES*", DumpText(mixed, "Hyperlink")) << mixed;
}

// --set on a row without an edit box to type into opens the row's dialog (its own button, or
// its label) and answers it; --click on such a row opens the dialog for the answers given.
// Each change is one undo group, whichever dialog interface the page offers.
TEST(PaletteProgram, SetsRowsThroughTheirDialogs)
{
    struct Case
    {
        const wchar_t* arguments;
        const char* row;
        const char* shown;
    };
    for (const Case& c : {
             Case{L"--select 30,31 --answer \"http://a.invalid|http://b.invalid\" --click Hyperlink --dump --journal",
                  "Hyperlink", "http://a.invalid"},
             Case{L"--select 46 --set \"Columns=Static 3\" --dump --journal", "Columns", "Static 3"},
             Case{L"--select 56 --set Name=plan-2.png --dump --journal", "Name", "plan-2.png"},
             Case{L"--select 64 --set \"Value=Keep shut\" --dump --journal", "Value", "Keep shut"},
             Case{L"--select 65,66 --answer \"<> min\" --click \"Text override\" --dump --journal", "Text override",
                  "<> min"},
         })
    {
        SCOPED_TRACE(c.row);
        DWORD rc = 0;
        const std::string out = RunPalette(c.arguments, rc);
        EXPECT_EQ(0u, rc) << out;
        EXPECT_EQ(c.shown, DumpText(out, c.row)) << out;
        EXPECT_EQ(1, Occurrences(out, "journal: property page answered")) << out;
        EXPECT_EQ(1, Occurrences(out, "journal: undo group begin")) << out;
    }
}

// A dialog cancelled, or an answer the host refuses, leaves the drawing as it was and ends the
// program with exit code 1 and one line.
TEST(PaletteProgram, ADialogCancelledOrRefusedExitsWithOneLine)
{
    struct Case
    {
        const wchar_t* arguments;
        const char* line;
    };
    for (const Case& c : {
             Case{L"--select 46 --set Columns=cancel", "dkpex-palette: the row \"Columns\": its dialog was cancelled"},
             Case{
                 L"--select 46 --set \"Columns=Static 0\"",
                 "dkpex-palette: the row \"Columns\": its dialog changed nothing: 46 refused \"Static 0\": Columns is"},
             Case{L"--select 30,32 --answer http://c.invalid --click Hyperlink",
                  "dkpex-palette: the row \"Hyperlink\": its dialog changed nothing: 32 refused \"http://c.invalid\": "
                  "The object is on a locked layer."},
             // The first object on a locked layer: the row opens no dialog, by its button or label.
             Case{L"--select 32,30 --click Hyperlink",
                  "dkpex-palette: the row \"Hyperlink\" left the selected objects on a locked layer as they are"},
             Case{L"--select 55 --set Name=x",
                  "dkpex-palette: the row \"Name\" left the selected objects on a locked layer as they are"},
         })
    {
        SCOPED_TRACE(c.line);
        DWORD rc = 0;
        const std::string out = RunPalette(c.arguments, rc);
        EXPECT_EQ(1u, rc) << out;
        EXPECT_EQ(0u, out.find(c.line)) << out;
        EXPECT_EQ(1, Occurrences(out, "\n")) << "one line: " << out;
    }
}
// The hatch rows as a user reaches them: the type through its dialog (filled by --dialog, or
// the entry --set names), the name typed or picked in the host's palette, the lists by entry.
TEST(PaletteProgram, SetsAHatchsPatternThroughItsRows)
{
    struct Case
    {
        const wchar_t* arguments;
        const char* row;
        const char* shown;
    };
    for (const Case& c : {
             Case{L"--select 50 --click Type --dialog \"1032=Custom;1030=MYPAT;OK\" --dump", "Pattern name", "MYPAT"},
             Case{L"--select 57 --set Type=Predefined --dump", "Pattern name", "SOLID"},
             Case{L"--select 50,51 --set \"Pattern name=HONEY\" --dump", "Type", "Predefined"},
             // A custom pattern picked leaves the row's button disabled: the click is over all the same.
             Case{L"--select 50 --answer STONES --click \"Pattern name\" --dump", "Type", "Custom"},
             Case{L"--select 52 --set Gradient=SPHERICAL --dump", "Gradient", "SPHERICAL"},
             Case{L"--select 54 --set \"ISO pen width=1.00 mm\" --dump", "ISO pen width", "1.00 mm"},
         })
    {
        SCOPED_TRACE(c.row);
        DWORD rc = 0;
        const std::string out = RunPalette(c.arguments, rc);
        EXPECT_EQ(0u, rc) << out;
        EXPECT_EQ(c.shown, DumpText(out, c.row)) << out;
    }
    for (const wchar_t* refused :
         {L"--select 50 --click Type --dialog \"1032=Custom;1030=NOWHERE;OK\"",
          L"--select 50,51 --set \"Pattern name=NOWHERE\"", L"--select 53 --set \"Pattern name=NET\""})
    {
        DWORD rc = 0;
        const std::string out = RunPalette(refused, rc);
        EXPECT_EQ(1u, rc) << out;
        EXPECT_EQ(1, Occurrences(out, "\n")) << "one line: " << out;
    }
}

TEST(PaletteProgram, SetsPlotStylesArrowheadsAndBlocksThroughTheirEntriesAndTheHostsAnswers)
{
    struct Case
    {
        const wchar_t* arguments;
        const char* row;
        const char* shown;
    };
    for (const Case& c : {
             Case{L"--select 2A,30 --set \"Plot style=Thin grey\" --dump", "Plot style", "Thin grey"},
             Case{L"--select 2A --answer \"Style 1\" --set \"Plot style=Other...\" --dump", "Plot style", "Style 1"},
             Case{L"--select 2B --dump", "Plot style", "ByLayer (VP)"},
             Case{L"--select 74 --set \"Plot style table=Fine lines.dkps\" --dump", "Plot style table",
                  "Fine lines.dkps"},
             Case{L"--select 65,66 --set \"Arrow 1=Dot\" --dump", "Arrow 1", "Dot"},
             Case{L"--select 65 --answer Arrow --set \"Arrow 1=User Arrow...\" --dump", "Arrow 1", "User Arrow..."},
             Case{L"--select 68#5001 --answer _Dot --set \"Arrowhead=User Arrow...\" --dump", "Arrowhead",
                  "User Arrow..."},
             Case{L"--select 68 --answer Door --set \"Block=User Block...\" --dump", "Block", "User Block..."},
         })
    {
        SCOPED_TRACE(c.row);
        DWORD rc = 0;
        const std::string out = RunPalette(c.arguments, rc);
        EXPECT_EQ(0u, rc) << out;
        EXPECT_EQ(c.shown, DumpText(out, c.row)) << out;
    }
    // A table not installed, a cancelled chooser, a callout of a drawing never saved.
    for (const wchar_t* refused : {L"--select 74 --set \"Plot style table=Contractor.dkps\"",
                                   L"--select 65 --answer cancel --set \"Arrow 1=User Arrow...\"",
                                   L"--select 59 --answer Door --set \"Block=User Block...\""})
    {
        DWORD rc = 0;
        const std::string out = RunPalette(refused, rc);
        EXPECT_EQ(1u, rc) << out;
        EXPECT_EQ(1, Occurrences(out, "\n")) << "one line: " << out;
    }
}
} // namespace

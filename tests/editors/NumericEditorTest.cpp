// The numeric editors over real objects through the palette's container: numbers shown and
// typed in the drawing's units, integer text, sameness at display precision, the full turn
// of an elliptical arc's end angle, and text that is no number.
#include "MessageBoxCatcher.h"
#include "PaletteFixture.h"
#include "TestSupport.h"

#include "DkPEXCtl.h"
#include "dked.h"

#include <cmath>

namespace
{
using dktest::PaletteFixture;

constexpr DISPID kTransparency = 8;
constexpr DISPID kRadius = 101;
constexpr DISPID kEllipseEndAngle = 104;
constexpr double kFullTurn = 6.283185307179586;

class NumericEditor : public PaletteFixture
{
protected:
    void TearDown() override
    {
        PaletteFixture::TearDown();
        SetShort(L"LUNITS", 2);
        SetShort(L"AUNITS", 0);
        SetShort(L"AUPREC", 0);
    }

    static void SetShort(const wchar_t* name, int value)
    {
        resbuf rb{};
        rb.restype = RTSHORT;
        rb.resval.rint = static_cast<short>(value);
        dkedSetVar(name, &rb);
    }

    // A row of the class over the objects, typed as the palette types it, open for editing.
    void Open(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid, int numericType = -1)
    {
        ASSERT_EQ(S_OK, Row(clsid, handles, dispid));
        if (numericType >= 0)
        {
            auto numeric = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeNumericEditor>();
            ASSERT_TRUE(numeric);
            ASSERT_EQ(S_OK, numeric->SetNumericDataType(static_cast<DkPeNumericType>(numericType)));
            ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
        }
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        ASSERT_NE(nullptr, Edit());
    }

    void Enter(const std::wstring& text)
    {
        ::SetWindowTextW(Edit(), text.c_str());
        Key(Edit(), VK_RETURN);
        Pump(0);
    }

    dkfw::UniqueVariant Read(size_t i, DISPID dispid)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v;
    }
    double Real(size_t i, DISPID dispid) { return Read(i, dispid).Get().dblVal; }

    void Write(const wchar_t* handle, DISPID dispid, double value)
    {
        dkfw::ComPtr<IDispatch> d;
        dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), d.Put());
        VARIANT v;
        v.vt = VT_R8;
        v.dblVal = value;
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{&v, &put, 1, 1};
        ASSERT_EQ(S_OK, d->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
    }

    size_t UndoGroups() { return dktest::JournalMatching(L"undo group begin").size(); }
};

TEST_F(NumericEditor, OnlyTheDataTypesAnEditorKnowsAreTaken)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorDRVKNumeric, {L"30"}, kRadius));
    auto drvk = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeNumericEditor>();
    ASSERT_TRUE(drvk);
    for (int type : {0, 1, 2, 6})
        EXPECT_EQ(S_OK, drvk->SetNumericDataType(static_cast<DkPeNumericType>(type))) << type;
    for (int type : {3, 4, 5, 7, -1})
        EXPECT_EQ(E_FAIL, drvk->SetNumericDataType(static_cast<DkPeNumericType>(type))) << type;
    drvk.Reset();
    // The palette asks for the calculator: its button sits at the row's right end.
    auto calculator = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeCalculatorCtrl>();
    ASSERT_TRUE(calculator);
    EXPECT_EQ(S_OK, calculator->SetCalculatorMode(static_cast<USHORT>(VARIANT_TRUE)));
    calculator.Reset();
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_NE(nullptr, Edit(1046));
    RECT button{};
    RECT control{};
    ::GetWindowRect(Edit(1046), &button);
    ::GetWindowRect(Control(), &control);
    EXPECT_EQ(control.right, button.right);
    EXPECT_EQ(control.bottom - control.top, button.right - button.left) << "a square as high as the row";

    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipseEndAngle, {L"37"}, kEllipseEndAngle));
    auto end = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeNumericEditor>();
    ASSERT_TRUE(end);
    for (int type : {0, 1, 2})
        EXPECT_EQ(S_OK, end->SetNumericDataType(static_cast<DkPeNumericType>(type))) << type;
    for (int type : {3, 6})
        EXPECT_EQ(E_FAIL, end->SetNumericDataType(static_cast<DkPeNumericType>(type))) << type;
    end.Reset();
    EXPECT_FALSE(dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeCalculatorCtrl>()) << "no calculator here";

    // The generic editor takes its type from the property and has no data type to set.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorNumeric, {L"30"}, kTransparency));
    EXPECT_FALSE(dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeNumericEditor>());
    EXPECT_TRUE(dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeCalculatorCtrl>());
}

TEST_F(NumericEditor, DistancesReadTheSameAtDisplayPrecisionAndAreWrittenOnce)
{
    Write(L"30", kRadius, 1.00001);
    Write(L"31", kRadius, 1.00002);
    Open(CLSID_DkPePropertyEditorDRVKNumeric, {L"30", L"31"}, kRadius, PE_DRVK_DISTANCE);
    EXPECT_EQ(L"1.0000", WindowText(Edit())) << "the same at four places: no varies";

    const size_t groups = UndoGroups();
    Enter(L"2.5");
    EXPECT_EQ(2.5, Real(0, kRadius));
    EXPECT_EQ(2.5, Real(1, kRadius));
    EXPECT_EQ(groups + 1, UndoGroups());

    // Text that is no distance writes nothing, makes no undo step and says so.
    {
        dktest::MessageBoxCatcher boxes;
        Enter(L"two");
        EXPECT_EQ((std::vector<std::wstring>{L"The value was not changed: \"two\" is not a value this property takes."}),
                  boxes.Texts());
    }
    EXPECT_EQ(2.5, Real(0, kRadius));
    EXPECT_EQ(groups + 1, UndoGroups());

    // A length too long to write in the drawing's units is shown in scientific units.
    m_host.Release();
    Write(L"30", kRadius, 1e120);
    Open(CLSID_DkPePropertyEditorDRVKNumeric, {L"30"}, kRadius, PE_DRVK_DISTANCE);
    EXPECT_EQ(L"1.0000E+120", WindowText(Edit()));
    Write(L"30", kRadius, 2.5);

    // In architectural units the row shows and takes feet and inches.
    m_host.Release();
    SetShort(L"LUNITS", 4);
    Open(CLSID_DkPePropertyEditorDRVKNumeric, {L"30", L"31"}, kRadius, PE_DRVK_DISTANCE);
    EXPECT_EQ(L"2 1/2\"", WindowText(Edit()));
    Enter(L"1'-6 1/2\"");
    EXPECT_EQ(18.5, Real(0, kRadius));
    EXPECT_EQ(18.5, Real(1, kRadius));
    EXPECT_EQ(L"1'-6 1/2\"", WindowText(Edit()));
}

// A read formats what it must and no more: the same number needs no text to be the same,
// and the first object's text is made once however many objects are compared with it.
TEST_F(NumericEditor, AReadFormatsTheFirstValueOnceAndTheSameNumberNever)
{
    std::vector<std::wstring> handles;
    for (int i = 0; i < 6; ++i)
        handles.push_back(dkhost_test::EntityHandle(dkhost_test::AddEntity(L"Circle")));
    std::vector<const wchar_t*> raw;
    for (const auto& h : handles)
        raw.push_back(h.c_str());
    auto conversionsOfARead = [&](double step)
    {
        for (size_t i = 0; i < handles.size(); ++i)
            Write(raw[i], kRadius, 2 + step * static_cast<double>(i));
        const long before = dkhost_test::UnitTextConversions();
        EXPECT_EQ(S_OK, m_host.Control()->Refresh(0));
        return dkhost_test::UnitTextConversions() - before;
    };
    Open(CLSID_DkPePropertyEditorDRVKNumeric, raw, kRadius, PE_DRVK_DISTANCE);
    const long same = conversionsOfARead(0);
    const long close = conversionsOfARead(1e-9);
    EXPECT_EQ(L"2.0000", WindowText(Edit()));
    EXPECT_EQ(same + 6, close) << "the first value once, each other once";
}

TEST_F(NumericEditor, IntegerTextIsDigitsAfterOptionalBlanksAndOneSign)
{
    Open(CLSID_DkPePropertyEditorNumeric, {L"30", L"31"}, kTransparency);
    struct Case
    {
        const wchar_t* typed;
        LONG stored;      // what the objects hold afterwards
        bool hostRefused; // the text converted; the host refused the number
    };
    const Case cases[] = {
        // A refused text leaves what the case before stored.
        {L" 12", 12, false}, {L"1,000", 12, false}, {L" 13 ", 13, false}, {L"+", 13, false},
        {L"+7", 7, false},   {L"", 7, false},       {L"7a", 7, false},   {L"-", 7, false},
        {L" -12", 7, true},  {L"4294967303", 7, false}, // wholly a number, and in range, or refused
    };
    LONG before = 0;
    for (const Case& c : cases)
    {
        const std::string typed(c.typed, c.typed + wcslen(c.typed));
        dktest::MessageBoxCatcher boxes;
        Enter(c.typed);
        for (size_t i = 0; i < 2; ++i)
        {
            dkfw::UniqueVariant v = Read(i, kTransparency);
            ASSERT_EQ(VT_I4, v.Type());
            EXPECT_EQ(c.stored, v.Get().lVal) << "after \"" << typed << "\"";
        }
        // Every text that stores nothing is told, by the row or by the host.
        const bool stored = c.stored != before;
        before = c.stored;
        ASSERT_EQ(stored ? 0u : 1u, boxes.Texts().size()) << "after \"" << typed << "\"";
        if (!stored && !c.hostRefused)
            EXPECT_EQ(L"The value was not changed: \"" + std::wstring(c.typed) +
                          L"\" is not a whole number from -2147483648 to 2147483647.",
                      boxes.Texts()[0]);
    }
    EXPECT_EQ(L"7", WindowText(Edit())) << "the value written reads back in base 10";
}

TEST_F(NumericEditor, AFullTurnTypedStaysAFullTurn)
{
    SetShort(L"AUPREC", 2);
    Open(CLSID_DkPePropertyEditorEllipseEndAngle, {L"37"}, kEllipseEndAngle, PE_DRVK_ANGLE);
    EXPECT_EQ(L"360.00", WindowText(Edit())) << "the sample's ellipse is whole";
    Enter(L"0");
    EXPECT_EQ(0, Real(0, kEllipseEndAngle)) << "a typed zero is zero";
    EXPECT_EQ(L"0.00", WindowText(Edit()));
    Enter(L"360");
    EXPECT_NEAR(kFullTurn, Real(0, kEllipseEndAngle), 1e-12) << "360 converts to 0, which is no end angle";
    EXPECT_EQ(L"360.00", WindowText(Edit()));

    // Grads: the full turn is 400 grads, with or without a decimal part.
    m_host.Release();
    SetShort(L"AUNITS", 2);
    Write(L"37", kEllipseEndAngle, kFullTurn);
    Open(CLSID_DkPePropertyEditorEllipseEndAngle, {L"37"}, kEllipseEndAngle, PE_DRVK_ANGLE);
    EXPECT_EQ(L"400.00g", WindowText(Edit()));
    m_host.Release();
    SetShort(L"AUPREC", 0);
    Open(CLSID_DkPePropertyEditorEllipseEndAngle, {L"37"}, kEllipseEndAngle, PE_DRVK_ANGLE);
    EXPECT_EQ(L"400g", WindowText(Edit()));
}

TEST_F(NumericEditor, TextThatIsNoNumberBecomesTheExpressionWhereOneIsTaken)
{
    for (const wchar_t* handle : {L"30", L"31"})
        dkhost_test::SetExpression(dkhost_test::EntityByHandle(handle), kRadius, true, nullptr);
    Open(CLSID_DkPePropertyEditorDRVKNumeric, {L"30", L"31"}, kRadius, PE_DRVK_DISTANCE);
    const double before = Real(0, kRadius);
    Enter(L"d1/2");
    EXPECT_EQ(before, Real(0, kRadius)) << "the value is the host's to derive";
    m_host.Release();

    // Read again, the row carries the expression on its expression button.
    Open(CLSID_DkPePropertyEditorDRVKNumeric, {L"30", L"31"}, kRadius, PE_DRVK_DISTANCE);
    EXPECT_NE(nullptr, Edit(1047));
}
} // namespace

namespace
{
constexpr DISPID kCircleArea = 104;
constexpr DISPID kPatternScale = 103;

class AreaEditor : public NumericEditor
{
protected:
    // The first circle's area, with the calculator button, open for editing.
    void OpenWithCalculator()
    {
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorNumericArea, {L"30"}, kCircleArea));
        auto calculator = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeCalculatorCtrl>();
        ASSERT_TRUE(calculator);
        ASSERT_EQ(S_OK, calculator->SetCalculatorMode(static_cast<USHORT>(VARIANT_TRUE)));
        calculator.Reset();
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        ASSERT_NE(nullptr, Edit(1046));
    }

    // Reads the row again as the palette does when its objects change.
    std::wstring Reread()
    {
        dkhost_test::ClearJournal();
        EXPECT_EQ(S_OK, m_host.Deactivate());
        EXPECT_EQ(S_OK, m_host.Control()->Refresh(0));
        EXPECT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        return m_host.DrawnText(20);
    }

    // A read-only row has no edit box, or one that takes no typing.
    bool ReadOnlyRow() const
    {
        const HWND edit = Edit();
        return !edit || (::GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);
    }
};

// A host that writes past the units buffer the contract gives it: the row refuses the text
// rather than take it in part (or overrun its own buffer), and works again once it keeps it.
TEST_F(NumericEditor, AHostIgnoringTheUnitsBufferContractGivesTheRowNoText)
{
    Write(L"30", kRadius, 2.5);
    dkhost_test::SetUnitsOverrun(200);
    const dkfw::ScopeExit contract([] { dkhost_test::SetUnitsOverrun(0); });
    Open(CLSID_DkPePropertyEditorDRVKNumeric, {L"30"}, kRadius, PE_DRVK_DISTANCE);
    EXPECT_EQ(L"", WindowText(Edit()));
    m_host.Release();
    SetShort(L"LUNITS", 4);
    Open(CLSID_DkPePropertyEditorNumericArea, {L"30"}, kCircleArea);
    EXPECT_EQ(L"", WindowText(Edit()));
    m_host.Release();
    dkhost_test::SetUnitsOverrun(0);
    SetShort(L"LUNITS", 2);
    Open(CLSID_DkPePropertyEditorDRVKNumeric, {L"30"}, kRadius, PE_DRVK_DISTANCE);
    EXPECT_EQ(L"2.5000", WindowText(Edit()));
}

TEST_F(AreaEditor, FeetAndInchesShowSquareFeetTooAndTakeTheirOwnTextBack)
{
    SetShort(L"LUNITS", 4);
    Write(L"30", kRadius, std::sqrt(144 / 3.14159265358979323846));
    Open(CLSID_DkPePropertyEditorNumericArea, {L"30"}, kCircleArea);
    EXPECT_EQ(L"144.0000 sq in (1.0000 sq ft)", WindowText(Edit()));
    Enter(L"  288.0000 sq in (9 sq ft)");
    EXPECT_NEAR(288, Real(0, kCircleArea), 1e-9) << "the square inches count; the rest is ignored";
    EXPECT_EQ(L"288.0000 sq in (2.0000 sq ft)", WindowText(Edit()));
    Enter(L"2 sq ft");
    EXPECT_NEAR(288, Real(0, kCircleArea), 1e-9) << "square feet said are square feet";
    Enter(L"2 sq in");
    EXPECT_NEAR(2, Real(0, kCircleArea), 1e-9);
    {
        dktest::MessageBoxCatcher boxes;
        Enter(L"3 garbage");
        EXPECT_EQ(1u, boxes.Texts().size()) << "what follows the number is the row's own text, or refused";
    }
    EXPECT_NEAR(2, Real(0, kCircleArea), 1e-9);
    {
        dktest::MessageBoxCatcher boxes;
        Enter(L"sq in");
        EXPECT_EQ(1u, boxes.Texts().size());
    }
    EXPECT_NEAR(2, Real(0, kCircleArea), 1e-9) << "no number, nothing written";

    // The calculator gets the square feet and gives back square inches or plain numbers.
    m_host.Release();
    OpenWithCalculator();
    EXPECT_EQ(L"1.0000 sq ft", Calculate(L"144.0000 sq in (1.0000 sq ft)", L"1.0000 sq ft * 3"));
    EXPECT_EQ(L"432.0000 sq in (3.0000 sq ft)", WindowText(Edit())) << "written and read back";
    EXPECT_NEAR(432, Real(0, kCircleArea), 1e-9);
    EXPECT_EQ(L"3.0000 sq ft", Calculate(L"  432.0000 sq in (3.0000 sq ft))", L"500"));
    EXPECT_NEAR(500, Real(0, kCircleArea), 1e-9) << "a plain number is taken as square inches";
    for (const wchar_t* notAnArea : {L"1,2,3", L"3'", L"cancel"})
    {
        Calculate(L"500.0000 sq in (3.4722 sq ft)", notAnArea);
        EXPECT_EQ(L"500.0000 sq in (3.4722 sq ft)", WindowText(Edit())) << notAnArea;
        EXPECT_NEAR(500, Real(0, kCircleArea), 1e-9) << notAnArea;
    }

    // Decimal units: the number alone, typed as the property's type.
    m_host.Release();
    SetShort(L"LUNITS", 2);
    OpenWithCalculator();
    EXPECT_EQ(L"500.0000", WindowText(Edit()));
    EXPECT_EQ(L"500.0000", Calculate(L"500.0000", L"cancel")) << "nothing to cut";
    {
        dktest::MessageBoxCatcher boxes;
        Enter(L"250 sq in");
        EXPECT_EQ(1u, boxes.Texts().size());
    }
    EXPECT_NEAR(500, Real(0, kCircleArea), 1e-9);
    Enter(L"250");
    EXPECT_NEAR(250, Real(0, kCircleArea), 1e-9);
}

TEST_F(AreaEditor, SeveralHatchesAlternateBetweenTheirUnionAndTheirOwnValues)
{
    // Any property of two hatches: every other read is the area of their union, and the row
    // that showed it stays read-only.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorNumericArea, {L"50", L"51"}, kPatternScale));
    std::wstring texts[2] = {Reread(), L""};
    const size_t unionRegions = dktest::JournalMatching(L"region of hatch").size();
    texts[1] = Reread();
    const size_t otherRegions = dktest::JournalMatching(L"region of hatch").size();
    EXPECT_EQ(2u, unionRegions + otherRegions) << "one region per hatch, on one of the two reads";
    const std::wstring& united = unionRegions ? texts[0] : texts[1];
    const std::wstring& own = unionRegions ? texts[1] : texts[0];
    EXPECT_EQ(L"9612.0000", united) << "9600 + 60 less their 48 in common";
    EXPECT_EQ(L"*VARIES*", own);
    EXPECT_TRUE(ReadOnlyRow()) << "after the union, whatever the next read shows";
    EXPECT_EQ(0, dkhost_test::LiveRegions());
    m_host.Release();

    // One hatch, or a hatch with another object, reads as it is, each time.
    for (std::vector<const wchar_t*> handles : {std::vector<const wchar_t*>{L"50"}, {L"50", L"30"}})
    {
        Open(CLSID_DkPePropertyEditorNumericArea, handles, kPatternScale);
        const std::wstring first = Reread();
        EXPECT_EQ(first, Reread()) << "no alternation";
        EXPECT_TRUE(dktest::JournalMatching(L"region of hatch").empty());
        EXPECT_FALSE(ReadOnlyRow());
        m_host.Release();
    }

    // A hatch without a boundary has no region: the union read fails and frees what it made.
    const LONG_PTR bare = dkhost_test::AddEntity(L"Hatch");
    Open(CLSID_DkPePropertyEditorNumericArea, {L"50", dkhost_test::EntityHandle(bare)}, kPatternScale);
    size_t made = 0;
    for (int i = 0; i < 2; ++i)
    {
        Reread();
        made += dktest::JournalMatching(L"region of hatch").size();
    }
    EXPECT_EQ(1u, made) << "the first hatch's region is made, the second's is not";
    EXPECT_EQ(0, dkhost_test::LiveRegions());
}
// Run by the next test, from a folder that lacks the calculator's module.
TEST_F(AreaEditor, DISABLED_CalculatorButtonWithoutItsModule)
{
    ASSERT_EQ(nullptr, ::GetModuleHandleW(L"DkMgd.dll"));
    OpenWithCalculator();
    Enter(L"123");
    ASSERT_EQ(L"123.0000", WindowText(Edit()));
    dkhost_test::ClearJournal();
    dkhost_test::PushAnswer(L"5");
    ::SendMessageW(Edit(1046), BM_CLICK, 0, 0);
    Pump(0);
    EXPECT_TRUE(dktest::JournalMatching(L"calculator").empty());
    EXPECT_EQ(1, dkhost_test::PendingAnswers()) << "nobody asked the user";
    EXPECT_EQ(L"123.0000", WindowText(Edit()));
    EXPECT_NEAR(123, Real(0, kCircleArea), 1e-9);
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"DkMgd.dll"));
}

TEST(CalculatorModule, WithoutItTheCalculatorButtonDoesNothing)
{
    // The child registers the component of its own folder (the host loads one copy only);
    // the build's registration is put back afterwards.
    dktest::TempDir dir;
    for (const wchar_t* f : {L"editors_test.exe", L"DkHost.dll", L"DkPEXCtl.drx", L"DkPEXCtlRes.dll"})
        ASSERT_TRUE(dir.CopyFromBin(f)) << f;
    dktest::RunTestAlone(dir.Path() + L"editors_test.exe", L"AreaEditor.DISABLED_CalculatorButtonWithoutItsModule",
                         dir.Path());
    EXPECT_EQ(S_OK, dkhost_test::InstallModule((dktest::BinDir() + L"DkPEXCtl.drx").c_str(), nullptr));
}
} // namespace

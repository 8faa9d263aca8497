// The numeric editors over real objects through the palette's container: numbers shown and
// typed in the drawing's units, integer text, sameness at display precision, the full turn
// of an elliptical arc's end angle, and text that is no number.
#include "MessageBoxCatcher.h"
#include "PaletteFixture.h"

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

    // Text that is no distance writes nothing and makes no undo step.
    Enter(L"two");
    EXPECT_EQ(2.5, Real(0, kRadius));
    EXPECT_EQ(groups + 1, UndoGroups());

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
        {L" 12", 12, false}, {L"12 ", 12, false}, {L"1,000", 1, false}, {L"+", 1, false},   {L"+7", 7, false},
        {L"", 7, false},     {L"7a", 7, false},   {L"-", 7, false},     {L" -12", 7, true},
    };
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
        EXPECT_EQ(c.hostRefused ? 1u : 0u, boxes.Texts().size()) << "after \"" << typed << "\"";
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

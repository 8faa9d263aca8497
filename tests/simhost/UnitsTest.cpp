// The host's unit conversions, mode by mode: the texts the host writes, the texts users
// type, round trips at every precision, and hostile text.
#include "Calculator.h"
#include "DkHostTest.h"
#include "dkcm.h"
#include "dked.h"
#include "dkunits.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{
void SetShort(const wchar_t* name, int value)
{
    resbuf rb{};
    rb.restype = RTSHORT;
    rb.resval.rint = static_cast<short>(value);
    ASSERT_EQ(RTNORM, dkedSetVar(name, &rb));
}

void SetReal(const wchar_t* name, double value)
{
    resbuf rb{};
    rb.restype = RTREAL;
    rb.resval.rreal = value;
    ASSERT_EQ(RTNORM, dkedSetVar(name, &rb));
}

std::wstring RToS(double v, int unit, int prec)
{
    wchar_t buf[kDkUnitsBufferSize] = {};
    return dkdbRToS(v, unit, prec, buf) == RTNORM ? buf : L"<error>";
}

std::wstring AngToS(double v, int unit, int prec)
{
    wchar_t buf[kDkUnitsBufferSize] = {};
    return dkdbAngToS(v, unit, prec, buf) == RTNORM ? buf : L"<error>";
}

class Units : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetShort(L"DIMZIN", 0);
        SetShort(L"UNITMODE", 0);
        SetReal(L"ANGBASE", 0);
        SetShort(L"ANGDIR", 0);
    }
};

struct LinearCase
{
    double value;
    int unit;
    int prec;
    int dimzin;
    int unitmode;
    const wchar_t* text;
};

TEST_F(Units, LinearTextInEveryMode)
{
    const LinearCase cases[] = {
        // 17.5 in each mode, report and input formats.
        {17.5, 1, 4, 0, 0, L"1.7500E+01"},
        {17.5, 2, 2, 0, 0, L"17.50"},
        {17.5, 3, 2, 0, 0, L"1'-5.50\""},
        {17.5, 4, 2, 0, 0, L"1'-5 1/2\""},
        {17.5, 5, 2, 0, 0, L"17 1/2"},
        {17.5, 3, 2, 0, 1, L"1'5.50\""},
        {17.5, 4, 2, 0, 1, L"1'5-1/2\""},
        {17.5, 5, 2, 0, 1, L"17-1/2"},
        // Scientific: small, negative, rounding into the next power.
        {0.00123, 1, 2, 0, 0, L"1.23E-03"},
        {-250, 1, 1, 0, 0, L"-2.5E+02"},
        {9.9999, 1, 2, 0, 0, L"1.00E+01"},
        {0, 1, 2, 0, 0, L"0.00E+00"},
        // Decimal with zero suppression.
        {0.5, 2, 4, 4, 0, L".5000"},
        {12.5, 2, 4, 8, 0, L"12.5"},
        {12, 2, 4, 8, 0, L"12"},
        {0.25, 2, 4, 12, 0, L".25"},
        {-0.00001, 2, 2, 0, 0, L"0.00"},
        // Feet and inches: zero feet, zero inches, carries.
        {5.5, 3, 2, 0, 0, L"5.50\""},
        {12, 3, 2, 0, 0, L"1'"},
        {12, 3, 2, 1, 0, L"1'-0.00\""},
        {5.5, 3, 2, 1, 0, L"0'-5.50\""},
        {23.999, 3, 2, 0, 0, L"2'"},
        {0, 4, 2, 0, 0, L"0\""},
        {0.5, 4, 4, 0, 0, L"1/2\""},
        {12.5, 4, 3, 0, 0, L"1'-0 1/2\""},
        {12.5, 4, 3, 3, 0, L"1'-0 1/2\""},
        {0.5, 4, 3, 1, 0, L"0'-0 1/2\""},
        {-18, 4, 0, 0, 0, L"-1'-6\""},
        {17.96875, 4, 2, 0, 0, L"1'-6\""},
        // Fractions of up to 1/256, reduced.
        {0.75, 5, 8, 0, 0, L"3/4"},
        {3.00390625, 5, 8, 0, 0, L"3 1/256"},
        {2.9, 5, 0, 0, 0, L"3"},
    };
    for (const LinearCase& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.value << " unit " << c.unit << " prec " << c.prec << " dimzin "
                                          << c.dimzin << " unitmode " << c.unitmode);
        SetShort(L"DIMZIN", c.dimzin);
        SetShort(L"UNITMODE", c.unitmode);
        EXPECT_EQ(c.text, RToS(c.value, c.unit, c.prec));
    }
}

TEST_F(Units, TypedDistancesInEveryForm)
{
    const std::pair<const wchar_t*, double> cases[] = {
        {L"5'", 60},           {L"60\"", 60},         {L"5'9\"", 69},       {L"5'-9\"", 69},     {L"5' 9\"", 69},
        {L"5'-9 1/2\"", 69.5}, {L"5' 9-1/2\"", 69.5}, {L"9 1/2\"", 9.5},    {L"3/4\"", 0.75},    {L"-1'6\"", -18},
        {L"1.5E+01", 15},      {L"  17.5  ", 17.5},   {L"1'-5.50\"", 17.5}, {L"1'5.50\"", 17.5}, {L"1'5-1/2\"", 17.5},
        {L"17 1/2", 17.5},     {L"17-1/2", 17.5},     {L".5", 0.5},         {L"+2", 2},          {L"1.7500E+01", 17.5},
    };
    for (const auto& [text, value] : cases)
    {
        SCOPED_TRACE(::testing::Message() << std::wstring(text).c_str());
        double v = -1;
        for (int unit = 1; unit <= 5; ++unit)
        {
            ASSERT_EQ(RTNORM, dkdbDisToF(text, unit, &v));
            EXPECT_NEAR(value, v, 1e-12);
        }
    }
}

TEST_F(Units, AngleTextInEveryMode)
{
    const double quarter = 0.785398;
    struct Case
    {
        double value;
        int unit;
        int prec;
        const wchar_t* text;
    };
    const Case cases[] = {
        {quarter, 0, 4, L"45.0000"},
        {-quarter, 0, 4, L"315.0000"},
        {quarter, 2, 4, L"50.0000g"},
        {quarter, 3, 4, L"0.7854r"},
        {quarter, 4, 0, L"N 45d E"},
        {-quarter, 4, 0, L"S 45d E"},
        {0.794197, 1, 4, L"45d30'15\""},
        {0.794197, 1, 2, L"45d30'"},
        {0.794197, 1, 0, L"46d"},
        {3 * quarter, 4, 2, L"N 45d0' W"},
        {0, 4, 0, L"E"},
        {2 * quarter, 4, 0, L"N"},
        {6.2831852, 0, 4, L"0.0000"},
        {6.283, 3, 2, L"6.28r"}, // below a full turn at any precision: no wrap to 0
        {5.6, 3, 0, L"6r"},
        {6.2751, 3, 2, L"6.28r"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.value << " unit " << c.unit << " prec " << c.prec);
        EXPECT_EQ(c.text, AngToS(c.value, c.unit, c.prec));
    }
    SetShort(L"UNITMODE", 1);
    EXPECT_EQ(L"N45dE", AngToS(quarter, 4, 0));
}

TEST_F(Units, AnglesFollowTheDrawingsBaseAndDirection)
{
    const double quarter = std::atan(1.0);
    SetReal(L"ANGBASE", 2 * quarter); // north is 0
    EXPECT_EQ(L"315.0000", AngToS(quarter, 0, 4));
    wchar_t raw[kDkUnitsBufferSize];
    ASSERT_EQ(RTNORM, dkdbRawAngToS(quarter, 0, 4, raw));
    EXPECT_STREQ(L"45.0000", raw) << "raw angles ignore the base";
    SetShort(L"ANGDIR", 1); // clockwise
    EXPECT_EQ(L"45.0000", AngToS(quarter, 0, 4));
    double back = 0;
    ASSERT_EQ(RTNORM, dkdbAngToF(L"45", 0, &back));
    EXPECT_NEAR(quarter, back, 1e-12);
}

TEST_F(Units, TypedAngles)
{
    const double degree = std::atan(1.0) / 45;
    const std::pair<const wchar_t*, double> cases[] = {
        {L"45.0000", 45 * degree},      {L"45d30'15\"", (45 + 30 / 60.0 + 15 / 3600.0) * degree},
        {L"50g", 45 * degree},          {L"0.7854r", 0.7854},
        {L"N 45d30' E", 44.5 * degree}, {L"S 45d E", 315 * degree},
        {L"n45dw", 135 * degree},       {L"W", 180 * degree},
        {L" -90 ", 270 * degree},
    };
    for (const auto& [text, value] : cases)
    {
        SCOPED_TRACE(::testing::Message() << std::wstring(text).c_str());
        double v = -1;
        ASSERT_EQ(RTNORM, dkdbAngToF(text, 0, &v));
        EXPECT_NEAR(value, v, 1e-9);
    }
    double v = 0;
    ASSERT_EQ(RTNORM, dkdbAngToF(L"50", 2, &v)) << "a plain number is in the given unit";
    EXPECT_NEAR(45 * degree, v, 1e-12);
}

// Text the host writes reads back to a number it writes the same way, for random values in
// every mode and precision.
// Half of the last place a text written at this precision shows, in drawing units (inches
// for the feet-and-inches modes) or radians.
double HalfUnit(double value, int unit, int prec)
{
    switch (unit)
    {
    case 1: // scientific: a relative place
        return 0.5 * std::pow(10.0, std::floor(std::log10(std::fabs(value))) - prec) * 1.0000001;
    case 4:
    case 5: // fractions of 1/2^prec
        return 0.5 / std::pow(2.0, prec);
    default:
        return 0.5 * std::pow(10.0, -prec);
    }
}

double HalfAngleUnit(int unit, int prec)
{
    const double degree = 3.14159265358979323846 / 180;
    switch (unit)
    {
    case 0:
        return 0.5 * std::pow(10.0, -prec) * degree;
    case 2:
        return 0.5 * std::pow(10.0, -prec) * degree * 0.9; // grads
    case 3:
        return 0.5 * std::pow(10.0, -prec);
    default: // degrees, minutes, seconds, then decimals of seconds
    {
        const double place = prec == 0   ? degree
                             : prec <= 2 ? degree / 60
                                         : degree / 3600 * std::pow(10.0, -(prec - 4 > 0 ? prec - 4 : 0));
        return 0.5 * place;
    }
    }
}

// A text read back lies within half of its last place of the value written, in every mode
// and at every precision, and writes the same text again.
TEST_F(Units, RoundTripsInEveryModeAndPrecision)
{
    std::mt19937_64 random(20261205);
    std::uniform_real_distribution<double> magnitude(-6, 5);
    for (int unitmode = 0; unitmode <= 1; ++unitmode)
    {
        SetShort(L"UNITMODE", unitmode);
        for (int unit = 1; unit <= 5; ++unit)
            for (int prec = 0; prec <= 8; ++prec)
                for (int i = 0; i < 40; ++i)
                {
                    const double value = (i % 2 ? -1 : 1) * std::pow(10.0, magnitude(random));
                    const std::wstring text = RToS(value, unit, prec);
                    double back = 0;
                    ASSERT_EQ(RTNORM, dkdbDisToF(text.c_str(), unit, &back)) << std::string(text.begin(), text.end());
                    EXPECT_EQ(text, RToS(back, unit, prec)) << value << " unit " << unit << " prec " << prec;
                    EXPECT_LE(std::fabs(back - value), HalfUnit(value, unit, prec) * (1 + 1e-9) + 1e-12)
                        << value << " unit " << unit << " prec " << prec;
                }
        for (int unit = 0; unit <= 4; ++unit)
            for (int prec = 0; prec <= 8; ++prec)
                for (int i = 0; i < 40; ++i)
                {
                    const double value = std::uniform_real_distribution<double>(-10, 10)(random);
                    const std::wstring text = AngToS(value, unit, prec);
                    double back = 0;
                    ASSERT_EQ(RTNORM, dkdbAngToF(text.c_str(), unit, &back)) << std::string(text.begin(), text.end());
                    EXPECT_EQ(text, AngToS(back, unit, prec)) << value << " unit " << unit << " prec " << prec;
                    // The same direction: the difference is a whole number of turns.
                    const double turns = (back - value) / (2 * 3.14159265358979323846);
                    EXPECT_LE(std::fabs(turns - std::round(turns)) * 2 * 3.14159265358979323846,
                              HalfAngleUnit(unit, prec) * (1 + 1e-9) + 1e-12)
                        << value << " unit " << unit << " prec " << prec;
                }
    }
}

TEST_F(Units, ResultsThatDoNotFitAndBadArgumentsFailCleanly)
{
    wchar_t buf[kDkUnitsBufferSize];
    double v = 0;
    EXPECT_EQ(RTERROR, dkdbRToS(1e300, 2, 8, buf));
    EXPECT_EQ(RTERROR, dkdbRToS(std::nan(""), 2, 2, buf));
    EXPECT_EQ(RTERROR, dkdbRToS(INFINITY, 1, 2, buf));
    EXPECT_EQ(RTREJ, dkdbRToS(1, 7, 2, buf));
    EXPECT_EQ(RTREJ, dkdbRToS(std::nan(""), 7, 2, buf)) << "a bad unit is told first";
    EXPECT_EQ(RTREJ, dkdbAngToS(INFINITY, 9, 2, buf));
    // Every finite value whose text fits is written: large decimals, the smallest subnormal.
    ASSERT_EQ(RTNORM, dkdbRToS(1e12, 2, 4, buf));
    EXPECT_STREQ(L"1000000000000.0000", buf);
    // Feet and inches, and fractions, beyond an integer count of their parts.
    ASSERT_EQ(RTNORM, dkdbRToS(1e8, 3, 8, buf));
    EXPECT_STREQ(L"8333333'-4.00000000\"", buf);
    ASSERT_EQ(RTNORM, dkdbRToS(-1e14, 4, 8, buf));
    EXPECT_STREQ(L"-8333333333333'-4\"", buf);
    ASSERT_EQ(RTNORM, dkdbDisToF(buf, 4, &v));
    EXPECT_EQ(-1e14, v);
    ASSERT_EQ(RTNORM, dkdbRToS(1e14 + 0.5, 5, 8, buf));
    EXPECT_STREQ(L"100000000000000 1/2", buf);
    ASSERT_EQ(RTNORM, dkdbRToS(4.9e-324, 1, 4, buf));
    EXPECT_STREQ(L"4.9407E-324", buf);
    ASSERT_EQ(RTNORM, dkdbRToS(-1.7976931348623157e308, 1, 8, buf));
    EXPECT_EQ(RTNORM, dkdbDisToF(buf, 1, &v)) << "the largest value reads back at full precision";
    // Digits of other scripts are not read as digits: the text is refused, never read as 0.
    EXPECT_EQ(RTERROR, dkdbDisToF(L"\xFF11\xFF12", 2, &v));
    EXPECT_EQ(RTERROR, dkdbAngToF(L"\x0661\x0662", 0, &v));
    ASSERT_EQ(RTNORM, dkdbRawAngToF(L"-3e-19", 3, &v));
    EXPECT_LT(v, 2 * 3.14159265358979323846) << "parsed angles stay below a full turn";
    EXPECT_EQ(RTREJ, dkdbRToS(1, 2, 9, buf));
    EXPECT_EQ(RTREJ, dkdbAngToS(1, 5, 2, buf));
    EXPECT_EQ(RTERROR, dkdbDisToF(nullptr, 2, &v));
    EXPECT_EQ(RTERROR, dkdbDisToF(L"1", 2, nullptr));
}

// Random and hostile text never crashes or overruns: it converts or fails cleanly.
TEST_F(Units, HostileTextConvertsOrFails)
{
    const wchar_t* fixed[] = {
        L"",         L"   ",  L"'",   L"\"",   L"''",  L"1'2'3", L"1/2/3",   L"1/0",  L"0/0",
        L"1E99999",  L"-",    L"--1", L"1..2", L"1e",  L"N",     L"N 91d E", L"NE",   L"45d45d",
        L"\x01\x02", L"1\t2", L"d",   L"g",    L"1'-", L"1' -",  L"/2",      L"1 /2", L"9999999999999999999999",
    };
    double v = 0;
    for (const wchar_t* text : fixed)
    {
        const int a = dkdbDisToF(text, 2, &v);
        const int b = dkdbAngToF(text, 0, &v);
        EXPECT_TRUE(a == RTNORM || a == RTERROR);
        EXPECT_TRUE(b == RTNORM || b == RTERROR);
        if (a == RTNORM || b == RTNORM)
        {
            EXPECT_TRUE(std::isfinite(v));
        }
    }
    // Every parser in every mode: a number that is finite, or a clean refusal; a digit of
    // another script is never read (nor read as 0).
    std::mt19937 random(42);
    const std::wstring alphabet = L"0123456789 -+.'\"/eEdgrNSEWnsew\t\x01\x0661\xFF12\x0966";
    auto foreignDigit = [](const std::wstring& t)
    { return t.find_first_of(L"\x0661\xFF12\x0966") != std::wstring::npos; };
    for (int i = 0; i < 20000; ++i)
    {
        std::wstring text(random() % (i % 100 == 0 ? 600 : 24), L' ');
        for (wchar_t& c : text)
            c = alphabet[random() % alphabet.size()];
        const int unit = static_cast<int>(random() % 5);
        const bool foreign = foreignDigit(text);
        for (int which = 0; which < 3; ++which)
        {
            v = 0;
            const int r = which == 0   ? dkdbDisToF(text.c_str(), unit + 1, &v)
                          : which == 1 ? dkdbAngToF(text.c_str(), unit, &v)
                                       : dkdbRawAngToF(text.c_str(), unit, &v);
            ASSERT_TRUE(r == RTNORM || r == RTERROR);
            if (r == RTNORM)
            {
                ASSERT_TRUE(std::isfinite(v)) << which << " unit " << unit;
                ASSERT_FALSE(foreign) << which << " unit " << unit << ": a foreign digit was read";
            }
        }
    }
    // A number with one digit swapped for a digit of another script is refused.
    const wchar_t* foreignDigits[] = {L"\x0660", L"\x06F5", L"\x0967", L"\xFF19", L"\x1810"};
    for (int i = 0; i < 2000; ++i)
    {
        std::wstring text = std::to_wstring(static_cast<int>(random() % 100000));
        text.replace(random() % text.size(), 1, foreignDigits[random() % 5]);
        EXPECT_EQ(RTERROR, dkdbDisToF(text.c_str(), 2, &v));
        EXPECT_EQ(RTERROR, dkdbAngToF(text.c_str(), 0, &v));
    }
    std::uniform_real_distribution<double> any(-1e20, 1e20);
    wchar_t buf[kDkUnitsBufferSize + 8];
    for (int i = 0; i < 5000; ++i)
    {
        buf[kDkUnitsBufferSize] = L'#';
        dkdbRToS(any(random) * std::pow(10.0, static_cast<int>(random() % 40) - 20), 1 + static_cast<int>(random() % 5),
                 static_cast<int>(random() % 9), buf);
        ASSERT_EQ(L'#', buf[kDkUnitsBufferSize]) << "never past the buffer";
    }
}

// The host's calculator as the scripted user answers it: expressions over the drawing's
// units, points, refusals and cancelling, each call journaled with its input.
TEST_F(Units, CalculatorEvaluatesTheAnswerInTheDrawingsUnits)
{
    SetShort(L"LUNITS", 4);
    struct Case
    {
        const wchar_t* answer;
        bool accepted;
        int kind;
        double real;
        int lengthPower;
    };
    const Case cases[] = {
        {L"6*3", true, 1, 18, 0},
        {L"-(1+2)/4", true, 1, -0.75, 0},
        {L"1'-6 1/2\"", true, 2, 18.5, 1},
        {L"1'-6\" + 2\"", true, 2, 20, 1},
        {L"2' * 3'", true, 2, 864, 2},
        {L"", true, 3, 0, 0},
        {L"1/0", false, 3, 0, 0},
        {L"2*(3", false, 3, 0, 0},
        {L"abc", false, 3, 0, 0},
        {L"1\" + 2", false, 3, 0, 0},
        {L"cancel", false, 3, 0, 0},
        {L"66.75 sq ft", true, 2, 9612, 2},
        {L"10 sq in + 1 sq ft", true, 2, 154, 2},
        {L"2 sq ft / 3\"", true, 2, 96, 1},
        {L"x sq ft", false, 3, 0, 0},
    };
    for (const Case& c : cases)
    {
        dkhost_test::ClearJournal();
        dkhost_test::PushAnswer(c.answer);
        CalculatorResult r;
        EXPECT_EQ(c.accepted, dkcalInvokeDialog(&r, L"Calculator", L"0' 6\"", true)) << c.answer;
        EXPECT_EQ(0, dkhost_test::PendingAnswers());
        ASSERT_LE(1, dkhost_test::JournalSize());
        EXPECT_STREQ(L"calculator \"Calculator\" input \"0' 6\"\"", dkhost_test::JournalEntry(0));
        if (!c.accepted)
            continue;
        EXPECT_EQ(c.kind, r.kind) << c.answer;
        EXPECT_NEAR(c.real, r.real, 1e-9) << c.answer;
        EXPECT_EQ(c.lengthPower, r.unit.LengthPower()) << c.answer;
    }

    // Nesting has a bound: a deep expression still evaluates; a run of parentheses or signs
    // that no user types is refused instead of overflowing the stack.
    const std::wstring answers[] = {std::wstring(200, L'(') + L"7" + std::wstring(200, L')'),
                                    std::wstring(200000, L'('), std::wstring(200000, L'-') + L"1"};
    for (const std::wstring& answer : answers)
    {
        const bool deepButFair = &answer == &answers[0];
        dkhost_test::PushAnswer(answer.c_str());
        CalculatorResult r;
        EXPECT_EQ(deepButFair, dkcalInvokeDialog(&r, L"Calculator", L"", true)) << answer.size();
        if (deepButFair)
        {
            EXPECT_EQ(7, r.real);
        }
    }

    dkhost_test::PushAnswer(L"1, 2.5, -3");
    CalculatorResult point;
    ASSERT_TRUE(dkcalInvokeDialog(&point, L"Calculator", L"", true));
    EXPECT_EQ(0, point.kind);
    EXPECT_EQ(2.5, point.point[1]);
    EXPECT_EQ(-3, point.point[2]);

    // A read-only property's value is shown, never taken.
    dkhost_test::PushAnswer(L"5");
    CalculatorResult shown;
    EXPECT_FALSE(dkcalInvokeDialog(&shown, L"Calculator", L"4", false));
    EXPECT_EQ(3, shown.kind);
    EXPECT_TRUE(DkCalCompoundUnit(2).IsArea() && DkCalCompoundUnit().IsUnitless());
    SetShort(L"LUNITS", 2);
}
// With nobody scripted the user meets a real dialog: it shows the input, says why an
// expression does not evaluate and keeps asking, and hands back what it evaluated.
namespace
{
struct DialogScript
{
    std::vector<std::wstring> typed; // entered in turn, each followed by OK
    std::wstring input;              // what the edit box showed first
    std::vector<std::wstring> messages;
    bool okEnabled = true;
    size_t step = 0;
};
DialogScript* g_script = nullptr;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = ::FindWindowW(L"DkHostInputDialog", nullptr);
    if (!dialog || !g_script)
        return;
    HWND edit = ::GetDlgItem(dialog, 100);
    HWND message = ::GetDlgItem(dialog, 101);
    wchar_t text[256] = {};
    if (g_script->step == 0)
    {
        ::GetWindowTextW(edit, text, 256);
        g_script->input = text;
        g_script->okEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, IDOK));
    }
    else
    {
        ::GetWindowTextW(message, text, 256);
        g_script->messages.emplace_back(text);
    }
    if (g_script->step < g_script->typed.size())
    {
        ::SetWindowTextW(edit, g_script->typed[g_script->step].c_str());
        ++g_script->step;
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return;
    }
    ::KillTimer(nullptr, timer);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

template <class Show> bool RunScriptedDialog(DialogScript& script, Show show)
{
    g_script = &script;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &DriveDialog);
    const bool accepted = show();
    ::KillTimer(nullptr, timer);
    g_script = nullptr;
    return accepted;
}

bool RunScripted(DialogScript& script, CalculatorResult& result, const wchar_t* input, bool editable)
{
    return RunScriptedDialog(script, [&] { return dkcalInvokeDialog(&result, L"Calculator", input, editable); });
}
} // namespace

TEST_F(Units, WithoutAScriptedAnswerTheCalculatorAsksInADialog)
{
    ASSERT_EQ(0, dkhost_test::PendingAnswers());
    DialogScript script;
    script.typed = {L"1/0", L"6*7"};
    CalculatorResult r;
    ASSERT_TRUE(RunScripted(script, r, L"12.5", true));
    EXPECT_EQ(L"12.5", script.input);
    ASSERT_EQ(1u, script.messages.size());
    EXPECT_EQ(L"Division by zero", script.messages[0]) << "the refusal is shown and the dialog stays";
    EXPECT_EQ(1, r.kind);
    EXPECT_EQ(42, r.real);
    EXPECT_EQ(nullptr, ::FindWindowW(L"DkHostInputDialog", nullptr)) << "gone after the answer";

    // A read-only value is shown without OK; closing it gives nothing back.
    DialogScript shown;
    CalculatorResult none;
    EXPECT_FALSE(RunScripted(shown, none, L"4", false));
    EXPECT_EQ(L"4", shown.input);
    EXPECT_FALSE(shown.okEnabled);
    EXPECT_EQ(3, none.kind);
}

// The colour dialog asks the same way: the start colour shown, a colour it does not offer
// refused with the reason, the colour typed handed back.
TEST_F(Units, WithoutAScriptedAnswerTheColourDialogAsksInADialog)
{
    DialogScript script;
    script.typed = {L"ByBlock", L"212, 208, 200"};
    DkCmColor color;
    color.setColorIndex(5);
    DkCmColor layer;
    layer.setColorIndex(3);
    ASSERT_TRUE(RunScriptedDialog(script, [&] { return dkedSetColorDialogTrueColor(color, false, layer, 7); }));
    EXPECT_EQ(L"5", script.input);
    ASSERT_EQ(1u, script.messages.size());
    EXPECT_EQ(L"ByLayer and ByBlock are not offered here.", script.messages[0]);
    EXPECT_EQ(DkCmColor::kByColor, color.colorMethod());
    EXPECT_EQ(RGB(212, 208, 200), RGB(color.red(), color.green(), color.blue()));
}
} // namespace

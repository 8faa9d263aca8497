// The names a symbol table's record may take: long names with a few characters forbidden in
// drawings of the current format, short plain words in the older one; and which drawings take
// the long ones.
#include "DkHostTest.h"
#include "dkdb.h"
#include "dked.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
bool Valid(const std::wstring& name, bool extended)
{
    return dkdbValidateSymbolName(name.c_str(), extended) == Drvk::eOk;
}

TEST(SymbolNames, ExtendedNamesAreLongAndForbidAFewCharactersAndOuterSpaces)
{
    for (const wchar_t* good : {L"A", L"Walls", L"Walls - existing (2nd floor)", L"Plan.Site", L"Zone #4 & 5",
                                L"Mur ext\u00e9rieur", L"a b", L"$-_'~!@%^&()[]{}+"})
        EXPECT_TRUE(Valid(good, true)) << std::wstring(good).c_str();
    EXPECT_TRUE(Valid(std::wstring(255, L'x'), true));

    EXPECT_FALSE(Valid(L"", true));
    EXPECT_FALSE(Valid(std::wstring(256, L'x'), true));
    EXPECT_EQ(Drvk::eInvalidInput, dkdbValidateSymbolName(nullptr, true));
    for (wchar_t c : std::wstring(L"<>/\\\":;?*|,=`\x01\x09\x0A\x1F\x7F"))
    {
        SCOPED_TRACE(static_cast<int>(c));
        EXPECT_FALSE(Valid(std::wstring(L"Wall") + c + L"s", true));
        EXPECT_FALSE(Valid(std::wstring(1, c), true));
    }
    for (const wchar_t* spaced : {L" Walls", L"Walls ", L" ", L"  Walls  "})
        EXPECT_FALSE(Valid(spaced, true)) << "\"" << std::wstring(spaced).c_str() << "\"";
}

TEST(SymbolNames, OlderNamesAreShortPlainWords)
{
    for (const wchar_t* good : {L"A", L"WALLS", L"walls-2", L"$DIM_1", L"0"})
        EXPECT_TRUE(Valid(good, false)) << std::wstring(good).c_str();
    EXPECT_TRUE(Valid(std::wstring(31, L'x'), false));

    EXPECT_FALSE(Valid(std::wstring(32, L'x'), false));
    EXPECT_FALSE(Valid(L"", false));
    EXPECT_EQ(Drvk::eInvalidInput, dkdbValidateSymbolName(nullptr, false));
    for (const wchar_t* bad : {L"a b", L"Walls.Site", L"Mur ext\u00e9rieur", L"Zone#4", L"a*", L"a'b", L"a|b"})
        EXPECT_FALSE(Valid(bad, false)) << std::wstring(bad).c_str();
}

TEST(SymbolNames, EveryDrawingTakesLongNamesUnlessTheWorkingOneIsOfTheOlderFormat)
{
    DkDbDatabase* current = dkDocManager()->curDocument()->database();
    ASSERT_NE(nullptr, current);
    EXPECT_TRUE(current->extendedNames());

    dkhost_test::SetExtendedNames(false);
    EXPECT_FALSE(current->extendedNames());
    EXPECT_FALSE(dkdbHostApplicationServices()->workingDatabase()->extendedNames());
    // Another drawing worked in: the current document's is not the one of the older format.
    dkhost_test::SetWorkingDatabaseCurrent(false);
    EXPECT_TRUE(current->extendedNames());
    EXPECT_FALSE(dkdbHostApplicationServices()->workingDatabase()->extendedNames());
    dkhost_test::SetWorkingDatabaseCurrent(true);
    dkhost_test::SetExtendedNames(true);
    EXPECT_TRUE(current->extendedNames());
}
} // namespace

// The host's colours: the colour value and its encodings, the recent colours the lists
// share, the colour dialog as the scripted user answers it, and the layers' colours in the
// current viewport.
#include "DkHostTest.h"
#include "TestSupport.h"
#include "dkcm.h"
#include "dked.h"

#include "DkPiHost.h"

#include "ComPtr.h"
#include "Unique.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
DkCmColor Index(int index)
{
    DkCmColor c;
    c.setColorIndex(index);
    return c;
}

DkCmColor True(BYTE r, BYTE g, BYTE b, const wchar_t* name = nullptr, const wchar_t* book = nullptr)
{
    DkCmColor c;
    c.setRGB(r, g, b);
    c.setNames(name, book);
    return c;
}

std::wstring Name(const DkCmColor& c)
{
    wchar_t text[80];
    c.displayName(text, 80);
    return text;
}

class Colors : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearRecentColors();
        dkhost_test::ClearJournal();
    }
    void TearDown() override
    {
        dkhost_test::ClearRecentColors();
        dkhost_test::SetReservedName(0, L"ByLayer");
        dkhost_test::SetCurrentViewport(1);
        EXPECT_EQ(0, dkhost_test::PendingAnswers());
    }
    std::vector<std::wstring> Recent()
    {
        std::vector<std::wstring> out;
        for (int i = 0; i < GetMRUInfo(2, 0, nullptr); ++i)
        {
            DkCmColor c;
            EXPECT_EQ(1, GetMRUInfo(3, i, &c));
            out.push_back(Name(c));
        }
        return out;
    }
};

TEST_F(Colors, IndexesTrueColoursAndTheirEncodings)
{
    EXPECT_EQ(DkCmColor::kByLayer, Index(256).colorMethod());
    EXPECT_EQ(DkCmColor::kByBlock, Index(0).colorMethod());
    EXPECT_EQ(DkCmColor::kByACI, Index(30).colorMethod());
    EXPECT_EQ(DkCmColor::kNone, DkCmColor().colorMethod());
    EXPECT_EQ(257, DkCmColor().colorIndex());
    DkCmColor bad = Index(5);
    EXPECT_EQ(Drvk::eInvalidInput, bad.setColorIndex(257));
    EXPECT_EQ(5, bad.colorIndex()) << "a refused index changes nothing";

    // The method rides in the top byte of the entity colour; the value round-trips.
    const DkCmColor stone = True(212, 208, 200);
    EXPECT_EQ(static_cast<LONG>(0xC2D4D0C8), stone.entityColor());
    DkCmColor copy;
    ASSERT_EQ(Drvk::eOk, copy.setEntityColor(stone.entityColor()));
    EXPECT_EQ(stone, copy);
    EXPECT_EQ(L"212,208,200", Name(copy));
    EXPECT_EQ(Drvk::eInvalidInput, copy.setEntityColor(0x12000001)) << "no such method";
    EXPECT_EQ(Drvk::eInvalidInput, copy.setEntityColor(static_cast<LONG>(0xC3000100))) << "index 256 by index";
    EXPECT_EQ(Index(256),
              []
              {
                  DkCmColor c;
                  c.setEntityColor(static_cast<LONG>(0xC0000000));
                  return c;
              }())
        << "ByLayer whatever its value";

    // A new method keeps what the colour stands for; names go with any other value.
    DkCmColor c = True(212, 208, 200, L"Stone", L"Facades");
    c.setColorMethod(DkCmColor::kByACI);
    EXPECT_EQ(Index(dkedNearestColorIndex(RGB(212, 208, 200))), c);
    EXPECT_EQ(L"", std::wstring(c.colorName()));
    c.setColorMethod(DkCmColor::kByColor);
    EXPECT_EQ(dkedGetRGB(c.colorIndex()), RGB(c.red(), c.green(), c.blue()));
    c.setColorMethod(DkCmColor::kNone);
    EXPECT_EQ(DkCmColor(), c);
    c = True(1, 2, 3, L"Stone", L"Facades");
    c.setRGB(4, 5, 6);
    EXPECT_EQ(L"4,5,6", Name(c)) << "a new value forgets the old names";
    ASSERT_EQ(Drvk::eOk, c.setEntityColor(DkCmColor().entityColor()));
    EXPECT_EQ(DkCmColor(), c);

    // A true colour stands for its nearest index; names tell colours of a book apart.
    EXPECT_EQ(1, True(250, 10, 10).colorIndex());
    EXPECT_EQ(RGB(255, 0, 0), dkedGetRGB(1));
    EXPECT_EQ(140, dkedNearestColorIndex(dkedGetRGB(140)));
    EXPECT_NE(True(212, 208, 200, L"Stone", L"Facades"), stone);
    EXPECT_EQ(L"Stone", Name(True(212, 208, 200, L"Stone", L"Facades")));
    EXPECT_EQ(L"30", Name(Index(30)));
}

TEST_F(Colors, TheRecentColoursKeepEightMostRecentFirst)
{
    DkCmColor out;
    EXPECT_EQ(0, GetMRUInfo(0, 0, nullptr));
    EXPECT_EQ(0, GetMRUInfo(1, 0, &out)) << "nothing drops out of a list not full";
    AddColorFromOPMToAllControls(Index(256));
    EXPECT_TRUE(Recent().empty()) << "ByLayer is not a recent colour";
    for (int i = 30; i < 38; ++i)
        AddColorFromOPMToAllControls(Index(i));
    EXPECT_EQ(1, GetMRUInfo(0, 0, nullptr));
    ASSERT_EQ(1, GetMRUInfo(1, 0, &out));
    EXPECT_EQ(Index(30), out) << "the oldest drops out next";
    AddColorFromOPMToAllControls(True(212, 208, 200));
    AddColorFromOPMToAllControls(Index(35));
    EXPECT_EQ((std::vector<std::wstring>{L"35", L"212,208,200", L"37", L"36", L"34", L"33", L"32", L"31"}), Recent());
    EXPECT_EQ(0, GetMRUInfo(3, 8, &out));
    EXPECT_EQ(10u, dktest::JournalMatching(L"recent colour").size());
}

TEST_F(Colors, TheDialogTakesTheScriptedUsersColourWithinWhatItOffers)
{
    struct Case
    {
        const wchar_t* answer;
        bool meta;
        int tabs;
        bool accepted;
        const wchar_t* chosen;
    };
    const Case cases[] = {
        {L"ByLayer", true, 7, true, L"256"},
        {L"bylayer", false, 7, false, nullptr},
        {L"30", true, 1, true, L"30"},
        {L"212,208,200", true, 7, true, L"212,208,200"},
        {L"212,208,200", true, 1, false, nullptr},
        {L"cancel", true, 7, false, nullptr},
        {L"256", true, 7, false, nullptr},
        {L"1,2", true, 7, false, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.answer);
        dkhost_test::ClearJournal();
        dkhost_test::PushAnswer(c.answer);
        DkCmColor color = Index(5);
        EXPECT_EQ(c.accepted, dkedSetColorDialogTrueColor(color, c.meta, Index(3), c.tabs));
        EXPECT_EQ(c.accepted ? c.chosen : L"5", Name(color));
        EXPECT_EQ(1u, dktest::JournalMatching(std::wstring(L"colour dialog \"5\" meta ") + (c.meta ? L"yes" : L"no") +
                                              L" layer \"3\" tabs " + std::to_wstring(c.tabs))
                          .size());
        EXPECT_EQ(1u, dktest::JournalMatching(c.accepted ? L"colour dialog chose" : L"colour dialog cancelled").size());
    }

    // The user's own word for ByLayer is understood too.
    dkhost_test::SetReservedName(0, L"VonLayer");
    EXPECT_STREQ(L"VonLayer", dkdbGetReservedString(0, true));
    EXPECT_STREQ(L"ByLayer", dkdbGetReservedString(0, false));
    dkhost_test::PushAnswer(L"VonLayer");
    DkCmColor color = Index(5);
    EXPECT_TRUE(dkedSetColorDialogTrueColor(color, true, Index(3), 7));
    EXPECT_EQ(Index(256), color);
}

TEST_F(Colors, ALayersColourInTheCurrentViewportAndTheViewColours)
{
    auto layerColor = [](const wchar_t* name, bool& overridden)
    {
        DkDbSymbolTable* table = nullptr;
        DkDbObjectId id;
        EXPECT_EQ(Drvk::eOk,
                  dkdbOpenObject(table, dkDocManager()->curDocument()->database()->layerTableId(), DkDb::kForRead));
        if (table)
        {
            table->getAt(name, id);
            table->close();
        }
        DkDbLayerTableRecord* layer = nullptr;
        EXPECT_EQ(Drvk::eOk, dkdbOpenObject(layer, id, DkDb::kForRead));
        const int color = layer ? layer->colorIndexInViewport(dkedGetCurViewportObjectId(), overridden) : -1;
        if (layer)
            layer->close();
        return color;
    };
    bool overridden = false;
    EXPECT_EQ(6, layerColor(L"Doors", overridden));
    EXPECT_TRUE(overridden);
    EXPECT_EQ(1, layerColor(L"Walls", overridden));
    EXPECT_FALSE(overridden);
    dkhost_test::SetCurrentViewport(0);
    EXPECT_EQ(3, layerColor(L"Doors", overridden)) << "no viewport: the layer's own";
    EXPECT_FALSE(overridden);

    COLORREF colors[3] = {};
    dkhost_test::SetViewColors(RGB(250, 250, 250));
    EXPECT_EQ(3, dkedGetCurrentColors(colors, 3));
    EXPECT_EQ(RGB(250, 250, 250), colors[0]);
    dkhost_test::SetViewColors(RGB(33, 40, 48));
}
// The colour object is made through COM in the host's process, answers by its interface
// and by name, keeps a true colour's names, and refuses what no colour is.
TEST_F(Colors, TheColourObjectIsCreatedInTheHostsProcessAndHoldsOneColour)
{
    dkfw::ComPtr<IDkDbColor> color;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_DkDbColor, nullptr, CLSCTX_ALL, IID_IDkDbColor, color.PutVoid()));
    EXPECT_EQ(S_OK, color->SetRGB(212, 208, 200));
    dkfw::UniqueBstr name(std::wstring(L"Stone")), book(std::wstring(L"Facades"));
    EXPECT_EQ(S_OK, color->SetNames(name.Get(), book.Get()));
    LONG value = 0;
    EXPECT_EQ(S_OK, color->get_EntityColor(&value));
    EXPECT_EQ(static_cast<LONG>(0xC2D4D0C8), value);
    EXPECT_EQ(E_INVALIDARG, color->SetRGB(256, 0, 0));
    EXPECT_EQ(E_INVALIDARG, color->put_EntityColor(0x12000000));
    EXPECT_EQ(E_INVALIDARG, color->put_ColorIndex(300));

    // Automation by name: the book name read back, the index written, the parts of a true
    // colour in their order.
    dkfw::ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, color->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
    auto idOf = [&](const wchar_t* name)
    {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 0;
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id)) << name;
        return id;
    };
    DISPPARAMS none{};
    dkfw::UniqueVariant got;
    ASSERT_EQ(S_OK, dispatch->Invoke(idOf(L"bookname"), IID_NULL, 0, DISPATCH_PROPERTYGET, &none, got.Put(), nullptr,
                                     nullptr));
    EXPECT_EQ(L"Facades", std::wstring(got.Get().bstrVal));
    VARIANT rgb[3];
    for (int i = 0; i < 3; ++i)
    {
        rgb[i].vt = VT_I4;
        rgb[i].lVal = 30 - 10 * i; // last first: blue 30, green 20, red 10
    }
    DISPPARAMS three{rgb, nullptr, 3, 0};
    ASSERT_EQ(S_OK, dispatch->Invoke(idOf(L"SetRGB"), IID_NULL, 0, DISPATCH_METHOD, &three, nullptr, nullptr, nullptr));
    EXPECT_EQ(S_OK, color->get_EntityColor(&value));
    EXPECT_EQ(static_cast<LONG>(0xC20A141E), value) << "red 10, green 20, blue 30, the names gone";
    VARIANT thirty;
    thirty.vt = VT_I2;
    thirty.iVal = 30;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS one{&thirty, &put, 1, 1};
    ASSERT_EQ(S_OK, dispatch->Invoke(idOf(L"ColorIndex"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &one, nullptr, nullptr,
                                     nullptr));
    LPOLESTR withParameter[] = {const_cast<LPOLESTR>(L"SetNames"), const_cast<LPOLESTR>(L"bookName")};
    DISPID ids[2] = {};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, withParameter, 2, 0, ids))
        << "its arguments go by position";
    EXPECT_EQ(S_OK, color->get_EntityColor(&value));
    EXPECT_EQ(Index(30).entityColor(), value);
    dkfw::UniqueBstr after;
    EXPECT_EQ(S_OK, color->get_ColorName(after.Put()));
    EXPECT_EQ(0u, ::SysStringLen(after.Get())) << "an index colour has no names";
    EXPECT_EQ(E_FAIL, color->SetNames(name.Get(), book.Get()));

    dkfw::ComPtr<IDispatch> other;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"30"), other.Put()));
    dkfw::ComPtr<IDkDbColor> notColor;
    EXPECT_EQ(E_NOINTERFACE, other->QueryInterface(IID_IDkDbColor, notColor.PutVoid())) << "not a colour object";

    dkhost_test::SetColorClassAvailable(false);
    dkfw::ComPtr<IDkDbColor> none2;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              ::CoCreateInstance(CLSID_DkDbColor, nullptr, CLSCTX_ALL, IID_IDkDbColor, none2.PutVoid()));
    dkhost_test::SetColorClassAvailable(true);
}
// A drawing's colours are colour objects: each read hands out a new one (names and all),
// a write takes a colour object of the host or an index, and undo gives the names back.
TEST_F(Colors, ADrawingsColourPropertiesTakeColourObjectsOrIndexes)
{
    constexpr DISPID kColor = 1;
    dkfw::ComPtr<IDispatch> line;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"2B"), line.Put()));
    auto read = [&](DkCmColor& out)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        EXPECT_EQ(S_OK, line->Invoke(kColor, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr));
        EXPECT_EQ(VT_DISPATCH, v.Type());
        dkfw::ComPtr<IDkDbColor> c;
        if (v.Type() != VT_DISPATCH || FAILED(v.Get().pdispVal->QueryInterface(IID_IDkDbColor, c.PutVoid())))
            return dkfw::ComPtr<IDkDbColor>();
        LONG entity = 0;
        dkfw::UniqueBstr name, book;
        c->get_EntityColor(&entity);
        c->get_ColorName(name.Put());
        c->get_BookName(book.Put());
        out.setEntityColor(entity);
        out.setNames(name.Get(), book.Get());
        return c;
    };
    auto write = [&](VARIANT value, EXCEPINFO* excep = nullptr)
    {
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &put, 1, 1};
        return line->Invoke(kColor, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, excep, nullptr);
    };
    DkCmColor first, second;
    auto a = read(first);
    auto b = read(second);
    EXPECT_NE(a.Get(), b.Get()) << "a new object for every read";
    EXPECT_EQ(True(200, 30, 30, L"Brick red", L"Site colours"), first);
    EXPECT_STREQ(L"Site colours", first.bookName());
    // What a reader does with its object is not the drawing's.
    ASSERT_EQ(S_OK, a->put_ColorIndex(3));
    DkCmColor again;
    read(again);
    EXPECT_EQ(first, again);

    dkfw::ComPtr<IDispatch> given;
    ASSERT_EQ(S_OK, a->QueryInterface(IID_IDispatch, given.PutVoid()));
    VARIANT object;
    object.vt = VT_DISPATCH;
    object.pdispVal = given.Get();
    ASSERT_EQ(S_OK, write(object));
    read(again);
    EXPECT_EQ(Index(3), again);
    ASSERT_EQ(S_OK, a->put_ColorIndex(5));
    read(again);
    EXPECT_EQ(Index(3), again) << "the drawing keeps a copy";
    VARIANT index;
    index.vt = VT_I2;
    index.iVal = 256;
    ASSERT_EQ(S_OK, write(index));
    read(again);
    EXPECT_EQ(DkCmColor::kByLayer, again.colorMethod());

    // Refused: an object that is no colour, an index out of range; the value stays.
    dkfw::ComPtr<IDispatch> other;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"30"), other.Put()));
    object.pdispVal = other.Get();
    EXPECT_EQ(DISP_E_TYPEMISMATCH, write(object));
    index.iVal = 257;
    EXCEPINFO excep{};
    EXPECT_EQ(DISP_E_EXCEPTION, write(index, &excep));
    EXPECT_STREQ(L"Colour index must be from 0 to 256.", excep.bstrDescription);
    ::SysFreeString(excep.bstrDescription);
    ::SysFreeString(excep.bstrSource);
    read(again);
    EXPECT_EQ(DkCmColor::kByLayer, again.colorMethod());

    DkDbUndoController* undo = dkDocManager()->curDocument()->database()->undoController();
    ASSERT_EQ(Drvk::eOk, undo->undo(2));
    read(again);
    EXPECT_EQ(first, again);
    EXPECT_STREQ(L"Brick red", again.colorName());
}

// Special values a property offers beside its colours: listed with their identifiers, held
// by the object until it is written an ordinary value, refused when they are no value of
// the property, and a list that cannot be given is a failure.
TEST_F(Colors, AnObjectsSpecialValuesAreListedHeldAndGivenUpForAnOrdinaryValue)
{
    const LONG_PTR id = dkhost_test::EntityByHandle(L"30");
    constexpr DISPID kFill = 1;
    const wchar_t* names[] = {L"Background", L"Empty"};
    const LONG values[] = {-1, -2};
    dkfw::ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(id, object.Put()));
    dkfw::ComPtr<IDkPropertyCustomValues> custom;
    EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_IDkPropertyCustomValues, custom.PutVoid()));
    dkhost_test::SetCustomValues(id, kFill, names, values, 2, 0, false);
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IDkPropertyCustomValues, custom.PutVoid()));

    LONG count = 0;
    BSTR* listed = nullptr;
    LONG* ids = nullptr;
    ASSERT_EQ(S_OK, custom->GetCustomValues(kFill, &count, &listed, &ids));
    ASSERT_EQ(2, count);
    EXPECT_EQ(L"Empty", std::wstring(listed[1]));
    dkfw::UniqueVariant value;
    EXPECT_EQ(S_OK, custom->GetCustomValue(kFill, ids[1], value.Put()));
    EXPECT_EQ(-2, value.Get().lVal);
    for (LONG i = 0; i < count; ++i)
        ::SysFreeString(listed[i]);
    ::CoTaskMemFree(listed);
    ::CoTaskMemFree(ids);
    EXPECT_EQ(E_FAIL, custom->GetCustomValues(2, &count, &listed, &ids)) << "a property without special values";

    ASSERT_EQ(S_OK, custom->GetCurrentCustomValue(object.Get(), kFill, value.Put()));
    EXPECT_EQ(-1, value.Get().lVal) << "held: Background";
    VARIANT varId;
    varId.vt = VT_I4;
    varId.lVal = kFill;
    VARIANT empty;
    empty.vt = VT_I4;
    empty.lVal = -2;
    EXPECT_EQ(S_OK, custom->SetCustomValue(varId, empty));
    ASSERT_EQ(S_OK, custom->GetCurrentCustomValue(object.Get(), kFill, value.Put()));
    EXPECT_EQ(-2, value.Get().lVal);
    EXPECT_EQ(1u, dktest::JournalMatching(L"custom value Empty on 30").size());
    empty.lVal = 5;
    EXPECT_EQ(E_INVALIDARG, custom->SetCustomValue(varId, empty)) << "no special value of the property";

    // An ordinary value written: no special value is held any more.
    VARIANT red;
    red.vt = VT_I4;
    red.lVal = 1;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS one{&red, &put, 1, 1};
    ASSERT_EQ(S_OK, object->Invoke(kFill, IID_NULL, 0, DISPATCH_PROPERTYPUT, &one, nullptr, nullptr, nullptr));
    EXPECT_EQ(E_FAIL, custom->GetCurrentCustomValue(object.Get(), kFill, value.Put()));
    // Undo gives the special value back, and then the one before it.
    EXPECT_EQ(1, dkhost_test::Undo(1));
    ASSERT_EQ(S_OK, custom->GetCurrentCustomValue(object.Get(), kFill, value.Put()));
    EXPECT_EQ(-2, value.Get().lVal);
    EXPECT_EQ(1, dkhost_test::Undo(1));
    ASSERT_EQ(S_OK, custom->GetCurrentCustomValue(object.Get(), kFill, value.Put()));
    EXPECT_EQ(-1, value.Get().lVal);

    dkhost_test::SetCustomValues(id, kFill, names, values, 2, -1, true);
    EXPECT_EQ(E_FAIL, custom->GetCustomValues(kFill, &count, &listed, &ids)) << "the list cannot be given";
    EXPECT_EQ(nullptr, listed);
    dkhost_test::SetCustomValues(id, kFill, nullptr, nullptr, 0, -1, false);
}
// A dynamic property offers special values too, held per object: the object is designated
// by its palette object, and an ordinary value written gives the special one up.
TEST_F(Colors, ADynamicPropertysSpecialValuesAreHeldPerObject)
{
    IUnknown* fill = nullptr;
    ASSERT_EQ(S_OK, dkhost_test::AddDynamicProperty(L"Fill", L"Circle", VT_I4, &fill));
    dkfw::ComPtr<IUnknown> owned;
    owned.Attach(fill);
    const wchar_t* names[] = {L"Background"};
    const LONG values[] = {-1};
    dkfw::ComPtr<IDkPropertyCustomValues> custom;
    EXPECT_EQ(E_NOINTERFACE, fill->QueryInterface(IID_IDkPropertyCustomValues, custom.PutVoid()));
    ASSERT_EQ(S_OK, dkhost_test::SetDynamicCustomValues(fill, names, values, 1));
    ASSERT_EQ(S_OK, fill->QueryInterface(IID_IDkPropertyCustomValues, custom.PutVoid()));

    dkfw::ComPtr<IDispatch> a, b;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"30"), a.Put()));
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"31"), b.Put()));
    VARIANT varId;
    varId.vt = VT_UNKNOWN;
    varId.punkVal = a.Get();
    VARIANT background;
    background.vt = VT_I4;
    background.lVal = -1;
    ASSERT_EQ(S_OK, custom->SetCustomValue(varId, background));
    dkfw::UniqueVariant held;
    ASSERT_EQ(S_OK, custom->GetCurrentCustomValue(a.Get(), 0, held.Put()));
    EXPECT_EQ(-1, held.Get().lVal);
    EXPECT_EQ(E_FAIL, custom->GetCurrentCustomValue(b.Get(), 0, held.Put())) << "the other object holds none";
    EXPECT_EQ(1u, dktest::JournalMatching(L"custom value Background on 30").size());

    dkfw::ComPtr<IDynamicProperty> one;
    ASSERT_EQ(S_OK, fill->QueryInterface(IID_IDynamicProperty, one.PutVoid()));
    VARIANT four;
    four.vt = VT_I4;
    four.lVal = 4;
    ASSERT_EQ(S_OK, one->SetValue(dkhost_test::EntityByHandle(L"30"), four));
    EXPECT_EQ(E_FAIL, custom->GetCurrentCustomValue(a.Get(), 0, held.Put())) << "given up for an ordinary value";
}
} // namespace

// The stand-in host as a careful caller sees it: its automation objects, the drawing's
// tables, undo, system variables, selection sets, documents and dynamic properties.
#include "DkHostTest.h"
#include "TestSupport.h"
#include "dkdb.h"
#include "dked.h"
#include "dkcm.h"
#include "dklw.h"
#include "dkstring.h"

#include "DkPiHost.h"

#include "ComObject.h"
#include "ComPtr.h"
#include "Unique.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace
{
using dkfw::ComPtr;
using dkfw::UniqueVariant;

constexpr DISPID kColor = 1;
constexpr DISPID kLayer = 2;
constexpr DISPID kLineweight = 5;
constexpr DISPID kThickness = 10;
constexpr DISPID kRadius = 101;
constexpr DISPID kDiameter = 102;

class Host : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearJournal();
    }
    void TearDown() override
    {
        dkhost_test::SetDragging(false);
        dkhost_test::SetCommandFlags(0);
        dkhost_test::SetWorkingDatabaseCurrent(true);
        dkhost_test::SetNoDocument(false);
    }

    ComPtr<IDispatch> Object(const wchar_t* handle)
    {
        ComPtr<IDispatch> d;
        EXPECT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), d.Put())) << handle;
        return d;
    }

    static HRESULT Get(IDispatch* d, DISPID id, VARIANT* out, EXCEPINFO* excep = nullptr)
    {
        DISPPARAMS none{};
        return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, out, excep, nullptr);
    }

    static HRESULT Put(IDispatch* d, DISPID id, VARIANT value, EXCEPINFO* excep = nullptr, UINT* argErr = nullptr)
    {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, excep, argErr);
    }

    static double Real(IDispatch* d, DISPID id)
    {
        UniqueVariant v;
        EXPECT_EQ(S_OK, Get(d, id, v.Put()));
        EXPECT_EQ(VT_R8, v.Type());
        return v.Get().dblVal;
    }

    static VARIANT R8(double d)
    {
        VARIANT v;
        v.vt = VT_R8;
        v.dblVal = d;
        return v;
    }
};

TEST_F(Host, SampleDrawingHasEveryClassAndLayerState)
{
    std::vector<LONG_PTR> ids(200);
    const int n = dkhost_test::Entities(ids.data(), 200);
    std::set<std::wstring> classes;
    for (int i = 0; i < n; ++i)
        classes.insert(dkhost_test::EntityClass(ids[i]));
    for (const wchar_t* c :
         {L"Line", L"Circle", L"Arc", L"Polyline", L"Text", L"MText", L"Hatch", L"RasterImage", L"BlockReference",
          L"Attribute", L"Dimension", L"GeoMapImage", L"PointCloud", L"ViewBorder", L"ViewSymbol", L"Section"})
        EXPECT_TRUE(classes.count(c)) << std::wstring(c).c_str();

    // The layers through the database API, in table order, with their states.
    DkDbDatabase* db = dkDocManager()->curDocument()->database();
    DkDbSymbolTable* table = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(table, db->layerTableId(), DkDb::kForRead));
    DkDbSymbolTableIterator* it = nullptr;
    ASSERT_EQ(Drvk::eOk, table->newIterator(it));
    table->close();
    int frozen = 0, off = 0, locked = 0, dependent = 0, vpFrozen = 0, count = 0;
    for (it->start(); !it->done(); it->step())
    {
        DkDbObjectId id;
        it->getRecordId(id);
        DkDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(Drvk::eOk, dkdbOpenObject(layer, id, DkDb::kForRead));
        if (count++ == 0)
            EXPECT_STREQ(L"0", layer->getName());
        frozen += layer->isFrozen();
        off += layer->isOff();
        locked += layer->isLocked();
        dependent += layer->isDependent();
        vpFrozen += layer->isFrozenInViewport(DkDbObjectId(1));
        layer->close();
    }
    delete it;
    EXPECT_GE(count, 8);
    EXPECT_TRUE(frozen && off && locked && dependent && vpFrozen);

    DkDbDictionary* materials = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(materials, db->materialDictionaryId(), DkDb::kForRead));
    EXPECT_EQ(5, materials->numEntries());
    EXPECT_TRUE(materials->has(L"Brick"));
    EXPECT_TRUE(materials->has(L"ByLayer"));
    materials->close();
}

TEST_F(Host, PropertiesReadThroughTheTypeInformation)
{
    auto circle = Object(L"31");
    LPOLESTR name = const_cast<LPOLESTR>(L"Radius");
    DISPID id = 0;
    ASSERT_EQ(S_OK, circle->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(kRadius, id);
    EXPECT_DOUBLE_EQ(7.5, Real(circle.Get(), kRadius));
    EXPECT_DOUBLE_EQ(15.0, Real(circle.Get(), kDiameter));

    // The Lineweight property's declared type is the DkLineWeight enumeration.
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, circle->GetTypeInfo(0, 0, info.Put()));
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&ta));
    bool found = false;
    for (UINT v = 0; v < ta->cVars && !found; ++v)
    {
        VARDESC* vd = nullptr;
        ASSERT_EQ(S_OK, info->GetVarDesc(v, &vd));
        if (vd->memid == kLineweight)
        {
            found = true;
            ASSERT_EQ(VT_USERDEFINED, vd->elemdescVar.tdesc.vt);
            ComPtr<ITypeInfo> enumInfo;
            ASSERT_EQ(S_OK, info->GetRefTypeInfo(vd->elemdescVar.tdesc.hreftype, enumInfo.Put()));
            TYPEATTR* ea = nullptr;
            ASSERT_EQ(S_OK, enumInfo->GetTypeAttr(&ea));
            EXPECT_EQ(TKIND_ENUM, ea->typekind);
            EXPECT_GT(ea->cVars, 20);
            enumInfo->ReleaseTypeAttr(ea);
        }
        info->ReleaseVarDesc(vd);
    }
    info->ReleaseTypeAttr(ta);
    EXPECT_TRUE(found);
    UniqueVariant lw;
    ASSERT_EQ(S_OK, Get(circle.Get(), kLineweight, lw.Put()));
    EXPECT_EQ(35, lw.Get().lVal);
}

TEST_F(Host, CarelessCallsAreAnsweredAsAutomationObjectsDo)
{
    auto circle = Object(L"30");
    VARIANT arg = R8(1);
    DISPPARAMS oneArg{&arg, nullptr, 1, 0};
    UniqueVariant out;
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              circle->Invoke(kRadius, IID_NULL, 0, DISPATCH_PROPERTYGET, &oneArg, out.Put(), nullptr, nullptr));
    DISPPARAMS none{};
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              circle->Invoke(kRadius, IID_NULL, 0, DISPATCH_PROPERTYPUT, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Get(circle.Get(), 4242, out.Put()));

    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"five");
    UINT argErr = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Put(circle.Get(), kRadius, text, nullptr, &argErr));
    EXPECT_EQ(0u, argErr);
    ::SysFreeString(text.bstrVal);

    VARIANT handle;
    handle.vt = VT_BSTR;
    handle.bstrVal = ::SysAllocString(L"99");
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Put(circle.Get(), 11, handle)) << "Handle is read-only";
    ::SysFreeString(handle.bstrVal);
}

TEST_F(Host, RefusedValuesRaiseAReadableExceptionAndChangeNothing)
{
    auto circle = Object(L"30");
    struct Case
    {
        DISPID dispid;
        VARIANT value;
        const wchar_t* description;
    };
    VARIANT layer;
    layer.vt = VT_BSTR;
    layer.bstrVal = ::SysAllocString(L"NoSuchLayer");
    VARIANT lineweight;
    lineweight.vt = VT_I4;
    lineweight.lVal = 33;
    const Case cases[] = {
        {kRadius, R8(-2), L"Radius must be positive."},
        {kDiameter, R8(0), L"Diameter must be positive."},
        {kLayer, layer, L"Layer \"NoSuchLayer\" does not exist."},
        {kLineweight, lineweight, L"That is not a valid value for Lineweight."},
    };
    const int undoBefore = dkhost_test::UndoDepth();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::wstring(c.description).c_str());
        EXCEPINFO excep{};
        EXPECT_EQ(DISP_E_EXCEPTION, Put(circle.Get(), c.dispid, c.value, &excep));
        EXPECT_STREQ(c.description, excep.bstrDescription);
        EXPECT_NE(0, excep.scode);
        ::SysFreeString(excep.bstrDescription);
        ::SysFreeString(excep.bstrSource);
    }
    ::SysFreeString(layer.bstrVal);
    EXPECT_DOUBLE_EQ(5.0, Real(circle.Get(), kRadius));
    EXPECT_EQ(undoBefore, dkhost_test::UndoDepth()) << "a refused value leaves no undo step";

    // An object on a locked layer refuses every change.
    auto locked = Object(L"32");
    EXCEPINFO excep{};
    EXPECT_EQ(DISP_E_EXCEPTION, Put(locked.Get(), kRadius, R8(6), &excep));
    EXPECT_STREQ(L"The object is on a locked layer.", excep.bstrDescription);
    ::SysFreeString(excep.bstrDescription);
    ::SysFreeString(excep.bstrSource);
}

TEST_F(Host, UndoingAGroupRestoresEveryValueWrittenInIt)
{
    auto a = Object(L"30");
    auto b = Object(L"31");
    DkDbUndoController* undo = dkDocManager()->curDocument()->database()->undoController();
    ASSERT_EQ(Drvk::eOk, undo->undoGroup(DkDb::kUndoGroupBegin, L"Properties"));
    ASSERT_EQ(S_OK, Put(a.Get(), kRadius, R8(11)));
    ASSERT_EQ(S_OK, Put(a.Get(), kDiameter, R8(30)));
    ASSERT_EQ(S_OK, Put(b.Get(), kRadius, R8(12)));
    VARIANT color;
    color.vt = VT_I4;
    color.lVal = 3;
    ASSERT_EQ(S_OK, Put(b.Get(), kColor, color));
    ASSERT_EQ(Drvk::eOk, undo->undoGroup(DkDb::kUndoGroupEnd));
    EXPECT_DOUBLE_EQ(15.0, Real(a.Get(), kRadius));

    ASSERT_EQ(Drvk::eOk, undo->undo(1));
    EXPECT_DOUBLE_EQ(5.0, Real(a.Get(), kRadius));
    EXPECT_DOUBLE_EQ(7.5, Real(b.Get(), kRadius));
    UniqueVariant c;
    ASSERT_EQ(S_OK, Get(b.Get(), kColor, c.Put()));
    ASSERT_EQ(VT_DISPATCH, c.Type());
    auto kept = ComPtr<IDispatch>(c.Get().pdispVal).Query<IDkDbColor>();
    LONG entity = 0;
    ASSERT_TRUE(kept);
    kept->get_EntityColor(&entity);
    EXPECT_EQ(static_cast<LONG>(0xC0000100), entity) << "ByLayer again";
    EXPECT_EQ((std::vector<std::wstring>{L"undo group begin \"Properties\"", L"undo group end",
                                         L"undo Properties (4 values)"}),
              dktest::Journal());
}

TEST_F(Host, PaletteObjectsCountTheirReferences)
{
    const LONG_PTR id = dkhost_test::EntityByHandle(L"2A");
    {
        ComPtr<IDispatch> first;
        ComPtr<IDispatch> second;
        ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(id, first.Put()));
        ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(id, second.Put()));
        EXPECT_EQ(first.Get(), second.Get()) << "one automation object per drawing object";
        EXPECT_EQ(3u, dkhost_test::PaletteObjectRefs(id));
        auto base = first.Query<IDkBaseObject>();
        LONG_PTR objectId = 0;
        base->GetObjectId(&objectId);
        EXPECT_EQ(id, objectId);
        EXPECT_EQ(4u, dkhost_test::PaletteObjectRefs(id));
    }
    EXPECT_EQ(1u, dkhost_test::PaletteObjectRefs(id)) << "only the host's own reference is left";
}

TEST_F(Host, InjectedFaultsAndTheFixedFailuresOfFourClasses)
{
    auto line = Object(L"2A");
    dkhost_test::SetPropertyFault(dkhost_test::EntityByHandle(L"2A"), kColor, true, static_cast<SCODE>(0x80201234),
                                  L"Colour is being recalculated.");
    UniqueVariant v;
    EXCEPINFO excep{};
    EXPECT_EQ(DISP_E_EXCEPTION, Get(line.Get(), kColor, v.Put(), &excep));
    EXPECT_EQ(static_cast<SCODE>(0x80201234), excep.scode);
    EXPECT_STREQ(L"Colour is being recalculated.", excep.bstrDescription);
    ::SysFreeString(excep.bstrDescription);
    ::SysFreeString(excep.bstrSource);

    struct Case
    {
        const wchar_t* handle;
        DISPID dispid;
        SCODE code;
    };
    for (const Case& c :
         {Case{L"70", kThickness, static_cast<SCODE>(0x80200003)},
          Case{L"71", kThickness, static_cast<SCODE>(0x80200003)}, Case{L"72", kColor, static_cast<SCODE>(0x80200002)},
          Case{L"73", kLayer, static_cast<SCODE>(0x80200002)}})
    {
        EXCEPINFO e{};
        EXPECT_EQ(DISP_E_EXCEPTION, Get(Object(c.handle).Get(), c.dispid, v.Put(), &e))
            << std::wstring(c.handle).c_str();
        EXPECT_EQ(c.code, e.scode);
        ::SysFreeString(e.bstrDescription);
        ::SysFreeString(e.bstrSource);
    }
    EXPECT_EQ(S_OK, Get(Object(L"70").Get(), kColor, v.Put()));
}

TEST_F(Host, SystemVariablesAnswerWithTypedResultBuffers)
{
    resbuf rb{};
    ASSERT_EQ(RTNORM, dkedGetVar(L"LUNITS", &rb));
    EXPECT_EQ(RTSHORT, rb.restype);
    EXPECT_EQ(2, rb.resval.rint);
    ASSERT_EQ(RTNORM, dkedGetVar(L"angbase", &rb));
    EXPECT_EQ(RTREAL, rb.restype);
    ASSERT_EQ(RTNORM, dkedGetVar(L"DWGNAME", &rb));
    EXPECT_EQ(RTSTR, rb.restype);
    EXPECT_STREQ(L"Sample.dkd", rb.resval.rstring) << "the drawing's own name";
    ::free(rb.resval.rstring);
    EXPECT_EQ(RTERROR, dkedGetVar(L"NOSUCHVAR", &rb));

    resbuf grips{};
    grips.restype = RTSHORT;
    grips.resval.rint = 0;
    ASSERT_EQ(RTNORM, dkedSetVar(L"GRIPS", &grips));
    grips.restype = RTSTR;
    grips.resval.rstring = const_cast<wchar_t*>(L"x");
    EXPECT_EQ(RTREJ, dkedSetVar(L"GRIPS", &grips)) << "a value of the wrong type";
    ASSERT_EQ(RTNORM, dkedGetVar(L"GRIPS", &rb));
    EXPECT_EQ(0, rb.resval.rint);
    grips.restype = RTSHORT;
    grips.resval.rint = 2;
    dkedSetVar(L"GRIPS", &grips);
}

TEST_F(Host, PickFirstSelectionRoundTripsThroughSelectionSets)
{
    const LONG_PTR ids[] = {dkhost_test::EntityByHandle(L"30"), dkhost_test::EntityByHandle(L"31")};
    dkhost_test::SetPickfirst(ids, 2);
    const int setsBefore = dkhost_test::OpenSelectionSets();
    resbuf* grips = nullptr;
    resbuf* pickfirst = nullptr;
    ASSERT_EQ(RTNORM, dkedSSGetFirst(&grips, &pickfirst));
    LONG_PTR length = 0;
    ASSERT_EQ(RTNORM, dkedSSLength(pickfirst->resval.rlname, &length));
    EXPECT_EQ(2, length);

    dk_name kept{};
    dk_name entity{};
    for (LONG_PTR i = 0; i < length; ++i)
    {
        ASSERT_EQ(RTNORM, dkedSSName(pickfirst->resval.rlname, i, entity));
        DkDbObjectId id;
        ASSERT_EQ(Drvk::eOk, dkdbGetObjectId(id, entity));
        if (i == 1)
            ASSERT_EQ(RTNORM, dkedSSAdd(entity, nullptr, kept));
    }
    dkedSSFree(grips->resval.rlname);
    dkedSSFree(pickfirst->resval.rlname);
    dkutRelRb(grips);
    dkutRelRb(pickfirst);
    ASSERT_EQ(RTNORM, dkedSSSetFirst(nullptr, kept));
    dkedSSFree(kept);
    EXPECT_EQ(setsBefore, dkhost_test::OpenSelectionSets()) << "every set was freed";
    LONG_PTR now[4] = {};
    ASSERT_EQ(1, dkhost_test::Pickfirst(now, 4));
    EXPECT_EQ(ids[1], now[0]);
}

TEST_F(Host, DocumentsAndTheWorkingDatabase)
{
    DkApDocument* doc = dkDocManager()->curDocument();
    ASSERT_NE(nullptr, doc);
    EXPECT_STREQ(L"Sample.dkd", doc->fileName());
    EXPECT_EQ(doc->database(), dkdbHostApplicationServices()->workingDatabase());
    dkhost_test::SetWorkingDatabaseCurrent(false);
    EXPECT_NE(doc->database(), dkdbHostApplicationServices()->workingDatabase());
    dkhost_test::SetNoDocument(true);
    EXPECT_EQ(nullptr, dkDocManager()->curDocument());
}

TEST_F(Host, DynamicPropertiesStoreValuesOfferChoicesAndReportFaults)
{
    IUnknown* props[4] = {};
    ASSERT_EQ(2, dkhost_test::DynamicPropertiesOf(L"Circle", props, 4));
    ComPtr<IUnknown> rating = ComPtr<IUnknown>::Attach(props[0]);
    ComPtr<IUnknown> tag = ComPtr<IUnknown>::Attach(props[1]);
    auto byId = rating.Query<IDynamicProperty>();
    auto byObject = rating.Query<IDynamicProperty2>();
    auto choices = rating.Query<IDynamicPropertyChoices>();
    ASSERT_TRUE(byId && byObject && choices);
    EXPECT_FALSE(tag.Query<IDynamicPropertyChoices>()) << "a property without choices offers none";
    long count = 0;
    choices->GetChoiceCount(&count);
    EXPECT_EQ(4, count);

    auto circle = Object(L"30");
    const LONG_PTR id = dkhost_test::EntityByHandle(L"30");
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = 60;
    ASSERT_EQ(S_OK, byObject->SetValue(circle.Get(), v));
    UniqueVariant back;
    ASSERT_EQ(S_OK, byId->GetValue(id, back.Put()));
    EXPECT_EQ(60, back.Get().lVal);

    dkhost_test::SetDynamicFault(rating.Get(), L"Rating is fixed by the door schedule.");
    EXPECT_EQ(E_FAIL, byId->SetValue(id, v));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, ::GetErrorInfo(0, info.Put()));
    dkfw::UniqueBstr description;
    info->GetDescription(description.Put());
    EXPECT_EQ(L"Rating is fixed by the door schedule.", description.View());
}

TEST_F(Host, DrawingFilesSayWhichLineTheyCannotRead)
{
    int line = 0;
    EXPECT_EQ(S_OK, dkhost_test::LoadDrawingText(L"layer A color=3\nentity Circle handle=1 Layer=A Radius=2\n", &line));
    EXPECT_EQ(1, dkhost_test::Entities(nullptr, 0));
    EXPECT_EQ(E_INVALIDARG, dkhost_test::LoadDrawingText(L"layer A\nentity Circle Radius=2\nentity Blob\n", &line));
    EXPECT_EQ(3, line);
    EXPECT_EQ(E_INVALIDARG, dkhost_test::LoadDrawingText(L"entity Circle Wobble=2\n", &line));
    EXPECT_EQ(1, line);
    // A unit setting out of its range, an angle that is no number: refused with why, so
    // that no NaN ever reaches a conversion.
    for (const wchar_t* bad : {L"sysvar ANGBASE nan\n", L"sysvar ANGBASE inf\n", L"sysvar LUNITS 9\n",
                               L"sysvar AUPREC 2x\n", L"sysvar LUPREC 65538\n"})
    {
        EXPECT_EQ(E_INVALIDARG, dkhost_test::LoadDrawingText(bad, &line)) << bad;
        EXPECT_NE(std::wstring::npos, std::wstring(dkhost_test::LastLoadError()).find(L"does not take")) << bad;
    }
    // Lines cut short, and values the host's own put refuses, are refused with why.
    struct Bad
    {
        const wchar_t* text;
        int line;
        const wchar_t* why;
    };
    const Bad bads[] = {
        {L"layer A\nentity Circle Radius=1.5e\n", 2, L"Radius does not take \"1.5e\""},
        {L"entity Circle Center=1,2,\n", 1, L"Center has \"\" where a number belongs"},
        {L"entity Circle Center=1\n", 1, L"Center is a point of two or three numbers"},
        {L"entity Text TextString=\"Living\n", 1, L"a quoted text is not closed"},
        {L"entity Circle Radius=-5\n", 1, L"Radius must be positive."},
        {L"entity Circle Radius=nan\n", 1, L"Radius does not take \"nan\""},
        {L"entity Circle Color=999999\n", 1, L"Colour index must be from 0 to 256."},
        {L"entity Circle Layer=Nowhere\n", 1, L"Layer \"Nowhere\" does not exist."},
        {L"entity Circle Transparency=1,000\n", 1, L"Transparency does not take \"1,000\""},
        {L"entity Circle Visible=maybe\n", 1, L"Visible is yes or no, not \"maybe\""},
        {L"entity Circle handle=2A\nentity Arc handle=2a\n", 2, L"handle 2a is used twice"},
        {L"entity Circle handle=\n", 1, L"a handle is empty"},
        {L"layer A color=999\n", 1, L"a colour index is from 1 to 255, not \"999\""},
        {L"layer A linetype=Wavy\n", 1, L"linetype \"Wavy\" is not in the drawing"},
        {L"layer A colour=3\n", 1, L"\"colour\" is not a setting of layer"},
        {L"dynprop Rating type=I8\n", 1, L"a dynamic property's type is BSTR, R8, BOOL or I4"},
        {L"dynprop Rating class=* type\n", 1, L"\"type\" is not a setting of dynprop"},
        {L"layer A\nentity Circle Layer=A Radius=7.", 2, L"the last line has no line end: the file may be cut short"},
    };
    for (const Bad& bad : bads)
    {
        EXPECT_EQ(E_INVALIDARG, dkhost_test::LoadDrawingText(bad.text, &line)) << bad.text;
        EXPECT_EQ(bad.line, line) << bad.text;
        EXPECT_EQ(std::wstring(bad.why), dkhost_test::LastLoadError()) << bad.text;
        EXPECT_EQ(0, dkhost_test::Entities(nullptr, 0)) << "nothing half read: " << bad.text;
    }
    // An enumeration out of its values (the type library's constants).
    EXPECT_EQ(E_INVALIDARG, dkhost_test::LoadDrawingText(L"entity Text Alignment=99\n", &line));
    EXPECT_EQ(L"That is not a valid value for Alignment.", std::wstring(dkhost_test::LastLoadError()));

    EXPECT_EQ(S_OK, dkhost_test::LoadDrawingText(L"sysvar ANGBASE 0.5\nsysvar LUNITS 4\n", &line));
    resbuf rb{};
    ASSERT_EQ(RTNORM, dkedGetVar(L"LUNITS", &rb));
    EXPECT_EQ(4, rb.resval.rint);
    rb.resval.rint = 2;
    dkedSetVar(L"LUNITS", &rb);
}

TEST_F(Host, JournalRecordsNotificationsPromptsAndHighlights)
{
    dkedSendModelessOperationStart(L"OPM_CHGPROP");
    dkedSendModelessOperationEnded(L"OPM_CHGPROP");
    dkedPostCommandPrompt();
    DkDbEntity* entity = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(entity, DkDbObjectId(dkhost_test::EntityByHandle(L"38")), DkDb::kForRead));
    DkDbFullSubentPath path;
    path.subentIndex = 2;
    entity->pushHighlight(path, 2);
    entity->popHighlight(path);
    entity->close();
    EXPECT_EQ((std::vector<std::wstring>{L"modeless start OPM_CHGPROP", L"modeless end OPM_CHGPROP", L"command prompt",
                                         L"highlight push 38 subent 2 style 2", L"highlight pop 38 subent 2"}),
              dktest::Journal());
}
} // namespace

namespace
{
class CountingReactor : public DkDbObjectReactor
{
public:
    std::vector<LONG_PTR> modifiedIds;
    std::vector<LONG_PTR> gone;
    void modified(DkDbObjectId id) noexcept override { modifiedIds.push_back(id.asOldId()); }
    void goodbye(DkDbObjectId id) noexcept override { gone.push_back(id.asOldId()); }
};

TEST_F(Host, TableReactorsHearOfTheirRecordsChanging)
{
    DkDbDatabase* db = dkDocManager()->curDocument()->database();
    CountingReactor reactor;
    ASSERT_EQ(Drvk::eOk, db->addReactor(db->layerTableId(), &reactor));
    ASSERT_TRUE(dkhost_test::SetLayerState(L"Walls", false, false, true));
    DkDbSymbolTable* layers = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(layers, db->layerTableId(), DkDb::kForRead));
    DkDbObjectId walls;
    ASSERT_EQ(Drvk::eOk, layers->getAt(L"walls", walls)) << "names match in any letter case";
    layers->close();
    EXPECT_EQ((std::vector<LONG_PTR>{walls.asOldId()}), reactor.modifiedIds);
    ASSERT_EQ(Drvk::eOk, db->removeReactor(db->layerTableId(), &reactor));
    dkhost_test::SetLayerState(L"Walls", false, false, false);
    EXPECT_EQ(1u, reactor.modifiedIds.size());
    EXPECT_EQ(0, dkhost_test::StrayReactorRemovals());
    EXPECT_NE(Drvk::eOk, db->removeReactor(db->layerTableId(), &reactor)) << "no longer attached";
    EXPECT_EQ(1, dkhost_test::StrayReactorRemovals());
}

// The host's layer commands: each tells the table's reactors; renaming carries the entities
// along, purging is refused for layer 0 and for a layer in use; a write of an entity's layer
// keeps the layer's own spelling. Replacing the drawing detaches every reactor and tells it.
TEST_F(Host, LayerCommandsTellTheTableAndTheDrawingSaysGoodbye)
{
    DkDbDatabase* db = dkDocManager()->curDocument()->database();
    CountingReactor reactor;
    const LONG_PTR table = dkhost_test::LayerTableId();
    ASSERT_EQ(Drvk::eOk, db->addReactor(db->layerTableId(), &reactor));
    EXPECT_EQ(1, dkhost_test::Reactors(table));

    const LONG_PTR added = dkhost_test::AddLayer(L"Annotation", 2);
    ASSERT_NE(0, added);
    EXPECT_TRUE(dkhost_test::RenameLayer(L"Doors", L"Openings"));
    EXPECT_FALSE(dkhost_test::RenameLayer(L"Walls", L"windows")) << "another layer's name";
    EXPECT_FALSE(dkhost_test::RenameLayer(L"0", L"Zero"));
    EXPECT_FALSE(dkhost_test::PurgeLayer(L"0"));
    EXPECT_FALSE(dkhost_test::PurgeLayer(L"Walls")) << "in use";
    EXPECT_TRUE(dkhost_test::PurgeLayer(L"Annotation"));
    EXPECT_EQ(0, dkhost_test::LayerId(L"Annotation"));
    EXPECT_TRUE(dkhost_test::SetLayerViewportColor(L"Walls", 1, 4));
    const LONG_PTR openings = dkhost_test::LayerId(L"Openings");
    const LONG_PTR walls = dkhost_test::LayerId(L"Walls");
    EXPECT_EQ((std::vector<LONG_PTR>{added, openings, added, walls}), reactor.modifiedIds);

    // Circle 30 was on Doors: it reads the new name, and is written in the layer's spelling.
    ComPtr<IDispatch> circle = Object(L"30");
    auto layerOf = [&]
    {
        dkfw::UniqueVariant v;
        Get(circle.Get(), 2, v.Put());
        return v.Type() == VT_BSTR ? std::wstring(v.Get().bstrVal) : std::wstring(L"<none>");
    };
    EXPECT_EQ(L"Openings", layerOf());
    dkfw::UniqueBstr lower(L"walls");
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = lower.Get();
    ASSERT_EQ(S_OK, Put(circle.Get(), 2, value));
    EXPECT_EQ(L"Walls", layerOf());

    // Overrides in a viewport are the layer's, and only in that viewport.
    DkDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(layer, DkDbObjectId(walls), DkDb::kForRead));
    EXPECT_TRUE(layer->hasOverrides(DkDbObjectId(1)));
    EXPECT_FALSE(layer->hasOverrides(DkDbObjectId(2)));
    EXPECT_FALSE(layer->hasOverrides(DkDbObjectId()));
    layer->close();

    // What undo puts back follows a rename, and keeps a layer from being purged; a group in
    // which nothing changed leaves no step.
    dkfw::UniqueBstr annotation(L"Annotation2");
    ASSERT_NE(0, dkhost_test::AddLayer(annotation.Get(), 5));
    value.bstrVal = annotation.Get();
    ASSERT_EQ(S_OK, Put(circle.Get(), 2, value));
    value.bstrVal = lower.Get();
    ASSERT_EQ(S_OK, Put(circle.Get(), 2, value));
    EXPECT_FALSE(dkhost_test::PurgeLayer(L"Annotation2")) << "undo would bring it back";
    EXPECT_TRUE(dkhost_test::RenameLayer(L"Annotation2", L"Notes"));
    EXPECT_EQ(1, dkhost_test::Undo(1));
    EXPECT_EQ(L"Notes", layerOf());
    const int depth = dkhost_test::UndoDepth();
    db->undoController()->undoGroup(DkDb::kUndoGroupBegin, L"Nothing");
    db->undoController()->undoGroup(DkDb::kUndoGroupEnd);
    EXPECT_EQ(depth, dkhost_test::UndoDepth());

    // Faults: a record that refuses to open.
    dkhost_test::SetOpenFault(walls, true);
    EXPECT_NE(Drvk::eOk, dkdbOpenObject(layer, DkDbObjectId(walls), DkDb::kForRead));
    dkhost_test::SetOpenFault(walls, false);

    circle.Reset();
    ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
    EXPECT_EQ((std::vector<LONG_PTR>{table}), reactor.gone);
    EXPECT_EQ(0, dkhost_test::Reactors(dkhost_test::LayerTableId()));
    EXPECT_EQ(6u, reactor.modifiedIds.size()) << "nothing more once gone";
}

TEST(HostString, NamesSortIgnoringCaseThenByCodeUnits)
{
    EXPECT_LT(DkString(L"apple").compare(L"Banana"), 0);
    EXPECT_GT(DkString(L"Site|Grid").compare(L"Site"), 0);
    EXPECT_LT(DkString(L"Doors").compare(L"doors"), 0) << "upper case first among equals";
    EXPECT_EQ(0, DkString(L"Doors").compare(DkString(L"Doors")));
    EXPECT_EQ(0, DkString().compare(nullptr));
}
} // namespace

namespace
{
// The region of the hatch with the given handle, or null.
std::unique_ptr<DkDbRegion> RegionOf(const wchar_t* handle)
{
    DkDbHatch* hatch = nullptr;
    if (dkdbOpenObject(hatch, DkDbObjectId(dkhost_test::EntityByHandle(handle)), DkDb::kForRead) != Drvk::eOk)
        return nullptr;
    DkDbRegion* region = nullptr;
    hatch->getRegionArea(region);
    hatch->close();
    return std::unique_ptr<DkDbRegion>(region);
}

double UnitedArea(std::vector<const wchar_t*> handles)
{
    std::unique_ptr<DkDbRegion> united = RegionOf(handles[0]);
    for (size_t i = 1; i < handles.size(); ++i)
    {
        std::unique_ptr<DkDbRegion> next = RegionOf(handles[i]);
        EXPECT_EQ(Drvk::eOk, united->booleanOper(DkDb::kBoolUnite, next.get()));
        double left = -1;
        EXPECT_EQ(Drvk::eOk, next->getArea(left));
        EXPECT_EQ(0, left) << "what was united is gone from the other region";
    }
    double area = -1;
    EXPECT_EQ(Drvk::eOk, united->getArea(area));
    return area;
}
} // namespace

TEST_F(Host, HatchRegionsUniteWithOverlapsCountedOnce)
{
    int line = 0;
    ASSERT_EQ(S_OK, dkhost_test::LoadDrawingText(L"entity Hatch handle=A Coordinates=0,0,4,0,4,4,0,4\n"
                                                 L"entity Hatch handle=B Coordinates=2,2,6,2,6,6,2,6\n"
                                                 L"entity Hatch handle=C Coordinates=10,0,12,0,11,3\n"
                                                 L"entity Hatch handle=D Coordinates=1,1,3,1,3,3,1,3\n"
                                                 L"entity Hatch handle=E Coordinates=0,0,2,2,2,0,0,2\n"
                                                 L"entity Hatch handle=F Coordinates=-2,2,2,-2,6,2,2,6\n"
                                                 L"entity Hatch handle=G\n",
                                                 &line))
        << line;
    EXPECT_NEAR(16 + 16 - 4, UnitedArea({L"A", L"B"}), 1e-9) << "two squares overlapping in a corner";
    EXPECT_NEAR(16 + 3, UnitedArea({L"A", L"C"}), 1e-9) << "apart";
    EXPECT_NEAR(16, UnitedArea({L"A", L"D"}), 1e-9) << "one inside the other";
    EXPECT_NEAR(2, UnitedArea({L"E"}), 1e-9) << "a bow tie: two triangles meeting in a point";
    EXPECT_NEAR(32, UnitedArea({L"F", L"A"}), 1e-9) << "a diamond around the square, edges crossing";
    EXPECT_NEAR(16 + 16 - 4 + 3, UnitedArea({L"A", L"B", L"C", L"D"}), 1e-9);

    // The hatch's own area is its region's; a hatch without a boundary has no region.
    ComPtr<IDispatch> a;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"C"), a.Put()));
    EXPECT_NEAR(3, Real(a.Get(), 104), 1e-12);
    EXPECT_EQ(nullptr, RegionOf(L"G"));
    DkDbEntity* entity = nullptr;
    EXPECT_EQ(Drvk::eOk, dkdbOpenObject(entity, DkDbObjectId(dkhost_test::EntityByHandle(L"A")), DkDb::kForRead));
    ASSERT_NE(nullptr, entity);
    EXPECT_NE(nullptr, DkDbHatch::cast(entity));
    entity->close();
    // Outlines that touch without crossing inside their edges: along an edge, at a vertex,
    // one drawn inside another along its sides, a bow tie through a vertex of its own.
    ASSERT_EQ(S_OK, dkhost_test::LoadDrawingText(L"entity Hatch handle=AA Coordinates=0,0,2,0,2,2,0,2\n"
                                                 L"entity Hatch handle=AB Coordinates=1,0,3,0,3,2,1,2\n"
                                                 L"entity Hatch handle=AC Coordinates=1,1,3,3,3,-1\n"
                                                 L"entity Hatch handle=AD Coordinates=0,0,2,0,0,2\n"
                                                 L"entity Hatch handle=AE Coordinates=0,0,1,1,2,2,2,0,1,1,0,2\n",
                                                 &line))
        << line;
    EXPECT_NEAR(6, UnitedArea({L"AA", L"AB"}), 1e-9) << "lying along each other";
    EXPECT_NEAR(7, UnitedArea({L"AA", L"AC"}), 1e-9) << "a corner touching an edge";
    EXPECT_NEAR(4, UnitedArea({L"AD", L"AA"}), 1e-9) << "inside along two sides, listed first";
    EXPECT_NEAR(2, UnitedArea({L"AE"}), 1e-9) << "a bow tie through its own vertex";
    EXPECT_EQ(0, dkhost_test::LiveRegions());
}

// A drawing made to stall or exhaust the host: an outline beyond the vertices the host takes,
// a file beyond its size, lines beyond their count are refused with where and why, and no
// drawing is left half read; an outline that crosses itself millions of times is declined
// at once when its area is asked for, while a simple one of as many vertices is measured.
TEST_F(Host, AHostileDrawingIsRefusedWithAReasonAndNoAreaStalls)
{
    // n vertices on a circle of radius 100, each joined to the one step places on.
    auto star = [](int n, int step)
    {
        std::wstring text;
        for (int i = 0; i < n; ++i)
        {
            const double a = 2 * 3.14159265358979323846 * ((static_cast<long long>(i) * step) % n) / n;
            text += (i ? L"," : L"") + std::to_wstring(100 * std::cos(a)) + L"," + std::to_wstring(100 * std::sin(a));
        }
        return text;
    };
    int line = 0;
    EXPECT_EQ(E_INVALIDARG, dkhost_test::LoadDrawingText(
                                (L"layer A\nentity Hatch handle=H Coordinates=" + star(10000, 4999)).c_str(), &line));
    EXPECT_EQ(2, line);
    EXPECT_EQ(L"Coordinates holds more than 8192 numbers", std::wstring(dkhost_test::LastLoadError()));
    EXPECT_EQ(0, dkhost_test::Entities(nullptr, 0)) << "nothing half read";

    ASSERT_EQ(S_OK, dkhost_test::LoadDrawingText((L"entity Hatch handle=S Coordinates=" + star(4096, 1) +
                                                  L"\nentity Hatch handle=X Coordinates=" + star(4095, 2047) + L"\n")
                                                     .c_str(),
                                                 &line));
    EXPECT_EQ(L"", std::wstring(dkhost_test::LastLoadError()));
    EXPECT_NEAR(3.14159265358979323846 * 100 * 100, UnitedArea({L"S"}), 5) << "a circle's area";
    std::unique_ptr<DkDbRegion> crossed = RegionOf(L"X");
    ASSERT_NE(nullptr, crossed);
    double area = -1;
    EXPECT_EQ(Drvk::eInvalidInput, crossed->getArea(area)) << "declined, not stalled";
    crossed.reset();
    ComPtr<IDispatch> x;
    ASSERT_EQ(S_OK, dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(L"X"), x.Put()));
    UniqueVariant v;
    EXPECT_TRUE(FAILED(Get(x.Get(), 104, v.Put()))) << "the hatch's own area is declined too";

    std::wstring comments;
    for (int i = 0; i <= 100000; ++i)
        comments += L"#\n";
    EXPECT_EQ(E_INVALIDARG, dkhost_test::LoadDrawingText(comments.c_str(), &line));
    EXPECT_EQ(100001, line);

    const dktest::TempDir folder;
    const std::wstring path = folder.Path() + L"large.dkd";
    {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        const std::string block(1 << 20, '#');
        DWORD written = 0;
        for (int i = 0; i < 17; ++i)
            ::WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    EXPECT_EQ(E_INVALIDARG, dkhost_test::LoadDrawingFile(path.c_str(), &line));
    EXPECT_EQ(L"a drawing file has at most 16 MiB", std::wstring(dkhost_test::LastLoadError()));
    EXPECT_EQ(0, dkhost_test::LiveRegions());
}

namespace
{
const GUID kProgIdGuid = {0x9b3c1f6e, 0x5d2a, 0x4e7b, {0x8c, 0x41, 0x2f, 0x6a, 0x90, 0xd3, 0x17, 0xe5}};
const GUID kProbeLibId = {0x51c0a7e2, 0x3b9d, 0x4f10, {0xa6, 0x2e, 0x7d, 0x18, 0x44, 0xc9, 0x05, 0xb3}};
const CLSID kProbeGood = {0x51c0a7e3, 0x3b9d, 0x4f10, {0xa6, 0x2e, 0x7d, 0x18, 0x44, 0xc9, 0x05, 0xb3}};
const CLSID kProbeBad = {0x51c0a7e4, 0x3b9d, 0x4f10, {0xa6, 0x2e, 0x7d, 0x18, 0x44, 0xc9, 0x05, 0xb3}};

// A type library file with two classes, the second's progid as given.
std::wstring ProbeTypeLibrary(const dktest::TempDir& folder, const wchar_t* badProgId, const CLSID& second = kProbeBad,
                              const GUID& libId = kProbeLibId)
{
    const std::wstring path = folder.Path() + L"probe.tlb";
    ComPtr<ICreateTypeLib2> lib;
    EXPECT_EQ(S_OK, ::CreateTypeLib2(SYS_WIN64, path.c_str(), lib.Put()));
    lib->SetGuid(libId);
    lib->SetName(const_cast<LPOLESTR>(L"ProbeLib"));
    lib->SetVersion(1, 0);
    const std::pair<const CLSID*, const wchar_t*> classes[] = {{&kProbeGood, L"Probe.Good.1"}, {&second, badProgId}};
    int index = 0;
    for (const auto& [clsid, progId] : classes)
    {
        ComPtr<ICreateTypeInfo> info;
        const std::wstring name = L"Probe" + std::to_wstring(index++);
        EXPECT_EQ(S_OK, lib->CreateTypeInfo(const_cast<LPOLESTR>(name.c_str()), TKIND_COCLASS, info.Put()));
        info->SetGuid(*clsid);
        auto info2 = info.Query<ICreateTypeInfo2>();
        VARIANT v;
        v.vt = VT_BSTR;
        v.bstrVal = ::SysAllocString(progId);
        EXPECT_EQ(S_OK, info2->SetCustData(kProgIdGuid, &v));
        ::VariantClear(&v);
        info->LayOut();
    }
    EXPECT_EQ(S_OK, lib->SaveAllChanges());
    return path;
}

bool ClassKeyExists(HKEY hive, const std::wstring& key)
{
    HKEY h = nullptr;
    if (::RegOpenKeyExW(hive, (L"Software\\Classes\\" + key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(h);
    return true;
}
} // namespace

// The installer takes no name from a module's type library on trust: a progid that would
// name another key under the classes root (a backslash) or the class table itself refuses
// the whole registration before anything is written, and no uninstall deletes the class
// table; a sound module is written to the user's classes and the machine's and taken out
// of both.
TEST(Installer, AProgIdThatIsNoneRefusesTheRegistrationAndNothingIsWritten)
{
    wchar_t clsidText[40];
    ::StringFromGUID2(kProbeGood, clsidText, 40);
    const std::wstring goodKey = std::wstring(L"CLSID\\") + clsidText;
    for (const wchar_t* bad : {L"Probe\\..\\Evil", L"CLSID", L"clsid", L"1Probe", L"Probe Evil", L"Probe/Evil"})
    {
        SCOPED_TRACE(testing::Message() << std::string(bad, bad + std::wcslen(bad)));
        const dktest::TempDir folder;
        const std::wstring path = ProbeTypeLibrary(folder, bad);
        int count = -1;
        EXPECT_EQ(E_INVALIDARG, dkhost_test::InstallModule(path.c_str(), &count));
        EXPECT_EQ(0, count);
        for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        {
            EXPECT_FALSE(ClassKeyExists(hive, goodKey)) << "nothing written";
            EXPECT_FALSE(ClassKeyExists(hive, L"Probe.Good.1"));
        }
        EXPECT_EQ(S_OK, dkhost_test::UninstallModule(path.c_str()));
        EXPECT_TRUE(ClassKeyExists(HKEY_LOCAL_MACHINE, L"CLSID")) << "the class table stays";
        EXPECT_EQ(E_INVALIDARG, dkhost_test::RegisterControlClass(kProbeBad, bad, L"Probe", path.c_str(), nullptr));
    }

    // Names that are valid but another's: a file type's progid, a class another module serves.
    // Nothing is written, and no uninstall takes them out.
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Probetype", nullptr, REG_SZ,
                                               L"Probe file", sizeof(L"Probe file")));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Classes\\Probetype", nullptr, REG_SZ,
                                               L"Probe file", sizeof(L"Probe file")));
    const CLSID stdFont = {0x0be35203, 0x8f91, 0x11ce, {0x9d, 0xe3, 0x00, 0xaa, 0x00, 0x4b, 0xb8, 0x51}};
    for (const CLSID* second : {&kProbeBad, &stdFont})
    {
        const dktest::TempDir folder;
        const std::wstring path =
            ProbeTypeLibrary(folder, second == &stdFont ? L"Probe.Font.1" : L"Probetype", *second);
        EXPECT_EQ(E_ACCESSDENIED, dkhost_test::InstallModule(path.c_str(), nullptr));
        EXPECT_FALSE(ClassKeyExists(HKEY_CURRENT_USER, goodKey)) << "nothing written";
        EXPECT_EQ(S_OK, dkhost_test::UninstallModule(path.c_str()));
        EXPECT_TRUE(ClassKeyExists(HKEY_LOCAL_MACHINE, L"Probetype"));
        EXPECT_TRUE(
            ClassKeyExists(HKEY_LOCAL_MACHINE, L"CLSID\\{0BE35203-8F91-11CE-9DE3-00AA004BB851}\\InprocServer32"))
            << "another module's class stays";
    }
    // A class key another program keeps without an in-process server, and the type library
    // id of the system's automation library: neither is written over nor taken out.
    {
        wchar_t bad[40];
        ::StringFromGUID2(kProbeBad, bad, 40);
        const std::wstring local = std::wstring(L"Software\\Classes\\CLSID\\") + bad + L"\\LocalServer32";
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, local.c_str(), nullptr, REG_SZ, L"x.exe", sizeof(L"x.exe")));
        const dktest::TempDir folder;
        const std::wstring path = ProbeTypeLibrary(folder, L"Probe.Local.1");
        EXPECT_EQ(E_ACCESSDENIED, dkhost_test::InstallModule(path.c_str(), nullptr));
        EXPECT_EQ(S_OK, dkhost_test::UninstallModule(path.c_str()));
        EXPECT_TRUE(ClassKeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"CLSID\\") + bad + L"\\LocalServer32"));
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(L"Software\\Classes\\CLSID\\") + bad).c_str());

        const GUID stdole = {0x00020430, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
        const dktest::TempDir other;
        const std::wstring impostor = ProbeTypeLibrary(other, L"Probe.Lib.1", kProbeBad, stdole);
        const bool registered = ClassKeyExists(HKEY_LOCAL_MACHINE, L"TypeLib\\{00020430-0000-0000-C000-000000000046}");
        if (registered)
            EXPECT_EQ(E_ACCESSDENIED, dkhost_test::InstallModule(impostor.c_str(), nullptr));
        EXPECT_EQ(S_OK, dkhost_test::UninstallModule(impostor.c_str()));
        EXPECT_EQ(registered, ClassKeyExists(HKEY_LOCAL_MACHINE, L"TypeLib\\{00020430-0000-0000-C000-000000000046}"));
    }
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Probetype");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\Probetype");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE),
              dkhost_test::InstallModule((L"C:\\" + std::wstring(400, L'b') + L".drx").c_str(), nullptr));

    const dktest::TempDir folder;
    const std::wstring path = ProbeTypeLibrary(folder, L"Probe.Fine.1");
    int count = 0;
    ASSERT_EQ(S_OK, dkhost_test::InstallModule(path.c_str(), &count));
    EXPECT_EQ(2, count);
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    {
        EXPECT_TRUE(ClassKeyExists(hive, goodKey + L"\\InprocServer32"));
        EXPECT_TRUE(ClassKeyExists(hive, L"Probe.Fine.1\\CLSID"));
    }
    ASSERT_EQ(S_OK, dkhost_test::UninstallModule(path.c_str()));
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    {
        EXPECT_FALSE(ClassKeyExists(hive, goodKey));
        EXPECT_FALSE(ClassKeyExists(hive, L"Probe.Fine.1"));
    }
    EXPECT_TRUE(ClassKeyExists(HKEY_LOCAL_MACHINE, L"CLSID"));
}

namespace
{
// The host's lineweights, the samples' drawing rules, the linetype names and commands, and
// the layers' lineweights and linetypes in the current viewport.
TEST_F(Host, LineweightsAndLinetypesAsTheHostListsAndDrawsThem)
{
    DkString text;
    EXPECT_EQ(0, GetLineWeightFromDrvk(text, 0));
    EXPECT_STREQ(L"0.00 mm", text.kwszPtr());
    EXPECT_EQ(211, GetLineWeightFromDrvk(text, 23));
    EXPECT_STREQ(L"2.11 mm", text.kwszPtr());
    EXPECT_LT(GetLineWeightFromDrvk(text, 24), 0);
    EXPECT_TRUE(text.isEmpty());
    dkhost_test::SetLineweightUnits(true);
    EXPECT_EQ(35, GetLineWeightFromDrvk(text, 9));
    EXPECT_STREQ(L"0.014\"", text.kwszPtr());
    dkhost_test::SetLineweightUnits(false);

    // The bar: max(1, lw / 25) rows centred on the bottom edge; the pattern on the bottom row.
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 40, 20);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    auto clear = [&]
    {
        const RECT all{0, 0, 40, 20};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    };
    auto rows = [&]
    {
        std::vector<int> out;
        for (int y = 0; y < 20; ++y)
            if (::GetPixel(dc, 5, y) == RGB(200, 0, 0))
                out.push_back(y);
        return out;
    };
    ::SetTextColor(dc, RGB(200, 0, 0));
    clear();
    DrawLWLine(dc, 100, RECT{0, 0, 40, 10}, 1);
    EXPECT_EQ((std::vector<int>{8, 9, 10, 11}), rows());
    clear();
    DrawLWLine(dc, 9, RECT{0, 0, 40, 10}, 1);
    EXPECT_EQ((std::vector<int>{10}), rows());
    clear();
    DrawLTypePattern(dc, DkDbObjectId(dkhost_test::LinetypeId(L"Center")), RECT{0, 0, 40, 10}, 1);
    std::wstring line;
    for (int x = 0; x < 22; ++x)
        line += ::GetPixel(dc, x, 10) == RGB(200, 0, 0) ? L'#' : L'.';
    EXPECT_EQ(L"############...##...##", line) << "12 on, 3 off, 2 on, 3 off";
    clear();
    DrawLTypePattern(dc, DkDbObjectId(12345), RECT{0, 0, 40, 10}, 1);
    EXPECT_NE(RGB(200, 0, 0), ::GetPixel(dc, 0, 10)) << "nothing for an id that is no linetype";
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);

    EXPECT_TRUE(DkDbSymUtil::isLinetypeByLayer(L"BYLAYER"));
    EXPECT_FALSE(DkDbSymUtil::isLinetypeContinuous(L"Dashed"));
    EXPECT_STREQ(L"ByBlock", DkDbSymUtil::linetypeByBlockName());

    // Linetypes: the reserved ones and those in use stay; Doors' linetype and lineweight are
    // overridden in the current viewport.
    EXPECT_FALSE(dkhost_test::RenameLinetype(L"Continuous", L"Solid"));
    EXPECT_FALSE(dkhost_test::PurgeLinetype(L"Dashed")) << "line 2B and Doors' override use it";
    EXPECT_TRUE(dkhost_test::PurgeLinetype(L"Center"));
    DkDbLayerTableRecord* doors = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(doors, DkDbObjectId(dkhost_test::LayerId(L"Doors")), DkDb::kForRead));
    bool overridden = false;
    EXPECT_EQ(35, doors->lineWeightInViewport(dkedGetCurViewportObjectId(), overridden));
    EXPECT_TRUE(overridden);
    EXPECT_EQ(25, doors->lineWeightInViewport(DkDbObjectId(7), overridden));
    EXPECT_FALSE(overridden);
    EXPECT_EQ(dkhost_test::LinetypeId(L"Dashed"),
              doors->linetypeObjectIdInViewport(dkedGetCurViewportObjectId(), overridden).asOldId());
    EXPECT_EQ(dkhost_test::LinetypeId(L"Continuous"),
              doors->linetypeObjectIdInViewport(DkDbObjectId(7), overridden).asOldId());
    doors->close();

    // A linetype written in any letter case reads back as the record spells it.
    ComPtr<IDispatch> line2A = Object(L"2A");
    dkfw::UniqueBstr hidden(L"HIDDEN");
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = hidden.Get();
    ASSERT_EQ(S_OK, Put(line2A.Get(), 3, value));
    dkfw::UniqueVariant back;
    Get(line2A.Get(), 3, back.Put());
    ASSERT_EQ(VT_BSTR, back.Type());
    EXPECT_STREQ(L"Hidden", back.Get().bstrVal);
}
} // namespace

namespace
{
ComPtr<IDispatch> ObjectOf(const wchar_t* handle)
{
    ComPtr<IDispatch> d;
    dkhost_test::GetPaletteObject(dkhost_test::EntityByHandle(handle), d.Put());
    return d;
}

std::vector<std::wstring> Offered(IDispatch* object, DISPID dispid)
{
    std::vector<std::wstring> names;
    ComPtr<IPerPropertyBrowsing> browsing;
    if (FAILED(object->QueryInterface(IID_IPerPropertyBrowsing, browsing.PutVoid())))
        return names;
    CALPOLESTR strings{};
    CADWORD cookies{};
    if (FAILED(browsing->GetPredefinedStrings(dispid, &strings, &cookies)))
        return names;
    for (ULONG i = 0; i < strings.cElems; ++i)
    {
        names.emplace_back(strings.pElems[i]);
        ::CoTaskMemFree(strings.pElems[i]);
    }
    ::CoTaskMemFree(strings.pElems);
    ::CoTaskMemFree(cookies.pElems);
    return names;
}
} // namespace

// Styled objects offer their table's names in table order and refuse others; a style record
// and an entity answer the annotative extension, which takes an entity's state from its
// style undoably; a text's alignment point follows its justification and size.
TEST_F(Host, StylesTheAnnotativeExtensionAndTheTextLayout)
{
    auto text = ObjectOf(L"40");
    EXPECT_EQ((std::vector<std::wstring>{L"Standard", L"Titles", L"Notes", L"Site|Notes"}), Offered(text.Get(), 103));
    EXPECT_EQ((std::vector<std::wstring>{L"Standard", L"Callout"}), Offered(ObjectOf(L"68").Get(), 100));
    EXPECT_EQ(15u, Offered(text.Get(), 104).size()) << "the justifications";
    // Every entity browses its properties (its hyperlinks have a page); one without a style
    // offers its enumerations' constants, and nothing for other values.
    EXPECT_EQ(27u, Offered(ObjectOf(L"30").Get(), 5).size()) << "the lineweights";
    EXPECT_TRUE(Offered(ObjectOf(L"30").Get(), 101).empty()) << "a radius";
    UniqueVariant missing;
    missing.Addr()->vt = VT_BSTR;
    missing.Addr()->bstrVal = ::SysAllocString(L"Headings");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{missing.Addr(), &named, 1, 1};
    EXPECT_EQ(DISP_E_EXCEPTION,
              text->Invoke(103, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));

    DkDbObject* titles = nullptr;
    ASSERT_EQ(Drvk::eOk,
              dkdbOpenObject(titles, DkDbObjectId(dkhost_test::StyleId(L"text", L"Titles")), DkDb::kForRead));
    auto* extension = DkDbAnnotativeObjectPE::cast(titles->queryX(DkDbAnnotativeObjectPE::desc()));
    ASSERT_NE(nullptr, extension);
    EXPECT_TRUE(extension->annotative(titles));
    auto* style = DkDbTextStyleTableRecord::cast(titles);
    ASSERT_NE(nullptr, style);
    EXPECT_DOUBLE_EQ(0.8, style->xScale());
    EXPECT_EQ(6, style->flagBits());
    titles->close();

    UniqueVariant name;
    name.Addr()->vt = VT_BSTR;
    name.Addr()->bstrVal = ::SysAllocString(L"Titles");
    params.rgvarg = name.Addr();
    ASSERT_EQ(S_OK, text->Invoke(103, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
    DkDbObject* entity = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(entity, DkDbObjectId(dkhost_test::EntityByHandle(L"40")), DkDb::kForRead));
    bool modified = false;
    EXPECT_EQ(Drvk::eNotOpenForWrite, extension->setFromStyle(entity, modified)) << "open for read";
    ASSERT_EQ(Drvk::eOk, entity->upgradeOpen());
    const int depth = dkhost_test::UndoDepth();
    EXPECT_EQ(Drvk::eOk, extension->setFromStyle(entity, modified));
    EXPECT_TRUE(modified);
    EXPECT_TRUE(extension->annotative(entity));
    entity->close();
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    dkhost_test::Undo(1);
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(entity, DkDbObjectId(dkhost_test::EntityByHandle(L"40")), DkDb::kForRead));
    EXPECT_FALSE(extension->annotative(entity));
    entity->close();
    dkhost_test::SetNoAnnotativeExtension(true);
    EXPECT_EQ(nullptr, DkDbEntity::desc()->queryX(DkDbAnnotativeObjectPE::desc()));
    dkhost_test::SetNoAnnotativeExtension(false);

    // Right justified: the alignment point holds the text; a longer text moves its start.
    auto put = [&](DISPID dispid, VARIANT v)
    {
        DISPPARAMS p{&v, &named, 1, 1};
        return text->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr);
    };
    VARIANT right;
    right.vt = VT_I4;
    right.lVal = 2;
    ASSERT_EQ(S_OK, put(104, right));
    ComPtr<IDkPropertyElements> elements;
    ASSERT_EQ(S_OK, text->QueryInterface(IID_IDkPropertyElements, elements.PutVoid()));
    auto element = [&](DISPID dispid, DWORD cookie)
    {
        UniqueVariant v;
        elements->GetElementValue(dispid, cookie, v.Put());
        return v.Type() == VT_R8 ? v.Get().dblVal : NAN;
    };
    EXPECT_DOUBLE_EQ(10.0, element(108, 0));
    EXPECT_DOUBLE_EQ(10.0 - 0.6 * 2.5 * 11, element(107, 0));
    VARIANT longer;
    longer.vt = VT_BSTR;
    longer.bstrVal = ::SysAllocString(L"Living room 2");
    ASSERT_EQ(S_OK, put(100, longer));
    ::SysFreeString(longer.bstrVal);
    EXPECT_DOUBLE_EQ(10.0, element(108, 0));
    EXPECT_DOUBLE_EQ(10.0 - 0.6 * 2.5 * 13, element(107, 0));
}

// Points and number lists element by element, in groups, through either interface; element
// writes undone like any; faults by element and by form; element expressions; the crosses
// that mark vertices.
TEST_F(Host, ElementsOfPointsAndListsAndTheVertexMarks)
{
    const LONG_PTR id = dkhost_test::EntityByHandle(L"38");
    auto polyline = ObjectOf(L"38");
    ComPtr<IDkPropertyElements> plain;
    ComPtr<IDkPropertyElementsOf> withObject;
    ASSERT_EQ(S_OK, polyline->QueryInterface(IID_IDkPropertyElements, plain.PutVoid()));
    ASSERT_EQ(S_OK, polyline->QueryInterface(IID_IDkPropertyElementsOf, withObject.PutVoid()));
    LONG count = 0, groups = 0;
    short perGroup = 0;
    EXPECT_EQ(S_OK, plain->GetElementCount(100, &count));
    EXPECT_EQ(S_OK, withObject->GetElementGrouping(100, polyline.Get(), &perGroup));
    EXPECT_EQ(S_OK, plain->GetGroupCount(100, &groups));
    EXPECT_EQ(8, count);
    EXPECT_EQ(2, perGroup);
    EXPECT_EQ(4, groups);
    UniqueVariant v;
    EXPECT_EQ(S_OK, withObject->GetElementValue(100, polyline.Get(), 2, v.Put()));
    EXPECT_DOUBLE_EQ(120.0, v.Get().dblVal);
    EXPECT_EQ(DISP_E_BADINDEX, plain->GetElementValue(100, 8, v.Put()));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, plain->GetElementValue(101, 0, v.Put())) << "not a point";

    VARIANT fifty;
    fifty.vt = VT_R8;
    fifty.dblVal = 50;
    const int depth = dkhost_test::UndoDepth();
    EXPECT_EQ(S_OK, plain->SetElementValue(100, 5, fifty));
    EXPECT_EQ(S_OK, plain->GetElementValue(100, 5, v.Put()));
    EXPECT_DOUBLE_EQ(50.0, v.Get().dblVal);
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    dkhost_test::Undo(1);
    EXPECT_EQ(S_OK, plain->GetElementValue(100, 5, v.Put()));
    EXPECT_DOUBLE_EQ(80.0, v.Get().dblVal) << "the third vertex's y";
    VARIANT word;
    word.vt = VT_BSTR;
    word.bstrVal = ::SysAllocString(L"far");
    EXPECT_EQ(DISP_E_TYPEMISMATCH, plain->SetElementValue(100, 5, word));
    ::SysFreeString(word.bstrVal);

    dkhost_test::SetElementFaultAt(id, 100, 3);
    EXPECT_EQ(E_FAIL, plain->SetElementValue(100, 3, fifty));
    EXPECT_EQ(S_OK, plain->SetElementValue(100, 2, fifty));
    dkhost_test::SetElementFault(id, 100, false);
    dkhost_test::SetElementReadFault(id, 100, true);
    EXPECT_EQ(E_FAIL, plain->GetElementValue(100, 0, v.Put()));
    dkhost_test::SetElementReadFault(id, 100, false);
    dkhost_test::SetElementForms(id, false, true);
    ComPtr<IDkPropertyElements> none;
    EXPECT_EQ(E_NOINTERFACE, polyline->QueryInterface(IID_IDkPropertyElements, none.PutVoid()));
    dkhost_test::SetElementForms(id, true, true);

    ComPtr<IDkPropertyElementExpressions> expressions;
    EXPECT_EQ(E_NOINTERFACE, polyline->QueryInterface(IID_IDkPropertyElementExpressions, expressions.PutVoid()));
    dkhost_test::SetExpression(id, 100, true, nullptr);
    ASSERT_EQ(S_OK, polyline->QueryInterface(IID_IDkPropertyElementExpressions, expressions.PutVoid()));
    dkfw::UniqueBstr text(L"d1/2");
    EXPECT_EQ(S_OK, expressions->SetElementExpression(100, polyline.Get(), 4, text.Get()));
    LONG has = 0;
    EXPECT_EQ(S_OK, expressions->GetElementHasExpression(100, polyline.Get(), 4, &has));
    EXPECT_EQ(1, has);
    dkfw::UniqueBstr back;
    EXPECT_EQ(S_OK, expressions->GetElementExpression(100, polyline.Get(), 4, back.Put()));
    EXPECT_EQ(L"d1/2", std::wstring(back.View()));
    dkhost_test::Undo(1);
    dkfw::UniqueBstr undone;
    EXPECT_EQ(S_FALSE, expressions->GetElementExpression(100, polyline.Get(), 4, undone.Put())) << "undone";
    EXPECT_EQ(S_OK, expressions->GetElementHasExpression(100, polyline.Get(), 4, &has));
    EXPECT_EQ(1, has) << "the element still takes one";

    LONG_PTR mark = 0;
    EXPECT_EQ(RTNORM, OPMxmark(1, 2, 3, mark));
    EXPECT_NE(0, mark);
    double xyz[3] = {};
    EXPECT_EQ(1, dkhost_test::Marks(xyz, 1));
    EXPECT_EQ(2.0, xyz[1]);
    EXPECT_EQ(RTNORM, OPMxemark(mark));
    EXPECT_EQ(0, mark);
    EXPECT_EQ(0, dkhost_test::Marks(nullptr, 0));
    EXPECT_EQ(RTERROR, OPMxmark(NAN, 0, 0, mark));
    EXPECT_EQ(0, dkhost_test::Marks(nullptr, 0));
}

namespace
{
// Calls a member of an object by its name: the arguments in the order written.
HRESULT CallByName(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id)))
        return DISP_E_UNKNOWNNAME;
    std::reverse(args.begin(), args.end());
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    DISPPARAMS params{args.data(), put ? &named : nullptr, static_cast<UINT>(args.size()), put ? 1u : 0u};
    return object->Invoke(id, IID_NULL, 0, flags, &params, result, nullptr, nullptr);
}

VARIANT Index(LONG i)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = i;
    return v;
}

std::vector<double> Numbers(const VARIANT& v)
{
    std::vector<double> out;
    if (v.vt != (VT_ARRAY | VT_R8))
        return out;
    double* data = nullptr;
    ::SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&data));
    out.assign(data, data + v.parray->rgsabound[0].cElements);
    ::SafeArrayUnaccessData(v.parray);
    return out;
}
} // namespace

// A polyline's vertices by index in its plane (its elevation and normal kept), a spline's
// control and fit points; the spline's layer under a DISPID of its own, still followed by
// name; points of a plane in world coordinates.
TEST_F(Host, VerticesOfPolylinesAndSplinesAndTheirPlanes)
{
    auto polyline = ObjectOf(L"39");
    UniqueVariant got;
    ASSERT_EQ(S_OK, CallByName(polyline.Get(), L"Coordinate", DISPATCH_PROPERTYGET, {Index(1)}, got.Put()));
    EXPECT_EQ((std::vector<double>{30, 80}), Numbers(got.Get()));
    UniqueVariant point;
    point.Addr()->vt = VT_ARRAY | VT_R8;
    point.Addr()->parray = ::SafeArrayCreateVector(VT_R8, 0, 3);
    double* p = nullptr;
    ::SafeArrayAccessData(point.Get().parray, reinterpret_cast<void**>(&p));
    p[0] = 45;
    p[1] = 10;
    p[2] = 7;
    ::SafeArrayUnaccessData(point.Get().parray);
    const int depth = dkhost_test::UndoDepth();
    ASSERT_EQ(S_OK, CallByName(polyline.Get(), L"Coordinate", DISPATCH_PROPERTYPUT, {Index(2), point.Get()}, nullptr));
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    ASSERT_EQ(S_OK, CallByName(polyline.Get(), L"Coordinate", DISPATCH_PROPERTYGET, {Index(2)}, got.Put()));
    EXPECT_EQ((std::vector<double>{45, 10}), Numbers(got.Get()));
    EXPECT_EQ(DISP_E_BADINDEX, CallByName(polyline.Get(), L"Coordinate", DISPATCH_PROPERTYGET, {Index(3)}, got.Put()));
    DkDbPolyline* opened = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(opened, DkDbObjectId(dkhost_test::EntityByHandle(L"39")), DkDb::kForRead));
    EXPECT_DOUBLE_EQ(2.5, opened->elevation()) << "a vertex written leaves the elevation";
    double normal[3] = {};
    opened->normal(normal);
    EXPECT_EQ(1.0, normal[2]);
    opened->close();
    dkhost_test::Undo(1);
    ASSERT_EQ(S_OK, CallByName(polyline.Get(), L"Coordinate", DISPATCH_PROPERTYGET, {Index(2)}, got.Put()));
    EXPECT_EQ((std::vector<double>{30, 82}), Numbers(got.Get()));

    auto spline = ObjectOf(L"3A");
    ASSERT_EQ(S_OK, CallByName(spline.Get(), L"GetControlPoint", DISPATCH_METHOD, {Index(1)}, got.Put()));
    EXPECT_EQ((std::vector<double>{20, 100, 0}), Numbers(got.Get()));
    ASSERT_EQ(S_OK, CallByName(spline.Get(), L"SetControlPoint", DISPATCH_METHOD, {Index(1), point.Get()}, nullptr));
    ComPtr<IDkPropertyElements> elements;
    ASSERT_EQ(S_OK, spline->QueryInterface(IID_IDkPropertyElements, elements.PutVoid()));
    short perGroup = 0;
    elements->GetElementGrouping(2, &perGroup);
    EXPECT_EQ(4, perGroup);
    for (const auto& [cookie, expected] : {std::pair{4u, 45.0}, std::pair{6u, 7.0}, std::pair{7u, 1.0}})
    {
        ASSERT_EQ(S_OK, elements->GetElementValue(2, cookie, got.Put()));
        EXPECT_EQ(expected, got.Get().dblVal) << cookie << ": the weight stays";
    }
    ASSERT_EQ(S_OK, CallByName(spline.Get(), L"GetFitPoint", DISPATCH_METHOD, {Index(2)}, got.Put()));
    EXPECT_EQ((std::vector<double>{80, 90, 0}), Numbers(got.Get()));
    EXPECT_EQ(DISP_E_BADINDEX, CallByName(spline.Get(), L"GetFitPoint", DISPATCH_METHOD, {Index(3)}, got.Put()));

    DkDbEntity* entity = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(entity, DkDbObjectId(dkhost_test::EntityByHandle(L"3A")), DkDb::kForRead));
    EXPECT_EQ(DkDbObjectId(dkhost_test::LayerId(L"Site")), entity->layerId());
    entity->close();
    ASSERT_TRUE(dkhost_test::RenameLayer(L"Site", L"Grounds"));
    DISPPARAMS none{};
    ASSERT_EQ(S_OK, spline->Invoke(14, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, got.Put(), nullptr, nullptr));
    EXPECT_EQ(L"Grounds", std::wstring(got.Get().bstrVal));

    const double in[3] = {1, 2, 3};
    double out[3] = {};
    const double up[3] = {0, 0, 1};
    ASSERT_EQ(Drvk::eOk, dkdbEcs2Wcs(in, up, out));
    EXPECT_EQ((std::vector<double>{1, 2, 3}), std::vector<double>(out, out + 3));
    const double east[3] = {2, 0, 0};
    ASSERT_EQ(Drvk::eOk, dkdbEcs2Wcs(in, east, out));
    EXPECT_EQ((std::vector<double>{3, 1, 2}), std::vector<double>(out, out + 3));
    const double none3[3] = {0, 0, 0};
    EXPECT_EQ(Drvk::eInvalidInput, dkdbEcs2Wcs(in, none3, out));
}

namespace
{
// What a point input told its sink: the dispid, the status and the value at each report.
class InputSink : public dkfw::ComImplements<IPropertyNotifySink>
{
public:
    struct Report
    {
        DISPID dispid;
        LONG status;
        VARTYPE type;
        std::vector<double> numbers;
    };
    IDkPointInput* input = nullptr;
    std::vector<Report> reports;

    STDMETHODIMP OnChanged(DISPID dispid) noexcept override
    {
        Report r{dispid, 0, VT_EMPTY, {}};
        input->GetStatus(&r.status);
        UniqueVariant v;
        input->GetValue(v.Put());
        r.type = v.Type();
        r.numbers = v.Type() == VT_R8 ? std::vector<double>{v.Get().dblVal} : Numbers(v.Get());
        reports.push_back(std::move(r));
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) noexcept override { return S_OK; }
};

void PumpMessages()
{
    for (int i = 0; i < 20; ++i)
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
}

constexpr CLSID kPointInput = {0x9307A809, 0x170D, 0x4A75, {0xB8, 0xEC, 0xD3, 0xC4, 0x62, 0xD2, 0xF4, 0xDB}};
} // namespace

// The point input after Start returns: running reports of each position, the last one too,
// then the end; two points report their distance; a cancel ends without a value; no
// reports while they are not asked for; the class can be missing.
TEST_F(Host, ThePointInputReportsRunningValuesThenItsEnd)
{
    auto run = [](LONG kind, LONG notify, std::vector<const wchar_t*> answers, bool cancelAtOnce = false)
    {
        ComPtr<IDkPointInput> input;
        EXPECT_EQ(S_OK,
                  ::CoCreateInstance(kPointInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDkPointInput, input.PutVoid()));
        dkfw::ComObject<InputSink>* sink = nullptr;
        dkfw::ComObject<InputSink>::Create(&sink);
        sink->input = input.Get();
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
        EXPECT_EQ(S_OK, input->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
        EXPECT_EQ(S_OK, container->FindConnectionPoint(IID_IPropertyNotifySink, point.Put()));
        EXPECT_EQ(S_OK, point->Advise(static_cast<IPropertyNotifySink*>(sink), &cookie));
        dkfw::UniqueBstr first(L"First point"), second(L"Second point");
        input->SetFirstPrompt(first.Get());
        input->SetSecondPrompt(second.Get());
        input->SetKind(kind);
        input->SetNotify(notify);
        for (const wchar_t* a : answers)
            dkhost_test::PushAnswer(a);
        EXPECT_EQ(S_OK, input->Start());
        EXPECT_EQ(E_FAIL, input->Start()) << "one input at a time";
        EXPECT_TRUE(sink->reports.empty()) << "nothing before Start returns";
        if (cancelAtOnce)
            EXPECT_EQ(S_OK, input->Cancel());
        PumpMessages();
        point->Unadvise(cookie);
        auto reports = sink->reports;
        sink->Release();
        return reports;
    };

    auto picked = run(7, -1, {L"drag 5,6", L"point 45,10"});
    ASSERT_EQ(3u, picked.size());
    EXPECT_EQ(1, picked[0].dispid);
    EXPECT_EQ(-1, picked[0].status);
    EXPECT_EQ((std::vector<double>{5, 6, 0}), picked[0].numbers);
    EXPECT_EQ((std::vector<double>{45, 10, 0}), picked[1].numbers);
    EXPECT_EQ(2, picked[2].dispid);
    EXPECT_EQ(5100, picked[2].status);

    auto measured = run(3, -1, {L"point 0,0", L"point 30,40"});
    ASSERT_EQ(2u, measured.size());
    EXPECT_EQ(VT_R8, measured[0].type);
    EXPECT_EQ(50.0, measured[0].numbers.at(0));
    EXPECT_EQ(5100, measured[1].status);
    EXPECT_FALSE(dktest::JournalMatching(L"point input 3 prompt \"First point\" then \"Second point\"").empty());

    auto cancelled = run(7, -1, {L"cancel"});
    ASSERT_EQ(1u, cancelled.size());
    EXPECT_EQ(-5002, cancelled[0].status);
    EXPECT_TRUE(run(7, 0, {L"point 1,2"}).empty()) << "no reports asked for";
    EXPECT_TRUE(run(7, -1, {L"point 1,2"}, true).empty()) << "cancelled by its caller before it ran";
    dkhost_test::ClearAnswers();

    dkhost_test::SetPointInputWrongType(true);
    auto wrong = run(7, -1, {L"point 1,2"});
    dkhost_test::SetPointInputWrongType(false);
    ASSERT_EQ(2u, wrong.size());
    EXPECT_EQ(VT_BSTR, wrong[0].type);

    dkhost_test::SetPointInputAvailable(false);
    ComPtr<IDkPointInput> none;
    EXPECT_NE(S_OK, ::CoCreateInstance(kPointInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDkPointInput, none.PutVoid()));
    dkhost_test::SetPointInputAvailable(true);
}

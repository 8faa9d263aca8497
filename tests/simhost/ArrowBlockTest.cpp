// Arrowheads, block shapes and the blocks that replace them; plot styles by name and per
// viewport; layouts' plot style tables; drawings read aside; the block chooser; document locks
// and the variables that say where the drawing lives.
#include "DkHostTest.h"
#include "TestSupport.h"
#include "dkdb.h"
#include "dked.h"

#include "DkPiHost.h"

#include "ComPtr.h"
#include "Unique.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace
{
using dkfw::ComPtr;
using dkfw::UniqueVariant;

constexpr DISPID kPlotStyle = 6;

class ArrowBlocks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearJournal();
        m_db = dkDocManager()->curDocument()->database();
    }
    void TearDown() override
    {
        dkhost_test::ClearAnswers();
        dkhost_test::SetDrawingFilesUnreadable(false);
        dkhost_test::SetDocumentLockRefused(false);
        for (const std::wstring& file : m_files)
            ::DeleteFileW(file.c_str());
    }

    static ComPtr<IDispatch> Object(LONG_PTR id)
    {
        ComPtr<IDispatch> d;
        EXPECT_EQ(S_OK, dkhost_test::GetPaletteObject(id, d.Put()));
        return d;
    }
    static ComPtr<IDispatch> Object(const wchar_t* handle) { return Object(dkhost_test::EntityByHandle(handle)); }

    static UniqueVariant Get(IDispatch* d, DISPID id)
    {
        UniqueVariant v;
        DISPPARAMS none{};
        EXPECT_EQ(S_OK, d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr)) << id;
        return v;
    }
    static std::wstring Text(IDispatch* d, DISPID id)
    {
        const UniqueVariant v = Get(d, id);
        return v.Type() == VT_BSTR && v.Get().bstrVal ? v.Get().bstrVal : L"(not text)";
    }
    static LONG Number(IDispatch* d, DISPID id) { return Get(d, id).Get().lVal; }

    // A put as the palette's controls make it; description gets the reason of a refusal.
    static HRESULT Put(IDispatch* d, DISPID id, VARIANT value, std::wstring* description = nullptr)
    {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        EXCEPINFO e{};
        const HRESULT hr = d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, &e, nullptr);
        if (description)
            *description = e.bstrDescription ? e.bstrDescription : L"";
        ::SysFreeString(e.bstrDescription);
        ::SysFreeString(e.bstrSource);
        return hr;
    }
    static HRESULT PutText(IDispatch* d, DISPID id, const wchar_t* text, std::wstring* description = nullptr)
    {
        dkfw::UniqueBstr b(text);
        VARIANT v;
        v.vt = VT_BSTR;
        v.bstrVal = b.Get();
        return Put(d, id, v, description);
    }
    static HRESULT PutNumber(IDispatch* d, DISPID id, LONG n)
    {
        VARIANT v;
        v.vt = VT_I4;
        v.lVal = n;
        return Put(d, id, v);
    }

    // The block an entity's database view says it draws (through the view's accessor).
    template <class T> static LONG_PTR ViewBlock(LONG_PTR id, const std::function<DkDbObjectId(T&)>& read)
    {
        T* view = nullptr;
        EXPECT_EQ(Drvk::eOk, dkdbOpenObject(view, DkDbObjectId(id), DkDb::kForRead));
        if (!view)
            return -1;
        const LONG_PTR block = read(*view).asOldId();
        view->close();
        return block;
    }

    std::wstring WriteFile(const wchar_t* name, const std::string& bytes)
    {
        const std::wstring path = dktest::BinDir() + name;
        std::ofstream(std::string(path.begin(), path.end()), std::ios::binary) << bytes;
        m_files.push_back(path);
        return path;
    }

    DkDbDatabase* m_db = nullptr;
    std::vector<std::wstring> m_files;
};

struct ShapeCase
{
    const char* what;
    LONG_PTR (*object)();
    DISPID type;
    DISPID block;
    LONG user;
    std::function<LONG_PTR(LONG_PTR)> viewBlock; // the block the database view names
};

LONG_PTR Handle(const wchar_t* h)
{
    return dkhost_test::EntityByHandle(h);
}

TEST_F(ArrowBlocks, NamingABlockMakesTheShapeTheUsersAndABuiltInShapeTakesItBackInOneStep)
{
    const LONG_PTR mleader = Handle(L"68");
    const ShapeCase cases[] = {
        {"dimension arrow 1", [] { return Handle(L"65"); }, 62, 65, 20,
         [](LONG_PTR id) { return ViewBlock<DkDbDimension>(id, [](DkDbDimension& d) { return d.dimblk1(); }); }},
        {"dimension arrow 2", [] { return Handle(L"65"); }, 63, 66, 20,
         [](LONG_PTR id) { return ViewBlock<DkDbDimension>(id, [](DkDbDimension& d) { return d.dimblk2(); }); }},
        {"leader arrow", [] { return Handle(L"58"); }, 69, 70, 20,
         [](LONG_PTR id) { return ViewBlock<DkDbLeader>(id, [](DkDbLeader& d) { return d.dimldrblk(); }); }},
        {"multileader arrow", [] { return Handle(L"68"); }, 23, 24, 20,
         [](LONG_PTR id) { return ViewBlock<DkDbMLeader>(id, [](DkDbMLeader& d) { return d.arrowSymbolId(); }); }},
        {"multileader content", [] { return Handle(L"68"); }, 25, 9, 6,
         [](LONG_PTR id) { return ViewBlock<DkDbMLeader>(id, [](DkDbMLeader& d) { return d.blockContentId(); }); }},
        {"leader line", [] { return dkhost_test::SubentityOf(Handle(L"68"), 5001); }, 6, 7, 20,
         [mleader](LONG_PTR)
         {
             return ViewBlock<DkDbMLeader>(mleader,
                                           [](DkDbMLeader& d)
                                           {
                                               DkDbObjectId id;
                                               EXPECT_EQ(Drvk::eOk, d.getArrowSymbolId(0, id));
                                               return id;
                                           });
         }},
    };
    const LONG_PTR arrow = dkhost_test::BlockId(L"Arrow");
    for (const ShapeCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        const LONG_PTR id = c.object();
        auto object = Object(id);
        const LONG typeBefore = Number(object.Get(), c.type);
        ASSERT_NE(c.user, typeBefore);
        EXPECT_EQ(0, c.viewBlock(id)) << "a built-in shape draws no block";
        const int depth = dkhost_test::UndoDepth();

        ASSERT_EQ(S_OK, PutText(object.Get(), c.block, L"arrow"));
        EXPECT_EQ(L"Arrow", Text(object.Get(), c.block)) << "as the drawing spells it";
        EXPECT_EQ(c.user, Number(object.Get(), c.type));
        EXPECT_EQ(arrow, c.viewBlock(id));
        EXPECT_EQ(depth + 1, dkhost_test::UndoDepth()) << "the block and the shape are one step";

        ASSERT_EQ(S_OK, PutNumber(object.Get(), c.type, 3));
        EXPECT_EQ(L"", Text(object.Get(), c.block));
        EXPECT_EQ(0, c.viewBlock(id));

        ASSERT_EQ(2, dkhost_test::Undo(2));
        EXPECT_EQ(typeBefore, Number(object.Get(), c.type));
        EXPECT_EQ(L"", Text(object.Get(), c.block));
    }
}

TEST_F(ArrowBlocks, OnlyABlockOfTheDrawingItselfCanBeAnArrow)
{
    auto dimension = Object(L"65");
    struct Case
    {
        const wchar_t* name;
        const wchar_t* reason;
    };
    const Case cases[] = {
        {L"Nowhere", L"Block \"Nowhere\" is not in the drawing."},
        {L"", L"Block \"\" is not in the drawing."},
        {L"*Model_Space", L"Block \"*Model_Space\" is not in the drawing."},
        {L"Site|Survey", L"Block \"Site|Survey\" is an external reference to another drawing."},
    };
    for (const Case& c : cases)
    {
        std::wstring why;
        EXPECT_EQ(DISP_E_EXCEPTION, PutText(dimension.Get(), 65, c.name, &why));
        EXPECT_EQ(c.reason, why);
    }
    dkhost_test::SetPropertyFault(Handle(L"65"), 65, false, static_cast<SCODE>(0x80200005), L"Refused.");
    EXPECT_EQ(DISP_E_EXCEPTION, PutText(dimension.Get(), 65, L"Arrow"));
    EXPECT_EQ(4, Number(dimension.Get(), 62));
    EXPECT_EQ(0, dkhost_test::UndoDepth());
}

TEST_F(ArrowBlocks, LeaderLinesArePartsOfTheirMultileader)
{
    const LONG_PTR mleader = Handle(L"68");
    for (long index : {5001L, 5002L})
    {
        auto line = Object(dkhost_test::SubentityOf(mleader, index));
        auto part = line.Query<IDkBaseObject2>();
        ASSERT_TRUE(part);
        LONG_PTR owner = 0;
        long subent = 0;
        EXPECT_EQ(S_OK, part->GetOwnerObjectId(&owner));
        EXPECT_EQ(S_OK, part->GetSubentIndex(&subent));
        EXPECT_EQ(mleader, owner);
        EXPECT_EQ(index, subent);
        LONG_PTR id = 0;
        line.Query<IDkBaseObject>()->GetObjectId(&id);
        EXPECT_EQ(mleader, id) << "the drawing's object is the multileader";
    }
    EXPECT_EQ(0, dkhost_test::SubentityOf(mleader, 5003));
    EXPECT_FALSE(Object(mleader).Query<IDkBaseObject2>());

    DkDbMLeader* view = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(view, DkDbObjectId(mleader), DkDb::kForRead));
    DkDbObjectId block;
    EXPECT_EQ(Drvk::eOk, view->getArrowSymbolId(1, block));
    EXPECT_EQ(dkhost_test::BlockId(L"_Dot"), block.asOldId()) << "the second line's own";
    EXPECT_EQ(Drvk::eInvalidIndex, view->getArrowSymbolId(2, block));
    EXPECT_EQ(Drvk::eInvalidIndex, view->getArrowSymbolId(-1, block));
    view->close();
    EXPECT_FALSE(DkDbMLeader::cast(nullptr));
}

TEST_F(ArrowBlocks, ACalloutTakesItsBlockAndTheSavedDrawingThroughItsDispatch)
{
    auto callout = Object(L"59");
    auto answers = callout.Query<IDkCallout>();
    ASSERT_TRUE(answers);
    BOOL is = FALSE;
    EXPECT_EQ(S_OK, answers->IsCallout(&is));
    EXPECT_TRUE(is);
    EXPECT_FALSE(Object(L"30").Query<IDkCallout>());

    ASSERT_EQ(S_OK, PutText(callout.Get(), 8714, L"C:\\Drawings\\Sample.dkd"));
    ASSERT_EQ(S_OK, PutText(callout.Get(), 8713, L"Door"));
    EXPECT_EQ(L"Door", Text(callout.Get(), 8713));
    EXPECT_EQ(L"C:\\Drawings\\Sample.dkd", Text(callout.Get(), 8714));
    EXPECT_EQ(6, Number(callout.Get(), 100));
    std::wstring why;
    EXPECT_EQ(DISP_E_EXCEPTION, PutText(callout.Get(), 8714, L"Sample.dkd", &why));
    EXPECT_NE(std::wstring::npos, why.find(L"full path"));
    EXPECT_EQ(DISP_E_EXCEPTION, PutText(callout.Get(), 8713, L""));
}

TEST_F(ArrowBlocks, PlotStyleNamesAreTheDrawingsOrFollowTheColours)
{
    auto line = Object(L"2A");
    EXPECT_FALSE(m_db->plotStyleMode());
    EXPECT_EQ(L"Style 2", Text(line.Get(), kPlotStyle));
    for (const wchar_t* name : {L"thin grey", L"BYBLOCK", L""})
        EXPECT_EQ(S_OK, PutText(line.Get(), kPlotStyle, name)) << name;
    EXPECT_EQ(L"", Text(line.Get(), kPlotStyle));
    EXPECT_EQ(2, dkhost_test::Undo(2));
    EXPECT_EQ(L"Thin grey", Text(line.Get(), kPlotStyle)) << "as the drawing spells it";
    std::wstring why;
    EXPECT_EQ(DISP_E_EXCEPTION, PutText(line.Get(), kPlotStyle, L"Nowhere", &why));
    EXPECT_EQ(L"Plot style \"Nowhere\" is not in the drawing.", why);

    dkhost_test::SetPlotStyleMode(true);
    EXPECT_TRUE(m_db->plotStyleMode());
    EXPECT_EQ(L"ByColor", Text(line.Get(), kPlotStyle));
    EXPECT_EQ(DISP_E_EXCEPTION, PutText(line.Get(), kPlotStyle, L"Style 1"));
    dkhost_test::SetPlotStyleMode(false);
    EXPECT_EQ(L"Thin grey", Text(line.Get(), kPlotStyle));
}

TEST_F(ArrowBlocks, ALayersPlotStyleIsOverriddenPerViewport)
{
    struct Case
    {
        const wchar_t* layer;
        LONG_PTR viewport;
        const wchar_t* style;
        bool overridden;
    };
    const Case cases[] = {
        {L"Walls", 1, L"Thin grey", true}, {L"Walls", 2, L"Style 1", false}, {L"Walls", 0, L"Style 1", false},
        {L"Doors", 1, L"Style 2", false},  {L"Text", 1, L"Normal", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << std::string(c.layer, c.layer + wcslen(c.layer)) << " in " << c.viewport);
        DkDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(Drvk::eOk, dkdbOpenObject(layer, DkDbObjectId(dkhost_test::LayerId(c.layer)), DkDb::kForRead));
        bool overridden = !c.overridden;
        EXPECT_EQ(dkhost_test::PlotStyleId(c.style),
                  layer->plotStyleNameId(DkDbObjectId(c.viewport), overridden).asOldId());
        EXPECT_EQ(c.overridden, overridden);
        layer->close();
    }
    ASSERT_TRUE(dkhost_test::SetLayerViewportPlotStyle(L"Doors", 1, L"Style 1"));
    DkDbLayerTableRecord* doors = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(doors, DkDbObjectId(dkhost_test::LayerId(L"Doors")), DkDb::kForRead));
    bool overridden = false;
    EXPECT_EQ(dkhost_test::PlotStyleId(L"Style 1"), doors->plotStyleNameId(DkDbObjectId(1), overridden).asOldId());
    EXPECT_TRUE(overridden);
    doors->close();
}

TEST_F(ArrowBlocks, ALayoutPlotsWithAnInstalledTable)
{
    auto missing = Object(L"75");
    EXPECT_EQ(L"Contractor.dkps", Text(missing.Get(), 101)) << "a drawing may name a table not installed";
    std::wstring why;
    EXPECT_EQ(DISP_E_EXCEPTION, PutText(missing.Get(), 101, L"Elsewhere.dkps", &why));
    EXPECT_EQ(L"Plot style table \"Elsewhere.dkps\" is not installed.", why);
    EXPECT_EQ(S_OK, PutText(missing.Get(), 101, L"Fine lines.dkps"));
    EXPECT_EQ(S_OK, PutText(missing.Get(), 101, L""));
}

TEST_F(ArrowBlocks, TheBlockTableOpensItsRecordsByName)
{
    DkDbBlockTable* table = nullptr;
    ASSERT_EQ(Drvk::eOk, m_db->getSymbolTable(table, DkDb::kForRead));
    struct Case
    {
        const wchar_t* name;
        Drvk::ErrorStatus es;
        bool xref;
    };
    for (const Case& c : {Case{L"arrow", Drvk::eOk, false}, Case{L"Site|Survey", Drvk::eOk, true},
                          Case{L"Nowhere", Drvk::eKeyNotFound, false}})
    {
        DkDbBlockTableRecord* block = nullptr;
        EXPECT_EQ(c.es, table->getAt(c.name, block, DkDb::kForRead));
        if (!block)
            continue;
        EXPECT_EQ(c.xref, block->isFromExternalReference());
        EXPECT_EQ(m_db, block->database());
        block->close();
    }
    table->close();
    DkDbObject* any = nullptr;
    ASSERT_EQ(Drvk::eOk, dkdbOpenObject(any, DkDbObjectId(dkhost_test::BlockId(L"Door")), DkDb::kForRead));
    EXPECT_TRUE(DkDbBlockTableRecord::cast(any));
    any->close();
}

TEST_F(ArrowBlocks, ADrawingReadAsideKeepsItsOwnObjectsOrSaysWhyItCannot)
{
    const std::wstring good = WriteFile(L"aside-good.dkd", "drawing name=Far.dkd\nblock Far\nblock \"Far|X\" xref\n");
    const std::wstring bad = WriteFile(L"aside-bad.dkd", "this is no drawing\n");
    struct Case
    {
        std::wstring path;
        bool unreadable;
        bool exchange;
        Drvk::ErrorStatus es;
        const wchar_t* journal;
    };
    const Case cases[] = {
        {dktest::BinDir() + L"no-such.dkd", false, false, Drvk::eFileAccessErr, L": cannot be read"},
        {bad, false, false, Drvk::eBadDwgHeader, L": not a drawing"},
        {good, true, false, Drvk::eFileAccessErr, L": cannot be read"},
        {good, false, true, Drvk::eOk, L""},
        {good, false, false, Drvk::eOk, L""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        dkhost_test::ClearJournal();
        dkhost_test::SetDrawingFilesUnreadable(c.unreadable);
        std::unique_ptr<DkDbDatabase> db(dkdbNewDatabase());
        ASSERT_TRUE(db);
        EXPECT_EQ(c.es, c.exchange ? db->dxfIn(c.path.c_str()) : db->readDwgFile(c.path.c_str(), false));
        EXPECT_EQ((std::vector<std::wstring>{std::wstring(L"read ") + (c.exchange ? L"exchange" : L"drawing") +
                                             L" file \"" + c.path + L"\"" + c.journal}),
                  dktest::Journal());
        DkDbBlockTable* table = nullptr;
        ASSERT_EQ(Drvk::eOk, db->getSymbolTable(table, DkDb::kForRead));
        DkDbBlockTableRecord* found = nullptr;
        EXPECT_EQ(c.es == Drvk::eOk ? Drvk::eOk : Drvk::eKeyNotFound, table->getAt(L"Far", found, DkDb::kForRead));
        EXPECT_FALSE(table->has(L"Door")) << "the document's blocks are not the file's";
        table->close();
        if (found)
        {
            // Its ids open its own objects, in its own database.
            DkDbObject* again = nullptr;
            ASSERT_EQ(Drvk::eOk, dkdbOpenObject(again, found->objectId(), DkDb::kForRead));
            EXPECT_EQ(db.get(), again->database());
            again->close();
            found->close();
            EXPECT_EQ(Drvk::eInvalidInput, db->readDwgFile(good.c_str())) << "read once";
        }
    }
    EXPECT_EQ(0, dkhost_test::DatabasesAside());
    EXPECT_EQ(Drvk::eInvalidInput, m_db->readDwgFile(good.c_str())) << "the document's own database";
}

TEST_F(ArrowBlocks, TheBlockChooserNeedsItsResourceLibraryAndTakesOnlyListedBlocks)
{
    DkDmUserArrows unloaded(m_db);
    EXPECT_EQ(-1, unloaded.DoModal());
    EXPECT_EQ(std::vector<std::wstring>{L"block chooser cannot be shown: KitMFCRes.DLL is not loaded"},
              dktest::Journal());

    const HMODULE kit = ::LoadLibraryExW((dktest::BinDir() + L"KitMFCRes.DLL").c_str(), nullptr, 0);
    ASSERT_NE(nullptr, kit);
    struct Case
    {
        const wchar_t* answer;
        INT_PTR result;
        const wchar_t* chosen;
        const wchar_t* outcome;
    };
    const Case cases[] = {
        {L"arrow", IDOK, L"Arrow", L"\"Arrow\""},
        {L"cancel", IDCANCEL, L"_Dot", L"cancelled"},
        {L"Site|Survey", IDCANCEL, L"_Dot", L"no block \"Site|Survey\" to choose"},
        {L"*Model_Space", IDCANCEL, L"_Dot", L"no block \"*Model_Space\" to choose"},
    };
    for (const Case& c : cases)
    {
        dkhost_test::ClearJournal();
        DkDmUserArrows chooser(m_db);
        chooser.setTitle(L"Select Custom Arrow Block");
        chooser.setSelectedBlockName(L"_Dot");
        dkhost_test::PushAnswer(c.answer);
        EXPECT_EQ(c.result, chooser.DoModal());
        EXPECT_STREQ(c.chosen, chooser.selectedBlockName());
        EXPECT_EQ(std::vector<std::wstring>{std::wstring(L"block chooser \"Select Custom Arrow Block\" preselected "
                                                         L"\"_Dot\" -> ") +
                                            c.outcome},
                  dktest::Journal());
    }

    // The real dialog, its template from the library: the user takes the block preselected.
    DkDmUserArrows chooser(m_db);
    chooser.setSelectedBlockName(L"Window");
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 200,
                                      [](HWND, UINT, UINT_PTR, DWORD)
                                      {
                                          if (HWND dialog = ::FindWindowW(L"#32770", L"Select Block"))
                                              ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                                      });
    EXPECT_EQ(IDOK, chooser.DoModal());
    ::KillTimer(nullptr, timer);
    EXPECT_STREQ(L"Window", chooser.selectedBlockName());
    ::FreeLibrary(kit);
}

TEST_F(ArrowBlocks, DocumentLocksAreCountedAndCanBeRefused)
{
    DkApDocManager* manager = dkDocManager();
    DkApDocument* document = manager->curDocument();
    EXPECT_EQ(Drvk::eOk, manager->lockDocument(document));
    EXPECT_EQ(1, dkhost_test::DocumentLocks());
    EXPECT_EQ(Drvk::eOk, manager->unlockDocument(document));
    EXPECT_EQ(Drvk::eInvalidInput, manager->unlockDocument(document)) << "no lock left to end";
    dkhost_test::SetDocumentLockRefused(true);
    EXPECT_EQ(Drvk::eLockViolation, manager->lockDocument(document));
    EXPECT_EQ(0, dkhost_test::DocumentLocks());
    EXPECT_EQ((std::vector<std::wstring>{L"document locked for write", L"document unlocked", L"document lock refused"}),
              dktest::Journal());
}

TEST_F(ArrowBlocks, TheDrawingsFileIsSaidByReadOnlyVariables)
{
    auto variable = [](const wchar_t* name)
    {
        resbuf rb{};
        EXPECT_EQ(RTNORM, dkedGetVar(name, &rb));
        std::wstring text = rb.restype == RTSTR ? rb.resval.rstring : std::to_wstring(rb.resval.rint);
        if (rb.restype == RTSTR)
            ::free(rb.resval.rstring);
        return text;
    };
    EXPECT_EQ(L"0", variable(L"DWGTITLED")) << "the embedded sample was never saved";
    EXPECT_EQ(L"Sample.dkd", variable(L"DWGNAME"));
    const std::wstring file = WriteFile(L"titled.dkd", "drawing name=Titled.dkd\n");
    ASSERT_EQ(S_OK, dkhost_test::LoadDrawingFile(file.c_str(), nullptr));
    EXPECT_EQ(L"1", variable(L"DWGTITLED"));
    EXPECT_EQ(L"titled.dkd", variable(L"DWGNAME"));
    EXPECT_EQ(dktest::BinDir(), variable(L"DWGPREFIX"));
    resbuf rb{};
    rb.restype = RTSHORT;
    EXPECT_EQ(RTREJ, dkedSetVar(L"DWGTITLED", &rb));
}
} // namespace

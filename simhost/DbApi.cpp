// The database as the component opens it: short-lived views of records.
#include "dkdb.h"

#include "DkHostTest.h"
#include "Drawing.h"
#include "Journal.h"
#include "Region.h"

#include <cmath>

namespace dkhost
{
namespace
{
// Faults of the undo controller (tests): it refuses to begin or to end a group.
bool g_refuseUndoBegin = false;
bool g_refuseUndoEnd = false;
// Objects that refuse to be opened (tests), and reactors taken from an object they were not
// attached to (a component reaching a table after it left memory).
std::set<LONG_PTR> g_unopenable;
long g_strayReactorRemovals = 0;
// Reactors that cannot be attached (tests: the host out of room for one more).
bool g_refuseReactors = false;

const DkRxClass g_dbObjectClass(L"DkDbObject", DkRxObject::desc());
const DkRxClass g_entityClass(L"DkDbEntity", &g_dbObjectClass);
const DkRxClass g_attributeClass(L"DkDbAttribute", &g_entityClass);
const DkRxClass g_hatchClass(L"DkDbHatch", &g_entityClass);
const DkRxClass g_polylineClass(L"DkDbPolyline", &g_entityClass);
const DkRxClass g_dimensionClass(L"DkDbDimension", &g_entityClass);
const DkRxClass g_leaderClass(L"DkDbLeader", &g_entityClass);
const DkRxClass g_mleaderClass(L"DkDbMLeader", &g_entityClass);
const DkRxClass g_recordClass(L"DkDbSymbolTableRecord", &g_dbObjectClass);
const DkRxClass g_layerClass(L"DkDbLayerTableRecord", &g_recordClass);
const DkRxClass g_linetypeClass(L"DkDbLinetypeTableRecord", &g_recordClass);
const DkRxClass g_textStyleClass(L"DkDbTextStyleTableRecord", &g_recordClass);
const DkRxClass g_dimStyleClass(L"DkDbDimStyleTableRecord", &g_recordClass);
const DkRxClass g_blockRecordClass(L"DkDbBlockTableRecord", &g_recordClass);
const DkRxClass g_mleaderStyleClass(L"DkDbMLeaderStyle", &g_dbObjectClass);
const DkRxClass g_annotativeClass(L"DkDbAnnotativeObjectPE", DkRxObject::desc());
// The annotative extension is missing (tests).
bool g_noAnnotativeExtension = false;
const DkRxClass g_tableClass(L"DkDbSymbolTable", &g_dbObjectClass);
const DkRxClass g_blockTableClass(L"DkDbBlockTable", &g_tableClass);
const DkRxClass g_dictionaryClass(L"DkDbDictionary", &g_dbObjectClass);

// Drawing files read aside are unreadable (tests); document locks refused (tests).
bool g_filesUnreadable = false;

class HostDatabase;
// The databases made to read a drawing aside, each with a drawing of its own.
std::set<HostDatabase*> g_aside;
LONG_PTR g_nextAsideIds = 0x40000000;

class HostDatabase final : public DkDbDatabase, public DkDbUndoController
{
public:
    // The current document's database (no drawing of its own), or one of its own.
    HostDatabase() noexcept = default;
    explicit HostDatabase(LONG_PTR firstId) : m_firstId(firstId), m_own(std::make_unique<Drawing>(firstId))
    {
        g_aside.insert(this);
    }
    ~HostDatabase() override
    {
        if (m_own)
        {
            m_own->SayGoodbye();
            g_aside.erase(this);
        }
    }

    Drawing& D() const { return m_own ? *m_own : CurrentDrawing(); }

    DkDbObjectId layerTableId() const noexcept override { return Id(D().layerTable); }
    DkDbObjectId linetypeTableId() const noexcept override { return Id(D().linetypeTable); }
    DkDbObjectId textStyleTableId() const noexcept override { return Id(D().textStyleTable); }
    DkDbObjectId dimStyleTableId() const noexcept override { return Id(D().dimStyleTable); }
    DkDbObjectId blockTableId() const noexcept override { return Id(D().blockTable); }
    DkDbObjectId materialDictionaryId() const noexcept override { return Id(D().materials); }
    DkDbObjectId visualStyleDictionaryId() const noexcept override { return Id(D().visualStyles); }
    DkDbObjectId mleaderStyleDictionaryId() const noexcept override { return Id(D().mleaderStyles); }
    DkDbObjectId tableStyleDictionaryId() const noexcept override { return Id(D().tableStyles); }
    DkDbObjectId clayer() const noexcept override
    {
        Record* r = D().FindInTable(D().layerTable, L"0");
        return Id(r ? r->id : 0);
    }
    bool plotStyleMode() const noexcept override { return D().colorDependentPlotStyles; }
    Drvk::ErrorStatus getSymbolTable(DkDbBlockTable*& table, DkDb::OpenMode mode) const noexcept override;
    Drvk::ErrorStatus readDwgFile(const wchar_t* fileName, bool allowShare) noexcept override
    {
        return Read(fileName, allowShare, L"drawing");
    }
    // The exchange format is the drawing format itself, under any file name.
    Drvk::ErrorStatus dxfIn(const wchar_t* fileName) noexcept override { return Read(fileName, true, L"exchange"); }
    DkDbUndoController* undoController() const noexcept override { return const_cast<HostDatabase*>(this); }

    Drvk::ErrorStatus addReactor(DkDbObjectId container, DkDbObjectReactor* reactor) noexcept override
    try
    {
        Record* r = D().Find(container.asOldId());
        if (!r || !reactor || g_refuseReactors)
            return Drvk::eInvalidInput;
        r->reactors.push_back(reactor);
        return Drvk::eOk;
    }
    catch (...)
    {
        return Drvk::eInvalidInput;
    }
    bool extendedNames() const noexcept override;
    Drvk::ErrorStatus removeReactor(DkDbObjectId container, DkDbObjectReactor* reactor) noexcept override
    {
        Record* r = D().Find(container.asOldId());
        if (!r || std::erase(r->reactors, reactor) == 0)
        {
            ++g_strayReactorRemovals;
            return Drvk::eInvalidInput;
        }
        return Drvk::eOk;
    }

    Drvk::ErrorStatus undoGroup(int code, const wchar_t* label) noexcept override
    try
    {
        if ((code == DkDb::kUndoGroupBegin && g_refuseUndoBegin) || (code == DkDb::kUndoGroupEnd && g_refuseUndoEnd))
        {
            JournalAdd(code == DkDb::kUndoGroupBegin ? L"undo group begin refused" : L"undo group end refused");
            return Drvk::eInvalidInput;
        }
        if (code == DkDb::kUndoGroupBegin)
        {
            const std::wstring text = label ? label : L"";
            JournalAdd(L"undo group begin \"" + text + L"\"");
            D().BeginGroup(text);
            return Drvk::eOk;
        }
        if (code == DkDb::kUndoGroupEnd)
        {
            JournalAdd(L"undo group end");
            D().EndGroup();
            return Drvk::eOk;
        }
        return Drvk::eInvalidInput;
    }
    catch (...)
    {
        return Drvk::eInvalidInput;
    }
    Drvk::ErrorStatus undo(int steps) noexcept override
    try
    {
        D().UndoSteps(steps);
        return Drvk::eOk;
    }
    catch (...)
    {
        return Drvk::eInvalidInput;
    }

private:
    static DkDbObjectId Id(LONG_PTR id) { return DkDbObjectId(id); }
    // A drawing file read into this database, once: the document's own database has its
    // drawing already. A file that is read in part leaves the database empty.
    Drvk::ErrorStatus Read(const wchar_t* fileName, bool allowShare, const wchar_t* form) noexcept
    try
    {
        if (!m_own || m_read || !fileName)
            return Drvk::eInvalidInput;
        const std::wstring name = fileName;
        Drvk::ErrorStatus es = g_filesUnreadable ? Drvk::eFileAccessErr : ReadDrawingAside(*m_own, name, allowShare);
        JournalAdd(std::wstring(L"read ") + form + L" file \"" + name + L"\"" +
                   (es == Drvk::eOk              ? L""
                    : es == Drvk::eFileAccessErr ? L": cannot be read"
                                                 : L": not a drawing"));
        if (es != Drvk::eOk)
            m_own = std::make_unique<Drawing>(m_firstId);
        m_read = es == Drvk::eOk;
        return es;
    }
    catch (...)
    {
        return Drvk::eInvalidInput;
    }

    LONG_PTR m_firstId = 0;
    std::unique_ptr<Drawing> m_own;
    bool m_read = false;
};

// How a view is open.
struct OpenState
{
    bool forWrite = false;
};

// The common part of every open view: the record it shows, upgrading and closing it.
template <class Base> class View : public Base, public OpenState
{
public:
    View(Record& r, Drawing& d, DkDbDatabase* db) noexcept : m_r(r), m_d(d), m_db(db) {}
    Drvk::ErrorStatus upgradeOpen() noexcept override
    {
        forWrite = true;
        return Drvk::eOk;
    }
    DkDbObjectId objectId() const noexcept override { return DkDbObjectId(m_r.id); }
    DkDbObjectId ownerId() const noexcept override { return DkDbObjectId(m_r.owner); }
    bool isErased() const noexcept override { return m_r.erased; }
    DkDbDatabase* database() const noexcept override { return m_db; }
    Drvk::ErrorStatus close() noexcept override
    {
        delete this;
        return Drvk::eOk;
    }

protected:
    Record& m_r;
    Drawing& m_d;
    DkDbDatabase* m_db;
};

// What every open entity answers: its layer and the highlighting of its parts.
template <class Base> class EntityViewOf : public View<Base>
{
public:
    using View<Base>::View;
    DkDbObjectId layerId() const noexcept override
    {
        Drawing& d = this->m_d;
        const int slot = this->m_r.cls->SlotIndex(L"Layer");
        const VARIANT& layer = slot < 0 ? VARIANT{} : this->m_r.values[static_cast<size_t>(slot)].Get();
        if (layer.vt == VT_BSTR)
            if (Record* l = d.FindInTable(d.layerTable, layer.bstrVal, ::SysStringLen(layer.bstrVal)))
                return DkDbObjectId(l->id);
        return DkDbObjectId();
    }
    Drvk::ErrorStatus pushHighlight(const DkDbFullSubentPath& path, int style) noexcept override
    {
        JournalAdd(L"highlight push " + this->m_r.handle + L" subent " + std::to_wstring(path.subentIndex) +
                   L" style " + std::to_wstring(style));
        return Drvk::eOk;
    }
    Drvk::ErrorStatus popHighlight(const DkDbFullSubentPath& path) noexcept override
    {
        JournalAdd(L"highlight pop " + this->m_r.handle + L" subent " + std::to_wstring(path.subentIndex));
        return Drvk::eOk;
    }
};

class EntityView final : public EntityViewOf<DkDbAttribute>
{
public:
    using EntityViewOf::EntityViewOf;
    // Attributes are entities of their own class; every other entity is a plain one.
    const DkRxClass* isA() const noexcept override
    {
        return m_r.cls->name == L"Attribute" ? &g_attributeClass : &g_entityClass;
    }
};

class HatchView final : public EntityViewOf<DkDbHatch>
{
public:
    using EntityViewOf::EntityViewOf;
    Drvk::ErrorStatus getRegionArea(DkDbRegion*& region) const noexcept override
    try
    {
        region = nullptr;
        const int slot = m_r.cls->coordinates;
        Loop loop = LoopOf(slot < 0 ? std::vector<double>() : Doubles(m_r.values[static_cast<size_t>(slot)].Get()));
        if (loop.empty())
            return Drvk::eInvalidInput;
        region = new Region(std::move(loop));
        JournalAdd(L"region of hatch " + m_r.handle);
        return Drvk::eOk;
    }
    catch (...)
    {
        region = nullptr;
        return Drvk::eInvalidInput;
    }
};

class PolylineView final : public EntityViewOf<DkDbPolyline>
{
public:
    using EntityViewOf::EntityViewOf;
    double elevation() const noexcept override
    {
        const int slot = m_r.cls->SlotIndex(L"Elevation");
        const VARIANT& v = slot < 0 ? VARIANT{} : m_r.values[static_cast<size_t>(slot)].Get();
        return v.vt == VT_R8 ? v.dblVal : 0.0;
    }
    void normal(double direction[3]) const noexcept override
    {
        const int slot = m_r.cls->SlotIndex(L"Normal");
        const std::vector<double> d =
            slot < 0 ? std::vector<double>() : Doubles(m_r.values[static_cast<size_t>(slot)].Get());
        direction[0] = d.size() == 3 ? d[0] : 0.0;
        direction[1] = d.size() == 3 ? d[1] : 0.0;
        direction[2] = d.size() == 3 ? d[2] : 1.0;
    }
};

// The block an entity's property names (null: none, or a built-in shape).
DkDbObjectId BlockNamed(Drawing& d, const Record& r, const wchar_t* property) noexcept
{
    const int slot = r.cls->SlotIndex(property);
    const VARIANT& name = slot < 0 ? VARIANT{} : r.values[static_cast<size_t>(slot)].Get();
    const Record* block = name.vt == VT_BSTR && name.bstrVal && *name.bstrVal
                              ? d.FindInTable(d.blockTable, name.bstrVal, ::SysStringLen(name.bstrVal))
                              : nullptr;
    return DkDbObjectId(block ? block->id : 0);
}

class DimensionView final : public EntityViewOf<DkDbDimension>
{
public:
    using EntityViewOf::EntityViewOf;
    DkDbObjectId dimblk1() const noexcept override { return BlockNamed(m_d, m_r, L"Arrowhead1Block"); }
    DkDbObjectId dimblk2() const noexcept override { return BlockNamed(m_d, m_r, L"Arrowhead2Block"); }
};

class LeaderView final : public EntityViewOf<DkDbLeader>
{
public:
    using EntityViewOf::EntityViewOf;
    DkDbObjectId dimldrblk() const noexcept override { return BlockNamed(m_d, m_r, L"ArrowheadBlock"); }
};

class MLeaderView final : public EntityViewOf<DkDbMLeader>
{
public:
    using EntityViewOf::EntityViewOf;
    DkDbObjectId arrowSymbolId() const noexcept override { return BlockNamed(m_d, m_r, L"ArrowheadBlock"); }
    // A leader line without an arrowhead block of its own draws the multileader's.
    Drvk::ErrorStatus getArrowSymbolId(int leaderLineIndex, DkDbObjectId& id) const noexcept override
    {
        const Record* line = leaderLineIndex < 0 ? nullptr : m_d.Subentity(m_r.id, kFirstLeaderLine + leaderLineIndex);
        if (!line)
            return Drvk::eInvalidIndex;
        id = BlockNamed(m_d, *line, L"ArrowheadBlock");
        if (id.isNull())
            id = arrowSymbolId();
        return Drvk::eOk;
    }
    DkDbObjectId blockContentId() const noexcept override { return BlockNamed(m_d, m_r, L"ContentBlockName"); }
};

class LayerView final : public View<DkDbLayerTableRecord>
{
public:
    using View::View;
    const wchar_t* getName() const noexcept override { return m_r.name.c_str(); }
    bool isDependent() const noexcept override { return m_r.dependent; }
    bool isFrozen() const noexcept override { return m_r.frozen; }
    bool isOff() const noexcept override { return m_r.off; }
    bool isLocked() const noexcept override { return m_r.locked; }
    int colorIndex() const noexcept override { return m_r.color; }
    int colorIndexInViewport(DkDbObjectId viewport, bool& isOverride) const noexcept override
    {
        const auto it = m_r.viewportColors.find(viewport.asOldId());
        isOverride = it != m_r.viewportColors.end();
        return isOverride ? it->second : m_r.color;
    }
    DkDbObjectId linetypeObjectId() const noexcept override { return DkDbObjectId(m_r.linetype); }
    bool isFrozenInViewport(DkDbObjectId viewport) const noexcept override
    {
        return m_r.frozenInViewports.count(viewport.asOldId()) != 0;
    }
    bool hasOverrides(DkDbObjectId viewport) const noexcept override
    {
        const LONG_PTR v = viewport.asOldId();
        return !viewport.isNull() && (m_r.viewportColors.count(v) || m_r.viewportLineweights.count(v) ||
                                      m_r.viewportLinetypes.count(v) || m_r.viewportPlotStyles.count(v));
    }
    DkDbObjectId plotStyleNameId(DkDbObjectId viewport, bool& isOverride) const noexcept override
    {
        const auto it = m_r.viewportPlotStyles.find(viewport.asOldId());
        isOverride = it != m_r.viewportPlotStyles.end();
        return DkDbObjectId(isOverride ? it->second : m_r.plotStyle);
    }
    int lineWeightInViewport(DkDbObjectId viewport, bool& isOverride) const noexcept override
    {
        const auto it = m_r.viewportLineweights.find(viewport.asOldId());
        isOverride = it != m_r.viewportLineweights.end();
        return isOverride ? it->second : m_r.lineweight;
    }
    DkDbObjectId linetypeObjectIdInViewport(DkDbObjectId viewport, bool& isOverride) const noexcept override
    {
        const auto it = m_r.viewportLinetypes.find(viewport.asOldId());
        isOverride = it != m_r.viewportLinetypes.end();
        return DkDbObjectId(isOverride ? it->second : m_r.linetype);
    }
};

class LinetypeView final : public View<DkDbLinetypeTableRecord>
{
public:
    using View::View;
    const wchar_t* getName() const noexcept override { return m_r.name.c_str(); }
    bool isDependent() const noexcept override { return m_r.dependent; }
    const wchar_t* comments() const noexcept override { return m_r.comment.c_str(); }
    int numDashes() const noexcept override { return static_cast<int>(m_r.pattern.size()); }
    int dashLengthAt(int index) const noexcept override
    {
        return index >= 0 && index < numDashes() ? m_r.pattern[static_cast<size_t>(index)] : 0;
    }
};

class TextStyleView final : public View<DkDbTextStyleTableRecord>
{
public:
    using View::View;
    const wchar_t* getName() const noexcept override { return m_r.name.c_str(); }
    bool isDependent() const noexcept override { return m_r.dependent; }
    double xScale() const noexcept override { return m_r.widthFactor; }
    double obliquingAngle() const noexcept override { return m_r.oblique; }
    int flagBits() const noexcept override { return m_r.flagBits; }
};

class DimStyleView final : public View<DkDbDimStyleTableRecord>
{
public:
    using View::View;
    const wchar_t* getName() const noexcept override { return m_r.name.c_str(); }
    bool isDependent() const noexcept override { return m_r.dependent; }
};

class MLeaderStyleView final : public View<DkDbMLeaderStyle>
{
public:
    using View::View;
    const wchar_t* getName() const noexcept override { return m_r.name.c_str(); }
};

// The annotative extension of styles and of the entities that name one.
class AnnotativeExtension final : public DkDbAnnotativeObjectPE
{
public:
    bool annotative(const DkDbObject* obj) const noexcept override
    {
        const Record* r = obj ? CurrentDrawing().Find(obj->objectId().asOldId()) : nullptr;
        if (!r)
            return false;
        if (r->kind != RecordKind::Entity)
            return r->annotative;
        const PropertySlot* slot = r->cls->Slot(L"Annotative");
        const VARIANT* v = slot ? &r->values[static_cast<size_t>(r->cls->SlotIndex(slot->dispid))].Get() : nullptr;
        return v && v->vt == VT_BOOL && v->boolVal;
    }
    Drvk::ErrorStatus setFromStyle(DkDbObject* obj, bool& wasModified) noexcept override
    try
    {
        wasModified = false;
        const auto* state = dynamic_cast<OpenState*>(obj);
        if (!state || !state->forWrite)
            return Drvk::eNotOpenForWrite;
        Drawing& d = CurrentDrawing();
        Record* r = d.Find(obj->objectId().asOldId());
        if (!r || r->kind != RecordKind::Entity)
            return Drvk::eInvalidInput;
        const PropertySlot* slot = r->cls->Slot(L"Annotative");
        const PropertySlot* style = r->cls->Slot(L"StyleName");
        if (!slot || !style)
            return Drvk::eOk;
        const VARIANT& name = r->values[static_cast<size_t>(r->cls->SlotIndex(style->dispid))].Get();
        const Record* record = name.vt == VT_BSTR && name.bstrVal && d.StyleContainer(*r)
                                   ? d.FindInTable(d.StyleContainer(*r), name.bstrVal)
                                   : nullptr;
        const bool wanted = record && record->annotative;
        if (annotative(obj) == wanted)
            return Drvk::eOk;
        VARIANT v;
        v.vt = VT_BOOL;
        v.boolVal = wanted ? VARIANT_TRUE : VARIANT_FALSE;
        d.StoreDerived(*r, L"Annotative", v);
        d.NotifyModified(r->id);
        JournalAdd(L"annotative " + r->handle + (wanted ? L" yes" : L" no"));
        wasModified = true;
        return Drvk::eOk;
    }
    catch (...)
    {
        return Drvk::eInvalidInput;
    }
};

class RecordView final : public View<DkDbSymbolTableRecord>
{
public:
    using View::View;
    const wchar_t* getName() const noexcept override { return m_r.name.c_str(); }
    bool isDependent() const noexcept override { return m_r.dependent; }
};

class BlockRecordView final : public View<DkDbBlockTableRecord>
{
public:
    using View::View;
    const wchar_t* getName() const noexcept override { return m_r.name.c_str(); }
    bool isDependent() const noexcept override { return m_r.dependent; }
    bool isFromExternalReference() const noexcept override { return m_r.xref; }
};

class TableIterator final : public DkDbSymbolTableIterator
{
public:
    explicit TableIterator(std::vector<LONG_PTR> ids) : m_ids(std::move(ids)) {}
    void start() noexcept override { m_pos = 0; }
    bool done() const noexcept override { return m_pos >= m_ids.size(); }
    void step() noexcept override { ++m_pos; }
    Drvk::ErrorStatus getRecordId(DkDbObjectId& id) const noexcept override
    {
        if (done())
            return Drvk::eInvalidInput;
        id = DkDbObjectId(m_ids[m_pos]);
        return Drvk::eOk;
    }

private:
    std::vector<LONG_PTR> m_ids;
    size_t m_pos = 0;
};

std::vector<LONG_PTR> LiveChildren(Drawing& d, const Record& r)
{
    std::vector<LONG_PTR> out;
    for (LONG_PTR id : r.children)
        if (Record* c = d.Find(id); c && !c->erased)
            out.push_back(id);
    return out;
}

Drvk::ErrorStatus LookUp(Drawing& d, const Record& r, const wchar_t* name, DkDbObjectId& id)
{
    Record* found = name ? d.FindInTable(r.id, name) : nullptr;
    if (!found)
        return Drvk::eKeyNotFound;
    id = DkDbObjectId(found->id);
    return Drvk::eOk;
}

template <class Base> class TableViewOf : public View<Base>
{
public:
    using View<Base>::View;
    Drvk::ErrorStatus getAt(const wchar_t* name, DkDbObjectId& id) const noexcept override
    {
        return LookUp(this->m_d, this->m_r, name, id);
    }
    bool has(const wchar_t* name) const noexcept override
    {
        DkDbObjectId id;
        return LookUp(this->m_d, this->m_r, name, id) == Drvk::eOk;
    }
    Drvk::ErrorStatus newIterator(DkDbSymbolTableIterator*& it) const noexcept override
    try
    {
        it = new TableIterator(LiveChildren(this->m_d, this->m_r));
        return Drvk::eOk;
    }
    catch (...)
    {
        it = nullptr;
        return Drvk::eInvalidInput;
    }
};

using TableView = TableViewOf<DkDbSymbolTable>;

class BlockTableView final : public TableViewOf<DkDbBlockTable>
{
public:
    using TableViewOf::getAt;
    using TableViewOf::TableViewOf;
    Drvk::ErrorStatus getAt(const wchar_t* name, DkDbBlockTableRecord*& record,
                            DkDb::OpenMode mode) const noexcept override
    try
    {
        record = nullptr;
        DkDbObjectId id;
        const Drvk::ErrorStatus es = LookUp(m_d, m_r, name, id);
        if (es != Drvk::eOk)
            return es;
        auto* view = new BlockRecordView(*m_d.Find(id.asOldId()), m_d, m_db);
        view->forWrite = mode == DkDb::kForWrite;
        record = view;
        return Drvk::eOk;
    }
    catch (...)
    {
        record = nullptr;
        return Drvk::eInvalidInput;
    }
};

class DictionaryIterator final : public DkDbDictionaryIterator
{
public:
    DictionaryIterator(Drawing& d, std::vector<LONG_PTR> ids) : m_d(d), m_ids(std::move(ids)) {}
    const wchar_t* name() const noexcept override
    {
        Record* r = done() ? nullptr : m_d.Find(m_ids[m_pos]);
        return r ? r->name.c_str() : L"";
    }
    DkDbObjectId objectId() const noexcept override { return DkDbObjectId(done() ? 0 : m_ids[m_pos]); }
    bool done() const noexcept override { return m_pos >= m_ids.size(); }
    bool next() noexcept override { return ++m_pos < m_ids.size(); }

private:
    Drawing& m_d;
    std::vector<LONG_PTR> m_ids;
    size_t m_pos = 0;
};

class DictionaryView final : public View<DkDbDictionary>
{
public:
    using View::View;
    Drvk::ErrorStatus getAt(const wchar_t* name, DkDbObjectId& id) const noexcept override
    {
        return LookUp(m_d, m_r, name, id);
    }
    bool has(const wchar_t* name) const noexcept override
    {
        DkDbObjectId id;
        return LookUp(m_d, m_r, name, id) == Drvk::eOk;
    }
    int numEntries() const noexcept override { return static_cast<int>(LiveChildren(m_d, m_r).size()); }
    DkDbDictionaryIterator* newIterator() const noexcept override
    try
    {
        return new DictionaryIterator(m_d, LiveChildren(m_d, m_r));
    }
    catch (...)
    {
        return nullptr;
    }
};

class HostServices final : public DkDbHostApplicationServices
{
public:
    DkDbDatabase* workingDatabase() const noexcept override;
};

Drvk::ErrorStatus HostDatabase::getSymbolTable(DkDbBlockTable*& table, DkDb::OpenMode mode) const noexcept
try
{
    table = nullptr;
    Record* r = D().Find(D().blockTable);
    if (!r)
        return Drvk::eKeyNotFound;
    if (g_unopenable.count(r->id))
        return Drvk::eInvalidOpenState;
    auto* view = new BlockTableView(*r, D(), const_cast<HostDatabase*>(this));
    view->forWrite = mode == DkDb::kForWrite;
    table = view;
    return Drvk::eOk;
}
catch (...)
{
    table = nullptr;
    return Drvk::eInvalidInput;
}
} // namespace

DkDbDatabase* WorkingDatabaseObject() noexcept
{
    static HostDatabase db;
    return &db;
}

Drawing* DrawingOfDatabase(DkDbDatabase* database) noexcept
{
    auto* db = dynamic_cast<HostDatabase*>(database);
    return db ? &db->D() : nullptr;
}

bool g_workingIsCurrent = true;
bool g_noWorkingDatabase = false;
bool g_visualStylesUnreadable = false;
DkDbDatabase* HostServices::workingDatabase() const noexcept
{
    // A second database stands for one that is not the current document's.
    static HostDatabase other;
    if (g_noWorkingDatabase)
        return nullptr;
    return g_workingIsCurrent ? WorkingDatabaseObject() : &other;
}

bool g_extendedNames = true;
// Drawings of the older format take only short names: a test makes the working drawing one.
bool HostDatabase::extendedNames() const noexcept
{
    const DkDbHostApplicationServices* services = dkdbHostApplicationServices();
    return g_extendedNames || !services || services->workingDatabase() != this;
}
} // namespace dkhost

using namespace dkhost;

// Each runtime class answers its descriptor; castable ones also cast.
#define DK_RX_CLASS(Class, descriptor)                                                                                 \
    const DkRxClass* Class::desc() noexcept                                                                            \
    {                                                                                                                  \
        return &descriptor;                                                                                            \
    }                                                                                                                  \
    const DkRxClass* Class::isA() const noexcept                                                                       \
    {                                                                                                                  \
        return &descriptor;                                                                                            \
    }
#define DK_RX_CAST(Class)                                                                                              \
    Class* Class::cast(DkRxObject* o) noexcept                                                                         \
    {                                                                                                                  \
        return o && o->isKindOf(desc()) ? static_cast<Class*>(o) : nullptr;                                            \
    }

DK_RX_CLASS(DkDbObject, g_dbObjectClass)
DK_RX_CLASS(DkDbEntity, g_entityClass)
DK_RX_CAST(DkDbEntity)
DK_RX_CLASS(DkDbAttribute, g_attributeClass)
DK_RX_CAST(DkDbAttribute)
DK_RX_CLASS(DkDbHatch, g_hatchClass)
DK_RX_CAST(DkDbHatch)
DK_RX_CLASS(DkDbPolyline, g_polylineClass)
DK_RX_CAST(DkDbPolyline)
DK_RX_CLASS(DkDbDimension, g_dimensionClass)
DK_RX_CAST(DkDbDimension)
DK_RX_CLASS(DkDbLeader, g_leaderClass)
DK_RX_CAST(DkDbLeader)
DK_RX_CLASS(DkDbMLeader, g_mleaderClass)
DK_RX_CAST(DkDbMLeader)
DK_RX_CLASS(DkDbBlockTable, g_blockTableClass)
DK_RX_CAST(DkDbBlockTable)
DK_RX_CLASS(DkDbBlockTableRecord, g_blockRecordClass)
DK_RX_CAST(DkDbBlockTableRecord)
DK_RX_CLASS(DkDbSymbolTableRecord, g_recordClass)
DK_RX_CAST(DkDbSymbolTableRecord)
DK_RX_CLASS(DkDbLayerTableRecord, g_layerClass)
DK_RX_CAST(DkDbLayerTableRecord)
DK_RX_CLASS(DkDbLinetypeTableRecord, g_linetypeClass)
DK_RX_CAST(DkDbLinetypeTableRecord)
DK_RX_CLASS(DkDbTextStyleTableRecord, g_textStyleClass)
DK_RX_CAST(DkDbTextStyleTableRecord)
DK_RX_CLASS(DkDbDimStyleTableRecord, g_dimStyleClass)
DK_RX_CAST(DkDbDimStyleTableRecord)
DK_RX_CLASS(DkDbMLeaderStyle, g_mleaderStyleClass)
DK_RX_CAST(DkDbMLeaderStyle)
DK_RX_CLASS(DkDbAnnotativeObjectPE, g_annotativeClass)
DK_RX_CAST(DkDbAnnotativeObjectPE)
DK_RX_CLASS(DkDbSymbolTable, g_tableClass)
DK_RX_CAST(DkDbSymbolTable)
DK_RX_CLASS(DkDbDictionary, g_dictionaryClass)
DK_RX_CAST(DkDbDictionary)
DkDbSymbolTableIterator::~DkDbSymbolTableIterator() = default;
DkDbDictionaryIterator::~DkDbDictionaryIterator() = default;
DkDbObjectReactor::~DkDbObjectReactor() = default;
void DkDbObjectReactor::modified(DkDbObjectId) noexcept {}
void DkDbObjectReactor::erased(DkDbObjectId, bool) noexcept {}
void DkDbObjectReactor::goodbye(DkDbObjectId) noexcept {}
DkDbUndoController::~DkDbUndoController() = default;
DkDbDatabase::~DkDbDatabase() = default;
DkDbHostApplicationServices::~DkDbHostApplicationServices() = default;

DkDbHostApplicationServices* dkdbHostApplicationServices() noexcept
{
    static HostServices services;
    return &services;
}

Drvk::ErrorStatus dkdbOpenObject(DkDbObject*& obj, DkDbObjectId id, DkDb::OpenMode mode, bool openErased) noexcept
try
{
    obj = nullptr;
    if (id.isNull())
        return Drvk::eNullObjectId;
    // The current document's object, or one of a drawing read aside.
    Drawing* drawing = &CurrentDrawing();
    DkDbDatabase* db = dkdbHostApplicationServices()->workingDatabase();
    if (!drawing->Owns(id.asOldId()))
        for (HostDatabase* aside : g_aside)
            if (aside->D().Owns(id.asOldId()))
            {
                drawing = &aside->D();
                db = aside;
            }
    Drawing& d = *drawing;
    Record* r = d.Find(id.asOldId());
    if (!r)
        return Drvk::eKeyNotFound;
    if (g_unopenable.count(r->id))
        return Drvk::eInvalidOpenState;
    if (r->erased && !openErased)
        return Drvk::eWasErased;
    switch (r->kind)
    {
    case RecordKind::Entity:
    {
        const std::wstring& c = r->cls->name;
        if (c == L"Hatch")
            obj = new HatchView(*r, d, db);
        else if (c == L"Polyline")
            obj = new PolylineView(*r, d, db);
        else if (c == L"Dimension")
            obj = new DimensionView(*r, d, db);
        else if (c == L"Leader")
            obj = new LeaderView(*r, d, db);
        else if (c == L"MLeader")
            obj = new MLeaderView(*r, d, db);
        else
            obj = new EntityView(*r, d, db);
        break;
    }
    case RecordKind::Layer:
        obj = new LayerView(*r, d, db);
        break;
    case RecordKind::Linetype:
        obj = new LinetypeView(*r, d, db);
        break;
    case RecordKind::TextStyle:
        obj = new TextStyleView(*r, d, db);
        break;
    case RecordKind::DimStyle:
        obj = new DimStyleView(*r, d, db);
        break;
    case RecordKind::Block:
        obj = new BlockRecordView(*r, d, db);
        break;
    case RecordKind::DictionaryEntry:
        if (r->owner == d.mleaderStyles)
            obj = new MLeaderStyleView(*r, d, db);
        else
            obj = new RecordView(*r, d, db);
        break;
    case RecordKind::Table:
        if (r->id == d.blockTable)
            obj = new BlockTableView(*r, d, db);
        else
            obj = new TableView(*r, d, db);
        break;
    case RecordKind::Dictionary:
        obj = new DictionaryView(*r, d, db);
        break;
    default:
        obj = new RecordView(*r, d, db);
        break;
    }
    if (auto* state = dynamic_cast<OpenState*>(obj))
        state->forWrite = mode == DkDb::kForWrite;
    return Drvk::eOk;
}
catch (...)
{
    obj = nullptr;
    return Drvk::eInvalidInput;
}

DkDbDatabase* dkdbNewDatabase() noexcept
try
{
    // Ids of their own, far from the document's and from each other's.
    const LONG_PTR first = g_nextAsideIds;
    g_nextAsideIds += 0x1000000;
    return new HostDatabase(first);
}
catch (...)
{
    return nullptr;
}

DkRxObject* DkRxClass::queryX(const DkRxClass* protocol) const noexcept
{
    static AnnotativeExtension annotative;
    if (protocol != &g_annotativeClass || g_noAnnotativeExtension)
        return nullptr;
    for (const DkRxClass* c : {&g_entityClass, &g_textStyleClass, &g_dimStyleClass, &g_mleaderStyleClass})
        if (isDerivedFrom(c))
            return &annotative;
    return nullptr;
}

Drvk::ErrorStatus dkdbEcs2Wcs(const double in[3], const double normal[3], double out[3]) noexcept
{
    if (!in || !normal || !out)
        return Drvk::eInvalidInput;
    const double length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
    if (!(length > 1e-12))
        return Drvk::eInvalidInput;
    const double n[3] = {normal[0] / length, normal[1] / length, normal[2] / length};
    // The plane's x axis: the world's y axis crossed with the normal when the normal is
    // near the world's z axis, else the world's z axis crossed with it.
    double ax[3];
    if (std::fabs(n[0]) < 1.0 / 64 && std::fabs(n[1]) < 1.0 / 64)
    {
        ax[0] = n[2];
        ax[1] = 0;
        ax[2] = -n[0];
    }
    else
    {
        ax[0] = -n[1];
        ax[1] = n[0];
        ax[2] = 0;
    }
    const double ax_length = std::sqrt(ax[0] * ax[0] + ax[1] * ax[1] + ax[2] * ax[2]);
    for (double& c : ax)
        c /= ax_length;
    const double ay[3] = {n[1] * ax[2] - n[2] * ax[1], n[2] * ax[0] - n[0] * ax[2], n[0] * ax[1] - n[1] * ax[0]};
    const double p[3] = {in[0], in[1], in[2]};
    for (int k = 0; k < 3; ++k)
        out[k] = p[0] * ax[k] + p[1] * ay[k] + p[2] * n[k];
    return Drvk::eOk;
}

void DkDbAssocManager::enableProgressMeter(bool enable, const wchar_t* text) noexcept
try
{
    JournalAdd(std::wstring(L"progress meter ") + (enable ? L"on" : L"off") + (text && *text ? L" " : L"") +
               (text ? text : L""));
}
catch (...)
{
}

Drvk::ErrorStatus DkDbAssocSurfaceActionBody::getVertexSubentPaths(DkDbObjectId entity, int vertexIndex,
                                                                   DkArray<DkDbFullSubentPath>& paths) noexcept
try
{
    paths.removeAll();
    Record* r = CurrentDrawing().Find(entity.asOldId());
    if (!r || r->erased || r->kind != RecordKind::Entity)
        return Drvk::eNullObjectId;
    if (!r->surfaceDriven || vertexIndex < 0)
        return Drvk::eOk;
    // The vertices are those of the entity's first list of points.
    for (size_t s = 0; s < r->cls->slots.size(); ++s)
        if (IsNumberList(r->cls->slots[s]))
        {
            const size_t count =
                Doubles(r->values[s].Get()).size() / static_cast<size_t>(ElementsPerGroup(r->cls->slots[s]));
            if (static_cast<size_t>(vertexIndex) >= count)
                return Drvk::eOk;
            // The body's point at the vertex and the edge that starts there.
            constexpr int kEdgeSubent = 2;
            constexpr int kVertexSubent = 3;
            for (int type : {kVertexSubent, kEdgeSubent})
            {
                DkDbFullSubentPath path;
                path.ids.push_back(entity);
                path.subentType = type;
                path.subentIndex = vertexIndex + 1;
                paths.append(path);
            }
            return Drvk::eOk;
        }
    return Drvk::eOk;
}
catch (...)
{
    paths.removeAll();
    return Drvk::eInvalidInput;
}

void dkhost_test::SetSurfaceDriven(LONG_PTR id, bool driven) noexcept
{
    if (Record* r = CurrentDrawing().Find(id))
        r->surfaceDriven = driven;
}

void dkhost_test::SetNoAnnotativeExtension(bool none) noexcept
{
    dkhost::g_noAnnotativeExtension = none;
}

void dkhost_test::SetNoWorkingDatabase(bool none) noexcept
{
    dkhost::g_noWorkingDatabase = none;
}

void dkhost_test::SetOpenFault(LONG_PTR id, bool refuse) noexcept
try
{
    if (refuse)
        dkhost::g_unopenable.insert(id);
    else
        dkhost::g_unopenable.erase(id);
}
catch (...)
{
}

void dkhost_test::SetReactorFault(bool refuse) noexcept
{
    dkhost::g_refuseReactors = refuse;
}

int dkhost_test::Reactors(LONG_PTR container) noexcept
{
    const Record* r = CurrentDrawing().Find(container);
    return r ? static_cast<int>(r->reactors.size()) : -1;
}

long dkhost_test::StrayReactorRemovals() noexcept
{
    return dkhost::g_strayReactorRemovals;
}

void dkhost_test::SetDrawingFilesUnreadable(bool unreadable) noexcept
{
    dkhost::g_filesUnreadable = unreadable;
}

int dkhost_test::DatabasesAside() noexcept
{
    return static_cast<int>(dkhost::g_aside.size());
}

bool DkVSUtil::getVSList(DkArray<DkString>& names) noexcept
try
{
    names.setLogicalLength(0);
    DkDbHostApplicationServices* services = dkdbHostApplicationServices();
    auto* db = dynamic_cast<HostDatabase*>(services ? services->workingDatabase() : nullptr);
    if (!db || dkhost::g_visualStylesUnreadable)
        return false;
    Drawing& d = db->D();
    Record* dictionary = d.Find(d.visualStyles);
    if (!dictionary)
        return false;
    // The host's order: the order the drawing was given them in.
    for (LONG_PTR id : LiveChildren(d, *dictionary))
        names.append(DkString(d.Find(id)->name));
    return true;
}
catch (...)
{
    return false;
}

const wchar_t* DkVSUtil::getAnonymousVSName() noexcept
{
    return L"Custom";
}

void dkhost_test::SetVisualStylesUnreadable(bool unreadable) noexcept
{
    dkhost::g_visualStylesUnreadable = unreadable;
}

void dkhost_test::SetExtendedNames(bool extended) noexcept
{
    dkhost::g_extendedNames = extended;
}

void dkhost_test::SetUndoGroupFault(bool refuseBegin, bool refuseEnd) noexcept
{
    dkhost::g_refuseUndoBegin = refuseBegin;
    dkhost::g_refuseUndoEnd = refuseEnd;
}

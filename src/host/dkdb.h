// The host's drawing database as the component reaches it: object ids, open and close,
// entities and their layers, symbol tables and dictionaries with iterators, the undo
// controller, the working database and the host's growable array.
#pragma once

#include "DkHostApi.h"
#include "dkstring.h"
#include "dkrx.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace Drvk
{
enum ErrorStatus
{
    eOk = 0,
    eNotImplemented = 1,
    eInvalidInput = 2,
    eNullObjectPointer = 3,
    eKeyNotFound = 4,
    eNullObjectId = 5,
    eInvalidOpenState = 6,
    eNotOpenForWrite = 7,
    eOnLockedLayer = 8,
    eInvalidIndex = 9,
    eFileAccessErr = 10,
    eBadDwgHeader = 11,
    eLockViolation = 12,
    eWasErased = 80,
};
} // namespace Drvk

namespace DkDb
{
enum OpenMode
{
    kForRead = 0,
    kForWrite = 1,
    kForNotify = 2,
};
// Codes of the undo controller's group operation.
enum UndoGroup
{
    kUndoGroupBegin = 8,
    kUndoGroupEnd = 16,
};
// How two regions are combined.
enum BoolOperType
{
    kBoolUnite = 0,
};
} // namespace DkDb

// A database object id; 0 is the null id.
class DkDbObjectId
{
public:
    constexpr DkDbObjectId() noexcept = default;
    constexpr explicit DkDbObjectId(LONG_PTR oldId) noexcept : m_id(oldId) {}
    constexpr LONG_PTR asOldId() const noexcept { return m_id; }
    constexpr bool isNull() const noexcept { return m_id == 0; }
    friend constexpr bool operator==(DkDbObjectId a, DkDbObjectId b) noexcept { return a.m_id == b.m_id; }
    friend constexpr bool operator!=(DkDbObjectId a, DkDbObjectId b) noexcept { return a.m_id != b.m_id; }
    friend constexpr bool operator<(DkDbObjectId a, DkDbObjectId b) noexcept { return a.m_id < b.m_id; }

private:
    LONG_PTR m_id = 0;
};

// The host's array: grows by at least its grow length, by at most 8192 entries at a time
// once it holds 8192 or more.
template <class T> class DkArray
{
public:
    explicit DkArray(int initialCapacity = 0, int growLength = 8) : m_growLength(growLength > 0 ? growLength : 8)
    {
        m_items.reserve(static_cast<size_t>(std::max(initialCapacity, 0)));
    }

    int length() const noexcept { return static_cast<int>(m_items.size()); }
    bool isEmpty() const noexcept { return m_items.empty(); }
    int growLength() const noexcept { return m_growLength; }
    int physicalLength() const noexcept { return static_cast<int>(m_items.capacity()); }

    DkArray& append(const T& value)
    {
        if (m_items.size() == m_items.capacity())
        {
            const size_t now = m_items.size();
            const size_t step = std::max<size_t>(static_cast<size_t>(m_growLength), std::min<size_t>(now, 8192));
            m_items.reserve(now + step);
        }
        m_items.push_back(value);
        return *this;
    }
    bool contains(const T& value) const { return std::find(m_items.begin(), m_items.end(), value) != m_items.end(); }
    void setLogicalLength(int n) { m_items.resize(static_cast<size_t>(std::max(n, 0))); }
    void removeAll() noexcept { m_items.clear(); }

    T& operator[](int i) { return m_items[static_cast<size_t>(i)]; }
    const T& operator[](int i) const { return m_items[static_cast<size_t>(i)]; }
    const T* asArrayPtr() const noexcept { return m_items.data(); }

private:
    std::vector<T> m_items;
    int m_growLength;
};

using DkDbObjectIdArray = DkArray<DkDbObjectId>;

// A sub-entity: the path of ids from the outermost container to the entity, and which
// part of it.
struct DkDbFullSubentPath
{
    std::vector<DkDbObjectId> ids;
    int subentType = 0;
    int subentIndex = 0;
    friend bool operator==(const DkDbFullSubentPath& a, const DkDbFullSubentPath& b)
    {
        return a.ids == b.ids && a.subentType == b.subentType && a.subentIndex == b.subentIndex;
    }
};

class DkDbDatabase;

// An open database object; close() ends the opening.
class DKHOST_API DkDbObject : public DkRxObject
{
public:
    static const DkRxClass* desc() noexcept;
    const DkRxClass* isA() const noexcept override;

    virtual DkDbObjectId objectId() const noexcept = 0;
    virtual DkDbObjectId ownerId() const noexcept = 0;
    virtual bool isErased() const noexcept = 0;
    virtual DkDbDatabase* database() const noexcept = 0;
    // An object opened for read becomes open for write.
    virtual Drvk::ErrorStatus upgradeOpen() noexcept = 0;
    virtual Drvk::ErrorStatus close() noexcept = 0;
};

class DKHOST_API DkDbEntity : public DkDbObject
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbEntity* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;

    virtual DkDbObjectId layerId() const noexcept = 0;
    // Highlights (or ends the highlight of) a sub-entity of this entity; style 2 is the
    // palette's.
    virtual Drvk::ErrorStatus pushHighlight(const DkDbFullSubentPath& path, int style) noexcept = 0;
    virtual Drvk::ErrorStatus popHighlight(const DkDbFullSubentPath& path) noexcept = 0;
};

// A planar area the host builds from an entity's boundary. It lives outside the database:
// whoever receives one deletes it.
class DKHOST_API DkDbRegion
{
public:
    virtual ~DkDbRegion();
    // Combines other into this region and leaves other empty.
    virtual Drvk::ErrorStatus booleanOper(DkDb::BoolOperType operation, DkDbRegion* other) noexcept = 0;
    // The area covered, overlaps counted once.
    virtual Drvk::ErrorStatus getArea(double& area) const noexcept = 0;
};

// A hatch: a fill bounded by a closed loop.
class DKHOST_API DkDbHatch : public DkDbEntity
{
public:
    // How a hatch's pattern is made: lines the user set up, a pattern of the host's pattern
    // list, or a pattern of a file of the user's own.
    enum HatchPatternType
    {
        kUserDefined = 0,
        kPreDefined = 1,
        kCustomDefined = 2,
    };

    static const DkRxClass* desc() noexcept;
    static DkDbHatch* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;

    // A new region covering the hatch; fails (region null) for a hatch without a boundary.
    virtual Drvk::ErrorStatus getRegionArea(DkDbRegion*& region) const noexcept = 0;
};

// A polyline whose vertices lie in a plane: x and y in the plane's own coordinates, the
// plane at an elevation along its normal.
class DKHOST_API DkDbPolyline : public DkDbEntity
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbPolyline* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual double elevation() const noexcept = 0;
    virtual void normal(double direction[3]) const noexcept = 0;
};

// An attribute of a block reference (its owner).
class DKHOST_API DkDbAttribute : public DkDbEntity
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbAttribute* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
};

// A dimension: its two arrowheads' blocks (null for a built-in arrowhead).
class DKHOST_API DkDbDimension : public DkDbEntity
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbDimension* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual DkDbObjectId dimblk1() const noexcept = 0;
    virtual DkDbObjectId dimblk2() const noexcept = 0;
};

// A leader: its arrowhead's block (null for a built-in arrowhead).
class DKHOST_API DkDbLeader : public DkDbEntity
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbLeader* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual DkDbObjectId dimldrblk() const noexcept = 0;
};

// A multileader: the arrowhead block of all its leader lines or of one, and the block its
// content shows (null for a built-in one).
class DKHOST_API DkDbMLeader : public DkDbEntity
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbMLeader* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual DkDbObjectId arrowSymbolId() const noexcept = 0;
    // eInvalidIndex for a leader line the multileader does not have.
    virtual Drvk::ErrorStatus getArrowSymbolId(int leaderLineIndex, DkDbObjectId& id) const noexcept = 0;
    virtual DkDbObjectId blockContentId() const noexcept = 0;
};

class DKHOST_API DkDbSymbolTableRecord : public DkDbObject
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbSymbolTableRecord* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual const wchar_t* getName() const noexcept = 0;
    // Part of an external reference's drawing.
    virtual bool isDependent() const noexcept = 0;
};

class DKHOST_API DkDbLayerTableRecord : public DkDbSymbolTableRecord
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbLayerTableRecord* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual bool isFrozen() const noexcept = 0;
    virtual bool isOff() const noexcept = 0;
    virtual bool isLocked() const noexcept = 0;
    virtual int colorIndex() const noexcept = 0;
    // The colour in a viewport, and whether that viewport overrides the layer's own.
    virtual int colorIndexInViewport(DkDbObjectId viewport, bool& isOverride) const noexcept = 0;
    virtual DkDbObjectId linetypeObjectId() const noexcept = 0;
    // Frozen in the given viewport only.
    virtual bool isFrozenInViewport(DkDbObjectId viewport) const noexcept = 0;
    // Some of the layer's properties are overridden in the given viewport.
    virtual bool hasOverrides(DkDbObjectId viewport) const noexcept = 0;
    // The lineweight (hundredths of a millimetre, -3 the default) and the linetype in a
    // viewport, and whether that viewport overrides the layer's own.
    virtual int lineWeightInViewport(DkDbObjectId viewport, bool& isOverride) const noexcept = 0;
    virtual DkDbObjectId linetypeObjectIdInViewport(DkDbObjectId viewport, bool& isOverride) const noexcept = 0;
    // The layer's plot style (a record of the drawing's plot style names) in a viewport, and
    // whether that viewport overrides the layer's own.
    virtual DkDbObjectId plotStyleNameId(DkDbObjectId viewport, bool& isOverride) const noexcept = 0;
};

class DKHOST_API DkDbLinetypeTableRecord : public DkDbSymbolTableRecord
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbLinetypeTableRecord* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual const wchar_t* comments() const noexcept = 0;
    // Dashes (positive) and gaps (negative) in pixels at the palette's scale; none: solid.
    virtual int numDashes() const noexcept = 0;
    virtual int dashLengthAt(int index) const noexcept = 0;
};

class DKHOST_API DkDbTextStyleTableRecord : public DkDbSymbolTableRecord
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbTextStyleTableRecord* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    // Width factor, oblique angle (radians) and flag bits (2: backward, 4: upside down).
    virtual double xScale() const noexcept = 0;
    virtual double obliquingAngle() const noexcept = 0;
    virtual int flagBits() const noexcept = 0;
};

class DKHOST_API DkDbDimStyleTableRecord : public DkDbSymbolTableRecord
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbDimStyleTableRecord* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
};

// A multileader style, an entry of the drawing's multileader style dictionary.
class DKHOST_API DkDbMLeaderStyle : public DkDbObject
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbMLeaderStyle* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual const wchar_t* getName() const noexcept = 0;
};

// The annotative protocol extension: found with queryX(DkDbAnnotativeObjectPE::desc()) on
// the objects that can be annotative (styles and the entities that name one).
class DKHOST_API DkDbAnnotativeObjectPE : public DkRxObject
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbAnnotativeObjectPE* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    // Whether the object (open for read) is annotative.
    virtual bool annotative(const DkDbObject* obj) const noexcept = 0;
    // Makes the object (open for write) annotative when its style is, and not otherwise.
    virtual Drvk::ErrorStatus setFromStyle(DkDbObject* obj, bool& wasModified) noexcept = 0;
};

class DkDbSymbolTableIterator;

class DKHOST_API DkDbSymbolTable : public DkDbObject
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbSymbolTable* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual Drvk::ErrorStatus getAt(const wchar_t* name, DkDbObjectId& id) const noexcept = 0;
    virtual bool has(const wchar_t* name) const noexcept = 0;
    // Records in table order; the caller deletes the iterator.
    virtual Drvk::ErrorStatus newIterator(DkDbSymbolTableIterator*& it) const noexcept = 0;
};

class DKHOST_API DkDbSymbolTableIterator
{
public:
    virtual ~DkDbSymbolTableIterator();
    virtual void start() noexcept = 0;
    virtual bool done() const noexcept = 0;
    virtual void step() noexcept = 0;
    virtual Drvk::ErrorStatus getRecordId(DkDbObjectId& id) const noexcept = 0;
};

class DkDbBlockTableRecord;

class DKHOST_API DkDbBlockTable : public DkDbSymbolTable
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbBlockTable* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    using DkDbSymbolTable::getAt;
    // The record of that name opened in mode (close it at once).
    virtual Drvk::ErrorStatus getAt(const wchar_t* name, DkDbBlockTableRecord*& record,
                                    DkDb::OpenMode mode) const noexcept = 0;
};

class DKHOST_API DkDbBlockTableRecord : public DkDbSymbolTableRecord
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbBlockTableRecord* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    // The block is an external reference to another drawing.
    virtual bool isFromExternalReference() const noexcept = 0;
};

class DkDbDictionaryIterator;

class DKHOST_API DkDbDictionary : public DkDbObject
{
public:
    static const DkRxClass* desc() noexcept;
    static DkDbDictionary* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;
    virtual Drvk::ErrorStatus getAt(const wchar_t* name, DkDbObjectId& id) const noexcept = 0;
    virtual bool has(const wchar_t* name) const noexcept = 0;
    virtual int numEntries() const noexcept = 0;
    virtual DkDbDictionaryIterator* newIterator() const noexcept = 0;
};

class DKHOST_API DkDbDictionaryIterator
{
public:
    virtual ~DkDbDictionaryIterator();
    virtual const wchar_t* name() const noexcept = 0;
    virtual DkDbObjectId objectId() const noexcept = 0;
    virtual bool done() const noexcept = 0;
    virtual bool next() noexcept = 0;
};

// The host's visual style utilities.
class DKHOST_API DkVSUtil
{
public:
    // The names of the working drawing's visual styles, in the host's order; false (and no
    // names) when they cannot be read.
    static bool getVSList(DkArray<DkString>& names) noexcept;
    // The name the host shows for a view's visual style of its own, which no list holds.
    static const wchar_t* getAnonymousVSName() noexcept;
};

// Told when objects of a table or dictionary change, on the host's thread.
class DKHOST_API DkDbObjectReactor
{
public:
    virtual ~DkDbObjectReactor();
    // A record of the observed object was added, renamed, changed or purged.
    virtual void modified(DkDbObjectId id) noexcept;
    virtual void erased(DkDbObjectId id, bool erasing) noexcept;
    // The observed object leaves memory (its drawing is closed or replaced): the reactor is
    // already detached and must not reach the object again.
    virtual void goodbye(DkDbObjectId id) noexcept;
};

class DKHOST_API DkDbUndoController
{
public:
    virtual ~DkDbUndoController();
    // DkDb::kUndoGroupBegin with the group's label, or DkDb::kUndoGroupEnd.
    virtual Drvk::ErrorStatus undoGroup(int code, const wchar_t* label = nullptr) noexcept = 0;
    // Undoes the given number of steps (groups, or single changes made outside a group).
    virtual Drvk::ErrorStatus undo(int steps) noexcept = 0;
};

class DKHOST_API DkDbDatabase
{
public:
    virtual ~DkDbDatabase();
    virtual DkDbObjectId layerTableId() const noexcept = 0;
    virtual DkDbObjectId linetypeTableId() const noexcept = 0;
    virtual DkDbObjectId textStyleTableId() const noexcept = 0;
    virtual DkDbObjectId dimStyleTableId() const noexcept = 0;
    virtual DkDbObjectId blockTableId() const noexcept = 0;
    virtual DkDbObjectId materialDictionaryId() const noexcept = 0;
    virtual DkDbObjectId visualStyleDictionaryId() const noexcept = 0;
    virtual DkDbObjectId mleaderStyleDictionaryId() const noexcept = 0;
    virtual DkDbObjectId tableStyleDictionaryId() const noexcept = 0;
    virtual DkDbObjectId clayer() const noexcept = 0;
    // Plot styles follow the colours (true), or are named styles the objects carry (false).
    virtual bool plotStyleMode() const noexcept = 0;
    virtual Drvk::ErrorStatus getSymbolTable(DkDbBlockTable*& table, DkDb::OpenMode mode) const noexcept = 0;
    // A drawing file read into this database (an empty one): the host's own drawing format,
    // or its exchange format. eFileAccessErr for a file that cannot be read,
    // eBadDwgHeader for one that is no drawing.
    virtual Drvk::ErrorStatus readDwgFile(const wchar_t* fileName, bool allowShare = true) noexcept = 0;
    virtual Drvk::ErrorStatus dxfIn(const wchar_t* fileName) noexcept = 0;
    virtual DkDbUndoController* undoController() const noexcept = 0;
    // Reactors told of changes to the records of a table or dictionary.
    virtual Drvk::ErrorStatus addReactor(DkDbObjectId container, DkDbObjectReactor* reactor) noexcept = 0;
    virtual Drvk::ErrorStatus removeReactor(DkDbObjectId container, DkDbObjectReactor* reactor) noexcept = 0;
    // The drawing takes the long symbol names of the newer drawing format.
    virtual bool extendedNames() const noexcept = 0;
};

class DKHOST_API DkDbHostApplicationServices
{
public:
    virtual ~DkDbHostApplicationServices();
    virtual DkDbDatabase* workingDatabase() const noexcept = 0;
};

DKHOST_API DkDbHostApplicationServices* dkdbHostApplicationServices() noexcept;

// A database of its own, empty, for reading a drawing file aside; the caller deletes it.
DKHOST_API DkDbDatabase* dkdbNewDatabase() noexcept;

// Opens an object for the shortest span; close it at once.
DKHOST_API Drvk::ErrorStatus dkdbOpenObject(DkDbObject*& obj, DkDbObjectId id, DkDb::OpenMode mode,
                                            bool openErased = false) noexcept;

template <class T>
Drvk::ErrorStatus dkdbOpenObject(T*& obj, DkDbObjectId id, DkDb::OpenMode mode, bool openErased = false) noexcept
{
    obj = nullptr;
    DkDbObject* any = nullptr;
    const Drvk::ErrorStatus es = dkdbOpenObject(any, id, mode, openErased);
    if (es != Drvk::eOk)
        return es;
    obj = T::cast(any);
    if (!obj)
    {
        any->close();
        return Drvk::eInvalidInput;
    }
    return Drvk::eOk;
}

// Whether name can name a record of a symbol table: eOk, or eInvalidInput. With extended
// names: 1 to 255 characters, none of < > / \ " : ; ? * | , = ` nor a control character,
// and no leading or trailing space; without: at most 31 letters, digits, '$', '-' and '_'.
DKHOST_API Drvk::ErrorStatus dkdbValidateSymbolName(const wchar_t* name, bool extendedNames) noexcept;

// A point in the coordinates of a plane with that normal, in world coordinates: the plane's
// x axis is the world's y or z axis crossed with the normal (the two share their origin).
DKHOST_API Drvk::ErrorStatus dkdbEcs2Wcs(const double in[3], const double normal[3], double out[3]) noexcept;

// The associative framework's surface actions: the sub-entities of the action's body that
// make up one vertex of an entity the action drives. None (and eOk) for an entity no
// surface action drives or a vertex it does not have.
class DKHOST_API DkDbAssocSurfaceActionBody
{
public:
    static Drvk::ErrorStatus getVertexSubentPaths(DkDbObjectId entity, int vertexIndex,
                                                  DkArray<DkDbFullSubentPath>& paths) noexcept;
};

class DKHOST_API DkDbAssocManager
{
public:
    // Shows or hides the progress meter of associative updates.
    static void enableProgressMeter(bool enable, const wchar_t* text) noexcept;
};

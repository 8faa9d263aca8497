// The stand-in host's drawing database: records (entities, table records, tables,
// dictionaries), the object classes with their property schemas from the host's type
// library, property values, the undo history and the palette objects.
#pragma once

#include "dkdb.h"
#include "dked.h"

#include "ComPtr.h"
#include "Unique.h"

#include <oaidl.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <string>
#include <vector>

namespace dkhost
{
class PaletteObject;

// A multileader's leader lines are its parts from this index on.
constexpr long kFirstLeaderLine = 5001;

// Values the host computes from others instead of storing them.
enum class Derived
{
    None,
    Handle,
    ObjectName,
    CircleDiameter,
    CircleCircumference,
    CircleArea,
    ArcTotalAngle,
    ArcLength,
    ArcArea,
    LineLength,
    LineAngle,
    PolylineArea,
    PolylineLength,
    HatchArea,
    LightWebPreview, // the light's web file
};

// Values of a light that are read, written and kept in forms of their own (see Lights.h).
enum class LightValue
{
    None,
    LampColor,
    Intensity,
};

// Reads that fail whatever the value, for classes whose data lives elsewhere.
enum class ReadFailure
{
    None,
    ThicknessElsewhere, // DISPID 10 fails with 0x80200003
    SetByView,          // DISPIDs 1 and 2 fail with 0x80200002
};

// One property of an object class, as the host's type library describes it.
struct PropertySlot
{
    Derived derived = Derived::None;
    DISPID dispid = 0;
    std::wstring name;
    VARTYPE vt = VT_EMPTY; // VT_VARIANT for points and coordinate lists
    bool readOnly = false;
    bool isEnum = false;
    // An entity's hyperlinks: a collection object (VT_DISPATCH that is no colour).
    bool hyperlinks = false;
    LightValue light = LightValue::None;
    std::vector<LONG> enumValues;
    std::vector<std::wstring> enumNames; // the enumeration's constants, as the type library names them
};

struct ObjectClass
{
    std::wstring name; // "Circle"
    CLSID classId{};
    dkfw::ComPtr<ITypeInfo> typeInfo;
    std::vector<PropertySlot> slots;
    ReadFailure readFailure = ReadFailure::None;
    // Slots the derived values come from (-1 where the class has none).
    int radius = -1, startAngle = -1, endAngle = -1, startPoint = -1, endPoint = -1, coordinates = -1, closed = -1;
    const PropertySlot* Slot(DISPID dispid) const noexcept;
    const PropertySlot* Slot(const std::wstring& name) const noexcept;
    int SlotIndex(DISPID dispid) const noexcept;
    int SlotIndex(const wchar_t* name) const noexcept;
};

enum class RecordKind
{
    Entity,
    Table,
    Dictionary,
    Layer,
    Linetype,
    TextStyle,
    DimStyle,
    Block,
    DictionaryEntry,
};

struct Record
{
    LONG_PTR id = 0;
    LONG_PTR owner = 0;
    RecordKind kind = RecordKind::Entity;
    bool erased = false;
    std::wstring name;    // records, tables, dictionaries
    std::wstring comment; // linetype description and the like
    // Layers.
    bool frozen = false;
    bool off = false;
    bool locked = false;
    bool dependent = false;
    int color = 7;
    LONG_PTR linetype = 0;
    std::set<LONG_PTR> frozenInViewports;
    std::map<LONG_PTR, int> viewportColors; // the colours viewports override the layer's with
    int lineweight = -3;
    std::map<LONG_PTR, int> viewportLineweights;
    std::map<LONG_PTR, LONG_PTR> viewportLinetypes;
    // The layer's named plot style (a record of the drawing's plot style names), and the ones
    // viewports override it with.
    LONG_PTR plotStyle = 0;
    std::map<LONG_PTR, LONG_PTR> viewportPlotStyles;
    // Blocks: an external reference to another drawing.
    bool xref = false;
    // A part of an entity (a multileader's leader line) rather than an object of the drawing:
    // its index among the parts (leader lines from 5001); the entity is its owner.
    long subentIndex = 0;
    // Linetypes: dashes (positive) and gaps (negative) in pixels; none is solid.
    std::vector<int> pattern;
    // Text, dimension and multileader styles: scaled with the viewport's annotation scale.
    bool annotative = false;
    // Text styles: width factor, oblique angle (radians) and flag bits (2 backward, 4
    // upside down).
    double widthFactor = 1.0;
    double oblique = 0.0;
    int flagBits = 0;
    // Attributes: several lines of text, and the kind interface they answer (0 the current,
    // 1 only the attribute definitions' older one, 2 none).
    bool multiline = false;
    int attributeKind = 0;
    // Entities a surface action of the associative framework drives.
    bool surfaceDriven = false;
    // Sections: the geometry they make, live (1), 2D (2) or 3D (4).
    int sectionKind = 1;
    // Entities.
    const ObjectClass* cls = nullptr;
    std::vector<dkfw::UniqueVariant> values; // parallel to cls->slots
    std::wstring handle;
    // Table records and dictionary entries in order; a block's entities.
    std::vector<LONG_PTR> children;
    // Tables and dictionaries: their records by name folded to lower case.
    std::unordered_map<std::wstring, LONG_PTR> index;
    std::vector<DkDbObjectReactor*> reactors;
};

// One change the undo history can take back.
struct BeforeImage
{
    LONG_PTR id = 0;
    int slot = 0; // kErasedImage: the record was erased; kRestoreImage: restore puts it back
    dkfw::UniqueVariant value;
    std::function<void()> restore;
};

constexpr int kErasedImage = -1;
constexpr int kRestoreImage = -2;

struct UndoStep
{
    std::wstring label;
    std::vector<BeforeImage> images;
};

class Drawing
{
public:
    // A drawing's object ids start at firstId: drawings read aside keep ids of their own.
    explicit Drawing(LONG_PTR firstId = 0x100);
    ~Drawing();

    // The object classes of the host's type library.
    const ObjectClass* Class(const std::wstring& name) const noexcept;
    const std::vector<std::unique_ptr<ObjectClass>>& Classes() const noexcept { return m_classes; }

    Record* Find(LONG_PTR id) noexcept;
    Record* FindByHandle(const std::wstring& handle) noexcept;
    // Gives an entity a handle no other entity holds (in any letter case); false when taken.
    bool SetHandle(Record& r, const std::wstring& handle);
    Record* FindInTable(LONG_PTR table, const std::wstring& name) noexcept;
    Record* FindInTable(LONG_PTR table, const wchar_t* name, size_t length) noexcept;
    Record& Add(RecordKind kind, LONG_PTR owner, const std::wstring& name);
    Record& AddEntity(const ObjectClass& cls, LONG_PTR owner);
    // The drawing's entities in order (not the parts of entities).
    std::vector<LONG_PTR> Entities() const;
    // A part of an entity by its index (null: none).
    Record* Subentity(LONG_PTR owner, long index) noexcept;
    // Whether an id is one of this drawing's.
    bool Owns(LONG_PTR id) const noexcept { return m_records.count(id) != 0; }

    LONG_PTR layerTable = 0, linetypeTable = 0, textStyleTable = 0, dimStyleTable = 0, blockTable = 0;
    LONG_PTR materials = 0, visualStyles = 0, mleaderStyles = 0, tableStyles = 0;
    // The named plot styles, "Normal" first.
    LONG_PTR plotStyles = 0;
    LONG_PTR modelSpace = 0;
    std::wstring fileName = L"Drawing1.dkd";
    // The file the drawing was read from, in full (empty: a drawing never saved).
    std::wstring path;
    // Plot styles follow the colours (true), or objects and layers name plot styles.
    bool colorDependentPlotStyles = true;

    // Property values: reading (with derived values) and writing (validated, undoable).
    HRESULT GetValue(Record& r, const PropertySlot& slot, VARIANT* out);
    // Whether the host takes a value of the slot's type for the record; description says why not.
    bool Validate(const Record& r, const PropertySlot& slot, const VARIANT& value, std::wstring& description) noexcept;
    // Writes a value already of the slot's type; description says why a value is refused.
    HRESULT PutValue(Record& r, const PropertySlot& slot, const VARIANT& value, std::wstring& description);
    void StoreRaw(Record& r, int slot, const VARIANT& value);
    // A value the host works out itself (the text kept in place, the annotative state taken
    // from the style): undoable like a write, no validation.
    void StoreDerived(Record& r, const wchar_t* name, const VARIANT& value);
    // The table or dictionary an entity's style name is looked up in (0: none).
    LONG_PTR StyleContainer(const Record& entity) const noexcept;
    // A change kept outside the record's values (what the palette object holds of it), with
    // what puts it back on undo.
    void RecordRestore(Record& r, std::function<void()> restore);
    // Erases an entity as a command or a reactor does (undoable, journaled).
    void Erase(Record& r);
    // Table records as the host's commands change them (not undoable), the table's reactors
    // told: a new name (entities on a renamed layer read the new name), purged.
    void Rename(Record& r, const std::wstring& name);
    void Purge(Record& r);
    // An entity (or what undo would put back) names the layer or linetype; a layer uses the
    // linetype.
    bool InUse(const Record& record) const;
    // The entity property that names records of r's kind (null: none); each class has it
    // under its own DISPID.
    static const wchar_t* NamingProperty(const Record& r) noexcept;
    // The drawing leaves memory: every reactor is detached and told.
    void SayGoodbye() noexcept;

    // Undo.
    void BeginGroup(const std::wstring& label);
    void EndGroup();
    bool InGroup() const noexcept { return m_groupDepth > 0; }
    int UndoSteps(int steps);
    size_t UndoDepth() const noexcept { return m_undo.size(); }
    void ClearUndo() noexcept { m_undo.clear(); }

    // A description of the host's type library by its interface name, hidden ones included
    // (null when there is none).
    dkfw::ComPtr<ITypeInfo> TypeInfoNamed(const std::wstring& name) const;

    // The palette object of a record, with a reference added; null for non-entities.
    HRESULT PaletteObjectOf(LONG_PTR id, IDispatch** out);
    PaletteObject* CachedPaletteObject(LONG_PTR id) const noexcept;

    void NotifyModified(LONG_PTR id);

private:
    void LoadClasses();
    void RecordBefore(Record& r, int slot);

    std::vector<std::unique_ptr<ObjectClass>> m_classes;
    // By id, as a host's object ids lead straight to their objects however large the drawing.
    std::unordered_map<LONG_PTR, std::unique_ptr<Record>> m_records;
    LONG_PTR m_nextId = 0x100;
    int m_nextHandle = 0x20;
    std::vector<UndoStep> m_undo;
    int m_groupDepth = 0;
    std::unordered_map<std::wstring, LONG_PTR> m_handles; // entity handles folded to lower case

    std::unordered_map<LONG_PTR, PaletteObject*> m_palette; // one reference each
    dkfw::ComPtr<ITypeLib> m_typeLib;
};

// A colour property's value as the drawing keeps it, from a colour object of the host or a
// colour index (0 ByBlock to 256 ByLayer, by the caller's locale from text): a colour object
// of the drawing's own, never handed out and so never changed. DISP_E_TYPEMISMATCH for
// anything else; DISP_E_EXCEPTION, with the reason, for an index out of range.
HRESULT KeepColor(const VARIANT& in, LCID locale, VARIANT* out, std::wstring& description) noexcept;

// After a write of the named property of a text or attribute, the host moves the point the
// justification does not hold fixed, or works out the height, width factor and rotation of
// a text fitted between two points.
void KeepTextInPlace(Drawing& d, Record& text, const std::wstring& written);

// A property that holds one of the host's colour objects.
inline bool IsColor(const PropertySlot& slot) noexcept
{
    return slot.vt == VT_DISPATCH && !slot.hyperlinks;
}

// The elements of a group of a point or list property: 2 for a polyline's or hatch's
// coordinates, 4 for a spline's control points (x, y, z, weight), 3 otherwise.
int ElementsPerGroup(const PropertySlot& slot) noexcept;
// A property that holds a list of numbers rather than one point.
bool IsNumberList(const PropertySlot& slot) noexcept;

// The doubles of a point or coordinate list value (none for any other value).
std::vector<double> Doubles(const VARIANT& v);

// The plot style tables installed with the host, and whether a name is one of them (in any
// letter case).
const std::vector<std::wstring>& InstalledPlotStyleTables();
bool IsInstalledPlotStyleTable(const std::wstring& name);

// A drawing file of the host's format read into an empty drawing (its path kept): eOk,
// eFileAccessErr for a file that cannot be opened, eBadDwgHeader for one that is no drawing.
Drvk::ErrorStatus ReadDrawingAside(Drawing& d, const std::wstring& path, bool allowShare);
// The drawing of a database of the host's (null for any other).
Drawing* DrawingOfDatabase(DkDbDatabase* database) noexcept;

// The drawing of the current document.
Drawing& CurrentDrawing();
// Replaces the current drawing by a new empty one.
void ResetDrawing();
HMODULE HostModule() noexcept;
} // namespace dkhost

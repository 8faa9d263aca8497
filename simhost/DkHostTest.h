// The stand-in host's own controls for tests and demos: reading the journal and injecting
// faults. The component never sees this header.
#pragma once

#include "DkHostApi.h"

#include <windows.h>

namespace dkhost_test
{
// The journal, oldest entry first. Entry pointers stay valid until the journal is cleared.
DKHOST_API int JournalSize() noexcept;
DKHOST_API const wchar_t* JournalEntry(int index) noexcept;
DKHOST_API void ClearJournal() noexcept;

// A host that ignores the units buffer contract: every number-to-text conversion writes
// extra characters past its result (0 puts the contract back).
DKHOST_API void SetUnitsOverrun(int extra) noexcept;
// Number-to-text conversions (distances and angles) the host has made so far.
DKHOST_API long UnitTextConversions() noexcept;

// Makes dkrxLoadModule refuse every module (as a host does for a module it cannot load).
DKHOST_API void RefuseModuleLoads(bool refuse) noexcept;
// Takes a service out of the system registry, or puts the host's own back.
DKHOST_API void SetServiceRegistered(const wchar_t* name, bool registered) noexcept;
// Registers under name an object that is not the service the name stands for.
DKHOST_API void RegisterForeignService(const wchar_t* name) noexcept;
// How the scene module "DkSceneUI.drx" misbehaves: it is missing (its load fails), it loads but
// registers no service, or it registers its service from an older build that exports no web
// preview. Each call first unloads the scene module where it is loaded, so that the next load
// starts it anew.
constexpr int kSceneModuleOk = 0;
constexpr int kSceneModuleMissing = 1;
constexpr int kSceneModuleNoService = 2;
constexpr int kSceneModuleNoPreview = 3;
DKHOST_API void SetSceneModuleFault(int fault) noexcept;

// The host installation's registration of control classes, per user. A module with a type
// library registers it and every class it describes (its progid is the class's custom data
// under DK_PROGID_GUID); a single class can be registered on its own. A progid that is not
// one (a backslash, a reserved key such as CLSID) refuses the whole registration with
// E_INVALIDARG before anything is written. The user's classes are written first, then the
// machine's; a hive that fails part-way is taken back: an error when the user's failed,
// S_FALSE when only the machine's did (the registration then stands for the user alone).
DKHOST_API HRESULT RegisterControlClass(const CLSID& clsid, const wchar_t* progId, const wchar_t* userType,
                                        const wchar_t* serverPath, const GUID* libid) noexcept;
DKHOST_API HRESULT UnregisterControlClass(const CLSID& clsid, const wchar_t* progId) noexcept;
// Returns the number of classes registered through count.
DKHOST_API HRESULT InstallModule(const wchar_t* modulePath, int* count) noexcept;
DKHOST_API HRESULT UninstallModule(const wchar_t* modulePath) noexcept;
} // namespace dkhost_test

// --- The drawing ---------------------------------------------------------------------
#include <oaidl.h>

namespace dkhost_test
{
// An empty drawing (layer 0, the standard linetypes and styles), or one read from text or
// a drawing file in the host's format; the embedded sample drawing.
DKHOST_API void ResetDrawing() noexcept;
DKHOST_API HRESULT LoadDrawingText(const wchar_t* text, int* errorLine) noexcept;
DKHOST_API HRESULT LoadDrawingFile(const wchar_t* path, int* errorLine) noexcept;
DKHOST_API HRESULT LoadSampleDrawing() noexcept;
// Why the last drawing was refused (too large, a line not understood, ...); empty after a load.
DKHOST_API const wchar_t* LastLoadError() noexcept;
DKHOST_API const wchar_t* DrawingName() noexcept;

// Entities: a new one of a class on layer 0, by handle, all of them.
DKHOST_API LONG_PTR AddEntity(const wchar_t* className) noexcept;
DKHOST_API LONG_PTR EntityByHandle(const wchar_t* handle) noexcept;
DKHOST_API int Entities(LONG_PTR* ids, int capacity) noexcept;
DKHOST_API const wchar_t* EntityClass(LONG_PTR id) noexcept;
DKHOST_API const wchar_t* EntityHandle(LONG_PTR id) noexcept;
// The entity's palette object, with a reference.
DKHOST_API HRESULT GetPaletteObject(LONG_PTR id, IDispatch** out) noexcept;
// References held on the palette object, the host's own cache reference included (so 1
// when nobody else holds it); 0 before it was first handed out.
DKHOST_API ULONG PaletteObjectRefs(LONG_PTR id) noexcept;
// Property gets through IDispatch, and IDkEntity::Update calls, so far.
DKHOST_API long PropertyReads(LONG_PTR id) noexcept;
DKHOST_API long EntityUpdates(LONG_PTR id) noexcept;
// The locale passed with the latest property get or put through IDispatch.
DKHOST_API LCID LastPropertyLocale(LONG_PTR id) noexcept;

// Per object and property: faults and the optional interfaces.
DKHOST_API void SetPropertyFault(LONG_PTR id, DISPID dispid, bool onGet, SCODE code,
                                 const wchar_t* description) noexcept;
// While set, a get of the property answers a copy of value instead of the object's own (a value
// of any shape, as a broken object might hand out); null puts the object's own back.
DKHOST_API void SetRawPropertyValue(LONG_PTR id, DISPID dispid, const VARIANT* value) noexcept;
DKHOST_API void SetUnspecified(LONG_PTR id, DISPID dispid, bool allowed, bool unspecified,
                               const wchar_t* text) noexcept;
DKHOST_API void SetExpression(LONG_PTR id, DISPID dispid, bool supported, const wchar_t* expression) noexcept;
DKHOST_API void SetEditable(LONG_PTR id, DISPID dispid, bool editable) noexcept;
DKHOST_API void SetPredefined(LONG_PTR id, DISPID dispid, const wchar_t* const* names, const LONG* values, int count,
                              bool valueNotImplemented) noexcept;
// Special values a property offers beside its ordinary ones (their values count), the one
// the object holds (-1: an ordinary value), and a list of them that cannot be given.
DKHOST_API void SetCustomValues(LONG_PTR id, DISPID dispid, const wchar_t* const* names, const LONG* values, int count,
                                int held, bool listFails) noexcept;

// What IDkEntity::Update answers for an object; the property page its IPerPropertyBrowsing
// maps a property to.
DKHOST_API void SetUpdateResult(LONG_PTR id, HRESULT hr) noexcept;
DKHOST_API void SetPropertyPage(LONG_PTR id, DISPID dispid, const CLSID& page) noexcept;
// When trigger takes a property value, a reactor erases victim (undoably, in the same
// change); 0 takes the reactor away.
DKHOST_API void EraseWhenWritten(LONG_PTR trigger, LONG_PTR victim) noexcept;

// Layers: added (color index), and their states, as the host's layer commands change them
// (the layer table's reactors are told of each).
DKHOST_API LONG_PTR AddLayer(const wchar_t* name, int color) noexcept;
DKHOST_API bool SetLayerState(const wchar_t* name, bool frozen, bool off, bool locked) noexcept;
// A new name (not for layer 0, nor one another layer has); entities on it read the new name.
DKHOST_API bool RenameLayer(const wchar_t* name, const wchar_t* newName) noexcept;
// Purged; refused for layer 0 and for a layer some entity is on.
DKHOST_API bool PurgeLayer(const wchar_t* name) noexcept;
// The colour a viewport overrides the layer's with (1 to 255), or none (0): an override.
DKHOST_API bool SetLayerViewportColor(const wchar_t* name, LONG_PTR viewport, int color) noexcept;
DKHOST_API LONG_PTR LayerId(const wchar_t* name) noexcept;
DKHOST_API LONG_PTR LayerTableId() noexcept;

// Lineweights: shown in inches (or millimetres), and a host that lists only its first count
// standard lineweights (-1: all 24).
DKHOST_API void SetLineweightUnits(bool inches) noexcept;
DKHOST_API void SetLineweightsListed(int count) noexcept;
// Linetypes: loaded (dashes positive, gaps negative, in pixels; none: solid), renamed and
// purged as the host's commands do, the table's reactors told; ByLayer, ByBlock and
// Continuous cannot be renamed or purged, nor a linetype in use.
DKHOST_API LONG_PTR AddLinetype(const wchar_t* name, const int* pattern, int count) noexcept;
DKHOST_API bool RenameLinetype(const wchar_t* name, const wchar_t* newName) noexcept;
DKHOST_API bool PurgeLinetype(const wchar_t* name) noexcept;
DKHOST_API LONG_PTR LinetypeId(const wchar_t* name) noexcept;
// A layer's lineweight, and a viewport's overrides of its lineweight and linetype (a null
// linetype takes the override away).
DKHOST_API bool SetLayerLineweight(const wchar_t* name, int lineweight) noexcept;
DKHOST_API bool SetLayerViewportLineweight(const wchar_t* name, LONG_PTR viewport, bool overridden,
                                           int lineweight) noexcept;
DKHOST_API bool SetLayerViewportLinetype(const wchar_t* name, LONG_PTR viewport, const wchar_t* linetype) noexcept;

// Styles: a new text style (0 when the name is taken), the id of a style by its container
// ("text", "dim", "mleader", "table"; 0 when missing), and a container's id.
DKHOST_API LONG_PTR AddTextStyle(const wchar_t* name, bool annotative, bool dependent) noexcept;
DKHOST_API LONG_PTR StyleId(const wchar_t* container, const wchar_t* name) noexcept;
DKHOST_API LONG_PTR StyleContainerId(const wchar_t* container) noexcept;
// The annotative extension missing from the host (true), or back.
DKHOST_API void SetNoAnnotativeExtension(bool none) noexcept;
// Writes of single elements (a point's coordinate) of a property of an object fail (at any
// element, or at cookie only); reads fail; which element interfaces the object answers.
DKHOST_API void SetElementFault(LONG_PTR id, DISPID dispid, bool fail) noexcept;
DKHOST_API void SetElementFaultAt(LONG_PTR id, DISPID dispid, long cookie) noexcept;
DKHOST_API void SetElementReadFault(LONG_PTR id, DISPID dispid, bool fail) noexcept;
DKHOST_API void SetElementForms(LONG_PTR id, bool plain, bool withObject) noexcept;
// The crosses marking vertices now drawn: how many, their points (x, y, z each) into xyz.
DKHOST_API int Marks(double* xyz, int capacity) noexcept;

// Database faults: an object (a record, a table) that cannot be opened; no working database.
DKHOST_API void SetOpenFault(LONG_PTR id, bool refuse) noexcept;
DKHOST_API void SetNoWorkingDatabase(bool none) noexcept;
// The visual style utilities cannot read the drawing's visual styles.
DKHOST_API void SetVisualStylesUnreadable(bool unreadable) noexcept;
// The working drawing's answer to whether it takes extended symbol names (true at start).
DKHOST_API void SetExtendedNames(bool extended) noexcept;
// The key under HKEY_CURRENT_USER that the host names as its product root (null: its own).
DKHOST_API void SetProductRegistryRoot(const wchar_t* root) noexcept;
// Reactors attached to an object (-1: no such object), and removals of a reactor from an
// object it was not attached to, so far.
DKHOST_API int Reactors(LONG_PTR container) noexcept;
DKHOST_API long StrayReactorRemovals() noexcept;
// Objects refuse to take a reactor (false puts it right).
DKHOST_API void SetReactorFault(bool refuse) noexcept;

// The undo history: steps that can be undone, and undoing them as the UNDO command does.
DKHOST_API int UndoDepth() noexcept;
// The undo controller refuses to begin, or to end, a group (journaled "undo group begin
// refused" / "undo group end refused"); false, false puts it right.
DKHOST_API void SetUndoGroupFault(bool refuseBegin, bool refuseEnd) noexcept;
DKHOST_API int Undo(int steps) noexcept;
// Forgets the undo history, as saving the drawing does.
DKHOST_API void ClearUndo() noexcept;

// Command and editor state.
DKHOST_API void SetDragging(bool dragging) noexcept;
DKHOST_API void SetCommandFlags(int flags) noexcept;
DKHOST_API void SetCommandActive(bool active) noexcept;
DKHOST_API void SetRefEdit(bool active, const LONG_PTR* workset, int count) noexcept;
DKHOST_API void SetWorkingDatabaseCurrent(bool current) noexcept;
DKHOST_API void SetNoDocument(bool none) noexcept;
DKHOST_API void SetMainWindow(HWND hwnd) noexcept;
DKHOST_API int BreakDisabledDepth() noexcept;
DKHOST_API void SetPickfirst(const LONG_PTR* ids, int count) noexcept;
DKHOST_API int Pickfirst(LONG_PTR* ids, int capacity) noexcept;
DKHOST_API int OpenSelectionSets() noexcept;

// The host's property pages: in-process classes of DkHost.dll, written into the user's and the
// machine's classes by the host's installation (InstallHostClasses). A page edits the property
// last mapped to its class (IPerPropertyBrowsing::MapPropertyToPage): its dialog, titled with
// the property's name, takes one text (the next scripted answer; with none a window asks) that
// becomes the property's value on every selected object, in one undo group, or on none when any
// object refuses it; "cancel" changes nothing. A run answers S_OK with the new display text in
// its in/out text, S_FALSE when cancelled, an error when nothing could be written. The objects
// page runs over the selected objects (IDkPropertyPageDialog2), the ids page over their database
// ids (IDkPropertyPageDialog), the plain page offers neither.
constexpr CLSID kObjectsPageClsid = {0x3a1c5e60, 0x1d2b, 0x4c3a, {0x9f, 0x10, 0, 0, 0, 0, 0x02, 0x01}};
constexpr CLSID kIdsPageClsid = {0x3a1c5e60, 0x1d2b, 0x4c3a, {0x9f, 0x10, 0, 0, 0, 0, 0x02, 0x02}};
constexpr CLSID kPlainPageClsid = {0x3a1c5e60, 0x1d2b, 0x4c3a, {0x9f, 0x10, 0, 0, 0, 0, 0x02, 0x03}};
DKHOST_API HRESULT InstallHostClasses() noexcept;
DKHOST_API HRESULT UninstallHostClasses() noexcept;
// Every page run fails after its dialog with this result, writing nothing (S_OK: no fault).
DKHOST_API void SetPageRunFault(HRESULT hr) noexcept;
// Page runs so far, the last one's result and why it wrote nothing (empty when it wrote).
DKHOST_API int PageRuns() noexcept;
DKHOST_API HRESULT LastPageResult() noexcept;
DKHOST_API const wchar_t* LastPageError() noexcept;

// Hatches: Evaluate of the hatch fails (E_FAIL) whatever its pattern, with the description as
// its error information (an empty one: none; null takes the fault away); SetPattern of the
// hatch fails (E_FAIL); the object answers E_NOINTERFACE for the host's entity interface.
DKHOST_API void SetEvaluateFault(LONG_PTR id, const wchar_t* description) noexcept;
DKHOST_API void SetPatternFault(LONG_PTR id, bool fail) noexcept;
DKHOST_API void SetNoHatchInterface(LONG_PTR id, bool none) noexcept;

// Per object: no item of the hyperlinks it hands out can be read (get_URL fails, and so does
// its display string); an attribute's kind interface (the drawing file's "definitionkind"
// gives the older one) and its lines; the object answers IDkDialogOnReadOnly; an image whose
// type information lacks one of its sizes by name ("ImageWidth" or "ImageHeight"; null puts
// its class's back; false for any other name).
DKHOST_API void SetHyperlinksUnreadable(LONG_PTR id, bool unreadable) noexcept;
constexpr int kAttributeKindCurrent = 0;    // IDkAttributeKind
constexpr int kAttributeKindDefinition = 1; // only IDkAttributeDefinitionKind
constexpr int kAttributeKindNone = 2;       // neither
DKHOST_API void SetAttributeKind(LONG_PTR id, int kind) noexcept;
DKHOST_API void SetAttributeMultiline(LONG_PTR id, bool multiline) noexcept;
DKHOST_API void SetDialogOnReadOnly(LONG_PTR id, bool answers) noexcept;
DKHOST_API bool SetImageTypeInfoLacking(LONG_PTR id, const wchar_t* name) noexcept;

// The scripted user: answers the host's own dialogs and prompts take, in order; with none
// queued a real window asks.
DKHOST_API void PushAnswer(const wchar_t* answer) noexcept;
DKHOST_API int PendingAnswers() noexcept;
// Forgets the answers no dialog took.
DKHOST_API void ClearAnswers() noexcept;

// Colours: the drawing views' background, the user's words for ByLayer (0), ByBlock (1),
// ByColor (9) and Global (11), the viewport being worked in (0: none), and the recent colours forgotten.
DKHOST_API void SetViewColors(COLORREF background) noexcept;
DKHOST_API void SetReservedName(int which, const wchar_t* name) noexcept;
DKHOST_API void SetCurrentViewport(LONG_PTR viewport) noexcept;
DKHOST_API void ClearRecentColors() noexcept;
// The host's point input class taken away from the process, or back; running reports of
// the wrong type (text).
DKHOST_API void SetPointInputAvailable(bool available) noexcept;
DKHOST_API void SetPointInputWrongType(bool wrong) noexcept;
// An entity driven by a surface action of the associative framework, or not.
DKHOST_API void SetSurfaceDriven(LONG_PTR id, bool driven) noexcept;
// The host's colour class taken away from the process (a broken installation), or back.
DKHOST_API void SetColorClassAvailable(bool available) noexcept;

// Regions the host made (a hatch's getRegionArea) that nobody has deleted yet.
DKHOST_API int LiveRegions() noexcept;

// Dynamic properties: a property of the given type attached to the objects of a class
// ("*" for every class), with optional choices; returned with a reference.
DKHOST_API HRESULT AddDynamicProperty(const wchar_t* name, const wchar_t* className, VARTYPE vt,
                                      IUnknown** property) noexcept;
// Special values the dynamic property offers beside its ordinary ones (their values count).
DKHOST_API HRESULT SetDynamicCustomValues(IUnknown* property, const wchar_t* const* names, const LONG* values,
                                          int count) noexcept;
DKHOST_API HRESULT SetDynamicChoices(IUnknown* property, const wchar_t* const* names, const VARIANT* values,
                                     int count) noexcept;
DKHOST_API HRESULT SetDynamicReadOnly(IUnknown* property, bool readOnly) noexcept;
// Writes fail with E_FAIL and error information carrying this description (null: no fault).
DKHOST_API HRESULT SetDynamicFault(IUnknown* property, const wchar_t* description) noexcept;
// A dynamic property edited by a host command (IDkPropertyDialog's command text).
DKHOST_API HRESULT SetDynamicCommand(IUnknown* property, const wchar_t* command) noexcept;
// The dynamic properties that apply to a class, each with a reference; returns the count.
DKHOST_API int DynamicPropertiesOf(const wchar_t* className, IUnknown** out, int capacity) noexcept;

// Parts of entities (a multileader's leader lines, from index 5001): the part's own id, which
// the palette selects as it does an entity's (0: no such part).
DKHOST_API LONG_PTR SubentityOf(LONG_PTR owner, long index) noexcept;

// Blocks: a new one (an external reference to another drawing when xref; 0 when the name is
// taken), a block's id (0 when missing).
DKHOST_API LONG_PTR AddBlock(const wchar_t* name, bool xref) noexcept;
DKHOST_API LONG_PTR BlockId(const wchar_t* name) noexcept;

// Plot styles: the drawing's mode (colour-dependent, or objects and layers name plot styles),
// a new named plot style (0 when the name is taken), a style's id, and a viewport's override of
// a layer's plot style (null takes it away).
DKHOST_API void SetPlotStyleMode(bool colorDependent) noexcept;
DKHOST_API LONG_PTR AddPlotStyle(const wchar_t* name) noexcept;
// A new material of the drawing (the material dictionary's watchers told); 0 for a name it has.
DKHOST_API LONG_PTR AddMaterial(const wchar_t* name) noexcept;
DKHOST_API LONG_PTR PlotStyleId(const wchar_t* name) noexcept;
DKHOST_API bool SetLayerViewportPlotStyle(const wchar_t* layer, LONG_PTR viewport, const wchar_t* style) noexcept;

// Documents: the host refuses to lock the document (eLockViolation, journaled "document lock
// refused"), or takes locks again; the locks held now.
DKHOST_API void SetDocumentLockRefused(bool refused) noexcept;
DKHOST_API int DocumentLocks() noexcept;
// Drawing files cannot be read into a database aside (readDwgFile and dxfIn answer
// eFileAccessErr), as when the saved drawing is gone or locked; the databases aside that
// have not been deleted yet.
DKHOST_API void SetDrawingFilesUnreadable(bool unreadable) noexcept;
DKHOST_API int DatabasesAside() noexcept;

// The host's description of the rows a class shows in the palette.
struct PropertyDescription
{
    const wchar_t* name;     // display name
    const wchar_t* category; // "General", "Geometry", "Text", ...
    DISPID dispid;           // -23 for a dynamic property
    const wchar_t* editor;   // the editor's progid, or null for a plain text row
    int numericType;         // for numeric editors, a DkPeNumericType value; -1 otherwise
    int calculatorMode = -1; // for editors with a calculator button: 0 or 1; -1 leaves the default
    int colorFlags = 0;      // for colour editors: kNoMetaColor | kAllowNoneColor | kFixedForeground
    // Rows of a list of vertices (a point is a list of one): a coordinate row shows element
    // `component` of the current vertex (0 x, 1 y, 2 z, 3 a weight) of `elementCount` each;
    // a vertex row (no component, an element count) steps the coordinate rows of its DISPID
    // from vertex to vertex.
    int component = -1;
    int elementCount = 0;
    // For a distance picked as two points: what the host asks for each point (null: its own words).
    const wchar_t* firstPrompt = nullptr;
    const wchar_t* secondPrompt = nullptr;
};
constexpr int kNoMetaColor = 1;
constexpr int kAllowNoneColor = 2;
constexpr int kFixedForeground = 4;
// The descriptions of a class, in palette order; returns the count.
DKHOST_API int PropertyDescriptionsOf(const wchar_t* className, const PropertyDescription** out) noexcept;
} // namespace dkhost_test

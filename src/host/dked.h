// The host's editor services: result buffers and codes, system variables, the pick-first
// selection, modeless-operation notifications, command state, documents, the main window
// and the host's task dialog.
#pragma once

#include "DkHostApi.h"
#include "dkdb.h"
#include "dkstring.h"

#include <windows.h>

// Result codes and value types of the host's functions.
enum : short
{
    RTNONE = 5000,
    RTREAL = 5001,
    RTPOINT = 5002,
    RTSHORT = 5003,
    RTANG = 5004,
    RTSTR = 5005,
    RTENAME = 5006,
    RTPICKS = 5007,
    RTLONG = 5010,
    RTNORM = 5100,
    RTERROR = -5001,
    RTREJ = -5003,
};

// A selection set or entity name.
typedef LONG_PTR dk_name[2];

// One value with its type; results come as chains the caller frees with dkutRelRb.
struct resbuf
{
    resbuf* rbnext;
    short restype;
    union
    {
        double rreal;
        double rpoint[3];
        short rint;
        wchar_t* rstring;
        LONG_PTR rlname[2];
        int rlong;
    } resval;
};

DKHOST_API resbuf* dkutNewRb(int type) noexcept;
DKHOST_API int dkutRelRb(resbuf* rb) noexcept;

// System variables.
DKHOST_API int dkedGetVar(const wchar_t* name, resbuf* result) noexcept;
DKHOST_API int dkedSetVar(const wchar_t* name, const resbuf* value) noexcept;

// The pick-first selection and selection sets.
DKHOST_API int dkedSSGetFirst(resbuf** grips, resbuf** pickfirst) noexcept;
DKHOST_API int dkedSSSetFirst(const dk_name grips, const dk_name pickfirst) noexcept;
DKHOST_API int dkedSSAdd(const dk_name entity, const dk_name set, dk_name result) noexcept;
DKHOST_API int dkedSSName(const dk_name set, LONG_PTR index, dk_name entity) noexcept;
DKHOST_API int dkedSSLength(const dk_name set, LONG_PTR* length) noexcept;
DKHOST_API int dkedSSFree(const dk_name set) noexcept;
DKHOST_API Drvk::ErrorStatus dkdbGetObjectId(DkDbObjectId& id, const dk_name entity) noexcept;
DKHOST_API Drvk::ErrorStatus dkdbGetEntityName(dk_name entity, DkDbObjectId id) noexcept;

// The host is told, by name, when a palette change or operation begins and ends.
DKHOST_API bool dkedSendModelessOperationStart(const wchar_t* context) noexcept;
DKHOST_API bool dkedSendModelessOperationEnded(const wchar_t* context) noexcept;

// A cross drawn at a world point over the drawing (the palette's mark of a vertex): mark
// receives its handle; erasing takes the handle and sets it to 0 (0 erases nothing).
// RTNORM, or RTERROR for a point that is no point.
DKHOST_API int OPMxmark(double x, double y, double z, LONG_PTR& mark) noexcept;
DKHOST_API int OPMxemark(LONG_PTR& mark) noexcept;

// Command state.
DKHOST_API bool dkedIsInCommandStack(int flags) noexcept;
DKHOST_API bool dkedIsDragging() noexcept;
DKHOST_API bool dkedIsCommandActive() noexcept;
DKHOST_API void dkedPostCommandPrompt() noexcept;
DKHOST_API void dkedDisableUsrbrk() noexcept;
DKHOST_API void dkedEnableUsrbrk() noexcept;

// In-place reference editing: while it runs only the objects of its working set may change.
DKHOST_API bool dkedIsInRefEdit() noexcept;
DKHOST_API bool dkedIsInRefEditWorkset(DkDbObjectId id) noexcept;

DKHOST_API HWND dkedGetMainWindow() noexcept;

// The host's hatch patterns. OPMFillPatternList calls back once per name of the predefined
// list, in its order (context handed back as given); OPMGetPatName gives the name a hatch
// takes for the list's entry at index (RTNORM, or RTERROR outside the list);
// OPMCustomPatternValid is non-zero when a pattern file of that name can be found.
// pattern_palette shows the host's pattern palette with current chosen and answers 0 when
// the user picked a pattern, whose name is then in chosen (else chosen is left alone).
typedef void (*OPMPatternNameCallback)(const wchar_t* name, void* context);
DKHOST_API int OPMFillPatternList(OPMPatternNameCallback callback, void* context) noexcept;
DKHOST_API int OPMGetPatName(int index, DkString& name) noexcept;
DKHOST_API int OPMCustomPatternValid(const wchar_t* name) noexcept;
DKHOST_API int pattern_palette(const DkString& current, DkString& chosen) noexcept;

// The host application's automation object, with a reference.
DKHOST_API IDispatch* dkedGetApplication() noexcept;

// Documents.
class DKHOST_API DkApDocument
{
public:
    virtual ~DkApDocument();
    virtual DkDbDatabase* database() const noexcept = 0;
    virtual const wchar_t* fileName() const noexcept = 0;
};

class DKHOST_API DkApDocManager
{
public:
    enum LockMode
    {
        kWrite = 0x04,
    };
    virtual ~DkApDocManager();
    virtual DkApDocument* curDocument() const noexcept = 0;
    virtual int documentCount() const noexcept = 0;
    // A document locked for a change made from outside a command (eLockViolation when the
    // host refuses); each lock is ended by one unlock.
    virtual Drvk::ErrorStatus lockDocument(DkApDocument* document, LockMode mode = kWrite) noexcept = 0;
    virtual Drvk::ErrorStatus unlockDocument(DkApDocument* document) noexcept = 0;
};

DKHOST_API DkApDocManager* dkDocManager() noexcept;

// The host's chooser of a block to draw as an arrowhead or a multileader's content: the
// blocks of a drawing's database, with their previews. Its dialog template is in the shared
// resource library "KitMFCRes.DLL", which the caller has loaded.
class DKHOST_API DkDmUserArrows
{
public:
    explicit DkDmUserArrows(DkDbDatabase* database, HWND parent = nullptr) noexcept;
    ~DkDmUserArrows();
    DkDmUserArrows(const DkDmUserArrows&) = delete;
    DkDmUserArrows& operator=(const DkDmUserArrows&) = delete;

    // The block selected when the dialog opens.
    void setSelectedBlockName(const wchar_t* name) noexcept;
    void setTitle(const wchar_t* title) noexcept;
    // IDOK with the chosen block's name, IDCANCEL, or -1 when the dialog cannot be shown.
    INT_PTR DoModal() noexcept;
    const wchar_t* selectedBlockName() const noexcept;
    DkDbDatabase* database() const noexcept { return m_database; }

private:
    DkDbDatabase* m_database;
    HWND m_parent;
    DkString m_title;
    DkString m_name;
};

// The host's task dialog, loaded by id from the host's dialog resource, or made from texts.
class DKHOST_API MtTaskDialog
{
public:
    MtTaskDialog(const wchar_t* resource, const wchar_t* id) noexcept;
    // A dialog of the caller's texts (kept by the caller while the dialog shows), with the
    // task dialogs' TDF_ flags and TDCBF_ common buttons.
    MtTaskDialog(const wchar_t* title, const wchar_t* mainInstruction, const wchar_t* content, int flags,
                 int buttons) noexcept;
    // Shows the dialog owned by owner (or the main window) and returns the button chosen.
    int Show(HWND owner) noexcept;

private:
    const wchar_t* m_resource = nullptr;
    const wchar_t* m_id = nullptr;
    const wchar_t* m_title = nullptr;
    const wchar_t* m_mainInstruction = nullptr;
    const wchar_t* m_content = nullptr;
    int m_flags = 0;
    int m_buttons = 0;
};

// The key under HKEY_CURRENT_USER where the host keeps its settings. Its "Profiles" key holds
// one key per user profile; the default value of "Profiles" names the current one.
DKHOST_API const wchar_t* dkedGetProductRegistryRoot() noexcept;

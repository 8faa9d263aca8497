// The host's editor services: system variables, selection sets, notifications, command
// state, documents, the main window and the task dialog; the scripted user behind the
// host's own dialogs.
#include "dked.h"

#include "DkHostTest.h"
#include "Drawing.h"
#include "Journal.h"

#include "ComObject.h"
#include "DkPiHost.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <deque>
#include <cmath>
#include <map>
#include <set>

namespace dkhost
{
DkDbDatabase* WorkingDatabaseObject() noexcept;
extern bool g_workingIsCurrent;

namespace
{
struct SysVar
{
    short type;
    double real = 0;
    int integer = 0;
    std::wstring text;
    // The range an integer variable takes; a real one takes finite values only.
    int low = -32768;
    int high = 32767;
};

std::map<std::wstring, SysVar>& SysVars()
{
    static std::map<std::wstring, SysVar> vars = {
        {L"LUNITS", {RTSHORT, 0, 2, {}, 1, 5}},
        {L"LUPREC", {RTSHORT, 0, 4, {}, 0, 8}},
        {L"AUNITS", {RTSHORT, 0, 0, {}, 0, 4}},
        {L"AUPREC", {RTSHORT, 0, 0, {}, 0, 8}},
        {L"DIMZIN", {RTSHORT, 0, 0, {}, 0, 15}},
        {L"UNITMODE", {RTSHORT, 0, 0, {}, 0, 1}},
        {L"ANGBASE", {RTREAL, 0, 0}},
        {L"ANGDIR", {RTSHORT, 0, 0, {}, 0, 1}},
        {L"GRIPS", {RTSHORT, 0, 2, {}, 0, 2}},
        {L"GRIPOBJLIMIT", {RTSHORT, 0, 100, {}, 0, 32767}},
        {L"DWGNAME", {RTSTR, 0, 0, L"Drawing1.dkd"}},
        {L"DWGPREFIX", {RTSTR, 0, 0, L"C:\\Drawings\\"}},
        {L"DWGTITLED", {RTSHORT, 0, 0, {}, 0, 1}},
    };
    return vars;
}

std::wstring Upper(const wchar_t* s)
{
    std::wstring out = s ? s : L"";
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(::towupper(c));
    return out;
}

// Selection sets by number; the pick-first set and the grip set are two of them.
std::map<LONG_PTR, std::vector<LONG_PTR>>& Sets()
{
    static std::map<LONG_PTR, std::vector<LONG_PTR>> sets;
    return sets;
}
LONG_PTR g_nextSet = 1;
std::vector<LONG_PTR> g_pickfirst;

LONG_PTR NewSet(std::vector<LONG_PTR> ids)
{
    const LONG_PTR n = g_nextSet++;
    Sets()[n] = std::move(ids);
    return n;
}

std::vector<LONG_PTR>* SetOf(const dk_name name)
{
    if (!name)
        return nullptr;
    auto it = Sets().find(name[0]);
    return it == Sets().end() ? nullptr : &it->second;
}

bool g_dragging = false;
int g_commandFlags = 0;
bool g_commandActive = false;
bool g_refEdit = false;
std::set<LONG_PTR> g_refEditSet;
bool g_noDocument = false;
int g_breakDisabled = 0;
HWND g_mainWindow = nullptr;
std::deque<std::wstring> g_answers;

class HostDocument final : public DkApDocument
{
public:
    DkDbDatabase* database() const noexcept override { return WorkingDatabaseObject(); }
    const wchar_t* fileName() const noexcept override { return CurrentDrawing().fileName.c_str(); }
};

// Document locks: how many are held, and whether the host refuses them (tests).
int g_locks = 0;
bool g_refuseLocks = false;

class HostDocManager final : public DkApDocManager
{
public:
    DkApDocument* curDocument() const noexcept override { return g_noDocument ? nullptr : &m_document; }
    int documentCount() const noexcept override { return g_noDocument ? 0 : 1; }
    Drvk::ErrorStatus lockDocument(DkApDocument* document, LockMode mode) noexcept override
    try
    {
        if (!document || document != curDocument())
            return Drvk::eInvalidInput;
        if (g_refuseLocks)
        {
            JournalAdd(L"document lock refused");
            return Drvk::eLockViolation;
        }
        ++g_locks;
        JournalAdd(L"document locked" + std::wstring(mode == kWrite ? L" for write" : L""));
        return Drvk::eOk;
    }
    catch (...)
    {
        return Drvk::eInvalidInput;
    }
    Drvk::ErrorStatus unlockDocument(DkApDocument* document) noexcept override
    try
    {
        if (!document || document != curDocument() || g_locks == 0)
            return Drvk::eInvalidInput;
        --g_locks;
        JournalAdd(L"document unlocked");
        return Drvk::eOk;
    }
    catch (...)
    {
        return Drvk::eInvalidInput;
    }

private:
    mutable HostDocument m_document;
};

// The variables that say where the current drawing lives: read-only, from the drawing.
bool DrawingVariable(const std::wstring& name, resbuf* result)
{
    const Drawing& d = CurrentDrawing();
    const size_t slash = d.path.find_last_of(L"\\/");
    if (name == L"DWGTITLED")
    {
        result->restype = RTSHORT;
        result->resval.rint = d.path.empty() ? 0 : 1;
        return true;
    }
    // A drawing never saved has its name, and the folder the host would save it in.
    std::wstring text;
    if (name == L"DWGNAME")
        text = d.path.empty() ? d.fileName : d.path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    else if (name == L"DWGPREFIX" && slash != std::wstring::npos)
        text = d.path.substr(0, slash + 1);
    else
        return false;
    result->resval.rstring = ::_wcsdup(text.c_str());
    result->restype = RTSTR;
    return true;
}
} // namespace

bool NextAnswer(std::wstring& answer)
{
    if (g_answers.empty())
        return false;
    answer = g_answers.front();
    g_answers.pop_front();
    return true;
}
} // namespace dkhost

using namespace dkhost;

resbuf* dkutNewRb(int type) noexcept
{
    auto* rb = static_cast<resbuf*>(::calloc(1, sizeof(resbuf)));
    if (rb)
        rb->restype = static_cast<short>(type);
    return rb;
}

int dkutRelRb(resbuf* rb) noexcept
{
    while (rb)
    {
        resbuf* next = rb->rbnext;
        // A selection set outlives its buffer: dkedSSFree ends it.
        if (rb->restype == RTSTR)
            ::free(rb->resval.rstring);
        ::free(rb);
        rb = next;
    }
    return RTNORM;
}

int dkedGetVar(const wchar_t* name, resbuf* result) noexcept
{
    if (!name || !result)
        return RTERROR;
    auto it = SysVars().find(Upper(name));
    if (it == SysVars().end())
        return RTERROR;
    const SysVar& v = it->second;
    result->rbnext = nullptr;
    if (DrawingVariable(it->first, result))
        return RTNORM;
    result->restype = v.type;
    if (v.type == RTREAL)
        result->resval.rreal = v.real;
    else if (v.type == RTSTR)
        result->resval.rstring = ::_wcsdup(v.text.c_str());
    else
        result->resval.rint = static_cast<short>(v.integer);
    return RTNORM;
}

int dkedSetVar(const wchar_t* name, const resbuf* value) noexcept
try
{
    if (!name || !value)
        return RTERROR;
    auto it = SysVars().find(Upper(name));
    if (it == SysVars().end())
        return RTERROR;
    SysVar& v = it->second;
    if (it->first == L"DWGNAME" || it->first == L"DWGPREFIX" || it->first == L"DWGTITLED")
        return RTREJ; // read-only: the drawing's file says them
    // A value out of the variable's range is refused, as the host's own command line does.
    if (v.type == RTREAL && (value->restype == RTREAL || value->restype == RTANG) && std::isfinite(value->resval.rreal))
        v.real = value->resval.rreal;
    else if (v.type == RTSTR && value->restype == RTSTR && value->resval.rstring)
        v.text = value->resval.rstring;
    else if (v.type == RTSHORT && value->restype == RTSHORT && value->resval.rint >= v.low &&
             value->resval.rint <= v.high)
        v.integer = value->resval.rint;
    else
        return RTREJ;
    JournalAdd(L"setvar " + it->first);
    return RTNORM;
}
catch (...)
{
    return RTERROR;
}

int dkedSSGetFirst(resbuf** grips, resbuf** pickfirst) noexcept
{
    auto make = [](const std::vector<LONG_PTR>& ids)
    {
        resbuf* rb = dkutNewRb(RTPICKS);
        if (rb)
            rb->resval.rlname[0] = NewSet(ids);
        return rb;
    };
    if (grips)
        *grips = make(g_pickfirst);
    if (pickfirst)
        *pickfirst = make(g_pickfirst);
    return RTNORM;
}

int dkedSSSetFirst(const dk_name grips, const dk_name pickfirst) noexcept
try
{
    std::vector<LONG_PTR>* set = SetOf(pickfirst);
    g_pickfirst = set ? *set : std::vector<LONG_PTR>{};
    (void)grips;
    JournalAdd(L"pickfirst set " + std::to_wstring(g_pickfirst.size()) + L" objects");
    return RTNORM;
}
catch (...)
{
    return RTERROR;
}

int dkedSSAdd(const dk_name entity, const dk_name set, dk_name result) noexcept
try
{
    if (!result)
        return RTERROR;
    std::vector<LONG_PTR> ids;
    if (set)
    {
        std::vector<LONG_PTR>* s = SetOf(set);
        if (!s)
            return RTERROR;
        ids = *s;
    }
    if (entity && !CurrentDrawing().Find(entity[0]))
        return RTERROR;
    if (entity && std::find(ids.begin(), ids.end(), entity[0]) == ids.end())
        ids.push_back(entity[0]);
    if (set && SetOf(set) && set[0] == result[0])
        *SetOf(set) = ids;
    else
    {
        result[0] = NewSet(ids);
        result[1] = 0;
    }
    return RTNORM;
}
catch (...)
{
    return RTERROR;
}

int dkedSSName(const dk_name set, LONG_PTR index, dk_name entity) noexcept
{
    std::vector<LONG_PTR>* s = SetOf(set);
    if (!s || !entity || index < 0 || static_cast<size_t>(index) >= s->size())
        return RTERROR;
    entity[0] = (*s)[static_cast<size_t>(index)];
    entity[1] = 0;
    return RTNORM;
}

int dkedSSLength(const dk_name set, LONG_PTR* length) noexcept
{
    std::vector<LONG_PTR>* s = SetOf(set);
    if (!s || !length)
        return RTERROR;
    *length = static_cast<LONG_PTR>(s->size());
    return RTNORM;
}

int dkedSSFree(const dk_name set) noexcept
{
    return set && Sets().erase(set[0]) ? RTNORM : RTERROR;
}

Drvk::ErrorStatus dkdbGetObjectId(DkDbObjectId& id, const dk_name entity) noexcept
{
    if (!entity || !CurrentDrawing().Find(entity[0]))
        return Drvk::eInvalidInput;
    id = DkDbObjectId(entity[0]);
    return Drvk::eOk;
}

Drvk::ErrorStatus dkdbGetEntityName(dk_name entity, DkDbObjectId id) noexcept
{
    if (!entity || !CurrentDrawing().Find(id.asOldId()))
        return Drvk::eInvalidInput;
    entity[0] = id.asOldId();
    entity[1] = 0;
    return Drvk::eOk;
}

namespace
{
// The crosses drawn over the drawing, by handle.
std::map<LONG_PTR, std::array<double, 3>> g_marks;
LONG_PTR g_nextMark = 1;
} // namespace

int OPMxmark(double x, double y, double z, LONG_PTR& mark) noexcept
try
{
    mark = 0;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return RTERROR;
    mark = g_nextMark++;
    g_marks[mark] = {x, y, z};
    return RTNORM;
}
catch (...)
{
    return RTERROR;
}

int OPMxemark(LONG_PTR& mark) noexcept
{
    g_marks.erase(mark);
    mark = 0;
    return RTNORM;
}

int dkhost_test::Marks(double* xyz, int capacity) noexcept
{
    int i = 0;
    for (const auto& [handle, point] : g_marks)
    {
        if (xyz && i < capacity)
            std::copy(point.begin(), point.end(), xyz + 3 * i);
        ++i;
    }
    return i;
}

bool dkedSendModelessOperationStart(const wchar_t* context) noexcept
try
{
    JournalAdd(std::wstring(L"modeless start ") + (context ? context : L""));
    return true;
}
catch (...)
{
    return false;
}

bool dkedSendModelessOperationEnded(const wchar_t* context) noexcept
try
{
    JournalAdd(std::wstring(L"modeless end ") + (context ? context : L""));
    return true;
}
catch (...)
{
    return false;
}

bool dkedIsInCommandStack(int flags) noexcept
{
    return (g_commandFlags & flags) != 0;
}

bool dkedIsDragging() noexcept
{
    return g_dragging;
}

bool dkedIsCommandActive() noexcept
{
    return g_commandActive || g_commandFlags != 0;
}

void dkedPostCommandPrompt() noexcept
{
    JournalAdd(L"command prompt");
}

void dkedDisableUsrbrk() noexcept
{
    ++g_breakDisabled;
}

void dkedEnableUsrbrk() noexcept
{
    if (g_breakDisabled > 0)
        --g_breakDisabled;
}

bool dkedIsInRefEdit() noexcept
{
    return g_refEdit;
}

bool dkedIsInRefEditWorkset(DkDbObjectId id) noexcept
{
    return g_refEditSet.count(id.asOldId()) != 0;
}

HWND dkedGetMainWindow() noexcept
{
    return g_mainWindow;
}

namespace
{
#define DK_APP_RESERVED(n)                                                                                             \
    STDMETHODIMP Reserved##n() noexcept override                                                                       \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }

// The host application's automation object: a dispatch with no members of its own here,
// and the command interface that runs a command line.
class HostApplication : public dkfw::ComImplements<IDispatch, IDkApplicationCommands>
{
public:
    STDMETHODIMP GetTypeInfoCount(UINT* n) noexcept override
    {
        if (!n)
            return E_POINTER;
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override
    {
        return DISP_E_MEMBERNOTFOUND;
    }
    DK_APP_RESERVED(3)
    DK_APP_RESERVED(4)
    DK_APP_RESERVED(5)
    DK_APP_RESERVED(6) DK_APP_RESERVED(7) DK_APP_RESERVED(8) DK_APP_RESERVED(9) DK_APP_RESERVED(10) DK_APP_RESERVED(11)
        DK_APP_RESERVED(12) DK_APP_RESERVED(13) DK_APP_RESERVED(14) DK_APP_RESERVED(15) DK_APP_RESERVED(16)
            DK_APP_RESERVED(17) DK_APP_RESERVED(18) DK_APP_RESERVED(19) DK_APP_RESERVED(20) DK_APP_RESERVED(21)
                DK_APP_RESERVED(22) DK_APP_RESERVED(23) DK_APP_RESERVED(24) DK_APP_RESERVED(25) DK_APP_RESERVED(26)
                    DK_APP_RESERVED(27) DK_APP_RESERVED(28) DK_APP_RESERVED(29) DK_APP_RESERVED(30) DK_APP_RESERVED(31)
                        DK_APP_RESERVED(32) DK_APP_RESERVED(33) DK_APP_RESERVED(34) DK_APP_RESERVED(35)
                            DK_APP_RESERVED(36) DK_APP_RESERVED(37) DK_APP_RESERVED(38) DK_APP_RESERVED(39)
                                DK_APP_RESERVED(40) DK_APP_RESERVED(41) DK_APP_RESERVED(42)
                                    DK_APP_RESERVED(43) STDMETHODIMP SendCommand(BSTR command) noexcept override
    try
    {
        JournalAdd(std::wstring(L"command ") + (command ? command : L""));
        return S_OK;
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
};
} // namespace

IDispatch* dkedGetApplication() noexcept
{
    static dkfw::ComObject<HostApplication>* app = nullptr;
    if (!app && FAILED(dkfw::ComObject<HostApplication>::Create(&app)))
        return nullptr;
    app->AddRef();
    return static_cast<IDispatch*>(app);
}

DkApDocument::~DkApDocument() = default;
DkApDocManager::~DkApDocManager() = default;

DkApDocManager* dkDocManager() noexcept
{
    static HostDocManager manager;
    return &manager;
}

namespace
{
// The host's task dialog texts by id.
const wchar_t* TaskDialogText(const std::wstring& id)
{
    if (id == L"OPM.DkPEXCtl.CannotModifyProperty")
        return L"Properties cannot be changed while objects are being dragged.";
    if (id == L"OPM.DkPEXCtl.PatternNameNotFound")
        return L"The hatch pattern was not found in the pattern files.";
    return L"";
}

// The task dialog's common buttons, in the order the dialog shows them.
struct CommonButton
{
    int flag;
    int id;
};
constexpr CommonButton kCommonButtons[] = {{TDCBF_OK_BUTTON, IDOK},         {TDCBF_YES_BUTTON, IDYES},
                                           {TDCBF_NO_BUTTON, IDNO},         {TDCBF_RETRY_BUTTON, IDRETRY},
                                           {TDCBF_CANCEL_BUTTON, IDCANCEL}, {TDCBF_CLOSE_BUTTON, IDCLOSE}};

int FirstButton(int buttons)
{
    for (const CommonButton& b : kCommonButtons)
        if (buttons & b.flag)
            return b.id;
    return IDOK;
}

// The message box that stands for a task dialog of those buttons.
UINT MessageBoxButtons(int buttons)
{
    const bool yes = buttons & TDCBF_YES_BUTTON, no = buttons & TDCBF_NO_BUTTON;
    const bool cancel = buttons & TDCBF_CANCEL_BUTTON, retry = buttons & TDCBF_RETRY_BUTTON;
    if (yes && no)
        return cancel ? MB_YESNOCANCEL : MB_YESNO;
    if (retry)
        return MB_RETRYCANCEL;
    return cancel ? MB_OKCANCEL : MB_OK;
}
} // namespace

MtTaskDialog::MtTaskDialog(const wchar_t* resource, const wchar_t* id) noexcept : m_resource(resource), m_id(id) {}

MtTaskDialog::MtTaskDialog(const wchar_t* title, const wchar_t* mainInstruction, const wchar_t* content, int flags,
                           int buttons) noexcept
    : m_title(title), m_mainInstruction(mainInstruction), m_content(content), m_flags(flags), m_buttons(buttons)
{
}

int MtTaskDialog::Show(HWND owner) noexcept
try
{
    if (!m_id && (m_title || m_mainInstruction || m_content))
    {
        const std::wstring title = m_title ? m_title : L"";
        const std::wstring instruction = m_mainInstruction ? m_mainInstruction : L"";
        const std::wstring content = m_content ? m_content : L"";
        JournalAdd(L"task dialog " + title + L": " + instruction);
        std::wstring answer;
        if (NextAnswer(answer))
            return answer == L"cancel" ? IDCANCEL : FirstButton(m_buttons);
        const std::wstring text = instruction.empty() ? content
                                  : content.empty()   ? instruction
                                                      : instruction + L"\n\n" + content;
        const int chosen = ::MessageBoxW(owner ? owner : g_mainWindow, text.c_str(), title.c_str(),
                                         MessageBoxButtons(m_buttons) | MB_ICONEXCLAMATION);
        // A box of one button answers OK whatever the button said.
        return chosen == IDOK && !(m_buttons & TDCBF_OK_BUTTON) ? FirstButton(m_buttons) : chosen;
    }
    const std::wstring id = m_id ? m_id : L"";
    JournalAdd(L"task dialog " + id);
    std::wstring answer;
    if (NextAnswer(answer))
        return answer == L"cancel" ? IDCANCEL : IDOK;
    const wchar_t* text = TaskDialogText(id);
    return ::MessageBoxW(owner ? owner : g_mainWindow, *text ? text : id.c_str(), L"DkHost",
                         MB_OK | MB_ICONEXCLAMATION);
}
catch (...)
{
    return 0;
}

namespace dkhost_test
{
void SetDragging(bool dragging) noexcept
{
    g_dragging = dragging;
}

void SetCommandFlags(int flags) noexcept
{
    g_commandFlags = flags;
}

void SetCommandActive(bool active) noexcept
{
    g_commandActive = active;
}

void SetRefEdit(bool active, const LONG_PTR* workset, int count) noexcept
try
{
    g_refEdit = active;
    g_refEditSet.clear();
    for (int i = 0; workset && i < count; ++i)
        g_refEditSet.insert(workset[i]);
}
catch (...)
{
}

void SetWorkingDatabaseCurrent(bool current) noexcept
{
    g_workingIsCurrent = current;
}

void SetNoDocument(bool none) noexcept
{
    g_noDocument = none;
}

void SetDocumentLockRefused(bool refused) noexcept
{
    g_refuseLocks = refused;
}

int DocumentLocks() noexcept
{
    return g_locks;
}

void SetMainWindow(HWND hwnd) noexcept
{
    g_mainWindow = hwnd;
}

int BreakDisabledDepth() noexcept
{
    return g_breakDisabled;
}

void SetPickfirst(const LONG_PTR* ids, int count) noexcept
try
{
    g_pickfirst.assign(ids, ids + (ids ? count : 0));
}
catch (...)
{
}

int Pickfirst(LONG_PTR* ids, int capacity) noexcept
{
    const int n = static_cast<int>(g_pickfirst.size());
    for (int i = 0; ids && i < n && i < capacity; ++i)
        ids[i] = g_pickfirst[static_cast<size_t>(i)];
    return n;
}

int OpenSelectionSets() noexcept
{
    return static_cast<int>(Sets().size());
}

void PushAnswer(const wchar_t* answer) noexcept
try
{
    g_answers.emplace_back(answer ? answer : L"");
}
catch (...)
{
}

int PendingAnswers() noexcept
{
    return static_cast<int>(g_answers.size());
}

void ClearAnswers() noexcept
{
    g_answers.clear();
}
} // namespace dkhost_test

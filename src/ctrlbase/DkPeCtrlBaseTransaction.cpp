// CDkPeCtrlBase: the change transaction that writes a value to every selected object as
// one undoable change, the property's own dialog, sub-entity highlighting and keeping the
// selection after a change the host had to take back.
#include "DkPeCtrlBase.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"

#include "DkPeValueView.h"
#include "WipedText.h"

#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace
{
using dkfw::ComPtr;

// A command that drives the palette itself runs with this flag: no messages then.
constexpr int kPaletteCommand = 0x8000000;
// The host took a change back and the selection must be rebuilt.
constexpr HRESULT kChangeTakenBack = static_cast<HRESULT>(0x80200149);
constexpr size_t kMaxMessages = 5;
constexpr int kHighlightStyle = 2;
constexpr long kDialogOperation = 8;
const wchar_t kTaskDialogs[] = L"/DkTaskDialogs;component/TaskDialogs.xaml";
const wchar_t kCannotModifyProperty[] = L"OPM.DkPEXCtl.CannotModifyProperty";

LONG_PTR IdOf(IUnknown* object)
{
    return CDkPeCtrlBase::ObjectDatabaseId(object);
}

// The selection one write works on. An object's write, a message box or an event may let
// the palette hand the control another selection, or drop the row, before the write is
// done: the write keeps its own copy of the arrays, and the control has it take references
// on the objects before it lets them go.
class HeldSelection final : public CDkPeSelectionHold
{
public:
    HeldSelection(CDkPeSelectionHold*& holds, int count, IUnknown* const* objects, IUnknown* const* dynProps,
                  const int* dispids)
        : m_holds(holds)
    {
        this->objects.assign(objects, objects + count);
        if (dynProps)
            this->dynProps.assign(dynProps, dynProps + count);
        else
            this->dynProps.assign(static_cast<size_t>(count), nullptr);
        this->dispids.assign(dispids, dispids + count);
        next = m_holds;
        m_holds = this;
    }
    ~HeldSelection()
    {
        for (CDkPeSelectionHold** link = &m_holds; *link; link = &(*link)->next)
            if (*link == this)
            {
                *link = next;
                break;
            }
        if (m_owning)
            ForEach([](IUnknown* p) { p->Release(); });
    }
    HeldSelection(const HeldSelection&) = delete;
    HeldSelection& operator=(const HeldSelection&) = delete;

    void TakeReferences() noexcept override
    {
        if (!std::exchange(m_owning, true))
            ForEach([](IUnknown* p) { p->AddRef(); });
    }
    int Count() const noexcept { return static_cast<int>(objects.size()); }

    std::vector<IUnknown*> objects;
    std::vector<IUnknown*> dynProps;
    std::vector<int> dispids;

private:
    template <class F> void ForEach(F f) noexcept
    {
        for (IUnknown* p : objects)
            if (p)
                f(p);
        for (IUnknown* p : dynProps)
            if (p)
                f(p);
    }

    CDkPeSelectionHold*& m_holds;
    bool m_owning = false;
};

// Writes are refused while the user drags objects of the selection.
bool DragRefusal(const HeldSelection& selection)
{
    const int count = selection.Count();
    if (!dkedIsDragging() || count < 1)
        return false;
    if (count == 1 && !selection.objects[0])
        return true;
    for (IUnknown* object : selection.objects)
        if (IdOf(object) != 0)
            return true;
    return false;
}

// An object on a locked layer, or outside the reference being edited in place, is skipped.
bool IsWritable(IUnknown* object)
{
    const LONG_PTR id = IdOf(object);
    if (!object || id == 0)
        return true;
    DkDbEntity* entity = nullptr;
    if (dkdbOpenObject(entity, DkDbObjectId(id), DkDb::kForRead) != Drvk::eOk)
        return true;
    const DkDbObjectId layerId = entity->layerId();
    const DkDbObjectId ownerId = entity->ownerId();
    const bool attribute = DkDbAttribute::cast(entity) != nullptr;
    entity->close();
    DkDbLayerTableRecord* layer = nullptr;
    if (dkdbOpenObject(layer, layerId, DkDb::kForRead) != Drvk::eOk)
        return true;
    const bool locked = layer->isLocked();
    layer->close();
    if (locked)
        return false;
    if (dkedIsInRefEdit() && !dkedIsInRefEditWorkset(DkDbObjectId(id)))
        return attribute && dkedIsInRefEditWorkset(ownerId);
    return true;
}

// A value holds no NaN or infinity: a real or date, by reference or not, and every element
// of an array of them or of variants (any other value passes).
bool AllFinite(const VARIANT& value, int depth = 0)
{
    if (depth > 4)
        return true;
    const VARTYPE base = value.vt & VT_TYPEMASK;
    const bool byRef = (value.vt & VT_BYREF) != 0;
    if (value.vt & VT_ARRAY)
    {
        SAFEARRAY* sa = byRef ? (value.pparray ? *value.pparray : nullptr) : value.parray;
        if (!sa || (base != VT_R8 && base != VT_R4 && base != VT_DATE && base != VT_VARIANT))
            return true;
        LONG count = 1;
        for (UINT d = 1; d <= ::SafeArrayGetDim(sa); ++d)
        {
            LONG low = 0;
            LONG high = -1;
            ::SafeArrayGetLBound(sa, d, &low);
            ::SafeArrayGetUBound(sa, d, &high);
            count *= high >= low ? high - low + 1 : 0;
        }
        void* data = nullptr;
        if (count <= 0 || FAILED(::SafeArrayAccessData(sa, &data)))
            return true;
        bool finite = true;
        for (LONG i = 0; i < count && finite; ++i)
            finite = base == VT_R4        ? std::isfinite(static_cast<const float*>(data)[i])
                     : base == VT_VARIANT ? AllFinite(static_cast<const VARIANT*>(data)[i], depth + 1)
                                          : std::isfinite(static_cast<const double*>(data)[i]);
        ::SafeArrayUnaccessData(sa);
        return finite;
    }
    switch (base)
    {
    case VT_R8:
    case VT_DATE:
        return !byRef ? std::isfinite(value.dblVal) : !value.pdblVal || std::isfinite(*value.pdblVal);
    case VT_R4:
        return !byRef ? std::isfinite(value.fltVal) : !value.pfltVal || std::isfinite(*value.pfltVal);
    case VT_VARIANT:
        return !byRef || !value.pvarVal || AllFinite(*value.pvarVal, depth + 1);
    default:
        return true;
    }
}

// The system's own words for a failure code, without the line break it ends with; empty
// when the system has none.
std::wstring SystemText(HRESULT code)
{
    wchar_t buffer[512] = {};
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                     static_cast<DWORD>(code), 0, buffer, 512, nullptr);
    std::wstring text(buffer, n < 512 ? n : 0);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return text;
}

// The system's words for a failure code, else the code itself in the component's words.
std::wstring CodeText(HRESULT code)
{
    std::wstring text = SystemText(code);
    if (text.empty())
    {
        wchar_t hex[16];
        std::swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(code));
        text = dkpex::FormatResString(IDS_OBJECT_REFUSED_CODE, {hex});
    }
    return text;
}

bool IsErased(IUnknown* object)
{
    const LONG_PTR id = IdOf(object);
    DkDbObject* opened = nullptr;
    if (id == 0)
        return false;
    const Drvk::ErrorStatus es = dkdbOpenObject(opened, DkDbObjectId(id), DkDb::kForRead);
    if (es == Drvk::eOk)
        opened->close();
    return es == Drvk::eWasErased;
}

// The objects one write could not change and why, told in one message when the write is
// done: how many of the selection, then up to five different reasons in the order met.
class NotChanged
{
public:
    void Add(HRESULT hr, const EXCEPINFO& excep, IErrorInfo* info, IUnknown* object)
    {
        ++m_count;
        if (m_reasons.size() >= kMaxMessages)
            return;
        std::wstring reason;
        if (hr == DISP_E_EXCEPTION && excep.bstrDescription)
            reason = excep.bstrDescription;
        dkfw::UniqueBstr description;
        if (reason.empty() && info && SUCCEEDED(info->GetDescription(description.Put())) && description.Length() > 0)
            reason = description.Get();
        if (reason.empty() && IsErased(object))
            reason = dkpex::LoadResString(IDS_OBJECT_ERASED);
        const HRESULT code = hr == DISP_E_EXCEPTION && FAILED(excep.scode) ? excep.scode : hr;
        if (reason.empty())
            reason = CodeText(code);
        if (std::find(m_reasons.begin(), m_reasons.end(), reason) == m_reasons.end())
            m_reasons.push_back(std::move(reason));
    }
    // An object the write left alone (a locked layer): told only with the others.
    void Skipped() noexcept { ++m_skipped; }
    bool AnySkipped() const noexcept { return m_skipped > 0; }
    int Count() const noexcept { return m_count; }
    std::wstring Message(int selected) const
    {
        std::wstring text;
        // One object alone: its reason says it all.
        if (selected > 1)
            text = dkpex::FormatResString(IDS_OBJECTS_NOT_CHANGED, {std::to_wstring(m_count + m_skipped).c_str(),
                                                                    std::to_wstring(selected).c_str()});
        for (const std::wstring& reason : m_reasons)
            text += (text.empty() ? L"" : L"\n") + reason;
        if (m_skipped > 0)
            text += L"\n" + dkpex::LoadResString(IDS_OBJECTS_LOCKED);
        return text;
    }

private:
    int m_count = 0;
    int m_skipped = 0;
    std::vector<std::wstring> m_reasons;
};

// The current document's database and its undo controller, where there are.
DkDbUndoController* UndoController()
{
    DkApDocument* doc = dkDocManager() ? dkDocManager()->curDocument() : nullptr;
    DkDbDatabase* db = doc ? doc->database() : nullptr;
    return db ? db->undoController() : nullptr;
}

bool DocumentWithDatabase()
{
    DkApDocument* doc = dkDocManager() ? dkDocManager()->curDocument() : nullptr;
    return doc && doc->database();
}

void FocusMainWindow()
{
    if (HWND main = dkedGetMainWindow())
        ::SetFocus(main);
}

// The user's break key is off for the life of the scope (while a document is active).
class BreakKeyOff
{
public:
    explicit BreakKeyOff(bool documentActive) noexcept : m_on(documentActive)
    {
        if (m_on)
            dkedDisableUsrbrk();
    }
    ~BreakKeyOff()
    {
        if (m_on)
            dkedEnableUsrbrk();
    }
    BreakKeyOff(const BreakKeyOff&) = delete;
    BreakKeyOff& operator=(const BreakKeyOff&) = delete;

private:
    bool m_on;
};

void ShowMessage(HWND owner, const wchar_t* text)
{
    ::MessageBoxW(owner, text, L"", MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

CDkPeModelessOperation::CDkPeModelessOperation(const wchar_t* name, bool on) noexcept : m_name(name), m_on(on)
{
    if (m_on)
        dkedSendModelessOperationStart(m_name);
}

CDkPeModelessOperation::~CDkPeModelessOperation()
{
    if (m_on)
        dkedSendModelessOperationEnded(m_name);
}

CDkPeUpdateEvents::CDkPeUpdateEvents(CIPropEditUIEvents* events) noexcept : m_events(events)
{
    if (m_events)
        m_events->FireBeginPropertyUpdate();
}

CDkPeUpdateEvents::~CDkPeUpdateEvents()
{
    if (m_events)
        m_events->FireEndPropertyUpdate();
}

CDkPeOperationScope::CDkPeOperationScope(CIPropEditUIEvents* events, IDkPiPropertyIdentifier* identifier,
                                         const CString& name, long code)
    : m_change(L"OPM_CHGPROP"), m_events(events), m_identifier(identifier), m_name(name), m_code(code)
{
    if (m_identifier)
        m_identifier->AddRef();
    Notify();
    if (m_events)
        m_events->FireOperationStart(m_code);
}

CDkPeOperationScope::~CDkPeOperationScope()
{
    Notify();
    if (m_events)
        m_events->FireOperationEnd(m_code);
    if (m_identifier)
        m_identifier->Release();
}

void CDkPeOperationScope::Notify() noexcept
{
    if (!m_identifier)
        return;
    dkfw::UniqueVariant v;
    v.Addr()->vt = VT_BSTR;
    v.Addr()->bstrVal = ::SysAllocStringLen(m_name.data(), static_cast<UINT>(m_name.size()));
    if (v.Get().bstrVal)
        m_identifier->OnValueWritten(v.Get());
}

bool CDkPeCtrlBase::IsObjectWritable(IUnknown* object)
{
    return IsWritable(object);
}

void CDkPeCtrlBase::NoteFailure(HRESULT hr, std::vector<std::wstring>& reasons)
{
    ComPtr<IErrorInfo> info;
    dkfw::UniqueBstr description;
    std::wstring text;
    if (::GetErrorInfo(0, info.Put()) == S_OK && info && SUCCEEDED(info->GetDescription(description.Put())))
        text = description.View();
    if (text.empty())
        text = CodeText(hr);
    if (std::find(reasons.begin(), reasons.end(), text) == reasons.end())
        reasons.push_back(std::move(text));
}

void CDkPeCtrlBase::TakeBackFailedStep(HRESULT hr, std::vector<std::wstring>& reasons)
{
    NoteFailure(hr, reasons);
    undoSSRetain(UndoController(), 1);
}

void CDkPeCtrlBase::TellReasons(const std::vector<std::wstring>& reasons)
{
    std::wstring text;
    for (const std::wstring& reason : reasons)
        text += (text.empty() ? L"" : L"\n") + reason;
    if (!text.empty())
        TellUser(text.c_str());
}

void CDkPeCtrlBase::ActivateMainWindow() noexcept
{
    if (HWND main = dkedGetMainWindow())
        ::SendMessageW(main, WM_ACTIVATE, WA_ACTIVE, 0);
}

long CDkPeCtrlBase::VisitHeldSelection(const ObjectChange& visit)
try
{
    const dkfw::CallScope call(ControlLifetime());
    HeldSelection held(m_pHolds, m_nObjects, m_ppObjects, m_ppDynProps, m_pDispids);
    HRESULT hr = S_OK;
    for (int i = 0; i < held.Count() && hr == S_OK; ++i)
        hr = visit(i, held.objects[i], held.dynProps[i]);
    return hr;
}
catch (const std::bad_alloc&)
{
    return E_OUTOFMEMORY;
}

long CDkPeCtrlBase::PostSetPropertyValue(IDispatch* object)
{
    ComPtr<IDkEntity> entity;
    if (object && SUCCEEDED(object->QueryInterface(IID_IDkEntity, entity.PutVoid())))
        return entity->Update();
    return S_OK;
}

// While a command drives the palette, the row shows the value before the command writes it.
void CDkPeCtrlBase::PresetControlValue(VARIANT* value)
{
    if (!dkedIsInCommandStack(kPaletteCommand) || !value || (value->vt & VT_ARRAY))
        return;
    auto* view = dynamic_cast<CDkPeValueView*>(this);
    if (!view)
        return;
    std::wstring text;
    const dkpex::WipeOnExit<std::wstring> wipeText(text);
    long long number = 0;
    bool integer = true;
    switch (value->vt)
    {
    case VT_BSTR:
        text = value->bstrVal ? value->bstrVal : L"";
        integer = false;
        break;
    case VT_I2:
        number = value->iVal;
        break;
    case VT_I4:
    case VT_INT:
        number = value->lVal;
        break;
    case VT_I8:
        number = value->llVal;
        break;
    case VT_R4:
    case VT_R8:
    {
        wchar_t buf[40];
        std::swprintf(buf, 40, L"%.15g", value->vt == VT_R4 ? value->fltVal : value->dblVal);
        text = buf;
        integer = false;
        break;
    }
    default:
        return;
    }
    if (integer)
        text = std::to_wstring(number);
    view->PresetValue(text, integer, number);
}

bool CDkPeCtrlBase::PrePropertyChangeSetup()
{
    dkedSendModelessOperationStart(L"OPM_CHGPROP");
    m_undoGroupOpen = false;
    if (DkDbUndoController* undo = UndoController())
    {
        static const std::wstring label = dkpex::LoadResString(IDS_UNDO_PROPERTY_CHANGE);
        if (undo->undoGroup(DkDb::kUndoGroupBegin, label.c_str()) != Drvk::eOk)
            return false;
        m_undoGroupOpen = true;
    }
    return true;
}

void CDkPeCtrlBase::TellUser(const wchar_t* text)
{
    if (dkedIsInCommandStack(kPaletteCommand))
        return;
    HWND frame = nullptr;
    GetFrameHandle(frame);
    ShowMessage(frame, text);
}

void CDkPeCtrlBase::PostPropertyChangeRestore(long hr, bool someSkipped)
{
    // Only a group this write began is ended: an unmatched end would close a running
    // command's own group. A refused end is told, since later changes would land in it.
    DkDbUndoController* undo = UndoController();
    if (undo && std::exchange(m_undoGroupOpen, false))
    {
        if (undo->undoGroup(DkDb::kUndoGroupEnd) != Drvk::eOk)
            TellUser(dkpex::LoadResString(IDS_UNDO_END_REFUSED).c_str());
        if (hr == kChangeTakenBack)
            undoSSRetain(undo, 1);
    }
    dkedSendModelessOperationEnded(L"OPM_CHGPROP");
    DkDbAssocManager::enableProgressMeter(false, L"");
    const bool document = DocumentWithDatabase();
    if (dkDocManager()->curDocument() && !dkedIsCommandActive())
        dkedPostCommandPrompt();
    if (!document)
        return;
    // The palette's focus goes back to the drawing.
    if (!someSkipped)
        ActivateMainWindow();
    else
        dkedSendModelessOperationEnded(L"OPM_CHGSELECTION");
}

// The brackets of one write, closed on every way out: the host's change and its undo group
// (restored with the write's result), and the palette's update events. Each is a scope of
// its own, so that one that fails to open leaves the other closed.
class CDkPeCtrlBase::ChangeBracket
{
public:
    explicit ChangeBracket(CDkPeCtrlBase& base) : m_change(base), m_events(base.m_pUIEvents) {}
    void Restore(long hr, bool someSkipped) { m_change.Restore(hr, someSkipped); }
    // The drawing refused to begin the change's undo group: nothing may be written.
    bool Refused() const noexcept { return m_change.Refused(); }

private:
    class HostChange
    {
    public:
        explicit HostChange(CDkPeCtrlBase& base) : m_base(base), m_refused(!m_base.PrePropertyChangeSetup()) {}
        bool Refused() const noexcept { return m_refused; }
        ~HostChange()
        {
            // A write that ended early (out of memory) still closes what it opened.
            if (!m_restored)
                m_base.PostPropertyChangeRestore(E_FAIL, false);
        }
        HostChange(const HostChange&) = delete;
        HostChange& operator=(const HostChange&) = delete;
        void Restore(long hr, bool someSkipped)
        {
            m_restored = true;
            m_base.PostPropertyChangeRestore(hr, someSkipped);
        }

    private:
        CDkPeCtrlBase& m_base;
        bool m_refused;
        bool m_restored = false;
    };

    HostChange m_change;
    CDkPeUpdateEvents m_events;
};

long CDkPeCtrlBase::SetPropertyValue(VARIANT* value, ValueType how)
try
{
    if (!value)
        return E_POINTER;
    if (how != ValueSpecified && how != ValueUnspecified && how != ValueExpression)
        return E_INVALIDARG;
    // No NaN or infinity reaches an object, whoever hands the value over.
    if (how == ValueSpecified && !AllFinite(*value))
        return E_INVALIDARG;
    // The control and the objects stay whole until the write is done.
    const dkfw::CallScope call(ControlLifetime());
    HeldSelection held(m_pHolds, m_nObjects, m_ppObjects, m_ppDynProps, m_pDispids);
    const int count = held.Count();
    if (DragRefusal(held))
    {
        TellCannotModify();
        return E_FAIL;
    }
    PresetControlValue(value);

    m_nFailed = 0;
    NotChanged notChanged;
    bool someChanged = false;
    const bool documentActive = DocumentWithDatabase();
    ChangeBracket bracket(*this);
    const bool quiet = dkedIsInCommandStack(kPaletteCommand);
    if (bracket.Refused())
    {
        // Written without its undo group the change would land as one step per object.
        TellUser(dkpex::LoadResString(IDS_UNDO_BEGIN_REFUSED).c_str());
        bracket.Restore(E_FAIL, false);
        return E_FAIL;
    }
    HRESULT hr = S_OK;
    HRESULT lastFailure = S_OK;
    bool takenBack = false;
    for (int i = 0; i < count; ++i)
    {
        auto* object = static_cast<IDispatch*>(held.objects[i]);
        const int dispid = held.dispids[i];
        if (!IsWritable(object))
        {
            notChanged.Skipped();
            continue;
        }
        // What must come before an object's write can refuse it: that object keeps its value.
        hr = PreSetPropertyValue(object, dispid);
        dkfw::UniqueExcepInfo excep;
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(hr) && dispid != kDynamicPropertyDispid)
        {
            // The user's break cannot interrupt a write half-way.
            const BreakKeyOff noBreak(documentActive);
            if (m_bUnspecifiedAllowed)
                hr = SetPropertyValueAsUnspecified(dispid, object, how == ValueUnspecified);
            if (how == ValueExpression)
                hr =
                    value->vt == VT_BSTR ? SetPropertyExpressionAsString(dispid, object, value->bstrVal) : E_INVALIDARG;
            else if (how == ValueSpecified)
            {
                DISPID named = DISPID_PROPERTYPUT;
                DISPPARAMS params{value, &named, 1, 1};
                hr = object->Invoke(dispid, IID_NULL, kPropertyLocale, DISPATCH_PROPERTYPUT, &params, nullptr,
                                    excep.Addr(), nullptr);
                if (hr == DISP_E_EXCEPTION && excep.Get().pfnDeferredFillIn)
                    excep.Get().pfnDeferredFillIn(excep.Addr());
            }
            if (SUCCEEDED(hr))
            {
                // What the object's own update says of a failure is the user's reason.
                ::SetErrorInfo(0, nullptr);
                hr = PostSetPropertyValue(object);
                if (FAILED(hr) && ::GetErrorInfo(0, info.Put()) != S_OK)
                    info.Reset();
            }
        }
        else if (SUCCEEDED(hr))
        {
            IUnknown* dynProp = held.dynProps[i];
            ComPtr<IDynamicProperty2> two;
            ComPtr<IDynamicProperty> one;
            if (!dynProp || (FAILED(dynProp->QueryInterface(IID_IDynamicProperty2, two.PutVoid())) &&
                             FAILED(dynProp->QueryInterface(IID_IDynamicProperty, one.PutVoid()))))
                continue;
            if (m_bUnspecifiedAllowed)
                hr = SetPropertyValueAsUnspecified(dynProp, object, how == ValueUnspecified);
            if (how == ValueExpression)
                hr = value->vt == VT_BSTR ? SetPropertyExpressionAsString(dynProp, object, value->bstrVal)
                                          : E_INVALIDARG;
            ::SetErrorInfo(0, nullptr);
            if (how == ValueSpecified)
                hr = two ? two->SetValue(object, *value) : SetDynamicPropertyValue(object, one.Get(), value);
            if (FAILED(hr) && ::GetErrorInfo(0, info.Put()) != S_OK)
                info.Reset();
            if (SUCCEEDED(hr))
                hr = PostSetPropertyValue(object);
        }
        if (SUCCEEDED(hr))
        {
            someChanged = true;
            continue;
        }
        lastFailure = hr;
        takenBack = takenBack || hr == kChangeTakenBack;
        // While a command drives the palette, failures are the command's to report.
        if (quiet)
            continue;
        ++m_nFailed;
        notChanged.Add(hr, excep.Get(), info.Get(), object);
    }
    // The write succeeds when some object took the value (or none was asked to), unless the
    // host takes the whole change back.
    if (takenBack)
        hr = kChangeTakenBack;
    else if (FAILED(lastFailure) && !someChanged)
        hr = lastFailure;
    else if (!quiet)
        hr = S_OK;
    if (takenBack)
        TellUser(dkpex::LoadResString(IDS_CHANGE_TAKEN_BACK).c_str());
    else if (notChanged.Count() > 0)
        TellUser(notChanged.Message(count).c_str());

    bracket.Restore(hr, notChanged.AnySkipped());
    // Held: the palette's sink may hand the row another identifier, or none, as it hears.
    if (const ComPtr<IDkPiPropertyIdentifier> identifier(m_pPropertyIdentifier); SUCCEEDED(hr) && identifier)
    {
        dkfw::UniqueVariant copy;
        const dkpex::WipeOnExit<VARIANT> wipeCopy(*copy.Addr());
        if (SUCCEEDED(copy.CopyFrom(*value)))
            identifier->OnValueWritten(copy.Get());
        // A list shows the value as one of its entries: the palette hears that entry's text.
        std::wstring entry;
        if (auto* view = dynamic_cast<CDkPeValueView*>(this); view && view->CurrentEntryText(entry))
        {
            dkfw::UniqueBstr text(entry);
            identifier->OnValueTextWritten(text.Get());
        }
    }
    return hr;
}
catch (const std::bad_alloc&)
{
    return E_OUTOFMEMORY;
}

void CDkPeCtrlBase::ShowTaskDialog(const wchar_t* id, HWND owner)
{
    CTemporaryResourceOverride resources;
    MtTaskDialog(kTaskDialogs, id).Show(owner ? owner : dkedGetMainWindow());
}

void CDkPeCtrlBase::TellCannotModify()
{
    HWND frame = nullptr;
    GetFrameHandle(frame);
    ShowTaskDialog(kCannotModifyProperty, frame);
}

bool CDkPeCtrlBase::RefusedDuringDrag()
{
    HeldSelection held(m_pHolds, m_nObjects, m_ppObjects, m_ppDynProps, m_pDispids);
    if (!DragRefusal(held))
        return false;
    TellCannotModify();
    return true;
}

long CDkPeCtrlBase::ChangeEachObject(const ObjectChange& change, bool& someSkipped)
try
{
    someSkipped = false;
    const dkfw::CallScope call(ControlLifetime());
    HeldSelection held(m_pHolds, m_nObjects, m_ppObjects, m_ppDynProps, m_pDispids);
    const int count = held.Count();
    if (DragRefusal(held))
    {
        TellCannotModify();
        return E_FAIL;
    }
    if (count < 1)
        return E_FAIL;
    const bool documentActive = DocumentWithDatabase();
    ChangeBracket bracket(*this);
    if (bracket.Refused())
    {
        TellUser(dkpex::LoadResString(IDS_UNDO_BEGIN_REFUSED).c_str());
        bracket.Restore(E_FAIL, false);
        return E_FAIL;
    }
    HRESULT hr = S_OK;
    for (int i = 0; i < count && hr == S_OK; ++i)
    {
        if (!IsWritable(held.objects[i]))
        {
            someSkipped = true;
            continue;
        }
        const BreakKeyOff noBreak(documentActive);
        hr = change(i, held.objects[i], held.dynProps[i]);
    }
    if (hr == S_FALSE)
        hr = S_OK;
    bracket.Restore(hr, someSkipped);
    return hr;
}
catch (const std::bad_alloc&)
{
    return E_OUTOFMEMORY;
}

Drvk::ErrorStatus CDkPeCtrlBase::undoSSRetain(DkDbUndoController* controller, int flag)
{
    if (!controller)
        return Drvk::eNullObjectPointer;
    resbuf* grips = nullptr;
    resbuf* pickfirst = nullptr;
    if (dkedSSGetFirst(&grips, &pickfirst) != RTNORM)
    {
        controller->undo(flag);
        return Drvk::eOk;
    }
    dk_name gripSet{};
    dk_name oldSet{};
    if (grips)
        std::copy(grips->resval.rlname, grips->resval.rlname + 2, gripSet);
    if (pickfirst)
        std::copy(pickfirst->resval.rlname, pickfirst->resval.rlname + 2, oldSet);
    dkutRelRb(grips);
    dkutRelRb(pickfirst);
    const CDkPeModelessOperation errorCondition(L"OPM_ERRORCONDITION");
    controller->undo(flag);

    dk_name newSet{};
    bool haveNew = false;
    LONG_PTR length = 0;
    if (pickfirst && dkedSSLength(oldSet, &length) == RTNORM)
    {
        for (LONG_PTR i = 0; i < length; ++i)
        {
            dk_name entity{};
            DkDbObjectId id;
            DkDbObject* object = nullptr;
            if (dkedSSName(oldSet, i, entity) != RTNORM || dkdbGetObjectId(id, entity) != Drvk::eOk ||
                dkdbOpenObject(object, id, DkDb::kForRead) != Drvk::eOk)
                continue;
            object->close();
            dk_name added{};
            if (dkedSSAdd(entity, haveNew ? newSet : nullptr, haveNew ? newSet : added) == RTNORM && !haveNew)
            {
                std::copy(added, added + 2, newSet);
                haveNew = true;
            }
        }
    }
    resbuf limit{};
    resbuf grip{};
    bool gripsChanged = false;
    LONG_PTR newLength = 0;
    if (haveNew)
        dkedSSLength(newSet, &newLength);
    if (dkedGetVar(L"GRIPOBJLIMIT", &limit) == RTNORM && newLength > limit.resval.rint &&
        dkedGetVar(L"GRIPS", &grip) == RTNORM)
    {
        resbuf off{};
        off.restype = RTSHORT;
        off.resval.rint = 0;
        gripsChanged = dkedSetVar(L"GRIPS", &off) == RTNORM;
    }
    dkedSSSetFirst(haveNew ? newSet : nullptr, haveNew ? newSet : nullptr);
    if (gripsChanged)
        dkedSetVar(L"GRIPS", &grip);
    if (haveNew)
        dkedSSFree(newSet);
    if (grips)
        dkedSSFree(gripSet);
    if (pickfirst)
        dkedSSFree(oldSet);
    return Drvk::eOk;
}

void CDkPeCtrlBase::highlightSubEntities(const DkArray<DkDbFullSubentPath>& paths)
{
    for (int i = 0; i < paths.length(); ++i)
    {
        const DkDbFullSubentPath& path = paths[i];
        if (m_highlightedPaths.contains(path) || path.ids.empty())
            continue;
        DkDbEntity* entity = nullptr;
        if (dkdbOpenObject(entity, path.ids.back(), DkDb::kForRead) != Drvk::eOk)
            continue;
        entity->pushHighlight(path, kHighlightStyle);
        entity->close();
        m_highlightedPaths.append(path);
    }
    FocusMainWindow();
}

void CDkPeCtrlBase::unhighlightSubEntities()
{
    for (int i = 0; i < m_highlightedPaths.length(); ++i)
    {
        const DkDbFullSubentPath& path = m_highlightedPaths[i];
        DkDbEntity* entity = nullptr;
        if (path.ids.empty() || dkdbOpenObject(entity, path.ids.back(), DkDb::kForRead) != Drvk::eOk)
            continue;
        entity->popHighlight(path);
        entity->close();
    }
    m_highlightedPaths.removeAll();
}

long CDkPeCtrlBase::LaunchOPMPropertyDialog(CString& name)
try
{
    // The dialog runs its own message loop: the control and the objects stay whole until it is done.
    const dkfw::CallScope call(ControlLifetime());
    HeldSelection held(m_pHolds, m_nObjects, m_ppObjects, m_ppDynProps, m_pDispids);
    const int count = held.Count();
    if (DragRefusal(held))
    {
        TellCannotModify();
        return 0;
    }
    if (count > 0 && held.objects[0] && !IsWritable(held.objects[0]))
    {
        dkedSendModelessOperationEnded(L"OPM_CHGSELECTION");
        return 0;
    }
    const CDkPeOperationScope operation(m_pUIEvents, m_pPropertyIdentifier, name, kDialogOperation);

    IUnknown* firstDyn = count > 0 ? held.dynProps[0] : nullptr;
    ComPtr<IDkPropertyDialog> dialog;
    if (firstDyn && SUCCEEDED(firstDyn->QueryInterface(IID_IDkPropertyDialog, dialog.PutVoid())))
    {
        if (DkPropertyDialogFunction run = dialog->GetDialogFunction())
        {
            const int result = run();
            FocusMainWindow();
            return result;
        }
        LPCWSTR command = dialog->GetCommandText();
        if (!command)
            return 0;
        ComPtr<IDispatch> app = ComPtr<IDispatch>::Attach(dkedGetApplication());
        auto commands = app.Query<IDkApplicationCommands>();
        if (!commands)
            return 0;
        dkfw::UniqueBstr text(command);
        commands->SendCommand(text.Get());
        FocusMainWindow();
        return 1;
    }

    IUnknown* asked = firstDyn ? firstDyn : (count > 0 ? held.objects[0] : nullptr);
    if (!asked)
        return E_FAIL;
    ComPtr<IPerPropertyBrowsing> browsing;
    CLSID page{};
    if (FAILED(asked->QueryInterface(IID_IPerPropertyBrowsing, browsing.PutVoid())) ||
        FAILED(browsing->MapPropertyToPage(held.dispids[0], &page)))
        return E_FAIL;
    ComPtr<IUnknown> pageObject;
    const HRESULT created = ::CoCreateInstance(page, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, pageObject.PutVoid());
    if (created == REGDB_E_CLASSNOTREG)
    {
        wchar_t clsid[40];
        ::StringFromGUID2(page, clsid, 40);
        const std::wstring text = dkpex::FormatResString(IDS_PAGE_NOT_REGISTERED, {clsid});
        HWND frame = nullptr;
        GetFrameHandle(frame);
        ShowMessage(frame, text.c_str());
        return 0;
    }
    if (FAILED(created))
        return 0;

    dkfw::UniqueBstr display(name);
    long result = 1;
    if (auto selectionAware = pageObject.Query<IDkPropertyPageDialog2>())
    {
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_UNKNOWN, 0, static_cast<ULONG>(count));
        if (!sa)
            return E_OUTOFMEMORY;
        for (LONG i = 0; i < count; ++i)
            ::SafeArrayPutElement(sa, &i, held.objects[i]);
        dkfw::UniqueVariant selection;
        selection.Addr()->vt = VT_ARRAY | VT_UNKNOWN;
        selection.Addr()->parray = sa;
        result = selectionAware->RunDialog(display.Addr(), selection.Get());
    }
    else if (auto older = pageObject.Query<IDkPropertyPageDialog>())
    {
        DkArray<DkDbObjectId> ids;
        if (FAILED(GetCurrentSelectionObjectIdArray(ids)))
            return 0;
        std::vector<LONG_PTR> raw;
        for (int i = 0; i < ids.length(); ++i)
            raw.push_back(ids[i].asOldId());
        result = older->RunDialog(display.Addr(), raw.data(), static_cast<long>(raw.size()));
    }
    else
        return 1;
    if (result == 0)
    {
        name = std::wstring(display.View());
        m_bChangeNotified = 1;
    }
    FocusMainWindow();
    return 0;
}
catch (const std::bad_alloc&)
{
    return E_OUTOFMEMORY;
}

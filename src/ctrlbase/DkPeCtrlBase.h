// CDkPeCtrlBase: the base of every editor control. It owns the selection the palette hands
// over and every read and write of the property, and the window behaviour all editors
// share. Exported, so that other libraries of the host can derive editors from it.
#pragma once

#include "DkPeBasePrivate.h"
#include "DkPeExport.h"
#include "PropTextTooltip.h"
#include "dkdb.h"
#include "dked.h"

#include "DkPiHost.h"
#include "OleControl.h"
#include "Unique.h"

#include <ocidl.h>
#include <oleauto.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct IDynamicProperty;
struct IDkPiPropertyIdentifier;

// The component's text type inside: wide characters.
using CString = std::wstring;

// Tells the host that a modeless operation runs, for the life of the scope (when on).
class DKPEX_API CDkPeModelessOperation
{
public:
    explicit CDkPeModelessOperation(const wchar_t* name, bool on = true) noexcept;
    ~CDkPeModelessOperation();
    CDkPeModelessOperation(const CDkPeModelessOperation&) = delete;
    CDkPeModelessOperation& operator=(const CDkPeModelessOperation&) = delete;

private:
    const wchar_t* m_name;
    bool m_on;
};

// A write's own copy of the selection, registered with the control while the write runs:
// it takes references of its own on the objects only when the control is about to let them
// go under it (another selection handed over meanwhile).
struct CDkPeSelectionHold
{
    virtual void TakeReferences() noexcept = 0;
    CDkPeSelectionHold* next = nullptr;

protected:
    ~CDkPeSelectionHold() = default;
};

// The palette's update events around an action, the end fired on every way out.
class DKPEX_API CDkPeUpdateEvents
{
public:
    explicit CDkPeUpdateEvents(CIPropEditUIEvents* events) noexcept;
    ~CDkPeUpdateEvents();
    CDkPeUpdateEvents(const CDkPeUpdateEvents&) = delete;
    CDkPeUpdateEvents& operator=(const CDkPeUpdateEvents&) = delete;

private:
    CIPropEditUIEvents* m_events;
};

// An operation the palette hears of, for the life of the scope: the host's property change
// begins, the property identifier hears name, the palette hears the operation's start (code);
// at the end the identifier hears name again, the palette the operation's end, the host the
// change's end.
class DKPEX_API CDkPeOperationScope
{
public:
    CDkPeOperationScope(CIPropEditUIEvents* events, IDkPiPropertyIdentifier* identifier, const CString& name,
                        long code);
    ~CDkPeOperationScope();
    CDkPeOperationScope(const CDkPeOperationScope&) = delete;
    CDkPeOperationScope& operator=(const CDkPeOperationScope&) = delete;

private:
    void Notify() noexcept;

    // Made first, ended last.
    CDkPeModelessOperation m_change;
    CIPropEditUIEvents* m_events;
    // Held: the palette may hand the row another identifier while the operation runs.
    IDkPiPropertyIdentifier* m_identifier;
    const CString& m_name;
    long m_code;
};

class DKPEX_API CDkPeCtrlBase
{
public:
    // Control states (m_state).
    enum
    {
        kStateCreated = 0,
        kStatePlaced = 1,
        kStateEditing = 2,
        kStateEditingAgain = 3,
        kStateCommitting = 4,
    };
    // The DISPID that marks a selected object's property as a dynamic property.
    static constexpr DISPID kDynamicPropertyDispid = -23;
    // The locale of every property get and put: the user's default, by which objects
    // convert typed text.
    static constexpr LCID kPropertyLocale = 0x400;

    // The glue hands both interfaces over made, but while an editor part is made the glue's
    // overrides do not answer yet: no constructor of a family calls through them.
    CDkPeCtrlBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);
    CDkPeCtrlBase(const CDkPeCtrlBase&) = delete;
    CDkPeCtrlBase& operator=(const CDkPeCtrlBase&) = delete;

    // The virtual table, in this order.
    virtual ~CDkPeCtrlBase();
    virtual long Cleanup();
    virtual long GetCurrentSelectionObjectIdArray(DkArray<DkDbObjectId>& ids);
    virtual long BeginEdit(const RECT& rect);
    virtual long EndEdit();
    virtual long SetState(int& state);
    virtual long GetState(int& state);
    virtual long GetPropertyValue(VARIANT* value, ValueType& valueType);
    virtual long SetPropertyValue(VARIANT* value, ValueType valueType);
    virtual long PreSetPropertyValue(IDispatch* object, long dispid);
    virtual long PostSetPropertyValue(IDispatch* object);
    virtual long CheckPropertyForUnspecifiedValue(IUnknown* dynProp, IUnknown* object, VARIANT* value,
                                                  bool* isUnspecified);
    virtual long CheckPropertyForUnspecifiedValue(long dispid, IDispatch* object, VARIANT* value, bool* isUnspecified);
    virtual long SetPropertyValueAsUnspecified(long dispid, IDispatch* object, int flag);
    virtual long SetPropertyValueAsUnspecified(IUnknown* dynProp, IUnknown* object, int flag);
    virtual long ComparePropertyValue(VARIANT* a, VARIANT* b, int& result);
    virtual long GetDynamicPropertyValue(IDispatch* object, IDynamicProperty* dynProp, VARIANT* value);
    virtual long SetDynamicPropertyValue(IDispatch* object, IDynamicProperty* dynProp, VARIANT* value);
    virtual long CheckPropertyForExpression(IUnknown* dynProp, IUnknown* object, VARIANT* value, bool* hasExpression);
    virtual long CheckPropertyForExpression(long dispid, IDispatch* object, VARIANT* value, bool* hasExpression);
    virtual long SetPropertyExpressionAsString(long dispid, IDispatch* object, wchar_t* text);
    virtual long SetPropertyExpressionAsString(IUnknown* dynProp, IUnknown* object, wchar_t* text);
    virtual long MouseClick(UINT flags, POINT point);
    virtual long DoubleClick(const RECT& rect);
    virtual long PropertySysKeyDown(UINT key, UINT repeat, UINT flags, bool& handled);
    virtual long LaunchOPMPropertyDialog(CString& name);
    virtual long GetTextTipWidth(int& width);
    virtual long GetFrameHandle(HWND& hwnd);
    virtual long SetReadOnlyFlag(int readOnly);
    virtual long PropReadOnly(int& readOnly);
    virtual long EditBoxReadOnly(bool& readOnly);
    virtual long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly);
    virtual long Handle_get_KeepFocus(short* pVal);
    virtual long Handle_Refresh();
    virtual long Handle_put_ForeColor(OLE_COLOR color);
    virtual long Handle_get_ForeColor(OLE_COLOR* color);
    virtual long Handle_put_BackColor(OLE_COLOR color);
    virtual long Handle_get_BackColor(OLE_COLOR* color);
    virtual long Handle_put_ReadOnlyForeColor(OLE_COLOR color);
    virtual long Handle_get_ReadOnlyForeColor(OLE_COLOR* color);
    virtual long Handle_put_ReadOnlyBackColor(OLE_COLOR color);
    virtual long Handle_get_ReadOnlyBackColor(OLE_COLOR* color);
    virtual long Handle_put_Font(IUnknown* font);
    virtual long Handle_get_Font(IUnknown** font);
    virtual long Fire_OnKeyDown(WPARAM wParam, LPARAM lParam);
    virtual long Fire_OnKeyUp(WPARAM wParam, LPARAM lParam);
    virtual long Fire_OnRButtonDown(WPARAM wParam, LPARAM lParam);
    virtual long Fire_OnMButtonDown(WPARAM wParam, LPARAM lParam);
    virtual long Handle_OnDraw(ATL_DRAWINFO& info);
    virtual long Handle_SetObjectRects(const RECT* pos, const RECT* clip);
    virtual long Handle_DoVerbHide(const RECT* pos, HWND parent);
    virtual long Handle_DoVerbShow(const RECT* pos, HWND parent);
    virtual long Handle_DoVerbUIActivate(const RECT* pos, HWND parent);
    virtual long Handle_UIDeactivate();
    virtual HBRUSH Handle_OnCtlColor(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnRButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnMButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnLButtonDblClk(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnMouseLeave(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_ShowTextTip(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnDrawTooltip(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT Handle_OnEraseBackground(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual long GetComboTextTipWidth(int index, int& width);
    virtual long SetDoNextVariantItem(int value);
    virtual long GetDoNextVariantItem(int& value);
    virtual long SetChangeNotified(int value);
    virtual long GetChangeNotified(int& value);
    virtual long Handle_PutPropertyIdentifier(IDkPiPropertyIdentifier* identifier);
    virtual long Handle_GetPropertyIdentifier(IDkPiPropertyIdentifier** identifier);

    // Non-virtual operations.
    CString GetUnspecifiedString() const;
    // Tells the palette the row was clicked.
    long FireClick();
    // The host class of a selected object (through IDkBaseObject); false when it tells none.
    static bool ObjectClassId(IUnknown* object, CLSID& cls) noexcept;
    // The database id of a selected object (through IDkBaseObject); 0 when it tells none.
    static LONG_PTR ObjectDatabaseId(IUnknown* object) noexcept;
    long GetStringWidth(CString text, int* width);
    // The host's task dialog of that id, owned by owner (the host's main window when null).
    static void ShowTaskDialog(const wchar_t* id, HWND owner);
    // The text a row shows for a value read: the varies or the unspecified text by the value's
    // type, else the value itself when it is text (false when it is not).
    bool ShownText(const VARIANT& value, ValueType valueType, CString& text) const;
    long ShowTextTooltip(RECT rect);
    // The control's lifetime: a message of one of the editor's windows runs in a
    // dkfw::CallScope on it, so that the palette cannot free the control under the message.
    dkfw::Lifetime* ControlLifetime() const noexcept { return m_pPrivate; }
    // The row's own text tip, or null: the only window a window of the row draws a tip into.
    HWND TextTipWindow() const noexcept { return m_textTip.Hwnd(); }
    // The window objects the editor retired go (the glue calls it when no call of the
    // control runs any more, and the editor part's cleanup does).
    void DropRetiredWindows() noexcept
    {
        m_retired.clear();
        for (CDkPeCtrlBase* part : m_parts)
            part->DropRetiredWindows();
    }

protected:
    // The handle of the palette's font for the control, or null before it has one.
    HFONT ControlFont() const noexcept;
    // The control's fore and back colours as colours to draw with (a system colour resolved).
    COLORREF ForeColour() const noexcept;
    COLORREF BackColour() const noexcept;
    // The control's window, or null before it exists.
    HWND ControlHwnd() const noexcept { return m_pPrivate ? m_pPrivate->GetControlWindow() : nullptr; }
    // The property is read-only now (PropReadOnly asked).
    bool IsPropertyReadOnly()
    {
        int readOnly = FALSE;
        PropReadOnly(readOnly);
        return readOnly != FALSE;
    }
    // The host's working database is the current document's (editors that show the
    // drawing's units or its tables work only then).
    static bool IsCurrentDocumentDatabase() noexcept;
    long UpdateExpressionSupportState(bool firstWasEmpty, bool anyExpression, const CString& text);
    Drvk::ErrorStatus undoSSRetain(DkDbUndoController* controller, int flag);
    // One change over the selection made otherwise than by a property put (an element, a
    // member called): refused during a drag of the selection with the host's message; the
    // host's change, its undo group and the palette's update events around it; objects
    // that may not change skipped (someSkipped). change is called for each other object,
    // with its index in the selection; anything but S_OK ends the loop (S_FALSE without
    // failing). The result is the failure that ended the loop, or S_OK.
    using ObjectChange = std::function<HRESULT(int index, IUnknown* object, IUnknown* dynProp)>;
    long ChangeEachObject(const ObjectChange& change, bool& someSkipped);
    // The selection held for the life of the call (its objects stay whole should the palette
    // hand over another selection meanwhile): visit is called for each object, in order,
    // until it answers anything but S_OK, which is the result.
    long VisitHeldSelection(const ObjectChange& visit);
    // An object the user may change now: not on a locked layer, not outside the reference
    // being edited in place.
    static bool IsObjectWritable(IUnknown* object);
    // A step of an object's change failed after the object took it: the object's step is
    // taken back with the selection kept, and the reason (the failure's COM error
    // information, else its code) joins reasons unless one of them says the same.
    void TakeBackFailedStep(HRESULT hr, std::vector<std::wstring>& reasons);
    // The reason of a failure that changed nothing, joined to reasons in the same way.
    static void NoteFailure(HRESULT hr, std::vector<std::wstring>& reasons);
    // The reasons a change failed, told to the user in one message (nothing when none).
    void TellReasons(const std::vector<std::wstring>& reasons);
    // The palette's focus goes back to the drawing.
    static void ActivateMainWindow() noexcept;
    // The host forbids changes while the user drags objects of the selection: the user is
    // told and true returned.
    bool RefusedDuringDrag();
    void TellCannotModify();
    // The row becomes read-only when the object at index says the property cannot change.
    void AskEditable(int index);
    // Shows the user a message over the palette, unless a command drives the palette (its
    // failures are the command's to report).
    void TellUser(const wchar_t* text);
    void highlightSubEntities(const DkArray<DkDbFullSubentPath>& paths);
    void unhighlightSubEntities();
    // An editor this one is made of (it shares this control's window): its retired window
    // objects go with this one's.
    void AdoptPart(CDkPeCtrlBase& part) { m_parts.push_back(&part); }
    // A window object the editor replaces while one of its messages may still run (a write
    // in it let the palette deactivate and activate the row again): the caller has destroyed
    // its window, the object itself goes when the control's calls are done.
    template <class W> void Retire(std::unique_ptr<W>& window)
    {
        if (window)
            m_retired.emplace_back(std::move(window));
    }

    // Fields, in this order.
    int m_nObjects;
    IUnknown** m_ppObjects;
    IUnknown** m_ppDynProps;
    int* m_pDispids;
    CPropTextTooltip m_textTip;
    DkArray<DkDbFullSubentPath> m_highlightedPaths;
    int m_state;
    HWND m_pPresetEdit;
    BOOL m_bPropReadOnly;
    BOOL m_bInitReadOnly;
    BOOL m_bChangeNotified;
    BOOL m_bDoNextVariantItem;
    bool m_bUnspecifiedAllowed;
    bool m_bEditBoxReadOnly;
    CString m_expression;
    int m_expressionState;
    int m_nFailed;
    CString m_unspecifiedText;
    COLORREF m_foreColor;
    COLORREF m_backColor;
    COLORREF m_readOnlyForeColor;
    COLORREF m_readOnlyBackColor;
    dkfw::UniqueHbrush m_backBrush;
    dkfw::UniqueHbrush m_readOnlyBackBrush;
    IFont* m_pFont;
    CIPropEditUIEvents* m_pUIEvents;
    CDkPeBasePrivate* m_pPrivate;
    IDkPiPropertyIdentifier* m_pPropertyIdentifier;
    BOOL m_bBusy;

private:
    class ChangeBracket;

    std::vector<std::shared_ptr<void>> m_retired;
    std::vector<CDkPeCtrlBase*> m_parts;
    // An undo group this write began, which its end closes (and only such a one).
    bool m_undoGroupOpen = false;
    int m_nCapacity = 0;                    // entries the selection's three arrays have room for
    CDkPeSelectionHold* m_pHolds = nullptr; // the writes running over the selection

    void Initialize();
    void ReleaseSelection() noexcept;
    void ReleaseReferences() noexcept;
    long GetPropertyExpressionHelper(long dispid, IDispatch* object, CString& text, bool& has);
    long GetPropertyExpressionHelper(IUnknown* dynProp, IUnknown* object, CString& text, bool& has);
    void PresetControlValue(VARIANT* value);
    // False when the drawing refused to begin the change's undo group.
    bool PrePropertyChangeSetup();
    void PostPropertyChangeRestore(long hr, bool someSkipped);
    long ReadDispatchProperty(int index, VARIANT* value, ValueType& valueType);
    // The value through the dynamic property's interface the caller found (one of the two).
    long ReadDynamicProperty(int index, VARIANT* value, IDynamicProperty2* two, IDynamicProperty* one);
    long FirePointEvent(bool right, WPARAM wParam, LPARAM lParam);
};

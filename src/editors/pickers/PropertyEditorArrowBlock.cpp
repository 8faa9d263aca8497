// The arrowhead and predefined block rows.
#include "PropertyEditorArrowBlock.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "ComModule.h"
#include "ComPtr.h"
#include "Unique.h"
#include "dked.h"

#include <algorithm>

namespace
{
// The maker's shared resource library, home of the block chooser's dialog.
constexpr wchar_t kKitResources[] = L"KitMFCRes.DLL";
constexpr wchar_t kKitMissing[] = L"KitMFCRes.dll not found";

// Properties a chosen block's name goes to.
constexpr DISPID kDimensionArrow1 = 62;
constexpr DISPID kDimensionBlock1 = 65;
constexpr DISPID kDimensionBlock2 = 66;
constexpr DISPID kLeaderBlock = 70;
constexpr DISPID kMLeaderArrowBlock = 24;
constexpr DISPID kLeaderLineBlock = 7;
constexpr DISPID kMLeaderContentBlock = 9;
constexpr DISPID kCalloutBlock = 8713;
constexpr DISPID kCalloutDrawing = 8714;
constexpr long kFirstLeaderLine = 5001;
constexpr long kLastLeaderLine = 10000;

DkDbDatabase* ActiveDatabase() noexcept
{
    DkApDocManager* manager = dkDocManager();
    DkApDocument* document = manager ? manager->curDocument() : nullptr;
    return document ? document->database() : nullptr;
}

// The name of a block record; empty for none.
std::wstring BlockName(DkDbObjectId id)
{
    DkDbSymbolTableRecord* record = nullptr;
    if (id.isNull() || dkdbOpenObject(record, id, DkDb::kForRead) != Drvk::eOk || !record)
        return std::wstring();
    const wchar_t* name = record->getName();
    std::wstring result = name ? name : L"";
    record->close();
    return result;
}

// A text system variable; false when it cannot be read.
bool TextVariable(const wchar_t* name, std::wstring& value)
{
    resbuf rb{};
    if (dkedGetVar(name, &rb) != RTNORM || rb.restype != RTSTR)
        return false;
    value = rb.resval.rstring ? rb.resval.rstring : L"";
    ::free(rb.resval.rstring);
    return true;
}

// Whether the drawing file holds the block, defined in it rather than referenced.
bool SavedDrawingDefines(const std::wstring& path, const std::wstring& block)
{
    std::unique_ptr<DkDbDatabase> database(dkdbNewDatabase());
    if (!database)
        return false;
    const size_t dot = path.rfind(L'.');
    const bool exchange =
        dot != std::wstring::npos && ::CompareStringOrdinal(path.c_str() + dot, -1, L".dxf", -1, TRUE) == CSTR_EQUAL;
    const Drvk::ErrorStatus read = exchange ? database->dxfIn(path.c_str()) : database->readDwgFile(path.c_str(), true);
    if (read != Drvk::eOk)
        return false;
    DkDbBlockTable* table = nullptr;
    if (database->getSymbolTable(table, DkDb::kForRead) != Drvk::eOk || !table)
        return false;
    DkDbBlockTableRecord* record = nullptr;
    const bool found = table->getAt(block.c_str(), record, DkDb::kForRead) == Drvk::eOk && record;
    table->close();
    const bool defined = found && !record->isFromExternalReference();
    if (record)
        record->close();
    return defined;
}

// A property put on an object through its dispatch interface, in the host's locale.
HRESULT PutProperty(IDispatch* object, DISPID dispid, const std::wstring& text)
{
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_BSTR;
    value.Addr()->bstrVal = ::SysAllocString(text.c_str());
    if (!value.Get().bstrVal)
        return E_OUTOFMEMORY;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{value.Addr(), &named, 1, 1};
    return object->Invoke(dispid, IID_NULL, CDkPeCtrlBase::kPropertyLocale, DISPATCH_PROPERTYPUT, &params, nullptr,
                          nullptr, nullptr);
}

std::wstring SavedDrawingMessage(const std::wstring& block)
{
    return dkpex::FormatResString(IDS_BLOCK_NOT_IN_SAVED_DRAWING,
                                  {block.empty() ? L"" : (L" \"" + block + L"\"").c_str()});
}
} // namespace

// --- Both pickers ---------------------------------------------------------------------------

CDkUiMRUComboBox* CPictureEditorBase::PickerCombo() const noexcept
{
    return dynamic_cast<CDkUiMRUComboBox*>(m_pCombo.get());
}

long CPictureEditorBase::FillList()
{
    // The host's list fills itself.
    return S_OK;
}

bool CPictureEditorBase::IsTextOnlyEntry(const std::wstring& text) const
{
    return text == dkpex::VariesText() || (m_bUnspecifiedAllowed && text == m_unspecifiedText);
}

int CPictureEditorBase::GetCurrentIndex()
{
    if (!EnsureCombo())
        return -1;
    BeforeRead();
    dkfw::UniqueVariant value;
    ValueType kind = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Addr(), kind)))
        return -1;
    if (IsArrowPicker() && kind == ValueSpecified && value.Get().vt == VT_BSTR)
        return -1;
    CDkUiMRUComboBox* combo = PickerCombo();
    auto* textOnly = dynamic_cast<CTextOnlyEntry*>(m_pCombo.get());
    HWND hwnd = m_pCombo->Hwnd();
    auto find = [hwnd](const std::wstring& text)
    {
        return static_cast<int>(
            ::SendMessageW(hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
    };
    // The entries after the host's own: the varies one only while the values differ.
    // They are drawn without a picture: the draw relay marks them as they are drawn.
    auto keep = [&](const std::wstring& text, bool wanted)
    {
        const int at = text.empty() ? -1 : find(text);
        if (wanted && at < 0 && combo)
            combo->AddItemToList(text.c_str(), -1);
        else if (!wanted && at >= 0)
            ::SendMessageW(hwnd, CB_DELETESTRING, static_cast<WPARAM>(at), 0);
    };
    keep(dkpex::VariesText(), kind == ValueVaries);
    keep(m_unspecifiedText, m_bUnspecifiedAllowed);
    if (kind == ValueVaries)
        return find(dkpex::VariesText());
    if (kind == ValueUnspecified)
        return find(m_unspecifiedText);
    if (textOnly)
        textOnly->SetTextOnly(false);
    dkfw::UniqueVariant position;
    if (FAILED(::VariantChangeType(position.Addr(), const_cast<VARIANT*>(&value.Get()), 0, VT_I4)))
        return -1;
    const int index = position.Get().lVal;
    const int count = static_cast<int>(::SendMessageW(hwnd, CB_GETCOUNT, 0, 0));
    return index >= 0 && index < count ? index : -1;
}

long CPictureEditorBase::CommitSelection(int index)
{
    if (!m_pCombo || !m_pCombo->Hwnd())
        return E_UNEXPECTED;
    // A block name written last goes no further: the row writes its own property again.
    BeforeRead();
    const std::wstring text = m_pCombo->ItemText(index);
    if (m_bUnspecifiedAllowed && !text.empty() && text == m_unspecifiedText)
    {
        dkfw::UniqueVariant none;
        return SetPropertyValue(none.Addr(), ValueUnspecified);
    }
    if (text == dkpex::VariesText())
        return E_FAIL;
    if (IsUserEntry(index) && (!IsArrowPicker() || index != m_nCurrentIndex))
        return ChooseUserBlock() ? S_OK : E_FAIL;
    if (index == m_nCurrentIndex && !IsArrowPicker())
        return S_OK;
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_I4;
    value.Addr()->lVal = index;
    return SetPropertyValue(value.Addr(), ValueSpecified);
}

long CPictureEditorBase::OnSelEndOk()
{
    if (m_pCombo && m_pCombo->Hwnd() && !m_pCombo->ChoosingWhileClosed() && m_state >= kStateEditing)
    {
        const int chosen = static_cast<int>(::SendMessageW(m_pCombo->Hwnd(), CB_GETCURSEL, 0, 0));
        if (chosen >= 0 && chosen == m_nCurrentIndex && IsUserEntry(chosen) && !IsPropertyReadOnly())
        {
            SetCancelPending(false);
            m_bCancel = FALSE;
            ChooseUserBlock();
            m_state = kStateChosen;
            return S_OK;
        }
    }
    return CDkPeComboBase::OnSelEndOk();
}

LRESULT CPictureEditorBase::OnMeasureItem(UINT msg, UINT id, MEASUREITEMSTRUCT* item, BOOL& handled)
{
    if (id != kComboId || !item)
        return CDkPeComboBase::OnMeasureItem(msg, id, item, handled);
    handled = TRUE;
    RECT frame{};
    if (HWND control = ControlHwnd())
        ::GetClientRect(control, &frame);
    item->itemHeight = static_cast<UINT>(std::max<LONG>(1, frame.bottom - frame.top));
    return TRUE;
}

LRESULT CPictureEditorBase::OnDrawItem(UINT msg, UINT id, DRAWITEMSTRUCT* item, BOOL& handled)
{
    if (id != kComboId || !item || !m_pCombo || !m_pCombo->Hwnd())
        return CDkPeComboBase::OnDrawItem(msg, id, item, handled);
    handled = TRUE;
    DRAWITEMSTRUCT entry = *item;
    entry.rcItem.bottom += 2;
    if (static_cast<int>(entry.itemID) >= 0 && IsTextOnlyEntry(m_pCombo->ItemText(static_cast<int>(entry.itemID))))
        if (auto* textOnly = dynamic_cast<CTextOnlyEntry*>(m_pCombo.get()))
            textOnly->SetTextOnly(true);
    m_pCombo->DrawItem(entry);
    return TRUE;
}

long CPictureEditorBase::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    if (!RowNeedsDrawing(info))
        return S_OK;
    if (!m_pCombo || !m_pCombo->Hwnd() || m_nCurrentIndex < 0)
        return CDkPeComboBase::Handle_OnDraw(info);
    HDC dc = info.hdcDraw;
    const int saved = ::SaveDC(dc);
    if (HFONT font = ControlFont())
        ::SelectObject(dc, font);
    DRAWITEMSTRUCT entry{};
    entry.CtlType = ODT_COMBOBOX;
    entry.CtlID = kComboId;
    entry.itemID = static_cast<UINT>(m_nCurrentIndex);
    entry.itemAction = ODA_DRAWENTIRE;
    entry.itemState = m_nHighlight ? (ODS_FOCUS | ODS_SELECTED) : 0;
    entry.hwndItem = m_pCombo->Hwnd();
    entry.hDC = dc;
    entry.rcItem = RECT{info.prcBounds->left, info.prcBounds->top, info.prcBounds->right, info.prcBounds->bottom};
    entry.itemData = static_cast<ULONG_PTR>(m_pCombo->GetItemDataPtr(m_nCurrentIndex));
    // Drawn into the row itself, the entry stands on the window's colour.
    if (::WindowFromDC(dc) == ControlHwnd())
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    if (IsTextOnlyEntry(m_pCombo->ItemText(m_nCurrentIndex)))
        if (auto* textOnly = dynamic_cast<CTextOnlyEntry*>(m_pCombo.get()))
            textOnly->SetTextOnly(true);
    m_pCombo->DrawItem(entry);
    ::RestoreDC(dc, saved);
    return S_OK;
}

long CPictureEditorBase::GetTextTipWidth(int& width)
{
    width = 0;
    CDkUiMRUComboBox* combo = PickerCombo();
    const int current =
        combo && combo->Hwnd() ? static_cast<int>(::SendMessageW(combo->Hwnd(), CB_GETCURSEL, 0, 0)) : -1;
    if (current >= 0)
        width = std::max(0, combo->MeasureItemWidth(current) - 1);
    return S_OK;
}

long CPictureEditorBase::GetComboTextTipWidth(int index, int& width)
{
    CDkUiMRUComboBox* combo = PickerCombo();
    width = combo && combo->Hwnd() && index >= 0 ? combo->MeasureItemWidth(index) : 0;
    return S_OK;
}

bool CPictureEditorBase::ChooseBlock(const std::wstring& current, const wchar_t* title, std::wstring& chosen)
{
    HMODULE kit = ::LoadLibraryExW(kKitResources, nullptr, 0);
    if (!kit)
    {
        TellUser(kKitMissing);
        return false;
    }
    const dkfw::ScopeExit unload([kit] { ::FreeLibrary(kit); });
    DkDmUserArrows chooser(ActiveDatabase(), dkedGetMainWindow());
    if (!current.empty() && current[0] != L'_')
        chooser.setSelectedBlockName(current.c_str());
    if (title)
        chooser.setTitle(title);
    INT_PTR answer = IDCANCEL;
    {
        // The library's resources are the ones in use while its dialog runs.
        const HINSTANCE saved = dkfw::ResourceHandle();
        dkfw::SetResourceHandle(kit);
        const dkfw::ScopeExit back([saved] { dkfw::SetResourceHandle(saved); });
        answer = chooser.DoModal();
    }
    const wchar_t* name = chooser.selectedBlockName();
    if (answer != IDOK || !name || !*name)
        return false;
    chosen = name;
    return true;
}

// --- Arrowheads -----------------------------------------------------------------------------

CPropertyEditorDimArrowHead::CPropertyEditorDimArrowHead()
{
    m_bNeedsCurrentDocument = TRUE;
}

CPropertyEditorDimArrowHead::~CPropertyEditorDimArrowHead() = default;

long CPropertyEditorDimArrowHead::CreateComboWindow(const RECT& rect)
{
    return CreateComboOf(rect,
                         [this]
                         {
                             auto combo = std::make_unique<CComboBoxDimArrow>(this);
                             combo->SetUseOrigin2(true);
                             return combo;
                         });
}

void CPropertyEditorDimArrowHead::RestoreDispids()
{
    if (!std::exchange(m_bDispidsReplaced, false))
        return;
    for (int i = 0; i < m_nObjects && i < static_cast<int>(m_savedDispids.size()); ++i)
        m_pDispids[i] = m_savedDispids[i];
    m_savedDispids.clear();
}

void CPropertyEditorDimArrowHead::BeforeRead()
{
    RestoreDispids();
}

DISPID CPropertyEditorDimArrowHead::CurrentArrowBlock(std::wstring& name)
{
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0] || !m_pDispids)
        return 0;
    IUnknown* first = m_ppObjects[0];
    DkDbObjectId block;
    DISPID target = 0;
    // A leader line of a multileader stands for part of its multileader.
    dkfw::ComPtr<IDkBaseObject2> part;
    LONG_PTR owner = 0;
    long line = 0;
    if (SUCCEEDED(first->QueryInterface(IID_IDkBaseObject2, part.PutVoid())) &&
        SUCCEEDED(part->GetOwnerObjectId(&owner)) && SUCCEEDED(part->GetSubentIndex(&line)) &&
        line >= kFirstLeaderLine && line <= kLastLeaderLine)
    {
        DkDbMLeader* mleader = nullptr;
        if (dkdbOpenObject(mleader, DkDbObjectId(owner), DkDb::kForRead) != Drvk::eOk || !mleader)
            return 0;
        if (mleader->getArrowSymbolId(static_cast<int>(line - kFirstLeaderLine), block) != Drvk::eOk)
            block = DkDbObjectId();
        mleader->close();
        name = BlockName(block);
        return kLeaderLineBlock;
    }
    DkDbObject* object = nullptr;
    const DkDbObjectId id = DkDbObjectId(ObjectDatabaseId(first));
    if (id.isNull() || dkdbOpenObject(object, id, DkDb::kForRead) != Drvk::eOk || !object)
        return 0;
    if (DkDbDimension* dimension = DkDbDimension::cast(object))
    {
        const bool first1 = m_pDispids && m_pDispids[0] == kDimensionArrow1;
        block = first1 ? dimension->dimblk1() : dimension->dimblk2();
        target = first1 ? kDimensionBlock1 : kDimensionBlock2;
    }
    else if (DkDbLeader* leader = DkDbLeader::cast(object))
    {
        block = leader->dimldrblk();
        target = kLeaderBlock;
    }
    else if (DkDbMLeader* mleader = DkDbMLeader::cast(object))
    {
        block = mleader->arrowSymbolId();
        target = kMLeaderArrowBlock;
    }
    object->close();
    if (target)
        name = BlockName(block);
    return target;
}

int CPropertyEditorDimArrowHead::ChooseUserBlock()
{
    // A block name written before the row read anew: the row's own identifiers tell which
    // arrowhead is edited.
    RestoreDispids();
    std::wstring current;
    const DISPID target = CurrentArrowBlock(current);
    if (!target)
        return 0;
    std::wstring chosen;
    if (!ChooseBlock(current, nullptr, chosen))
        return 0;
    // The name goes to each object's block property: the selection's identifiers stand for it
    // until the row reads again.
    m_savedDispids.assign(m_pDispids, m_pDispids + m_nObjects);
    std::fill(m_pDispids, m_pDispids + m_nObjects, static_cast<int>(target));
    m_bDispidsReplaced = true;
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_BSTR;
    value.Addr()->bstrVal = ::SysAllocString(chosen.c_str());
    const long hr = value.Get().bstrVal ? SetPropertyValue(value.Addr(), ValueSpecified) : E_OUTOFMEMORY;
    if (FAILED(hr))
    {
        RestoreDispids();
        return 0;
    }
    return 1;
}

// --- Predefined blocks ------------------------------------------------------------------------

CPropertyEditorPredefBlock::CPropertyEditorPredefBlock()
{
    m_bNeedsCurrentDocument = TRUE;
}

long CPropertyEditorPredefBlock::CreateComboWindow(const RECT& rect)
{
    return CreateComboOf(rect, [this] { return std::make_unique<CComboBoxPredefBlock>(this); });
}

int CPropertyEditorPredefBlock::ChooseUserBlock()
{
    if (m_nObjects < 1 || !m_ppObjects || !m_ppObjects[0])
        return 0;
    IUnknown* first = m_ppObjects[0];
    std::wstring current;
    std::vector<std::pair<DISPID, std::wstring>> writes;
    std::wstring drawing;
    DkDbMLeader* mleader = nullptr;
    const DkDbObjectId id = DkDbObjectId(ObjectDatabaseId(first));
    dkfw::ComPtr<IDkCallout> callout;
    if (!id.isNull() && dkdbOpenObject(mleader, id, DkDb::kForRead) == Drvk::eOk && mleader)
    {
        const DkDbObjectId block = mleader->blockContentId();
        mleader->close();
        current = BlockName(block);
        writes.emplace_back(kMLeaderContentBlock, std::wstring());
    }
    else if (SUCCEEDED(first->QueryInterface(IID_IDkCallout, callout.PutVoid())))
    {
        dkfw::ComPtr<IDispatch> object;
        if (FAILED(first->QueryInterface(IID_IDispatch, object.PutVoid())))
            return 0;
        dkfw::UniqueVariant name;
        DISPPARAMS none{};
        if (SUCCEEDED(object->Invoke(kCalloutBlock, IID_NULL, kPropertyLocale, DISPATCH_PROPERTYGET, &none, name.Addr(),
                                     nullptr, nullptr)) &&
            name.Get().vt == VT_BSTR && name.Get().bstrVal)
            current = name.Get().bstrVal;
        resbuf titled{};
        std::wstring prefix;
        std::wstring file;
        if (dkedGetVar(L"DWGTITLED", &titled) != RTNORM || titled.resval.rint == 0 ||
            !TextVariable(L"DWGPREFIX", prefix) || !TextVariable(L"DWGNAME", file))
        {
            TellUser(SavedDrawingMessage(std::wstring()).c_str());
            return 0;
        }
        drawing = prefix + file;
        writes.emplace_back(kCalloutDrawing, drawing);
        writes.emplace_back(kCalloutBlock, std::wstring());
    }
    else
        return 0;
    std::wstring chosen;
    if (!ChooseBlock(current, dkpex::LoadResString(IDS_SELECT_BLOCK_TITLE).c_str(), chosen))
        return 0;
    if (!drawing.empty() && !SavedDrawingDefines(drawing, chosen))
    {
        TellUser(SavedDrawingMessage(chosen).c_str());
        return 0;
    }
    writes.back().second = chosen;
    // The first object only, its properties in order, as one change of the drawing; the
    // first refusal ends the writing.
    bool skipped = false;
    const long hr = ChangeEachObject(
        [&](int index, IUnknown* object, IUnknown*) -> HRESULT
        {
            if (index != 0 || object != first)
                return S_FALSE;
            dkfw::ComPtr<IDispatch> target;
            HRESULT put = object->QueryInterface(IID_IDispatch, target.PutVoid());
            for (size_t i = 0; i < writes.size() && SUCCEEDED(put); ++i)
                put = PutProperty(target.Get(), writes[i].first, writes[i].second);
            return FAILED(put) ? put : S_FALSE;
        },
        skipped);
    return SUCCEEDED(hr) && !skipped ? 1 : 0;
}

// The record pickers' bases: the inactive row, the listing of a symbol table and the
// reactor that marks a list stale.
#include "DkPeSymbolTableBase.h"

#include "dkstring.h"

#include "HResult.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace
{
// Opens an object for read and closes it when the scope ends.
template <class T> class OpenForRead
{
public:
    explicit OpenForRead(DkDbObjectId id) noexcept { dkdbOpenObject(m_object, id, DkDb::kForRead); }
    ~OpenForRead()
    {
        if (m_object)
            m_object->close();
    }
    OpenForRead(const OpenForRead&) = delete;
    OpenForRead& operator=(const OpenForRead&) = delete;
    T* operator->() const noexcept { return m_object; }
    T* Get() const noexcept { return m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }

private:
    T* m_object = nullptr;
};

} // namespace

CPeComboCustom* CDkPeContainerBase::OwnerDrawCombo() const noexcept
{
    return dynamic_cast<CPeComboCustom*>(m_pCombo.get());
}

long CDkPeContainerBase::ReadStaleList()
{
    if (m_state >= kStateEditing || IsPropertyReadOnly())
        return S_OK;
    if (m_bNeedsCurrentDocument && !IsCurrentDocumentDatabase())
        return E_FAIL;
    if (!EnsureCombo())
        return E_FAIL;
    auto* combo = dynamic_cast<CComboOwnerDraw*>(m_pCombo.get());
    // A list of a container that would not take its reactor is read at every activation.
    if (const auto* watching = dynamic_cast<const CComboWatching*>(combo);
        watching && watching->Watching() && !watching->HearsChanges())
        combo->SetFilled(false);
    if (combo && (!combo->IsFilled() || ::SendMessageW(combo->Hwnd(), CB_GETCURSEL, 0, 0) == CB_ERR))
        SelectCurrentEntry();
    return S_OK;
}

long CDkPeContainerBase::Handle_OnDraw(ATL_DRAWINFO& info)
{
    return DrawSelectedEntry(info, 0);
}

DkDbDatabase* DatabaseOf(DkDbObjectId id) noexcept
{
    if (id.isNull())
        return nullptr;
    OpenForRead<DkDbObject> object(id);
    return object ? object->database() : nullptr;
}

DkDbDatabase* CDkPeSymbolTableBase::TableDatabase() const noexcept
{
    return DatabaseOf(m_tableId);
}

CComboOwnerDraw* CDkPeSymbolTableBase::ListCombo() const noexcept
{
    return dynamic_cast<CComboOwnerDraw*>(m_pCombo.get());
}

long CDkPeSymbolTableBase::PrepareFill()
{
    return E_NOTIMPL;
}

long CDkPeSymbolTableBase::AddRecord(DkDbSymbolTableRecord* record)
try
{
    CPeComboCustom* combo = OwnerDrawCombo();
    const wchar_t* name = record ? record->getName() : nullptr;
    if (!combo || !name)
        return E_FAIL;
    auto item = std::make_unique<COwnerDrawItem>();
    item->m_text = name;
    item->m_fillColor = BackColour();
    if (combo->AddItem(item.get()) < 0)
        return E_FAIL;
    item.release();
    return S_OK;
}
DK_CATCH_RETURN()

long CDkPeSymbolTableBase::FillList()
try
{
    CComboOwnerDraw* combo = ListCombo();
    if (m_tableId.isNull() || !combo || !combo->Hwnd())
        return E_FAIL;
    if (combo->IsFilled())
        return S_OK;
    if (FAILED(PrepareFill()))
        return E_FAIL;

    // A table that does not open leaves the list as it was, still to be filled: the row keeps
    // showing its entry.
    std::vector<CTableRecordName> records;
    if (!ReadTableRecordNames(m_tableId, records))
        return E_FAIL;
    combo->SetFilled(true);
    HWND list = combo->Hwnd();
    ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
    std::stable_sort(records.begin(), records.end(),
                     [](const CTableRecordName& a, const CTableRecordName& b) { return a.name.compare(b.name) < 0; });

    // The list is built out of sight, its storage taken at once.
    size_t characters = 0;
    for (const CTableRecordName& r : records)
        characters += static_cast<size_t>(r.name.length()) + 1;
    ::SendMessageW(list, CB_INITSTORAGE, records.size(), characters * sizeof(wchar_t));
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (const CTableRecordName& r : records)
    {
        OpenForRead<DkDbSymbolTableRecord> record(r.id);
        if (record)
            AddRecord(record.Get());
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    return S_OK;
}
DK_CATCH_RETURN()

bool ReadTableRecordNames(DkDbObjectId tableId, std::vector<CTableRecordName>& records)
{
    OpenForRead<DkDbSymbolTable> table(tableId);
    if (!table)
        return false;
    DkDbSymbolTableIterator* raw = nullptr;
    if (table->newIterator(raw) != Drvk::eOk || !raw)
        return false;
    const std::unique_ptr<DkDbSymbolTableIterator> it(raw);
    for (it->start(); !it->done(); it->step())
    {
        DkDbObjectId id;
        if (it->getRecordId(id) != Drvk::eOk)
            continue;
        OpenForRead<DkDbSymbolTableRecord> record(id);
        if (const wchar_t* name = record ? record->getName() : nullptr)
            records.push_back(CTableRecordName{name, id});
    }
    return true;
}

CRecordListReactor::CRecordListReactor(CComboOwnerDraw* list, DkDbDatabase* database, DkDbObjectId container) noexcept
    : m_list(list), m_database(database), m_container(container)
{
    if (!m_database || m_container.isNull())
        return;
    DkDbObject* object = nullptr;
    if (dkdbOpenObject(object, m_container, DkDb::kForRead) != Drvk::eOk || !object)
        return;
    m_attached = m_database->addReactor(m_container, this) == Drvk::eOk;
    object->close();
}

CRecordListReactor::~CRecordListReactor()
{
    // Only while the object is still there (it has not said goodbye). Taken off also when the
    // object refuses to open now: a reactor left behind would outlive its list.
    if (!m_attached || !m_list)
        return;
    DkDbObject* object = nullptr;
    if (dkdbOpenObject(object, m_container, DkDb::kForRead) != Drvk::eOk)
        object = nullptr;
    m_database->removeReactor(m_container, this);
    if (object)
        object->close();
}

void CRecordListReactor::modified(DkDbObjectId) noexcept
{
    if (m_list)
        m_list->SetFilled(false);
}

void CRecordListReactor::goodbye(DkDbObjectId) noexcept
{
    m_list = nullptr;
    m_attached = false;
}

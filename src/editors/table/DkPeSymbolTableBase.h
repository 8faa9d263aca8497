// The pickers of the drawing's named records. CDkPeContainerBase owns an owner-drawn list of
// entries and draws the chosen one into the inactive row; CDkPeSymbolTableBase fills that
// list from one symbol table, in the host's order of names. CRecordListReactor keeps such a
// list honest while the table or dictionary it shows changes.
#pragma once

#include "DkPeComboBase.h"
#include "dkdb.h"
#include "dkstring.h"

#include <memory>
#include <vector>

class DKPEX_API CDkPeContainerBase : public CDkPeComboBase
{
public:
    using CDkPeComboBase::CDkPeComboBase;

    long Handle_OnDraw(ATL_DRAWINFO& info) override;

    // The owner-drawn list (the base's combo window), or null before it exists.
    CPeComboCustom* OwnerDrawCombo() const noexcept;

protected:
    // As an activation begins: a list its container's changes left unfilled is read again (a
    // list whose container would not take its reactor, at every activation), and a list made
    // anew (the control's window went with a deactivation) chooses its entry; a filled list
    // showing its entry is kept as it is. E_FAIL when the row is not the working drawing's or
    // its list cannot be made.
    long ReadStaleList();

    // A list of type Combo, made with the editor, the database the list shows and args, over
    // the control as its drop-down in the control's font; E_FAIL without a control or a
    // database.
    template <class Combo, class... Args>
    long CreateContainerCombo(DWORD style, const RECT& rect, DkDbDatabase* database, Args... args) noexcept
    try
    {
        HWND control = ControlHwnd();
        if (!control || !database)
            return E_FAIL;
        auto combo = std::make_unique<Combo>(this, database, args...);
        if (!combo->CreateCombo(style, rect, control, kComboId))
            return E_FAIL;
        ::SendMessageW(combo->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
        m_pCombo = std::move(combo);
        return S_OK;
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
};

// The database an object (a table, a dictionary) belongs to; null when it does not open.
DkDbDatabase* DatabaseOf(DkDbObjectId id) noexcept;

// A record of a symbol table as a listing reads it.
struct CTableRecordName
{
    DkString name;
    DkDbObjectId id;
};

// The names of the live records of a table, in table order (records that do not open or have
// no name left out); false when the table or its iterator does not open.
bool ReadTableRecordNames(DkDbObjectId table, std::vector<CTableRecordName>& records);

class DKPEX_API CDkPeSymbolTableBase : public CDkPeContainerBase
{
public:
    using CDkPeContainerBase::CDkPeContainerBase;

    long FillList() override;

    // The family's operations, in this order.
    // A plain entry with the record's name, appended.
    virtual long AddRecord(DkDbSymbolTableRecord* record);
    // What a listing needs before the table is read; every picker says.
    virtual long PrepareFill();

    // The list, when it is one that carries a filled mark.
    CComboOwnerDraw* ListCombo() const noexcept;

protected:
    // The database the table belongs to; null when the table does not open.
    DkDbDatabase* TableDatabase() const noexcept;
    // A list of type Combo made for the table's database; E_FAIL without a table.
    template <class Combo> long CreateTableCombo(DWORD style, const RECT& rect) noexcept
    {
        return CreateContainerCombo<Combo>(style, rect, m_tableId.isNull() ? nullptr : TableDatabase());
    }

    // The table listed; null when the editor was made without a working database.
    DkDbObjectId m_tableId;
};

// Attached to a table or dictionary of the database for a list's whole life: any change of
// its records clears the list's filled mark (the list is read again when next wanted, never
// inside the notification); the object leaving memory makes the reactor forget the list, and
// nothing reaches the object afterwards.
class DKPEX_API CRecordListReactor : public DkDbObjectReactor
{
public:
    CRecordListReactor(CComboOwnerDraw* list, DkDbDatabase* database, DkDbObjectId container) noexcept;
    ~CRecordListReactor() override;
    CRecordListReactor(const CRecordListReactor&) = delete;
    CRecordListReactor& operator=(const CRecordListReactor&) = delete;

    void modified(DkDbObjectId id) noexcept override;
    void goodbye(DkDbObjectId id) noexcept override;

    // The list it serves; null once the object it watches left memory.
    CComboOwnerDraw* List() const noexcept { return m_list; }
    DkDbObjectId Container() const noexcept { return m_container; }
    // The object took the reactor and has not left memory: it tells the list of its changes.
    bool Attached() const noexcept { return m_attached; }

private:
    CComboOwnerDraw* m_list;
    DkDbDatabase* m_database;
    DkDbObjectId m_container;
    bool m_attached = false;
};

// A list of a table's or dictionary's names, watching that container of the database it was
// made for.
class DKPEX_API CComboWatching : public CComboOwnerDraw
{
public:
    using CComboOwnerDraw::CComboOwnerDraw;
    // The container has not left memory.
    virtual bool Watching() const noexcept = 0;
    // The container tells the list of its changes: it took the list's reactor and has not left
    // memory.
    virtual bool HearsChanges() const noexcept = 0;
};

template <class Reactor> class CComboWatchingOf : public CComboWatching
{
public:
    CComboWatchingOf(CDkPeComboBase* owner, DkDbDatabase* database, DkDbObjectId container) noexcept
        : CComboWatching(owner), m_reactor(this, database, container)
    {
    }
    bool Watching() const noexcept override { return m_reactor.List() != nullptr; }
    bool HearsChanges() const noexcept override { return m_reactor.Attached(); }

private:
    Reactor m_reactor;
};

// The pickers of the drawing's named records. CDkPeContainerBase owns an owner-drawn list of
// entries and draws the chosen one into the inactive row; CDkPeSymbolTableBase fills that
// list from one symbol table, in the host's order of names. CRecordListReactor keeps such a
// list honest while the table or dictionary it shows changes.
#pragma once

#include "DkPeComboBase.h"
#include "dkdb.h"

#include <memory>

class DKPEX_API CDkPeContainerBase : public CDkPeComboBase
{
public:
    using CDkPeComboBase::CDkPeComboBase;

    long Handle_OnDraw(ATL_DRAWINFO& info) override;

    // The owner-drawn list (the base's combo window), or null before it exists.
    CPeComboCustom* OwnerDrawCombo() const noexcept;
};

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
    // A list of type Combo, made for the table's database, over the control as its drop-down
    // in the control's font; E_FAIL without a table, a control or a database.
    template <class Combo> long CreateTableCombo(DWORD style, const RECT& rect) noexcept
    try
    {
        HWND control = ControlHwnd();
        DkDbDatabase* database = m_tableId.isNull() || !control ? nullptr : TableDatabase();
        if (!database)
            return E_FAIL;
        auto combo = std::make_unique<Combo>(this, database);
        if (!combo->CreateCombo(style, rect, control, kComboId))
            return E_FAIL;
        combo->SetOwner(this);
        ::SendMessageW(combo->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
        m_pCombo = std::move(combo);
        return S_OK;
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
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

private:
    CComboOwnerDraw* m_list;
    DkDbDatabase* m_database;
    DkDbObjectId m_container;
    bool m_attached = false;
};

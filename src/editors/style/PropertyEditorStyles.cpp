// The style editors: where each looks its styles up, and what follows the write of a style.
#include "PropertyEditorStyles.h"

#include "ObjectProperties.h"

#include "dkdb.h"
#include "dked.h"

#include "Unique.h"

namespace
{
// The current document's database (null without one).
DkDbDatabase* ActiveDatabase()
{
    DkApDocument* document = dkDocManager() ? dkDocManager()->curDocument() : nullptr;
    return document ? document->database() : nullptr;
}

} // namespace

bool CTextStyleEnumBase::IsAnnotativeStyle(const std::wstring& name)
{
    DkDbDatabase* db = ActiveDatabase();
    return db && AnnotativeInTable(db->textStyleTableId(), name);
}

long CTextStyleEnumBase::GetPropertyByDispId(IDispatch* object, DISPID dispid, VARIANT& value)
{
    if (!object)
        return E_POINTER;
    DISPPARAMS none{};
    return object->Invoke(dispid, IID_NULL, kPropertyLocale, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
}

long CTextStyleEnumBase::PutPropertyByDispId(IDispatch* object, DISPID dispid, VARIANT& value)
{
    return dkpex::PutProperty(object, dispid, value);
}

long CTextStyleEnumBase::PreSetPropertyValue(IDispatch* object, long dispid)
{
    // A dynamic property's value is not the object's to give: every object counts as changing.
    if (dispid == kDynamicPropertyDispid)
    {
        SetPreviousStyleName(std::wstring());
        return S_OK;
    }
    dkfw::UniqueVariant value;
    const long hr = GetPropertyByDispId(object, dispid, *value.Put());
    if (FAILED(hr))
        return hr;
    dkfw::UniqueVariant text;
    SetPreviousStyleName(SUCCEEDED(::VariantChangeType(text.Put(), value.Addr(), 0, VT_BSTR)) && text.Get().bstrVal
                             ? std::wstring(text.Get().bstrVal, ::SysStringLen(text.Get().bstrVal))
                             : std::wstring());
    return S_OK;
}

CPropertyEditorDimStyle::CPropertyEditorDimStyle() = default;

bool CPropertyEditorDimStyle::IsAnnotativeStyle(const std::wstring& name)
{
    DkDbDatabase* db = ActiveDatabase();
    return db && AnnotativeInTable(db->dimStyleTableId(), name);
}

long CPropertyEditorDimStyle::PostSetPropertyValue(IDispatch* object)
{
    return SyncAnnotative(object);
}

CPropertyEditorTextStyle::CPropertyEditorTextStyle() = default;

long CPropertyEditorTextStyle::PostSetPropertyValue(IDispatch* object)
{
    const std::wstring chosen = ChosenName();
    if (chosen == m_previous || ChoseSpecialEntry())
        return S_OK;
    SyncAnnotative(object);
    // What the style sets for the text it is given to.
    DkDbDatabase* db = dkdbHostApplicationServices() ? dkdbHostApplicationServices()->workingDatabase() : nullptr;
    DkDbSymbolTable* table = nullptr;
    if (!db || dkdbOpenObject(table, db->textStyleTableId(), DkDb::kForRead) != Drvk::eOk || !table)
        return E_FAIL;
    DkDbObjectId id;
    DkDbTextStyleTableRecord* style = nullptr;
    const bool found = table->getAt(chosen.c_str(), id) == Drvk::eOk &&
                       dkdbOpenObject(style, id, DkDb::kForRead) == Drvk::eOk && style;
    table->close();
    if (!found)
        return E_FAIL;
    const double width = style->xScale();
    const double oblique = style->obliquingAngle();
    const int flags = style->flagBits();
    style->close();

    // A setting the object does not have (a multiline text has no backward flag) is not
    // one it failed to take.
    long hr = S_OK;
    auto put = [&](const wchar_t* name, VARIANT value)
    {
        DISPID dispid = DISPID_UNKNOWN;
        if (dkpex::DispidOfName(object, name, dispid))
            hr = PutPropertyByDispId(object, dispid, value);
    };
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = width;
    put(L"ScaleFactor", v);
    v.dblVal = oblique;
    put(L"ObliqueAngle", v);
    v.vt = VT_BOOL;
    v.boolVal = (flags & 4) ? VARIANT_TRUE : VARIANT_FALSE;
    put(L"UpsideDown", v);
    v.boolVal = (flags & 2) ? VARIANT_TRUE : VARIANT_FALSE;
    put(L"Backward", v);
    return hr;
}

CPropertyEditorMTextStyle::CPropertyEditorMTextStyle() = default;

long CPropertyEditorMTextStyle::PostSetPropertyValue(IDispatch* object)
{
    if (ChosenName() == m_previous || ChoseSpecialEntry())
        return S_OK;
    return SyncAnnotative(object);
}

CPropertyEditorTableStyle::CPropertyEditorTableStyle() = default;

long CPropertyEditorTableStyle::PostSetPropertyValue(IDispatch* object)
{
    return SyncAnnotative(object);
}

CPropertyEditorMLeaderStyle::CPropertyEditorMLeaderStyle() = default;

bool CPropertyEditorMLeaderStyle::IsAnnotativeStyle(const std::wstring& name)
{
    DkDbDatabase* db = ActiveDatabase();
    DkDbDictionary* dictionary = nullptr;
    if (!db || dkdbOpenObject(dictionary, db->mleaderStyleDictionaryId(), DkDb::kForRead) != Drvk::eOk || !dictionary)
        return false;
    DkDbObjectId id;
    const bool found = dictionary->getAt(name.c_str(), id) == Drvk::eOk;
    dictionary->close();
    DkDbObject* style = nullptr;
    if (!found || dkdbOpenObject(style, id, DkDb::kForRead) != Drvk::eOk || !style)
        return false;
    auto* extension = DkDbAnnotativeObjectPE::cast(style->queryX(DkDbAnnotativeObjectPE::desc()));
    const bool answer = extension && extension->annotative(style);
    style->close();
    return answer;
}

long CPropertyEditorMLeaderStyle::PostSetPropertyValue(IDispatch* object)
{
    return SyncAnnotative(object);
}

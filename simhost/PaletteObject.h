// A palette object: the host's automation object of one drawing object. Its IDispatch
// answers from the class's type information and the drawing; per property it can offer
// the unspecified state, an expression, editability and predefined values, and fail on
// purpose (the host's fault injection).
#pragma once

#include "Drawing.h"

#include "CustomValues.h"
#include "DkPiHost.h"

#include "ComObject.h"

#include <ocidl.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dkhost
{
// How one property of one object behaves beyond its value.
struct PropertyTraits
{
    bool unspecifiedAllowed = false;
    bool unspecified = false;
    std::wstring unspecifiedText;
    bool expressionSupported = false;
    std::wstring expression;
    bool hasEditable = false;
    bool editable = true;
    std::vector<std::pair<std::wstring, LONG>> predefined; // text and value
    bool predefinedValueNotImpl = false;
    SCODE getFault = 0; // a get fails with DISP_E_EXCEPTION carrying this code
    SCODE putFault = 0;
    std::wstring faultDescription;
    // The property page IPerPropertyBrowsing maps the property to, where it is not the
    // host's own choice (CLSID_NULL: none).
    std::optional<CLSID> page;
    // Special values beside the ordinary ones: names and values, the one held (-1: none),
    // and a list that cannot be given.
    CustomValues custom;
    int customHeld = -1;
    bool customFault = false;
    // Element access: a write of one element fails (at any element, or at the one cookie),
    // a read fails; the elements' expressions.
    bool elementFault = false;
    long elementFaultCookie = -1;
    bool elementGetFault = false;
    std::map<DWORD, std::wstring> elementExpressions;
    // What a get answers in place of the value (a test switch; null: the value).
    std::shared_ptr<dkfw::UniqueVariant> raw;
};

// A name a property offers through IPerPropertyBrowsing, with the value it stands for.
struct Choice
{
    std::wstring name;
    dkfw::UniqueVariant value;
};

#define DK_ENTITY_RESERVED                                                                                             \
    STDMETHODIMP Reserved3() noexcept override                                                                         \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved4() noexcept override                                                                         \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved5() noexcept override                                                                         \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved6() noexcept override                                                                         \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved7() noexcept override                                                                         \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved8() noexcept override                                                                         \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved9() noexcept override                                                                         \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved10() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved11() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved12() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved13() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved14() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved15() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved16() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved17() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved18() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved19() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved20() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved21() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved22() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved23() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved24() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved25() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved26() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved27() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved28() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved29() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved30() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved31() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved32() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved33() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved34() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved35() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved36() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved37() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved38() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved39() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved40() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved41() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved42() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved43() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved44() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved45() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved46() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved47() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved48() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved49() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved50() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved51() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved52() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved53() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved54() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved55() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved56() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved57() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved58() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved59() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved60() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved61() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved62() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved63() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved64() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved65() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved66() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved67() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved68() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved69() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved70() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved71() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved72() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved73() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved74() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved75() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved76() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved77() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved78() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved79() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved80() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved81() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }                                                                                                                  \
    STDMETHODIMP Reserved82() noexcept override                                                                        \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }

class PaletteObject : public dkfw::ComImplements<IDispatch, IDkBaseObject>,
                      public IDkEntity,
                      public IPropertyUnspecified,
                      public IPropertyExpression,
                      public IPropertyExtension,
                      public IPerPropertyBrowsing,
                      public IDkPropertyCustomValues,
                      public IDkPropertyElements,
                      public IDkPropertyElementsOf,
                      public IDkPropertyElementExpressions,
                      public IDkAttributeKind,
                      public IDkAttributeDefinitionKind,
                      public IDkDialogOnReadOnly,
                      public IDkBaseObject2,
                      public IDkCallout,
                      public IDkSection
{
public:
    PaletteObject(Drawing* drawing, LONG_PTR id) noexcept
        : m_drawing(drawing), m_id(id), m_record(drawing ? drawing->Find(id) : nullptr)
    {
    }

    IDispatch* AsDispatch() noexcept { return static_cast<IDispatch*>(this); }
    // The drawing is gone: every call fails from now on.
    void Detach() noexcept { m_drawing = nullptr; }
    LONG_PTR Id() const noexcept { return m_id; }
    PropertyTraits& Traits(DISPID dispid) { return m_traits[dispid]; }
    ULONG Refs() noexcept
    {
        AsDispatch()->AddRef();
        return AsDispatch()->Release();
    }

    long reads = 0;      // property gets through IDispatch
    long writes = 0;     // successful property puts
    long updates = 0;    // IDkEntity::Update calls
    LCID lastLocale = 0; // the locale of the latest property get or put
    HRESULT updateResult = S_OK;
    // The host's switches: the object's dynamic properties keep their dialog where they are
    // read-only (IDkDialogOnReadOnly); no hyperlink it hands out can be read; the type
    // information it gives instead of its class's.
    bool dialogOnReadOnly = false;
    bool hyperlinksUnreadable = false;
    dkfw::ComPtr<ITypeInfo> typeInfo;
    LONG_PTR eraseWhenWritten = 0; // an entity a reactor erases when this object takes a value
    // A hatch's switches: Evaluate fails whatever the pattern, with this description as the
    // error information (none when empty); SetPattern fails; the object hides its entity
    // interface.
    bool evaluateFault = false;
    std::wstring evaluateFaultDescription;
    bool patternFault = false;
    bool noEntityInterface = false;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                        UINT* argErr) noexcept override;

    // IDkBaseObject
    STDMETHODIMP GetDatabase(IUnknown** database) noexcept override;
    STDMETHODIMP GetObjectId(LONG_PTR* id) noexcept override;
    STDMETHODIMP SetObjectId(LONG_PTR) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetClassId(CLSID* clsid) noexcept override;

    // IDkEntity; the pattern operations are a hatch's only (E_NOTIMPL for any other entity).
    DK_ENTITY_RESERVED
    STDMETHODIMP Update() noexcept override;
    STDMETHODIMP SetPattern(long type, BSTR name) noexcept override;
    STDMETHODIMP get_PatternType(long* type) noexcept override;
    STDMETHODIMP get_PatternName(BSTR* name) noexcept override;
    STDMETHODIMP Evaluate() noexcept override;

    // IPropertyUnspecified
    STDMETHODIMP IsValueUnspecified(VARIANT varId, VARIANT_BOOL* unspecified) noexcept override;
    STDMETHODIMP SetValueUnspecified(VARIANT varId, VARIANT_BOOL unspecified) noexcept override;
    STDMETHODIMP IsUnspecifiedAllowed(VARIANT varId, VARIANT_BOOL* allowed) noexcept override;
    STDMETHODIMP GetUnspecifiedText(VARIANT varId, BSTR* text) noexcept override;

    // IPropertyExpression
    STDMETHODIMP IsExpressionProperty(VARIANT varId, VARIANT_BOOL* isExpression) noexcept override;
    STDMETHODIMP GetExpression(VARIANT varId, BSTR* expression) noexcept override;
    STDMETHODIMP SetExpression(VARIANT varId, BSTR expression) noexcept override;

    // IPropertyExtension
    STDMETHODIMP IsVisible(DISPID dispid, BOOL* visible) noexcept override;
    STDMETHODIMP IsEditable(DISPID dispid, BOOL* editable) noexcept override;
    STDMETHODIMP GetDisplayName(DISPID dispid, BSTR* name) noexcept override;

    // IPerPropertyBrowsing
    STDMETHODIMP GetDisplayString(DISPID dispid, BSTR* text) noexcept override;
    STDMETHODIMP MapPropertyToPage(DISPID dispid, CLSID* page) noexcept override;
    STDMETHODIMP GetPredefinedStrings(DISPID dispid, CALPOLESTR* strings, CADWORD* cookies) noexcept override;
    STDMETHODIMP GetPredefinedValue(DISPID dispid, DWORD cookie, VARIANT* value) noexcept override;

    // IDkPropertyCustomValues
    STDMETHODIMP GetCustomValues(DISPID dispid, LONG* count, BSTR** names, LONG** ids) noexcept override;
    STDMETHODIMP GetCustomValue(DISPID dispid, LONG id, VARIANT* value) noexcept override;
    STDMETHODIMP GetCurrentCustomValue(IUnknown* object, DISPID dispid, VARIANT* value) noexcept override;
    STDMETHODIMP SetCustomValue(VARIANT varId, VARIANT value) noexcept override;

    // IDkPropertyElements
    STDMETHODIMP GetElementValue(DISPID dispid, DWORD cookie, VARIANT* value) noexcept override;
    STDMETHODIMP SetElementValue(DISPID dispid, DWORD cookie, VARIANT value) noexcept override;
    STDMETHODIMP GetElementCount(DISPID dispid, LONG* count) noexcept override
    {
        return count ? ElementCounts(dispid, count, nullptr, nullptr) : E_POINTER;
    }
    STDMETHODIMP GetElementGrouping(DISPID dispid, short* perGroup) noexcept override
    {
        return perGroup ? ElementCounts(dispid, nullptr, perGroup, nullptr) : E_POINTER;
    }
    STDMETHODIMP GetGroupCount(DISPID dispid, LONG* groups) noexcept override
    {
        return groups ? ElementCounts(dispid, nullptr, nullptr, groups) : E_POINTER;
    }

    // IDkPropertyElementsOf: the object given is this one.
    STDMETHODIMP GetElementValue(DISPID dispid, IUnknown*, DWORD cookie, VARIANT* value) noexcept override
    {
        return GetElementValue(dispid, cookie, value);
    }
    STDMETHODIMP SetElementValue(DISPID dispid, IUnknown*, DWORD cookie, VARIANT value) noexcept override
    {
        return SetElementValue(dispid, cookie, value);
    }
    STDMETHODIMP GetElementCount(DISPID dispid, IUnknown*, LONG* count) noexcept override
    {
        return GetElementCount(dispid, count);
    }
    STDMETHODIMP GetElementGrouping(DISPID dispid, IUnknown*, short* perGroup) noexcept override
    {
        return GetElementGrouping(dispid, perGroup);
    }
    STDMETHODIMP GetGroupCount(DISPID dispid, IUnknown*, LONG* groups) noexcept override
    {
        return GetGroupCount(dispid, groups);
    }

    // IDkPropertyElementExpressions
    STDMETHODIMP GetElementHasExpression(DISPID dispid, IUnknown*, DWORD cookie, LONG* has) noexcept override;
    STDMETHODIMP SetElementExpression(DISPID dispid, IUnknown*, DWORD cookie, BSTR text) noexcept override;
    STDMETHODIMP GetElementExpression(DISPID dispid, IUnknown*, DWORD cookie, BSTR* text) noexcept override;

    // Which element interfaces the object answers (the host's switches).
    bool answersElements = true;
    bool answersElementsOf = true;

    // IDkAttributeKind and IDkAttributeDefinitionKind
    STDMETHODIMP get_MultilineFlag(VARIANT_BOOL* multiline) noexcept override;

    // IDkBaseObject2: the objects of an entity's parts (a multileader's leader lines).
    STDMETHODIMP GetOwnerObjectId(LONG_PTR* id) noexcept override;
    STDMETHODIMP GetSubentIndex(long* index) noexcept override;

    // IDkCallout
    STDMETHODIMP IsCallout(BOOL* callout) noexcept override;

    // IDkSection: a new settings object at each call, telling what the section makes.
    STDMETHODIMP get_Settings(IDispatch** settings) noexcept override;

protected:
    HRESULT QueryExtra(REFIID riid, void** ppv) noexcept override;

private:
    // Records live as long as their drawing, which detaches its palette objects when it goes.
    Record* Rec() const noexcept { return m_drawing ? m_record : nullptr; }
    const PropertyTraits* FindTraits(DISPID dispid) const noexcept;
    const PropertyTraits* TraitsOf(const VARIANT& varId) const noexcept;
    // The description the object answers with: its own where a switch gave it one.
    ITypeInfo* TypeInfo() const noexcept;
    // The special value held for a property from now on (-1 none), undoably.
    void HoldCustomValue(DISPID dispid, int held) noexcept;
    template <class Pred> bool AnyTraits(Pred p) const noexcept
    {
        for (const auto& [d, t] : m_traits)
            if (p(t))
                return true;
        return false;
    }
    HRESULT Get(const PropertySlot& slot, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep) noexcept;
    // A member that reads or writes one vertex of a list property (a polyline's
    // "Coordinate", a spline's control and fit points), written as the whole list would be.
    HRESULT InvokeVertexMember(DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excep) noexcept;
    HRESULT Put(const PropertySlot& slot, LCID locale, DISPPARAMS* params, EXCEPINFO* excep, UINT* argErr) noexcept;
    // The names (and values) the property offers: the ones set for this object, else the
    // property's own (its table's styles in table order, the justifications, the
    // enumeration's constants); false when it offers none. The list is kept for the value
    // look-ups that follow.
    bool LoadChoices(DISPID dispid);
    // The doubles of a point or list property, with their grouping; false for any other.
    bool Elements(DISPID dispid, std::vector<double>& numbers, int& perGroup);
    // How many elements, per group and groups the property has (each out may be null).
    HRESULT ElementCounts(DISPID dispid, LONG* count, short* perGroup, LONG* groups) noexcept;
    bool OffersChoices() const;
    // The record when it is a hatch that can be read (E_UNEXPECTED when it is gone or erased,
    // E_NOTIMPL for any other entity).
    HRESULT Hatch(Record*& r) const noexcept;

    Drawing* m_drawing;
    LONG_PTR m_id;
    Record* m_record;
    std::map<DISPID, PropertyTraits> m_traits;
    DISPID m_choicesFor = DISPID_UNKNOWN;
    std::vector<Choice> m_choices;
};

// Fills an exception record the way automation objects do and answers DISP_E_EXCEPTION.
HRESULT RaiseException(EXCEPINFO* excep, SCODE code, const std::wstring& description) noexcept;
} // namespace dkhost

// Text justification: the mixed-selection filter, and the placement that keeps the text
// where it was when its justification changes.
#include "PropertyEditorTextJustify.h"

#include "ObjectProperties.h"
#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"

#include "DkPiHost.h"
#include "Unique.h"

namespace
{
// Single-line text, and the two kinds of attribute, by their database class ids.
constexpr CLSID kTextClass = {0x90E52C50, 0x7EF4, 0x4DC1, {0xBD, 0xD0, 0xE2, 0xB8, 0xD0, 0xD3, 0xE4, 0xD3}};
constexpr CLSID kAttributeClass = {0x476B42EA, 0xEF37, 0x403D, {0x9B, 0xB2, 0xDF, 0xB9, 0x9E, 0x82, 0x32, 0x8B}};
constexpr CLSID kAttributeDefinitionClass = {
    0xE1A7F239, 0x4B51, 0x41A9, {0xA3, 0xEA, 0x6A, 0x0B, 0x80, 0xF7, 0x11, 0x68}};

// The highest value of the justifications a multiline attribute cannot take.
constexpr LONG kLastSingleLineOnly = 5;

enum class TextKind
{
    Other,
    SingleLine,
    Multiline,
};

TextKind KindOf(IUnknown* object)
{
    dkfw::ComPtr<IDkBaseObject> base;
    CLSID cls = CLSID_NULL;
    if (!object || FAILED(object->QueryInterface(IID_IDkBaseObject, base.PutVoid())) || FAILED(base->GetClassId(&cls)))
        return TextKind::Other;
    if (cls == kTextClass)
        return TextKind::SingleLine;
    if (cls != kAttributeClass && cls != kAttributeDefinitionClass)
        return TextKind::Other;
    return dkpex::AttributeIsMultiline(object) ? TextKind::Multiline : TextKind::SingleLine;
}

bool IsSingleLineOnly(const VARIANT& v)
{
    return v.vt == VT_I4 && v.lVal >= 0 && v.lVal <= kLastSingleLineOnly;
}
} // namespace

CPropertyEditorTextJustify::CPropertyEditorTextJustify()
{
    m_bNeedsCurrentDocument = TRUE;
    m_twoPointA = dkpex::LoadResString(IDS_JUSTIFY_ALIGNED);
    m_twoPointB = dkpex::LoadResString(IDS_JUSTIFY_FIT);
    m_measuring = dkpex::LoadResString(IDS_JUSTIFY_MEASURE);
    m_basePoint = dkpex::LoadResString(IDS_JUSTIFY_BASE_POINT);
}

long CPropertyEditorTextJustify::LoadItems(ValueType kind)
{
    const long hr = CDkPeEnumBase::LoadItems(kind);
    if (FAILED(hr))
        return hr;
    // Every justification the objects offer stays known, also the ones a mixed selection
    // cannot share: an object's own justification and the measuring one are looked up there.
    m_names.clear();
    for (const EnumItem& item : m_items)
    {
        EnumItem copy;
        copy.name = item.name;
        copy.value.CopyFrom(item.value.Get());
        m_names.push_back(std::move(copy));
    }
    if (m_nObjects < 2 || !m_ppObjects)
        return S_OK;
    bool single = false;
    bool multiline = false;
    for (int i = 0; i < m_nObjects; ++i)
    {
        const TextKind k = KindOf(m_ppObjects[i]);
        single = single || k == TextKind::SingleLine;
        multiline = multiline || k == TextKind::Multiline;
    }
    if (!single || !multiline)
        return S_OK;
    for (size_t i = m_items.size(); i-- > 0;)
        if (IsSingleLineOnly(m_items[i].value.Get()))
        {
            m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
            if (m_trailing.unspecified > 0)
                --m_trailing.unspecified;
            if (m_trailing.varies >= 1)
                --m_trailing.varies;
        }
    return S_OK;
}

long CPropertyEditorTextJustify::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids,
                                                        short bReadOnly)
{
    // The identifiers are looked up again for a new selection: an object that went may leave
    // its address to another of another class.
    m_idMap.clear();
    return CDkPeEnumBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly);
}

long CPropertyEditorTextJustify::FillList()
{
    return CDkPeEnumBase::FillList();
}

std::wstring CPropertyEditorTextJustify::ChosenName() const
{
    HWND hwnd = m_pCombo ? m_pCombo->Hwnd() : nullptr;
    const int index = hwnd ? static_cast<int>(::SendMessageW(hwnd, CB_GETCURSEL, 0, 0)) : -1;
    return index < 0 ? std::wstring() : m_pCombo->ItemText(index);
}

long CPropertyEditorTextJustify::OwnName(IDispatch* object, DISPID dispid, std::wstring& name)
{
    dkfw::UniqueVariant value;
    DISPPARAMS none{};
    const HRESULT hr =
        object->Invoke(dispid, IID_NULL, kPropertyLocale, DISPATCH_PROPERTYGET, &none, value.Put(), nullptr, nullptr);
    if (FAILED(hr))
        return hr;
    for (const EnumItem& item : m_names)
        if (Matches(item.value.Get(), value.Get()))
        {
            name = item.name;
            return S_OK;
        }
    name.clear();
    return S_OK;
}

long CPropertyEditorTextJustify::WriteByName(IDispatch* object, const std::wstring& name)
{
    for (const EnumItem& item : m_names)
        if (item.name == name)
        {
            dkfw::UniqueVariant value;
            if (FAILED(::VariantChangeType(value.Put(), const_cast<VARIANT*>(&item.value.Get()), 0, VT_I4)))
                return E_FAIL;
            return dkpex::PutProperty(object, m_ids.alignment, *value.Addr());
        }
    return E_FAIL;
}

bool CPropertyEditorTextJustify::LookUpIds(IDispatch* object)
{
    if (const auto it = m_idMap.find(object); it != m_idMap.end())
    {
        m_ids = it->second;
        return true;
    }
    TextJustifyDispIDs ids;
    const std::pair<const wchar_t*, DISPID*> wanted[] = {
        {L"TextAlignmentPoint", &ids.alignmentPoint}, {L"Height", &ids.height},     {L"Alignment", &ids.alignment},
        {L"InsertionPoint", &ids.insertionPoint},     {L"Rotation", &ids.rotation}, {L"ScaleFactor", &ids.scaleFactor}};
    for (const auto& [name, id] : wanted)
        if (!dkpex::DispidOfName(object, name, *id))
            return false;
    m_idMap[object] = ids;
    m_ids = ids;
    return true;
}

long CPropertyEditorTextJustify::PutNumber(IDispatch* object, DISPID dispid, double value)
{
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = value;
    return dkpex::PutProperty(object, dispid, v);
}

long CPropertyEditorTextJustify::ReadPoint(IDispatch* object, DISPID dispid, Point& p)
{
    for (DWORD i = 0; i < 3; ++i)
        if (const HRESULT hr = dkpex::GetElementNumber(object, dispid, i, p[i]); FAILED(hr))
            return hr;
    return S_OK;
}

long CPropertyEditorTextJustify::WritePoint(IDispatch* object, DISPID dispid, const Point& p)
{
    for (DWORD i = 0; i < 3; ++i)
        if (const HRESULT hr = dkpex::SetElementNumber(object, dispid, i, p[i]); FAILED(hr))
            return hr;
    return S_OK;
}

long CPropertyEditorTextJustify::PlaceTwoPoints(IDispatch* object, const Point& p)
{
    const Point second{p[0] + m_measured[0], p[1] + m_measured[1], p[2] + m_measured[2]};
    const long hr = WritePoint(object, m_ids.alignmentPoint, second);
    return FAILED(hr) ? hr : WritePoint(object, m_ids.insertionPoint, p);
}

long CPropertyEditorTextJustify::PreSetPropertyValue(IDispatch* object, long dispid)
{
    if (!object)
        return E_POINTER;
    const std::wstring chosen = ChosenName();
    dkpex::EnsureSharedTexts();
    if (!m_currentText.empty() && m_currentText != dkpex::VariesText() && m_currentText != m_unspecifiedText)
        m_previous = m_currentText;
    else if (const long hr = OwnName(object, dispid, m_previous); FAILED(hr))
        return hr;
    if (m_previous == chosen)
        return S_OK;
    if (!LookUpIds(object))
        return E_FAIL;
    if (const long hr = ReadPoint(object, m_ids.alignmentPoint, m_savedAlignment); FAILED(hr))
        return hr;
    if (const long hr = ReadPoint(object, m_ids.insertionPoint, m_savedInsertion); FAILED(hr))
        return hr;
    if (IsTwoPoint(m_previous) || !IsTwoPoint(chosen))
        return S_OK;
    // The text's natural extent, measured unturned in the measuring justification; then the
    // object goes back to its own justification.
    PutNumber(object, m_ids.rotation, 0.0);
    WriteByName(object, m_measuring);
    if (m_previous == m_basePoint)
        WritePoint(object, m_ids.alignmentPoint, m_savedInsertion);
    Point insertion{};
    Point alignment{};
    ReadPoint(object, m_ids.insertionPoint, insertion);
    ReadPoint(object, m_ids.alignmentPoint, alignment);
    for (size_t i = 0; i < 3; ++i)
        m_measured[i] = alignment[i] - insertion[i];
    WriteByName(object, m_previous);
    if (m_previous == m_basePoint)
        WritePoint(object, m_ids.insertionPoint, m_savedInsertion);
    return S_OK;
}

long CPropertyEditorTextJustify::PostSetPropertyValue(IDispatch* object)
{
    const std::wstring chosen = ChosenName();
    if (chosen == m_previous)
        return S_OK;
    const auto it = object ? m_idMap.find(object) : m_idMap.end();
    if (it == m_idMap.end())
        return E_FAIL;
    m_ids = it->second;
    long hr = S_OK;
    if (IsTwoPoint(m_previous))
    {
        if (chosen == m_twoPointA)
            hr = PutNumber(object, m_ids.scaleFactor, 1.0);
        else if (chosen == m_twoPointB)
            hr = PutNumber(object, m_ids.height, 1.0);
        else
        {
            hr = PutNumber(object, m_ids.rotation, 0.0);
            if (chosen != m_basePoint)
                hr = WritePoint(object, m_ids.alignmentPoint, m_savedInsertion);
            hr = m_previous == m_twoPointA ? PutNumber(object, m_ids.height, 1.0)
                                           : PutNumber(object, m_ids.scaleFactor, 1.0);
        }
    }
    else if (m_previous == m_basePoint)
        hr = IsTwoPoint(chosen) ? PlaceTwoPoints(object, m_savedInsertion)
                                : WritePoint(object, m_ids.alignmentPoint, m_savedInsertion);
    else if (chosen == m_basePoint)
        hr = WritePoint(object, m_ids.insertionPoint, m_savedAlignment);
    else if (IsTwoPoint(chosen))
        hr = PlaceTwoPoints(object, m_savedAlignment);
    return hr;
}

// CPropertyEditorTextJustify: the justification of single-line text and attributes. The
// choices are the object's own; a change of justification keeps the text where it was, by
// moving its reference points and resetting the size a two-point justification worked out.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "DkPeEnumBase.h"

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

// The properties the placement reads and writes, found by name in each object's type
// description.
struct TextJustifyDispIDs
{
    DISPID alignmentPoint = -1; // "TextAlignmentPoint"
    DISPID height = -1;         // "Height"
    DISPID alignment = -1;      // "Alignment"
    DISPID insertionPoint = -1; // "InsertionPoint"
    DISPID rotation = -1;       // "Rotation"
    DISPID scaleFactor = -1;    // "ScaleFactor"
};

class CPropertyEditorTextJustify : public CDkPeComboTempl<CPropertyEditorTextJustify, CDkPeEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorTextJustify; }

    CPropertyEditorTextJustify();

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long LoadItems(ValueType kind) override;
    long FillList() override;
    long PreSetPropertyValue(IDispatch* object, long dispid) override;
    long PostSetPropertyValue(IDispatch* object) override;

private:
    using Point = std::array<double, 3>;

    std::wstring ChosenName() const;
    // The name of the justification the object has; fails when it cannot be read.
    long OwnName(IDispatch* object, DISPID dispid, std::wstring& name);
    // Writes "Alignment" with the value of the entry of that name.
    long WriteByName(IDispatch* object, const std::wstring& name);
    bool LookUpIds(IDispatch* object);
    long PutNumber(IDispatch* object, DISPID dispid, double value);
    long ReadPoint(IDispatch* object, DISPID dispid, Point& p);
    long WritePoint(IDispatch* object, DISPID dispid, const Point& p);
    // The alignment point at p plus the measured offset, then the insertion point at p.
    long PlaceTwoPoints(IDispatch* object, const Point& p);
    bool IsTwoPoint(const std::wstring& name) const { return name == m_twoPointA || name == m_twoPointB; }

    Point m_savedAlignment{};
    Point m_savedInsertion{};
    Point m_measured{};
    std::wstring m_previous;
    std::wstring m_twoPointA;
    std::wstring m_twoPointB;
    std::wstring m_measuring;
    std::wstring m_basePoint;
    // Every justification the objects offer, before the mixed-selection filter.
    std::vector<EnumItem> m_names;
    TextJustifyDispIDs m_ids;
    std::unordered_map<IDispatch*, TextJustifyDispIDs> m_idMap;
};

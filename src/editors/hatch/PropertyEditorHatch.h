// The hatch editors: drop-downs of a hatch's choices (the hatch filled anew after each
// write), its ISO pen width and its gradient with a preview of each; the pattern name, typed
// or picked in the host's pattern palette; the pattern type, chosen in a dialog with the name.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "DkPeEnumBase.h"
#include "PropertyEditorEllipses.h"

#include "ComPtr.h"

#include <string>
#include <vector>

// The hatch is filled anew from its boundary and pattern (the entity's Evaluate): its result,
// or the failure of asking the object for its entity interface.
long EvaluateHatch(IUnknown* object);

// Any enumerated hatch property.
class CPropertyEditorHatchEnum : public CDkPeComboTempl<CPropertyEditorHatchEnum, CDkPeEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorHatchEnum; }
    CPropertyEditorHatchEnum();

    long PostSetPropertyValue(IDispatch* object) override;
};

// The ISO pen width: the hatch's choices without the one of value -1.
class CPropertyEditorHatchISOPenWidth : public CDkPeComboTempl<CPropertyEditorHatchISOPenWidth, CDkPeEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorHatchISOPenWidth; }
    CPropertyEditorHatchISOPenWidth();

    long PostSetPropertyValue(IDispatch* object) override;
    long LoadItems(ValueType kind) override;
};

// A gradient fill's pattern: each of the first nine entries with its preview picture.
class CPropertyEditorGradientPattern : public CDkPeComboTempl<CPropertyEditorGradientPattern, CDkPeEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorGradientPattern; }
    CPropertyEditorGradientPattern();

    long CreateComboWindow(const RECT& rect) override;
    long FillList() override;
    int GetCurrentIndex() override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long GetTextTipWidth(int& width) override;
    long GetComboTextTipWidth(int index, int& width) override;

private:
    CComboBmp* BmpCombo() const noexcept;
};

// The pattern name: typed while the hatches' pattern is predefined, or picked in the host's
// pattern palette; a selection holding a user-defined hatch is read-only.
class CPropertyEditorHatchPatternName
    : public CDkPeButtonEditTempl<CPropertyEditorHatchPatternName, CDkPeEllipsisButtonEdit>
{
public:
    using ClassInterfaces = dkpex::Interfaces<>;

    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorHatchPatternName; }
    CPropertyEditorHatchPatternName();

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long Handle_Refresh() override;
    long PropReadOnly(int& readOnly) override;
    long BeginEdit(const RECT& rect) override;
    // Applies a typed name; only a specified value.
    long SetPropertyValue(VARIANT* value, ValueType valueType) override;
    long OnButtonClicked(int id) override;

private:
    // The name may be typed or picked: the hatches' values vary, or the first one's pattern
    // is predefined.
    bool IsEditable();
    // The button and the edit box follow IsEditable.
    void ApplyEditable();
    // Read-only while any selected hatch has a user-defined pattern.
    long CheckUserDefined();
    // The name as a custom pattern on each hatch the user may change, each filled anew.
    // On the hatches given (already checked), else on each writable hatch of the selection.
    long ApplyName(const std::wstring& name, const std::vector<dkfw::ComPtr<IDkEntity>>* checked = nullptr);

    bool m_anyUserDefined = false;
};

// The pattern type, shown by its name; the button opens the pattern type dialog.
class CPropertyEditorEllipsisHatchPatternType
    : public CDkPeButtonEditTempl<CPropertyEditorEllipsisHatchPatternType, CDkPeEllipsisButtonEdit>
{
public:
    using ClassInterfaces = dkpex::Interfaces<>;

    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorEllipsisHatchPatternType; }
    CPropertyEditorEllipsisHatchPatternType();

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long FormatValueText(CString& text, const VARIANT& value) override;
    long OnButtonClicked(int id) override;

private:
    // The type names, by value, from the first object's choices (read once).
    std::vector<std::wstring> m_typeNames;
    bool m_typeNamesRead = false;
};

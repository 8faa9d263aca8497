// CDkPeVariantBase: one component (x, y, z or any numbered element) of one vertex of the
// selected objects, read and written through the host's element interface; the vertex
// marked in the drawing while the row is active; the palette told to move on after x.
#pragma once

#include "DkPeButtonEditBase.h"

#include <optional>
#include <vector>

class CDkPeVariantBase : public CDkPeButtonEditBase
{
public:
    CDkPeVariantBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);

    long Cleanup() override;
    long BeginEdit(const RECT& rect) override;
    long EndEdit() override;
    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long SetPropertyValue(VARIANT* value, ValueType valueType) override;
    long ComparePropertyValue(VARIANT* a, VARIANT* b, int& result) override;
    long MouseClick(UINT flags, POINT point) override;
    long Handle_Refresh() override;
    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;

    // The palette's configuration: each selected object's element number, the first element
    // of the current vertex, elements per vertex, the numeric kind.
    long SetDwCookies(const VARIANT& cookies);
    long SetGroupOffset(ULONG offset);
    long SetElementCount(ULONG count);
    long SetNumericType(int type);

    // The element over the selection (the value, varies), or the first object's element at
    // the given cookie.
    long ReadElement(VARIANT* value, ValueType& valueType, const ULONG* cookie = nullptr);
    // value (type 0) or an expression's text (type 3) into every selected object's element.
    long WriteElement(VARIANT* value, ValueType valueType);
    // Marks the current vertex in the drawing (its sub-entities for a surface-driven object).
    void MarkVertex();
    // The module's one vertex mark goes.
    static void EraseVertexMark() noexcept;

    ULONG GroupOffset() const noexcept { return m_groupOffset; }
    ULONG ElementCount() const noexcept { return m_elementCount; }

protected:
    // Every selected object is of a class whose vertices have x and y only.
    bool TwoCoordinateSelection() const;
    bool TwoCoordinateObject(int index) const;
    // A number of this row as its text: no units, or the drawing's linear units.
    long FormatElement(const VARIANT& value, CString& text);
    // An object's description of a failed write, shown to the user.
    void TellObjectError(HRESULT hr, EXCEPINFO* excep = nullptr);
    // Every selected object has this row's element of the current vertex (none erased, no
    // vertex past an object's list): a write touches all of them or none.
    bool EveryObjectHasTheElement();

    std::vector<ULONG> m_cookies;
    ULONG m_groupOffset = 0;
    ULONG m_elementCount = 0;
    bool m_alwaysRW = false;
    VARTYPE m_propertyValueType = VT_R8;

private:
    // One object's element and its expression.
    HRESULT ReadOne(int index, ULONG cookie, VARIANT* value, bool& hasExpression, CString& expression,
                    bool& noInterface);
    void UpdateReadOnly();
    // Whether a failed read of the first kind of objects counts as an empty value.
    bool ExcusedFailure(int index, ULONG cookie, HRESULT hr) const;
    void StepToNextRow();
    // While a read compares: its first value and that value's text.
    const VARIANT* m_firstRead = nullptr;
    std::optional<CString> m_firstText;
    // The row's text from the objects, or nothing where the element cannot be read.
    long ShowElement();
};

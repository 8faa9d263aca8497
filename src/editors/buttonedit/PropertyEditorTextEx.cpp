// The extended text editor.
#include "PropertyEditorTextEx.h"

CPropertyEditorTextEx::CPropertyEditorTextEx()
{
    // The expression button sits at the row's right end.
    m_buttonSide = kRight;
}

long CPropertyEditorTextEx::GetPropertyValue(VARIANT* value, ValueType& valueType)
{
    const long hr = CDkPeButtonEditBase::GetPropertyValue(value, valueType);
    if (SUCCEEDED(hr) && m_expressionState >= 1 && m_expressionState <= 3)
        SetExpressionButton(m_expressionState);
    return hr;
}

long CPropertyEditorTextEx::SetPropertyValue(VARIANT* value, ValueType valueType)
{
    const long hr = CDkPeCtrlBase::SetPropertyValue(value, valueType);
    if (FAILED(hr) && m_expressionState != 0)
        return CDkPeCtrlBase::SetPropertyValue(value, ValueExpression);
    return hr;
}

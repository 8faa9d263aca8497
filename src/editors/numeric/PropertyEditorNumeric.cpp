// CPropertyEditorNumeric: any numeric property in its own value type.
#include "PropertyEditorNumeric.h"

CPropertyEditorNumeric::CPropertyEditorNumeric()
    : CDkPeButtonEditTempl<CPropertyEditorNumeric, CDkPeNumericEditBase>(true)
{
}

long CPropertyEditorNumeric::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    return InitLearningValueType(objs, dynProps, dispids, bReadOnly);
}

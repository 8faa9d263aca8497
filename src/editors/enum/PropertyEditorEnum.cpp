// CPropertyEditorEnum: the choice editor with the enumerated-choice base's list.
#include "PropertyEditorEnum.h"

CPropertyEditorEnum::CPropertyEditorEnum()
    : CDkPeEnumBase(static_cast<CIPropEditUIEvents*>(this), static_cast<CDkPeBasePrivate*>(this))
{
}

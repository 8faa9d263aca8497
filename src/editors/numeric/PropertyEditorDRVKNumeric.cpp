// CPropertyEditorDRVKNumeric: a double read as a distance, an angle, a raw angle or a plain
// number, as the palette configures the row.
#include "PropertyEditorDRVKNumeric.h"

CPropertyEditorDRVKNumeric::CPropertyEditorDRVKNumeric()
    : CDkPeButtonEditTempl<CPropertyEditorDRVKNumeric, CDkPeNumericEditBase>(true)
{
    m_numericDataType = PE_DRVK_NOUNITS;
}

HRESULT CPropertyEditorDRVKNumeric::SetNumericDataType(DkPeNumericType dataType) noexcept
{
    switch (dataType)
    {
    case PE_DRVK_DISTANCE:
    case PE_DRVK_ANGLE:
    case PE_DRVK_NOUNITS:
    case PE_DRVK_RAW_ANGLE:
        m_numericDataType = dataType;
        return S_OK;
    default:
        return E_FAIL;
    }
}

void CPropertyEditorDRVKNumeric::FormatNumber(const VARIANT& value, CString& text)
{
    text.clear();
    if (IsCurrentDocumentDatabase())
        dkpex::FormatByNumericType(value, m_numericDataType, text);
}

bool CPropertyEditorDRVKNumeric::ParseNumber(const CString& text, VARIANT* value)
{
    return IsCurrentDocumentDatabase() && dkpex::ParseByNumericType(text, m_numericDataType, value);
}

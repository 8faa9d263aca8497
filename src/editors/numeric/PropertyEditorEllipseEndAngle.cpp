// CPropertyEditorEllipseEndAngle: the end angle of an elliptical arc, where a full turn
// stays a full turn.
#include "PropertyEditorEllipseEndAngle.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"

#include <cmath>

namespace
{
constexpr double kFullTurn = 6.283185307179586;
constexpr double kTolerance = 1e-6;

// A full turn reads as the full turn of the angular units ("360.0000", "400g"), not as zero.
void RewriteFullTurn(CString& text)
{
    UINT a = 0;
    UINT b = 0;
    CTemporaryResourceOverride resources;
    switch (dkpex::HostShort(L"AUNITS", 0))
    {
    case 0:
        a = IDS_FULL_TURN_DEGREES;
        b = IDS_FULL_TURN_DECIMAL_MARK;
        break;
    case 1:
        a = IDS_FULL_TURN_DEGREES;
        b = IDS_FULL_TURN_DEGREE_MARK;
        break;
    case 2:
    {
        a = IDS_FULL_TURN_GRADS;
        const std::wstring mark = dkpex::LoadResString(IDS_FULL_TURN_DECIMAL_MARK);
        b = !mark.empty() && text.find(mark[0]) != CString::npos ? IDS_FULL_TURN_DECIMAL_MARK : IDS_FULL_TURN_GRAD_MARK;
        break;
    }
    default:
        return;
    }
    const std::wstring turn = dkpex::LoadResString(a);
    const std::wstring mark = dkpex::LoadResString(b);
    const size_t at = mark.empty() ? CString::npos : text.find(mark[0]);
    text = turn + (at == CString::npos ? CString() : text.substr(at));
}
} // namespace

CPropertyEditorEllipseEndAngle::CPropertyEditorEllipseEndAngle()
    : CDkPeButtonEditTempl<CPropertyEditorEllipseEndAngle, CDkPeNumericEditBase>(false)
{
    m_numericDataType = PE_DRVK_ANGLE;
}

HRESULT CPropertyEditorEllipseEndAngle::SetNumericDataType(DkPeNumericType dataType) noexcept
{
    if (dataType != PE_DRVK_DISTANCE && dataType != PE_DRVK_ANGLE && dataType != PE_DRVK_NOUNITS)
        return E_FAIL;
    m_numericDataType = dataType;
    return S_OK;
}

void CPropertyEditorEllipseEndAngle::FormatNumber(const VARIANT& value, CString& text)
{
    text.clear();
    double d = 0;
    if (m_numericDataType != PE_DRVK_ANGLE || !dkpex::FormatByNumericType(value, PE_DRVK_ANGLE, text) ||
        !NumericAsDouble(value, d))
        return;
    if (std::fabs(d - kFullTurn) < kTolerance)
        RewriteFullTurn(text);
}

bool CPropertyEditorEllipseEndAngle::ParseNumber(const CString& text, VARIANT* value)
{
    if (m_numericDataType != PE_DRVK_ANGLE || !dkpex::ParseByNumericType(text, PE_DRVK_ANGLE, value))
        return false;
    // A typed zero (" 0", "-0" too) is no full turn.
    const size_t first = text.find_first_not_of(L" +-");
    if (std::fabs(value->dblVal) < kTolerance && (first == CString::npos || text[first] != L'0'))
        value->dblVal = kFullTurn;
    return true;
}

// The host's calculator, loaded on demand from its module "DkMgd.dll": the dialog evaluates
// an arithmetic expression over numbers in the drawing's units and hands back what it made.
#pragma once

// The unit of a calculator result: the power of length it carries (0 a plain number,
// 1 a distance, 2 an area).
class DkCalCompoundUnit
{
public:
    DkCalCompoundUnit() noexcept = default;
    explicit DkCalCompoundUnit(int lengthPower) noexcept : m_lengthPower(lengthPower) {}

    bool IsArea() const noexcept { return m_lengthPower == 2; }
    bool IsUnitless() const noexcept { return m_lengthPower == 0; }
    int LengthPower() const noexcept { return m_lengthPower; }

private:
    int m_lengthPower = 0;
};

// What the calculator gives back. kind: 0 a point, 1 a plain real, 2 a real with a unit,
// 3 nothing. The caller prepares kind 3, a zero point and real, and a default unit.
struct CalculatorResult
{
    int kind = 3;
    double point[3] = {0, 0, 0};
    double real = 0;
    DkCalCompoundUnit unit;
};

// The export "InvokeDialog" of "DkMgd.dll": true when the user accepted a result. editable
// false shows the value without letting it be taken.
using DkCalInvokeDialogFn = bool (*)(CalculatorResult* result, const wchar_t* title, const wchar_t* input,
                                     bool editable);

// DkMgd.dll: the host's module loaded on demand; its calculator dialog is the host's.
#include "Calculator.h"

extern "C" __declspec(dllexport) bool InvokeDialog(CalculatorResult* result, const wchar_t* title, const wchar_t* input,
                                                   bool editable) noexcept
{
    return dkcalInvokeDialog(result, title, input, editable);
}

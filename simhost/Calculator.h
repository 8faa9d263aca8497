// The host's calculator dialog, behind the export "InvokeDialog" of DkMgd.dll.
#pragma once

#include "DkHostApi.h"
#include "dkcal.h"

#include <string>

DKHOST_API bool dkcalInvokeDialog(CalculatorResult* result, const wchar_t* title, const wchar_t* input,
                                  bool editable) noexcept;

namespace dkhost
{
// Evaluates an entry: "x,y[,z]" is a point; otherwise an expression of + - * / and
// parentheses over numbers in the drawing's units (a number with a foot or inch mark is a
// distance). False, with the reason, for text that is neither.
bool EvaluateCalculatorEntry(const std::wstring& text, CalculatorResult& result, std::wstring& error);
} // namespace dkhost

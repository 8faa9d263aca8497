// The drawing's units, for every family: the host's variables, and numbers as the text of a
// row in the drawing's units and back.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

namespace dkpex
{
// The host's working database is the current document's (rows that show the drawing's
// units or its tables work only then).
bool IsCurrentDocumentDatabase() noexcept;
// A host variable of integer type, or the fallback when it is not one.
int HostShort(const wchar_t* name, int fallback) noexcept;
// Integers in base 10, reals in the drawing's units; empty unless the database test holds.
bool FormatNumericValue(const VARIANT& value, std::wstring& text);
// A number as the text of a numeric data type (distance, angle, plain number, raw angle)
// and back, always to a VT_R8; other types fail.
bool FormatByNumericType(const VARIANT& value, int type, std::wstring& text);
bool ParseByNumericType(const std::wstring& text, int type, VARIANT* value);
// A length as text in the drawing's units (unit -1) or the given ones, or in scientific
// units where that text would not fit the host's buffer.
bool LengthText(double value, int unit, std::wstring& text);
// One of the host's number-to-text conversions (dkdbRToS and its kin). Its buffer has room
// well past the contract's size, and a text that does not end within the contract (a host
// that ignores it) is refused, not taken in part.
using HostToText = int (*)(double, int, int, wchar_t*) noexcept;
bool HostNumberText(HostToText toText, double value, int unit, int prec, std::wstring& text);
} // namespace dkpex

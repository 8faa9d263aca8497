// The host's unit conversions: numbers as text in the drawing's linear and angular units,
// and text back to numbers. Results are the host's codes: RTNORM on success, RTERROR for
// text that is not a number or a result that does not fit, RTREJ for a mode or precision
// the host does not know.
#pragma once

#include "DkHostApi.h"

// The size of a result buffer, terminator included.
constexpr int kDkUnitsBufferSize = 64;

// unit: 1 scientific, 2 decimal, 3 engineering, 4 architectural, 5 fractional, -1 "LUNITS".
// prec: 0 to 8, -1 "LUPREC". str: a buffer of kDkUnitsBufferSize characters.
DKHOST_API int dkdbRToS(double value, int unit, int prec, wchar_t* str) noexcept;
DKHOST_API int dkdbDisToF(const wchar_t* str, int unit, double* result) noexcept;

// unit: 0 decimal degrees, 1 degrees/minutes/seconds, 2 grads, 3 radians, 4 surveyor's
// units, -1 "AUNITS". prec: 0 to 8, -1 "AUPREC". Values in radians; these two honour
// "ANGBASE" and "ANGDIR", the raw ones do not.
DKHOST_API int dkdbAngToS(double value, int unit, int prec, wchar_t* str) noexcept;
DKHOST_API int dkdbAngToF(const wchar_t* str, int unit, double* result) noexcept;
DKHOST_API int dkdbRawAngToS(double value, int unit, int prec, wchar_t* str) noexcept;
DKHOST_API int dkdbRawAngToF(const wchar_t* str, int unit, double* result) noexcept;

// dkunits.exe: the host's unit conversions from the command line, with the drawing's unit
// settings as options. Prints the result alone on one line and exits 0, or the host's
// result code and exits 1; a malformed command exits 2.
#include "dked.h"
#include "dkunits.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace
{
const wchar_t kUsage[] =
    L"usage: dkunits rtos VALUE [--units N] [--prec N] [--lunits N] [--luprec N] [--dimzin N] [--unitmode N]\n"
    L"       dkunits distof TEXT [--units N] [--lunits N] ...\n"
    L"       dkunits angtos|rawangtos VALUE [--units N] [--prec N] [--aunits N] [--auprec N] [--angbase R]\n"
    L"                                      [--angdir N] [--unitmode N]\n"
    L"       dkunits angtof|rawangtof TEXT [--units N] [--aunits N] [--angbase R] [--angdir N]\n";

int Usage(const std::wstring& why)
{
    std::fwprintf(stderr, L"dkunits: %ls\n%ls", why.c_str(), kUsage);
    return 2;
}

bool Number(const wchar_t* text, double& out)
{
    wchar_t* end = nullptr;
    out = std::wcstod(text, &end);
    return end && end != text && *end == L'\0';
}

bool SetShort(const wchar_t* name, double value)
{
    resbuf rb{};
    rb.restype = RTSHORT;
    rb.resval.rint = static_cast<short>(value);
    return dkedSetVar(name, &rb) == RTNORM;
}

bool SetReal(const wchar_t* name, double value)
{
    resbuf rb{};
    rb.restype = RTREAL;
    rb.resval.rreal = value;
    return dkedSetVar(name, &rb) == RTNORM;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return Usage(L"an operation and its argument are needed");
    const std::wstring op = argv[1];
    const wchar_t* input = argv[2];
    int unit = -1;
    int prec = -1;
    for (int i = 3; i < argc; i += 2)
    {
        const std::wstring option = argv[i];
        double v = 0;
        if (i + 1 >= argc || !Number(argv[i + 1], v))
            return Usage(option + L" needs a number");
        const struct
        {
            const wchar_t* option;
            const wchar_t* variable;
            bool real;
        } settings[] = {
            {L"--lunits", L"LUNITS", false},  {L"--luprec", L"LUPREC", false}, {L"--aunits", L"AUNITS", false},
            {L"--auprec", L"AUPREC", false},  {L"--dimzin", L"DIMZIN", false}, {L"--unitmode", L"UNITMODE", false},
            {L"--angbase", L"ANGBASE", true}, {L"--angdir", L"ANGDIR", false},
        };
        bool known = false;
        if (option == L"--units")
            unit = static_cast<int>(v), known = true;
        else if (option == L"--prec")
            prec = static_cast<int>(v), known = true;
        for (const auto& s : settings)
            if (option == s.option)
                known = s.real ? SetReal(s.variable, v) : SetShort(s.variable, v);
        if (!known)
            return Usage(L"unknown option " + option);
    }

    wchar_t text[kDkUnitsBufferSize] = {};
    double value = 0;
    int rc = RTERROR;
    const bool toText = op == L"rtos" || op == L"angtos" || op == L"rawangtos";
    if (toText)
    {
        if (!Number(input, value))
            return Usage(L"not a number: " + std::wstring(input));
        rc = op == L"rtos"     ? dkdbRToS(value, unit, prec, text)
             : op == L"angtos" ? dkdbAngToS(value, unit, prec, text)
                               : dkdbRawAngToS(value, unit, prec, text);
    }
    else if (op == L"distof")
        rc = dkdbDisToF(input, unit, &value);
    else if (op == L"angtof")
        rc = dkdbAngToF(input, unit, &value);
    else if (op == L"rawangtof")
        rc = dkdbRawAngToF(input, unit, &value);
    else
        return Usage(L"unknown operation " + op);

    if (rc != RTNORM)
    {
        std::wprintf(L"%d\n", rc);
        return 1;
    }
    if (toText)
        std::wprintf(L"%ls\n", text);
    else
        std::wprintf(L"%.15g\n", value);
    return 0;
}

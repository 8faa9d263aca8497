// The host's hatch patterns and its pattern palette.
#include "Patterns.h"

#include "InputDialog.h"
#include "Journal.h"

#include "dked.h"

#include <cwctype>

namespace dkhost
{
bool NextAnswer(std::wstring& answer);

namespace
{
// An ISO pattern's name in a hatch: the host's prefix, then the name the list shows.
const wchar_t kIsoPrefix[] = L"DRVK_";

bool SameName(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towupper(a[i]) != std::towupper(b[i]))
            return false;
    return true;
}

bool IsIsoEntry(const std::wstring& entry)
{
    return entry.compare(0, 3, L"ISO") == 0;
}
} // namespace

const std::vector<std::wstring>& PredefinedPatterns()
{
    static const std::vector<std::wstring> list = {
        L"SOLID", L"ANGLE", L"ANSI31",    L"ANSI32",    L"ANSI37",    L"AR-CONC", L"BRICK",  L"CROSS",
        L"DOTS",  L"EARTH", L"GRASS",     L"HEX",       L"HONEY",     L"INSUL",   L"NET",    L"SQUARE",
        L"STARS", L"STEEL", L"ISO02W100", L"ISO03W100", L"ISO04W100", L"ISOWAVE", L"ZIGZAG",
    };
    return list;
}

const std::vector<std::wstring>& CustomPatterns()
{
    static const std::vector<std::wstring> list = {L"MYPAT", L"STONES"};
    return list;
}

std::wstring HatchNameOfEntry(const std::wstring& entry)
{
    return IsIsoEntry(entry) ? kIsoPrefix + entry : entry;
}

bool IsPredefinedPattern(const std::wstring& name)
{
    for (const std::wstring& entry : PredefinedPatterns())
        if (SameName(name, entry) || SameName(name, HatchNameOfEntry(entry)))
            return true;
    return false;
}

bool IsCustomPattern(const std::wstring& name)
{
    for (const std::wstring& entry : CustomPatterns())
        if (SameName(name, entry))
            return true;
    return false;
}

const std::vector<std::wstring>& GradientNames()
{
    static const std::vector<std::wstring> list = {
        L"LINEAR",       L"CYLINDER",         L"INVCYLINDER", L"SPHERICAL", L"HEMISPHERICAL", L"CURVED",
        L"INVSPHERICAL", L"INVHEMISPHERICAL", L"INVCURVED",   L"DIAGONAL",  L"RADIALSTRIPES",
    };
    return list;
}
} // namespace dkhost

using namespace dkhost;

int OPMFillPatternList(OPMPatternNameCallback callback, void* context) noexcept
{
    if (!callback)
        return RTERROR;
    for (const std::wstring& entry : PredefinedPatterns())
        callback(entry.c_str(), context);
    return RTNORM;
}

int OPMGetPatName(int index, DkString& name) noexcept
try
{
    const auto& list = PredefinedPatterns();
    if (index < 0 || index >= static_cast<int>(list.size()))
        return RTERROR;
    name = DkString(HatchNameOfEntry(list[static_cast<size_t>(index)]));
    return RTNORM;
}
catch (...)
{
    return RTERROR;
}

int OPMCustomPatternValid(const wchar_t* name) noexcept
{
    return name && IsCustomPattern(name) ? 1 : 0;
}

// The palette answers with the pattern the user picked: a scripted answer ("cancel" picks
// none), else the host's small dialog, which takes only a pattern it can find.
int pattern_palette(const DkString& current, DkString& chosen) noexcept
try
{
    JournalAdd(std::wstring(L"pattern palette ") + current.kwszPtr());
    std::wstring answer;
    if (!NextAnswer(answer))
    {
        answer = current.kwszPtr();
        const bool confirmed = RunInputDialog(L"Hatch pattern palette", answer, true,
                                              [&answer](const std::wstring& text, std::wstring& error)
                                              {
                                                  if (IsPredefinedPattern(text) || IsCustomPattern(text))
                                                  {
                                                      answer = text;
                                                      return true;
                                                  }
                                                  error = L"No pattern of that name.";
                                                  return false;
                                              });
        if (!confirmed)
            answer = L"cancel";
    }
    if (answer == L"cancel")
    {
        JournalAdd(L"pattern palette cancelled");
        return 1;
    }
    chosen = DkString(answer);
    JournalAdd(L"pattern palette picked " + answer);
    return 0;
}
catch (...)
{
    return RTERROR;
}

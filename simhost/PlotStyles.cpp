// The host's plot styles: the tables installed with it, the user's words for the reserved
// plot style names, and the dialog that picks one of the drawing's named plot styles.
#include "PlotStyles.h"

#include "Drawing.h"
#include "InputDialog.h"
#include "Journal.h"

#include "dkcm.h"

namespace dkhost
{
bool NextAnswer(std::wstring& answer);

namespace
{
bool SameName(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}
} // namespace

const std::vector<std::wstring>& InstalledPlotStyleTables()
{
    static const std::vector<std::wstring> tables = {L"Fine lines.dkps", L"Greys.dkps", L"Presentation.dkps",
                                                     L"Site survey.dkps"};
    return tables;
}

bool IsInstalledPlotStyleTable(const std::wstring& name)
{
    for (const std::wstring& table : InstalledPlotStyleTables())
        if (SameName(table, name))
            return true;
    return false;
}

std::vector<std::wstring> NamedPlotStyles(Drawing& d)
{
    std::vector<std::wstring> names;
    const Record* dictionary = d.Find(d.plotStyles);
    for (LONG_PTR id : dictionary ? dictionary->children : std::vector<LONG_PTR>())
        if (const Record* style = d.Find(id); style && !style->erased)
            names.push_back(style->name);
    return names;
}

bool RunPlotStyleDialog(const std::wstring& current, std::wstring& chosen)
{
    Drawing& d = CurrentDrawing();
    // The dialog lists the drawing's named plot styles; it picks one of them or none.
    auto styleNamed = [&d](const std::wstring& text) -> const Record*
    { return text.empty() ? nullptr : d.FindInTable(d.plotStyles, text); };
    std::wstring answer;
    if (!NextAnswer(answer))
    {
        answer = current;
        if (!RunInputDialog(L"Select Plot Style", answer, true,
                            [&](const std::wstring& text, std::wstring& error)
                            {
                                answer = text;
                                error = L"The drawing has no plot style of that name.";
                                return styleNamed(text) != nullptr;
                            }))
            answer = L"cancel";
    }
    const Record* style = answer == L"cancel" ? nullptr : styleNamed(answer);
    const std::wstring outcome = answer == L"cancel" ? L"cancelled"
                                 : style             ? L"\"" + style->name + L"\""
                                                     : L"no plot style \"" + answer + L"\"";
    JournalAdd(L"plot style dialog \"" + current + L"\" -> " + outcome);
    if (!style)
        return false;
    chosen = style->name;
    return true;
}
} // namespace dkhost

void LocalizeReservedPlotStyleStrings(DkString& name) noexcept
try
{
    for (int which : {0, 1, 9})
        if (dkhost::SameName(name.kwszPtr(), dkdbGetReservedString(which, false)))
        {
            name = DkString(dkdbGetReservedString(which, true));
            return;
        }
}
catch (...)
{
    // Out of memory: the name stays as the drawing stores it.
}

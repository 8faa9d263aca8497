// CHatchPatternTypeDialog: a hatch's pattern type with its name: a pattern of the host's
// predefined list (picked in the list or in the host's pattern palette), a pattern of a file
// of the user's own (by name), or lines the user sets up.
#pragma once

#include "DkPeExport.h"
#include "dkdb.h"
#include "dkstring.h"

#include "Dialog.h"

#include <string>
#include <vector>

class CHatchPatternTypeDialog : public dkfw::ModalDialog
{
public:
    // Runs the dialog over owner with the resource library's template; true on OK.
    bool Show(HWND owner);

    // In this order: the type names (position = type value), the name, the type.
    std::vector<std::wstring> m_typeNames;
    std::wstring m_name;
    int m_type = DkDbHatch::kPreDefined;

protected:
    bool OnInitDialog() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override;

private:
    void Enable(int id, bool enable) const;
    // Selects the list's entry of a hatch's pattern name (an ISO pattern's without the host's
    // prefix).
    void SelectPredefined(const std::wstring& name) const;
    void OnTypeChanged();
    void OnPredefinedChanged();
    void OnPaletteButton();
};

// The names of the types in "a;b;c" (empty pieces dropped), or the resource library's list
// when text is null.
std::vector<std::wstring> HatchPatternTypeNames(const wchar_t* text);

// Shows the dialog over the host's main window with type and name; on OK they take the
// user's choice and 1 is returned, else 0 and both are left as they were. typeNames: the
// types' names, separated by ";" (null: the component's own).
extern "C" DKPEX_API int GetHatchPattern(DkDbHatch::HatchPatternType& type, DkString& name, const wchar_t* typeNames);

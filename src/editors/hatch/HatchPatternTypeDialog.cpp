// The pattern type dialog of hatches, and its export for the host.
#include "HatchPatternTypeDialog.h"

#include "DkPeCtrlBase.h"
#include "ResourceIds.h"
#include "ResourceOverride.h"

#include "ComModule.h"

#include <cwchar>

namespace
{
// A hatch names an ISO pattern with the host's prefix before the name the list shows.
const wchar_t kIsoHatchPrefix[] = L"DRVK_ISO";
constexpr size_t kIsoPrefixCompared = 8;
constexpr size_t kHostPrefixLength = 5;
// The longest custom pattern name the host looks for.
constexpr size_t kMaxCustomName = 255;
const wchar_t kPatternNameNotFound[] = L"OPM.DkPEXCtl.PatternNameNotFound";

void AddPatternName(const wchar_t* name, void* context)
{
    if (name)
        ::SendMessageW(static_cast<HWND>(context), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

std::wstring WindowText(HWND hwnd)
{
    std::wstring text(static_cast<size_t>(std::max(0, ::GetWindowTextLengthW(hwnd))) + 1, L'\0');
    text.resize(static_cast<size_t>(std::max(0, ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size())))));
    return text;
}

int Selection(HWND list)
{
    return static_cast<int>(::SendMessageW(list, CB_GETCURSEL, 0, 0));
}
} // namespace

std::vector<std::wstring> HatchPatternTypeNames(const wchar_t* text)
{
    std::wstring all;
    if (text)
        all = text;
    else
    {
        CTemporaryResourceOverride resources;
        all = dkpex::LoadResString(IDS_HATCH_PATTERN_TYPES);
    }
    std::vector<std::wstring> names;
    size_t from = 0;
    while (from <= all.size())
    {
        const size_t end = std::min(all.find(L';', from), all.size());
        if (end > from)
            names.push_back(all.substr(from, end - from));
        from = end + 1;
    }
    return names;
}

bool CHatchPatternTypeDialog::Show(HWND owner)
{
    CTemporaryResourceOverride resources;
    return Run(dkfw::ResourceHandle(), IDD_HATCH_PATTERN_TYPE, owner) == IDOK;
}

void CHatchPatternTypeDialog::Enable(int id, bool enable) const
{
    if (HWND item = Item(id))
        ::EnableWindow(item, enable ? TRUE : FALSE);
}

void CHatchPatternTypeDialog::SelectPredefined(const std::wstring& name) const
{
    const bool iso = name.compare(0, kIsoPrefixCompared, kIsoHatchPrefix) == 0;
    const std::wstring entry = iso ? name.substr(kHostPrefixLength) : name;
    HWND list = Item(IDC_HATCH_PREDEFINED);
    const LRESULT at =
        ::SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
    if (at != CB_ERR)
        ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
}

bool CHatchPatternTypeDialog::OnInitDialog()
{
    OPMFillPatternList(&AddPatternName, Item(IDC_HATCH_PREDEFINED));
    switch (m_type)
    {
    case DkDbHatch::kPreDefined:
        Enable(IDC_HATCH_CUSTOM_LABEL, false);
        Enable(IDC_HATCH_CUSTOM_NAME, false);
        SelectPredefined(m_name);
        break;
    case DkDbHatch::kCustomDefined:
        Enable(IDC_HATCH_PALETTE, false);
        Enable(IDC_HATCH_PREDEFINED, false);
        ::SetWindowTextW(Item(IDC_HATCH_CUSTOM_NAME), m_name.c_str());
        break;
    default:
        for (const int id : {IDC_HATCH_PALETTE, IDC_HATCH_PREDEFINED, IDC_HATCH_CUSTOM_LABEL, IDC_HATCH_CUSTOM_NAME})
            Enable(id, false);
        break;
    }
    HWND types = Item(IDC_HATCH_TYPE);
    for (const std::wstring& name : m_typeNames)
        ::SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    ::SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(m_type), 0);
    return true;
}

void CHatchPatternTypeDialog::OnCommand(WORD id, WORD code, HWND)
{
    if (id == IDC_HATCH_TYPE && code == CBN_SELCHANGE)
        OnTypeChanged();
    else if (id == IDC_HATCH_PREDEFINED && code == CBN_SELCHANGE)
        OnPredefinedChanged();
    else if (id == IDC_HATCH_PALETTE && code == BN_CLICKED)
        OnPaletteButton();
}

void CHatchPatternTypeDialog::OnTypeChanged()
{
    m_type = Selection(Item(IDC_HATCH_TYPE));
    const bool predefined = m_type == DkDbHatch::kPreDefined;
    const bool custom = m_type == DkDbHatch::kCustomDefined;
    Enable(IDC_HATCH_PALETTE, predefined);
    Enable(IDC_HATCH_PREDEFINED, predefined);
    Enable(IDC_HATCH_CUSTOM_LABEL, custom);
    Enable(IDC_HATCH_CUSTOM_NAME, custom);
    if (predefined)
    {
        HWND list = Item(IDC_HATCH_PREDEFINED);
        if (Selection(list) == CB_ERR)
            ::SendMessageW(list, CB_SETCURSEL, 0, 0);
        OnPredefinedChanged();
    }
    else if (custom)
        m_name = WindowText(Item(IDC_HATCH_CUSTOM_NAME));
    else
    {
        CTemporaryResourceOverride resources;
        m_name = dkpex::LoadResString(IDS_HATCH_USER_DEFINED);
    }
}

void CHatchPatternTypeDialog::OnPredefinedChanged()
{
    DkString name;
    if (OPMGetPatName(Selection(Item(IDC_HATCH_PREDEFINED)), name) == RTNORM)
        m_name = name.kwszPtr();
}

void CHatchPatternTypeDialog::OnPaletteButton()
{
    DkString chosen(m_name);
    if (pattern_palette(DkString(m_name), chosen) != 0)
        return;
    m_name = chosen.kwszPtr();
    SelectPredefined(m_name);
}

void CHatchPatternTypeDialog::OnOK()
{
    if (m_type == DkDbHatch::kCustomDefined)
    {
        HWND edit = Item(IDC_HATCH_CUSTOM_NAME);
        m_name = WindowText(edit);
        // A name longer than the host looks for is one it cannot find.
        if (m_name.size() > kMaxCustomName || !OPMCustomPatternValid(m_name.c_str()))
        {
            CDkPeCtrlBase::ShowTaskDialog(kPatternNameNotFound, Hwnd());
            ::SetFocus(edit);
            ::SendMessageW(edit, EM_SETSEL, 0, -1);
            ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
            return;
        }
    }
    // No type chosen, or hatches of different patterns with none picked: nothing was chosen.
    if (m_type < 0 || m_type >= static_cast<int>(m_typeNames.size()) ||
        (m_type == DkDbHatch::kPreDefined && m_name.empty()))
    {
        End(IDCANCEL);
        return;
    }
    End(IDOK);
}

int GetHatchPattern(DkDbHatch::HatchPatternType& type, DkString& name, const wchar_t* typeNames)
try
{
    CHatchPatternTypeDialog dialog;
    dialog.m_typeNames = HatchPatternTypeNames(typeNames);
    dialog.m_name = name.kwszPtr();
    dialog.m_type = type;
    if (!dialog.Show(dkedGetMainWindow()))
        return 0;
    type = static_cast<DkDbHatch::HatchPatternType>(dialog.m_type);
    name = DkString(dialog.m_name);
    return 1;
}
catch (...)
{
    // Nothing leaves the export: the host hears that nothing was chosen.
    return 0;
}

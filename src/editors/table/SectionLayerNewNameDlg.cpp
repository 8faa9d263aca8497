// The dialog naming a section's new layers.
#include "SectionLayerNewNameDlg.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "dkdb.h"
#include "dked.h"

#include <commctrl.h>

#include <cwctype>

namespace
{
constexpr int kOptionIds[] = {IDC_SECTION_NAMING_NONE, IDC_SECTION_NAMING_PREFIX, IDC_SECTION_NAMING_SUFFIX};
// The longest naming text taken.
constexpr size_t kNamingTextMax = 255;

std::wstring WindowText(HWND window)
{
    const int length = window ? ::GetWindowTextLengthW(window) : 0;
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int read = window ? ::GetWindowTextW(window, text.data(), length + 1) : 0;
    text.resize(static_cast<size_t>(read > 0 ? read : 0));
    return text;
}

// The text without the white space where it meets the section's name: a prefix's end, a
// suffix's start. Blanks at its outer end make no layer name and are refused.
std::wstring Trimmed(std::wstring text, int option)
{
    if (option == 1)
    {
        while (!text.empty() && std::iswspace(text.back()))
            text.pop_back();
    }
    else
    {
        size_t from = 0;
        while (from < text.size() && std::iswspace(text[from]))
            ++from;
        text.erase(0, from);
    }
    return text;
}
} // namespace

bool SectionLayerNamingValid(const std::wstring& text, int option)
{
    if (text.empty() || text.size() > kNamingTextMax)
        return false;
    DkDbHostApplicationServices* services = dkdbHostApplicationServices();
    DkDbDatabase* database = services ? services->workingDatabase() : nullptr;
    // The naming joins the section's layer name: it is checked beside a one-character name.
    const std::wstring name = option == 1 ? text + L"0" : L"0" + text;
    return dkdbValidateSymbolName(name.c_str(), database && database->extendedNames()) == Drvk::eOk;
}

CSectionLayerNewNameDlg::CSectionLayerNewNameDlg(HWND parent) noexcept
    : CDkUiDialog(IDD_SECTION_LAYER_NEW_NAME, parent, dkpex::ResourceLibrary())
{
    SetDialogName(L"NewLayerNameDialog");
}

int CSectionLayerNewNameDlg::CheckedOption() const noexcept
{
    for (int option = 0; option < 3; ++option)
        if (::IsDlgButtonChecked(Hwnd(), kOptionIds[option]) == BST_CHECKED)
            return option;
    return 0;
}

void CSectionLayerNewNameDlg::EnableText() const noexcept
{
    ::EnableWindow(GetDlgItem(IDC_SECTION_NAMING_TEXT), CheckedOption() != 0);
}

bool CSectionLayerNewNameDlg::OnInitDialog() noexcept
{
    const int option = m_option >= 0 && m_option <= 2 ? m_option : 0;
    ::CheckRadioButton(Hwnd(), kOptionIds[0], kOptionIds[2], kOptionIds[option]);
    ::SetWindowTextW(GetDlgItem(IDC_SECTION_NAMING_TEXT), m_text.c_str());
    EnableText();
    HWND focus = option != 0 ? GetDlgItem(IDC_SECTION_NAMING_TEXT) : GetDlgItem(kOptionIds[0]);
    ::SetFocus(focus);
    if (option != 0)
        ::SendMessageW(focus, EM_SETSEL, 0, -1);
    return false;
}

void CSectionLayerNewNameDlg::OnCommand(WORD id, WORD code, HWND) noexcept
{
    if (code == BN_CLICKED && (id == kOptionIds[0] || id == kOptionIds[1] || id == kOptionIds[2]))
        EnableText();
}

void CSectionLayerNewNameDlg::OnOK() noexcept
try
{
    const int option = CheckedOption();
    if (option == 0)
    {
        m_option = 0;
        m_text.clear();
        EndDialog(IDOK);
        return;
    }
    const std::wstring text = Trimmed(WindowText(GetDlgItem(IDC_SECTION_NAMING_TEXT)), option);
    CTemporaryResourceOverride resources;
    const std::wstring title = dkpex::LoadResString(IDS_SECTION_NAMING_TITLE);
    if (text.empty())
    {
        const std::wstring message = dkpex::LoadResString(IDS_SECTION_NAMING_EMPTY);
        // Owned by the dialog, which waits for it: no second OK while the box is up.
        ::MessageBoxW(Hwnd(), message.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(GetDlgItem(IDC_SECTION_NAMING_TEXT));
        return;
    }
    if (!SectionLayerNamingValid(text, option))
    {
        const std::wstring instruction = dkpex::LoadResString(IDS_SECTION_NAMING_INVALID);
        const std::wstring content = dkpex::LoadResString(IDS_SECTION_NAMING_RULES);
        MtTaskDialog(title.c_str(), instruction.c_str(), content.c_str(), TDF_POSITION_RELATIVE_TO_WINDOW,
                     TDCBF_CLOSE_BUTTON)
            .Show(Hwnd());
        ::SetFocus(GetDlgItem(IDC_SECTION_NAMING_TEXT));
        return;
    }
    m_option = option;
    m_text = text;
    EndDialog(IDOK);
}
catch (...)
{
    // Out of memory: the dialog stays, nothing taken.
}

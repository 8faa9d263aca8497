// CSectionLayerNewNameDlg: the user names the layers a section makes after the section's own
// layer: that name alone, or with a prefix or a suffix typed here. The text is taken only when
// it makes a valid layer name.
#pragma once

#include "dkui.h"

#include <string>

class CSectionLayerNewNameDlg : public CDkUiDialog
{
public:
    explicit CSectionLayerNewNameDlg(HWND parent) noexcept;

    // In this order: the naming text, the naming option (0 none, 1 prefix, 2 suffix).
    std::wstring m_text;
    int m_option = 0;

protected:
    bool OnInitDialog() noexcept override;
    void OnCommand(WORD id, WORD code, HWND control) noexcept override;
    void OnOK() noexcept override;

private:
    int CheckedOption() const noexcept;
    void EnableText() const noexcept;
};

// Whether text, as a prefix (option 1) or a suffix (2), can be part of a layer name of the
// working drawing: fewer than 256 characters that make a valid name with the rest of it.
bool SectionLayerNamingValid(const std::wstring& text, int option);

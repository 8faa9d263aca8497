// A palette fixture for the drop-down rows: the row's list, its entries and the user's
// choice of one.
#pragma once

#include "PaletteFixture.h"

#include <string>
#include <vector>

namespace dktest
{
class DropDownFixture : public PaletteFixture
{
protected:
    HWND Combo() const { return Edit(1002); }

    // The user closes the open list on entry index.
    void Choose(int index)
    {
        ::SendMessageW(Combo(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(Control(), WM_COMMAND, MAKEWPARAM(1002, CBN_SELENDOK), reinterpret_cast<LPARAM>(Combo()));
        Pump(0);
    }

    std::vector<std::wstring> Entries() const
    {
        std::vector<std::wstring> out;
        const int n = static_cast<int>(::SendMessageW(Combo(), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i)
        {
            wchar_t buf[256] = {};
            ::SendMessageW(Combo(), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
            out.emplace_back(buf);
        }
        return out;
    }
    int Selected() const { return static_cast<int>(::SendMessageW(Combo(), CB_GETCURSEL, 0, 0)); }
};
} // namespace dktest

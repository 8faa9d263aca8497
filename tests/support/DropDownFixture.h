// A palette fixture for the drop-down rows: the row's list, its entries and the user's
// choice of one.
#pragma once

#include "PaletteFixture.h"

#include <algorithm>
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
            const LRESULT length = ::SendMessageW(Combo(), CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
            std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
            ::SendMessageW(Combo(), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
            out.emplace_back(text.c_str());
        }
        return out;
    }
    int Selected() const { return static_cast<int>(::SendMessageW(Combo(), CB_GETCURSEL, 0, 0)); }
    // The first entry of that text, or -1.
    int IndexOf(const std::wstring& text) const
    {
        const auto entries = Entries();
        const auto at = std::find(entries.begin(), entries.end(), text);
        return at == entries.end() ? -1 : static_cast<int>(at - entries.begin());
    }
    std::wstring SelectedText() const
    {
        const auto entries = Entries();
        const int i = Selected();
        return i >= 0 && i < static_cast<int>(entries.size()) ? entries[static_cast<size_t>(i)] : L"<none>";
    }
    // The user closes the open list on the entry of that text (which the list must have).
    void Choose(const std::wstring& text)
    {
        const int at = IndexOf(text);
        ASSERT_GE(at, 0) << std::string(text.begin(), text.end());
        Choose(at);
    }
};
} // namespace dktest

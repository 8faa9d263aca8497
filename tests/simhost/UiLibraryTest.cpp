// The host's user-interface library: a combo box whose drop-down list a list box of the
// caller's takes over, its entries' texts, the themed face it paints itself, and windows
// that forget themselves when destroyed.
#include "dkui.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <vector>

namespace
{
// Counts what reaches it, so that a test sees whose procedure ran.
class CountingList : public CMtUiListBox
{
public:
    int messages = 0;
    int gone = 0;

protected:
    bool OnMessage(UINT, WPARAM, LPARAM, LRESULT&) noexcept override
    {
        ++messages;
        return false;
    }
    void OnWindowGone() noexcept override { ++gone; }
};

class UiLibrary : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_parent = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                     nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_parent);
    }
    void TearDown() override
    {
        dkuiSetThemed(true);
        ::DestroyWindow(m_parent);
    }
    HWND m_parent = nullptr;
};

TEST_F(UiLibrary, TheComboHandsItsListToTheLatestListBoxAndForgetsItsWindows)
{
    auto combo = std::make_unique<CMtUiComboBox>();
    CountingList first;
    CountingList second;
    combo->SetListBox(&first);
    ASSERT_TRUE(
        combo->Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_HASSTRINGS, RECT{0, 0, 200, 200}, m_parent, 1002));
    COMBOBOXINFO info{sizeof(info)};
    ASSERT_TRUE(::GetComboBoxInfo(combo->Hwnd(), &info));
    EXPECT_EQ(info.hwndList, first.Hwnd()) << "taken over when the combo is made";
    combo->SetListBox(&second);
    EXPECT_EQ(nullptr, first.Hwnd());
    EXPECT_EQ(info.hwndList, second.Hwnd());
    ::SendMessageW(info.hwndList, LB_GETCOUNT, 0, 0);
    EXPECT_GT(second.messages, 0);
    EXPECT_EQ(0, first.messages);
    EXPECT_FALSE(combo->Create(WS_CHILD, RECT{0, 0, 10, 10}, m_parent, 1003)) << "one window per object";

    ::SendMessageW(combo->Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Portland stone"));
    wchar_t text[8] = {};
    EXPECT_EQ(14, combo->GetLBString(0, nullptr, 0));
    EXPECT_EQ(14, combo->GetLBString(0, text, 8));
    EXPECT_STREQ(L"Portlan", text) << "cut to the buffer";
    EXPECT_EQ(-1, combo->GetLBString(1, text, 8));

    // Its parent destroyed, the combo and its list have no window any more.
    HWND hwnd = combo->Hwnd();
    ::DestroyWindow(m_parent);
    m_parent = nullptr;
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(nullptr, combo->Hwnd());
    EXPECT_EQ(nullptr, second.Hwnd());
    EXPECT_EQ(1, second.gone);
    combo.reset();
}

// Another party's subclass, put on the list after the library's.
WNDPROC g_before = nullptr;
int g_laterMessages = 0;
LRESULT CALLBACK LaterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++g_laterMessages;
    return ::CallWindowProcW(g_before, hwnd, msg, wParam, lParam);
}

// A list box let go while a later subclass stands on the library's no longer hears the
// list, which still answers through the later one; another list box can take it over.
TEST_F(UiLibrary, AListLetGoUnderALaterSubclassCanBeTakenOverAgain)
{
    HWND list = ::CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD, 0, 0, 100, 100, m_parent, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, list);
    CountingList first;
    CountingList second;
    ASSERT_TRUE(first.Attach(list));
    g_before =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterProc)));
    EXPECT_EQ(list, first.Detach());
    const int heard = first.messages;
    g_laterMessages = 0;
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Oak"));
    EXPECT_EQ(1, ::SendMessageW(list, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(heard, first.messages) << "let go";
    EXPECT_EQ(2, g_laterMessages);

    ASSERT_TRUE(second.Attach(list));
    EXPECT_FALSE(first.Attach(list)) << "one object per window";
    ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    EXPECT_EQ(1, second.messages);
    ::DestroyWindow(list);
    EXPECT_EQ(1, second.gone);
    EXPECT_EQ(nullptr, second.Hwnd());
}

TEST_F(UiLibrary, TheThemedFaceIsFlatWithTheEntrysTextTheClassicOneIsTheControls)
{
    CMtUiComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_HASSTRINGS, RECT{10, 10, 210, 200},
                             m_parent, 1002));
    ::SendMessageW(combo.Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"WWWWWWWW"));
    ::SendMessageW(combo.Hwnd(), CB_SETCURSEL, 0, 0);
    RECT client{};
    ::GetClientRect(combo.Hwnd(), &client);
    auto paint = [&]()
    {
        ::RedrawWindow(combo.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = ::GetDC(combo.Hwnd());
        std::vector<COLORREF> corner = {::GetPixel(dc, 0, 0), ::GetPixel(dc, 1, client.bottom / 2)};
        int dark = 0;
        for (int x = 3; x < client.right / 2; ++x)
            dark += ::GetPixel(dc, x, client.bottom / 2) == ::GetSysColor(COLOR_WINDOWTEXT);
        ::ReleaseDC(combo.Hwnd(), dc);
        corner.push_back(static_cast<COLORREF>(dark));
        return corner;
    };
    ASSERT_TRUE(dkuiIsThemed());
    const auto themed = paint();
    EXPECT_EQ(::GetSysColor(COLOR_WINDOW), themed[0]) << "no sunken border";
    EXPECT_EQ(::GetSysColor(COLOR_WINDOW), themed[1]);
    EXPECT_GT(themed[2], 0u) << "the entry's text is drawn";
    dkuiSetThemed(false);
    const auto classic = paint();
    EXPECT_NE(::GetSysColor(COLOR_WINDOW), classic[0]) << "the control's own 3-D border";
}
} // namespace

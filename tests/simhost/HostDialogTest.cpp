// The host's own dialogs as the component opens them: task dialogs made from texts, and the
// library's modal dialogs that come back where the user left them, kept in the current
// profile under the product's registry root; the profile the installation names.
#include "DkHostTest.h"
#include "MessageBoxCatcher.h"
#include "TestDialogs.h"
#include "TestSupport.h"
#include "dked.h"
#include "dkui.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace
{
const wchar_t kRoot[] = L"Software\\DkPEXCtlTests\\Host";
const wchar_t kProfiles[] = L"Software\\DkPEXCtlTests\\Host\\Profiles";
const wchar_t kPlacement[] = L"Software\\DkPEXCtlTests\\Host\\Profiles\\Tester\\Dialogs\\Section layer name";
constexpr WORD kAct = 2000; // the command the test's dialog acts on once it runs

std::wstring DefaultText(const wchar_t* key)
{
    wchar_t text[64] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    return ::RegGetValueW(HKEY_CURRENT_USER, key, nullptr, RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS ? text
                                                                                                                 : L"?";
}

void SetDefaultText(const wchar_t* key, const wchar_t* text)
{
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_CURRENT_USER, key, nullptr, REG_SZ, text,
                                               static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t))));
}

LONG Corner(const wchar_t* value)
{
    DWORD data = 0;
    DWORD size = sizeof(data);
    return ::RegGetValueW(HKEY_CURRENT_USER, kPlacement, value, RRF_RT_REG_DWORD, nullptr, &data, &size) ==
                   ERROR_SUCCESS
               ? static_cast<LONG>(data)
               : -12345;
}

// The test's dialog: notes where it first showed, then does what the test asks once its loop
// runs; act answers whether it ended the dialog, which OK ends otherwise.
class NameDialog : public CDkUiDialog
{
public:
    NameDialog(HWND parent, UINT templateId = DKTEST_NAME_DIALOG)
        : CDkUiDialog(templateId, parent, ::GetModuleHandleW(nullptr))
    {
    }
    std::function<bool(NameDialog&)> act;
    RECT shownAt{};
    HWND owner = nullptr;
    using CDkUiDialog::EndDialog;

protected:
    bool OnInitDialog() noexcept override
    {
        ::GetWindowRect(Hwnd(), &shownAt);
        owner = ::GetWindow(Hwnd(), GW_OWNER);
        ::PostMessageW(Hwnd(), WM_COMMAND, kAct, 0);
        return true;
    }
    void OnCommand(WORD id, WORD, HWND) noexcept override
    {
        if (id != kAct)
            return;
        if (!act || !act(*this))
            ::SendMessageW(Hwnd(), WM_COMMAND, IDOK, 0);
    }
};

void MoveTo(HWND window, int x, int y)
{
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT Centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class HostDialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dkhost_test::SetProductRegistryRoot(kRoot);
        SetDefaultText(kProfiles, L"Tester");
        m_parent = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200, 500, 400, nullptr,
                                     nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_parent);
        dkhost_test::ClearJournal();
    }
    void TearDown() override
    {
        ::DestroyWindow(m_parent);
        dkhost_test::SetMainWindow(nullptr);
        dkhost_test::ClearAnswers();
        dkhost_test::SetProductRegistryRoot(nullptr);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
        ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\DkPEXCtlTests"); // only once nothing else is in it
    }

    HWND m_parent = nullptr;
};

TEST_F(HostDialogs, TheProductRootIsTheHostsUnlessATestNamesOneAndTheInstallationNamesAProfile)
{
    EXPECT_STREQ(kRoot, dkedGetProductRegistryRoot());

    // A user with a profile of their own keeps it.
    ASSERT_EQ(S_OK, dkhost_test::InstallHostClasses());
    EXPECT_EQ(L"Tester", DefaultText(kProfiles));

    // A user without one gets the default profile.
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot));
    ASSERT_EQ(S_OK, dkhost_test::InstallHostClasses());
    EXPECT_EQ(L"Default", DefaultText(kProfiles));

    dkhost_test::SetProductRegistryRoot(nullptr);
    EXPECT_STREQ(L"Software\\DkHost\\R1", dkedGetProductRegistryRoot());
}

TEST_F(HostDialogs, TaskDialogsOfTextsAreJournaledAndTakeTheScriptedAnswerOrShowABox)
{
    MtTaskDialog close(L"Section layers", L"The name is not valid.", L"A layer name cannot hold \"<\".", 0,
                       TDCBF_CLOSE_BUTTON);
    MtTaskDialog okCancel(L"Section layers", L"Replace the layer?", L"", 0, TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    const struct
    {
        MtTaskDialog* dialog;
        const wchar_t* answer;
        int chosen;
    } scripted[] = {{&close, L"ok", IDCLOSE}, {&close, L"cancel", IDCANCEL}, {&okCancel, L"yes", IDOK}};
    for (const auto& s : scripted)
    {
        SCOPED_TRACE(s.answer);
        dkhost_test::ClearJournal();
        dkhost_test::PushAnswer(s.answer);
        EXPECT_EQ(s.chosen, s.dialog->Show(m_parent));
        EXPECT_EQ(0, dkhost_test::PendingAnswers());
        ASSERT_EQ(1u, dktest::Journal().size());
    }
    EXPECT_EQ(L"task dialog Section layers: Replace the layer?", dktest::Journal()[0]);

    // No answer scripted: a box with the instruction over the content, owned by the main window.
    dkhost_test::ClearJournal();
    dkhost_test::SetMainWindow(m_parent);
    dktest::MessageBoxCatcher catcher(IDOK);
    HWND owner = nullptr;
    catcher.WhileShown([&] { owner = ::GetWindow(::FindWindowW(L"#32770", L"Section layers"), GW_OWNER); });
    EXPECT_EQ(IDCLOSE, close.Show(nullptr));
    ASSERT_EQ(1u, catcher.Texts().size());
    EXPECT_EQ(L"The name is not valid.\n\nA layer name cannot hold \"<\".", catcher.Texts()[0]);
    EXPECT_EQ(L"Section layers", catcher.Captions()[0]);
    EXPECT_EQ(m_parent, owner);
    EXPECT_EQ(std::vector<std::wstring>{L"task dialog Section layers: The name is not valid."}, dktest::Journal());

    // The form by id is as it was.
    dkhost_test::ClearJournal();
    MtTaskDialog byId(L"DkHost", L"OPM.DkPEXCtl.CannotModifyProperty");
    dkhost_test::PushAnswer(L"cancel");
    EXPECT_EQ(IDCANCEL, byId.Show(m_parent));
    EXPECT_EQ(IDOK, byId.Show(m_parent));
    EXPECT_EQ(2u, catcher.Texts().size());
    EXPECT_EQ(2u, dktest::JournalMatching(L"task dialog OPM.DkPEXCtl.CannotModifyProperty").size());
}

TEST_F(HostDialogs, ANamedDialogComesBackWhereTheUserLeftIt)
{
    RECT parent{};
    ::GetWindowRect(m_parent, &parent);
    NameDialog first(m_parent);
    first.SetDialogName(L"Section layer name");
    first.act = [](NameDialog& d) { return MoveTo(d.Hwnd(), 140, 90), false; };
    EXPECT_EQ(IDOK, first.DoModal());
    EXPECT_EQ(nullptr, first.Hwnd());
    EXPECT_EQ(m_parent, first.owner);
    const POINT centre = Centre(first.shownAt);
    EXPECT_LE(std::abs(centre.x - Centre(parent).x), 1) << "the first time, centred over the parent";
    EXPECT_LE(std::abs(centre.y - Centre(parent).y), 1);
    EXPECT_EQ(140, Corner(L"Left"));
    EXPECT_EQ(90, Corner(L"Top"));

    // Back there, and left elsewhere again however it ends.
    NameDialog second(m_parent);
    second.SetDialogName(L"Section layer name");
    second.act = [](NameDialog& d)
    {
        MoveTo(d.Hwnd(), 60, 70);
        d.EndDialog(7);
        return true;
    };
    EXPECT_EQ(7, second.DoModal());
    EXPECT_EQ(140, second.shownAt.left);
    EXPECT_EQ(90, second.shownAt.top);
    EXPECT_EQ(60, Corner(L"Left"));
    EXPECT_EQ(2u, dktest::JournalMatching(L"dialog Section layer name shown").size()) << "once a showing";

    // A place no monitor shows any more: centred again.
    const DWORD offScreen = static_cast<DWORD>(-30000);
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetKeyValueW(HKEY_CURRENT_USER, kPlacement, L"Left", REG_DWORD, &offScreen, sizeof(offScreen)));
    NameDialog lost(m_parent);
    lost.SetDialogName(L"Section layer name");
    EXPECT_EQ(IDOK, lost.DoModal());
    EXPECT_LE(std::abs(Centre(lost.shownAt).x - Centre(parent).x), 1);
}
} // namespace

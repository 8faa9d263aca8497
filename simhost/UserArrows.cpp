// The host's block chooser: a block of a drawing's database to draw as an arrowhead or as a
// multileader's content. Its template is in the shared resource library KitMFCRes.DLL; the
// scripted user answers it with a block's name or "cancel".
#include "dked.h"

#include "Drawing.h"
#include "Journal.h"
#include "KitMFCRes.h"

#include <algorithm>
#include <vector>

namespace dkhost
{
bool NextAnswer(std::wstring& answer);

namespace
{
const wchar_t kKitLibrary[] = L"KitMFCRes.DLL";

// The blocks a user can choose: the drawing's own, named (not its spaces), not external
// references.
std::vector<std::wstring> ChoosableBlocks(Drawing& d)
{
    std::vector<std::wstring> names;
    const Record* table = d.Find(d.blockTable);
    for (LONG_PTR id : table ? table->children : std::vector<LONG_PTR>())
        if (const Record* block = d.Find(id);
            block && !block->erased && !block->xref && !block->name.empty() && block->name[0] != L'*')
            names.push_back(block->name);
    return names;
}

struct ChooserState
{
    std::wstring title;
    std::wstring chosen; // preselected on the way in
    const std::vector<std::wstring>* blocks;
};

INT_PTR CALLBACK ChooserProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
try
{
    auto* state = reinterpret_cast<ChooserState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    switch (msg)
    {
    case WM_INITDIALOG:
    {
        state = reinterpret_cast<ChooserState*>(lParam);
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (!state->title.empty())
            ::SetWindowTextW(dialog, state->title.c_str());
        const HWND list = ::GetDlgItem(dialog, IDC_BLOCK_LIST);
        for (const std::wstring& name : *state->blocks)
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ::SendMessageW(list, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(state->chosen.c_str()));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || (LOWORD(wParam) == IDC_BLOCK_LIST && HIWORD(wParam) == LBN_DBLCLK))
        {
            const HWND list = ::GetDlgItem(dialog, IDC_BLOCK_LIST);
            const LRESULT at = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
            if (at < 0)
                return TRUE; // nothing chosen yet: the dialog stays
            std::vector<wchar_t> text(static_cast<size_t>(::SendMessageW(list, LB_GETTEXTLEN, at, 0)) + 1);
            ::SendMessageW(list, LB_GETTEXT, at, reinterpret_cast<LPARAM>(text.data()));
            state->chosen = text.data();
            ::EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL)
        {
            ::EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}
catch (...)
{
    ::EndDialog(dialog, IDCANCEL);
    return TRUE;
}
} // namespace
} // namespace dkhost

using namespace dkhost;

DkDmUserArrows::DkDmUserArrows(DkDbDatabase* database, HWND parent) noexcept : m_database(database), m_parent(parent) {}

DkDmUserArrows::~DkDmUserArrows() = default;

void DkDmUserArrows::setSelectedBlockName(const wchar_t* name) noexcept
try
{
    m_name = DkString(name);
}
catch (...)
{
}

void DkDmUserArrows::setTitle(const wchar_t* title) noexcept
try
{
    m_title = DkString(title);
}
catch (...)
{
}

INT_PTR DkDmUserArrows::DoModal() noexcept
try
{
    // The template lives in the shared resource library, which the caller has loaded.
    const HMODULE kit = ::GetModuleHandleW(kKitLibrary);
    Drawing* d = DrawingOfDatabase(m_database);
    if (!kit || !d)
    {
        JournalAdd(std::wstring(L"block chooser cannot be shown: ") +
                   (kit ? L"no database" : L"KitMFCRes.DLL is not loaded"));
        return -1;
    }
    const std::vector<std::wstring> blocks = ChoosableBlocks(*d);
    const std::wstring title = m_title.kwszPtr();
    const std::wstring preselected = m_name.kwszPtr();
    std::wstring answer;
    INT_PTR result = IDCANCEL;
    std::wstring outcome = L"cancelled";
    if (NextAnswer(answer))
    {
        // The scripted user can pick only what the list shows.
        const auto it =
            std::find_if(blocks.begin(), blocks.end(),
                         [&](const std::wstring& b)
                         { return ::CompareStringOrdinal(b.c_str(), -1, answer.c_str(), -1, TRUE) == CSTR_EQUAL; });
        if (it != blocks.end())
        {
            m_name = DkString(*it);
            result = IDOK;
        }
        else if (answer != L"cancel")
            outcome = L"no block \"" + answer + L"\" to choose";
    }
    else
    {
        ChooserState state{title, preselected, &blocks};
        result = ::DialogBoxParamW(kit, MAKEINTRESOURCEW(IDD_BLOCK_CHOOSER), m_parent ? m_parent : dkedGetMainWindow(),
                                   ChooserProc, reinterpret_cast<LPARAM>(&state));
        if (result == IDOK)
            m_name = DkString(state.chosen);
        else if (result != IDCANCEL)
            result = -1;
    }
    if (result == IDOK)
        outcome = L"\"" + std::wstring(m_name.kwszPtr()) + L"\"";
    JournalAdd(L"block chooser \"" + title + L"\" preselected \"" + preselected + L"\" -> " + outcome);
    return result;
}
catch (...)
{
    return -1;
}

const wchar_t* DkDmUserArrows::selectedBlockName() const noexcept
{
    return m_name.kwszPtr();
}

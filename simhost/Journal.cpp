// The host's journal and the test interface that reads it.
#include "Journal.h"

#include "DkHostTest.h"

#include <cwchar>
#include <deque>

namespace dkhost
{
namespace
{
// A deque keeps entry addresses stable while entries are added.
std::deque<std::wstring>& Entries()
{
    static std::deque<std::wstring> entries;
    return entries;
}
} // namespace

void JournalAdd(std::wstring entry) noexcept
try
{
    Entries().push_back(std::move(entry));
}
catch (...)
{
    // A journal that cannot grow loses the entry, never the host.
}

std::wstring HexPointer(const void* p)
{
    wchar_t buf[32];
    std::swprintf(buf, 32, L"0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
    return buf;
}

std::wstring BaseName(const wchar_t* path)
{
    std::wstring s = path ? path : L"";
    const size_t slash = s.find_last_of(L"\\/");
    return slash == std::wstring::npos ? s : s.substr(slash + 1);
}
} // namespace dkhost

namespace dkhost_test
{
int JournalSize() noexcept
{
    return static_cast<int>(dkhost::Entries().size());
}

const wchar_t* JournalEntry(int index) noexcept
{
    auto& e = dkhost::Entries();
    return index >= 0 && static_cast<size_t>(index) < e.size() ? e[index].c_str() : nullptr;
}

void ClearJournal() noexcept
{
    dkhost::Entries().clear();
}
} // namespace dkhost_test

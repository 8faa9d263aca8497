// An entity's hyperlinks: the collection object its Hyperlink property hands out (an
// automation object answering IDkHyperlinks), and its text form, addresses separated by "|".
#pragma once

#include <oaidl.h>

#include <string>
#include <vector>

namespace dkhost
{
struct Hyperlink
{
    std::wstring address;
    std::wstring description;
};
using HyperlinkList = std::vector<Hyperlink>;

// A new collection of these hyperlinks; with unreadable, no item's address can be read.
HRESULT NewHyperlinks(const HyperlinkList& items, bool unreadable, IDispatch** out) noexcept;
// The hyperlinks of a value: a collection (every item read) or the text form; false for any
// other value, or an item that cannot be read.
bool HyperlinksOf(const VARIANT& value, HyperlinkList& items);
// "a|b" and, item by item, their descriptions "A|B" (fewer descriptions leave the rest
// empty); an empty text holds no hyperlink.
HyperlinkList ParseHyperlinks(const std::wstring& addresses, const std::wstring& descriptions = L"");
// The first address a value holds, empty when it holds none; false when it cannot be read.
bool FirstAddress(const VARIANT& value, std::wstring& address);
} // namespace dkhost

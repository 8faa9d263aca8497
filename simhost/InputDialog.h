// The host's small input dialog: a title, one line of text to edit, a line for what is
// wrong with it, OK (when the text may be edited) and Cancel. Modal over the active window.
#pragma once

#include <functional>
#include <string>

namespace dkhost
{
// accept: true when the text will do, or false with what is wrong (shown, the dialog stays).
using AcceptText = std::function<bool(const std::wstring& text, std::wstring& error)>;

// True when the user confirmed a text accept took.
bool RunInputDialog(const std::wstring& title, const std::wstring& text, bool editable, const AcceptText& accept);
} // namespace dkhost

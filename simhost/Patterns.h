// The host's hatch patterns: the predefined list its pattern file holds, the pattern files
// of the user's own, and which a hatch's pattern name stands for.
#pragma once

#include <string>
#include <vector>

namespace dkhost
{
// The predefined list, in the order the host shows it.
const std::vector<std::wstring>& PredefinedPatterns();
// The custom patterns (files of the user's own) the host can find.
const std::vector<std::wstring>& CustomPatterns();
// The name a hatch takes for the list's entry: an ISO pattern's carries the host's prefix.
std::wstring HatchNameOfEntry(const std::wstring& entry);
// The name is one of the predefined list (letter case ignored), by entry or by the name a
// hatch takes for it.
bool IsPredefinedPattern(const std::wstring& name);
bool IsCustomPattern(const std::wstring& name);
// The gradient fills the host offers, in the order its gradient list shows them.
const std::vector<std::wstring>& GradientNames();
} // namespace dkhost

// The host's plot styles: the drawing's named plot styles and the dialog that picks one.
#pragma once

#include <string>
#include <vector>

namespace dkhost
{
class Drawing;

// The drawing's named plot styles in its order, "Normal" first.
std::vector<std::wstring> NamedPlotStyles(Drawing& d);

// The plot style dialog over the current drawing, started at current: the scripted answer
// (a style's name, or "cancel"), else a small window; journaled. True with the style chosen,
// as the drawing spells it.
bool RunPlotStyleDialog(const std::wstring& current, std::wstring& chosen);
} // namespace dkhost

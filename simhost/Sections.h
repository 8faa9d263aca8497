// Sections: their kind (live, 2D or 3D geometry), the layers their geometry goes on, and the
// settings object their palette objects hand out.
#pragma once

#include "Drawing.h"

#include <oaidl.h>

#include <string>

namespace dkhost
{
constexpr int kLiveSection = 1;
constexpr int k2dSection = 2;
constexpr int k3dSection = 4;

// The kind a drawing file names: "live", "2d" or "3d" (in any letter case); false for others.
bool SectionKindFromText(const std::wstring& text, int& kind) noexcept;

// A property of a section that names the layer part of its geometry goes on.
bool IsSectionLayer(const ObjectClass& cls, const PropertySlot& slot) noexcept;

// A section takes a pattern with "*" (the layer of the object cut stands in for it) or the
// name of one of the drawing's layers; false, with why, for anything else.
bool AcceptSectionLayer(Drawing& d, const std::wstring& value, std::wstring& description);

// A new settings object of a section of that kind, with a reference: property 133 reads 1 for
// a 2D section, property 94 reads 1 for a 3D one, each 0 otherwise.
HRESULT NewSectionSettings(int kind, IDispatch** out) noexcept;
} // namespace dkhost

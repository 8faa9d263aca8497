// The current vertex of a row shown in the drawing: a cross at the vertex (one for the
// whole module), or the parts of a surface-driven object that meet there.
#pragma once

#include "dkdb.h"

#include <oaidl.h>

namespace dkpex
{
// Marks vertex index of the object's list (dispid): for a surface-driven object its
// sub-entities go to paths, for the caller to highlight; otherwise the module's cross moves
// to the vertex (in world coordinates; a polyline's from its plane). Objects with no member
// reading one vertex get no mark.
void MarkVertex(IUnknown* object, DISPID dispid, ULONG index, DkArray<DkDbFullSubentPath>& paths) noexcept;
void EraseVertexMark() noexcept;
} // namespace dkpex

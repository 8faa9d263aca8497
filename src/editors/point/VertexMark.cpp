// The vertex mark: found through the object's own vertex members, drawn by the host.
#include "VertexMark.h"

#include "DkPeCtrlBase.h"
#include "DkPeNumericEditBase.h"
#include "ObjectProperties.h"

#include "dked.h"

#include "Unique.h"

#include <algorithm>

namespace
{
using dkfw::ComPtr;

// The lists of vertices read one vertex at a time by a method of their own.
constexpr DISPID kControlPointsDispid = 2;
constexpr DISPID kFitPointsDispid = 4;

// The module's one mark of a vertex in the drawing.
LONG_PTR g_vertexMark = 0;

HRESULT Call(IDispatch* object, DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result)
{
    DISPPARAMS params{args, nullptr, count, 0};
    return object->Invoke(id, IID_NULL, CDkPeCtrlBase::kPropertyLocale, flags, &params, result, nullptr, nullptr);
}

// The first n doubles of a point (an array of reals); false when it has fewer.
bool PointDoubles(const VARIANT& v, double* out, size_t n)
{
    if (v.vt != (VT_ARRAY | VT_R8) || !v.parray || ::SafeArrayGetDim(v.parray) != 1)
        return false;
    LONG low = 0, high = -1;
    ::SafeArrayGetLBound(v.parray, 1, &low);
    ::SafeArrayGetUBound(v.parray, 1, &high);
    if (high - low + 1 < static_cast<LONG>(n))
        return false;
    double* data = nullptr;
    if (FAILED(::SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&data))))
        return false;
    std::copy(data, data + n, out);
    ::SafeArrayUnaccessData(v.parray);
    return true;
}
} // namespace

namespace dkpex
{
void EraseVertexMark() noexcept
{
    if (g_vertexMark)
        OPMxemark(g_vertexMark);
    g_vertexMark = 0;
}

void MarkVertex(IUnknown* object, DISPID dispid, ULONG index, DkArray<DkDbFullSubentPath>& paths) noexcept
try
{
    paths.removeAll();
    if (!object)
        return;
    const LONG_PTR id = CDkPeCtrlBase::ObjectDatabaseId(object);
    // A vertex of a surface-driven object is the surface's parts that meet there.
    if (id != 0 &&
        DkDbAssocSurfaceActionBody::getVertexSubentPaths(DkDbObjectId(id), static_cast<int>(index), paths) ==
            Drvk::eOk &&
        paths.length() > 0)
        return;
    paths.removeAll();
    ComPtr<IDispatch> d;
    if (FAILED(object->QueryInterface(IID_IDispatch, d.PutVoid())))
        return;
    DISPID member = DISPID_UNKNOWN;
    WORD flags = DISPATCH_PROPERTYGET;
    if (!MemberOfName(d.Get(), L"Coordinate", member))
    {
        flags = DISPATCH_METHOD;
        if (!(dispid == kControlPointsDispid && MemberOfName(d.Get(), L"GetControlPoint", member)) &&
            !(dispid == kFitPointsDispid && MemberOfName(d.Get(), L"GetFitPoint", member)))
            return;
    }
    EraseVertexMark();
    // A polyline's vertices lie in its plane: x and y there, the plane at its elevation.
    bool planar = false;
    double xyz[3] = {0, 0, 0};
    double normal[3] = {0, 0, 1};
    if (DkDbPolyline* polyline = nullptr;
        id != 0 && dkdbOpenObject(polyline, DkDbObjectId(id), DkDb::kForRead) == Drvk::eOk)
    {
        planar = true;
        xyz[2] = polyline->elevation();
        polyline->close();
        DISPID elevation = DISPID_UNKNOWN;
        dkfw::UniqueVariant z;
        if (MemberOfName(d.Get(), L"Elevation", elevation) &&
            SUCCEEDED(Call(d.Get(), elevation, DISPATCH_PROPERTYGET, nullptr, 0, z.Put())))
            NumericAsDouble(z.Get(), xyz[2]);
    }
    VARIANT arg;
    arg.vt = VT_I4;
    arg.lVal = static_cast<LONG>(index);
    dkfw::UniqueVariant point;
    if (FAILED(Call(d.Get(), member, flags, &arg, 1, point.Put())) || !PointDoubles(point.Get(), xyz, planar ? 2 : 3))
        return;
    if (planar)
    {
        DISPID normalId = DISPID_UNKNOWN;
        dkfw::UniqueVariant n;
        if (MemberOfName(d.Get(), L"Normal", normalId) &&
            SUCCEEDED(Call(d.Get(), normalId, DISPATCH_PROPERTYGET, nullptr, 0, n.Put())))
            PointDoubles(n.Get(), normal, 3);
        const double ecs[3] = {xyz[0], xyz[1], xyz[2]};
        dkdbEcs2Wcs(ecs, normal, xyz);
    }
    OPMxmark(xyz[0], xyz[1], xyz[2], g_vertexMark);
}
catch (...)
{
}
} // namespace dkpex

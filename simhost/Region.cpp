// Union areas by vertical slabs: between two neighbouring vertex or crossing abscissas no
// edge starts, ends or crosses another, so the length of the union cut at x is linear
// there and its value at the slab's middle times the slab's width is the slab's area.
#include "Region.h"

#include "DkHostTest.h"

#include <algorithm>
#include <cmath>

namespace dkhost
{
namespace
{
int g_liveRegions = 0;

// Edge visits one measure may take: a few tenths of a second. Simple outlines of thousands
// of vertices fit; an outline that crosses itself tens of thousands of times does not.
constexpr double kMaxWork = 4e7;

struct Edge
{
    Point2 a;
    Point2 b;
};

std::vector<Edge> EdgesOf(const Loop& loop)
{
    std::vector<Edge> edges;
    for (size_t i = 0; i < loop.size(); ++i)
        edges.push_back({loop[i], loop[(i + 1) % loop.size()]});
    return edges;
}

// The abscissa where two edges cross inside both, if they do.
bool CrossingX(const Edge& e, const Edge& f, double& x)
{
    const double rx = e.b.x - e.a.x, ry = e.b.y - e.a.y;
    const double sx = f.b.x - f.a.x, sy = f.b.y - f.a.y;
    const double denominator = rx * sy - ry * sx;
    if (denominator == 0)
        return false;
    const double qx = f.a.x - e.a.x, qy = f.a.y - e.a.y;
    const double t = (qx * sy - qy * sx) / denominator;
    const double u = (qx * ry - qy * rx) / denominator;
    if (t <= 0 || t >= 1 || u <= 0 || u >= 1)
        return false;
    x = e.a.x + t * rx;
    return true;
}

// Adds the inside intervals of one loop on the vertical line at x.
void CutAt(const std::vector<Edge>& edges, double x, std::vector<std::pair<double, double>>& intervals)
{
    std::vector<double> ys;
    for (const Edge& e : edges)
        if ((e.a.x < x) != (e.b.x < x))
            ys.push_back(e.a.y + (x - e.a.x) * (e.b.y - e.a.y) / (e.b.x - e.a.x));
    std::sort(ys.begin(), ys.end());
    for (size_t i = 0; i + 1 < ys.size(); i += 2)
        intervals.emplace_back(ys[i], ys[i + 1]);
}

double CoveredLength(std::vector<std::pair<double, double>>& intervals)
{
    std::sort(intervals.begin(), intervals.end());
    double length = 0;
    double end = -HUGE_VAL;
    for (const auto& [low, high] : intervals)
    {
        if (high <= end)
            continue;
        length += high - std::max(low, end);
        end = high;
    }
    return length;
}
} // namespace

Loop LoopOf(const std::vector<double>& coordinates)
{
    Loop loop;
    for (size_t i = 0; i + 1 < coordinates.size(); i += 2)
        loop.push_back({coordinates[i], coordinates[i + 1]});
    if (loop.size() < 3)
        loop.clear();
    return loop;
}

bool UnionArea(const std::vector<Loop>& loops, double& result)
{
    std::vector<std::vector<Edge>> edges;
    std::vector<Edge> all;
    std::vector<double> xs;
    for (const Loop& loop : loops)
    {
        edges.push_back(EdgesOf(loop));
        all.insert(all.end(), edges.back().begin(), edges.back().end());
        for (const Point2& p : loop)
            xs.push_back(p.x);
    }
    // Every pair of edges is looked at once; every slab (a vertex or a crossing) cuts every edge.
    const double edgeCount = static_cast<double>(all.size());
    if (edgeCount * edgeCount / 2 > kMaxWork)
        return false;
    double x = 0;
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j)
            if (CrossingX(all[i], all[j], x))
            {
                xs.push_back(x);
                if (static_cast<double>(xs.size()) * edgeCount > kMaxWork)
                    return false;
            }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    double area = 0;
    std::vector<std::pair<double, double>> intervals;
    for (size_t i = 0; i + 1 < xs.size(); ++i)
    {
        const double middle = (xs[i] + xs[i + 1]) / 2;
        intervals.clear();
        for (const auto& loopEdges : edges)
            CutAt(loopEdges, middle, intervals);
        area += CoveredLength(intervals) * (xs[i + 1] - xs[i]);
    }
    result = area;
    return true;
}

Region::Region(Loop loop)
{
    m_loops.push_back(std::move(loop));
    ++g_liveRegions;
}

Region::~Region()
{
    --g_liveRegions;
}

Drvk::ErrorStatus Region::booleanOper(DkDb::BoolOperType operation, DkDbRegion* other) noexcept
try
{
    auto* from = dynamic_cast<Region*>(other);
    if (operation != DkDb::kBoolUnite || !from || from == this)
        return Drvk::eInvalidInput;
    m_loops.insert(m_loops.end(), from->m_loops.begin(), from->m_loops.end());
    from->m_loops.clear();
    return Drvk::eOk;
}
catch (...)
{
    return Drvk::eInvalidInput;
}

Drvk::ErrorStatus Region::getArea(double& area) const noexcept
try
{
    return UnionArea(m_loops, area) ? Drvk::eOk : Drvk::eInvalidInput;
}
catch (...)
{
    return Drvk::eInvalidInput;
}
} // namespace dkhost

DkDbRegion::~DkDbRegion() = default;

int dkhost_test::LiveRegions() noexcept
{
    return dkhost::g_liveRegions;
}

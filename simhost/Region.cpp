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

// The work one measure may take, well under a tenth of a second: pairs of edges looked at
// for crossings, and edges cut (and sorted) across the slabs when outlines cross.
constexpr double kMaxPairs = 2e7;
constexpr double kMaxSlabWork = 2e7;

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

double Orientation(const Point2& a, const Point2& b, const Point2& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool Within(const Point2& a, const Point2& b, const Point2& p)
{
    return p.x >= std::min(a.x, b.x) && p.x <= std::max(a.x, b.x) && p.y >= std::min(a.y, b.y) &&
           p.y <= std::max(a.y, b.y);
}

// Two edges meet anywhere: crossing, touching at an end or a vertex, or lying along each other.
bool Meet(const Edge& e, const Edge& f)
{
    const double d1 = Orientation(f.a, f.b, e.a), d2 = Orientation(f.a, f.b, e.b);
    const double d3 = Orientation(e.a, e.b, f.a), d4 = Orientation(e.a, e.b, f.b);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    return (d1 == 0 && Within(f.a, f.b, e.a)) || (d2 == 0 && Within(f.a, f.b, e.b)) ||
           (d3 == 0 && Within(e.a, e.b, f.a)) || (d4 == 0 && Within(e.a, e.b, f.b));
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

double ShoelaceArea(const Loop& loop)
{
    double twice = 0;
    for (size_t i = 0; i < loop.size(); ++i)
    {
        const Point2& a = loop[i];
        const Point2& b = loop[(i + 1) % loop.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return std::fabs(twice) / 2;
}

bool OnEdge(const Point2& p, const Edge& e)
{
    return Orientation(e.a, e.b, p) == 0 && Within(e.a, e.b, p);
}

// -1 on the loop's boundary, 1 inside (even-odd), 0 outside.
int Where(const Point2& p, const std::vector<Edge>& edges)
{
    bool inside = false;
    for (const Edge& e : edges)
    {
        if (OnEdge(p, e))
            return -1;
        if ((e.a.y > p.y) != (e.b.y > p.y) && p.x < e.a.x + (p.y - e.a.y) * (e.b.x - e.a.x) / (e.b.y - e.a.y))
            inside = !inside;
    }
    return inside ? 1 : 0;
}

// Loops no edge of which crosses another: each is simple, any two are apart or one holds
// the other, so the union is the loops no other holds, each its own (shoelace) area.
double UncrossedUnionArea(const std::vector<Loop>& loops, const std::vector<std::vector<Edge>>& edges)
{
    double area = 0;
    for (size_t l = 0; l < loops.size(); ++l)
    {
        bool held = false;
        for (size_t m = 0; m < loops.size() && !held; ++m)
        {
            if (m == l || loops[m].empty())
                continue;
            bool allOnBoundary = true;
            for (const Point2& p : loops[l])
            {
                const int where = Where(p, edges[m]);
                if (where == 1)
                {
                    held = true;
                    break;
                }
                if (where == 0)
                {
                    allOnBoundary = false;
                    break;
                }
            }
            // The same outline twice: the first of them counts.
            held = held || (allOnBoundary && m < l);
        }
        if (!held)
            area += ShoelaceArea(loops[l]);
    }
    return area;
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
    // Every pair of edges is looked at once; every slab (a vertex or a crossing) cuts and
    // sorts every edge.
    const double edgeCount = static_cast<double>(all.size());
    if (edgeCount * edgeCount / 2 > kMaxPairs)
        return false;
    // Edges meet only where a loop's consecutive edges share their vertex: the loops are
    // simple and apart or nested, and their own areas give the union at once.
    std::vector<std::pair<size_t, size_t>> place; // each edge's loop and its index there
    for (size_t l = 0; l < edges.size(); ++l)
        for (size_t k = 0; k < edges[l].size(); ++k)
            place.emplace_back(l, k);
    auto consecutive = [&](size_t i, size_t j)
    {
        if (place[i].first != place[j].first)
            return false;
        const size_t n = edges[place[i].first].size();
        const size_t a = place[i].second;
        const size_t b = place[j].second;
        return (a + 1) % n == b || (b + 1) % n == a;
    };
    // Consecutive edges that turn straight back lie along each other past their vertex.
    auto foldBack = [](const Edge& e, const Edge& f)
    {
        return Orientation(e.a, e.b, f.b) == 0 && Orientation(e.a, e.b, f.a) == 0 &&
               (e.b.x - e.a.x) * (f.b.x - f.a.x) + (e.b.y - e.a.y) * (f.b.y - f.a.y) < 0;
    };
    bool apart = true;
    for (size_t i = 0; i < all.size() && apart; ++i)
        for (size_t j = i + 1; j < all.size() && apart; ++j)
            if (Meet(all[i], all[j]) && (!consecutive(i, j) || foldBack(all[i], all[j])))
                apart = false;
    if (apart)
    {
        result = UncrossedUnionArea(loops, edges);
        return true;
    }
    double x = 0;
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j)
            if (CrossingX(all[i], all[j], x))
            {
                xs.push_back(x);
                if (static_cast<double>(xs.size()) * edgeCount * std::log2(edgeCount + 2) > kMaxSlabWork)
                    return false;
            }
    if (static_cast<double>(xs.size()) * edgeCount * std::log2(edgeCount + 2) > kMaxSlabWork)
        return false;
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

// Planar regions: closed loops of straight edges, their union and its area.
#pragma once

#include "dkdb.h"

#include <vector>

namespace dkhost
{
struct Point2
{
    double x = 0;
    double y = 0;
};
using Loop = std::vector<Point2>;

// The loop of a flat list of coordinates x0, y0, x1, y1, ...; empty unless it holds at
// least three vertices.
Loop LoopOf(const std::vector<double>& coordinates);

// The area covered by at least one loop; a loop's inside is what the even-odd rule says.
// False (and no area) when the loops cross themselves and each other so often that the
// measure would take more than a bounded amount of work: the host declines rather than stall.
bool UnionArea(const std::vector<Loop>& loops, double& area);

// A region of the database API: the loops it has taken in, their union its area.
class Region final : public DkDbRegion
{
public:
    explicit Region(Loop loop);
    ~Region() override;
    Drvk::ErrorStatus booleanOper(DkDb::BoolOperType operation, DkDbRegion* other) noexcept override;
    Drvk::ErrorStatus getArea(double& area) const noexcept override;

private:
    std::vector<Loop> m_loops;
};
} // namespace dkhost

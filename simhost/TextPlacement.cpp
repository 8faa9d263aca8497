// Single-line text as the host lays it out: a box as high as the text and 0.6 of the height
// wide per character (times the width factor), turned by the rotation. The justification
// names a point of that box. Left texts are placed by their insertion point, the others by
// their alignment point; aligned and fitted texts lie between the two points, their height
// (aligned) or width factor (fitted) following from the distance.
#include "Drawing.h"

#include <cmath>

namespace dkhost
{
namespace
{
constexpr double kCharacterWidth = 0.6;
constexpr LONG kLeft = 0;
constexpr LONG kAligned = 3;
constexpr LONG kFit = 5;

// The justification's point on the box: the fraction of its width and of its height.
constexpr double kAnchor[15][2] = {{0, 0},     {0.5, 0}, {1, 0},     {0, 0},       {0.5, 0.5},
                                   {0, 0},     {0, 1},   {0.5, 1},   {1, 1},       {0, 0.5},
                                   {0.5, 0.5}, {1, 0.5}, {0, -0.25}, {0.5, -0.25}, {1, -0.25}};

struct Point
{
    double x = 0, y = 0, z = 0;
};

class TextView
{
public:
    TextView(Drawing& d, Record& r) : m_d(d), m_r(r) {}

    double Number(const wchar_t* name) const
    {
        const VARIANT& v = Value(name);
        return v.vt == VT_R8 ? v.dblVal : v.vt == VT_I4 ? v.lVal : 0.0;
    }
    Point At(const wchar_t* name) const
    {
        const std::vector<double> d = Doubles(Value(name));
        Point p;
        if (d.size() >= 2)
        {
            p.x = d[0];
            p.y = d[1];
            p.z = d.size() > 2 ? d[2] : 0.0;
        }
        return p;
    }
    size_t Length() const
    {
        const VARIANT& v = Value(L"TextString");
        return v.vt == VT_BSTR && v.bstrVal ? ::SysStringLen(v.bstrVal) : 0;
    }
    // The natural width of the text along its baseline.
    double Width() const { return kCharacterWidth * Number(L"Height") * Number(L"ScaleFactor") * Length(); }

    void SetNumber(const wchar_t* name, double value)
    {
        VARIANT v;
        v.vt = VT_R8;
        v.dblVal = value;
        m_d.StoreDerived(m_r, name, v);
    }
    void SetPoint(const wchar_t* name, const Point& p)
    {
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_R8, 0, 3);
        if (!sa)
            return;
        double* data = nullptr;
        ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&data));
        data[0] = p.x;
        data[1] = p.y;
        data[2] = p.z;
        ::SafeArrayUnaccessData(sa);
        dkfw::UniqueVariant v;
        v.Addr()->vt = VT_ARRAY | VT_R8;
        v.Addr()->parray = sa;
        m_d.StoreDerived(m_r, name, v.Get());
    }

private:
    const VARIANT& Value(const wchar_t* name) const
    {
        static const VARIANT empty{};
        const PropertySlot* slot = m_r.cls->Slot(name);
        return slot ? m_r.values[static_cast<size_t>(m_r.cls->SlotIndex(slot->dispid))].Get() : empty;
    }

    Drawing& m_d;
    Record& m_r;
};

Point Offset(const Point& p, double along, double up, double rotation)
{
    const double c = std::cos(rotation);
    const double s = std::sin(rotation);
    return Point{p.x + along * c - up * s, p.y + along * s + up * c, p.z};
}

// Height or width factor, and rotation, from the two points of an aligned or fitted text.
void FitBetweenPoints(TextView& t, LONG justification)
{
    const Point a = t.At(L"InsertionPoint");
    const Point b = t.At(L"TextAlignmentPoint");
    const double distance = std::hypot(b.x - a.x, b.y - a.y);
    const double perUnit = kCharacterWidth * static_cast<double>(t.Length());
    if (!(distance > 0) || !(perUnit > 0))
        return;
    t.SetNumber(L"Rotation", std::atan2(b.y - a.y, b.x - a.x));
    if (justification == kAligned && t.Number(L"ScaleFactor") > 0)
        t.SetNumber(L"Height", distance / (perUnit * t.Number(L"ScaleFactor")));
    else if (justification == kFit && t.Number(L"Height") > 0)
        t.SetNumber(L"ScaleFactor", distance / (perUnit * t.Number(L"Height")));
}
} // namespace

void KeepTextInPlace(Drawing& d, Record& r, const std::wstring& written)
{
    static const wchar_t* const kLayout[] = {L"Alignment",   L"InsertionPoint", L"TextAlignmentPoint", L"Height",
                                             L"ScaleFactor", L"Rotation",       L"TextString"};
    bool layout = false;
    for (const wchar_t* name : kLayout)
        layout = layout || written == name;
    if (!layout || !r.cls->Slot(L"TextAlignmentPoint") || !r.cls->Slot(L"Alignment"))
        return;
    TextView t(d, r);
    const LONG j = static_cast<LONG>(t.Number(L"Alignment"));
    if (j < 0 || j > 14)
        return;
    const double rotation = t.Number(L"Rotation");
    const Point insertion = t.At(L"InsertionPoint");
    const Point alignment = t.At(L"TextAlignmentPoint");
    if (j == kAligned || j == kFit)
    {
        const bool derivedHeight = j == kAligned;
        // Entering the justification, or a size the justification does not work out: the
        // second point at the text's natural extent; turned: the second point turns too.
        if (written == L"Alignment" || written == L"Rotation" || (written == L"Height" && derivedHeight) ||
            (written == L"ScaleFactor" && !derivedHeight))
        {
            const double distance =
                written == L"Rotation" ? std::hypot(alignment.x - insertion.x, alignment.y - insertion.y) : t.Width();
            t.SetPoint(L"TextAlignmentPoint", Offset(insertion, distance, 0, rotation));
            return;
        }
        FitBetweenPoints(t, j);
        return;
    }
    if (j == kLeft)
    {
        // The insertion point holds the text; the alignment point is its twin.
        if (written == L"TextAlignmentPoint")
            t.SetPoint(L"InsertionPoint", alignment);
        else
            t.SetPoint(L"TextAlignmentPoint", insertion);
        return;
    }
    const double along = kAnchor[j][0] * t.Width();
    const double up = kAnchor[j][1] * t.Number(L"Height");
    if (written == L"InsertionPoint")
        t.SetPoint(L"TextAlignmentPoint", Offset(insertion, along, up, rotation));
    else
        t.SetPoint(L"InsertionPoint", Offset(alignment, -along, -up, rotation));
}
} // namespace dkhost

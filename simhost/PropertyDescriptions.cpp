// The host's description of each class's palette rows: name, category, DISPID, the editor
// that serves the row and its numeric kind, and how the rows of points and vertices split.
#include "DkHostTest.h"

#include <cwchar>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace
{
using Row = dkhost_test::PropertyDescription;

constexpr int kDistance = 0;
constexpr int kAngle = 1;
constexpr int kNoUnits = 2;
// Angles not measured from the drawing's base angle and direction.
constexpr int kRawAngle = 6;

#define DK_EDITOR(name) L"DkPEXCtl.DkPe" name L".16"
// The classes of the later version.
#define DK_EDITOR17(name) L"DkPEXCtl.DkPe" name L".17"

// A coordinate row: element `component` of each vertex of `perVertex` elements.
Row Coordinate(const wchar_t* name, DISPID dispid, int component, int perVertex,
               const wchar_t* editor = DK_EDITOR(L"PropertyEditorVariant"), int numericType = kDistance)
{
    Row row{name, L"Geometry", dispid, editor, numericType};
    row.component = component;
    row.elementCount = perVertex;
    return row;
}

// The row that steps a list's coordinate rows from vertex to vertex.
Row VertexRow(const wchar_t* name, DISPID dispid, int perVertex)
{
    Row row{name, L"Geometry", dispid, DK_EDITOR(L"PropertyEditorSpin"), -1};
    row.elementCount = perVertex;
    return row;
}

// A distance typed, or measured between two points the user picks.
Row PickedDistance(const wchar_t* name, DISPID dispid, const wchar_t* firstPrompt, const wchar_t* secondPrompt)
{
    Row row{name, L"Geometry", dispid, DK_EDITOR(L"Pick2PointsCtrl"), kDistance};
    row.firstPrompt = firstPrompt;
    row.secondPrompt = secondPrompt;
    return row;
}

// A point's three rows, "NAME X", "NAME Y" and "NAME Z".
#define DK_POINT(name, dispid)                                                                                         \
    Coordinate(name L" X", dispid, 0, 3), Coordinate(name L" Y", dispid, 1, 3), Coordinate(name L" Z", dispid, 2, 3)

// Every entity's general rows.
const Row kGeneral[] = {
    {L"Color", L"General", 1, DK_EDITOR(L"PropertyEditorColor"), -1},
    {L"Layer", L"General", 2, DK_EDITOR(L"PropertyEditorLayer"), -1},
    {L"Linetype", L"General", 3, DK_EDITOR(L"PropertyEditorLType"), -1},
    {L"Linetype scale", L"General", 4, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kNoUnits},
    {L"Lineweight", L"General", 5, DK_EDITOR(L"PropertyEditorLWeight"), -1},
    {L"Plot style", L"General", 6, DK_EDITOR(L"PropertyEditorPlotStyleName"), -1},
    {L"Material", L"3D Visualization", 7, DK_EDITOR(L"PropertyEditorMaterial"), -1},
    {L"Transparency", L"General", 8, DK_EDITOR(L"PropertyEditorNumeric"), -1},
    {L"Visible", L"General", 9, DK_EDITOR(L"PropertyEditorBool"), -1},
    {L"Thickness", L"General", 10, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
    {L"Hyperlink", L"General", 13, DK_EDITOR(L"PropertyEditorEllipsesHyperlinks"), -1},
    {L"Handle", L"General", 11, nullptr, -1},
};

struct ClassRows
{
    const wchar_t* cls;
    std::vector<Row> rows;
};

const std::vector<ClassRows>& Specific()
{
    static const std::vector<ClassRows> table = {
        {L"Line",
         {DK_POINT(L"Start", 100),
          DK_POINT(L"End", 101),
          {L"Length", L"Geometry", 102, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Angle", L"Geometry", 103, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle}}},
        {L"Circle",
         {DK_POINT(L"Center", 100),
          {L"Radius", L"Geometry", 101, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance, 1},
          {L"Diameter", L"Geometry", 102, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Circumference", L"Geometry", 103, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Area", L"Geometry", 104, DK_EDITOR(L"PropertyEditorNumericArea"), -1}}},
        {L"Arc",
         {DK_POINT(L"Center", 100),
          {L"Radius", L"Geometry", 101, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Start angle", L"Geometry", 102, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle},
          {L"End angle", L"Geometry", 103, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle},
          {L"Total angle", L"Geometry", 104, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle},
          {L"Arc length", L"Geometry", 105, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Area", L"Geometry", 106, DK_EDITOR(L"PropertyEditorNumericArea"), -1}}},
        {L"Ellipse",
         {DK_POINT(L"Center", 100),
          {L"Major radius", L"Geometry", 101, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Minor radius", L"Geometry", 102, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Start angle", L"Geometry", 103, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle},
          {L"End angle", L"Geometry", 104, DK_EDITOR(L"PropertyEditorEllipseEndAngle"), kAngle}}},
        {L"Polyline",
         {VertexRow(L"Vertex", 100, 2),
          Coordinate(L"Vertex X", 100, 0, 2),
          Coordinate(L"Vertex Y", 100, 1, 2),
          {L"Closed", L"Misc", 101, DK_EDITOR(L"PropertyEditorBool"), -1},
          PickedDistance(L"Global width", 102, L"Specify first point of the width:", L"Specify second point:"),
          {L"Elevation", L"Geometry", 103, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Area", L"Geometry", 104, DK_EDITOR(L"PropertyEditorNumericArea"), -1},
          {L"Length", L"Geometry", 105, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance}}},
        {L"Spline",
         {VertexRow(L"Control point", 2, 4),
          Coordinate(L"Control point X", 2, 0, 4),
          Coordinate(L"Control point Y", 2, 1, 4),
          Coordinate(L"Control point Z", 2, 2, 4),
          Coordinate(L"Weight", 2, 3, 4, DK_EDITOR(L"PropertyEditorNoPickVariant"), kNoUnits),
          VertexRow(L"Fit point", 4, 3),
          Coordinate(L"Fit point X", 4, 0, 3),
          Coordinate(L"Fit point Y", 4, 1, 3),
          Coordinate(L"Fit point Z", 4, 2, 3),
          {L"Closed", L"Misc", 100, DK_EDITOR(L"PropertyEditorBool"), -1}}},
        {L"Text",
         {{L"Contents", L"Text", 100, DK_EDITOR(L"PropertyEditorText"), -1},
          {L"Height", L"Text", 101, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Rotation", L"Text", 102, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle},
          {L"Style", L"Text", 103, DK_EDITOR(L"PropertyEditorTextStyle"), -1},
          {L"Justify", L"Text", 104, DK_EDITOR(L"PropertyEditorTextJustify"), -1},
          {L"Obliquing", L"Text", 105, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kRawAngle},
          {L"Width factor", L"Text", 106, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kNoUnits},
          DK_POINT(L"Position", 107),
          {L"Upside down", L"Text", 109, DK_EDITOR(L"PropertyEditorBool"), -1},
          {L"Backward", L"Text", 110, DK_EDITOR(L"PropertyEditorBool"), -1},
          {L"Annotative", L"Text", 111, DK_EDITOR(L"PropertyEditorBool"), -1}}},
        {L"MText",
         {{L"Contents", L"Text", 100, DK_EDITOR(L"PropertyEditorTextEx"), -1},
          {L"Text height", L"Text", 101, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Rotation", L"Text", 102, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle},
          {L"Style", L"Text", 103, DK_EDITOR(L"PropertyEditorMTextStyle"), -1},
          {L"Justify", L"Text", 104, DK_EDITOR(L"PropertyEditorEnum"), -1},
          {L"Direction", L"Text", 105, DK_EDITOR(L"PropertyEditorMTextDir"), -1},
          {L"Defined width", L"Text", 106, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Line space factor", L"Text", 107, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kNoUnits},
          DK_POINT(L"Position", 108),
          // The mask behind the text: no meta colours, the foreground as black or white.
          {L"Mask color", L"Text", 109, DK_EDITOR(L"PropertyEditorColor"), -1, -1,
           dkhost_test::kNoMetaColor | dkhost_test::kFixedForeground},
          {L"Annotative", L"Text", 110, DK_EDITOR(L"PropertyEditorBool"), -1},
          // Set in the host's columns dialog, opened from the row's label.
          {L"Columns", L"Text", 111, DK_EDITOR(L"DlgLaunchCtrl"), -1}}},
        {L"Hatch",
         {{L"Pattern name", L"Pattern", 100, DK_EDITOR(L"PropertyEditorHatchPatternName"), -1},
          {L"Type", L"Pattern", 101, DK_EDITOR(L"PropertyEditorEllipsisHatchPatternType"), -1},
          {L"Angle", L"Pattern", 102, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle},
          {L"Scale", L"Pattern", 103, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kNoUnits},
          {L"Area", L"Geometry", 104, DK_EDITOR(L"PropertyEditorNumericArea"), -1},
          {L"Associative", L"Misc", 105, DK_EDITOR(L"PropertyEditorBool"), -1},
          {L"ISO pen width", L"Pattern", 106, DK_EDITOR(L"PropertyEditorHatchISOPenWidth"), -1},
          {L"Gradient", L"Pattern", 107, DK_EDITOR(L"PropertyEditorGradientPattern"), -1},
          // A choice of the hatch's own that the hatch fills itself anew after.
          {L"Island style", L"Pattern", 111, DK_EDITOR(L"PropertyEditorHatchEnum"), -1},
          {L"Spacing", L"Pattern", 108, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Background color", L"Pattern", 110, DK_EDITOR(L"PropertyEditorColor"), -1, -1,
           dkhost_test::kNoMetaColor | dkhost_test::kAllowNoneColor}}},
        {L"RasterImage",
         {// The image's file: shown, and changed in the host's dialog.
          {L"Name", L"Misc", 100, DK_EDITOR(L"PropertyEditorEllipses"), -1},
          {L"Width", L"Geometry", 101, DK_EDITOR(L"PropertyEditorRasterImageWidth"), -1},
          {L"Height", L"Geometry", 102, DK_EDITOR(L"PropertyEditorRasterImageHeight"), -1},
          {L"Show image", L"Misc", 103, DK_EDITOR(L"PropertyEditorBool"), -1},
          {L"Brightness", L"Image adjust", 104, DK_EDITOR(L"PropertyEditorNumeric"), -1},
          {L"Contrast", L"Image adjust", 105, DK_EDITOR(L"PropertyEditorNumeric"), -1},
          {L"Fade", L"Image adjust", 106, DK_EDITOR(L"PropertyEditorNumeric"), -1},
          {L"Rotation", L"Geometry", 107, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle}}},
        {L"BlockReference",
         {{L"Name", L"Misc", 100, DK_EDITOR(L"PropertyEditorText"), -1},
          DK_POINT(L"Position", 101),
          {L"Scale X", L"Geometry", 102, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kNoUnits},
          {L"Scale Y", L"Geometry", 103, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kNoUnits},
          {L"Scale Z", L"Geometry", 104, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kNoUnits},
          {L"Rotation", L"Geometry", 105, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle}}},
        {L"Attribute",
         {{L"Tag", L"Attribute", 100, DK_EDITOR(L"PropertyEditorText"), -1},
          {L"Value", L"Attribute", 101, DK_EDITOR17(L"PropertyEditorAttributeValue"), -1},
          {L"Height", L"Text", 102, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Invisible", L"Misc", 103, DK_EDITOR(L"PropertyEditorBool"), -1},
          {L"Justify", L"Text", 104, DK_EDITOR(L"PropertyEditorTextJustify"), -1},
          {L"Rotation", L"Text", 105, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kAngle},
          {L"Width factor", L"Text", 106, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kNoUnits}}},
        {L"GeoMapImage",
         {{L"Map service user", L"Map service", 100, DK_EDITOR(L"PropertyEditorText"), -1},
          {L"Map service password", L"Map service", 101, DK_EDITOR(L"PropertyEditorPwdText"), -1}}},
        {L"DimConstraint",
         {{L"Expression", L"Constraint", 100, DK_EDITOR(L"PropertyEditorText"), -1},
          {L"Annotational", L"Constraint", 85, DK_EDITOR(L"PropertyEditorBool"), -1}}},
        {L"Dimension",
         {{L"Dim style", L"Misc", 100, DK_EDITOR(L"PropertyEditorDimStyle"), -1},
          {L"Measurement", L"Text", 101, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          // Typed, or edited in the host's dialog.
          {L"Text override", L"Text", 102, DK_EDITOR(L"PropertyEditorEditButton"), -1},
          // Each arrowhead's position in the host's list; a user arrow's block is the
          // dimension's 65 or 66.
          {L"Arrow 1", L"Lines & Arrows", 62, DK_EDITOR(L"PropertyEditorDimArrowHead"), -1},
          {L"Arrow 2", L"Lines & Arrows", 63, DK_EDITOR(L"PropertyEditorDimArrowHead"), -1},
          {L"Text height", L"Text", 105, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kDistance},
          {L"Dim scale overall", L"Fit", 106, DK_EDITOR(L"PropertyEditorDRVKNumeric"), kNoUnits},
          {L"Dim line color", L"Lines & Arrows", 107, DK_EDITOR(L"PropertyEditorColor"), -1},
          {L"Text fill", L"Text", 108, DK_EDITOR(L"PropertyEditorCustomColor"), -1},
          {L"Annotative", L"Misc", 109, DK_EDITOR(L"PropertyEditorBool"), -1}}},
        {L"MLeader",
         {{L"Multileader style", L"Misc", 100, DK_EDITOR17(L"PropertyEditorMLeaderStyle"), -1},
          // The arrowhead of the leader lines (its block: 24) and the content's shape (its
          // block: 9).
          {L"Arrowhead", L"Leaders", 23, DK_EDITOR(L"PropertyEditorDimArrowHead"), -1},
          {L"Block", L"Content", 25, DK_EDITOR17(L"PropertyEditorPredefBlock"), -1},
          {L"Contents", L"Text", 101, DK_EDITOR(L"PropertyEditorText"), -1},
          {L"Annotative", L"Misc", 102, DK_EDITOR(L"PropertyEditorBool"), -1}}},
        {L"MLeaderLine", {{L"Arrowhead", L"Leaders", 6, DK_EDITOR(L"PropertyEditorDimArrowHead"), -1}}},
        {L"Leader", {{L"Arrow", L"Lines & Arrows", 69, DK_EDITOR(L"PropertyEditorDimArrowHead"), -1}}},
        // A callout's bubble: a shape, or a block (8713) of the saved drawing (8714).
        {L"Callout", {{L"Block", L"Callout", 100, DK_EDITOR17(L"PropertyEditorPredefBlock"), -1}}},
        {L"Layout",
         {{L"Name", L"Layout", 100, nullptr, -1},
          {L"Plot style table", L"Plot", 101, DK_EDITOR(L"PropertyEditorPlotStyleTable"), -1}}},
        // A photometric light: its lamp (a temperature or a preset), intensity, web file with its
        // preview, and the filter before it, which is always a colour of its own.
        {L"PhotometricLight",
         {{L"Lamp color", L"Photometric properties", 200, DK_EDITOR17(L"PropertyEditorLightLampColor"), -1},
          {L"Intensity", L"Photometric properties", 201, DK_EDITOR17(L"PropertyEditorLightIntensity"), -1},
          {L"Web file", L"Photometric properties", 202, DK_EDITOR(L"PropertyEditorText"), -1},
          {L"Web preview", L"Photometric properties", 203, DK_EDITOR17(L"PropertyEditorLightWebPreview"), -1},
          {L"Filter color", L"Photometric properties", 204, DK_EDITOR(L"PropertyEditorColor"), -1, -1,
           dkhost_test::kNoMetaColor}}},
        {L"Viewport", {{L"Visual style", L"Misc", 300, DK_EDITOR(L"PropertyEditorVisualStyle"), -1}}},
        // A section: the layers of what it makes, each a layer's name or a pattern with "*".
        {L"Section",
         {{L"Cut layer", L"Section layers", 52, DK_EDITOR17(L"PropertySectionLayerCombo"), -1},
          {L"Fill layer", L"Section layers", 78, DK_EDITOR17(L"PropertySectionLayerCombo"), -1},
          {L"Background layer", L"Section layers", 94, DK_EDITOR17(L"PropertySectionLayerCombo"), -1},
          {L"Foreground layer", L"Section layers", 114, DK_EDITOR17(L"PropertySectionLayerCombo"), -1},
          {L"Tangency layer", L"Section layers", 133, DK_EDITOR17(L"PropertySectionLayerCombo"), -1}}},
        {L"Table",
         {{L"Table style", L"Table", 100, DK_EDITOR17(L"PropertyEditorTableStyle"), -1},
          {L"Rows", L"Table", 101, DK_EDITOR(L"PropertyEditorNumeric"), -1},
          {L"Columns", L"Table", 102, DK_EDITOR(L"PropertyEditorNumeric"), -1}}},
    };
    return table;
}

// The DISPIDs a class gives general properties of its own: a spline's layer and linetype
// scale (its 2 and 4 are its control and fit points), a multileader's visibility (its 9 is
// its content's block).
std::optional<DISPID> OwnDispid(const wchar_t* className, DISPID general)
{
    if (std::wcscmp(className, L"MLeader") == 0 && general == 9)
        return 16;
    if (std::wcscmp(className, L"Spline") == 0 && general == 2)
        return 14;
    if (std::wcscmp(className, L"Spline") == 0 && general == 4)
        return 15;
    return std::nullopt;
}

// General rows then the class's own, built once per class.
std::map<std::wstring, std::vector<Row>>& Built()
{
    static std::map<std::wstring, std::vector<Row>> built;
    return built;
}
} // namespace

namespace dkhost_test
{
int PropertyDescriptionsOf(const wchar_t* className, const PropertyDescription** out) noexcept
try
{
    if (!className || !out)
        return 0;
    auto it = Built().find(className);
    if (it == Built().end())
    {
        // A layout and a leader line are no entities of their own: they have no general rows.
        const bool general = std::wcscmp(className, L"Layout") && std::wcscmp(className, L"MLeaderLine");
        std::vector<Row> rows;
        if (general)
            rows.assign(std::begin(kGeneral), std::end(kGeneral));
        // A class may hold a general property under a DISPID of its own.
        for (Row& row : rows)
            if (const auto own = OwnDispid(className, row.dispid))
                row.dispid = *own;
        bool known = false;
        for (const ClassRows& c : Specific())
            if (std::wcscmp(c.cls, className) == 0)
            {
                rows.insert(rows.end(), c.rows.begin(), c.rows.end());
                known = true;
            }
        if (!known && std::wcscmp(className, L"PointCloud") && std::wcscmp(className, L"ViewBorder") &&
            std::wcscmp(className, L"ViewSymbol"))
            return 0;
        it = Built().emplace(className, std::move(rows)).first;
    }
    *out = it->second.data();
    return static_cast<int>(it->second.size());
}
catch (...)
{
    return 0;
}
} // namespace dkhost_test

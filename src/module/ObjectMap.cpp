// The module's object map: one row per editor class, in the order of the class table.
// A row gets its instance creator when its editor is built; until then the class is not
// available and DllGetClassObject says so.
#include "ObjectMap.h"

#include "DkPEXCtl.h"

#include "DkPeDlgLaunchCtrl.h"
#include "DkPePick2PointsCtrl.h"
#include "PropertyEditorBool.h"
#include "PropertyEditorColor.h"
#include "PropertyEditorCustomColor.h"
#include "PropertyEditorDictionary.h"
#include "PropertyEditorDRVKNumeric.h"
#include "PropertyEditorEllipseEndAngle.h"
#include "PropertyEditorEllipses.h"
#include "PropertyEditorEnum.h"
#include "PropertyEditorArrowBlock.h"
#include "PropertyEditorHatch.h"
#include "PropertyEditorLType.h"
#include "PropertyEditorLWeight.h"
#include "PropertyEditorLayer.h"
#include "PropertyEditorLight.h"
#include "PropertyEditorLightLampColor.h"
#include "PropertyEditorMTextDir.h"
#include "PropertyEditorNumeric.h"
#include "PropertyEditorNumericArea.h"
#include "PropertyEditorPlotStyle.h"
#include "PropertyEditorPwdText.h"
#include "PropertyEditorRasterImage.h"
#include "PropertyEditorSpin.h"
#include "PropertyEditorStyles.h"
#include "PropertyEditorText.h"
#include "PropertyEditorTextEx.h"
#include "PropertyEditorTextJustify.h"
#include "PropertyEditorVariant.h"
#include "PropertySectionLayerCombo.h"

namespace dkpex
{
namespace
{
// A built class's row, made from the class: its CLSID and its creator.
template <class T> dkfw::ObjectMapEntry Row() noexcept
{
    return {&T::ClassId(), &dkfw::CreateInstanceOf<T>};
}

dkfw::ObjectMapEntry g_objectMap[] = {
    Row<CPropertyEditorText>(),
    Row<CPropertyEditorPwdText>(),
    Row<CPropertyEditorLWeight>(),
    Row<CPropertyEditorColor>(),
    Row<CPropertyEditorLType>(),
    Row<CPropertyEditorLayer>(),
    Row<CPropertyEditorMaterial>(),
    Row<CPropertyEditorNumeric>(),
    Row<CPropertyEditorDRVKNumeric>(),
    Row<CPropertyEditorBool>(),
    Row<CDkPePick2PointsCtrl>(),
    Row<CPropertyEditorNumericArea>(),
    Row<CPropertyEditorEllipses>(),
    Row<CPropertyEditorEditButton>(),
    Row<CDkPeDlgLaunchCtrl>(),
    Row<CPropertyEditorEnum>(),
    Row<CPropertyEditorHatchEnum>(),
    Row<CPropertyEditorEllipsisHatchPatternType>(),
    Row<CPropertyEditorMTextDir>(),
    Row<CPropertyEditorHatchISOPenWidth>(),
    Row<CPropertyEditorHatchPatternName>(),
    Row<CPropertyEditorVariant>(),
    Row<CPropertyEditorEllipsesHyperlinks>(),
    Row<CPropertyEditorSpin>(),
    Row<CPropertyEditorDimArrowHead>(),
    Row<CPropertyEditorPlotStyleName>(),
    Row<CPropertyEditorPlotStyleTable>(),
    Row<CPropertyEditorTextJustify>(),
    Row<CPropertyEditorNoPickVariant>(),
    Row<CPropertyEditorRasterImageHeight>(),
    Row<CPropertyEditorRasterImageWidth>(),
    Row<CPropertyEditorEllipseEndAngle>(),
    Row<CPropertyEditorDimStyle>(),
    Row<CPropertyEditorTextStyle>(),
    Row<CPropertyEditorMTextStyle>(),
    Row<CPropertyEditorGradientPattern>(),
    Row<CDkPePropertyEditorCustomColor>(),
    Row<CPropertyEditorTextEx>(),
    Row<CPropertyEditorVisualStyle>(),
    Row<CPropertyEditorLightLampColor>(),
    Row<CPropertyEditorLightWebPreview>(),
    Row<CPropertyEditorLightIntensity>(),
    Row<CPropertyEditorTableStyle>(),
    Row<CPropertyEditorAttributeValue>(),
    Row<CPropertyEditorPredefBlock>(),
    Row<CPropertyEditorMLeaderStyle>(),
    Row<CPropertySectionLayerCombo>(),
};
static_assert(sizeof(g_objectMap) / sizeof(g_objectMap[0]) == 47);
} // namespace

std::span<dkfw::ObjectMapEntry> ObjectMap() noexcept
{
    return g_objectMap;
}
} // namespace dkpex

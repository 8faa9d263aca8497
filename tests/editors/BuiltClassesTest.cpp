// Every built class of the module, found from the type library and the registration: it is
// created through COM, answers exactly the interfaces of its coclass, its family and the
// control contract, names its own class, and gives back every window and GDI object.
#include "PaletteFixture.h"

#include "DkPEXCtl.h"

#include <map>
#include <set>
#include <string>

namespace
{
using dktest::PaletteFixture;

// The configuration interfaces each built class answers besides its coclass's: those of its
// family. A class built later gets its row here.
const std::map<std::wstring, std::vector<const IID*>> kFamilyInterfaces = {
    {L"DkPePropertyEditorText", {}},
    {L"DkPePropertyEditorPwdText", {}},
    {L"DkPePropertyEditorNumeric", {&IID_IDkPeButtonEditCtrl}},
    {L"DkPePropertyEditorDRVKNumeric", {&IID_IDkPeButtonEditCtrl}},
    {L"DkPePropertyEditorBool", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorNumericArea", {&IID_IDkPeButtonEditCtrl}},
    {L"DkPePropertyEditorEnum", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorEllipseEndAngle", {&IID_IDkPeButtonEditCtrl}},
    {L"DkPePropertyEditorTextEx", {&IID_IDkPeButtonEditCtrl, &IID_IDkPeCalculatorCtrl}},
    {L"DkPePropertyEditorColor", {&IID_IDkPeButtonPicture, &IID_IDkPeColorCtrl}},
    {L"DkPePropertyEditorCustomColor", {&IID_IDkPeButtonPicture, &IID_IDkPeColorCtrl}},
    {L"DkPePropertyEditorLayer", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorLWeight", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorLType", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorMTextDir", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorTextJustify", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorDimStyle", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorTextStyle", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorMTextStyle", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorTableStyle", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorMLeaderStyle", {&IID_IDkPeButtonPicture}},
    {L"DkPePick2PointsCtrl", {}},
    {L"DkPePropertyEditorVariant", {}},
    {L"DkPePropertyEditorNoPickVariant", {&IID_IDkPeButtonEditCtrl}},
    {L"DkPePropertyEditorSpin", {}},
    {L"DkPePropertyEditorEllipses", {}},
    {L"DkPePropertyEditorEditButton", {}},
    {L"DkPePropertyEditorEllipsesHyperlinks", {}},
    {L"DkPePropertyEditorAttributeValue", {&IID_IDkPeButtonEditCtrl}},
    {L"DkPeDlgLaunchCtrl", {}},
    {L"DkPePropertyEditorRasterImageWidth", {}},
    {L"DkPePropertyEditorRasterImageHeight", {}},
    {L"DkPePropertyEditorHatchEnum", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorHatchISOPenWidth", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorGradientPattern", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorDimArrowHead", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorPlotStyleName", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorPlotStyleTable", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorPredefBlock", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorHatchPatternName", {&IID_IDkPeButtonEditCtrl}},
    {L"DkPePropertyEditorEllipsisHatchPatternType", {&IID_IDkPeButtonEditCtrl}},
    {L"DkPePropertyEditorMaterial", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorVisualStyle", {&IID_IDkPeButtonPicture}},
    {L"DkPePropertyEditorLightLampColor", {}},
    {L"DkPePropertyEditorLightWebPreview", {}},
    {L"DkPePropertyEditorLightIntensity", {&IID_IDkPeButtonEditCtrl}},
    {L"DkPePropertySectionLayerCombo", {&IID_IDkPeButtonPicture}},
};

// What every control answers: the control contract and the OLE control's interfaces.
const IID* const kContract[] = {
    &IID_IUnknown,
    &IID_IDispatch,
    &IID_IDkPiPropertyEditControl,
    &IID_IDkPiPropertyEditControl2,
    &IID_IOleObject,
    &IID_IOleInPlaceObject,
    &IID_IOleInPlaceObjectWindowless,
    &IID_IOleWindow,
    &IID_IOleInPlaceActiveObject,
    &IID_IViewObject,
    &IID_IViewObject2,
    &IID_IViewObjectEx,
    &IID_IOleControl,
    &IID_IQuickActivate,
    &IID_IConnectionPointContainer,
};

// Interfaces a control must not answer unless listed: every interface of the type library
// and a few a container may ask for.
const IID* const kOthers[] = {&IID_IPersist, &IID_IPersistStreamInit, &IID_IProvideClassInfo, &IID_IPropertyNotifySink,
                              &IID_IPerPropertyBrowsing};

std::wstring GuidText(const GUID& g)
{
    wchar_t text[40] = {};
    ::StringFromGUID2(g, text, 40);
    return text;
}

struct Coclass
{
    std::wstring name;
    CLSID clsid{};
    std::set<std::wstring> interfaces; // not the event source
};

class BuiltClasses : public PaletteFixture
{
protected:
    void SetUp() override
    {
        PaletteFixture::SetUp();
        ASSERT_EQ(S_OK, ::LoadTypeLibEx((dktest::BinDir() + L"DkPEXCtl.drx").c_str(), REGKIND_NONE, m_lib.Put()));
        for (UINT i = 0; i < m_lib->GetTypeInfoCount(); ++i)
        {
            TYPEKIND kind;
            dkfw::ComPtr<ITypeInfo> info;
            if (FAILED(m_lib->GetTypeInfoType(i, &kind)) || FAILED(m_lib->GetTypeInfo(i, info.Put())))
                continue;
            TYPEATTR* attr = nullptr;
            ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
            if (kind == TKIND_INTERFACE || kind == TKIND_DISPATCH)
                m_libraryInterfaces.insert(GuidText(attr->guid));
            if (kind == TKIND_COCLASS)
            {
                Coclass c;
                c.clsid = attr->guid;
                dkfw::UniqueBstr name;
                info->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr);
                c.name = name.View();
                for (UINT k = 0; k < attr->cImplTypes; ++k)
                {
                    INT flags = 0;
                    HREFTYPE ref = 0;
                    dkfw::ComPtr<ITypeInfo> implemented;
                    TYPEATTR* implAttr = nullptr;
                    if (FAILED(info->GetImplTypeFlags(k, &flags)) || (flags & IMPLTYPEFLAG_FSOURCE) ||
                        FAILED(info->GetRefTypeOfImplType(k, &ref)) ||
                        FAILED(info->GetRefTypeInfo(ref, implemented.Put())) ||
                        FAILED(implemented->GetTypeAttr(&implAttr)))
                        continue;
                    c.interfaces.insert(GuidText(implAttr->guid));
                    implemented->ReleaseTypeAttr(implAttr);
                }
                m_classes.push_back(std::move(c));
            }
            info->ReleaseTypeAttr(attr);
        }
    }

    dkfw::ComPtr<ITypeLib> m_lib;
    std::set<std::wstring> m_libraryInterfaces;
    std::vector<Coclass> m_classes;
};

TEST_F(BuiltClasses, AnswerTheirInterfacesNameTheirClassAndGiveEverythingBack)
{
    ASSERT_EQ(47u, m_classes.size());
    int built = 0;
    for (const Coclass& c : m_classes)
    {
        SCOPED_TRACE(c.name);
        dkfw::ComPtr<IClassFactory> factory;
        const HRESULT hr =
            ::CoGetClassObject(c.clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.PutVoid());
        if (hr == CLASS_E_CLASSNOTAVAILABLE)
            continue;
        ASSERT_EQ(S_OK, hr);
        ++built;
        const auto family = kFamilyInterfaces.find(c.name);
        ASSERT_NE(kFamilyInterfaces.end(), family) << "a built class needs its row in this test";

        std::set<std::wstring> expected = c.interfaces;
        for (const IID* iid : kContract)
            expected.insert(GuidText(*iid));
        for (const IID* iid : family->second)
            expected.insert(GuidText(*iid));
        std::set<std::wstring> asked = m_libraryInterfaces;
        asked.insert(expected.begin(), expected.end());
        for (const IID* iid : kOthers)
            asked.insert(GuidText(*iid));

        dkfw::ComPtr<IUnknown> control;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, control.PutVoid()));
        for (const std::wstring& key : asked)
        {
            IID iid{};
            ASSERT_EQ(S_OK, ::IIDFromString(key.c_str(), &iid));
            dkfw::ComPtr<IUnknown> p;
            EXPECT_EQ(expected.count(key) ? S_OK : E_NOINTERFACE, control->QueryInterface(iid, p.PutVoid())) << key;
        }
        CLSID named{};
        ASSERT_EQ(S_OK, control.Query<IOleObject>()->GetUserClassID(&named));
        EXPECT_EQ(GuidText(c.clsid), GuidText(named));
        control.Reset();

        // Sited, shown and activated without a selection, then closed: nothing is left.
        const Resources before = CountResources();
        ASSERT_EQ(S_OK, m_host.Create(c.clsid, m_palette.Get(), m_frame, kRow, m_ambient));
        m_host.Activate(OLEIVERB_INPLACEACTIVATE);
        m_host.Activate(OLEIVERB_UIACTIVATE);
        Pump(0);
        m_host.Release();
        Pump(0);
        ExpectSameResources(before, CountResources());
    }
    EXPECT_EQ(kFamilyInterfaces.size(), static_cast<size_t>(built)) << "every class in the table is built";
}
} // namespace

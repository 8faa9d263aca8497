// DkPEXCtl's type library as the palette and the host's installer read it back: the 47
// classes with their CLSIDs and progids, the interfaces with their IIDs and DISPIDs, the
// numeric type enumeration.
#include "TestSupport.h"

#include "ComPtr.h"

#include <oleauto.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace
{
using dkfw::ComPtr;

struct ClassRow
{
    const wchar_t* name;
    const wchar_t* clsid;
    const wchar_t* progId;
};

// The class table, in the object map's order.
const ClassRow kClasses[] = {
    {L"DkPePropertyEditorText", L"{E631D337-7F88-44C8-B63F-C9031292FB4E}", L"DkPEXCtl.DkPePropertyEditorText.16"},
    {L"DkPePropertyEditorPwdText", L"{39AB6541-F2E3-46B1-ACEE-EDDC2BD8A26A}", L"DkPEXCtl.DkPePropertyEditorPwdText.16"},
    {L"DkPePropertyEditorLWeight", L"{7C21FF74-D9D0-4C6B-9C25-1D41B58F4776}", L"DkPEXCtl.DkPePropertyEditorLWeight.16"},
    {L"DkPePropertyEditorColor", L"{5149A9AC-E7E5-43C7-A78F-A80A53783A8D}", L"DkPEXCtl.DkPePropertyEditorColor.16"},
    {L"DkPePropertyEditorLType", L"{615F2CF0-C283-4FF9-B839-FAB43A957885}", L"DkPEXCtl.DkPePropertyEditorLType.16"},
    {L"DkPePropertyEditorLayer", L"{7FFD8B60-5083-4C30-A642-AE08CD6B75E7}", L"DkPEXCtl.DkPePropertyEditorLayer.16"},
    {L"DkPePropertyEditorMaterial", L"{A8DBF45D-5F3F-497C-8DC3-84BD8A078A1B}",
     L"DkPEXCtl.DkPePropertyEditorMaterial.16"},
    {L"DkPePropertyEditorNumeric", L"{50446CFC-B0CF-432A-BA08-5D1CBDF090C8}", L"DkPEXCtl.DkPePropertyEditorNumeric.16"},
    {L"DkPePropertyEditorDRVKNumeric", L"{D621630B-0BFA-480E-94EF-2EEA1BD58D51}",
     L"DkPEXCtl.DkPePropertyEditorDRVKNumeric.16"},
    {L"DkPePropertyEditorBool", L"{6C2269DC-77B6-4908-8D0C-4E3CF1036FA7}", L"DkPEXCtl.DkPePropertyEditorBool.16"},
    {L"DkPePick2PointsCtrl", L"{15CC9D07-16B4-11D6-A4C1-001083782B8E}", L"DkPEXCtl.DkPePick2PointsCtrl.16"},
    {L"DkPePropertyEditorNumericArea", L"{7E7D8243-4A38-42F5-A152-0629315D7B2B}",
     L"DkPEXCtl.DkPePropertyEditorNumericArea.16"},
    {L"DkPePropertyEditorEllipses", L"{DDE306CA-B5C1-4C92-AFAB-2B37D01A717F}",
     L"DkPEXCtl.DkPePropertyEditorEllipses.16"},
    {L"DkPePropertyEditorEditButton", L"{C504B291-944A-4828-9CFC-D3727B651AC7}",
     L"DkPEXCtl.DkPePropertyEditorEditButton.16"},
    {L"DkPeDlgLaunchCtrl", L"{C6CB13D4-3E36-4AB8-80D2-FC202CBB0ACD}", L"DkPEXCtl.DkPeDlgLaunchCtrl.16"},
    {L"DkPePropertyEditorEnum", L"{4DE4AD7B-6F4A-441E-98EE-8B1DF0F8BDC4}", L"DkPEXCtl.DkPePropertyEditorEnum.16"},
    {L"DkPePropertyEditorHatchEnum", L"{8221CC89-8C65-4C50-85FE-53005DE1B3B0}",
     L"DkPEXCtl.DkPePropertyEditorHatchEnum.16"},
    {L"DkPePropertyEditorEllipsisHatchPatternType", L"{04D47EE2-EA15-41BD-A1E7-990331C7CECD}",
     L"DkPEXCtl.DkPePropertyEditorEllipsisHatchPatternType.16"},
    {L"DkPePropertyEditorMTextDir", L"{E2E8A2A9-935D-4BB5-9347-717DDAEB327F}",
     L"DkPEXCtl.DkPePropertyEditorMTextDir.16"},
    {L"DkPePropertyEditorHatchISOPenWidth", L"{EF5A02F6-7908-407F-A945-2BCB2AE589AB}",
     L"DkPEXCtl.DkPePropertyEditorHatchISOPenWidth.16"},
    {L"DkPePropertyEditorHatchPatternName", L"{CD5C7ABB-9A0C-4C3A-B0C7-73296AFF7EC1}",
     L"DkPEXCtl.DkPePropertyEditorHatchPatternName.16"},
    {L"DkPePropertyEditorVariant", L"{C14AD0AE-7C2D-48E7-B8FC-2D48AD9149D1}", L"DkPEXCtl.DkPePropertyEditorVariant.16"},
    {L"DkPePropertyEditorEllipsesHyperlinks", L"{45D4C0E8-5896-420D-A27C-6A9793497065}",
     L"DkPEXCtl.DkPePropertyEditorEllipsesHyperlinks.16"},
    {L"DkPePropertyEditorSpin", L"{2AF455A6-9012-4D01-9E02-A8E5680E1E7E}", L"DkPEXCtl.DkPePropertyEditorSpin.16"},
    {L"DkPePropertyEditorDimArrowHead", L"{AA055959-C7F1-4CFD-A2D1-8881D547E79C}",
     L"DkPEXCtl.DkPePropertyEditorDimArrowHead.16"},
    {L"DkPePropertyEditorPlotStyleName", L"{55CF0D68-EBD0-4D54-B138-98CCF7BCCB20}",
     L"DkPEXCtl.DkPePropertyEditorPlotStyleName.16"},
    {L"DkPePropertyEditorPlotStyleTable", L"{98EEC9A9-7F09-48E0-B615-984801A634CB}",
     L"DkPEXCtl.DkPePropertyEditorPlotStyleTable.16"},
    {L"DkPePropertyEditorTextJustify", L"{CC7F3967-6919-42E6-A2ED-6FFA0697AFBB}",
     L"DkPEXCtl.DkPePropertyEditorTextJustify.16"},
    {L"DkPePropertyEditorNoPickVariant", L"{C64EA053-7634-4466-89CF-AFDAB92C8F1B}",
     L"DkPEXCtl.DkPePropertyEditorNoPickVariant.16"},
    {L"DkPePropertyEditorRasterImageHeight", L"{ED2490B2-06E6-4B7E-80D7-1ADAD6363694}",
     L"DkPEXCtl.DkPePropertyEditorRasterImageHeight.16"},
    {L"DkPePropertyEditorRasterImageWidth", L"{99CD9966-D002-425D-AB7A-04E500546DB6}",
     L"DkPEXCtl.DkPePropertyEditorRasterImageWidth.16"},
    {L"DkPePropertyEditorEllipseEndAngle", L"{7C672133-53DB-4FBF-BA5C-E017F83D866B}",
     L"DkPEXCtl.DkPePropertyEditorEllipseEndAngle.16"},
    {L"DkPePropertyEditorDimStyle", L"{4D0BBBEF-B91D-46AC-A3C0-BEBB947FADE6}",
     L"DkPEXCtl.DkPePropertyEditorDimStyle.16"},
    {L"DkPePropertyEditorTextStyle", L"{E4A55764-4C3D-405E-BCCB-8C81AB6DBCFC}",
     L"DkPEXCtl.DkPePropertyEditorTextStyle.16"},
    {L"DkPePropertyEditorMTextStyle", L"{151E6750-4079-4609-9FD3-AD68B60F8B65}",
     L"DkPEXCtl.DkPePropertyEditorMTextStyle.16"},
    {L"DkPePropertyEditorGradientPattern", L"{94684377-17FE-452E-9A51-7AABFFFE40BA}",
     L"DkPEXCtl.DkPePropertyEditorGradientPattern.16"},
    {L"DkPePropertyEditorCustomColor", L"{43FD41DE-D16A-44AD-847F-70C08743BDDB}",
     L"DkPEXCtl.DkPePropertyEditorCustomColor.16"},
    {L"DkPePropertyEditorTextEx", L"{8355614D-DC16-4A84-AF66-758E4CA4FE14}", L"DkPEXCtl.DkPePropertyEditorTextEx.16"},
    {L"DkPePropertyEditorVisualStyle", L"{6CADB719-36E3-4E22-BDF1-65B394DADCDF}",
     L"DkPEXCtl.DkPePropertyEditorVisualStyle.16"},
    {L"DkPePropertyEditorLightLampColor", L"{BB069CBE-6B99-4DAC-873C-0CB60DCF144D}",
     L"DkPEXCtl.DkPePropertyEditorLightLampColor.17"},
    {L"DkPePropertyEditorLightWebPreview", L"{05F84868-29A5-44BB-BC2B-4F00DCE3F694}",
     L"DkPEXCtl.DkPePropertyEditorLightWebPreview.17"},
    {L"DkPePropertyEditorLightIntensity", L"{124268F0-4F78-4434-8E45-87A72CAB0AFA}",
     L"DkPEXCtl.DkPePropertyEditorLightIntensity.17"},
    {L"DkPePropertyEditorTableStyle", L"{1BCAFFC4-3397-486A-80D0-4CBA3C186678}",
     L"DkPEXCtl.DkPePropertyEditorTableStyle.17"},
    {L"DkPePropertyEditorAttributeValue", L"{64117059-A80B-4EA4-86ED-BB45CC6148A7}",
     L"DkPEXCtl.DkPePropertyEditorAttributeValue.17"},
    {L"DkPePropertyEditorPredefBlock", L"{6326A3CE-62D5-4080-B682-CD152D507D0B}",
     L"DkPEXCtl.DkPePropertyEditorPredefBlock.17"},
    {L"DkPePropertyEditorMLeaderStyle", L"{0480A986-4ECA-40AB-A1C7-8DCEA0082B0A}",
     L"DkPEXCtl.DkPePropertyEditorMLeaderStyle.17"},
    {L"DkPePropertySectionLayerCombo", L"{0480B986-5ECA-40AB-A2C7-9DCEA0072B0A}",
     L"DkPEXCtl.DkPePropertySectionLayerCombo.17"},
};

const GUID kProgIdGuid = {0x9b3c1f6e, 0x5d2a, 0x4e7b, {0x8c, 0x41, 0x2f, 0x6a, 0x90, 0xd3, 0x17, 0xe5}};

std::wstring GuidText(const GUID& g)
{
    wchar_t buf[40];
    ::StringFromGUID2(g, buf, 40);
    return buf;
}

class TypeLibrary : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, ::LoadTypeLibEx((dktest::BinDir() + L"DkPEXCtl.drx").c_str(), REGKIND_NONE, m_lib.Put()));
    }

    ComPtr<ITypeInfo> Info(const wchar_t* iid)
    {
        GUID g{};
        ::CLSIDFromString(iid, &g);
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(S_OK, m_lib->GetTypeInfoOfGuid(g, info.Put())) << iid;
        return info;
    }

    // Member name to DISPID, with the invoke kinds seen, of an interface's description.
    std::multimap<std::wstring, std::pair<MEMBERID, INVOKEKIND>> Members(ITypeInfo* info)
    {
        std::multimap<std::wstring, std::pair<MEMBERID, INVOKEKIND>> out;
        TYPEATTR* ta = nullptr;
        if (!info || FAILED(info->GetTypeAttr(&ta)))
            return out;
        for (UINT i = 0; i < ta->cFuncs; ++i)
        {
            FUNCDESC* fd = nullptr;
            if (FAILED(info->GetFuncDesc(i, &fd)))
                continue;
            BSTR name = nullptr;
            UINT got = 0;
            info->GetNames(fd->memid, &name, 1, &got);
            out.emplace(name ? name : L"", std::make_pair(fd->memid, fd->invkind));
            ::SysFreeString(name);
            info->ReleaseFuncDesc(fd);
        }
        info->ReleaseTypeAttr(ta);
        return out;
    }

    ComPtr<ITypeLib> m_lib;
};

TEST_F(TypeLibrary, NamesTheLibrary)
{
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, m_lib->GetLibAttr(&attr));
    EXPECT_EQ(L"{5C232F67-F20E-4855-BBD8-C092659BF77A}", GuidText(attr->guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    m_lib->ReleaseTLibAttr(attr);
    BSTR name = nullptr;
    BSTR help = nullptr;
    ASSERT_EQ(S_OK, m_lib->GetDocumentation(-1, &name, &help, nullptr, nullptr));
    EXPECT_STREQ(L"DKPEXCTLLib", name);
    EXPECT_STREQ(L"DkPEXCtl 1.0 Type Library", help);
    ::SysFreeString(name);
    ::SysFreeString(help);
}

TEST_F(TypeLibrary, HoldsTheClassesInOrderWithTheirProgIds)
{
    size_t row = 0;
    for (UINT i = 0; i < m_lib->GetTypeInfoCount(); ++i)
    {
        TYPEKIND kind;
        ComPtr<ITypeInfo> info;
        if (FAILED(m_lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS ||
            FAILED(m_lib->GetTypeInfo(i, info.Put())))
            continue;
        ASSERT_LT(row, std::size(kClasses));
        const ClassRow& expected = kClasses[row++];
        SCOPED_TRACE(::testing::Message() << "class " << row);
        BSTR name = nullptr;
        info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
        EXPECT_STREQ(expected.name, name);
        ::SysFreeString(name);
        TYPEATTR* ta = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&ta));
        EXPECT_EQ(expected.clsid, GuidText(ta->guid));
        // Every class offers the control interface (default) and sources its events.
        bool control = false;
        bool events = false;
        for (UINT k = 0; k < ta->cImplTypes; ++k)
        {
            HREFTYPE ref = 0;
            INT flags = 0;
            ComPtr<ITypeInfo> impl;
            TYPEATTR* ia = nullptr;
            if (FAILED(info->GetRefTypeOfImplType(k, &ref)) || FAILED(info->GetRefTypeInfo(ref, impl.Put())) ||
                FAILED(impl->GetTypeAttr(&ia)))
                continue;
            info->GetImplTypeFlags(k, &flags);
            const std::wstring iid = GuidText(ia->guid);
            control |= iid == L"{6371C569-72C0-43A0-A457-1E9D2EB9201E}" && (flags & IMPLTYPEFLAG_FDEFAULT);
            events |= iid == L"{5D6FA1C4-61B7-43C6-9050-DC24B92F4745}" && (flags & IMPLTYPEFLAG_FSOURCE);
            impl->ReleaseTypeAttr(ia);
        }
        EXPECT_TRUE(control && events);
        info->ReleaseTypeAttr(ta);
        auto info2 = info.Query<ITypeInfo2>();
        VARIANT progId;
        ::VariantInit(&progId);
        ASSERT_EQ(S_OK, info2->GetCustData(kProgIdGuid, &progId));
        ASSERT_EQ(VT_BSTR, progId.vt);
        EXPECT_STREQ(expected.progId, progId.bstrVal);
        ::VariantClear(&progId);
    }
    EXPECT_EQ(std::size(kClasses), row);
}

TEST_F(TypeLibrary, DescribesTheControlInterfaceWithItsDispids)
{
    auto info = Info(L"{6371C569-72C0-43A0-A457-1E9D2EB9201E}");
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&ta));
    EXPECT_TRUE(ta->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(ta);
    const auto members = Members(info.Get());
    const std::pair<const wchar_t*, MEMBERID> expected[] = {
        {L"InitEditControl", 1},       {L"Refresh", 2},      {L"KeepFocus", 3},
        {L"BackColor", -501},          {L"ForeColor", -513}, {L"ReadOnlyBackColor", -2000},
        {L"ReadOnlyForeColor", -2001}, {L"Font", -512},
    };
    for (const auto& [name, dispid] : expected)
    {
        SCOPED_TRACE(::testing::Message() << std::wstring(name).c_str());
        auto range = members.equal_range(name);
        ASSERT_NE(range.first, range.second);
        for (auto it = range.first; it != range.second; ++it)
            EXPECT_EQ(dispid, it->second.first);
    }
    // Colours and font are properties with both a put and a get; KeepFocus only a get.
    EXPECT_EQ(2u, members.count(L"BackColor"));
    EXPECT_EQ(2u, members.count(L"Font"));
    EXPECT_EQ(1u, members.count(L"KeepFocus"));
}

TEST_F(TypeLibrary, DescribesTheEventsAndConfigurationInterfaces)
{
    const auto events = Members(Info(L"{5D6FA1C4-61B7-43C6-9050-DC24B92F4745}").Get());
    const std::pair<const wchar_t*, MEMBERID> expected[] = {
        {L"OnClick", -600},
        {L"OnDblClick", -601},
        {L"OnKeyDown", -602},
        {L"OnKeyUp", -604},
        {L"OnRButtonDown", -2030},
        {L"OnMButtonDown", -2031},
        {L"OnBeginPropertyUpdate", -2002},
        {L"OnEndPropertyUpdate", -2003},
    };
    for (const auto& [name, dispid] : expected)
    {
        auto it = events.find(name);
        ASSERT_NE(events.end(), it) << std::wstring(name).c_str();
        EXPECT_EQ(dispid, it->second.first);
    }
    for (const wchar_t* iid : {L"{AD52023A-9B0D-44C8-AD8A-B28250858222}", L"{2A5B57E5-7B4F-4FEE-B36B-FF636468ED91}",
                               L"{3C308511-9949-46F3-93A5-76D23A633E11}", L"{4132B288-9018-4690-BDFD-58A0EB2F3D27}",
                               L"{FFDC513D-B298-4D51-ACA7-8384F1196650}", L"{5295B0C4-94A0-4167-BA90-1C61A868E269}",
                               L"{6395B0C4-94A0-4167-BA90-1C61A868E269}", L"{01500220-9289-41BE-9A2E-F300A84598B0}",
                               L"{0AED2050-3838-4C85-A816-BA5CC5604999}"})
        EXPECT_TRUE(Info(iid)) << std::wstring(iid).c_str();
    const auto pictures = Members(Info(L"{5295B0C4-94A0-4167-BA90-1C61A868E269}").Get());
    EXPECT_EQ(1, pictures.find(L"DefaultPicture")->second.first);
    EXPECT_EQ(2, pictures.find(L"DisabledPicture")->second.first);
}

TEST_F(TypeLibrary, EnumeratesTheNumericTypes)
{
    auto info = Info(L"{70AFDEB0-099C-494E-A493-5E0ECD614004}");
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&ta));
    EXPECT_EQ(TKIND_ENUM, ta->typekind);
    const wchar_t* names[] = {L"PE_DRVK_DISTANCE",     L"PE_DRVK_ANGLE",          L"PE_DRVK_NOUNITS",  L"PE_DRVK_OTHER",
                              L"PE_DRVK_ANGLEPLUS360", L"PE_DRVK_RELATIVE_ANGLE", L"PE_DRVK_RAW_ANGLE"};
    ASSERT_EQ(std::size(names), ta->cVars);
    for (UINT i = 0; i < ta->cVars; ++i)
    {
        VARDESC* vd = nullptr;
        ASSERT_EQ(S_OK, info->GetVarDesc(i, &vd));
        BSTR name = nullptr;
        UINT got = 0;
        info->GetNames(vd->memid, &name, 1, &got);
        const LONG value = vd->lpvarValue->lVal;
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 7);
        EXPECT_STREQ(names[value], name);
        ::SysFreeString(name);
        info->ReleaseVarDesc(vd);
    }
    info->ReleaseTypeAttr(ta);
}
} // namespace

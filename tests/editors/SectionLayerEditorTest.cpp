// The section layer rows: the pattern entry, the new name's entry and the layers in table
// order; patterns read back as their naming; a new prefix or suffix named in the dialog,
// remembered per kind of section and property, and refused when it makes no layer name; a
// registry that cannot be read or written.
#include "DropDownFixture.h"
#include "MessageBoxCatcher.h"
#include "TestSupport.h"

#include "DialogAnswers.h"
#include "DkHostTest.h"
#include "DkPEXCtl.h"

namespace
{
using dktest::DropDownFixture;

constexpr DISPID kCutLayer = 52;
constexpr DISPID kFillLayer = 78;
const wchar_t kRoot[] = L"Software\\DkPEXCtlTests\\SectionLayers";
const wchar_t kNamings[] = L"Software\\DkPEXCtlTests\\SectionLayers\\Profiles\\Tests\\Dialogs\\SectionSettingsDialog";
const wchar_t kLive[] = L"84";
const wchar_t k2d[] = L"85";
const wchar_t k3d[] = L"86";

class SectionLayerRows : public DropDownFixture
{
protected:
    void SetUp() override
    {
        DropDownFixture::SetUp();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
        dkhost_test::SetProductRegistryRoot(kRoot);
        SetProfile(L"Tests");
    }
    void TearDown() override
    {
        DropDownFixture::TearDown();
        dkhost_test::SetReactorFault(false);
        dkhost_test::SetProductRegistryRoot(nullptr);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    }

    static void SetProfile(const std::wstring& profile)
    {
        HKEY key = nullptr;
        const std::wstring profiles = std::wstring(kRoot) + L"\\Profiles";
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, profiles.c_str(), 0, nullptr, 0, KEY_WRITE,
                                                   nullptr, &key, nullptr));
        ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(profile.c_str()),
                         static_cast<DWORD>((profile.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    // A value remembered under the test profile, or "<none>".
    static std::wstring Stored(const std::wstring& name)
    {
        wchar_t text[512] = {};
        DWORD bytes = sizeof(text) - sizeof(wchar_t);
        if (::RegGetValueW(HKEY_CURRENT_USER, kNamings, name.c_str(), RRF_RT_REG_SZ, nullptr, text, &bytes) !=
            ERROR_SUCCESS)
            return L"<none>";
        return text;
    }
    static void Remember(const std::wstring& name, const std::wstring& text)
    {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kNamings, name.c_str(), REG_SZ, text.c_str(),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    static void Set(const wchar_t* handle, DISPID dispid, const wchar_t* text)
    {
        dkfw::UniqueVariant value;
        value.Addr()->vt = VT_BSTR;
        value.Addr()->bstrVal = ::SysAllocString(text);
        PutValue(handle, dispid, *value.Addr());
    }
    // The row of one section's layer property, activated.
    void Open(const wchar_t* handle, DISPID dispid)
    {
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertySectionLayerCombo, {handle}, dispid));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        ASSERT_GE(Entries().size(), 4u);
    }
    // Chooses the new name's entry, the dialog filled by script; why the dialog did not go as
    // written (empty: it did).
    std::wstring NameAnew(const wchar_t* script)
    {
        dkpal::DialogAnswers answers;
        dkpal::DialogScript parsed;
        std::wstring error;
        EXPECT_TRUE(dkpal::ParseDialogScript(script, parsed, error)) << std::string(error.begin(), error.end());
        answers.Queue(parsed);
        dkhost_test::ClearUndo();
        Choose(1);
        EXPECT_EQ(1, answers.Taken()) << "the dialog opened once";
        return answers.TakeFailure();
    }
};

TEST_F(SectionLayerRows, ListThePatternTheNewNameAndTheLayersInTableOrderAndWriteTheChoiceAsOneChange)
{
    Set(kLive, kCutLayer, L"*");
    Open(kLive, kCutLayer);
    const auto entries = Entries();
    EXPECT_EQ(L"<Section layer>", entries[0]) << "\"*\": the section's layer itself, nothing remembered";
    EXPECT_EQ(L"New layer name...", entries[1]);
    EXPECT_EQ(L"", entries[2]);
    EXPECT_EQ(L"0", entries[3]) << "the layers in table order, unsorted";
    EXPECT_EQ(0, Selected());
    EXPECT_LT(IndexOf(L"Walls"), IndexOf(L"Doors")) << "table order";

    Choose(L"Walls");
    EXPECT_EQ(L"Walls", Property(0, kCutLayer));
    EXPECT_EQ(1, dkhost_test::UndoDepth());

    // A layer value: read again, the pattern entry offers the property's default suffix, and
    // writes it.
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_EQ(L"Walls", SelectedText());
    EXPECT_EQ(L"<Section layer>-Cut", Entries()[0]);
    dkhost_test::ClearUndo();
    Choose(0);
    EXPECT_EQ(L"*-Cut", Property(0, kCutLayer));
    EXPECT_EQ(L"<Section layer>-Cut", SelectedText());

    // The separator and a cancelled dialog write nothing.
    dkhost_test::ClearUndo();
    Choose(2);
    EXPECT_EQ(L"*-Cut", Property(0, kCutLayer));
    EXPECT_EQ(L"", NameAnew(L"Cancel"));
    EXPECT_EQ(L"*-Cut", Property(0, kCutLayer));
    EXPECT_EQ(0, dkhost_test::UndoDepth());
    EXPECT_EQ(0, Selected());
}

TEST_F(SectionLayerRows, PatternValuesShowTheirOwnNaming)
{
    Set(k2d, kFillLayer, L"Walls*");
    Open(k2d, kFillLayer);
    EXPECT_EQ(L"Walls<Section layer>", SelectedText()) << "a prefix";
    Set(k2d, kFillLayer, L"*-hatch");
    ASSERT_EQ(S_OK, m_host.Control()->Refresh(0));
    EXPECT_EQ(L"<Section layer>-hatch", SelectedText()) << "a suffix, as the value now reads";
    // Something remembered does not change what a pattern value shows.
    Remember(L"2dSectionLayer 78.", L"1");
    Remember(L"2dSectionLayer 78-", L"Old");
    Set(k2d, kFillLayer, L"*");
    Open(k2d, kFillLayer);
    EXPECT_EQ(L"<Section layer>", SelectedText());

    // Two sections with different layers: the varies entry comes last and writes nothing.
    Set(kLive, kFillLayer, L"Walls");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertySectionLayerCombo, {k2d, kLive}, kFillLayer));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(L"*VARIES*", Entries().back());
    EXPECT_EQ(L"*VARIES*", SelectedText());
    dkhost_test::ClearUndo();
    Choose(L"*VARIES*");
    EXPECT_EQ(0, dkhost_test::UndoDepth());
}

TEST_F(SectionLayerRows, AConfirmedSuffixIsRememberedPerKindAndPropertyAndWritten)
{
    Set(k2d, kCutLayer, L"Walls");
    Open(k2d, kCutLayer);
    EXPECT_EQ(L"", NameAnew(L"1057;1054=  -cut;OK")) << "the blanks before a suffix are trimmed";
    EXPECT_EQ(L"2", Stored(L"2dSectionLayer 52."));
    EXPECT_EQ(L"-cut", Stored(L"2dSectionLayer 52-"));
    EXPECT_EQ(L"*-cut", Property(0, kCutLayer));
    EXPECT_EQ(1, dkhost_test::UndoDepth());
    EXPECT_EQ(L"<Section layer>-cut", SelectedText());
    EXPECT_EQ(0, Selected());
    EXPECT_TRUE(!dktest::JournalMatching(L"dialog NewLayerNameDialog").empty()) << "its placement is kept";

    // Offered again to the same kind and property on a layer value; not to another kind.
    Set(k2d, kCutLayer, L"Walls");
    Open(k2d, kCutLayer);
    EXPECT_EQ(L"<Section layer>-cut", Entries()[0]);
    Set(k3d, kCutLayer, L"Walls");
    Open(k3d, kCutLayer);
    EXPECT_EQ(L"<Section layer>-Cut", Entries()[0]);
    // A prefix for the 3D section; then the section's layer alone for the live one.
    EXPECT_EQ(L"", NameAnew(L"1056;1054=Cut-  ;OK"));
    EXPECT_EQ(L"Cut-*", Property(0, kCutLayer));
    EXPECT_EQ(L"1", Stored(L"3dSectionLayer 52."));
    Set(kLive, kCutLayer, L"Walls");
    Open(kLive, kCutLayer);
    EXPECT_EQ(L"", NameAnew(L"1055;OK"));
    EXPECT_EQ(L"*", Property(0, kCutLayer));
    EXPECT_EQ(L"0", Stored(L"LiveSectionLayer 52."));
    EXPECT_EQ(L"", Stored(L"LiveSectionLayer 52-"));
}

TEST_F(SectionLayerRows, APrefixOrSuffixThatMakesNoLayerNameNeverReachesTheProperty)
{
    Set(k2d, kCutLayer, L"Walls");
    Open(k2d, kCutLayer);
    // 255 characters (no room left for the section's name), then a character no layer name
    // holds: the task dialog says why, the
    // dialog stays open (and is then cancelled).
    for (const std::wstring& text : {std::wstring(255, L'x'), std::wstring(L"a<b")})
    {
        dkhost_test::ClearJournal();
        dkhost_test::PushAnswer(L"close");
        const std::wstring why = NameAnew((L"1056;1054=" + text + L";OK").c_str());
        EXPECT_NE(std::wstring::npos, why.find(L"stayed open")) << std::string(why.begin(), why.end());
        EXPECT_EQ(1u, dktest::JournalMatching(L"task dialog New Layer Name").size());
        EXPECT_EQ(L"Walls", Property(0, kCutLayer));
    }
    // 254 characters leave room.
    dkhost_test::ClearJournal();
    EXPECT_EQ(L"", NameAnew((L"1056;1054=" + std::wstring(254, L'x') + L";OK").c_str()));
    EXPECT_EQ(std::wstring(254, L'x') + L"*", Property(0, kCutLayer));

    // Nothing typed: a message box, the dialog stays.
    dktest::MessageBoxCatcher boxes(IDOK, true);
    const std::wstring why = NameAnew(L"1057;1054=   ;OK");
    EXPECT_NE(std::wstring::npos, why.find(L"stayed open"));
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(L"New Layer Name", boxes.Captions()[0]);

    // A remembered suffix edited by hand into one no layer name holds is not offered.
    Remember(L"2dSectionLayer 52.", L"2");
    Remember(L"2dSectionLayer 52-", L"|bad");
    Set(k2d, kCutLayer, L"Walls");
    Open(k2d, kCutLayer);
    EXPECT_EQ(L"<Section layer>-Cut", Entries()[0]);
}

TEST_F(SectionLayerRows, ARegistryThatCannotBeReadOrWrittenStillTakesTheNaming)
{
    // No profile to read: the default, and the naming written but not remembered.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    Set(k2d, kCutLayer, L"Walls");
    Open(k2d, kCutLayer);
    EXPECT_EQ(L"<Section layer>-Cut", Entries()[0]);
    EXPECT_EQ(L"", NameAnew(L"1057;1054=-cut;OK"));
    EXPECT_EQ(L"*-cut", Property(0, kCutLayer));

    // A profile whose key cannot be made.
    SetProfile(std::wstring(258, L'p'));
    Set(k2d, kCutLayer, L"Walls");
    Open(k2d, kCutLayer);
    EXPECT_EQ(L"<Section layer>-Cut", Entries()[0]);
    EXPECT_EQ(L"", NameAnew(L"1057;1054=-sec;OK"));
    EXPECT_EQ(L"*-sec", Property(0, kCutLayer));
}

TEST_F(SectionLayerRows, ALayerNamedInAnotherCaseOrMissingStillShowsAndTheFocusLeavingOpensNoDialog)
{
    Set(k3d, kCutLayer, L"walls");
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertySectionLayerCombo, {k3d}, kCutLayer));
    EXPECT_EQ(L"Walls", m_host.DrawnText(20)) << "the drawing finds its layers in any case";
    dkfw::UniqueVariant gone;
    gone.Addr()->vt = VT_BSTR;
    gone.Addr()->bstrVal = ::SysAllocString(L"Gone");
    dkhost_test::SetRawPropertyValue(dkhost_test::EntityByHandle(k3d), kCutLayer, gone.Addr());
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertySectionLayerCombo, {k3d}, kCutLayer));
    EXPECT_EQ(L"Gone", m_host.DrawnText(20)) << "a layer the list lacks shows as the value";
    dkhost_test::SetRawPropertyValue(dkhost_test::EntityByHandle(k3d), kCutLayer, nullptr);

    // The new name's entry chosen with a key, then the focus leaving: nothing opens.
    Set(k3d, kCutLayer, L"*");
    Open(k3d, kCutLayer);
    dkpal::DialogAnswers answers;
    Key(Combo(), VK_DOWN);
    Pump(0);
    ASSERT_EQ(1, Selected());
    ::SetFocus(Combo());
    ::SendMessageW(Combo(), WM_KILLFOCUS, reinterpret_cast<WPARAM>(m_palette.Get()), 0);
    Pump(0);
    EXPECT_EQ(0, answers.Taken());
    EXPECT_EQ(L"*", Property(0, kCutLayer));
}

TEST_F(SectionLayerRows, ALayerAddedWhileTheListIsClosedIsListedAtTheNextOpening)
{
    // Also when the layer table would not take the list's reactor.
    for (const bool reactorRefused : {false, true})
    {
        SCOPED_TRACE(reactorRefused ? "reactor refused" : "reactor attached");
        dkhost_test::SetReactorFault(reactorRefused);
        const std::wstring added = reactorRefused ? L"Sections 2" : L"Sections";
        Set(kLive, kCutLayer, L"Walls");
        Open(kLive, kCutLayer);
        ASSERT_EQ(reactorRefused ? 0 : 1, dkhost_test::Reactors(dkhost_test::LayerTableId()));
        ASSERT_LT(IndexOf(added), 0);
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_HIDE));
        ASSERT_NE(0, dkhost_test::AddLayer(added.c_str(), 3));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        EXPECT_EQ(static_cast<int>(Entries().size()) - 1, IndexOf(added)) << "last, in table order";
        EXPECT_EQ(L"Walls", SelectedText());
    }
}
} // namespace

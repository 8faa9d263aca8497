// The rows edited in a dialog (the label that opens it, the ellipsis-button rows, attribute
// values by their kind) and the image size rows that keep an image's proportions.
#include "MessageBoxCatcher.h"
#include "PaletteFixture.h"

#include "DkPEXCtl.h"

#include <algorithm>

namespace
{
using dktest::PaletteFixture;

constexpr DISPID kTextString = 100;
constexpr DISPID kAttributeValue = 101;
constexpr DISPID kImageWidth = 101;
constexpr DISPID kImageHeight = 102;
// A page class nobody registered: every time a row asks for its dialog the user is told so,
// which lets a test count the dialogs asked for.
constexpr CLSID kMissingPage = {0x1234abcd, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};

class DialogRows : public PaletteFixture
{
protected:
    void Enter(const std::wstring& text)
    {
        ::SetWindowTextW(Edit(), text.c_str());
        Key(Edit(), VK_RETURN);
        Pump(0);
    }

    double Real(size_t i, DISPID dispid)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v.Type() == VT_R8 ? v.Get().dblVal : -1;
    }

    bool Shown(HWND hwnd) const { return hwnd && ::IsWindowVisible(hwnd); }
    bool EditReadOnly() const { return (::GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY) != 0; }

    // The row drawn into a bitmap of its width and the given height; the colour at (x, y).
    COLORREF DrawnPixel(int height, int x, int y)
    {
        auto view = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IViewObject>();
        EXPECT_TRUE(view);
        if (!view)
            return CLR_INVALID;
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 200, height);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        const RECTL bounds{0, 0, 200, height};
        EXPECT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0));
        const COLORREF pixel = ::GetPixel(dc, x, y);
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        return pixel;
    }
};

TEST_F(DialogRows, TheLabelOpensItsDialogOnAClickOnceOverADoubleClickAtOnceAndOnRightOrSpace)
{
    dkhost_test::SetPropertyPage(dkhost_test::EntityByHandle(L"45"), kTextString, kMissingPage);
    ASSERT_EQ(S_OK, Row(CLSID_DkPeDlgLaunchCtrl, {L"45"}, kTextString));
    dktest::MessageBoxCatcher boxes;
    Click(Control(), 40, 5);
    EXPECT_TRUE(boxes.Texts().empty()) << "the click is over before the dialog starts";
    Pump(0);
    ASSERT_EQ(1u, boxes.Texts().size());
    EXPECT_NE(std::wstring::npos, boxes.Texts()[0].find(L"{1234ABCD-0000-0000-0102-030405060708}"));

    ::SendMessageW(Control(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 5));
    EXPECT_EQ(2u, boxes.Texts().size()) << "a double click opens it at once";
    Key(Control(), VK_RIGHT);
    Key(Control(), VK_SPACE);
    EXPECT_EQ(4u, boxes.Texts().size());
    Key(Control(), VK_DOWN);
    Pump(0);
    EXPECT_EQ(4u, boxes.Texts().size());
    EXPECT_EQ(L"OnKeyDown", m_host.Events()->Events().back().name) << "any other key is the palette's";

    // A read-only row never opens the dialog, however it is asked.
    ASSERT_EQ(S_OK, Row(CLSID_DkPeDlgLaunchCtrl, {L"45"}, kTextString, true));
    Click(Control(), 40, 5);
    ::SendMessageW(Control(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 5));
    Key(Control(), VK_RIGHT);
    Key(Control(), VK_SPACE);
    Pump(0);
    EXPECT_EQ(4u, boxes.Texts().size());
}

TEST_F(DialogRows, TheLabelsIconSitsInTheMiddleOfTallRowsAndAtTheTopOfLowOnes)
{
    ASSERT_EQ(S_OK, Row(CLSID_DkPeDlgLaunchCtrl, {L"45"}, kTextString));
    // The icon's frame is its darkest grey; its top edge marks where it was drawn.
    const COLORREF frame = RGB(0x40, 0x40, 0x40);
    EXPECT_EQ(frame, DrawnPixel(20, 8, 4));
    EXPECT_NE(frame, DrawnPixel(20, 8, 3));
    EXPECT_EQ(frame, DrawnPixel(10, 8, 0));
    EXPECT_NE(frame, DrawnPixel(20, 1, 8)) << "the icon starts two pixels in";
}

TEST_F(DialogRows, AttributeRowsFollowTheKindOfEverySelectedAttribute)
{
    // One line each: a plain text row without a button, typed into.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorAttributeValue, {L"61", L"62"}, kAttributeValue));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_NE(nullptr, Edit());
    EXPECT_FALSE(EditReadOnly());
    EXPECT_FALSE(Shown(Edit(1043)));
    Enter(L"1000");
    EXPECT_EQ(L"1000", Property(0, kAttributeValue));
    EXPECT_EQ(L"1000", Property(1, kAttributeValue));

    // Several lines: read-only text, the dialog's button at the right end.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorAttributeValue, {L"64"}, kAttributeValue));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_NE(nullptr, Edit());
    EXPECT_TRUE(EditReadOnly());
    ASSERT_TRUE(Shown(Edit(1043)));
    RECT button{};
    RECT control{};
    ::GetWindowRect(Edit(1043), &button);
    ::GetWindowRect(Control(), &control);
    EXPECT_EQ(control.right, button.right);
    EXPECT_EQ(L"Self-closing; hold-open on alarm", WindowText(Edit()));
    // Its dialog starts from the attribute itself; its answer is written and shown.
    dkhost_test::ClearJournal();
    dkhost_test::PushAnswer(L"Self-closing");
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    Pump(0);
    EXPECT_EQ(1u, dktest::JournalMatching(L"shows \"\"").size());
    EXPECT_EQ(L"Self-closing", Property(0, kAttributeValue));
    EXPECT_EQ(L"Self-closing", WindowText(Edit()));

    // A mix: read-only, no button, nothing typed reaches the attributes.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorAttributeValue, {L"61", L"64"}, kAttributeValue));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_FALSE(Shown(Edit(1043)));
    EXPECT_TRUE(!Edit() || EditReadOnly());
    ::SendMessageW(Edit() ? Edit() : Control(), WM_SYSKEYDOWN, VK_DOWN, MAKELPARAM(1, KF_ALTDOWN));
    EXPECT_EQ(L"1000", Property(0, kAttributeValue));
}

TEST_F(DialogRows, AnEllipsisRowHidesItsButtonWhileReadOnlyAndOpensTheDialogOtherwise)
{
    dkhost_test::SetPropertyPage(dkhost_test::EntityByHandle(L"45"), kTextString, kMissingPage);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipses, {L"45"}, kTextString));
    {
        // The numeric type its text would be made in: any the palette gives is kept.
        auto numeric = dkfw::ComPtr<IUnknown>(m_host.Control()).Query<IDkPeNumericEditor>();
        ASSERT_TRUE(numeric);
        for (int type : {0, 3, 6, 99})
            EXPECT_EQ(S_OK, numeric->SetNumericDataType(static_cast<DkPeNumericType>(type))) << type;
    }
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    ASSERT_TRUE(Shown(Edit(1043)));
    EXPECT_TRUE(EditReadOnly()) << "the dialog is the only way to change it";
    EXPECT_EQ(Edit(1043), ::GetFocus()) << "the focus goes to the button";
    dktest::MessageBoxCatcher boxes;
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    Pump(0);
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_TRUE(Shown(Edit(1043))) << "the button is still there after the dialog";

    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipses, {L"45"}, kTextString, true));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_FALSE(Shown(Edit(1043)));

    // The editable variant takes typed text, and hides its button for a read-only row too.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEditButton, {L"45"}, kTextString));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(Shown(Edit(1043)));
    EXPECT_FALSE(EditReadOnly());
    Enter(L"First floor plan");
    EXPECT_EQ(L"First floor plan", Property(0, kTextString));
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEditButton, {L"45"}, kTextString, true));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_FALSE(Shown(Edit(1043)));
    ::SendMessageW(Edit() ? Edit() : Control(), WM_SYSKEYDOWN, VK_DOWN, MAKELPARAM(1, KF_ALTDOWN));
    EXPECT_EQ(1u, boxes.Texts().size()) << "Alt+Down opens no dialog where the button is hidden";
}

TEST_F(DialogRows, HyperlinksAgreeByTheirFirstAddressAndChangeThroughTheDialog)
{
    int errorLine = 0;
    ASSERT_EQ(S_OK, dkhost_test::LoadDrawingText(L"layer Site color=3\n"
                                                 L"entity Circle handle=C1 Layer=Site Radius=1 "
                                                 L"Hyperlink=\"http://a.invalid|http://b.invalid\"\n"
                                                 L"entity Circle handle=C2 Layer=Site Radius=2 "
                                                 L"Hyperlink=\"http://a.invalid|http://c.invalid\"\n"
                                                 L"entity Circle handle=C3 Layer=Site Radius=3 "
                                                 L"Hyperlink=\"http://A.invalid\"\n",
                                                 &errorLine))
        << "line " << errorLine;
    constexpr DISPID kHyperlink = 13;
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipsesHyperlinks, {L"C1", L"C2"}, kHyperlink));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(L"http://a.invalid", WindowText(Edit())) << "later links do not count";
    ASSERT_TRUE(Shown(Edit(1043)));
    // The first addresses are compared exactly.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipsesHyperlinks, {L"C1", L"C3"}, kHyperlink));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(std::wstring(L"*VARIES*"), WindowText(Edit()));
    // A link that cannot be read is no link.
    dkhost_test::SetHyperlinksUnreadable(dkhost_test::EntityByHandle(L"C2"), true);
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipsesHyperlinks, {L"C1", L"C2"}, kHyperlink));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_EQ(std::wstring(L"*VARIES*"), WindowText(Edit()));
    dkhost_test::SetHyperlinksUnreadable(dkhost_test::EntityByHandle(L"C2"), false);

    // Alt+Down opens the dialog; its answer becomes every circle's link, in one undo group,
    // and the row shows it.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipsesHyperlinks, {L"C1", L"C3"}, kHyperlink));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    m_host.Events()->Clear();
    const int depth = dkhost_test::UndoDepth();
    dkhost_test::PushAnswer(L"http://new.invalid");
    ::SendMessageW(Edit(), WM_SYSKEYDOWN, VK_DOWN, MAKELPARAM(1, KF_ALTDOWN));
    Pump(0);
    EXPECT_EQ(L"http://new.invalid", WindowText(Edit()));
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    for (size_t i = 0; i < 2; ++i)
    {
        dkfw::ComPtr<IPerPropertyBrowsing> browsing;
        ASSERT_EQ(S_OK, m_objects[i]->QueryInterface(IID_IPerPropertyBrowsing, browsing.PutVoid()));
        dkfw::UniqueBstr shown;
        ASSERT_EQ(S_OK, browsing->GetDisplayString(kHyperlink, shown.Put()));
        EXPECT_EQ(L"http://new.invalid", std::wstring(shown.View()));
    }
    const auto events = EventNames();
    EXPECT_NE(events.end(), std::find(events.begin(), events.end(), L"OnOperationStart"));
    EXPECT_NE(events.end(), std::find(events.begin(), events.end(), L"OnOperationEnd"));

    // Cancelled, or a run that fails: nothing is written and the row keeps its text.
    dkhost_test::PushAnswer(L"cancel");
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    Pump(0);
    dkhost_test::SetPageRunFault(E_FAIL);
    dkhost_test::PushAnswer(L"http://lost.invalid");
    ::SendMessageW(Edit(1043), BM_CLICK, 0, 0);
    Pump(0);
    dkhost_test::SetPageRunFault(S_OK);
    EXPECT_EQ(L"http://new.invalid", WindowText(Edit()));
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());

    // A row the palette makes read-only has no button and opens no dialog.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipsesHyperlinks, {L"C1"}, kHyperlink, true));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_FALSE(Shown(Edit(1043)));
    dkhost_test::PushAnswer(L"http://unwanted.invalid");
    ::SendMessageW(Edit() ? Edit() : Control(), WM_SYSKEYDOWN, VK_DOWN, MAKELPARAM(1, KF_ALTDOWN));
    Pump(0);
    EXPECT_EQ(depth + 1, dkhost_test::UndoDepth());
    EXPECT_EQ(1, dkhost_test::PendingAnswers());
    dkhost_test::ClearAnswers();
}

TEST_F(DialogRows, AReadOnlyEllipsisRowKeepsItsButtonOnlyForOneObjectThatAsksForIt)
{
    IUnknown* props[2] = {};
    ASSERT_EQ(2, dkhost_test::DynamicPropertiesOf(L"Circle", props, 2));
    dkfw::ComPtr<IUnknown> rating = dkfw::ComPtr<IUnknown>::Attach(props[0]);
    dkfw::ComPtr<IUnknown> tag = dkfw::ComPtr<IUnknown>::Attach(props[1]);
    ASSERT_EQ(S_OK, dkhost_test::SetDynamicReadOnly(rating.Get(), true));
    const LONG_PTR circle = dkhost_test::EntityByHandle(L"30");
    for (const bool asks : {false, true})
    {
        dkhost_test::SetDialogOnReadOnly(circle, asks);
        ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipses, {L"30"}, -23, false, rating.Get()));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        EXPECT_EQ(asks, Shown(Edit(1043))) << asks;
    }
    // Two objects, or a property of the object's own: no button on a read-only row.
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipses, {L"30", L"31"}, -23, false, rating.Get()));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_FALSE(Shown(Edit(1043)));
    ASSERT_EQ(S_OK, Row(CLSID_DkPePropertyEditorEllipses, {L"30"}, kTextString, true));
    ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
    EXPECT_FALSE(Shown(Edit(1043)));
    dkhost_test::SetDialogOnReadOnly(circle, false);
    ASSERT_EQ(S_OK, dkhost_test::SetDynamicReadOnly(rating.Get(), false));
}

class ImageSize : public DialogRows
{
protected:
    void SetUp() override
    {
        DialogRows::SetUp();
        int errorLine = 0;
        ASSERT_EQ(S_OK, dkhost_test::LoadDrawingText(L"layer Existing color=7\n"
                                                     L"entity RasterImage handle=A1 Layer=Existing ImageWidth=40 "
                                                     L"ImageHeight=30\n"
                                                     L"entity RasterImage handle=A2 Layer=Existing ImageWidth=200 "
                                                     L"ImageHeight=100\n",
                                                     &errorLine))
            << "line " << errorLine;
    }

    void Open(const CLSID& clsid, std::vector<const wchar_t*> handles, DISPID dispid)
    {
        ASSERT_EQ(S_OK, Row(clsid, handles, dispid));
        ASSERT_EQ(S_OK, m_host.Activate(OLEIVERB_UIACTIVATE));
        ASSERT_NE(nullptr, Edit());
    }

    size_t UndoGroups() { return dktest::JournalMatching(L"undo group begin").size(); }
};

TEST_F(ImageSize, AWidthWrittenOverTwoImagesKeepsEachOnesProportionsInOneUndoGroup)
{
    Open(CLSID_DkPePropertyEditorRasterImageWidth, {L"A1", L"A2"}, kImageWidth);
    const size_t groups = UndoGroups();
    Enter(L"80");
    EXPECT_EQ(80, Real(0, kImageWidth));
    EXPECT_EQ(60, Real(0, kImageHeight));
    EXPECT_EQ(80, Real(1, kImageWidth));
    EXPECT_EQ(40, Real(1, kImageHeight));
    EXPECT_EQ(groups + 1, UndoGroups());

    // One undo takes back both dimensions of both images.
    dkhost_test::Undo(1);
    EXPECT_EQ(40, Real(0, kImageWidth));
    EXPECT_EQ(30, Real(0, kImageHeight));
    EXPECT_EQ(200, Real(1, kImageWidth));
    EXPECT_EQ(100, Real(1, kImageHeight));

    // Text that is no number changes nothing.
    dktest::MessageBoxCatcher boxes;
    Enter(L"wide");
    EXPECT_EQ(1u, boxes.Texts().size());
    EXPECT_EQ(200, Real(1, kImageWidth));
    EXPECT_EQ(100, Real(1, kImageHeight));
}

TEST_F(ImageSize, AnImagesRatioIsTheOneItHadBeforeTheEditorFirstChangedIt)
{
    Open(CLSID_DkPePropertyEditorRasterImageWidth, {L"A2"}, kImageWidth);
    Enter(L"50");
    EXPECT_EQ(25, Real(0, kImageHeight));

    Open(CLSID_DkPePropertyEditorRasterImageHeight, {L"A2"}, kImageHeight);
    Enter(L"40");
    EXPECT_EQ(80, Real(0, kImageWidth));
    // Someone else stretches the image; the row still keeps the proportions it learned.
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = 10;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&v, &put, 1, 1};
    ASSERT_EQ(S_OK,
              m_objects[0]->Invoke(kImageWidth, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
    Enter(L"30");
    EXPECT_EQ(60, Real(0, kImageWidth));
}

TEST_F(ImageSize, AnImageThatCannotNameItsOtherSizeChangesInOneOnly)
{
    ASSERT_TRUE(dkhost_test::SetImageTypeInfoLacking(dkhost_test::EntityByHandle(L"A1"), L"ImageHeight"));
    Open(CLSID_DkPePropertyEditorRasterImageWidth, {L"A1", L"A2"}, kImageWidth);
    Enter(L"100");
    EXPECT_EQ(100, Real(0, kImageWidth));
    EXPECT_EQ(30, Real(0, kImageHeight));
    EXPECT_EQ(50, Real(1, kImageHeight));
    dkhost_test::SetImageTypeInfoLacking(dkhost_test::EntityByHandle(L"A1"), nullptr);
}
} // namespace

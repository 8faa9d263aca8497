// DkPeTestEditors.dll: a small editor library of the host's kind, deriving its editor from
// CDkPeCtrlBase as exported by DkPEXCtl.drx and gluing it with CDkPeBaseTempl.
#include "TestEditorProbe.h"

#include "DkPeBaseTempl.h"
#include "DkPeButtonEditTempl.h"
#include "DkPeComboTempl.h"
#include "DkPeButtonEditBase.h"
#include "DkPeComboBase.h"

#include "ComModule.h"

#include <string>

#include <new>
#include <utility>

namespace
{
class CTestEditor : public CDkPeBaseTempl<CTestEditor, CDkPeCtrlBase>, public ITestEditorProbe
{
public:
    using ClassInterfaces = dkpex::Interfaces<ITestEditorProbe>;

    static const CLSID& ClassId() noexcept { return kTestEditorClsid; }

    // ITestEditorProbe
    HRESULT STDMETHODCALLTYPE GetLog(BSTR* log) override
    {
        *log = ::SysAllocStringLen(m_log.data(), static_cast<UINT>(m_log.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearLog() override
    {
        m_log.clear();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBrushes(HBRUSH* back, HBRUSH* readOnlyBack) override
    {
        *back = m_backBrush.Get();
        *readOnlyBack = m_readOnlyBackBrush.Get();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSelectionCount(int* count) override
    {
        *count = m_nObjects;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStateValue(int* state) override
    {
        *state = m_state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FailNextWrite() override
    {
        m_failNextWrite = true;
        return S_OK;
    }
    long PostSetPropertyValue(IDispatch* object) override
    {
        if (std::exchange(m_failNextWrite, false))
            throw std::bad_alloc();
        return CDkPeCtrlBase::PostSetPropertyValue(object);
    }

    long Handle_SetObjectRects(const RECT* pos, const RECT* clip) override
    {
        Log(L"Handle_SetObjectRects", pos);
        return CDkPeCtrlBase::Handle_SetObjectRects(pos, clip);
    }
    long Handle_DoVerbShow(const RECT* pos, HWND parent) override
    {
        Log(L"Handle_DoVerbShow", nullptr, ::IsWindowVisible(GetControlWindow()) ? L" visible" : L" hidden");
        return CDkPeCtrlBase::Handle_DoVerbShow(pos, parent);
    }
    long Handle_DoVerbHide(const RECT* pos, HWND parent) override
    {
        Log(L"Handle_DoVerbHide", nullptr, ::IsWindowVisible(GetControlWindow()) ? L" visible" : L" hidden");
        return CDkPeCtrlBase::Handle_DoVerbHide(pos, parent);
    }
    long Handle_DoVerbUIActivate(const RECT* pos, HWND parent) override
    {
        Log(L"Handle_DoVerbUIActivate", pos);
        return CDkPeCtrlBase::Handle_DoVerbUIActivate(pos, parent);
    }
    long Handle_UIDeactivate() override
    {
        Log(L"Handle_UIDeactivate");
        return CDkPeCtrlBase::Handle_UIDeactivate();
    }
    long BeginEdit(const RECT& rect) override
    {
        Log(L"BeginEdit", &rect);
        m_state = kStateEditing;
        return S_OK;
    }
    long EndEdit() override
    {
        Log(L"EndEdit");
        return CDkPeCtrlBase::EndEdit();
    }
    LRESULT Handle_OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override
    {
        OLE_COLOR back = 0;
        Handle_get_BackColor(&back);
        Log(L"Handle_OnCreate", nullptr, m_pFont ? L" font" : L" no-font");
        return CDkPeCtrlBase::Handle_OnCreate(msg, wParam, lParam, handled);
    }
    long Handle_OnDraw(ATL_DRAWINFO& info) override
    {
        RECT r{info.prcBounds->left, info.prcBounds->top, info.prcBounds->right, info.prcBounds->bottom};
        ::FillRect(info.hdcDraw, &r, m_backBrush.Get());
        const std::wstring text = std::to_wstring(m_nObjects) + L" selected";
        ::DrawTextW(info.hdcDraw, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        return S_OK;
    }

private:
    void Log(const wchar_t* what, const RECT* r = nullptr, const wchar_t* extra = L"")
    {
        m_log += what;
        if (r)
            m_log += L" " + std::to_wstring(r->left) + L"," + std::to_wstring(r->top) + L"," +
                     std::to_wstring(r->right) + L"," + std::to_wstring(r->bottom);
        m_log += extra;
        m_log += L"\n";
    }

    bool m_failNextWrite = false;
    std::wstring m_log;
};

// A button-edit editor of the test library: its pictures and its button action.
class CTestButtonEditor : public CDkPeButtonEditTempl<CTestButtonEditor, CDkPeButtonEditBase>
{
public:
    static const CLSID& ClassId() noexcept { return kTestButtonEditorClsid; }

    long PutDefaultPicture(IUnknown* p) { return Store(m_default, p); }
    long GetDefaultPicture(IUnknown** p) { return m_default.CopyTo(p); }
    long PutDisabledPicture(IUnknown* p) { return Store(m_disabled, p); }
    long GetDisabledPicture(IUnknown** p) { return m_disabled.CopyTo(p); }
    long RunButtonAction() { return 0x00040123; }

private:
    static long Store(dkfw::ComPtr<IUnknown>& slot, IUnknown* p)
    {
        slot = dkfw::ComPtr<IUnknown>(p);
        return S_OK;
    }
    dkfw::ComPtr<IUnknown> m_default;
    dkfw::ComPtr<IUnknown> m_disabled;
};

// An editor of the button-edit family as the product's are built: its own button 1043
// (drawn as an ellipsis), no side of its own until the palette asks for the calculator.
class CTestNumberEditor : public CDkPeButtonEditTempl<CTestNumberEditor, CDkPeButtonEditBase>
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeButtonEditCtrl, IDkPeCalculatorCtrl>;

    CTestNumberEditor() { AddButton(0, 0, kOwnButton, false); }
    static const CLSID& ClassId() noexcept { return kTestNumberEditorClsid; }

    long OnButtonClicked(int id) override
    {
        CDkPeCtrlBase::Fire_OnKeyDown(0x7000 + id, 0);
        return S_OK;
    }
};

// An editor whose own button opens the host's dialog for the row, its button added as the
// dialog editors add theirs: on the first edit, without bitmaps.
class CTestDialogEditor : public CDkPeButtonEditTempl<CTestDialogEditor, CDkPeButtonEdit>
{
public:
    CTestDialogEditor() {}
    static const CLSID& ClassId() noexcept { return kTestDialogEditorClsid; }

    long BeginEdit(const RECT& rect) override
    {
        if (m_buttons.empty())
            AddButton(0, 0, kOwnButton, false);
        return CDkPeButtonEdit::BeginEdit(rect);
    }
};

int g_itemsDeleted = 0;

// An entry of the component's kind that counts its deletions.
class CountedItem : public COwnerDrawItem
{
public:
    ~CountedItem() override { ++g_itemsDeleted; }
};

// A drop-down of pictured entries over a text property: "Hall" and "Porch" with the
// component's button pictures, a blank "None", and a counted plain "Study". The property
// takes the entry's text.
class CTestPictureCombo : public CDkPeComboTempl<CTestPictureCombo, CDkPeComboBase>
{
public:
    CTestPictureCombo() {}
    static const CLSID& ClassId() noexcept { return kTestPictureComboClsid; }

    long CreateComboWindow(const RECT& rect) override
    {
        // Created as high as one entry: every entry of an owner-drawn combo is that high.
        const int rowHeight = rect.bottom / 9;
        const RECT entry{rect.left, rect.top, rect.right, rect.top + rowHeight - 2};
        auto combo = std::make_unique<CComboBmp>(this);
        combo->SetOwnerEditor(this);
        if (!combo->CreateCombo(CPropComboBox::kStyle, entry, GetControlWindow(), kComboId))
            return E_FAIL;
        m_pCombo = std::move(combo);
        return S_OK;
    }
    long FillList() override
    {
        auto* combo = dynamic_cast<CComboBmp*>(m_pCombo.get());
        if (!combo || !combo->Hwnd())
            return E_FAIL;
        ::SendMessageW(combo->Hwnd(), CB_RESETCONTENT, 0, 0);
        combo->AddItem(L"Hall", 173, false);
        combo->AddItem(L"Porch", 174, false);
        combo->AddItem(L"None", 0, true);
        auto* study = new CountedItem;
        study->m_text = L"Study";
        if (combo->CPeComboCustom::AddItem(study) < 0)
            delete study;
        ::SendMessageW(combo->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
        return S_OK;
    }
    int GetCurrentIndex() override
    {
        dkfw::UniqueVariant v;
        ValueType kind = ValueSpecified;
        if (FAILED(GetPropertyValue(v.Put(), kind)) || kind != ValueSpecified || v.Type() != VT_BSTR)
            return -1;
        static const wchar_t* const names[] = {L"Hall", L"Porch", L"None", L"Study"};
        for (int i = 0; i < 4; ++i)
            if (v.Get().bstrVal && std::wcscmp(v.Get().bstrVal, names[i]) == 0)
                return i;
        return -1;
    }
    long CommitSelection(int index) override
    {
        dkfw::UniqueVariant v;
        v.Put()->vt = VT_BSTR;
        v.Addr()->bstrVal = ::SysAllocString(GetItemText(index).c_str());
        return SetPropertyValue(v.Addr(), ValueSpecified);
    }
};

dkfw::ObjectMapEntry g_objectMap[] = {
    {&kTestPictureComboClsid, &dkfw::CreateInstanceOf<CTestPictureCombo>},
    {&kTestDialogEditorClsid, &dkfw::CreateInstanceOf<CTestDialogEditor>},
    {&kTestNumberEditorClsid, &dkfw::CreateInstanceOf<CTestNumberEditor>},
    {&kTestEditorClsid, &dkfw::CreateInstanceOf<CTestEditor>},
    {&kTestButtonEditorClsid, &dkfw::CreateInstanceOf<CTestButtonEditor>},
};
dkfw::ComModule g_module;
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept
{
    if (reason == DLL_PROCESS_ATTACH)
        return SUCCEEDED(g_module.Init(g_objectMap, instance, &LIBID_DKPEXCTLLib));
    if (reason == DLL_PROCESS_DETACH)
    {
        g_module.Term();
        dkfw::UnregisterModuleWindowClasses();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv)
{
    return g_module.GetClassObject(clsid, riid, ppv);
}

extern "C" int TestItemsDeleted()
{
    return g_itemsDeleted;
}

STDAPI DllCanUnloadNow()
{
    return g_module.CanUnloadNow();
}

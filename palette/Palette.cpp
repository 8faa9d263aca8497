// The Properties palette.
#include "Palette.h"

#include "DkPeCtrlBase.h"
#include "DkPeEditorPart.h"
#include "HResult.h"
#include "Unique.h"

#include <olectl.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <optional>

namespace dkpal
{
namespace
{
using dkfw::ComPtr;

constexpr UINT kRefreshMessage = WM_APP + 1; // rows read again after a write
constexpr UINT kMoveMessage = WM_APP + 2;    // wParam: +1 next row, -1 previous
constexpr UINT kEnterMessage = WM_APP + 3;   // wParam: the row Enter was pressed in (-1: none)
constexpr DISPID kDynamicDispid = -23;
const wchar_t kClassName[] = L"DkPalette";
const wchar_t kVaries[] = L"*VARIES*";
const wchar_t kDynamicCategory[] = L"Custom";

// The palette's identity of a row, handed to its control.
class RowIdentifier : public dkfw::ComImplements<IDkPiPropertyIdentifier>
{
public:
    RowIdentifier(std::wstring name, std::wstring category, DISPID dispid, LONG index)
        : m_name(std::move(name)), m_category(std::move(category)), m_dispid(dispid), m_index(index)
    {
    }
    STDMETHODIMP GetDisplayName(BSTR* name) noexcept override { return Text(m_name, name); }
    STDMETHODIMP GetDescription(BSTR* text) noexcept override { return Text(m_name, text); }
    STDMETHODIMP GetCategoryName(BSTR* name) noexcept override { return Text(m_category, name); }
    STDMETHODIMP GetDispId(DISPID* dispid) noexcept override { return Set(dispid, m_dispid); }
    STDMETHODIMP GetEditorClsid(CLSID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetEditorConfig(VARIANT*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetFlags(ULONG* flags) noexcept override { return Set(flags, 0ul); }
    STDMETHODIMP IsDynamic(BOOL* dynamic) noexcept override { return Set(dynamic, BOOL(m_dispid == kDynamicDispid)); }
    STDMETHODIMP GetObjectCount(LONG*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetRowIndex(LONG* index) noexcept override { return Set(index, m_index); }
    STDMETHODIMP GetOwnerWindow(HWND*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP OnValueWritten(VARIANT value) noexcept override { return m_last.CopyFrom(value); }
    STDMETHODIMP GetLastValue(VARIANT* value) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !value);
        ::VariantInit(value);
        return ::VariantCopy(value, const_cast<VARIANT*>(&m_last.Get()));
    }
    STDMETHODIMP GetLastText(BSTR* text) noexcept override { return Text(m_lastText, text); }
    STDMETHODIMP ResetNotifications() noexcept override
    {
        m_last.Reset();
        m_lastText.clear();
        return S_OK;
    }
    STDMETHODIMP OnValueTextWritten(BSTR text) noexcept override
    try
    {
        m_lastText = text ? text : L"";
        return S_OK;
    }
    DK_CATCH_RETURN()

private:
    static HRESULT Text(const std::wstring& s, BSTR* out) noexcept
    {
        RETURN_HR_IF(E_POINTER, !out);
        *out = ::SysAllocString(s.c_str());
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    template <class T, class V> static HRESULT Set(T* out, V v) noexcept
    {
        RETURN_HR_IF(E_POINTER, !out);
        *out = static_cast<T>(v);
        return S_OK;
    }
    std::wstring m_name;
    std::wstring m_category;
    DISPID m_dispid;
    LONG m_index;
    dkfw::UniqueVariant m_last;
    std::wstring m_lastText;
};

// The editor class of a progid: "DkPEXCtl.DkPePropertyEditorText.16" gives the middle part.
std::wstring EditorClassOf(const std::wstring& progId)
{
    const size_t first = progId.find(L'.');
    const size_t last = progId.rfind(L'.');
    return first == std::wstring::npos || last <= first ? progId : progId.substr(first + 1, last - first - 1);
}

// A value as the palette writes it: numbers plainly, points as "x, y, z", an array of values
// (a light's lamp colour or intensity) as its elements' texts, "0, 6500, 16777215".
std::wstring TextOf(const VARIANT& v)
{
    if (v.vt == (VT_ARRAY | VT_VARIANT) && v.parray && ::SafeArrayGetDim(v.parray) == 1)
    {
        LONG lo = 0;
        LONG hi = -1;
        ::SafeArrayGetLBound(v.parray, 1, &lo);
        ::SafeArrayGetUBound(v.parray, 1, &hi);
        std::wstring out;
        for (LONG i = lo; i <= hi; ++i)
        {
            dkfw::UniqueVariant e;
            ::SafeArrayGetElement(v.parray, &i, e.Put());
            out += (i > lo ? L", " : L"") + (e.Type() == (VT_ARRAY | VT_VARIANT) ? L"(...)" : TextOf(e.Get()));
        }
        return out;
    }
    if (v.vt == (VT_ARRAY | VT_R8) && v.parray)
    {
        LONG lo = 0;
        LONG hi = -1;
        ::SafeArrayGetLBound(v.parray, 1, &lo);
        ::SafeArrayGetUBound(v.parray, 1, &hi);
        std::wstring out;
        for (LONG i = lo; i <= hi; ++i)
        {
            double d = 0;
            ::SafeArrayGetElement(v.parray, &i, &d);
            wchar_t buf[32];
            std::swprintf(buf, 32, L"%g", d);
            out += (i > lo ? L", " : L"") + std::wstring(buf);
        }
        return out;
    }
    if (v.vt == VT_BOOL)
        return v.boolVal ? L"Yes" : L"No";
    // A host colour: its entity colour and names, as equal colours give equal texts.
    ComPtr<IDkDbColor> colour;
    if (v.vt == VT_DISPATCH && v.pdispVal &&
        SUCCEEDED(v.pdispVal->QueryInterface(IID_IDkDbColor, reinterpret_cast<void**>(colour.Put()))))
    {
        LONG entity = 0;
        dkfw::UniqueBstr name, book;
        colour->get_EntityColor(&entity);
        colour->get_ColorName(name.Put());
        colour->get_BookName(book.Put());
        wchar_t buf[16];
        std::swprintf(buf, 16, L"%08lX", static_cast<unsigned long>(entity));
        return std::wstring(buf) + L" " + std::wstring(name.View()) + L"|" + std::wstring(book.View());
    }
    dkfw::UniqueVariant text;
    if (FAILED(::VariantChangeTypeEx(text.Put(), const_cast<VARIANT*>(&v),
                                     MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), 0), 0, VT_BSTR)))
        return L"";
    return text.Get().bstrVal ? text.Get().bstrVal : L"";
}

// A value that is an object of its own kind (an entity's hyperlinks, not a colour), shown as
// the object's display string for the property says (empty when it has none).
bool DisplayString(const ComPtr<IDispatch>& object, DISPID dispid, const VARIANT& v, std::wstring& text)
{
    if (v.vt != VT_DISPATCH || !v.pdispVal)
        return false;
    ComPtr<IDkDbColor> colour;
    if (SUCCEEDED(v.pdispVal->QueryInterface(IID_IDkDbColor, reinterpret_cast<void**>(colour.Put()))))
        return false;
    text.clear();
    dkfw::UniqueBstr display;
    if (auto browsing = object.Query<IPerPropertyBrowsing>();
        browsing && SUCCEEDED(browsing->GetDisplayString(dispid, display.Put())))
        text = display.View();
    return true;
}

// Element `cookie` of a list property, through whichever element interface the object answers.
HRESULT ReadElement(const ComPtr<IDispatch>& object, DISPID dispid, DWORD cookie, VARIANT* value)
{
    if (auto elements = object.Query<IDkPropertyElements>())
        return elements->GetElementValue(dispid, cookie, value);
    if (auto elements = object.Query<IDkPropertyElementsOf>())
        return elements->GetElementValue(dispid, object.Get(), cookie, value);
    return E_NOINTERFACE;
}

// The number of vertices (element groups) of a list property.
LONG GroupCount(const ComPtr<IDispatch>& object, DISPID dispid)
{
    LONG groups = 0;
    if (auto elements = object.Query<IDkPropertyElements>())
        elements->GetGroupCount(dispid, &groups);
    else if (auto elementsOf = object.Query<IDkPropertyElementsOf>())
        elementsOf->GetGroupCount(dispid, object.Get(), &groups);
    return groups;
}

std::optional<std::wstring> Text(const wchar_t* text)
{
    return text ? std::optional<std::wstring>(text) : std::nullopt;
}
} // namespace

struct Palette::Row
{
    std::wstring category;
    std::wstring name;
    std::wstring progId;
    DISPID dispid = 0; // the first object's
    // Each class's DISPID of the row's property (classes may hold it under their own), and
    // each object's.
    std::map<std::wstring, DISPID> classDispids;
    std::vector<DISPID> dispids;
    int numericType = -1;
    int calculatorMode = -1;
    int colorFlags = 0;
    // A coordinate row's element of each vertex and a list's elements per vertex (see the
    // host's PropertyDescription); a vertex row's coordinate rows; a picked distance's prompts.
    int component = -1;
    int elementCount = 0;
    std::vector<size_t> linked;
    std::optional<std::wstring> firstPrompt;
    std::optional<std::wstring> secondPrompt;
    std::vector<ComPtr<IDispatch>> objects;
    std::vector<ComPtr<IUnknown>> dynProps;
    ComPtr<IUnknown> dynamic; // the dynamic property a custom row shows
    bool readOnly = false;
    std::unique_ptr<ControlHost> host; // null: a row the palette draws itself
    std::wstring text;
    std::wstring state;

    // Served by the same control, configured the same way.
    bool SameKind(const Row& other) const noexcept;
    bool IsCoordinate() const noexcept { return component >= 0; }
    bool IsVertexRow() const noexcept { return component < 0 && elementCount > 0; }
};

Palette::Palette()
{
    m_ambient.font = MakeFont(L"Tahoma", 9);
    ComPtr<IFont> font = m_ambient.font.Query<IFont>();
    if (font)
        font->get_hFont(&m_font);
}

Palette::~Palette()
{
    ClearRows();
    DestroyWindowNow();
    if (m_frame)
        m_frame->Release();
}

bool Palette::Create(HWND parent, const RECT& rect)
{
    if (!CreateWindowOf(kClassName, CS_DBLCLKS, WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL,
                        rect, parent, ::GetModuleHandleW(nullptr), ::GetSysColorBrush(COLOR_WINDOW)))
        return false;
    return SUCCEEDED(dkfw::ComObject<PaletteFrame>::Create(&m_frame, ::GetAncestor(parent, GA_ROOT)));
}

void Palette::ClearRows()
{
    m_active = -1;
    // The vertex rows let go of their coordinate rows' controls first.
    LinkVertexRows(true);
    m_rows.clear();
}

void Palette::SetSelection(const std::vector<LONG_PTR>& ids)
{
    DeactivateRow();
    m_ids = ids;
    auto rows = DescribeRows();
    // The same rows as before (as users click from object to object): each control is
    // given the new objects and keeps its window; otherwise the rows are built anew.
    const bool same =
        rows.size() == m_rows.size() && std::equal(rows.begin(), rows.end(), m_rows.begin(),
                                                   [](const auto& a, const auto& b) { return a->SameKind(*b); });
    if (!same)
    {
        ClearRows();
        m_rows = std::move(rows);
        m_scroll = 0;
    }
    const std::vector<DISPID> readOnly = ReadOnlyProperties();
    for (auto& row : m_rows)
        BindRow(*row, readOnly);
    // The scroll bar is settled before the controls are placed, so that none is moved twice.
    Layout();
    for (size_t r = 0; r < m_rows.size(); ++r)
    {
        Row& row = *m_rows[r];
        if (!row.host)
        {
            // Built anew, or kept without a control (its control could not take the objects
            // before): the row gets a control of its own again.
            CreateControl(r);
            continue;
        }
        // Nothing of the objects before stays with the row: its identifier's last value
        // (a password, maybe), its events.
        IDkPiPropertyIdentifier* identifier = nullptr; // handed out without a reference
        if (SUCCEEDED(row.host->Control()->GetPropertyIdentifier(&identifier)) && identifier)
            identifier->ResetNotifications();
        row.host->Events()->Clear();
        // A coordinate row starts again at the first vertex, with a cookie for each new object.
        ConfigureCoordinates(row, row.host->Control());
        if (FAILED(row.host->Init(SelectionOf(row), row.readOnly)))
            row.host.reset(); // it cannot take the new objects: the palette shows the row itself
    }
    LinkVertexRows();
    // The palette reads the value itself only where it draws it: a control reads its own.
    for (auto& row : m_rows)
        if (!row->host)
            ReadCommon(*row);
    ::RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool Palette::Row::SameKind(const Row& other) const noexcept
{
    return category == other.category && name == other.name && dispid == other.dispid &&
           classDispids == other.classDispids && progId == other.progId && numericType == other.numericType &&
           calculatorMode == other.calculatorMode && colorFlags == other.colorFlags && component == other.component &&
           elementCount == other.elementCount && firstPrompt == other.firstPrompt &&
           secondPrompt == other.secondPrompt && dynamic.Get() == other.dynamic.Get();
}

std::vector<std::unique_ptr<Palette::Row>> Palette::DescribeRows() const
{
    std::vector<std::unique_ptr<Row>> rows;
    if (m_ids.empty())
        return rows;
    std::vector<std::wstring> classes;
    for (LONG_PTR id : m_ids)
    {
        const wchar_t* name = dkhost_test::EntityClass(id);
        const std::wstring c = name ? name : L"";
        if (std::find(classes.begin(), classes.end(), c) == classes.end())
            classes.push_back(c);
    }
    const dkhost_test::PropertyDescription* first = nullptr;
    const int count = dkhost_test::PropertyDescriptionsOf(classes[0].c_str(), &first);

    // The rows every selected object's class shows by the same name, each class with its
    // own DISPID; the first class's row says how the row is edited.
    auto inAll = [&](const dkhost_test::PropertyDescription& d, std::map<std::wstring, DISPID>& dispids)
    {
        for (const std::wstring& c : classes)
        {
            const dkhost_test::PropertyDescription* others = nullptr;
            const int n = dkhost_test::PropertyDescriptionsOf(c.c_str(), &others);
            const auto* same =
                std::find_if(others, others + n, [&](const auto& r) { return std::wcscmp(r.name, d.name) == 0; });
            if (same == others + n)
                return false;
            dispids[c] = same->dispid;
        }
        return true;
    };
    for (int i = 0; i < count; ++i)
    {
        std::map<std::wstring, DISPID> dispids;
        if (!inAll(first[i], dispids))
            continue;
        auto row = std::make_unique<Row>();
        row->classDispids = std::move(dispids);
        row->category = first[i].category;
        row->name = first[i].name;
        row->dispid = first[i].dispid;
        row->progId = first[i].editor ? first[i].editor : L"";
        row->numericType = first[i].numericType;
        row->calculatorMode = first[i].calculatorMode;
        row->colorFlags = first[i].colorFlags;
        row->component = first[i].component;
        row->elementCount = first[i].elementCount;
        row->firstPrompt = Text(first[i].firstPrompt);
        row->secondPrompt = Text(first[i].secondPrompt);
        rows.push_back(std::move(row));
    }

    // Dynamic properties every selected object has.
    IUnknown* dynamic[32] = {};
    const int n = std::min(32, dkhost_test::DynamicPropertiesOf(classes[0].c_str(), dynamic, 32));
    for (int i = 0; i < n; ++i)
    {
        ComPtr<IUnknown> property = ComPtr<IUnknown>::Attach(dynamic[i]);
        bool everywhere = true;
        for (const std::wstring& c : classes)
        {
            IUnknown* others[32] = {};
            const int m = std::min(32, dkhost_test::DynamicPropertiesOf(c.c_str(), others, 32));
            everywhere = everywhere && std::find(others, others + m, property.Get()) != others + m;
            for (int k = 0; k < m; ++k)
                others[k]->Release();
        }
        auto dyn = property.Query<IDynamicProperty>();
        if (!everywhere || !dyn)
            continue;
        auto row = std::make_unique<Row>();
        dkfw::UniqueBstr name;
        dyn->GetDisplayName(name.Put());
        VARTYPE vt = VT_BSTR;
        dyn->GetValueType(&vt);
        row->category = kDynamicCategory;
        row->name = std::wstring(name.View());
        row->dispid = kDynamicDispid;
        // Each type its own editor: whole numbers are not typed as distances, nor yes/no.
        row->progId = property.Query<IDynamicPropertyChoices>() ? L"DkPEXCtl.DkPePropertyEditorEnum.16"
                      : vt == VT_BSTR                           ? L"DkPEXCtl.DkPePropertyEditorText.16"
                      : vt == VT_BOOL                           ? L"DkPEXCtl.DkPePropertyEditorBool.16"
                      : vt == VT_R8 || vt == VT_R4              ? L"DkPEXCtl.DkPePropertyEditorDRVKNumeric.16"
                                                                : L"DkPEXCtl.DkPePropertyEditorNumeric.16";
        row->numericType = vt == VT_R8 || vt == VT_R4 ? 2 : -1;
        row->dynamic = property;
        rows.push_back(std::move(row));
    }

    // Rows of one category together, categories in the order they first appear.
    std::vector<std::wstring> order;
    for (const auto& row : rows)
        if (std::find(order.begin(), order.end(), row->category) == order.end())
            order.push_back(row->category);
    auto rank = [&order](const std::wstring& c) { return std::find(order.begin(), order.end(), c) - order.begin(); };
    std::stable_sort(rows.begin(), rows.end(),
                     [&rank](const auto& a, const auto& b) { return rank(a->category) < rank(b->category); });
    // Each vertex row steps the coordinate rows of its list.
    for (auto& vertex : rows)
        if (vertex->IsVertexRow())
            for (size_t r = 0; r < rows.size(); ++r)
                if (rows[r]->IsCoordinate() && rows[r]->classDispids == vertex->classDispids)
                    vertex->linked.push_back(r);
    return rows;
}

// The properties the first object's type information marks read-only (every row's first
// object is the same one).
std::vector<DISPID> Palette::ReadOnlyProperties() const
{
    std::vector<DISPID> out;
    ComPtr<IDispatch> object;
    ComPtr<ITypeInfo> info;
    TYPEATTR* ta = nullptr;
    if (m_ids.empty() || FAILED(dkhost_test::GetPaletteObject(m_ids[0], object.Put())) || !object ||
        FAILED(object->GetTypeInfo(0, 0, info.Put())) || FAILED(info->GetTypeAttr(&ta)))
        return out;
    for (UINT v = 0; v < ta->cVars; ++v)
    {
        VARDESC* vd = nullptr;
        if (SUCCEEDED(info->GetVarDesc(v, &vd)))
        {
            if (vd->wVarFlags & VARFLAG_FREADONLY)
                out.push_back(vd->memid);
            info->ReleaseVarDesc(vd);
        }
    }
    info->ReleaseTypeAttr(ta);
    return out;
}

// The row takes the selected objects and its read-only state (the type information's, or
// the custom property's own).
void Palette::BindRow(Row& row, const std::vector<DISPID>& readOnly)
{
    row.objects.clear();
    row.dispids.clear();
    for (LONG_PTR id : m_ids)
    {
        ComPtr<IDispatch> d;
        dkhost_test::GetPaletteObject(id, d.Put());
        row.objects.push_back(d);
        const wchar_t* cls = dkhost_test::EntityClass(id);
        const auto own = row.classDispids.find(cls ? cls : L"");
        row.dispids.push_back(own == row.classDispids.end() ? row.dispid : own->second);
    }
    row.dynProps.assign(m_ids.size(), row.dynamic);
    row.readOnly =
        row.dispid != kDynamicDispid && std::find(readOnly.begin(), readOnly.end(), row.dispid) != readOnly.end();
    if (auto dyn = row.dynamic.Query<IDynamicProperty>())
    {
        BOOL dynamicReadOnly = FALSE;
        dyn->IsReadOnly(&dynamicReadOnly);
        row.readOnly = row.readOnly || dynamicReadOnly;
    }
}

dkpal::Selection Palette::SelectionOf(const Row& row) const
{
    dkpal::Selection selection;
    for (size_t i = 0; i < row.objects.size(); ++i)
    {
        selection.objects.push_back(row.objects[i].Get());
        selection.dynProps.push_back(row.dynProps[i].Get());
        selection.dispids.push_back(i < row.dispids.size() ? row.dispids[i] : row.dispid);
    }
    return selection;
}

// The editor class of a progid, looked up once per palette: its class object, or null
// when the class is not registered.
IClassFactory* Palette::FactoryOf(const std::wstring& progId)
{
    auto found = m_factories.find(progId);
    if (found != m_factories.end())
        return found->second.Get();
    ComPtr<IClassFactory> factory;
    CLSID clsid{};
    if (SUCCEEDED(::CLSIDFromProgID(progId.c_str(), &clsid)))
        ::CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.PutVoid());
    return m_factories.emplace(progId, factory).first->second.Get();
}

void Palette::CreateControl(size_t r)
{
    Row& row = *m_rows[r];
    IClassFactory* factory = row.progId.empty() ? nullptr : FactoryOf(row.progId);
    if (!factory)
        return;
    auto host = std::make_unique<ControlHost>();
    if (FAILED(host->Create(*factory, Hwnd(), m_frame, ValueRect(static_cast<int>(r)), m_ambient)))
        return; // the editor class is not built: the palette shows the row itself
    host->Events()->SetListener(this);
    auto control = ComPtr<IUnknown>(host->Control());
    if (auto numeric = control.Query<IDkPeNumericEditor>(); numeric && row.numericType >= 0)
        numeric->SetNumericDataType(static_cast<DkPeNumericType>(row.numericType));
    if (auto calculator = control.Query<IDkPeCalculatorCtrl>(); calculator && row.calculatorMode >= 0)
        calculator->SetCalculatorMode(row.calculatorMode ? static_cast<USHORT>(VARIANT_TRUE) : 0);
    if (auto color = control.Query<IDkPeColorCtrl>())
    {
        color->SetNoMetaColor((row.colorFlags & dkhost_test::kNoMetaColor) != 0);
        color->SetAllowNoneColor((row.colorFlags & dkhost_test::kAllowNoneColor) != 0);
        color->SetFixedForeground((row.colorFlags & dkhost_test::kFixedForeground) != 0);
    }
    if (auto pick = control.Query<IDkPePick2PointsCtrl>(); pick && (row.firstPrompt || row.secondPrompt))
    {
        // A prompt not given stays the control's own.
        dkfw::UniqueBstr first, second;
        if (row.firstPrompt)
            first = dkfw::UniqueBstr(*row.firstPrompt);
        if (row.secondPrompt)
            second = dkfw::UniqueBstr(*row.secondPrompt);
        pick->SetPrompts(first.Get(), second.Get());
    }
    ConfigureCoordinates(row, control.Get());
    dkfw::ComObject<RowIdentifier>* identifier = nullptr;
    if (SUCCEEDED(dkfw::ComObject<RowIdentifier>::Create(&identifier, row.name, row.category, row.dispid,
                                                         static_cast<LONG>(r))))
    {
        host->Control()->PutPropertyIdentifier(identifier);
        identifier->Release();
    }
    if (FAILED(host->Init(SelectionOf(row), row.readOnly)) || FAILED(host->Activate(OLEIVERB_INPLACEACTIVATE)))
        return;
    row.host = std::move(host);
}

// A coordinate row's control learns which element of each object's vertices it shows (a
// cookie for each object), how many elements make a vertex, and starts at the first vertex.
void Palette::ConfigureCoordinates(const Row& row, IUnknown* control)
{
    auto coordinates = ComPtr<IUnknown>(control).Query<IDkPeVariantCtrl>();
    if (!row.IsCoordinate() || !coordinates)
        return;
    const std::vector<LONG> cookies(row.objects.size(), static_cast<LONG>(row.component));
    dkfw::UniqueVariant array;
    if (FAILED(MakeArray(VT_I4, cookies, array.Put())))
        return;
    coordinates->SetDwCookies(array.Get());
    coordinates->SetElementCount(static_cast<ULONG>(row.elementCount));
    coordinates->SetGroupOffset(0);
}

// Hands each vertex row the controls of its coordinate rows (those that have one), which it
// moves from vertex to vertex; or, to unlink, none.
void Palette::LinkVertexRows(bool unlink)
{
    for (auto& row : m_rows)
    {
        if (!row->host || !row->IsVertexRow())
            continue;
        auto spin = ComPtr<IUnknown>(row->host->Control()).Query<IDkPeSpinCtrl>();
        if (!spin)
            continue;
        std::vector<IUnknown*> controls;
        for (size_t r : row->linked)
            if (!unlink && r < m_rows.size() && m_rows[r]->host)
                controls.push_back(m_rows[r]->host->Control());
        dkfw::UniqueVariant array;
        if (SUCCEEDED(MakeArray(VT_UNKNOWN, controls, array.Put())))
            spin->SetControls(array.Get());
    }
}

// Reads a row as the palette shows it itself: the common value, varies or unspecified.
void Palette::ReadCommon(Row& row)
{
    row.text.clear();
    row.state = L"value";
    std::wstring first;
    for (size_t i = 0; i < row.objects.size(); ++i)
    {
        std::wstring text;
        bool unspecified = false;
        dkfw::UniqueVariant v;
        const DISPID dispid = i < row.dispids.size() ? row.dispids[i] : row.dispid;
        if (row.dispid == kDynamicDispid)
        {
            auto dyn = row.dynProps[i].Query<IDynamicProperty>();
            ComPtr<IDkBaseObject> base = row.objects[i].Query<IDkBaseObject>();
            LONG_PTR id = 0;
            if (base)
                base->GetObjectId(&id);
            if (dyn)
                dyn->GetValue(id, v.Put());
        }
        else
        {
            if (auto u = row.objects[i].Query<IPropertyUnspecified>())
            {
                VARIANT varId;
                varId.vt = VT_I4;
                varId.lVal = dispid;
                VARIANT_BOOL is = VARIANT_FALSE;
                unspecified = SUCCEEDED(u->IsValueUnspecified(varId, &is)) && is;
            }
            if (row.IsCoordinate())
            {
                // The first vertex's element, where the row's control starts.
                ReadElement(row.objects[i], dispid, static_cast<DWORD>(row.component), v.Put());
            }
            else if (row.IsVertexRow())
            {
                // The vertex the coordinate rows show, numbered from 1, when the list has one.
                if (GroupCount(row.objects[i], dispid) > 0)
                {
                    v.Put()->vt = VT_I4;
                    v.Addr()->lVal = 1;
                }
            }
            else
            {
                DISPPARAMS none{};
                row.objects[i]->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
                // A special value the object holds stands in place of its ordinary one.
                dkfw::UniqueVariant special;
                if (auto custom = row.objects[i].Query<IDkPropertyCustomValues>();
                    custom && SUCCEEDED(custom->GetCurrentCustomValue(row.objects[i].Get(), dispid, special.Put())))
                    v.CopyFrom(special.Get());
            }
        }
        if (unspecified)
            text = L"*unspecified*";
        else if (!DisplayString(row.objects[i], dispid, v.Get(), text))
            text = TextOf(v.Get());
        if (i == 0)
        {
            first = text;
            row.state = unspecified ? L"unspecified" : L"value";
        }
        else if (text != first)
        {
            row.text = kVaries;
            row.state = L"varies";
            break;
        }
    }
    if (row.state != L"varies")
        row.text = first;
}

std::wstring Palette::DrawnText(Row& row)
{
    // An active drop-down row shows its open combo's entry, not a drawing of its own.
    HWND combo = ::GetDlgItem(row.host->Window(), 1002);
    if (combo && ::IsWindowVisible(combo))
    {
        const LRESULT index = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
        const LRESULT length = index == CB_ERR ? CB_ERR : ::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
        if (length == CB_ERR)
            return L"";
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        ::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        return text;
    }
    return row.host->DrawnText(kRowHeight);
}

std::vector<RowDump> Palette::Dump()
{
    std::vector<RowDump> out;
    for (auto& row : m_rows)
    {
        ReadCommon(*row);
        RowDump d;
        d.category = row->category;
        d.name = row->name;
        d.editor = row->host ? EditorClassOf(row->progId) : L"(plain)";
        d.text = row->host ? DrawnText(*row) : row->text;
        d.state = row->state;
        // A coordinate control may show another vertex than the first, which the palette read:
        // what it shows says whether the objects differ there.
        if (row->host && row->IsCoordinate() && d.state != L"unspecified")
            d.state = d.text == kVaries ? L"varies" : L"value";
        if (row->IsCoordinate())
        {
            d.cookies.assign(row->objects.size(), static_cast<LONG>(row->component));
            d.elementCount = row->elementCount;
        }
        for (size_t r : row->linked)
            d.linked.push_back(m_rows[r]->name);
        if (row->readOnly || !row->host)
            d.state += L", read-only";
        out.push_back(std::move(d));
    }
    return out;
}

std::wstring Palette::ValueText(int row)
{
    if (row < 0 || row >= RowCount())
        return L"";
    ReadCommon(*m_rows[static_cast<size_t>(row)]);
    return m_rows[static_cast<size_t>(row)]->text;
}

int Palette::FindRow(const std::wstring& name) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (::CompareStringOrdinal(m_rows[i]->name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
            return static_cast<int>(i);
    return -1;
}

bool Palette::IsPlain(int row) const
{
    return row < 0 || row >= RowCount() || !m_rows[static_cast<size_t>(row)]->host;
}

HWND Palette::RowWindow(int row) const
{
    return IsPlain(row) ? nullptr : m_rows[static_cast<size_t>(row)]->host->Window();
}

IDkPiPropertyEditControl2* Palette::RowControl(int row) const
{
    return IsPlain(row) ? nullptr : m_rows[static_cast<size_t>(row)]->host->Control();
}

bool Palette::ActivateRow(int row)
{
    if (IsPlain(row))
        return false;
    if (m_active != row)
        DeactivateRow();
    // A row out of sight scrolls into view first.
    const int top = RowTop(row);
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    if (top < m_scroll)
        Scroll(top);
    else if (top + kRowHeight > m_scroll + client.bottom)
        Scroll(top + kRowHeight - client.bottom);
    m_active = row;
    return SUCCEEDED(m_rows[static_cast<size_t>(row)]->host->Activate(OLEIVERB_UIACTIVATE));
}

void Palette::DeactivateRow()
{
    if (!IsPlain(m_active))
        m_rows[static_cast<size_t>(m_active)]->host->Deactivate();
    m_active = -1;
}

void Palette::RefreshAll()
{
    for (auto& row : m_rows)
        if (row->host)
            row->host->Control()->Refresh(0);
        else
            ReadCommon(*row);
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
    if (m_statusCallback)
        m_statusCallback(m_statusContext);
}

void Palette::Move(int direction)
{
    // From no active row, down starts at the first row and up at the last.
    const int start = m_active >= 0 ? m_active + direction : (direction > 0 ? 0 : RowCount() - 1);
    for (int r = start; r >= 0 && r < RowCount(); r += direction)
        if (!IsPlain(r) && !m_rows[static_cast<size_t>(r)]->readOnly)
        {
            ActivateRow(r);
            return;
        }
}

// After Enter in a row: a coordinate row moves on only when its editor asks for the next row
// (its value taken); every other row moves on.
void Palette::AfterEnter(int row)
{
    if (!IsPlain(row) && ComPtr<IUnknown>(RowControl(row)).Query<IDkPeVariantCtrl>() && !TakeNextRowRequest(row))
        return;
    Move(1);
}

// The editor's request for the next row, read once (and reset). A control that does not
// show its editor part is taken to ask for it.
bool Palette::TakeNextRowRequest(int row) const
{
    auto part = ComPtr<IUnknown>(RowControl(row)).Query<IDkPeEditorPart>();
    CDkPeCtrlBase* editor = nullptr;
    if (!part || FAILED(part->GetEditorPart(&editor)) || !editor)
        return true;
    int next = 0;
    editor->GetDoNextVariantItem(next);
    editor->SetDoNextVariantItem(0);
    return next != 0;
}

void Palette::OnControlEvent(const Event& event) noexcept
{
    if (event.name == L"UIActivate")
    {
        // A click made a row's control the active one: the row before it lets go.
        for (int r = 0; r < RowCount(); ++r)
            if (r != m_active && !IsPlain(r) && m_rows[static_cast<size_t>(r)]->host->Site()->UIActive())
            {
                const int before = m_active;
                m_active = r;
                if (!IsPlain(before))
                    m_rows[static_cast<size_t>(before)]->host->Deactivate();
                ::InvalidateRect(Hwnd(), nullptr, TRUE);
                break;
            }
        return;
    }
    if (event.name == L"OnEndPropertyUpdate")
        ::PostMessageW(Hwnd(), kRefreshMessage, 0, 0);
    else if (event.name == L"OnKeyDown")
    {
        const bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
        switch (event.arg1)
        {
        case VK_TAB:
            ::PostMessageW(Hwnd(), kMoveMessage, shift ? -1 : 1, 0);
            break;
        case VK_RETURN:
            ::PostMessageW(Hwnd(), kEnterMessage, static_cast<WPARAM>(m_active), 0);
            break;
        case VK_DOWN:
            ::PostMessageW(Hwnd(), kMoveMessage, 1, 0);
            break;
        case VK_UP:
            ::PostMessageW(Hwnd(), kMoveMessage, static_cast<WPARAM>(-1), 0);
            break;
        default:
            break;
        }
    }
}

int Palette::RowTop(int row) const
{
    int y = 0;
    for (int r = 0; r <= row && r < RowCount(); ++r)
    {
        if (r == 0 || m_rows[static_cast<size_t>(r)]->category != m_rows[static_cast<size_t>(r) - 1]->category)
            y += kRowHeight; // the category's heading
        if (r < row)
            y += kRowHeight;
    }
    return y;
}

int Palette::RowAt(int y) const
{
    for (int r = 0; r < RowCount(); ++r)
    {
        const int top = RowTop(r) - m_scroll;
        if (y >= top && y < top + kRowHeight)
            return r;
    }
    return -1;
}

RECT Palette::ValueRect(int row) const
{
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    const int nameWidth = std::max(90, static_cast<int>(client.right * 2 / 5));
    const int top = RowTop(row) - m_scroll;
    return RECT{nameWidth, top, client.right, top + kRowHeight - 1};
}

void Palette::Layout()
{
    m_contentHeight = RowCount() ? RowTop(RowCount() - 1) + kRowHeight : 0;
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    SCROLLINFO si{sizeof(si)};
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, m_contentHeight - 1);
    si.nPage = static_cast<UINT>(client.bottom);
    si.nPos = m_scroll;
    // Setting the scroll bar redraws it: only when it changes.
    SCROLLINFO now{sizeof(now)};
    now.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (!::GetScrollInfo(Hwnd(), SB_VERT, &now) || now.nMin != si.nMin || now.nMax != si.nMax ||
        now.nPage != si.nPage || now.nPos != si.nPos)
        ::SetScrollInfo(Hwnd(), SB_VERT, &si, TRUE);
    for (int r = 0; r < RowCount(); ++r)
        if (!IsPlain(r))
            m_rows[static_cast<size_t>(r)]->host->Move(ValueRect(r));
}

void Palette::Scroll(int to)
{
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    m_scroll = std::clamp(to, 0, std::max(0, m_contentHeight - static_cast<int>(client.bottom)));
    Layout();
    ::InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Palette::Paint()
{
    dkfw::PaintDc paint(Hwnd());
    if (!paint)
        return;
    HDC dc = paint.Get();
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    dkfw::SelectObjectScope font(dc, m_font);
    ::SetBkMode(dc, TRANSPARENT);
    const int nameWidth = std::max(90, static_cast<int>(client.right * 2 / 5));
    for (int r = 0; r < RowCount(); ++r)
    {
        const Row& row = *m_rows[static_cast<size_t>(r)];
        const int top = RowTop(r) - m_scroll;
        if (r == 0 || row.category != m_rows[static_cast<size_t>(r) - 1]->category)
        {
            RECT heading{0, top - kRowHeight, client.right, top};
            ::FillRect(dc, &heading, ::GetSysColorBrush(COLOR_BTNFACE));
            heading.left += 4;
            ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
            ::DrawTextW(dc, row.category.c_str(), -1, &heading, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        }
        RECT name{8, top, nameWidth - 2, top + kRowHeight};
        ::SetTextColor(dc, ::GetSysColor(r == m_active ? COLOR_HIGHLIGHT : COLOR_WINDOWTEXT));
        ::DrawTextW(dc, row.name.c_str(), -1, &name, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (!row.host)
        {
            // A row without its editor: the palette's own text, grey, read-only.
            RECT value{nameWidth + 2, top, client.right, top + kRowHeight};
            ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
            ::DrawTextW(dc, row.text.c_str(), -1, &value, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
        dkfw::UniqueHpen pen(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNFACE)));
        dkfw::SelectObjectScope select(dc, pen.Get());
        ::MoveToEx(dc, 0, top + kRowHeight - 1, nullptr);
        ::LineTo(dc, client.right, top + kRowHeight - 1);
        ::MoveToEx(dc, nameWidth - 1, top, nullptr);
        ::LineTo(dc, nameWidth - 1, top + kRowHeight);
    }
}

bool Palette::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept
try
{
    switch (msg)
    {
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_SIZE:
        Layout();
        return false;
    case WM_LBUTTONDOWN:
        // A click on a row's name makes the row active; elsewhere the palette takes the keys.
        if (!ActivateRow(RowAt(static_cast<short>(HIWORD(lParam)))))
            ::SetFocus(Hwnd());
        ::InvalidateRect(Hwnd(), nullptr, TRUE);
        result = 0;
        return true;
    case WM_GETDLGCODE:
        result = DLGC_WANTALLKEYS;
        return true;
    case WM_KEYDOWN:
        // The keyboard moves between the rows that can be edited, and makes one active.
        switch (wParam)
        {
        case VK_DOWN:
        case VK_RETURN:
            Move(1);
            break;
        case VK_UP:
            Move(-1);
            break;
        case VK_TAB:
            Move((::GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1);
            break;
        default:
            return false;
        }
        ::InvalidateRect(Hwnd(), nullptr, TRUE);
        result = 0;
        return true;
    case WM_VSCROLL:
    {
        int to = m_scroll;
        switch (LOWORD(wParam))
        {
        case SB_LINEUP:
            to -= kRowHeight;
            break;
        case SB_LINEDOWN:
            to += kRowHeight;
            break;
        case SB_PAGEUP:
            to -= 10 * kRowHeight;
            break;
        case SB_PAGEDOWN:
            to += 10 * kRowHeight;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            to = HIWORD(wParam);
            break;
        default:
            break;
        }
        Scroll(to);
        result = 0;
        return true;
    }
    case WM_MOUSEWHEEL:
        Scroll(m_scroll - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3 * kRowHeight);
        result = 0;
        return true;
    case kRefreshMessage:
        RefreshAll();
        result = 0;
        return true;
    case kMoveMessage:
        Move(static_cast<int>(static_cast<INT_PTR>(wParam)));
        ::InvalidateRect(Hwnd(), nullptr, TRUE);
        result = 0;
        return true;
    case kEnterMessage:
        AfterEnter(static_cast<int>(static_cast<INT_PTR>(wParam)));
        ::InvalidateRect(Hwnd(), nullptr, TRUE);
        result = 0;
        return true;
    default:
        return false;
    }
}
catch (...)
{
    return false;
}
} // namespace dkpal

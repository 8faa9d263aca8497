// The section layer picker: its entries, its list, the remembered namings and the editor.
#include "PropertySectionLayerCombo.h"

#include "ObjectProperties.h"
#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SectionLayerNewNameDlg.h"
#include "SharedTexts.h"
#include "dked.h"

#include "HResult.h"
#include "Unique.h"

#include <cwchar>
#include <memory>
#include <utility>
#include <vector>

namespace
{
// The naming's values under the profile, per kind of section (formatted with the property).
const wchar_t kNamingKey[] = L"Dialogs\\SectionSettingsDialog";
constexpr size_t kProfileMax = 260;

// The section's settings, by property: non-zero when it makes 2D geometry, 3D geometry.
constexpr DISPID kSettings2d = 133;
constexpr DISPID kSettings3d = 94;

const wchar_t* KindValueFormat(int kind)
{
    switch (kind)
    {
    case CPropertySectionLayerCombo::kLiveSection:
        return L"LiveSectionLayer %d";
    case CPropertySectionLayerCombo::kSection2d:
        return L"2dSectionLayer %d";
    case CPropertySectionLayerCombo::kSection3d:
        return L"3dSectionLayer %d";
    default:
        return nullptr;
    }
}

// The default suffix of each layer property of a section.
UINT DefaultSuffixId(DISPID dispid)
{
    switch (dispid)
    {
    case 52:
        return IDS_SECTION_SUFFIX_CUT;
    case 78:
        return IDS_SECTION_SUFFIX_FILL;
    case 94:
        return IDS_SECTION_SUFFIX_BACKGROUND;
    case 114:
        return IDS_SECTION_SUFFIX_FOREGROUND;
    case 133:
        return IDS_SECTION_SUFFIX_TANGENCY;
    default:
        return 0;
    }
}

// A string value of an open key; false when there is none (or it is no string).
bool ReadString(HKEY key, const std::wstring& name, std::wstring& text)
{
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
        ERROR_SUCCESS)
        return false;
    text.assign(buffer.data());
    return true;
}

// The key of the namings under HKEY_CURRENT_USER, made when missing; empty when the current
// profile cannot be read.
std::wstring NamingKeyPath()
{
    const wchar_t* root = dkedGetProductRegistryRoot();
    if (!root || !*root)
        return {};
    const std::wstring profiles = std::wstring(root) + L"\\Profiles";
    dkfw::UniqueHkey key;
    std::wstring profile;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, profiles.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS ||
        !ReadString(key.Get(), L"", profile) || profile.empty() || profile.size() > kProfileMax)
        return {};
    std::wstring path = profiles + L"\\" + profile + L"\\" + kNamingKey;
    dkfw::UniqueHkey made;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr,
                      made.Put(), nullptr);
    return path;
}

std::wstring NamingValueName(int kind, DISPID dispid)
{
    const wchar_t* format = KindValueFormat(kind);
    if (!format)
        return {};
    wchar_t name[64] = {};
    std::swprintf(name, 64, format, static_cast<int>(dispid));
    return name;
}

// The naming remembered for a property of a kind of section; false when none is, or what is
// stored could not name a layer (a value edited by hand).
bool ReadNaming(int kind, DISPID dispid, CSectionLayerNaming& naming)
{
    const std::wstring name = NamingValueName(kind, dispid);
    const std::wstring path = name.empty() ? std::wstring() : NamingKeyPath();
    dkfw::UniqueHkey key;
    if (path.empty() || ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return false;
    std::wstring option;
    std::wstring text;
    const bool hasOption = ReadString(key.Get(), name + L".", option);
    const bool hasText = ReadString(key.Get(), name + L"-", text);
    if (!hasOption && !hasText)
        return false;
    CSectionLayerNaming read;
    read.option = hasOption ? static_cast<int>(std::wcstol(option.c_str(), nullptr, 10)) : 0;
    read.text = text;
    if (read.option == CSectionLayerNaming::kNone)
        read.text.clear();
    else if (read.option != CSectionLayerNaming::kPrefix && read.option != CSectionLayerNaming::kSuffix)
        return false;
    else if (!SectionLayerNamingValid(read.text, read.option))
        return false;
    naming = std::move(read);
    return true;
}

// Remembers a naming; a registry that refuses the write leaves nothing to tell the user.
void StoreNaming(int kind, DISPID dispid, const CSectionLayerNaming& naming)
{
    const std::wstring name = NamingValueName(kind, dispid);
    const std::wstring path = name.empty() ? std::wstring() : NamingKeyPath();
    dkfw::UniqueHkey key;
    if (path.empty() || ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_WRITE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return;
    const std::wstring option = std::to_wstring(naming.option);
    const auto put = [&](const std::wstring& value, const std::wstring& text)
    {
        ::RegSetValueExW(key.Get(), value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    };
    put(name + L".", option);
    put(name + L"-", naming.text);
}

long ReadLong(IDispatch* object, DISPID dispid, long& value)
{
    dkfw::UniqueVariant read;
    RETURN_IF_FAILED(dkpex::GetProperty(object, dispid, read.Put()));
    RETURN_IF_FAILED(::VariantChangeType(read.Addr(), read.Addr(), 0, VT_I4));
    value = read.Get().lVal;
    return S_OK;
}

bool IsPattern(const std::wstring& value)
{
    return value.find(L'*') != std::wstring::npos;
}
} // namespace

std::wstring CSectionLayerNaming::Pattern() const
{
    switch (option)
    {
    case kPrefix:
        return text + L"*";
    case kSuffix:
        return L"*" + text;
    default:
        return L"*";
    }
}

CSectionLayerNaming CSectionLayerNaming::FromPattern(const std::wstring& value)
{
    CSectionLayerNaming naming;
    naming.option = !value.empty() && value.front() == L'*' ? kSuffix : kPrefix;
    for (wchar_t c : value)
        if (c != L'*')
            naming.text.push_back(c);
    if (naming.text.empty())
        naming.option = kNone;
    return naming;
}

void COwnerDrawItemSectionLayer::Draw(HDC dc, RECT* rect, UINT itemAction, UINT itemState, UINT)
{
    if (!rect || !(itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)))
        return;
    if (m_kind == kSeparator)
    {
        // A line across the middle of the entry's own background; it never shows as chosen.
        FillItemBackground(dc, *rect, m_fillColor);
        const int y = (rect->top + rect->bottom) / 2;
        RECT line{rect->left + 2, y, rect->right - 2, y + 1};
        FillItemBackground(dc, line, GreyedColour(m_textColor));
        return;
    }
    CEntryPainter painter(dc, *rect, itemAction, itemState, 2);
    if (!painter.Highlighted())
        ::SetTextColor(dc, m_textColor);
    painter.Finish(m_text);
}

COwnerDrawItemSectionLayer* CDkSectionLayerCombo::Entry(int index) const
{
    return index < 0 ? nullptr : dynamic_cast<COwnerDrawItemSectionLayer*>(Item(index));
}

int CDkSectionLayerCombo::FindLayer(const std::wstring& name) const
{
    const int count = Count();
    int folded = -1;
    for (int i = kFirstLayer; i < count; ++i)
    {
        const COwnerDrawItemSectionLayer* item = Entry(i);
        if (!item || item->m_trailing)
            continue;
        if (item->m_text == name)
            return i;
        if (folded < 0 && ::CompareStringOrdinal(item->m_text.c_str(), static_cast<int>(item->m_text.size()),
                                                 name.c_str(), static_cast<int>(name.size()), TRUE) == CSTR_EQUAL)
            folded = i;
    }
    return folded;
}

CPropertySectionLayerCombo::CPropertySectionLayerCombo()
{
    m_bNeedsCurrentDocument = TRUE;
    if (DkDbHostApplicationServices* services = dkdbHostApplicationServices())
        if (DkDbDatabase* database = services->workingDatabase())
            m_tableId = database->layerTableId();
}

CDkSectionLayerCombo* CPropertySectionLayerCombo::SectionCombo() const noexcept
{
    return dynamic_cast<CDkSectionLayerCombo*>(m_pCombo.get());
}

long CPropertySectionLayerCombo::CreateComboWindow(const RECT& rect)
{
    return CreateContainerCombo<CDkSectionLayerCombo>(CDkSectionLayerCombo::kStyle, rect, DatabaseOf(m_tableId),
                                                      m_tableId);
}

int CPropertySectionLayerCombo::SectionKind() const
{
    IUnknown* object = m_nObjects > 0 && m_ppObjects ? m_ppObjects[0] : nullptr;
    dkfw::ComPtr<IDkSection> section;
    dkfw::ComPtr<IDispatch> settings;
    if (!object || FAILED(object->QueryInterface(IID_IDkSection, section.PutVoid())) ||
        FAILED(section->get_Settings(settings.Put())) || !settings)
        return 0;
    long flat = 0;
    long solid = 0;
    if (FAILED(ReadLong(settings.Get(), kSettings2d, flat)))
        return 0;
    if (flat != 0)
        return kSection2d;
    if (FAILED(ReadLong(settings.Get(), kSettings3d, solid)))
        return 0;
    return solid == 0 ? kLiveSection : kSection3d;
}

CSectionLayerNaming CPropertySectionLayerCombo::OfferedNaming() const
{
    CSectionLayerNaming naming;
    const DISPID dispid = m_pDispids && m_nObjects > 0 ? m_pDispids[0] : 0;
    if (ReadNaming(SectionKind(), dispid, naming))
        return naming;
    if (const UINT suffix = DefaultSuffixId(dispid))
    {
        CTemporaryResourceOverride resources;
        naming.text = dkpex::LoadResString(suffix);
        naming.option = naming.text.empty() ? CSectionLayerNaming::kNone : CSectionLayerNaming::kSuffix;
    }
    return naming;
}

void CPropertySectionLayerCombo::TakeNaming(const CSectionLayerNaming& naming)
{
    if (naming == m_naming)
        return;
    m_naming = naming;
    CDkSectionLayerCombo* combo = SectionCombo();
    if (!combo || !combo->Hwnd() || !combo->IsFilled())
        return;
    // Only the pattern entry reads differently: it is made anew in its place (a list that
    // cannot take it is filled again when next wanted).
    auto item = MakeEntry(PatternText(), COwnerDrawItemSectionLayer::kLayerOrPattern);
    if (::SendMessageW(combo->Hwnd(), CB_DELETESTRING, CDkSectionLayerCombo::kPatternEntry, 0) == CB_ERR ||
        combo->InsertItem(CDkSectionLayerCombo::kPatternEntry, item.get()) != CDkSectionLayerCombo::kPatternEntry)
    {
        combo->SetFilled(false);
        return;
    }
    item.release();
}

std::wstring CPropertySectionLayerCombo::PatternText() const
{
    CTemporaryResourceOverride resources;
    if (m_naming.option == CSectionLayerNaming::kPrefix)
        return dkpex::FormatResString(IDS_SECTION_PATTERN_PREFIX, {m_naming.text.c_str()});
    return dkpex::FormatResString(IDS_SECTION_PATTERN,
                                  {m_naming.option == CSectionLayerNaming::kNone ? L"" : m_naming.text.c_str()});
}

std::unique_ptr<COwnerDrawItemSectionLayer> CPropertySectionLayerCombo::MakeEntry(const std::wstring& text,
                                                                                  BYTE kind) const
{
    auto item = std::make_unique<COwnerDrawItemSectionLayer>();
    item->m_text = text;
    item->m_kind = kind;
    item->m_fillColor = BackColour();
    item->m_textColor = ForeColour();
    return item;
}

long CPropertySectionLayerCombo::FillList()
try
{
    CDkSectionLayerCombo* combo = SectionCombo();
    if (!combo || !combo->Hwnd())
        return E_FAIL;
    // Filled until the layer table or the naming changes.
    if (combo->IsFilled())
        return S_OK;
    // A fill that does not finish (nothing to list now, an entry not added) leaves the list
    // unfilled, tried again when next wanted.
    combo->SetFilled(true);
    dkfw::ScopeExit unfinished([combo] { combo->SetFilled(false); });
    HWND list = combo->Hwnd();
    ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
    std::vector<CTableRecordName> layers;
    if (!combo->Watching() || !ReadTableRecordNames(m_tableId, layers) || layers.empty())
        return E_FAIL;
    const std::wstring pattern = PatternText();
    std::wstring newName;
    {
        CTemporaryResourceOverride resources;
        newName = dkpex::LoadResString(IDS_SECTION_NEW_NAME);
    }
    size_t characters = pattern.size() + newName.size() + 3;
    for (const CTableRecordName& layer : layers)
        characters += static_cast<size_t>(layer.name.length()) + 1;
    ::SendMessageW(list, CB_INITSTORAGE, layers.size() + 3, characters * sizeof(wchar_t));
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    const dkfw::ScopeExit redraw(
        [list]
        {
            ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
            ::InvalidateRect(list, nullptr, TRUE);
        });
    const auto add = [&](const wchar_t* text, BYTE kind)
    {
        auto item = MakeEntry(text, kind);
        if (combo->AddItem(item.get()) < 0)
            return false;
        item.release();
        return true;
    };
    if (!add(pattern.c_str(), COwnerDrawItemSectionLayer::kLayerOrPattern) ||
        !add(newName.c_str(), COwnerDrawItemSectionLayer::kNewName) ||
        !add(L"", COwnerDrawItemSectionLayer::kSeparator))
        return E_FAIL;
    for (const CTableRecordName& layer : layers)
        if (!add(layer.name.kwszPtr(), COwnerDrawItemSectionLayer::kLayerOrPattern))
            return E_FAIL;
    ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(m_nCurrentIndex), 0);
    unfinished.Dismiss();
    return S_OK;
}
DK_CATCH_RETURN()

int CPropertySectionLayerCombo::GetCurrentIndex()
{
    dkfw::UniqueVariant value;
    ValueType type = ValueSpecified;
    if (FAILED(GetPropertyValue(value.Put(), type)))
        return -1;
    std::wstring text;
    if (type == ValueSpecified)
    {
        if (value.Type() != VT_BSTR || !value.Get().bstrVal)
            return -1;
        text.assign(value.Get().bstrVal, ::SysStringLen(value.Get().bstrVal));
    }
    // The pattern entry shows the value's own naming; for a layer, the naming it offers is the
    // one remembered for this kind of section and property (or the property's default).
    TakeNaming(type == ValueSpecified && IsPattern(text) ? CSectionLayerNaming::FromPattern(text) : OfferedNaming());
    if (!EnsureCombo())
        return -1;
    CDkSectionLayerCombo* combo = SectionCombo();
    if (!combo || (!combo->IsFilled() && FAILED(FillList())))
        return -1;
    UpdateTrailingEntries(*combo, type, [this] { return std::unique_ptr<COwnerDrawItem>(MakeEntry({}, 0)); });
    if (type != ValueSpecified)
        return TrailingIndex(*combo, type);
    if (IsPattern(text))
        return CDkSectionLayerCombo::kPatternEntry;
    const int layer = combo->FindLayer(text);
    // A layer the list lacks: the row shows the value as it is.
    if (layer < 0)
        m_currentText = text.c_str();
    return layer;
}

CString CPropertySectionLayerCombo::GetItemText(int index)
{
    CDkSectionLayerCombo* combo = SectionCombo();
    const COwnerDrawItemSectionLayer* item = combo ? combo->Entry(index) : nullptr;
    return item ? item->m_text : CString();
}

long CPropertySectionLayerCombo::BeginEdit(const RECT& rect)
{
    const long hr = ReadStaleList();
    return FAILED(hr) ? hr : CDkPeContainerBase::BeginEdit(rect);
}

long CPropertySectionLayerCombo::EndEdit()
{
    const long hr = CDkPeContainerBase::EndEdit();
    // The new name's entry was chosen: the list now shows the pattern it wrote.
    if (std::exchange(m_bNamedAnew, false) && m_pCombo && m_pCombo->Hwnd())
    {
        SelectCurrentEntry();
        if (HWND control = ControlHwnd())
            ::InvalidateRect(control, nullptr, TRUE);
    }
    return hr;
}

bool CPropertySectionLayerCombo::AskNewNaming()
{
    HWND frame = nullptr;
    GetFrameHandle(frame);
    CSectionLayerNewNameDlg dialog(frame);
    dialog.m_option = m_naming.option;
    dialog.m_text = m_naming.text;
    if (dialog.DoModal() != IDOK)
        return false;
    CSectionLayerNaming naming;
    naming.option = dialog.m_option;
    naming.text = naming.option == CSectionLayerNaming::kNone ? std::wstring() : dialog.m_text;
    StoreNaming(SectionKind(), m_pDispids && m_nObjects > 0 ? m_pDispids[0] : 0, naming);
    TakeNaming(naming);
    return true;
}

long CPropertySectionLayerCombo::CommitSelection(int index)
try
{
    CDkSectionLayerCombo* combo = SectionCombo();
    const COwnerDrawItemSectionLayer* item = combo ? combo->Entry(index) : nullptr;
    if (!item || item->m_kind == COwnerDrawItemSectionLayer::kSeparator || item->m_trailing == kTrailingVaries)
        return E_FAIL;
    // The dialog's naming fills the list anew: the entry is not reached after it.
    std::wstring text = item->m_text;
    const BYTE trailing = item->m_trailing;
    if (item->m_kind == COwnerDrawItemSectionLayer::kNewName)
    {
        // Not when the focus has left the row: no dialog opens where the user no longer is.
        if (m_bKeepFocusAway || !AskNewNaming())
            return E_FAIL;
        if (!combo->IsFilled() && FAILED(FillList()))
            return E_FAIL;
        ::SendMessageW(combo->Hwnd(), CB_SETCURSEL, CDkSectionLayerCombo::kPatternEntry, 0);
        m_bNamedAnew = true;
        index = CDkSectionLayerCombo::kPatternEntry;
    }
    if (index == CDkSectionLayerCombo::kPatternEntry)
        text = m_naming.Pattern();
    m_valueKind = trailing == kTrailingUnspecified ? 2 : 0;
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_BSTR;
    value.Addr()->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!value.Get().bstrVal)
        return E_OUTOFMEMORY;
    return SetPropertyValue(value.Addr(), m_valueKind == 2 ? ValueUnspecified : ValueSpecified);
}
DK_CATCH_RETURN()

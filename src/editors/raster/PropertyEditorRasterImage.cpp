// The raster image size editors.
#include "PropertyEditorRasterImage.h"

#include "ObjectProperties.h"

#include "Unique.h"

namespace
{
// A property of the object read as a number.
HRESULT ReadNumber(IDispatch* object, DISPID dispid, double& number)
{
    dkfw::UniqueVariant v;
    DISPPARAMS none{};
    const HRESULT hr = object->Invoke(dispid, IID_NULL, CDkPeCtrlBase::kPropertyLocale, DISPATCH_PROPERTYGET, &none,
                                      v.Put(), nullptr, nullptr);
    if (FAILED(hr))
        return hr;
    return NumericAsDouble(v.Get(), number) ? S_OK : DISP_E_TYPEMISMATCH;
}
} // namespace

CRasterImageSizeBase::CRasterImageSizeBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv, const wchar_t* otherName,
                                           bool editsWidth)
    : CDkPeNumericEditBase(events, priv, false), m_otherName(otherName), m_editsWidth(editsWidth)
{
    // A plain number: text that is no number is refused, never taken as an expression.
    m_expressionFallback = false;
}

long CRasterImageSizeBase::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    return InitLearningValueType(objs, dynProps, dispids, bReadOnly);
}

LONG_PTR CRasterImageSizeBase::KeyOf(IDispatch* object) noexcept
{
    const LONG_PTR id = ObjectDatabaseId(object);
    return id ? id : reinterpret_cast<LONG_PTR>(object);
}

long CRasterImageSizeBase::PreSetPropertyValue(IDispatch* object, long dispid)
try
{
    if (!object)
        return S_OK;
    const LONG_PTR key = KeyOf(object);
    if (m_images.count(key))
        return S_OK;
    RasterImageInfo info;
    info.edited = dispid;
    double edited = 0;
    double other = 0;
    // An image that cannot tell both dimensions changes in the one edited; it gets no entry,
    // and its write goes ahead.
    if (FAILED(ReadNumber(object, dispid, edited)) || !dkpex::DispidOfName(object, m_otherName, info.other) ||
        FAILED(ReadNumber(object, info.other, other)))
        return S_OK;
    const double width = m_editsWidth ? edited : other;
    const double height = m_editsWidth ? other : edited;
    info.ratio = width == 0 ? 0 : height / width;
    m_images.emplace(key, info);
    return S_OK;
}
catch (const std::bad_alloc&)
{
    return S_OK;
}

long CRasterImageSizeBase::PostSetPropertyValue(IDispatch* object)
{
    if (!object)
        return S_OK;
    const auto it = m_images.find(KeyOf(object));
    if (it == m_images.end())
        return S_OK;
    const RasterImageInfo& info = it->second;
    double written = 0;
    const HRESULT hr = ReadNumber(object, info.edited, written);
    if (FAILED(hr))
        return hr;
    double follows = 0;
    if (info.ratio != 0)
        follows = m_editsWidth ? written * info.ratio : written / info.ratio;
    dkfw::UniqueVariant value;
    value.Addr()->vt = VT_R8;
    value.Addr()->dblVal = follows;
    dkpex::PutProperty(object, info.other, *value.Addr());
    return S_OK;
}

CPropertyEditorRasterImageWidth::CPropertyEditorRasterImageWidth()
    : CDkPeEditTempl<CPropertyEditorRasterImageWidth, CRasterImageSizeBase>(L"ImageHeight", true)
{
}

CPropertyEditorRasterImageHeight::CPropertyEditorRasterImageHeight()
    : CDkPeEditTempl<CPropertyEditorRasterImageHeight, CRasterImageSizeBase>(L"ImageWidth", false)
{
}

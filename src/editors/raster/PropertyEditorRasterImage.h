// The width and the height of a raster image: numbers like any numeric row, each change
// keeping the image's proportions by writing the other dimension after it.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeEditTempl.h"
#include "DkPeNumericEditBase.h"

#include <unordered_map>

class CRasterImageSizeBase : public CDkPeNumericEditBase
{
public:
    // otherName: the dimension this editor does not edit; editsWidth: whether it edits the width.
    CRasterImageSizeBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv, const wchar_t* otherName, bool editsWidth);

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long PreSetPropertyValue(IDispatch* object, long dispid) override;
    long PostSetPropertyValue(IDispatch* object) override;

private:
    struct RasterImageInfo
    {
        double ratio = 0;               // height / width before the first change; 0 for a zero width
        DISPID edited = DISPID_UNKNOWN; // the property this editor writes
        DISPID other = DISPID_UNKNOWN;  // the other dimension, found by name
    };
    // An image's entry stays for the editor's life. The key is the image's database id (the
    // palette may hand over a new object for the same image), else the object itself.
    static LONG_PTR KeyOf(IDispatch* object) noexcept;

    std::unordered_map<LONG_PTR, RasterImageInfo> m_images;
    const wchar_t* m_otherName;
    bool m_editsWidth;
};

class CPropertyEditorRasterImageWidth : public CDkPeEditTempl<CPropertyEditorRasterImageWidth, CRasterImageSizeBase>
{
public:
    using ClassInterfaces = dkpex::Interfaces<>;

    CPropertyEditorRasterImageWidth();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorRasterImageWidth; }
};

class CPropertyEditorRasterImageHeight : public CDkPeEditTempl<CPropertyEditorRasterImageHeight, CRasterImageSizeBase>
{
public:
    using ClassInterfaces = dkpex::Interfaces<>;

    CPropertyEditorRasterImageHeight();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorRasterImageHeight; }
};

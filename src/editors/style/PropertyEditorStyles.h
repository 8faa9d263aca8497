// The five style editors: a dimension's, a single-line text's, a multiline text's, a
// table's and a multileader's style.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "StyleEnumBase.h"

// The text style editors remember, object by object, the style it had before the write.
class CTextStyleEnumBase : public CStyleEnumBase
{
public:
    using CStyleEnumBase::CStyleEnumBase;
    bool IsAnnotativeStyle(const std::wstring& name) override;
    long PreSetPropertyValue(IDispatch* object, long dispid) override;

    virtual void SetPreviousStyleName(const std::wstring& name) { m_previous = name; }
    virtual long PutPropertyByDispId(IDispatch* object, DISPID dispid, VARIANT& value);
    virtual long GetPropertyByDispId(IDispatch* object, DISPID dispid, VARIANT& value);

protected:
    std::wstring m_previous;
};

class CPropertyEditorDimStyle : public CDkPeComboTempl<CPropertyEditorDimStyle, CStyleEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorDimStyle; }
    CPropertyEditorDimStyle();
    bool IsAnnotativeStyle(const std::wstring& name) override;
    long PostSetPropertyValue(IDispatch* object) override;
};

class CPropertyEditorTextStyle : public CDkPeComboTempl<CPropertyEditorTextStyle, CTextStyleEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorTextStyle; }
    CPropertyEditorTextStyle();
    long PostSetPropertyValue(IDispatch* object) override;
};

class CPropertyEditorMTextStyle : public CDkPeComboTempl<CPropertyEditorMTextStyle, CTextStyleEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorMTextStyle; }
    CPropertyEditorMTextStyle();
    long PostSetPropertyValue(IDispatch* object) override;
};

class CPropertyEditorTableStyle : public CDkPeComboTempl<CPropertyEditorTableStyle, CStyleEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorTableStyle; }
    CPropertyEditorTableStyle();
    long PostSetPropertyValue(IDispatch* object) override;
};

class CPropertyEditorMLeaderStyle : public CDkPeComboTempl<CPropertyEditorMLeaderStyle, CStyleEnumBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorMLeaderStyle; }
    CPropertyEditorMLeaderStyle();
    bool IsAnnotativeStyle(const std::wstring& name) override;
    long PostSetPropertyValue(IDispatch* object) override;
};

// The rows edited in the host's dialog through an ellipsis button at their right end: a
// read-only text, an editable text, an object's hyperlinks and an attribute's value.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeButtonEditTempl.h"

#include <optional>
#include <string>

// The dialog button: added at the first edit, without pictures (so drawn as an ellipsis),
// hidden while the property is read-only unless ShownWhenReadOnly says otherwise.
class CDkPeEllipsisButtonEdit : public CDkPeButtonEdit
{
public:
    CDkPeEllipsisButtonEdit(CIPropEditUIEvents* events, CDkPeBasePrivate* priv);

    long BeginEdit(const RECT& rect) override;

protected:
    virtual bool ShownWhenReadOnly() { return false; }
};

// The glue of the dialog rows told the numeric type their values' text is made in: any type
// is kept.
template <class T>
class CDkPeEllipsisTempl : public CDkPeButtonEditTempl<T, CDkPeEllipsisButtonEdit>, public IDkPeNumericEditor
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeNumericEditor>;

    HRESULT STDMETHODCALLTYPE SetNumericDataType(DkPeNumericType dataType) noexcept override
    {
        this->m_numericDataType = dataType;
        return S_OK;
    }
};

// A read-only text whose dialog is the only way to change it.
class CPropertyEditorEllipses : public CDkPeEllipsisTempl<CPropertyEditorEllipses>
{
public:
    CPropertyEditorEllipses();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorEllipses; }

protected:
    // One selected object whose read-only dynamic property still opens its dialog.
    bool ShownWhenReadOnly() override;
};

// A text typed in the row or edited in the dialog.
class CPropertyEditorEditButton : public CDkPeEllipsisTempl<CPropertyEditorEditButton>
{
public:
    CPropertyEditorEditButton();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorEditButton; }
};

// An object's hyperlinks, shown by the first one's address; objects whose first hyperlinks
// agree show it, whatever their later ones say.
class CPropertyEditorEllipsesHyperlinks : public CDkPeEllipsisTempl<CPropertyEditorEllipsesHyperlinks>
{
public:
    CPropertyEditorEllipsesHyperlinks();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorEllipsesHyperlinks; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long Handle_Refresh() override;
    long ComparePropertyValue(VARIANT* a, VARIANT* b, int& result) override;

    // The address of a hyperlink collection's first item; nothing when it has none or the
    // item cannot be read.
    static std::optional<std::wstring> FirstAddress(IDispatch* links);
};

// An attribute's value: a plain text row while every selected attribute holds one line, a
// read-only text with the dialog button while every one holds several, and a read-only row
// without a button for a mix.
class CPropertyEditorAttributeValue
    : public CDkPeButtonEditTempl<CPropertyEditorAttributeValue, CDkPeEllipsisButtonEdit>
{
public:
    using ClassInterfaces = dkpex::Interfaces<>;

    CPropertyEditorAttributeValue();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorAttributeValue; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long PropReadOnly(int& readOnly) override;

protected:
    CString DialogText() override;

private:
    void ApplyAttributeKind();

    // A selection of single-line and multi-line attributes: read-only whatever the objects say.
    bool m_mixedKinds = false;
};

// The editors that show and take numbers in the drawing's units: any numeric property in
// its own value type, a double read as a distance, an angle, a raw angle or a plain number,
// and the end angle of an elliptical arc, where a full turn stays a full turn.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeBaseTempl.h"
#include "DkPeButtonEditBase.h"

// Text to a value of the given type: integers (VT_I2, VT_I4, VT_INT) as optionally signed
// digits, where a comma ends the number; reals (VT_R4, VT_R8) in the drawing's units. Any
// other type fails and leaves VT_ERROR.
bool ParseNumericText(const CString& text, VARTYPE type, VARIANT* value);

// What the numeric editors share: reading a value as its text, writing text through the
// editor's parser (or as the property's expression), and comparing at display precision.
class CDkPeNumericEditBase : public CDkPeButtonEditBase
{
public:
    CDkPeNumericEditBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv, bool needsCurrentDatabase);

    long GetPropertyValue(VARIANT* value, ValueType& valueType) override;
    long SetPropertyValue(VARIANT* value, ValueType valueType) override;
    long ComparePropertyValue(VARIANT* a, VARIANT* b, int& result) override;

protected:
    virtual void FormatNumber(const VARIANT& value, CString& text) = 0;
    virtual bool ParseNumber(const CString& text, VARIANT* value) = 0;
    // The value over the selection, before it becomes text.
    virtual long ReadValue(VARIANT* value, ValueType& valueType);
    // The edit box's initialisation, then the property's value type from the first object
    // (VT_R8 when it cannot be told).
    long InitLearningValueType(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly);
    VARTYPE LearnValueType();

    VARTYPE m_propertyType = VT_EMPTY;

private:
    bool m_needsCurrentDatabase;
};

class CPropertyEditorNumeric : public CDkPeNumericEditBase, public CDkPeButtonEditTempl<CPropertyEditorNumeric>
{
public:
    using FamilyInterfaces = dkpex::FamilyInterfaces<IDkPeCalculatorCtrl>;

    CPropertyEditorNumeric();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorNumeric; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
};

// An area; with feet-and-inches units shown in square inches and square feet. Several
// hatches read, every other time, as the area of their union.
class CPropertyEditorNumericArea : public CDkPeNumericEditBase,
                                   public CDkPeButtonEditTempl<CPropertyEditorNumericArea>
{
public:
    using FamilyInterfaces = dkpex::FamilyInterfaces<IDkPeCalculatorCtrl>;

    CPropertyEditorNumericArea();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorNumericArea; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
    long ReadValue(VARIANT* value, ValueType& valueType) override;
    bool GetCalculatorInput(CString& text) override;
    bool SetCalculatorResult(const CalculatorResult& result) override;

private:
    bool AllHatches();
    long ReadUnionArea(VARIANT* value, ValueType& valueType);
};

class CPropertyEditorDRVKNumeric : public CDkPeNumericEditBase,
                                   public CDkPeButtonEditTempl<CPropertyEditorDRVKNumeric>,
                                   public IDkPeNumericEditor
{
public:
    using FamilyInterfaces = dkpex::FamilyInterfaces<IDkPeNumericEditor, IDkPeCalculatorCtrl>;

    CPropertyEditorDRVKNumeric();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorDRVKNumeric; }

    HRESULT STDMETHODCALLTYPE SetNumericDataType(DkPeNumericType dataType) noexcept override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
};

class CPropertyEditorEllipseEndAngle : public CDkPeNumericEditBase,
                                       public CDkPeButtonEditTempl<CPropertyEditorEllipseEndAngle>,
                                       public IDkPeNumericEditor
{
public:
    // The class offers no calculator to the palette.
    using FamilyInterfaces = dkpex::FamilyInterfaces<IDkPeNumericEditor>;

    CPropertyEditorEllipseEndAngle();
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorEllipseEndAngle; }

    HRESULT STDMETHODCALLTYPE SetNumericDataType(DkPeNumericType dataType) noexcept override;

protected:
    void FormatNumber(const VARIANT& value, CString& text) override;
    bool ParseNumber(const CString& text, VARIANT* value) override;
};

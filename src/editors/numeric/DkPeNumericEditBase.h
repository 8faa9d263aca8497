// CDkPeNumericEditBase: what the numeric editors share, and the conversions of numeric text.
#pragma once

#include "DkPeButtonEditBase.h"

#include <functional>

// Text to a value of the given type: integers (VT_I2, VT_I4, VT_INT) as optionally signed
// digits, where a comma ends the number; reals (VT_R4, VT_R8) in the drawing's units. Any
// other type fails and leaves VT_ERROR.
bool ParseNumericText(const CString& text, VARTYPE type, VARIANT* value);

// Typed text as a message shows it: cut short where it would swamp the message.
std::wstring TextForMessage(const std::wstring& text);
// The message that typed text is no value of the row.
std::wstring NotAValueMessage(const std::wstring& text);

// Whether two numbers show the same text: the same number does; others are formatted and
// their texts compared without regard to case. firstText, when given, is a's text made already.
bool SameShownNumber(const VARIANT& a, const VARIANT& b, const CString* firstText,
                     const std::function<void(const VARIANT&, CString&)>& format);

// A value as a double, when it converts to one.
bool NumericAsDouble(const VARIANT& value, double& d);

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
    // By default any number in its own type: shown as it is, typed text in the property's type.
    virtual void FormatNumber(const VARIANT& value, CString& text);
    virtual bool ParseNumber(const CString& text, VARIANT* value);
    // The value over the selection, before it becomes text.
    virtual long ReadValue(VARIANT* value, ValueType& valueType);
    // The edit box's initialisation, then the property's value type from the first object
    // (VT_R8 when it cannot be told).
    long InitLearningValueType(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly);
    VARTYPE LearnValueType();

    VARTYPE m_propertyType = VT_EMPTY;
    // Text that is no value becomes the property's expression where the property takes one.
    bool m_expressionFallback = true;

private:
    // Tells the user the typed text is not a value of the row.
    void TellRefused(const CString& text);

    // Within one read the drawing's units stay as they are: the first object's value is
    // formatted once, however many objects it is compared with.
    struct FirstText
    {
        bool reading = false;
        bool valid = false;
        VARIANT value{};
        CString text;
    };
    FirstText m_first;

    bool m_needsCurrentDatabase;
};

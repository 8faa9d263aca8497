// CDkPeValueView: what the change transaction asks of an editor family's window, without
// knowing the family: to show a value a command is about to write, and the text of the
// entry that shows the property's value after a write.
#pragma once

#include <string>

class CDkPeValueView
{
public:
    // Shows the value a command is about to write: its text, and for an integer value the
    // number too.
    virtual void PresetValue(const std::wstring& text, bool isInteger, long long number) = 0;
    // The text of the list entry that shows the property's value now; false when the family
    // shows no entry or none matches.
    virtual bool CurrentEntryText(std::wstring& text) = 0;

protected:
    ~CDkPeValueView() = default;
};

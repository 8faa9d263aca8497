// CPropertyEditorBool: a yes/no property as a drop-down of two entries.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "DkPeComboBase.h"
#include "TrailingEntries.h"

#include <string>

// Two entries, the first writing true and the second false, then the unspecified and the
// varies entries where they apply.
class CPropertyEditorBool : public CDkPeComboTempl<CPropertyEditorBool, CDkPeComboBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorBool; }

    long FillList() override;
    long CommitSelection(int index) override;
    CString GetItemText(int index) override;
    int GetCurrentIndex() override;

private:
    void LoadTexts();
    // A selected object is one whose constraint form changes with this property.
    bool ChangesConstraintForm();
    void DeleteEntry(int& index);

    std::wstring m_firstText;
    std::wstring m_secondText;
    CTrailingEntries m_trailing;
};

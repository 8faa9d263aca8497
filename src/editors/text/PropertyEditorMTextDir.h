// CPropertyEditorMTextDir: the direction of a multiline text's lines, from three fixed
// entries (horizontal, vertical, as the text style says) that write the values 1, 3 and 5;
// the values 2 and 4 of the other horizontal and vertical directions show their kind's entry.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"

class CPropertyEditorMTextDir : public CDkPeComboTempl<CPropertyEditorMTextDir, CDkPeComboBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorMTextDir; }

    CPropertyEditorMTextDir();

    long FillList() override;
    long CommitSelection(int index) override;
    CString GetItemText(int index) override;
    int GetCurrentIndex() override;

private:
    std::wstring m_texts[3];
    int m_nUnspecified = -1;
    int m_nVaries = -1;
};

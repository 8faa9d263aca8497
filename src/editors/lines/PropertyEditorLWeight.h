// CPropertyEditorLWeight: the lineweight picker. ByLayer, ByBlock and Default, then the host's
// standard lineweights up to 2.11 mm, each with a bar of its weight; the list is made once.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "LineSamples.h"
#include "dkcm.h"

class CPropertyEditorLWeight : public CDkPeComboTempl<CPropertyEditorLWeight, CDkPeComboBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorLWeight; }

    CPropertyEditorLWeight();

    long Handle_put_ForeColor(OLE_COLOR color) override;
    long Handle_put_BackColor(OLE_COLOR color) override;
    long Handle_OnDraw(ATL_DRAWINFO& info) override;
    long GetTextTipWidth(int& width) override;
    long GetComboTextTipWidth(int index, int& width) override;
    long CreateComboWindow(const RECT& rect) override;
    long FillList() override;
    long CommitSelection(int index) override;
    CString GetItemText(int index) override;
    int GetCurrentIndex() override;

    CComboLWeight* WeightCombo() const noexcept;

private:
    // An entry of the editor's colours.
    std::unique_ptr<COwnerDrawItemLWeight> MakeItem() const;
    bool Append(ULONGLONG place, int lineweight, const std::wstring& text);
    // What ByLayer stands for over the selection, for every lineweight list.
    void UpdateByLayerLineweight();
    // Every entry takes the editor's colours.
    void RecolourEntries();

    bool m_bListed = false;
};

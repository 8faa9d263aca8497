// CPropertyEditorLType: the linetype picker. ByLayer, ByBlock, then the drawing's linetypes by
// name, each with a sample of its pattern; the list is read again whenever the linetype
// table changed. Linetypes of external references cannot be chosen.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "LineSamples.h"
#include "dkcm.h"

class CPropertyEditorLType : public CDkPeComboTempl<CPropertyEditorLType, CDkPeSymbolTableBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorLType; }

    CPropertyEditorLType();

    long BeginEdit(const RECT& rect) override;
    long Handle_Refresh() override;
    long GetTextTipWidth(int& width) override;
    long GetComboTextTipWidth(int index, int& width) override;
    long CreateComboWindow(const RECT& rect) override;
    long CommitSelection(int index) override;
    int GetCurrentIndex() override;
    long AddRecord(DkDbSymbolTableRecord* record) override;
    long PrepareFill() override;
    CString GetItemText(int index) override;

    CComboLType* TypeCombo() const noexcept;

private:
    std::unique_ptr<COwnerDrawItemLType> MakeItem() const;
    // The linetype ByLayer stands for over the selection, and whether the viewport overrides it.
    void UpdateByLayerLinetype();
};

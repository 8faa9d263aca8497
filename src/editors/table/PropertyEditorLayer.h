// CPropertyEditorLayer: the layer picker. It lists the layers of the working drawing (read
// again at every activation, and whenever the layer table changed), shows the selection's
// common layer, and moves every selected object to the layer chosen. Layers of external
// references cannot be chosen, nor frozen layers while nothing is selected.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeComboTempl.h"
#include "ComboLayer.h"
#include "DkPeSymbolTableBase.h"

class CPropertyEditorLayer : public CDkPeComboTempl<CPropertyEditorLayer, CDkPeSymbolTableBase>
{
public:
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorLayer; }

    CPropertyEditorLayer();

    long BeginEdit(const RECT& rect) override;
    long CreateComboWindow(const RECT& rect) override;
    long CommitSelection(int index) override;
    int GetCurrentIndex() override;
    long AddRecord(DkDbSymbolTableRecord* record) override;
    long PrepareFill() override;
    CString GetItemText(int index) override;

    CComboLayer* LayerCombo() const noexcept;

private:
    // The entries after the layers, as a value of type wants them.
    void UpdateTrailing(ValueType type);
    // A new entry after the layers, in the editor's colours.
    std::unique_ptr<COwnerDrawItem> MakeTrailing() const;
    // The layer's entry shows whether the current viewport overrides the layer now.
    void RefreshOverrideMark(const std::wstring& name);

    ValueType m_lastType = ValueSpecified;
};

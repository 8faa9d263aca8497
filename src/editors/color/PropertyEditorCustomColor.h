// CDkPePropertyEditorCustomColor: the colour picker of properties whose objects offer named
// special values of their own beside colours (the host's custom values). Each special value
// is an entry after the recent colours; the objects holding one show it, and choosing it
// makes every object hold it.
#pragma once

#include "DkPEXCtl.h"
#include "DkPeColorCombo.h"
#include "DkPeColorGlue.h"

#include "Unique.h"

#include <memory>
#include <string>
#include <vector>

// One special value: its name, the entry that offers it and the value the object gave.
struct DKPE_CUSTOM_STRINGINFO
{
    std::wstring name;
    int index = -1; // the entry when it was made; the entry carries the record itself
    dkfw::UniqueVariant value;
};

class CDkPePropertyEditorCustomColor : public CDkPeColorTempl<CDkPePropertyEditorCustomColor, CDkPeColorCombo>
{
public:
    using ClassInterfaces = dkpex::Interfaces<IDkPeColorCtrl>;
    static const CLSID& ClassId() noexcept { return CLSID_DkPePropertyEditorCustomColor; }

    long Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly) override;
    long CommitSelection(int index) override;
    int GetCurrentIndex() override;
    long GetDialogStartColor(DkCmColor& color) override;
    long SetPropertyValueAsUnspecified(long dispid, IDispatch* object, int flag) override;
    long SetPropertyValueAsUnspecified(IUnknown* dynProp, IUnknown* object, int flag) override;

private:
    enum class Held
    {
        None,  // no object holds a special value
        Same,  // every object holds the same one
        Mixed, // some hold one and others none, or they differ
    };
    // The special values of the selection's first object, as entries (once per selection).
    void LoadCustomValues();
    void DropCustomValues();
    Held ReadHeld(dkfw::UniqueVariant& common);

    std::vector<std::unique_ptr<DKPE_CUSTOM_STRINGINFO>> m_custom;
    bool m_bLoaded = false;
    // The special value being written.
    const DKPE_CUSTOM_STRINGINFO* m_pChosen = nullptr;
};

// An editor derived straight from the exported CDkPeCtrlBase, with recording stand-ins
// for its glue, over objects of the stand-in host's drawing.
#pragma once

#include "DkHostTest.h"
#include "DkPeCtrlBase.h"
#include "MessageBoxCatcher.h"
#include "StandInGlue.h"
#include "TestSupport.h"

#include "ComPtr.h"
#include "Unique.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dktest
{
class Editor : public CDkPeCtrlBase
{
public:
    Editor(CIPropEditUIEvents* events, CDkPeBasePrivate* priv) : CDkPeCtrlBase(events, priv) {}
    int Failed() const { return m_nFailed; }
    int Count() const { return m_nObjects; }
    int ExpressionState() const { return m_expressionState; }
    const CString& Expression() const { return m_expression; }
    BOOL ReadOnly() const { return m_bPropReadOnly; }
    bool UnspecifiedAllowed() const { return m_bUnspecifiedAllowed; }
    void Highlight(const DkArray<DkDbFullSubentPath>& paths) { highlightSubEntities(paths); }
    void Unhighlight() { unhighlightSubEntities(); }
};

// A VARIANT holding a zero-based array of vt.
template <class T> dkfw::UniqueVariant MakeArray(VARTYPE vt, const std::vector<T>& items)
{
    dkfw::UniqueVariant v;
    SAFEARRAY* sa = ::SafeArrayCreateVector(vt, 0, static_cast<ULONG>(items.size()));
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i)
    {
        void* element;
        if constexpr (std::is_pointer_v<T>)
            element = items[i];
        else
            element = const_cast<T*>(&items[i]);
        ::SafeArrayPutElement(sa, &i, element);
    }
    v.Addr()->vt = VT_ARRAY | vt;
    v.Addr()->parray = sa;
    return v;
}

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, dkhost_test::LoadSampleDrawing());
        dkhost_test::ClearJournal();
    }
    void TearDown() override
    {
        m_editor.Cleanup();
        for (auto& o : m_objects)
            o.Reset();
        for (LONG_PTR id : m_ids)
            EXPECT_EQ(1u, dkhost_test::PaletteObjectRefs(id)) << "references given back";
        dkhost_test::SetDragging(false);
        dkhost_test::SetCommandFlags(0);
    }

    // New circles (or another class) with the given radii, selected on one DISPID.
    LONG_PTR Add(const wchar_t* cls)
    {
        const LONG_PTR id = dkhost_test::AddEntity(cls);
        dkfw::ComPtr<IDispatch> d;
        EXPECT_EQ(S_OK, dkhost_test::GetPaletteObject(id, d.Put()));
        m_ids.push_back(id);
        m_objects.push_back(d);
        return id;
    }
    LONG_PTR AddExisting(const wchar_t* handle)
    {
        const LONG_PTR id = dkhost_test::EntityByHandle(handle);
        dkfw::ComPtr<IDispatch> d;
        EXPECT_EQ(S_OK, dkhost_test::GetPaletteObject(id, d.Put()));
        m_ids.push_back(id);
        m_objects.push_back(d);
        return id;
    }

    HRESULT Select(DISPID dispid, std::vector<IUnknown*> dynProps = {})
    {
        std::vector<IDispatch*> objects;
        for (auto& o : m_objects)
            objects.push_back(o.Get());
        dynProps.resize(objects.size(), nullptr);
        std::vector<LONG> dispids(objects.size(), dispid);
        auto objs = MakeArray(VT_DISPATCH, objects);
        auto dyn = MakeArray(VT_UNKNOWN, dynProps);
        auto ids = MakeArray(VT_I4, dispids);
        return m_editor.Handle_InitEditControl(objs.Addr(), dyn.Addr(), ids.Addr(), 0);
    }

    static HRESULT Put(IDispatch* d, DISPID id, VARIANT value)
    {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        return d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    }
    static VARIANT I4(LONG v)
    {
        VARIANT x;
        x.vt = VT_I4;
        x.lVal = v;
        return x;
    }
    static VARIANT R8(double v)
    {
        VARIANT x;
        x.vt = VT_R8;
        x.dblVal = v;
        return x;
    }
    double Real(size_t i, DISPID id)
    {
        DISPPARAMS none{};
        dkfw::UniqueVariant v;
        m_objects[i]->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v.Put(), nullptr, nullptr);
        return v.Type() == VT_R8 ? v.Get().dblVal : -1;
    }

    RecordingEvents m_events;
    NoWindow m_private;
    Editor m_editor{&m_events, &m_private};
    std::vector<LONG_PTR> m_ids;
    std::vector<dkfw::ComPtr<IDispatch>> m_objects;
};
} // namespace dktest

// Reading and writing one property over 1 000 to 1 000 000 selected objects through
// CDkPeCtrlBase, against bare loops making the same host calls: the read's floor asks
// each object what the read asks (the unspecified, expression and extension interfaces,
// then the property get); the write's floor puts the value to every object inside one
// undo group. Prints nanoseconds per object and the ratio.
#include "DkHostTest.h"
#include "DkPeCtrlBase.h"
#include "StandInGlue.h"

#include "ComPtr.h"
#include "Unique.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;
constexpr DISPID kRadius = 101;

class Editor : public CDkPeCtrlBase
{
public:
    Editor(CIPropEditUIEvents* e, CDkPeBasePrivate* p) : CDkPeCtrlBase(e, p) {}
};

double Ns(Clock::duration d, size_t n)
{
    return std::chrono::duration<double, std::nano>(d).count() / static_cast<double>(n);
}

// The bare read: the same questions of each object, the same get, the same comparison.
void BareRead(const std::vector<IDispatch*>& objects)
{
    DISPPARAMS none{};
    VARIANT first;
    ::VariantInit(&first);
    for (size_t i = 0; i < objects.size(); ++i)
    {
        IDispatch* d = objects[i];
        IUnknown* p = nullptr;
        if (SUCCEEDED(d->QueryInterface(IID_IPropertyUnspecified, reinterpret_cast<void**>(&p))))
            p->Release();
        VARIANT v;
        ::VariantInit(&v);
        d->Invoke(kRadius, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
        if (SUCCEEDED(d->QueryInterface(IID_IPropertyExpression, reinterpret_cast<void**>(&p))))
            p->Release();
        if (SUCCEEDED(d->QueryInterface(IID_IPropertyExtension, reinterpret_cast<void**>(&p))))
            p->Release();
        const bool differs = i > 0 && v.dblVal != first.dblVal;
        if (i == 0)
            ::VariantCopy(&first, &v);
        ::VariantClear(&v);
        if (differs)
            break;
    }
    ::VariantClear(&first);
}

void BareWrite(const std::vector<IDispatch*>& objects, double value)
{
    DkDbUndoController* undo = dkDocManager()->curDocument()->database()->undoController();
    undo->undoGroup(DkDb::kUndoGroupBegin, L"bench");
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&v, &named, 1, 1};
    for (IDispatch* d : objects)
        d->Invoke(kRadius, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    undo->undoGroup(DkDb::kUndoGroupEnd);
}

template <class F> double Best(int runs, size_t n, F f)
{
    double best = 1e300;
    for (int r = 0; r < runs; ++r)
    {
        const auto start = Clock::now();
        f();
        best = std::min(best, Ns(Clock::now() - start, n));
    }
    return best;
}

dkfw::UniqueVariant Array(VARTYPE vt, size_t n, const void* items)
{
    dkfw::UniqueVariant v;
    SAFEARRAY* sa = ::SafeArrayCreateVector(vt, 0, static_cast<ULONG>(n));
    void* data = nullptr;
    ::SafeArrayAccessData(sa, &data);
    const size_t size = vt == VT_I4 ? sizeof(LONG) : sizeof(void*);
    std::memcpy(data, items, n * size);
    if (vt == VT_DISPATCH)
        for (size_t i = 0; i < n; ++i)
            static_cast<IDispatch**>(data)[i]->AddRef();
    ::SafeArrayUnaccessData(sa);
    v.Addr()->vt = VT_ARRAY | vt;
    v.Addr()->parray = sa;
    return v;
}
} // namespace

int main(int argc, char** argv)
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const size_t largest = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    std::printf("%10s %12s %12s %7s %12s %12s %7s\n", "objects", "read ns/obj", "floor", "ratio", "write ns/obj",
                "floor", "ratio");
    for (size_t n = 1000; n <= largest; n *= 10)
    {
        dkhost_test::ResetDrawing();
        std::vector<IDispatch*> objects(n);
        for (size_t i = 0; i < n; ++i)
            dkhost_test::GetPaletteObject(dkhost_test::AddEntity(L"Circle"), &objects[i]);
        BareWrite(objects, 2.0);
        dktest::RecordingEvents events;
        dktest::NoWindow window;
        Editor editor(&events, &window);
        {
            std::vector<IUnknown*> none(n, nullptr);
            std::vector<LONG> ids(n, kRadius);
            auto objs = Array(VT_DISPATCH, n, objects.data());
            auto dyn = Array(VT_UNKNOWN, n, none.data());
            auto dispids = Array(VT_I4, n, ids.data());
            editor.Handle_InitEditControl(objs.Addr(), dyn.Addr(), dispids.Addr(), 0);
        }
        // Rounds alternate floor and measured work, so that drift of the machine hits both.
        const int runs = n >= 1000000 ? 3 : static_cast<int>(std::max<size_t>(5, 2000000 / n));
        double readFloor = 1e300, read = 1e300, writeFloor = 1e300, write = 1e300;
        for (int r = 0; r < runs; ++r)
        {
            readFloor = std::min(readFloor, Best(1, n, [&] { BareRead(objects); }));
            read = std::min(read, Best(1, n,
                                       [&]
                                       {
                                           dkfw::UniqueVariant v;
                                           ValueType type;
                                           editor.GetPropertyValue(v.Put(), type);
                                       }));
        }
        for (int r = 0; r < std::min(runs, 5); ++r)
        {
            writeFloor = std::min(writeFloor, Best(1, n, [&] { BareWrite(objects, 3.0 + r); }));
            write = std::min(write, Best(1, n,
                                         [&]
                                         {
                                             VARIANT v;
                                             v.vt = VT_R8;
                                             v.dblVal = 4.0 + r;
                                             editor.SetPropertyValue(&v, ValueSpecified);
                                         }));
        }
        std::printf("%10zu %12.1f %12.1f %7.2f %12.1f %12.1f %7.2f\n", n, read, readFloor, read / readFloor, write,
                    writeFloor, write / writeFloor);
        std::fflush(stdout);
        editor.Cleanup();
        for (IDispatch* d : objects)
            d->Release();
        dkhost_test::ClearJournal();
    }
    dkhost_test::ResetDrawing();
    ::CoUninitialize();
    return 0;
}

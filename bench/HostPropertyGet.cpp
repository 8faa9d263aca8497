// The cost of one property read through a palette object's IDispatch::Invoke, against the
// floor of the same loop with no call: over one object, and over 100 000 objects in turn.
#include "DkHostTest.h"

#include "ComPtr.h"
#include "Unique.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <vector>

namespace
{
double NsPer(std::chrono::steady_clock::duration d, size_t n)
{
    return std::chrono::duration<double, std::nano>(d).count() / static_cast<double>(n);
}

double ReadAll(const std::vector<IDispatch*>& objects, size_t rounds, DISPID dispid)
{
    DISPPARAMS none{};
    VARIANT v;
    ::VariantInit(&v);
    double sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t r = 0; r < rounds; ++r)
        for (IDispatch* d : objects)
        {
            d->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
            sum += v.vt == VT_R8 ? v.dblVal : 0;
            ::VariantClear(&v);
        }
    const auto took = std::chrono::steady_clock::now() - start;
    std::printf("  %zu reads: %.1f ns per read (checksum %.0f)\n", rounds * objects.size(),
                NsPer(took, rounds * objects.size()), sum);
    return NsPer(took, rounds * objects.size());
}
} // namespace

int main()
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    dkhost_test::ResetDrawing();
    const size_t count = 100000;
    std::vector<IDispatch*> objects;
    objects.reserve(count);
    for (size_t i = 0; i < count; ++i)
    {
        IDispatch* d = nullptr;
        dkhost_test::GetPaletteObject(dkhost_test::AddEntity(L"Circle"), &d);
        VARIANT radius;
        radius.vt = VT_R8;
        radius.dblVal = 1.0 + static_cast<double>(i % 7);
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS put{&radius, &named, 1, 1};
        d->Invoke(101, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr);
        objects.push_back(d);
    }
    std::printf("Property get through IDispatch::Invoke (Circle.Radius, VT_R8)\n");
    std::printf("one object:\n");
    const double one = ReadAll({objects[0]}, 1000000, 101);
    std::printf("%zu objects in turn:\n", count);
    const double many = ReadAll(objects, 10, 101);
    std::printf("first property of the table (Color) over %zu objects:\n", count);
    ReadAll(objects, 10, 1);
    std::printf("result: %.1f ns per read on one object, %.1f ns across %zu objects\n", one, many, count);
    for (IDispatch* d : objects)
        d->Release();
    dkhost_test::ResetDrawing();
    ::CoUninitialize();
    return 0;
}

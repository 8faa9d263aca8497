// The test editor of DkPeTestEditors.dll: an editor another library derives from the
// exported CDkPeCtrlBase, with a probe interface through which tests read what it saw.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <unknwn.h>

struct ITestEditorProbe : IUnknown
{
    // The editor operations called so far, one per line ("Handle_DoVerbShow 0,0,200,20").
    virtual HRESULT STDMETHODCALLTYPE GetLog(BSTR* log) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearLog() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBrushes(HBRUSH* back, HBRUSH* readOnlyBack) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSelectionCount(int* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStateValue(int* state) = 0;
    // The next object's write ends early, as out of memory does (after the object took it).
    virtual HRESULT STDMETHODCALLTYPE FailNextWrite() = 0;
};
__CRT_UUID_DECL(ITestEditorProbe, 0x2d7c0e11, 0x84a9, 0x4f5e, 0xb3, 0x10, 0x6e, 0x2a, 0x51, 0x9c, 0x07, 0x01)

inline constexpr CLSID kTestEditorClsid = {
    0x2d7c0e11, 0x84a9, 0x4f5e, {0xb3, 0x10, 0x6e, 0x2a, 0x51, 0x9c, 0x07, 0x02}};
inline constexpr wchar_t kTestEditorProgId[] = L"DkPeTest.TestEditor.1";
inline constexpr CLSID kTestButtonEditorClsid = {
    0x2d7c0e11, 0x84a9, 0x4f5e, {0xb3, 0x10, 0x6e, 0x2a, 0x51, 0x9c, 0x07, 0x03}};
inline constexpr wchar_t kTestButtonEditorProgId[] = L"DkPeTest.TestButtonEditor.1";
inline constexpr CLSID kTestNumberEditorClsid = {
    0x2d7c0e11, 0x84a9, 0x4f5e, {0xb3, 0x10, 0x6e, 0x2a, 0x51, 0x9c, 0x07, 0x04}};
inline constexpr wchar_t kTestNumberEditorProgId[] = L"DkPeTest.TestNumberEditor.1";
inline constexpr CLSID kTestDialogEditorClsid = {
    0x2d7c0e11, 0x84a9, 0x4f5e, {0xb3, 0x10, 0x6e, 0x2a, 0x51, 0x9c, 0x07, 0x05}};
inline constexpr wchar_t kTestDialogEditorProgId[] = L"DkPeTest.TestDialogEditor.1";
inline constexpr CLSID kTestPictureComboClsid = {
    0x2d7c0e11, 0x84a9, 0x4f5e, {0xb3, 0x10, 0x6e, 0x2a, 0x51, 0x9c, 0x07, 0x06}};
inline constexpr wchar_t kTestPictureComboProgId[] = L"DkPeTest.TestPictureCombo.1";
// Exported by DkPeTestEditors.dll: list entries of the picture combo deleted so far.
using TestItemsDeletedFn = int (*)();

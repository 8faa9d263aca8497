// IDkPeEditorPart: the host's own way from a control to its editor part. It is no part of
// the type library: only the host's palette, which links with this module's exported base,
// asks for it (to learn, say, whether a coordinate row wants the next row after a write).
#pragma once

#include <unknwn.h>

class CDkPeCtrlBase;

struct IDkPeEditorPart : public IUnknown
{
    // The editor part, without a reference of its own: valid while the control is held and
    // not closed. E_UNEXPECTED once the part is gone.
    virtual HRESULT STDMETHODCALLTYPE GetEditorPart(CDkPeCtrlBase** part) noexcept = 0;
};

// {16541408-CA25-479C-B8AD-BF7F3FDA20D9}
inline constexpr IID IID_IDkPeEditorPart = {
    0x16541408, 0xca25, 0x479c, {0xb8, 0xad, 0xbf, 0x7f, 0x3f, 0xda, 0x20, 0xd9}};
__CRT_UUID_DECL(IDkPeEditorPart, 0x16541408, 0xca25, 0x479c, 0xb8, 0xad, 0xbf, 0x7f, 0x3f, 0xda, 0x20, 0xd9)

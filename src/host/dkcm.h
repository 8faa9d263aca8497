// The host's colours: the colour value of its drawings, the index colours' palette, the
// recent colours of its colour lists, its colour dialog and the colours of its views.
#pragma once

#include "DkHostApi.h"
#include "dkdb.h"
#include "dkstring.h"

#include <windows.h>

// A colour of the drawing: a colour method and a 24-bit value, kept together as the
// entity colour (the method in the top byte), with optional colour and book names.
// Index 256 is ByLayer and index 0 ByBlock, so every index 0 to 256 is a colour of its own.
class DKHOST_API DkCmColor
{
public:
    enum Method : BYTE
    {
        kByLayer = 192,
        kByBlock = 193,
        kByColor = 194, // a true colour
        kByACI = 195,   // an index colour
        kForeground = 197,
        kNone = 200,
    };
    static constexpr int kNameCapacity = 64;

    DkCmColor() noexcept; // none
    Method colorMethod() const noexcept;
    void setColorMethod(Method method) noexcept;
    // 0 to 256 (0 ByBlock, 256 ByLayer); the nearest index of a true colour, 7 for the
    // foreground, 257 for none.
    int colorIndex() const noexcept;
    Drvk::ErrorStatus setColorIndex(int index) noexcept;
    Drvk::ErrorStatus setRGB(BYTE red, BYTE green, BYTE blue) noexcept;
    // A true colour's parts, or those of an index colour's palette entry (0 otherwise).
    BYTE red() const noexcept;
    BYTE green() const noexcept;
    BYTE blue() const noexcept;
    LONG entityColor() const noexcept;
    Drvk::ErrorStatus setEntityColor(LONG value) noexcept;
    // Names of a true colour from a colour book (empty when none; cut to kNameCapacity - 1).
    // Any new value but the names themselves forgets them; equality compares them only
    // between true colours.
    const wchar_t* colorName() const noexcept { return m_colorName; }
    const wchar_t* bookName() const noexcept { return m_bookName; }
    void setNames(const wchar_t* colorName, const wchar_t* bookName) noexcept;
    // The text users see for a true colour: its colour name, else "red,green,blue"; for
    // others their index as a number. Returns the whole text's length (buffer, which may
    // be null, gets at most capacity characters with the terminator).
    int displayName(wchar_t* buffer, int capacity) const noexcept;
    bool operator==(const DkCmColor& other) const noexcept;
    bool operator!=(const DkCmColor& other) const noexcept { return !(*this == other); }

private:
    LONG m_value;
    wchar_t m_colorName[kNameCapacity];
    wchar_t m_bookName[kNameCapacity];
};

// The index colours' screen colours (index 1 to 255; others white) and the palette the
// host draws them with (the host's, not to be deleted).
DKHOST_API COLORREF dkedGetRGB(int index) noexcept;
DKHOST_API HPALETTE GetDrvkPaletteHandle() noexcept;
// The index nearest to a screen colour (1 to 255).
DKHOST_API int dkedNearestColorIndex(COLORREF rgb) noexcept;

// The colours of the drawing views: the background first, then the crosshairs and the
// text; returns how many there are (colors may be null).
DKHOST_API int dkedGetCurrentColors(COLORREF* colors, int capacity) noexcept;
// The background a value overridden in the current viewport is shown on.
DKHOST_API COLORREF dkedGetVpOvrBackgColorValue() noexcept;
// The viewport the drawing is being worked in (null when none).
DKHOST_API DkDbObjectId dkedGetCurViewportObjectId() noexcept;

// The names the drawing reserves: 0 ByLayer, 1 ByBlock, 9 ByColor, 11 Global; localized as the user
// reads them, or as stored in drawings. Null for an unknown one; valid until the user's
// words change.
DKHOST_API const wchar_t* dkdbGetReservedString(int which, bool localized) noexcept;
// A plot style name as the user reads it: the reserved words (ByLayer, ByBlock, ByColor, ...)
// as stored in drawings become the localized ones; other names are left alone.
DKHOST_API void LocalizeReservedPlotStyleStrings(DkString& name) noexcept;

// The recent colours the host's colour lists share, most recent first:
// kind 0: whether the list is full (a new colour drops the last one out);
// kind 1: the colour that would drop out (into color; 0 when none would);
// kind 2: how many there are; kind 3: colour n (into color; 0 when there is none).
DKHOST_API int GetMRUInfo(int kind, int n, DkCmColor* color) noexcept;
// A colour chosen in a palette row: first among the recent colours, for every list.
DKHOST_API void AddColorFromOPMToAllControls(const DkCmColor& color) noexcept;

// The host's colour dialog, starting at color: true with the chosen colour in color; false
// when cancelled. tabs: 1 index colours only, 7 index, true colours and colour books.
DKHOST_API bool dkedSetColorDialogTrueColor(DkCmColor& color, bool allowMetaColors, const DkCmColor& currentLayerColor,
                                            int tabs) noexcept;

// The host's scene user-interface module: the service it registers and what it exports.
#pragma once

#include <windows.h>

// The service the scene module registers in the system registry once it is loaded.
#define DKSCENEUI_SERVICE L"SceneUI_Service"
// The scene module's file, loaded by name through the host's module loader.
#define DKSCENEUI_MODULE L"DkSceneUI.drx"
// The export that draws a preview of a photometric web file.
#define DKSCENEUI_WEB_PREVIEW "genWebPreview"

// Draws the light distribution of the web file webFile into bounds on dc; flags is 0. False
// when the file cannot be read (nothing is drawn then).
using DkGenWebPreviewFn = bool (*)(const wchar_t* webFile, HDC dc, const RECT* bounds, int flags);

// Import and export of what DkPEXCtl.drx offers other libraries of the host.
#pragma once

#ifdef DKPEX_BUILD
#define DKPEX_API __declspec(dllexport)
#else
#define DKPEX_API __declspec(dllimport)
#endif

// Import and export of the host application's functions and classes.
#pragma once

#ifdef DKHOST_BUILD
#define DKHOST_API __declspec(dllexport)
#else
#define DKHOST_API __declspec(dllimport)
#endif

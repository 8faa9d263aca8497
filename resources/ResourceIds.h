/* Resource ids of DkPEXCtlRes.dll, shared by the resource script and the code. */
#pragma once

#define IDS_VARIES 228      /* shown where the selected objects' values differ */
#define IDS_UNSPECIFIED 229 /* shown where the objects report no value of their own */

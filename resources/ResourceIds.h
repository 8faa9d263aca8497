/* Resource ids of DkPEXCtlRes.dll, shared by the resource script and the code. */
#pragma once

#define IDS_PAGE_NOT_REGISTERED 79  /* a property page class is not registered; %s: its class id */
#define IDS_UNDO_PROPERTY_CHANGE 87 /* the undo label of a property change */
#define IDS_VARIES 228              /* shown where the selected objects' values differ */
#define IDS_UNSPECIFIED 229         /* shown where the objects report no value of their own */

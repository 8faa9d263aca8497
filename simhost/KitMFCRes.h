// The shared resource library's ids that the host's own code uses.
#pragma once

// The block chooser: the drawing's blocks in a list.
#define IDD_BLOCK_CHOOSER 3001
#define IDC_BLOCK_LIST 3002

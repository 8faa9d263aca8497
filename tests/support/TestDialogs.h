// A small dialog template of the tests' own, in each test program that builds TestDialogs.rc:
// three choices of how a name is used, the name's box, OK and Cancel.
#pragma once

#define DKTEST_NAME_DIALOG 100
#define DKTEST_NAME_EDIT 1054
#define DKTEST_NAME_NONE 1055
#define DKTEST_NAME_PREFIX 1056
#define DKTEST_NAME_SUFFIX 1057

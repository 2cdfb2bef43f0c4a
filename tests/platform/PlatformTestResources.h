// Resources of platform_tests.
#pragma once

#define IDD_PROBE 100
#define IDD_MISSING 199  // no such template
#define IDC_FINISH 1001
#define IDC_RANGE_FIRST 1010
#define IDC_RANGE_SECOND 1011
#define IDC_RANGE_LAST 1012
#define IDC_VALUE 1020

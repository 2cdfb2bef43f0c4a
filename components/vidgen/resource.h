// Resource identifiers of VideoGenerator.dll.
#pragma once

#define IDD_VIDGEN_PAGE 100

#define IDC_VIDGEN_WIDTH 1001
#define IDC_VIDGEN_HEIGHT 1002
#define IDC_VIDGEN_FRAMERATE 1003
#define IDC_VIDGEN_DURATION 1004

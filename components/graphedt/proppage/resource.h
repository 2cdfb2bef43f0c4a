// Resource identifiers of Proppage.dll.
#pragma once

#define IDD_MEDIATYPE_PAGE 100
#define IDC_MEDIATYPE_PIN 1001
#define IDC_MEDIATYPE_TEXT 1002

// Resource identifiers of the program itself: its name and its icon. The dialog template's
// identifiers are the dialog's own (ui/resource.h).
#pragma once

#define IDS_PROJNAME 100
#define IDI_MAIN 200

// The Insert Filters window: the registered filters by category, a search by name, the
// selected filter's CLSID, file and merit; Insert (or a double-click) hands the selected
// filter to fnInsert, whose refusal is shown in a box and leaves the window open.
#pragma once

#include <windows.h>

#include <functional>

#include "FilterCatalog.h"

using InsertFilterFn = std::function<HRESULT(const RegisteredFilter&)>;

void ShowInsertFilters(HWND hWndOwner, const InsertFilterFn& fnInsert);

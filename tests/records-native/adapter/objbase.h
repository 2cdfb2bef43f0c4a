// Everything the settings code needs is in the adapter's windows.h.
#pragma once

#include "windows.h"

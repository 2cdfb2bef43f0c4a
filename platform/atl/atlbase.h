// Our class framework: the names the program is written against.
#pragma once

#include "atldef.h"
#include "atlcomcli.h"

using namespace ATL;

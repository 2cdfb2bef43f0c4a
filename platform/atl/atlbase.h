// Our class framework: the names the program is written against.
#pragma once

#include "atldef.h"
#include "atltrace.h"
#include "atlcomcli.h"
#include "atlmodule.h"
#include "atlreg.h"
#include "atlwin.h"

using namespace ATL;

// RunChecks: every check (or those named) against one filter DLL, each on a thread
// of its own with a bound, so a filter that deadlocks fails its check instead of
// hanging the run.
#pragma once

#include <string>
#include <vector>

#include "Check.h"
#include "FilterDll.h"

namespace filtercheck {

struct RunOptions {
  std::vector<std::string> only;  // check names; empty: all
};

std::vector<CheckResult> RunChecks(FilterDll* pDll, const RunOptions& options);

}  // namespace filtercheck

// The run's report: one line a check and a summary on the console, and a JUnit XML
// file for build servers.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "Check.h"

namespace filtercheck {

void PrintResults(FILE* out, const std::vector<CheckResult>& results);
// The JUnit XML text of a run against the DLL at path.
std::string JUnitXml(const std::string& path, const std::vector<CheckResult>& results);

}  // namespace filtercheck

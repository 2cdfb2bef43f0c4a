// The framework's default reports, for tests to read from another process: with no argument two
// traces, with the filter set in this process's environment; with "assert" a failing assertion,
// then "went on" on standard error. #line pins the file and lines reported.
#include <cstdio>
#include <cstring>

#include "atlbase.h"

namespace {

void Assert() {
#line 30 "probe.cpp"
  ATLASSERT(1 + 1 == 3);
  std::fputs("went on\n", stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "assert") == 0) {
    Assert();
    return 0;
  }
#line 10 "probe.cpp"
  ATLTRACE(atlTraceGeneral, 2, L"event 0x%X\n", 0x2Au);
  ATLTRACE(atlTraceGeneral, 10, L"rest is %i ms\n", 7);
  return 0;
}

// Writes two traces through the default report, for TraceTest to read from standard error
// with the filter set in this process's environment. #line pins the file and lines reported.
#include "atlbase.h"

int main() {
#line 10 "probe.cpp"
  ATLTRACE(atlTraceGeneral, 2, L"event 0x%X\n", 0x2Au);
  ATLTRACE(atlTraceGeneral, 10, L"rest is %i ms\n", 7);
  return 0;
}

#!/usr/bin/env bash
# The bench's host process must end with status 0 after each way to its end that once crashed
# it (a segmentation fault at exit, which a Windows parent saw as code 0): the bench is started
# under Wine directly, BenchExitDriver takes it through the steps and presses Escape, and the
# status of the bench's own process is read here.
#   bench-exit-status.sh WINE_SH LUMIVARTEST_EXE BENCHEXITDRIVER_EXE
set -u
wine=$1 exe=$2 driver=$3
failed=0
for steps in show rebuild; do
  # Bounded: a bench that never ends counts as failed (status 124).
  timeout 120 "$wine" "$exe" &
  bench=$!
  if ! "$wine" "$driver" "$steps"; then
    echo "bench-exit-status: the driver failed ($steps)"
    kill "$bench"
    failed=1
  fi
  wait "$bench"
  status=$?
  echo "bench-exit-status: $steps: the bench's process ended with status $status"
  [ "$status" -eq 0 ] || failed=1
done
exit $failed

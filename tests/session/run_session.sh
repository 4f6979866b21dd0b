#!/usr/bin/env bash
# Runs the random session under a virtual display of its own (Xvfb) on the xcb platform, with the
# sanitizers set to stop at their first report.
#
#   tests/session/run_session.sh DRIVER [driver options...]
#
# The short form (ctest): --seed 20261211 --steps 1000. The full form, on its own:
#   for seed in 1 2 3 4 5; do
#     tests/session/run_session.sh build/test/src/app/session_driver --seed $seed --steps 20000 \
#       --dir /tmp/pictavo-session-$seed
#   done
# Each run prints its figures (steps, failures, slowest step, resident memory every 1000 steps and
# at the end). A failure prints the steps before it and the command that replays the seed up to
# it; the whole step log is session-SEED.log in the session's folder.
set -uo pipefail
driver=$1
shift

# The server picks a free display number itself and writes it to the pipe, so runs side by side
# never race for one.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -f "$fifo"' EXIT
if ! read -r -t 20 number <"$fifo"; then
  echo "the virtual display did not start" >&2
  exit 1
fi
display=":$number"

export DISPLAY=$display
export QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$driver" "$@"
status=$?
if [ "$status" -ne 0 ]; then
  echo "random session ended with status $status" >&2
fi
exit "$status"

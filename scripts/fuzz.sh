#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each fuzz_* target for MINUTES
# minutes, seeded from the corpus its replay test uses. New inputs the fuzzer finds stay in
# build/fuzz/corpus/NAME (the shared corpora are read-only); crashes, leaks and time-outs go
# to build/fuzz/findings/NAME. Prints executions and findings per target.
#
#   scripts/fuzz.sh MINUTES [NAME...]     e.g. scripts/fuzz.sh 10 bmp
#   NO_BUILD=1 scripts/fuzz.sh 10 bmp      (runs the targets as last built)
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:?usage: scripts/fuzz.sh MINUTES [NAME...]}
shift
build=build/fuzz
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} CCACHE_DIR=${CCACHE_DIR:-/work/.ccache}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTAVO_FUZZ=ON \
    -DPICTAVO_TESTS=OFF "${launcher[@]}" >/dev/null
fi

# Every target and its seed folders, as fuzz/NAME/CMakeLists.txt names them.
shared=$(sed -n 's/^PICTAVO_SHARED_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for dir in fuzz/*/; do
    [ -f "$dir/CMakeLists.txt" ] && names+=("$(basename "$dir")")
  done
fi
seeds_of() { # the corpus arguments of pictavo_add_fuzz_target in fuzz/NAME/CMakeLists.txt
  tr '\n' ' ' < "fuzz/$1/CMakeLists.txt" | grep -o 'pictavo_add_fuzz_target([^)]*)' |
    grep -o '\${PICTAVO_SHARED_DIR}[^ );"]*' | sed "s|\${PICTAVO_SHARED_DIR}|$shared|"
}

[ -n "${NO_BUILD:-}" ] || nice -n 15 cmake --build "$build" -j2 --target "${names[@]/#/fuzz_}" >/dev/null

printf '%-10s %14s %10s %s\n' target executions findings "folder of findings"
for name in "${names[@]}"; do
  corpus=$build/corpus/$name findings=$build/findings/$name log=$build/findings/$name.log
  mkdir -p "$corpus" "$findings"
  mapfile -t seeds < <(seeds_of "$name")
  # -fork keeps going after a finding, so one fault does not end the whole run.
  nice -n 15 "$build/fuzz/$name/fuzz_$name" "$corpus" "${seeds[@]}" -max_total_time=$((minutes * 60)) \
    -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1 || true
  # Fork mode reports "#N: cov: ..." lines; a single process its final statistics.
  executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)
  [ -n "$executions" ] || executions=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#' || true)
  found=$(find "$findings" -type f | wc -l)
  printf '%-10s %14s %10s %s\n' "$name" "${executions:-?}" "$found" "$findings"
done

#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, build-fuzz/) and runs each for SECONDS
# (default 60). Each target starts from its corpus in tests/corpus/<target>/;
# afterwards the corpus is merged down to the inputs that add coverage, so it
# stays small. Crashing inputs land in build-fuzz/artifacts/<target>/; the
# script then exits 1.
#   tools/fuzz.sh [SECONDS] [TARGET ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_cp932_decoder fuzz_script_loader fuzz_mail_settings fuzz_setup_dat fuzz_receive_reply)

cxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$cxx" ]; then
  echo "fuzz.sh: clang++ is needed (apt-get install clang-14)" >&2
  exit 2
fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLORAN_FUZZ=ON -DVELLORAN_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
  corpus=tests/corpus/$t
  work=build-fuzz/corpus/$t
  artifacts=build-fuzz/artifacts/$t
  mkdir -p "$corpus" "$work" "$artifacts"
  echo "== $t for ${seconds}s"
  if ! build-fuzz/fuzz/"$t" "$work" "$corpus" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" 2>build-fuzz/"$t".log; then
    echo "$t: FAILED, see build-fuzz/$t.log and $artifacts/" >&2
    tail -30 build-fuzz/"$t".log >&2
    status=1
    continue
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb|new_units_added)' build-fuzz/"$t".log || true
  # Keep only the inputs that reach new edges (hit counts ignored), so the
  # committed corpus stays small; build-fuzz/corpus keeps everything found.
  merged=$(mktemp -d)
  build-fuzz/fuzz/"$t" -merge=1 -use_counters=0 -use_value_profile=0 -max_len=4096 "$merged" "$corpus" "$work" 2>>build-fuzz/"$t".log
  rm -rf "$corpus"
  mv "$merged" "$corpus"
  chmod 755 "$corpus"
  echo "$t: $(ls "$corpus" | wc -l) corpus files"
done
exit $status

#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (ASan + UBSan) from just the sources each one needs,
# and runs each for a bounded time from its seed corpus. Exits non-zero when a target finds a fault;
# the input that made it is left in build-fuzz/artifacts/.
#   FUZZ_SECONDS   seconds per target (default 20)
#   FUZZ_TARGETS   space-separated subset of the target names (default: all whose sources exist)
#   FUZZ_BUILD     build folder (default build-fuzz)
set -uo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-20}
OUT=${FUZZ_BUILD:-build-fuzz}
CXX=${FUZZ_CXX:-}
if [ -z "$CXX" ]; then
  for c in clang++-14 clang++; do command -v "$c" >/dev/null && { CXX=$c; break; }; done
fi
if [ -z "$CXX" ]; then echo "fuzz: no clang++ found" >&2; exit 1; fi
mkdir -p "$OUT/bin" "$OUT/artifacts" "$OUT/corpus"

# name | harness | library sources | pkg-config modules
TARGETS=(
  "text|fuzz/text_fuzz.cpp|web/text.cpp|"
  "cookies|fuzz/cookies_fuzz.cpp|web/cookies.cpp web/text.cpp|"
  "escapes|fuzz/escapes_fuzz.cpp|web/charset.cpp web/text.cpp|"
  "dib|fuzz/dib_fuzz.cpp|capture/bmp_bytes.cpp|"
  "bmp|fuzz/bmp_fuzz.cpp|graphics/bmp_codec.cpp web/text.cpp|Qt6Gui"
  "multipart|fuzz/multipart_fuzz.cpp|localservices/multipart.cpp|"
  "form|fuzz/form_fuzz.cpp|localservices/form.cpp|"
)

FLAGS=(-std=c++20 -O1 -g -fPIC -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -I.)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}

status=0
ran=0
for entry in "${TARGETS[@]}"; do
  IFS='|' read -r name harness sources modules <<<"$entry"
  if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $name "* ]]; then continue; fi
  missing=""
  for f in $harness $sources; do [ -f "$f" ] || missing="$missing $f"; done
  if [ -n "$missing" ]; then echo "fuzz: $name skipped (not present:$missing)" >&2; continue; fi
  bin="$OUT/bin/${name}_fuzz"
  newest=$(ls -t $harness $sources fuzz/*.h "$0" 2>/dev/null | head -1)
  if [ ! -x "$bin" ] || [ "$newest" -nt "$bin" ]; then
    extra=()
    [ -n "$modules" ] && read -r -a extra <<<"$(pkg-config --cflags --libs $modules)"
    echo "fuzz: building $name" >&2
    if ! "$CXX" "${FLAGS[@]}" $harness $sources "${extra[@]}" -o "$bin"; then
      echo "fuzz: $name does not build" >&2; status=1; continue
    fi
  fi
  seeds=()
  for d in "fuzz/corpus/$name" "fuzz/regressions/$name"; do [ -d "$d" ] && seeds+=("$d"); done
  mkdir -p "$OUT/corpus/$name"
  echo "fuzz: running $name for ${SECONDS_EACH}s" >&2
  log="$OUT/$name.log"
  if "$bin" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
       -print_final_stats=1 -artifact_prefix="$OUT/artifacts/$name-" \
       "$OUT/corpus/$name" "${seeds[@]}" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units' "$log" | sed "s/^/fuzz: $name /" >&2
  else
    echo "fuzz: $name FOUND A FAULT (see $log and $OUT/artifacts/)" >&2
    grep -E 'ERROR|check failed|runtime error|SUMMARY|Test unit written' "$log" | head -20 >&2
    status=1
  fi
  ran=$((ran + 1))
done
echo "fuzz: $ran targets run" >&2
exit $status

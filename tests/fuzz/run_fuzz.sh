#!/usr/bin/env bash
# Builds one libFuzzer target with clang (AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# it for a while, starting from its seeds in tests/fuzz/corpus/<target>. Exits non-zero when the
# fuzzer finds a fault; the input that caused it is left in <work-dir>/<target>/artifacts.
#   run_fuzz.sh [work-dir] [target]      (defaults: build/fuzz, vector)
# Targets and their time in the test command (QLN_FUZZ_SECONDS sets every target's time):
#   vector     the vector-icon language (tests/fuzz/vector_language_fuzz.cpp)    30 s
#   placement  the placement number reader (tests/fuzz/placement_fuzz.cpp)       15 s
#   url        the URL parser and request texts (tests/fuzz/url_fuzz.cpp)        15 s
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
work=$(realpath -m "${1:-$root/build/fuzz}")
target=${2:-vector}
cxx=${QLN_FUZZ_CXX:-clang++}

case $target in
vector)
  seconds=30
  sources=(tests/fuzz/vector_language_fuzz.cpp src/forms/draw/vector_language.cpp src/forms/layout/layout_rules.cpp)
  headers=(src/forms/draw/vector_language.h src/forms/layout/layout_rules.h) ;;
placement)
  seconds=15
  sources=(tests/fuzz/placement_fuzz.cpp src/forms/layout/placement_rules.cpp)
  headers=(src/forms/layout/placement_rules.h) ;;
url)
  seconds=15
  sources=(tests/fuzz/url_fuzz.cpp src/plugin/url.cpp)
  headers=(src/plugin/url.h) ;;
*) echo "run_fuzz: unknown target $target (vector, placement, url)" >&2; exit 2 ;;
esac
seconds=${QLN_FUZZ_SECONDS:-$seconds}
dir=$work/$target
bin=$dir/${target}_fuzz
mkdir -p "$dir/corpus" "$dir/artifacts"

# Rebuilt only when a source is newer than the target.
rebuild=0
[ -x "$bin" ] || rebuild=1
for f in "${sources[@]}" "${headers[@]}"; do
  [ "$root/$f" -nt "$bin" ] && rebuild=1
done
if [ $rebuild = 1 ]; then
  "$cxx" -std=c++20 -g -O1 -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I "$root/src" "${sources[@]/#/$root/}" -o "$bin.new"
  mv "$bin.new" "$bin"
fi

# New inputs collect in the work corpus; the seeds are only read. Refused vector strings are
# written to standard output, which is closed here (-close_fd_mask=1) to keep the log readable.
exec "$bin" "$dir/corpus" "$root/tests/fuzz/corpus/$target" \
  -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$dir/artifacts/"

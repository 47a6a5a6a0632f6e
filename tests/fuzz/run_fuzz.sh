#!/usr/bin/env bash
# Builds the vector-language fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for QLN_FUZZ_SECONDS seconds (default 60), starting
# from the seeds in tests/fuzz/corpus/vector. Exits non-zero when the fuzzer finds a fault; the
# input that caused it is left in <work-dir>/artifacts.
#   run_fuzz.sh [work-dir]      (default: build/fuzz)
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
work=$(realpath -m "${1:-$root/build/fuzz}")
seconds=${QLN_FUZZ_SECONDS:-60}
cxx=${QLN_FUZZ_CXX:-clang++}

sources=(tests/fuzz/vector_language_fuzz.cpp src/forms/vector_language.cpp src/forms/layout_rules.cpp)
headers=(src/forms/vector_language.h src/forms/layout_rules.h)
bin=$work/vector_language_fuzz
mkdir -p "$work/corpus" "$work/artifacts"

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

# New inputs collect in the work corpus; the seeds are only read. Refused strings are written
# to standard output, which is closed here (-close_fd_mask=1) to keep the log readable.
exec "$bin" "$work/corpus" "$root/tests/fuzz/corpus/vector" \
  -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$work/artifacts/"

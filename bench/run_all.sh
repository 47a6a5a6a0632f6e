#!/usr/bin/env bash
# Runs every benchmark, each in a Wine session of its own, and prints one table of their ratio
# lines at the end: start-up, extraction (and installation when the extraction bench stages one),
# any other bench/run_*_bench.sh, and download. Each bench's full output goes to
# <build-dir>/../bench/<name>.log.
#   run_all.sh [build-dir]      (default: build/win, built first with scripts/build.sh win)
set -uo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath -m "${1:-$here/../build/win}")
[ -n "${1:-}" ] || "$here/../scripts/build.sh" win >/dev/null || { echo "run_all: the build failed" >&2; exit 1; }
logs=$(realpath -m "$build/../bench"); mkdir -p "$logs"

benches=(startup extract)
for script in "$here"/run_*_bench.sh; do
  name=$(basename "$script"); name=${name#run_}; name=${name%_bench.sh}
  case " startup extract download " in *" $name "*) ;; *) benches+=("$name") ;; esac
done
benches+=(download)

rows=() failed=0
for name in "${benches[@]}"; do
  log=$logs/$name.log
  echo "run_all: $name ..."
  start=$SECONDS
  if "$here/run_${name}_bench.sh" "$build" >"$log" 2>&1; then status=ok; else status="failed (exit $?)"; failed=1; fi
  mapfile -t ratios < <(grep -i '^ratio' "$log")
  [ ${#ratios[@]} -gt 0 ] || ratios=("$(tail -n1 "$log")")
  for line in "${ratios[@]}"; do rows+=("$name|$status|$((SECONDS - start)) s|$line"); done
done

echo
printf '%-10s %-8s %-6s %s\n' bench status time "ratio (goal)"
printf '%-10s %-8s %-6s %s\n' ---------- -------- ------ ------------
for row in "${rows[@]}"; do
  IFS='|' read -r name status took line <<<"$row"
  printf '%-10s %-8s %-6s %s\n' "$name" "$status" "$took" "$line"
done
echo "logs: $logs/<bench>.log"
exit $failed

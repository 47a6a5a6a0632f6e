# Sourced by the bench scripts: each runs in a Wine session of its own, in
# <build-dir>/../bench/<name>, started here (one prefix at 96 DPI) and stopped when the script
# exits, also on failure or Ctrl-C.
#   bench_session <name> <build-dir>    sets $session; adds "stop" to the caller's bench_cleanup
bench_tools=$(dirname "$(realpath "${BASH_SOURCE[0]}")")/../tests/wine
bench_cleanups=()
bench_cleanup() {
  local c
  for c in "${bench_cleanups[@]}"; do eval "$c" || true; done
}
trap bench_cleanup EXIT
bench_session() {
  session=$(realpath -m "$2/../bench/$1")
  bench_cleanups+=("\"$bench_tools/session.sh\" stop \"$session\" >/dev/null 2>&1")
  "$bench_tools/session.sh" start "$session" 96 >/dev/null
}

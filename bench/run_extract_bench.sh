#!/usr/bin/env bash
# Generates a package of about 2,000 members and 50 MB and runs extract_bench on it under Wine:
# the staged installation, today's in-place ExtractArchive and miniunz, in one run.
#   run_extract_bench.sh [build-dir] [rounds]       (defaults: build/win 5)
# Runs in a Wine session of its own (bench/session.sh); the package and the unpacked folders live
# in C:\qln-bench of its prefix. Prints its ratio line last.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath "${1:-$here/../build/win}"); rounds=${2:-5}
. "$here/session.sh"
bench_session extract "$build"
bench=$session/prefix-96/drive_c/qln-bench
bench_cleanups+=('rm -rf "$bench"')
rm -rf "$bench"; mkdir -p "$bench"

# One folder holding 40 folders of 49 files (2,001 members): Ruby-like text that deflates
# well, and incompressible binary data.
python3 - "$bench/package.zip" <<'PY'
import random, sys, zipfile
rng = random.Random(2024)
words = b"def end class module require puts self return if else elsif unless each do yield".split()
def text(n):
    out = bytearray()
    while len(out) < n:
        out += b" ".join(rng.choice(words) for _ in range(rng.randint(3, 12))) + b"\n"
    return bytes(out[:n])
total = 0
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
    # Every folder is listed before what it holds: the installer creates one level at a time.
    top = zipfile.ZipInfo("qln_bench/", (2024, 1, 2, 3, 4, 6))
    top.create_system, top.external_attr = 0, 0x10
    z.writestr(top, b"")
    for d in range(40):
        folder = zipfile.ZipInfo(f"qln_bench/part{d:02}/", (2024, 1, 2, 3, 4, 6))
        folder.create_system, folder.external_attr = 0, 0x10
        z.writestr(folder, b"")
        for f in range(49):
            size = rng.randint(4000, 48000)
            binary = f % 4 == 0
            info = zipfile.ZipInfo(f"qln_bench/part{d:02}/file{f:02}.{'bin' if binary else 'rb'}",
                                   (2023, 5, 6, 7, 8, 10))
            info.create_system, info.external_attr = 0, 0x20
            info.compress_type = zipfile.ZIP_STORED if binary else zipfile.ZIP_DEFLATED
            z.writestr(info, rng.randbytes(size) if binary else text(size))
            total += size
print(f"package: {1 + 40 * 50} members, {total / 1e6:.1f} MB unpacked")
PY
ls -l "$bench/package.zip" | awk '{printf "package file: %.1f MB\n", $5 / 1e6}'

winpath() { echo "Z:${1//\//\\}"; }
QLN_DPI=96 "$here/../tests/wine/wine-run.sh" "$session" "$build/extract_bench.exe" 'C:\qln-bench\package.zip' \
  "$(winpath "$build/miniunz.exe")" 'C:\qln-bench' "$rounds"

#!/usr/bin/env python3
"""Checks a shipped executable and its symbols file (cmake/ship.cmake):
- the executable has no debug sections, no symbol table, and stays within 1 MB;
- its .gnu_debuglink names <exe>.debug beside it, with that file's CRC-32;
- the symbols file holds the debug information of this very build (same sections, same places);
- gdb, when installed, finds a source line of the entry point through the link.
    check_split_debug.py <exe>"""
import os
import shutil
import struct
import subprocess
import sys
import zlib

SIZE_LIMIT = 1024 * 1024


def sections(path):
    """{name: (virtual address, virtual size, contents)} and the COFF symbol count of a PE file."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise SystemExit(f"{path}: not a PE file")
    _, count, _, symbols_at, symbols, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    strings = symbols_at + symbols * 18
    table = pe + 24 + optional_size
    out = {}
    for i in range(count):
        raw_name, vsize, vaddr, rsize, raw_at = struct.unpack_from("<8sIIII", data, table + 40 * i)
        name = raw_name.rstrip(b"\0").decode()
        if name.startswith("/"):  # a long name, kept in the string table
            start = strings + int(name[1:])
            name = data[start:data.index(b"\0", start)].decode()
        out[name] = (vaddr, vsize, data[raw_at:raw_at + min(rsize, vsize or rsize)] if raw_at else b"")
    return out, symbols


def main():
    exe = sys.argv[1]
    failures = []
    exe_sections, symbols = sections(exe)
    debug_named = sorted(n for n in exe_sections if n.startswith((".debug", ".zdebug")))
    if debug_named:
        failures.append(f"debug sections left in the executable: {', '.join(debug_named)}")
    if symbols:
        failures.append(f"the executable still has a symbol table of {symbols} entries")
    size = os.path.getsize(exe)
    if size > SIZE_LIMIT:
        failures.append(f"the executable is {size} bytes, above the 1 MB goal")

    blob = exe_sections.get(".gnu_debuglink", (0, 0, b""))[2]
    if not blob:
        failures.append("the executable has no .gnu_debuglink section")
    debug = exe + ".debug"
    if blob:
        name = blob[:blob.index(b"\0")].decode()
        crc = struct.unpack_from("<I", blob, (len(name) + 1 + 3) & ~3)[0]
        if name != os.path.basename(debug):
            failures.append(f".gnu_debuglink names {name}, not {os.path.basename(debug)}")
        if not os.path.isfile(debug):
            failures.append(f"no symbols file {debug}")
        else:
            with open(debug, "rb") as f:
                actual = zlib.crc32(f.read())
            if actual != crc:
                failures.append(f".gnu_debuglink CRC {crc:08x} does not match {os.path.basename(debug)} ({actual:08x})")
            debug_sections, debug_symbols = sections(debug)
            for needed in (".debug_info", ".debug_line"):
                if needed not in debug_sections:
                    failures.append(f"{os.path.basename(debug)} has no {needed}")
            if not debug_symbols:
                failures.append(f"{os.path.basename(debug)} has no symbol table")
            for name in (".text", ".rdata", ".data"):
                if name in exe_sections and exe_sections[name][:2] != debug_sections.get(name, (None, None))[:2]:
                    failures.append(f"{name} is not where the symbols file puts it: another build")

    gdb = shutil.which("gdb")
    if gdb and not failures:
        result = subprocess.run([gdb, "-nx", "-batch", "-ex", "info line wWinMain", exe], capture_output=True,
                                text=True, timeout=120)
        if "main.cpp" not in result.stdout:
            failures.append(f"gdb finds no source line for wWinMain: {result.stdout.strip()} {result.stderr.strip()}")

    if failures:
        for failure in failures:
            print(f"{os.path.basename(exe)}: {failure}")
        return 1
    print(f"{os.path.basename(exe)}: {size} bytes, no debug information; symbols in {os.path.basename(debug)} "
          f"({os.path.getsize(debug)} bytes, CRC matches{', gdb reads them' if gdb else ''})")
    return 0


if __name__ == "__main__":
    sys.exit(main())

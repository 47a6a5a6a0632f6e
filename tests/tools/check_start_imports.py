#!/usr/bin/env python3
"""Checks that the shipped executable leaves the libraries it binds on first call out of its
start: none of them in the import table that the loader walks before the entry point, each still
named in the executable (its delay-import table), so that its functions are called for real.
    check_start_imports.py <exe> <dll>..."""
import struct
import sys


def imported_dlls(data):
    """Names of the DLLs in the PE import directory, read from the file itself."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise SystemExit("not a PE file")
    count, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x20B:
        raise SystemExit("not a 64-bit PE file")
    import_rva = struct.unpack_from("<I", data, optional + 112 + 8)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(count)]

    def offset(rva):
        for vsize, vaddr, rsize, raw in spans:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        raise SystemExit(f"address {rva:#x} outside every section")

    names, at = [], offset(import_rva)
    while True:
        name_rva = struct.unpack_from("<I", data, at + 12)[0]
        if name_rva == 0:
            return names
        start = offset(name_rva)
        names.append(data[start:data.index(b"\0", start)].decode("ascii").lower())
        at += 20


def main():
    exe, deferred = sys.argv[1], [d.lower() for d in sys.argv[2:]]
    data = open(exe, "rb").read()
    loaded = imported_dlls(data)
    failures = [f"{d} is loaded at the start (import table: {', '.join(loaded)})" for d in deferred if d in loaded]
    failures += [f"{d} is not named in the executable at all" for d in deferred if d.encode() not in data.lower()]
    # Only libraries that Windows always takes from its own folder may load before our first
    # line runs (the KnownDLLs, and comctl32 through the manifest): any other name would be
    # looked for beside the executable first, where anyone may have put a file of that name.
    windows_own = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
                   "oleaut32.dll", "shell32.dll", "user32.dll", "shlwapi.dll", "comdlg32.dll", "ws2_32.dll"}
    failures += [f"{d} is loaded at the start but is no library Windows takes from its own folder"
                 for d in loaded if d not in windows_own]
    if "user32.dll" not in loaded:
        failures.append(f"the import table reads wrong: no user32.dll in {loaded}")
    for f in failures:
        print(f"{exe}: {f}")
    sys.exit(1 if failures else 0)


main()

#!/usr/bin/env python3
"""Prints deb-src entries (deb822) mirroring the machine's own enabled binary apt entries.

Reads /etc/apt/sources.list and /etc/apt/sources.list.d/*.list|*.sources (or the folder given
as the first argument), keeps every "deb" entry and writes the same URIs, suites, components
and signing keys with Types: deb-src, so that source packages come from whatever mirror the
machine already uses. Entries that already offer deb-src are skipped."""
import glob
import os
import sys

root = sys.argv[1] if len(sys.argv) > 1 else "/etc/apt"
skip = sys.argv[2] if len(sys.argv) > 2 else ""


def deb822_stanzas(text):
    stanza = {}
    key = None
    for raw in text.splitlines() + [""]:
        line = raw.rstrip("\n")
        if line.startswith("#"):
            continue
        if not line.strip():
            if stanza:
                yield stanza
            stanza, key = {}, None
            continue
        if line[0] in " \t" and key:
            stanza[key] += " " + line.strip()
            continue
        if ":" in line:
            key, value = line.split(":", 1)
            key = key.strip().lower()
            stanza[key] = value.strip()


def one_line_entries(text):
    for raw in text.splitlines():
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        parts = line.split()
        kind = parts[0]
        rest = parts[1:]
        options = {}
        if rest and rest[0].startswith("["):
            opts = []
            while rest:
                tok = rest.pop(0)
                opts.append(tok)
                if tok.endswith("]"):
                    break
            for opt in " ".join(opts).strip("[] ").split():
                if "=" in opt:
                    k, v = opt.split("=", 1)
                    options[k.lower()] = v
        if len(rest) < 2:
            continue
        entry = {"types": kind, "uris": rest[0], "suites": rest[1],
                 "components": " ".join(rest[2:])}
        if "signed-by" in options:
            entry["signed-by"] = options["signed-by"]
        yield entry


entries = []
files = [os.path.join(root, "sources.list")] + sorted(glob.glob(os.path.join(root, "sources.list.d", "*")))
for path in files:
    if not os.path.isfile(path) or os.path.realpath(path) == os.path.realpath(skip or "/nonexistent"):
        continue
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    if path.endswith(".sources"):
        stanzas = list(deb822_stanzas(text))
    elif path.endswith(".list") or path.endswith("sources.list"):
        stanzas = list(one_line_entries(text))
    else:
        continue
    for s in stanzas:
        if s.get("enabled", "yes").lower() == "no":
            continue
        types = s.get("types", "").split()
        if "deb" not in types or "deb-src" in types:
            continue
        entries.append(s)

seen = set()
for s in entries:
    key = (s.get("uris"), s.get("suites"), s.get("components"))
    if key in seen:
        continue
    seen.add(key)
    print("Types: deb-src")
    for field in ("URIs", "Suites", "Components", "Signed-By"):
        value = s.get(field.lower())
        if value:
            print(f"{field}: {value}")
    print()

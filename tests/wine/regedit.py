#!/usr/bin/env python3
"""Sets one value in a Wine registry file while no wineserver holds the prefix.

    regedit.py <file.reg> <key path as written in the file> <"name"=value line>
"""
import sys, time

path, key, line = sys.argv[1], sys.argv[2], sys.argv[3]
name = line.split("=", 1)[0]
with open(path, encoding="utf-8", errors="surrogateescape") as f:
    lines = f.read().split("\n")

header = "[" + key + "]"
start = next((i for i, l in enumerate(lines) if l.startswith(header + " ") or l == header), None)
if start is None:
    lines += ["", "%s %d" % (header, int(time.time())), line]
else:
    end = start + 1
    while end < len(lines) and lines[end].strip() != "" and not lines[end].startswith("["):
        end += 1
    for i in range(start + 1, end):
        if lines[i].startswith(name + "="):
            lines[i] = line
            break
    else:
        lines.insert(end, line)
with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
    f.write("\n".join(lines))

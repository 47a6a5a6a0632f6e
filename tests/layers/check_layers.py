#!/usr/bin/env python3
"""Checks that every #include under src/ runs down the layers, never up or across pages.

  check_layers.py [source-root]        (default: the repository's src/)

Layers, top to bottom:
  app/                 entry, start-up, the main window that composes the pages
  plugin/, pages/      the pages and their work; neither includes the other
  ui/                  what the pages share: the program's look and message box, the version lists
  discovery/, forms/   finding SketchUp, the form framework
  portable rules       files built for both targets: they include no Windows header and no
                       file that does
  base/                what every layer may use (the owning holder); portable

Prints one line per offending include ("file:line: message") and exits 1, or exits 0."""
import os
import re
import sys

# Which top-level folders a folder may include from. Anything not listed is refused.
ALLOWED = {
    "app": {"app", "plugin", "pages", "ui", "discovery", "forms", "resources", "base"},
    "plugin": {"plugin", "ui", "discovery", "forms", "base"},
    "pages": {"pages", "ui", "discovery", "forms", "base"},
    "ui": {"ui", "discovery", "forms", "base"},
    "discovery": {"discovery", "forms", "base"},
    "forms": {"forms", "base"},
    "base": {"base"},
}
WINDOWS_HEADERS = re.compile(r"^(windows|winuser|wingdi|wininet|winsock2|shellapi|shlobj|commctrl|commdlg|"
                             r"objbase|objidl|ole2|gdiplus|psapi|tlhelp32|winternl|direct|io|uxtheme|"
                             r"dwmapi|shlwapi|winreg|unknwn|process)\.h$", re.IGNORECASE)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def source_files(root):
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            if name.endswith((".h", ".hpp", ".cpp", ".c")):
                yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def includes(root, rel):
    with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1), m.group(2)


def portable_sources(repo):
    """The sources of the portable library, as the build lists them."""
    cmake = os.path.join(repo, "CMakeLists.txt")
    if not os.path.isfile(cmake):
        return set()
    text = open(cmake, encoding="utf-8").read()
    m = re.search(r"add_library\(qln_portable\s+STATIC(.*?)\)", text, re.S)
    if not m:
        return set()
    return {p[len("src/"):] for p in m.group(1).split() if p.startswith("src/")}


def main():
    repo = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
    root = os.path.realpath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(repo, "src")
    cmake_root = os.path.dirname(root)
    files = list(source_files(root))
    known = set(files)

    portable = {f for f in files if f.startswith("base/")}
    for src in portable_sources(cmake_root):
        portable.add(src)
        header = os.path.splitext(src)[0] + ".h"
        if header in known:
            portable.add(header)

    problems = []
    for rel in files:
        top = rel.split("/", 1)[0]
        allowed = ALLOWED.get(top)
        for number, kind, target in includes(root, rel):
            where = f"src/{rel}:{number}"
            if kind == "<":
                if rel in portable and WINDOWS_HEADERS.match(os.path.basename(target)):
                    problems.append(f"{where}: portable file includes the Windows header <{target}>")
                continue
            if target not in known:
                continue  # a dependency's header (unzip.h) or a generated file
            if rel in portable and target not in portable:
                problems.append(f"{where}: portable file includes \"{target}\", which needs Windows")
            if allowed is None:
                continue
            target_top = target.split("/", 1)[0]
            if target_top not in allowed:
                if {top, target_top} == {"plugin", "pages"}:
                    why = "runs sideways between pages"
                else:
                    why = f"runs upward ({top}/ may include {', '.join(sorted(allowed))})"
                problems.append(f"{where}: include of \"{target}\" {why}")

    for p in problems:
        print(p)
    if problems:
        print(f"layering: {len(problems)} include(s) break the layers")
        return 1
    print(f"layering: {len(files)} files, every include runs down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())

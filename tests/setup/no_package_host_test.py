#!/usr/bin/env python3
"""No file of the repository names a package host: set-up takes its mirrors from the machine's
own apt configuration (scripts/derive_deb_src.py). Looks through every tracked file (every file
outside build/ when there is no Git checkout) for the hosts of the Debian and Ubuntu archives,
for mirror hosts, and for apt entries with a URI. Hosts under the reserved top-level domains
(.invalid, .example, .test) are samples, not package hosts.

The patterns are written so that this file does not name a host itself ("[.]" for a dot), and
the script first checks that they catch known hosts, assembled from pieces at run time.
    no_package_host_test.py [repository root]"""
import os
import re
import subprocess
import sys

HOST = r"(?P<host>[a-z0-9-]+(?:[.][a-z0-9-]+)+)"
PATTERNS = [
    # The Debian archive and its services.
    re.compile(r"\b(?P<host>(?:[a-z0-9-]+[.])*(?:deb|security|ftp|httpredir|snapshot|archive|incoming|mirrors?)"
               r"(?:[.][a-z0-9-]+)*[.]debian[.]org)\b", re.I),
    # Ubuntu's archives.
    re.compile(r"\b(?P<host>(?:[a-z0-9-]+[.])*(?:archive|security|ports|mirrors?)[.]ubuntu[.]com)\b", re.I),
    # Mirror hosts of any kind: "mirror" or "mirrors", a dot, a domain.
    re.compile(r"\b(?P<host>mirrors?[.][a-z0-9-]+(?:[.][a-z0-9-]+)*[.][a-z]{2,})\b", re.I),
    # Any apt entry with a URI: one-line ("deb [options] uri suite") and deb822 ("URIs: uri").
    re.compile(r"^\s*deb(?:-src)?\s+(?:\[[^]]*\]\s+)?[a-z+]+://" + HOST, re.I | re.M),
    re.compile(r"^\s*URIs:\s*[a-z+]+://" + HOST, re.I | re.M),
]
SAMPLE_DOMAINS = (".invalid", ".example", ".test", ".localhost")


def findings(text):
    found = set()
    for pattern in PATTERNS:
        for match in pattern.finditer(text):
            host = match.group("host").lower()
            if not host.endswith(SAMPLE_DOMAINS):
                found.add((text.count("\n", 0, match.start("host")) + 1, host))
    return sorted(found)


def self_check():
    """The patterns catch real hosts (assembled here, so that this file names none)."""
    dot = "."
    must_catch = [
        "URIs: http://deb" + dot + "debian" + dot + "org/debian",
        "see http://security" + dot + "debian" + dot + "org/debian-security",
        "http://ftp" + dot + "cn" + dot + "debian" + dot + "org/debian",
        "http://cn" + dot + "archive" + dot + "ubuntu" + dot + "com/ubuntu",
        "https://mirrors" + dot + "tuna" + dot + "tsinghua" + dot + "edu" + dot + "cn/debian",
        "deb [arch=amd64] https://packages" + dot + "vendor" + dot + "com/apt stable main",
    ]
    must_pass = ["URIs: http://mirror-a.invalid/debian", "MirrorSelection(list, other)",
                 "the same mirrors as the machine's own binary entries", "deb http://local.test/repo ./"]
    ok = True
    for text in must_catch:
        if not findings(text):
            print(f"no_package_host: the patterns miss {text!r}", file=sys.stderr)
            ok = False
    for text in must_pass:
        if findings(text):
            print(f"no_package_host: the patterns wrongly catch {text!r}", file=sys.stderr)
            ok = False
    return ok


def repository_files(root):
    try:
        listed = subprocess.run(["git", "-C", root, "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                                capture_output=True, check=True).stdout
        return [os.path.join(root, name) for name in listed.decode().split("\0") if name]
    except (OSError, subprocess.CalledProcessError):
        files = []
        for folder, subfolders, names in os.walk(root):
            subfolders[:] = [d for d in subfolders if d not in (".git", "build")]
            files += [os.path.join(folder, name) for name in names]
        return files


def main():
    root = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
    if not self_check():
        return 1
    found = 0
    files = repository_files(root)
    for path in files:
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            continue
        if b"\0" in data:
            continue  # binary
        for line, host in findings(data.decode("utf-8", errors="replace")):
            print(f"{os.path.relpath(path, root)}:{line}: names the package host {host}")
            found += 1
    if found:
        print(f"no_package_host: {found} package host(s) named; derive them from the machine's apt configuration")
        return 1
    print(f"no_package_host: {len(files)} files, no package host named")
    return 0


if __name__ == "__main__":
    sys.exit(main())

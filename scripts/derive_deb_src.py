#!/usr/bin/env python3
"""Derives deb-src entries (deb822) from the machine's own enabled binary apt entries.

    derive_deb_src.py [apt-dir] [own-file]            prints the entries
    derive_deb_src.py --write <apt-dir> <own-file>    writes them into own-file when it differs,
                                                      prints "written", "unchanged" or "removed"

Reads <apt-dir>/sources.list and <apt-dir>/sources.list.d/*.list|*.sources (apt-dir defaults to
/etc/apt), keeps every enabled "deb" entry and gives it a "deb-src" twin with the same URIs,
suites, components, signing keys and trust options, so that source packages come from whatever
mirror the machine already uses. Binary entries whose sources are already offered (a deb822
stanza of "Types: deb deb-src", or a deb-src entry for the same URI and suite) get no twin.
own-file (the file set-up writes) is never read as input. Exits with 2 when the configuration
has no enabled binary entry at all."""
import glob
import os
import sys

# Fields of a binary entry that a source entry does not take over (deb822 names, lower case).
NOT_CARRIED = {"types", "enabled", "architectures", "languages", "targets"}
# One-line options carried over as deb822 fields; the others concern binary indexes only.
ONE_LINE_OPTIONS = {"signed-by": "Signed-By", "trusted": "Trusted", "allow-insecure": "Allow-Insecure",
                    "allow-weak": "Allow-Weak", "allow-downgrade-to-insecure": "Allow-Downgrade-To-Insecure",
                    "check-valid-until": "Check-Valid-Until", "check-date": "Check-Date"}


def deb822_stanzas(text):
    """Stanzas as ordered lists of (field, value lines); comments dropped, folding kept."""
    stanza = []
    for line in text.splitlines() + [""]:
        if line.startswith("#"):
            continue
        if not line.strip():
            if stanza:
                yield stanza
            stanza = []
            continue
        if line[0] in " \t" and stanza:
            stanza[-1][1].append(line)
            continue
        if ":" in line:
            field, value = line.split(":", 1)
            stanza.append((field.strip(), [value.strip()]))


def one_line_entries(text):
    for raw in text.splitlines():
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        kind, *rest = line.split()
        options = []
        if rest and rest[0].startswith("["):
            words = []
            while rest:
                word = rest.pop(0)
                words.append(word)
                if word.endswith("]"):
                    break
            for option in " ".join(words).strip("[] ").split():
                if "=" in option:
                    key, value = option.split("=", 1)
                    if key.lower() in ONE_LINE_OPTIONS:
                        options.append((ONE_LINE_OPTIONS[key.lower()], [value]))
        if len(rest) < 2:
            continue
        fields = [("Types", [kind]), ("URIs", [rest[0]]), ("Suites", [rest[1]])]
        if rest[2:]:
            fields.append(("Components", [" ".join(rest[2:])]))
        yield fields + options


def value(entry, field):
    for name, lines in entry:
        if name.lower() == field:
            return " ".join(part.strip() for part in lines).strip()
    return ""


def pairs(entry):
    """The (URI, suite) pairs an entry covers."""
    return {(uri.rstrip("/"), suite.rstrip("/")) for uri in value(entry, "uris").split()
            for suite in value(entry, "suites").split()}


def read_entries(root, own):
    files = [os.path.join(root, "sources.list")] + sorted(glob.glob(os.path.join(root, "sources.list.d", "*")))
    for path in files:
        if not os.path.isfile(path) or (own and os.path.realpath(path) == os.path.realpath(own)):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        if path.endswith(".sources"):
            yield from deb822_stanzas(text)
        elif path.endswith(".list"):
            yield from one_line_entries(text)


def derive(root, own):
    """(text of the source entries, whether any enabled binary entry exists)."""
    binary, offered = [], set()
    for entry in read_entries(root, own):
        if value(entry, "enabled").lower() == "no":
            continue
        types = value(entry, "types").split()
        if "deb-src" in types:
            offered |= pairs(entry)
        if "deb" in types and "deb-src" not in types:
            binary.append(entry)
    out, seen = [], set()
    for entry in binary:
        key = (value(entry, "uris"), value(entry, "suites"), value(entry, "components"))
        if key in seen or pairs(entry) <= offered:
            continue
        seen.add(key)
        out.append("Types: deb-src")
        for name, lines in entry:
            if name.lower() not in NOT_CARRIED:
                out.append(f"{name}: {lines[0]}".rstrip())
                out.extend(lines[1:])
        out.append("")
    return "\n".join(out), bool(binary)


def main(argv):
    write = argv[:1] == ["--write"]
    if write:
        argv = argv[1:]
        if len(argv) != 2:
            sys.exit("usage: derive_deb_src.py --write <apt-dir> <own-file>")
    root = argv[0] if argv else "/etc/apt"
    own = argv[1] if len(argv) > 1 else ""
    text, any_binary = derive(root, own)
    if not any_binary:
        print(f"derive_deb_src: {root} has no enabled binary (deb) entry to derive a source entry from",
              file=sys.stderr)
        return 2
    if not write:
        sys.stdout.write(text)
        return 0
    old = open(own, encoding="utf-8").read() if os.path.isfile(own) else None
    if not text:
        if old is None:
            print("unchanged")
        else:
            os.remove(own)
            print("removed")
    elif old == text:
        print("unchanged")
    else:
        os.makedirs(os.path.dirname(own) or ".", exist_ok=True)
        with open(own + ".new", "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(own + ".new", own)
        print("written")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/env python3
"""Packs a plugin folder into a .rbz (zip) package as the update server hands it out.

    make_package.py <plugin folder> <output .rbz>

Every folder is listed as a member of its own before the members inside it (the installer
creates one folder level per member), names use "/" and stay ASCII, and the stored dates are
fixed so that the package is the same on every build.
"""
import os
import sys
import zipfile

FIXED_DATE = (2026, 1, 1, 12, 0, 0)


def main():
    source, output = sys.argv[1], sys.argv[2]
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    tmp = output + ".part"
    with zipfile.ZipFile(tmp, "w", compression=zipfile.ZIP_DEFLATED) as z:
        for folder, dirs, files in os.walk(source):
            dirs.sort()
            rel = os.path.relpath(folder, source).replace(os.sep, "/")
            if rel != ".":
                info = zipfile.ZipInfo(rel + "/", FIXED_DATE)
                info.create_system = 0  # attributes are Windows ones
                info.external_attr = 0x10  # FILE_ATTRIBUTE_DIRECTORY
                z.writestr(info, b"")
            for name in sorted(files):
                path = os.path.join(folder, name)
                member = name if rel == "." else rel + "/" + name
                info = zipfile.ZipInfo(member, FIXED_DATE)
                info.compress_type = zipfile.ZIP_DEFLATED
                info.create_system = 0
                info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
                with open(path, "rb") as f:
                    z.writestr(info, f.read())
    os.replace(tmp, output)


if __name__ == "__main__":
    main()

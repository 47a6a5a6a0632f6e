#!/usr/bin/env python3
"""Set-up's source entry (scripts/derive_deb_src.py) on sample apt folders: a machine whose apt
configuration has only binary entries gets a deb-src twin of each, a second run changes nothing,
and apt itself (with its configuration pointed at the sample folder, never at /etc/apt) reads
the result. The sample URIs use the reserved ".invalid" top-level domain."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest

HERE = os.path.dirname(os.path.realpath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "derive_deb_src.py")
OWN = "sources.list.d/quorlen-src.sources"

# A Debian 12 machine as installed: deb822 binary entries only, with comments.
DEB822_ONLY = {
    "sources.list.d/debian.sources": """\
        Types: deb
        # a comment inside a stanza
        URIs: @a@/debian
        Suites: bookworm bookworm-updates
        Components: main contrib
        Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

        Types: deb
        URIs: @a@/debian-security
        Suites: bookworm-security
        Components: main
        Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
        """,
}

DEB822_ONLY_SOURCES = """\
    Types: deb-src
    URIs: @a@/debian
    Suites: bookworm bookworm-updates
    Components: main contrib
    Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

    Types: deb-src
    URIs: @a@/debian-security
    Suites: bookworm-security
    Components: main
    Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
    """



def fill(text):
    """Puts the sample mirrors in (@b@ → mirror-b, @local@ → local) at run time, so that no line of
    this file reads as an apt entry of ours."""
    return re.sub(r"@(\w+)@", lambda m: "http://" + ("" if len(m[1]) > 1 else "mirror-") + m[1] + ".invalid", text)


def run(*args):
    return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True)


class AptFolder:
    def __init__(self, files):
        self.root = tempfile.mkdtemp(prefix="qln-apt-")
        self.apt = os.path.join(self.root, "apt")
        os.makedirs(os.path.join(self.apt, "sources.list.d"))
        for name, text in files.items():
            with open(os.path.join(self.apt, name), "w", encoding="utf-8") as f:
                f.write(fill(textwrap.dedent(text)))

    @property
    def own(self):
        return os.path.join(self.apt, OWN)

    def derive(self):
        return run(self.apt, self.own)

    def write(self):
        return run("--write", self.apt, self.own)

    def remove(self):
        shutil.rmtree(self.root)


class DeriveDebSrcTest(unittest.TestCase):
    def folder(self, files):
        f = AptFolder(files)
        self.addCleanup(f.remove)
        return f

    def test_binary_entries_only_get_twins_and_a_second_run_changes_nothing(self):
        apt = self.folder(DEB822_ONLY)
        first = apt.write()
        self.assertEqual((first.returncode, first.stdout), (0, "written\n"), first.stderr)
        with open(apt.own, encoding="utf-8") as f:
            self.assertEqual(f.read(), fill(textwrap.dedent(DEB822_ONLY_SOURCES)))
        written_at = os.stat(apt.own).st_mtime_ns
        again = apt.write()
        self.assertEqual((again.returncode, again.stdout), (0, "unchanged\n"), again.stderr)
        self.assertEqual(os.stat(apt.own).st_mtime_ns, written_at)

    def test_one_line_entries_keep_their_keys_and_trust_and_skip_comments(self):
        apt = self.folder({"sources.list": """\
            # deb @b@/debian bookworm main
            deb [arch=amd64 signed-by=/usr/share/keyrings/b.gpg] @b@/debian bookworm main non-free  # trailing
            deb [ trusted=yes ] @local@/repo ./
            #deb @c@/debian bookworm main
            """})
        result = apt.derive()
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, fill(textwrap.dedent("""\
            Types: deb-src
            URIs: @b@/debian
            Suites: bookworm
            Components: main non-free
            Signed-By: /usr/share/keyrings/b.gpg

            Types: deb-src
            URIs: @local@/repo
            Suites: ./
            Trusted: yes
            """)))

    def test_disabled_entries_and_binary_only_fields_are_left_out(self):
        apt = self.folder({"sources.list.d/x.sources": """\
            Types: deb
            URIs: @d@/debian
            Suites: bookworm
            Components: main
            Enabled: no

            Types: deb
            URIs: @e@/debian
            Suites: bookworm
            Components: main
            Architectures: amd64 i386
            Languages: zh
            """, "sources.list.d/y.list": "deb @f@/debian bookworm main\n",
            "sources.list.d/z.list.disabled": "deb @g@/debian bookworm main\n"})
        result = apt.derive()
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn("mirror-d", result.stdout)
        self.assertNotIn("mirror-g", result.stdout)
        self.assertNotIn("Architectures", result.stdout)
        self.assertNotIn("Languages", result.stdout)
        self.assertIn(fill("URIs: @e@/debian\n"), result.stdout)
        self.assertIn(fill("URIs: @f@/debian\n"), result.stdout)

    def test_entries_already_offering_sources_get_no_twin(self):
        apt = self.folder({"sources.list.d/both.sources": """\
            Types: deb deb-src
            URIs: @h@/debian
            Suites: bookworm
            Components: main
            """, "sources.list": """\
            deb @i@/debian bookworm main
            deb-src @i@/debian/ bookworm main
            deb @i@/debian bookworm-updates main
            """})
        result = apt.derive()
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, fill(textwrap.dedent("""\
            Types: deb-src
            URIs: @i@/debian
            Suites: bookworm-updates
            Components: main
            """)))

    def test_everything_offered_already_needs_no_file_of_ours(self):
        apt = self.folder({"sources.list": """\
            deb @j@/debian bookworm main
            deb-src @j@/debian bookworm main
            """, OWN: "Types: deb-src\nURIs: @old@/debian\nSuites: bookworm\n"})
        self.assertEqual(apt.write().stdout, "removed\n")
        self.assertFalse(os.path.exists(apt.own))
        self.assertEqual(apt.write().stdout, "unchanged\n")
        self.assertFalse(os.path.exists(apt.own))

    def test_our_own_file_is_not_read_and_a_stale_one_is_replaced(self):
        files = dict(DEB822_ONLY)
        files[OWN] = "Types: deb-src\nURIs: @old@/debian\nSuites: bookworm\nComponents: main\n"
        apt = self.folder(files)
        self.assertEqual(apt.write().stdout, "written\n")
        with open(apt.own, encoding="utf-8") as f:
            self.assertEqual(f.read(), fill(textwrap.dedent(DEB822_ONLY_SOURCES)))

    def test_an_embedded_key_keeps_its_lines(self):
        apt = self.folder({"sources.list.d/k.sources": """\
            Types: deb
            URIs: @k@/debian
            Suites: bookworm
            Components: main
            Signed-By:
             -----BEGIN PGP PUBLIC KEY BLOCK-----
             .
             mDMEZm9vYmFyFgkrBgEEAdpHDwEBB0Cq
             -----END PGP PUBLIC KEY BLOCK-----
            """})
        result = apt.derive()
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(result.stdout.endswith(textwrap.dedent("""\
            Signed-By:
             -----BEGIN PGP PUBLIC KEY BLOCK-----
             .
             mDMEZm9vYmFyFgkrBgEEAdpHDwEBB0Cq
             -----END PGP PUBLIC KEY BLOCK-----
            """)), result.stdout)

    def test_no_binary_entry_is_an_error(self):
        apt = self.folder({"sources.list": "# nothing enabled\n"})
        result = apt.write()
        self.assertEqual(result.returncode, 2)
        self.assertIn("no enabled binary", result.stderr)
        self.assertFalse(os.path.exists(apt.own))

    @unittest.skipUnless(shutil.which("apt-get"), "apt-get not installed")
    def test_apt_reads_the_written_entries(self):
        apt = self.folder(DEB822_ONLY)
        self.assertEqual(apt.write().stdout, "written\n")
        # apt reads only the sample folder: APT_CONFIG moves its whole configuration there, and
        # its state and cache go to the temporary folder. --print-uris fetches nothing.
        for d in ("state/lists/partial", "cache/archives/partial"):
            os.makedirs(os.path.join(apt.root, d))
        config = os.path.join(apt.root, "apt.conf")
        with open(config, "w", encoding="utf-8") as f:
            f.write(f'Dir::Etc "{apt.apt}";\nDir::State "{apt.root}/state";\nDir::Cache "{apt.root}/cache";\n'
                    'Debug::NoLocking "true";\n')
        env = dict(os.environ, APT_CONFIG=config)
        result = subprocess.run(["apt-get", "--print-uris", "update"], capture_output=True, text=True, env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        for suite in ("bookworm", "bookworm-updates"):
            self.assertIn(fill(f"@a@/debian/dists/{suite}/main/source/Sources"), result.stdout)
        self.assertIn(fill("@a@/debian-security/dists/bookworm-security/main/source/Sources"),
                      result.stdout)
        self.assertNotIn("/etc/apt", result.stdout + result.stderr)


if __name__ == "__main__":
    unittest.main()

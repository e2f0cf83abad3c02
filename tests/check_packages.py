#!/usr/bin/env python3
"""Checks the packages that cpack made: the Debian package of a native
release build and the zips of the Windows builds. Their contents are listed
with the system's own tools (dpkg-deb, Python's zipfile) and must match the
lists below exactly; lintian must report no errors; with --install the
package is installed with apt-get and the command on the PATH converts a
sample, then the package is removed again unless it was installed before."""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

import version_block
from checks import Checks

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (path, link target or None) of everything but directories.
DEB_CONTENTS = [
    ("usr/bin/Quenlo", None),
    ("usr/bin/quenlo", "Quenlo"),
    ("usr/share/doc/quenlo/README.md", None),
    ("usr/share/doc/quenlo/changelog.gz", None),
    ("usr/share/doc/quenlo/copyright", None),
    ("usr/share/man/ja/man1/Quenlo.1.gz", None),
    ("usr/share/man/ja/man1/quenlo.1.gz", "Quenlo.1.gz"),
    ("usr/share/man/man1/Quenlo.1.gz", None),
    ("usr/share/man/man1/quenlo.1.gz", "Quenlo.1.gz"),
]
ZIP_CONTENTS = ["LICENSE.txt", "Quenlo.exe", "Quenlo32.exe", "README.txt"]
# The PE machine of each zip's programs.
ZIP_MACHINES = {"win64": 0x8664, "win32": 0x014C}

# memo.txt, with every kind of line break, converted by "quenlo -U".
SAMPLE = os.path.join(ROOT, "samples", "memo.txt")


def cache_value(build, name):
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            if key.split(":")[0] == name:
                return value
    raise SystemExit(f"{name} not in {build}/CMakeCache.txt")


def crlf(data):
    return re.sub(rb"\r?\n", b"\r\n", data)


def license_notice():
    with open(os.path.join(ROOT, "LICENSE"), encoding="utf-8") as f:
        return next(line.strip() for line in f if line.startswith("Copyright "))


def deb_entries(deb):
    """(path, link target) of the package's files, from dpkg-deb -c."""
    listing = subprocess.run(["dpkg-deb", "-c", deb], check=True, stdout=subprocess.PIPE,
                             text=True).stdout
    entries = []
    for line in listing.splitlines():
        mode, path = line[0], line.split(None, 5)[5]
        if mode == "d":
            continue
        target = None
        if mode == "l":
            path, target = path.split(" -> ")
        entries.append((path[2:] if path.startswith("./") else path, target))
    return sorted(entries)


def check_deb(checker, build, version):
    arch = subprocess.run(["dpkg", "--print-architecture"], check=True, stdout=subprocess.PIPE,
                          text=True).stdout.strip()
    debs = glob.glob(os.path.join(build, "*.deb"))
    name = f"quenlo_{version}_{arch}.deb"
    checker.expect("Debian package name", [os.path.basename(deb) for deb in debs], [name])
    deb = os.path.join(build, name)
    if not os.path.exists(deb):
        return None
    checker.expect("Debian package contents", deb_entries(deb), sorted(DEB_CONTENTS))

    lintian = subprocess.run(["lintian", "--fail-on", "error", deb], stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True)
    print(lintian.stdout, end="")
    checker.expect("lintian reports no errors", lintian.returncode, 0)

    with tempfile.TemporaryDirectory(prefix="quenlo-deb-") as tree:
        subprocess.run(["dpkg-deb", "-x", deb, tree], check=True)
        with open(os.path.join(tree, "usr/share/doc/quenlo/copyright"), encoding="utf-8") as f:
            copyright_text = f.read()
        checker.expect("copyright names the notice line",
                       f"Copyright: {license_notice()}\n" in copyright_text, True)
        # Terminals narrower than the usual 80 columns too.
        for page in ["usr/share/man/man1/Quenlo.1.gz", "usr/share/man/ja/man1/Quenlo.1.gz"]:
            for width in ["80", "60"]:
                man = subprocess.run(["man", "--warnings", "-l", os.path.join(tree, page)],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH=width))
                checker.expect(f"{page} at {width} columns: no warnings",
                               man.stderr.decode(errors="replace"), "")
                checker.expect(f"{page} at {width} columns: shows the version",
                               f"Quenlo {version}" in man.stdout.decode(errors="replace"), True)
    return deb


def pe_machine(data):
    pe = int.from_bytes(data[0x3C:0x40], "little")
    if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
        return None
    return int.from_bytes(data[pe + 4:pe + 6], "little")


def check_zip(checker, build, version):
    with open(os.path.join(build, "console", "Quenlo.exe"), "rb") as f:
        machine = pe_machine(f.read())
    kind = next(kind for kind, value in ZIP_MACHINES.items() if value == machine)
    name = f"Quenlo-{version}-{kind}.zip"
    zips = glob.glob(os.path.join(build, "*.zip"))
    checker.expect(f"{kind} zip name", [os.path.basename(z) for z in zips], [name])
    path = os.path.join(build, name)
    if not os.path.exists(path):
        return
    with zipfile.ZipFile(path) as archive:
        checker.expect(f"{name} contents", sorted(archive.namelist()), ZIP_CONTENTS)
        for text, source in [("README.txt", "README.md"), ("LICENSE.txt", "LICENSE")]:
            with open(os.path.join(ROOT, source), "rb") as f:
                checker.expect(f"{name}: {text} is {source} with CR LF", archive.read(text),
                               crlf(f.read()))
        for program in ["Quenlo.exe", "Quenlo32.exe"]:
            checker.expect(f"{name}: {program} machine", pe_machine(archive.read(program)),
                           ZIP_MACHINES[kind])
        numbers, strings = version_block.read_version_block(archive.read("Quenlo32.exe"))
        parts = tuple(int(part) for part in version.split(".")) + (0,) * 4
        checker.expect(f"{name}: Quenlo32.exe version", numbers["product"], parts[:4])
        checker.expect(f"{name}: Quenlo32.exe notice", strings.get("LegalCopyright"),
                       license_notice())


def check_install(checker, deb, version):
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    apt = sudo + ["env", "DEBIAN_FRONTEND=noninteractive", "apt-get", "-y", "-qq",
                  "-o", "DPkg::Lock::Timeout=300"]
    installed_before = subprocess.run(
        ["dpkg-query", "-W", "-f=${Status}", "quenlo"], stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL, text=True).stdout.endswith("ok installed")
    result = subprocess.run(apt + ["install", "--reinstall", os.path.abspath(deb)],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode:
        print(result.stdout)
    checker.expect("apt-get installs the package", result.returncode, 0)
    try:
        checker.expect("quenlo on the PATH", shutil.which("quenlo"), "/usr/bin/quenlo")
        utf8 = dict(os.environ, LC_ALL="C.UTF-8")
        banner = subprocess.run(["quenlo", "-H"], stdout=subprocess.PIPE, env=utf8).stdout
        checker.expect("installed banner", banner.split(b"\n")[0],
                       f"Quenlo Version {version} {license_notice()}".encode())
        with tempfile.TemporaryDirectory(prefix="quenlo-installed-") as work:
            shutil.copy(SAMPLE, os.path.join(work, "memo.txt"))
            with open(SAMPLE, "rb") as f:
                expected = re.sub(rb"\r\n|\r|\n", b"\n", f.read())
            run = subprocess.run(["quenlo", "-U", "memo.txt"], cwd=work, stdout=subprocess.PIPE,
                                 env=utf8)
            checker.expect("quenlo -U memo.txt: output", (run.stdout, run.returncode),
                           (b"memo.txt ... Done.\n", 0))
            with open(os.path.join(work, "memo.txt"), "rb") as f:
                checker.expect("quenlo -U memo.txt: content", f.read(), expected)
            checker.expect("quenlo -U memo.txt: no backup left", sorted(os.listdir(work)),
                           ["memo.txt"])
        # man names the page that the lower-case link points to.
        for lang, page in [("C.UTF-8", "/usr/share/man/man1/Quenlo.1.gz"),
                           ("ja_JP.UTF-8", "/usr/share/man/ja/man1/Quenlo.1.gz")]:
            found = subprocess.run(["man", "-w", "quenlo"], stdout=subprocess.PIPE, text=True,
                                   env=dict(os.environ, LC_ALL=lang, LANGUAGE="")).stdout
            checker.expect(f"man -w quenlo in {lang}", found.strip(), page)
    finally:
        if not installed_before:
            subprocess.run(apt + ["purge", "quenlo"], stdout=subprocess.DEVNULL, check=False)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--deb", metavar="BUILD", help="native release build with its .deb")
    parser.add_argument("--zip", metavar="BUILD", action="append", default=[],
                        help="Windows build with its zip (repeatable)")
    parser.add_argument("--install", action="store_true",
                        help="install the .deb with apt-get and run it from the PATH")
    options = parser.parse_args()

    checker = Checks()
    if options.deb:
        version = cache_value(options.deb, "CMAKE_PROJECT_VERSION")
        deb = check_deb(checker, options.deb, version)
        if options.install and deb:
            check_install(checker, deb, version)
    for build in options.zip:
        check_zip(checker, build, cache_value(build, "CMAKE_PROJECT_VERSION"))
    return checker.summary()


if __name__ == "__main__":
    sys.exit(main())

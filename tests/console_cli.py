#!/usr/bin/env python3
"""Runs the console program on real files and checks every output byte.

Expected texts are encoded here with Python's own cp932 codec, never with
the program's bytes, so a wrong byte on either side shows up.
"""
import argparse
import codecs
import fcntl
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from checks import Checks

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The texts as lines; the banner's {version} is the build's version.
USAGE = [
    "Quenlo Version {version} Copyright (C) 2026 Quenlo developers",
    "Usage : Quenlo [Options] FileName",
    "Options",
    "   -W : 改行 Windows形式(CR+LF) [Default]",
    "   -M : 改行 Mac形式(CR)",
    "   -U : 改行 Unix形式(LF)",
    "   -R : バックアップファイルを残す",
    "   -S : メッセージを非表示",
]
OPTION_ERROR = "オプション指定が間違っています。"
NAME_ERROR = "変換するﾌｧｲﾙ名が正しく指定されていません。"
# After the name of a folder that has the name of the backup or the work file.
NOT_A_FILE_BESIDE = " がﾌｧｲﾙではないため変換しませんでした。"

# Every kind of break, and Shift_JIS text whose bytes must pass untouched.
MEMO = b"one\r\ntwo\nthree\rfour\r\r\n" + "改行ｺｰﾄﾞ\n".encode("cp932") + b"end"
MEMO_CRLF = b"one\r\ntwo\r\nthree\r\nfour\r\n\r\n" + "改行ｺｰﾄﾞ\r\n".encode("cp932") + b"end"
MEMO_CR = MEMO_CRLF.replace(b"\r\n", b"\r")
MEMO_LF = MEMO_CRLF.replace(b"\r\n", b"\n")

# A PNG header: NUL bytes, and CR and LF bytes that are no line breaks.
PNG = b"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x00\x00\x01"
PNG_LF = PNG.replace(b"\r\n", b"\n").replace(b"\r", b"\n")
# 上 is U+4E0A and 」 U+300D: in UTF-16 their bytes are LF and CR bytes.
QUOTE = "「上」\r\n上\r\n」"
BINARY = "NULﾊﾞｲﾄを含むため変換しませんでした。ﾊﾞｲﾅﾘかBOMのないUTF-16の可能性があります。-B を指定すると変換します。"
UTF16_NO_BOM = ("BOMのないUTF-16と思われるため変換しませんでした。-B を指定するとﾌｧｲﾙが壊れます。"
                "BOMを付けるか、BOM付きで保存し直してください。")
# Binary without a NUL byte: a PDF's start, and a control byte text does not use.
PDF = b"%PDF-1.4\r%\xe2\xe3\xcf\xd3\r\n1 0 obj\r<< >>\rendobj\n"
CONTROL = b"one\r\ntwo\x01\r\n"
# Ctrl-Z at the end, as old editors wrote it, is text.
CTRL_Z = b"one\r\ntwo\r\n\x1a"

LOCALE_VARIABLES = ("LC_ALL", "LC_CTYPE", "LANG", "LOCPATH")

# Stands for "(<the system's reason>)" at the end of a line: its words vary
# with the system and its language.
REASON = "\0reason\0"


def done(name):
    return name + " ... Done."


def failure(name, text, reason=False):
    return name + " ... " + text + (REASON if reason else "")


class Form:
    """How the program writes its texts, and the locale that asks for it
    (None: the environment as it is)."""

    def __init__(self, name, encoding, line_end, locale):
        self.name = name
        self.encoding = encoding
        self.line_end = line_end
        self.locale = locale


CP932 = Form("code page 932", "cp932", b"\r\n", {"LC_ALL": "C"})
UTF8 = Form("UTF-8", "utf-8", b"\n", {"LC_ALL": "C.UTF-8"})
# Windows prints code page 932 whatever the locale; its stdout adds the CR.
WINDOWS = Form("Windows", "cp932", b"\r\n", None)


class Checker(Checks):
    def __init__(self, program, runner, version):
        super().__init__()
        self.program = os.path.abspath(program)
        self.runner = runner
        self.version = version
        self.form = CP932
        self.label = self.form.name

    def environment(self, locale=None):
        """The environment for the form's locale (None: as it is)."""
        locale = self.form.locale if locale is None else locale
        if locale is None:
            return None
        env = {k: v for k, v in os.environ.items() if k not in LOCALE_VARIABLES}
        env.update(locale)
        return env

    def run(self, args, cwd, prefix=(), locale=None):
        command = list(prefix) + self.runner + [self.program] + list(args)
        for attempt in range(3):
            # A file, not a pipe: the Wine server that a run starts keeps its
            # standard error open after the program has ended.
            with tempfile.TemporaryFile() as errors:
                result = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=errors,
                                        timeout=120, env=self.environment(locale))
                errors.seek(0)
                said = errors.read()
            # Wine itself now and then loses its server, or under load ends a
            # run before the program says anything although it was not asked
            # to be silent: such a run says nothing of the program, so it is
            # made again. Native runs are taken as they come.
            silent = any(arg.lower() in ("-s", "/s") for arg in args)
            lost = b"wine client error" in said or (
                self.runner and not result.stdout and result.returncode > 0 and not silent)
            if not lost:
                break
            print("  (Wine ended the run before the program spoke; run again)")
            if said:
                print("  " + said.decode("utf-8", "replace").strip().replace("\n", "\n  "))
        return result.stdout, result.returncode

    def output(self, texts, form=None):
        """The bytes the program must print for these lines, or a pattern
        of them where a line ends in the system's reason."""
        form = form or self.form
        data = b"".join(text.replace("{version}", self.version).encode(form.encoding)
                        + form.line_end for text in texts)
        if REASON.encode() not in data:
            return data
        return re.compile(rb"\([^\r\n]+\)".join(map(re.escape, data.split(REASON.encode()))))


class Workspace:
    """A scratch folder holding memo.txt, a folder, and whatever a case adds."""

    def __enter__(self):
        self.path = tempfile.mkdtemp(prefix="quenlo-cli-")
        self.write("memo.txt", MEMO)
        os.mkdir(self.join("folder"))
        return self

    def __exit__(self, *exc):
        # Cases may leave read-only files behind.
        for root, dirs, files in os.walk(self.path):
            for entry in dirs + files:
                path = os.path.join(root, entry)
                if not os.path.islink(path):
                    os.chmod(path, 0o700)
        shutil.rmtree(self.path)

    def join(self, name):
        return os.path.join(self.path, name)

    def write(self, name, data):
        with open(self.join(name), "wb") as f:
            f.write(data)

    def read(self, name):
        if not os.path.lexists(self.join(name)):
            return None
        with open(self.join(name), "rb") as f:
            return f.read()


# Arguments that convert nothing: (case, arguments, output). memo.txt exists.
REFUSALS = [
    ("no arguments", [], USAGE),
    ("-H", ["-H"], USAGE),
    ("-h", ["-h"], USAGE),
    ("-H before a name", ["-H", "memo.txt"], USAGE),
    ("unknown option", ["-x"], [OPTION_ERROR] + USAGE),
    ("-S then a bad option", ["-S", "-x"], []),
    ("a bad option then -S", ["-x", "-S"], [OPTION_ERROR] + USAGE),
    ("two-letter option", ["-WU", "memo.txt"], [OPTION_ERROR] + USAGE),
    ("lone dash", ["-"], [OPTION_ERROR] + USAGE),
    ("option without a name", ["-U"], [OPTION_ERROR] + USAGE),
    ("/?", ["/?"], [OPTION_ERROR] + USAGE),
    ("empty argument last", ["memo.txt", ""], [OPTION_ERROR] + USAGE),
    ("-S and no name", ["-S", "-U"], []),
    ("missing file", ["nothere.txt"], [NAME_ERROR]),
    ("missing file, silent", ["-S", "nothere.txt"], []),
    ("directory", ["folder"], [NAME_ERROR]),
    ("name longer than the field", ["n" * 600], [NAME_ERROR]),
    ("name filling the field", ["n" * 515], [NAME_ERROR]),
    ("name without room for .bak", ["n" * 512], [NAME_ERROR]),
    ("-S then -H", ["-S", "-H"], []),
]

# Conversions of memo.txt: (case, arguments, output lines, content, backup kept).
CONVERSIONS = [
    ("default style", ["memo.txt"], [done("memo.txt")], MEMO_CRLF, False),
    ("-W", ["-W", "memo.txt"], [done("memo.txt")], MEMO_CRLF, False),
    ("-M", ["-M", "memo.txt"], [done("memo.txt")], MEMO_CR, False),
    ("-U", ["-U", "memo.txt"], [done("memo.txt")], MEMO_LF, False),
    ("lower case /u", ["/u", "memo.txt"], [done("memo.txt")], MEMO_LF, False),
    ("option after the name", ["memo.txt", "-m"], [done("memo.txt")], MEMO_CR, False),
    ("last style wins", ["-U", "-M", "-W", "memo.txt"], [done("memo.txt")], MEMO_CRLF, False),
    ("-R keeps the backup", ["-R", "-U", "memo.txt"], [done("memo.txt")], MEMO_LF, True),
    ("-S", ["-S", "-U", "memo.txt"], [], MEMO_LF, False),
    ("empty argument then a name", ["", "memo.txt"], [done("memo.txt")], MEMO_CRLF, False),
]


def utf16le(text):
    return codecs.BOM_UTF16_LE + text.encode("utf-16-le")


def utf16be(text):
    return codecs.BOM_UTF16_BE + text.encode("utf-16-be")


# Files by content: (case, arguments before the name, content, output lines,
# status, content after, backup, same file: neither rewritten nor touched,
# and no backup that is a second link to it).
ENCODINGS = [
    ("NUL byte refused", ["-U"], PNG, [failure("data", BINARY)], 1, PNG, None, True),
    ("NUL byte with /b", ["/b", "-U"], PNG, [done("data")], 0, PNG_LF, None, False),
    ("PDF refused", ["-W"], PDF, [failure("data", BINARY)], 1, PDF, None, True),
    ("control byte refused", ["-U"], CONTROL, [failure("data", BINARY)], 1, CONTROL, None, True),
    ("Ctrl-Z text", ["-U"], CTRL_Z, [done("data")], 0, CTRL_Z.replace(b"\r\n", b"\n"), None, False),
    # FF FE 00 00: UTF-16LE whose first character is U+0000, not UTF-32.
    ("UTF-16LE starting with U+0000", ["-U"], utf16le("\0" + QUOTE), [failure("data", BINARY)], 1,
     utf16le("\0" + QUOTE), None, True),
    ("UTF-16LE without a BOM", ["-U"], QUOTE.encode("utf-16-le"), [failure("data", UTF16_NO_BOM)], 1,
     QUOTE.encode("utf-16-le"), None, True),
    ("UTF-16LE to LF", ["-U"], utf16le(QUOTE), [done("data")], 0,
     utf16le(QUOTE.replace("\r\n", "\n")), None, False),
    ("UTF-16BE to CR", ["-M"], utf16be(QUOTE), [done("data")], 0,
     utf16be(QUOTE.replace("\r\n", "\r")), None, False),
    ("already LF", ["-U"], MEMO_LF, [done("data")], 0, MEMO_LF, None, True),
    ("already LF, -R", ["-R", "-U"], MEMO_LF, [done("data")], 0, MEMO_LF, MEMO_LF, True),
]


def check_encodings(checker):
    old = 1_000_000_000_000_000_000  # 2001, in nanoseconds: a rewrite shows
    for case, args, before, output, status, after, backup, same in ENCODINGS:
        with Workspace() as ws:
            ws.write("data", before)
            os.utime(ws.join("data"), ns=(old, old))
            identity = os.stat(ws.join("data")).st_ino, old, 1
            actual, code = checker.run(args + ["data"], ws.path)
            checker.expect(case + ": output", actual, checker.output(output))
            checker.expect(case + ": status", code, status)
            checker.expect(case + ": content", ws.read("data"), after)
            checker.expect(case + ": backup", ws.read("data.bak"), backup)
            checker.expect(case + ": no work file", ws.read("data.~ql"), None)
            stat = os.stat(ws.join("data"))
            checker.expect(case + ": same file",
                           (stat.st_ino, stat.st_mtime_ns, stat.st_nlink) == identity, same)


def summary(converted, right, binary, failed, check=False):
    head = "変換が必要" if check else "変換"
    return f"{head}: {converted}  変換不要: {right}  ﾊﾞｲﾅﾘのため省略: {binary}  失敗: {failed}"


def would_change(name, crlf, lf, cr):
    return f"{name} ... 変換が必要です。 CR+LF: {crlf}  LF: {lf}  CR: {cr}"


# A tree for -A: (path, content); a folder's hidden entries, a binary file
# and a work file are passed over.
TREE = [("top/a.txt", MEMO), ("top/bin.dat", PNG), ("top/sub/b.txt", MEMO_LF),
        ("top/sub/c.txt", MEMO_CR), ("top/.hidden/h.txt", MEMO), ("top/.h.txt", MEMO),
        ("top/d.txt.~ql", MEMO)]

# Runs over many names: (case, arguments, output lines with "/" for the
# separator, status, the tree's files that change and their content).
MANY = [
    ("names in order, one twice", ["-U", "-A", "top/a.txt", "memo.txt", "./top/a.txt"],
     [done("top/a.txt"), done("memo.txt"), summary(2, 0, 0, 0)], 0,
     {"top/a.txt": MEMO_LF, "memo.txt": MEMO_LF}),
    ("a folder", ["/a", "-U", "top"],
     [done("top/a.txt"), failure("top/bin.dat", BINARY), done("top/sub/b.txt"),
      done("top/sub/c.txt"), summary(2, 1, 1, 0)], 0,
     {"top/a.txt": MEMO_LF, "top/sub/c.txt": MEMO_LF}),
    ("a folder and a file in it", ["-A", "-M", "top/sub", "top/sub/b.txt", "top/sub/c.txt"],
     [done("top/sub/b.txt"), done("top/sub/c.txt"), summary(1, 1, 0, 0)], 0,
     {"top/sub/b.txt": MEMO_CR}),
    ("failures in the middle", ["-U", "-A", "memo.txt", "top/bin.dat", "nothere", "top/a.txt"],
     [done("memo.txt"), failure("top/bin.dat", BINARY), failure("nothere", NAME_ERROR),
      done("top/a.txt"), summary(2, 0, 0, 2)], 1,
     {"top/a.txt": MEMO_LF, "memo.txt": MEMO_LF}),
    ("silent", ["-S", "-A", "top"], [], 0,
     {"top/a.txt": MEMO_CRLF, "top/sub/b.txt": MEMO_CRLF, "top/sub/c.txt": MEMO_CRLF}),
    ("check", ["-U", "-C", "-A", "top", "memo.txt"],
     [would_change("top/a.txt", 2, 2, 2), would_change("top/sub/c.txt", 0, 0, 6),
      would_change("memo.txt", 2, 2, 2), summary(3, 1, 1, 0, check=True)], 1, {}),
    ("check, all right", ["-U", "-C", "-A", "top/sub/b.txt"],
     [summary(0, 1, 0, 0, check=True)], 0, {}),
    ("info", ["-I", "-A", "top"],
     ["2 2 2 bytes mixed top/a.txt", "1 1 1 binary mixed top/bin.dat",
      "0 6 0 bytes lf top/sub/b.txt", "0 0 6 bytes cr top/sub/c.txt"], 0, {}),
]


def check_many(checker):
    sep = "\\" if checker.form is WINDOWS else "/"
    for case, args, output, status, changed in MANY:
        with Workspace() as ws:
            for path, data in TREE:
                os.makedirs(os.path.dirname(ws.join(path)), exist_ok=True)
                ws.write(path, data)
            if checker.form is not WINDOWS:
                os.symlink("a.txt", ws.join("top/link.txt"))
            names = [arg if arg[0] in "-/" else arg.replace("/", sep) for arg in args]
            actual, code = checker.run(names, ws.path)
            checker.expect(case + ": output", actual,
                           checker.output([line.replace("/", sep) for line in output]))
            if checker.form is not WINDOWS:
                checker.expect(case + ": link left", os.readlink(ws.join("top/link.txt")), "a.txt")
            checker.expect(case + ": status", code, status)
            for path, data in TREE + [("memo.txt", MEMO)]:
                checker.expect(f"{case}: {path}", ws.read(path), changed.get(path, data))
            checker.expect(case + ": no backup", [f for _, _, files in os.walk(ws.path)
                                                  for f in files if f.endswith(".bak")], [])


def check_many_groups(checker):
    """More files than one flush takes at once: each is converted, once."""
    with Workspace() as ws:
        for i in range(300):
            ws.write(f"folder/{i:03}.txt", MEMO)
        actual, code = checker.run(["-U", "-A", "folder"], ws.path)
        checker.expect("many groups: summary", actual.endswith(
            checker.output([summary(300, 0, 0, 0)])), True)
        checker.expect("many groups: status", code, 0)
        checker.expect("many groups: all converted",
                       all(ws.read(f"folder/{i:03}.txt") == MEMO_LF for i in range(300)), True)
        checker.expect("many groups: nothing left", len(os.listdir(ws.join("folder"))), 300)


def breaks(data):
    """The reference count: CR LF, LF and CR by code unit after a UTF-16 or
    UTF-32 BOM and by byte otherwise; the encoding; the style."""
    boms = [(codecs.BOM_UTF32_LE, "utf-32-le", "utf-32le"), (codecs.BOM_UTF32_BE, "utf-32-be", "utf-32be"),
            (codecs.BOM_UTF16_LE, "utf-16-le", "utf-16le"), (codecs.BOM_UTF16_BE, "utf-16-be", "utf-16be")]
    text, encoding = data.decode("latin-1"), "bytes"
    for bom, codec, name in boms:
        if data.startswith(bom):
            text, encoding = data[len(bom):].decode(codec, "surrogatepass"), name
            break
    else:
        if b"\0" in data:
            encoding = "binary"
        elif data.startswith(codecs.BOM_UTF8):
            encoding = "utf-8-bom"
    crlf = text.count("\r\n")
    counts = (crlf, text.count("\n") - crlf, text.count("\r") - crlf)
    kinds = [style for style, n in zip(("crlf", "lf", "cr"), counts) if n]
    return counts, encoding, kinds[0] if len(kinds) == 1 else "mixed" if kinds else "none"


# Contents for -C and -I against the reference count.
COUNTED = [("memo", MEMO), ("memo LF", MEMO_LF), ("memo CR LF", MEMO_CRLF), ("empty", b""),
           ("lone CR at the end", b"a\r\nb\r"), ("binary", PNG), ("UTF-16LE", utf16le(QUOTE)),
           ("UTF-16BE", utf16be(QUOTE + "\n")), ("UTF-8 BOM", codecs.BOM_UTF8 + MEMO_CR),
           ("UTF-32LE", codecs.BOM_UTF32_LE + "a\r\nb\n".encode("utf-32-le"))]


def check_counts(checker):
    for case, data in COUNTED:
        (crlf, lf, cr), encoding, style = breaks(data)
        for option, target in [("-W", "crlf"), ("-U", "lf"), ("-M", "cr")]:
            with Workspace() as ws:
                ws.write("data", data)
                wrong = style not in (target, "none")
                actual, status = checker.run([option, "-C", "data"], ws.path)
                lines = ([failure("data", BINARY)] if encoding == "binary"
                         else [would_change("data", crlf, lf, cr)] if wrong else [])
                right = 0 if lines else 1
                lines.append(summary(int(wrong and encoding != "binary"), right, 0,
                                     int(encoding == "binary"), check=True))
                checker.expect(f"{case}, -C {option}: output", actual, checker.output(lines))
                checker.expect(f"{case}, -C {option}: status", status,
                               1 if wrong or encoding == "binary" else 0)
                checker.expect(f"{case}, -C {option}: unchanged", ws.read("data"), data)
        with Workspace() as ws:
            ws.write("data", data)
            actual, status = checker.run(["-I", "data"], ws.path)
            checker.expect(f"{case}, -I: output", actual,
                           checker.output([f"{crlf} {lf} {cr} {encoding} {style} data"]))
            checker.expect(f"{case}, -I: status", status, 0)


def check_refusals(checker):
    for case, args, output in REFUSALS:
        with Workspace() as ws:
            actual, status = checker.run(args, ws.path)
            checker.expect(case + ": output", actual, checker.output(output))
            checker.expect(case + ": status", status, 0)
            checker.expect(case + ": file untouched", ws.read("memo.txt"), MEMO)


def check_conversions(checker):
    for case, args, output, content, keep in CONVERSIONS:
        with Workspace() as ws:
            actual, status = checker.run(args, ws.path)
            checker.expect(case + ": output", actual, checker.output(output))
            checker.expect(case + ": status", status, 0)
            checker.expect(case + ": content", ws.read("memo.txt"), content)
            checker.expect(case + ": backup", ws.read("memo.txt.bak"), MEMO if keep else None)


def check_files(checker):
    with Workspace() as ws:
        ws.write("a.txt", b"a\n")
        ws.write("b.txt", b"b\n")
        actual, _ = checker.run(["a.txt", "b.txt"], ws.path)
        checker.expect("last name wins: output", actual, checker.output([done("b.txt")]))
        checker.expect("last name wins: first untouched", ws.read("a.txt"), b"a\n")
        checker.expect("last name wins: second converted", ws.read("b.txt"), b"b\r\n")

    with Workspace() as ws:
        ws.write("memo.txt.bak", b"stale")
        checker.run(["-R", "-U", "memo.txt"], ws.path)
        checker.expect("stale backup replaced", ws.read("memo.txt.bak"), MEMO)
    with Workspace() as ws:
        ws.write("memo.txt.bak", b"stale")
        checker.run(["-U", "memo.txt"], ws.path)
        checker.expect("stale backup removed", ws.read("memo.txt.bak"), None)

    with Workspace() as ws:
        ws.write("empty.txt", b"")
        actual, _ = checker.run(["empty.txt"], ws.path)
        checker.expect("empty file: output", actual, checker.output([done("empty.txt")]))
        checker.expect("empty file: content", ws.read("empty.txt"), b"")
        checker.expect("empty file: no backup", ws.read("empty.txt.bak"), None)


def check_posix_only(checker):
    with Workspace() as ws:
        name = ws.join("memo.txt")
        actual, _ = checker.run(["-U", name], ws.path)
        checker.expect("absolute path: output", actual, checker.output([done(name)]))
        checker.expect("absolute path: content", ws.read("memo.txt"), MEMO_LF)

    # A folder under the backup's name: it is named, and nothing is touched.
    for silent in (False, True):
        with Workspace() as ws:
            os.mkdir(ws.join("memo.txt.bak"))
            actual, status = checker.run(["-S"] * silent + ["memo.txt"], ws.path)
            case = "folder as the backup" + (", silent" if silent else "")
            named = failure("memo.txt", ws.join("memo.txt.bak") + NOT_A_FILE_BESIDE)
            checker.expect(case + ": output", actual, b"" if silent else checker.output([named]))
            checker.expect(case + ": status", status != 0, True)
            checker.expect(case + ": file untouched", ws.read("memo.txt"), MEMO)

    # A file size limit stops the write half-way: the file stays whole, and
    # the line ends in the system's reason.
    with Workspace() as ws:
        big = b"0123456789abcdef0123456789abcde\n" * 65536  # 2 MiB of LF lines
        ws.write("big.txt", big)
        limit = ["bash", "-c", 'ulimit -f 1024 && exec "$@"', "limit"]
        actual, status = checker.run(["big.txt"], ws.path, prefix=limit)
        checker.expect("file size limit: output", actual,
                       checker.output([failure("big.txt", "書き込みに失敗しました。" + UNCHANGED,
                                               reason=True)]))
        checker.expect("file size limit: status", status != 0, True)
        checker.expect("file size limit: content", ws.read("big.txt") == big, True)
        checker.expect("file size limit: no backup", ws.read("big.txt.bak"), None)

    with Workspace() as ws:
        os.chmod(ws.join("memo.txt"), 0o755)
        os.symlink("memo.txt", ws.join("link.txt"))
        actual, _ = checker.run(["-U", "link.txt"], ws.path)
        checker.expect("symbolic link: output", actual, checker.output([done("link.txt")]))
        checker.expect("symbolic link: target converted", ws.read("memo.txt"), MEMO_LF)
        checker.expect("symbolic link: still a link", os.path.islink(ws.join("link.txt")), True)
        checker.expect("symbolic link: mode kept", os.stat(ws.join("memo.txt")).st_mode & 0o777, 0o755)

    # The name is printed as given, whatever its bytes and the texts' form.
    for name in ["メモ.txt".encode("utf-8"), "メモ.txt".encode("cp932")]:
        with Workspace() as ws:
            with open(os.path.join(os.fsencode(ws.path), name), "wb") as f:
                f.write(MEMO)
            actual, _ = checker.run([b"-U", name], ws.path)
            checker.expect(f"name {name!r}: output", actual, name + checker.output([" ... Done."]))

    with Workspace() as ws:
        os.mkfifo(ws.join("fifo"))
        actual, _ = checker.run(["fifo"], ws.path)
        checker.expect("FIFO refused", actual, checker.output([NAME_ERROR]))


def check_locales(checker):
    """The locale's character set picks the form: LC_ALL, then LC_CTYPE, then LANG."""
    with tempfile.TemporaryDirectory(prefix="quenlo-locales-") as locales:
        # No system ships a Shift_JIS locale ready-made; glibc warns but builds one.
        subprocess.run(["localedef", "-c", "--no-warnings=ascii", "-i", "ja_JP", "-f", "SHIFT_JIS",
                        os.path.join(locales, "ja_JP.SJIS")],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        checker.expect("Shift_JIS locale made", os.path.isdir(os.path.join(locales, "ja_JP.SJIS")),
                       True)
        cases = [
            ("nothing set", {}, CP932),
            ("LANG=C", {"LANG": "C"}, CP932),
            ("LC_ALL=POSIX", {"LC_ALL": "POSIX"}, CP932),
            ("Shift_JIS", {"LANG": "ja_JP.SJIS", "LOCPATH": locales}, CP932),
            ("LANG=C.UTF-8", {"LANG": "C.UTF-8"}, UTF8),
            ("LANG=C.utf8", {"LANG": "C.utf8"}, UTF8),
            ("LANG=ja_JP.UTF-8", {"LANG": "ja_JP.UTF-8"}, UTF8),
            ("LC_CTYPE over LANG", {"LC_CTYPE": "C.UTF-8", "LANG": "C"}, UTF8),
            ("LC_ALL over LC_CTYPE", {"LC_ALL": "C", "LC_CTYPE": "C.UTF-8"}, CP932),
            ("LC_ALL over LANG", {"LC_ALL": "C.UTF-8", "LANG": "ja_JP.SJIS", "LOCPATH": locales},
             UTF8),
        ]
        for case, locale, form in cases:
            with Workspace() as ws:
                actual, _ = checker.run(["-x"], ws.path, locale=locale)
                checker.expect(f"{case} gives {form.name}", actual,
                               checker.output([OPTION_ERROR] + USAGE, form))


UNCHANGED = "ﾌｧｲﾙは変更していません。"


def wait_for(predicate, seconds=60):
    end = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > end:
            return False
        time.sleep(0.001)
    return True


def check_interruptions(checker):
    """Ctrl+C and its kin stop a long conversion and leave everything as it
    was. The program is paused past the progress line's half second; on a
    terminal the line shows and is then erased, elsewhere stderr stays empty."""
    big = b"0123456789abcdef0123456789abcde\r\n" * (2 << 20)  # 64 MiB
    for sig, terminal in [(signal.SIGINT, True), (signal.SIGTERM, False), (signal.SIGHUP, False)]:
        case = f"{sig.name}{' on a terminal' if terminal else ''}"
        with Workspace() as ws:
            ws.write("big.txt", big)
            ws.write("big.txt.bak", b"old backup")
            master, slave = pty.openpty() if terminal else os.pipe()[::-1]
            process = subprocess.Popen(checker.runner + [checker.program, "-U", "big.txt"],
                                       cwd=ws.path, stdout=subprocess.PIPE, stderr=slave,
                                       env=checker.environment())
            os.close(slave)
            started = wait_for(lambda: os.path.exists(ws.join("big.txt.~ql")))
            process.send_signal(signal.SIGSTOP)
            time.sleep(0.6)
            process.send_signal(signal.SIGCONT)
            shown = b""
            if terminal:
                while b"MiB/s big.txt" not in shown and select.select([master], [], [], 30)[0]:
                    shown += os.read(master, 4096)
            process.send_signal(sig)
            output, _ = process.communicate(timeout=120)
            errors = shown + read_all(master)
            os.close(master)
            checker.expect(case + ": work file seen", started, True)
            checker.expect(case + ": output", output,
                           checker.output([failure("big.txt", "中断しました。" + UNCHANGED)]))
            checker.expect(case + ": status", process.returncode, 130)
            checker.expect(case + ": content", ws.read("big.txt") == big, True)
            checker.expect(case + ": old backup kept", ws.read("big.txt.bak"), b"old backup")
            checker.expect(case + ": no work file", ws.read("big.txt.~ql"), None)
            if terminal:
                checker.expect(case + ": progress shown", b"%   " in errors and b"MiB/s big.txt" in errors, True)
                checker.expect(case + ": progress erased", errors.endswith(b"\r"), True)
            else:
                checker.expect(case + ": nothing on stderr", errors, b"")


def check_interrupted_walk(checker):
    """Ctrl+C in a walk: the files done stay done, the one in progress and
    those after it stay as they were."""
    big = b"0123456789abcdef0123456789abcde\r\n" * (1 << 20)  # 32 MiB
    with Workspace() as ws:
        os.mkdir(ws.join("top"))
        for name, data in [("a.txt", MEMO), ("big.txt", big), ("z.txt", MEMO)]:
            ws.write("top/" + name, data)
        process = subprocess.Popen(checker.runner + [checker.program, "-A", "-U", "top"],
                                   cwd=ws.path, stdout=subprocess.PIPE, env=checker.environment())
        started = wait_for(lambda: os.path.exists(ws.join("top/big.txt.~ql")))
        process.send_signal(signal.SIGINT)
        output, _ = process.communicate(timeout=120)
        checker.expect("interrupted walk: work file seen", started, True)
        checker.expect("interrupted walk: output", output, checker.output(
            [done("top/a.txt"), failure("top/big.txt", "中断しました。" + UNCHANGED),
             "中断しました。 " + summary(1, 0, 0, 0)]))
        checker.expect("interrupted walk: status", process.returncode, 130)
        checker.expect("interrupted walk: done stays done", ws.read("top/a.txt"), MEMO_LF)
        checker.expect("interrupted walk: current as it was", ws.read("top/big.txt") == big, True)
        checker.expect("interrupted walk: rest untouched", ws.read("top/z.txt"), MEMO)
        checker.expect("interrupted walk: nothing left", sorted(os.listdir(ws.join("top"))),
                       ["a.txt", "big.txt", "z.txt"])


def check_ignored_hangup(checker):
    """Under nohup, a hangup does not stop the conversion."""
    big = b"0123456789abcdef0123456789abcde\r\n" * (1 << 20)  # 32 MiB
    with Workspace() as ws:
        ws.write("big.txt", big)
        process = subprocess.Popen(
            checker.runner + [checker.program, "-U", "big.txt"], cwd=ws.path,
            stdout=subprocess.PIPE, env=checker.environment(),
            preexec_fn=lambda: signal.signal(signal.SIGHUP, signal.SIG_IGN))
        started = wait_for(lambda: os.path.exists(ws.join("big.txt.~ql")))
        process.send_signal(signal.SIGHUP)
        output, _ = process.communicate(timeout=120)
        checker.expect("hangup ignored: work file seen", started, True)
        checker.expect("hangup ignored: output", output, checker.output([done("big.txt")]))
        checker.expect("hangup ignored: status", process.returncode, 0)
        checker.expect("hangup ignored: content", ws.read("big.txt") == big.replace(b"\r\n", b"\n"),
                       True)


def read_all(fd):
    data = b""
    while select.select([fd], [], [], 0)[0]:
        try:
            chunk = os.read(fd, 4096)
        except OSError:  # a terminal whose other side closed
            break
        if not chunk:
            break
        data += chunk
    return data


def check_work_files(checker):
    """The work file is the lock: a live one refuses a second run, a stale
    one left by a killed run is replaced."""
    busy = failure("memo.txt", "別の変換がこのﾌｧｲﾙを処理中です。" + UNCHANGED)
    for case, held in [("live work file", True), ("stale work file", False)]:
        with Workspace() as ws:
            ws.write("memo.txt.~ql", b"partial")
            with open(ws.join("memo.txt.~ql"), "rb") as work:
                if held:
                    fcntl.flock(work, fcntl.LOCK_EX)
                actual, status = checker.run(["-U", "memo.txt"], ws.path)
            checker.expect(case + ": output", actual,
                           checker.output([busy if held else done("memo.txt")]))
            checker.expect(case + ": status", status, 1 if held else 0)
            checker.expect(case + ": content", ws.read("memo.txt"), MEMO if held else MEMO_LF)
            checker.expect(case + ": work file", ws.read("memo.txt.~ql"), b"partial" if held else None)


def check_second_run_on_work_file(checker):
    """A second run given a live conversion's work file as its file is
    refused, and the first still ends with exactly the converted file."""
    big = b"0123456789abcdef0123456789abcde\r\n" * (1 << 20)  # 32 MiB
    with Workspace() as ws:
        ws.write("big.txt", big)
        first = subprocess.Popen(checker.runner + [checker.program, "-S", "-U", "big.txt"],
                                 cwd=ws.path, env=checker.environment())
        # Written to, so surely locked: the lock comes right after the file.
        started = wait_for(lambda: os.path.exists(ws.join("big.txt.~ql"))
                           and os.path.getsize(ws.join("big.txt.~ql")) > 0)
        # Paused, so the second run surely meets it live.
        first.send_signal(signal.SIGSTOP)
        actual, status = checker.run(["-M", "big.txt.~ql"], ws.path)
        first.send_signal(signal.SIGCONT)
        first.wait(timeout=120)
        checker.expect("second run on the work file: first seen", started, True)
        checker.expect("second run on the work file: output", actual, checker.output(
            [failure("big.txt.~ql", "別の変換がこのﾌｧｲﾙを処理中です。" + UNCHANGED)]))
        checker.expect("second run on the work file: status", status, 1)
        checker.expect("second run on the work file: first done", first.returncode, 0)
        checker.expect("second run on the work file: content exact",
                       ws.read("big.txt") == big.replace(b"\r\n", b"\n"), True)
        checker.expect("second run on the work file: nothing left",
                       sorted(os.listdir(ws.path)), ["big.txt", "folder", "memo.txt"])


ATTACKER = r"""
import ctypes, os, sys, time
libc = ctypes.CDLL(None, use_errno=True)
a, b, stop = (os.fsencode(x) for x in sys.argv[1:4])
while not os.path.exists(stop):
    libc.renameat2(-100, a, -100, b, 2)  # RENAME_EXCHANGE
"""


def check_attacker(checker):
    """Another user who can rename entries in the file's folder swaps the
    name, or the folder, with a symbolic link in a tight loop while root
    converts: root reads and writes nothing outside the named file, and
    leaves no copy of another file where that user could read it."""
    if os.geteuid() != 0 or not shutil.which("setpriv"):
        print("SKIP attacker: needs root and setpriv")
        return
    secret = b"root only\r\n" * 1000
    nobody = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
    for case, swap_a, swap_b, name in [("name swapped", "u/d/att.txt", "u/d/att.lnk", "u/d/att.txt"),
                                       ("folder swapped", "u/d", "u/dl", "u/d/secret.txt")]:
        with Workspace() as ws:
            os.makedirs(ws.join("u/d"))
            os.mkdir(ws.join("root"))
            os.chmod(ws.join("root"), 0o700)
            ws.write("root/secret.txt", secret)
            ws.write("root/secret.txt.bak", b"old backup")
            os.chmod(ws.join("root/secret.txt"), 0o600)
            ws.write(name, MEMO)
            os.symlink(ws.join("root/secret.txt"), ws.join("u/d/att.lnk"))
            os.symlink(ws.join("root"), ws.join("u/dl"))
            # That user's own folders and links.
            for entry in ("u", "u/d", "u/d/att.lnk", "u/dl"):
                os.lchown(ws.join(entry), 65534, 65534)
            os.chmod(ws.path, 0o755)
            before = os.stat(ws.join("root/secret.txt"))
            attacker = subprocess.Popen(nobody + [sys.executable, "-c", ATTACKER, ws.join(swap_a),
                                                  ws.join(swap_b), ws.join("stop")])
            try:
                for run in range(40):
                    checker.run(["-S", "-W" if run % 2 else "-U", name], ws.path)
            finally:
                ws.write("stop", b"")
                attacker.wait(timeout=60)
            after = os.stat(ws.join("root/secret.txt"))
            checker.expect(case + ": other file untouched",
                           (ws.read("root/secret.txt") == secret, after.st_ino, after.st_mtime_ns),
                           (True, before.st_ino, before.st_mtime_ns))
            checker.expect(case + ": its backup untouched", ws.read("root/secret.txt.bak"),
                           b"old backup")
            checker.expect(case + ": nothing added beside it", sorted(os.listdir(ws.join("root"))),
                           ["secret.txt", "secret.txt.bak"])
            # The loop may have stopped with the folder swapped.
            own = "u/dl" if os.path.islink(ws.join("u/d")) else "u/d"
            copies = [entry for entry in os.listdir(ws.join(own))
                      if not os.path.islink(ws.join(own + "/" + entry))
                      and b"root only" in (ws.read(own + "/" + entry) or b"")]
            checker.expect(case + ": no copy where that user reads", copies, [])


def check_closed_stdout(checker):
    """A reader that went away does not turn a finished conversion into a
    death by SIGPIPE."""
    with Workspace() as ws:
        read_end, write_end = os.pipe()
        os.close(read_end)
        status = subprocess.run(checker.runner + [checker.program, "-U", "memo.txt"], cwd=ws.path,
                                stdout=write_end, stderr=subprocess.DEVNULL, timeout=120,
                                env=checker.environment()).returncode
        os.close(write_end)
        checker.expect("closed stdout: status", status, 0)
        checker.expect("closed stdout: content", ws.read("memo.txt"), MEMO_LF)


def check_owner_kept(checker):
    """A file the new content could not give its owner to stays as it was."""
    if os.geteuid() != 0 or not shutil.which("setpriv"):
        print("SKIP owner kept: needs root and setpriv")
        return
    with Workspace() as ws:
        os.chmod(ws.path, 0o1777)
        os.chmod(ws.join("memo.txt"), 0o666)
        nobody = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
        actual, status = checker.run(["-U", "memo.txt"], ws.path, prefix=nobody)
        checker.expect("owner not kept: output", actual, checker.output(
            [failure("memo.txt", "ﾌｧｲﾙの所有者とグループを保てません。" + UNCHANGED, reason=True)]))
        checker.expect("owner not kept: status", status, 1)
        checker.expect("owner not kept: content", ws.read("memo.txt"), MEMO)
        checker.expect("owner not kept: owner", os.stat(ws.join("memo.txt")).st_uid, 0)
        checker.expect("owner not kept: no work file", ws.read("memo.txt.~ql"), None)

    # A folder on the way that may only be passed through.
    with Workspace() as ws:
        os.makedirs(ws.join("pass/own"))
        ws.write("pass/own/memo.txt", MEMO)
        for entry in ("pass/own", "pass/own/memo.txt"):
            os.chown(ws.join(entry), 65534, 65534)
        os.chmod(ws.join("pass"), 0o711)
        os.chmod(ws.path, 0o755)
        nobody = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
        actual, status = checker.run(["-U", ws.join("pass/own/memo.txt")], ws.path, prefix=nobody)
        checker.expect("folder only passed: output", actual,
                       checker.output([done(ws.join("pass/own/memo.txt"))]))
        checker.expect("folder only passed: content", ws.read("pass/own/memo.txt"), MEMO_LF)

    # Another user's link is not followed, as other refusals of a name.
    with Workspace() as ws:
        os.symlink("memo.txt", ws.join("link.txt"))
        os.lchown(ws.join("link.txt"), 65534, 65534)
        actual, status = checker.run(["-U", "link.txt"], ws.path)
        checker.expect("other user's link: output", actual, checker.output(
            [failure("link.txt", "他のﾕｰｻﾞｰのﾘﾝｸはたどりません。" + UNCHANGED)]))
        checker.expect("other user's link: status", status, 0)
        checker.expect("other user's link: content", ws.read("memo.txt"), MEMO)


def check_flush_order(checker):
    """The system's own calls: the work file flushed before the rename onto
    the name, the folder flushed after it."""
    if not shutil.which("strace"):
        print("SKIP flush order: needs strace")
        return
    with Workspace() as ws:
        trace = ws.join("trace")
        # The leak checker of sanitised builds cannot run under ptrace.
        prefix = ["env", "ASAN_OPTIONS=detect_leaks=0", "strace", "-f", "-qq", "-o", trace,
                  "-e", "trace=fsync,fdatasync,renameat,renameat2"]
        checker.run(["-S", "-U", "memo.txt"], ws.path, prefix=prefix)
        with open(trace) as f:
            calls = [line.split(None, 1)[-1] for line in f.read().splitlines()]
        onto = [i for i, call in enumerate(calls)
                if call.startswith("renameat") and '"memo.txt.~ql"' in call and '"memo.txt")' in call]
        checker.expect("flush order: one rename onto the name", len(onto), 1)
        if len(onto) != 1:
            return
        folder = re.match(r"renameat2?\((\d+),", calls[onto[0]])[1]
        folder_flush = "fsync(%s)" % folder
        before = [c for c in calls[:onto[0]] if c.startswith("fsync(") and
                  not c.startswith(folder_flush)]
        after = [c for c in calls[onto[0] + 1:] if c.startswith(folder_flush)]
        checker.expect("flush order: the work file flushed before", len(before) > 0, True)
        checker.expect("flush order: the folder flushed after", len(after) > 0, True)
        checker.expect("flush order: content", ws.read("memo.txt"), MEMO_LF)

    # A flush made while a large file is written fails: the final fsync no
    # longer sees that failure, which must still stop the run.
    with Workspace() as ws:
        big = b"0123456789abcdef0123456789abcde\n" * (640 << 10)  # 20 MiB of LF lines
        ws.write("big.txt", big)
        inject = prefix[:5] + ["-o", os.devnull, "-e", "trace=fdatasync",
                               "-e", "inject=fdatasync:error=EIO"]
        actual, status = checker.run(["-W", "big.txt"], ws.path, prefix=inject)
        checker.expect("early flush fails: output", actual, checker.output(
            [failure("big.txt", "ディスクへの書き込みに失敗しました。" + UNCHANGED, reason=True)]))
        checker.expect("early flush fails: status", status, 1)
        checker.expect("early flush fails: content", ws.read("big.txt") == big, True)
        checker.expect("early flush fails: nothing beside", sorted(os.listdir(ws.path)),
                       sorted(["big.txt", "folder", "memo.txt"]))


def check_disk_full(checker):
    """A full disk gets its own message, and the file stays as it was."""
    with Workspace() as ws:
        disk = ws.join("small")
        os.mkdir(disk)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", disk],
                          stderr=subprocess.DEVNULL).returncode != 0:
            print("SKIP disk full: cannot mount a small tmpfs here")
            return
        try:
            text = b"0123456789abcdef0123456789abcde\n" * 20000  # 640 000 bytes, twice that in CRLF
            with open(os.path.join(disk, "big.txt"), "wb") as f:
                f.write(text)
            actual, status = checker.run(["big.txt"], disk)
            checker.expect("disk full: output", actual, checker.output(
                [failure("big.txt", "ディスクの空き容量が足りません。" + UNCHANGED, reason=True)]))
            checker.expect("disk full: status", status, 1)
            with open(os.path.join(disk, "big.txt"), "rb") as f:
                checker.expect("disk full: content", f.read() == text, True)
            checker.expect("disk full: nothing else", os.listdir(disk), ["big.txt"])
        finally:
            subprocess.run(["umount", disk])


# The sources whose texts stand in UTF-8, their code page 932 bytes escaped beside.
TEXT_SOURCES = ["engine/messages/result_messages.cpp", "console/messages.cpp"]
LITERALS = r'((?:"(?:[^"\\]|\\.)*"\s*)+)'
TEXT_PAIR = re.compile(r"\{\s*" + LITERALS + r",\s*" + LITERALS + r"\}")


def literal_bytes(literals):
    """The bytes of adjacent C string literals, UTF-8 with octal escapes."""
    data = b""
    for body in re.findall(r'"((?:[^"\\]|\\.)*)"', literals):
        data += re.sub(rb"\\([0-7]{1,3}|.)",
                       lambda m: bytes([int(m[1], 8)]) if m[1].isdigit() else m[1],
                       body.encode("utf-8"))
    return data


def check_texts(checker):
    """Each text's code page 932 bytes are what Python's cp932 codec makes
    of its UTF-8."""
    for source in TEXT_SOURCES:
        with open(os.path.join(ROOT, source), encoding="utf-8") as f:
            pairs = TEXT_PAIR.findall(f.read())
        checker.expect(source + ": texts found", len(pairs) > 0, True)
        for utf8, cp932 in pairs:
            text = literal_bytes(utf8).decode("utf-8")
            checker.expect(f"{source}: {text}", literal_bytes(cp932), text.encode("cp932"))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", required=True)
    parser.add_argument("--runner", default="", help="command that runs the program, e.g. wine64")
    parser.add_argument("--windows", action="store_true", help="the program is a Windows build")
    parser.add_argument("--holder", help="Windows program that holds a file open (hold_file.exe)")
    parser.add_argument("--version", required=True, help="the version the banner must show")
    options = parser.parse_args()

    checker = Checker(options.program, options.runner.split(), options.version)
    for form in [WINDOWS] if options.windows else [CP932, UTF8]:
        checker.form = form
        checker.label = form.name
        check_refusals(checker)
        check_conversions(checker)
        check_files(checker)
        check_encodings(checker)
        check_many(checker)
        check_many_groups(checker)
        check_counts(checker)
        if not options.windows:
            check_posix_only(checker)
    if options.windows:
        import console_cli_windows
        console_cli_windows.check(checker, Workspace, options.holder)
    else:
        checker.form = CP932
        checker.label = CP932.name
        check_interruptions(checker)
        check_interrupted_walk(checker)
        check_ignored_hangup(checker)
        check_work_files(checker)
        check_closed_stdout(checker)
        check_owner_kept(checker)
        check_disk_full(checker)
        check_flush_order(checker)
        check_second_run_on_work_file(checker)
        check_attacker(checker)
        checker.label = "locale"
        check_locales(checker)
    checker.label = "texts"
    check_texts(checker)
    return checker.summary()


if __name__ == "__main__":
    sys.exit(main())

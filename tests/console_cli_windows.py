"""Windows-only cases of the console program, run by console_cli.py with
--windows: file attributes, patterns, devices and Shift_JIS names."""

import os
import subprocess

from console_cli import MEMO, NAME_ERROR, done

SJIS_TEXT = b"\x95\x5c\r\n\x83\x5c\n"  # 表 and ソ: trail byte 0x5C, the '\' byte
SJIS_TEXT_LF = b"\x95\x5c\n\x83\x5c\n"


def attributes(checker, ws, name):
    """The attribute letters (R, H, ...) that attrib shows for a name."""
    result = subprocess.run(checker.runner + ["cmd", "/c", "attrib", name], cwd=ws.path,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    text = result.stdout.decode("cp932", "replace")
    # "A  R     Z:\path\name": the letters stand before the drive letter.
    return set(text.split(":")[0][:-1].split()) if ":" in text else set()


def set_attribute(checker, ws, name, flag):
    subprocess.run(checker.runner + ["cmd", "/c", "attrib", flag, name], cwd=ws.path,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)


def check_refused_names(checker, Workspace):
    """Names refused before anything is touched: patterns, directories with
    extra attribute bits, devices."""
    cases = [
        ("star pattern", "*.txt"),
        ("question-mark pattern", "memo?txt"),
        ("pattern matching only a directory", "fold*"),
        ("search wildcard <", "memo<"),
        ("search wildcard >", "memo.tx>"),
        ("hidden directory", "hidden"),
        ("read-only directory", "readonly"),
        ("device NUL", "NUL"),
        ("device CON", "CON"),
        ("device name with an extension", "nul.txt"),
    ]
    with Workspace() as ws:
        os.mkdir(ws.join("hidden"))
        set_attribute(checker, ws, "hidden", "+h")
        checker.expect("hidden directory: attribute set", "H" in attributes(checker, ws, "hidden"),
                       True)
        # Wine shows a directory without write permission as read-only.
        os.mkdir(ws.join("readonly"))
        os.chmod(ws.join("readonly"), 0o555)
        checker.expect("read-only directory: attribute set",
                       "R" in attributes(checker, ws, "readonly"), True)

        for case, name in cases:
            before = sorted(os.listdir(ws.path))
            actual, status = checker.run(["-U", name], ws.path)
            checker.expect(case + ": output", actual, checker.output([NAME_ERROR]))
            checker.expect(case + ": status", status, 0)
            checker.expect(case + ": nothing moved", sorted(os.listdir(ws.path)), before)
        checker.expect("refused names: memo.txt untouched", ws.read("memo.txt"), MEMO)


def check_read_only_file(checker, Workspace):
    """The converted file is new and writable; the read-only backup stays."""
    with Workspace() as ws:
        ws.write("locked.txt", b"one\ntwo\n")
        os.chmod(ws.join("locked.txt"), 0o444)
        checker.expect("read-only file: attribute set",
                       "R" in attributes(checker, ws, "locked.txt"), True)

        actual, status = checker.run(["locked.txt"], ws.path)
        checker.expect("read-only file: output", actual, checker.output([done("locked.txt")]))
        checker.expect("read-only file: status", status, 0)
        checker.expect("read-only file: content", ws.read("locked.txt"), b"one\r\ntwo\r\n")
        checker.expect("read-only file: new file writable",
                       "R" in attributes(checker, ws, "locked.txt"), False)
        checker.expect("read-only file: backup stays", ws.read("locked.txt.bak"), b"one\ntwo\n")
        checker.expect("read-only file: backup read-only",
                       "R" in attributes(checker, ws, "locked.txt.bak"), True)

        # The read-only backup cannot be replaced, so the file must stay as it
        # is rather than be rewritten from the stale backup.
        actual, status = checker.run(["-U", "locked.txt"], ws.path)
        checker.expect("read-only stale backup: failure reported", status != 0, True)
        checker.expect("read-only stale backup: file untouched", ws.read("locked.txt"),
                       b"one\r\ntwo\r\n")
        checker.expect("read-only stale backup: backup untouched", ws.read("locked.txt.bak"),
                       b"one\ntwo\n")


def check_shift_jis_names(checker, Workspace):
    """Names pass through the ANSI code page unchanged: trail bytes equal to
    '\\' (表, ソ, 能), half-width katakana, a folder."""
    for name in ["表ソ.txt", "ﾌｧｲﾙ 名.txt", "能力\\予定.txt"]:
        with Workspace() as ws:
            folder, _, base = name.rpartition("\\")
            if folder:
                os.mkdir(ws.join(folder))
            path = os.path.join(folder, base)
            ws.write(path, SJIS_TEXT)
            actual, status = checker.run(["-R", "-U", name], ws.path)
            case = "Shift_JIS name " + name
            checker.expect(case + ": output", actual, checker.output([done(name)]))
            checker.expect(case + ": status", status, 0)
            checker.expect(case + ": content", ws.read(path), SJIS_TEXT_LF)
            checker.expect(case + ": backup", ws.read(path + ".bak"), SJIS_TEXT)


def check(checker, Workspace):
    check_refused_names(checker, Workspace)
    check_read_only_file(checker, Workspace)
    check_shift_jis_names(checker, Workspace)

"""Windows-only cases of the console program, run by console_cli.py with
--windows: file attributes, patterns, devices, Shift_JIS, Unicode and long
names."""

import os
import signal
import subprocess

from console_cli import (MEMO, MEMO_LF, NAME_ERROR, NOT_A_FILE_BESIDE, UNCHANGED, done, failure,
                         summary,
                         wait_for)

SJIS_TEXT = b"\x95\x5c\r\n\x83\x5c\n"  # 表 and ソ: trail byte 0x5C, the '\' byte
SJIS_TEXT_LF = b"\x95\x5c\n\x83\x5c\n"


def hold(checker, cwd, holder, args):
    """Starts the holder; returns it once it holds the file, or the last one
    that said nothing else. Under load Wine now and then loses its server
    before the holder starts: such a start says nothing of the file."""
    for attempt in range(3):
        process = subprocess.Popen(checker.runner + [holder] + args, cwd=cwd,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        said = process.stdout.readline().strip()
        if said or attempt == 2:
            return process, said
        process.communicate(timeout=120)
        print("  (Wine lost the holder before it spoke; start it again)")


def attributes(checker, ws, name):
    """The attribute letters (R, H, ...) that attrib shows for a name."""
    result = subprocess.run(checker.runner + ["cmd", "/c", "attrib", name], cwd=ws.path,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    text = result.stdout.decode("cp932", "replace")
    # "A  R     Z:\path\name": the letters stand before the drive letter.
    return set(text.split(":")[0][:-1].replace(" ", "")) if ":" in text else set()


def set_attributes(ws, name, flags):
    """Sets attributes ("+r", "+h", "+s") where Wine keeps them: read-only as
    no write permission, hidden and system in Samba's user.DOSATTRIB. Wine's
    attrib takes one flag a call, and a second call now and then did not
    take; attributes() still reads them through Wine."""
    path = ws.join(name)
    dos = sum({"+h": 0x2, "+s": 0x4}.get(flag, 0) for flag in flags)
    if dos:
        os.setxattr(path, "user.DOSATTRIB", b"0x%x" % dos)
    if "+r" in flags:
        os.chmod(path, os.stat(path).st_mode & ~0o222)


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
        set_attributes(ws, "hidden", ["+h"])
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
    """The converted file keeps the read-only attribute; its backup goes like
    any other, and a kept read-only backup is replaced by the next run."""
    with Workspace() as ws:
        ws.write("locked.txt", b"one\ntwo\n")
        os.chmod(ws.join("locked.txt"), 0o444)
        checker.expect("read-only file: attribute set",
                       "R" in attributes(checker, ws, "locked.txt"), True)

        actual, status = checker.run(["locked.txt"], ws.path)
        checker.expect("read-only file: output", actual, checker.output([done("locked.txt")]))
        checker.expect("read-only file: status", status, 0)
        checker.expect("read-only file: content", ws.read("locked.txt"), b"one\r\ntwo\r\n")
        checker.expect("read-only file: still read-only",
                       "R" in attributes(checker, ws, "locked.txt"), True)
        checker.expect("read-only file: backup removed", ws.read("locked.txt.bak"), None)

        for style, before, after in [("-M", b"one\r\ntwo\r\n", b"one\rtwo\r"),
                                     ("-U", b"one\rtwo\r", b"one\ntwo\n")]:
            case = "read-only file kept " + style
            actual, status = checker.run(["-R", style, "locked.txt"], ws.path)
            checker.expect(case + ": status", status, 0)
            checker.expect(case + ": content", ws.read("locked.txt"), after)
            checker.expect(case + ": backup", ws.read("locked.txt.bak"), before)
            checker.expect(case + ": backup read-only",
                           "R" in attributes(checker, ws, "locked.txt.bak"), True)
        checker.expect("read-only file: no work file", ws.read("locked.txt.~ql"), None)


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


def check_unicode_names(checker, Workspace, holder):
    """Each name converts exactly the file it names, whatever code page 932
    lacks; messages show such characters as '?'. Every name of one file
    (short, in another case, with trailing dots or spaces, in the system's
    own path forms) finds its one work file, and the file keeps its name."""
    names = ["café.txt", "price¥100.txt", "한국어.txt", "😀memo.txt", "𠮷野家.txt"]
    for name in names:
        with Workspace() as ws:
            ws.write(name, b"a\nb\n")
            ws.write("cafe.txt", b"other\n")
            actual, status = checker.run(["-U", "-R", name], ws.path)
            case = "Unicode name " + name
            checker.expect(case + ": output", actual,
                           name.encode("cp932", "replace") + checker.output([" ... Done."]))
            checker.expect(case + ": status", status, 0)
            checker.expect(case + ": content", ws.read(name), b"a\nb\n")
            checker.expect(case + ": backup", ws.read(name + ".bak"), b"a\nb\n")
            checker.expect(case + ": cafe.txt untouched", ws.read("cafe.txt"), b"other\n")
            actual, status = checker.run(["-W", name], ws.path)
            checker.expect(case + ": converted", ws.read(name), b"a\r\nb\r\n")

    # A full path of well over the classic 260-character limit.
    with Workspace() as ws:
        folder = ws.path
        while len(folder) < 320:
            folder = os.path.join(folder, "long folder name " + str(len(folder)))
            os.mkdir(folder)
        path = os.path.join(folder, "memo.txt")
        with open(path, "wb") as f:
            f.write(b"a\nb")
        windows_path = "Z:" + path.replace("/", "\\")
        actual, status = checker.run(["-R", windows_path], ws.path)
        checker.expect("long path: output", actual, checker.output([done(windows_path)]))
        checker.expect("long path: status", status, 0)
        with open(path, "rb") as f:
            checker.expect("long path: content", f.read(), b"a\r\nb")
        checker.expect("long path: backup", os.path.exists(path + ".bak"), True)

    stored = "longfilename document.txt"
    for alias in ["LONG~3H3.TXT",  # Wine's short name for it
                  "LONGFILENAME DOCUMENT.TXT", stored + ".", stored + " ",
                  "\\\\?\\" + stored, "\\\\.\\" + stored]:
        with Workspace() as ws:
            if alias.startswith("\\\\"):
                alias = alias[:4] + "Z:" + ws.join(alias[4:]).replace("/", "\\")
            ws.write(stored, b"a\nb")
            ws.write(stored + ".~ql", b"partial")
            holding, _ = hold(checker, ws.path, holder, [stored + ".~ql"])
            case = "name " + alias
            held, _ = checker.run(["-R", alias], ws.path)
            holding.communicate(timeout=120)
            actual, _ = checker.run(["-R", alias], ws.path)
            checker.expect(case + ": one work file", held, checker.output(
                [failure(alias, "別の変換がこのﾌｧｲﾙを処理中です。" + UNCHANGED)]))
            checker.expect(case + ": output", actual, checker.output([done(alias)]))
            checker.expect(case + ": names", sorted(os.listdir(ws.path)),
                           sorted(["folder", "memo.txt", stored, stored + ".bak"]))
            checker.expect(case + ": content", ws.read(stored), b"a\r\nb")


def check_names_beside(checker, Workspace):
    """A name of 253 characters converts through a shorter work file name,
    and with -R, whose .bak would pass the limit of 255, is refused; a file
    in a folder called nul is a file; a folder under the name of a set-aside
    backup is left alone, and the line names it."""
    long_name = "n" * 253
    too_long = "ﾌｧｲﾙ名が長すぎてバックアップファイルを作成できません。変換しませんでした。"
    # (case, folder made, name, options, output, content)
    cases = [
        ("253 characters", None, long_name, ["-U"], done(long_name), MEMO_LF),
        ("253 characters with -R", None, long_name, ["-R", "-U"], failure(long_name, too_long),
         MEMO),
        ("folder called nul", "nul", "nul\\memo.txt", ["-U"], done("nul\\memo.txt"), MEMO_LF),
        ("folder called memo.txt.~qb", "memo.txt.~qb", "memo.txt", ["-U"],
         failure("memo.txt", "memo.txt.~qb" + NOT_A_FILE_BESIDE), MEMO),
    ]
    for case, folder, name, options, output, content in cases:
        with Workspace() as ws:
            if folder:
                os.mkdir(ws.join(folder))
            path = name.replace("\\", "/")
            ws.write(path, MEMO)
            where = os.path.dirname(ws.join(path))
            names = sorted(os.listdir(where))
            actual, status = checker.run(options + [name], ws.path)
            # A line names a file by its full path.
            full = "Z:" + ws.path.replace("/", "\\") + "\\"
            checker.expect(case + ": output", actual,
                           checker.output([output.replace("memo.txt.~qb", full + "memo.txt.~qb")]))
            checker.expect(case + ": status", status, 0 if content == MEMO_LF else 1)
            checker.expect(case + ": content", ws.read(path), content)
            checker.expect(case + ": names", sorted(os.listdir(where)), names)
            checker.expect(case + ": folder kept", folder is None or os.path.isdir(ws.join(folder)),
                           True)


def check_held_files(checker, Workspace, holder):
    """A file another program holds open so that it could not be moved, or
    so that it could be written meanwhile, gets its own message before any
    work; a writer that comes during the conversion is refused. A work file
    held by a live conversion refuses a second one; one left by a killed
    conversion is replaced. Nothing else is touched, an old backup neither,
    not even where only the rename onto the file is refused (a reader
    sharing deletion)."""
    in_use = failure("memo.txt", "ﾌｧｲﾙが他のﾌﾟﾛｸﾞﾗﾑで使用中です。" + UNCHANGED, reason=True)
    busy = failure("memo.txt", "別の変換がこのﾌｧｲﾙを処理中です。" + UNCHANGED)
    # (case, held name, holder arguments ([]: its default, None: no holder), options,
    #  output, status, content)
    cases = [
        ("file in use", "memo.txt", [], [], in_use, 1, MEMO),
        ("writer sharing everything", "memo.txt", ["w", "rwd"], [], in_use, 1,
         MEMO + b"more\r\n"),
        ("reader not sharing deletion", "memo.txt", ["r", "rw"], [], in_use, 1, MEMO),
        ("reader sharing deletion", "memo.txt", ["r", "rwd"], [], in_use, 1, MEMO),
        ("reader sharing deletion, -R", "memo.txt", ["r", "rwd"], ["-R"], in_use, 1, MEMO),
        ("live work file", "memo.txt.~ql", [], [], busy, 1, MEMO),
        ("stale work file", "memo.txt.~ql", None, [], done("memo.txt"), 0, MEMO_LF),
    ]
    for case, held_name, holding, options, output, status, content in cases:
        with Workspace() as ws:
            ws.write(held_name, ws.read(held_name) or b"partial")
            ws.write("memo.txt.bak", b"old")
            holder_process = None
            if holding is not None:
                holder_process, said = hold(checker, ws.path, holder, [held_name] + holding)
                checker.expect(case + ": held", said, b"held")
            actual, code = checker.run(options + ["-U", "memo.txt"], ws.path)
            if holder_process:
                holder_process.communicate(timeout=120)
            checker.expect(case + ": output", actual, checker.output([output]))
            checker.expect(case + ": status", code, status)
            checker.expect(case + ": content", ws.read("memo.txt"), content)
            checker.expect(case + ": work file", ws.read("memo.txt.~ql"),
                           b"partial" if held_name != "memo.txt" and holding is not None else None)
            checker.expect(case + ": old backup", ws.read("memo.txt.bak"),
                           None if status == 0 else b"old")
            checker.expect(case + ": nothing set aside", ws.read("memo.txt.~qb"), None)

    # A writer while the file is read: the conversion is paused once it writes.
    with Workspace() as ws:
        big = b"0123456789abcdef0123456789abcde\r\n" * (2 << 20)  # 64 MiB
        ws.write("big.txt", big)
        process = subprocess.Popen(checker.runner + [checker.program, "-U", "big.txt"],
                                   cwd=ws.path, stdout=subprocess.PIPE)
        writing = wait_for(lambda: os.path.exists(ws.join("big.txt.~ql"))
                           and os.path.getsize(ws.join("big.txt.~ql")) > 0)
        process.send_signal(signal.SIGSTOP)
        writer, said = hold(checker, ws.path, holder, ["big.txt", "w", "rwd"])
        writer.communicate(timeout=120)
        process.send_signal(signal.SIGCONT)
        output, _ = process.communicate(timeout=120)
        checker.expect("writer meanwhile: conversion writing", writing, True)
        checker.expect("writer meanwhile: refused", said, b"failed")
        checker.expect("writer meanwhile: output", output, checker.output([done("big.txt")]))
        checker.expect("writer meanwhile: content", ws.read("big.txt") == big.replace(b"\r", b""),
                       True)


def check_attributes_kept(checker, Workspace):
    """Hidden, system and archive attributes stay with the converted file
    (Wine cannot clear the archive attribute, so it is always set here)."""
    for flags in [["+h"], ["+s", "+h"], ["+r", "+s"]]:
        with Workspace() as ws:
            set_attributes(ws, "memo.txt", flags)
            before = attributes(checker, ws, "memo.txt")
            case = "attributes " + " ".join(flags)
            checker.expect(case + ": set", all((flag[1].upper() in before) == (flag[0] == "+")
                                               for flag in flags), True)
            checker.run(["-U", "memo.txt"], ws.path)
            checker.expect(case + ": content", ws.read("memo.txt"), MEMO_LF)
            checker.expect(case + ": kept", attributes(checker, ws, "memo.txt"), before)


def check_patterns_and_hidden(checker, Workspace):
    """With -A a pattern expands, sorted, to the files it matches that are
    neither hidden nor system; a walk passes over hidden and system entries."""
    cases = [
        ("pattern", ["b.txt", "a.txt", "h.txt"], ["*.txt"],
         [done("a.txt"), done("b.txt"), done("memo.txt"), summary(3, 0, 0, 0)], 0),
        ("pattern matching nothing", [], ["none*.txt"],
         [failure("none*.txt", NAME_ERROR), summary(0, 0, 0, 1)], 1),
        ("folder", ["top\\x.txt", "top\\h.txt", "top\\s\\y.txt"], ["top"],
         [done("top\\x.txt"), summary(1, 0, 0, 0)], 0),
    ]
    for case, files, names, output, status in cases:
        with Workspace() as ws:
            os.makedirs(ws.join("top/s"))
            for name in files:
                ws.write(name.replace("\\", "/"), MEMO)
                if name.endswith("h.txt"):
                    set_attributes(ws, name.replace("\\", "/"), ["+h"])
            set_attributes(ws, "top/s", ["+s"])
            actual, code = checker.run(["-U", "-A"] + names, ws.path)
            checker.expect(case + ": output", actual, checker.output(output))
            checker.expect(case + ": status", code, status)
            for name in files:
                left = name.endswith("x.txt") or name in ("a.txt", "b.txt")
                checker.expect(f"{case}: {name}", ws.read(name.replace("\\", "/")),
                               MEMO_LF if left else MEMO)


def check(checker, Workspace, holder):
    check_patterns_and_hidden(checker, Workspace)
    check_refused_names(checker, Workspace)
    check_read_only_file(checker, Workspace)
    check_shift_jis_names(checker, Workspace)
    check_unicode_names(checker, Workspace, holder)
    check_names_beside(checker, Workspace)
    check_held_files(checker, Workspace, holder)
    check_attributes_kept(checker, Workspace)

#!/usr/bin/env python3
"""Times Quenlo against cat on large generated text files.

Makes one text of 40-120 byte lines (ASCII with Shift_JIS runs) in a CRLF
and an LF variant, and from the CRLF file's lines a UTF-16LE text with a BOM
of the same size, then, interleaved in one run, times:

  cat crlf > copy              cat crlf > copy, then fsync(copy)
  Quenlo -R -U crlf            (CRLF -> LF)
  cat lf > copy                cat lf > copy, then fsync(copy)
  Quenlo -R -W lf              (LF -> CRLF)
  cat utf16 > copy             cat utf16 > copy, then fsync(copy)
  Quenlo -R -U utf16           (UTF-16LE CRLF -> LF, by code unit)
  cat lf > /dev/null           reading the file once
  Quenlo -U lf                 (already LF: the file must stay as it is)

Quenlo flushes its output to disk before it reports success and cat does
not, so the fsync'd copy is the like-for-like baseline; both are shown.
A file already right is only read, so reading it with cat is its baseline.
Each converted file is checked byte for byte against the other variant (the
UTF-16 one against the LF text made with Python's codecs); the file already
right must keep its inode, time stamp and bytes.

Then many small files: 10,000 of 1-8 KiB in 100 folders (CRLF; a third with
Shift_JIS text), interleaved:

  Quenlo -A -U top             every file to LF in one process, flushed
  dos2unix <every name>        the same in one process, not flushed
  Quenlo -U <name>, per file   one process a file, on a sample, scaled
  Quenlo -A -C -U top          checking the tree once it is LF
  cat <every name> > /dev/null reading the tree once

Standard library only.
"""

import argparse
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1 << 20
SEED = 1998
# Flushing its output, a conversion must still beat the durable copy.
TIME_BAR = 1.0
# A file already right is read and never written.
READ_BAR = 1.2
MEMORY_BAR_MIB = 4
# Many small files: against dos2unix, which flushes nothing, and against one
# Quenlo process a file; a check against reading every file.
MANY_BAR = 1.5
PER_FILE_FACTOR = 10
CHECK_BAR = 1.5
PER_FILE_SAMPLE = 200
QUENLO_KEYS = ("U", "W", "U16", "kept")

WORDS = (
    "the of and to in is for on with file line text data value error count "
    "return buffer read write open close name path size total index offset "
    "server client request status table record field user config update"
).split()
# Everyday kanji, kana and punctuation, several with a 0x5C trail byte.
JAPANESE = (
    "日本語の文字列を含むテキストファイルです。改行コードを変換します。"
    "表示能力ソフト予定申請、設定値は「有効」で保存されました！"
    "東京都大阪府名古屋市株式会社第一回会議資料添付確認済み"
)
HALF_WIDTH_KANA = "ｱｲｳｴｵｶｷｸｹｺﾌｧｲﾙﾃﾞｰﾀ"


def make_line(rng):
    target = rng.randint(41, 105)
    japanese = rng.random() < 0.35
    parts = []
    size = 0
    while size < target:
        roll = rng.random()
        if japanese and roll < 0.4:
            start = rng.randrange(len(JAPANESE) - 8)
            token = JAPANESE[start:start + rng.randint(2, 8)].encode("cp932")
        elif japanese and roll < 0.45:
            token = rng.choice(HALF_WIDTH_KANA).encode("cp932") * rng.randint(1, 4)
        elif roll < 0.6:
            token = str(rng.randint(0, 99999)).encode("ascii")
        elif roll < 0.65:
            token = rng.choice((b"=", b":", b",", b"(", b")", b"\t", b"-", b";"))
        else:
            token = rng.choice(WORDS).encode("ascii")
        parts.append(token)
        size += len(token) + 1
    return b" ".join(parts)


def write_inputs(crlf_path, lf_path, size):
    """Writes `size` bytes of CRLF text and the same lines with LF; returns the line count."""
    rng = random.Random(SEED)
    pool = [make_line(rng) for _ in range(8192)]
    remaining = size
    lines = 0
    with open(crlf_path, "wb") as crlf, open(lf_path, "wb") as lf:
        while remaining > 0:
            if remaining > MIB:
                chunk = rng.choices(pool, k=4096)
            else:
                line = rng.choice(pool)
                # Close on exactly `size` bytes with a final line that still fits the range.
                if remaining - (len(line) + 2) < 42:
                    line = (b"end of text " * 20)[: remaining - 2]
                chunk = [line]
            body = b"\r\n".join(chunk) + b"\r\n"
            crlf.write(body)
            lf.write(body.replace(b"\r\n", b"\n"))
            remaining -= len(body)
            lines += len(chunk)
    if remaining != 0:
        raise RuntimeError("generated size is off by %d bytes" % -remaining)
    return lines


def write_utf16(crlf_path, utf16_path, lf_path, size):
    """Writes `size` bytes of UTF-16LE with a BOM, the CRLF file's lines, and the same with LF.

    Python's codecs make both, so the check owes nothing to Quenlo's idea of
    a code unit; 名 (U+540D) and 」 (U+300D) put 0x0D bytes inside units.
    """
    remaining = size - 2
    with open(crlf_path, "rb") as source, open(utf16_path, "wb") as crlf16, \
            open(lf_path, "wb") as lf16:
        bom = "\ufeff".encode("utf-16-le")
        crlf16.write(bom)
        lf16.write(bom)
        held = b""
        while remaining > 0:
            block = held + source.read(MIB)
            cut = block.rfind(b"\n") + 1
            if cut == 0:
                raise RuntimeError("the CRLF text is too short for the UTF-16 text")
            held = block[cut:]
            text = block[:cut].decode("cp932")
            # Whole blocks while they fit with room to spare (every character is
            # one unit); line by line near the end.
            if 2 * len(text) + 4096 <= remaining:
                pieces = [text]
            else:
                pieces = [line + "\r\n" for line in text.split("\r\n")[:-1]]
            for piece in pieces:
                # Close on exactly `size` bytes with a final line of 42 characters or more.
                if remaining - 2 * len(piece) < 88:
                    piece = ("end of text " * 20)[: remaining // 2 - 2] + "\r\n"
                units = piece.encode("utf-16-le")
                crlf16.write(units)
                lf16.write(piece.replace("\r\n", "\n").encode("utf-16-le"))
                remaining -= len(units)
                if remaining == 0:
                    break


def same_content(a, b):
    if os.path.getsize(a) != os.path.getsize(b):
        return False
    with open(a, "rb") as fa, open(b, "rb") as fb:
        while True:
            block = fa.read(4 * MIB)
            if block != fb.read(4 * MIB):
                return False
            if not block:
                return True


GNU_TIME = "/usr/bin/time"


class Sample:
    def __init__(self, seconds, cpu, peak_kib=None):
        self.seconds = seconds
        self.cpu = cpu
        self.peak_kib = peak_kib


def timed(argv, stdout, fsync_fd=None, peak_file=None):
    """Runs argv once; wall time covers start-up to exit (and the fsync, if any).

    With peak_file the command runs under GNU time, which reports its peak
    RSS: a child of this Python process would inherit Python's own high-water
    mark through fork and exec, so its rusage is no measure of the command.
    """
    if peak_file:
        argv = [GNU_TIME, "-f", "%M", "-o", peak_file] + argv
    start = time.perf_counter()
    child = subprocess.Popen(argv, stdout=stdout, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)
    if fsync_fd is not None:
        os.fsync(fsync_fd)
    seconds = time.perf_counter() - start
    errors = child.stderr.read().decode(errors="replace")
    child.stderr.close()
    if child.returncode != 0:
        raise RuntimeError("%s exited with %d: %s" % (" ".join(argv), child.returncode, errors))
    peak = None
    if peak_file:
        with open(peak_file) as report:
            peak = int(report.read().split()[-1])
        os.unlink(peak_file)
    return Sample(seconds, usage.ru_utime + usage.ru_stime, peak)


def time_cat(source, copy, with_fsync, peak_file):
    fd = os.open(copy, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        return timed(["cat", source], fd, fd if with_fsync else None, peak_file)
    finally:
        os.close(fd)
        os.unlink(copy)


def time_quenlo(program, option, name, expected, peak_file):
    sample = timed([program, "-R", option, name], subprocess.DEVNULL, peak_file=peak_file)
    backup = name + ".bak"
    if not same_content(name, expected):
        raise RuntimeError("Quenlo %s wrote bytes other than expected" % option)
    os.unlink(name)
    os.rename(backup, name)
    return sample


def time_read(source, peak_file):
    fd = os.open(os.devnull, os.O_WRONLY)
    try:
        return timed(["cat", source], fd, peak_file=peak_file)
    finally:
        os.close(fd)


def time_kept(program, option, name, reference, peak_file):
    """Times Quenlo on a file already in the target style, which it must leave alone."""
    before = os.stat(name)
    sample = timed([program, option, name], subprocess.DEVNULL, peak_file=peak_file)
    after = os.stat(name)
    # The reference is a copy of its own, so a change made in place shows too.
    if ((after.st_ino, after.st_mtime_ns) != (before.st_ino, before.st_mtime_ns)
            or not same_content(name, reference)):
        raise RuntimeError("Quenlo %s rewrote a file that was already right" % option)
    return sample


def settle():
    # Earlier runs' dirty pages must not be written back during the next timing.
    os.sync()
    time.sleep(0.2)


def mib_per_s(size, seconds):
    return size / MIB / seconds


def median_seconds(samples):
    return statistics.median(s.seconds for s in samples)


def report(results, peaks, rows, sizes, lines, args, work):
    print("Quenlo benchmark: line-break conversion against cat")
    print("program    %s" % args.program)
    print("input      %d MiB, %d lines of 40-120 bytes (ASCII; a third carry Shift_JIS text)"
          % (args.size_mib, lines))
    print("           CRLF file %d bytes, LF file %d bytes" % (sizes["crlf"], sizes["lf"]))
    print("           UTF-16LE file %d bytes: a BOM, then the CRLF file's first lines"
          % sizes["utf16"])
    print("work dir   %s (warm page cache; sync before every run)" % work)
    print("runs       %d of each, interleaved; MiB/s = input size / wall time, median (best)"
          % args.reps)
    print("           cpu s is the command's own user + sys; the fsync after cat is not in it")
    print()
    print("%-32s %16s %8s %8s %10s" % ("command", "MiB/s", "wall s", "cpu s", "peak RSS"))
    for label, key, variant in rows:
        samples = results[key]
        wall = median_seconds(samples)
        best = min(s.seconds for s in samples)
        cpu = statistics.median(s.cpu for s in samples)
        peak = "%6.1f MiB" % (peaks[key] / 1024) if key in peaks else "n/a"
        print("%-32s %7.0f (%6.0f) %8.3f %8.3f %10s"
              % (label, mib_per_s(sizes[variant], wall), mib_per_s(sizes[variant], best),
                 wall, cpu, peak))
    # How much of the two cores a run keeps busy: the converter overlaps its
    # reading, converting and writing, or it waits.
    print("CPUs used by Quenlo, median cpu s / median wall s: %s"
          % ", ".join("%s %.2f" % (name, statistics.median(s.cpu for s in results[key])
                                   / median_seconds(results[key]))
                      for name, key in (("-U", "U"), ("-W", "W"), ("-U UTF-16", "U16"),
                                        ("already LF", "kept"))))
    print()
    print("time ratio Quenlo / cat, median wall times (1.00 = as fast as cat, bar %.2f)"
          % TIME_BAR)
    print("%-22s %16s %22s" % ("", "vs cat > copy", "vs cat > copy; fsync"))
    ok = True
    for label, quenlo, cat, cat_sync in (("-U CRLF -> LF", "U", "cat_crlf", "sync_crlf"),
                                         ("-W LF -> CRLF", "W", "cat_lf", "sync_lf"),
                                         ("-U UTF-16 CRLF -> LF", "U16", "cat_utf16",
                                          "sync_utf16")):
        t = median_seconds(results[quenlo])
        plain = t / median_seconds(results[cat])
        synced = t / median_seconds(results[cat_sync])
        # Judged as printed, to two places.
        plain, synced = round(plain, 2), round(synced, 2)
        # The bar is the durable copy: the converter, too, flushes before it is done.
        print("%-22s %10.2f %-5s %16.2f %-5s"
              % (label, plain, "", synced, "ok" if synced <= TIME_BAR else "SLOW"))
        ok = ok and synced <= TIME_BAR
    print()
    print("time ratio Quenlo / cat > /dev/null for a file already right (bar %.2f)" % READ_BAR)
    kept = round(median_seconds(results["kept"]) / median_seconds(results["read_lf"]), 2)
    print("%-22s %10.2f %-5s"
          % ("-U LF left as it is", kept, "ok" if kept <= READ_BAR else "SLOW"))
    ok = ok and kept <= READ_BAR
    print()
    if "U" in peaks:
        peak = max(peaks[key] for key in QUENLO_KEYS) / 1024
        memory_ok = peak < MEMORY_BAR_MIB
        print("Quenlo peak memory %.1f MiB (bar %d MiB): %s"
              % (peak, MEMORY_BAR_MIB, "ok" if memory_ok else "OVER"))
        ok = ok and memory_ok
    else:
        print("Quenlo peak memory not measured: %s is missing" % GNU_TIME)
    print("output check: every converted file equals the other variant byte for byte;")
    print("              the file already right kept its inode, time stamp and bytes")
    return ok


def write_tree(top, files, folders, seed):
    """Writes `files` CRLF texts of 1-8 KiB into `folders` folders; returns
    {path: the same text with LF}."""
    rng = random.Random(seed)
    pool = [make_line(rng) for _ in range(4096)]
    expected = {}
    for index in range(files):
        folder = os.path.join(top, "d%03d" % (index % folders))
        os.makedirs(folder, exist_ok=True)
        target = rng.randint(1024, 8192)
        lines = []
        size = 0
        while size < target:
            line = rng.choice(pool)
            lines.append(line)
            size += len(line) + 2
        path = os.path.join(folder, "f%05d.txt" % index)
        body = b"\r\n".join(lines) + b"\r\n"
        with open(path, "wb") as f:
            f.write(body)
        expected[path] = body.replace(b"\r\n", b"\n")
    return expected


def tree_is(expected):
    for path, data in expected.items():
        with open(path, "rb") as f:
            if f.read() != data:
                return False
    return True


def time_many(args, work):
    """The many-files rows: (rows, ratios ok)."""
    files, folders, reps = (400, 10, 2) if args.quick else (10000, 100, args.many_reps)
    top = os.path.join(work, "tree")
    print("generating %d files ..." % files, file=sys.stderr)
    expected = write_tree(top, files, folders, SEED)
    names = sorted(expected)
    crlf = {path: data.replace(b"\n", b"\r\n") for path, data in expected.items()}
    sample = names[:: max(1, len(names) // PER_FILE_SAMPLE)][:PER_FILE_SAMPLE]
    dos2unix = shutil.which("dos2unix")

    def restore(paths):
        for path in paths:
            with open(path, "wb") as f:
                f.write(crlf[path])

    def run_tree(argv, what):
        restore(names)
        settle()
        sample = timed(argv, subprocess.DEVNULL)
        if not tree_is(expected):
            raise RuntimeError("%s left other bytes than expected" % what)
        return sample.seconds

    def per_file():
        restore(sample)
        settle()
        start = time.perf_counter()
        for path in sample:
            timed([args.program, "-U", path], subprocess.DEVNULL)
        seconds = (time.perf_counter() - start) * len(names) / len(sample)
        if not tree_is({path: expected[path] for path in sample}):
            raise RuntimeError("Quenlo per file left other bytes than expected")
        return seconds

    def check():
        settle()
        return timed([args.program, "-A", "-C", "-U", top], subprocess.DEVNULL).seconds

    def read():
        settle()
        with open(os.devnull, "wb") as null:
            return timed(["cat"] + names, null).seconds

    results = {"many": [], "dos2unix": [], "per_file": [], "check": [], "cat": []}
    for rep in range(reps):
        print("many files, run %d of %d ..." % (rep + 1, reps), file=sys.stderr)
        results["many"].append(run_tree([args.program, "-A", "-U", top], "Quenlo -A"))
        if dos2unix:
            results["dos2unix"].append(run_tree([dos2unix, "-q"] + names, "dos2unix"))
        results["per_file"].append(per_file())
        # Every file is LF now, the sample converted one at a time.
        results["check"].append(check())
        results["cat"].append(read())

    peak = None
    if os.access(GNU_TIME, os.X_OK):
        restore(names)
        settle()
        peak = timed([args.program, "-A", "-U", top], subprocess.DEVNULL,
                     peak_file=os.path.join(work, "peak.txt")).peak_kib
    median = {key: statistics.median(values) for key, values in results.items() if values}
    total = sum(os.path.getsize(name) for name in names)
    print()
    print("many files: %d of 1-8 KiB (CRLF, a third with Shift_JIS) in %d folders, %.1f MiB;"
          % (files, folders, total / MIB))
    print("            median of %d runs; the machine may be shared, so medians only" % reps)
    print("%-44s %8s %10s" % ("command", "wall s", "ms/file"))
    rows = [("Quenlo -A -U top (flushed)", "many"),
            ("dos2unix <all names> (not flushed)", "dos2unix"),
            ("Quenlo -U <name>, one process a file*", "per_file"),
            ("Quenlo -A -C -U top (already LF)", "check"),
            ("cat <all names> > /dev/null", "cat")]
    for label, key in rows:
        if key in median:
            print("%-44s %8.3f %10.3f" % (label, median[key], median[key] * 1000 / files))
    print("* %d files timed, scaled to %d" % (len(sample), files))
    ok = True
    if "dos2unix" in median:
        ratio = round(median["many"] / median["dos2unix"], 2)
        print("Quenlo -A / dos2unix %.2f (bar %.2f): %s"
              % (ratio, MANY_BAR, "ok" if ratio <= MANY_BAR else "SLOW"))
        ok = ok and ratio <= MANY_BAR
    else:
        print("dos2unix is missing: no comparison")
    faster = median["per_file"] / median["many"]
    print("one process a file / Quenlo -A %.1f (at least %d): %s"
          % (faster, PER_FILE_FACTOR, "ok" if faster >= PER_FILE_FACTOR else "SLOW"))
    ratio = round(median["check"] / median["cat"], 2)
    print("Quenlo -A -C / cat %.2f (bar %.2f): %s"
          % (ratio, CHECK_BAR, "ok" if ratio <= CHECK_BAR else "SLOW"))
    memory_ok = True
    if peak is not None:
        memory_ok = peak / 1024 < MEMORY_BAR_MIB
        print("Quenlo -A peak memory %.1f MiB (bar %d MiB): %s"
              % (peak / 1024, MEMORY_BAR_MIB, "ok" if memory_ok else "OVER"))
    return ok and faster >= PER_FILE_FACTOR and ratio <= CHECK_BAR and memory_ok


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", nargs="?",
                        default=os.path.join(root, "build", "release", "console", "Quenlo"),
                        help="the Quenlo program (default: build/release/console/Quenlo)")
    parser.add_argument("--size-mib", type=int, default=256, help="input size (default 256)")
    parser.add_argument("--reps", type=int, default=7, help="runs of each command (default 7)")
    parser.add_argument("--work-dir", help="where the temporary folder goes (default $TMPDIR)")
    parser.add_argument("--quick", action="store_true",
                        help="smoke run for CI: 16 MiB, 3 runs each")
    parser.add_argument("--many-reps", type=int, default=5,
                        help="runs of each many-files command (default 5)")
    parser.add_argument("--only-many", action="store_true", help="only the many-files rows")
    parser.add_argument("--no-many", action="store_true", help="no many-files rows")
    parser.add_argument("--strict", action="store_true",
                        help="exit 1 when a time or memory bar is missed")
    args = parser.parse_args()
    sys.stdout.reconfigure(line_buffering=True)
    if args.quick:
        args.size_mib, args.reps = 16, 3
    if args.size_mib < 1 or args.reps < 1:
        parser.error("--size-mib and --reps must be at least 1")
    args.program = os.path.abspath(args.program)
    if not os.access(args.program, os.X_OK):
        parser.error("no program at %s (build it: cmake --preset release && "
                     "cmake --build --preset release)" % args.program)

    # A SIGTERM still removes the work files.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    if args.work_dir:
        os.makedirs(args.work_dir, exist_ok=True)
    work = tempfile.mkdtemp(prefix="quenlo-bench-", dir=args.work_dir)
    try:
        size = args.size_mib * MIB
        # Five files of about `size` stay (the hard links cost nothing); a copy
        # or a work file comes and goes.
        needed = 6 * size
        if shutil.disk_usage(work).free < needed:
            raise RuntimeError("need %d MiB free in %s" % (needed // MIB, work))
        if args.only_many:
            ok = time_many(args, work)
            return 0 if ok or not args.strict else 1
        crlf = os.path.join(work, "text-crlf.txt")
        lf = os.path.join(work, "text-lf.txt")
        crlf_expected = os.path.join(work, "expected-crlf.txt")
        lf_expected = os.path.join(work, "expected-lf.txt")
        utf16 = os.path.join(work, "text-utf16.txt")
        utf16_expected = os.path.join(work, "expected-utf16-lf.txt")
        lf_kept = os.path.join(work, "expected-lf-kept.txt")
        copy = os.path.join(work, "copy.txt")
        print("generating %d MiB ..." % args.size_mib, file=sys.stderr)
        lines = write_inputs(crlf, lf, size)
        # Hard links: the expected results stay whatever happens to the inputs' names.
        os.link(crlf, crlf_expected)
        os.link(lf, lf_expected)
        shutil.copyfile(lf, lf_kept)
        write_utf16(crlf, utf16, utf16_expected, size)
        sizes = {name: os.path.getsize(path)
                 for name, path in (("crlf", crlf), ("lf", lf), ("utf16", utf16))}
        steps = (
            ("cat_crlf", lambda peak: time_cat(crlf, copy, False, peak)),
            ("sync_crlf", lambda peak: time_cat(crlf, copy, True, peak)),
            ("U", lambda peak: time_quenlo(args.program, "-U", crlf, lf_expected, peak)),
            ("cat_lf", lambda peak: time_cat(lf, copy, False, peak)),
            ("sync_lf", lambda peak: time_cat(lf, copy, True, peak)),
            ("W", lambda peak: time_quenlo(args.program, "-W", lf, crlf_expected, peak)),
            ("cat_utf16", lambda peak: time_cat(utf16, copy, False, peak)),
            ("sync_utf16", lambda peak: time_cat(utf16, copy, True, peak)),
            ("U16", lambda peak: time_quenlo(args.program, "-U", utf16, utf16_expected, peak)),
            ("read_lf", lambda peak: time_read(lf, peak)),
            ("kept", lambda peak: time_kept(args.program, "-U", lf, lf_kept, peak)),
        )
        results = {key: [] for key, _ in steps}
        for rep in range(args.reps):
            print("run %d of %d ..." % (rep + 1, args.reps), file=sys.stderr)
            for key, step in steps:
                settle()
                results[key].append(step(None))
        # Peak memory in a separate run, so the timings carry no wrapper.
        peaks = {}
        if os.access(GNU_TIME, os.X_OK):
            print("memory run ...", file=sys.stderr)
            for key, step in steps:
                settle()
                peaks[key] = step(os.path.join(work, "peak.txt")).peak_kib
        rows = (
            ("cat crlf > copy", "cat_crlf", "crlf"),
            ("cat crlf > copy; fsync copy", "sync_crlf", "crlf"),
            ("Quenlo -R -U crlf (CRLF -> LF)", "U", "crlf"),
            ("cat lf > copy", "cat_lf", "lf"),
            ("cat lf > copy; fsync copy", "sync_lf", "lf"),
            ("Quenlo -R -W lf (LF -> CRLF)", "W", "lf"),
            ("cat utf16 > copy", "cat_utf16", "utf16"),
            ("cat utf16 > copy; fsync copy", "sync_utf16", "utf16"),
            ("Quenlo -R -U utf16 (CRLF -> LF)", "U16", "utf16"),
            ("cat lf > /dev/null", "read_lf", "lf"),
            ("Quenlo -U lf (already LF)", "kept", "lf"),
        )
        ok = report(results, peaks, rows, sizes, lines, args, work)
        if not args.no_many:
            ok = time_many(args, work) and ok
        return 0 if ok or not args.strict else 1
    except RuntimeError as error:
        print("bench: %s" % error, file=sys.stderr)
        return 2
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

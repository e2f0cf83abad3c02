#!/usr/bin/env python3
"""Times Quenlo against cat on a large generated text file.

Makes one text of 40-120 byte lines (ASCII with Shift_JIS runs) in a CRLF
and an LF variant, then, interleaved in one run, times:

  cat crlf > copy              cat crlf > copy, then fsync(copy)
  Quenlo -R -U crlf            (CRLF -> LF)
  cat lf > copy                cat lf > copy, then fsync(copy)
  Quenlo -R -W lf              (LF -> CRLF)

Quenlo flushes its output to disk before it reports success and cat does
not, so the fsync'd copy is the like-for-like baseline; both are shown.
Each converted file is checked against the other variant byte for byte.
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
TIME_BAR = 1.15
MEMORY_BAR_MIB = 4

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
    print()
    print("time ratio Quenlo / cat, median wall times (1.00 = as fast as cat, bar %.2f)"
          % TIME_BAR)
    print("%-16s %16s %22s" % ("", "vs cat > copy", "vs cat > copy; fsync"))
    ok = True
    for label, quenlo, cat, cat_sync in (("-U CRLF -> LF", "U", "cat_crlf", "sync_crlf"),
                                         ("-W LF -> CRLF", "W", "cat_lf", "sync_lf")):
        t = median_seconds(results[quenlo])
        plain = t / median_seconds(results[cat])
        synced = t / median_seconds(results[cat_sync])
        # Judged as printed, to two places.
        plain, synced = round(plain, 2), round(synced, 2)
        print("%-16s %10.2f %-5s %16.2f %-5s"
              % (label, plain, "ok" if plain <= TIME_BAR else "SLOW",
                 synced, "ok" if synced <= TIME_BAR else "SLOW"))
        ok = ok and plain <= TIME_BAR
    print()
    if "U" in peaks:
        peak = max(peaks["U"], peaks["W"]) / 1024
        memory_ok = peak < MEMORY_BAR_MIB
        print("Quenlo peak memory %.1f MiB (bar %d MiB): %s"
              % (peak, MEMORY_BAR_MIB, "ok" if memory_ok else "OVER"))
        ok = ok and memory_ok
    else:
        print("Quenlo peak memory not measured: %s is missing" % GNU_TIME)
    print("output check: every converted file equals the other variant byte for byte")
    return ok


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
        free = shutil.disk_usage(work).free
        if free < 4 * size:
            raise RuntimeError("need %d MiB free in %s" % (4 * size // MIB, work))
        crlf = os.path.join(work, "text-crlf.txt")
        lf = os.path.join(work, "text-lf.txt")
        crlf_expected = os.path.join(work, "expected-crlf.txt")
        lf_expected = os.path.join(work, "expected-lf.txt")
        copy = os.path.join(work, "copy.txt")
        print("generating %d MiB ..." % args.size_mib, file=sys.stderr)
        lines = write_inputs(crlf, lf, size)
        # Hard links: the expected results stay whatever happens to the inputs' names.
        os.link(crlf, crlf_expected)
        os.link(lf, lf_expected)
        sizes = {"crlf": os.path.getsize(crlf), "lf": os.path.getsize(lf)}
        steps = (
            ("cat_crlf", lambda peak: time_cat(crlf, copy, False, peak)),
            ("sync_crlf", lambda peak: time_cat(crlf, copy, True, peak)),
            ("U", lambda peak: time_quenlo(args.program, "-U", crlf, lf_expected, peak)),
            ("cat_lf", lambda peak: time_cat(lf, copy, False, peak)),
            ("sync_lf", lambda peak: time_cat(lf, copy, True, peak)),
            ("W", lambda peak: time_quenlo(args.program, "-W", lf, crlf_expected, peak)),
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
        )
        ok = report(results, peaks, rows, sizes, lines, args, work)
        return 0 if ok or not args.strict else 1
    except RuntimeError as error:
        print("bench: %s" % error, file=sys.stderr)
        return 2
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

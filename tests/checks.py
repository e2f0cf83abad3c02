"""The PASS/FAIL bookkeeping every Python test driver shares."""
import re


class Checks:
    def __init__(self):
        self.failures = 0
        self.label = ""  # shown in brackets before each check's name

    def expect(self, name, actual, expected):
        """Passes when `actual` equals `expected`, or, when that is a compiled
        pattern, when it matches all of `actual`."""
        if self.label:
            name = f"[{self.label}] {name}"
        if isinstance(expected, re.Pattern):
            passed = isinstance(actual, type(expected.pattern)) and bool(expected.fullmatch(actual))
        else:
            passed = actual == expected
        print("PASS" if passed else "FAIL", name)
        if not passed:
            self.failures += 1
            print("  expected:", repr(expected)[:600])
            print("  actual:  ", repr(actual)[:600])
        return passed

    def summary(self):
        """Prints the count and returns the exit status."""
        print(f"{self.failures} failure(s)")
        return 1 if self.failures else 0

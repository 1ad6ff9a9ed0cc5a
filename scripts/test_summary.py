#!/usr/bin/python3
"""The test command's last lines, from CTest's JUnit reports: each skipped
test, grouped by the reason it gave, then the count of every test run.

    test_summary.py GROUP=REPORT.xml...

A skipped test never counts as passed."""
import sys
import xml.etree.ElementTree as ET


def main():
    passed = failed = 0
    skipped = {}  # reason: [group test, ...]
    for argument in sys.argv[1:]:
        group, report = argument.split("=", 1)
        try:
            cases = list(ET.parse(report).getroot().iter("testcase"))
        except (OSError, ET.ParseError):
            print(f"{group}: no report, it did not run to its end")
            failed += 1
            continue
        for case in cases:
            if case.find("skipped") is not None:
                output = (case.findtext("system-out") or "").strip().splitlines()
                reason = output[-1] if output else "no reason given"
                skipped.setdefault(reason, []).append(f"{group} {case.get('name')}")
            elif case.find("failure") is not None or case.get("status") != "run":
                failed += 1
            else:
                passed += 1
    for reason, tests in skipped.items():
        print(f"Skipped, {len(tests)} tests ({reason}):")
        print("  " + ", ".join(tests))
    if not skipped:
        print("Skipped: none")
    print(f"tests: {passed} passed, {failed} failed, {sum(map(len, skipped.values()))} skipped")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

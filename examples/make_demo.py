#!/usr/bin/env python3
"""Writes demo.txt, the bundled example trace: 4 curves, 20,000 rows at a 10 us step.

Curve 0 idles near 500 with a few short excursions above 2000, so marker navigation has
something to find. Deterministic: the same file every run.
"""
import math
import pathlib

ROWS = 20000
MARKERS = (2500, 6200, 9000, 13750, 17400)  # start rows of the excursions on curve 0


def row(n):
    burst = any(m <= n < m + 40 for m in MARKERS)
    pressure = 500 + 120 * math.sin(n / 700) + (1800 * math.sin(math.pi * (n % 40) / 40) if burst else 0)
    if burst and (n % 40) in range(8, 32):
        pressure = max(pressure, 2100 + 10 * (n % 7))
    current = 2.5 * math.sin(2 * math.pi * n / 1000) + 0.3 * math.sin(2 * math.pi * n / 37)
    voltage = 230 + 3 * math.sin(2 * math.pi * n / 5000) - 0.4 * abs(current)
    temp = 21.5 + n / ROWS * 4 + 0.05 * math.sin(n / 13)
    return f"{pressure:.2f}\t{current:.4f}\t{voltage:.3f}\t{temp:.3f}"


def main():
    lines = [
        "Bench recorder export",
        "FileType QDL-RV",
        "DateTime 2026-11-30 14:05:09",
        "Station Test-Bay-3",
        "Operator J.Lindqvist",
        "Curve Pressure kPa 0 0",
        "Curve Current A -4 4",
        "Curve Voltage V 0 0",
        "Curve Temperature degC 20 30",
        "Step 10 us",
        "",
    ]
    lines += [row(n) for n in range(ROWS)]
    out = pathlib.Path(__file__).with_name("demo.txt")
    out.write_text("\n".join(lines) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Prints the hexapod demo's report: for every DOF the largest and the RMS
difference between the commands (the motion file, Posjack's inputs) and what
Jackpos recovered from Posjack's outputs (the chain file), for the pose,
velocity, acceleration and force signals.

Usage: report.py MOTION.csv CHAIN.csv [--seconds S]
With --seconds, the time the chain took, it also prints steps per second.
Standard library only.
"""
import argparse
import csv
import math
import sys

DOFS = ["x", "y", "z", "roll", "pitch", "yaw"]
SIGNALS = [("pose", "mm | deg"), ("velocity", "mm/s | deg/s"),
           ("acceleration", "mm/s^2 | deg/s^2"), ("force", "N | N mm")]


def read(path):
    with open(path, newline="") as f:
        rows = csv.reader(f)
        header = next(rows)
        columns = {name: [] for name in header}
        for row in rows:
            for name, cell in zip(header, row):
                columns[name].append(float(cell))
    return columns


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("motion")
    parser.add_argument("chain")
    parser.add_argument("--seconds", type=float)
    args = parser.parse_args()
    motion, chain = read(args.motion), read(args.chain)
    steps = len(motion["t"])
    worst = 0.0

    print("Commanded (Posjack inputs) against recovered (Jackpos outputs), %d steps:" % steps)
    print("%-13s %-6s %12s %12s %12s %10s" % ("signal", "DOF", "amplitude", "largest", "RMS", "largest/amp"))
    for port, (signal, units) in enumerate(SIGNALS):
        for dof, name in enumerate(DOFS):
            cmd = motion["u%d_%d" % (port, dof)]
            got = chain["Jackpos.y%d_%d" % (port, dof)]
            diff = [b - a for a, b in zip(cmd, got)]
            amplitude = max(abs(v) for v in cmd)
            largest = max(abs(d) for d in diff)
            rms = math.sqrt(sum(d * d for d in diff) / len(diff))
            ratio = largest / amplitude if amplitude else float("inf")
            worst = max(worst, ratio)
            print("%-13s %-6s %12.6g %12.3g %12.3g %10.2g" % (signal if dof == 0 else "", name, amplitude,
                                                              largest, rms, ratio))
    print("(units: %s)" % "; ".join("%s %s" % s for s in SIGNALS))
    print("Largest difference relative to its signal's amplitude: %.2g (bound 1e-9)" % worst)
    if args.seconds:
        print("Chain Posjack -> Jackpos: %d steps in %.3f s, %.0f steps per second "
              "(reading and writing the files included)" % (steps, args.seconds, steps / args.seconds))
    return 0 if worst <= 1e-9 else 1


if __name__ == "__main__":
    sys.exit(main())

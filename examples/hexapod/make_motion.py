#!/usr/bin/env python3
"""Writes the hexapod demo's motion profile: Posjack's four command inputs
(pose, velocity, acceleration and force, one value per DOF x y z roll pitch
yaw) sampled at a fixed rate, as an sfhost signal file.

Every DOF moves on two sines of its own frequencies, so that all six DOFs are
exercised at once and no two move in step. Velocities and accelerations are
the exact derivatives of the pose (Euler-angle rates for roll, pitch and yaw,
as the table's rateType 1 expects). Lengths are in millimetres, angles in
degrees, forces in newtons and moments in newton-millimetres. The pose starts
at zero, where the blocks are prepared.

Standard library only; Python's repr is the shortest text that reads back to
the same double, as sfhost writes its own numbers.
"""
import argparse
import math
import sys

# Per DOF: (amplitude, frequency in Hz) of the two sines.
POSE = [
    ((40.0, 0.50), (12.0, 1.70)),   # x, mm
    ((35.0, 0.65), (10.0, 1.90)),   # y, mm
    ((25.0, 0.80), (8.0, 2.30)),    # z, mm
    ((4.0, 0.55), (1.5, 2.10)),     # roll, deg
    ((3.5, 0.70), (1.2, 1.60)),     # pitch, deg
    ((6.0, 0.45), (2.0, 1.30)),     # yaw, deg
]

# DOF force commands: a constant part (the head's weight on z) and one sine.
FORCE = [
    (0.0, 800.0, 0.9),       # Fx, N
    (0.0, 700.0, 1.1),       # Fy, N
    (4000.0, 1500.0, 0.6),   # Fz, N
    (0.0, 60000.0, 1.3),     # Mx, N mm
    (0.0, 50000.0, 0.75),    # My, N mm
    (0.0, 40000.0, 1.05),    # Mz, N mm
]


def sample(t):
    pos, vel, acc, frc = [], [], [], []
    for (a1, f1), (a2, f2) in POSE:
        w1, w2 = 2 * math.pi * f1, 2 * math.pi * f2
        pos.append(a1 * math.sin(w1 * t) + a2 * math.sin(w2 * t))
        vel.append(a1 * w1 * math.cos(w1 * t) + a2 * w2 * math.cos(w2 * t))
        acc.append(-a1 * w1 * w1 * math.sin(w1 * t) - a2 * w2 * w2 * math.sin(w2 * t))
    for mean, amp, f in FORCE:
        frc.append(mean + amp * math.sin(2 * math.pi * f * t))
    return pos + vel + acc + frc


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seconds", type=float, default=5.0, help="duration (default 5)")
    parser.add_argument("--rate", type=float, default=1000.0, help="samples per second (default 1000)")
    parser.add_argument("--output", "-o", help="output file (default standard output)")
    args = parser.parse_args()

    steps = int(round(args.seconds * args.rate))
    header = ["t"] + ["u%d_%d" % (port, dof) for port in range(4) for dof in range(6)]
    out = open(args.output, "w", newline="\n") if args.output else sys.stdout
    with out:
        out.write(",".join(header) + "\n")
        for k in range(steps):
            t = k / args.rate
            out.write(",".join(repr(v) for v in [t] + sample(t)) + "\n")


if __name__ == "__main__":
    main()

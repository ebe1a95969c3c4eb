#!/usr/bin/env python3
"""Floating-point operations of one Jackpos and one Posjack output step,
counted from the algorithms as the kinematics core carries them out (every
add, subtract, multiply, divide and square root written in the formulas;
negations, copies and comparisons are not counted, and the sines, cosines
and arc tangents are counted apart as library calls).

    python3 bench/flops.py          the table of bench/README.md

Each function below is one core operation; its count follows the formula in
the source file named beside it, term by term.
"""

class Count:
    def __init__(self, flops=0, trig=0):
        self.flops, self.trig = flops, trig

    def __add__(self, other):
        return Count(self.flops + other.flops, self.trig + other.trig)

    def __mul__(self, k):
        return Count(self.flops * k, self.trig * k)

    __rmul__ = __mul__


def F(n):
    return Count(n, 0)


# rotation.cpp
def set_rotation():
    # 3 unit multiplies; rotation 16 mul + 4 add; dRoll 14 + 4; dPitch 12; dYaw 14 + 4; 3 sincos
    return Count(3 + 20 + 18 + 12 + 18, 3)


def euler_matrix_body_to_euler():   # tp = sp/cp, sr*tp, cr*tp, sr/cp, cr/cp
    return F(5)


def euler_matrix_euler_to_body():   # sr*cp, cr*cp
    return F(2)


def apply3():                       # 3x3 matrix times vector
    return F(15)


def dof_rates(to_euler):
    return (euler_matrix_body_to_euler() if to_euler else euler_matrix_euler_to_body()) + apply3()


def dof_accel(to_euler):
    q = F(3)
    if to_euler:   # tp, c0 = q1q2/cp + tp q0 q1, c1 = -cp q0 q2, c2 = q0 q1/cp + tp q1 q2
        c = F(1 + 5 + 2 + 5)
    else:          # c0 = -cp q1 q2, c1 and c2 three products each
        c = F(2 + 10 + 10)
    return q + c + dof_rates(to_euler) + F(6)   # out += unit * c


# geometry.cpp, per actuator (with force sensors)
def strut_geometry():
    # B - t (3), R(B - t) (15), H - that (3), norm (5 + sqrt), dv/L (3), force direction dv/L (3)
    return F(3 + 15 + 3 + 6 + 3 + 3)


def crank_geometry():
    # hw, q (18 + 3), crank coordinates (15), A B C (2 + 2 + 9), discriminant and root (5 + sqrt + 1),
    # tau (3), theta (1 + atan), sincos, arm (6), attachment (15), dv and L (3 + 6), actuator local (15),
    # g (4), transmission (9 + 15 + 1 + 3), force direction (15 + 3 + 15 + 3)
    flops = 21 + 15 + 13 + 7 + 3 + 1 + 6 + 15 + 9 + 15 + 4 + 28 + 36
    return Count(flops, 2)   # atan, sincos


def geometry(table):
    per = crank_geometry() if table.crank else strut_geometry()
    return set_rotation() + per * table.n


# jacobian.cpp, analytic
def jacobian(table):
    if table.crank:
        # dL/dtheta (5), translational dA dB dC (3 x 5), rotational (3 x (15 + 15 + 10)),
        # per DOF dtau, dtheta, g (6 x (12 + 4 + 1)), angle unit (3)
        per = 5 + 15 + 3 * 40 + 6 * 17 + 3
    else:
        # R^T transmission (15), per rotation D(B - t) and the dot product (3 x 20), angle unit (3)
        per = 15 + 60 + 3
    return F(per * table.n)


# linear_algebra.cpp
def invert(n):
    elimination = sum((n - 1 - i) * (1 + 2 * (n - 1 - i) + 2 * n) + 1 for i in range(n - 1))
    back = n * (n * (n - 1) + n)
    return F(elimination + back)


def pinv(m, n, weighted=False):
    if m == n:
        return invert(n)
    small, large = min(m, n), max(m, n)
    gram = small * (small + 1) // 2 * 2 * large
    out = small * large * 2 * small
    return F((small * large if weighted else 0) + gram + out) + invert(small)


# forward.cpp
def solve_pose(table, iterations, update):
    n, d = table.n, table.d
    step = F(2 * n + 2 * n * d + d) + geometry(table)
    if update:
        step = step + jacobian(table) + pinv(n, d)
    return F(n) + step * iterations


# velocities.cpp
def velocity_matrix(table):
    n, nr = table.n, table.nr
    return F(3 + n * nr) + dof_rates(True) * nr + F(n * nr * nr * 2)


def dof_velocity_matrix(table):
    n, nr = table.n, table.nr
    return F(3 + n * nr) + dof_rates(False) * nr + F(n * nr * nr * 2)


def to_actuator_velocities(table):
    return F(table.n * table.d * 2)


def velocities_to_dof(table):
    return F(table.n + table.n * table.d * 2)


# accelerometers.cpp
def centripetal(table):
    # body rates in rad/s (3), M = Omega Omega^T - |Omega|^2 I (15), per accelerometer e.(M r) * unit (21)
    return F(3 + 15 + table.a * 21)


def dof_to_accels(table):
    return F(2 + 18 + table.a * table.d * 2)


def accels_to_dof(table):
    return F(table.a * 2 + table.a * table.d * 2 + 2 + 18)


# forces.cpp
def force_matrix(table):
    return F(2 + table.n * table.nr)


def forces_to_dof(table):
    return F(table.n + table.n * table.d * 2)


def force_distribution(table):
    weights = F(table.n + 1) if table.asymmetric else F(0)
    return weights + pinv(table.d, table.n, weighted=True)


def distribute(table):
    return F(table.n * table.d * 2)


def jackpos_step(table, update, iterations=3):
    c = solve_pose(table, iterations, update)
    if update:
        c = c + dof_velocity_matrix(table)
    c = c + velocities_to_dof(table) + dof_rates(True)
    if update:
        c = c + dof_rates(False) + centripetal(table)
    c = c + accels_to_dof(table) + dof_accel(True)
    if update:
        c = c + velocity_matrix(table) + force_matrix(table)
    c = c + forces_to_dof(table)
    if table.d != table.n:
        if update or table.asymmetric:
            c = c + force_distribution(table)
        c = c + distribute(table)
    return c


def posjack_step(table, update):
    c = geometry(table) + F(table.n) + dof_rates(False)
    if update:
        c = c + jacobian(table) + velocity_matrix(table)
    c = c + to_actuator_velocities(table)
    if update:
        c = c + dof_accel(False) + centripetal(table)
    c = c + dof_to_accels(table)
    if update:
        c = c + force_matrix(table) + force_distribution(table)
    elif table.asymmetric:
        c = c + force_distribution(table)
    return c + distribute(table)


class Table:
    def __init__(self, name, n, a, crank=False, asymmetric=False):
        self.name, self.n, self.a, self.crank = name, n, a, crank
        self.d, self.nr = 6, 3
        # Asymmetric limits matter only with more actuators than DOFs.
        self.asymmetric = asymmetric and n != self.d


TABLES = [Table("hexapod", 6, 6), Table("redundant24", 24, 12, asymmetric=True), Table("bellcrank", 6, 6, crank=True)]


def main():
    print("%-28s %8s %6s" % ("output step", "flops", "trig"))
    for t in TABLES:
        for block, fn in (("Posjack", posjack_step), ("Jackpos", jackpos_step)):
            for update in (1, 0):
                c = fn(t, update)
                print("%-28s %8d %6d" % ("%sStep/%s/U%d" % (block, t.name, update), c.flops, c.trig))
    print()
    for name, c in (("kinActuatorsToPose/hexapod", solve_pose(TABLES[0], 3, True)),
                    ("kinActuatorsToPose/redundant24", solve_pose(TABLES[1], 3, True)),
                    ("kinActuatorsToPose/bellcrank", solve_pose(TABLES[2], 3, True)),
                    ("kinJacobian/hexapod", jacobian(TABLES[0])),
                    ("kinJacobian/redundant24", jacobian(TABLES[1])),
                    ("kinJacobian/bellcrank", jacobian(TABLES[2])),
                    ("kinPseudoInverse/6x6", pinv(6, 6)),
                    ("kinPseudoInverse/24x6", pinv(24, 6))):
        print("%-28s %8d %6d" % (name, c.flops, c.trig))


if __name__ == "__main__":
    main()

"""A scan-rate series simulated and fitted at once, and the figure saved.

One cyclic voltammogram of a fast couple hardly tells ks; a series at 10 mV/s to 10 V/s does. The
curves are simulated with the closed-form kernels at E0 = 0.12 V, ks = 0.05 cm/s, alpha = 0.5, given
1 % noise, and fitted together by the finite-difference simulation from 20 mV, a factor 3 and 0.1
away. Run from the build tree:

    PYTHONPATH=build/python /usr/bin/python3 examples/python/scan_rate_series.py [figure.png]
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import talvex

truth = talvex.ChemicalSystem()
truth.pre_equilibration = False
ct = truth.charge_transfers[0]
ct.E0, ct.ks, ct.alpha = 0.12, 0.05, 0.5

rng = np.random.default_rng(1)
series = []
for rate in (0.01, 0.1, 1.0, 10.0):
    e = talvex.Experiment()
    e.scan_rate = rate
    e.cycles = 1
    made = talvex.simulate(e, truth, digital=False)
    e.potentials = made.potential
    noisy = made.current + 0.01 * made.current.max() * rng.standard_normal(len(made.current))
    series.append(talvex.MeasuredCurve(e, noisy, f"{1000 * rate:g} mV/s"))

start = talvex.ChemicalSystem()
start.pre_equilibration = False
ct = start.charge_transfers[0]
ct.E0, ct.ks, ct.alpha = 0.14, 0.15, 0.6
summary = talvex.fit(series, start, [("E0(1)", -0.2, 0.4), ("ks(1)", 1e-6, 10), ("Alpha(1)", 0.2, 0.8)])

for name, value, error in zip(summary.names, summary.values, summary.standard_errors):
    print(f"{name:9s} = {value:.5g} +- {error:.2g}")
print(f"{summary.status.name}, {summary.iterations} iterations, {summary.simulations} simulations "
      f"on {summary.threads} threads, {summary.run_time:.3f} s")

fig, axes = plt.subplots(2, 2, figsize=(9, 7))
for ax, curve, result in zip(axes.flat, series, summary.curves):
    ax.plot(curve.potential, 1e6 * curve.current, ".", ms=3, label="measured")
    ax.plot(curve.potential, 1e6 * result.fitted, "-", label="fit")
    ax.set_title(curve.label)
    ax.set_xlabel("E / V")
    ax.set_ylabel("I / µA")
    ax.invert_xaxis()
    ax.legend()
fig.suptitle(f"E0 = {summary.values[0]:.4f} V, ks = {summary.values[1]:.3g} cm/s, α = {summary.values[2]:.3f}")
fig.tight_layout()
path = sys.argv[1] if len(sys.argv) > 1 else "scan_rate_series.png"
fig.savefig(path, dpi=120)
print("figure:", path)

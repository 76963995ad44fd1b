"""Fits of 1,000 simulated noisy curves spread over processes: the way to use every core of a machine
(or of several) when there are many curves, each fitted on its own.

Each worker process imports talvex once and fits the curves handed to it, one thread each. The
throughput is printed at the end. Run from the build tree:

    PYTHONPATH=build/python /usr/bin/python3 examples/python/many_curves.py [curves] [processes]
"""
import concurrent.futures
import os
import sys
import time

import numpy as np

import talvex


def fit_one(seed):
    """Makes a noisy quasi-reversible cycle (a random ks between 1e-3 and 1e-2 cm/s, quasi-reversible at 10 mV/s) and fits E0 and ks."""
    rng = np.random.default_rng(seed)
    ks = 10 ** rng.uniform(-3, -2)
    truth = talvex.ChemicalSystem()
    truth.pre_equilibration = False
    truth.charge_transfers[0].ks = ks
    e = talvex.Experiment()
    e.cycles = 1
    made = talvex.simulate(e, truth, digital=False)
    e.potentials = made.potential
    noisy = made.current + 0.01 * made.current.max() * rng.standard_normal(len(made.current))
    start = talvex.ChemicalSystem()
    start.pre_equilibration = False
    summary = talvex.fit([talvex.MeasuredCurve(e, noisy)], start, [("E0(1)", -0.2, 0.4), ("ks(1)", 1e-6, 10)],
                         threads=1, digital=False)
    return ks, summary.values[1], summary.simulations


def main():
    curves = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    processes = int(sys.argv[2]) if len(sys.argv) > 2 else os.cpu_count()
    started = time.perf_counter()
    with concurrent.futures.ProcessPoolExecutor(max_workers=processes) as pool:
        results = list(pool.map(fit_one, range(curves), chunksize=max(1, curves // (4 * processes))))
    elapsed = time.perf_counter() - started
    within = sum(abs(fitted / ks - 1) < 0.1 for ks, fitted, _ in results)
    simulations = sum(n for _, _, n in results)
    print(f"{curves} curves fitted in {elapsed:.2f} s on {processes} processes: "
          f"{curves / elapsed:.1f} fits/s, {simulations / elapsed:.0f} simulations/s; "
          f"ks within 10 % in {within} of them")


if __name__ == "__main__":
    main()

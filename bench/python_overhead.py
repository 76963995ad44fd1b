"""Time of one talvex.simulate call from Python on the default experiment, closed form (the same
121-point sweep as BM_SimulateThroughTheInterface/0): what Python adds is the difference.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_overhead.py
"""
import timeit

import talvex

e = talvex.Experiment()
c = talvex.ChemicalSystem()
runs = 2000
best = min(timeit.repeat(lambda: talvex.simulate(e, c, digital=False), number=runs, repeat=5)) / runs
print(f"talvex.simulate, default sweep, closed form: {1e6 * best:.1f} us per call")

"""The Python module against the C++ engine: the same numbers bit for bit, bad arguments raised
(never a crash), and the names scripts use."""
import os
import subprocess

import numpy as np
import pytest

import talvex


def cpp(case):
    """A C++ computation's numbers, written as hexadecimal floats by talvex_api_dump."""
    out = subprocess.run([os.environ["TALVEX_API_DUMP"], case], check=True, capture_output=True, text=True)
    return [float.fromhex(line) for line in out.stdout.split()]


def test_simulate_equals_the_window_bit_for_bit():
    curve = talvex.simulate(talvex.Experiment(), talvex.ChemicalSystem())
    assert list(curve.current) == cpp("window-default")
    assert curve.potential[0] == 0.3 and len(curve.potential) == 121
    assert curve.reaction_currents.shape == (1, 121)
    assert curve.surface_concentrations.shape == (2, 121)

    e = talvex.Experiment()
    e.cycles = 1
    closed = talvex.simulate(e, talvex.ChemicalSystem(), digital=False)
    assert list(closed.current) == cpp("window-cycle-closed-form")


def test_fit_equals_the_engine_bit_for_bit():
    truth = talvex.ChemicalSystem()
    truth.charge_transfers[0].ks = 5e-3
    truth.charge_transfers[0].E0 = 0.12
    e = talvex.Experiment()
    e.cycles = 1
    data = talvex.simulate(e, truth, digital=False)
    e.potentials = data.potential
    summary = talvex.fit([talvex.MeasuredCurve(e, data.current, "closed form")], talvex.ChemicalSystem(),
                         [("E0(1)", -0.2, 0.4), ("ks(1)", 1e-6, 10)])
    expected = cpp("fit")
    assert list(summary.values) + list(summary.standard_errors) + [summary.ssq] == expected
    assert summary.status in (talvex.FitStatus.CONVERGED, talvex.FitStatus.PERFECT_FIT)
    assert summary.names == ["E0(1)", "ks(1)"]
    assert summary.covariance.shape == (2, 2)
    assert "Least square = " in summary.report()
    fitted = talvex.with_fitted_values(talvex.ChemicalSystem(), summary)
    assert fitted.charge_transfers[0].ks == summary.values[1]


def test_a_scan_rate_series_fits_together():
    truth = talvex.ChemicalSystem()
    truth.pre_equilibration = False
    truth.charge_transfers[0].ks = 0.05
    truth.charge_transfers[0].E0 = 0.12
    curves = []
    for v in (0.01, 0.1, 1.0):
        e = talvex.Experiment()
        e.scan_rate = v
        e.cycles = 1
        made = talvex.simulate(e, truth, digital=False)
        e.potentials = made.potential
        curves.append(talvex.MeasuredCurve(e, made.current, f"{v} V/s"))
    start = talvex.ChemicalSystem()
    start.pre_equilibration = False
    start.charge_transfers[0].ks = 0.15
    start.charge_transfers[0].E0 = 0.14
    summary = talvex.fit(curves, start, [("E0(1)", -0.2, 0.4), ("ks(1)", 1e-6, 10)], threads=2)
    assert abs(summary.values[0] - 0.12) < 1e-3
    assert abs(summary.values[1] / 0.05 - 1) < 0.1
    assert [c.points for c in summary.curves] == [242, 242, 242]


def test_bad_arguments_raise_and_never_crash():
    e = talvex.Experiment()
    e.potential_step = 0
    with pytest.raises(talvex.TalvexError, match="Analytical simulation Error: Division by zero"):
        talvex.simulate(e, talvex.ChemicalSystem(), digital=False)
    e = talvex.Experiment()
    e.temperature = 0
    with pytest.raises(talvex.TalvexError, match="Parameter transfer Error"):
        talvex.simulate(e, talvex.ChemicalSystem())
    with pytest.raises(TypeError):
        talvex.simulate("not an experiment", talvex.ChemicalSystem())
    with pytest.raises(TypeError):
        e.technique = 7
    with pytest.raises(ValueError):
        e.potentials = np.zeros((2, 2))
    e = talvex.Experiment()
    e.potentials = np.linspace(0.3, -0.3, 4001)
    with pytest.raises(talvex.TalvexError, match="At most 4000"):
        talvex.simulate(e, talvex.ChemicalSystem())
    with pytest.raises(talvex.TalvexError, match="not a value that can be fitted"):
        talvex.fit([talvex.MeasuredCurve(talvex.Experiment(), [1.0])], talvex.ChemicalSystem(), [("E0(9)", 0, 1)])
    with pytest.raises(talvex.TalvexError, match="ReadData Error"):
        talvex.read_instrument_file("/nonexistent/file.csv")
    with pytest.raises(talvex.TalvexError, match="Open Workspace Error"):
        talvex.read_workspace("/nonexistent/file.tvw")


def test_names_scripts_use():
    e = talvex.Experiment()
    assert (e.technique, e.electrode, e.scan_rate, e.start_potential) == (talvex.Technique.SWEEP,
                                                                         talvex.Electrode.PLANAR, 0.01, 0.3)
    c = talvex.ChemicalSystem()
    assert c.species[0].name == "Fe3+" and c.species[0].concentration == 1e-3
    c.species[0].diffusion = 2e-5  # the list holds the objects themselves, not copies
    assert c.species[0].diffusion == 2e-5
    c.first_order[0] = talvex.ChemicalReaction("Fe2+", c="C", kf=5.0)
    assert c.first_order[0].c == "C"
    assert "scanRate=0.01" in repr(e)


def test_read_instrument_file_and_workspace(tmp_path):
    source = os.environ["TALVEX_SOURCE"]
    curve = talvex.read_instrument_file(os.path.join(source, "tests/data/instruments/chi_cv.txt"))
    assert curve.experiment.scan_rate == 0.1
    assert len(curve.potential) == len(curve.current) == 8
    assert curve.label == "chi_cv.txt"
    plain = talvex.read_instrument_file(os.path.join(source, "examples/global_fit_100.csv"))
    assert plain.current[0] == plain.experiment.baseline_start
    assert len(plain.potential) == 242

    workspace = talvex.read_workspace(os.path.join(source, "fuzz/corpus/workspace/default_cycle_sphere.tvw"))
    assert workspace.experiment.electrode == talvex.Electrode.SPHERE
    assert workspace.curves.shape[1] == len(workspace.potentials)
    again = talvex.simulate(workspace.experiment, workspace.chemistry, workspace.digital)
    assert np.all(np.isfinite(again.current))

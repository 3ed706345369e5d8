"""The batch manifest's checks against a model of them, over manifests Hypothesis makes up."""
import json
import os
import subprocess

import pytest
from hypothesis import HealthCheck, given, settings, strategies as st

from kvxtheme import batch

# Spellings of a few files of the manifest's folder: "clip.mkv" is a video, "missing.mkv" is
# not there, the outputs reach the same files by several ways.
INPUTS = ["clip.mkv", "./clip.mkv", "missing.mkv"]
OUTPUTS = ["a.mkv", "./a.mkv", "sub/../a.mkv", "b.mkv", "out/b.mkv", "clip.mkv", "sub/../clip.mkv"]


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    path = tmp_path_factory.mktemp("manifests")
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                    "testsrc2=size=64x48:rate=25:duration=0.2", "-c:v", "ffv1",
                    str(path / "clip.mkv")], check=True)
    return path


def expected_problems(folder, jobs):
    """What the checks must find, as (job number, kind) pairs, computed the plain way."""
    problems = []
    read = set()
    for number, job in enumerate(jobs):
        source = os.path.join(folder, job["input"])
        if not os.path.exists(source):
            problems.append((number, "does not exist"))
        read.add(os.path.realpath(source))
    written = set()
    for number, job in enumerate(jobs):
        output = os.path.realpath(os.path.join(folder, job["output"]))
        if output in written:
            problems.append((number, "two jobs would write the same output"))
        written.add(output)
        if output in read:
            problems.append((number, "overwrite a file the batch reads"))
    return sorted(problems)


@settings(max_examples=60, deadline=None,
          suppress_health_check=[HealthCheck.function_scoped_fixture])
@given(st.lists(st.fixed_dictionaries({"input": st.sampled_from(INPUTS),
                                       "output": st.sampled_from(OUTPUTS)}),
                min_size=1, max_size=5))
def test_the_checks_find_exactly_the_problems_a_plain_model_finds(folder, jobs):
    path = folder / "manifest.json"
    path.write_text(json.dumps(jobs))
    expected = expected_problems(str(folder), jobs)
    try:
        batch.read_manifest(str(path))
        found = []
    except batch.ManifestError as refusal:
        found = []
        for line in str(refusal).splitlines():
            number = int(line.split("jobs[", 1)[1].split("]", 1)[0])
            kind = next(kind for kind in ("does not exist", "two jobs would write the same output",
                                          "overwrite a file the batch reads") if kind in line)
            found.append((number, kind))
    assert sorted(found) == expected

"""kvxtheme.batch on a local Dask cluster of two worker processes on the loopback address."""
import json
import os
import signal
import subprocess
import sys
import threading
import time

import pytest
from dask.distributed import Client, LocalCluster

from conftest import BUILD
from kvxtheme import batch

TOOL = os.path.join(BUILD, "kvxtheme")
THEMES = os.path.join(BUILD, "themes")


@pytest.fixture(scope="module")
def source(tmp_path_factory):
    """Three seconds of moving video with sound."""
    path = str(tmp_path_factory.mktemp("source") / "source.mkv")
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                    "testsrc2=size=320x240:rate=25:duration=3", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=3", "-c:v", "ffv1", "-c:a", "flac", path],
                   check=True)
    return path


@pytest.fixture(scope="module")
def client():
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                      dashboard_address=None) as cluster, Client(cluster) as client:
        yield client


def manifest(folder, source):
    texts = os.path.join(folder, "slides.json")
    with open(texts, "w") as file:
        json.dump([{"from": 0, "to": 29, "title": "First"}, {"from": 30, "title": "Second"}], file)
    jobs = [
        {"input": source, "output": "plain.mkv", "title": "Plain", "codec": "ffv1"},
        {"input": source, "output": "split.mkv", "theme": os.path.join(THEMES, "video-window.kvx"),
         "texts": "slides.json", "codec": "ffv1", "segment_frames": 20},
        {"input": source, "output": "fields.mkv", "theme": os.path.join(THEMES, "picture-frame.kvx"),
         "interlaced": "tff", "codec": "ffv1"},
    ]
    path = os.path.join(folder, "manifest.json")
    with open(path, "w") as file:
        json.dump({"jobs": jobs}, file)
    return path


def frame_hashes(video):
    lines = subprocess.run(["ffmpeg", "-v", "error", "-i", video, "-map", "0:v", "-f", "framemd5",
                            "-"], capture_output=True, text=True, check=True).stdout.splitlines()
    return [line.split(",")[-1].strip() for line in lines if not line.startswith("#")]


def audio_streams(video):
    return subprocess.run(["ffprobe", "-v", "error", "-select_streams", "a", "-show_entries",
                           "stream=index", "-of", "csv=p=0", video], capture_output=True,
                          text=True, check=True).stdout.split()


def assert_equal_to_single_renders(jobs, folder):
    for job in jobs:
        alone = os.path.join(folder, "alone-" + os.path.basename(job["output"]))
        subprocess.run([TOOL, "render", "--quiet", "--input", job["input"], "--output", alone,
                        *batch._render_options(job)], check=True)
        expected = frame_hashes(alone)
        assert len(expected) == 75
        assert frame_hashes(job["output"]) == expected, job["output"]
        assert audio_streams(job["output"]) == audio_streams(alone), job["output"]
    leftovers = [name for name in os.listdir(folder) if name.startswith(".")]
    assert leftovers == [], "segments or temporary files were left behind"


def test_manifest_renders_as_single_processes_do(client, source, tmp_path):
    jobs = batch.read_manifest(manifest(str(tmp_path), source))
    lines = []
    assert batch.run(client, TOOL, jobs, report=lines.append) == {}
    assert len(lines) == 3 and all(line.startswith("[") for line in lines)
    assert_equal_to_single_renders(jobs, str(tmp_path))


def test_a_worker_killed_mid_job_loses_nothing(client, source, tmp_path):
    jobs = batch.read_manifest(manifest(str(tmp_path), source))
    pids = client.run(os.getpid)
    killed = []

    def kill_a_busy_worker():
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and not killed:
            for worker, keys in client.processing().items():
                if keys and worker in pids:
                    os.kill(pids[worker], signal.SIGKILL)
                    killed.append(worker)
                    return
            time.sleep(0.01)

    killer = threading.Thread(target=kill_a_busy_worker)
    killer.start()
    errors = batch.run(client, TOOL, jobs, report=lambda line: None)
    killer.join()
    assert killed, "no worker was busy long enough to be killed"
    assert errors == {}
    assert_equal_to_single_renders(jobs, str(tmp_path))


def test_failed_jobs_are_reported_after_retries_and_others_finish(client, source, tmp_path):
    good = {"input": source, "output": "good.mkv", "codec": "ffv1"}
    bad = {"input": source, "output": "bad.mkv", "theme": "missing.kvx", "codec": "ffv1",
           "segment_frames": 30}
    path = tmp_path / "manifest.json"
    path.write_text(json.dumps([good, bad]))
    errors = batch.run(client, TOOL, batch.read_manifest(str(path)), report=lambda line: None)
    assert list(errors) == [str(tmp_path / "bad.mkv")]
    assert "missing.kvx" in errors[str(tmp_path / "bad.mkv")]
    assert (tmp_path / "good.mkv").exists() and not (tmp_path / "bad.mkv").exists()
    assert not [name for name in os.listdir(tmp_path) if name.startswith(".")]


@pytest.mark.parametrize("content, message", [
    ("{", "not JSON"),
    ("[]", "expected a list of jobs"),
    ('[{"input": "a.mp4"}]', "jobs[0].output"),
    ('[{"input": "a.mp4", "output": "b.mp4", "speed": 2}]', "jobs[0].speed: unknown field"),
    ('[{"input": "a.mp4", "output": "b.mp4", "segment_frames": 0}]', "segment_frames"),
    ('[{"input": "a", "output": "b"}, {"input": "c", "output": "b"}]', "same output"),
])
def test_wrong_manifests_are_refused(content, message, tmp_path):
    path = tmp_path / "manifest.json"
    path.write_text(content)
    with pytest.raises(batch.ManifestError, match=message.replace("[", r"\[").replace("]", r"\]")):
        batch.read_manifest(str(path))


def test_command_line_shows_progress_and_fails_on_a_wrong_manifest(source, tmp_path):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    done = subprocess.run([sys.executable, "-m", "kvxtheme.batch", manifest(str(tmp_path), source),
                           "--workers", "2", "--tool", TOOL], capture_output=True, text=True,
                          env=env, timeout=300)
    assert done.returncode == 0, done.stderr
    assert sum(line.startswith("[") for line in done.stderr.splitlines()) == 3
    assert all((tmp_path / name).exists() for name in ("plain.mkv", "split.mkv", "fields.mkv"))
    (tmp_path / "wrong.json").write_text("[]")
    refused = subprocess.run([sys.executable, "-m", "kvxtheme.batch", str(tmp_path / "wrong.json"),
                              "--tool", TOOL], capture_output=True, text=True, env=env)
    assert refused.returncode == 2 and "expected a list of jobs" in refused.stderr


@pytest.fixture(scope="module")
def silent(tmp_path_factory):
    """Two seconds of video without sound, and one second of sound without video."""
    folder = tmp_path_factory.mktemp("silent")
    video, sound = str(folder / "silent.mkv"), str(folder / "sound.flac")
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                    "testsrc2=size=160x120:rate=25:duration=2", "-c:v", "ffv1", video], check=True)
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=duration=1", sound],
                   check=True)
    return video, sound


def test_every_file_problem_is_listed_with_its_job_before_anything_runs(silent, tmp_path):
    video, sound = silent
    jobs = [
        {"input": "missing.mp4", "output": "a.mkv"},
        {"input": sound, "output": "b.mkv"},
        {"input": video, "output": "out/c.mp4"},
        {"input": video, "output": "./out/c.mp4"},
        {"input": video, "output": "out/../out/c.mp4"},
        {"input": video, "output": video},
    ]
    path = tmp_path / "manifest.json"
    path.write_text(json.dumps(jobs))
    with pytest.raises(batch.ManifestError) as refusal:
        batch.read_manifest(str(path))
    lines = str(refusal.value).splitlines()
    expected = [("jobs[0].input", "does not exist"), ("jobs[1].input", "has no video stream"),
                ("jobs[3].output", "two jobs would write the same output"),
                ("jobs[4].output", "two jobs would write the same output"),
                ("jobs[5].output", "overwrite a file the batch reads")]
    assert len(lines) == len(expected), lines
    for line, (field, says) in zip(lines, expected):
        assert field in line and says in line, line
    assert not (tmp_path / "out").exists(), "nothing runs before the manifest is sound"


def test_silent_clips_are_segmented_and_joined(client, silent, tmp_path):
    video, _ = silent
    job = {"input": video, "output": str(tmp_path / "deep" / "split.mkv"), "codec": "ffv1",
           "title": "Quiet", "segment_frames": 20}
    assert batch.run(client, TOOL, [job], report=lambda line: None) == {}
    alone = str(tmp_path / "alone.mkv")
    subprocess.run([TOOL, "render", "--quiet", "--input", video, "--output", alone,
                    *batch._render_options(job)], check=True)
    assert frame_hashes(job["output"]) == frame_hashes(alone)
    assert audio_streams(job["output"]) == []


@pytest.mark.parametrize("fail_fast", [False, True])
def test_a_job_that_cannot_start_leaves_the_others_unless_failing_fast(client, silent, source,
                                                                       tmp_path, fail_fast):
    _, sound = silent
    # Past the manifest's checks (as if the file changed since): no frames to count.
    broken = {"input": sound, "output": str(tmp_path / "broken.mkv"), "segment_frames": 10}
    good = {"input": source, "output": str(tmp_path / "good.mkv"), "codec": "ffv1"}
    lines = []
    errors = batch.run(client, TOOL, [broken, good], report=lines.append, fail_fast=fail_fast)
    assert str(tmp_path / "broken.mkv") in errors
    assert len(lines) == 2
    if fail_fast:
        assert "not run" in errors[str(tmp_path / "good.mkv")]
        assert not (tmp_path / "good.mkv").exists()
    else:
        assert str(tmp_path / "good.mkv") not in errors
        assert (tmp_path / "good.mkv").exists()


def test_command_line_summary_names_each_job_and_fails_without_a_traceback(silent, tmp_path):
    video, _ = silent
    jobs = [{"input": video, "output": "good.mkv", "codec": "ffv1"},
            {"input": video, "output": "bad.mkv", "theme": "missing.kvx"}]
    (tmp_path / "manifest.json").write_text(json.dumps(jobs))
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    done = subprocess.run([sys.executable, "-m", "kvxtheme.batch", str(tmp_path / "manifest.json"),
                           "--workers", "1", "--tool", TOOL], capture_output=True, text=True,
                          env=env, timeout=300)
    assert done.returncode == 1, done.stderr
    assert "1 done, 1 failed" in done.stderr
    assert f"done  {tmp_path / 'good.mkv'}" in done.stderr
    assert f"failed  {tmp_path / 'bad.mkv'}: " in done.stderr and "missing.kvx" in done.stderr
    assert "Traceback" not in done.stderr

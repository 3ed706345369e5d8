"""Renders a manifest of jobs on a Dask cluster: python3 -m kvxtheme.batch MANIFEST.json

A manifest is {"jobs": [JOB, ...]} (or the list itself). A job renders `input` through
`kvxtheme render` into `output`:

    {"input": "holiday.mp4", "output": "holiday-themed.mkv", "theme": "lower-third.kvx",
     "texts": "slides.json", "title": "Holiday", "description": "...", "date": "...",
     "file_name": "...", "codec": "h264" | "ffv1", "interlaced": "tff" | "bff",
     "segment_frames": 250}

Relative paths are taken from the manifest's folder; every worker must see the same files
(one machine, or a shared file system). With `segment_frames`, a clip longer than that is
rendered in segments of that many frames on the workers, then joined by stream copy with the
source's audio, if it has any. Each output appears (by rename) only when complete, in a folder
made for it if need be; a failed task is retried by Dask and the job reported with its error
after the last retry. The other jobs go on (--fail-fast stops at the first failure); the end
prints one line a job, done or failed with the reason, and the exit status is 1 when any failed.

The manifest is checked whole before anything runs: every input must exist and hold a video
stream, and no two jobs may write the same output (however the path is spelt) nor any job
write over a file the batch reads (an input, theme or texts file). A refusal lists every
problem with its job number and exits with status 2.
"""
import argparse
import ctypes
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import uuid

RETRIES = 2
CAPTIONS = {"title": "--title", "description": "--description", "date": "--date",
            "file_name": "--file-name"}
KNOWN = {"input", "output", "theme", "texts", "codec", "interlaced", "segment_frames",
         *CAPTIONS}


class ManifestError(ValueError):
    pass


def _die_with_parent():
    # A worker killed mid-render must not leave its render running on: the tool removes its
    # temporary file when it is told to stop.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def _run(command):
    result = subprocess.run(command, capture_output=True, text=True, preexec_fn=_die_with_parent)
    if result.returncode != 0:
        message = result.stderr.strip().splitlines()
        raise RuntimeError(message[-1] if message else f"{command[0]} ended with {result.returncode}")
    return result.stdout


def _streams(path):
    """The kinds of the streams of a media file ("video", "audio", ...); None when ffprobe cannot
    read it."""
    result = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=codec_type",
                             "-of", "csv=p=0", path], capture_output=True, text=True)
    if result.returncode != 0:
        return None
    return {line.strip().strip(",") for line in result.stdout.splitlines() if line.strip()}


def _check_job(job, where):
    """The problems of one job's fields, each a line naming the field."""
    problems = []
    if not isinstance(job, dict):
        return [f"{where}: expected an object"]
    problems += [f"{where}.{field}: unknown field" for field in sorted(set(job) - KNOWN)]
    for field in ("input", "output"):
        if not isinstance(job.get(field), str) or not job[field]:
            problems.append(f"{where}.{field}: expected a file name")
    for field in ("theme", "texts", "codec", "interlaced", *CAPTIONS):
        if field in job and not isinstance(job[field], str):
            problems.append(f"{where}.{field}: expected a string")
    frames = job.get("segment_frames")
    if frames is not None and (not isinstance(frames, int) or isinstance(frames, bool)
                               or frames < 1):
        problems.append(f"{where}.segment_frames: expected a whole number of 1 or more")
    return problems


def _check_files(jobs, wheres):
    """Problems between the jobs' files: inputs that are missing or have no video, outputs that
    two jobs share (however the path is spelt) or that are some job's input, theme or texts."""
    problems = []
    streams = {}
    for job, where in zip(jobs, wheres):
        source = job["input"]
        if not os.path.exists(source):
            problems.append(f"{where}.input: {source} does not exist")
            continue
        if source not in streams:
            streams[source] = _streams(source)
        if streams[source] is None:
            problems.append(f"{where}.input: {source} is not a media file ffprobe can read")
        elif "video" not in streams[source]:
            problems.append(f"{where}.input: {source} has no video stream")
    read = {}
    for job, where in zip(jobs, wheres):
        for field in ("input", "theme", "texts"):
            if field in job:
                read.setdefault(os.path.realpath(job[field]), f"{where}.{field}")
    written = {}
    for job, where in zip(jobs, wheres):
        resolved = os.path.realpath(job["output"])
        if resolved in written:
            problems.append(f"{where}.output: {resolved} is also {written[resolved]}: two jobs "
                            "would write the same output")
        else:
            written[resolved] = f"{where}.output"
        if resolved in read:
            problems.append(f"{where}.output: {resolved} is {read[resolved]}: the job would "
                            "overwrite a file the batch reads")
    return problems


def read_manifest(path):
    """The jobs of a manifest file, with their paths made absolute and their media inputs and
    outputs checked; ManifestError lists every problem, one a line, before anything runs."""
    try:
        with open(path, encoding="utf-8") as file:
            manifest = json.load(file)
    except OSError as error:
        raise ManifestError(f"{path}: {error.strerror}") from error
    except json.JSONDecodeError as error:
        raise ManifestError(f"{path}: not JSON ({error})") from error
    jobs = manifest.get("jobs") if isinstance(manifest, dict) else manifest
    if not isinstance(jobs, list) or not jobs:
        raise ManifestError(f"{path}: expected a list of jobs, or an object with one under \"jobs\"")
    folder = os.path.dirname(os.path.abspath(path))
    wheres = [f"{path}: jobs[{number}]" for number in range(len(jobs))]
    problems = [problem for job, where in zip(jobs, wheres) for problem in _check_job(job, where)]
    if problems:
        raise ManifestError("\n".join(problems))
    checked = []
    for job in jobs:
        job = dict(job)
        for field in ("input", "output", "theme", "texts"):
            if field in job:
                job[field] = os.path.join(folder, job[field])
        checked.append(job)
    problems = _check_files(checked, wheres)
    if problems:
        raise ManifestError("\n".join(problems))
    return checked


def _render_options(job):
    options = []
    if "theme" in job:
        options += ["--theme", job["theme"]]
    if "texts" in job:
        options += ["--texts", job["texts"]]
    for field, option in CAPTIONS.items():
        if field in job:
            options += [option, job[field]]
    if "codec" in job:
        options += ["--codec", job["codec"]]
    if "interlaced" in job:
        options += ["--interlaced", job["interlaced"]]
    return options


def count_frames(input_path):
    """The number of video frames of the input, counted from its packets."""
    output = _run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-count_packets",
                   "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", input_path])
    return int(output.strip().split(",")[0])


def render_whole(tool, job):
    """Renders a job in one piece; the tool writes the output atomically."""
    _run([tool, "render", "--quiet", "--input", job["input"], "--output", job["output"],
          *_render_options(job)])
    return job["output"]


def render_segment(tool, job, start, frames, part):
    _run([tool, "render", "--quiet", "--input", job["input"], "--output", part,
          "--start-frame", str(start), "--frames", str(frames), *_render_options(job)])
    return part


def join_segments(tool, job, parts, folder):
    # A silent clip has no sound to put back.
    audio = ["--audio", job["input"]] if "audio" in (_streams(job["input"]) or ()) else []
    _run([tool, "join", "--quiet", *parts, "--output", job["output"], *audio])
    shutil.rmtree(folder, ignore_errors=True)
    return job["output"]


def _parts_folder(output):
    """A folder for one job's segments beside its output, removed when the job is joined."""
    return os.path.join(os.path.dirname(output),
                        f".{os.path.basename(output)}.parts-{uuid.uuid4().hex[:8]}")


def submit(client, tool, jobs):
    """Submits every job; returns, per job, the future of its output and its segments' folder
    (None when it is rendered whole), or the error that kept it from being submitted."""
    outputs = []
    for job in jobs:
        try:
            outputs.append(_submit_job(client, tool, job))
        except (OSError, RuntimeError, ValueError) as error:
            outputs.append((None, None, str(error)))
    return outputs


def _submit_job(client, tool, job):
    key = uuid.uuid4().hex[:8]
    os.makedirs(os.path.dirname(job["output"]), exist_ok=True)
    segment = job.get("segment_frames")
    total = count_frames(job["input"]) if segment else 0
    if total <= (segment or 0):
        return (client.submit(render_whole, tool, job, retries=RETRIES, pure=False,
                              key=f"render-{key}"), None, None)
    folder = _parts_folder(job["output"])
    os.makedirs(folder)
    extension = ".mkv" if job.get("codec") == "ffv1" else os.path.splitext(job["output"])[1]
    parts = []
    for number, start in enumerate(range(0, total, segment)):
        part = os.path.join(folder, f"part-{number:05d}{extension}")
        parts.append(client.submit(render_segment, tool, job, start, min(segment, total - start),
                                   part, retries=RETRIES, pure=False,
                                   key=f"segment-{key}-{number}"))
    return (client.submit(join_segments, tool, job, parts, folder, retries=RETRIES, pure=False,
                          key=f"join-{key}"), folder, None)


def run(client, tool, jobs, report=print, fail_fast=False):
    """Renders the jobs on `client`'s cluster; returns the errors by output (empty: all done).
    A failed job leaves the others running, unless `fail_fast`: then the jobs not yet done are
    cancelled and reported as not run."""
    from dask.distributed import as_completed

    errors = {}
    done = 0

    def failed(job, folder, error):
        nonlocal done
        done += 1
        errors[job["output"]] = error
        report(f"[{done}/{len(jobs)}] {job['output']} failed: {error}")
        if folder:
            shutil.rmtree(folder, ignore_errors=True)

    submitted = submit(client, tool, jobs)
    pending = {}
    for (future, folder, error), job in zip(submitted, jobs):
        if future is None:
            failed(job, folder, error)
        else:
            pending[future.key] = (future, job, folder)
    stopping = fail_fast and bool(errors)
    if stopping:
        client.cancel([future for future, _, _ in pending.values()])
    else:
        for future in as_completed([future for future, _, _ in pending.values()]):
            _, job, folder = pending.pop(future.key)
            if future.status == "finished":
                done += 1
                report(f"[{done}/{len(jobs)}] {job['output']}")
                continue
            failed(job, folder, str(future.exception()))
            if fail_fast:
                client.cancel([other for other, _, _ in pending.values()])
                break
    for _, job, folder in pending.values():
        failed(job, folder, "not run: an earlier job failed (--fail-fast)")
    return errors


def _tool_path(given):
    tool = given or os.environ.get("KVXTHEME_TOOL") or shutil.which("kvxtheme")
    if not tool or not os.access(tool, os.X_OK):
        raise ManifestError("the kvxtheme tool is not found: give --tool or put it on the PATH")
    return os.path.abspath(tool)


def main(arguments=None):
    parser = argparse.ArgumentParser(prog="python3 -m kvxtheme.batch",
                                     description="Renders a manifest of kvxtheme jobs on Dask.")
    parser.add_argument("manifest")
    parser.add_argument("--scheduler", help="address of a running scheduler (tcp://HOST:8786); "
                        "without it a local cluster is started")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="worker processes of the local cluster (default: one per core)")
    parser.add_argument("--tool", help="the kvxtheme program (default: $KVXTHEME_TOOL, or "
                        "kvxtheme on the PATH)")
    parser.add_argument("--fail-fast", action="store_true",
                        help="stop at the first failed job (the jobs not done are not run)")
    options = parser.parse_args(arguments)
    try:
        jobs = read_manifest(options.manifest)
        tool = _tool_path(options.tool)
        if options.workers < 1:
            raise ManifestError("--workers: expected 1 or more")
    except ManifestError as error:
        print(f"kvxtheme.batch: {error}", file=sys.stderr)
        return 2

    from dask.distributed import Client, LocalCluster

    if options.scheduler:
        client = Client(options.scheduler)
        cluster = None
    else:
        cluster = LocalCluster(n_workers=options.workers, threads_per_worker=1, processes=True,
                               host="127.0.0.1", dashboard_address=None,
                               local_directory=tempfile.gettempdir())
        client = Client(cluster)
    try:
        errors = run(client, tool, jobs, report=lambda line: print(line, file=sys.stderr),
                     fail_fast=options.fail_fast)
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    print(f"kvxtheme.batch: {len(jobs) - len(errors)} done, {len(errors)} failed",
          file=sys.stderr)
    for job in jobs:
        error = errors.get(job["output"])
        print(f"  {'failed' if error else 'done'}  {job['output']}" + (f": {error}" if error else ""),
              file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())

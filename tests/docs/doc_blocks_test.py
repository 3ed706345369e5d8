#!/usr/bin/env python3
"""Runs every shell block of README.md and docs/*.md against a build tree.

usage: doc_blocks_test.py SOURCE_DIR BUILD_DIR [--list]

A block is an indented (4-space) block or a ```sh fence. One that cannot run here carries
`<!-- not run: REASON -->` on the line before it; a fence after `<!-- file: NAME -->` is written
to NAME beside every block of its document (a program the blocks build). Each block runs in its own temporary folder
holding small generated inputs, with `build/` and `build-demo/` standing for BUILD_DIR and the
built tool, Python package and plug-ins found as an installed system would find them; it must
end with status 0 and leave the outputs it names.
"""
import concurrent.futures
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

NOT_RUN = re.compile(r"<!--\s*not run:\s*(\S.*?)\s*-->")
FILE = re.compile(r"<!--\s*file:\s*(\S+)\s*-->")
BUILD_PATH = re.compile(r"(?<![\w./-])build(?:-demo)?/")
BUILD_FOLDER = re.compile(r"(-C\s+)build(?:-demo)?\b")
OUTPUT_OPTION = re.compile(r"(?:--output|-o|--preview)\s+(\S+)")
TIMEOUT_SECONDS = 60


def blocks(path):
    """(line, text, reason not to run or None) for every shell block of a Markdown file, and
    the files its blocks use as {name: text}."""
    lines = open(path, encoding="utf-8").read().split("\n")
    found = []
    files = {}

    def marker_before(index, pattern):
        previous = index - 1
        while previous >= 0 and not lines[previous].strip():
            previous -= 1
        match = pattern.search(lines[previous]) if previous >= 0 else None
        return match.group(1) if match else None

    def reason_before(index):
        return marker_before(index, NOT_RUN)

    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("```"):
            end = i + 1
            while end < len(lines) and not lines[end].startswith("```"):
                end += 1
            if line[3:].strip() == "sh":
                found.append((i + 1, "\n".join(lines[i + 1:end]), reason_before(i)))
            elif marker_before(i, FILE):
                files[marker_before(i, FILE)] = "\n".join(lines[i + 1:end]) + "\n"
            i = end + 1
            continue
        if line.startswith("    ") and (i == 0 or not lines[i - 1].strip()):
            end = i
            while end < len(lines) and (lines[end].startswith("    ") or (
                    not lines[end].strip() and end + 1 < len(lines)
                    and lines[end + 1].startswith("    "))):
                end += 1
            text = "\n".join(l[4:] for l in lines[i:end])
            found.append((i + 1, text, reason_before(i)))
            i = end
            continue
        i += 1
    return found, files


def make_inputs(folder, source, build):
    """The files the documents' commands name, small enough to render in a moment."""
    def ffmpeg(*arguments):
        subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", *arguments], cwd=folder,
                       check=True)

    ffmpeg("-f", "lavfi", "-i", "testsrc2=size=320x180:rate=25:duration=1", "-f", "lavfi",
           "-i", "sine=duration=1", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt",
           "yuv420p", "-c:a", "aac", "-shortest", "in.mp4")
    ffmpeg("-f", "lavfi", "-i", "testsrc2=size=320x180:rate=25:duration=3", "-f", "lavfi",
           "-i", "sine=duration=3", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt",
           "yuv420p", "-c:a", "aac", "-shortest", "clip.mp4")
    for picture in ("photo.jpg", "holiday.jpg"):
        ffmpeg("-f", "lavfi", "-i", "testsrc2=size=320x180", "-frames:v", "1", picture)
    with open(os.path.join(folder, "film.srt"), "w") as srt:
        srt.write("1\n00:00:00,000 --> 00:00:00,500\nHello\n\n2\n00:00:00,500 --> 00:00:01,000\n"
                  "World\n")
    with open(os.path.join(folder, "notes.vtt"), "w") as vtt:
        vtt.write("WEBVTT\n\n00:00.000 --> 00:01.000\nA note\n")
    with open(os.path.join(folder, "texts.json"), "w") as texts:
        texts.write('[{"from": 0, "title": "Holiday"}]\n')
    with open(os.path.join(folder, "manifest.json"), "w") as manifest:
        manifest.write('{"jobs": [{"input": "in.mp4", "output": "out/in.mp4", "theme": '
                       '"%s/themes/lower-third.kvx", "title": "Holiday", "segment_frames": 10}]}\n'
                       % build)
    themes = os.path.join(build, "themes")
    for name in os.listdir(themes):
        if name.endswith((".kvx", ".svg", ".json", ".png")):
            shutil.copy(os.path.join(themes, name), folder)
    # `python3` is the interpreter running this test, the one the module was built for (CMake
    # runs it with Debian's), not whichever comes first on the PATH.
    os.mkdir(os.path.join(folder, ".bin"))
    os.symlink(sys.executable, os.path.join(folder, ".bin", "python3"))
    # Commands written for the source tree's root name its folders.
    for name in ("themes", "scripts"):
        os.symlink(os.path.join(source, name), os.path.join(folder, name))


def install(build, root):
    """The build tree installed under /usr into `root`, as a package would lay it out."""
    subprocess.run(["cmake", "--install", build, "--prefix", "/usr"], check=True,
                   stdout=subprocess.DEVNULL, env=dict(os.environ, DESTDIR=root))
    prefix = os.path.join(root, "usr")
    pkgconfig = subprocess.run(["find", prefix, "-name", "kvxtheme.pc"], check=True,
                               capture_output=True, text=True).stdout.split()
    return {"CMAKE_PREFIX_PATH": prefix, "PKG_CONFIG_PATH": os.path.dirname(pkgconfig[0])}


def run(document, line, text, files, source, build, inputs, installed):
    """An error message, or None when the block ran as written."""
    script = BUILD_FOLDER.sub(r"\g<1>" + build, BUILD_PATH.sub(build + "/", text))
    with tempfile.TemporaryDirectory() as folder:
        shutil.copytree(inputs, folder, dirs_exist_ok=True, symlinks=True)
        for name, content in files.items():
            with open(os.path.join(folder, name), "w") as file:
                file.write(content)
        path = os.pathsep.join([os.path.join(folder, ".bin"), build, os.environ["PATH"]])
        environment = dict(os.environ, **installed, PATH=path,
                           PYTHONPATH=os.path.join(build, "python"),
                           KVXTHEME_TOOL=os.path.join(build, "kvxtheme"),
                           GST_PLUGIN_PATH=os.path.join(build, "gstreamer-1.0"),
                           FREI0R_PATH=os.path.join(build, "frei0r-1"),
                           GST_REGISTRY=os.path.join(folder, "gst-registry.bin"))
        environment.pop("DISPLAY", None)
        environment.pop("WAYLAND_DISPLAY", None)
        try:
            done = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", script], cwd=folder,
                                  env=environment, stdin=subprocess.DEVNULL,
                                  capture_output=True, text=True, timeout=TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            return f"{document}:{line}: took over {TIMEOUT_SECONDS} s"
        if done.returncode != 0:
            return (f"{document}:{line}: status {done.returncode}\n{script}\n"
                    f"{done.stderr[-2000:]}")
        for name in OUTPUT_OPTION.findall(script):
            name = shlex.split(name)[0]
            if "%" not in name and not os.path.exists(os.path.join(folder, name)):
                return f"{document}:{line}: no {name} after\n{script}"
    return None


def main():
    source, build = (os.path.abspath(p) for p in sys.argv[1:3])
    documents = ["README.md"] + sorted(
        os.path.join("docs", n) for n in os.listdir(os.path.join(source, "docs"))
        if n.endswith(".md"))
    runnable = []
    for document in documents:
        found, files = blocks(os.path.join(source, document))
        for line, text, reason in found:
            if reason is None:
                runnable.append((document, line, text, files))
            if "--list" in sys.argv:
                print(f"{document}:{line}: {'runs' if reason is None else 'not run: ' + reason}")
    if "--list" in sys.argv:
        return 0
    with tempfile.TemporaryDirectory() as inputs, tempfile.TemporaryDirectory() as root:
        make_inputs(inputs, source, build)
        installed = install(build, root)
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            failures = [f for f in pool.map(
                lambda block: run(*block, source, build, inputs, installed), runnable) if f]
    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"{len(runnable) - len(failures)} of {len(runnable)} runnable blocks ran as written")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

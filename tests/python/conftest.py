"""Shared helpers: the build tree's tool and themes, frames through ffmpeg."""
import os
import shutil
import subprocess

import numpy
import pytest

BUILD = os.environ.get("KVX_BUILD_DIR", "")
WIDTH, HEIGHT = 320, 240


def sample_themes():
    folder = os.path.join(BUILD, "themes")
    return sorted(os.path.join(folder, name) for name in os.listdir(folder)
                  if name.endswith(".kvx"))


def moving_frames(count, width=WIDTH, height=HEIGHT):
    """BGR frames of a pattern that changes from frame to frame."""
    y, x = numpy.mgrid[0:height, 0:width]
    frames = []
    for index in range(count):
        frame = numpy.empty((height, width, 3), numpy.uint8)
        frame[..., 0] = x * 255 // width
        frame[..., 1] = ((y + index * 7) * 3) % 256
        frame[..., 2] = ((x // 16 + y // 16 + index) % 2) * 200 + 30
        frames.append(frame)
    return frames


@pytest.fixture(scope="session")
def tool(tmp_path_factory):
    """The kvxtheme tool copied out of the build tree: like Python, it then finds no video clip
    beside itself, so theme video windows show the same still picture in both."""
    folder = tmp_path_factory.mktemp("tool")
    copy = folder / "kvxtheme"
    shutil.copy(os.path.join(BUILD, "kvxtheme"), copy)
    return str(copy)


def tool_frames(tool, folder, frames, *options):
    """The frames rendered by `kvxtheme render` from a lossless clip of them, as BGR arrays."""
    height, width, _ = frames[0].shape
    clip = os.path.join(folder, "in.mkv")
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "bgr24", "-s",
                    f"{width}x{height}", "-r", "25", "-i", "-", "-c:v", "ffv1", clip],
                   input=b"".join(frame.tobytes() for frame in frames), check=True)
    pattern = os.path.join(folder, "out_%04d.png")
    subprocess.run([tool, "render", "--quiet", "--input", clip, "--output", pattern, *options],
                   check=True)
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", pattern, "-f", "rawvideo", "-pix_fmt",
                          "bgr24", "-"], capture_output=True, check=True).stdout
    return list(numpy.frombuffer(raw, numpy.uint8).reshape(-1, height, width, 3))

"""kvxtheme.Effect against the tool, and its refusals."""
import os
import subprocess
import sys
import textwrap
import threading

import numpy
import pytest

import kvxtheme
from conftest import HEIGHT, WIDTH, moving_frames, sample_themes, tool_frames


def render_all(theme, frames, **settings):
    with kvxtheme.Effect(theme, WIDTH, HEIGHT, **settings) as effect:
        return [effect.render(frame, index) for index, frame in enumerate(frames)]


def assert_close(actual, expected, what):
    assert len(actual) == len(expected), what
    for index, (got, want) in enumerate(zip(actual, expected)):
        difference = numpy.abs(got.astype(int) - want.astype(int)).max()
        assert difference <= 2, f"{what}: frame {index} differs by {difference}"


@pytest.mark.parametrize("theme", [None] + sample_themes(),
                         ids=lambda theme: os.path.basename(theme or "default-page"))
def test_every_theme_renders_as_the_tool_does(theme, tool, tmp_path):
    frames = moving_frames(6)
    options = ["--title", "Caption", "--date", "2024"] + (["--theme", theme] if theme else [])
    expected = tool_frames(tool, tmp_path, frames, *options)
    rendered = render_all(theme, frames, texts={"title": "Caption", "date": "2024"})
    assert_close(rendered, expected, theme)
    assert any((r != f).any() for r, f in zip(rendered, frames)), "nothing was drawn"


@pytest.mark.parametrize("order", ["tff", "bff"])
def test_fields_render_as_the_tool_does(order, tool, tmp_path):
    theme = os.path.join(os.environ["KVX_BUILD_DIR"], "themes", "picture-frame.kvx")
    frames = moving_frames(4)
    expected = tool_frames(tool, tmp_path, frames, "--theme", theme, "--interlaced", order)
    assert_close(render_all(theme, frames, field_order=order), expected, order)


def test_views_outputs_and_rgb_give_the_same_picture():
    frame = moving_frames(1)[0]
    with kvxtheme.Effect(None, WIDTH, HEIGHT, texts={"title": "Views"}) as effect:
        expected = effect.render(frame, 3)
        wide = numpy.zeros((HEIGHT, WIDTH + 40, 3), numpy.uint8)
        wide[:, 20:20 + WIDTH] = frame
        column_view = wide[:, 20:20 + WIDTH]          # rows further apart than a packed frame
        fortran = numpy.asfortranarray(frame)          # not packed at all
        out = numpy.zeros_like(frame)
        assert effect.render(column_view, 3).tobytes() == expected.tobytes()
        assert effect.render(fortran, 3).tobytes() == expected.tobytes()
        assert effect.render(frame, 3, out=out) is out
        assert out.tobytes() == expected.tobytes()
        strided_out = numpy.zeros((HEIGHT, WIDTH, 4), numpy.uint8)[..., :3]
        effect.render(frame, 3, out=strided_out)
        assert strided_out.tobytes() == expected.tobytes()
        rgb = effect.render(numpy.ascontiguousarray(frame[..., ::-1]), 3, rgb=True)
        assert rgb.tobytes() == numpy.ascontiguousarray(expected[..., ::-1]).tobytes()
        in_place = frame.copy()
        effect.render(in_place, 3, out=in_place)
        assert in_place.tobytes() == expected.tobytes()


def test_texts_per_frame_override_the_clips():
    frame = moving_frames(1)[0]
    with kvxtheme.Effect(None, WIDTH, HEIGHT, texts={"title": "Clip"}) as effect:
        clip = effect.render(frame, 0)
        overridden = effect.render(frame, 0, texts={"title": "Frame"})
        again = effect.render(frame, 0)
    with kvxtheme.Effect(None, WIDTH, HEIGHT, texts={"SlideShowTitle": "Frame"}) as effect:
        by_key = effect.render(frame, 0)
    assert (clip != overridden).any()
    assert again.tobytes() == clip.tobytes()
    assert by_key.tobytes() == overridden.tobytes()


@pytest.mark.parametrize("frame, message", [
    (numpy.zeros((HEIGHT, WIDTH), numpy.uint8), "240 × 320 × 3 uint8"),
    (numpy.zeros((HEIGHT, WIDTH, 4), numpy.uint8), "got 240 × 320 × 4 uint8"),
    (numpy.zeros((HEIGHT + 1, WIDTH, 3), numpy.uint8), "got 241 × 320 × 3"),
    (numpy.zeros((HEIGHT, WIDTH, 3), numpy.float32), "float32"),
    (numpy.zeros((HEIGHT, WIDTH, 3), numpy.uint16), "uint16"),
])
def test_wrong_frames_are_refused(frame, message):
    with kvxtheme.Effect(None, WIDTH, HEIGHT) as effect:
        with pytest.raises(ValueError, match=message):
            effect.render(frame, 0)


def read_only(frame):
    copy = frame.copy()
    copy.setflags(write=False)
    return copy


@pytest.mark.parametrize("call, error, message", [
    (lambda e, f: e.render(f, -1), ValueError, "index"),
    (lambda e, f: e.render(f, 2**40), ValueError, "index"),
    (lambda e, f: e.render(f, 0, out=numpy.zeros((2, 2, 3), numpy.uint8)), ValueError, "out"),
    (lambda e, f: e.render(f, 0, out=read_only(f)), ValueError, "read-only"),
    (lambda e, f: e.render(f, 0, texts={"title": 3}), ValueError, "texts"),
    (lambda e, f: e.render(f, 0, texts=["title"]), ValueError, "texts"),
    (lambda e, f: e.render(f, 0, texts={"title": "a\ud800"}), ValueError, "texts\\['title'\\]"),
    (lambda e, f: e.render(f, 0, texts={"\udcff": "a"}), ValueError, "texts key"),
])
def test_wrong_arguments_are_refused(call, error, message):
    frame = moving_frames(1)[0]
    with kvxtheme.Effect(None, WIDTH, HEIGHT) as effect:
        with pytest.raises(error, match=message):
            call(effect, frame)


def test_closed_and_impossible_effects_are_refused(tmp_path):
    frame = moving_frames(1)[0]
    effect = kvxtheme.Effect(None, WIDTH, HEIGHT)
    assert effect.closed
    with pytest.raises(ValueError, match="closed"):
        effect.render(frame, 0)
    with effect:
        effect.render(frame, 0)
    assert effect.closed
    with pytest.raises(ValueError, match="closed"):
        effect.render(frame, 1)
    with pytest.raises(ValueError, match="field_order"):
        kvxtheme.Effect(None, WIDTH, HEIGHT, field_order="interlaced")
    with pytest.raises(ValueError, match="even height"):
        kvxtheme.Effect(None, WIDTH, 241, field_order="tff")
    with pytest.raises(ValueError, match="size"):
        kvxtheme.Effect(None, 0, HEIGHT)
    with pytest.raises(OSError, match="does not exist"):
        kvxtheme.Effect(str(tmp_path / "missing.kvx"), WIDTH, HEIGHT)


def test_four_threads_render_what_one_renders():
    themes = [None] + sample_themes()[:3]
    frames = moving_frames(50)
    alone = [render_all(theme, frames, texts={"title": f"Thread {i}"})
             for i, theme in enumerate(themes)]
    together = [None] * len(themes)

    def work(i):
        together[i] = render_all(themes[i], frames, texts={"title": f"Thread {i}"})

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(themes))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for i, theme in enumerate(themes):
        assert_close(together[i], alone[i], f"thread {i} ({theme})")



def run_isolated(script, seconds=60):
    """Runs `script` in a Python of its own: a thread stuck holding the GIL would stop this
    process's watchdog too, so only another process can tell a deadlock from slowness."""
    prelude = ("import sys, threading\n"
               "sys.path.insert(0, %r)\n"
               "from conftest import HEIGHT, WIDTH, moving_frames, sample_themes\n"
               "import kvxtheme, numpy\n") % os.path.dirname(os.path.abspath(__file__))
    try:
        result = subprocess.run([sys.executable, "-c", prelude + textwrap.dedent(script)],
                                capture_output=True, text=True, timeout=seconds)
    except subprocess.TimeoutExpired:
        pytest.fail(f"still running after {seconds} s: a deadlock")
    assert result.returncode == 0, result.stderr


@pytest.mark.parametrize("theme", [None] + sample_themes()[:1],
                         ids=lambda theme: os.path.basename(theme or "default-page"))
def test_one_effect_shared_by_four_threads_renders_what_one_thread_renders(theme):
    run_isolated("""
        theme = %r
        frames = moving_frames(40)
        with kvxtheme.Effect(theme, WIDTH, HEIGHT, texts={"title": "Shared"}) as effect:
            alone = [effect.render(frame, index) for index, frame in enumerate(frames)]
        together = [None] * len(frames)
        with kvxtheme.Effect(theme, WIDTH, HEIGHT, texts={"title": "Shared"}) as effect:
            def work(first):
                for index in range(first, len(frames), 4):
                    together[index] = effect.render(frames[index], index)
            threads = [threading.Thread(target=work, args=(first,)) for first in range(4)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
        for index, (got, want) in enumerate(zip(together, alone)):
            difference = numpy.abs(got.astype(int) - want.astype(int)).max()
            assert difference <= 2, f"frame {index} differs by {difference}"
    """ % theme)


def test_close_and_open_while_another_thread_renders():
    run_isolated("""
        frames = moving_frames(2)
        effect = kvxtheme.Effect(None, WIDTH, HEIGHT)
        effect.open()
        rendered = []

        def render():
            for index in range(200):
                try:
                    rendered.append(effect.render(frames[index % 2], index))
                except ValueError as error:
                    assert "closed" in str(error)

        def toggle():
            for _ in range(50):
                effect.close()
                effect.open()

        threads = [threading.Thread(target=render), threading.Thread(target=toggle)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        effect.close()
        assert rendered, "no frame rendered between the toggles"
    """)

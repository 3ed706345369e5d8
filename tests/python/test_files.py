"""kvxtheme.Theme, pack and texture against the tool's commands."""
import json
import os
import shutil
import subprocess

import numpy
import pytest

import kvxtheme
from conftest import BUILD, sample_themes

DESCRIPTION = {
    "page": {"width": 320, "height": 240},
    "objects": [
        {"name": "SlideShowTitle", "type": "text", "x": 10, "y": 10, "string": "",
         "font": {"size": 24}, "color": "#FFFFFF"},
        {"name": "placeholder", "type": "picture", "width": 320, "height": 240,
         "color": "#405060"},
    ],
}


@pytest.mark.parametrize("theme", sample_themes(), ids=os.path.basename)
def test_info_is_the_tools_json(theme):
    tool = subprocess.run([os.path.join(BUILD, "kvxtheme"), "info", theme, "--json"],
                          capture_output=True, text=True, check=True).stdout
    assert kvxtheme.Theme(theme).info() == json.loads(tool)


def test_pack_writes_a_theme_the_effect_uses(tmp_path):
    path = tmp_path / "packed.kvx"
    kvxtheme.pack(DESCRIPTION, path)
    info = kvxtheme.Theme(path).info()
    assert info["page"]["width"] == 320
    assert [o["name"] for o in info["objects"]] == ["SlideShowTitle", "placeholder"]
    described = tmp_path / "described.json"
    described.write_text(json.dumps(DESCRIPTION))
    kvxtheme.pack(str(described), tmp_path / "from-file.kvx")
    assert (tmp_path / "from-file.kvx").read_bytes() == path.read_bytes()


@pytest.mark.parametrize("change, field", [
    (lambda d: d["objects"][0]["font"].update(size=0), "objects[0].font.size"),
    (lambda d: d["page"].update(width="wide"), "page.width"),
    (lambda d: d.update(colour=1), "colour"),
])
def test_pack_refuses_as_the_tool_does(change, field, tmp_path):
    description = json.loads(json.dumps(DESCRIPTION))
    change(description)
    file = tmp_path / "wrong.json"
    file.write_text(json.dumps(description))
    tool = subprocess.run([os.path.join(BUILD, "kvxtheme"), "pack", str(file), "-o",
                           str(tmp_path / "tool.kvx")], capture_output=True, text=True)
    assert tool.returncode != 0
    with pytest.raises(ValueError) as refused:
        kvxtheme.pack(str(file), tmp_path / "python.kvx")
    assert str(refused.value) == tool.stderr.strip().removeprefix("kvxtheme: ")
    assert field in str(refused.value)
    assert not (tmp_path / "python.kvx").exists()


DESIGN = """<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
  width="320" height="180">
  <defs><path id="arc" d="M 10 100 Q 150 20 300 100"/></defs>
  <g id="backdrop"><rect width="320" height="180" fill="#203040"/></g>
  <rect id="placeholder" x="40" y="30" width="240" height="120" fill="#808080"/>
  <text id="SlideShowTitle" x="160" y="170" text-anchor="middle"
        style="font-family:DejaVu Sans;font-size:16px;fill:#ffffff">Title</text>
  <text id="curved" style="font-size:12px"><textPath xlink:href="#arc">curved</textPath></text>
</svg>
"""


def test_pack_of_a_design_is_the_tools(tmp_path):
    design = tmp_path / "design.svg"
    design.write_text(DESIGN)
    tool = subprocess.run([os.path.join(BUILD, "kvxtheme"), "pack", str(design), "-o",
                           str(tmp_path / "tool.kvx"), "--size", "640x360"],
                          capture_output=True, text=True, check=True)
    assert "curved: a text on a path" in tool.stderr
    with pytest.warns(UserWarning, match="curved: a text on a path"):
        kvxtheme.pack(design, tmp_path / "python.kvx", size=(640, 360))
    assert (tmp_path / "python.kvx").read_bytes() == (tmp_path / "tool.kvx").read_bytes()
    info = kvxtheme.Theme(tmp_path / "python.kvx").info()
    assert info["page"]["width"] == 640
    assert [o["name"] for o in info["objects"]] == ["SlideShowTitle", "placeholder", "backdrop"]
    with pytest.raises(ValueError, match="size"):
        kvxtheme.pack(DESCRIPTION, tmp_path / "sized.kvx", size=(640, 360))


def test_texture_is_the_tools_png(tmp_path):
    theme = os.path.join(BUILD, "themes", "picture-frame.kvx")
    png = tmp_path / "placeholder.png"
    subprocess.run([os.path.join(BUILD, "kvxtheme"), "texture", theme, "-o", str(png)],
                   check=True)
    picture = kvxtheme.texture(theme, rgb=True)
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", str(png), "-f", "rawvideo", "-pix_fmt",
                          "rgb24", "-"], capture_output=True, check=True).stdout
    assert picture.tobytes() == raw
    assert kvxtheme.texture(theme).tobytes() == picture[..., ::-1].tobytes()


def test_missing_files_raise_os_errors(tmp_path):
    for call in (lambda: kvxtheme.Theme(tmp_path / "none.kvx"),
                 lambda: kvxtheme.texture(tmp_path / "none.kvx"),
                 lambda: kvxtheme.pack(str(tmp_path / "none.json"), tmp_path / "x.kvx")):
        with pytest.raises(OSError):
            call()


@pytest.mark.parametrize("path, error, message", [
    ("theme\ud800.kvx", ValueError, "theme: cannot be a file name"),
    ("theme\0.kvx", ValueError, "theme: a path cannot hold a NUL character"),
    (b"theme\0.kvx", ValueError, "NUL"),
])
def test_paths_that_cannot_be_file_names_are_refused(path, error, message):
    with pytest.raises(error, match=message):
        kvxtheme.Effect(path, 64, 48)


def test_undecodable_names_reach_their_file(tmp_path):
    # A name that is not UTF-8 comes to Python as os.fsdecode makes it, with surrogates.
    name = os.fsdecode(b"caf\xe9.kvx")
    shutil.copy(sample_themes()[0], tmp_path / name)
    theme = kvxtheme.Theme(str(tmp_path / name))
    assert theme.path == str(tmp_path / name)
    assert "caf" in repr(theme)
    with kvxtheme.Effect(theme.path, 64, 48) as effect:
        assert effect.render(numpy.zeros((48, 64, 3), numpy.uint8), 0).shape == (48, 64, 3)
    with pytest.raises(FileNotFoundError, match=r"gon\\udce9"):
        kvxtheme.Theme(str(tmp_path / os.fsdecode(b"gon\xe9.kvx")))


def test_folders_and_foreign_files_are_told_apart(tmp_path):
    with pytest.raises(IsADirectoryError):
        kvxtheme.Theme(tmp_path)
    (tmp_path / "notes.kvx").write_text("not a theme")
    with pytest.raises(ValueError, match="is not a theme file"):
        kvxtheme.Effect(tmp_path / "notes.kvx", 64, 48)

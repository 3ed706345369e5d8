"""kvxtheme.Theme, pack and texture against the tool's commands."""
import json
import os
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

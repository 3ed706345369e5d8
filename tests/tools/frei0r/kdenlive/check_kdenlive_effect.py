#!/usr/bin/env python3
"""Checks the Kdenlive effect description of the frei0r filter as Kdenlive reads it, then renders
a project of the shape Kdenlive writes (a clip carrying the filter) through melt and compares
its frames with `kvxtheme render`.

usage: check_kdenlive_effect.py EFFECT_XML BUILD_DIR THEME
"""
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from xml.sax.saxutils import escape, quoteattr

WIDGETS = {"url", "keywords", "list", "constant", "double", "bool", "switch", "fixed",
           "color", "position", "fontfamily"}
WIDTH, HEIGHT, FRAMES = 320, 240, 10
# The files each file parameter must offer.
URL_FILTERS = {"theme": ["*.kvx"], "texts file": ["*.srt", "*.vtt", "*.ass", "*.ssa"]}


def fail(message):
    print(f"check_kdenlive_effect: {message}")
    sys.exit(1)


def run(command, env=None):
    result = subprocess.run(command, capture_output=True, text=True, env=env)
    if result.returncode != 0:
        fail(f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}")
    return result.stdout


def filter_parameters(env):
    """The filter's parameter names as MLT's frei0r module reports them."""
    metadata = run(["melt", "-query", "filter=frei0r.kvxtheme"], env)
    names = [line.split(":", 1)[1].strip() for line in metadata.splitlines()
             if line.strip().startswith("title:") and line.startswith("    ")]
    if not names:
        fail(f"melt does not know frei0r.kvxtheme:\n{metadata}")
    return names


def check_description(path, names):
    with open(path, encoding="utf-8") as file:
        text = file.read()
    if not text.startswith("<!DOCTYPE kpartgui>"):
        fail("the description must start with <!DOCTYPE kpartgui>, which Kdenlive expects")
    effect = ElementTree.fromstring(text)
    if effect.tag != "effect" or effect.get("tag") != "frei0r.kvxtheme" or not effect.get("id"):
        fail("the root must be <effect tag=\"frei0r.kvxtheme\" id=...>")
    for child in ("name", "description", "author"):
        if not (effect.findtext(child) or "").strip():
            fail(f"<{child}> is missing or empty")
    described = []
    for parameter in effect.findall("parameter"):
        name, widget = parameter.get("name"), parameter.get("type")
        if name not in names:
            fail(f"parameter {name!r} is not a parameter of the filter ({names})")
        if widget not in WIDGETS:
            fail(f"parameter {name!r} has an unknown type {widget!r}")
        if not (parameter.findtext("name") or "").strip():
            fail(f"parameter {name!r} has no visible <name>")
        if widget == "list":
            values = parameter.get("paramlist", "").split(";")
            shown = (parameter.findtext("paramlistdisplay") or "").split(",")
            if parameter.get("default") not in values or len(shown) != len(values):
                fail(f"list {name!r}: default outside the list, or names not matching values")
        if widget == "url":
            offered = parameter.get("filter", "").split("|", 1)[0].split()
            if name not in URL_FILTERS or any(p not in offered for p in URL_FILTERS[name]):
                fail(f"url {name!r} does not offer {URL_FILTERS.get(name, 'known')} files")
        if widget == "keywords":
            keywords = (parameter.findtext("keywords") or "").split(";")
            shown = (parameter.findtext("keywordsdisplay") or "").split(";")
            if len(shown) != len(keywords):
                fail(f"keywords {name!r}: names not matching values")
        described.append(name)
    if sorted(described) != sorted(names):
        fail(f"described {described}, the filter has {names}")
    return {p.get("name"): p.get("default", "") for p in effect.findall("parameter")}


def project(clip, properties):
    """An MLT project as Kdenlive saves one: a bin producer, a playlist entry with the filter."""
    filter_properties = "".join(
        f"<property name={quoteattr(name)}>{escape(value)}</property>"
        for name, value in properties.items())
    return f"""<?xml version="1.0" encoding="utf-8"?>
<mlt LC_NUMERIC="C" version="7.9.0" title="kvxtheme test" producer="main_bin">
 <profile description="test" width="{WIDTH}" height="{HEIGHT}" progressive="1"
  sample_aspect_num="1" sample_aspect_den="1" display_aspect_num="4" display_aspect_den="3"
  frame_rate_num="25" frame_rate_den="1" colorspace="709"/>
 <producer id="producer0" in="0" out="{FRAMES - 1}">
  <property name="resource">{escape(clip)}</property>
  <property name="mlt_service">avformat</property>
  <property name="kdenlive:id">2</property>
 </producer>
 <playlist id="main_bin"><property name="kdenlive:docproperties.version">1.1</property>
  <entry producer="producer0" in="0" out="{FRAMES - 1}"/></playlist>
 <playlist id="playlist0">
  <entry producer="producer0" in="0" out="{FRAMES - 1}">
   <filter id="filter0">
    <property name="mlt_service">frei0r.kvxtheme</property>
    <property name="kdenlive_id">frei0r.kvxtheme</property>
    {filter_properties}
   </filter>
  </entry>
 </playlist>
 <tractor id="tractor0" in="0" out="{FRAMES - 1}"><track producer="playlist0"/></tractor>
</mlt>
"""


def frames(video, env):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", video, "-f", "rawvideo", "-pix_fmt",
                          "rgb24", "-"], capture_output=True, env=env, check=True).stdout
    size = WIDTH * HEIGHT * 3
    return [raw[i:i + size] for i in range(0, len(raw), size)]


def mean_difference(a, b):
    return sum(abs(x - y) for x, y in zip(a, b)) / len(a)


def main():
    description, build, theme = sys.argv[1:4]
    env = dict(os.environ, FREI0R_PATH=os.path.join(build, "frei0r-1"))
    defaults = check_description(description, filter_parameters(env))
    with tempfile.TemporaryDirectory() as folder:
        clip = os.path.join(folder, "bars.mkv")
        run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i",
             f"smptebars=size={WIDTH}x{HEIGHT}:rate=25", "-frames:v", str(FRAMES),
             "-c:v", "ffv1", clip], env)
        properties = dict(defaults, theme=theme, title="Kdenlive title")
        mlt = os.path.join(folder, "project.kdenlive")
        with open(mlt, "w", encoding="utf-8") as file:
            file.write(project(clip, properties))
        themed = os.path.join(folder, "themed.mkv")
        run(["melt", "-silent", mlt, "-consumer", f"avformat:{themed}", "vcodec=ffv1", "an=1"],
            env)
        expected = os.path.join(folder, "expected.mkv")
        run([os.path.join(build, "kvxtheme"), "render", "--quiet", "--theme", theme, "--title",
             "Kdenlive title", "--input", clip, "--output", expected], env)
        melt_frames, tool_frames, plain = frames(themed, env), frames(expected, env), frames(clip, env)
        if len(melt_frames) != FRAMES:
            fail(f"melt rendered {len(melt_frames)} frames, not {FRAMES}")
        for index, (got, want, source) in enumerate(zip(melt_frames, tool_frames, plain)):
            # melt passes frames through 4:2:2 and the tool's file through H.264: close, not equal.
            if mean_difference(got, want) > 4:
                fail(f"frame {index} differs from kvxtheme render by {mean_difference(got, want):.1f}")
            if mean_difference(got, source) < 10:
                fail(f"frame {index} shows no theme")
    print("the Kdenlive effect description matches the filter, and its project renders the theme")


if __name__ == "__main__":
    main()

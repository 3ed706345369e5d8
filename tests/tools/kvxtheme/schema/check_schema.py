#!/usr/bin/env python3
"""Checks the theme description schema against the sample themes and against `kvxtheme pack`.

The schema must be a valid draft-07 schema and accept every sample theme and a description
using most settings, which pack must accept too. Each wrong description below must be refused
by both, and pack's one-line message must name the field the schema's errors name.
Usage: check_schema.py SCHEMA THEMES_DIR KVXTHEME
"""
import copy
import glob
import json
import os
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    sys.exit("check_schema.py: needs the jsonschema module (Debian: python3-jsonschema)")

# Packs without picture files: pictures of one colour only.
VALID = {
    "$schema": "../docs/theme.schema.json",
    "page": {"width": 320, "height": 180, "renderFlag": 0},
    "version": 500,
    "pixelFormat": 2,
    "groups": {"form": "extended", "count": 2, "entries": [
        {"id": 7, "name": "caption", "texts": ["first", "second"]},
        {"id": -1, "name": "other"}]},
    "objects": [
        {"name": "DateTaken", "type": "text", "x": 300, "y": 140, "align": "centre",
         "string": "2024-07-14", "color": [255, 211, 107], "opacity": 200,
         "font": {"face": "DejaVu Sans", "size": 20.0, "weight": 700, "italic": True,
                  "charset": 0},
         "shadow": {"enabled": True, "kind": 1, "x": -2, "blur": 3, "color": "#000"},
         "stroke": {"color": "#102030", "width": 0.5},
         "groups": [7], "hyperlink": ["a", "b"], "hidden": False, "mergeMode": 3,
         "component": {"transform": {"kind": 1, "topLeft": [0, 0], "topRight": [10, 0],
                                     "bottomLeft": [0, 10], "bottomRight": [10, 10]},
                       "resize": [0.5, 0], "threeD": [1, 2], "cutBorder": [0, 0, 0, 0]}},
        {"name": "badge", "type": "path", "x": 10, "y": 10, "fill": "#FFFFFF",
         "commands": [["move", 0, 0], ["line", 0, 28], ["curve", 8, 24, 16, 20, 24, 14.5],
                      ["close"]],
         "stroke": {"width": 2}, "transparency": 10},
        {"name": "placeholder", "type": "picture", "width": 320, "height": 180,
         "color": "#404040", "mask": 255, "mergeMode": "normal", "linkText": "<rotation=8>",
         "recordShadow": {"transparency": 40}},
    ],
}

DELETE = object()

# label, where to change VALID (keys and indices), the new value or DELETE, the field at fault.
WRONG = [
    ("wrong type", ["objects", 0, "font", "size"], "big", "objects[0].font.size"),
    ("out of range", ["objects", 0, "font", "size"], 2001, "objects[0].font.size"),
    ("not whole", ["objects", 2, "x"], 1.5, "objects[2].x"),
    ("unknown at top level", ["colour"], "#fff", "colour"),
    ("unknown in an object", ["objects", 1, "colour"], "#fff", "objects[1].colour"),
    ("unknown in a shadow", ["objects", 0, "shadow", "spread"], 2, "objects[0].shadow.spread"),
    ("missing page size", ["page", "height"], DELETE, "page.height"),
    ("missing path", ["objects", 1, "commands"], DELETE, "objects[1].commands"),
    ("size of one colour", ["objects", 2, "height"], DELETE, "objects[2].height"),
    ("alignment", ["objects", 0, "align"], "middle", "objects[0].align"),
    ("merge mode", ["objects", 2, "mergeMode"], "overlay", "objects[2].mergeMode"),
    ("too many groups", ["objects", 0, "groups"], list(range(17)), "objects[0].groups"),
    ("old file shadow", ["version"], 499, "objects[2].recordShadow"),
    ("long group text", ["groups", "entries", 0, "texts", 1], "t" * 1024,
     "groups.entries[0].texts[1]"),
    ("colour channel", ["objects", 1, "fill"], [0, 0, 256], "objects[1].fill[2]"),
    ("path verb", ["objects", 1, "commands", 1, 0], "arc", "objects[1].commands[1][0]"),
    ("path start", ["objects", 1, "commands", 0, 0], "line", "objects[1].commands[0]"),
    ("text size", ["objects", 0, "width"], 100, "objects[0].width"),
    ("picture shadow", ["objects", 2, "shadow"], {}, "objects[2].shadow"),
    ("long name", ["objects", 1, "name"], "n" * 128, "objects[1].name"),
]


def changed(document, where, value):
    document = copy.deepcopy(document)
    parent = document
    for key in where[:-1]:
        parent = parent[key]
    if value is DELETE:
        del parent[where[-1]]
    else:
        parent[where[-1]] = value
    return document


def field_name(parts):
    text = ""
    for part in parts:
        text += f"[{part}]" if isinstance(part, int) else (f".{part}" if text else part)
    return text or "(top level)"


def schema_fields(validator, document):
    """The fields the schema's errors name, as pack names them."""
    fields = set()
    for error in validator.iter_errors(document):
        parts = list(error.absolute_path)
        if error.validator == "required":
            missing = [key for key in error.validator_value if key not in error.instance]
            fields.update(field_name(parts + [key]) for key in missing)
        elif error.validator == "additionalProperties":
            known = error.schema.get("properties", {})
            fields.update(field_name(parts + [key]) for key in error.instance if key not in known)
        else:
            fields.add(field_name(parts))
    return fields


def pack(tool, document, folder):
    """pack's exit status and the field its message names (None when it names none)."""
    description = os.path.join(folder, "theme.json")
    output = os.path.join(folder, "theme.kvx")
    if os.path.exists(output):
        os.remove(output)
    with open(description, "w", encoding="utf-8") as out:
        json.dump(document, out)
    run = subprocess.run([tool, "pack", description, "-o", output], capture_output=True,
                         text=True, timeout=120, check=False)
    if run.returncode == 0:
        return 0, None, run.stderr
    prefix = f"kvxtheme: {description}: "
    lines = run.stderr.splitlines()
    if len(lines) != 1 or not lines[0].startswith(prefix) or os.path.exists(output):
        return run.returncode, None, run.stderr
    return run.returncode, lines[0][len(prefix):].split(": ", 1)[0], run.stderr


def main():
    schema_file, themes, tool = sys.argv[1:4]
    with open(schema_file, encoding="utf-8") as source:
        schema = json.load(source)
    jsonschema.Draft7Validator.check_schema(schema)
    validator = jsonschema.Draft7Validator(schema)
    faults = []

    samples = sorted(glob.glob(os.path.join(themes, "*.json")))
    if not samples:
        faults.append(f"no sample themes in {themes}")
    for sample in samples:
        with open(sample, encoding="utf-8") as source:
            for error in validator.iter_errors(json.load(source)):
                faults.append(f"{sample}: {field_name(error.absolute_path)}: {error.message}")

    with tempfile.TemporaryDirectory() as folder:
        refused = schema_fields(validator, VALID)
        if refused:
            faults.append(f"the valid description: the schema refuses {sorted(refused)}")
        status, _, printed = pack(tool, VALID, folder)
        if status != 0:
            faults.append(f"the valid description: pack refuses it: {printed.strip()}")

        for label, where, value, field in WRONG:
            document = changed(VALID, where, value)
            named = schema_fields(validator, document)
            if named != {field}:
                faults.append(f"{label}: the schema names {sorted(named)}, not {field}")
            status, packed, printed = pack(tool, document, folder)
            if status == 0 or packed != field:
                faults.append(f"{label}: pack (status {status}) says {printed.strip()!r}, "
                              f"not a one-line refusal of {field}")

    for fault in faults:
        print(fault)
    print(f"{len(samples)} sample themes, {len(WRONG)} wrong descriptions, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

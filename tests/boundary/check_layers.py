#!/usr/bin/env python3
"""Fails when an #include points up the house.

The engine's folders under src/ form layers, lowest first: platform, objects, document,
compose, effect, dialog. A file may include its own layer and those below. Hosts, tools and
bindings (tools/, the project library) include only the public headers and their own files.
Usage: check_layers.py SOURCE_DIR
"""
import pathlib
import re
import sys

LAYERS = ["platform", "objects", "document", "compose", "effect", "dialog"]
RANK = {name: rank for rank, name in enumerate(LAYERS)}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCES = ("*.h", "*.cpp")


def files_under(folder):
    for pattern in SOURCES:
        yield from folder.rglob(pattern)


def first_folder(include):
    return include.split("/", 1)[0] if "/" in include else None


def main():
    root = pathlib.Path(sys.argv[1])
    faults = []
    for path in sorted(files_under(root / "src")):
        relative = path.relative_to(root / "src")
        own = relative.parts[0]
        outside_engine = own == "platform" and relative.parts[1] == "project"
        for include in INCLUDE.findall(path.read_text()):
            target = first_folder(include)
            if target not in RANK:
                continue
            if outside_engine:
                faults.append(f"src/{relative}: the project library includes engine header {include}")
            elif RANK[target] > RANK[own]:
                faults.append(f"src/{relative}: {own} includes {include} of the higher layer {target}")
    for path in sorted(files_under(root / "tools")):
        for include in INCLUDE.findall(path.read_text()):
            if first_folder(include) in RANK:
                faults.append(f"{path.relative_to(root)}: a host includes engine header {include}")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} include(s) against the layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Fails when an #include points up the house, reaches an unranked folder, or closes a loop.

The engine's folders under src/ form layers, lowest first: pixels, raster, format, io, compat,
objects, document, compose, effect, dialog. A file may include its own layer and those below.
The project library (src/project) is built on the public headers alone.

Hosts, tools and bindings (tools/, python/) include the public headers, their own files and
the tool folders ranked below them, never the engine's sources.

Every folder holding sources must be ranked, and no two folders may include each other,
however long the way round.
Usage: check_layers.py SOURCE_DIR
"""
import pathlib
import re
import sys

ENGINE = ["pixels", "raster", "format", "io", "compat", "objects", "document", "compose",
          "effect", "dialog"]
# The project library is loaded by the engine at run time and sees only the public headers.
PUBLIC_ONLY = ["src/project"]
HOSTS = ["tools/host", "tools/subtitles", "tools/authoring", "tools/dialog_gtk",
         "tools/kvxtheme", "tools/frei0r", "tools/gst", "python"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCES = ("*.h", "*.cpp")


def sources(root, top):
    for pattern in SOURCES:
        yield from (root / top).rglob(pattern)


def unit_of(relative):
    """The ranked unit a file belongs to: ('engine', layer) or ('host', folder) or None."""
    parts = relative.parts
    if parts[0] == "src":
        if "/".join(parts[:2]) in PUBLIC_ONLY:
            return ("public", "/".join(parts[:2]))
        if len(parts) > 2 and parts[1] in ENGINE:
            return ("engine", parts[1])
        return None
    if parts[0] == "include":
        return ("public", "include")
    for host in HOSTS:
        if relative.as_posix().startswith(host + "/"):
            return ("host", host)
    return None


def resolve(root, path, include):
    """The file an include names, searched as the build's include folders would."""
    relative = path.relative_to(root)
    unit = unit_of(relative)
    candidates = [path.parent / include]
    if unit and unit[0] == "host":
        candidates += [root / unit[1] / include, root / "tools" / include,
                       root / "python" / "src" / include]
    candidates += [root / "src" / include, root / "include" / include]
    for candidate in candidates:
        if candidate.is_file():
            return candidate.resolve().relative_to(root.resolve())
    return None


def rank(unit):
    kind, name = unit
    if kind == "engine":
        return ENGINE.index(name)
    if kind == "host":
        return HOSTS.index(name)
    return -1


def include_fault(source_unit, target_unit, include):
    if target_unit is None:
        return f"includes {include}, outside every ranked folder"
    if target_unit[0] == "public":
        return None
    if source_unit[0] == "public":
        return f"is built on the public headers but includes {include}"
    if source_unit[0] != target_unit[0]:
        return f"includes {include} across the library's boundary"
    if rank(target_unit) > rank(source_unit):
        return f"{source_unit[1]} includes {include} of the higher layer {target_unit[1]}"
    return None


def loops(edges):
    """The folders that include each other, however long the way round (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for target in sorted(edges.get(node, ())):
            if target not in index:
                visit(target)
                low[node] = min(low[node], low[target])
            elif target in on_stack:
                low[node] = min(low[node], index[target])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def main():
    root = pathlib.Path(sys.argv[1])
    faults = []
    edges = {}
    for top in ("src", "tools", "python"):
        for path in sorted(sources(root, top)):
            relative = path.relative_to(root)
            unit = unit_of(relative)
            if unit is None:
                faults.append(f"{relative}: its folder has no rank in the layer check")
                continue
            for include in INCLUDE.findall(path.read_text()):
                target = resolve(root, path, include)
                if target is None:
                    continue  # a generated or system header
                fault = include_fault(unit, unit_of(target), include)
                if fault:
                    faults.append(f"{relative}: {fault}")
                if target.parent != relative.parent and target.parts[0] != "include":
                    edges.setdefault(relative.parent.as_posix(), set()).add(target.parent.as_posix())
    for loop in loops(edges):
        faults.append("folders include each other: " + " <-> ".join(loop))
    for fault in faults:
        print(fault)
    print(f"{len(faults)} include(s) against the layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

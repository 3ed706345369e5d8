#!/usr/bin/env python3
"""Holds the library's dynamic exports against its installed headers, both ways.

Every exported symbol must belong to a name that a header under include/kvxtheme declares with
KVX_API (a class, a function or a variable), and every such name must be exported.
Usage: check_exports.py LIBRARY INCLUDE_DIR
"""
import pathlib
import re
import subprocess
import sys

SPECIAL = re.compile(r"^(?:typeinfo name for|typeinfo for|vtable for|VTT for) (.+)$")


def exported_symbols(library):
    out = subprocess.run(["nm", "-D", "-C", "--defined-only", library], check=True,
                         capture_output=True, text=True).stdout
    symbols = []
    for line in out.splitlines():
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[1] not in ("A",):
            symbols.append(parts[2])
    return symbols


def owner_of(symbol):
    """The declared name a symbol belongs to: its class, or the function or variable itself."""
    special = SPECIAL.match(symbol)
    name = special.group(1) if special else symbol
    depth = 0
    for i, ch in enumerate(name):
        if ch in "<(":
            if depth == 0 and ch == "(":
                name = name[:i]
                break
            depth += 1
        elif ch in ">)":
            depth -= 1
    name = re.sub(r"\[abi:\w+\]", "", name).strip()
    name = name.split(" ")[-1]  # drops a template function's return type
    parts = [p for p in name.split("::") if p]
    if parts and parts[0] == "kvx":
        parts = parts[1:]
    return parts[0] if parts else symbol


def declared_names(include_dir):
    names = {}
    for header in sorted(pathlib.Path(include_dir).rglob("*.h")):
        text = re.sub(r"//[^\n]*|^#[^\n]*", "", header.read_text(), flags=re.M)
        for match in re.finditer(r"\b(?:class|struct) KVX_API (\w+)", text):
            names[match.group(1)] = header.name
        for match in re.finditer(r"KVX_API\s+(?!class|struct)[^;{(]*?\b(\w+)\s*(?:\(|;)", text):
            names[match.group(1)] = header.name
    return names


def main():
    library, include_dir = sys.argv[1], sys.argv[2]
    declared = declared_names(include_dir)
    symbols = exported_symbols(library)
    undeclared = sorted({s for s in symbols if owner_of(s) not in declared})
    owners = {owner_of(s) for s in symbols}
    missing = sorted(n for n in declared if n not in owners)
    for symbol in undeclared:
        print(f"exported but not declared in {include_dir}: {symbol}")
    for name in missing:
        print(f"declared with KVX_API in {declared[name]} but not exported: {name}")
    if not declared or not symbols:
        print("nothing to compare: no declarations or no exports found")
        return 1
    print(f"{len(symbols)} exported symbols, {len(declared)} declared names")
    return 1 if undeclared or missing else 0


if __name__ == "__main__":
    sys.exit(main())

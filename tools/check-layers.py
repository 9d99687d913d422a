#!/usr/bin/env python3
"""Fails when a source file includes a header of a library its own library does
not depend on. The dependencies are read from the vel_subsystem(...) lines of
CMakeLists.txt, so the build file stays the one place that says which way they
point; src/app/ (the executables) may include anything."""
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
cmake = (root / "CMakeLists.txt").read_text()
deps = {}
for name, body in re.findall(r"vel_subsystem\((\w+)\s+DEPS([^)]*)\)", cmake):
    deps[name] = set(re.findall(r"\bvel_(\w+)", body))


def reachable(name):
    seen, todo = set(), [name]
    while todo:
        for dep in deps.get(todo.pop(), ()):
            if dep not in seen:
                seen.add(dep)
                todo.append(dep)
    return seen


include = re.compile(r'^\s*#\s*include\s+"(\w+)/', re.M)
faults = []
for folder in sorted((root / "src").iterdir()):
    layer = folder.name
    if layer == "app" or not folder.is_dir():
        continue
    if layer not in deps:
        faults.append(f"src/{layer}/ is not a library of CMakeLists.txt")
        continue
    allowed = reachable(layer) | {layer}
    for path in sorted(folder.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        for used in include.findall(path.read_text(errors="replace")):
            if used not in allowed and (root / "src" / used).is_dir():
                faults.append(f"{path.relative_to(root)}: includes {used}/, which vel_{layer} does not depend on")
for name, used in deps.items():
    if name in reachable(name):
        faults.append(f"vel_{name} depends on itself through {sorted(used)}")

print("\n".join(faults) if faults else f"layers: {len(deps)} libraries, every include points down")
sys.exit(1 if faults else 0)

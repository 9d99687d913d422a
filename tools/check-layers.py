#!/usr/bin/env python3
"""Fails when a source file includes a header of a library its own library does
not depend on, or a Qt Widgets header outside the windows.

The dependencies are read from CMakeLists.txt (the vel_subsystem(...) lines) and
tests/CMakeLists.txt (the vel_tests(...) lines), so the build files stay the one
place that says which way they point. Every include form counts: "engine/x.h",
<engine/x.h> and relative ones such as "../engine/x.h", in .h, .hpp, .cpp and
friends. src/app/ (the executables) may include any library; only the window
program's main and src/ui/ may include Qt Widgets. A test program may include
the libraries it links and their dependencies; a shared header under
tests/support/ is held to the rules of each test that includes it.

Usage: check-layers.py [ROOT]   (ROOT defaults to this checkout)"""
import pathlib
import re
import sys

SOURCE_SUFFIXES = {".h", ".hh", ".hpp", ".hxx", ".c", ".cc", ".cpp", ".cxx"}
# The executables that open windows may include Qt Widgets besides src/ui/.
WIDGET_PROGRAMS = {"src/app/velloran_main.cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def widget_headers():
    """Class headers of Qt Widgets, from the installed module (a fixed list when Qt is absent)."""
    for base in ("/usr/include/x86_64-linux-gnu/qt6", "/usr/include/aarch64-linux-gnu/qt6", "/usr/include/qt6"):
        folder = pathlib.Path(base) / "QtWidgets"
        if folder.is_dir():
            return {p.name for p in folder.iterdir() if p.name.startswith("Q") and "." not in p.name}
    return {"QApplication", "QWidget", "QMessageBox", "QDialog", "QMainWindow", "QLabel", "QPushButton"}


def library_deps(text, function):
    deps = {}
    for name, body in re.findall(function + r"\((\w+)\s+DEPS([^)]*)\)", text):
        deps[name] = set(re.findall(r"\bvel_(\w+)", body))
    return deps


def reachable(deps, names):
    seen, todo = set(), list(names)
    while todo:
        for dep in deps.get(todo.pop(), ()):
            if dep not in seen:
                seen.add(dep)
                todo.append(dep)
    return seen


class Checker:
    def __init__(self, root):
        self.root = root
        self.libraries = {p.name for p in (root / "src").iterdir() if p.is_dir()}
        self.deps = library_deps((root / "CMakeLists.txt").read_text(), "vel_subsystem")
        tests_cmake = root / "tests" / "CMakeLists.txt"
        self.test_deps = library_deps(tests_cmake.read_text(), "vel_tests") if tests_cmake.exists() else {}
        self.widgets = widget_headers()
        self.faults = []

    def includes(self, path):
        """(header, the library it belongs to or None, the file it resolves to or None) of each include."""
        for bracket, header in INCLUDE.findall(path.read_text(errors="replace")):
            target = None
            if bracket == '"' and (path.parent / header).exists():
                target = (path.parent / header).resolve()
            elif (self.root / "src" / header).exists():
                target = (self.root / "src" / header).resolve()
            elif (self.root / "tests" / header).exists():
                target = (self.root / "tests" / header).resolve()
            library = None
            if target is not None and self.root / "src" in target.parents:
                library = target.relative_to(self.root / "src").parts[0]
            elif target is None and "/" in header and header.split("/")[0] in self.libraries:
                library = header.split("/")[0]  # a header of ours that does not exist (yet) still names its library
            yield header, library, target

    def check_file(self, path, allowed, widgets_allowed, owner, seen=None):
        """Checks one file and, for a test, the shared test headers it pulls in."""
        seen = set() if seen is None else seen
        if path in seen:
            return
        seen.add(path)
        shown = path.relative_to(self.root)
        for header, library, target in self.includes(path):
            if library is not None and allowed is not None and library not in allowed:
                self.faults.append(f"{shown}: includes {header}, a header of vel_{library}, which {owner} does not depend on")
            if not widgets_allowed and header.split("/")[-1] in self.widgets | {"QtWidgets"}:
                self.faults.append(f"{shown}: includes {header} (Qt Widgets) outside src/ui/")
            support = self.root / "tests" / "support"
            if target is not None and support in target.parents and target.suffix in SOURCE_SUFFIXES:
                self.check_file(target, allowed, widgets_allowed, owner, seen)

    def sources(self, folder):
        return [p for p in sorted(folder.rglob("*")) if p.suffix in SOURCE_SUFFIXES and p.is_file()]

    def run(self):
        for folder in sorted((self.root / "src").iterdir()):
            layer = folder.name
            # A folder without C++ (the web page's files alone) includes nothing.
            if not folder.is_dir() or not self.sources(folder):
                continue
            if layer == "app":
                for path in self.sources(folder):
                    rel = str(path.relative_to(self.root))
                    self.check_file(path, None, rel in WIDGET_PROGRAMS, "an executable")
                continue
            if layer not in self.deps:
                self.faults.append(f"src/{layer}/ is not a library of CMakeLists.txt")
                continue
            allowed = reachable(self.deps, [layer]) | {layer}
            for path in self.sources(folder):
                self.check_file(path, allowed, layer == "ui", f"vel_{layer}")
        for name, used in self.deps.items():
            if name in reachable(self.deps, [name]):
                self.faults.append(f"vel_{name} depends on itself through {sorted(used)}")
        self.run_tests()
        tools = self.root / "tools"
        if tools.is_dir():
            for path in self.sources(tools):
                self.check_file(path, None, False, "a tool")
        return self.faults

    def run_tests(self):
        tests = self.root / "tests"
        if not tests.is_dir():
            return
        for folder in sorted(p for p in tests.iterdir() if p.is_dir()):
            if folder.name == "support" or folder.name not in self.test_deps:
                continue  # support is checked through the tests that include it
            linked = self.test_deps[folder.name]
            allowed = reachable(self.deps, linked) | linked
            widgets = "ui" in allowed
            for path in self.sources(folder):
                self.check_file(path, allowed, widgets, f"test_{folder.name}")


def main():
    root = pathlib.Path(sys.argv[1]).resolve() if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent
    checker = Checker(root)
    faults = checker.run()
    print("\n".join(faults) if faults else f"layers: {len(checker.deps)} libraries, every include points down")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

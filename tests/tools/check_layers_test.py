#!/usr/bin/env python3
"""The layering check against small scratch trees: each case adds one file to a
tree of three libraries (text <- measure <- engine, ui on top) and says whether
the check must fail, and with what."""
import pathlib
import subprocess
import sys
import tempfile

CHECK = pathlib.Path(__file__).resolve().parents[2] / "tools" / "check-layers.py"

CMAKE = """
vel_subsystem(text     DEPS Qt6::Core)
vel_subsystem(measure  DEPS vel_text)
vel_subsystem(engine   DEPS vel_measure vel_text)
vel_subsystem(ui       DEPS vel_engine vel_measure vel_text Qt6::Widgets)
"""
TESTS_CMAKE = """
vel_tests(measure DEPS vel_measure)
vel_tests(ui      DEPS vel_ui)
"""
BASE_FILES = {
    "src/text/t.h": "#pragma once\n",
    "src/measure/m.h": '#include "text/t.h"\n',
    "src/engine/e.h": '#include "measure/m.h"\n',
    "src/ui/w.h": "#include <QWidget>\n",
    "tests/support/rig.h": '#include "measure/m.h"\n',
    "tests/measure/uses_rig.cpp": '#include "support/rig.h"\n',
}

# (what, path, content, expected fault text or None for a clean tree)
CASES = [
    ("a downward include", "src/engine/ok.cpp", '#include "measure/m.h"\n#include <QString>\n', None),
    ("an upward quoted include", "src/measure/up.cpp", '#include "engine/e.h"\n', "includes engine/e.h"),
    ("an upward angle-bracket include", "src/measure/up.cpp", "#include <engine/e.h>\n", "includes engine/e.h"),
    ("an upward relative include", "src/measure/up.cpp", '#include "../engine/e.h"\n', "includes ../engine/e.h"),
    ("an upward include in a .hpp", "src/text/x.hpp", '#include "measure/m.h"\n', "src/text/x.hpp"),
    ("a same-folder include", "src/measure/local.cpp", '#include "m.h"\n', None),
    ("a system header named like a library", "src/text/sys.cpp", "#include <sys/stat.h>\n", None),
    ("Qt Widgets in a library", "src/engine/box.cpp", "#include <QMessageBox>\n", "(Qt Widgets) outside src/ui/"),
    ("Qt Widgets by module path", "src/engine/box.cpp", "#include <QtWidgets/QDialog>\n", "(Qt Widgets)"),
    ("Qt Widgets in the command-line program", "src/app/cli.cpp", "#include <QApplication>\n", "(Qt Widgets)"),
    ("Qt Widgets in the window program", "src/app/velloran_main.cpp", "#include <QApplication>\n", None),
    ("a test above what it links", "tests/measure/t.cpp", '#include "engine/e.h"\n', "test_measure"),
    ("a shared header above the test", "tests/support/rig.h", '#include "engine/e.h"\n', "tests/support/rig.h"),
    ("Qt Widgets in a non-window test", "tests/measure/w.cpp", "#include <QWidget>\n", "(Qt Widgets)"),
    ("Qt Widgets in the window tests", "tests/ui/w.cpp", "#include <QWidget>\n#include \"engine/e.h\"\n", None),
]


def run_case(path, content):
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        (root / "CMakeLists.txt").write_text(CMAKE)
        (root / "tests").mkdir()
        (root / "tests" / "CMakeLists.txt").write_text(TESTS_CMAKE)
        for name in ("text", "measure", "engine", "ui", "app"):
            (root / "src" / name).mkdir(parents=True, exist_ok=True)
        for name in ("measure", "ui", "support"):
            (root / "tests" / name).mkdir(parents=True, exist_ok=True)
        for rel, text in {**BASE_FILES, path: content}.items():
            (root / rel).write_text(text)
        done = subprocess.run([sys.executable, str(CHECK), str(root)], capture_output=True, text=True)
        return done.returncode, done.stdout


def main():
    failed = 0
    for what, path, content, expected in CASES:
        code, out = run_case(path, content)
        ok = (code == 0) if expected is None else (code == 1 and expected in out)
        if not ok:
            failed += 1
            print(f"FAIL {what}: exit {code}, output:\n{out}")
    print(f"{len(CASES) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

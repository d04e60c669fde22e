#!/usr/bin/env python3
"""Checks that every source file includes only its own layer and the layers below it.

The layers and their files come from the calbrey_add_sources() lists in src/**/CMakeLists.txt.
A file may include a header of its own layer or of a lower one, and the Qt modules its layer
links. The command-line program (src/cli) is a layer beside the windows: the logic layers and
Qt Core only. A quoted include that no list holds is an error too, so an unlisted header cannot slip
past. The main window's header is for the start-up alone: its features reach it through
forms/main/mainwindowhost.h. `--self-test` plants a forbidden include in a scratch copy and
expects the check to fail.
"""
import argparse
import os
import re
import shutil
import sys
import tempfile

# Each layer and the layers whose headers its files may include (its own among them). The
# command-line program, calbrey, stands beside the windows: the logic without them.
LAYERS = {
    "calbrey_platform": {"calbrey_platform"},
    "calbrey_core": {"calbrey_platform", "calbrey_core"},
    "calbrey_gui": {"calbrey_platform", "calbrey_core", "calbrey_gui"},
    "calbrey": {"calbrey_platform", "calbrey_core", "calbrey"},
}
QT_MODULES = {
    "calbrey_platform": {"QtCore"},
    "calbrey_core": {"QtCore", "QtGui", "QtSvg", "QtNetwork"},
    "calbrey_gui": {"QtCore", "QtGui", "QtSvg", "QtNetwork", "QtWidgets", "QtPrintSupport"},
    "calbrey": {"QtCore"},
}
# The main window's header and the only files that may include it.
MAIN_WINDOW = "forms/main/frmmainform.h"
MAIN_WINDOW_USERS = {"forms/main/frmmainform.cpp", "forms/main/calbreyapplication.cpp"}
SOURCES_CALL = re.compile(r"calbrey_add_sources\(\s*(\w+)(.*?)\)", re.S)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def read_layers(src):
    """{path relative to src: layer} from every folder's list."""
    files = {}
    for folder, _, names in os.walk(src):
        if "CMakeLists.txt" not in names:
            continue
        text = open(os.path.join(folder, "CMakeLists.txt"), encoding="utf-8").read()
        text = re.sub(r"#.*", "", text)
        for layer, body in SOURCES_CALL.findall(text):
            for name in body.split():
                rel = os.path.relpath(os.path.join(folder, name), src).replace(os.sep, "/")
                files[rel] = layer
    return files


def qt_module_of(header, qt_headers):
    """The Qt module a <QClass> or <QtModule/QClass> include comes from, or None."""
    if "/" in header:
        module = header.split("/", 1)[0]
        return module if module.startswith("Qt") else None
    if not header.startswith("Q") or not qt_headers:
        return None
    for module in sorted(os.listdir(qt_headers)):
        if os.path.isfile(os.path.join(qt_headers, module, header)):
            return module
    return None


def check(src, qt_headers):
    files = read_layers(src)
    problems = []
    for rel, layer in sorted(files.items()):
        if not rel.endswith((".cpp", ".h")):
            continue
        text = open(os.path.join(src, rel), encoding="utf-8", errors="replace").read()
        for kind, header in INCLUDE.findall(text):
            if kind == '"':
                if header.startswith("ui_") or header.startswith("moc_") or header.endswith(".moc"):
                    if layer != "calbrey_gui" and header.startswith("ui_"):
                        problems.append(f"{rel} ({layer}) includes the form {header}")
                    continue
                owner = files.get(header)
                if owner is None:
                    problems.append(f"{rel} includes \"{header}\", which no layer lists")
                elif owner not in LAYERS[layer]:
                    problems.append(f"{rel} ({layer}) includes {header} ({owner})")
                elif header == MAIN_WINDOW and rel not in MAIN_WINDOW_USERS:
                    problems.append(f"{rel} includes {header}: use forms/main/mainwindowhost.h")
            else:
                module = qt_module_of(header, qt_headers)
                if module and module not in QT_MODULES[layer]:
                    problems.append(f"{rel} ({layer}) includes <{header}> from {module}")
    return problems


def default_qt_headers():
    for candidate in ("/usr/include/x86_64-linux-gnu/qt6", "/usr/include/qt6"):
        if os.path.isdir(os.path.join(candidate, "QtCore")):
            return candidate
    return None


def self_test(src, qt_headers):
    """Each planted include must make the check fail; the untouched copy must pass."""
    plants = [
        ("platform/inifile.cpp", '#include "profiles/untprofiles.h"\n'),
        ("profiles/contactfields.cpp", "#include <QtWidgets/QWidget>\n"),
        ("profiles/contactfields.cpp", "#include <QDialog>\n"),
        ("platform/shell.cpp", "#include <QImage>\n"),
        ("app/untcommon.cpp", '#include "forms/main/frmmainform.h"\n'),
        ("app/untcommon.cpp", '#include "nowhere/unlisted.h"\n'),
        ("reports/reportcommands.cpp", '#include "forms/main/frmmainform.h"\n'),
        ("cli/cli.cpp", '#include "forms/common/filedialogs.h"\n'),
        ("cli/cli.cpp", "#include <QWidget>\n"),
        ("cli/cli.cpp", "#include <QImage>\n"),
        ("app/untcommon.cpp", '#include "cli/cli.h"\n'),
    ]
    if check(src, qt_headers):
        print("self-test: the tree itself does not pass")
        return 1
    failures = 0
    for target, line in plants:
        with tempfile.TemporaryDirectory() as scratch:
            copy = os.path.join(scratch, "src")
            shutil.copytree(src, copy, ignore=shutil.ignore_patterns("resources"))
            path = os.path.join(copy, target)
            with open(path, encoding="utf-8") as f:
                text = f.read()
            with open(path, "w", encoding="utf-8") as f:
                f.write(line + text)
            if not check(copy, qt_headers):
                print(f"self-test: {line.strip()} in {target} was not caught")
                failures += 1
    print("layer check self-test: " + ("ok" if not failures else f"{failures} missed"))
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--src", default=os.path.join(os.path.dirname(__file__), "..", "src"))
    parser.add_argument("--qt-headers", default=default_qt_headers())
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    src = os.path.abspath(args.src)
    if args.self_test:
        return self_test(src, args.qt_headers)
    problems = check(src, args.qt_headers)
    for problem in problems:
        print(problem)
    print("layer check: " + ("ok" if not problems else f"{len(problems)} problems"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

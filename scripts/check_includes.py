#!/usr/bin/env python3
"""Keeps the folder graph one-way: a source folder includes only from itself and the
folders below it (docs/architecture.md). Prints every include that reaches up or
sideways as file:line and exits non-zero. tests/ and bench/ may include anything.
Each folder's CMakeLists.txt must also link exactly the folder libraries it includes
from, so that it tells the truth about what the folder uses.

Usage: scripts/check_includes.py [root]
"""
import pathlib
import re
import sys

# Bottom to top. A folder may include from the folders listed before it.
RANKS = [
    "platform",
    "uikit",
    "annotation",
    "editor_ui",
    "app/state",
    "recording",
    "settings",
    "cloud",
    "capture",
    "app",
]
# Folders outside the ranking, with what each may include besides itself.
SEPARATE = {
    # The recording service is a program of its own; it links QtCore and QtDBus only.
    "service": {"platform"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCE_SUFFIXES = {".h", ".cpp", ".hpp", ".cc", ".in"}


def folder_of(path: str):
    """The checked folder a repository path (or include path) belongs to, if any."""
    best = None
    for name in list(RANKS) + list(SEPARATE):
        if path.startswith(name + "/") and (best is None or len(name) > len(best)):
            best = name
    return best


def allowed(source: str, target: str) -> bool:
    if source == target:
        return True
    if source in SEPARATE:
        return target in SEPARATE[source]
    if target not in RANKS:
        return False
    return RANKS.index(target) < RANKS.index(source)


def check(root: pathlib.Path):
    problems = []
    tops = {name.split("/")[0] for name in list(RANKS) + list(SEPARATE)}
    for top in sorted(tops):
        base = root / top
        if not base.is_dir():
            continue
        for file in sorted(base.rglob("*")):
            if not file.is_file() or file.suffix not in SOURCE_SUFFIXES:
                continue
            rel = file.relative_to(root).as_posix()
            source = folder_of(rel)
            if source is None:
                continue
            text = file.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = folder_of(match.group(1))
                # Includes without a folder are the generated headers and the
                # file's own neighbours written relatively: neither reaches out.
                if target is None:
                    if "/" in match.group(1):
                        problems.append(f"{rel}:{number}: {line.strip()} (not a source folder)")
                    continue
                if not allowed(source, target):
                    problems.append(f"{rel}:{number}: {line.strip()} ({source} may not use {target})")
    return problems


LIBRARY_CALL = re.compile(r"qn_folder_library\(\s*(\w+)([^)]*)\)", re.S)


def library_of(folder: str) -> str:
    return "qn_state" if folder == "app/state" else "qn_" + folder.replace("/", "_")


def check_libraries(root: pathlib.Path):
    """Folder libraries a folder's CMakeLists links but does not include from, or the
    other way round."""
    problems = []
    folders = {name: library_of(name) for name in RANKS}
    by_library = {library: name for name, library in folders.items()}
    for folder, library in folders.items():
        lists = root / folder / "CMakeLists.txt"
        if not lists.is_file():
            continue
        call = LIBRARY_CALL.search(lists.read_text(encoding="utf-8"))
        if not call or call.group(1) != library:
            continue
        linked = {word for word in re.split(r"\s+", call.group(2)) if word in by_library}
        used = set()
        for file in (root / folder).rglob("*"):
            if not file.is_file() or file.suffix not in SOURCE_SUFFIXES:
                continue
            if folder_of(file.relative_to(root).as_posix()) != folder:
                continue
            for line in file.read_text(encoding="utf-8", errors="replace").splitlines():
                match = INCLUDE.match(line)
                target = folder_of(match.group(1)) if match else None
                if target and target != folder and target in folders:
                    used.add(folders[target])
        rel = lists.relative_to(root).as_posix()
        for missing in sorted(used - linked):
            problems.append(f"{rel}: includes from {by_library[missing]}/ but does not link {missing}")
        for extra in sorted(linked - used):
            problems.append(f"{rel}: links {extra} but includes nothing from {by_library[extra]}/")
    return problems


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    problems = check(root) + check_libraries(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} problem(s): a folder includes only from the folders below it "
              "and links exactly those (order: " + " < ".join(RANKS) + ")", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks the core's include graph against its library graph.

Usage: check-include-graph.py <manifest> <source root>

The manifest (written by cmake/core_libraries.cmake) names each library with the libraries it
links directly, and the files of each library. A file may include headers of its own library,
of the libraries its library links directly, and of vermark_platform; vermark_platform may
include only its own headers. Fails as well when a file of a core folder belongs to no library
and when files include each other in a cycle."""
import pathlib
import re
import sys

CORE_FOLDERS = ["platform", "util", "text", "diag", "settings", "update", "dxf"]
PLATFORM = "vermark_platform"
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def read_manifest(path):
    deps, owner = {}, {}
    for line in pathlib.Path(path).read_text().splitlines():
        words = line.split()
        if not words:
            continue
        if words[0] == "library":
            deps[words[1]] = set(";".join(words[2:]).replace(";", " ").split())
        elif words[0] == "file":
            owner[words[2]] = words[1]
    return deps, owner


def includes_of(root, relative):
    path = root / relative
    if not path.exists():
        return []
    return INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace"))


def find_cycle(graph):
    """One include cycle as a list of files, or None."""
    state = {}
    for start in sorted(graph):
        if start in state:
            continue
        stack = [(start, iter(sorted(graph[start])))]
        path = [start]
        state[start] = "open"
        while stack:
            node, children = stack[-1]
            child = next(children, None)
            if child is None:
                state[node] = "done"
                stack.pop()
                path.pop()
            elif state.get(child) == "open":
                return path[path.index(child):] + [child]
            elif child not in state and child in graph:
                state[child] = "open"
                stack.append((child, iter(sorted(graph[child]))))
                path.append(child)
    return None


def main():
    manifest, root = sys.argv[1], pathlib.Path(sys.argv[2])
    deps, owner = read_manifest(manifest)
    problems = []

    for folder in CORE_FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix in (".h", ".cpp") and not path.name.endswith("_qt.cpp"):
                relative = path.relative_to(root).as_posix()
                if relative.startswith("platform/windows/"):
                    continue  # built only by the Windows toolchain
                if relative not in owner:
                    problems.append(f"{relative}: belongs to no library")

    graph = {}
    for relative, library in sorted(owner.items()):
        if library == PLATFORM:
            allowed = {PLATFORM}
        else:
            allowed = {library, PLATFORM} | deps.get(library, set())
        graph[relative] = set()
        for included in includes_of(root, relative):
            target = owner.get(included)
            if target is None:
                problems.append(f"{relative}: includes {included}, which no library owns")
                continue
            graph[relative].add(included)
            if target not in allowed:
                problems.append(f"{relative} ({library}): includes {included} of {target}, "
                                f"which {library} does not build on")

    cycle = find_cycle(graph)
    if cycle:
        problems.append("include cycle: " + " -> ".join(cycle))

    for problem in problems:
        print(problem)
    print(f"{len(owner)} files in {len(deps)} libraries, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

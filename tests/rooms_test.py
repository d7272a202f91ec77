#!/usr/bin/env python3
"""Which folder includes which. The game's folders include only downward (app -> ai -> rules),
and no two folders of the rest (tests/ and its subfolders, fuzz/, bench/, tools/) include each
other in a circle: every include names its folder from the top of the tree, which is therefore
on every include path, so only this test keeps the rooms apart. Usage: rooms_test.py SOURCE_DIR"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
GAME = ["rules", "ai", "app"]  # each may include only those before it, and itself
TOP_ROOMS = GAME + ["bench", "fuzz", "tools"]


def room(path):
    """The folder a file belongs to: tests/<name> for tests, else its top folder."""
    parts = path.split("/")
    if parts[0] == "tests" and len(parts) > 2:
        return "/".join(parts[:2])
    if parts[0] == "app":
        return "app"
    return parts[0] if parts[0] in TOP_ROOMS or parts[0] == "tests" else None


def edges(source_dir):
    found = {}
    for folder in TOP_ROOMS + ["tests"]:
        for directory, _, names in os.walk(os.path.join(source_dir, folder)):
            for name in names:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(directory, name), source_dir)
                with open(os.path.join(source_dir, path), encoding="utf-8") as source:
                    text = source.read()
                for target in INCLUDE.findall(text):
                    # A bare name is a file beside the including one.
                    if "/" not in target:
                        continue
                    a, b = room(path), room(target)
                    if a and b and a != b:
                        found.setdefault((a, b), path + " includes " + target)
    return found


def circle(graph, start):
    """A path of rooms from start back to itself, or None."""
    stack = [(start, [start])]
    seen = set()
    while stack:
        node, path = stack.pop()
        for following in graph.get(node, ()):
            if following == start:
                return path + [start]
            if following not in seen:
                seen.add(following)
                stack.append((following, path + [following]))
    return None


def main(source_dir):
    found = edges(source_dir)
    faults = []
    for (a, b), example in sorted(found.items()):
        if a in GAME and (b not in GAME or GAME.index(b) > GAME.index(a)):
            faults.append(f"{a}/ may include only the game's lower folders: {example}")
    graph = {}
    for a, b in found:
        graph.setdefault(a, set()).add(b)
    for start in sorted(graph):
        path = circle(graph, start)
        if path:
            steps = [found[(x, y)] for x, y in zip(path, path[1:])]
            faults.append("folders include each other: " + " -> ".join(path) + " (" +
                          "; ".join(steps) + ")")
            break
    for fault in faults:
        print("FAIL:", fault)
    if not faults:
        print(f"{len(found)} links between folders, all one way")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

#!/usr/bin/env python3
"""Holds every source file, and every library's link dependencies, to the
rule of its folder's README: the line "- May include:" names, in backticks,
the folders (or single headers) the folder's files may include besides their
own, `Qt` when they may include Qt, and `*` when anything of the project.
A file is governed by the nearest folder above it that has such a line.

    tools/check_layers.py [--root DIR] [--targets build/layers.txt]

--targets: the list the build writes of each library's folder and the
libraries it links; their folders must be allowed too. Exit 0 when all
holds, 1 with one line per breach, 2 when a code folder has no rule.
"""
import argparse
import os
import re
import sys

SKIP = {".git", ".ci", "docs", "lang", "packaging"}
INCLUDE = re.compile(r'^\s*#\s*include\s+([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^Qt?[A-Z]|^Qt[A-Za-z]*/")


def rules(root):
    """{folder: (allowed items, qt allowed, anything)} from every README with a rule."""
    out = {}
    for dirpath, dirnames, filenames in os.walk(root):
        rel = os.path.relpath(dirpath, root)
        dirnames[:] = [d for d in dirnames if d not in SKIP and not d.startswith("build")]
        if "README.md" not in filenames or rel == ".":
            continue
        with open(os.path.join(dirpath, "README.md"), encoding="utf-8") as f:
            for line in f:
                if line.startswith("- May include:"):
                    items = re.findall(r"`([^`]+)`", line)
                    out[rel] = ({i.rstrip("/") for i in items if i not in ("Qt", "*")}, "Qt" in items, "*" in items)
                    break
    return out


def governing(folder, table):
    while folder and folder != ".":
        if folder in table:
            return folder
        folder = os.path.dirname(folder)
    return None


def allowed(path, own, items):
    if path.startswith(own + "/"):
        return True
    return any(path == i or path.startswith(i + "/") for i in items)


def linkable(folder, own, items):
    """A library may link the library of a folder it may include, or one header of."""
    return folder == own or allowed(folder, own, items) or any(i.startswith(folder + "/") for i in items)


def check_files(root, table):
    breaches, unruled = [], set()
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames[:] = [d for d in dirnames if d not in SKIP and not d.startswith("build")]
        rel = os.path.relpath(dirpath, root)
        for name in sorted(filenames):
            if not name.endswith((".h", ".cpp")):
                continue
            folder = governing(rel, table)
            if folder is None:
                unruled.add(rel)
                continue
            items, qt, anything = table[folder]
            if anything:
                continue
            path = os.path.join(dirpath, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                for n, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    kind, target = m.groups()
                    where = f"{os.path.relpath(path, root)}:{n}"
                    if kind == "<":
                        if QT_HEADER.match(target) and not qt:
                            breaches.append(f"{where}: <{target}>: {folder} may not include Qt")
                        continue
                    if os.path.exists(os.path.join(root, target)):
                        if not allowed(target, folder, items):
                            breaches.append(f'{where}: "{target}": not among what {folder}/README.md allows')
                    elif not os.path.exists(os.path.join(dirpath, target)):
                        breaches.append(f'{where}: "{target}": no such file of the project')
    return breaches, unruled


def check_targets(listing, table):
    """Lines "folder target dep;dep;..." written by the build."""
    breaches = []
    folder_of = {}
    entries = []
    with open(listing, encoding="utf-8") as f:
        for line in f:
            parts = line.split(" ", 2)
            if len(parts) < 2:
                continue
            folder, target = parts[0], parts[1]
            deps = [d for d in (parts[2].strip().split(";") if len(parts) > 2 else []) if d]
            folder_of[target] = folder
            entries.append((folder, target, deps))
    for folder, target, deps in entries:
        rule = governing(folder, table)
        if rule is None:
            breaches.append(f"{target} ({folder}): no README rule")
            continue
        items, qt, anything = table[rule]
        if anything:
            continue
        for dep in deps:
            dep = re.sub(r"^\$<LINK_ONLY:(.*)>$", r"\1", dep)
            if dep.startswith("Qt6::"):
                if not qt:
                    breaches.append(f"{target} ({folder}) links {dep}: {rule} may not include Qt")
            elif dep in folder_of and not linkable(folder_of[dep], rule, items):
                breaches.append(f"{target} ({folder}) links {dep} ({folder_of[dep]}): not among what {rule}/README.md allows")
    return breaches


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    p.add_argument("--targets")
    a = p.parse_args()
    root = os.path.abspath(a.root)
    table = rules(root)
    breaches, unruled = check_files(root, table)
    if a.targets:
        breaches += check_targets(a.targets, table)
    for b in breaches:
        print(b)
    for u in sorted(unruled):
        print(f"{u}: code without a README rule (\"- May include:\") above it")
    if unruled:
        return 2
    if breaches:
        return 1
    print(f"layers: {len(table)} folders, every include and link as their READMEs say")
    return 0


if __name__ == "__main__":
    sys.exit(main())

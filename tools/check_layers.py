#!/usr/bin/env python3
"""The shipped code's include structure: no circle between modules, and each folder includes only
from the folders below it.

A module is a header with the sources that implement it: foo.h, foo.cpp and foo_win32.cpp, and
a source without a header of its own name belongs to the one header of its folder that it
includes (undo_list.cpp to undo.h). Module A depends on B when any file of A includes B's header.

    check_layers.py ROOT          fails, naming each circle and each step downwards that is missing
    check_layers.py ROOT --graph  prints the module graph as well
    check_layers.py --self-test   shows that a planted circle and a planted upward include fail
"""
import os
import re
import sys

# Bottom to top: what each folder may include besides its own headers, as folders or as single
# modules. core/session is the installer's one record of the run, which its subsystems read and
# write directly; the installation page is one of the wizard's pages; the installer's roll-back
# removes through the uninstaller's removals, and the pack reader records what it writes in the
# undo list.
LAYERS = {
    "runtime": [],
    "services": [],
    "env": ["services", "ui/dialogs", "core/session"],
    "log": ["services", "env"],
    "uninstall": ["services", "env", "log"],
    "payload": ["services", "env", "log", "install/undo", "install/keep", "core/session"],
    "install": ["services", "env", "log", "uninstall", "payload", "ui", "core/session",
                "core/page_events"],
    "ui": ["services", "env", "install/target_hold", "core/session", "core/page_events"],
    "core": ["services", "env", "log", "uninstall", "payload", "install", "ui"],
    "programs": ["services", "env", "log", "uninstall", "install/recovery", "core/single_copy"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def shipped_files(root):
    for folder in LAYERS:
        for dirpath, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(dirpath, name), root)


def module_of(path, headers):
    """The header's module whose stem is the file's own, or the longest that begins it at a word
    boundary (undo_actions_win32.cpp belongs to undo.h)."""
    stem = re.sub(r"(_win32)?\.(h|cpp)$", "", path)
    while stem:
        if stem + ".h" in headers:
            return stem
        cut = stem.rfind("_")
        if cut <= stem.rfind("/"):
            return None
        stem = stem[:cut]
    return None


def build_graph(root):
    files = list(shipped_files(root))
    headers = {f for f in files if f.endswith(".h")}
    includes = {}
    for f in files:
        with open(os.path.join(root, f), encoding="latin-1") as text:
            includes[f] = [i for i in INCLUDE.findall(text.read()) if i in headers]
    graph = {}
    for f in files:
        module = module_of(f, headers)
        if module is None:
            folder = os.path.dirname(f)
            own = [i for i in includes[f] if os.path.dirname(i) == folder]
            module = module_of(own[0], headers) if len(own) == 1 else re.sub(r"\.cpp$", "", f)
        edges = graph.setdefault(module, set())
        edges.update(i[:-2] for i in includes[f] if i[:-2] != module)
    return graph


def circles(graph):
    """Strongly connected components of more than one module (Tarjan, iteratively)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = len(index)
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph.get(child, ())))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
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
    return found


def top_folder(module):
    return module.split("/", 1)[0]


def faults_of(root):
    graph = build_graph(root)
    faults = []
    for component in circles(graph):
        faults.append("circle: " + " <-> ".join(component))
    for module in sorted(graph):
        for used in sorted(graph[module]):
            a, b = top_folder(module), top_folder(used)
            if a != b and b not in LAYERS[a] and used not in LAYERS[a]:
                faults.append("upwards: %s includes %s.h" % (module, used))
    return graph, faults


def self_test():
    import tempfile
    planted = {
        "services/a.h": "",
        "services/a_win32.cpp": '#include "services/a.h"\n#include "services/b.h"\n',
        "services/b.h": "",
        "services/b_list.cpp": '#include "services/b.h"\n#include "services/a.h"\n',
        "log/c.h": "",
        "services/d.cpp": '#include "log/c.h"\n',
        "log/e.cpp": '#include "services/a.h"\n',
    }
    with tempfile.TemporaryDirectory() as root:
        for path, text in planted.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write(text)
        _, faults = faults_of(root)
    expected = ["circle: services/a <-> services/b", "upwards: services/d includes log/c.h"]
    if faults != expected:
        print("self-test: expected %s, got %s" % (expected, faults))
        return 1
    print("self-test: the planted circle and upward include are found")
    return 0


def main():
    if "--self-test" in sys.argv:
        return self_test()
    graph, faults = faults_of(sys.argv[1])
    if "--graph" in sys.argv:
        for module in sorted(graph):
            print("%s -> %s" % (module, " ".join(sorted(graph[module]))))
    for fault in faults:
        print(fault)
    print("%d modules, %d includes between them, %d faults"
          % (len(graph), sum(len(e) for e in graph.values()), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

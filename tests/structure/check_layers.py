#!/usr/bin/env python3
"""Fails when a folder of src/ includes a header from a folder above it.

The host is layered from the bottom up: helpers, the manifest, the window's own parts, the subsystems,
the web view host, start-up. Within the subsystems the bridge may use the
extension host, never the other way round, and the saves (beside the bridge,
above Steam) are wired to it from start-up. Usage: check_layers.py SRC_FOLDER
"""
import os
import re
import sys

LAYERS = {
    'util': 0,
    'manifest': 1,
    'window': 2,
    'bootstrap': 3, 'content': 3, 'crash': 3, 'extensions': 3, 'pads': 3, 'steam': 3,
    'bridge': 4, 'saves': 4,
    'webview': 5,
    'app': 6,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/[^"]+"', re.M)


def upward_includes(src):
    for folder, _, names in os.walk(src):
        here = os.path.relpath(folder, src).split(os.sep)[0]
        for name in names:
            if not name.endswith(('.h', '.cpp')):
                continue
            if here not in LAYERS:
                yield f'{here}/{name}: folder {here} has no place in the layers'
                continue
            text = open(os.path.join(folder, name), encoding='utf-8').read()
            for target in INCLUDE.findall(text):
                if target != here and LAYERS.get(target, -1) >= LAYERS[here]:
                    yield f'{here}/{name} includes {target}/: not below {here}'


def main():
    problems = list(upward_includes(sys.argv[1]))
    for problem in problems:
        print(problem)
    print(f'{len(problems)} upward includes')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())

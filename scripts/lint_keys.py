#!/usr/bin/env python3
"""Prints "KEY FILE" for each FILE given: the digest a lint pass of FILE is remembered under.

The key covers what FILE's result depends on: COMMON (the tools, libraries and build
settings), FILE itself and every header of the project it includes, as the build tree's
dependency records list them (`ninja -t deps`). A file without such records (not built yet)
is keyed on every header of the project instead.
    lint_keys.py BUILD_DIR COMMON FILE...
"""
import hashlib
import json
import os
import shlex
import subprocess
import sys


def main():
    build, common, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    root = os.getcwd()
    build_abs = os.path.abspath(build)

    # The object each source compiles to.
    objects = {}
    with open(os.path.join(build, 'compile_commands.json'), encoding='utf-8') as f:
        for entry in json.load(f):
            args = entry.get('arguments') or shlex.split(entry['command'])
            if '-o' in args:
                out = args[args.index('-o') + 1]
                objects[os.path.realpath(entry['file'])] = out

    # The headers each object was built from, inside the project.
    wanted = [objects.get(os.path.realpath(f)) for f in files]
    deps = {}
    listed = [o for o in wanted if o]
    if listed:
        text = subprocess.run(['ninja', '-C', build, '-t', 'deps'] + listed, check=True,
                              capture_output=True, text=True).stdout
        current = None
        for line in text.splitlines():
            if line and not line.startswith(' '):
                name = line.split(':', 1)[0]
                current = name if '(VALID)' in line else None
                if current:
                    deps[current] = []
            elif current and line.strip():
                path = os.path.realpath(os.path.join(build_abs, line.strip()))
                # Headers of the project; what the build generates follows from the build
                # files, which COMMON covers.
                inside = path.startswith(root + os.sep) and not path.startswith(build_abs + os.sep)
                if inside and not path.endswith(('.cpp', '.txt')):
                    deps[current].append(path)

    every_header = None
    for f, obj in zip(files, wanted):
        h = hashlib.sha256()
        h.update(common.encode())
        with open(f, 'rb') as src:
            h.update(src.read())
        headers = deps.get(obj) if obj else None
        if headers is None:
            if every_header is None:
                every_header = subprocess.run(['git', 'ls-files', '*.h'], check=True,
                                              capture_output=True, text=True).stdout.split()
            headers = [os.path.join(root, p) for p in every_header]
        for path in sorted(set(headers)):
            # Relative, so that every clone of the project shares the remembered passes.
            h.update(os.path.relpath(path, root).encode())
            try:
                with open(path, 'rb') as dep:
                    h.update(dep.read())
            except OSError:
                h.update(b'(gone)')
        print(h.hexdigest(), f)


if __name__ == '__main__':
    main()

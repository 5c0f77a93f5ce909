#!/usr/bin/env python3
"""The code map (docs/ARCHITECTURE.md) against the tree: every module under src/ (folder/stem, its
.h and .cpp together) is named on a module line, none is named on two, and every path the map
names exists. Prints each fault and exits 1; `--list` prints the modules the map names."""
import glob, os, re, sys

root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 and sys.argv[1] != '--list' else
                       os.path.join(os.path.dirname(__file__), '..'))
src = os.path.join(root, 'src')
top = {d for d in os.listdir(root) if os.path.isdir(os.path.join(root, d)) and not d.startswith('.')}
src_dirs = {d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d))}

modules = set()
for dirpath, _, names in os.walk(src):
    for n in names:
        stem, ext = os.path.splitext(n)
        if ext in ('.h', '.cpp'):
            modules.add(os.path.relpath(os.path.join(dirpath, stem), src))

def expand(token):
    m = re.search(r'\{([^}]*)\}', token)
    if not m:
        return [token]
    return [x for alt in m.group(1).split(',')
            for x in expand(token[:m.start()] + alt + token[m.end():])]

faults = []
named = {}
lines = open(os.path.join(root, 'docs', 'ARCHITECTURE.md'), encoding='utf-8').read().split('\n')
for number, line in enumerate(lines, 1):
    for token in re.findall(r'`([^`\s]+)`', line):
        first = token.split('/')[0]
        if '/' not in token or '<' in token or (first not in src_dirs and first not in top):
            continue
        for path in expand(token):
            base = os.path.join(src if first in src_dirs else root, path)
            hits = glob.glob(base)
            if not hits and first in src_dirs and path in modules:
                hits = [base + '.h' if os.path.exists(base + '.h') else base + '.cpp']
            if not hits:
                faults.append('line %d names %s, which does not exist' % (number, path))
                continue
            if first not in src_dirs or not line.startswith('- '):
                continue
            for hit in (h for h in hits if os.path.isfile(h)):
                stem = os.path.splitext(os.path.relpath(hit, src))[0]
                if stem in modules:
                    named.setdefault(stem, set()).add(number)

for module in sorted(modules - set(named)):
    faults.append('module %s is not named' % module)
for module, where in sorted(named.items()):
    if len(where) > 1:
        faults.append('module %s is named on lines %s' % (module, ', '.join(map(str, sorted(where)))))
if '--list' in sys.argv:
    print('\n'.join(sorted(named)))
for f in faults:
    print(f)
sys.exit(1 if faults else 0)

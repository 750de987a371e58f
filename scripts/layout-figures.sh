#!/usr/bin/env bash
# Layout figures of the tree it runs in (a workplace tool): (a) the source
# folders with the most files (.h/.cpp/.c directly in the folder; a Private/
# counts as a folder of its own), (b) the public headers that no other library
# and no program includes (tests do not count), in all and per library.
# Libraries are read from the tessivar_library calls, themes included.
#   scripts/layout-figures.sh [number of folders to list, default 12]
set -euo pipefail
root=$(git -C "$(dirname "${BASH_SOURCE[0]}")" rev-parse --show-toplevel)
cd "$root"
exec python3 - "${1:-12}" <<'PY'
import collections, os, re, subprocess, sys

top = int(sys.argv[1])
paths = [p for p in subprocess.run(["git", "ls-files", "-z"], check=True, text=True,
                                   stdout=subprocess.PIPE).stdout.split("\0") if p and os.path.isfile(p)]
sources = [p for p in paths if p.endswith((".h", ".cpp", ".c"))]
include_re = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([^"]+)"', re.M)
library_re = re.compile(r"tessivar_library\(\s*(\S+)\s+([^\s)]+)([^)]*)\)")
known = set(paths)

def includes(path):
    with open(path, encoding="utf-8", errors="replace") as handle:
        return [i for i in include_re.findall(handle.read()) if i in known]

folder_of = {}
for cmake in (p for p in paths if os.path.basename(p) == "CMakeLists.txt" and not p.startswith(("tests/", "bench/"))):
    with open(cmake, encoding="utf-8") as handle:
        for name, folder, rest in library_re.findall(handle.read()):
            words = rest.split()
            themes = words[1:] if words[:1] == ["THEMES"] else []
            for f in [folder] + [f"{folder}/{t}" for t in themes]:
                folder_of[f] = name
                folder_of[f + "/Private"] = name

def owner(path):
    if path.startswith("tests/"):
        return None
    folder = os.path.dirname(path)
    if folder in folder_of and os.path.basename(path) != "main.cpp":
        return folder_of[folder]
    return "program:" + (folder or ".")

print("(a) source files per folder, largest first (product folders, tests/ apart):")
counts = collections.Counter(os.path.dirname(p) for p in sources
                             if not p.startswith(("tests/", "bench/")))
for folder, count in counts.most_common(top):
    print(f"  {count:4d}  {folder}")
test_counts = collections.Counter(os.path.dirname(p) for p in sources if p.startswith("tests/"))
print("  largest test folders: " + ", ".join(f"{f} {c}" for f, c in test_counts.most_common(3)))

used = collections.defaultdict(set)
for path in sources:
    me = owner(path)
    if me is None:
        continue
    for header in includes(path):
        other = owner(header)
        if other and not other.startswith("program:") and other != me:
            used[header].add(me)
# A header another library includes needs, in turn, what it includes of its
# own library to be public too: that closure is the public face in use.
needed = set(used)
work = list(needed)
while work:
    header = work.pop()
    for inner in includes(header):
        if owner(inner) == owner(header) and inner not in needed:
            needed.add(inner)
            work.append(inner)
public = collections.defaultdict(list)
for path in sources:
    if path.endswith(".h") and os.path.basename(os.path.dirname(path)) != "Private":
        name = owner(path)
        if name and not name.startswith("program:"):
            public[name].append(path)
total_public = sum(len(v) for v in public.values())
total_direct = sum(1 for v in public.values() for h in v if not used[h])
total_unneeded = sum(1 for v in public.values() for h in v if h not in needed)
print(f"(b) public headers: {total_public}; included by no other library or program: {total_direct};"
      f" not even through another public header: {total_unneeded}")
print("  per library (public headers, included directly by others, included by none, needed by none):")
for name in sorted(public, key=lambda n: (-sum(1 for h in public[n] if h not in needed), n)):
    headers = public[name]
    direct = sum(1 for h in headers if used[h])
    print(f"  {name:32s} {len(headers):4d} {direct:4d} {len(headers) - direct:4d}"
          f" {sum(1 for h in headers if h not in needed):4d}")
PY

#!/usr/bin/env python3
"""One-off relayout of the source tree (a workplace tool, deleted after use).

Splits the flat folders by theme, gives the pieces that live away from home
their place, and moves every public header that no other library includes
into its folder's Private/. Files are placed by RULES (name patterns, the test
tree's grouping, who includes them), never by a frozen list, so files added on
other branches are placed too; a file in a split folder that no rule places is
printed and nothing is changed.

Every move is a `git mv`; every "#include" and every path in CMake files,
scripts and documents that names a moved file or folder is rewritten across
the repository. Running it again on its own result changes nothing.

  scripts/relayout.py            plan, check, apply (leaves the changes staged)
  scripts/relayout.py --dry-run  print the plan only
"""

import argparse
import collections
import os
import re
import subprocess
import sys

SOURCE_EXTENSIONS = (".h", ".cpp", ".c")

# --- Theme splits ----------------------------------------------------------
# Folder -> ordered rules (theme, regex searched in the file's stem; the first
# rule that matches wins; theme "" keeps the file at the folder's root). Files
# directly in the folder and in its Private/ are placed; a Private/ file goes
# to its theme's Private/.
SPLITS = {
    "ZeraZov/Core": [
        ("Flags", r"RemoteConfig|Flag"),
        ("Storage", r"Stor(age|ed)|SessionManager|FileUtils"),
        ("Identity", r"UUID|EpochGenerator|FallbackRandom|PersonProfiles|DistinctId|Identity"),
        ("Config", r"Config|ClientDefaults|DataMode|IntegrationKind|SurveysDelegate|SurveysDefaultDelegate|ReachabilitySource"),
        ("Publishing", r"Publish|RegistrationToken|MulticastCallback|NotificationNames"),
        ("Events", r"Event|Context|LibraryInfo|BeforeSend|PropertiesSanitizer|DateFormatter"),
        ("Utilities", r"JSON|Locked|Unicode|Utils|DebugLog|DIContainer|Error"),
    ],
    "ZeraZov/Delivery": [
        ("Reachability", r"Reachability"),
        ("Endpoints", r"Endpoint|BatchLimits|StoredBatch|UploadInfo"),
        ("FileQueue", r"FileBacked|QueueFolder|Housekeeper|QueueMigration|LegacyQueue"),
        ("FlushQueue", r"^ZeraZovQueue(Base|Batch)?$|RateCap|PauseDescription|UploadResult|FlushQueue"),
        ("Api", r"Api|Http|Gzip|Compression|URLBuilder|ResponseHandler|TransportError|ParseError|ZeraZovError|IdleTimer"),
    ],
    "ZeraZov/Integrations": [
        ("ErrorTracking", r"CrashReport|Exception|HexAddress|ImageUUID|InAppRules|PointerSignature|RuntimeFailure"
                          r"|BinaryImage|ErrorValue|StackFrame|ErrorTracking"),
        ("Logs", r"Log|OTLP"),
        ("Surveys", r"Survey|Display"),
        ("Replay", r"^RR|ViewTree|RageClick|Replay|Wireframe"),
        ("ScreenViews", r"ScreenName|ScreenView"),
        ("Lifecycle", r"Lifecycle|LifeCycle"),
    ],
    # The integration objects drive the client (they call ZeraZovSDK), so
    # they cannot sit below it in ZeraZov/Integrations: they get a theme of
    # the client instead.
    "ZeraZov/Client": [
        ("", r"^ZeraZovSDK"),
        ("Integrations", r"Integration|InstallSlot"),
    ],
    "CrashReporter": [
        ("", r"^ZZCrashReporter|^ZZCrashHostInfo|^ZZCrashProcessInfo|^zzcrash_utf8$"),
        ("Report", r"^ZZCrashReport(?!er)|LogFile|TextFile|utf8_repair"),
        ("Writer", r"^zzcrash_log_|^ZZCrashLogWriter|crash_info|crash_context|machine_facts|sysctl"),
        ("Images", r"image_list|loader_chain"),
        ("Exceptions", r"Exception|exception"),
        ("Signals", r"Signal|signal|crash_handlers|thread_start"),
    ],
    "CrashReporter/Async": [
        ("Dwarf", r"dwarf|gnu_ehptr|leb128"),
        ("MachO", r"macho|classmeta"),
        ("Elf", r"_elf"),
        ("Frames", r"frame|compact_unwind|unwind_cache"),
        ("", r"byteorder|_file$|memory_window|mobject|_string$|_task$|thread_state|zzcrash_error|signal_names"
             r"|image_list|image_format|symbolicate|byte_cursor|_try$|sized_value"),
    ],
}

# Where a file goes that no rule places (after the tests and the includers
# were asked): the client is split only to give its integrations a home, so
# anything else of it stays at its root. Other folders have no default.
SPLIT_DEFAULTS = {"ZeraZov/Client": ""}

# The test tree's grouping, for files no name pattern places: a file whose
# test (<Stem>Test.cpp or <Stem>Tests.cpp) lives in tests/<folder>/<Group>/
# joins the theme the group names.
TEST_GROUPS = {
    "ZeraZov/Core": {"Events": "Events", "Flags": "Flags", "Storage": "Storage", "Utilities": "Utilities"},
    "ZeraZov/Delivery": {g: g for g in ("Api", "Endpoints", "FileQueue", "FlushQueue", "Reachability")},
    "ZeraZov/Integrations": {"ErrorTracking": "ErrorTracking", "Logs": "Logs", "Replay": "Replay"},
    "CrashReporter": {"Report": "Report", "Writer": "Writer", "Exceptions": "Exceptions", "Signals": "Signals",
                      "Elf": "Images"},
    "CrashReporter/Async": {"MachO": "MachO", "Elf": "Elf"},
}

# --- Pieces away from home -------------------------------------------------
# (folder, stem regex, new folder): source files that leave their library.
PIECES = [
    # The replay queues belong to the replay integration, not to delivery.
    ("ZeraZov/Delivery", r"^ZeraZovReplay", "ZeraZov/Integrations/Replay"),
]
# Whole folders (every file in them, whatever its name) that move.
FOLDER_MOVES = [
    # The analytics client's Qt helpers sit beside the client.
    ("Tessivar/AnalyticsViews", "ZeraZov/Qt"),
    ("tests/ZeraZov/Delivery/Replay", "tests/ZeraZov/Integrations/Replay"),
    ("tests/TessivarQt/AnalyticsViews", "tests/ZeraZov/Qt"),
    ("tests/CrashReporter/CrashLogTool", "tools/tessivar-crashlog"),
]
# A test folder that follows its code into another library links that one.
TEST_LINK_SWAPS = {
    "tests/ZeraZov/Integrations/Replay/CMakeLists.txt": ("tessivar_zerazov_delivery", "tessivar_zerazov_integrations"),
}
# Libraries whose public face is for users outside this tree's libraries (the
# fakes for the tests, the Qt helpers for other Qt programs): their headers
# stay public though no library here includes them.
KEEP_PUBLIC = {"tessivar_testing", "tessivar_analytics_views"}

# --- Paths rewritten -------------------------------------------------------
# The fixtures are bytes and answers made by other tools; these two scripts
# name the old paths on purpose.
TEXT_SKIP_PREFIXES = ("tests/fixtures/", "scripts/relayout.py", "scripts/layout-figures.sh")
BOUNDARY_BEFORE = r"(?:(?<=[}\)]/)|(?<![\w.\-/]))"
BOUNDARY_AFTER = r"(?![\w\-]|\.\w)"
INCLUDE_RE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([^"]+)"', re.M)
LIBRARY_RE = re.compile(r"tessivar_library\(\s*(\S+)\s+([^\s)]+)([^)]*)\)")


class PlanError(Exception):
    pass


def run_git(root, *args, capture=True):
    result = subprocess.run(["git", *args], cwd=root, check=True, text=True,
                            stdout=subprocess.PIPE if capture else None)
    return result.stdout if capture else ""


def stem_of(path):
    return os.path.splitext(os.path.basename(path))[0]


def is_source(path):
    return path.endswith(SOURCE_EXTENSIONS)


class Tree:
    """The repository as a set of paths with their texts, moved in memory."""

    def __init__(self, root):
        self.root = root
        self.origin = {}   # current path -> original path (None for new files)
        self.text = {}     # current path -> text (None for binary files)
        for path in run_git(root, "ls-files", "-z").split("\0"):
            if not path or not os.path.isfile(os.path.join(root, path)):
                continue
            self.origin[path] = path
            self.text[path] = self._read(path)
        self.original_text = dict(self.text)

    def _read(self, path):
        if path.startswith(TEXT_SKIP_PREFIXES):
            return None
        try:
            with open(os.path.join(self.root, path), encoding="utf-8") as handle:
                return handle.read()
        except (UnicodeDecodeError, OSError):
            return None

    def paths(self):
        return sorted(self.origin)

    def files_in(self, folder):
        return [p for p in self.paths() if os.path.dirname(p) == folder]

    def files_under(self, folder):
        return [p for p in self.paths() if p.startswith(folder + "/")]

    def exists_dir(self, folder):
        return any(p.startswith(folder + "/") for p in self.origin)

    def move(self, moves):
        """Applies {old: new} and rewrites every text naming an old path."""
        moves = {o: n for o, n in moves.items() if o != n}
        if not moves:
            return
        targets = collections.Counter(moves.values())
        for new, count in targets.items():
            if count > 1 or (new in self.origin and new not in moves):
                raise PlanError(f"two files would be {new}")
        for old, new in moves.items():
            self.origin[new] = self.origin.pop(old)
            self.text[new] = self.text.pop(old)
        self.rewrite_paths(moves, folders={})

    def rewrite_paths(self, files, folders):
        pairs = dict(files)
        pairs.update(folders)
        if not pairs:
            return
        alternation = "|".join(re.escape(k) for k in sorted(pairs, key=len, reverse=True))
        pattern = re.compile(BOUNDARY_BEFORE + "(" + alternation + ")" + BOUNDARY_AFTER)
        for path, text in self.text.items():
            if text is None:
                continue
            new_text = pattern.sub(lambda m: pairs[m.group(1)], text)
            if os.path.basename(path) == "CMakeLists.txt" and folders:
                new_text = self._rewrite_relative_folders(path, new_text, folders)
            self.text[path] = new_text

    @staticmethod
    def _rewrite_relative_folders(cmake_path, text, folders):
        base = os.path.dirname(cmake_path)
        if not base:
            return text
        for old, new in folders.items():
            if not old.startswith(base + "/"):
                continue
            old_rel = os.path.relpath(old, base)
            new_rel = os.path.relpath(new, base)
            if new_rel.startswith(".."):
                continue
            text = re.sub(r"(add_subdirectory\(\s*)" + re.escape(old_rel) + r"(\s*\))",
                          lambda m: m.group(1) + new_rel + m.group(2), text)
        return text

    def write(self, path, text):
        if path not in self.origin:
            self.origin[path] = None
        self.text[path] = text

    def includes(self, path):
        text = self.text.get(path)
        if not text:
            return []
        return [inc for inc in INCLUDE_RE.findall(text) if inc in self.origin]


# --- Theme placement -------------------------------------------------------

def split_candidates(tree, folder):
    """Source files directly in the folder or in its Private/."""
    return [p for p in tree.files_in(folder) + tree.files_in(folder + "/Private") if is_source(p)]


def theme_by_name(rules, path):
    for theme, pattern in rules:
        if re.search(pattern, stem_of(path)):
            return theme
    return None


def theme_by_tests(tree, folder, path):
    groups = TEST_GROUPS.get(folder, {})
    stem = stem_of(path)
    for group, theme in sorted(groups.items()):
        for suffix in ("Test.cpp", "Tests.cpp"):
            if f"tests/{folder}/{group}/{stem}{suffix}" in tree.origin:
                return theme
    return None


def place_themes(tree, folder):
    """{path: theme} for the folder's files, or PlanError naming the unplaced."""
    rules = SPLITS[folder]
    candidates = split_candidates(tree, folder)
    placed = {}
    for path in candidates:
        theme = theme_by_name(rules, path)
        if theme is None:
            theme = theme_by_tests(tree, folder, path)
        if theme is not None:
            placed[path] = theme
    # A file of its own pair or one that only one theme includes follows it.
    changed = True
    while changed:
        changed = False
        for path in candidates:
            if path in placed:
                continue
            theme = theme_of_pair(placed, path)
            if theme is None:
                theme = theme_of_includers(tree, candidates, placed, path)
            if theme is not None:
                placed[path] = theme
                changed = True
    if folder in SPLIT_DEFAULTS:
        placed.update({p: SPLIT_DEFAULTS[folder] for p in candidates if p not in placed})
    unplaced = [p for p in candidates if p not in placed]
    if unplaced:
        raise PlanError(f"no rule places these files of {folder}:\n  " + "\n  ".join(unplaced))
    return placed


def theme_of_pair(placed, path):
    for other, theme in placed.items():
        if stem_of(other) == stem_of(path):
            return theme
    return None


def theme_of_includers(tree, candidates, placed, path):
    includers = [p for p in candidates if stem_of(p) != stem_of(path) and path in tree.includes(p)]
    themes = {placed.get(p) for p in includers}
    if not includers or None in themes or len(themes) != 1:
        return None
    return themes.pop()


def theme_moves(tree, folder, placed):
    moves = {}
    for path, theme in placed.items():
        if not theme:
            continue
        private = os.path.basename(os.path.dirname(path)) == "Private"
        destination = f"{folder}/{theme}" + ("/Private" if private else "")
        moves[path] = f"{destination}/{os.path.basename(path)}"
    return moves


# --- Pieces away from home and the build files around them -----------------

def piece_moves(tree):
    moves = {}
    for folder, pattern, destination in PIECES:
        for path in tree.files_in(folder) + tree.files_in(folder + "/Private"):
            if not is_source(path) or not re.search(pattern, stem_of(path)):
                continue
            private = path.startswith(folder + "/Private/")
            moves[path] = f"{destination}{'/Private' if private else ''}/{os.path.basename(path)}"
    return moves


def move_folders(tree):
    done = {}
    for old, new in FOLDER_MOVES:
        files = tree.files_under(old)
        if not files:
            continue
        moves = {p: new + p[len(old):] for p in files}
        for o, n in moves.items():
            tree.origin[n] = tree.origin.pop(o)
            tree.text[n] = tree.text.pop(o)
        tree.rewrite_paths(moves, folders={old: new})
        done[old] = new
    return done


def cut_block(text, target, first_call):
    """Cuts the comment lines before `first_call(target ...)` and every
    following call on the target; returns (rest, block)."""
    lines = text.splitlines(keepends=True)
    start = next((i for i, line in enumerate(lines)
                  if re.match(rf"\s*{first_call}\(\s*{re.escape(target)}\s", line)), None)
    if start is None:
        return text, None
    end = start + 1
    while end < len(lines) and re.match(rf"\s*\w+\(\s*{re.escape(target)}\s", lines[end]):
        end += 1
    top = start
    while top > 0 and lines[top - 1].lstrip().startswith("#"):
        top -= 1
    block = "".join(lines[top:end])
    rest = lines[:top] + lines[end:]
    while top > 0 and top < len(rest) and rest[top - 1].strip() == "" and rest[top].strip() == "":
        del rest[top]
    return "".join(rest), block


def add_subdirectory_after(tree, anchor, folder):
    text = tree.text["CMakeLists.txt"]
    line = f"add_subdirectory({folder})\n"
    if line in text:
        return
    anchor_line = f"add_subdirectory({anchor})\n"
    if anchor_line not in text:
        raise PlanError(f"CMakeLists.txt: no {anchor_line.strip()} to add {folder} after")
    tree.write("CMakeLists.txt", text.replace(anchor_line, anchor_line + line, 1))


def relocate_analytics_views(tree):
    """The library's CMake lines follow its sources to ZeraZov/Qt."""
    if "ZeraZov/Qt/CMakeLists.txt" in tree.origin:
        return
    text, block = cut_block(tree.text["Tessivar/CMakeLists.txt"], "tessivar_analytics_views", "tessivar_library")
    if block is None:
        raise PlanError("Tessivar/CMakeLists.txt: no tessivar_library(tessivar_analytics_views ...)")
    tree.write("Tessivar/CMakeLists.txt", text.rstrip("\n") + "\n")
    tree.write("ZeraZov/Qt/CMakeLists.txt", block.replace("tessivar_library(", "set(CMAKE_AUTOMOC ON)\ntessivar_library(", 1))
    add_subdirectory_after(tree, "ZeraZov/Client", "ZeraZov/Qt")


def relocate_crashlog_tool(tree):
    """The crash log tool is a program of the product, built without the tests."""
    if "tools/tessivar-crashlog/CMakeLists.txt" in tree.origin:
        return
    path = "tests/CrashReporter/CMakeLists.txt"
    text, block = cut_block(tree.text[path], "tessivar-crashlog", "add_executable")
    if block is None:
        raise PlanError(f"{path}: no add_executable(tessivar-crashlog ...)")
    tree.write(path, text.replace("printed by the tool above", "printed by tools/tessivar-crashlog"))
    block = re.sub(r"(add_executable\(tessivar-crashlog\s+)\S*main\.cpp", r"\1main.cpp", block)
    tree.write("tools/tessivar-crashlog/CMakeLists.txt", block)
    add_subdirectory_after(tree, "Tessivar", "tools/tessivar-crashlog")
    for doc in ("README.md",):
        if tree.text.get(doc):
            tree.write(doc, tree.text[doc].replace("build/tests/CrashReporter/tessivar-crashlog",
                                                   "build/tools/tessivar-crashlog/tessivar-crashlog"))


def swap_test_links(tree):
    for path, (old, new) in TEST_LINK_SWAPS.items():
        if tree.text.get(path):
            tree.write(path, re.sub(rf"\b{re.escape(old)}\b", new, tree.text[path]))


# --- Libraries and their public faces --------------------------------------

class Library:
    def __init__(self, name, folder, cmake, themes):
        self.name = name
        self.folder = folder
        self.cmake = cmake
        self.themes = themes

    def folders(self):
        return [self.folder] + [f"{self.folder}/{t}" for t in self.themes]


def libraries(tree):
    found = []
    for path in tree.paths():
        if os.path.basename(path) != "CMakeLists.txt" or path.startswith(("tests/", "bench/")):
            continue
        for match in LIBRARY_RE.finditer(tree.text[path] or ""):
            themes = re.findall(r"\S+", match.group(3))
            themes = themes[1:] if themes[:1] == ["THEMES"] else []
            found.append(Library(match.group(1), match.group(2), path, themes))
    return found


def discover_themes(tree, libs):
    """Each library's theme folders: its subfolders with sources that are no
    library's own folder; writes them into the tessivar_library call."""
    library_folders = {lib.folder for lib in libs}
    for lib in libs:
        themes = set()
        for path in tree.files_under(lib.folder):
            parts = path[len(lib.folder) + 1:].split("/")
            if len(parts) < 2 or parts[0] == "Private" or not is_source(path):
                continue
            if f"{lib.folder}/{parts[0]}" in library_folders:
                continue
            if len(parts) == 2 or (len(parts) == 3 and parts[1] == "Private"):
                themes.add(parts[0])
        lib.themes = sorted(themes)
        call = f"tessivar_library({lib.name} {lib.folder}" + (" THEMES " + " ".join(lib.themes) if lib.themes else "") + ")"
        text = tree.text[lib.cmake]
        pattern = re.compile(r"tessivar_library\(\s*" + re.escape(lib.name) + r"\s+[^)]*\)")
        tree.write(lib.cmake, pattern.sub(lambda _m: call, text, count=1))


def owners(tree, libs):
    """{path: owner}: a library's name, a program's folder, or None (tests)."""
    by_folder = {}
    for lib in libs:
        for folder in lib.folders():
            by_folder[folder] = lib.name
            by_folder[folder + "/Private"] = lib.name
    result = {}
    for path in tree.paths():
        if path.startswith("tests/"):
            result[path] = None
            continue
        folder = os.path.dirname(path)
        if folder in by_folder and os.path.basename(path) != "main.cpp":
            result[path] = by_folder[folder]
        else:
            result[path] = "program:" + (folder or ".")
    return result


def needed_headers(tree, libs, owner):
    """Headers some other library or program includes, and what they include
    of their own library."""
    library_names = {lib.name for lib in libs}
    needed = set()
    for path in tree.paths():
        if owner[path] is None:
            continue
        for header in tree.includes(path):
            if owner[header] in library_names and owner[header] != owner[path]:
                needed.add(header)
    work = list(needed)
    while work:
        header = work.pop()
        for inner in tree.includes(header):
            if owner[inner] == owner[header] and inner not in needed:
                needed.add(inner)
                work.append(inner)
    return needed


def private_moves(tree, libs):
    owner = owners(tree, libs)
    needed = needed_headers(tree, libs, owner)
    moves = {}
    for lib in libs:
        if lib.name in KEEP_PUBLIC:
            continue
        has_sources = any(p.endswith((".cpp", ".c")) for f in lib.folders()
                          for p in tree.files_in(f) + tree.files_in(f + "/Private"))
        if not has_sources:
            continue  # an interface library has no sources to see a Private/
        for folder in lib.folders():
            for header in tree.files_in(folder):
                if header.endswith(".h") and header not in needed:
                    moves.update(pair_moves(tree, header, folder + "/Private"))
            for header in tree.files_in(folder + "/Private"):
                if header.endswith(".h") and header in needed:
                    moves.update(pair_moves(tree, header, folder))
    return moves


def pair_moves(tree, header, destination):
    folder = os.path.dirname(header)
    stem = stem_of(header)
    return {p: f"{destination}/{os.path.basename(p)}" for p in tree.files_in(folder)
            if stem_of(p) == stem and is_source(p)}


# --- Plan and apply --------------------------------------------------------

def plan(root):
    tree = Tree(root)
    tree.move(piece_moves(tree))
    move_folders(tree)
    relocate_analytics_views(tree)
    relocate_crashlog_tool(tree)
    swap_test_links(tree)
    errors = []
    for folder in sorted(SPLITS):
        try:
            tree.move(theme_moves(tree, folder, place_themes(tree, folder)))
        except PlanError as error:
            errors.append(str(error))
    if errors:
        raise PlanError("\n".join(errors))
    libs = libraries(tree)
    discover_themes(tree, libs)
    tree.move(private_moves(tree, libs))
    return tree


def apply(tree):
    root = tree.root
    renames = sorted((origin, path) for path, origin in tree.origin.items() if origin and origin != path)
    for origin, path in renames:
        os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
        run_git(root, "mv", origin, path)
    for path in sorted(tree.origin):
        text = tree.text[path]
        origin = tree.origin[path]
        if text is None or (origin is not None and tree.original_text.get(origin) == text):
            continue
        os.makedirs(os.path.dirname(os.path.join(root, path)) or root, exist_ok=True)
        with open(os.path.join(root, path), "w", encoding="utf-8") as handle:
            handle.write(text)
        run_git(root, "add", path)
    for origin, _path in renames:
        folder = os.path.dirname(os.path.join(root, origin))
        while folder != root and os.path.isdir(folder) and not os.listdir(folder):
            os.rmdir(folder)
            folder = os.path.dirname(folder)
    return renames


def print_plan(tree):
    renames = sorted((origin, path) for path, origin in tree.origin.items() if origin and origin != path)
    created = sorted(path for path, origin in tree.origin.items() if origin is None)
    edited = sorted(path for path, origin in tree.origin.items()
                    if origin and tree.text[path] is not None and tree.original_text.get(origin) != tree.text[path])
    for origin, path in renames:
        print(f"move  {origin} -> {path}")
    for path in created:
        print(f"new   {path}")
    for path in edited:
        print(f"edit  {path}")
    print(f"{len(renames)} moves, {len(created)} new files, {len(edited)} files edited")
    counts = collections.Counter(os.path.dirname(p) for p in tree.origin if is_source(p) and not p.startswith("tests/"))
    largest = [f"{folder} {count}" for folder, count in counts.most_common(8)]
    print("largest source folders after: " + ", ".join(largest))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dry-run", action="store_true", help="print the plan, change nothing")
    args = parser.parse_args()
    root = run_git(os.getcwd(), "rev-parse", "--show-toplevel").strip()
    if not args.dry_run and run_git(root, "status", "--porcelain", "--untracked-files=no").strip():
        print("relayout: the work tree has uncommitted changes; commit or stash them first", file=sys.stderr)
        return 1
    try:
        tree = plan(root)
    except PlanError as error:
        print(f"relayout: {error}\nrelayout: nothing was changed", file=sys.stderr)
        return 2
    print_plan(tree)
    if not args.dry_run:
        apply(tree)
        print("relayout: applied and staged; build, test, then commit")
    return 0


if __name__ == "__main__":
    sys.exit(main())

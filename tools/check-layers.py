#!/usr/bin/env python3
"""Checks that every #include "..." of the engine runs down the folder order, or stays level.

A folder includes its own headers and those below it. Where a lower folder needs something of a
higher one, the lower one declares the small record, interface or hook it needs and the higher
one fills it at start-up; an include that runs up instead is reported here as

    file:line: includes <header> (<from level> -> <to level>)

and makes the check exit 1, unless it is in EXCEPTIONS below with its reason. --count prints the
upward includes by pair of levels instead of one line each (the exit status is the same).

--levels prints the level of every engine file instead (to review the table below).

--symbols BUILD_DIR checks the built folder libraries (libgx_*.a) instead: a function or object
that a library uses must be defined in that library or a lower one. This catches what no include
shows: a declaration in a lower header whose definition lives higher up. Each use that runs up is
reported as

    libgx_<lib>.a(<object>): uses <symbol> of libgx_<lib>.a (<from level> -> <to level>)

Usage: tools/check-layers.py [--count | --levels | --symbols BUILD_DIR] [--root DIR]
"""

import argparse
import fnmatch
import os
import re
import subprocess
import sys

# The levels from the ground up. Within a level a file includes anything of the same level; an
# include of a higher level is upward.
#
# How the order reads. The foundation is platform/ and core/ together ("the foundation"): core's
# files and clock sit on platform's file and clock services, and platform logs and converts text
# through core, so neither is below the other yet. Then graphics/, then the task tree (app/task/,
# the actors and the screen base). The four in the middle are ordered by what they are built on:
# the script runtime needs nothing of the others; sound, movie and input need the graphics (movie
# textures); layers show movies (layer -> media runs down); widgets are made of layers (ui ->
# layer runs down). Then game/ below seq/: the screens are built on the settings, state, tables
# and commands. At the top the program's wiring.
LEVELS = [
    "foundation",  # platform/, core/
    "graphics",    # graphics/
    "task",        # app/task/, actors, screen base, the subtree walks
    "moa",         # moa/
    "media",       # media/
    "layer",       # layer/
    "ui",          # ui/
    "game",        # game/
    "seq",         # seq/
    "wiring",      # the rest of app/
]

# Which level each engine file sits at: the first pattern (relative to the root) that matches.
# app/ holds two levels. Low, with the task tree: what the screens, widgets, layers and the game
# are built on or call into (the actors, the screen base, the subtree walks, and the services of
# the application object that every subsystem reaches through GxGetCore(): its interface, the
# device as start-up and the frame drive it, the step trace, the debug console and window). At
# the top: the program's wiring (entry, GxCore's creation, start-up and shutdown order, window
# procedure, main loop, the screen list).
FILE_LEVELS = [
    ("platform/*", "foundation", "the services below the engine"),
    ("core/*", "foundation", "utilities, logs, files and packs, the content stream"),
    ("graphics/*", "graphics", "device wrapper, resources, textures, drawing, fonts"),
    ("app/task/*", "task", "the task tree, its manager and the render layers"),
    ("app/GxTaskActor.*", "task", "the actor: a task with a position, actions and a render layer"),
    ("app/GxActorAction.*", "task", "the actions an actor runs"),
    ("app/GxSeqBase.*", "task", "the screen base every screen derives from"),
    ("app/GxSeqTransitBase.*", "task", "the screen base with a transition"),
    # The walks over layers, actors and widgets of a subtree, which layer/, game/ and seq/ call,
    # and the UI factory table that ui/ fills.
    ("app/GxTaskControl.*", "task", "subtree walks over layers, actors and widgets"),
    ("app/GxCoreServices.*", "task", "what subsystems call on the application object"),
    ("app/DBUIModule.*", "task", "the UI module table the screen base and the widgets read"),
    ("app/DBUILayout.*", "task", "the UI layout table the screen base and the widgets read"),
    ("app/GxMainScreenFlags.h", "task", "the main play screen's flags, whose lock counters the screen base reads"),
    ("app/GxCoreDevice.*", "task", "the device as start-up, the frame and shutdown drive it"),
    ("app/GxCoreTrace.*", "task", "the trace of start-up, frame and shutdown steps"),
    ("app/GxDebugConsole.*", "task", "the on-screen console and overlay the game and system screen use"),
    ("app/GxDebugWindow.*", "task", "the secondary debug window the frame paints"),
    ("app/main.cpp", "wiring", "the program's entry"),
    ("app/GxEntry.*", "wiring", "entry: file layer, window services, the core's run"),
    # The application object's declaration belongs with the task tree (every subsystem reaches
    # it through GxGetCore()), its creation, start-up and shutdown at the top.
    ("app/GxCore.h", "task", "the application object as every subsystem reaches it"),
    ("app/GxCore.*", "wiring", "the application object: creation, start-up and shutdown order"),
    ("app/GxWindowProc.*", "wiring", "the main window's procedure"),
    ("app/GxMainLoop.*", "wiring", "the main loop"),
    ("app/GxGameScreens.*", "wiring", "the screen registration table"),
    ("app/*", "wiring", "the program's wiring (any other app/ file)"),
    ("layer/*", "layer", "layers, motion projects, image sets"),
    ("moa/*", "moa", "the script runtime"),
    ("media/*", "media", "sound, movie, input"),
    ("ui/*", "ui", "widgets and the message window"),
    ("game/*", "game", "settings, game state, saves, data tables, script commands"),
    ("seq/*", "seq", "the screens"),
]

ENGINE_DIRS = ["platform", "core", "app", "graphics", "layer", "moa", "media", "ui", "game", "seq"]
SOURCE_SUFFIXES = (".cpp", ".h")

# Upward includes that are allowed, as (including file, included header) -> reason. An entry is
# allowed only where a Part forces the include; each one says why. Aim for none.
EXCEPTIONS = {
}

# The level of each folder library the build makes (CMakeLists.txt): app/ builds two, gx_task at
# the task level and gx_app with the wiring.
LIBRARY_LEVELS = {
    "platform": "foundation", "core": "foundation", "graphics": "graphics", "task": "task",
    "moa": "moa", "media": "media", "layer": "layer", "ui": "ui", "game": "game", "seq": "seq",
    "app": "wiring",
}

INCLUDE_RE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def level_of(path):
    for pattern, level, _ in FILE_LEVELS:
        if fnmatch.fnmatchcase(path, pattern):
            return level
    return None


def engine_files(root):
    for top in ENGINE_DIRS:
        base = os.path.join(root, top)
        for dirpath, dirnames, filenames in os.walk(base):
            dirnames.sort()
            for name in sorted(filenames):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, "/")


def resolve(root, including, header):
    """The included file relative to the root: from the root first (the engine's own style),
    then from the including file's folder; None for a file outside the engine."""
    for candidate in (header, os.path.join(os.path.dirname(including), header)):
        candidate = os.path.normpath(candidate).replace(os.sep, "/")
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def upward_includes(root):
    rank = {name: i for i, name in enumerate(LEVELS)}
    found = []
    for path in engine_files(root):
        from_level = level_of(path)
        if from_level is None:
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE_RE.match(line)
                if not m:
                    continue
                target = resolve(root, path, m.group(1))
                to_level = level_of(target) if target else None
                if to_level is None or rank[to_level] <= rank[from_level]:
                    continue
                found.append((path, number, m.group(1), from_level, to_level))
    return found


def library_symbols(path):
    """(defined, used): the global symbols the archive's members define, and for each member the
    symbols it uses but does not define."""
    out = subprocess.run(["nm", "-A", path], capture_output=True, text=True, check=True).stdout
    defined, used = set(), {}
    for line in out.splitlines():
        # "<archive>:<member>:<value> <kind> <symbol>"; the value is blank for a used symbol.
        member, _, rest = line[len(path) + 1:].partition(":")
        fields = rest.split()
        if len(fields) < 2:
            continue
        kind, symbol = fields[-2], fields[-1]
        if kind == "U":
            used.setdefault(member, set()).add(symbol)
        elif kind.isupper() or kind == "u":  # global (weak and unique ones too); lower case is local
            defined.add(symbol)
    return defined, used


def upward_symbols(build):
    rank = {name: i for i, name in enumerate(LEVELS)}
    libraries = {}
    for name, level in LIBRARY_LEVELS.items():
        path = os.path.join(build, f"libgx_{name}.a")
        if not os.path.isfile(path):
            raise SystemExit(f"check-layers: {path} is not built")
        libraries[name] = (level, *library_symbols(path))
    found = []
    for name, (level, _, used) in libraries.items():
        # What this library may use: its own level and below.
        allowed = set()
        for other_level, defined, _ in libraries.values():
            if rank[other_level] <= rank[level]:
                allowed |= defined
        for member, symbols in sorted(used.items()):
            for symbol in sorted(symbols - allowed):
                owners = [n for n, (lv, defined, _) in libraries.items() if symbol in defined]
                if owners:
                    owner = min(owners, key=lambda n: rank[libraries[n][0]])
                    found.append((f"libgx_{name}.a({member})", symbol, f"libgx_{owner}.a", level,
                                  libraries[owner][0]))
    return found


def demangle(symbols):
    try:
        out = subprocess.run(["c++filt"], input="\n".join(symbols), capture_output=True, text=True).stdout
        names = out.split("\n")
        return names if len(names) >= len(symbols) else list(symbols)
    except OSError:
        return list(symbols)


def check_symbols(build):
    found = upward_symbols(build)
    names = demangle([f[1] for f in found])
    for (where, _, owner, a, b), name in zip(found, names):
        print(f"{where}: uses {name} of {owner} ({a} -> {b})")
    if found:
        print(f"check-layers: {len(found)} uses of a higher library's symbols; a lower folder declares "
              "what it needs and the higher one fills it at start-up", file=sys.stderr)
        return 1
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", action="store_true", help="print counts by pair of levels")
    parser.add_argument("--levels", action="store_true", help="print the level of every engine file")
    parser.add_argument("--symbols", metavar="BUILD_DIR", help="check the built folder libraries instead")
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."),
                        help="the engine's source folder (default: this script's parent)")
    args = parser.parse_args()
    root = os.path.abspath(args.root)

    if args.symbols:
        return check_symbols(args.symbols)

    if args.levels:
        for path in engine_files(root):
            print(f"{level_of(path) or '?':>10}  {path}")
        return 0

    found = upward_includes(root)
    unexcused = [u for u in found if (u[0], u[2]) not in EXCEPTIONS]
    stale = [k for k in EXCEPTIONS if k not in {(u[0], u[2]) for u in found}]

    if args.count:
        pairs = {}
        for path, _, _, a, b in unexcused:
            pairs.setdefault((a, b), set()).add(path)
        by_pair = {}
        for u in unexcused:
            by_pair[(u[3], u[4])] = by_pair.get((u[3], u[4]), 0) + 1
        rank = {name: i for i, name in enumerate(LEVELS)}
        for key in sorted(by_pair, key=lambda k: (rank[k[0]], rank[k[1]])):
            print(f"{key[0]:>10} -> {key[1]:<10} {by_pair[key]:4d} includes in {len(pairs[key]):3d} files")
        files = len({u[0] for u in unexcused})
        print(f"{'total':>24} {len(unexcused):4d} includes in {files:3d} files"
              f" ({len(found) - len(unexcused)} excepted)")
    else:
        for path, number, header, a, b in unexcused:
            print(f"{path}:{number}: includes {header} ({a} -> {b})")
    for path, header in stale:
        print(f"check-layers: exception no longer needed: {path} includes {header}", file=sys.stderr)

    if unexcused:
        if not args.count:
            print(f"check-layers: {len(unexcused)} upward includes; a lower folder declares what it "
                  "needs and the higher one fills it at start-up", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

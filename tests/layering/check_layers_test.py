#!/usr/bin/env python3
"""The layering check fails on each kind of fault it exists for, and passes a
tree that keeps the order."""
import os
import subprocess
import sys
import tempfile

CHECK = sys.argv[1]


def tree(files):
    root = tempfile.mkdtemp(prefix="layers-")
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)
    return root


def run(files):
    r = subprocess.run([sys.executable, CHECK, tree(files)], capture_output=True, text=True)
    return r.returncode, r.stdout


GOOD = {
    "base/Flags.h": "#pragma once\n",
    "connect/Conn.h": '#include "base/Flags.h"\n',
    "transfer/Zm.h": '#include "connect/Conn.h"\n',
    "terminal/ui/Win.h": "#include <QWidget>\n#include \"connect/Conn.h\"\n",
    "shell/Frame.h": '#include "terminal/ui/Win.h"\n',
    "game/Car.h": "#pragma once\n",
    "game/ui/CarWin.h": '#include "game/Car.h"\n',
}

CASES = [
    ("engine includes the shell", {"terminal/T.cpp": '#include "shell/Frame.h"\n'}, "terminal includes shell/Frame.h"),
    ("engine includes Qt", {"connect/C.cpp": "#include <QObject>\n"}, "Qt header <QObject> in connect"),
    ("engine sideways", {"connect/C.cpp": '#include "transfer/Zm.h"\n'}, "connect includes transfer/Zm.h"),
    ("bottom layer uses an engine", {"base/B.h": '#include "connect/Conn.h"\n'}, "base includes connect/Conn.h"),
    ("ui uses the shell", {"terminal/ui/W.cpp": '#include "shell/Frame.h"\n'}, "terminal/ui includes shell/Frame.h"),
    ("circle between ui folders", {"videotex/ui/V.h": '#include "terminal/ui/Win.h"\n',
                                   "terminal/ui/W2.h": '#include "videotex/ui/V.h"\n'}, "circle:"),
    ("game uses the program", {"game/G.cpp": '#include "base/Flags.h"\n'}, "game includes base/Flags.h"),
    ("program uses the game", {"shell/S.cpp": '#include "game/Car.h"\n'}, "shell includes game/Car.h"),
]

failures = 0
rc, out = run(GOOD)
if rc != 0 or "layering ok" not in out:
    print("a good tree was refused:\n" + out)
    failures += 1
for name, extra, expect in CASES:
    rc, out = run({**GOOD, **extra})
    if rc != 1 or expect not in out:
        print(f"{name}: expected exit 1 naming '{expect}', got {rc}:\n{out}")
        failures += 1
print(f"{len(CASES) + 1 - failures} of {len(CASES) + 1} cases as expected")
sys.exit(1 if failures else 0)

#!/usr/bin/env python3
"""The size of lumarind-cli's output against its input: for each corpus,
format and encoding, all results' bytes over all files' bytes, Base64
beside each, and the targets: -f css -e auto on the SVG icons at most 1.10
times their bytes, and -e auto never longer than Base64 for any file.

Usage: size-table.py LUMARIND-CLI"""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
ICON_THEME = "/usr/share/icons/Adwaita"
FORMATS = ["line", "css", "html", "markdown"]
ENCODINGS = ["base64", "percent", "auto"]


def icons():
    """The icon theme's first 400 SVG icons under 8 KB, as the browser test
    takes them."""
    paths = []
    for folder, _, names in os.walk(ICON_THEME):
        paths += [os.path.join(folder, n) for n in names if n.endswith(".svg")]
    return [p for p in sorted(paths) if os.path.getsize(p) < 8192][:400]


def sources():
    listed = subprocess.run(["git", "ls-files", "-z", "*.cpp", "*.h", "*.md"], cwd=ROOT, capture_output=True, text=True)
    return [os.path.join(ROOT, p) for p in listed.stdout.split("\0") if p]


def random_files(folder):
    paths = []
    for k in range(64):
        path = os.path.join(folder, "random-%02d.bin" % k)
        with open(path, "wb") as f:
            f.write(os.urandom(16384))
        paths.append(path)
    return paths


def results(cli, form, encoding, paths):
    run = subprocess.run([cli, "-t", "auto", "-f", form, "-e", encoding, "--", *paths], capture_output=True,
                         check=True)
    lines = run.stdout.split(b"\n")[:-1]
    assert len(lines) == len(paths)
    return [len(line) for line in lines]


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as scratch:
        corpora = [("SVG icons", icons()), ("project sources", sources()), ("random bytes", random_files(scratch))]
        print("%-16s %6s %10s  %-9s %8s %8s %8s  %s" % ("corpus", "files", "bytes in", "format", "base64", "percent",
                                                      "auto", "auto <= base64 for each file"))
        met = True
        for name, paths in corpora:
            if not paths:
                print("%-16s (none here)" % name)
                continue
            size = sum(os.path.getsize(p) for p in paths)
            for form in FORMATS:
                out = {e: results(cli, form, e, paths) for e in ENCODINGS}
                ratios = {e: sum(out[e]) / size for e in ENCODINGS}
                longer = sum(1 for a, b in zip(out["auto"], out["base64"]) if a > b)
                met = met and longer == 0
                note = "yes" if longer == 0 else "NO: %d longer" % longer
                if name == "SVG icons" and form == "css":
                    note += "; target <= 1.10: " + ("met" if ratios["auto"] <= 1.10 else "NOT met")
                    met = met and ratios["auto"] <= 1.10
                print("%-16s %6d %10d  %-9s %8.3f %8.3f %8.3f  %s" % (name, len(paths), size, form, ratios["base64"],
                                                                    ratios["percent"], ratios["auto"], note))
        return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Holds the manual page to what the program says of itself.

    tests/package/man-page-test.py DEB
    tests/package/man-page-test.py LUMARIND_CLI MANUAL_PAGE

The program and the page are the Debian package's, or given (the page as
lumarind-cli.1 or lumarind-cli.1.gz). Checks that
groff finds nothing to warn about, that every option line of --help ("-f,
--format FORMAT") heads an entry under OPTIONS and every entry there is an
option line of --help, and that each option named anywhere in either text
is one the other names too. Prints "PASS name" or "FAIL name" per check.
"""
import gzip
import re
import subprocess
import sys
import tempfile

OPTION = re.compile(r"(?<![\w/.\\-])--?[A-Za-z0-9][A-Za-z0-9-]*")


def report(name, problems):
    print(("FAIL " if problems else "PASS ") + name)
    for problem in problems:
        print("    " + problem)


def help_headings(help_text):
    headings = []
    for line in help_text.splitlines():
        listed = re.match(r"^ {2,6}(-\S.*?)(?: {2,}|$)", line)
        if listed:
            headings.append(listed.group(1))
    return headings


def man_headings(rendered):
    """The tags of the entries under OPTIONS: lines indented by the section's
    seven spaces that start with a dash."""
    section = re.search(r"^OPTIONS\n(.*?)^\S", rendered, re.M | re.S)
    if not section:
        return []
    return [line.strip() for line in section.group(1).splitlines() if re.match(r"^ {7}-", line)]


def main():
    if len(sys.argv) == 2:
        unpacked = tempfile.TemporaryDirectory()
        subprocess.run(["dpkg-deb", "-x", sys.argv[1], unpacked.name], check=True)
        program = f"{unpacked.name}/usr/bin/lumarind-cli"
        page = f"{unpacked.name}/usr/share/man/man1/lumarind-cli.1.gz"
    else:
        program, page = sys.argv[1:3]
    source = gzip.open(page, "rb").read() if page.endswith(".gz") else open(page, "rb").read()
    groff = subprocess.run(["groff", "-ww", "-z", "-man"], input=source, capture_output=True)
    report("man page: groff -ww -z -man prints no warning",
           [line for line in (groff.stdout + groff.stderr).decode(errors="replace").splitlines()] +
           ([f"groff exit status {groff.returncode}"] if groff.returncode else []))

    rendered = subprocess.run(["groff", "-man", "-Tascii", "-P-cbou", "-rLL=200n", "-rHY=0"], input=source,
                              capture_output=True, check=True).stdout.decode()
    help_text = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout

    in_help, in_man = help_headings(help_text), man_headings(rendered)
    report("man page: every option line of --help heads an entry under OPTIONS",
           [f"'{h}' is not under OPTIONS in the man page" for h in in_help if h not in in_man] +
           ([] if in_help else ["--help lists no options"]))
    report("man page: every entry under OPTIONS is an option line of --help",
           [f"'{h}' is in the man page but not in --help" for h in in_man if h not in in_help])

    named_in_help, named_in_man = set(OPTION.findall(help_text)), set(OPTION.findall(rendered))
    report("man page: every option --help names, the man page names",
           [f"{o} is missing from the man page" for o in sorted(named_in_help - named_in_man)])
    report("man page: every option the man page names, --help names",
           [f"{o} is in the man page but not in --help" for o in sorted(named_in_man - named_in_help)])


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the bash, zsh and fish completions of lumarind-cli from its --help.

    packaging/linux/make-completions.py LUMARIND_CLI OUT_DIR

The options, their short forms and whether they take a value are read from
the program's own --help, so a new option completes without a change here.
What --help cannot say is below: what to offer as an option's value (FILE
is a file name, -t offers "auto" and the types of cli/WebTypes.cpp) and the
short descriptions zsh and fish show; an option missing from DESCRIPTIONS
shows the start of its --help text instead.

Writes OUT_DIR/lumarind-cli.bash, _lumarind-cli (zsh) and lumarind-cli.fish.
"""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
PROGRAM = "lumarind-cli"

DESCRIPTIONS = {
    "--format": "output form",
    "--one-line": "the data URL on one line",
    "--encoding": "how the bytes are written",
    "--charset": "add ;charset= after the type",
    "--type": "content type (auto: the one browsers expect)",
    "--output": "write to this file",
    "--decode": "write the bytes a data URL carries",
    "--help": "show the options",
    "--version": "show the version",
}

# Values of the options that take one from a fixed list.
VALUES = {
    "--format": ["text", "line", "css", "html", "markdown"],
    "--encoding": ["base64", "percent", "auto"],
    "--charset": ["utf-8", "us-ascii", "iso-8859-1", "windows-1251", "koi8-r", "utf-16"],
}


def web_types():
    """The types of -t auto's table, in the order they first appear."""
    source = (ROOT / "cli" / "WebTypes.cpp").read_text(encoding="utf-8")
    table = re.search(r"kWebTypes\[\] = \{(.*?)\n\};", source, re.S)
    if not table:
        sys.exit("make-completions: no kWebTypes table in cli/WebTypes.cpp")
    entries = re.findall(r'\{L"[^"]+", L"([^"]+)"\}', table.group(1))
    if len(entries) != table.group(1).count('{L"') or not entries:
        sys.exit("make-completions: cannot read every entry of kWebTypes in cli/WebTypes.cpp")
    return list(dict.fromkeys(entries))


class Option:
    def __init__(self, names, value, help_text):
        self.names = names  # "-f", "--format"; either may be missing
        self.value = value  # the metavariable (FORMAT, FILE...) or None
        self.help_text = help_text

    @property
    def long(self):
        return next((n for n in self.names if n.startswith("--")), None)

    @property
    def short(self):
        return next((n for n in self.names if not n.startswith("--")), None)

    @property
    def description(self):
        if self.long in DESCRIPTIONS:
            return DESCRIPTIONS[self.long]
        return re.split(r"[;,(]|: ", self.help_text)[0].strip() or (self.long or self.short)

    @property
    def files(self):
        return self.value == "FILE"

    @property
    def values(self):
        if self.long == "--type":
            return ["auto"] + web_types()
        return VALUES.get(self.long, [])


def options_from_help(help_text):
    """Each option line of --help: two spaces, the names, the value, then the
    description two or more spaces on; deeper lines continue it."""
    options = []
    for line in help_text.splitlines():
        listed = re.match(r"^  +(-[^ ].*?)(?: {2,}(.*))?$", line)
        if listed and not line.startswith(" " * 20):
            heading, text = listed.group(1), listed.group(2) or ""
            names = re.findall(r"(?<!\S)--?[A-Za-z0-9][A-Za-z0-9-]*", heading)
            value = re.search(r" ([A-Z][A-Z_]*)$", heading)
            options.append(Option(names, value.group(1) if value else None, text))
        elif options and line.startswith(" " * 20):
            options[-1].help_text += " " + line.strip()
        elif not line.strip() and options:
            break
    if not options:
        sys.exit("make-completions: no options found in --help")
    return options


def bash_script(options):
    cases = []
    for option in options:
        if not option.value:
            continue
        if option.files:
            action = "_filedir"
        elif option.values:
            action = "COMPREPLY=($(compgen -W '%s' -- \"$cur\"))" % " ".join(option.values)
        else:
            action = ":"
        cases.append("        %s)\n            %s\n            return\n            ;;" % ("|".join(option.names), action))
    names = " ".join(name for option in options for name in option.names)
    return f"""# bash completion for {PROGRAM}, made from its --help by packaging/linux/make-completions.py.
_lumarind_cli() {{
    local cur prev words cword split
    _init_completion -s || return
    local i
    for ((i = 1; i < cword; i++)); do
        if [[ ${{words[i]}} == -- ]]; then
            _filedir
            return
        fi
    done
    case $prev in
{chr(10).join(cases)}
    esac
    $split && return
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '{names}' -- "$cur"))
        return
    fi
    _filedir
}} &&
    complete -F _lumarind_cli {PROGRAM}
"""


def zsh_quote(text):
    return "'" + text.replace("'", "'\\''") + "'"


def zsh_script(options):
    specs = []
    for option in options:
        description = re.sub(r"([\[\]\\])", r"\\\1", option.description)
        if option.long in ("--help", "--version"):
            exclusion = "(- *)"
        else:
            exclusion = "(" + " ".join(option.names) + ")" if len(option.names) > 1 else ""
        if option.value:
            forms = [n + ("=" if n.startswith("--") else "+") for n in option.names]
            if option.files:
                action = "_files"
            elif option.values:
                action = "(" + " ".join(v.replace(":", "\\:") for v in option.values) + ")"
            else:
                action = " "
            tail = "[%s]:%s:%s" % (description, option.value.lower(), action)
        else:
            forms = list(option.names)
            tail = "[%s]" % description
        if len(forms) > 1:
            specs.append(zsh_quote(exclusion) + "{" + ",".join(forms) + "}" + zsh_quote(tail))
        else:
            specs.append(zsh_quote(exclusion + forms[0] + tail))
    specs.append(zsh_quote("*:file:_files"))
    lines = " \\\n    ".join(specs)
    return f"""#compdef {PROGRAM}
# zsh completion for {PROGRAM}, made from its --help by packaging/linux/make-completions.py.
_arguments -S \\
    {lines}
"""


def fish_quote(text):
    return "'" + text.replace("\\", "\\\\").replace("'", "\\'") + "'"


def fish_script(options):
    lines = [f"# fish completion for {PROGRAM}, made from its --help by packaging/linux/make-completions.py."]
    for option in options:
        words = ["complete", "-c", PROGRAM]
        if option.short:
            words += ["-s", option.short[1:]]
        if option.long:
            words += ["-l", option.long[2:]]
        if option.files:
            words += ["-r", "-F"]
        elif option.value:
            words += ["-x"]
            if option.values:
                words += ["-a", fish_quote(" ".join(option.values))]
        words += ["-d", fish_quote(option.description)]
        lines.append(" ".join(words))
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make-completions.py LUMARIND_CLI OUT_DIR")
    help_text = subprocess.run([sys.argv[1], "--help"], check=True, capture_output=True, text=True).stdout
    options = options_from_help(help_text)
    out = pathlib.Path(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)
    (out / f"{PROGRAM}.bash").write_text(bash_script(options))
    (out / f"_{PROGRAM}").write_text(zsh_script(options))
    (out / f"{PROGRAM}.fish").write_text(fish_script(options))


if __name__ == "__main__":
    main()

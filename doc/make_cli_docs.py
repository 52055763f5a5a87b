#!/usr/bin/env python3
"""Writes zorvel-cli's manual page and its bash and zsh completions from what the
program itself says: its --help (synopsis, commands, options and their values) and
--version, plus a hand-written part for what --help leaves out (the program's
purpose, the files it keeps, exit status, examples).

    make_cli_docs.py --cli PATH/zorvel-cli --extra zorvel-cli.1.extra \
        --man OUT.1 [--bash OUT] [--zsh OUT]

The build runs it after linking zorvel-cli, so a new command or option reaches the
page and the completions with the next build. It stops with an error when --help no
longer has the shape it reads (a usage block first), rather than write a thin page.
"""

import argparse
import gzip
import re
import subprocess
import sys

PROG = "zorvel-cli"


class Option:
    def __init__(self, name):
        self.name = name          # "--format", "-o"
        self.aliases = []         # "--output" for "-o"
        self.args = []            # ["tsv|json"], ["W", "H"]
        self.help = []            # lines of --help describing it
        self.extra = ""           # roff text from the hand-written part
        self.commands = []        # the commands that take it
        self.many = False         # takes the words up to the next option

    def choices(self):
        if len(self.args) == 1 and "|" in self.args[0]:
            return self.args[0].split("|")
        # A NAME whose description is nothing but lower-case words lists the names.
        if self.args == ["NAME"] and self.help:
            text = " ".join(self.help).split("(")[0].split()
            if len(text) > 1 and all(re.fullmatch(r"[a-z0-9]+", w) for w in text):
                return text
        return []

    def wants_file(self):
        return any(a.split(".")[0] in ("FILE", "OUT", "IN") for a in self.args)

    def wants_dir(self):
        return self.args == ["DIR"]


class Cli:
    def __init__(self):
        self.version = ""
        self.synopsis = []        # usage lines without "usage:"
        self.commands = {}        # name -> description lines
        self.order = []           # command names as the usage lists them
        self.options = {}         # name -> Option
        self.globals = []         # --help, --version
        self.paragraphs = []      # description paragraphs
        self.notes = []           # option-section lines that are not items
        self.positional = {}      # command -> its trailing words (SOURCE..., IN OUT)


def tokens(text):
    return re.findall(r"\[|\]|[^\s\[\]]+", text)


def parse_usage_line(cli, line):
    words = tokens(line)
    if not words or words[0] != PROG:
        raise SystemExit(f"make_cli_docs: unexpected usage line: {line!r}")
    if len(words) > 1 and words[1].startswith("-"):
        cli.globals += [w for w in words[1:] if w.startswith("-")]
        return
    command = words[1]
    cli.order.append(command)
    cli.commands.setdefault(command, [])
    depth, i, rest = 0, 2, []
    while i < len(words):
        w = words[i]
        if w == "[":
            depth += 1
        elif w == "]":
            depth -= 1
        elif w.startswith("-"):
            opt = cli.options.setdefault(w, Option(w))
            if command not in opt.commands:
                opt.commands.append(command)
            args = []
            # In brackets the values run to the bracket; outside, one value follows.
            while i + 1 < len(words) and words[i + 1] not in ("[", "]") \
                    and not words[i + 1].startswith("-") and (depth > 0 or not args):
                args.append(words[i + 1])
                i += 1
            if args and not opt.args:
                opt.args = args
        elif depth == 0:
            rest.append(w)
        i += 1
    cli.positional[command] = rest


def parse_help(cli, text):
    lines = text.splitlines()
    if not lines or not lines[0].lower().startswith("usage:"):
        raise SystemExit("make_cli_docs: --help does not begin with a usage line")
    i = 0
    while i < len(lines) and lines[i].strip():
        parse_usage_line(cli, re.sub(r"^usage:\s*", "", lines[i], flags=re.I).strip())
        i += 1
    if not cli.order:
        raise SystemExit("make_cli_docs: no command found in the usage lines")
    paragraph, current = [], None
    for line in lines[i:]:
        item = re.match(r"^  (\S.*?)(?:\s{2,}(\S.*))?$", line)
        cont = re.match(r"^\s{10,}(\S.*)$", line)
        if not line.strip():
            if paragraph:
                cli.paragraphs.append(" ".join(paragraph))
                paragraph = []
            current = None
        elif cont and current is not None:
            current.append(cont.group(1))
        elif item and (item.group(2) is not None or item.group(1).startswith("-")):
            term, first = item.group(1), item.group(2)
            name = term.split()[0]
            if name in cli.commands:
                current = cli.commands[name]
            elif name.startswith("-"):
                opt = cli.options.setdefault(name, Option(name))
                if not opt.args:
                    opt.args = term.split()[1:]
                current = opt.help
            else:
                cli.notes.append(line.strip())
                current = None
                continue
            if first:
                current.append(first)
        elif line.startswith("  "):
            cli.notes.append(line.strip())
            current = None
        else:
            paragraph.append(line.strip())
    if paragraph:
        cli.paragraphs.append(" ".join(paragraph))
    # An option named where the description defines a positional word (SOURCE is a
    # PATH or --from-browsers [NAME...]) goes with every command that takes it.
    sentences = [x for para in cli.paragraphs for x in re.split(r"(?<=\.)\s+", para)]
    for text in sentences:
        m = re.match(r"^([A-Z]+) is (.*)", text)
        if not m:
            continue
        word, sentence = m.group(1), m.group(2)
        for found in re.finditer(r"(--[a-z][\w-]*)((?:\s+\[?[A-Z]+\.*\]?)*)", sentence):
            opt = cli.options.setdefault(found.group(1), Option(found.group(1)))
            opt.args = found.group(2).split()
            opt.many = "..." in found.group(2)
            for command, rest in cli.positional.items():
                if any(r.rstrip(".") == word for r in rest) and command not in opt.commands:
                    opt.commands.append(command)


def read_extra(path):
    """The hand-written part: [NAME], [DESCRIPTION], [OPTION -o --output], [SECTION X]
    headers, each followed by roff text."""
    parts, key = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith('.\\"'):
                continue
            m = re.match(r"^\[(.+)\]\s*$", line)
            if m:
                key = m.group(1)
                parts[key] = ""
            elif key:
                parts[key] += line
    return {k: v.strip("\n") for k, v in parts.items()}


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return re.sub(r"^([.'])", r"\\&\1", text, flags=re.M)


def roff_synopsis(words):
    out = []
    for w in tokens(words):
        if w in ("[", "]"):
            out.append(w)
        elif w.startswith("-") or re.fullmatch(r"[a-z][\w|-]*", w):
            out.append("\\fB" + roff(w).replace("|", "\\fR|\\fB") + "\\fR")
        else:
            out.append("\\fI" + roff(w) + "\\fR")
    return " ".join(out).replace("[ ", "[").replace(" ]", "]")


def man_page(cli, extra):
    out = [f'.TH ZORVEL\\-CLI 1 "" "{roff(cli.version)}" "User Commands"', ".SH NAME",
           f"{PROG} \\- {roff(extra.get('NAME', 'bookmark lists for scripts'))}", ".SH SYNOPSIS"]
    for line in cli.synopsis:
        words = line.split(None, 1)
        out += [".PP", ".B " + roff(words[0])]
        if len(words) > 1:
            out.append(roff_synopsis(words[1]))
    out += [".SH DESCRIPTION"]
    if "DESCRIPTION" in extra:
        out += [extra["DESCRIPTION"], ".PP"]
    out += [x for p in cli.paragraphs for x in (roff(p), ".PP")][:-1]
    out += [".SH COMMANDS"]
    for command in cli.order:
        out += [".TP", f"\\fB{roff(command)}\\fR"]
        out.append(roff(" ".join(cli.commands[command])) or ".")
        extra_text = extra.get("COMMAND " + command)
        if extra_text:
            out.append(extra_text)
    out += [".SH OPTIONS"]
    names = sorted(cli.options, key=lambda n: n.lstrip("-"))
    for name in names + [g for g in cli.globals if g not in names]:
        opt = cli.options.get(name) or Option(name)
        key = next((k for k in extra if k.startswith("OPTION ") and name in k.split()[1:]), None)
        aliases = key.split()[1:] if key else [name]
        term = ", ".join(f"\\fB{roff(a)}\\fR" for a in aliases)
        if opt.args:
            term += " " + " ".join(f"\\fI{roff(a)}\\fR" if "|" not in a else
                                   f"\\fB{roff(a)}\\fR".replace("|", "\\fR|\\fB") for a in opt.args)
        out += [".TP", term]
        body = roff(" ".join(opt.help))
        if key:
            body = (body + "\n" if body else "") + extra[key]
        if opt.commands:
            body += ("\n.br\n" if body else "") + "Commands: " + roff(", ".join(opt.commands)) + ""
        out.append(body or ".")
    if cli.notes:
        out += [".PP", roff(" ".join(cli.notes))]
    for key, text in extra.items():
        if key.startswith("SECTION "):
            out += [".SH " + key[len("SECTION "):], text]
    return "\n".join(out) + "\n"


def bash_completion(cli):
    def words(xs):
        return " ".join(xs)
    lines = [f"# bash completion for {PROG}; made from its --help by make_cli_docs.py.",
             f"_zorvel_cli()", "{",
             "    local cur prev cword words",
             "    _init_completion 2>/dev/null || {",
             "        cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}",
             "        words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD",
             "    }",
             "    if [[ $cword -eq 1 ]]; then",
             f"        COMPREPLY=($(compgen -W '{words(cli.order + cli.globals)}' -- \"$cur\"))",
             "        return",
             "    fi",
             "    local command=${words[1]} i",
             "    # Inside the browser names of --from-browsers: the browsers this computer has.",
             "    for ((i = cword - 1; i > 1; i--)); do",
             "        case ${words[i]} in",
             "        --from-browsers)",
             "            if [[ $cur != -* ]]; then",
             "                local IFS=$'\\n'",
             "                COMPREPLY=($(compgen -W \"$(\"${words[0]}\" browsers 2>/dev/null | cut -f1 | sort -u)\" -- \"$cur\"))",
             "                # \"Google Chrome\" is one name: its space is escaped.",
             "                for i in \"${!COMPREPLY[@]}\"; do COMPREPLY[i]=$(printf '%q' \"${COMPREPLY[i]}\"); done",
             "                return",
             "            fi",
             "            break ;;",
             "        -*) break ;;",
             "        esac",
             "    done",
             "    case $prev in"]
    for name in sorted(cli.options):
        opt = cli.options[name]
        if opt.many:
            continue
        spelt = "|".join([name] + opt.aliases)
        if opt.choices():
            lines.append(f"    {spelt}) COMPREPLY=($(compgen -W '{words(opt.choices())}' -- \"$cur\")); return ;;")
        elif opt.wants_dir():
            lines.append(f"    {spelt}) COMPREPLY=($(compgen -d -- \"$cur\")); return ;;")
        elif opt.wants_file():
            lines.append(f"    {spelt}) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;")
        elif opt.args:
            lines.append(f"    {spelt}) return ;;")
    lines += ["    esac",
              "    if [[ $cur == -* ]]; then",
              "        local opts",
              "        case $command in"]
    for command in cli.order:
        opts = [x for n in cli.options if command in cli.options[n].commands
                for x in [n] + cli.options[n].aliases]
        lines.append(f"        {command}) opts='{words(opts)}' ;;")
    lines += ["        esac",
              "        COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))",
              "        return",
              "    fi",
              "    case $command in " + " | ".join(c for c in cli.order if not cli.positional.get(c)) + ") return ;; esac",
              "    COMPREPLY=($(compgen -f -- \"$cur\"))",
              "    compopt -o filenames 2>/dev/null",
              "}",
              f"complete -F _zorvel_cli {PROG}"]
    return "\n".join(lines) + "\n"


def zsh_completion(cli):
    def desc(text):
        return text.replace("'", "'\\''").replace("[", "(").replace("]", ")").replace(":", ";")
    lines = [f"#compdef {PROG}",
             f"# zsh completion for {PROG}; made from its --help by make_cli_docs.py.",
             "", "_zorvel_cli_browsers() {",
             "  local -a names",
             "  names=(${(f)\"$(_call_program browsers " + PROG + " browsers 2>/dev/null | cut -f1 | sort -u)\"})",
             "  _describe -t browsers 'browser' names",
             "}", "", "_zorvel-cli() {",
             "  local -a commands",
             "  commands=("]
    for command in cli.order:
        first = cli.commands[command][0] if cli.commands[command] else command
        lines.append(f"    '{command}:{desc(first)}'")
    lines += ["  )",
              "  if (( CURRENT == 2 )); then",
              "    _describe -t commands 'command' commands",
              "    _arguments " + " ".join(f"'{g}[{g.lstrip('-')}]'" for g in cli.globals),
              "    return",
              "  fi",
              "  local command=$words[2]",
              "  shift words; (( CURRENT-- ))",
              "  case $command in"]
    for command in cli.order:
        specs = []
        for name, opt in cli.options.items():
            if command not in opt.commands:
                continue
            plain = re.sub(r"\\f[BIRP]|\\&", "", opt.extra).replace("\\-", "-").replace("\n", " ")
            text = desc(opt.help[0] if opt.help else plain.split(". ")[0].rstrip(".") or name)
            spelt = [name] + opt.aliases
            if opt.many:
                action = ":*-*:browser:_zorvel_cli_browsers"
            elif opt.choices():
                action = f":{opt.args[0].lower()}:({' '.join(opt.choices())})"
            elif opt.wants_dir():
                action = ":directory:_files -/"
            elif opt.wants_file():
                action = ":file:_files"
            else:
                action = "".join(f":{a.lower()}: " for a in opt.args)
            names = "{" + ",".join(spelt) + "}" if len(spelt) > 1 else spelt[0]
            specs.append(f"'({' '.join(spelt)})'{names}'[{text}]{action}'")
        if cli.positional.get(command):
            specs.append("'*:file:_files'")
        if not specs:
            specs.append("'(-)--help[show the usage]'")
        lines.append(f"    {command}) _arguments -s \\")
        lines += [f"        {s} \\" for s in specs[:-1]]
        lines.append(f"        {specs[-1]} ;;")
    lines += ["  esac", "}", "", '_zorvel-cli "$@"']
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--extra", required=True)
    ap.add_argument("--man", required=True)
    ap.add_argument("--man-gz")
    ap.add_argument("--bash")
    ap.add_argument("--zsh")
    a = ap.parse_args()

    env = {"LANG": "C.UTF-8", "LC_ALL": "C.UTF-8", "PATH": "/usr/bin:/bin"}
    help_text = subprocess.run([a.cli, "--help"], check=True, capture_output=True, text=True,
                               env=env).stdout
    version = subprocess.run([a.cli, "--version"], check=True, capture_output=True, text=True,
                             env=env).stdout.strip()
    cli = Cli()
    cli.version = version
    cli.synopsis = [re.sub(r"^usage:\s*", "", l, flags=re.I).strip()
                    for l in help_text.splitlines()[:len(help_text.split("\n\n")[0].splitlines())]]
    parse_help(cli, help_text)
    extra = read_extra(a.extra)
    for key in extra:
        if key.startswith("OPTION "):
            names = key.split()[1:]
            opt = cli.options.get(names[0])
            if opt:
                opt.aliases = names[1:]
                opt.extra = extra[key]
    page = man_page(cli, extra)
    with open(a.man, "w", encoding="utf-8") as f:
        f.write(page)
    if a.man_gz:
        with open(a.man_gz, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw,
                                                       compresslevel=9, mtime=0) as f:
            f.write(page.encode("utf-8"))
    if a.bash:
        with open(a.bash, "w", encoding="utf-8") as f:
            f.write(bash_completion(cli))
    if a.zsh:
        with open(a.zsh, "w", encoding="utf-8") as f:
            f.write(zsh_completion(cli))
    return 0


if __name__ == "__main__":
    sys.exit(main())

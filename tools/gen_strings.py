#!/usr/bin/python3
"""Build the installer's string tables from the per-language message files.

Usage: gen_strings.py OUT.rc FILE...

Each FILE holds the messages of one language block, as UTF-8 text:

    # comment (a line whose first character is '#')
    language = English
    offset = 1000

    1000 = Installer
    1110 = Installation is not complete.\\r\\n\\r\\nDo you still confirm exit Installation ?

- The header lines `language` and `offset` come before the first message.
  `offset` is added to every message number to give the string's id, so
  message N of the block above becomes string N + 1000.
- A message line is `N = text`.  The text is taken exactly as written (inner
  spaces included) after the one space that follows '='.  Escapes: \\r, \\n,
  \\t, \\\\ (a backslash), \\s (a space) and \\uXXXX.  A text may not begin or
  end with raw white space (editors lose it): write \\s instead.
- A text consisting only of '#' marks a message not translated into the block's
  language; the program then uses the English text, and failing that the French
  one.  The French (offset 0) and English (offset 1000) blocks must therefore
  be complete.
- Every file must hold every message number of MESSAGES exactly once, and every
  translated text must use the same inserts (%1, %2) as the French text.

The output is a UTF-8 resource script fragment for windres (code page 65001)
with one STRINGTABLE per language, ordered by offset.  The same input always
gives the same bytes.
"""

import os
import re
import sys

# Message numbers of the French block (there is no 1116 and no 1128).
MESSAGES = tuple(n for n in list(range(1000, 1019)) + list(range(1100, 1130)) if n not in (1116, 1128))

FRENCH_OFFSET = 0
ENGLISH_OFFSET = 1000
UNTRANSLATED = "#"

_MESSAGE_LINE = re.compile(r"^([0-9]+) ?= ?(.*)$")
_HEADER_LINE = re.compile(r"^([a-z]+) *= *(.*?)$")
_INSERT = re.compile(r"%([1-9][0-9]?)")


class InputError(Exception):
    """A message file is malformed; the text names the file and line."""


class Block:
    def __init__(self, path):
        self.path = path
        self.language = None
        self.offset = None
        self.texts = {}  # message number -> text
        self.lines = {}  # message number -> line number in the file

    def where(self, number=None):
        if number is None:
            return self.path
        return f"{self.path}:{self.lines[number]}"


def _unescape(raw, where):
    out = []
    i = 0
    while i < len(raw):
        c = raw[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        if i + 1 >= len(raw):
            raise InputError(f"{where}: a lone backslash ends the text (write \\\\ for a backslash)")
        e = raw[i + 1]
        simple = {"r": "\r", "n": "\n", "t": "\t", "\\": "\\", "s": " "}
        if e in simple:
            out.append(simple[e])
            i += 2
        elif e == "u":
            digits = raw[i + 2:i + 6]
            if not re.fullmatch(r"[0-9A-Fa-f]{4}", digits):
                raise InputError(f"{where}: \\u needs four hexadecimal digits")
            code = int(digits, 16)
            if code == 0 or 0xD800 <= code <= 0xDFFF:
                raise InputError(f"{where}: \\u{digits} is not a character that a string may hold")
            out.append(chr(code))
            i += 6
        else:
            raise InputError(f"{where}: unknown escape \\{e} (known: \\r \\n \\t \\\\ \\s \\uXXXX)")
    return "".join(out)


def _check_percent_signs(text, where):
    """Only %1..%99 inserts and %% are allowed: other FormatMessage escapes are typos here."""
    i = 0
    while i < len(text):
        if text[i] == "%":
            nxt = text[i + 1:i + 2]
            if nxt == "%":
                i += 2
                continue
            if not nxt or nxt not in "123456789":
                raise InputError(f"{where}: '%' must start an insert such as %1 (write %% for a percent sign)")
        i += 1


def parse_file(path):
    block = Block(path)
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        raise InputError(f"{path}: cannot read ({e.strerror})")
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    try:
        content = data.decode("utf-8")
    except UnicodeDecodeError as e:
        raise InputError(f"{path}: not valid UTF-8 (byte {e.start})")

    for number, line in enumerate(content.split("\n"), start=1):
        where = f"{path}:{number}"
        if line.endswith("\r"):
            line = line[:-1]
        if not line.strip() or line.startswith("#"):
            continue
        if any(ord(c) < 0x20 or ord(c) == 0x7F for c in line):
            raise InputError(f"{where}: control character in the line (use \\t, \\r, \\n)")
        m = _MESSAGE_LINE.match(line)
        if m:
            if block.language is None or block.offset is None:
                raise InputError(f"{where}: message before the 'language' and 'offset' header lines")
            n = int(m.group(1))
            raw = m.group(2)
            if n not in MESSAGES:
                raise InputError(f"{where}: unknown message number {n}")
            if n in block.texts:
                raise InputError(f"{where}: message {n} appears twice (first at line {block.lines[n]})")
            if raw == "":
                raise InputError(f"{where}: message {n} has an empty text (use '#' for an untranslated one)")
            if raw != raw.strip(" "):
                raise InputError(f"{where}: message {n} begins or ends with a raw space (write \\s)")
            text = _unescape(raw, where)
            if text != UNTRANSLATED:
                _check_percent_signs(text, where)
            block.texts[n] = text
            block.lines[n] = number
            continue
        m = _HEADER_LINE.match(line)
        if m and not block.texts:
            key, value = m.group(1), m.group(2).strip()
            if key == "language":
                if block.language is not None:
                    raise InputError(f"{where}: 'language' given twice")
                if not value:
                    raise InputError(f"{where}: empty language name")
                block.language = value
            elif key == "offset":
                if block.offset is not None:
                    raise InputError(f"{where}: 'offset' given twice")
                if not re.fullmatch(r"[0-9]+", value):
                    raise InputError(f"{where}: offset must be a decimal number, not {value!r}")
                block.offset = int(value)
                if block.offset % 1000 != 0:
                    raise InputError(f"{where}: offset {block.offset} is not a multiple of 1000")
            else:
                raise InputError(f"{where}: unknown header '{key}' (known: language, offset)")
            continue
        raise InputError(f"{where}: expected 'N = text', a header line or a '#' comment")

    if block.language is None or block.offset is None:
        raise InputError(f"{path}: missing 'language' or 'offset' header line")
    missing = [n for n in MESSAGES if n not in block.texts]
    if missing:
        raise InputError(f"{path}: missing message(s) {', '.join(map(str, missing))}")
    if max(MESSAGES) + block.offset > 0xFFFF:
        raise InputError(f"{path}: offset {block.offset} puts string ids beyond 65535")
    return block


def check_blocks(blocks):
    by_offset = {}
    for b in blocks:
        if b.offset in by_offset:
            raise InputError(f"{b.path}: offset {b.offset} already used by {by_offset[b.offset].path}")
        by_offset[b.offset] = b
    names = {}
    for b in blocks:
        if b.language in names:
            raise InputError(f"{b.path}: language '{b.language}' already given by {names[b.language].path}")
        names[b.language] = b
    for fallback in (FRENCH_OFFSET, ENGLISH_OFFSET):
        if fallback not in by_offset:
            raise InputError(f"no block with offset {fallback}: the French and English blocks are required")
        b = by_offset[fallback]
        for n in MESSAGES:
            if b.texts[n] == UNTRANSLATED:
                raise InputError(f"{b.where(n)}: message {n} must be translated in the {b.language} block"
                                 " (other blocks fall back to it)")
    french = by_offset[FRENCH_OFFSET]
    for b in blocks:
        for n in MESSAGES:
            text = b.texts[n]
            if text == UNTRANSLATED:
                continue
            want = sorted(_INSERT.findall(french.texts[n].replace("%%", "")))
            have = sorted(_INSERT.findall(text.replace("%%", "")))
            if have != want:
                shown = lambda xs: " ".join("%" + x for x in xs) or "none"
                raise InputError(f"{b.where(n)}: message {n} has inserts {shown(have)}, "
                                 f"the French text has {shown(want)}")


def rc_string(text):
    """Quote a text as a narrow windres string read with code page 65001."""
    out = ['"']
    prev = ""
    for c in text:
        if c == '"':
            out.append('""')
        elif c == "\\":
            out.append("\\\\")
        elif c == "\r":
            out.append("\\r")
        elif c == "\n":
            out.append("\\n")
        elif c == "\t":
            out.append("\\t")
        elif ord(c) < 0x20 or ord(c) == 0x7F:
            out.append("\\%03o" % ord(c))
        elif c == "?" and prev == "?":
            out.append("\\077")  # no "??" pairs, so the preprocessor never sees a trigraph
        elif ord(c) > 0xFFFF:
            raise InputError(f"character U+{ord(c):X} is outside the Basic Multilingual Plane")
        else:
            out.append(c)
        prev = c
    out.append('"')
    return "".join(out)


def render(blocks):
    lines = [
        "#pragma code_page(65001)",
        "// Installer string tables, generated by tools/gen_strings.py from:",
        "//   " + " ".join(sorted(os.path.basename(b.path) for b in blocks)),
        "// Do not edit: change the message files and rebuild.",
        "",
        "LANGUAGE 0, 0  // neutral: the program picks its language block itself",
    ]
    for b in sorted(blocks, key=lambda b: b.offset):
        lines.append("")
        lines.append(f"// {b.language}: message N is string N + {b.offset}")
        lines.append("STRINGTABLE")
        lines.append("BEGIN")
        for n in MESSAGES:
            lines.append(f"    {n + b.offset:5d} {rc_string(b.texts[n])}")
        lines.append("END")
    return "\n".join(lines) + "\n"


def main(argv):
    if len(argv) < 3:
        sys.stderr.write("usage: gen_strings.py OUT.rc FILE...\n")
        return 2
    out_path, inputs = argv[1], argv[2:]
    try:
        blocks = [parse_file(p) for p in inputs]
        check_blocks(blocks)
        text = render(blocks)
    except InputError as e:
        sys.stderr.write(f"gen_strings.py: error: {e}\n")
        return 1
    tmp = out_path + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(tmp, out_path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

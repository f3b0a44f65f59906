#!/usr/bin/env python3
"""Writes the pseudo-language resource files from the English ones.

Every text a person reads gets accented letters, about 40 % more length and brackets at both ends,
so a window that shows a plain English text took it from somewhere other than the resource module,
and a control too small for a longer translation shows its text cut off. Format specifiers, escape
sequences and mnemonics stay as they are; font faces, numbers the program reads as data, file names
and window class names are not texts and stay too.

Usage: pseudo-locale.py <folder of the English .rc files> <output folder> [LANGUAGE statement]
"""
import os
import re
import sys

# Strings the program reads as data, not as text to show.
DATA_STRINGS = {"IDS_UI_FONT_FACE", "IDS_BUTTON_WIDTH"}

# Resource statements that name files rather than texts.
FILE_STATEMENT = re.compile(r"^\s*\S+\s+(ICON|BITMAP|PNG|CURSOR|RCDATA|RT_MANIFEST)\s+\"")
STRING_ENTRY = re.compile(r"^(\s*)(\w+)(\s+)(\"(?:[^\"]|\"\")*\")(.*)$")
QUOTED = re.compile(r"\"(?:[^\"]|\"\")*\"")

ACCENTED = dict(zip("aceghijklnorstuwyzACEGHIJKLNORSTUWYZ",
                    "åçéĝĥîĵķļñöŕšţûŵýžÅÇÉĜĤÎĴĶĻÑÖŔŠŢÛŴÝŽ"))
PADDING = "ñéŵþåŕ"


def pseudo_text(body):
    """The pseudo form of one string's body (the text between the quotes, still escaped)."""
    if not body:
        return body
    out = []
    visible = 0
    i = 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            out.append(body[i:i + 2])
            i += 2
            continue
        if c == '"' and body[i + 1:i + 2] == '"':
            out.append('""')
            i += 2
            visible += 1
            continue
        if c == "%":
            m = re.match(r"%(%|[-+ #0]*\d*(?:\.\d+)?[hlLI]*\d*[a-zA-Z]|\d+)", body[i:])
            if m:
                out.append(m.group(0))
                i += len(m.group(0))
                continue
        out.append(ACCENTED.get(c, c))
        if c != "&":
            visible += 1
        i += 1
    pad = (visible * 2 + 4) // 5
    padding = "".join(PADDING[k % len(PADDING)] for k in range(pad))
    # Spaces let a wrapped text break inside the padding as it would inside a translation.
    padding = " ".join(padding[k:k + 6] for k in range(0, len(padding), 6))
    return "[" + "".join(out) + (" " + padding if padding else "") + "]"


def rewrite(text, translate, language=None, font=None):
    """Rewrites one .rc file: translate(body, context) gives each text's new body."""
    lines = []
    in_strings = False
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("LANGUAGE ") and language:
            line = language
        elif stripped.startswith("#") or stripped.startswith("//") or FILE_STATEMENT.match(line):
            pass
        elif stripped == "STRINGTABLE":
            in_strings = True
        elif stripped == "END":
            in_strings = False
        elif stripped.startswith("FONT "):
            if font:
                line = QUOTED.sub('"' + font + '"', line, count=1)
        elif in_strings:
            m = STRING_ENTRY.match(line)
            if m and m.group(2) not in DATA_STRINGS:
                body = translate(m.group(4)[1:-1], m.group(2))
                line = m.group(1) + m.group(2) + m.group(3) + '"' + body + '"' + m.group(5)
        else:
            # A dialog's caption or a control: only the first quoted string is a text; later ones
            # name window classes.
            m = QUOTED.search(line)
            if m:
                body = translate(m.group(0)[1:-1], stripped.split()[0])
                line = line[:m.start()] + '"' + body + '"' + line[m.end():]
        lines.append(line)
    return "\n".join(lines) + "\n"


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    source, target = argv[1], argv[2]
    language = argv[3] if len(argv) > 3 else "LANGUAGE 0x101, 0x01"
    os.makedirs(target, exist_ok=True)
    for name in sorted(os.listdir(source)):
        if not name.endswith(".rc"):
            continue
        with open(os.path.join(source, name), encoding="utf-8") as f:
            text = f.read()
        result = rewrite(text, lambda body, _: pseudo_text(body), language)
        # A width given for texts grows with them.
        result = re.sub(r'(IDS_BUTTON_WIDTH\s+)"(\d+)"', lambda m: '%s"%d"' % (m.group(1), int(m.group(2)) * 7 // 5),
                        result)
        path = os.path.join(target, name)
        # Unchanged files keep their time, so the module is not rebuilt for nothing.
        if os.path.exists(path):
            with open(path, encoding="utf-8") as f:
                if f.read() == result:
                    continue
        with open(path, "w", encoding="utf-8") as f:
            f.write(result)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

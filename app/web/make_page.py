#!/usr/bin/env python3
"""Writes the page, index.html, from page.html, page.css and page.js, with every text taken from
the sources that plix.exe is built from: app/texts.h (code page 932 bytes in C string escapes),
and the menu and the opponent dialog of app/win32/plix.rc (UTF-16 escapes) with the command and
control identifiers of app/win32/resource.h.

    make_page.py SOURCE_DIR OUTPUT_HTML

Imported by the page's tests, which hold the page's texts equal to these sources.
"""

import html
import json
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def c_string(body, wide=False):
    """The text of one C or resource string literal's body: \\xHH.. escapes (greedy in C; at
    most four digits in a resource script's wide string, which gives UTF-16 units), \\n, \\\\ and
    \\" as in C; in a narrow string the bytes are code page 932."""
    units = []
    i = 0
    while i < len(body):
        char = body[i]
        if char != "\\":
            units.extend([ord(char)] if wide else char.encode("ascii"))
            i += 1
            continue
        kind = body[i + 1]
        if kind == "x":
            match = re.compile(r"[0-9A-Fa-f]{1,4}" if wide else r"[0-9A-Fa-f]+").match(body, i + 2)
            units.append(int(match.group(), 16))
            i = match.end()
        else:
            units.append(ord({"n": "\n", "\\": "\\", '"': '"'}[kind]))
            i += 2
    if wide:
        return b"".join(unit.to_bytes(2, "little") for unit in units).decode("utf-16-le")
    return bytes(units).decode("cp932")


def program_texts(source_dir):
    """texts.h's constants by name, decoded."""
    with open(os.path.join(source_dir, "app", "texts.h"), encoding="utf-8") as source:
        found = re.findall(r'inline constexpr char (k\w+)\[\] = "((?:[^"\\]|\\.)*)";', source.read())
    return {name: c_string(body) for name, body in found}


def identifiers(source_dir):
    with open(os.path.join(source_dir, "app", "win32", "resource.h"), encoding="utf-8") as source:
        found = re.findall(r"#define (ID\w+) (\d+)", source.read())
    return dict((name, int(value)) for name, value in found) | {"IDOK": 1, "IDCANCEL": 2}


def rc_text(literal):
    wide = literal.startswith("L")
    return c_string(literal[2 if wide else 1 : -1], wide)


LITERAL = r'(L?"(?:[^"\\]|\\.)*")'


def resources(source_dir):
    """The menu as a list of (label, command or None, items or None) in bar order, the items
    being (label, command) with None for a separator; and the dialog's caption and controls
    as (text, id) in template order."""
    ids = identifiers(source_dir)
    with open(os.path.join(source_dir, "app", "win32", "plix.rc"), encoding="utf-8") as source:
        script = source.read()
    menu_part = script[script.index("PLIX MENU") : script.index("TAISEN DIALOG")]
    menu = []
    depth = 0
    for line in menu_part.splitlines():
        line = line.strip()
        if line == "BEGIN":
            depth += 1
        elif line == "END":
            depth -= 1
        elif line.startswith("POPUP"):
            menu.append((rc_text(re.search(LITERAL, line).group(1)), None, []))
        elif line == "MENUITEM SEPARATOR":
            menu[-1][2].append(None)
        elif line.startswith("MENUITEM"):
            match = re.search(LITERAL + r",\s*(\w+)", line)
            entry = (rc_text(match.group(1)), ids[match.group(2)])
            if depth == 2:
                menu[-1][2].append(entry)
            else:
                menu.append(entry + (None,))
    dialog_part = script[script.index("TAISEN DIALOG") :]
    caption = rc_text(re.search(r"CAPTION\s+" + LITERAL, dialog_part).group(1))
    controls = [
        (rc_text(literal), ids.get(name, -1))
        for literal, name in re.findall(r"CONTROL\s+" + LITERAL + r",\s*(-?\w+)", dialog_part)
    ]
    return menu, caption, controls


def label(text):
    """A menu label's HTML, its mnemonic underlined, and the mnemonic's key."""
    before, _, after = text.partition("&")
    key = after[:1]
    return html.escape(before) + "<u>" + html.escape(key) + "</u>" + html.escape(after[1:]), key.lower()


def menu_html(menu):
    parts = []
    for number, (text, command, items) in enumerate(menu):
        shown, key = label(text)
        if items is None:
            parts.append('<button type="button" role="menuitem" accesskey="%s" data-command="%d">%s</button>'
                         % (key, command, shown))
            continue
        entries = []
        for item in items:
            if item is None:
                entries.append('<hr role="separator">')
            else:
                item_shown, item_key = label(item[0])
                entries.append('<button type="button" role="menuitem" data-key="%s" data-command="%d">%s</button>'
                               % (item_key, item[1], item_shown))
        parts.append('<div class="menu"><button type="button" role="menuitem" aria-haspopup="menu" '
                     'aria-expanded="false" accesskey="%s" aria-controls="popup%d">%s</button>'
                     '<div class="popup" role="menu" id="popup%d" hidden>%s</div></div>'
                     % (key, number, shown, number, "".join(entries)))
    return "".join(parts)


def dialog_html(caption, controls, ids):
    """Two columns, each a fieldset under its static text with the radio buttons of its side
    (value = the button's offset from the column's first, its PlayerKind), then OK and Cancel."""
    statics = [text for text, number in controls if number == -1]
    columns = []
    for side, first, legend in (("red", ids["IDC_RED_HUMAN"], statics[0]),
                                ("blue", ids["IDC_BLUE_HUMAN"], statics[1])):
        radios = "".join('<label><input type="radio" name="%s" value="%d">%s</label>'
                         % (side, number - first, html.escape(text))
                         for text, number in controls if first <= number < first + 4)
        columns.append('<fieldset><legend>%s</legend>%s</fieldset>' % (html.escape(legend), radios))
    buttons = dict((number, text) for text, number in controls)
    return ('<dialog id="opponent" class="box" aria-labelledby="opponent-caption"><form method="dialog">'
            '<div class="caption" id="opponent-caption">%s</div><div class="columns">%s</div>'
            '<div class="buttons"><button value="ok" autofocus>%s</button><button value="cancel">%s</button>'
            '</div></form></dialog>'
            % (html.escape(caption), "".join(columns), html.escape(buttons[1]), html.escape(buttons[2])))


def page(source_dir):
    menu, caption, controls = resources(source_dir)
    ids = identifiers(source_dir)
    texts = program_texts(source_dir)
    buttons = dict((number, text) for text, number in controls)
    # What page.js shows by itself: the boxes' texts and their two buttons.
    script_texts = {name: texts[name] for name in ("kAboutCaption", "kAboutText", "kExitQuestion", "kExitCaption")}
    script_texts.update(ok=buttons[ids["IDOK"]], cancel=buttons[ids["IDCANCEL"]])
    with open(os.path.join(HERE, "page.html"), encoding="utf-8") as template:
        result = template.read()
    for name, value in (
        ("@TITLE@", html.escape(texts["kTitleIdle"])),
        ("@MENU@", menu_html(menu)),
        ("@DIALOG@", dialog_html(caption, controls, ids)),
        ("@TEXTS@", json.dumps(script_texts, ensure_ascii=False).replace("</", "<\\/")),
    ):
        result = result.replace(name, value)
    for name in ("page.css", "page.js"):
        with open(os.path.join(HERE, name), encoding="utf-8") as part:
            result = result.replace("@%s@" % name, part.read())
    return result


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__.strip())
    with open(argv[2], "w", encoding="utf-8", newline="\n") as output:
        output.write(page(argv[1]))


if __name__ == "__main__":
    main(sys.argv)

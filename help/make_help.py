#!/usr/bin/env python3
"""Writes the program's help from its source text (help/plix-help.txt): plix.hlp for the
system help viewer (WinHelp 3.1 format, Shift-JIS text) and plix-help.html, the same topics as
one page for systems without that viewer; and from the English source text
(help/plix-help.en.txt) plix-help.en.html, the same topics in English.

    make_help.py SOURCE HLP HTML [EN_SOURCE EN_HTML]           write the files
    make_help.py --check SOURCE HLP HTML [EN_SOURCE EN_HTML]   exit 1 unless each is exactly
                                                               what its source gives

Bad source (an unknown topic in a reference, a bad or repeated topic id, text without a code
page 932 form, an English text whose topics or references differ from the Japanese one) is
reported with its file and line, and nothing is written.
"""
import html
import os
import re
import struct
import sys

ID_PATTERN = re.compile(r"[A-Za-z0-9._]+\Z")
TOPIC_LINE = re.compile(r"==\s*(\S*)\s*\|\s*(.*)\Z")
BLOCK_SIZE = 4096  # |TOPIC blocks, uncompressed: a 12-byte header and 4084 data bytes
BLOCK_DATA = BLOCK_SIZE - 12
FACE = b"MS UI Gothic"  # an ASCII name; the viewer picks a Japanese font through the charset
SHIFT_JIS_CHARSET = 128
NORMAL, BOLD, HEADING = range(3)  # font descriptors
# Help window: position and size; the viewer takes them as pixels, older viewers as 1/1024 of
# the screen. Either way it opens right of the game's default place.
WINDOW_RECT = (280, 16, 720, 440)


class SourceError(Exception):
    pass


class Topic:
    def __init__(self, topic_id, title, line):
        self.id, self.title, self.line = topic_id, title, line
        self.button = None
        self.keywords = []  # (keyword, line)
        # (kind, runs, where): kind "p", "item", "h" or "viewer" (a paragraph about the help
        # viewer, left out of the pages); runs [(style, text, target)]
        self.blocks = []


# ---------------------------------------------------------------- the source text


def cp932(text, where):
    try:
        return text.encode("cp932")
    except UnicodeEncodeError as error:
        bad = text[error.start]
        raise SourceError("%s: %r (U+%04X) has no code page 932 form" % (where, bad, ord(bad)))


def parse_runs(text, where):
    """Splits inline markup into (style, text, target) runs: plain, em or jump."""
    runs, plain, pos = [], [], 0
    emphasis = False

    def flush():
        if plain:
            runs.append(("em" if emphasis else "plain", "".join(plain), None))
            plain.clear()

    while pos < len(text):
        char = text[pos]
        if char == "\\" and pos + 1 < len(text):
            plain.append(text[pos + 1])
            pos += 2
        elif char == "*":
            flush()
            emphasis = not emphasis
            pos += 1
        elif text.startswith("[[", pos):
            end = text.find("]]", pos)
            if end < 0:
                raise SourceError("%s: a reference without its closing ]]" % where)
            flush()
            target, _, label = text[pos + 2 : end].partition("|")
            runs.append(("jump", label.strip(), target.strip()))
            pos = end + 2
        else:
            plain.append(char)
            pos += 1
    if emphasis:
        raise SourceError("%s: emphasis without its closing *" % where)
    flush()
    return runs


def join_lines(lines):
    text = lines[0]
    for line in lines[1:]:
        space = text and line and text[-1].isascii() and line[0].isascii()
        text += (" " if space else "") + line
    return text


def parse(path):
    with open(path, encoding="utf-8") as source:
        lines = source.read().split("\n")
    title, topics, block = None, [], None  # block: [kind, first line number, lines]

    def end_block():
        nonlocal block
        if block:
            where = "%s:%d" % (path, block[1])
            topics[-1].blocks.append((block[0], parse_runs(join_lines(block[2]), where), where))
        block = None

    for number, raw in enumerate(lines, 1):
        where = "%s:%d" % (path, number)
        line = raw.strip()
        if line.startswith("#") and not line.startswith("##"):
            continue
        if not line:
            end_block()
            continue
        topic = TOPIC_LINE.match(line)
        if topic:
            end_block()
            topic_id, topic_title = topic.group(1), topic.group(2).strip()
            if not ID_PATTERN.match(topic_id):
                raise SourceError("%s: topic id %r is not made of A-Z a-z 0-9 . _" % (where, topic_id))
            if any(t.id.lower() == topic_id.lower() for t in topics):
                raise SourceError("%s: topic id %r is used twice" % (where, topic_id))
            if not topic_title:
                raise SourceError("%s: topic %r has no title" % (where, topic_id))
            cp932(topic_title, where)
            topics.append(Topic(topic_id, topic_title, number))
            topics[-1].where = where
            continue
        key, colon, value = line.partition(":")
        if colon and key in ("title", "button", "keywords") and block is None:
            cp932(value, where)
            if key == "title":
                title = value.strip()
            elif not topics:
                raise SourceError("%s: %s: before the first topic" % (where, key))
            elif key == "button":
                topics[-1].button = value.strip()
            else:
                topics[-1].keywords += [(k.strip(), number) for k in value.split(",") if k.strip()]
            continue
        if not topics:
            raise SourceError("%s: text before the first topic" % where)
        if line.startswith("## "):
            end_block()
            block = ["h", number, [line[3:].strip()]]
            end_block()
        elif line.startswith("- "):
            end_block()
            block = ["item", number, [line[2:].strip()]]
        elif line.startswith("! "):
            end_block()
            block = ["viewer", number, [line[2:].strip()]]
        elif block:
            block[2].append(line)
        else:
            block = ["p", number, [line]]
    end_block()

    if not title:
        raise SourceError("%s: no title: line" % path)
    if not topics:
        raise SourceError("%s: no topics" % path)
    ids = {t.id: t for t in topics}
    seen_keywords = {}
    for topic in topics:
        for keyword, number in topic.keywords:
            if keyword in seen_keywords:
                raise SourceError("%s:%d: keyword %r is given twice" % (path, number, keyword))
            seen_keywords[keyword] = topic
        for _, runs, where in topic.blocks:
            for style, text, target in runs:
                if style == "jump" and target not in ids:
                    raise SourceError("%s: reference to unknown topic id %r" % (where, target))
                cp932(text, where)
    hashes = {}
    for topic in topics:
        value = context_hash(topic.id)
        if value in hashes or value == 0:
            raise SourceError("%s:%d: topic id %r has the same hash as %r" % (
                path, topic.line, topic.id, hashes.get(value, "the contents")))
        hashes[value] = topic.id
    return title, topics


def references(topic):
    return [run[2] for _, runs, _ in topic.blocks for run in runs if run[0] == "jump"]


def check_twin(source, topics, en_source, en_topics):
    """The English text has the Japanese one's topics, in its order, with its references."""
    ids, en_ids = [t.id for t in topics], [t.id for t in en_topics]
    if ids != en_ids:
        raise SourceError("%s: topics %s, not %s as in %s" % (en_source, en_ids, ids, source))
    for topic, en_topic in zip(topics, en_topics):
        if references(topic) != references(en_topic):
            raise SourceError("%s: topic %r refers to %s, not %s as in %s" % (
                en_topic.where, topic.id, references(en_topic), references(topic), source))


def jump_text(run, topics):
    """A run's text; a reference without its own text shows the topic's title."""
    return run[1] or next(t.title for t in topics if t.id == run[2])


# ---------------------------------------------------------------- the help file


def context_hash(name):
    value = 0
    for char in name:
        if "A" <= char <= "Z" or "a" <= char <= "z":
            code = ord(char.lower()) - ord("a") + 17
        elif "1" <= char <= "9":
            code = ord(char) - ord("0")
        else:
            code = {"0": 10, ".": 12, "_": 13}.get(char, 0)
        if code:
            value = (value * 43 + code) & 0xFFFFFFFF
    return value - (1 << 32) if value & 0x80000000 else value


def short_int(value):
    """Compressed unsigned short: one byte below 128."""
    return struct.pack("<B", value * 2) if value < 128 else struct.pack("<H", value * 2 + 1)


def signed_short(value):
    """Compressed signed short, biased: one byte for -64..63."""
    return struct.pack("<B", (value + 64) * 2)


def long_int(value):
    """Compressed signed long, biased: two bytes for -16384..16383."""
    if -16384 <= value < 16384:
        return struct.pack("<H", value * 2 + 0x8000)
    return struct.pack("<I", value * 2 + 0x80000001)


def paragraph(runs, topics, font, left_indent, clickable):
    """A text record's LinkData1 tail and LinkData2. `clickable` says whether the text before
    in this topic was single-byte only, and comes back updated."""
    strings, commands = [b""], []

    def command(code):
        commands.append(code)
        strings.append(b"")

    command(b"\x80" + struct.pack("<H", font))
    for run in runs:
        style, _, target = run
        data = cp932(jump_text(run, topics), "")
        if style == "jump":
            # The viewer places a hotspot by bytes but hit-tests by characters: a jump
            # after double-byte text would sit beside its words, so it is written as
            # emphasis there and the button bar serves instead.
            if clickable and data.isascii():
                command(b"\xe3" + struct.pack("<i", context_hash(target)))
                strings[-1] += data
                command(b"\x89")
                continue
            style = "em"
        if style == "em":
            command(b"\x80" + struct.pack("<H", BOLD))
            strings[-1] += data
            command(b"\x80" + struct.pack("<H", font))
        else:
            strings[-1] += data
        clickable = clickable and data.isascii()
    command(b"\x82")
    commands.append(b"\xff")
    text = b"\0".join(strings) + b"\0"
    bits = (0x0002 if font == BOLD else 0) | 0x0004 | (0x0010 if left_indent else 0)
    info = b"\x00\x80" + struct.pack("<HH", 0, bits)
    info += (signed_short(10) if font == BOLD else b"") + signed_short(6)
    if left_indent:
        info += signed_short(left_indent)
    # TopicSize counts the LinkData1 bytes that follow it and TopicLength.
    body = info + b"".join(commands)
    return long_int(len(body)) + short_int(len(text)) + body, text, clickable


def topic_records(topics):
    """Every topic link in order: (topic index, type, LinkData1 tail, LinkData2), ending on the
    empty topic header that readers stop at (its index is len(topics))."""
    records = []
    for index, topic in enumerate(topics):
        records.append((index, 2, None, cp932(topic.title, "")))  # the title without a NUL
        clickable = True
        heading = [("plain", topic.title, None)]
        for kind, runs, where in [("h1", heading, topic.where)] + topic.blocks:
            if kind == "item":
                runs = [("plain", "・", None)] + runs
            font = {"h1": HEADING, "h": BOLD}.get(kind, NORMAL)
            tail, text, clickable = paragraph(runs, topics, font, 8 if kind == "item" else 0, clickable)
            if 21 + len(tail) + len(text) > BLOCK_DATA:
                raise SourceError("%s: the paragraph is too long for a topic block" % where)
            records.append((index, 0x20, tail, text))
    return records + [(len(topics), 2, None, b"")]


def topic_file(topics):
    """|TOPIC, and the TOPICOFFSET of each topic."""
    records = topic_records(topics)
    placed = []  # (block, offset, size)
    block, offset = 0, 0
    for _, kind, tail, text in records:
        size = 21 + (28 if kind == 2 else len(tail)) + len(text)
        if offset + size > BLOCK_DATA:
            block, offset = block + 1, 0
        placed.append((block, offset, size))
        offset += size
    positions = [(b << 14) + 12 + o for b, o, _ in placed]

    # Topic offsets count the text bytes of the earlier text records in the same block.
    topic_offsets, topic_sizes, counted = {}, {}, {}
    for (index, kind, _, text), (b, _, size) in zip(records, placed):
        if kind == 2:
            topic_offsets[index] = (b << 15) + counted.get(b, 0)
        else:
            counted[b] = counted.get(b, 0) + len(text)
        topic_sizes[index] = topic_sizes.get(index, 0) + size
    headers = [i for i, r in enumerate(records) if r[1] == 2]

    blocks = [bytearray(BLOCK_SIZE) for _ in range(block + 1)]
    for number, ((index, kind, tail, text), (b, o, size)) in enumerate(zip(records, placed)):
        previous = positions[number - 1] if number else -1
        following = positions[number + 1] if number + 1 < len(records) else -1
        if index == len(topics):
            tail = struct.pack("<iiiiiii", 0, -1, -1, index, -1, -1, -1)
        elif kind == 2:
            later = [positions[h] for h in headers if h > number]
            tail = struct.pack("<iiiiiii", topic_sizes[index],
                               topic_offsets[index - 1] if index else -1,
                               topic_offsets[index + 1] if index + 1 < len(topics) else -1,
                               index, -1, following, later[0])
        link = struct.pack("<iiiiiB", size, len(text), previous, following, 21 + len(tail), kind)
        blocks[b][12 + o : 12 + o + size] = link + tail + text
    # Block header: the last link before the block, the block's first link, and the last topic
    # header before the block (0 in the first): the topic that the block's first text belongs to.
    for b, data in enumerate(blocks):
        mine = [n for n, p in enumerate(placed) if p[0] == b]
        before = [n for n, p in enumerate(placed) if p[0] < b]
        last_header = [positions[h] for h in headers if placed[h][0] < b]
        data[0:12] = struct.pack("<iii", positions[before[-1]] if before else -1,
                                 positions[mine[0]], last_header[-1] if last_header else 0)
    return b"".join(blocks), [topic_offsets[i] for i in range(len(topics))]


def btree(entries, structure, page_size, flags=0x0002):
    """A B+ tree of one leaf page holding the given entries, already in key order."""
    body = b"".join(entries)
    if len(body) + 8 > page_size:
        raise SourceError("too many entries (%d bytes) for one index page" % len(body))
    page = struct.pack("<HHhh", page_size - 8 - len(body), len(entries), -1, -1) + body
    header = struct.pack("<HHH16sHHHHHHI", 0x293B, flags, page_size, structure, 0, 0, 0, 0xFFFF,
                         1, 1, len(entries))
    return header + page.ljust(page_size, b"\0")


def macro_string(text):
    """A macro's string argument: the viewer reads \\, quotes and backquotes inside it as
    markup, which Shift-JIS trail bytes can be (0x5C, 0x60)."""
    return re.sub(rb'([\\`"\'])', rb"\\\1", cp932(text, ""))


def system_file(title, topics, contents_offset):
    def record(kind, data):
        return struct.pack("<HH", kind, len(data)) + data

    title_bytes = cp932(title, "")
    # After a button's jump the viewer has been seen to lose the first of these macros:
    # a macro that does nothing goes first.
    macros = [b"Flush()"]
    for topic in topics:
        if topic.button:
            macros.append(b'CreateButton("btn_%s","%s","JumpID(`\',`%s\')")' % (
                topic.id.encode(), macro_string(topic.button), topic.id.encode()))
    macros.append(b"BrowseButtons()")
    # The main window, with valid type, name, caption, position and size: the caption is ours.
    x, y, w, h = WINDOW_RECT
    window = struct.pack("<H10s9s51sHHHHHII", 0x007F, b"main", b"main", title_bytes,
                         x, y, w, h, 0, 0xFFFFFF, 0xFFFFFF)
    data = struct.pack("<HHHIH", 0x036C, 21, 1, 0, 0)
    data += record(1, title_bytes + b"\0") + record(3, struct.pack("<I", contents_offset))
    data += b"".join(record(4, m + b"\0") for m in macros)
    data += record(6, window) + record(11, struct.pack("<H", SHIFT_JIS_CHARSET))
    return data


def font_file():
    descriptors = [(0, 20, (0, 0, 0)), (1, 20, (0, 0, 0)), (1, 28, (0, 0, 128))]
    data = struct.pack("<HHHH", 1, len(descriptors), 8, 8 + 32) + FACE.ljust(32, b"\0")
    for attributes, half_points, colour in descriptors:
        data += struct.pack("<BBBH3B3B", attributes, half_points, 3, 0, *colour, 255, 255, 255)
    return data


def hlp_bytes(title, topics):
    topic_data, offsets = topic_file(topics)
    contexts = sorted((context_hash(t.id), offset) for t, offset in zip(topics, offsets))
    keywords = sorted((cp932(k, ""), offset) for t, offset in zip(topics, offsets) for k, _ in t.keywords)
    titles = [struct.pack("<i", o) + cp932(t.title, "") + b"\0" for t, o in zip(topics, offsets)]
    files = {
        b"|CONTEXT": btree([struct.pack("<iI", h, o) for h, o in contexts], b"L4", 2048),
        b"|CTXOMAP": struct.pack("<H", 0),  # no map numbers: the game asks for the contents only
        b"|FONT": font_file(),
        b"|KWBTREE": btree([k + b"\0" + struct.pack("<HI", 1, 4 * n) for n, (k, _) in enumerate(keywords)],
                           b"z24", 2048),
        b"|KWDATA": b"".join(struct.pack("<I", o) for _, o in keywords),
        # Where each leaf page of |KWBTREE starts: one page, from keyword 0.
        b"|KWMAP": struct.pack("<HIH", 1, 0, 0),
        b"|SYSTEM": system_file(title, topics, offsets[0]),
        b"|TOPIC": topic_data,
        b"|TTLBTREE": btree(titles, b"Lz", 2048),  # titles by topic offset, for the search dialog
    }

    def internal(data):
        return struct.pack("<IIB", len(data) + 9, len(data), 4) + data

    body, directory, position = b"", [], 16
    for name in sorted(files):
        directory.append(name + b"\0" + struct.pack("<I", position))
        chunk = internal(files[name])
        body += chunk
        position += len(chunk)
    tail = internal(btree(directory, b"z4", 1024, flags=0x0402))
    return struct.pack("<IIiI", 0x00035F3F, position, -1, position + len(tail)) + body + tail


# ---------------------------------------------------------------- the page


def html_text(title, topics, lang, twin):
    """The page; `twin`, when given, is the (file name, language, its name) of the page in the
    other language, which the page links to."""
    def inline(runs):
        out = []
        for run in runs:
            style, text, target = run
            if style == "jump":
                out.append('<a href="#%s">%s</a>' % (target, html.escape(jump_text(run, topics))))
            elif style == "em":
                out.append("<strong>%s</strong>" % html.escape(text))
            else:
                out.append(html.escape(text))
        return "".join(out)

    parts = ['<!DOCTYPE html>\n<html lang="%s">\n<head>\n<meta charset="utf-8">' % lang,
             "<title>%s</title>" % html.escape(title),
             "<style>body{font-family:sans-serif;max-width:44em;margin:1em auto;padding:0 1em;"
             "line-height:1.6}nav a{margin-right:1em}section{border-top:1px solid #ccc}"
             "h2{color:#000080}</style>\n</head>\n<body>",
             "<h1>%s</h1>" % html.escape(title)]
    if twin:
        parts.append('<p><a href="%s" hreflang="%s">%s</a></p>' % twin)
    parts.append("<nav>")
    parts += ['<a href="#%s">%s</a>' % (t.id, html.escape(t.title)) for t in topics]
    parts.append("</nav>")
    for topic in topics:
        parts.append('<section id="%s">\n<h2>%s</h2>' % (topic.id, html.escape(topic.title)))
        in_list = False
        for kind, runs, _ in topic.blocks:
            if kind == "viewer":
                continue
            if in_list and kind != "item":
                parts.append("</ul>")
                in_list = False
            if kind == "item":
                if not in_list:
                    parts.append("<ul>")
                    in_list = True
                parts.append("<li>%s</li>" % inline(runs))
            elif kind == "h":
                parts.append("<h3>%s</h3>" % inline(runs))
            else:
                parts.append("<p>%s</p>" % inline(runs))
        if in_list:
            parts.append("</ul>")
        parts.append("</section>")
    parts.append("</body>\n</html>\n")
    return "\n".join(parts)


def main(argv):
    check = len(argv) > 1 and argv[1] == "--check"
    paths = argv[1 + check :]
    if len(paths) not in (3, 5) or any(a.startswith("-") for a in paths):
        print(__doc__, file=sys.stderr)
        return 2
    source, hlp_path, html_path = paths[:3]
    try:
        title, topics = parse(source)
        outputs = {hlp_path: hlp_bytes(title, topics)}
        if len(paths) == 5:
            en_source, en_html_path = paths[3:]
            en_title, en_topics = parse(en_source)
            check_twin(source, topics, en_source, en_topics)
            outputs[html_path] = html_text(title, topics, "ja", (
                os.path.basename(en_html_path), "en", "English")).encode()
            outputs[en_html_path] = html_text(en_title, en_topics, "en", (
                os.path.basename(html_path), "ja", "日本語")).encode()
        else:
            outputs[html_path] = html_text(title, topics, "ja", None).encode()
    except (SourceError, OSError, UnicodeDecodeError) as error:
        print("make_help: %s" % error, file=sys.stderr)
        return 1
    for path, data in outputs.items():
        if check:
            try:
                with open(path, "rb") as existing:
                    same = existing.read() == data
            except OSError:
                same = False
            if not same:
                print("%s differs from what %s writes from %s" % (path, argv[0], source), file=sys.stderr)
                return 1
        else:
            with open(path, "wb") as output:
                output.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""The help file read as the format's description says a reader must, its text against the HTML
twin's, the English page's topics and references against the Japanese page's, the menu's and the
dialog's labels in both pages, and the writer's refusal of bad source. Usage: help_file_test.py
MAKE_HELP_PY SOURCE PLIX_HLP PLIX_HELP_HTML PLIX_HELP_EN_HTML"""
import html
import os
import re
import runpy
import struct
import subprocess
import sys
import tempfile
import unittest

MAKE_HELP, SOURCE, HLP, HTML, EN_HTML = sys.argv[1:6]
RESOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app", "win32", "plix.rc")


def u16(data, at):
    return struct.unpack_from("<H", data, at)[0]


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def i32(data, at):
    return struct.unpack_from("<i", data, at)[0]


def context_hash(name):
    value = 0
    for c in name.lower():
        code = (ord(c) - 80 if c.isalpha() else 10 if c == "0" else ord(c) - 48 if c.isdigit()
                else {".": 12, "_": 13}.get(c, 0))
        value = (value * 43 + code) & 0xFFFFFFFF if code else value
    return struct.unpack("<i", struct.pack("<I", value))[0]


def leaf_entries(tree, entry_size):
    """The entries of a one-level B+ tree; entry_size(page, at) gives each entry's length."""
    assert u16(tree, 0) == 0x293B, "B+ tree magic"
    page_size, root, levels, count = u16(tree, 4), u16(tree, 26), u16(tree, 32), u32(tree, 34)
    assert (root, levels, u16(tree, 30)) == (0, 1, 1), "one leaf page"
    page = tree[38 : 38 + page_size]
    assert len(page) == page_size and u16(page, 2) == count, "page count"
    entries, at = [], 8
    for _ in range(count):
        size = entry_size(page, at)
        entries.append(page[at : at + size])
        at += size
    assert u16(page, 0) == page_size - at, "free bytes of the page"
    return entries


def compressed(data, at, signed, wide):
    """A compressed number: 2 bytes (or 4, `wide`) when the low bit is set, else half as many;
    signed ones are biased by half their range. Returns the value and the position after it."""
    size = (4 if wide else 2) if data[at] & 1 else (2 if wide else 1)
    value = int.from_bytes(data[at : at + size], "little") >> 1
    return value - (1 << (8 * size - 2) if signed else 0), at + size


def read_help(data):
    """Walks the whole file and returns what the viewer would use; fails on any inconsistency."""
    magic, directory, free, size = struct.unpack_from("<IIiI", data)
    assert (magic, free, size) == (0x00035F3F, -1, len(data)), "file header"

    def internal(offset):
        reserved, used = u32(data, offset), u32(data, offset + 4)
        assert reserved >= used + 9 and offset + reserved <= len(data), "internal file bounds"
        return data[offset + 9 : offset + 9 + used]

    names = leaf_entries(internal(directory), lambda p, at: p.index(b"\0", at) - at + 5)
    files = {e[:-5]: internal(u32(e, len(e) - 4)) for e in names}
    assert list(files) == sorted(files), "directory order"
    assert {b"|SYSTEM", b"|TOPIC", b"|FONT", b"|CONTEXT", b"|CTXOMAP", b"|TTLBTREE"} <= set(files), "files"

    system = files[b"|SYSTEM"]
    assert struct.unpack_from("<HHHIH", system) == (0x036C, 21, 1, 0, 0), "|SYSTEM header"
    records, at = {}, 12
    while at < len(system):
        kind, length = struct.unpack_from("<HH", system, at)
        records.setdefault(kind, []).append(system[at + 4 : at + 4 + length])
        at += 4 + length
    assert at == len(system), "|SYSTEM records end with the file"

    font = files[b"|FONT"]
    faces, descriptors, face_at, descriptor_at = struct.unpack_from("<HHHH", font)
    assert len(font) == descriptor_at + 11 * descriptors and faces >= 1, "|FONT size"
    width = (descriptor_at - face_at) // faces
    for n in range(faces):
        name = font[face_at + n * width : face_at + (n + 1) * width].rstrip(b"\0")
        assert face_at == 8 and name.isascii() and name.decode().isprintable(), "font face name"
    for n in range(descriptors):
        assert u16(font, descriptor_at + 11 * n + 3) < faces, "font face index"
        assert 1 <= font[descriptor_at + 11 * n + 2] <= 5, "font family"

    # The topic chain from position 12 to its last link, which holds nothing usable; positions
    # count in the blocks' data with the 12-byte block headers left out.
    topic = files[b"|TOPIC"]
    assert topic and len(topic) % 4096 == 0, "|TOPIC is whole 4 KiB blocks"
    stream = b"".join(topic[at + 12 : at + 4096] for at in range(0, len(topic), 4096))
    pages, links, walked, position, previous, counted = [], [], [], 12, -1, {}
    while True:
        walked.append(position)
        block, offset = (position - 12) >> 14, (position - 12) & 0x3FFF
        base = block * 4084 + offset
        assert offset < 4084 and base + 21 <= len(stream), "topic link position"
        size, length2, back, ahead, length1 = struct.unpack_from("<IIiII", stream, base)
        assert back == previous and size == length1 + length2 and base + size <= len(stream), "topic link"
        kind, link = stream[base + 20], stream[base : base + size]
        data1, text = link[21:length1], link[length1:]
        if ahead in (0, 0xFFFFFFFF):
            assert (kind, length1, length2) == (2, 21 + 28, 0), "the chain ends on an empty topic header"
            break
        if kind == 2:
            assert b"\0" not in text, "the title alone, without a NUL"
            pages.append(dict(position=position, fields=struct.unpack_from("<iiiiiii", data1), paragraphs=[],
                              title=text.decode("cp932"), offset=(block << 15) + counted.get(block, 0)))
        else:
            assert kind == 0x20 and pages, "text record after a topic header"
            counted[block] = counted.get(block, 0) + read_paragraph(data1, text, descriptors, links,
                                                                    pages[-1]["paragraphs"])
        previous, position = position, ahead
    heads = [p["position"] for p in pages] + [position]
    assert [p["fields"][6] for p in pages] == heads[1:], "NextTopic: the next header, at the end the empty one"
    for block in range(len(topic) // 4096):
        before = [p for p in walked if (p - 12) >> 14 < block]
        first = [p for p in walked if (p - 12) >> 14 == block]
        header = [p for p in heads if (p - 12) >> 14 < block]
        assert struct.unpack_from("<iii", topic, block * 4096) == (
            before[-1] if before else -1, first[0], header[-1] if header else 0
        ), "block %d header: the last link before it, its first link, the last topic header before it" % block

    contexts = [struct.unpack("<iI", e) for e in leaf_entries(files[b"|CONTEXT"], lambda p, at: 8)]
    assert contexts == sorted(contexts), "|CONTEXT order"
    offsets = [p["offset"] for p in pages]
    assert offsets == sorted(set(offsets)), "topic offsets rise"
    assert sorted(o for _, o in contexts) == offsets, "one context for every topic"
    titles = [(i32(e, 0), e[4:-1].decode("cp932"))
              for e in leaf_entries(files[b"|TTLBTREE"], lambda p, at: p.index(b"\0", at + 4) - at + 1)]
    assert titles == [(p["offset"], p["title"]) for p in pages], "|TTLBTREE: every title by topic offset"
    maps = files[b"|CTXOMAP"]
    assert len(maps) == 2 + 8 * u16(maps, 0), "|CTXOMAP size"
    assert all(u32(maps, at + 4) in offsets for at in range(2, len(maps), 8)), "|CTXOMAP topics"
    keywords = {}
    if b"|KWBTREE" in files:
        for entry in leaf_entries(files[b"|KWBTREE"], lambda p, at: p.index(b"\0", at) - at + 7):
            count, where = struct.unpack_from("<HI", entry, len(entry) - 6)
            assert count == 1, "the viewer takes one topic per keyword"
            keywords[entry[:-7].decode("cp932")] = u32(files[b"|KWDATA"], where)
        assert files.get(b"|KWMAP") == struct.pack("<HIH", 1, 0, 0), "|KWMAP: one leaf page, from keyword 0"
    return dict(records=records, pages=pages, offsets=offsets, contexts=dict(contexts), links=links,
                keywords=keywords)


def read_paragraph(data1, text, fonts, links, paragraphs):
    """Decodes a text record: its paragraphs go to `paragraphs`; returns its TopicLength."""
    topic_size, pos = compressed(data1, 0, True, True)
    length, pos = compressed(data1, pos, False, False)
    assert topic_size == len(data1) - pos, "TopicSize: the LinkData1 bytes after it and TopicLength"
    assert length == len(text), "TopicLength counts the record's text"
    bits = u16(data1, pos + 4)
    pos += 6
    assert bits & ~0x0076 == 0, "paragraph info the viewer reads"
    for bit in (0x02, 0x04, 0x08, 0x10, 0x20, 0x40):
        pos = compressed(data1, pos, True, False)[1] if bits & bit else pos
    strings, paragraph = text.split(b"\0"), b""
    assert strings[-1] == b"", "text ends with a NUL"
    for n, string in enumerate(strings[:-1]):
        paragraph += string
        code = data1[pos]
        if code == 0xFF:
            break
        if code == 0x80:
            assert u16(data1, pos + 1) < fonts, "font command"
            pos += 3
        elif code == 0xE3:
            links.append(i32(data1, pos + 1))
            pos += 5
        else:
            assert code in (0x81, 0x82, 0x89), "command 0x%02x" % code
            pos += 1
        if code == 0x82:
            paragraphs.append(paragraph.decode("cp932"))
            paragraph = b""
        elif code == 0x81:
            paragraph += b"\n"
    assert data1[pos:] == b"\xff" and n == len(strings) - 2, "one string per command, then 0xFF"
    assert paragraph == b"", "text after the last paragraph's end"
    return length


def twin_topics(path):
    """The HTML page's topics: title and paragraphs, list items marked with ・ as in the help file."""
    with open(path, encoding="utf-8") as f:
        sections = f.read().split("<section")[1:]
    return [[("・" if tag == "li" else "") + html.unescape(re.sub(r"<[^>]*>", "", body))
             for tag, body in re.findall(r"<(h2|h3|p|li)>(.*?)</\1>", section, re.S)]
            for section in sections]


def viewer_only(source):
    """Per topic, the indexes among the help file's paragraphs (the title first) of those that
    are about the help viewer and left out of the page."""
    parse = runpy.run_path(MAKE_HELP)["parse"]
    return [{n + 1 for n, block in enumerate(t.blocks) if block[0] == "viewer"}
            for t in parse(source)[1]]


def outline(path):
    """The page's topics in order, each with the topics it refers to, in order."""
    with open(path, encoding="utf-8") as f:
        sections = f.read().split("<section")[1:]
    return [(re.match(r' id="([^"]*)"', s).group(1), re.findall(r'<a href="#([^"]*)"', s)) for s in sections]


def program_labels():
    """Every text of the menu and of the opponent dialog in plix.rc, as shown: its UTF-16 escapes
    decoded and the mnemonic's & left out."""
    with open(RESOURCES, encoding="utf-8") as f:
        lines = [re.match(r'\s*(?:POPUP|MENUITEM|CAPTION|CONTROL)\s+L?"([^"]*)"', line) for line in f]
    return {re.sub(r"\\x([0-9A-Fa-f]{4})", lambda e: chr(int(e.group(1), 16)), m.group(1)).replace("&", "")
            for m in lines if m}


def page_text(path):
    with open(path, encoding="utf-8") as f:
        return html.unescape(re.sub(r"<[^>]*>", "", f.read()))


class CommittedHelp(unittest.TestCase):
    def test_the_viewer_reads_every_part(self):
        with open(HLP, "rb") as f:
            help_file = read_help(f.read())
        records, pages, contexts = help_file["records"], help_file["pages"], help_file["contexts"]
        viewer = viewer_only(SOURCE)
        self.assertTrue(any(viewer), "the viewer's buttons are explained in the help file")
        on_page = [[p for n, p in enumerate(page["paragraphs"]) if n not in skip]
                   for page, skip in zip(pages, viewer)]
        self.assertEqual(on_page, twin_topics(HTML), "every paragraph, the last too")
        with open(HTML, encoding="utf-8") as f:
            self.assertNotIn("&gt;&gt;", f.read(), "the viewer's buttons")
        title = records[1][0][:-1].decode("cp932")
        self.assertEqual(title, "PLIX ヘルプ")
        self.assertEqual(records[11][0][0], 128)  # Shift-JIS
        flags, _, name, caption = struct.unpack_from("<H10s9s51s", records[6][0])
        self.assertEqual((flags & 7, name.rstrip(b"\0"), caption.rstrip(b"\0").decode("cp932")),
                         (7, b"main", title))
        self.assertEqual(u32(records[3][0], 0), pages[0]["offset"], "the contents topic")

        macros = [m[:-1] for m in records[4]]
        self.assertNotIn(b"BrowseButtons", macros[0], "the first macro can be lost after a jump")
        self.assertIn(b"BrowseButtons()", macros)
        buttons = [re.fullmatch(rb'CreateButton\("(\w+)","((?:\\.|[^"\\])*)","JumpID\(`\',`([\w.]+)\'\)"\)', m)
                   for m in macros if m.startswith(b"CreateButton")]
        self.assertTrue(all(buttons))
        targets = {b.group(3).decode() for b in buttons}
        for target in targets | set(help_file["links"]):
            hashed = target if isinstance(target, int) else context_hash(target)
            self.assertIn(contexts.get(hashed), help_file["offsets"], target)
        self.assertEqual(len(targets), len(pages) - 1, "a button for every main topic")
        for b in buttons:
            re.sub(rb"\\(.)", rb"\1", b.group(2)).decode("cp932")

        # The browse sequence runs through all topics in order, both ways.
        offsets = help_file["offsets"]
        self.assertEqual([p["fields"][1:3] for p in pages], list(zip([-1] + offsets[:-1], offsets[1:] + [-1])))
        self.assertTrue(set(help_file["keywords"].values()) <= set(offsets))


    def test_the_english_page_has_the_same_topics_and_references(self):
        self.assertEqual(outline(EN_HTML), outline(HTML))

    def test_both_pages_quote_every_menu_command_and_dialog_label(self):
        labels = program_labels()
        self.assertGreaterEqual(len(labels), 15, "the menu's and the dialog's texts read from plix.rc")
        for page in (HTML, EN_HTML):
            text = page_text(page)
            self.assertEqual(sorted(label for label in labels if label not in text), [], page)


class BadSource(unittest.TestCase):
    GOOD = "title: T\n\n== a | Alpha\nSee [[b|Beta]] and *more*.\n\n== b | Beta\nbutton: B(&B)\n- item\n"

    def write(self, source):
        folder = tempfile.mkdtemp()
        path = os.path.join(folder, "help.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write(source)
        outputs = [os.path.join(folder, "out.hlp"), os.path.join(folder, "out.html")]
        run = subprocess.run([sys.executable, MAKE_HELP, path] + outputs, capture_output=True, text=True)
        return run, path, outputs

    def test_refused_with_file_and_line_and_nothing_written(self):
        cases = {
            "reference to unknown topic id 'c'": (self.GOOD.replace("[[b|", "[[c|"), 4),
            "is not made of": (self.GOOD.replace("== b", "== b-1"), 6),
            "is used twice": (self.GOOD.replace("== b", "== A"), 6),
            "has no code page 932 form": (self.GOOD.replace("- item", "- caf\u00e9"), 8),
            "is given twice": (self.GOOD.replace("button:", "keywords: k\nkeywords: k\nbutton:"), 8),
        }
        for message, (source, line) in cases.items():
            run, path, outputs = self.write(source)
            self.assertEqual(run.returncode, 1, message)
            self.assertIn("%s:%d:" % (path, line), run.stderr)
            self.assertIn(message, run.stderr)
            self.assertFalse(any(os.path.exists(o) for o in outputs), message)

    def test_a_jump_in_single_byte_text_is_a_hotspot(self):
        run, _, outputs = self.write(self.GOOD)
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(outputs[0], "rb") as f:
            help_file = read_help(f.read())
        self.assertEqual(help_file["links"], [context_hash("b")])
        self.assertEqual([p["paragraphs"] for p in help_file["pages"]], twin_topics(outputs[1]))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[6:])

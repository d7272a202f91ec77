#!/usr/bin/env python3
"""Every relative link and image in README.md, CONTRIBUTING.md, CHANGELOG.md, docs/*.md and the
READMEs beside the benchmarks, the manual, the tests and the page names a file that exists, and a
link to a heading (#name) names a heading of that page: a moved or renamed file otherwise leaves a
dead link that nothing notices. Usage: links_test.py SOURCE_DIR"""
import bisect
import glob
import os
import re
import sys
import urllib.parse

# [text](target) and ![alt](target), the text possibly wrapped, with an optional "title"; and
# HTML src= and href=.
MARKDOWN_LINK = re.compile(r"\[[^\]]*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
HTML_LINK = re.compile(r"\b(?:src|href)=\"([^\"]*)\"")
SCHEME = re.compile(r"[A-Za-z][A-Za-z0-9+.-]*:")


def prose(path):
    """The page's lines outside code blocks, with their numbers."""
    fenced = code = False
    after_blank = True
    with open(path, encoding="utf-8") as page:
        for number, line in enumerate(page, 1):
            blank = not line.strip()
            if line.lstrip().startswith("```"):
                fenced = not fenced
                continue
            # An indented block starts after a blank line and goes on while lines stay indented.
            indented = line.startswith(("    ", "\t"))
            code = (indented or blank) if code else (indented and after_blank)
            after_blank = blank
            if not fenced and not code:
                yield number, line


def anchors(path):
    """The names that GitHub gives the page's headings."""
    names = set()
    for _, line in prose(path):
        heading = re.match(r"#{1,6}\s+(.*?)\s*#*\s*$", line)
        if heading:
            base = re.sub(r"[^\w\- ]", "", heading.group(1)).lower().replace(" ", "-")
            name, count = base, 0
            while name in names:
                count += 1
                name = "%s-%d" % (base, count)
            names.add(name)
    return names


def links(path):
    """(line number, target) of every link of the page, code spans left out."""
    starts, numbers, text = [], [], ""
    for number, line in prose(path):
        starts.append(len(text))
        numbers.append(number)
        text += line
    text = re.sub(r"`[^`\n]*`", lambda span: " " * len(span.group(0)), text)
    for pattern in (MARKDOWN_LINK, HTML_LINK):
        for match in pattern.finditer(text):
            yield numbers[bisect.bisect_right(starts, match.start()) - 1], match.group(1)


def faults(source_dir):
    names = ("README.md", "CONTRIBUTING.md", "CHANGELOG.md", "bench/README.md", "help/README.md",
             "tests/README.md", "tests/e2e/README.md", "app/web/README.md")
    pages = [os.path.join(source_dir, name) for name in names]
    pages += sorted(glob.glob(os.path.join(source_dir, "docs", "*.md")))
    found, checked = [], 0
    for page in pages:
        if not os.path.exists(page):
            found.append("%s: no such page" % os.path.relpath(page, source_dir))
            continue
        for number, target in links(page):
            if not target or SCHEME.match(target) or target.startswith("//"):
                continue
            checked += 1
            path, _, anchor = urllib.parse.unquote(target).partition("#")
            linked = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
            where = "%s:%d: %s" % (os.path.relpath(page, source_dir), number, target)
            if not os.path.exists(linked):
                found.append("%s: no such file" % where)
            elif anchor and linked.endswith(".md") and anchor not in anchors(linked):
                found.append("%s: no such heading" % where)
    if checked == 0:
        found.append("no relative links found: the pattern no longer matches the pages")
    return found, checked


def main():
    found, checked = faults(sys.argv[1])
    for fault in found:
        print(fault)
    print("%d relative links checked, %d broken" % (checked, len(found)))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())

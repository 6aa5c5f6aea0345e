"""The guide, the pages of docs/ that installer authors read (one per integration, and the
reference), as the tests read them: their fenced code blocks, the build commands among them that
the tests run as written, and the code spans a user copies from their text."""

import os
import re

from tools.windows_programs import SOURCE_DIR

DOCS = os.path.join(SOURCE_DIR, "docs")
# Each page of the guide by the name the tests use for it.
PAGES = {
    "electron-builder": "electron-builder.md",
    "nsis": "nsis.md",
    "inno-setup": "inno-setup.md",
    "windows-installer": "windows-installer.md",
    "node": "node.md",
    "reference": "reference.md",
}

_FENCE = re.compile(r"^```(\S*)\n(.*?)^```$", re.MULTILINE | re.DOTALL)


def page(name):
    """The path of the guide's page `name` (a key of PAGES)."""
    return os.path.join(DOCS, PAGES[name])


def _read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def blocks(path=None):
    """Every fenced block of a Markdown file (of every page of the guide when None) as (language
    tag, text), in order."""
    paths = [page(name) for name in PAGES] if path is None else [path]
    return [(m.group(1), m.group(2)) for each in paths for m in _FENCE.finditer(_read(each))]


def build_command(program):
    """The guide's one-line `sh` block that runs `program`, as a list of words: one in all its
    pages."""
    found = [text for language, text in blocks()
             if language == "sh" and text.split()[:1] == [program]]
    if len(found) != 1 or found[0].strip().count("\n") != 0:
        raise AssertionError(f"the guide should show one command line of {program}: {found}")
    return found[0].split()


def _section(path, heading):
    """The section `heading` of a page, from its "## " heading to the next one; the whole page
    when None."""
    text = _read(path)
    if heading is None:
        return text
    start = text.index(f"\n## {heading}\n")
    end = text.find("\n## ", start + 1)
    return text[start:] if end == -1 else text[start:end + 1]


def lead_blocks(path, languages):
    """The fenced blocks tagged with one of `languages` before a page's first "## " heading: the
    smallest working use the page starts with."""
    text = _read(path)
    end = text.find("\n## ")
    return [m.group(2) for m in _FENCE.finditer(text if end == -1 else text[:end + 1])
            if m.group(1) in languages]


def section_blocks(path, heading, languages):
    """The fenced blocks tagged with one of `languages` in a page's section `heading`, in order:
    what a user pastes from that section."""
    return [m.group(2) for m in _FENCE.finditer(_section(path, heading))
            if m.group(1) in languages]


def code_spans(path, heading=None):
    """The one-line code spans (`...`) of a page's section `heading` (the whole page when None)
    outside its fenced blocks, in order: the commands a user copies from its text."""
    return re.findall(r"`([^`\n]+)`", _FENCE.sub("", _section(path, heading)))

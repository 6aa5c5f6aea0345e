"""The integration guide, docs/integration.md, as the installer tests read it: its fenced code
blocks, and the build commands among them that the tests run as written."""

import os
import re

from tools.windows_programs import SOURCE_DIR

GUIDE = os.path.join(SOURCE_DIR, "docs", "integration.md")

_FENCE = re.compile(r"^```(\S*)\n(.*?)^```$", re.MULTILINE | re.DOTALL)


def blocks(path=GUIDE):
    """Every fenced block of the guide (or of another Markdown file) as (language tag, text), in
    order."""
    with open(path, encoding="utf-8") as f:
        return [(m.group(1), m.group(2)) for m in _FENCE.finditer(f.read())]


def build_command(program):
    """The guide's one-line `sh` block that runs `program`, as a list of words."""
    found = [text for language, text in blocks()
             if language == "sh" and text.split()[:1] == [program]]
    if len(found) != 1 or found[0].strip().count("\n") != 0:
        raise AssertionError(f"the guide should show one command line of {program}: {found}")
    return found[0].split()


def _section(heading):
    """The guide's section `heading`, from its "## " heading to the next one."""
    with open(GUIDE, encoding="utf-8") as f:
        text = f.read()
    start = text.index(f"\n## {heading}\n")
    end = text.find("\n## ", start + 1)
    return text[start:] if end == -1 else text[start:end + 1]


def section_blocks(heading, languages):
    """The fenced blocks tagged with one of `languages` in the guide's section `heading`, in
    order: what a user pastes from that section."""
    return [m.group(2) for m in _FENCE.finditer(_section(heading)) if m.group(1) in languages]


def section_code_spans(heading):
    """The one-line code spans (`...`) of the guide's section `heading` outside its fenced
    blocks, in order: the commands a user copies from its text."""
    return re.findall(r"`([^`\n]+)`", _FENCE.sub("", _section(heading)))

"""The README's links work for a reader on a code host or in a checkout:
each relative link names a file of the repository, and an anchor of a
Markdown file names one of its headings as code hosts spell them."""
import re
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
README = (ROOT / "README.md").read_text(encoding="utf-8")
# Inline links and reference definitions ("[name]: target") alike.
LINKS = re.findall(r"\]\(([^)\s]+)\)", README) + re.findall(r"^\[[^]]+\]: (\S+)", README, flags=re.M)
RELATIVE = [link for link in LINKS if not re.match(r"[a-z]+:", link) and not link.startswith("#")]


def heading_anchors(path):
    """The anchors a code host gives the headings of a Markdown file."""
    text = re.sub(r"^```.*?^```", "", path.read_text(encoding="utf-8"), flags=re.M | re.S)
    anchors = set()
    for heading in re.findall(r"^#+ (.+)$", text, flags=re.M):
        anchors.add(re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-"))
    return anchors


def test_the_readme_links_to_the_pages_by_relative_paths():
    assert {"docs/reference.md", "docs/errors.md", "docs/batch.md", "CHANGELOG.md"} <= \
        {link.partition("#")[0] for link in RELATIVE}
    assert all(not link.startswith("/") for link in RELATIVE)


@pytest.mark.parametrize("link", RELATIVE)
def test_each_relative_link_names_a_file_and_anchor_that_exist(link):
    path, _, anchor = link.partition("#")
    target = ROOT / path
    assert target.is_file(), link
    if anchor:
        assert anchor in heading_anchors(target), link


def test_the_anchor_rule_is_the_code_hosts(tmp_path):
    page = tmp_path / "page.md"
    page.write_text("# Set-up\n## A first session\n```sh\n# not a heading\n```\n### Move.from_uci(text)\n")
    assert heading_anchors(page) == {"set-up", "a-first-session", "movefrom_ucitext"}

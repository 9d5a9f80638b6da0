"""The built documentation site (make docs, build/docs): its links lead
somewhere, and its API reference shows every definition of the type stubs
with its docstring and messages as the stubs write them."""
import html
import re
import sys
import tomllib
from html.parser import HTMLParser
from pathlib import Path
from urllib.parse import unquote, urlsplit

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from stub_docs import DOCS, MESSAGES, ROOT  # noqa: E402

SITE = ROOT / "build" / "docs"
REFERENCE = SITE / "reference" / "index.html"
SITE_URL = re.search(r"^site_url: (\S+)$", (ROOT / "mkdocs.yml").read_text(encoding="utf-8"), re.M)[1]

if not REFERENCE.exists():
    pytest.exit(f"{SITE} has no API reference: run `make docs` first", returncode=1)


class Page(HTMLParser):
    """The ids, link targets and visible text of one HTML page."""

    def __init__(self, text):
        super().__init__()
        self.ids, self.links, self.text = set(), [], []
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if attrs.get("id"):
            self.ids.add(attrs["id"])
        for attr in ("href", "src"):
            if attrs.get(attr) is not None and tag != "base":
                self.links.append(attrs[attr])

    def handle_data(self, data):
        self.text.append(data)


def read_page(path):
    return Page(path.read_text(encoding="utf-8"))


def target_of(page_path, link, site, base):
    """The file and fragment a link of page_path leads to; None for a link to
    another host. A path from the host's root (the 404 page's) starts with
    base, the site's own path there."""
    parts = urlsplit(link)
    if parts.scheme or parts.netloc or link.startswith(("mailto:", "javascript:", "data:")):
        return None
    if parts.path.startswith("/"):
        inside = parts.path.startswith(base)
        path = (site / unquote(parts.path[len(base):])).resolve() if inside else Path(parts.path)
    else:
        path = page_path if not parts.path else (page_path.parent / unquote(parts.path)).resolve()
    if path.is_dir():
        path = path / "index.html"
    return path, unquote(parts.fragment)


def broken_links(site, base=urlsplit(SITE_URL).path):
    """(page, link) for every link of the site's pages whose file or anchor does not exist."""
    pages, broken = {}, []
    for path in sorted(site.rglob("*.html")):
        pages[path.resolve()] = read_page(path)
    for path, page in pages.items():
        for link in page.links:
            target = target_of(path, link, site, base)
            if target is None:
                continue
            file, fragment = target
            if not file.exists() or not file.resolve().is_relative_to(site.resolve()):
                broken.append((path.relative_to(site.resolve()).as_posix(), link))
            elif fragment and file.suffix == ".html":
                ids = pages[file.resolve()].ids if file.resolve() in pages else read_page(file).ids
                if fragment not in ids:
                    broken.append((path.relative_to(site.resolve()).as_posix(), link))
    return broken


def test_every_link_of_the_site_leads_to_a_page_and_anchor_that_exist():
    assert len(list(SITE.rglob("*.html"))) >= 8
    assert broken_links(SITE) == []


BROKEN_SITE = {
    "index.html": '<a href="other/">fine</a> <a href="other/#here">fine</a> <a href="#top">fine</a>'
                  ' <a id="top" href="https://elsewhere.example/x">outside</a>',
    "other/index.html": '<p id="here"><a href="../missing/">no page</a> <a href="../#nowhere">no anchor</a>'
                        ' <img src="../img/none.png"> <a href="../../outside.html">outside the site</a>'
                        ' <a href="/en/latest/other/#here">fine</a> <a href="/elsewhere/">not the site</a></p>',
}


def test_the_link_check_finds_missing_pages_anchors_and_files(tmp_path):
    for name, body in BROKEN_SITE.items():
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / name).write_text(f"<html><body>{body}</body></html>", encoding="utf-8")
    assert broken_links(tmp_path) == [("other/index.html", link) for link in
                                      ("../missing/", "../#nowhere", "../img/none.png", "../../outside.html",
                                                    "/elsewhere/")]


REFERENCE_PAGE = read_page(REFERENCE)
REFERENCE_TEXT = " ".join(html.unescape("".join(REFERENCE_PAGE.text)).split())
# Each definition of the stubs but the setters, which share their property's entry.
DEFINITIONS = [name for name in DOCS if not name.endswith(".setter")]


@pytest.mark.parametrize("name", DEFINITIONS, ids=[name or "module" for name in DEFINITIONS])
def test_the_reference_has_an_entry_for_every_stub_definition(name):
    assert ("plindervox." + name).rstrip(".") in REFERENCE_PAGE.ids


@pytest.mark.parametrize("name", DEFINITIONS, ids=[name or "module" for name in DEFINITIONS])
def test_the_reference_shows_each_summary_line_as_written(name):
    summary = DOCS[name].splitlines()[0].replace("`", "")
    assert " ".join(summary.split()) in REFERENCE_TEXT


@pytest.mark.parametrize("message", MESSAGES)
def test_the_reference_shows_each_message_of_the_stubs_verbatim(message):
    assert message in REFERENCE_TEXT


def site_pages():
    """The address of every page of the site, below site_url."""
    folders = (path.parent.relative_to(SITE).as_posix() for path in SITE.rglob("index.html"))
    return {SITE_URL if folder == "." else f"{SITE_URL}{folder}/" for folder in folders}


# No copy of the site is hosted at site_url: the README links to the pages
# under docs/ by relative paths (tests/python/test_readme_links.py), and the
# package metadata gives no address that serves nothing.
def test_nothing_published_links_to_the_unhosted_site():
    readme = (ROOT / "README.md").read_text(encoding="utf-8")
    metadata = tomllib.loads((ROOT / "pyproject.toml").read_text(encoding="utf-8"))["project"]
    assert urlsplit(SITE_URL).netloc not in readme
    assert all(urlsplit(SITE_URL).netloc not in url for url in metadata.get("urls", {}).values())


def test_every_page_the_readme_links_to_is_a_page_of_the_site():
    linked = set(re.findall(r"^\[[^]]+\]: docs/([\w-]+)\.md", (ROOT / "README.md").read_text(encoding="utf-8"),
                            flags=re.M))
    pages = {page[len(SITE_URL):].rstrip("/") or "index" for page in site_pages()}
    assert linked and linked <= pages

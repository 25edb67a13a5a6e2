#!/usr/bin/env python3
"""Checks the DOM that headless Chromium rendered from an idbdump report page.

    check_report_dom.py EXPECTED_JSON CHECK=DOM_FILE...

EXPECTED_JSON holds what the other tools say (idbdump's JSON of the databases, its diff and its
summary, the edited row's name); the page's rendering must agree. Prints "ok CHECK" or
"FAILED CHECK: why" per check, and exits 1 when one failed. One start for every check: a
Python start is what a check costs most.
"""
import json
import sys
from html.parser import HTMLParser

VOID = {"meta", "input", "br", "img", "link", "hr"}


class Node:
    def __init__(self, tag, attrs, parent):
        self.tag, self.attrs, self.parent = tag, dict(attrs), parent
        self.children, self.texts = [], []

    def text(self):
        return "".join(t if isinstance(t, str) else t.text() for t in self.texts)

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()

    def find_all(self, tag=None, cls=None, **attrs):
        for node in self.walk():
            if tag and node.tag != tag:
                continue
            if cls and cls not in node.attrs.get("class", "").split():
                continue
            if any(node.attrs.get(k.replace("_", "-")) != v for k, v in attrs.items()):
                continue
            yield node

    def find(self, *args, **kwargs):
        return next(self.find_all(*args, **kwargs), None)


class Builder(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = Node("#root", {}, None)
        self.current = self.root

    def handle_starttag(self, tag, attrs):
        node = Node(tag, attrs, self.current)
        self.current.children.append(node)
        self.current.texts.append(node)
        if tag not in VOID:
            self.current = node

    def handle_endtag(self, tag):
        node = self.current
        while node is not self.root and node.tag != tag:
            node = node.parent
        if node is not self.root:
            self.current = node.parent

    def handle_data(self, data):
        self.current.texts.append(data)


def parse(path):
    builder = Builder()
    with open(path, encoding="utf-8") as f:
        builder.feed(f.read())
    return builder.root


def table_rows(section):
    """The records table of a list's page: its column names and rows (data-row, class, cells)."""
    table = section.find("table", cls="records")
    columns = [th.attrs.get("data-column") for th in table.find("thead").find_all("th")]
    rows = []
    for tr in table.find("tbody").find_all("tr"):
        cells = [td for td in tr.children if td.tag == "td"]
        rows.append((int(tr.attrs["data-row"]), tr.attrs.get("class", "").split(), cells))
    return columns, rows


def cell_matches(text, value):
    """A cell's text against idbdump's JSON value: numbers by value (the page shows fractions
    to six significant digits), texts exactly."""
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        try:
            return abs(float(text) - value) <= 5e-6 * max(1.0, abs(value))
        except ValueError:
            return False
    return text == str(value)


def check_overview(root, e):
    problems = []
    for name, count in e["counts"].items():
        section = root.find("section", id="page-" + name)
        if section is None:
            problems.append("no page for " + name)
            continue
        if section.attrs.get("data-rows") != str(count):
            problems.append("%s: data-rows %s, idbdump --summary %d" % (name, section.attrs.get("data-rows"), count))
        _, rows = table_rows(section)
        if len(rows) != min(100, count):
            problems.append("%s: %d table rows shown, expected %d" % (name, len(rows), min(100, count)))
    for what, number in e["diff"].items():
        node = root.find(id="diff-" + what)
        if node is None or node.text() != "%d %s" % (number, what):
            problems.append("diff count %s: page says %r, idbdump diff %d" % (what, node and node.text(), number))
    return problems


def check_changes(root, e):
    problems = []
    section = root.find("section", id="page-weapons")
    columns, rows = table_rows(section)
    changed = {r: (cls, cells) for r, cls, cells in rows if "changed" in cls}
    names = [e["weapons"][r]["Name"] for r in changed]
    if sorted(names) != sorted(e["changed_weapons"]):
        problems.append("changed rows %s, idbdump diff %s" % (names, e["changed_weapons"]))
    added = [e["weapons"][r]["Name"] for r, cls, _ in rows if "added" in cls]
    if sorted(added) != sorted(e["added_weapons"]):
        problems.append("added rows %s, idbdump diff %s" % (added, e["added_weapons"]))
    for r, (cls, cells) in changed.items():
        name = e["weapons"][r]["Name"]
        marked = {columns[i] : td for i, td in enumerate(cells) if "changed-cell" in td.attrs.get("class", "").split()}
        fields = e["changed_fields"].get(name, {})
        if sorted(marked) != sorted(fields):
            problems.append("%s: marked %s, idbdump diff %s" % (name, sorted(marked), sorted(fields)))
        for field, (old, new) in fields.items():
            td = marked.get(field)
            if td is not None and not (cell_matches(td.text(), new) and td.attrs.get("title", "").startswith("was ")
                                       and cell_matches(td.attrs["title"][4:], old)):
                problems.append("%s.%s shows %r (%r), expected %s, was %s" % (name, field, td.text(), td.attrs.get("title"), new, old))
    return problems


def check_chart(root, e):
    problems = []
    chart = root.find("section", id="page-weapons").find("svg", cls="scatter")
    if chart is None:
        return ["no scatter on the weapons page"]
    numeric = [i for i, w in enumerate(e["weapons"]) if isinstance(w["DamageMin"], (int, float)) and isinstance(w["Price"], (int, float))]
    if (chart.attrs.get("data-x"), chart.attrs.get("data-y")) != ("DamageMin", "Price"):
        problems.append("axes %s against %s" % (chart.attrs.get("data-y"), chart.attrs.get("data-x")))
    points = sorted(int(c.attrs["data-row"]) for c in chart.find_all("circle", cls="point"))
    if points != numeric or chart.attrs.get("data-points") != str(len(numeric)):
        problems.append("%d points drawn (data-points %s), %d weapons" % (len(points), chart.attrs.get("data-points"), len(numeric)))
    moved = sorted(e["weapons"][int(l.attrs["data-row"])]["Name"] for l in chart.find_all("line", cls="moved"))
    expected = sorted(n for n, f in e["changed_fields"].items() if "Price" in f or "DamageMin" in f)
    if moved != expected:
        problems.append("moved points %s, expected %s" % (moved, expected))
    # Each point lies where its values put it: larger prices higher up (smaller y).
    by_row = {int(c.attrs["data-row"]): (float(c.attrs["cx"]), float(c.attrs["cy"])) for c in chart.find_all("circle", cls="point")}
    for a in numeric:
        for b in numeric:
            wa, wb = e["weapons"][a], e["weapons"][b]
            if wa["Price"] > wb["Price"] and not by_row[a][1] < by_row[b][1]:
                problems.append("%s (price %s) is not above %s (price %s)" % (wa["Name"], wa["Price"], wb["Name"], wb["Price"]))
                return problems
    return problems


def check_findings(root, e):
    links = [a for a in root.find_all("a", cls="finding") if "decimal comma" in a.text()]
    if len(links) != 1:
        return ["%d linked findings name the decimal comma, expected 1" % len(links)]
    link = links[0]
    record = int(link.attrs.get("data-record", "-1"))
    problems = []
    if link.attrs.get("data-kind") != "weapons" or not (0 <= record < len(e["weapons"])):
        return ["the finding links to %s %s" % (link.attrs.get("data-kind"), record)]
    if e["weapons"][record]["Name"] != e["comma_row"].lower():
        problems.append("the finding links to %r, its row is %r" % (e["weapons"][record]["Name"], e["comma_row"]))
    if not link.text().startswith(e["comma_finding"]):
        problems.append("finding text %r, itemcheck printed %r" % (link.text(), e["comma_finding"]))
    return problems


def check_markup_name(root, e):
    problems = []
    scripts = list(root.find_all("script"))
    if len(scripts) != 2:
        problems.append("%d script elements, the page has 2" % len(scripts))
    section = root.find("section", id="page-questItems")
    removed = section.find("table", cls="removed-records")
    texts = [td.text() for td in removed.find_all("td")] if removed else []
    if e["markup_name"] not in texts:
        problems.append("the removed record %r is not shown as text" % e["markup_name"])
    return problems


def check_sort(root, e):
    _, rows = table_rows(root.find("section", id="page-weapons"))
    order = sorted(range(len(e["weapons"])), key=lambda i: (-e["weapons"][i]["Price"], i))
    shown = [r for r, _, _ in rows]
    return [] if shown == order[:100] else ["order %s, expected %s" % (shown, order[:100])]


def check_filter(root, e):
    section = root.find("section", id="page-weapons")
    _, rows = table_rows(section)
    needle = e["filter"]
    def texts(record):
        for value in record.values():
            if isinstance(value, str):
                yield value
            elif isinstance(value, list):
                yield from (v for v in value if isinstance(v, str))
    expected = [i for i, w in enumerate(e["weapons"]) if any(needle in t.lower() for t in texts(w))]
    shown = sorted(r for r, _, _ in rows)
    problems = [] if shown == expected else ["rows %s, expected %s" % (shown, expected)]
    if section.attrs.get("data-shown") != str(len(expected)):
        problems.append("data-shown %s, expected %d" % (section.attrs.get("data-shown"), len(expected)))
    if not expected:
        problems.append("the filter %r matches nothing; the check tests nothing" % needle)
    return problems


def check_select(root, e):
    section = root.find("section", id="page-armors")
    chart = section.find("svg", cls="scatter")
    problems = []
    if chart is None:
        return ["no scatter on the armors page"]
    if (chart.attrs.get("data-x"), chart.attrs.get("data-y")) != ("MainProtection.Absorption", "Weight"):
        problems.append("axes %s against %s" % (chart.attrs.get("data-y"), chart.attrs.get("data-x")))
    mark = chart.find("circle", cls="mark")
    row = e["select"] - 1  # the fragment numbers records from 1, the DOM from 0
    if mark is None or mark.attrs.get("data-row") != str(row):
        problems.append("the mark is on %s, the record picked is %d" % (mark and mark.attrs.get("data-row"), row))
    _, rows = table_rows(section)
    selected = [r for r, cls, _ in rows if "selected" in cls]
    if selected != [row]:
        problems.append("rows marked selected: %s" % selected)
    marked_bars = list(section.find_all("rect", cls="marked"))
    histograms = list(section.find_all("svg", cls="histogram"))
    if len(marked_bars) != len(histograms) or not histograms:
        problems.append("%d histograms mark the record, of %d" % (len(marked_bars), len(histograms)))
    return problems


CHECKS = {"overview": check_overview, "changes": check_changes, "chart": check_chart,
          "findings": check_findings, "markup-name": check_markup_name, "sort": check_sort,
          "filter": check_filter, "select": check_select}

def run(name, dom, e):
    try:
        problems = CHECKS[name](parse(dom), e)
    except Exception as error:  # a DOM without the expected parts, or none
        problems = ["%s: %s" % (type(error).__name__, error)]
    if problems:
        print("FAILED %s: %s" % (name, "; ".join(problems[:3])))
        return False
    print("ok " + name)
    return True


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as f:
        e = json.load(f)
    results = [run(*argument.split("=", 1), e) for argument in sys.argv[2:]]
    sys.exit(0 if all(results) else 1)

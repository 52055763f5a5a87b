#!/usr/bin/env python3
"""Generates browser profile files for the profile-reader benchmark.

make_profiles.py COUNT DIR [SEED] writes into DIR:
  Bookmarks            a Chromium-family bookmarks file (JSON) with COUNT bookmarks
  chrome-export.html   what Chromium's own HTML export writes for it
  places.sqlite        a Firefox places database (Firefox 153's table layout) with COUNT bookmarks
  firefox-export.html  what Firefox's own HTML export writes for it
Bookmarks are spread over nested folders in every root; about 10 % repeat a URL.
"""
import html
import json
import os
import random
import sqlite3
import sys

CHROME_EPOCH_DELTA_US = 11644473600 * 1000000

PLACES_SCHEMA = [
    """CREATE TABLE moz_origins ( id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL,
       frecency INTEGER NOT NULL, recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER,
       recalc_alt_frecency INTEGER NOT NULL DEFAULT 0, UNIQUE (prefix, host) )""",
    """CREATE TABLE moz_places (   id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,
       rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,
       typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER ,
       guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL ,
       description TEXT, preview_image_url TEXT, site_name TEXT,
       origin_id INTEGER REFERENCES moz_origins(id), recalc_frecency INTEGER NOT NULL DEFAULT 0,
       alt_frecency INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0)""",
    "CREATE INDEX moz_places_url_hashindex ON moz_places (url_hash)",
    "CREATE INDEX moz_places_hostindex ON moz_places (rev_host)",
    "CREATE INDEX moz_places_visitcount ON moz_places (visit_count)",
    "CREATE INDEX moz_places_frecencyindex ON moz_places (frecency)",
    "CREATE INDEX moz_places_lastvisitdateindex ON moz_places (last_visit_date)",
    "CREATE UNIQUE INDEX moz_places_guid_uniqueindex ON moz_places (guid)",
    "CREATE INDEX moz_places_originidindex ON moz_places (origin_id)",
    """CREATE TABLE moz_bookmarks (  id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL,
       parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT,
       dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0,
       syncChangeCounter INTEGER NOT NULL DEFAULT 1)""",
    "CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type)",
    "CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position)",
    "CREATE INDEX moz_bookmarks_itemlastmodifiedindex ON moz_bookmarks (fk, lastModified)",
    "CREATE INDEX moz_bookmarks_dateaddedindex ON moz_bookmarks (dateAdded)",
    "CREATE UNIQUE INDEX moz_bookmarks_guid_uniqueindex ON moz_bookmarks (guid)",
    """CREATE TABLE moz_keywords ( id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE,
       place_id INTEGER, post_data TEXT )""",
]

WORDS = ("news tools docs recipes travel music video code maps shop forum wiki blog photo "
         "science games sport weather finance learn").split()


def make_tree(count, rnd):
    """A tree of (title, url, seconds) leaves and (name, children) folders, three roots."""
    urls = []
    roots = {"bar": [], "other": [], "mobile": []}
    # The folders of each root as (children, depth); new ones join as they are made.
    folders = {key: [(items, 0)] for key, items in roots.items()}
    for i in range(count):
        if urls and rnd.random() < 0.10:
            url = rnd.choice(urls)
        else:
            url = "https://www.%s%d.example/%s/%d?q=%s" % (
                rnd.choice(WORDS), i % 997, rnd.choice(WORDS), i, rnd.choice(WORDS))
            urls.append(url)
        title = "%s %s & <%d> \u00e9t\u00e9 \u65e5\u672c" % (
            rnd.choice(WORDS).title(), rnd.choice(WORDS), i)
        seconds = 1500000000 + i * 37
        root = rnd.choices(["bar", "other", "mobile"], [0.80, 0.15, 0.05])[0]
        target, depth = rnd.choice(folders[root])
        if rnd.random() < 0.02 and depth < 6:
            sub = []
            target.append(("%s %d" % (rnd.choice(WORDS).title(), i), sub))
            folders[root].append((sub, depth + 1))
            target = sub
        target.append((title, url, seconds))
    return roots


def chrome_json(roots):
    next_id = [1]

    def node(item):
        next_id[0] += 1
        if len(item) == 3:
            title, url, seconds = item
            return {"date_added": str(seconds * 1000000 + CHROME_EPOCH_DELTA_US),
                    "date_last_used": "0", "guid": "00000000-0000-4000-a000-%012d" % next_id[0],
                    "id": str(next_id[0]), "name": title, "type": "url", "url": url}
        name, children = item
        return folder(name, children)

    def folder(name, children):
        next_id[0] += 1
        return {"children": [node(c) for c in children],
                "date_added": str(1500000000 * 1000000 + CHROME_EPOCH_DELTA_US),
                "date_last_used": "0", "date_modified": "0",
                "guid": "00000000-0000-4000-b000-%012d" % next_id[0], "id": str(next_id[0]),
                "name": name, "type": "folder"}

    data = {"checksum": "0" * 32,
            "roots": {"bookmark_bar": folder("Bookmarks bar", roots["bar"]),
                      "other": folder("Other bookmarks", roots["other"]),
                      "synced": folder("Mobile bookmarks", roots["mobile"])},
            "version": 1}
    # Chromium writes 3-space indentation and escapes '<' as \u003C.
    return json.dumps(data, indent=3, ensure_ascii=False).replace("<", "\\u003C")


def chrome_html(roots):
    out = ["<!DOCTYPE NETSCAPE-Bookmark-file-1>",
           "<!-- This is an automatically generated file.",
           "     It will be read and overwritten.",
           "     DO NOT EDIT! -->",
           '<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">',
           "<TITLE>Bookmarks</TITLE>", "<H1>Bookmarks</H1>", "<DL><p>"]

    def write(items, indent):
        for item in items:
            if len(item) == 3:
                title, url, seconds = item
                out.append('%s<DT><A HREF="%s" ADD_DATE="%d">%s</A>' % (
                    indent, url.replace('"', "&quot;"), seconds, html.escape(title)))
            else:
                out.append('%s<DT><H3 ADD_DATE="1500000000" LAST_MODIFIED="0">%s</H3>' % (
                    indent, html.escape(item[0])))
                out.append(indent + "<DL><p>")
                write(item[1], indent + "    ")
                out.append(indent + "</DL><p>")

    out.append('    <DT><H3 ADD_DATE="1500000000" LAST_MODIFIED="0" '
               'PERSONAL_TOOLBAR_FOLDER="true">Bookmarks bar</H3>')
    out.append("    <DL><p>")
    write(roots["bar"], "        ")
    out.append("    </DL><p>")
    write(roots["other"], "    ")
    write(roots["mobile"], "    ")
    out.append("</DL><p>")
    return "\r\n".join(out) + "\r\n"


def firefox_places(path, roots):
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    for sql in PLACES_SCHEMA:
        db.execute(sql)
    place_ids = {}
    rows = []
    next_id = [0]
    base_us = 1500000000 * 1000000

    def add(type_, parent, position, title, fk=None, guid=None, date=base_us):
        next_id[0] += 1
        rows.append((next_id[0], type_, fk, parent, position, title, date, date,
                     guid or "bm%010d" % next_id[0]))
        return next_id[0]

    root = add(2, 0, 0, "", guid="root________")
    menu = add(2, root, 0, "menu", guid="menu________")
    toolbar = add(2, root, 1, "toolbar", guid="toolbar_____")
    add(2, root, 2, "tags", guid="tags________")
    unfiled = add(2, root, 3, "unfiled", guid="unfiled_____")
    add(2, root, 4, "mobile", guid="mobile______")

    def place(url):
        if url not in place_ids:
            pid = len(place_ids) + 1
            place_ids[url] = pid
        return place_ids[url]

    def write(items, parent):
        for pos, item in enumerate(items):
            if len(item) == 3:
                title, url, seconds = item
                add(1, parent, pos, title, fk=place(url), date=seconds * 1000000 + 123456)
            else:
                write(item[1], add(2, parent, pos, item[0]))

    # Firefox keeps most bookmarks in the menu; the toolbar and "Other Bookmarks" get the rest.
    write(roots["bar"], menu)
    write(roots["other"], toolbar)
    write(roots["mobile"], unfiled)
    db.executemany("INSERT INTO moz_places(id, url, title, rev_host, guid, foreign_count, url_hash)"
                   " VALUES (?, ?, NULL, '', ?, 1, 0)",
                   [(pid, url, "pl%010d" % pid) for url, pid in place_ids.items()])
    db.executemany("INSERT INTO moz_bookmarks(id, type, fk, parent, position, title, dateAdded,"
                   " lastModified, guid) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)", rows)
    db.commit()
    db.close()


def firefox_html(roots):
    out = ["<!DOCTYPE NETSCAPE-Bookmark-file-1>",
           "<!-- This is an automatically generated file.",
           "     It will be read and overwritten.",
           "     DO NOT EDIT! -->",
           '<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">',
           '<meta http-equiv="Content-Security-Policy"',
           "      content=\"default-src 'self'; script-src 'none'; img-src data: *; object-src 'none'\"></meta>",
           "<TITLE>Bookmarks</TITLE>", "<H1>Bookmarks Menu</H1>", "", "<DL><p>"]

    def esc(text):
        return html.escape(text, quote=True).replace("&#x27;", "&#39;")

    def write(items, indent):
        for item in items:
            if len(item) == 3:
                title, url, seconds = item
                out.append('%s<DT><A HREF="%s" ADD_DATE="%d" LAST_MODIFIED="%d">%s</A>' % (
                    indent, esc(url), seconds, seconds, esc(title)))
            else:
                out.append('%s<DT><H3 ADD_DATE="1500000000" LAST_MODIFIED="1500000000">%s</H3>' % (
                    indent, esc(item[0])))
                out.append(indent + "<DL><p>")
                write(item[1], indent + "    ")
                out.append(indent + "</DL><p>")

    write(roots["bar"], "    ")
    for flag, name, items in (("PERSONAL_TOOLBAR_FOLDER", "Bookmarks Toolbar", roots["other"]),
                              ("UNFILED_BOOKMARKS_FOLDER", "Other Bookmarks", roots["mobile"])):
        out.append('    <DT><H3 ADD_DATE="1500000000" LAST_MODIFIED="1500000000" %s="true">%s</H3>'
                   % (flag, name))
        out.append("    <DL><p>")
        write(items, "        ")
        out.append("    </DL><p>")
    out.append("</DL>")
    return "\n".join(out) + "\n"


def main():
    count = int(sys.argv[1])
    folder = sys.argv[2]
    rnd = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 14)
    os.makedirs(folder, exist_ok=True)
    roots = make_tree(count, rnd)
    with open(os.path.join(folder, "Bookmarks"), "w", encoding="utf-8") as f:
        f.write(chrome_json(roots))
    with open(os.path.join(folder, "chrome-export.html"), "w", encoding="utf-8", newline="") as f:
        f.write(chrome_html(roots))
    firefox_places(os.path.join(folder, "places.sqlite"), roots)
    with open(os.path.join(folder, "firefox-export.html"), "w", encoding="utf-8", newline="") as f:
        f.write(firefox_html(roots))


if __name__ == "__main__":
    main()

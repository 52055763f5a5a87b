#!/usr/bin/env python3
"""Hostile bookmark files for measuring zorvel-cli by hand (time and peak memory with
/usr/bin/time -v): each is a case a reader must bound by design.

  make_hostile_files.py DIR

writes into DIR:
  tags32k.html        one entry with 32,000 tags in its TAGS attribute
  tags-rows.csv       a Pocket export: one address gaining a tag on each of 20,000 rows
  notes40k.csv        a Raindrop export: one address with 40,000 notes
  deep-folders.csv    a Raindrop export: 2,000 rows in folders 1,000 levels deep
  no-address.csv      a Pocket export of 1,000,000 rows without an address
  long-header.csv     a Pocket export whose header row is 5 KB long
  far-dates.csv       a Pocket export with dates in the years 2508 and 33658
"""

import os
import sys


def write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main():
    d = sys.argv[1]
    os.makedirs(d, exist_ok=True)
    tags = ",".join("tag%d" % i for i in range(32000))
    write(os.path.join(d, "tags32k.html"),
          "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
          '<DT><A HREF="http://a.example/" ADD_DATE="1700000000" TAGS="%s">A</A>\n</DL>\n' % tags)
    write(os.path.join(d, "tags-rows.csv"),
          "title,url,time_added,tags,status\n"
          + "".join("T,http://same.example/,1700000000,t%d,unread\n" % i for i in range(20000)))
    write(os.path.join(d, "notes40k.csv"),
          "url,folder,title,note,tags,created\n"
          + "".join("http://same.example/,F,T,note %d,,1\n" % i for i in range(40000)))
    deep = "/".join("f%d" % i for i in range(1000))
    write(os.path.join(d, "deep-folders.csv"),
          "url,folder,title,note,tags,created\n"
          + "".join("http://r.example/%d,%s,T,,,1\n" % (i, deep) for i in range(2000)))
    with open(os.path.join(d, "no-address.csv"), "w") as f:
        f.write("title,url,time_added,tags,status\n")
        row = "A title of a row that has no address at all," + ",1700000000,,unread\n"
        for _ in range(1000000):
            f.write(row)
    write(os.path.join(d, "long-header.csv"),
          "title,url,time_added,tags,status," + "x" * 5000 + "\n"
          "A,http://a.example/,1700000000,,unread,\nB,http://b.example/,1700000001,,unread,\n")
    write(os.path.join(d, "far-dates.csv"),
          "title,url,time_added,tags,status\n"
          "Far,http://far.example/,17000000002,,unread\n"
          "Farther,http://farther.example/,999999999999,,unread\n")


if __name__ == "__main__":
    main()

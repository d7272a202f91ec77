#!/usr/bin/env python3
"""Writes zip archives anew so that their bytes depend on nothing but the files in them: the
entries in name order, each with the one time given and without the extra fields in which the
archiver keeps the staged files' access and change times and their owner's user and group ids,
and folders of one mode (the install rules set the files' modes, but a folder's follows the
builder's umask).

    repack_zip.py EPOCH ARCHIVE...      EPOCH in seconds since 1970 (UTC)
"""

import os
import stat
import sys
import time
import zipfile

UNIX = 3  # the "made by" system, under which the entries' modes are read
FOLDER = (stat.S_IFDIR | 0o755) << 16


def repack(path, epoch):
    date_time = time.gmtime(epoch)[:6]
    with zipfile.ZipFile(path) as source:
        entries = [(info, source.read(info)) for info in source.infolist()]
    temporary = path + ".repack"
    with zipfile.ZipFile(temporary, "w") as target:
        for info, data in sorted(entries, key=lambda entry: entry[0].filename):
            entry = zipfile.ZipInfo(info.filename, date_time)
            entry.create_system = UNIX
            entry.external_attr = FOLDER if info.is_dir() else info.external_attr
            entry.compress_type = zipfile.ZIP_STORED if info.is_dir() else zipfile.ZIP_DEFLATED
            target.writestr(entry, data, compresslevel=9)
    os.replace(temporary, path)


def main(argv):
    if len(argv) < 3 or not argv[1].isdigit():
        sys.exit(__doc__.strip())
    for path in argv[2:]:
        repack(path, int(argv[1]))


if __name__ == "__main__":
    main(sys.argv)

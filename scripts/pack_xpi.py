#!/usr/bin/python3
"""The extension packed for Firefox: its files in a ZIP named .xpi, with the
manifest as Firefox reads it, without what Firefox ignores (the service worker
that Chromium runs, the key that fixes Chromium's ID, the managed storage
schema that only Chromium reads; Firefox takes its background scripts, its
add-on ID and its administrator's settings from elsewhere). The same files
give the same bytes: entries sorted, every one dated 1980-01-01.

    pack_xpi.py EXTENSION_DIR OUTPUT.xpi"""
import json
import os
import sys
import zipfile

FIREFOX_IGNORES = [("background", "service_worker"), ("key",), ("storage",)]


def firefox_manifest(path):
    with open(path, encoding="utf-8") as f:
        manifest = json.load(f)
    for keys in FIREFOX_IGNORES:
        holder = manifest
        for key in keys[:-1]:
            holder = holder.get(key, {})
        holder.pop(keys[-1], None)
    return json.dumps(manifest, indent=2, ensure_ascii=False) + "\n"


def entry(name):
    info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0o644 << 16
    return info


def main():
    folder, output = sys.argv[1:3]
    with zipfile.ZipFile(output + ".part", "w") as xpi:
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            if name == "manifest.json":
                xpi.writestr(entry(name), firefox_manifest(path))
            elif os.path.isfile(path):
                with open(path, "rb") as f:
                    xpi.writestr(entry(name), f.read())
    os.replace(output + ".part", output)


if __name__ == "__main__":
    main()

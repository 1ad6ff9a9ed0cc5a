#!/usr/bin/python3
"""The extension's IDs, from its manifest (extension/manifest.json): the
Chromium family's, derived from the manifest's public key (the first 32 hex
digits of the SHA-256 of the DER key, 0-9a-f written a-p), and Firefox's
add-on ID. Prints them on two lines."""
import base64
import hashlib
import json
import os
import sys

MANIFEST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "extension", "manifest.json")


def extension_ids(path=MANIFEST):
    with open(path, encoding="utf-8") as f:
        manifest = json.load(f)
    digest = hashlib.sha256(base64.b64decode(manifest["key"])).hexdigest()[:32]
    chromium = "".join(chr(ord("a") + int(digit, 16)) for digit in digest)
    return chromium, manifest["browser_specific_settings"]["gecko"]["id"]


if __name__ == "__main__":
    print("\n".join(extension_ids(*sys.argv[1:2])))

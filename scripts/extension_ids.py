#!/usr/bin/python3
"""The extension's IDs: the Chromium family's, derived from the public key in
its manifest (extension/manifest.json), Firefox's add-on ID from the same
manifest, and, given an organisation's own private key (a PEM file) for the
packed extension, the Chromium ID that key gives. A Chromium ID is the first
32 hex digits of the SHA-256 of the DER public key, 0-9a-f written a-p.
Prints them one to a line: Chromium's, Firefox's, then the packed one's."""
import argparse
import base64
import hashlib
import json
import os
import subprocess

MANIFEST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "extension", "manifest.json")


def chromium_id(public_key_der):
    digest = hashlib.sha256(public_key_der).hexdigest()[:32]
    return "".join(chr(ord("a") + int(digit, 16)) for digit in digest)


def public_key_der(private_key_pem):
    """The DER public key of a PEM private key, by openssl."""
    return subprocess.run(["openssl", "pkey", "-in", private_key_pem, "-pubout", "-outform", "DER"],
                          check=True, capture_output=True).stdout


def extension_ids(path=MANIFEST):
    with open(path, encoding="utf-8") as f:
        manifest = json.load(f)
    return chromium_id(base64.b64decode(manifest["key"])), manifest["browser_specific_settings"]["gecko"]["id"]


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("manifest", nargs="?", default=MANIFEST)
    parser.add_argument("--key", help="the packed extension's private key (PEM)")
    arguments = parser.parse_args()
    ids = list(extension_ids(arguments.manifest))
    if arguments.key:
        ids.append(chromium_id(public_key_der(arguments.key)))
    print("\n".join(ids))

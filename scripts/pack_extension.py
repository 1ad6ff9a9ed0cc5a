#!/usr/bin/python3
"""The extension packed for the browsers, the same bytes from the same files
(entries sorted, every one dated 1980-01-01; RSA signatures are deterministic):

    pack_extension.py firefox EXTENSION_DIR OUTPUT.xpi
    pack_extension.py store EXTENSION_DIR OUTPUT.zip
    pack_extension.py chromium EXTENSION_DIR OUTPUT.crx KEY.pem URL

For Firefox, a ZIP named .xpi whose manifest leaves out what Firefox ignores:
the service worker Chromium runs, the key that fixes Chromium's ID, the
managed storage schema only Chromium reads.

For the Chrome Web Store and Microsoft Edge Add-ons, a ZIP whose manifest
has no key (the stores refuse one, and give the extension IDs of their own),
no update_url (they update it themselves) and nothing only Firefox reads.

For Chrome and Edge, an organisation's own CRX3 signed with its private key
(which fixes the extension's ID), to be hosted in the folder URL, and beside
it updates.xml, the update manifest the browsers fetch from there; the
manifest inside points its update_url at it and leaves out what Chromium
ignores (Firefox's settings) and the key, which the package's own replaces.
The background scripts stay: Chromium's service worker imports them in the
order they are listed."""
import hashlib
import io
import json
import os
import struct
import subprocess
import sys
import zipfile
from xml.sax.saxutils import quoteattr

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from extension_ids import chromium_id, public_key_der  # noqa: E402

RSA_ENCRYPTION = bytes.fromhex("2a864886f70d010101")  # the OID 1.2.840.113549.1.1.1, as DER

IGNORED = {
    "firefox": [("background", "service_worker"), ("key",), ("storage",)],
    "chromium": [("browser_specific_settings",), ("key",)],
}
IGNORED["store"] = IGNORED["chromium"]


def manifest_for(browser, path, additions):
    with open(path, encoding="utf-8") as f:
        manifest = json.load(f)
    for keys in IGNORED[browser]:
        holder = manifest
        for key in keys[:-1]:
            holder = holder.get(key, {})
        holder.pop(keys[-1], None)
    manifest.update(additions)
    return manifest


def entry(name):
    info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0o644 << 16
    return info


def zipped(folder, manifest):
    """The folder's files, its subfolders' too, as a ZIP, its manifest replaced by the one given."""
    buffer = io.BytesIO()
    names = sorted(os.path.relpath(os.path.join(top, name), folder).replace(os.sep, "/")
                   for top, _, files in os.walk(folder) for name in files)
    names = [name for name in names if not name.startswith("_metadata/")]  # Chromium's, where it loaded the folder
    with zipfile.ZipFile(buffer, "w") as archive:
        for name in names:
            if name == "manifest.json":
                archive.writestr(entry(name), json.dumps(manifest, indent=2, ensure_ascii=False) + "\n")
            else:
                with open(os.path.join(folder, name), "rb") as f:
                    archive.writestr(entry(name), f.read())
    return buffer.getvalue()


def write_whole(path, data):
    """The file appears complete or not at all."""
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.replace(path + ".part", path)


def field(number, data):
    """A length-delimited protocol buffer field."""
    out = bytearray()
    for value in (number << 3 | 2, len(data)):
        while value > 0x7F:
            out.append(value & 0x7F | 0x80)
            value >>= 7
        out.append(value)
    return bytes(out) + data


def crx3(archive, key, public):
    """A CRX3 file: the archive with a header proving it signed by the key,
    whose DER public key is given."""
    signed_data = field(1, hashlib.sha256(public).digest()[:16])  # SignedData.crx_id, which the ID spells out
    signed = b"CRX3 SignedData\x00" + struct.pack("<I", len(signed_data)) + signed_data + archive
    signature = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key], input=signed,
                               check=True, capture_output=True).stdout
    header = field(2, field(1, public) + field(2, signature)) + field(10000, signed_data)
    return b"Cr24" + struct.pack("<II", 3, len(header)) + header + archive


def update_manifest(extension_id, codebase, version):
    return ("<?xml version='1.0' encoding='UTF-8'?>\n"
            "<gupdate xmlns='http://www.google.com/update2/response' protocol='2.0'>\n"
            f"  <app appid={quoteattr(extension_id)}>\n"
            f"    <updatecheck codebase={quoteattr(codebase)} version={quoteattr(version)} />\n"
            "  </app>\n"
            "</gupdate>\n")


def main():
    browser, folder, output = sys.argv[1:4]
    source = os.path.join(folder, "manifest.json")
    if browser in ("firefox", "store"):
        write_whole(output, zipped(folder, manifest_for(browser, source, {})))
        return
    key, url = sys.argv[4:6]
    url = url.rstrip("/") + "/"
    public = public_key_der(key)
    if RSA_ENCRYPTION not in public[:32]:
        sys.exit(f"{key}: the key must be an RSA private key (openssl genrsa)")
    manifest = manifest_for("chromium", source, {"update_url": url + "updates.xml"})
    write_whole(output, crx3(zipped(folder, manifest), key, public))
    write_whole(os.path.join(os.path.dirname(output), "updates.xml"),
                update_manifest(chromium_id(public), url + os.path.basename(output), manifest["version"]).encode())


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""The Windows Installer package, made by Debian's wixl from the WiX source,
the same bytes from the same files:

    make_msi.py WXS VERSION EPOCH OUTPUT.msi FOLDER
    make_msi.py WXS VERSION EPOCH OUTPUT.msi NAME=PATH...

The source names each file as $(var.Files)/NAME: it is FOLDER/NAME (the
release's files laid out as in the ZIP), or the PATH given for NAME. The
product's icon in "Add or remove programs", NPZqk.ico, is made here (icotool)
from the extension's drawing as the release renders it.
The product code follows from the version (a new version is a new product,
which the package's major upgrade replaces). wixl dates the cabinet's files by
their modification times and writes a random package code and the build time
into the summary information; here every file is dated EPOCH (seconds since
1970), and so is the summary, and the package code is derived from the
package's own bytes, so that packages differ exactly when their content does."""
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import uuid

import olefile

NAMESPACE = uuid.UUID("5b0c3e0a-8f4d-4d57-9a61-2f1e7c9d4b18")  # the NPZqk product codes
SUMMARY = "\x05SummaryInformation"
REVISION_NUMBER, CREATED, LAST_SAVED = 9, 12, 13  # the package code and the two times
VT_LPSTR, VT_FILETIME = 30, 64


def product_code(version):
    return str(uuid.uuid5(NAMESPACE, "NPZqk " + version)).upper()


def summary_properties(stream):
    """The offsets of the summary's properties in the stream: {id: (type, offset of value)}."""
    section = struct.unpack_from("<I", stream, 28 + 16)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    found = {}
    for index in range(count):
        pid, offset = struct.unpack_from("<II", stream, section + 8 + 8 * index)
        found[pid] = (struct.unpack_from("<I", stream, section + offset)[0], section + offset + 4)
    return found


def settle_summary(path, epoch, code):
    with olefile.OleFileIO(path, write_mode=True) as package:
        stream = bytearray(package.openstream(SUMMARY).read())
        found = summary_properties(stream)
        filetime = struct.pack("<Q", (epoch + 11644473600) * 10 ** 7)
        for pid in (CREATED, LAST_SAVED):
            kind, offset = found[pid]
            assert kind == VT_FILETIME
            stream[offset:offset + 8] = filetime
        kind, offset = found[REVISION_NUMBER]
        length = struct.unpack_from("<I", stream, offset)[0]
        text = ("{" + code + "}").encode("ascii") + b"\0"
        assert kind == VT_LPSTR and length == len(text)
        stream[offset + 4:offset + 4 + length] = text
        package.write_stream(SUMMARY, bytes(stream))


ICON = "NPZqk.ico"
ICON_IMAGES = [f"extension/icons/npzqk-{size}.png" for size in (16, 32, 48)]


def sources(wxs, given):
    """{NAME: PATH} for every file the source names, and the icon's images."""
    if len(given) == 1 and "=" not in given[0]:
        with open(wxs, encoding="utf-8") as f:
            names = re.findall(r'Source="\$\(var\.Files\)/([^"]+)"', f.read())
        return {name: os.path.join(given[0], name) for name in names + ICON_IMAGES}
    return dict(mapping.split("=", 1) for mapping in given)


def main():
    wxs, version, epoch, output = sys.argv[1:5]
    epoch = int(epoch)
    with tempfile.TemporaryDirectory() as files:
        for name, source in sources(wxs, sys.argv[5:]).items():
            target = os.path.join(files, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(source, target)
            os.utime(target, (epoch, epoch))
        subprocess.run(["icotool", "--create", "--output", ICON, *ICON_IMAGES], check=True, cwd=files)
        # wixl takes the sources' paths as relative ones.
        subprocess.run(["wixl", "-a", "x64", "-D", "Version=" + version, "-D", "ProductCode=" + product_code(version),
                        "-D", "Files=.", "-o", os.path.abspath(output + ".part"), os.path.abspath(wxs)],
                       check=True, cwd=files, env=dict(os.environ, TZ="UTC"))
    # The package code names these bytes: derived from them with a zero code.
    settle_summary(output + ".part", epoch, "00000000-0000-0000-0000-000000000000")
    with open(output + ".part", "rb") as f:
        content = hashlib.sha256(f.read()).hexdigest()
    settle_summary(output + ".part", epoch, str(uuid.uuid5(NAMESPACE, content)).upper())
    os.replace(output + ".part", output)


if __name__ == "__main__":
    main()

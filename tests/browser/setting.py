"""The browser test's run: its arguments, the extension's IDs and version,
its throwaway folders, and what it put on the machine, to be taken away."""
import json
import os
import re
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from extension_ids import extension_ids  # noqa: E402

BROWSER, EXTENSION, HOST_EXE, STUB_VIEWER, OUTPUT = sys.argv[1:6]
PACKED, RELEASE_MANIFEST = sys.argv[6:8] if len(sys.argv) > 7 else (None, None)
CHROMIUM_ID, FIREFOX_ID = extension_ids(os.path.join(EXTENSION, "manifest.json"))
with open(os.path.join(EXTENSION, "manifest.json")) as manifest_file:
    VERSION = json.load(manifest_file)["version"]
if PACKED and BROWSER == "chromium":  # the organisation's key gives the packed extension's ID
    with open(os.path.join(os.path.dirname(PACKED), "updates.xml")) as f:
        CHROMIUM_ID = re.search(r"appid=[\"']([a-p]{32})[\"']", f.read()).group(1)
HOST_NAME = "com.quendrix.npzqk"
WORK = tempfile.mkdtemp(prefix=f"npzqk-{BROWSER}-")
RECORD = os.path.join(WORK, "viewer-record")
HOST_LOG = os.path.join(WORK, "host-starts")
DOWNLOADS = os.path.join(WORK, "downloads")
FIREFOX_UUID = "3f1c2a6e-5b7d-4e8f-9a0b-1c2d3e4f5a6b"  # the extension's address in Firefox

UNDO = []  # what the run put on the machine, taken away last whatever happened


def policy_file(path, content):
    """An administrator's managed storage for the extension: machine-wide, so put back as it was."""
    if any(getattr(undo, "path", None) == path for undo in UNDO):  # already put back last
        with open(path, "w") as f:
            json.dump(content, f)
        return
    saved = None
    if os.path.exists(path):
        with open(path, "rb") as f:
            saved = f.read()

    def restore():
        if saved is None:
            os.remove(path)
        else:
            with open(path, "wb") as f:
                f.write(saved)

    restore.path = path
    UNDO.append(restore)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        json.dump(content, f)

"""npzqk-host.exe for the browser, as the browser finds hosts on Linux: a host
manifest whose program is a small wrapper that runs the host under Wine in
the test prefix, where the stub viewer stands for TarvikViewer; and what the
viewer was started with."""
import json
import os
import struct
import subprocess
import time

from setting import HOST_EXE, HOST_LOG, HOST_NAME, RECORD, RELEASE_MANIFEST, STUB_VIEWER, WORK

def display():
    with open(os.path.join(os.environ["NPZQK_WINE_STATE"], "display")) as f:
        return f.read().strip()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def register_viewer(present):
    key = "HKLM\\SOFTWARE\\Quendrix\\Shared"
    change = ["add", key, "/v", "ActiveXViewer", "/d", windows_path(STUB_VIEWER)] if present else ["delete", key]
    subprocess.run([os.environ["NPZQK_WINE"], "reg.exe", *change, "/f"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, env=dict(os.environ, DISPLAY=display()), check=present)


def host_wrapper(answer=None):
    """The program the host manifest names: the host under Wine in the test prefix,
    or, with answer, a stand-in that reads the request, then gives that one
    reply (a program gone before the browser has written would be no answer)."""
    wrapper = os.path.join(WORK, "npzqk-host.sh")
    if answer is not None:
        body = json.dumps(answer).encode()
        with open(wrapper, "w") as f:
            f.write("#!/usr/bin/python3\nimport struct, sys\n"
                    "sys.stdin.buffer.read(struct.unpack('<I', sys.stdin.buffer.read(4))[0])\n"
                    f"sys.stdout.buffer.write({struct.pack('<I', len(body)) + body!r})\n")
        return wrapper
    variables = {name: os.environ[name] for name in ("WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES")}
    variables.update(DISPLAY=display(), NPZQK_VIEWER_RECORD=windows_path(RECORD))
    exports = "".join(f"export {name}='{value}'\n" for name, value in variables.items())
    with open(wrapper, "w") as f:
        f.write(f"#!/bin/sh\necho started >> '{HOST_LOG}'\n{exports}"
                f"exec '{os.environ['NPZQK_WINE']}' '{windows_path(HOST_EXE)}' \"$@\"\n")
    os.chmod(wrapper, 0o755)
    return wrapper


def host_manifest(folder, allowed):
    """The host manifest where the browser looks on Linux: the release's own when given."""
    os.makedirs(folder, exist_ok=True)
    manifest = {"name": HOST_NAME, "description": "NPZqk under Wine", "type": "stdio", **allowed}
    if RELEASE_MANIFEST:
        with open(RELEASE_MANIFEST) as f:
            manifest = json.load(f)
    manifest["path"] = host_wrapper()
    with open(os.path.join(folder, HOST_NAME + ".json"), "w") as f:
        json.dump(manifest, f)


def forget_viewer():
    if os.path.exists(RECORD):
        os.remove(RECORD)


def host_starts():
    if not os.path.exists(HOST_LOG):
        return 0
    with open(HOST_LOG) as f:
        return len(f.readlines())


def viewer_arguments(wait):
    """The arguments the stub viewer was started with, or None."""
    deadline = time.time() + wait
    while time.time() < deadline:
        if os.path.exists(RECORD):
            with open(RECORD, "rb") as f:
                pieces = f.read().split(b"\0")
            return [piece.decode("cp1252") for piece in pieces[2:-1]]
        time.sleep(0.1)
    return None

#!/usr/bin/python3
"""The extension's files are well formed: every JSON file parses, every file
the manifest names exists, its version is the release's, and every script
passes the JavaScript engine's syntax check. Given the package for Firefox
too, Mozilla's addons-linter, the check run on every add-on submitted for
signing, finds no error, warning or notice in it. Given the release's policy
templates, each writes what the browsers read for this extension: its managed
storage (managed_schema.json) under the extension's ID, in the browsers'
registry list form, and its installation from the organisation's server.

Given the package for the Chrome and Edge stores, it has what they check on
upload: no key, no update_url, nothing only Firefox reads, a 128-pixel icon,
and only the extension's own files; given the host's manifest for Chromium
and the stores' IDs, it allows each.

    check_extension.py EXTENSION_DIR VERSION [XPI] [--policies DIR [--key PEM --url URL]]
                       [--store ZIP --host-manifest JSON --store-ids "ID ID"]"""
import argparse
import json
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from extension_ids import chromium_id, extension_ids, public_key_der  # noqa: E402

parser = argparse.ArgumentParser()
for name in ("folder", "version"):
    parser.add_argument(name)
parser.add_argument("xpi", nargs="?")
for option in ("--policies", "--key", "--url", "--store", "--host-manifest", "--store-ids"):
    parser.add_argument(option)
arguments = parser.parse_args()
folder, version = arguments.folder, arguments.version
failures = []
# What must match what, as (what, expected, found): each one check, a failure where they differ.
COMPARED = []
manifest = {}
for name in sorted(os.listdir(folder)):
    path = os.path.join(folder, name)
    if name.endswith(".json"):
        try:
            with open(path, encoding="utf-8") as f:
                parsed = json.load(f)
            if name == "manifest.json":
                manifest = parsed
        except ValueError as error:
            failures.append(f"{name}: {error}")
    elif name.endswith(".js"):
        checked = subprocess.run(["node", "--check", path], capture_output=True, text=True)
        if checked.returncode != 0:
            failures.append(f"{name}: {checked.stderr.strip()}")

named = [*manifest.get("icons", {}).values(), *manifest.get("background", {}).get("scripts", []), manifest.get("background", {}).get("service_worker"),
         manifest.get("options_ui", {}).get("page"), manifest.get("storage", {}).get("managed_schema")]
named += [rules.get("path") for rules in manifest.get("declarative_net_request", {}).get("rule_resources", [])]
for script in manifest.get("content_scripts", []):
    named += script.get("js", []) + script.get("css", [])
for name in named:
    if not name or not os.path.isfile(os.path.join(folder, name)):
        failures.append(f"manifest.json names {name!r}, which is not there")


def icon_failures(icons, read):
    """Each icon a PNG of the size it is named for; the stores ask for 128 pixels."""
    found = []
    for size, name in icons.items():
        header = read(name)[:24]
        if header[:8] != b"\x89PNG\r\n\x1a\n" or header[16:24] != int(size).to_bytes(4, "big") * 2:
            found.append(f"{name}: not a PNG of {size} by {size} pixels")
    return found + ([] if "128" in icons else ["manifest.json: no 128-pixel icon"])


def read_file(name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


icons = manifest.get("icons", {})
failures += icon_failures(icons, read_file)


if manifest.get("manifest_version") != 3 or manifest.get("version") != version:
    failures.append(f"manifest.json: version {manifest.get('manifest_version')}/{manifest.get('version')}, "
                    f"expected 3/{version}")
checks = len(named) + len(icons) + 3

# ---- The texts: each language has every message English has, with the same
# placeholders, and the scripts and pages show no words of their own.
FIXED_NAMES = {"NPZqk"}


def messages(language):
    with open(os.path.join(folder, "_locales", language, "messages.json"), encoding="utf-8") as f:
        return json.load(f)


def placeholders(language):
    """Each message's name, with the placeholders its text and its list name."""
    return {(name, tuple(sorted(found.upper() for found in re.findall(r"\$(\w+)\$", entry["message"]))),
             tuple(sorted(given.upper() for given in entry.get("placeholders", {}))))
            for name, entry in messages(language).items()}


english = placeholders(manifest.get("default_locale", "en"))
for language in sorted(os.listdir(os.path.join(folder, "_locales"))):
    COMPARED.append((f"_locales/{language}: messages with their placeholders", english, placeholders(language)))
checks += 1
for name in sorted(os.listdir(folder)):
    with open(os.path.join(folder, name), encoding="utf-8") if name.endswith((".js", ".html")) else open(os.devnull) as f:
        source = f.read()
    if name.endswith(".html"):
        shown = re.findall(r">([^<>]*[A-Za-z][^<>]*)<", re.sub(r"<(style|script)[^>]*>.*?</\1>", "", source, flags=re.S))
    else:
        code = re.sub(r"(?m)(^|\s)//\s.*$", "", source)  # without its comments
        shown = re.findall(r"[\"`]([A-Z][a-z]+(?: [a-z]+)+[^\"`]*)[\"`]", code)
    failures += [f"{name} shows {text.strip()!r}, which is not in _locales" for text in shown
                 if text.strip() not in FIXED_NAMES]
if arguments.xpi:
    checks += 1
    linted = subprocess.run(["addons-linter", "--output", "json", arguments.xpi], capture_output=True, text=True)
    try:
        findings = json.loads(linted.stdout)
        found = [f"{kind}: {item['code']}: {item.get('description') or item.get('message')}"
                 for kind in ("errors", "warnings", "notices") for item in findings[kind]]
    except (ValueError, KeyError):
        found = [f"addons-linter gave no report: {linted.stderr.strip()[:300]}"]
    failures += [f"{os.path.basename(arguments.xpi)}: {finding}" for finding in found]

# ---- The administrator's templates
ADMX = "{http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions}"
VENDORS = {"Chrome": "Google\\Chrome", "Edge": "Microsoft\\Edge"}


def check_policies(policies):
    """The failures of the templates in the folder, and how many checks were made."""
    found = []
    with open(os.path.join(folder, "managed_schema.json"), encoding="utf-8") as f:
        properties = json.load(f)["properties"]
    lists = [name for name, value in properties.items()
             if value.get("type") == "array" and value.get("items", {}).get("type") == "string"]
    dictionaries = [name for name, value in properties.items() if value.get("type") == "object"]
    booleans = [name for name, value in properties.items() if value.get("type") == "boolean"]
    chromium, firefox = extension_ids(os.path.join(folder, "manifest.json"))
    deployed = chromium_id(public_key_der(arguments.key)) if arguments.key else chromium
    admx = ElementTree.parse(os.path.join(policies, "NPZqk.admx")).getroot()
    adml = ElementTree.parse(os.path.join(policies, "en-US", "NPZqk.adml")).getroot()
    strings = {e.get("id") for e in adml.iter(ADMX + "string")}
    boxes = {e.get("refId") for e in adml.iter(ADMX + "listBox")}
    presentations = {e.get("id") for e in adml.iter(ADMX + "presentation")}
    # Every language's ADML has what en-US's has.
    for language in sorted(os.listdir(policies)):
        if language == "en-US" or not os.path.isfile(os.path.join(policies, language, "NPZqk.adml")):
            continue
        other = ElementTree.parse(os.path.join(policies, language, "NPZqk.adml")).getroot()
        for tag, key in (("string", "id"), ("presentation", "id"), ("listBox", "refId")):
            COMPARED.append((f"{language}/NPZqk.adml: {tag}s, as en-US's", {e.get(key) for e in adml.iter(ADMX + tag)},
                             {e.get(key) for e in other.iter(ADMX + tag)}))
    text = ElementTree.tostring(admx, encoding="unicode")
    for kind, names in (("string", strings), ("presentation", presentations)):
        found += [f"NPZqk.admx names $({kind}.{name}), which en-US/NPZqk.adml lacks"
                  for name in sorted(set(re.findall(rf"\$\({kind}\.(\w+)\)", text)) - names)]
    seen = set()
    for policy in admx.iter(ADMX + "policy"):
        browser = policy.find(ADMX + "parentCategory").get("ref")
        base = f"Software\\Policies\\{VENDORS.get(browser)}\\"
        # The managed storage's lists, numbered from 1, and its dictionaries, by name.
        for element in policy.iter(ADMX + "list"):
            name = element.get("key").rsplit("\\", 1)[-1]
            form = ((element.get("valuePrefix"), element.get("explicitValue")) ==
                    (("", None) if name in lists else (None, "true")))
            if (element.get("key") != base + f"3rdparty\\extensions\\{deployed}\\policy\\{name}" or not form
                    or name not in lists + dictionaries or element.get("id") not in boxes):
                found.append(f"{policy.get('name')} writes {element.get('key')!r} (prefix {element.get('valuePrefix')!r},"
                             f" explicit {element.get('explicitValue')!r}), not one of {lists + dictionaries}")
            seen.add(f"{browser} {name}")
        # Its booleans, as a policy's own value, 1 when enabled and 0 when disabled.
        if policy.get("valueName") in booleans:
            values = [policy.find(f"{ADMX}{state}/{ADMX}decimal") for state in ("enabledValue", "disabledValue")]
            if (policy.get("key") != base + f"3rdparty\\extensions\\{deployed}\\policy"
                    or [v.get("value") if v is not None else None for v in values] != ["1", "0"]):
                found.append(f"{policy.get('name')} does not write {policy.get('valueName')} as 1 or 0")
            seen.add(f"{browser} {policy.get('valueName')}")
        if policy.get("valueName") == "installation_mode":
            item = policy.find(f"{ADMX}enabledList/{ADMX}item")
            url = item.find(f"{ADMX}value/{ADMX}string").text if item is not None else None
            if (policy.get("key") != base + f"ExtensionSettings\\{deployed}" or item is None
                    or item.get("key") != policy.get("key") or item.get("valueName") != "update_url"
                    or url != (arguments.url or "").rstrip("/") + "/updates.xml"
                    or policy.find(f"{ADMX}enabledValue/{ADMX}string").text != "force_installed"):
                found.append(f"{policy.get('name')} does not install {deployed} from the update manifest: "
                             f"{policy.get('key')!r}, {url!r}")
            seen.add(browser + " install")
    wanted = {f"{browser} {what}" for browser in VENDORS
              for what in (*lists, *dictionaries, *booleans, *(("install",) if arguments.key else ()))}
    found += [f"NPZqk.admx has no policy for {what}" for what in sorted(wanted - seen)]
    with open(os.path.join(policies, "policies.json"), encoding="utf-8") as f:
        firefox_policies = json.load(f)["policies"]
    preset = firefox_policies["3rdparty"]["Extensions"].get(firefox, {})
    kinds = {**dict.fromkeys(lists, list), **dict.fromkeys(dictionaries, dict), **dict.fromkeys(booleans, bool)}
    if sorted(preset) != sorted(kinds) or any(not isinstance(value, kinds[name]) for name, value in preset.items()):
        found.append(f"policies.json presets {sorted(preset)} for {firefox}, not {sorted(kinds)}")
    if firefox_policies["ExtensionSettings"].get(firefox, {}).get("installation_mode") != "force_installed":
        found.append(f"policies.json does not install {firefox}")
    return found, len(wanted) + 2 + 2


# ---- The package for the Chrome and Edge stores, and the host allowing the IDs they gave
if arguments.store:
    checks += 1
    with zipfile.ZipFile(arguments.store) as archive:
        packed = set(archive.namelist())
        store_manifest = json.loads(archive.read("manifest.json"))
        failures += [f"store package: {failure}" for failure in icon_failures(store_manifest.get("icons", {}),
                                                                               archive.read)]
    COMPARED.append(("store package: its manifest's members the stores refuse", set(),
                     {"key", "update_url", "browser_specific_settings"} & set(store_manifest)))
    own = {os.path.relpath(os.path.join(top, name), folder).replace(os.sep, "/")
           for top, _, files in os.walk(folder) for name in files}
    own = {name for name in own if not name.startswith("_metadata/")}  # what Chromium adds to a folder it loads
    COMPARED.append(("store package: the extension's own files", own, packed))
if arguments.host_manifest:
    with open(arguments.host_manifest, encoding="utf-8") as f:
        origins = json.load(f)["allowed_origins"]
    for store_id in re.split(r"[ ,;]+", arguments.store_ids or ""):
        checks += 1 if store_id else 0
        if store_id and f"chrome-extension://{store_id}/" not in origins:
            failures.append(f"{os.path.basename(arguments.host_manifest)} does not allow the store's {store_id}")

if arguments.policies:
    found, made = check_policies(arguments.policies)
    failures += found
    checks += made
checks += len(COMPARED)
failures += [f"{what}: {sorted(expected - found)} missing, {sorted(found - expected)} not expected"
             for what, expected, found in COMPARED if expected != found]
for failure in failures:
    print("FAILED:", failure)
print(f"extension: {max(checks - len(failures), 0)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)

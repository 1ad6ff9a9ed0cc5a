#!/usr/bin/python3
"""The extension's files are well formed: every JSON file parses, every file
the manifest names exists, its version is the release's, and every script
passes the JavaScript engine's syntax check. Given the package for Firefox
too, Mozilla's addons-linter, the check run on every add-on submitted for
signing, finds no error, warning or notice in it.

    check_extension.py EXTENSION_DIR VERSION [XPI]"""
import json
import os
import subprocess
import sys

folder, version = sys.argv[1:3]
failures = []
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

named = [*manifest.get("background", {}).get("scripts", []), manifest.get("background", {}).get("service_worker"),
         manifest.get("options_ui", {}).get("page"), manifest.get("storage", {}).get("managed_schema")]
named += [rules.get("path") for rules in manifest.get("declarative_net_request", {}).get("rule_resources", [])]
for script in manifest.get("content_scripts", []):
    named += script.get("js", []) + script.get("css", [])
for name in named:
    if not name or not os.path.isfile(os.path.join(folder, name)):
        failures.append(f"manifest.json names {name!r}, which is not there")
if manifest.get("manifest_version") != 3 or manifest.get("version") != version:
    failures.append(f"manifest.json: version {manifest.get('manifest_version')}/{manifest.get('version')}, "
                    f"expected 3/{version}")
checks = len(named) + 2
if len(sys.argv) > 3:
    checks += 1
    linted = subprocess.run(["addons-linter", "--output", "json", sys.argv[3]], capture_output=True, text=True)
    try:
        findings = json.loads(linted.stdout)
        found = [f"{kind}: {item['code']}: {item.get('description') or item.get('message')}"
                 for kind in ("errors", "warnings", "notices") for item in findings[kind]]
    except (ValueError, KeyError):
        found = [f"addons-linter gave no report: {linted.stderr.strip()[:300]}"]
    failures += [f"{os.path.basename(sys.argv[3])}: {finding}" for finding in found]
for failure in failures:
    print("FAILED:", failure)
print(f"extension: {max(checks - len(failures), 0)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)

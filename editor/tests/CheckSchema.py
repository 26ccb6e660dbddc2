#!/usr/bin/env python3
"""Exports projects with orbctl and checks the JSON against docs/program.schema.json; the
documented example must also come back unchanged through import and export."""
import json
import subprocess
import sys
import tempfile

import jsonschema

orbctl, schema_path, example_project, example_json = sys.argv[1:5]
validator = jsonschema.Draft202012Validator(json.load(open(schema_path, encoding="utf-8")))
failed = False


def check(name, text):
    global failed
    for error in validator.iter_errors(json.loads(text)):
        failed = True
        print(f"{name}: {'/'.join(map(str, error.absolute_path))}: {error.message}")


def run(*args):
    return subprocess.run([orbctl, *args], check=True, capture_output=True, text=True).stdout


check("example project", run("export", example_project))
with tempfile.TemporaryDirectory() as folder:
    run("import", example_json, "-o", folder + "/example.dat")
    again = run("export", folder + "/example.dat")
check("documented example", again)
if again != open(example_json, encoding="utf-8").read():
    failed = True
    print("the documented example changed on its way through import and export")
# The checker itself must refuse what the schema forbids.
bad = json.loads(again)
bad["items"][0]["lines"][0]["effects"]["entry"] = "날아가기"
if validator.is_valid(bad):
    failed = True
    print("the schema accepts an unknown effect")
sys.exit(1 if failed else 0)

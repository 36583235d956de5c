#!/usr/bin/python3
"""Validates JSON result documents against docs/json-result.schema.json.

Usage: validate_json_result.py SCHEMA DOCUMENT...  (exit 0: all valid)
A DOCUMENT ending in ".md" stands for every ```json block in it (the
examples of the format's description).
Also checks what a schema cannot say: the categories add up to collected.
"""
import json
import re
import sys

import jsonschema

CATEGORIES = ["clean", "threat", "no_verdict", "skipped_size", "unreadable", "vanished", "failed"]


def load_all(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if not path.endswith(".md"):
        return [(path, json.loads(text))]
    blocks = re.findall(r"^```json\n(.*?)^```", text, re.S | re.M)
    if not blocks:
        raise SystemExit(f"{path}: no json example")
    return [(f"{path} example {i + 1}", json.loads(b)) for i, b in enumerate(blocks)]


def main():
    schema_path, documents = sys.argv[1], sys.argv[2:]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failed = False
    for path, document in (item for name in documents for item in load_all(name)):
        for error in validator.iter_errors(document):
            failed = True
            print(f"{path}: {error.json_path}: {error.message}", file=sys.stderr)
        counts = document.get("counts", {})
        if sum(counts.get(c, 0) for c in CATEGORIES) != counts.get("collected"):
            failed = True
            print(f"{path}: the counts do not add up to collected", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

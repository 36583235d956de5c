#!/usr/bin/python3
"""Validates JSON result documents against docs/json-result.schema.json.

Usage: validate_json_result.py SCHEMA DOCUMENT...  (exit 0: all valid)
Also checks what a schema cannot say: the categories add up to collected.
"""
import json
import sys

import jsonschema


def main():
    schema_path, documents = sys.argv[1], sys.argv[2:]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failed = False
    for path in documents:
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
        for error in validator.iter_errors(document):
            failed = True
            print(f"{path}: {error.json_path}: {error.message}", file=sys.stderr)
        counts = document.get("counts", {})
        parts = ["clean", "threat", "no_verdict", "skipped_size", "unreadable", "vanished",
                 "failed"]
        if sum(counts.get(p, 0) for p in parts) != counts.get("collected"):
            failed = True
            print(f"{path}: the counts do not add up to collected", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

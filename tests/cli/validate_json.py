#!/usr/bin/env python3
"""Validates JSON documents against a JSON Schema.

Usage: validate_json.py SCHEMA FILE...

Prints one line per error, "FILE: path: message", on standard output, and
exits with status 1 when there is any (2 when the schema itself is invalid).
"""
import json
import sys

import jsonschema


def main(argv):
    with open(argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    validator_class = jsonschema.validators.validator_for(schema)
    try:
        validator_class.check_schema(schema)
    except jsonschema.exceptions.SchemaError as error:
        print(f"{argv[1]}: the schema is invalid: {error.message}")
        return 2
    validator = validator_class(schema)
    failed = False
    for path in argv[2:]:
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
        for error in validator.iter_errors(document):
            # Into oneOf's alternatives, to the one that came closest.
            error = jsonschema.exceptions.best_match([error])
            where = "/".join(str(part) for part in error.absolute_path)
            print(f"{path}: {where}: {error.message[:300]}")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Validates JSON documents against a JSON Schema for the tests: prints "valid" for each, or
each error with its place in the document. Usage: validate_json.py VALIDATOR SCHEMA DOCUMENT...,
where VALIDATOR is a jsonschema class such as Draft4Validator or Draft202012Validator."""
import json
import sys

import jsonschema

validator_name, schema_path = sys.argv[1:3]
with open(schema_path, encoding="utf-8") as schema_file:
    validator = getattr(jsonschema, validator_name)(json.load(schema_file))
for document_path in sys.argv[3:]:
    with open(document_path, encoding="utf-8") as document_file:
        document = json.load(document_file)
    errors = sorted(validator.iter_errors(document), key=lambda error: list(error.absolute_path))
    for error in errors:
        print(document_path + ": " + "/".join(str(part) for part in error.absolute_path) + ": " +
              error.message)
    if not errors:
        print("valid")

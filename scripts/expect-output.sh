#!/usr/bin/env bash
# Runs a command and checks its exit code and its output (stdout and stderr together) both: the
# runner of tests registered with orb_add_output_test, since ctest's pass pattern alone passes
# whatever the exit code.
# Usage: expect-output.sh CODE PATTERN COMMAND [ARG...]
# PATTERN is a grep -E expression over the whole output as one text, as ctest reads a pass
# pattern: "^" is the output's start and "." matches line ends too.
set -u
code=$1 pattern=$2
shift 2
output=$("$@" 2>&1)
status=$?
printf '%s\n' "$output"
if [ "$status" -ne "$code" ]; then
  echo "expect-output: exit code $status, expected $code"
  exit 1
fi
if ! printf '%s' "$output" | grep -Ezq -- "$pattern"; then
  echo "expect-output: the output does not match $pattern"
  exit 1
fi

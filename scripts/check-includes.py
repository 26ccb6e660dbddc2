#!/usr/bin/env python3
"""The house rules on includes: each core folder names the header prefixes it may include, so that
no Qt header reaches the core libraries and no HTTP library reaches any of them but the service's
HTTP layer and main. Any other header is refused with its file and line.

Usage: check-includes.py SOURCE_ROOT
"""
import pathlib
import re
import sys

# The C++ standard library (<vector>, <cstdio>) and the C and POSIX headers the core uses.
SYSTEM = re.compile(r"[a-z_]+$")
POSIX = ["arpa/", "asm/", "errno.h", "fcntl.h", "iconv.h", "limits.h", "netdb.h", "netinet/", "poll.h",
         "pthread.h", "signal.h", "sys/", "termios.h", "time.h", "unistd.h"]

# Folder (its tests/ left out, and any sub-folder with a rule of its own) -> prefixes it may include.
SERVICE = ["service/", "editor/core/", "bundle/", "content/", "link/", "image/", "simulator/engine/", "sign/",
           "nlohmann/", "sqlite3.h", "sodium.h", "zip.h", "unicode/"]
HTTP = ["httplib.h", "boost/beast", "boost/asio"]
RULES = {
    "image": ["image/", "dirent.h"],
    "link": ["link/", "image/"],
    "content": ["content/", "image/", "gif_lib.h"],
    "cli": ["cli/", "image/", "CLI/"],
    "simulator/engine": ["simulator/engine/", "image/"],
    "sign": ["sign/", "link/", "simulator/engine/", "image/"],
    "simulator/headless": ["simulator/headless/", "simulator/engine/", "sign/", "cli/", "image/", "CLI/",
                           "gif_lib.h"],
    "editor/core": ["editor/core/", "content/", "link/", "image/", "nlohmann/"],
    "bundle": ["bundle/", "editor/core/", "content/", "image/", "nlohmann/", "zip.h", "sodium.h", "unicode/"],
    "service": SERVICE,
    "service/http": SERVICE + HTTP,
    "service/orbd": SERVICE + HTTP + ["service/http/", "simulator/headless/", "cli/", "CLI/"],
}

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def files_of(root, folder):
    """The sources of FOLDER, without tests/ and without the folders that have rules of their own."""
    base = root / folder
    for path in sorted(base.rglob("*")):
        inner = path.relative_to(root).parent.as_posix()
        owner = max((f for f in RULES if inner == f or inner.startswith(f + "/")), key=len)
        if owner == folder and "tests" not in path.relative_to(base).parts and \
                path.suffix in (".h", ".hpp", ".cpp", ".cc"):
            yield path


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    refused = checked = 0
    for folder, allowed in RULES.items():
        if not (root / folder).is_dir():
            continue  # a folder still to come
        for path in files_of(root, folder):
            checked += 1
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                header = match.group(1)
                if SYSTEM.match(header) or any(header.startswith(p) for p in POSIX + allowed):
                    continue
                refused += 1
                print(f"{path.relative_to(root)}:{number}: {folder}/ may not include {header}")
    print(f"{checked} files checked, {refused} includes refused")
    return 1 if refused or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())

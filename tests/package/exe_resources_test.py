#!/usr/bin/env python3
"""Checks what Windows reads from vortiq.exe: the Windows version it declares,
its manifest (well-formed XML with the elements that keep it from being run as
a legacy program) and its version resource.

Usage: exe_resources_test.py vortiq.exe 5.72
"""
import re
import struct
import sys
import xml.etree.ElementTree as ET

SUPPORTED_OS = {  # Windows Vista, 7, 8, 8.1, 10 and 11
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
SETTINGS = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"


def read_pe(image):
    """The optional header, and the resources as {(type, id): bytes}."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<2xH12xH", image, pe + 4)
    optional = image[pe + 24:pe + 24 + optional_size]
    directories = 96 if optional[:2] == b"\x0b\x01" else 112  # PE32 or PE32+
    rva = struct.unpack_from("<I", optional, directories + 16)[0]
    for i in range(sections):
        size, start, _, raw = struct.unpack_from("<4I", image, pe + 24 + optional_size + 40 * i + 8)
        if start <= rva < start + size:
            base, delta = raw + rva - start, start - raw
            break
    else:
        return optional, {}

    def entries(directory):  # (id, offset) of each entry of a resource directory
        at = base + (directory & 0x7FFFFFFF)
        count = sum(struct.unpack_from("<12xHH", image, at))
        return [struct.unpack_from("<II", image, at + 16 + 8 * i) for i in range(count)]

    resources = {}
    for kind, names in entries(0):
        for name, languages in entries(names):
            data, size = struct.unpack_from("<II", image, base + entries(languages)[0][1])
            resources[(kind, name)] = image[data - delta:data - delta + size]
    return optional, resources


def check(path, version):
    with open(path, "rb") as f:
        optional, resources = read_pe(f.read())
    errors = []
    declared = struct.unpack_from("<2H4x2H", optional, 40)
    if optional[68] != 2 or declared != (6, 0, 6, 0):
        errors.append(f"subsystem {optional[68]}, Windows and subsystem {declared}: not GUI, 6.0")

    try:
        manifest = ET.fromstring(resources.get((24, 1), b""))
        level = manifest.find(f".//{ASM_V3}requestedExecutionLevel")
        if level is None or level.get("level") != "asInvoker":
            errors.append("the manifest requests no execution level asInvoker")
        if manifest.findtext(f".//{SETTINGS}longPathAware") != "true":
            errors.append("the manifest is not longPathAware")
        found = {os.get("Id") for os in manifest.iter(f"{COMPATIBILITY}supportedOS")}
        if found != SUPPORTED_OS:
            errors.append(f"supportedOS {sorted(found)}, not {sorted(SUPPORTED_OS)}")
    except ET.ParseError as error:
        errors.append(f"no manifest (RT_MANIFEST 1) of well-formed XML: {error}")

    information = resources.get((16, 1), b"")
    fixed = information.find(struct.pack("<I", 0xFEEF04BD))
    major, minor = (int(part) for part in version.split("."))
    if fixed < 0 or struct.unpack_from("<8x2I", information, fixed) != (major << 16 | minor, 0):
        errors.append(f"no version resource (RT_VERSION 1) of file version {version}")
    # Each string: its key, zero padding, its value, a terminating zero.
    text = information.decode("utf-16-le", "replace")
    strings = {key: match.group(1) if match else None for key in (
        "ProductName", "FileVersion", "ProductVersion", "OriginalFilename", "LegalCopyright",
        "FileDescription") for match in [re.search(key + "\x00+([^\x00]+)\x00", text)]}
    expected = {"ProductName": "VORTIQ", "FileVersion": version, "ProductVersion": version,
                "OriginalFilename": "vortiq.exe"}
    for key, value in expected.items():
        if strings[key] != value:
            errors.append(f"{key} is {strings[key]!r}, not {value!r}")
    if not re.match(r"Copyright .*MIT", strings["LegalCopyright"] or ""):
        errors.append(f"LegalCopyright {strings['LegalCopyright']!r} is no MIT copyright")
    if not strings["FileDescription"]:
        errors.append("no FileDescription")
    return errors


if __name__ == "__main__":
    problems = check(sys.argv[1], sys.argv[2])
    for problem in problems:
        print(f"{sys.argv[1]}: {problem}", file=sys.stderr)
    sys.exit(1 if problems else 0)

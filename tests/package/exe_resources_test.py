#!/usr/bin/env python3
"""Checks what Windows reads from vortiq.exe before and after it starts: the
Windows version it declares, its manifest (well-formed, with the elements that
keep it from being run as a legacy program) and its version resource.

Usage: exe_resources_test.py vortiq.exe 5.72
"""
import struct
import sys
import xml.etree.ElementTree as ET

SUPPORTED_OS = {  # Windows Vista, 7, 8, 8.1, 10 and 11
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
RT_VERSION, RT_MANIFEST = 16, 24


def read_pe(image):
    """The optional header and the resources as {(type, id): bytes}."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe:pe + 4] == b"PE\0\0", "not a PE file"
    sections, optional_size = struct.unpack_from("<2xH12xH", image, pe + 4)
    optional = image[pe + 24:pe + 24 + optional_size]
    directories = 96 if struct.unpack_from("<H", optional)[0] == 0x10B else 112
    resource_rva = struct.unpack_from("<I", optional, directories + 2 * 8)[0]
    table = pe + 24 + optional_size
    for i in range(sections):
        size, rva, _, raw = struct.unpack_from("<4I", image, table + 40 * i + 8)
        if rva <= resource_rva < rva + size:
            base, delta = raw + resource_rva - rva, rva - raw
            break
    else:
        return optional, {}

    def entries(offset):
        named, ids = struct.unpack_from("<12xHH", image, base + offset)
        for i in range(named + ids):
            yield struct.unpack_from("<II", image, base + offset + 16 + 8 * i)

    resources = {}
    for kind, types in entries(0):
        for name, names in entries(types & 0x7FFFFFFF):
            _, language = next(entries(names & 0x7FFFFFFF))
            data, size = struct.unpack_from("<II", image, base + language)
            resources[(kind, name)] = image[data - delta:data - delta + size]
    return optional, resources


def version_node(data, offset=0):
    """One node of a VS_VERSIONINFO tree: (key, value, children), and its end."""
    length, value_length, text = struct.unpack_from("<3H", data, offset)
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    position = (key_end + 5) & ~3
    size = value_length * 2 if text else value_length
    value = data[position:position + size]
    value = value.decode("utf-16-le").rstrip("\0") if text else value
    position, children = (position + size + 3) & ~3, {}
    while position < offset + length:
        (child, child_value, grandchildren), position = version_node(data, position)
        children[child] = (child_value, grandchildren)
        position = (position + 3) & ~3
    return (key, value, children), offset + length


def check(path, version):
    with open(path, "rb") as f:
        optional, resources = read_pe(f.read())
    errors = []
    os_version = struct.unpack_from("<2H", optional, 40)
    subsystem_version, subsystem = struct.unpack_from("<2H", optional, 48), optional[68]
    if subsystem != 2:
        errors.append(f"subsystem {subsystem}, not the GUI subsystem (2)")
    if os_version != (6, 0) or subsystem_version != (6, 0):
        errors.append(f"declares Windows {os_version}, subsystem {subsystem_version}, not 6.0")

    manifest = resources.get((RT_MANIFEST, 1))
    if manifest is None:
        errors.append("no manifest (RT_MANIFEST 1)")
    else:
        try:
            root = ET.fromstring(manifest)
        except ET.ParseError as error:
            root = None
            errors.append(f"the manifest is no well-formed XML: {error}")
        if root is not None:
            v3, settings = "urn:schemas-microsoft-com:asm.v3", \
                "http://schemas.microsoft.com/SMI/2016/WindowsSettings"
            level = root.find(f".//{{{v3}}}requestedExecutionLevel")
            if level is None or level.get("level") != "asInvoker":
                errors.append("the manifest requests no execution level asInvoker")
            long_paths = root.find(f".//{{{settings}}}longPathAware")
            if long_paths is None or long_paths.text != "true":
                errors.append("the manifest is not longPathAware")
            found = {os.get("Id") for os in root.iter(
                "{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
            if found != SUPPORTED_OS:
                errors.append(f"supportedOS {sorted(found)}, not {sorted(SUPPORTED_OS)}")

    information = resources.get((RT_VERSION, 1))
    if information is None:
        errors.append("no version resource (RT_VERSION 1)")
    else:
        (_, fixed, children), _ = version_node(information)
        major, minor = (int(part) for part in version.split("."))
        signature, _, file_ms, file_ls = struct.unpack_from("<4I", fixed)
        if signature != 0xFEEF04BD or (file_ms, file_ls) != (major << 16 | minor, 0):
            errors.append(f"fixed file version {file_ms:#x}.{file_ls:#x}, not {version}")
        tables = children.get("StringFileInfo", (None, {}))[1]
        strings = {key: value for _, entries in tables.values()
                   for key, (value, _) in entries.items()}
        expected = {"ProductName": "VORTIQ", "FileVersion": version,
                    "ProductVersion": version, "OriginalFilename": "vortiq.exe"}
        for key, value in expected.items():
            if strings.get(key) != value:
                errors.append(f"{key} is {strings.get(key)!r}, not {value!r}")
        copyright_line = strings.get("LegalCopyright", "")
        if not copyright_line.startswith("Copyright") or "MIT" not in copyright_line:
            errors.append(f"LegalCopyright {copyright_line!r} names no MIT copyright")
        if not strings.get("FileDescription"):
            errors.append("no FileDescription")
    return errors


if __name__ == "__main__":
    problems = check(sys.argv[1], sys.argv[2])
    for problem in problems:
        print(f"{sys.argv[1]}: {problem}", file=sys.stderr)
    sys.exit(1 if problems else 0)

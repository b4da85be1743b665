#!/usr/bin/python3
"""Checks built Pressavo.exe files against the release policy a managed fleet's review expects.

    scripts/pe-policy.py [--expect-refused] <exe>...
        one line per executable; exit status 1 if any check fails (or a file cannot be read).
        --expect-refused, for the control: exit status 0 only if every file was read and refused.

Per executable: ASLR with its relocations kept, NX, terminal-server aware, high-entropy ASLR on
64-bit and the no-SEH mark on 32-bit, no FORCE_INTEGRITY; an application manifest (type 24, id 1)
that runs as the invoker and declares Windows Vista to 10/11; imports from KERNEL32, USER32 and
msvcrt only, no exports; version information with a FileDescription and a LegalCopyright, and
icon group 1 present.
"""
import sys
import xml.etree.ElementTree as ElementTree

import pefile

FLAGS = pefile.DLL_CHARACTERISTICS
ALWAYS = ["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE", "IMAGE_DLLCHARACTERISTICS_NX_COMPAT",
          "IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE"]
BY_MACHINE = {  # machine: (name, flags it must have)
    0x014C: ("i386", ["IMAGE_DLLCHARACTERISTICS_NO_SEH"]),
    0x8664: ("AMD64", ["IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA"]),
}
FORBIDDEN = ["IMAGE_DLLCHARACTERISTICS_FORCE_INTEGRITY"]
IMPORTS = {"kernel32.dll", "user32.dll", "msvcrt.dll"}
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10/11",
}
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
RT_ICON_GROUP, RT_VERSION, RT_MANIFEST = 14, 16, 24
# Version strings a reviewer reads in Explorer's properties and that must not be empty.
VERSION_STRINGS = ["FileDescription", "LegalCopyright"]


def resource(pe, kind, ident=None):
    """The bytes of the first resource of type `kind` (and id `ident`, when given), or None."""
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for entry in directory.entries if directory else []:
        if entry.id != kind:
            continue
        for named in entry.directory.entries:
            if ident is not None and named.id != ident:
                continue
            for language in named.directory.entries:
                data = language.data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def check_headers(pe, problems):
    machine, extra = BY_MACHINE.get(pe.FILE_HEADER.Machine, (hex(pe.FILE_HEADER.Machine), []))
    if not extra:
        problems.append(f"unexpected machine {machine}")
    value = pe.OPTIONAL_HEADER.DllCharacteristics
    for name in ALWAYS + extra:
        if not value & FLAGS[name]:
            problems.append(f"lacks {name.removeprefix('IMAGE_DLLCHARACTERISTICS_')}")
    for name in FORBIDDEN:
        if value & FLAGS[name]:
            problems.append(f"has {name.removeprefix('IMAGE_DLLCHARACTERISTICS_')}")
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]].Size
    if relocations == 0 or pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]:
        problems.append("relocations stripped: ASLR cannot move the image")
    return f"{machine}, DllCharacteristics {value:#06x}, relocations {relocations} B"


def check_manifest(pe, problems):
    data = resource(pe, RT_MANIFEST, 1)
    if data is None:
        problems.append("no manifest (type 24, id 1)")
        return "no manifest"
    if not data.isascii():
        problems.append("manifest is not plain ASCII")
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as error:
        problems.append(f"manifest does not parse: {error}")
        return "manifest unreadable"
    levels = [(e.get("level"), e.get("uiAccess")) for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    if levels != [("asInvoker", "false")]:
        problems.append(f"execution level {levels}, expected asInvoker without uiAccess")
    declared = {e.get("Id", "").lower() for e in root.iter(COMPAT + "supportedOS")}
    missing = [name for guid, name in SUPPORTED_OS.items() if guid not in declared]
    if missing:
        problems.append(f"manifest does not declare Windows {', '.join(missing)}")
    return f"manifest asInvoker, Windows {'/'.join(n for g, n in SUPPORTED_OS.items() if g in declared)}"


def check_imports(pe, problems):
    dlls = [entry.dll.decode() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    unexpected = [dll for dll in dlls if dll.lower() not in IMPORTS]
    if unexpected or not dlls:
        problems.append(f"imports {dlls}, expected only KERNEL32, USER32 and msvcrt")
    if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        problems.append("exports functions")
    return "imports " + " ".join(dlls)


def check_version(pe, problems):
    if resource(pe, RT_VERSION) is None:
        problems.append("no version information")
        return "no version information"
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode("latin-1"): v.decode("latin-1") for k, v in table.entries.items()})
    empty = [name for name in VERSION_STRINGS if not strings.get(name, "").strip()]
    if empty:
        problems.append(f"version information lacks {', '.join(empty)}")
    return "; ".join(f"{name} {strings.get(name, '')!r}" for name in VERSION_STRINGS)


def check(path):
    """True if the file passes, False if the policy refuses it, None if it is no readable PE."""
    problems = []
    try:
        pe = pefile.PE(path)
    except (OSError, pefile.PEFormatError) as error:
        print(f"{path}: cannot be read as a PE file: {error}")
        return None
    parts = [check_headers(pe, problems), check_manifest(pe, problems), check_imports(pe, problems),
             check_version(pe, problems)]
    if resource(pe, RT_ICON_GROUP, 1) is None:
        problems.append("no icon group 1")
    verdict = "ok" if not problems else "FAILED: " + "; ".join(problems)
    print(f"{path}: {'; '.join(parts)}; {verdict}")
    return not problems


def main(args):
    expect_refused = args[:1] == ["--expect-refused"]
    paths = args[1:] if expect_refused else args
    if not paths or any(path.startswith("--") for path in paths):
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    results = [check(path) for path in paths]
    if expect_refused:
        # A file that could not be read proves nothing about the checks.
        return 0 if all(result is False for result in results) else 1
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

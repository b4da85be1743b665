#!/usr/bin/python3
# Says what a Pressavo release contains: its third-party notices and its CycloneDX 1.6 SBOM.
"""Usage: contents.py notices|sbom --map M --exe E --out F [--package P]... (project options below)

From the link map, binutils (one objdump per file), pefile, dpkg-query and the packages' copyright
files, by the reviewed table components.json: a linked input or source it does not name is refused.
"""

import argparse
import datetime
import fnmatch
import hashlib
import json
import os
import re
import subprocess
import sys
import textwrap
import uuid

import pefile
from debian import copyright as dep5

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "components.json")


class Refused(Exception):
    """The release must not go out: something linked in cannot be named or licensed."""


def linked_inputs(map_path):
    """{third-party file: {member}} as the map lists them; a file loaded whole is its own member."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    found = re.findall(r"^(/\S+\.a)\(([^()\s]+)\)", text, re.M) + re.findall(r"^LOAD (/\S+\.o)()$", text, re.M)
    if not found:
        raise Refused(f"{map_path}: no third-party inputs; is this a GNU ld link map?")
    build = os.path.dirname(os.path.realpath(map_path)) + os.sep
    inputs = {}
    for path, member in found:
        if not os.path.realpath(path).startswith(build):
            inputs.setdefault(os.path.normpath(path), set()).add(member or os.path.basename(path))
    return inputs


def members(path):
    """{member: (is an import stub, DWARF source file or None)} of an archive or object file."""
    out = subprocess.check_output(["x86_64-w64-mingw32-objdump", "-h", "--dwarf=info", "--dwarf-depth=1", path],
                                  text=True)
    parts = re.split(r"^(\S+):\s+file format \S+$", out, flags=re.M)
    found = {}
    for name, body in zip(parts[1::2], parts[2::2]):
        source = re.search(r"DW_AT_name\s*:\s*(?:\(.*?\):\s*)?(\S+)", body)
        found[os.path.basename(name)] = (".idata$" in body, source and re.sub(r"^\./", "", source[1]))
    return found


def conjunction(expressions):
    """SPDX AND of expressions, each OR kept together by parentheses."""
    parts = sorted(set(expressions))
    return " AND ".join(f"({e})" if " OR " in e and len(parts) > 1 else e for e in parts)


def first(patterns, value):
    return next((v for p, v in patterns.items() if fnmatch.fnmatchcase(value, p)), None)


def licence_of(rule, what, source):
    """A member's licence: its component's, or as the table gives it for the member's source file."""
    licence = rule.get("licence") or (source and first(rule["licence-by-source"], source))
    if licence:
        return licence
    raise Refused(f"{what}: no source file is known for it, so no licence can be given" if source is None
                  else f"{what}: its source {source} has no licence in {TABLE}")


def inventory(map_path, exe):
    """The static components with their files and members, and {imported DLL: import library}."""
    with open(TABLE, encoding="utf-8") as f:
        table = json.load(f)
    comps, stub_libs = {}, set()
    for path, linked in sorted(linked_inputs(map_path).items()):
        known = members(path)
        rule = next((c for c in table["components"] if first(c["inputs"], path)), None)
        for member in sorted(linked):
            what = f"{path}({member})" if member != os.path.basename(path) else path
            stub, source = known.get(member, (False, None))
            if stub and not any(fnmatch.fnmatchcase(path, p) for p in table["import-libraries"]):
                raise Refused(f"{what}: an import stub outside the Windows import libraries")
            if stub:
                stub_libs.add(path)
                continue
            if rule is None:
                raise Refused(f"{what}: linked in, but no component of {TABLE} names it")
            licence = licence_of(rule, what, source)
            comp = comps.setdefault(rule["name"], {"rule": rule, "package": first(rule["inputs"], path), "files": {}})
            # The source is named where it decided the licence.
            comp["files"].setdefault(path, {})[member] = (None if "licence" in rule else source, licence)
    for comp in comps.values():
        query = ["dpkg-query", "-W", "-f=${Version}\n${Architecture}\n${Homepage}\n${Maintainer}", comp["package"]]
        fields = subprocess.check_output(query, text=True)
        comp.update(zip(("version", "arch", "homepage", "maintainer"), fields.split("\n")))
        comp["licence"] = conjunction(lic for m in comp["files"].values() for _, lic in m.values())
    pe = pefile.PE(exe)
    libs = {os.path.basename(p).lower(): p for p in stub_libs}
    dlls = {}
    for dll in sorted((e.dll.decode("ascii") for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])), key=str.lower):
        dlls[dll] = libs.pop(f"lib{os.path.splitext(dll)[0].lower()}.a", None)
        if dlls[dll] is None:
            raise Refused(f"{exe} imports {dll}, but the link map has no import stubs of it")
    if libs:
        raise Refused(f"the link map's import stubs of {sorted(libs.values())} are not among {exe}'s imports: "
                      "the map is not this executable's")
    return [comps[n] for n in sorted(comps)], dlls, table


def licence_text(comp, how, licence):
    """The lines that quote a licence, as the component's Debian copyright file states it."""
    path = f"/usr/share/doc/{comp['package']}/copyright"
    with open(path, encoding="utf-8") as f:
        text = f.read()
    lines = [line.format(package=comp["package"], licence=licence) for line in how.get("lines", [])]
    if "copyright-paragraph" in how:
        found = [p for p in dep5.Copyright(text.splitlines(True), strict=False).all_files_paragraphs()
                 if p.files[0] == how["copyright-paragraph"]]
        if len(found) != 1:
            raise Refused(f"{path}: no single Files: {how['copyright-paragraph']} paragraph")
        lines += ["", *(f"Copyright (c) {c}" for c in found[0].copyright.splitlines()), "",
                  found[0].license.text.rstrip()]
    if "between" in how:
        quoted = re.search(".*?".join(map(re.escape, how["between"])), text, re.S)
        if not quoted:
            raise Refused(f"{path}: the quoted text is no longer where {TABLE} says")
        lines += ["", quoted[0]]
    return lines + [""]


def notices(comps, dlls, args):
    out = ["Third-party software in Pressavo.exe", "=" * 36, "",
           f"Pressavo.exe is linked statically. Besides {args.name}'s own code ({args.licence} licence, see "
           "LICENSE) it", "contains the parts of the components below that the linker took in, and nothing "
           "else. It", "also uses DLLs that are part of Windows; they are not shipped with Pressavo.",
           "This list was made from the executable's link map and the Debian packages of the build",
           "system.", "", "Windows DLLs it imports: " + ", ".join(dlls), ""]
    for comp in comps:
        title = f"{comp['rule']['name']} {comp['version']}"
        out += [title, "-" * len(title), f"Debian package: {comp['package']} {comp['version']} ({comp['arch']})",
                f"Home page:      {comp['homepage'] or '(none given)'}", f"Licence:        {comp['licence']}",
                "Linked in:"]
        for path, linked in sorted(comp["files"].items()):
            out.append(f"  {path} ({conjunction(lic for _, lic in linked.values())})")
            out += [f"    {m}" + (f"  from {s}" if s else "") for m, (s, _) in sorted(linked.items())]
        out.append("")
        for licence, how in comp["rule"]["texts"].items():
            sources = {s for linked in comp["files"].values() for s, lic in linked.values() if lic == licence}
            if sources and "licence-by-source" in comp["rule"]:
                out.append(textwrap.fill("Applies to: " + ", ".join(sorted(sources)), width=96,
                                         subsequent_indent="  ", break_on_hyphens=False))
            out += licence_text(comp, how, args.licence) if sources else []
    return "\n".join(out).rstrip("\n") + "\n"


def digests(path):
    with open(path, "rb") as f:
        data = f.read()
    return [{"alg": "SHA-256", "content": hashlib.sha256(data).hexdigest()},
            {"alg": "SHA-512", "content": hashlib.sha512(data).hexdigest()}]


def shipped_file(ref, name, path, version, description, maker, licence, url, props):
    hashes = digests(path)
    return {"type": "file", "bom-ref": ref, "name": name, "version": version,
            **({"description": description} if description else {}),
            "supplier": maker[0], "manufacturer": maker[1], "hashes": hashes, "licenses": lic(licence),
            "externalReferences": [{"type": "distribution", "url": url, "hashes": hashes[1:]}],
            "properties": props}


def bsi(filename, executable, archive, extra=()):
    flags = {"bsi:component:filename": filename, "bsi:component:executable": executable,
             "bsi:component:archive": "archive" if archive else "no archive",
             "bsi:component:structured": "structured" if archive else "unstructured"}
    return [{"name": n, "value": v} for n, v in [*flags.items(), *extra]]


def lic(expression):
    return [{"expression": expression, "acknowledgement": "concluded"}]


def sbom(comps, dlls, table, args):
    us, v, build = {"name": args.company, "url": [args.url]}, args.version, args.build
    primary, exe_ref = f"pkg:generic/{args.name.lower()}@{v}?build={build}", "file:Pressavo.exe"
    listed = [shipped_file(exe_ref, "Pressavo.exe", args.exe, v, f"The {args.name} program ({build} build), "
                           "as shipped in the packages", (us, us), args.licence, "Pressavo.exe",
                           bsi("Pressavo.exe", "executable", False, [("pressavo:build", build)]))]
    deps, static, dll_refs = {primary: [exe_ref], exe_ref: []}, [], []
    for comp in comps:
        ref = f"pkg:deb/debian/{comp['package']}@{comp['version']}?arch={comp['arch']}"
        static.append(ref)
        maker = {"name": comp["rule"]["name"], **({"url": [comp["homepage"]]} if comp["homepage"] else {})}
        contact = re.match(r"\s*(.*?)\s*<([^>]+)>", comp["maintainer"])
        supplier = dict(table["debian-supplier"],
                        contact=[{"name": contact[1], "email": contact[2]}] if contact else [])
        files = []
        for path, linked in sorted(comp["files"].items()):
            name = os.path.basename(path)
            extra = [("pressavo:installed-path", path)] + [
                ("pressavo:linked-member", m + (f" ({s})" if s else "")) for m, (s, _) in sorted(linked.items())]
            files.append(shipped_file(f"{ref}#{name}", name, path, comp["version"], None, (supplier, maker),
                                      conjunction(lic for _, lic in linked.values()), "file://" + path,
                                      bsi(name, "non-executable", name.endswith(".a"), extra)))
            deps[files[-1]["bom-ref"]] = []
        listed.append({"type": "library", "bom-ref": ref, "name": comp["rule"]["name"], "version": comp["version"],
                       "description": f"Linked statically into Pressavo.exe from Debian's {comp['package']}",
                       "supplier": supplier, "manufacturer": maker, "licenses": lic(comp["licence"]), "purl": ref,
                       "components": files,
                       "properties": [{"name": "pressavo:debian-package", "value": comp["package"]},
                                      {"name": "pressavo:linkage", "value": "static"}]})
        deps[ref] = [f["bom-ref"] for f in files]
    for dll, lib in dlls.items():
        dll_refs.append(f"dll:{dll.lower()}")
        deps[dll_refs[-1]] = []
        listed.append({"type": "library", "bom-ref": dll_refs[-1], "name": dll, "scope": "required",
                       "description": "Part of Microsoft Windows; imported by Pressavo.exe, not shipped with it",
                       "manufacturer": table["system-dll-manufacturer"],
                       "properties": bsi(dll, "executable", False, [("pressavo:not-shipped", "part of Windows"),
                                                                    ("pressavo:import-library", lib)])})
    deps[exe_ref] = static + dll_refs
    for path in args.package:
        name = os.path.basename(path)
        kind = "zip archive" if name.endswith(".zip") else "Windows Installer package"
        listed.append(shipped_file(f"file:{name}", name, path, v, f"The {build} release of {args.name} as a {kind}",
                                   (us, us), args.licence, name, bsi(name, "non-executable", True)))
        deps[f"file:{name}"] = [exe_ref]
        deps[primary].append(f"file:{name}")
    tool = digests(__file__)
    bom = {"bomFormat": "CycloneDX", "specVersion": "1.6", "serialNumber": None, "version": 1, "metadata": {
        "timestamp": datetime.datetime.fromtimestamp(args.epoch, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ"),
        "tools": {"components": [{"type": "application", "group": "pressavo", "name": "packaging/contents.py",
                                  "version": tool[0]["content"][:16], "description": "Reads the link map and the "
                                  "Debian packages of the build system", "hashes": tool}]},
        "authors": [{"name": args.company}], "manufacturer": us, "supplier": us,
        "component": {"type": "application", "bom-ref": primary, "name": args.name, "version": v,
                      "description": args.description, "supplier": us, "manufacturer": us,
                      "licenses": lic(args.licence), "purl": primary,
                      "properties": [{"name": "pressavo:build", "value": build}]}},
        "components": listed, "dependencies": [{"ref": r, "dependsOn": d} for r, d in deps.items()],
        "compositions": [{"aggregate": "complete", "assemblies": static,
                          "dependencies": [r for r in deps if r not in dll_refs]},
                         # What Windows' own DLLs need in turn is Windows' business, not known here.
                         {"aggregate": "unknown", "dependencies": dll_refs}][:2 if dll_refs else 1]}
    canonical = hashlib.sha256(json.dumps(bom, sort_keys=True, separators=(",", ":")).encode()).hexdigest()
    bom["serialNumber"] = "urn:uuid:" + str(uuid.uuid5(uuid.NAMESPACE_URL, f"{args.url}/sbom/{args.epoch}/{canonical}"))
    return json.dumps(bom, indent=2, ensure_ascii=True) + "\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("command", choices=["notices", "sbom"])
    for option in ("map", "exe", "out", "name", "company", "url", "licence", "description", "version", "build"):
        ap.add_argument("--" + option, required=True)
    ap.add_argument("--epoch", type=int, required=True, help="the SBOM's time (validated by the release step)")
    ap.add_argument("--package", action="append", default=[])
    args = ap.parse_args()
    try:
        comps, dlls, table = inventory(args.map, args.exe)
        text = notices(comps, dlls, args) if args.command == "notices" else sbom(comps, dlls, table, args)
    except (Refused, subprocess.CalledProcessError, OSError, pefile.PEFormatError) as e:
        print(f"contents.py: {e}", file=sys.stderr)
        return 1
    with open(args.out + ".part", "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(args.out + ".part", args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
# Checks a build's release SBOM: the CycloneDX 1.6 schema, the fields asked for, the shipped files' hashes, the link map, the notices.
"""Usage: sbom-check.py [--map OTHER.map] BUILD-DIR

Finds Pressavo-*.cdx.json, its zip and MSI and Pressavo.map in BUILD-DIR (--map: check against that
link map instead, e.g. to see that a different link is refused). Exits non-zero on any finding.
"""

import argparse
import glob
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, HERE)
import contents  # noqa: E402  (the generator: the map is read the same way it was read then)

SCHEMA_DIR = os.path.join(HERE, "node", "node_modules", "@cyclonedx", "cyclonedx-library", "res", "schema")
SCHEMAS = ["bom-1.6.SNAPSHOT.schema.json", "spdx.SNAPSHOT.schema.json", "jsf-0.82.SNAPSHOT.schema.json"]
FLAGS = {"bsi:component:executable": {"executable", "non-executable"},
         "bsi:component:archive": {"archive", "no archive"},
         "bsi:component:structured": {"structured", "unstructured"}}

findings = []


def fail(text):
    findings.append(text)
    print(f"FAIL: {text}")


def one(pattern):
    found = sorted(glob.glob(pattern))
    if len(found) != 1:
        raise SystemExit(f"sbom-check.py: expected one {pattern}, found {len(found)}")
    return found[0]


def validate_schema(bom):
    import jsonschema
    docs = {}
    for name in SCHEMAS:
        with open(os.path.join(SCHEMA_DIR, name), encoding="utf-8") as f:
            docs["http://cyclonedx.org/schema/" + name] = json.load(f)
    main = docs["http://cyclonedx.org/schema/" + SCHEMAS[0]]
    cls = jsonschema.Draft7Validator
    try:
        from referencing import Registry, Resource
        from referencing.jsonschema import DRAFT7
        registry = Registry().with_resources((u, Resource.from_contents(d, default_specification=DRAFT7))
                                             for u, d in docs.items())
        validator = cls(main, registry=registry, format_checker=cls.FORMAT_CHECKER)
    except ImportError:  # Debian 12's jsonschema predates referencing
        resolver = jsonschema.RefResolver(base_uri=main["$id"], referrer=main, store=docs)
        validator = cls(main, resolver=resolver, format_checker=cls.FORMAT_CHECKER)
    errors = sorted(validator.iter_errors(bom), key=lambda e: list(e.absolute_path))
    for e in errors:
        fail(f"schema: at /{'/'.join(map(str, e.absolute_path))}: {e.message[:300]}")
    if not errors:
        print(f"schema: valid against CycloneDX {SCHEMAS[0]} (jsonschema {jsonschema_version()})")
    return docs["http://cyclonedx.org/schema/spdx.SNAPSHOT.schema.json"]


def jsonschema_version():
    from importlib.metadata import version
    return version("jsonschema")


def has_contact(entity):
    return bool(entity) and (any(u for u in entity.get("url", []))
                             or any(c.get("email") for c in entity.get("contact", [])))


def check_licences(where, c, spdx_ids):
    lics = c.get("licenses") or []
    if len(lics) != 1 or "expression" not in lics[0]:
        return fail(f"{where}: no distribution licence expression")
    for token in re.split(r"[\s()]+", lics[0]["expression"]):
        if token and token not in ("AND", "OR", "WITH") and token not in spdx_ids \
                and not token.startswith("LicenseRef-"):
            fail(f"{where}: '{token}' is not an SPDX licence or exception id")


def check_fields(bom, spdx_ids):
    meta = bom.get("metadata", {})
    for key in ("serialNumber", "version"):
        if key not in bom:
            fail(f"document: no {key}")
    if bom.get("specVersion") != "1.6":
        fail(f"document: specVersion {bom.get('specVersion')!r}, not '1.6'")
    if not re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", meta.get("timestamp", "")):
        fail("document: no UTC timestamp")
    if not has_contact(meta.get("manufacturer")):
        fail("document: the SBOM's creator has no URL or e-mail")
    if not meta.get("tools"):
        fail("document: no tool named")
    refs = {d["ref"]: d.get("dependsOn", []) for d in bom.get("dependencies", [])}
    covered = {r for comp in bom.get("compositions", []) for r in comp.get("dependencies", [])}
    every = []

    def walk(c, kind):
        every.append(c)
        where = f"component {c.get('name')!r}"
        for key in ("name", "bom-ref"):
            if not c.get(key):
                fail(f"{where}: no {key}")
        if not has_contact(c.get("manufacturer")):
            fail(f"{where}: its creator has no URL or e-mail")
        if c.get("bom-ref") not in refs:
            fail(f"{where}: not in the dependency graph")
        if c.get("bom-ref") not in covered:
            fail(f"{where}: no statement of the completeness of its dependencies")
        shipped = kind != "system" and not any(p["name"] == "pressavo:shipped" for p in c.get("properties", []))
        if shipped:
            if not c.get("version"):
                fail(f"{where}: no version")
            check_licences(where, c, spdx_ids)
        if kind in ("library", "application") and not (c.get("purl") or c.get("cpe")):
            fail(f"{where}: no package URL")
        if c.get("type") == "file" or kind == "system":
            props = [(p["name"], p["value"]) for p in c.get("properties", [])]
            names = [n for n, _ in props]
            if names.count("bsi:component:filename") != 1:
                fail(f"{where}: no single bsi:component:filename")
            for flag, values in FLAGS.items():
                got = [v for n, v in props if n == flag]
                if len(got) != 1 or got[0] not in values:
                    fail(f"{where}: {flag} must occur once with one of {sorted(values)}, found {got}")
            if shipped and not any(h["alg"] == "SHA-512" for h in c.get("hashes", [])):
                fail(f"{where}: no SHA-512 hash")
        for sub in c.get("components", []):
            walk(sub, "file")

    walk(meta.get("component", {}), "application")
    for c in bom.get("components", []):
        system = any(p["name"] == "pressavo:shipped" for p in c.get("properties", []))
        walk(c, "system" if system else c.get("type"))
    known = {c.get("bom-ref") for c in every}
    for r in sorted({r for ref, deps in refs.items() for r in [ref] + deps} - known):
        fail(f"dependencies: {r} names no component")
    return every


def sha(data):
    return {"SHA-256": hashlib.sha256(data).hexdigest(), "SHA-512": hashlib.sha512(data).hexdigest()}


def check_hash(comp, data, what):
    want = {h["alg"]: h["content"] for h in comp.get("hashes", [])}
    got = sha(data)
    for alg in ("SHA-256", "SHA-512"):
        if want.get(alg) != got[alg]:
            w = str(want.get(alg))
            fail(f"{what}: {alg} is {got[alg][:12]}...{got[alg][-8:]}, the SBOM says {w[:12]}...{w[-8:]}")


def by_name(components, name):
    found = [c for c in components if c.get("name") == name]
    return found[0] if len(found) == 1 else None


def check_files(every, zip_path, msi_path, map_path):
    with zipfile.ZipFile(zip_path) as z:
        in_zip = {n: z.read(n) for n in z.namelist()}
    in_msi = contents.msi_files(msi_path)
    for path in (zip_path, msi_path):
        c = by_name(every, os.path.basename(path))
        if c is None:
            fail(f"{os.path.basename(path)} is not in the SBOM")
        else:
            with open(path, "rb") as f:
                check_hash(c, f.read(), os.path.basename(path))
    exe = by_name(every, "Pressavo.exe")
    if exe is None:
        fail("Pressavo.exe is not in the SBOM")
    for label, files in (("zip", in_zip), ("MSI", in_msi)):
        if "Pressavo.exe" not in files:
            fail(f"the {label} holds no Pressavo.exe")
        elif exe is not None:
            check_hash(exe, files["Pressavo.exe"], f"Pressavo.exe in the {label}")
    if "Pressavo.exe" in in_zip:
        with tempfile.NamedTemporaryFile(suffix=".exe") as t:
            t.write(in_zip["Pressavo.exe"])
            t.flush()
            imports = {d.lower() for d in contents.exe_imports(t.name)}
        listed = {c["name"].lower() for c in every
                  if any(p["name"] == "pressavo:shipped" for p in c.get("properties", []))}
        if imports != listed:
            fail(f"Pressavo.exe imports {sorted(imports)}, the SBOM lists {sorted(listed)}")
    return in_zip, in_msi


def expected_from_map(map_path):
    components, dlls = contents.inventory(map_path)
    want = {}
    for comp in components:
        for path, e in comp["files"].items():
            want[(comp["rule"]["name"], comp["package"], comp["fields"]["version"], os.path.basename(path))] = \
                (e["licence"], sorted(e["members"]), sha(open(path, "rb").read())["SHA-512"])
    return want, {d.lower() for d in dlls}


def check_map(bom, map_path):
    want, want_dlls = expected_from_map(map_path)
    have = {}
    have_dlls = set()
    for c in bom.get("components", []):
        if any(p["name"] == "pressavo:shipped" for p in c.get("properties", [])):
            have_dlls.add(c["name"].lower())
        pkg = [p["value"] for p in c.get("properties", []) if p["name"] == "pressavo:debian-package"]
        for f in c.get("components", []):
            members = sorted(p["value"].split(" ")[0] for p in f.get("properties", [])
                             if p["name"] == "pressavo:linked-member")
            sha512 = {h["alg"]: h["content"] for h in f.get("hashes", [])}.get("SHA-512")
            have[(c["name"], pkg[0] if pkg else None, c.get("version"), f["name"])] = \
                (f["licenses"][0]["expression"] if f.get("licenses") else None, members, sha512)
    for key in sorted(set(want) | set(have), key=str):
        label = f"{key[0]} {key[2]} ({key[1]}): {key[3]}"
        if key not in have:
            fail(f"link map: {label} is linked in but not in the SBOM (members {', '.join(want[key][1])})")
        elif key not in want:
            fail(f"link map: {label} is in the SBOM but not linked in")
        elif want[key] != have[key]:
            for i, what in enumerate(("licence", "members", "SHA-512 of the installed file")):
                if want[key][i] != have[key][i]:
                    fail(f"link map: {label}: {what} differs: map/system {want[key][i]}, SBOM {have[key][i]}")
    if want_dlls != have_dlls:
        fail(f"link map: imports {sorted(want_dlls)}, the SBOM lists {sorted(have_dlls)}")
    print(f"link map: {len(want)} linked files of {len({k[:3] for k in want})} components, "
          f"{len(want_dlls)} system DLLs recomputed from {map_path}")


def check_map_listing(bom, map_path):
    """A second reading of the map, by plain patterns rather than the generator's parser: every
    third-party object it names must be in the SBOM, or be an import stub of a listed DLL."""
    members, import_libs = set(), set()
    for c in bom.get("components", []):
        for p in c.get("properties", []):
            if p["name"] == "pressavo:import-library":
                import_libs.add(p["value"])
        for f in c.get("components", []):
            path = [p["value"] for p in f.get("properties", []) if p["name"] == "pressavo:installed-path"]
            for p in f.get("properties", []):
                if p["name"] == "pressavo:linked-member" and path:
                    members.add((path[0], p["value"].split(" ")[0]))
    with open(map_path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    build = os.path.realpath(os.path.dirname(os.path.abspath(map_path))) + os.sep
    named = {(os.path.normpath(m[1]), m[2]) for m in re.finditer(r"^(/\S+?\.a)\(([^)]+)\)", text, re.M)}
    named |= {(os.path.normpath(m[1]), os.path.basename(m[1])) for m in re.finditer(r"^LOAD (/\S+\.o)$", text, re.M)}
    for path, member in sorted(named):
        if (path, member) in members or os.path.realpath(path).startswith(build):
            continue
        if path in import_libs:
            data = contents.object_bytes(path, member)
            sections = contents.coff_sections(data)
            if sections is None or any(n.startswith(".idata$") for n in sections):
                continue
        fail(f"link map: {path}({member}) is linked in but not accounted for in the SBOM")


def check_notices(bom, in_zip, in_msi):
    text = in_zip.get("THIRD-PARTY-NOTICES.txt")
    if text is None:
        return fail("the zip holds no THIRD-PARTY-NOTICES.txt")
    if in_msi.get("THIRD-PARTY-NOTICES.txt") != text:
        fail("the MSI's THIRD-PARTY-NOTICES.txt is not the zip's")
    text = text.decode("utf-8")
    flat = contents.normalised(text)
    for c in bom.get("components", []):
        if c.get("type") == "library" and c.get("components") and c["name"] not in text:
            fail(f"the notices do not name {c['name']}")
    # The ZPL's conditions and disclaimer as Debian's mingw-w64 copyright file states them.
    for pkg in sorted({p["value"] for c in bom.get("components", []) for p in c.get("properties", [])
                       if p["name"] == "pressavo:debian-package"}):
        copyright, _ = contents.copyright_text(pkg)
        if not contents.text_is_dep5(copyright):
            continue
        dep5 = contents.Dep5(copyright)
        if "ZPL-2.1" in dep5.texts and "ZPL-2.1" in json.dumps(bom):
            zpl = contents.normalised(dep5.texts["ZPL-2.1"])
            if zpl not in flat:
                fail(f"the notices lack the ZPL-2.1 text of {pkg}")
            elif "Copyright (c) 2009" not in text:
                fail("the notices lack the mingw-w64 copyright line")
            else:
                print(f"notices: carry the ZPL-2.1 conditions and disclaimer of {pkg}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--map", help="check against this link map instead of BUILD-DIR/Pressavo.map")
    ap.add_argument("build_dir")
    args = ap.parse_args()
    d = args.build_dir
    sbom_path = one(os.path.join(d, "Pressavo-*.cdx.json"))
    stem = sbom_path[:-len(".cdx.json")]
    zip_path, msi_path = one(stem + ".zip"), one(stem + ".msi")
    map_path = args.map or os.path.join(d, "Pressavo.map")
    with open(sbom_path, encoding="utf-8") as f:
        bom = json.load(f)
    print(f"checking {sbom_path}")
    spdx = validate_schema(bom)
    spdx_ids = set(spdx.get("enum", []))
    every = check_fields(bom, spdx_ids)
    in_zip, in_msi = check_files(every, zip_path, msi_path, map_path)
    try:
        check_map(bom, map_path)
    except contents.Unplaced as e:
        fail(f"link map: {e}")
    check_map_listing(bom, map_path)
    check_notices(bom, in_zip, in_msi)
    if findings:
        print(f"sbom-check.py: {len(findings)} finding(s) in {sbom_path}")
        return 1
    print(f"sbom-check.py: {sbom_path} is complete and matches the release ({len(every)} components)")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (contents.Unplaced, OSError, zipfile.BadZipFile, subprocess.CalledProcessError, ValueError) as e:
        print(f"sbom-check.py: {e}", file=sys.stderr)
        sys.exit(2)

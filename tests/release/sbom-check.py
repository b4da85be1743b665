#!/usr/bin/python3
# Checks a build's release against a reading of its own: files and SHA256SUMS, SBOM, notices, link map.
"""Usage: sbom-check.py [--map OTHER.map] BUILD-DIR

Reads the release files in BUILD-DIR, the zip with zipfile, the MSI with msiextract, the link map
with patterns of its own, archive members with nm, imports with pefile, versions with dpkg-query
and licence texts from Debian's copyright files, and compares them with the SBOM, the notices and
expected.json (what a person reviewed). Validates the SBOM with the CycloneDX library's schemas.
"""

import argparse
import glob
import hashlib
import json
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import zipfile

import jsonschema
import pefile
from license_expression import ExpressionError, get_spdx_licensing

HERE = os.path.dirname(os.path.abspath(__file__))
SCHEMAS = os.path.join(HERE, "..", "..", "packaging", "node", "node_modules", "@cyclonedx",
                       "cyclonedx-library", "res", "schema")
# The BSI flags of a file follow from its first bytes: (executable, archive and structured).
MAGIC = {b"MZ": ("executable", False), b"!<arch>\n": ("non-executable", True),
         b"PK\x03\x04": ("non-executable", True), b"\xd0\xcf\x11\xe0": ("non-executable", True)}
SPDX = get_spdx_licensing()
findings = []


def fail(text):
    findings.append(text)
    print(f"FAIL: {text}")


def same_licence(where, got, want):
    """Equal as SPDX expressions (AND and OR unordered), with every licence id SPDX's or a LicenseRef."""
    try:
        unknown = SPDX.validate(got).errors
        if not unknown and SPDX.is_equivalent(got, want):
            return
    except ExpressionError as e:
        unknown = [str(e)]
    fail(f"{where}: licence {got!r}, expected {want!r}" + (f" ({'; '.join(unknown)})" if unknown else ""))


def expression(component):
    return (component.get("licenses") or [{}])[0].get("expression", "")


def sha(data, alg="sha256"):
    return hashlib.new(alg, data).hexdigest()


def linked(map_path):
    """{(path, member)} of third-party inputs, read from the map; import stubs (nm: 'I') left out."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    own = os.path.dirname(os.path.realpath(map_path)) + os.sep
    pairs = {(os.path.normpath(a), m) for a, m in re.findall(r"^(/[^\s(]+\.a)\(([^)\s]+)\)", text, re.M)}
    pairs |= {(os.path.normpath(o), os.path.basename(o)) for o in re.findall(r"^LOAD (/\S+\.o)$", text, re.M)}
    stubs = set()
    for archive in {a for a, _ in pairs if a.endswith(".a")}:
        nm = subprocess.run(["x86_64-w64-mingw32-nm", "-A", archive], capture_output=True, text=True).stdout
        stubs |= {(archive, m) for m in re.findall(r"^[^:]+:([^:]+):\S* +I ", nm, re.M)}
    return {p for p in pairs - stubs if not os.path.realpath(p[0]).startswith(own)}


def quote(package, how):
    """The text the notices must carry, read from the package's copyright file, spaces folded."""
    with open(f"/usr/share/doc/{package}/copyright", encoding="utf-8") as f:
        text = f.read()
    if "between" in how:
        start = text.find(how["between"][0])
        end = text.find(how["between"][1], start)
        found = text[start:end + len(how["between"][1])] if start >= 0 and end >= 0 else ""
    else:
        m = re.search(rf"^Files: {re.escape(how['files-paragraph'])}\nCopyright: (.*)\nLicense: "
                      rf"{re.escape(how['licence'])}\n((?:[ \t].*\n)+)", text, re.M)
        found = m and f"Copyright (c) {m[1]} " + re.sub(r"^ \.?", "", m[2], flags=re.M)
    return " ".join((found or "").split())


def validate(bom):
    """Against the CycloneDX 1.6 schema and the schemas it refers to."""
    docs = {}
    for name in ("bom-1.6.SNAPSHOT.schema.json", "spdx.SNAPSHOT.schema.json", "jsf-0.82.SNAPSHOT.schema.json"):
        with open(os.path.join(SCHEMAS, name), encoding="utf-8") as f:
            docs["http://cyclonedx.org/schema/" + name] = json.load(f)
    main = docs["http://cyclonedx.org/schema/bom-1.6.SNAPSHOT.schema.json"]
    resolver = jsonschema.RefResolver(base_uri=main["$id"], referrer=main, store=docs)
    validator = jsonschema.Draft7Validator(main, resolver=resolver, format_checker=jsonschema.FormatChecker())
    for e in sorted(validator.iter_errors(bom), key=lambda e: list(e.absolute_path)):
        fail(f"schema: at /{'/'.join(map(str, e.absolute_path))}: {e.message[:300]}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--map", help="the link map to check against (default: BUILD-DIR/Pressavo.map)")
    ap.add_argument("build_dir")
    args = ap.parse_args()
    d = args.build_dir
    with open(os.path.join(HERE, "expected.json"), encoding="utf-8") as f:
        want = json.load(f)

    # The release files: one of each, and nothing of an earlier release beside them.
    found = sorted(os.path.basename(p) for p in glob.glob(os.path.join(d, "Pressavo-*")))
    stems = {re.sub(r"\.(zip|msi|cdx\.json)$", "", n) for n in found}
    if len(stems) != 1 or len(found) != 3:
        raise SystemExit(f"sbom-check.py: expected one release (zip, msi, cdx.json) in {d}, found {found}")
    stem = stems.pop()
    version, build = re.fullmatch(r"Pressavo-(.+)-(win32|win64)", stem).groups()
    files = {n: pathlib.Path(d, n).read_bytes() for n in found}
    with open(os.path.join(d, "SHA256SUMS"), encoding="utf-8") as f:
        sums = dict(reversed(line.rstrip("\n").split("  ", 1)) for line in f)
    if sums != {n: sha(data) for n, data in files.items()}:
        fail(f"SHA256SUMS lists {sorted(sums)}, not the sums of exactly {found}")
    with zipfile.ZipFile(os.path.join(d, stem + ".zip")) as z:
        in_zip = {n: z.read(n) for n in z.namelist()}
    with tempfile.TemporaryDirectory() as t:
        subprocess.run(["msiextract", "-C", t, os.path.join(d, stem + ".msi")], check=True, capture_output=True)
        in_msi = {p.name: p.read_bytes() for p in pathlib.Path(t).rglob("*") if p.is_file()}
    for name in ("Pressavo.exe", "THIRD-PARTY-NOTICES.txt", "LICENSE"):
        if in_zip.get(name) is None or in_zip.get(name) != in_msi.get(name):
            fail(f"{name}: not the same in the zip and the MSI")
    exe = in_zip["Pressavo.exe"]
    files["Pressavo.exe"] = exe

    bom = json.loads(files[stem + ".cdx.json"])
    validate(bom)
    meta = bom.get("metadata", {})
    if bom.get("specVersion") != "1.6" or not bom.get("serialNumber") or "version" not in bom:
        fail("document: not CycloneDX 1.6 with a serial number and version")
    if not re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", meta.get("timestamp", "")) or not meta.get("tools") \
            or (meta.get("manufacturer") or {}).get("name") != want["project"]["manufacturer"]:
        fail("document: no UTC timestamp, no tool, or not made by the project's manufacturer")
    every = [meta.get("component", {})]
    every += [x for c in bom.get("components", []) for x in [c, *c.get("components", [])]]
    deps = {x["ref"]: set(x.get("dependsOn", [])) for x in bom.get("dependencies", [])}
    complete = {r for comp in bom.get("compositions", []) for r in comp.get("dependencies", [])}
    refs = {c.get("bom-ref") for c in every}
    for r in sorted({r for k, v in deps.items() for r in {k} | v} - refs):
        fail(f"dependencies: {r} names no component")
    dlls = {c["name"] for c in every if c.get("name", "").lower().endswith(".dll")}
    imports = {e.dll.decode() for e in pefile.PE(data=exe).DIRECTORY_ENTRY_IMPORT}
    if not dlls == imports == set(want["dlls"]):
        fail(f"imported DLLs: Pressavo.exe {sorted(imports)}, SBOM {sorted(dlls)}, expected {want['dlls']}")

    # Every component: named, made by someone reachable, in the graph, licensed; files hashed.
    statics = {}
    for c in every:
        where = f"component {c.get('name')!r}"
        maker = c.get("manufacturer") or {}
        if not c.get("bom-ref") or not (maker.get("url") or any(x.get("email") for x in maker.get("contact", []))):
            fail(f"{where}: no bom-ref, or its manufacturer has no URL or e-mail")
        if c.get("bom-ref") not in deps or c.get("bom-ref") not in complete:
            fail(f"{where}: not in the dependency graph with a statement of its completeness")
        if c.get("type") in ("library", "application") and not c.get("purl") and c["name"] not in dlls:
            fail(f"{where}: no package URL")
        if c["name"] not in dlls and (len(c.get("licenses", [])) != 1 or not c.get("version")):
            fail(f"{where}: no version, or not one licence expression")
        if c.get("components"):
            statics[c["name"]] = c
        if c.get("type") != "file" and c["name"] not in dlls:
            continue
        props = [(p["name"], p["value"]) for p in c.get("properties", [])]
        data = files.get(c["name"])
        path = dict(props).get("pressavo:installed-path")
        if path:
            data = pathlib.Path(path).read_bytes()
        flags = next((v for m, v in MAGIC.items() if data and data.startswith(m)),
                     ("executable", False) if data is None else ("non-executable", False))
        bsi = {"bsi:component:filename": c["name"], "bsi:component:executable": flags[0],
               "bsi:component:archive": "archive" if flags[1] else "no archive",
               "bsi:component:structured": "structured" if flags[1] else "unstructured"}
        for name, value in bsi.items():
            if [v for n, v in props if n == name] != [value]:
                fail(f"{where}: {name} should be once {value!r}")
        if data is not None:
            hashes = {h["alg"]: h["content"] for h in c.get("hashes", [])}
            if hashes != {"SHA-256": sha(data), "SHA-512": sha(data, "sha512")}:
                fail(f"{where}: its hashes are not those of {path or c['name']} as shipped")

    # The primary component, the exe and the packages: this version, the project's licence.
    for c in every:
        if c.get("name") in ("Pressavo", "Pressavo.exe", stem + ".zip", stem + ".msi"):
            if c.get("version") != version:
                fail(f"component {c['name']!r}: version {c.get('version')!r}, the release is {version}")
            same_licence(f"component {c['name']!r}", expression(c), want["project"]["licence"])
    exe_deps = deps.get("file:Pressavo.exe", set())
    if exe_deps != {c.get("bom-ref") for c in every if c["name"] in dlls or c["name"] in statics}:
        fail(f"Pressavo.exe depends on {sorted(exe_deps)}, not on each linked component and DLL")

    # The linked components: as reviewed, each file and member as the link map has it.
    in_sbom = set()
    if set(statics) != set(want["components"]):
        fail(f"components {sorted(statics)}, expected {sorted(want['components'])}")
    notices = in_zip["THIRD-PARTY-NOTICES.txt"].decode("utf-8")
    sections = re.split(r"^(.+)\n-+\n", notices, flags=re.M)
    sections = dict(zip(sections[1::2], sections[2::2]))
    quotes = {q: quote(w["packages"][build], want["quotes"][q])
              for w in want["components"].values() for q in w["quotes"]}
    for name, w in want["components"].items():
        c = statics.get(name, {})
        package = w["packages"][build]
        installed = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package],
                                   capture_output=True, text=True).stdout
        if c.get("version") != installed or f"pkg:deb/debian/{package}@{installed}?" not in c.get("purl", ""):
            fail(f"{name}: version {c.get('version')}, purl {c.get('purl')}; {package} {installed} is installed")
        same_licence(name, expression(c), w["licence"])
        got = {f["name"]: f for f in c.get("components", [])}
        if set(got) != set(w["files"]):
            fail(f"{name}: files {sorted(got)}, expected {sorted(w['files'])}")
        for fname, f in got.items():
            same_licence(f"{name}: {fname}", expression(f), w["files"].get(fname, "?"))
            props = [(p["name"], p["value"]) for p in f.get("properties", [])]
            path = dict(props).get("pressavo:installed-path")
            in_sbom |= {(path, v.split(" ")[0]) for n, v in props if n == "pressavo:linked-member"}
        text = sections.get(f"{name} {installed}", "")
        if not text:
            fail(f"notices: no section for {name} {installed}")
        m = re.search(r"^Licence: +(.+)$", text, re.M)
        same_licence(f"notices: {name}", m[1] if m else "", w["licence"])
        for q, body in quotes.items():
            carried = bool(body) and body in " ".join(text.split())
            if carried != (q in w["quotes"]):
                fail(f"notices: {name} {'lacks' if q in w['quotes'] else 'carries'} the {q} text"
                     + ("" if body else " (not found in the copyright file)"))
    listed = {(p, m) for p, ms in re.findall(r"^  (/\S+) \(.*\)\n((?:    .*\n)+)", notices, re.M)
              for m in re.findall(r"^    (\S+)", ms, re.M)}
    from_map = linked(args.map or os.path.join(d, "Pressavo.map"))
    for what, got in (("the SBOM", in_sbom), ("the notices", listed)):
        for p, m in sorted(from_map - got):
            fail(f"link map: {p}({m}) is linked in but not in {what}")
        for p, m in sorted(got - from_map):
            fail(f"link map: {p}({m}) is in {what} but not linked in")
    if findings:
        print(f"sbom-check.py: {len(findings)} finding(s) in {d}")
        return 1
    print(f"sbom-check.py: {stem}: valid, as reviewed, matching its files and the link map "
          f"({len(from_map)} linked members, {len(every)} components)")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
# Says what a Pressavo release contains: third-party notices and a CycloneDX 1.6 SBOM, read from the link map.
"""Usage:
  contents.py notices --map BUILD/Pressavo.map --out STAGE/THIRD-PARTY-NOTICES.txt
  contents.py sbom --map BUILD/Pressavo.map --exe STAGE/Pressavo.exe --version 1.00 --build win32
                   --package Pressavo-1.00-win32.zip --package Pressavo-1.00-win32.msi --out F.cdx.json

Everything comes from the link map and the system: which archive members and objects were linked,
their Debian packages (dpkg), versions (dpkg-query), licences (the packages' copyright files) and
the system DLLs the import stubs stand for. A linked file that cannot be placed fails the step.
SOURCE_DATE_EPOCH fixes the SBOM's timestamp; the same inputs give the same bytes.
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
import tempfile
import textwrap
import uuid
import zipfile

# Who makes Pressavo and its SBOM.
CREATOR_NAME = "Pressavo developers"
CREATOR_URL = "https://pressavo.example"
PROJECT_LICENCE = "MIT"  # the project's LICENSE

HERE = os.path.dirname(os.path.abspath(__file__))
RULES_FILE = os.path.join(HERE, "components.json")


class Unplaced(Exception):
    """A linked file whose origin or licence cannot be told: the release must not go out."""


def run(args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def load_rules():
    with open(RULES_FILE, encoding="utf-8") as f:
        return json.load(f)


# ---- the link map -----------------------------------------------------------------------------

MEMBER_RE = re.compile(r"^(\S+)\(([^()]+)\)$")


def linked_inputs(map_path):
    """(file, member or None) for each third-party input the map shows linked: archive members
    pulled in, and object files loaded directly. The build's own objects are left out."""
    build_dir = os.path.realpath(os.path.dirname(os.path.abspath(map_path)))
    with open(map_path, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    found = []
    in_members = False
    for line in lines:
        if line.startswith("Archive member included to satisfy reference by file"):
            in_members = True
            continue
        if line.startswith(("Discarded input sections", "Memory Configuration", "Linker script")):
            in_members = False
        if in_members and line and not line[0].isspace():
            m = MEMBER_RE.match(line.split()[0])
            if m:
                found.append((m.group(1), m.group(2)))
        elif line.startswith("LOAD ") and line.endswith(".o"):
            found.append((line[5:], None))
    if not any(member for _, member in found):
        raise Unplaced(f"{map_path}: no archive members listed; is this a GNU ld link map?")
    result = set()
    for path, member in found:
        if not os.path.isabs(path):
            continue  # the build's own objects, named relative to the build directory
        path = os.path.normpath(path)
        if os.path.realpath(path).startswith(build_dir + os.sep):
            continue
        result.add((path, member))
    return sorted(result, key=lambda e: (e[0], e[1] or ""))


def object_bytes(path, member):
    if member is None:
        with open(path, "rb") as f:
            return f.read()
    return subprocess.run(["ar", "p", path, member], check=True, capture_output=True).stdout


def coff_sections(data):
    """{section name: raw data} of a COFF object; None for a short-format import object."""
    if data[:4] == b"\x00\x00\xff\xff":
        return None
    count = int.from_bytes(data[2:4], "little")
    opt = int.from_bytes(data[16:18], "little")
    symtab = int.from_bytes(data[8:12], "little")
    nsyms = int.from_bytes(data[12:16], "little")
    strtab = symtab + 18 * nsyms
    sections = {}
    for i in range(count):
        h = data[20 + opt + 40 * i: 20 + opt + 40 * (i + 1)]
        name = h[:8].rstrip(b"\x00")
        if name.startswith(b"/"):
            off = strtab + int(name[1:])
            name = data[off:data.index(b"\x00", off)]
        size = int.from_bytes(h[16:20], "little")
        ptr = int.from_bytes(h[20:24], "little")
        sections[name.decode("ascii", "replace")] = data[ptr:ptr + size] if ptr else b""
    return sections


def import_dll_name(data, sections):
    """The DLL an import object names, or None if this object names none itself."""
    if sections is None:  # short format: header, then "symbol\0dll\0"
        names = data[20:].split(b"\x00")
        return names[1].decode("ascii") if len(names) > 1 else None
    text = sections.get(".idata$7", b"")
    if len(text) > 4:  # a stub's .idata$7 is a 4-byte pointer; the library's tail holds the name
        name = text.split(b"\x00")[0]
        if re.fullmatch(rb"[A-Za-z0-9_.+-]+\.(dll|DLL|drv|sys|exe)", name):
            return name.decode("ascii")
    return None


def source_file(path, member, data):
    """The upstream source path an object was compiled from (its DWARF compile unit), if any."""
    with tempfile.NamedTemporaryFile(suffix=".o") as tmp:
        tmp.write(data)
        tmp.flush()
        out = subprocess.run(["x86_64-w64-mingw32-objdump", "--dwarf=info", "--dwarf-depth=1", tmp.name],
                             capture_output=True, text=True).stdout
    m = re.search(r"DW_AT_name\s*:\s*(?:\(.*?\):\s*)?(\S+)", out)
    if not m:
        return None
    name = m.group(1)
    return name[2:] if name.startswith("./") else name


# ---- Debian packages and their copyright files ------------------------------------------------

_dpkg_cache = {}


def package_of(path):
    if path not in _dpkg_cache:
        pkg = None
        for candidate in (path, os.path.realpath(path)):
            r = subprocess.run(["dpkg", "-S", candidate], capture_output=True, text=True)
            if r.returncode == 0:
                pkg = r.stdout.split(":", 1)[0].strip()
                break
        _dpkg_cache[path] = pkg
    return _dpkg_cache[path]


def package_fields(pkg):
    out = run(["dpkg-query", "-W", "-f=${Version}\n${Architecture}\n${Homepage}\n${Maintainer}\n", pkg])
    version, arch, homepage, maintainer = out.split("\n")[:4]
    return {"version": version, "arch": arch, "homepage": homepage, "maintainer": maintainer}


def copyright_text(pkg, seen=()):
    path = f"/usr/share/doc/{pkg}/copyright"
    if not os.path.exists(path):
        raise Unplaced(f"package {pkg} has no {path}")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    # Some packages only point at another package's file: follow it.
    m = re.search(r"/usr/share/doc/([a-z0-9.+-]+)/copyright", text)
    if not text.startswith("Format:") and m and m.group(1) != pkg and m.group(1) not in seen \
            and len(text) < 2000:
        return copyright_text(m.group(1), seen + (pkg,))
    return text, path


def dep5_paragraphs(text):
    paras = []
    for block in re.split(r"\n\s*\n", text.strip()):
        fields = {}
        key = None
        for line in block.split("\n"):
            if line[:1] in (" ", "\t") and key:
                fields[key] += "\n" + line
            elif ":" in line:
                key, value = line.split(":", 1)
                fields[key] = value.strip()
        paras.append(fields)
    return paras


def dep5_body(value):
    """The text under a License: or Copyright: field, with Debian's ' .' blank lines restored."""
    lines = value.split("\n")
    body = []
    for line in lines[1:]:
        line = line[1:] if line.startswith(" ") else line
        body.append("" if line.strip() == "." else line.rstrip())
    return lines[0].strip(), "\n".join(body)


def dep5_match(pattern, path):
    # The copyright format's globs: '*' matches any characters, '/' included.
    return fnmatch.fnmatchcase(path, pattern)


class Dep5:
    def __init__(self, text):
        paras = dep5_paragraphs(text)
        self.header = paras[0]
        self.files = [p for p in paras[1:] if "Files" in p]
        self.texts = {}
        for p in paras[1:]:
            if "License" in p:
                name, body = dep5_body(p["License"])
                if body.strip() and (name not in self.texts or "Files" not in p):
                    self.texts[name] = body

    def stanza_for(self, source):
        chosen = None
        for p in self.files:  # the last matching stanza wins
            if any(dep5_match(pat, source) for pat in p["Files"].split()):
                chosen = p
        return chosen


def spdx_for(rules, debian_name, where):
    table = rules["spdx-for-debian-licence"]
    parts = re.split(r"\s+(and|or)\s+", debian_name.strip())
    out = []
    for i, part in enumerate(parts):
        if i % 2:
            out.append(part.upper())
        elif part in table:
            out.append(table[part])
        else:
            raise Unplaced(f"{where}: licence '{part}' has no SPDX identifier in {RULES_FILE}")
    return " ".join(out)


def normalised(text):
    return " ".join(text.split())


def exception_text(copyright, bounds, where):
    start = copyright.find(bounds["first-line"])
    head = copyright.find(bounds["last-heading"], start)
    if start < 0 or head < 0:
        raise Unplaced(f"{where}: the exception's text is not where it was expected")
    end = copyright.find("\n\n", copyright.find("\n\n", head) + 2)
    return copyright[start:end if end > 0 else None].strip("\n")


# ---- placing the linked files ------------------------------------------------------------------

def rule_for(rules, pkg, path):
    for r in rules["components"]:
        if pkg in r["packages"] and ("files" not in r or os.path.basename(path) in r["files"]):
            return r
    return None


def inventory(map_path):
    """What the map says was linked: static components (with their files, members and licences)
    and the DLLs that the import stubs stand for."""
    rules = load_rules()
    components = {}
    dlls = {}
    stubs_by_lib = {}
    for path, member in linked_inputs(map_path):
        what = f"{path}({member})" if member else path
        pkg = package_of(path)
        if not pkg:
            raise Unplaced(f"{what}: no Debian package owns {path}")
        data = object_bytes(path, member)
        sections = coff_sections(data)
        is_stub = sections is None or any(s.startswith(".idata$") for s in sections)
        if is_stub:
            if pkg not in rules["import-library-packages"]:
                raise Unplaced(f"{what}: an import stub from {pkg}, not one of the Windows import libraries")
            stubs_by_lib.setdefault(path, set())
            name = import_dll_name(data, sections)
            if name:
                stubs_by_lib[path].add(name)
            continue
        rule = rule_for(rules, pkg, path)
        if rule is None:
            raise Unplaced(f"{what}: no component in {RULES_FILE} takes {os.path.basename(path)} of package {pkg}")
        key = (rule["name"], pkg)
        if key not in components:
            fields = package_fields(pkg)
            text, cpath = copyright_text(pkg)
            components[key] = {"rule": rule, "package": pkg, "fields": fields, "copyright": text,
                               "copyright_path": cpath, "files": {},
                               "dep5": Dep5(text) if rule.get("licences-from") == "copyright-format" else None}
        comp = components[key]
        entry = comp["files"].setdefault(path, {"members": {}, "licences": set()})
        if comp["dep5"] is not None:
            if not text_is_dep5(comp["copyright"]):
                raise Unplaced(f"{what}: {comp['copyright_path']} is not in the machine-readable format")
            source = source_file(path, member, data)
            stanzas = [comp["dep5"].stanza_for(source)] if source else comp["dep5"].files
            if not stanzas or stanzas[0] is None:
                raise Unplaced(f"{what}: no Files: stanza of {comp['copyright_path']} covers {source}")
            names = [dep5_body(s["License"])[0] for s in stanzas]
            lic = " AND ".join(sorted({spdx_for(rules, n, what) for n in names}))
            entry["members"][member or os.path.basename(path)] = {"source": source, "licence": lic,
                                                                  "stanzas": stanzas}
            entry["licences"].add(lic)
        else:
            text = normalised(comp["copyright"])
            for ev in rule["evidence"]:
                if normalised(ev) not in text:
                    raise Unplaced(f"{what}: {comp['copyright_path']} no longer says: {ev}")
            entry["members"][member or os.path.basename(path)] = {"source": None, "licence": rule["licence"]}
            entry["licences"].add(rule["licence"])
    for lib, names in stubs_by_lib.items():
        if len(names) != 1:
            raise Unplaced(f"{lib}: import stubs linked, but the DLL they name is unclear ({sorted(names)})")
        dlls[names.pop()] = lib
    for comp in components.values():
        comp["licence"] = licence_union(l for e in comp["files"].values() for l in e["licences"])
        for e in comp["files"].values():
            e["licence"] = licence_union(e["licences"])
    ordered = [components[k] for k in sorted(components)]
    return ordered, dict(sorted(dlls.items(), key=lambda kv: kv[0].lower()))


def text_is_dep5(text):
    return text.startswith("Format:") and "copyright-format" in text.split("\n", 1)[0]


def licence_union(expressions):
    ids = set()
    for e in expressions:
        ids.update(p.strip() for p in e.split(" AND "))
    return " AND ".join(sorted(ids))


def exe_imports(exe_path):
    try:
        import pefile
    except ImportError:
        raise Unplaced("python3-pefile is missing (run this with Debian's /usr/bin/python3)")
    pe = pefile.PE(exe_path, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    return sorted({e.dll.decode("ascii") for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}, key=str.lower)


def check_imports(dlls, exe_path):
    from_exe = {d.lower() for d in exe_imports(exe_path)}
    from_map = {d.lower() for d in dlls}
    if from_exe != from_map:
        raise Unplaced(f"{exe_path} imports {sorted(from_exe)}, but the link map's import stubs name "
                       f"{sorted(from_map)}: the map is not this executable's")


# ---- THIRD-PARTY-NOTICES.txt -------------------------------------------------------------------

def notices(components, dlls):
    out = ["Third-party software in Pressavo.exe", "=" * 36, "",
           "Pressavo.exe is linked statically. Besides Pressavo's own code (MIT licence, see LICENSE) it",
           "contains the parts of the components below that the linker took in, and nothing else. It",
           "also uses DLLs that are part of Windows; they are not shipped with Pressavo.",
           "This list was made from the executable's link map and the Debian packages of the build",
           "system.", "", "Windows DLLs it imports: " + ", ".join(dlls), ""]
    for comp in components:
        f = comp["fields"]
        title = f"{comp['rule']['name']} {f['version']}"
        out += [title, "-" * len(title),
                f"Debian package: {comp['package']} {f['version']} ({f['arch']})",
                f"Home page:      {f['homepage'] or '(none given)'}",
                f"Licence:        {comp['licence']}",
                "Linked in:"]
        for path in sorted(comp["files"]):
            e = comp["files"][path]
            out.append(f"  {path} ({e['licence']})")
            for member in sorted(e["members"]):
                src = e["members"][member]["source"]
                out.append(f"    {member}" + (f"  from {src}" if src else ""))
        out.append("")
        out += licence_texts(comp)
    while out and out[-1] == "":
        out.pop()
    return "\n".join(out) + "\n"


def licence_texts(comp):
    out = []
    if comp["dep5"] is not None:
        used = {}
        for e in comp["files"].values():
            for m in e["members"].values():
                for s in m["stanzas"]:
                    used[id(s)] = s
        stanzas = [s for s in comp["dep5"].files if id(s) in used]
        for s in stanzas:
            name, body = dep5_body(s["License"])
            copyright_line, more = dep5_body(s.get("Copyright", ""))
            holders = "\n".join(x for x in [copyright_line] + more.split("\n") if x.strip())
            sources = sorted({m["source"] or member for e in comp["files"].values()
                              for member, m in e["members"].items() if any(x is s for x in m["stanzas"])})
            out.append(textwrap.fill("Applies to: " + ", ".join(sources), width=96, subsequent_indent="  ",
                                     break_on_hyphens=False))
            if name == "public-domain":
                out += ["  Public domain: the authors claim no copyright; no licence text applies.", ""]
                continue
            text = body if body.strip() else comp["dep5"].texts.get(name)
            if not text:
                raise Unplaced(f"{comp['copyright_path']}: no text for licence {name}")
            out += [f"  Licence {name}, copyright notice as the package states it:", "",
                    "\n".join(f"Copyright (c) {h}" for h in holders.split("\n")), "", text.rstrip(), ""]
    else:
        rule = comp["rule"]
        out += [
            "The GCC Runtime Library Exception (version 3.1) applies to this code: it is licensed under",
            "the GNU General Public License version 3 or later with that exception. The exception permits",
            "propagating a work of Target Code formed by combining the Runtime Library with Independent",
            "Modules (here: Pressavo's own code, compiled by GCC) under terms of one's choice; Pressavo.exe",
            "is conveyed under the MIT licence on that basis. The exception's text, as Debian's package",
            f"{comp['package']} carries it:", "",
            exception_text(comp["copyright"], rule["exception-text"], comp["copyright_path"]), ""]
    return out


# ---- the SBOM ----------------------------------------------------------------------------------

def digests(data):
    return [{"alg": "SHA-256", "content": hashlib.sha256(data).hexdigest()},
            {"alg": "SHA-512", "content": hashlib.sha512(data).hexdigest()}]


def file_digests(path):
    with open(path, "rb") as f:
        return digests(f.read())


def props(filename, executable, archive, structured, extra=()):
    p = [{"name": "bsi:component:filename", "value": filename},
         {"name": "bsi:component:executable", "value": executable},
         {"name": "bsi:component:archive", "value": archive},
         {"name": "bsi:component:structured", "value": structured}]
    return p + [{"name": n, "value": v} for n, v in extra]


def lic(expression):
    return [{"expression": expression, "acknowledgement": "concluded"}]


def slug(text):
    return re.sub(r"[^a-z0-9.+-]+", "-", text.lower()).strip("-")


def maintainer_contact(maintainer):
    m = re.match(r"\s*(.*?)\s*<([^>]+)>", maintainer)
    return [{"name": m.group(1), "email": m.group(2)}] if m else []


def msi_files(msi):
    """The files an MSI installs, by name, with their bytes."""
    files = {}
    with tempfile.TemporaryDirectory() as d:
        subprocess.run(["msiextract", "-C", d, msi], check=True, capture_output=True)
        for root, _, names in os.walk(d):
            for n in names:
                with open(os.path.join(root, n), "rb") as f:
                    files[n] = f.read()
    return files


def packaged_copy(package, name):
    """The bytes of NAME inside a zip or an MSI, or None when it is not there."""
    if package.endswith(".zip"):
        with zipfile.ZipFile(package) as z:
            return z.read(name) if name in z.namelist() else None
    return msi_files(package).get(name)


def sbom(components, dlls, exe, version, build, packages, epoch):
    rules = load_rules()
    creator = {"name": CREATOR_NAME, "url": [CREATOR_URL]}
    with open(exe, "rb") as f:
        exe_bytes = f.read()
    for p in packages:
        if packaged_copy(p, "Pressavo.exe") != exe_bytes:
            raise Unplaced(f"{p} does not hold the same Pressavo.exe as {exe}")
    primary_ref = f"pkg:generic/pressavo@{version}?build={build}"
    exe_ref = "file:Pressavo.exe"
    exe_comp = {
        "type": "file", "bom-ref": exe_ref, "name": "Pressavo.exe", "version": version,
        "description": f"The Pressavo program ({build} build), as shipped in the packages",
        "supplier": creator, "manufacturer": creator, "hashes": digests(exe_bytes),
        "licenses": lic(PROJECT_LICENCE),
        "externalReferences": [{"type": "distribution", "url": "Pressavo.exe",
                                "hashes": [h for h in digests(exe_bytes) if h["alg"] == "SHA-512"]}],
        "properties": props("Pressavo.exe", "executable", "no archive", "unstructured", [("pressavo:build", build)])}
    comps = [exe_comp]
    deps = {primary_ref: [exe_ref], exe_ref: []}
    static_refs = []
    for comp in components:
        f = comp["fields"]
        ref = f"pkg:deb/debian/{comp['package']}@{f['version']}?arch={f['arch']}"
        static_refs.append(ref)
        deps[exe_ref].append(ref)
        maker = {"name": comp["rule"]["name"]}
        if f["homepage"]:
            maker["url"] = [f["homepage"]]
        supplier = dict(rules["debian-supplier"], contact=maintainer_contact(f["maintainer"]))
        files = []
        for path in sorted(comp["files"]):
            e = comp["files"][path]
            name = os.path.basename(path)
            fref = f"{ref}#{name}"
            is_ar = name.endswith(".a")
            extra = [("pressavo:installed-path", path)]
            for member in sorted(e["members"]):
                src = e["members"][member]["source"]
                extra.append(("pressavo:linked-member", member + (f" ({src})" if src else "")))
            files.append({
                "type": "file", "bom-ref": fref, "name": name, "version": f["version"],
                "supplier": supplier, "manufacturer": maker, "hashes": file_digests(path),
                "licenses": lic(e["licence"]),
                "externalReferences": [{"type": "distribution", "url": "file://" + path,
                                        "hashes": [h for h in file_digests(path) if h["alg"] == "SHA-512"]}],
                "properties": props(name, "non-executable", "archive" if is_ar else "no archive",
                                    "structured" if is_ar else "unstructured", extra)})
            deps[fref] = []
        comps.append({
            "type": "library", "bom-ref": ref, "name": comp["rule"]["name"], "version": f["version"],
            "description": f"Linked statically into Pressavo.exe from Debian's {comp['package']}",
            "supplier": supplier, "manufacturer": maker, "licenses": lic(comp["licence"]),
            "purl": ref, "components": files,
            "properties": [{"name": "pressavo:debian-package", "value": comp["package"]},
                           {"name": "pressavo:linkage", "value": "static"}]})
        deps[ref] = [x["bom-ref"] for x in files]
    dll_refs = []
    for dll, lib in dlls.items():
        ref = f"dll:{dll.lower()}"
        dll_refs.append(ref)
        deps[exe_ref].append(ref)
        deps[ref] = []
        comps.append({
            "type": "library", "bom-ref": ref, "name": dll, "scope": "required",
            "description": "Part of Microsoft Windows; imported by Pressavo.exe, not shipped with it",
            "manufacturer": rules["system-dll-manufacturer"],
            "properties": props(dll, "executable", "no archive", "unstructured",
                                [("pressavo:shipped", "no, part of Windows"),
                                 ("pressavo:import-library", lib)])})
    for p in packages:
        name = os.path.basename(p)
        ref = f"file:{name}"
        kind = "zip archive" if name.endswith(".zip") else "Windows Installer package"
        comps.append({
            "type": "file", "bom-ref": ref, "name": name, "version": version,
            "description": f"The {build} release of Pressavo as a {kind}",
            "supplier": creator, "manufacturer": creator, "hashes": file_digests(p),
            "licenses": lic(PROJECT_LICENCE),
            "externalReferences": [{"type": "distribution", "url": name,
                                    "hashes": [h for h in file_digests(p) if h["alg"] == "SHA-512"]}],
            "properties": props(name, "non-executable", "archive", "structured")})
        deps[ref] = [exe_ref]
        deps[primary_ref].append(ref)
    tool_path = os.path.abspath(__file__)
    bom = {
        "bomFormat": "CycloneDX", "specVersion": "1.6", "serialNumber": None, "version": 1,
        "metadata": {
            "timestamp": datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ"),
            "tools": {"components": [{
                "type": "application", "group": "pressavo", "name": "packaging/contents.py",
                "version": hashlib.sha256(open(tool_path, "rb").read()).hexdigest()[:16],
                "description": "Reads the link map and the Debian packages of the build system",
                "hashes": file_digests(tool_path)}]},
            "authors": [{"name": CREATOR_NAME}],
            "manufacturer": creator, "supplier": creator,
            "component": {
                "type": "application", "bom-ref": primary_ref, "name": "Pressavo", "version": version,
                "description": "Makes the printer queue Pressavo the user's default printer",
                "supplier": creator, "manufacturer": creator, "licenses": lic(PROJECT_LICENCE),
                "purl": primary_ref,
                "properties": [{"name": "pressavo:build", "value": build}]}},
        "components": comps,
        "dependencies": [{"ref": r, "dependsOn": d} for r, d in deps.items()],
        "compositions": [
            {"aggregate": "complete",
             "assemblies": static_refs,
             "dependencies": [r for r in deps if r not in dll_refs]},
            # What Windows' own DLLs need in turn is Windows' business, not known here.
            {"aggregate": "unknown", "dependencies": dll_refs}]}
    if not dll_refs:
        bom["compositions"].pop()
    canonical = json.dumps(bom, sort_keys=True, separators=(",", ":")).encode()
    bom["serialNumber"] = "urn:uuid:" + str(uuid.uuid5(uuid.NAMESPACE_URL, f"{CREATOR_URL}/sbom/{epoch}/"
                                                       + hashlib.sha256(canonical).hexdigest()))
    return json.dumps(bom, indent=2, ensure_ascii=True) + "\n"


def source_date_epoch():
    value = os.environ.get("SOURCE_DATE_EPOCH", "")
    if value == "":
        return int(datetime.datetime.now(datetime.timezone.utc).timestamp())
    if not value.isdigit():
        raise Unplaced(f"SOURCE_DATE_EPOCH is not a Unix time: {value}")
    return int(value)


def write(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(tmp, path)


def main(argv):
    ap = argparse.ArgumentParser(description="Third-party notices and SBOM of a Pressavo build, from its link map")
    sub = ap.add_subparsers(dest="command", required=True)
    n = sub.add_parser("notices")
    n.add_argument("--map", required=True)
    n.add_argument("--out", required=True)
    s = sub.add_parser("sbom")
    s.add_argument("--map", required=True)
    s.add_argument("--exe", required=True)
    s.add_argument("--version", required=True)
    s.add_argument("--build", required=True, choices=["win32", "win64"])
    s.add_argument("--package", action="append", required=True)
    s.add_argument("--out", required=True)
    args = ap.parse_args(argv)
    try:
        components, dlls = inventory(args.map)
        if args.command == "notices":
            write(args.out, notices(components, dlls))
        else:
            check_imports(dlls, args.exe)
            write(args.out, sbom(components, dlls, args.exe, args.version, args.build,
                                 args.package, source_date_epoch()))
    except (Unplaced, subprocess.CalledProcessError, OSError, zipfile.BadZipFile) as e:
        print(f"contents.py: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

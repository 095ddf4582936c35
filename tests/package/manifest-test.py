#!/usr/bin/python3
"""Checks the winget and Scoop manifests and SHA256SUMS that tools/package
wrote beside the packages:

    tests/package/manifest-test.py PACKAGE_DIR RELEASE_URL

Each manifest against its JSON schema (tests/package/schemas, copies of
winget's 1.10.0 schemas and Scoop's), with Debian's python3-jsonschema; then
what a schema cannot say: each hash is that of the file its address names,
the product code is the MSI's, the files the zip must hold are in it. A copy
with a wrong hash must be caught, and make-manifests.py must refuse a missing
or non-https: address. Prints "PASS name" or "FAIL name" per check.
"""
import copy
import hashlib
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import zipfile

import jsonschema
import yaml

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parents[1]
SCHEMAS = HERE / "schemas"


def report(name, problems):
    print(("FAIL " if problems else "PASS ") + name)
    for problem in problems:
        print("    " + str(problem))


def schema_problems(document, schema_file):
    schema = json.loads((SCHEMAS / schema_file).read_text(encoding="utf-8"))
    validator = jsonschema.Draft7Validator(schema, format_checker=jsonschema.FormatChecker())
    return [f"{'/'.join(map(str, error.absolute_path)) or '(top)'}: {error.message}"
            for error in validator.iter_errors(document)]


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def file_at(url, base, folder):
    """The file in the package folder that an address published under base names."""
    if not url.startswith(base):
        return None
    return folder / url[len(base):]


def msi_product_code(msi):
    table = subprocess.run(["msiinfo", "export", str(msi), "Property"], capture_output=True, text=True,
                           check=True).stdout
    return dict(line.split("\t", 1) for line in table.splitlines()[3:] if "\t" in line).get("ProductCode")


def installer_problems(installer, base, folder):
    """What a schema cannot say of the winget installer manifest."""
    problems = []
    by_type = {entry.get("InstallerType"): entry for entry in installer.get("Installers", [])}
    for kind in ("msi", "zip"):
        entry = by_type.get(kind)
        if not entry:
            problems.append(f"no {kind} installer")
            continue
        path = file_at(entry["InstallerUrl"], base, folder)
        if not path or not path.is_file():
            problems.append(f"{entry['InstallerUrl']} is not a package published under {base}")
        elif entry["InstallerSha256"].lower() != sha256(path):
            problems.append(f"InstallerSha256 of the {kind} is not the hash of {path.name}")
        if entry.get("Scope") != "user":
            problems.append(f"the {kind} is not for the user's scope")
    msi, zip_entry = by_type.get("msi"), by_type.get("zip")
    if msi:
        path = file_at(msi["InstallerUrl"], base, folder)
        if path and path.is_file() and msi.get("ProductCode") != msi_product_code(path):
            problems.append(f"ProductCode {msi.get('ProductCode')} is not the MSI's {msi_product_code(path)}")
        if msi.get("UpgradeBehavior") != "install":
            problems.append("the MSI does not say that it installs over an earlier version")
    if zip_entry:
        nested = zip_entry.get("NestedInstallerFiles") or []
        if zip_entry.get("NestedInstallerType") != "portable" or \
                [n.get("PortableCommandAlias") for n in nested] != ["lumarind-cli"]:
            problems.append("the zip is not a portable package with the command alias lumarind-cli")
        path = file_at(zip_entry["InstallerUrl"], base, folder)
        if path and path.is_file():
            names = zipfile.ZipFile(path).namelist()
            problems += [f"{n['RelativeFilePath']} is not in the zip" for n in nested
                         if n["RelativeFilePath"].replace("\\", "/") not in names]
    return problems


def scoop_problems(scoop, base, folder):
    problems = []
    package = scoop.get("architecture", {}).get("64bit", {})
    path = file_at(package.get("url", ""), base, folder)
    if not path or not path.is_file():
        return [f"{package.get('url')} is not a package published under {base}"]
    if package.get("hash", "").lower() != sha256(path):
        problems.append(f"hash is not the hash of {path.name}")
    names = zipfile.ZipFile(path).namelist()
    inside = scoop.get("extract_dir", "")
    wanted = [scoop.get("bin")] + [shortcut[0] for shortcut in scoop.get("shortcuts", [])]
    problems += [f"{name} is not in the zip's {inside}" for name in wanted if f"{inside}/{name}" not in names]
    return problems


def winget_checks(manifests, base, folder, label):
    """Schema, agreement and hashes of one set of winget manifests; the problems found."""
    problems = []
    kinds = {m.get("ManifestType"): m for m in manifests}
    for kind in ("version", "defaultLocale", "installer"):
        if kind not in kinds:
            problems.append(f"{label}: no {kind} manifest")
            continue
        problems += [f"{label} {kind}: {p}" for p in schema_problems(kinds[kind], f"winget/manifest.{kind}.1.10.0.json")]
    if len({(m.get("PackageIdentifier"), m.get("PackageVersion"), m.get("ManifestVersion")) for m in manifests}) != 1:
        problems.append(f"{label}: the manifests name different packages, versions or manifest versions")
    if "installer" in kinds:
        problems += [f"{label}: {p}" for p in installer_problems(kinds["installer"], base, folder)]
    return problems


def main():
    folder, base = pathlib.Path(sys.argv[1]).resolve(), sys.argv[2].rstrip("/") + "/"
    version = subprocess.run(["sed", "-n", r's/^#define LUMARIND_VERSION_TEXT "\(.*\)"$/\1/p',
                              str(ROOT / "common" / "Version.h")], capture_output=True, text=True).stdout.strip()
    files = sorted((folder / "winget").glob("*.yaml"))
    manifests = [yaml.safe_load(f.read_text(encoding="utf-8")) for f in files]
    report("winget: three manifests of version 1.10.0 for this version",
           [] if len(files) == 3 and all(m.get("ManifestVersion") == "1.10.0" and m.get("PackageVersion") == version
                                         for m in manifests) else [f"{[f.name for f in files]}"])
    report("winget: each manifest valid against its schema, hashes and product code right",
           winget_checks(manifests, base, folder, "winget"))

    broken = copy.deepcopy(manifests)
    installer = next(m for m in broken if m.get("ManifestType") == "installer")
    digest = installer["Installers"][1]["InstallerSha256"]
    installer["Installers"][1]["InstallerSha256"] = ("0" if digest[0] != "0" else "1") + digest[1:]
    report("winget: a manifest with a wrong hash is caught",
           [] if winget_checks(broken, base, folder, "broken") else ["the wrong hash passed"])

    scoop = json.loads((folder / "lumarind.json").read_text(encoding="utf-8"))
    report("scoop: lumarind.json valid against its schema, hash and files right",
           schema_problems(scoop, "scoop/schema.json") + scoop_problems(scoop, base, folder) +
           ([] if scoop.get("version") == version else [f"version {scoop.get('version')}"]))
    wrong = copy.deepcopy(scoop)
    wrong["architecture"]["64bit"]["hash"] = "0" * 64
    report("scoop: a manifest with a wrong hash is caught",
           [] if scoop_problems(wrong, base, folder) else ["the wrong hash passed"])

    # The address is refused before anything is written.
    msi = next(folder.glob("Lumarind-*-win64.msi"))
    zip_file = next(folder.glob("Lumarind-*-win64.zip"))
    for url, why in ((None, "missing"), ("http://example.com/lumarind/", "http:"),
                     ("ftp://example.com/lumarind/", "ftp:"), ("https:///lumarind/", "without a host")):
        with tempfile.TemporaryDirectory() as out:
            environment = {k: v for k, v in os.environ.items() if k != "LUMARIND_RELEASE_URL"}
            if url:
                environment["LUMARIND_RELEASE_URL"] = url
            run = subprocess.run([str(ROOT / "packaging" / "make-manifests.py"), str(msi), str(zip_file), out],
                                 env=environment, capture_output=True, text=True)
            report(f"make-manifests: a release URL {why} is refused, nothing written",
                   ([] if run.returncode != 0 and "LUMARIND_RELEASE_URL" in run.stderr else
                    [f"exit status {run.returncode}: {run.stderr.strip()}"]) +
                   [f"{p.name} written" for p in pathlib.Path(out).iterdir()])

    sums = subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=folder, capture_output=True,
                          text=True)
    listed = {line.split("  ", 1)[1] for line in (folder / "SHA256SUMS").read_text().splitlines()}
    packages = {p.name for p in folder.iterdir() if p.suffix in (".msi", ".zip", ".deb", ".json")}
    packages |= {f"winget/{p.name}" for p in (folder / "winget").iterdir()}
    report("SHA256SUMS: every package and manifest, each hash right",
           ([] if sums.returncode == 0 else [sums.stdout + sums.stderr]) +
           [f"{name} is not listed" for name in sorted(packages - listed)])


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Writes the winget and Scoop manifests of a release:

    packaging/make-manifests.py MSI ZIP OUT_DIR
    packaging/make-manifests.py --check-release-url

LUMARIND_RELEASE_URL is the https: address of the folder the release's files
are published in; each package's address is that plus its name. The name,
publisher, version and copyright come from common/Version.h, the hashes
from the files, the MSI's product code from its Property table (msiinfo).

OUT_DIR gets winget/ (the multi-file manifest, version 1.10.0: version,
defaultLocale, installer) and lumarind.json (Scoop). A missing or
non-https: LUMARIND_RELEASE_URL is refused, and then nothing is written.
The second form only checks the address.
"""
import datetime
import hashlib
import json
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import urllib.parse

import yaml

ROOT = pathlib.Path(__file__).resolve().parents[1]
MANIFEST_VERSION = "1.10.0"
LOCALE = "en-US"
SHORT_DESCRIPTION = "Turns any file into a data URL (RFC 2397), in a window or on the command line."
DESCRIPTION = (
    "Lumarind writes a file as a data URL: \"data:\", the content type Windows registers for its "
    "extension, and the content in Base64. Open a file or drop one on the window, then copy the text "
    "or save it, on one line or in lines of 76 characters. lumarind-cli does the same on the command "
    "line, wraps the data URL in CSS, HTML or Markdown for web pages, percent-encodes text and decodes "
    "data URLs back into files."
)


class Refused(Exception):
    pass


def version_macro(name):
    text = (ROOT / "common" / "Version.h").read_text(encoding="utf-8")
    found = re.search(r'^#define %s "(.*)"$' % name, text, re.M)
    if not found:
        raise Refused(f"no {name} in common/Version.h")
    return found.group(1)


def release_url():
    """The base address, checked: https:, a host, no query or fragment."""
    url = os.environ.get("LUMARIND_RELEASE_URL", "")
    if not url:
        raise Refused("LUMARIND_RELEASE_URL is not set: give the https: address of the folder the "
                      "release's files are published in, such as https://example.com/lumarind/1.00.0001/")
    parts = urllib.parse.urlsplit(url)
    if parts.scheme.lower() != "https" or not parts.hostname:
        raise Refused(f"LUMARIND_RELEASE_URL must be an https: address with a host; it is '{url}'")
    if parts.query or parts.fragment or re.search(r"[\s\x00-\x1f\x7f]", url):
        raise Refused(f"LUMARIND_RELEASE_URL must name a folder, without spaces, query or fragment; it is '{url}'")
    return url.rstrip("/") + "/"


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as file:
        for block in iter(lambda: file.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest().upper()


def msi_properties(msi):
    table = subprocess.run(["msiinfo", "export", str(msi), "Property"], check=True, capture_output=True,
                           text=True).stdout
    return dict(line.split("\t", 1) for line in table.splitlines()[3:] if "\t" in line)


def commit_day():
    stamp = subprocess.run(["git", "-C", str(ROOT), "log", "-1", "--format=%ct"], capture_output=True,
                           text=True).stdout.strip() or os.environ.get("SOURCE_DATE_EPOCH", "315532800")
    return datetime.datetime.fromtimestamp(int(stamp), datetime.timezone.utc).date().isoformat()


def winget_manifests(msi, zip_file, base):
    name = version_macro("LUMARIND_INTERNAL_NAME")
    publisher = version_macro("LUMARIND_PRODUCT_NAME")
    version = version_macro("LUMARIND_VERSION_TEXT")
    identifier = f"{publisher}.{name}"
    properties = msi_properties(msi)
    head = {"PackageIdentifier": identifier, "PackageVersion": version}
    tail = {"ManifestVersion": MANIFEST_VERSION}
    version_manifest = {**head, "DefaultLocale": LOCALE, "ManifestType": "version", **tail}
    locale_manifest = {
        **head,
        "PackageLocale": LOCALE,
        "Publisher": publisher,
        "Author": version_macro("LUMARIND_COMPANY"),
        "PackageName": name,
        "PackageUrl": base,
        "License": "MIT",
        "Copyright": version_macro("LUMARIND_COPYRIGHT"),
        "ShortDescription": SHORT_DESCRIPTION,
        "Description": DESCRIPTION,
        "Moniker": name.lower(),
        "Tags": ["base64", "data-url", "rfc2397", "css", "html", "markdown"],
        "ManifestType": "defaultLocale",
        **tail,
    }
    installer_manifest = {
        **head,
        "MinimumOSVersion": "6.1.0.0",
        "ReleaseDate": commit_day(),
        "Installers": [
            {
                "Architecture": "x64",
                "InstallerType": "msi",
                "Scope": "user",
                "InstallerUrl": base + urllib.parse.quote(msi.name),
                "InstallerSha256": sha256(msi),
                "ProductCode": properties["ProductCode"],
                # The package itself replaces an earlier version.
                "UpgradeBehavior": "install",
                "AppsAndFeaturesEntries": [{
                    "DisplayName": properties["ProductName"],
                    "Publisher": properties["Manufacturer"],
                    "DisplayVersion": properties["ProductVersion"],
                    "ProductCode": properties["ProductCode"],
                    "UpgradeCode": properties["UpgradeCode"],
                }],
            },
            {
                "Architecture": "x64",
                "InstallerType": "zip",
                "NestedInstallerType": "portable",
                "NestedInstallerFiles": [
                    {"RelativeFilePath": f"{name}\\lumarind-cli.exe", "PortableCommandAlias": "lumarind-cli"},
                ],
                "Scope": "user",
                "InstallerUrl": base + urllib.parse.quote(zip_file.name),
                "InstallerSha256": sha256(zip_file),
            },
        ],
        "ManifestType": "installer",
        **tail,
    }
    return {
        f"{identifier}.yaml": ("version", version_manifest),
        f"{identifier}.locale.{LOCALE}.yaml": ("defaultLocale", locale_manifest),
        f"{identifier}.installer.yaml": ("installer", installer_manifest),
    }


def scoop_manifest(zip_file, base):
    name = version_macro("LUMARIND_INTERNAL_NAME")
    return {
        "version": version_macro("LUMARIND_VERSION_TEXT"),
        "description": SHORT_DESCRIPTION,
        "homepage": base,
        "license": "MIT",
        "architecture": {
            "64bit": {"url": base + urllib.parse.quote(zip_file.name), "hash": sha256(zip_file).lower()},
        },
        "extract_dir": name,
        "bin": "lumarind-cli.exe",
        "shortcuts": [[f"{name}.exe", name]],
    }


def write_yaml(path, kind, manifest):
    header = (f"# Made by packaging/make-manifests.py.\n"
              f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{MANIFEST_VERSION}.schema.json\n\n")
    path.write_text(header + yaml.safe_dump(manifest, sort_keys=False, allow_unicode=True, width=1000),
                    encoding="utf-8")


def main():
    try:
        if sys.argv[1:] == ["--check-release-url"]:
            release_url()
            return
        if len(sys.argv) != 4:
            sys.exit("usage: make-manifests.py MSI ZIP OUT_DIR | --check-release-url")
        base = release_url()
        msi, zip_file, out = (pathlib.Path(arg).resolve() for arg in sys.argv[1:])
        out.mkdir(parents=True, exist_ok=True)
        with tempfile.TemporaryDirectory(dir=out, prefix=".make-manifests.") as work:
            work = pathlib.Path(work)
            (work / "winget").mkdir()
            for file_name, (kind, manifest) in winget_manifests(msi, zip_file, base).items():
                write_yaml(work / "winget" / file_name, kind, manifest)
            (work / "lumarind.json").write_text(json.dumps(scoop_manifest(zip_file, base), indent=4) + "\n")
            old = out / "winget"
            if old.exists():
                for stale in old.iterdir():
                    stale.unlink()
                old.rmdir()
            (work / "winget").rename(old)
            (work / "lumarind.json").rename(out / "lumarind.json")
        print(out / "winget")
        print(out / "lumarind.json")
    except Refused as refusal:
        sys.exit(f"make-manifests: {refusal}; no manifest was made.")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Reads the application manifest back out of each built program (resource
type 24, id 1) and checks it element by element: what both programs declare,
and what only the window asks for. Prints "PASS name" or "FAIL name" a check.

    tests/manifest/check-manifests.py Lumarind.exe lumarind-cli.exe
"""
import sys
import xml.etree.ElementTree as ElementTree

import pefile

RT_MANIFEST = 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"

# Windows 7, 8, 8.1, and 10 and 11, as Microsoft's compatibility documentation
# names them.
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}
COMMON_CONTROLS_6 = {
    "type": "win32",
    "name": "Microsoft.Windows.Common-Controls",
    "version": "6.0.0.0",
    "processorArchitecture": "*",
    "publicKeyToken": "6595b64144ccf1df",
    "language": "*",
}

failures = 0


def check(name, condition):
    global failures
    print(("PASS " if condition else "FAIL ") + name)
    if not condition:
        failures += 1


def manifests_of(path):
    """The (id, bytes) of every RT_MANIFEST resource of a program file."""
    pe = pefile.PE(path)
    found = []
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in resources.entries if resources else []:
        if kind.id != RT_MANIFEST:
            continue
        for entry in kind.directory.entries:
            for language in entry.directory.entries:
                data = language.data.struct
                found.append((entry.id, pe.get_data(data.OffsetToData, data.Size)))
    return found


def text_of(root, path):
    element = root.find(path)
    return None if element is None else (element.text or "").strip()


def check_program(path, is_window):
    program = path.rsplit("/", 1)[-1]
    try:
        manifests = manifests_of(path)
    except (OSError, pefile.PEFormatError) as error:
        check(f"{program}: readable program file ({error})", False)
        return
    check(f"{program}: one manifest, id 1", [identifier for identifier, _ in manifests] == [1])
    if len(manifests) != 1:
        return
    data = manifests[0][1]
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as error:
        check(f"{program}: well-formed manifest ({error})", False)
        return
    check(f"{program}: UTF-8 XML declaration", data.startswith(b'<?xml version="1.0" encoding="UTF-8"'))
    check(f"{program}: assembly, manifest version 1.0",
          root.tag == ASM_V1 + "assembly" and root.get("manifestVersion") == "1.0")

    level = root.find(f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
                      f"{ASM_V3}requestedExecutionLevel")
    check(f"{program}: requestedExecutionLevel asInvoker, no uiAccess",
          level is not None and level.attrib == {"level": "asInvoker", "uiAccess": "false"})

    systems = [element.get("Id") for element in
               root.findall(f"{COMPATIBILITY}compatibility/{COMPATIBILITY}application/{COMPATIBILITY}supportedOS")]
    check(f"{program}: supportedOS Windows 7, 8, 8.1, 10/11", sorted(systems) == sorted(SUPPORTED_OS))

    settings = f"{ASM_V3}application/{ASM_V3}windowsSettings/"
    check(f"{program}: longPathAware true", text_of(root, settings + SETTINGS_2016 + "longPathAware") == "true")

    dpi_aware = text_of(root, settings + SETTINGS_2005 + "dpiAware")
    dpi_awareness = text_of(root, settings + SETTINGS_2016 + "dpiAwareness")
    dependencies = [element.attrib for element in
                    root.findall(f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity")]
    if is_window:
        check(f"{program}: dpiAware true/pm", dpi_aware == "true/pm")
        check(f"{program}: dpiAwareness PerMonitorV2, PerMonitor", dpi_awareness == "PerMonitorV2, PerMonitor")
        check(f"{program}: depends on Common Controls 6 only", dependencies == [COMMON_CONTROLS_6])
    else:
        check(f"{program}: no DPI awareness (draws no window)", dpi_aware is None and dpi_awareness is None)
        check(f"{program}: no dependencies", dependencies == [])


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    check_program(sys.argv[1], is_window=True)
    check_program(sys.argv[2], is_window=False)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

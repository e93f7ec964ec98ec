#!/usr/bin/env python3
"""Checks what the package target wrote beside a release ZIP: the SHA-256
file, the Scoop manifest (JSON) and the winget manifests (YAML) all name that
ZIP, its hash and its version. Usage: check_package_manifests.py ZIP VERSION
Exits non-zero, naming each fault, when any check fails."""
import hashlib
import json
import os
import sys

try:
    import yaml  # Debian's python3-yaml
except ImportError:
    sys.exit("python3-yaml is needed to check the winget manifests")


def main(zip_path, version):
    faults = []

    def check(ok, what):
        if not ok:
            faults.append(what)

    name = os.path.basename(zip_path)
    folder = os.path.dirname(zip_path)
    with open(zip_path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()

    with open(zip_path + ".sha256", encoding="utf-8") as f:
        check(f.read() == f"{digest}  {name}\n", f"{name}.sha256 does not hold '{digest}  {name}'")

    with open(os.path.join(folder, "packaging", "scoop", "tavrix.json"), encoding="utf-8") as f:
        scoop = json.load(f)
    build = scoop.get("architecture", {}).get("64bit", {})
    check(scoop.get("version") == version, "Scoop: version")
    check(build.get("url", "").endswith("/" + name), f"Scoop: url does not name {name}")
    check(build.get("hash", "").lower() == digest, "Scoop: hash is not the ZIP's")
    check(["TVX.exe", "tvx"] in scoop.get("bin", []), "Scoop: no command tvx")
    check(set(scoop.get("persist", [])) == {"TVX.dat", "TVX.hist"}, "Scoop: persist")
    # Scoop makes a folder of a persisted name that does not exist yet.
    script = "\n".join(scoop.get("pre_install", []))
    check("TVX.dat" in script and "TVX.hist" in script and "New-Item" in script,
          "Scoop: pre_install does not create the persisted files")

    winget_folder = os.path.join(folder, "packaging", "winget", version)
    docs = {}
    for kind, file in (("version", "Tavrix.Tavrix.yaml"), ("installer", "Tavrix.Tavrix.installer.yaml"),
                       ("defaultLocale", "Tavrix.Tavrix.locale.en-US.yaml")):
        with open(os.path.join(winget_folder, file), encoding="utf-8") as f:
            docs[kind] = yaml.safe_load(f)
        doc = docs[kind]
        check(isinstance(doc, dict) and doc.get("ManifestType") == kind, f"winget {file}: ManifestType")
        check(doc.get("PackageIdentifier") == "Tavrix.Tavrix", f"winget {file}: PackageIdentifier")
        check(doc.get("PackageVersion") == version, f"winget {file}: PackageVersion")
    installer = docs["installer"]
    check(installer.get("InstallerType") == "zip" and installer.get("NestedInstallerType") == "portable",
          "winget: not a portable program in a ZIP")
    check(installer.get("NestedInstallerFiles") == [{"RelativeFilePath": "TVX.exe", "PortableCommandAlias": "tvx"}],
          "winget: the command is not tvx for TVX.exe")
    entries = installer.get("Installers", [])
    check(len(entries) == 1 and entries[0].get("InstallerUrl", "").endswith("/" + name),
          f"winget: InstallerUrl does not name {name}")
    check(len(entries) == 1 and str(entries[0].get("InstallerSha256", "")).lower() == digest,
          "winget: InstallerSha256 is not the ZIP's")

    for fault in faults:
        print("!! " + fault)
    if not faults:
        print(f"== package manifests name {name} (SHA-256 {digest})")
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))

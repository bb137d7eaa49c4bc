#!/usr/bin/env python3
"""Checks the release executable as a file: a 32-bit x86 console program that imports only
Windows' own DLLs and carries version 1.0.0.0 and an application manifest.

usage: check_release.py build/windows-x86/orlavex.exe
Prints one line per check and a closing 'N passed, N failed' line; exits 1 on any failure."""
import os
import sys

import pefile

# DLLs that every Windows installation has: the system's own and the C runtime it ships.
WINDOWS_DLLS = {"kernel32.dll", "msvcrt.dll", "ntdll.dll", "user32.dll", "advapi32.dll"}
IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_SUBSYSTEM_WINDOWS_CUI = 3
RT_MANIFEST = 24


def version(high, low):
    return f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"


def manifest_of(pe):
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return ""
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_MANIFEST:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                return pe.get_data(data.OffsetToData, data.Size).decode("utf-8", "replace")
    return ""


def checks(path):
    pe = pefile.PE(path)
    imports = sorted(entry.dll.decode().lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    manifest = manifest_of(pe)
    yield "PE32 (not PE32+)", pe.OPTIONAL_HEADER.Magic == 0x10B, hex(pe.OPTIONAL_HEADER.Magic)
    yield "machine is x86", pe.FILE_HEADER.Machine == IMAGE_FILE_MACHINE_I386, hex(pe.FILE_HEADER.Machine)
    yield "console subsystem", pe.OPTIONAL_HEADER.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI, pe.OPTIONAL_HEADER.Subsystem
    yield "imports only Windows' own DLLs", bool(imports) and set(imports) <= WINDOWS_DLLS, imports
    yield "file version 1.0.0.0", fixed is not None and version(fixed.FileVersionMS, fixed.FileVersionLS) == "1.0.0.0", \
        fixed and version(fixed.FileVersionMS, fixed.FileVersionLS)
    yield "product version 1.0.0.0", fixed is not None and version(fixed.ProductVersionMS, fixed.ProductVersionLS) == "1.0.0.0", \
        fixed and version(fixed.ProductVersionMS, fixed.ProductVersionLS)
    yield "manifest runs as invoker", 'level="asInvoker"' in manifest, len(manifest)
    yield "manifest declares long-path awareness", "<longPathAware" in manifest and ">true</longPathAware>" in manifest, ""
    yield "manifest lists supported Windows versions", manifest.count("<supportedOS ") >= 5, manifest.count("<supportedOS ")


def main():
    if len(sys.argv) != 2 or not os.path.isfile(sys.argv[1]):
        sys.exit(__doc__)
    path = sys.argv[1]
    passed = failed = 0
    for name, ok, seen in checks(path):
        print(f"{'ok  ' if ok else 'FAIL'} {name} ({seen})")
        passed, failed = passed + ok, failed + (not ok)
    print(f"size: {os.path.getsize(path)} bytes")
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()

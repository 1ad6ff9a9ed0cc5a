#!/usr/bin/python3
"""Reads the built NPZqk.dll (32-bit or 64-bit) and, where given, the console
programs of the same build (the native messaging host, the 32-bit installer)
as files, independently of Windows: machine, exports, imports, size and the
raw version resource, whose entries must stand in their exact order with the
empty ones present and empty. With --describe FILE it only names the file's
machine and imports. With --release FILE... it checks each DLL and program of
the release for the protections Windows offers and the reproducible build
needs: ASLR with relocations, high-entropy ASLR for 64-bit files, DEP, no
section both writable and executable, stack protection, no time stamp."""
import os
import struct
import sys

import pefile

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll"}
EXPECTED_STRINGS = [
    ("Comments", ""),
    ("CompanyName", "Quendrix."),
    ("FileDescription", "Zqk Launcher"),
    ("FileExtents", "zqk|zqk"),
    ("FileOpenName", "Quendrix Open Tarvik Format (*.zqk)|Quendrix Open Tarvik Format (*.zqk)"),
    ("FileVersion", "2, 4, 0, 0"),
    ("InternalName", "zqkLauncher"),
    ("LegalTrademarks", ""),
    ("MIMEType", "application/x-zqk|application/x-zqk-v2"),
    ("OriginalFilename", "NPZqkv2.dll"),
    ("PrivateBuild", ""),
    ("ProductName", "Quendrix - Zqk Launcher"),
    ("ProductVersion", "2, 4, 0, 0"),
    ("SpecialBuild", ""),
]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def align4(offset):
    return (offset + 3) & ~3


def parse_block(data, offset):
    """One node of a version resource: (key, value bytes, value type, children)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_start = offset + 6
    key_end = key_start
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    position = align4(key_end + 2)
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = data[position:position + value_bytes]
    position = align4(position + value_bytes)
    children = []
    while position < end:
        child = parse_block(data, position)
        children.append(child[:4])
        position = align4(child[4])
    return key, value, value_type, children, end


def text_of(value):
    text = value.decode("utf-16-le")
    return text[:-1] if text.endswith("\0") else text


def version_resource(pe):
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != pefile.RESOURCE_TYPE["RT_VERSION"]:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                entry = language.data.struct
                data = pe.get_data(entry.OffsetToData, entry.Size)
                yield name.id, language.id, data


def check_imports(pe, what):
    imported = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    check(imported <= SYSTEM_DLLS, f"{what} imports more than system DLLs: {sorted(imported - SYSTEM_DLLS)}")
    print(f"{what} imports: {', '.join(sorted(imported))}")


MAX_LIBRARY_SIZE = 32 * 1024
# Machine and optional-header magic of each kind of Windows the plug-in is built for.
KINDS = {0x14C: ("i386", 0x10B), 0x8664: ("x86-64", 0x20B)}


def check_library(path):
    pe = pefile.PE(path)
    kind, magic = KINDS.get(pe.FILE_HEADER.Machine, ("unknown", None))
    check(magic is not None, f"NPZqk.dll is for machine {pe.FILE_HEADER.Machine:#x}")
    check(pe.OPTIONAL_HEADER.Magic == magic, f"NPZqk.dll for {kind} is not {'PE32+' if magic == 0x20B else 'PE32'}")
    size = os.path.getsize(path)
    check(size <= MAX_LIBRARY_SIZE, f"NPZqk.dll is {size} bytes, over {MAX_LIBRARY_SIZE}")
    print(f"NPZqk.dll: {kind}, {size} bytes")
    check(pe.FILE_HEADER.Characteristics & 0x2000, "NPZqk.dll is not a DLL")
    exports = pe.DIRECTORY_ENTRY_EXPORT
    check(pe.get_string_at_rva(exports.struct.Name) == b"NPZqk.dll", "export directory does not name NPZqk.dll")
    names = [(symbol.ordinal, symbol.name.decode() if symbol.name else None) for symbol in exports.symbols]
    check(sorted(names) == [(1, "NP_GetEntryPoints"), (2, "NP_Initialize"), (3, "NP_Shutdown")],
          f"exports are {names}")
    check_imports(pe, "NPZqk.dll")

    resources = list(version_resource(pe))
    check(len(resources) == 1 and resources[0][:2] == (1, 0x0409),
          f"version resources (id, language): {[r[:2] for r in resources]}")
    if not resources:
        return
    key, fixed, _, children, _ = parse_block(resources[0][2], 0)
    check(key == "VS_VERSION_INFO" and len(fixed) == 52, "not a VS_VERSION_INFO with a fixed part")
    fields = struct.unpack("<13I", fixed)
    check(fields[0] == 0xFEEF04BD, "fixed part signature")
    check(fields[2:6] == (0x00020004, 0, 0x00020004, 0), f"versions {fields[2:6]}")
    check(fields[6:13] == (0x3F, 0, 0x00040004, 2, 0, 0, 0), f"flags, OS, type, subtype, date {fields[6:13]}")
    blocks = {child[0]: child for child in children}
    check([child[0] for child in children] == ["StringFileInfo", "VarFileInfo"], "top-level blocks")
    tables = blocks.get("StringFileInfo", ("", b"", 0, []))[3]
    check([table[0] for table in tables] == ["040904e4"], f"string tables {[t[0] for t in tables]}")
    if tables:
        entries = [(entry[0], text_of(entry[1])) for entry in tables[0][3]]
        check(entries == EXPECTED_STRINGS, f"string table entries differ: {entries}")
        for name, value in entries:
            print(f"  {name} = \"{value}\"")
    variables = blocks.get("VarFileInfo", ("", b"", 0, []))[3]
    check([(v[0], v[1]) for v in variables] == [("Translation", struct.pack("<HH", 0x0409, 0x04E4))],
          "Translation is not 0x0409, 0x04E4")


def check_console_program(path, machine):
    """A program of the same build as the plug-in: for the same machine."""
    name = os.path.basename(path)
    pe = pefile.PE(path)
    check(pe.FILE_HEADER.Machine == machine, f"{name} is not for {KINDS.get(machine, ('unknown',))[0]}")
    check(pe.OPTIONAL_HEADER.Subsystem == 3, f"{name} is not a console program")
    check_imports(pe, name)
    if name != "plugin-installer.exe":
        return
    has_version = hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") and any(
        kind.id == pefile.RESOURCE_TYPE["RT_VERSION"] for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries)
    check(not has_version, "the installer carries a version resource")


DYNAMIC_BASE, NX_COMPAT, HIGH_ENTROPY_VA = 0x40, 0x100, 0x20
WRITABLE_EXECUTABLE = 0x80000000 | 0x20000000
# What the stack-protection runtime (runtime/stack_guard_win32.cpp) says when it stops a
# program; it is linked in only where some function is protected.
STACK_PROTECTOR_MESSAGE = b"NPZqk: stack buffer overrun detected"


def check_hardening(path):
    name = os.path.relpath(path)
    failed = len(failures)
    pe = pefile.PE(path)
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    wide = pe.OPTIONAL_HEADER.Magic == 0x20B
    check(flags & DYNAMIC_BASE and relocations.Size > 0, f"{name}: no ASLR with relocations")
    check(flags & NX_COMPAT, f"{name}: no DEP")
    check(not wide or flags & HIGH_ENTROPY_VA, f"{name}: no high-entropy ASLR")
    both = [s.Name.rstrip(b"\0").decode() for s in pe.sections if s.Characteristics & WRITABLE_EXECUTABLE ==
            WRITABLE_EXECUTABLE]
    check(not both, f"{name}: sections both writable and executable: {both}")
    check(pe.__data__.find(STACK_PROTECTOR_MESSAGE) != -1, f"{name}: no stack protection")
    stamps = [pe.FILE_HEADER.TimeDateStamp]
    if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        stamps.append(pe.DIRECTORY_ENTRY_EXPORT.struct.TimeDateStamp)
    check(stamps == [0] * len(stamps), f"{name}: time stamps {stamps}")
    if len(failures) == failed:
        print(f"{name}: ASLR{', high-entropy' if wide else ''}, DEP, no W+X section, stack protection, no time stamp")


def describe(path):
    """One line for the release listing: the machine and the imported DLLs."""
    pe = pefile.PE(path)
    kind = KINDS.get(pe.FILE_HEADER.Machine, ("unknown", None))[0]
    print(kind, "imports:", " ".join(entry.dll.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT))


def main():
    if sys.argv[1] == "--describe":
        describe(sys.argv[2])
        return 0
    if sys.argv[1] == "--release":
        for path in sys.argv[2:]:
            check_hardening(path)
        for failure in failures:
            print("FAILED:", failure)
        return 1 if failures else 0
    else:
        check_library(sys.argv[1])
        machine = pefile.PE(sys.argv[1], fast_load=True).FILE_HEADER.Machine
        for program in sys.argv[2:]:
            check_console_program(program, machine)
    for failure in failures:
        print("FAILED:", failure)
    print(f"pe: {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

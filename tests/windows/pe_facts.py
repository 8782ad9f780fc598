#!/usr/bin/env python3
"""Reads the shipped Windows binaries' PE headers back from the files and checks, for
the architecture they were built for, what Windows relies on when it loads them:
  pe_facts.py ARCH VERSION BIN_DIR   (ARCH: x64, x86 or arm64)
the machine type, the exports, imports of Windows system DLLs only, ASLR (with the
relocations it needs), DEP, high-entropy VA on 64-bit, and the version resource."""
import struct
import sys

# architecture: machine, optional header magic, high-entropy VA expected
ARCHITECTURES = {
    "x86": (0x014C, 0x10B, False),
    "x64": (0x8664, 0x20B, True),
    "arm64": (0xAA64, 0x20B, True),
}
# file: its exports
BINARIES = {
    "orvelle.dll": {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                    "DllUnregisterServer", "DllInstall"},
    "orvelle-thumbhost.exe": set(),
}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll",
               "oleaut32.dll", "shell32.dll", "shlwapi.dll", "msvcrt.dll"}
DYNAMIC_BASE, NX_COMPAT, HIGH_ENTROPY_VA = 0x40, 0x100, 0x20
RT_VERSION = 16


class Image:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from(
            "<HHIIIHH", self.data, pe + 4)
        optional = pe + 24
        self.magic = self.u16(optional)
        self.dll_characteristics = self.u16(optional + 70)
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i)
                            for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", self.data, table + 40 * i + 8)
                         for i in range(sections)]

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def exports(self):
        rva, size = self.directories[0]
        if not size:
            return set()
        directory = self.offset(rva)
        count, names = self.u32(directory + 24), self.u32(directory + 32)
        return {self.text(self.u32(self.offset(names) + 4 * i)) for i in range(count)}

    def imports(self):
        descriptor = self.offset(self.directories[1][0])
        names = []
        while self.u32(descriptor + 12):
            names.append(self.text(self.u32(descriptor + 12)))
            descriptor += 20
        return names

    def version_resource(self):
        """The fixed file version and the FileVersion string of the first RT_VERSION."""
        base = self.offset(self.directories[2][0])
        entry = base
        for wanted in (RT_VERSION, None, None):  # type, then any name, any language
            count = self.u16(entry + 12) + self.u16(entry + 14)
            for i in range(count):
                name, target = struct.unpack_from("<II", self.data, entry + 16 + 8 * i)
                if wanted is None or name == wanted:
                    break
            else:
                raise ValueError("no version resource")
            entry = base + (target & 0x7FFFFFFF)
        rva, size = struct.unpack_from("<II", self.data, entry)
        block = self.data[self.offset(rva):self.offset(rva) + size]
        fixed = block.index(struct.pack("<I", 0xFEEF04BD))
        high, low = struct.unpack_from("<II", block, fixed + 8)
        numbers = (high >> 16, high & 0xFFFF, low >> 16)
        key = "FileVersion\0".encode("utf-16-le")
        start = block.index(key) + len(key)
        start += start % 4  # values start on a 32-bit boundary
        end = start
        while block[end:end + 2] != b"\0\0":
            end += 2
        return numbers, block[start:end].decode("utf-16-le")


def check(path, arch, version, exports):
    machine, magic, high_entropy = ARCHITECTURES[arch]
    image = Image(path)
    faults = []
    if image.machine != machine:
        faults.append(f"machine {image.machine:#06x}, not {machine:#06x}")
    if image.magic != magic:
        faults.append(f"optional header magic {image.magic:#x}, not {magic:#x}")
    for flag, name, wanted in ((DYNAMIC_BASE, "ASLR", True), (NX_COMPAT, "DEP", True),
                               (HIGH_ENTROPY_VA, "high-entropy VA", high_entropy)):
        if wanted and not image.dll_characteristics & flag:
            faults.append(f"no {name}")
    if not image.directories[5][1]:
        faults.append("no relocations, so ASLR cannot move it")
    if image.exports() != exports:
        faults.append(f"exports {sorted(image.exports())}")
    foreign = [name for name in image.imports() if name.lower() not in SYSTEM_DLLS]
    if foreign:
        faults.append(f"imports non-system DLLs {foreign}")
    numbers, text = image.version_resource()
    if numbers != tuple(int(part) for part in version.split(".")) or text != version:
        faults.append(f"version resource {numbers} {text!r}, not {version}")
    return faults


def main():
    arch, version, bin_dir = sys.argv[1:4]
    failed = False
    for name, exports in BINARIES.items():
        faults = check(f"{bin_dir}/{name}", arch, version, exports)
        print(f"{name} ({arch}): " + ("; ".join(faults) if faults else "ok"))
        failed |= bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

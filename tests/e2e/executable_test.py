"""What procsweep.exe carries for the installers that embed it: the DLLs it imports, its
application manifest and its version information, read from the executable file itself."""

import os
import re
import shutil
import struct
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree

from tests.e2e.harness import PROCSWEEP_EXE as EXE
from tools.windows_programs import SOURCE_DIR

# Known DLLs and the C runtime: nothing that a file planted beside the executable could replace.
ALLOWED_DLLS = {"kernel32.dll", "msvcrt.dll"}
# Any of these searches the application's folder unless the search was restricted first; only
# LoadLibraryExW with an explicit search flag is used. SetDefaultDllDirectories is looked up
# at run time: imported, it would stop the program from starting on a Windows 7 without it.
REFUSED_IMPORTS = {"LoadLibraryA", "LoadLibraryW", "LoadLibraryExA", "SetDefaultDllDirectories"}
# Words that Windows' installer detection looks for in version strings.
INSTALLER_WORDS = ("install", "setup", "update")

RT_VERSION = 16
RT_MANIFEST = 24
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


class PeFile:
    """The parts of a PE32+ image that these tests read: imports and resources."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        section_count, optional_size = struct.unpack_from("<2xH12xH", data, pe + 4)
        optional = pe + 24
        magic, self.subsystem = struct.unpack_from("<H", data, optional)[0], \
            struct.unpack_from("<H", data, optional + 68)[0]
        if magic != 0x20B:
            raise ValueError("not a PE32+ image")
        directory_count = struct.unpack_from("<I", data, optional + 108)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i)
                            for i in range(directory_count)]
        self.sections = []
        for i in range(section_count):
            entry = optional + optional_size + 40 * i
            name = data[entry:entry + 8].rstrip(b"\0").decode("ascii")
            virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from(
                "<IIII", data, entry + 8)
            self.sections.append((name, virtual_address, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for _, address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError(f"address {rva:#x} is in no section")

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """{dll name: [function names]} from the import directory."""
        rva, _ = self.directories[1]
        result = {}
        descriptor = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, descriptor)
            if name == 0:
                return result
            functions = []
            entry = self.offset(lookup or thunks)
            while True:
                value = struct.unpack_from("<Q", self.data, entry)[0]
                if value == 0:
                    break
                if value & (1 << 63):
                    functions.append(f"#{value & 0xFFFF}")
                else:
                    functions.append(self.c_string((value & 0x7FFFFFFF) + 2))
                entry += 8
            result[self.c_string(name)] = functions
            descriptor += 20

    def resources(self):
        """{(type, name, language): bytes} from the resource tree."""
        rva, _ = self.directories[2]
        if rva == 0:
            return {}
        base = self.offset(rva)
        found = {}

        def entries(directory):
            named, numbered = struct.unpack_from("<12xHH", self.data, base + directory)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if ident & 0x80000000:
                    at = base + (ident & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    ident = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield ident, target

        for kind, types in entries(0):
            for name, names in entries(types & 0x7FFFFFFF):
                for language, leaf in entries(names & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        raise ValueError("resource tree deeper than three levels")
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found[(kind, name, language)] = self.data[start:start + size]
        return found


def version_blocks(data, offset=0):
    """Parses one VERSIONINFO block: (key, value, children), value as bytes or text."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_start = offset + 6
    key_end = key_start
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    if kind == 1:
        # Text values count UTF-16 units, the terminating NUL included.
        value = data[position:position + 2 * value_length].decode("utf-16-le").rstrip("\0")
        position += 2 * value_length
    else:
        value = data[position:position + value_length]
        position += value_length
    children = []
    position = (position + 3) & ~3
    while position < end:
        child, child_end = version_blocks(data, position)
        children.append(child)
        position = (child_end + 3) & ~3
    return (key, value, children), end


def project_version():
    with open(os.path.join(SOURCE_DIR, "CMakeLists.txt"), encoding="utf-8") as f:
        match = re.search(r"project\(procsweep\s+VERSION\s+([0-9.]+)", f.read())
    return match.group(1)


class ExecutableTest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        with open(EXE, "rb") as f:
            cls.pe = PeFile(f.read())
        cls.resources = cls.pe.resources()

    def resource(self, kind):
        found = {key: data for key, data in self.resources.items() if key[0] == kind}
        self.assertEqual(len(found), 1, f"resources of type {kind}: {sorted(found)}")
        (key, data), = found.items()
        self.assertEqual(key[1], 1, f"resource name of type {kind}")
        return data

    def test_imports_only_known_system_dlls_and_no_unrestricted_library_loading(self):
        imports = self.pe.imports()
        self.assertLessEqual({name.lower() for name in imports}, ALLOWED_DLLS, imports)
        self.assertIn("kernel32.dll", {name.lower() for name in imports})
        functions = {function for names in imports.values() for function in names}
        self.assertEqual(functions & REFUSED_IMPORTS, set())
        self.assertIn("LoadLibraryExW", functions)

    @unittest.skipUnless(shutil.which("x86_64-w64-mingw32-objdump"), "no mingw-w64 objdump")
    def test_objdump_lists_the_same_dlls(self):
        listing = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", EXE], check=True,
                                 stdout=subprocess.PIPE, text=True).stdout
        dlls = re.findall(r"DLL Name: (\S+)", listing)
        self.assertEqual(sorted(dlls), sorted(self.pe.imports()))

    def test_is_a_console_program(self):
        # Installers read its standard output: a GUI subsystem program gets no console handles.
        self.assertEqual(self.pe.subsystem, 3)

    def test_manifest_runs_as_invoker_on_windows_7_to_11_with_long_paths(self):
        text = self.resource(RT_MANIFEST).decode("utf-8")
        root = ElementTree.fromstring(text)
        elements = {element.tag.rsplit("}", 1)[-1]: element for element in root.iter()}
        level = elements["requestedExecutionLevel"]
        self.assertEqual((level.get("level"), level.get("uiAccess", "false")),
                         ("asInvoker", "false"))
        supported = {element.get("Id").lower() for element in root.iter()
                     if element.tag.endswith("}supportedOS")}
        self.assertEqual(supported, set(SUPPORTED_OS))
        self.assertEqual(elements["longPathAware"].text.strip().lower(), "true")
        # A UTF-8 active code page would change what standard output is written in.
        self.assertNotIn("activeCodePage", elements)

    def test_version_information_names_the_product_and_its_version(self):
        (key, fixed, children), _ = version_blocks(self.resource(RT_VERSION))
        self.assertEqual(key, "VS_VERSION_INFO")
        signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from(
            "<6I", fixed)
        self.assertEqual(signature, 0xFEEF04BD)
        expected = [int(part) for part in project_version().split(".")]
        expected += [0] * (4 - len(expected))
        for ms, ls in [(file_ms, file_ls), (product_ms, product_ls)]:
            self.assertEqual([ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF], expected)
        strings = {}
        for child_key, _, tables in children:
            if child_key == "StringFileInfo":
                for _, _, values in tables:
                    strings.update({name: value for name, value, _ in values})
        self.assertEqual(strings.get("ProductName"), "procsweep")
        self.assertEqual(strings.get("ProductVersion"), project_version())
        self.assertEqual(strings.get("FileVersion"), project_version())
        self.assertEqual(strings.get("OriginalFilename"), "procsweep.exe")

    def test_no_resource_holds_a_word_that_installer_detection_looks_for(self):
        for key, data in self.resources.items():
            for encoding in ("utf-16-le", "latin-1"):
                text = data.decode(encoding, errors="replace").lower()
                for word in INSTALLER_WORDS:
                    with self.subTest(resource=key, encoding=encoding, word=word):
                        self.assertNotIn(word, text)


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""Checks a built program as Windows will load it: PE machine and subsystem,
imported DLLs, size, and the resources as compiled (dialog 102 control by
control, icon group 128, version, manifest), not as the .rc text says.

Usage: check_program.py snapcopy|snapsetup PROGRAM.exe i686|x86_64
       check_program.py settings_check settings_check.dll i686|x86_64
       check_program.py keepsnap_menu keepsnap_menu.dll x86_64
The installer's check is a DLL that msiexec loads: machine, imports, the
entry the package names, and that it loads nothing itself. The Windows 11
menu's DLL is loaded by Explorer's surrogate: x86_64 alone, system imports,
exactly the two COM exports, and small.
Prints one line per check; exits 1 if any failed.
"""
import re
import os
import struct
import subprocess
import sys

WS_POPUP, WS_CHILD, WS_VISIBLE, WS_CAPTION = 0x80000000, 0x40000000, 0x10000000, 0x00C00000
WS_BORDER, WS_SYSMENU, WS_GROUP, WS_TABSTOP = 0x00800000, 0x00080000, 0x00020000, 0x00010000
DS_SYSMODAL, DS_SETFONT, DS_MODALFRAME = 0x02, 0x40, 0x80
WS_EX_APPWINDOW = 0x00040000
BS_DEFPUSHBUTTON, BS_AUTORADIOBUTTON, SS_CENTER, ES_AUTOHSCROLL = 0x1, 0x9, 0x1, 0x80
BUTTON, EDIT, STATIC = 'button', 'edit', 'static'
# A class may be stored as its predefined ordinal or by name: both load the same.
ORDINALS = {0x80: BUTTON, 0x81: EDIT, 0x82: STATIC}
CHILD = WS_CHILD | WS_VISIBLE
RADIO = CHILD | BS_AUTORADIOBUTTON

DIALOGS = {
    'snapcopy': {
        'caption': 'Enter New File Name', 'rect': (0, 0, 225, 114),
        'style': WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_SYSMODAL,
        'controls': [
            (BUTTON, 1, 'OK', (55, 57, 50, 14), CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP),
            (BUTTON, 2, 'Cancel', (123, 57, 50, 14), CHILD | WS_TABSTOP),
            (EDIT, 1000, '', (55, 32, 117, 13), CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
        ],
        'level': 'asInvoker',
        'description': 'Morvane Keepsnap backup command',
    },
    'snapsetup': {
        'caption': 'Morvane Keepsnap Setup', 'rect': (0, 0, 320, 250),
        'style': WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
        'controls': [
            (STATIC, -1, 'This program will allow you to update your Morvane Keepsnap property settings',
             (23, 17, 281, 10), CHILD | SS_CENTER | WS_GROUP),
            (STATIC, -1, 'Select Date Format', (69, 39, 121, 11), CHILD | WS_GROUP),
            (BUTTON, 1004, 'yyyy/mm/dd', (69, 53, 82, 8), RADIO | WS_GROUP),
            (BUTTON, 1005, 'mm/dd/yyyy', (69, 64, 123, 8), RADIO),
            (STATIC, -1, 'Select Date Separator', (69, 78, 121, 11), CHILD | WS_GROUP),
            (BUTTON, 1007, 'No Separatar -  (e.g. 01141970)', (69, 92, 120, 8), RADIO | WS_GROUP),
            (BUTTON, 1009, '-    Dash (e.g. 01-14-1970)', (69, 102, 120, 8), RADIO),
            (BUTTON, 1013, '_   Underscore (e.g. 01_14_1970)', (69, 112, 125, 9), RADIO),
            (BUTTON, 1018, '.    Period (e.g. 01.14.1970)', (69, 122, 127, 11), RADIO),
            (STATIC, -1, 'Select Backup Date', (69, 138, 75, 8), CHILD | WS_GROUP),
            (BUTTON, 1015, 'Use file last modified date', (69, 149, 99, 11), RADIO | WS_GROUP),
            (BUTTON, 1016, 'Use system date', (69, 159, 101, 11), RADIO),
            (STATIC, -1, 'Backup Folder Name', (69, 174, 78, 8), CHILD | WS_GROUP),
            (EDIT, 1017, '', (69, 186, 66, 12), CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
            (BUTTON, 1, 'Update', (71, 214, 50, 14), CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP),
            (BUTTON, 2, 'Cancel', (131, 214, 50, 14), CHILD | WS_TABSTOP),
            (BUTTON, 1020, 'Help', (191, 214, 50, 14), WS_CHILD | WS_TABSTOP),
        ],
        'level': 'requireAdministrator',
        'description': 'Morvane Keepsnap setup',
    },
}

# Known DLLs: Windows always loads these from the system folder, whatever
# lies beside the program (comctl32, for one, is not among them).
KNOWN_DLLS = {'kernel32.dll', 'user32.dll', 'gdi32.dll', 'advapi32.dll', 'shell32.dll', 'msvcrt.dll',
              'comdlg32.dll', 'ole32.dll', 'shlwapi.dll'}
MAX_SIZE = 256 * 1024

failures = []


def check(ok, what):
    print(('ok   ' if ok else 'FAIL ') + what)
    if not ok:
        failures.append(what)


def resource(exe, rtype, name):
    return subprocess.run(['wrestool', '-x', '--raw', '--type=%d' % rtype, '--name=%d' % name, exe],
                          check=True, capture_output=True).stdout


def sz_or_ord(data, pos):
    first = struct.unpack_from('<H', data, pos)[0]
    if first == 0xFFFF:
        return struct.unpack_from('<H', data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from('<H', data, end)[0] != 0:
        end += 2
    return data[pos:end].decode('utf-16-le'), end + 2


def parse_dialog(data):
    ver, sig, _help, exstyle, style, count, x, y, cx, cy = struct.unpack_from('<HHIIIHhhhh', data, 0)
    pos = 26
    menu, pos = sz_or_ord(data, pos)
    klass, pos = sz_or_ord(data, pos)
    title, pos = sz_or_ord(data, pos)
    font = None
    if style & DS_SETFONT:
        points, weight, italic, charset = struct.unpack_from('<HHBB', data, pos)
        face, pos = sz_or_ord(data, pos + 6)
        font = (points, face)
    controls = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        _help, cexstyle, cstyle, x2, y2, w2, h2, cid = struct.unpack_from('<IIIhhhhi', data, pos)
        pos += 24
        cclass, pos = sz_or_ord(data, pos)
        cclass = ORDINALS.get(cclass, cclass).lower() if isinstance(cclass, int) else cclass.lower()
        ctext, pos = sz_or_ord(data, pos)
        extra = struct.unpack_from('<H', data, pos)[0]
        pos += 2 + extra
        controls.append((cclass, cid, ctext, (x2, y2, w2, h2), cstyle, cexstyle))
    return dict(ver=ver, sig=sig, exstyle=exstyle, style=style, rect=(x, y, cx, cy), menu=menu,
                klass=klass, title=title, font=font, controls=controls)


def product_fact(name):
    """A fact of product.env, beside this project's root."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'product.env')
    for line in open(path, encoding='utf-8'):
        if line.startswith(name + "='"):
            return line.strip()[len(name) + 2:-1]
    raise SystemExit('product.env gives no ' + name)


def version_strings(data):
    """The String entries of a VS_VERSIONINFO. Each block is wLength,
    wValueLength, wType, a UTF-16 key, padding to 4 bytes, then its value
    (the root's is the fixed part) and its children."""
    strings = {}

    def walk(pos, end, path):
        while pos + 6 <= end:
            length, value_length, kind = struct.unpack_from('<HHH', data, pos)
            if length == 0:
                break
            key, body = sz_or_ord(data, pos + 6)
            body = (body + 3) & ~3
            if path == ['VS_VERSION_INFO', 'StringFileInfo', '040904b0']:
                strings[key] = data[body:body + 2 * value_length].decode('utf-16-le').rstrip('\0')
            elif not path or path[-1] != 'VarFileInfo':
                skip = value_length if key == 'VS_VERSION_INFO' else 0
                walk((body + skip + 3) & ~3, pos + length, path + [key])
            pos = (pos + length + 3) & ~3

    walk(0, len(data), [])
    return strings


def check_installer_dll(header, exe):
    """msiexec loads it from a temporary folder, in its own process: it must
    need nothing but what every msiexec has, and load nothing itself, so that
    no DLL lying beside the package is ever taken up."""
    characteristics = int(header.split('Characteristics 0x')[1].split()[0], 16)
    check(characteristics & 0x2000 != 0, 'a DLL')
    dlls = sorted(line.split()[-1].lower() for line in header.splitlines() if 'DLL Name:' in line)
    check(set(dlls) <= KNOWN_DLLS | {'msi.dll'}, 'imports only system DLLs: ' + ' '.join(dlls))
    # Every DLL it could load by name, from its own text in either width:
    # system DLLs only. (The i686 run-time's start code names libgcc's DLL,
    # but takes it up only where the process has it loaded already.)
    data = open(exe, 'rb').read()
    named = set(n.decode().lower() for n in re.findall(rb'[A-Za-z0-9_.-]+\.dll', data))
    named |= set(n.decode('utf-16-le').lower() for n in re.findall(rb'(?:[A-Za-z0-9_.-]\0)+\.\0d\0l\0l\0', data))
    # The Windows Runtime's calls and the system's version are looked up in
    # combase.dll and ntdll.dll, both system DLLs.
    loadable = KNOWN_DLLS | {'msi.dll', 'settings_check.dll', 'libgcc_s_dw2-1.dll', 'combase.dll', 'ntdll.dll'}
    check(named <= loadable, 'names no DLL but system ones: %s' % ' '.join(sorted(named - loadable) or sorted(named)))
    check(' CheckSettings\n' in header.split('Export Name Pointer Table', 1)[-1] or
          '] CheckSettings\n' in header, 'exports CheckSettings, undecorated')
    size = len(open(exe, 'rb').read())
    check(size < MAX_SIZE, 'size %d bytes, under %d' % (size, MAX_SIZE))
    print('%s: %d checks failed' % (exe, len(failures)) if failures else 'settings_check: all checks passed')
    return 1 if failures else 0


def check_menu_dll(header, exe):
    characteristics = int(header.split('Characteristics 0x')[1].split()[0], 16)
    check(characteristics & 0x2000 != 0, 'a DLL')
    dlls = sorted(line.split()[-1].lower() for line in header.splitlines() if 'DLL Name:' in line)
    check(set(dlls) <= KNOWN_DLLS, 'imports only system DLLs: ' + ' '.join(dlls))
    table = header.split('[Ordinal/Name Pointer] Table', 1)[-1].split('\n\n', 1)[0]
    exports = sorted(re.findall(r'\]\s+(\S+)', table))
    check(exports == ['DllCanUnloadNow', 'DllGetClassObject'], 'exports exactly DllGetClassObject and DllCanUnloadNow: '
          + ' '.join(exports))
    size = len(open(exe, 'rb').read())
    check(size < 128 * 1024, 'size %d bytes, under %d' % (size, 128 * 1024))
    print('%s: %d checks failed' % (exe, len(failures)) if failures else 'keepsnap_menu: all checks passed')
    return 1 if failures else 0


def main():
    program, exe, arch = sys.argv[1:4]
    prefix = 'i686' if arch == 'i686' else 'x86_64'
    print('%s (%s): %s' % (program, arch, exe))

    header = subprocess.run(['%s-w64-mingw32-objdump' % prefix, '-p', exe], check=True,
                            capture_output=True, text=True).stdout
    fmt = 'pei-i386' if arch == 'i686' else 'pei-x86-64'
    check('file format ' + fmt in header, 'PE machine ' + fmt)
    if program == 'settings_check':
        return check_installer_dll(header, exe)
    if program == 'keepsnap_menu':
        return check_menu_dll(header, exe)
    expected = DIALOGS[program]
    check('(Windows GUI)' in header, 'GUI subsystem')
    dlls = sorted(line.split()[-1].lower() for line in header.splitlines() if 'DLL Name:' in line)
    check(set(dlls) <= KNOWN_DLLS, 'imports only known DLLs: ' + ' '.join(dlls))
    # Looked up by name at start (not every Windows has it), with the older
    # call imported as the fallback.
    check(b'SetDefaultDllDirectories\0' in open(exe, 'rb').read() and 'SetDllDirectoryA' in header,
          'restricts the DLL search to the system folder')
    size = len(open(exe, 'rb').read())
    check(size < MAX_SIZE, 'size %d bytes, under %d' % (size, MAX_SIZE))

    d = parse_dialog(resource(exe, 5, 102))
    check(d['ver'] == 1 and d['sig'] == 0xFFFF, 'dialog 102 is an extended template')
    check(d['title'] == expected['caption'], 'caption %r' % d['title'])
    check(d['rect'] == expected['rect'], 'place and size %s' % (d['rect'],))
    check(d['style'] == expected['style'], 'dialog style %#010x (expected %#010x)' % (d['style'], expected['style']))
    check(d['exstyle'] == WS_EX_APPWINDOW, 'dialog extended style %#x' % d['exstyle'])
    check(d['font'] == (8, 'MS Sans Serif'), 'font %s' % (d['font'],))
    check(len(d['controls']) == len(expected['controls']), '%d controls' % len(d['controls']))
    for got, want in zip(d['controls'], expected['controls']):
        cclass, cid, text, rect, style, exstyle = got
        wclass, wid, wtext, wrect, wstyle = want
        same = (cclass, cid, text, rect, style, exstyle) == (wclass, wid, wtext, wrect, wstyle, 0)
        check(same, 'control %d %r: class %s at %s style %#010x' % (cid, text, cclass, rect, style) +
              ('' if same else ' (expected class %s at %s style %#010x)' % (wclass, wrect, wstyle)))

    group = resource(exe, 14, 128)
    _res, kind, count = struct.unpack_from('<HHH', group, 0)
    sizes = sorted(struct.unpack_from('<B', group, 6 + 14 * i)[0] for i in range(count))
    check(kind == 1 and sizes == [16, 32], 'icon group 128 holds 32x32 and 16x16: %s' % sizes)

    version = resource(exe, 16, 1)
    at = version.find(struct.pack('<I', 0xFEEF04BD))
    fixed = struct.unpack_from('<13I', version, at)
    # The version is the one product.env gives; the texts are stated here.
    numbers = [int(n) for n in product_fact('KEEPSNAP_VERSION').split('.')]
    packed = ((numbers[0] << 16) | numbers[1], numbers[2] << 16)
    check(fixed[2:6] == packed * 2, 'file and product version %d.%d.%d.0' % tuple(numbers))
    check(fixed[8] == 0x4 and fixed[9] == 0x1, 'FILEOS VOS__WINDOWS32, FILETYPE VFT_APP')
    check('040904b0'.encode('utf-16-le') in version, 'string table US English, Unicode')
    check(struct.pack('<HH', 0x409, 1200) in version, 'translation 0x409, 1200')
    strings = version_strings(version)
    want = {'CompanyName': 'Morvane', 'FileDescription': expected['description'], 'FileVersion': '%d, %d, %d, 0' % tuple(numbers),
            'InternalName': program, 'OriginalFilename': program + '.exe', 'ProductName': 'Morvane Keepsnap',
            'ProductVersion': '%d, %d, %d, 0' % tuple(numbers)}
    check(strings == want, 'version strings %s' % sorted(strings.items()) +
          ('' if strings == want else ' (expected %s)' % sorted(want.items())))

    manifest = resource(exe, 24, 1).decode('utf-8')
    check('level="%s"' % expected['level'] in manifest, 'manifest asks for ' + expected['level'])
    check('Microsoft.Windows.Common-Controls' in manifest and 'dpiAware' in manifest and
          'supportedOS' in manifest, 'manifest: common controls 6, DPI awareness, supported Windows')
    check('<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>'
          in manifest, 'manifest: UTF-8 active code page')
    check('<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>'
          in manifest, 'manifest: long paths')

    print('%s: %d checks failed' % (program, len(failures)) if failures else '%s: all checks passed' % program)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env python3
"""The Windows 11 menu's package (an MSIX with an external location).

  menu_package.py pack OUT.msix [--certificate CERT.pem]
      the package from release/menu-package and the product's facts (the
      environment scripts/product.sh exports); with a certificate, refuses
      to pack when its subject is not the package's Publisher
  menu_package.py repack DIR OUT.msix
      the files of DIR packed as a package (block map and content types made
      for them), for the checks' proofs
  menu_package.py check PACKAGE.msix [--certificate CERT.pem]
      the block map against every file's bytes, the content types, and the
      manifest: its elements, their namespaces, the class IDs agreeing, the
      product's version, the Publisher (and the certificate's subject)

The payload first, then AppxBlockMap.xml, then [Content_Types].xml: the
order the format requires. The payload is stored, not compressed, with
fixed times, so that the same sources give the same bytes.
"""
import base64
import hashlib
import os
import re
import struct
import subprocess
import sys
import zipfile
import zlib
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCES = os.path.join(ROOT, 'release', 'menu-package')
BLOCK = 64 * 1024
BLOCKMAP_NS = 'http://schemas.microsoft.com/appx/2010/blockmap'
TYPES_NS = 'http://schemas.openxmlformats.org/package/2006/content-types'
SHA256 = 'http://www.w3.org/2001/04/xmlenc#sha256'
FIXED_TIME = (2000, 1, 1, 0, 0, 0)
CONTENT_TYPES = {'png': 'image/png'}
OVERRIDES = {'/AppxManifest.xml': 'application/vnd.ms-appx.manifest+xml',
             '/AppxBlockMap.xml': 'application/vnd.ms-appx.blockmap+xml'}
NS = {
    'm': 'http://schemas.microsoft.com/appx/manifest/foundation/windows10',
    'uap': 'http://schemas.microsoft.com/appx/manifest/uap/windows10',
    'uap10': 'http://schemas.microsoft.com/appx/manifest/uap/windows10/10',
    'desktop4': 'http://schemas.microsoft.com/appx/manifest/desktop/windows10/4',
    'desktop5': 'http://schemas.microsoft.com/appx/manifest/desktop/windows10/5',
    'com': 'http://schemas.microsoft.com/appx/manifest/com/windows10',
    'rescap': 'http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities',
}
# The logos, made from the programs' own icon: name and side in pixels.
LOGOS = [('Assets/StoreLogo.png', 50), ('Assets/Square44x44Logo.png', 44), ('Assets/Square150x150Logo.png', 150)]


def fail(message):
    sys.exit('menu_package: ' + message)


def fact(name):
    if name not in os.environ:
        fail('no product fact %s (source scripts/product.sh)' % name)
    return os.environ[name]


def subject_of(certificate):
    """The certificate's subject as Windows writes it: most specific first, ", " between."""
    out = subprocess.run(['openssl', 'x509', '-noout', '-subject', '-nameopt', 'RFC2253', '-in', certificate],
                         check=True, capture_output=True, text=True).stdout.strip()
    rfc2253 = out[len('subject='):].strip()
    return ', '.join(part for part in re.split(r'(?<!\\),', rfc2253))


# The logos: the icon's largest 32-bit image, scaled, as PNG.
def icon_pixels():
    data = open(os.path.join(ROOT, 'resources', 'keepsnap.ico'), 'rb').read()
    count = struct.unpack('<H', data[4:6])[0]
    best = None
    for i in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack('<BBBBHHII', data[6 + 16 * i:22 + 16 * i])
        side = width or 256
        if bits == 32 and (best is None or side > best[0]):
            best = (side, offset)
    if best is None:
        fail('resources/keepsnap.ico has no 32-bit image')
    side, offset = best
    header = struct.unpack('<I', data[offset:offset + 4])[0]
    pixels = data[offset + header:offset + header + side * side * 4]
    rows = [pixels[(side - 1 - y) * side * 4:(side - y) * side * 4] for y in range(side)]  # bottom-up
    return side, [[(r[x * 4 + 2], r[x * 4 + 1], r[x * 4], r[x * 4 + 3]) for x in range(side)] for r in rows]


def png(side, source):
    source_side, pixels = source
    raw = bytearray()
    for y in range(side):
        raw.append(0)
        for x in range(side):
            raw.extend(pixels[y * source_side // side][x * source_side // side])

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', side, side, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def manifest_text():
    template = open(os.path.join(SOURCES, 'AppxManifest.xml.in'), encoding='utf-8').read()
    values = dict(os.environ)
    values['KEEPSNAP_MENU_CLSID_BARE'] = fact('KEEPSNAP_MENU_CLSID').strip('{}')

    def value(match):
        if match.group(1) not in values:
            fail('AppxManifest.xml.in: no product fact %s' % match.group(1))
        return values[match.group(1)]
    return re.sub(r'@(KEEPSNAP_[A-Z_]+)@', value, template)


# Writing the package.
def write_package(files, out):
    """files: (name with "/", bytes) in the order they go, the payload."""
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_STORED) as package:
        entries = []
        for name, body in files:
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.external_attr = 0o644 << 16
            package.writestr(info, body)
            entries.append((name, body, 30 + len(name.encode('utf-8'))))  # no extra field
        blockmap = ['<?xml version="1.0" encoding="UTF-8" standalone="no"?>',
                    '<BlockMap xmlns="%s" HashMethod="%s">' % (BLOCKMAP_NS, SHA256)]
        for name, body, header in entries:
            blockmap.append('<File Name="%s" Size="%d" LfhSize="%d">' % (name.replace('/', '\\'), len(body), header))
            for at in range(0, len(body), BLOCK):
                digest = base64.b64encode(hashlib.sha256(body[at:at + BLOCK]).digest()).decode()
                blockmap.append('<Block Hash="%s"/>' % digest)
            blockmap.append('</File>')
        blockmap.append('</BlockMap>')
        types = ['<?xml version="1.0" encoding="UTF-8"?>', '<Types xmlns="%s">' % TYPES_NS]
        for extension in sorted({name.rsplit('.', 1)[-1].lower() for name, _ in files if not name.endswith('.xml')}):
            types.append('<Default Extension="%s" ContentType="%s"/>' % (extension, CONTENT_TYPES[extension]))
        for part, kind in OVERRIDES.items():
            types.append('<Override PartName="%s" ContentType="%s"/>' % (part, kind))
        types.append('</Types>')
        # The content types deflated: osslsigncode (2.9) rewrites them when
        # it signs, compressed, and keeps the entry's method, so a stored
        # entry would come out with deflated bytes marked as stored.
        for name, text, method in (('AppxBlockMap.xml', blockmap, zipfile.ZIP_STORED),
                                   ('[Content_Types].xml', types, zipfile.ZIP_DEFLATED)):
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.external_attr = 0o644 << 16
            info.compress_type = method
            package.writestr(info, '\r\n'.join(text).encode('utf-8'))


def pack(out, certificate):
    if certificate and subject_of(certificate) != fact('KEEPSNAP_MENU_PUBLISHER'):
        fail('the certificate\'s subject "%s" is not the package\'s Publisher "%s": Windows would refuse it'
             % (subject_of(certificate), fact('KEEPSNAP_MENU_PUBLISHER')))
    icon = icon_pixels()
    files = [('AppxManifest.xml', manifest_text().encode('utf-8'))]
    files += [(name, png(side, icon)) for name, side in LOGOS]
    write_package(files, out)


def repack(folder, out):
    files = []
    for base, _, names in sorted(os.walk(folder)):
        for name in sorted(names):
            path = os.path.join(base, name)
            relative = os.path.relpath(path, folder).replace(os.sep, '/')
            if relative not in ('AppxBlockMap.xml', '[Content_Types].xml', 'AppxSignature.p7x'):
                files.append((relative, open(path, 'rb').read()))
    files.sort(key=lambda f: (f[0] != 'AppxManifest.xml', f[0]))
    write_package(files, out)


# Checking a package.
def check(path, certificate):
    problems = []
    package = zipfile.ZipFile(path)
    infos = package.infolist()
    names = [i.filename for i in infos]
    raw = open(path, 'rb').read()
    if 'AppxBlockMap.xml' not in names or '[Content_Types].xml' not in names:
        fail('%s: no block map or no content types' % path)
    payload = [n for n in names if n not in ('AppxBlockMap.xml', '[Content_Types].xml', 'AppxSignature.p7x',
                                             'AppxMetadata/CodeIntegrity.cat')]
    if names.index('AppxBlockMap.xml') < max(names.index(n) for n in payload):
        problems.append('the block map comes before a file of the payload')

    # Every file's bytes as they lie in the zip, read from the local headers,
    # not through the zip's own check, and the size of each local header.
    def stored(info):
        at = info.header_offset
        name_length, extra_length = struct.unpack('<HH', raw[at + 26:at + 30])
        header = 30 + name_length + extra_length
        body = raw[at + header:at + header + info.compress_size]
        if info.compress_type != zipfile.ZIP_STORED:
            body = zlib.decompress(body, -15)
        return body, header
    files = {info.filename: stored(info) for info in infos}

    # The block map against those bytes.
    mapped = {}
    root = ET.fromstring(files['AppxBlockMap.xml'][0])
    if root.tag != '{%s}BlockMap' % BLOCKMAP_NS or root.get('HashMethod') != SHA256:
        problems.append('the block map is not a SHA-256 block map')
    for entry in root.findall('{%s}File' % BLOCKMAP_NS):
        mapped[entry.get('Name').replace('\\', '/')] = entry
    for info in infos:
        if info.filename not in payload:
            continue
        entry = mapped.pop(info.filename, None)
        if entry is None:
            problems.append('%s is not in the block map' % info.filename)
            continue
        body, header = files[info.filename]
        if int(entry.get('Size')) != len(body):
            problems.append('%s: the block map says %s bytes, the file has %d' % (info.filename, entry.get('Size'),
                                                                                 len(body)))
        if int(entry.get('LfhSize')) != header:
            problems.append('%s: the block map says a local header of %s bytes, it has %d' %
                            (info.filename, entry.get('LfhSize'), header))
        blocks = [b.get('Hash') for b in entry.findall('{%s}Block' % BLOCKMAP_NS)]
        wanted = [base64.b64encode(hashlib.sha256(body[i:i + BLOCK]).digest()).decode()
                  for i in range(0, len(body), BLOCK)]
        if blocks != wanted:
            problems.append('%s: its bytes are not those of the block map' % info.filename)
    for name in mapped:
        problems.append('the block map names %s, which the package lacks' % name)

    # The content types: every file's, and the two the format names.
    types = ET.fromstring(files['[Content_Types].xml'][0])
    defaults = {d.get('Extension').lower(): d.get('ContentType') for d in types.findall('{%s}Default' % TYPES_NS)}
    overrides = {o.get('PartName'): o.get('ContentType') for o in types.findall('{%s}Override' % TYPES_NS)}
    for part, kind in OVERRIDES.items():
        if overrides.get(part) != kind:
            problems.append('the content types do not give %s as %s' % (part, kind))
    for name in payload:
        if '/' + name not in overrides and name.rsplit('.', 1)[-1].lower() not in defaults:
            problems.append('the content types give no type for %s' % name)

    # The manifest.
    manifest = ET.fromstring(files['AppxManifest.xml'][0])

    def one(xpath, what):
        found = manifest.find(xpath, NS)
        if found is None:
            problems.append('the manifest has no %s' % what)
        return found
    identity = one('m:Identity', 'Identity')
    if identity is not None:
        if identity.get('Name') != fact('KEEPSNAP_MENU_PACKAGE'):
            problems.append('the package is named %s' % identity.get('Name'))
        if identity.get('Version') != fact('KEEPSNAP_VERSION') + '.0':
            problems.append('the package\'s version %s is not the product\'s' % identity.get('Version'))
        if identity.get('Publisher') != fact('KEEPSNAP_MENU_PUBLISHER'):
            problems.append('the Publisher "%s" is not the product\'s' % identity.get('Publisher'))
        if certificate and identity.get('Publisher') != subject_of(certificate):
            problems.append('the Publisher "%s" is not the certificate\'s subject "%s"' %
                            (identity.get('Publisher'), subject_of(certificate)))
    external = one('m:Properties/uap10:AllowExternalContent', 'uap10:AllowExternalContent')
    if external is not None and external.text != 'true':
        problems.append('external content is not allowed')
    family = one('m:Dependencies/m:TargetDeviceFamily', 'TargetDeviceFamily')
    if family is not None and (family.get('Name') != 'Windows.Desktop' or family.get('MinVersion') != '10.0.22000.0'):
        problems.append('the package is not for Windows 11 desktops alone')
    capabilities = {c.get('Name') for c in manifest.findall('m:Capabilities/rescap:Capability', NS)}
    for capability in ('runFullTrust', 'unvirtualizedResources'):
        if capability not in capabilities:
            problems.append('the manifest lacks rescap:%s' % capability)
    application = one('m:Applications/m:Application', 'Application')
    if application is not None:
        wanted = {'Executable': fact('KEEPSNAP_COPY_PROGRAM'), '{%s}TrustLevel' % NS['uap10']: 'mediumIL',
                  '{%s}RuntimeBehavior' % NS['uap10']: 'win32App'}
        for attribute, value in wanted.items():
            if application.get(attribute) != value:
                problems.append('the Application\'s %s is not %s' % (attribute.split('}')[-1], value))
        visual = one('m:Applications/m:Application/uap:VisualElements', 'uap:VisualElements')
        if visual is not None:
            if visual.get('AppListEntry') != 'none':
                problems.append('the Application is listed in Start')
            for logo in ('Square150x150Logo', 'Square44x44Logo'):
                if visual.get(logo, '').replace('\\', '/') not in payload:
                    problems.append('the %s is not in the package' % logo)
    menus = 'm:Applications/m:Application/m:Extensions/desktop4:Extension/desktop4:FileExplorerContextMenus'
    types_found = {}
    for item in manifest.findall(menus + '/desktop5:ItemType', NS):
        verbs = item.findall('desktop5:Verb', NS)
        types_found[item.get('Type')] = [v.get('Clsid') for v in verbs]
        if verbs and not verbs[0].get('Id', '').startswith('AAA'):
            problems.append('the verb for %s has an id that does not sort first' % item.get('Type'))
    if sorted(types_found) != ['*', 'Directory']:
        problems.append('the menus are not for * and Directory: %s' % sorted(types_found))
    classes = manifest.findall('m:Applications/m:Application/m:Extensions/com:Extension/com:ComServer/'
                               'com:SurrogateServer/com:Class', NS)
    if len(classes) != 1 or classes[0].get('Path') != 'keepsnap_menu.dll':
        problems.append('the manifest has no com:SurrogateServer class for keepsnap_menu.dll')
    bare = fact('KEEPSNAP_MENU_CLSID').strip('{}')
    ids = {c.get('Id') for c in classes} | {i for v in types_found.values() for i in v}
    if ids != {bare}:
        problems.append('the class IDs do not agree with the DLL\'s %s: %s' % (bare, sorted(ids)))

    for problem in problems:
        print('FAIL %s: %s' % (os.path.basename(path), problem))
    return not problems


def main(argv):
    certificate = None
    if '--certificate' in argv:
        at = argv.index('--certificate')
        certificate = argv[at + 1]
        del argv[at:at + 2]
    if len(argv) == 2 and argv[0] == 'pack':
        pack(argv[1], certificate)
    elif len(argv) == 3 and argv[0] == 'repack':
        repack(argv[1], argv[2])
    elif len(argv) == 2 and argv[0] == 'check':
        return 0 if check(argv[1], certificate) else 1
    else:
        sys.exit(__doc__)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

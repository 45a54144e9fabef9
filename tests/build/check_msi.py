#!/usr/bin/env python3
"""The built Windows Installer package, read with msiinfo: every component
where it belongs, the files, the menu entry's command, the settings and their
conditions, the removal rows, the check of given values, the upgrade's order
and the properties Apps & features shows.
    check_msi.py PACKAGE.msi VERSION"""
import os
import subprocess
import tempfile
import sys

msi, version = sys.argv[1], sys.argv[2]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def table(name):
    # Exporting a table with streams writes them into a folder named after it:
    # in a folder of its own, not wherever the check runs.
    with tempfile.TemporaryDirectory() as folder:
        out = subprocess.run(['msiinfo', 'export', os.path.abspath(msi), name], check=True, capture_output=True,
                             text=True, cwd=folder).stdout
    rows = [line.rstrip('\r').split('\t') for line in out.splitlines()[3:]]
    return rows


components = {r[0]: r for r in table('Component')}
expected = {  # component: directory, condition, permanent
    'InstalledCommand': ('WindowsFolder', '', False), 'Setup': ('INSTALLDIR', '', False),
    'StartMenu': ('ProgramMenuFolder', '', False), 'MenuEntry': ('WindowsFolder', '', False),
    'MorvaneFolderRemoval': ('MorvaneFolder', '', False), 'SettingsRemoval': ('WindowsFolder', '', False),
    'DateModeSetting': ('WindowsFolder', 'DATE_MODE', True),
    'DateSeparatorSetting': ('WindowsFolder', 'DATE_SEPARATOR', True),
    'DateToUseSetting': ('WindowsFolder', 'DATE_TO_USE', True),
    'BackupFolderSetting': ('WindowsFolder', 'BACKUP_FOLDER', True)}
check(set(components) == set(expected), 'components %s' % sorted(components))
for name, (directory, condition, permanent) in expected.items():
    row = components.get(name, ['', '', '', '0', '', ''])
    check(row[2] == directory, '%s in %s' % (name, row[2]))
    check(row[4] == condition, '%s condition %r' % (name, row[4]))
    check(bool(int(row[3]) & 16) == permanent, '%s permanent bit in %s' % (name, row[3]))

files = sorted((r[1], r[2]) for r in table('File'))
check(files == [('InstalledCommand', 'snapcopy.exe'), ('Setup', 'help.html'), ('Setup', 'snapcopy.exe'),
                ('Setup', 'snapsetup.exe')], 'files %s' % files)

registry = {(r[1], r[2], r[3]): (r[4], r[5]) for r in table('Registry')}
DROP_CLASS = '{4E1F4914-AE5F-41FB-A934-3DDA7ED21A15}'
for verb in ('*\\shell\\Morvane - Backup File(s) Ver 2.0', 'Directory\\shell\\Morvane - Backup File(s) Ver 2.0'):
    check(registry.get(('0', verb + '\\command', '')) == ('"[WindowsFolder]snapcopy.exe" "%1"', 'MenuEntry'),
          'the command on %s: %s' % (verb, registry.get(('0', verb + '\\command', ''))))
    check(registry.get(('0', verb, '-')) == ('', 'MenuEntry'), 'the verb key %s removed with the entry' % verb)
    check(registry.get(('0', verb, 'MultiSelectModel')) == ('Player', 'MenuEntry'),
          'the whole selection at once on %s' % verb)
    check(registry.get(('0', verb + '\\DropTarget', 'CLSID')) == (DROP_CLASS, 'MenuEntry'),
          'the DropTarget on %s: %s' % (verb, registry.get(('0', verb + '\\DropTarget', 'CLSID'))))
check(registry.get(('0', 'CLSID\\' + DROP_CLASS + '\\LocalServer32', '')) == ('"[WindowsFolder]snapcopy.exe"', 'MenuEntry'),
      'the DropTarget class served by the installed program, quoted')
check(registry.get(('0', 'CLSID\\' + DROP_CLASS, '-')) == ('', 'MenuEntry'), 'the class removed with the entry')
check(registry.get(('2', 'Software\\Morvane\\Keepsnap', '-')) == ('', 'SettingsRemoval'),
      'the settings key removed on uninstall')
for key, prop in (('date_mode\\', 'DATE_MODE'), ('date_separator', 'DATE_SEPARATOR'),
                  ('date_to_use', 'DATE_TO_USE'), ('backup_folder', 'BACKUP_FOLDER')):
    value = registry.get(('2', 'Software\\Morvane\\Keepsnap\\' + key, ''))
    check(value is not None and value[0] == '[%s]' % prop, 'setting %s: %s' % (key, value))

properties = {r[0]: r[1] for r in table('Property')}
for name, value in (('ProductName', 'Morvane Keepsnap ' + version), ('Manufacturer', 'Morvane'),
                    ('ProductVersion', version), ('ALLUSERS', '1'), ('ARPNOMODIFY', '1'),
                    ('ARPPRODUCTICON', 'keepsnap.ico'), ('UpgradeCode', '{6F3C2A51-7E44-4C1B-9B0D-2C5E8A4D1F70}')):
    check(properties.get(name) == value, 'property %s = %r' % (name, properties.get(name)))
secure = properties.get('SecureCustomProperties', '').split(';')
check(all(p in secure for p in ('DATE_MODE', 'DATE_SEPARATOR', 'DATE_TO_USE', 'BACKUP_FOLDER')),
      'the settings are secure properties: %s' % secure)

shortcuts = [(r[1], r[2], r[4]) for r in table('Shortcut')]
check(shortcuts == [('ProgramMenuFolder', 'Keepsnap Settings', '[INSTALLDIR]snapsetup.exe')], 'shortcut %s' % shortcuts)

actions = {r[0]: r for r in table('CustomAction')}
# The check is the DLL built from the setup's rules, run at once (type 1);
# no action needs a script engine, which locked-down machines disable.
check(actions.get('CheckSettings', [''] * 4)[1:4] == ['1', 'SettingsCheck', 'CheckSettings'],
      'the check of given values: %s' % (actions.get('CheckSettings'),))
scripts = [r[0] for r in actions.values() if (int(r[1]) & 0x3F) in (5, 6, 37, 38)]
check(not scripts, 'no script actions: %s' % scripts)
binaries = {r[0]: r[1] for r in table('Binary')}
check(binaries == {'SettingsCheck': 'Binary.SettingsCheck'}, 'the check in the Binary table: %s' % binaries)
check_dll = subprocess.run(['msiinfo', 'extract', msi, 'Binary.SettingsCheck'], check=True, capture_output=True).stdout
check(check_dll[:2] == b'MZ', 'the Binary stream is a program image')
check(actions.get('RefuseSettings', [''] * 4)[1:4:2] == ['19', '[KEEPSNAP_REFUSED]'], 'the refusal')
sequence = {r[0]: (r[1], int(r[2])) for r in table('InstallExecuteSequence')}
check(sequence.get('CheckSettings', ('', 99))[1] < sequence['RefuseSettings'][1] < sequence['CostInitialize'][1],
      'values checked before anything is done')
check(sequence['RemoveExistingProducts'][1] > sequence['InstallFinalize'][1],
      'the earlier version removed after this one is in')

suminfo = subprocess.run(['msiinfo', 'suminfo', msi], check=True, capture_output=True, text=True).stdout
check('Template: Intel;1033' in suminfo, '32-bit package')

for f in failures:
    print('FAIL ' + f)
print('%s: %s' % (msi.split('/')[-1], 'all checks passed' if not failures else '%d checks failed' % len(failures)))
sys.exit(1 if failures else 0)

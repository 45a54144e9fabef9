#!/usr/bin/env bash
# Builds the Windows Installer package from release/keepsnap.wxs with wixl,
# then finishes with msibuild what wixl has no element for:
#   - each of the four settings written only when given (DATE_MODE,
#     DATE_SEPARATOR, DATE_TO_USE, BACKUP_FOLDER), and kept when an upgrade
#     or a removal takes the package's own parts away;
#   - the settings key, with what the setup wrote under it, removed when the
#     product is removed, but not when a later version replaces it (the old
#     version goes after the new one is in, so the key stays in use);
#   - a given value that the setup could not have written refused, with a
#     message, before anything is written (the check is settings_check.dll,
#     built from the core's rules).
#   build-msi.sh STAGE_DIR VERSION OUT.msi
# STAGE_DIR holds snapcopy.exe, snapsetup.exe, help.html and the check's
# settings_check.dll (signed already, if the release is), and in a signed
# release keepsnap_menu.dll and keepsnap-menu.msix. The product and package codes follow from the version, so
# the same input gives the same tables.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/product.sh"
stage=$1 version=$2 out=$3
code() { python3 -c 'import sys, uuid; print("{%s}" % str(uuid.uuid5(uuid.UUID("6f3c2a51-7e44-4c1b-9b0d-2c5e8a4d1f70"), sys.argv[1])).upper())' "$1"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -p "$stage/$KEEPSNAP_COPY_PROGRAM" "$stage/$KEEPSNAP_SETUP_PROGRAM" "$stage/help.html" "$stage/settings_check.dll" "$work/"
# The Windows 11 menu comes with the signed release alone.
menu_package=no
if [ -f "$stage/keepsnap-menu.msix" ]; then
  menu_package=yes
  cp -p "$stage/keepsnap_menu.dll" "$stage/keepsnap-menu.msix" "$work/"
fi
cp "$root/resources/keepsnap.ico" "$work/"
# The cabinet keeps each file's time: the icon's too, though it is no file of the package.
touch -r "$stage/$KEEPSNAP_COPY_PROGRAM" "$work/keepsnap.ico"
# wixl takes sources relative to the folder it runs in.
# Both tools stamp the time they run into the package; a fixed one (the
# zip's) makes the same input give the same bytes.
fixed_time() { TZ=UTC faketime '2000-01-01 00:00:00' "$@"; }
(cd "$work" && fixed_time wixl -a x86 -D Version="$version" -D ProductCode="$(code "product $version")" -D Programs=. -D Resources=. \
  -D Maker="$KEEPSNAP_MAKER" -D Product="$KEEPSNAP_PRODUCT" -D Publisher="$KEEPSNAP_PUBLISHER" \
  -D CopyProgram="$KEEPSNAP_COPY_PROGRAM" -D SetupProgram="$KEEPSNAP_SETUP_PROGRAM" \
  -D Verb="$KEEPSNAP_VERB" -D SettingsKey="$KEEPSNAP_SETTINGS_KEY" -D DropClsid="$KEEPSNAP_DROP_CLSID" \
  -D MenuPackage=$menu_package \
  "$root/release/keepsnap.wxs" -o package.msi) \
  2> >(grep -v -e '^$' -e 'GLib-GObject-WARNING' >&2)

sql=()
q() { sql+=(-q "$1"); }
# Written only when given; permanent (16), so that no removal takes them.
for setting in DateModeSetting:DATE_MODE DateSeparatorSetting:DATE_SEPARATOR DateToUseSetting:DATE_TO_USE \
               BackupFolderSetting:BACKUP_FOLDER; do
  q "UPDATE Component SET Condition = '${setting#*:}', Attributes = 20 WHERE Component = '${setting%%:*}'"
done
# Public properties the install's server side may take from the command line.
q "UPDATE Property SET Value = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;DATE_MODE;DATE_SEPARATOR;DATE_TO_USE;BACKUP_FOLDER' WHERE Property = 'SecureCustomProperties'"
# "-": the key and all below it go when the component goes: the settings
# with what the setup wrote, and the menu entries' verb keys whole. (KEY is a
# word of MSI's SQL, hence the quotes.)
registry="INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES"
q "$registry ('SettingsKey', 2, '$KEEPSNAP_SETTINGS_KEY', '-', 'SettingsRemoval')"
q "$registry ('VerbKey', 0, '*\\shell\\$KEEPSNAP_VERB', '-', 'MenuEntry')"
q "$registry ('FolderVerbKey', 0, 'Directory\\shell\\$KEEPSNAP_VERB', '-', 'MenuEntry')"
q "$registry ('DropClassKey', 0, 'CLSID\\$KEEPSNAP_DROP_CLSID', '-', 'MenuEntry')"
# The earlier version is removed after this one is installed: the parts both
# have stay in use, the settings key among them.
q "UPDATE InstallExecuteSequence SET Sequence = 6650 WHERE Action = 'RemoveExistingProducts'"
# The check (settings_check.dll, a DLL action from the .wxs) puts the reasons
# into KEEPSNAP_REFUSED; an error action (type 19) then ends the install with
# them. wixl 0.101 marks every DLL action deferred (2048), which could set no
# property and may not run this early: it runs at once (type 1).
q "UPDATE CustomAction SET Type = 1 WHERE Action = 'CheckSettings'"
q "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('RefuseSettings', 19, '', '[KEEPSNAP_REFUSED]')"
for table in InstallUISequence InstallExecuteSequence; do
  q "INSERT INTO $table (Action, Condition, Sequence) VALUES ('CheckSettings', 'NOT Installed', 20)"
  q "INSERT INTO $table (Action, Condition, Sequence) VALUES ('RefuseSettings', 'KEEPSNAP_REFUSED', 21)"
done
if [ "$menu_package" = yes ]; then
  # The Windows 11 menu's package for the installing user: after the install
  # is done (and after an earlier version went), and, on removal, before the
  # files go; not when an upgrade removes the earlier version. Immediate DLL
  # actions (1) run as that user; 64: their failure never fails the
  # install. The action itself tells Windows 11 apart: Windows Installer's
  # own version properties stop at Windows 8.1 for every package.
  q "UPDATE CustomAction SET Type = 65 WHERE Action = 'RegisterMenu' OR Action = 'RemoveMenu'"
  q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('RegisterMenu', 'NOT REMOVE~=\"ALL\"', 6700)"
  q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('RemoveMenu', 'REMOVE~=\"ALL\" AND NOT UPGRADINGPRODUCTCODE', 3450)"
fi
fixed_time msibuild "$work/package.msi" "${sql[@]}"
fixed_time msibuild "$work/package.msi" -s "$KEEPSNAP_MAKER $KEEPSNAP_PRODUCT $version" "$KEEPSNAP_PUBLISHER" "Intel;1033" "$(code "package $version")"
cp "$work/package.msi" "$out"

#!/usr/bin/env bash
# installer.sh VORLIX_EXE PROBE_EXE SHOT_DIR WORK_DIR
# The release files and the installers' life cycle under Wine's msiexec.
# scripts/package runs in two copies of the sources, which must give
# identical files, and again in one of them with a higher version, signing
# with a throwaway certificate; the packages' tables and the winget and
# Scoop manifests are read back. Then: a bad AUTOSTART, an AUTOSTART kept
# where earlier versions kept it, install, start, a second start,
# upgrade, downgrade, uninstall, an interactive AUTOSTART=0 install and
# upgrade (elevated: nothing started), and the per-machine package (no
# start; only into Program Files; its values beside the service's store).
source "$(dirname "$0")/lib.sh"
work=${4:?work directory}
root=$(cd "$(dirname "$0")/../.." && pwd)

version=$(sed -n 's/^project(Vorlix VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
IFS=. read -r major minor patch _ <<<"$version.0.0"
newer=$major.$minor.$((patch + 1))
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
export SOURCE_DATE_EPOCH

rm -rf "$work"
for copy in a b; do
  mkdir -p "$work/$copy"
  # The sources as they are, committed or not.
  git -C "$root" ls-files -z -c -o --exclude-standard |
    tar -C "$root" --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -C "$work/$copy" -xf -
done
package() { "$work/a/scripts/package" >"$work/$1.log" 2>&1 || fail "scripts/package ($1): $(tail "$work/$1.log")"; }
package a
# Compiled anew, so that a compiler cache cannot hide a build path.
CCACHE_DISABLE=1 "$work/b/scripts/package" >"$work/b.log" 2>&1 || fail "scripts/package (b): $(tail "$work/b.log")"
cmp "$work/a/build/package/vorlix.exe" "$work/b/build/package/vorlix.exe" ||
  fail "two builds in two folders gave different vorlix.exe"
# differences A B: the release files that differ, and for an msi the
# summary, tables and streams in which they do.
differences() {
  local file part
  for file in $(ls "$1"); do
    cmp -s "$1/$file" "$2/$file" && continue
    printf ' %s' "$file"
    [[ $file == *.msi ]] || continue
    cmp -s <(msiinfo suminfo "$1/$file") <(msiinfo suminfo "$2/$file") || printf ' [summary]'
    for part in $(msiinfo tables "$1/$file"); do
      cmp -s <(msiinfo export "$1/$file" "$part") <(msiinfo export "$2/$file" "$part") || printf ' [table %s]' "$part"
    done
    for part in $(msiinfo streams "$1/$file" | tr -d '\005'); do
      cmp -s <(msiinfo extract "$1/$file" "$part") <(msiinfo extract "$2/$file" "$part") || printf ' [stream %s]' "$part"
    done 2>/dev/null
  done
}
diff -rq "$work/a/dist" "$work/b/dist" >/dev/null ||
  fail "two builds in two folders gave different release files:$(differences "$work/a/dist" "$work/b/dist")"
(cd "$work/a/dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
# unpacked EXE ZIP: the zip holds the three files, the program as EXE and
# the texts with CRLF; writes its vorlix.exe to EXE.unpacked.
unpacked() {
  python3 - "$@" <<'PY' || fail "the zip $2 is not as it should be"
import sys, zipfile
z = zipfile.ZipFile(sys.argv[2])
assert z.namelist() == ["vorlix.exe", "LICENSE.txt", "README.txt"], z.namelist()
exe = z.read("vorlix.exe")
assert exe == open(sys.argv[1], "rb").read()
open(sys.argv[1] + ".unpacked", "wb").write(exe)
assert b"Vennik" in z.read("LICENSE.txt")
for text in ("LICENSE.txt", "README.txt"):
    assert all(l.endswith(b"\r") for l in z.read(text).split(b"\n")[:-1]), text
PY
}
old_exe=$work/old.exe
cp "$work/a/build/package/stage/vorlix.exe" "$old_exe"
unpacked "$old_exe" "$work/a/dist/Vorlix-$version-win64.zip"
# The rows scripts/package adds to what wixl writes, in both packages, and
# the rules of Windows' validation (ICE43, ICE64, ICE69) that they keep.
python3 - "$work/a/dist" "$work/a/build/package/stage" <<'PY' || fail "the packages' tables (above)"
import glob, os, struct, subprocess, sys
dist, stage = sys.argv[1:]
def rows(msi, table):
    out = subprocess.run(["msiinfo", "export", msi, table], capture_output=True).stdout.decode()
    return [r.split("\t") for r in out.split("\r\n")[3:] if r]
def exe_version(name):  # FILEVERSION from the exe's VS_FIXEDFILEINFO
    data = open(os.path.join(stage, name), "rb").read()
    ms, ls = struct.unpack_from("<II", data, data.index(struct.pack("<I", 0xFEEF04BD)) + 8)
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
for msi in glob.glob(dist + "/*.msi"):
    kind = "machine" if msi.endswith("-machine.msi") else "user"
    files = {r[0]: r for r in rows(msi, "File")}
    hashed = {r[0] for r in rows(msi, "MsiFileHash")}
    for key, r in files.items():
        if r[2].endswith(".exe"):
            assert r[4] == exe_version(r[2]) and key not in hashed, (kind, r)
    registry = {r[0]: r for r in rows(msi, "Registry")}
    components = {r[0]: r for r in rows(msi, "Component")}
    for r in rows(msi, "Shortcut"):  # ICE43
        assert registry[components[r[3]][5]][1] in ("-1", "1"), (kind, r)
    dirs = {r[0]: r[1] for r in rows(msi, "Directory")}
    removed = {r[3] for r in rows(msi, "RemoveFile") if not r[2]}
    for d in dirs:  # ICE64
        up = dirs[d]
        while up and up not in ("LocalAppDataFolder", "AppDataFolder"):
            up = dirs.get(up)
        assert not up or d in removed, (kind, d)
    for r in registry.values():  # ICE69, but for a component that needs a condition of its own
        for key in (part.split("]")[0] for part in r[4].split("[#")[1:]):
            assert files[key][1] == r[5] or components[r[5]][4], (kind, r)
        if "\\Run" in r[2]:
            assert r[4].endswith(" /background"), (kind, r)
    props = dict(r[:2] for r in rows(msi, "Property"))
    assert {"AUTOSTART", "WIX_UPGRADE_DETECTED"} <= set(props["SecureCustomProperties"].split(";")), props
    actions = {r[0]: r for r in rows(msi, "CustomAction")}
    if kind == "user":
        assert actions["StartVorlix"][3] == "/background", actions
        continue
    assert props["MSIRESTARTMANAGERCONTROL"] == "DisableShutdown" and props["REBOOT"] == "ReallySuppress"
    stub = [r[4] for r in registry.values() if "Active Setup" in r[2] and r[3] == "StubPath"]
    assert stub and " add HKCU\\Software\\Vennik /v VorlixInstalled " in stub[0], stub
    assert int(rows(msi, "ServiceInstall")[0][5]) == 0x8000 | 1
    assert [r[4] for r in registry.values() if r[3] == "EventMessageFile"] == ["#%[#VorlixServiceExe]"]
    config = {(r[1], r[3], r[4]) for r in rows(msi, "MsiServiceConfig") if int(r[2]) & 5 == 5}
    assert config == {("VorlixMachineRules", "5", "1"), ("VorlixMachineRules", "4", "1"),
                      ("VorlixMachineRules", "6", "SeChangeNotifyPrivilege")}, config
    order = {r[0]: int(r[2]) for r in rows(msi, "InstallExecuteSequence")}
    for action in ("MsiConfigureServices", "VorlixServiceRecovery"):
        assert order["InstallServices"] < order[action] < order["StartServices"], action
    recovery = actions["VorlixServiceRecovery"]
    assert int(recovery[1]) & 0xC3F == 0xC22 and recovery[3].endswith(
        " failure VorlixMachineRules reset= 86400 actions= restart/60000/restart/60000/restart/60000"), recovery
PY
mv "$work/a/dist" "$work/old"

# The next version, signed with a throwaway certificate.
sed -i "s/^project(Vorlix VERSION [0-9.]*/project(Vorlix VERSION $newer/" "$work/a/CMakeLists.txt"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Vorlix throwaway" -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/sign.pfx" -passout pass:throwaway
VORLIX_SIGN_PFX=$work/sign.pfx VORLIX_SIGN_PASSWORD=throwaway package newer
rm -f "$work/key.pem" "$work/sign.pfx"
new_exe=$work/a/build/package/stage/vorlix.exe
unpacked "$new_exe" "$work/a/dist/Vorlix-$newer-win64.zip"
for signed in "$new_exe.unpacked" "$work/a/dist"/*.msi; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" >"$work/verify.log" 2>&1 ||
    fail "$(basename "$signed") is not signed: $(tail -3 "$work/verify.log")"
done
# The winget and Scoop manifests name the files of this release, signed.
python3 - "$work/a/dist" "$newer" <<'PY' || fail "the winget or Scoop manifest (above)"
import hashlib, json, subprocess, sys, yaml
dist, version = sys.argv[1:]
def sha256(name): return hashlib.sha256(open(f"{dist}/{name}", "rb").read()).hexdigest()
def prop(msi, name):
    out = subprocess.run(["msiinfo", "export", f"{dist}/{msi}", "Property"], capture_output=True, text=True).stdout
    return dict(r.split("\t")[:2] for r in out.replace("\r", "").split("\n") if "\t" in r)[name]
kinds = {"version": "Vennik.Vorlix.yaml", "installer": "Vennik.Vorlix.installer.yaml",
         "defaultLocale": "Vennik.Vorlix.locale.en-US.yaml"}
winget = {kind: yaml.safe_load(open(f"{dist}/{name}")) for kind, name in kinds.items()}
for kind, m in winget.items():
    assert (m["PackageIdentifier"], m["PackageVersion"], m["ManifestType"], m["ManifestVersion"]) == (
        "Vennik.Vorlix", version, kind, "1.6.0"), m
locale = winget["defaultLocale"]
assert winget["version"]["DefaultLocale"] == locale["PackageLocale"]
assert all(locale[k] for k in ("Publisher", "PackageName", "License", "ShortDescription"))
installer = winget["installer"]
assert installer["InstallerType"] == "msi" and installer["InstallerSwitches"]["Silent"].startswith("/qn")
scopes = {i["Scope"]: i for i in installer["Installers"]}
for scope, msi in (("user", f"Vorlix-{version}-win64.msi"), ("machine", f"Vorlix-{version}-win64-machine.msi")):
    i, entry = scopes[scope], scopes[scope]["AppsAndFeaturesEntries"][0]
    assert i["InstallerUrl"].endswith("/" + msi) and i["InstallerSha256"].lower() == sha256(msi), i
    assert i["ProductCode"] == entry["ProductCode"] == prop(msi, "ProductCode"), i
    assert entry["UpgradeCode"] == prop(msi, "UpgradeCode") and entry["DisplayName"] == prop(msi, "ProductName"), i
assert set(scopes) == {"user", "machine"}
scoop = json.load(open(f"{dist}/vorlix.json"))
zip_name, archive = f"Vorlix-{version}-win64.zip", scoop["architecture"]["64bit"]
assert scoop["version"] == version and scoop["bin"] == "vorlix.exe" and scoop["homepage"] and scoop["license"]
assert archive["url"].endswith("/" + zip_name) and archive["hash"] == sha256(zip_name), archive
PY

user_msi=$work/old/Vorlix-$version-win64.msi
newer_msi=$work/a/dist/Vorlix-$newer-win64.msi
machine_msi=$work/old/Vorlix-$version-win64-machine.msi
msiexec() { wine msiexec "$@" </dev/null >/dev/null 2>&1; }
folder() { wine cmd /c echo "%$1%" | tr -d '\r'; }
installed_win="$(folder LOCALAPPDATA)\\Programs\\Vorlix\\vorlix.exe"
installed=$(winepath -u "$installed_win")
shortcut=$(winepath -u "$(folder APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Vorlix.lnk")
RunKey='Software\Microsoft\Windows\CurrentVersion\Run'
run_value() { reg query "$1\\$RunKey" /v Vorlix 2>/dev/null | sed -n 's/^ *Vorlix *REG_SZ *//p'; }
# Apps & features: the entries named Vorlix, as "version publisher" lines.
apps() {
  { reg query "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s
    reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s; } 2>/dev/null |
    awk -v RS= '/DisplayName +REG_SZ +Vorlix\n/ {
      v = $0; sub(/.*DisplayVersion +REG_SZ +/, "", v); sub(/\n.*/, "", v)
      p = $0; sub(/.*Publisher +REG_SZ +/, "", p); sub(/\n.*/, "", p); print v, p }'
}

msiexec /i "$user_msi" /qn AUTOSTART=yes && fail "AUTOSTART=yes was accepted"
[[ ! -e $installed && -z $(run_value HKCU) && -z $(apps) ]] || fail "AUTOSTART=yes left a part installed"
# The package's own values lie beside the service's store key, not in it;
# an install of an earlier version kept AUTOSTART in that key.
package_values() { reg query "$1\Software\Vennik" 2>/dev/null | grep -o ' Vorlix[A-Za-z]*' | tr -d ' ' | sort | tr '\n' ' '; }
reg add 'HKCU\Software\Vennik\Vorlix' /v Autostart /d 0 /f >/dev/null
msiexec /i "$user_msi" /qn || fail "the install over an earlier AUTOSTART=0 failed"
[[ -f $installed && -z $(run_value HKCU) ]] || fail "an earlier AUTOSTART=0 was not kept: '$(run_value HKCU)'"
[[ $(package_values HKCU) == "VorlixAutostart VorlixInstalled VorlixProgram VorlixShortcut " ]] ||
  fail "values: $(package_values HKCU)"
msiexec /x "$user_msi" /qn || fail "the uninstall failed"
reg delete 'HKCU\Software\Vennik' /f >/dev/null

mapfile -t kept < <(rule 3 1 1 'Software\Kept' Value)
store_configuration "${kept[@]}" "Reg${T}13${T}4"
saved=$(store_dump)
msiexec /i "$user_msi" /qn || fail "the per-user install failed"
cmp "$installed" "$old_exe" || fail "vorlix.exe was not installed"
[[ -f $shortcut ]] || fail "no Start menu shortcut"
[[ $(run_value HKCU) == "\"$installed_win\" /background" ]] || fail "Run value: '$(run_value HKCU)'"
[[ $(apps) == "$version Vennik" ]] || fail "Apps & features: '$(apps)'"
icon=$(reg query 'HKCU\Software\Microsoft\Installer\Products' /s | sed -n 's/^ *ProductIcon *REG_SZ *//p')
[[ -n $icon && -s $(winepath -u "$icon") ]] || fail "no product icon: '$icon'"

vorlix=$installed_win
start_resident
# The icon told where Vorlix is, and the install's mark is gone.
unmarked() { has_value 'HKCU\Software\Vennik' VorlixInstalled || echo gone; }
poll 20 unmarked >/dev/null || fail "the first start kept the install's mark"
# A second start shows the first copy's window, ends with 0 and leaves one copy.
wine "$vorlix" &
second=$!
for _ in $(seq 200); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && { kill "$second"; fail "a second start kept running"; }
wait "$second" || fail "a second start ended with status $?"
probe wait-visible 10000 || fail "a second start did not show the first copy's window"
kill -0 "$vorlix_pid" || fail "the first copy ended"
probe close || fail "could not close the window"
wait_end 15

msiexec /i "$newer_msi" /qn || fail "the upgrade failed"
cmp "$installed" "$new_exe" || fail "the upgrade did not replace vorlix.exe"
[[ $(apps) == "$newer Vennik" && -n $(run_value HKCU) ]] || fail "after the upgrade: '$(apps)', Run '$(run_value HKCU)'"
same_lines "the configuration after the upgrade" "$saved" "$(store_dump)"
msiexec /i "$user_msi" /qn && fail "the older msi was installed over the newer"
cmp "$installed" "$new_exe" || fail "the refused downgrade changed vorlix.exe"

msiexec /x "$newer_msi" /qn || fail "the uninstall failed"
[[ ! -e $(dirname "$installed") ]] || fail "the uninstall left the program's folder"
[[ ! -e $shortcut && -z $(run_value HKCU) && -z $(apps) && -z $(package_values HKCU) ]] ||
  fail "the uninstall left the shortcut, Run value, entry or values"
same_lines "the configuration after the uninstall" "$saved" "$(store_dump)"

# Interactive (reduced interface): the install starts Vorlix at its end unless
# elevated, as all is under Wine; a copy without that condition starts it.
start=$(msiinfo export "$user_msi" InstallUISequence | awk -F'\t' '$1 == "StartVorlix" { print $2 }')
cp "$user_msi" "$work/unelevated.msi"
msibuild "$work/unelevated.msi" -q \
  "UPDATE \`InstallUISequence\` SET \`Condition\` = '${start% AND NOT MsiRunningElevated}' WHERE \`Action\` = 'StartVorlix'"
msiexec /i "$work/unelevated.msi" /qr AUTOSTART=0 || fail "the AUTOSTART=0 install failed"
[[ -f $installed && -z $(run_value HKCU) ]] || fail "AUTOSTART=0 wrote the Run value"
probe wait-icon 30000 || fail "the interactive install did not start Vorlix"
probe close && probe wait-gone 15000 || fail "the started Vorlix did not end"
msiexec /i "$newer_msi" /qr || fail "the upgrade failed"
probe wait-icon 10000 && fail "an elevated interactive install started Vorlix"
[[ -z $(run_value HKCU) ]] || fail "an upgrade without AUTOSTART did not keep AUTOSTART=0"
msiexec /x "$newer_msi" /qn || fail "the uninstall failed"

# The per-machine package starts no program as the installing user (an
# exe action without 2048 = no impersonation) and installs only where
# users cannot write.
msiinfo export "$machine_msi" CustomAction | awk -F'\t' 'NR > 3 && $2 % 8 == 2 && int($2 / 2048) % 2 == 0 { exit 1 }' ||
  fail "it starts a program"
service_state() { wine sc query VorlixMachineRules 2>&1 | tr -d '\r' | awk '/STATE/ {print $4}'; }
for folder in 'C:\Vorlix' 'C:\Program Files\..\Vorlix'; do
  msiexec /i "$machine_msi" /qn "INSTALLDIR=$folder" && fail "installed into $folder"
  [[ -z $(service_state) && ! -e $(winepath -u 'C:\Vorlix') ]] || fail "$folder was refused, but not all of it"
done
# Wine's msiexec once left the service out of a first install in a fresh
# prefix (status 91): a second try puts it in.
msiexec /i "$machine_msi" /qn || msiexec /i "$machine_msi" /qn || fail "the per-machine install failed"
machine_win='C:\Program Files\Vorlix\vorlix.exe'
service_runs() { [[ $(service_state) == RUNNING ]] && echo running; }
poll 60 service_runs >/dev/null || fail "the per-machine install did not start the service: '$(service_state)'"
cmp "$(winepath -u "$machine_win")" "$old_exe" || fail "vorlix.exe is not in Program Files"
[[ $(run_value HKLM) == "\"$machine_win\" /background" && -z $(run_value HKCU) ]] ||
  fail "per-machine Run values: HKLM '$(run_value HKLM)', HKCU '$(run_value HKCU)'"
store_value() { reg query 'HKLM\Software\Vennik\Vorlix' /v "$1" >/dev/null; }
[[ $(package_values HKLM) == "VorlixAutostart VorlixShortcut " ]] && ! store_value Autostart && ! store_value Shortcut ||
  fail "the package's values: $(package_values HKLM)"
reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Vorlix' /v EventMessageFile |
  grep -q 'REG_EXPAND_SZ *C:\\Program Files\\Vorlix\\vorlix-service.exe' || fail "the event source's message file"
msiexec /x "$machine_msi" /qn || fail "the per-machine uninstall failed"
[[ ! -e $(winepath -u "$machine_win") && -z $(run_value HKLM) && -z $(service_state) && -z $(package_values HKLM) ]] ||
  fail "the per-machine uninstall left parts (service: '$(service_state)')"
echo "release files reproducible and signed; installers verified ($version -> $newer)"

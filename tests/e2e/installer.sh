#!/usr/bin/env bash
# installer.sh VORLIX_EXE PROBE_EXE SHOT_DIR WORK_DIR
# The release files and the installers' life cycle under Wine's msiexec.
# scripts/package runs in two copies of the sources, which must give
# identical files, and again in one of them with a higher version, signing
# with a throwaway certificate. Then: a bad AUTOSTART, install, start, a second start,
# upgrade, downgrade, uninstall, an interactive AUTOSTART=0 install and
# upgrade (elevated: nothing started), and the per-machine package (no
# start; only into Program Files).
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

mapfile -t kept < <(rule 3 1 1 'Software\Kept' Value)
store_configuration "${kept[@]}" "Reg${T}13${T}4"
saved=$(store_dump)
msiexec /i "$user_msi" /qn || fail "the per-user install failed"
cmp "$installed" "$old_exe" || fail "vorlix.exe was not installed"
[[ -f $shortcut ]] || fail "no Start menu shortcut"
[[ $(run_value HKCU) == "\"$installed_win\"" ]] || fail "Run value: '$(run_value HKCU)'"
[[ $(apps) == "$version Vennik" ]] || fail "Apps & features: '$(apps)'"
icon=$(reg query 'HKCU\Software\Microsoft\Installer\Products' /s | sed -n 's/^ *ProductIcon *REG_SZ *//p')
[[ -n $icon && -s $(winepath -u "$icon") ]] || fail "no product icon: '$icon'"

vorlix=$installed_win
start_resident
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
[[ ! -e $shortcut && -z $(run_value HKCU) && -z $(apps) ]] || fail "the uninstall left the shortcut, Run value or entry"
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

# The per-machine package starts no program and installs only where users cannot write.
msiinfo export "$machine_msi" CustomAction | awk -F'\t' 'NR > 3 && $2 % 8 == 2 { exit 1 }' || fail "it starts a program"
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
[[ $(run_value HKLM) == "\"$machine_win\"" && -z $(run_value HKCU) ]] ||
  fail "per-machine Run values: HKLM '$(run_value HKLM)', HKCU '$(run_value HKCU)'"
msiexec /x "$machine_msi" /qn || fail "the per-machine uninstall failed"
[[ ! -e $(winepath -u "$machine_win") && -z $(run_value HKLM) && -z $(service_state) ]] ||
  fail "the per-machine uninstall left parts (service: '$(service_state)')"
echo "release files reproducible and signed; installers verified ($version -> $newer)"

#!/usr/bin/env bash
# Checks each build's Windows Installer package, then installs, runs at logon, repairs, upgrades and
# removes it with Wine's msiexec, every build in the same fresh 64-bit prefix (each case clears it).
#   tests/release/msi.sh <build-dir>...   each holds Pressavo-<version>-<build>.msi and the built probe
#   PRESSAVO_MSI_SIGNED=1          the package must carry a signature that verifies
#   PRESSAVO_MSI_CAFILE=<pem>      the root its signature chains to
#   PRESSAVO_MSI_CASES=<a|b>       only the cases so named (default: all)
# msiexec's logs are kept in <build-dir>/tests/release/msi-logs.
# The cases are called through the table, which shellcheck does not follow.
# shellcheck disable=SC2317
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
start=$SECONDS
manufacturer="Pressavo developers"
older=0.9.0
work=$(mktemp -d) || exit 1
cleanup() {
    [ ! -f "$work/wine/xvfb.pid" ] || "$repo/tests/e2e/prefix.sh" stop "$work/wine" >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

property() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v p="$2" 'NR > 3 && $1 == p { print $2 }'; }
package_code() { msiinfo suminfo "$1" | sed -n 's/^Revision number (UUID): //p'; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# msi <expected status> <log name> <msiexec arguments...>: every call quiet and logged.
msi() {
    local want=$1 log=$logs/$case_no-$2.log status=0
    shift 2
    case_logs+=("$log")
    "$WINE" msiexec "$@" /qn '/l*v' "$(winpath "$log")" >/dev/null 2>&1 || status=$?
    # The shell sees Windows' exit status modulo 256 (1603 arrives as 67).
    [ "$status" -eq $((want % 256)) ] && return
    echo "msiexec $*: status $status, expected $want (mod 256: $((want % 256))); from $log:"
    # Wine logs a failed action as return value 0 or 3.
    { grep -a 'Return value [03]' "$log"; tail -n 5 "$log"; } 2>&1 | tr -d '\r' | sed 's/^/    /'
    return 1
}
reg_query() { "$WINE" reg query "$@" 2>/dev/null | tr -d '\r'; }

# What is on the machine of Pressavo, in both registry views and both program folders.
state() {
    local pf v f
    for pf in "Program Files" "Program Files (x86)"; do
        [ -d "$drive/$pf/Pressavo" ] || continue
        echo "folder $pf\\Pressavo"
        for f in "$drive/$pf/Pressavo"/*; do
            if cmp -s "$f" "$stage/${f##*/}"; then echo "  ${f##*/} as packaged"; else echo "  ${f##*/} differs"; fi
        done
    done
    for v in 'Software' 'Software\Wow6432Node'; do
        reg_query "HKLM\\$v\\Microsoft\\Windows\\CurrentVersion\\Run" |
            awk -v v="$v" '$1 == "Pressavo" { sub(/^ *Pressavo +REG_[A-Z_]+ +/, ""); print "run " v ": " $0 }'
        reg_query "HKLM\\$v\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s | awk -v v="$v" '
            /^HKEY/ { key = $0; sub(/.*\\/, "", key) }
            / REG_/ { name = $1; sub(/^ *[^ ]+ +REG_[A-Z_]+ +/, ""); val[key, name] = $0; keys[key] }
            END { for (k in keys) if (val[k, "DisplayName"] == "Pressavo")
                printf "program %s: %s %s %s, %s\n", v, k, val[k, "DisplayName"],
                    val[k, "DisplayVersion"], val[k, "Publisher"] }'
    done
}
# installed <version> [no-run]: the state that package's install leaves, under its own product code.
installed() {
    local code
    code=$(property "$pkg" ProductCode)
    [ "$1" = "$version" ] || code=$(property "$work/older.msi" ProductCode)
    printf 'folder %s\\Pressavo\n  LICENSE as packaged\n  Pressavo.exe as packaged\n  THIRD-PARTY-NOTICES.txt as packaged\n' "$folder"
    [ "${2-}" = no-run ] || printf 'run %s: "C:\\%s\\Pressavo\\Pressavo.exe"\n' "$view" "$folder"
    printf 'program %s: %s Pressavo %s, %s\n' "$view" "$code" "$1" "$manufacturer"
}
# expect <what> <expected state>: the machine's state must be that.
expect() {
    state >"$work/state"
    cmp -s "$work/state" <(printf '%s\n' "$2" | sed '/^$/d') && return
    echo "after $1, expected:"; printf '%s\n' "$2" | sed '/^$/d; s/^/    /'
    echo "got:"; sed 's/^/    /' "$work/state"
    return 1
}
# From a state of unknown history to nothing installed.
# (The builds before share the prefix: their packages go too.)
clear_machine() {
    local p
    for p in "${seen[@]}" "$work/older.msi"; do "$WINE" msiexec /x "$(winpath "$p")" /qn >/dev/null 2>&1; done
    expect "clearing" ""
}

# The cases. Each starts from nothing installed or from the package installed, as it says.
static() {
    local p want ok=0
    for p in "ALLUSERS 1" "UpgradeCode {$upgrade}" "ProductVersion $version" "ProductName Pressavo" \
        "Manufacturer $manufacturer"; do
        want=${p#* }
        [ "$(property "$pkg" "${p%% *}")" = "$want" ] || { echo "Property ${p%% *}: '$(property "$pkg" "${p%% *}")', expected '$want'"; ok=1; }
    done
    # Each version its own product code, or the older package would be taken for a repair.
    p=$(property "$pkg" ProductCode)
    [[ $p =~ ^\{[0-9A-F-]{36}\}$ && $p != "$(property "$work/older.msi" ProductCode)" ]] ||
        { echo "ProductCode $p: not a GUID of its own"; ok=1; }
    # A package code names one package's bytes: a package of the same version with one byte more in a
    # file must not share it (nor would a code made from the version alone, or a constant one).
    mkdir -p "$work/other" && cp "$stage"/* "$work/other/" && echo >>"$work/other/LICENSE" &&
        SOURCE_DATE_EPOCH=0 "$repo/packaging/msi.sh" "$work/other" "$work/other.msi" "$build" "$version" "$manufacturer" >/dev/null &&
        [ "$(package_code "$pkg")" != "$(package_code "$work/other.msi")" ] ||
        { echo "package code $(package_code "$pkg") shared with another package of $version"; ok=1; }
    # Both features on by default (level 1); the program's cannot be deselected (attribute 16).
    p=$(msiinfo export "$pkg" Feature | tr -d '\r' | awk -F'\t' 'NR > 3 { print $1, $6, $8 }' | sort | paste -sd,)
    [ "$p" = "Program 1 16,RunAtLogon 1 0" ] || { echo "features (name level attributes): $p"; ok=1; }
    if msiinfo export "$pkg" CustomAction | tail -n +4 | grep -q .; then echo "custom actions:"; msiinfo export "$pkg" CustomAction; ok=1; fi
    # msiexec answers a downgrade with this message (silent installs log only the refusal).
    msiinfo export "$pkg" LaunchCondition | grep -qF $'NOT WIX_DOWNGRADE_DETECTED\tA newer version of Pressavo is already installed' ||
        { echo "no downgrade refusal:"; msiinfo export "$pkg" LaunchCondition; ok=1; }
    msiinfo suminfo "$pkg" | grep -qxF "Template: $template" || { echo "platform, expected $template:"; msiinfo suminfo "$pkg"; ok=1; }
    # Its exe is this build's, signed or not.
    if ! cmp -s "$stage/Pressavo.exe" "$dir/Pressavo.exe"; then
        if ! { osslsigncode remove-signature -in "$stage/Pressavo.exe" -out "$work/unsigned-$build.exe" &&
            cmp "$work/unsigned-$build.exe" "$dir/Pressavo.exe"; } >/dev/null 2>&1; then
            echo "the packaged Pressavo.exe is not $dir's"
            ok=1
        fi
    fi
    osslsigncode verify -in "$pkg" ${PRESSAVO_MSI_CAFILE:+-CAfile "$PRESSAVO_MSI_CAFILE"} >"$work/verify" 2>&1
    if [ "${PRESSAVO_MSI_SIGNED-}" = 1 ] || ! grep -qi 'no signature' "$work/verify"; then
        grep -qxF 'Signature verification: ok' "$work/verify" || { echo "signature:"; tail -n 4 "$work/verify"; ok=1; }
    fi
    return "$ok"
}
install() { msi 0 install /i "$(winpath "$pkg")" && expect "install" "$(installed "$version")"; }
# Wine's start sequence processes the Run keys, as a logon does; the probe listens meanwhile.
logon() {
    "$WINE" "$probe" broadcast 120 --async "$wineboot" 2>&1 | tr -d '\r' >"$work/probe"
    local status=${PIPESTATUS[0]}
    cat "$work/probe"
    [ "$status" -eq 0 ] && grep -q '^exit 0 ' "$work/probe" && ! grep -q '^FAIL' "$work/probe"
}
repair() {
    rm -f "$drive/$folder/Pressavo/Pressavo.exe"
    expect "deleting the exe" "$(installed "$version" | grep -v '  Pressavo.exe')" &&
        msi 0 repair /i "$(winpath "$pkg")" REINSTALL=ALL REINSTALLMODE=amus &&
        expect "repair" "$(installed "$version")"
}
# Without the Run value a logon leaves the profile alone: it was the value that ran it.
without_run() {
    msi 0 remove-run /i "$(winpath "$pkg")" REMOVE=RunAtLogon &&
        expect "REMOVE=RunAtLogon" "$(installed "$version" no-run)" || return 1
    "$WINE" "$probe" broadcast 5 --async "$wineboot" 2>&1 | tr -d '\r' >"$work/probe"
    cat "$work/probe"
    grep -q ' 0 message(s)' "$work/probe" &&
        [ "$(grep '^Device: ' "$work/probe" | tail -n 1)" = "Device: Elsewhere,winspool,Ne00:" ]
}
uninstall() { msi 0 uninstall /x "$(winpath "$pkg")" && expect "uninstall" ""; }
file_only() {
    msi 0 install-file-only /i "$(winpath "$pkg")" ADDLOCAL=Program &&
        expect "ADDLOCAL=Program" "$(installed "$version" no-run)" &&
        msi 0 uninstall /x "$(winpath "$pkg")" && expect "uninstall" ""
}
# Refused by the downgrade check (Wine logs a failed action as value 0), not by any other failure.
refused_by_launch_condition() {
    grep -aq 'LaunchConditions. Return value 0' "$1" || { echo "the downgrade was not refused by its launch condition"; return 1; }
}
upgrade() {
    msi 0 install-older /i "$(winpath "$work/older.msi")" && expect "installing $older" "$(installed "$older")" &&
        msi 0 upgrade /i "$(winpath "$pkg")" && expect "upgrade" "$(installed "$version")" &&
        msi 1603 downgrade /i "$(winpath "$work/older.msi")" && expect "the refused downgrade" "$(installed "$version")" &&
        refused_by_launch_condition "$logs/$case_no-downgrade.log" &&
        msi 0 uninstall /x "$(winpath "$pkg")" && expect "uninstall" ""
}

# name | from | function
cases=(
    "static|-|static"
    "install|empty|install"
    "logon|installed|logon"
    "repair|installed|repair"
    "REMOVE=RunAtLogon|installed|without_run"
    "uninstall|installed|uninstall"
    "file only|empty|file_only"
    "upgrade|empty|upgrade"
)

# A 64-bit prefix, as fleets' machines are, for both builds; the x86 package goes to its WOW64 side.
# Made when the first case needs it, so that the checks of the file report at once.
start_prefix() {
    "$repo/tests/e2e/prefix.sh" start "$work/wine" /usr/lib/wine/wine64 >"$work/prefix.log" 2>&1 ||
        { echo "msi: no prefix"; cat "$work/prefix.log"; exit 1; }
    # shellcheck disable=SC1091
    source "$work/wine/env"
    drive=$WINEPREFIX/drive_c
}

status=0 seen=()
for dir in "$@"; do
    dir=$(realpath "$dir")
    shopt -s nullglob
    packages=("$dir"/Pressavo-*.msi)
    shopt -u nullglob
    [ ${#packages[@]} -eq 1 ] || { echo "msi: expected one Pressavo-*.msi in $dir, found ${#packages[@]}"; status=1; continue; }
    pkg=${packages[0]}
    seen+=("$pkg")
    [[ $pkg =~ Pressavo-([0-9]+)\.([0-9]+)-(win32|win64)\.msi$ ]] || { echo "msi: cannot read $pkg's name"; status=1; continue; }
    version=${BASH_REMATCH[1]}.$((10#${BASH_REMATCH[2]})).0 build=${BASH_REMATCH[3]}
    # The upgrade codes as released: a package under another one is another product to every fleet.
    # The logon is the 64-bit start sequence, as on 64-bit Windows; a 32-bit probe reaches it through
    # sysnative (its system32 is the 32-bit one).
    case $build in
    win32) upgrade=C3D45B82-AE85-4BC0-899B-A4F4F8040142 folder="Program Files (x86)" view='Software\Wow6432Node'
        template="Intel;1033" wineboot='C:\windows\sysnative\wineboot.exe' ;;
    win64) upgrade=AD6D1DB3-7793-4D72-9361-D28D0441EE53 folder="Program Files" view='Software'
        template="x64;1033" wineboot=wineboot.exe ;;
    esac
    probe=$(winpath "$dir/tests/e2e/pressavo-switch-probe.exe")
    logs=$dir/tests/release/msi-logs
    rm -rf "$logs" "$work/x" && mkdir -p "$logs" || exit 1
    # The packaged files, as the release staged them (msiextract names each build's folder its own way).
    msiextract -C "$work/x" "$pkg" >/dev/null || { echo "msi: $build: msiextract failed"; status=1; continue; }
    stage=$(find "$work/x" -name Pressavo.exe -printf '%h\n')
    [ -d "$stage" ] || { echo "msi: $build: no Pressavo.exe in the package"; status=1; continue; }
    SOURCE_DATE_EPOCH=0 "$repo/packaging/msi.sh" "$stage" "$work/older.msi" "$build" "$older" "$manufacturer" >/dev/null ||
        { echo "msi: $build: building the $older package failed"; status=1; continue; }
    case_no=0
    for row in "${cases[@]}"; do
        IFS='|' read -r name from fn <<<"$row"
        [[ -z ${PRESSAVO_MSI_CASES-} || $name =~ ^(${PRESSAVO_MSI_CASES})$ ]] || continue
        case_no=$((case_no + 1)) case_logs=()
        [ "$from" = - ] || [ -f "$work/wine/env" ] || start_prefix
        if {
            case $from in
            empty) clear_machine ;;
            installed) expect "the cases before" "$(installed "$version")" >/dev/null ||
                { clear_machine && msi 0 install-again /i "$(winpath "$pkg")"; } ;;
            esac && $fn
        } >"$work/out" 2>&1; then
            echo "msi: $build: $name: ok"
        else
            echo "msi: $build: $name: FAILED"
            sed 's/^/    /' "$work/out"
            [ ${#case_logs[@]} -eq 0 ] || printf '    msiexec log: %s\n' "${case_logs[@]}"
            status=1
        fi
    done
done
echo "msi: took $((SECONDS - start)) s"
exit $status

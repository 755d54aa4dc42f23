#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a built tree (cpack only installs what is built: nothing is compiled here), unpacks
# it into a scratch root and checks it as Debian and its users would: the files it holds, that its dependencies name
# the package of every shared library the programs need, that the unpacked programs run, lintian, the manual pages
# under groff -ww, the software centre's and the desktop's entries, and that every command korvel-cli knows has its
# section in the manual page and its place in the bash completion.
# Usage: TestPackage.sh BUILD_DIR WORK_DIR VERSION   (exit status 77: a tool it needs is missing, the test is skipped)
set -euo pipefail
build=$1 work=$2 version=$3

for tool in cpack dpkg-deb dpkg-shlibdeps lintian groff appstreamcli desktop-file-validate readelf; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is missing (tools/install-deps.sh installs it)"
        exit 77
    fi
done
completion_lib=/usr/share/bash-completion/bash_completion
if [ ! -f "$completion_lib" ]; then
    echo "SKIPPED: bash-completion is missing (tools/install-deps.sh installs it)"
    exit 77
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    exit 1
}
deb=$work/korvel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || {
    echo "FAIL: cpack made no $deb"
    exit 1
}
root=$work/root
dpkg-deb -x "$deb" "$root"

# Exactly these files and links; no cache of the desktop's databases, no maintainer scripts (the triggers of
# shared-mime-info, desktop-file-utils and the icon theme refresh the caches).
expected="usr/bin/korvel
usr/bin/korvel-cli
usr/libexec/korvel/KVGuide.pdf
usr/libexec/korvel/korvel
usr/libexec/korvel/korvel-cli
usr/libexec/korvel/libkorvelres.so
usr/share/applications/korvel.desktop
usr/share/bash-completion/completions/korvel-cli
usr/share/doc/korvel/changelog.gz
usr/share/doc/korvel/copyright
usr/share/man/man1/korvel-cli.1.gz
usr/share/man/man1/korvel.1.gz
usr/share/metainfo/org.ostrande.korvel.metainfo.xml
usr/share/mime/packages/korvel.xml"
for size in 16 32 48 64 128 256; do
    expected+=$'\n'"usr/share/icons/hicolor/${size}x${size}/apps/korvel.png"
    expected+=$'\n'"usr/share/icons/hicolor/${size}x${size}/mimetypes/application-x-korvel-wallet.png"
done
held=$(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
expected=$(LC_ALL=C sort <<<"$expected")
[ "$held" = "$expected" ] || fail "the package holds other files than expected:"$'\n'"$(diff <(echo "$expected") <(echo "$held"))"
control=$(dpkg-deb -I "$deb" | awk '/^ +[0-9]+ bytes, +[0-9]+ lines/ {print $NF == "*" ? $(NF - 1) : $NF}' | sort | xargs)
[ "$control" = "control md5sums" ] || fail "the package's control part holds $control, not just control and md5sums"

# Every shared library the programs and the resource library need comes from a package that the package depends on.
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*//; s/ //g')
sonames=$(for elf in "$root"/usr/libexec/korvel/{korvel,korvel-cli,libkorvelres.so}; do
    readelf -d "$elf" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'
done | sort -u)
[ -n "$sonames" ] || fail "the programs name no shared library at all"
# One search of dpkg's file lists for all of them: "libqt6core6:amd64: /usr/lib/x86_64-linux-gnu/libQt6Core.so.6".
found=$(dpkg -S $(sed 's|^|*/|' <<<"$sonames") 2>/dev/null || true)
for soname in $sonames; do
    owners=$(grep -F "/$soname" <<<"$found" | grep "/$soname\$" | sed 's/: .*//' | tr ',' '\n' | sed 's/:.*//; s/ //g' |
        sort -u)
    [ -n "$owners" ] || fail "no installed package holds $soname, which the programs need"
    covered=no
    for owner in $owners; do
        grep -qx "$owner" <<<"$depends" && covered=yes
    done
    [ $covered = yes ] || fail "the programs need $soname of $owners, which Depends does not name"
done

# The unpacked programs run, through their links, with the resource library beside them; both tell the version.
cli=$root/usr/bin/korvel-cli
[ "$("$cli" --version)" = "korvel-cli $version" ] || fail "korvel-cli --version: $("$cli" --version)"
[ "$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/korvel" --version 2>/dev/null)" = "korvel $version" ] ||
    fail "korvel --version does not print korvel $version"
"$cli" create "$work/unpacked.kvx" >/dev/null && "$cli" templates "$work/unpacked.kvx" | grep -q . ||
    fail "the unpacked korvel-cli could not make a wallet and list its templates"

# lintian: no errors; its warnings are shown.
lintian "$deb" >"$work/lintian.log" 2>&1 || true
grep -E '^[EW]: ' "$work/lintian.log" || true
grep -q '^E: ' "$work/lintian.log" && fail "lintian reports errors"

# The manual pages render without a warning; the entries are valid; the version is the same everywhere.
for page in korvel korvel-cli; do
    warnings=$(zcat "$root/usr/share/man/man1/$page.1.gz" | groff -ww -man -Tutf8 -z 2>&1)
    [ -z "$warnings" ] || fail "groff warns on $page(1): $warnings"
done
appstreamcli validate --no-net "$root/usr/share/metainfo/org.ostrande.korvel.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream.log")"
desktop-file-validate "$root/usr/share/applications/korvel.desktop" ||
    fail "desktop-file-validate finds fault with korvel.desktop"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.ostrande.korvel.metainfo.xml" ||
    fail "the software centre's entry names no release $version"
zcat "$root/usr/share/doc/korvel/changelog.gz" | head -1 | grep -q "^korvel ($version)" ||
    fail "the changelog does not start with version $version"
grep -q "Twemoji" "$root/usr/share/doc/korvel/copyright" || fail "the copyright file does not credit Twemoji"

# Every command that korvel-cli lists has its section in the manual page and its place in the completion.
commands=$("$cli" help | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p; s/^  \([a-z][a-z-]*\)$/\1/p')
[ "$(wc -w <<<"$commands")" -gt 10 ] || fail "korvel-cli help lists too few commands: $commands"
manual=$(zcat "$root/usr/share/man/man1/korvel-cli.1.gz")
script=$root/usr/share/bash-completion/completions/korvel-cli
for command in $commands; do
    grep -qx ".SS ${command//-/\\\\-}" <<<"$manual" || fail "korvel-cli(1) has no section on $command"
    grep -q "^ *$command) options=" "$script" || fail "the bash completion does not know $command"
done

# The completion itself, as bash runs it: Tab after the program, after an option with few values, on a wallet.
complete_words() {
    (cd "$work/files" && bash -c 'source "$1"; source "$2"; shift 2
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _korvel_cli; printf "%s\n" "${COMPREPLY[@]}" | sort | xargs' _ "$completion_lib" "$script" korvel-cli "$@")
}
mkdir -p "$work/files"
touch "$work/files/a.kvx" "$work/files/b.kvt" "$work/files/c.txt"
offered=$(complete_words "")
for command in $commands; do
    grep -qw -- "$command" <<<"$offered" || fail "Tab after korvel-cli does not offer $command: $offered"
done
[ "$(complete_words import a.kvx c.txt --format "")" = "bitwarden-json csv keepass-xml" ] ||
    fail "Tab after import --format offers: $(complete_words import a.kvx c.txt --format "")"
[ "$(complete_words show "")" = "a.kvx" ] || fail "Tab on show's wallet offers: $(complete_words show "")"
[ "$(complete_words template-import a.kvx "")" = "b.kvt" ] ||
    fail "Tab on template-import's file offers: $(complete_words template-import a.kvx "")"
[ "$(complete_words import a.kvx --dr)" = "--dry-run" ] || fail "Tab on import --dr offers: $(complete_words import a.kvx --dr)"

[ $failures -eq 0 ] || exit 1
rm -rf "$work"
echo "PASS"

#!/bin/sh
# The files a desktop install adds besides the programs, checked as distributions check
# them. A check whose tool is not installed exits 77, which CTest reports as skipped.
#   check.sh metainfo SOURCE_DIR
#   check.sh desktop SOURCE_DIR
#   check.sh man SOURCE_DIR KAVIO KAVIO_STORE
#   check.sh versions SOURCE_DIR PROJECT_VERSION
set -eu
mode=$1
src=$2
metainfo=$src/app/io.github.kavio_app.Kavio.metainfo.xml
desktop=$src/app/kavio.desktop

need() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "SKIP: $1 is not installed (scripts/install-deps installs it)"
        exit 77
    fi
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

case $mode in
metainfo)
    need appstreamcli
    appstreamcli validate --no-net "$metainfo"
    ;;
desktop)
    need desktop-file-validate
    # Warnings and hints leave its exit status 0, so any output fails.
    out=$(desktop-file-validate "$desktop" 2>&1) || fail "$out"
    [ -z "$out" ] || fail "$out"
    ;;
man)
    need groff
    kavio=$3
    store=$4
    for page in "$src"/docs/man/*.1; do
        warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
        [ -z "$warnings" ] || fail "$page: $warnings"
    done
    # Every option and verb the programs know is in their page: pages go stale quietly.
    render() { LC_ALL=C.UTF-8 groff -man -Tascii -P-cbou -rLL=1000n "$src/docs/man/$1" 2>/dev/null; }
    page=$(render kavio.1)
    options=$(QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$kavio" --help |
        sed -n 's/^ *\(-[a-zA-Z?], \)\{0,1\}\(--[a-z][a-z-]*\).*/\2/p')
    [ -n "$options" ] || fail "no options read from kavio --help"
    for option in $options; do
        printf '%s\n' "$page" | grep -qF -e "$option" || fail "kavio.1 does not describe $option"
    done
    page=$(render kavio-store.1)
    verbs=$("$store" --help | sed -n 's/^  \([a-z][a-z]*\) .*/\1/p')
    [ -n "$verbs" ] || fail "no verbs read from kavio-store --help"
    for verb in $verbs; do
        printf '%s\n' "$page" | grep -q -E "^ *kavio-store $verb( |\$)" || fail "kavio-store.1 has no synopsis for $verb"
    done
    ;;
versions)
    # The package, the AppStream release list and the Debian changelog name one version.
    version=$3
    newest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
    [ "$newest" = "$version" ] || fail "newest release in $metainfo is '$newest', the project is $version"
    changelog=$(sed -n '1s/^kavio (\([^)]*\)).*/\1/p' "$src/cmake/debian/changelog")
    [ "$changelog" = "$version" ] || fail "cmake/debian/changelog starts at '$changelog', the project is $version"
    ;;
*)
    fail "unknown check $mode"
    ;;
esac
echo "ok: $mode"

#!/usr/bin/env bash
# The Debian package as a user meets it. scripts/package builds it; lintian (no errors),
# desktop-file-validate and appstreamcli check it; apt-get installs it. The unprivileged user nobody, with a
# fresh home, starts the command of the installed desktop entry under Xvfb: the data folder appears with the
# delivered files, the delivered password opens the program, and a sample it takes is in that user's
# database. A package of a higher version goes over it (an upgrade), the next start still finds the sample;
# apt-get remove and purge leave the user's folders alone, and the machine is left without the package.
# Arguments: display, source folder.
ROOT="${2:?source folder}"
source "$ROOT/tests/app/x11_support.sh" "$1" /usr/bin/varnholt /usr/share/varnholt/ABC.GDB
export DEBIAN_FRONTEND=noninteractive
APT=(apt-get -o DPkg::Lock::Timeout=300 -y -q)
APP_ID=org.varnholt.Varnholt

[ "$(id -u)" = 0 ] || fail "installing a package needs root"
installed_version() { dpkg-query -W -f='${Status} ${Version}' varnholt 2>/dev/null | sed -n 's/^install ok installed //p'; }
[ -z "$(installed_version)" ] || fail "varnholt $(installed_version) is installed here: remove it, or leave out the label package"

GROUP=""
stop_program() {
    [ -n "$GROUP" ] && kill -- "-$GROUP" 2>/dev/null || true
    GROUP=""
}
finish() {
    stop_program
    [ -n "$(installed_version)" ] && "${APT[@]}" purge varnholt >/dev/null 2>&1
    cleanup
}
trap finish EXIT

# The package.
DEB="$("$ROOT/scripts/package" 2>"$WORK/package.txt" | tail -1)" || { tail -40 "$WORK/package.txt"; fail "scripts/package failed"; }
[ -f "$DEB" ] || fail "scripts/package wrote no package"
echo "package: $DEB"
# (It prints a caution about running as root on its error stream.)
lintian --fail-on error "$DEB" >"$WORK/lintian.txt" 2>/dev/null || { cat "$WORK/lintian.txt"; fail "lintian reports errors"; }
echo "lintian:"
sed 's/^/  /' "$WORK/lintian.txt"
dpkg-deb -x "$DEB" "$WORK/tree"
desktop-file-validate "$WORK/tree/usr/share/applications/$APP_ID.desktop" || fail "desktop entry not valid"
appstreamcli validate --no-net "$WORK/tree/usr/share/metainfo/$APP_ID.metainfo.xml" >"$WORK/appstream.txt" 2>&1 ||
    { cat "$WORK/appstream.txt"; fail "AppStream metadata not valid"; }
for f in usr/bin/varnholt:755 usr/share/varnholt/Config.ini:644 usr/share/varnholt/SuccessTips.txt:644 \
    usr/share/varnholt/ABC.GDB:644 usr/share/icons/hicolor/scalable/apps/$APP_ID.svg:644 \
    usr/share/icons/hicolor/48x48/apps/$APP_ID.png:644 usr/share/icons/hicolor/256x256/apps/$APP_ID.png:644 \
    usr/share/doc/varnholt/copyright:644 usr/share/doc/varnholt/changelog.gz:644 \
    usr/share/man/man1/varnholt.1.gz:644; do
    [ "$(stat -c %a "$WORK/tree/${f%:*}" 2>/dev/null)" = "${f##*:}" ] || fail "${f%:*} missing or not mode ${f##*:}"
done
# Where the GNOME Shell extension's sources are, the package carries it.
if [ -d "$ROOT/src/platform/linux/gnome" ]; then
    [ -d "$WORK/tree/usr/share/gnome-shell/extensions/varnholt@varnholt.org" ] || fail "no GNOME Shell extension"
fi
# Nothing of the package reaches into homes: no maintainer scripts, only files below /usr.
dpkg-deb -e "$DEB" "$WORK/control"
[ "$(ls "$WORK/control" | tr '\n' ' ')" = "control md5sums " ] || fail "control files: $(ls "$WORK/control")"
[ "$(ls "$WORK/tree")" = usr ] || fail "files outside /usr: $(ls "$WORK/tree")"
depends="$(dpkg-deb -f "$DEB" Depends)"
for d in libfbclient2 firebird3.0-server-core qt6-translations-l10n qt6-qpa-plugins fonts-wqy-microhei libqt6widgets6; do
    grep -qw -- "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done

"${APT[@]}" install "$DEB" >"$WORK/install.txt" 2>&1 || { cat "$WORK/install.txt"; fail "apt-get install failed"; }
[ "$(installed_version)" = "$(dpkg-deb -f "$DEB" Version)" ] || fail "not installed"

# A user of the machine: nobody, with a fresh home and a runtime folder of its own, on a desktop of ours.
start_x
chmod 711 "$WORK"
USER_HOME="$WORK/home"
USER_RUN="$WORK/run"
mkdir -m 700 "$USER_HOME" "$USER_RUN"
chown nobody:nogroup "$USER_HOME" "$USER_RUN"
DATA="$USER_HOME/.local/share/varnholt"
STATE="$USER_HOME/.local/state/varnholt"
# The user's session: its own environment, no variable of ours.
AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$USER_HOME" XDG_RUNTIME_DIR="$USER_RUN"
    PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 DISPLAY="$DISPLAY")
# The menu's command line, as a launcher runs it.
EXEC="$(sed -n 's/^Exec=//p' "/usr/share/applications/$APP_ID.desktop")"
[ "$EXEC" = varnholt ] || fail "desktop entry starts '$EXEC'"
start_program() { # $1 output file; leaves the program at its login dialog
    # A session of its own (the program and its session bus), ended as a whole.
    setsid "${AS_USER[@]}" dbus-run-session -- sh -c "exec $EXEC" >"$WORK/$1" 2>&1 &
    GROUP=$!
    LOGIN="$(wait_window '^系统登录$' 300)" || { cat "$WORK/$1"; fail "no login dialog ($1)"; }
}
log_in() {
    type_into "$LOGIN" qwhmzt
    wait_gone '^系统登录$' || fail "the delivered password was refused"
}
end_program() { # SIGTERM ends it through its own exit, with every sample committed
    local pid
    pid="$(pgrep -s "$GROUP" -x varnholt)" || fail "the program is not running"
    kill -TERM "$pid"
    for _ in $(seq 100); do kill -0 "$GROUP" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$GROUP" 2>/dev/null && fail "the program did not end"
    GROUP=""
}
# The user's own records, read with Firebird's isql once the program has ended.
samples() {
    printf 'SELECT TIMEDETAIL, PROCESS_NAME FROM TIMEINFO ORDER BY TIMEDETAIL;\n' |
        "${AS_USER[@]}" FIREBIRD_LOCK="$USER_RUN" isql-fb -q -user ADMIN -password k4rv9tbe "$DATA/ABC.GDB" |
        grep varnholt || true
}
fingerprint() { (cd "$USER_HOME" && find . -type f -print0 | sort -z | xargs -0 md5sum); }

# First start: the data folder is made and filled from the delivered files.
start_program first.txt
for f in Config.ini SuccessTips.txt; do
    cmp -s "$DATA/$f" "/usr/share/varnholt/$f" || fail "$f was not delivered into the data folder"
done
[ "$(stat -c %U "$DATA/ABC.GDB")" = nobody ] || fail "no database of the user's own"
[ -d "$STATE" ] || fail "no state folder"
shot package-login.png
log_in
end_program
grep -q '^Version=1.2' "$DATA/Config.ini" || fail "the program did not write to the user's settings"
dpkg --verify varnholt || fail "the installed files changed"

# Second start, with a schedule that runs all day and samples every minute: a sample lands in the user's
# database, the trace in the state folder.
printf '%s\r\n' '[System]' 'AutoTask=1' 'AutoMinimize=0' '[OtherSettings]' 'AutoUpdate=0' '[TimeConfig]' \
    'Taskexecutype=0' 'TimeFrom=0:00:00' 'TimeEnd=23:59:59' 'MonitorInterval=1' >>"$DATA/Config.ini"
start_program second.txt
log_in
for _ in $(seq 900); do grep -q '^current_caption:' "$STATE/logd.txt" 2>/dev/null && break; sleep 0.1; done
grep -q '^current_caption:' "$STATE/logd.txt" 2>/dev/null || fail "no sample was taken"
shot package-running.png
end_program
before="$(samples)"
[ -n "$before" ] || fail "no sample in the user's database"
[ ! -e "$DATA/logd.txt" ] || fail "the trace went to the data folder"

# An upgrade: the same package with a higher version, installed over it.
dpkg-deb -R "$DEB" "$WORK/upgrade"
sed -i 's/^Version: \(.*\)/Version: \1+1/' "$WORK/upgrade/DEBIAN/control"
dpkg-deb --root-owner-group -b "$WORK/upgrade" "$WORK/varnholt_upgrade.deb" >/dev/null
files="$(fingerprint)"
"${APT[@]}" install "$WORK/varnholt_upgrade.deb" >"$WORK/upgrade.txt" 2>&1 || { cat "$WORK/upgrade.txt"; fail "upgrade failed"; }
[[ "$(installed_version)" == *+1 ]] || fail "the upgrade was not installed: $(installed_version)"
[ "$(fingerprint)" = "$files" ] || fail "the upgrade changed the user's files"
start_program third.txt
log_in
end_program
after="$(samples)"
[ "${after:0:${#before}}" = "$before" ] || fail "samples lost in the upgrade: before '$before', after '$after'"

# Removal and purge leave the user's folders as they were.
files="$(fingerprint)"
"${APT[@]}" remove varnholt >"$WORK/remove.txt" 2>&1 || { cat "$WORK/remove.txt"; fail "remove failed"; }
[ "$(fingerprint)" = "$files" ] || fail "apt-get remove changed the user's files"
# The package has no configuration files, so removing it removed all of it: purge the next installation.
[ -z "$(installed_version)" ] || fail "apt-get remove left the package installed"
"${APT[@]}" install "$DEB" >"$WORK/install2.txt" 2>&1 || { cat "$WORK/install2.txt"; fail "second install failed"; }
"${APT[@]}" purge varnholt >"$WORK/purge.txt" 2>&1 || { cat "$WORK/purge.txt"; fail "purge failed"; }
[ "$(fingerprint)" = "$files" ] || fail "apt-get purge changed the user's files"
[ -z "$(installed_version)" ] && [ ! -e /usr/bin/varnholt ] && [ ! -e /usr/share/varnholt ] || fail "package left behind"
echo "PASS"

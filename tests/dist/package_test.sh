#!/usr/bin/env bash
# Checks what a player gets: `install` installs the build into a DESTDIR and checks the tree;
# `package` builds the Debian package from debian/ with dpkg-buildpackage out of a copy of the
# source tree (without running the suite again inside it), runs lintian on the result, checks
# its fields, its tree and the program's hardening, and starts the unpacked program offscreen
# and under a real X server, ending it with SIGTERM.
# Usage: package_test.sh install|package BUILD_DIR
set -euo pipefail
mode="$1"
build="$(cd "$2" && pwd)"
source="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
tmp="$(mktemp -d)"
trap 'for p in ${pids:-}; do kill "$p" 2>/dev/null || true; done; rm -rf "$tmp"' EXIT
pids=""
id=de.tollmark.Wurfwummel
sizes="16 22 24 32 48 64 128 256 512"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The keywords of one language, sorted, from the desktop entry (KEY is Keywords or
# Keywords[de]) and from the metainfo (LANG empty or de).
desktop_keywords() {
  awk -v key="$2" 'index($0, key "=") == 1 { print substr($0, length(key) + 2) }' "$1" |
    tr ';' '\n' | sed '/^$/d' | sort
}
metainfo_keywords() {
  if [ -z "$2" ]; then
    sed -n 's|^ *<keyword>\(.*\)</keyword>|\1|p' "$1" | sort
  else
    sed -n "s|^ *<keyword xml:lang=\"$2\">\\(.*\\)</keyword>|\\1|p" "$1" | sort
  fi
}

# The exact set of files under ROOT/PREFIX, nothing more; MODULEDIR is the chart module's
# folder; EXTRA lists files beyond the install rules' (the package's documentation).
check_tree() {
  local root="$1" prefix="$2" moduledir="$3" extra="${4:-}" expected actual
  expected="$(
    {
      echo "$prefix/games/wurfwummel"
      echo "$moduledir/wurfwummel-chart.so"
      echo "$prefix/share/applications/$id.desktop"
      echo "$prefix/share/metainfo/$id.metainfo.xml"
      for n in $sizes; do echo "$prefix/share/icons/hicolor/${n}x${n}/apps/$id.png"; done
      echo "$prefix/share/icons/hicolor/scalable/apps/$id.svg"
      echo "$prefix/share/man/man6/wurfwummel.6.gz"
      echo "$prefix/share/man/de/man6/wurfwummel.6.gz"
      for f in $extra; do echo "$f"; done
    } | sort
  )"
  actual="$(cd "$root" && find . -type f -o -type l | sed 's|^\.||' | sort)"
  if [ "$expected" != "$actual" ]; then
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    fail "installed tree differs (< expected, > installed)"
  fi
  [ -x "$root$prefix/games/wurfwummel" ] || fail "program not executable"
  file -b "$root$prefix/games/wurfwummel" | grep -q '^ELF' || fail "program is not an ELF binary"
  file -b "$root$moduledir/wurfwummel-chart.so" | grep -q '^ELF .* shared object' ||
    fail "chart module is not an ELF shared object"
  # The program looks for the module at a path relative to its own folder: that path leads to
  # the installed module.
  local relative
  relative="$(strings -n 6 "$root$prefix/games/wurfwummel" |
    sed -n 's|^/\(\(\.\./\)*lib/.*\)/wurfwummel-chart\.so$|\1|p' | head -n1)"
  [ -n "$relative" ] || fail "the program names no folder for its chart module"
  [ "$(realpath -m "$root$prefix/games/$relative")" = "$(realpath -m "$root$moduledir")" ] ||
    fail "the program looks for its chart module in $prefix/games/$relative, not $moduledir"
  for n in $sizes; do
    local info
    info="$(file -b "$root$prefix/share/icons/hicolor/${n}x${n}/apps/$id.png")"
    [[ "$info" == "PNG image data, $n x $n, 8-bit/color RGBA, non-interlaced" ]] ||
      fail "icon ${n}x${n}: $info"
  done
  file -b "$root$prefix/share/icons/hicolor/scalable/apps/$id.svg" | grep -q '^SVG' ||
    fail "scalable icon is not SVG"
  for page in man/man6 man/de/man6; do
    local text
    text="$(gzip -dc "$root$prefix/share/$page/wurfwummel.6.gz")" || fail "$page not gzip"
    grep -q '^\.TH WURFWUMMEL 6 ' <<<"$text" || fail "$page is not a section 6 page"
    grep -q 'Tollmark/Wurfwummel' <<<"$text" || fail "$page does not say where the files are"
    grep -Eq '^\.SH (OPTIONS|OPTIONEN)' <<<"$text" || fail "$page says nothing on options"
  done
  # Each page renders without complaint from groff, and its NAME line is what apropos reads.
  for page in man/man6 man/de/man6; do
    local warnings
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l \
      "$root$prefix/share/$page/wurfwummel.6.gz" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "$page: $warnings"
    warnings="$(gzip -dc "$root$prefix/share/$page/wurfwummel.6.gz" | groff -ww -z -man -Tutf8 2>&1)"
    [ -z "$warnings" ] || fail "$page: groff: $warnings"
    lexgrog "$root$prefix/share/$page/wurfwummel.6.gz" | grep -q ': "wurfwummel - ' ||
      fail "$page: lexgrog finds no NAME line"
  done
  # Both validators, with nothing to say about the desktop entry.
  local out
  out="$(desktop-file-validate "$root$prefix/share/applications/$id.desktop" 2>&1)" ||
    fail "desktop-file-validate: $out"
  [ -z "$out" ] || fail "desktop-file-validate warns: $out"
  appstreamcli validate --no-net "$root$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"
  # The entry starts the installed program by its path and names the installed icon.
  local desktop="$root$prefix/share/applications/$id.desktop"
  local metainfo="$root$prefix/share/metainfo/$id.metainfo.xml"
  grep -qx "Exec=$prefix/games/wurfwummel" "$desktop" || fail "Exec: $(grep ^Exec= "$desktop")"
  grep -qx "Icon=$id" "$desktop" || fail "Icon"
  grep -qx "StartupNotify=true" "$desktop" || fail "StartupNotify"
  # The same keywords in both files, language by language.
  [ "$(desktop_keywords "$desktop" Keywords)" = "$(metainfo_keywords "$metainfo" '')" ] ||
    fail "English keywords differ between desktop entry and metainfo"
  [ "$(desktop_keywords "$desktop" 'Keywords[de]')" = "$(metainfo_keywords "$metainfo" de)" ] ||
    fail "German keywords differ between desktop entry and metainfo"
  [ -n "$(desktop_keywords "$desktop" Keywords)" ] || fail "no keywords"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$root$prefix/share/metainfo/$id.metainfo.xml" || fail "launchable"
  echo "tree under $prefix: $(echo "$actual" | wc -l) files, validators passed"
}

. "$(dirname "${BASH_SOURCE[0]}")/waitfor.sh"

files_written() { [ -s "$1/Tollmark/Wurfwummel/wurfwummel.cfg" ] && [ -s "$1/Tollmark/Wurfwummel/wurfwummel.scr" ]; }

# Starts the program, waits until it is ready, removes its files, ends it with SIGTERM and
# expects exit code 0 and both files written again.
run_and_terminate() {
  local program="$1" platform="$2" data="$tmp/data-$2" pid rc
  mkdir -p "$data"
  XDG_DATA_HOME="$data" QT_QPA_PLATFORM="$platform" "$program" &
  pid=$!
  pids="$pids $pid"
  wait_for 30 files_written "$data" || fail "$platform: the first start wrote no files"
  if [ "$platform" = xcb ]; then
    local win geometry
    win="$(DISPLAY="$DISPLAY" timeout 30 xdotool search --sync --onlyvisible --name '^Wurfwummel$' | head -1)" ||
      fail "xcb: no main window"
    geometry="$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')"
    # A 1280 x 1024 screen takes the standard layout: 570 wide, 730 high plus the menu bar.
    [ "${geometry%x*}" = 570 ] && [ "${geometry#*x}" -gt 730 ] || fail "xcb: window is $geometry"
    # The window manager finds the desktop entry by the window's class.
    local class
    class="$(xprop -id "$win" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p')"
    [ -n "$class" ] && grep -qx "StartupWMClass=$class" "$desktop_entry" ||
      fail "xcb: window class '$class' is not the desktop entry's StartupWMClass"
    echo "xcb: main window $win, $geometry, class $class"
  else
    sleep 1 # into the event loop
  fi
  kill -0 "$pid" 2>/dev/null || fail "$platform: the program ended by itself"
  rm "$data/Tollmark/Wurfwummel/wurfwummel.cfg" "$data/Tollmark/Wurfwummel/wurfwummel.scr"
  kill -TERM "$pid"
  rc=0
  wait "$pid" || rc=$?
  [ "$rc" -eq 0 ] || fail "$platform: exit code $rc after SIGTERM"
  files_written "$data" || fail "$platform: SIGTERM did not write the files"
  [ "$(head -c 8 "$data/Tollmark/Wurfwummel/wurfwummel.cfg")" = Spieler1 ] || fail "settings"
  [ "$(grep -c '' "$data/Tollmark/Wurfwummel/wurfwummel.scr")" -eq 20 ] || fail "scores"
  echo "$platform: started, ended by SIGTERM with exit code 0, files written"
}

case "$mode" in
install)
  DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr/local >/dev/null
  # The libraries' folder as the build chose it for its prefix (with or without the triplet).
  moduledir="$(cd "$tmp/root" && find ./usr/local/lib -name wurfwummel-chart.so -printf '%h\n' | sed 's|^\.||')"
  check_tree "$tmp/root" /usr/local "${moduledir:-/usr/local/lib/wurfwummel}"
  ;;
package)
  for tool in dpkg-buildpackage dh lintian hardening-check Xvfb xdotool xprop; do
    command -v "$tool" >/dev/null || fail "$tool is missing (setup.sh installs it)"
  done
  # A copy of the source tree as git knows it, uncommitted changes included, so that neither
  # the build nor debian/'s leftovers touch the working tree.
  src="$tmp/src/wurfwummel-1.02"
  mkdir -p "$src"
  if git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
    (cd "$source" && git ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
      tar --null -T - -cf -) | tar -xf - -C "$src"
  else
    tar -C "$source" --exclude-vcs --exclude='./build' --exclude='./build-*' -cf - . | tar -xf - -C "$src"
  fi
  # The suite is this very test's caller: the package is built without running it again.
  (cd "$src" && DEB_BUILD_OPTIONS=nocheck dpkg-buildpackage -us -uc -b -Pnocheck \
    >"$tmp/build.log" 2>&1) || {
    tail -n 60 "$tmp/build.log" >&2
    fail "dpkg-buildpackage"
  }
  arch="$(dpkg --print-architecture)"
  deb="$tmp/src/wurfwummel_1.02-1_$arch.deb"
  changes="$tmp/src/wurfwummel_1.02-1_$arch.changes"
  [ -f "$deb" ] || fail "no $deb: $(ls "$tmp/src")"
  # The build used the distribution's flags: the compiler lines carry them.
  grep -q -- '-fstack-protector-strong' "$tmp/build.log" && grep -q -- '-D_FORTIFY_SOURCE=2' "$tmp/build.log" ||
    fail "the build did not use dpkg-buildflags"

  # lintian, pedantic tags and all: nothing to say (overrides in debian/ give their reasons).
  lintian_out="$(lintian --pedantic --display-info --fail-on error,warning,info,pedantic \
    "$changes" 2>"$tmp/lintian.err")" || fail "lintian: $lintian_out $(cat "$tmp/lintian.err")"
  [ -z "$lintian_out" ] || fail "lintian: $lintian_out"
  echo "lintian --pedantic: no tags"

  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = wurfwummel ] || fail "Package"
  [ "$(field Version)" = 1.02-1 ] || fail "Version"
  [ "$(field Section)" = games ] || fail "Section: $(field Section)"
  [[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "Maintainer: $(field Maintainer)"
  [ -n "$(field Description)" ] || fail "Description"
  depends="$(field Depends)"
  for dep in libqt6widgets6 libqt6gui6 libqt6core6 libpng16-16 libc6; do
    grep -Eq "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
  done
  # The Wayland plugin pulls QML, Quick and a compositor library: wanted, not required.
  ! grep -q 'wayland' <<<"$depends" || fail "Depends names the Wayland plugin: $depends"
  [ "$(field Recommends)" = qt6-wayland ] || fail "Recommends: $(field Recommends)"
  echo "package $(basename "$deb"): Depends: $depends; Recommends: $(field Recommends)"
  dpkg-deb -x "$deb" "$tmp/root"
  check_tree "$tmp/root" /usr "/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/wurfwummel" "/usr/share/doc/wurfwummel/copyright
    /usr/share/doc/wurfwummel/changelog.Debian.gz /usr/share/lintian/overrides/wurfwummel"
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$tmp/root/usr/share/doc/wurfwummel/copyright" || fail "copyright is not machine-readable"
  gzip -dc "$tmp/root/usr/share/doc/wurfwummel/changelog.Debian.gz" | head -1 |
    grep -q '^wurfwummel (1.02-1) ' || fail "changelog.Debian.gz"

  # Hardening, read from the program itself.
  hardening="$(hardening-check "$tmp/root/usr/games/wurfwummel")" || true
  for what in "Position Independent Executable" "Stack protected" "Fortify Source functions" \
    "Read-only relocations" "Immediate binding"; do
    grep -q "^ $what: yes" <<<"$hardening" || fail "hardening: $hardening"
  done
  echo "hardening: PIE, stack protector, fortify, full RELRO, bind now"

  desktop_entry="$tmp/root/usr/share/applications/$id.desktop"
  run_and_terminate "$tmp/root/usr/games/wurfwummel" offscreen
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  pids="$pids $!"
  wait_for 20 test -s "$tmp/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -1 "$tmp/display")"
  run_and_terminate "$tmp/root/usr/games/wurfwummel" xcb
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac

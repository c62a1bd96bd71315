# Adds Debian's non-free component (the UnRAR library, rar and unrar live
# there) to the apt sources the machine already has. Sourced by
# install-deps.sh; no source line is ever written from scratch: a machine
# whose sources name no Debian archive is told so and left as it is.
# ORVALTO_APT_DIR points it at another apt folder (the tests use that).

# A Debian archive is an address whose path ends in debian or
# debian-security, with the main component (a third party's archive that
# happens to live under a "debian" path has components of its own).
# non-free-firmware is a different component from non-free.

# deb822 format: stanzas separated by blank lines.
non_free_deb822() {
  awk '
    function flush(   i) {
      for (i = 1; i <= n; i++) {
        if (debian && lines[i] ~ /^Components:.*[ \t]main([ \t]|$)/ && lines[i] !~ /[ \t]non-free([ \t]|$)/) {
          sub(/[ \t]*$/, " non-free", lines[i]); changed = 1
        }
        print lines[i]
      }
      n = 0; debian = 0
    }
    /^[ \t]*$/ { flush(); print; next }
    { lines[++n] = $0; if ($0 ~ /^URIs:.*\/debian(-security)?\/?([ \t]|$)/) debian = 1 }
    END { flush(); exit changed ? 0 : 1 }
  ' "$1"
}

# One-line format: "deb [options] URI suite components...".
non_free_one_line() {
  awk '
    /^deb[ \t].*\/debian(-security)?\/?[ \t]/ && /[ \t]main([ \t]|$)/ && $0 !~ /[ \t]non-free([ \t]|$)/ { sub(/[ \t]*$/, " non-free"); changed = 1 }
    { print }
    END { exit changed ? 0 : 1 }
  ' "$1"
}

enable_non_free() {
  local apt="${ORVALTO_APT_DIR:-/etc/apt}" f tmp found=0
  for f in "$apt"/sources.list.d/*.sources "$apt"/sources.list.d/*.list "$apt"/sources.list; do
    [ -f "$f" ] || continue
    tmp="$(mktemp)"
    case "$f" in
      *.sources) if non_free_deb822 "$f" > "$tmp"; then cat "$tmp" > "$f"; fi ;;
      *) if non_free_one_line "$f" > "$tmp"; then cat "$tmp" > "$f"; fi ;;
    esac
    rm -f "$tmp"
    if grep -qE '^(deb[ \t].*debian.*[ \t]non-free([ \t]|$)|Components:.*[ \t]non-free([ \t]|$))' "$f"; then
      found=1
    fi
  done
  if [ "$found" = 0 ]; then
    echo "install-deps.sh: no Debian archive in apt's sources ($apt); add one with the" \
         "non-free component, then run this again" >&2
    return 1
  fi
}

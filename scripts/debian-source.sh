# Sourced by the scripts that build a library from Debian's source package for another target
# (scripts/web.sh: libmikmod for WebAssembly; scripts/windows.sh: SDL 1.2 and libmikmod for
# Windows). Defines:
#   ensure_source_entries      adds deb-src entries for Debian's archives unless some exist
#   debian_source PKG DIR      Debian's source of PKG, its patches applied, unpacked into DIR
# Expects `sudo` to be an array: empty as root, (sudo) otherwise.

# apt-get source needs source entries; Debian 12 lists only binary ones. Adds the same archives
# as sources, in a file of their own, unless some source entry exists already.
ensure_source_entries() {
  if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return
  fi
  echo "adding source entries for Debian's archives (for apt-get source)" >&2
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      "${sudo[@]}" tee /etc/apt/sources.list.d/kapu-web-src.sources >/dev/null
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
      "${sudo[@]}" tee /etc/apt/sources.list.d/kapu-web-src.list >/dev/null
  fi
  "${sudo[@]}" apt-get update -qq
}

# Downloads the source package (without unpacking it through dpkg-source, which one failing
# package can stop for all), then unpacks the original tarball and Debian's folder and applies
# Debian's patches in their order.
debian_source() {
  local package=$1 dir=$2 fetch=$2.fetch
  ensure_source_entries
  rm -rf "$dir" "$fetch" && mkdir -p "$dir" "$fetch"
  if ! (cd "$fetch" && apt-get source -qq --download-only "$package"); then
    # Entries added by someone else may not be fetched yet.
    "${sudo[@]}" apt-get update -qq
    (cd "$fetch" && apt-get source -qq --download-only "$package")
  fi
  local orig
  for orig in "$fetch"/*.orig.tar.*; do
    tar -xf "$orig" -C "$dir" --strip-components=1
  done
  tar -xf "$fetch"/*.debian.tar.* -C "$dir"
  local patch
  if [[ -f $dir/debian/patches/series ]]; then
    while read -r patch _; do
      [[ -z $patch || $patch == \#* ]] && continue
      patch -s -p1 -d "$dir" <"$dir/debian/patches/$patch"
    done <"$dir/debian/patches/series"
  fi
  rm -rf "$fetch"
}

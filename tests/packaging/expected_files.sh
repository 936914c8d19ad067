# Sourced by the packaging tests: prints the expected installed files, sorted,
# from installed_files.txt. $1: the list, $2: 1 when harf-convert is built.
expected_files() {
  sed -e '/^#/d' -e '/^$/d' "$1" | while read -r first path; do
    if [ "$first" = "convert:" ]; then
      [ "$2" = 1 ] && echo "$path"
    else
      echo "$first"
    fi
  done | LC_ALL=C sort
}

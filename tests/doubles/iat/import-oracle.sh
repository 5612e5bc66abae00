#!/bin/sh
# import-oracle.sh OBJDUMP OUTPUT DLL...
# Reads the import tables of each DLL file with objdump and writes, per file (as given):
#   file <file> <size in bytes>
#   slot <file> <imported DLL> <function> <slot RVA, hex>   where the search must find the function
#   none <file> <imported DLL> <function>                   where it must not (code 3)
# The search rules: the first descriptor of a DLL (names compared ignoring case, one trailing
# ".dll" dropped) is the only one searched, and there the first entry with the name wins; slot =
# FirstThunk + 8 * index in the name table. A descriptor without a name table finds nothing.
set -eu
objdump=$1
output=$2
shift 2
tmp="$output.tmp"
: >"$tmp"
for dll in "$@"; do
  printf 'file %s %s\n' "$dll" "$(wc -c <"$dll" | tr -d ' ')" >>"$tmp"
  "$objdump" -p "$dll" | awk -v file="$dll" '
    function hex(text,   i, value) { value = 0; text = tolower(text); for (i = 1; i <= length(text); i++) value = value * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1; return value }
    function normalised(n) { n = tolower(n); if (length(n) >= 4 && substr(n, length(n) - 3) == ".dll") n = substr(n, 1, length(n) - 4); return n }
    /^The Import Tables/ { inside = 1; next }
    inside && /^(The |PE File Base)/ { inside = 0 }
    !inside { next }
    # A descriptor line: vma, OriginalFirstThunk, TimeDateStamp, ForwarderChain, Name, FirstThunk.
    /^ [0-9a-f]+\t[0-9a-f]+ [0-9a-f]+ [0-9a-f]+ [0-9a-f]+ [0-9a-f]+$/ {
      split($0, f, /[ \t]+/); nameTable = f[3]; firstThunk = hex(f[7]); next
    }
    /^\tDLL Name: / {
      dllName = substr($0, length("\tDLL Name: ") + 1); key = normalised(dllName)
      first = !(key in seen); seen[key] = 1; index_ = 0; entries = 0; next
    }
    /^\tvma:/ { entries = 1; next }
    entries && /^\t[0-9a-f]+\t/ {
      split($0, f, /[ \t]+/)
      function_ = f[4]
      if (function_ != "<none>" && function_ != "" && !((key, function_) in done)) {
        done[key, function_] = 1
        if (first && nameTable !~ /^0+$/) printf "slot %s %s %s %x\n", file, dllName, function_, firstThunk + 8 * index_
        else printf "none %s %s %s\n", file, dllName, function_
      }
      index_++
      next
    }
    /^$/ { entries = 0 }
  ' >>"$tmp"
done
mv "$tmp" "$output"

#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 programs, else prints why not and exits 1.
# No i386 toolchain is needed: the probe is a minimal static ELF32 written byte by byte whose
# only instructions are exit(42); the machine runs i386 code exactly when it returns 42.
set -uo pipefail

probe=$(mktemp "${TMPDIR:-/tmp}/vakro-i386-probe.XXXXXX")
trap 'rm -f "$probe"' EXIT
{
  # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054, one program header.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
  # Program header: the whole file loaded read-execute at 0x08048000.
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  # mov eax, 1 (exit); mov ebx, 42; int 0x80
  printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
} >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
status=$?
if [ $status -eq 42 ]; then
  exit 0
fi
echo "a 32-bit x86 test program did not run here (exit status $status instead of 42)"
exit 1

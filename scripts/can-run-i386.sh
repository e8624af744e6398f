#!/usr/bin/env bash
# Exits 0 when this kernel runs i386 programs. Some kernels have IA-32
# emulation switched off or not built in, and then no 32-bit Wine can start;
# the only sure test is to try: assemble a program that just exits, and run it.
set -euo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf '.globl _start\n_start:\n  movl $1, %%eax\n  xorl %%ebx, %%ebx\n  int $0x80\n' >"$tmp/exit.s"
as --32 -o "$tmp/exit.o" "$tmp/exit.s"
ld -m elf_i386 -o "$tmp/exit" "$tmp/exit.o"
"$tmp/exit" 2>/dev/null

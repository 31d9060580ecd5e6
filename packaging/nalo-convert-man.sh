#!/bin/sh
# Writes the nalo-convert man page: help2man over --help and --version, with every
# tool's own --help as the TOOLS section.
set -eu
program=$1 out=$2
include=$out.include
{
    echo "[TOOLS]"
    for tool in $("$program" --help | sed -n '/^Tools:/,/^$/p' | awk 'NF > 1 { print $1 }'); do
        echo ".SS $tool"
        echo ".nf"
        "$program" "$tool" --help | sed 's/\\/\\\\/g; s/^\./\\\&./'
        echo ".fi"
    done
} > "$include"
help2man --no-info --name="convert pictures, videos and audio-CD tracks" --include="$include" --output="$out" "$program"
rm -f "$include"

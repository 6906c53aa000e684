#!/bin/sh
# Defines COM<number> in a Wine prefix as a name for TARGET (any file).
#   define-com.sh PREFIX NUMBER TARGET
mkdir -p "$1/dosdevices" && ln -sfn "$3" "$1/dosdevices/com$2"

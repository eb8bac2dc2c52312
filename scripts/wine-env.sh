# Sourced by the scripts that run Windows programs: one 64-bit Wine, quiet, Japanese code page.
# Where 32-bit Wine is installed too (machines that run i386 code), the same prefix and server
# run the 32-bit release: the 64-bit loader hands a 32-bit program to the 32-bit one.
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${VAKRO_WINEPREFIX:-$repo_root/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset LC_ALL LC_CTYPE LC_MESSAGES
export LANG=ja_JP.UTF-8
wine_exe=/usr/lib/wine/wine64
wine32_exe=/usr/lib/wine/wine

# Sourced by the scripts that run Windows programs: one 64-bit Wine, quiet, Japanese code page.
# (Machines of this kind run 64-bit user code only, so the tests use the x64 build of the
# same sources; the i686 build is the release.)
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

# Sourced by the Windows test and screenshot scripts: a fresh, private Wine prefix in which
# windows are drawn on a virtual desktop with their frames (there is no window manager under
# Xvfb) and the Japanese dialog fonts are found (IPA Gothic stands in for MS Gothic).
#   make_wine_prefix FOLDER [WIDTHxHEIGHT]   sets WINEPREFIX and initialises it
#   run_hidden COMMAND...                    runs a command with Wine's console noise dropped

make_wine_prefix() {
  export WINEPREFIX="$1/prefix"
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialogs in a fresh prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local desktop=${2:-640x420}
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  local reg="$1/settings.reg"
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' "\"Default\"=\"$desktop\"" '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"ＭＳ ゴシック"="IPAGothic"' '"ＭＳ Ｐゴシック"="IPAPGothic"' \
    '"MS Gothic"="IPAGothic"' '"MS PGothic"="IPAPGothic"' '"MS UI Gothic"="IPAPGothic"' |
    iconv -f UTF-8 -t UTF-16 >"$reg.utf16"
  wine regedit /S "$(winepath -w "$reg.utf16" 2>/dev/null)" >/dev/null 2>&1
  wineserver -w
}

run_hidden() {
  "$@" 2>/dev/null
}

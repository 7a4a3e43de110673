# Sourced by the Windows test and screenshot scripts: a fresh, private Wine prefix in which
# windows are drawn on a virtual desktop with their frames (there is no window manager under
# Xvfb) and the Japanese dialog fonts are found (IPA Gothic stands in for MS Gothic).
#   make_wine_prefix FOLDER [WIDTHxHEIGHT]   sets WINEPREFIX and initialises it
#   run_hidden COMMAND...                    runs a command with Wine's console noise dropped
#   local_update_server DOCUMENTS_FOLDER     points the dialog's daily update check (its settings
#                                            under that common documents folder) at a closed
#                                            local port

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

# The dialog's start-up update check asks its server for the update page; in tests it asks a
# port on this machine where nothing listens, so it fails at once and nothing leaves the machine.
local_update_server() {
  local folder="$1/Temp/r_Utile/_Setting"
  mkdir -p "$folder"
  printf '%s\r\n' '[IR_update]' 'server_name=127.0.0.1:9' |
    iconv -f UTF-8 -t UTF-16 >"$folder/r_Utile.ini"
}

#pragma once

#include <QString>

namespace kema {

// One value of an ini file, read the way the Windows profile call reads it into a buffer of 128
// characters. Section and key names are matched without regard to case, so [NWLS\Common] and
// [NWLS\COMMON] are one section even when written apart; the first line with the key in a section
// of that name wins. The value is the text
// after the first "=", without surrounding blanks and without one pair of enclosing quotes
// ("..." or '...'), cut to 127 characters and then at its first NUL. An empty value, a missing
// key, section or file give the default as passed. The file may be UTF-8 (with or without a
// byte-order mark), UTF-16 with a byte-order mark, or code page 932. Lines starting with ";"
// are comments. Nothing is cached: every call reads the file afresh.
QString ReadIniValue(const QString& file, const QString& section, const QString& key,
                     const QString& defaultValue);

// The per-user settings file: $KEMA_SETTINGS when set and not empty, else
// ${XDG_CONFIG_HOME:-$HOME/.config}/KEMA/settings.ini.
QString settingsFilePath();

// A value of the settings store of the application "KEMA". Sections are named as the registry
// sections were, backslash included: [NWLS\Common]. The file is read as ReadIniValue reads it,
// except that, as with a registry string, the value is never cut to 127 characters (connection
// strings are longer) and a key present with an empty value gives the empty text, not def.
QString GetSetting(const QString& section, const QString& key, const QString& def = {});

// The printer-offset ini: $KEMA_NPRINTER_INI when set and not empty, else
// /Nwls/App/Recept/Nprinter.ini.
QString nprinterIniPath();

} // namespace kema

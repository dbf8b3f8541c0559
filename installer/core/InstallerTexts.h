// InstallerTexts.h -- every text the installer shows, in UTF-8, exactly as the user reads it.
#pragma once

namespace ks::txt {

inline constexpr const char* AppTitle = "Az elektronikus pályázat kitöltő telepítője";
inline constexpr const char* Label2 = "GRAV Elektronikus pályázat kitöltő";

inline constexpr const char* CannotCreateFile = "Telepítés nem lehetséges. Fájl nem hozható létre (";
inline constexpr const char* ZipError = "Zip hiba: ";
inline constexpr const char* FontFailed = "Betütípus telepítés nem sikerült! Valószínűleg nincs hozzá "
                                          "jogosultsága. Kérjük értesítse a rendszergazdát!";
inline constexpr const char* AppRunning =
    "A telepítés nem lehetséges, mert a kitöltőprogram jelenleg is fut. "
    "Kérem lépjen ki a kitöltőprogramból és futtassa újra a telepítőt.";
inline constexpr const char* NotAllFiles = "Nem minden fájlt sikerült telepíteni/felülírni. Kérem indítsa "
                                           "újra a számítógépét és futtassa újra a telepítőt.";
inline constexpr const char* Success = "Telepítés sikeresen befejeződött.\r\n\r\n"
                                       "A kitöltőprogram használata elött \r\n"
                                       "kérjük indítsa újra a számítógépét!";

} // namespace ks::txt

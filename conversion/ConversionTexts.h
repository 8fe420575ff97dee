// The window's and the run's own texts.
#pragma once

#include "platform/Version.h"

namespace korvane::texts {

inline constexpr const char* kCaption = "Korvane ver. " KORVANE_VERSION;
inline constexpr const char* kOpenDbfButton = "1. Nová DBF";
inline constexpr const char* kChangeXmlButton = "2. Změnit cestu XML";
inline constexpr const char* kRunButton = "3. Vytvořit XML";
inline constexpr const char* kNoFileChosen = "Není vybrán žádný soubor";
inline constexpr const char* kNothingYet = "Zatím nic ...";
inline constexpr const char* kTableCaption = "Tabulka DBF:";
inline constexpr const char* kTargetCaption = "Cílové XML:";
inline constexpr const char* kChooseTable = "Vyberte soubor DBF k převodu ...";
inline constexpr const char* kTableOpening = "Tabulka se otevírá ....";
inline constexpr const char* kOk = "OK ....";
inline constexpr const char* kXmlOpening = "XML se otevírá ....";
inline constexpr const char* kWritingStructure = "XML Zápis struktury ....";
inline constexpr const char* kDone = "Hotovo ....";
inline constexpr const char* kChooseNext = "Vyberte další soubor ....";
inline constexpr const char* kFooter = "Korvane \u2014 tabulky DBF do XML";
inline constexpr const char* kUnreadableValues =
    "Některé hodnoty nešlo přečíst (%d); v dokumentu jsou prázdné. První: záznam %d, pole %s: %s není platné datum a čas";
inline constexpr const char* kMemoValuesCut =
    "Některé poznámky přesahují konec souboru poznámek a jsou zkrácené (%d). První: záznam %d, pole %s, blok %s";
inline constexpr const char* kTableCutShort = "Hlavička tabulky uvádí %d záznamů, soubor jich obsahuje jen %d.";
inline constexpr const char* kOpenDbfPrefix = "Open DBF: ";
inline constexpr const char* kStandardOutputClosed = "standard output is closed";
inline constexpr const char* kTargetIsSource = "The XML file cannot replace the table or its memo or index file.";

}  // namespace korvane::texts

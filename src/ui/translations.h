#pragma once

#include "resources/language.h"

namespace tintwell {

// Shows every text in `language` from now on: the string table's messages and headings,
// the window's own texts (tr(), English from tintwell_en.qm; the Japanese texts are the
// sources) and Qt's own (qtbase_ja.qm, from the `translations` folder beside the program or
// Qt's installed ones: the folder chooser, the color chooser's parts).
// Needs the application object; windows built before the call keep their texts.
void UseLanguage(Language language);

}  // namespace tintwell

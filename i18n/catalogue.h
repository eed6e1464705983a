#pragma once
// The operator texts' catalogues (Qt Linguist files built into the program)
// and the choice of one for the program's language.
#include "platform/language.h"

namespace ks::i18n {

// Installs the catalogue of language for the texts of every layer
// (ks::Tr) and, when a Qt application object exists, for Qt's own
// translate calls. Chinese needs none: the texts are written in it.
// Returns false when the catalogue cannot be loaded (the texts stay Chinese).
bool UseLanguage(Language language);

}  // namespace ks::i18n

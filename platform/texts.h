#pragma once
// Operator texts. Every text the operator can see is written once, in
// Chinese, marked with KS_TEXT(context, text) where it is defined; Qt's
// lupdate reads the mark (as QT_TRANSLATE_NOOP) into the catalogues under
// i18n/. The lower layers only mark their texts and hand them up; the layers
// that show them (the windows' logic, the programs) look them up with Tr,
// through the catalogue the program installed for its language. Without one
// Tr returns the written text, byte for byte.
//
// Texts with numbers in them are marked as patterns with %1..%9 and filled
// after the lookup, so that a catalogue translates the pattern once and
// may put the numbers where its language wants them.
#include <initializer_list>
#include <string>
#include <string_view>

#define KS_TEXT(context, text) text

namespace ks {

// Looks up a marked text; returns the translation, or the source text when
// the catalogue has none.
using TextLookup = std::string (*)(const char* context, const char* source);

// Installs the catalogue of the program's language (nullptr: none).
void SetTextLookup(TextLookup lookup);
bool HasTextLookup();

std::string Tr(const char* context, const char* source);

// %1..%9 in pattern replaced by the arguments, in any order; "%%" is a
// percent sign; anything else after "%" is kept as it stands.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace ks

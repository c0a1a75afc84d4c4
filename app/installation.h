// SPDX-License-Identifier: GPL-3.0-or-later
// What the program takes from the system it is installed on: Qt's own
// translations, its identity on the desktop (menu entry and icon), and a
// check of an installation that needs no display.
//
//   QtTranslationFile      Qt's catalogue "qtbase" for a locale, "" when none
//                          is installed (Debian: qt6-translations-l10n)
//   InstallQtTranslations  installs that catalogue in the application, so
//                          Qt's file, print and colour dialogs speak the
//                          user's language; the translator, or nullptr
//   SetDesktopIdentity     the desktop entry "zarn" and its themed icon
//   RunInstallCheck        zarn --check-install: where the help file, the rule
//                          base and the example are found; 0 when all are
//   TakeRulesOption        zarn --rules FILE: the rule base of the run
#pragma once

#include <QLocale>
#include <QString>
#include <iosfwd>
#include <string>

class QTranslator;

namespace zarn {

// The option of zarn that runs RunInstallCheck instead of the windows.
inline constexpr const char* kCheckInstallOption = "--check-install";

// The option that chooses the rule base of the advice for the run.
constexpr const char* kRulesOption = "--rules";
// Takes "--rules FILE" out of the arguments (argc and argv shrink) into
// `ruleBase` (the session's rule base); false when FILE is missing.
bool TakeRulesOption(int& argc, char** argv, std::string& ruleBase);

QString QtTranslationFile(const QLocale& locale);
// Owned by the application object; call after it exists.
QTranslator* InstallQtTranslations(const QLocale& locale = QLocale::system());
void SetDesktopIdentity();
// Takes the working directory as the start-up folder, as start-up does, and writes one
// line per support file; 1 when one is missing or unusable.
int RunInstallCheck(std::ostream& out, const std::string& ruleBase = "");

}  // namespace zarn

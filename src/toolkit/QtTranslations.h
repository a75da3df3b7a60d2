#pragma once
// Qt's own texts (the buttons of message boxes, the standard file dialog) in Chinese, like the rest of the
// program.
class QCoreApplication;

namespace vh {

// Installs Qt's zh_CN translations from Qt's translations folder (Debian: qt6-translations-l10n); false when
// they are not there, and Qt's texts stay English.
bool InstallQtTranslations(QCoreApplication& app);

} // namespace vh

#pragma once
// Qt's own texts in Japanese: the standard buttons (はい / いいえ), the file
// dialog and the other built-in dialogs speak the program's language whatever
// the user's locale is.
class QCoreApplication;
class QTranslator;

namespace vel::ui {

// Installs Qt's Japanese translation into `app`; the translator is a child of
// `app`. Null (and Qt stays in English) when the translation is not installed.
QTranslator* installQtTranslations(QCoreApplication& app);

}  // namespace vel::ui

#pragma once

class QCoreApplication;

// Qt's own texts (standard buttons, file dialogs, message-box details) in the
// program's language, zh_CN, whatever the system's locale: the rest of the
// interface is Chinese throughout.
namespace QtChinese {

// Installs Qt's zh_CN catalogue from Qt's translations folder (Debian's
// qttranslations5-l10n). False, and English Qt texts, when it is missing.
bool Install(QCoreApplication *app);

} // namespace QtChinese

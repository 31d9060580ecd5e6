#pragma once
// Qt's own texts (standard dialogs, their buttons) in Japanese, like the program's.
class QCoreApplication;

namespace nalo {

// Installs Qt's Japanese translation on `app`; false when it is not installed (the
// standard dialogs then stay in English).
bool installQtJapanese(QCoreApplication& app);

}  // namespace nalo

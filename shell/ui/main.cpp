// Nalo: start-up. A second instance ends at once; the components are checked; the
// menu is shown and the program runs while it is open.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <QFont>
#include <QFontDatabase>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#include "shell/ui/DialogService.h"
#include "shell/ui/Nalo_Menu.h"
#include "shell/ui/QtTranslation.h"
#if __has_include("shell/CheckComponents.h")
#include "shell/CheckComponents.h"
#define NALO_HAVE_COMPONENT_CHECK 1
#endif

namespace {

// Held for the life of the process; the kernel drops it when the process ends,
// so a crashed instance never leaves it stuck.
int takeInstanceLock() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir = runtime && *runtime ? runtime : "/tmp";
    std::string path = dir + "/nalo-" + std::to_string(::getuid()) + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return -2;  // no lock possible: run anyway
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("nalo %s\n", NALO_VERSION);
        return 0;
    }
    // Past a file-size limit a write then fails with EFBIG and is reported like any other.
    std::signal(SIGXFSZ, SIG_IGN);
    if (takeInstanceLock() == -1) return 0;  // another instance is running
    QApplication app(argc, argv);
    app.setApplicationName("Nalo");
    app.setQuitOnLastWindowClosed(false);
    nalo::installQtJapanese(app);
    if (QFontDatabase::families().contains("IPAGothic")) app.setFont(QFont("IPAGothic", 9));
    nalo::QtDialogService dialogs;
#ifdef NALO_HAVE_COMPONENT_CHECK
    const nalo::CheckResult check = nalo::CheckComponents();
    if (!check.ok) {
        static_cast<nalo::DialogService&>(dialogs).message(nullptr, QString::fromStdString(check.message));
        return 1;
    }
#endif
    auto* menu = new nalo::Nalo_Menu(dialogs);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->show();
    // Files named on the command line (the desktop entry's %F) open as a drop on the menu does.
    const QStringList files = app.arguments().mid(1);
    if (!files.isEmpty())
        QTimer::singleShot(0, menu, [menu, files] {
            for (const QString& file : files) menu->openDroppedFile(QFileInfo(file).absoluteFilePath());
        });
    return app.exec();
}

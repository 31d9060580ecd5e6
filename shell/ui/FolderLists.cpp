#include "shell/ui/FolderLists.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QSignalBlocker>
#include <QListWidget>
#include <QStyle>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "shell/FileHelpers.h"
#include "shell/RuntimeError.h"
#include "shell/ui/DialogService.h"

namespace nalo {

static_assert(DirRole == Qt::UserRole);

namespace {

// "\040"-style escapes of the mount table.
std::string unescapeMountField(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isdigit(static_cast<unsigned char>(s[i + 2])) && std::isdigit(static_cast<unsigned char>(s[i + 3]))) {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool underTree(const std::string& path, const std::string& tree) {
    return path == tree || path.compare(0, tree.size() + 1, tree + "/") == 0;
}

// Kernel, memory and package filesystems: nothing a user keeps pictures on.
bool virtualFilesystem(const std::string& type) {
    static const std::set<std::string> types = {
        "proc",      "sysfs",   "devtmpfs", "devpts",  "tmpfs",          "ramfs",      "cgroup",
        "cgroup2",   "securityfs", "pstore", "debugfs", "tracefs",       "configfs",   "fusectl",
        "mqueue",    "hugetlbfs", "bpf",    "autofs",  "binfmt_misc",    "efivarfs",   "rpc_pipefs",
        "nsfs",      "selinuxfs", "squashfs", "overlay", "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",
        "fuse.snapfuse"};
    return types.count(type) != 0;
}

bool systemTree(const std::string& path) {
    if (underTree(path, "/run/media")) return false;
    for (const char* tree : {"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/etc", "/usr", "/var"})
        if (underTree(path, tree)) return true;
    return false;
}

QString indentOf(int depth) { return QString(depth * 2, QLatin1Char(' ')); }

}  // namespace

QStringList browsableMountPoints(const std::string& mountTable) {
    std::vector<std::string> points;
    std::istringstream lines(mountTable);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, point, type;
        if (!(fields >> device >> point >> type)) continue;
        point = unescapeMountField(point);
        if (point.empty() || point[0] != '/' || point == "/") continue;
        if (virtualFilesystem(type) || systemTree(point)) continue;
        points.push_back(point);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    QStringList out{QStringLiteral("/")};
    for (const auto& p : points) out << QString::fromStdString(p);
    return out;
}

QString mountPointOf(const QStringList& mounts, const QString& folder) {
    QString best = QStringLiteral("/");
    for (const QString& m : mounts) {
        if (m.length() <= best.length()) continue;
        if (folder == m || folder.startsWith(m + QLatin1Char('/'))) best = m;
    }
    return best;
}

QStringList SystemMountPoints() {
    std::ifstream mounts("/proc/self/mounts");
    std::stringstream table;
    table << mounts.rdbuf();
    return browsableMountPoints(table.str());
}

void SyncDriveList(QComboBox* drives, const QString& folder) {
    QStringList mounts;
    for (int i = 0; i < drives->count(); ++i) mounts << drives->itemText(i);
    const QSignalBlocker quiet(drives);
    drives->setCurrentIndex(drives->findText(mountPointOf(mounts, folder)));
}

QString DriveErrorText(const QString& drive, const RuntimeError* error) {
    if (!error) return QStringLiteral("ﾄﾞﾗｲﾌﾞ") + drive + QStringLiteral(" は、準備されていません。");
    return QString::fromStdString(error->source()) + ": &H" + QString::number(error->number(), 16).toUpper() + "\r" +
           QString::fromStdString(error->description());
}

QString ShowFolder(QComboBox* drives, QListWidget* folders, const QString& folder) {
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    const std::vector<std::string> names = ListSubfolders(path);
    SyncDriveList(drives, path);
    ShowFolderChain(folders, drives->currentText(), path, names);
    return path;
}

QString FolderErrorText(const RuntimeError& error) {
    return QStringLiteral("ﾌｫﾙﾀﾞを開けません: ") + QString::fromStdString(error.description());
}

void SelectFolderItem(QListWidget* list, const QString& folder) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(DirRole).toString() == folder) list->setCurrentRow(i);
}

bool MoveToFolderOrReport(DialogService& dialogs, QWidget* owner, QListWidget* folders, const QString& current,
                          const std::function<void()>& move) {
    try {
        move();
        return true;
    } catch (const RuntimeError& e) {
        dialogs.message(owner, FolderErrorText(e), MsgIcon::Exclamation);
        SelectFolderItem(folders, current);
        return false;
    }
}

std::vector<std::string> ListSubfolders(const QString& path) {
    std::error_code ec;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(path.toStdString(), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] != '.' && it->is_directory(typeError)) names.push_back(name);
    }
    if (ec) raiseFileError("Dir1", path.toStdString(), ec.value());
    std::sort(names.begin(), names.end(), LessNoCase);
    return names;
}

void ShowFolderChain(QListWidget* list, const QString& root, const QString& path, const std::vector<std::string>& names) {
    list->clear();
    const QString top = root.isEmpty() ? QStringLiteral("/") : root;
    QStyle* style = QApplication::style();
    const QIcon open = style->standardIcon(QStyle::SP_DirOpenIcon);
    auto* first = new QListWidgetItem(open, top, list);
    first->setData(DirRole, top);
    QString chain = top;
    int depth = 1;
    for (const QString& part : path.mid(top.length()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        chain = chain.endsWith(QLatin1Char('/')) ? chain + part : chain + QLatin1Char('/') + part;
        auto* item = new QListWidgetItem(open, indentOf(depth++) + part, list);
        item->setData(DirRole, chain);
    }
    list->setCurrentRow(list->count() - 1);
    const QIcon closed = style->standardIcon(QStyle::SP_DirIcon);
    const QString parent = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const auto& name : names) {
        const QString n = QString::fromStdString(name);
        auto* item = new QListWidgetItem(closed, indentOf(depth) + n, list);
        item->setData(DirRole, parent + n);
    }
}

}  // namespace nalo

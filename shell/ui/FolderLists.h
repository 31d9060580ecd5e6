#pragma once
// The drive and folder lists of the tool windows that browse folders: the mount
// points standing for drives, and the folder list showing the chain from the drive
// down to the current folder followed by its subfolders.
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QWidget;
class QListWidget;

namespace nalo {

// Item data of the folder list: the folder's full path.
inline constexpr int DirRole = 0x0100;  // Qt::UserRole

// The mount points of a mount table (the /proc/self/mounts format) that hold files a
// user browses: "/" always, then real filesystems outside the system's own trees,
// sorted, each once.
QStringList browsableMountPoints(const std::string& mountTable);
// browsableMountPoints of this system's mount table.
QStringList SystemMountPoints();

// The mount point of `mounts` that holds `folder` (the longest matching one; "/" when
// none matches).
QString mountPointOf(const QStringList& mounts, const QString& folder);

// Selects, without signals, the drive of `drives` that holds `folder`.
void SyncDriveList(QComboBox* drives, const QString& folder);

// The text of the drive-not-ready rule: "ﾄﾞﾗｲﾌﾞ" + drive + " は、準備されていません。"
// when `error` is null (the drive is not there), else source + ": &H" + hexadecimal
// number + CR + description.
QString DriveErrorText(const QString& drive, const class RuntimeError* error);

// Moves the drive and folder lists to `folder` and returns its clean absolute path.
// Raises as ListSubfolders (the lists then stay as they were).
QString ShowFolder(QComboBox* drives, QListWidget* folders, const QString& folder);

// "ﾌｫﾙﾀﾞを開けません: " + the description of the error that stopped a folder listing.
QString FolderErrorText(const class RuntimeError& error);
// Makes the folder list's entry for `folder` current (the folder the lists hold).
void SelectFolderItem(QListWidget* list, const QString& folder);

class DialogService;
// Runs `move` (a move of the window's lists to another folder); when the folder cannot
// be listed, shows FolderErrorText, keeps `current` selected in `folders` and gives false.
bool MoveToFolderOrReport(DialogService& dialogs, QWidget* owner, QListWidget* folders, const QString& current,
                          const std::function<void()>& move);

// The subfolders of `path` (no hidden names), sorted without regard to case. Raises
// RuntimeError (source "Dir1") naming the folder when it cannot be listed.
std::vector<std::string> ListSubfolders(const QString& path);

// Fills the folder list: `root` ("/" when empty), the folders from it down to `path`,
// the last one current, then the subfolders `names` of `path`.
void ShowFolderChain(QListWidget* list, const QString& root, const QString& path, const std::vector<std::string>& names);

}  // namespace nalo
